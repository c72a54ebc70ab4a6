// Windows for tests: the memory host with fresh user-interface state, on
// virtual time or real time, and one window of a class of its own.
#pragma once

#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/User.h"

#include <cstdint>
#include <optional>

namespace testsupport {

// The memory host, no windows, classes, timers or input state left from
// before, and the clock virtual from `virtualFromMs` (real without one).
inline void StartHeadless(std::optional<uint32_t> virtualFromMs) {
    platform::UseHost(platform::HostKind::Memory);
    if (virtualFromMs)
        platform::ClockUseVirtual(true, *virtualFromMs);
    else
        platform::ClockUseVirtual(false);
}

struct HeadlessWindowOptions {
    const char* className = nullptr;
    WNDPROC proc = DefWindowProcA;
    int x = 0, y = 0, width = 64, height = 64;
    std::optional<uint32_t> virtualFromMs = std::nullopt; // real time without one
    DWORD style = WS_POPUP | WS_VISIBLE;
    UINT classStyle = CS_DBLCLKS;
};

// Starts headless as above and opens the window; null when the class or the
// window fails.
inline HWND OpenHeadlessWindow(const HeadlessWindowOptions& options) {
    StartHeadless(options.virtualFromMs);
    WNDCLASSA wc{};
    wc.style = options.classStyle;
    wc.lpfnWndProc = options.proc;
    wc.lpszClassName = options.className;
    if (!RegisterClassA(&wc)) return nullptr;
    return CreateWindowExA(0, options.className, options.className, options.style, options.x,
                           options.y, options.width, options.height, nullptr, nullptr, nullptr,
                           nullptr);
}

// The window of the event tests: virtual time from `startMs`, one visible
// popup of a double-click class with the default window procedure.
inline HWND OpenHeadlessWindow(const char* className, uint32_t startMs, int x, int y, int width,
                               int height) {
    return OpenHeadlessWindow({.className = className,
                               .x = x,
                               .y = y,
                               .width = width,
                               .height = height,
                               .virtualFromMs = startMs});
}

} // namespace testsupport
