// The numbers derived from a stored curve: its knot table, the levels of a gamma curve, the
// 256-entry transfer table and that table's text.
#include "tone/ToneTables.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <clocale>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tone/NaturalSplineReference.h"
#include "tone/RandomCurves.h"

namespace orvane {
namespace {

using testing::NaturalSplineReference;
using testing::RandomValidCurve;
using testing::TwoPointCurve;

// Agreement of the single-precision spline with the double-precision reference, in percent
// (see the spline's tests).
constexpr double kSplineTolerance = 32 * 100 * static_cast<double>(FLT_EPSILON);
// A transfer level is rounded to the nearest hundredth: half a step either way.
constexpr double kLevelRounding = 0.5;

// --- knot table ----------------------------------------------------------------------

TEST(KnotTableTest, EndPointsOnlyGiveTwoKnots) {
    float x[kKnotArraySize];
    float y[kKnotArraySize];
    x[0] = y[0] = -7.0f;
    ASSERT_EQ(MakeTableFromCTone(x, y, TwoPointCurve(1250, 3750)), 2);
    EXPECT_EQ(x[1], 0.0f);
    EXPECT_EQ(x[2], 100.0f);
    EXPECT_EQ(y[1], 12.5f);
    EXPECT_EQ(y[2], 37.5f);
    EXPECT_EQ(x[0], -7.0f) << "element 0 is never written";
    EXPECT_EQ(y[0], -7.0f) << "element 0 is never written";
}

TEST(KnotTableTest, TakesPresentSlotsInOrderWhateverTheirValue) {
    CToneInfo tone = TwoPointCurve(kNoPoint, 10000);
    tone.levels[3] = 2000;   // input 20 %
    tone.levels[11] = 12345; // out of range, still present
    tone.gamma = 220;        // not used
    float x[kKnotArraySize];
    float y[kKnotArraySize];
    ASSERT_EQ(MakeTableFromCTone(x, y, tone), 3);
    EXPECT_EQ(x[1], 20.0f);
    EXPECT_EQ(x[2], 95.0f);
    EXPECT_EQ(x[3], 100.0f);
    EXPECT_EQ(y[1], 20.0f);
    EXPECT_FLOAT_EQ(y[2], 123.45f);
    EXPECT_EQ(y[3], 100.0f);
}

TEST(KnotTableTest, EmptyAndFullCurves) {
    CToneInfo tone{};
    std::fill(std::begin(tone.levels), std::end(tone.levels), kNoPoint);
    float x[kKnotArraySize];
    float y[kKnotArraySize];
    EXPECT_EQ(MakeTableFromCTone(x, y, tone), 0);

    std::fill(std::begin(tone.levels), std::end(tone.levels), 5000);
    ASSERT_EQ(MakeTableFromCTone(x, y, tone), kToneSlotCount);
    for (int k = 0; k < kToneSlotCount; ++k) {
        EXPECT_EQ(x[k + 1], static_cast<float>(kToneInputPositions[k]));
        EXPECT_EQ(y[k + 1], 50.0f);
    }
}

// --- gamma table ---------------------------------------------------------------------

struct GammaCase {
    int32_t G;
    std::array<int32_t, kToneSlotCount> levels;
};

void PrintTo(const GammaCase& gammaCase, std::ostream* os) {
    *os << "G = " << gammaCase.G;
}

class GammaTableTest : public ::testing::TestWithParam<GammaCase> {};

TEST_P(GammaTableTest, GivesTheListedLevels) {
    CToneInfo tone = TwoPointCurve(0, 10000);
    ASSERT_EQ(MakeGammaToneInfo(tone, GetParam().G), noErr);
    EXPECT_EQ(tone.gamma, GetParam().G);
    for (int k = 0; k < kToneSlotCount; ++k) {
        EXPECT_EQ(tone.levels[k], GetParam().levels[static_cast<size_t>(k)]) << "slot " << k;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, GammaTableTest,
    ::testing::Values(
        GammaCase{100, {0, 500, 1000, 2000, 3000, 4000, 5000, 6000, 7000, 8000, 9000, 9500, 10000}},
        GammaCase{220, {0, 14, 63, 290, 707, 1332, 2176, 3250, 4563, 6121, 7931, 8933, 10000}},
        GammaCase{45, {0, 2597, 3548, 4847, 5817, 6621, 7320, 7946, 8517, 9045, 9537, 9772, 10000}},
        GammaCase{1, {0, 9705, 9772, 9840, 9880, 9909, 9931, 9949, 9964, 9978, 9989, 9995, 10000}},
        GammaCase{9999, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 59, 10000}}),
    [](const ::testing::TestParamInfo<GammaCase>& gammaCase) {
        return "G" + std::to_string(gammaCase.param.G);
    });

TEST(GammaTableTest, EveryValidGammaGivesAValidMonotoneCurve) {
    for (int32_t G = kMinGammaValue; G <= kMaxGammaValue; G += 7) {
        CToneInfo tone = TwoPointCurve(0, 10000);
        ASSERT_EQ(MakeGammaToneInfo(tone, G), noErr);
        ASSERT_EQ(tone.levels[0], 0) << "G = " << G;
        ASSERT_EQ(tone.levels[kToneSlotCount - 1], kMaxLevel) << "G = " << G;
        for (int k = 1; k < kToneSlotCount; ++k) {
            ASSERT_LE(tone.levels[k - 1], tone.levels[k]) << "G = " << G << ", slot " << k;
        }
    }
}

TEST(GammaTableTest, RefusesGammaOutsideTheValidRange) {
    for (int32_t G : {0, -1, -100, 10000, 1000000}) {
        CToneInfo tone = TwoPointCurve(0, 10000);
        const CToneInfo before = tone;
        EXPECT_EQ(MakeGammaToneInfo(tone, G), paramErr) << "G = " << G;
        EXPECT_EQ(std::memcmp(&tone, &before, sizeof tone), 0) << "G = " << G;
    }
}

TEST(GammaTableTest, CurveValueIsLimitedToItsRange) {
    EXPECT_EQ(GetGammaYPosition(150.0f, 1.0f), 10000.0f);
    EXPECT_EQ(GetGammaYPosition(-10.0f, 1.5f), 0.0f); // no real power: 0, not NaN
    EXPECT_EQ(GetGammaYPosition(0.0f, 2.2f), 0.0f);
    EXPECT_EQ(GetGammaYPosition(100.0f, 0.01f), 10000.0f);
}

// --- transfer table ------------------------------------------------------------------

using TransferTable = std::array<int32_t, kTransferTableSize>;

// The input of entry k, in percent, as the table samples it.
double TransferInput(int k) {
    return static_cast<float>((255 - k) * (100.0 / 255.0));
}

TEST(TransferTableTest, StraightLineGivesEveryWholeLevel) {
    TransferTable table{};
    ASSERT_EQ(MakeTransferTable(TwoPointCurve(0, 10000), table.data()), noErr);
    for (int k = 0; k < kTransferTableSize; ++k) {
        EXPECT_EQ(table[static_cast<size_t>(k)], 100 * k) << "k = " << k;
    }
}

TEST(TransferTableTest, FlatCurvesGiveConstantTables) {
    TransferTable table{};
    ASSERT_EQ(MakeTransferTable(TwoPointCurve(10000, 10000), table.data()), noErr);
    EXPECT_TRUE(std::all_of(table.begin(), table.end(), [](int32_t v) { return v == 0; }));
    ASSERT_EQ(MakeTransferTable(TwoPointCurve(0, 0), table.data()), noErr);
    EXPECT_TRUE(
        std::all_of(table.begin(), table.end(), [](int32_t v) { return v == kMaxTransferLevel; }));
}

TEST(TransferTableTest, MatchesReferenceSplineWithinRounding) {
    std::mt19937 rng(42);
    for (int trial = 0; trial < 200; ++trial) {
        const int points = 2 + trial % 12;
        const CToneInfo tone = RandomValidCurve(rng, points);
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
            const double y = std::clamp(reference(TransferInput(k)), 0.0, 100.0);
            const double expected = 255.0 * (100.0 - y); // hundredths of 0 ... 255
            ASSERT_NEAR(table[static_cast<size_t>(k)], expected,
                        kLevelRounding + 255.0 * kSplineTolerance)
                << "trial " << trial << ", k = " << k;
        }
    }
}

TEST(TransferTableTest, AnyLevelsStayInRange) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int32_t> anyLevel(std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max());
    for (int trial = 0; trial < 200; ++trial) {
        CToneInfo tone = RandomValidCurve(rng, 2 + trial % 12);
        for (int32_t& level : tone.levels) {
            if (level != kNoPoint) {
                level = anyLevel(rng);
                if (level == kNoPoint) {
                    level = 0;
                }
            }
        }
        TransferTable table{};
        ASSERT_EQ(MakeTransferTable(tone, table.data()), noErr);
        for (int32_t v : table) {
            ASSERT_GE(v, 0);
            ASSERT_LE(v, kMaxTransferLevel);
        }
    }
}

TEST(TransferTableTest, RefusesACurveWithFewerThanTwoPoints) {
    CToneInfo tone = TwoPointCurve(0, kNoPoint);
    TransferTable table;
    table.fill(-5);
    EXPECT_EQ(MakeTransferTable(tone, table.data()), paramErr);
    EXPECT_EQ(table[0], -5);
}

// --- golden table texts --------------------------------------------------------------

// The channel tables in a PPD must not change between builds or machines. The expected
// texts were computed by tests/data/tone/make_transfer_golden.py, an emulation of the
// arithmetic with every single-precision step rounded separately; the irregular curves
// have entries that a fused multiply-add, or a final sum in single instead of double
// precision, would change.
struct GoldenCase {
    const char* name;
    std::array<int32_t, kToneSlotCount> levels;
};

std::string ReadDataFile(const std::string& relative) {
    std::ifstream in(std::string(ORVANE_TEST_DATA_DIR) + "/" + relative, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// The first differing offset and the bytes around it on both sides.
std::string DescribeDifference(const std::string& expected, const std::string& actual) {
    size_t offset = 0;
    while (offset < expected.size() && offset < actual.size() &&
           expected[offset] == actual[offset]) {
        ++offset;
    }
    auto window = [offset](const std::string& text) {
        const size_t from = offset < 16 ? 0 : offset - 16;
        std::ostringstream hex;
        for (size_t i = from; i < std::min(text.size(), offset + 16); ++i) {
            hex << (i == offset ? "[" : "") << std::hex << static_cast<int>(text[i] & 0xff)
                << (i == offset ? "]" : "") << ' ';
        }
        return hex.str();
    };
    std::ostringstream out;
    out << "first difference at offset " << offset << " (sizes " << expected.size() << " and "
        << actual.size() << ")\n  expected: " << window(expected)
        << "\n  actual:   " << window(actual);
    return out.str();
}

void PrintTo(const GoldenCase& golden, std::ostream* os) {
    *os << golden.name;
}

class GoldenTransferTextTest : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenTransferTextTest, MatchesTheExpectedBytes) {
    const std::string expected =
        ReadDataFile(std::string("tone/transfer_") + GetParam().name + ".txt");
    ASSERT_FALSE(expected.empty()) << "missing golden file for " << GetParam().name;

    CToneInfo tone{};
    std::copy(GetParam().levels.begin(), GetParam().levels.end(), tone.levels);
    tone.gamma = kNoGamma;
    TransferTable table{};
    ASSERT_EQ(MakeTransferTable(tone, table.data()), noErr);
    std::vector<char> buffer(kTransferTableTextMaxLength);
    const char* end = FormatTransferTableText(buffer.data(), table.data());
    const std::string actual(buffer.data(), static_cast<size_t>(end - buffer.data()));
    EXPECT_TRUE(actual == expected) << DescribeDifference(expected, actual);
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
    [](const ::testing::TestParamInfo<GoldenCase>& golden) { return golden.param.name; });

// --- number text ---------------------------------------------------------------------

struct NumberCase {
    int32_t v;
    const char* text;
};

void PrintTo(const NumberCase& number, std::ostream* os) {
    *os << number.v;
}

class TransferNumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(TransferNumberTest, WritesHundredthsWithoutTrailingZeros) {
    std::string text = "<";
    AppendTransferNumber(text, GetParam().v);
    EXPECT_EQ(text, std::string("<") + GetParam().text);

    char buffer[kTransferNumberMaxLength + 1];
    std::memset(buffer, '#', sizeof buffer);
    const char* end = FormatTransferNumber(buffer, GetParam().v);
    EXPECT_EQ(std::string(buffer, static_cast<size_t>(end - buffer)), GetParam().text);
    EXPECT_LE(static_cast<size_t>(end - buffer), kTransferNumberMaxLength);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, TransferNumberTest,
    ::testing::Values(NumberCase{25500, "255"}, NumberCase{12750, "127.5"},
                      NumberCase{12345, "123.45"}, NumberCase{100, "1"}, NumberCase{50, "0.5"},
                      NumberCase{5, "0.05"}, NumberCase{0, "0"}, NumberCase{1000, "10"},
                      NumberCase{1001, "10.01"}, NumberCase{-5, "-0.05"},
                      NumberCase{std::numeric_limits<int32_t>::min(), "-21474836.48"},
                      NumberCase{std::numeric_limits<int32_t>::max(), "21474836.47"}));

TEST(TransferNumberTest, PointDoesNotFollowTheLocale) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    bool switched = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
        if (std::setlocale(LC_ALL, name) != nullptr) {
            switched = true;
            break;
        }
    }
    if (!switched) {
        GTEST_SKIP() << "no locale with a comma decimal separator is installed";
    }
    std::string text;
    AppendTransferNumber(text, 12750);
    std::setlocale(LC_ALL, saved.c_str());
    EXPECT_EQ(text, "127.5");
}

TEST(TransferTableTextTest, TenNumbersALineAndSixTabEndedAtTheEnd) {
    TransferTable table{};
    ASSERT_EQ(MakeTransferTable(TwoPointCurve(0, 10000), table.data()), noErr);
    std::vector<char> buffer(kTransferTableTextMaxLength);
    const char* end = FormatTransferTableText(buffer.data(), table.data());
    const std::string text(buffer.data(), static_cast<size_t>(end - buffer.data()));

    const std::string head = "0\t1\t2\t3\t4\t5\t6\t7\t8\t9\n10\t11\t";
    EXPECT_EQ(text.substr(0, head.size()), head);
    const std::string tail = "249\n250\t251\t252\t253\t254\t255\t";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 25);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\t'), 256 - 25);
}

TEST(TransferTableTextTest, LongestNumbersFitTheBuffer) {
    TransferTable table;
    table.fill(std::numeric_limits<int32_t>::min());
    std::vector<char> buffer(kTransferTableTextMaxLength);
    const char* end = FormatTransferTableText(buffer.data(), table.data());
    EXPECT_EQ(static_cast<size_t>(end - buffer.data()), kTransferTableTextMaxLength);
}

} // namespace
} // namespace orvane
