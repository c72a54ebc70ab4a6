// Threads as the runtime library starts them: a handle that stays valid
// until CloseHandle, a priority hint, and a wait that joins.
#pragma once

#include "platform/Types.h"

#include <cstdint>

constexpr int THREAD_PRIORITY_NORMAL = 0;
constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 1;
constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

// Starts `start(argument)` on a new thread; the handle (0 on failure) is a
// thread handle for the calls below. Security, stack size and flags are
// accepted and not used; `threadId` receives a nonzero id when given.
uintptr_t _beginthreadex(void* security, unsigned stackSize, unsigned (*start)(void*),
                         void* argument, unsigned flags, unsigned* threadId);
// A hint the host may ignore; TRUE for a live thread handle.
BOOL SetThreadPriority(HANDLE thread, int priority);
// Waits for the thread to end (real time; INFINITE waits for good).
// WAIT_OBJECT_0 once it has ended, WAIT_TIMEOUT, or WAIT_FAILED.
DWORD WaitForSingleObject(HANDLE thread, DWORD milliseconds);
// Frees a thread handle; a thread still running goes on detached.
BOOL CloseHandle(HANDLE thread);

namespace platform {

// Hands the rectangle of the window's client pixels to the screen now, from
// any thread: what the window shows then includes it even while the thread
// that owns the window is busy. Null `rect` means the whole client area.
void PresentWindowRect(HWND window, const RECT* rect);

} // namespace platform
