// The two settings lists: sorted insertion by unsigned bytes, deleting, and storing an edit
// (renamed, or onto another setting through the replace question).
#include "app/SettingsLists.h"

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
    int32_t Mid(int slot) { return prefsWorking().tones[slot].tone[kCyan].levels[6]; }
};

// Each new setting goes to its place by unsigned bytes (a shorter prefix first; the Mac
// Roman accented letter 0x8A after "z"), selected and scrolled to; the other list has no
// selection.
TEST_F(SettingsListsTest, ANewSettingGoesToItsByteOrderPlaceSelectedAndShown) {
    AddAll({"Alpha", "zebra", "Al", "\x8Arger", "Beta"});
    Expect({"Al", "Alpha", "Beta", "zebra", "\x8Arger"});
    EXPECT_EQ(registered_.SelectedRow(), 2);
    EXPECT_EQ(registered_.lastScrolledRow(), 2);
    EXPECT_EQ(ppd_.SelectedRow(), kNoListRow);
    // Deleting moves the rest up and leaves no selection, nor anything in the freed slot.
    ASSERT_TRUE(SelectAdjustHalftoneSetting(glue_, true, "Alpha"));
    ASSERT_EQ(HandleAdjustHalftoneDialogButtons(glue_, kAdjustDeleteItem), noErr);
    Expect({"Al", "Beta", "zebra", "\x8Arger"});
    EXPECT_EQ(registered_.SelectedRow(), kNoListRow);
    CMYKTone empty;
    std::memset(&empty, 0, sizeof empty);
    EXPECT_EQ(std::memcmp(&prefsWorking().tones[4], &empty, sizeof empty), 0);
    EXPECT_EQ(AdjustHalftoneDialogDeleteFromList(glue_, true, 4), paramErr);
}

// Confirming the New/Edit dialog on the selected setting: the edit keeps its place, moves
// when renamed, replaces another setting when the question is confirmed, and is stored
// nowhere when it is declined.
TEST_F(SettingsListsTest, ConfirmingAnEditStoresItWhereItsNameBelongs) {
    // Selected, edited, the answer to the replace question (0: none asked), the names after
    // and where the edited curve ends up (-1: nowhere).
    const std::tuple<std::string, std::string, int, Names_, int> cases[] = {
        {"Beta", "Beta", 0, {"Alpha", "Beta", "Gamma"}, 1},
        {"Alpha", "Delta", 0, {"Beta", "Delta", "Gamma"}, 1},
        {"Gamma", "Beta", 1, {"Alpha", "Beta"}, 1},
        {"Beta", "Alpha", 2, {"Alpha", "Beta", "Gamma"}, -1}};
    for (const auto& [selected, edited, answer, expected, editedAt] : cases) {
        SCOPED_TRACE(selected + " -> " + edited);
        ASSERT_EQ(Reopen(), noErr);
        alerts_.Clear();
        AddAll({"Alpha", "Beta", "Gamma"});
        const ToneRes4Rec before = prefsWorking();
        ASSERT_TRUE(SelectAdjustHalftoneSetting(glue_, true, selected));
        state().isNew = 0;
        state().editsRegistered = 1;
        state().originalTone = MakeTone(selected);
        state().workTone = MakeTone(edited, 8000);
        if (answer)
            alerts_.SetNextAnswer(static_cast<int16_t>(answer));
        ASSERT_EQ(NewEditHalftoneDialogSaveList(glue_), noErr);
        EXPECT_EQ(alerts_.shown().size(), answer ? 1u : 0u);
        Expect(expected);
        if (editedAt < 0)
            EXPECT_EQ(std::memcmp(&before, &prefsWorking(), sizeof before), 0);
        else
            EXPECT_EQ(Mid(editedAt), 8000);
    }
}

} // namespace
} // namespace orvane::testing
