#include "tone/ToneRecords.h"

#include "support/PString.h"

#include <bit>
#include <cstring>

namespace orvane {

namespace {

inline void Swap16At(uint8_t* base, size_t offset) {
    std::swap(base[offset], base[offset + 1]);
}

inline void Swap32At(uint8_t* base, size_t offset) {
    std::swap(base[offset], base[offset + 3]);
    std::swap(base[offset + 1], base[offset + 2]);
}

// The 4 x 14 integers of the curves of one setting slot.
void SwapToneCurves(uint8_t* setting) {
    const size_t curves = offsetof(CMYKTone, tone);
    for (size_t i = 0; i < kInkCount * sizeof(CToneInfo) / sizeof(int32_t); ++i)
        Swap32At(setting, curves + i * sizeof(int32_t));
}

constexpr bool kHostIsBigEndian = std::endian::native == std::endian::big;

} // namespace

void SetDefaultToneInfo(CToneInfo& tone) {
    // By index: the record is packed, so a level may sit where no int32_t& may point.
    for (size_t slot = 0; slot < kToneSlotCount; ++slot)
        tone.levels[slot] = kNoPoint;
    tone.levels[0] = 0;
    tone.levels[kToneSlotCount - 1] = kMaxLevel;
    tone.gamma = kNoGamma;
}

void SetNewCMYKTone(CMYKTone& tone) {
    std::memset(&tone, 0, sizeof tone);
    tone.sameCurve = 1;
    for (CToneInfo& curve : tone.tone)
        SetDefaultToneInfo(curve);
}

void SwapToneRes4Rec(ToneRes4Rec& rec) {
    if constexpr (kHostIsBigEndian)
        return;
    auto* bytes = reinterpret_cast<uint8_t*>(&rec);
    Swap16At(bytes, offsetof(ToneRes4Rec, reserved0));
    Swap16At(bytes, offsetof(ToneRes4Rec, count));
    for (size_t i = 0; i < 20; ++i)
        Swap16At(bytes, offsetof(ToneRes4Rec, reserved) + 2 * i);
    for (size_t i = 0; i < kMaxRegisteredTones; ++i)
        SwapToneCurves(bytes + offsetof(ToneRes4Rec, tones) + i * sizeof(CMYKTone));
}

void SwapPPDTone4Rec(PPDTone4Rec& rec) {
    if constexpr (kHostIsBigEndian)
        return;
    auto* bytes = reinterpret_cast<uint8_t*>(&rec);
    Swap16At(bytes, offsetof(PPDTone4Rec, version));
    Swap16At(bytes, offsetof(PPDTone4Rec, count));
    for (size_t i = 0; i < kMaxPPDTones; ++i)
        SwapToneCurves(bytes + offsetof(PPDTone4Rec, tones) + i * sizeof(CMYKTone));
}

// The handle forms work on the block's bytes; the records' alignment is 2, which the
// allocator always satisfies.
void ToneRes4RecBigToHost(Handle handle) {
    if (GetHandleSize(handle) >= sizeof(ToneRes4Rec))
        SwapToneRes4Rec(*reinterpret_cast<ToneRes4Rec*>(HandleData(handle)));
}

void ToneRes4RecHostToBig(Handle handle) {
    ToneRes4RecBigToHost(handle);
}

void PPDTone4RecBigToHost(Handle handle) {
    if (GetHandleSize(handle) >= sizeof(PPDTone4Rec))
        SwapPPDTone4Rec(*reinterpret_cast<PPDTone4Rec*>(HandleData(handle)));
}

void PPDTone4RecHostToBig(Handle handle) {
    PPDTone4RecBigToHost(handle);
}

namespace {

bool SameCurve(const CToneInfo& a, const CToneInfo& b) {
    return std::memcmp(&a, &b, sizeof(CToneInfo)) == 0;
}

bool SameNameAndMode(const CMYKTone& a, const CMYKTone& b) {
    return MyPStrEqual(a.name, b.name) && (a.sameCurve != 0) == (b.sameCurve != 0);
}

} // namespace

bool CMYKToneEqualForList(const CMYKTone& a, const CMYKTone& b) {
    if (!SameNameAndMode(a, b))
        return false;
    const int curves = a.sameCurve ? 1 : kInkCount;
    for (int i = 0; i < curves; ++i) {
        if (!SameCurve(a.tone[i], b.tone[i]))
            return false;
    }
    return true;
}

bool CMYKToneEqualAllCurves(const CMYKTone& a, const CMYKTone& b) {
    if (!SameNameAndMode(a, b))
        return false;
    for (int i = 0; i < kInkCount; ++i) {
        if (!SameCurve(a.tone[i], b.tone[i]))
            return false;
    }
    return true;
}

FSSpec GetPPDLocation(const ToneRes4Rec& rec) {
    FSSpec spec;
    std::memcpy(&spec, reinterpret_cast<const uint8_t*>(&rec) + offsetof(ToneRes4Rec, ppdVolume),
                sizeof spec);
    return spec;
}

void SetPPDLocation(ToneRes4Rec& rec, const FSSpec& spec) {
    std::memcpy(reinterpret_cast<uint8_t*>(&rec) + offsetof(ToneRes4Rec, ppdVolume), &spec,
                sizeof spec);
}

} // namespace orvane
