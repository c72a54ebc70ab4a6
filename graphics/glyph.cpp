// The monochrome image, the software cursor and the two glyph routines: stroke
// lists of vector fonts and strings of bitmap fonts in four directions.
#include <algorithm>
#include <cstring>

#include "library_state.h"
#include "gdl/defaultdraw.h"
#include "gdl/draw.h"
#include "gdl/driver.h"
#include "gdl/font.h"
#include "gdl/modetiming.h"
#include "gdl/text.h"

namespace {

using gdl_internal::S;

inline int32_t fx(int32_t v) {
    return int32_t(uint32_t(v) << 16);
}

bool isCurrent(const GdlDeviceContext* dc) {
    return dc == &gdl_internal::block() || GDL_isCurrentDC(dc);
}

} // namespace

void DRV_putMonoImage(GdlDeviceContext* dc, int32_t x, int32_t y, int32_t bytesPerLine,
                      int32_t height, const uint8_t* bits) {
    if (!dc || !bits || bytesPerLine <= 0 || height <= 0) return;
    GdlDeviceContext& s = S();
    GdlDeviceContext* previous = GDL_currentDC();
    const bool other = !isCurrent(dc);
    // Drawing into another context takes the caller's write mode and colour.
    const int32_t callerMode = s.attr.writeMode;
    const uint32_t callerColor = s.packedColor;
    const bool takeOver = other && previous;
    int32_t savedMode = 0;
    uint32_t savedColor = 0;
    if (other) {
        GDL_selectCurrentDC(dc);
        if (takeOver) {
            savedMode = s.attr.writeMode;
            savedColor = s.packedColor;
            s.v.setWriteMode(callerMode);
            s.packedColor = callerColor;
        }
    }
    const GdlRect c = s.clipDevice;
    const int64_t right = int64_t(x) + int64_t(bytesPerLine) * 8;
    const int64_t bottom = int64_t(y) + height;
    if (right > c.left && x < c.right && bottom > c.top && y < c.bottom) {
        const bool inside = x >= c.left && right <= c.right && y >= c.top && bottom <= c.bottom;
        // Only the rows and bytes that can reach the clip are walked.
        int32_t r0 = inside ? 0 : int32_t(std::max<int64_t>(0, int64_t(c.top) - y));
        int32_t r1 = inside ? height : int32_t(std::min<int64_t>(height, int64_t(c.bottom) - y));
        GdlPutPixelFunc put = s.v.putPixel;
        s.v.beginAccess();
        for (int32_t r = r0; r < r1; ++r) {
            const uint8_t* row = bits + size_t(r) * size_t(bytesPerLine);
            int32_t py = y + r;
            for (int32_t b = 0; b < bytesPerLine; ++b) {
                uint8_t v = row[b];
                if (!v) continue;
                int32_t px0 = x + 8 * b;
                for (int32_t i = 0; i < 8; ++i) {
                    if (!(v & (0x80 >> i))) continue;
                    int32_t px = px0 + i;
                    if (!inside && (px < c.left || px >= c.right)) continue;
                    put(px, py);
                }
            }
        }
        s.v.endAccess();
    }
    if (other) {
        if (takeOver) {
            s.v.setWriteMode(savedMode);
            s.packedColor = savedColor;
        }
        GDL_selectCurrentDC(previous);
    }
}

void DRV_drawCursor(GdlDeviceContext* dc, int32_t x, int32_t y, int32_t bytesPerLine,
                    int32_t height, const uint8_t* andMask, const uint8_t* xorMask,
                    uint32_t color) {
    DRV_drawCursorWith(dc, x, y, bytesPerLine, height, andMask, xorMask, color, nullptr);
}

void DRV_drawCursorWith(GdlDeviceContext* dc, int32_t x, int32_t y, int32_t bytesPerLine,
                        int32_t height, const uint8_t* andMask, const uint8_t* xorMask,
                        uint32_t color, GdlPutMonoImageFunc image) {
    if (!dc) return;
    GdlDeviceContext* previous = GDL_currentDC();
    const bool other = !isCurrent(dc);
    if (other) GDL_selectCurrentDC(dc);
    GdlDeviceContext& s = S();
    const GdlRect savedClip = s.clipDevice;
    const int32_t savedMode = s.attr.writeMode;
    const uint32_t savedColor = s.attr.color, savedPacked = s.packedColor;
    s.clipDevice = s.bounds;
    s.v.setWriteMode(0);
    s.v.setColor(0);
    // Drivers' image entries read the live attributes, so they get the state block.
    const GdlPutMonoImageFunc put = image ? image : s.v.putMonoImage;
    put(&s, x, y, bytesPerLine, height, andMask);
    s.v.setWriteMode(3);
    s.v.setColor(color);
    put(&s, x, y, bytesPerLine, height, xorMask);
    s.v.setWriteMode(savedMode);
    s.attr.color = savedColor;
    s.packedColor = savedPacked;
    s.clipDevice = savedClip;
    if (other) GDL_selectCurrentDC(previous);
}

const uint16_t* DRV_strokeGlyph(int32_t x, int32_t y, const uint16_t* list, int32_t xMultiplier,
                                int32_t yMultiplier, int32_t xDivisor, int32_t yDivisor) {
    if (!list) return list;
    if (xDivisor == 0) xDivisor = 1;
    if (yDivisor == 0) yDivisor = 1;
    GdlLineFunc line = S().v.current.line;
    int32_t px = 0, py = 0;
    for (; *list & 1; ++list) {
        uint16_t w = *list;
        int32_t nx = DRV_strokeX(w) * xMultiplier / xDivisor;
        int32_t ny = DRV_strokeY(w) * yMultiplier / yDivisor;
        if (!DRV_strokeMoveOnly(w)) {
            int32_t x1 = x + px, y1 = y - py, x2 = x + nx, y2 = y - ny;
            if (x1 > x2) {
                std::swap(x1, x2);
                std::swap(y1, y2);
            }
            line(fx(x1), fx(y1), fx(x2), fx(y2));
        }
        px = nx;
        py = ny;
    }
    return list;
}

// --- Bitmap-font strings ------------------------------------------------------------

namespace {

struct GlyphImage {
    const uint8_t* bits;
    int32_t bytesPerRow;
    int32_t rows;
    int32_t advance;
};

// The glyph of `c` (character 0's when missing). A glyph the font's data does
// not hold draws nothing but still advances.
void glyphOf(const GdlFont* f, uint8_t c, GlyphImage* out) {
    uint8_t idx = f->glyphOffset[c] == 0xFFFF ? 0 : c;
    out->advance = f->charWidth[idx];
    out->bytesPerRow = (f->bitWidth[idx] + 7) / 8;
    out->rows = f->fontHeight;
    out->bits = nullptr;
    if (out->bytesPerRow == 0 || out->rows <= 0) return;
    uint32_t offset = f->glyphOffset[idx];
    uint64_t size = uint64_t(out->bytesPerRow) * uint64_t(out->rows);
    if (offset == 0xFFFF || !f->glyphData || uint64_t(offset) + size > f->glyphBytes) return;
    out->bits = f->glyphData + offset;
}

// A glyph's place and its extent (at most 8 x 255 pixels) fit 32 bits.
bool fitsPen(int64_t x, int64_t y) {
    constexpr int64_t kRoom = int64_t(INT32_MAX) - 4096;
    return x > -kRoom && x < kRoom && y > -kRoom && y < kRoom;
}

} // namespace

void DRV_drawString(int32_t xStart, int32_t yStart, const char* text) {
    GdlDeviceContext& s = S();
    // The pen moves in 64 bits: a string placed far off the surface must not
    // overflow; glyphs whose place 32 bits cannot hold are not drawn.
    int64_t x = xStart, y = yStart;
    const GdlTextSettings& t = s.attr.text;
    const GdlFont* f = t.font;
    if (!f || !text || (f->fontType != GDL_FONT_FIXED && f->fontType != GDL_FONT_PROPORTIONAL))
        return;
    const int32_t height = f->fontHeight;
    const int32_t base = f->descent + height - 1;
    const int32_t padded = ((height + 7) & ~7) - 1;
    int32_t d = base;
    switch (t.vertJustify) {
        case 0: d = base - f->ascent; break;
        case 1: d = (f->ascent - f->descent) / 2 - f->ascent + base; break;
        case 2: d = height - 1; break;
        default: break;
    }
    const int32_t dir = t.direction;
    switch (dir) {
        case 2: y -= d; break;
        case 0: y -= height - d - 1; break;
        case 1: x -= d; break;
        case 3: x -= padded - d; break;
        default: return;
    }
    const int32_t w = GDL_textWidth(text);
    const int32_t part = t.horizJustify == 1 ? w / 2 : (t.horizJustify == 2 ? w : 0);
    switch (dir) {
        case 2: x -= part; break;
        case 0: x += part; break;
        case 1: y += part; break;
        case 3: y -= part; break;
        default: break;
    }
    // Drivers' image entries read the live attributes, so they get the state block.
    GdlDeviceContext* self = &s;
    for (const uint8_t* p = reinterpret_cast<const uint8_t*>(text); *p; ++p) {
        GlyphImage g;
        glyphOf(f, *p, &g);
        if (g.bits && fitsPen(x, y)) {
            int32_t bpr = g.bytesPerRow, rows = g.rows;
            // The turned glyph takes ((rows + 7) / 8) x bpr x 8 bytes at most.
            uint64_t need = uint64_t((rows + 7) / 8) * uint64_t(bpr) * 8;
            uint8_t* turned = need <= GDL_SCRATCH_SIZE ? GDL_scratchBuffer() : nullptr;
            switch (dir) {
                case 2: s.v.putMonoImage(self, int32_t(x), int32_t(y), bpr, rows, g.bits); break;
                case 0:
                    if (!turned) break;
                    Mono_reverseCopy(turned, g.bits, bpr, rows);
                    s.v.putMonoImage(self, int32_t(x - 8 * bpr + 1), int32_t(y), bpr, rows, turned);
                    break;
                case 1:
                    if (!turned) break;
                    Mono_rotateQuarter(turned, g.bits, &bpr, &rows, 1);
                    s.v.putMonoImage(self, int32_t(x), int32_t(y - rows + 1), bpr, rows, turned);
                    break;
                case 3:
                    if (!turned) break;
                    Mono_rotateQuarter(turned, g.bits, &bpr, &rows, 3);
                    s.v.putMonoImage(self, int32_t(x), int32_t(y), bpr, rows, turned);
                    break;
                default: break;
            }
        }
        switch (dir) {
            case 2: x += g.advance; break;
            case 0: x -= g.advance; break;
            case 1: y -= g.advance; break;
            case 3: y += g.advance; break;
            default: break;
        }
    }
}
