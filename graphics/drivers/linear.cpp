// LINEAR8.DRV to LINEAR32.DRV: VBE modes drawn by the packed-pixel renderers
// straight into the linear framebuffer (or the support library's virtual
// one), with the VBE family's shared state.
#include <array>

#include "gdl/packed.h"
#include "gdl/render.h"
#include "gdl/vbe.h"
#include "gdl/vga.h"
#include "gdl/windc.h"
#include "vbe_driver.h"

namespace {

GdlDriverState* g_state = nullptr;
GdlDeviceContext* g_current = nullptr;
std::array<GdlModeRecord, 86> g_records{};
bool g_registered[86]{};

// The library's modes of each member: 8 bits; 15 and 16; 24; 32.
const VbeDriverFamily::Member kMembers[4] = {{"LINEAR8.DRV", 11, 25, LINEAR8_setupVectors},
                                             {"LINEAR16.DRV", 26, 55, LINEAR16_setupVectors},
                                             {"LINEAR24.DRV", 56, 70, LINEAR24_setupVectors},
                                             {"LINEAR32.DRV", 71, 85, LINEAR32_setupVectors}};

const VbeDriverFamily kFamily{
    kMembers,
    "VESA VBE linear framebuffer driver\r\nVersion 2.0",
    [](GDLModeEntry* table, int32_t mode, int32_t driver, GdlModeRecord* record) {
        LINEAR_addMode(table, mode, driver, record, true);
    },
    nullptr,
    -1,
    &g_state,
    [](GdlDeviceContext* d) { DRV_detachState(d, &g_state); },
    [] { VBE_restoreTextMode(g_current); },
    [] {
        if (g_current) VBE_restoreMode(g_current);
    },
    g_records.data(),
    g_registered,
    &g_current};

const GdlDriverHeader g_headers[4] = {
    VBE_familyHeader<kFamily, 0>(), VBE_familyHeader<kFamily, 1>(), VBE_familyHeader<kFamily, 2>(),
    VBE_familyHeader<kFamily, 3>()};

void linearSetup(GdlDeviceContext* dc, void (*packed)(GdlDeviceContext*)) {
    DRV_derivePixelFormat(dc);
    packed(dc);
    dc->packedDriver = 1;
}

} // namespace

const GdlDriverHeader* LINEAR_header(int32_t bits) {
    const int32_t family = DRV_familyOfBits(bits);
    return family >= 0 ? &g_headers[family] : nullptr;
}

void LINEAR16_setupVectors(GdlDeviceContext* dc) {
    linearSetup(dc, PACK16_setupVectors);
}
void LINEAR24_setupVectors(GdlDeviceContext* dc) {
    linearSetup(dc, PACK24_setupVectors);
}
void LINEAR32_setupVectors(GdlDeviceContext* dc) {
    linearSetup(dc, PACK32_setupVectors);
}
