// Whether the chosen PPD and the support folders may be changed, the privileged steps that
// make them so, and the plain mode and file helpers. The scripted backend stands in for the
// password dialog; permission bits do not stop root, so "not writable" comes from a seam.
#include "ppd/Permissions.h"

#include "host/resources/Sidecar.h"
#include "host/rights/ModeString.h"
#include "host/rights/ScriptedAdminRights.h"
#include "support/PString.h"

#include "host/files/HostTestFolder.h"
#include "host/rights/WorkingFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace orvane {
namespace {

using ::testing::ElementsAre;
using testing::HostFolderTest;
using testing::ScopedWorkingFolder;

const ToolArguments kIdStep = {"/usr/bin/id", "-un"};

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

// Folders named here are "not writable" for the code under test.
std::vector<std::string> gUnwritable;
bool ProbeUnwritable(const std::string& path) {
    return std::find(gUnwritable.begin(), gUnwritable.end(), path) == gUnwritable.end();
}

class PermissionsTest : public HostFolderTest {
protected:
    void SetUp() override {
        HostFolderTest::SetUp();
        glue_ = NewGlueRec();
        ASSERT_NE(glue_, nullptr);
        glue_->dialogState = NewSettingPrivateRec();
        ASSERT_NE(glue_->dialogState, nullptr);
        AUTH_CANCEL_Flag = 0;
        gUnwritable.clear();
        ClearLastAdminRefusal();
    }
    void TearDown() override {
        AUTH_CANCEL_Flag = 0;
        gUnwritable.clear();
        DisposeSettingPrivateRec(glue_->dialogState);
        DisposeGlueRec(glue_);
        HostFolderTest::TearDown();
    }

    // Makes `path` the chosen PPD, with the given mode and optionally a sidecar.
    void ChoosePPD(const std::string& path, mode_t mode, bool withSidecar) {
        WriteFile(path, "*PPD-Adobe: \"4.3\"\n");
        chmod(path.c_str(), mode);
        if (withSidecar)
            WriteFile(SidecarPath(path), "");
        ChooseLocation(SpecFor(path));
    }
    void ChooseLocation(const FSSpec& spec) {
        ToneRes4Rec& prefs = *glue_->dialogState->prefsWorking;
        prefs.ppdVolume = spec.vRefNum;
        prefs.ppdFolderID = spec.parID;
        MyPStrCopy(spec.name, prefs.ppdName);
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

// check_permission_PPD ---------------------------------------------------------------

TEST_F(PermissionsTest, EveryoneMayChangeIsAcceptedWithoutAsking) {
    ChoosePPD(WorkPath("open.ppd"), 0777, true);
    EXPECT_EQ(check_permission_PPD(glue_), noErr);
    EXPECT_EQ(scripted_.requests(), 0);
    EXPECT_TRUE(scripted_.runs().empty());
}

TEST_F(PermissionsTest, WritableByAllButNotExecutableStillAsks) {
    const std::string ppd = WorkPath("plain.ppd");
    ChoosePPD(ppd, 0666, true);
    EXPECT_EQ(check_permission_PPD(glue_), noErr);
    EXPECT_EQ(scripted_.requests(), 1);
    EXPECT_THAT(scripted_.runs(),
                ElementsAre(kIdStep, ToolArguments{"/bin/chmod", "go+w", ppd, SidecarPath(ppd)}));
    EXPECT_EQ(AUTH_CANCEL_Flag, 0);
}

TEST_F(PermissionsTest, MissingSidecarInAWritableFolderIsLeftToTheWriter) {
    const std::string ppd = WorkPath("nosidecar.ppd");
    ChoosePPD(ppd, 0644, false);
    EXPECT_EQ(check_permission_PPD(glue_), noErr);
    EXPECT_THAT(scripted_.runs(), ElementsAre(kIdStep, ToolArguments{"/bin/chmod", "go+w", ppd}));
}

TEST_F(PermissionsTest, MissingSidecarInAClosedFolderIsCreatedWithTheRights) {
    const std::string ppd = WorkPath("closed.ppd");
    ChoosePPD(ppd, 0644, false);
    gUnwritable = {work()};
    EXPECT_EQ(check_permission_PPD(glue_), noErr);
    EXPECT_THAT(scripted_.runs(),
                ElementsAre(kIdStep, ToolArguments{"/usr/bin/touch", SidecarPath(ppd)},
                            ToolArguments{"/bin/chmod", "go+w", ppd, SidecarPath(ppd)}));
}

TEST_F(PermissionsTest, OpenPPDWithAClosedSidecarAsks) {
    const std::string ppd = WorkPath("halfopen.ppd");
    ChoosePPD(ppd, 0777, true);
    gUnwritable = {SidecarPath(ppd)};
    EXPECT_EQ(check_permission_PPD(glue_), noErr);
    EXPECT_THAT(scripted_.runs(),
                ElementsAre(kIdStep, ToolArguments{"/bin/chmod", "go+w", ppd, SidecarPath(ppd)}));
}

TEST_F(PermissionsTest, RefusalIsHandedBackAndRunsNothing) {
    ChoosePPD(WorkPath("refused.ppd"), 0644, true);
    scripted_.SetRequestResult(userCanceledErr);
    AdminRefusal refusal;
    EXPECT_EQ(check_permission_PPD(glue_, &refusal), userCanceledErr);
    EXPECT_EQ(refusal.status, userCanceledErr);
    EXPECT_EQ(AUTH_CANCEL_Flag, 0) << "the caller decides what a refusal means";
    EXPECT_TRUE(scripted_.runs().empty());
    EXPECT_EQ(ModeOf(WorkPath("refused.ppd")), 0644u);
}

TEST_F(PermissionsTest, RefusalWhenTheToolStartsIsHandedBackToo) {
    ChoosePPD(WorkPath("late.ppd"), 0644, true);
    scripted_.RefuseAtRun(1, kAdminUnavailableErr, "no agent");
    AdminRefusal refusal;
    EXPECT_EQ(check_permission_PPD(glue_, &refusal), kAdminUnavailableErr);
    EXPECT_EQ(refusal.status, kAdminUnavailableErr);
    EXPECT_EQ(refusal.message, "no agent");
}

TEST_F(PermissionsTest, ChmodThatCannotStartGivesItsStatusWithoutARefusal) {
    ChoosePPD(WorkPath("nochmod.ppd"), 0644, true);
    scripted_.FailToStart("/bin/chmod", fnfErr);
    AdminRefusal refusal;
    EXPECT_EQ(check_permission_PPD(glue_, &refusal), fnfErr);
    EXPECT_EQ(refusal.status, noErr);
}

TEST_F(PermissionsTest, MissingPPDOrStateAsksNothing) {
    ChooseLocation(WorkSpecNamed("gone.ppd"));
    EXPECT_EQ(check_permission_PPD(glue_), fnfErr);
    EXPECT_EQ(check_permission_PPD(nullptr), paramErr);
    SettingPrivateRec* state = glue_->dialogState;
    glue_->dialogState = nullptr;
    EXPECT_EQ(check_permission_PPD(glue_), paramErr);
    glue_->dialogState = state;
    EXPECT_EQ(scripted_.requests(), 0);
}

TEST_F(PermissionsTest, OverlongPathIsRefusedNotCut) {
    // Folders of 60-byte names until the PPD's path passes the 1024-byte buffer.
    std::string folder = work();
    while (folder.size() + 1 + 10 < kPPDPathBufferSize)
        folder += "/" + std::string(60, 'f');
    MakeFolder(folder);
    ChoosePPD(folder + "/long.ppd", 0644, false);
    EXPECT_EQ(check_permission_PPD(glue_), paramErr);
    EXPECT_EQ(scripted_.requests(), 0);
}

// Paths that a shell would take apart or run: each reaches chmod as one argument, and
// nothing else runs.
class HostilePathTest : public PermissionsTest,
                        public ::testing::WithParamInterface<const char*> {};

TEST_P(HostilePathTest, CheckPermissionPassesThePathAsOneArgument) {
    scripted_.SetRunsTools(true);
    MakeFolder(WorkPath(std::string("in ") + GetParam()));
    const std::string ppd = WorkPath(std::string("in ") + GetParam()) + "/" + GetParam();
    ChoosePPD(ppd, 0644, true);
    {
        ScopedWorkingFolder here(work());
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(check_permission_PPD(glue_), noErr);
        ::testing::internal::GetCapturedStdout();
    }
    ASSERT_EQ(scripted_.runs().size(), 2u);
    EXPECT_EQ(scripted_.runs()[1], (ToolArguments{"/bin/chmod", "go+w", ppd, SidecarPath(ppd)}));
    EXPECT_EQ(ModeOf(ppd), 0666u);
    EXPECT_EQ(ModeOf(SidecarPath(ppd)) & 0022, 0022u);
    EXPECT_THAT(FindNamed("x"), ::testing::IsEmpty());
}

TEST_P(HostilePathTest, SetPermissionModePassesThePathAsOneArgument) {
    const std::string file = WorkPath(GetParam());
    WriteFile(file, "");
    chmod(file.c_str(), 0600);
    FSSpec spec = SpecFor(file);
    {
        ScopedWorkingFolder here(work());
        EXPECT_EQ(SetPermissionMode(&spec, "g+w"), noErr);
    }
    EXPECT_EQ(ModeOf(file), 0620u);
    EXPECT_THAT(FindNamed("x"), ::testing::IsEmpty());
}

TEST_P(HostilePathTest, CheckAuthPassesThePathAsOneArgument) {
    const std::string folder = WorkPath(GetParam()) + " dir";
    {
        ScopedWorkingFolder here(work());
        EXPECT_EQ(checkAuth(folder.c_str()), noErr);
    }
    EXPECT_THAT(scripted_.runs(),
                ElementsAre(kIdStep, ToolArguments{"/bin/mkdir", "-p", "-m", "go+w", folder}));
}

INSTANTIATE_TEST_SUITE_P(ShellSyntax, HostilePathTest,
                         ::testing::Values("with spaces.ppd", "double\"quote.ppd",
                                           "single'quote.ppd", "semi;touch x.ppd", "$(touch x).ppd",
                                           "`touch x`.ppd", "back\\slash $HOME.ppd"));

// checkAuth -------------------------------------------------------------------------

TEST_F(PermissionsTest, CheckAuthCreatesTheFolderWithTheRights) {
    scripted_.SetRunsTools(true);
    const std::string folder = WorkPath("Vendor/Deeper");
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(checkAuth(folder.c_str()), noErr);
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(ModeOf(folder) & 0022, 0022u);
}

TEST_F(PermissionsTest, CheckAuthRefusalIsReturnedWithoutTheFlag) {
    scripted_.SetRequestResult(userCanceledErr);
    EXPECT_EQ(checkAuth(WorkPath("Vendor").c_str()), userCanceledErr);
    EXPECT_EQ(AUTH_CANCEL_Flag, 0);
}

TEST_F(PermissionsTest, CheckAuthRejectsPathsItCannotPassSafely) {
    EXPECT_EQ(checkAuth(nullptr), paramErr);
    EXPECT_EQ(checkAuth("relative/folder"), paramErr);
    EXPECT_EQ(checkAuth("-rf"), paramErr);
    EXPECT_EQ(checkAuth(("/" + std::string(255, 'a')).c_str()), paramErr);
    EXPECT_EQ(checkAuth(("/" + std::string(254, 'a')).c_str()), noErr);
    EXPECT_EQ(scripted_.requests(), 1);
}

// SetPermissionMode -----------------------------------------------------------------

TEST_F(PermissionsTest, RecursiveModeIsTwoArguments) {
    const std::string folder = WorkPath("tree");
    MakeFolder(folder + "/inner");
    WriteFile(folder + "/inner/file", "");
    chmod((folder + "/inner/file").c_str(), 0600);
    chmod((folder + "/inner").c_str(), 0700);
    chmod(folder.c_str(), 0700);
    FSSpec spec = SpecFor(folder);
    EXPECT_EQ(SetPermissionMode(&spec, "-R g+w"), noErr);
    EXPECT_EQ(ModeOf(folder), 0720u);
    EXPECT_EQ(ModeOf(folder + "/inner"), 0720u);
    EXPECT_EQ(ModeOf(folder + "/inner/file"), 0620u);
}

TEST_F(PermissionsTest, AFilesSidecarGetsTheSameMode) {
    const std::string file = WorkPath("withfork");
    WriteFile(file, "");
    WriteFile(SidecarPath(file), "");
    chmod(file.c_str(), 0600);
    chmod(SidecarPath(file).c_str(), 0600);
    EXPECT_EQ(SetPermissionModeForPath(file.c_str(), "g+w"), noErr);
    EXPECT_EQ(ModeOf(file), 0620u);
    EXPECT_EQ(ModeOf(SidecarPath(file)), 0620u);
}

TEST_F(PermissionsTest, SetPermissionModeArgumentErrors) {
    const std::string file = WorkPath("f");
    WriteFile(file, "");
    FSSpec spec = SpecFor(file);
    EXPECT_EQ(SetPermissionMode(nullptr, "g+w"), paramErr);
    EXPECT_EQ(SetPermissionMode(&spec, nullptr), paramErr);
    EXPECT_EQ(SetPermissionMode(&spec, "  "), paramErr);
    EXPECT_EQ(SetPermissionModeForPath("f", "g+w"), paramErr);
    EXPECT_EQ(SetPermissionModeForPath(("/" + std::string(4095, 'a')).c_str(), "g+w"), paramErr);
}

// GetPermissionMode and the mode string -----------------------------------------------

TEST_F(PermissionsTest, ModeOfAFileIsTenCharacters) {
    const std::string file = WorkPath("mode");
    WriteFile(file, "");
    chmod(file.c_str(), 0640);
    char buffer[12];
    std::memset(buffer, '#', sizeof buffer);
    FSSpec spec = SpecFor(file);
    ASSERT_EQ(GetPermissionModeWithFSSpec(&spec, buffer), noErr);
    EXPECT_EQ(std::strlen(buffer), 10u);
    EXPECT_STREQ(buffer, "-rw-r-----");
}

TEST_F(PermissionsTest, ModeOfAFolderStartsWithD) {
    char buffer[12];
    ASSERT_EQ(GetPermissionMode(work().c_str(), buffer), noErr);
    EXPECT_EQ(buffer[0], 'd');
    EXPECT_EQ(std::strlen(buffer), 10u);
}

TEST_F(PermissionsTest, ModeOfALinkDescribesTheLink) {
    symlink("target", WorkPath("link").c_str());
    char buffer[12];
    ASSERT_EQ(GetPermissionMode(WorkPath("link").c_str(), buffer), noErr);
    EXPECT_EQ(buffer[0], 'l');
}

TEST_F(PermissionsTest, ModeArgumentErrors) {
    char buffer[12];
    EXPECT_EQ(GetPermissionModeWithFSSpec(nullptr, buffer), paramErr);
    EXPECT_EQ(GetPermissionMode(nullptr, buffer), paramErr);
    EXPECT_EQ(GetPermissionMode(work().c_str(), nullptr), paramErr);
    EXPECT_EQ(GetPermissionMode(WorkPath("missing").c_str(), buffer), fnfErr);
}

struct ModeCase {
    mode_t mode;
    const char* text;
};

class ModeStringTest : public ::testing::TestWithParam<ModeCase> {};

TEST_P(ModeStringTest, MatchesTheListing) {
    char out[12];
    std::memset(out, '#', sizeof out);
    FormatModeString(GetParam().mode, out);
    EXPECT_EQ(std::string(out, 10), GetParam().text);
    EXPECT_EQ(out[10], ' ');
    EXPECT_EQ(out[11], '\0');
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ModeStringTest,
    ::testing::Values(
        ModeCase{S_IFREG | 0777, "-rwxrwxrwx"}, ModeCase{S_IFREG | 0644, "-rw-r--r--"},
        ModeCase{S_IFREG | 0666, "-rw-rw-rw-"}, ModeCase{S_IFDIR | 0755, "drwxr-xr-x"},
        ModeCase{S_IFLNK | 0777, "lrwxrwxrwx"}, ModeCase{S_IFREG | 0, "----------"},
        ModeCase{S_IFREG | 04755, "-rwsr-xr-x"}, ModeCase{S_IFREG | 04644, "-rwSr--r--"},
        ModeCase{S_IFREG | 02775, "-rwxrwsr-x"}, ModeCase{S_IFREG | 02664, "-rw-rwSr--"},
        ModeCase{S_IFDIR | 01777, "drwxrwxrwt"}, ModeCase{S_IFDIR | 01776, "drwxrwxrwT"},
        ModeCase{S_IFIFO | 0600, "prw-------"}, ModeCase{S_IFSOCK | 0755, "srwxr-xr-x"},
        ModeCase{S_IFCHR | 0620, "crw--w----"}, ModeCase{S_IFBLK | 0660, "brw-rw----"}));

// createFile --------------------------------------------------------------------------

TEST_F(PermissionsTest, ProbeOfAMissingNameCreatesNothing) {
    std::string out = "unchanged";
    EXPECT_EQ(createFile(work().c_str(), "absent", &out, 1), fnfErr);
    EXPECT_FALSE(Exists(WorkPath("absent")));
    EXPECT_EQ(out, "unchanged");
}

TEST_F(PermissionsTest, ProbeOfAnExistingNameGivesItsPath) {
    MakeFolder(WorkPath("Vendor"));
    std::string out;
    EXPECT_EQ(createFile(work().c_str(), "Vendor", &out, 1), noErr);
    EXPECT_EQ(out, WorkPath("Vendor"));
}

TEST_F(PermissionsTest, CreateReplacesAnExistingFileByAnEmptyOne) {
    WriteFile(WorkPath("old"), "contents");
    WriteFile(SidecarPath(WorkPath("old")), "fork");
    std::string out;
    EXPECT_EQ(createFile(work().c_str(), "old", &out, 0), noErr);
    EXPECT_EQ(out, WorkPath("old"));
    EXPECT_EQ(ReadFile(WorkPath("old")), "");
    EXPECT_FALSE(Exists(SidecarPath(WorkPath("old"))));
    EXPECT_EQ(createFile(work().c_str(), "new \u00e9", &out, 0), noErr);
    EXPECT_TRUE(Exists(WorkPath("new \u00e9")));
}

TEST_F(PermissionsTest, CreateFileArgumentErrors) {
    std::string out;
    EXPECT_EQ(createFile(nullptr, "a", &out, 0), 1);
    EXPECT_EQ(createFile(work().c_str(), nullptr, &out, 0), 1);
    EXPECT_EQ(createFile(work().c_str(), "a", nullptr, 0), 1);
    EXPECT_EQ(createFile(work().c_str(), "", &out, 0), 1);
    for (const std::string& bad :
         {std::string("a/b"), std::string("."), std::string(".."), std::string(256, 'n')})
        EXPECT_EQ(createFile(work().c_str(), bad.c_str(), &out, 0), bdNamErr) << bad;
    EXPECT_EQ(createFile(WorkPath("no-folder").c_str(), "a", &out, 0), fnfErr);
    EXPECT_EQ(createFile(work().c_str(), std::string(255, 'n').c_str(), &out, 0), noErr);
}

} // namespace
} // namespace orvane
