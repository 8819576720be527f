// Which files are PPDs the program serves, their localisation kind, encoding and names.
#include "ppd/PPDRecognition.h"

#include "ppd/PPDTestSupport.h"

using namespace orvane;
using namespace orvane::testing;

namespace {

const std::string kSample = std::string(ORVANE_SOURCE_DIR) + "/sample/root/etc/cups/ppd/";
const std::string kHead = "*PPD-Adobe: \"4.3\"\n";

using PPDRecognitionTest = PPDFolderTest;

} // namespace

TEST_F(PPDRecognitionTest, ServesColourPPDsOnlyAndTellsTheirKind) {
    struct Case {
        std::string text;
        uint8_t isPPD;
        uint16_t kind; // ppd_type afterwards
    };
    const Case cases[] = {
        {ReadFile(kSample + "Quillmark_ColorPage_3.ppd"), 1, 0},
        {ReadFile(kSample + "Quillmark_ColorPage_5.ppd"), 1, 1}, // carries *cupsLanguages
        {ReadFile(kSample + "Quillmark_MonoPage_2.ppd"), 0, 0},
        {"*PPD-Ad", 0, 9}, // shorter than the header text
        {"Hello, printer\n*ColorDevice: True\n", 0, 9},
        // The right first bytes but neither marker nor attribute: refused, the kind still set.
        {kHead + "*cupsLanguages: \"de\"\n", 0, 1},
        // No colour marker, but an attribute the bundle lists as supported.
        {kHead + "*cupsICCProfile CMYK../Default: \"/usr/share/x.icc\"\n", 1, 0},
        // Every spelling PPD syntax allows says colour; a monochrome one stays refused.
        {kHead + "*ColorDevice:\tTrue\n", 1, 0},
        {kHead + "*ColorDevice:  True\n", 1, 0},
        {kHead + "*ColorDevice: \"True\"\n", 1, 0},
        {kHead + "*ColorDevice:\tFalse\n", 0, 0},
    };
    int n = 0;
    for (const Case& c : cases) {
        ppd_type = 9;
        FSSpec spec = SpecFor(ChoosePPD(std::to_string(n++) + ".ppd", c.text));
        uint8_t isPPD = 0xEE;
        EXPECT_EQ(CheckTargetFileIsPPDFile(glue(), &spec, &isPPD), noErr) << n;
        EXPECT_EQ(isPPD, c.isPPD) << n;
        EXPECT_EQ(ppd_type, c.kind) << n;
    }
    std::filesystem::remove(ppdDir() + "/0.ppd");
    FSSpec gone = SpecFor(ppdDir() + "/0.ppd");
    uint8_t isPPD = 0;
    EXPECT_EQ(CheckTargetFileIsPPDFile(glue(), &gone, &isPPD), fnfErr) << "a failure, no refusal";
}

TEST_F(PPDRecognitionTest, EncodingAttributesAndNicknamesAreReadAsWritten) {
    const std::pair<const char*, TextEncoding> encodings[] = {
        {"*LanguageEncoding: JIS83-RKSJ\n", kTextEncodingMacJapanese},
        {"*LanguageEncoding: UTF-8\n", kTextEncodingUTF8},
        {"*LanguageEncoding: isolatin1\n", kTextEncodingMacRoman}, // names match exactly
        {"", kTextEncodingISOLatin1},                              // the PPD format's default
    };
    int n = 0;
    for (const auto& [line, expected] : encodings) {
        const FSSpec spec = SpecFor(ChoosePPD("enc" + std::to_string(n++) + ".ppd", kHead + line));
        TextEncoding encoding = 0xFFFF;
        EXPECT_EQ(GetPPDEncoding(&spec, &encoding), noErr);
        EXPECT_EQ(encoding, expected) << line;
    }

    const FSSpec spec =
        SpecFor(ChoosePPD("c3.ppd", ReadFile(kSample + "Quillmark_ColorPage_3.ppd")));
    GetPPDOptions(glue(), &spec);
    EXPECT_EQ(PStrView(glue()->ppdNickname), "Quillmark ColorPage 3 PS");
    const FSSpec shortOnly = SpecFor(ChoosePPD("s.ppd", kHead + "*ShortNickName: \"Short\"\n"));
    GetPPDOptions(glue(), &shortOnly);
    EXPECT_EQ(PStrView(glue()->ppdNickname), "Short");
    const FSSpec none = SpecFor(ChoosePPD("n.ppd", "not a PPD at all\n"));
    GetPPDOptions(glue(), &none);
    EXPECT_EQ(PStrView(glue()->ppdNickname), "") << "never the previous PPD's nickname";
    // Cut at 255 bytes on a character boundary of the PPD's encoding (a quoted value may
    // span lines, so a nickname can be longer than a line).
    const std::string twoLines = std::string(200, 'x') + "\n" + std::string(53, 'y');
    const FSSpec longName = SpecFor(ChoosePPD(
        "l.ppd", kHead + "*LanguageEncoding: UTF-8\n*NickName: \"" + twoLines + "\xC3\xA9\"\n"));
    GetPPDOptions(glue(), &longName);
    EXPECT_EQ(PStrView(glue()->ppdNickname), twoLines);
}
