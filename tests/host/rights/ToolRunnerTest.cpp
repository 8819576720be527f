// Running tools: argument vectors reach the tool untouched (no shell), output is read to
// the end and its start kept (never printed), and the ending is reported.
#include "host/rights/ToolRunner.h"

#include "host/files/HostTestFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>

namespace orvane {
namespace {

using testing::HostFolderTest;

class ToolRunnerTest : public HostFolderTest {
protected:
    // Writes an executable script into the work folder and returns its path.
    std::string Script(const std::string& name, const std::string& body) {
        std::string path = WorkPath(name);
        WriteFile(path, "#!/bin/sh\n" + body);
        chmod(path.c_str(), 0755);
        return path;
    }
};

TEST_F(ToolRunnerTest, ArgumentsReachTheToolAsTheyStand) {
    const std::string hostile = "a b \"c\" 'd' ; $(touch " + WorkPath("x") + ") `touch " +
                                WorkPath("y") + "` > " + WorkPath("z");
    ToolRun run;
    ::testing::internal::CaptureStdout();
    OSErr status = RunTool({"/bin/echo", hostile, "second"}, run);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "") << "nothing reaches our output";
    ASSERT_EQ(status, noErr);
    EXPECT_EQ(run.outputText, hostile + " second\n");
    EXPECT_TRUE(run.Succeeded());
    for (const char* name : {"x", "y", "z"})
        EXPECT_FALSE(Exists(WorkPath(name))) << name;
}

TEST_F(ToolRunnerTest, LongOutputIsReadToTheEndAndItsStartKept) {
    // Far more than a pipe holds, on both output and error, so a reader that serves only one
    // of them would hang the tool.
    std::string tool = Script("chatty", "i=0\nwhile [ $i -lt 3000 ]; do\n"
                                        "  echo \"line $i of the output\"\n"
                                        "  echo \"line $i of the errors\" >&2\n"
                                        "  i=$((i+1))\ndone\nexit 3\n");
    ToolRun run;
    ASSERT_EQ(RunTool({tool}, run), noErr);
    EXPECT_EQ(run.exitCode, 3); // it ran to its end
    EXPECT_FALSE(run.Succeeded());
    EXPECT_EQ(run.outputText.rfind("line 0 of the output\n", 0), 0u);
    EXPECT_EQ(run.errorText.rfind("line 0 of the errors\n", 0), 0u);
    EXPECT_EQ(run.outputText.size(), 4096u);
    EXPECT_EQ(run.errorText.size(), 4096u);
}

TEST_F(ToolRunnerTest, ReportsASignal) {
    std::string tool = Script("killed", "kill -TERM $$\n");
    ToolRun run;
    ASSERT_EQ(RunTool({tool}, run), noErr);
    EXPECT_EQ(run.signal, SIGTERM);
    EXPECT_EQ(run.exitCode, -1);
}

TEST_F(ToolRunnerTest, StartFailures) {
    ToolRun run;
    EXPECT_EQ(RunTool({}, run), paramErr);
    EXPECT_EQ(RunTool({"echo", "no search through PATH"}, run), paramErr);
    EXPECT_EQ(RunTool({WorkPath("missing-tool")}, run), fnfErr);
    WriteFile(WorkPath("not-executable"), "#!/bin/sh\n");
    chmod(WorkPath("not-executable").c_str(), 0644);
    EXPECT_EQ(RunTool({WorkPath("not-executable")}, run), permErr);
}

TEST_F(ToolRunnerTest, OpenFilesDoNotReachTheTool) {
    std::string path = WorkPath("held-open");
    WriteFile(path, "secret");
    int fd = open(path.c_str(), O_RDONLY); // deliberately without close-on-exec
    ASSERT_GE(fd, 0);
    std::string tool = Script("probe", "test -e /proc/self/fd/$1 && echo open || echo closed\n");
    ToolRun run;
    const OSErr status = RunTool({tool, std::to_string(fd)}, run);
    close(fd);
    ASSERT_EQ(status, noErr);
    EXPECT_EQ(run.outputText, "closed\n");
}

} // namespace
} // namespace orvane
