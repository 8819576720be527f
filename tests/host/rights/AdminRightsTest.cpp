// Choosing the administrator-rights backend, the order of the privileged steps, and how
// pkexec's answers become granted and refused requests.
#include "host/rights/AdminRights.h"
#include "host/rights/ScriptedAdminRights.h"

#include "base/TempRoot.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <sys/stat.h>

namespace orvane {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::ScopedEnv;

const ToolArguments kIdStep = {"/usr/bin/id", "-un"};
const ToolArguments kChmod = {"/bin/chmod", "go+w", "/p"};

class AdminModeReset {
public:
    ~AdminModeReset() { SetAdminMode(AdminMode::Automatic); }
};

// ORVANE_ADMIN chooses, the front end's option wins over it, an installed backend over both;
// an unusable choice refuses and says why.
TEST(AdminRightsSelection, EnvironmentFrontEndAndInstalledBackendChoose) {
    AdminModeReset reset;
    for (const char* name : {"root", "pkexec", "user"}) {
        ScopedEnv admin("ORVANE_ADMIN", name);
        EXPECT_STREQ(CurrentAdminRights().Name(), name);
    }
    ScopedEnv admin("ORVANE_ADMIN", "sudo");
    AdminStepsResult result = RunWithAdminRights({{"/bin/true"}});
    EXPECT_EQ(result.requestStatus, kAdminUnavailableErr);
    EXPECT_THAT(result.refusal.message, HasSubstr("\"sudo\""));
    EXPECT_THAT(result.refusal.message, HasSubstr("root, pkexec or user"));
    SetAdminMode(AdminMode::CurrentUser);
    EXPECT_STREQ(CurrentAdminRights().Name(), "user");
    ScriptedAdminRights scripted;
    {
        ScopedAdminRights installed(scripted);
        EXPECT_EQ(&CurrentAdminRights(), &scripted);
    }
    if (geteuid() == 0)
        return;
    SetAdminMode(AdminMode::Root);
    result = RunWithAdminRights({{"/bin/true"}});
    EXPECT_EQ(result.requestStatus, kAdminUnavailableErr);
    EXPECT_THAT(result.refusal.message, HasSubstr("not running as root"));
}

// The steps in their order, against the scripted backend: the user report (id) first, then
// each tool, stopping at a refusal or at a tool that cannot start.
struct StepsCase {
    const char* label;
    std::function<void(ScriptedAdminRights&)> script;
    OSErr requestStatus, toolStatus;
    size_t runs;
};

class AdminStepsTest : public ::testing::TestWithParam<StepsCase> {};

TEST_P(AdminStepsTest, RunInOrderAndStop) {
    const StepsCase& c = GetParam();
    ScriptedAdminRights scripted;
    ScopedAdminRights installed(scripted);
    c.script(scripted);
    const ToolArguments touch = {"/usr/bin/touch", "/a b"};
    const AdminStepsResult result = RunWithAdminRights({touch, kChmod});
    EXPECT_EQ(result.requestStatus, c.requestStatus);
    EXPECT_EQ(result.toolStatus, c.toolStatus);
    EXPECT_EQ(result.refusal.status, c.requestStatus);
    EXPECT_LE(scripted.requests(), 1);
    const std::vector<ToolArguments> all = {kIdStep, touch, kChmod};
    EXPECT_EQ(scripted.runs(), std::vector<ToolArguments>(all.begin(), all.begin() + c.runs));
}

INSTANTIATE_TEST_SUITE_P(
    Scripted, AdminStepsTest,
    ::testing::Values(
        StepsCase{"Granted", [](ScriptedAdminRights&) {}, noErr, noErr, 3},
        StepsCase{"Refused",
                  [](ScriptedAdminRights& s) { s.SetRequestResult(userCanceledErr, "no"); },
                  userCanceledErr, noErr, 0},
        StepsCase{"RefusedAtTheUserReport",
                  [](ScriptedAdminRights& s) { s.RefuseAtRun(0, userCanceledErr); },
                  userCanceledErr, noErr, 1},
        StepsCase{"FailingUserReportIgnored",
                  [](ScriptedAdminRights& s) { s.FailToStart("/usr/bin/id", fnfErr); }, noErr,
                  noErr, 3},
        // Same status as an unavailable backend, but not a refusal.
        StepsCase{"ToolCannotStart",
                  [](ScriptedAdminRights& s) { s.FailToStart("/usr/bin/touch", permErr); }, noErr,
                  permErr, 2}),
    [](const auto& p) { return std::string(p.param.label); });

// pkexec's answers, played by a script standing in for it. It records the vector it was
// given (arguments separated by NUL, one invocation per line) before answering. The tests
// run in the temporary folder, so that a command a shell ran by mistake leaves its traces
// there.
class PkexecTest : public testing::TempRoot {
protected:
    void SetUp() override {
        TempRoot::SetUp();
        previousFolder_ = std::filesystem::current_path();
        std::filesystem::current_path(root());
        SetAdminMode(AdminMode::Pkexec);
    }
    void TearDown() override {
        pkexec_.reset();
        SetAdminMode(AdminMode::Automatic);
        std::filesystem::current_path(previousFolder_);
        TempRoot::TearDown();
    }
    void FakePkexec(const std::string& answer) {
        const std::string log = Path("pkexec.log");
        WriteFile(Path("fake-pkexec"), "#!/bin/sh\nprintf '%s\\0' \"$@\" >> '" + log +
                                           "'\nprintf '\\n' >> '" + log + "'\n" + answer + "\n");
        chmod(Path("fake-pkexec").c_str(), 0755);
        pkexec_.emplace("ORVANE_PKEXEC", Path("fake-pkexec"));
    }
    std::vector<ToolArguments> Invocations() const {
        std::vector<ToolArguments> calls;
        std::istringstream lines(ReadFile(Path("pkexec.log")));
        for (std::string line; std::getline(lines, line);) {
            ToolArguments args;
            for (size_t a = 0, z; (z = line.find('\0', a)) != std::string::npos; a = z + 1)
                args.push_back(line.substr(a, z - a));
            calls.push_back(args);
        }
        return calls;
    }
    std::optional<ScopedEnv> pkexec_;
    std::filesystem::path previousFolder_;
};

TEST_F(PkexecTest, GrantedRunsEachToolThroughPkexecUntouched) {
    FakePkexec("exec \"$@\"");
    const std::string target = Path("it's \"odd\"; $(touch x)");
    WriteFile(target, "");
    const AdminStepsResult result = RunWithAdminRights({{"/bin/chmod", "0606", target}});
    EXPECT_EQ(result.requestStatus, noErr);
    EXPECT_EQ(result.toolStatus, noErr);
    EXPECT_THAT(Invocations(), ElementsAre(kIdStep, ToolArguments{"/bin/chmod", "0606", target}));
    EXPECT_FALSE(result.toolOutput.empty()); // the user name from id
    struct stat st {};
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0606u);
    EXPECT_FALSE(Exists(Path("x")));
}

struct PkexecCase {
    const char* label;
    std::string answer; // empty: no pkexec at all
    ToolArguments tool;
    OSErr requestStatus, toolStatus;
    size_t invocations;
    std::string message; // a part of the refusal's message
};

class PkexecAnswerTest : public PkexecTest, public ::testing::WithParamInterface<PkexecCase> {};

TEST_P(PkexecAnswerTest, BecomesAGrantOrARefusal) {
    const PkexecCase& c = GetParam();
    if (c.answer.empty())
        pkexec_.emplace("ORVANE_PKEXEC", Path("no-such-pkexec"));
    else
        FakePkexec(c.answer);
    ToolArguments tool = c.tool;
    for (std::string& arg : tool)
        if (arg.rfind("WORK/", 0) == 0)
            arg = Path(arg.substr(5));
    const AdminStepsResult result = RunWithAdminRights({tool});
    EXPECT_EQ(result.requestStatus, c.requestStatus);
    EXPECT_EQ(result.toolStatus, c.toolStatus);
    EXPECT_EQ(result.refusal.status, c.requestStatus);
    EXPECT_EQ(Invocations().size(), c.invocations);
    std::string message = c.message == "WORK" ? Path("no-such-pkexec") : c.message;
    EXPECT_THAT(result.refusal.message, HasSubstr(message));
}

const ToolArguments kChmodMissing = {"/bin/chmod", "0", "WORK/none"};
const std::string kRefusal = "echo 'Error executing command as another user: ";

INSTANTIATE_TEST_SUITE_P(
    Answers, PkexecAnswerTest,
    ::testing::Values(
        // Dismissed: a cancel, and nothing else is asked.
        PkexecCase{"Dismissed", kRefusal + "Request dismissed' >&2\nexit 126", kChmod,
                   userCanceledErr, noErr, 1, ""},
        PkexecCase{"NotAuthorized", kRefusal + "Not authorized' >&2\nexit 127", kChmod,
                   userCanceledErr, noErr, 1, ""},
        PkexecCase{"NoAgent", kRefusal + "No authentication agent found.' >&2\nexit 127", kChmod,
                   kAdminUnavailableErr, noErr, 1, "authentication agent"},
        PkexecCase{"MissingPkexec", "", kChmod, kAdminUnavailableErr, noErr, 0, "WORK"},
        PkexecCase{"RefusedAtTheTool",
                   "if [ \"$1\" = /usr/bin/id ]; then exec \"$@\"; fi\nexit 126", kChmod,
                   userCanceledErr, noErr, 2, ""},
        PkexecCase{"ToolsOwnFailure", "exec \"$@\"", kChmodMissing, noErr, noErr, 2, ""},
        // A tool that is not there is not put to the user.
        PkexecCase{"MissingTool", "exec \"$@\"", {"WORK/no-such-tool"}, noErr, fnfErr, 1, ""}),
    [](const auto& p) { return std::string(p.param.label); });

} // namespace
} // namespace orvane
