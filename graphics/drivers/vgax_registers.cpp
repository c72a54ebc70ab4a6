// The registers that turn BIOS mode 13h into the planar 256-colour modes of
// VGAX.DRV: chain-4 off, the clock and sync polarity, and the CRT
// controller's timing of each size; the sequencer is left at the map mask so
// that a single data write changes the planes.
#include <iterator>

#include "gdl/vga.h"

namespace {

struct Pair {
    uint8_t index, value;
};
struct ModeXTable {
    int32_t mode;
    uint8_t misc;
    Pair crtc[10];
    int count;
};

// clang-format off
const ModeXTable kTables[] = {
    {7, 0x63, {{0x14, 0x00}, {0x17, 0xE3}}, 2},
    {8, 0xE3, {{0x06, 0x0D}, {0x07, 0x3E}, {0x09, 0x41}, {0x10, 0xEA}, {0x11, 0xAC},
               {0x12, 0xDF}, {0x14, 0x00}, {0x15, 0xE7}, {0x16, 0x06}, {0x17, 0xE3}}, 10},
    {9, 0x63, {{0x09, 0x40}, {0x14, 0x00}, {0x17, 0xE3}}, 3},
    {10, 0xE3, {{0x06, 0x0D}, {0x07, 0x3E}, {0x09, 0x40}, {0x10, 0xEA}, {0x11, 0xAC},
                {0x12, 0xDF}, {0x14, 0x00}, {0x15, 0xE7}, {0x16, 0x06}, {0x17, 0xE3}}, 10},
};
// clang-format on

} // namespace

bool VGAX_programRegisters(int32_t mode) {
    for (const ModeXTable& t : kTables) {
        if (t.mode != mode) continue;
        VGA_wrinx(0x3C4, 4, 0x06); // chain-4 off
        VGA_wrinx(0x3C4, 0, 0x01); // synchronous reset
        VGA_outpb(0x3C2, t.misc);
        VGA_wrinx(0x3C4, 0, 0x03); // run
        VGA_clrinx(0x3D4, 0x11, 0x80);
        for (int i = 0; i < t.count; ++i)
            VGA_wrinx(0x3D4, t.crtc[i].index, t.crtc[i].value);
        VGA_outpb(0x3C4, 2);
        return true;
    }
    return false;
}
