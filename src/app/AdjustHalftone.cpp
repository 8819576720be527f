#include "app/AdjustHalftone.h"

#include "app/ChangePPD.h"
#include "app/NewEditHalftone.h"
#include "app/SettingsLists.h"
#include "core/Alerts.h"
#include "core/AppResources.h"
#include "core/Questions.h"
#include "core/UiText.h"
#include "host/files/HostPaths.h"
#include "host/ui/HostServices.h"
#include "ppd/PPDReader.h"
#include "ppd/PPDWriter.h"
#include "store/Preferences.h"
#include "store/ToneRecordChecks.h"
#include "support/PString.h"

#include <cstring>

namespace orvane {

namespace {

constexpr int16_t kNoPPDTextListID = 1000;
constexpr int16_t kNoPPDTextIndex = 1;

bool HasLists(const GlueRec* glue) {
    const SettingPrivateRec* state = glue ? glue->dialogState : nullptr;
    return state && state->registeredList && state->ppdList && state->prefsWorking &&
           state->prefsSaved && state->ppdWorking && state->ppdSaved;
}

int16_t RegisteredCount(const SettingPrivateRec* state) {
    return BoundedCount(state->prefsWorking->count, kMaxRegisteredTones);
}

int16_t PPDCount(const SettingPrivateRec* state) {
    return BoundedCount(state->ppdWorking->count, kMaxPPDTones);
}

void FillList(ListView& list, const CMYKTone* tones, int16_t count) {
    list.SetDrawing(false);
    list.DeleteAllRows();
    for (int16_t row = 0; row < count; ++row) {
        list.InsertRow(row);
        list.SetCell(row, ToneNameUtf8(tones[row]));
    }
    list.SetDrawing(true);
}

std::string ChosenPPDName(const SettingPrivateRec* state) {
    return FileNameUtf8(PStrView(state->prefsWorking->ppdName));
}

// The selected setting: the registered list's selection if it has one, else the PPD list's.
bool SelectedSetting(GlueRec* glue, bool* registered, int16_t* row) {
    SettingPrivateRec* state = glue->dialogState;
    const int16_t registeredRow = state->registeredList->SelectedRow();
    if (registeredRow != kNoListRow && registeredRow < RegisteredCount(state)) {
        *registered = true;
        *row = registeredRow;
        return true;
    }
    const int16_t ppdRow = state->ppdList->SelectedRow();
    if (ppdRow != kNoListRow && ppdRow < PPDCount(state)) {
        *registered = false;
        *row = ppdRow;
        return true;
    }
    return false;
}

OSErr DuplicateSelected(GlueRec* glue, std::string* messageParam) {
    bool registered = false;
    int16_t row = 0;
    if (!SelectedSetting(glue, &registered, &row))
        return kNoSelectedSettingCode;
    SettingPrivateRec* state = glue->dialogState;
    CMYKTone copy = registered ? state->prefsWorking->tones[row] : state->ppdWorking->tones[row];
    const std::optional<std::string> name = NameAskerOf(glue->services).AskName(ToneNameUtf8(copy));
    if (!name || name->empty())
        return noErr;
    const OSErr err = SetCMYKToneNameUtf8(copy, *name, messageParam);
    if (err != noErr)
        return err;
    return AdjustHalftoneDialogAppendEntry(glue, registered, copy);
}

// Checks one curve by the editor's rules.
OSErr CheckToneInfo(const CToneInfo& curve) {
    const auto inRange = [](int32_t level) { return level >= 0 && level <= kMaxLevel; };
    if (!inRange(curve.levels[0]) || !inRange(curve.levels[kToneSlotCount - 1]))
        return kEndPointsCode;
    for (int slot = 1; slot < kToneSlotCount - 1; ++slot) {
        if (curve.levels[slot] != kNoPoint && !inRange(curve.levels[slot]))
            return kPointOutOfRangeCode;
    }
    if (curve.gamma != kNoGamma && (curve.gamma < 1 || curve.gamma > 9999))
        return kBadGammaCode;
    return noErr;
}

} // namespace

OSErr OpenAdjustHalftoneDialog(GlueRec* glue, DialogRef dialog, ListView& registeredList,
                               ListView& ppdList, AdjustHalftoneView* view) {
    if (!glue || glue->dialogState)
        return paramErr;
    glue->adjustDialog = dialog;
    SettingPrivateRec* state = NewSettingPrivateRec();
    if (!state)
        return memFullErr;
    glue->dialogState = state;
    state->registeredList = &registeredList;
    state->ppdList = &ppdList;
    state->adjustView = view;

    const OSErr err = ReceiveAdjustHalftoneDialogsSetting(glue);
    // The first window is open (or failed): failures are no longer softened.
    glue->startingUp = 0;
    if (err != noErr)
        return err;
    HiliteAdjustHalftoneDialogButtons(glue);
    return noErr;
}

OSErr ReceiveAdjustHalftoneDialogsSetting(GlueRec* glue) {
    OSErr err = LoadPreferencesToneRecord(glue);
    if (err != noErr)
        return err;
    err = AdjustHalftoneDialogReadPPDSetting(glue);
    if (err != noErr)
        return err;
    return SetAdjustHalftoneDialogControls(glue);
}

OSErr SetAdjustHalftoneDialogControls(GlueRec* glue) {
    if (!HasLists(glue))
        return paramErr;
    SettingPrivateRec* state = glue->dialogState;
    FillList(*state->registeredList, state->prefsWorking->tones, RegisteredCount(state));
    FillList(*state->ppdList, state->ppdWorking->tones, PPDCount(state));

    std::string shown;
    if (state->prefsWorking->ppdName[0] == 0) {
        Str255 noPPD;
        const OSErr err = GetAppIndString(glue, kNoPPDTextListID, kNoPPDTextIndex, noPPD);
        if (err != noErr)
            return err;
        shown = ResourceTextUtf8(noPPD);
    } else {
        shown = ChosenPPDName(state);
    }
    if (state->adjustView)
        state->adjustView->SetPPDNameText(shown);
    return noErr;
}

AdjustItemSet AdjustHalftoneEnabledItems(GlueRec* glue) {
    AdjustItemSet enabled;
    if (!HasLists(glue))
        return enabled;
    SettingPrivateRec* state = glue->dialogState;
    const bool r = state->registeredList->SelectedRow() != kNoListRow;
    const bool p = state->ppdList->SelectedRow() != kNoListRow;
    const bool e = state->newEditDialog != nullptr || state->newEditor != nullptr;
    const bool h = state->adjustHelpDialog != nullptr;
    const bool d = state->prefsWorking->ppdName[0] != 0;
    const int16_t rn = RegisteredCount(state);
    const int16_t pn = PPDCount(state);

    enabled.Set(kAdjustToPPDItem, r && pn < kMaxPPDTones && d);
    enabled.Set(kAdjustFromPPDItem, p && rn < kMaxRegisteredTones);
    enabled.Set(kAdjustNewItem, rn < kMaxRegisteredTones && !e);
    enabled.Set(kAdjustDeleteItem, r || p);
    enabled.Set(kAdjustEditItem, (r || p) && !e);
    enabled.Set(kAdjustDuplicateItem, (r && rn < kMaxRegisteredTones) || (p && pn < kMaxPPDTones));
    enabled.Set(kAdjustSaveItem, AdjustHalftoneCheckRegisteredSettingChanged(glue) ||
                                     AdjustHalftoneCheckPPDSettingChanged(glue));
    enabled.Set(kAdjustHelpItem, !h);
    return enabled;
}

void HiliteAdjustHalftoneDialogButtons(GlueRec* glue) {
    const AdjustItemSet enabled = AdjustHalftoneEnabledItems(glue);
    if (HasLists(glue) && glue->dialogState->adjustView)
        glue->dialogState->adjustView->SetEnabledItems(enabled);
}

OSErr HandleAdjustHalftoneDialogButtons(GlueRec* glue, int16_t item, std::string* messageParam) {
    if (!HasLists(glue))
        return paramErr;
    SettingPrivateRec* state = glue->dialogState;
    bool registered = false;
    int16_t row = 0;
    switch (item) {
    case kAdjustToPPDItem: {
        const int16_t selected = state->registeredList->SelectedRow();
        if (selected == kNoListRow || selected >= RegisteredCount(state))
            return kNoSelectedSettingCode;
        if (state->prefsWorking->ppdName[0] == 0)
            return kNoPPDChosenCode;
        const CMYKTone copy = state->prefsWorking->tones[selected];
        return AdjustHalftoneDialogAppendEntry(glue, false, copy);
    }
    case kAdjustFromPPDItem: {
        const int16_t selected = state->ppdList->SelectedRow();
        if (selected == kNoListRow || selected >= PPDCount(state))
            return kNoSelectedSettingCode;
        const CMYKTone copy = state->ppdWorking->tones[selected];
        return AdjustHalftoneDialogAppendEntry(glue, true, copy);
    }
    case kAdjustDuplicateItem:
        return DuplicateSelected(glue, messageParam);
    case kAdjustDeleteItem:
        if (!SelectedSetting(glue, &registered, &row))
            return kNoSelectedSettingCode;
        return AdjustHalftoneDialogDeleteFromList(glue, registered, row);
    default:
        return noErr;
    }
}

SaveOutcome AdjustHalftoneDialogSave(GlueRec* glue) {
    if (!HasLists(glue))
        return SaveOutcome::Of(paramErr);
    const SaveOutcome outcome = SetAdjustHalftoneDialogsSetting(glue);
    // The flag tells only the command during which a refusal happened.
    AUTH_CANCEL_Flag = 0;
    if (outcome.status != noErr) {
        HiliteAdjustHalftoneDialogButtons(glue);
        return outcome;
    }
    AdjustItemSet enabled = AdjustHalftoneEnabledItems(glue);
    if (!outcome.rightsRefused)
        enabled.Set(kAdjustSaveItem, false);
    if (glue->dialogState->adjustView)
        glue->dialogState->adjustView->SetEnabledItems(enabled);
    return outcome;
}

SaveOutcome AdjustHalftoneDialogChoosePPD(GlueRec* glue) {
    if (!HasLists(glue))
        return SaveOutcome::Of(paramErr);
    const SaveOutcome outcome = AdjustHalftoneAlertUserAndChangePPDFile(glue);
    HiliteAdjustHalftoneDialogButtons(glue);
    AUTH_CANCEL_Flag = 0;
    return outcome;
}

void ShowSaveOutcome(GlueRec* glue, const SaveOutcome& outcome) {
    if (outcome.status != noErr)
        ShowAlert(glue, outcome.status, outcome.messageParam);
    if (outcome.rightsRefused) {
        // The refusal's own words (what happened, what to do) follow the message.
        std::string why =
            outcome.refusalMessage.empty() ? std::string() : "\n\n" + outcome.refusalMessage;
        ShowAlert(glue, kRightsRefusedCode, why);
    }
}

void AdjustHalftoneDialogItemProc(GlueRec* glue, int16_t item) {
    if (!HasLists(glue))
        return;
    switch (item) {
    case kAdjustSaveItem:
        ShowSaveOutcome(glue, AdjustHalftoneDialogSave(glue));
        break;
    case kAdjustRegisteredListItem:
    case kAdjustPPDListItem:
        HiliteAdjustHalftoneDialogButtons(glue);
        break;
    case kAdjustChoosePPDItem:
        ShowSaveOutcome(glue, AdjustHalftoneDialogChoosePPD(glue));
        break;
    case kAdjustToPPDItem:
    case kAdjustFromPPDItem:
    case kAdjustDuplicateItem:
    case kAdjustDeleteItem: {
        std::string param;
        const OSErr err = HandleAdjustHalftoneDialogButtons(glue, item, &param);
        HiliteAdjustHalftoneDialogButtons(glue);
        if (err != noErr)
            ShowAlert(glue, err, param);
        break;
    }
    default:
        break;
    }
}

OSErr TerminateAdjustHalftoneDialog(GlueRec* glue) {
    if (!glue || !glue->dialogState)
        return noErr;
    OSErr last = noErr;
    if (HasLists(glue)) {
        SettingPrivateRec* state = glue->dialogState;
        if (state->prefsWorking->ppdName[0] != 0 && AdjustHalftoneCheckPPDSettingChanged(glue) &&
            AskQuestion(glue, kSavePPDAlertID, ChosenPPDName(state))) {
            const SaveOutcome outcome = SaveChosenPPDSettings(glue);
            AUTH_CANCEL_Flag = 0;
            ShowSaveOutcome(glue, outcome);
            last = outcome.status;
        }
        if (AdjustHalftoneCheckRegisteredSettingChanged(glue) &&
            AskQuestion(glue, kSavePrefsAlertID, {})) {
            SaveOutcome outcome;
            outcome.status = AdjustHalftoneSaveToPrefFile(glue);
            if (outcome.status == kChangedOnDiskCode &&
                HostPathForFSSpec(glue->prefsFileSpec, outcome.messageParam) != noErr)
                outcome.messageParam.clear();
            ShowSaveOutcome(glue, outcome);
            last = outcome.status;
        }
    }
    DisposeAdjustHalftoneDialog(glue);
    return last;
}

void DisposeAdjustHalftoneDialog(GlueRec* glue) {
    if (!glue || !glue->dialogState)
        return;
    SettingPrivateRec* state = glue->dialogState;
    // The editor closes with the window it belongs to.
    if (state->newEditor)
        state->newEditor->DisposeNewEditHalftoneDialog();
    MyDisposePtr(state->prefsSaved);
    MyDisposePtr(state->prefsWorking);
    MyDisposePtr(state->ppdSaved);
    MyDisposePtr(state->ppdWorking);
    state->prefsSaved = nullptr;
    state->prefsWorking = nullptr;
    state->ppdSaved = nullptr;
    state->ppdWorking = nullptr;
    state->registeredList = nullptr;
    state->ppdList = nullptr;
    state->adjustView = nullptr;
    if (glue->adjustDialog) {
        SaveTheDialogPosition(glue, glue->adjustDialog, kAdjustHalftoneDialogID);
        glue->adjustDialog = nullptr;
    }
}

OSErr DisposeAllDialogs(GlueRec* glue) {
    if (!glue)
        return noErr;
    DisposeAdjustHalftoneDialog(glue);
    DisposeSettingPrivateRec(glue->dialogState);
    glue->dialogState = nullptr;
    return noErr;
}

int16_t FindAdjustHalftoneSetting(GlueRec* glue, bool inRegistered, std::string_view utf8Name) {
    std::string name;
    if (!HasLists(glue) || StoredToneName(utf8Name, name) != noErr)
        return kNoListRow;
    SettingPrivateRec* state = glue->dialogState;
    const CMYKTone* tones = inRegistered ? state->prefsWorking->tones : state->ppdWorking->tones;
    const int16_t count = inRegistered ? RegisteredCount(state) : PPDCount(state);
    for (int16_t row = 0; row < count; ++row) {
        if (PStrView(tones[row].name) == name)
            return row;
    }
    return kNoListRow;
}

bool SelectAdjustHalftoneSetting(GlueRec* glue, bool inRegistered, std::string_view name) {
    if (!HasLists(glue))
        return false;
    SettingPrivateRec* state = glue->dialogState;
    state->registeredList->Deselect();
    state->ppdList->Deselect();
    const int16_t row = FindAdjustHalftoneSetting(glue, inRegistered, name);
    if (row == kNoListRow)
        return false;
    ListView& list = inRegistered ? *state->registeredList : *state->ppdList;
    list.Select(row);
    list.ScrollIntoView(row);
    return true;
}

OSErr CheckCMYKToneIsValid(const CMYKTone& tone) {
    if (tone.name[0] == 0 || tone.name[0] > kMaxToneNameLength)
        return kBadToneNameCode;
    const int inks = tone.sameCurve ? 1 : kInkCount;
    for (int ink = 0; ink < inks; ++ink) {
        if (const OSErr err = CheckToneInfo(tone.tone[ink]); err != noErr)
            return err;
    }
    return noErr;
}

} // namespace orvane
