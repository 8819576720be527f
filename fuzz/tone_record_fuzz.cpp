// The preferences file's 'Tone' record as the store trusts it: any bytes decode to a record
// whose count, names and PPD name stay within their slots, and a decoded record stored
// again decodes to itself.
#include "store/ToneRecordChecks.h"

#include <cstdlib>
#include <cstring>

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ToneRes4Rec record;
    DecodeToneRes4Rec({data, size}, record);
    if (record.count < 0 || record.count > kMaxRegisteredTones)
        std::abort();
    for (const CMYKTone& tone : record.tones) {
        if (tone.name[0] > kMaxToneNameLength)
            std::abort();
    }
    if (record.ppdName[0] > sizeof record.ppdName - 1)
        std::abort();

    ToneRes4Rec stored = record;
    SwapToneRes4Rec(stored);
    ToneRes4Rec again;
    DecodeToneRes4Rec({reinterpret_cast<const uint8_t*>(&stored), sizeof stored}, again);
    if (std::memcmp(&again, &record, sizeof record) != 0)
        std::abort();
    return 0;
}
