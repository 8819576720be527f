// Reading back the settings a PPD (or, on system level 2, its gamma file) carries: the
// 'VrTn' 128 record beside it, upgraded from the old layout when needed. The tone block
// in the text is never parsed; the record is the settings' only source.
#pragma once

#include "base/Types.h"
#include "core/State.h"

#include <span>

namespace orvane {

// Fills `out` in host order when the file carries a record; leaves it untouched when it
// carries none (also when the file has no resource fork and none can be given to it).
[[nodiscard]] OSErr ReadPPDSetting(GlueRec* glue, const FSSpec* spec, PPDTone4Rec* out);

// Loads the chosen PPD's settings into ppdWorking and ppdSaved (equal on return). A PPD
// that is gone is forgotten quietly; one that is not a supported PPD is forgotten with the
// 1006 message; while starting up any other failure is forgotten quietly too. On system
// level 2, settings copied from the PPD into a gamma file that could not be written stay in
// ppdWorking while ppdSaved keeps what the gamma file holds (none): they count as unsaved,
// so that Save is offered and reports why the write fails.
[[nodiscard]] OSErr AdjustHalftoneDialogReadPPDSetting(GlueRec* glue);

// A stored 'VrTn' record in disk order, of any size, as a host-order record: a version-1
// record is converted, a shorter one is completed with zeros, a count outside 0 ... 6
// (which the program never writes) is taken as 0 ... 6 so that no reader walks past the
// six slots, and a name longer than 32 characters is cut to its 32 bytes. False when the bytes are
// too short to hold even the version and count.
[[nodiscard]] bool DecodePPDToneRecord(std::span<const uint8_t> stored, PPDTone4Rec& out);

} // namespace orvane
