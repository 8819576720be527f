// 16.16 fixed-point arithmetic with the platform's rounding: the graph's pixel positions,
// the drag's columns and values, and the rounding of spline and gamma levels all go
// through these, so that every front end lands on the same pixels and the same numbers.
#pragma once

#include <cstdint>
#include <limits>

namespace orvane {

// A signed number with 16 integer and 16 fraction bits.
using Fixed = int32_t;

inline constexpr Fixed kFixedOne = 0x10000;

// Results that do not fit are saturated rather than wrapped.
inline constexpr Fixed SaturateFixed(int64_t v) {
    constexpr int64_t kMax = std::numeric_limits<Fixed>::max();
    constexpr int64_t kMin = std::numeric_limits<Fixed>::min();
    return static_cast<Fixed>(v > kMax ? kMax : v < kMin ? kMin : v);
}

// The integer as a 16.16 value (limited to the 16-bit integer part).
inline constexpr Fixed IntToFixed(int32_t v) {
    return SaturateFixed(static_cast<int64_t>(v) * kFixedOne);
}

// The 16.16 value nearest to numer / denom. A zero denominator gives the largest value of
// the numerator's sign. No tie can occur: |denom| < 2^17.
inline constexpr Fixed FixRatio(int16_t numer, int16_t denom) {
    if (denom == 0)
        return numer >= 0 ? std::numeric_limits<Fixed>::max() : -std::numeric_limits<Fixed>::max();
    int64_t n = static_cast<int64_t>(numer) * kFixedOne;
    int64_t d = denom;
    if (d < 0) {
        n = -n;
        d = -d;
    }
    const int64_t q = n >= 0 ? (n + d / 2) / d : -((-n + d / 2) / d);
    return SaturateFixed(q);
}

// The 16.16 product, rounded to the nearest 16.16 value (halves up).
inline constexpr Fixed FixMul(Fixed a, Fixed b) {
    const int64_t product = static_cast<int64_t>(a) * b;
    // Shifting a negative value right is a floor division in C++20.
    return SaturateFixed((product + 0x8000) >> 16);
}

// The integer nearest to the 16.16 value, halves up (so -2.5 gives -2).
inline constexpr int32_t FixRound(Fixed x) {
    return static_cast<int32_t>((static_cast<int64_t>(x) + 0x8000) >> 16);
}

// The 16.16 form of r, truncated toward zero (r x 65536 in single precision); NaN gives 0
// and values beyond the type saturate.
inline Fixed FloatToFixed(float r) {
    const float scaled = r * 65536.0f;
    if (!(scaled == scaled))
        return 0;
    if (scaled >= 2147483648.0f)
        return std::numeric_limits<Fixed>::max();
    if (scaled <= -2147483648.0f)
        return std::numeric_limits<Fixed>::min();
    return static_cast<Fixed>(scaled);
}

} // namespace orvane
