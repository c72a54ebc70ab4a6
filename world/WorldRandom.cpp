#include "WorldRandom.h"

#include "WorldState.h"

void WorldSeed(uint32_t seed) {
    World().randomState = seed;
}

int32_t WorldRand() {
    uint32_t& s = World().randomState;
    s = s * 214013u + 2531011u;
    return static_cast<int32_t>((s >> 16) & 0x7FFF);
}
