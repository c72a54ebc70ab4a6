// What the planar render sets (mode X and 16 colours) share: the ends of a
// span and the midpoint ellipse.
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>

#include "gdl/dc.h"
#include "gdl/render.h"
#include "line_walker.h"

namespace vga_internal {

// A span's ends made inclusive and in order. False when the span is done:
// colour patterns and colour-mapped spans go to the library's span, an empty
// one draws nothing.
inline bool spanEnds(const GdlDeviceContext& s, int32_t y, int32_t& x1, int32_t& x2) {
    if (s.attr.fillStyle == 3 || s.attr.colorMapMode == 1) {
        DRV_scanLine(y, x1, x2);
        return false;
    }
    if (x1 == x2) return false;
    if (x1 > x2) std::swap(x1, x2);
    --x2;
    return true;
}

// Walks a 16.16 line (x1 <= x2) and hands each group of pixels of one row
// that share an address to `write(address, mask)`: `address(x, y)` and
// `bit(x)` place a pixel. A vertical run covers the rows of its rounded ends.
template <class Address, class Bit, class Write>
void gatheredLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, Address&& address, Bit&& bit,
                  Write&& write) {
    uint8_t* pending = nullptr;
    uint8_t mask = 0;
    auto flush = [&] {
        if (pending) write(pending, mask);
        pending = nullptr;
        mask = 0;
    };
    gdl_internal::LineWalk walk;
    walk.verticalByEnds = true;
    gdl_internal::walkFixedLine(x1, y1, x2, y2, walk, [&](int32_t x, int32_t y) {
        uint8_t* p = address(x, y);
        if (p != pending) flush();
        pending = p;
        mask |= bit(x);
    });
    flush();
}

// The midpoint ellipse, on integers: A = w², B = h², four points stepped
// together from the top and bottom of the box.

// The box with its corners in order: corners given the other way round name
// the same box, as they do for the library's own outline.
inline GdlRect orderedBox(const GdlRect& b) {
    return {std::min(b.left, b.right), std::min(b.top, b.bottom), std::max(b.left, b.right),
            std::max(b.top, b.bottom)};
}

// A box of width 0 would keep region 2's S at 0 for ever, and with height 0
// region 1 is skipped so that only the two middle points would be drawn:
// such boxes go to the library's outline. True when the box was handled.
inline bool flatEllipse(const GdlRect& box, int32_t patterned) {
    if (box.right > box.left && box.bottom > box.top) return false;
    DRV_ellipse(&box, patterned);
    return true;
}

// Hands every point of the ellipse in `box` (width and height above 0) to
// `plot`. Points are clipped whenever the box is not wholly inside `clip`.
template <class Plot> void walkEllipse(const GdlRect& box, const GdlRect& clip, Plot&& plot) {
    const int32_t w = box.right - box.left, h = box.bottom - box.top;
    const GdlRect& c = clip;
    const bool clipped =
        box.left < c.left || box.right >= c.right || box.top < c.top || box.bottom >= c.bottom;
    auto point = [&](int32_t x, int32_t y) {
        if (clipped && (x < c.left || x >= c.right || y < c.top || y >= c.bottom)) return;
        plot(x, y);
    };
    const int64_t A = int64_t(w) * w, B = int64_t(h) * h;
    const bool odd = w & 1;
    int32_t lx = box.left + w / 2, rx = lx + (odd ? 1 : 0);
    int32_t ty = box.top, by = box.top + h;
    int64_t S2 = 4 * A * h, T = odd ? 4 * B : 0;
    int64_t d = (odd ? 9 * B : 4 * B) + A - 2 * int64_t(h) * A;
    int step = 0; // 1 x, 2 y, 3 both
    auto plotStep = [&] {
        if (step & 1) --lx, ++rx;
        if (step & 2) ++ty, --by;
        point(lx, ty);
        point(rx, ty);
        point(lx, by);
        point(rx, by);
    };
    while (T < S2) {
        plotStep();
        step = 1;
        if (d >= 0) {
            step = 3;
            S2 -= 8 * A;
            d -= S2;
        }
        T += 8 * B;
        d += T + 4 * B;
    }
    d += 3 * (A - B) - ((S2 + T) >> 1);
    do {
        plotStep();
        step = 2;
        if (d < 0) {
            step = 3;
            T += 8 * B;
            d += T;
        }
        S2 -= 8 * A;
        d -= S2 - 4 * A;
    } while (S2 >= 0);
}

} // namespace vga_internal
