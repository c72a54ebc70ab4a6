// The display's colour cache: its current palette and one palette index per
// 5:5:5 colour cell, 0 while not looked up (the display clears the cells
// whenever it sets a palette). The depth conversions of the drawing layer
// look colours up in it.
#pragma once

#include "gdl/pixelformat.h"

#include <cstdint>

struct TPalCache {
    int32_t count; // palette entries, 0 = none
    GdlPaletteEntry entries[256];
    uint8_t cells[32 * 32 * 32];
};
