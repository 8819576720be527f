// P-strings and number text: byte order, equality, editing within 255 bytes, searching, and
// the digit-number texts with their decimal separator.
#include "support/PString.h"
#include "support/NumberText.h"

#include "base/TempRoot.h"

#include <gtest/gtest.h>

#include <climits>

namespace orvane {
namespace {

using testing::ScopedEnv;
using testing::ScopedInstallationLanguage;

struct P {
    Str255 s;
    explicit P(std::string_view text) { EXPECT_TRUE(PStrFromView(s, text)); }
};

TEST(PStringOrder, ComparesUnsignedBytesShorterPrefixFirstAndEqualityLooksAtEveryByte) {
    const char* ascending[] = {"", "A", "AB", "ABC", "ABD", "Alpha", "alpha", "\216cru"};
    for (size_t i = 0; i + 1 < std::size(ascending); ++i) {
        EXPECT_EQ(MyPStrCompare(P(ascending[i]).s, P(ascending[i + 1]).s), -1) << ascending[i];
        EXPECT_EQ(MyPStrCompare(P(ascending[i + 1]).s, P(ascending[i]).s), 1) << ascending[i];
        EXPECT_EQ(MyPStrCompare(P(ascending[i]).s, P(ascending[i]).s), 0) << ascending[i];
    }
    EXPECT_TRUE(MyPStrEqual(P("Tone").s, P("Tone").s));
    EXPECT_FALSE(MyPStrEqual(P("Tone").s, P("Tone ").s));
    EXPECT_FALSE(MyPStrEqual(P("Photo1").s, P("Photo2").s)) << "the last byte counts too";
}

TEST(PStringEditing, CopyAppendAndFromViewStayWithinTheirSize) {
    P left(std::string(200, 'a'));
    EXPECT_EQ(MyPStrAdd(left.s, P(std::string(200, 'b')).s), 255);
    EXPECT_EQ(PStrView(left.s), std::string(200, 'a') + std::string(55, 'b'));
    // Overlapping copy: shifting a string one byte to the right inside its own buffer.
    P buffer("abc");
    MyPStrCopy(buffer.s, buffer.s + 1);
    EXPECT_EQ(PStrView(buffer.s + 1), "abc");

    Str32 name;
    name[0] = 7;
    EXPECT_FALSE(PStrFromView(name, std::string(33, 'x'), 32));
    EXPECT_EQ(name[0], 7) << "a refused name leaves the destination alone";
    EXPECT_TRUE(PStrFromView(name, std::string(32, 'x'), 32));
}

TEST(PStringSearch, FindsFirstOccurrenceOneBased) {
    const char text[] = "abcabc";
    EXPECT_EQ(SearchString(6, text, 2, "bc"), 2);
    EXPECT_EQ(SearchString(6, text, 2, "cb"), 0);
    EXPECT_EQ(SearchString(2, text, 3, "abc"), 0) << "pattern longer than the text";
    EXPECT_EQ(SearchString(6, text, P("ca").s), 3);
    EXPECT_FALSE(MyPStrCStrEqual(P("Tones").s, "Tone"));
}

TEST(PStringMunger, ReplacesGrowingAndShrinkingTheBlock) {
    Handle block = MyNewHandleClear(1 + 12);
    PStrFromView(HandleData(block), "About ^0 now");
    HLock(block);
    const int8_t state = HGetState(block);
    const P marker("^0"), product("Orvane Tone Settings"), shorter("X"),
        huge(std::string(255, 'h'));
    EXPECT_EQ(MySafeMungerPString(block, marker.s, product.s), 7);
    EXPECT_EQ(PStrView(HandleData(block)), "About Orvane Tone Settings now");
    EXPECT_EQ(HGetState(block), state) << "lock state restored";
    EXPECT_EQ(MySafeMungerPString(block, product.s, shorter.s), 7);
    EXPECT_EQ(PStrView(HandleData(block)), "About X now");
    EXPECT_EQ(MySafeMungerPString(block, marker.s, shorter.s), -1) << "pattern gone";
    // A replacement that would need more than 255 characters is refused unchanged.
    EXPECT_EQ(MySafeMungerPString(block, shorter.s, huge.s), -1);
    EXPECT_EQ(PStrView(HandleData(block)), "About X now");
    MyDisposeHandle(block);
}

TEST(NumberText, HexLongAndRangeHelpers) {
    Str255 out;
    GetHexStringFromLongValue(0x00AB12, out, true, true);
    EXPECT_EQ(PStrView(out), "0x0000AB12");
    GetHexStringFromLongValue(0x00AB12, out, false, false);
    EXPECT_EQ(PStrView(out), "AB12");
    char buffer[16];
    EXPECT_EQ(std::string(buffer, AppendLongString(buffer, INT32_MIN, false)), "-2147483648");
    EXPECT_EQ(std::string(buffer, AppendLongString(buffer, 0, true)), "+0");
    EXPECT_EQ(RestrictWithinRange(150, 100, 0), 100) << "reversed bounds are swapped";
    EXPECT_EQ(RestrictWithinRange(-5, 0, 100), 0);
}

std::string DigitText(int32_t v, int16_t d = 2, bool keepZeros = false) {
    Str255 out;
    MyDigitNumToString(v, d, out, keepZeros);
    return PStrToString(out);
}

int32_t ReadDigits(const std::string& text, int16_t d = 2) {
    return MyStringToDigitNum(reinterpret_cast<const unsigned char*>(text.data()),
                              static_cast<int16_t>(text.size()), d);
}

TEST(DigitNumberText, WritesAndReadsHundredths) {
    ScopedEnv locale("LC_ALL", "C");
    const std::pair<int32_t, const char*> written[] = {{0, "0"},   {5, "0.05"},    {50, "0.5"},
                                                       {100, "1"}, {3750, "37.5"}, {-5, "-0.05"}};
    for (const auto& [v, text] : written)
        EXPECT_EQ(DigitText(v), text);
    EXPECT_EQ(DigitText(1250, 2, true), "12.50");
    EXPECT_EQ(DigitText(0, 2, true), "0.00");
    EXPECT_EQ(DigitText(7, 0), "7");
    for (int32_t v = 0; v <= 10000; ++v)
        ASSERT_EQ(ReadDigits(DigitText(v)), v) << DigitText(v);

    EXPECT_EQ(ReadDigits(""), 0);
    EXPECT_EQ(ReadDigits("12."), 1200);
    EXPECT_EQ(ReadDigits(".5"), 50);
    EXPECT_EQ(ReadDigits("7.125"), 712) << "extra fraction digits are cut, not rounded";
    EXPECT_EQ(ReadDigits("+100"), 10000);
    // No validation: a letter counts its code minus 48 (the dialogs check input first).
    EXPECT_EQ(ReadDigits("1a", 0), 10 + ('a' - 48));
    EXPECT_EQ(MyStringToDigitNum(P("99.99").s, 2), 9999);
}

TEST(DigitNumberText, SeparatorAndScriptFollowTheLocale) {
    {
        ScopedEnv nowhere("LC_ALL", "xx_NOWHERE.UTF-8");
        EXPECT_EQ(GetDecimalPointCharacter(), '.');
        EXPECT_EQ(GetCurrentScriptCode(), 0);
        ScopedEnv japanese("LC_ALL", "ja_JP.UTF-8");
        EXPECT_EQ(GetCurrentScriptCode(), 0) << "the script is the installation's";
        ScopedInstallationLanguage installation("ja_JP.UTF-8");
        EXPECT_EQ(GetCurrentScriptCode(), 1);
    }
    ScopedEnv locale("LC_ALL", "de_DE.UTF-8");
    if (GetDecimalPointCharacter() != ',')
        GTEST_SKIP() << "de_DE.UTF-8 is not installed (scripts/install-deps.sh installs it)";
    EXPECT_EQ(DigitText(5), "0,05");
    EXPECT_EQ(DigitText(1250), "12,5");
    EXPECT_EQ(ReadDigits("12,5"), 1250);
    // With the comma locale a full stop is just another character: its code minus 48 (-2).
    EXPECT_EQ(ReadDigits("12.5"), ((12 * 10 - 2) * 10 + 5) * 100);
}

} // namespace
} // namespace orvane
