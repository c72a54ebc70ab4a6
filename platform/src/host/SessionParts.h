// The pieces of state a session brings back to their defaults, each kept by
// the module that owns it.
#pragma once

namespace platform {

// Destroys every top-level window of the calling thread and forgets classes,
// window timers, the queue, key and mouse state, cursors shown, the message
// box policy and log, the chosen display mode and the system counters.
void ResetUserState();
// The memory host's desktop back to 1024 x 768 at 32 bits.
void ResetMemoryDesktop();
// Forgets the loaded keys and open handles; the next call reads the file
// the environment names then.
void RegistryReset();
// Closes the sound device if still held (its pump stops) and brings its
// settings back: every failure off, formats, caps and device count from the
// environment, automatic sink, recording off.
void ResetSoundDevice();
// Brings every module and symbol a test made absent back.
void ResetModuleOverrides();
// No simulated adapter; its memory and every DirectDraw object are gone.
void ResetAdapter();
// Drops every multimedia timer and stops their thread.
void ResetTimers();

} // namespace platform
