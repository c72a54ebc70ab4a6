// The layer's millisecond clock. Real (monotonic) by default; tests switch it
// to virtual time, where time moves only when the test advances it and the
// periodic timers due on the way fire in order on the advancing thread.
#pragma once

#include <cstdint>

namespace platform {

// Milliseconds since the layer's clock started; wraps like timeGetTime.
uint32_t ClockNow();

// Switches between real and virtual time. Virtual time starts at `start`.
// The calling thread becomes the clock's owner: on virtual time, Sleep on the
// owner advances the clock, while other threads only yield.
void ClockUseVirtual(bool on, uint32_t start = 0);
bool ClockIsVirtual();
bool ClockIsOwnerThread();

// Virtual time only: moves the clock forward by `ms`, firing every timer that
// falls due on the way at its own due time.
void ClockAdvance(uint32_t ms);

// The timer module's part of ClockAdvance: called with the target time; it
// fires due timers in order, setting the clock to each one's due time with
// ClockSetVirtualNow, and leaves the clock at the target.
using ClockAdvanceHook = void (*)(uint32_t target);
void ClockSetAdvanceHook(ClockAdvanceHook hook);
void ClockSetVirtualNow(uint32_t now);

} // namespace platform
