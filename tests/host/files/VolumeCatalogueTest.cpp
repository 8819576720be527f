// The volume catalogue: folder IDs that survive the process, and the conversions between
// paths and locations built on it.
#include "host/files/HostTestFolder.h"
#include "host/files/HostPaths.h"

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

using testing::HostFolderTest;

class VolumeCatalogueTest : public HostFolderTest {};

TEST_F(VolumeCatalogueTest, OneFolderKeepsOneIdHoweverItIsNamed) {
    MakeFolder(WorkPath("a/b"));
    ASSERT_EQ(symlink(WorkPath("a").c_str(), WorkPath("link").c_str()), 0);
    int32_t direct = 0, again = 0, viaDots = 0, viaLink = 0, other = 0;
    ASSERT_EQ(HostFolderIDForPath(WorkPath("a"), direct), noErr);
    ASSERT_EQ(HostFolderIDForPath(WorkPath("a"), again), noErr);
    ASSERT_EQ(HostFolderIDForPath(WorkPath("a/b/.."), viaDots), noErr);
    ASSERT_EQ(HostFolderIDForPath(WorkPath("link/"), viaLink), noErr);
    ASSERT_EQ(HostFolderIDForPath(WorkPath("a/b"), other), noErr);
    EXPECT_EQ(direct, again);
    EXPECT_EQ(direct, viaDots);
    EXPECT_EQ(direct, viaLink);
    EXPECT_NE(direct, other);
    EXPECT_GT(direct, kRootFolderID);

    std::string dir;
    ASSERT_EQ(HostPathForFolderID(direct, dir), noErr);
    EXPECT_EQ(dir, WorkPath("a"));
}

TEST_F(VolumeCatalogueTest, RootHasItsFixedId) {
    int32_t id = 0;
    ASSERT_EQ(HostFolderIDForPath("/", id), noErr);
    EXPECT_EQ(id, kRootFolderID);
    std::string dir;
    ASSERT_EQ(HostPathForFolderID(kRootFolderID, dir), noErr);
    EXPECT_EQ(dir, "/");
    FSSpec spec{};
    ASSERT_EQ(HostFSSpecForPath("/tmp", spec), noErr);
    EXPECT_EQ(int32_t{spec.parID}, kRootFolderID); // a copy: the packed field is misaligned
    EXPECT_EQ(PStrView(spec.name), "tmp");
}

TEST_F(VolumeCatalogueTest, UnknownOrVanishedFoldersAreNotFound) {
    std::string dir;
    EXPECT_EQ(HostPathForFolderID(123456, dir), fnfErr);
    EXPECT_EQ(HostPathForFolderID(kRootParentFolderID, dir), fnfErr);
    EXPECT_EQ(HostPathForFolderID(-5, dir), fnfErr);

    MakeFolder(WorkPath("gone"));
    int32_t id = 0;
    ASSERT_EQ(HostFolderIDForPath(WorkPath("gone"), id), noErr);
    std::filesystem::remove(WorkPath("gone"));
    EXPECT_EQ(HostPathForFolderID(id, dir), fnfErr);
    EXPECT_EQ(HostFolderIDForPath(WorkPath("gone"), id), fnfErr);

    WriteFile(WorkPath("plain"), "x");
    EXPECT_EQ(HostFolderIDForPath(WorkPath("plain"), id), fnfErr);
}

TEST_F(VolumeCatalogueTest, CatalogueLivesInThePreferencesFolderAndIsCreated) {
    EXPECT_EQ(HostPreferencesFolderPath(), root() + "/config");
    EXPECT_EQ(HostCacheFolderPath(), root() + "/cache");
    int32_t id = 0;
    ASSERT_EQ(HostFolderIDForPath(work(), id), noErr);
    EXPECT_TRUE(Exists(HostFolderCatalogPath()));
    EXPECT_EQ(HostFolderCatalogPath().rfind(root() + "/config/", 0), 0u);

    // Without XDG variables the folders follow HOME.
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_CACHE_HOME");
    EXPECT_EQ(HostPreferencesFolderPath(), root() + "/home/.config");
    EXPECT_EQ(HostCacheFolderPath(), root() + "/home/.cache");
    // A relative value is not a valid XDG folder.
    setenv("XDG_CONFIG_HOME", "relative/config", 1);
    EXPECT_EQ(HostPreferencesFolderPath(), root() + "/home/.config");
}

TEST_F(VolumeCatalogueTest, FoldersWithAwkwardBytesRoundTripThroughTheCatalogue) {
    const std::string names[] = {"with space",  "new\nline",   "back\\slash", "tab\there",
                                 "caf\xc3\xa9", "latin1 \xe9", "\x7f"};
    std::map<int32_t, std::string> ids;
    for (const std::string& name : names) {
        MakeFolder(WorkPath(name));
        int32_t id = 0;
        ASSERT_EQ(HostFolderIDForPath(WorkPath(name), id), noErr) << name;
        ids[id] = WorkPath(name);
    }
    ASSERT_EQ(ids.size(), std::size(names));
    // Another catalogue file and back: the cache is dropped and the file read afresh.
    setenv("XDG_CONFIG_HOME", (root() + "/other").c_str(), 1);
    std::string dir;
    EXPECT_EQ(HostPathForFolderID(ids.begin()->first, dir), fnfErr);
    setenv("XDG_CONFIG_HOME", (root() + "/config").c_str(), 1);
    for (const auto& [id, path] : ids) {
        ASSERT_EQ(HostPathForFolderID(id, dir), noErr);
        EXPECT_EQ(dir, path);
    }
}

TEST_F(VolumeCatalogueTest, DamagedCatalogueLinesAreSkipped) {
    MakeFolder(WorkPath("kept"));
    std::filesystem::create_directories(root() + "/config");
    WriteFile(HostFolderCatalogPath(), "orvane folder catalogue 1\n"
                                       "500 " +
                                           WorkPath("kept") +
                                           "\n"
                                           "garbage line\n"
                                           "12 /too/low\n"
                                           "501 relative\n"
                                           "502 /bad\\escape\n"
                                           "99999999999 /too/big\n");
    std::string dir;
    ASSERT_EQ(HostPathForFolderID(500, dir), noErr);
    EXPECT_EQ(dir, WorkPath("kept"));
    EXPECT_EQ(HostPathForFolderID(501, dir), fnfErr);
    EXPECT_EQ(HostPathForFolderID(502, dir), fnfErr);
    // New IDs go above every ID in the file.
    MakeFolder(WorkPath("new"));
    int32_t id = 0;
    ASSERT_EQ(HostFolderIDForPath(WorkPath("new"), id), noErr);
    EXPECT_EQ(id, 501);
}

TEST_F(VolumeCatalogueTest, UnwritableCatalogueIsReportedNotIgnored) {
    if (testing::RunningAsRoot())
        GTEST_SKIP() << "permission bits do not stop root";
    std::filesystem::create_directories(root() + "/config");
    chmod((root() + "/config").c_str(), 0555);
    MakeFolder(WorkPath("x"));
    int32_t id = 0;
    EXPECT_EQ(HostFolderIDForPath(WorkPath("x"), id), permErr);
    EXPECT_EQ(id, 0);
}

// --- Locations and paths ---------------------------------------------------------------

TEST_F(VolumeCatalogueTest, NewFileInExistingFolderResolvesBack) {
    FSSpec spec{};
    ASSERT_EQ(HostFSSpecForPath(WorkPath("not yet.ppd"), spec), noErr);
    EXPECT_EQ(spec.vRefNum, kHostVolumeRefNum);
    EXPECT_EQ(PStrView(spec.name), "not yet.ppd");
    std::string path;
    ASSERT_EQ(HostPathForFSSpec(spec, path), noErr);
    EXPECT_EQ(path, WorkPath("not yet.ppd"));

    EXPECT_EQ(HostFSSpecForPath(WorkPath("missing/file"), spec), fnfErr);
    WriteFile(WorkPath("afile"), "");
    EXPECT_EQ(HostFSSpecForPath(WorkPath("afile/child"), spec), fnfErr);
}

TEST_F(VolumeCatalogueTest, ExistingLinkIsDescribedByItsTarget) {
    MakeFolder(WorkPath("real"));
    WriteFile(WorkPath("real/target.ppd"), "x");
    ASSERT_EQ(symlink(WorkPath("real/target.ppd").c_str(), WorkPath("alias.ppd").c_str()), 0);
    FSSpec spec{};
    ASSERT_EQ(HostFSSpecForPath(WorkPath("alias.ppd"), spec), noErr);
    std::string path;
    ASSERT_EQ(HostPathForFSSpec(spec, path), noErr);
    EXPECT_EQ(path, WorkPath("real/target.ppd"));
    // A dangling link names a file to be created beside it.
    ASSERT_EQ(symlink(WorkPath("nowhere").c_str(), WorkPath("dangling").c_str()), 0);
    ASSERT_EQ(HostFSSpecForPath(WorkPath("dangling"), spec), noErr);
    EXPECT_EQ(PStrView(spec.name), "dangling");
}

struct NameCase {
    const char* label;
    std::string name;
    OSErr expected;
};

class NameLengthTest : public HostFolderTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(NameLengthTest, NamesAreKeptWholeOrRefused) {
    const NameCase& c = GetParam();
    FSSpec spec{};
    EXPECT_EQ(HostFSSpecForPath(WorkPath(c.name), spec), c.expected);
    WriteFile(WorkPath(c.name), "x"); // an existing item gives the same answer
    EXPECT_EQ(HostFSSpecForPath(WorkPath(c.name), spec), c.expected);
    if (c.expected == noErr) {
        EXPECT_EQ(PStrView(spec.name), c.name);
        std::string path;
        ASSERT_EQ(HostPathForFSSpec(spec, path), noErr);
        EXPECT_EQ(path, WorkPath(c.name));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, NameLengthTest,
    ::testing::Values(NameCase{"one_byte", "a", noErr},
                      NameCase{"sixty_three", std::string(63, 'n'), noErr},
                      NameCase{"sixty_four", std::string(64, 'n'), bdNamErr},
                      NameCase{"utf8_over_63_bytes",
                               std::string(32, 'x') + std::string(16, '\xc3') +
                                   std::string(16, '\xa9'),
                               bdNamErr},
                      NameCase{"utf8_at_63_bytes",
                               std::string(31, '\xc3') + "\xa9" + std::string(31, 'y'), noErr},
                      NameCase{"invalid_utf8", "\xff\xfe name", noErr}),
    [](const auto& param) { return param.param.label; });

TEST_F(VolumeCatalogueTest, UnsafeNamesInLocationsAreRefused) {
    std::string path;
    for (const char* name : {"", ".", "..", "a/b", "../../etc/passwd"}) {
        FSSpec spec = WorkSpecNamed(name);
        EXPECT_EQ(HostPathForFSSpec(spec, path), bdNamErr) << '"' << name << '"';
    }
    FSSpec withNul = WorkSpecNamed("ab");
    withNul.name[2] = '\0';
    EXPECT_EQ(HostPathForFSSpec(withNul, path), bdNamErr);
    FSSpec tooLong = WorkSpecNamed("x");
    tooLong.name[0] = 64; // a damaged record
    EXPECT_EQ(HostPathForFSSpec(tooLong, path), bdNamErr);
    FSSpec otherVolume = WorkSpecNamed("x");
    otherVolume.vRefNum = -2;
    EXPECT_EQ(HostPathForFSSpec(otherVolume, path), fnfErr);
    EXPECT_EQ(HostFSSpecForPath("", withNul), bdNamErr);
    EXPECT_EQ(HostFSSpecForPath("/", withNul), bdNamErr);
}

TEST_F(VolumeCatalogueTest, NamedConversionsCheckArgumentsAndNeverTruncate) {
    FSSpec spec{};
    EXPECT_EQ(PathToFSSpec(nullptr, &spec), paramErr);
    EXPECT_EQ(PathToFSSpec("/tmp", nullptr), paramErr);
    ASSERT_EQ(PathToFSSpec(WorkPath("f.ppd").c_str(), &spec), noErr);

    char buffer[512];
    EXPECT_EQ(fSSpecToPath(nullptr, buffer, sizeof buffer), paramErr);
    EXPECT_EQ(fSSpecToPath(&spec, nullptr, sizeof buffer), paramErr);
    EXPECT_EQ(fSSpecToPath(&spec, buffer, 0), paramErr);

    const std::string expected = WorkPath("f.ppd");
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(fSSpecToPath(&spec, buffer, static_cast<uint32_t>(expected.size())), paramErr);
    EXPECT_EQ(buffer[0], '#') << "nothing written when the path does not fit";
    ASSERT_EQ(fSSpecToPath(&spec, buffer, static_cast<uint32_t>(expected.size() + 1)), noErr);
    EXPECT_EQ(std::string(buffer), expected);
}

// --- Across processes --------------------------------------------------------------------

// Runs this test program again in a child process with extra environment variables (the
// XDG folders are inherited) and only the child's test case selected.
pid_t SpawnChild(const std::vector<std::string>& extraEnv) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        env.emplace_back(*e);
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> envp;
    for (std::string& s : env)
        envp.push_back(s.data());
    envp.push_back(nullptr);
    std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string filter = "--gtest_filter=CatalogueChildProcess.Run";
    char* argv[] = {self.data(), filter.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv, envp.data()) != 0)
        return -1;
    return pid;
}

bool ChildSucceeded(pid_t pid) {
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// The child side. ORVANE_CHILD_TASK=resolve: resolve the location (ORVANE_CHILD_PARID,
// ORVANE_CHILD_NAME) and write its path to ORVANE_CHILD_OUT. ORVANE_CHILD_TASK=assign:
// get the IDs of the folders listed in ORVANE_CHILD_FOLDERS and write "id path" lines.
TEST(CatalogueChildProcess, Run) {
    const char* task = std::getenv("ORVANE_CHILD_TASK");
    if (!task)
        GTEST_SKIP() << "only runs as the child of a cross-process test";
    std::ofstream out(std::getenv("ORVANE_CHILD_OUT"));
    if (std::string(task) == "resolve") {
        FSSpec spec{};
        spec.vRefNum = kHostVolumeRefNum;
        spec.parID = std::atoi(std::getenv("ORVANE_CHILD_PARID"));
        PStrFromView(spec.name, std::getenv("ORVANE_CHILD_NAME"), 63);
        std::string path;
        ASSERT_EQ(HostPathForFSSpec(spec, path), noErr);
        out << path;
    } else {
        std::ifstream list(std::getenv("ORVANE_CHILD_FOLDERS"));
        std::string folder;
        while (std::getline(list, folder)) {
            int32_t id = 0;
            ASSERT_EQ(HostFolderIDForPath(folder, id), noErr) << folder;
            out << id << ' ' << folder << '\n';
        }
    }
    ASSERT_TRUE(out.good());
}

TEST_F(VolumeCatalogueTest, LocationSavedInOneProcessResolvesInAnother) {
    MakeFolder(WorkPath("printers/ppd"));
    FSSpec saved{};
    ASSERT_EQ(HostFSSpecForPath(WorkPath("printers/ppd/Office.ppd"), saved), noErr);

    std::string out = root() + "/child.out";
    pid_t child = SpawnChild({"ORVANE_CHILD_TASK=resolve",
                              "ORVANE_CHILD_PARID=" + std::to_string(saved.parID),
                              "ORVANE_CHILD_NAME=Office.ppd", "ORVANE_CHILD_OUT=" + out});
    ASSERT_TRUE(ChildSucceeded(child));
    EXPECT_EQ(ReadFile(out), WorkPath("printers/ppd/Office.ppd"));
}

TEST_F(VolumeCatalogueTest, ProcessesAssigningAtOnceNeverShareOrLoseIds) {
    // Two children and this process assign IDs for overlapping sets of folders at once.
    std::vector<std::string> shared, own[2];
    for (int i = 0; i < 25; ++i) {
        shared.push_back(WorkPath("shared" + std::to_string(i)));
        own[0].push_back(WorkPath("first" + std::to_string(i)));
        own[1].push_back(WorkPath("second" + std::to_string(i)));
    }
    std::vector<pid_t> children;
    for (int c = 0; c < 2; ++c) {
        std::ofstream list(root() + "/list" + std::to_string(c));
        for (size_t i = 0; i < shared.size(); ++i) {
            MakeFolder(shared[i]);
            MakeFolder(own[c][i]);
            list << shared[i] << '\n' << own[c][i] << '\n';
        }
        list.close();
        children.push_back(
            SpawnChild({"ORVANE_CHILD_TASK=assign",
                        "ORVANE_CHILD_FOLDERS=" + root() + "/list" + std::to_string(c),
                        "ORVANE_CHILD_OUT=" + root() + "/out" + std::to_string(c)}));
    }
    std::map<std::string, int32_t> mine;
    for (const std::string& folder : shared) {
        int32_t id = 0;
        ASSERT_EQ(HostFolderIDForPath(folder, id), noErr);
        mine[folder] = id;
    }
    for (pid_t child : children)
        ASSERT_TRUE(ChildSucceeded(child));

    std::map<std::string, std::set<int32_t>> idsOfFolder;
    std::map<int32_t, std::set<std::string>> foldersOfId;
    for (const auto& [folder, id] : mine) {
        idsOfFolder[folder].insert(id);
        foldersOfId[id].insert(folder);
    }
    for (int c = 0; c < 2; ++c) {
        std::istringstream lines(ReadFile(root() + "/out" + std::to_string(c)));
        int32_t id = 0;
        std::string folder;
        while (lines >> id && std::getline(lines >> std::ws, folder)) {
            idsOfFolder[folder].insert(id);
            foldersOfId[id].insert(folder);
        }
    }
    EXPECT_EQ(idsOfFolder.size(), 75u);
    for (const auto& [folder, ids] : idsOfFolder)
        EXPECT_EQ(ids.size(), 1u) << folder << " got several IDs";
    for (const auto& [id, folders] : foldersOfId)
        EXPECT_EQ(folders.size(), 1u) << id << " given to several folders";
    // And every assignment reached the file.
    for (const auto& [id, folders] : foldersOfId) {
        std::string dir;
        ASSERT_EQ(HostPathForFolderID(id, dir), noErr);
        EXPECT_EQ(dir, *folders.begin());
    }
}

} // namespace
} // namespace orvane
