// The device-independent routines every driver puts into the higher entries
// of a context's routine vector: transparent and overlapping blits, stretch
// and converting blits, device/memory copies, the monochrome image, the
// software cursor, the two glyph routines and the four pixel scans. They work
// row by row through the lower entries (begin/end access, row puts, get row,
// pixels) of the destination context.
#pragma once

#include <cstdint>

#include "gdl/dc.h"

// Fills the entries above with the routines of this file (a driver calls it
// after DRV_setGenericRenderers and may replace entries afterwards).
void DRV_setDefaultBlits(GdlDeviceContext* dc);

// --- Blits ------------------------------------------------------------------------
void DRV_srcTransBlt(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left, int32_t top,
                     int32_t right, int32_t bottom, int32_t destX, int32_t destY, int32_t op,
                     uint32_t key);
void DRV_dstTransBlt(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left, int32_t top,
                     int32_t right, int32_t bottom, int32_t destX, int32_t destY, int32_t op,
                     uint32_t key);
// Within the current context; `downward` copies rows top to bottom.
void DRV_copyWithin(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t destX,
                    int32_t destY, int32_t op, int32_t downward);
void DRV_getImage(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t memX,
                  int32_t memY, int32_t op, void* memory, int32_t bytesPerLine);
void DRV_putImage(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t destX,
                  int32_t destY, int32_t op, const void* memory, int32_t bytesPerLine,
                  GdlDeviceContext* source = nullptr);
// `translate` set means the caller found the palettes identical.
void DRV_stretch1x2(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left, int32_t top,
                    int32_t right, int32_t bottom, int32_t destX, int32_t destY,
                    const GdlPaletteEntry* palette, int32_t translate);
void DRV_stretch2x2(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left, int32_t top,
                    int32_t right, int32_t bottom, int32_t destX, int32_t destY,
                    const GdlPaletteEntry* palette, int32_t translate);
// Scales are 16.16; the phases as for the stretch entry (GdlStretchFunc).
void DRV_convertBlt(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left, int32_t top,
                    int32_t right, int32_t bottom, int32_t destX, int32_t destY, int32_t xScale,
                    int32_t yScale, const GdlPaletteEntry* palette, int32_t translate,
                    int32_t xPhase = 0, int32_t yPhase = 0);
// Whether the stretch blits may copy pixels as they are (same depth and, by
// depth, the same palette or the same channel positions).
bool DRV_sameBlitFormat(const GdlDeviceContext* dest, const GdlDeviceContext* src,
                        int32_t translate);

// --- Monochrome image, cursor and glyphs -------------------------------------------
void DRV_putMonoImage(GdlDeviceContext* dc, int32_t x, int32_t y, int32_t bytesPerLine,
                      int32_t height, const uint8_t* bits);
void DRV_drawCursor(GdlDeviceContext* dc, int32_t x, int32_t y, int32_t bytesPerLine,
                    int32_t height, const uint8_t* andMask, const uint8_t* xorMask, uint32_t color);
// The same through `image` instead of the context's 1-bit image entry (null:
// that entry).
void DRV_drawCursorWith(GdlDeviceContext* dc, int32_t x, int32_t y, int32_t bytesPerLine,
                        int32_t height, const uint8_t* andMask, const uint8_t* xorMask,
                        uint32_t color, GdlPutMonoImageFunc image);
// A stroke list is a run of 16-bit words with bit 0 set, ended by a word with
// bit 0 clear: bits 1-7 a signed x, bit 8 move only, bits 9-15 a signed y
// (y up). Device coordinates, unclipped. Returns where the list ended.
const uint16_t* DRV_strokeGlyph(int32_t x, int32_t y, const uint16_t* list, int32_t xMultiplier,
                                int32_t yMultiplier, int32_t xDivisor, int32_t yDivisor);
// A string in the current bitmap font at device coordinates.
void DRV_drawString(int32_t x, int32_t y, const char* text);

// Fields of one stroke word.
inline int32_t DRV_strokeX(uint16_t w) {
    return int32_t(int8_t(uint8_t(w & 0xFE))) >> 1;
}
inline int32_t DRV_strokeY(uint16_t w) {
    return int32_t(int8_t(uint8_t((w >> 8) & 0xFE))) >> 1;
}
inline bool DRV_strokeMoveOnly(uint16_t w) {
    return (w & 0x100) != 0;
}
inline uint16_t DRV_makeStroke(int32_t x, int32_t y, bool moveOnly) {
    return uint16_t(1 | ((uint32_t(x) & 0x7F) << 1) | (moveOnly ? 0x100u : 0u) |
                    ((uint32_t(y) & 0x7F) << 9));
}

// --- Pixel scans (current context, device coordinates) ------------------------------
int32_t DRV_scanRightTo(int32_t x, int32_t y, uint32_t color);
int32_t DRV_scanLeftTo(int32_t x, int32_t y, uint32_t color);
int32_t DRV_scanRightWhile(int32_t x, int32_t y, uint32_t color);
int32_t DRV_scanLeftWhile(int32_t x, int32_t y, uint32_t color);
