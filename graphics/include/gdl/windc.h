// The windowed GDI driver ("WINDC.DRV"): a window of the application as a
// device context with no framebuffer, written by GDI (or WinG) blits from
// memory contexts; the shared helpers of the hardware drivers; and the
// desktop pixel-format queries the full-screen DIB drivers share.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gdl/dc.h"
#include "platform/Gdi.h"

// --- Shared driver state ---------------------------------------------------------
// Attaches `dc` to the family's state in `slot`, allocating it zeroed (`size`
// bytes, at least a GdlDriverState) with `destroy` on first use. False with
// result -10 when it cannot be allocated.
bool DRV_attachState(GdlDeviceContext* dc, GdlDriverState** slot, size_t size,
                     GdlDriverDestroyFunc destroy);
// Drops the context's reference; the last one frees the state.
void DRV_detachState(GdlDeviceContext* dc, GdlDriverState** slot);
// The common steps of a hardware init: the state attached, the window,
// driver number and mode into it, the device kind, no hardware cursor and no
// off-screen maker, the restore (exit) entry and no re-set entry.
struct GdlDisplayAttach {
    HWND window;
    int32_t driverNumber, mode, type;
    GdlDriverVoidFunc restore;
};
bool DRV_attachDisplay(GdlDeviceContext* dc, GdlDriverState** slot, GdlDriverDestroyFunc destroy,
                       const GdlDisplayAttach& attach);
// The family of a depth in the four-driver families: 8, 15 and 16, 24, 32
// bits give 0 to 3; -1 for any other.
int32_t DRV_familyOfBits(int32_t bits);

// --- Desktop queries ---------------------------------------------------------------
HDC FDIB_getWinDC(GdlDeviceContext* dc);
// Bits per pixel of the desktop behind `hdc` (15 for a 5:5:5 16-bit desktop);
// the first colour mask through `redMask` above 8 bits.
int32_t GDL_getDesktopDepth(HDC hdc, uint32_t* redMask);
void GDL_pixelFormatFromHDC(GdlDeviceContext* dc, HDC hdc);

// --- The windowed driver -------------------------------------------------------------
const GdlDriverHeader* WINDC_header();
int32_t WINDC_init(GdlDeviceContext* dc, int32_t driverType, int32_t mode, HWND window,
                   int32_t virtualWidth, int32_t virtualHeight, int32_t pages, int32_t flag,
                   int32_t refresh);
void WINDC_destroy(GdlDeviceContext* dc);
void WINDC_setupVectors(GdlDeviceContext* dc);
// The device entries alone: the default clip and the GDI blits and stretches
// into the window (what a context that is only a blit target needs).
void WINDC_setupBlitEntries(GdlDeviceContext* dc);
// The library's generic renderers, the window's entries (Windows DC, default
// palette, realisation) kept.
void DRV_setGenericRenderersOnWindow(GdlDeviceContext* dc);
// Copies (left, top)-(right, bottom) of `source` to (x, y) of `dest`.
BOOL WINDC_bitBlt(GdlDeviceContext* dest, int32_t left, int32_t top, int32_t right, int32_t bottom,
                  int32_t x, int32_t y, GdlDeviceContext* source);
// Ratios in 16.16; the destination size is rounded to the nearest pixel.
BOOL WINDC_stretchBlt(GdlDeviceContext* dest, GdlDeviceContext* source, int32_t left, int32_t top,
                      int32_t right, int32_t bottom, int32_t x, int32_t y, int32_t xRatio,
                      int32_t yRatio);
// The identity palette table (system colours at 0-9 and 246-255).
const GdlPaletteEntry* GDL_getStaticSystemColors();
void GDL_realizeIdentityPalette(GdlDeviceContext* dc, const GdlPaletteEntry* palette, int32_t count,
                                int32_t first, int32_t wait);
// 0 keep the 20 static colours, 1 use all 256, 2 all 256 with the statics unreserved.
void GDL_setPaletteMode(int32_t mode);
