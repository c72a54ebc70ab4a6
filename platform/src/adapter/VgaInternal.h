// The VGA face's state, shared by the chip (ports, memory access), its
// scan-out and the video BIOS. Guarded by the adapter's lock.
#pragma once

#include "platform/Adapter.h"
#include "platform/Vga.h"
#include "VbeInternal.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace platform::adapter {

struct VgaChip {
    AdapterVga kind = AdapterVga::Colour;
    uint8_t misc = 0x63;
    uint8_t seqIndex = 0, seq[5]{};
    uint8_t crtcIndex = 0, crtc[25]{};
    uint8_t gcIndex = 0, gc[9]{};
    uint8_t attrIndex = 0, attr[21]{};
    bool attrData = false; // the flip-flop: next write to 3C0h is data
    uint8_t dacWrite = 0, dacRead = 0, dacPart = 0, dacReadPart = 0, dacMask = 0xFF;
    bool dacReading = false;
    uint8_t dac[256][3]{};
    uint8_t cmosIndex = 0, cmos[128]{};
    uint8_t latch[4]{};
    std::vector<uint8_t> planes; // four planes of 64 KB, plane p at p * 64 KB
    uint8_t* window = nullptr;   // the A0000h window (mmap, 64 KB)
    bool chained = false;        // the window holds the pixels (chain-4)
    uint32_t beam = 0;           // input status reads so far
    bool showing = false;        // a VGA mode owns the full-screen window
    HWND screen = nullptr;
    std::vector<uint8_t> real; // 1 MB real-mode memory
    VbeChip vbe;               // the VESA BIOS's part
};

// The chip of the chosen personality, or null.
VgaChip* Vga();
// Made for a personality with a VGA, gone with the next choice.
void VgaCreate(AdapterVga kind);
void VgaDestroy();

// Chain-4 went on or off: the window and the planes trade their pixels.
void VgaSyncChain(VgaChip& v);
// The planes as the scan-out reads them (chain-4's window folded in).
void VgaFoldWindow(VgaChip& v);
// The registers' scan-out into the VGA's window; false when the VGA shows nothing.
bool VgaShowFrame();

// The BIOS's data area and mode set (VideoBios.cpp).
void BiosReset(VgaChip& v);
bool BiosSetMode(VgaChip& v, uint8_t mode, bool keepMemory);

} // namespace platform::adapter
