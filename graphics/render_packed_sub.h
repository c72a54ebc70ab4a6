// What the 4- and 1-bit packed drivers share: their vector set-up around
// their own pixel routines, and the save-under of sub-byte surfaces.
#pragma once

#include <cstdint>

#include "gdl/dc.h"

namespace gdl_packed {

void fillSubByteVectors(GdlDeviceContext* dc, GdlGetPixelFunc get, GdlPutPixelFunc put);

} // namespace gdl_packed
