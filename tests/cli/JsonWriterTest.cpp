// The --json writer's strings: what JSON requires is escaped, and bytes that are not UTF-8
// (a name or path may hold any) become U+FFFD, so that the output always parses. The
// writer's structure is read back by OrvanectlTest.
#include "cli/JsonWriter.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

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

} // namespace
} // namespace orvane
