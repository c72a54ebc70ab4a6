// Drawing state and primitives of the current context: colours, write mode,
// fill style, pen, patterns, viewport and clipping, and lines, rectangles,
// bevels, pixels, polygons and ellipses. Coordinates are viewport coordinates;
// rectangles and spans exclude right and bottom, lines include both ends.
#pragma once

#include <cstdint>

#include "gdl/dc.h"

// --- Drawing state ------------------------------------------------------------
void GDL_setColor(uint32_t color);
void GDL_setBackColor(uint32_t color);
uint32_t GDL_getColor();
uint32_t GDL_getBackColor();
void GDL_setWriteMode(int32_t mode);
void GDL_setFillStyle(int32_t style);
void GDL_setLineStyle(uint32_t pattern);
void GDL_setLineStylePos(uint32_t position);
void GDL_setMonoPattern(const uint8_t* pattern);   // 8 bytes
void GDL_setColorPattern(const uint32_t* pattern); // 64 pixel values
void GDL_beginPixelAccess();
void GDL_endPixelAccess();
void GDL_setColorMapMode(int32_t mode);
void GDL_setBevelColors(uint32_t light, uint32_t dark);
void GDL_setPenStyle(int32_t style);
void GDL_setPenSize(int32_t height, int32_t width);
int32_t GDL_getBitsPerPixel(const GdlDeviceContext* dc);
int32_t GDL_maxPage(const GdlDeviceContext* dc);
int32_t GDL_maxX(const GdlDeviceContext* dc);
int32_t GDL_maxY(const GdlDeviceContext* dc);
// Default colour of an index: the index itself below 256 colours (unless
// colour-map mode 1), else the palette table entry read as one word.
uint32_t GDL_colorToPixel(const GdlDeviceContext* dc, int32_t index);

void GDL_setViewportCurrent(int32_t left, int32_t top, int32_t right, int32_t bottom);
void GDL_setViewport(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right,
                     int32_t bottom);
void GDL_setClipRectCurrent(int32_t left, int32_t top, int32_t right, int32_t bottom);
void GDL_setClipRect(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right,
                     int32_t bottom);
void GDL_getClipRectCurrent(GdlRect* out);
void GDL_getClipRect(GdlDeviceContext* dc, GdlRect* out);
void GDL_setClipMode(GdlDeviceContext* dc, int32_t on);
int32_t GDL_getClipMode(GdlDeviceContext* dc);
void GDL_clearDevice();

// The attribute block with pen height and width as counts.
void GDL_getAttributes(GdlAttributes* out);
void GDL_restoreAttributes(const GdlAttributes* block);
void GDL_setDefaultAttributes(GdlDeviceContext* dc);
void GDL_selectRenderTable();
int32_t GDL_currentRenderTable(); // index of the table last selected, for checks

// --- Primitives ---------------------------------------------------------------
void GDL_lineFX(int32_t x1, int32_t y1, int32_t x2, int32_t y2); // 16.16
void GDL_line(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
void GDL_rect(int32_t left, int32_t top, int32_t right, int32_t bottom);
void GDL_fillRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
void GDL_drawBevel(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t style,
                   int32_t width);
uint32_t GDL_getPixel(int32_t x, int32_t y);
uint32_t GDL_getPixelNoAccess(int32_t x, int32_t y);
void GDL_putPixel(int32_t x, int32_t y); // viewport coordinates, clipped
void GDL_putPixelDevice(int32_t x, int32_t y);
void GDL_putDitheredPixelDevice(int32_t x, int32_t y);
typedef void (*GdlPlotFunc)(int32_t x, int32_t y);
void GDL_lineCoord(int32_t x1, int32_t y1, int32_t x2, int32_t y2, GdlPlotFunc plot);

// Span list in device rows and columns (clipped in place, then slot 3).
void GDL_drawSpans(int32_t firstRow, int32_t count, GdlSpan16* list);
// Polygons: vertices are pairs of 16.16 viewport coordinates `stride` bytes apart.
void GDL_fillPolygon(int32_t count, const void* vertices, int32_t stride);
void GDL_fillConvexPolygon(int32_t count, const void* vertices, int32_t stride);
// Ellipses inside the box (left, top)-(right, bottom), viewport coordinates,
// touching all four edges; angles in whole degrees, counter-clockwise from 3 o'clock.
void GDL_ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom);
void GDL_fillEllipse(int32_t left, int32_t top, int32_t right, int32_t bottom);
void GDL_ellipseArc(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t start,
                    int32_t end);
void GDL_fillEllipseArc(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t start,
                        int32_t end);
void GDL_getArcCoords(int32_t* coords); // centre x, y, start x, y, end x, y
