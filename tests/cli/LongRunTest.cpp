// A long day's work in one process, as the window will do it: choose a PPD with CUPS
// localisations, save, be refused rights once, choose a plain PPD, save, then start again at
// system level 2 and save into a gamma file. Nothing of one operation may linger into the
// next (the localisation kind of the last PPD, a refusal, a backup path), so the files must
// equal those that separate orvanectl runs leave in a second copy of the same root.
#include "app/AdjustHalftone.h"
#include "app/SettingsLists.h"
#include "app/Startup.h"
#include "cli/CliProcess.h"
#include "cli/CurveArgument.h"
#include "core/UiText.h"
#include "host/alerts/AlertHost.h"
#include "host/ui/Choosers.h"

namespace orvane {
namespace {

using namespace testing;
namespace fs = std::filesystem;

constexpr const char* kLocalised = "Quillmark_ColorPage_5.ppd"; // *cupsLanguages: "de ja"
constexpr const char* kPlain = "Quillmark_ColorPage_3.ppd";     // UTF-8, no localisations

// The command line runs in the fixture's root; the window in a second copy under "window/".
// Every save goes the installer's way, as for /etc/cups, and polkit refuses when asked.
class LongRunTest : public SampleRootTest {
protected:
    void SetUp() override {
        SampleRootTest::SetUp();
        MakeFolder(Path("window/home"));
        fs::copy(std::string(ORVANE_SOURCE_DIR) + "/sample/root", Path("window/root"),
                 fs::copy_options::recursive);
        WriteFile(Path("pkexec-dismissed"), "#!/bin/sh\nexit 126\n");
        ASSERT_EQ(chmod(Path("pkexec-dismissed").c_str(), 0755), 0);
        env_["ORVANE_PPD_ROUTE"] = "installer";
        env_["ORVANE_PKEXEC"] = Path("pkexec-dismissed");
    }
    Environment WindowEnv() const {
        Environment env = env_;
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "ORVANE_ROOT"})
            env[name] = Path("window/" + fs::path(env.at(name)).filename().string());
        return env;
    }
    int Cli(const std::vector<std::string>& args) { return Run(args).exitStatus; }
    // Everything a side holds but the folder catalogue.
    Files FilesOf(const std::string& prefix) const {
        Files files = SnapshotFiles(Path(prefix + "root"));
        files.merge(SnapshotFiles(Path(prefix + "config"), "config/"));
        return files;
    }
};

// The window's side: one state after another in this process, driven like the dialog.
class Window {
public:
    explicit Window(std::string ppdFolder) : ppdFolder_(std::move(ppdFolder)) {}
    ~Window() { Close(); }

    void Open() {
        glue_ = NewGlueRec();
        ASSERT_EQ(OpenApplicationResFile(glue_), noErr);
        ASSERT_EQ(DoInit(glue_), noErr);
        glue_->services = {&alerts_, &chooser_, nullptr, nullptr, nullptr};
        ASSERT_EQ(OpenAdjustHalftoneDialog(glue_, nullptr, registered_, ppd_, nullptr), noErr);
    }
    void Close() {
        if (!glue_)
            return;
        EXPECT_EQ(DisposeAllDialogs(glue_), noErr);
        CloseApplicationResFile(glue_);
        DisposeGlueRec(glue_);
        glue_ = nullptr;
    }
    void Add(const char* name, const char* spec) {
        CMYKTone tone;
        SetNewCMYKTone(tone);
        ASSERT_EQ(SetCMYKToneNameUtf8(tone, name), noErr);
        ASSERT_EQ(ParseCurveSpec(spec, tone.tone[kCyan]), noErr);
        for (int ink = kMagenta; ink < kInkCount; ++ink)
            tone.tone[ink] = tone.tone[kCyan];
        ASSERT_EQ(AdjustHalftoneDialogAppendEntry(glue_, true, tone), noErr);
    }
    void Choose(const char* ppd) {
        chooser_.SetNextFile(ppdFolder_ + "/" + ppd);
        ASSERT_TRUE(AdjustHalftoneDialogChoosePPD(glue_).ok());
    }
    void CopyToPPD(const char* name) {
        ASSERT_TRUE(SelectAdjustHalftoneSetting(glue_, true, name));
        ASSERT_EQ(HandleAdjustHalftoneDialogButtons(glue_, kAdjustToPPDItem), noErr);
    }
    SaveOutcome Save() { return AdjustHalftoneDialogSave(glue_); }
    void AnswerYes() { alerts_.SetNextAnswer(1); }

private:
    std::string ppdFolder_;
    GlueRec* glue_ = nullptr;
    MemoryListView registered_, ppd_;
    ScriptedAlertHost alerts_{2};
    ScriptedFileChooser chooser_;
};

TEST_F(LongRunTest, OneProcessWritesWhatSeparateRunsWrite) {
    // The command line's side, one process per step.
    ASSERT_EQ(Cli({"add", "Portrait", "--all", "gamma:1.8"}), 0);
    ASSERT_EQ(Cli({"add", "Vivid", "--all", "levels:0,,,25,,,60,,,,,,100"}), 0);
    ASSERT_EQ(Cli({"choose", kLocalised}), 0);
    ASSERT_EQ(Cli({"to-ppd", "Portrait"}), 0);
    ASSERT_EQ(Cli({"--admin", "pkexec", "to-ppd", "Vivid"}), 1); // refused
    ASSERT_EQ(Cli({"to-ppd", "Vivid"}), 0);
    ASSERT_EQ(Cli({"choose", kPlain}), 0);
    ASSERT_EQ(Cli({"to-ppd", "Portrait"}), 0);
    ASSERT_EQ(Cli({"--os-level", "2", "choose", kLocalised}), 0);
    ASSERT_EQ(Cli({"--os-level", "2", "to-ppd", "Vivid", "--replace"}), 0);

    // The window's side, all in this process.
    ScopedEnvironment env(WindowEnv());
    Window window(Path("window/root/etc/cups/ppd"));
    window.Open();
    window.Add("Portrait", "gamma:1.8");
    window.Add("Vivid", "levels:0,,,25,,,60,,,,,,100");
    window.Choose(kLocalised);
    window.CopyToPPD("Portrait");
    ASSERT_TRUE(window.Save().ok());
    window.CopyToPPD("Vivid");
    {
        ScopedEnv pkexec("ORVANE_ADMIN", "pkexec");
        const SaveOutcome refused = window.Save();
        EXPECT_EQ(refused.status, noErr);
        EXPECT_TRUE(refused.rightsRefused);
    }
    EXPECT_EQ(AUTH_CANCEL_Flag, 0) << "a refusal lives in its outcome, not in the process";
    const SaveOutcome granted = window.Save();
    EXPECT_TRUE(granted.ok());
    EXPECT_TRUE(granted.refusalMessage.empty());
    window.Choose(kPlain);
    window.CopyToPPD("Portrait");
    ASSERT_TRUE(window.Save().ok());
    window.Close();

    SetSystemLevelOption(2);
    window.Open();
    window.Choose(kLocalised);
    // The gamma file starts with the PPD's own settings; the copy replaces the one of that
    // name, as --replace does.
    window.AnswerYes();
    window.CopyToPPD("Vivid");
    ASSERT_TRUE(window.Save().ok());
    window.Close();
    SetSystemLevelOption(-1);

    const Files windowFiles = FilesOf("window/"), cliFiles = FilesOf("");
    ASSERT_EQ(windowFiles.size(), cliFiles.size());
    for (const auto& [path, bytes] : cliFiles) {
        ASSERT_TRUE(windowFiles.count(path)) << path;
        EXPECT_TRUE(windowFiles.at(path) == bytes) << path << " differs";
    }
    const std::string gamma = "var/lib/Orvane/Tonevault/Quillmark ColorPage 5 PS/PPDGAM";
    ASSERT_TRUE(windowFiles.count(gamma)) << "the level-2 save writes the gamma file";
    EXPECT_NE(windowFiles.at(gamma).find("*OrvaneTone"), std::string::npos);
}

} // namespace
} // namespace orvane
