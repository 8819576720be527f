// Choosing the administrator-rights backend, the order of the privileged steps, and how
// pkexec's answers become granted and refused requests.
#include "host/rights/AdminRights.h"
#include "host/rights/ScriptedAdminRights.h"

#include "host/files/HostTestFolder.h"
#include "host/rights/WorkingFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

namespace orvane {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::HostFolderTest;
using testing::ScopedEnv;

const ToolArguments kIdStep = {"/usr/bin/id", "-un"};

class AdminModeReset {
public:
    ~AdminModeReset() { SetAdminMode(AdminMode::Automatic); }
};

TEST(AdminRightsSelection, EnvironmentChoosesTheBackend) {
    AdminModeReset reset;
    for (const char* name : {"root", "pkexec", "user"}) {
        ScopedEnv admin("ORVANE_ADMIN", name);
        EXPECT_STREQ(CurrentAdminRights().Name(), name);
    }
    ScopedEnv admin("ORVANE_ADMIN", "");
    EXPECT_STREQ(CurrentAdminRights().Name(), geteuid() == 0 ? "root" : "pkexec");
}

TEST(AdminRightsSelection, FrontEndOptionOverridesTheEnvironment) {
    AdminModeReset reset;
    ScopedEnv admin("ORVANE_ADMIN", "pkexec");
    SetAdminMode(AdminMode::CurrentUser);
    EXPECT_STREQ(CurrentAdminRights().Name(), "user");
    SetAdminMode(AdminMode::Automatic);
    EXPECT_STREQ(CurrentAdminRights().Name(), "pkexec");
}

TEST(AdminRightsSelection, AnUnknownChoiceRefusesAndSaysWhy) {
    AdminModeReset reset;
    ScopedEnv admin("ORVANE_ADMIN", "sudo");
    AdminStepsResult result = RunWithAdminRights({{"/bin/true"}});
    EXPECT_EQ(result.requestStatus, kAdminUnavailableErr);
    EXPECT_THAT(LastAdminRefusal().message, HasSubstr("\"sudo\""));
    EXPECT_THAT(LastAdminRefusal().message, HasSubstr("root, pkexec or user"));
}

TEST(AdminRightsSelection, RootChosenWithoutBeingRootIsRefused) {
    if (geteuid() == 0)
        GTEST_SKIP() << "needs an ordinary user";
    AdminModeReset reset;
    SetAdminMode(AdminMode::Root);
    AdminStepsResult result = RunWithAdminRights({{"/bin/true"}});
    EXPECT_EQ(result.requestStatus, kAdminUnavailableErr);
    EXPECT_THAT(LastAdminRefusal().message, HasSubstr("not running as root"));
}

TEST(AdminRightsSelection, AnInstalledBackendServesUntilItGoes) {
    AdminModeReset reset;
    SetAdminMode(AdminMode::CurrentUser);
    ScriptedAdminRights scripted;
    {
        ScopedAdminRights installed(scripted);
        EXPECT_EQ(&CurrentAdminRights(), &scripted);
    }
    EXPECT_STREQ(CurrentAdminRights().Name(), "user");
}

// The steps in their order, against the scripted backend.
class AdminStepsTest : public ::testing::Test {
protected:
    void SetUp() override { ClearLastAdminRefusal(); }
    ScriptedAdminRights scripted_;
    ScopedAdminRights installed_{scripted_};
};

TEST_F(AdminStepsTest, GrantedRunsTheUserReportThenEachTool) {
    AdminStepsResult result =
        RunWithAdminRights({{"/usr/bin/touch", "/a b"}, {"/bin/chmod", "go+w", "/a b"}});
    EXPECT_EQ(result.requestStatus, noErr);
    EXPECT_EQ(result.toolStatus, noErr);
    EXPECT_EQ(scripted_.requests(), 1);
    EXPECT_THAT(scripted_.runs(), ElementsAre(kIdStep, ToolArguments{"/usr/bin/touch", "/a b"},
                                              ToolArguments{"/bin/chmod", "go+w", "/a b"}));
}

TEST_F(AdminStepsTest, RefusedRequestRunsNothing) {
    scripted_.SetRequestResult(userCanceledErr, "no");
    AdminStepsResult result = RunWithAdminRights({{"/bin/chmod", "go+w", "/p"}});
    EXPECT_EQ(result.requestStatus, userCanceledErr);
    EXPECT_TRUE(scripted_.runs().empty());
    EXPECT_EQ(LastAdminRefusal().status, userCanceledErr);
    EXPECT_EQ(LastAdminRefusal().message, "no");
}

TEST_F(AdminStepsTest, RefusalWhenTheUserReportStartsStopsTheSteps) {
    scripted_.RefuseAtRun(0, userCanceledErr);
    AdminStepsResult result = RunWithAdminRights({{"/bin/chmod", "go+w", "/p"}});
    EXPECT_EQ(result.requestStatus, userCanceledErr);
    EXPECT_THAT(scripted_.runs(), ElementsAre(kIdStep));
}

TEST_F(AdminStepsTest, AFailingUserReportIsIgnored) {
    scripted_.FailToStart("/usr/bin/id", fnfErr);
    AdminStepsResult result = RunWithAdminRights({{"/bin/chmod", "go+w", "/p"}});
    EXPECT_EQ(result.requestStatus, noErr);
    EXPECT_EQ(result.toolStatus, noErr);
    EXPECT_EQ(scripted_.runs().size(), 2u);
}

TEST_F(AdminStepsTest, AToolThatCannotStartEndsTheSteps) {
    // Same status as an unavailable backend, but not a refusal.
    scripted_.FailToStart("/usr/bin/touch", permErr);
    AdminStepsResult result =
        RunWithAdminRights({{"/usr/bin/touch", "/s"}, {"/bin/chmod", "go+w", "/p"}});
    EXPECT_EQ(result.requestStatus, noErr);
    EXPECT_EQ(result.toolStatus, permErr);
    EXPECT_EQ(scripted_.runs().size(), 2u);
    EXPECT_EQ(LastAdminRefusal().status, noErr);
}

// pkexec's answers, played by small scripts standing in for it. Each records the vector it
// was given (arguments separated by NUL, one invocation per line) before answering.
class PkexecTest : public HostFolderTest {
protected:
    void SetUp() override {
        HostFolderTest::SetUp();
        SetAdminMode(AdminMode::Pkexec);
        ClearLastAdminRefusal();
    }
    void TearDown() override {
        pkexec_.reset();
        SetAdminMode(AdminMode::Automatic);
        HostFolderTest::TearDown();
    }

    std::string Log() const { return WorkPath("pkexec.log"); }

    void FakePkexec(const std::string& answer) {
        const std::string path = WorkPath("fake-pkexec");
        WriteFile(path, "#!/bin/sh\nprintf '%s\\0' \"$@\" >> '" + Log() + "'\nprintf '\\n' >> '" +
                            Log() + "'\n" + answer + "\n");
        chmod(path.c_str(), 0755);
        pkexec_.emplace("ORVANE_PKEXEC", path);
    }

    std::vector<ToolArguments> Invocations() const {
        std::vector<ToolArguments> calls;
        std::string text = ReadFile(Log());
        size_t start = 0;
        for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
            ToolArguments args;
            std::string line = text.substr(start, end - start);
            for (size_t a = 0, z; (z = line.find('\0', a)) != std::string::npos; a = z + 1)
                args.push_back(line.substr(a, z - a));
            calls.push_back(args);
        }
        return calls;
    }

    std::optional<ScopedEnv> pkexec_;
};

TEST_F(PkexecTest, GrantedRunsEachToolThroughPkexec) {
    FakePkexec("exec \"$@\"");
    const std::string target = WorkPath("it's \"odd\"; $(touch x)");
    WriteFile(target, "");
    AdminStepsResult result;
    {
        testing::ScopedWorkingFolder here(work());
        result = RunWithAdminRights({{"/bin/chmod", "0606", target}});
    }
    EXPECT_EQ(result.requestStatus, noErr);
    EXPECT_EQ(result.toolStatus, noErr);
    EXPECT_THAT(Invocations(), ElementsAre(kIdStep, ToolArguments{"/bin/chmod", "0606", target}));
    EXPECT_FALSE(result.toolOutput.empty()); // the user name from id
    struct stat st {};
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0606u);
    EXPECT_FALSE(Exists(WorkPath("x")));
}

TEST_F(PkexecTest, DismissedIsACancelAndNothingElseIsAsked) {
    FakePkexec("echo 'Error executing command as another user: Request dismissed' >&2\nexit 126");
    AdminStepsResult result = RunWithAdminRights({{"/bin/chmod", "go+w", "/p"}});
    EXPECT_EQ(result.requestStatus, userCanceledErr);
    EXPECT_EQ(LastAdminRefusal().status, userCanceledErr);
    EXPECT_EQ(Invocations().size(), 1u); // the user report only: no second question
}

TEST_F(PkexecTest, NotAuthorizedIsACancel) {
    FakePkexec("echo 'Error executing command as another user: Not authorized' >&2\nexit 127");
    AdminStepsResult result = RunWithAdminRights({{"/bin/chmod", "go+w", "/p"}});
    EXPECT_EQ(result.requestStatus, userCanceledErr);
}

TEST_F(PkexecTest, NoAgentIsRefusedWithAMessage) {
    FakePkexec("echo 'Error executing command as another user: No authentication agent "
               "found.' >&2\nexit 127");
    AdminStepsResult result = RunWithAdminRights({{"/bin/chmod", "go+w", "/p"}});
    EXPECT_EQ(result.requestStatus, kAdminUnavailableErr);
    EXPECT_EQ(LastAdminRefusal().status, kAdminUnavailableErr);
    EXPECT_THAT(LastAdminRefusal().message, HasSubstr("authentication agent"));
}

TEST_F(PkexecTest, ARefusalAtTheToolIsARefusal) {
    // Granted for the user report, then dismissed for the tool.
    FakePkexec("if [ \"$1\" = /usr/bin/id ]; then exec \"$@\"; fi\nexit 126");
    AdminStepsResult result = RunWithAdminRights({{"/bin/chmod", "go+w", "/p"}});
    EXPECT_EQ(result.requestStatus, userCanceledErr);
    EXPECT_EQ(result.toolStatus, noErr);
}

TEST_F(PkexecTest, TheToolsOwnFailureIsNotARefusal) {
    FakePkexec("exec \"$@\"");
    AdminStepsResult result = RunWithAdminRights({{"/bin/chmod", "go+w", WorkPath("missing")}});
    EXPECT_EQ(result.requestStatus, noErr);
    EXPECT_EQ(result.toolStatus, noErr);
}

TEST_F(PkexecTest, MissingPkexecIsRefusedWithAMessage) {
    pkexec_.emplace("ORVANE_PKEXEC", WorkPath("no-such-pkexec"));
    AdminStepsResult result = RunWithAdminRights({{"/bin/chmod", "go+w", "/p"}});
    EXPECT_EQ(result.requestStatus, kAdminUnavailableErr);
    EXPECT_THAT(LastAdminRefusal().message, HasSubstr(WorkPath("no-such-pkexec")));
}

TEST_F(PkexecTest, AMissingToolIsNotPutToTheUser) {
    FakePkexec("exec \"$@\"");
    AdminStepsResult result = RunWithAdminRights({{WorkPath("no-such-tool")}});
    EXPECT_EQ(result.requestStatus, noErr);
    EXPECT_EQ(result.toolStatus, fnfErr);
    EXPECT_THAT(Invocations(), ElementsAre(kIdStep));
}

TEST_F(PkexecTest, SetterChoosesThePathWhenTheEnvironmentDoesNot) {
    pkexec_.reset();
    ScopedEnv unset("ORVANE_PKEXEC", "");
    SetPkexecPath("/opt/polkit/pkexec");
    EXPECT_EQ(PkexecPath(), "/opt/polkit/pkexec");
    SetPkexecPath("");
    EXPECT_EQ(PkexecPath(), "/usr/bin/pkexec");
}

} // namespace
} // namespace orvane
