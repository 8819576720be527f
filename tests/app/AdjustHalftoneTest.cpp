// The Adjust Halftone dialog without its window: the button rule, the item procedure's
// messages, and the check of settings built outside the editor.
#include "app/AdjustHalftone.h"

#include "app/ChangePPD.h"
#include "app/SettingsLists.h"
#include "app/StoreFixture.h"
#include "core/Alerts.h"
#include "core/UiText.h"

#include <set>

namespace orvane::testing {
namespace {

int gEditorAnchor;
DialogRef FakeEditor() {
    return reinterpret_cast<DialogRef>(&gEditorAnchor);
}

class AdjustHalftoneTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        ASSERT_EQ(Open(), noErr);
    }
    void Fill(bool registered, int count) {
        for (int i = 0; i < count; ++i)
            ASSERT_EQ(AdjustHalftoneDialogAppendEntry(glue_, registered,
                                                      MakeTone("S" + std::to_string(10 + i))),
                      noErr);
    }
    void ChooseSamplePPD() {
        ASSERT_EQ(AdjustHalftoneChangePPDFile(glue_, SpecFor(InstallSamplePPD())), noErr);
    }
    // The enabled items among those the rule decides, as a string like "1 5 12".
    std::string Enabled() {
        HiliteAdjustHalftoneDialogButtons(glue_);
        std::string items;
        for (int16_t item : {1, 3, 5, 12, 13, 14, 15, 16}) {
            if (view_.enabled.Contains(item))
                items += (items.empty() ? "" : " ") + std::to_string(item);
        }
        return items;
    }
};

TEST_F(AdjustHalftoneTest, AfterOpeningOnlyNewAndHelpAreEnabled) {
    EXPECT_EQ(Enabled(), "3 5");
    EXPECT_EQ(view_.ppdNameText, "(no PPD chosen)");
}

TEST_F(AdjustHalftoneTest, WithoutAPPDCopyingIntoThePPDListIsDisabled) {
    Fill(true, 1); // selects the new row
    EXPECT_EQ(Enabled(), "1 3 5 14 15 16");
    ChooseSamplePPD();
    ASSERT_TRUE(SelectAdjustHalftoneSetting(glue_, true, "S10"));
    EXPECT_EQ(Enabled(), "1 3 5 12 14 15 16");
}

TEST_F(AdjustHalftoneTest, AtTwentyRegisteredSettingsNothingMoreCanBeAddedToThem) {
    ChooseSamplePPD();
    Fill(false, 1);
    Fill(true, kMaxRegisteredTones);
    ASSERT_TRUE(SelectAdjustHalftoneSetting(glue_, true, "S10"));
    EXPECT_EQ(Enabled(), "1 3 12 14 16"); // no New, no Duplicate
    ASSERT_TRUE(SelectAdjustHalftoneSetting(glue_, false, "S10"));
    EXPECT_EQ(Enabled(), "1 3 14 15 16"); // no copy from the PPD list
}

TEST_F(AdjustHalftoneTest, WhileTheEditorIsOpenNewAndEditAreDisabled) {
    Fill(true, 1);
    state().newEditDialog = FakeEditor();
    EXPECT_EQ(Enabled(), "1 3 15 16");
    state().adjustHelpDialog = FakeEditor();
    EXPECT_EQ(Enabled(), "1 15 16");
    state().newEditDialog = nullptr;
    state().adjustHelpDialog = nullptr;
}

TEST_F(AdjustHalftoneTest, SaveFollowsTheUnsavedChanges) {
    Fill(true, 1);
    EXPECT_TRUE(view_.enabled.Contains(kAdjustSaveItem));
    ASSERT_EQ(AdjustHalftoneDialogSave(glue_).status, noErr);
    EXPECT_FALSE(view_.enabled.Contains(kAdjustSaveItem));
    // Replacing with the same curves is no change; with others it is.
    alerts_.SetNextAnswer(1);
    ASSERT_EQ(AdjustHalftoneDialogAppendEntry(glue_, true, MakeTone("S10")), noErr);
    EXPECT_FALSE(AdjustHalftoneEnabledItems(glue_).Contains(kAdjustSaveItem));
    alerts_.SetNextAnswer(1);
    ASSERT_EQ(AdjustHalftoneDialogAppendEntry(glue_, true, MakeTone("S10", 5000)), noErr);
    EXPECT_TRUE(AdjustHalftoneEnabledItems(glue_).Contains(kAdjustSaveItem));
    ASSERT_EQ(AdjustHalftoneDialogSave(glue_).status, noErr);
    ASSERT_TRUE(SelectAdjustHalftoneSetting(glue_, true, "S10"));
    AdjustHalftoneDialogItemProc(glue_, kAdjustDeleteItem);
    EXPECT_TRUE(view_.enabled.Contains(kAdjustSaveItem));
}

// Change detection looks only at what a setting shows.
TEST_F(AdjustHalftoneTest, UnusedCurvesAndSlotsAreNoChange) {
    Fill(true, 1);
    ASSERT_EQ(AdjustHalftoneDialogSave(glue_).status, noErr);
    // One curve serves all inks: the other three slots do not count.
    prefsWorking().tones[0].tone[kBlack].levels[3] = 1234;
    // Slots past the count do not count either.
    prefsWorking().tones[5].name[0] = 3;
    EXPECT_FALSE(AdjustHalftoneCheckRegisteredSettingChanged(glue_));
    prefsWorking().tones[0].sameCurve = 0;
    EXPECT_TRUE(AdjustHalftoneCheckRegisteredSettingChanged(glue_));
    // Any non-zero one-curve flag is the same flag.
    prefsWorking().tones[0].sameCurve = 7;
    EXPECT_FALSE(AdjustHalftoneCheckRegisteredSettingChanged(glue_));
}

TEST_F(AdjustHalftoneTest, TheItemProcedureShowsARefusalWithItsMessage) {
    AdjustHalftoneDialogItemProc(glue_, kAdjustDeleteItem);
    ASSERT_EQ(alerts_.shown().size(), 1u);
    EXPECT_EQ(alerts_.shown()[0].alertID, kErrorAlertID);
    EXPECT_EQ(alerts_.shown()[0].params[0],
              "No setting is selected. Select a setting, then try again.");
}

TEST_F(AdjustHalftoneTest, EveryStoreCodeHasAMessageOfItsOwn) {
    std::set<std::string> messages;
    for (OSErr code = kFirstStoreCode; code <= kLastStoreCode; ++code) {
        const std::string text = AlertMessageText(glue_, code);
        EXPECT_FALSE(text.empty()) << code;
        messages.insert(text);
    }
    EXPECT_EQ(messages.size(), static_cast<size_t>(kLastStoreCode - kFirstStoreCode + 1));
    EXPECT_EQ(messages.count(AlertMessageText(glue_, -39)), 0u);
}

TEST_F(AdjustHalftoneTest, FindingAndSelectingByName) {
    ChooseSamplePPD();
    Fill(true, 2);
    EXPECT_EQ(FindAdjustHalftoneSetting(glue_, true, "S11"), 1);
    EXPECT_EQ(FindAdjustHalftoneSetting(glue_, false, "S11"), kNoListRow);
    EXPECT_EQ(FindAdjustHalftoneSetting(glue_, true, std::string(40, 'S')), kNoListRow);
    ASSERT_TRUE(SelectAdjustHalftoneSetting(glue_, true, "S10"));
    EXPECT_FALSE(SelectAdjustHalftoneSetting(glue_, false, "S10"));
    EXPECT_EQ(registered_.SelectedRow(), kNoListRow);
    EXPECT_EQ(ppd_.SelectedRow(), kNoListRow);
}

// A setting built outside the editor, by the editor's rules.
struct ValidityCase {
    const char* what;
    void (*change)(CMYKTone&);
    OSErr expected;
};

class ToneValidityTest : public ::testing::TestWithParam<ValidityCase> {};

TEST_P(ToneValidityTest, FollowsTheEditorsRules) {
    CMYKTone tone = MakeTone("Valid");
    GetParam().change(tone);
    EXPECT_EQ(CheckCMYKToneIsValid(tone), GetParam().expected) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ToneValidityTest,
    ::testing::Values(
        ValidityCase{"the default", [](CMYKTone&) {}, noErr},
        ValidityCase{"empty name", [](CMYKTone& setting) { setting.name[0] = 0; },
                     kBadToneNameCode},
        ValidityCase{"name of 32",
                     [](CMYKTone& setting) { PStrFromView(setting.name, std::string(32, 'n')); },
                     noErr},
        ValidityCase{"no 0 % point",
                     [](CMYKTone& setting) { setting.tone[kCyan].levels[0] = kNoPoint; },
                     kEndPointsCode},
        ValidityCase{"no 100 % point",
                     [](CMYKTone& setting) { setting.tone[kCyan].levels[12] = kNoPoint; },
                     kEndPointsCode},
        ValidityCase{"100 % at 100.01",
                     [](CMYKTone& setting) { setting.tone[kCyan].levels[12] = 10001; },
                     kEndPointsCode},
        ValidityCase{"a point at 101",
                     [](CMYKTone& setting) { setting.tone[kCyan].levels[4] = 10100; },
                     kPointOutOfRangeCode},
        ValidityCase{"a point below 0",
                     [](CMYKTone& setting) { setting.tone[kCyan].levels[4] = -2; },
                     kPointOutOfRangeCode},
        ValidityCase{"points at 0 and 100",
                     [](CMYKTone& setting) {
                         setting.tone[kCyan].levels[1] = 0;
                         setting.tone[kCyan].levels[11] = 10000;
                     },
                     noErr},
        ValidityCase{"gamma 0", [](CMYKTone& setting) { setting.tone[kCyan].gamma = 0; },
                     kBadGammaCode},
        ValidityCase{"gamma 0.01", [](CMYKTone& setting) { setting.tone[kCyan].gamma = 1; }, noErr},
        ValidityCase{"gamma 99.99", [](CMYKTone& setting) { setting.tone[kCyan].gamma = 9999; },
                     noErr},
        ValidityCase{"gamma 100", [](CMYKTone& setting) { setting.tone[kCyan].gamma = 10000; },
                     kBadGammaCode},
        // With one curve for all inks only cyan counts; with four, every ink.
        ValidityCase{"bad black, one curve",
                     [](CMYKTone& setting) { setting.tone[kBlack].levels[0] = -1; }, noErr},
        ValidityCase{"bad black, four curves",
                     [](CMYKTone& setting) {
                         setting.sameCurve = 0;
                         setting.tone[kBlack].levels[0] = -1;
                     },
                     kEndPointsCode}));

TEST(ToneNameTest, ATypedNameIsStoredWholeOrRefusedWithItsReason) {
    ScopedEnvVar roman("LANG", "C.UTF-8");
    CMYKTone tone = MakeTone("Old");
    std::string offending;
    EXPECT_EQ(SetCMYKToneNameUtf8(tone, std::string(33, 'x')), kBadToneNameCode);
    EXPECT_EQ(SetCMYKToneNameUtf8(tone, ""), kBadToneNameCode);
    EXPECT_EQ(SetCMYKToneNameUtf8(tone, "Foto \xE5\x86\x99\xE7\x9C\x9F", &offending),
              kNameNotStorableCode);
    EXPECT_EQ(offending, "\xE5\x86\x99"); // the first character that cannot be stored: 写
    EXPECT_EQ(SetCMYKToneNameUtf8(tone, "Red\x1B[31m", &offending), kNameNotStorableCode);
    EXPECT_EQ(offending, "\\x1B"); // a control character, shown harmless
    EXPECT_EQ(WithControlsEscaped("a\rb\xC2\x9B"), "a\\x0Db\\x9B");
    EXPECT_EQ(PStrToString(tone.name), "Old");
    // Stored in the application's encoding, shown back in UTF-8 unchanged.
    ASSERT_EQ(SetCMYKToneNameUtf8(tone, "Portr\xC3\xA4t \xE2\x82\xAC"), noErr);
    EXPECT_EQ(PStrToString(tone.name), "Portr\x8At \xDB");
    EXPECT_EQ(ToneNameUtf8(tone), "Portr\xC3\xA4t \xE2\x82\xAC");
    ASSERT_EQ(SetCMYKToneNameUtf8(tone, std::string(32, 'x')), noErr);
    EXPECT_EQ(PStrToString(tone.name), std::string(32, 'x'));
}

TEST(MemoryListViewTest, TheSelectionStaysWithItsRow) {
    MemoryListView list;
    for (int16_t row = 0; row < 3; ++row) {
        list.InsertRow(row);
        list.SetCell(row, std::string(1, static_cast<char>('a' + row)));
    }
    list.Select(1);
    list.InsertRow(0);
    EXPECT_EQ(list.SelectedRow(), 2);
    list.DeleteRow(0);
    EXPECT_EQ(list.SelectedRow(), 1);
    list.DeleteRow(1);
    EXPECT_EQ(list.SelectedRow(), kNoListRow);
    // Out-of-range rows are ignored or read as empty; cells are read back with 32 bytes.
    list.SetCell(9, "x");
    list.Select(9);
    EXPECT_EQ(list.SelectedRow(), kNoListRow);
    EXPECT_EQ(list.GetCell(-1), "");
}

} // namespace
} // namespace orvane::testing
