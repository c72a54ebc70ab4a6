// The Windows version, libraries loaded by name and global memory.
//
// There are no shared libraries to load here: "ddraw.dll", "dsound.dll", the
// full-screen support library and the system's own "gdi32.dll" or
// "user32.dll" are modules compiled into the program, each a name with a
// table of exported symbols. LoadLibraryA and GetProcAddress look names up in
// that registry; tests can make a module or a single symbol absent to walk
// the callers' fallback paths.
#pragma once

#include "platform/Types.h"

// --- Version --------------------------------------------------------------

// Low byte: major version; next byte: minor version; bit 31 set on the
// Windows 95 family and clear on NT. Windows 95-class unless a test chose
// otherwise (platform::SetSimulatedVersion).
DWORD GetVersion();

// --- Modules --------------------------------------------------------------

// Case-insensitive; a folder in front of the name is ignored and a name
// without an extension gets ".dll". Null when no such module is compiled in
// (or a test made it absent). Every successful load must be balanced by
// FreeLibrary.
HMODULE LoadLibraryA(LPCSTR name);
BOOL FreeLibrary(HMODULE module);
// Null for a symbol the module does not export (or a test made absent), for
// ordinals and for an unknown module.
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
// A module that is loaded (the system modules always are); null: the program.
HMODULE GetModuleHandleA(LPCSTR name);

// The Windows system folder, where the system's modules are found:
// "C:\\WINDOWS\\SYSTEM". Returns the length (without the zero), or the size
// needed when `buffer` is too small.
UINT GetSystemDirectoryA(LPSTR buffer, UINT size);

// --- Global memory ----------------------------------------------------------

#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)

// Fixed blocks: the handle is the pointer. Movable blocks: a handle that
// GlobalLock turns into the pointer (the memory never actually moves).
HGLOBAL GlobalAlloc(UINT flags, size_t bytes);
LPVOID GlobalLock(HGLOBAL memory);
// Nonzero while the block is still locked after this call.
BOOL GlobalUnlock(HGLOBAL memory);
// The handle of a block, from the pointer GlobalLock gave; null if unknown.
HGLOBAL GlobalHandle(LPCVOID pointer);
// Null on success; the handle itself when it names no block.
HGLOBAL GlobalFree(HGLOBAL memory);
size_t GlobalSize(HGLOBAL memory);

namespace platform {

// GetVersion values of the systems the callers tell apart.
constexpr DWORD kVersionWindows95 = 0xC0000004u;  // 4.0, Windows 95 family
constexpr DWORD kVersionWindowsNT4 = 0x05650004u; // 4.0 build 1381, NT
constexpr DWORD kVersionWin32s = 0x80000A03u;     // 3.10 with the Win32 extension
void SetSimulatedVersion(DWORD version);

// One exported symbol of a simulated module.
struct ModuleExport {
    const char* name;
    FARPROC proc;
};

// Adds (or replaces) a module compiled into the program. The table must stay
// valid for as long as the module is registered. `name` is matched as
// LoadLibraryA matches it. System modules are always loaded: GetModuleHandleA
// finds them without LoadLibraryA.
void RegisterModule(const char* name, const ModuleExport* exports, size_t count,
                    bool systemModule = false);
void UnregisterModule(const char* name);

// Test hooks: a module or one symbol of it behaves as if it did not exist.
// A new session (platform/Session.h) brings every module and symbol back.
void SetModuleAbsent(const char* module, bool absent);
void SetSymbolAbsent(const char* module, const char* symbol, bool absent);

// True while LoadLibraryA would find the module.
bool ModuleExists(const char* name);

// The program's own instance handle (GetModuleHandleA(nullptr)).
HINSTANCE ProgramInstance();

// Converts any function pointer to the FARPROC of an export table.
template <typename F> FARPROC ExportOf(F* function) {
    return reinterpret_cast<FARPROC>(function);
}

} // namespace platform
