// File-system helpers over locations: finding, creating and deleting files and folders,
// type and creator, resource forks.
#include "support/FileHelpers.h"
#include "host/files/HostTestFolder.h"
#include "host/files/FileTable.h"
#include "host/resources/Sidecar.h"
#include "host/resources/ResourceManager.h"

#include <gtest/gtest.h>

#include <cstring>

namespace orvane {
namespace {

using testing::HostFolderTest;

class FileHelpersTest : public HostFolderTest {
protected:
    int32_t FolderID(const std::string& path) {
        int32_t id = 0;
        EXPECT_EQ(HostFolderIDForPath(path, id), noErr) << path;
        return id;
    }
};

TEST_F(FileHelpersTest, FindNamedFileTellsFilesFromFolders) {
    WriteFile(WorkPath("file"), "x");
    MakeFolder(WorkPath("folder"));
    ASSERT_EQ(symlink("file", WorkPath("link").c_str()), 0);
    EXPECT_EQ(FindNamedFile(SpecFor(WorkPath("file"))), noErr);
    EXPECT_EQ(FindNamedFile(SpecFor(WorkPath("link"))), noErr);
    EXPECT_EQ(FindNamedFile(SpecFor(WorkPath("folder"))), dupFNErr);
    EXPECT_EQ(FindNamedFile(SpecFor(WorkPath("missing"))), fnfErr);

    // An empty name is not found, whatever the folder (even one that does not resolve).
    FSSpec empty{};
    empty.parID = 987654;
    EXPECT_EQ(FindNamedFile(empty), fnfErr);
    Str255 longName;
    PStrFromView(longName, std::string(64, 'n'));
    EXPECT_EQ(FindNamedFile(kHostVolumeRefNum, FolderID(work()), longName), bdNamErr);
}

TEST_F(FileHelpersTest, CreatedFileIsEmptyWithoutTypeOrFork) {
    FSSpec spec = SpecFor(WorkPath("new"));
    // A stale sidecar of an earlier file of that name must not carry over.
    WriteFile(SidecarPath(WorkPath("new")), "stale");
    ASSERT_EQ(MyOnlyCreateFile(spec), noErr);
    EXPECT_EQ(ReadFile(WorkPath("new")), "");
    EXPECT_FALSE(Exists(SidecarPath(WorkPath("new"))));
    OSType type = 1, creator = 1;
    EXPECT_EQ(MyGetFileTypeAndCreator(spec, &type, &creator), noErr);
    EXPECT_EQ(type, 0u);
    EXPECT_EQ(creator, 0u);
    uint8_t hasFork = 9;
    ASSERT_EQ(TheFileHasResourceFork(spec, &hasFork), noErr);
    EXPECT_EQ(hasFork, 0);

    EXPECT_EQ(MyOnlyCreateFile(spec), dupFNErr);
    FSSpec nowhere = spec;
    nowhere.parID = 987654;
    EXPECT_EQ(MyOnlyCreateFile(nowhere), fnfErr);
}

TEST_F(FileHelpersTest, TypeAndCreatorLiveInTheSidecar) {
    WriteFile(WorkPath("gamma"), "text");
    FSSpec spec = SpecFor(WorkPath("gamma"));
    ASSERT_EQ(MySetFileTypeAndCreator(spec, MakeFourCC("TEXT"), MakeFourCC("????")), noErr);
    OSType type = 0, creator = 0;
    ASSERT_EQ(MyGetFileTypeAndCreator(spec, &type, &creator), noErr);
    EXPECT_EQ(type, MakeFourCC("TEXT"));
    EXPECT_EQ(creator, MakeFourCC("????"));
    EXPECT_EQ(ReadFile(WorkPath("gamma")), "text");

    // Setting them keeps the resource fork.
    ASSERT_EQ(MyCreateResFile(spec), noErr);
    ASSERT_EQ(MySetFileTypeAndCreator(kHostVolumeRefNum, spec.parID, spec.name, MakeFourCC("pref"),
                                      MakeFourCC("Hvtk")),
              noErr);
    uint8_t hasFork = 0;
    ASSERT_EQ(TheFileHasResourceFork(spec, &hasFork), noErr);
    EXPECT_EQ(hasFork, 1);
    ASSERT_EQ(MyGetFileTypeAndCreator(spec, &type, &creator), noErr);
    EXPECT_EQ(type, MakeFourCC("pref"));
}

TEST_F(FileHelpersTest, TypeAndCreatorOfAMissingFile) {
    FSSpec spec = SpecFor(WorkPath("missing"));
    EXPECT_EQ(MySetFileTypeAndCreator(spec, MakeFourCC("TEXT"), MakeFourCC("ttxt")), fnfErr);
    EXPECT_FALSE(Exists(WorkPath("missing")));
    EXPECT_FALSE(Exists(SidecarPath(WorkPath("missing"))));

    OSType type = 1, creator = 2;
    EXPECT_EQ(MyGetFileTypeAndCreator(spec, &type, &creator), fnfErr);
    EXPECT_EQ(type, 0u) << "the out values are written even when the read fails";
    EXPECT_EQ(creator, 0u);

    MakeFolder(WorkPath("folder"));
    EXPECT_EQ(MySetFileTypeAndCreator(SpecFor(WorkPath("folder")), 1, 2), fnfErr);
}

TEST_F(FileHelpersTest, DamagedSidecarIsReportedNotOverwritten) {
    WriteFile(WorkPath("f"), "x");
    WriteFile(SidecarPath(WorkPath("f")), "garbage that is not AppleDouble");
    FSSpec spec = SpecFor(WorkPath("f"));
    EXPECT_EQ(MySetFileTypeAndCreator(spec, 1, 2), mapReadErr);
    uint8_t hasFork = 0;
    EXPECT_EQ(TheFileHasResourceFork(spec, &hasFork), mapReadErr);
    EXPECT_EQ(ReadFile(SidecarPath(WorkPath("f"))), "garbage that is not AppleDouble");
}

TEST_F(FileHelpersTest, ResourceForkAppearsWithMyCreateResFile) {
    FSSpec spec = SpecFor(WorkPath("prefs"));
    ASSERT_EQ(MyOnlyCreateFile(spec), noErr);
    uint8_t hasFork = 1;
    ASSERT_EQ(TheFileHasResourceFork(spec, &hasFork), noErr);
    EXPECT_EQ(hasFork, 0);
    ASSERT_EQ(MyCreateResFile(spec), noErr);
    ASSERT_EQ(TheFileHasResourceFork(spec, &hasFork), noErr);
    EXPECT_EQ(hasFork, 1);
    EXPECT_EQ(MyCreateResFile(spec), dupFNErr) << "an existing fork is never replaced";

    // A missing file is created with its fork.
    FSSpec other = SpecFor(WorkPath("other"));
    ASSERT_EQ(MyCreateResFile(kHostVolumeRefNum, other.parID, other.name), noErr);
    EXPECT_TRUE(Exists(WorkPath("other")));
    EXPECT_EQ(TheFileHasResourceFork(SpecFor(WorkPath("absent")), &hasFork), fnfErr);
}

TEST_F(FileHelpersTest, ResourceFileOpensThroughTheHelpers) {
    FSSpec spec = SpecFor(WorkPath("prefs"));
    ASSERT_EQ(MyCreateResFile(spec), noErr);
    int16_t ref = 0;
    ASSERT_EQ(MyOpenResFile(spec.vRefNum, spec.parID, spec.name, &ref), noErr);
    ASSERT_GT(ref, 0);
    FSSpec where{};
    uint8_t dataFork = 9;
    ASSERT_EQ(FileRefNumToFileLocation(ref, &where, &dataFork), noErr);
    EXPECT_EQ(dataFork, 0);
    EXPECT_EQ(std::memcmp(&where, &spec, sizeof spec), 0);
    CloseResFile(ref);

    int16_t untouched = 77;
    FSSpec plain = SpecFor(WorkPath("plain"));
    ASSERT_EQ(MyOnlyCreateFile(plain), noErr);
    EXPECT_NE(
        MyOpenResFileWithPermission(plain.vRefNum, plain.parID, plain.name, fsRdPerm, &untouched),
        noErr);
    EXPECT_EQ(untouched, 77) << "the out value is set only on success";

    int16_t dataRef = 0;
    ASSERT_EQ(FSpOpenDF(plain, fsRdPerm, &dataRef), noErr);
    ASSERT_EQ(FileRefNumToFileLocation(dataRef, &where), noErr);
    ASSERT_EQ(FileRefNumToFileLocation(dataRef, &where, &dataFork), noErr);
    EXPECT_EQ(dataFork, 1);
    FSClose(dataRef);
    EXPECT_EQ(FileRefNumToFileLocation(dataRef, &where, &dataFork), rfNumErr);
}

TEST_F(FileHelpersTest, DeletingAFileTakesItsSidecar) {
    WriteFile(WorkPath("f"), "x");
    FSSpec spec = SpecFor(WorkPath("f"));
    ASSERT_EQ(MySetFileTypeAndCreator(spec, 1, 2), noErr);
    ASSERT_TRUE(Exists(SidecarPath(WorkPath("f"))));
    ASSERT_EQ(MyDeleteFile(spec), noErr);
    EXPECT_FALSE(Exists(WorkPath("f")));
    EXPECT_FALSE(Exists(SidecarPath(WorkPath("f"))));
    EXPECT_EQ(MyDeleteFile(spec), fnfErr);
    MakeFolder(WorkPath("d"));
    EXPECT_EQ(MyDeleteFile(SpecFor(WorkPath("d"))), dupFNErr);
}

// --- Folders ------------------------------------------------------------------------------

TEST_F(FileHelpersTest, CreateFolderMakesANewFolderAndReturnsItsId) {
    FSSpec spec = SpecFor(WorkPath("Tonevault"));
    int32_t id = -1;
    ASSERT_EQ(MyCreateFolder(spec, &id), noErr);
    EXPECT_TRUE(std::filesystem::is_directory(WorkPath("Tonevault")));
    std::string dir;
    ASSERT_EQ(HostPathForFolderID(id, dir), noErr);
    EXPECT_EQ(dir, WorkPath("Tonevault"));
}

TEST_F(FileHelpersTest, CreateFolderRefusesAFileOrLinkOfThatName) {
    WriteFile(WorkPath("taken"), "keep me");
    int32_t id = -1;
    EXPECT_EQ(MyCreateFolder(SpecFor(WorkPath("taken")), &id), dupFNErr);
    EXPECT_EQ(id, 0);
    EXPECT_EQ(ReadFile(WorkPath("taken")), "keep me");

    MakeFolder(root() + "/outside");
    WriteFile(root() + "/outside/precious", "x");
    ASSERT_EQ(symlink((root() + "/outside").c_str(), WorkPath("linked").c_str()), 0);
    FSSpec link{};
    link.vRefNum = kHostVolumeRefNum;
    link.parID = FolderID(work());
    PStrFromView(link.name, "linked");
    EXPECT_EQ(MyCreateFolder(link, &id), dupFNErr);
    EXPECT_TRUE(Exists(root() + "/outside/precious"));
}

TEST_F(FileHelpersTest, CreateFolderReplacesAnExistingFolder) {
    MakeFolder(WorkPath("old/inner"));
    WriteFile(WorkPath("old/inner/file"), "x");
    int32_t before = FolderID(WorkPath("old"));
    int32_t id = 0;
    ASSERT_EQ(MyCreateFolder(SpecFor(WorkPath("old")), &id), noErr);
    EXPECT_TRUE(std::filesystem::is_empty(WorkPath("old")));
    EXPECT_EQ(id, before) << "the same place keeps its ID";
}

class DeleteDirectoryTest : public FileHelpersTest {};

TEST_F(DeleteDirectoryTest, DeletesATreeWithSidecarsAndHiddenItems) {
    MakeFolder(WorkPath("tree/a/b/c"));
    WriteFile(WorkPath("tree/file"), "1");
    WriteFile(WorkPath("tree/._file"), "sidecar");
    WriteFile(WorkPath("tree/.hidden"), "2");
    WriteFile(WorkPath("tree/a/b/c/deep"), "3");
    ASSERT_EQ(mkfifo(WorkPath("tree/a/fifo").c_str(), 0600), 0);
    ASSERT_EQ(MyDeleteDirectory(kHostVolumeRefNum, FolderID(WorkPath("tree"))), noErr);
    EXPECT_FALSE(Exists(WorkPath("tree")));
}

TEST_F(DeleteDirectoryTest, NeverFollowsASymbolicLinkOutOfTheFolder) {
    MakeFolder(root() + "/outside/sub");
    WriteFile(root() + "/outside/survivor", "must survive");
    WriteFile(root() + "/outside/sub/also", "must survive too");
    MakeFolder(WorkPath("victim/nested"));
    ASSERT_EQ(symlink((root() + "/outside").c_str(), WorkPath("victim/to-folder").c_str()), 0);
    ASSERT_EQ(symlink((root() + "/outside").c_str(), WorkPath("victim/nested/deeper").c_str()), 0);
    ASSERT_EQ(symlink((root() + "/outside/survivor").c_str(), WorkPath("victim/to-file").c_str()),
              0);
    ASSERT_EQ(symlink("/nonexistent", WorkPath("victim/dangling").c_str()), 0);

    ASSERT_EQ(MyDeleteDirectory(kHostVolumeRefNum, FolderID(WorkPath("victim"))), noErr);
    EXPECT_FALSE(Exists(WorkPath("victim")));
    EXPECT_EQ(ReadFile(root() + "/outside/survivor"), "must survive");
    EXPECT_EQ(ReadFile(root() + "/outside/sub/also"), "must survive too");
}

TEST_F(DeleteDirectoryTest, FolderThatBecameALinkIsNotFollowed) {
    MakeFolder(WorkPath("was-folder"));
    int32_t id = FolderID(WorkPath("was-folder"));
    MakeFolder(root() + "/outside");
    WriteFile(root() + "/outside/survivor", "x");
    std::filesystem::remove(WorkPath("was-folder"));
    ASSERT_EQ(symlink((root() + "/outside").c_str(), WorkPath("was-folder").c_str()), 0);
    EXPECT_NE(MyDeleteDirectory(kHostVolumeRefNum, id), noErr);
    EXPECT_TRUE(Exists(root() + "/outside/survivor"));
}

TEST_F(DeleteDirectoryTest, UndeletableItemStaysAndTheFolderReportsBusy) {
    if (testing::RunningAsRoot())
        GTEST_SKIP() << "permission bits do not stop root";
    MakeFolder(WorkPath("mixed/locked"));
    WriteFile(WorkPath("mixed/locked/kept"), "x");
    WriteFile(WorkPath("mixed/gone1"), "x");
    WriteFile(WorkPath("mixed/gone2"), "x");
    ASSERT_EQ(chmod(WorkPath("mixed/locked").c_str(), 0555), 0);
    int32_t id = FolderID(WorkPath("mixed"));
    EXPECT_EQ(MyDeleteDirectory(kHostVolumeRefNum, id), fBsyErr);
    EXPECT_TRUE(Exists(WorkPath("mixed/locked/kept")));
    EXPECT_FALSE(Exists(WorkPath("mixed/gone1")));
    EXPECT_FALSE(Exists(WorkPath("mixed/gone2")));

    // MyCreateFolder keeps such a folder and hands back its ID.
    int32_t kept = 0;
    EXPECT_EQ(MyCreateFolder(SpecFor(WorkPath("mixed")), &kept), noErr);
    EXPECT_EQ(kept, id);
}

TEST_F(DeleteDirectoryTest, RefusesTheRootUnknownFoldersAndOtherVolumes) {
    EXPECT_EQ(MyDeleteDirectory(kHostVolumeRefNum, kRootFolderID), permErr);
    EXPECT_EQ(MyDeleteDirectory(kHostVolumeRefNum, 987654), fnfErr);
    EXPECT_EQ(MyDeleteDirectory(0, FolderID(work())), fnfErr);
    EXPECT_TRUE(Exists(work()));
}

} // namespace
} // namespace orvane
