// Pixel layouts and colour conversion: the pixel-format record, the eight
// standard formats, packing and unpacking, the default palette with its
// 6 x 6 x 6 colour cube, the ordered-dither halftone and nearest-colour search.
#pragma once

#include <cstddef>
#include <cstdint>

// Twelve words. Masks are field masks after shifting down (0xFF >> adjust);
// a channel value c (8 bits) packs as ((c >> adjust) & mask) << position and a
// pixel unpacks as ((pixel >> position) & mask) << adjust.
struct GdlPixelFormat {
    uint32_t redMask;
    uint32_t greenMask;
    uint32_t blueMask;
    uint32_t alphaMask;
    int32_t redPosition;
    int32_t redAdjust;
    int32_t greenPosition;
    int32_t greenAdjust;
    int32_t bluePosition;
    int32_t blueAdjust;
    int32_t alphaPosition;
    int32_t alphaAdjust;
};
static_assert(sizeof(GdlPixelFormat) == 48, "twelve 32-bit words");

// One palette entry as stored in contexts and files: blue, green, red, 0.
struct GdlPaletteEntry {
    uint8_t blue;
    uint8_t green;
    uint8_t red;
    uint8_t reserved;
};
static_assert(sizeof(GdlPaletteEntry) == 4, "four bytes");

enum GdlStandardFormat : int32_t {
    GDL_PF_555 = 0, // 15-bit 5:5:5 (with a 1-bit alpha at 15)
    GDL_PF_565,     // 16-bit 5:6:5
    GDL_PF_RGB,     // 24-bit, red at 16
    GDL_PF_BGR,     // 24-bit, red at 0
    GDL_PF_ARGB,    // 32-bit, alpha 24, red 16
    GDL_PF_ABGR,    // 32-bit, alpha 24, red 0
    GDL_PF_RGBA,    // 32-bit, red 24, alpha 0
    GDL_PF_BGRA,    // 32-bit, blue 24, alpha 0
    GDL_PF_COUNT
};

extern const GdlPixelFormat GDL_pixelFormat555;
extern const GdlPixelFormat GDL_pixelFormat565;
extern const GdlPixelFormat GDL_pixelFormatRGB;
extern const GdlPixelFormat GDL_pixelFormatBGR;
extern const GdlPixelFormat GDL_pixelFormatARGB;
extern const GdlPixelFormat GDL_pixelFormatABGR;
extern const GdlPixelFormat GDL_pixelFormatRGBA;
extern const GdlPixelFormat GDL_pixelFormatBGRA;
// The standard format of a GdlStandardFormat value, null when out of range.
const GdlPixelFormat* GDL_standardPixelFormat(int32_t which);

// Pixel of an 8-bit colour; only the low byte of each mask takes part.
uint32_t GDL_packColor(const GdlPixelFormat* format, uint32_t red, uint32_t green, uint32_t blue);
// The same with alpha (alpha is dropped when the format has no alpha field).
uint32_t GDL_packColorAlpha(const GdlPixelFormat* format, uint32_t red, uint32_t green,
                            uint32_t blue, uint32_t alpha);
// Channels of a pixel, each ((pixel >> position) & mask) << adjust.
void GDL_unpackColor(const GdlPixelFormat* format, uint32_t pixel, uint8_t* red, uint8_t* green,
                     uint8_t* blue);
void GDL_unpackColorAlpha(const GdlPixelFormat* format, uint32_t pixel, uint8_t* red,
                          uint8_t* green, uint8_t* blue, uint8_t* alpha);
// A format from field sizes and positions (as in a mode record): adjust =
// 8 - size, mask = 0xFF >> adjust; an alpha size of 0 gives an empty alpha field.
void GDL_formatFromFields(GdlPixelFormat* out, int32_t redSize, int32_t redPosition,
                          int32_t greenSize, int32_t greenPosition, int32_t blueSize,
                          int32_t bluePosition, int32_t alphaSize, int32_t alphaPosition);

// The library's default 256-entry palette.
const GdlPaletteEntry* GDL_defaultPalette();
void GDL_getDefaultPalette(GdlPaletteEntry out[256]);

// Ordered-dither thresholds, indexed [y & 7][x & 7] (0..50).
extern const uint8_t GDL_ditherMatrix[8][8];
// Index into the default palette's colour cube (20..235) of a true colour at
// position (x, y): each channel gives c / 51, plus 1 when c % 51 exceeds the
// threshold of the position.
uint8_t GDL_halftoneIndex(uint32_t red, uint32_t green, uint32_t blue, int32_t x, int32_t y);

// Entry of `palette` (the first `count` entries) with the least
// |dr| + |dg| + |db| from the colour; the first of equal distances wins.
int32_t GDL_nearestPaletteIndex(const GdlPaletteEntry* palette, int32_t count, uint32_t red,
                                uint32_t green, uint32_t blue);
