// The one walker of 16.16 lines: every pixel of a line, from its left end, in
// order along the major axis. The generic line routines, the packed
// renderers and the scan converters all walk through it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <utility>

#include "gdl/dc.h"

namespace gdl_internal {

struct LineWalk {
    // Step the minor axis also at a decision value of exactly 0 (the
    // logical-mode line of the packed renderers).
    bool stepOnTie = false;
    // A vertical line covers the rows of its rounded ends instead of the
    // count of whole steps of its length.
    bool verticalByEnds = false;
};

inline int32_t roundFixed(int32_t v) {
    return int32_t((int64_t(v) + 0x8000) >> 16);
}

// Walks the line and hands each pixel to `plot`. The minor coordinate is held
// within the rows (or columns) of the two rounded end points: the walk's last
// step may round past the far end point by half a pixel, and a line clipped to
// pixel centres must not leave its clip that way.
template <class Plot>
void walkFixedLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, LineWalk options, Plot&& plot) {
    if (x2 < x1) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    if (options.verticalByEnds && x1 == x2) {
        const int32_t a = roundFixed(std::min(y1, y2)), b = roundFixed(std::max(y1, y2));
        const int32_t x = roundFixed(x1);
        for (int32_t y = a; y <= b; ++y)
            plot(x, y);
        return;
    }
    // 64-bit terms: the walk of a long line must not overflow its error.
    int64_t dx = int64_t(x2) - x1, dy = int64_t(y2) - y1;
    int32_t step = 1;
    if (dy < 0) {
        step = -1;
        dy = -dy;
    }
    const int64_t major = std::max(dx, dy), minor = std::min(dx, dy);
    const int64_t incMinor = 2 * minor, incDiag = 2 * minor - 2 * major;
    int32_t x = roundFixed(x1), y = roundFixed(y1);
    const int32_t xEnd = roundFixed(x2), yEnd = roundFixed(y2);
    const int32_t yLo = std::min(y, yEnd), yHi = std::max(y, yEnd);
    const int64_t count = (major >> 16) + 1;
    auto fixMul = [](int64_t a, int64_t b) { return (a * b + 0x8000) >> 16; };
    const int64_t fracX = int64_t(x) * 65536 - x1;
    const int64_t fracY = (int64_t(y) * 65536 - y1) * step;
    const bool xMajor = dx >= dy;
    int64_t error = incMinor - major + fixMul(incMinor, xMajor ? fracX : fracY) -
                    fixMul(2 * major, xMajor ? fracY : fracX);
    for (int64_t i = 0; i < count; ++i) {
        if (xMajor)
            plot(x, std::clamp(y, yLo, yHi));
        else
            plot(std::min(x, xEnd), y);
        const bool minorStep = options.stepOnTie ? error >= 0 : error > 0;
        if (xMajor) {
            x += 1;
            if (minorStep) y += step;
        } else {
            y += step;
            if (minorStep) x += 1;
        }
        error += minorStep ? incDiag : incMinor;
    }
}

// Clips a 16.16 line so that every end point rounds to a pixel inside `clip`
// (integer coordinates, right and bottom exclusive); 0 when nothing is left.
int32_t clipLineToPixelCentres(int32_t* x1, int32_t* y1, int32_t* x2, int32_t* y2,
                               const GdlRect& clip);

// Clips a span list to `c` (device coordinates) in place and draws it through
// slot 3 of the current table; nothing when `c` is empty.
void drawSpansWithin(int32_t firstRow, int32_t count, GdlSpan16* list, const GdlRect& c);

} // namespace gdl_internal
