// The window of the event tests: the memory host with fresh input state,
// virtual time from `startMs`, and one visible popup of a double-click class
// with the default window procedure. Null when the class or window fails.
#pragma once

#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/User.h"

#include <cstdint>

namespace testsupport {

inline HWND OpenHeadlessWindow(const char* className, uint32_t startMs, int x, int y, int width,
                               int height) {
    platform::UseHost(platform::HostKind::Memory);
    platform::ResetUserState();
    platform::ClockUseVirtual(true, startMs);
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = className;
    if (!RegisterClassA(&wc)) return nullptr;
    return CreateWindowExA(0, className, className, WS_POPUP | WS_VISIBLE, x, y, width, height,
                           nullptr, nullptr, nullptr, nullptr);
}

} // namespace testsupport
