// 16.16 helpers of the drawing tests and their one fixed generator.
#pragma once

#include <cstdint>

// Whole pixels to 16.16, and 16.16 to the nearest pixel (halves up).
inline int32_t fx(int32_t v) {
    return int32_t(uint32_t(v) << 16);
}
inline int32_t roundFx(int32_t v) {
    return int32_t((int64_t(v) + 0x8000) >> 16);
}

// A small fixed generator, so the shapes are the same on every run.
struct Lcg {
    uint32_t state;
    uint32_t next() { return state = state * 1664525u + 1013904223u; }
    // A 16.16 value in [lo, hi) with a fractional part.
    int32_t fx(int lo, int hi) {
        return int32_t(lo * 65536 + int64_t(next() % uint32_t((hi - lo) * 65536)));
    }
};
