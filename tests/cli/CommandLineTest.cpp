// orvanectl's command line: what each command accepts, and the reasons it gives for what
// it does not.
#include "cli/CommandLine.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace orvane {
namespace {

std::string Parse(std::initializer_list<const char*> words, CliArguments& args) {
    std::vector<const char*> argv{"orvanectl"};
    argv.insert(argv.end(), words);
    return ParseCliArguments(static_cast<int>(argv.size()), argv.data(), args);
}

TEST(CommandLine, GlobalOptionsGoBeforeOrAfterTheCommand) {
    CliArguments args;
    ASSERT_EQ(Parse({"--os-level", "2", "--json", "list"}, args), "");
    EXPECT_EQ(args.command, CliCommand::list);
    EXPECT_EQ(args.osLevel, 2);
    EXPECT_TRUE(args.json);

    ASSERT_EQ(Parse({"table", "Portrait", "--json", "--os-level=0", "--ppd"}, args), "");
    EXPECT_EQ(args.command, CliCommand::table);
    EXPECT_EQ(args.osLevel, 0);
    EXPECT_TRUE(args.json);
    EXPECT_TRUE(args.ppd);
    EXPECT_EQ(args.operands, std::vector<std::string>{"Portrait"});
}

TEST(CommandLine, AdminModes) {
    CliArguments args;
    ASSERT_EQ(Parse({"--admin=user", "list"}, args), "");
    EXPECT_EQ(args.admin, CliAdmin::user);
    ASSERT_EQ(Parse({"list", "--admin", "pkexec"}, args), "");
    EXPECT_EQ(args.admin, CliAdmin::pkexec);
    ASSERT_EQ(Parse({"list"}, args), "");
    EXPECT_EQ(args.admin, CliAdmin::fromEnvironment);
    EXPECT_NE(Parse({"--admin=sudo", "list"}, args), "");
}

TEST(CommandLine, AddTakesEitherOneCurveOrTheInks) {
    CliArguments args;
    ASSERT_EQ(Parse({"add", "Portrait", "--all", "gamma:1.8", "--replace"}, args), "");
    EXPECT_EQ(args.command, CliCommand::add);
    EXPECT_TRUE(args.replace);
    EXPECT_EQ(args.allCurve, "gamma:1.8");

    ASSERT_EQ(
        Parse({"add", "Vivid", "--magenta=levels:0,,,,,,,,,,,,100", "--black", "gamma:2"}, args),
        "");
    EXPECT_FALSE(args.allCurve);
    EXPECT_FALSE(args.inkCurves[kCyan]);
    EXPECT_EQ(args.inkCurves[kMagenta], "levels:0,,,,,,,,,,,,100");
    EXPECT_FALSE(args.inkCurves[kYellow]);
    EXPECT_EQ(args.inkCurves[kBlack], "gamma:2");
}

TEST(CommandLine, DoubleDashLetsANameBeginWithADash) {
    CliArguments args;
    ASSERT_EQ(Parse({"rename", "--ppd", "--", "-old-", "--new"}, args), "");
    EXPECT_EQ(args.command, CliCommand::rename);
    EXPECT_TRUE(args.ppd);
    EXPECT_EQ(args.operands, (std::vector<std::string>{"-old-", "--new"}));
}

TEST(CommandLine, HelpWinsOverEverythingElse) {
    CliArguments args;
    ASSERT_EQ(Parse({"add", "--help"}, args), "");
    EXPECT_EQ(args.command, CliCommand::help);
    ASSERT_EQ(Parse({"help"}, args), "");
    EXPECT_EQ(args.command, CliCommand::help);
    ASSERT_EQ(Parse({"--version"}, args), "");
    EXPECT_EQ(args.command, CliCommand::version);
}

struct RefusedCase {
    std::vector<const char*> words;
    const char* reasonHas; // a word the reason must contain
};

class RefusedCommandLineTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedCommandLineTest, SaysWhy) {
    const RefusedCase& c = GetParam();
    std::vector<const char*> argv{"orvanectl"};
    argv.insert(argv.end(), c.words.begin(), c.words.end());
    CliArguments args;
    const std::string reason = ParseCliArguments(static_cast<int>(argv.size()), argv.data(), args);
    EXPECT_NE(reason.find(c.reasonHas), std::string::npos) << "reason: " << reason;
}

INSTANTIATE_TEST_SUITE_P(
    Words, RefusedCommandLineTest,
    ::testing::Values(
        RefusedCase{{}, "no command"}, RefusedCase{{"lsit"}, "unknown command \"lsit\""},
        RefusedCase{{"list", "--frobnicate"}, "unknown option \"--frobnicate\""},
        RefusedCase{{"list", "extra"}, "no arguments"}, RefusedCase{{"choose"}, "PPD_PATH"},
        RefusedCase{{"duplicate", "A"}, "NAME and NEW"},
        RefusedCase{{"delete", "A", "B"}, "unexpected \"B\""},
        RefusedCase{{"add", "A"}, "needs the curves"},
        RefusedCase{{"add", "A", "--all", "gamma:2", "--cyan", "gamma:2"}, "not both"},
        RefusedCase{{"add", "A", "--cyan", "gamma:2", "--cyan", "gamma:3"}, "twice"},
        RefusedCase{{"add", "A", "--all"}, "needs a curve"},
        RefusedCase{{"add", "A", "--ppd", "--all", "gamma:2"}, "--ppd is not an option of add"},
        RefusedCase{{"delete", "A", "--replace"}, "--replace is not an option of delete"},
        RefusedCase{{"to-ppd", "A", "--ppd"}, "--ppd is not an option of to-ppd"},
        RefusedCase{{"table", "A", "--all", "gamma:2"}, "--all is not an option of table"},
        RefusedCase{{"--os-level", "3", "list"}, "0, 1 or 2"},
        RefusedCase{{"list", "--os-level"}, "needs a system level"},
        RefusedCase{{"--", "list"}, "before \"--\""}));

TEST(CommandLine, UsageNamesEveryCommand) {
    const std::string usage = CliUsageText();
    for (const char* command :
         {"list", "choose PPD_PATH", "add NAME [--replace] CURVES", "delete NAME [--ppd]",
          "duplicate NAME NEW [--ppd] [--replace]", "rename NAME NEW [--ppd] [--replace]",
          "to-ppd NAME [--replace]", "from-ppd NAME [--replace]", "table NAME [--ppd]"})
        EXPECT_NE(usage.find(command), std::string::npos) << command;
}

} // namespace
} // namespace orvane
