// The volume catalogue: folder IDs that survive the process, and the conversions between
// paths and locations built on it.
#include "host/files/HostPaths.h"

#include "base/PStringView.h"
#include "base/TempRoot.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>

extern char** environ;

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
    EXPECT_EQ(Dir(kRootFolderID), "/");

    for (int32_t unknown : {123456, kRootParentFolderID, -5})
        Dir(unknown, fnfErr);
    std::filesystem::remove(Path("a/b"));
    std::filesystem::remove(Path("a"));
    Dir(a, fnfErr);
    int32_t id = 0;
    EXPECT_EQ(HostFolderIDForPath(Path("a"), id), fnfErr);
    WriteFile(Path("plain"), "x");
    EXPECT_EQ(HostFolderIDForPath(Path("plain"), id), fnfErr);
}

TEST_F(VolumeCatalogueTest, CatalogueLivesInThePreferencesFolder) {
    EXPECT_EQ(HostPreferencesFolderPath(), Path("config"));
    EXPECT_EQ(HostCacheFolderPath(), Path("cache"));
    Id(root());
    EXPECT_TRUE(Exists(HostFolderCatalogPath()));
    EXPECT_EQ(HostFolderCatalogPath().rfind(Path("config/"), 0), 0u);

    // Without XDG variables, or with a relative one, the folders follow HOME.
    testing::ScopedEnv config("XDG_CONFIG_HOME", "relative/config");
    testing::ScopedEnv cache("XDG_CACHE_HOME", nullptr);
    EXPECT_EQ(HostPreferencesFolderPath(), Path("home/.config"));
    EXPECT_EQ(HostCacheFolderPath(), Path("home/.cache"));
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

TEST_F(VolumeCatalogueTest, UnwritableCatalogueIsReportedNotIgnored) {
    if (testing::RunningAsRoot())
        GTEST_SKIP() << "permission bits do not stop root";
    MakeFolder(Path("config"));
    chmod(Path("config").c_str(), 0555);
    int32_t id = 0;
    EXPECT_EQ(HostFolderIDForPath(Path("home"), id), permErr);
    EXPECT_EQ(id, 0);
}

TEST_F(VolumeCatalogueTest, LocationsResolveBackAndLinksNameTheirTarget) {
    FSSpec spec{};
    ASSERT_EQ(HostFSSpecForPath(Path("not yet.ppd"), spec), noErr);
    EXPECT_EQ(spec.vRefNum, kHostVolumeRefNum);
    std::string path;
    ASSERT_EQ(HostPathForFSSpec(spec, path), noErr);
    EXPECT_EQ(path, Path("not yet.ppd"));
    EXPECT_EQ(HostFSSpecForPath(Path("missing/file"), spec), fnfErr);
    WriteFile(Path("afile"), "");
    EXPECT_EQ(HostFSSpecForPath(Path("afile/child"), spec), fnfErr);

    ASSERT_EQ(symlink(Path("afile").c_str(), Path("alias.ppd").c_str()), 0);
    ASSERT_EQ(HostFSSpecForPath(Path("alias.ppd"), spec), noErr);
    ASSERT_EQ(HostPathForFSSpec(spec, path), noErr);
    EXPECT_EQ(path, Path("afile"));
    // A dangling link names a file to be created beside it.
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
    FSSpec withNul = SpecNamed("ab");
    withNul.name[2] = '\0';
    EXPECT_EQ(HostPathForFSSpec(withNul, path), bdNamErr);
    FSSpec tooLong = SpecNamed("x");
    tooLong.name[0] = 64; // a damaged record
    EXPECT_EQ(HostPathForFSSpec(tooLong, path), bdNamErr);
    FSSpec otherVolume = SpecNamed("x");
    otherVolume.vRefNum = -2;
    EXPECT_EQ(HostPathForFSSpec(otherVolume, path), fnfErr);
    EXPECT_EQ(HostFSSpecForPath("", withNul), bdNamErr);
    EXPECT_EQ(HostFSSpecForPath("/", withNul), bdNamErr);
}

TEST_F(VolumeCatalogueTest, NamedConversionsCheckArgumentsAndNeverTruncate) {
    FSSpec spec{};
    EXPECT_EQ(PathToFSSpec(nullptr, &spec), paramErr);
    EXPECT_EQ(PathToFSSpec("/tmp", nullptr), paramErr);
    ASSERT_EQ(PathToFSSpec(Path("f.ppd").c_str(), &spec), noErr);
    char buffer[512];
    EXPECT_EQ(fSSpecToPath(nullptr, buffer, sizeof buffer), paramErr);
    EXPECT_EQ(fSSpecToPath(&spec, nullptr, sizeof buffer), paramErr);
    EXPECT_EQ(fSSpecToPath(&spec, buffer, 0), paramErr);
    const std::string expected = Path("f.ppd");
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(fSSpecToPath(&spec, buffer, static_cast<uint32_t>(expected.size())), paramErr);
    EXPECT_EQ(buffer[0], '#') << "nothing written when the path does not fit";
    ASSERT_EQ(fSSpecToPath(&spec, buffer, static_cast<uint32_t>(expected.size() + 1)), noErr);
    EXPECT_EQ(std::string(buffer), expected);
}

// The child side of the test below: gets the IDs of the folders listed in the file
// ORVANE_CHILD_FOLDERS and writes "id path" lines to ORVANE_CHILD_OUT.
TEST(CatalogueChildProcess, Run) {
    const char* list = std::getenv("ORVANE_CHILD_FOLDERS");
    if (!list)
        GTEST_SKIP() << "only runs as the child of a cross-process test";
    std::ifstream folders(list);
    std::ofstream out(std::getenv("ORVANE_CHILD_OUT"));
    for (std::string folder; std::getline(folders, folder);) {
        int32_t id = 0;
        ASSERT_EQ(HostFolderIDForPath(folder, id), noErr) << folder;
        out << id << ' ' << folder << '\n';
    }
    ASSERT_TRUE(out.good());
}

// Runs this program again with `extraEnv` (the XDG folders are inherited) and only the
// child's test selected.
pid_t SpawnChild(std::vector<std::string> env) {
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& s : env)
        envp.push_back(s.data());
    envp.push_back(nullptr);
    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string filter = "--gtest_filter=CatalogueChildProcess.Run";
    char* argv[] = {self.data(), filter.data(), nullptr};
    pid_t pid = 0;
    return posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv, envp.data()) == 0 ? pid : -1;
}

TEST_F(VolumeCatalogueTest, ProcessesAssigningAtOnceNeverShareOrLoseIds) {
    // Two children and this process assign IDs for overlapping sets of folders at once.
    std::vector<std::string> shared;
    std::vector<pid_t> children;
    for (int i = 0; i < 25; ++i) {
        shared.push_back(Path("shared" + std::to_string(i)));
        MakeFolder(shared.back());
    }
    for (int c = 0; c < 2; ++c) {
        const std::string n = std::to_string(c);
        std::ofstream list(Path("list" + n));
        for (size_t i = 0; i < shared.size(); ++i) {
            MakeFolder(Path("own" + n + "_" + std::to_string(i)));
            list << shared[i] << '\n' << Path("own" + n + "_" + std::to_string(i)) << '\n';
        }
        list.close();
        children.push_back(SpawnChild(
            {"ORVANE_CHILD_FOLDERS=" + Path("list" + n), "ORVANE_CHILD_OUT=" + Path("out" + n)}));
    }
    std::map<std::string, std::set<int32_t>> idsOfFolder;
    std::map<int32_t, std::set<std::string>> foldersOfId;
    for (const std::string& folder : shared) {
        const int32_t id = Id(folder);
        idsOfFolder[folder].insert(id);
        foldersOfId[id].insert(folder);
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_TRUE(child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
                    WEXITSTATUS(status) == 0);
    }
    for (const char* out : {"out0", "out1"}) {
        std::istringstream lines(ReadFile(Path(out)));
        int32_t id = 0;
        for (std::string folder; lines >> id && std::getline(lines >> std::ws, folder);) {
            idsOfFolder[folder].insert(id);
            foldersOfId[id].insert(folder);
        }
    }
    EXPECT_EQ(idsOfFolder.size(), 75u);
    for (const auto& [folder, ids] : idsOfFolder)
        EXPECT_EQ(ids.size(), 1u) << folder << " got several IDs";
    // Every ID names one folder, and every assignment reached the file.
    for (const auto& [id, folders] : foldersOfId) {
        ASSERT_EQ(folders.size(), 1u) << id << " given to several folders";
        EXPECT_EQ(Dir(id), *folders.begin());
    }
}

} // namespace
} // namespace orvane
