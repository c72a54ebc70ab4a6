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
// registered here carry the sizes the registers make.
GdlModeRecord recordOf(int32_t mode) {
    static const uint32_t kHeights[4] = {200, 240, 400, 480};
    GdlModeRecord r = *DRV_modeRecord(mode);
    r.maxX = 319;
    r.maxY = kHeights[mode - kFirstMode] - 1;
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

int32_t detect(int32_t index, int32_t wanted, int32_t* driver, int32_t* suggested,
               GDLModeEntry* table) {
    if (wanted < GDL_TYPE_VGA || !VGA_detect(driver)) return 0;
    for (int32_t m = kFirstMode; m <= kLastMode; ++m) {
        g_records[m - kFirstMode] = recordOf(m);
        VGA_addMode(table, m, index, &g_records[m - kFirstMode]);
    }
    if (suggested && *suggested == -1) *suggested = kFirstMode;
    return 1;
}

int32_t init(GdlDeviceContext* dc, int32_t driverNumber, int32_t mode, HWND window, int32_t x,
             int32_t y, int32_t, int32_t reserved, int32_t) {
    if (mode < kFirstMode || mode > kLastMode || x != -1 || y != -1 || reserved != 0) return 0;
    const GdlModeRecord& known = g_records[mode - kFirstMode];
    VgaDriverState* v = VGA_attachContext(dc, known.bitsPerPixel ? known : recordOf(mode),
                                          driverNumber, mode, window, [] {
                                              if (VgaDriverState* st = VGA_familyState())
                                                  setMode(nullptr, nullptr, st->mode);
                                          });
    if (!v) return 0;
    DRV_derivePixelFormat(dc);
    VGAX_setupVectors(dc);
    return setMode(dc, v, mode) ? 1 : 0;
}

GdlDriverHeader makeHeader() {
    GdlDriverHeader h{};
    std::memcpy(h.signature, GDL_driverSignature, sizeof(h.signature));
    std::strncpy(h.fileName, "VGAX.DRV", sizeof(h.fileName) - 1);
    std::strncpy(h.driverName, "VGAX.DRV", sizeof(h.driverName) - 1);
    std::strncpy(h.banner, "VGA mode X driver\r\nVersion 2.0", sizeof(h.banner) - 1);
    h.majorVersion = 2;
    h.driverType = GDL_TYPE_VGA;
    h.detect = detect;
    h.init = init;
    h.modes = headerRecords();
    h.modeCount = kLastMode - kFirstMode + 1;
    return h;
}

GdlDriverHeader g_header = makeHeader();

} // namespace

const GdlDriverHeader* VGAX_header() {
    return &g_header;
}
