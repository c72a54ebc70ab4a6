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
