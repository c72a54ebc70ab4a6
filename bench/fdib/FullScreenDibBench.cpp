// An 800 x 600 8-bit frame presented by the full-screen DIB driver: the
// memory context blitted through the system palette into the window of an
// 8-bit display setting, beside SDL_BlitSurface from INDEX8 to XRGB8888 and
// pixman's SRC from c8 to x8r8g8b8 on the same indexes and palette (like for
// like). The ratios close the run.
#include "../BenchSupport.h"
#include "../RatioReporter.h"

#include <benchmark/benchmark.h>

#include <pixman.h>
#include <SDL.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "gdl/blit.h"
#include "gdl/dc.h"
#include "gdl/ddraw.h"
#include "gdl/fdib.h"
#include "gdl/packed.h"
#include "gdl/render.h"
#include "gdl/windc.h"
#include "gdl/windows.h"
#include "platform/Adapter.h"
#include "platform/Host.h"
#include "platform/Session.h"

namespace {

constexpr int32_t W = 800, H = 600;

struct Setup {
    platform::Session session{{platform::HostKind::Memory, 0u}};
    GdlDeviceContext* screen = nullptr;
    GdlDeviceContext* frame = nullptr;
    GdlPaletteEntry palette[256];
    std::vector<uint32_t> xrgb = std::vector<uint32_t>(size_t(W) * H);
    Setup() {
        platform::SetMemoryDesktop(1024, 768, 32);
        platform::AdapterPersonality p;
        p.name = "bench";
        p.videoMemory = 4u << 20;
        p.modes = p.settings = {{W, H, 8, 0, 0, 0, 0}};
        platform::UseAdapter(p);
        PACK_registerDrivers();
        GDL_registerDriver("FDIB8.DRV", FDIB_header(8));
        int32_t driver = -1, mode = 11 + 9; // 800 x 600, 8 bits
        GDL_init(&driver, &mode, ".");
        screen = GDL_createDisplayDCPages(1);
        frame = GDL_createMemoryDC(W, H, 8, nullptr);
        std::memcpy(palette, GDL_getStaticSystemColors(), sizeof(palette));
        for (int i = 10; i < 246; ++i)
            palette[i] = {uint8_t(i * 3), uint8_t(255 - i), uint8_t(i), 0};
        GDL_setPalette(screen, palette, 256, 0);
        GDL_realizePalette(screen, 256, 0, 0);
        DRV_realizePalette(frame, palette, 256, 0, 0);
        uint32_t seed = 12345;
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x) {
                seed = seed * 1664525u + 1013904223u;
                frame->surface[y * int32_t(frame->mode.bytesPerLine) + x] = uint8_t(seed >> 24);
            }
    }
};

void frames(benchmark::State& state) {
    bench::CountItems(state, int64_t(W) * H);
}

void BM_Fdib8_Present(benchmark::State& state) {
    Setup& s = bench::Once<Setup>();
    for (auto _ : state)
        GDL_bitBlt(s.screen, s.frame, 0, 0, W, H, 0, 0, 0);
    frames(state);
}
BENCHMARK(BM_Fdib8_Present)->Unit(benchmark::kMicrosecond);

// A palette fade: every frame comes with a new colour table, so any table
// kept for one palette is made again each frame.
void BM_Fdib8_PresentPaletteFade(benchmark::State& state) {
    Setup& s = bench::Once<Setup>();
    GdlPaletteEntry faded[256];
    uint8_t step = 0;
    for (auto _ : state) {
        ++step;
        for (int i = 10; i < 246; ++i)
            faded[i] = {s.palette[i].blue, s.palette[i].green,
                        uint8_t(s.palette[i].red * step >> 8), 0};
        std::memcpy(faded, s.palette, 10 * sizeof(GdlPaletteEntry));
        std::memcpy(faded + 246, s.palette + 246, 10 * sizeof(GdlPaletteEntry));
        GDL_setPalette(s.screen, faded, 256, 0);
        GDL_realizePalette(s.screen, 256, 0, 0);
        DRV_realizePalette(s.frame, faded, 256, 0, 0);
        GDL_bitBlt(s.screen, s.frame, 0, 0, W, H, 0, 0, 0);
    }
    frames(state);
}
BENCHMARK(BM_Fdib8_PresentPaletteFade)->Unit(benchmark::kMicrosecond);

void BM_Fdib8_Peer_SdlBlitSurface(benchmark::State& state) {
    Setup& s = bench::Once<Setup>();
    SDL_Surface* src = SDL_CreateRGBSurfaceWithFormatFrom(
        s.frame->surface, W, H, 8, int(s.frame->mode.bytesPerLine), SDL_PIXELFORMAT_INDEX8);
    SDL_Color colors[256];
    for (int i = 0; i < 256; ++i)
        colors[i] = {s.palette[i].red, s.palette[i].green, s.palette[i].blue, 255};
    SDL_SetPaletteColors(src->format->palette, colors, 0, 256);
    SDL_Surface* dst = SDL_CreateRGBSurfaceWithFormatFrom(s.xrgb.data(), W, H, 32, W * 4,
                                                          SDL_PIXELFORMAT_XRGB8888);
    for (auto _ : state)
        SDL_BlitSurface(src, nullptr, dst, nullptr);
    SDL_FreeSurface(src);
    SDL_FreeSurface(dst);
    frames(state);
}
BENCHMARK(BM_Fdib8_Peer_SdlBlitSurface)->Unit(benchmark::kMicrosecond);

void BM_Fdib8_Peer_Pixman(benchmark::State& state) {
    Setup& s = bench::Once<Setup>();
    pixman_indexed_t indexed{};
    for (int i = 0; i < 256; ++i)
        indexed.rgba[i] = 0xFF000000u | uint32_t(s.palette[i].red) << 16 |
                          uint32_t(s.palette[i].green) << 8 | s.palette[i].blue;
    pixman_image_t* src =
        pixman_image_create_bits(PIXMAN_c8, W, H, reinterpret_cast<uint32_t*>(s.frame->surface),
                                 int(s.frame->mode.bytesPerLine));
    pixman_image_set_indexed(src, &indexed);
    bench::PixmanSrcToXrgb(state, src, s.xrgb.data(), W, H);
    frames(state);
}
BENCHMARK(BM_Fdib8_Peer_Pixman)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return RunWithRatios(argc, argv,
                         {{"BM_Fdib8_Present", "BM_Fdib8_Peer_SdlBlitSurface", "like for like"},
                          {"BM_Fdib8_Present", "BM_Fdib8_Peer_Pixman", "like for like"}});
}
