// The 8-bit packed renderer: the shared template at one byte per pixel, plus
// colour-map mode, which exists only at this depth: lines, spans and
// trapezoids of render table 8 and the dithered pixel write a halftone index
// of the colour cube for a true colour.
#include "gdl/packed.h"
#include "render_packed.h"

template struct gdl_packed::Packed<1>;

void PACK8_setupVectors(GdlDeviceContext* dc) {
    using namespace gdl_packed;
    Packed<1>::setup(dc);
    GdlRenderTable& t = dc->v.tables[8];
    t.line = pack8DitheredLine;
    t.span = pack8DitheredSpan;
    t.trapezoid = pack8DitheredTrapezoid;
    dc->v.putDitheredPixel = pack8DitheredPixel;
}
