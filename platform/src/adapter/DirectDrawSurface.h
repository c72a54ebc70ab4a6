// The objects behind the DirectDraw interfaces: surfaces in the adapter's
// video memory, palettes, and the one DirectDraw state of the process.
#pragma once

#include "AdapterInternal.h"
#include "platform/DirectDraw.h"

#include <condition_variable>
#include <set>
#include <thread>
#include <vector>

namespace platform::adapter {

// Pixel layout of a surface: the mode's.
struct PixelLayout {
    int bits = 0;
    uint32_t masks[3]{};
};

class DdPalette final : public IDirectDrawPalette {
public:
    explicit DdPalette(const PALETTEENTRY* entries);
    HRESULT SetEntries(DWORD flags, DWORD first, DWORD count, const PALETTEENTRY* entries) override;
    HRESULT GetEntries(DWORD flags, DWORD first, DWORD count, PALETTEENTRY* entries) override;
    ULONG Release() override;

    PALETTEENTRY entries[256]{};
    bool attached = false; // to the primary: changes reach the scan-out
};

class DdSurface final : public IDirectDrawSurface {
public:
    HRESULT Lock(LPRECT rect, LPDDSURFACEDESC desc, DWORD flags, HANDLE event) override;
    HRESULT Unlock(LPVOID surface) override;
    HRESULT Flip(LPDIRECTDRAWSURFACE target, DWORD flags) override;
    HRESULT Blt(LPRECT destRect, LPDIRECTDRAWSURFACE source, LPRECT sourceRect, DWORD flags,
                DDBLTFX* fx) override;
    HRESULT BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE source, LPRECT sourceRect,
                    DWORD flags) override;
    HRESULT SetColorKey(DWORD flags, DDCOLORKEY* key) override;
    HRESULT GetSurfaceDesc(LPDDSURFACEDESC desc) override;
    HRESULT GetCaps(DDSCAPS* caps) override;
    HRESULT EnumAttachedSurfaces(LPVOID context, LPDDENUMSURFACESCALLBACK callback) override;
    HRESULT SetPalette(LPDIRECTDRAWPALETTE palette) override;
    HRESULT IsLost() override;
    HRESULT Restore() override;
    ULONG Release() override;

    uint8_t* Pixels() const { return VideoAt(offset); }
    bool IsFront() const;

    uint32_t offset = 0;
    uint32_t bytes = 0;
    int width = 0, height = 0, pitch = 0;
    PixelLayout layout;
    DWORD caps = 0;
    bool lost = false;
    // Locks: the holding thread and its depth; others wait on the state's
    // condition.
    std::thread::id holder;
    int depth = 0;
    DDCOLORKEY srcKey{}, dstKey{};
    bool hasSrcKey = false, hasDstKey = false;
    // A flip chain is owned by its primary: chain[0] is the primary.
    std::vector<DdSurface*> chain;
    DdSurface* owner = nullptr; // the primary of a back buffer
    DdPalette* palette = nullptr;

private:
    HRESULT Blit(const RECT& dest, DdSurface* source, const RECT& from, DWORD rop, bool useSrcKey,
                 bool useDstKey);
};

// The DirectDraw state of the process (one adapter).
struct DdState {
    IDirectDraw* object = nullptr;
    HWND exclusive = nullptr;
    bool modeSet = false;
    int width = 0, height = 0;
    PixelLayout layout;
    DdSurface* primary = nullptr;
    std::set<DdSurface*> surfaces;
    std::set<DdPalette*> palettes;
    std::condition_variable_any unlocked;
};
DdState& Dd();

// The layout a mode's pixels take, and the pitch of a row in this adapter.
PixelLayout LayoutOf(const AdapterMode& mode);
int PitchOf(int width, int bits);

} // namespace platform::adapter
