// The windowed GDI driver: a window as a device context (kind 6) with the
// desktop's pixel format and a Windows palette that keeps the system's static
// colours, written only by blits from memory contexts.
#include <cstring>

#include "gdl/event.h"
#include "gdl/render.h"
#include "gdl/result.h"
#include "gdl/windc.h"
#include "gdl/windows.h"
#include "library_state.h"
#include "platform/User.h"

namespace {

gdl_internal::WindowedDriverState& driver() {
    return gdl_internal::state().windowed;
}

const GdlDriverHeader kHeader = {
    "RedeDuduv Driver:",
    "WINDC.DRV",
    "WINDC.DRV",
    "Windowed GDI device driver",
    2,
    0,
    GDL_TYPE_NONE,
    nullptr,
    WINDC_init,
    nullptr,
    0,
};

uint32_t maxColorOf(int32_t bits) {
    switch (bits) {
        case 4: return 15;
        case 8: return 255;
        case 15: return 32767;
        case 16: return 65535;
        case 24: return 0xFFFFFF;
        case 32: return 0xFFFFFFFFu;
        default: return 0;
    }
}

// Under Win32s the window's DC is not kept: each blit takes it and gives it back.
struct TargetDC {
    explicit TargetDC(GdlDeviceContext* d) : window(d->window) {
        hdc = GDL_isWin32s() ? GetDC(window) : d->winDC;
        borrowed = GDL_isWin32s();
    }
    ~TargetDC() {
        if (borrowed && hdc) ReleaseDC(window, hdc);
    }
    HWND window;
    HDC hdc;
    bool borrowed;
};

void copyFromMemoryEntry(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t x,
                         int32_t y, int32_t, const void*, int32_t, GdlDeviceContext* source) {
    WINDC_bitBlt(&gdl_internal::block(), left, top, right, bottom, x, y, source);
}

void bitBltForward(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                   int32_t x, int32_t y, int32_t, const void*, int32_t, int32_t,
                   const GdlPaletteEntry*, const GdlPixelFormat*, GdlDeviceContext* source) {
    WINDC_bitBlt(dc, left, top, right, bottom, x, y, source);
}

void stretchHeightDoubled(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left, int32_t top,
                          int32_t right, int32_t bottom, int32_t x, int32_t y,
                          const GdlPaletteEntry*, int32_t) {
    WINDC_stretchBlt(dest, src, left, top, right, bottom, x, y, 0x10000, 0x20000);
}

void stretchBothDoubled(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left, int32_t top,
                        int32_t right, int32_t bottom, int32_t x, int32_t y, const GdlPaletteEntry*,
                        int32_t) {
    WINDC_stretchBlt(dest, src, left, top, right, bottom, x, y, 0x20000, 0x20000);
}

void stretchFree(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left, int32_t top,
                 int32_t right, int32_t bottom, int32_t x, int32_t y, int32_t xScale,
                 int32_t yScale, const GdlPaletteEntry*, int32_t, int32_t, int32_t) {
    // GDI stretches whole rectangles: the window only ever shows the whole
    // frame scaled, so a repeat phase never arises here.
    WINDC_stretchBlt(dest, src, left, top, right, bottom, x, y, xScale, yScale);
}

PALETTEENTRY reserved(const GdlPaletteEntry& e) {
    return {e.red, e.green, e.blue, PC_RESERVED};
}

// Entries 0 and 255 are black and white whatever the palette says.
void forceEnds(PALETTEENTRY* entries, GdlDeviceContext* d) {
    entries[0] = {0, 0, 0, 0};
    entries[255] = {255, 255, 255, 0};
    if (d->palette) {
        d->palette[0] = {0, 0, 0, 0};
        d->palette[255] = {255, 255, 255, 0};
    }
}

void rebuildPalette(GdlDeviceContext* d, HDC hdc, const GdlPaletteEntry* palette, bool noStatic,
                    HDC screen) {
    struct {
        WORD version, count;
        PALETTEENTRY entries[256];
    } log{};
    log.version = 0x300;
    log.count = 256;
    if (driver().paletteMode != 0 || noStatic) {
        for (int i = 0; i < 256; ++i)
            log.entries[i] = reserved(palette[i]);
        if (driver().paletteMode == 2)
            for (int i = 0; i < 10; ++i)
                log.entries[i].peFlags = log.entries[255 - i].peFlags = 0;
    } else {
        GetSystemPaletteEntries(screen, 0, 256, log.entries);
        for (int i = 0; i < 10; ++i)
            log.entries[i].peFlags = log.entries[255 - i].peFlags = 0;
        for (int i = 10; i < 246; ++i)
            log.entries[i] = reserved(palette[i]);
    }
    forceEnds(log.entries, d);
    if (d->winPalette) DeleteObject(d->winPalette);
    d->winPalette = CreatePalette(reinterpret_cast<const LOGPALETTE*>(&log));
    if (d->winPalette) SelectPalette(hdc, d->winPalette, FALSE);
}

void animatePalette(GdlDeviceContext* d, HDC hdc, const GdlPaletteEntry* palette, int32_t count,
                    int32_t first) {
    // Entries past the 256 of the palette are never animated.
    if (first < 0 || first >= 256 || count <= 0) return;
    if (count > 256 - first) count = 256 - first;
    PALETTEENTRY entries[256];
    for (int32_t i = first; i < first + count; ++i)
        entries[i] = reserved(palette[i]);
    forceEnds(entries, d);
    SelectPalette(hdc, d->winPalette, FALSE);
    AnimatePalette(d->winPalette, UINT(first), UINT(count), entries + first);
}

} // namespace

const GdlDriverHeader* WINDC_header() {
    return &kHeader;
}

void GDL_setPaletteMode(int32_t mode) {
    driver().paletteMode = mode;
}

int32_t WINDC_init(GdlDeviceContext* dc, int32_t, int32_t, HWND window, int32_t, int32_t, int32_t,
                   int32_t, int32_t) {
    if (!DRV_attachState(dc, &driver().shared, sizeof(GdlDriverState), WINDC_destroy)) return 0;
    dc->window = window;
    dc->winPalette = nullptr;
    dc->winDC = GetDC(window);
    RECT r{};
    GetClientRect(window, &r);
    dc->mode.maxX = uint32_t(r.right - r.left - 1);
    dc->mode.maxY = uint32_t(r.bottom - r.top - 1);
    dc->mode.maxPage = 0;
    dc->mode.bytesPerLine = 0;
    dc->mode.pageSize = 0;
    dc->frameBase = nullptr;
    dc->surface = nullptr;
    GDL_pixelFormatFromHDC(dc, dc->winDC);
    dc->mode.maxColor = maxColorOf(int32_t(dc->mode.bitsPerPixel));
    dc->mode.aspectRatio = uint32_t(GetDeviceCaps(dc->winDC, ASPECTY) * 100);
    if (GDL_isWin32s()) {
        ReleaseDC(window, dc->winDC);
        dc->winDC = nullptr;
    }
    dc->type = GDL_DC_WINDOWED;
    dc->v.getWinDC = FDIB_getWinDC;
    dc->v.defaultPalette = GDL_getStaticSystemColors;
    dc->v.realizePalette = GDL_realizeIdentityPalette;
    WINDC_setupVectors(dc);
    GDL_initEvents(window);
    return 1;
}

void WINDC_destroy(GdlDeviceContext* dc) {
    DRV_detachState(dc, &driver().shared);
    if (dc->winPalette) DeleteObject(dc->winPalette);
    dc->winPalette = nullptr;
    if (!GDL_isWin32s() && dc->winDC) ReleaseDC(dc->window, dc->winDC);
    dc->winDC = nullptr;
}

void WINDC_setupVectors(GdlDeviceContext* dc) {
    DRV_setGenericRenderersOnWindow(dc);
    WINDC_setupBlitEntries(dc);
}

void DRV_setGenericRenderersOnWindow(GdlDeviceContext* dc) {
    GdlGetWinDCFunc getWinDC = dc->v.getWinDC;
    GdlDefaultPaletteFunc defaultPalette = dc->v.defaultPalette;
    GdlRealizePaletteFunc realize = dc->v.realizePalette;
    DRV_setGenericRenderers(dc);
    dc->v.getWinDC = getWinDC;
    dc->v.defaultPalette = defaultPalette;
    dc->v.realizePalette = realize;
}

void WINDC_setupBlitEntries(GdlDeviceContext* dc) {
    dc->v.setClipRect = DRV_applyClipRect;
    dc->v.copyFromMemory = copyFromMemoryEntry;
    dc->v.translateImage = bitBltForward;
    dc->v.blitRowDoubled = stretchHeightDoubled;
    dc->v.blitZoom2 = stretchBothDoubled;
    dc->v.stretchBlit = stretchFree;
}

BOOL WINDC_bitBlt(GdlDeviceContext* dest, int32_t left, int32_t top, int32_t right, int32_t bottom,
                  int32_t x, int32_t y, GdlDeviceContext* source) {
    if (!dest || !source) return FALSE;
    HDC from = GDL_getWinDC(source);
    TargetDC to(GDL_liveDC(dest));
    const int32_t w = right - left, h = bottom - top;
    switch (GDL_blitMethod()) {
        case 0: return BitBlt(to.hdc, x, y, w, h, from, left, top, SRCCOPY);
        case 1: return GDL_winG()->bitBlt(to.hdc, x, y, w, h, from, left, top);
        default: return FALSE;
    }
}

BOOL WINDC_stretchBlt(GdlDeviceContext* dest, GdlDeviceContext* source, int32_t left, int32_t top,
                      int32_t right, int32_t bottom, int32_t x, int32_t y, int32_t xRatio,
                      int32_t yRatio) {
    if (!dest || !source) return FALSE;
    const int32_t w = right - left, h = bottom - top;
    const int32_t dw = int32_t((int64_t(w) * xRatio + 0x8000) >> 16);
    const int32_t dh = int32_t((int64_t(h) * yRatio + 0x8000) >> 16);
    HDC from = GDL_getWinDC(source);
    TargetDC to(GDL_liveDC(dest));
    if (GDL_blitMethod() == 0) {
        SetStretchBltMode(to.hdc, COLORONCOLOR);
        return StretchBlt(to.hdc, x, y, dw, dh, from, left, top, w, h, SRCCOPY);
    }
    if (GDL_blitMethod() == 1 && GDL_liveDC(source)->mode.bitsPerPixel == 8)
        return GDL_winG()->stretchBlt(to.hdc, x, y, dw, dh, from, left, top, w, h);
    return FALSE;
}

const GdlPaletteEntry* GDL_getStaticSystemColors() {
    HDC screen = GetDC(nullptr);
    PALETTEENTRY system[256];
    GetSystemPaletteEntries(screen, 0, 256, system);
    ReleaseDC(nullptr, screen);
    for (int i = 0; i < 256; ++i) {
        if (i >= 10 && i < 246) continue;
        driver().identity[i] = {system[i].peBlue, system[i].peGreen, system[i].peRed, 0};
    }
    return driver().identity;
}

void GDL_realizeIdentityPalette(GdlDeviceContext* dc, const GdlPaletteEntry* palette, int32_t count,
                                int32_t first, int32_t wait) {
    GdlDeviceContext* d = GDL_liveDC(dc);
    if (!d || !palette) return;
    HDC screen = GetDC(nullptr);
    const bool inactive = GetActiveWindow() != d->window;
    const bool noStatic = GetSystemPaletteUse(screen) == SYSPAL_NOSTATIC;
    // driverWord1: no-static seen last time; driverWord2: inactive last time.
    // Under Win32s the window's DC is borrowed for the realisation too.
    TargetDC target(d);
    if (!inactive && target.hdc) {
        const bool animate = d->winPalette && int32_t(noStatic) == d->driverWord1 &&
                             d->driverWord2 == 0 && wait != -1;
        if (animate)
            animatePalette(d, target.hdc, palette, count, first);
        else
            rebuildPalette(d, target.hdc, palette, noStatic, screen);
        RealizePalette(target.hdc);
    }
    d->driverWord1 = noStatic;
    d->driverWord2 = inactive;
    ReleaseDC(nullptr, screen);
}
