// The --json writer: every string a script reads back is the string that went in, and
// the output parses whatever bytes a name or path holds.
#include "cli/JsonWriter.h"
#include "cli/MiniJson.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

using testing::JsonReader;

TEST(JsonWriter, QuotesWhatJsonRequiresAndReplacesWhatIsNotUtf8) {
    const std::pair<std::string, std::string> cases[] = {
        {"Portrait", "\"Portrait\""},
        {"say \"hi\" a\\b /", "\"say \\\"hi\\\" a\\\\b /\""},
        {"tab\tline\nfeed\r", "\"tab\\tline\\nfeed\\r\""},
        {std::string("nul\0x", 5), "\"nul\\u0000x\""},
        {"\x1f\x7f", "\"\\u001f\\u007f\""},
        // Valid UTF-8 passes unchanged.
        {"Gr\xC3\xBCn \xE2\x80\x9C\xF0\x9F\x96\xA8",
         "\"Gr\xC3\xBCn \xE2\x80\x9C\xF0\x9F\x96\xA8\""},
        // Bytes that are not UTF-8 become U+FFFD: a lone Latin-1 byte, a cut sequence, an
        // overlong "/", a surrogate, a value past U+10FFFF.
        {"caf\xE9", "\"caf\\ufffd\""},
        {"\xE2\x80", "\"\\ufffd\\ufffd\""},
        {"\xC0\xAF", "\"\\ufffd\\ufffd\""},
        {"\xED\xA0\x80", "\"\\ufffd\\ufffd\\ufffd\""},
        {"\xF4\x90\x80\x80", "\"\\ufffd\\ufffd\\ufffd\\ufffd\""},
    };
    for (const auto& [in, quoted] : cases)
        EXPECT_EQ(JsonQuote(in), quoted) << in;
}

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
    EXPECT_TRUE(v.Has("nothing") && v["nothing"].IsNull());
    ASSERT_EQ(v["numbers"].elements.size(), 3u);
    EXPECT_EQ(v["numbers"][1].text, "127.5");
    EXPECT_EQ(v["objects"][1]["k"].Integer(), 1);
    // One line per member, short number rows on one line, a final line feed.
    EXPECT_NE(out.find("\"numbers\": [-5, 127.5, null],\n"), std::string::npos) << out;
    EXPECT_EQ(out.back(), '\n');
}

} // namespace
} // namespace orvane
