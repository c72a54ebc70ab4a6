// VGAX.DRV: the planar 256-colour modes 7 to 10 (320 x 200, 240, 400 and
// 480), made from BIOS mode 13h by turning chain-4 off and reprogramming the
// CRT controller, drawn through the mode X render set.
#include <cstring>

#include "gdl/ddraw.h"
#include "gdl/memory.h"
#include "gdl/render.h"
#include "gdl/vga.h"
#include "gdl/windc.h"

namespace {

constexpr int32_t kFirstMode = 7, kLastMode = 10;
GdlModeRecord g_records[4]{};

// A quarter of the width per line, and as many pages as the 64 KB of each
// plane holds.
// The library's size table names modes 7 to 10 by other sizes: the records
// registered here carry the sizes the registers make, and their aspects.
GdlModeRecord recordOf(int32_t mode) {
    static const uint32_t kHeights[4] = {200, 240, 400, 480};
    GdlModeRecord r = *DRV_modeRecord(mode);
    r.maxX = 319;
    r.maxY = kHeights[mode - kFirstMode] - 1;
    r.aspectRatio = DRV_aspectRatio(int32_t(r.maxX) + 1, int32_t(r.maxY) + 1);
    r.bytesPerLine = (r.maxX + 1) / 4;
    r.pageSize = r.bytesPerLine * (r.maxY + 1);
    r.maxPage = 0x10000 / r.pageSize - 1;
    return r;
}

// The header's mode list: the four records as the registers make them.
const GdlModeRecord* headerRecords() {
    static const GdlModeRecord kRecords[4] = {recordOf(7), recordOf(8), recordOf(9), recordOf(10)};
    return kRecords;
}

bool setMode(GdlDeviceContext* dc, VgaDriverState* v, int32_t mode) {
    if (!VGA_setMode(dc, 0x13, 0, v ? &v->savedMode : nullptr, v ? &v->savedLines : nullptr,
                     nullptr))
        return false;
    return VGAX_programRegisters(mode);
}

const VgaModeRange kRange{
    kFirstMode, kLastMode, kFirstMode, g_records, recordOf, VGAX_setupVectors, setMode, [] {
        if (VgaDriverState* st = VGA_familyState()) setMode(nullptr, nullptr, st->mode);
    }};

GdlDriverHeader g_header =
    VGA_rangeHeader<kRange>("VGAX.DRV", "VGA mode X driver\r\nVersion 2.0", headerRecords());

} // namespace

const GdlDriverHeader* VGAX_header() {
    return &g_header;
}
