// File-system helpers over locations: finding, creating and deleting files and folders,
// type and creator, resource forks.
#include "support/FileHelpers.h"

#include "base/PStringView.h"
#include "host/resources/ResourceFileFixture.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

class FileHelpersTest : public testing::ResourceFileTest {
protected:
    static int32_t FolderID(const std::string& path) {
        int32_t id = 0;
        EXPECT_EQ(HostFolderIDForPath(path, id), noErr) << path;
        return id;
    }
    static int HasFork(const FSSpec& spec) {
        uint8_t hasFork = 9;
        EXPECT_EQ(TheFileHasResourceFork(spec, &hasFork), noErr);
        return hasFork;
    }
};

TEST_F(FileHelpersTest, CreatedFilesTypesCreatorsAndForks) {
    const FSSpec spec = Spec("new");
    WriteFile(SidecarPath(Path("new")), "stale"); // an earlier file's must not carry over
    ASSERT_EQ(MyOnlyCreateFile(spec), noErr);
    EXPECT_FALSE(Exists(SidecarPath(Path("new"))));
    EXPECT_EQ(HasFork(spec), 0);
    EXPECT_EQ(MyOnlyCreateFile(spec), dupFNErr);
    EXPECT_EQ(FindNamedFile(spec), noErr);
    EXPECT_EQ(FindNamedFile(Spec("home")), dupFNErr);
    EXPECT_EQ(FindNamedFile(Spec("missing")), fnfErr);

    ASSERT_EQ(MyCreateResFile(spec), noErr);
    EXPECT_EQ(HasFork(spec), 1);
    EXPECT_EQ(MyCreateResFile(spec), dupFNErr) << "an existing fork is never replaced";
    ASSERT_EQ(MySetFileTypeAndCreator(spec, MakeFourCC("pref"), MakeFourCC("Hvtk")), noErr);
    EXPECT_EQ(HasFork(spec), 1) << "setting type and creator keeps the fork";
    OSType type = 1, creator = 1;
    ASSERT_EQ(MyGetFileTypeAndCreator(spec, &type, &creator), noErr);
    EXPECT_EQ(std::make_pair(type, creator),
              std::make_pair(MakeFourCC("pref"), MakeFourCC("Hvtk")));

    // A missing file is not created by setting its type, and a damaged sidecar stays.
    EXPECT_EQ(MySetFileTypeAndCreator(Spec("missing"), 1, 2), fnfErr);
    EXPECT_FALSE(Exists(Path("missing")) || Exists(SidecarPath(Path("missing"))));
    WriteFile(Path("f"), "x");
    WriteFile(SidecarPath(Path("f")), "garbage that is not AppleDouble");
    EXPECT_EQ(MySetFileTypeAndCreator(Spec("f"), 1, 2), mapReadErr);
    EXPECT_EQ(ReadFile(SidecarPath(Path("f"))), "garbage that is not AppleDouble");

    ASSERT_EQ(MyDeleteFile(spec), noErr);
    EXPECT_FALSE(Exists(Path("new")) || Exists(SidecarPath(Path("new"))));
    EXPECT_EQ(MyDeleteFile(spec), fnfErr);
}

TEST_F(FileHelpersTest, CreateFolderMakesOrEmptiesAFolderButNeverReplacesAFileOrLink) {
    int32_t id = -1;
    ASSERT_EQ(MyCreateFolder(Spec("Tonevault"), &id), noErr);
    WriteFile(Path("Tonevault/file"), "x");
    const int32_t first = id;
    ASSERT_EQ(MyCreateFolder(Spec("Tonevault"), &id), noErr);
    EXPECT_TRUE(std::filesystem::is_empty(Path("Tonevault")));
    EXPECT_EQ(id, first) << "the same place keeps its ID";

    WriteFile(Path("taken"), "keep me");
    EXPECT_EQ(MyCreateFolder(Spec("taken"), &id), dupFNErr);
    EXPECT_EQ(ReadFile(Path("taken")), "keep me");
    MakeFolder(Path("outside"));
    WriteFile(Path("outside/precious"), "x");
    ASSERT_EQ(symlink(Path("outside").c_str(), Path("linked").c_str()), 0);
    FSSpec link{kHostVolumeRefNum, FolderID(root()), {}};
    PStrFromView(link.name, "linked");
    EXPECT_EQ(MyCreateFolder(link, &id), dupFNErr);
    EXPECT_TRUE(Exists(Path("outside/precious")));
}

TEST_F(FileHelpersTest, DeleteDirectoryTakesTheTreeButNeverFollowsALink) {
    MakeFolder(Path("outside"));
    WriteFile(Path("outside/survivor"), "must survive");
    MakeFolder(Path("victim/a/b"));
    WriteFile(Path("victim/._file"), "sidecar");
    WriteFile(Path("victim/a/b/deep"), "3");
    ASSERT_EQ(mkfifo(Path("victim/a/fifo").c_str(), 0600), 0);
    for (const char* link : {"victim/to-folder", "victim/a/b/deeper"})
        ASSERT_EQ(symlink(Path("outside").c_str(), Path(link).c_str()), 0);
    ASSERT_EQ(symlink(Path("outside/survivor").c_str(), Path("victim/to-file").c_str()), 0);
    ASSERT_EQ(MyDeleteDirectory(kHostVolumeRefNum, FolderID(Path("victim"))), noErr);
    EXPECT_FALSE(Exists(Path("victim")));
    EXPECT_EQ(ReadFile(Path("outside/survivor")), "must survive");

    // A folder that became a link since it got its ID.
    MakeFolder(Path("was-folder"));
    const int32_t id = FolderID(Path("was-folder"));
    std::filesystem::remove(Path("was-folder"));
    ASSERT_EQ(symlink(Path("outside").c_str(), Path("was-folder").c_str()), 0);
    EXPECT_NE(MyDeleteDirectory(kHostVolumeRefNum, id), noErr);
    EXPECT_TRUE(Exists(Path("outside/survivor")));
    EXPECT_EQ(MyDeleteDirectory(kHostVolumeRefNum, kRootFolderID), permErr);
}

} // namespace
} // namespace orvane
