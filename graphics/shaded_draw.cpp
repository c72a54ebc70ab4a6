// Shaded and depth-tested lines, and the triangle and quadrilateral front
// ends that feed the shading trapezoid fillers. Everything works on the state
// block; lines and polygons are drawn in replace mode unless said otherwise.
#include <algorithm>
#include <cmath>
#include <utility>

#include "gdl/thread.h"
#include "gdl/draw.h"
#include "gdl/shading.h"
#include "line_walker.h"

namespace {

// The state block, reached from the library's own thread only (the default
// argument names the caller).
GdlDeviceContext& S(const char* entry = __builtin_FUNCTION()) {
    GDL_checkThread(entry);
    return GDL_stateBlock;
}

int32_t clamp32(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

int32_t roundRow(int64_t v) {
    return int32_t((v + 0x8000) >> 16);
}

// --- Colours ---------------------------------------------------------------------------

// The packed colour of 8-bit channel values for the context's layout; at 8
// bits and below the dithered pixel writer takes 0x00RRGGBB instead.
uint32_t packRgb(const GdlDeviceContext& s, int32_t r, int32_t g, int32_t b) {
    const uint32_t v[3] = {uint32_t(r >> 16) & 0xFF, uint32_t(g >> 16) & 0xFF,
                           uint32_t(b >> 16) & 0xFF};
    if (s.mode.bitsPerPixel <= 8) return v[0] << 16 | v[1] << 8 | v[2];
    const GdlPixelFormat& f = s.format;
    return ((v[0] >> f.redAdjust) & f.redMask) << f.redPosition |
           ((v[1] >> f.greenAdjust) & f.greenMask) << f.greenPosition |
           ((v[2] >> f.blueAdjust) & f.blueMask) << f.bluePosition;
}

uint32_t rampPixel(const GdlDeviceContext& s, int32_t c) {
    return GDL_colorToPixel(&s, std::clamp(c >> 16, 0, 255));
}

// --- Lines -----------------------------------------------------------------------------

enum class Form { Flat, Ramp, Rgb };

// The line being drawn: values interpolated along the major axis, one step
// per pixel.
struct LineState {
    Form form;
    bool depth;
    int32_t count; // values carried: z first when `depth`, then the colours
    int64_t value[4];
    int64_t step[4];
    GdlPutPixelFunc put;
};
bool passDepth(int32_t x, int32_t y, int32_t z) {
    GdlDeviceContext& s = S();
    const int32_t cx = x - s.bounds.left, cy = y - s.bounds.top;
    if (!s.zBuffer || cx < 0 || cx >= s.zWidth || cy < 0 || cy >= s.bounds.bottom - s.bounds.top)
        return false;
    const size_t i = size_t(cy) * size_t(s.zWidth) + size_t(cx);
    if (s.zDepth == 16) {
        int16_t& cell = static_cast<int16_t*>(s.zBuffer)[i];
        const int32_t d = z >> 15;
        if (!(d > cell)) return false;
        cell = int16_t(d);
        return true;
    }
    int32_t& cell = static_cast<int32_t*>(s.zBuffer)[i];
    if (!(z > cell)) return false;
    cell = z;
    return true;
}

void plotLine(LineState& l, int32_t x, int32_t y) {
    GdlDeviceContext& s = S();
    int32_t v[4];
    for (int32_t k = 0; k < l.count; ++k) {
        v[k] = clamp32(l.value[k]);
        l.value[k] += l.step[k];
    }
    const int32_t* colour = l.depth ? v + 1 : v;
    if (l.depth && !passDepth(x, y, v[0])) return;
    if (l.form == Form::Ramp) s.packedColor = rampPixel(s, colour[0]);
    if (l.form == Form::Rgb) {
        s.packedColor = packRgb(s, colour[0], colour[1], colour[2]);
        // The dithered writer of indexed contexts takes the true colour.
        if (s.mode.bitsPerPixel <= 8) s.attr.color = s.packedColor;
    }
    l.put(x, y);
}

// Each value steps by its difference over the major length (16.16) per pixel.
void drawLine(Form form, bool depth, int32_t x1, int32_t y1, const int32_t* from, int32_t x2,
              int32_t y2, const int32_t* to, int32_t count) {
    GdlDeviceContext& s = S();
    if (depth && !s.zBuffer) return;
    if (x2 < x1) {
        std::swap(x1, x2);
        std::swap(y1, y2);
        std::swap(from, to);
    }
    const int64_t major = std::max(int64_t(x2) - x1, std::abs(int64_t(y2) - y1));
    const int64_t pixels = major >> 16; // intervals between the first and last pixel
    LineState l{};
    l.form = form;
    l.depth = depth;
    l.count = count;
    for (int32_t k = 0; k < count; ++k) {
        l.value[k] = from[k];
        l.step[k] = pixels > 0 ? (int64_t(to[k]) - from[k]) * 65536 / major : 0;
    }
    const bool deep = s.mode.bitsPerPixel > 8;
    l.put = s.v.putPixel;
    if ((form == Form::Rgb && !deep) || (form == Form::Flat && s.attr.colorMapMode == 1))
        l.put = s.v.putDitheredPixel;
    const uint32_t savedColor = s.packedColor, savedTrueColor = s.attr.color;
    const int32_t savedMode = s.attr.writeMode;
    s.attr.writeMode = 0;
    s.v.beginAccess();
    gdl_internal::walkFixedLine(x1, y1, x2, y2, {},
                                [&l](int32_t x, int32_t y) { plotLine(l, x, y); });
    s.v.endAccess();
    s.attr.writeMode = savedMode;
    s.packedColor = savedColor;
    s.attr.color = savedTrueColor;
}

// --- Polygons --------------------------------------------------------------------------

// A vertex brought to one form: position, depth and up to three colour values.
struct Vertex {
    int64_t x, y, z;
    int32_t value[3];
};

struct Kind {
    Form form;
    bool depth;
};

int32_t colourCount(Form f) {
    return f == Form::Rgb ? 3 : (f == Form::Ramp ? 1 : 0);
}

Vertex readVertex(const int32_t* p, Kind kind, int32_t xOffset, int32_t yOffset, int32_t zOffset) {
    Vertex v{};
    const int32_t n = colourCount(kind.form);
    for (int32_t k = 0; k < n; ++k)
        v.value[k] = p[k];
    v.x = int64_t(p[n]) + xOffset;
    v.y = int64_t(p[n + 1]) + yOffset;
    v.z = kind.depth ? int64_t(p[n + 2]) + zOffset : 0;
    return v;
}

// One edge walked row by row: its x and values at a row's centre and their
// change per row.
struct Edge {
    const Vertex* a;
    const Vertex* b;
    // In floating point: the product of two 33-bit spans does not fit 64 bits.
    int64_t at(int64_t from, int64_t to, int32_t row) const {
        const int64_t dy = b->y - a->y;
        if (dy <= 0) return from;
        const double t = double(int64_t(row) * 65536 - a->y) / double(dy);
        return from + int64_t(std::clamp(std::trunc(double(to - from) * t), -4e18, 4e18));
    }
    int32_t stepOf(int64_t from, int64_t to) const {
        const int64_t dy = b->y - a->y;
        return dy <= 0 ? 0 : clamp32((to - from) * 65536 / dy);
    }
    int32_t x(int32_t row) const { return clamp32(at(a->x, b->x, row)); }
    int32_t xStep() const { return stepOf(a->x, b->x); }
    int32_t value(int k, int32_t row) const { return clamp32(at(a->value[k], b->value[k], row)); }
    int32_t valueStep(int k) const { return stepOf(a->value[k], b->value[k]); }
};

// The filler of a polygon kind: the shaded trapezoids of the vector, or the
// depth-tested ones of the active set; a logical write mode (or the flag it
// leaves) takes the general depth filler of the z-buffer's cell size.
GdlTrapezoidFunc fillerOf(Kind kind) {
    GdlDeviceContext& s = S();
    if (!kind.depth) return kind.form == Form::Rgb ? s.v.rgbTrapezoid : s.v.rampTrapezoid;
    if (s.attr.writeMode != 0) s.genericTrapezoid = 1;
    const bool wide = s.zDepth == 32;
    if (s.genericTrapezoid) {
        switch (kind.form) {
            case Form::Flat: return wide ? DRV_depthTrapezoid32 : DRV_depthTrapezoid16;
            case Form::Ramp: return wide ? DRV_shadedIndexTrapezoid32 : DRV_shadedIndexTrapezoid16;
            case Form::Rgb: return wide ? DRV_shadedDepthTrapezoid32 : DRV_shadedDepthTrapezoid16;
        }
    }
    const GdlZSet& z = s.v.zActive;
    switch (kind.form) {
        case Form::Flat: return s.attr.colorMapMode == 1 ? z.zTrapezoidMapped : z.zTrapezoid;
        case Form::Ramp: return z.zRampTrapezoid;
        case Form::Rgb: return z.zRgbTrapezoid;
    }
    return z.zTrapezoid;
}

// The depth plane through the three vertices: steps per pixel along x and
// along y, and the depth at column x0 of each row, which the fillers step.
struct Plane {
    double perX = 0, perY = 0, z0 = 0, x0 = 0, y0 = 0;
    int32_t rowDepth(int32_t row, int32_t column) const {
        double d = z0 + perX * (column - x0) + perY * (row - y0);
        return clamp32(int64_t(std::clamp(std::floor(d + 0.5), -2147483648.0, 2147483647.0)));
    }
};

bool planeOf(const Vertex& a, const Vertex& b, const Vertex& c, Plane* p) {
    const double ax = a.x / 65536.0, ay = a.y / 65536.0;
    const double e1x = b.x / 65536.0 - ax, e1y = b.y / 65536.0 - ay;
    const double e2x = c.x / 65536.0 - ax, e2y = c.y / 65536.0 - ay;
    const double dz1 = double(b.z - a.z), dz2 = double(c.z - a.z);
    const double area = e1x * e2y - e2x * e1y;
    if (area == 0) return false;
    p->perX = (dz1 * e2y - dz2 * e1y) / area;
    p->perY = (dz2 * e1x - dz1 * e2x) / area;
    p->z0 = double(a.z);
    p->x0 = ax;
    p->y0 = ay;
    return true;
}

void fillTriangle(Vertex a, Vertex b, Vertex c, Kind kind) {
    GdlDeviceContext& s = S();
    if (kind.depth && !s.zBuffer) return;
    if (a.y > b.y) std::swap(a, b);
    if (b.y > c.y) std::swap(b, c);
    if (a.y > b.y) std::swap(a, b);
    if (c.y == a.y) return; // no rows
    GdlShadeWalker& w = s.walker;
    w = GdlShadeWalker{};
    Plane plane;
    const int32_t x0 = s.bounds.left;
    if (kind.depth) {
        if (!planeOf(a, b, c, &plane)) return;
        const double slope = std::clamp(std::floor(plane.perX + 0.5), -2147483648.0, 2147483647.0);
        const double rowSlope =
            std::clamp(std::floor(plane.perY + 0.5), -2147483648.0, 2147483647.0);
        w.depthStepX = int32_t(slope);
        w.depthStepRow = int32_t(rowSlope);
        const int32_t lo = roundRow(std::min({a.x, b.x, c.x}));
        const int32_t hi = roundRow(std::max({a.x, b.x, c.x}));
        if (s.zDepth == 16)
            DRV_fillDepthRow16(x0, lo, hi + 1);
        else
            DRV_fillDepthRow32(x0, lo, hi + 1);
    }
    GdlTrapezoidFunc fill = fillerOf(kind);
    const Edge longEdge{&a, &c};
    const Edge shortEdges[2] = {{&a, &b}, {&b, &c}};
    for (const Edge& e : shortEdges) {
        const int32_t first = roundRow(e.a->y), end = roundRow(e.b->y);
        if (end <= first) continue;
        w.edge = {first, end - first, longEdge.x(first), e.x(first), longEdge.xStep(), e.xStep()};
        if (kind.depth) w.depth = plane.rowDepth(first, x0);
        if (kind.form == Form::Ramp) {
            w.leftIndex = longEdge.value(0, first);
            w.leftIndexStep = longEdge.valueStep(0);
            w.rightIndex = e.value(0, first);
            w.rightIndexStep = e.valueStep(0);
        } else if (kind.form == Form::Rgb) {
            int32_t* left[3] = {&w.leftRed, &w.leftGreen, &w.leftBlue};
            int32_t* leftStep[3] = {&w.leftRedStep, &w.leftGreenStep, &w.leftBlueStep};
            int32_t* right[3] = {&w.rightRed, &w.rightGreen, &w.rightBlue};
            int32_t* rightStep[3] = {&w.rightRedStep, &w.rightGreenStep, &w.rightBlueStep};
            for (int k = 0; k < 3; ++k) {
                *left[k] = longEdge.value(k, first);
                *leftStep[k] = longEdge.valueStep(k);
                *right[k] = e.value(k, first);
                *rightStep[k] = e.valueStep(k);
            }
        }
        fill(&w.edge);
    }
}

void triangle(const int32_t* a, const int32_t* b, const int32_t* c, Kind kind, int32_t xOffset,
              int32_t yOffset, int32_t zOffset) {
    fillTriangle(readVertex(a, kind, xOffset, yOffset, zOffset),
                 readVertex(b, kind, xOffset, yOffset, zOffset),
                 readVertex(c, kind, xOffset, yOffset, zOffset), kind);
}

// A quadrilateral is the triangles (a, b, c) and (a, c, d).
void quad(const int32_t* a, const int32_t* b, const int32_t* c, const int32_t* d, Kind kind,
          int32_t xOffset, int32_t yOffset, int32_t zOffset) {
    triangle(a, b, c, kind, xOffset, yOffset, zOffset);
    triangle(a, c, d, kind, xOffset, yOffset, zOffset);
}

constexpr Kind kRamp{Form::Ramp, false}, kRgb{Form::Rgb, false};
constexpr Kind kZFlat{Form::Flat, true}, kZRamp{Form::Ramp, true}, kZRgb{Form::Rgb, true};

} // namespace

void DRV_rampLine(int32_t x1, int32_t y1, int32_t c1, int32_t x2, int32_t y2, int32_t c2) {
    drawLine(Form::Ramp, false, x1, y1, &c1, x2, y2, &c2, 1);
}

void DRV_rgbLine(int32_t x1, int32_t y1, int32_t r1, int32_t g1, int32_t b1, int32_t x2, int32_t y2,
                 int32_t r2, int32_t g2, int32_t b2) {
    const int32_t from[3] = {r1, g1, b1}, to[3] = {r2, g2, b2};
    drawLine(Form::Rgb, false, x1, y1, from, x2, y2, to, 3);
}

void DRV_zLine(int32_t x1, int32_t y1, int32_t z1, int32_t x2, int32_t y2, int32_t z2) {
    drawLine(Form::Flat, true, x1, y1, &z1, x2, y2, &z2, 1);
}

void DRV_zRampLine(int32_t x1, int32_t y1, int32_t z1, int32_t c1, int32_t x2, int32_t y2,
                   int32_t z2, int32_t c2) {
    const int32_t from[2] = {z1, c1}, to[2] = {z2, c2};
    drawLine(Form::Ramp, true, x1, y1, from, x2, y2, to, 2);
}

void DRV_zRgbLine(int32_t x1, int32_t y1, int32_t z1, int32_t r1, int32_t g1, int32_t b1,
                  int32_t x2, int32_t y2, int32_t z2, int32_t r2, int32_t g2, int32_t b2) {
    const int32_t from[4] = {z1, r1, g1, b1}, to[4] = {z2, r2, g2, b2};
    drawLine(Form::Rgb, true, x1, y1, from, x2, y2, to, 4);
}

void DRV_rampTriangle(const int32_t* a, const int32_t* b, const int32_t* c, int32_t xOffset,
                      int32_t yOffset) {
    triangle(a, b, c, kRamp, xOffset, yOffset, 0);
}
void DRV_rgbTriangle(const int32_t* a, const int32_t* b, const int32_t* c, int32_t xOffset,
                     int32_t yOffset) {
    triangle(a, b, c, kRgb, xOffset, yOffset, 0);
}
void DRV_rampQuad(const int32_t* a, const int32_t* b, const int32_t* c, const int32_t* d,
                  int32_t xOffset, int32_t yOffset) {
    quad(a, b, c, d, kRamp, xOffset, yOffset, 0);
}
void DRV_rgbQuad(const int32_t* a, const int32_t* b, const int32_t* c, const int32_t* d,
                 int32_t xOffset, int32_t yOffset) {
    quad(a, b, c, d, kRgb, xOffset, yOffset, 0);
}
void DRV_zTriangle(const int32_t* a, const int32_t* b, const int32_t* c, int32_t xOffset,
                   int32_t yOffset, int32_t zOffset) {
    triangle(a, b, c, kZFlat, xOffset, yOffset, zOffset);
}
void DRV_zRampTriangle(const int32_t* a, const int32_t* b, const int32_t* c, int32_t xOffset,
                       int32_t yOffset, int32_t zOffset) {
    triangle(a, b, c, kZRamp, xOffset, yOffset, zOffset);
}
void DRV_zRgbTriangle(const int32_t* a, const int32_t* b, const int32_t* c, int32_t xOffset,
                      int32_t yOffset, int32_t zOffset) {
    triangle(a, b, c, kZRgb, xOffset, yOffset, zOffset);
}
void DRV_zQuad(const int32_t* a, const int32_t* b, const int32_t* c, const int32_t* d,
               int32_t xOffset, int32_t yOffset, int32_t zOffset) {
    quad(a, b, c, d, kZFlat, xOffset, yOffset, zOffset);
}
void DRV_zRampQuad(const int32_t* a, const int32_t* b, const int32_t* c, const int32_t* d,
                   int32_t xOffset, int32_t yOffset, int32_t zOffset) {
    quad(a, b, c, d, kZRamp, xOffset, yOffset, zOffset);
}
void DRV_zRgbQuad(const int32_t* a, const int32_t* b, const int32_t* c, const int32_t* d,
                  int32_t xOffset, int32_t yOffset, int32_t zOffset) {
    quad(a, b, c, d, kZRgb, xOffset, yOffset, zOffset);
}
