// Vector set-up and save-under shared by the 4- and 1-bit packed drivers.
#include <algorithm>
#include <cstring>

#include "gdl/defaultdraw.h"
#include "gdl/packed.h"
#include "gdl/render.h"
#include "render_packed.h"
#include "render_packed_sub.h"

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

// The bytes under the rectangle are kept as they are, so restoring them
// puts back every pixel, neighbours sharing a byte included.
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
        std::memcpy(out, dc->surface + offset + int64_t(r) * pitch, size_t(rowBytes));
}

void subRestore(GdlDeviceContext* dc, const void* buffer) {
    const auto* in = static_cast<const uint8_t*>(buffer);
    int32_t rowBytes, rows;
    uint32_t offset;
    readSaveHeader(in, &rowBytes, &rows, &offset);
    in += kSaveHeader;
    for (int32_t r = 0; r < rows; ++r, in += rowBytes)
        std::memcpy(dc->surface + offset + int64_t(r) * int32_t(dc->mode.bytesPerLine), in,
                    size_t(rowBytes));
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
    v.saveRectSize = subSaveSize;
    v.saveRect = subSave;
    v.restoreRect = subRestore;
}

} // namespace gdl_packed
