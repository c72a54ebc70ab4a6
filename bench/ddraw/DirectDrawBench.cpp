// The adapter's scan-out of an 800 x 600 5:6:5 page into the full-screen
// window (what every unlock of the shown surface costs) beside
// SDL_ConvertPixels and pixman's SRC to x8r8g8b8 on the same pixels (like for
// like); and 16-pixel spans drawn on a DirectDraw context through the lock
// wrappers, inside one bracket, beside the same spans on a PACK16 memory
// context (the wrappers' cost). The ratios close the run.
#include "../RatioReporter.h"

#include <benchmark/benchmark.h>

#include <pixman.h>
#include <SDL.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "gdl/blit.h"
#include "gdl/ddraw.h"
#include "gdl/draw.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "platform/Adapter.h"
#include "platform/DirectDraw.h"
#include "platform/Host.h"
#include "platform/Session.h"
#include "platform/User.h"

namespace {

constexpr int32_t W = 800, H = 600;

struct Setup {
    platform::Session session{{platform::HostKind::Memory, 0u}};
    GdlDeviceContext* screen = nullptr;
    GdlDeviceContext* memory = nullptr;
    LPDIRECTDRAWSURFACE primary = nullptr;
    std::vector<uint16_t> pixels = std::vector<uint16_t>(size_t(W) * H);
    std::vector<uint32_t> xrgb = std::vector<uint32_t>(size_t(W) * H);
    Setup() {
        platform::SetMemoryDesktop(1024, 768, 32);
        platform::UseAdapter("ddraw-4mb");
        GDL_unregisterAllDrivers();
        PACK_registerDrivers();
        int32_t count = 0;
        const GdlLinkedDriver* linked = GDL_linkedDrivers(&count);
        for (int32_t i = 0; i < count; ++i)
            GDL_registerDriver(linked[i].fileName, linked[i].header);
        int32_t driver = -1, mode = 41 + 9; // 800 x 600 x 16
        GDL_init(&driver, &mode, ".");
        screen = GDL_createDisplayDCPages(1);
        memory = GDL_createMemoryDC(W, H, 16, &GDL_pixelFormat565);
        primary = GDL_getPrimarySurface(screen);
        uint32_t seed = 12345;
        for (uint16_t& p : pixels) {
            seed = seed * 1664525u + 1013904223u;
            p = uint16_t(seed >> 12);
        }
        DDSURFACEDESC d{};
        d.dwSize = sizeof(d);
        primary->Lock(nullptr, &d, DDLOCK_WAIT, nullptr);
        for (int32_t y = 0; y < H; ++y)
            std::memcpy(static_cast<uint8_t*>(d.lpSurface) + y * d.lPitch, &pixels[size_t(y) * W],
                        W * 2);
        primary->Unlock(d.lpSurface);
    }
    ~Setup() { GDL_exit(); }
};

Setup& setup() {
    static Setup s;
    return s;
}

void pixelsDone(benchmark::State& state) {
    state.SetItemsProcessed(int64_t(state.iterations()) * W * H);
}

void BM_ScanOut_Adapter(benchmark::State& state) {
    Setup& s = setup();
    DDSURFACEDESC d{};
    d.dwSize = sizeof(d);
    for (auto _ : state) {
        s.primary->Lock(nullptr, &d, DDLOCK_WAIT, nullptr);
        s.primary->Unlock(d.lpSurface); // the shown surface goes to the window
    }
    pixelsDone(state);
}
BENCHMARK(BM_ScanOut_Adapter)->Unit(benchmark::kMicrosecond);

void BM_ScanOut_Peer_SdlConvertPixels(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state)
        SDL_ConvertPixels(W, H, SDL_PIXELFORMAT_RGB565, s.pixels.data(), W * 2,
                          SDL_PIXELFORMAT_RGB888, s.xrgb.data(), W * 4);
    pixelsDone(state);
}
BENCHMARK(BM_ScanOut_Peer_SdlConvertPixels)->Unit(benchmark::kMicrosecond);

void BM_ScanOut_Peer_Pixman(benchmark::State& state) {
    Setup& s = setup();
    pixman_image_t* src = pixman_image_create_bits(
        PIXMAN_r5g6b5, W, H, reinterpret_cast<uint32_t*>(s.pixels.data()), W * 2);
    pixman_image_t* dst = pixman_image_create_bits(PIXMAN_x8r8g8b8, W, H, s.xrgb.data(), W * 4);
    for (auto _ : state)
        pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, 0, 0, 0, 0, 0, 0, W, H);
    pixman_image_unref(src);
    pixman_image_unref(dst);
    pixelsDone(state);
}
BENCHMARK(BM_ScanOut_Peer_Pixman)->Unit(benchmark::kMicrosecond);

// 16-pixel spans over the whole page through the current table's span slot.
void spans(GdlDeviceContext* dc, benchmark::State& state) {
    GdlDeviceContext* previous = GDL_selectCurrentDC(dc);
    GDL_setColor(0x1234);
    GDL_beginPixelAccess();
    for (auto _ : state)
        for (int32_t y = 0; y < H; y += 4)
            for (int32_t x = 0; x + 16 <= W; x += 16)
                GDL_stateBlock.v.current.span(y, x, x + 16);
    GDL_endPixelAccess();
    GDL_selectCurrentDC(previous);
    state.SetItemsProcessed(int64_t(state.iterations()) * (H / 4) * (W / 16));
}

void BM_Spans16_Wrapped(benchmark::State& state) {
    spans(setup().screen, state);
}
BENCHMARK(BM_Spans16_Wrapped)->Unit(benchmark::kMicrosecond);

void BM_Spans16_Peer_Pack16(benchmark::State& state) {
    spans(setup().memory, state);
}
BENCHMARK(BM_Spans16_Peer_Pack16)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return RunWithRatios(
        argc, argv,
        {{"BM_ScanOut_Adapter", "BM_ScanOut_Peer_SdlConvertPixels", "like for like"},
         {"BM_ScanOut_Adapter", "BM_ScanOut_Peer_Pixman", "like for like"},
         {"BM_Spans16_Wrapped", "BM_Spans16_Peer_Pack16", "the wrappers' cost"}});
}
