// What another program (or a damaged disk) may leave for orvanectl: a PPD record whose
// names hold control bytes and whose curve lost its points, a PPD file name too long to be
// kept, a PPD without a printer name at system level 2. Each is refused or shown with its
// own words, and changes nothing.
#include "cli/CliProcess.h"
#include "ppd/PPDTestSupport.h"

#include <gtest/gtest.h>

namespace orvane::testing {
namespace {

namespace fs = std::filesystem;

class ForeignRecordTest : public SampleRootTest {};

TEST_F(ForeignRecordTest, ControlBytesAreShownEscapedAndADamagedCurveIsRefusedByName) {
    const std::string ppd = PPDFolder() + "/Quillmark_ColorPage_3.ppd";
    CMYKTone damaged = GammaSetting("Red\x1b[31m", {180});
    for (CToneInfo& curve : damaged.tone)
        for (size_t slot = 1; slot < kToneSlotCount; ++slot)
            curve.levels[slot] = kNoPoint; // one point left: no curve
    StoreSidecarRecord(ppd, BigEndianRecord(ListOf({damaged})));
    ASSERT_EQ(Run({"add", "Alpha", "--all", "gamma:1.8"}).exitStatus, 0);
    ASSERT_EQ(Run({"choose", "Quillmark_ColorPage_3.ppd"}).exitStatus, 0);

    const CliResult list = Run({"list"});
    EXPECT_EQ(list.out.find('\x1b'), std::string::npos) << "a raw escape reaches the terminal";
    EXPECT_NE(list.out.find("Red\\x1B[31m"), std::string::npos) << list.out;

    const std::string text = ReadFile(ppd), record = ReadFile(SidecarPath(ppd));
    const CliResult copy = Run({"to-ppd", "Alpha"});
    EXPECT_EQ(copy.exitStatus, 1);
    EXPECT_NE(copy.err.find("fewer than two points"), std::string::npos) << copy.err;
    EXPECT_NE(copy.err.find("Red\\x1B[31m"), std::string::npos) << copy.err;
    EXPECT_EQ(ReadFile(ppd), text);
    EXPECT_EQ(ReadFile(SidecarPath(ppd)), record);
}

TEST_F(ForeignRecordTest, ALongOrMissingFileAndAPPDWithoutPrinterNameSayWhatIsWrong) {
    const std::string longName = std::string(61, 'q') + ".ppd"; // 65 bytes: one too many
    fs::copy_file(PPDFolder() + "/Quillmark_ColorPage_3.ppd", PPDFolder() + "/" + longName);
    const CliResult chosen = Run({"choose", longName});
    EXPECT_EQ(chosen.exitStatus, 1);
    EXPECT_NE(chosen.err.find("1 to 63 bytes"), std::string::npos) << chosen.err;
    const CliResult missing = Run({"choose", "missing.ppd"});
    EXPECT_NE(missing.err.find("(" + PPDFolder() + "/missing.ppd)"), std::string::npos)
        << "where it looked: " << missing.err;

    std::string nameless = ReadFile(PPDFolder() + "/Quillmark_ColorPage_3.ppd");
    for (const char* key : {"*NickName:", "*ShortNickName:"})
        nameless.replace(nameless.find(key), 1, "*%");
    WriteFile(PPDFolder() + "/Nameless.ppd", nameless);
    const CliResult copy = Run({"--os-level", "2", "choose", "Nameless.ppd"});
    EXPECT_EQ(copy.exitStatus, 1);
    EXPECT_NE(copy.err.find("no printer model"), std::string::npos) << copy.err;
}

// The vendor's PPD put back over a written one (as lpadmin -P or a driver update does): the
// record beside it no longer counts as saved, and writing again gives the same bytes.
TEST_F(ForeignRecordTest, ARecordThePPDNoLongerCarriesIsWrittenAgain) {
    const std::string ppd = PPDFolder() + "/Quillmark_ColorPage_3.ppd";
    const std::string vendors = ReadFile(ppd);
    ASSERT_EQ(Run({"add", "Alpha", "--all", "gamma:1.8"}).exitStatus, 0);
    ASSERT_EQ(Run({"choose", "Quillmark_ColorPage_3.ppd"}).exitStatus, 0);
    ASSERT_EQ(Run({"to-ppd", "Alpha"}).exitStatus, 0);
    const std::string written = ReadFile(ppd);
    WriteFile(ppd, vendors);
    EXPECT_NE(Run({"list"}).out.find("(not in the PPD's text"), std::string::npos);
    ASSERT_EQ(Run({"to-ppd", "Alpha", "--replace"}).exitStatus, 0);
    EXPECT_EQ(ReadFile(ppd), written);
}

} // namespace
} // namespace orvane::testing
