// How the canvas puts a library bitmap on an 8-bit context: which
// conversion makes the temporary it puts (or the image itself), whether the
// library's palette check is off around the put, and whether it goes out
// with the display's default palette. One table per kind of put, by image
// depth, ColorMapMode (1 nearest, 3 error diffusion) and AutoColorAdjust.
#pragma once

#include "gdl/bitmap.h"

#include <cstdint>

struct TPutPlan {
    enum Source : int32_t {
        kImage,    // the bitmap itself
        kTemp8,    // an 8-bit temporary made by `convert`
        kTemp24,   // a 24-bit temporary made by `convert`
        kBuffered, // the buffered transparent put
    };
    Source source;
    void (*convert)(GdlBitmap* dst, const GdlBitmap* src);
    bool paletteCheckOff;
    bool defaultPalette;

    static TPutPlan Opaque(int32_t contextDepth, int32_t imageDepth, int32_t colorMapMode,
                           int32_t autoColorAdjust);
    static TPutPlan Transparent(int32_t contextDepth, int32_t imageDepth, int32_t colorMapMode,
                                int32_t autoColorAdjust);
};
