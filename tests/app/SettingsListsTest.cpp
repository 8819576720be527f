// The two settings lists: sorted insertion by unsigned bytes, the replace question,
// renaming, deleting, and the limits of the record slots.
#include "app/SettingsLists.h"

#include "app/ChangePPD.h"
#include "app/StoreFixture.h"
#include "core/UiText.h"

namespace orvane::testing {
namespace {

class SettingsListsTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        ASSERT_EQ(Open(), noErr);
    }
    void Add(std::string_view name, bool registered = true, int32_t mid = kNoPoint) {
        ASSERT_EQ(AdjustHalftoneDialogAppendEntry(glue_, registered, MakeTone(name, mid)), noErr)
            << name;
    }
    // Rows (UTF-8) and record agree, and the record is what the test expects.
    static std::vector<std::string> Shown(const std::vector<std::string>& names) {
        std::vector<std::string> shown;
        for (const std::string& name : names)
            shown.push_back(StoredTextUtf8(name));
        return shown;
    }
    void ExpectRegistered(const std::vector<std::string>& names) {
        EXPECT_EQ(Names(prefsWorking()), names);
        EXPECT_EQ(Rows(registered_), Shown(names));
    }
    void ExpectPPD(const std::vector<std::string>& names) {
        EXPECT_EQ(Names(ppdWorking()), names);
        EXPECT_EQ(Rows(ppd_), Shown(names));
    }
    // A PPD chosen, so that the PPD list may hold settings.
    void ChooseSamplePPD() {
        ASSERT_EQ(AdjustHalftoneChangePPDFile(glue_, SpecFor(InstallSamplePPD())), noErr);
    }
};

struct InsertionCase {
    std::vector<std::string> existing;
    std::string added;
    std::vector<std::string> expected;
};

class SortedInsertionTest : public SettingsListsTest,
                            public ::testing::WithParamInterface<InsertionCase> {};

TEST_P(SortedInsertionTest, PutsTheNewSettingAtItsByteOrderPlace) {
    const InsertionCase& c = GetParam();
    for (const std::string& name : c.existing)
        Add(name);
    Add(c.added);
    ExpectRegistered(c.expected);

    // The new row is the one selected and scrolled to; the other list has no selection.
    const auto at = std::find(c.expected.begin(), c.expected.end(), c.added) - c.expected.begin();
    EXPECT_EQ(registered_.SelectedRow(), at);
    EXPECT_EQ(registered_.lastScrolledRow(), at);
    EXPECT_EQ(ppd_.SelectedRow(), kNoListRow);
}

INSTANTIATE_TEST_SUITE_P(
    ByteOrder, SortedInsertionTest,
    ::testing::Values(InsertionCase{{"Alpha", "Gamma"}, "Beta", {"Alpha", "Beta", "Gamma"}},
                      // The shorter of two names with an equal prefix comes first.
                      InsertionCase{{"Alpha", "Beta"}, "Al", {"Al", "Alpha", "Beta"}},
                      // Upper case sorts before lower case.
                      InsertionCase{{"Alpha", "Beta"}, "alpha", {"Alpha", "Beta", "alpha"}},
                      InsertionCase{{}, "Only", {"Only"}},
                      InsertionCase{{"Alpha", "Beta"}, "Zeta", {"Alpha", "Beta", "Zeta"}},
                      // Bytes compare unsigned: a Mac Roman accented letter (0x8A) sorts after "z".
                      InsertionCase{{"Alpha", "zebra"},
                                    "\x8A"
                                    "clat",
                                    {"Alpha", "zebra",
                                     "\x8A"
                                     "clat"}}));

TEST_F(SettingsListsTest, ReplacingAsksAndKeepsTheRowCount) {
    Add("Alpha");
    Add("Beta");
    registered_.Select(0);
    alerts_.SetNextAnswer(1);
    ASSERT_EQ(AdjustHalftoneDialogAppendEntry(glue_, true, MakeTone("Alpha", 4000)), noErr);

    ASSERT_EQ(alerts_.shown().size(), 1u);
    EXPECT_EQ(alerts_.shown()[0].alertID, kReplaceAlertID);
    // The question names the setting.
    EXPECT_NE(alerts_.shown()[0].params[0].find("named \u201CAlpha\u201D is already"),
              std::string::npos)
        << alerts_.shown()[0].params[0];
    EXPECT_EQ(alerts_.shown()[0].params[1], "Alpha");
    ExpectRegistered({"Alpha", "Beta"});
    EXPECT_EQ(int32_t{prefsWorking().tones[0].tone[kCyan].levels[6]}, 4000);
    // The selection stays as it was.
    EXPECT_EQ(registered_.SelectedRow(), 0);
}

TEST_F(SettingsListsTest, DecliningAReplacementChangesNothing) {
    Add("Alpha", true, 3000);
    Add("Beta");
    const ToneRes4Rec before = prefsWorking();
    alerts_.SetNextAnswer(2);
    ASSERT_EQ(AdjustHalftoneDialogAppendEntry(glue_, true, MakeTone("Alpha", 7000)), noErr);
    EXPECT_EQ(std::memcmp(&before, &prefsWorking(), sizeof before), 0);
    ExpectRegistered({"Alpha", "Beta"});
}

TEST_F(SettingsListsTest, TheSameNameMayBeInBothLists) {
    ChooseSamplePPD();
    Add("Alpha", true);
    Add("Alpha", false);
    EXPECT_TRUE(alerts_.shown().empty());
    ExpectRegistered({"Alpha"});
    ExpectPPD({"Alpha"});
    EXPECT_EQ(ppd_.SelectedRow(), 0);
    EXPECT_EQ(registered_.SelectedRow(), kNoListRow);
}

TEST_F(SettingsListsTest, AFullListRefusesANewNameWithoutAskingButStillReplaces) {
    for (int i = 0; i < kMaxRegisteredTones; ++i)
        Add("Setting " + std::string(1, static_cast<char>('A' + i)));
    const ToneRes4Rec before = prefsWorking();

    EXPECT_EQ(AdjustHalftoneDialogAppendEntry(glue_, true, MakeTone("Zzz")), kListFullCode);
    EXPECT_EQ(std::memcmp(&before, &prefsWorking(), sizeof before), 0);
    EXPECT_EQ(registered_.RowCount(), kMaxRegisteredTones);
    EXPECT_TRUE(alerts_.shown().empty());

    alerts_.SetNextAnswer(1);
    EXPECT_EQ(AdjustHalftoneDialogAppendEntry(glue_, true, MakeTone("Setting C", 5000)), noErr);
    EXPECT_EQ(int32_t{prefsWorking().tones[2].tone[kCyan].levels[6]}, 5000);
    EXPECT_EQ(prefsWorking().count, kMaxRegisteredTones);
}

TEST_F(SettingsListsTest, AFullPPDListRefusesTheCopyCommand) {
    ChooseSamplePPD();
    for (int i = 0; i < kMaxPPDTones; ++i)
        Add("P" + std::to_string(i), false);
    Add("Extra", true);
    ASSERT_TRUE(SelectAdjustHalftoneSetting(glue_, true, "Extra"));
    EXPECT_FALSE(AdjustHalftoneEnabledItems(glue_).Contains(kAdjustToPPDItem));
    EXPECT_EQ(HandleAdjustHalftoneDialogButtons(glue_, kAdjustToPPDItem), kListFullCode);
    EXPECT_EQ(ppdWorking().count, kMaxPPDTones);
    EXPECT_EQ(ppd_.RowCount(), kMaxPPDTones);
}

TEST_F(SettingsListsTest, DeletingMovesTheRestUpAndLeavesNoSelection) {
    Add("Alpha");
    Add("Beta");
    Add("Gamma");
    ASSERT_TRUE(SelectAdjustHalftoneSetting(glue_, true, "Alpha"));
    ASSERT_EQ(HandleAdjustHalftoneDialogButtons(glue_, kAdjustDeleteItem), noErr);
    ExpectRegistered({"Beta", "Gamma"});
    EXPECT_EQ(registered_.SelectedRow(), kNoListRow);
    // The freed slot keeps nothing of the deleted setting.
    CMYKTone empty;
    std::memset(&empty, 0, sizeof empty);
    EXPECT_EQ(std::memcmp(&prefsWorking().tones[2], &empty, sizeof empty), 0);
    EXPECT_EQ(AdjustHalftoneDialogDeleteFromList(glue_, true, 2), paramErr);
    EXPECT_EQ(AdjustHalftoneDialogDeleteFromList(glue_, true, -1), paramErr);
}

// Confirming the New/Edit dialog.
class ConfirmEditTest : public SettingsListsTest {
protected:
    void Edit(std::string_view selected, CMYKTone edited) {
        ASSERT_TRUE(SelectAdjustHalftoneSetting(glue_, true, selected));
        state().isNew = 0;
        state().editsRegistered = 1;
        state().originalTone = MakeTone(selected);
        state().workTone = edited;
    }
};

TEST_F(ConfirmEditTest, AnEditWithoutRenamingKeepsItsPlace) {
    Add("Alpha");
    Add("Beta");
    Add("Gamma");
    Edit("Beta", MakeTone("Beta", 6000));
    ASSERT_EQ(NewEditHalftoneDialogSaveList(glue_), noErr);
    ExpectRegistered({"Alpha", "Beta", "Gamma"});
    EXPECT_EQ(int32_t{prefsWorking().tones[1].tone[kCyan].levels[6]}, 6000);
    EXPECT_TRUE(alerts_.shown().empty());
}

TEST_F(ConfirmEditTest, RenamingMovesTheSettingToItsNewPlace) {
    Add("Alpha");
    Add("Beta");
    Edit("Alpha", MakeTone("Delta"));
    ASSERT_EQ(NewEditHalftoneDialogSaveList(glue_), noErr);
    ExpectRegistered({"Beta", "Delta"});
    EXPECT_EQ(registered_.SelectedRow(), 1);
}

TEST_F(ConfirmEditTest, RenamingOntoAnotherSettingConfirmedLeavesOneOfThatName) {
    Add("Alpha");
    Add("Beta", true, 2000);
    Add("Gamma");
    Edit("Gamma", MakeTone("Beta", 8000));
    alerts_.SetNextAnswer(1);
    ASSERT_EQ(NewEditHalftoneDialogSaveList(glue_), noErr);
    ASSERT_EQ(alerts_.shown().size(), 1u);
    EXPECT_EQ(alerts_.shown()[0].alertID, kReplaceAlertID);
    ExpectRegistered({"Alpha", "Beta"});
    EXPECT_EQ(int32_t{prefsWorking().tones[1].tone[kCyan].levels[6]}, 8000); // the edited one
}

TEST_F(ConfirmEditTest, RenamingOntoAnotherSettingDeclinedStoresNothing) {
    Add("Alpha");
    Add("Beta");
    const ToneRes4Rec before = prefsWorking();
    Edit("Beta", MakeTone("Alpha", 9000));
    alerts_.SetNextAnswer(2);
    ASSERT_EQ(NewEditHalftoneDialogSaveList(glue_), noErr);
    EXPECT_EQ(std::memcmp(&before, &prefsWorking(), sizeof before), 0);
    ExpectRegistered({"Alpha", "Beta"});
}

TEST_F(ConfirmEditTest, ANewSettingConfirmedIntoAFullListIsRefused) {
    for (int i = 0; i < kMaxRegisteredTones; ++i)
        Add("N" + std::to_string(10 + i));
    state().isNew = 1;
    state().workTone = MakeTone("New one");
    EXPECT_EQ(NewEditHalftoneDialogSaveList(glue_), kListFullCode);
    EXPECT_EQ(prefsWorking().count, kMaxRegisteredTones);
    EXPECT_EQ(registered_.RowCount(), kMaxRegisteredTones);
}

TEST_F(ConfirmEditTest, AnEmptyNameIsRefused) {
    state().isNew = 1;
    state().workTone = MakeTone("");
    EXPECT_EQ(NewEditHalftoneDialogSaveList(glue_), kBadToneNameCode);
    EXPECT_EQ(prefsWorking().count, 0);
}

// Duplicate asks for the name, then adds the copy to the list it came from.
TEST_F(SettingsListsTest, DuplicateAddsACopyUnderTheNewName) {
    Add("Alpha", true, 1234);
    ASSERT_TRUE(SelectAdjustHalftoneSetting(glue_, true, "Alpha"));
    asker_.SetNextName("Copy");
    ASSERT_EQ(HandleAdjustHalftoneDialogButtons(glue_, kAdjustDuplicateItem), noErr);
    ASSERT_EQ(asker_.asked(), std::vector<std::string>{"Alpha"});
    ExpectRegistered({"Alpha", "Copy"});
    EXPECT_EQ(int32_t{prefsWorking().tones[1].tone[kCyan].levels[6]}, 1234);
}

TEST_F(SettingsListsTest, DuplicateCancelledOrUnchangedNameChangesNothingWithoutConsent) {
    Add("Alpha");
    ASSERT_TRUE(SelectAdjustHalftoneSetting(glue_, true, "Alpha"));
    asker_.SetNextCancel();
    ASSERT_EQ(HandleAdjustHalftoneDialogButtons(glue_, kAdjustDuplicateItem), noErr);
    ExpectRegistered({"Alpha"});

    // The unchanged name asks whether to replace the setting it copies.
    asker_.SetNextName("Alpha");
    alerts_.SetNextAnswer(2);
    ASSERT_EQ(HandleAdjustHalftoneDialogButtons(glue_, kAdjustDuplicateItem), noErr);
    ASSERT_EQ(alerts_.shown().size(), 1u);
    EXPECT_EQ(alerts_.shown()[0].alertID, kReplaceAlertID);
    ExpectRegistered({"Alpha"});
}

TEST_F(SettingsListsTest, DuplicateRefusesANameOverThirtyTwoBytesRatherThanCuttingIt) {
    Add("Alpha");
    ASSERT_TRUE(SelectAdjustHalftoneSetting(glue_, true, "Alpha"));
    asker_.SetNextName(std::string(33, 'x'));
    EXPECT_EQ(HandleAdjustHalftoneDialogButtons(glue_, kAdjustDuplicateItem), kBadToneNameCode);
    ExpectRegistered({"Alpha"});
    asker_.SetNextName(std::string(32, 'x'));
    EXPECT_EQ(HandleAdjustHalftoneDialogButtons(glue_, kAdjustDuplicateItem), noErr);
    ExpectRegistered({"Alpha", std::string(32, 'x')});
}

TEST_F(SettingsListsTest, CommandsWithoutASelectionOrPPDAreRefused) {
    Add("Alpha");
    registered_.Deselect();
    for (int16_t item :
         {kAdjustToPPDItem, kAdjustFromPPDItem, kAdjustDuplicateItem, kAdjustDeleteItem})
        EXPECT_EQ(HandleAdjustHalftoneDialogButtons(glue_, item), kNoSelectedSettingCode) << item;
    ASSERT_TRUE(SelectAdjustHalftoneSetting(glue_, true, "Alpha"));
    EXPECT_EQ(HandleAdjustHalftoneDialogButtons(glue_, kAdjustToPPDItem), kNoPPDChosenCode);
    EXPECT_EQ(ppdWorking().count, 0);
}

TEST_F(SettingsListsTest, CopyingBetweenTheListsKeepsTheCurves) {
    ChooseSamplePPD();
    Add("Alpha", true, 4321);
    ASSERT_TRUE(SelectAdjustHalftoneSetting(glue_, true, "Alpha"));
    ASSERT_EQ(HandleAdjustHalftoneDialogButtons(glue_, kAdjustToPPDItem), noErr);
    ExpectPPD({"Alpha"});
    EXPECT_TRUE(CMYKToneEqualAllCurves(ppdWorking().tones[0], prefsWorking().tones[0]));

    ASSERT_TRUE(SelectAdjustHalftoneSetting(glue_, false, "Alpha"));
    alerts_.SetNextAnswer(2);
    ASSERT_EQ(HandleAdjustHalftoneDialogButtons(glue_, kAdjustFromPPDItem), noErr);
    EXPECT_EQ(alerts_.shown().size(), 1u); // already registered: the replace question
}

} // namespace
} // namespace orvane::testing
