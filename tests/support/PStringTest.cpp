// P-strings and number text: byte order, equality, editing within 255 bytes, searching, and
// the digit-number texts.
#include "support/PString.h"
#include "support/NumberText.h"

#include "base/TempRoot.h"

#include <gtest/gtest.h>

#include <climits>

namespace orvane {
namespace {

using testing::ScopedEnv;

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

} // namespace
} // namespace orvane
