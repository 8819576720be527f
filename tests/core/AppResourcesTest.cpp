// The application's strings: the layouts of 'STR ' and 'STR#' data, and the resource file
// the build compiles from resources/, read through the resource layer as the program does.
#include "core/AppResources.h"
#include "host/resources/ResourceManager.h"
#include "support/PString.h"
#include "support/StringResources.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orvane {
namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------
// String resource layouts.

struct LayoutCase {
    const char* label;
    std::vector<uint8_t> data;
    int16_t index; // 0: read as 'STR '
    OSErr expected;
    std::string text;
};

void PrintTo(const LayoutCase& c, std::ostream* os) {
    *os << c.label;
}

class StringLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(StringLayout, ReadsTheTextOrRefuses) {
    const LayoutCase& c = GetParam();
    Str255 out;
    std::memcpy(out, "\x03old", 4);
    const OSErr err = c.index == 0 ? StringFromResourceData(c.data, out)
                                   : IndStringFromResourceData(c.data, c.index, out);
    EXPECT_EQ(err, c.expected);
    EXPECT_EQ(PStrView(out), c.text);
}

const std::vector<uint8_t> kList = {0x00, 0x03,      // three items
                                    0x02, 'a',  'b', // item 1
                                    0x00,            // item 2, empty
                                    0x01, 'c'};      // item 3

INSTANTIATE_TEST_SUITE_P(
    Strings, StringLayout,
    ::testing::Values(
        LayoutCase{"String", {0x02, 'h', 'i', 0xFF}, 0, noErr, "hi"},
        LayoutCase{"StringEmptyData", {}, 0, mapReadErr, ""},
        LayoutCase{"StringLengthPastData", {0x05, 'h', 'i'}, 0, mapReadErr, ""},
        LayoutCase{"ListFirst", kList, 1, noErr, "ab"},
        LayoutCase{"ListEmptyItem", kList, 2, noErr, ""},
        LayoutCase{"ListLast", kList, 3, noErr, "c"},
        LayoutCase{"ListIndexNegative", kList, -1, resNotFound, ""},
        LayoutCase{"ListIndexPastCount", kList, 4, resNotFound, ""},
        LayoutCase{"ListNoCount", {0x00}, 1, mapReadErr, ""},
        LayoutCase{"ListCountPastData", {0x00, 0x09, 0x01, 'a'}, 3, mapReadErr, ""},
        LayoutCase{"ListItemPastData", {0x00, 0x02, 0x01, 'a', 0x04, 'b'}, 2, mapReadErr, ""}),
    [](const auto& p) { return std::string(p.param.label); });

// ---------------------------------------------------------------------------------------
// The compiled resource file of the build.

class AppResourceFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "orvane-appres-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        home_ = pattern;
        for (const char* name : {"ORVANE_BUNDLE_DIR", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) {
            const char* value = std::getenv(name);
            saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
        setenv("ORVANE_BUNDLE_DIR", (std::string(ORVANE_BUILD_DIR) + "/share/orvane").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home_ + "/config").c_str(), 1);
        setenv("XDG_CACHE_HOME", (home_ + "/cache").c_str(), 1);
        glue_ = NewGlueRec();
        ASSERT_NE(glue_, nullptr);
    }
    void TearDown() override {
        if (glue_ && glue_->appResFile > 0)
            CloseResFile(glue_->appResFile);
        DisposeGlueRec(glue_);
        for (const auto& [name, value] : saved_) {
            if (value)
                setenv(name, value->c_str(), 1);
            else
                unsetenv(name);
        }
        std::error_code ignored;
        fs::remove_all(home_, ignored);
    }
    void Open() { ASSERT_EQ(OpenApplicationResourceFile(&glue_->appResFile), noErr); }

    std::string String(int16_t id) {
        Str255 out;
        EXPECT_EQ(GetAppString(glue_, id, out), noErr) << "'STR ' " << id;
        return PStrToString(out);
    }
    std::string Item(int16_t list, int16_t index) {
        Str255 out;
        EXPECT_EQ(GetAppIndString(glue_, list, index, out), noErr)
            << "'STR#' " << list << " item " << index;
        return PStrToString(out);
    }

    GlueRec* glue_ = nullptr;
    std::string home_;

private:
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

TEST_F(AppResourceFile, FolderAndFileNames) {
    Open();
    EXPECT_EQ(String(129), "Orvane Preferences");
    // The language prefix is 'STR ' 130 without its last six characters; it must be left
    // with at least one.
    const std::string language = String(130);
    ASSERT_GE(language.size(), 7u);
    EXPECT_EQ(language.substr(language.size() - 6), ".lproj");
    EXPECT_EQ(Item(131, 1), "Contents");
    EXPECT_EQ(Item(131, 2), "Resources");
    EXPECT_EQ(Item(131, 3), language);
}

TEST_F(AppResourceFile, EveryAlertMessageIsThere) {
    Open();
    for (int16_t index : {1, 3, 4, 5})
        EXPECT_GT(Item(128, index).size(), 20u) << index;
    for (int16_t index = 1; index <= 11; ++index)
        EXPECT_GT(Item(1001, index).size(), 10u) << index;
    EXPECT_NE(Item(1001, 7).find("0.01"), std::string::npos);
}

TEST_F(AppResourceFile, MissingTextsAreResNotFound) {
    Open();
    struct Case {
        ResType type;
        int16_t id;
        int16_t index;
    };
    for (const Case& c : {Case{kStringResType, 9999, 0}, Case{kStringListResType, 9999, 1},
                          Case{kStringListResType, 1001, 12},
                          Case{kStringListResType, 128, 2}}) { // an empty item counts as missing
        Str255 out;
        std::memcpy(out, "\x03old", 4);
        const OSErr err = c.type == kStringResType ? GetAppString(glue_, c.id, out)
                                                   : GetAppIndString(glue_, c.id, c.index, out);
        EXPECT_EQ(err, resNotFound) << c.id << "/" << c.index;
        EXPECT_EQ(out[0], 0);
    }
}

TEST_F(AppResourceFile, BundleWithoutResourceFileFailsToOpen) {
    setenv("ORVANE_BUNDLE_DIR", home_.c_str(), 1);
    int16_t ref = 77;
    EXPECT_NE(OpenApplicationResourceFile(&ref), noErr);
    EXPECT_EQ(ref, 0);
    Str255 out;
    EXPECT_EQ(GetAppString(nullptr, 129, out), paramErr);
    EXPECT_EQ(GetAppString(glue_, 129, nullptr), paramErr);
}

} // namespace
} // namespace orvane
