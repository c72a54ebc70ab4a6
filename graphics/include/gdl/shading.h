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
// Puts DRV_wideLine into the line slot of the wide-pen tables (4 to 7).
void DRV_setWideLineSlots(GdlDeviceContext* dc);

// --- Shaded and depth-tested trapezoids ------------------------------------------------

// The edge walker with the values the shading fillers step. Colours are 16.16
// with the 8-bit channel value in the integer part; indexes 16.16.
struct GdlShadeWalker {
    GdlEdgeWalker edge;   // first, so a GdlEdgeWalker* reaches the whole record
    int32_t depth;        // at the row start (column x0 of the depth table)
    int32_t depthStepX;   // per pixel
    int32_t depthStepRow; // per row
    int32_t leftIndex, leftIndexStep, rightIndex, rightIndexStep;
    int32_t leftRed, leftGreen, leftBlue, rightRed, rightGreen, rightBlue;
    int32_t leftRedStep, leftGreenStep, leftBlueStep, rightRedStep, rightGreenStep, rightBlueStep;
};

// A depth buffer: one 16- or 32-bit cell per pixel of the bounds, from their
// top-left corner, `stride` cells a row; and the per-pixel depth table of the
// current row, one entry per device column (2, 4 or 3 bytes by depth routine).
struct GdlDepthBuffer {
    void* cells;
    int32_t bits; // 16 or 32
    int32_t stride;
    int32_t originX, originY;
    int32_t width, height; // cells a row and rows, for bounds checks
    void* depthTable;
    int32_t tableEntries;
};

// The shading state the fillers work on: the walker and the bound depth buffer.
struct GdlShadeState {
    GdlShadeWalker walker;
    GdlDepthBuffer zbuffer;
};
GdlShadeState& DRV_shadeState();

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

// Trapezoid fillers; the argument is the `edge` of a GdlShadeWalker.
void DRV_depthTrapezoid16(GdlEdgeWalker* walker);
void DRV_depthTrapezoid32(GdlEdgeWalker* walker);
void DRV_shadedDepthTrapezoid16(GdlEdgeWalker* walker);
void DRV_shadedDepthTrapezoid32(GdlEdgeWalker* walker);
void DRV_shadedIndexTrapezoid16(GdlEdgeWalker* walker);
void DRV_shadedIndexTrapezoid32(GdlEdgeWalker* walker);
