// The numbers derived from a stored curve: its knot table, the levels of a gamma curve, the
// 256-entry transfer table and that table's text.
#include "tone/ToneTables.h"

#include "tone/ToneReference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>

namespace orvane {
namespace {

using testing::kSplineTolerance;
using testing::NaturalSplineReference;
using testing::RandomValidCurve;
using testing::TwoPointCurve;
using TransferTable = std::array<int32_t, kTransferTableSize>;

TEST(KnotTableTest, TakesPresentSlotsInOrderWhateverTheirValue) {
    CToneInfo tone = TwoPointCurve(0, 10000);
    tone.levels[3] = 2000;   // input 20 %
    tone.levels[11] = 12345; // out of range, still present
    tone.gamma = 220;        // not used
    float x[kKnotArraySize], y[kKnotArraySize];
    x[0] = y[0] = -7.0f;
    ASSERT_EQ(MakeTableFromCTone(x, y, tone), 4);
    EXPECT_EQ(std::vector<float>(x, x + 5), (std::vector<float>{-7, 0, 20, 95, 100}));
    EXPECT_EQ(std::vector<float>(y, y + 5), (std::vector<float>{-7, 0, 20, 123.45f, 100}));

    std::fill(std::begin(tone.levels), std::end(tone.levels), kNoPoint);
    EXPECT_EQ(MakeTableFromCTone(x, y, tone), 0);
    std::fill(std::begin(tone.levels), std::end(tone.levels), 5000);
    ASSERT_EQ(MakeTableFromCTone(x, y, tone), kToneSlotCount);
    for (int k = 0; k < kToneSlotCount; ++k)
        EXPECT_EQ(std::make_pair(x[k + 1], y[k + 1]),
                  std::make_pair(static_cast<float>(kToneInputPositions[k]), 50.0f));
}

struct GammaCase {
    int32_t G;
    std::array<int32_t, kToneSlotCount> levels;
};

class GammaTableTest : public ::testing::TestWithParam<GammaCase> {};

TEST_P(GammaTableTest, GivesTheListedLevels) {
    CToneInfo tone = TwoPointCurve(0, 10000);
    ASSERT_EQ(MakeGammaToneInfo(tone, GetParam().G), noErr);
    EXPECT_EQ(int32_t{tone.gamma}, GetParam().G);
    EXPECT_TRUE(
        std::equal(std::begin(tone.levels), std::end(tone.levels), GetParam().levels.begin()));
}

INSTANTIATE_TEST_SUITE_P(
    Values, GammaTableTest,
    ::testing::Values(
        GammaCase{100, {0, 500, 1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 9500, 10000}},
        GammaCase{220, {0, 14, 63, 290, 707, 1332, 2176, 3250, 4563, 6121, 7931, 8933, 10000}},
        GammaCase{45, {0, 2597, 3548, 4847, 5817, 6621, 7320, 7946, 8517, 9045, 9537, 9772, 10000}},
        GammaCase{9999, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 59, 10000}}),
    [](const auto& p) { return "G" + std::to_string(p.param.G); });

TEST(GammaTableTest, EveryValidGammaGivesAMonotoneCurveAndOthersAreRefused) {
    for (int32_t G = kMinGammaValue; G <= kMaxGammaValue; G += 7) {
        CToneInfo tone = TwoPointCurve(0, 10000);
        ASSERT_EQ(MakeGammaToneInfo(tone, G), noErr);
        ASSERT_EQ(int32_t{tone.levels[kToneSlotCount - 1]}, kMaxLevel) << "G = " << G;
        ASSERT_TRUE(std::is_sorted(std::begin(tone.levels), std::end(tone.levels))) << G;
    }
    for (int32_t G : {0, 10000}) {
        CToneInfo tone = TwoPointCurve(0, 10000);
        EXPECT_EQ(MakeGammaToneInfo(tone, G), paramErr) << "G = " << G;
        EXPECT_EQ(int32_t{tone.levels[1]}, kNoPoint) << "G = " << G;
    }
    EXPECT_EQ(GetGammaYPosition(-10.0f, 1.5f), 0.0f); // no real power: 0, not NaN
}

TEST(TransferTableTest, MatchesReferenceSplineWithinRounding) {
    std::mt19937 rng(42);
    for (int trial = 0; trial < 200; ++trial) {
        const CToneInfo tone = RandomValidCurve(rng, 2 + trial % 12);
        std::vector<double> xs, ys;
        for (int k = 0; k < kToneSlotCount; ++k) {
            if (tone.levels[k] != kNoPoint) {
                xs.push_back(kToneInputPositions[k]);
                ys.push_back(tone.levels[k] / 100.0);
            }
        }
        const NaturalSplineReference reference(xs, ys);
        TransferTable table{};
        ASSERT_EQ(MakeTransferTable(tone, table.data()), noErr);
        for (int k = 0; k < kTransferTableSize; ++k) {
            // Entry k samples the input (255 - k) / 255; the level is rounded to hundredths.
            const double input = static_cast<float>((255 - k) * (100.0 / 255.0));
            const double y = std::clamp(reference(input), 0.0, 100.0);
            ASSERT_NEAR(table[static_cast<size_t>(k)], 255.0 * (100.0 - y),
                        0.5 + 255.0 * kSplineTolerance)
                << "trial " << trial << ", k = " << k;
        }
    }
}

// The channel tables in a PPD must not change between builds or machines. The expected
// texts were computed by tests/data/tone/make_transfer_golden.py, an emulation of the
// arithmetic with every single-precision step rounded separately; the irregular curves
// have entries that a fused multiply-add, or a final sum in single instead of double
// precision, would change.
struct GoldenCase {
    const char* name;
    std::array<int32_t, kToneSlotCount> levels;
};

class GoldenTransferTextTest : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenTransferTextTest, MatchesTheExpectedBytes) {
    std::ifstream in(std::string(ORVANE_TEST_DATA_DIR) + "/tone/transfer_" + GetParam().name +
                         ".txt",
                     std::ios::binary);
    const std::string expected(std::istreambuf_iterator<char>(in), {});
    ASSERT_FALSE(expected.empty()) << "missing golden file for " << GetParam().name;
    CToneInfo tone = TwoPointCurve(0, 0);
    std::copy(GetParam().levels.begin(), GetParam().levels.end(), tone.levels);
    TransferTable table{};
    ASSERT_EQ(MakeTransferTable(tone, table.data()), noErr);
    std::vector<char> buffer(kTransferTableTextMaxLength);
    char* end = FormatTransferTableText(buffer.data(), table.data());
    EXPECT_EQ(std::string(buffer.data(), end), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Curves, GoldenTransferTextTest,
    ::testing::Values(
        GoldenCase{"gamma220",
                   {0, 14, 63, 290, 707, 1332, 2176, 3250, 4563, 6121, 7931, 8933, 10000}},
        GoldenCase{"irregular1", {8164, -1, 1275, -1, -1, 7676, -1, -1, -1, -1, 5767, 9420, 4716}},
        GoldenCase{"irregular2", {5965, -1, -1, 9481, -1, 5455, -1, -1, -1, 8099, 175, 3409, 5609}},
        GoldenCase{"irregular3",
                   {9531, 8079, 6013, -1, -1, -1, 1606, 918, 4922, -1, 5607, -1, 734}}),
    [](const auto& p) { return std::string(p.param.name); });

// The goldens pin the layout; the longest number of all in every entry must still fit.
TEST(TransferTableTextTest, TheLongestTextFits) {
    TransferTable table;
    table.fill(std::numeric_limits<int32_t>::min());
    std::vector<char> buffer(kTransferTableTextMaxLength);
    EXPECT_EQ(
        static_cast<size_t>(FormatTransferTableText(buffer.data(), table.data()) - buffer.data()),
        kTransferTableTextMaxLength);
}

} // namespace
} // namespace orvane
