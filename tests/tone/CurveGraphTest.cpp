// The curve graph's numbers: where points land, what a painter draws, and the value a
// dragged point takes.
#include "tone/CurveGraph.h"

#include "tone/ToneReference.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace orvane
