#include "app/NewEditHalftone.h"

#include "app/AdjustHalftone.h"
#include "app/SettingsLists.h"
#include "core/Alerts.h"
#include "core/UiText.h"
#include "host/text/AppText.h"
#include "host/ui/ListView.h"
#include "store/Preferences.h"
#include "support/NumberText.h"
#include "support/PString.h"
#include "tone/ToneTables.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>

namespace orvane {

namespace {

bool IsInkItem(int16_t item) {
    return item >= kNewEditCyanItem && item <= kNewEditBlackItem;
}

bool IsLevelItem(int16_t item) {
    return item >= kNewEditFirstLevelItem && item <= kNewEditLastLevelItem;
}

bool IsTextItem(int16_t item) {
    return item == kNewEditNameItem || IsLevelItem(item) || item == kNewEditGammaItem;
}

// A failure reaches the user once, as its alert.
void ShowFailure(GlueRec* glue, OSErr err) {
    if (err != noErr)
        ShowAlert(glue, err);
}

// Undo groups: typing in a field joins the step of the field (its item number); nudging a
// point the step of the point.
constexpr int kNudgeGroup = 100;

} // namespace

bool IsNewEditRuledItem(int16_t item) {
    return item == kNewEditOKItem || item == kNewEditRevertItem || item == kNewEditHelpItem ||
           IsInkItem(item) || item == kNewEditApplyGammaItem;
}

ToneNameStatus ToneNameFromText(std::string_view utf8, std::string& appName) {
    if (utf8.empty()) {
        appName.clear();
        return ToneNameStatus::empty;
    }
    switch (StoredToneName(utf8, appName)) {
    case noErr:
        return ToneNameStatus::ok;
    case kBadToneNameCode:
        return ToneNameStatus::tooLong;
    default:
        return ToneNameStatus::unstorable;
    }
}

NewEditHalftoneDialog::NewEditHalftoneDialog(GlueRec* glue, char decimalSeparator,
                                             NewEditHalftoneView* view)
    : glue_(glue), separator_(decimalSeparator), view_(view) {}

NewEditHalftoneDialog::~NewEditHalftoneDialog() {
    view_ = nullptr;
    DisposeNewEditHalftoneDialog();
}

SettingPrivateRec* NewEditHalftoneDialog::State() const {
    return glue_ ? glue_->dialogState : nullptr;
}

OSErr NewEditHalftoneDialog::ShowNewEditHalftoneDialog(const CMYKTone& tone,
                                                       const AdjustToNewEditRec& params,
                                                       DialogRef dialog, const Rect& graphBox) {
    SettingPrivateRec* state = State();
    // The dialog state record has room for one edited setting: one editor at a time.
    if (!state || open_ || state->newEditor || state->newEditDialog)
        return paramErr;
    state->isNew = params.isNew;
    state->originalTone = tone;
    state->workTone = tone;
    state->graphBox = graphBox;
    state->newEditDialog = dialog;
    if (!params.isNew) {
        // The setting is found again by its list and original name when OK is pressed.
        state->editsRegistered =
            state->registeredList && state->registeredList->SelectedRow() != kNoListRow;
        state->editedPPD = state->prefsWorking ? GetPPDLocation(*state->prefsWorking) : FSSpec{};
    }
    selectedSlot_ = -1;
    history_.Clear();
    dialog_ = dialog;
    open_ = true;
    state->newEditor = this;
    SetNewEditHalftoneDialogControls();
    HiliteNewEditHalftoneDialogButtons();
    UpdateNewEditHalftoneDialogGraph();
    if (view_)
        view_->SelectWholeText(kNewEditNameItem);
    return noErr;
}

void NewEditHalftoneDialog::DisposeNewEditHalftoneDialog() {
    if (!open_)
        return;
    drag_.reset();
    beforeDrag_.reset();
    history_.Clear();
    open_ = false;
    if (SettingPrivateRec* state = State()) {
        state->newEditor = nullptr;
        if (dialog_)
            SaveTheDialogPosition(glue_, dialog_, kNewEditHalftoneDialogID);
        state->newEditDialog = nullptr;
        HiliteAdjustHalftoneDialogButtons(glue_);
    }
    dialog_ = nullptr;
    if (view_)
        view_->Closed();
}

const std::string& NewEditHalftoneDialog::ItemText(int16_t item) const {
    static const std::string kNone;
    return IsTextItem(item) ? texts_[static_cast<size_t>(item)] : kNone;
}

bool NewEditHalftoneDialog::ItemOn(int16_t item) const {
    if (item == kNewEditAllInksItem)
        return allInksOn_;
    const SettingPrivateRec* state = State();
    return IsInkItem(item) && state && state->currentInk == item;
}

void NewEditHalftoneDialog::SetText(int16_t item, std::string text) {
    if (!IsTextItem(item))
        return;
    texts_[static_cast<size_t>(item)] = std::move(text);
    if (view_)
        view_->SetItemText(item, texts_[static_cast<size_t>(item)]);
}

void NewEditHalftoneDialog::SetNameFromRecord(ConstStringPtr name) {
    nameBytes_ = std::string(PStrView(name).substr(0, kMaxToneNameLength));
    nameStatus_ = nameBytes_.empty() ? ToneNameStatus::empty : ToneNameStatus::ok;
    SetText(kNewEditNameItem, StoredTextUtf8(nameBytes_));
}

void NewEditHalftoneDialog::ShowInkControls() {
    if (!view_)
        return;
    view_->SetItemOn(kNewEditAllInksItem, allInksOn_);
    for (int16_t item = kNewEditCyanItem; item <= kNewEditBlackItem; ++item)
        view_->SetItemOn(item, ItemOn(item));
}

int32_t NewEditHalftoneDialog::FieldValue(int16_t item) const {
    const std::string& text = ItemText(item);
    if (text.empty())
        return kNoPoint;
    // A field holds no more than a few characters; anything longer reads as garbage anyway.
    const size_t length = std::min<size_t>(text.size(), std::numeric_limits<int16_t>::max());
    int32_t value = 0;
    MyStringToDigitNum(reinterpret_cast<const unsigned char*>(text.data()),
                       static_cast<int16_t>(length), 2, &value, separator_);
    return value;
}

int NewEditHalftoneDialog::ShownInk() const {
    const SettingPrivateRec* state = State();
    if (allInksOn_ || !state || !IsInkItem(state->currentInk))
        return kCyan;
    return state->currentInk - kNewEditCyanItem;
}

void NewEditHalftoneDialog::SetNewEditHalftoneDialogControls() {
    SettingPrivateRec* state = State();
    if (!state)
        return;
    state->workTone = state->originalTone;
    SetNameFromRecord(state->workTone.name);
    allInksOn_ = state->workTone.sameCurve != 0;
    // While one curve serves all inks no ink button is on.
    state->currentInk = allInksOn_ ? 0 : kNewEditCyanItem;
    ShowInkControls();
    SetNewEditHalftoneDialogNumber(state->workTone.tone[kCyan]);
}

void NewEditHalftoneDialog::SetNewEditHalftoneDialogNumber(const CToneInfo& curve) {
    for (int k = 0; k < kToneSlotCount; ++k)
        SetText(static_cast<int16_t>(kNewEditFirstLevelItem + k),
                DigitNumFieldText(curve.levels[k], separator_));
    SetText(kNewEditGammaItem, DigitNumFieldText(curve.gamma, separator_));
}

OSErr NewEditHalftoneDialog::GetNewEditHalftoneDialogControls() {
    SettingPrivateRec* state = State();
    if (!state)
        return noErr;
    CMYKTone& work = state->workTone;
    // A name that cannot be stored leaves the record's name empty: never a cut or altered
    // one. The button rule keeps OK disabled then.
    std::memset(work.name, 0, sizeof work.name);
    if (nameStatus_ == ToneNameStatus::ok)
        PStrFromView(work.name, nameBytes_, kMaxToneNameLength);
    work.sameCurve = allInksOn_ ? 1 : 0;
    GetNewEditHalftoneDialogNumber(work.tone[ShownInk()]);
    if (work.sameCurve) {
        for (int ink = kMagenta; ink < kInkCount; ++ink)
            work.tone[ink] = work.tone[kCyan];
    }
    return noErr;
}

void NewEditHalftoneDialog::GetNewEditHalftoneDialogNumber(CToneInfo& curve) const {
    for (int k = 0; k < kToneSlotCount; ++k)
        curve.levels[k] = FieldValue(static_cast<int16_t>(kNewEditFirstLevelItem + k));
    curve.gamma = FieldValue(kNewEditGammaItem);
}

bool NewEditHalftoneDialog::CheckNewEditHalftoneSettingIsValid(int16_t* item) const {
    const auto bad = [this](int16_t field, bool required) {
        if (ItemText(field).empty())
            return required;
        const int32_t value = FieldValue(field);
        return value < 0 || value > kMaxLevel;
    };
    for (int16_t field = kNewEditFirstLevelItem; field <= kNewEditLastLevelItem; ++field) {
        const bool endPoint = field == kNewEditFirstLevelItem || field == kNewEditLastLevelItem;
        if (bad(field, endPoint)) {
            if (item)
                *item = field;
            return false;
        }
    }
    return true;
}

void NewEditHalftoneDialog::HiliteNewEditHalftoneDialogButtons() {
    SettingPrivateRec* state = State();
    if (!open_ || !state)
        return;
    GetNewEditHalftoneDialogControls();
    // A name that cannot be stored differs from every stored one.
    const bool nameStorable =
        nameStatus_ == ToneNameStatus::ok || nameStatus_ == ToneNameStatus::empty;
    const bool changed =
        !nameStorable || !CMYKToneEqualAllCurves(state->workTone, state->originalTone);
    int16_t badItem = 0;
    const bool valid = CheckNewEditHalftoneSettingIsValid(&badItem);
    const int32_t G = FieldValue(kNewEditGammaItem);

    NewEditItemSet enabled;
    enabled.Set(kNewEditOKItem, changed && nameStatus_ == ToneNameStatus::ok && valid);
    enabled.Set(kNewEditRevertItem, changed);
    for (int16_t item = kNewEditCyanItem; item <= kNewEditBlackItem; ++item)
        enabled.Set(item, !allInksOn_);
    enabled.Set(kNewEditApplyGammaItem, G > 0 && G <= kMaxGammaValue);
    enabled.Set(kNewEditHelpItem, state->newEditHelpDialog == nullptr);
    enabled_ = enabled;
    if (view_)
        view_->SetEnabledItems(enabled_);
    // The Adjust Halftone dialog's New stays disabled while this dialog is open.
    HiliteAdjustHalftoneDialogButtons(glue_);
}

void NewEditHalftoneDialog::UpdateNewEditHalftoneDialogGraph() {
    if (open_ && view_)
        view_->GraphChanged();
}

CurveGraphScene NewEditHalftoneDialog::GraphScene() const {
    const SettingPrivateRec* state = State();
    return state ? GraphScene(state->graphBox) : CurveGraphScene{};
}

CurveGraphScene NewEditHalftoneDialog::GraphScene(const Rect& box) const {
    const SettingPrivateRec* state = State();
    if (!state)
        return {};
    const bool valid = CheckNewEditHalftoneSettingIsValid(nullptr);
    CurveGraphScene scene =
        MakeCurveGraphScene(box, state->workTone, static_cast<Ink>(ShownInk()), valid);
    const CToneInfo& curve = state->workTone.tone[ShownInk()];
    if (valid && selectedSlot_ >= 0 && curve.levels[selectedSlot_] != kNoPoint) {
        scene.selectedDot = 0;
        for (int k = 0; k < selectedSlot_; ++k)
            scene.selectedDot += curve.levels[k] != kNoPoint ? 1 : 0;
    }
    return scene;
}

std::string NewEditHalftoneDialog::GraphPointTip(Point where) const {
    const int slot = GraphPointAt(where, 4);
    if (slot < 0)
        return {};
    const std::string& level = ItemText(static_cast<int16_t>(kNewEditFirstLevelItem + slot));
    return std::to_string(kToneInputPositions[slot]) + " %: " + level + " %";
}

Point NewEditHalftoneDialog::GetNewEditHalfToneGraphPosition(int16_t input, int32_t level) const {
    const SettingPrivateRec* state = State();
    return orvane::GetNewEditHalfToneGraphPosition(state ? state->graphBox : Rect{}, input, level);
}

void NewEditHalftoneDialog::ItemTextChanged(int16_t item, std::string_view utf8) {
    if (!open_ || !IsTextItem(item))
        return;
    const EditorState before = Snapshot();
    texts_[static_cast<size_t>(item)] = std::string(utf8);
    if (item == kNewEditNameItem)
        nameStatus_ = ToneNameFromText(utf8, nameBytes_);
    HiliteNewEditHalftoneDialogButtons();
    UpdateNewEditHalftoneDialogGraph();
    Remember(before, item);
}

void NewEditHalftoneDialog::ItemHit(int16_t item) {
    if (!open_ || (IsNewEditRuledItem(item) && !enabled_.Contains(item)))
        return;
    switch (item) {
    case kNewEditOKItem:
        ShowFailure(glue_, ConfirmNewEditHalftoneDialog());
        break;
    case kNewEditRevertItem:
        RevertNewEditHalftoneDialog();
        break;
    case kNewEditCancelItem:
        CancelNewEditHalftoneDialog();
        break;
    case kNewEditHelpItem:
        HiliteNewEditHalftoneDialogButtons();
        break;
    case kNewEditApplyGammaItem:
        ApplyNewEditHalftoneGamma();
        break;
    default:
        if (item == kNewEditAllInksItem || IsInkItem(item)) {
            SelectNewEditHalftoneInk(item);
        } else if (item == kNewEditGraphItem || IsTextItem(item)) {
            HiliteNewEditHalftoneDialogButtons();
            UpdateNewEditHalftoneDialogGraph();
        }
        break;
    }
}

bool NewEditHalftoneDialog::KeyDown(uint8_t character) {
    int16_t item = 0;
    if (character == 13 || character == 3)
        item = kNewEditOKItem;
    else if (character == 27)
        item = kNewEditCancelItem;
    else
        return false;
    ItemHit(item);
    return true;
}

OSErr NewEditHalftoneDialog::ConfirmNewEditHalftoneDialog() {
    if (!open_)
        return paramErr;
    GetNewEditHalftoneDialogControls();
    const OSErr err = NewEditHalftoneDialogSaveList(glue_);
    if (err == noErr)
        DisposeNewEditHalftoneDialog();
    return err;
}

void NewEditHalftoneDialog::RevertNewEditHalftoneDialog() {
    if (!open_)
        return;
    const EditorState before = Snapshot();
    SetNewEditHalftoneDialogControls();
    HiliteNewEditHalftoneDialogButtons();
    UpdateNewEditHalftoneDialogGraph();
    Remember(before);
}

void NewEditHalftoneDialog::CancelNewEditHalftoneDialog() {
    DisposeNewEditHalftoneDialog();
}

void NewEditHalftoneDialog::SelectNewEditHalftoneInk(int16_t item) {
    SettingPrivateRec* state = State();
    if (!open_ || !state || (item != kNewEditAllInksItem && !IsInkItem(item)))
        return;
    int16_t badItem = 0;
    if (!CheckNewEditHalftoneSettingIsValid(&badItem)) {
        if (view_)
            view_->SelectWholeText(badItem);
        const bool endPoint = badItem == kNewEditFirstLevelItem || badItem == kNewEditLastLevelItem;
        ShowAlert(glue_, endPoint ? kEndPointsCode : kPointOutOfRangeCode);
        // The window may have moved its control already; put them back.
        ShowInkControls();
        return;
    }
    const EditorState before = Snapshot();
    if (item == kNewEditAllInksItem) {
        // The fields stay: turned on, the curve shown becomes the one of all inks; turned
        // off, it is cyan's.
        allInksOn_ = !allInksOn_;
        state->currentInk = allInksOn_ ? 0 : kNewEditCyanItem;
    } else {
        GetNewEditHalftoneDialogControls();
        state->currentInk = item;
        SetNewEditHalftoneDialogNumber(state->workTone.tone[item - kNewEditCyanItem]);
    }
    ShowInkControls();
    HiliteNewEditHalftoneDialogButtons();
    UpdateNewEditHalftoneDialogGraph();
    Remember(before);
}

void NewEditHalftoneDialog::ApplyNewEditHalftoneGamma() {
    SettingPrivateRec* state = State();
    if (!open_ || !state)
        return;
    const int32_t G = FieldValue(kNewEditGammaItem);
    if (G < kMinGammaValue || G > kMaxGammaValue) {
        ShowAlert(glue_, kBadGammaCode);
        if (view_)
            view_->SelectWholeText(kNewEditGammaItem);
        return;
    }
    const EditorState before = Snapshot();
    CToneInfo& target = state->workTone.tone[ShownInk()];
    MakeGammaToneInfo(target, G);
    SetNewEditHalftoneDialogNumber(target);
    // The button rule reads the fields back, which copies a one-for-all curve to every ink.
    HiliteNewEditHalftoneDialogButtons();
    UpdateNewEditHalftoneDialogGraph();
    Remember(before);
}

bool NewEditHalftoneDialog::GraphMouseDown(Point where) {
    SettingPrivateRec* state = State();
    if (!open_ || !state || !PtInRect(where, state->graphBox))
        return false;
    GetNewEditHalftoneDialogControls();
    beforeDrag_ = Snapshot();
    drag_.emplace(state->graphBox, where, state->workTone.tone[ShownInk()], separator_);
    selectedSlot_ = drag_->slot();
    SetText(static_cast<int16_t>(kNewEditFirstLevelItem + drag_->slot()), {});
    DragStep(where);
    return true;
}

void NewEditHalftoneDialog::GraphMouseMoved(Point where) {
    if (drag_)
        DragStep(where);
}

void NewEditHalftoneDialog::GraphMouseUp(Point where) {
    if (!drag_)
        return;
    DragStep(where);
    if (drag_ && view_)
        view_->SelectWholeText(static_cast<int16_t>(kNewEditFirstLevelItem + drag_->slot()));
    drag_.reset();
    if (beforeDrag_)
        Remember(*beforeDrag_);
    beforeDrag_.reset();
}

void NewEditHalftoneDialog::DragStep(Point where) {
    SettingPrivateRec* state = State();
    if (!state)
        return;
    const int16_t field = static_cast<int16_t>(kNewEditFirstLevelItem + drag_->slot());
    if (drag_->MoveTo(where))
        SetText(field, drag_->text());
    state->workTone.tone[ShownInk()].levels[drag_->slot()] = drag_->value();
    HiliteNewEditHalftoneDialogButtons();
    UpdateNewEditHalftoneDialogGraph();
}

void NewEditHalftoneDialog::SetGraphBox(const Rect& graphBox) {
    if (SettingPrivateRec* state = State(); open_ && state) {
        // A drag under way keeps the box it began with.
        state->graphBox = graphBox;
        UpdateNewEditHalftoneDialogGraph();
    }
}

void NewEditHalftoneDialog::SelectNextGraphPoint(int direction) {
    const SettingPrivateRec* state = State();
    if (!open_ || !state || drag_)
        return;
    const CToneInfo& curve = state->workTone.tone[ShownInk()];
    const int step = direction < 0 ? -1 : 1;
    int slot = selectedSlot_ < 0 ? (step > 0 ? -1 : kToneSlotCount) : selectedSlot_;
    for (slot += step; slot >= 0 && slot < kToneSlotCount; slot += step) {
        if (curve.levels[slot] != kNoPoint) {
            selectedSlot_ = slot;
            UpdateNewEditHalftoneDialogGraph();
            return;
        }
    }
}

void NewEditHalftoneDialog::NudgeSelectedGraphPoint(int32_t delta) {
    if (!open_ || drag_ || selectedSlot_ < 0)
        return;
    const int16_t field = static_cast<int16_t>(kNewEditFirstLevelItem + selectedSlot_);
    const int32_t value = FieldValue(field);
    if (value < 0 || value > kMaxLevel)
        return;
    const EditorState before = Snapshot();
    SetText(field, DigitNumFieldText(RestrictWithinRange(value + delta, 0, kMaxLevel), separator_));
    HiliteNewEditHalftoneDialogButtons();
    UpdateNewEditHalftoneDialogGraph();
    Remember(before, kNudgeGroup + selectedSlot_);
}

int NewEditHalftoneDialog::GraphPointAt(Point where, int16_t radius) const {
    const SettingPrivateRec* state = State();
    if (!open_ || !state || !CheckNewEditHalftoneSettingIsValid(nullptr))
        return -1;
    const CToneInfo& curve = state->workTone.tone[ShownInk()];
    int nearest = -1;
    int32_t best = INT32_MAX;
    for (int k = 0; k < kToneSlotCount; ++k) {
        if (curve.levels[k] == kNoPoint)
            continue;
        const Point dot = orvane::GetNewEditHalfToneGraphPosition(
            state->graphBox, static_cast<int16_t>(kToneInputPositions[k]), curve.levels[k]);
        const int32_t dh = std::abs(dot.h - where.h);
        const int32_t dv = std::abs(dot.v - where.v);
        if (dh <= radius && dv <= radius && dh * dh + dv * dv < best) {
            best = dh * dh + dv * dv;
            nearest = k;
        }
    }
    return nearest;
}

bool NewEditHalftoneDialog::EditorState::SameAs(const EditorState& other) const {
    return texts == other.texts && nameBytes == other.nameBytes && nameStatus == other.nameStatus &&
           allInksOn == other.allInksOn && currentInk == other.currentInk &&
           std::memcmp(&workTone, &other.workTone, sizeof workTone) == 0;
}

NewEditHalftoneDialog::EditorState NewEditHalftoneDialog::Snapshot() const {
    const SettingPrivateRec* state = State();
    EditorState saved{texts_, nameBytes_, nameStatus_, allInksOn_, 0, {}};
    if (state) {
        saved.currentInk = state->currentInk;
        saved.workTone = state->workTone;
    }
    return saved;
}

void NewEditHalftoneDialog::Restore(const EditorState& saved) {
    SettingPrivateRec* state = State();
    if (!state)
        return;
    for (int16_t item = 0; item < kNewEditItemCount; ++item) {
        if (IsTextItem(item) &&
            texts_[static_cast<size_t>(item)] != saved.texts[static_cast<size_t>(item)])
            SetText(item, saved.texts[static_cast<size_t>(item)]);
    }
    nameBytes_ = saved.nameBytes;
    nameStatus_ = saved.nameStatus;
    allInksOn_ = saved.allInksOn;
    state->currentInk = saved.currentInk;
    state->workTone = saved.workTone;
    ShowInkControls();
    HiliteNewEditHalftoneDialogButtons();
    UpdateNewEditHalftoneDialogGraph();
}

void NewEditHalftoneDialog::Remember(const EditorState& before, int group) {
    if (before.SameAs(Snapshot()))
        return;
    history_.Record(before, group);
}

void NewEditHalftoneDialog::Undo() {
    if (!open_ || drag_)
        return;
    if (auto saved = history_.Undo(Snapshot()))
        Restore(*saved);
}

void NewEditHalftoneDialog::Redo() {
    if (!open_ || drag_)
        return;
    if (auto saved = history_.Redo(Snapshot()))
        Restore(*saved);
}

} // namespace orvane
