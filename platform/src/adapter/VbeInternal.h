// The VESA BIOS's state beside the VGA chip: the mode it set, the scan-line
// length and display start, the bank window's host buffer, the DAC width,
// stereo and the scheduled display start. Guarded by the adapter's lock.
#pragma once

#include "platform/Adapter.h"
#include "platform/Vbe.h"

#include <cstdint>
#include <vector>

namespace platform::adapter {

struct VgaChip;

struct VbeChip {
    uint16_t number = 0;                  // the VBE mode set (0: none)
    const AdapterVbeMode* mode = nullptr; // its packed mode (null: none or planar)
    bool linear = false;                  // set with the linear framebuffer
    uint32_t pitch = 0;                   // bytes a scan line
    uint32_t start = 0;                   // display start, bytes
    uint8_t dacWidth = 6;
    // The window: positions of A and B in granularity units, and the bytes
    // of video memory the host buffer holds (`loaded` = their offset; none
    // while `holding` is false), with a copy as loaded so that a write-back
    // puts back only what changed through the window.
    uint32_t position[2]{};
    bool holding = false;
    uint32_t loaded = 0;
    std::vector<uint8_t> shadow;
    uint32_t switches = 0;
    // Stereo and the scheduled display start.
    bool stereo = false;
    uint32_t rightStart = 0;
    bool pending = false;
    uint32_t pendingStart = 0;
    int pendingPolls = 0;
    VbeCrtcBlock crtc{};
    bool crtcUsed = false;
};

// The VESA functions of interrupt 10h (AH = 4Fh); true when the caller
// waits for a vertical retrace once the lock is let go.
bool VesaBiosCall(VgaChip& v, RealModeRegs* r);
// Writes the protected-mode table at C000:5000; its length.
uint16_t VbeWritePmTable(VgaChip& v, const AdapterVbe& b);
// The DAC's width (6 or 8 bits), its entries kept as the same colours.
void VbeSetDacWidth(VgaChip& v, uint8_t width);
// Any BIOS mode set ends a VBE mode: the window goes back, the scan-out off.
void VbeEndMode(VgaChip& v);
// A packed mode takes the window over as the bank's host buffer.
void VbeBeginMode(VgaChip& v);

// The bank window (VesaWindow.cpp). Moves a window (0 A, 1 B) to a position
// in granularity units: false past video memory.
bool VbeSetWindow(VgaChip& v, int window, uint32_t position);
// Writes back what changed in the host buffer; `drop` forgets the bank too.
void VbeWriteBack(VgaChip& v, bool drop);
// Loads the bank the writable window shows into the host buffer.
void VbeLoadWindow(VgaChip& v);
// While a VBE mode is set: the window written back and the scan-out's
// registers (size, pitch, start, layout, the DAC as palette) put in force.
// False without one.
bool VbeScanOutRegisters(VgaChip& v, ScanOut* out);

} // namespace platform::adapter
