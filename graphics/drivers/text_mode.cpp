// The text mode the VBE and accelerated drivers leave and come back to:
// the BIOS mode and whether it had 43 or 50 lines.
#include "gdl/vga.h"

void VGA_leaveTextMode(int32_t* savedMode, int32_t* savedLines) {
    const int32_t mode = int32_t(VGA_int10(0x0F00).ax & 0x7F);
    int32_t lines = 0;
    if (mode == 3) {
        const uint8_t dl = uint8_t(VGA_int10(0x1130, 0).dx);
        lines = dl == 42 || dl == 49 ? 1 : 0;
    }
    if (savedMode) *savedMode = mode;
    if (savedLines) *savedLines = lines;
    VGA_int10(0x0083); // mode 3 with memory kept
}

void VGA_backToTextMode(int32_t savedMode, int32_t savedLines, void (*setMode3)()) {
    // A monochrome card's equipment bits.
    if (savedMode == 7) VGA_setBiosByte(0x10, uint8_t(VGA_biosByte(0x10) | 0x30));
    setMode3();
    if (!savedLines) return;
    VGA_int10(0x1112, 0);
    if (uint8_t(VGA_int10(0x1130, 0).dx) == 42) {
        VGA_setBiosByte(0x87, uint8_t(VGA_biosByte(0x87) | 1));
        VGA_int10(0x0100, 0, 0x0607);
    }
}
