// Settings a program makes for its whole process at its start: an interrupt
// key (Ctrl-C) that a running program notices at its next check instead of
// dying, and a heap that keeps the memory it frees.
#pragma once

namespace platform {

// From now on an interrupt (SIGINT) no longer ends the process: it is noted
// for TakeInterrupt.
void CatchInterrupts();

// True when an interrupt came since the last call; several interrupts
// between two calls count once.
bool TakeInterrupt();

// Freed memory stays in the heap for the next allocations instead of going
// back to the system (where the C library allows it to be set).
void KeepFreedMemory();

} // namespace platform
