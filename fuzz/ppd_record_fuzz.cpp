// The settings record beside a PPD ('VrTn' 128) as the reader trusts it: any bytes decode
// to a record whose count and names stay within their slots; a version-1 record becomes
// one-curve settings with four equal curves; and a decoded record, stored again, decodes to
// itself.
#include "FuzzSupport.h"

#include "ppd/PPDReader.h"

#include <cstring>

using namespace orvane;
using namespace orvane::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PPDTone4Rec record;
    std::memset(&record, 0x5A, sizeof record);
    if (!DecodePPDToneRecord({data, size}, record)) {
        if (size >= 4 && !(size < kPPDTone1RecSize && data[0] == 0 && data[1] == 1))
            Broken("a record long enough is refused");
        return 0;
    }
    if (record.count < 0 || record.count > kMaxPPDTones)
        Broken("count outside the six slots");
    for (const CMYKTone& tone : record.tones) {
        if (tone.name[0] > kMaxToneNameLength)
            Broken("name longer than its slot");
    }
    if (data[0] == 0 && data[1] == 1) {
        if (record.version != 2)
            Broken("a version-1 record is not upgraded");
        for (int i = 0; i < record.count; ++i) {
            const CMYKTone& tone = record.tones[i];
            if (tone.sameCurve != 1 || tone.tone[kCyan].gamma != kNoGamma)
                Broken("an upgraded setting is not one gammaless curve");
            for (int ink = kMagenta; ink <= kBlack; ++ink) {
                if (std::memcmp(&tone.tone[ink], &tone.tone[kCyan], sizeof(CToneInfo)) != 0)
                    Broken("an upgraded setting's inks differ");
            }
        }
    }

    PPDTone4Rec stored = record;
    SwapPPDTone4Rec(stored);
    PPDTone4Rec again;
    if (!DecodePPDToneRecord({reinterpret_cast<const uint8_t*>(&stored), sizeof stored}, again) ||
        std::memcmp(&again, &record, sizeof record) != 0)
        Broken("a decoded record does not decode to itself");
    return 0;
}
