// Devices opened by name (CreateFileA) and asked through DeviceIoControl.
// The one device is \\.\GDLHELP, the accelerator's helper, present when the
// adapter's personality has one (AdapterAccel::helper); it holds a VBE/AF
// driver image already loaded and sets modes and text mode through it.
// CloseHandle (platform/Thread.h) closes it.
#pragma once

#include "platform/Types.h"

#include <cstdint>

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(intptr_t(-1)))
#define CREATE_NEW 1
#define FILE_FLAG_DELETE_ON_CLOSE 0x04000000

// The helper's control codes: its version; its driver image (a 32-bit
// handle, platform/Vbeaf.h); the driver's set-mode entry with six arguments
// (the leading input word is ignored); the driver's text-mode entry.
constexpr DWORD kGdlHelpVersion = 0x80000000u;
constexpr DWORD kGdlHelpDriver = 0x8000000Du;
constexpr DWORD kGdlHelpSetMode = 0x80000100u;
constexpr DWORD kGdlHelpTextMode = 0x80000101u;

HANDLE CreateFileA(const char* name, DWORD access, DWORD share, void* security, DWORD creation,
                   DWORD flags, HANDLE templateFile);
BOOL DeviceIoControl(HANDLE device, DWORD code, const void* in, DWORD inSize, void* out,
                     DWORD outSize, DWORD* returned, void* overlapped);

namespace platform {
// True (and closed) when `handle` is an open device's.
bool CloseDeviceHandle(HANDLE handle);
// Devices opened and not closed (tests check the loader lets go).
int OpenDeviceCount();
} // namespace platform
