// The tone block: the text through which the printing system sees the tone settings, one
// entry per setting with its transfer tables and printer code, framed by a header and a
// block end. Its fixed texts are resources ('STR#' 1000 and 2000, 'STR ' 2000 and 130,
// the bundle's "OpenUI" and "OrderDependency"); this composes them with the generated
// parts (entry numbers, names, the 256 numbers of each curve) byte for byte.
#pragma once

#include "core/State.h"
#include "host/text/TextEncoding.h"
#include "support/Containers.h"
#include "base/Types.h"

namespace orvane {

enum : int16_t {
    kPPDTextListID = 1000,          // 'STR#' of the PPD text fragments
    kPPDCupsListID = 2000,          // 'STR#' of the fragments for PPDs with CUPS localisations
    kPPDCupsStringID = 2000,        // 'STR ' that must exist when writing such a PPD
    kLocalizedFolderStringID = 130, // 'STR ': the localised PPD folder name ("en.lproj")
};

// Indexes of 'STR#' 1000.
enum : int16_t {
    kPPDHeaderTextIndex = 2, // the text every PPD begins with
    kBlockBeginMarkerIndex = 3,
    kBlockEndMarkerIndex = 4,
    kAnchor3Index = 5,
    kAnchor4Index = 6,
    kBlockHeaderIndex = 7,
    kEntryStartIndex = 8,
    kEntryNameSeparatorIndex = 9,
    kEntryOpeningEndIndex = 10,
    kTableStartIndex = 11,
    kTableEndIndex = 12,
    kFourCurveTrailerFirst = 13,
    kFourCurveTrailerLast = 22,
    kOneCurveTrailerFirst = 24,
    kOneCurveTrailerLast = 29,
    kBlockEndIndex = 31,
    kAnchor1Index = 32,
    kAnchor2Index = 33,
    kSupportedPPDMarkerIndex = 34,
};

// Indexes of 'STR#' 2000.
enum : int16_t {
    kCupsPPDMarkerIndex = 1,
    kNumericNameIndex = 2,
    kTranslationStartIndex = 3,
    kTranslationEndIndex = 4,
    kTranslationNumberIndex = 5,
};

// Appends the block for `settings` (list order, `count` entries) to `block`. The header
// and entries follow `ppd_type`; names are converted to `ppdEncoding`; the translation
// line's language comes from `localizedFolderName` ('STR ' 130). With `withTail` the block
// is followed by three line feeds (a new block, or the gamma file). A missing or empty
// resource text is resNotFound and a failing growth memFullErr; then `block` holds a
// partial block that the caller must discard.
OSErr ComposeToneBlock(GlueRec* glue, const PPDTone4Rec& settings, TextEncoding ppdEncoding,
                       ConstStringPtr localizedFolderName, bool withTail,
                       MyUnknownSizePtrClass& block);

// The longest translation text the printing system keeps whole, in bytes.
inline constexpr size_t kMaxPPDTranslationBytes = 80;

// A name (in `encoding`) as it may stand in a PPD translation string: cut to the longest
// whole-character prefix of at most kMaxPPDTranslationBytes (libcups would cut it inside a
// character, and cupstestppd refuses such a PPD), then bytes that would end or corrupt the
// translation (":", "<", "\"", control characters) written in the PPD's hexadecimal
// notation ("<3A>"); every other byte is kept.
std::string PPDTranslationText(std::string_view name, TextEncoding encoding);

} // namespace orvane
