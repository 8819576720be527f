// Encoding conversions: the iconv layer, the P-string conversions used for PPD text and the
// front ends' UTF-8 helpers. Every case runs with the locale variables under the test's
// control, because the application's encoding follows the user's language.
#include "ppd/TextConversion.h"
#include "host/text/AppText.h"
#include "host/text/TextConverter.h"
#include "host/text/TextEncoding.h"
#include "support/PString.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace orvane {
namespace {

// Sets the language variables for one test and restores them afterwards.
class LanguageFixture : public ::testing::Test {
protected:
    static constexpr const char* kVariables[] = {"LC_ALL", "LC_MESSAGES", "LC_CTYPE", "LANG"};

    void SetUp() override {
        for (const char* name : kVariables) {
            const char* value = std::getenv(name);
            saved_.push_back(value ? std::optional<std::string>(value) : std::nullopt);
            unsetenv(name);
        }
        UseLanguage("en_US.UTF-8");
    }
    void TearDown() override {
        for (size_t i = 0; i < saved_.size(); ++i) {
            if (saved_[i])
                setenv(kVariables[i], saved_[i]->c_str(), 1);
            else
                unsetenv(kVariables[i]);
        }
    }
    static void UseLanguage(const char* locale) { setenv("LC_ALL", locale, 1); }

private:
    std::vector<std::optional<std::string>> saved_;
};

std::string PStr(ConstStringPtr p) {
    return PStrToString(p);
}

void SetPStr(StringPtr p, std::string_view text) {
    ASSERT_TRUE(PStrFromView(p, text));
}

// A destination pre-filled with a marker, to prove that failures leave it alone.
struct MarkedPString {
    Str255 bytes;
    MarkedPString() { std::memcpy(bytes, "\x06marker", 7); }
    bool untouched() const { return PStrView(bytes) == "marker"; }
};

bool IsValidUtf8(const std::string& text) {
    std::string ignored;
    return ConvertText(text, kTextEncodingUTF8, kTextEncodingUTF8, ignored) ==
           TextConversionStatus::ok;
}

// ---------------------------------------------------------------------------------------
// Characters that must convert both ways with exactly these bytes.

struct RoundTripCase {
    const char* label;
    TextEncoding encoding;
    const char* utf8;
    const char* encoded;
};

class RoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(RoundTrip, ConvertsBothWaysWithTheExpectedBytes) {
    const RoundTripCase& c = GetParam();
    std::string encoded, decoded;
    ASSERT_EQ(ConvertText(c.utf8, kTextEncodingUTF8, c.encoding, encoded),
              TextConversionStatus::ok);
    EXPECT_EQ(encoded, std::string(c.encoded));
    ASSERT_EQ(ConvertText(encoded, c.encoding, kTextEncodingUTF8, decoded),
              TextConversionStatus::ok);
    EXPECT_EQ(decoded, std::string(c.utf8));
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, RoundTrip,
    ::testing::Values(
        RoundTripCase{"MacRomanEAcute", kTextEncodingMacRoman, "Caf\u00e9", "Caf\x8e"},
        RoundTripCase{"MacRomanBullet", kTextEncodingMacRoman, "\u2022", "\xa5"},
        RoundTripCase{"MacRomanTrademark", kTextEncodingMacRoman, "\u2122", "\xaa"},
        RoundTripCase{"MacRomanSharpS", kTextEncodingMacRoman, "\u00df", "\xa7"},
        RoundTripCase{"MacRomanEuro", kTextEncodingMacRoman, "\u20ac", "\xdb"},
        RoundTripCase{"Latin1EAcute", kTextEncodingISOLatin1, "\u00e9", "\xe9"},
        RoundTripCase{"JapaneseHiragana", kTextEncodingMacJapanese, "\u3042\u3044",
                      "\x82\xa0\x82\xa2"},
        RoundTripCase{"JapaneseKanjiWithTrailBackslashByte", kTextEncodingMacJapanese, "\u8868",
                      "\x95\x5c"},
        RoundTripCase{"JapaneseHalfWidthKana", kTextEncodingMacJapanese, "\uff71", "\xb1"},
        RoundTripCase{"JapaneseKeepsAsciiTildeAndBackslash", kTextEncodingMacJapanese, "a~b\\c",
                      "a~b\\c"}),
    [](const auto& p) { return std::string(p.param.label); });

TEST(TextConverter, WaveDashFromEitherInputFormStoresTheSameByte) {
    for (const char* typed : {"\u301c", "\uff5e"}) {
        std::string encoded;
        ASSERT_EQ(ConvertText(typed, kTextEncodingUTF8, kTextEncodingMacJapanese, encoded),
                  TextConversionStatus::ok)
            << typed;
        EXPECT_EQ(encoded, "\x81\x60");
    }
}

// ---------------------------------------------------------------------------------------
// Failures: each maps to its status and leaves the output as it was.

struct FailureCase {
    const char* label;
    std::string input;
    TextEncoding from;
    TextEncoding to;
    size_t maxBytes;
    TextConversionStatus expected;
};

class ConversionFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(ConversionFailure, ReportsTheStatusAndKeepsTheOutput) {
    const FailureCase& c = GetParam();
    std::string output = "unchanged";
    EXPECT_EQ(ConvertText(c.input, c.from, c.to, output, c.maxBytes), c.expected);
    EXPECT_EQ(output, "unchanged");
}

constexpr size_t kNoLimit = static_cast<size_t>(-1);

INSTANTIATE_TEST_SUITE_P(
    Encodings, ConversionFailure,
    ::testing::Values(
        FailureCase{"JapaneseIntoLatin1", "\u65e5\u672c", kTextEncodingUTF8, kTextEncodingISOLatin1,
                    kNoLimit, TextConversionStatus::unmappable},
        FailureCase{"JapaneseIntoMacRoman", "\u3042", kTextEncodingUTF8, kTextEncodingMacRoman,
                    kNoLimit, TextConversionStatus::unmappable},
        FailureCase{"EAcuteIntoJapanese", "\u00e9", kTextEncodingUTF8, kTextEncodingMacJapanese,
                    kNoLimit, TextConversionStatus::unmappable},
        FailureCase{"TrademarkIntoLatin1", "\xaa", kTextEncodingMacRoman, kTextEncodingISOLatin1,
                    kNoLimit, TextConversionStatus::unmappable},
        FailureCase{"InvalidUtf8", "a\xff", kTextEncodingUTF8, kTextEncodingMacRoman, kNoLimit,
                    TextConversionStatus::unmappable},
        FailureCase{"UndefinedJapaneseCode", "\x85\x40", kTextEncodingMacJapanese,
                    kTextEncodingUTF8, kNoLimit, TextConversionStatus::unmappable},
        FailureCase{"JapaneseEndsOnLeadByte", "a\x82", kTextEncodingMacJapanese, kTextEncodingUTF8,
                    kNoLimit, TextConversionStatus::incomplete},
        FailureCase{"Utf8EndsMidCharacter", "\xe3\x81", kTextEncodingUTF8, kTextEncodingMacJapanese,
                    kNoLimit, TextConversionStatus::incomplete},
        FailureCase{"ResultOverLimit", "Caf\u00e9", kTextEncodingUTF8, kTextEncodingMacRoman, 3,
                    TextConversionStatus::tooLong},
        FailureCase{"UnknownSourceEncoding", "a", 0x7777, kTextEncodingUTF8, kNoLimit,
                    TextConversionStatus::unsupportedEncoding},
        FailureCase{"UnknownTargetEncoding", "a", kTextEncodingUTF8, 0x0100, kNoLimit,
                    TextConversionStatus::unsupportedEncoding}),
    [](const auto& p) { return std::string(p.param.label); });

TEST(TextConverter, GrowsPastTheFirstGuessUpToTheLimit) {
    // 300 half-width katakana: 300 bytes in, 900 bytes out.
    const std::string kana(300, '\xb1');
    std::string utf8;
    EXPECT_EQ(ConvertText(kana, kTextEncodingMacJapanese, kTextEncodingUTF8, utf8, 900),
              TextConversionStatus::ok);
    EXPECT_EQ(utf8.size(), 900u);
    EXPECT_EQ(ConvertText(kana, kTextEncodingMacJapanese, kTextEncodingUTF8, utf8, 899),
              TextConversionStatus::tooLong);
}

// ---------------------------------------------------------------------------------------
// Cutting at character boundaries.

struct PrefixCase {
    const char* label;
    std::string bytes;
    size_t limit;
    TextEncoding encoding;
    size_t expected;
};

class CharacterPrefix : public ::testing::TestWithParam<PrefixCase> {};

TEST_P(CharacterPrefix, NeverSplitsACharacter) {
    const PrefixCase& c = GetParam();
    EXPECT_EQ(CompleteCharacterPrefix(c.bytes, c.limit, c.encoding), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, CharacterPrefix,
    ::testing::Values(
        PrefixCase{"FitsWhole", "abc", 3, kTextEncodingUTF8, 3},
        PrefixCase{"Utf8TwoByteAtBorder", "a\u00e9", 2, kTextEncodingUTF8, 1},
        PrefixCase{"Utf8ThreeByteAtBorder", "ab\u2122", 4, kTextEncodingUTF8, 2},
        PrefixCase{"Utf8EndsExactly", "a\u2122b", 4, kTextEncodingUTF8, 4},
        PrefixCase{"JapaneseDoubleByteAtBorder", "a\x82\xa0", 2, kTextEncodingMacJapanese, 1},
        PrefixCase{"JapaneseTrailLooksLikeLead", "\x95\x82\xa0", 2, kTextEncodingMacJapanese, 2},
        PrefixCase{"SingleByteCutsAnywhere", "\x8e\x8e\x8e", 2, kTextEncodingMacRoman, 2}),
    [](const auto& p) { return std::string(p.param.label); });

// ---------------------------------------------------------------------------------------
// The P-string conversions.

class PStringConversion : public LanguageFixture {};

TEST_F(PStringConversion, ApplicationEncodingFollowsTheLanguage) {
    EXPECT_EQ(ApplicationTextEncoding(), kTextEncodingMacRoman);
    UseLanguage("ja_JP.UTF-8");
    EXPECT_EQ(ApplicationTextEncoding(), kTextEncodingMacJapanese);
    UseLanguage("C");
    EXPECT_EQ(ApplicationTextEncoding(), kTextEncodingMacRoman);
    unsetenv("LC_ALL");
    setenv("LANG", "ja_JP.eucJP", 1);
    EXPECT_EQ(ApplicationTextEncoding(), kTextEncodingMacJapanese);
}

TEST_F(PStringConversion, EmptyOrMissingArgumentsFailAndTouchNothing) {
    Str255 empty = {0};
    MarkedPString out;
    EXPECT_EQ(ConvSys_UTF8(empty, out.bytes), 0);
    EXPECT_EQ(ConvAppLang_PPDLang(empty, out.bytes, kTextEncodingISOLatin1), 0);
    EXPECT_TRUE(out.untouched());

    Str255 name;
    SetPStr(name, "Photo");
    EXPECT_EQ(ConvSys_UTF8(nullptr, out.bytes), 0);
    EXPECT_EQ(ConvSys_UTF8(name, nullptr), 0);
    EXPECT_EQ(ConvAppLang_PPDLang(nullptr, out.bytes, kTextEncodingUTF8), 0);
    EXPECT_EQ(ConvAppLang_PPDLang(name, nullptr, kTextEncodingUTF8), 0);
    EXPECT_TRUE(out.untouched());
}

TEST_F(PStringConversion, RomanNameToUtf8) {
    Str255 name;
    SetPStr(name, "Caf\x8e \xa5 Matte\xaa");
    MarkedPString out;
    ASSERT_EQ(ConvSys_UTF8(name, out.bytes), 1);
    EXPECT_EQ(PStr(out.bytes), "Caf\u00e9 \u2022 Matte\u2122");
}

TEST_F(PStringConversion, ThirtyTwoCharacterNameFitsWhole) {
    Str255 name;
    SetPStr(name, std::string(32, '\xaa')); // 32 trademark signs, 3 bytes each in UTF-8
    MarkedPString out;
    ASSERT_EQ(ConvSys_UTF8(name, out.bytes), 1);
    EXPECT_EQ(out.bytes[0], 96);
}

TEST_F(PStringConversion, LongResultIsCutToWholeCharactersWithin255Bytes) {
    Str255 name;
    SetPStr(name, std::string(255, '\x8e')); // 510 bytes of UTF-8
    MarkedPString out;
    ASSERT_EQ(ConvSys_UTF8(name, out.bytes), 1);
    EXPECT_EQ(out.bytes[0], 254);
    EXPECT_TRUE(IsValidUtf8(PStr(out.bytes)));
}

TEST_F(PStringConversion, SourceEndsAtAnEmbeddedNul) {
    Str255 name;
    SetPStr(name, std::string("ab\0cd", 5));
    MarkedPString out;
    ASSERT_EQ(ConvSys_UTF8(name, out.bytes), 1);
    EXPECT_EQ(PStr(out.bytes), "ab");
}

TEST_F(PStringConversion, JapaneseNameUnderJapaneseLanguage) {
    UseLanguage("ja_JP.UTF-8");
    Str255 name;
    SetPStr(name, "\x8e\xca\x90\x5e"); // 写真 in Mac Japanese
    MarkedPString utf8;
    ASSERT_EQ(ConvSys_UTF8(name, utf8.bytes), 1);
    EXPECT_EQ(PStr(utf8.bytes), "\u5199\u771f");

    MarkedPString sameEncoding;
    ASSERT_EQ(ConvAppLang_PPDLang(name, sameEncoding.bytes, kTextEncodingMacJapanese), 1);
    EXPECT_EQ(PStr(sameEncoding.bytes), PStr(name));

    MarkedPString latin1;
    EXPECT_EQ(ConvAppLang_PPDLang(name, latin1.bytes, kTextEncodingISOLatin1), 0);
    EXPECT_TRUE(latin1.untouched());
}

TEST_F(PStringConversion, RomanNameToEachPPDEncoding) {
    Str255 name;
    SetPStr(name, "Caf\x8e");
    struct Expectation {
        TextEncoding target;
        std::string bytes;
    };
    for (const Expectation& e : {Expectation{kTextEncodingISOLatin1, "Caf\xe9"},
                                 Expectation{kTextEncodingUTF8, "Caf\u00e9"},
                                 Expectation{kTextEncodingMacRoman, "Caf\x8e"}}) {
        MarkedPString out;
        ASSERT_EQ(ConvAppLang_PPDLang(name, out.bytes, e.target), 1) << e.target;
        EXPECT_EQ(PStr(out.bytes), e.bytes) << e.target;
    }
    MarkedPString japanese;
    EXPECT_EQ(ConvAppLang_PPDLang(name, japanese.bytes, kTextEncodingMacJapanese), 0);
    MarkedPString unknown;
    EXPECT_EQ(ConvAppLang_PPDLang(name, unknown.bytes, 0x7777), 0);
    EXPECT_TRUE(japanese.untouched());
    EXPECT_TRUE(unknown.untouched());
}

TEST_F(PStringConversion, CharacterMissingInTheTargetFails) {
    Str255 name;
    SetPStr(name, "Tone\xaa"); // trademark sign: in Mac Roman, not in ISO Latin-1
    MarkedPString out;
    EXPECT_EQ(ConvAppLang_PPDLang(name, out.bytes, kTextEncodingISOLatin1), 0);
    EXPECT_TRUE(out.untouched());
}

// ---------------------------------------------------------------------------------------
// g_ConvSJIS_UTF8: source limit and output size.

class SJISToUtf8 : public ::testing::Test {
protected:
    // `count` hiragana "a" (0x82 0xA0 each), then `tail`.
    static std::string Hiragana(size_t count, const std::string& tail = "") {
        std::string s;
        for (size_t i = 0; i < count; ++i)
            s += "\x82\xa0";
        return s + tail;
    }
    std::vector<char> out = std::vector<char>(4096, '#');
    bool untouched() const {
        return std::all_of(out.begin(), out.end(), [](char c) { return c == '#'; });
    }
};

TEST_F(SJISToUtf8, EightHundredSourceBytesConvert) {
    const std::string source = Hiragana(400);
    ASSERT_EQ(g_ConvSJIS_UTF8(source.c_str(), out.data(), out.size()), 1);
    std::string expected;
    for (int i = 0; i < 400; ++i)
        expected += "\u3042";
    EXPECT_EQ(std::string(out.data()), expected);
}

TEST_F(SJISToUtf8, EightHundredAndOneSourceBytesFail) {
    const std::string source = Hiragana(400, "a");
    EXPECT_EQ(g_ConvSJIS_UTF8(source.c_str(), out.data(), out.size()), 0);
    EXPECT_TRUE(untouched());
}

TEST_F(SJISToUtf8, OutputMustBeStrictlyShorterThanItsBuffer) {
    const std::string source = Hiragana(2, "ab"); // 3 + 3 + 2 = 8 bytes of UTF-8
    EXPECT_EQ(g_ConvSJIS_UTF8(source.c_str(), out.data(), 8), 0);
    EXPECT_TRUE(untouched());
    ASSERT_EQ(g_ConvSJIS_UTF8(source.c_str(), out.data(), 9), 1);
    EXPECT_EQ(std::string(out.data(), 9), std::string("\u3042\u3042ab", 8) + '\0');
    EXPECT_EQ(out[9], '#');
}

TEST_F(SJISToUtf8, BadArgumentsAndBadBytesFail) {
    EXPECT_EQ(g_ConvSJIS_UTF8(nullptr, out.data(), out.size()), 0);
    EXPECT_EQ(g_ConvSJIS_UTF8("a", nullptr, 10), 0);
    EXPECT_EQ(g_ConvSJIS_UTF8("a", out.data(), 0), 0);
    EXPECT_EQ(g_ConvSJIS_UTF8("a\x82", out.data(), out.size()), 0);
    EXPECT_EQ(g_ConvSJIS_UTF8("\x85\x40", out.data(), out.size()), 0);
    EXPECT_TRUE(untouched());
}

// ---------------------------------------------------------------------------------------
// The front ends' helpers.

class FrontEndText : public LanguageFixture {};

TEST_F(FrontEndText, TypedNameRoundTripsThroughTheApplicationEncoding) {
    std::string stored, shown;
    ASSERT_EQ(Utf8ToAppText("Caf\u00e9 \u2122", 32, stored), TextConversionStatus::ok);
    EXPECT_EQ(stored, "Caf\x8e \xaa");
    ASSERT_EQ(AppTextToUtf8(stored, shown), TextConversionStatus::ok);
    EXPECT_EQ(shown, "Caf\u00e9 \u2122");
}

TEST_F(FrontEndText, NameOverTheLimitIsRefusedNotCut) {
    std::string stored = "previous";
    EXPECT_EQ(Utf8ToAppText("Caf\u00e9", 4, stored), TextConversionStatus::ok);
    EXPECT_EQ(stored, "Caf\x8e"); // five UTF-8 bytes, four stored bytes: fits
    stored = "previous";
    EXPECT_EQ(Utf8ToAppText("Caf\u00e9s", 4, stored), TextConversionStatus::tooLong);
    EXPECT_EQ(stored, "previous");
}

TEST_F(FrontEndText, JapaneseNeedsTheJapaneseLanguage) {
    std::string stored = "previous";
    EXPECT_EQ(Utf8ToAppText("\u5199\u771f", 32, stored), TextConversionStatus::unmappable);
    EXPECT_EQ(stored, "previous");
    UseLanguage("ja_JP.UTF-8");
    ASSERT_EQ(Utf8ToAppText("\u5199\u771f", 32, stored), TextConversionStatus::ok);
    EXPECT_EQ(stored, "\x8e\xca\x90\x5e");
}

} // namespace
} // namespace orvane
