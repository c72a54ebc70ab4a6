// The library's Windows layer: the one-time start-up that finds the GDI
// functions (and WinG on Win32s-class systems), the operating-system flags,
// the application's callbacks, leaving full screen, the AutoRun policy bit
// and the Windows palettes of windowed contexts.
#pragma once

#include <cstdint>

#include "gdl/dc.h"
#include "platform/Gdi.h"
#include "platform/User.h"

// The application's suspend callback: (first display context, 1) before the
// application is switched away, (context, 2) when it is back.
typedef int32_t (*GdlSuspendAppFunc)(GdlDeviceContext* dc, int32_t flag);

// WinG's five functions, looked up by name.
typedef HDC (*GdlWinGCreateDC)();
typedef HBITMAP (*GdlWinGCreateBitmap)(HDC dc, const BITMAPINFO* info, void** bits);
typedef UINT (*GdlWinGSetColors)(HDC dc, UINT start, UINT count, const RGBQUAD* colors);
typedef BOOL (*GdlWinGBitBlt)(HDC dest, int x, int y, int width, int height, HDC source,
                              int sourceX, int sourceY);
typedef BOOL (*GdlWinGStretchBlt)(HDC dest, int x, int y, int width, int height, HDC source,
                                  int sourceX, int sourceY, int sourceWidth, int sourceHeight);
struct GdlWinG {
    GdlWinGCreateDC createDC;
    GdlWinGCreateBitmap createBitmap;
    GdlWinGSetColors setDIBColorTable;
    GdlWinGBitBlt bitBlt;
    GdlWinGStretchBlt stretchBlt;
};

enum GdlFullScreenKind : int32_t {
    GDL_FS_NONE = 0,
    GDL_FS_FSDIRECT = 1,
    GDL_FS_DDRAW = 2,
    GDL_FS_DIB = 3,
};

// --- Start-up ------------------------------------------------------------------
// The library's common start-up plus the windowed part; once.
bool GDL_initWindowed(const char* libraryDirectory);
// The windowed part alone (run by the common start-up): GDI functions, WinG
// where needed, the identity palette. Fatal without WinG where it is needed.
bool GDL_initWindowedPart();
bool GDL_isWindowsNT();
bool GDL_isWin32s();
// 0 GDI blits, 1 WinG blits.
int32_t GDL_blitMethod();
const GdlWinG* GDL_winG();

// --- Application ---------------------------------------------------------------
void GDL_setSuspendAppCallback(GdlSuspendAppFunc callback);
GdlSuspendAppFunc GDL_getSuspendAppCallback();
void GDL_setAppInstance(HINSTANCE instance);
HINSTANCE GDL_getAppInstance();
void GDL_registerEventProc(WNDPROC proc);
WNDPROC GDL_getEventProc();
HWND GDL_getFullScreenWindow();

// --- Full screen ---------------------------------------------------------------
// A full-screen driver tells the layer it entered a mode of that size on
// `window` (null keeps the window), or (GDL_FS_NONE) that it left it.
void GDL_setFullScreenState(int32_t kind, HWND window, int32_t width, int32_t height);
bool GDL_isFullScreenActive();
int32_t GDL_fullScreenKind();
// Leaves any full-screen mode; nothing without a full-screen window.
void GDL_restoreDesktopMode();
// A full-screen start that failed leaves as the desktop restore does: an
// offered window is given back, the library's own destroyed, and the main
// window the start hid comes back, with or without a full-screen window.
void GDL_leaveFailedStart();
// Moves the mouse in full screen (scaled to the desktop) and reports it.
void GDL_setFullScreenMousePos(int32_t x, int32_t y);

// Sets (entering full screen, after a restore) or clears (leaving,
// suspending) bit 0x20 of the AutoRun policy value.
void GDL_setAutoRunBit(bool set);

// --- Full-screen start and switching away ------------------------------------
// The one-time start of the full-screen part: DirectDraw from the system
// folder's ddraw.dll (its object, capabilities and video memory), the window
// class "GDLDirectDrawWindow", the full-screen support library's binding and
// the VBE services (empty until those back ends come). False without
// DirectDraw; the rest of the library works on.
bool GDL_initWindows();
// Called wherever DirectDraw reports a lost surface: tells the application,
// waits (pumping messages) until the full-screen window is active again and
// the surfaces are restored, and puts the mode back.
void GDL_suspendAndRestore();
// The full-screen window procedure and the key filter over a window's own.
LRESULT CALLBACK GDL_fullScreenWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void GDL_subclassWindow(HWND window);
void GDL_unsubclassWindow(HWND window);
// The application's main window: hidden and disabled while a DirectDraw
// mode is set, enabled and shown again when the desktop comes back. Null
// forgets it (before the window goes).
void GDL_registerMainWindow(HWND window);
HWND GDL_getMainWindow();
void GDL_hideMainWindow();
// A window of the application's own to become the full-screen window, and
// back; null forgets it.
void GDL_registerAppWindow(HWND window);
HWND GDL_getAppWindow();
void GDL_makeFullScreenWindow(HWND window, int32_t width, int32_t height);
void GDL_undoFullScreenWindow();
// What the full-screen DIB and OpenGL back ends add to switching away and
// back; null entries do nothing.
struct GdlFullScreenHooks {
    void (*dibLeave)();   // the desktop's display settings back
    void (*dibReenter)(); // the DIB display mode again
    void (*openGl)(int32_t flag);
};
void GDL_setFullScreenHooks(const GdlFullScreenHooks& hooks);

// --- Windowed contexts ---------------------------------------------------------
int32_t GDL_activateWindowedPalette(GdlDeviceContext* dc, int32_t unrealizeFirst);
int32_t GDL_selectPaletteInto(GdlDeviceContext* dc, HDC winDC);
void GDL_resizeWindowedDC(GdlDeviceContext* dc);
