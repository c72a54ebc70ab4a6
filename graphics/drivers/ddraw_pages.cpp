// A DirectDraw mode at work: the hooks a mode set installs, pages and flips,
// the palette, the one off-screen surface, hardware fills and blits, and the
// lock of the drawing surface with its nesting count. Every DirectDraw call
// here is repeated after the suspend-and-restore path while the surface is
// lost, so no loss reaches a caller.
#include <cstring>

#include "ddraw_state.h"
#include "gdl/ddraw.h"
#include "gdl/render.h"
#include "gdl/result.h"
#include "gdl/windows.h"

using gdl_internal::ddraw;
using gdl_internal::retryLost;

namespace {

HRESULT lockOnce(LPDIRECTDRAWSURFACE s, uint8_t** address, int32_t* pitch) {
    gdl_internal::DirectDrawState& dd = ddraw();
    return retryLost([&] {
        std::memset(&dd.desc, 0, sizeof(dd.desc));
        dd.desc.dwSize = sizeof(dd.desc);
        const HRESULT hr = s->Lock(nullptr, &dd.desc, DDLOCK_WAIT, nullptr);
        if (hr == DD_OK) {
            *address = static_cast<uint8_t*>(dd.desc.lpSurface);
            if (pitch) *pitch = dd.desc.lPitch;
        }
        return hr;
    });
}

void unlockOnce(LPDIRECTDRAWSURFACE s) {
    retryLost([&] { return s->Unlock(nullptr); });
}

// The raster operation of a write mode. AND keeps the bits both have: the
// source-erase operation (source and not destination) would invert the
// destination's part.
DWORD ropOf(int32_t writeMode) {
    switch (writeMode) {
        case 3: return DD_SRCINVERT;
        case 2: return DD_SRCPAINT;
        case 1: return DD_SRCAND;
        default: return DD_SRCCOPY;
    }
}

HRESULT fill(LPDIRECTDRAWSURFACE target, int32_t left, int32_t top, int32_t right, int32_t bottom,
             bool writeMode) {
    gdl_internal::DirectDrawState& dd = ddraw();
    if (!target || right <= left || bottom <= top) return DD_OK;
    RECT r{left, top, right, bottom};
    dd.fx.dwSize = sizeof(dd.fx);
    dd.fx.dwFillColor = gdl_internal::block().packedColor;
    DWORD flags = DDBLT_COLORFILL | DDBLT_WAIT;
    if (writeMode) {
        flags |= DDBLT_ROP;
        dd.fx.dwROP = ropOf(gdl_internal::block().attr.writeMode);
    }
    return retryLost([&] { return target->Blt(&r, nullptr, nullptr, flags, &dd.fx); });
}

HRESULT copy(LPDIRECTDRAWSURFACE target, LPDIRECTDRAWSURFACE source, int32_t left, int32_t top,
             int32_t right, int32_t bottom, int32_t x, int32_t y, int32_t writeMode) {
    gdl_internal::DirectDrawState& dd = ddraw();
    if (!target || !source || right <= left || bottom <= top) return DD_OK;
    RECT from{left, top, right, bottom};
    if (!writeMode)
        return retryLost(
            [&] { return target->BltFast(DWORD(x), DWORD(y), source, &from, DDBLTFAST_WAIT); });
    RECT to{x, y, x + right - left, y + bottom - top};
    dd.fx.dwSize = sizeof(dd.fx);
    dd.fx.dwROP = ropOf(writeMode);
    return retryLost(
        [&] { return target->Blt(&to, source, &from, DDBLT_ROP | DDBLT_WAIT, &dd.fx); });
}

HRESULT keyed(LPDIRECTDRAWSURFACE keyHolder, DWORD keyFlag, DWORD bltFlag, int32_t left,
              int32_t top, int32_t right, int32_t bottom, int32_t x, int32_t y, uint32_t key) {
    gdl_internal::DirectDrawState& dd = ddraw();
    if (!dd.drawing || !dd.offscreen || right <= left || bottom <= top) return DD_OK;
    DDCOLORKEY k{key, key};
    RECT from{left, top, right, bottom};
    return retryLost([&] {
        const HRESULT hr = keyHolder->SetColorKey(keyFlag, &k);
        if (hr != DD_OK) return hr;
        return dd.drawing->BltFast(DWORD(x), DWORD(y), dd.offscreen, &from,
                                   bltFlag | DDBLTFAST_WAIT);
    });
}

void fillRect(int32_t l, int32_t t, int32_t r, int32_t b) {
    fill(ddraw().drawing, l, t, r, b, false);
}
void fillRectWriteMode(int32_t l, int32_t t, int32_t r, int32_t b) {
    fill(ddraw().drawing, l, t, r, b, true);
}
void offscreenFillRect(int32_t l, int32_t t, int32_t r, int32_t b) {
    fill(ddraw().offscreen, l, t, r, b, gdl_internal::block().attr.writeMode != 0);
}
void bitBlt(int32_t l, int32_t t, int32_t r, int32_t b, int32_t x, int32_t y, int32_t op, int32_t) {
    copy(ddraw().drawing, ddraw().drawing, l, t, r, b, x, y, op);
}
void offscreenBitBlt(int32_t l, int32_t t, int32_t r, int32_t b, int32_t x, int32_t y, int32_t op,
                     int32_t) {
    copy(ddraw().offscreen, ddraw().offscreen, l, t, r, b, x, y, op);
}
void bitBltEx(GdlDeviceContext*, GdlDeviceContext*, int32_t l, int32_t t, int32_t r, int32_t b,
              int32_t x, int32_t y, int32_t op) {
    copy(ddraw().drawing, ddraw().offscreen, l, t, r, b, x, y, op);
}
void srcTransBlt(GdlDeviceContext*, GdlDeviceContext*, int32_t l, int32_t t, int32_t r, int32_t b,
                 int32_t x, int32_t y, int32_t, uint32_t key) {
    keyed(ddraw().offscreen, DDCKEY_SRCBLT, DDBLTFAST_SRCCOLORKEY, l, t, r, b, x, y, key);
}
void dstTransBlt(GdlDeviceContext*, GdlDeviceContext*, int32_t l, int32_t t, int32_t r, int32_t b,
                 int32_t x, int32_t y, int32_t, uint32_t key) {
    keyed(ddraw().drawing, DDCKEY_DESTBLT, DDBLTFAST_DESTCOLORKEY, l, t, r, b, x, y, key);
}

void setFillSlots(GdlDeviceContext* dc, GdlFillRectFunc plain, GdlFillRectFunc logical) {
    dc->v.tables[0].fillRect = dc->v.tables[4].fillRect = plain;
    dc->v.tables[1].fillRect = dc->v.tables[5].fillRect = logical;
    dc->v.current = dc->v.tables[dc->renderTable];
}

} // namespace

void DDRAW_installHooks(GdlDeviceContext* dc) {
    gdl_internal::DirectDrawState& dd = ddraw();
    GdlDriverState* s = dc->driverState;
    s->waitRetrace = DDRAW_waitRetrace;
    s->restore = DDRAW_releaseSurfaces;
    if (dd.displayOnly) {
        // A mode set without surfaces: nothing to draw into, so nothing draws.
        DRV_setDefaultVectors(dc);
        return;
    }
    s->setActivePage = DDRAW_setActivePage;
    s->setVisualPage = DDRAW_setVisualPage;
    s->createOffscreen = DDRAW_createOffscreenDC;
    dc->v.realizePalette = DDRAW_setPalette;
    DDRAW_installLockedCalls(dc);
    dc->v.beginDirectAccess = dc->v.beginAccess = DDRAW_beginAccess;
    dc->v.endDirectAccess = dc->v.endAccess = DDRAW_endAccess;
    const DWORD caps = dd.caps.dwCaps, keys = dd.caps.dwCKeyCaps;
    if (caps & DDCAPS_BLTCOLORFILL) {
        dc->flags |= 0x80;
        setFillSlots(dc, fillRect, fillRectWriteMode);
    }
    if (caps & DDCAPS_BLT) {
        dc->flags |= 0x400;
        dc->v.copyWithin = bitBlt;
        dc->v.offscreenBlt = bitBltEx;
    }
    if (keys & DDCKEYCAPS_SRCBLT) {
        dc->flags |= 0x800;
        dc->v.offscreenSrcKeyBlt = srcTransBlt;
    }
    if (keys & DDCKEYCAPS_DESTBLT) {
        dc->flags |= 0x1000;
        dc->v.offscreenDstKeyBlt = dstTransBlt;
    }
    s->visualPage = -1; // so that page 0 is shown below
    DDRAW_setActivePage(dc, 0);
    DDRAW_setVisualPage(dc, 0, 0);
}

void DDRAW_setActivePage(GdlDeviceContext* dc, int32_t page) {
    gdl_internal::DirectDrawState& dd = ddraw();
    const int32_t maxPage = int32_t(dc->mode.maxPage);
    if (page < 0 || page > maxPage || !dd.primary) return;
    GdlDriverState* s = dc->driverState;
    if (maxPage == 1)
        dd.drawing = page != s->visualPage && s->visualPage >= 0 ? dd.pages[1] : dd.primary;
    else if (maxPage > 1)
        dd.drawing = dd.pages[page] ? dd.pages[page] : dd.primary;
    else
        dd.drawing = dd.primary;
    uint8_t* address = nullptr;
    int32_t pitch = 0;
    if (lockOnce(dd.drawing, &address, &pitch) != DD_OK) return;
    dc->surface = dc->frameBase = address;
    dc->mode.bytesPerLine = uint32_t(pitch);
    unlockOnce(dd.drawing);
    s->activePage = page;
    if (dc->winDC)
        Escape(dc->winDC, 42, int(sizeof(address)), reinterpret_cast<LPCSTR>(&address), nullptr);
}

void DDRAW_setVisualPage(GdlDeviceContext* dc, int32_t page, int32_t) {
    gdl_internal::DirectDrawState& dd = ddraw();
    GdlDriverState* s = dc->driverState;
    const int32_t maxPage = int32_t(dc->mode.maxPage);
    if (page < 0 || page > maxPage || page == s->visualPage || !dd.primary) return;
    if (s->visualPage >= 0 && maxPage >= 1) {
        LPDIRECTDRAWSURFACE target = maxPage == 1 ? nullptr : dd.pages[page];
        retryLost([&] { return dd.primary->Flip(target, DDFLIP_WAIT); });
    }
    if (maxPage > 1) {
        // The flip turned the memory round behind the interfaces: each page
        // number goes back to the interface now holding its memory.
        LPDIRECTDRAWSURFACE list[8];
        std::memcpy(list, dd.pages, sizeof(list));
        for (int32_t i = 0; i < dd.surfaceCount; ++i) {
            uint8_t* address = nullptr;
            if (!list[i] || lockOnce(list[i], &address, nullptr) != DD_OK) continue;
            unlockOnce(list[i]);
            for (int32_t k = 0; k < dd.surfaceCount; ++k)
                if (dd.addresses[k] == address) dd.pages[k] = list[i];
        }
    }
    s->visualPage = page;
    DDRAW_setActivePage(dc, s->activePage); // the drawing surface follows the rotation
}

void DDRAW_waitRetrace(GdlDeviceContext*) {
    // The beam is waited for, not merely asked about.
    if (ddraw().dd) ddraw().dd->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
}

void DDRAW_setPalette(GdlDeviceContext* dc, const GdlPaletteEntry* palette, int32_t count,
                      int32_t first, int32_t wait) {
    gdl_internal::DirectDrawState& dd = ddraw();
    if (!palette) return;
    // Entries past the 256 of a palette are never read.
    if (first < 0 || first >= 256 || count <= 0) return;
    if (count > 256 - first) count = 256 - first;
    PALETTEENTRY entries[256];
    for (int i = 0; i < 256; ++i)
        entries[i] = {palette[i].red, palette[i].green, palette[i].blue, PC_RESERVED};
    if (wait && dd.dd) dd.dd->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
    if (dd.palette) dd.palette->SetEntries(0, DWORD(first), DWORD(count), entries + first);
    if (dc && dc->winDC) Escape(dc->winDC, 43, 1024, reinterpret_cast<LPCSTR>(palette), nullptr);
}

int32_t DDRAW_createOffscreenDC(GdlDeviceContext* dc) {
    gdl_internal::DirectDrawState& dd = ddraw();
    if (!(dc->flags & 0x400)) {
        GDL_setResult(GDL_NO_HW_BITBLT);
        return 0;
    }
    if (dd.offscreen || !dd.dd || dc->mode.bytesPerLine == 0) {
        GDL_setResult(GDL_NO_OFFSCREEN_MEMORY);
        return 0;
    }
    int64_t height = int64_t(dd.videoMemory / dc->mode.bytesPerLine) -
                     int64_t(dc->mode.maxPage + 1) * int64_t(dc->mode.maxY + 1);
    DDSURFACEDESC d{};
    d.dwSize = sizeof(d);
    d.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY;
    d.dwWidth = dc->mode.maxX + 1;
    HRESULT hr = DDERR_OUTOFVIDEOMEMORY;
    // Shrink a row at a time while memory is short, down to one row.
    for (; height >= 1 && hr == DDERR_OUTOFVIDEOMEMORY; --height) {
        d.dwHeight = DWORD(height < 32767 ? height : 32767);
        hr = dd.dd->CreateSurface(&d, &dd.offscreen, nullptr);
        if (hr == DD_OK) break;
    }
    if (hr != DD_OK) {
        dd.offscreen = nullptr;
        GDL_setResult(GDL_NO_OFFSCREEN_MEMORY);
        return 0;
    }
    uint8_t* address = nullptr;
    int32_t pitch = 0;
    if (lockOnce(dd.offscreen, &address, &pitch) != DD_OK) {
        dd.offscreen->Release();
        dd.offscreen = nullptr;
        GDL_setResult(GDL_NO_OFFSCREEN_MEMORY);
        return 0;
    }
    unlockOnce(dd.offscreen);
    dc->type = GDL_DC_OFFSCREEN;
    dc->mode.maxX = d.dwWidth - 1;
    dc->mode.maxY = d.dwHeight - 1;
    dc->surface = dc->frameBase = address;
    dc->mode.bytesPerLine = uint32_t(pitch);
    dc->mode.maxPage = 0;
    dc->bounds = {0, 0, int32_t(d.dwWidth), int32_t(d.dwHeight)};
    if (dc->flags & 0x80) setFillSlots(dc, offscreenFillRect, offscreenFillRect);
    if (dc->flags & 0x400) dc->v.copyWithin = offscreenBitBlt;
    return 1;
}

void DDRAW_lockSurface() {
    gdl_internal::DirectDrawState& dd = ddraw();
    if (!dd.drawing) return;
    retryLost([&] {
        std::memset(&dd.desc, 0, sizeof(dd.desc));
        dd.desc.dwSize = sizeof(dd.desc);
        return dd.drawing->Lock(nullptr, &dd.desc, DDLOCK_WAIT, nullptr);
    });
}

void DDRAW_unlockSurface() {
    gdl_internal::DirectDrawState& dd = ddraw();
    if (dd.drawing) unlockOnce(dd.drawing);
}

void DDRAW_beginAccess() {
    if (++ddraw().lockCount == 0) DDRAW_lockSurface();
}

void DDRAW_endAccess() {
    gdl_internal::DirectDrawState& dd = ddraw();
    // An end without its begin would unlock what a later begin locked.
    if (dd.lockCount < 0) return;
    if (--dd.lockCount == -1) DDRAW_unlockSurface();
}

int32_t DDRAW_lockCount() {
    return ddraw().lockCount;
}

namespace {

bool isDirectDrawContext(GdlDeviceContext* dc) {
    if (!dc) return false;
    GdlDeviceContext* d = GDL_liveDC(dc);
    if (d->type != GDL_DC_FULLSCREEN || !d->driverState) return false;
    const char* name = GDL_modeDriverName(d->driverState->mode);
    return name && std::strncmp(name, "DDRAW", 4) == 0;
}

} // namespace

LPDIRECTDRAWSURFACE GDL_getPrimarySurface(GdlDeviceContext* dc) {
    return isDirectDrawContext(dc) ? ddraw().primary : nullptr;
}

LPDIRECTDRAWSURFACE GDL_getDirectDrawSurface(GdlDeviceContext* dc) {
    return isDirectDrawContext(dc) ? ddraw().drawing : nullptr;
}
