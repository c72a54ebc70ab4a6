// What the drawing side of the layer (GDI) needs of windows and of the host,
// internal to platform/. Windows own their client-area pixels; GDI draws into
// them between Lock and Unlock, and the host presents what was unlocked.
//
// Stable interface: GDI, DirectDraw presentation and the window code meet
// here and nowhere else.
#pragma once

#include "platform/Types.h"

#include <cstdint>

namespace platform {

// A window's client area, 0x00RRGGBB per pixel, top row first. The buffer
// follows the client size (WM_SIZE reallocates it; contents are kept where
// they overlap, new parts are black).
struct WindowPixels {
    uint32_t* pixels;
    int width;
    int height;
    int pitchPixels;
};

// Locks the client-area pixels of a live window. False (and *out zeroed) for
// a null, destroyed or unknown handle. Locks nest on one thread; the lock is
// the window module's own, so keep the window locked only while copying.
bool LockWindowPixels(HWND hwnd, WindowPixels* out);

// Ends a lock. `changed` (client coordinates, clipped to the client area) is
// marked for presentation; null marks the whole client area.
void UnlockWindowPixels(HWND hwnd, const RECT* changed);

// True while `hwnd` names a window that exists (not yet destroyed).
bool IsLiveWindow(HWND hwnd);

// The desktop modes the host offers and the one in use; GDI builds
// ChangeDisplaySettingsA / EnumDisplaySettingsA / GetDeviceCaps on these.
// SetDisplayMode changes what GetSystemMetrics(SM_CXSCREEN/SM_CYSCREEN)
// reports; it fails for a mode not in the list (bitsPerPixel and frequency of
// 0 match any).
struct DisplayMode {
    int width;
    int height;
    int bitsPerPixel;
    int frequency;
    // The layout while this mode is in force (red, green, blue; zero: the
    // layer's default for the depth), and a setting every change refuses.
    uint32_t masks[3] = {0, 0, 0};
    bool refused = false;
    bool failsWhenSet = false; // passes ChangeDisplaySettingsA's test only
};
int DisplayModeCount();
bool GetDisplayModeAt(int index, DisplayMode* out);
void GetCurrentDisplayMode(DisplayMode* out);
bool SetDisplayMode(const DisplayMode& mode);
// Back to the desktop's own mode (ChangeDisplaySettingsA with no mode).
void RestoreDisplayMode();

} // namespace platform

// BeginPaint/EndPaint (window side, in User.h) obtain the window's DC through
// the GDI calls GetDC(HWND) and ReleaseDC(HWND, HDC), which GDI implements.
