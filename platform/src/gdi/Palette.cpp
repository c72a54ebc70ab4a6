// Logical palettes and the simulated system palette.
//
// On a true-colour desktop palettes only carry colours (DIB_PAL_COLORS, the
// callers' own bookkeeping); realising one changes nothing. On an 8-bit
// desktop the foreground realisation copies the logical entries into the
// system palette at the same indexes, leaving the static colours alone
// unless the system palette use says otherwise: the identity mapping that
// palette-aware programs set up for themselves.
#include "../kernel/OutOfMemory.h"
#include "GdiInternal.h"

#include <algorithm>
#include <cstring>

namespace platform::gdi {
namespace {

// Whether system entry `i` may be changed by a realisation.
bool Free(UINT use, int i) {
    switch (use) {
        case SYSPAL_NOSTATIC256: return true;
        case SYSPAL_NOSTATIC: return i != 0 && i != 255;
        default: return i >= 10 && i < 246;
    }
}

void RestoreStatics(State& s) {
    for (int i = 0; i < 10; ++i) {
        s.system[i] = kStaticColors[i];
        s.system[246 + i] = kStaticColors[10 + i];
    }
}

// Copies the palette's entries into the free system entries; the count of
// system entries whose colour changed.
UINT MapIntoSystem(State& s, const Palette& p, UINT start, UINT count) {
    UINT changed = 0;
    const UINT end = std::min<UINT>(start + count, std::min<UINT>(p.entries.size(), 256));
    for (UINT i = start; i < end; ++i) {
        const PALETTEENTRY& e = p.entries[i];
        if ((e.peFlags & PC_EXPLICIT) || !Free(s.systemUse, static_cast<int>(i))) continue;
        PALETTEENTRY& slot = s.system[i];
        if (slot.peRed != e.peRed || slot.peGreen != e.peGreen || slot.peBlue != e.peBlue)
            ++changed;
        slot = {e.peRed, e.peGreen, e.peBlue, 0};
    }
    return changed;
}

} // namespace
} // namespace platform::gdi

using namespace platform::gdi;

HPALETTE CreatePalette(const LOGPALETTE* logical) {
    return platform::OrOutOfMemory<HPALETTE>(nullptr, [&]() -> HPALETTE {
        if (!logical || logical->palVersion != 0x300 || logical->palNumEntries == 0) return nullptr;
        std::lock_guard guard(GetState().lock);
        auto p = std::make_unique<Palette>();
        p->entries.assign(logical->palPalEntry, logical->palPalEntry + logical->palNumEntries);
        return reinterpret_cast<HPALETTE>(Adopt(std::move(p)));
    });
}

HPALETTE SelectPalette(HDC handle, HPALETTE palette, BOOL forceBackground) {
    std::lock_guard guard(GetState().lock);
    Dc* dc = AsDc(handle);
    Palette* p = As<Palette>(palette, Kind::Palette);
    if (!dc || !p) return nullptr;
    Palette* old = dc->palette;
    dc->palette = p;
    dc->paletteBackground = forceBackground != FALSE;
    return reinterpret_cast<HPALETTE>(old);
}

UINT RealizePalette(HDC handle) {
    State& s = GetState();
    std::lock_guard guard(s.lock);
    Dc* dc = AsDc(handle);
    if (!dc) return static_cast<UINT>(GDI_ERROR);
    if (!DesktopIsPaletted() || dc->paletteBackground || !dc->palette) return 0;
    if (dc->palette == DefaultPalette()) return 0;
    s.realized = dc->palette;
    return MapIntoSystem(s, *dc->palette, 0, static_cast<UINT>(dc->palette->entries.size()));
}

BOOL UnrealizeObject(HGDIOBJ object) {
    State& s = GetState();
    std::lock_guard guard(s.lock);
    Object* o = Lookup(object);
    if (!o) return FALSE;
    // The next realisation maps the palette afresh, which ours always does.
    if (s.realized == o) s.realized = nullptr;
    return TRUE;
}

BOOL AnimatePalette(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries) {
    State& s = GetState();
    std::lock_guard guard(s.lock);
    Palette* p = As<Palette>(palette, Kind::Palette);
    if (!p || !entries) return FALSE;
    const UINT end = std::min<UINT>(start + count, static_cast<UINT>(p->entries.size()));
    for (UINT i = start; i < end; ++i) {
        // Only entries created as animatable may change.
        if (!(p->entries[i].peFlags & PC_RESERVED)) continue;
        p->entries[i] = entries[i - start];
        p->entries[i].peFlags |= PC_RESERVED;
    }
    if (s.realized == p && DesktopIsPaletted() && start < end)
        MapIntoSystem(s, *p, start, end - start);
    return TRUE;
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries) {
    std::lock_guard guard(GetState().lock);
    Palette* p = As<Palette>(palette, Kind::Palette);
    if (!p) return 0;
    const UINT size = static_cast<UINT>(p->entries.size());
    if (!entries) return size;
    if (start >= size) return 0;
    const UINT n = std::min(count, size - start);
    std::memcpy(entries, p->entries.data() + start, n * sizeof(PALETTEENTRY));
    return n;
}

UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries) {
    std::lock_guard guard(GetState().lock);
    Palette* p = As<Palette>(palette, Kind::Palette);
    if (!p || !entries || p->stock) return 0;
    const UINT size = static_cast<UINT>(p->entries.size());
    if (start >= size) return 0;
    const UINT n = std::min(count, size - start);
    std::memcpy(p->entries.data() + start, entries, n * sizeof(PALETTEENTRY));
    return n;
}

// Unlike a true-colour Windows desktop, which has no system palette to read,
// ours always answers with the system palette: callers build their identity
// palette from its static colours and would otherwise read nothing.
UINT GetSystemPaletteEntries(HDC handle, UINT start, UINT count, PALETTEENTRY* entries) {
    State& s = GetState();
    std::lock_guard guard(s.lock);
    if (!AsDc(handle)) return 0;
    if (!entries) return 256;
    if (start >= 256) return 0;
    const UINT n = std::min<UINT>(count, 256 - start);
    std::memcpy(entries, s.system + start, n * sizeof(PALETTEENTRY));
    return n;
}

UINT SetSystemPaletteUse(HDC handle, UINT use) {
    State& s = GetState();
    std::lock_guard guard(s.lock);
    // Only a palette device has a system palette to share.
    if (!AsDc(handle) || !DesktopIsPaletted()) return SYSPAL_ERROR;
    if (use != SYSPAL_STATIC && use != SYSPAL_NOSTATIC && use != SYSPAL_NOSTATIC256)
        return SYSPAL_ERROR;
    const UINT old = s.systemUse;
    s.systemUse = use;
    if (use == SYSPAL_STATIC)
        RestoreStatics(s);
    else if (use == SYSPAL_NOSTATIC) {
        s.system[0] = kStaticColors[0];
        s.system[255] = kStaticColors[19];
    }
    return old;
}

UINT GetSystemPaletteUse(HDC handle) {
    State& s = GetState();
    std::lock_guard guard(s.lock);
    return AsDc(handle) ? s.systemUse : SYSPAL_ERROR;
}
