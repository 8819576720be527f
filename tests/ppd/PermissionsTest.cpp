// Whether the chosen PPD and the support folders may be changed, the privileged steps that
// make them so, and the plain mode and file helpers. The scripted backend stands in for the
// password dialog; permission bits do not stop root, so "not writable" comes from a seam.
#include "ppd/Permissions.h"

#include "base/TempRoot.h"
#include "host/files/HostPaths.h"
#include "host/resources/Sidecar.h"
#include "host/rights/ModeString.h"
#include "host/rights/ScriptedAdminRights.h"
#include "support/PString.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <cstring>

using namespace orvane;
using namespace orvane::testing;
using ::testing::ElementsAre;

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

// Runs a piece of a test in the given folder, so that a command a shell ran by mistake
// would leave its traces where the test looks for them.
class ScopedWorkingFolder {
public:
    explicit ScopedWorkingFolder(const std::string& folder)
        : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~ScopedWorkingFolder() { std::filesystem::current_path(previous_); }

private:
    std::filesystem::path previous_;
};

class PermissionsTest : public TempRoot {
protected:
    void SetUp() override {
        TempRoot::SetUp();
        MakeFolder(work());
        glue_ = NewGlueRec();
        ASSERT_NE(glue_, nullptr);
        glue_->dialogState = NewSettingPrivateRec();
        ASSERT_NE(glue_->dialogState, nullptr);
        AUTH_CANCEL_Flag = 0;
        gUnwritable.clear();
    }
    void TearDown() override {
        AUTH_CANCEL_Flag = 0;
        gUnwritable.clear();
        DisposeSettingPrivateRec(glue_->dialogState);
        DisposeGlueRec(glue_);
        TempRoot::TearDown();
    }

    std::string work() const { return Path("work"); }
    std::string WorkPath(const std::string& name) const { return work() + "/" + name; }
    static FSSpec SpecFor(const std::string& path) {
        FSSpec spec{};
        EXPECT_EQ(HostFSSpecForPath(path, spec), noErr) << path;
        return spec;
    }
    // Makes `path` the chosen PPD, with the given mode and optionally a sidecar.
    void ChoosePPD(const std::string& path, mode_t mode, bool withSidecar) {
        WriteFile(path, "*PPD-Adobe: \"4.3\"\n");
        chmod(path.c_str(), mode);
        if (withSidecar)
            WriteFile(SidecarPath(path), "");
        SetPPDLocation(*glue_->dialogState->prefsWorking, SpecFor(path));
    }
    // Every file named `name` anywhere below the test's root.
    std::vector<std::string> FindNamed(const std::string& name) const {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root()))
            if (entry.path().filename() == name)
                found.push_back(entry.path().string());
        return found;
    }

    GlueRec* glue_ = nullptr;
    ScriptedAdminRights scripted_;
    ScopedAdminRights installed_{scripted_};
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
        const std::string ppd = WorkPath(c.name);
        ChoosePPD(ppd, c.mode, c.sidecar);
        gUnwritable = {std::string(c.unwritable) == "folder"    ? work()
                       : std::string(c.unwritable) == "sidecar" ? SidecarPath(ppd)
                                                                : ""};
        ScriptedAdminRights scripted;
        ScopedAdminRights installed(scripted);
        EXPECT_EQ(check_permission_PPD(glue_), noErr) << c.name;
        std::vector<ToolArguments> expected;
        if (!c.runs.empty())
            expected.push_back(kIdStep);
        for (ToolArguments run : c.runs) {
            for (std::string& word : run)
                word = word == "P" ? ppd : word == "S" ? SidecarPath(ppd) : word;
            expected.push_back(run);
        }
        EXPECT_EQ(scripted.runs(), expected) << c.name;
        EXPECT_EQ(scripted.requests(), c.runs.empty() ? 0 : 1) << c.name;
    }
    EXPECT_EQ(AUTH_CANCEL_Flag, 0);
}

TEST_F(PermissionsTest, RefusalsAndFailuresAreHandedBackAndChangeNothing) {
    const std::string ppd = WorkPath("refused.ppd");
    ChoosePPD(ppd, 0644, true);
    AdminRefusal refusal;
    scripted_.SetRequestResult(userCanceledErr);
    EXPECT_EQ(check_permission_PPD(glue_, &refusal), userCanceledErr);
    EXPECT_EQ(refusal.status, userCanceledErr);
    EXPECT_EQ(AUTH_CANCEL_Flag, 0) << "the caller decides what a refusal means";
    EXPECT_TRUE(scripted_.runs().empty());
    EXPECT_EQ(ModeOf(ppd), 0644u);
    {
        ScriptedAdminRights late;
        ScopedAdminRights installed(late);
        late.RefuseAtRun(1, kAdminUnavailableErr, "no agent");
        EXPECT_EQ(check_permission_PPD(glue_, &refusal), kAdminUnavailableErr);
        EXPECT_EQ(refusal.status, kAdminUnavailableErr);
        EXPECT_EQ(refusal.message, "no agent");
    }
    {
        ScriptedAdminRights noChmod;
        ScopedAdminRights installed(noChmod);
        noChmod.FailToStart("/bin/chmod", fnfErr);
        EXPECT_EQ(check_permission_PPD(glue_, &refusal), fnfErr);
        EXPECT_EQ(refusal.status, noErr) << "a tool that cannot start is no refusal";
    }

    ScriptedAdminRights none;
    ScopedAdminRights installed(none);
    std::filesystem::remove(ppd);
    EXPECT_EQ(check_permission_PPD(glue_), fnfErr);
    EXPECT_EQ(check_permission_PPD(nullptr), paramErr);
    SettingPrivateRec* state = glue_->dialogState;
    glue_->dialogState = nullptr;
    EXPECT_EQ(check_permission_PPD(glue_), paramErr);
    glue_->dialogState = state;
    // Folders of 60-byte names until the PPD's path passes the 1024-byte buffer: refused,
    // not cut.
    std::string folder = work();
    while (folder.size() + 1 + 10 < kPPDPathBufferSize)
        folder += "/" + std::string(60, 'f');
    MakeFolder(folder);
    ChoosePPD(folder + "/long.ppd", 0644, false);
    EXPECT_EQ(check_permission_PPD(glue_), paramErr);
    EXPECT_EQ(none.requests(), 0);
}

// Paths that a shell would take apart or run: each reaches the tools as one argument, and
// nothing else runs.
struct HostileCase {
    const char* label;
    const char* name;
};

class HostilePathTest : public PermissionsTest,
                        public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostilePathTest, ReachesEveryToolAsOneArgument) {
    const std::string name = GetParam().name;
    ScopedWorkingFolder here(work());
    scripted_.SetRunsTools(true);
    MakeFolder(WorkPath("in " + name));
    const std::string ppd = WorkPath("in " + name) + "/" + name;
    ChoosePPD(ppd, 0644, true);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(check_permission_PPD(glue_), noErr);
    ::testing::internal::GetCapturedStdout();
    ASSERT_EQ(scripted_.runs().size(), 2u);
    EXPECT_EQ(scripted_.runs()[1], (ToolArguments{"/bin/chmod", "go+w", ppd, SidecarPath(ppd)}));
    EXPECT_EQ(ModeOf(ppd), 0666u);
    EXPECT_EQ(ModeOf(SidecarPath(ppd)) & 0022, 0022u);

    const std::string file = WorkPath(name);
    WriteFile(file, "");
    chmod(file.c_str(), 0600);
    const FSSpec spec = SpecFor(file);
    EXPECT_EQ(SetPermissionMode(&spec, "g+w"), noErr);
    EXPECT_EQ(ModeOf(file), 0620u);

    const std::string folder = WorkPath(name) + " dir";
    scripted_.SetRunsTools(false);
    EXPECT_EQ(checkAuth(folder.c_str()), noErr);
    EXPECT_EQ(scripted_.runs().back(), (ToolArguments{"/bin/mkdir", "-p", "-m", "go+w", folder}));
    EXPECT_THAT(FindNamed("x"), ::testing::IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(ShellSyntax, HostilePathTest,
                         ::testing::Values(HostileCase{"Spaces", "with spaces.ppd"},
                                           HostileCase{"DoubleQuote", "double\"quote.ppd"},
                                           HostileCase{"SingleQuote", "single'quote.ppd"},
                                           HostileCase{"Semicolon", "semi;touch x.ppd"},
                                           HostileCase{"CommandSubstitution", "$(touch x).ppd"},
                                           HostileCase{"Backquotes", "`touch x`.ppd"},
                                           HostileCase{"BackslashAndVariable",
                                                       "back\\slash $HOME.ppd"}),
                         [](const auto& p) { return std::string(p.param.label); });

TEST_F(PermissionsTest, CheckAuthMakesTheFolderWithTheRightsOrSaysWhyNot) {
    scripted_.SetRunsTools(true);
    const std::string folder = WorkPath("Vendor/Deeper");
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(checkAuth(folder.c_str()), noErr);
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(ModeOf(folder) & 0022, 0022u);

    EXPECT_EQ(checkAuth(nullptr), paramErr);
    EXPECT_EQ(checkAuth("relative/folder"), paramErr);
    EXPECT_EQ(checkAuth("-rf"), paramErr);
    EXPECT_EQ(checkAuth(("/" + std::string(255, 'a')).c_str()), paramErr);
    scripted_.SetRunsTools(false);
    EXPECT_EQ(checkAuth(("/" + std::string(254, 'a')).c_str()), noErr);
    EXPECT_EQ(scripted_.requests(), 2);

    scripted_.SetRequestResult(userCanceledErr);
    EXPECT_EQ(checkAuth(WorkPath("Other").c_str()), userCanceledErr);
    EXPECT_EQ(AUTH_CANCEL_Flag, 0);
}

TEST_F(PermissionsTest, SetPermissionModeReachesTreesAndSidecars) {
    const std::string folder = WorkPath("tree");
    MakeFolder(folder + "/inner");
    WriteFile(folder + "/inner/file", "");
    for (const auto& [path, mode] : {std::pair<std::string, mode_t>{folder + "/inner/file", 0600},
                                     {folder + "/inner", 0700},
                                     {folder, 0700}})
        chmod(path.c_str(), mode);
    FSSpec spec = SpecFor(folder);
    EXPECT_EQ(SetPermissionMode(&spec, "-R g+w"), noErr); // two arguments to chmod
    EXPECT_EQ(ModeOf(folder), 0720u);
    EXPECT_EQ(ModeOf(folder + "/inner"), 0720u);
    EXPECT_EQ(ModeOf(folder + "/inner/file"), 0620u);

    const std::string file = WorkPath("withfork");
    WriteFile(file, "");
    WriteFile(SidecarPath(file), "");
    chmod(file.c_str(), 0600);
    chmod(SidecarPath(file).c_str(), 0600);
    EXPECT_EQ(SetPermissionModeForPath(file.c_str(), "g+w"), noErr);
    EXPECT_EQ(ModeOf(file), 0620u);
    EXPECT_EQ(ModeOf(SidecarPath(file)), 0620u);

    spec = SpecFor(file);
    EXPECT_EQ(SetPermissionMode(nullptr, "g+w"), paramErr);
    EXPECT_EQ(SetPermissionMode(&spec, nullptr), paramErr);
    EXPECT_EQ(SetPermissionMode(&spec, "  "), paramErr);
    EXPECT_EQ(SetPermissionModeForPath("f", "g+w"), paramErr);
    EXPECT_EQ(SetPermissionModeForPath(("/" + std::string(4095, 'a')).c_str(), "g+w"), paramErr);
}

TEST_F(PermissionsTest, ModesReadLikeTheListing) {
    const std::string file = WorkPath("mode");
    WriteFile(file, "");
    chmod(file.c_str(), 0640);
    symlink("target", WorkPath("link").c_str());
    char buffer[12];
    std::memset(buffer, '#', sizeof buffer);
    const FSSpec spec = SpecFor(file);
    ASSERT_EQ(GetPermissionModeWithFSSpec(&spec, buffer), noErr);
    EXPECT_STREQ(buffer, "-rw-r-----");
    ASSERT_EQ(GetPermissionMode(work().c_str(), buffer), noErr);
    EXPECT_EQ(buffer[0], 'd');
    EXPECT_EQ(std::strlen(buffer), 10u);
    ASSERT_EQ(GetPermissionMode(WorkPath("link").c_str(), buffer), noErr);
    EXPECT_EQ(buffer[0], 'l') << "the link, not its target";
    EXPECT_EQ(GetPermissionModeWithFSSpec(nullptr, buffer), paramErr);
    EXPECT_EQ(GetPermissionMode(nullptr, buffer), paramErr);
    EXPECT_EQ(GetPermissionMode(work().c_str(), nullptr), paramErr);
    EXPECT_EQ(GetPermissionMode(WorkPath("missing").c_str(), buffer), fnfErr);

    const std::pair<mode_t, const char*> modes[] = {
        {S_IFREG | 0777, "-rwxrwxrwx"},  {S_IFREG | 0, "----------"},
        {S_IFREG | 04755, "-rwsr-xr-x"}, {S_IFREG | 04644, "-rwSr--r--"},
        {S_IFREG | 02775, "-rwxrwsr-x"}, {S_IFREG | 02664, "-rw-rwSr--"},
        {S_IFDIR | 01777, "drwxrwxrwt"}, {S_IFDIR | 01776, "drwxrwxrwT"},
        {S_IFIFO | 0600, "prw-------"},  {S_IFSOCK | 0755, "srwxr-xr-x"},
        {S_IFCHR | 0620, "crw--w----"},  {S_IFBLK | 0660, "brw-rw----"},
    };
    for (const auto& [mode, text] : modes) {
        char out[12];
        std::memset(out, '#', sizeof out);
        FormatModeString(mode, out);
        EXPECT_EQ(std::string(out, 12), std::string(text) + " " + '\0') << text;
    }
}

TEST_F(PermissionsTest, CreateFileProbesOrReplacesByAnEmptyFile) {
    std::string out = "unchanged";
    EXPECT_EQ(createFile(work().c_str(), "absent", &out, 1), fnfErr);
    EXPECT_FALSE(Exists(WorkPath("absent")));
    EXPECT_EQ(out, "unchanged");
    MakeFolder(WorkPath("Vendor"));
    EXPECT_EQ(createFile(work().c_str(), "Vendor", &out, 1), noErr);
    EXPECT_EQ(out, WorkPath("Vendor"));

    WriteFile(WorkPath("old"), "contents");
    WriteFile(SidecarPath(WorkPath("old")), "fork");
    EXPECT_EQ(createFile(work().c_str(), "old", &out, 0), noErr);
    EXPECT_EQ(out, WorkPath("old"));
    EXPECT_EQ(ReadFile(WorkPath("old")), "");
    EXPECT_FALSE(Exists(SidecarPath(WorkPath("old"))));
    EXPECT_EQ(createFile(work().c_str(), std::string(255, 'n').c_str(), &out, 0), noErr);

    EXPECT_EQ(createFile(nullptr, "a", &out, 0), 1);
    EXPECT_EQ(createFile(work().c_str(), nullptr, &out, 0), 1);
    EXPECT_EQ(createFile(work().c_str(), "a", nullptr, 0), 1);
    EXPECT_EQ(createFile(work().c_str(), "", &out, 0), 1);
    for (const std::string& bad :
         {std::string("a/b"), std::string("."), std::string(".."), std::string(256, 'n')})
        EXPECT_EQ(createFile(work().c_str(), bad.c_str(), &out, 0), bdNamErr) << bad;
    EXPECT_EQ(createFile(WorkPath("no-folder").c_str(), "a", &out, 0), fnfErr);
}
