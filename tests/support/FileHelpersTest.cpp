// File-system helpers over locations: finding, creating and deleting files and folders,
// type and creator, resource forks.
#include "support/FileHelpers.h"

#include "base/PStringView.h"
#include "base/TempRoot.h"
#include "host/files/FileTable.h"
#include "host/files/HostPaths.h"
#include "host/resources/ResourceManager.h"
#include "host/resources/Sidecar.h"

#include <gtest/gtest.h>

#include <cstring>

namespace orvane {
namespace {

class FileHelpersTest : public testing::TempRoot {
protected:
    static int32_t FolderID(const std::string& path) {
        int32_t id = 0;
        EXPECT_EQ(HostFolderIDForPath(path, id), noErr) << path;
        return id;
    }
    FSSpec Spec(const std::string& name) const {
        FSSpec spec{};
        EXPECT_EQ(HostFSSpecForPath(Path(name), spec), noErr) << name;
        return spec;
    }
    // Type and creator as read back, or the status of a failed read.
    static std::pair<OSType, OSType> TypeAndCreator(const FSSpec& spec, OSErr expected = noErr) {
        OSType type = 1, creator = 1;
        EXPECT_EQ(MyGetFileTypeAndCreator(spec, &type, &creator), expected);
        return {type, creator};
    }
    static int HasFork(const FSSpec& spec) {
        uint8_t hasFork = 9;
        EXPECT_EQ(TheFileHasResourceFork(spec, &hasFork), noErr);
        return hasFork;
    }
};

TEST_F(FileHelpersTest, FindNamedFileTellsFilesFromFolders) {
    WriteFile(Path("file"), "x");
    ASSERT_EQ(symlink("file", Path("link").c_str()), 0);
    EXPECT_EQ(FindNamedFile(Spec("file")), noErr);
    EXPECT_EQ(FindNamedFile(Spec("link")), noErr);
    EXPECT_EQ(FindNamedFile(Spec("home")), dupFNErr);
    EXPECT_EQ(FindNamedFile(Spec("missing")), fnfErr);
    FSSpec empty{}; // an empty name is not found, even in a folder that does not resolve
    empty.parID = 987654;
    EXPECT_EQ(FindNamedFile(empty), fnfErr);
    Str255 longName;
    PStrFromView(longName, std::string(64, 'n'));
    EXPECT_EQ(FindNamedFile(kHostVolumeRefNum, FolderID(root()), longName), bdNamErr);
}

TEST_F(FileHelpersTest, CreatedFilesTypesCreatorsAndForks) {
    const FSSpec spec = Spec("new");
    WriteFile(SidecarPath(Path("new")), "stale"); // an earlier file's must not carry over
    ASSERT_EQ(MyOnlyCreateFile(spec), noErr);
    EXPECT_EQ(ReadFile(Path("new")), "");
    EXPECT_FALSE(Exists(SidecarPath(Path("new"))));
    EXPECT_EQ(TypeAndCreator(spec), std::make_pair(OSType{0}, OSType{0}));
    EXPECT_EQ(HasFork(spec), 0);
    EXPECT_EQ(MyOnlyCreateFile(spec), dupFNErr);
    FSSpec nowhere = spec;
    nowhere.parID = 987654;
    EXPECT_EQ(MyOnlyCreateFile(nowhere), fnfErr);

    ASSERT_EQ(MySetFileTypeAndCreator(spec, MakeFourCC("TEXT"), MakeFourCC("????")), noErr);
    EXPECT_EQ(TypeAndCreator(spec), std::make_pair(MakeFourCC("TEXT"), MakeFourCC("????")));
    ASSERT_EQ(MyCreateResFile(spec), noErr);
    EXPECT_EQ(HasFork(spec), 1);
    EXPECT_EQ(MyCreateResFile(spec), dupFNErr) << "an existing fork is never replaced";
    ASSERT_EQ(MySetFileTypeAndCreator(kHostVolumeRefNum, spec.parID, spec.name, MakeFourCC("pref"),
                                      MakeFourCC("Hvtk")),
              noErr);
    EXPECT_EQ(HasFork(spec), 1) << "setting type and creator keeps the fork";
    EXPECT_EQ(TypeAndCreator(spec).first, MakeFourCC("pref"));

    // A missing file is created with its fork.
    const FSSpec other = Spec("other");
    ASSERT_EQ(MyCreateResFile(kHostVolumeRefNum, other.parID, other.name), noErr);
    EXPECT_EQ(HasFork(other), 1);
}

TEST_F(FileHelpersTest, TypeAndCreatorOfWhatIsNoFileOrIsDamaged) {
    const FSSpec missing = Spec("missing");
    EXPECT_EQ(MySetFileTypeAndCreator(missing, MakeFourCC("TEXT"), MakeFourCC("ttxt")), fnfErr);
    EXPECT_FALSE(Exists(Path("missing")) || Exists(SidecarPath(Path("missing"))));
    EXPECT_EQ(TypeAndCreator(missing, fnfErr), std::make_pair(OSType{0}, OSType{0}))
        << "the out values are written even when the read fails";
    EXPECT_EQ(MySetFileTypeAndCreator(Spec("home"), 1, 2), fnfErr);
    uint8_t hasFork = 0;
    EXPECT_EQ(TheFileHasResourceFork(missing, &hasFork), fnfErr);

    WriteFile(Path("f"), "x");
    WriteFile(SidecarPath(Path("f")), "garbage that is not AppleDouble");
    EXPECT_EQ(MySetFileTypeAndCreator(Spec("f"), 1, 2), mapReadErr);
    EXPECT_EQ(TheFileHasResourceFork(Spec("f"), &hasFork), mapReadErr);
    EXPECT_EQ(ReadFile(SidecarPath(Path("f"))), "garbage that is not AppleDouble");
}

TEST_F(FileHelpersTest, ResourceFileOpensThroughTheHelpersAndDeletingTakesTheSidecar) {
    const FSSpec spec = Spec("prefs");
    ASSERT_EQ(MyCreateResFile(spec), noErr);
    int16_t ref = 0;
    ASSERT_EQ(MyOpenResFile(spec.vRefNum, spec.parID, spec.name, &ref), noErr);
    FSSpec where{};
    uint8_t dataFork = 9;
    ASSERT_EQ(FileRefNumToFileLocation(ref, &where, &dataFork), noErr);
    EXPECT_EQ(dataFork, 0);
    EXPECT_EQ(std::memcmp(&where, &spec, sizeof spec), 0);
    CloseResFile(ref);

    const FSSpec plain = Spec("plain");
    ASSERT_EQ(MyOnlyCreateFile(plain), noErr);
    int16_t untouched = 77;
    EXPECT_NE(
        MyOpenResFileWithPermission(plain.vRefNum, plain.parID, plain.name, fsRdPerm, &untouched),
        noErr);
    EXPECT_EQ(untouched, 77) << "the out value is set only on success";
    int16_t dataRef = 0;
    ASSERT_EQ(FSpOpenDF(plain, fsRdPerm, &dataRef), noErr);
    ASSERT_EQ(FileRefNumToFileLocation(dataRef, &where, &dataFork), noErr);
    EXPECT_EQ(dataFork, 1);
    FSClose(dataRef);
    EXPECT_EQ(FileRefNumToFileLocation(dataRef, &where, &dataFork), rfNumErr);

    ASSERT_EQ(MyDeleteFile(spec), noErr);
    EXPECT_FALSE(Exists(Path("prefs")) || Exists(SidecarPath(Path("prefs"))));
    EXPECT_EQ(MyDeleteFile(spec), fnfErr);
    EXPECT_EQ(MyDeleteFile(Spec("home")), dupFNErr);
}

TEST_F(FileHelpersTest, CreateFolderMakesOrEmptiesAFolderButNeverReplacesAFileOrLink) {
    int32_t id = -1;
    ASSERT_EQ(MyCreateFolder(Spec("Tonevault"), &id), noErr);
    std::string dir;
    ASSERT_EQ(HostPathForFolderID(id, dir), noErr);
    EXPECT_EQ(dir, Path("Tonevault"));
    WriteFile(Path("Tonevault/file"), "x");
    const int32_t first = id;
    ASSERT_EQ(MyCreateFolder(Spec("Tonevault"), &id), noErr);
    EXPECT_TRUE(std::filesystem::is_empty(Path("Tonevault")));
    EXPECT_EQ(id, first) << "the same place keeps its ID";

    WriteFile(Path("taken"), "keep me");
    EXPECT_EQ(MyCreateFolder(Spec("taken"), &id), dupFNErr);
    EXPECT_EQ(id, 0);
    EXPECT_EQ(ReadFile(Path("taken")), "keep me");
    MakeFolder(Path("outside"));
    WriteFile(Path("outside/precious"), "x");
    ASSERT_EQ(symlink(Path("outside").c_str(), Path("linked").c_str()), 0);
    FSSpec link{};
    link.vRefNum = kHostVolumeRefNum;
    link.parID = FolderID(root());
    PStrFromView(link.name, "linked");
    EXPECT_EQ(MyCreateFolder(link, &id), dupFNErr);
    EXPECT_TRUE(Exists(Path("outside/precious")));
}

TEST_F(FileHelpersTest, DeleteDirectoryTakesTheTreeButNeverFollowsALink) {
    MakeFolder(Path("outside/sub"));
    WriteFile(Path("outside/survivor"), "must survive");
    WriteFile(Path("outside/sub/also"), "must survive too");
    MakeFolder(Path("victim/a/b/c"));
    WriteFile(Path("victim/file"), "1");
    WriteFile(Path("victim/._file"), "sidecar");
    WriteFile(Path("victim/.hidden"), "2");
    WriteFile(Path("victim/a/b/c/deep"), "3");
    ASSERT_EQ(mkfifo(Path("victim/a/fifo").c_str(), 0600), 0);
    for (const char* link : {"victim/to-folder", "victim/a/b/deeper"})
        ASSERT_EQ(symlink(Path("outside").c_str(), Path(link).c_str()), 0);
    ASSERT_EQ(symlink(Path("outside/survivor").c_str(), Path("victim/to-file").c_str()), 0);
    ASSERT_EQ(symlink("/nonexistent", Path("victim/dangling").c_str()), 0);
    ASSERT_EQ(MyDeleteDirectory(kHostVolumeRefNum, FolderID(Path("victim"))), noErr);
    EXPECT_FALSE(Exists(Path("victim")));
    EXPECT_EQ(ReadFile(Path("outside/survivor")), "must survive");
    EXPECT_EQ(ReadFile(Path("outside/sub/also")), "must survive too");

    // A folder that became a link since it got its ID.
    MakeFolder(Path("was-folder"));
    const int32_t id = FolderID(Path("was-folder"));
    std::filesystem::remove(Path("was-folder"));
    ASSERT_EQ(symlink(Path("outside").c_str(), Path("was-folder").c_str()), 0);
    EXPECT_NE(MyDeleteDirectory(kHostVolumeRefNum, id), noErr);
    EXPECT_TRUE(Exists(Path("outside/survivor")));

    EXPECT_EQ(MyDeleteDirectory(kHostVolumeRefNum, kRootFolderID), permErr);
    EXPECT_EQ(MyDeleteDirectory(kHostVolumeRefNum, 987654), fnfErr);
    EXPECT_EQ(MyDeleteDirectory(0, FolderID(Path("outside"))), fnfErr);
    EXPECT_TRUE(Exists(Path("outside")));
}

TEST_F(FileHelpersTest, UndeletableItemStaysAndTheFolderReportsBusy) {
    if (testing::RunningAsRoot())
        GTEST_SKIP() << "permission bits do not stop root";
    MakeFolder(Path("mixed/locked"));
    WriteFile(Path("mixed/locked/kept"), "x");
    WriteFile(Path("mixed/gone"), "x");
    ASSERT_EQ(chmod(Path("mixed/locked").c_str(), 0555), 0);
    const int32_t id = FolderID(Path("mixed"));
    EXPECT_EQ(MyDeleteDirectory(kHostVolumeRefNum, id), fBsyErr);
    EXPECT_TRUE(Exists(Path("mixed/locked/kept")));
    EXPECT_FALSE(Exists(Path("mixed/gone")));
    int32_t kept = 0; // MyCreateFolder keeps such a folder and hands back its ID
    EXPECT_EQ(MyCreateFolder(Spec("mixed"), &kept), noErr);
    EXPECT_EQ(kept, id);
}

} // namespace
} // namespace orvane
