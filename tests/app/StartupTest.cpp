// Start-up without windows: the system level, the preferences file's folder and name, and
// creating the file on the first run.
#include "app/Startup.h"

#include "host/files/HostPaths.h"
#include "host/resources/Sidecar.h"
#include "host/resources/AppleDouble.h"
#include "app/StoreFixture.h"
#include "support/FileHelpers.h"

namespace orvane::testing {
namespace {

// The build's bundle, or the one ctest names.
std::string BuiltBundle() {
    if (const char* dir = std::getenv("ORVANE_BUNDLE_DIR"); dir && *dir)
        return dir;
    return std::string(ORVANE_BUILD_DIR) + "/share/orvane";
}

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/orvane-startup-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = std::filesystem::canonical(pattern).string();
        builtBundle_ = BuiltBundle();
        std::filesystem::create_directories(root_ + "/home");
        Env("HOME", root_ + "/home");
        Env("XDG_CONFIG_HOME", root_ + "/config/nested");
        Env("XDG_CACHE_HOME", root_ + "/cache");
        Env("ORVANE_ROOT", root_ + "/system");
        env_.emplace_back(std::make_unique<ScopedEnvVar>("ORVANE_OS_LEVEL", nullptr));
        glue_ = NewGlueRec();
        ASSERT_NE(glue_, nullptr);
    }
    void TearDown() override {
        SetSystemLevelOption(-1);
        CloseApplicationResFile(glue_);
        DisposeGlueRec(glue_);
        while (!env_.empty()) // newest first, so a variable set twice gets its first value back
            env_.pop_back();
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    void Env(const char* name, const std::string& value) {
        env_.emplace_back(std::make_unique<ScopedEnvVar>(name, value.c_str()));
    }
    // A copy of the bundle whose "Preferences File Name" is `name`.
    void UseBundleWithPrefsName(const std::string& name) {
        const std::string bundle = root_ + "/bundle";
        std::filesystem::remove_all(bundle);
        std::filesystem::copy(builtBundle_, bundle, std::filesystem::copy_options::recursive);
        std::ifstream in(bundle + "/Info.plist");
        std::string plist((std::istreambuf_iterator<char>(in)), {});
        const std::string key = "<key>Preferences File Name</key>";
        const size_t open = plist.find("<string>", plist.find(key));
        const size_t close = plist.find("</string>", open);
        ASSERT_NE(close, std::string::npos);
        plist.replace(open + 8, close - open - 8, name);
        WriteBytes(bundle + "/Info.plist", plist);
        Env("ORVANE_BUNDLE_DIR", bundle);
    }
    OSErr Start() {
        const OSErr err = OpenApplicationResFile(glue_);
        return err != noErr ? err : DoInit(glue_);
    }
    std::string PrefsPath() {
        std::string path;
        EXPECT_EQ(HostPathForFSSpec(glue_->prefsFileSpec, path), noErr);
        return path;
    }

    std::string root_;
    std::string builtBundle_;
    GlueRec* glue_ = nullptr;
    std::vector<std::unique_ptr<ScopedEnvVar>> env_;
};

struct LevelCase {
    const char* env; // null: unset
    int option;      // -1: none
    OSErr status;
    uint16_t level;
};

class SystemLevelTest : public StartupTest, public ::testing::WithParamInterface<LevelCase> {};

TEST_P(SystemLevelTest, ComesFromTheOptionElseTheEnvironmentElseOne) {
    const LevelCase& c = GetParam();
    ScopedEnvVar level("ORVANE_OS_LEVEL", c.env);
    SetSystemLevelOption(c.option);
    uint16_t osLevel = 99;
    EXPECT_EQ(GetSystemLevel(&osLevel), c.status);
    if (c.status == noErr) {
        EXPECT_EQ(osLevel, c.level);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sources, SystemLevelTest,
    ::testing::Values(LevelCase{nullptr, -1, noErr, 1}, LevelCase{"", -1, noErr, 1},
                      LevelCase{"0", -1, noErr, 0}, LevelCase{"2", -1, noErr, 2},
                      LevelCase{"3", -1, kBadSystemLevelErr, 0},
                      LevelCase{"1x", -1, kBadSystemLevelErr, 0},
                      LevelCase{"-1", -1, kBadSystemLevelErr, 0},
                      // The front end's option wins, also over a bad environment value.
                      LevelCase{"2", 0, noErr, 0}, LevelCase{"junk", 2, noErr, 2},
                      LevelCase{nullptr, 5, kBadSystemLevelErr, 0}));

TEST_F(StartupTest, TheFirstRunCreatesTheFolderAndAnEmptyPreferencesFile) {
    ASSERT_EQ(Start(), noErr);
    EXPECT_EQ(glue_->osLevel, 1);
    EXPECT_EQ(glue_->startingUp, 1);
    const std::string path = PrefsPath();
    EXPECT_EQ(path, root_ + "/config/nested/Orvane Preferences");
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    AppleDoubleImage sidecar;
    ASSERT_EQ(ReadSidecar(path, sidecar), noErr);
    EXPECT_EQ(AppleDoubleFileType(sidecar), MakeFourCC("pref"));
    EXPECT_EQ(AppleDoubleFileCreator(sidecar), MakeFourCC("Hvtk"));
    uint8_t hasFork = 0;
    ASSERT_EQ(TheFileHasResourceFork(glue_->prefsFileSpec, &hasFork), noErr);
    EXPECT_TRUE(sidecar.hasResourceFork);
    // The application's own file is known by its location.
    std::string appPath;
    ASSERT_EQ(HostPathForFSSpec(glue_->appFileSpec, appPath), noErr);
    EXPECT_EQ(std::filesystem::path(appPath).filename(), "Orvane.rsrc");
}

TEST_F(StartupTest, WithoutXdgConfigHomeThePreferencesGoToDotConfig) {
    ScopedEnvVar noXdg("XDG_CONFIG_HOME", nullptr);
    ASSERT_EQ(Start(), noErr);
    EXPECT_EQ(PrefsPath(), root_ + "/home/.config/Orvane Preferences");
}

TEST_F(StartupTest, AnExistingFileIsKeptAsItIs) {
    ASSERT_EQ(Start(), noErr);
    const std::string path = PrefsPath();
    const std::vector<uint8_t> sidecar = ReadBytes(SidecarPath(path));
    CloseApplicationResFile(glue_);
    ASSERT_EQ(Start(), noErr);
    EXPECT_EQ(ReadBytes(SidecarPath(path)), sidecar);
}

TEST_F(StartupTest, AFileThatLostItsResourcesGetsAnEmptyForkAgain) {
    ASSERT_EQ(Start(), noErr);
    const std::string path = PrefsPath();
    ASSERT_EQ(DeleteSidecar(path), noErr);
    CloseApplicationResFile(glue_);
    ASSERT_EQ(Start(), noErr);
    AppleDoubleImage sidecar;
    ASSERT_EQ(ReadSidecar(path, sidecar), noErr);
    EXPECT_TRUE(sidecar.hasResourceFork);
}

TEST_F(StartupTest, AFolderInThePlaceOfTheFileStopsStartUp) {
    std::filesystem::create_directories(root_ + "/config/nested/Orvane Preferences");
    EXPECT_EQ(Start(), dupFNErr);
}

TEST_F(StartupTest, ABadSystemLevelStopsStartUp) {
    Env("ORVANE_OS_LEVEL", "7");
    EXPECT_EQ(Start(), kBadSystemLevelErr);
}

TEST_F(StartupTest, LevelsOneAndTwoTakeTheBundlesNameLevelZeroTheResource) {
    UseBundleWithPrefsName("Orvane Test Prefs");
    for (int level : {0, 1, 2}) {
        SetSystemLevelOption(level);
        ASSERT_EQ(Start(), noErr) << level;
        EXPECT_EQ(PStrToString(glue_->prefsFileSpec.name),
                  level == 0 ? "Orvane Preferences" : "Orvane Test Prefs")
            << level;
        CloseApplicationResFile(glue_);
    }
}

TEST_F(StartupTest, ANameThatCannotBeAFileNameIsRefusedNotCut) {
    UseBundleWithPrefsName(std::string(64, 'n'));
    EXPECT_EQ(Start(), bdNamErr);
    CloseApplicationResFile(glue_);
    UseBundleWithPrefsName("a/b");
    EXPECT_EQ(Start(), bdNamErr);
}

} // namespace
} // namespace orvane::testing
