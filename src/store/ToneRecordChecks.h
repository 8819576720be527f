// Stored lists as the store trusts them: a 'Tone' record read from a file is completed,
// put into host order and bounded before any operation walks it, so that a damaged or
// foreign record can never make an operation read or write past its slots.
#pragma once

#include "tone/ToneRecords.h"

#include <cstdint>
#include <span>

namespace orvane {

// The stored (big-endian) bytes of a 'Tone' record of any size as a host-order record: a
// shorter one is completed with zeros, a longer one cut to the record. A count outside
// 0 ... 20 is bounded to it, a name longer than 32 characters is cut to 32, and a PPD name
// longer than 63 characters means no PPD chosen.
void DecodeToneRes4Rec(std::span<const uint8_t> stored, ToneRes4Rec& out);

// The count bounded to the list's slots.
int16_t BoundedCount(int16_t count, int max);

} // namespace orvane
