// Routines the drivers install into a context's vector: the defaults every
// driver starts from, the attribute entries, and the device-independent render
// core (spans, span lists, trapezoids, polygons, ellipses, styled and
// colour-mapped lines). All of them work on the state block.
#pragma once

#include <cstdint>

#include "gdl/dc.h"

// The empty routine of unset entries, and the one that answers 0.
void GDL_nullVector();
HDC GDL_returnZero(GdlDeviceContext* dc);

// Fills every entry of a context's vector with do-nothing routines.
void DRV_setDefaultVectors(GdlDeviceContext* dc);
// Stores one routine in the same slot of all nine tables.
void DRV_setRenderSlot0(GdlDeviceContext* dc, GdlLineFunc routine);
void DRV_setRenderSlot1(GdlDeviceContext* dc, GdlSpanFunc routine);
void DRV_setRenderSlot2(GdlDeviceContext* dc, GdlFillRectFunc routine);
void DRV_setRenderSlot3(GdlDeviceContext* dc, GdlSpanListFunc routine);
void DRV_setRenderSlot4(GdlDeviceContext* dc, GdlTrapezoidFunc routine);
void DRV_setRenderSlot5(GdlDeviceContext* dc, GdlRegionFunc routine);
void DRV_setRenderSlot6(GdlDeviceContext* dc, GdlEllipseFunc routine);
void DRV_setRenderSlot7(GdlDeviceContext* dc, GdlEllipseFunc routine);
void DRV_setRenderSlot8(GdlDeviceContext* dc, GdlArcFunc routine);
void DRV_setRenderSlot9(GdlDeviceContext* dc, GdlArcFunc routine);
// Installs the render core's shared routines (span lists, regions, trapezoids,
// shapes, polygons, styled and colour-mapped lines) and the default attribute
// entries; a driver calls it before putting in its own spans and lines.
void DRV_setGenericRenderers(GdlDeviceContext* dc);

// Default attribute entries.
void DRV_setColor(uint32_t color);
void DRV_setBackColor(uint32_t color);
void DRV_applyClipRect(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right,
                       int32_t bottom);
void DRV_setWriteMode(int32_t mode);
void DRV_setFillStyle(int32_t style);
void DRV_setMonoPattern(const uint8_t* pattern);
void DRV_setColorPattern(const uint32_t* pattern);
void DRV_setLineStyle(int32_t style);
void DRV_setPenAttr(int32_t value);
void DRV_derivePixelFormat(GdlDeviceContext* dc);
// Windows DC of a memory surface (its DIB section's, or none) and its release.
HDC DRV_getMemDC(GdlDeviceContext* dc);
void DRV_deleteMemDC(GdlDeviceContext* dc);
// Copies palette entries into the context and, for a DIB section of 8 bits or
// fewer, into its colour table (keeping the static colours of a palette screen).
void DRV_realizePalette(GdlDeviceContext* dc, const GdlPaletteEntry* palette, int32_t count,
                        int32_t first, int32_t wait);
// The library's switch that gives all 256 entries to the application.
void GDL_setNoStaticColors(bool on);

// Render core.
// Line through the put-pixel entry (device coordinates, 16.16, already clipped).
void DRV_genericLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// Rectangle as one current-table span per row.
void DRV_genericFillRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
void DRV_clippedSpan(int32_t y, int32_t x1, int32_t x2);
void DRV_viewportSpan(int32_t y, int32_t x1, int32_t x2);
void DRV_spanList(int32_t firstRow, int32_t count, const GdlSpan16* list);
void DRV_regionSpans(int32_t x, int32_t y, const GdlRegionRow* region);
void DRV_trapezoid(GdlEdgeWalker* walker);
void DRV_scanLine(int32_t y, int32_t x1, int32_t x2);
void DRV_colorMappedLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
void DRV_styledLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
void DRV_patternPixel(int32_t x, int32_t y);
int32_t GDL_clipLine(int32_t* x1, int32_t* y1, int32_t* x2, int32_t* y2, int32_t left, int32_t top,
                     int32_t right, int32_t bottom);
void DRV_polygon(int32_t count, const void* vertices, int32_t stride, int32_t xOffset,
                 int32_t yOffset);
void DRV_convexPolygon(int32_t count, const void* vertices, int32_t stride, int32_t xOffset,
                       int32_t yOffset);
void DRV_triangle(const int32_t* a, const int32_t* b, const int32_t* c, int32_t xOffset,
                  int32_t yOffset);
void DRV_quad(const int32_t* a, const int32_t* b, const int32_t* c, const int32_t* d,
              int32_t xOffset, int32_t yOffset);
void DRV_ellipse(const GdlRect* box, int32_t patterned);
void DRV_wideEllipse(const GdlRect* box, int32_t clip);
void DRV_fillEllipse(const GdlRect* box, int32_t clip);
void DRV_ellipseArc(const GdlRect* box, int32_t startAngle, int32_t endAngle, int32_t patterned);
void DRV_fillEllipseArc(const GdlRect* box, int32_t startAngle, int32_t endAngle, int32_t clip);
void DRV_getArcCoords(int32_t* coords);
// Point of an angle (whole degrees) on the ellipse of half axes (a, b) around
// the origin, y growing downwards.
void DRV_arcPoint(int32_t a, int32_t b, int32_t angle, int32_t* x, int32_t* y);
