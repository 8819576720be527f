// The application's strings: the layouts of 'STR ' and 'STR#' data, and the resource file
// the build compiles from resources/, read through the resource layer as the program does.
#include "core/AppResources.h"

#include "base/TempRoot.h"
#include "core/State.h"
#include "host/resources/ResourceManager.h"
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

class AppResourceFile : public testing::TempRoot {
protected:
    void SetUp() override {
        TempRoot::SetUp();
        glue_ = NewGlueRec();
        ASSERT_EQ(OpenApplicationResourceFile(&glue_->appResFile), noErr);
    }
    void TearDown() override {
        CloseResFile(glue_->appResFile);
        DisposeGlueRec(glue_);
        TempRoot::TearDown();
    }
    std::string String(int16_t id) {
        Str255 out;
        EXPECT_EQ(GetAppString(glue_, id, out), noErr) << "'STR ' " << id;
        return PStrToString(out);
    }
    std::string Item(int16_t list, int16_t index) {
        Str255 out;
        EXPECT_EQ(GetAppIndString(glue_, list, index, out), noErr) << list << "/" << index;
        return PStrToString(out);
    }
    GlueRec* glue_ = nullptr;
};

// The language prefix is 'STR ' 130 without its last six characters; it must be left with
// at least one. Texts that are not there (an empty item counts as missing) fail.
TEST_F(AppResourceFile, NamesAndMessagesAreThereAndMissingTextsFail) {
    EXPECT_EQ(String(129), "Orvane Preferences");
    const std::string language = String(130);
    ASSERT_GE(language.size(), 7u);
    EXPECT_EQ(language.substr(language.size() - 6), ".lproj");
    for (int16_t index = 1; index <= 11; ++index)
        EXPECT_GT(Item(1001, index).size(), 10u) << index;
    const struct {
        int16_t id, index; // index 0: 'STR '
    } missing[] = {{9999, 0}, {9999, 1}, {1001, 12}, {128, 2}};
    for (const auto& c : missing) {
        Str255 out;
        std::memcpy(out, "\x03old", 4);
        EXPECT_EQ(c.index ? GetAppIndString(glue_, c.id, c.index, out)
                          : GetAppString(glue_, c.id, out),
                  resNotFound)
            << c.id << "/" << c.index;
        EXPECT_EQ(out[0], 0);
    }
    testing::ScopedEnv bundle("ORVANE_BUNDLE_DIR", root());
    int16_t ref = 77;
    EXPECT_NE(OpenApplicationResourceFile(&ref), noErr);
    EXPECT_EQ(ref, 0);
}

} // namespace
} // namespace orvane
