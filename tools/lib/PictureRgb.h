// Pictures as plain RGB(A) pixels, top row first, from the graphics library's
// bitmap record, and their PAM (P7) form. Indexed pixels without a palette
// show as a grey ramp of the indexes.
#pragma once

#include "gdl/bitmap.h"
#include "gdl/pixelformat.h"

#include <cstdint>
#include <vector>

namespace tools {

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
    bool operator==(const Rgba&) const = default;
};

struct RgbPicture {
    int32_t width = 0;
    int32_t height = 0;
    bool hasAlpha = false;
    std::vector<Rgba> pixels;
    std::vector<GdlPaletteEntry> palette;
};

// Index of pixel `x` in a packed row (most significant bits leftmost).
uint32_t PackedIndex(const uint8_t* row, int32_t x, int32_t bits);
// Entry `index` of the palette; with none, a grey of the index's share of
// the depth's largest index.
Rgba PaletteColor(const std::vector<GdlPaletteEntry>& palette, uint32_t index, int32_t bits);
// The record's pixels; 1 to 8 bits through its palette, more through its
// pixel format (8-8-8 at 24 and 32 bits, 5:6:5 at 16 and 5:5:5 at 15 when it
// has none).
void UnpackBitmap(const GdlBitmap& bitmap, RgbPicture* out);
// P7 with maxval 255, RGB or RGB_ALPHA.
std::vector<uint8_t> WritePam(const RgbPicture& picture);

} // namespace tools
