#include "support/StringResources.h"

#include <cstring>

namespace orvane {

OSErr StringFromResourceData(std::span<const uint8_t> data, StringPtr out) {
    out[0] = 0;
    if (data.empty() || data[0] > data.size() - 1)
        return mapReadErr;
    std::memcpy(out, data.data(), size_t{data[0]} + 1);
    return noErr;
}

OSErr IndStringFromResourceData(std::span<const uint8_t> data, int16_t index, StringPtr out) {
    out[0] = 0;
    if (data.size() < 2)
        return mapReadErr;
    const size_t count = (size_t{data[0]} << 8) | data[1];
    if (index < 1 || static_cast<size_t>(index) > count)
        return resNotFound;
    size_t offset = 2;
    for (int16_t i = 1; i < index; ++i) {
        if (offset >= data.size())
            return mapReadErr;
        offset += size_t{data[offset]} + 1;
    }
    if (offset >= data.size())
        return mapReadErr;
    return StringFromResourceData(data.subspan(offset), out);
}

} // namespace orvane
