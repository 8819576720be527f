// A temporary world for the settings store: home, preferences, cache and system root in a
// fresh folder per test (HOME, XDG_CONFIG_HOME, XDG_CACHE_HOME, ORVANE_ROOT), the program
// started as the front ends start it, scripted alerts, choosers and administrator rights,
// and the Adjust Halftone state over two in-memory lists.
#pragma once

#include "app/AdjustHalftone.h"
#include "app/Startup.h"
#include "core/State.h"
#include "host/alerts/AlertHost.h"
#include "host/files/HostPaths.h"
#include "host/resources/ResourceForkFormat.h"
#include "host/resources/Sidecar.h"
#include "host/rights/ScriptedAdminRights.h"
#include "host/ui/Choosers.h"
#include "host/ui/ListView.h"
#include "host/ui/WindowPositions.h"
#include "store/Preferences.h"
#include "support/PString.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace orvane::testing {

class ScopedEnvVar {
public:
    ScopedEnvVar(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnvVar() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }
    ScopedEnvVar(const ScopedEnvVar&) = delete;
    ScopedEnvVar& operator=(const ScopedEnvVar&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// Records what the dialog would show besides its lists.
class RecordingAdjustView final : public AdjustHalftoneView {
public:
    void SetPPDNameText(std::string_view text) override { ppdNameText = std::string(text); }
    void SetEnabledItems(const AdjustItemSet& items) override {
        enabled = items;
        ++updates;
    }
    std::string ppdNameText;
    AdjustItemSet enabled;
    int updates = 0;
};

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// A setting with one curve for all inks: the straight line, or the levels of a gamma.
inline CMYKTone MakeTone(std::string_view name, int32_t midLevel = kNoPoint) {
    CMYKTone tone;
    SetNewCMYKTone(tone);
    PStrFromView(tone.name, name, kMaxToneNameLength);
    if (midLevel != kNoPoint) {
        for (CToneInfo& curve : tone.tone)
            curve.levels[6] = midLevel;
    }
    return tone;
}

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/orvane-store-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = std::filesystem::canonical(pattern).string();
        for (const char* sub : {"/home", "/config", "/cache", "/system/etc/cups/ppd"})
            std::filesystem::create_directories(root_ + sub);
        env_.emplace_back(std::make_unique<ScopedEnvVar>("HOME", (root_ + "/home").c_str()));
        env_.emplace_back(
            std::make_unique<ScopedEnvVar>("XDG_CONFIG_HOME", (root_ + "/config").c_str()));
        env_.emplace_back(
            std::make_unique<ScopedEnvVar>("XDG_CACHE_HOME", (root_ + "/cache").c_str()));
        env_.emplace_back(
            std::make_unique<ScopedEnvVar>("ORVANE_ROOT", (root_ + "/system").c_str()));
        env_.emplace_back(std::make_unique<ScopedEnvVar>("ORVANE_OS_LEVEL", "1"));
        rightsScope_.emplace(rights_);
        AUTH_CANCEL_Flag = 0;

        glue_ = NewGlueRec();
        ASSERT_NE(glue_, nullptr);
        glue_->services = {&alerts_, &chooser_, &asker_, &positions_, nullptr};
        ASSERT_EQ(OpenApplicationResFile(glue_), noErr);
        ASSERT_EQ(DoInit(glue_), noErr);
    }

    void TearDown() override {
        if (glue_) {
            DisposeAllDialogs(glue_);
            CloseApplicationResFile(glue_);
            DisposeGlueRec(glue_);
        }
        rightsScope_.reset();
        env_.clear();
        AUTH_CANCEL_Flag = 0;
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

    // Opens the dialog's state as the command line does (no window), or with a window.
    OSErr Open(DialogRef dialog = nullptr) {
        return OpenAdjustHalftoneDialog(glue_, dialog, registered_, ppd_, &view_);
    }
    // Closes without questions and opens again: what the next run of the program sees.
    OSErr Reopen() {
        DisposeAllDialogs(glue_);
        registered_.DeleteAllRows();
        ppd_.DeleteAllRows();
        glue_->startingUp = 1;
        return Open();
    }

    SettingPrivateRec& state() { return *glue_->dialogState; }
    ToneRes4Rec& prefsWorking() { return *glue_->dialogState->prefsWorking; }
    PPDTone4Rec& ppdWorking() { return *glue_->dialogState->ppdWorking; }

    std::string PPDFolder() const { return root_ + "/system/etc/cups/ppd"; }
    // Copies a sample PPD into the system root's printer-description folder.
    std::string InstallSamplePPD(const std::string& name = "Quillmark_ColorPage_5.ppd") {
        const std::string to = PPDFolder() + "/" + name;
        std::filesystem::copy_file(std::string(ORVANE_SOURCE_DIR) + "/sample/root/etc/cups/ppd/" +
                                       name,
                                   to, std::filesystem::copy_options::overwrite_existing);
        chmod(to.c_str(), 0644);
        return to;
    }
    static FSSpec SpecFor(const std::string& path) {
        FSSpec spec{};
        EXPECT_EQ(HostFSSpecForPath(path, spec), noErr) << path;
        return spec;
    }

    std::string PrefsPath() const {
        std::string path;
        EXPECT_EQ(HostPathForFSSpec(glue_->prefsFileSpec, path), noErr);
        return path;
    }
    // The data of one resource of a file's resource fork, read from its sidecar's bytes;
    // nullopt when the file has no such resource.
    static std::optional<std::vector<uint8_t>> ResourceBytes(const std::string& path, ResType type,
                                                             int16_t id) {
        AppleDoubleImage sidecar;
        EXPECT_EQ(ReadSidecar(path, sidecar), noErr);
        ResourceForkImage fork;
        EXPECT_EQ(ParseResourceFork(sidecar.resourceFork, fork), noErr);
        for (const ResourceEntry& entry : fork.entries) {
            if (entry.type == type && entry.id == id)
                return entry.data;
        }
        return std::nullopt;
    }
    std::optional<std::vector<uint8_t>> PrefsResource(ResType type, int16_t id) const {
        return ResourceBytes(PrefsPath(), type, id);
    }

    // Names of a list's rows and of its record, which must agree.
    static std::vector<std::string> Rows(const MemoryListView& list) { return list.rows(); }
    template <typename Record> static std::vector<std::string> Names(const Record& record) {
        std::vector<std::string> names;
        for (int i = 0; i < record.count; ++i)
            names.emplace_back(PStrView(record.tones[i].name));
        return names;
    }

    std::string root_;
    GlueRec* glue_ = nullptr;
    MemoryListView registered_;
    MemoryListView ppd_;
    RecordingAdjustView view_;
    ScriptedAlertHost alerts_{2};
    ScriptedAdminRights rights_;
    ScriptedFileChooser chooser_;
    ScriptedNameAsker asker_;
    FixedWindowPositions positions_;

private:
    std::vector<std::unique_ptr<ScopedEnvVar>> env_;
    std::optional<ScopedAdminRights> rightsScope_;
};

} // namespace orvane::testing
