// Reading back the record beside a PPD or in its gamma file: the old layout, damaged or
// short records, and which of the two files wins.
#include "ppd/PPDReader.h"

#include "host/files/FileCommit.h"
#include "ppd/PPDTestSupport.h"

using namespace orvane;
using namespace orvane::testing;

namespace {

void PutBE32(std::vector<uint8_t>& bytes, size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (24 - 8 * i));
}

// An old 560-byte record: version 1, two one-curve entries of 92 bytes, a word at 556.
std::vector<uint8_t> Version1Record() {
    std::vector<uint8_t> old(560, 0);
    old[1] = 1; // version
    old[3] = 2; // count
    const std::string names[] = {"Older", "Oldest"};
    for (size_t i = 0; i < 2; ++i) {
        const size_t entry = 4 + 92 * i;
        old[entry] = static_cast<uint8_t>(names[i].size());
        std::memcpy(&old[entry + 1], names[i].data(), names[i].size());
        for (size_t k = 0; k < 13; ++k)
            PutBE32(old, entry + 36 + 4 * k, k == 0 ? 0 : k == 12 ? 10000 : -1);
        PutBE32(old, entry + 36 + 24, 4000 + static_cast<int32_t>(i)); // level at 50 %
        PutBE32(old, entry + 88, 0x11223344);                          // not a gamma
    }
    PutBE32(old, 556, static_cast<int32_t>(0xDEADBEEF));
    return old;
}

const std::string kPPD = "*PPD-Adobe: \"4.3\"\n*ColorDevice: True\n*NickName: \"Reader\"\n";

class PPDReaderTest : public PPDFolderTest {
protected:
    PPDTone4Rec Read() {
        FSSpec spec = GetPPDLocation(*state()->prefsWorking);
        PPDTone4Rec out;
        std::memset(&out, 0x55, sizeof out);
        EXPECT_EQ(ReadPPDSetting(glue(), &spec, &out), noErr);
        return out;
    }
};

} // namespace

TEST_F(PPDReaderTest, Version1RecordBecomesOneCurveSettings) {
    StoreSidecarRecord(ChoosePPD("old.ppd", kPPD), Version1Record());
    const PPDTone4Rec out = Read();
    EXPECT_EQ(out.version, 2);
    ASSERT_EQ(out.count, 2);
    for (int i = 0; i < 2; ++i) {
        const CMYKTone& t = out.tones[i];
        EXPECT_EQ(PStrView(t.name), i == 0 ? "Older" : "Oldest");
        EXPECT_EQ(t.sameCurve, 1);
        EXPECT_EQ(int32_t{t.tone[kCyan].levels[6]}, 4000 + i);
        EXPECT_EQ(int32_t{t.tone[kCyan].levels[12]}, 10000);
        EXPECT_EQ(int32_t{t.tone[kCyan].gamma}, kNoGamma);
        for (int ink = kMagenta; ink <= kBlack; ++ink)
            EXPECT_EQ(std::memcmp(&t.tone[ink], &t.tone[kCyan], sizeof(CToneInfo)), 0);
    }
    const uint8_t word[4] = {0xDE, 0xAD, 0xBE, 0xEF};
    EXPECT_EQ(std::memcmp(&out.legacyWord, word, 4), 0) << "copied as bytes";
    EXPECT_EQ(out.tones[2].name[0], 0) << "slots past the count are empty";

    // An old record cut short is no record: nothing of it is read past its end.
    std::vector<uint8_t> cut = Version1Record();
    cut.pop_back();
    PPDTone4Rec decoded{};
    EXPECT_FALSE(DecodePPDToneRecord(cut, decoded));
}

// Any bytes stay within the six slots (the fuzz target ppd_record says so); a short record
// is completed with zeros, and no record at all leaves the caller's record alone.
TEST_F(PPDReaderTest, AShortRecordIsCompletedAndNoneChangesNothing) {
    const std::string path = ChoosePPD("short.ppd", kPPD);
    const PPDTone4Rec untouched = Read();
    EXPECT_EQ(untouched.count, 0x5555);
    StoreSidecarRecord(path, {0, 0, 0, 1, 5, 'S', 'h', 'o', 'r', 't'});
    const PPDTone4Rec out = Read();
    EXPECT_EQ(out.count, 1);
    EXPECT_EQ(PStrView(out.tones[0].name), "Short");
    EXPECT_EQ(out.tones[0].sameCurve, 0);
    EXPECT_EQ(uint32_t{out.legacyWord}, 0u);
}
