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
