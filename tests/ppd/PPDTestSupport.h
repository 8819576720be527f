// A printer folder, preferences and cache in a temporary root, the application's resources
// open, and a dialog state whose chosen PPD is a file written by the test.
#pragma once

#include "core/AppResources.h"
#include "core/State.h"
#include "host/files/HostTestFolder.h"
#include "host/files/HostPaths.h"
#include "host/resources/Sidecar.h"
#include "host/resources/ResourceForkFormat.h"
#include "host/resources/ResourceManager.h"
#include "host/rights/AdminRights.h"
#include "host/rights/ScriptedAdminRights.h"
#include "support/PString.h"
#include "tone/ToneRecords.h"
#include "tone/ToneTables.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace orvane::testing {

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

// A one-curve or four-curve setting; `curves` gives gamma values x 100 per ink (or one).
inline CMYKTone GammaSetting(const char* name, std::initializer_list<int32_t> gammas) {
    CMYKTone tone;
    SetNewCMYKTone(tone);
    PStrFromView(tone.name, name, kMaxToneNameLength);
    tone.sameCurve = gammas.size() == 1 ? 1 : 0;
    int ink = 0;
    for (const int32_t g : gammas) {
        EXPECT_EQ(MakeGammaToneInfo(tone.tone[ink], g), noErr);
        ++ink;
    }
    if (tone.sameCurve)
        for (int i = 1; i < kInkCount; ++i)
            tone.tone[i] = tone.tone[kCyan];
    return tone;
}

inline PPDTone4Rec ListOf(std::initializer_list<CMYKTone> tones) {
    PPDTone4Rec list;
    std::memset(&list, 0, sizeof list);
    for (const CMYKTone& t : tones)
        list.tones[list.count++] = t;
    return list;
}

// The stored 'VrTn' 128 of a file's sidecar, as bytes (nothing when absent).
inline std::optional<std::vector<uint8_t>> StoredRecord(const std::string& path) {
    AppleDoubleImage image;
    if (ReadSidecar(path, image) != noErr || !image.hasResourceFork)
        return std::nullopt;
    ResourceForkImage fork;
    if (ParseResourceFork(image.resourceFork, fork) != noErr)
        return std::nullopt;
    for (const ResourceEntry& e : fork.entries)
        if (e.type == kPPDToneResType && e.id == kPPDToneResID)
            return e.data;
    return std::nullopt;
}

class PPDFolderTest : public HostFolderTest {
protected:
    void SetUp() override {
        HostFolderTest::SetUp();
        ppdDir_ = root() + "/etc/cups/ppd";
        std::filesystem::create_directories(ppdDir_);
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
        HostFolderTest::TearDown();
    }

    // Writes a PPD into the printer folder and makes it the chosen PPD.
    std::string ChoosePPD(const std::string& name, const std::string& text) {
        const std::string path = ppdDir_ + "/" + name;
        WriteText(path, text);
        FSSpec spec;
        EXPECT_EQ(HostFSSpecForPath(path, spec), noErr);
        SetPPDLocation(*state()->prefsWorking, spec);
        SetPPDLocation(*state()->prefsSaved, spec);
        return path;
    }

    void SetWorking(const PPDTone4Rec& list) { *state()->ppdWorking = list; }
    SettingPrivateRec* state() { return glue_->dialogState; }
    GlueRec* glue() { return glue_; }
    const std::string& ppdDir() const { return ppdDir_; }
    ScriptedAdminRights& rights() { return rights_; }

private:
    std::string ppdDir_;
    std::optional<ScopedEnv> systemRoot_;
    GlueRec* glue_ = nullptr;
    ScriptedAdminRights rights_;
    std::optional<ScopedAdminRights> scopedRights_;
};

} // namespace orvane::testing
