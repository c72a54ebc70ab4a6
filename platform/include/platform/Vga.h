// The simulated adapter's VGA face: the published VGA registers behind port
// numbers, 256 KB of video memory in four planes with latches, write and read
// modes, the DAC, the real-time clock's CMOS memory, the A0000h window, the
// scan-out worked out from the registers, and the video BIOS (interrupt 10h
// and its data area) in 1 MB of real-mode memory.
//
// Present while the chosen personality has a VGA (AdapterPersonality::vga).
// Without one a port reads FFh, writes go nowhere and interrupt 10h leaves
// the registers as they were.
#pragma once

#include "platform/Host.h"
#include "platform/Types.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

// --- Ports ---------------------------------------------------------------------
// A word or double word goes to consecutive ports, low byte first: a word to
// an index port writes the index, then the data.
uint8_t VgaInPort(uint16_t port);
uint16_t VgaInPortWord(uint16_t port);
uint32_t VgaInPortDword(uint16_t port);
void VgaOutPort(uint16_t port, uint8_t value);
void VgaOutPortWord(uint16_t port, uint16_t value);
void VgaOutPortDword(uint16_t port, uint32_t value);

// --- The A0000h window ------------------------------------------------------------
// 64 KB, page-aligned. While chain-4 is on it is plain memory (byte A is the
// pixel of plane A mod 4 at plane offset A with its low two bits cleared).
// Otherwise it is a guard region: any plain access faults, and renderers pass
// its addresses to the calls below, which run the latches, the write and read
// modes, the map mask and the bit mask.
uint8_t* VgaWindow();
constexpr size_t kVgaWindowSize = 0x10000;
uint8_t VgaRead(const uint8_t* address);
void VgaWrite(uint8_t* address, uint8_t value);
// Wider stores are their bytes in address order, as the processor issues them.
void VgaWriteWord(uint8_t* address, uint16_t value);
void VgaWriteDword(uint8_t* address, uint32_t value);
// A read whose latch load is followed by a write at the same address (x86
// `and [mem], reg`): the read's value is dropped, as the routines need only
// the latches.
void VgaLatchWrite(uint8_t* address, uint8_t value);

// --- Inspection (tests, the pixel check, benchmarks) ---------------------------------
constexpr uint32_t kVgaPlaneSize = 0x10000;
// A byte of plane `plane` (0..3) at `offset`; 0 outside.
uint8_t VgaPlaneByte(int plane, uint32_t offset);
// The four latches, plane 0 first.
uint32_t VgaLatches();
// The register files as they stand (index out of range: 0).
uint8_t VgaSequencer(int index);
uint8_t VgaCrtc(int index);
uint8_t VgaGraphics(int index);
uint8_t VgaAttribute(int index);
// A DAC entry as its three 6-bit (or 8-bit) values, red first.
void VgaDacEntry(int index, uint8_t rgb[3]);

// What the monitor shows, worked out from the registers alone: display end,
// maximum scan line and double scan, offset, start address, byte, word or
// double-word addressing, the 256-colour shift, the attribute palette and
// the DAC. Double-scanned modes give their doubled lines (13h: 320 x 400).
// A text mode or a blanked screen gives black lines.
Frame VgaFrame();
// The pixel values (before the attribute controller) of the rows the CRT
// controller shows, one byte a pixel, each row once: the adapter's packed view
// of the planes, pixels gathered from the four planes.
struct VgaPackedView {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;
};
VgaPackedView VgaPacked();
// True while a VGA mode (not DirectDraw) owns the full-screen window.
bool VgaShowing();
// The full-screen window the VGA's scan-out is shown in (null: none).
void SetVgaWindow(HWND window);

// --- Video BIOS and real-mode memory --------------------------------------------------
// Registers of a real-mode call: 32-bit words on every host.
struct RealModeRegs {
    uint32_t eax, ebx, ecx, edx, esi, edi, ebp;
    uint32_t flags; // bit 0: carry
    uint16_t es, ds;
};
// Interrupt 10h; other interrupts are ignored. 00h (AL bit 7 keeps video
// memory), 01h, 0Fh, 1112h, 1124h, 1130h and 1A00h; mode sets load the
// register tables of modes 03h, 0Dh, 0Eh, 10h, 12h and 13h (other modes are
// refused and change nothing).
void RealModeInterrupt(int number, RealModeRegs* regs);
constexpr uint32_t kRealModeSize = 0x100000;
// The 1 MB of real-mode memory, BIOS data area at 400h (null without a VGA).
uint8_t* RealModeMemory();
// A segment of 1 KB for VESA transfers that nothing else uses.
constexpr uint16_t kVesaBufferSegment = 0x9000;

} // namespace platform
