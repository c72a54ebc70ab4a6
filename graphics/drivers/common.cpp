// What every hardware driver does alike: attaching a context to the family's
// reference-counted shared state and letting it go.
#include "gdl/memory.h"
#include "gdl/result.h"
#include "gdl/windc.h"

bool DRV_attachState(GdlDeviceContext* dc, GdlDriverState** slot, size_t size,
                     GdlDriverDestroyFunc destroy) {
    if (!*slot) {
        *slot = static_cast<GdlDriverState*>(
            GDL_calloc(1, size < sizeof(GdlDriverState) ? sizeof(GdlDriverState) : size));
        if (!*slot) {
            GDL_setResult(GDL_NO_MEMORY);
            return false;
        }
        (*slot)->destroy = destroy;
    }
    (*slot)->refCount++;
    dc->driverState = *slot;
    return true;
}

void DRV_detachState(GdlDeviceContext* dc, GdlDriverState** slot) {
    if (!*slot || dc->driverState != *slot) return;
    dc->driverState = nullptr;
    if (--(*slot)->refCount <= 0) {
        GDL_free(*slot);
        *slot = nullptr;
    }
}

bool DRV_attachDisplay(GdlDeviceContext* dc, GdlDriverState** slot, GdlDriverDestroyFunc destroy,
                       const GdlDisplayAttach& a) {
    if (!DRV_attachState(dc, slot, sizeof(GdlDriverState), destroy)) return false;
    GdlDriverState* s = dc->driverState;
    s->window = a.window;
    s->driverNumber = a.driverNumber;
    s->mode = a.mode;
    dc->type = a.type;
    s->hardwareCursor = 0;
    s->createOffscreen = nullptr;
    s->restore = a.restore;
    s->reset = nullptr;
    return true;
}

int32_t DRV_familyOfBits(int32_t bits) {
    switch (bits) {
        case 8: return 0;
        case 15:
        case 16: return 1;
        case 24: return 2;
        case 32: return 3;
        default: return -1;
    }
}
