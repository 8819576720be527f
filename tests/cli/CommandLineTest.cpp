// orvanectl's command line: what each command accepts, and the reasons it gives for what
// it does not.
#include "cli/CommandLine.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

std::string Parse(std::vector<const char*> words, CliArguments& args) {
    words.insert(words.begin(), "orvanectl");
    return ParseCliArguments(static_cast<int>(words.size()), words.data(), args);
}

// Where options may stand; the commands themselves are run end to end in OrvanectlTest.
TEST(CommandLine, OptionsGoAfterTheCommandUntilDoubleDashAndHelpWins) {
    CliArguments args;
    ASSERT_EQ(
        Parse({"table", "Portrait", "--json", "--os-level=0", "--ppd", "--admin", "pkexec"}, args),
        "");
    EXPECT_EQ(args.command, CliCommand::table);
    EXPECT_EQ(args.osLevel, 0);
    EXPECT_TRUE(args.json && args.ppd);
    EXPECT_EQ(args.admin, CliAdmin::pkexec);
    EXPECT_EQ(args.operands, std::vector<std::string>{"Portrait"});
    // "--" lets a name begin with a dash.
    ASSERT_EQ(Parse({"rename", "--ppd", "--", "-old-", "--new"}, args), "");
    EXPECT_EQ(args.command, CliCommand::rename);
    EXPECT_EQ(args.operands, (std::vector<std::string>{"-old-", "--new"}));
    // Help wins over everything else.
    for (const std::vector<const char*>& words :
         {std::vector<const char*>{"add", "--help"}, {"help"}, {"--version"}}) {
        ASSERT_EQ(Parse(words, args), "");
        EXPECT_EQ(args.command, words[0][2] == 'v' ? CliCommand::version : CliCommand::help);
    }
}

TEST(CommandLine, RefusalsSayWhy) {
    const std::pair<std::vector<const char*>, const char*> cases[] = {
        {{}, "no command"},
        {{"lsit"}, "unknown command \"lsit\""},
        {{"list", "--frobnicate"}, "unknown option \"--frobnicate\""},
        {{"list", "extra"}, "no arguments"},
        {{"choose"}, "PPD_PATH"},
        {{"duplicate", "A"}, "NAME and NEW"},
        {{"delete", "A", "B"}, "unexpected \"B\""},
        {{"add", "A"}, "needs the curves"},
        {{"add", "A", "--all", "gamma:2", "--cyan", "gamma:2"}, "not both"},
        {{"add", "A", "--cyan", "gamma:2", "--cyan", "gamma:3"}, "twice"},
        {{"add", "A", "--all"}, "needs a curve"},
        {{"add", "A", "--ppd", "--all", "gamma:2"}, "--ppd is not an option of add"},
        {{"delete", "A", "--replace"}, "--replace is not an option of delete"},
        {{"to-ppd", "A", "--ppd"}, "--ppd is not an option of to-ppd"},
        {{"table", "A", "--all", "gamma:2"}, "--all is not an option of table"},
        {{"--os-level", "3", "list"}, "0, 1 or 2"},
        {{"list", "--os-level"}, "needs a system level"},
        {{"--admin=sudo", "list"}, "sudo"},
        {{"--", "list"}, "before \"--\""},
    };
    for (const auto& [words, reason] : cases) {
        CliArguments args;
        const std::string said = Parse(words, args);
        EXPECT_NE(said.find(reason), std::string::npos) << reason << ": " << said;
    }
}

} // namespace
} // namespace orvane
