// Vector set-up and save-under shared by the 4- and 1-bit packed drivers.
#include <algorithm>
#include <cstring>

#include "gdl/defaultdraw.h"
#include "gdl/packed.h"
#include "gdl/render.h"
#include "gdl/shading.h"
#include "render_packed.h"
#include "render_packed_sub.h"
#include "row_pixels.h"

namespace gdl_packed {

namespace {

int32_t pixelsPerByte(const GdlDeviceContext* dc) {
    return dc->mode.bitsPerPixel == 4 ? 2 : 8;
}

// Bytes of row data a rectangle covers: whole bytes from the one holding
// `left` to the one holding `right` - 1.
int32_t rowBytesOf(const GdlDeviceContext* dc, int32_t left, int32_t right) {
    const int32_t k = pixelsPerByte(dc);
    return (right - 1) / k - left / k + 1;
}

int32_t subSaveSize(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right,
                    int32_t bottom) {
    const int32_t bits = dc->mode.bitsPerPixel == 4 ? 1 : int32_t(dc->mode.bitsPerPixel);
    return rowBytesOf(dc, left, right) * (bottom - top) * bits + kSaveHeader;
}

// Whole bytes under the rectangle are kept, so restoring them puts back
// every pixel, neighbours sharing a byte included. The buffer holds rows in
// row form, as rows read through the row entries would be; at 4 bits that
// is the context's bytes with their nibbles swapped.
void copyRowBytes(const GdlDeviceContext* dc, uint8_t* out, const uint8_t* in, int32_t n) {
    if (dc->mode.bitsPerPixel == 4)
        PACK4_swapNibbles(out, in, size_t(n));
    else
        std::memcpy(out, in, size_t(n));
}

void subSave(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
             void* buffer) {
    const int32_t k = pixelsPerByte(dc);
    const int32_t pitch = int32_t(dc->mode.bytesPerLine);
    const int32_t rows = std::max(0, bottom - top);
    const int32_t rowBytes = right > left ? rowBytesOf(dc, left, right) : 0;
    const uint32_t offset = uint32_t(int64_t(top) * pitch + left / k);
    auto* out = static_cast<uint8_t*>(buffer);
    writeSaveHeader(out, rowBytes, rows, offset, left, top, right, bottom);
    out += kSaveHeader;
    for (int32_t r = 0; r < rows; ++r, out += rowBytes)
        copyRowBytes(dc, out, dc->surface + offset + int64_t(r) * pitch, rowBytes);
}

void subRestore(GdlDeviceContext* dc, const void* buffer) {
    const auto* in = static_cast<const uint8_t*>(buffer);
    int32_t rowBytes, rows;
    uint32_t offset;
    readSaveHeader(in, &rowBytes, &rows, &offset);
    in += kSaveHeader;
    for (int32_t r = 0; r < rows; ++r, in += rowBytes)
        copyRowBytes(dc, dc->surface + offset + int64_t(r) * int32_t(dc->mode.bytesPerLine), in,
                     rowBytes);
}

// --- Rows -------------------------------------------------------------------------------

// Rows handed to the row entries are in the library's row form, the form of
// bitmaps (row_pixels.h); `srcX` places the first pixel within its byte.
// The context's own pixels are reached through its pixel layout.
uint8_t* cellOf(const GdlDeviceContext* dc, int32_t x, int32_t y, int32_t* shift) {
    uint8_t* line = dc->surface + int64_t(y) * int32_t(dc->mode.bytesPerLine);
    if (dc->mode.bitsPerPixel == 4) {
        *shift = 4 * (x & 1);
        return line + (x >> 1);
    }
    *shift = 7 - (x & 7);
    return line + (x >> 3);
}

uint32_t dcPixel(const GdlDeviceContext* dc, int32_t x, int32_t y) {
    int32_t shift;
    const uint8_t* p = cellOf(dc, x, y, &shift);
    return (*p >> shift) & (dc->mode.bitsPerPixel == 4 ? 0x0Fu : 1u);
}

void putDcPixel(GdlDeviceContext* dc, int32_t x, int32_t y, uint32_t v, int32_t op) {
    int32_t shift;
    uint8_t* p = cellOf(dc, x, y, &shift);
    const uint32_t mask = dc->mode.bitsPerPixel == 4 ? 0x0Fu : 1u;
    const uint32_t out = gdl_rows::combine((*p >> shift) & mask, v & mask, op) & mask;
    *p = uint8_t((*p & ~(mask << shift)) | out << shift);
}

int32_t bitsOf(const GdlDeviceContext* dc) {
    return int32_t(dc->mode.bitsPerPixel);
}

int32_t firstOf(const GdlDeviceContext* dc, int32_t srcX) {
    return srcX & (bitsOf(dc) == 4 ? 1 : 7);
}

void subGetRow(GdlDeviceContext* dc, int32_t y, int32_t x1, int32_t x2, void* dest, int32_t srcX,
               int32_t op) {
    auto* row = static_cast<uint8_t*>(dest);
    const int32_t bits = bitsOf(dc), first = firstOf(dc, srcX);
    for (int32_t i = 0; i < x2 - x1; ++i) {
        const uint32_t d = gdl_rows::load(row, first + i, bits);
        gdl_rows::store(row, first + i, bits, gdl_rows::combine(d, dcPixel(dc, x1 + i, y), op));
    }
}

void subPutRow(GdlDeviceContext* dc, int32_t y, int32_t x1, int32_t x2, const void* src,
               int32_t srcX, int32_t op) {
    const auto* row = static_cast<const uint8_t*>(src);
    const int32_t bits = bitsOf(dc), first = firstOf(dc, srcX);
    for (int32_t i = 0; i < x2 - x1; ++i)
        putDcPixel(dc, x1 + i, y, gdl_rows::load(row, first + i, bits), op);
}

void subPutRowDoubled(GdlDeviceContext* dc, int32_t y, int32_t x, int32_t count, const void* src) {
    const auto* row = static_cast<const uint8_t*>(src);
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t v = gdl_rows::load(row, i, bitsOf(dc));
        putDcPixel(dc, x + 2 * i, y, v, 0);
        putDcPixel(dc, x + 2 * i + 1, y, v, 0);
    }
}

void subPutRowStretched(GdlDeviceContext* dc, int32_t y, int32_t x, int32_t count, const void* src,
                        const uint32_t* repeats) {
    const auto* row = static_cast<const uint8_t*>(src);
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t v = gdl_rows::load(row, i, bitsOf(dc));
        for (uint32_t k = 0; k < repeats[i]; ++k)
            putDcPixel(dc, x++, y, v, 0);
    }
}

} // namespace

void fillSubByteVectors(GdlDeviceContext* dc, GdlGetPixelFunc get, GdlPutPixelFunc put) {
    DRV_setGenericRenderers(dc);
    // Images, blits, scans and the cursor are the render core's, through the pixels.
    DRV_setDefaultBlits(dc);
    dc->flags |= 2;
    dc->packedDriver = 1;
    GdlRenderVector& v = dc->v;
    // Colours are stored unchanged; the pixel writers take the bits they need.
    v.setColor = DRV_setColor;
    v.setBackColor = DRV_setBackColor;
    v.getPixel = get;
    v.putPixel = put;
    // The render core's blits move pixels through the row entries; at these
    // depths they are made of single pixels, so blits and conversions into
    // (and out of) these contexts are drawn rather than dropped.
    v.getRow = subGetRow;
    v.putRow = subPutRow;
    v.putRowDoubled = subPutRowDoubled;
    v.putRowStretched = subPutRowStretched;
    v.saveRectSize = subSaveSize;
    v.saveRect = subSave;
    v.restoreRect = subRestore;
    // Refuses below 8 bits; installed so callers get that answer, not silence.
    v.makeZBuffer = DRV_makeZBuffer;
}

} // namespace gdl_packed
