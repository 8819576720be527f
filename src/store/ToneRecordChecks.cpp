#include "store/ToneRecordChecks.h"

#include <cstring>

namespace orvane {

int16_t BoundedCount(int16_t count, int max) {
    return count < 0 ? 0 : count > max ? static_cast<int16_t>(max) : count;
}

void DecodeToneRes4Rec(std::span<const uint8_t> stored, ToneRes4Rec& out) {
    ToneRes4Rec record;
    std::memset(&record, 0, sizeof record);
    std::memcpy(&record, stored.data(),
                stored.size() < sizeof record ? stored.size() : sizeof record);
    SwapToneRes4Rec(record);
    record.count = BoundedCount(record.count, kMaxRegisteredTones);
    for (CMYKTone& tone : record.tones) {
        if (tone.name[0] > kMaxToneNameLength)
            tone.name[0] = kMaxToneNameLength;
    }
    if (record.ppdName[0] > sizeof record.ppdName - 1)
        record.ppdName[0] = 0;
    out = record;
}

} // namespace orvane
