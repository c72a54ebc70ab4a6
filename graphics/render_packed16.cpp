// The 15- and 16-bit packed renderer: the shared template at 2 bytes per
// pixel; the layout (5:5:5 or 5:6:5) matters only to the converting paths.
#include "gdl/packed.h"
#include "render_packed.h"

template struct gdl_packed::Packed<2>;

void PACK16_setupVectors(GdlDeviceContext* dc) {
    gdl_packed::Packed<2>::setup(dc);
}
