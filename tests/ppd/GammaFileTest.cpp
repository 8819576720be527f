// The gamma file and its folders, made in a temporary system root with a temporary bundle
// that names the vendor. The scripted backend stands in for administrator rights.
#include "ppd/GammaFile.h"

#include "host/files/HostPaths.h"
#include "host/folders/SystemRoot.h"
#include "host/resources/Sidecar.h"
#include "host/rights/ScriptedAdminRights.h"
#include "support/FileHelpers.h"
#include "support/PString.h"

#include "host/files/HostTestFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <set>

namespace orvane {
namespace {

using testing::HostFolderTest;
using testing::ScopedEnv;

std::set<std::string> Tree(const std::string& root) {
    std::set<std::string> items;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        items.insert(entry.path().string());
    return items;
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

class GammaFileTest : public HostFolderTest {
protected:
    void SetUp() override {
        HostFolderTest::SetUp();
        system_ = root() + "/system";
        MakeFolder(system_);
        rootEnv_.emplace("ORVANE_ROOT", system_);
        bundle_.emplace("ORVANE_BUNDLE_DIR", root() + "/bundle");
        SetOemName("Acme Print");
        // New folders and files come out without group write, so the mode changes show.
        oldMask_ = umask(022);
        glue_ = NewGlueRec();
        ASSERT_NE(glue_, nullptr);
        glue_->osLevel = 2;
    }
    void TearDown() override {
        DisposeGlueRec(glue_);
        umask(oldMask_);
        bundle_.reset();
        rootEnv_.reset();
        HostFolderTest::TearDown();
    }

    void SetOemName(const std::string& name) {
        MakeFolder(root() + "/bundle");
        WriteFile(root() + "/bundle/Info.plist",
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
                  "<key>OEM Name</key><string>" +
                      name + "</string>\n</dict>\n</plist>\n");
    }
    void SetNickname(const std::string& nickname) {
        ASSERT_TRUE(PStrFromView(glue_->ppdNickname, nickname));
    }

    std::string Support() const { return system_ + "/var/lib"; }
    std::string Tonevault() const { return Support() + "/Acme Print/Tonevault"; }
    std::string GammaPath(const std::string& folder) const {
        return Tonevault() + "/" + folder + "/PPDGAM";
    }
    std::string SpecPath() const {
        std::string path;
        EXPECT_EQ(HostPathForFSSpec(glue_->gammaFileSpec, path), noErr);
        return path;
    }

    std::string system_;
    GlueRec* glue_ = nullptr;
    ScriptedAdminRights scripted_;
    ScopedAdminRights installed_{scripted_};

private:
    std::optional<ScopedEnv> rootEnv_, bundle_;
    mode_t oldMask_ = 0;
};

TEST_F(GammaFileTest, FirstRunCreatesTheFoldersAndAnEmptyFileWithAFork) {
    SetNickname("Acme ColorJet 9000 PS");
    ASSERT_EQ(Make_gam_file(glue_), noErr);

    const std::string file = GammaPath("Acme ColorJet 9000 PS");
    EXPECT_EQ(SpecPath(), file);
    EXPECT_EQ(ReadFile(file), "");
    EXPECT_TRUE(Exists(SidecarPath(file)));
    OSType type = 0, creator = 0;
    EXPECT_EQ(MyGetFileTypeAndCreator(glue_->gammaFileSpec, &type, &creator), noErr);
    EXPECT_EQ(type, MakeFourCC("TEXT"));
    EXPECT_EQ(creator, MakeFourCC("????"));
    uint8_t hasFork = 0;
    EXPECT_EQ(TheFileHasResourceFork(glue_->gammaFileSpec, &hasFork), noErr);
    EXPECT_EQ(hasFork, 1);

    // Every user of the group may write the new items, the sidecar included.
    EXPECT_EQ(ModeOf(Tonevault()), 0775u);
    EXPECT_EQ(ModeOf(Tonevault() + "/Acme ColorJet 9000 PS"), 0775u);
    EXPECT_EQ(ModeOf(file), 0664u);
    EXPECT_EQ(ModeOf(SidecarPath(file)), 0664u);
    EXPECT_EQ(scripted_.requests(), 0);
}

TEST_F(GammaFileTest, SecondRunCreatesNothingAndKeepsTheContents) {
    SetNickname("Printer One");
    ASSERT_EQ(Make_gam_file(glue_), noErr);
    const FSSpec first = glue_->gammaFileSpec;
    WriteFile(GammaPath("Printer One"), "*tone block*\n\n\n");
    const std::vector<uint8_t> sidecarBefore = [&] {
        std::ifstream in(SidecarPath(GammaPath("Printer One")), std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }();
    const auto before = Tree(system_);

    ASSERT_EQ(Make_gam_file(glue_), noErr);
    EXPECT_EQ(Tree(system_), before);
    EXPECT_EQ(ReadFile(GammaPath("Printer One")), "*tone block*\n\n\n");
    std::ifstream in(SidecarPath(GammaPath("Printer One")), std::ios::binary);
    EXPECT_EQ(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}), sidecarBefore);
    EXPECT_EQ(std::memcmp(&first, &glue_->gammaFileSpec, sizeof first), 0);
}

TEST_F(GammaFileTest, ExistingTonevaultIsOpenedToTheGroupWithEverythingInIt) {
    SetNickname("Printer One");
    ASSERT_EQ(Make_gam_file(glue_), noErr);
    const std::string stray = Tonevault() + "/Printer One/notes";
    WriteFile(stray, "x");
    chmod(stray.c_str(), 0644);
    chmod(Tonevault().c_str(), 0755);
    ASSERT_EQ(Make_gam_file(glue_), noErr);
    EXPECT_EQ(ModeOf(Tonevault()), 0775u);
    EXPECT_EQ(ModeOf(stray), 0664u);
}

TEST_F(GammaFileTest, TwoNicknamesGetTwoFolders) {
    SetNickname("Printer One");
    ASSERT_EQ(Make_gam_file(glue_), noErr);
    const FSSpec one = glue_->gammaFileSpec;
    SetNickname("Printer Two");
    ASSERT_EQ(Make_gam_file(glue_), noErr);
    const int32_t oneFolder = one.parID; // packed fields: copied before comparing
    const int32_t twoFolder = glue_->gammaFileSpec.parID;
    EXPECT_NE(oneFolder, twoFolder);
    EXPECT_TRUE(Exists(GammaPath("Printer One")));
    EXPECT_TRUE(Exists(GammaPath("Printer Two")));
    EXPECT_EQ(SpecPath(), GammaPath("Printer Two"));
}

TEST_F(GammaFileTest, EmptyNicknameLeavesNoGammaFileNotThePreviousOne) {
    FSSpec marker{};
    marker.vRefNum = 7;
    marker.parID = 1234;
    PStrFromView(marker.name, "marker");
    glue_->gammaFileSpec = marker;
    EXPECT_EQ(Make_gam_file(glue_), kNoGammaFileCode);
    EXPECT_EQ(glue_->gammaFileSpec.name[0], 0);
    EXPECT_TRUE(Exists(Tonevault()));
    EXPECT_TRUE(std::filesystem::is_empty(Tonevault()));
}

TEST_F(GammaFileTest, OtherSystemLevelsDoNothing) {
    SetNickname("Printer One");
    for (uint16_t level : {0, 1, 3}) {
        glue_->osLevel = level;
        EXPECT_EQ(Make_gam_file(glue_), paramErr);
    }
    EXPECT_EQ(Make_gam_file(nullptr), paramErr);
    EXPECT_TRUE(std::filesystem::is_empty(system_));
}

TEST_F(GammaFileTest, NicknamesAreMadeFitForFolderNames) {
    SetNickname("Acme 1/2 Duplex");
    ASSERT_EQ(Make_gam_file(glue_), noErr);
    EXPECT_EQ(SpecPath(), GammaPath("Acme 1:2 Duplex"));
    SetNickname("..");
    ASSERT_EQ(Make_gam_file(glue_), noErr);
    EXPECT_EQ(SpecPath(), GammaPath(":."));
    // The vendor's name goes through the same mapping.
    SetOemName("Acme/Print");
    SetNickname("P");
    ASSERT_EQ(Make_gam_file(glue_), noErr);
    EXPECT_EQ(SpecPath(), Support() + "/Acme:Print/Tonevault/P/PPDGAM");
}

TEST(GammaFolderName, MapsWhatAFolderNameCannotHold) {
    using namespace std::string_literals;
    const std::pair<std::string, std::string> cases[] = {
        {"Plain Name (recommended)", "Plain Name (recommended)"},
        {"a/b/c", "a:b:c"},
        {"nul\0inside"s, "nul:inside"},
        {".", ":"},
        {"..", ":."},
        {"._sidecar-like", ":_sidecar-like"},
        {"x.y.", "x.y."},
        {"\xE6\x97\xA5\xE6\x9C\xAC", "\xE6\x97\xA5\xE6\x9C\xAC"},
    };
    for (const auto& [name, folder] : cases)
        EXPECT_EQ(GammaFolderName(name), folder) << name;
}

TEST_F(GammaFileTest, MissingVendorNameIsAMissingResource) {
    WriteFile(root() + "/bundle/Info.plist",
              "<?xml version=\"1.0\"?>\n<plist version=\"1.0\"><dict></dict></plist>\n");
    SetNickname("P");
    EXPECT_EQ(Make_gam_file(glue_), resNotFound);
    SetOemName(std::string(256, 'v'));
    EXPECT_EQ(Make_gam_file(glue_), bdNamErr);
}

TEST_F(GammaFileTest, AFileWhereAFolderBelongsIsReported) {
    MakeFolder(Support() + "/Acme Print");
    WriteFile(Tonevault(), "not a folder");
    SetNickname("P");
    EXPECT_EQ(Make_gam_file(glue_), dupFNErr);
}

TEST_F(GammaFileTest, AFolderNamedLikeTheFileIsReported) {
    SetNickname("P");
    MakeFolder(GammaPath("P"));
    EXPECT_EQ(Make_gam_file(glue_), dupFNErr);
}

TEST_F(GammaFileTest, ADanglingLinkInThePlaceOfTheFileIsReplaced) {
    SetNickname("P");
    MakeFolder(Tonevault() + "/P");
    ASSERT_EQ(symlink("nowhere", GammaPath("P").c_str()), 0);
    ASSERT_EQ(Make_gam_file(glue_), noErr);
    struct stat st {};
    ASSERT_EQ(lstat(GammaPath("P").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
}

TEST_F(GammaFileTest, VendorFolderThatCannotBeMadeGives1011) {
    // A dangling link holds the name: the folder can neither be found nor created, and the
    // probe finds the name taken, so nobody is asked.
    MakeFolder(Support());
    ASSERT_EQ(symlink("nowhere", (Support() + "/Acme Print").c_str()), 0);
    SetNickname("P");
    EXPECT_EQ(Make_gam_file(glue_), kGammaFolderUnavailableErr);
    EXPECT_EQ(scripted_.requests(), 0);
}

TEST_F(GammaFileTest, VendorFolderInAClosedFolderIsMadeWithTheRights) {
    if (testing::RunningAsRoot())
        GTEST_SKIP() << "root may create folders anywhere";
    MakeFolder(Support());
    chmod(Support().c_str(), 0555);
    SetNickname("P");
    // The scripted backend runs nothing, so the folder still is not there afterwards.
    EXPECT_EQ(Make_gam_file(glue_), kGammaFolderUnavailableErr);
    EXPECT_THAT(scripted_.runs(),
                ::testing::ElementsAre(
                    ToolArguments{"/usr/bin/id", "-un"},
                    ToolArguments{"/bin/mkdir", "-p", "-m", "go+w", Support() + "/Acme Print"}));
}

TEST(SystemRoot, ComesFromTheEnvironment) {
    {
        ScopedEnv root("ORVANE_ROOT", "/tmp/sys/");
        EXPECT_EQ(SystemRoot(), "/tmp/sys");
        EXPECT_EQ(UnderSystemRoot("/var/lib"), "/tmp/sys/var/lib");
    }
    for (const char* ignored : {"", "relative/root"}) {
        ScopedEnv root("ORVANE_ROOT", ignored);
        EXPECT_EQ(SystemRoot(), "/");
        EXPECT_EQ(UnderSystemRoot("/var/lib"), "/var/lib");
    }
}

} // namespace
} // namespace orvane
