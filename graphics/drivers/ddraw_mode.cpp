// The DirectDraw mode set: the full-screen window, the exclusive level, the
// display mode, the primary surface with its flip chain, the palette, and
// leaving it all again; the names of DirectDraw's result codes.
#include <cstdio>
#include <cstring>

#include "ddraw_state.h"
#include "gdl/ddraw.h"
#include "gdl/event.h"
#include "gdl/result.h"
#include "gdl/windows.h"
#include "platform/User.h"

using gdl_internal::ddraw;

namespace {

struct ErrorName {
    HRESULT code;
    const char* name;
};

// The DirectDraw codes of facility 876h, by their published numbers.
constexpr struct {
    int code;
    const char* name;
} kDdErrors[] = {
    {5, "DDERR_ALREADYINITIALIZED"},
    {10, "DDERR_CANNOTATTACHSURFACE"},
    {20, "DDERR_CANNOTDETACHSURFACE"},
    {40, "DDERR_CURRENTLYNOTAVAIL"},
    {55, "DDERR_EXCEPTION"},
    {90, "DDERR_HEIGHTALIGN"},
    {95, "DDERR_INCOMPATIBLEPRIMARY"},
    {100, "DDERR_INVALIDCAPS"},
    {110, "DDERR_INVALIDCLIPLIST"},
    {120, "DDERR_INVALIDMODE"},
    {130, "DDERR_INVALIDOBJECT"},
    {145, "DDERR_INVALIDPIXELFORMAT"},
    {150, "DDERR_INVALIDRECT"},
    {160, "DDERR_LOCKEDSURFACES"},
    {170, "DDERR_NO3D"},
    {180, "DDERR_NOALPHAHW"},
    {205, "DDERR_NOCLIPLIST"},
    {210, "DDERR_NOCOLORCONVHW"},
    {212, "DDERR_NOCOOPERATIVELEVELSET"},
    {215, "DDERR_NOCOLORKEY"},
    {220, "DDERR_NOCOLORKEYHW"},
    {222, "DDERR_NODIRECTDRAWSUPPORT"},
    {225, "DDERR_NOEXCLUSIVEMODE"},
    {230, "DDERR_NOFLIPHW"},
    {240, "DDERR_NOGDI"},
    {250, "DDERR_NOMIRRORHW"},
    {255, "DDERR_NOTFOUND"},
    {260, "DDERR_NOOVERLAYHW"},
    {280, "DDERR_NORASTEROPHW"},
    {290, "DDERR_NOROTATIONHW"},
    {310, "DDERR_NOSTRETCHHW"},
    {316, "DDERR_NOT4BITCOLOR"},
    {317, "DDERR_NOT4BITCOLORINDEX"},
    {320, "DDERR_NOT8BITCOLOR"},
    {330, "DDERR_NOTEXTUREHW"},
    {335, "DDERR_NOVSYNCHW"},
    {340, "DDERR_NOZBUFFERHW"},
    {350, "DDERR_NOZOVERLAYHW"},
    {360, "DDERR_OUTOFCAPS"},
    {380, "DDERR_OUTOFVIDEOMEMORY"},
    {382, "DDERR_OVERLAYCANTCLIP"},
    {384, "DDERR_OVERLAYCOLORKEYONLYONEACTIVE"},
    {387, "DDERR_PALETTEBUSY"},
    {400, "DDERR_COLORKEYNOTSET"},
    {410, "DDERR_SURFACEALREADYATTACHED"},
    {420, "DDERR_SURFACEALREADYDEPENDENT"},
    {430, "DDERR_SURFACEBUSY"},
    {435, "DDERR_CANTLOCKSURFACE"},
    {440, "DDERR_SURFACEISOBSCURED"},
    {450, "DDERR_SURFACELOST"},
    {460, "DDERR_SURFACENOTATTACHED"},
    {470, "DDERR_TOOBIGHEIGHT"},
    {480, "DDERR_TOOBIGSIZE"},
    {490, "DDERR_TOOBIGWIDTH"},
    {510, "DDERR_UNSUPPORTEDFORMAT"},
    {511, "DDERR_UNSUPPORTEDMASK"},
    {537, "DDERR_VERTICALBLANKINPROGRESS"},
    {540, "DDERR_WASSTILLDRAWING"},
    {560, "DDERR_XALIGN"},
    {561, "DDERR_INVALIDDIRECTDRAWGUID"},
    {562, "DDERR_DIRECTDRAWALREADYCREATED"},
    {563, "DDERR_NODIRECTDRAWHW"},
    {564, "DDERR_PRIMARYSURFACEALREADYEXISTS"},
    {565, "DDERR_NOEMULATION"},
    {566, "DDERR_REGIONTOOSMALL"},
    {567, "DDERR_CLIPPERISUSINGHWND"},
    {568, "DDERR_NOCLIPPERATTACHED"},
    {569, "DDERR_NOHWND"},
    {570, "DDERR_HWNDSUBCLASSED"},
    {571, "DDERR_HWNDALREADYSET"},
    {572, "DDERR_NOPALETTEATTACHED"},
    {573, "DDERR_NOPALETTEHW"},
    {574, "DDERR_BLTFASTCANTCLIP"},
    {575, "DDERR_NOBLTHW"},
    {576, "DDERR_NODDROPSHW"},
    {577, "DDERR_OVERLAYNOTVISIBLE"},
    {578, "DDERR_NOOVERLAYDEST"},
    {579, "DDERR_INVALIDPOSITION"},
    {580, "DDERR_NOTAOVERLAYSURFACE"},
    {581, "DDERR_EXCLUSIVEMODEALREADYSET"},
    {582, "DDERR_NOTFLIPPABLE"},
    {583, "DDERR_CANTDUPLICATE"},
    {584, "DDERR_NOTLOCKED"},
    {585, "DDERR_CANTCREATEDC"},
    {586, "DDERR_NODC"},
    {587, "DDERR_WRONGMODE"},
    {588, "DDERR_IMPLICITLYCREATED"},
    {589, "DDERR_NOTPALETTIZED"},
    {590, "DDERR_UNSUPPORTEDMODE"},
    {591, "DDERR_NOMIPMAPHW"},
    {592, "DDERR_INVALIDSURFACETYPE"},
    {620, "DDERR_DCALREADYCREATED"},
    {640, "DDERR_CANTPAGELOCK"},
    {660, "DDERR_CANTPAGEUNLOCK"},
    {680, "DDERR_NOTPAGELOCKED"},
};

constexpr ErrorName kGeneral[] = {
    {DDERR_GENERIC, "DDERR_GENERIC"},
    {DDERR_UNSUPPORTED, "DDERR_UNSUPPORTED"},
    {DDERR_OUTOFMEMORY, "DDERR_OUTOFMEMORY"},
    {DDERR_INVALIDPARAMS, "DDERR_INVALIDPARAMS"},
    {DDERR_NOTINITIALIZED, "DDERR_NOTINITIALIZED"},
};

// The failure box of a mode set: the init fails. The windows go back as
// leaving gives them: the library's own window goes, a window the program
// offered is given back and its main window comes back.
int32_t failure(const char* format, HRESULT hr) {
    char text[160];
    std::snprintf(text, sizeof(text), format, DDRAW_errorName(hr));
    GDL_leaveFailedStart();
    MessageBoxA(nullptr, text, "GDL DirectDraw failure", MB_ICONEXCLAMATION);
    return 0;
}

// The chain cannot be locked: a box, the desktop back, and the init fails.
bool fatal(const char* text) {
    MessageBoxA(nullptr, text, "DirectDraw Fatal Error!", MB_ICONEXCLAMATION);
    DDRAW_releaseSurfaces();
    GDL_restoreDesktopMode();
    return false;
}

const char kCannotLock[] = "Cannot lock surface (real DirectDraw Drivers not installed)!\n\n"
                           "Please contact your vendor for updated display drivers.";

struct Walk {
    gdl_internal::DirectDrawState* dd;
    bool first;
};

HRESULT CALLBACK appendAttached(LPDIRECTDRAWSURFACE s, LPDDSURFACEDESC desc, LPVOID context) {
    auto* walk = static_cast<Walk*>(context);
    gdl_internal::DirectDrawState& dd = *walk->dd;
    // Only as many pages as the tables hold.
    if (dd.surfaceCount >= dd.pageCount || dd.surfaceCount >= 8) return DDENUMRET_CANCEL;
    if (walk->first && !(desc->ddsCaps.dwCaps & DDSCAPS_BACKBUFFER)) return DDENUMRET_OK;
    dd.pages[dd.surfaceCount++] = s;
    return DDENUMRET_OK;
}

// Locks a surface once for its address and pitch.
bool addressOf(LPDIRECTDRAWSURFACE s, uint8_t** address, int32_t* pitch) {
    gdl_internal::DirectDrawState& dd = ddraw();
    std::memset(&dd.desc, 0, sizeof(dd.desc));
    dd.desc.dwSize = sizeof(dd.desc);
    if (s->Lock(nullptr, &dd.desc, DDLOCK_WAIT, nullptr) != DD_OK) return false;
    *address = static_cast<uint8_t*>(dd.desc.lpSurface);
    if (pitch) *pitch = dd.desc.lPitch;
    s->Unlock(dd.desc.lpSurface);
    return true;
}

void classify(GdlDeviceContext* dc) {
    gdl_internal::DirectDrawState& dd = ddraw();
    DDSURFACEDESC d{};
    d.dwSize = sizeof(d);
    if (dd.primary->GetSurfaceDesc(&d) != DD_OK) return;
    const DDPIXELFORMAT& f = d.ddpfPixelFormat;
    if (f.dwRGBBitCount != 16) return;
    // A 16-bit surface is 5:6:5 or 5:5:5 whatever the mode's number said.
    const bool six = f.dwRBitMask == 0xF800;
    dc->mode.bitsPerPixel = six ? 16 : 15;
    dc->mode.maxColor = six ? 65535 : 32767;
    const uint32_t fields[8] = {5, six ? 11u : 10u, six ? 6u : 5u, 5, 5,
                                0, six ? 0u : 1u,   six ? 0u : 15u};
    std::memcpy(&dc->mode.redSize, fields, sizeof(fields));
}

HRESULT createPrimary(int32_t pages) {
    gdl_internal::DirectDrawState& dd = ddraw();
    DDSURFACEDESC d{};
    d.dwSize = sizeof(d);
    if (pages == 1) {
        d.dwFlags = DDSD_CAPS;
        d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_VIDEOMEMORY;
    } else {
        d.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
        d.ddsCaps.dwCaps =
            DDSCAPS_PRIMARYSURFACE | DDSCAPS_VIDEOMEMORY | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
        d.dwBackBufferCount = DWORD(pages - 1);
    }
    HRESULT hr = dd.dd->CreateSurface(&d, &dd.primary, nullptr);
    if (hr == DD_OK) return hr;
    d.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    d.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    d.dwBackBufferCount = DWORD(pages - 1);
    return dd.dd->CreateSurface(&d, &dd.primary, nullptr);
}

} // namespace

const char* DDRAW_errorName(HRESULT result) {
    for (const ErrorName& e : kGeneral)
        if (e.code == result) return e.name;
    for (const auto& e : kDdErrors)
        if (MAKE_DDHRESULT(e.code) == result) return e.name;
    return "Unknown error code";
}

HWND GDL_createFullscreenWindow() {
    gdl_internal::DirectDrawState& dd = ddraw();
    HWND w = GDL_getFullScreenWindow();
    if (!w || !IsWindow(w)) {
        HWND app = GDL_getAppWindow();
        if (app && IsWindow(app)) {
            GDL_makeFullScreenWindow(app, dd.width, dd.height);
            w = app;
        } else {
            char title[81] = {};
            if (LoadStringA(GDL_getAppInstance(), 1, title, sizeof(title)) <= 0)
                std::strcpy(title, "GDL Fullscreen Application");
            w = CreateWindowExA(WS_EX_APPWINDOW, "GDLDirectDrawWindow", title,
                                WS_POPUP | WS_SYSMENU, 0, 0, dd.width, dd.height, nullptr, nullptr,
                                GDL_getAppInstance(), nullptr);
            if (!w) return nullptr;
            ShowCursor(FALSE);
            SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
            ShowWindow(w, SW_SHOW);
        }
        GDL_setFullScreenState(GDL_FS_DDRAW, w, dd.width, dd.height);
    }
    SetFocus(w);
    SetForegroundWindow(w);
    return w;
}

int32_t DDRAW_setMode(GdlDeviceContext* dc, int32_t x, int32_t y, int32_t pages, int32_t reserved,
                      int32_t refresh) {
    gdl_internal::DirectDrawState& dd = ddraw();
    // More pages than the page tables hold are refused like any bad request.
    if (reserved != 0 || pages == 0 || pages > 8 || !dd.dd) return 0;
    if (x != -1 && y != -1 && (uint32_t(x) != dc->mode.maxX || uint32_t(y) != dc->mode.maxY))
        return 0;
    dd.width = int32_t(dc->mode.maxX) + 1;
    dd.height = int32_t(dc->mode.maxY) + 1;
    GDL_hideMainWindow();
    const int32_t kind = GDL_fullScreenKind();
    if (kind == GDL_FS_FSDIRECT || kind == GDL_FS_DIB || (kind == GDL_FS_DDRAW && dd.displayOnly))
        GDL_restoreDesktopMode();
    dd.displayOnly = pages < 0;
    HWND w = GDL_createFullscreenWindow();
    if (!w) return failure("SetCooperativeLevel failed (%s)!", MAKE_DDHRESULT(569));
    HRESULT hr = dd.dd->SetCooperativeLevel(w, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN);
    if (hr != DD_OK) return failure("SetCooperativeLevel failed (%s)!", hr);
    const DWORD bits = dc->mode.bitsPerPixel == 15 ? 16 : dc->mode.bitsPerPixel;
    hr = dd.dd->SetDisplayMode(DWORD(dd.width), DWORD(dd.height), bits,
                               refresh == -1 ? 0 : DWORD(refresh), 0);
    if (hr != DD_OK) hr = dd.dd->SetDisplayMode(DWORD(dd.width), DWORD(dd.height), bits, 0, 0);
    if (hr != DD_OK) return failure("SetDisplayMode failed (%s)!", hr);
    GDL_setFullScreenState(GDL_FS_DDRAW, w, dd.width, dd.height);
    if (pages >= 1) {
        dc->mode.maxPage = uint32_t(pages - 1);
        hr = createPrimary(pages);
        if (hr != DD_OK) {
            dd.dd->RestoreDisplayMode();
            return failure("CreateSurface failed (%s)!", hr);
        }
        dd.pageCount = pages;
        if (!DDRAW_lockSurfaces(dc)) return 0;
        classify(dc);
        if (dc->mode.bitsPerPixel == 8) {
            PALETTEENTRY zero[256] = {};
            if (dd.dd->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, zero, &dd.palette, nullptr) ==
                DD_OK)
                dd.primary->SetPalette(dd.palette);
            dc->driverState->dac8Bit = 1;
        }
        dc->flags =
            (dc->flags & ~GDL_ACCESS_MASK) | ((dd.caps.dwCaps & DDCAPS_BANKSWITCHED) ? 1u : 2u);
    }
    dc->driverState->stereoFlags = 0;
    GDL_initEvents(w);
    GDL_subclassWindow(w);
    return 1;
}

bool DDRAW_lockSurfaces(GdlDeviceContext* dc) {
    gdl_internal::DirectDrawState& dd = ddraw();
    std::memset(&dd.fx, 0, sizeof(dd.fx));
    dd.fx.dwSize = sizeof(dd.fx);
    uint8_t* address = nullptr;
    int32_t pitch = 0;
    if (!dd.primary || !addressOf(dd.primary, &address, &pitch)) return fatal(kCannotLock);
    dc->surface = dc->frameBase = address;
    dc->mode.bytesPerLine = uint32_t(pitch);
    dd.surfaceCount = 1;
    dd.pages[0] = dd.primary;
    dd.addresses[0] = address;
    Walk walk{&dd, true};
    while (dd.surfaceCount < dd.pageCount && dd.surfaceCount < 8) {
        const int32_t before = dd.surfaceCount;
        walk.first = before == 1;
        dd.pages[before - 1]->EnumAttachedSurfaces(&walk, appendAttached);
        if (dd.surfaceCount == before) break;
        if (!addressOf(dd.pages[before], &dd.addresses[before], nullptr)) return fatal(kCannotLock);
    }
    return true;
}

void DDRAW_releaseSurfaces() {
    gdl_internal::DirectDrawState& dd = ddraw();
    if (dd.offscreen) dd.offscreen->Release();
    if (dd.primary) dd.primary->Release();
    if (dd.palette) dd.palette->Release();
    dd.offscreen = nullptr;
    dd.primary = nullptr;
    dd.palette = nullptr;
    dd.drawing = nullptr;
    dd.surfaceCount = dd.pageCount = 0;
    std::memset(dd.pages, 0, sizeof(dd.pages));
    std::memset(dd.addresses, 0, sizeof(dd.addresses));
    dd.lockCount = -1;
    // Leaving the mode: the desktop comes back through the Windows layer.
    GDL_restoreDesktopMode();
}
