// Writing the chosen PPD's settings where the printing system finds them: the settings
// record ('VrTn' 128) in the target's resource fork and the tone block in its text. The
// target is the PPD itself, or on system level 2 the gamma file.
#pragma once

#include "core/State.h"
#include "base/Types.h"

#include <span>
#include <string>

namespace orvane {

// Stores ppdWorking into the target. The record and the text change together or not at
// all: when either write fails, both files keep their old bytes and ppdSaved is left as
// it was (so the settings still count as unsaved). noErr on success, and also when the
// rights to change the PPD were refused (AUTH_CANCEL_Flag tells); otherwise the first
// failing status, including a PPD that could not be made writable or given a fork.
OSErr AdjustHalftoneSaveToPPDFile(GlueRec* glue);

// Where the block goes in a text, found as the writer finds it. Exposed for tests.
struct ToneBlockPlace {
    size_t startPos = 0;  // where the new block is written
    size_t tailStart = 0; // where the kept rest of the old text begins
    bool newBlock = true; // no old block: the new one ends with three line feeds
};
OSErr LocateToneBlock(GlueRec* glue, std::span<const uint8_t> text, bool emptyList,
                      ToneBlockPlace& place);

// When a failed write could not put the old bytes back, the path of the backup that holds
// them (empty otherwise); the front ends tell the user.
const std::string& LastPPDBackupPath();

} // namespace orvane
