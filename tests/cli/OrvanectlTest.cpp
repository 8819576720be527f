// orvanectl end to end: the built program run in a temporary copy of the sample system
// root with a home of its own, checked by its exit status, its output and the bytes it
// leaves in the preferences, the PPD and their sidecars.
#include "app/AdjustHalftone.h"
#include "app/SettingsLists.h"
#include "app/Startup.h"
#include "cli/CliMessages.h"
#include "cli/CliProcess.h"
#include "core/Alerts.h"
#include "core/UiText.h"
#include "host/files/HostPaths.h"
#include "host/resources/ResourceFileFixture.h"
#include "tone/ToneRecords.h"

#include <thread>

namespace orvane {
namespace {

using namespace testing;
using Bytes = std::vector<uint8_t>;
using Names_ = std::vector<std::string>;
namespace fs = std::filesystem;

constexpr const char* kColorPPD = "Quillmark_ColorPage_5.ppd"; // ISO Latin-1, localised
constexpr const char* kUtf8PPD = "Quillmark_ColorPage_3.ppd";  // UTF-8
constexpr const char* kMonoPPD = "Quillmark_MonoPage_2.ppd";   // not a colour printer

// The curves the tests give, and their levels in hundredths as the records must hold them.
constexpr const char* kLinearSpec = "levels:0,,,,,,50,,,,,,100";
constexpr const char* kVividCyanSpec = "levels:0,,,25,,,60,,,,,,100";
constexpr int32_t N = kNoPoint;
using Levels13 = std::vector<int32_t>;
const Levels13 kLinear = {0, N, N, N, N, N, 5000, N, N, N, N, N, 10000};
// gamma:2.2 gives the levels the curve editor shows for 2.2.
const Levels13 kGamma22 = {0, 14, 63, 290, 707, 1332, 2176, 3250, 4563, 6121, 7931, 8933, 10000};
const Levels13 kStraight = {0, N, N, N, N, N, N, N, N, N, N, N, 10000};

// One stored setting (260 bytes, big-endian): the name as a P-string in 33 bytes,
// sameCurve, two bytes of padding, then four curves of 13 levels and a gamma.
Bytes StoredSetting(const std::string& name, bool sameCurve,
                    const std::vector<std::pair<Levels13, int32_t>>& curves) {
    Bytes out(34 + 2, 0);
    out[0] = static_cast<uint8_t>(name.size());
    std::copy(name.begin(), name.end(), out.begin() + 1);
    out[33] = sameCurve;
    for (const auto& [levels, gamma] : curves) {
        Levels13 words = levels;
        words.push_back(gamma);
        for (const int32_t w : words)
            for (int shift = 24; shift >= 0; shift -= 8)
                out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(w) >> shift));
    }
    return out;
}
const Bytes kStoredLinear =
    StoredSetting("Linear", true, std::vector(4, std::pair{kLinear, kNoGamma}));
const Bytes kStoredVivid =
    StoredSetting("Vivid", false,
                  {{{0, N, N, 2500, N, N, 6000, N, N, N, N, N, 10000}, kNoGamma},
                   {kGamma22, 220},
                   {kStraight, kNoGamma},
                   {kStraight, kNoGamma}});

Bytes Slice(const Bytes& bytes, size_t from, size_t size) {
    return from + size <= bytes.size() ? Bytes(bytes.begin() + from, bytes.begin() + from + size)
                                       : Bytes();
}

// The setting names `list` prints under `title` ("Registered settings" or "PPD settings").
Names_ NamesIn(const std::string& list, const std::string& title) {
    Names_ names;
    size_t at = list.find(title + " (");
    if (at == std::string::npos)
        return names;
    at = list.find('\n', at) + 1;
    for (size_t end; at < list.size() && list.compare(at, 2, "  ") == 0; at = end + 1) {
        end = list.find('\n', at);
        if (list[at + 2] != ' ' && list[at + 2] != '(')
            names.push_back(list.substr(at + 2, list.find("  (", at + 2) < end
                                                    ? list.find("  (", at + 2) - at - 2
                                                    : end - at - 2));
    }
    return names;
}

// --json output without its layout white space (the tests' names hold no spaces).
std::string Squeezed(const std::string& json) {
    std::string out;
    for (const char c : json)
        if (c != ' ' && c != '\n')
            out += c;
    return out;
}

class OrvanectlTest : public SampleRootTest {
protected:
    void SetUp() override {
        SampleRootTest::SetUp();
        // The messages the program must print, read from the same resources in this process.
        bundle_.emplace("ORVANE_BUNDLE_DIR", env_["ORVANE_BUNDLE_DIR"]);
        glue_ = NewGlueRec();
        ASSERT_EQ(OpenApplicationResFile(glue_), noErr);
    }
    void TearDown() override {
        if (glue_) {
            CloseApplicationResFile(glue_);
            DisposeGlueRec(glue_);
        }
        bundle_.reset();
        SampleRootTest::TearDown();
    }
    // Runs a command that must succeed; standard error may hold what the tools run for the
    // rights print, never a message.
    CliResult Ok(const std::vector<std::string>& args) {
        CliResult result = Run(args);
        EXPECT_EQ(result.exitStatus, 0) << args[0] << "\nstderr: " << result.err;
        EXPECT_EQ(result.err.find("orvanectl:"), std::string::npos) << args[0];
        return result;
    }
    Names_ Registered() { return NamesIn(Ok({"list"}).out, "Registered settings"); }
    Names_ InPPD() { return NamesIn(Ok({"list"}).out, "PPD settings"); }
    // What orvanectl prints for a failure with this code.
    std::string Message(OSErr code, std::string_view param = {}, std::string_view context = {}) {
        const std::string message = CliMessageText(glue_, code, param);
        return "orvanectl: " + (context.empty() ? "" : std::string(context) + ": ") + message +
               "\n";
    }
    std::string PPDPath(const char* name) const { return Path("root/etc/cups/ppd/") + name; }
    static std::string SamplePPD(const char* name) {
        return ReadFile(std::string(ORVANE_SOURCE_DIR) + "/sample/root/etc/cups/ppd/" + name);
    }
    std::string PrefsPath() const { return Path("config/Orvane Preferences"); }
    // Everything a command could change: the system root and the preferences.
    Files DiskState() const {
        Files files = SnapshotFiles(Path("root"));
        files.merge(SnapshotFiles(Path("config"), "config/"));
        return files;
    }
    // Linear and Vivid registered, the colour PPD chosen, Linear in it.
    void SetUpRegisteredAndPPD() {
        Ok({"add", "Linear", "--all", kLinearSpec});
        Ok({"add", "Vivid", "--cyan", kVividCyanSpec, "--magenta", "gamma:2.2"});
        Ok({"choose", kColorPPD});
        Ok({"to-ppd", "Linear"});
    }

    GlueRec* glue_ = nullptr;

private:
    std::optional<ScopedEnv> bundle_;
};

TEST_F(OrvanectlTest, FirstRunListsNothingAndTheSystemLevelComesFromOptionOrEnvironment) {
    EXPECT_EQ(Ok({"list"}).out, "System level: 1\n\nRegistered settings (0 of 20): none\n\n"
                                "Chosen PPD: none\n");
    EXPECT_EQ(Squeezed(Ok({"--json", "list"}).out),
              R"({"osLevel":1,"ppd":null,"registered":[],"ppdSettings":[]})");
    EXPECT_EQ(SidecarResource(PrefsPath(), kToneResType, kToneResID), Bytes(5320, 0));

    EXPECT_EQ(
        Run({"--os-level=0", "list"}, {{"ORVANE_OS_LEVEL", "2"}}).out.rfind("System level: 0\n", 0),
        0u)
        << "the option wins";
    const CliResult bad = Run({"list"}, {{"ORVANE_OS_LEVEL", "7"}});
    EXPECT_EQ(bad.exitStatus, 1);
    EXPECT_EQ(bad.err, Message(kCliBadSystemLevelCode));
    EXPECT_EQ(bad.out, "");
}

TEST_F(OrvanectlTest, AddStoresTheRegisteredSettingsSortedAndListsThem) {
    EXPECT_EQ(Ok({"add", "Vivid", "--cyan", kVividCyanSpec, "--magenta", "gamma:2.2"}).out,
              "Added \"Vivid\" to the registered settings.\n");
    Ok({"add", "Linear", "--all", kLinearSpec});

    // 'Tone' 128 as stored: big-endian, sorted, the unused slots and the PPD location zero.
    const Bytes stored = SidecarResource(PrefsPath(), kToneResType, kToneResID).value_or(Bytes());
    ASSERT_EQ(stored.size(), sizeof(ToneRes4Rec));
    const size_t first = offsetof(ToneRes4Rec, tones), size = sizeof(CMYKTone);
    Bytes header(first, 0);
    header[3] = 2; // the count after a reserved word
    EXPECT_EQ(Slice(stored, 0, first), header);
    EXPECT_EQ(Slice(stored, first, size), kStoredLinear);
    EXPECT_EQ(Slice(stored, first + size, size), kStoredVivid);
    EXPECT_EQ(Slice(stored, first + 2 * size, stored.size() - first - 2 * size),
              Bytes(stored.size() - first - 2 * size, 0));

    // As text, in the form add takes, and as JSON.
    EXPECT_NE(Ok({"list"}).out.find(
                  "Registered settings (2 of 20):\n"
                  "  Linear  (one curve for all inks)\n"
                  "    all       levels:0,,,,,,50,,,,,,100\n"
                  "  Vivid\n"
                  "    cyan      levels:0,,,25,,,60,,,,,,100\n"
                  "    magenta   levels:0,0.14,0.63,2.9,7.07,13.32,21.76,32.5,45.63,61.21,"
                  "79.31,89.33,100  gamma:2.2\n"
                  "    yellow    levels:0,,,,,,,,,,,,100\n"),
              std::string::npos);
    const std::string json = Squeezed(Ok({"--json", "list"}).out);
    const std::string none = "{\"levels\":[0,null,null,null,null,null,null,null,null,null,null,"
                             "null,10000],\"gamma\":null}";
    EXPECT_NE(json.find(R"({"name":"Vivid","sameCurve":false,"curves":{"cyan":{"levels":[0,)"
                        R"(null,null,2500,null,null,6000,null,null,null,null,null,10000],)"
                        R"("gamma":null},"magenta":{"levels":[0,14,63,290,707,1332,2176,3250,)"
                        R"(4563,6121,7931,8933,10000],"gamma":220},"yellow":)" +
                        none + ",\"black\":" + none + "}}]"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find(R"({"name":"Linear","sameCurve":true,)"), std::string::npos);

    // Names sort by the unsigned bytes of the application's encoding: "Ärger" is 0x80 first.
    for (const char* name : {"Gamma", "\xC3\x84rger", "alpha", "Al"})
        Ok({"add", name, "--all", kLinearSpec});
    EXPECT_EQ(Registered(), (Names_{"Al", "Gamma", "Linear", "Vivid", "alpha", "\xC3\x84rger"}));
}

// A bare name is looked for in the printer-description folder only; a PPD that is gone,
// no longer supported or cannot be examined is reported by name, never silently.
TEST_F(OrvanectlTest, AChosenPPDThatIsGoneOrNoLongerSupportedIsForgottenSayingSo) {
    WriteFile(Path("scratch/") + kColorPPD, "not this one\n");
    EXPECT_EQ(Ok({"choose", kColorPPD}).out,
              "Chose " + PPDPath(kColorPPD) + " as the target PPD (0 of 6 settings in it).\n");
    EXPECT_EQ(ReadFile(PPDPath(kColorPPD)), SamplePPD(kColorPPD)) << "no list changed";
    Ok({"add", "Linear", "--all", kLinearSpec});
    Ok({"to-ppd", "Linear"});

    fs::copy_file(PPDPath(kMonoPPD), PPDPath(kColorPPD), fs::copy_options::overwrite_existing);
    const CliResult list = Run({"list"});
    EXPECT_EQ(list.exitStatus, 0);
    EXPECT_EQ(list.err, Message(kMonochromePPDCode, kColorPPD)) << "says why, naming the file";
    EXPECT_NE(list.out.find("Chosen PPD: none\n"), std::string::npos) << list.out;

    EXPECT_EQ(Run({"choose", PPDPath(kUtf8PPD)}).exitStatus, 0) << "another PPD can be chosen";
    fs::remove(PPDPath(kUtf8PPD));
    const CliResult gone = Run({"list"});
    EXPECT_EQ(gone.exitStatus, 0);
    EXPECT_EQ(gone.err, Message(kPPDGoneCode, PPDPath(kUtf8PPD))) << "named, not silent";
    EXPECT_NE(gone.out.find("Chosen PPD: none\n"), std::string::npos) << gone.out;
    EXPECT_EQ(NamesIn(gone.out, "Registered settings"), Names_{"Linear"});

    // A PPD that cannot be examined just now is set aside, not forgotten: a command that
    // would save the preferences (and so forget it) fails and changes nothing.
    WriteFile(PPDPath(kColorPPD), SamplePPD(kColorPPD));
    ASSERT_EQ(Run({"choose", kColorPPD}).exitStatus, 0);
    fs::remove(Path("root/etc/cups/ppd/._") + kColorPPD);
    fs::create_directory(Path("root/etc/cups/ppd/._") + kColorPPD);
    const Files before = DiskState();
    const CliResult add = Run({"add", "Later", "--all", "gamma:1.8"});
    EXPECT_EQ(add.exitStatus, 1);
    EXPECT_NE(add.err.find("set aside"), std::string::npos) << add.err;
    EXPECT_EQ(DiskState(), before);
}

TEST_F(OrvanectlTest, RefusedAdministratorRightsLeaveThePPDUnsaved) {
    SetUpRegisteredAndPPD();
    // polkit's answer when the user dismisses the password question.
    const std::string pkexec = Path("pkexec-dismissed");
    WriteFile(pkexec, "#!/bin/sh\nexit 126\n");
    ASSERT_EQ(chmod(pkexec.c_str(), 0755), 0);
    const Environment viaPkexec = {
        {"ORVANE_ADMIN", "pkexec"}, {"ORVANE_PKEXEC", pkexec}, {"ORVANE_PPD_ROUTE", "installer"}};
    const Files before = DiskState();
    const CliResult refused = Run({"to-ppd", "Vivid"}, viaPkexec);
    EXPECT_EQ(refused.exitStatus, 1);
    EXPECT_EQ(refused.err.rfind(Message(kRightsRefusedCode), 0), 0u) << refused.err;
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(DiskState(), before);
    // A backend name nobody knows refuses too, and says why.
    const CliResult unknown =
        Run({"to-ppd", "Vivid"}, {{"ORVANE_ADMIN", "sudo"}, {"ORVANE_PPD_ROUTE", "installer"}});
    EXPECT_EQ(unknown.exitStatus, 1);
    EXPECT_NE(unknown.err.find("ORVANE_ADMIN"), std::string::npos) << unknown.err;
    EXPECT_EQ(DiskState(), before);
    // Granted (the option overrides the environment), the same command writes.
    const CliResult granted = Run({"--admin", "user", "to-ppd", "Vivid"}, viaPkexec);
    EXPECT_EQ(granted.exitStatus, 0) << granted.err;
    EXPECT_EQ(InPPD(), (Names_{"Linear", "Vivid"}));
}

// A window left open while orvanectl saves: the window's next Save must not write its whole
// working record over what orvanectl wrote, nor half of it.
TEST_F(OrvanectlTest, ASaveNeverUndoesWhatAnotherProcessSaved) {
    Ok({"add", "Linear", "--all", kLinearSpec});
    Ok({"choose", kColorPPD});
    ScopedEnvironment sameFiles({{"HOME", env_["HOME"]},
                                 {"XDG_CONFIG_HOME", env_["XDG_CONFIG_HOME"]},
                                 {"XDG_CACHE_HOME", env_["XDG_CACHE_HOME"]},
                                 {"ORVANE_ROOT", env_["ORVANE_ROOT"]},
                                 {"ORVANE_ADMIN", env_["ORVANE_ADMIN"]}});
    GlueRec* window = NewGlueRec();
    ASSERT_EQ(OpenApplicationResFile(window), noErr);
    ASSERT_EQ(DoInit(window), noErr);
    MemoryListView registered, ppd;
    ASSERT_EQ(OpenAdjustHalftoneDialog(window, nullptr, registered, ppd, nullptr), noErr);
    window->startingUp = 0;

    Ok({"add", "Vivid", "--cyan", kVividCyanSpec});
    const Files before = DiskState();
    CMYKTone mine;
    SetNewCMYKTone(mine);
    ASSERT_EQ(SetCMYKToneNameUtf8(mine, "Mine"), noErr);
    ASSERT_EQ(AdjustHalftoneDialogAppendEntry(window, true, mine), noErr);
    const SaveOutcome refused = AdjustHalftoneDialogSave(window);
    EXPECT_EQ(refused.status, kChangedOnDiskCode);
    EXPECT_EQ(refused.messageParam, PrefsPath());
    EXPECT_NE(CliMessageText(glue_, refused.status, refused.messageParam).find(PrefsPath()),
              std::string::npos);
    EXPECT_EQ(DiskState(), before);
    EXPECT_TRUE(AdjustHalftoneCheckRegisteredSettingChanged(window)) << "still unsaved";
    EXPECT_EQ(Registered(), (Names_{"Linear", "Vivid"}));

    // Reloaded, the window sees both and saves its own on top.
    ASSERT_EQ(DisposeAllDialogs(window), noErr);
    ASSERT_EQ(OpenAdjustHalftoneDialog(window, nullptr, registered, ppd, nullptr), noErr);
    ASSERT_EQ(AdjustHalftoneDialogAppendEntry(window, true, mine), noErr);
    EXPECT_TRUE(AdjustHalftoneDialogSave(window).ok());
    EXPECT_EQ(Registered(), (Names_{"Linear", "Mine", "Vivid"}));
    ASSERT_EQ(DisposeAllDialogs(window), noErr);
    CloseApplicationResFile(window);
    DisposeGlueRec(window);
}

// Two writers of one PPD at once: each writes on top of what the other saved, or fails with
// the lost-update message; the PPD's text and record never come from different writers.
TEST_F(OrvanectlTest, TwoWritersOfOnePPDNeverLoseOrMixAChange) {
    Ok({"add", "Alpha", "--all", "gamma:1.8"});
    Ok({"add", "Beta", "--all", "gamma:2.2"});
    Ok({"choose", kColorPPD});
    MakeFolder(Path("scratch-Alpha"));
    MakeFolder(Path("scratch-Beta"));
    const std::string lostUpdate = CliMessageText(glue_, kChangedOnDiskCode).substr(0, 40);
    for (int round = 0; round < 12; ++round) {
        WriteFile(PPDPath(kColorPPD), SamplePPD(kColorPPD));
        fs::remove(Path("root/etc/cups/ppd/._") + kColorPPD);
        std::map<std::string, CliResult> results = {{"Alpha", {}}, {"Beta", {}}};
        {
            std::vector<std::thread> writers;
            for (const std::string name : {"Alpha", "Beta"})
                writers.emplace_back([&, name] {
                    results.at(name) =
                        RunCli(ORVANECTL_PATH, {"to-ppd", name}, env_, Path("scratch-" + name));
                });
            for (std::thread& writer : writers)
                writer.join();
        }
        Names_ written;
        for (const auto& [name, result] : results) {
            if (result.exitStatus == 0)
                written.push_back(name);
            else
                EXPECT_NE(result.err.find(lostUpdate), std::string::npos) << result.err;
        }
        ASSERT_FALSE(written.empty()) << "round " << round;
        const std::string list = Ok({"list"}).out;
        Names_ inPPD = NamesIn(list, "PPD settings");
        std::sort(inPPD.begin(), inPPD.end());
        EXPECT_EQ(inPPD, written) << "round " << round;
        EXPECT_EQ(list.find("not in the PPD's text"), std::string::npos)
            << "text and record of different writers";
    }
}

// Bad input: the right message, a failing exit status and nothing changed on disk.
struct BadInputCase {
    const char* label;
    std::vector<std::string> args;
    int exitStatus;
    OSErr code;          // 0: only the exit status is checked
    const char* param;   // the message's ^0
    const char* context; // the option the message is about
    bool noPPD = false;  // only Linear registered, no PPD chosen
};

class OrvanectlBadInputTest : public OrvanectlTest,
                              public ::testing::WithParamInterface<BadInputCase> {};

TEST_P(OrvanectlBadInputTest, ChangesNothing) {
    const BadInputCase& c = GetParam();
    if (c.noPPD)
        Ok({"add", "Linear", "--all", kLinearSpec});
    else
        SetUpRegisteredAndPPD();
    const Files before = DiskState();
    const CliResult result = Run(c.args);
    EXPECT_EQ(result.exitStatus, c.exitStatus) << result.err;
    if (c.code != noErr) {
        EXPECT_EQ(result.err, Message(c.code, c.param, c.context));
    }
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(DiskState(), before);
}

const std::string k33 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456";

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Cases, OrvanectlBadInputTest,
    ::testing::Values(
        BadInputCase{"UnknownSetting", {"delete", "Nope"}, 1, kCliUnknownRegisteredCode, "Nope", ""},
        BadInputCase{"UnknownPPDSetting", {"table", "Vivid", "--ppd"}, 1, kCliUnknownPPDSettingCode, "Vivid", ""},
        BadInputCase{"NameOf33", {"add", k33, "--all", kLinearSpec}, 1, kBadToneNameCode, k33.c_str(), ""},
        BadInputCase{"RenameTo33", {"rename", "Vivid", k33}, 1, kBadToneNameCode, k33.c_str(), ""},
        BadInputCase{"DuplicateToEmpty", {"duplicate", "Vivid", ""}, 1, kBadToneNameCode, "", ""},
        BadInputCase{"UnstorableName", {"add", "\xE6\xBC\xA2", "--all", kLinearSpec}, 1, kNameNotStorableCode, "\xE6\xBC\xA2", ""},
        BadInputCase{"Level101", {"add", "X", "--cyan", "levels:0,,,101,,,,,,,,,100"}, 1, kPointOutOfRangeCode, "", "--cyan"},
        BadInputCase{"Gamma0", {"add", "X", "--black", "gamma:0"}, 1, kBadGammaCode, "", "--black"},
        BadInputCase{"Missing0", {"add", "X", "--all", "levels:,,,,,,50,,,,,,100"}, 1, kEndPointsCode, "", "--all"},
        BadInputCase{"MonochromePPD", {"choose", "Quillmark_MonoPage_2.ppd"}, 1, kMonochromePPDCode, "Quillmark_MonoPage_2.ppd", ""},
        BadInputCase{"MissingFile", {"choose", "/nonexistent/printer.ppd"}, 1, fnfErr, "/nonexistent/printer.ppd", ""},
        BadInputCase{"ReplaceDeclined", {"add", "Vivid", "--all", kLinearSpec}, 3, noErr, "", ""},
        BadInputCase{"Usage", {"add", "X"}, 2, noErr, "", ""},
        BadInputCase{"ToPPDWithoutPPD", {"to-ppd", "Linear"}, 1, kCliNoPPDChosenCode, "", "", true},
        BadInputCase{"TableWithoutPPD", {"table", "Linear", "--ppd"}, 1, kCliNoPPDChosenCode, "", "", true}),
    [](const auto& p) { return std::string(p.param.label); });
// clang-format on

} // namespace
} // namespace orvane
