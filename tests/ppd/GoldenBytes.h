// Byte comparison with a helpful failure: the first differing offset and a hex dump of
// both sides around it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace orvane::testing {

inline std::string HexAround(const std::string& bytes, size_t at) {
    std::string out;
    const size_t from = at < 16 ? 0 : at - 16;
    const size_t to = std::min(bytes.size(), at + 32);
    char cell[8];
    for (size_t i = from; i < to; ++i) {
        std::snprintf(cell, sizeof cell, i == at ? "[%02X]" : "%02X ",
                      static_cast<unsigned char>(bytes[i]));
        out += cell;
    }
    return out;
}

inline ::testing::AssertionResult SameBytes(const std::string& expected,
                                            const std::string& actual) {
    if (expected == actual)
        return ::testing::AssertionSuccess();
    size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at])
        ++at;
    return ::testing::AssertionFailure()
           << "first difference at offset " << at << " (expected " << expected.size()
           << " bytes, got " << actual.size() << ")\n  expected: " << HexAround(expected, at)
           << "\n  actual:   " << HexAround(actual, at);
}

} // namespace orvane::testing
