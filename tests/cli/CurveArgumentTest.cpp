// The command line's numbers and curve descriptions: a malformed number is refused with the
// editor's message rather than read digit by digit (OrvanectlTest runs them in a locale
// that writes a comma).
#include "cli/CurveArgument.h"
#include "cli/CliMessages.h"
#include "core/Alerts.h"
#include "tone/ToneTables.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

namespace orvane {
namespace {

TEST(CurveArgument, ReadsOnlyPlainDecimalsOfHundredths) {
    const std::pair<const char*, int32_t> read[] = {
        {"0", 0},
        {"100", 10000},
        {"2.2", 220},
        {"0.01", 1},
        {"007.50", 750},
        // Too large to hold: saturated, so that every range check refuses it.
        {"99999999999999999999", INT32_MAX},
        {"21474836.47", INT32_MAX}};
    for (const auto& [text, expected] : read) {
        int32_t value = -7;
        EXPECT_TRUE(ParseCommandLineHundredths(text, value)) << text;
        EXPECT_EQ(value, expected) << text;
    }
    for (const char* text :
         {"", ".5", "5.", "2,2", "2.205", "-1", "+1", "1e2", " 1", "0x10", "\xD9\xA1"}) {
        int32_t value = -7;
        EXPECT_FALSE(ParseCommandLineHundredths(text, value)) << text;
        EXPECT_EQ(value, -7) << text;
    }
}

TEST(CurveArgument, RefusesWithTheEditorsMessageAndChangesNothing) {
    const std::pair<const char*, OSErr> cases[] = {
        {"gamma:2.2", noErr},
        {"gamma:0", kBadGammaCode},
        {"gamma:", kBadGammaCode},
        {"gamma:1.234", kBadGammaCode},
        {"levels:0,,,,,,,,,,,,100", noErr},
        {"levels: 0 , , ,20,,,,,,,,, 100", noErr},
        // Range is judged later, with the whole setting (CheckCMYKToneIsValid).
        {"levels:0,,,,,,,,,,,,101", noErr},
        {"levels:0,,,5,5,,,,,,,,100", noErr},
        {"levels:x,,,,,,,,,,,,100", kEndPointsCode},
        {"levels:0,,,,,,,,,,,,1e2", kEndPointsCode},
        {"levels:0,,,-5,,,,,,,,,100", kPointOutOfRangeCode},
        {"levels:0,,,50.001,,,,,,,,,100", kPointOutOfRangeCode},
        {"levels:0,,,,,,,,,,,100", kCliLevelCountCode},
        {"levels:0,,,,,,,,,,,,,100", kCliLevelCountCode},
        {"", kCliBadCurveFormCode},
        {"Gamma:2.2", kCliBadCurveFormCode},
        {"level:0,,,,,,,,,,,,100", kCliBadCurveFormCode}};
    for (const auto& [spec, status] : cases) {
        CToneInfo curve;
        SetDefaultToneInfo(curve);
        const CToneInfo before = curve;
        EXPECT_EQ(ParseCurveSpec(spec, curve), status) << spec;
        if (status != noErr) {
            EXPECT_EQ(std::memcmp(&curve, &before, sizeof curve), 0) << "changed by " << spec;
        }
    }
}

TEST(CurveArgument, LevelsKeepEmptyFieldsAsNoPointAndGammaGivesTheEditorsLevels) {
    CToneInfo curve;
    ASSERT_EQ(ParseCurveSpec("levels:0,,,18.5,,,45,,,,,,100", curve), noErr);
    constexpr int32_t N = kNoPoint;
    const int32_t expected[kToneSlotCount] = {0, N, N, 1850, N, N, 4500, N, N, N, N, N, 10000};
    EXPECT_EQ(std::memcmp(curve.levels, expected, sizeof expected), 0);
    EXPECT_EQ(int32_t{curve.gamma}, kNoGamma);

    CToneInfo fromEditor;
    ASSERT_EQ(ParseCurveSpec("gamma:2.2", curve), noErr);
    ASSERT_EQ(MakeGammaToneInfo(fromEditor, 220), noErr);
    EXPECT_EQ(std::memcmp(&curve, &fromEditor, sizeof curve), 0);
    EXPECT_EQ(int32_t{curve.gamma}, 220);
    EXPECT_EQ(int32_t{curve.levels[6]}, 2176); // 21.76 % at 50 %, as the editor shows
}

} // namespace
} // namespace orvane
