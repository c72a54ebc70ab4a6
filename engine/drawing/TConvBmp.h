// Depth conversion of library bitmaps, so that images of 4 to 32 bits can
// be put on a palette context: into 8 bits by the nearest palette entry or by
// Floyd-Steinberg error diffusion against the display's palette, and 15/16
// and 32-bit images widened to 24 bits. Each takes the destination first;
// only the area both bitmaps share, from the top-left corner, is converted.
#pragma once

#include "gdl/bitmap.h"
#include "gdl/pixelformat.h"
#include "media/devices/TPalCache.h"

#include <cstdint>

class TConvBmp {
public:
    // The nearest entry by the sum of channel distances (the first of equal
    // ones), remembered in the colour's cell; index 0 is never remembered.
    static uint8_t MapTable(TPalCache* cache, uint32_t red, uint32_t green, uint32_t blue);

    // Where the conversions into 8 bits find the display's cache; without
    // one they convert nothing.
    using CacheSource = TPalCache* (*)();
    // Answers the source it replaces, for whoever hands it back.
    static CacheSource SetCacheSource(CacheSource source);
    static TPalCache* Cache();
};

void TConvBmp_4to8(GdlBitmap* dst, const GdlBitmap* src);
void TConvBmp_8to8(GdlBitmap* dst, const GdlBitmap* src);
void TConvBmp_16to8(GdlBitmap* dst, const GdlBitmap* src);
void TConvBmp_24to8(GdlBitmap* dst, const GdlBitmap* src);
void TConvBmp_32to8(GdlBitmap* dst, const GdlBitmap* src);
void TConvBmp_16to8Nearest(GdlBitmap* dst, const GdlBitmap* src);
void TConvBmp_24to8Nearest(GdlBitmap* dst, const GdlBitmap* src);
void TConvBmp_32to8Nearest(GdlBitmap* dst, const GdlBitmap* src);
void TConvBmp_32to24(GdlBitmap* dst, const GdlBitmap* src);
void TConvBmp_16to24(GdlBitmap* dst, const GdlBitmap* src);
