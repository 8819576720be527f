// Golden-byte comparison for the format tests: on a mismatch the failure names the first
// differing offset and shows both sides around it as hex. Put16/Put32 damage goldens.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace orvane::test {

inline std::string HexAround(std::span<const uint8_t> bytes, size_t at) {
    const size_t from = at < 16 ? 0 : (at - 16) & ~size_t{15};
    const size_t to = std::min(bytes.size(), from + 48);
    std::string text;
    char cell[32];
    for (size_t i = from; i < to; ++i) {
        if ((i - from) % 16 == 0) {
            std::snprintf(cell, sizeof cell, "\n  %06zx:", i);
            text += cell;
        }
        std::snprintf(cell, sizeof cell, i == at ? " [%02x]" : " %02x", bytes[i]);
        text += cell;
    }
    return text;
}

inline ::testing::AssertionResult BytesEqual(std::span<const uint8_t> expected,
                                             std::span<const uint8_t> actual) {
    const size_t common = std::min(expected.size(), actual.size());
    size_t at = 0;
    while (at < common && expected[at] == actual[at])
        ++at;
    if (at == common && expected.size() == actual.size())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "first difference at offset " << at << " (0x" << std::hex << at << std::dec
           << "); expected " << expected.size() << " bytes, got " << actual.size()
           << "\nexpected:" << HexAround(expected, at) << "\nactual:" << HexAround(actual, at);
}

inline void Put16(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<uint8_t>(value >> 8);
    bytes[at + 1] = static_cast<uint8_t>(value);
}

inline void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    Put16(bytes, at, static_cast<uint16_t>(value >> 16));
    Put16(bytes, at + 2, static_cast<uint16_t>(value));
}

} // namespace orvane::test
