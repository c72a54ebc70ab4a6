// The simulated VBE/AF accelerator inside the adapter: its entries, its
// queue of drawing, its register area and its hardware cursor. Guarded by
// the adapter's lock.
#pragma once

#include "platform/Gdi.h"
#include "platform/Vbeaf.h"

#include <cstddef>
#include <cstdint>

namespace platform::adapter {

// An entry's handle is this base plus its slot.
constexpr uint32_t kEntryBase = 0xAF000000u;

// Runs a stub of `kind` naming `accelerator` over the image: 0 when it is
// the adapter's accelerator and the stub did its work.
uint32_t AccelRunStub(int kind, uint32_t accelerator, uint8_t* image, size_t size);
// One entry with its arguments (the image not among them).
int64_t AccelEntry(uint32_t slot, uint8_t* image, size_t size, const intptr_t* args, size_t count);
// The loader's interrupt callback behind a handle; false for an unknown one.
bool CallIntCallback(uint32_t handle, uint32_t interrupt, DpmiRegs* regs);

// Draws everything queued (scan-out, memory reads).
void AccelFlush();
// The hardware cursor over a frame of the scan-out (0x00RRGGBB pixels); at
// 8 bits its colour is an index into the scan-out's palette.
void AccelOverlayCursor(uint32_t* pixels, int pitchPixels, int width, int height,
                        const PALETTEENTRY* palette);
// The register area at a physical address, or null.
uint8_t* AccelRegisterArea(uint64_t physical);
// A new adapter: the accelerator starts over.
void AccelReset();

// The drawing kernels (AcceleratorDraw.cpp), on the mode's memory.
struct AccelSurface {
    uint8_t* base = nullptr; // video memory
    size_t size = 0;
    uint32_t pitch = 0;
    int bytes = 0; // a pixel's
    int clip[4]{}; // left, top, right, bottom, inclusive
};
uint32_t AccelMix(uint32_t dst, uint32_t src, int mix);
void AccelFill(const AccelSurface& s, uint32_t origin, int x, int y, int w, int h,
               int64_t (*colourAt)(const void* data, int x, int y), const void* data, int mix);
// A solid rectangle: rows laid out once and copied.
void AccelFillSolid(const AccelSurface& s, uint32_t origin, int x, int y, int w, int h,
                    uint32_t colour, int mix);
void AccelBlit(const AccelSurface& s, uint32_t srcOffset, uint32_t srcPitch, int sx, int sy, int w,
               int h, uint32_t dstOffset, int dx, int dy, int mix, int keyMode, uint32_t key);
// A stippled line's 16-bit pattern and the bit its first pixel takes.
struct AccelStipple {
    uint32_t pattern = 0xFFFF;
    uint32_t position = 0;
};
// A solid line (no stipple) or a stippled one, 16.16 end points.
void AccelLine(const AccelSurface& s, uint32_t origin, uint32_t colour, int32_t x1, int32_t y1,
               int32_t x2, int32_t y2, int mix, const AccelStipple* stipple);
// The pixels a line covers (the amount a stipple's position moves on).
int64_t AccelLinePixels(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

} // namespace platform::adapter
