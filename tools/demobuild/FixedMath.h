// Integer-only arithmetic for the demo's generators: the same bytes come out
// of every compiler and optimisation level, which floating point does not
// promise.
#pragma once

#include <cstdint>

namespace demo {

// Fixed point with 16 fraction bits.
constexpr int32_t kOne = 1 << 16;

// Sine of a phase given in 1/65536 of a turn, scaled to -32767 .. 32767.
int32_t Sine(uint32_t phase);

// A seeded generator (xorshift32): the same seed gives the same sequence.
class Rng {
public:
    explicit Rng(uint32_t seed) : state_(seed ? seed : 0x9E3779B9u) {}
    uint32_t Next();
    // 0 .. range - 1 (range > 0).
    int32_t Below(int32_t range);
    // -amplitude .. amplitude.
    int32_t Spread(int32_t amplitude);

private:
    uint32_t state_;
};

// Integer square root of a non-negative number.
int32_t ISqrt(int64_t value);

} // namespace demo
