// Encoding conversions: the iconv layer, the P-string conversions used for PPD text and the
// front ends' UTF-8 helpers. The language variables are under each test's control, because
// the application's encoding follows the user's language.
#include "ppd/TextConversion.h"

#include "base/TempRoot.h"
#include "host/text/AppText.h"
#include "host/text/TextConverter.h"
#include "host/text/TextEncoding.h"
#include "support/PString.h"

#include <algorithm>
#include <cstring>

using namespace orvane;
using namespace orvane::testing;

namespace {

constexpr size_t kNoLimit = static_cast<size_t>(-1);

struct ConversionCase {
    const char* label;
    std::string input;
    TextEncoding from;
    TextEncoding to;
    std::string output; // what comes out; unchanged when `status` is a failure
    TextConversionStatus status = TextConversionStatus::ok;
    size_t maxBytes = kNoLimit;
};

class Conversion : public ::testing::TestWithParam<ConversionCase> {};

// Successful cases convert back to their input too; failures leave the output alone.
TEST_P(Conversion, GivesTheBytesOrTheStatus) {
    const ConversionCase& c = GetParam();
    std::string out = "unchanged";
    EXPECT_EQ(ConvertText(c.input, c.from, c.to, out, c.maxBytes), c.status);
    if (c.status != TextConversionStatus::ok) {
        EXPECT_EQ(out, "unchanged");
        return;
    }
    EXPECT_EQ(out, c.output);
    std::string back;
    if (std::string(c.label).find("OneWay") == std::string::npos) {
        ASSERT_EQ(ConvertText(out, c.to, c.from, back), TextConversionStatus::ok);
        EXPECT_EQ(back, c.input);
    }
}

constexpr TextEncoding kUtf8 = kTextEncodingUTF8, kRoman = kTextEncodingMacRoman,
                       kLatin1 = kTextEncodingISOLatin1, kJapanese = kTextEncodingMacJapanese;
using S = TextConversionStatus;

INSTANTIATE_TEST_SUITE_P(
    Encodings, Conversion,
    ::testing::Values(
        ConversionCase{"MacRomanAccents", "Caf\u00e9 \u2022\u2122\u20ac", kUtf8, kRoman,
                       "Caf\x8e \xa5\xaa\xdb"},
        ConversionCase{"Latin1EAcute", "\u00e9", kUtf8, kLatin1, "\xe9"},
        ConversionCase{"JapaneseHiragana", "\u3042\u3044", kUtf8, kJapanese, "\x82\xa0\x82\xa2"},
        ConversionCase{"JapaneseTrailBackslashByte", "\u8868", kUtf8, kJapanese, "\x95\x5c"},
        ConversionCase{"JapaneseHalfWidthKana", "\uff71", kUtf8, kJapanese, "\xb1"},
        ConversionCase{"JapaneseKeepsAsciiTildeBackslash", "a~b\\c", kUtf8, kJapanese, "a~b\\c"},
        // Either input form of the wave dash stores the same byte.
        ConversionCase{"OneWayWaveDash", "\u301c", kUtf8, kJapanese, "\x81\x60"},
        ConversionCase{"OneWayFullWidthTilde", "\uff5e", kUtf8, kJapanese, "\x81\x60"},
        // 300 half-width katakana: 300 bytes in, 900 out, past the first guess of the size.
        ConversionCase{"GrowsUpToTheLimit", std::string(300, '\xb1'), kJapanese, kUtf8,
                       [] {
                           std::string s;
                           for (int i = 0; i < 300; ++i)
                               s += "\uff71";
                           return s;
                       }(),
                       S::ok, 900},
        ConversionCase{"OneByteOverTheLimit", std::string(300, '\xb1'), kJapanese, kUtf8, "",
                       S::tooLong, 899},
        ConversionCase{"ResultOverLimit", "Caf\u00e9", kUtf8, kRoman, "", S::tooLong, 3},
        ConversionCase{"JapaneseIntoLatin1", "\u65e5\u672c", kUtf8, kLatin1, "", S::unmappable},
        ConversionCase{"JapaneseIntoMacRoman", "\u3042", kUtf8, kRoman, "", S::unmappable},
        ConversionCase{"EAcuteIntoJapanese", "\u00e9", kUtf8, kJapanese, "", S::unmappable},
        ConversionCase{"TrademarkIntoLatin1", "\xaa", kRoman, kLatin1, "", S::unmappable},
        ConversionCase{"InvalidUtf8", "a\xff", kUtf8, kRoman, "", S::unmappable},
        ConversionCase{"UndefinedJapaneseCode", "\x85\x40", kJapanese, kUtf8, "", S::unmappable},
        ConversionCase{"JapaneseEndsOnLeadByte", "a\x82", kJapanese, kUtf8, "", S::incomplete},
        ConversionCase{"Utf8EndsMidCharacter", "\xe3\x81", kUtf8, kJapanese, "", S::incomplete},
        ConversionCase{"UnknownSource", "a", 0x7777, kUtf8, "", S::unsupportedEncoding},
        ConversionCase{"UnknownTarget", "a", kUtf8, 0x0100, "", S::unsupportedEncoding}),
    [](const auto& p) { return std::string(p.param.label); });

TEST(CharacterPrefix, NeverSplitsACharacter) {
    struct Case {
        std::string bytes;
        size_t limit;
        TextEncoding encoding;
        size_t expected;
    };
    const Case cases[] = {
        {"abc", 3, kUtf8, 3},
        {"a\u00e9", 2, kUtf8, 1},
        {"ab\u2122", 4, kUtf8, 2},
        {"a\u2122b", 4, kUtf8, 4}, // ends exactly at the limit
        {"a\x82\xa0", 2, kJapanese, 1},
        {"\x95\x82\xa0", 2, kJapanese, 2}, // a trail byte that looks like a lead
        {"\x8e\x8e\x8e", 2, kRoman, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CompleteCharacterPrefix(c.bytes, c.limit, c.encoding), c.expected) << c.bytes;
}

// The language variables, set for one test and restored afterwards.
class LanguageTest : public ::testing::Test {
protected:
    static void UseLanguage(const char* locale) { setenv("LC_ALL", locale, 1); }
    ScopedEnv all_{"LC_ALL", "en_US.UTF-8"}, messages_{"LC_MESSAGES", nullptr},
        ctype_{"LC_CTYPE", nullptr}, lang_{"LANG", nullptr};
};

// A P-string result, or "(failed)" with the destination proved untouched.
std::string Converted(int (*convert)(ConstStringPtr, StringPtr), const std::string& source) {
    Str255 in, out;
    EXPECT_TRUE(PStrFromView(in, source));
    std::memcpy(out, "\x06marker", 7);
    if (convert(in, out) == 1)
        return PStrToString(out);
    EXPECT_EQ(PStrView(out), "marker");
    return "(failed)";
}

std::string ToPPD(const std::string& source, TextEncoding target) {
    Str255 in, out;
    EXPECT_TRUE(PStrFromView(in, source));
    std::memcpy(out, "\x06marker", 7);
    if (ConvAppLang_PPDLang(in, out, target) == 1)
        return PStrToString(out);
    EXPECT_EQ(PStrView(out), "marker");
    return "(failed)";
}

TEST_F(LanguageTest, ApplicationEncodingFollowsTheLanguage) {
    EXPECT_EQ(ApplicationTextEncoding(), kRoman);
    UseLanguage("ja_JP.UTF-8");
    EXPECT_EQ(ApplicationTextEncoding(), kJapanese);
    UseLanguage("C");
    EXPECT_EQ(ApplicationTextEncoding(), kRoman);
    unsetenv("LC_ALL");
    setenv("LANG", "ja_JP.eucJP", 1);
    EXPECT_EQ(ApplicationTextEncoding(), kJapanese);
}

TEST_F(LanguageTest, SystemNamesToUtf8) {
    const std::pair<std::string, std::string> cases[] = {
        {"Caf\x8e \xa5 Matte\xaa", "Caf\u00e9 \u2022 Matte\u2122"},
        {std::string("ab\0cd", 5), "ab"}, // the source ends at an embedded NUL
        {"", "(failed)"},
    };
    for (const auto& [source, expected] : cases)
        EXPECT_EQ(Converted(ConvSys_UTF8, source), expected);
    // 32 trademark signs are 96 bytes of UTF-8: whole; 255 letters of two bytes each are cut
    // to whole characters within 255 bytes.
    EXPECT_EQ(Converted(ConvSys_UTF8, std::string(32, '\xaa')).size(), 96u);
    const std::string cut = Converted(ConvSys_UTF8, std::string(255, '\x8e'));
    EXPECT_EQ(cut.size(), 254u);
    std::string ignored;
    EXPECT_EQ(ConvertText(cut, kUtf8, kUtf8, ignored), TextConversionStatus::ok);
    Str255 name = {1, 'a'};
    EXPECT_EQ(ConvSys_UTF8(nullptr, name), 0);
    EXPECT_EQ(ConvSys_UTF8(name, nullptr), 0);

    UseLanguage("ja_JP.UTF-8");
    EXPECT_EQ(Converted(ConvSys_UTF8, "\x8e\xca\x90\x5e"), "\u5199\u771f");
}

TEST_F(LanguageTest, SystemNamesToEachPPDEncoding) {
    EXPECT_EQ(ToPPD("Caf\x8e", kLatin1), "Caf\xe9");
    EXPECT_EQ(ToPPD("Caf\x8e", kUtf8), "Caf\u00e9");
    EXPECT_EQ(ToPPD("Caf\x8e", kRoman), "Caf\x8e");
    EXPECT_EQ(ToPPD("Caf\x8e", kJapanese), "(failed)");
    EXPECT_EQ(ToPPD("Caf\x8e", 0x7777), "(failed)");
    EXPECT_EQ(ToPPD("Tone\xaa", kLatin1), "(failed)"); // no trademark sign in ISO Latin-1
    EXPECT_EQ(ToPPD("", kLatin1), "(failed)");
    Str255 name = {1, 'a'};
    EXPECT_EQ(ConvAppLang_PPDLang(nullptr, name, kUtf8), 0);
    EXPECT_EQ(ConvAppLang_PPDLang(name, nullptr, kUtf8), 0);

    UseLanguage("ja_JP.UTF-8");
    EXPECT_EQ(ToPPD("\x8e\xca\x90\x5e", kJapanese), "\x8e\xca\x90\x5e");
    EXPECT_EQ(ToPPD("\x8e\xca\x90\x5e", kLatin1), "(failed)");
}

TEST(SJISToUtf8, ConvertsUpTo800SourceBytesIntoABufferWithRoom) {
    std::string hiragana, expected;
    for (int i = 0; i < 400; ++i) {
        hiragana += "\x82\xa0";
        expected += "\u3042";
    }
    std::vector<char> out(4096, '#');
    ASSERT_EQ(g_ConvSJIS_UTF8(hiragana.c_str(), out.data(), out.size()), 1);
    EXPECT_EQ(std::string(out.data()), expected);

    // Failures leave the buffer as it was.
    std::fill(out.begin(), out.end(), '#');
    const std::string eight = "\x82\xa0\x82\xa0"
                              "ab"; // 3 + 3 + 2 bytes of UTF-8
    EXPECT_EQ(g_ConvSJIS_UTF8((hiragana + "a").c_str(), out.data(), out.size()), 0);
    EXPECT_EQ(g_ConvSJIS_UTF8(eight.c_str(), out.data(), 8), 0) << "no room for the NUL";
    EXPECT_EQ(g_ConvSJIS_UTF8(nullptr, out.data(), out.size()), 0);
    EXPECT_EQ(g_ConvSJIS_UTF8("a", nullptr, 10), 0);
    EXPECT_EQ(g_ConvSJIS_UTF8("a", out.data(), 0), 0);
    EXPECT_EQ(g_ConvSJIS_UTF8("a\x82", out.data(), out.size()), 0);
    EXPECT_EQ(g_ConvSJIS_UTF8("\x85\x40", out.data(), out.size()), 0);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](char c) { return c == '#'; }));
    ASSERT_EQ(g_ConvSJIS_UTF8(eight.c_str(), out.data(), 9), 1);
    EXPECT_EQ(std::string(out.data(), 10), std::string("\u3042\u3042ab", 8) + '\0' + '#');
}

TEST_F(LanguageTest, TypedNamesAreStoredWholeOrRefused) {
    std::string stored, shown;
    ASSERT_EQ(Utf8ToAppText("Caf\u00e9 \u2122", 32, stored), TextConversionStatus::ok);
    EXPECT_EQ(stored, "Caf\x8e \xaa");
    ASSERT_EQ(AppTextToUtf8(stored, shown), TextConversionStatus::ok);
    EXPECT_EQ(shown, "Caf\u00e9 \u2122");
    // Five UTF-8 bytes are four stored bytes: they fit four; one more is refused, not cut.
    EXPECT_EQ(Utf8ToAppText("Caf\u00e9", 4, stored), TextConversionStatus::ok);
    stored = "previous";
    EXPECT_EQ(Utf8ToAppText("Caf\u00e9s", 4, stored), TextConversionStatus::tooLong);
    EXPECT_EQ(Utf8ToAppText("\u5199\u771f", 32, stored), TextConversionStatus::unmappable);
    EXPECT_EQ(stored, "previous");
    UseLanguage("ja_JP.UTF-8");
    ASSERT_EQ(Utf8ToAppText("\u5199\u771f", 32, stored), TextConversionStatus::ok);
    EXPECT_EQ(stored, "\x8e\xca\x90\x5e");
}

} // namespace
