// One redraw of the curve editor's graph during a drag, as the window does it on every mouse
// move: the drag decision for the new mouse position, the scene of four curves (101 spline
// positions each) and its picture painted into an image. Goal: at most 2 ms per frame.
// The 100 % case is a graph of the editor's usual size; the 200 % case paints the same graph
// at twice the device pixels with wider lines.
#include <benchmark/benchmark.h>

#include "gui/CurveGraphWidget.h"
#include "tone/ToneTables.h"

namespace {

using namespace orvane;

void BM_GraphRedrawDuringDrag(benchmark::State& state) {
    const int scale = static_cast<int>(state.range(0));
    const Rect box{0, 0, 385, 565}; // the graph's box in logical pixels
    const Rect device{0, 0, static_cast<int16_t>(box.bottom * scale),
                      static_cast<int16_t>(box.right * scale)};
    CMYKTone tone;
    SetNewCMYKTone(tone);
    tone.sameCurve = 0;
    for (int ink = 0; ink < kInkCount; ++ink)
        MakeGammaToneInfo(tone.tone[ink], 60 + 40 * ink);
    const int16_t column = GraphSlotPixelColumn(box, 6);
    CurveDragSession drag(box, Point{190, column}, tone.tone[kMagenta], '.');
    int16_t v = 0;
    for (auto _ : state) {
        v = static_cast<int16_t>((v + 7) % box.bottom);
        drag.MoveTo(Point{v, column});
        tone.tone[kMagenta].levels[drag.slot()] = drag.value();
        const CurveGraphScene scene = MakeCurveGraphScene(device, tone, kMagenta, true);
        QImage picture = PaintCurveGraph(scene, QSize(device.right, device.bottom), scale);
        benchmark::DoNotOptimize(picture.constBits());
    }
}
BENCHMARK(BM_GraphRedrawDuringDrag)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace
