// The application's state: the record handed to nearly every operation (`GlueRec`), the
// dialog state record that exists while the Adjust Halftone dialog is open
// (`SettingPrivateRec`), and the process-wide flags.
#pragma once

#include "base/Types.h"
#include "host/ui/HostServices.h"
#include "host/ui/UiTypes.h"
#include "tone/ToneRecords.h"

namespace orvane {

struct SettingPrivateRec;
class AdjustHalftoneView;
class NewEditHalftoneDialog;

struct GlueRec {
    uint16_t osLevel;               // 0, 1 or 2; fixed at start-up
    DialogRef adjustDialog;         // the Adjust Halftone dialog, null while not open
    EventRecord event;              // the event being handled
    FSSpec appFileSpec;             // the application's own resource file
    FSSpec prefsFileSpec;           // the preferences file
    int16_t appResFile;             // reference of the application's resource file
    SettingPrivateRec* dialogState; // null while the Adjust Halftone dialog is not open
    Str255 folderNameBuffer;        // scratch for folder names below the PPD folder
    FSSpec gammaFileSpec;           // the gamma file "PPDGAM" (system level 2)
    Str255 ppdNickname;             // the chosen PPD's nickname (or short nickname)
    uint8_t startingUp;             // 1 until the first window has been opened
    HostServices services;          // what the front end lends for alerts, choosers, positions
};

struct SettingPrivateRec {
    ListHandle registeredList; // the registered settings (rows = prefsWorking's tones)
    ListHandle ppdList;        // the chosen PPD's settings (rows = ppdWorking's tones)
    ListDrawProcRef listDrawProc;
    ToneRes4Rec* prefsSaved;   // registered settings and PPD choice as last loaded/saved
    ToneRes4Rec* prefsWorking; // the same as being edited
    PPDTone4Rec* ppdSaved;     // the PPD's settings as last read or written
    PPDTone4Rec* ppdWorking;   // the same as being edited
    DialogRef newEditDialog;   // the New/Edit Halftone dialog while open
    uint8_t isNew;             // the New/Edit dialog creates (1) or edits (0)
    CMYKTone originalTone;     // the setting as handed to the New/Edit dialog
    CMYKTone workTone;         // the setting as edited there
    MyOffscreenBitMapRec* graphSurface;
    PicHandle dimGridPicture;
    PicHandle gridPicture;
    Rect graphBox;
    int16_t currentInk; // item 26 ... 29 of the ink shown, 0 for all inks
    DialogRef adjustHelpDialog;
    DialogRef newEditHelpDialog;
    AdjustHalftoneView* adjustView;   // what the Adjust Halftone window shows besides its lists
    NewEditHalftoneDialog* newEditor; // the curve editor's core while it is open
    uint64_t ppdRecordDigest; // the chosen PPD's settings record as read or written (its digest)
    uint8_t ppdBlockMissing;  // the record's settings are not (or no longer) in the PPD's text
    uint8_t ppdSetAside;      // the chosen PPD could not be read at start-up: not to be saved away
    // The setting an open editor edits (isNew 0): its list, the PPD that list belonged to
    // when the editor opened, and its name (originalTone's). The selection may move on
    // while the editor is open; OK still stores into this setting.
    uint8_t editsRegistered;
    FSSpec editedPPD;
};

// Process-wide flags.
extern uint8_t gquit;            // ends the event loop
extern uint8_t gInBackground;    // the application is suspended
extern uint8_t AUTH_CANCEL_Flag; // a request for administrator rights failed
extern uint16_t ppd_type;        // the last PPD recognised carries CUPS localisations
// Size of the buffer for UTF-8 texts from the bundle's PPD property lists.
inline constexpr uint32_t MaxUTF8StrLen = 2048;

// Zero-filled records; null when memory runs out. The dialog state record comes with its
// four list records, all zero-filled; its disposal frees them.
GlueRec* NewGlueRec();
void DisposeGlueRec(GlueRec* glue);
SettingPrivateRec* NewSettingPrivateRec();
void DisposeSettingPrivateRec(SettingPrivateRec* state);

} // namespace orvane
