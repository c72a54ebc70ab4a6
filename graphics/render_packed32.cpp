// The 32-bit packed renderer: the shared template at 4 bytes per pixel.
#include "gdl/packed.h"
#include "render_packed.h"

template struct gdl_packed::Packed<4>;

void PACK32_setupVectors(GdlDeviceContext* dc) {
    gdl_packed::Packed<4>::setup(dc);
}
