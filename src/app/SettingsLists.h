// The operations on the two settings lists of the Adjust Halftone dialog: the registered
// settings (prefsWorking, at most 20) and the chosen PPD's settings (ppdWorking, at most
// 6), each shown row for row in its ListView. Both are kept sorted by name in unsigned byte
// order (the shorter of two names with an equal prefix first) and free of duplicate names.
// They also say what the Save command writes and whether anything is unsaved.
//
// All of them need the dialog state record (glue->dialogState) with both lists attached.
#pragma once

#include "base/Status.h"
#include "base/Types.h"
#include "core/Outcome.h"
#include "core/State.h"

namespace orvane {

// Inserts `tone` at its sorted place, selects the new row and scrolls to it. A setting of
// the same name is replaced only when the user confirms caution alert 1011 with item 1
// (the row count and selection then stay as they were); any other answer changes nothing.
// noErr in both cases; kListFullCode, without asking or changing anything, when the name
// is new and the list is full; paramErr without a dialog state.
[[nodiscard]] OSErr AdjustHalftoneDialogAppendEntry(GlueRec* glue, bool toRegistered,
                                                    const CMYKTone& tone);

// Removes the row and its setting; nothing is selected afterwards. paramErr for a row
// outside the list.
[[nodiscard]] OSErr AdjustHalftoneDialogDeleteFromList(GlueRec* glue, bool fromRegistered,
                                                       int16_t row);

// Puts workTone into its list when the New/Edit Halftone dialog is confirmed: a new
// setting (isNew) into the registered list; an edit replaces the setting it was opened on
// (editsRegistered, editedPPD and originalTone's name), asking first (alert 1011) when it
// was renamed onto another setting of the same list, whose removal item 1 confirms (any
// other answer stores nothing and returns noErr). An edit whose setting is gone, or whose
// PPD is no longer chosen, is added as new (to the registered list in the second case).
// kListFullCode when a setting to add finds its list full, kBadToneNameCode for an empty
// name.
[[nodiscard]] OSErr NewEditHalftoneDialogSaveList(GlueRec* glue);

// The Save command's writing: always the preferences file; then, when a PPD is chosen, it
// exists and its settings changed, the PPD. The first failing step's status in the outcome
// (kChangedOnDiskCode with the file's path when another program changed it since it was
// loaded). A refused request for administrator rights is no failure: the outcome says so
// and the PPD settings stay unsaved.
[[nodiscard]] SaveOutcome SetAdjustHalftoneDialogsSetting(GlueRec* glue);

// Writes the chosen PPD's settings (AdjustHalftoneSaveToPPDFile) as one outcome.
[[nodiscard]] SaveOutcome SaveChosenPPDSettings(GlueRec* glue);

// Whether the working copies differ from the saved ones: the registered settings with the
// PPD choice, and the PPD's settings (only the entries up to count; only cyan for a
// setting whose one curve serves all inks).
bool AdjustHalftoneCheckRegisteredSettingChanged(GlueRec* glue);
bool AdjustHalftoneCheckPPDSettingChanged(GlueRec* glue);

} // namespace orvane
