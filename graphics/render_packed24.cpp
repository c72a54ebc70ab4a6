// The 24-bit packed renderer: the shared template at 3 bytes per pixel.
#include "gdl/packed.h"
#include "render_packed.h"

template struct gdl_packed::Packed<3>;

void PACK24_setupVectors(GdlDeviceContext* dc) {
    gdl_packed::Packed<3>::setup(dc);
}
