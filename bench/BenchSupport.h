// Set-up that several benchmark programs share: keyed noise pictures, a
// 16-bit memory frame holding one, a full screen on a simulated card, and
// the loops of the pixman peers.
#pragma once

#include "gdl/dc.h"
#include "gdl/driver.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "platform/Adapter.h"

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace bench {

// A fixed sequence, so that every run sees the same pixels.
inline uint32_t Next(uint32_t& seed) {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
}

// 5:6:5 noise where a quarter of the pixels are the key colour 0x07E0.
inline std::vector<uint16_t> KeyedNoise(int32_t w, int32_t h, uint32_t seed) {
    std::vector<uint16_t> px(size_t(w) * size_t(h));
    for (uint16_t& p : px) {
        const uint32_t r = Next(seed);
        p = (r & 3) == 0 ? 0x07E0 : uint16_t(r >> 4);
        if ((r & 3) != 0 && p == 0x07E0) p ^= 1;
    }
    return px;
}

// A w x h 5:6:5 memory context holding KeyedNoise(w, h, seed).
inline GdlDeviceContext* NoiseFrame16(int32_t w, int32_t h, uint32_t seed) {
    PACK_registerDrivers();
    GdlDeviceContext* frame = GDL_createMemoryDC(w, h, 16, &GDL_pixelFormat565);
    const std::vector<uint16_t> noise = KeyedNoise(w, h, seed);
    for (int32_t y = 0; y < h; ++y)
        std::memcpy(frame->surface + y * int32_t(frame->mode.bytesPerLine),
                    noise.data() + size_t(y) * size_t(w), size_t(w) * 2);
    return frame;
}

// The one T of the program, made on first use.
template <class T> T& Once() {
    static T one;
    return one;
}

inline void CountItems(benchmark::State& state, int64_t perIteration) {
    state.SetItemsProcessed(int64_t(state.iterations()) * perIteration);
}

inline void CountBytes(benchmark::State& state, int64_t perIteration) {
    state.SetBytesProcessed(int64_t(state.iterations()) * perIteration);
}

// The library on the simulated `card` with the packed set and the drivers
// `registerDrivers` adds, in library mode `mode`: its one-page display
// context, made current; null when a step fails.
inline GdlDeviceContext* OpenFullScreen(const char* card, int32_t mode, void (*registerDrivers)()) {
    if (!platform::UseAdapter(card)) return nullptr;
    GDL_unregisterAllDrivers();
    PACK_registerDrivers();
    registerDrivers();
    int32_t driver = -1;
    if (!GDL_init(&driver, &mode, ".")) return nullptr;
    GdlDeviceContext* dc = GDL_createDisplayDCPages(1);
    if (dc) GDL_selectCurrentDC(dc);
    return dc;
}

// Pixels, size and bytes per row of a picture handed to pixman.
struct Pixels16 {
    void* pixels;
    int32_t w, h, stride;
};

// The pixman peer of the alpha blitters: OVER of a 5:6:5 picture through a
// solid a8 mask of `alpha` onto a 5:6:5 frame at (x, y), as often as the
// state asks.
inline void PixmanOverSolidMask(benchmark::State& state, Pixels16 picture, Pixels16 frame,
                                int32_t alpha, int32_t x, int32_t y) {
    pixman_image_t* src =
        pixman_image_create_bits(PIXMAN_r5g6b5, picture.w, picture.h,
                                 static_cast<uint32_t*>(picture.pixels), picture.stride);
    pixman_image_t* dst = pixman_image_create_bits(
        PIXMAN_r5g6b5, frame.w, frame.h, static_cast<uint32_t*>(frame.pixels), frame.stride);
    const pixman_color_t grey = {0, 0, 0, uint16_t(alpha * 257)};
    pixman_image_t* mask = pixman_image_create_solid_fill(&grey);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_OVER, src, mask, dst, 0, 0, 0, 0, x, y, picture.w,
                                 picture.h);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(mask);
    pixman_image_unref(dst);
    pixman_image_unref(src);
}

// The pixman peer of the presenting paths: SRC of `src` onto a w x h
// x8r8g8b8 buffer, as often as the state asks; lets go of `src` after.
inline void PixmanSrcToXrgb(benchmark::State& state, pixman_image_t* src, uint32_t* xrgb, int32_t w,
                            int32_t h) {
    pixman_image_t* dst = pixman_image_create_bits(PIXMAN_x8r8g8b8, w, h, xrgb, w * 4);
    for (auto _ : state)
        pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, 0, 0, 0, 0, 0, 0, w, h);
    pixman_image_unref(src);
    pixman_image_unref(dst);
}

// The pixman peer of the 16-bit rectangle fills: `w` x `h` pixels of one
// colour in a plain buffer, as often as the state asks (w even).
inline void PixmanFill16(benchmark::State& state, int32_t w, int32_t h) {
    std::vector<uint32_t> pixels(size_t(w) * size_t(h) / 2);
    for (auto _ : state) {
        pixman_fill(pixels.data(), w / 2, 16, 0, 0, w, h, 0x1234);
        benchmark::ClobberMemory();
    }
    CountBytes(state, int64_t(w) * h * 2);
}

} // namespace bench
