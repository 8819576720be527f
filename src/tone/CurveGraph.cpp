#include "tone/CurveGraph.h"

#include "support/NumberText.h"
#include "tone/Spline.h"
#include "tone/ToneTables.h"

#include <utility>

namespace orvane {

namespace {

// The last column of each slot but the last: a press in column m picks the first slot
// whose bound is at least m.
constexpr int32_t kSlotColumnBounds[kToneSlotCount - 1] = {2,  7,  14, 24, 34, 44,
                                                           54, 64, 74, 84, 91, 96};

// Each slot's pixel column as a 16.16 fraction of the box's width.
constexpr Fixed kSlotColumnFractions[kToneSlotCount] = {
    0, 3276, 6553, 13107, 19660, 26214, 32768, 39321, 45875, 52428, 58982, 62259, 65536};

constexpr RGBColor kBackgroundTints[kInkCount] = {{0xCCCC, 0xFFFF, 0xFFFF},
                                                  {0xFFFF, 0xCCCC, 0xFFFF},
                                                  {0xFFFF, 0xFFFF, 0xCCCC},
                                                  {0xCCCC, 0xCCCC, 0xCCCC}};
constexpr RGBColor kCurveColors[kInkCount] = {
    {0x0000, 0xCCCC, 0xCCCC}, {0xFFFF, 0x0000, 0xFFFF}, {0xFFFF, 0x9999, 0x0000}, kGraphBlack};

int16_t ToPixel(int32_t v) {
    return static_cast<int16_t>(RestrictWithinRange(v, INT16_MIN, INT16_MAX));
}

// [span x numer / denom] in 16.16, the way every scaling of the graph rounds.
int32_t ScaleRound(int32_t span, int32_t numer, int32_t denom) {
    return FixRound(FixMul(FixRatio(ToPixel(numer), ToPixel(denom)), IntToFixed(span)));
}

Ink InkAt(int ink) {
    return static_cast<Ink>(RestrictWithinRange(ink, kCyan, kBlack));
}

} // namespace

bool PtInRect(Point p, const Rect& r) {
    return p.v >= r.top && p.v < r.bottom && p.h >= r.left && p.h < r.right;
}

Rect GrowRect(const Rect& r, int16_t by) {
    return {ToPixel(r.top - by), ToPixel(r.left - by), ToPixel(r.bottom + by),
            ToPixel(r.right + by)};
}

Point GetNewEditHalfToneGraphPosition(const Rect& graphBox, int16_t input, int32_t level) {
    const int32_t x = RestrictWithinRange(input, 0, 100);
    const int32_t y = RestrictWithinRange(level, 0, kMaxLevel);
    const int32_t width = graphBox.right - graphBox.left - 3;
    const int32_t height = graphBox.bottom - graphBox.top - 3;
    Point p;
    p.h = ToPixel(graphBox.left + 1 + ScaleRound(width, x, 100));
    p.v = ToPixel(graphBox.top + 1 + ScaleRound(height, kMaxLevel - y, kMaxLevel));
    return p;
}

std::array<GraphLine, kGridLineCount> GetGraphGridLines(const Rect& graphBox) {
    std::array<GraphLine, kGridLineCount> lines{};
    size_t n = 0;
    for (int16_t x = 10; x <= 90; x += 10)
        lines[n++] = {GetNewEditHalfToneGraphPosition(graphBox, x, 0),
                      GetNewEditHalfToneGraphPosition(graphBox, x, kMaxLevel)};
    for (int32_t y = 1000; y <= 9000; y += 1000)
        lines[n++] = {GetNewEditHalfToneGraphPosition(graphBox, 0, y),
                      GetNewEditHalfToneGraphPosition(graphBox, 100, y)};
    const Point p = GetNewEditHalfToneGraphPosition(graphBox, 0, kMaxLevel);
    const Point q = GetNewEditHalfToneGraphPosition(graphBox, 100, 0);
    const Point pq = {q.v, p.h}; // bottom left
    const Point qp = {p.v, q.h}; // top right
    lines[n++] = {p, pq};
    lines[n++] = {pq, q};
    lines[n++] = {q, qp};
    lines[n++] = {qp, p};
    return lines;
}

OSErr GetCurvePixelPositions(const Rect& graphBox, const CToneInfo& curve, CurvePixels& out) {
    float x[kKnotArraySize];
    float y[kKnotArraySize];
    float p[kKnotArraySize];
    const int16_t n = MakeTableFromCTone(x, y, curve);
    if (n < 2)
        return paramErr;
    MakeSpline(n, x, y, p);
    float inputs[kGraphSampleCount];
    float outputs[kGraphSampleCount];
    for (int i = 0; i < kGraphSampleCount; ++i)
        inputs[i] = static_cast<float>(i);
    GetSplineYPositions(n, x, y, p, inputs, outputs, kGraphSampleCount);
    for (int i = 0; i < kGraphSampleCount; ++i) {
        // Percent to hundredths, rounded through 16.16 like the stored levels.
        const int32_t level = FixRound(FloatToFixed(outputs[i] * 100.0f));
        out[static_cast<size_t>(i)] =
            GetNewEditHalfToneGraphPosition(graphBox, static_cast<int16_t>(i), level);
    }
    return noErr;
}

CurveDots GetCurveDotPositions(const Rect& graphBox, const CToneInfo& curve) {
    CurveDots dots;
    for (int k = 0; k < kToneSlotCount; ++k) {
        if (curve.levels[k] == kNoPoint)
            continue;
        dots.centre[static_cast<size_t>(dots.count++)] = GetNewEditHalfToneGraphPosition(
            graphBox, static_cast<int16_t>(kToneInputPositions[k]), curve.levels[k]);
    }
    return dots;
}

RGBColor GraphBackgroundColor(bool allInks, Ink shown) {
    return allInks ? kGraphWhite : kBackgroundTints[InkAt(shown)];
}

RGBColor GraphCurveColor(Ink ink) {
    return kCurveColors[InkAt(ink)];
}

Ink GraphShownInk(const CMYKTone& tone, Ink selected) {
    return tone.sameCurve ? kCyan : InkAt(selected);
}

CurveGraphScene MakeCurveGraphScene(const Rect& graphBox, const CMYKTone& tone, Ink selected,
                                    bool valid) {
    CurveGraphScene scene;
    const bool allInks = tone.sameCurve != 0;
    const Ink shown = GraphShownInk(tone, selected);
    const Point p = GetNewEditHalfToneGraphPosition(graphBox, 0, kMaxLevel);
    const Point q = GetNewEditHalfToneGraphPosition(graphBox, 100, 0);
    scene.background = {p.v, p.h, q.v, q.h};
    scene.backgroundColor = GraphBackgroundColor(allInks, shown);
    scene.valid = valid;
    scene.gridColor = valid ? kGraphBlack : kGraphDimGridColor;
    scene.grid = GetGraphGridLines(graphBox);
    if (!valid)
        return scene;
    const int inks = allInks ? 1 : kInkCount;
    for (int ink = 0; ink < inks; ++ink) {
        CurveGraphScene::Curve& curve = scene.curves[static_cast<size_t>(scene.curveCount)];
        if (GetCurvePixelPositions(graphBox, tone.tone[ink], curve.pixels) != noErr)
            continue;
        curve.ink = InkAt(ink);
        curve.color = allInks ? kGraphBlack : GraphCurveColor(curve.ink);
        ++scene.curveCount;
    }
    scene.dots = GetCurveDotPositions(graphBox, tone.tone[shown]);
    return scene;
}

std::string DigitNumFieldText(int32_t value, char separator) {
    if (value == kNoPoint)
        return {};
    Str255 text;
    MyDigitNumToString(value, 2, text, false, separator);
    return std::string(reinterpret_cast<const char*>(text + 1), text[0]);
}

int32_t GraphColumnAt(const Rect& graphBox, int16_t h) {
    return ScaleRound(100, h - graphBox.left, graphBox.right - graphBox.left);
}

int GraphSlotForColumn(int32_t column) {
    int slot = 0;
    while (slot < kToneSlotCount - 1 && column > kSlotColumnBounds[slot])
        ++slot;
    return slot;
}

int16_t GraphSlotPixelColumn(const Rect& graphBox, int slot) {
    const Fixed fraction = kSlotColumnFractions[RestrictWithinRange(slot, 0, kToneSlotCount - 1)];
    const int32_t width = graphBox.right - graphBox.left;
    return ToPixel(graphBox.left + FixRound(FixMul(IntToFixed(width), fraction)));
}

bool InDragZone(const Rect& graphBox, int16_t slotColumn, Point mouse, int16_t margin) {
    return PtInRect(mouse, GrowRect(graphBox, margin)) && mouse.h >= slotColumn - margin &&
           mouse.h <= slotColumn + margin;
}

int32_t GraphLevelAtRow(const Rect& graphBox, int16_t v) {
    const int32_t percent = ScaleRound(100, graphBox.bottom - v, graphBox.bottom - graphBox.top);
    return RestrictWithinRange(percent * 100, 0, kMaxLevel);
}

int32_t GraphDragValue(const Rect& graphBox, int slot, int32_t startValue, Point mouse) {
    const int16_t column = GraphSlotPixelColumn(graphBox, slot);
    if (InDragZone(graphBox, column, mouse, kDragNearZone))
        return GraphLevelAtRow(graphBox, mouse.v);
    // The end points of a curve cannot be removed.
    if (slot == 0 || slot == kToneSlotCount - 1)
        return startValue;
    if (InDragZone(graphBox, column, mouse, kDragFarZone))
        return startValue;
    return kNoPoint;
}

CurveDragSession::CurveDragSession(const Rect& graphBox, Point mouseDown, const CToneInfo& curve,
                                   char separator)
    : box_(graphBox), slot_(GraphSlotForColumn(GraphColumnAt(graphBox, mouseDown.h))),
      startValue_(curve.levels[slot_]), value_(startValue_), separator_(separator) {}

bool CurveDragSession::MoveTo(Point mouse) {
    value_ = GraphDragValue(box_, slot_, startValue_, mouse);
    std::string text = DigitNumFieldText(value_, separator_);
    if (text == text_)
        return false;
    text_ = std::move(text);
    return true;
}

} // namespace orvane
