// The bundle's configuration keys and PPD text dictionaries, read from temporary bundle
// folders, and the shipped bundle as the build lays it out.
#include "host/bundle/BundleConfig.h"
#include "host/bundle/BundleLocation.h"
#include "base/PStringView.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace orvane {
namespace {

namespace fs = std::filesystem;

std::string PlistWith(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n" + body +
           "</dict>\n</plist>\n";
}

std::string StringEntry(const std::string& key, const std::string& value) {
    return "<key>" + key + "</key><string>" + value + "</string>\n";
}

// A temporary bundle folder and the environment that points the program at it, with the
// language under the test's control.
class BundleFixture : public ::testing::Test {
protected:
    static constexpr const char* kVariables[] = {"ORVANE_BUNDLE_DIR", "LC_ALL", "LC_MESSAGES",
                                                 "LANG"};

    void SetUp() override {
        for (const char* name : kVariables) {
            const char* value = std::getenv(name);
            saved_.push_back(value ? std::optional<std::string>(value) : std::nullopt);
        }
        std::string pattern = (fs::temp_directory_path() / "orvane-bundle-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        setenv("ORVANE_BUNDLE_DIR", root_.c_str(), 1);
        unsetenv("LC_MESSAGES");
        unsetenv("LANG");
        UseLanguage("en_US.UTF-8");
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
        for (size_t i = 0; i < saved_.size(); ++i) {
            if (saved_[i])
                setenv(kVariables[i], saved_[i]->c_str(), 1);
            else
                unsetenv(kVariables[i]);
        }
    }

    static void UseLanguage(const char* locale) { setenv("LC_ALL", locale, 1); }

    void Write(const std::string& relative, const std::string& contents) {
        const fs::path path = fs::path(root_) / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << contents;
    }
    void WriteInfo(const std::string& body) { Write("Info.plist", PlistWith(body)); }

    std::string root_;

private:
    std::vector<std::optional<std::string>> saved_;
};

// A buffer pre-filled with a marker, to prove that failures leave it alone.
struct MarkedBuffer {
    char bytes[64];
    MarkedBuffer() { std::strcpy(bytes, "marker"); }
    bool untouched() const { return std::strcmp(bytes, "marker") == 0; }
};

// ---------------------------------------------------------------------------------------
// The PPD dictionaries and their precedence.

class PPDPlist : public BundleFixture {
protected:
    void SetUp() override {
        BundleFixture::SetUp();
        Write("Resources/PPD.plist", PlistWith(StringEntry("OpenUI", "shared open") +
                                               StringEntry("OrderDependency", "shared order")));
        Write("Resources/en.lproj/PPDLocalized.plist",
              PlistWith(StringEntry("OpenUI", "english open")));
        Write("Resources/ja.lproj/PPDLocalized.plist",
              PlistWith(StringEntry("OpenUI", "\u65e5\u672c open")));
    }
    std::optional<std::string> Lookup(const char* key, TextEncoding encoding = kTextEncodingUTF8) {
        MarkedBuffer buffer;
        if (!getStringFromPPDPlist(buffer.bytes, sizeof buffer.bytes, key, encoding)) {
            EXPECT_TRUE(buffer.untouched()) << key;
            return std::nullopt;
        }
        return std::string(buffer.bytes);
    }
};

TEST_F(PPDPlist, KeyOnlyInTheSharedFileIsFound) {
    EXPECT_EQ(Lookup("OrderDependency"), "shared order");
}

TEST_F(PPDPlist, KeyInBothComesFromTheLocalisedFile) {
    EXPECT_EQ(Lookup("OpenUI"), "english open");
}

TEST_F(PPDPlist, LocalisedFileFollowsTheLanguage) {
    UseLanguage("ja_JP.UTF-8");
    EXPECT_EQ(Lookup("OpenUI"), "\u65e5\u672c open");
    Write("Resources/ja_JP.lproj/PPDLocalized.plist",
          PlistWith(StringEntry("OpenUI", "region open")));
    EXPECT_EQ(Lookup("OpenUI"), "region open");
    UseLanguage("de_DE.UTF-8"); // no German folder: English
    EXPECT_EQ(Lookup("OpenUI"), "english open");
}

TEST_F(PPDPlist, ValueIsDeliveredInTheRequestedEncodingOrNotAtAll) {
    UseLanguage("ja_JP.UTF-8");
    EXPECT_EQ(Lookup("OpenUI", kTextEncodingMacJapanese), "\x93\xfa\x96\x7b open");
    EXPECT_EQ(Lookup("OpenUI", kTextEncodingISOLatin1), std::nullopt);
}

TEST_F(PPDPlist, MissingKeyOrFilesLeaveTheBufferUntouched) {
    EXPECT_EQ(Lookup("CloseUI"), std::nullopt);
    fs::remove_all(fs::path(root_) / "Resources");
    EXPECT_EQ(Lookup("OpenUI"), std::nullopt);
}

TEST_F(PPDPlist, UnreadableLocalisedFileFallsBackToTheSharedOne) {
    Write("Resources/en.lproj/PPDLocalized.plist", "<plist><dict><key>OpenUI</key>");
    EXPECT_EQ(Lookup("OpenUI"), "shared open");
}

TEST_F(PPDPlist, ValueThatDoesNotFitIsRefused) {
    char exact[13]; // "shared order" and its terminator
    ASSERT_TRUE(getStringFromPPDPlist(exact, sizeof exact, "OrderDependency", kTextEncodingUTF8));
    EXPECT_STREQ(exact, "shared order");
    MarkedBuffer buffer;
    EXPECT_FALSE(getStringFromPPDPlist(buffer.bytes, 12, "OrderDependency", kTextEncodingUTF8));
    EXPECT_TRUE(buffer.untouched());
}

// ---------------------------------------------------------------------------------------
// The information dictionary.

class InfoPlist : public BundleFixture {};

TEST_F(InfoPlist, StringIsConvertedIntoTheRequestedEncoding) {
    WriteInfo(StringEntry("OEM Name", "Caf\u00e9"));
    MarkedBuffer buffer;
    ASSERT_TRUE(
        getStringFromPlist(buffer.bytes, sizeof buffer.bytes, "OEM Name", kTextEncodingMacRoman));
    EXPECT_STREQ(buffer.bytes, "Caf\x8e");
    ASSERT_TRUE(getOemName(buffer.bytes, sizeof buffer.bytes));
    EXPECT_STREQ(buffer.bytes, "Caf\u00e9");
}

TEST_F(InfoPlist, FailuresLeaveTheBufferUntouched) {
    WriteInfo(StringEntry("OEM Name", "\u65e5\u672c") + "<key>Count</key><integer>3</integer>\n");
    struct Case {
        const char* key;
        TextEncoding encoding;
        size_t size;
    };
    for (const Case& c : {Case{"Missing", kTextEncodingUTF8, 64},
                          Case{"Count", kTextEncodingUTF8, 64},         // not a string
                          Case{"OEM Name", kTextEncodingISOLatin1, 64}, // cannot convert
                          Case{"OEM Name", kTextEncodingUTF8, 6}}) {    // 6 bytes + NUL
        MarkedBuffer buffer;
        EXPECT_FALSE(getStringFromPlist(buffer.bytes, c.size, c.key, c.encoding)) << c.key;
        EXPECT_TRUE(buffer.untouched()) << c.key;
    }
}

TEST_F(InfoPlist, MissingOrMalformedFileLeavesEverythingUntouched) {
    for (const char* contents : {"", "not a property list", "<plist><array/></plist>"}) {
        if (*contents)
            Write("Info.plist", contents);
        MarkedBuffer buffer;
        EXPECT_FALSE(getOemName(buffer.bytes, sizeof buffer.bytes));
        EXPECT_TRUE(buffer.untouched());
        Str255 name;
        std::memcpy(name, "\x03old", 4);
        EXPECT_FALSE(getPreferencesFileName(name));
        EXPECT_EQ(PStrView(name), "old");
        std::vector<std::string> list{"kept"};
        EXPECT_FALSE(getCFArrayFromPlist(list, "Support PPD"));
        EXPECT_EQ(list, std::vector<std::string>{"kept"});
    }
}

TEST_F(InfoPlist, PreferencesFileNameOver255BytesIsCutTo255) {
    WriteInfo(StringEntry("Preferences File Name", std::string(300, 'p')));
    Str255 name = {0};
    ASSERT_TRUE(getPreferencesFileName(name));
    EXPECT_EQ(PStrView(name), std::string(255, 'p'));
}

TEST_F(InfoPlist, PreferencesFileNameIsInTheApplicationEncoding) {
    WriteInfo(StringEntry("Preferences File Name", "Orvane Pr\u00e9f\u00e9rences"));
    Str255 name = {0};
    ASSERT_TRUE(getPreferencesFileName(name));
    EXPECT_EQ(PStrView(name), "Orvane Pr\x8e"
                              "f\x8erences");

    // Japanese: 254 bytes of double-byte characters plus one more never leaves half of one.
    UseLanguage("ja_JP.UTF-8");
    std::string kana;
    for (int i = 0; i < 128; ++i)
        kana += "\u3042";
    WriteInfo(StringEntry("Preferences File Name", kana));
    ASSERT_TRUE(getPreferencesFileName(name));
    EXPECT_EQ(name[0], 254);
}

TEST_F(InfoPlist, ValueOverTheWorkingBufferIsTreatedAsMissing) {
    WriteInfo(StringEntry("CFBundleName", std::string(1024, 'n')));
    Str255 name;
    std::memcpy(name, "\x03old", 4);
    EXPECT_FALSE(getPStringFromPlist(name, "CFBundleName"));
    EXPECT_EQ(PStrView(name), "old");
}

struct ArrayCase {
    const char* label;
    std::string body;
    bool found;
    std::vector<std::string> expected;
};

class SupportPPDArray : public BundleFixture, public ::testing::WithParamInterface<ArrayCase> {};

TEST_P(SupportPPDArray, DeliversTheStringItems) {
    const ArrayCase& c = GetParam();
    WriteInfo(c.body);
    std::vector<std::string> list{"kept"};
    EXPECT_EQ(getCFArrayFromPlist(list, "Support PPD"), c.found);
    EXPECT_EQ(list, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Bundle, SupportPPDArray,
    ::testing::Values(
        ArrayCase{"Listed",
                  "<key>Support PPD</key><array><string>ColorDevice</string>"
                  "<string>OrvaneTone</string></array>",
                  true,
                  {"ColorDevice", "OrvaneTone"}},
        ArrayCase{"EmptyArray", "<key>Support PPD</key><array/>", true, {}},
        ArrayCase{"NonStringItemsSkipped",
                  "<key>Support PPD</key><array><integer>1</integer><string>A</string></array>",
                  true,
                  {"A"}},
        ArrayCase{"Absent", StringEntry("OEM Name", "x"), false, {"kept"}},
        ArrayCase{"NotAnArray", StringEntry("Support PPD", "ColorDevice"), false, {"kept"}}),
    [](const auto& p) { return std::string(p.param.label); });

// ---------------------------------------------------------------------------------------
// Locating the bundle and its resources.

class BundleLocation : public BundleFixture {};

TEST_F(BundleLocation, LanguageFromTheEnvironmentNeverLeavesTheResourcesFolder) {
    Write("Resources/PPD.plist", PlistWith(""));
    Write("secret.lproj/PPD.plist", PlistWith(""));
    UseLanguage("../secret");
    EXPECT_EQ(FindBundleResource("PPD", "plist"), root_ + "/Resources/PPD.plist");
    EXPECT_EQ(FindBundleResource("../Info", "plist"), "");
}

TEST_F(BundleLocation, PreferredLocalizationsGoFromRegionToBase) {
    UseLanguage("ja_JP.UTF-8");
    EXPECT_EQ(PreferredLocalizations(), (std::vector<std::string>{"ja_JP", "ja", "en", "Base"}));
    UseLanguage("C");
    EXPECT_EQ(PreferredLocalizations(), (std::vector<std::string>{"en", "Base"}));
}

TEST_F(BundleLocation, BuildTreeCopyIsUsedWhenNothingOverridesIt) {
    unsetenv("ORVANE_BUNDLE_DIR");
    EXPECT_EQ(BundleDirectory(), std::string(ORVANE_BUILD_DIR) + "/share/orvane");
    EXPECT_EQ(ApplicationResourceFilePath(),
              std::string(ORVANE_BUILD_DIR) + "/share/orvane/Orvane.rsrc");
}

// The bundle the build lays out from bundle/: every value the program reads is there.
class ShippedBundle : public BundleFixture {
protected:
    void SetUp() override {
        BundleFixture::SetUp();
        setenv("ORVANE_BUNDLE_DIR", (std::string(ORVANE_BUILD_DIR) + "/share/orvane").c_str(), 1);
    }
};

TEST_F(ShippedBundle, InformationDictionaryHasTheProductValues) {
    Str255 p = {0};
    ASSERT_TRUE(getPreferencesFileName(p));
    EXPECT_EQ(PStrView(p), "Orvane Preferences");
    ASSERT_TRUE(getPStringFromPlist(p, "CFBundleName"));
    EXPECT_EQ(PStrView(p), "Orvane");
    ASSERT_TRUE(getPStringFromPlist(p, "CFBundleGetInfoString"));
    EXPECT_EQ(PStrView(p), "Orvane 0.1, CMYK tone settings for PostScript printers");
    char oem[64];
    ASSERT_TRUE(getOemName(oem, sizeof oem));
    EXPECT_STREQ(oem, "Orvane");
    std::vector<std::string> support;
    ASSERT_TRUE(getCFArrayFromPlist(support, "Support PPD"));
    EXPECT_FALSE(support.empty());
}

// PPDs with CUPS localisations take these fragments as they are: whole PPD lines, and
// every line except the translations ("*xx.Keyword") in 7-bit ASCII.
TEST_F(ShippedBundle, PPDFragmentsAreWholeLinesWith7BitBaseTexts) {
    for (const char* language : {"en_US.UTF-8", "ja_JP.UTF-8", "fr_FR.UTF-8"}) {
        UseLanguage(language);
        for (const char* key : {"OpenUI", "OrderDependency"}) {
            char value[1024];
            ASSERT_TRUE(getStringFromPPDPlist(value, sizeof value, key, kTextEncodingUTF8))
                << language << " " << key;
            const std::string text(value);
            ASSERT_FALSE(text.empty());
            EXPECT_EQ(text.back(), '\n') << text;
            size_t start = 0;
            while (start < text.size()) {
                const size_t end = text.find('\n', start);
                const std::string line = text.substr(start, end - start);
                const bool first = start == 0;
                start = end + 1;
                // The begin marker starts with a line feed of its own.
                if (first && line.empty() && std::string(key) == "OpenUI")
                    continue;
                EXPECT_EQ(line.rfind('*', 0), 0u) << language << ": " << line;
                const bool translation = line.size() > 4 && line[3] == '.';
                if (translation)
                    continue;
                for (char c : line) {
                    EXPECT_LT(static_cast<unsigned char>(c), 0x80) << line;
                }
            }
        }
    }
}

TEST_F(ShippedBundle, OptionIsTranslatedIntoTheUsersLanguageOrEnglish) {
    struct Case {
        const char* locale;
        const char* translation;
    };
    for (const Case& c : {Case{"ja_JP.UTF-8", "*ja.Translation OrvaneTone/"},
                          Case{"fr_FR.UTF-8", "*en.Translation OrvaneTone/"}}) {
        UseLanguage(c.locale);
        char value[1024];
        ASSERT_TRUE(getStringFromPPDPlist(value, sizeof value, "OpenUI", kTextEncodingUTF8));
        EXPECT_NE(std::string(value).find(c.translation), std::string::npos) << value;
    }
}

} // namespace
} // namespace orvane
