// The simulated VGA's scan-out of mode 13h (320 x 200 shown as 400 doubled
// lines, worked out from the registers through the attribute controller and
// the DAC) beside SDL_BlitSurface from INDEX8 to XRGB8888 and pixman's SRC
// from c8 to x8r8g8b8 on as many pixels (like for like); likewise mode X at
// 320 x 240 (480 doubled lines) and the 16-colour 640 x 480 mode beside SDL
// on as many pixels. The ratios close the run. Last, mode X's solid spans
// through the adapter's access calls (pixels a second, no peer).
#include "../RatioReporter.h"

#include <benchmark/benchmark.h>

#include <pixman.h>
#include <SDL.h>

#include <cstdint>
#include <vector>

#include "platform/Adapter.h"
#include "platform/Host.h"
#include "platform/Session.h"
#include "platform/Vga.h"

#include "gdl/ddraw.h"
#include "gdl/draw.h"
#include "gdl/driver.h"
#include "gdl/vga.h"

namespace {

constexpr int W = 320, H = 400;

struct Setup {
    platform::Session session{{platform::HostKind::Memory, 0u}};
    std::vector<uint8_t> indexes = std::vector<uint8_t>(size_t(W) * H);
    std::vector<uint32_t> xrgb = std::vector<uint32_t>(size_t(W) * H);
    Setup() {
        platform::UseAdapter("vga");
        platform::RealModeRegs r{};
        r.eax = 0x13;
        platform::RealModeInterrupt(0x10, &r);
        uint8_t* window = platform::VgaWindow();
        uint32_t seed = 12345;
        for (uint8_t& p : indexes) {
            seed = seed * 1664525u + 1013904223u;
            p = uint8_t(seed >> 24);
        }
        for (size_t i = 0; i < 64000; ++i)
            window[i] = indexes[i];
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

void pixelsDone(benchmark::State& state) {
    state.SetItemsProcessed(int64_t(state.iterations()) * W * H);
}

void BM_ScanOut_Mode13h(benchmark::State& state) {
    setup();
    for (auto _ : state)
        benchmark::DoNotOptimize(platform::VgaFrame());
    pixelsDone(state);
}
BENCHMARK(BM_ScanOut_Mode13h)->Unit(benchmark::kMicrosecond);

void BM_ScanOut_Peer_SdlBlit(benchmark::State& state) {
    Setup& s = setup();
    SDL_Surface* src =
        SDL_CreateRGBSurfaceWithFormatFrom(s.indexes.data(), W, H, 8, W, SDL_PIXELFORMAT_INDEX8);
    SDL_Color colours[256];
    for (int i = 0; i < 256; ++i)
        colours[i] = {uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), 255};
    SDL_SetPaletteColors(src->format->palette, colours, 0, 256);
    SDL_Surface* dst =
        SDL_CreateRGBSurfaceWithFormatFrom(s.xrgb.data(), W, H, 32, W * 4, SDL_PIXELFORMAT_RGB888);
    for (auto _ : state)
        SDL_BlitSurface(src, nullptr, dst, nullptr);
    SDL_FreeSurface(src);
    SDL_FreeSurface(dst);
    pixelsDone(state);
}
BENCHMARK(BM_ScanOut_Peer_SdlBlit)->Unit(benchmark::kMicrosecond);

void BM_ScanOut_Peer_Pixman(benchmark::State& state) {
    Setup& s = setup();
    pixman_indexed_t palette{};
    for (int i = 0; i < 256; ++i)
        palette.rgba[i] = 0xFF000000u | uint32_t(i) << 16 | uint32_t(255 - i) << 8;
    pixman_image_t* src =
        pixman_image_create_bits(PIXMAN_c8, W, H, reinterpret_cast<uint32_t*>(s.indexes.data()), W);
    pixman_image_set_indexed(src, &palette);
    pixman_image_t* dst = pixman_image_create_bits(PIXMAN_x8r8g8b8, W, H, s.xrgb.data(), W * 4);
    for (auto _ : state)
        pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, 0, 0, 0, 0, 0, 0, W, H);
    pixman_image_unref(src);
    pixman_image_unref(dst);
    pixelsDone(state);
}
BENCHMARK(BM_ScanOut_Peer_Pixman)->Unit(benchmark::kMicrosecond);

// SDL's INDEX8 to XRGB8888 blit of a width x height frame.
void sdlBlit(benchmark::State& state, int width, int height) {
    std::vector<uint8_t> indexes(size_t(width) * size_t(height), 7);
    std::vector<uint32_t> xrgb(indexes.size());
    SDL_Surface* src = SDL_CreateRGBSurfaceWithFormatFrom(indexes.data(), width, height, 8, width,
                                                          SDL_PIXELFORMAT_INDEX8);
    SDL_Surface* dst = SDL_CreateRGBSurfaceWithFormatFrom(xrgb.data(), width, height, 32, width * 4,
                                                          SDL_PIXELFORMAT_RGB888);
    for (auto _ : state)
        SDL_BlitSurface(src, nullptr, dst, nullptr);
    SDL_FreeSurface(src);
    SDL_FreeSurface(dst);
    state.SetItemsProcessed(int64_t(state.iterations()) * width * height);
}

// A BIOS mode with every plane byte set through the map mask.
void fillPlanes(uint32_t biosMode, uint32_t bytes) {
    setup();
    platform::RealModeRegs r{};
    r.eax = biosMode;
    platform::RealModeInterrupt(0x10, &r);
    if (biosMode == 0x13) VGAX_programRegisters(8);
    uint8_t* window = platform::VgaWindow();
    for (int plane = 0; plane < 4; ++plane) {
        platform::VgaOutPort(0x3C4, 2);
        platform::VgaOutPort(0x3C5, uint8_t(1 << plane));
        for (uint32_t i = 0; i < bytes; ++i)
            platform::VgaWrite(window + i, uint8_t(i * 37 + uint32_t(plane) * 11));
    }
    platform::VgaOutPort(0x3C5, 0x0F);
}

void BM_ScanOut_ModeX240(benchmark::State& state) {
    fillPlanes(0x13, 80 * 240);
    for (auto _ : state)
        benchmark::DoNotOptimize(platform::VgaFrame());
    state.SetItemsProcessed(int64_t(state.iterations()) * 320 * 480);
}
BENCHMARK(BM_ScanOut_ModeX240)->Unit(benchmark::kMicrosecond);

void BM_ScanOut_ModeX240_Peer_SdlBlit(benchmark::State& state) {
    sdlBlit(state, 320, 480);
}
BENCHMARK(BM_ScanOut_ModeX240_Peer_SdlBlit)->Unit(benchmark::kMicrosecond);

void BM_ScanOut_Planar640x480(benchmark::State& state) {
    fillPlanes(0x12, 80 * 480);
    for (auto _ : state)
        benchmark::DoNotOptimize(platform::VgaFrame());
    state.SetItemsProcessed(int64_t(state.iterations()) * 640 * 480);
}
BENCHMARK(BM_ScanOut_Planar640x480)->Unit(benchmark::kMicrosecond);

void BM_ScanOut_Planar640x480_Peer_SdlBlit(benchmark::State& state) {
    sdlBlit(state, 640, 480);
}
BENCHMARK(BM_ScanOut_Planar640x480_Peer_SdlBlit)->Unit(benchmark::kMicrosecond);

// Mode X through the library (it leaves the adapter in mode X, so it runs
// after the scan-outs): 13-pixel solid spans starting at every plane, over
// every row of 320 x 240.
void BM_ModeX_SolidSpans(benchmark::State& state) {
    setup();
    static GdlDeviceContext* screen = [] {
        platform::SetMemoryDesktop(1024, 768, 32);
        GDL_unregisterAllDrivers();
        int32_t count = 0;
        const GdlLinkedDriver* linked = GDL_linkedDrivers(&count);
        for (int32_t i = 0; i < count; ++i)
            GDL_registerDriver(linked[i].fileName, linked[i].header);
        int32_t driver = -1, mode = 8;
        return GDL_init(&driver, &mode, ".") ? GDL_createDisplayDCPages(1) : nullptr;
    }();
    if (!screen) {
        state.SkipWithError("mode X did not start");
        return;
    }
    GdlDeviceContext* previous = GDL_selectCurrentDC(screen);
    GDL_setColor(9);
    GDL_beginPixelAccess();
    for (auto _ : state)
        for (int32_t y = 0; y < 240; ++y)
            for (int32_t x = 0; x + 16 <= 320; x += 16)
                GDL_stateBlock.v.current.span(y, x + (y & 3), x + (y & 3) + 16 - 3);
    GDL_endPixelAccess();
    GDL_selectCurrentDC(previous);
    state.SetItemsProcessed(int64_t(state.iterations()) * 240 * 20 * 13);
}
BENCHMARK(BM_ModeX_SolidSpans)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return RunWithRatios(
        argc, argv,
        {{"BM_ScanOut_Mode13h", "BM_ScanOut_Peer_SdlBlit", "like for like"},
         {"BM_ScanOut_Mode13h", "BM_ScanOut_Peer_Pixman", "like for like"},
         {"BM_ScanOut_ModeX240", "BM_ScanOut_ModeX240_Peer_SdlBlit", "like for like"},
         {"BM_ScanOut_Planar640x480", "BM_ScanOut_Planar640x480_Peer_SdlBlit", "like for like"}});
}
