// Whether the chosen PPD and the support folders may be changed, the privileged steps that
// make them so, and the plain mode and file helpers. The scripted backend stands in for the
// password dialog; permission bits do not stop root, so "not writable" comes from a seam.
#include "ppd/Permissions.h"

#include "host/rights/ModeString.h"
#include "ppd/PPDTestSupport.h"

#include <gmock/gmock.h>

#include <algorithm>

using namespace orvane;
using namespace orvane::testing;

namespace {

const ToolArguments kIdStep = {"/usr/bin/id", "-un"};

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

// Paths named here are "not writable" for the code under test.
std::vector<std::string> gUnwritable;
bool ProbeUnwritable(const std::string& path) {
    return std::find(gUnwritable.begin(), gUnwritable.end(), path) == gUnwritable.end();
}

class PermissionsTest : public PPDFolderTest {
protected:
    void SetUp() override {
        PPDFolderTest::SetUp();
        gUnwritable.clear();
        rights().SetRunsTools(false);
    }
    // Makes `path` the chosen PPD, with the given mode and optionally a sidecar.
    std::string Choose(const std::string& path, mode_t mode, bool withSidecar) {
        ChoosePath(path, "*PPD-Adobe: \"4.3\"\n");
        chmod(path.c_str(), mode);
        if (withSidecar)
            WriteFile(SidecarPath(path), "");
        return path;
    }
    ScopedWritableProbe probe_{ProbeUnwritable};
};

} // namespace

TEST_F(PermissionsTest, CheckPermissionAsksOnlyForWhatIsNotOpenAlready) {
    struct Case {
        const char* name;
        mode_t mode;
        bool sidecar;
        const char* unwritable;                     // "folder", "sidecar" or ""
        std::vector<std::vector<std::string>> runs; // "P": the PPD, "S": its sidecar
    };
    const Case cases[] = {
        {"open.ppd", 0777, true, "", {}},
        {"plain.ppd", 0666, true, "", {{"/bin/chmod", "go+w", "P", "S"}}}, // not executable
        // A missing sidecar in a writable folder is left to the writer.
        {"nosidecar.ppd", 0644, false, "", {{"/bin/chmod", "go+w", "P"}}},
        {"closed.ppd",
         0644,
         false,
         "folder",
         {{"/usr/bin/touch", "S"}, {"/bin/chmod", "go+w", "P", "S"}}},
        {"halfopen.ppd", 0777, true, "sidecar", {{"/bin/chmod", "go+w", "P", "S"}}},
    };
    for (const Case& c : cases) {
        const std::string ppd = Choose(Path(c.name), c.mode, c.sidecar);
        gUnwritable = {std::string(c.unwritable) == "folder"    ? root()
                       : std::string(c.unwritable) == "sidecar" ? SidecarPath(ppd)
                                                                : ""};
        ScriptedAdminRights scripted;
        ScopedAdminRights installed(scripted);
        EXPECT_EQ(check_permission_PPD(glue()), noErr) << c.name;
        std::vector<ToolArguments> expected;
        for (ToolArguments run : c.runs) {
            for (std::string& word : run)
                word = word == "P" ? ppd : word == "S" ? SidecarPath(ppd) : word;
            expected.push_back(run);
        }
        if (!expected.empty())
            expected.insert(expected.begin(), kIdStep);
        EXPECT_EQ(scripted.runs(), expected) << c.name;
        EXPECT_EQ(scripted.requests(), expected.empty() ? 0 : 1) << c.name;
    }
}

TEST_F(PermissionsTest, RefusalsAndFailuresAreHandedBackAndChangeNothing) {
    const std::string ppd = Choose(Path("refused.ppd"), 0644, true);
    AdminRefusal refusal;
    rights().SetRequestResult(userCanceledErr);
    EXPECT_EQ(check_permission_PPD(glue(), &refusal), userCanceledErr);
    EXPECT_EQ(refusal.status, userCanceledErr);
    EXPECT_EQ(AUTH_CANCEL_Flag, 0) << "the caller decides what a refusal means";
    EXPECT_TRUE(rights().runs().empty());
    EXPECT_EQ(ModeOf(ppd), 0644u);
    ScriptedAdminRights late, noChmod, none;
    {
        ScopedAdminRights installed(late);
        late.RefuseAtRun(1, kAdminUnavailableErr, "no agent");
        EXPECT_EQ(check_permission_PPD(glue(), &refusal), kAdminUnavailableErr);
        EXPECT_EQ(refusal.message, "no agent");
    }
    {
        ScopedAdminRights installed(noChmod);
        noChmod.FailToStart("/bin/chmod", fnfErr);
        EXPECT_EQ(check_permission_PPD(glue(), &refusal), fnfErr);
        EXPECT_EQ(refusal.status, noErr) << "a tool that cannot start is no refusal";
    }
    ScopedAdminRights installed(none);
    std::filesystem::remove(ppd);
    EXPECT_EQ(check_permission_PPD(glue()), fnfErr);
    EXPECT_EQ(check_permission_PPD(nullptr), paramErr);
    // Folders of 60-byte names until the PPD's path passes the 1024-byte buffer: refused,
    // not cut.
    std::string folder = root();
    while (folder.size() + 1 + 10 < kPPDPathBufferSize)
        folder += "/" + std::string(60, 'f');
    MakeFolder(folder);
    Choose(folder + "/long.ppd", 0644, false);
    EXPECT_EQ(check_permission_PPD(glue()), paramErr);
    EXPECT_EQ(none.requests(), 0);
}

// Paths that a shell would take apart or run: each reaches the tools as one argument, and
// nothing else runs (a shell would leave an "x" in the working folder, the test's root).
struct HostileCase {
    const char* label;
    const char* name;
};

class HostilePathTest : public PermissionsTest,
                        public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostilePathTest, ReachesEveryToolAsOneArgument) {
    const std::string name = GetParam().name;
    struct WorkingFolder {
        std::filesystem::path previous = std::filesystem::current_path();
        ~WorkingFolder() { std::filesystem::current_path(previous); }
    };
    auto here = std::make_unique<WorkingFolder>();
    std::filesystem::current_path(root());
    rights().SetRunsTools(true);
    MakeFolder(Path("in " + name));
    const std::string ppd = Choose(Path("in " + name) + "/" + name, 0644, true);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(check_permission_PPD(glue()), noErr);
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(rights().runs().back(), (ToolArguments{"/bin/chmod", "go+w", ppd, SidecarPath(ppd)}));
    EXPECT_EQ(ModeOf(ppd), 0666u);

    const std::string file = Path(name);
    WriteFile(file, "");
    chmod(file.c_str(), 0600);
    const FSSpec spec = SpecFor(file);
    EXPECT_EQ(SetPermissionMode(&spec, "g+w"), noErr);
    EXPECT_EQ(ModeOf(file), 0620u);

    rights().SetRunsTools(false);
    EXPECT_EQ(checkAuth((file + " dir").c_str()), noErr);
    EXPECT_EQ(rights().runs().back(),
              (ToolArguments{"/bin/mkdir", "-p", "-m", "go+w", file + " dir"}));
    here.reset();
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root()))
        EXPECT_NE(entry.path().filename(), "x") << entry.path();
}

INSTANTIATE_TEST_SUITE_P(
    ShellSyntax, HostilePathTest,
    ::testing::Values(HostileCase{"QuotesAndSpaces", "with \"double\" 'single' spaces.ppd"},
                      HostileCase{"CommandSubstitution", "semi;touch x $(touch x) `touch x`.ppd"},
                      HostileCase{"BackslashAndVariable", "back\\slash $HOME.ppd"}),
    [](const auto& p) { return std::string(p.param.label); });

TEST_F(PermissionsTest, FolderAndModeHelpersWorkOnTreesSidecarsAndLinks) {
    rights().SetRunsTools(true);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(checkAuth(Path("Vendor/Deeper").c_str()), noErr);
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(ModeOf(Path("Vendor/Deeper")) & 0022, 0022u);
    for (const char* bad : {"relative/folder", "-rf"})
        EXPECT_EQ(checkAuth(bad), paramErr) << bad;
    EXPECT_EQ(checkAuth(nullptr), paramErr);
    EXPECT_EQ(checkAuth(("/" + std::string(255, 'a')).c_str()), paramErr);
    rights().SetRequestResult(userCanceledErr);
    EXPECT_EQ(checkAuth(Path("Other").c_str()), userCanceledErr);
    EXPECT_EQ(AUTH_CANCEL_Flag, 0);

    // "-R g+w" is two arguments to chmod; a file's sidecar gets its mode too.
    MakeFolder(Path("tree/inner"));
    WriteFile(Path("tree/inner/file"), "");
    WriteFile(SidecarPath(Path("tree/inner/file")), "");
    for (const char* path : {"tree/inner/file", "tree/inner/._file", "tree/inner", "tree"})
        chmod(Path(path).c_str(), Path(path).find("file") == std::string::npos ? 0700 : 0600);
    const FSSpec tree = SpecFor(Path("tree"));
    EXPECT_EQ(SetPermissionMode(&tree, "-R g+w"), noErr);
    EXPECT_EQ(SetPermissionModeForPath(Path("tree/inner/file").c_str(), "o+w"), noErr);
    EXPECT_EQ(ModeOf(Path("tree")), 0720u);
    EXPECT_EQ(ModeOf(Path("tree/inner/file")), 0622u);
    EXPECT_EQ(ModeOf(Path("tree/inner/._file")), 0622u);
    EXPECT_EQ(SetPermissionMode(nullptr, "g+w"), paramErr);
    EXPECT_EQ(SetPermissionMode(&tree, "  "), paramErr);
    EXPECT_EQ(SetPermissionModeForPath("tree", "g+w"), paramErr);

    char mode[12];
    std::memset(mode, '#', sizeof mode);
    const FSSpec file = SpecFor(Path("tree/inner/file"));
    ASSERT_EQ(GetPermissionModeWithFSSpec(&file, mode), noErr);
    EXPECT_STREQ(mode, "-rw--w--w-");
    symlink("target", Path("link").c_str());
    ASSERT_EQ(GetPermissionMode(Path("link").c_str(), mode), noErr);
    EXPECT_EQ(mode[0], 'l') << "the link, not its target";
    EXPECT_EQ(GetPermissionMode(Path("missing").c_str(), mode), fnfErr);
    EXPECT_EQ(GetPermissionMode(nullptr, mode), paramErr);
    const std::pair<mode_t, const char*> modes[] = {
        {S_IFREG | 04644, "-rwSr--r--"}, {S_IFREG | 02775, "-rwxrwsr-x"},
        {S_IFDIR | 01777, "drwxrwxrwt"}, {S_IFDIR | 01776, "drwxrwxrwT"},
        {S_IFIFO | 0600, "prw-------"},  {S_IFBLK | 0660, "brw-rw----"},
    };
    for (const auto& [bits, text] : modes) {
        FormatModeString(bits, mode);
        EXPECT_EQ(std::string(mode, 12), std::string(text) + " " + '\0') << text;
    }
}

TEST_F(PermissionsTest, CreateFileProbesOrReplacesByAnEmptyFile) {
    std::string out = "unchanged";
    EXPECT_EQ(createFile(root().c_str(), "absent", &out, 1), fnfErr);
    EXPECT_FALSE(Exists(Path("absent")));
    EXPECT_EQ(out, "unchanged");
    MakeFolder(Path("Vendor"));
    EXPECT_EQ(createFile(root().c_str(), "Vendor", &out, 1), noErr);
    EXPECT_EQ(out, Path("Vendor"));
    WriteFile(Path("old"), "contents");
    WriteFile(SidecarPath(Path("old")), "fork");
    EXPECT_EQ(createFile(root().c_str(), "old", &out, 0), noErr);
    EXPECT_EQ(ReadFile(Path("old")), "");
    EXPECT_FALSE(Exists(SidecarPath(Path("old"))));
    EXPECT_EQ(createFile(root().c_str(), std::string(255, 'n').c_str(), &out, 0), noErr);

    EXPECT_EQ(createFile(nullptr, "a", &out, 0), 1);
    EXPECT_EQ(createFile(root().c_str(), "a", nullptr, 0), 1);
    EXPECT_EQ(createFile(root().c_str(), "", &out, 0), 1);
    for (const std::string& bad : {std::string("a/b"), std::string(".."), std::string(256, 'n')})
        EXPECT_EQ(createFile(root().c_str(), bad.c_str(), &out, 0), bdNamErr) << bad;
    EXPECT_EQ(createFile(Path("no-folder").c_str(), "a", &out, 0), fnfErr);
}
