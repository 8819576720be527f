// Writing the chosen PPD's settings where the printing system finds them: the settings
// record ('VrTn' 128) in the target's resource fork and the tone block in its text. The
// target is the PPD itself, or on system level 2 the gamma file.
//
// A save is a plan and a commit: the plan computes the target's new text from its old
// text, the loaded texts and the list, touching nothing; the commit writes that text and
// the record, and puts the old bytes back when either write fails.
#pragma once

#include "base/Types.h"
#include "core/Outcome.h"
#include "core/State.h"
#include "ppd/ToneBlock.h"

#include <span>
#include <string>
#include <vector>

namespace orvane {

// Stores ppdWorking into the target. The record and the text change together or not at
// all: when either write fails, both files keep their old bytes and ppdSaved is left as
// it was (so the settings still count as unsaved). Nothing is touched (and no rights are
// asked for) when a text of the block is missing: resNotFound.
//
// The outcome: status noErr on success; rightsRefused with the refusal's message (and
// status noErr) when the request for administrator rights was refused; otherwise the first
// failing status. A save interrupted after its commit point is completed by the next
// reader or writer of that folder; one interrupted before it leaves the old files.
// AUTH_CANCEL_Flag is set to outcome.rightsRefused on return.
[[nodiscard]] SaveOutcome AdjustHalftoneSaveToPPDFile(GlueRec* glue);

// Where the block goes in a text, found as the writer finds it.
struct ToneBlockPlace {
    size_t startPos = 0;  // where the new block is written
    size_t tailStart = 0; // where the kept rest of the old text begins
    bool newBlock = true; // no old block: the new one ends with three line feeds
};

// The old block is a begin marker and the first end marker after it (the last begin
// marker before that end marker when there are several); with `emptyList` up to three
// line feeds after it go with it. Without one, the block goes before the first insertion
// anchor found at the start of a line (in their order), else at the end. resNotFound for an empty
// marker or anchor in `texts`.
[[nodiscard]] OSErr LocateToneBlock(const PPDTexts& texts, std::span<const uint8_t> text,
                                    bool emptyList, ToneBlockPlace& place);

// The save's plan: the target's new text for `settings`, from its old text. On the PPD the
// block replaces the old one or is inserted (see LocateToneBlock), and an empty list
// removes it; the gamma file's text (`wholeText`) is replaced by the block alone, or
// emptied. No I/O; the status of LocateToneBlock or ComposeToneBlock.
[[nodiscard]] OSErr PlanToneBlockText(std::span<const uint8_t> oldText, const PPDTexts& texts,
                                      uint16_t ppdType, TextEncoding ppdEncoding,
                                      const PPDTone4Rec& settings, bool wholeText,
                                      std::vector<uint8_t>& newText,
                                      std::span<const std::string> languages = {});

} // namespace orvane
