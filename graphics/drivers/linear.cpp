// LINEAR8.DRV to LINEAR32.DRV: VBE modes drawn by the packed-pixel renderers
// straight into the linear framebuffer (or the support library's virtual
// one), with the VBE family's shared state.
#include <array>
#include <cstring>

#include "gdl/ddraw.h"
#include "gdl/packed.h"
#include "gdl/render.h"
#include "gdl/vbe.h"
#include "gdl/vga.h"
#include "gdl/windc.h"

namespace {

constexpr const char* kNames[4] = {"LINEAR8.DRV", "LINEAR16.DRV", "LINEAR24.DRV", "LINEAR32.DRV"};
// The library's modes of each family: 8 bits; 15 and 16; 24; 32.
struct Run {
    int32_t first, last;
};
constexpr Run kRuns[4] = {{11, 25}, {26, 55}, {56, 70}, {71, 85}};

GdlDriverState* g_state = nullptr;
std::array<GdlModeRecord, 86> g_records{};

VbeDriverState* vbeState() {
    return static_cast<VbeDriverState*>(g_state);
}

GdlDeviceContext* g_current = nullptr;

int32_t detect(int32_t family, int32_t index, int32_t wanted, int32_t* driver, int32_t*,
               GDLModeEntry* table) {
    if (wanted < GDL_TYPE_VBE || !SVGA_detectVBE(driver)) return 0;
    for (int32_t m = kRuns[family].first; m <= kRuns[family].last; ++m) {
        g_records[size_t(m)] = *DRV_modeRecord(m);
        g_records[size_t(m)].modeNumber = 0;
        LINEAR_addMode(table, m, index, &g_records[size_t(m)], true);
    }
    return 1;
}

void setupVectors(int32_t family, GdlDeviceContext* dc) {
    switch (family) {
        case 0: LINEAR8_setupVectors(dc); break;
        case 1: LINEAR16_setupVectors(dc); break;
        case 2: LINEAR24_setupVectors(dc); break;
        default: LINEAR32_setupVectors(dc); break;
    }
}

int32_t init(int32_t family, GdlDeviceContext* dc, int32_t driverNumber, int32_t mode, HWND window,
             int32_t x, int32_t y, int32_t pages, int32_t stereo, int32_t refresh) {
    if (mode < kRuns[family].first || mode > kRuns[family].last) return 0;
    const GdlModeRecord& record = g_records[size_t(mode)];
    if (!(record.modeNumber & 0x4800)) return 0; // not registered by this driver
    dc->mode = record;
    if (!DRV_attachState(dc, &g_state, sizeof(VbeDriverState),
                         [](GdlDeviceContext* d) { DRV_detachState(d, &g_state); }))
        return 0;
    GdlDriverState* s = dc->driverState;
    s->window = window;
    s->driverNumber = driverNumber;
    s->mode = mode;
    dc->type = GDL_DC_FULLSCREEN;
    s->restore = [] { VBE_restoreTextMode(g_current); };
    s->reset = [] {
        if (g_current) VBE_restoreMode(g_current);
    };
    setupVectors(family, dc);
    VbeDriverState* v = vbeState();
    if (!VBE_setMode(dc, int32_t(dc->mode.modeNumber), &v->savedMode, &v->savedLines, x, y, pages,
                     stereo, refresh))
        return 0;
    dc->v.beginDirectAccess = dc->v.endDirectAccess = [] {};
    g_current = dc;
    return 1;
}

template <int F> GdlDriverHeader makeHeader() {
    GdlDriverHeader h{};
    std::memcpy(h.signature, GDL_driverSignature, sizeof(h.signature));
    // Names of 12 characters fill the field but for its zero.
    std::memcpy(h.fileName, kNames[F], std::strlen(kNames[F]));
    std::memcpy(h.driverName, kNames[F], std::strlen(kNames[F]));
    std::strncpy(h.banner, "VESA VBE linear framebuffer driver\r\nVersion 2.0",
                 sizeof(h.banner) - 1);
    h.majorVersion = 2;
    h.driverType = GDL_TYPE_VBE;
    h.detect = [](int32_t index, int32_t wanted, int32_t* driver, int32_t* suggested,
                  GDLModeEntry* table) {
        return detect(F, index, wanted, driver, suggested, table);
    };
    h.init = [](GdlDeviceContext* dc, int32_t driverNumber, int32_t mode, HWND window, int32_t x,
                int32_t y, int32_t pages, int32_t flag, int32_t refresh) {
        return init(F, dc, driverNumber, mode, window, x, y, pages, flag, refresh);
    };
    h.modes = DRV_modeRecord(kRuns[F].first);
    h.modeCount = kRuns[F].last - kRuns[F].first + 1;
    return h;
}

const GdlDriverHeader g_headers[4] = {makeHeader<0>(), makeHeader<1>(), makeHeader<2>(),
                                      makeHeader<3>()};

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
