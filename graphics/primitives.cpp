// Lines, rectangles, bevels and pixels of the current context, and the line
// walker that hands every pixel of a 16.16 line to a routine.
#include <algorithm>
#include <utility>

#include "library_state.h"
#include "gdl/draw.h"
#include "gdl/render.h"
#include "gdl/support.h"
#include "line_walker.h"

namespace {

using gdl_internal::S;

inline int32_t fx(int32_t v) {
    return int32_t(uint32_t(v) << 16);
}
inline int32_t roundFx(int32_t v) {
    return int32_t((int64_t(v) + 0x8000) >> 16);
}

// With clipping off, drawing is still cut to the surface (in viewport
// coordinates), so a stray coordinate never writes outside the pixels.
GdlRect activeClip() {
    const GdlDeviceContext& s = S();
    if (s.attr.clipOn) return s.attr.clipRect;
    const GdlRect& b = s.bounds;
    const GdlRect& vp = s.attr.viewport;
    return {b.left - vp.left, b.top - vp.top, b.right - vp.left, b.bottom - vp.top};
}

} // namespace

void GDL_lineFX(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    GDL_checkThread(__func__);
    GdlDeviceContext& s = S();
    const GdlAttributes& a = s.attr;
    if (x1 > x2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    const GdlRect clip = activeClip();
    if (y1 == y2 && a.penStyle == 0) {
        const int64_t row = roundFx(y1);
        for (int64_t i = 0; i <= a.penHeight; ++i) {
            if (row + i < clip.top || row + i >= clip.bottom) continue;
            int64_t xa = roundFx(x1), xb = int64_t(roundFx(x2)) + a.penWidth + 1;
            if (xa > xb) std::swap(xa, xb);
            xa = std::max<int64_t>(xa, clip.left);
            xb = std::min<int64_t>(xb, clip.right);
            if (xa >= xb) continue;
            s.v.current.span(int32_t(row + i) + a.viewport.top, int32_t(xa) + a.viewport.left,
                             int32_t(xb) + a.viewport.left);
        }
        return;
    }
    if (!gdl_internal::clipLineToPixelCentres(&x1, &y1, &x2, &y2, clip)) return;
    x1 += s.viewportFixed.left;
    x2 += s.viewportFixed.left;
    y1 += s.viewportFixed.top;
    y2 += s.viewportFixed.top;
    if (a.penStyle == 1)
        s.v.styledLine(x1, y1, x2, y2);
    else
        s.v.current.line(x1, y1, x2, y2);
}

void GDL_line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    GDL_lineFX(fx(x1), fx(y1), fx(x2), fx(y2));
}

void GDL_rect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    GDL_checkThread(__func__);
    if (bottom <= top + 1 || right <= left + 1) return;
    int32_t h = S().attr.penHeight + 1;
    GDL_line(left, top, right - 1, top);
    GDL_line(left, bottom - 1, right - 1, bottom - 1);
    // Side edges only where rows are left between the top edge (h rows) and
    // the bottom row: otherwise a reversed side edge would draw over the top
    // and bottom edges again, undoing them in XOR.
    if (top + h > bottom - 2) return;
    GDL_line(left, top + h, left, bottom - h - 1);
    GDL_line(right - 1, top + h, right - 1, bottom - h - 1);
}

void GDL_fillRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    GDL_checkThread(__func__);
    GdlDeviceContext& s = S();
    const GdlAttributes& a = s.attr;
    const GdlRect clip = activeClip();
    left = std::max(left, clip.left);
    top = std::max(top, clip.top);
    right = std::min(right, clip.right);
    bottom = std::min(bottom, clip.bottom);
    if (left >= right || top >= bottom) return;
    using gdl_internal::OffsetCoord;
    s.v.current.fillRect(OffsetCoord(left, a.viewport.left), OffsetCoord(top, a.viewport.top),
                         OffsetCoord(right, a.viewport.left), OffsetCoord(bottom, a.viewport.top));
}

void GDL_drawBevel(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t style,
                   int32_t width) {
    GDL_checkThread(__func__);
    const int64_t boxWidth = int64_t(right) - left, boxHeight = int64_t(bottom) - top;
    if (boxHeight <= 1 || boxWidth <= 1) return;
    // A frame never reaches past its own box, and no edge coordinate overflows.
    width = int32_t(std::min<int64_t>(width, std::min(boxWidth, boxHeight)));
    GdlDeviceContext& s = S();
    uint32_t saved = s.attr.color;
    uint32_t light = s.attr.bevelLight, dark = s.attr.bevelDark;
    if (style == 0 || style == 1) {
        uint32_t first = style == 0 ? dark : light;
        uint32_t second = style == 0 ? light : dark;
        GDL_setColor(first);
        for (int32_t i = 0; i < width; ++i) {
            GDL_line(left, top + i, right - 1 - i, top + i);
            GDL_line(left + i, top, left + i, bottom - 1 - i);
        }
        GDL_setColor(second);
        for (int32_t i = 0; i < width; ++i) {
            GDL_line(right - 1 - i, top + 1 + i, right - 1 - i, bottom - 1);
            GDL_line(left + 1 + i, bottom - 1 - i, right - 1, bottom - 1 - i);
        }
    } else {
        GDL_setColor(light);
        GDL_rect(left + 1, top + 1, right, bottom);
        GDL_setColor(dark);
        GDL_rect(left, top, right - 1, bottom - 1);
    }
    GDL_setColor(saved);
}

uint32_t GDL_getPixelNoAccess(int32_t x, int32_t y) {
    GDL_checkThread(__func__);
    GdlDeviceContext& s = S();
    const GdlAttributes& a = s.attr;
    if (a.clipOn && (x < a.clipRect.left || x >= a.clipRect.right || y < a.clipRect.top ||
                     y >= a.clipRect.bottom))
        return 0xFFFFFFFFu;
    const int32_t dx = gdl_internal::OffsetCoord(x, a.viewport.left);
    const int32_t dy = gdl_internal::OffsetCoord(y, a.viewport.top);
    // Off the surface there is nothing to read, clipping or not.
    if (dx < s.bounds.left || dx >= s.bounds.right || dy < s.bounds.top || dy >= s.bounds.bottom)
        return 0xFFFFFFFFu;
    return s.v.getPixel(dx, dy);
}

uint32_t GDL_getPixel(int32_t x, int32_t y) {
    GDL_checkThread(__func__);
    S().v.beginAccess();
    uint32_t pixel = GDL_getPixelNoAccess(x, y);
    S().v.endAccess();
    return pixel;
}

void GDL_putPixel(int32_t x, int32_t y) {
    GDL_checkThread(__func__);
    const GdlAttributes& a = S().attr;
    S().v.beginAccess();
    GDL_putPixelDevice(x + a.viewport.left, y + a.viewport.top);
    S().v.endAccess();
}

void GDL_putPixelDevice(int32_t x, int32_t y) {
    GDL_checkThread(__func__);
    const GdlRect& c = S().clipDevice;
    if (x < c.left || x >= c.right || y < c.top || y >= c.bottom) return;
    S().v.putPixel(x, y);
}

void GDL_putDitheredPixelDevice(int32_t x, int32_t y) {
    GDL_checkThread(__func__);
    const GdlRect& c = S().clipDevice;
    if (x < c.left || x >= c.right || y < c.top || y >= c.bottom) return;
    S().v.putDitheredPixel(x, y);
}

void GDL_lineCoord(int32_t x1, int32_t y1, int32_t x2, int32_t y2, GdlPlotFunc plot) {
    GDL_checkThread(__func__);
    gdl_internal::walkFixedLine(x1, y1, x2, y2, {}, plot);
}
