// The banked SVGA drivers on the simulated VESA BIOS (vbe30, 64 KB window):
// a 16-bit rectangle fill within one bank beside pixman's fill of the same
// rows on linear memory, and 16-bit image puts of whole and of part rows
// within one bank beside memcpy of the same rows (like for like: the bank is
// selected already).
// Whole 800 x 600 frames at 16 and 24 bits (pixels straddling the window
// end) report their bank switches a frame, and a bank switch alone its
// microseconds: hardware paid a BIOS call per switch too. The ratios close
// the run.
#include "../BenchSupport.h"
#include "../RatioReporter.h"

#include <benchmark/benchmark.h>

#include <pixman.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "gdl/blit.h"
#include "gdl/dc.h"
#include "gdl/ddraw.h"
#include "gdl/draw.h"
#include "gdl/modetiming.h"
#include "gdl/packed.h"
#include "gdl/vbe.h"
#include "platform/Adapter.h"
#include "platform/Host.h"
#include "platform/Session.h"

namespace {

constexpr int32_t W = 800, H = 600;
constexpr int32_t kRows = 40; // 40 rows of 1600 bytes: 64000 bytes, all in bank 0

struct Screen {
    platform::Session session{{platform::HostKind::Memory, 0u}};
    GdlDeviceContext* dc = nullptr;
    int32_t bits = 0;

    // The banked screen at 800 x 600 in `depth` bits, current.
    GdlDeviceContext* open(int32_t depth) {
        if (dc && bits == depth) return dc;
        GDL_exit();
        dc = bench::OpenFullScreen("vbe30", depth == 16 ? 50 : 65, [] { // 800 x 600
            int32_t count = 0;
            const GdlLinkedDriver* linked = GDL_linkedDrivers(&count);
            for (int32_t i = 0; i < count; ++i)
                if (std::strncmp(linked[i].fileName, "SVGA", 4) == 0)
                    GDL_registerDriver(linked[i].fileName, linked[i].header);
        });
        bits = depth;
        return dc;
    }
};

Screen& screen() {
    return bench::Once<Screen>();
}

void BM_Fill16_OneBank(benchmark::State& state) {
    if (!screen().open(16)) return state.SkipWithError("no banked 16-bit screen");
    GdlDeviceContext& s = GDL_stateBlock;
    s.v.setColor(0x1234);
    s.v.current.fillRect(0, 0, W, kRows); // the bank selected before timing
    for (auto _ : state)
        s.v.current.fillRect(0, 0, W, kRows);
    bench::CountBytes(state, int64_t(W) * kRows * 2);
}
BENCHMARK(BM_Fill16_OneBank)->Unit(benchmark::kMicrosecond);

void BM_Fill16_Peer_Pixman(benchmark::State& state) {
    bench::PixmanFill16(state, W, kRows);
}
BENCHMARK(BM_Fill16_Peer_Pixman)->Unit(benchmark::kMicrosecond);

std::vector<uint8_t> noise(size_t bytes) {
    std::vector<uint8_t> out(bytes);
    uint32_t seed = 99;
    for (uint8_t& b : out) {
        seed = seed * 1664525u + 1013904223u;
        b = uint8_t(seed >> 24);
    }
    return out;
}

// `width` pixels of kRows rows put in the selected bank; memcpy of the same
// rows into rows aligned as the window's are (it starts on a page). Whole
// rows are one run of bytes on both sides; part rows a copy a row.
constexpr int32_t kPart = 600;

void putRows(benchmark::State& state, int32_t width) {
    if (!screen().open(16)) return state.SkipWithError("no banked 16-bit screen");
    GdlDeviceContext& s = GDL_stateBlock;
    const std::vector<uint8_t> image = noise(size_t(W) * kRows * 2);
    s.v.copyFromMemory(0, 0, width, kRows, 0, 0, 0, image.data(), W * 2, nullptr);
    for (auto _ : state)
        s.v.copyFromMemory(0, 0, width, kRows, 0, 0, 0, image.data(), W * 2, nullptr);
    bench::CountBytes(state, int64_t(width) * kRows * 2);
}

void memcpyRows(benchmark::State& state, int32_t width) {
    const std::vector<uint8_t> image = noise(size_t(W) * kRows * 2);
    alignas(4096) static uint8_t rows[W * kRows * 2];
    for (auto _ : state) {
        for (int32_t y = 0; y < kRows; ++y)
            std::memcpy(rows + size_t(y) * W * 2, image.data() + size_t(y) * W * 2,
                        size_t(width) * 2);
        benchmark::ClobberMemory();
    }
    bench::CountBytes(state, int64_t(width) * kRows * 2);
}

void BM_Put16_OneBank(benchmark::State& state) {
    putRows(state, W);
}
void BM_Put16_Peer_Memcpy(benchmark::State& state) {
    memcpyRows(state, W);
}
void BM_Put16_Part_OneBank(benchmark::State& state) {
    putRows(state, kPart);
}
void BM_Put16_Part_Peer_Memcpy(benchmark::State& state) {
    memcpyRows(state, kPart);
}
BENCHMARK(BM_Put16_OneBank)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Put16_Peer_Memcpy)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Put16_Part_OneBank)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Put16_Part_Peer_Memcpy)->Unit(benchmark::kMicrosecond);

// A whole frame filled and a whole frame of an image put, with the bank
// switches they cost.
void frame(benchmark::State& state, int32_t depth, bool image) {
    if (!screen().open(depth)) return state.SkipWithError("no banked screen");
    GdlDeviceContext& s = GDL_stateBlock;
    const int32_t bytes = depth / 8;
    const std::vector<uint8_t> pixels = noise(size_t(W) * H * size_t(bytes));
    s.v.setColor(0x123456);
    const uint32_t before = VBE_bankSwitches();
    for (auto _ : state) {
        if (image)
            s.v.copyFromMemory(0, 0, W, H, 0, 0, 0, pixels.data(), W * bytes, nullptr);
        else
            s.v.current.fillRect(0, 0, W, H);
    }
    state.counters["switches/frame"] =
        double(VBE_bankSwitches() - before) / double(state.iterations());
    bench::CountBytes(state, int64_t(W) * H * bytes);
}
void BM_Frame16_Fill(benchmark::State& state) {
    frame(state, 16, false);
}
void BM_Frame16_Put(benchmark::State& state) {
    frame(state, 16, true);
}
void BM_Frame24_Fill(benchmark::State& state) {
    frame(state, 24, false);
}
void BM_Frame24_Put(benchmark::State& state) {
    frame(state, 24, true);
}
BENCHMARK(BM_Frame16_Fill)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Frame16_Put)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Frame24_Fill)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Frame24_Put)->Unit(benchmark::kMicrosecond);

// One bank switch through the BIOS's window (write back what changed, load
// the new bank): two banks in turn.
void BM_BankSwitch(benchmark::State& state) {
    if (!screen().open(16)) return state.SkipWithError("no banked 16-bit screen");
    int32_t bank = 0;
    for (auto _ : state) {
        bank ^= 1;
        Vbe_switchBank(bank);
    }
}
BENCHMARK(BM_BankSwitch)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    const int result = RunWithRatios(
        argc, argv,
        {{"BM_Fill16_OneBank", "BM_Fill16_Peer_Pixman", "like for like (want 1.0x)"},
         {"BM_Put16_OneBank", "BM_Put16_Peer_Memcpy", "like for like (want 0.9x)"},
         {"BM_Put16_Part_OneBank", "BM_Put16_Part_Peer_Memcpy", "like for like (want 0.9x)"}});
    GDL_exit();
    return result;
}
