// Fixed point and the library's random generator.
#include "gdl/support.h"
#include "library_state.h"

int32_t GDL_fixMul(int32_t a, int32_t b) {
    int64_t p = int64_t(a) * int64_t(b) + 0x8000;
    return int32_t(p >> 16);
}

int32_t GDL_fixDiv(int32_t a, int32_t b) {
    if (b == 0) return 0;
    return int32_t((int64_t(a) * 65536) / b);
}

int32_t GDL_fixDiv4_28(int32_t a, int32_t b) {
    if (b == 0) return 0;
    int64_t dividend = int64_t(a) * (int64_t(1) << 28);
    int64_t q = dividend / b;
    int64_t r = dividend % b;
    // The remainder's extra twelve bits, computed unsigned: stored results rely on it.
    uint32_t frac = uint32_t((uint64_t(uint32_t(int32_t(r))) * 4096u) / uint32_t(b));
    return int32_t((uint32_t(q) << 12) | frac);
}

int32_t GDL_mulDiv(int32_t a, int32_t b, int32_t c) {
    if (c == 0) return 0;
    return int32_t((int64_t(a) * int64_t(b)) / c);
}

int32_t GDL_crossSign(int32_t a, int32_t b, int32_t c, int32_t d) {
    return (int64_t(b) * c - int64_t(a) * d) >= 0 ? 1 : 0;
}

void GDL_srand(uint32_t seed) {
    gdl_internal::state().random = seed;
}

uint32_t GDL_randomNext() {
    const uint32_t mHi = 0x15A4, mLo = 0x4E35;
    uint32_t lo = uint32_t(gdl_internal::state().random),
             hi = uint32_t(gdl_internal::state().random >> 32);
    uint64_t high = uint64_t(uint32_t(lo * mLo + hi * mHi)) << 32;
    gdl_internal::state().random = uint64_t(hi) * mLo + high + 1;
    return uint32_t(gdl_internal::state().random >> 32);
}

uint32_t GDL_random(uint32_t n) {
    n &= 0xFFFF;
    uint32_t v = GDL_randomNext();
    return n ? v % n : 0;
}

uint32_t GDL_randomBelow(uint32_t n) {
    uint32_t v = GDL_randomNext();
    return n ? v % n : 0;
}

uint64_t GDL_randomState() {
    return gdl_internal::state().random;
}
