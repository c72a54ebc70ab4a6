// The 1-bit packed renderer: eight pixels a byte, the most significant bit
// leftmost. Besides pixel access it has one span for every render table,
// which works on whole bytes between masked end bytes.
#include "gdl/packed.h"
#include "gdl/render.h"
#include "render_packed_sub.h"
#include "library_state.h"

#include <utility>

namespace {

uint8_t* byteOf(int32_t x, int32_t y) {
    GdlDeviceContext& s = gdl_internal::block();
    return s.surface + int64_t(y) * int32_t(s.mode.bytesPerLine) + (x >> 3);
}

// Combines `value` into the bits of `mask` with a write mode.
inline uint8_t combine(uint8_t d, uint8_t value, uint8_t mask, int32_t mode) {
    switch (mode) {
        case 0: return uint8_t((d & ~mask) | (value & mask));
        case 2: return uint8_t(d | (value & mask));
        case 3: return uint8_t(d ^ (value & mask));
        default: return uint8_t(d & (value | ~mask));
    }
}

} // namespace

uint32_t PACK1_getPixel(int32_t x, int32_t y) {
    return (*byteOf(x, y) >> (7 - (x & 7))) & 1;
}

void PACK1_putPixel(int32_t x, int32_t y) {
    GdlDeviceContext& s = gdl_internal::block();
    uint8_t* p = byteOf(x, y);
    const uint8_t bit = uint8_t(0x80 >> (x & 7));
    *p = combine(*p, (s.packedColor & 1) ? 0xFF : 0x00, bit, s.attr.writeMode);
}

// Eight pixels of a byte line up with the eight columns of a one-bit
// pattern row, so a pattern byte is used as it stands.
void PACK1_span(int32_t y, int32_t x1, int32_t x2) {
    if (x1 > x2) std::swap(x1, x2);
    if (x1 == x2) return;
    GdlDeviceContext& s = gdl_internal::block();
    const GdlAttributes& a = s.attr;
    const uint8_t fore = (s.packedColor & 1) ? 0xFF : 0x00;
    const uint8_t back = (s.packedBackColor & 1) ? 0xFF : 0x00;
    uint8_t value = fore, only = 0xFF;
    int32_t mode = a.writeMode;
    switch (a.fillStyle) {
        case 1: {
            uint8_t pattern = a.monoPattern[y & 7];
            value = uint8_t((fore & pattern) | (back & ~pattern));
            break;
        }
        case 2: only = a.monoPattern[y & 7]; break;
        case 3: {
            value = 0;
            for (int k = 0; k < 8; ++k)
                if (a.colorPattern[(y & 7) * 8 + ((k)&7)] & 1) value |= uint8_t(0x80 >> k);
            mode = 0;
            break;
        }
        default: break;
    }
    uint8_t* p = byteOf(x1, y);
    const int32_t first = x1 >> 3, last = (x2 - 1) >> 3;
    const uint8_t headMask = uint8_t(0xFF >> (x1 & 7));
    const uint8_t tailMask = uint8_t(0xFF << (7 - ((x2 - 1) & 7)));
    if (first == last) {
        *p = combine(*p, value, uint8_t(headMask & tailMask & only), mode);
        return;
    }
    *p = combine(*p, value, uint8_t(headMask & only), mode);
    for (int32_t b = first + 1; b < last; ++b)
        ++p, *p = combine(*p, value, only, mode);
    ++p;
    *p = combine(*p, value, uint8_t(tailMask & only), mode);
}

void PACK1_fillVectors(GdlDeviceContext* dc) {
    gdl_packed::fillSubByteVectors(dc, PACK1_getPixel, PACK1_putPixel);
    DRV_setRenderSlot1(dc, PACK1_span);
}
