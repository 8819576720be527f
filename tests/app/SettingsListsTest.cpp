// The two settings lists: sorted insertion by unsigned bytes, the replace question,
// renaming, deleting, copying, and the limits of the record slots.
#include "app/SettingsLists.h"

#include "app/ChangePPD.h"
#include "app/StoreFixture.h"
#include "core/UiText.h"

namespace orvane::testing {
namespace {

using Names_ = std::vector<std::string>;

class SettingsListsTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        ASSERT_EQ(Open(), noErr);
    }
    void AddAll(const Names_& names, bool registered = true) {
        for (const std::string& name : names)
            ASSERT_EQ(Add(name, registered), noErr) << name;
    }
    // Rows (UTF-8) and record agree, and the record is what the test expects.
    void Expect(const Names_& names, bool registered = true) {
        Names_ shown;
        for (const std::string& name : names)
            shown.push_back(StoredTextUtf8(name));
        EXPECT_EQ(registered ? Names(prefsWorking()) : Names(ppdWorking()), names);
        EXPECT_EQ((registered ? registered_ : ppd_).rows(), shown);
    }
    void ChooseSamplePPD() {
        ASSERT_EQ(AdjustHalftoneChangePPDFile(glue_, SpecFor(InstallSamplePPD())), noErr);
    }
    OSErr Press(int16_t item) { return HandleAdjustHalftoneDialogButtons(glue_, item); }
    int32_t Mid(int slot) { return prefsWorking().tones[slot].tone[kCyan].levels[6]; }
};

struct InsertionCase {
    const char* label;
    Names_ existing;
    std::string added;
    Names_ expected;
};

class SortedInsertionTest : public SettingsListsTest,
                            public ::testing::WithParamInterface<InsertionCase> {};

TEST_P(SortedInsertionTest, PutsTheNewSettingAtItsByteOrderPlace) {
    const InsertionCase& c = GetParam();
    AddAll(c.existing);
    ASSERT_EQ(Add(c.added), noErr);
    Expect(c.expected);
    // The new row is the one selected and scrolled to; the other list has no selection.
    const auto at = std::find(c.expected.begin(), c.expected.end(), c.added) - c.expected.begin();
    EXPECT_EQ(registered_.SelectedRow(), at);
    EXPECT_EQ(registered_.lastScrolledRow(), at);
    EXPECT_EQ(ppd_.SelectedRow(), kNoListRow);
}

INSTANTIATE_TEST_SUITE_P(
    ByteOrder, SortedInsertionTest,
    ::testing::Values(
        InsertionCase{"Between", {"Alpha", "Gamma"}, "Beta", {"Alpha", "Beta", "Gamma"}},
        InsertionCase{"ShorterPrefixFirst", {"Alpha", "Beta"}, "Al", {"Al", "Alpha", "Beta"}},
        // A Mac Roman accented letter (0x8A) sorts after "z": bytes compare unsigned.
        InsertionCase{"UnsignedBytes",
                      {"Alpha", "zebra"},
                      "\x8A"
                      "clat",
                      {"Alpha", "zebra",
                       "\x8A"
                       "clat"}}),
    [](const auto& p) { return std::string(p.param.label); });

TEST_F(SettingsListsTest, DeletingMovesTheRestUpAndLeavesNoSelection) {
    AddAll({"Alpha", "Beta", "Gamma"});
    ASSERT_TRUE(SelectAdjustHalftoneSetting(glue_, true, "Alpha"));
    ASSERT_EQ(Press(kAdjustDeleteItem), noErr);
    Expect({"Beta", "Gamma"});
    EXPECT_EQ(registered_.SelectedRow(), kNoListRow);
    CMYKTone empty;
    std::memset(&empty, 0, sizeof empty);
    EXPECT_EQ(std::memcmp(&prefsWorking().tones[2], &empty, sizeof empty), 0)
        << "the freed slot keeps nothing of the deleted setting";
    EXPECT_EQ(AdjustHalftoneDialogDeleteFromList(glue_, true, 2), paramErr);
}

// Confirming the New/Edit dialog on the selected setting.
struct ConfirmCase {
    const char* label;
    std::string selected;
    std::string edited;
    int answer; // to the replace question; 0: none asked
    Names_ expected;
    int editedAt; // where the edited curve ends up; -1: stored nowhere
};

class ConfirmEditTest : public SettingsListsTest,
                        public ::testing::WithParamInterface<ConfirmCase> {};

TEST_P(ConfirmEditTest, StoresTheEditWhereItsNameBelongs) {
    const ConfirmCase& c = GetParam();
    AddAll({"Alpha", "Beta", "Gamma"});
    const ToneRes4Rec before = prefsWorking();
    ASSERT_TRUE(SelectAdjustHalftoneSetting(glue_, true, c.selected));
    state().isNew = 0;
    state().editsRegistered = 1;
    state().originalTone = MakeTone(c.selected);
    state().workTone = MakeTone(c.edited, 8000);
    if (c.answer)
        alerts_.SetNextAnswer(c.answer);
    ASSERT_EQ(NewEditHalftoneDialogSaveList(glue_), noErr);
    EXPECT_EQ(alerts_.shown().size(), c.answer ? 1u : 0u);
    Expect(c.expected);
    if (c.editedAt < 0) {
        EXPECT_EQ(std::memcmp(&before, &prefsWorking(), sizeof before), 0);
    } else {
        EXPECT_EQ(Mid(c.editedAt), 8000);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Edits, ConfirmEditTest,
    ::testing::Values(
        ConfirmCase{"KeepsItsPlace", "Beta", "Beta", 0, {"Alpha", "Beta", "Gamma"}, 1},
        ConfirmCase{"RenamedMoves", "Alpha", "Delta", 0, {"Beta", "Delta", "Gamma"}, 1},
        ConfirmCase{"OntoAnotherConfirmed", "Gamma", "Beta", 1, {"Alpha", "Beta"}, 1},
        ConfirmCase{"OntoAnotherDeclined", "Beta", "Alpha", 2, {"Alpha", "Beta", "Gamma"}, -1}),
    [](const auto& p) { return std::string(p.param.label); });

} // namespace
} // namespace orvane::testing
