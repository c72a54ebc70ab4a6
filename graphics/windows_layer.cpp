// The Windows layer of the library: start-up of the windowed part (GDI or
// WinG, the identity palette), operating-system flags, the application's
// callbacks, the full-screen state and leaving it, the AutoRun policy bit and
// the palettes of windowed contexts.
#include <cstdio>
#include <cstring>

#include "gdl/draw.h"
#include "gdl/event.h"
#include "gdl/fsdirect.h"
#include "gdl/blit.h"
#include "gdl/dc.h"
#include "gdl/support.h"
#include "gdl/mouse.h"
#include "gdl/result.h"
#include "gdl/windc.h"
#include "gdl/windows.h"
#include "platform/Kernel.h"
#include "platform/Module.h"
#include "platform/Registry.h"
#include "library_state.h"
#include "startup_internal.h"

namespace {

using Layer = gdl_internal::WindowsLayerState;

Layer& layer() {
    return gdl_internal::state().layer;
}

void readVersion() {
    Layer& l = layer();
    if (l.versionRead) return;
    DWORD v = GetVersion();
    l.windowsNT = !(v & 0x80000000u);
    l.win32s = !l.windowsNT && (v & 0xFF) < 4;
    l.versionRead = true;
}

// True when the GDI functions of the simulated system modules are there.
bool lookUpGdi() {
    HMODULE gdi = GetModuleHandleA("gdi32.dll");
    HMODULE user = GetModuleHandleA("user32.dll");
    if (!gdi || !user) return false;
    static const char* const kGdi[] = {"CreateDIBSection", "SetDIBColorTable"};
    static const char* const kUser[] = {"ChangeDisplaySettingsA", "EnumDisplaySettingsA"};
    char message[96];
    for (const char* name : kGdi)
        if (!GetProcAddress(gdi, name)) {
            std::snprintf(message, sizeof(message), "GetProcAddress(\"%s\") failed!", name);
            GDL_fatalError(message);
        }
    for (const char* name : kUser)
        if (!GetProcAddress(user, name)) {
            std::snprintf(message, sizeof(message), "GetProcAddress(\"%s\") failed!", name);
            GDL_fatalError(message);
        }
    layer().blitMethod = 0;
    return true;
}

bool loadWinG() {
    Layer& l = layer();
    if (l.wingModule) return true;
    HMODULE m = LoadLibraryA("wing32.dll");
    if (!m) return false;
    GdlWinG w{};
    w.createDC = reinterpret_cast<decltype(w.createDC)>(GetProcAddress(m, "WinGCreateDC"));
    w.createBitmap =
        reinterpret_cast<decltype(w.createBitmap)>(GetProcAddress(m, "WinGCreateBitmap"));
    w.setDIBColorTable =
        reinterpret_cast<decltype(w.setDIBColorTable)>(GetProcAddress(m, "WinGSetDIBColorTable"));
    w.bitBlt = reinterpret_cast<decltype(w.bitBlt)>(GetProcAddress(m, "WinGBitBlt"));
    w.stretchBlt = reinterpret_cast<decltype(w.stretchBlt)>(GetProcAddress(m, "WinGStretchBlt"));
    if (!w.createDC || !w.createBitmap || !w.setDIBColorTable || !w.bitBlt || !w.stretchBlt) {
        FreeLibrary(m);
        return false;
    }
    l.wingModule = m;
    l.wing = w;
    l.blitMethod = 1;
    return true;
}

// A palette of 256 black no-collapse entries realised once on the screen
// clears the system palette, so the first real palette maps one to one.
void realizeIdentityPaletteOnce() {
    struct {
        WORD version, count;
        PALETTEENTRY entries[256];
    } log{};
    log.version = 0x300;
    log.count = 256;
    for (PALETTEENTRY& e : log.entries)
        e = {0, 0, 0, PC_NOCOLLAPSE};
    HPALETTE palette = CreatePalette(reinterpret_cast<const LOGPALETTE*>(&log));
    if (!palette) return;
    HDC screen = GetDC(nullptr);
    HPALETTE old = SelectPalette(screen, palette, FALSE);
    RealizePalette(screen);
    SelectPalette(screen, old, FALSE);
    ReleaseDC(nullptr, screen);
    DeleteObject(palette);
}

// The application's main window, hidden while a mode was set, enabled and
// brought to the front again unless it was the full-screen window itself.
void showMainWindow(HWND fullScreen) {
    HWND main = layer().mainWindow;
    if (!main || !IsWindow(main) || main == fullScreen) return;
    EnableWindow(main, TRUE);
    ShowWindow(main, SW_SHOW);
    SetActiveWindow(main);
    SetWindowPos(main, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(main);
}

const char kAutoRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

} // namespace

namespace gdl_internal {

void windowsLayerExit() {
    directDrawExit();
    GDL_restoreDesktopMode();
    fsDirectExit();
    Layer& l = layer();
    l.suspendCallback = nullptr;
    l.windowedStarted = false;
    l.versionRead = false; // the next start reads the system's version again
    if (l.wingModule) FreeLibrary(l.wingModule);
    l.wingModule = nullptr;
    l.wing = GdlWinG{};
    l.blitMethod = 0;
}

} // namespace gdl_internal

// --- Start-up ------------------------------------------------------------------

bool GDL_initWindowedPart() {
    Layer& l = layer();
    if (l.windowedStarted) return true;
    readVersion();
    DWORD v = GetVersion();
    const uint32_t major = v & 0xFF, minor = (v >> 8) & 0xFF;
    const bool gdiSuffices = major > 3 || (major == 3 && minor != 10);
    if (!(gdiSuffices && lookUpGdi()) && !loadWinG())
        GDL_fatalError("Cannot load WinG. This application requires WinG to be loaded!");
    realizeIdentityPaletteOnce();
    GDL_setWindowedDriverHeader(WINDC_header());
    l.windowedStarted = true;
    return true;
}

bool GDL_initWindowed(const char* libraryDirectory) {
    if (!gdl_internal::runCommonStartup(libraryDirectory)) return false;
    return GDL_initWindowedPart();
}

bool GDL_isWindowsNT() {
    readVersion();
    return layer().windowsNT;
}

bool GDL_isWin32s() {
    readVersion();
    return layer().win32s;
}

int32_t GDL_blitMethod() {
    return layer().blitMethod;
}

const GdlWinG* GDL_winG() {
    return layer().wingModule ? &layer().wing : nullptr;
}

// --- Application ---------------------------------------------------------------

void GDL_setSuspendAppCallback(GdlSuspendAppFunc callback) {
    layer().suspendCallback = callback;
}
GdlSuspendAppFunc GDL_getSuspendAppCallback() {
    return layer().suspendCallback;
}
void GDL_setAppInstance(HINSTANCE instance) {
    layer().instance = instance;
}
HINSTANCE GDL_getAppInstance() {
    return layer().instance;
}
void GDL_registerEventProc(WNDPROC proc) {
    layer().eventProc = proc;
}
WNDPROC GDL_getEventProc() {
    return layer().eventProc;
}
HWND GDL_getFullScreenWindow() {
    return layer().window;
}

// --- Full screen ---------------------------------------------------------------

void GDL_setFullScreenState(int32_t kind, HWND window, int32_t width, int32_t height) {
    Layer& l = layer();
    l.kind = kind;
    if (kind == GDL_FS_NONE) {
        GDL_setAutoRunBit(false);
        return;
    }
    if (window) l.window = window;
    l.modeWidth = width;
    l.modeHeight = height;
    l.desktopWidth = GetSystemMetrics(SM_CXSCREEN);
    l.desktopHeight = GetSystemMetrics(SM_CYSCREEN);
    l.lastX = l.lastY = -1;
    GDL_setAutoRunBit(true);
}

bool GDL_isFullScreenActive() {
    return layer().kind != GDL_FS_NONE;
}

int32_t GDL_fullScreenKind() {
    return layer().kind;
}

void GDL_leaveFailedStart() {
    // With no window the start failed before making one: only the main
    // window it hid has to come back.
    if (layer().window)
        GDL_restoreDesktopMode();
    else
        showMainWindow(nullptr);
}

void GDL_restoreDesktopMode() {
    Layer& l = layer();
    // Everything here belongs to a full-screen window: a windowed run never
    // reaches the display settings or the registry.
    if (!l.window) return;
    bool ours = true; // the window is the library's to destroy
    if (l.kind == GDL_FS_FSDIRECT && l.fsdAvailable) {
        l.fsd.restoreGDI();
        l.fsd.registerFullScreenWindow(nullptr);
        ours = false; // FSDirect's window went with it
    }
    // The DIB display settings go back once: OpenGL's exit may have put them back.
    int32_t& displayChange = gdl_internal::state().dib.displayChange;
    if (l.kind == GDL_FS_DIB && displayChange == -1)
        ChangeDisplaySettingsA(nullptr, CDS_FULLSCREEN);
    displayChange = 0;
    if (l.kind == GDL_FS_DDRAW) {
        GDL_unsubclassWindow(l.window);
        if (IDirectDraw2* dd = gdl_internal::state().ddraw.dd) {
            dd->SetCooperativeLevel(l.window, DDSCL_NORMAL);
            dd->RestoreDisplayMode();
        }
    }
    // An application's own window goes back to what it was; ours goes.
    if (l.window == l.appWindow && l.appProc)
        GDL_undoFullScreenWindow();
    else if (ours && IsWindow(l.window))
        DestroyWindow(l.window);
    showMainWindow(l.window);
    ShowCursor(TRUE);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    GDL_setAutoRunBit(false);
    gdl_internal::restoreFpuState();
    l.kind = GDL_FS_NONE;
    l.window = nullptr;
}

// --- FSDirect ------------------------------------------------------------------

void GDL_startFSDirect(int32_t width, int32_t height) {
    Layer& l = layer();
    const GdlFsDirect* f = GDL_fsDirect();
    if (!f || l.fsdSuspended) return;
    f->registerFullScreenWindow(l.appWindow);
    f->registerEventProc(l.eventProc);
    f->setAppInstance(GDL_getAppInstance());
    if (l.kind != GDL_FS_FSDIRECT) GDL_restoreDesktopMode();
    if (!l.window) {
        HWND w = f->startFullScreen(l.appWindow, width, height);
        if (!w) return;
        l.window = w;
    } else {
        f->changeResolution(width, height);
    }
    SetForegroundWindow(l.window);
    GDL_initEvents(l.window);
    GDL_setFullScreenState(GDL_FS_FSDIRECT, l.window, width, height);
    l.desktopWidth = width; // positions come in mode pixels
    l.desktopHeight = height;
    // FSDirect's window is the mode's size: its positions need no scaling.
    GDL_setEventScale(width, height, width, height);
    gdl_internal::restoreFpuState();
}

void GDL_restoreFSDirect() {
    Layer& l = layer();
    const GdlFsDirect* f = GDL_fsDirect();
    if (!f || l.fsdSuspended) return;
    f->registerEventProc(nullptr);
}

int GDL_fsDirectSuspendHandler(int flag) {
    Layer& l = layer();
    GdlSuspendAppFunc callback = l.suspendCallback;
    GdlList* list = gdl_internal::state().contexts.lists[0];
    GdlDeviceContext* dc = list ? static_cast<GdlDeviceContext*>(GDL_listFirst(list)) : nullptr;
    if (flag == 1) {
        const int32_t answer = callback ? callback(dc, 1) : 1;
        if (answer == 0) return 0;
        l.fsdSuspended = true;
        GDL_mouseSuspend();
        l.fsdCurrent = GDL_selectCurrentDC(nullptr);
        if (dc && dc->driverState && dc->driverState->restore) dc->driverState->restore();
        GDL_setAutoRunBit(false);
        return answer;
    }
    if (dc) {
        const int32_t active = GDL_getActivePage(dc), visual = GDL_getVisualPage(dc);
        if (dc->driverState && dc->driverState->reset) dc->driverState->reset();
        GDL_selectCurrentDC(dc);
        GDL_selectCurrentDC(l.fsdCurrent);
        GDL_realizePalette(dc, 256, 0, 0);
        GDL_setActivePage(dc, active);
        GDL_setVisualPage(dc, visual, 0);
    }
    l.fsdSuspended = false;
    if (callback) callback(dc, 2);
    GDL_mouseResume();
    GDL_setAutoRunBit(true);
    return 1;
}

void GDL_setFullScreenMousePos(int32_t x, int32_t y) {
    Layer& l = layer();
    if (l.modeWidth <= 0 || l.modeHeight <= 0 || l.desktopWidth <= 0 || l.desktopHeight <= 0)
        return;
    const int32_t sx = int32_t(int64_t(x) * l.desktopWidth / l.modeWidth);
    const int32_t sy = int32_t(int64_t(y) * l.desktopHeight / l.modeHeight);
    l.lastX = int32_t(int64_t(sx) * l.modeWidth / l.desktopWidth);
    l.lastY = int32_t(int64_t(sy) * l.modeHeight / l.desktopHeight);
    GDL_mouseMoved(l.lastX, l.lastY);
    SetCursorPos(sx, sy);
}

void GDL_setAutoRunBit(bool set) {
    Layer& l = layer();
    if (set == l.autoRunHeld) return;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kAutoRunKey, 0, 0x2001F, &key) != ERROR_SUCCESS) return;
    if (set) {
        // The value as the user had it is what goes back later; a value that
        // cannot be read is left alone altogether.
        DWORD value = 0, type = 0, size = sizeof(value);
        if (RegQueryValueExA(key, "NoDriveTypeAutoRun", nullptr, &type,
                             reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
            size == sizeof(value)) {
            l.autoRunOriginal = value;
            l.autoRunHeld = true;
            value |= 0x20;
            RegSetValueExA(key, "NoDriveTypeAutoRun", 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&value), sizeof(value));
        }
    } else {
        RegSetValueExA(key, "NoDriveTypeAutoRun", 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&l.autoRunOriginal), sizeof(DWORD));
        l.autoRunHeld = false;
    }
    RegCloseKey(key);
}

// --- Windowed contexts ---------------------------------------------------------

int32_t GDL_activateWindowedPalette(GdlDeviceContext* dc, int32_t unrealizeFirst) {
    GdlDeviceContext* d = GDL_liveDC(dc);
    if (!d || !d->winPalette || !d->window) return 0;
    HDC winDC = GetDC(d->window);
    if (unrealizeFirst) UnrealizeObject(d->winPalette);
    HPALETTE old = SelectPalette(winDC, d->winPalette, FALSE);
    int32_t changed = int32_t(RealizePalette(winDC));
    SelectPalette(winDC, old, FALSE);
    ReleaseDC(d->window, winDC);
    return changed;
}

int32_t GDL_selectPaletteInto(GdlDeviceContext* dc, HDC winDC) {
    GdlDeviceContext* d = GDL_liveDC(dc);
    if (!d || d->type != GDL_DC_WINDOWED || !winDC) return 0;
    if (GDL_isWin32s()) d->winDC = winDC;
    if (!d->winPalette) return 0;
    SelectPalette(winDC, d->winPalette, FALSE);
    return int32_t(RealizePalette(winDC));
}

void GDL_resizeWindowedDC(GdlDeviceContext* dc) {
    GdlDeviceContext* d = GDL_liveDC(dc);
    if (!d || !d->window) return;
    RECT r{};
    GetClientRect(d->window, &r);
    const int32_t w = r.right - r.left, h = r.bottom - r.top;
    // An empty client area gives -1 extents and 0 x 0 bounds: blits clip to nothing.
    d->mode.maxX = uint32_t(w - 1);
    d->mode.maxY = uint32_t(h - 1);
    d->bounds = {0, 0, w > 0 ? w : 0, h > 0 ? h : 0};
    if (d == &gdl_internal::block())
        GDL_setViewportCurrent(0, 0, w, h);
    else
        GDL_setViewport(dc, 0, 0, w, h);
}
