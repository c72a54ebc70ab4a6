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
GdlModeRecord recordOf() {
    GdlModeRecord r = *DRV_modeRecord(kMode);
    r.bytesPerLine = 320;
    r.pageSize = 320 * 200;
    r.maxPage = 0;
    return r;
}

GdlDriverHeader makeHeader() {
    GdlDriverHeader h{};
    std::memcpy(h.signature, GDL_driverSignature, sizeof(h.signature));
    std::strncpy(h.fileName, "VGA8.DRV", sizeof(h.fileName) - 1);
    std::strncpy(h.driverName, "VGA8.DRV", sizeof(h.driverName) - 1);
    std::strncpy(h.banner, "VGA 256 colour driver\r\nVersion 2.0", sizeof(h.banner) - 1);
    h.majorVersion = 2;
    h.driverType = GDL_TYPE_VGA;
    h.detect = [](int32_t index, int32_t wanted, int32_t* driver, int32_t* suggested,
                  GDLModeEntry* table) -> int32_t {
        if (wanted < GDL_TYPE_VGA || !VGA_detect(driver)) return 0;
        g_record = recordOf();
        VGA_addMode(table, kMode, index, &g_record);
        if (suggested && *suggested == -1) *suggested = kMode;
        return 1;
    };
    h.init = [](GdlDeviceContext* dc, int32_t driverNumber, int32_t mode, HWND window, int32_t x,
                int32_t y, int32_t, int32_t reserved, int32_t) -> int32_t {
        if (mode != kMode || x != -1 || y != -1 || reserved != 0) return 0;
        VgaDriverState* v = VGA_attachContext(
            dc, g_record.bitsPerPixel ? g_record : recordOf(), driverNumber, mode, window,
            [] { VGA_setMode(nullptr, 0x13, 0, nullptr, nullptr, nullptr); });
        if (!v) return 0;
        LINEAR8_setupVectors(dc);
        return VGA_setMode(dc, int32_t(dc->mode.modeNumber), int32_t(dc->mode.modeFlags),
                           &v->savedMode, &v->savedLines, nullptr);
    };
    h.modes = DRV_modeRecord(kMode);
    h.modeCount = 1;
    return h;
}

GdlDriverHeader g_header = makeHeader();

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
