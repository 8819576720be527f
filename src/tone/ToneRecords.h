// Tone settings: one curve (`CToneInfo`), one named setting (`CMYKTone`) and the two stored
// lists (`ToneRes4Rec` in the preferences file, `PPDTone4Rec` beside a PPD).
//
// In memory the records have exactly their stored layout; only the byte order of the
// numeric fields differs. Loading a resource swaps it to host order and saving swaps it
// back, through the four swap functions below. The platform's 2-byte record alignment is
// kept so that every offset matches the stored form.
#pragma once

#include "host/memory/Memory.h"
#include "base/Types.h"

namespace orvane {

// Input positions of the thirteen slots of every curve, in percent of full ink.
inline constexpr int kToneSlotCount = 13;
inline constexpr int kToneInputPositions[kToneSlotCount] = {0,  5,  10, 20, 30, 40, 50,
                                                            60, 70, 80, 90, 95, 100};
// A slot without a point.
inline constexpr int32_t kNoPoint = -1;
// A curve without a recorded gamma.
inline constexpr int32_t kNoGamma = -1;
// Levels are hundredths of a percent.
inline constexpr int32_t kMaxLevel = 10000;

inline constexpr int kInkCount = 4; // cyan, magenta, yellow, black
enum Ink { kCyan = 0, kMagenta = 1, kYellow = 2, kBlack = 3 };

inline constexpr int kMaxRegisteredTones = 20;
inline constexpr int kMaxPPDTones = 6;
inline constexpr int kMaxToneNameLength = 32;

inline constexpr ResType kToneResType = MakeFourCC("Tone");
inline constexpr int16_t kToneResID = 128;
inline constexpr ResType kPPDToneResType = MakeFourCC("VrTn");
inline constexpr int16_t kPPDToneResID = 128;

#pragma pack(push, 2)

struct CToneInfo {
    int32_t levels[kToneSlotCount]; // hundredths of a percent, or kNoPoint
    int32_t gamma;                  // gamma x 100 that generated the levels, or kNoGamma
};

struct CMYKTone {
    Str32 name;        // 1 ... 32 characters in a valid setting
    uint8_t sameCurve; // non-zero: the cyan curve serves all four inks
    uint8_t padding[2];
    CToneInfo tone[kInkCount];
};

struct ToneRes4Rec {
    uint16_t reserved0;
    int16_t count;
    uint16_t reserved[20];
    CMYKTone tones[kMaxRegisteredTones];
    // The chosen PPD's location: the platform's 70-byte file-location block, kept in the
    // writing machine's byte order (never swapped).
    int16_t ppdVolume;
    int32_t ppdFolderID;
    Str63 ppdName; // empty: no PPD chosen
    uint8_t reserved2[6];
};

struct PPDTone4Rec {
    uint16_t version; // 1: the old 560-byte layout; anything else: this layout
    int16_t count;
    CMYKTone tones[kMaxPPDTones];
    uint32_t legacyWord; // carried over from the old layout, host order, never swapped
};

#pragma pack(pop)

static_assert(sizeof(CToneInfo) == 56);
static_assert(offsetof(CToneInfo, gamma) == 52);
static_assert(sizeof(CMYKTone) == 260);
static_assert(offsetof(CMYKTone, sameCurve) == 33);
static_assert(offsetof(CMYKTone, tone) == 36);
static_assert(offsetof(CMYKTone, tone) + 3 * sizeof(CToneInfo) == 204);
static_assert(sizeof(ToneRes4Rec) == 5320);
static_assert(offsetof(ToneRes4Rec, count) == 2);
static_assert(offsetof(ToneRes4Rec, reserved) == 4);
static_assert(offsetof(ToneRes4Rec, tones) == 44);
static_assert(offsetof(ToneRes4Rec, ppdVolume) == 5244);
static_assert(offsetof(ToneRes4Rec, ppdFolderID) == 5246);
static_assert(offsetof(ToneRes4Rec, ppdName) == 5250);
static_assert(offsetof(ToneRes4Rec, reserved2) == 5314);
static_assert(sizeof(PPDTone4Rec) == 1568);
static_assert(offsetof(PPDTone4Rec, tones) == 4);
static_assert(offsetof(PPDTone4Rec, legacyWord) == 1564);

// The old PPD list (version 1): six one-curve entries of 92 bytes, read only when
// converting (see the PPD reader).
inline constexpr uint32_t kPPDTone1RecSize = 560;
inline constexpr uint32_t kPPDTone1EntrySize = 92;
inline constexpr uint32_t kPPDTone1EntriesOffset = 4;
inline constexpr uint32_t kPPDTone1EntryLevelsOffset = 36;
inline constexpr uint32_t kPPDTone1LegacyWordOffset = 556;

// The straight line from (0 %, 0 %) to (100 %, 100 %): slots 0 and 12 only, no gamma.
void SetDefaultToneInfo(CToneInfo& tone);
// A new setting: empty name, one curve for all inks, the default curve in all four slots.
void SetNewCMYKTone(CMYKTone& tone);

// Swap between the stored (big-endian) order and host order, in place; each is its own
// inverse and does nothing on a big-endian host. The handle forms take a block holding the
// whole record and do nothing when it is smaller than the record.
void SwapToneRes4Rec(ToneRes4Rec& rec);
void SwapPPDTone4Rec(PPDTone4Rec& rec);
void ToneRes4RecBigToHost(Handle handle);
void ToneRes4RecHostToBig(Handle handle);
void PPDTone4RecBigToHost(Handle handle);
void PPDTone4RecHostToBig(Handle handle);

// Setting comparisons. Names compare as P-strings, `sameCurve` as a truth value, curves as
// 56-byte blocks; padding is never compared.
// For the lists' change detection: only cyan when `sameCurve` is set, else all four.
bool CMYKToneEqualForList(const CMYKTone& a, const CMYKTone& b);
// For the editor: always all four curves.
bool CMYKToneEqualAllCurves(const CMYKTone& a, const CMYKTone& b);

// The chosen PPD's location (volume, folder and name), copied as bytes.
FSSpec GetPPDLocation(const ToneRes4Rec& rec);
void SetPPDLocation(ToneRes4Rec& rec, const FSSpec& spec);

} // namespace orvane
