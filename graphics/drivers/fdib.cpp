// The full-screen DIB family: the display settings tested once a run, the
// add-mode over them, the init that makes the context a blit target, and the
// full-screen start with the display-settings change it shares with OpenGL.
#include <cstring>

#include "ddraw_state.h"
#include "gdl/ddraw.h"
#include "gdl/event.h"
#include "gdl/fdib.h"
#include "gdl/memory.h"
#include "gdl/opengl.h"
#include "gdl/render.h"
#include "gdl/result.h"
#include "gdl/windc.h"
#include "gdl/windows.h"
#include "platform/User.h"

namespace {

gdl_internal::DibState& dib() {
    return gdl_internal::state().dib;
}

struct Run {
    int32_t first, last;
};
// The modes of each driver (640 x 480 up): 8, 15 and 16, 24, 32 bits.
constexpr Run kRuns[4][2] = {
    {{19, 25}, {0, -1}}, {{34, 40}, {49, 55}}, {{64, 70}, {0, -1}}, {{79, 85}, {0, -1}}};
constexpr const char* kNames[4] = {"FDIB8.DRV", "FDIB16.DRV", "FDIB24.DRV", "FDIB32.DRV"};
constexpr GdlInitFunc kInits[4] = {FDIB8_init, FDIB16_init, FDIB24_init, FDIB32_init};

GdlDriverHeader makeHeader(int32_t family) {
    GdlDriverHeader h{};
    std::memcpy(h.signature, GDL_driverSignature, sizeof(h.signature));
    std::strncpy(h.fileName, kNames[family], sizeof(h.fileName) - 1);
    std::strncpy(h.driverName, kNames[family], sizeof(h.driverName) - 1);
    std::strncpy(h.banner, "Fullscreen DIB driver\r\nVersion 2.0", sizeof(h.banner) - 1);
    h.majorVersion = 2;
    h.driverType = GDL_TYPE_FDIB;
    h.detect = FDIB_detect;
    h.init = kInits[family];
    const Run& last = kRuns[family][1].last >= 0 ? kRuns[family][1] : kRuns[family][0];
    h.modes = DRV_modeRecord(kRuns[family][0].first);
    h.modeCount = last.last - kRuns[family][0].first + 1;
    return h;
}

const GdlDriverHeader g_headers[4] = {makeHeader(0), makeHeader(1), makeHeader(2), makeHeader(3)};

uint32_t maxColorOf(int32_t bits) {
    switch (bits) {
        case 8: return 255;
        case 15: return 32767;
        case 16: return 65535;
        case 24: return 0xFFFFFF;
        default: return 0xFFFFFFFFu;
    }
}

DEVMODEA modeRequest(int32_t width, int32_t height, int32_t bits) {
    DEVMODEA m{};
    m.dmSize = sizeof(DEVMODEA);
    m.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    m.dmBitsPerPel = DWORD(bits == 15 ? 16 : bits);
    m.dmPelsWidth = DWORD(width);
    m.dmPelsHeight = DWORD(height);
    return m;
}

bool listed(int32_t width, int32_t height, int32_t bits) {
    const gdl_internal::DibState& d = dib();
    for (int32_t i = 0; i < d.settingCount; ++i)
        if (d.settings[i].width == width && d.settings[i].height == height &&
            d.settings[i].bits == bits)
            return true;
    return false;
}

// Every setting Windows lists and accepts in a test, at least 640 wide, once
// each, at most 70; a 16-bit one under the run's 16-bit depth. Once a run.
void listSettingsOnce() {
    gdl_internal::DibState& d = dib();
    if (d.listed) return;
    d.listed = true;
    DEVMODEA found{};
    found.dmSize = sizeof(DEVMODEA);
    for (DWORD i = 0; EnumDisplaySettingsA(nullptr, i, &found); ++i) {
        const int32_t w = int32_t(found.dmPelsWidth), h = int32_t(found.dmPelsHeight);
        int32_t bits = int32_t(found.dmBitsPerPel);
        DEVMODEA test = modeRequest(w, h, bits);
        if (ChangeDisplaySettingsA(&test, CDS_TEST | CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL)
            continue;
        if (w < 640) continue;
        if (bits == 16) bits = gdl_internal::ddraw().depth16;
        if (listed(w, h, bits) || d.settingCount >= int32_t(std::size(d.settings))) continue;
        d.settings[d.settingCount++] = {w, h, bits};
    }
}

void destroy(GdlDeviceContext* dc) {
    if (!(dc->flags & GDL_FLAG_NOT_OWNED)) {
        GDL_free(dc->driverData);
        dc->driverData = nullptr;
    }
    const int32_t family = DRV_familyOfBits(int32_t(dc->mode.bitsPerPixel));
    if (family >= 0) DRV_detachState(dc, &dib().states[family]);
    if (dc->winPalette) DeleteObject(dc->winPalette);
    dc->winPalette = nullptr;
    if (dc->winDC) ReleaseDC(dc->window, dc->winDC);
    dc->winDC = nullptr;
}

// Switching away gives the desktop its settings back; returning sets the
// mode again while a DIB display mode is in force.
void leaveHook() {
    FDIB_restoreSystemState(1);
}

void reenterHook() {
    if (dib().displayChange != -1) return;
    GdlList* list = gdl_internal::state().contexts.lists[0];
    GdlDeviceContext* dc = list ? static_cast<GdlDeviceContext*>(GDL_listFirst(list)) : nullptr;
    if (dc) FDIB_setDisplayMode(GDL_liveDC(dc));
}

int32_t init(int32_t family, GdlDeviceContext* dc, int32_t driverNumber, int32_t mode, HWND window,
             int32_t reserved) {
    if (reserved != 0) return 0;
    const GdlModeRecord* record = DRV_modeRecord(mode);
    if (!record || DRV_familyOfBits(int32_t(record->bitsPerPixel)) != family) return 0;
    dc->mode = dib().records[mode].bitsPerPixel ? dib().records[mode] : *record;
    if (!DRV_attachDisplay(dc, &dib().states[family], destroy,
                           {window, driverNumber, mode, GDL_DC_FULLSCREEN_DIB, FDIB_exit}))
        return 0;
    dc->mode.maxPage = 0;
    dc->mode.bytesPerLine = 0;
    dc->mode.pageSize = 0;
    dc->frameBase = nullptr;
    dc->surface = nullptr;
    dc->winPalette = nullptr;
    // A blit target: no renderers, the GDI blits in; its palette keeps the
    // system's static colours as a windowed context's does.
    dc->v.getWinDC = FDIB_getWinDC;
    dc->v.defaultPalette = GDL_getStaticSystemColors;
    dc->v.realizePalette = GDL_realizeIdentityPalette;
    WINDC_setupBlitEntries(dc);
    GDL_setFullScreenHooks({leaveHook, reenterHook, GDL_glSuspendHook});
    return FDIB_startFullScreen(dc);
}

// A memory DC over a DIB section of the context's size, depth and layout;
// the bitmap is kept in the context and goes with the DC.
HDC shadowOf(GdlDeviceContext* d) {
    const uint32_t bits = d->mode.bitsPerPixel == 15 ? 16 : d->mode.bitsPerPixel;
    struct {
        BITMAPINFOHEADER header;
        uint32_t masks[256];
    } info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = LONG(d->mode.maxX + 1);
    info.header.biHeight = -LONG(d->mode.maxY + 1);
    info.header.biPlanes = 1;
    info.header.biBitCount = WORD(bits);
    info.header.biCompression = BI_RGB;
    const GdlPixelFormat& f = d->format;
    if ((bits == 16 || bits == 32) && f.redMask) {
        info.header.biCompression = BI_BITFIELDS;
        info.masks[0] = f.redMask << f.redPosition;
        info.masks[1] = f.greenMask << f.greenPosition;
        info.masks[2] = f.blueMask << f.bluePosition;
    }
    HDC own = CreateCompatibleDC(nullptr);
    void* pixels = nullptr;
    HBITMAP bitmap = own ? CreateDIBSection(own, reinterpret_cast<const BITMAPINFO*>(&info),
                                            DIB_RGB_COLORS, &pixels, nullptr, 0)
                         : nullptr;
    if (!bitmap || !SelectObject(own, bitmap)) {
        if (bitmap) DeleteObject(bitmap);
        if (own) DeleteDC(own);
        return nullptr;
    }
    d->bitmap = bitmap;
    return own;
}

} // namespace

const GdlDriverHeader* FDIB_header(int32_t bits) {
    const int32_t family = DRV_familyOfBits(bits);
    return family >= 0 ? &g_headers[family] : nullptr;
}

void FDIB_addMode(GDLModeEntry* table, int32_t mode, int32_t driverIndex, GdlModeRecord* record) {
    if (!listed(int32_t(record->maxX) + 1, int32_t(record->maxY) + 1,
                int32_t(record->bitsPerPixel)))
        return;
    record->maxPage = 0;
    record->bytesPerLine = 0;
    record->pageSize = 0;
    table[mode] = {uint8_t(driverIndex), 1, 0};
}

int32_t FDIB_detect(int32_t driverIndex, int32_t wantedType, int32_t* driver,
                    int32_t* suggestedMode, GDLModeEntry* modeTable) {
    (void)suggestedMode;
    if (wantedType < GDL_TYPE_FDIB) return 0;
    const char* name = GDL_driverTableName(driverIndex);
    int32_t family = -1;
    for (int32_t f = 0; f < 4; ++f)
        if (name && std::strcmp(name, kNames[f]) == 0) family = f;
    if (family < 0) return 0;
    GDL_initWindows();
    if (GDL_isWin32s()) return 0;
    listSettingsOnce();
    // The program's own driver type when nothing better was found.
    if (*driver < GDL_TYPE_FDIB) *driver = GDL_TYPE_FDIB;
    for (const Run& run : kRuns[family])
        for (int32_t m = run.first; m <= run.last; ++m) {
            dib().records[m] = *DRV_modeRecord(m);
            FDIB_addMode(modeTable, m, driverIndex, &dib().records[m]);
        }
    return 1;
}

int32_t FDIB8_init(GdlDeviceContext* dc, int32_t driverNumber, int32_t mode, HWND window, int32_t,
                   int32_t, int32_t, int32_t reserved, int32_t) {
    return init(0, dc, driverNumber, mode, window, reserved);
}
int32_t FDIB16_init(GdlDeviceContext* dc, int32_t driverNumber, int32_t mode, HWND window, int32_t,
                    int32_t, int32_t, int32_t reserved, int32_t) {
    return init(1, dc, driverNumber, mode, window, reserved);
}
int32_t FDIB24_init(GdlDeviceContext* dc, int32_t driverNumber, int32_t mode, HWND window, int32_t,
                    int32_t, int32_t, int32_t reserved, int32_t) {
    return init(2, dc, driverNumber, mode, window, reserved);
}
int32_t FDIB32_init(GdlDeviceContext* dc, int32_t driverNumber, int32_t mode, HWND window, int32_t,
                    int32_t, int32_t, int32_t reserved, int32_t) {
    return init(3, dc, driverNumber, mode, window, reserved);
}

int32_t FDIB_startFullScreen(GdlDeviceContext* dc) {
    return GDL_startFullScreenDisplay(dc, 0);
}

int32_t GDL_startFullScreenDisplay(GdlDeviceContext* dc, int32_t variant) {
    const int32_t width = int32_t(dc->mode.maxX) + 1, height = int32_t(dc->mode.maxY) + 1;
    dib().variant = variant;
    GDL_hideMainWindow();
    if (GDL_isFullScreenActive()) GDL_restoreDesktopMode();
    gdl_internal::ddraw().width = width;
    gdl_internal::ddraw().height = height;
    HWND w = GDL_createFullscreenWindow();
    if (!w) return 0;
    dc->window = w;
    dc->winPalette = nullptr;
    dc->winDC = GetDC(w);
    if (!FDIB_setDisplayMode(dc)) {
        ReleaseDC(w, dc->winDC);
        dc->winDC = nullptr;
        // Nothing was changed: leave as the desktop restore leaves, without
        // its display-settings calls. A window the program offered is given
        // back rather than destroyed, and its main window comes back.
        GDL_setFullScreenState(GDL_FS_NONE, nullptr, 0, 0);
        GDL_restoreDesktopMode();
        return 0;
    }
    GDL_pixelFormatFromHDC(dc, dc->winDC);
    dc->mode.maxColor = maxColorOf(int32_t(dc->mode.bitsPerPixel));
    // Entered once the mode is in force, so the mouse scales to its size.
    GDL_setFullScreenState(GDL_FS_DIB, w, width, height);
    dib().displayChange = -1;
    if (dc->driverState) dc->driverState->stereoFlags = 0;
    GDL_initEvents(w);
    return 1;
}

int32_t FDIB_setDisplayMode(GdlDeviceContext* dc) {
    DEVMODEA m = modeRequest(int32_t(dc->mode.maxX) + 1, int32_t(dc->mode.maxY) + 1,
                             int32_t(dc->mode.bitsPerPixel));
    if (ChangeDisplaySettingsA(&m, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) return 0;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, 1, &dib().screenSaver, 0);
    return 1;
}

void FDIB_restoreSystemState(int32_t restoreMode) {
    UINT old = 0;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, 0, &old, 0);
    if (restoreMode && dib().variant == 0) ChangeDisplaySettingsA(nullptr, CDS_FULLSCREEN);
}

void FDIB_exit() {
    FDIB_restoreSystemState(0);
    // The DIB variant's settings come back with the desktop restore below;
    // OpenGL's are put back here, and the restore then leaves them alone.
    if (dib().variant == 1) {
        ChangeDisplaySettingsA(nullptr, CDS_FULLSCREEN);
        dib().displayChange = 0;
    }
    GDL_restoreDesktopMode();
}

int32_t FDIB_settingCount() {
    return dib().settingCount;
}

bool FDIB_setting(int32_t index, int32_t* width, int32_t* height, int32_t* bits) {
    if (index < 0 || index >= dib().settingCount) return false;
    const gdl_internal::DibState::Setting& s = dib().settings[index];
    if (width) *width = s.width;
    if (height) *height = s.height;
    if (bits) *bits = s.bits;
    return true;
}

HDC GDL_getWinDCForDC(GdlDeviceContext* dc) {
    GdlDeviceContext* d = GDL_liveDC(dc);
    if (!d) return nullptr;
    if (d->type != GDL_DC_FULLSCREEN) return GDL_getWinDC(dc);
    if (!d->shadowDC) d->shadowDC = shadowOf(d);
    return d->shadowDC;
}
