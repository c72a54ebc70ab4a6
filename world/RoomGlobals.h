// The process-wide state kept with the room that the world's drawing code reads.
#pragma once

#include <cstdint>

// 1 when the display works with 5:5:5 pixels: sprites are converted when they
// load and the span effects use the 5:5:5 channel masks.
extern uint8_t Display555;
