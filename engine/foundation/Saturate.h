// Geometry sums that may leave the 32-bit range (script placements, borders
// and rectangles near the limits) are made in 64 bits and held at the ends
// of the range, so an extreme value stays extreme instead of wrapping round.
#pragma once

#include <cstdint>
#include <limits>

inline int32_t Saturate32(int64_t value) {
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

// a + b and a - b, held in range.
inline int32_t SatAdd(int32_t a, int32_t b) {
    return Saturate32(int64_t{a} + b);
}
inline int32_t SatSub(int32_t a, int32_t b) {
    return Saturate32(int64_t{a} - b);
}
