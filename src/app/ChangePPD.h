// Choosing another target PPD (the Adjust Halftone dialog's item 8).
#pragma once

#include "base/Types.h"
#include "core/Outcome.h"
#include "core/State.h"

namespace orvane {

// Offers to write unsaved PPD settings first (alert 1009, item 1 writes; a failing write
// ends here with its status and nothing changed), lets the user choose a file (the file
// chooser, starting in the printer-description folder), and takes it as the new target
// (AdjustHalftoneChangePPDFile). A cancelled chooser is no failure: the current PPD's
// settings are read again, dropping edits the user chose not to save.
[[nodiscard]] SaveOutcome AdjustHalftoneAlertUserAndChangePPDFile(GlueRec* glue);

// Takes `chosen` as the target PPD. A file that is not a supported PPD is shown with 1006
// and leaves no PPD chosen (the preferences file keeps the old choice) and both PPD lists
// empty; result noErr. A supported one becomes the choice in both record copies and at
// once in the preferences file's 'Tone' 128 (its status, resNotFound when missing; the
// in-memory choice stays), then its settings are read and the lists refilled.
[[nodiscard]] OSErr AdjustHalftoneChangePPDFile(GlueRec* glue, const FSSpec& chosen);

} // namespace orvane
