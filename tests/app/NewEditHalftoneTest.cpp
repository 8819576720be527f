// The curve editor without its window: fields, button rule, ink and gamma commands, OK,
// Cancel and dragging, driven as a window drives them and watched through a fake view.
#include "app/NewEditHalftone.h"

#include "app/SettingsLists.h"
#include "app/StoreFixture.h"
#include "core/Alerts.h"

#include <algorithm>
#include <map>

namespace orvane::testing {
namespace {

constexpr Rect kBox = {10, 20, 113, 223};
// The level fields of the straight line, and with 60 % at 50 %.
const std::string kStraight = "0" + std::string(12, ' ') + "100";
const std::string kMiddle60 = "0" + std::string(6, ' ') + "60" + std::string(6, ' ') + "100";

class RecordingEditorView final : public NewEditHalftoneView {
public:
    void SetItemText(int16_t item, std::string_view text) override { texts[item] = text; }
    void SetEnabledItems(const NewEditItemSet& items) override { enabled = items; }
    void SetItemOn(int16_t item, bool on) override { on_[item] = on; }
    void SelectWholeText(int16_t item) override { selected = item; }
    void GraphChanged() override { ++redraws; }
    void Closed() override { closed = true; }

    std::map<int16_t, std::string> texts;
    std::map<int16_t, bool> on_;
    NewEditItemSet enabled;
    int16_t selected = 0;
    int redraws = 0;
    bool closed = false;
};

class NewEditHalftoneTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        ASSERT_EQ(Open(), noErr);
    }
    void TearDown() override {
        editor_.reset();
        StoreTest::TearDown();
    }
    DialogRef FakeWindow() { return reinterpret_cast<DialogRef>(this); }
    // Opens the editor (with a window) on `tone`, or on a new setting.
    void Edit(std::optional<CMYKTone> tone = {}, char separator = '.') {
        CMYKTone fresh;
        SetNewCMYKTone(fresh);
        editor_.emplace(glue_, separator, &editorView_);
        ASSERT_EQ(
            editor_->ShowNewEditHalftoneDialog(tone.value_or(fresh), {!tone}, FakeWindow(), kBox),
            noErr);
    }
    void Type(int16_t item, std::string_view text) {
        editor_->ItemTextChanged(item, text);
        editorView_.texts[item] = text;
    }
    // The enabled ruled buttons, as "1 2 4".
    std::string Enabled() const {
        std::string items;
        for (int16_t item : {1, 2, 4, 26, 27, 28, 29, 58}) {
            if (editorView_.enabled.Contains(item))
                items += (items.empty() ? "" : " ") + std::to_string(item);
        }
        return items;
    }
    std::string Fields() const {
        std::string all;
        for (int16_t item = kNewEditFirstLevelItem; item <= kNewEditLastLevelItem; ++item)
            all += editorView_.texts.at(item) + (item < kNewEditLastLevelItem ? " " : "");
        return all;
    }
    // The message of the last alert shown, as ShowAlert would show `code`.
    bool LastAlertWas(OSErr code) {
        return !alerts_.shown().empty() &&
               alerts_.shown().back().params[0] == AlertMessageText(glue_, code);
    }

    ScopedEnv roman_{"LC_ALL", "C"};
    RecordingEditorView editorView_;
    std::optional<NewEditHalftoneDialog> editor_;
};

TEST_F(NewEditHalftoneTest, NewOpensEmptyAndTheNameDecidesOK) {
    Edit();
    EXPECT_EQ(editorView_.texts[kNewEditNameItem], "");
    EXPECT_EQ(Fields(), kStraight);
    EXPECT_TRUE(editorView_.on_[kNewEditAllInksItem]);
    EXPECT_FALSE(editorView_.on_[kNewEditCyanItem]);
    EXPECT_EQ(editorView_.selected, kNewEditNameItem);
    EXPECT_EQ(Enabled(), "4");
    EXPECT_FALSE(view_.enabled.Contains(kAdjustNewItem));

    std::string e32; // 64 bytes of UTF-8, 32 stored
    for (int i = 0; i < 32; ++i)
        e32 += "\xC3\xA9";
    const std::pair<std::string, const char*> cases[] = {
        {"Soft", "1 2 4"},
        {"", "4"},                                    // back to nothing changed
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456", "2 4"}, // 33 bytes
        {"\xE5\x86\x99", "2 4"},                      // not in the application's encoding
        {e32, "1 2 4"},
    };
    for (const auto& [name, enabled] : cases) {
        Type(kNewEditNameItem, name);
        EXPECT_EQ(Enabled(), enabled) << name;
    }
    Type(kNewEditNameItem, "\xE5\x86\x99");
    EXPECT_EQ(state().workTone.name[0], 0); // never a cut or altered name
}

TEST_F(NewEditHalftoneTest, EditingBackToTheOriginalDisablesOKAndRevert) {
    Edit(MakeTone("Bold", 3750));
    EXPECT_EQ(Enabled(), "4");
    Type(49, "40");
    EXPECT_EQ(Enabled(), "1 2 4");
    Type(49, "37.5");
    EXPECT_EQ(Enabled(), "4");
    Type(kNewEditNameItem, "Bolder");
    Type(kNewEditGammaItem, "2.2");
    EXPECT_EQ(Enabled(), "1 2 4 58");
    editor_->ItemHit(kNewEditRevertItem);
    EXPECT_EQ(editorView_.texts[kNewEditNameItem], "Bold");
    EXPECT_EQ(Enabled(), "4");
}

TEST_F(NewEditHalftoneTest, InvalidShownCurveRefusesInkChanges) {
    Edit();
    editor_->ItemHit(kNewEditAllInksItem);
    Type(kNewEditFirstLevelItem, "");
    editorView_.on_[26] = !(editorView_.on_[27] = true); // as a window's radio button does
    editor_->ItemHit(27);
    EXPECT_TRUE(LastAlertWas(kEndPointsCode));
    EXPECT_EQ(editorView_.selected, kNewEditFirstLevelItem);
    EXPECT_TRUE(editorView_.on_[26]);
    EXPECT_FALSE(editorView_.on_[27]);

    Type(kNewEditFirstLevelItem, "0");
    Type(47, "100.01");
    EXPECT_EQ(Enabled(), "2 4 26 27 28 29");
    editor_->ItemHit(kNewEditAllInksItem);
    EXPECT_TRUE(LastAlertWas(kPointOutOfRangeCode));
    EXPECT_EQ(editorView_.selected, 47);
    EXPECT_FALSE(editorView_.on_[kNewEditAllInksItem]);
}

TEST_F(NewEditHalftoneTest, TheBoxMakesTheShownCurveTheOneOfAllInks) {
    CMYKTone tone = MakeTone("Split");
    tone.sameCurve = 0;
    tone.tone[kMagenta].levels[6] = 6000;
    Edit(tone);
    EXPECT_EQ(Fields(), kStraight);
    editor_->ItemHit(27);
    EXPECT_EQ(Fields(), kMiddle60);
    editor_->ItemHit(kNewEditAllInksItem);
    EXPECT_EQ(Enabled(), "1 2 4");
    for (const CToneInfo& curve : state().workTone.tone)
        EXPECT_EQ(int32_t{curve.levels[6]}, 6000);
    editor_->ItemHit(kNewEditAllInksItem);
    EXPECT_TRUE(editorView_.on_[26]);
    EXPECT_EQ(Fields(), kMiddle60);
}

TEST_F(NewEditHalftoneTest, GammaFillsTheFieldsInTheGivenSeparator) {
    for (const char separator : {'.', ','}) {
        Edit({}, separator);
        Type(kNewEditNameItem, "Gamma");
        Type(kNewEditGammaItem, std::string("2") + separator + "2");
        editor_->ItemHit(kNewEditApplyGammaItem);
        std::string expected = "0 0.14 0.63 2.9 7.07 13.32 21.76 32.5 45.63 61.21 79.31 89.33 100";
        std::replace(expected.begin(), expected.end(), '.', separator);
        EXPECT_EQ(Fields(), expected);
        EXPECT_EQ(Enabled(), "1 2 4 58");
        EXPECT_EQ(int32_t{state().workTone.tone[kBlack].gamma}, 220);
        editor_->CancelNewEditHalftoneDialog();
    }
    Edit();
    const std::pair<const char*, bool> cases[] = {
        {"", false}, {"0", false}, {"0.01", true}, {"99.99", true}, {"100", false}};
    for (const auto& [text, enabled] : cases) {
        Type(kNewEditGammaItem, text);
        EXPECT_EQ(editor_->EnabledItems().Contains(kNewEditApplyGammaItem), enabled) << text;
    }
    editor_->ApplyNewEditHalftoneGamma();
    EXPECT_TRUE(LastAlertWas(kBadGammaCode));
    EXPECT_EQ(editorView_.selected, kNewEditGammaItem);
    EXPECT_EQ(Fields(), kStraight);
}

TEST_F(NewEditHalftoneTest, OKStoresSortedAndCancelStoresNothing) {
    for (const char* name : {"Alpha", "Gamma"})
        ASSERT_EQ(AdjustHalftoneDialogAppendEntry(glue_, true, MakeTone(name)), noErr);
    Edit();
    Type(kNewEditNameItem, "Beta");
    EXPECT_TRUE(editor_->KeyDown(13)); // Return presses OK
    EXPECT_TRUE(editorView_.closed);
    EXPECT_EQ(Names(prefsWorking()), (std::vector<std::string>{"Alpha", "Beta", "Gamma"}));
    EXPECT_TRUE(view_.enabled.Contains(kAdjustNewItem));

    editorView_.closed = false;
    ASSERT_TRUE(SelectAdjustHalftoneSetting(glue_, true, "Alpha"));
    Edit(prefsWorking().tones[0]);
    Type(kNewEditNameItem, "Zed");
    EXPECT_TRUE(editor_->KeyDown(27)); // Escape cancels
    EXPECT_TRUE(editorView_.closed);
    EXPECT_EQ(Names(prefsWorking()), (std::vector<std::string>{"Alpha", "Beta", "Gamma"}));
    EXPECT_TRUE(alerts_.shown().empty());
}

TEST_F(NewEditHalftoneTest, DraggingSetsTheSlotsField) {
    Edit();
    Type(kNewEditNameItem, "Drawn");
    editorView_.redraws = 0;
    EXPECT_FALSE(editor_->GraphMouseDown({200, 121})); // below the box
    ASSERT_TRUE(editor_->GraphMouseDown({61, 121}));
    EXPECT_EQ(editorView_.texts[49], "50");
    editor_->GraphMouseMoved({61, 300}); // far to the side: removed
    EXPECT_EQ(editorView_.texts[49], "");
    editor_->GraphMouseUp({36, 121});
    EXPECT_EQ(editorView_.texts[49], "75");
    EXPECT_EQ(editorView_.selected, 49);
    EXPECT_EQ(editorView_.redraws, 3); // once for each step
    EXPECT_EQ(int32_t{state().workTone.tone[kYellow].levels[6]}, 7500);
    EXPECT_EQ(editor_->GraphScene().dots.centre[1].v, 36);
}

} // namespace
} // namespace orvane::testing
