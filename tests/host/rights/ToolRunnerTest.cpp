// Running tools: argument vectors reach the tool untouched (no shell), output is read to
// the end and its start kept (never printed), and the ending is reported.
#include "host/rights/ToolRunner.h"

#include "base/TempRoot.h"

#include <gtest/gtest.h>

#include <csignal>

namespace orvane {
namespace {

class ToolRunnerTest : public testing::TempRoot {
protected:
    // An executable script in the temporary folder.
    std::string Script(const std::string& name, const std::string& body) {
        WriteFile(Path(name), "#!/bin/sh\n" + body);
        chmod(Path(name).c_str(), 0755);
        return Path(name);
    }
};

TEST_F(ToolRunnerTest, ArgumentsReachTheToolAsTheyStand) {
    const std::string hostile =
        "a b \"c\" 'd' ; $(touch " + Path("x") + ") `touch " + Path("y") + "` > " + Path("z");
    ToolRun run;
    ::testing::internal::CaptureStdout();
    const OSErr status = RunTool({"/bin/echo", hostile, "second"}, run);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "") << "nothing reaches our output";
    ASSERT_EQ(status, noErr);
    EXPECT_EQ(run.outputText, hostile + " second\n");
    EXPECT_TRUE(run.Succeeded());
    for (const char* name : {"x", "y", "z"})
        EXPECT_FALSE(Exists(Path(name))) << name;
    EXPECT_EQ(RunTool({}, run), paramErr);
    EXPECT_EQ(RunTool({"echo", "no search through PATH"}, run), paramErr);
    EXPECT_EQ(RunTool({Path("missing-tool")}, run), fnfErr);
}

TEST_F(ToolRunnerTest, LongOutputIsReadToTheEndAndItsStartKept) {
    // Far more than a pipe holds, on both output and error, so a reader that serves only one
    // of them would hang the tool.
    const std::string tool = Script("chatty", "i=0\nwhile [ $i -lt 3000 ]; do\n"
                                              "  echo \"line $i of the output\"\n"
                                              "  echo \"line $i of the errors\" >&2\n"
                                              "  i=$((i+1))\ndone\nexit 3\n");
    ToolRun run;
    ASSERT_EQ(RunTool({tool}, run), noErr);
    EXPECT_EQ(run.exitCode, 3); // it ran to its end
    EXPECT_FALSE(run.Succeeded());
    EXPECT_EQ(run.outputText.substr(0, 21), "line 0 of the output\n");
    EXPECT_EQ(run.outputText.size() + run.errorText.size(), 2 * 4096u);

    ASSERT_EQ(RunTool({Script("killed", "kill -TERM $$\n")}, run), noErr);
    EXPECT_EQ(run.signal, SIGTERM);
    EXPECT_EQ(run.exitCode, -1);
}

} // namespace
} // namespace orvane
