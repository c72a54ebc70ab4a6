// Throughput of span fills and lines through the render tables.
#include <benchmark/benchmark.h>

#include "TestDriver.h"
#include "gdl/memory.h"
#include "gdl/support.h"

namespace {

// A 32-bit replace span as a packed driver would have it: one word fill.
void wordSpan(int32_t y, int32_t x1, int32_t x2) {
    GdlDeviceContext& s = GDL_stateBlock;
    if (x1 > x2) std::swap(x1, x2);
    GDL_memset32(s.surface + int64_t(y) * s.mode.bytesPerLine + 4 * x1, s.packedColor,
                 size_t(x2 - x1));
}

struct Surface {
    GdlDeviceContext* dc;
    Surface(int w, int h, bool fastSpan) {
        GDL_exit();
        testdrv::registerMemoryDrivers();
        dc = GDL_createMemoryDC(w, h, 32, nullptr);
        GDL_selectCurrentDC(dc);
        if (fastSpan) {
            GDL_stateBlock.v.tables[0].span = wordSpan;
            GDL_stateBlock.v.current.span = wordSpan;
        }
        GDL_setColor(0x123456);
    }
    ~Surface() { GDL_exit(); }
};

void BM_FillRectWordSpan(benchmark::State& state) {
    Surface s(640, 480, true);
    for (auto _ : state)
        GDL_fillRect(0, 0, 640, 480);
    state.SetItemsProcessed(state.iterations() * 640 * 480);
}
BENCHMARK(BM_FillRectWordSpan);

void BM_FillRectGenericSpan(benchmark::State& state) {
    Surface s(640, 480, false);
    for (auto _ : state)
        GDL_fillRect(0, 0, 640, 480);
    state.SetItemsProcessed(state.iterations() * 640 * 480);
}
BENCHMARK(BM_FillRectGenericSpan);

void BM_ShortSpans(benchmark::State& state) {
    Surface s(640, 480, true);
    int64_t pixels = 0;
    for (auto _ : state) {
        for (int y = 0; y < 480; ++y)
            GDL_line(y % 600, y, y % 600 + 16, y);
        pixels += 480 * 17;
    }
    state.SetItemsProcessed(pixels);
}
BENCHMARK(BM_ShortSpans);

void BM_Lines(benchmark::State& state) {
    Surface s(640, 480, true);
    GDL_srand(7);
    int32_t pts[1024][4];
    for (auto& p : pts)
        for (int i = 0; i < 4; ++i)
            p[i] = int32_t(GDL_randomBelow(i % 2 ? 480 : 640));
    int64_t pixels = 0;
    for (auto _ : state) {
        for (auto& p : pts) {
            GDL_line(p[0], p[1], p[2], p[3]);
            pixels += std::max(std::abs(p[2] - p[0]), std::abs(p[3] - p[1])) + 1;
        }
    }
    state.SetItemsProcessed(pixels);
}
BENCHMARK(BM_Lines);

void BM_ClippedLines(benchmark::State& state) {
    Surface s(640, 480, true);
    GDL_setClipRectCurrent(100, 100, 540, 380);
    int64_t lines = 0;
    for (auto _ : state) {
        for (int i = 0; i < 256; ++i)
            GDL_line(-200 + i, -50, 840 - i, 530);
        lines += 256;
    }
    state.SetItemsProcessed(lines);
}
BENCHMARK(BM_ClippedLines);

} // namespace

BENCHMARK_MAIN();
