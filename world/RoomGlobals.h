// The process-wide state kept with the room that the world's drawing code reads.
#pragma once

#include <cstdint>

class TRoom;

// 1 when the display works with 5:5:5 pixels: sprites are converted when they
// load and the span effects use the 5:5:5 channel masks.
extern uint8_t Display555;
// The one room while it exists.
extern TRoom* CurrentRoom;
// Set by a fade-out, cleared by a fade-in: the room's clocks skip their work
// and clicks reach no script meanwhile.
extern uint8_t InputLocked;
// Forces the next re-ordering of the room's elements to rebuild the z-order.
extern uint8_t OrderDirty;
