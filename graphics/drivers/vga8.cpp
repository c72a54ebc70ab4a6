// VGA8.DRV: BIOS mode 13h (320 x 200, 256 colours, chain-4), drawn with the
// packed 8-bit renderers straight into the A0000h window; and the VGA
// family's shared state, detection and text-mode restore.
#include <cstring>

#include "gdl/ddraw.h"
#include "gdl/memory.h"
#include "gdl/packed.h"
#include "gdl/render.h"
#include "gdl/result.h"
#include "gdl/vga.h"
#include "gdl/windc.h"

namespace {

constexpr int32_t kMode = 6; // 320 x 200 x 8
GdlModeRecord g_record{};

// One page of 320 bytes a line: chain-4 shows only the first 64 KB.
GdlModeRecord recordOf(int32_t) {
    GdlModeRecord r = *DRV_modeRecord(kMode);
    r.bytesPerLine = 320;
    r.pageSize = 320 * 200;
    r.maxPage = 0;
    return r;
}

bool setMode(GdlDeviceContext* dc, VgaDriverState* v, int32_t) {
    return VGA_setMode(dc, 0x13, 0, v ? &v->savedMode : nullptr, v ? &v->savedLines : nullptr,
                       nullptr) != 0;
}

const VgaModeRange kRange{kMode,    kMode,
                          kMode,    &g_record,
                          recordOf, LINEAR8_setupVectors,
                          setMode,  [] { setMode(nullptr, nullptr, kMode); }};

GdlDriverHeader g_header = VGA_rangeHeader<kRange>(
    "VGA8.DRV", "VGA 256 colour driver\r\nVersion 2.0", DRV_modeRecord(kMode));

} // namespace

const GdlDriverHeader* VGA8_header() {
    return &g_header;
}

void LINEAR8_setupVectors(GdlDeviceContext* dc) {
    if (dc->driverState) dc->driverState->paletteEntriesPerCall = 256;
    DRV_derivePixelFormat(dc);
    PACK8_setupVectors(dc);
    dc->packedDriver = 1;
}
