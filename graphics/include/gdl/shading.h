// Lines drawn with a wide pen (as span lists), and the trapezoid fillers that
// interpolate colour and test a depth buffer, which the drivers' triangle
// routines feed row block by row block.
#pragma once

#include <cstdint>

#include "gdl/dc.h"

// --- Wide lines -----------------------------------------------------------------------

struct GdlSpanListHead {
    int32_t count;
    int32_t firstRow;
    GdlSpan16* list; // in the scratch buffer
};

// Line (16.16 device coordinates) swept by the pen of the state block.
void DRV_wideLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// One span per row covered by the line swept by a pen of penHeight x penWidth
// pixels whose top-left corner walks the line; returns the smallest span
// start. A list beyond the scratch buffer is fatal.
int32_t GDL_scanWideLine(GdlSpanListHead* out, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                         int32_t penHeight, int32_t penWidth);
// Puts DRV_wideLine into the line slot of the patterned and wide-pen tables
// (2 to 7): a line of spans, so patterns and the pen apply.
void DRV_setWideLineSlots(GdlDeviceContext* dc);

// --- Shaded and depth-tested trapezoids ------------------------------------------------

// The fillers work on the state block: its walker (GdlShadeWalker), its
// z-buffer and depth-slope table (made by makeZBuffer, below).

// Vertex forms: {x, y, v} and {x, y, v1, v2}, all 16.16. Steps per row of x and
// of each value; result -1 (upward edge), 0 (flat) or 1.
int32_t Poly_edgeSetup2(const int32_t* a, const int32_t* b, int32_t* xStep, int32_t* vStep);
int32_t Poly_edgeSetup3(const int32_t* a, const int32_t* b, int32_t* xStep, int32_t* v1Step,
                        int32_t* v2Step);

struct GdlTriGradients {
    int64_t area2;       // twice the signed area, 32.32
    int32_t orientation; // 1, -1, or 0 for a degenerate triangle
    int32_t depthPerX;   // depth units per pixel along x
    int32_t depthPerY;   // along y
};
// Vertices {x, y (16.16), depth (20.12)}.
void Tri_computeGradients(const int32_t* a, const int32_t* b, const int32_t* c,
                          GdlTriGradients* out);

// Depth table entries for columns firstX .. endX - 1: (x - x0) x depth step per pixel.
void DRV_fillDepthRow16(int32_t x0, int32_t firstX, int32_t endX);
void DRV_fillDepthRow32(int32_t x0, int32_t firstX, int32_t endX);
void DRV_fillDepthRow24(int32_t x0, int32_t firstX, int32_t endX);

// Trapezoid fillers; the argument is the `edge` of a GdlShadeWalker. Without
// a z-buffer of their cell size the depth-tested ones draw nothing.
void DRV_depthTrapezoid16(GdlEdgeWalker* walker);
void DRV_depthTrapezoid32(GdlEdgeWalker* walker);
void DRV_shadedDepthTrapezoid16(GdlEdgeWalker* walker);
void DRV_shadedDepthTrapezoid32(GdlEdgeWalker* walker);
void DRV_shadedIndexTrapezoid16(GdlEdgeWalker* walker);
void DRV_shadedIndexTrapezoid32(GdlEdgeWalker* walker);
// Shaded trapezoids without a depth test: an index ramp (through the
// index-to-pixel table) and RGB (packed by the layout, dithered at 8 bits).
void DRV_rampTrapezoid(GdlEdgeWalker* walker);
void DRV_rgbTrapezoid(GdlEdgeWalker* walker);

// --- Z-buffer -----------------------------------------------------------------------------

// The makeZBuffer entry: a zeroed z-buffer of `depth` (16 or 32) bits for a
// directly addressable context of 8 or more bits, owned by the context; it
// selects the depth-tested set of that depth. 1 on success (or when one of
// that depth exists), else 0.
int32_t DRV_makeZBuffer(GdlDeviceContext* dc, int32_t depth);
// Frees the z-buffer unless the context does not own it; forgets it either way.
void DRV_freeZBuffer(GdlDeviceContext* dc);
// zClear of each set: the cells of the rectangle (right and bottom exclusive)
// take z (16-bit cells z >> 15).
void DRV_zClear16(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t z);
void DRV_zClear32(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t z);

// --- Shaded lines and polygon front ends ------------------------------------------------

void DRV_rampLine(int32_t x1, int32_t y1, int32_t c1, int32_t x2, int32_t y2, int32_t c2);
void DRV_rgbLine(int32_t x1, int32_t y1, int32_t r1, int32_t g1, int32_t b1, int32_t x2, int32_t y2,
                 int32_t r2, int32_t g2, int32_t b2);
void DRV_zLine(int32_t x1, int32_t y1, int32_t z1, int32_t x2, int32_t y2, int32_t z2);
void DRV_zRampLine(int32_t x1, int32_t y1, int32_t z1, int32_t c1, int32_t x2, int32_t y2,
                   int32_t z2, int32_t c2);
void DRV_zRgbLine(int32_t x1, int32_t y1, int32_t z1, int32_t r1, int32_t g1, int32_t b1,
                  int32_t x2, int32_t y2, int32_t z2, int32_t r2, int32_t g2, int32_t b2);

void DRV_rampTriangle(const int32_t* a, const int32_t* b, const int32_t* c, int32_t xOffset,
                      int32_t yOffset);
void DRV_rgbTriangle(const int32_t* a, const int32_t* b, const int32_t* c, int32_t xOffset,
                     int32_t yOffset);
void DRV_rampQuad(const int32_t* a, const int32_t* b, const int32_t* c, const int32_t* d,
                  int32_t xOffset, int32_t yOffset);
void DRV_rgbQuad(const int32_t* a, const int32_t* b, const int32_t* c, const int32_t* d,
                 int32_t xOffset, int32_t yOffset);
void DRV_zTriangle(const int32_t* a, const int32_t* b, const int32_t* c, int32_t xOffset,
                   int32_t yOffset, int32_t zOffset);
void DRV_zRampTriangle(const int32_t* a, const int32_t* b, const int32_t* c, int32_t xOffset,
                       int32_t yOffset, int32_t zOffset);
void DRV_zRgbTriangle(const int32_t* a, const int32_t* b, const int32_t* c, int32_t xOffset,
                      int32_t yOffset, int32_t zOffset);
void DRV_zQuad(const int32_t* a, const int32_t* b, const int32_t* c, const int32_t* d,
               int32_t xOffset, int32_t yOffset, int32_t zOffset);
void DRV_zRampQuad(const int32_t* a, const int32_t* b, const int32_t* c, const int32_t* d,
                   int32_t xOffset, int32_t yOffset, int32_t zOffset);
void DRV_zRgbQuad(const int32_t* a, const int32_t* b, const int32_t* c, const int32_t* d,
                  int32_t xOffset, int32_t yOffset, int32_t zOffset);

// Installs the z-buffer maker, the shaded entries and both depth-tested sets
// (a packed-pixel setup of 8 bits or more calls it; the active set stays
// until makeZBuffer fills it).
void DRV_setShadingEntries(GdlDeviceContext* dc);

// --- Shaded primitives through the pixel entries ----------------------------------------

// Gouraud triangles and quadrilaterals (a quad is the triangles (a, b, c) and
// (a, c, d)) walked without their own spans: index vertices {c, x, y}, RGB
// vertices {r, g, b, x, y}, 16.16, offsets added. Rows stop short of their
// right end; RGB goes through the dithered pixel at 8 bits and below.
void Shade_indexTriangle(const int32_t* a, const int32_t* b, const int32_t* c, int32_t xOffset,
                         int32_t yOffset);
void Shade_rgbTriangle(const int32_t* a, const int32_t* b, const int32_t* c, int32_t xOffset,
                       int32_t yOffset);
void Shade_indexQuad(const int32_t* a, const int32_t* b, const int32_t* c, const int32_t* d,
                     int32_t xOffset, int32_t yOffset);
void Shade_rgbQuad(const int32_t* a, const int32_t* b, const int32_t* c, const int32_t* d,
                   int32_t xOffset, int32_t yOffset);
// Shaded lines by the midpoint rule, both ends drawn.
void Shade_rgbLine(int32_t x1, int32_t y1, int32_t r1, int32_t g1, int32_t b1, int32_t x2,
                   int32_t y2, int32_t r2, int32_t g2, int32_t b2);
void Shade_indexLine(int32_t x1, int32_t y1, int32_t c1, int32_t x2, int32_t y2, int32_t c2);
