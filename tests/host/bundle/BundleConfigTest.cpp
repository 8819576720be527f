// The bundle's configuration keys, read from temporary bundle
// folders, and the shipped bundle as the build lays it out.
#include "host/bundle/BundleConfig.h"
#include "host/bundle/BundleLocation.h"

#include "base/PStringView.h"
#include "base/TempRoot.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

namespace orvane {
namespace {

using testing::ScopedEnv;

std::string PlistWith(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n" + body +
           "</dict>\n</plist>\n";
}

std::string StringEntry(const std::string& key, const std::string& value) {
    return "<key>" + key + "</key><string>" + value + "</string>\n";
}

// A temporary bundle folder that the program is pointed at, and the language under the
// test's control.
class BundleFixture : public testing::TempRoot {
protected:
    void SetUp() override {
        TempRoot::SetUp();
        bundle_.emplace("ORVANE_BUNDLE_DIR", Path("bundle"));
    }
    void UseLanguage(const char* locale) { language_.emplace("LC_ALL", locale); }
    void Write(const std::string& relative, const std::string& contents) {
        const std::filesystem::path path = Path("bundle/" + relative);
        MakeFolder(path.parent_path());
        WriteFile(path, contents);
    }
    void WriteInfo(const std::string& body) { Write("Info.plist", PlistWith(body)); }

    std::optional<ScopedEnv> bundle_;
    ScopedEnv messages_{"LC_MESSAGES", nullptr};
    ScopedEnv lang_{"LANG", nullptr};
    std::optional<ScopedEnv> language_{std::in_place, "LC_ALL", "en_US.UTF-8"};
};

// A buffer pre-filled with a marker, to prove that failures leave it alone.
struct MarkedBuffer {
    char bytes[64];
    MarkedBuffer() { std::strcpy(bytes, "marker"); }
    bool untouched() const { return std::strcmp(bytes, "marker") == 0; }
};

class InfoPlist : public BundleFixture {};

// Values are converted or leave the buffer untouched: missing, not a string, not
// convertible, too long (6 bytes and the NUL); an array delivers its string items only.
TEST_F(InfoPlist, StringsAndArraysAreConvertedOrLeaveTheBufferUntouched) {
    WriteInfo(StringEntry("OEM Name", "Caf\u00e9") + StringEntry("Japanese", "\u65e5\u672c") +
              "<key>Count</key><integer>3</integer>\n<key>Support PPD</key><array>"
              "<integer>1</integer><string>ColorDevice</string><string>B</string></array>");
    MarkedBuffer buffer;
    ASSERT_TRUE(
        getStringFromPlist(buffer.bytes, sizeof buffer.bytes, "OEM Name", kTextEncodingMacRoman));
    EXPECT_STREQ(buffer.bytes, "Caf\x8e");
    struct Case {
        const char* key;
        TextEncoding encoding;
        size_t size;
    };
    for (const Case& c :
         {Case{"Missing", kTextEncodingUTF8, 64}, Case{"Count", kTextEncodingUTF8, 64},
          Case{"Japanese", kTextEncodingISOLatin1, 64}, Case{"Japanese", kTextEncodingUTF8, 6}}) {
        MarkedBuffer untouched;
        EXPECT_FALSE(getStringFromPlist(untouched.bytes, c.size, c.key, c.encoding)) << c.key;
        EXPECT_TRUE(untouched.untouched()) << c.key;
    }
    std::vector<std::string> list{"kept"};
    ASSERT_TRUE(getCFArrayFromPlist(list, "Support PPD"));
    EXPECT_EQ(list, (std::vector<std::string>{"ColorDevice", "B"}));
    list = {"kept"};
    EXPECT_FALSE(getCFArrayFromPlist(list, "OEM Name")) << "not an array";
    EXPECT_EQ(list, std::vector<std::string>{"kept"});
}

TEST_F(InfoPlist, PStringsAreInTheApplicationEncodingAndCutToWholeCharacters) {
    Str255 name = {0};
    WriteInfo(StringEntry("Preferences File Name", "Orvane Pr\u00e9f\u00e9rences"));
    ASSERT_TRUE(getPreferencesFileName(name));
    EXPECT_EQ(PStrView(name), "Orvane Pr\x8e"
                              "f\x8erences");
    WriteInfo(StringEntry("Preferences File Name", std::string(300, 'p')));
    ASSERT_TRUE(getPreferencesFileName(name));
    EXPECT_EQ(PStrView(name), std::string(255, 'p'));
    // Japanese: 254 bytes of double-byte characters plus one more never leaves half of one.
    testing::ScopedInstallationLanguage japanese("ja_JP.UTF-8");
    std::string kana;
    for (int i = 0; i < 128; ++i)
        kana += "\u3042";
    WriteInfo(StringEntry("Preferences File Name", kana));
    ASSERT_TRUE(getPreferencesFileName(name));
    EXPECT_EQ(name[0], 254);
}

TEST_F(BundleFixture, LocationsStayInTheBundleAndFollowTheLanguage) {
    Write("Resources/PPD.plist", PlistWith(""));
    Write("secret.lproj/PPD.plist", PlistWith(""));
    UseLanguage("../secret");
    EXPECT_EQ(FindBundleResource("PPD", "plist"), Path("bundle/Resources/PPD.plist"));
    EXPECT_EQ(FindBundleResource("../Info", "plist"), "");
    UseLanguage("ja_JP.UTF-8");
    EXPECT_EQ(PreferredLocalizations(), (std::vector<std::string>{"ja_JP", "ja", "en", "Base"}));
    UseLanguage("C");
    EXPECT_EQ(PreferredLocalizations(), (std::vector<std::string>{"en", "Base"}));
    bundle_.emplace("ORVANE_BUNDLE_DIR", nullptr); // the build tree's copy
    EXPECT_EQ(ApplicationResourceFilePath(),
              std::string(ORVANE_BUILD_DIR) + "/share/orvane/Orvane.rsrc");
}

} // namespace
} // namespace orvane
