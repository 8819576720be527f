#include "ppd/PPDReader.h"

#include "core/Alerts.h"
#include "host/alerts/AlertHost.h"
#include "host/files/SafeWrite.h"
#include "host/resources/ResourceForkFormat.h"
#include "ppd/PPDTestSupport.h"

#include <gtest/gtest.h>

using namespace orvane;
using namespace orvane::testing;

namespace {

void PutBE32(std::vector<uint8_t>& bytes, size_t at, int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    bytes[at] = static_cast<uint8_t>(u >> 24);
    bytes[at + 1] = static_cast<uint8_t>(u >> 16);
    bytes[at + 2] = static_cast<uint8_t>(u >> 8);
    bytes[at + 3] = static_cast<uint8_t>(u);
}

// An old 560-byte record: version 1, two one-curve entries, a word at 556.
std::vector<uint8_t> Version1Record() {
    std::vector<uint8_t> old(560, 0);
    old[1] = 1; // version
    old[3] = 2; // count
    const char* names[] = {"Older", "Oldest"};
    for (int i = 0; i < 2; ++i) {
        const size_t entry = 4 + 92 * static_cast<size_t>(i);
        old[entry] = static_cast<uint8_t>(std::strlen(names[i]));
        std::memcpy(&old[entry + 1], names[i], std::strlen(names[i]));
        for (int k = 0; k < 13; ++k)
            PutBE32(old, entry + 36 + 4 * static_cast<size_t>(k),
                    k == 0    ? 0
                    : k == 12 ? 10000
                              : -1);
        PutBE32(old, entry + 36 + 24, 4000 + i); // level at 50 %
        PutBE32(old, entry + 88, 0x11223344);    // not a gamma
    }
    old[556] = 0xDE;
    old[557] = 0xAD;
    old[558] = 0xBE;
    old[559] = 0xEF;
    return old;
}

void StoreSidecarRecord(const std::string& path, const std::vector<uint8_t>& record) {
    ResourceForkImage fork;
    ResourceEntry entry;
    entry.type = kPPDToneResType;
    entry.id = kPPDToneResID;
    entry.data = record;
    fork.entries.push_back(entry);
    AppleDoubleImage image;
    ASSERT_EQ(SerializeResourceFork(fork, image.resourceFork), noErr);
    image.hasResourceFork = true;
    ASSERT_EQ(WriteSidecar(path, image), noErr);
}

const std::string kPPD = "*PPD-Adobe: \"4.3\"\n*ColorDevice: True\n*NickName: \"Reader\"\n";

class PPDReaderTest : public PPDFolderTest {};

} // namespace

TEST_F(PPDReaderTest, Version1RecordBecomesOneCurveSettings) {
    const std::string path = ChoosePPD("old.ppd", kPPD);
    StoreSidecarRecord(path, Version1Record());
    FSSpec spec = GetPPDLocation(*state()->prefsWorking);
    PPDTone4Rec out;
    std::memset(&out, 0x55, sizeof out);
    ASSERT_EQ(ReadPPDSetting(glue(), &spec, &out), noErr);
    EXPECT_EQ(out.version, 2);
    EXPECT_EQ(out.count, 2);
    EXPECT_EQ(PStrView(out.tones[0].name), "Older");
    EXPECT_EQ(PStrView(out.tones[1].name), "Oldest");
    for (int i = 0; i < 2; ++i) {
        const CMYKTone& t = out.tones[i];
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
}

TEST_F(PPDReaderTest, DamagedRecordsStayWithinTheSixSlots) {
    const std::string path = ChoosePPD("damaged.ppd", kPPD);
    std::vector<uint8_t> record(1568, 0);
    record[2] = 0x7F; // count 32767
    record[3] = 0xFF;
    FSSpec spec = GetPPDLocation(*state()->prefsWorking);
    record[4] = 200; // the first name claims 200 of its 32 bytes
    StoreSidecarRecord(path, record);
    PPDTone4Rec out{};
    ASSERT_EQ(ReadPPDSetting(glue(), &spec, &out), noErr);
    EXPECT_EQ(out.count, kMaxPPDTones);
    EXPECT_EQ(out.tones[0].name[0], kMaxToneNameLength);

    // A short record (version 0, count 1, then nothing) is completed with zeros.
    StoreSidecarRecord(path, std::vector<uint8_t>{0, 0, 0, 1, 5, 'S', 'h', 'o', 'r', 't'});
    std::memset(&out, 0x55, sizeof out);
    ASSERT_EQ(ReadPPDSetting(glue(), &spec, &out), noErr);
    EXPECT_EQ(out.count, 1);
    EXPECT_EQ(PStrView(out.tones[0].name), "Short");
    EXPECT_EQ(uint32_t{out.legacyWord}, 0u);
}

TEST_F(PPDReaderTest, NoRecordLeavesTheCallersRecordAlone) {
    ChoosePPD("plain.ppd", kPPD);
    FSSpec spec = GetPPDLocation(*state()->prefsWorking);
    PPDTone4Rec out;
    std::memset(&out, 0x55, sizeof out);
    ASSERT_EQ(ReadPPDSetting(glue(), &spec, &out), noErr);
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&out);
    EXPECT_TRUE(std::all_of(bytes, bytes + sizeof out, [](uint8_t b) { return b == 0x55; }));
}

TEST_F(PPDReaderTest, GonePPDIsForgottenQuietly) {
    const std::string path = ChoosePPD("gone.ppd", kPPD);
    std::filesystem::remove(path);
    state()->ppdWorking->count = 3;
    ScriptedAlertHost alerts;
    glue()->services.alerts = &alerts;
    ASSERT_EQ(AdjustHalftoneDialogReadPPDSetting(glue()), noErr);
    EXPECT_EQ(state()->prefsWorking->ppdName[0], 0);
    EXPECT_EQ(state()->ppdWorking->count, 0);
    EXPECT_TRUE(alerts.shown().empty());
}

TEST_F(PPDReaderTest, UnsupportedPPDIsForgottenWithTheMessage) {
    ChoosePPD("mono.ppd", "*PPD-Adobe: \"4.3\"\n*ColorDevice: False\n");
    ScriptedAlertHost alerts;
    glue()->services.alerts = &alerts;
    ASSERT_EQ(AdjustHalftoneDialogReadPPDSetting(glue()), noErr);
    EXPECT_EQ(state()->prefsWorking->ppdName[0], 0);
    ASSERT_EQ(alerts.shown().size(), 1u);
    EXPECT_EQ(alerts.shown()[0].params[0], AlertMessageText(glue(), kNotSupportedPPDCode));
    EXPECT_FALSE(alerts.shown()[0].params[0].empty());
}

TEST_F(PPDReaderTest, GammaFileRecordWinsOverThePPDsOwn) {
    const std::string ppdPath = ChoosePPD("Quillmark.ppd", kPPD);
    const PPDTone4Rec ppdList = ListOf({GammaSetting("In PPD", {180})});
    PPDTone4Rec disk = ppdList;
    SwapPPDTone4Rec(disk);
    const auto* p = reinterpret_cast<const uint8_t*>(&disk);
    StoreSidecarRecord(ppdPath, std::vector<uint8_t>(p, p + sizeof disk));
    glue()->osLevel = 2;

    // A copy into the gamma file that fails leaves the PPD's settings unsaved.
    {
        ScopedWriteFailure failTheBlock(1024);
        ASSERT_EQ(AdjustHalftoneDialogReadPPDSetting(glue()), noErr);
    }
    EXPECT_EQ(std::memcmp(state()->ppdWorking, &ppdList, sizeof ppdList), 0);
    EXPECT_EQ(state()->ppdSaved->count, 0);

    // No record in the gamma file yet: the PPD's is read and copied there at once.
    ASSERT_EQ(AdjustHalftoneDialogReadPPDSetting(glue()), noErr);
    EXPECT_EQ(std::memcmp(state()->ppdWorking, &ppdList, sizeof ppdList), 0);
    std::string gammaPath;
    ASSERT_EQ(HostPathForFSSpec(glue()->gammaFileSpec, gammaPath), noErr);
    EXPECT_NE(gammaPath.find("/var/lib/"), std::string::npos);
    const auto copied = StoredRecord(gammaPath);
    ASSERT_TRUE(copied);
    EXPECT_EQ(std::memcmp(copied->data(), &disk, sizeof disk), 0);

    // Once the gamma file has a record, the PPD's own is not read.
    StoreSidecarRecord(ppdPath, Version1Record());
    ASSERT_EQ(AdjustHalftoneDialogReadPPDSetting(glue()), noErr);
    EXPECT_EQ(std::memcmp(state()->ppdWorking, &ppdList, sizeof ppdList), 0);
    EXPECT_EQ(std::memcmp(state()->ppdSaved, &ppdList, sizeof ppdList), 0);
}
