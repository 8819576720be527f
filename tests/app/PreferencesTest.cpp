// The preferences file: the first run, the stored record and window positions byte for
// byte, saving, and records that cannot be trusted as they are.
#include "store/Preferences.h"

#include "app/SettingsLists.h"
#include "app/StoreFixture.h"
#include "host/files/SafeWrite.h"
#include "host/resources/AppleDouble.h"
#include "host/resources/ByteCompare.h"
#include "support/FileHelpers.h"

namespace orvane::testing {
namespace {

using orvane::test::BytesEqual;

// Stands for the front end's window; never looked into.
int gWindowAnchor;
DialogRef FakeWindow() {
    return reinterpret_cast<DialogRef>(&gWindowAnchor);
}

class PreferencesTest : public StoreTest {};

TEST_F(PreferencesTest, FirstRunLeavesAnEmptyRecordAndTheWindowPosition) {
    // Start-up created the file: empty, with type and creator and an empty resource fork.
    const std::string path = PrefsPath();
    EXPECT_EQ(path, root_ + "/config/Orvane Preferences");
    EXPECT_TRUE(ReadBytes(path).empty());
    AppleDoubleImage sidecar;
    ASSERT_EQ(ReadSidecar(path, sidecar), noErr);
    EXPECT_EQ(AppleDoubleFileType(sidecar), MakeFourCC("pref"));
    EXPECT_EQ(AppleDoubleFileCreator(sidecar), MakeFourCC("Hvtk"));

    positions_.Set(FakeWindow(), Point{44, 10});
    ASSERT_EQ(Open(FakeWindow()), noErr);
    EXPECT_EQ(view_.ppdNameText, "(no PPD chosen)");
    EXPECT_EQ(TerminateAdjustHalftoneDialog(glue_), noErr);
    EXPECT_TRUE(alerts_.shown().empty()); // nothing changed, nothing asked

    const auto tone = PrefsResource(kToneResType, kToneResID);
    ASSERT_TRUE(tone);
    EXPECT_TRUE(BytesEqual(std::vector<uint8_t>(sizeof(ToneRes4Rec), 0), *tone));
    // Window position: vertical 44 (00 2C), then horizontal 10 (00 0A), big-endian.
    const auto position = PrefsResource(kWindowPosResType, kAdjustHalftoneDialogID);
    ASSERT_TRUE(position);
    EXPECT_TRUE(BytesEqual(std::vector<uint8_t>{0x00, 0x2C, 0x00, 0x0A}, *position));
}

TEST_F(PreferencesTest, TheCommandLineRecordsNoWindowPosition) {
    ASSERT_EQ(Open(), noErr);
    EXPECT_EQ(TerminateAdjustHalftoneDialog(glue_), noErr);
    EXPECT_TRUE(PrefsResource(kToneResType, kToneResID));
    EXPECT_FALSE(PrefsResource(kWindowPosResType, kAdjustHalftoneDialogID));
}

TEST_F(PreferencesTest, PositionsAreRecordedPerDialogAndReadBack) {
    ASSERT_EQ(Open(), noErr);
    // Before any window was closed: a record saying "no position" is made.
    const Point none = GetSavedDialog(glue_, kNewEditHalftoneDialogID);
    EXPECT_EQ(none.v, -1);
    EXPECT_EQ(none.h, -1);
    EXPECT_TRUE(BytesEqual(std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF},
                           *PrefsResource(kWindowPosResType, kNewEditHalftoneDialogID)));

    positions_.Set(FakeWindow(), Point{-20, 300});
    SaveTheDialogPosition(glue_, FakeWindow(), kNewEditHalftoneDialogID);
    const Point recorded = GetSavedDialog(glue_, kNewEditHalftoneDialogID);
    EXPECT_EQ(recorded.v, -20);
    EXPECT_EQ(recorded.h, 300);
    EXPECT_TRUE(BytesEqual(std::vector<uint8_t>{0xFF, 0xEC, 0x01, 0x2C},
                           *PrefsResource(kWindowPosResType, kNewEditHalftoneDialogID)));
    EXPECT_FALSE(PrefsResource(kWindowPosResType, kAdjustHalftoneDialogID));

    // A window whose position is unknown, or none at all, leaves the record alone.
    positions_.Forget(FakeWindow());
    SaveTheDialogPosition(glue_, FakeWindow(), kNewEditHalftoneDialogID);
    SaveTheDialogPosition(glue_, nullptr, kNewEditHalftoneDialogID);
    EXPECT_EQ(GetSavedDialog(glue_, kNewEditHalftoneDialogID).h, 300);
}

TEST_F(PreferencesTest, TheRecordIsStoredBigEndianAndSavingTwiceWritesTheSameBytes) {
    ASSERT_EQ(Open(), noErr);
    CMYKTone tone = MakeTone("Soft", 4500);
    tone.tone[kCyan].gamma = 220;
    ASSERT_EQ(AdjustHalftoneDialogAppendEntry(glue_, true, tone), noErr);
    ASSERT_EQ(SetAdjustHalftoneDialogsSetting(glue_).status, noErr);

    const std::vector<uint8_t> first = ReadBytes(SidecarPath(PrefsPath()));
    const auto record = PrefsResource(kToneResType, kToneResID);
    ASSERT_TRUE(record);
    ASSERT_EQ(record->size(), sizeof(ToneRes4Rec));
    const std::vector<uint8_t>& r = *record;
    EXPECT_EQ(r[2], 0x00); // count, big-endian: 1
    EXPECT_EQ(r[3], 0x01);
    EXPECT_EQ(r[44], 4); // first setting's name: length byte, then "Soft"
    EXPECT_EQ(std::string(r.begin() + 45, r.begin() + 49), "Soft");
    EXPECT_EQ(r[44 + 33], 1); // sameCurve
    // Cyan level 6 (4500 = 0x1194) at 44 + 36 + 6 * 4, gamma (220 = 0xDC) at 44 + 36 + 52.
    EXPECT_TRUE(BytesEqual(std::vector<uint8_t>{0x00, 0x00, 0x11, 0x94},
                           std::vector<uint8_t>(r.begin() + 104, r.begin() + 108)));
    EXPECT_TRUE(BytesEqual(std::vector<uint8_t>{0x00, 0x00, 0x00, 0xDC},
                           std::vector<uint8_t>(r.begin() + 132, r.begin() + 136)));
    EXPECT_FALSE(AdjustHalftoneCheckRegisteredSettingChanged(glue_));

    ASSERT_EQ(SetAdjustHalftoneDialogsSetting(glue_).status, noErr);
    EXPECT_TRUE(BytesEqual(first, ReadBytes(SidecarPath(PrefsPath()))));
}

TEST_F(PreferencesTest, SettingsSurviveTheNextRunAndLoadUnchanged) {
    ASSERT_EQ(Open(), noErr);
    ASSERT_EQ(AdjustHalftoneDialogAppendEntry(glue_, true, MakeTone("Beta", 5100)), noErr);
    ASSERT_EQ(AdjustHalftoneDialogAppendEntry(glue_, true, MakeTone("Alpha")), noErr);
    EXPECT_TRUE(AdjustHalftoneCheckRegisteredSettingChanged(glue_));
    ASSERT_EQ(AdjustHalftoneSaveToPrefFile(glue_), noErr);

    ASSERT_EQ(Reopen(), noErr);
    EXPECT_EQ(Names(prefsWorking()), (std::vector<std::string>{"Alpha", "Beta"}));
    EXPECT_EQ(Rows(registered_), (std::vector<std::string>{"Alpha", "Beta"}));
    EXPECT_EQ(int32_t{prefsWorking().tones[1].tone[kCyan].levels[6]}, 5100);
    EXPECT_FALSE(AdjustHalftoneCheckRegisteredSettingChanged(glue_));
    EXPECT_FALSE(AdjustHalftoneCheckPPDSettingChanged(glue_));
    EXPECT_FALSE(view_.enabled.Contains(kAdjustSaveItem));
}

TEST_F(PreferencesTest, AFailedWriteIsReportedAndLeavesTheFileAndTheUnsavedState) {
    ASSERT_EQ(Open(), noErr);
    ASSERT_EQ(AdjustHalftoneDialogAppendEntry(glue_, true, MakeTone("Keep me")), noErr);
    const std::vector<uint8_t> before = ReadBytes(SidecarPath(PrefsPath()));
    {
        ScopedWriteFailure failure(0);
        EXPECT_EQ(AdjustHalftoneSaveToPrefFile(glue_), ioErr);
    }
    EXPECT_TRUE(BytesEqual(before, ReadBytes(SidecarPath(PrefsPath()))));
    EXPECT_TRUE(AdjustHalftoneCheckRegisteredSettingChanged(glue_));
    // And the next attempt saves.
    EXPECT_EQ(AdjustHalftoneSaveToPrefFile(glue_), noErr);
    EXPECT_FALSE(AdjustHalftoneCheckRegisteredSettingChanged(glue_));
}

TEST_F(PreferencesTest, SavingWithoutTheRecordIsResourceNotFound) {
    ASSERT_EQ(Open(), noErr);
    // Another program replaced the preferences file by one without resources.
    ASSERT_EQ(DeleteSidecar(PrefsPath()), noErr);
    ASSERT_EQ(MyCreateResFile(glue_->prefsFileSpec), noErr);
    EXPECT_EQ(AdjustHalftoneSaveToPrefFile(glue_), resNotFound);
}

// A record written by something else: every walk stays inside the slots.
TEST_F(PreferencesTest, ADamagedRecordIsBoundedOnLoad) {
    ASSERT_EQ(Open(), noErr);
    ASSERT_EQ(AdjustHalftoneDialogAppendEntry(glue_, true, MakeTone("Alpha")), noErr);
    ASSERT_EQ(AdjustHalftoneSaveToPrefFile(glue_), noErr);
    DisposeAllDialogs(glue_);
    {
        // count 0x7FFF, the first name's length byte 200, the PPD name's length byte 255.
        AppleDoubleImage sidecar;
        ASSERT_EQ(ReadSidecar(PrefsPath(), sidecar), noErr);
        ResourceForkImage fork;
        ASSERT_EQ(ParseResourceFork(sidecar.resourceFork, fork), noErr);
        for (ResourceEntry& entry : fork.entries) {
            if (entry.type == kToneResType) {
                entry.data[2] = 0x7F;
                entry.data[3] = 0xFF;
                entry.data[44] = 200;
                entry.data[5250] = 255;
            }
        }
        ASSERT_EQ(SerializeResourceFork(fork, sidecar.resourceFork), noErr);
        ASSERT_EQ(WriteSidecar(PrefsPath(), sidecar), noErr);
    }
    ASSERT_EQ(Reopen(), noErr);
    EXPECT_EQ(prefsWorking().count, kMaxRegisteredTones);
    EXPECT_EQ(prefsWorking().tones[0].name[0], kMaxToneNameLength);
    EXPECT_EQ(prefsWorking().ppdName[0], 0);
    EXPECT_EQ(registered_.RowCount(), kMaxRegisteredTones);
    EXPECT_EQ(AdjustHalftoneDialogAppendEntry(glue_, true, MakeTone("One more")), kListFullCode);
}

TEST_F(PreferencesTest, AShortRecordIsCompletedWithZeros) {
    ASSERT_EQ(Open(), noErr);
    DisposeAllDialogs(glue_);
    AppleDoubleImage sidecar;
    ASSERT_EQ(ReadSidecar(PrefsPath(), sidecar), noErr);
    ResourceForkImage fork;
    ASSERT_EQ(ParseResourceFork(sidecar.resourceFork, fork), noErr);
    for (ResourceEntry& entry : fork.entries) {
        if (entry.type == kToneResType)
            entry.data = {0x00, 0x00, 0x00, 0x01, 0x00}; // count 1, then nothing
    }
    ASSERT_EQ(SerializeResourceFork(fork, sidecar.resourceFork), noErr);
    ASSERT_EQ(WriteSidecar(PrefsPath(), sidecar), noErr);

    ASSERT_EQ(Reopen(), noErr);
    EXPECT_EQ(prefsWorking().count, 1);
    EXPECT_EQ(prefsWorking().tones[0].name[0], 0);
    // Saving writes the whole record again.
    ASSERT_EQ(AdjustHalftoneSaveToPrefFile(glue_), noErr);
    EXPECT_EQ(PrefsResource(kToneResType, kToneResID)->size(), sizeof(ToneRes4Rec));
}

} // namespace
} // namespace orvane::testing
