// The alpha blit and the keyed smoothing blit on a full 800 x 600 16-bit
// frame beside pixman compositing the same image over the same frame with
// the same alpha; the ratios (pixman's time over ours) close the run.
#include "../BenchSupport.h"
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

struct Scene {
    GdlDeviceContext* frame; // the main context the blitters read
    std::vector<uint16_t> image = bench::KeyedNoise(W, H, 7);
    std::vector<uint16_t> half = bench::KeyedNoise(W / 2, H / 2, 11);
    std::vector<uint16_t> canvas = std::vector<uint16_t>(size_t(W) * H);
    Scene() {
        frame = bench::NoiseFrame16(W, H, 3);
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
    bench::CountItems(state, int64_t(W) * H);
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
    bench::PixmanOverSolidMask(state, {s.image.data(), W, H, W * 2}, {s.Frame(), W, H, s.Pitch()},
                               kAlpha, 0, 0);
    Pixels(state);
}
BENCHMARK(BM_PixmanOverSolidMask)->Repetitions(kRuns);

} // namespace

int main(int argc, char** argv) {
    TEngine engine; // the engine's services for the run
    if (!StartBenchmarks(&argc, argv)) return 1;
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
