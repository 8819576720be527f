// The natural spline through a curve's points: it interpolates, matches a double-precision
// reference within single-precision rounding, stays within 0 ... 100, and never reads
// outside the arrays it is given.
#include "tone/Spline.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tone/NaturalSplineReference.h"

namespace orvane {
namespace {

using testing::NaturalSplineReference;

// Agreement between the single-precision spline and the double-precision reference, in
// percent: 32 single-precision steps at the top of the 0 ... 100 range (random valid curves
// stay within about 8), room for the rounding of the solver and of the evaluation.
constexpr double kSplineTolerance = 32 * 100 * static_cast<double>(FLT_EPSILON);

// 1-based knot arrays sized exactly n + 1, so that a read past x[n] is caught by the
// address sanitizer.
struct Knots {
    explicit Knots(const std::vector<std::pair<float, float>>& points)
        : n(static_cast<int16_t>(points.size())), x(points.size() + 1, -999.0f),
          y(points.size() + 1, -999.0f), p(points.size() + 1, -999.0f) {
        for (size_t i = 0; i < points.size(); ++i) {
            x[i + 1] = points[i].first;
            y[i + 1] = points[i].second;
        }
    }
    OSErr Build() { return MakeSpline(n, x.data(), y.data(), p.data()); }
    float operator()(float v) const {
        return GetSplineYPosition(n, x.data(), y.data(), p.data(), v);
    }
    NaturalSplineReference Reference() const {
        return NaturalSplineReference(std::vector<double>(x.begin() + 1, x.end()),
                                      std::vector<double>(y.begin() + 1, y.end()));
    }

    int16_t n;
    std::vector<float> x;
    std::vector<float> y;
    std::vector<float> p;
};

double Limited(double r) {
    return std::min(std::max(r, 0.0), 100.0);
}

// Random valid knots: inputs a subset of the curve's slot positions including 0 and 100,
// outputs in hundredths of a percent as a stored curve gives them.
std::vector<std::pair<float, float>> RandomKnots(std::mt19937& rng, int count) {
    static constexpr int kPositions[] = {0, 5, 10, 20, 30, 40, 50, 60, 70, 80, 90, 95, 100};
    std::vector<int> inner(std::begin(kPositions) + 1, std::end(kPositions) - 1);
    std::shuffle(inner.begin(), inner.end(), rng);
    inner.resize(static_cast<size_t>(count - 2));
    inner.push_back(0);
    inner.push_back(100);
    std::sort(inner.begin(), inner.end());
    std::uniform_int_distribution<int> level(0, 10000);
    std::vector<std::pair<float, float>> points;
    for (int position : inner) {
        points.emplace_back(static_cast<float>(position), static_cast<float>(level(rng)) / 100.0f);
    }
    return points;
}

TEST(SplineTest, StraightLineEvaluatesToItsInput) {
    Knots line({{0.0f, 0.0f}, {100.0f, 100.0f}});
    ASSERT_EQ(line.Build(), noErr);
    EXPECT_EQ(line(0.0f), 0.0f);
    EXPECT_EQ(line(100.0f), 100.0f);
    for (float v = 0.0f; v <= 100.0f; v += 0.25f) {
        EXPECT_NEAR(line(v), v, kSplineTolerance) << "v = " << v;
    }
}

TEST(SplineTest, BulgesAboveTheChordsAroundARaisedMidpoint) {
    Knots curve({{0.0f, 0.0f}, {50.0f, 80.0f}, {100.0f, 100.0f}});
    ASSERT_EQ(curve.Build(), noErr);
    EXPECT_NEAR(curve(50.0f), 80.0f, kSplineTolerance);
    for (float v = 1.0f; v < 50.0f; v += 1.0f) {
        EXPECT_GT(curve(v), 1.6f * v) << "v = " << v;
    }
    for (float v = 51.0f; v < 100.0f; v += 1.0f) {
        const float r = curve(v);
        EXPECT_GT(r, 80.0f + 0.4f * (v - 50.0f)) << "v = " << v;
        EXPECT_LE(r, 100.0f);
    }
}

class RandomCurveTest : public ::testing::TestWithParam<int> {};

TEST_P(RandomCurveTest, PassesThroughEveryKnot) {
    std::mt19937 rng(1000 + GetParam());
    for (int trial = 0; trial < 50; ++trial) {
        Knots curve(RandomKnots(rng, GetParam()));
        ASSERT_EQ(curve.Build(), noErr);
        for (int i = 1; i <= curve.n; ++i) {
            EXPECT_NEAR(curve(curve.x[i]), curve.y[i], kSplineTolerance)
                << "trial " << trial << ", knot " << i;
        }
    }
}

TEST_P(RandomCurveTest, MatchesDoublePrecisionNaturalSpline) {
    std::mt19937 rng(2000 + GetParam());
    for (int trial = 0; trial < 50; ++trial) {
        Knots curve(RandomKnots(rng, GetParam()));
        ASSERT_EQ(curve.Build(), noErr);
        const NaturalSplineReference reference = curve.Reference();
        for (int step = 0; step <= 400; ++step) {
            const float v = static_cast<float>(step) / 4.0f;
            const float r = curve(v);
            ASSERT_GE(r, 0.0f);
            ASSERT_LE(r, 100.0f);
            ASSERT_NEAR(r, Limited(reference(v)), kSplineTolerance)
                << "trial " << trial << ", v = " << v;
        }
    }
}

TEST(SplineTest, LargestPointCountMatchesReference) {
    std::vector<std::pair<float, float>> points;
    for (int i = 0; i < kMaxSplinePoints; ++i) {
        points.emplace_back(static_cast<float>(i), 50.0f + 40.0f * std::sin(0.3f * i));
    }
    Knots curve(points);
    ASSERT_EQ(curve.Build(), noErr);
    const NaturalSplineReference reference = curve.Reference();
    for (float v = 0.0f; v <= kMaxSplinePoints - 1; v += 0.5f) {
        ASSERT_NEAR(curve(v), Limited(reference(v)), kSplineTolerance) << "v = " << v;
    }
}

TEST(SplineTest, RefusesMorePointsThanItsWorkingSpace) {
    std::vector<std::pair<float, float>> points;
    for (int i = 0; i <= kMaxSplinePoints; ++i) {
        points.emplace_back(static_cast<float>(i), 0.0f);
    }
    Knots curve(points);
    EXPECT_EQ(curve.Build(), paramErr);
    EXPECT_EQ(curve.p[1], -999.0f) << "a refused call must write nothing";
}

// A narrow spike between wide intervals: the spline dips far below 0 after it and, just
// before its top, slightly above 100; the mirrored curve rises far above 100.
TEST(SplineTest, OvershootIsCutToExactlyTheRangeLimits) {
    int above = 0;
    int below = 0;
    for (float top : {100.0f, 0.0f}) {
        const float bottom = 100.0f - top;
        Knots curve({{0.0f, bottom}, {5.0f, top}, {10.0f, bottom}, {100.0f, top}});
        ASSERT_EQ(curve.Build(), noErr);
        const NaturalSplineReference reference = curve.Reference();
        for (int step = 0; step <= 10000; ++step) {
            const float v = static_cast<float>(step) / 100.0f;
            const double unlimited = reference(v);
            const float r = curve(v);
            // Beyond the range by more than the rounding, the result must be the limit itself.
            if (unlimited > 100.0 + kSplineTolerance) {
                ASSERT_EQ(r, 100.0f) << "top " << top << ", v = " << v;
                ++above;
            } else if (unlimited < -kSplineTolerance) {
                ASSERT_EQ(r, 0.0f) << "top " << top << ", v = " << v;
                ++below;
            } else {
                ASSERT_NEAR(r, Limited(unlimited), kSplineTolerance)
                    << "top " << top << ", v = " << v;
            }
        }
    }
    // The curves really leave the range on both sides, or the test proves nothing.
    EXPECT_GT(above, 1000);
    EXPECT_GT(below, 1000);
}

TEST(SplineTest, InputsOutsideTheKnotsStayInRangeAndInBounds) {
    Knots curve({{0.0f, 10.0f}, {30.0f, 70.0f}, {100.0f, 90.0f}});
    ASSERT_EQ(curve.Build(), noErr);
    EXPECT_NEAR(curve(100.0001f), 90.0f, 0.01f);
    for (float v :
         {-1e30f, -5.0f, 100.5f, 150.0f, 1e30f, std::numeric_limits<float>::infinity(),
          -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()}) {
        const float r = curve(v);
        EXPECT_GE(r, 0.0f) << "v = " << v;
        EXPECT_LE(r, 100.0f) << "v = " << v;
    }
}

TEST(SplineTest, FewerThanTwoPointsReadOnlyWhatIsThere) {
    Knots single({{40.0f, 25.0f}});
    EXPECT_EQ(single.Build(), noErr);
    EXPECT_EQ(single.p[1], 0.0f);
    EXPECT_EQ(single(0.0f), 25.0f);
    EXPECT_EQ(single(100.0f), 25.0f);

    Knots none(std::vector<std::pair<float, float>>{});
    EXPECT_EQ(none.Build(), paramErr);
    EXPECT_EQ(none.p[0], -999.0f);
    EXPECT_EQ(none(50.0f), 0.0f);

    const float inputs[] = {0.0f, 50.0f};
    float outputs[2];
    GetSplineYPositions(single.n, single.x.data(), single.y.data(), single.p.data(), inputs,
                        outputs, 2);
    EXPECT_EQ(outputs[0], 25.0f);
    EXPECT_EQ(outputs[1], 25.0f);
}

// The batch form must give bit for bit the numbers of the single evaluation, in any input
// order, at the knots themselves and outside the knots.
TEST_P(RandomCurveTest, BatchEvaluationGivesTheSameNumbers) {
    std::mt19937 rng(3000 + GetParam());
    for (int trial = 0; trial < 20; ++trial) {
        Knots curve(RandomKnots(rng, GetParam()));
        ASSERT_EQ(curve.Build(), noErr);
        std::vector<float> inputs = {-3.0f, 150.0f, std::numeric_limits<float>::quiet_NaN()};
        for (int i = 1; i <= curve.n; ++i) {
            inputs.push_back(curve.x[i]);
            inputs.push_back(std::nextafter(curve.x[i], 200.0f));
            inputs.push_back(std::nextafter(curve.x[i], -200.0f));
        }
        for (int step = 0; step <= 255; ++step) {
            inputs.push_back(static_cast<float>(step) * (100.0f / 255.0f));
        }
        std::sort(inputs.begin() + 3, inputs.end());
        std::vector<std::vector<float>> orders = {inputs, {inputs.rbegin(), inputs.rend()}};
        std::shuffle(inputs.begin(), inputs.end(), rng);
        orders.push_back(inputs);
        for (const std::vector<float>& order : orders) {
            std::vector<float> batch(order.size());
            GetSplineYPositions(curve.n, curve.x.data(), curve.y.data(), curve.p.data(),
                                order.data(), batch.data(), static_cast<int>(order.size()));
            for (size_t k = 0; k < order.size(); ++k) {
                const float single = curve(order[k]);
                ASSERT_EQ(std::memcmp(&batch[k], &single, sizeof single), 0)
                    << "trial " << trial << ", v = " << order[k] << ": " << batch[k]
                    << " != " << single;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(PointCounts, RandomCurveTest, ::testing::Range(2, 14));

// The spline's results must not change with the target's instruction set: the build keeps
// every float operation separately rounded. (1 + 2^-12)^2 - (1 + 2^-11) is 0 when the
// product is rounded first and 2^-24 when it is fused into a multiply-add.
TEST(SplineTest, BuildDoesNotFuseMultiplyAdd) {
    volatile float factor = 1.0f + 0x1p-12f;
    volatile float offset = 1.0f + 0x1p-11f;
    const float a = factor;
    const float c = offset;
    EXPECT_EQ(a * a - c, 0.0f);
}

} // namespace
} // namespace orvane
