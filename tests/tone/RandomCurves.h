// Reproducible random curves for the property tests.
#pragma once

#include <random>

#include "tone/ToneRecords.h"

namespace orvane::testing {

// A valid curve with `points` present slots (2 ... 13): slots 0 and 12 always, the inner
// ones chosen at random, every level uniform in 0 ... 10000.
inline CToneInfo RandomValidCurve(std::mt19937& rng, int points) {
    CToneInfo tone{};
    for (int32_t& level : tone.levels) {
        level = kNoPoint;
    }
    tone.gamma = kNoGamma;
    std::uniform_int_distribution<int32_t> level(0, kMaxLevel);
    std::uniform_int_distribution<int> innerSlot(1, kToneSlotCount - 2);
    tone.levels[0] = level(rng);
    tone.levels[kToneSlotCount - 1] = level(rng);
    for (int placed = 2; placed < points;) {
        int32_t& slot = tone.levels[innerSlot(rng)];
        if (slot == kNoPoint) {
            slot = level(rng);
            ++placed;
        }
    }
    return tone;
}

// A curve through the given levels at slots 0 and 12 only.
inline CToneInfo TwoPointCurve(int32_t at0, int32_t at100) {
    CToneInfo tone{};
    for (int32_t& level : tone.levels) {
        level = kNoPoint;
    }
    tone.gamma = kNoGamma;
    tone.levels[0] = at0;
    tone.levels[kToneSlotCount - 1] = at100;
    return tone;
}

} // namespace orvane::testing
