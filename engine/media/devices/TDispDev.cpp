#include "media/devices/TDispDev.h"

#include "foundation/TError.h"
#include "foundation/TServices.h"
#include "gdl/blit.h"
#include "gdl/draw.h"
#include "gdl/mouse.h"
#include "gdl/packed.h"
#include "gdl/result.h"
#include "gdl/windows.h"
#include "media/devices/TDirtyRects.h"
#include "media/devices/TDispHooks.h"
#include "media/devices/TSurfaceSave.h"
#include "platform/Kernel.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr const char* kSource = "Source\\TDispDev";

const TLinkedDriver* g_linked = nullptr;
int32_t g_linkedCount = 0;
TDispDev* g_active = nullptr;

void raise(int32_t code, const char* message, int32_t line) {
    TError::Raise(code, message, nullptr, kSource, line);
}

void raiseLibrary(int32_t code, int32_t line) {
    raise(code, GDL_errorText(GDL_lastResult()), line);
}

// The sixteen standard colours (blue, green, red, 0).
const GdlPaletteEntry kSixteen[16] = {
    {0, 0, 0, 0},       {0, 0, 128, 0},   {0, 128, 0, 0},   {0, 128, 128, 0},
    {128, 0, 0, 0},     {128, 0, 128, 0}, {128, 128, 0, 0}, {128, 128, 128, 0},
    {192, 192, 192, 0}, {0, 0, 255, 0},   {0, 255, 0, 0},   {0, 255, 255, 0},
    {255, 0, 0, 0},     {255, 0, 255, 0}, {255, 255, 0, 0}, {255, 255, 255, 0},
};

// Driver files by flag group, in registration order.
struct DriverGroup {
    uint32_t bits; // all must be set
    const char* names[4];
};
const DriverGroup kGroups[] = {
    {0x02, {"VGA4.DRV", "VGA8.DRV"}},
    {0x06, {"VGAX.DRV"}},
    {0x08, {"SVGA4.DRV", "SVGA8.DRV", "SVGA16.DRV", "SVGA24.DRV"}},
    {0x08, {"SVGA32.DRV"}},
    {0x18, {"LINEAR8.DRV", "LINEAR16.DRV", "LINEAR24.DRV", "LINEAR32.DRV"}},
    {0x38, {"ACCEL8.DRV", "ACCEL16.DRV", "ACCEL24.DRV", "ACCEL32.DRV"}},
    {0x40, {"FDIB8.DRV", "FDIB16.DRV", "FDIB24.DRV", "FDIB32.DRV"}},
    {0x01, {"DDRAW8.DRV", "DDRAW16.DRV", "DDRAW24.DRV", "DDRAW32.DRV"}},
};

// Depths tried after the requested one failed to start.
const int32_t* fallbackDepths(int32_t depth) {
    static const int32_t k15[4] = {16, 24, 32, 8}, k16[4] = {15, 24, 32, 8};
    static const int32_t k24[4] = {32, 16, 15, 8}, k32[4] = {24, 16, 15, 8};
    static const int32_t kOther[4] = {16, 15, 24, 32};
    switch (depth) {
        case 15: return k15;
        case 16: return k16;
        case 24: return k24;
        case 32: return k32;
        default: return kOther;
    }
}

// The drawing context's pixel format for a depth (the screen's when they agree).
GdlPixelFormat formatFor(int32_t depth) {
    GdlPixelFormat f{};
    if (depth == 15)
        GDL_formatFromFields(&f, 5, 10, 5, 5, 5, 0, 1, 15);
    else if (depth == 16)
        GDL_formatFromFields(&f, 5, 11, 6, 5, 5, 0, 0, 0);
    else
        GDL_formatFromFields(&f, 8, 16, 8, 8, 8, 0, 0, 0);
    return f;
}

} // namespace

// --- Palette table -----------------------------------------------------------------

TPalTable::TPalTable() {
    std::memset(&cache_, 0, sizeof(cache_));
}

void TPalTable::Set(const GdlPaletteEntry* entries, int32_t count) {
    if (!entries || count <= 0) {
        cache_.count = 0;
        return;
    }
    count = std::min(count, 256);
    if (count == cache_.count && std::memcmp(entries, cache_.entries, size_t(count) * 4) == 0)
        return;
    cache_.count = count;
    std::memcpy(cache_.entries, entries, size_t(count) * 4);
    std::memset(cache_.cells, 0, sizeof(cache_.cells));
}

// --- Construction and configuration ---------------------------------------------------

TDispDev::TDispDev() : className_("Rarazuzu"), title_(""), palette_(sixteen_) {
    std::memcpy(sixteen_, kSixteen, sizeof(kSixteen));
}

TDispDev::~TDispDev() {
    if (g_active == this) g_active = nullptr;
}

TDispDev& TDispDev::Global() {
    return RequireService(Services().display, "display");
}

TDispDev* TDispDev::Active() {
    return g_active;
}

void TDispDev::SetLinkedDrivers(const TLinkedDriver* drivers, int32_t count) {
    g_linked = drivers;
    g_linkedCount = drivers ? count : 0;
}

void TDispDev::SetInstance(HINSTANCE instance, HINSTANCE previous, int32_t showCommand) {
    instance_ = instance;
    previous_ = previous;
    showCommand_ = showCommand;
    GDL_setAppInstance(instance);
}

void TDispDev::SetClassName(const char* name) {
    className_ = name ? name : "";
}

void TDispDev::SetTitle(const char* title) {
    title_ = title ? title : "";
}

void TDispDev::SetDriverFlags(uint32_t flags) {
    if (!IsOpen()) driverFlags_ = flags;
}

int32_t TDispDev::FindMode(int32_t width, int32_t height, int32_t depth) {
    for (int32_t m = 0; m < GDL_MODE_COUNT; ++m) {
        int32_t w = 0, h = 0, b = 0;
        if (GDL_modeResolution(m, &w, &h, &b) && w == width && h == height && b == depth) return m;
    }
    return -1;
}

int32_t TDispDev::SetMode(int32_t width, int32_t height, int32_t depth) {
    width_ = width;
    height_ = height;
    depth_ = depth;
    requestedMode_ = FindMode(width, height, depth);
    return requestedMode_;
}

int32_t TDispDev::SetModeNumber(int32_t mode) {
    int32_t w = 0, h = 0, bits = 0;
    if (!GDL_modeResolution(mode, &w, &h, &bits)) return requestedMode_ = -1;
    width_ = w;
    height_ = h;
    depth_ = bits;
    return requestedMode_ = mode;
}

int32_t TDispDev::GetMode(int32_t* width, int32_t* height, int32_t* depth) const {
    if (width) *width = width_;
    if (height) *height = height_;
    if (depth) *depth = depth_;
    return requestedMode_;
}

HWND TDispDev::GetWindow() const {
    return window_ ? window_ : GDL_getFullScreenWindow();
}

// --- Open and close -------------------------------------------------------------------

uint32_t TDispDev::FullScreenFlags(int32_t driverId) const {
    static const uint8_t kFamily[9] = {0, 0x02, 0x40, 0x08, 0x04, 0x20, 0x01, 0x01, 0x01};
    uint32_t f = driverFlags_ & ~uint32_t(fWindowed);
    if (driverId >= 1 && driverId <= 8) f = (f & ~0xFFu) | (f & 0x80) | kFamily[driverId];
    return f;
}

bool TDispDev::Open() {
    g_active = this;
    TCursorHold hold(this);
    if (!(driverFlags_ & (fFullScreenDrivers | fWindowed))) {
        raise(25, "No driver selected.", __LINE__);
        driver_ = mode_ = -1;
        effective_ = 0;
        return false;
    }
    mode_ = requestedMode_;
    TError::Hold();
    bool ok = SetupVideoMode();
    if (ok) {
        effective_ = FullScreenFlags(driver_);
    } else {
        Close();
        const uint32_t windowed = driverFlags_ & ~uint32_t(fFullScreenDrivers);
        const uint32_t saved = driverFlags_;
        driverFlags_ = windowed;
        ok = CreateMainWindow();
        driverFlags_ = saved;
        effective_ = ok ? (windowed | fWindowed) : (windowed & ~uint32_t(fWindowed));
    }
    if (ok)
        TError::DiscardPending();
    else
        TError::CommitPending();
    TError::Release();
    if (!ok) {
        UnregisterOwnClass();
        effective_ = 0;
        mode_ = driver_ = -1;
        return false;
    }
    windowDC_ = GetDC(GetWindow());
    // The library's cursor saves what lies under it straight on the surface.
    if ((effective_ & fDirectDraw) && screenDC_) InstallSurfaceSaveHooks(screenDC_);
    if (driverFlags_ & fDirtyRect) {
        TDirtyRects::SetTracking(true);
        TDirtyRects::SetTwoPages(twoPages_);
    } else {
        TDirtyRects::ClearTracking();
    }
    effective_ = twoPages_ ? (effective_ | fDblBuf) : (effective_ & ~uint32_t(fDblBuf));
    return true;
}

void TDispDev::RegisterLinkedDrivers() {
    for (const DriverGroup& g : kGroups) {
        if ((driverFlags_ & g.bits) != g.bits) continue;
        for (const char* name : g.names)
            for (int32_t i = 0; name && i < g_linkedCount; ++i)
                if (std::strcmp(g_linked[i].fileName, name) == 0)
                    GDL_registerDriver(name, g_linked[i].header);
    }
}

bool TDispDev::StartLibrary(int32_t* mode) {
    int32_t driver = -1;
    int32_t m = *mode;
    if (GDL_init(&driver, &m, ".")) return true;
    if (!(driverFlags_ & (fFullscreenDIB | fVarColorDepth))) return false;
    const int32_t* tries = fallbackDepths(depth_);
    for (int i = 0; i < 4; ++i) {
        m = FindMode(width_, height_, tries[i]);
        if (m < 0) continue;
        driver = -1;
        if (GDL_init(&driver, &m, ".")) {
            *mode = m;
            return true;
        }
    }
    return false;
}

bool TDispDev::SetupVideoMode() {
    if (GDL_isStarted() || !(driverFlags_ & fFullScreenDrivers)) return false;
    bool wantTwo = (driverFlags_ & fDblBuf) != 0;
    if (mode_ == -1) raise(22, "Unknown video mode.", __LINE__);
    state_ |= 4;
    GDL_unregisterAllDrivers();
    PACK_registerDrivers();
    GDL_registerEventProc(TWndProc_FullScreen);
    RegisterLinkedDrivers();
    if (!StartLibrary(&mode_)) {
        raiseLibrary(22, __LINE__);
        return false;
    }
    int32_t pages = GDL_modePageCount(mode_);
    if (pages <= 0) {
        raiseLibrary(22, __LINE__);
        return false;
    }
    wantTwo = wantTwo && std::clamp(pages, 1, 2) == 2;
    screenDC_ = GDL_createDisplayDCPages(wantTwo ? 2 : 1);
    if (!screenDC_ && wantTwo) {
        wantTwo = false;
        screenDC_ = GDL_createDisplayDCPages(1);
    }
    if (!screenDC_) {
        raiseLibrary(23, __LINE__);
        return false;
    }
    GDL_selectCurrentDC(screenDC_);
    state_ |= 1;
    SetCaption(GetWindow());
    contextWidth_ = dirtyWidth_ =
        GDL_stateBlock.attr.viewport.right - GDL_stateBlock.attr.viewport.left;
    contextHeight_ = dirtyHeight_ =
        GDL_stateBlock.attr.viewport.bottom - GDL_stateBlock.attr.viewport.top;
    TDirtyRects::AddDirtyArea(0, 0, dirtyWidth_, dirtyHeight_);
    twoPages_ = wantTwo && GDL_maxPage(screenDC_) > 0;
    const int32_t screenDepth = GDL_getBitsPerPixel(screenDC_);
    if (twoPages_ && GDL_surfaceAccess(screenDC_) && !(driverFlags_ & fDirtyRect)) {
        drawDC_ = screenDC_;
    } else {
        int32_t depth = screenDepth;
        if (screenDepth != 15 && screenDepth != 16)
            depth = (depth_ != 15 && depth_ != 16 && depth_ <= screenDepth) ? depth_ : screenDepth;
        if (!CreateDrawContext(std::max(depth, 8))) return false;
    }
    if (!SetupPalette()) return false;
    if (twoPages_ && !GDL_doubleBuffer(screenDC_)) {
        if (drawDC_ == screenDC_) {
            raiseLibrary(25, __LINE__);
            return false;
        }
        twoPages_ = 0;
    }
    GDL_clearDevice();
    int32_t error = GDL_lastResult();
    if (error != GDL_OK) {
        raise(25, GDL_errorText(error), __LINE__);
        return false;
    }
    state_ |= 2;
    visualPage_ = GDL_getVisualPage(screenDC_);
    activePage_ = GDL_getActivePage(screenDC_);
    driver_ = GDL_selectedDriverType();
    GDL_setMouseDC(screenDC_);
    return true;
}

bool TDispDev::CreateDrawContext(int32_t depth) {
    GdlPixelFormat format =
        depth == GDL_getBitsPerPixel(screenDC_) ? GDL_liveDC(screenDC_)->format : formatFor(depth);
    drawDC_ = GDL_createMemoryDC(std::max(dirtyWidth_, 1), std::max(dirtyHeight_, 1), depth,
                                 depth <= 8 ? nullptr : &format);
    if (!drawDC_) {
        raiseLibrary(24, __LINE__);
        return false;
    }
    GDL_selectCurrentDC(drawDC_);
    return true;
}

void TDispDev::SetCaption(HWND window) {
    if (!window) return;
    if (title_.Length() > 0) {
        SetWindowTextA(window, title_.c_str());
        return;
    }
    if (!instance_) return;
    char path[260] = {}, title[260] = {};
    GetModuleFileNameA(nullptr, path, sizeof(path));
    if (GetFileTitleA(path, title, sizeof(title)) == 0) SetWindowTextA(window, title);
}

bool TDispDev::CreateMainWindow() {
    if ((state_ & 1) || !(driverFlags_ & fWindowed)) return false;
    driver_ = -1;
    twoPages_ = 0;
    if (!previous_) {
        WNDCLASSA wc{};
        wc.style = 0x100B;
        wc.lpfnWndProc = TWndProc_Main;
        wc.hInstance = instance_;
        wc.hIcon = LoadIconA(instance_, "ICOAPPLIC");
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.lpszClassName = className_.c_str();
        if (!RegisterClassA(&wc)) return false;
        registeredClass_ = className_.c_str();
    }
    state_ |= 4;
    GDL_unregisterAllDrivers();
    PACK_registerDrivers();
    if (!GDL_initWindowed(".")) {
        raiseLibrary(25, __LINE__);
        return false;
    }
    const bool fullCaption = (windowStyle_ & WS_CAPTION) == WS_CAPTION;
    const bool maximize = (windowStyle_ & WS_MAXIMIZE) != 0;
    RECT r{0, 0, width_, height_};
    if (maximize && !fullCaption)
        r = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    AdjustWindowRect(&r, windowStyle_, FALSE);
    char title[260] = {};
    std::strncpy(title, title_.c_str() ? title_.c_str() : "", sizeof(title) - 1);
    if (!title[0] && instance_) {
        char path[260] = {};
        GetModuleFileNameA(nullptr, path, sizeof(path));
        GetFileTitleA(path, title, sizeof(title));
    }
    const int x = (maximize && !fullCaption) ? 0 : CW_USEDEFAULT;
    window_ = nullptr;
    HWND w = CreateWindowExA(0, className_.c_str(), title, windowStyle_, x, 0, r.right - r.left,
                             r.bottom - r.top, nullptr, nullptr, instance_, nullptr);
    if (!w) {
        raise(25, "Unable to create overlapped window.", __LINE__);
        return false;
    }
    window_ = w;
    // The library hides it while a full-screen mode is set and brings it
    // back with the desktop.
    GDL_registerMainWindow(w);
    state_ |= 1;
    ShowWindow(w, (maximize && fullCaption) ? SW_SHOWMAXIMIZED : showCommand_);
    if (!IsOpen()) BuildWindowedContexts();
    driver_ = kWindowDriver;
    return true;
}

bool TDispDev::BuildWindowedContexts() {
    if (!window_ || !(state_ & 4)) return false;
    TCursorHold hold(this);
    GDL_selectCurrentDC(nullptr);
    if (drawDC_ && drawDC_ != screenDC_) GDL_destroyDC(drawDC_);
    drawDC_ = nullptr;
    if (screenDC_ && GDL_liveDC(screenDC_)->type != GDL_DC_WINDOWED) {
        GDL_destroyDC(screenDC_);
        screenDC_ = nullptr;
    }
    if (!screenDC_) {
        screenDC_ = GDL_createWindowedDC(window_);
        if (!screenDC_) {
            raiseLibrary(23, __LINE__);
            return false;
        }
    } else {
        GDL_resizeWindowedDC(screenDC_);
    }
    const GdlDeviceContext* s = GDL_liveDC(screenDC_);
    const int32_t depth = std::max(std::min(depth_, int32_t(s->mode.bitsPerPixel)), 8);
    contextWidth_ = s->attr.viewport.right - s->attr.viewport.left;
    contextHeight_ = s->attr.viewport.bottom - s->attr.viewport.top;
    dirtyWidth_ = std::max(contextWidth_, 1);
    dirtyHeight_ = std::max(contextHeight_, 1);
    mode_ = FindMode(width_, height_, int32_t(s->mode.bitsPerPixel));
    if (!CreateDrawContext(depth)) return false;
    if (!SetupPalette()) return false;
    GDL_selectCurrentDC(drawDC_);
    GDL_setBackColor(0);
    GDL_clearDevice();
    TDirtyRects::AddDirtyArea(0, 0, dirtyWidth_, dirtyHeight_);
    UpdateView();
    const int32_t error = GDL_lastResult();
    if (error != GDL_OK) {
        raise(25, GDL_errorText(error), __LINE__);
        return false;
    }
    state_ |= 2;
    return true;
}

bool TDispDev::SetupPalette() {
    if (!screenDC_ || !drawDC_) return false;
    GDL_getDefaultPalette(screenDC_, defaultPalette_);
    const int32_t bits = std::min(GDL_getBitsPerPixel(screenDC_), GDL_getBitsPerPixel(drawDC_));
    int32_t count = bits >= 8 ? 256 : (1 << bits);
    count = std::min({count, GDL_getPaletteSize(screenDC_), GDL_getPaletteSize(drawDC_)});
    count = std::max(count, 16);
    if (count < 256)
        palette_ = sixteen_;
    else
        palette_ = ownPalette_ ? appPalette_ : defaultPalette_;
    paletteCount_ = count;
    GDL_setColorMapMode(0);
    for (GdlDeviceContext* dc : {screenDC_, drawDC_}) {
        GDL_setPalette(dc, palette_, count, 0);
        GDL_realizePalette(dc, count, 0, 0);
        if (drawDC_ == screenDC_) break;
    }
    const int32_t error = GDL_lastResult();
    if (error != GDL_OK) {
        raise(21, GDL_errorText(error), __LINE__);
        return false;
    }
    palTable_.Set(palette_, count);
    return true;
}

void TDispDev::Close() {
    TCursorHold hold(this);
    if (state_ & 1) {
        if (screenDC_) {
            GDL_selectCurrentDC(screenDC_);
            GDL_setBackColor(0);
            GDL_clearDevice();
            FlipPage();
            GDL_clearDevice();
        }
        if (windowDC_) ReleaseDC(GetWindow(), windowDC_);
        windowDC_ = nullptr;
        GDL_setMouseDC(nullptr);
        HWND w = window_;
        window_ = nullptr;
        if (w && GDL_getMainWindow() == w) GDL_registerMainWindow(nullptr);
        if (w && IsWindow(w)) DestroyWindow(w);
        GDL_selectCurrentDC(nullptr);
        if (drawDC_ && drawDC_ != screenDC_) GDL_destroyDC(drawDC_);
        if (screenDC_) GDL_destroyDC(screenDC_);
        drawDC_ = screenDC_ = nullptr;
        state_ &= ~3u;
    }
    UnregisterOwnClass();
    effective_ = 0;
    mode_ = driver_ = -1;
}

// The class goes with the window, so that the next Open may register it again.
void TDispDev::UnregisterOwnClass() {
    if (registeredClass_.Length() == 0) return;
    UnregisterClassA(registeredClass_.c_str(), instance_);
    registeredClass_ = "";
}

void TDispDev::ReleaseLibrary() {
    if (!(state_ & 4)) return;
    state_ &= ~4u;
    GDL_exit();
}

// --- Palette and level --------------------------------------------------------------

void TDispDev::SetPalette(const GdlPaletteEntry* palette) {
    ownPalette_ = palette;
    if (palette)
        std::memcpy(appPalette_, palette, sizeof(appPalette_));
    else
        GDL_getDefaultPalette(appPalette_);
    if (!IsOpen() || !screenDC_) return;
    GdlDeviceContext* previous = GDL_selectCurrentDC(screenDC_);
    GDL_setBackColor(0);
    const uint32_t black = GDL_colorToPixel(screenDC_, 0);
    GDL_clearDevice();
    SetupPalette();
    if (GDL_colorToPixel(screenDC_, 0) != black) GDL_clearDevice();
    if (drawDC_ != screenDC_) {
        GDL_selectCurrentDC(drawDC_);
        GDL_setBackColor(0);
        GDL_clearDevice();
    }
    GDL_selectCurrentDC(previous);
    TDirtyRects::AddDirtyArea(0, 0, dirtyWidth_, dirtyHeight_);
}

void TDispDev::SetAdjustLevel(int32_t level) {
    if (level == level_) return;
    level_ = level;
    adjust_.SetLevel(level);
    TDirtyRects::AddDirtyArea(0, 0, dirtyWidth_, dirtyHeight_);
}

// --- Canvas contexts ------------------------------------------------------------------

GdlDeviceContext* TDispDev::CreateCanvasContext(const TRectArea& rect) {
    const int32_t w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (!IsOpen() || !drawDC_ || w < 1 || h < 1) return nullptr;
    const GdlDeviceContext* d = GDL_liveDC(drawDC_);
    GdlDeviceContext* dc = GDL_createMemoryDC(w, h, int32_t(d->mode.bitsPerPixel), &d->format);
    if (!dc) {
        raiseLibrary(24, __LINE__);
        return nullptr;
    }
    GDL_setPalette(dc, palette_, paletteCount_, 0);
    GDL_realizePalette(dc, paletteCount_, 0, 0);
    const int32_t error = GDL_lastResult();
    if (error != GDL_OK) {
        raise(21, GDL_errorText(error), __LINE__);
        GDL_destroyDC(dc);
        return nullptr;
    }
    return dc;
}

GdlDeviceContext* TDispDev::ResizeCanvasContext(const TRectArea& rect, GdlDeviceContext* dc) {
    if (dc) {
        const GdlDeviceContext* d = GDL_liveDC(dc);
        if (int32_t(d->mode.maxX) + 1 >= rect.right - rect.left &&
            int32_t(d->mode.maxY) + 1 >= rect.bottom - rect.top)
            return dc;
        DestroyCanvasContext(dc);
    }
    return CreateCanvasContext(rect);
}

void TDispDev::DestroyCanvasContext(GdlDeviceContext* dc) {
    if (!(state_ & 4) || !dc) return;
    if (!GDL_destroyDC(dc)) raiseLibrary(21, __LINE__);
}
