// The alpha blit and the keyed smoothing blit on a full 800 x 600 16-bit
// frame beside pixman compositing the same image over the same frame with
// the same alpha; the ratios (pixman's time over ours) close the run.
#include "../RatioReporter.h"
#include <benchmark/benchmark.h>

#include <pixman.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "drawing/TCanvasBlit.h"
#include "gdl/dc.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "ui/TEngine.h"

namespace {

constexpr int32_t W = 800, H = 600, kAlpha = 128;
// Each benchmark runs this often and the ratios take its fastest run, so a
// busy machine disturbs them less.
constexpr int kRuns = 5;

uint32_t Next(uint32_t& seed) {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
}

// Noise where a quarter of the pixels are the key colour 0x07E0.
std::vector<uint16_t> Picture(int32_t w, int32_t h, uint32_t seed) {
    std::vector<uint16_t> px(size_t(w) * h);
    for (uint16_t& p : px) {
        const uint32_t r = Next(seed);
        p = (r & 3) == 0 ? 0x07E0 : uint16_t(r >> 4);
        if ((r & 3) != 0 && p == 0x07E0) p ^= 1;
    }
    return px;
}

struct Scene {
    GdlDeviceContext* frame; // the main context the blitters read
    std::vector<uint16_t> image = Picture(W, H, 7);
    std::vector<uint16_t> half = Picture(W / 2, H / 2, 11);
    std::vector<uint16_t> canvas = std::vector<uint16_t>(size_t(W) * H);
    Scene() {
        PACK_registerDrivers();
        frame = GDL_createMemoryDC(W, H, 16, &GDL_pixelFormat565);
        std::vector<uint16_t> noise = Picture(W, H, 3);
        for (int32_t y = 0; y < H; ++y)
            std::memcpy(frame->surface + y * int32_t(frame->mode.bytesPerLine),
                        noise.data() + size_t(y) * W, size_t(W) * 2);
        TCanvasBlit::SetContextSource([] { return Get().frame; });
    }
    static Scene& Get() {
        static Scene scene;
        return scene;
    }
    uint8_t* Frame() const { return frame->surface; }
    int32_t Pitch() const { return int32_t(frame->mode.bytesPerLine); }
};

void Pixels(benchmark::State& state) {
    state.SetItemsProcessed(int64_t(state.iterations()) * W * H);
}

void BM_AlphaBlit16InPlace(benchmark::State& state) {
    Scene& s = Scene::Get();
    for (auto _ : state) {
        TCanvasBlit::Blit(s.Frame(), reinterpret_cast<const uint8_t*>(s.image.data()), W * 2, W, H,
                          16, s.Pitch(), W, H, W, H, 16, 0, 0, 0, 0, kAlpha);
        benchmark::ClobberMemory();
    }
    Pixels(state);
}
BENCHMARK(BM_AlphaBlit16InPlace)->Repetitions(kRuns);

void BM_KeyedSmooth16(benchmark::State& state) {
    Scene& s = Scene::Get();
    for (auto _ : state) {
        TCanvasBlit::BlitKeyed(reinterpret_cast<uint8_t*>(s.canvas.data()),
                               reinterpret_cast<const uint8_t*>(s.image.data()), W * 2, W, H, 16,
                               W * 2, W, H, W, H, 16, 0, 0, 0, 0);
        benchmark::ClobberMemory();
    }
    Pixels(state);
}
BENCHMARK(BM_KeyedSmooth16)->Repetitions(kRuns);

void BM_KeyedSmooth16Doubled(benchmark::State& state) {
    Scene& s = Scene::Get();
    for (auto _ : state) {
        TCanvasBlit::BlitKeyed(reinterpret_cast<uint8_t*>(s.canvas.data()),
                               reinterpret_cast<const uint8_t*>(s.half.data()), W, W / 2, H / 2, 16,
                               W * 2, W, H, W, H, 16, 0, 0, 0, 0);
        benchmark::ClobberMemory();
    }
    Pixels(state);
}
BENCHMARK(BM_KeyedSmooth16Doubled)->Repetitions(kRuns);

// The peer: OVER of the image through a solid a8 mask of the same alpha.
void BM_PixmanOverSolidMask(benchmark::State& state) {
    Scene& s = Scene::Get();
    pixman_image_t* src = pixman_image_create_bits(
        PIXMAN_r5g6b5, W, H, reinterpret_cast<uint32_t*>(s.image.data()), W * 2);
    pixman_image_t* dst = pixman_image_create_bits(
        PIXMAN_r5g6b5, W, H, reinterpret_cast<uint32_t*>(s.Frame()), s.Pitch());
    const pixman_color_t grey = {0, 0, 0, uint16_t(kAlpha * 257)};
    pixman_image_t* mask = pixman_image_create_solid_fill(&grey);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, src, mask, dst, 0, 0, 0, 0, 0, 0, W, H);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(mask);
    pixman_image_unref(dst);
    pixman_image_unref(src);
    Pixels(state);
}
BENCHMARK(BM_PixmanOverSolidMask)->Repetitions(kRuns);

} // namespace

int main(int argc, char** argv) {
    TEngine engine; // the engine's services for the run
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto peer = reporter.times.find("BM_PixmanOverSolidMask");
    if (peer == reporter.times.end()) return 0;
    std::printf("\nSpeed beside pixman OVER through a solid a8 mask (higher is faster; a "
                "yardstick, pixman has no keyed smoothing):\n");
    for (const auto& [name, time] : reporter.times)
        if (name != peer->first && time > 0)
            std::printf("  %-28s %.2fx\n", name.c_str(), peer->second / time);
    benchmark::Shutdown();
    return 0;
}
