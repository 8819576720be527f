// The preferences file: the registered settings and the PPD choice ('Tone' 128, a
// ToneRes4Rec, big-endian except the PPD location) and the last position of each dialog
// ('WPOS' with the dialog's ID: vertical then horizontal, big-endian i16; (-1, -1) for
// none). Every operation opens the file and closes it before returning.
#pragma once

#include "base/Types.h"
#include "core/State.h"
#include "host/files/FileLock.h"
#include "support/ResFile.h"

namespace orvane {

inline constexpr ResType kWindowPosResType = MakeFourCC("WPOS");
inline constexpr int16_t kAdjustHalftoneDialogID = 1007;
inline constexpr int16_t kNewEditHalftoneDialogID = 1008;
inline constexpr OSType kPrefsFileType = MakeFourCC("pref");
inline constexpr OSType kPrefsFileCreator = MakeFourCC("Hvtk");
inline constexpr Point kNoWindowPosition = {-1, -1};

// Loads 'Tone' 128 into prefsSaved and prefsWorking (a file without one gets an empty
// record added). The first failing step's status.
[[nodiscard]] OSErr LoadPreferencesToneRecord(GlueRec* glue);

// Writes prefsWorking into 'Tone' 128 and makes prefsSaved equal to it. The open's
// status, resNotFound when the file has no 'Tone' 128, memFullErr, or the write's status
// (a write that fails leaves the file as it was and prefsSaved unchanged).
// kChangedOnDiskCode, writing nothing, when the record in the file is no longer the one
// prefsSaved holds (another process saved meanwhile). Writers of the file hold its lock
// (LockPreferences) from reading to writing, so that two never interleave.
[[nodiscard]] OSErr AdjustHalftoneSaveToPrefFile(GlueRec* glue);

// Keeps a preferences file whose resource fork cannot be read under another name (its path
// into `keptAs`) and gives the file a fresh, empty fork.
[[nodiscard]] OSErr SetAsideDamagedPreferences(GlueRec* glue, std::string& keptAs);

// Takes the preferences file's lock for as long as `lock` lives.
[[nodiscard]] OSErr LockPreferences(GlueRec* glue, FileLock& lock);

// Stores a host-order record as the 'Tone' 128 resource `stored` of the open preferences
// file and writes it now. On failure the resource keeps its old bytes, so the file stays as
// it was when it is closed. The write's status (memFullErr when the block cannot grow).
[[nodiscard]] OSErr WriteToneRecord(MyOpenResFileClass& prefs, Handle stored,
                                    const ToneRes4Rec& record);

// Before a dialog window is made: makes sure the file has a position record for
// `dialogID` and returns the position recorded ((-1, -1) when none, also when the file
// cannot be read). The front end decides whether to place the window there.
Point GetSavedDialog(GlueRec* glue, int16_t dialogID);

// Records where `dialog` is now (from the window-position source) under `dialogID`.
// Nothing for a null dialog or an unknown position; failures are not reported.
void SaveTheDialogPosition(GlueRec* glue, DialogRef dialog, int16_t dialogID);

} // namespace orvane
