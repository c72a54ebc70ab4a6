// Putting a rectangle of a memory image of any depth into a context of any
// depth, one converted row at a time through the context's row put.
#include <algorithm>
#include <cstring>

#include "gdl/dc.h"
#include "gdl/driver.h"
#include "gdl/pixelformat.h"
#include "gdl/result.h"
#include "row_pixels.h"

namespace {

constexpr int32_t kChunk = 4096; // pixels per converted piece (4 bytes each at most)

const GdlPixelFormat* defaultFormat(int32_t bits) {
    switch (bits) {
        case 15: return &GDL_pixelFormat555;
        case 16: return &GDL_pixelFormat565;
        case 24: return &GDL_pixelFormatRGB;
        default: return &GDL_pixelFormatARGB;
    }
}

bool isDirect(int32_t bits) {
    return bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

} // namespace

void GDL_translateImage(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right,
                        int32_t bottom, int32_t destX, int32_t destY, int32_t op,
                        const void* surface, int32_t bytesPerLine, int32_t bits,
                        const GdlPaletteEntry* palette, const GdlPixelFormat* format,
                        GdlDeviceContext*) {
    if (!dc || !surface) return;
    dc = GDL_liveDC(dc);
    const int32_t dbits = int32_t(dc->mode.bitsPerPixel);
    if (bits == 8 && !palette) return;
    // There is no translation between two 4-bit palettes: the call fails.
    if (bits == 4 && dbits == 4) {
        GDL_setResult(GDL_INVALID_DEVICE_TYPE);
        return;
    }
    if (bits == 4 && !palette) return;
    const bool srcDirect = isDirect(bits);
    // No conversion is defined from or into other depths (1 bit above all):
    // the caller learns that rather than finding nothing drawn.
    if ((!srcDirect && bits != 4 && bits != 8) || (!isDirect(dbits) && dbits != 4 && dbits != 8)) {
        GDL_setResult(GDL_INVALID_DEVICE_TYPE);
        return;
    }
    const GdlPixelFormat* sf = format ? format : defaultFormat(bits);
    const GdlPixelFormat* df = &dc->format;
    const GdlPaletteEntry* dpal = dc->palette ? dc->palette : GDL_defaultPalette();

    // Rows and columns that fall off the destination are not converted.
    if (destX < dc->bounds.left) {
        left += dc->bounds.left - destX;
        destX = dc->bounds.left;
    }
    if (destY < dc->bounds.top) {
        top += dc->bounds.top - destY;
        destY = dc->bounds.top;
    }
    right = std::min<int64_t>(right, int64_t(left) + dc->bounds.right - destX);
    bottom = std::min<int64_t>(bottom, int64_t(top) + dc->bounds.bottom - destY);
    if (left < 0 || top < 0 || left >= right || top >= bottom) return;

    // Palette sources convert through a table built once per call.
    uint32_t table[256] = {};
    if (!srcDirect) {
        int32_t entries = bits == 4 ? 16 : 256;
        for (int32_t i = 0; i < entries; ++i) {
            const GdlPaletteEntry& e = palette[i];
            if (dbits == 4)
                table[i] = uint32_t(GDL_nearestPaletteIndex(dpal, 16, e.red, e.green, e.blue));
            else if (dbits == 8)
                table[i] = uint32_t(GDL_nearestPaletteIndex(dpal, 256, e.red, e.green, e.blue));
            else
                table[i] = GDL_packColor(df, e.red, e.green, e.blue);
        }
    }
    // Direct sources onto 4 bits: the halftone entry's nearest of the first 16.
    uint8_t toFour[256] = {};
    if (srcDirect && dbits == 4) {
        const GdlPaletteEntry* def = GDL_defaultPalette();
        for (int32_t i = 20; i < 236; ++i)
            toFour[i] =
                uint8_t(GDL_nearestPaletteIndex(dpal, 16, def[i].red, def[i].green, def[i].blue));
    }

    uint8_t* scratch = GDL_scratchBuffer();
    dc->v.beginAccess();
    for (int32_t y = top; y < bottom; ++y) {
        const uint8_t* row = static_cast<const uint8_t*>(surface) + int64_t(y) * bytesPerLine;
        int32_t outY = destY + (y - top);
        for (int32_t x0 = left; x0 < right; x0 += kChunk) {
            int32_t x1 = std::min(right, x0 + kChunk);
            std::memset(scratch, 0, size_t(kChunk) * 4);
            for (int32_t x = x0; x < x1; ++x) {
                int32_t i = x - x0;
                int32_t position = x - left; // place in the converted row
                uint32_t src = gdl_rows::load(row, x, bits);
                uint32_t out;
                if (!srcDirect) {
                    out = table[src & 0xFF];
                } else {
                    uint8_t r, g, b;
                    GDL_unpackColor(sf, src, &r, &g, &b);
                    if (dbits == 8)
                        out = GDL_halftoneIndex(r, g, b, position, outY);
                    else if (dbits == 4)
                        out = toFour[GDL_halftoneIndex(r, g, b, position, outY)];
                    else
                        out = GDL_packColor(df, r, g, b);
                }
                gdl_rows::store(scratch, i, dbits, out);
            }
            int32_t dx = destX + (x0 - left);
            dc->v.putRow(dc, outY, dx, dx + (x1 - x0), scratch, 0, op);
        }
    }
    dc->v.endAccess();
}

void DRV_convertInBands(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right,
                        int32_t bottom, int32_t destX, int32_t destY, int32_t downward,
                        int32_t bytesPerRow, intptr_t extra, GdlReadBandFunc readBand,
                        GdlWriteBandFunc writeBand) {
    if (!readBand || !writeBand || bytesPerRow <= 0 || top >= bottom) return;
    int32_t rows = (GDL_SCRATCH_SIZE - 16) / bytesPerRow;
    if (rows <= 0) return; // a row wider than the buffer cannot be moved this way
    uint8_t* buffer = GDL_scratchBuffer();
    if (downward) {
        for (int32_t y = top; y < bottom; y += rows) {
            int32_t end = std::min(bottom, y + rows);
            readBand(dc, left, y, right, end, buffer);
            writeBand(dc, destX, destY + (y - top), buffer, extra);
        }
    } else {
        for (int32_t end = bottom; end > top; end -= rows) {
            int32_t y = std::max(top, end - rows);
            readBand(dc, left, y, right, end, buffer);
            writeBand(dc, destX, destY + (y - top), buffer, extra);
        }
    }
}
