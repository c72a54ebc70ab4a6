// 2-byte pixels of a picture row at a reduction's sampled columns, eight at a
// time by byte shuffles of a 32-byte window of the row, instead of one load
// and one store a pixel. Columns of a reduction advance by less than two
// pixels each, so eight of them lie inside such a window.
#pragma once

#include <cstdint>

namespace keyed {

// Eight outputs: the window's first byte in the row and, for each output
// byte, its place in the window's low or high half (0x80: from the other).
struct TShuffleGroup {
    int32_t base;
    uint8_t low[16];
    uint8_t high[16];
};

constexpr int32_t kShuffleGroups = 32; // a strip of 256 columns

// Plans the groups for `n` columns at the byte offsets `at` (at most
// 8 x kShuffleGroups) of rows `rowBytes` long; the last group is the eight
// ending at n. False when the shuffles cannot be used: fewer than eight
// columns, rows shorter than a window, eight columns spread over more than
// one, or a processor without byte shuffles.
bool PlanShuffle(const intptr_t* at, int32_t n, int32_t rowBytes, TShuffleGroup* groups);

// out[j] = the pixel at row + at[j] for j < n, as planned.
void GatherShuffled(uint8_t* out, const uint8_t* row, const TShuffleGroup* groups, int32_t n);

} // namespace keyed
