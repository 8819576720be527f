// The curve editor's graph as numbers: where a curve point lands in the graph's box, the
// grid, the curves and dots a painter draws and in which colours, and the decisions of
// dragging a point with the mouse. Nothing here draws or knows a window; a front end paints
// a CurveGraphScene and feeds mouse positions to a CurveDragSession.
//
// Coordinates are 16-bit window pixels, v growing downwards. A rectangle contains the
// points with top <= v < bottom and left <= h < right. Inputs are percent (0 ... 100),
// levels hundredths of a percent (0 ... 10000).
#pragma once

#include "base/Types.h"
#include "host/ui/UiTypes.h"
#include "tone/FixedPoint.h"
#include "tone/ToneRecords.h"

#include <array>
#include <cstdint>
#include <string>

namespace orvane {

bool PtInRect(Point p, const Rect& r);
// The rectangle grown by `by` pixels on every side (shrunk for a negative `by`).
Rect GrowRect(const Rect& r, int16_t by);

// The pixel of the curve point (input, level): input and level are first limited to
// 0 ... 100 and 0 ... 10000. (0, 10000) is (left + 1, top + 1), (100, 0) is
// (right - 2, bottom - 2).
Point GetNewEditHalfToneGraphPosition(const Rect& graphBox, int16_t input, int32_t level);

// A straight line from one pixel to another, both ends drawn (a 1 x 1 pen).
struct GraphLine {
    Point from;
    Point to;
};

// The grid in drawing order: the vertical lines at 10 ... 90 %, the horizontal lines at
// 10 ... 90 %, then the frame's four sides.
inline constexpr int kGridLineCount = 9 + 9 + 4;
std::array<GraphLine, kGridLineCount> GetGraphGridLines(const Rect& graphBox);

// The spline through the curve's points, sampled at the inputs 0, 1, ... 100: element x is
// the pixel of (x, the spline's level at x rounded to the nearest hundredth). A painter
// joins them with lines. paramErr, leaving `out` unchanged, for fewer than two points.
inline constexpr int kGraphSampleCount = 101;
using CurvePixels = std::array<Point, kGraphSampleCount>;
OSErr GetCurvePixelPositions(const Rect& graphBox, const CToneInfo& curve, CurvePixels& out);

// The centres of the 3 x 3 dots of the curve's present points, in slot order.
struct CurveDots {
    int count = 0;
    std::array<Point, kToneSlotCount> centre{};
};
CurveDots GetCurveDotPositions(const Rect& graphBox, const CToneInfo& curve);

// 16 bits per component.
struct RGBColor {
    uint16_t red;
    uint16_t green;
    uint16_t blue;
    bool operator==(const RGBColor&) const = default;
};

inline constexpr RGBColor kGraphWhite = {0xFFFF, 0xFFFF, 0xFFFF};
inline constexpr RGBColor kGraphBlack = {0x0000, 0x0000, 0x0000};
// The grid of a setting whose shown curve is invalid: a very light grey.
inline constexpr RGBColor kGraphDimGridColor = {0xFF7F, 0xFF7F, 0xFF7F};

// The background: white while one curve serves all inks, else a tint of the shown ink.
RGBColor GraphBackgroundColor(bool allInks, Ink shown);
// An ink's curve while each ink has its own (the one curve of all inks is black).
RGBColor GraphCurveColor(Ink ink);

// Everything the graph shows, in painting order: the background, the grid, the curves
// (the last one on top) and the dots of the shown curve in black.
struct CurveGraphScene {
    Rect background{};
    RGBColor backgroundColor{};
    bool valid = false; // invalid: dim grid only, no curves and no dots
    RGBColor gridColor{};
    std::array<GraphLine, kGridLineCount> grid{};
    struct Curve {
        Ink ink;
        RGBColor color;
        CurvePixels pixels;
    };
    int curveCount = 0;
    std::array<Curve, kInkCount> curves{};
    CurveDots dots;
    int selectedDot = -1; // the dot marked as the one the keys move, or -1
};

// The ink whose curve is shown: cyan while one curve serves all inks, else `selected`.
Ink GraphShownInk(const CMYKTone& tone, Ink selected);

// The scene for `tone` with `selected` the ink chosen by the ink buttons and `valid`
// whether the shown curve's fields are valid. With one curve for all inks only the cyan
// curve is drawn, in black; otherwise cyan, magenta, yellow and black in their colours.
// A curve with fewer than two points is left out.
CurveGraphScene MakeCurveGraphScene(const Rect& graphBox, const CMYKTone& tone, Ink selected,
                                    bool valid);

// The text a level or gamma field shows for `value`: two fraction digits with trailing
// zeros dropped and `separator` as the decimal separator (3750 -> "37.5", 10000 -> "100");
// empty for kNoPoint.
std::string DigitNumFieldText(int32_t value, char separator);

// Dragging a point. A press picks the column m = [100 x (h - left) / width] and the slot
// of that column; each slot has its own pixel column. Within 40 pixels of the slot's
// column (and of the box) the point follows the mouse in whole percents; within 80 it keeps
// its starting value; beyond, an inner point is removed while the end points keep theirs.
inline constexpr int16_t kDragNearZone = 40;
inline constexpr int16_t kDragFarZone = 80;

int32_t GraphColumnAt(const Rect& graphBox, int16_t h);
int GraphSlotForColumn(int32_t column);
int16_t GraphSlotPixelColumn(const Rect& graphBox, int slot);
// Whether `mouse` is in the box grown by `margin` and within `margin` of `slotColumn`.
bool InDragZone(const Rect& graphBox, int16_t slotColumn, Point mouse, int16_t margin);
// The whole-percent level (0 ... 10000) of the row v.
int32_t GraphLevelAtRow(const Rect& graphBox, int16_t v);
// The slot's value with the mouse at `mouse`, given the value it had when the drag began.
int32_t GraphDragValue(const Rect& graphBox, int slot, int32_t startValue, Point mouse);

// One drag, from the press to the release. The slot's field is emptied when the drag
// begins; after each move the slot takes value() and, when changed() says so, the field
// shows text().
class CurveDragSession {
public:
    CurveDragSession(const Rect& graphBox, Point mouseDown, const CToneInfo& curve, char separator);

    int slot() const { return slot_; }
    int32_t startValue() const { return startValue_; }
    int32_t value() const { return value_; }
    const std::string& text() const { return text_; }

    // Takes the mouse position; true when the text differs from the one shown before.
    bool MoveTo(Point mouse);

private:
    Rect box_;
    int slot_;
    int32_t startValue_;
    int32_t value_;
    char separator_;
    std::string text_; // the text last shown; empty when the drag begins
};

} // namespace orvane
