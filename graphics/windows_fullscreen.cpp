// The Windows layer's full-screen part: starting DirectDraw, the window class
// and procedure of the full-screen window with its key filter, the
// application's own window made full screen, and switching away and back
// (suspend, restore and the lost-surface path) for every full-screen kind.
#include <cstring>

#include "drivers/ddraw_state.h"
#include "gdl/blit.h"
#include "gdl/ddraw.h"
#include "gdl/mouse.h"
#include "gdl/windows.h"
#include "library_state.h"
#include "platform/FindFile.h"
#include "platform/Kernel.h"
#include "platform/Module.h"
#include "platform/User.h"
#include "startup_internal.h"

namespace {

using Layer = gdl_internal::WindowsLayerState;
using gdl_internal::ddraw;

Layer& layer() {
    return gdl_internal::state().layer;
}

typedef HRESULT (*DirectDrawCreateFunc)(GUID*, LPDIRECTDRAW*, void*);

// Every enumerated mode raises the estimate to the size class its page needs.
HRESULT CALLBACK estimate(LPDDSURFACEDESC d, LPVOID context) {
    if (d->ddsCaps.dwCaps & DDSCAPS_MODEX) return DDENUMRET_OK;
    const uint32_t bits = d->ddpfPixelFormat.dwRGBBitCount;
    const uint64_t per = bits == 16 ? 2 : bits == 24 ? 3 : bits == 32 ? 4 : 1;
    uint64_t bytes = uint64_t(d->dwWidth) * d->dwHeight * per;
    if (bytes > (4u << 20))
        bytes = 8u << 20;
    else if (bytes > (2u << 20))
        bytes = 4u << 20;
    else if (bytes > (1u << 20))
        bytes = 2u << 20;
    else if (bytes > (512u << 10))
        bytes = 1u << 20;
    auto* total = static_cast<uint64_t*>(context);
    if (bytes > *total) *total = bytes;
    return DDENUMRET_OK;
}

bool loadDirectDraw() {
    gdl_internal::DirectDrawState& dd = ddraw();
    if (dd.module) return true;
    char path[MAX_PATH];
    const UINT n = GetSystemDirectoryA(path, MAX_PATH - 12);
    if (n == 0 || n >= MAX_PATH - 12) return false;
    std::strcat(path, "\\ddraw.dll");
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    HMODULE m = LoadLibraryA(path);
    if (!m) return false;
    if (!GetProcAddress(m, "DirectDrawCreate") || !GetProcAddress(m, "DirectDrawCreateClipper")) {
        FreeLibrary(m);
        return false;
    }
    dd.module = m;
    return true;
}

void registerClassOnce() {
    Layer& l = layer();
    if (l.classRegistered) return;
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = GDL_fullScreenWindowProc;
    wc.hInstance = GDL_getAppInstance();
    wc.hIcon = LoadIconA(GDL_getAppInstance(), MAKEINTRESOURCEA(1));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = "GDLDirectDrawWindow";
    if (!RegisterClassA(&wc)) GDL_fatalError("Unable to register Window Class!");
    l.classRegistered = true;
}

void startDirectDraw() {
    gdl_internal::DirectDrawState& dd = ddraw();
    HDC screen = GetDC(nullptr);
    const int bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    if (bits < 8) return;
    // The full-screen window serves the DIB drivers on a machine without
    // DirectDraw too.
    registerClassOnce();
    if (!loadDirectDraw()) return;
    if (dd.dd) return;
    auto create =
        reinterpret_cast<DirectDrawCreateFunc>(GetProcAddress(dd.module, "DirectDrawCreate"));
    if (!create || create(nullptr, &dd.object, nullptr) != DD_OK) return;
    if (dd.object->QueryInterface(IID_IDirectDraw2, reinterpret_cast<void**>(&dd.dd)) != DD_OK) {
        dd.object->Release();
        dd.object = nullptr;
        return;
    }
    std::memset(&dd.caps, 0, sizeof(dd.caps));
    dd.caps.dwSize = sizeof(DDCAPS);
    dd.dd->GetCaps(&dd.caps, nullptr);
    uint64_t total = dd.caps.dwVidMemTotal;
    dd.dd->EnumDisplayModes(0, nullptr, &total, estimate);
    dd.videoMemory = total > 8192 ? uint32_t(std::min<uint64_t>(total - 8192, 0xFFFFFFFFu)) : 0;
}

// The first display context, which the suspend callback is told about.
GdlDeviceContext* displayDC() {
    GdlList* list = gdl_internal::state().contexts.lists[0];
    return list ? static_cast<GdlDeviceContext*>(GDL_listFirst(list)) : nullptr;
}

int32_t tellApplication(int32_t flag) {
    GdlSuspendAppFunc callback = GDL_getSuspendAppCallback();
    return callback ? callback(displayDC(), flag) : 1;
}

bool eightBits() {
    GdlDeviceContext* dc = displayDC();
    return dc && GDL_liveDC(dc)->mode.bitsPerPixel == 8;
}

void systemPalette(UINT use) {
    if (!eightBits()) return;
    HDC screen = GetDC(nullptr);
    SetSystemPaletteUse(screen, use);
    ReleaseDC(nullptr, screen);
}

void pumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool surfacesBack() {
    gdl_internal::DirectDrawState& dd = ddraw();
    bool done = !dd.primary || dd.primary->Restore() == DD_OK;
    if (done && dd.offscreen) done = dd.offscreen->Restore() == DD_OK;
    return done;
}

// Back from a switch: waits till the window is active and the surfaces are
// restored, then puts the mode, the palette and the pages back.
void restore() {
    Layer& l = layer();
    if (!l.restoreGuard) return;
    l.restoreGuard = false;
    for (;;) {
        pumpMessages();
        bool done = false;
        if (l.window && GetActiveWindow() == l.window) {
            done = surfacesBack();
            if (l.kind == GDL_FS_DIB && l.hooks.dibReenter) l.hooks.dibReenter();
        }
        if (l.hooks.openGl) l.hooks.openGl(2);
        if (done) break;
        Sleep(200);
    }
    systemPalette(SYSPAL_NOSTATIC);
    if (GdlDeviceContext* dc = displayDC()) {
        const int32_t active = GDL_getActivePage(dc), visual = GDL_getVisualPage(dc);
        GdlDeviceContext* previous = GDL_selectCurrentDC(nullptr);
        GDL_selectCurrentDC(dc);
        GDL_selectCurrentDC(previous);
        GDL_realizePalette(dc, 256, 0, 0);
        if (ddraw().primary) DDRAW_lockSurfaces(GDL_liveDC(dc));
        GDL_setActivePage(dc, active);
        GDL_setVisualPage(dc, visual, 0);
    }
    tellApplication(2);
    if (l.mouseLost)
        GDL_mouseSurfaceRestored();
    else
        GDL_mouseResume();
    l.mouseLost = false;
    GDL_setAutoRunBit(true);
    l.handedBack = l.waiting = false;
    l.restoreGuard = true;
}

void suspend() {
    Layer& l = layer();
    if (l.handedBack) return;
    const int32_t answer = tellApplication(1);
    if (l.hooks.openGl) l.hooks.openGl(1);
    GDL_mouseSuspend();
    systemPalette(SYSPAL_STATIC);
    if (l.kind == GDL_FS_DIB && l.hooks.dibLeave) l.hooks.dibLeave();
    GDL_setAutoRunBit(false);
    l.handedBack = l.waiting = true;
    if (answer == 2) return;
    while (l.waiting) {
        pumpMessages();
        if (!l.waiting) break;
        Sleep(200);
    }
}

// Alt+Tab, Alt+Esc or Ctrl+Esc; the callback may refuse the switch (0).
bool switchKey(WPARAM key, LPARAM lParam) {
    const bool context = (HIWORD(lParam) & 0x2000) != 0;
    if (context) return key == VK_TAB || key == VK_ESCAPE;
    return key == VK_ESCAPE && (GetKeyState(VK_CONTROL) & 0x8000);
}

bool isKey(UINT m) {
    return m == WM_KEYDOWN || m == WM_KEYUP || m == WM_SYSKEYDOWN || m == WM_SYSKEYUP;
}

LRESULT passOn(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    Layer& l = layer();
    // A window of the library's own class offered as the application's has
    // this procedure as its own: handing on to it would never end.
    if (l.appProc && l.appProc != GDL_fullScreenWindowProc && w == l.appWindow)
        return CallWindowProcA(l.appProc, w, m, wp, lp);
    if (l.eventProc) return l.eventProc(w, m, wp, lp);
    return DefWindowProcA(w, m, wp, lp);
}

LRESULT CALLBACK keyFilter(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    Layer& l = layer();
    if (l.kind == GDL_FS_DIB && (m == WM_KEYUP || m == WM_SYSKEYUP) && switchKey(wp, lp) &&
        !GDL_isWindowsNT() && tellApplication(1) == 0)
        return 0;
    return CallWindowProcA(l.filteredProc, w, m, wp, lp);
}

} // namespace

bool GDL_initWindows() {
    if (!GDL_getAppInstance()) GDL_setAppInstance(GetModuleHandleA(nullptr));
    startDirectDraw();
    gdl_internal::startFsDirectPart();
    gdl_internal::restoreFpuState();
    return ddraw().dd != nullptr;
}

namespace gdl_internal {

void directDrawExit() {
    DirectDrawState& dd = ddraw();
    DDRAW_releaseSurfaces();
    if (dd.object) dd.object->Release();
    if (dd.module) FreeLibrary(dd.module);
    dd.object = nullptr;
    dd.dd = nullptr;
    dd.module = nullptr;
    dd.enumerated = false;
    dd.modeCount = 0;
    Layer& l = layer();
    if (l.classRegistered) UnregisterClassA("GDLDirectDrawWindow", GDL_getAppInstance());
    l.classRegistered = false;
}

} // namespace gdl_internal

LRESULT CALLBACK GDL_fullScreenWindowProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    Layer& l = layer();
    if (m == WM_SIZE) {
        if (l.waiting && l.handedBack && wp != SIZE_MINIMIZED)
            PostMessageA(w, WM_USER, 1, 0);
        else if (!l.waiting && GDL_isFullScreenActive() && !l.handedBack && wp == SIZE_MINIMIZED)
            PostMessageA(w, WM_USER, 0, 0);
        return passOn(w, m, wp, lp);
    }
    if ((m == WM_KEYDOWN || m == WM_SYSKEYDOWN) && (lp & 0x40000000))
        return m == WM_SYSKEYDOWN ? 0 : passOn(w, m, wp, lp);
    if (isKey(m)) {
        if (l.kind == GDL_FS_DIB && switchKey(wp, lp) && !GDL_isWindowsNT()) {
            if (tellApplication(1) == 0) return 0;
            ShowWindow(w, SW_MINIMIZE);
        }
        if (m == WM_SYSKEYDOWN || m == WM_SYSKEYUP) {
            const bool altEnter = (HIWORD(lp) & 0x2000) && wp == VK_RETURN;
            if (!altEnter) return 0;
        }
        return passOn(w, m, wp, lp);
    }
    if (m == WM_SYSCOMMAND && ((wp & 0xFFF0) == SC_SCREENSAVE || (wp & 0xFFF0) == SC_MONITORPOWER))
        return 0;
    if (m == WM_SYSCHAR) return 0;
    if (m == WM_MOUSEMOVE && l.desktopWidth > 0 && l.desktopHeight > 0) {
        const int32_t x = int32_t(int64_t(int16_t(LOWORD(lp))) * l.modeWidth / l.desktopWidth);
        const int32_t y = int32_t(int64_t(int16_t(HIWORD(lp))) * l.modeHeight / l.desktopHeight);
        if (x != l.lastX || y != l.lastY) {
            l.lastX = x;
            l.lastY = y;
            GDL_mouseMoved(x, y);
        }
    }
    if (m == WM_USER) {
        if (wp == 0)
            suspend();
        else if (wp == 1)
            restore();
        return 0;
    }
    return passOn(w, m, wp, lp);
}

void GDL_suspendAndRestore() {
    Layer& l = layer();
    if (l.lostGuard) {
        tellApplication(1);
        if (l.hooks.openGl) l.hooks.openGl(1);
        GDL_mouseSurfaceLost();
        l.mouseLost = true;
        l.lostGuard = false;
        systemPalette(SYSPAL_STATIC);
        GDL_setAutoRunBit(false);
        l.handedBack = true;
    }
    restore();
    l.lostGuard = true;
}

void GDL_subclassWindow(HWND window) {
    Layer& l = layer();
    if (!window || l.filterInstalled) return;
    l.filteredProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(keyFilter)));
    l.filterInstalled = l.filteredProc != nullptr;
}

void GDL_unsubclassWindow(HWND window) {
    Layer& l = layer();
    if (!l.filterInstalled) return;
    if (IsWindow(window))
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(l.filteredProc));
    l.filterInstalled = false;
    l.filteredProc = nullptr;
}

void GDL_registerAppWindow(HWND window) {
    layer().appWindow = window;
}

HWND GDL_getAppWindow() {
    return layer().appWindow;
}

void GDL_registerMainWindow(HWND window) {
    layer().mainWindow = window;
}

HWND GDL_getMainWindow() {
    return layer().mainWindow;
}

void GDL_hideMainWindow() {
    const Layer& l = layer();
    HWND main = l.mainWindow;
    // A main window that is also the full-screen window stays usable.
    if (!main || !IsWindow(main) || main == l.window || main == l.appWindow) return;
    ShowWindow(main, SW_HIDE);
    EnableWindow(main, FALSE);
}

void GDL_makeFullScreenWindow(HWND window, int32_t width, int32_t height) {
    Layer& l = layer();
    if (!window || !IsWindow(window)) return;
    GetWindowRect(window, &l.appRect);
    l.appStyle = LONG(GetWindowLongA(window, GWL_STYLE));
    l.appExStyle = LONG(GetWindowLongA(window, GWL_EXSTYLE));
    SetWindowLongA(window, GWL_STYLE, LONG(WS_POPUP | WS_SYSMENU));
    SetWindowLongA(window, GWL_EXSTYLE, l.appExStyle | LONG(WS_EX_APPWINDOW));
    ShowWindow(window, SW_SHOW);
    MoveWindow(window, 0, 0, width, height, TRUE);
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    l.appProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GDL_fullScreenWindowProc)));
    l.appWindow = window;
}

void GDL_undoFullScreenWindow() {
    Layer& l = layer();
    HWND window = l.appWindow;
    if (!window || !IsWindow(window) || !l.appProc) return;
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(l.appProc));
    SetWindowLongA(window, GWL_EXSTYLE, l.appExStyle);
    SetWindowLongA(window, GWL_STYLE, l.appStyle);
    SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ShowWindow(window, SW_SHOW);
    MoveWindow(window, l.appRect.left, l.appRect.top, l.appRect.right - l.appRect.left,
               l.appRect.bottom - l.appRect.top, TRUE);
    l.appProc = nullptr;
}

void GDL_setFullScreenHooks(const GdlFullScreenHooks& hooks) {
    layer().hooks = hooks;
}
