// The dithered pixel of the 8-bit hardware drivers: a true colour written as
// an ordered-dither index of the 6 x 6 x 6 colour cube at palette index 20.
// The threshold matrix is read with x choosing the row, the transpose of the
// library's own halftone, so the drivers' dither pattern is their own.
#include "gdl/pixelformat.h"
#include "gdl/render.h"
#include "gdl/vga.h"

uint8_t DRV_ditherIndex(uint32_t color, int32_t x, int32_t y) {
    const uint32_t t = GDL_ditherMatrix[x & 7][y & 7];
    auto level = [t](uint32_t v) { return v / 51 + (t < v % 51 ? 1u : 0u); };
    return uint8_t(20 + 36 * level(color & 0xFF) + 6 * level((color >> 8) & 0xFF) +
                   level((color >> 16) & 0xFF));
}

void DRV_putDitheredPixel(int32_t x, int32_t y) {
    GdlDeviceContext& s = GDL_stateBlock;
    const uint32_t saved = s.packedColor;
    s.packedColor = DRV_ditherIndex(s.attr.color, x, y);
    s.v.putPixel(x, y);
    s.packedColor = saved;
}
