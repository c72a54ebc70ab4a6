// TImageButton::Draw of a 635 x 352 dialog panel (alpha 127, a quarter of it
// key-coloured) onto an 800 x 600 16-bit frame, beside the engine's bare
// alpha blit of the same pixels and pixman's OVER through a solid a8 mask.
// The panel's ratio over the blit's tells what the picture's own work costs.
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

uint32_t Next(uint32_t& seed) {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
}

std::vector<uint16_t> Noise(int32_t w, int32_t h, uint32_t seed) {
    std::vector<uint16_t> px(size_t(w) * size_t(h));
    for (uint16_t& p : px) {
        const uint32_t r = Next(seed);
        p = (r & 3) == 0 ? 0x07E0 : uint16_t(r >> 4);
        if ((r & 3) != 0 && p == 0x07E0) p ^= 1;
    }
    return px;
}

// The panel's picture, handed out as the resource's data while locked.
class Panel : public TResource, public TPicture {
public:
    Panel() : pixels_(Noise(kStride, PH, 7)) {
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
        PACK_registerDrivers();
        frame = GDL_createMemoryDC(W, H, 16, &GDL_pixelFormat565);
        gFrame = frame;
        const std::vector<uint16_t> noise = Noise(W, H, 3);
        for (int32_t y = 0; y < H; ++y)
            std::memcpy(frame->surface + y * int32_t(frame->mode.bytesPerLine),
                        noise.data() + size_t(y) * W, size_t(W) * 2);
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
    state.SetItemsProcessed(int64_t(state.iterations()) * PW * PH);
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
    pixman_image_t* src = pixman_image_create_bits(
        PIXMAN_r5g6b5, PW, PH, reinterpret_cast<uint32_t*>(s.panel.Pixels()), kStride * 2);
    pixman_image_t* dst = pixman_image_create_bits(
        PIXMAN_r5g6b5, W, H, reinterpret_cast<uint32_t*>(s.Frame()), s.Pitch());
    const pixman_color_t grey = {0, 0, 0, uint16_t(kAlpha * 257)};
    pixman_image_t* mask = pixman_image_create_solid_fill(&grey);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, src, mask, dst, 0, 0, 0, 0, kX, kY, PW, PH);
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
    TEngine engine;
    benchmark::Initialize(&argc, argv);
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
