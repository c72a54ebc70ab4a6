#include "WorldRandom.h"

namespace {
uint32_t& State() {
    static uint32_t state = 1;
    return state;
}
} // namespace

void WorldSeed(uint32_t seed) {
    State() = seed;
}

int32_t WorldRand() {
    uint32_t& s = State();
    s = s * 214013u + 2531011u;
    return static_cast<int32_t>((s >> 16) & 0x7FFF);
}
