// The tone block: the text through which the printing system sees the tone settings, one
// entry per setting with its transfer tables and printer code, framed by a header and a
// block end. Its fixed texts are resources ('STR#' 1000 and 2000, 'STR ' 2000 and 130,
// the bundle's "OpenUI" and "OrderDependency"); this composes them with the generated
// parts (entry numbers, names, the 256 numbers of each curve) byte for byte.
#pragma once

#include "base/Types.h"
#include "core/State.h"
#include "host/text/TextEncoding.h"
#include "support/Containers.h"

#include <array>
#include <span>
#include <string>
#include <string_view>

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

// The fixed texts of the block and of the writer that places it, loaded once per save so
// that composing and locating the block touch no resource and no global. Items are kept
// at their index (item 0 and the items nobody uses stay empty). Bytes as the resources
// hold them: string-list and 'STR ' texts in the application's encoding, the two bundle
// values in UTF-8.
struct PPDTexts {
    static constexpr int kListSize = kSupportedPPDMarkerIndex + 1;
    static constexpr int kCupsListSize = kTranslationNumberIndex + 1;
    std::array<std::string, kListSize> list;         // 'STR#' 1000
    std::array<std::string, kCupsListSize> cupsList; // 'STR#' 2000
    std::string cupsString;                          // 'STR ' 2000
    std::string localizedFolder;                     // 'STR ' 130 ("en.lproj")
    std::string openUI;                              // the bundle's "OpenUI"
    std::string orderDependency;                     // the bundle's "OrderDependency"
};

// Loads every text a save needs: 'STR#' 1000 items 2 ... 22, 24 ... 29 and 31 ... 34,
// 'STR#' 2000 items 1 ... 5, 'STR ' 2000 and 130, and the bundle's "OpenUI" and
// "OrderDependency" (each at most MaxUTF8StrLen - 1 bytes). All of them are required,
// whatever the PPD: a missing or empty one is resNotFound (a damaged resource file its own
// status), so that a save never writes a block without one of its parts.
[[nodiscard]] OSErr LoadPPDTexts(const GlueRec* glue, PPDTexts& texts);

// The localisation kind of a PPD's text (the value `ppd_type` takes for it): 1 when it
// carries 'STR#' 2000 item 1, else 0.
uint16_t PPDLocalisationKind(std::span<const uint8_t> text, const PPDTexts& texts);

// Appends the block for `settings` (list order, `count` entries) to `block`. `ppdType` (the
// PPD's localisation kind) chooses the header and the form of the entries; names are
// converted to `ppdEncoding`; the translation line's language comes from the localised
// folder name. A name is written so that neither marker of the block appears inside it.
// With `withTail` the block is followed by three line feeds (a new block, or the gamma
// file). resNotFound when a translation line is due and the folder name has no language
// (six characters or fewer); memFullErr when the block cannot grow; then `block` holds a
// partial block that the caller must discard.
[[nodiscard]] OSErr ComposeToneBlock(const PPDTexts& texts, uint16_t ppdType,
                                     TextEncoding ppdEncoding, const PPDTone4Rec& settings,
                                     bool withTail, MyUnknownSizePtrClass& block);

// The longest translation text the printing system keeps whole, in bytes.
inline constexpr size_t kMaxPPDTranslationBytes = 80;

// A name (in `encoding`) as it may stand in a PPD translation string: cut to the longest
// whole-character prefix of at most kMaxPPDTranslationBytes (libcups would cut it inside a
// character, and cupstestppd refuses such a PPD), then bytes that would end or corrupt the
// translation (":", "<", "\"", control characters) written in the PPD's hexadecimal
// notation ("<3A>"); every other byte is kept.
std::string PPDTranslationText(std::string_view name, TextEncoding encoding);

} // namespace orvane
