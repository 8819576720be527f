#include "store/Preferences.h"

#include "core/Alerts.h"
#include "host/files/FileLock.h"
#include "host/files/HostPaths.h"
#include "host/files/PosixStatus.h"
#include "host/files/SafeWrite.h"
#include "host/resources/Sidecar.h"
#include "host/ui/HostServices.h"
#include "store/ToneRecordChecks.h"
#include "support/FileHelpers.h"
#include "support/ResFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

namespace orvane {

namespace {

const unsigned char kNoName[1] = {0};

// A position record holding (-1, -1), added to the file when it has none for `dialogID`.
// Null when it is missing and cannot be added (not reported).
Handle PositionRecord(MyOpenResFileClass& prefs, int16_t dialogID) {
    Handle record = prefs.GetTheResource(kWindowPosResType, dialogID);
    if (record)
        return record;
    Handle fresh = MyNewHandleClear(4);
    if (!fresh)
        return nullptr;
    std::memset(HandleData(fresh), 0xFF, 4);
    if (prefs.AddTheResource(fresh, kWindowPosResType, dialogID, kNoName) != noErr) {
        MyDisposeHandle(fresh);
        return nullptr;
    }
    return fresh;
}

} // namespace

OSErr LockPreferences(GlueRec* glue, FileLock& lock) {
    std::string path;
    const OSErr err = HostPathForFSSpec(glue->prefsFileSpec, path);
    return err != noErr ? err : lock.Lock(path);
}

OSErr WriteToneRecord(MyOpenResFileClass& prefs, Handle stored, const ToneRes4Rec& record) {
    // The old bytes, to be put back if the write fails: the file is written again when it
    // is closed, and must then stay as it was.
    const std::vector<uint8_t> old(HandleData(stored), HandleData(stored) + GetHandleSize(stored));
    if (GetHandleSize(stored) != sizeof record) {
        if (const OSErr err = MySetHandleSize(stored, sizeof record); err != noErr)
            return err;
    }
    ToneRes4Rec diskOrder = record;
    SwapToneRes4Rec(diskOrder);
    std::memcpy(HandleData(stored), &diskOrder, sizeof diskOrder);
    const OSErr err = prefs.SaveTheResource(stored);
    if (err != noErr && MySetHandleSize(stored, static_cast<uint32_t>(old.size())) == noErr)
        std::memcpy(HandleData(stored), old.data(), old.size());
    return err;
}

OSErr SetAsideDamagedPreferences(GlueRec* glue, std::string& keptAs) {
    std::string path;
    if (OSErr err = HostPathForFSSpec(glue->prefsFileSpec, path); err != noErr)
        return err;
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::localtime(&now));
    const std::string sidecar = SidecarPath(path);
    keptAs = path + " (damaged " + stamp + ")";
    // The record lives in the sidecar; it goes aside under the kept name's own sidecar name,
    // so that the kept file still opens as a resource file.
    if (std::rename(sidecar.c_str(), SidecarPath(keptAs).c_str()) != 0)
        return StatusFromErrno(errno);
    if (FILE* marker = std::fopen(keptAs.c_str(), "wx"))
        std::fclose(marker);
    return MyCreateResFile(glue->prefsFileSpec);
}

OSErr LoadPreferencesToneRecord(GlueRec* glue) {
    if (!glue || !glue->dialogState || !glue->dialogState->prefsSaved ||
        !glue->dialogState->prefsWorking)
        return paramErr;
    SettingPrivateRec* state = glue->dialogState;
    {
        FileLock lock; // a missing record is added
        OSErr err = LockPreferences(glue, lock);
        if (err != noErr)
            return err;
        // What a killed save of the preferences left beside them goes, now that no save of
        // them can be running.
        if (std::string path; HostPathForFSSpec(glue->prefsFileSpec, path) == noErr) {
            RemoveLeftoverTemporaries(path);
            RemoveLeftoverTemporaries(SidecarPath(path));
        }
        MyOpenResFileClass prefs;
        err = prefs.SetResFile(glue->prefsFileSpec);
        if (err == mapReadErr) {
            // A damaged file must not block every command until someone deletes it by hand:
            // it is kept under another name, and the program goes on with empty preferences.
            std::string keptAs;
            if ((err = SetAsideDamagedPreferences(glue, keptAs)) != noErr)
                return err;
            ShowAlert(glue, kPrefsSetAsideCode, keptAs);
            err = prefs.SetResFile(glue->prefsFileSpec);
        }
        if (err != noErr)
            return err;
        ToneRes4Rec record;
        std::memset(&record, 0, sizeof record);
        Handle stored = prefs.GetTheResource(kToneResType, kToneResID);
        if (!stored) {
            // A zero-filled record is an empty list with no PPD chosen; it reaches the file
            // when the file is closed.
            Handle fresh = MyNewHandleClear(sizeof(ToneRes4Rec));
            if (!fresh)
                return memFullErr;
            err = prefs.AddTheResource(fresh, kToneResType, kToneResID, kNoName);
            if (err != noErr) {
                MyDisposeHandle(fresh);
                return err;
            }
        } else {
            DecodeToneRes4Rec({HandleData(stored), GetHandleSize(stored)}, record);
        }
        *state->prefsSaved = record;
        *state->prefsWorking = record;
    }
    return noErr;
}

OSErr AdjustHalftoneSaveToPrefFile(GlueRec* glue) {
    if (!glue || !glue->dialogState || !glue->dialogState->prefsSaved ||
        !glue->dialogState->prefsWorking)
        return paramErr;
    SettingPrivateRec* state = glue->dialogState;
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
    // The whole working record is written, so a change another process saved since this
    // state loaded the file would be undone without a word: refuse instead.
    ToneRes4Rec onDisk;
    DecodeToneRes4Rec({HandleData(stored), GetHandleSize(stored)}, onDisk);
    if (std::memcmp(&onDisk, state->prefsSaved, sizeof onDisk) != 0)
        return kChangedOnDiskCode;
    // A failed write is reported, so that the settings still count as unsaved instead of
    // being taken as saved.
    err = WriteToneRecord(prefs, stored, *state->prefsWorking);
    if (err != noErr)
        return err;
    std::memcpy(state->prefsSaved, state->prefsWorking, sizeof(ToneRes4Rec));
    return noErr;
}

Point GetSavedDialog(GlueRec* glue, int16_t dialogID) {
    if (!glue)
        return kNoWindowPosition;
    FileLock lock; // a missing record is added
    if (LockPreferences(glue, lock) != noErr)
        return kNoWindowPosition;
    MyOpenResFileClass prefs;
    if (prefs.SetResFile(glue->prefsFileSpec) != noErr)
        return kNoWindowPosition;
    Handle record = PositionRecord(prefs, dialogID);
    if (!record || GetHandleSize(record) < 4)
        return kNoWindowPosition;
    const uint8_t* bytes = HandleData(record);
    Point recorded;
    recorded.v = static_cast<int16_t>((bytes[0] << 8) | bytes[1]);
    recorded.h = static_cast<int16_t>((bytes[2] << 8) | bytes[3]);
    return recorded;
}

void SaveTheDialogPosition(GlueRec* glue, DialogRef dialog, int16_t dialogID) {
    if (!glue || !dialog)
        return;
    FileLock lock; // the whole resource fork is written back
    if (LockPreferences(glue, lock) != noErr)
        return;
    MyOpenResFileClass prefs;
    if (prefs.SetResFile(glue->prefsFileSpec) != noErr)
        return;
    Handle record = PositionRecord(prefs, dialogID);
    if (!record)
        return;
    Point origin;
    if (!WindowPositionsOf(glue->services).ContentOrigin(dialog, origin))
        return;
    if (GetHandleSize(record) != 4 && MySetHandleSize(record, 4) != noErr)
        return;
    uint8_t* bytes = HandleData(record);
    const auto v = static_cast<uint16_t>(origin.v);
    const auto h = static_cast<uint16_t>(origin.h);
    bytes[0] = static_cast<uint8_t>(v >> 8);
    bytes[1] = static_cast<uint8_t>(v);
    bytes[2] = static_cast<uint8_t>(h >> 8);
    bytes[3] = static_cast<uint8_t>(h);
    prefs.SaveTheResource(record);
}

} // namespace orvane
