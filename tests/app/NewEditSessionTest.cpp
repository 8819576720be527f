// What the curve editor keeps while it is open: its undo history, the point the arrow keys
// move, and the setting it edits, whatever the main window does meanwhile.
#include "app/NewEditHalftone.h"

#include "app/ChangePPD.h"
#include "app/SettingsLists.h"
#include "app/StoreFixture.h"

#include <functional>

namespace orvane::testing {
namespace {

class NewEditSessionTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        ASSERT_EQ(Open(), noErr);
    }
    void TearDown() override {
        editor_.reset();
        StoreTest::TearDown();
    }
    // The editor on a new setting, or on the named setting of a list, selected as Edit needs.
    NewEditHalftoneDialog& Edit(std::string_view name = {}, bool registered = true) {
        CMYKTone tone;
        SetNewCMYKTone(tone);
        if (!name.empty()) {
            EXPECT_TRUE(SelectAdjustHalftoneSetting(glue_, registered, name));
            const int16_t row = (registered ? registered_ : ppd_).SelectedRow();
            tone = registered ? prefsWorking().tones[row] : ppdWorking().tones[row];
        }
        editor_.emplace(glue_, '.');
        EXPECT_EQ(
            editor_->ShowNewEditHalftoneDialog(tone, {name.empty()}, nullptr, {10, 20, 113, 223}),
            noErr);
        return *editor_;
    }
    std::string Shown() {
        std::string all = editor_->ItemText(kNewEditNameItem) + "|";
        for (int16_t item = kNewEditFirstLevelItem; item <= kNewEditGammaItem; ++item)
            all += editor_->ItemText(item) + " ";
        return all + (editor_->ItemOn(kNewEditAllInksItem) ? "all" : "") +
               std::to_string(state().currentInk);
    }
    void ChoosePPD(const char* name) {
        ASSERT_EQ(AdjustHalftoneChangePPDFile(glue_, SpecFor(InstallSamplePPD(name))), noErr);
    }

    // Only the setting named `edited` carries the edit (42 % at 50 %).
    template <typename Record> static void ExpectOnlyEdited(const Record& r, std::string edited) {
        for (int i = 0; i < r.count; ++i)
            EXPECT_EQ(r.tones[i].tone[kCyan].levels[6] == 4200, PStrView(r.tones[i].name) == edited)
                << PStrView(r.tones[i].name);
    }

    std::optional<NewEditHalftoneDialog> editor_;
};

TEST_F(NewEditSessionTest, UndoTakesBackOneEditAtATimeAndRedoReplaysThem) {
    NewEditHalftoneDialog& e = Edit();
    std::vector<std::string> states{Shown()};
    const std::function<void()> edits[] = {
        [&] {
            for (const char* name : {"S", "So", "Soft"}) // typing in one field: one step
                e.ItemTextChanged(kNewEditNameItem, name);
        },
        [&] { e.ItemTextChanged(kNewEditGammaItem, "2.2"); },
        [&] { e.ItemHit(kNewEditApplyGammaItem); },
        [&] { e.ItemHit(kNewEditAllInksItem); },
        [&] { e.ItemHit(27); },
        [&] { // a drag from press to release: one step
            ASSERT_TRUE(e.GraphMouseDown({61, 121}));
            e.GraphMouseMoved({300, 121});
            e.GraphMouseUp({36, 121});
        },
        [&] { // nudging the dragged point: one step
            for (int32_t delta : {100, 100, -10})
                e.NudgeSelectedGraphPoint(delta);
            EXPECT_EQ(e.ItemText(49), "76.9");
        },
        [&] { e.ItemHit(kNewEditRevertItem); },
    };
    for (const auto& edit : edits) {
        edit();
        ASSERT_NE(Shown(), states.back());
        states.push_back(Shown());
    }
    for (size_t i = states.size() - 1; i > 0; --i) {
        EXPECT_EQ(Shown(), states[i]) << i;
        e.Undo();
    }
    EXPECT_EQ(Shown(), states[0]);
    EXPECT_FALSE(e.CanUndo());
    e.Redo();
    e.Redo();
    EXPECT_EQ(Shown(), states[2]);
    EXPECT_EQ(e.EnabledItems().Contains(kNewEditOKItem), true);
    e.ItemTextChanged(49, "10");
    EXPECT_FALSE(e.CanRedo());
}

TEST_F(NewEditSessionTest, ArrowKeysChooseAndMoveThePointsThatExist) {
    NewEditHalftoneDialog& e = Edit();
    EXPECT_EQ(e.SelectedGraphSlot(), -1);
    const std::pair<int, int> steps[] = {{1, 0}, {1, 12}, {1, 12}, {-1, 0}};
    for (const auto& [direction, slot] : steps) {
        e.SelectNextGraphPoint(direction);
        EXPECT_EQ(e.SelectedGraphSlot(), slot);
    }
    e.NudgeSelectedGraphPoint(-100); // already at 0 %
    EXPECT_FALSE(e.CanUndo());
    e.NudgeSelectedGraphPoint(10);
    EXPECT_EQ(e.ItemText(kNewEditFirstLevelItem), "0.1");
    EXPECT_EQ(e.GraphPointAt({110, 22}, 3), 0);
    EXPECT_EQ(e.GraphPointAt({12, 220}, 3), 12);
    EXPECT_EQ(e.GraphPointAt({60, 120}, 3), -1);
    e.ItemTextChanged(kNewEditLastLevelItem, "");
    EXPECT_EQ(e.GraphPointAt({110, 22}, 3), -1); // no dots on an invalid curve
}

// OK stores into the setting the editor was opened on, whatever happened meanwhile; an edit
// whose setting is gone is added, never dropped.
TEST_F(NewEditSessionTest, OKStoresIntoTheEditedSettingWhateverIsSelected) {
    struct Case {
        const char* what;
        const char* edited;
        bool fromPPD;
        std::function<void()> meanwhile;
        std::vector<std::string> registered, ppd;
    };
    const auto drop = [this](bool registered, int16_t row) {
        ASSERT_EQ(AdjustHalftoneDialogDeleteFromList(glue_, registered, row), noErr);
    };
    const Case cases[] = {
        {"another selected",
         "A",
         false,
         [&] { SelectAdjustHalftoneSetting(glue_, true, "B"); },
         {"A", "B"},
         {"P"}},
        {"PPD row selected",
         "P",
         true,
         [&] { SelectAdjustHalftoneSetting(glue_, true, "A"); },
         {"A", "B"},
         {"P"}},
        {"edited deleted", "A", false, [&] { drop(true, 0); }, {"A", "B"}, {"P"}},
        {"other PPD chosen",
         "P",
         true,
         [&] { ChoosePPD("Quillmark_ColorPage_3.ppd"); },
         {"A", "B", "P"},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(Reopen(), noErr);
        ChoosePPD("Quillmark_ColorPage_5.ppd");
        for (const char* name : {"A", "B", "P"})
            ASSERT_EQ(AdjustHalftoneDialogAppendEntry(glue_, name[0] != 'P', MakeTone(name)),
                      noErr);
        NewEditHalftoneDialog& e = Edit(c.edited, !c.fromPPD);
        e.ItemTextChanged(49, "42");
        c.meanwhile();
        ASSERT_EQ(e.ConfirmNewEditHalftoneDialog(), noErr);
        EXPECT_EQ(Names(prefsWorking()), c.registered);
        EXPECT_EQ(Names(ppdWorking()), c.ppd);
        ExpectOnlyEdited(prefsWorking(), c.edited);
        ExpectOnlyEdited(ppdWorking(), c.edited);
    }
    // Gone, and no room to add it: refused, and the editor stays open with the edit.
    ASSERT_EQ(Reopen(), noErr);
    for (int i = 0; i < kMaxRegisteredTones; ++i)
        ASSERT_EQ(
            AdjustHalftoneDialogAppendEntry(glue_, true, MakeTone("R" + std::to_string(10 + i))),
            noErr);
    NewEditHalftoneDialog& e = Edit("R10");
    e.ItemTextChanged(49, "42");
    drop(true, 0);
    ASSERT_EQ(AdjustHalftoneDialogAppendEntry(glue_, true, MakeTone("R99")), noErr);
    EXPECT_EQ(e.ConfirmNewEditHalftoneDialog(), kListFullCode);
    EXPECT_TRUE(e.IsOpen());
    EXPECT_EQ(e.ItemText(49), "42");
}

} // namespace
} // namespace orvane::testing
