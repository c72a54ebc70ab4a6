// The generic saved image of the hardware drivers without a layout of their
// own (mode X): an 18-byte header of left, top, right and bottom (32 bits
// each) and the bytes per row (16 bits), then the rows as the context's row
// reader gives them.
#include <algorithm>

#include "gdl/blit.h"
#include "gdl/vga.h"

namespace {

constexpr int32_t kHeader = 18;

void put32(uint8_t* p, int32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(uint32_t(v) >> (8 * i));
}
int32_t get32(const uint8_t* p) {
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                   uint32_t(p[3]) << 24);
}

} // namespace

int32_t DRV_getImageSize(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right,
                         int32_t bottom) {
    const int32_t w = std::max(right - left, 0), h = std::max(bottom - top, 0);
    const int32_t bits = int32_t(dc->mode.bitsPerPixel);
    if (bits >= 8) return w * h * ((bits + 7) / 8) + kHeader;
    if (bits == 4 && dc->mode.planes <= 1) return ((right - 1) / 2 - left / 2 + 1) * h + kHeader;
    return ((right - 1) / 8 - left / 8 + 1) * h * bits + kHeader;
}

void DRV_saveImage(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                   void* buffer) {
    uint8_t* out = static_cast<uint8_t*>(buffer);
    const int32_t rowBytes = right > left ? GDL_bytesPerSpan(dc, left, right) : 0;
    put32(out, left);
    put32(out + 4, top);
    put32(out + 8, right);
    put32(out + 12, bottom);
    out[16] = uint8_t(rowBytes);
    out[17] = uint8_t(rowBytes >> 8);
    if (rowBytes <= 0 || bottom <= top) return;
    out += kHeader;
    dc->v.beginAccess();
    for (int32_t y = top; y < bottom; ++y, out += rowBytes)
        dc->v.getRow(dc, y, left, right, out, 0, 0);
    dc->v.endAccess();
}

// Only a rectangle inside the context goes back: a header that is not one
// this context wrote leaves the screen alone.
void DRV_restoreImage(GdlDeviceContext* dc, const void* buffer) {
    const uint8_t* in = static_cast<const uint8_t*>(buffer);
    const int32_t left = get32(in), top = get32(in + 4), right = get32(in + 8),
                  bottom = get32(in + 12);
    const int32_t rowBytes = int32_t(in[16] | in[17] << 8);
    if (left < 0 || top < 0 || right <= left || bottom <= top ||
        right > int32_t(dc->mode.maxX) + 1 || bottom > int32_t(dc->mode.maxY) + 1 ||
        rowBytes != GDL_bytesPerSpan(dc, left, right))
        return;
    in += kHeader;
    dc->v.beginAccess();
    for (int32_t y = top; y < bottom; ++y, in += rowBytes)
        dc->v.putRow(dc, y, left, right, in, 0, 0);
    dc->v.endAccess();
}
