// What the tone tests measure against: an independent double-precision natural spline, the
// single-precision tolerance, and reproducible random curves.
#pragma once

#include "tone/ToneRecords.h"

#include <cfloat>
#include <random>
#include <vector>

namespace orvane::testing {

// In percent: 32 single-precision steps at the top of the 0 ... 100 range (random curves
// stay within about 8).
constexpr double kSplineTolerance = 32 * 100 * static_cast<double>(FLT_EPSILON);

// Solves for the slopes at the knots and evaluates the Hermite form: no formulation shared
// with the code under test. Knots 0-based, xs increasing, at least two.
class NaturalSplineReference {
public:
    NaturalSplineReference(std::vector<double> xs, std::vector<double> ys)
        : xs_(std::move(xs)), ys_(std::move(ys)), slopes_(xs_.size()) {
        const size_t n = xs_.size();
        std::vector<double> lower(n), diag(n), upper(n), rhs(n);
        auto width = [&](size_t i) { return xs_[i + 1] - xs_[i]; };
        auto secant = [&](size_t i) { return (ys_[i + 1] - ys_[i]) / width(i); };
        // Zero second derivative at both ends; continuous second derivative inside.
        diag[0] = 2.0;
        upper[0] = 1.0;
        rhs[0] = 3.0 * secant(0);
        for (size_t i = 1; i + 1 < n; ++i) {
            lower[i] = 1.0 / width(i - 1);
            diag[i] = 2.0 * (1.0 / width(i - 1) + 1.0 / width(i));
            upper[i] = 1.0 / width(i);
            rhs[i] = 3.0 * (secant(i - 1) / width(i - 1) + secant(i) / width(i));
        }
        lower[n - 1] = 1.0;
        diag[n - 1] = 2.0;
        rhs[n - 1] = 3.0 * secant(n - 2);
        for (size_t i = 1; i < n; ++i) { // Thomas algorithm
            const double m = lower[i] / diag[i - 1];
            diag[i] -= m * upper[i - 1];
            rhs[i] -= m * rhs[i - 1];
        }
        slopes_[n - 1] = rhs[n - 1] / diag[n - 1];
        for (size_t i = n - 1; i-- > 0;)
            slopes_[i] = (rhs[i] - upper[i] * slopes_[i + 1]) / diag[i];
    }

    double operator()(double v) const {
        size_t j = 0;
        while (j + 2 < xs_.size() && v > xs_[j + 1])
            ++j;
        const double h = xs_[j + 1] - xs_[j];
        const double t = (v - xs_[j]) / h;
        const double t2 = t * t;
        const double t3 = t2 * t;
        return ys_[j] * (2 * t3 - 3 * t2 + 1) + h * slopes_[j] * (t3 - 2 * t2 + t) +
               ys_[j + 1] * (-2 * t3 + 3 * t2) + h * slopes_[j + 1] * (t3 - t2);
    }

private:
    std::vector<double> xs_, ys_, slopes_;
};

// A curve through the given levels at the 0 % and 100 % slots only.
inline CToneInfo TwoPointCurve(int32_t at0, int32_t at100) {
    CToneInfo tone;
    SetDefaultToneInfo(tone);
    tone.levels[0] = at0;
    tone.levels[kToneSlotCount - 1] = at100;
    return tone;
}

// A valid curve with `points` present slots (2 ... 13): slots 0 and 12 always, the inner
// ones chosen at random, every level uniform in 0 ... 10000.
inline CToneInfo RandomValidCurve(std::mt19937& rng, int points) {
    std::uniform_int_distribution<int32_t> level(0, kMaxLevel);
    std::uniform_int_distribution<int> innerSlot(1, kToneSlotCount - 2);
    const int32_t at0 = level(rng);
    CToneInfo tone = TwoPointCurve(at0, level(rng));
    for (int placed = 2; placed < points;) {
        int32_t& slot = tone.levels[innerSlot(rng)];
        if (slot == kNoPoint) {
            slot = level(rng);
            ++placed;
        }
    }
    return tone;
}

} // namespace orvane::testing
