// Where a harness with a window runs: on the desktop through SDL, or, where
// there is none, headless on the memory host, which it says instead of
// running unseen forever.
#pragma once

namespace tools {

// True on the desktop (the host the environment chooses is SDL). Otherwise
// writes "PROGRAM: REASON: NOTE" to stderr (NOTE tells what the program does
// instead) and returns false, the memory host running.
bool OnDesktop(const char* program, const char* note);

} // namespace tools
