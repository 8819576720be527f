// The New/Edit Halftone dialog (the curve editor) without its window: the texts of its
// fields, its check box and ink buttons, the rule that enables its buttons, what its items
// do, and the dragging of points in its graph. A window draws these and reports every
// keystroke, click and mouse movement here; the command line drives the same object
// without a window. All texts crossing this interface are UTF-8.
//
// The setting being edited lives in the dialog state record (isNew, originalTone,
// workTone, currentInk, graphBox); the texts live here, as the window's fields hold them.
#pragma once

#include "app/UndoHistory.h"
#include "base/Types.h"
#include "core/State.h"
#include "tone/CurveGraph.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

// Items of the New/Edit Halftone dialog.
enum : int16_t {
    kNewEditOKItem = 1,
    kNewEditRevertItem = 2,
    kNewEditCancelItem = 3,
    kNewEditHelpItem = 4,
    kNewEditGraphItem = 6,
    kNewEditNameItem = 24,
    kNewEditAllInksItem = 25, // check box: one curve for all inks
    kNewEditCyanItem = 26,    // ink buttons 26 ... 29: cyan, magenta, yellow, black
    kNewEditBlackItem = 29,
    kNewEditFirstLevelItem = 43, // levels at 0, 5, 10, 20 ... 90, 95, 100 %: item 43 + slot
    kNewEditLastLevelItem = 55,
    kNewEditGammaItem = 57,
    kNewEditApplyGammaItem = 58,
    kNewEditItemCount = 59,
};

// A set of the dialog's items.
class NewEditItemSet {
public:
    bool Contains(int16_t item) const {
        return item >= 0 && item < kNewEditItemCount && (bits_ >> item) & 1u;
    }
    void Set(int16_t item, bool on) {
        if (item < 0 || item >= kNewEditItemCount)
            return;
        const uint64_t bit = uint64_t{1} << item;
        bits_ = on ? bits_ | bit : bits_ & ~bit;
    }
    bool operator==(const NewEditItemSet&) const = default;

private:
    uint64_t bits_ = 0;
};

// The buttons whose state the button rule decides: 1, 2, 4, 26 ... 29 and 58. Every other
// item is always enabled.
bool IsNewEditRuledItem(int16_t item);

// What the Adjust Halftone dialog hands over with the setting.
struct AdjustToNewEditRec {
    uint8_t isNew; // 1: create a setting; 0: edit the selected one
};

// A name typed by the user, as it would be stored: 1 ... 32 bytes in the application's
// encoding. A name the encoding cannot hold is refused, never cut or altered.
enum class ToneNameStatus { ok, empty, tooLong, unstorable };
ToneNameStatus ToneNameFromText(std::string_view utf8, std::string& appName);

// What the window shows. The core calls it whenever something it shows changes.
class NewEditHalftoneView {
public:
    virtual ~NewEditHalftoneView() = default;
    // Items 24, 43 ... 55 and 57.
    virtual void SetItemText(int16_t item, std::string_view utf8) = 0;
    // The ruled buttons enabled now; the ruled buttons not in the set are disabled.
    virtual void SetEnabledItems(const NewEditItemSet& enabled) = 0;
    // Item 25 and the ink buttons 26 ... 29.
    virtual void SetItemOn(int16_t item, bool on) = 0;
    virtual void SelectWholeText(int16_t item) = 0;
    // The graph must be painted again (from NewEditHalftoneDialog::GraphScene).
    virtual void GraphChanged() = 0;
    // The dialog has closed (OK or Cancel); the window goes away.
    virtual void Closed() = 0;
};

class NewEditHalftoneDialog {
public:
    // `decimalSeparator` is the one the level and gamma texts use (the GUI's locale's;
    // "." for the command line). `glue` and `view` (may be null) must outlive this object.
    NewEditHalftoneDialog(GlueRec* glue, char decimalSeparator,
                          NewEditHalftoneView* view = nullptr);
    // Closes the dialog's state if still open, without telling the view.
    ~NewEditHalftoneDialog();
    NewEditHalftoneDialog(const NewEditHalftoneDialog&) = delete;
    NewEditHalftoneDialog& operator=(const NewEditHalftoneDialog&) = delete;

    // Opens the editor on a copy of `tone`: isNew from `params`, originalTone and workTone,
    // the fields (SetNewEditHalftoneDialogControls), the button rule, the graph, the name's
    // text selected. `dialog` is the window (null without one); while it is set the Adjust
    // Halftone dialog keeps New and Edit disabled, and its position is recorded on closing.
    // An edit remembers the list whose selected setting it opened on (and that list's PPD),
    // so that OK stores into that setting whatever is selected by then.
    // paramErr without a dialog state record or while an editor is open.
    OSErr ShowNewEditHalftoneDialog(const CMYKTone& tone, const AdjustToNewEditRec& params,
                                    DialogRef dialog, const Rect& graphBox);
    // Closes: records the window's position, clears newEditDialog, updates the Adjust
    // Halftone dialog's buttons and tells the view. Nothing when not open.
    void DisposeNewEditHalftoneDialog();
    bool IsOpen() const { return open_; }

    // What the window shows.
    const std::string& ItemText(int16_t item) const;
    bool ItemOn(int16_t item) const;
    const NewEditItemSet& EnabledItems() const { return enabled_; }
    CurveGraphScene GraphScene() const;
    // The same picture for another box: the graph drawn at a screen's device resolution.
    // The selected point's dot is marked.
    CurveGraphScene GraphScene(const Rect& box) const;
    // The tooltip of the dot under `where` (within 4 pixels): its input and level, as
    // "50 %: 42.5 %"; empty when there is none.
    std::string GraphPointTip(Point where) const;

    // Events from the window. A text field's new text after each keystroke:
    void ItemTextChanged(int16_t item, std::string_view utf8);
    // A click on an item; clicks on disabled ruled buttons are ignored. Items 1 and 58 and
    // the ink controls show their failures as alerts. Item 4 (help) only re-applies the
    // button rule: the front end opens the help window and sets newEditHelpDialog first.
    void ItemHit(int16_t item);
    // Return (13) and Enter (3) act as a click on OK, Escape (27) on Cancel, when enabled;
    // true when the key was one of them.
    bool KeyDown(uint8_t character);
    // The mouse in the graph: a press inside the graph's box starts dragging the point of
    // the shown curve in the press's column (false when it is outside); each move and the
    // release set the slot's field; the release selects its text.
    bool GraphMouseDown(Point where);
    void GraphMouseMoved(Point where);
    void GraphMouseUp(Point where);
    bool IsDragging() const { return drag_.has_value(); }
    int DraggedSlot() const { return drag_ ? drag_->slot() : -1; }
    // The graph's box changed with the window's size.
    void SetGraphBox(const Rect& graphBox);

    // The point the arrow keys move: the one last pressed in the graph or chosen with
    // SelectNextGraphPoint; -1 for none.
    int SelectedGraphSlot() const { return selectedSlot_; }
    // The next present point of the shown curve to the right (+1) or left (-1) of the
    // selected one becomes the selected one (the first or last one when none is).
    void SelectNextGraphPoint(int direction);
    // The selected point's level moved by `delta` hundredths within 0 ... 100 %, as if
    // typed into its field. Nothing while its field is empty or not a valid level.
    void NudgeSelectedGraphPoint(int32_t delta);
    // The slot whose dot lies within `radius` pixels of `where` (the nearest), or -1; no
    // dots are shown while the shown curve is invalid.
    int GraphPointAt(Point where, int16_t radius) const;

    // Undo and Redo while the dialog is open: typing (one step per field until another kind
    // of edit), drags, nudges of one point, gamma fills, Revert, the one-curve box and the
    // ink buttons. Nothing happens while a point is being dragged.
    bool CanUndo() const { return history_.CanUndo(); }
    bool CanRedo() const { return history_.CanRedo(); }
    void Undo();
    void Redo();

    // The dialog's operations.
    // workTone = originalTone, and the fields, box and ink buttons showing it.
    void SetNewEditHalftoneDialogControls();
    // Items 43 ... 55 and 57 show the curve's levels and gamma.
    void SetNewEditHalftoneDialogNumber(const CToneInfo& curve);
    // Reads the fields, box and ink buttons into workTone; always noErr.
    OSErr GetNewEditHalftoneDialogControls();
    // Items 43 ... 55 and 57 as levels and gamma (an empty text is kNoPoint).
    void GetNewEditHalftoneDialogNumber(CToneInfo& curve) const;
    // Whether the shown curve's fields are valid; else `*item` is the first offending one.
    bool CheckNewEditHalftoneSettingIsValid(int16_t* item) const;
    // Reads the items into workTone and decides which buttons are enabled.
    void HiliteNewEditHalftoneDialogButtons();
    void UpdateNewEditHalftoneDialogGraph();
    Point GetNewEditHalfToneGraphPosition(int16_t input, int32_t level) const;

    // Item 1 without the alert: reads the items into workTone, hands the setting to the
    // list (NewEditHalftoneDialogSaveList, which asks before replacing) and closes. The
    // list's status; a failure leaves the dialog open, so that the edit is not lost with
    // it. The caller decides that OK may be pressed; ItemHit presses it only while enabled.
    OSErr ConfirmNewEditHalftoneDialog();
    // Item 2: back to the setting as handed in.
    void RevertNewEditHalftoneDialog();
    // Item 3: closes; nothing is stored.
    void CancelNewEditHalftoneDialog();
    // Items 25 ... 29: refused with alert 1008 or 1009 while the shown curve is invalid.
    void SelectNewEditHalftoneInk(int16_t item);
    // Item 58: the gamma curve of item 57 (1007 when it is not 0.01 ... 99.99) into the
    // shown curve.
    void ApplyNewEditHalftoneGamma();

    // The name as it would be stored, and whether it can be.
    ToneNameStatus NameStatus() const { return nameStatus_; }

private:
    // What Undo and Redo go back and forth between.
    struct EditorState {
        std::array<std::string, kNewEditItemCount> texts;
        std::string nameBytes;
        ToneNameStatus nameStatus;
        bool allInksOn;
        int16_t currentInk;
        CMYKTone workTone;
        bool SameAs(const EditorState& other) const;
    };
    EditorState Snapshot() const;
    void Restore(const EditorState& saved);
    // Records `before` for Undo when the editor's state differs from it now.
    void Remember(const EditorState& before, int group = 0);

    SettingPrivateRec* State() const;
    void SetText(int16_t item, std::string text);
    void SetNameFromRecord(ConstStringPtr name);
    void ShowInkControls();
    int32_t FieldValue(int16_t item) const;
    int ShownInk() const;
    void DragStep(Point where);

    GlueRec* glue_;
    char separator_;
    NewEditHalftoneView* view_;
    bool open_ = false;
    DialogRef dialog_ = nullptr;
    std::array<std::string, kNewEditItemCount> texts_;
    bool allInksOn_ = true;
    NewEditItemSet enabled_;
    // The name in the application's encoding. A stored name is kept as its bytes until the
    // user types, so that an untouched name never changes by a round trip through UTF-8.
    std::string nameBytes_;
    ToneNameStatus nameStatus_ = ToneNameStatus::empty;
    std::optional<CurveDragSession> drag_;
    std::optional<EditorState> beforeDrag_;
    int selectedSlot_ = -1;
    UndoHistory<EditorState> history_;
};

} // namespace orvane
