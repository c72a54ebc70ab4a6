// The ACCEL drivers at 800 x 600 x 16 on the simulated accelerator: a
// whole-screen rectangle fill and a screen-to-screen blit of half the screen,
// each handed to the accelerator and waited for, beside pixman's fill and
// SRC blit of the same pixels on plain memory. The locked wrappers inside
// one open bracket beside the same packed routines (single pixels, 32-pixel
// rows) unwrapped on a memory context. The ratios close the run.
#include "../BenchSupport.h"
#include "../RatioReporter.h"
#include "VbeafWriter.h"

#include <benchmark/benchmark.h>

#include <pixman.h>

#include <algorithm>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "gdl/blit.h"
#include "gdl/dc.h"
#include "gdl/ddraw.h"
#include "gdl/draw.h"
#include "gdl/packed.h"
#include "gdl/vbeaf.h"
#include "platform/Adapter.h"
#include "platform/Host.h"
#include "platform/Session.h"

namespace {

constexpr int32_t W = 800, H = 600;

struct Screen {
    platform::Session session{{platform::HostKind::Memory, 0u}};
    GdlDeviceContext* dc = nullptr;

    // The accelerated screen, current; its driver file in a folder of its own.
    GdlDeviceContext* open() {
        if (dc) return dc;
        const std::filesystem::path folder = std::filesystem::temp_directory_path() / "accel-bench";
        std::filesystem::create_directories(folder);
        const std::vector<uint8_t> image = tools::WriteVbeaf({});
        FILE* f = std::fopen((folder / "VBEAF.DRV").string().c_str(), "wb");
        if (!f) return nullptr;
        std::fwrite(image.data(), 1, image.size(), f);
        std::fclose(f);
        setenv("VBEAF_PATH", folder.string().c_str(), 1);
        dc = bench::OpenFullScreen("accel", 50, // 800 x 600 x 16
                                   [] { GDL_registerDriver("ACCEL16.DRV", ACCEL_header(16)); });
        return dc;
    }
};

Screen& screen() {
    return bench::Once<Screen>();
}

void BM_AccelFill16(benchmark::State& state) {
    if (!screen().open()) return state.SkipWithError("no accelerated screen");
    GdlDeviceContext& s = GDL_stateBlock;
    s.v.setColor(0x1234);
    for (auto _ : state) {
        s.v.current.fillRect(0, 0, W, H);
        ACCEL_waitIdle();
    }
    bench::CountBytes(state, int64_t(W) * H * 2);
}
BENCHMARK(BM_AccelFill16)->Unit(benchmark::kMicrosecond);

void BM_Fill16_Peer_Pixman(benchmark::State& state) {
    bench::PixmanFill16(state, W, H);
}
BENCHMARK(BM_Fill16_Peer_Pixman)->Unit(benchmark::kMicrosecond);

// The frame both blits start from, and what one blit of the upper half over
// the lower half leaves.
std::vector<uint16_t> BlitStart() {
    return bench::KeyedNoise(W, H, 21);
}

std::vector<uint16_t> BlitResult() {
    std::vector<uint16_t> frame = BlitStart();
    std::copy(frame.begin(), frame.begin() + W * (H / 2), frame.begin() + W * (H / 2));
    return frame;
}

void BM_AccelBlit16(benchmark::State& state) {
    if (!screen().open()) return state.SkipWithError("no accelerated screen");
    GdlDeviceContext& s = GDL_stateBlock;
    // One blit over the start frame must leave what the peer leaves.
    const GdlDeviceContext* live = GDL_liveDC(screen().dc);
    const auto pitch = size_t(live->mode.bytesPerLine);
    const std::vector<uint16_t> start = BlitStart(), want = BlitResult();
    s.v.beginDirectAccess();
    for (int32_t y = 0; y < H; ++y)
        std::memcpy(live->surface + size_t(y) * pitch, &start[size_t(y) * W], size_t(W) * 2);
    s.v.endDirectAccess();
    s.v.copyWithin(0, 0, W, H / 2, 0, H / 2, 0, 0);
    ACCEL_waitIdle();
    s.v.beginDirectAccess();
    bool same = true;
    for (int32_t y = 0; y < H; ++y)
        same = same &&
               !std::memcmp(live->surface + size_t(y) * pitch, &want[size_t(y) * W], size_t(W) * 2);
    s.v.endDirectAccess();
    if (!same) return state.SkipWithError("the accelerator's frame differs from the peer's");
    for (auto _ : state) {
        s.v.copyWithin(0, 0, W, H / 2, 0, H / 2, 0, 0);
        ACCEL_waitIdle();
    }
    bench::CountBytes(state, int64_t(W) * (H / 2) * 2);
}
BENCHMARK(BM_AccelBlit16)->Unit(benchmark::kMicrosecond);

void BM_Blit16_Peer_Pixman(benchmark::State& state) {
    std::vector<uint16_t> frame = BlitStart();
    auto* pixels = reinterpret_cast<uint32_t*>(frame.data());
    auto blit = [&] { pixman_blt(pixels, pixels, W / 2, W / 2, 16, 16, 0, 0, 0, H / 2, W, H / 2); };
    blit();
    if (frame != BlitResult()) return state.SkipWithError("pixman's frame differs from ours");
    for (auto _ : state) {
        blit();
        benchmark::ClobberMemory();
    }
    bench::CountBytes(state, int64_t(W) * (H / 2) * 2);
}
BENCHMARK(BM_Blit16_Peer_Pixman)->Unit(benchmark::kMicrosecond);

constexpr int32_t kCalls = 4096, kRow = 32;

// One routine through the locked wrappers with one bracket open around all
// its calls, and the same packed routine unwrapped on a memory context of the
// same size: what the wrapper adds to each call.
template <typename Draw> void Locked(benchmark::State& state, Draw draw) {
    if (!screen().open()) return state.SkipWithError("no accelerated screen");
    GdlDeviceContext& s = GDL_stateBlock;
    s.v.beginDirectAccess();
    for (auto _ : state)
        draw(s);
    s.v.endDirectAccess();
    state.SetItemsProcessed(int64_t(state.iterations()) * kCalls);
}

template <typename Draw> void Unwrapped(benchmark::State& state, Draw draw) {
    if (!screen().open()) return state.SkipWithError("no accelerated screen");
    GdlPixelFormat format = GDL_liveDC(screen().dc)->format;
    GdlDeviceContext* memory = GDL_createMemoryDC(W, H, 16, &format);
    if (!memory) return state.SkipWithError("no memory context");
    GDL_selectCurrentDC(memory);
    for (auto _ : state)
        draw(GDL_stateBlock);
    state.SetItemsProcessed(int64_t(state.iterations()) * kCalls);
    GDL_selectCurrentDC(screen().dc);
    GDL_destroyMemoryDC(memory);
}

// The cheapest routine, a pixel: the wrapper's share is the largest.
void PutPixels(GdlDeviceContext& s) {
    for (int32_t i = 0; i < kCalls; ++i)
        s.v.putPixel(i & 511, i >> 9);
}

// Rows of 32 pixels from memory, as the image and blit paths put them.
void PutRows(GdlDeviceContext& s) {
    static const std::vector<uint16_t> row(kRow, 0x1234);
    for (int32_t i = 0; i < kCalls; ++i)
        s.v.putRow(&s, i % H, 0, kRow, row.data(), 0, 0);
}

void BM_LockedPixels16(benchmark::State& state) {
    Locked(state, PutPixels);
}
BENCHMARK(BM_LockedPixels16)->Unit(benchmark::kMicrosecond);

void BM_Pixels16_Unwrapped(benchmark::State& state) {
    Unwrapped(state, PutPixels);
}
BENCHMARK(BM_Pixels16_Unwrapped)->Unit(benchmark::kMicrosecond);

void BM_LockedRows16(benchmark::State& state) {
    Locked(state, PutRows);
}
BENCHMARK(BM_LockedRows16)->Unit(benchmark::kMicrosecond);

void BM_Rows16_Unwrapped(benchmark::State& state) {
    Unwrapped(state, PutRows);
}
BENCHMARK(BM_Rows16_Unwrapped)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    const int result = RunWithRatios(
        argc, argv,
        {{"BM_AccelFill16", "BM_Fill16_Peer_Pixman", "like for like (want 1.0x)"},
         {"BM_AccelBlit16", "BM_Blit16_Peer_Pixman", "like for like (want 1.0x)"},
         {"BM_LockedPixels16", "BM_Pixels16_Unwrapped", "wrapped beside unwrapped (want 0.9x)"},
         {"BM_LockedRows16", "BM_Rows16_Unwrapped", "wrapped beside unwrapped (want 0.9x)"}});
    GDL_exit();
    return result;
}
