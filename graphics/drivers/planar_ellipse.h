// The midpoint ellipse of the planar render sets (mode X and 16 colours), on
// integers: A = w², B = h², four points stepped together from the top and
// bottom of the box.
#pragma once

#include <cstdint>

#include "gdl/dc.h"
#include "gdl/render.h"

namespace vga_internal {

// A box of width 0 would keep region 2's S at 0 for ever, and with height 0
// region 1 is skipped so that only the two middle points would be drawn:
// such boxes go to the library's outline. True when the box was handled.
inline bool flatEllipse(const GdlRect* box, int32_t patterned) {
    const int32_t w = box->right - box->left, h = box->bottom - box->top;
    if (w > 0 && h > 0) return false;
    if (w >= 0 && h >= 0) DRV_ellipse(box, patterned);
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
