#include "FixedMath.h"

#include <array>
#include <cstddef>

namespace demo {

namespace {

// A quarter-wave table of 1025 points from a rational approximation that
// stays within 0.2 % of the true sine: plenty for art and sound, and made of
// integer operations only.
std::array<int32_t, 1025> BuildQuarter() {
    std::array<int32_t, 1025> table{};
    const int64_t h = 2048; // half a turn in table steps
    for (int64_t i = 0; i <= 1024; ++i) {
        const int64_t p = i * (h - i);
        table[size_t(i)] = int32_t(32767 * 16 * p / (5 * h * h - 4 * p));
    }
    return table;
}

const std::array<int32_t, 1025>& Quarter() {
    static const std::array<int32_t, 1025> table = BuildQuarter();
    return table;
}

} // namespace

int32_t Sine(uint32_t phase) {
    const uint32_t step = (phase & 0xFFFF) >> 4; // 4096 steps a turn
    const uint32_t quadrant = step >> 10;
    const uint32_t within = step & 1023;
    const auto& q = Quarter();
    switch (quadrant) {
        case 0: return q[within];
        case 1: return q[1024 - within];
        case 2: return -q[within];
        default: return -q[1024 - within];
    }
}

uint32_t Rng::Next() {
    uint32_t x = state_;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    state_ = x;
    return x;
}

int32_t Rng::Below(int32_t range) {
    return range > 0 ? int32_t(Next() % uint32_t(range)) : 0;
}

int32_t Rng::Spread(int32_t amplitude) {
    return Below(2 * amplitude + 1) - amplitude;
}

int32_t ISqrt(int64_t value) {
    if (value <= 0) return 0;
    int64_t r = 0, bit = int64_t{1} << 62;
    while (bit > value)
        bit >>= 2;
    while (bit) {
        if (value >= r + bit) {
            value -= r + bit;
            r = (r >> 1) + bit;
        } else {
            r >>= 1;
        }
        bit >>= 2;
    }
    return int32_t(r);
}

} // namespace demo
