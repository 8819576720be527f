#include "support/NumberText.h"

#include "support/PString.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <optional>
#include <string>

using namespace orvane;

namespace {

// Sets LC_ALL for the duration of a test and restores the previous value.
class ScopedLocaleEnv {
public:
    explicit ScopedLocaleEnv(const char* value) {
        if (const char* old = std::getenv("LC_ALL"))
            previous_ = old;
        setenv("LC_ALL", value, 1);
    }
    ~ScopedLocaleEnv() {
        if (previous_)
            setenv("LC_ALL", previous_->c_str(), 1);
        else
            unsetenv("LC_ALL");
    }

private:
    std::optional<std::string> previous_;
};

std::string DigitText(int32_t v, int16_t d = 2, bool keepZeros = false) {
    Str255 out;
    MyDigitNumToString(v, d, out, keepZeros);
    return PStrToString(out);
}

int32_t ReadDigits(const std::string& text, int16_t d = 2) {
    return MyStringToDigitNum(reinterpret_cast<const unsigned char*>(text.data()),
                              static_cast<int16_t>(text.size()), d);
}

bool LocaleAvailable(const char* name) {
    ScopedLocaleEnv env(name);
    return GetDecimalPointCharacter() == ',';
}

} // namespace

TEST(LongText, SignsAndExtremes) {
    char buffer[16];
    auto text = [&](int32_t v, bool plus) {
        return std::string(buffer, AppendLongString(buffer, v, plus));
    };
    EXPECT_EQ(text(0, false), "0");
    EXPECT_EQ(text(0, true), "+0");
    EXPECT_EQ(text(-45, true), "-45");
    EXPECT_EQ(text(INT32_MIN, false), "-2147483648");
    EXPECT_EQ(text(INT32_MAX, true), "+2147483647");
    Str255 p;
    MyNumToString(1234, p);
    EXPECT_EQ(PStrView(p), "1234");
}

TEST(DigitNumberText, WritesHundredthsWithoutTrailingZeros) {
    ScopedLocaleEnv env("C");
    EXPECT_EQ(DigitText(0), "0");
    EXPECT_EQ(DigitText(5), "0.05");
    EXPECT_EQ(DigitText(50), "0.5");
    EXPECT_EQ(DigitText(100), "1");
    EXPECT_EQ(DigitText(1250), "12.5");
    EXPECT_EQ(DigitText(1234), "12.34");
    EXPECT_EQ(DigitText(3750), "37.5");
    EXPECT_EQ(DigitText(10000), "100");
    EXPECT_EQ(DigitText(25500), "255");
    EXPECT_EQ(DigitText(1250, 2, true), "12.50");
    EXPECT_EQ(DigitText(0, 2, true), "0.00");
    EXPECT_EQ(DigitText(-5), "-0.05");
    EXPECT_EQ(DigitText(7, 0), "7");
}

TEST(DigitNumberText, ReadsDigitByDigit) {
    ScopedLocaleEnv env("C");
    EXPECT_EQ(ReadDigits(""), 0);
    EXPECT_EQ(ReadDigits("12.5"), 1250);
    EXPECT_EQ(ReadDigits("12."), 1200);
    EXPECT_EQ(ReadDigits(".5"), 50);
    EXPECT_EQ(ReadDigits("7.125"), 712) << "extra fraction digits are cut, not rounded";
    EXPECT_EQ(ReadDigits("-3.75"), -375);
    EXPECT_EQ(ReadDigits("+100"), 10000);
    // No validation: a letter counts its code minus 48 (the dialogs check input first).
    EXPECT_EQ(ReadDigits("1a", 0), 10 + ('a' - 48));
    Str255 p;
    PStrFromView(p, "99.99");
    EXPECT_EQ(MyStringToDigitNum(p, 2), 9999);
}

TEST(DigitNumberText, RoundTripsEveryLevel) {
    ScopedLocaleEnv env("C");
    for (int32_t v = 0; v <= 10000; ++v)
        ASSERT_EQ(ReadDigits(DigitText(v)), v) << DigitText(v);
}

TEST(DigitNumberText, FollowsACommaLocale) {
    if (!LocaleAvailable("de_DE.UTF-8"))
        GTEST_SKIP() << "de_DE.UTF-8 is not installed (scripts/install-deps.sh installs it)";
    ScopedLocaleEnv env("de_DE.UTF-8");
    EXPECT_EQ(GetDecimalPointCharacter(), ',');
    EXPECT_EQ(DigitText(5), "0,05");
    EXPECT_EQ(DigitText(1250), "12,5");
    EXPECT_EQ(ReadDigits("12,5"), 1250);
    // With the comma locale a full stop is just another character: its code minus 48 (-2).
    EXPECT_EQ(ReadDigits("12.5"), ((12 * 10 - 2) * 10 + 5) * 100);
}

TEST(DigitNumberText, SeparatorFallsBackToPoint) {
    ScopedLocaleEnv env("xx_NOWHERE.UTF-8");
    EXPECT_EQ(GetDecimalPointCharacter(), '.');
}

TEST(RangeLimits, SwapsReversedBounds) {
    EXPECT_EQ(RestrictWithinRange(150, 0, 100), 100);
    EXPECT_EQ(RestrictWithinRange(-5, 0, 100), 0);
    EXPECT_EQ(RestrictWithinRange(50, 100, 0), 50);
    EXPECT_EQ(RestrictWithinRange(150, 100, 0), 100);
    EXPECT_EQ(LongMin(3, -2, 7), -2);
    EXPECT_EQ(LongMax(3, -2, 7, 9), 9);
}
