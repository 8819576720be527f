// Start-up without windows: the system level, the preferences file's folder and name, and
// creating the file on the first run.
#include "app/Startup.h"

#include "app/StoreFixture.h"
#include "host/resources/AppleDouble.h"
#include "support/FileHelpers.h"

namespace orvane::testing {
namespace {

class StartupTest : public TempRoot {
protected:
    void SetUp() override {
        TempRoot::SetUp();
        const char* bundle = std::getenv("ORVANE_BUNDLE_DIR");
        builtBundle_ = bundle && *bundle ? bundle : ORVANE_BUILD_DIR "/share/orvane";
        config_.emplace("XDG_CONFIG_HOME", Path("config/nested"));
        system_.emplace("ORVANE_ROOT", Path("system"));
        level_.emplace("ORVANE_OS_LEVEL", nullptr);
        glue_ = NewGlueRec();
        ASSERT_NE(glue_, nullptr);
    }
    void TearDown() override {
        SetSystemLevelOption(-1);
        CloseApplicationResFile(glue_);
        DisposeGlueRec(glue_);
        bundle_.reset();
        level_.reset();
        system_.reset();
        config_.reset();
        TempRoot::TearDown();
    }
    // A copy of the bundle whose "Preferences File Name" is `name`.
    void UseBundleWithPrefsName(const std::string& name) {
        const std::string bundle = Path("bundle");
        std::filesystem::remove_all(bundle);
        std::filesystem::copy(builtBundle_, bundle, std::filesystem::copy_options::recursive);
        std::string plist = ReadFile(bundle + "/Info.plist");
        const size_t open = plist.find("<string>", plist.find("<key>Preferences File Name</key>"));
        const size_t close = plist.find("</string>", open);
        ASSERT_NE(close, std::string::npos);
        WriteFile(bundle + "/Info.plist", plist.replace(open + 8, close - open - 8, name));
        if (!bundle_)
            bundle_.emplace("ORVANE_BUNDLE_DIR", bundle);
    }
    OSErr Start() {
        CloseApplicationResFile(glue_);
        const OSErr err = OpenApplicationResFile(glue_);
        return err != noErr ? err : DoInit(glue_);
    }
    std::string PrefsPath() {
        std::string path;
        EXPECT_EQ(HostPathForFSSpec(glue_->prefsFileSpec, path), noErr);
        return path;
    }

    std::string builtBundle_;
    GlueRec* glue_ = nullptr;
    std::optional<ScopedEnv> config_, system_, level_, bundle_;
};

// The level itself (option, environment, refusal) is run end to end in OrvanectlTest.
TEST_F(StartupTest, ABadSystemLevelStopsStartUp) {
    ScopedEnv bad("ORVANE_OS_LEVEL", "1x");
    EXPECT_EQ(Start(), kBadSystemLevelErr);
    SetSystemLevelOption(2);
    ASSERT_EQ(Start(), noErr) << "the front end's option wins";
    EXPECT_EQ(glue_->osLevel, 2);
}

TEST_F(StartupTest, WithoutXdgConfigHomeThePreferencesGoToDotConfig) {
    ScopedEnv noXdg("XDG_CONFIG_HOME", nullptr);
    ASSERT_EQ(Start(), noErr);
    EXPECT_EQ(PrefsPath(), Path("home/.config/Orvane Preferences"));
}

TEST_F(StartupTest, TheBundleNamesTheFileFromLevelOneOnAndANameMustFitAFileName) {
    UseBundleWithPrefsName("Orvane Test Prefs");
    for (int level : {0, 1, 2}) {
        SetSystemLevelOption(level);
        ASSERT_EQ(Start(), noErr) << level;
        EXPECT_EQ(PStrToString(glue_->prefsFileSpec.name),
                  level == 0 ? "Orvane Preferences" : "Orvane Test Prefs")
            << level;
    }
    for (const std::string& name : {std::string(64, 'n'), std::string("a/b")}) {
        UseBundleWithPrefsName(name);
        EXPECT_EQ(Start(), bdNamErr) << "refused, not cut: " << name;
    }
}

} // namespace
} // namespace orvane::testing
