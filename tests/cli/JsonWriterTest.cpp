// The --json writer: every string a script reads back is the string that went in, and
// the output parses whatever bytes a name or path holds.
#include "cli/JsonWriter.h"
#include "cli/MiniJson.h"

#include <gtest/gtest.h>

#include <string>

namespace orvane {
namespace {

using testing::JsonReader;

struct QuoteCase {
    std::string in;
    std::string quoted;
};

class JsonQuoteTest : public ::testing::TestWithParam<QuoteCase> {};

TEST_P(JsonQuoteTest, EscapesWhatJsonRequires) {
    EXPECT_EQ(JsonQuote(GetParam().in), GetParam().quoted);
}

INSTANTIATE_TEST_SUITE_P(
    Strings, JsonQuoteTest,
    ::testing::Values(QuoteCase{"Portrait", "\"Portrait\""},
                      QuoteCase{"say \"hi\"", "\"say \\\"hi\\\"\""},
                      QuoteCase{"a\\b", "\"a\\\\b\""}, QuoteCase{"tab\there", "\"tab\\there\""},
                      QuoteCase{"line\nfeed\r", "\"line\\nfeed\\r\""},
                      QuoteCase{std::string("nul\0x", 5), "\"nul\\u0000x\""},
                      QuoteCase{"\x1f\x7f", "\"\\u001f\\u007f\""}, QuoteCase{"/", "\"/\""},
                      // Valid UTF-8 passes unchanged.
                      QuoteCase{"Gr\xC3\xBC"
                                "n \xE2\x80\x9C"
                                "a\xE2\x80\x9D \xF0\x9F\x96\xA8",
                                "\"Gr\xC3\xBC"
                                "n \xE2\x80\x9C"
                                "a\xE2\x80\x9D \xF0\x9F\x96\xA8\""},
                      // Bytes that are not UTF-8 become U+FFFD: a lone Latin-1 byte, a cut
                      // sequence, an overlong "/", a surrogate, a value past U+10FFFF.
                      QuoteCase{"caf\xE9", "\"caf\\ufffd\""},
                      QuoteCase{"\xE2\x80", "\"\\ufffd\\ufffd\""},
                      QuoteCase{"\xC0\xAF", "\"\\ufffd\\ufffd\""},
                      QuoteCase{"\xED\xA0\x80", "\"\\ufffd\\ufffd\\ufffd\""},
                      QuoteCase{"\xF4\x90\x80\x80", "\"\\ufffd\\ufffd\\ufffd\\ufffd\""}));

TEST(JsonWriter, NestedOutputParsesBackToWhatWasWritten) {
    std::string out;
    JsonWriter json(out);
    json.BeginObject();
    json.Key("name");
    json.String("Lines\n\"quoted\"\t\x01");
    json.Key("flag");
    json.Bool(false);
    json.Key("nothing");
    json.Null();
    json.Key("numbers");
    json.BeginArray(true);
    json.Int(-5);
    json.NumberText("127.5");
    json.Null();
    json.EndArray();
    json.Key("empty");
    json.BeginArray();
    json.EndArray();
    json.Key("objects");
    json.BeginArray();
    json.BeginObject();
    json.EndObject();
    json.BeginObject();
    json.Key("k");
    json.Int(1);
    json.EndObject();
    json.EndArray();
    json.EndObject();

    const auto parsed = JsonReader::Parse(out);
    ASSERT_TRUE(parsed) << out;
    const auto& v = *parsed;
    EXPECT_EQ(v["name"].text, "Lines\n\"quoted\"\t\x01");
    EXPECT_EQ(v["flag"].kind, testing::JsonValue::Kind::boolean);
    EXPECT_FALSE(v["flag"].boolean);
    EXPECT_TRUE(v.Has("nothing"));
    EXPECT_TRUE(v["nothing"].IsNull());
    ASSERT_EQ(v["numbers"].elements.size(), 3u);
    EXPECT_EQ(v["numbers"][0].text, "-5");
    EXPECT_EQ(v["numbers"][1].text, "127.5");
    EXPECT_TRUE(v["numbers"][2].IsNull());
    EXPECT_TRUE(v["empty"].elements.empty());
    ASSERT_EQ(v["objects"].elements.size(), 2u);
    EXPECT_EQ(v["objects"][1]["k"].Integer(), 1);
    // One line per member, short number rows on one line, a final line feed.
    EXPECT_NE(out.find("\"numbers\": [-5, 127.5, null],\n"), std::string::npos) << out;
    EXPECT_EQ(out.back(), '\n');
}

} // namespace
} // namespace orvane
