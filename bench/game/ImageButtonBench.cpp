// TImageButton::Draw of a 635 x 352 dialog panel (alpha 127, a quarter of it
// key-coloured) onto an 800 x 600 16-bit frame, beside the engine's bare
// alpha blit of the same pixels and pixman's OVER through a solid a8 mask.
// The panel's ratio over the blit's tells what the picture's own work costs.
#include "../BenchSupport.h"
#include "../RatioReporter.h"
#include <benchmark/benchmark.h>

#include <pixman.h>

#include "TImageButton.h"

#include "drawing/TCanvasBlit.h"
#include "foundation/TResource.h"
#include "gdl/dc.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "media/devices/TDispDev.h"
#include "media/resources/TPicture.h"
#include "ui/TEngine.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int32_t W = 800, H = 600, PW = 635, PH = 352, kAlpha = 127;
constexpr int32_t kX = (W - PW) / 2, kY = H - PH;
// Rows padded to whole 32-bit words, as pixman wants them.
constexpr int32_t kStride = (PW + 1) & ~1;
constexpr int kRuns = 5;

// The panel's picture, handed out as the resource's data while locked.
class Panel : public TResource, public TPicture {
public:
    Panel() : pixels_(bench::KeyedNoise(kStride, PH, 7)) {
        bitmap_ = {PW,      PH,      16, kStride * 2, reinterpret_cast<uint8_t*>(pixels_.data()),
                   nullptr, &format_};
    }
    ~Panel() override { data_ = nullptr; }
    int Lock(int32_t, int32_t) override {
        data_ = &bitmap_;
        return 1;
    }
    int Unlock() override {
        data_ = nullptr;
        return 1;
    }
    int32_t GetWidthOf(int32_t, int32_t) override { return PW; }
    int32_t GetWidth() override { return PW; }
    int32_t GetHeightOf(int32_t, int32_t) override { return PH; }
    int32_t GetHeight() override { return PH; }
    uint16_t* Pixels() { return pixels_.data(); }

private:
    std::vector<uint16_t> pixels_;
    GdlPixelFormat format_ = GDL_pixelFormat565;
    GdlBitmap bitmap_{};
};

// The frame the blitters read and the panel draws into.
GdlDeviceContext* gFrame = nullptr;

struct Scene {
    GdlDeviceContext* frame;
    Panel panel;
    TImageButton button;
    Scene() {
        frame = bench::NoiseFrame16(W, H, 3);
        gFrame = frame;
        TCanvasBlit::SetContextSource([] { return gFrame; });
        // The panel draws straight into the frame, as on a display that
        // allows direct canvases.
        TDispDev::Global().SetDriverFlags(TDispDev::fAllowDirectMode);
        button.GetCanvas().SetBuffered(TCanvas::kAlwaysDirect);
        button.SetSource(&panel);
        button.SetAlpha(kAlpha);
        button.SetRect(kX, kY, PW, PH);
        button.SetScreenRect({kX, kY, kX + PW, kY + PH});
        button.GetCanvas().CreateDevice({0, 0, PW, PH});
    }
    // Made on first use and let go before the engine goes.
    static Scene& Get() {
        if (!current) current = new Scene;
        return *current;
    }
    static void Release() {
        delete current;
        current = nullptr;
    }
    static Scene* current;
    uint8_t* Frame() const { return frame->surface; }
    int32_t Pitch() const { return int32_t(frame->mode.bytesPerLine); }
};

Scene* Scene::current = nullptr;

void Pixels(benchmark::State& state) {
    bench::CountItems(state, int64_t(PW) * PH);
}

void BM_ImageButtonDraw(benchmark::State& state) {
    Scene& s = Scene::Get();
    for (auto _ : state) {
        s.button.Draw();
        benchmark::ClobberMemory();
    }
    Pixels(state);
}
BENCHMARK(BM_ImageButtonDraw)->Repetitions(kRuns);

void BM_AlphaBlit(benchmark::State& state) {
    Scene& s = Scene::Get();
    for (auto _ : state) {
        TCanvasBlit::Blit(s.Frame(), reinterpret_cast<const uint8_t*>(s.panel.Pixels()),
                          kStride * 2, PW, PH, 16, s.Pitch(), W, H, PW, PH, 16, kX, kY, kX, kY,
                          kAlpha);
        benchmark::ClobberMemory();
    }
    Pixels(state);
}
BENCHMARK(BM_AlphaBlit)->Repetitions(kRuns);

void BM_PixmanOverSolidMask(benchmark::State& state) {
    Scene& s = Scene::Get();
    bench::PixmanOverSolidMask(state, {s.panel.Pixels(), PW, PH, kStride * 2},
                               {s.Frame(), W, H, s.Pitch()}, kAlpha, kX, kY);
    Pixels(state);
}
BENCHMARK(BM_PixmanOverSolidMask)->Repetitions(kRuns);

} // namespace

int main(int argc, char** argv) {
    TEngine engine;
    if (!StartBenchmarks(&argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nSpeed beside pixman OVER through a solid a8 mask (higher is faster; a "
                "yardstick, pixman has no colour key):\n");
    reporter.PrintRatio("BM_ImageButtonDraw", "BM_PixmanOverSolidMask", "the panel");
    reporter.PrintRatio("BM_AlphaBlit", "BM_PixmanOverSolidMask", "the bare alpha blit");
    const auto draw = reporter.times.find("BM_ImageButtonDraw");
    const auto blit = reporter.times.find("BM_AlphaBlit");
    if (draw != reporter.times.end() && blit != reporter.times.end() && draw->second > 0)
        std::printf("  the panel's ratio over the bare blit's: %.2f\n",
                    blit->second / draw->second);
    Scene::Release();
    benchmark::Shutdown();
    return 0;
}
