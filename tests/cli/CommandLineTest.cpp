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

TEST(CommandLine, OptionsGoBeforeOrAfterTheCommand) {
    CliArguments args;
    ASSERT_EQ(Parse({"--os-level", "2", "--json", "--admin=user", "list"}, args), "");
    EXPECT_EQ(args.command, CliCommand::list);
    EXPECT_EQ(args.osLevel, 2);
    EXPECT_TRUE(args.json);
    EXPECT_EQ(args.admin, CliAdmin::user);

    ASSERT_EQ(
        Parse({"table", "Portrait", "--json", "--os-level=0", "--ppd", "--admin", "pkexec"}, args),
        "");
    EXPECT_EQ(args.command, CliCommand::table);
    EXPECT_EQ(args.osLevel, 0);
    EXPECT_TRUE(args.json && args.ppd);
    EXPECT_EQ(args.admin, CliAdmin::pkexec);
    EXPECT_EQ(args.operands, std::vector<std::string>{"Portrait"});
    ASSERT_EQ(Parse({"list"}, args), "");
    EXPECT_EQ(args.admin, CliAdmin::fromEnvironment);

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

TEST(CommandLine, AddTakesEitherOneCurveOrTheInks) {
    CliArguments args;
    ASSERT_EQ(Parse({"add", "Portrait", "--all", "gamma:1.8", "--replace"}, args), "");
    EXPECT_EQ(args.command, CliCommand::add);
    EXPECT_TRUE(args.replace);
    EXPECT_EQ(args.allCurve, "gamma:1.8");
    ASSERT_EQ(Parse({"add", "V", "--magenta=levels:0,,,,,,,,,,,,100", "--black", "gamma:2"}, args),
              "");
    EXPECT_FALSE(args.allCurve);
    EXPECT_FALSE(args.inkCurves[kCyan]);
    EXPECT_EQ(args.inkCurves[kMagenta], "levels:0,,,,,,,,,,,,100");
    EXPECT_FALSE(args.inkCurves[kYellow]);
    EXPECT_EQ(args.inkCurves[kBlack], "gamma:2");
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
