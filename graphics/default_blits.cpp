// Transparent, overlapping, stretching and converting blits and the copies
// between a context and memory, row by row through the destination's row
// entries; and the installer of all default entries.
#include <algorithm>
#include <cstring>

#include "gdl/blit.h"
#include "gdl/defaultdraw.h"
#include "gdl/driver.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "row_pixels.h"

namespace {

int32_t storedBits(const GdlDeviceContext* dc) {
    return dc->mode.bitsPerPixel == 15 ? 16 : int32_t(dc->mode.bitsPerPixel);
}

// Byte holding pixel x of a row. Below 8 bits a row entry gets the byte that
// holds the pixel and the pixel's x as its source x.
size_t byteOfPixel(int32_t x, int32_t bits) {
    return bits >= 8 ? size_t(x) * size_t(bits / 8) : size_t(x) * size_t(bits) / 8;
}

const uint8_t* rowAt(const GdlDeviceContext* dc, int32_t x, int32_t y) {
    return dc->surface + size_t(y) * dc->mode.bytesPerLine + byteOfPixel(x, storedBits(dc));
}

int32_t colorCount(const GdlDeviceContext* dc) {
    return int32_t(std::min<uint32_t>(dc->mode.maxColor, 255)) + 1;
}

int64_t scaledPosition(int64_t i, int32_t scale) {
    return (i * scale + 0x8000) >> 16;
}

// --- Transparent blits -----------------------------------------------------------------

void transparentBlt(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left, int32_t top,
                    int32_t right, int32_t bottom, int32_t destX, int32_t destY, uint32_t key,
                    bool sourceKey) {
    if (!dest || !src || right <= left || bottom <= top) return;
    GdlDeviceContext* d = GDL_liveDC(dest);
    const GdlDeviceContext* s = GDL_liveDC(src);
    GdlPutRowKeyFunc put = sourceKey ? d->v.putRowSrcKey : d->v.putRowDstKey;
    const int32_t width = right - left;
    d->v.beginAccess();
    for (int32_t i = 0; i < bottom - top; ++i)
        put(d, destY + i, destX, destX + width, rowAt(s, left, top + i), key);
    d->v.endAccess();
}

} // namespace

void DRV_srcTransBlt(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left, int32_t top,
                     int32_t right, int32_t bottom, int32_t destX, int32_t destY, int32_t,
                     uint32_t key) {
    transparentBlt(dest, src, left, top, right, bottom, destX, destY, key, true);
}

void DRV_dstTransBlt(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left, int32_t top,
                     int32_t right, int32_t bottom, int32_t destX, int32_t destY, int32_t,
                     uint32_t key) {
    transparentBlt(dest, src, left, top, right, bottom, destX, destY, key, false);
}

// --- Copies within the context and to and from memory ---------------------------------------

void DRV_copyWithin(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t destX,
                    int32_t destY, int32_t op, int32_t downward) {
    GdlDeviceContext& s = GDL_stateBlock;
    if (right <= left || bottom <= top) return;
    const int32_t bits = storedBits(&s);
    // Rows longer than the scratch buffer go in pieces, taken from the far end
    // first when the copy moves right, so no piece overwrites one still unread.
    const int32_t chunk = int32_t(int64_t(GDL_SCRATCH_SIZE) * 8 / std::max(bits, 8));
    const int32_t width = right - left;
    const int32_t pieces = (width + chunk - 1) / chunk;
    uint8_t* buffer = GDL_scratchBuffer();
    const int32_t rows = bottom - top;
    s.v.beginAccess();
    for (int32_t n = 0; n < rows; ++n) {
        int32_t i = downward ? n : rows - 1 - n;
        for (int32_t p = 0; p < pieces; ++p) {
            int32_t piece = destX > left ? pieces - 1 - p : p;
            int32_t x0 = left + piece * chunk;
            int32_t x1 = std::min(right, x0 + chunk);
            s.v.getRow(&s, top + i, x0, x1, buffer, 0, 0);
            int32_t dx = destX + (x0 - left);
            s.v.putRow(&s, destY + i, dx, dx + (x1 - x0), buffer, 0, op);
        }
    }
    s.v.endAccess();
}

void DRV_getImage(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t memX,
                  int32_t memY, int32_t op, void* memory, int32_t bytesPerLine) {
    GdlDeviceContext& s = GDL_stateBlock;
    if (!memory || right <= left || bottom <= top) return;
    uint8_t* base = static_cast<uint8_t*>(memory);
    const int32_t bits = storedBits(&s);
    s.v.beginAccess();
    for (int32_t i = 0; i < bottom - top; ++i) {
        uint8_t* row = base + int64_t(memY + i) * bytesPerLine + int64_t(byteOfPixel(memX, bits));
        s.v.getRow(&s, top + i, left, right, row, memX, op);
    }
    s.v.endAccess();
}

void DRV_putImage(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t destX,
                  int32_t destY, int32_t op, const void* memory, int32_t bytesPerLine,
                  GdlDeviceContext*) {
    GdlDeviceContext& s = GDL_stateBlock;
    if (!memory || right <= left || bottom <= top) return;
    const uint8_t* base = static_cast<const uint8_t*>(memory);
    const int32_t bits = storedBits(&s), width = right - left;
    s.v.beginAccess();
    for (int32_t i = 0; i < bottom - top; ++i) {
        const uint8_t* row =
            base + int64_t(top + i) * bytesPerLine + int64_t(byteOfPixel(left, bits));
        s.v.putRow(&s, destY + i, destX, destX + width, row, left, op);
    }
    s.v.endAccess();
}

// --- Stretch and converting blits --------------------------------------------------------

bool DRV_sameBlitFormat(const GdlDeviceContext* dest, const GdlDeviceContext* src,
                        int32_t translate) {
    if (!translate || !dest || !src) return false;
    if (dest->mode.bitsPerPixel != src->mode.bitsPerPixel) return false;
    if (src->mode.bitsPerPixel <= 8) {
        if (!GDL_getPaletteCheck() || !src->palette) return true;
        if (!dest->palette) return false;
        int32_t n = std::min(colorCount(src), colorCount(dest));
        return std::memcmp(src->palette, dest->palette, size_t(n) * sizeof(GdlPaletteEntry)) == 0;
    }
    const GdlPixelFormat &a = dest->format, &b = src->format;
    return a.redPosition == b.redPosition && a.greenPosition == b.greenPosition &&
           a.bluePosition == b.bluePosition;
}

namespace {

// The doubling blits: each source row twice, its pixels once (`zoomX` off)
// or twice. What the rows cannot carry as they are goes to the converting
// blit at the same scales.
void doubledBlt(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left, int32_t top,
                int32_t right, int32_t bottom, int32_t destX, int32_t destY,
                const GdlPaletteEntry* palette, int32_t translate, bool zoomX) {
    if (!dest || !src || right <= left || bottom <= top) return;
    GdlDeviceContext* d = GDL_liveDC(dest);
    const GdlDeviceContext* s = GDL_liveDC(src);
    if (!DRV_sameBlitFormat(d, s, translate) || storedBits(s) < 8) {
        DRV_convertBlt(dest, src, left, top, right, bottom, destX, destY, zoomX ? 0x20000 : 0x10000,
                       0x20000, palette, translate);
        return;
    }
    const int32_t width = right - left;
    d->v.beginAccess();
    for (int32_t i = 0; i < bottom - top; ++i) {
        const uint8_t* row = rowAt(s, left, top + i);
        for (int32_t y = destY + 2 * i; y < destY + 2 * i + 2; ++y) {
            if (zoomX)
                d->v.putRowDoubled(d, y, destX, width, row);
            else
                d->v.putRow(d, y, destX, destX + width, row, left, 0);
        }
    }
    d->v.endAccess();
}

} // namespace

void DRV_stretch1x2(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left, int32_t top,
                    int32_t right, int32_t bottom, int32_t destX, int32_t destY,
                    const GdlPaletteEntry* palette, int32_t translate) {
    doubledBlt(dest, src, left, top, right, bottom, destX, destY, palette, translate, false);
}

void DRV_stretch2x2(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left, int32_t top,
                    int32_t right, int32_t bottom, int32_t destX, int32_t destY,
                    const GdlPaletteEntry* palette, int32_t translate) {
    doubledBlt(dest, src, left, top, right, bottom, destX, destY, palette, translate, true);
}

namespace {

// One source pixel in the destination's terms.
struct Converter {
    const GdlDeviceContext* d;
    const GdlDeviceContext* s;
    const GdlPaletteEntry* palette; // source colours of indexed sources
    int32_t sbits, dbits;
    bool indexedToIndexed;
    uint8_t table[256];

    uint32_t operator()(uint32_t p) const {
        if (indexedToIndexed) return table[p & 0xFF];
        uint8_t r = 0, g = 0, b = 0;
        if (sbits <= 8) {
            if (palette) {
                const GdlPaletteEntry& e = palette[p & 0xFF];
                r = e.red;
                g = e.green;
                b = e.blue;
            }
        } else {
            GDL_unpackColor(&s->format, p, &r, &g, &b);
        }
        if (dbits <= 8)
            return uint32_t(d->palette ? GDL_nearestPaletteIndex(d->palette, colorCount(d), r, g, b)
                                       : 0);
        return GDL_packColor(&d->format, r, g, b);
    }
};

} // namespace

void DRV_convertBlt(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left, int32_t top,
                    int32_t right, int32_t bottom, int32_t destX, int32_t destY, int32_t xScale,
                    int32_t yScale, const GdlPaletteEntry* palette, int32_t translate,
                    int32_t xPhase, int32_t yPhase) {
    if (!dest || !src || right <= left || bottom <= top || xScale <= 0 || yScale <= 0) return;
    GdlDeviceContext* d = GDL_liveDC(dest);
    const GdlDeviceContext* s = GDL_liveDC(src);
    const int32_t sbits = storedBits(s), dbits = storedBits(d);
    const bool same = DRV_sameBlitFormat(d, s, translate);
    const bool direct = same && sbits >= 8;

    Converter conv{d, s, palette ? palette : s->palette, sbits, dbits, sbits <= 8 && dbits <= 8,
                   {}};
    if (conv.indexedToIndexed) {
        for (int32_t i = 0; i < 256; ++i) {
            if (same || !conv.palette || !d->palette) {
                conv.table[i] = uint8_t(i);
                continue;
            }
            const GdlPaletteEntry& e = conv.palette[i];
            conv.table[i] =
                uint8_t(GDL_nearestPaletteIndex(d->palette, colorCount(d), e.red, e.green, e.blue));
        }
    }

    // Scratch: repeat counts of a run of columns in the first half, the
    // converted pixels in the second.
    uint8_t* scratch = GDL_scratchBuffer();
    uint32_t* counts = reinterpret_cast<uint32_t*>(scratch);
    constexpr int32_t kCountCap = GDL_SCRATCH_SIZE / 2 / 4;
    uint8_t* out = scratch + GDL_SCRATCH_SIZE / 2;
    const int32_t outCap = int32_t(int64_t(GDL_SCRATCH_SIZE / 2) * 8 / std::max(dbits, 8));
    const int32_t width = right - left;
    // Sources are read in their own layout: a PACK4 context keeps the even
    // pixel in the low four bits, everything else is in row form.
    const bool lowNibbleFirst = PACK4_isContext(s);
    auto readSource = [&](const uint8_t* row, int32_t x) {
        return lowNibbleFirst ? uint32_t(row[x >> 1] >> (4 * (x & 1))) & 0x0F
                              : gdl_rows::load(row, x, sbits);
    };

    // Destination offsets of source column i and row j, the pattern from the phases.
    auto columnAt = [&](int64_t i) {
        return scaledPosition(i + xPhase, xScale) - scaledPosition(xPhase, xScale);
    };
    auto rowAtY = [&](int64_t j) {
        return scaledPosition(j + yPhase, yScale) - scaledPosition(yPhase, yScale);
    };
    d->v.beginAccess();
    for (int32_t j = 0; j < bottom - top; ++j) {
        const int64_t y0 = rowAtY(j), y1 = rowAtY(j + 1);
        const uint8_t* srcRow = s->surface + size_t(top + j) * s->mode.bytesPerLine;
        for (int64_t y = y0; y < y1; ++y) {
            const int32_t dy = destY + int32_t(y);
            if (direct) {
                for (int32_t c0 = 0; c0 < width; c0 += kCountCap) {
                    int32_t n = std::min(kCountCap, width - c0);
                    for (int32_t i = 0; i < n; ++i)
                        counts[i] = uint32_t(columnAt(c0 + i + 1) - columnAt(c0 + i));
                    int32_t dx = destX + int32_t(columnAt(c0));
                    d->v.putRowStretched(d, dy, dx, n, rowAt(s, left + c0, top + j), counts);
                }
                continue;
            }
            int32_t filled = 0;
            int32_t flushX = destX;
            auto flush = [&]() {
                if (filled) d->v.putRow(d, dy, flushX, flushX + filled, out, 0, 0);
                flushX += filled;
                filled = 0;
            };
            for (int32_t i = 0; i < width; ++i) {
                int64_t n = columnAt(i + 1) - columnAt(i);
                if (n <= 0) continue;
                uint32_t v = conv(readSource(srcRow, left + i));
                for (int64_t k = 0; k < n; ++k) {
                    if (filled == outCap) flush();
                    gdl_rows::store(out, filled++, dbits, v);
                }
            }
            flush();
        }
    }
    d->v.endAccess();
}

// --- Installer ------------------------------------------------------------------------

void DRV_setDefaultBlits(GdlDeviceContext* dc) {
    GdlRenderVector& v = dc->v;
    v.srcTransparentBlt = DRV_srcTransBlt;
    v.dstTransparentBlt = DRV_dstTransBlt;
    v.copyWithin = DRV_copyWithin;
    v.copyToMemory = DRV_getImage;
    v.copyFromMemory = DRV_putImage;
    v.blitRowDoubled = DRV_stretch1x2;
    v.blitZoom2 = DRV_stretch2x2;
    v.stretchBlit = DRV_convertBlt;
    v.putMonoImage = DRV_putMonoImage;
    v.drawCursorImage = DRV_drawCursor;
    v.scanRightTo = DRV_scanRightTo;
    v.scanLeftTo = DRV_scanLeftTo;
    v.scanRightWhile = DRV_scanRightWhile;
    v.scanLeftWhile = DRV_scanLeftWhile;
    v.strokeGlyph = DRV_strokeGlyph;
    v.drawString = DRV_drawString;
}
