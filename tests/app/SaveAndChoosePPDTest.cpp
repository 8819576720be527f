// The Save command, choosing the target PPD, change detection around both, and a chosen
// PPD that is gone or unreadable when the program starts.
#include "app/ChangePPD.h"
#include "app/SettingsLists.h"
#include "app/StoreFixture.h"
#include "host/files/SafeWrite.h"
#include "host/resources/ByteCompare.h"

namespace orvane::testing {
namespace {

using orvane::test::BytesEqual;

constexpr const char kBlockBegin[] = "*% Begin Orvane tone settings";

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
    // A registered setting copied into the PPD list, unsaved.
    void AddToPPD(std::string_view name, int32_t mid = kNoPoint) {
        ASSERT_EQ(AdjustHalftoneDialogAppendEntry(glue_, false, MakeTone(name, mid)), noErr);
    }
    // The PPD location recorded in the preferences file's stored record.
    std::string StoredPPDName() {
        const auto record = PrefsResource(kToneResType, kToneResID);
        EXPECT_TRUE(record);
        if (!record)
            return {};
        const uint8_t length = (*record)[offsetof(ToneRes4Rec, ppdName)];
        return std::string(record->begin() + offsetof(ToneRes4Rec, ppdName) + 1,
                           record->begin() + offsetof(ToneRes4Rec, ppdName) + 1 + length);
    }
    bool SidecarExists() const {
        struct stat st {};
        return stat(SidecarPath(ppdPath_).c_str(), &st) == 0;
    }

    std::string ppdPath_;
};

TEST_F(SaveAndChoosePPDTest, SaveWithoutAPPDWritesOnlyThePreferences) {
    ASSERT_EQ(AdjustHalftoneDialogAppendEntry(glue_, true, MakeTone("Alpha")), noErr);
    const std::vector<uint8_t> ppdBefore = ReadBytes(ppdPath_);
    const SaveOutcome saved = AdjustHalftoneDialogSave(glue_);
    ASSERT_EQ(saved.status, noErr);
    EXPECT_FALSE(saved.rightsRefused);
    EXPECT_EQ(rights_.requests(), 0);
    EXPECT_TRUE(BytesEqual(ppdBefore, ReadBytes(ppdPath_)));
    EXPECT_FALSE(SidecarExists());
    EXPECT_EQ(Names(prefsWorking()), std::vector<std::string>{"Alpha"});
    EXPECT_FALSE(AdjustHalftoneCheckRegisteredSettingChanged(glue_));
    EXPECT_FALSE(view_.enabled.Contains(kAdjustSaveItem));
}

TEST_F(SaveAndChoosePPDTest, ChoosingAPPDRecordsItAtOnceAndCountsAsNoChange) {
    ASSERT_EQ(Choose(ppdPath_), noErr);
    EXPECT_EQ(StoredPPDName(), "Quillmark_ColorPage_5.ppd");
    EXPECT_EQ(PStrToString(prefsWorking().ppdName), "Quillmark_ColorPage_5.ppd");
    EXPECT_EQ(view_.ppdNameText, "Quillmark_ColorPage_5.ppd");
    EXPECT_FALSE(AdjustHalftoneCheckRegisteredSettingChanged(glue_));
    EXPECT_FALSE(AdjustHalftoneCheckPPDSettingChanged(glue_));
    // Only the location changed in the file: unsaved registered edits stay unsaved.
    ASSERT_EQ(AdjustHalftoneDialogAppendEntry(glue_, true, MakeTone("Unsaved")), noErr);
    ASSERT_EQ(Choose(InstallSamplePPD("Quillmark_ColorPage_3.ppd")), noErr);
    EXPECT_EQ(StoredPPDName(), "Quillmark_ColorPage_3.ppd");
    EXPECT_EQ(PrefsResource(kToneResType, kToneResID)->at(3), 0); // stored count still 0
    EXPECT_TRUE(AdjustHalftoneCheckRegisteredSettingChanged(glue_));
}

TEST_F(SaveAndChoosePPDTest, AFailedRecordingOfTheChoiceKeepsTheFileAndTheChoiceInMemory) {
    const std::vector<uint8_t> before = ReadBytes(SidecarPath(PrefsPath()));
    {
        ScopedWriteFailure failure(0);
        EXPECT_EQ(Choose(ppdPath_), ioErr);
    }
    EXPECT_TRUE(BytesEqual(before, ReadBytes(SidecarPath(PrefsPath()))));
    EXPECT_EQ(PStrToString(prefsWorking().ppdName), "Quillmark_ColorPage_5.ppd");
    EXPECT_TRUE(AdjustHalftoneCheckRegisteredSettingChanged(glue_))
        << "the unrecorded choice still counts as unsaved, so the next Save writes it";
}

TEST_F(SaveAndChoosePPDTest, SaveWithAnUnchangedPPDListLeavesThePPDAlone) {
    ASSERT_EQ(Choose(ppdPath_), noErr);
    ASSERT_EQ(AdjustHalftoneDialogAppendEntry(glue_, true, MakeTone("Alpha")), noErr);
    const std::vector<uint8_t> ppdBefore = ReadBytes(ppdPath_);
    ASSERT_EQ(AdjustHalftoneDialogSave(glue_).status, noErr);
    EXPECT_EQ(rights_.requests(), 0);
    EXPECT_TRUE(BytesEqual(ppdBefore, ReadBytes(ppdPath_)));
}

TEST_F(SaveAndChoosePPDTest, AGrantedRequestWritesThePPDAndDisablesSave) {
    ASSERT_EQ(Choose(ppdPath_), noErr);
    AddToPPD("Soft", 4000);
    EXPECT_TRUE(AdjustHalftoneCheckPPDSettingChanged(glue_));
    const SaveOutcome saved = AdjustHalftoneDialogSave(glue_);
    ASSERT_EQ(saved.status, noErr);
    EXPECT_FALSE(saved.rightsRefused);
    EXPECT_EQ(AUTH_CANCEL_Flag, 0);

    const std::vector<uint8_t> text = ReadBytes(ppdPath_);
    EXPECT_NE(std::string(text.begin(), text.end()).find(kBlockBegin), std::string::npos);
    const auto record = ResourceBytes(ppdPath_, kPPDToneResType, kPPDToneResID);
    ASSERT_TRUE(record);
    EXPECT_EQ((*record)[3], 1); // count
    EXPECT_FALSE(AdjustHalftoneCheckPPDSettingChanged(glue_));
    EXPECT_FALSE(view_.enabled.Contains(kAdjustSaveItem));

    // The next run reads the settings back from the PPD.
    ASSERT_EQ(Reopen(), noErr);
    EXPECT_EQ(Names(ppdWorking()), std::vector<std::string>{"Soft"});
    EXPECT_EQ(Rows(ppd_), std::vector<std::string>{"Soft"});
    EXPECT_EQ(int32_t{ppdWorking().tones[0].tone[kCyan].levels[6]}, 4000);
}

TEST_F(SaveAndChoosePPDTest, ARefusedRequestLeavesThePPDListUnsavedAndSaveEnabled) {
    ASSERT_EQ(Choose(ppdPath_), noErr);
    ASSERT_EQ(AdjustHalftoneDialogAppendEntry(glue_, true, MakeTone("Registered")), noErr);
    AddToPPD("Soft");
    const std::vector<uint8_t> ppdBefore = ReadBytes(ppdPath_);
    rights_.SetRequestResult(userCanceledErr);

    const SaveOutcome saved = AdjustHalftoneDialogSave(glue_);
    ASSERT_EQ(saved.status, noErr);
    EXPECT_TRUE(saved.rightsRefused);
    EXPECT_EQ(AUTH_CANCEL_Flag, 0); // handled by the command that met it
    EXPECT_EQ(rights_.requests(), 1);
    EXPECT_TRUE(BytesEqual(ppdBefore, ReadBytes(ppdPath_)));
    EXPECT_FALSE(ResourceBytes(ppdPath_, kPPDToneResType, kPPDToneResID));
    EXPECT_TRUE(AdjustHalftoneCheckPPDSettingChanged(glue_));
    EXPECT_TRUE(view_.enabled.Contains(kAdjustSaveItem));
    // The preferences were written all the same.
    EXPECT_FALSE(AdjustHalftoneCheckRegisteredSettingChanged(glue_));

    // Granted the next time, the same Save writes it.
    rights_.SetRequestResult(noErr);
    ASSERT_EQ(AdjustHalftoneDialogSave(glue_).status, noErr);
    EXPECT_TRUE(ResourceBytes(ppdPath_, kPPDToneResType, kPPDToneResID));
    EXPECT_FALSE(view_.enabled.Contains(kAdjustSaveItem));
}

TEST_F(SaveAndChoosePPDTest, SaveReportsAChosenPPDThatIsGone) {
    ASSERT_EQ(Choose(ppdPath_), noErr);
    AddToPPD("Soft");
    std::filesystem::remove(ppdPath_);
    EXPECT_EQ(AdjustHalftoneDialogSave(glue_).status, fnfErr);
    EXPECT_TRUE(AdjustHalftoneCheckPPDSettingChanged(glue_));
}

TEST_F(SaveAndChoosePPDTest, AFileThatIsNotASupportedPPDLeavesNoPPDChosen) {
    ASSERT_EQ(Choose(ppdPath_), noErr);
    AddToPPD("Soft");
    ASSERT_EQ(Choose(InstallSamplePPD("Quillmark_MonoPage_2.ppd")), noErr);
    ASSERT_EQ(alerts_.shown().size(), 1u);
    EXPECT_EQ(alerts_.shown()[0].alertID, kErrorAlertID);
    EXPECT_EQ(prefsWorking().ppdName[0], 0);
    EXPECT_EQ(ppdWorking().count, 0);
    EXPECT_EQ(ppd_.RowCount(), 0);
    EXPECT_EQ(view_.ppdNameText, "(no PPD chosen)");
    // The file keeps the old choice until saved; forgetting it is a change to save.
    EXPECT_EQ(StoredPPDName(), "Quillmark_ColorPage_5.ppd");
    EXPECT_TRUE(AdjustHalftoneCheckRegisteredSettingChanged(glue_));
    EXPECT_FALSE(AdjustHalftoneCheckPPDSettingChanged(glue_));
}

TEST_F(SaveAndChoosePPDTest, TheChooserStartsInThePrinterDescriptionFolder) {
    chooser_.SetNextFile(ppdPath_);
    ASSERT_EQ(AdjustHalftoneDialogChoosePPD(glue_).status, noErr);
    ASSERT_EQ(chooser_.requests().size(), 1u);
    EXPECT_EQ(chooser_.requests()[0].startFolder, PPDFolder());
    EXPECT_TRUE(chooser_.requests()[0].canChooseFiles);
    EXPECT_FALSE(chooser_.requests()[0].canChooseDirectories);
    EXPECT_EQ(PStrToString(prefsWorking().ppdName), "Quillmark_ColorPage_5.ppd");

    // With the resources' subfolders present it starts in the deepest one found.
    std::filesystem::create_directories(PPDFolder() + "/Contents/Resources/en.lproj");
    chooser_.SetNextCancel();
    ASSERT_EQ(AdjustHalftoneDialogChoosePPD(glue_).status, noErr);
    EXPECT_EQ(chooser_.requests()[1].startFolder, PPDFolder() + "/Contents/Resources/en.lproj");
}

TEST_F(SaveAndChoosePPDTest, OnTheNewestSystemsTheOpenPanelStartsInTheSameFolder) {
    glue_->osLevel = 2;
    rights_.SetRunsTools(true); // the shared folder for the gamma file is really made
    chooser_.SetNextFile(ppdPath_);
    ASSERT_EQ(AdjustHalftoneDialogChoosePPD(glue_).status, noErr);
    ASSERT_EQ(chooser_.requests().size(), 1u);
    EXPECT_EQ(chooser_.requests()[0].startFolder, PPDFolder());
    EXPECT_EQ(PStrToString(prefsWorking().ppdName), "Quillmark_ColorPage_5.ppd");
    EXPECT_EQ(StoredPPDName(), "Quillmark_ColorPage_5.ppd");
}

TEST_F(SaveAndChoosePPDTest, UnsavedChangesSavedFirstWhenConfirmed) {
    ASSERT_EQ(Choose(ppdPath_), noErr);
    AddToPPD("Soft");
    alerts_.SetNextAnswer(1);
    chooser_.SetNextCancel();
    ASSERT_EQ(AdjustHalftoneDialogChoosePPD(glue_).status, noErr);
    ASSERT_EQ(alerts_.shown().size(), 1u);
    EXPECT_EQ(alerts_.shown()[0].alertID, kSavePPDAlertID);
    EXPECT_TRUE(ResourceBytes(ppdPath_, kPPDToneResType, kPPDToneResID));
    EXPECT_EQ(Names(ppdWorking()), std::vector<std::string>{"Soft"}); // read back
}

TEST_F(SaveAndChoosePPDTest, AFailingSaveBeforeChoosingEndsTheCommand) {
    ASSERT_EQ(Choose(ppdPath_), noErr);
    AddToPPD("Soft");
    alerts_.SetNextAnswer(1);
    chooser_.SetNextFile(InstallSamplePPD("Quillmark_ColorPage_3.ppd"));
    {
        ScopedWriteFailure failure(0);
        EXPECT_EQ(AdjustHalftoneDialogChoosePPD(glue_).status, ioErr);
    }
    EXPECT_TRUE(chooser_.requests().empty());
    EXPECT_EQ(PStrToString(prefsWorking().ppdName), "Quillmark_ColorPage_5.ppd");
    EXPECT_EQ(Names(ppdWorking()), std::vector<std::string>{"Soft"});
}

TEST_F(SaveAndChoosePPDTest, DecliningAndCancellingDropsTheUnsavedEdits) {
    ASSERT_EQ(Choose(ppdPath_), noErr);
    AddToPPD("Soft");
    alerts_.SetNextAnswer(2);
    chooser_.SetNextCancel();
    ASSERT_EQ(AdjustHalftoneDialogChoosePPD(glue_).status, noErr);
    EXPECT_EQ(ppdWorking().count, 0);
    EXPECT_EQ(ppd_.RowCount(), 0);
    EXPECT_FALSE(AdjustHalftoneCheckPPDSettingChanged(glue_));
    EXPECT_FALSE(ResourceBytes(ppdPath_, kPPDToneResType, kPPDToneResID).has_value());
}

// The chosen PPD as the next start-up finds it.
class ChosenPPDAtStartUpTest : public SaveAndChoosePPDTest {
protected:
    void SetUp() override {
        SaveAndChoosePPDTest::SetUp();
        ASSERT_EQ(Choose(ppdPath_), noErr);
    }
    void ExpectForgottenQuietly() {
        EXPECT_TRUE(alerts_.shown().empty());
        EXPECT_EQ(prefsWorking().ppdName[0], 0);
        EXPECT_EQ(ppdWorking().count, 0);
        EXPECT_EQ(ppd_.RowCount(), 0);
        EXPECT_EQ(view_.ppdNameText, "(no PPD chosen)");
    }
};

TEST_F(ChosenPPDAtStartUpTest, ADeletedPPDIsForgottenQuietly) {
    std::filesystem::remove(ppdPath_);
    ASSERT_EQ(Reopen(), noErr);
    ExpectForgottenQuietly();
}

TEST_F(ChosenPPDAtStartUpTest, AnUnreadablePPDIsForgottenQuietly) {
    // A folder now stands where the PPD was.
    std::filesystem::remove(ppdPath_);
    std::filesystem::create_directory(ppdPath_);
    ASSERT_EQ(Reopen(), noErr);
    ExpectForgottenQuietly();
}

TEST_F(ChosenPPDAtStartUpTest, APPDReplacedByAnotherFileIsForgottenWithTheMessage) {
    WriteBytes(ppdPath_, "not a PPD at all\n");
    ASSERT_EQ(Reopen(), noErr);
    ASSERT_EQ(alerts_.shown().size(), 1u);
    EXPECT_EQ(prefsWorking().ppdName[0], 0);
}

TEST_F(ChosenPPDAtStartUpTest, QuittingAsksAboutThePPDFirstThenTheRegisteredSettings) {
    ASSERT_EQ(AdjustHalftoneDialogAppendEntry(glue_, true, MakeTone("Alpha")), noErr);
    AddToPPD("Soft");
    alerts_.SetNextAnswer(2);
    alerts_.SetNextAnswer(1);
    EXPECT_EQ(TerminateAdjustHalftoneDialog(glue_), noErr);
    ASSERT_EQ(alerts_.shown().size(), 2u);
    EXPECT_EQ(alerts_.shown()[0].alertID, kSavePPDAlertID);
    EXPECT_EQ(alerts_.shown()[1].alertID, kSavePrefsAlertID);
    EXPECT_FALSE(ResourceBytes(ppdPath_, kPPDToneResType, kPPDToneResID).has_value());
    ASSERT_EQ(Reopen(), noErr);
    EXPECT_EQ(Names(prefsWorking()), std::vector<std::string>{"Alpha"});
    EXPECT_EQ(ppdWorking().count, 0);
}

} // namespace
} // namespace orvane::testing
