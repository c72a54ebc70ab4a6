// Each of the library's blits beside its peer on the same pixels and sizes;
// the ratios close the run.
#include "../RatioReporter.h"

#include <benchmark/benchmark.h>

#include <pixman.h>
#include <SDL.h>

#include <cstring>
#include <vector>

#include "gdl/blit.h"
#include "gdl/dc.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "render_packed.h"

namespace {

constexpr int32_t W = 800, H = 600;

uint32_t next(uint32_t& seed) {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
}

// Fills a surface with noise where about a quarter of the pixels are `key`.
void fill16(uint8_t* surface, int32_t pitch, int32_t w, int32_t h, uint16_t key) {
    uint32_t seed = 12345;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint32_t r = next(seed);
            uint16_t v = (r & 3) == 0 ? key : uint16_t(r >> 4);
            if (v == key && (r & 3) != 0) v ^= 1;
            std::memcpy(surface + y * pitch + 2 * x, &v, 2);
        }
}

struct Contexts {
    GdlDeviceContext* src16;
    GdlDeviceContext* dst16;
    GdlDeviceContext* half16;
    GdlDeviceContext* src32;
    Contexts() {
        PACK_registerDrivers();
        src16 = GDL_createMemoryDC(W, H, 16, &GDL_pixelFormat565);
        dst16 = GDL_createMemoryDC(W, H, 16, &GDL_pixelFormat565);
        half16 = GDL_createMemoryDC(W / 2, H / 2, 16, &GDL_pixelFormat565);
        src32 = GDL_createMemoryDC(W, H, 32, &GDL_pixelFormatARGB);
        fill16(src16->surface, int32_t(src16->mode.bytesPerLine), W, H, 0xF81F);
        fill16(half16->surface, int32_t(half16->mode.bytesPerLine), W / 2, H / 2, 0xF81F);
        uint32_t seed = 99;
        for (int32_t i = 0; i < W * H; ++i) {
            uint32_t v = next(seed) | 0xFF000000u;
            std::memcpy(src32->surface + 4 * i, &v, 4);
        }
    }
};

Contexts& ctx() {
    static Contexts c;
    return c;
}

void setBytes(benchmark::State& state, int64_t bytesPerPixel) {
    state.SetBytesProcessed(int64_t(state.iterations()) * W * H * bytesPerPixel);
}

// --- Plain copies --------------------------------------------------------------------

void BM_Memcpy16(benchmark::State& state) {
    Contexts& c = ctx();
    for (auto _ : state) {
        std::memcpy(c.dst16->surface, c.src16->surface, size_t(W) * H * 2);
        benchmark::ClobberMemory();
    }
    setBytes(state, 2);
}
BENCHMARK(BM_Memcpy16);

// The peer of the row copy: memcpy of the same bytes, row by row.
void BM_Memcpy16Rows(benchmark::State& state) {
    Contexts& c = ctx();
    const int32_t pitch = int32_t(c.src16->mode.bytesPerLine);
    for (auto _ : state) {
        for (int32_t y = 0; y < H; ++y)
            std::memcpy(c.dst16->surface + y * pitch, c.src16->surface + y * pitch, size_t(W) * 2);
        benchmark::ClobberMemory();
    }
    setBytes(state, 2);
}
BENCHMARK(BM_Memcpy16Rows);

void BM_RowCopy16(benchmark::State& state) {
    Contexts& c = ctx();
    GDL_selectCurrentDC(c.dst16);
    GdlDeviceContext& s = GDL_stateBlock;
    const int32_t pitch = int32_t(c.src16->mode.bytesPerLine);
    for (auto _ : state) {
        for (int32_t y = 0; y < H; ++y)
            s.v.putRow(&s, y, 0, W, c.src16->surface + y * pitch, 0, 0);
        benchmark::ClobberMemory();
    }
    GDL_selectCurrentDC(nullptr);
    setBytes(state, 2);
}
BENCHMARK(BM_RowCopy16);

void BM_BitBlt16(benchmark::State& state) {
    Contexts& c = ctx();
    for (auto _ : state) {
        GDL_bitBlt(c.dst16, c.src16, 0, 0, W, H, 0, 0, 0);
        benchmark::ClobberMemory();
    }
    setBytes(state, 2);
}
BENCHMARK(BM_BitBlt16);

pixman_image_t* wrap565(GdlDeviceContext* dc, int32_t w, int32_t h) {
    return pixman_image_create_bits(PIXMAN_r5g6b5, w, h, reinterpret_cast<uint32_t*>(dc->surface),
                                    int(dc->mode.bytesPerLine));
}

// pixman's SRC composite of `src` over the whole 16-bit frame, once per
// iteration; releases both images.
void compositeFrames(benchmark::State& state, pixman_image_t* src, pixman_image_t* dst) {
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, 0, 0, 0, 0, 0, 0, W, H);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(src);
    pixman_image_unref(dst);
    setBytes(state, 2);
}

void BM_PixmanSrc16(benchmark::State& state) {
    Contexts& c = ctx();
    pixman_image_t* src = wrap565(c.src16, W, H);
    pixman_image_t* dst = wrap565(c.dst16, W, H);
    compositeFrames(state, src, dst);
}
BENCHMARK(BM_PixmanSrc16);

// --- Colour key ------------------------------------------------------------------------

void BM_KeyBlit16(benchmark::State& state) {
    Contexts& c = ctx();
    for (auto _ : state) {
        GDL_transBlt(c.dst16, c.src16, 0, 0, W, H, 0, 0, 0xF81F, 1);
        benchmark::ClobberMemory();
    }
    setBytes(state, 2);
}
BENCHMARK(BM_KeyBlit16);

// The two inner loops of the keyed row, portable and vector, on one frame.
template <bool Vector> void BM_KeyRun16(benchmark::State& state) {
    Contexts& c = ctx();
    const size_t pixels = size_t(W) * H;
    for (auto _ : state) {
        if (Vector)
            gdl_packed::keyRun16Vector<true>(c.dst16->surface, c.src16->surface, int32_t(pixels),
                                             0xF81F);
        else
            gdl_packed::keyRun16Portable<true>(c.dst16->surface, c.src16->surface, int32_t(pixels),
                                               0xF81F);
        benchmark::ClobberMemory();
    }
    setBytes(state, 2);
}
BENCHMARK_TEMPLATE(BM_KeyRun16, false);
BENCHMARK_TEMPLATE(BM_KeyRun16, true);

SDL_Surface* sdl565(GdlDeviceContext* dc, int32_t w, int32_t h) {
    return SDL_CreateRGBSurfaceWithFormatFrom(dc->surface, w, h, 16, int(dc->mode.bytesPerLine),
                                              SDL_PIXELFORMAT_RGB565);
}

void BM_SDLKeyBlit16(benchmark::State& state) {
    Contexts& c = ctx();
    SDL_Surface* src = sdl565(c.src16, W, H);
    SDL_Surface* dst = sdl565(c.dst16, W, H);
    SDL_SetColorKey(src, SDL_TRUE, 0xF81F);
    for (auto _ : state) {
        SDL_BlitSurface(src, nullptr, dst, nullptr);
        benchmark::ClobberMemory();
    }
    SDL_FreeSurface(src);
    SDL_FreeSurface(dst);
    setBytes(state, 2);
}
BENCHMARK(BM_SDLKeyBlit16);

// --- Nearest scaling by 2 ---------------------------------------------------------------

void BM_Stretch2x16(benchmark::State& state) {
    Contexts& c = ctx();
    for (auto _ : state) {
        GDL_stretchBlt(c.dst16, c.half16, 0, 0, W / 2, H / 2, 0, 0, W, H);
        benchmark::ClobberMemory();
    }
    setBytes(state, 2);
}
BENCHMARK(BM_Stretch2x16);

void BM_PixmanNearest2x16(benchmark::State& state) {
    Contexts& c = ctx();
    pixman_image_t* src = wrap565(c.half16, W / 2, H / 2);
    pixman_image_t* dst = wrap565(c.dst16, W, H);
    pixman_transform_t t;
    pixman_transform_init_scale(&t, pixman_double_to_fixed(0.5), pixman_double_to_fixed(0.5));
    pixman_image_set_transform(src, &t);
    pixman_image_set_filter(src, PIXMAN_FILTER_NEAREST, nullptr, 0);
    compositeFrames(state, src, dst);
}
BENCHMARK(BM_PixmanNearest2x16);

// --- 32 to 16 bits ------------------------------------------------------------------------

void BM_Convert32to16(benchmark::State& state) {
    Contexts& c = ctx();
    for (auto _ : state) {
        GDL_bitBlt(c.dst16, c.src32, 0, 0, W, H, 0, 0, 0);
        benchmark::ClobberMemory();
    }
    setBytes(state, 4);
}
BENCHMARK(BM_Convert32to16);

// The like-for-like peer: pixman's SRC composite from a8r8g8b8 to r5g6b5,
// whose bytes are checked against ours before the timing.
void BM_PixmanSrc32to16(benchmark::State& state) {
    Contexts& c = ctx();
    GDL_bitBlt(c.dst16, c.src32, 0, 0, W, H, 0, 0, 0);
    const int32_t pitch = int32_t(c.dst16->mode.bytesPerLine);
    std::vector<uint8_t> ours(size_t(pitch) * H), theirs(ours.size());
    std::memcpy(ours.data(), c.dst16->surface, ours.size());
    pixman_image_t* src = pixman_image_create_bits(PIXMAN_a8r8g8b8, W, H,
                                                   reinterpret_cast<uint32_t*>(c.src32->surface),
                                                   int(c.src32->mode.bytesPerLine));
    pixman_image_t* dst = pixman_image_create_bits(
        PIXMAN_r5g6b5, W, H, reinterpret_cast<uint32_t*>(theirs.data()), pitch);
    pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, 0, 0, 0, 0, 0, 0, W, H);
    for (int32_t y = 0; y < H; ++y)
        if (std::memcmp(&ours[size_t(y) * size_t(pitch)], &theirs[size_t(y) * size_t(pitch)],
                        size_t(W) * 2) != 0) {
            pixman_image_unref(src);
            pixman_image_unref(dst);
            return state.SkipWithError("pixman's pixels differ from ours");
        }
    compositeFrames(state, src, dst);
    setBytes(state, 4);
}
BENCHMARK(BM_PixmanSrc32to16);

// The converting loops on their own, one frame's pixels: portable, SSE2 and
// AVX2 (skipped where the processor lacks it).
void XrgbTo565Loop(benchmark::State& state, gdl_packed::XrgbLoop loop) {
    Contexts& c = ctx();
    if (gdl_packed::xrgbTo16Run(c.dst16->surface, c.src32->surface, 16, false, loop) == 0)
        return state.SkipWithError("the processor lacks this loop");
    for (auto _ : state) {
        gdl_packed::xrgbTo16Run(c.dst16->surface, c.src32->surface, W * H, false, loop);
        benchmark::ClobberMemory();
    }
    setBytes(state, 4);
}
BENCHMARK_CAPTURE(XrgbTo565Loop, portable, gdl_packed::XrgbLoop::kPortable);
BENCHMARK_CAPTURE(XrgbTo565Loop, sse2, gdl_packed::XrgbLoop::kSse2);
BENCHMARK_CAPTURE(XrgbTo565Loop, avx2, gdl_packed::XrgbLoop::kAvx2);

// A yardstick: SDL's scalar converting loop.
void BM_SDLConvert32to16(benchmark::State& state) {
    Contexts& c = ctx();
    SDL_Surface* src = SDL_CreateRGBSurfaceWithFormatFrom(
        c.src32->surface, W, H, 32, int(c.src32->mode.bytesPerLine), SDL_PIXELFORMAT_ARGB8888);
    SDL_Surface* dst = sdl565(c.dst16, W, H);
    SDL_SetSurfaceBlendMode(src, SDL_BLENDMODE_NONE);
    for (auto _ : state) {
        SDL_BlitSurface(src, nullptr, dst, nullptr);
        benchmark::ClobberMemory();
    }
    SDL_FreeSurface(src);
    SDL_FreeSurface(dst);
    setBytes(state, 4);
}
BENCHMARK(BM_SDLConvert32to16);

} // namespace

int main(int argc, char** argv) {
    return RunWithRatios(
        argc, argv,
        {{"BM_BitBlt16", "BM_PixmanSrc16", "like for like"},
         {"BM_KeyBlit16", "BM_SDLKeyBlit16", "like for like"},
         {"BM_Stretch2x16", "BM_PixmanNearest2x16", "like for like"},
         {"BM_Convert32to16", "BM_PixmanSrc32to16", "like for like"},
         {"BM_Convert32to16", "BM_SDLConvert32to16", "yardstick: SDL's scalar loop"},
         {"XrgbTo565Loop/sse2", "XrgbTo565Loop/portable", "SSE2 beside portable"},
         {"XrgbTo565Loop/avx2", "XrgbTo565Loop/portable", "AVX2 beside portable"}});
}
