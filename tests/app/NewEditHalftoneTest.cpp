// The curve editor without its window: fields, button rule, ink and gamma commands, OK,
// Cancel and dragging, driven as a window drives them and watched through a fake view.
#include "app/NewEditHalftone.h"

#include "app/ChangePPD.h"
#include "app/StoreFixture.h"
#include "core/Alerts.h"

#include <map>

namespace orvane::testing {
namespace {

constexpr Rect kBox = {10, 20, 113, 223};
// The level fields of the straight line.
const std::string kStraight = "0" + std::string(12, ' ') + "100";

class RecordingEditorView final : public NewEditHalftoneView {
public:
    void SetItemText(int16_t item, std::string_view text) override { texts[item] = text; }
    void SetEnabledItems(const NewEditItemSet& items) override { enabled = items; }
    void SetItemOn(int16_t, bool) override {}
    void SelectWholeText(int16_t item) override { selected = item; }
    void GraphChanged() override {}
    void Closed() override {}

    std::map<int16_t, std::string> texts;
    NewEditItemSet enabled;
    int16_t selected = 0;
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
    void Edit(std::optional<CMYKTone> tone = {}) {
        CMYKTone fresh;
        SetNewCMYKTone(fresh);
        editor_.emplace(glue_, '.', &editorView_);
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

// (The window's tests apply a gamma with a decimal comma.)
TEST_F(NewEditHalftoneTest, GammaFillsTheFields) {
    Edit();
    Type(kNewEditNameItem, "Gamma");
    Type(kNewEditGammaItem, "2.2");
    editor_->ItemHit(kNewEditApplyGammaItem);
    EXPECT_EQ(Fields(), "0 0.14 0.63 2.9 7.07 13.32 21.76 32.5 45.63 61.21 79.31 89.33 100");
    EXPECT_EQ(Enabled(), "1 2 4 58");
    EXPECT_EQ(int32_t{state().workTone.tone[kBlack].gamma}, 220);
    editor_->CancelNewEditHalftoneDialog();
    Edit();
    for (const auto& [text, enabled] :
         {std::pair{"0", false}, {"0.01", true}, {"99.99", true}, {"100", false}}) {
        Type(kNewEditGammaItem, text);
        EXPECT_EQ(editor_->EnabledItems().Contains(kNewEditApplyGammaItem), enabled) << text;
    }
    editor_->ApplyNewEditHalftoneGamma();
    EXPECT_TRUE(LastAlertWas(kBadGammaCode));
    EXPECT_EQ(editorView_.selected, kNewEditGammaItem);
    EXPECT_EQ(Fields(), kStraight);
}

// The editor is modeless: OK stores into the setting it was opened on, whatever the user
// selected, deleted or chose meanwhile, and never loses the edit.
TEST_F(NewEditHalftoneTest, OKStoresIntoTheEditedSettingWhateverHappenedMeanwhile) {
    const auto fill = [this] {
        editor_.reset();
        ASSERT_EQ(Reopen(), noErr);
        ASSERT_EQ(AdjustHalftoneChangePPDFile(glue_, SpecFor(InstallSamplePPD())), noErr);
        for (const char* name : {"A", "B", "P"})
            ASSERT_EQ(AdjustHalftoneDialogAppendEntry(glue_, *name != 'P', MakeTone(name)), noErr);
    };
    const auto edit = [this](const char* name, bool registered) {
        ASSERT_TRUE(SelectAdjustHalftoneSetting(glue_, registered, name));
        Edit(MakeTone(name));
        Type(49, "42");
    };
    // Edited (a registered setting or the PPD's P), then meanwhile: another setting
    // selected, the edited one deleted, another PPD chosen.
    const std::tuple<const char*, char, std::vector<std::string>, std::vector<std::string>>
        cases[] = {{"A", 's', {"A", "B"}, {"P"}},
                   {"P", 's', {"A", "B"}, {"P"}},
                   {"A", 'd', {"A", "B"}, {"P"}},
                   {"P", 'c', {"A", "B", "P"}, {}}};
    for (const auto& [edited, meanwhile, registered, ppd] : cases) {
        SCOPED_TRACE(std::string(edited) + meanwhile);
        fill();
        edit(edited, *edited != 'P');
        if (meanwhile == 's')
            ASSERT_TRUE(SelectAdjustHalftoneSetting(glue_, true, *edited == 'A' ? "B" : "A"));
        else if (meanwhile == 'd')
            ASSERT_EQ(AdjustHalftoneDialogDeleteFromList(glue_, true, 0), noErr);
        else
            ASSERT_EQ(AdjustHalftoneChangePPDFile(
                          glue_, SpecFor(InstallSamplePPD("Quillmark_ColorPage_3.ppd"))),
                      noErr);
        ASSERT_EQ(editor_->ConfirmNewEditHalftoneDialog(), noErr);
        EXPECT_EQ(Names(prefsWorking()), registered);
        EXPECT_EQ(Names(ppdWorking()), ppd);
        for (const auto& [count, tones] : {std::pair{prefsWorking().count, prefsWorking().tones},
                                           std::pair{ppdWorking().count, ppdWorking().tones}})
            for (int i = 0; i < count; ++i)
                EXPECT_EQ(tones[i].tone[kCyan].levels[6] == 4200,
                          PStrView(tones[i].name) == edited);
    }
    // Gone, and no room to add it: refused, and the editor stays open with the edit.
    fill();
    for (int i = 0; prefsWorking().count < kMaxRegisteredTones; ++i)
        ASSERT_EQ(AdjustHalftoneDialogAppendEntry(glue_, true, MakeTone("R" + std::to_string(i))),
                  noErr);
    edit("A", true);
    ASSERT_EQ(AdjustHalftoneDialogDeleteFromList(glue_, true, 0), noErr);
    ASSERT_EQ(AdjustHalftoneDialogAppendEntry(glue_, true, MakeTone("Z")), noErr);
    EXPECT_EQ(editor_->ConfirmNewEditHalftoneDialog(), kListFullCode);
    EXPECT_TRUE(editor_->IsOpen());
    EXPECT_EQ(editorView_.texts[49], "42");
}

} // namespace
} // namespace orvane::testing
