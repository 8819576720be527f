// The PPD floor's fixture: a printer folder in the temporary root (ORVANE_ROOT), the
// application's resources open, a dialog state whose chosen PPD a test writes, and scripted
// administrator rights; with the settings and records the tests compare.
#pragma once

#include "core/AppResources.h"
#include "core/State.h"
#include "host/files/HostPaths.h"
#include "host/resources/ResourceFileFixture.h"
#include "host/resources/ResourceManager.h"
#include "host/rights/ScriptedAdminRights.h"
#include "ppd/PPDWriter.h"
#include "ppd/ToneBlock.h"
#include "support/PString.h"
#include "tone/ToneRecords.h"
#include "tone/ToneTables.h"

#include <cstring>
#include <optional>
#include <vector>

namespace orvane::testing {

// A setting named `name` whose curves are gamma values x 100: one for all inks, or four.
inline CMYKTone GammaSetting(const char* name, std::initializer_list<int32_t> gammas) {
    CMYKTone tone;
    SetNewCMYKTone(tone);
    PStrFromView(tone.name, name, kMaxToneNameLength);
    tone.sameCurve = gammas.size() == 1;
    int ink = 0;
    for (const int32_t g : gammas)
        EXPECT_EQ(MakeGammaToneInfo(tone.tone[ink++], g), noErr);
    for (; tone.sameCurve && ink < kInkCount; ++ink)
        tone.tone[ink] = tone.tone[kCyan];
    return tone;
}

inline PPDTone4Rec ListOf(std::initializer_list<CMYKTone> tones) {
    PPDTone4Rec list;
    std::memset(&list, 0, sizeof list);
    for (const CMYKTone& t : tones)
        list.tones[list.count++] = t;
    return list;
}

inline std::vector<uint8_t> BigEndianRecord(const PPDTone4Rec& list) {
    PPDTone4Rec disk = list;
    SwapPPDTone4Rec(disk);
    const auto* p = reinterpret_cast<const uint8_t*>(&disk);
    return {p, p + sizeof disk};
}

// Replaces a file's sidecar by one holding only `record` as its 'VrTn' 128.
inline void StoreSidecarRecord(const std::string& path, const std::vector<uint8_t>& record) {
    ResourceForkImage fork;
    fork.entries.push_back({});
    fork.entries[0].type = kPPDToneResType;
    fork.entries[0].id = kPPDToneResID;
    fork.entries[0].data = record;
    AppleDoubleImage image;
    ASSERT_EQ(SerializeResourceFork(fork, image.resourceFork), noErr);
    image.hasResourceFork = true;
    ASSERT_EQ(WriteSidecar(path, image), noErr);
}

class PPDFolderTest : public TempRoot {
protected:
    void SetUp() override {
        TempRoot::SetUp();
        MakeFolder(ppdDir());
        systemRoot_.emplace("ORVANE_ROOT", root());
        glue_ = NewGlueRec();
        ASSERT_NE(glue_, nullptr);
        glue_->osLevel = 1;
        ASSERT_EQ(OpenApplicationResourceFile(&glue_->appResFile), noErr)
            << "the bundle's Orvane.rsrc must be built (ORVANE_BUNDLE_DIR)";
        glue_->dialogState = NewSettingPrivateRec();
        ASSERT_NE(glue_->dialogState, nullptr);
        rights_.SetRunsTools(true);
        scopedRights_.emplace(rights_);
        AUTH_CANCEL_Flag = 0;
        ppd_type = 0;
    }
    void TearDown() override {
        scopedRights_.reset();
        if (glue_) {
            DisposeSettingPrivateRec(glue_->dialogState);
            if (glue_->appResFile > 0)
                CloseResFile(glue_->appResFile);
            DisposeGlueRec(glue_);
        }
        AUTH_CANCEL_Flag = 0;
        ppd_type = 0;
        systemRoot_.reset();
        TempRoot::TearDown();
    }

    static FSSpec SpecFor(const std::string& path) {
        FSSpec spec{};
        EXPECT_EQ(HostFSSpecForPath(path, spec), noErr) << path;
        return spec;
    }
    // Makes the file at `path` (written with `text` unless empty) the chosen PPD.
    std::string ChoosePath(const std::string& path, const std::string& text) {
        if (!text.empty())
            WriteFile(path, text);
        const FSSpec spec = SpecFor(path);
        SetPPDLocation(*state()->prefsWorking, spec);
        SetPPDLocation(*state()->prefsSaved, spec);
        return path;
    }
    std::string ChoosePPD(const std::string& name, const std::string& text) {
        return ChoosePath(ppdDir() + "/" + name, text);
    }
    // Saves `list` as the chosen PPD's settings.
    SaveOutcome Save(const PPDTone4Rec& list) {
        *state()->ppdWorking = list;
        return AdjustHalftoneSaveToPPDFile(glue_);
    }
    bool SavedIs(const PPDTone4Rec& list) {
        return std::memcmp(state()->ppdSaved, &list, sizeof list) == 0;
    }
    // The block as composed for a PPD of this kind and encoding.
    std::string Block(const PPDTone4Rec& list, bool newBlock, uint16_t ppdType = 0,
                      TextEncoding encoding = kTextEncodingISOLatin1,
                      std::span<const std::string> languages = {}) {
        PPDTexts texts;
        EXPECT_EQ(LoadPPDTexts(glue_, texts), noErr);
        MyUnknownSizePtrClass block;
        EXPECT_EQ(ComposeToneBlock(texts, ppdType, encoding, list, newBlock, block, languages),
                  noErr);
        return {reinterpret_cast<const char*>(block.GetBlock()), block.GetUsedSize()};
    }

    SettingPrivateRec* state() { return glue_->dialogState; }
    GlueRec* glue() { return glue_; }
    std::string ppdDir() const { return Path("etc/cups/ppd"); }
    ScriptedAdminRights& rights() { return rights_; }

private:
    std::optional<ScopedEnv> systemRoot_;
    GlueRec* glue_ = nullptr;
    ScriptedAdminRights rights_;
    std::optional<ScopedAdminRights> scopedRights_;
};

} // namespace orvane::testing
