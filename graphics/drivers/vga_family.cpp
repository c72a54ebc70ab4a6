// The state the VGA drivers share: one reference-counted block for the
// family's contexts, holding the text mode to go back to when the last one
// is destroyed.
#include <cstring>
#include <initializer_list>

#include "gdl/defaultdraw.h"
#include "gdl/render.h"
#include "gdl/vga.h"
#include "gdl/windc.h"

namespace {

GdlDriverState* g_state = nullptr;

} // namespace

VgaDriverState* VGA_familyState() {
    return static_cast<VgaDriverState*>(g_state);
}

VgaDriverState* VGA_attachContext(GdlDeviceContext* dc, const GdlModeRecord& record,
                                  int32_t driverNumber, int32_t mode, HWND window,
                                  GdlDriverVoidFunc reset) {
    dc->mode = record;
    if (!DRV_attachState(dc, &g_state, sizeof(VgaDriverState),
                         [](GdlDeviceContext* d) { DRV_detachState(d, &g_state); }))
        return nullptr;
    GdlDriverState* s = dc->driverState;
    s->window = window;
    s->driverNumber = driverNumber;
    s->mode = mode;
    dc->type = GDL_DC_FULLSCREEN;
    s->restore = [] {
        if (VgaDriverState* v = VGA_familyState())
            VGA_restoreTextMode(v->savedMode, v->savedLines, nullptr);
    };
    s->reset = reset;
    return VGA_familyState();
}

int32_t VGA_detectModes(const VgaModeRange& range, int32_t index, int32_t wanted, int32_t* driver,
                        int32_t* suggested, GDLModeEntry* table) {
    if (wanted < GDL_TYPE_VGA || !VGA_detect(driver)) return 0;
    for (int32_t m = range.first; m <= range.last; ++m) {
        range.records[m - range.first] = range.recordOf(m);
        VGA_addMode(table, m, index, &range.records[m - range.first]);
    }
    if (suggested && *suggested == -1) *suggested = range.suggested;
    return 1;
}

int32_t VGA_initContext(const VgaModeRange& range, GdlDeviceContext* dc, int32_t driverNumber,
                        int32_t mode, HWND window, int32_t x, int32_t y, int32_t reserved) {
    if (mode < range.first || mode > range.last || x != -1 || y != -1 || reserved != 0) return 0;
    const GdlModeRecord& known = range.records[mode - range.first];
    VgaDriverState* v = VGA_attachContext(dc, known.bitsPerPixel ? known : range.recordOf(mode),
                                          driverNumber, mode, window, range.reset);
    if (!v) return 0;
    DRV_derivePixelFormat(dc);
    range.setupVectors(dc);
    return range.setMode(dc, v, mode) ? 1 : 0;
}

void VGA_installPlanarSet(GdlDeviceContext* dc, const VgaPlanarSet& set) {
    if (dc->driverState) dc->driverState->paletteEntriesPerCall = 256;
    GdlRenderVector& v = dc->v;
    DRV_setGenericRenderers(dc);
    DRV_setDefaultBlits(dc);
    v.realizePalette = VGA_realizePalette;
    v.beginAccess = v.endAccess = [] {};
    v.getPixel = set.getPixel;
    v.putPixel = set.putPixel;
    v.getRow = set.getRow;
    v.putRow = set.putRow;
    // The line slot of the patterned and wide tables stays the generic one.
    v.tables[0].line = v.tables[1].line = set.line;
    for (int t = 0; t < 8; ++t) {
        v.tables[t].span = set.span;
        v.tables[t].spanList = set.spanList;
    }
    DRV_setRenderSlot2(dc, set.fillRect);
    for (int t : {0, 1, 2, 3, 8})
        v.tables[t].ellipse = set.ellipse;
}

GdlDriverHeader VGA_makeHeader(const char* name, const char* banner, const GdlModeRecord* modes,
                               int32_t modeCount, GdlDetectFunc detect, GdlInitFunc init) {
    GdlDriverHeader h{};
    std::memcpy(h.signature, GDL_driverSignature, sizeof(h.signature));
    std::strncpy(h.fileName, name, sizeof(h.fileName) - 1);
    std::strncpy(h.driverName, name, sizeof(h.driverName) - 1);
    std::strncpy(h.banner, banner, sizeof(h.banner) - 1);
    h.majorVersion = 2;
    h.driverType = GDL_TYPE_VGA;
    h.detect = detect;
    h.init = init;
    h.modes = modes;
    h.modeCount = modeCount;
    return h;
}
