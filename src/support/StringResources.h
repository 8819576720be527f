// The layouts of the two string resources, read from a resource's bytes: 'STR ' is one
// P-string; 'STR#' is a big-endian 16-bit count followed by that many P-strings.
#pragma once

#include "base/Types.h"

#include <cstdint>
#include <span>

namespace orvane {

inline constexpr ResType kStringResType = MakeFourCC("STR ");
inline constexpr ResType kStringListResType = MakeFourCC("STR#");

// The P-string of a 'STR ' resource into `out` (bytes after it are ignored). mapReadErr when
// the data is empty or shorter than its length byte says; `out` is then empty.
OSErr StringFromResourceData(std::span<const uint8_t> data, StringPtr out);

// Item `index` (from 1) of a 'STR#' resource into `out`. resNotFound when the list has no
// such item; mapReadErr when the count or an item before the wanted one runs past the data;
// `out` is empty on failure.
OSErr IndStringFromResourceData(std::span<const uint8_t> data, int16_t index, StringPtr out);

} // namespace orvane
