// The world's one pseudo-random generator, for animation pauses and the
// actors' picks: the classic runtime generator (multiplier 214013, increment
// 2531011, results 0..32767), so the spread matches the game's and a seeded
// test sees the same numbers every run.
#pragma once

#include <cstdint>

void WorldSeed(uint32_t seed);
// 0..32767.
int32_t WorldRand();
