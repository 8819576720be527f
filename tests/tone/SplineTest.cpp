// The natural spline through a curve's points: it matches a double-precision reference
// within single-precision rounding, stays within 0 ... 100, gives the same numbers in batch
// form, and never reads outside the arrays it is given.
#include "tone/Spline.h"

#include "tone/ToneReference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace orvane {
namespace {

using testing::kSplineTolerance;
using testing::NaturalSplineReference;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// 1-based knot arrays sized exactly n + 1, so that a read past x[n] is caught by the
// address sanitizer; -999 marks what was never written.
struct Knots {
    explicit Knots(const std::vector<std::pair<float, float>>& points)
        : n(static_cast<int16_t>(points.size())), x(points.size() + 1, -999.0f),
          y(points.size() + 1, -999.0f), p(points.size() + 1, -999.0f) {
        for (size_t i = 0; i < points.size(); ++i)
            std::tie(x[i + 1], y[i + 1]) = points[i];
    }
    OSErr Build() { return MakeSpline(n, x.data(), y.data(), p.data()); }
    float operator()(float v) const {
        return GetSplineYPosition(n, x.data(), y.data(), p.data(), v);
    }
    NaturalSplineReference Reference() const {
        return {{x.begin() + 1, x.end()}, {y.begin() + 1, y.end()}};
    }
    int16_t n;
    std::vector<float> x, y, p;
};

double Limited(double r) {
    return std::clamp(r, 0.0, 100.0);
}

// Random valid knots: inputs a subset of the curve's slot positions including 0 and 100,
// outputs in hundredths of a percent as a stored curve gives them.
Knots RandomKnots(std::mt19937& rng, int count) {
    std::vector<int> inner(std::begin(kToneInputPositions) + 1, std::end(kToneInputPositions) - 1);
    std::shuffle(inner.begin(), inner.end(), rng);
    inner.resize(static_cast<size_t>(count - 2));
    inner.insert(inner.end(), {0, 100});
    std::sort(inner.begin(), inner.end());
    std::vector<std::pair<float, float>> points;
    for (int position : inner)
        points.emplace_back(static_cast<float>(position),
                            static_cast<float>(std::uniform_int_distribution(0, 10000)(rng)) /
                                100.0f);
    return Knots(points);
}

class RandomCurveTest : public ::testing::TestWithParam<int> {};

TEST_P(RandomCurveTest, MatchesDoublePrecisionNaturalSpline) {
    std::mt19937 rng(2000 + GetParam());
    for (int trial = 0; trial < 50; ++trial) {
        Knots curve = RandomKnots(rng, GetParam());
        ASSERT_EQ(curve.Build(), noErr);
        const NaturalSplineReference reference = curve.Reference();
        for (int step = 0; step <= 400; ++step) { // the knots among them
            const float v = static_cast<float>(step) / 4.0f;
            ASSERT_NEAR(curve(v), Limited(reference(v)), kSplineTolerance)
                << "trial " << trial << ", v = " << v;
        }
    }
}

// The batch form gives bit for bit the numbers of the single evaluation, in any input order,
// at the knots, beside them and outside them.
TEST_P(RandomCurveTest, BatchEvaluationGivesTheSameNumbers) {
    std::mt19937 rng(3000 + GetParam());
    for (int trial = 0; trial < 20; ++trial) {
        Knots curve = RandomKnots(rng, GetParam());
        ASSERT_EQ(curve.Build(), noErr);
        std::vector<float> inputs = {-3.0f, 150.0f, kNaN};
        for (int i = 1; i <= curve.n; ++i)
            inputs.insert(inputs.end(), {curve.x[i], std::nextafter(curve.x[i], 200.0f),
                                         std::nextafter(curve.x[i], -200.0f)});
        for (int step = 0; step <= 255; ++step)
            inputs.push_back(static_cast<float>(step) * (100.0f / 255.0f));
        std::shuffle(inputs.begin(), inputs.end(), rng);
        std::vector<float> batch(inputs.size());
        GetSplineYPositions(curve.n, curve.x.data(), curve.y.data(), curve.p.data(), inputs.data(),
                            batch.data(), static_cast<int>(inputs.size()));
        for (size_t k = 0; k < inputs.size(); ++k) {
            const float single = curve(inputs[k]);
            ASSERT_EQ(std::memcmp(&batch[k], &single, sizeof single), 0)
                << "trial " << trial << ", v = " << inputs[k] << ": " << batch[k]
                << " != " << single;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(PointCounts, RandomCurveTest, ::testing::Range(2, 14),
                         [](const auto& p) { return std::to_string(p.param) + "_points"; });

TEST(SplineTest, PointCountsAtAndPastTheWorkingSpace) {
    std::vector<std::pair<float, float>> points;
    for (int i = 0; i < kMaxSplinePoints; ++i)
        points.emplace_back(static_cast<float>(i), 50.0f + 40.0f * std::sin(0.3f * i));
    Knots largest(points);
    ASSERT_EQ(largest.Build(), noErr);
    const NaturalSplineReference reference = largest.Reference();
    for (float v = 0.0f; v <= kMaxSplinePoints - 1; v += 0.5f)
        ASSERT_NEAR(largest(v), Limited(reference(v)), kSplineTolerance) << "v = " << v;

    points.emplace_back(static_cast<float>(kMaxSplinePoints), 0.0f);
    Knots tooMany(points);
    EXPECT_EQ(tooMany.Build(), paramErr);
    EXPECT_EQ(tooMany.p[1], -999.0f) << "a refused call must write nothing";

    Knots single({{40.0f, 25.0f}});
    EXPECT_EQ(single.Build(), noErr);
    EXPECT_EQ(single(100.0f), 25.0f);
    Knots none({});
    EXPECT_EQ(none.Build(), paramErr);
    EXPECT_EQ(none(50.0f), 0.0f);
}

// A narrow spike between wide intervals: the spline dips far below 0 after it and, just
// before its top, slightly above 100; the mirrored curve rises far above 100. Inputs
// outside the knots, infinite or NaN stay in range too.
TEST(SplineTest, OvershootIsCutToExactlyTheRangeLimits) {
    int above = 0, below = 0;
    for (float top : {100.0f, 0.0f}) {
        const float bottom = 100.0f - top;
        Knots curve({{0.0f, bottom}, {5.0f, top}, {10.0f, bottom}, {100.0f, top}});
        ASSERT_EQ(curve.Build(), noErr);
        const NaturalSplineReference reference = curve.Reference();
        for (int step = 0; step <= 10000; ++step) {
            const float v = static_cast<float>(step) / 100.0f;
            const double unlimited = reference(v);
            const float r = curve(v);
            if (unlimited > 100.0 + kSplineTolerance) {
                ASSERT_EQ(r, 100.0f) << "top " << top << ", v = " << v;
                ++above;
            } else if (unlimited < -kSplineTolerance) {
                ASSERT_EQ(r, 0.0f) << "top " << top << ", v = " << v;
                ++below;
            } else {
                ASSERT_NEAR(r, Limited(unlimited), kSplineTolerance) << top << ", v = " << v;
            }
        }
        for (float v : {-1e30f, -5.0f, 100.5f, 1e30f, kInf, -kInf, kNaN}) {
            EXPECT_GE(curve(v), 0.0f) << "v = " << v;
            EXPECT_LE(curve(v), 100.0f) << "v = " << v;
        }
    }
    // The curves really leave the range on both sides, or the test proves nothing.
    EXPECT_GT(above, 1000);
    EXPECT_GT(below, 1000);
}

} // namespace
} // namespace orvane
