// Device-independent spans, span lists, regions, trapezoids, the generic
// per-pixel span and the line routines that draw pixel by pixel.
#include <algorithm>
#include <utility>

#include "gdl/thread.h"
#include "gdl/draw.h"
#include "gdl/render.h"
#include "gdl/support.h"
#include "line_walker.h"

namespace {

// The state block, reached from the library's own thread only (the default
// argument names the caller).
GdlDeviceContext& S(const char* entry = __builtin_FUNCTION()) {
    GDL_checkThread(entry);
    return GDL_stateBlock;
}

inline int32_t roundFx(int32_t v) {
    return int32_t((int64_t(v) + 0x8000) >> 16);
}

} // namespace

void DRV_clippedSpan(int32_t y, int32_t x1, int32_t x2) {
    GdlDeviceContext& s = S();
    const GdlRect& c = s.clipDevice;
    if (y < c.top || y >= c.bottom) return;
    if (x1 > x2) std::swap(x1, x2);
    x1 = std::max(x1, c.left);
    x2 = std::min(x2, c.right);
    if (x1 >= x2) return;
    s.v.current.span(y, x1, x2);
}

void DRV_viewportSpan(int32_t y, int32_t x1, int32_t x2) {
    GdlDeviceContext& s = S();
    const GdlAttributes& a = s.attr;
    if (a.clipOn) {
        if (y < a.clipRect.top || y >= a.clipRect.bottom) return;
        if (x1 > x2) std::swap(x1, x2);
        x1 = std::max(x1, a.clipRect.left);
        x2 = std::min(x2, a.clipRect.right);
        if (x1 >= x2) return;
    }
    s.v.current.span(y + a.viewport.top + a.viewportOriginY,
                     x1 + a.viewport.left + a.viewportOriginX,
                     x2 + a.viewport.left + a.viewportOriginX);
}

void GDL_drawSpans(int32_t firstRow, int32_t count, GdlSpan16* list) {
    gdl_internal::drawSpansWithin(firstRow, count, list, S().clipDevice);
}

namespace gdl_internal {

void drawSpansWithin(int32_t firstRow, int32_t count, GdlSpan16* list, const GdlRect& c) {
    // A clip stored inverted (left of a rectangle beyond the viewport) is empty.
    if (!list || count <= 0 || c.left >= c.right || c.top >= c.bottom) return;
    if (firstRow < c.top) {
        int64_t skip = int64_t(c.top) - firstRow;
        if (skip >= count) return;
        list += skip;
        count -= int32_t(skip);
        firstRow = c.top;
    }
    if (firstRow >= c.bottom) return;
    if (int64_t(firstRow) + count > c.bottom) count = c.bottom - firstRow;
    for (int32_t i = 0; i < count; ++i) {
        GdlSpan16& e = list[i];
        if (e.x1 == e.x2) continue;
        if (e.x1 > e.x2) std::swap(e.x1, e.x2);
        if (e.x2 <= c.left || e.x1 >= c.right) {
            e.x1 = 0;
            e.x2 = 0;
            continue;
        }
        if (e.x1 < c.left) e.x1 = int16_t(c.left);
        if (e.x2 > c.right) e.x2 = int16_t(c.right);
    }
    S().v.current.spanList(firstRow, count, list);
}

} // namespace gdl_internal

void DRV_spanList(int32_t firstRow, int32_t count, const GdlSpan16* list) {
    GdlSpanFunc span = S().v.current.span;
    for (int32_t i = 0; i < count; ++i)
        if (list[i].x1 != list[i].x2) span(firstRow + i, list[i].x1, list[i].x2);
}

// Region rows are not clipped by whoever builds them, so each span is.
void DRV_regionSpans(int32_t x, int32_t y, const GdlRegionRow* region) {
    for (const GdlRegionRow* row = region; row; row = row->next)
        for (int32_t i = 0; i < row->count; ++i)
            DRV_clippedSpan(row->y + y, row->spans[i].x1 + x, row->spans[i].x2 + x);
}

void DRV_trapezoid(GdlEdgeWalker* w) {
    GdlDeviceContext& s = S();
    const GdlRect& c = s.clipDevice;
    for (int32_t i = 0; i < w->count; ++i) {
        if (w->row >= c.top && w->row < c.bottom) {
            int32_t xl = std::max(roundFx(w->leftX), c.left);
            int32_t xr = std::min(roundFx(w->rightX), c.right);
            if (xl < xr)
                s.v.current.span(w->row, xl, xr);
            else if (xr < xl) {
                // Edges may cross over; the span is the same either way round.
                int32_t a = std::max(roundFx(w->rightX), c.left);
                int32_t b = std::min(roundFx(w->leftX), c.right);
                if (a < b) s.v.current.span(w->row, a, b);
            }
        }
        // Edges of a shape far outside the surface may run past the 16.16
        // range; they wrap as 32-bit values do, and the clip cuts what results.
        w->leftX = int32_t(uint32_t(w->leftX) + uint32_t(w->leftStep));
        w->rightX = int32_t(uint32_t(w->rightX) + uint32_t(w->rightStep));
        w->row += 1;
    }
}

void DRV_scanLine(int32_t y, int32_t x1, int32_t x2) {
    GdlDeviceContext& s = S();
    if (x1 == x2) return;
    if (x1 > x2) std::swap(x1, x2);
    GdlPutPixelFunc put = s.attr.colorMapMode == 1 ? s.v.putDitheredPixel : s.v.putPixel;
    const GdlAttributes& a = s.attr;
    s.v.beginAccess();
    switch (a.fillStyle) {
        case 0:
            for (int32_t x = x1; x < x2; ++x)
                put(x, y);
            break;
        case 1: {
            uint8_t bits = a.monoPattern[y & 7];
            for (int32_t x = x1; x < x2; ++x) {
                s.packedColor = (bits & (0x80 >> (x & 7))) ? a.color : a.backColor;
                put(x, y);
            }
            s.v.setColor(a.color);
            break;
        }
        case 2: {
            uint8_t bits = a.monoPattern[y & 7];
            for (int32_t x = x1; x < x2; ++x)
                if (bits & (0x80 >> (x & 7))) put(x, y);
            break;
        }
        case 3:
            for (int32_t x = x1; x < x2; ++x) {
                s.packedColor = a.colorPattern[(x & 7) + 8 * (y & 7)];
                put(x, y);
            }
            s.v.setColor(a.color);
            break;
        default: break;
    }
    s.v.endAccess();
}

void DRV_patternPixel(int32_t x, int32_t y) {
    GdlDeviceContext& s = S();
    const GdlAttributes& a = s.attr;
    GdlPutPixelFunc put = a.colorMapMode == 1 ? s.v.putDitheredPixel : s.v.putPixel;
    uint8_t bits = a.monoPattern[y & 7];
    bool set = (bits & (0x80 >> (x & 7))) != 0;
    switch (a.fillStyle) {
        case 1:
            s.packedColor = set ? a.color : a.backColor;
            put(x, y);
            s.v.setColor(a.color);
            break;
        case 2:
            if (set) put(x, y);
            break;
        case 3:
            s.packedColor = a.colorPattern[(x & 7) + 8 * (y & 7)];
            put(x, y);
            s.v.setColor(a.color);
            break;
        default: put(x, y); break;
    }
}

void DRV_genericLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    GdlDeviceContext& s = S();
    s.v.beginAccess();
    gdl_internal::walkFixedLine(x1, y1, x2, y2, {}, s.v.putPixel);
    s.v.endAccess();
}

void DRV_genericFillRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    GdlSpanFunc span = S().v.current.span;
    for (int32_t y = top; y < bottom; ++y)
        span(y, left, right);
}

void DRV_colorMappedLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    GdlDeviceContext& s = S();
    s.v.beginAccess();
    gdl_internal::walkFixedLine(x1, y1, x2, y2, {},
                                s.attr.colorMapMode == 1 ? s.v.putDitheredPixel : s.v.putPixel);
    s.v.endAccess();
}

// --- Styled lines -------------------------------------------------------------------

void DRV_styledLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    GdlDeviceContext& s = S();
    if (x1 > x2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    int64_t dx = int64_t(x2) - x1, dy = y2 >= y1 ? int64_t(y2) - y1 : int64_t(y1) - y2;
    int64_t pixels = (std::max(dx, dy) >> 16) + 1;
    const uint32_t reload = (s.attr.lineStyle & 0xFFFF) | 0x10000;
    uint32_t word = reload >> (s.attr.lineStylePos & 15);
    s.attr.lineStylePos += uint32_t(pixels);
    const GdlPutPixelFunc put = s.v.putPixel;
    s.v.beginAccess();
    gdl_internal::walkFixedLine(x1, y1, x2, y2, {}, [&](int32_t x, int32_t y) {
        if (word & 1) put(x, y);
        word >>= 1;
        if (word <= 1) word = reload;
    });
    s.v.endAccess();
}

// --- Line clipping ------------------------------------------------------------------

namespace {

int outcode(int64_t x, int64_t y, const int64_t (&box)[4]) {
    int code = 0;
    if (y >= box[3]) code |= 1;
    if (y < box[1]) code |= 2;
    if (x >= box[2]) code |= 4;
    if (x < box[0]) code |= 8;
    return code;
}

int32_t clamp32(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// Cohen-Sutherland against the box (left, top, right, bottom; right and bottom
// exclusive); an end point beyond the right or bottom edge moves to the edge
// less `inset`.
int32_t clipLineToBox(int32_t* x1, int32_t* y1, int32_t* x2, int32_t* y2, const int64_t (&box)[4],
                      int64_t inset) {
    const int64_t dx = int64_t(*x2) - *x1, dy = int64_t(*y2) - *y1;
    const int64_t ox = *x1, oy = *y1;
    int c1 = outcode(*x1, *y1, box);
    int c2 = outcode(*x2, *y2, box);
    // Each move settles one border of one endpoint, so a few rounds always end it.
    for (int round = 0; round < 16; ++round) {
        if ((c1 | c2) == 0) return 1;
        if (c1 & c2) return 0;
        bool second = c2 != 0;
        int code = second ? c2 : c1;
        int64_t x, y;
        if (code & 1) {
            y = box[3] - inset;
            x = dy ? ox + dx * (y - oy) / dy : ox;
        } else if (code & 2) {
            y = box[1];
            x = dy ? ox + dx * (y - oy) / dy : ox;
        } else if (code & 4) {
            x = box[2] - inset;
            y = dx ? oy + dy * (x - ox) / dx : oy;
        } else {
            x = box[0];
            y = dx ? oy + dy * (x - ox) / dx : oy;
        }
        if (second) {
            *x2 = clamp32(x);
            *y2 = clamp32(y);
            c2 = outcode(*x2, *y2, box);
        } else {
            *x1 = clamp32(x);
            *y1 = clamp32(y);
            c1 = outcode(*x1, *y1, box);
        }
    }
    return 0;
}

} // namespace

int32_t GDL_clipLine(int32_t* x1, int32_t* y1, int32_t* x2, int32_t* y2, int32_t left, int32_t top,
                     int32_t right, int32_t bottom) {
    return clipLineToBox(x1, y1, x2, y2, {left, top, right, bottom}, 0x10000);
}

namespace gdl_internal {

// A 16.16 point draws the pixel it rounds to, so the box is the clip moved up
// and left by half a pixel; an end point moved to the right or bottom edge
// stops one unit short of it, so it still rounds to the last pixel inside.
int32_t clipLineToPixelCentres(int32_t* x1, int32_t* y1, int32_t* x2, int32_t* y2,
                               const GdlRect& clip) {
    const int64_t box[4] = {int64_t(clip.left) * 65536 - 0x8000, int64_t(clip.top) * 65536 - 0x8000,
                            int64_t(clip.right) * 65536 - 0x8000,
                            int64_t(clip.bottom) * 65536 - 0x8000};
    if (clip.left >= clip.right || clip.top >= clip.bottom) return 0;
    return clipLineToBox(x1, y1, x2, y2, box, 1);
}

} // namespace gdl_internal
