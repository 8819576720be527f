// The program started as the front ends start it, in a temporary root (ORVANE_ROOT inside
// it, system level 1), with scripted alerts, choosers and administrator rights, and the
// Adjust Halftone state over two in-memory lists.
#pragma once

#include "app/AdjustHalftone.h"
#include "app/SettingsLists.h"
#include "app/Startup.h"
#include "core/State.h"
#include "host/alerts/AlertHost.h"
#include "host/files/HostPaths.h"
#include "host/resources/ResourceFileFixture.h"
#include "host/rights/ScriptedAdminRights.h"
#include "host/ui/Choosers.h"
#include "host/ui/ListView.h"
#include "host/ui/WindowPositions.h"
#include "store/Preferences.h"
#include "support/PString.h"

#include <cstring>
#include <optional>
#include <vector>

namespace orvane::testing {

// Records what the dialog would show besides its lists.
class RecordingAdjustView final : public AdjustHalftoneView {
public:
    void SetPPDNameText(std::string_view text) override { ppdNameText = std::string(text); }
    void SetEnabledItems(const AdjustItemSet& items) override { enabled = items; }
    std::string ppdNameText;
    AdjustItemSet enabled;
};

// A setting with one curve for all inks: the straight line, or with a point at 50 %.
inline CMYKTone MakeTone(std::string_view name, int32_t midLevel = kNoPoint) {
    CMYKTone tone;
    SetNewCMYKTone(tone);
    PStrFromView(tone.name, name, kMaxToneNameLength);
    for (CToneInfo& curve : tone.tone)
        curve.levels[6] = midLevel;
    return tone;
}

class StoreTest : public TempRoot {
protected:
    void SetUp() override {
        TempRoot::SetUp();
        MakeFolder(PPDFolder());
        systemRoot_.emplace("ORVANE_ROOT", Path("system"));
        osLevel_.emplace("ORVANE_OS_LEVEL", "1");
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
        osLevel_.reset();
        systemRoot_.reset();
        AUTH_CANCEL_Flag = 0;
        TempRoot::TearDown();
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
    OSErr Add(std::string_view name, bool registered = true, int32_t mid = kNoPoint) {
        return AdjustHalftoneDialogAppendEntry(glue_, registered, MakeTone(name, mid));
    }

    SettingPrivateRec& state() { return *glue_->dialogState; }
    ToneRes4Rec& prefsWorking() { return *glue_->dialogState->prefsWorking; }
    PPDTone4Rec& ppdWorking() { return *glue_->dialogState->ppdWorking; }

    std::string PPDFolder() const { return Path("system/etc/cups/ppd"); }
    // Copies a sample PPD into the system root's printer-description folder.
    std::string InstallSamplePPD(const std::string& name = "Quillmark_ColorPage_5.ppd") {
        const std::string to = PPDFolder() + "/" + name;
        WriteFile(to,
                  ReadFile(std::string(ORVANE_SOURCE_DIR) + "/sample/root/etc/cups/ppd/" + name));
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
    std::optional<std::vector<uint8_t>> PrefsResource(ResType type, int16_t id) const {
        return SidecarResource(PrefsPath(), type, id);
    }

    template <typename Record> static std::vector<std::string> Names(const Record& record) {
        std::vector<std::string> names;
        for (int i = 0; i < record.count; ++i)
            names.emplace_back(PStrView(record.tones[i].name));
        return names;
    }

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
    std::optional<ScopedEnv> systemRoot_, osLevel_;
    std::optional<ScopedAdminRights> rightsScope_;
};

} // namespace orvane::testing
