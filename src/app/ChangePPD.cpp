#include "app/ChangePPD.h"

#include "app/AdjustHalftone.h"
#include "app/Folders.h"
#include "app/SettingsLists.h"
#include "core/Alerts.h"
#include "core/Questions.h"
#include "core/UiText.h"
#include "host/alerts/AlertHost.h"
#include "host/files/HostPaths.h"
#include "host/memory/Memory.h"
#include "host/ui/HostServices.h"
#include "ppd/PPDReader.h"
#include "ppd/PPDRecognition.h"
#include "ppd/PPDWriter.h"
#include "store/Preferences.h"
#include "store/ToneRecordChecks.h"
#include "support/PString.h"
#include "support/ResFile.h"

#include <cstring>

namespace orvane {

namespace {

constexpr uint32_t kPPDFolderPathBufferSize = 1024;

bool HasState(const GlueRec* glue) {
    return glue && glue->dialogState && glue->dialogState->prefsWorking &&
           glue->dialogState->prefsSaved && glue->dialogState->ppdWorking &&
           glue->dialogState->ppdSaved;
}

// The user's choice of a file: *chosen is valid when *confirmed.
OSErr ChooseFile(GlueRec* glue, FSSpec* chosen, bool* confirmed) {
    *confirmed = false;
    if (glue->osLevel == 2) {
        char folder[kPPDFolderPathBufferSize];
        const bool haveFolder = GetPPDFolderPath(folder, sizeof folder) == 1;
        char* folderPath = nullptr;
        char* filePath = nullptr;
        const bool ok = MyOpenPanel(FileChooserOf(glue->services), haveFolder ? folder : nullptr,
                                    &folderPath, &filePath, false, true);
        OSErr err = noErr;
        if (ok && filePath) {
            err = PathToFSSpec(filePath, chosen);
            *confirmed = err == noErr;
        }
        MyDisposePtr(folderPath);
        MyDisposePtr(filePath);
        return err;
    }

    int16_t vRefNum = 0;
    int32_t dirID = 0;
    // Without the printer-description folder the chooser opens at its default place.
    const bool haveFolder = FindPPDFolder_OSX(glue, &vRefNum, &dirID, 0) == noErr;
    StandardFileReply reply;
    OSErr err =
        MyEasyNavStdGetFile(FileChooserOf(glue->services), &reply, haveFolder ? &vRefNum : nullptr,
                            haveFolder ? &dirID : nullptr, nullptr, -1, nullptr);
    if (err != noErr)
        return err;
    *confirmed = reply.sfGood != 0;
    *chosen = reply.sfFile;
    return noErr;
}

// The preferences file's stored choice of PPD, changed alone: its list stays as last saved.
OSErr RecordChosenPPD(GlueRec* glue, const FSSpec& chosen) {
    FileLock lock;
    OSErr err = LockPreferences(glue, lock);
    if (err != noErr)
        return err;
    MyOpenResFileClass prefs;
    err = prefs.SetResFile(glue->prefsFileSpec);
    if (err != noErr)
        return err;
    Handle stored = prefs.GetTheResource(kToneResType, kToneResID);
    if (!stored)
        return resNotFound;
    ToneRes4Rec record;
    DecodeToneRes4Rec({HandleData(stored), GetHandleSize(stored)}, record);
    SetPPDLocation(record, chosen);
    return WriteToneRecord(prefs, stored, record);
}

} // namespace

OSErr AdjustHalftoneChangePPDFile(GlueRec* glue, const FSSpec& chosen) {
    if (!HasState(glue))
        return paramErr;
    SettingPrivateRec* state = glue->dialogState;
    uint8_t isPPD = 0;
    OSErr err = CheckTargetFileIsPPDFile(glue, &chosen, &isPPD);
    if (err != noErr)
        return err;
    if (!isPPD) {
        ShowAlert(glue, PPDRefusalCode(glue, &chosen), FileNameUtf8(PStrView(chosen.name)));
        state->prefsWorking->ppdName[0] = 0;
        std::memset(state->ppdSaved, 0, sizeof(PPDTone4Rec));
        std::memset(state->ppdWorking, 0, sizeof(PPDTone4Rec));
        // The rows must follow the emptied records.
        return SetAdjustHalftoneDialogControls(glue);
    }

    SetPPDLocation(*state->prefsWorking, chosen);
    state->ppdSetAside = 0; // a new choice replaces the one set aside
    err = RecordChosenPPD(glue, chosen);
    if (err != noErr)
        return err; // the choice stays unsaved, so the next Save writes it
    SetPPDLocation(*state->prefsSaved, chosen);
    err = AdjustHalftoneDialogReadPPDSetting(glue);
    if (err != noErr)
        return err;
    return SetAdjustHalftoneDialogControls(glue);
}

SaveOutcome AdjustHalftoneAlertUserAndChangePPDFile(GlueRec* glue) {
    SaveOutcome outcome;
    if (!HasState(glue)) {
        outcome.status = paramErr;
        return outcome;
    }
    SettingPrivateRec* state = glue->dialogState;
    if (AdjustHalftoneCheckPPDSettingChanged(glue) &&
        AskQuestion(glue, kSavePPDAlertID, FileNameUtf8(PStrView(state->prefsWorking->ppdName)))) {
        outcome = SaveChosenPPDSettings(glue);
        if (outcome.status != noErr)
            return outcome;
    }

    FSSpec chosen{};
    bool confirmed = false;
    outcome.status = ChooseFile(glue, &chosen, &confirmed);
    if (outcome.status != noErr)
        return outcome;
    if (!confirmed) {
        outcome.status = AdjustHalftoneDialogReadPPDSetting(glue);
        if (outcome.status == noErr)
            outcome.status = SetAdjustHalftoneDialogControls(glue);
        return outcome;
    }
    outcome.status = AdjustHalftoneChangePPDFile(glue, chosen);
    return outcome;
}

} // namespace orvane
