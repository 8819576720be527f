// The same files, whatever the caller's locale: names stored under one locale read back the
// same under the others, and a PPD with translations stays valid for the printing system
// after writes made under any of them.
#include "cli/CliProcess.h"

#include <gtest/gtest.h>

namespace orvane::testing {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kLocales = {"C.UTF-8", "de_DE.UTF-8", "ja_JP.UTF-8"};
const std::string kLocalised = "Quillmark_ColorPage_5.ppd"; // *cupsLanguages: "de ja"

class LocaleTest : public SampleRootTest {
protected:
    CliResult Run(const std::string& locale, const std::vector<std::string>& args) {
        return SampleRootTest::Run(args, {{"LC_ALL", locale}});
    }
    std::string PPD() const { return PPDFolder() + "/" + kLocalised; }
};

// Under the installation's default (no locale file: Mac Roman) each user types a name in
// a locale of their own; everybody then lists the same names, in text and in JSON, and a
// name the installation cannot store is refused alike for all.
TEST_F(LocaleTest, NamesStoredUnderOneLocaleReadTheSameUnderEveryOther) {
    const std::vector<std::string> names = {"Portr\u00e1t", "Gr\u00f6\u00dfe", "Caf\u00e9 \u2122"};
    ASSERT_EQ(Run(kLocales[0], {"choose", kLocalised}).exitStatus, 0);
    for (size_t i = 0; i < names.size(); ++i) {
        ASSERT_EQ(Run(kLocales[i], {"add", names[i], "--all", "gamma:1.8"}).exitStatus, 0);
        ASSERT_EQ(Run(kLocales[i], {"to-ppd", names[i]}).exitStatus, 0);
    }
    std::vector<CliResult> refusals;
    for (const std::string& locale : kLocales) {
        refusals.push_back(Run(locale, {"add", "\u5199\u771f", "--all", "gamma:1.8"}));
        EXPECT_EQ(refusals.back().exitStatus, 1) << locale;
        EXPECT_EQ(refusals.back().err, refusals.front().err) << locale;
    }
    const CliResult text = Run(kLocales[0], {"list"});
    const CliResult json = Run(kLocales[0], {"--json", "list"});
    for (const std::string& name : names) {
        EXPECT_NE(text.out.find(name), std::string::npos) << name << "\n" << text.out;
        EXPECT_NE(json.out.find("\"" + name + "\""), std::string::npos) << name;
    }
    for (const std::string& locale : kLocales) {
        EXPECT_EQ(Run(locale, {"list"}).out, text.out) << locale;
        EXPECT_EQ(Run(locale, {"--json", "list"}).out, json.out) << locale;
    }
}

// A Japanese installation stores Japanese names; a caller in another locale still lists
// them as they were typed.
TEST_F(LocaleTest, AJapaneseInstallationKeepsJapaneseNamesForEveryCaller) {
    MakeFolder(Path("root/etc/default"));
    WriteFile(Path("root/etc/default/locale"), "LANG=\"ja_JP.UTF-8\"\n");
    ASSERT_EQ(Run("C.UTF-8", {"add", "\u5199\u771f", "--all", "gamma:2.2"}).exitStatus, 0);
    for (const std::string& locale : kLocales)
        EXPECT_NE(Run(locale, {"list"}).out.find("\u5199\u771f"), std::string::npos) << locale;
}

// cupstestppd passes the localised sample PPD after settings were written into it under
// each locale: every language it lists has the option's and every choice's translation.
TEST_F(LocaleTest, TheLocalisedSamplePPDPassesCupstestppdAfterWritesUnderEveryLocale) {
    if (access("/usr/bin/cupstestppd", X_OK) != 0) {
        if (std::getenv("ORVANE_REQUIRE_PRINTING_TOOLS"))
            FAIL() << "cupstestppd (cups-client) is missing";
        GTEST_SKIP() << "needs cupstestppd (package cups-client)";
    }
    const std::string original = ReadFile(PPD());
    for (const std::string& locale : kLocales) {
        WriteFile(PPD(), original);
        fs::remove(Path("root/etc/cups/ppd/._" + kLocalised));
        fs::remove_all(Path("config"));
        ASSERT_EQ(Run(locale, {"add", "Portr\u00e1t", "--all", "gamma:1.8"}).exitStatus, 0);
        ASSERT_EQ(Run(locale, {"add", "Vivid", "--cyan", "levels:0,,,25,,,60,,,,,,100"}).exitStatus,
                  0);
        ASSERT_EQ(Run(locale, {"choose", kLocalised}).exitStatus, 0);
        ASSERT_EQ(Run(locale, {"to-ppd", "Portr\u00e1t"}).exitStatus, 0);
        ASSERT_EQ(Run(locale, {"to-ppd", "Vivid"}).exitStatus, 0);
        const CliResult check =
            RunCli("/usr/bin/cupstestppd", {"-q", PPD()},
                   {{"PATH", "/usr/bin:/bin"}, {"LC_ALL", locale}}, Path("scratch"));
        EXPECT_EQ(check.exitStatus, 0) << locale << "\n" << check.out << check.err;
        const std::string written = ReadFile(PPD());
        for (const char* line : {"*de.Translation OrvaneTone/", "*ja.Translation OrvaneTone/",
                                 "*de.OrvaneTone Tone2/Vivid:", "*ja.OrvaneTone Tone2/Vivid:"})
            EXPECT_NE(written.find(line), std::string::npos) << locale << ": " << line;
        EXPECT_EQ(written.find("*en.OrvaneTone"), std::string::npos) << locale;
    }
}

} // namespace
} // namespace orvane::testing
