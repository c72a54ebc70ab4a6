// Standard pixel formats, packing, the default palette, ordered dither and
// nearest-colour search.
#include "gdl/pixelformat.h"

#include <cstdlib>
#include <cstring>

// masks R, G, B, A; then position and adjust of R, G, B, A.
const GdlPixelFormat GDL_pixelFormat555 = {0x1F, 0x1F, 0x1F, 1, 10, 3, 5, 3, 0, 3, 15, 7};
const GdlPixelFormat GDL_pixelFormat565 = {0x1F, 0x3F, 0x1F, 0, 11, 3, 5, 2, 0, 3, 0, 0};
const GdlPixelFormat GDL_pixelFormatRGB = {0xFF, 0xFF, 0xFF, 0, 16, 0, 8, 0, 0, 0, 0, 0};
const GdlPixelFormat GDL_pixelFormatBGR = {0xFF, 0xFF, 0xFF, 0, 0, 0, 8, 0, 16, 0, 0, 0};
const GdlPixelFormat GDL_pixelFormatARGB = {0xFF, 0xFF, 0xFF, 0xFF, 16, 0, 8, 0, 0, 0, 24, 0};
const GdlPixelFormat GDL_pixelFormatABGR = {0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 8, 0, 16, 0, 24, 0};
const GdlPixelFormat GDL_pixelFormatRGBA = {0xFF, 0xFF, 0xFF, 0xFF, 24, 0, 16, 0, 8, 0, 0, 0};
const GdlPixelFormat GDL_pixelFormatBGRA = {0xFF, 0xFF, 0xFF, 0xFF, 8, 0, 16, 0, 24, 0, 0, 0};

const GdlPixelFormat* GDL_standardPixelFormat(int32_t which) {
    static const GdlPixelFormat* const kFormats[GDL_PF_COUNT] = {
        &GDL_pixelFormat555,  &GDL_pixelFormat565,  &GDL_pixelFormatRGB,  &GDL_pixelFormatBGR,
        &GDL_pixelFormatARGB, &GDL_pixelFormatABGR, &GDL_pixelFormatRGBA, &GDL_pixelFormatBGRA,
    };
    if (which < 0 || which >= GDL_PF_COUNT) return nullptr;
    return kFormats[which];
}

namespace {

// Shifts by 32 or more (or negative) yield 0 instead of undefined behaviour,
// so a damaged format record cannot trap.
inline uint32_t shl(uint32_t v, int32_t s) {
    return (s >= 0 && s < 32) ? v << s : 0;
}
inline uint32_t shr(uint32_t v, int32_t s) {
    return (s >= 0 && s < 32) ? v >> s : 0;
}

inline uint32_t packChannel(uint32_t c, uint32_t mask, int32_t position, int32_t adjust) {
    return shl(shr(c & 0xFF, adjust) & (mask & 0xFF), position);
}
inline uint8_t unpackChannel(uint32_t pixel, uint32_t mask, int32_t position, int32_t adjust) {
    return static_cast<uint8_t>(shl(shr(pixel, position) & (mask & 0xFF), adjust));
}

} // namespace

uint32_t GDL_packColor(const GdlPixelFormat* f, uint32_t red, uint32_t green, uint32_t blue) {
    return packChannel(red, f->redMask, f->redPosition, f->redAdjust) |
           packChannel(green, f->greenMask, f->greenPosition, f->greenAdjust) |
           packChannel(blue, f->blueMask, f->bluePosition, f->blueAdjust);
}

uint32_t GDL_packColorAlpha(const GdlPixelFormat* f, uint32_t red, uint32_t green, uint32_t blue,
                            uint32_t alpha) {
    return GDL_packColor(f, red, green, blue) |
           packChannel(alpha, f->alphaMask, f->alphaPosition, f->alphaAdjust);
}

void GDL_unpackColor(const GdlPixelFormat* f, uint32_t pixel, uint8_t* red, uint8_t* green,
                     uint8_t* blue) {
    *red = unpackChannel(pixel, f->redMask, f->redPosition, f->redAdjust);
    *green = unpackChannel(pixel, f->greenMask, f->greenPosition, f->greenAdjust);
    *blue = unpackChannel(pixel, f->blueMask, f->bluePosition, f->blueAdjust);
}

void GDL_unpackColorAlpha(const GdlPixelFormat* f, uint32_t pixel, uint8_t* red, uint8_t* green,
                          uint8_t* blue, uint8_t* alpha) {
    GDL_unpackColor(f, pixel, red, green, blue);
    *alpha = unpackChannel(pixel, f->alphaMask, f->alphaPosition, f->alphaAdjust);
}

void GDL_formatFromFields(GdlPixelFormat* out, int32_t redSize, int32_t redPosition,
                          int32_t greenSize, int32_t greenPosition, int32_t blueSize,
                          int32_t bluePosition, int32_t alphaSize, int32_t alphaPosition) {
    auto field = [](int32_t size, int32_t position, uint32_t* mask, int32_t* pos, int32_t* adj) {
        if (size < 0) size = 0;
        if (size > 8) size = 8;
        *adj = 8 - size;
        *mask = 0xFFu >> *adj;
        *pos = position;
    };
    field(redSize, redPosition, &out->redMask, &out->redPosition, &out->redAdjust);
    field(greenSize, greenPosition, &out->greenMask, &out->greenPosition, &out->greenAdjust);
    field(blueSize, bluePosition, &out->blueMask, &out->bluePosition, &out->blueAdjust);
    if (alphaSize > 0) {
        field(alphaSize, alphaPosition, &out->alphaMask, &out->alphaPosition, &out->alphaAdjust);
    } else {
        out->alphaMask = 0;
        out->alphaPosition = 0;
        out->alphaAdjust = 0;
    }
}

// --- Default palette ---------------------------------------------------------

namespace {

struct Rgb {
    uint8_t r, g, b;
};

const Rgb kStandard16[16] = {
    {0, 0, 0},     {0, 0, 168},     {0, 168, 0},    {0, 168, 168},   {168, 0, 0},   {168, 0, 168},
    {168, 84, 0},  {168, 168, 168}, {84, 84, 84},   {84, 84, 252},   {84, 252, 84}, {84, 252, 252},
    {252, 84, 84}, {252, 84, 252},  {252, 252, 84}, {252, 252, 252},
};

const Rgb kTail236[12] = {
    {64, 64, 44}, {60, 64, 44}, {52, 64, 44}, {48, 64, 44}, {44, 64, 44}, {44, 64, 48},
    {44, 64, 52}, {44, 64, 60}, {44, 64, 64}, {44, 60, 64}, {44, 52, 64}, {44, 48, 64},
};

struct DefaultPalette {
    GdlPaletteEntry entries[256];
    DefaultPalette() {
        auto set = [this](int i, Rgb c) { entries[i] = {c.b, c.g, c.r, 0}; };
        for (int i = 0; i < 16; ++i)
            set(i, kStandard16[i]);
        const uint8_t greys[4] = {0, 20, 32, 44};
        for (int i = 0; i < 4; ++i)
            set(16 + i, {greys[i], greys[i], greys[i]});
        for (int b = 0; b < 6; ++b)
            for (int g = 0; g < 6; ++g)
                for (int r = 0; r < 6; ++r)
                    set(20 + r + 6 * g + 36 * b,
                        {uint8_t(51 * r), uint8_t(51 * g), uint8_t(51 * b)});
        // Four entries of the default palette break the cube rule on purpose.
        set(51, {0, 255, 0});
        set(86, {0, 255, 0});
        set(201, {0, 0, 255});
        set(206, {0, 0, 255});
        for (int i = 0; i < 12; ++i)
            set(236 + i, kTail236[i]);
        for (int i = 0; i < 8; ++i)
            set(248 + i, kStandard16[8 + i]);
    }
};

const DefaultPalette& defaultPalette() {
    static const DefaultPalette palette;
    return palette;
}

} // namespace

const GdlPaletteEntry* GDL_defaultPalette() {
    return defaultPalette().entries;
}

void GDL_getDefaultPalette(GdlPaletteEntry out[256]) {
    std::memcpy(out, defaultPalette().entries, sizeof(defaultPalette().entries));
}

// --- Dither and nearest colour -------------------------------------------------

const uint8_t GDL_ditherMatrix[8][8] = {
    {0, 38, 9, 47, 2, 40, 11, 50},  {25, 12, 35, 22, 27, 15, 37, 24},
    {6, 44, 3, 41, 8, 47, 5, 43},   {31, 19, 28, 15, 34, 21, 31, 18},
    {1, 39, 11, 49, 0, 39, 10, 48}, {27, 14, 36, 23, 26, 13, 35, 23},
    {7, 46, 4, 43, 7, 45, 3, 42},   {33, 20, 30, 17, 32, 19, 29, 16},
};

uint8_t GDL_halftoneIndex(uint32_t red, uint32_t green, uint32_t blue, int32_t x, int32_t y) {
    uint32_t threshold = GDL_ditherMatrix[y & 7][x & 7];
    auto level = [threshold](uint32_t c) {
        c &= 0xFF;
        return c / 51 + ((c % 51) > threshold ? 1u : 0u);
    };
    return static_cast<uint8_t>(20 + level(red) + 6 * level(green) + 36 * level(blue));
}

int32_t GDL_nearestPaletteIndex(const GdlPaletteEntry* palette, int32_t count, uint32_t red,
                                uint32_t green, uint32_t blue) {
    int32_t best = 0;
    int32_t bestDistance = 0x7FFFFFFF;
    for (int32_t i = 0; i < count; ++i) {
        int32_t d = std::abs(int32_t(palette[i].red) - int32_t(red & 0xFF)) +
                    std::abs(int32_t(palette[i].green) - int32_t(green & 0xFF)) +
                    std::abs(int32_t(palette[i].blue) - int32_t(blue & 0xFF));
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}
