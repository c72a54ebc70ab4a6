// The SVGA drivers' vector set-ups: the banked render set of the depth in
// the render tables and the higher entries over the library's generic
// renderers and blits. The 24-bit set keeps the library's monochrome image,
// image put and scans.
#include "gdl/shading.h"
#include "gdl/vbe.h"
#include "gdl/vga.h"
#include "svga_render.h"

// The colour is laid out once in a pattern of up to 2 KB (as far as rows
// have needed it), which the library's memcpy then copies at the speed of
// memset. Per thread: drawing threads do not share it.
void gdl_banked::fillWords(uint8_t* q, uint32_t bytes, uint32_t packed) {
    if (bytes >= 2 && (reinterpret_cast<uintptr_t>(q) & 2)) {
        const uint16_t half = uint16_t(packed);
        std::memcpy(q, &half, 2);
        q += 2;
        bytes -= 2;
    }
    constexpr uint32_t kPattern = 2048;
    alignas(64) static thread_local uint32_t pattern[kPattern / 4];
    static thread_local uint32_t held = 0, filled = 0;
    if (held != packed || filled == 0) {
        held = packed;
        filled = 0;
    }
    const uint32_t need = bytes < kPattern ? (bytes + 3) & ~3u : kPattern;
    for (; filled < need; filled += 4)
        pattern[filled / 4] = packed;
    uint32_t i = 0;
    for (; i + kPattern <= bytes; i += kPattern)
        std::memcpy(q + i, pattern, kPattern);
    std::memcpy(q + i, pattern, bytes - i);
}

namespace {

template <int N> void setupBanked(GdlDeviceContext* dc) {
    using B = gdl_banked::Banked<N>;
    GdlRenderVector& v = dc->v;
    DRV_setGenericRenderers(dc);
    DRV_setDefaultBlits(dc);
    v.getWinDC = GDL_returnZero; // no GDI drawing on a banked screen
    v.beginAccess = v.endAccess = [] {};
    v.setColor = B::setColor;
    v.setBackColor = B::setBackColor;
    v.getPixel = B::getPixel;
    v.putPixel = B::putPixel;
    v.getRow = B::getRow;
    v.putRow = B::putRow;
    v.putRowDoubled = B::putRowDoubled;
    v.putRowStretched = B::putRowStretched;
    v.putRowSrcKey = B::template keyRow<true>;
    v.putRowDstKey = B::template keyRow<false>;
    // Patterned and wide lines (tables 2 to 7) and the colour-mapped table
    // keep the library's; the span serves every table but the colour-mapped.
    v.tables[0].line = v.tables[1].line = B::line;
    for (int t = 0; t < 8; ++t) {
        v.tables[t].span = B::span;
        v.tables[t].spanList = B::spanList;
    }
    DRV_setRenderSlot2(dc, B::fillRect);
    v.saveRectSize = B::saveRectSize;
    v.saveRect = B::saveRect;
    v.restoreRect = B::restoreRect;
    if constexpr (N != 3) {
        v.putMonoImage = B::putMonoImage;
        v.copyFromMemory = B::putImage;
        v.scanRightTo = B::template scanRight<true>;
        v.scanLeftTo = B::template scanLeft<true>;
        v.scanRightWhile = B::template scanRight<false>;
        v.scanLeftWhile = B::template scanLeft<false>;
    }
    // Shaded shapes walk through the pixel entries.
    v.rampTriangle = Shade_indexTriangle;
    v.rgbTriangle = Shade_rgbTriangle;
    v.rampQuad = Shade_indexQuad;
    v.rgbQuad = Shade_rgbQuad;
    v.rgbLine = Shade_rgbLine;
    v.rampLine = Shade_indexLine;
    dc->packedDriver = 0;
}

} // namespace

void SVGA8_setupVectors(GdlDeviceContext* dc) {
    if (dc->driverState) dc->driverState->paletteEntriesPerCall = 256;
    setupBanked<1>(dc);
    dc->v.putDitheredPixel = DRV_putDitheredPixel;
}
void SVGA16_setupVectors(GdlDeviceContext* dc) {
    setupBanked<2>(dc);
}
void SVGA24_setupVectors(GdlDeviceContext* dc) {
    setupBanked<3>(dc);
}
void SVGA32_setupVectors(GdlDeviceContext* dc) {
    setupBanked<4>(dc);
}
