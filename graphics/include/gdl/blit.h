// Copying pixels: bitmap records onto contexts (plain, transparent,
// stretched), rectangles between contexts, the monochrome image put, the page
// operations of display contexts and the palette table of a context.
// Coordinates are viewport coordinates of the context they belong to; every
// rectangle is clipped before the drivers' vector entries copy it.
#pragma once

#include <cstdint>

#include "gdl/bitmap.h"
#include "gdl/dc.h"

// --- Bitmaps ---------------------------------------------------------------------
void GDL_putBitmap(GdlDeviceContext* dc, int32_t x, int32_t y, const GdlBitmap* bitmap,
                   int32_t writeMode);
void GDL_putBitmapTransparent(GdlDeviceContext* dc, int32_t x, int32_t y, const GdlBitmap* bitmap,
                              uint32_t key, int32_t sourceKey);
void GDL_putBitmapTransparentSection(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right,
                                     int32_t bottom, int32_t x, int32_t y, const GdlBitmap* bitmap,
                                     uint32_t key, int32_t sourceKey);
void GDL_stretchBitmap(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right,
                       int32_t bottom, const GdlBitmap* bitmap);
// Set bits drawn in the colour with the write mode; 8 x bytesPerLine wide.
void GDL_drawMonoImage(GdlDeviceContext* dc, int32_t x, int32_t y, int32_t bytesPerLine,
                       int32_t height, const uint8_t* bits);

// --- Between contexts ----------------------------------------------------------------
void GDL_bitBlt(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left, int32_t top,
                int32_t right, int32_t bottom, int32_t x, int32_t y, int32_t writeMode);
void GDL_stretchBlt(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left, int32_t top,
                    int32_t right, int32_t bottom, int32_t destLeft, int32_t destTop,
                    int32_t destRight, int32_t destBottom);
void GDL_transBlt(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left, int32_t top,
                  int32_t right, int32_t bottom, int32_t x, int32_t y, uint32_t key,
                  int32_t sourceKey);
// Bytes that pixels x1 .. x2 - 1 of a row occupy.
int32_t GDL_bytesPerSpan(const GdlDeviceContext* dc, int32_t x1, int32_t x2);
// When on (the default), copies between indexed formats compare palettes and
// translate when they differ. Returns the previous setting.
int32_t GDL_setPaletteCheck(int32_t on);
int32_t GDL_getPaletteCheck();

// --- Pages (display contexts; others give 0 or do nothing) ---------------------------
int32_t GDL_getActivePage(GdlDeviceContext* dc);
int32_t GDL_getVisualPage(GdlDeviceContext* dc);
void GDL_setActivePage(GdlDeviceContext* dc, int32_t page);
void GDL_setVisualPage(GdlDeviceContext* dc, int32_t page, int32_t waitRetrace);
bool GDL_doubleBuffer(GdlDeviceContext* dc);
void GDL_swapBuffers(GdlDeviceContext* dc, int32_t waitRetrace);
int32_t GDL_getDisplayStateWord(GdlDeviceContext* dc);

// --- Palettes ------------------------------------------------------------------------
void GDL_setPaletteEntry(GdlDeviceContext* dc, int32_t index, uint8_t red, uint8_t green,
                         uint8_t blue);
void GDL_setPalette(GdlDeviceContext* dc, const GdlPaletteEntry* entries, int32_t count,
                    int32_t first);
void GDL_getPalette(GdlDeviceContext* dc, GdlPaletteEntry* entries, int32_t count, int32_t first);
int32_t GDL_getPaletteSize(GdlDeviceContext* dc);
void GDL_getDefaultPalette(GdlDeviceContext* dc, GdlPaletteEntry* entries);
void GDL_realizePalette(GdlDeviceContext* dc, int32_t count, int32_t first, int32_t wait);
void GDL_mapToPalette(GdlDeviceContext* dc, const GdlPaletteEntry* entries);
