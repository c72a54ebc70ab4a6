// Each step of presenting an 800 x 600 5:6:5 frame beside its peers: the copy
// into a 32-bit window through the library, the windowed driver and GDI,
// against SDL_ConvertPixels and pixman's SRC composite; the brightness
// level 128 copy against a plain loop through a 64 K-entry table (the same
// work) and pixman's SRC through a solid 50 % mask (a yardstick); and the
// display device presenting a frame of two 64 x 64 boxes in opposite corners
// against one full present. The ratios close the run.
#include "../BenchSupport.h"
#include "../RatioReporter.h"

#include <benchmark/benchmark.h>

#include <pixman.h>
#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "gdl/blit.h"
#include "gdl/dc.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "gdl/windc.h"
#include "gdl/windows.h"
#include "media/devices/TDirtyRects.h"
#include "media/devices/TDispDev.h"
#include "media/devices/TImgAdj.h"
#include "platform/Gdi.h"
#include "platform/Host.h"
#include "platform/User.h"
#include "ui/TEngine.h"

namespace {

constexpr int32_t W = 800, H = 600;

void noise16(GdlDeviceContext* dc) {
    uint32_t seed = 12345;
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const uint16_t v = uint16_t(seed >> 12);
            std::memcpy(dc->surface + y * int32_t(dc->mode.bytesPerLine) + 2 * x, &v, 2);
        }
}

struct Setup {
    HWND window = nullptr;
    HDC windowDC = nullptr;
    GdlDeviceContext* screen = nullptr;
    GdlDeviceContext* frame = nullptr;
    GdlDeviceContext* adjusted = nullptr;
    std::vector<uint32_t> xrgb = std::vector<uint32_t>(size_t(W) * H);
    Setup() {
        platform::UseHost(platform::HostKind::Memory);
        platform::SetMemoryDesktop(1024, 768, 32);
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "DisplayBench";
        RegisterClassA(&wc);
        window = CreateWindowExA(0, "DisplayBench", "", WS_POPUP | WS_VISIBLE, 0, 0, W, H, nullptr,
                                 nullptr, nullptr, nullptr);
        GDL_initWindowed(".");
        PACK_registerDrivers();
        screen = GDL_createWindowedDC(window);
        frame = GDL_createMemoryDC(W, H, 16, &GDL_pixelFormat565);
        adjusted = GDL_createMemoryDC(W, H, 16, &GDL_pixelFormat565);
        noise16(frame);
        windowDC = GetDC(window);
    }
};

void frames(benchmark::State& state) {
    bench::CountItems(state, int64_t(W) * H);
}

// --- Paint path -------------------------------------------------------------------

void BM_Paint_GdlBitBlt(benchmark::State& state) {
    Setup& s = bench::Once<Setup>();
    for (auto _ : state)
        GDL_bitBlt(s.screen, s.frame, 0, 0, W, H, 0, 0, 0);
    frames(state);
}
BENCHMARK(BM_Paint_GdlBitBlt)->Unit(benchmark::kMicrosecond);

void BM_Paint_WindcBitBlt(benchmark::State& state) {
    Setup& s = bench::Once<Setup>();
    for (auto _ : state)
        WINDC_bitBlt(s.screen, 0, 0, W, H, 0, 0, s.frame);
    frames(state);
}
BENCHMARK(BM_Paint_WindcBitBlt)->Unit(benchmark::kMicrosecond);

void BM_Paint_GdiBitBlt(benchmark::State& state) {
    Setup& s = bench::Once<Setup>();
    HDC source = GDL_getWinDC(s.frame);
    for (auto _ : state)
        BitBlt(s.windowDC, 0, 0, W, H, source, 0, 0, SRCCOPY);
    frames(state);
}
BENCHMARK(BM_Paint_GdiBitBlt)->Unit(benchmark::kMicrosecond);

void BM_Paint_Peer_SdlConvertPixels(benchmark::State& state) {
    Setup& s = bench::Once<Setup>();
    for (auto _ : state)
        SDL_ConvertPixels(W, H, SDL_PIXELFORMAT_RGB565, s.frame->surface,
                          int(s.frame->mode.bytesPerLine), SDL_PIXELFORMAT_RGB888, s.xrgb.data(),
                          W * 4);
    frames(state);
}
BENCHMARK(BM_Paint_Peer_SdlConvertPixels)->Unit(benchmark::kMicrosecond);

void BM_Paint_Peer_Pixman(benchmark::State& state) {
    Setup& s = bench::Once<Setup>();
    pixman_image_t* src =
        pixman_image_create_bits(PIXMAN_r5g6b5, W, H, reinterpret_cast<uint32_t*>(s.frame->surface),
                                 int(s.frame->mode.bytesPerLine));
    bench::PixmanSrcToXrgb(state, src, s.xrgb.data(), W, H);
    frames(state);
}
BENCHMARK(BM_Paint_Peer_Pixman)->Unit(benchmark::kMicrosecond);

// --- Brightness level -----------------------------------------------------------------

void BM_Level128_TImgAdj(benchmark::State& state) {
    Setup& s = bench::Once<Setup>();
    TImgAdj adjust;
    adjust.SetLevel(128);
    adjust.Blit(s.adjusted, s.frame, 0, 0, W, H, 0, 0); // builds the tables once
    for (auto _ : state)
        adjust.Blit(s.adjusted, s.frame, 0, 0, W, H, 0, 0);
    frames(state);
}
BENCHMARK(BM_Level128_TImgAdj)->Unit(benchmark::kMicrosecond);

// The same work written plainly: one lookup per pixel in a table of every
// 5:6:5 value, made once as TImgAdj makes its own.
void BM_Level128_Peer_PlainTable(benchmark::State& state) {
    Setup& s = bench::Once<Setup>();
    TImgAdj adjust;
    adjust.SetLevel(128);
    adjust.Blit(s.adjusted, s.frame, 0, 0, W, H, 0, 0);
    std::vector<uint16_t> table(adjust.PixelTable(), adjust.PixelTable() + 65536);
    const int32_t pitch = int32_t(s.frame->mode.bytesPerLine);
    for (auto _ : state) {
        for (int32_t y = 0; y < H; ++y) {
            const auto* in = reinterpret_cast<const uint16_t*>(s.frame->surface + y * pitch);
            auto* out = reinterpret_cast<uint16_t*>(s.adjusted->surface + y * pitch);
            for (int32_t x = 0; x < W; ++x)
                out[x] = table[in[x]];
        }
        benchmark::ClobberMemory();
    }
    frames(state);
}
BENCHMARK(BM_Level128_Peer_PlainTable)->Unit(benchmark::kMicrosecond);

void BM_Level128_Peer_PixmanSolidMask(benchmark::State& state) {
    Setup& s = bench::Once<Setup>();
    pixman_image_t* src =
        pixman_image_create_bits(PIXMAN_r5g6b5, W, H, reinterpret_cast<uint32_t*>(s.frame->surface),
                                 int(s.frame->mode.bytesPerLine));
    pixman_image_t* dst = pixman_image_create_bits(PIXMAN_r5g6b5, W, H,
                                                   reinterpret_cast<uint32_t*>(s.adjusted->surface),
                                                   int(s.adjusted->mode.bytesPerLine));
    const pixman_color_t half{0, 0, 0, 0x8000};
    pixman_image_t* mask = pixman_image_create_solid_fill(&half);
    for (auto _ : state)
        pixman_image_composite32(PIXMAN_OP_SRC, src, mask, dst, 0, 0, 0, 0, 0, 0, W, H);
    pixman_image_unref(src);
    pixman_image_unref(dst);
    pixman_image_unref(mask);
    frames(state);
}
BENCHMARK(BM_Level128_Peer_PixmanSolidMask)->Unit(benchmark::kMicrosecond);

// --- Presenting through the display device ----------------------------------------------

// The engine's display in its window on the memory host; each frame marks
// its dirty rectangles, presents and lets the window paint.
struct Presenter {
    TDispDev display;
    Presenter() {
        bench::Once<Setup>();
        display.SetClassName("PresentBench");
        display.SetTitle("Present Bench");
        display.SetDriverFlags(0x600);
        display.SetMode(W, H, 16);
        if (!display.Open()) std::fprintf(stderr, "the display did not open\n");
    }
    ~Presenter() { display.Close(); }
    void Frame(std::initializer_list<TRectArea> dirty) {
        for (const TRectArea& r : dirty)
            TDirtyRects::AddDirtyRect(r);
        display.Present();
        UpdateWindow(display.GetWindow());
        TDirtyRects::SetChanged(0);
    }
};

void BM_Present_TwoBoxes(benchmark::State& state) {
    Presenter p;
    for (auto _ : state)
        p.Frame({{0, 0, 64, 64}, {W - 64, H - 64, W, H}});
}
BENCHMARK(BM_Present_TwoBoxes)->Unit(benchmark::kMicrosecond);

void BM_Present_Full(benchmark::State& state) {
    Presenter p;
    for (auto _ : state)
        p.Frame({{0, 0, W, H}});
}
BENCHMARK(BM_Present_Full)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    TEngine engine; // the engine's services for the run
    return RunWithRatios(
        argc, argv,
        {{"BM_Paint_GdlBitBlt", "BM_Paint_Peer_SdlConvertPixels", "like for like"},
         {"BM_Paint_GdlBitBlt", "BM_Paint_Peer_Pixman", "like for like"},
         {"BM_Level128_TImgAdj", "BM_Level128_Peer_PlainTable", "like for like"},
         {"BM_Level128_TImgAdj", "BM_Level128_Peer_PixmanSolidMask", "yardstick: a masked copy"},
         {"BM_Present_TwoBoxes", "BM_Present_Full", "two boxes beside a full frame"}});
}
