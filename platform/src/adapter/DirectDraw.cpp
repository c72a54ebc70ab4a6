// The DirectDraw object of "ddraw.dll": capabilities and modes from the
// adapter's personality, the exclusive window, display modes, surfaces in
// video memory and palettes.
#include "DirectDrawSurface.h"

#include "platform/User.h"

#include <algorithm>
#include <cstring>

const GUID IID_IDirectDraw2 = {
    0xB3A6F3E0, 0x2B43, 0x11CF, {0xA2, 0xDE, 0x00, 0xAA, 0x00, 0xB9, 0x33, 0x56}};

namespace platform::adapter {

DdState& Dd() {
    static DdState* s = new DdState; // usable from any static's lifetime
    return *s;
}

PixelLayout LayoutOf(const AdapterMode& m) {
    return {m.bits, {m.red, m.green, m.blue}};
}

int PitchOf(int width, int bits) {
    const AdapterPersonality* p = Personality();
    const int align = p && p->pitchAlign > 0 ? p->pitchAlign : 1;
    const int64_t bytes = int64_t(width) * (bits / 8);
    return int((bytes + align - 1) / align * align);
}

namespace {

const AdapterMode* findMode(DWORD width, DWORD height, DWORD bits) {
    const AdapterPersonality* p = Personality();
    if (!p) return nullptr;
    for (const AdapterMode& m : p->modes)
        if (DWORD(m.width) == width && DWORD(m.height) == height && DWORD(m.bits) == bits &&
            !(m.surfaceCaps & DDSCAPS_MODEX))
            return &m;
    return nullptr;
}

void describeMode(const AdapterMode& m, DDSURFACEDESC* d) {
    std::memset(d, 0, sizeof(*d));
    d->dwSize = sizeof(*d);
    d->dwFlags =
        DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_REFRESHRATE | DDSD_CAPS;
    d->dwWidth = DWORD(m.width);
    d->dwHeight = DWORD(m.height);
    d->lPitch = PitchOf(m.width, m.bits);
    d->dwRefreshRate = 60;
    d->ddsCaps.dwCaps = m.surfaceCaps;
    DDPIXELFORMAT& f = d->ddpfPixelFormat;
    f.dwSize = sizeof(f);
    f.dwFlags = DDPF_RGB | (m.bits == 8 ? DDPF_PALETTEINDEXED8 : 0);
    f.dwRGBBitCount = DWORD(m.bits);
    f.dwRBitMask = m.red;
    f.dwGBitMask = m.green;
    f.dwBBitMask = m.blue;
}

DdSurface* newSurface(int width, int height, DWORD caps, HRESULT* error) {
    DdState& d = Dd();
    const int pitch = PitchOf(width, d.layout.bits);
    const uint64_t bytes = uint64_t(pitch) * uint64_t(height);
    uint32_t offset = 0;
    if (bytes > 0xFFFFFFFFu || !AllocateVideo(uint32_t(bytes), &offset)) {
        *error = DDERR_OUTOFVIDEOMEMORY;
        return nullptr;
    }
    auto* s = new DdSurface;
    s->offset = offset;
    s->bytes = uint32_t(bytes);
    s->width = width;
    s->height = height;
    s->pitch = pitch;
    s->layout = d.layout;
    s->caps = caps | DDSCAPS_VIDEOMEMORY;
    d.surfaces.insert(s);
    return s;
}

HRESULT createPrimary(const DDSURFACEDESC& desc, DdSurface** out) {
    DdState& d = Dd();
    if (d.primary) return DDERR_PRIMARYSURFACEALREADYEXISTS;
    if (!d.exclusive || !d.modeSet) return DDERR_NOEXCLUSIVEMODE;
    const bool flip = (desc.ddsCaps.dwCaps & DDSCAPS_FLIP) && (desc.dwFlags & DDSD_BACKBUFFERCOUNT);
    if (flip && (desc.dwBackBufferCount == 0 || desc.dwBackBufferCount > 15))
        return DDERR_INVALIDPARAMS;
    const DWORD chainCaps = flip ? DDSCAPS_FLIP | DDSCAPS_COMPLEX : 0;
    HRESULT error = DD_OK;
    DdSurface* primary = newSurface(
        d.width, d.height, DDSCAPS_PRIMARYSURFACE | DDSCAPS_FRONTBUFFER | chainCaps, &error);
    if (!primary) return error;
    if (flip) {
        primary->chain.push_back(primary);
        for (DWORD i = 0; i < desc.dwBackBufferCount; ++i) {
            DdSurface* back = newSurface(d.width, d.height,
                                         chainCaps | (i == 0 ? DDSCAPS_BACKBUFFER : 0), &error);
            if (!back) {
                primary->Release();
                return error;
            }
            back->owner = primary;
            primary->chain.push_back(back);
        }
    }
    d.primary = primary;
    ScanOut r;
    r.width = d.width;
    r.height = d.height;
    r.pitch = primary->pitch;
    r.bits = d.layout.bits;
    std::copy(d.layout.masks, d.layout.masks + 3, r.masks);
    r.start = primary->offset;
    r.window = d.exclusive;
    SetScanOut(r);
    *out = primary;
    return DD_OK;
}

class DdObject2 final : public IDirectDraw2 {
public:
    HRESULT GetCaps(DDCAPS* driver, DDCAPS* emulation) override {
        std::lock_guard g(adapter::Lock());
        const AdapterPersonality* p = Personality();
        if (!p) return DDERR_GENERIC;
        if ((driver && driver->dwSize != sizeof(DDCAPS)) ||
            (emulation && emulation->dwSize != sizeof(DDCAPS)))
            return DDERR_INVALIDPARAMS;
        if (driver) {
            std::memset(driver, 0, sizeof(*driver));
            driver->dwSize = sizeof(DDCAPS);
            driver->dwCaps = p->ddCaps;
            driver->dwCKeyCaps = p->ckeyCaps;
            driver->dwPalCaps = p->palCaps;
            driver->dwVidMemTotal = p->videoMemory;
            driver->dwVidMemFree = VideoFree();
        }
        if (emulation) {
            std::memset(emulation, 0, sizeof(*emulation));
            emulation->dwSize = sizeof(DDCAPS);
        }
        return DD_OK;
    }

    HRESULT EnumDisplayModes(DWORD, LPDDSURFACEDESC, LPVOID context,
                             LPDDENUMMODESCALLBACK callback) override {
        if (!callback) return DDERR_INVALIDPARAMS;
        std::vector<AdapterMode> modes;
        {
            std::lock_guard g(adapter::Lock());
            if (const AdapterPersonality* p = Personality()) modes = p->modes;
        }
        for (const AdapterMode& m : modes) {
            DDSURFACEDESC d;
            describeMode(m, &d);
            if (callback(&d, context) == DDENUMRET_CANCEL) break;
        }
        return DD_OK;
    }

    HRESULT SetCooperativeLevel(HWND window, DWORD flags) override {
        std::lock_guard g(adapter::Lock());
        DdState& d = Dd();
        if ((flags & DDSCL_EXCLUSIVE) && (flags & DDSCL_FULLSCREEN)) {
            if (!IsWindow(window)) return DDERR_INVALIDPARAMS;
            d.exclusive = window;
            return DD_OK;
        }
        if (flags & DDSCL_NORMAL) {
            d.exclusive = nullptr;
            return DD_OK;
        }
        return DDERR_INVALIDPARAMS;
    }

    HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bits, DWORD refresh, DWORD) override {
        std::lock_guard g(adapter::Lock());
        DdState& d = Dd();
        if (!d.exclusive) return DDERR_NOEXCLUSIVEMODE;
        if (refresh != 0 && refresh != 60) return DDERR_INVALIDMODE;
        const AdapterMode* m = findMode(width, height, bits);
        if (!m) return DDERR_INVALIDMODE;
        if (!platform::SetDisplayMode({m->width, m->height, m->bits, 60})) return DDERR_INVALIDMODE;
        d.modeSet = true;
        d.width = m->width;
        d.height = m->height;
        d.layout = LayoutOf(*m);
        return DD_OK;
    }

    HRESULT RestoreDisplayMode() override {
        std::lock_guard g(adapter::Lock());
        Dd().modeSet = false;
        platform::RestoreDisplayMode();
        DisableScanOut();
        return DD_OK;
    }

    HRESULT CreateSurface(LPDDSURFACEDESC desc, LPDIRECTDRAWSURFACE* out, void*) override {
        std::lock_guard g(adapter::Lock());
        if (!desc || !out || desc->dwSize != sizeof(DDSURFACEDESC)) return DDERR_INVALIDPARAMS;
        *out = nullptr;
        if (!(desc->dwFlags & DDSD_CAPS)) return DDERR_INVALIDCAPS;
        if (desc->ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE) {
            DdSurface* s = nullptr;
            const HRESULT hr = createPrimary(*desc, &s);
            *out = s;
            return hr;
        }
        if (!(desc->ddsCaps.dwCaps & DDSCAPS_OFFSCREENPLAIN)) return DDERR_INVALIDCAPS;
        if ((desc->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT) ||
            desc->dwWidth == 0 || desc->dwHeight == 0 || desc->dwWidth > 32767 ||
            desc->dwHeight > 32767 || !Dd().modeSet)
            return DDERR_INVALIDPARAMS;
        HRESULT error = DD_OK;
        *out = newSurface(int(desc->dwWidth), int(desc->dwHeight), DDSCAPS_OFFSCREENPLAIN, &error);
        return *out ? DD_OK : error;
    }

    HRESULT CreatePalette(DWORD flags, const PALETTEENTRY* entries, LPDIRECTDRAWPALETTE* out,
                          void*) override {
        std::lock_guard g(adapter::Lock());
        if (!out || !(flags & DDPCAPS_8BIT)) return DDERR_INVALIDPARAMS;
        auto* p = new DdPalette(entries);
        Dd().palettes.insert(p);
        *out = p;
        return DD_OK;
    }

    HRESULT WaitForVerticalBlank(DWORD, HANDLE) override {
        WaitRetrace();
        return DD_OK;
    }

    ULONG Release() override { return 0; } // the first interface owns the object
};

class DdObject final : public IDirectDraw {
public:
    HRESULT QueryInterface(const GUID& iid, void** out) override {
        if (!out) return DDERR_INVALIDPARAMS;
        *out = nullptr;
        if (std::memcmp(&iid, &IID_IDirectDraw2, sizeof(GUID)) != 0) return DDERR_UNSUPPORTED;
        *out = static_cast<IDirectDraw2*>(&second_);
        return DD_OK;
    }
    ULONG Release() override {
        std::lock_guard g(adapter::Lock());
        if (Dd().object == this) Dd().object = nullptr;
        delete this;
        return 0;
    }

private:
    DdObject2 second_;
};

} // namespace

void DirectDrawReset() {
    DdState& d = Dd();
    for (DdSurface* s : std::vector<DdSurface*>(d.surfaces.begin(), d.surfaces.end()))
        if (d.surfaces.count(s) && !s->owner) s->Release();
    for (DdPalette* p : std::vector<DdPalette*>(d.palettes.begin(), d.palettes.end()))
        p->Release();
    if (d.object) d.object->Release();
    d.exclusive = nullptr;
    d.modeSet = false;
    d.primary = nullptr;
}

HWND DirectDrawAppSwitchedAway() {
    DdState& d = Dd();
    if (!d.exclusive) return nullptr;
    for (DdSurface* s : d.surfaces)
        s->lost = true;
    return d.exclusive;
}

} // namespace platform::adapter

using namespace platform::adapter;

HRESULT DirectDrawCreate(GUID* driver, LPDIRECTDRAW* object, void*) {
    std::lock_guard g(platform::adapter::Lock());
    if (!object) return DDERR_INVALIDPARAMS;
    *object = nullptr;
    if (driver || !Personality()) return DDERR_NODIRECTDRAWHW;
    if (Dd().object) return DDERR_GENERIC; // one object a process, as the callers keep it
    auto* o = new DdObject;
    Dd().object = o;
    *object = o;
    return DD_OK;
}

HRESULT DirectDrawCreateClipper(DWORD, void** clipper, void*) {
    if (clipper) *clipper = nullptr;
    return DDERR_UNSUPPORTED;
}
