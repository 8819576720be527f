// The command line's numbers and curve descriptions: "." is the decimal point in every
// locale, and a malformed number is refused with the editor's message rather than read
// digit by digit.
#include "cli/CurveArgument.h"
#include "core/Alerts.h"
#include "cli/CliMessages.h"
#include "tone/ToneTables.h"

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cstring>
#include <string>

namespace orvane {
namespace {

struct HundredthsCase {
    const char* text;
    bool ok;
    int32_t value;
};

class HundredthsTest : public ::testing::TestWithParam<HundredthsCase> {};

TEST_P(HundredthsTest, ReadsOnlyPlainDecimals) {
    const HundredthsCase& c = GetParam();
    int32_t value = -7;
    EXPECT_EQ(ParseCommandLineHundredths(c.text, value), c.ok) << c.text;
    EXPECT_EQ(value, c.ok ? c.value : -7) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, HundredthsTest,
    ::testing::Values(HundredthsCase{"0", true, 0}, HundredthsCase{"100", true, 10000},
                      HundredthsCase{"2.2", true, 220}, HundredthsCase{"0.01", true, 1},
                      HundredthsCase{"99.99", true, 9999}, HundredthsCase{"007.50", true, 750},
                      // Too large to hold: saturated, so that every range check refuses it.
                      HundredthsCase{"99999999999999999999", true, INT32_MAX},
                      HundredthsCase{"21474836.47", true, INT32_MAX}, HundredthsCase{"", false, 0},
                      HundredthsCase{".5", false, 0}, HundredthsCase{"5.", false, 0},
                      HundredthsCase{"2,2", false, 0}, HundredthsCase{"2.205", false, 0},
                      HundredthsCase{"-1", false, 0}, HundredthsCase{"+1", false, 0},
                      HundredthsCase{"1e2", false, 0}, HundredthsCase{" 1", false, 0},
                      HundredthsCase{"1 ", false, 0}, HundredthsCase{"0x10", false, 0},
                      HundredthsCase{"1.2.3", false, 0}, HundredthsCase{"١", false, 0}));

struct SpecCase {
    const char* spec;
    OSErr status;
};

class CurveSpecStatusTest : public ::testing::TestWithParam<SpecCase> {};

TEST_P(CurveSpecStatusTest, RefusesWithTheEditorsMessage) {
    const SpecCase& c = GetParam();
    CToneInfo curve;
    SetDefaultToneInfo(curve);
    const CToneInfo before = curve;
    EXPECT_EQ(ParseCurveSpec(c.spec, curve), c.status) << c.spec;
    if (c.status != noErr) {
        EXPECT_EQ(std::memcmp(&curve, &before, sizeof curve), 0) << "changed by " << c.spec;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Specs, CurveSpecStatusTest,
    ::testing::Values(SpecCase{"gamma:2.2", noErr}, SpecCase{"gamma:0.01", noErr},
                      SpecCase{"gamma:99.99", noErr}, SpecCase{"gamma:0", kBadGammaCode},
                      SpecCase{"gamma:100", kBadGammaCode}, SpecCase{"gamma:", kBadGammaCode},
                      SpecCase{"gamma:2,2", kBadGammaCode}, SpecCase{"gamma:-1", kBadGammaCode},
                      SpecCase{"gamma:1.234", kBadGammaCode},
                      SpecCase{"levels:0,,,,,,,,,,,,100", noErr},
                      SpecCase{"levels: 0 , , ,20,,,,,,,,, 100", noErr},
                      // Range is judged later, with the whole setting (CheckCMYKToneIsValid).
                      SpecCase{"levels:0,,,,,,,,,,,,101", noErr},
                      SpecCase{"levels:x,,,,,,,,,,,,100", kEndPointsCode},
                      SpecCase{"levels:0,,,,,,,,,,,,1e2", kEndPointsCode},
                      SpecCase{"levels:0,,,-5,,,,,,,,,100", kPointOutOfRangeCode},
                      SpecCase{"levels:0,,,5,5,,,,,,,,100", noErr},
                      SpecCase{"levels:0,,,50.001,,,,,,,,,100", kPointOutOfRangeCode},
                      SpecCase{"levels:0,,,,,,,,,,,100", kCliLevelCountCode},
                      SpecCase{"levels:0,,,,,,,,,,,,,100", kCliLevelCountCode},
                      SpecCase{"levels:", kCliLevelCountCode}, SpecCase{"", kCliBadCurveFormCode},
                      SpecCase{"2.2", kCliBadCurveFormCode},
                      SpecCase{"Gamma:2.2", kCliBadCurveFormCode},
                      SpecCase{"level:0,,,,,,,,,,,,100", kCliBadCurveFormCode}));

TEST(CurveSpec, LevelsKeepEmptyFieldsAsNoPoint) {
    CToneInfo curve;
    ASSERT_EQ(ParseCurveSpec("levels:0,,,18.5,,,45,,,,,,100", curve), noErr);
    const int32_t expected[kToneSlotCount] = {0,        kNoPoint, kNoPoint, 1850,     kNoPoint,
                                              kNoPoint, 4500,     kNoPoint, kNoPoint, kNoPoint,
                                              kNoPoint, kNoPoint, 10000};
    for (int slot = 0; slot < kToneSlotCount; ++slot)
        EXPECT_EQ(int32_t{curve.levels[slot]}, expected[slot]) << "slot " << slot;
    EXPECT_EQ(int32_t{curve.gamma}, kNoGamma);
}

TEST(CurveSpec, GammaGivesTheEditorsLevelsAndRecordsTheGamma) {
    CToneInfo fromSpec;
    ASSERT_EQ(ParseCurveSpec("gamma:2.2", fromSpec), noErr);
    CToneInfo fromEditor;
    ASSERT_EQ(MakeGammaToneInfo(fromEditor, 220), noErr);
    EXPECT_EQ(std::memcmp(&fromSpec, &fromEditor, sizeof fromSpec), 0);
    EXPECT_EQ(int32_t{fromSpec.gamma}, 220);
    EXPECT_EQ(int32_t{fromSpec.levels[6]}, 2176); // 21.76 % at 50 %, as the editor shows
}

// The decimal point is "." even where the user's locale writes a comma.
TEST(CurveSpec, DecimalPointDoesNotFollowTheLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "de_DE.UTF-8 is not installed (scripts/install-deps.sh adds it)";
    CToneInfo curve;
    EXPECT_EQ(ParseCurveSpec("gamma:2.2", curve), noErr);
    EXPECT_EQ(int32_t{curve.gamma}, 220);
    EXPECT_EQ(ParseCurveSpec("gamma:2,2", curve), kBadGammaCode);
    std::setlocale(LC_ALL, previous.c_str());
}

} // namespace
} // namespace orvane
