// The preferences file: the first run, the stored record and window positions byte for
// byte, saving, and records that cannot be trusted as they are.
#include "store/Preferences.h"
#include "store/ToneRecordChecks.h"

#include "app/StoreFixture.h"
#include "host/files/SafeWrite.h"
#include "host/resources/AppleDouble.h"
#include "support/FileHelpers.h"

#include <functional>

namespace orvane::testing {
namespace {

using Bytes = std::vector<uint8_t>;

class PreferencesTest : public StoreTest {
protected:
    // Stands for the front end's window; never looked into.
    DialogRef FakeWindow() { return reinterpret_cast<DialogRef>(this); }
    // Rewrites the stored 'Tone' 128 as another program might have left it.
    void DamageRecord(const std::function<void(Bytes&)>& damage) {
        DisposeAllDialogs(glue_);
        AppleDoubleImage sidecar;
        ASSERT_EQ(ReadSidecar(PrefsPath(), sidecar), noErr);
        ResourceForkImage fork;
        ASSERT_EQ(ParseResourceFork(sidecar.resourceFork, fork), noErr);
        for (ResourceEntry& entry : fork.entries)
            if (entry.type == kToneResType)
                damage(entry.data);
        ASSERT_EQ(SerializeResourceFork(fork, sidecar.resourceFork), noErr);
        ASSERT_EQ(WriteSidecar(PrefsPath(), sidecar), noErr);
        ASSERT_EQ(Reopen(), noErr);
    }
};

TEST_F(PreferencesTest, FirstRunLeavesAnEmptyRecordAndOnlyAWindowItsPosition) {
    ASSERT_EQ(Open(), noErr); // as the command line opens it
    EXPECT_EQ(view_.ppdNameText, "(no PPD chosen)");
    EXPECT_EQ(TerminateAdjustHalftoneDialog(glue_), noErr);
    EXPECT_EQ(PrefsResource(kToneResType, kToneResID), Bytes(sizeof(ToneRes4Rec), 0));
    EXPECT_FALSE(PrefsResource(kWindowPosResType, kAdjustHalftoneDialogID));

    DisposeAllDialogs(glue_);
    positions_.Set(FakeWindow(), Point{44, 10});
    ASSERT_EQ(Open(FakeWindow()), noErr);
    EXPECT_EQ(TerminateAdjustHalftoneDialog(glue_), noErr);
    EXPECT_TRUE(alerts_.shown().empty()); // nothing changed, nothing asked
    // Vertical 44, then horizontal 10, big-endian.
    EXPECT_EQ(PrefsResource(kWindowPosResType, kAdjustHalftoneDialogID),
              (Bytes{0x00, 0x2C, 0x00, 0x0A}));
}

TEST_F(PreferencesTest, AFailedWriteIsReportedAndLeavesTheFileAndTheUnsavedState) {
    ASSERT_EQ(Open(), noErr);
    ASSERT_EQ(Add("Keep me"), noErr);
    const std::string before = ReadFile(SidecarPath(PrefsPath()));
    {
        ScopedWriteFailure failure(0);
        EXPECT_EQ(AdjustHalftoneSaveToPrefFile(glue_), ioErr);
    }
    EXPECT_EQ(ReadFile(SidecarPath(PrefsPath())), before);
    EXPECT_TRUE(AdjustHalftoneCheckRegisteredSettingChanged(glue_));
    EXPECT_EQ(AdjustHalftoneSaveToPrefFile(glue_), noErr); // and the next attempt saves
    EXPECT_FALSE(AdjustHalftoneCheckRegisteredSettingChanged(glue_));

    // Another program replaced the preferences file by one without resources.
    ASSERT_EQ(DeleteSidecar(PrefsPath()), noErr);
    ASSERT_EQ(MyCreateResFile(glue_->prefsFileSpec), noErr);
    EXPECT_EQ(AdjustHalftoneSaveToPrefFile(glue_), resNotFound);
}

// A record written by something else: every walk stays inside the slots.
TEST_F(PreferencesTest, ADamagedOrShortRecordIsBoundedOnLoad) {
    ASSERT_EQ(Open(), noErr);
    ASSERT_EQ(Add("Alpha"), noErr);
    ASSERT_EQ(AdjustHalftoneSaveToPrefFile(glue_), noErr);
    // Count 0x7FFF, the first name's length 200, the PPD name's 64 (one past its 63 bytes).
    Bytes damaged;
    DamageRecord([&](Bytes& data) {
        data[offsetof(ToneRes4Rec, count)] = 0x7F;
        data[offsetof(ToneRes4Rec, count) + 1] = 0xFF;
        data[offsetof(ToneRes4Rec, tones)] = 200;
        data[offsetof(ToneRes4Rec, ppdName)] = 64;
        damaged = data;
    });
    EXPECT_EQ(prefsWorking().count, kMaxRegisteredTones);
    EXPECT_EQ(prefsWorking().tones[0].name[0], kMaxToneNameLength);
    // The dialog forgets a PPD it cannot find anyway; the record itself must hold none, or
    // the 64 bytes would be copied into a location's 63-byte name.
    ToneRes4Rec decoded;
    DecodeToneRes4Rec(damaged, decoded);
    EXPECT_EQ(decoded.ppdName[0], 0);
    EXPECT_EQ(prefsWorking().ppdName[0], 0);
    EXPECT_EQ(registered_.RowCount(), kMaxRegisteredTones);
    EXPECT_EQ(Add("One more"), kListFullCode);

    DamageRecord([](Bytes& data) {
        data = {0x00, 0x00, 0x00, 0x01, 0x00};
    }); // count 1, then nothing
    EXPECT_EQ(prefsWorking().count, 1);
    EXPECT_EQ(prefsWorking().tones[0].name[0], 0);
    ASSERT_EQ(AdjustHalftoneSaveToPrefFile(glue_), noErr);
    EXPECT_EQ(PrefsResource(kToneResType, kToneResID)->size(), sizeof(ToneRes4Rec))
        << "saving writes the whole record again";
}

} // namespace
} // namespace orvane::testing
