// The depths and layouts the packed-renderer tests run over, and pixel
// access straight from surface bytes (independent of the library's entries).
#pragma once

#include <cstdint>

#include "gdl/dc.h"
#include "gdl/pixelformat.h"

namespace packedtest {

struct Depth {
    int32_t bits;
    const GdlPixelFormat* format;
    const char* name;
};

inline const Depth kDepths[] = {
    {8, nullptr, "8"},
    {15, &GDL_pixelFormat555, "15"},
    {16, &GDL_pixelFormat565, "16"},
    {24, &GDL_pixelFormatRGB, "24rgb"},
    {24, &GDL_pixelFormatBGR, "24bgr"},
    {32, &GDL_pixelFormatARGB, "32xrgb"},
    {32, &GDL_pixelFormatRGBA, "32rgbx"},
};

inline int32_t bytesOf(int32_t bits) {
    return bits == 15 ? 2 : bits / 8;
}

// Little-endian cells read and written byte by byte.
inline uint32_t peek(const GdlDeviceContext* dc, int32_t x, int32_t y) {
    int32_t n = bytesOf(int32_t(dc->mode.bitsPerPixel));
    const uint8_t* p = dc->surface + y * int32_t(dc->mode.bytesPerLine) + x * n;
    uint32_t v = 0;
    for (int32_t i = 0; i < n; ++i)
        v |= uint32_t(p[i]) << (8 * i);
    return v;
}

inline void poke(GdlDeviceContext* dc, int32_t x, int32_t y, uint32_t v) {
    int32_t n = bytesOf(int32_t(dc->mode.bitsPerPixel));
    uint8_t* p = dc->surface + y * int32_t(dc->mode.bytesPerLine) + x * n;
    for (int32_t i = 0; i < n; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

} // namespace packedtest
