// The packed-pixel drivers: software renderers for surfaces that are one
// linear block of rows in memory, at 1, 4, 8, 15/16, 24 and 32 bits. Memory
// contexts are bound to them by depth; hardware back ends with a linear
// surface call the setup of their depth and then replace what they do
// themselves.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gdl/dc.h"
#include "gdl/driver.h"

// Init entries: check the pixel layout, attach the shared state, fill the
// memory-context fields and the vector, make a surface when none was given.
// 1 on success; 0 with the library result set.
int32_t PACK1_init(GdlDeviceContext* dc);
int32_t PACK4_init(GdlDeviceContext* dc);
int32_t PACK8_init(GdlDeviceContext* dc);
int32_t PACK16_init(GdlDeviceContext* dc);
int32_t PACK24_init(GdlDeviceContext* dc);
int32_t PACK32_init(GdlDeviceContext* dc);

// Destroy entries (reached through the shared state).
void PACK1_destroy(GdlDeviceContext* dc);
void PACK4_destroy(GdlDeviceContext* dc);
void PACK8_destroy(GdlDeviceContext* dc);
void PACK16_destroy(GdlDeviceContext* dc);
void PACK24_destroy(GdlDeviceContext* dc);
void PACK32_destroy(GdlDeviceContext* dc);

// Render-vector setups of the byte-sized depths.
void PACK8_setupVectors(GdlDeviceContext* dc);
void PACK16_setupVectors(GdlDeviceContext* dc);
void PACK24_setupVectors(GdlDeviceContext* dc);
void PACK32_setupVectors(GdlDeviceContext* dc);
// PACK4 and PACK1 fill their vectors inside their inits.
void PACK4_fillVectors(GdlDeviceContext* dc);
void PACK1_fillVectors(GdlDeviceContext* dc);

// Pixel access of the sub-byte depths.
uint32_t PACK4_getPixel(int32_t x, int32_t y);
void PACK4_putPixel(int32_t x, int32_t y);
uint32_t PACK1_getPixel(int32_t x, int32_t y);
void PACK1_putPixel(int32_t x, int32_t y);
void PACK1_span(int32_t y, int32_t x1, int32_t x2);

// A PACK4 context keeps its even pixel in the low four bits of a byte, while
// bitmaps, DIB rows and every row entry and conversion put it in the high
// four bits (the row form). The two differ by the order of the nibbles in
// each byte, so whole bytes convert either way by swapping them.
bool PACK4_isContext(const GdlDeviceContext* dc);
void PACK4_swapNibbles(uint8_t* out, const uint8_t* in, size_t bytes);

// Static header of the driver of a depth (1, 4, 8, 15, 16, 24, 32), else null.
const GdlDriverHeader* PACK_driverHeader(int32_t bits);
// Hands the six headers to the library and registers them, so memory
// contexts of every depth can be made.
void PACK_registerDrivers();
// Shared state of the driver of a depth while any of its contexts lives.
const GdlDriverState* PACK_driverState(int32_t bits);
