// The simulated VGA's scan-out of mode 13h (320 x 200 shown as 400 doubled
// lines, worked out from the registers through the attribute controller and
// the DAC) beside SDL_BlitSurface from INDEX8 to XRGB8888 and pixman's SRC
// from c8 to x8r8g8b8 on as many pixels (like for like). The ratios close the run.
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

} // namespace

int main(int argc, char** argv) {
    return RunWithRatios(argc, argv,
                         {{"BM_ScanOut_Mode13h", "BM_ScanOut_Peer_SdlBlit", "like for like"},
                          {"BM_ScanOut_Mode13h", "BM_ScanOut_Peer_Pixman", "like for like"}});
}
