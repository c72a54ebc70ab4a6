// SVGA4.DRV to SVGA32.DRV: VBE modes drawn through the 64 KB bank window,
// the 16-colour ones by the planar set, the others by the banked render sets,
// with the VBE family's shared state.
#include <array>

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

void withFormat(GdlDeviceContext* dc, void (*setup)(GdlDeviceContext*)) {
    DRV_derivePixelFormat(dc);
    setup(dc);
}

// The 16-colour modes 2 to 5 (640 x 350 to 800 x 600); then 8 bits; 15 and
// 16; 24; 32.
const VbeDriverFamily::Member kMembers[5] = {
    {"SVGA4.DRV", 2, 5, [](GdlDeviceContext* dc) { withFormat(dc, VGA4_setupVectors); }},
    {"SVGA8.DRV", 11, 25, [](GdlDeviceContext* dc) { withFormat(dc, SVGA8_setupVectors); }},
    {"SVGA16.DRV", 26, 55, [](GdlDeviceContext* dc) { withFormat(dc, SVGA16_setupVectors); }},
    {"SVGA24.DRV", 56, 70, [](GdlDeviceContext* dc) { withFormat(dc, SVGA24_setupVectors); }},
    {"SVGA32.DRV", 71, 85, [](GdlDeviceContext* dc) { withFormat(dc, SVGA32_setupVectors); }}};

// A 16-colour mode shows the identity palette with video on.
void resetAttributes(GdlDeviceContext* dc) {
    if (dc->mode.bitsPerPixel == 4) VGA4_resetAttributes(0);
}

const VbeDriverFamily kFamily{kMembers,
                              "VESA VBE SuperVGA banked driver\r\nVersion 2.0",
                              SVGA_addBankedMode,
                              resetAttributes,
                              4,
                              &g_state,
                              [](GdlDeviceContext* d) { DRV_detachState(d, &g_state); },
                              [] { VBE_restoreTextMode(g_current); },
                              [] {
                                  if (g_current && VBE_restoreMode(g_current))
                                      resetAttributes(g_current);
                              },
                              g_records.data(),
                              g_registered,
                              &g_current};

const GdlDriverHeader g_headers[5] = {
    VBE_familyHeader<kFamily, 0>(), VBE_familyHeader<kFamily, 1>(), VBE_familyHeader<kFamily, 2>(),
    VBE_familyHeader<kFamily, 3>(), VBE_familyHeader<kFamily, 4>()};

} // namespace

const GdlDriverHeader* SVGA_header(int32_t bits) {
    if (bits == 4) return &g_headers[0];
    const int32_t family = DRV_familyOfBits(bits);
    return family >= 0 ? &g_headers[family + 1] : nullptr;
}
