// The world's state, in one place: what the room's code, its drawing and the
// script commands share, and the world's random generator. It belongs to the
// current engine (built on first use, gone with the engine), so every engine
// a program or a test builds starts from the values below.
#pragma once

#include "ui/TEngine.h"

#include <cstdint>

class GameServices;
class TRoom;

struct WorldState : TEnginePart {
    // The one room while it exists.
    TRoom* currentRoom = nullptr;
    // Set by a fade-out, cleared by a fade-in: the room's clocks skip their
    // work and clicks reach no script meanwhile.
    uint8_t inputLocked = 0;
    // Forces the next re-ordering of the room's elements to rebuild the z-order.
    uint8_t orderDirty = 0;
    // 1 when the display works with 5:5:5 pixels: sprites are converted when
    // they load and the span effects use the 5:5:5 channel masks.
    uint8_t display555 = 0;
    // The brightness objects are drawn with.
    float objectBrightness = 1.0f;
    // The random generator's state (WorldRandom.h).
    uint32_t randomState = 1;
    // The game's services; null while the world runs on the silent stand-in.
    GameServices* game = nullptr;
};

// The current engine's world state.
WorldState& World();
