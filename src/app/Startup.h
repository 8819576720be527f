// Start-up without windows: the application's resource file, the system level and the
// preferences file. Both front ends run these before opening the Adjust Halftone dialog.
#pragma once

#include "core/State.h"
#include "base/Types.h"

namespace orvane {

// The front end's system-level option (0, 1 or 2); -1 removes it.
void SetSystemLevelOption(int level);

// The system level: the front end's option, else ORVANE_OS_LEVEL ("0", "1" or "2"), else 1.
// kBadSystemLevelErr for any other value of either.
OSErr GetSystemLevel(uint16_t* osLevel);

// Opens the application's resource file as glue->appResFile and marks the program as
// starting up (glue->startingUp = 1). The open's status.
OSErr OpenApplicationResFile(GlueRec* glue);
// Closes it again (nothing when it is not open).
void CloseApplicationResFile(GlueRec* glue);

// The start-up steps, in order; the first failing one ends it with its status:
// system level into osLevel; the application file's location into appFileSpec; the
// preferences folder (created if missing); the preferences file's name ('STR ' 129, or at
// levels 1 and 2 the bundle's "Preferences File Name") into prefsFileSpec; and the file
// itself, created when missing with type 'pref', creator 'Hvtk' and an empty resource fork.
// A folder in the file's place is dupFNErr.
OSErr DoInit(GlueRec* glue);

} // namespace orvane
