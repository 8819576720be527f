// The resource source compiler: the bytes it produces for each statement form, and one
// source each for the commoner mistakes, refused with its file and line.
#include "rez/ResourceSource.h"

#include "host/resources/ResourceForkFormat.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orvane {
namespace {

using ::testing::HasSubstr;
using Bytes = std::vector<uint8_t>;

Bytes PString(const std::string& text) {
    Bytes bytes(text.begin(), text.end());
    bytes.insert(bytes.begin(), static_cast<uint8_t>(text.size()));
    return bytes;
}

TEST(ResourceSource, EachStatementFormGivesItsBytes) {
    ResourceSourceCompiler compiler;
    ASSERT_TRUE(compiler.AddSource("resource 'STR ' 129 \"Prefs\"\n"
                                   "    string \"Orvane Preferences\"\n"
                                   "resource 'STR#' -5  # no name\n"
                                   "  item 1 \"ab\"\n  item 2 \"\"\n"
                                   "  item 3 \"c\" \"d\"\n         \"e\"   # continues item 3\n"
                                   "resource 'TEXT' 1007\n"
                                   "  text \"Caf\xC3\xA9 \xE2\x80\xA2 \xE2\x84\xA2\"\n"
                                   "  text \"\\n\\r\\t\\\"\\\\\\x8E\\xff#not a comment\"\n"
                                   "  hex 00 0102 fF\n",
                                   "test.rsrc.txt"));
    const std::vector<ResourceEntry> expected = {
        {MakeFourCC("STR "), 129, 0, true, "Prefs", PString("Orvane Preferences")},
        {MakeFourCC("STR#"), -5, 0, false, "", {0, 3, 2, 'a', 'b', 0, 3, 'c', 'd', 'e'}},
        {MakeFourCC("TEXT"), 1007, 0, false, "", {'C',  'a',  'f',  0x8E, ' ',  0xA5,
                                                  ' ',  0xAA, // Mac Roman é • ™
                                                  0x0A, 0x0D, 0x09, '"',  '\\', // escapes
                                                  0x8E, 0xFF, // \x bytes, unconverted
                                                  '#',  'n',  'o',  't',  ' ',  'a',
                                                  ' ',  'c',  'o',  'm',  'm',  'e',
                                                  'n',  't',  0x00, 0x01, 0x02, 0xFF}}, // hex
    };
    EXPECT_EQ(compiler.image().entries, expected);

    ResourceSourceCompiler japanese(kTextEncodingMacJapanese);
    ASSERT_TRUE(japanese.AddSource("resource 'STR ' 130\n string \"\xE5\x86\x99\xE7\x9C\x9F\"\n",
                                   "ja.rsrc.txt"));
    EXPECT_EQ(japanese.image().entries[0].data, (Bytes{4, 0x8e, 0xca, 0x90, 0x5e}));
}

struct MistakeCase {
    const char* label;
    std::string source;
    std::string expected; // "file:line: ..." prefix and a telling part of the message
};

class ResourceSourceMistake : public ::testing::TestWithParam<MistakeCase> {};

TEST_P(ResourceSourceMistake, IsRefusedWithFileAndLine) {
    const MistakeCase& c = GetParam();
    ResourceSourceCompiler compiler;
    EXPECT_FALSE(compiler.AddSource(c.source, "src.rsrc.txt"));
    ASSERT_EQ(compiler.errors().size(), 1u) << ::testing::PrintToString(compiler.errors());
    EXPECT_THAT(compiler.errors()[0], HasSubstr(c.expected));
    EXPECT_TRUE(compiler.image().entries.empty());
}

const std::string kStr = "resource 'STR ' 1\n";
const std::string kList = "resource 'STR#' 1\n";

INSTANTIATE_TEST_SUITE_P(
    Rez, ResourceSourceMistake,
    ::testing::Values(
        MistakeCase{"UnclosedString", kStr + " string \"abc\n", "src.rsrc.txt:2: string literal"},
        MistakeCase{"UnknownEscape", kStr + " string \"a\\qb\"\n", ":2: unknown escape \\q"},
        MistakeCase{"IdOutOfRange", "resource 'STR ' 32768\n string \"a\"\n", ":1: resource ID"},
        MistakeCase{"DuplicateInOneFile",
                    kStr + " string \"a\"\n\nresource 'STR ' 1\n string \"b\"\n",
                    ":4: 'STR ' 1 is already defined at src.rsrc.txt:1"},
        MistakeCase{"ItemOutOfOrder", kList + " item 1 \"a\"\n item 3 \"c\"\n",
                    ":3: item \"3\" of 'STR#' 1 out of order: the next item is 2"},
        MistakeCase{"StringTooLong", kStr + " string \"" + std::string(256, 'x') + "\"\n",
                    ":2: the string is 256 bytes long"},
        MistakeCase{"CharacterMissingInMacRoman", kStr + " string \"ok \xE6\x97\xA5\"\n",
                    ":2: \"\xE6\x97\xA5\" cannot be written in Mac Roman"}),
    [](const auto& p) { return std::string(p.param.label); });

} // namespace
} // namespace orvane
