// VGA4.DRV: the 16-colour planar modes 0 to 4 (320 x 200, 640 x 200, 640 x
// 350, 640 x 400 and 640 x 480) from BIOS modes 0Dh, 0Eh, 10h and 12h, the
// 400-line mode made from mode 12h by the attribute reset, drawn through the
// 16-colour planar render set.
#include <cstring>

#include "gdl/ddraw.h"
#include "gdl/fsdirect.h"
#include "gdl/memory.h"
#include "gdl/render.h"
#include "gdl/vga.h"
#include "gdl/windc.h"

namespace {

constexpr int32_t kFirstMode = 0, kLastMode = 4;
GdlModeRecord g_records[5]{};

// An eighth of the width per line in each plane, and as many pages as the
// 64 KB of a plane holds.
GdlModeRecord recordOf(int32_t mode) {
    GdlModeRecord r = *DRV_modeRecord(mode);
    r.bytesPerLine = (r.maxX + 1) / 8;
    r.pageSize = r.bytesPerLine * (r.maxY + 1);
    r.maxPage = 0x10000 / r.pageSize - 1;
    return r;
}

bool setMode(GdlDeviceContext* dc, VgaDriverState* v, int32_t mode) {
    const GdlModeRecord r = recordOf(mode);
    if (!VGA_setMode(dc, int32_t(r.modeNumber), int32_t(r.modeFlags), v ? &v->savedMode : nullptr,
                     v ? &v->savedLines : nullptr, nullptr))
        return false;
    VGA4_resetAttributes(mode);
    return true;
}

const VgaModeRange kRange{
    kFirstMode, kLastMode, kLastMode, g_records, recordOf, VGA4_setupVectors, setMode, [] {
        if (VgaDriverState* st = VGA_familyState()) setMode(nullptr, nullptr, st->mode);
    }};

GdlDriverHeader g_header = VGA_rangeHeader<kRange>(
    "VGA4.DRV", "VGA 16 colour driver\r\nVersion 2.0", DRV_modeRecord(kFirstMode));

} // namespace

const GdlDriverHeader* VGA4_header() {
    return &g_header;
}

void VGA4_resetAttributes(int32_t mode) {
    if (mode == 3) {
        // 640 x 400 from mode 12h: 400 lines at the 70 Hz timing, the 8 x 16 font.
        VGA_outpb(0x3C2, uint8_t((VGA_inpb(0x3CC) | 0x40) & ~0x80));
        static const uint8_t kCrtc[][2] = {
            {0x10, 0x9C}, {0x11, 0x8E}, {0x12, 0x8F}, {0x15, 0x96}, {0x16, 0xB9}};
        for (const auto& p : kCrtc)
            VGA_wrinx(0x3D4, p[0], p[1]);
        platform::PmiRegs in{0x1124, 2, 0, 0, 0, 0, 0}, out{};
        PMI_int86(0x10, &in, &out);
    }
    VGA_inpb(0x3DA); // the attribute flip-flop to its index state
    for (uint8_t i = 0; i < 16; ++i) {
        VGA_outpb(0x3C0, i);
        VGA_outpb(0x3C0, i);
    }
    VGA_outpb(0x3C0, 0x20); // video on
}
