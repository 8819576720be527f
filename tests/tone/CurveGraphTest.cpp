// The curve graph's numbers: 16.16 rounding, where points land, what a painter draws, and
// the decisions of dragging a point.
#include "tone/CurveGraph.h"

#include "tone/ToneReference.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <utility>
#include <vector>

namespace orvane {
namespace {

// The box of the examples: top 10, left 20, bottom 113, right 223 (103 x 203 pixels).
constexpr Rect kBox = {10, 20, 113, 223};

Point At(int h, int v) {
    return {static_cast<int16_t>(v), static_cast<int16_t>(h)};
}

using HV = std::pair<int, int>;
HV Hv(Point p) {
    return {p.h, p.v};
}

CToneInfo Curve(std::initializer_list<std::pair<int, int32_t>> points) {
    CToneInfo curve = testing::TwoPointCurve(kNoPoint, kNoPoint);
    for (const auto& [slot, level] : points)
        curve.levels[slot] = level;
    return curve;
}

// The graph's mappings below pin the ordinary rounding; here what they never reach.
TEST(FixedPointTest, RoundsHalvesUpAndSaturates) {
    EXPECT_EQ(FixRatio(-2, 3), -43691);
    EXPECT_EQ(FixRatio(-1, 0), -INT32_MAX);
    EXPECT_EQ(FixMul(-1, 0x8000), 0);
    EXPECT_EQ(FixMul(IntToFixed(30000), IntToFixed(30000)), INT32_MAX);
    EXPECT_EQ(FixRound(-0x18000), -1);
    EXPECT_EQ(FloatToFixed(-1.5f), -0x18000);
    EXPECT_EQ(FloatToFixed(NAN), 0);
    EXPECT_EQ(FloatToFixed(1e10f), INT32_MAX);
}

TEST(CurveGraphTest, PointsMapIntoTheBoxWithFixedPointRounding) {
    struct Case {
        Rect box;
        int input;
        int32_t level;
        int h, v;
    } cases[] = {
        {kBox, 0, 10000, 21, 11},         {kBox, 100, 0, 221, 111},  {kBox, 50, 5000, 121, 61},
        {kBox, -5, 12000, 21, 11},        {kBox, 150, -7, 221, 111}, {kBox, 1, 9999, 23, 11},
        {{0, 0, 10, 10}, 50, 5000, 5, 5}, // 3.5 goes up
        {{0, 0, 8, 8}, 70, 3000, 4, 4},   // 5 x 0.7 in 16.16 is just below 3.5
    };
    for (const Case& c : cases) {
        EXPECT_EQ(
            Hv(GetNewEditHalfToneGraphPosition(c.box, static_cast<int16_t>(c.input), c.level)),
            HV(c.h, c.v))
            << c.input << " " << c.level;
    }
}

TEST(CurveGraphTest, SplinePixelsFollowAnIndependentSpline) {
    CurvePixels pixels;
    const CToneInfo bent = Curve({{0, 0}, {3, 2900}, {6, 8000}, {9, 9100}, {12, 10000}});
    ASSERT_EQ(GetCurvePixelPositions(kBox, bent, pixels), noErr);
    const testing::NaturalSplineReference reference({0, 20, 50, 80, 100}, {0, 29, 80, 91, 100});
    for (int x = 0; x <= 100; ++x) {
        const double level = std::floor(std::clamp(reference(x), 0.0, 100.0) * 100 + 0.5);
        const double v = 11 + std::floor(100 * (10000 - level) / 10000 + 0.5);
        SCOPED_TRACE(x);
        EXPECT_EQ(pixels[static_cast<size_t>(x)].h, 21 + 2 * x);
        EXPECT_NEAR(pixels[static_cast<size_t>(x)].v, v, 1.0);
    }
    EXPECT_EQ(Hv(pixels[50]), HV(121, 31)); // through the point (50 %, 80 %)

    EXPECT_EQ(GetCurvePixelPositions(kBox, Curve({{6, 5000}}), pixels), paramErr);
}

TEST(CurveGraphTest, SceneShowsTheInksColoursCurvesAndDots) {
    CMYKTone tone;
    SetNewCMYKTone(tone);
    tone.tone[kCyan] = Curve({{0, 0}, {6, 3750}, {12, 10000}});
    for (int ink = kMagenta; ink < kInkCount; ++ink)
        tone.tone[ink] = tone.tone[kCyan];

    CurveGraphScene one = MakeCurveGraphScene(kBox, tone, kYellow, true);
    EXPECT_EQ(one.backgroundColor, kGraphWhite);
    ASSERT_EQ(one.curveCount, 1);
    EXPECT_EQ(one.curves[0].color, kGraphBlack);
    ASSERT_EQ(one.dots.count, 3);
    EXPECT_EQ(Hv(one.dots.centre[1]), HV(121, 74)); // (50 %, 37.5 %)

    tone.sameCurve = 0;
    tone.tone[kYellow] = Curve({{0, 0}, {12, 10000}});
    tone.tone[kBlack] = Curve({{0, 500}}); // too few points to draw
    const CurveGraphScene each = MakeCurveGraphScene(kBox, tone, kYellow, true);
    EXPECT_EQ(each.backgroundColor, (RGBColor{0xFFFF, 0xFFFF, 0xCCCC}));
    ASSERT_EQ(each.curveCount, 3);
    EXPECT_EQ(each.curves[0].color, (RGBColor{0x0000, 0xCCCC, 0xCCCC}));
    EXPECT_EQ(each.curves[1].color, (RGBColor{0xFFFF, 0x0000, 0xFFFF}));
    EXPECT_EQ(each.curves[2].color, (RGBColor{0xFFFF, 0x9999, 0x0000}));
    EXPECT_EQ(each.dots.count, 2); // yellow's

    const CurveGraphScene invalid = MakeCurveGraphScene(kBox, tone, kMagenta, false);
    EXPECT_EQ(invalid.curveCount + invalid.dots.count, 0);
}

TEST(CurveDragTest, ColumnsPickSlots) {
    const int bounds[] = {2, 7, 14, 24, 34, 44, 54, 64, 74, 84, 91, 96};
    for (int slot = 0; slot < 12; ++slot) {
        EXPECT_EQ(GraphSlotForColumn(bounds[slot]), slot);
        EXPECT_EQ(GraphSlotForColumn(bounds[slot] + 1), slot + 1);
    }
    EXPECT_EQ(GraphSlotForColumn(140), 12);
    // 91 %, 92 % and 93 % of the width. 91.5 % is a little less in 16.16 and stays in the
    // 90 % slot; 92.5 % is a little more.
    EXPECT_EQ(GraphSlotForColumn(GraphColumnAt({0, 0, 100, 100}, 91)), 10);
    EXPECT_EQ(GraphSlotForColumn(GraphColumnAt({0, 0, 100, 100}, 92)), 11);
    EXPECT_EQ(GraphColumnAt({0, 0, 100, 200}, 185), 93);
    // Each slot's pixel column.
    const int columns[] = {20, 30, 40, 61, 81, 101, 122, 142, 162, 182, 203, 213, 223};
    for (int slot = 0; slot < kToneSlotCount; ++slot)
        EXPECT_EQ(GraphSlotPixelColumn(kBox, slot), columns[slot]) << slot;
}

TEST(CurveDragTest, ZonesDecideTheValue) {
    // Slot 6 (50 %) at column 122, starting at 37.5 %.
    struct Case {
        int slot, h, v;
        int32_t value;
    } cases[] = {
        {6, 122, 61, 5000},     {6, 162, 61, 5000},      {6, 82, 61, 5000},  // within 40 sideways
        {6, 163, 61, 3750},     {6, 81, 61, 3750},       {6, 202, 61, 3750}, // 41 ... 80: kept
        {6, 203, 61, kNoPoint}, {6, 41, 61, kNoPoint},                       // 81: removed
        {6, 122, -30, 10000},   {6, 122, 152, 0},                            // 40 above, 39 below
        {6, 122, -31, 3750},    {6, 122, 153, 3750},                         // just outside
        {6, 122, -70, 3750},    {6, 122, -71, kNoPoint}, {6, 122, 193, kNoPoint},
        {6, 122, 112, 100},     {6, 122, 10, 10000},    // the box's edges
        {0, 500, 500, 3750},    {12, -300, -300, 3750}, // end points stay
        {12, 223, 40, 7100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.slot << " at " << c.h << "," << c.v);
        EXPECT_EQ(GraphDragValue(kBox, c.slot, 3750, At(c.h, c.v)), c.value);
    }
}

TEST(CurveDragTest, SessionReportsOnlyChangedTexts) {
    const CToneInfo curve = Curve({{0, 0}, {6, 3750}, {12, 10000}});
    CurveDragSession drag(kBox, At(121, 70), curve, ',');
    EXPECT_EQ(drag.slot(), 6);
    EXPECT_TRUE(drag.MoveTo(At(121, 61)));
    EXPECT_EQ(drag.text(), "50");
    EXPECT_FALSE(drag.MoveTo(At(125, 61)));
    EXPECT_TRUE(drag.MoveTo(At(180, 61)));
    EXPECT_EQ(drag.text(), "37,5");
    EXPECT_TRUE(drag.MoveTo(At(300, 61)));
    EXPECT_EQ(drag.value(), kNoPoint);
    EXPECT_EQ(drag.text(), "");
}

} // namespace
} // namespace orvane
