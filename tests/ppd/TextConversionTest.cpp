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

constexpr TextEncoding kUtf8 = kTextEncodingUTF8, kRoman = kTextEncodingMacRoman,
                       kLatin1 = kTextEncodingISOLatin1, kJapanese = kTextEncodingMacJapanese;
using S = TextConversionStatus;

// Shift-JIS trail bytes that look like ASCII, both wave dashes, and the status (never a
// partial result) when the text does not fit or cannot be mapped.
TEST(TextConverter, GivesTheBytesOrTheStatusAndKeepsTheOutputOnFailure) {
    struct Case {
        std::string input;
        TextEncoding to;
        std::string output; // "unchanged" on failure
        S status;
        size_t maxBytes = static_cast<size_t>(-1);
    };
    const Case cases[] = {
        {"Caf\u00e9 \u2022\u2122\u20ac", kRoman, "Caf\x8e \xa5\xaa\xdb", S::ok},
        {"\u8868", kJapanese, "\x95\x5c", S::ok}, // a trail byte that is "\"
        {"\u301c", kJapanese, "\x81\x60", S::ok}, // either wave dash, one byte pair
        {"\uff5e", kJapanese, "\x81\x60", S::ok},
        {"Caf\u00e9", kRoman, "unchanged", S::tooLong, 3},
        {"\u65e5\u672c", kLatin1, "unchanged", S::unmappable},
        {"\xe3\x81", kJapanese, "unchanged", S::incomplete},
    };
    for (const Case& c : cases) {
        std::string out = "unchanged";
        EXPECT_EQ(ConvertText(c.input, kUtf8, c.to, out, c.maxBytes), c.status) << c.output;
        EXPECT_EQ(out, c.output);
    }
}

TEST(CharacterPrefix, NeverSplitsACharacter) {
    struct Case {
        std::string bytes;
        size_t limit;
        TextEncoding encoding;
        size_t expected;
    };
    const Case cases[] = {
        {"a\u00e9", 2, kUtf8, 1},       {"ab\u2122", 4, kUtf8, 2},
        {"a\u2122b", 4, kUtf8, 4}, /* ends exactly at the limit */
        {"a\x82\xa0", 2, kJapanese, 1}, {"\x95\x82\xa0", 2, kJapanese, 2}, // a trail like a lead
        {"\x8e\x8e\x8e", 2, kRoman, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CompleteCharacterPrefix(c.bytes, c.limit, c.encoding), c.expected) << c.bytes;
}

// The language variables, set for one test and restored afterwards.
// The installation's language decides the stored names' encoding; the caller's own locale
// (LC_ALL and the rest) must not.
class LanguageTest : public ::testing::Test {
protected:
    void UseInstallationLanguage(const char* locale) { installation_.emplace(locale); }
    ScopedEnv all_{"LC_ALL", "en_US.UTF-8"}, messages_{"LC_MESSAGES", nullptr},
        ctype_{"LC_CTYPE", nullptr}, lang_{"LANG", nullptr};
    std::optional<ScopedInstallationLanguage> installation_{"en_US.UTF-8"};
};

// A conversion's P-string result, or "(failed)" with the destination proved untouched.
template <typename Convert> std::string Converted(const std::string& source, Convert convert) {
    Str255 in, out;
    EXPECT_TRUE(PStrFromView(in, source));
    std::memcpy(out, "\x06marker", 7);
    if (convert(in, out) == 1)
        return PStrToString(out);
    EXPECT_EQ(PStrView(out), "marker");
    return "(failed)";
}
std::string ToUtf8(const std::string& source) {
    return Converted(source, ConvSys_UTF8);
}
std::string ToPPD(const std::string& source, TextEncoding target) {
    return Converted(source,
                     [&](auto in, auto out) { return ConvAppLang_PPDLang(in, out, target); });
}

TEST_F(LanguageTest, SystemNamesConvertToUtf8AndEachPPDEncoding) {
    EXPECT_EQ(ApplicationTextEncoding(), kRoman);
    EXPECT_EQ(ToUtf8("Caf\x8e \xa5 Matte\xaa"), "Caf\u00e9 \u2022 Matte\u2122");
    EXPECT_EQ(ToUtf8(std::string("ab\0cd", 5)), "ab") << "the source ends at a NUL";
    EXPECT_EQ(ToUtf8(""), "(failed)");
    // 255 letters of two UTF-8 bytes each: cut to whole characters within 255 bytes.
    EXPECT_EQ(ToUtf8(std::string(255, '\x8e')), [] {
        std::string s;
        for (int i = 0; i < 127; ++i)
            s += "\u00e9";
        return s;
    }());
    EXPECT_EQ(ToPPD("Caf\x8e", kLatin1), "Caf\xe9");
    EXPECT_EQ(ToPPD("Caf\x8e", kUtf8), "Caf\u00e9");
    EXPECT_EQ(ToPPD("Caf\x8e", kRoman), "Caf\x8e");
    EXPECT_EQ(ToPPD("Caf\x8e", kJapanese), "(failed)");
    EXPECT_EQ(ToPPD("Tone\xaa", kLatin1), "(failed)"); // no trademark sign in ISO Latin-1
    Str255 name = {1, 'a'};
    EXPECT_EQ(ConvSys_UTF8(nullptr, name), 0);
    EXPECT_EQ(ConvAppLang_PPDLang(name, nullptr, kUtf8), 0);

    {
        ScopedEnv japaneseCaller("LC_ALL", "ja_JP.UTF-8");
        EXPECT_EQ(ApplicationTextEncoding(), kRoman) << "the caller's locale changes nothing";
        EXPECT_EQ(ToUtf8("\x8e\xca\x90\x5e"), "\u00e9\u00a0\u00ea^");
    }
    UseInstallationLanguage("ja_JP.eucJP");
    EXPECT_EQ(ApplicationTextEncoding(), kJapanese);
    EXPECT_EQ(ToUtf8("\x8e\xca\x90\x5e"), "\u5199\u771f");
    EXPECT_EQ(ToPPD("\x8e\xca\x90\x5e", kJapanese), "\x8e\xca\x90\x5e");
    EXPECT_EQ(ToPPD("\x8e\xca\x90\x5e", kLatin1), "(failed)");
}

TEST_F(LanguageTest, TypedNamesAreStoredWholeOrRefused) {
    std::string stored, shown;
    ASSERT_EQ(Utf8ToAppText("Caf\u00e9 \u2122", 32, stored), S::ok);
    EXPECT_EQ(stored, "Caf\x8e \xaa");
    ASSERT_EQ(AppTextToUtf8(stored, shown), S::ok);
    EXPECT_EQ(shown, "Caf\u00e9 \u2122");
    // Five UTF-8 bytes are four stored bytes: they fit four; one more is refused, not cut.
    EXPECT_EQ(Utf8ToAppText("Caf\u00e9", 4, stored), S::ok);
    EXPECT_EQ(Utf8ToAppText("Caf\u00e9s", 4, stored), S::tooLong);
    EXPECT_EQ(Utf8ToAppText("\u5199\u771f", 32, stored), S::unmappable);
    EXPECT_EQ(stored, "Caf\x8e");
    UseInstallationLanguage("ja_JP.UTF-8");
    ASSERT_EQ(Utf8ToAppText("\u5199\u771f", 32, stored), S::ok);
    EXPECT_EQ(stored, "\x8e\xca\x90\x5e");
}

} // namespace
