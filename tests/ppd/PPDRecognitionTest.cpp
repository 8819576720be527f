// Which files are PPDs the program serves, their localisation kind, encoding and names.
#include "ppd/PPDRecognition.h"

#include "ppd/PPDTestSupport.h"

using namespace orvane;
using namespace orvane::testing;

namespace {

const std::string kSample = std::string(ORVANE_SOURCE_DIR) + "/sample/root/etc/cups/ppd/";
const std::string kHead = "*PPD-Adobe: \"4.3\"\n";

class PPDRecognitionTest : public PPDFolderTest {
protected:
    FSSpec Place(const std::string& name, const std::string& text) {
        WriteFile(ppdDir() + "/" + name, text);
        return SpecFor(ppdDir() + "/" + name);
    }
};

} // namespace

TEST_F(PPDRecognitionTest, ServesColourPPDsOnlyAndTellsTheirKind) {
    struct Case {
        const char* name;
        std::string text;
        uint8_t isPPD;
        uint16_t kind; // ppd_type afterwards; 9: not looked at
    };
    const Case cases[] = {
        {"Quillmark_ColorPage_3.ppd", ReadFile(kSample + "Quillmark_ColorPage_3.ppd"), 1, 0},
        {"Quillmark_ColorPage_5.ppd", ReadFile(kSample + "Quillmark_ColorPage_5.ppd"), 1, 1},
        {"Quillmark_PressLine_7.ppd", ReadFile(kSample + "Quillmark_PressLine_7.ppd"), 1, 9},
        {"Quillmark_MonoPage_2.ppd", ReadFile(kSample + "Quillmark_MonoPage_2.ppd"), 0, 9},
        {"short.ppd", "*PPD-Ad", 0, 9},
        {"empty.ppd", "", 0, 9},
        {"text.ppd", "Hello, printer\n*ColorDevice: True\n", 0, 9},
        // The right first bytes but neither marker nor attribute: refused, the kind still set.
        {"plain.ppd", kHead + "*cupsLanguages: \"de\"\n", 0, 1},
        // A tab hides the marker text; a CUPS colour profile (a supported attribute) does not.
        {"tabbed.ppd", kHead + "*ColorDevice:\tTrue\n", 0, 0},
        {"profiled.ppd",
         kHead + "*ColorDevice:\tTrue\n*cupsICCProfile RGB../Colour: \"/usr/share/c.icc\"\n", 1, 0},
    };
    for (const Case& c : cases) {
        ppd_type = 9;
        const FSSpec spec = Place(c.name, c.text);
        uint8_t isPPD = 0xEE;
        EXPECT_EQ(CheckTargetFileIsPPDFile(glue(), &spec, &isPPD), noErr) << c.name;
        EXPECT_EQ(isPPD, c.isPPD) << c.name;
        if (c.kind != 9) {
            EXPECT_EQ(ppd_type, c.kind) << c.name;
        }
    }
    FSSpec gone = Place("gone.ppd", kHead);
    std::filesystem::remove(ppdDir() + "/gone.ppd");
    uint8_t isPPD = 0;
    EXPECT_EQ(CheckTargetFileIsPPDFile(glue(), &gone, &isPPD), fnfErr) << "a failure, no refusal";
}

TEST_F(PPDRecognitionTest, EncodingFollowsLanguageEncodingExactly) {
    const std::pair<const char*, TextEncoding> cases[] = {
        {"*LanguageEncoding: ISOLatin1\n", kTextEncodingISOLatin1},
        {"*LanguageEncoding: JIS83-RKSJ\n", kTextEncodingMacJapanese},
        {"*LanguageEncoding: UTF-8\n", kTextEncodingUTF8},
        {"*LanguageEncoding: isolatin1\n", kTextEncodingMacRoman},
        {"*LanguageEncoding: WindowsANSI\n", kTextEncodingMacRoman},
        {"", kTextEncodingISOLatin1}, // the PPD format's default
    };
    int n = 0;
    for (const auto& [line, expected] : cases) {
        const FSSpec spec =
            Place("enc" + std::to_string(n++) + ".ppd", kHead + line + "*NickName: \"Enc\"\n");
        TextEncoding encoding = 0xFFFF;
        EXPECT_EQ(GetPPDEncoding(&spec, &encoding), noErr);
        EXPECT_EQ(encoding, expected) << line;
    }
}

TEST_F(PPDRecognitionTest, AttributesAndNicknames) {
    const FSSpec spec = Place("c3.ppd", ReadFile(kSample + "Quillmark_ColorPage_3.ppd"));
    char* value = nullptr;
    ASSERT_EQ(GetPPDAttribute(&spec, "ModelName", &value), noErr);
    ASSERT_NE(value, nullptr);
    EXPECT_STREQ(value, "Quillmark ColorPage 3");
    MyDisposePtr(value);
    value = nullptr;
    EXPECT_EQ(GetPPDAttribute(&spec, "NoSuchAttribute", &value), noErr);
    EXPECT_EQ(value, nullptr);
    EXPECT_EQ(GetPPDAttribute(nullptr, "ModelName", &value), paramErr);

    GetPPDOptions(glue(), &spec);
    EXPECT_EQ(PStrView(glue()->ppdNickname), "Quillmark ColorPage 3 PS");
    const FSSpec shortOnly = Place("short.ppd", kHead + "*ShortNickName: \"Short Only\"\n");
    GetPPDOptions(glue(), &shortOnly);
    EXPECT_EQ(PStrView(glue()->ppdNickname), "Short Only");
    const FSSpec none = Place("none.ppd", "not a PPD at all\n");
    GetPPDOptions(glue(), &none);
    EXPECT_EQ(PStrView(glue()->ppdNickname), "Short Only") << "left unchanged";
}
