#include "ppd/PPDRecognition.h"

#include "ppd/PPDTestSupport.h"

#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::testing;

namespace {

const std::string kSampleFolder = std::string(ORVANE_SOURCE_DIR) + "/sample/root/etc/cups/ppd/";

class PPDRecognitionTest : public PPDFolderTest {
protected:
    // Puts `text` into the printer folder and returns its location.
    FSSpec Place(const std::string& name, const std::string& text) {
        const std::string path = ppdDir() + "/" + name;
        WriteText(path, text);
        FSSpec spec;
        EXPECT_EQ(HostFSSpecForPath(path, spec), noErr);
        return spec;
    }
    FSSpec PlaceSample(const std::string& name) {
        return Place(name, ReadText(kSampleFolder + name));
    }
    uint8_t Accepts(const FSSpec& spec, OSErr expected = noErr) {
        uint8_t isPPD = 0xEE;
        EXPECT_EQ(CheckTargetFileIsPPDFile(glue(), &spec, &isPPD), expected);
        return isPPD;
    }
};

} // namespace

TEST_F(PPDRecognitionTest, ServesColourPPDsAndRefusesOthers) {
    EXPECT_EQ(Accepts(PlaceSample("Quillmark_ColorPage_3.ppd")), 1);
    EXPECT_EQ(ppd_type, 0);
    EXPECT_EQ(Accepts(PlaceSample("Quillmark_ColorPage_5.ppd")), 1);
    EXPECT_EQ(ppd_type, 1) << "the localised sample carries *cupsLanguages";
    EXPECT_EQ(Accepts(PlaceSample("Quillmark_PressLine_7.ppd")), 1);
    EXPECT_EQ(Accepts(PlaceSample("Quillmark_MonoPage_2.ppd")), 0);
}

TEST_F(PPDRecognitionTest, FilesThatAreNotPPDs) {
    EXPECT_EQ(Accepts(Place("short.ppd", "*PPD-Ad")), 0) << "shorter than the header text";
    EXPECT_EQ(Accepts(Place("empty.ppd", "")), 0);
    EXPECT_EQ(Accepts(Place("text.ppd", "Hello, printer\n*ColorDevice: True\n")), 0);

    // The right first bytes but neither marker nor attribute: refused, ppd_type still set.
    ppd_type = 0;
    EXPECT_EQ(Accepts(Place("plain.ppd", "*PPD-Adobe: \"4.3\"\n*cupsLanguages: \"de\"\n")), 0);
    EXPECT_EQ(ppd_type, 1);
}

TEST_F(PPDRecognitionTest, SupportedAttributeAcceptsWithoutTheMarker) {
    // A tab after the keyword hides the marker text; the bundle's attribute list still
    // recognises a colour PPD by its CUPS colour profile.
    const std::string profiled = "*PPD-Adobe: \"4.3\"\n*ColorDevice:\tTrue\n"
                                 "*cupsICCProfile RGB../Colour: \"/usr/share/colour.icc\"\n";
    EXPECT_EQ(Accepts(Place("profiled.ppd", profiled)), 1);
    EXPECT_EQ(Accepts(Place("tabbed.ppd", "*PPD-Adobe: \"4.3\"\n*ColorDevice:\tTrue\n")), 0);
}

TEST_F(PPDRecognitionTest, MissingFileIsAFailureNotARefusal) {
    FSSpec spec = Place("gone.ppd", "*PPD-Adobe: \"4.3\"\n");
    std::filesystem::remove(ppdDir() + "/gone.ppd");
    uint8_t isPPD = 0;
    EXPECT_EQ(CheckTargetFileIsPPDFile(glue(), &spec, &isPPD), fnfErr);
    EXPECT_EQ(isPPD, 0);
}

TEST_F(PPDRecognitionTest, EncodingFollowsLanguageEncodingExactly) {
    struct Case {
        const char* line;
        TextEncoding expected;
    };
    const Case cases[] = {
        {"*LanguageEncoding: ISOLatin1\n", kTextEncodingISOLatin1},
        {"*LanguageEncoding: JIS83-RKSJ\n", kTextEncodingMacJapanese},
        {"*LanguageEncoding: UTF-8\n", kTextEncodingUTF8},
        {"*LanguageEncoding: isolatin1\n", kTextEncodingMacRoman},
        {"*LanguageEncoding: WindowsANSI\n", kTextEncodingMacRoman},
        // Without the attribute a PPD is ISO Latin-1, the PPD format's default.
        {"", kTextEncodingISOLatin1},
    };
    int n = 0;
    for (const Case& c : cases) {
        const FSSpec spec =
            Place("enc" + std::to_string(n++) + ".ppd",
                  std::string("*PPD-Adobe: \"4.3\"\n") + c.line + "*NickName: \"Enc\"\n");
        TextEncoding encoding = 0xFFFF;
        EXPECT_EQ(GetPPDEncoding(&spec, &encoding), noErr);
        EXPECT_EQ(encoding, c.expected) << c.line;
    }
}

TEST_F(PPDRecognitionTest, AttributesAndNicknames) {
    const FSSpec spec = PlaceSample("Quillmark_ColorPage_3.ppd");
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

    const FSSpec shortOnly = Place("short-nick.ppd", "*PPD-Adobe: \"4.3\"\n"
                                                     "*ShortNickName: \"Short Only\"\n");
    GetPPDOptions(glue(), &shortOnly);
    EXPECT_EQ(PStrView(glue()->ppdNickname), "Short Only");

    const FSSpec none = Place("no-nick.ppd", "not a PPD at all\n");
    GetPPDOptions(glue(), &none);
    EXPECT_EQ(PStrView(glue()->ppdNickname), "") << "never the previous PPD's nickname";

    // Cut at 255 bytes on a character boundary of the PPD's encoding (a quoted value may
    // span lines, so a nickname can be longer than a line).
    const std::string twoLines = std::string(200, 'x') + "\n" + std::string(53, 'y');
    const FSSpec longName = Place("long-nick.ppd", "*PPD-Adobe: \"4.3\"\n*LanguageEncoding: UTF-8\n"
                                                   "*NickName: \"" +
                                                       twoLines + "\xC3\xA9\"\n");
    GetPPDOptions(glue(), &longName);
    EXPECT_EQ(PStrView(glue()->ppdNickname), twoLines);
}
