// The state kept with the room that the world's code reads, under its own
// names; it lives in the current engine's world state (WorldState.h).
#pragma once

#include "WorldState.h"

#include <cstdint>

// 1 when the display works with 5:5:5 pixels.
inline uint8_t& Display555() {
    return World().display555;
}
// The one room while it exists.
inline TRoom*& CurrentRoom() {
    return World().currentRoom;
}
// Set by a fade-out, cleared by a fade-in.
inline uint8_t& InputLocked() {
    return World().inputLocked;
}
// Forces the next re-ordering of the room's elements to rebuild the z-order.
inline uint8_t& OrderDirty() {
    return World().orderDirty;
}
// The brightness of object drawing, initially 1.0.
inline float& ObjectBrightness() {
    return World().objectBrightness;
}
