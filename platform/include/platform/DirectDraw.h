// DirectDraw: the module "ddraw.dll" (DirectDrawCreate, DirectDrawCreateClipper)
// and the interfaces its callers use, with only the methods they call. It is
// there only while a simulated display adapter is chosen (platform/Adapter.h):
// surfaces live in the adapter's video memory, flips and palettes drive its
// scan-out, and what is shown reaches the exclusive window.
#pragma once

#include "platform/DirectSound.h" // HRESULT, GUID
#include "platform/Gdi.h"
#include "platform/Types.h"

#define DD_OK 0
#define DDENUMRET_CANCEL 0
#define DDENUMRET_OK 1

// Result codes: the published values (facility 0x876).
#define MAKE_DDHRESULT(code) ((HRESULT)(0x88760000u + (code)))
#define DDERR_GENERIC ((HRESULT)0x80004005)
#define DDERR_UNSUPPORTED ((HRESULT)0x80004001)
#define DDERR_OUTOFMEMORY ((HRESULT)0x8007000E)
#define DDERR_INVALIDPARAMS ((HRESULT)0x80070057)
#define DDERR_NOTINITIALIZED ((HRESULT)0x800401F0)
#define DDERR_INVALIDCAPS MAKE_DDHRESULT(100)
#define DDERR_INVALIDMODE MAKE_DDHRESULT(120)
#define DDERR_INVALIDOBJECT MAKE_DDHRESULT(130)
#define DDERR_INVALIDRECT MAKE_DDHRESULT(150)
#define DDERR_NOEXCLUSIVEMODE MAKE_DDHRESULT(225)
#define DDERR_NOTFOUND MAKE_DDHRESULT(255)
#define DDERR_OUTOFVIDEOMEMORY MAKE_DDHRESULT(380)
#define DDERR_NOCOLORKEYHW MAKE_DDHRESULT(220)
#define DDERR_SURFACEBUSY MAKE_DDHRESULT(430)
#define DDERR_SURFACELOST MAKE_DDHRESULT(450)
#define DDERR_WASSTILLDRAWING MAKE_DDHRESULT(540)
#define DDERR_PRIMARYSURFACEALREADYEXISTS MAKE_DDHRESULT(564)
#define DDERR_NODIRECTDRAWHW MAKE_DDHRESULT(563)
#define DDERR_NOBLTHW MAKE_DDHRESULT(575)
#define DDERR_NOTFLIPPABLE MAKE_DDHRESULT(582)
#define DDERR_NOTLOCKED MAKE_DDHRESULT(584)
#define DDERR_NOTPALETTIZED MAKE_DDHRESULT(589)
#define DDERR_UNSUPPORTEDMODE MAKE_DDHRESULT(590)

// DDCAPS.dwCaps, dwCKeyCaps, dwPalCaps
#define DDCAPS_3D 0x00000001
#define DDCAPS_BLT 0x00000040
#define DDCAPS_BLTCOLORFILL 0x04000000
#define DDCAPS_BANKSWITCHED 0x08000000
#define DDCAPS_NOHARDWARE 0x02000000
#define DDCKEYCAPS_DESTBLT 0x00000001
#define DDCKEYCAPS_SRCBLT 0x00000200
#define DDPCAPS_8BIT 0x00000004
#define DDPCAPS_ALLOW256 0x00000040

// DDSCAPS
#define DDSCAPS_BACKBUFFER 0x00000004
#define DDSCAPS_COMPLEX 0x00000008
#define DDSCAPS_FLIP 0x00000010
#define DDSCAPS_FRONTBUFFER 0x00000020
#define DDSCAPS_OFFSCREENPLAIN 0x00000040
#define DDSCAPS_PRIMARYSURFACE 0x00000200
#define DDSCAPS_SYSTEMMEMORY 0x00000800
#define DDSCAPS_VIDEOMEMORY 0x00004000
#define DDSCAPS_MODEX 0x00200000

// DDSURFACEDESC.dwFlags
#define DDSD_CAPS 0x00000001
#define DDSD_HEIGHT 0x00000002
#define DDSD_WIDTH 0x00000004
#define DDSD_PITCH 0x00000008
#define DDSD_BACKBUFFERCOUNT 0x00000020
#define DDSD_LPSURFACE 0x00000800
#define DDSD_PIXELFORMAT 0x00001000
#define DDSD_REFRESHRATE 0x00040000

// DDPIXELFORMAT.dwFlags
#define DDPF_PALETTEINDEXED8 0x00000020
#define DDPF_RGB 0x00000040

#define DDSCL_FULLSCREEN 0x00000001
#define DDSCL_NORMAL 0x00000008
#define DDSCL_EXCLUSIVE 0x00000010

#define DDLOCK_WAIT 0x00000001
#define DDFLIP_WAIT 0x00000001
#define DDWAITVB_BLOCKBEGIN 0x00000001
#define DDBLT_COLORFILL 0x00000400
#define DDBLT_ROP 0x00020000
#define DDBLT_WAIT 0x01000000
#define DDBLTFAST_NOCOLORKEY 0x00000000
#define DDBLTFAST_SRCCOLORKEY 0x00000001
#define DDBLTFAST_DESTCOLORKEY 0x00000002
#define DDBLTFAST_WAIT 0x00000010
#define DDCKEY_DESTBLT 0x00000002
#define DDCKEY_SRCBLT 0x00000008

// Raster operations of Blt with DDBLT_ROP.
#define DD_SRCCOPY 0x00CC0020u
#define DD_SRCPAINT 0x00EE0086u
#define DD_SRCINVERT 0x00660046u
#define DD_SRCERASE 0x00440328u
#define DD_SRCAND 0x008800C6u

struct DDCOLORKEY {
    DWORD dwColorSpaceLowValue;
    DWORD dwColorSpaceHighValue;
};

struct DDPIXELFORMAT {
    DWORD dwSize; // 32
    DWORD dwFlags;
    DWORD dwFourCC;
    DWORD dwRGBBitCount;
    DWORD dwRBitMask;
    DWORD dwGBitMask;
    DWORD dwBBitMask;
    DWORD dwRGBAlphaBitMask;
};
static_assert(sizeof(DDPIXELFORMAT) == 32, "a 32-byte record");

struct DDSCAPS {
    DWORD dwCaps;
};

// Holds the surface pointer: dwSize is the compiler's sizeof, not 108.
struct DDSURFACEDESC {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwHeight;
    DWORD dwWidth;
    LONG lPitch;
    DWORD dwBackBufferCount;
    DWORD dwRefreshRate;
    DWORD dwAlphaBitDepth;
    DWORD dwReserved;
    LPVOID lpSurface;
    DDCOLORKEY ddckCKDestOverlay;
    DDCOLORKEY ddckCKDestBlt;
    DDCOLORKEY ddckCKSrcOverlay;
    DDCOLORKEY ddckCKSrcBlt;
    DDPIXELFORMAT ddpfPixelFormat;
    DDSCAPS ddsCaps;
};
typedef DDSURFACEDESC* LPDDSURFACEDESC;

// A data record: 316 bytes, checked by GetCaps.
struct DDCAPS {
    DWORD dwSize;
    DWORD dwCaps;
    DWORD dwCaps2;
    DWORD dwCKeyCaps;
    DWORD dwFXCaps;
    DWORD dwFXAlphaCaps;
    DWORD dwPalCaps;
    DWORD dwSVCaps;
    DWORD dwAlphaBitDepths[6];
    DWORD dwZBufferBitDepths;
    DWORD dwVidMemTotal;
    DWORD dwVidMemFree;
    DWORD dwRest[62];
};
static_assert(sizeof(DDCAPS) == 316, "DDCAPS is a 316-byte record");

// Holds no pointer: 100 bytes.
struct DDBLTFX {
    DWORD dwSize;
    DWORD dwDDFX;
    DWORD dwROP;
    DWORD dwDDROP;
    DWORD dwRotationAngle;
    DWORD dwZBufferOpCode;
    DWORD dwZBufferLow;
    DWORD dwZBufferHigh;
    DWORD dwZBufferBaseDest;
    DWORD dwZDestConstBitDepth;
    DWORD dwZDestConst;
    DWORD dwZSrcConstBitDepth;
    DWORD dwZSrcConst;
    DWORD dwAlphaEdgeBlendBitDepth;
    DWORD dwAlphaEdgeBlend;
    DWORD dwReserved;
    DWORD dwAlphaDestConstBitDepth;
    DWORD dwAlphaDestConst;
    DWORD dwAlphaSrcConstBitDepth;
    DWORD dwAlphaSrcConst;
    DWORD dwFillColor;
    DDCOLORKEY ddckDestColorkey;
    DDCOLORKEY ddckSrcColorkey;
};
static_assert(sizeof(DDBLTFX) == 100, "DDBLTFX is a 100-byte record");

class IDirectDrawPalette {
public:
    virtual HRESULT SetEntries(DWORD flags, DWORD first, DWORD count,
                               const PALETTEENTRY* entries) = 0;
    virtual HRESULT GetEntries(DWORD flags, DWORD first, DWORD count, PALETTEENTRY* entries) = 0;
    virtual ULONG Release() = 0;

protected:
    ~IDirectDrawPalette() = default;
};
typedef IDirectDrawPalette* LPDIRECTDRAWPALETTE;

class IDirectDrawSurface;
typedef IDirectDrawSurface* LPDIRECTDRAWSURFACE;
typedef HRESULT(CALLBACK* LPDDENUMSURFACESCALLBACK)(LPDIRECTDRAWSURFACE surface,
                                                    LPDDSURFACEDESC desc, LPVOID context);

class IDirectDrawSurface {
public:
    // Whole surface only (rect null). DDLOCK_WAIT waits for a lock another
    // thread holds, at most 100 ms, then DDERR_SURFACEBUSY; without it
    // DDERR_WASSTILLDRAWING at once. A lock nests on the thread that holds it.
    virtual HRESULT Lock(LPRECT rect, LPDDSURFACEDESC desc, DWORD flags, HANDLE event) = 0;
    virtual HRESULT Unlock(LPVOID surface) = 0;
    // Primary of a flip chain: the memory behind the chain's interfaces turns
    // round (to `target`'s when given) and the scan-out shows the new front.
    virtual HRESULT Flip(LPDIRECTDRAWSURFACE target, DWORD flags) = 0;
    virtual HRESULT Blt(LPRECT destRect, LPDIRECTDRAWSURFACE source, LPRECT sourceRect, DWORD flags,
                        DDBLTFX* fx) = 0;
    virtual HRESULT BltFast(DWORD x, DWORD y, LPDIRECTDRAWSURFACE source, LPRECT sourceRect,
                            DWORD flags) = 0;
    virtual HRESULT SetColorKey(DWORD flags, DDCOLORKEY* key) = 0;
    virtual HRESULT GetSurfaceDesc(LPDDSURFACEDESC desc) = 0;
    virtual HRESULT GetCaps(DDSCAPS* caps) = 0;
    virtual HRESULT EnumAttachedSurfaces(LPVOID context, LPDDENUMSURFACESCALLBACK callback) = 0;
    virtual HRESULT SetPalette(LPDIRECTDRAWPALETTE palette) = 0;
    virtual HRESULT IsLost() = 0;
    // Brings a lost surface back (its contents are undefined); fails with
    // DDERR_NOEXCLUSIVEMODE while the exclusive window is away or minimised.
    virtual HRESULT Restore() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IDirectDrawSurface() = default;
};

typedef HRESULT(CALLBACK* LPDDENUMMODESCALLBACK)(LPDDSURFACEDESC desc, LPVOID context);

class IDirectDraw2 {
public:
    virtual HRESULT GetCaps(DDCAPS* driverCaps, DDCAPS* emulationCaps) = 0;
    virtual HRESULT EnumDisplayModes(DWORD flags, LPDDSURFACEDESC filter, LPVOID context,
                                     LPDDENUMMODESCALLBACK callback) = 0;
    virtual HRESULT SetCooperativeLevel(HWND window, DWORD flags) = 0;
    virtual HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bits, DWORD refresh,
                                   DWORD flags) = 0;
    virtual HRESULT RestoreDisplayMode() = 0;
    virtual HRESULT CreateSurface(LPDDSURFACEDESC desc, LPDIRECTDRAWSURFACE* surface,
                                  void* outer) = 0;
    virtual HRESULT CreatePalette(DWORD flags, const PALETTEENTRY* entries,
                                  LPDIRECTDRAWPALETTE* palette, void* outer) = 0;
    virtual HRESULT WaitForVerticalBlank(DWORD flags, HANDLE event) = 0;
    virtual ULONG Release() = 0;

protected:
    ~IDirectDraw2() = default;
};
typedef IDirectDraw2* LPDIRECTDRAW2;

extern const GUID IID_IDirectDraw2;

class IDirectDraw {
public:
    virtual HRESULT QueryInterface(const GUID& iid, void** out) = 0;
    virtual ULONG Release() = 0;

protected:
    ~IDirectDraw() = default;
};
typedef IDirectDraw* LPDIRECTDRAW;

// Exported by "ddraw.dll": callers find them with GetProcAddress. A null GUID
// names the adapter; DDERR_NODIRECTDRAWHW without one.
HRESULT DirectDrawCreate(GUID* driver, LPDIRECTDRAW* object, void* outer);
HRESULT DirectDrawCreateClipper(DWORD flags, void** clipper, void* outer);
