// One animation of an object, or one facing direction of an actor's
// animation: eight 32-bit words, copied by value.
#pragma once

#include <cstdint>

struct AnimEntry {
    int32_t group = -1;     // frame group of the picture source; -1 none
    int32_t interval = 100; // milliseconds a frame
    int32_t pauseMin = 0;   // pause after the last frame, milliseconds
    int32_t pauseMax = 0;
    int32_t frame = 0; // current frame of the group
    int32_t x = 0;     // objects: offset added to the frame's; actors: anchor
    int32_t y = 0;
    float scale = 1.0f;
};
static_assert(sizeof(AnimEntry) == 32, "eight 32-bit words");

// The pause after a cycle: the minimum when both bounds are equal, else a
// random value in [min, max); never below 100 ms.
int32_t RandomInterval(const AnimEntry& entry);
