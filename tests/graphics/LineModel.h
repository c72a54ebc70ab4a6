// The geometry every one-pixel line must have, independent of how the walker
// computes it: one pixel per step of the major axis, (major >> 16) + 1 of
// them from the pixel of the left end point; every pixel within the rows and
// columns of the pixels of the two end points; each pixel after the first no
// more than half a pixel ahead of the ideal line at its centre (held in that
// box; the 16.16 products may shift a tie by a hair); behind by more only
// while catching up from a start pixel off the line, one minor step per major
// step; and the minor coordinate moving by at most one a step. A vertical line
// drawn by its ends is the column between the pixels of its end points.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "FixedPoint.h"

namespace linemodel {

// Empty when the pixels (any order) are a valid line from (x1, y1) to (x2, y2)
// in 16.16; else what is wrong.
inline std::string check(const std::vector<std::pair<int32_t, int32_t>>& pixels, int32_t x1,
                         int32_t y1, int32_t x2, int32_t y2, bool verticalByEnds = false) {
    if (x2 < x1) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    const int32_t xLo = roundFx(x1), xHi = roundFx(x2);
    const int32_t yLo = std::min(roundFx(y1), roundFx(y2)),
                  yHi = std::max(roundFx(y1), roundFx(y2));
    for (const auto& [x, y] : pixels)
        if (x < xLo || x > xHi || y < yLo || y > yHi)
            return "pixel " + std::to_string(x) + "," + std::to_string(y) + " outside the ends";
    if (verticalByEnds && x1 == x2) {
        if (int32_t(pixels.size()) != yHi - yLo + 1) return "vertical line of the wrong length";
        return {};
    }
    const int64_t dx = int64_t(x2) - x1, dy = std::abs(int64_t(y2) - y1);
    const bool xMajor = dx >= dy;
    const int32_t count = int32_t(std::max(dx, dy) >> 16) + 1;
    if (int32_t(pixels.size()) != count)
        return std::to_string(pixels.size()) + " pixels, want " + std::to_string(count);
    const int32_t step = y2 < y1 ? -1 : 1;
    std::vector<int32_t> minorAt(size_t(count), INT32_MIN);
    std::vector<int32_t> behind;
    for (const auto& [x, y] : pixels) {
        const int32_t k = xMajor ? x - roundFx(x1) : (y - roundFx(y1)) * step;
        if (k < 0 || k >= count || minorAt[size_t(k)] != INT32_MIN)
            return "major step " + std::to_string(k) + " wrong or twice";
        const int32_t minor = xMajor ? y : x;
        minorAt[size_t(k)] = minor;
        if (k == 0) {
            if (minor != roundFx(xMajor ? y1 : x1)) return "does not start at the end point";
            continue;
        }
        double ideal = xMajor ? (y1 + (double(x) * 65536 - x1) * (double(y2) - y1) / double(dx))
                              : (x1 + (double(y) * 65536 - y1) * double(dx) / (double(y2) - y1));
        ideal = std::clamp(ideal / 65536, double(xMajor ? yLo : xLo), double(xMajor ? yHi : xHi));
        const int32_t dir = xMajor ? step : 1;
        const double e = (minor - ideal) * dir;
        if (e > 0.5 + 1.0 / 1024) return "ahead of the line at step " + std::to_string(k);
        if (e < -0.5 - 1.0 / 1024) behind.push_back(k);
    }
    for (int32_t k = 1; k < count; ++k)
        if (std::abs(minorAt[size_t(k)] - minorAt[size_t(k - 1)]) > 1)
            return "minor jump at step " + std::to_string(k);
    for (int32_t k : behind)
        if ((minorAt[size_t(k)] - minorAt[size_t(k - 1)]) * (xMajor ? step : 1) != 1)
            return "behind without catching up at step " + std::to_string(k);
    return {};
}

} // namespace linemodel
