// The simulated adapter's VESA BIOS (interrupt 10h, AH = 4Fh, through
// RealModeInterrupt): controller and mode information, mode set with the
// linear framebuffer and a CRTC block, the bank window, scan-line length,
// display start with scheduling and stereo, the DAC width, the palette, the
// protected-mode interface and pixel clocks, by the personality's
// AdapterVbe. Without one, function 4Fxxh leaves AX as it was.
//
// The bank window is the A0000h window of Vga.h: one host buffer of 64 KB
// that a bank switch writes back (what changed) and loads from video memory,
// so a write in the wrong bank lands where the card would have put it. The
// linear framebuffer (kLinearFrameBuffer in FsDirect.h) is video memory
// itself; the adapter writes the window back before it shows or hands out
// video memory.
#pragma once

#include "platform/Vga.h"

#include <cstddef>
#include <cstdint>

namespace platform {

// Where the BIOS keeps its strings, mode list and protected-mode table.
constexpr uint16_t kVbeRomSegment = 0xC000;
constexpr uint16_t kVbeStringsOffset = 0x4000;
constexpr uint16_t kVbePmTableOffset = 0x5000;

// The CRTC block of the last mode set that asked for one (the standard's
// first 19 bytes), and whether one was used.
struct VbeCrtcBlock {
    uint16_t hTotal, hSyncStart, hSyncEnd, vTotal, vSyncStart, vSyncEnd;
    uint8_t flags;
    uint32_t pixelClock; // Hz
    uint16_t refresh;    // 0.01 Hz
};
bool VbeLastCrtc(VbeCrtcBlock* out);

// Bank switches (window moves that changed the bank) since the adapter was chosen.
uint32_t VbeBankSwitches();
// The VBE mode in force (0: none) with 4000h when linear; its display start
// and whether stereo is on.
uint16_t VbeCurrentMode();
uint32_t VbeDisplayStart();
bool VbeStereoOn();
// Writes the window's changes back into video memory.
void VbeFlushWindow();

// A BIOS of a test's own (fuzzing the library's readers): while set, every
// VESA function goes to `hook` with the 1 MB of real-mode memory, which
// answers it in the registers and memory (null: the personality's BIOS).
typedef void (*VbeBiosHook)(RealModeRegs* regs, uint8_t* realMemory);
void SetVbeBiosHook(VbeBiosHook hook);

// The protected-mode interface. Its routines are tagged stubs that nothing
// runs: `VbePmStubKind` tells which routine the code at `code` is (1
// SetWindow, 2 SetDisplayStart, 3 SetPrimaryPalette, 0 none), reading no
// more than `size` bytes; `VbePmCall` does what that routine does with the
// registers as the BIOS's protected-mode entry takes them (palette: the
// entries at `data`, count in CX).
int VbePmStubKind(const uint8_t* code, size_t size);
void VbePmCall(int kind, RealModeRegs* regs, const void* data);
// True when `code` is a bank routine built around the SetWindow stub: the
// 10-byte prologue, the stub's body and the 2-byte epilogue.
bool VbeIsBankRoutine(const uint8_t* code, size_t size);

} // namespace platform
