// The tone arithmetic on the two paths where it runs in bulk: composing a PPD's tone block
// (six four-curve settings, 6 x 4 x 256 spline evaluations and numbers) and redrawing the
// curve graph (four curves at 101 inputs).
#include <array>
#include <vector>

#include <benchmark/benchmark.h>

#include "tone/Spline.h"
#include "tone/ToneTables.h"

namespace {

using namespace orvane;

constexpr int kSettings = kMaxPPDTones;
constexpr int kCurves = kSettings * kInkCount;

// Curves with every slot present (the longest interval search), from 24 different gammas.
std::array<CToneInfo, kCurves> BlockCurves() {
    std::array<CToneInfo, kCurves> curves{};
    for (int i = 0; i < kCurves; ++i) {
        MakeGammaToneInfo(curves[static_cast<size_t>(i)], 40 + 17 * i);
    }
    return curves;
}

void BM_TransferTablesSixSettings(benchmark::State& state) {
    const auto curves = BlockCurves();
    std::array<std::array<int32_t, kTransferTableSize>, kCurves> tables{};
    for (auto _ : state) {
        for (int i = 0; i < kCurves; ++i) {
            MakeTransferTable(curves[static_cast<size_t>(i)],
                              tables[static_cast<size_t>(i)].data());
        }
        benchmark::DoNotOptimize(tables.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCurves * kTransferTableSize);
}
BENCHMARK(BM_TransferTablesSixSettings);

void BM_TransferTextSixSettings(benchmark::State& state) {
    const auto curves = BlockCurves();
    std::array<std::array<int32_t, kTransferTableSize>, kCurves> tables{};
    for (int i = 0; i < kCurves; ++i) {
        MakeTransferTable(curves[static_cast<size_t>(i)], tables[static_cast<size_t>(i)].data());
    }
    std::vector<char> text(kCurves * kTransferTableTextMaxLength);
    for (auto _ : state) {
        char* end = text.data();
        for (const auto& table : tables) {
            end = FormatTransferTableText(end, table.data());
        }
        benchmark::DoNotOptimize(end);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kCurves * kTransferTableSize);
}
BENCHMARK(BM_TransferTextSixSettings);

// Everything the tone block needs from the curves: tables and their text.
void BM_TransferTablesAndTextSixSettings(benchmark::State& state) {
    const auto curves = BlockCurves();
    std::array<int32_t, kTransferTableSize> table{};
    std::vector<char> text(kCurves * kTransferTableTextMaxLength);
    for (auto _ : state) {
        char* end = text.data();
        for (const auto& curve : curves) {
            MakeTransferTable(curve, table.data());
            end = FormatTransferTableText(end, table.data());
        }
        benchmark::DoNotOptimize(end);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_TransferTablesAndTextSixSettings);

// One redraw of the graph: knot table and spline per curve, then 101 inputs 0 ... 100.
void BM_GraphRedrawFourCurves(benchmark::State& state) {
    const auto curves = BlockCurves();
    std::array<float, 101> outputs{};
    for (auto _ : state) {
        for (int ink = 0; ink < kInkCount; ++ink) {
            float x[kKnotArraySize];
            float y[kKnotArraySize];
            float p[kKnotArraySize];
            const int16_t n = MakeTableFromCTone(x, y, curves[static_cast<size_t>(ink)]);
            MakeSpline(n, x, y, p);
            for (int v = 0; v <= 100; ++v) {
                outputs[static_cast<size_t>(v)] =
                    GetSplineYPosition(n, x, y, p, static_cast<float>(v));
            }
            benchmark::DoNotOptimize(outputs.data());
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kInkCount * 101);
}
BENCHMARK(BM_GraphRedrawFourCurves);

} // namespace
