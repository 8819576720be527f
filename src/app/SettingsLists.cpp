#include "app/SettingsLists.h"

#include "app/AdjustHalftone.h"
#include "core/Questions.h"
#include "core/UiText.h"
#include "host/alerts/AlertHost.h"
#include "host/files/HostPaths.h"
#include "host/ui/ListView.h"
#include "ppd/PPDWriter.h"
#include "store/Preferences.h"
#include "store/ToneRecordChecks.h"
#include "support/FileHelpers.h"
#include "support/PString.h"

#include <cstring>

namespace orvane {

namespace {

// One of the two lists with the record slots behind it.
struct ListSlots {
    ListView* view;
    CMYKTone* tones;
    int16_t* count;
    int max;
};

bool HasLists(const SettingPrivateRec* state) {
    return state && state->registeredList && state->ppdList && state->prefsWorking &&
           state->prefsSaved && state->ppdWorking && state->ppdSaved;
}

ListSlots Slots(SettingPrivateRec* state, bool registered) {
    if (registered)
        return {state->registeredList, state->prefsWorking->tones, &state->prefsWorking->count,
                kMaxRegisteredTones};
    return {state->ppdList, state->ppdWorking->tones, &state->ppdWorking->count, kMaxPPDTones};
}

// Row of the setting named exactly `name`, or kNoListRow.
int16_t FindByName(const ListSlots& list, ConstStringPtr name) {
    const int16_t count = BoundedCount(*list.count, list.max);
    for (int16_t row = 0; row < count; ++row) {
        if (MyPStrEqual(list.tones[row].name, name))
            return row;
    }
    return kNoListRow;
}

bool SameFSSpec(const FSSpec& a, const FSSpec& b) {
    return a.vRefNum == b.vRefNum && a.parID == b.parID && MyPStrEqual(a.name, b.name);
}

bool ToneListsDiffer(const CMYKTone* a, const CMYKTone* b, int16_t count) {
    for (int16_t i = 0; i < count; ++i) {
        if (!CMYKToneEqualForList(a[i], b[i]))
            return true;
    }
    return false;
}

} // namespace

OSErr AdjustHalftoneDialogAppendEntry(GlueRec* glue, bool toRegistered, const CMYKTone& tone) {
    if (!glue || !HasLists(glue->dialogState))
        return paramErr;
    if (tone.name[0] == 0 || tone.name[0] > kMaxToneNameLength)
        return kBadToneNameCode;
    SettingPrivateRec* state = glue->dialogState;
    const ListSlots list = Slots(state, toRegistered);
    const int16_t count = BoundedCount(*list.count, list.max);

    // The sorted place, or the setting of the same name.
    int16_t insertAt = 0;
    for (int16_t row = 0; row < count; ++row) {
        const int order = MyPStrCompare(tone.name, list.tones[row].name);
        if (order == 0) {
            if (AskQuestion(glue, kReplaceAlertID, ToneNameUtf8(tone)))
                std::memcpy(&list.tones[row], &tone, sizeof(CMYKTone));
            return noErr;
        }
        if (order < 0)
            break;
        insertAt = static_cast<int16_t>(row + 1);
    }
    // The record has no slot beyond its limit; the commands that add are disabled at the
    // limit, but an editor left open can still confirm a new setting then.
    if (count >= list.max)
        return kListFullCode;

    list.view->InsertRow(insertAt);
    list.view->SetCell(insertAt, ToneNameUtf8(tone));
    std::memmove(&list.tones[insertAt + 1], &list.tones[insertAt],
                 static_cast<size_t>(count - insertAt) * sizeof(CMYKTone));
    std::memcpy(&list.tones[insertAt], &tone, sizeof(CMYKTone));
    *list.count = static_cast<int16_t>(count + 1);

    state->registeredList->Deselect();
    state->ppdList->Deselect();
    list.view->Select(insertAt);
    list.view->ScrollIntoView(insertAt);
    HiliteAdjustHalftoneDialogButtons(glue);
    return noErr;
}

OSErr AdjustHalftoneDialogDeleteFromList(GlueRec* glue, bool fromRegistered, int16_t row) {
    if (!glue || !HasLists(glue->dialogState))
        return paramErr;
    const ListSlots list = Slots(glue->dialogState, fromRegistered);
    const int16_t count = BoundedCount(*list.count, list.max);
    if (row < 0 || row >= count)
        return paramErr;
    std::memmove(&list.tones[row], &list.tones[row + 1],
                 static_cast<size_t>(count - row - 1) * sizeof(CMYKTone));
    // The freed slot keeps nothing of a deleted setting.
    std::memset(&list.tones[count - 1], 0, sizeof(CMYKTone));
    *list.count = static_cast<int16_t>(count - 1);
    list.view->DeleteRow(row);
    return noErr;
}

OSErr NewEditHalftoneDialogSaveList(GlueRec* glue) {
    if (!glue || !HasLists(glue->dialogState))
        return paramErr;
    SettingPrivateRec* state = glue->dialogState;
    // workTone is a field of the state; the list operations below may change the state.
    const CMYKTone edited = state->workTone;
    if (edited.name[0] == 0 || edited.name[0] > kMaxToneNameLength)
        return kBadToneNameCode;
    if (state->isNew)
        return AdjustHalftoneDialogAppendEntry(glue, true, edited);

    // The setting is found by the list and name it had when the editor opened, never by the
    // selection, which may have moved on. When it is gone meanwhile, or its PPD is no longer
    // the chosen one, the edit is stored as a new setting rather than lost: into its own
    // list, or into the registered settings when that list now holds another PPD's.
    bool registered = state->editsRegistered != 0;
    int16_t row = kNoListRow;
    if (registered || SameFSSpec(state->editedPPD, GetPPDLocation(*state->prefsWorking)))
        row = FindByName(Slots(state, registered), state->originalTone.name);
    else
        registered = true;
    if (row == kNoListRow)
        return AdjustHalftoneDialogAppendEntry(glue, registered, edited);

    const ListSlots list = Slots(state, registered);
    if (!MyPStrEqual(edited.name, state->originalTone.name)) {
        const int16_t other = FindByName(list, edited.name);
        if (other != kNoListRow) {
            if (!AskQuestion(glue, kReplaceAlertID, ToneNameUtf8(edited)))
                return noErr;
            OSErr err = AdjustHalftoneDialogDeleteFromList(glue, registered, other);
            if (err != noErr)
                return err;
            row = FindByName(list, state->originalTone.name);
        }
    }
    OSErr err = AdjustHalftoneDialogDeleteFromList(glue, registered, row);
    if (err != noErr)
        return err;
    return AdjustHalftoneDialogAppendEntry(glue, registered, edited);
}

SaveOutcome SaveChosenPPDSettings(GlueRec* glue) {
    return AdjustHalftoneSaveToPPDFile(glue);
}

SaveOutcome SetAdjustHalftoneDialogsSetting(GlueRec* glue) {
    SaveOutcome outcome;
    if (!glue || !glue->dialogState || !glue->dialogState->prefsWorking) {
        outcome.status = paramErr;
        return outcome;
    }
    // A PPD set aside at start-up is still the user's choice: saving now would forget it.
    if (glue->dialogState->ppdSetAside && glue->dialogState->prefsWorking->ppdName[0] == 0) {
        outcome.status = kPPDSetAsideCode;
        outcome.messageParam = FileNameUtf8(PStrView(glue->dialogState->prefsSaved->ppdName));
        return outcome;
    }
    outcome.status = AdjustHalftoneSaveToPrefFile(glue);
    if (outcome.status == kChangedOnDiskCode &&
        HostPathForFSSpec(glue->prefsFileSpec, outcome.messageParam) != noErr)
        outcome.messageParam.clear(); // the message then names no file
    if (outcome.status != noErr)
        return outcome;
    const ToneRes4Rec& prefs = *glue->dialogState->prefsWorking;
    if (prefs.ppdName[0] == 0)
        return outcome;
    outcome.status = FindNamedFile(GetPPDLocation(prefs));
    if (outcome.status != noErr || !AdjustHalftoneCheckPPDSettingChanged(glue))
        return outcome;
    return SaveChosenPPDSettings(glue);
}

bool AdjustHalftoneCheckRegisteredSettingChanged(GlueRec* glue) {
    if (!glue || !glue->dialogState || !glue->dialogState->prefsWorking ||
        !glue->dialogState->prefsSaved)
        return false;
    const ToneRes4Rec& working = *glue->dialogState->prefsWorking;
    const ToneRes4Rec& saved = *glue->dialogState->prefsSaved;
    if (working.count != saved.count || working.ppdVolume != saved.ppdVolume ||
        working.ppdFolderID != saved.ppdFolderID || !MyPStrEqual(working.ppdName, saved.ppdName))
        return true;
    return ToneListsDiffer(working.tones, saved.tones,
                           BoundedCount(working.count, kMaxRegisteredTones));
}

bool AdjustHalftoneCheckPPDSettingChanged(GlueRec* glue) {
    if (!glue || !glue->dialogState || !glue->dialogState->ppdWorking ||
        !glue->dialogState->ppdSaved)
        return false;
    const PPDTone4Rec& working = *glue->dialogState->ppdWorking;
    const PPDTone4Rec& saved = *glue->dialogState->ppdSaved;
    // Settings whose block is missing from the PPD's text are not what the printer offers.
    if (working.count != saved.count || glue->dialogState->ppdBlockMissing)
        return true;
    return ToneListsDiffer(working.tones, saved.tones, BoundedCount(working.count, kMaxPPDTones));
}

} // namespace orvane
