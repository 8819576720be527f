// How pkexec's answers become granted and refused requests.
#include "host/rights/AdminRights.h"

#include "base/TempRoot.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace orvane {
namespace {

using ::testing::HasSubstr;
using testing::ScopedEnv;

const ToolArguments kChmod = {"/bin/chmod", "go+w", "/p"};

// pkexec's answers, played by a script standing in for it. It records each invocation (its
// arguments separated by NUL, one per line) before answering. The tests
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
    size_t Invocations() const {
        const std::string log = ReadFile(Path("pkexec.log"));
        return static_cast<size_t>(std::count(log.begin(), log.end(), '\n'));
    }
    std::optional<ScopedEnv> pkexec_;
    std::filesystem::path previousFolder_;
};

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
    EXPECT_EQ(Invocations(), c.invocations);
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
