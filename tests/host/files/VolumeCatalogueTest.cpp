// The volume catalogue: folder IDs that survive the process, and the conversions between
// paths and locations built on it.
#include "host/files/HostPaths.h"

#include "base/PStringView.h"
#include "base/TempRoot.h"

#include <gtest/gtest.h>

#include <map>

namespace orvane {
namespace {

class VolumeCatalogueTest : public testing::TempRoot {
protected:
    static int32_t Id(const std::string& dir) {
        int32_t id = 0;
        EXPECT_EQ(HostFolderIDForPath(dir, id), noErr) << dir;
        return id;
    }
    static std::string Dir(int32_t id, OSErr expected = noErr) {
        std::string dir;
        EXPECT_EQ(HostPathForFolderID(id, dir), expected) << id;
        return dir;
    }
    // A location in the root folder with a raw name (any length, any bytes).
    FSSpec SpecNamed(const std::string& name) const {
        FSSpec spec{};
        spec.vRefNum = kHostVolumeRefNum;
        spec.parID = Id(root());
        PStrFromView(spec.name, name, 63);
        return spec;
    }
};

TEST_F(VolumeCatalogueTest, OneFolderKeepsOneIdAndUnknownOnesAreNotFound) {
    MakeFolder(Path("a/b"));
    ASSERT_EQ(symlink(Path("a").c_str(), Path("link").c_str()), 0);
    const int32_t a = Id(Path("a"));
    EXPECT_GT(a, kRootFolderID);
    EXPECT_EQ(Id(Path("a/b/..")), a);
    EXPECT_EQ(Id(Path("link/")), a);
    EXPECT_NE(Id(Path("a/b")), a);
    EXPECT_EQ(Dir(a), Path("a"));
    EXPECT_EQ(Id("/"), kRootFolderID);
    Dir(123456, fnfErr);
    std::filesystem::remove_all(Path("a"));
    Dir(a, fnfErr);
    int32_t id = 0;
    WriteFile(Path("plain"), "x");
    EXPECT_EQ(HostFolderIDForPath(Path("plain"), id), fnfErr);
}

TEST_F(VolumeCatalogueTest, FoldersWithAwkwardBytesRoundTripThroughTheFile) {
    std::map<int32_t, std::string> ids;
    for (const std::string name : {"with space", "new\nline", "back\\slash", "tab\there",
                                   "caf\xc3\xa9", "latin1 \xe9", "\x7f"}) {
        MakeFolder(Path(name));
        ids[Id(Path(name))] = Path(name);
    }
    ASSERT_EQ(ids.size(), 7u);
    // Another catalogue file and back: the cache is dropped and the file read afresh.
    {
        testing::ScopedEnv other("XDG_CONFIG_HOME", Path("other"));
        Dir(ids.begin()->first, fnfErr);
    }
    for (const auto& [id, path] : ids)
        EXPECT_EQ(Dir(id), path);
}

TEST_F(VolumeCatalogueTest, DamagedCatalogueLinesAreSkipped) {
    MakeFolder(Path("kept"));
    MakeFolder(Path("config"));
    WriteFile(HostFolderCatalogPath(), "orvane folder catalogue 1\n500 " + Path("kept") +
                                           "\ngarbage line\n12 /too/low\n501 relative\n"
                                           "502 /bad\\escape\n99999999999 /too/big\n");
    EXPECT_EQ(Dir(500), Path("kept"));
    Dir(501, fnfErr);
    Dir(502, fnfErr);
    MakeFolder(Path("new"));
    EXPECT_EQ(Id(Path("new")), 501) << "new IDs go above every ID in the file";
}

// Links name their target; a dangling link names a file to be created beside it.
TEST_F(VolumeCatalogueTest, LocationsResolveBackAndLinksNameTheirTarget) {
    FSSpec spec{};
    std::string path;
    EXPECT_EQ(HostFSSpecForPath(Path("missing/file"), spec), fnfErr);
    WriteFile(Path("afile"), "");
    ASSERT_EQ(symlink(Path("afile").c_str(), Path("alias.ppd").c_str()), 0);
    ASSERT_EQ(HostFSSpecForPath(Path("alias.ppd"), spec), noErr);
    ASSERT_EQ(HostPathForFSSpec(spec, path), noErr);
    EXPECT_EQ(path, Path("afile"));
    ASSERT_EQ(symlink(Path("nowhere").c_str(), Path("dangling").c_str()), 0);
    ASSERT_EQ(HostFSSpecForPath(Path("dangling"), spec), noErr);
    EXPECT_EQ(PStrView(spec.name), "dangling");
}

TEST_F(VolumeCatalogueTest, NamesAreKeptWholeOrRefused) {
    const std::pair<std::string, OSErr> cases[] = {
        {std::string(63, 'n'), noErr},
        {std::string(64, 'n'), bdNamErr},
        {std::string(32, 'x') + std::string(16, '\xc3') + std::string(16, '\xa9'), bdNamErr},
        {std::string(31, '\xc3') + "\xa9" + std::string(31, 'y'), noErr}, // 63 bytes of UTF-8
        {"\xff\xfe name", noErr},                                         // invalid UTF-8
    };
    for (const auto& [name, expected] : cases) {
        FSSpec spec{};
        EXPECT_EQ(HostFSSpecForPath(Path(name), spec), expected) << name;
        WriteFile(Path(name), "x"); // an existing item gives the same answer
        EXPECT_EQ(HostFSSpecForPath(Path(name), spec), expected) << name;
        std::string path;
        if (expected == noErr) {
            EXPECT_EQ(HostPathForFSSpec(spec, path), noErr);
            EXPECT_EQ(path, Path(name));
        }
    }
}

TEST_F(VolumeCatalogueTest, UnsafeNamesInLocationsAreRefused) {
    std::string path;
    for (const char* name : {"", ".", "..", "a/b", "../../etc/passwd"})
        EXPECT_EQ(HostPathForFSSpec(SpecNamed(name), path), bdNamErr) << '"' << name << '"';
    FSSpec damaged = SpecNamed("ab");
    damaged.name[2] = '\0';
    EXPECT_EQ(HostPathForFSSpec(damaged, path), bdNamErr);
    damaged = SpecNamed("x");
    damaged.name[0] = 64; // longer than a name may be
    EXPECT_EQ(HostPathForFSSpec(damaged, path), bdNamErr);
}

} // namespace
} // namespace orvane
