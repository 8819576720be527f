// Big-endian stores into a byte vector, to damage the format tests' goldens.
#pragma once

#include <cstdint>
#include <vector>

namespace orvane::test {

inline void Put16(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<uint8_t>(value >> 8);
    bytes[at + 1] = static_cast<uint8_t>(value);
}

inline void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    Put16(bytes, at, static_cast<uint16_t>(value >> 16));
    Put16(bytes, at + 2, static_cast<uint16_t>(value));
}

} // namespace orvane::test
