// The simulated VGA's scan-out of mode 13h (320 x 200 shown as 400 doubled
// lines, worked out from the registers through the attribute controller and
// the DAC) beside its like-for-like peer: SDL_BlitSurface from INDEX8 to
// XRGB8888 converting the 200 lines into every other line of the frame and a
// copy of each into the line below, the same work as ours (its bytes are
// checked against ours before the timing); likewise mode X at 320 x 240 (480
// doubled lines). SDL and pixman converting all 400 lines stay as yardsticks
// doing more work. The 16-colour 640 x 480 mode beside SDL on as many pixels.
// The scan-out's colour loop, vector beside portable. The ratios close the
// run. Last, mode X's solid spans through the adapter's access calls (pixels
// a second, no peer).
#include "../RatioReporter.h"

#include <benchmark/benchmark.h>

#include <pixman.h>
#include <SDL.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/Adapter.h"
#include "platform/Host.h"
#include "platform/Session.h"
#include "platform/Vga.h"

#include "gdl/ddraw.h"
#include "gdl/draw.h"
#include "gdl/driver.h"
#include "gdl/vga.h"

#include "ColourRun.h"

namespace {

constexpr int W = 320, H = 400;

struct Setup {
    platform::Session session{{platform::HostKind::Memory, 0u}};
    std::vector<uint8_t> indexes = std::vector<uint8_t>(size_t(W) * H);
    std::vector<uint32_t> xrgb = std::vector<uint32_t>(size_t(W) * H);
    Setup() {
        platform::UseAdapter("vga");
        uint32_t seed = 12345;
        for (uint8_t& p : indexes) {
            seed = seed * 1664525u + 1013904223u;
            p = uint8_t(seed >> 24);
        }
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

// Every DAC entry a colour of its own, 6 bits a channel.
void programDac() {
    platform::VgaOutPort(0x3C8, 0);
    for (int i = 0; i < 256; ++i) {
        platform::VgaOutPort(0x3C9, uint8_t(i & 63));
        platform::VgaOutPort(0x3C9, uint8_t((255 - i) & 63));
        platform::VgaOutPort(0x3C9, uint8_t((i * 7 + (i >> 6)) & 63));
    }
}

// Mode 13h showing the first 64000 indexes. Each benchmark sets its own mode,
// so that any order of running them (interleaved) times the same work.
Setup& mode13h() {
    Setup& s = setup();
    platform::RealModeRegs r{};
    r.eax = 0x13;
    platform::RealModeInterrupt(0x10, &r);
    uint8_t* window = platform::VgaWindow();
    for (size_t i = 0; i < 64000; ++i)
        window[i] = s.indexes[i];
    programDac();
    return s;
}

void pixelsDone(benchmark::State& state) {
    state.SetItemsProcessed(int64_t(state.iterations()) * W * H);
}

void BM_ScanOut_Mode13h(benchmark::State& state) {
    mode13h();
    for (auto _ : state)
        benchmark::DoNotOptimize(platform::VgaFrame());
    pixelsDone(state);
}
BENCHMARK(BM_ScanOut_Mode13h)->Unit(benchmark::kMicrosecond);

// The DAC's colours as the scan-out widens them to eight bits.
void dacColours(SDL_Color colours[256]) {
    for (int i = 0; i < 256; ++i) {
        uint8_t rgb[3];
        platform::VgaDacEntry(i, rgb);
        auto widen = [](uint8_t v) { return uint8_t((v & 63) << 2 | (v & 63) >> 4); };
        colours[i] = {widen(rgb[0]), widen(rgb[1]), widen(rgb[2]), 255};
    }
}

// The like-for-like peer of a double-scanned mode: SDL converts the `lines`
// lines of `indexes` (`width` pixels each) into every other line of the
// frame, and each converted line is copied into the line below it. Its
// frame must equal the scan-out's before the timing starts.
void sdlDoubled(benchmark::State& state, const std::vector<uint8_t>& indexes, int width,
                int lines) {
    std::vector<uint8_t> source = indexes;
    std::vector<uint32_t> frame(size_t(width) * size_t(lines) * 2);
    SDL_Surface* src = SDL_CreateRGBSurfaceWithFormatFrom(source.data(), width, lines, 8, width,
                                                          SDL_PIXELFORMAT_INDEX8);
    SDL_Color colours[256];
    dacColours(colours);
    SDL_SetPaletteColors(src->format->palette, colours, 0, 256);
    // Every other line: a pitch of two lines.
    SDL_Surface* dst = SDL_CreateRGBSurfaceWithFormatFrom(frame.data(), width, lines, 32, width * 8,
                                                          SDL_PIXELFORMAT_RGB888);
    const size_t line = size_t(width);
    auto scanOut = [&] {
        SDL_BlitSurface(src, nullptr, dst, nullptr);
        for (int y = 0; y < lines; ++y)
            std::memcpy(&frame[(2 * size_t(y) + 1) * line], &frame[2 * size_t(y) * line], line * 4);
    };
    scanOut();
    const platform::Frame ours = platform::VgaFrame();
    if (ours.width != width || ours.height != 2 * lines || ours.pixels != frame)
        state.SkipWithError("SDL's frame differs from the scan-out's");
    else
        for (auto _ : state) {
            scanOut();
            benchmark::ClobberMemory();
        }
    SDL_FreeSurface(src);
    SDL_FreeSurface(dst);
    state.SetItemsProcessed(int64_t(state.iterations()) * width * lines * 2);
}

void BM_ScanOut_Peer_SdlDoubled(benchmark::State& state) {
    Setup& s = mode13h();
    sdlDoubled(state, std::vector<uint8_t>(s.indexes.begin(), s.indexes.begin() + 64000), W, H / 2);
}
BENCHMARK(BM_ScanOut_Peer_SdlDoubled)->Unit(benchmark::kMicrosecond);

// A yardstick doing more work: SDL converts all 400 lines.
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

// A yardstick doing more work: pixman converts all 400 lines.
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
    programDac();
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

// Mode X's pixels as fillPlanes left them: pixel x of a line is on plane
// x mod 4, at the line's offset plus x / 4.
void BM_ScanOut_ModeX240_Peer_SdlDoubled(benchmark::State& state) {
    fillPlanes(0x13, 80 * 240);
    std::vector<uint8_t> indexes(320 * 240);
    for (uint32_t y = 0; y < 240; ++y)
        for (uint32_t x = 0; x < 320; ++x)
            indexes[y * 320 + x] = uint8_t((y * 80 + x / 4) * 37 + (x & 3) * 11);
    sdlDoubled(state, indexes, 320, 240);
}
BENCHMARK(BM_ScanOut_ModeX240_Peer_SdlDoubled)->Unit(benchmark::kMicrosecond);

// A yardstick doing more work: SDL converts all 480 lines.
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

// The scan-out's inner loop on its own, portable beside vector: 200 runs of
// 320 values through a table, each into two lines as a doubled row.
template <bool Vector> void BM_ColourRun(benchmark::State& state) {
    const Setup& s = setup();
    platform::adapter::ColourRunTable table{};
    for (int i = 0; i < 256; ++i)
        table.colour[i] = uint32_t(i) * 0x010307u;
    table.Prepare();
    std::vector<uint32_t> frame(size_t(W) * H);
    if (Vector &&
        !platform::adapter::ColourRunVector(table, s.indexes.data(), W, frame.data(), nullptr))
        return state.SkipWithError("no vector loop on this processor");
    for (auto _ : state) {
        for (int y = 0; y < H / 2; ++y) {
            const uint8_t* values = s.indexes.data() + size_t(y) * W;
            uint32_t* line = frame.data() + size_t(2 * y) * W;
            if (Vector)
                platform::adapter::ColourRunVector(table, values, W, line, line + W);
            else
                platform::adapter::ColourRunPortable(table, values, W, line, line + W);
        }
        benchmark::ClobberMemory();
    }
    pixelsDone(state);
}
BENCHMARK_TEMPLATE(BM_ColourRun, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_ColourRun, true)->Unit(benchmark::kMicrosecond);

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
        {{"BM_ScanOut_Mode13h", "BM_ScanOut_Peer_SdlDoubled", "like for like"},
         {"BM_ScanOut_Mode13h", "BM_ScanOut_Peer_SdlBlit", "yardstick: converts all 400 lines"},
         {"BM_ScanOut_Mode13h", "BM_ScanOut_Peer_Pixman", "yardstick: converts all 400 lines"},
         {"BM_ScanOut_ModeX240", "BM_ScanOut_ModeX240_Peer_SdlDoubled", "like for like"},
         {"BM_ScanOut_ModeX240", "BM_ScanOut_ModeX240_Peer_SdlBlit",
          "yardstick: converts all 480 lines"},
         {"BM_ScanOut_Planar640x480", "BM_ScanOut_Planar640x480_Peer_SdlBlit", "like for like"},
         {"BM_ColourRun<true>", "BM_ColourRun<false>", "the vector loop beside the portable one"}});
}
