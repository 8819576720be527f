// The Save command, choosing the target PPD, change detection around both, and a chosen
// PPD that is gone or unreadable when the program starts.
#include "app/ChangePPD.h"
#include "app/StoreFixture.h"
#include "core/Alerts.h"
#include "host/files/FileCommit.h"
#include "host/files/SafeWrite.h"

namespace orvane::testing {
namespace {

using Names_ = std::vector<std::string>;
constexpr const char* kColor5 = "Quillmark_ColorPage_5.ppd";

class SaveAndChoosePPDTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        ppdPath_ = InstallSamplePPD();
        ASSERT_EQ(Open(), noErr);
    }
    OSErr Choose(const std::string& path) {
        return AdjustHalftoneChangePPDFile(glue_, SpecFor(path));
    }
    // The PPD name recorded in the preferences file's stored record.
    std::string StoredPPDName() {
        const auto record = PrefsResource(kToneResType, kToneResID);
        if (!record)
            return "(no record)";
        const auto name = record->begin() + offsetof(ToneRes4Rec, ppdName);
        return std::string(name + 1, name + 1 + *name);
    }
    bool PPDHasRecord() const {
        return SidecarResource(ppdPath_, kPPDToneResType, kPPDToneResID).has_value();
    }
    bool Changed(bool registered) {
        return registered ? AdjustHalftoneCheckRegisteredSettingChanged(glue_)
                          : AdjustHalftoneCheckPPDSettingChanged(glue_);
    }
    std::string ChosenName() { return PStrToString(prefsWorking().ppdName); }

    std::string ppdPath_;
};

TEST_F(SaveAndChoosePPDTest, ChoosingIsRecordedAtOnceAndSaveWritesOnlyWhatChanged) {
    ASSERT_EQ(Add("Alpha"), noErr);
    const std::string ppdBefore = ReadFile(ppdPath_);
    SaveOutcome saved = AdjustHalftoneDialogSave(glue_);
    ASSERT_EQ(saved.status, noErr);
    EXPECT_FALSE(saved.rightsRefused);
    EXPECT_FALSE(Changed(true));
    EXPECT_FALSE(view_.enabled.Contains(kAdjustSaveItem));

    // Choosing records the location at once: unsaved registered edits stay unsaved.
    ASSERT_EQ(Add("Unsaved"), noErr);
    ASSERT_EQ(Choose(ppdPath_), noErr);
    EXPECT_EQ(StoredPPDName(), kColor5);
    EXPECT_EQ(view_.ppdNameText, kColor5);
    EXPECT_EQ(PrefsResource(kToneResType, kToneResID)->at(3), 1) << "the stored count";
    EXPECT_TRUE(Changed(true));
    EXPECT_FALSE(Changed(false));
    ASSERT_EQ(Choose(InstallSamplePPD("Quillmark_ColorPage_3.ppd")), noErr);
    EXPECT_EQ(StoredPPDName(), "Quillmark_ColorPage_3.ppd");
    ASSERT_EQ(Choose(ppdPath_), noErr);

    // An unchanged PPD list leaves the PPD alone.
    ASSERT_EQ(AdjustHalftoneDialogSave(glue_).status, noErr);
    EXPECT_EQ(rights_.requests(), 0);
    EXPECT_EQ(ReadFile(ppdPath_), ppdBefore);
}

TEST_F(SaveAndChoosePPDTest, AFailedRecordingOfTheChoiceKeepsTheFileAndTheChoiceInMemory) {
    const std::string before = ReadFile(SidecarPath(PrefsPath()));
    {
        ScopedWriteFailure failure(0);
        EXPECT_EQ(Choose(ppdPath_), ioErr);
    }
    EXPECT_EQ(ReadFile(SidecarPath(PrefsPath())), before);
    EXPECT_EQ(ChosenName(), kColor5);
    EXPECT_TRUE(Changed(true)) << "the unrecorded choice still counts as unsaved";
}

TEST_F(SaveAndChoosePPDTest, TheChooserStartsInThePrinterDescriptionFolder) {
    glue_->osLevel = 2;
    rights_.SetRunsTools(true); // the shared folder for the gamma file is really made
    chooser_.SetNextFile(ppdPath_);
    ASSERT_EQ(AdjustHalftoneDialogChoosePPD(glue_).status, noErr);
    EXPECT_EQ(chooser_.requests().back().startFolder, PPDFolder());
    EXPECT_EQ(StoredPPDName(), kColor5);
    // With the resources' subfolders present it starts in the deepest one found.
    glue_->osLevel = 1;
    MakeFolder(PPDFolder() + "/Contents/Resources/en.lproj");
    chooser_.SetNextCancel();
    ASSERT_EQ(AdjustHalftoneDialogChoosePPD(glue_).status, noErr);
    EXPECT_EQ(chooser_.requests().back().startFolder, PPDFolder() + "/Contents/Resources/en.lproj");
}

TEST_F(SaveAndChoosePPDTest, UnsavedPPDSettingsAreSavedOrDroppedBeforeChoosing) {
    ASSERT_EQ(Choose(ppdPath_), noErr);
    ASSERT_EQ(Add("Soft", false), noErr);
    // Confirmed, but the save fails: the command ends there.
    alerts_.SetNextAnswer(1);
    {
        ScopedFileCommitFault failure(1);
        EXPECT_EQ(AdjustHalftoneDialogChoosePPD(glue_).status, ioErr);
    }
    EXPECT_TRUE(chooser_.requests().empty());
    EXPECT_EQ(ChosenName(), kColor5);
    EXPECT_EQ(Names(ppdWorking()), Names_{"Soft"});

    alerts_.SetNextAnswer(1);
    chooser_.SetNextCancel();
    ASSERT_EQ(AdjustHalftoneDialogChoosePPD(glue_).status, noErr);
    ASSERT_EQ(alerts_.shown().size(), 2u);
    EXPECT_EQ(alerts_.shown()[1].alertID, kSavePPDAlertID);
    EXPECT_TRUE(PPDHasRecord());
    EXPECT_EQ(Names(ppdWorking()), Names_{"Soft"}) << "read back";
    EXPECT_FALSE(Changed(false));
}

// The chosen PPD as the next start-up finds it: gone, or a folder in its place (set aside,
// and why); either way forgotten, saying where it was looked for.
TEST_F(SaveAndChoosePPDTest, AtStartUpAChosenPPDThatIsGoneIsForgottenSayingWhy) {
    for (const bool folder : {false, true}) {
        ASSERT_EQ(Choose(InstallSamplePPD()), noErr);
        std::filesystem::remove(ppdPath_);
        if (folder)
            MakeFolder(ppdPath_);
        alerts_.Clear();
        ASSERT_EQ(Reopen(), noErr);
        ASSERT_EQ(alerts_.shown().size(), folder ? 2u : 1u);
        const std::string& said = alerts_.shown().back().params[0];
        EXPECT_TRUE(folder ? said == AlertMessageText(glue_, kNotAPlainFileCode, ppdPath_)
                           : said.find(ppdPath_) != std::string::npos)
            << said;
        EXPECT_EQ(prefsWorking().ppdName[0], 0);
        EXPECT_EQ(ppd_.RowCount(), 0);
        EXPECT_EQ(view_.ppdNameText, "(no PPD chosen)");
    }
    EXPECT_NE(AdjustHalftoneDialogSave(glue_).status, noErr) << "the choice is not saved away";
}

} // namespace
} // namespace orvane::testing
