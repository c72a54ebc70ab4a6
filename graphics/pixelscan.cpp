// The four pixel scans of flood fills: along row y of the current context,
// to the first pixel of a colour or past the run of pixels of that colour.
#include <algorithm>

#include "gdl/defaultdraw.h"
#include "library_state.h"

namespace {

// Scans from x by `step` while `keepGoing` holds; returns the x that stopped
// it, or the value past the end (maximum x + 1 going right, -1 going left).
// Starts outside the surface are brought to its edge, and rows outside it
// find nothing, so no pixel outside the surface is read.
template <typename Keep> int32_t scan(int32_t x, int32_t y, int32_t step, Keep keepGoing) {
    GdlDeviceContext& s = gdl_internal::block();
    const int32_t maxX = int32_t(s.mode.maxX);
    const int32_t end = step > 0 ? maxX + 1 : -1;
    if (y < 0 || y > int32_t(s.mode.maxY)) return end;
    if (step > 0 ? x > maxX : x < 0) return end;
    x = std::clamp(x, 0, maxX);
    s.v.beginAccess();
    GdlGetPixelFunc get = s.v.getPixel;
    for (; x != end; x += step)
        if (!keepGoing(get(x, y))) break;
    s.v.endAccess();
    return x;
}

} // namespace

int32_t DRV_scanRightTo(int32_t x, int32_t y, uint32_t color) {
    return scan(x, y, 1, [color](uint32_t p) { return p != color; });
}

int32_t DRV_scanLeftTo(int32_t x, int32_t y, uint32_t color) {
    return scan(x, y, -1, [color](uint32_t p) { return p != color; });
}

int32_t DRV_scanRightWhile(int32_t x, int32_t y, uint32_t color) {
    return scan(x, y, 1, [color](uint32_t p) { return p == color; });
}

int32_t DRV_scanLeftWhile(int32_t x, int32_t y, uint32_t color) {
    return scan(x, y, -1, [color](uint32_t p) { return p == color; });
}
