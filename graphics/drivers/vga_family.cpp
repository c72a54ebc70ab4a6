// The state the VGA drivers share: one reference-counted block for the
// family's contexts, holding the text mode to go back to when the last one
// is destroyed.
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
