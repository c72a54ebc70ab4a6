// The Windows kernel calls the engine makes: program path, millisecond time,
// sleeping, critical sections and debug output.
#pragma once

#include "platform/Types.h"

// Full path of the running program (POSIX separators: callers that split off
// the folder must accept '/' as well as '\\'). `module` is ignored: there is
// only the program. Returns the characters copied; when `size` is too small the
// text is cut, terminated, and `size` is returned.
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);

// Milliseconds of the layer's clock (virtual in tests).
DWORD timeGetTime();

// Real time: sleeps. Virtual time: the clock's owner thread advances the clock
// by `ms` (firing due timers); any other thread only yields.
void Sleep(DWORD ms);

// A recursive lock. The storage holds the lock itself, so initialising never
// allocates and never fails.
struct CRITICAL_SECTION {
    alignas(16) unsigned char storage[64];
};
typedef CRITICAL_SECTION* LPCRITICAL_SECTION;

void InitializeCriticalSection(LPCRITICAL_SECTION section);
void DeleteCriticalSection(LPCRITICAL_SECTION section);
void EnterCriticalSection(LPCRITICAL_SECTION section);
void LeaveCriticalSection(LPCRITICAL_SECTION section);
BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section);

// The calling thread's last error code, as the calls that fail set it.
#define ERROR_NOT_ENOUGH_MEMORY 8L
DWORD GetLastError();
void SetLastError(DWORD code);

// Writes the text to stderr, or hands it to the debug-output hook.
void OutputDebugStringA(LPCSTR text);

namespace platform {

// Takes OutputDebugStringA's text in place of stderr (null: stderr again),
// for a program that expects many reports, such as a fuzz target counting
// refusals.
typedef void (*DebugOutputHook)(const char* text);
void SetDebugOutputHook(DebugOutputHook hook);

// Makes GetModuleFileNameA report `path` as the program file, so a test can
// put "the program's folder" anywhere; null goes back to the real program.
void SetProgramPathForTests(const char* path);

} // namespace platform
