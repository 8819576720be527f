// The application's strings: the layouts of 'STR ' and 'STR#' data.
#include "core/AppResources.h"

#include "support/PString.h"
#include "support/StringResources.h"

#include <gtest/gtest.h>

#include <cstring>

namespace orvane {
namespace {

struct LayoutCase {
    const char* label;
    std::vector<uint8_t> data;
    int16_t index; // 0: read as 'STR '
    OSErr expected;
    std::string text;
};

class StringLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(StringLayout, ReadsTheTextOrRefuses) {
    const LayoutCase& c = GetParam();
    Str255 out;
    std::memcpy(out, "\x03old", 4);
    EXPECT_EQ(c.index == 0 ? StringFromResourceData(c.data, out)
                           : IndStringFromResourceData(c.data, c.index, out),
              c.expected);
    EXPECT_EQ(PStrView(out), c.text);
}

// Three items: "ab", "" and "c".
const std::vector<uint8_t> kList = {0x00, 0x03, 0x02, 'a', 'b', 0x00, 0x01, 'c'};

INSTANTIATE_TEST_SUITE_P(
    Strings, StringLayout,
    ::testing::Values(
        LayoutCase{"String", {0x02, 'h', 'i', 0xFF}, 0, noErr, "hi"},
        LayoutCase{"StringLengthPastData", {0x05, 'h', 'i'}, 0, mapReadErr, ""},
        LayoutCase{"ListEmptyItem", kList, 2, noErr, ""},
        LayoutCase{"ListLast", kList, 3, noErr, "c"},
        LayoutCase{"ListIndexPastCount", kList, 4, resNotFound, ""},
        LayoutCase{"ListCountPastData", {0x00, 0x09, 0x01, 'a'}, 3, mapReadErr, ""},
        LayoutCase{"ListItemPastData", {0x00, 0x02, 0x01, 'a', 0x04, 'b'}, 2, mapReadErr, ""}),
    [](const auto& p) { return std::string(p.param.label); });

} // namespace
} // namespace orvane
