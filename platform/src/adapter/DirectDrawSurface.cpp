// DirectDraw surfaces and palettes over the adapter's video memory: locks
// that wait for another thread a bounded time, flips that turn the memory of
// a chain round, blits and fills by the adapter's capabilities, and the loss
// of everything when the application is switched away.
#include "DirectDrawSurface.h"

#include "platform/User.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

namespace platform::adapter {

namespace {

// Each surface lock opens video memory for writing; a blit does it for its
// own duration.
struct Writing {
    Writing() { OpenForWriting(); }
    ~Writing() { CloseForWriting(); }
    Writing(const Writing&) = delete;
    Writing& operator=(const Writing&) = delete;
};

bool validRect(const RECT& r, const DdSurface& s) {
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom &&
           r.right <= s.width && r.bottom <= s.height;
}

uint32_t readPixel(const uint8_t* p, int bytes) {
    uint32_t v = 0;
    std::memcpy(&v, p, size_t(bytes));
    return v;
}

void writePixel(uint8_t* p, uint32_t v, int bytes) {
    std::memcpy(p, &v, size_t(bytes));
}

uint32_t applyRop(DWORD rop, uint32_t src, uint32_t dst) {
    switch (rop) {
        case DD_SRCPAINT: return src | dst;
        case DD_SRCINVERT: return src ^ dst;
        case DD_SRCERASE: return src & ~dst;
        case DD_SRCAND: return src & dst;
        default: return src;
    }
}

bool knownRop(DWORD rop) {
    return rop == DD_SRCCOPY || rop == DD_SRCPAINT || rop == DD_SRCINVERT || rop == DD_SRCERASE ||
           rop == DD_SRCAND;
}

DdSurface* asSurface(LPDIRECTDRAWSURFACE s) {
    auto* d = static_cast<DdSurface*>(s);
    return d && Dd().surfaces.count(d) ? d : nullptr;
}

// Another thread's lock: DDLOCK_WAIT waits up to 100 ms of real time.
bool waitForHolder(DdSurface& s, DWORD flags, std::unique_lock<std::recursive_mutex>& lock) {
    const auto me = std::this_thread::get_id();
    if (s.depth == 0 || s.holder == me) return true;
    if (!(flags & DDLOCK_WAIT)) return false;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
    while (s.depth > 0 && s.holder != me)
        if (Dd().unlocked.wait_until(lock, until) == std::cv_status::timeout) break;
    return s.depth == 0 || s.holder == me;
}

} // namespace

// --- Palettes -------------------------------------------------------------------------

DdPalette::DdPalette(const PALETTEENTRY* from) {
    if (from) std::copy(from, from + 256, entries);
}

HRESULT DdPalette::SetEntries(DWORD, DWORD first, DWORD count, const PALETTEENTRY* from) {
    {
        std::lock_guard g(adapter::Lock());
        if (!from || first > 256 || count > 256 - first) return DDERR_INVALIDPARAMS;
        std::copy(from, from + count, entries + first);
        if (!attached) return DD_OK;
    }
    SetScanOutPalette(int(first), int(count), entries + first);
    return DD_OK;
}

HRESULT DdPalette::GetEntries(DWORD, DWORD first, DWORD count, PALETTEENTRY* out) {
    std::lock_guard g(adapter::Lock());
    if (!out || first > 256 || count > 256 - first) return DDERR_INVALIDPARAMS;
    std::copy(entries + first, entries + first + count, out);
    return DD_OK;
}

ULONG DdPalette::Release() {
    std::lock_guard g(adapter::Lock());
    if (Dd().primary && Dd().primary->palette == this) Dd().primary->palette = nullptr;
    Dd().palettes.erase(this);
    delete this;
    return 0;
}

// --- Surfaces ---------------------------------------------------------------------------

bool DdSurface::IsFront() const {
    const ScanOut r = CurrentScanOut();
    return r.enabled && r.start == offset;
}

HRESULT DdSurface::Lock(LPRECT rect, LPDDSURFACEDESC desc, DWORD flags, HANDLE) {
    std::unique_lock lock(adapter::Lock());
    if (rect) return DDERR_INVALIDPARAMS; // the callers lock whole surfaces
    if (!desc || desc->dwSize != sizeof(DDSURFACEDESC)) return DDERR_INVALIDPARAMS;
    if (lost) return DDERR_SURFACELOST;
    if (!waitForHolder(*this, flags, lock))
        return (flags & DDLOCK_WAIT) ? DDERR_SURFACEBUSY : DDERR_WASSTILLDRAWING;
    if (lost) return DDERR_SURFACELOST;
    GetSurfaceDesc(desc);
    desc->dwFlags |= DDSD_LPSURFACE;
    desc->lpSurface = Pixels();
    if (depth++ == 0) {
        holder = std::this_thread::get_id();
        OpenForWriting();
    }
    return DD_OK;
}

HRESULT DdSurface::Unlock(LPVOID) {
    bool show = false;
    {
        std::lock_guard g(adapter::Lock());
        if (depth == 0 || holder != std::this_thread::get_id()) return DDERR_NOTLOCKED;
        if (--depth == 0) {
            holder = {};
            CloseForWriting();
            Dd().unlocked.notify_all();
            show = IsFront();
        }
        if (lost) return DDERR_SURFACELOST;
    }
    if (show) ShowScanOut();
    return DD_OK;
}

HRESULT DdSurface::Flip(LPDIRECTDRAWSURFACE target, DWORD) {
    {
        std::lock_guard g(adapter::Lock());
        if (chain.size() < 2) return DDERR_NOTFLIPPABLE;
        if (lost) return DDERR_SURFACELOST;
        DdSurface* to = target ? asSurface(target) : chain[1];
        if (!to || std::find(chain.begin(), chain.end(), to) == chain.end() || to == this)
            return DDERR_INVALIDPARAMS;
        for (DdSurface* s : chain)
            if (s->depth > 0) return DDERR_SURFACEBUSY;
        // Turn the memory round until the target's memory is in front; the
        // interfaces keep their places in the chain.
        const uint32_t wanted = to->offset;
        while (chain[0]->offset != wanted) {
            const uint32_t first = chain[0]->offset;
            for (size_t i = 0; i + 1 < chain.size(); ++i)
                chain[i]->offset = chain[i + 1]->offset;
            chain.back()->offset = first;
        }
    }
    WaitRetrace();
    SetScanOutStart(offset);
    return DD_OK;
}

HRESULT DdSurface::Blit(const RECT& d, DdSurface* source, const RECT& from, DWORD rop,
                        bool useSrcKey, bool useDstKey) {
    const int bytes = layout.bits / 8;
    const int w = d.right - d.left, h = d.bottom - d.top;
    std::vector<uint8_t> copy(size_t(w) * size_t(bytes) * size_t(h));
    for (int y = 0; y < h; ++y)
        std::memcpy(&copy[size_t(y) * size_t(w) * size_t(bytes)],
                    source->Pixels() + size_t(from.top + y) * size_t(source->pitch) +
                        size_t(from.left) * size_t(bytes),
                    size_t(w) * size_t(bytes));
    Writing open;
    for (int y = 0; y < h; ++y) {
        uint8_t* out =
            Pixels() + size_t(d.top + y) * size_t(pitch) + size_t(d.left) * size_t(bytes);
        const uint8_t* in = &copy[size_t(y) * size_t(w) * size_t(bytes)];
        for (int x = 0; x < w; ++x, out += bytes, in += bytes) {
            const uint32_t s = readPixel(in, bytes), t = readPixel(out, bytes);
            if (useSrcKey && s == source->srcKey.dwColorSpaceLowValue) continue;
            if (useDstKey && t != dstKey.dwColorSpaceLowValue) continue;
            writePixel(out, applyRop(rop, s, t), bytes);
        }
    }
    return DD_OK;
}

HRESULT DdSurface::Blt(LPRECT destRect, LPDIRECTDRAWSURFACE source, LPRECT sourceRect, DWORD flags,
                       DDBLTFX* fx) {
    bool show = false;
    {
        std::lock_guard g(adapter::Lock());
        const AdapterPersonality* p = Personality();
        if (!p) return DDERR_GENERIC;
        if (lost) return DDERR_SURFACELOST;
        const RECT d = destRect ? *destRect : RECT{0, 0, width, height};
        if (!validRect(d, *this)) return DDERR_INVALIDRECT;
        if (depth > 0 && holder != std::this_thread::get_id()) return DDERR_SURFACEBUSY;
        const DWORD rop = (flags & DDBLT_ROP) && fx ? fx->dwROP : DD_SRCCOPY;
        if (!knownRop(rop)) return DDERR_INVALIDPARAMS;
        if (flags & DDBLT_COLORFILL) {
            if (!fx || fx->dwSize != sizeof(DDBLTFX)) return DDERR_INVALIDPARAMS;
            if (!(p->ddCaps & DDCAPS_BLTCOLORFILL)) return DDERR_NOBLTHW;
            const int bytes = layout.bits / 8;
            Writing open;
            for (int y = d.top; y < d.bottom; ++y) {
                uint8_t* out =
                    Pixels() + size_t(y) * size_t(pitch) + size_t(d.left) * size_t(bytes);
                for (int x = d.left; x < d.right; ++x, out += bytes)
                    writePixel(out, applyRop(rop, fx->dwFillColor, readPixel(out, bytes)), bytes);
            }
        } else {
            DdSurface* from = asSurface(source);
            if (!from) return DDERR_INVALIDPARAMS;
            if (from->lost) return DDERR_SURFACELOST;
            if (!(p->ddCaps & DDCAPS_BLT)) return DDERR_NOBLTHW;
            const RECT s = sourceRect ? *sourceRect : RECT{0, 0, from->width, from->height};
            if (!validRect(s, *from) || s.right - s.left != d.right - d.left ||
                s.bottom - s.top != d.bottom - d.top || from->layout.bits != layout.bits)
                return DDERR_INVALIDRECT; // no stretching
            Blit(d, from, s, rop, false, false);
        }
        show = IsFront();
    }
    if (show) ShowScanOut();
    return DD_OK;
}

HRESULT DdSurface::BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE source, LPRECT sourceRect,
                           DWORD flags) {
    bool show = false;
    {
        std::lock_guard g(adapter::Lock());
        const AdapterPersonality* p = Personality();
        DdSurface* from = asSurface(source);
        if (!p || !from) return DDERR_INVALIDPARAMS;
        if (lost || from->lost) return DDERR_SURFACELOST;
        if (!(p->ddCaps & DDCAPS_BLT)) return DDERR_NOBLTHW;
        const bool srcKey = flags & DDBLTFAST_SRCCOLORKEY, dstKey = flags & DDBLTFAST_DESTCOLORKEY;
        if ((srcKey && !(p->ckeyCaps & DDCKEYCAPS_SRCBLT)) ||
            (dstKey && !(p->ckeyCaps & DDCKEYCAPS_DESTBLT)))
            return DDERR_NOCOLORKEYHW;
        const RECT s = sourceRect ? *sourceRect : RECT{0, 0, from->width, from->height};
        if (x > 32767 || y > 32767) return DDERR_INVALIDRECT;
        const RECT d{LONG(x), LONG(y), LONG(x) + s.right - s.left, LONG(y) + s.bottom - s.top};
        if (!validRect(s, *from) || !validRect(d, *this) || from->layout.bits != layout.bits)
            return DDERR_INVALIDRECT;
        if (depth > 0 && holder != std::this_thread::get_id()) return DDERR_SURFACEBUSY;
        Blit(d, from, s, DD_SRCCOPY, srcKey && from->hasSrcKey, dstKey && hasDstKey);
        show = IsFront();
    }
    if (show) ShowScanOut();
    return DD_OK;
}

HRESULT DdSurface::SetColorKey(DWORD flags, DDCOLORKEY* key) {
    std::lock_guard g(adapter::Lock());
    if (!key) return DDERR_INVALIDPARAMS;
    if (flags & DDCKEY_SRCBLT) {
        srcKey = *key;
        hasSrcKey = true;
    } else if (flags & DDCKEY_DESTBLT) {
        dstKey = *key;
        hasDstKey = true;
    } else {
        return DDERR_INVALIDPARAMS;
    }
    return DD_OK;
}

HRESULT DdSurface::GetSurfaceDesc(LPDDSURFACEDESC desc) {
    std::lock_guard g(adapter::Lock());
    if (!desc || desc->dwSize != sizeof(DDSURFACEDESC)) return DDERR_INVALIDPARAMS;
    std::memset(desc, 0, sizeof(*desc));
    desc->dwSize = sizeof(DDSURFACEDESC);
    desc->dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
    desc->dwWidth = DWORD(width);
    desc->dwHeight = DWORD(height);
    desc->lPitch = pitch;
    desc->ddsCaps.dwCaps = caps;
    DDPIXELFORMAT& f = desc->ddpfPixelFormat;
    f.dwSize = sizeof(DDPIXELFORMAT);
    f.dwFlags = DDPF_RGB | (layout.bits == 8 ? DDPF_PALETTEINDEXED8 : 0);
    f.dwRGBBitCount = DWORD(layout.bits);
    f.dwRBitMask = layout.masks[0];
    f.dwGBitMask = layout.masks[1];
    f.dwBBitMask = layout.masks[2];
    return DD_OK;
}

HRESULT DdSurface::GetCaps(DDSCAPS* out) {
    if (!out) return DDERR_INVALIDPARAMS;
    out->dwCaps = caps;
    return DD_OK;
}

HRESULT DdSurface::EnumAttachedSurfaces(LPVOID context, LPDDENUMSURFACESCALLBACK callback) {
    if (!callback) return DDERR_INVALIDPARAMS;
    DdSurface* next = nullptr;
    DDSURFACEDESC desc{};
    {
        std::lock_guard g(adapter::Lock());
        const std::vector<DdSurface*>& c = owner ? owner->chain : chain;
        const auto at = std::find(c.begin(), c.end(), this);
        if (c.size() < 2 || at == c.end()) return DD_OK;
        next = c[size_t((at - c.begin() + 1) % ptrdiff_t(c.size()))];
        desc.dwSize = sizeof(desc);
        next->GetSurfaceDesc(&desc);
    }
    // The surfaces of a chain belong to its primary: the callback gets them
    // without a reference of its own.
    callback(next, &desc, context);
    return DD_OK;
}

HRESULT DdSurface::SetPalette(LPDIRECTDRAWPALETTE palette) {
    PALETTEENTRY entries[256];
    {
        std::lock_guard g(adapter::Lock());
        auto* p = static_cast<DdPalette*>(palette);
        if (p && !Dd().palettes.count(p)) return DDERR_INVALIDPARAMS;
        if (layout.bits != 8) return DDERR_NOTPALETTIZED;
        if (this->palette) this->palette->attached = false;
        this->palette = p;
        if (!p || this != Dd().primary) return DD_OK;
        p->attached = true;
        std::copy(p->entries, p->entries + 256, entries);
    }
    SetScanOutPalette(0, 256, entries);
    return DD_OK;
}

HRESULT DdSurface::IsLost() {
    std::lock_guard g(adapter::Lock());
    return lost ? DDERR_SURFACELOST : DD_OK;
}

HRESULT DdSurface::Restore() {
    std::lock_guard g(adapter::Lock());
    if (!lost) return DD_OK;
    HWND w = Dd().exclusive;
    if (!w || GetActiveWindow() != w || IsIconic(w)) return DDERR_NOEXCLUSIVEMODE;
    // A chain comes back whole.
    if (!chain.empty())
        for (DdSurface* s : chain)
            s->lost = false;
    lost = false;
    return DD_OK;
}

ULONG DdSurface::Release() {
    std::lock_guard g(adapter::Lock());
    if (owner) return 1; // back buffers go with their primary
    DdState& d = Dd();
    std::vector<DdSurface*> all = chain.empty() ? std::vector<DdSurface*>{this} : chain;
    for (DdSurface* s : all) {
        FreeVideo(s->offset);
        if (s->depth > 0) CloseForWriting();
        d.surfaces.erase(s);
    }
    if (d.primary == this) {
        d.primary = nullptr;
        DisableScanOut();
    }
    if (palette) palette->attached = false;
    for (DdSurface* s : all)
        delete s;
    return 0;
}

} // namespace platform::adapter
