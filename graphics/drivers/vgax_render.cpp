// The mode X render set: 256 colours in four planes with chain-4 off, pixel
// (x, y) at y x bytes per line + x / 4 of plane x mod 4. Video memory is
// reached only through the adapter's access calls, which run the latches and
// the graphics controller's logic unit; a plain store would fault.
#include <algorithm>
#include <utility>

#include "gdl/defaultdraw.h"
#include "gdl/render.h"
#include "gdl/shading.h"
#include "gdl/vga.h"
#include "line_walker.h"
#include "planar.h"
#include "platform/Vga.h"

namespace {

GdlDeviceContext& S() {
    return GDL_stateBlock;
}

uint8_t* addressOf(const GdlDeviceContext& dc, int32_t x, int32_t y) {
    // Floor division, so a negative x stays in its own address.
    const int32_t column = x >= 0 ? x / 4 : -((3 - x) / 4);
    return dc.surface + int64_t(y) * dc.mode.bytesPerLine + column;
}

void mapMask(uint8_t planes) {
    VGA_outpb(0x3C5, planes); // the sequencer index stays at the map mask
}
void readMap(int32_t plane) {
    VGA_wrinx(0x3CE, 4, uint8_t(plane & 3));
}

// Logical write modes run in the graphics controller: the function select
// combines the written colour with the latched byte, and read mode 1 with
// colour don't care 0 makes the latch-loading read return FFh.
void beginLogical(int32_t op) {
    VGA_wrinx(0x3CE, 3, uint8_t((op & 3) << 3));
    VGA_wrinx(0x3CE, 5, 0x48);
    VGA_wrinx(0x3CE, 7, 0x00);
}
void endLogical() {
    VGA_wrinx(0x3CE, 5, 0x40);
    VGA_wrinx(0x3CE, 7, 0x0F);
    VGA_wrinx(0x3CE, 3, 0x00);
}

// One address with a plane mask: a store in replace mode, latch-and-write
// otherwise (the logical set-up is in force).
void writeMasked(uint8_t* p, uint8_t planes, uint8_t colour, bool logical) {
    mapMask(planes);
    if (logical)
        platform::VgaLatchWrite(p, colour);
    else
        platform::VgaWrite(p, colour);
}

uint32_t getPixel(int32_t x, int32_t y) {
    readMap(x & 3);
    return platform::VgaRead(addressOf(S(), x, y));
}

void putPixel(int32_t x, int32_t y) {
    GdlDeviceContext& s = S();
    uint8_t* p = addressOf(s, x, y);
    const uint8_t colour = uint8_t(s.packedColor);
    mapMask(uint8_t(1 << (x & 3)));
    const int32_t op = s.attr.writeMode;
    if (op == 0) {
        platform::VgaWrite(p, colour);
        return;
    }
    readMap(x & 3);
    const uint8_t d = platform::VgaRead(p);
    platform::VgaWrite(p, op == 2   ? uint8_t(d | colour)
                          : op == 3 ? uint8_t(d ^ colour)
                                    : uint8_t(d & colour));
}

void getRow(GdlDeviceContext* dc, int32_t y, int32_t x1, int32_t x2, void* dest, int32_t,
            int32_t op) {
    uint8_t* out = static_cast<uint8_t*>(dest);
    for (int32_t x = x1; x < x2; ++x, ++out) {
        readMap(x & 3);
        const uint8_t v = platform::VgaRead(addressOf(*dc, x, y));
        *out = op == 0   ? v
               : op == 3 ? uint8_t(*out ^ v)
               : op == 2 ? uint8_t(*out | v)
                         : uint8_t(*out & v);
    }
}

void putRow(GdlDeviceContext* dc, int32_t y, int32_t x1, int32_t x2, const void* src, int32_t,
            int32_t op) {
    if (x2 <= x1) return;
    const uint8_t* in = static_cast<const uint8_t*>(src);
    const bool logical = op != 0;
    if (logical) beginLogical(op);
    if (!logical && x2 - x1 > 16) {
        // Plane by plane: one map mask per plane for the whole row.
        for (int32_t plane = 0; plane < 4; ++plane) {
            int32_t x = x1 + ((plane - x1) & 3);
            if (x >= x2) continue;
            mapMask(uint8_t(1 << plane));
            for (; x < x2; x += 4)
                platform::VgaWrite(addressOf(*dc, x, y), in[x - x1]);
        }
    } else {
        for (int32_t x = x1; x < x2; ++x)
            writeMasked(addressOf(*dc, x, y), uint8_t(1 << (x & 3)), in[x - x1], logical);
    }
    if (logical) endLogical();
}

// Left masks by x1 mod 4, right masks by the inclusive x2 mod 4.
constexpr uint8_t kLeftMask[4] = {0x0F, 0x0E, 0x0C, 0x08};
constexpr uint8_t kRightMask[4] = {0x01, 0x03, 0x07, 0x0F};

// x1 <= x2, both inclusive; each address gets the run's planes under the
// pattern's nibble `patternMask` (FFh for solid).
void runAddresses(const GdlDeviceContext& s, int32_t y, int32_t x1, int32_t x2, uint8_t colour,
                  bool logical, uint8_t reversedPattern) {
    uint8_t* left = addressOf(s, x1, y);
    uint8_t* right = addressOf(s, x2, y);
    // The nibble of the first address: the reversed byte rotated by x1 & 4.
    uint8_t pattern =
        (x1 & 4) ? uint8_t(reversedPattern >> 4 | reversedPattern << 4) : reversedPattern;
    const uint8_t lm = kLeftMask[x1 & 3], rm = kRightMask[x2 & 3];
    for (uint8_t* p = left; p <= right; ++p) {
        uint8_t m = 0x0F;
        if (p == left) m &= lm;
        if (p == right) m &= rm;
        m &= pattern & 0x0F;
        pattern = uint8_t(pattern >> 4 | pattern << 4);
        if (m) writeMasked(p, m, colour, logical);
    }
}

uint8_t reverseBits(uint8_t b) {
    b = uint8_t((b & 0xF0) >> 4 | (b & 0x0F) << 4);
    b = uint8_t((b & 0xCC) >> 2 | (b & 0x33) << 2);
    return uint8_t((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

void span(int32_t y, int32_t x1, int32_t x2) {
    GdlDeviceContext& s = S();
    if (!vga_internal::spanEnds(s, y, x1, x2)) return;
    const int32_t style = s.attr.fillStyle;
    const int32_t op = s.attr.writeMode;
    const bool logical = op != 0;
    if (logical) beginLogical(op);
    const uint8_t colour = uint8_t(s.packedColor);
    const uint8_t pattern = reverseBits(s.attr.monoPattern[y & 7]);
    // The opaque pattern's background goes under the clear bits only: laid
    // under the whole run, a logical mode would combine the set bits twice.
    if (style == 0)
        runAddresses(s, y, x1, x2, colour, logical, 0xFF);
    else if (style == 1)
        runAddresses(s, y, x1, x2, uint8_t(s.packedBackColor), logical,
                     logical ? uint8_t(~pattern) : 0xFF);
    if (style == 1 || style == 2) runAddresses(s, y, x1, x2, colour, logical, pattern);
    if (logical) endLogical();
}

void fillRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    GdlDeviceContext& s = S();
    if (s.attr.writeMode != 0 || s.attr.fillStyle != 0) {
        for (int32_t y = top; y < bottom; ++y)
            s.v.current.span(y, left, right);
        return;
    }
    if (right <= left || bottom <= top) return;
    for (int32_t y = top; y < bottom; ++y)
        runAddresses(s, y, left, right - 1, uint8_t(s.packedColor), false, 0xFF);
}

void spanList(int32_t firstRow, int32_t count, const GdlSpan16* list) {
    GdlDeviceContext& s = S();
    const bool solid = s.attr.writeMode == 0 && s.attr.fillStyle == 0;
    for (int32_t i = 0; i < count; ++i) {
        int32_t x1 = list[i].x1, x2 = list[i].x2;
        if (x1 > x2) std::swap(x1, x2);
        if (x1 == x2) continue;
        if (solid)
            runAddresses(s, firstRow + i, x1, x2 - 1, uint8_t(s.packedColor), false, 0xFF);
        else
            s.v.current.span(firstRow + i, x1, x2);
    }
}

// 16.16 ends, x1 <= x2. Pixels that share an address on one row are written
// together under one combined map mask; a vertical run needs one mask.
void line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    GdlDeviceContext& s = S();
    const int32_t op = s.attr.writeMode;
    const bool logical = op != 0;
    if (logical) beginLogical(op);
    const uint8_t colour = uint8_t(s.packedColor);
    vga_internal::gatheredLine(
        x1, y1, x2, y2, [&](int32_t x, int32_t y) { return addressOf(s, x, y); },
        [](int32_t x) { return uint8_t(1 << (x & 3)); },
        [&](uint8_t* p, uint8_t planes) { writeMasked(p, planes, colour, logical); });
    if (logical) endLogical();
}

// The slot's flag is the patterned flag, not a clip flag.
void ellipse(const GdlRect* given, int32_t patterned) {
    const GdlRect box = vga_internal::orderedBox(*given);
    if (vga_internal::flatEllipse(box, patterned)) return;
    GdlDeviceContext& s = S();
    const int32_t op = s.attr.writeMode;
    const bool logical = op != 0;
    if (logical) beginLogical(op);
    const uint8_t colour = uint8_t(s.packedColor);
    vga_internal::walkEllipse(box, s.clipDevice, [&](int32_t x, int32_t y) {
        writeMasked(addressOf(s, x, y), uint8_t(1 << (x & 3)), colour, logical);
    });
    if (logical) endLogical();
}

// 8-bit rows onto the planes. Aligned rectangles (left, right and the
// destination x multiples of 4, at least one 16-pixel block) go plane by
// plane; everything else, and every logical mode, through the generic put.
void putImage(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t destX,
              int32_t destY, int32_t op, const void* memory, int32_t bytesPerLine,
              GdlDeviceContext* source) {
    const bool aligned = (left & 3) == 0 && (right & 3) == 0 && (destX & 3) == 0;
    if (op != 0 || !aligned || right - left < 16 || bottom <= top) {
        DRV_putImage(left, top, right, bottom, destX, destY, op, memory, bytesPerLine, source);
        return;
    }
    GdlDeviceContext& s = S();
    const uint8_t* rows = static_cast<const uint8_t*>(memory);
    for (int32_t y = top; y < bottom; ++y)
        putRow(&s, destY + y - top, destX, destX + right - left,
               rows + int64_t(y) * bytesPerLine + left, 0, 0);
}

} // namespace

void VGAX_setupVectors(GdlDeviceContext* dc) {
    VGA_installPlanarSet(
        dc, {getPixel, putPixel, getRow, putRow, line, span, fillRect, spanList, ellipse});
    GdlRenderVector& v = dc->v;
    v.putDitheredPixel = DRV_putDitheredPixel;
    // Shaded polygons and RGB lines walk through the pixel entries.
    v.rampTriangle = Shade_indexTriangle;
    v.rgbTriangle = Shade_rgbTriangle;
    v.rampQuad = Shade_indexQuad;
    v.rgbQuad = Shade_rgbQuad;
    v.rgbLine = Shade_rgbLine;
    v.saveRectSize = DRV_getImageSize;
    v.saveRect = DRV_saveImage;
    v.restoreRect = DRV_restoreImage;
    v.translateImage = GDL_translateImage;
    v.copyFromMemory = putImage;
}
