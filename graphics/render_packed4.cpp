// The 4-bit packed renderer: two pixels a byte, even x in the low four bits.
// It provides pixel access only; the render core draws everything else
// through it.
#include "gdl/packed.h"
#include "gdl/render.h"
#include "render_packed_sub.h"
#include "library_state.h"

namespace {

uint8_t* byteOf(int32_t x, int32_t y) {
    GdlDeviceContext& s = gdl_internal::block();
    return s.surface + int64_t(y) * int32_t(s.mode.bytesPerLine) + (x >> 1);
}

} // namespace

uint32_t PACK4_getPixel(int32_t x, int32_t y) {
    return (*byteOf(x, y) >> (4 * (x & 1))) & 0x0F;
}

void PACK4_putPixel(int32_t x, int32_t y) {
    GdlDeviceContext& s = gdl_internal::block();
    uint8_t* p = byteOf(x, y);
    const int shift = 4 * (x & 1);
    const uint32_t field = 0x0Fu << shift, value = (s.packedColor & 0x0F) << shift;
    switch (s.attr.writeMode) {
        case 0: *p = uint8_t((*p & ~field) | value); break;
        case 2: *p = uint8_t(*p | value); break;
        case 3: *p = uint8_t(*p ^ value); break;
        default: *p = uint8_t(*p & (value | ~field)); break;
    }
}

// The pixel reader tells the layout: a context whose pixels PACK4 reads is
// laid out as PACK4 writes, whoever filled the rest of its vector.
bool PACK4_isContext(const GdlDeviceContext* dc) {
    return dc && dc->mode.bitsPerPixel == 4 && dc->v.getPixel == PACK4_getPixel;
}

void PACK4_swapNibbles(uint8_t* out, const uint8_t* in, size_t bytes) {
    for (size_t i = 0; i < bytes; ++i)
        out[i] = uint8_t(in[i] << 4 | in[i] >> 4);
}

void PACK4_fillVectors(GdlDeviceContext* dc) {
    gdl_packed::fillSubByteVectors(dc, PACK4_getPixel, PACK4_putPixel);
}
