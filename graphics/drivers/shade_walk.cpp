// Gouraud-shaded triangles, quadrilaterals and lines drawn through the
// context's pixel entries alone, so a driver without shaded spans of its own
// (mode X) can install them. Values are 16.16; an edge's x is not corrected
// for the distance from its vertex to the first row's centre, and a row's
// last pixel (its right end) is not drawn.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "gdl/draw.h"
#include "gdl/shading.h"
#include "gdl/support.h"
#include "gdl/vga.h"

namespace {

GdlDeviceContext& S() {
    return GDL_stateBlock;
}

int32_t nearest(int64_t v) {
    return int32_t((v + 0x8000) >> 16);
}

int32_t clamp32(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// The quotient of a 16.16 difference by a 16.16 length, without overflow.
int32_t perUnit(int64_t diff, int64_t length) {
    return length ? clamp32(diff * 65536 / length) : 0;
}

// A vertex: N colour values, then x and y, all with the offsets applied.
template <int N> struct Vertex {
    int64_t value[N];
    int64_t x, y;
};

template <int N> Vertex<N> readVertex(const int32_t* p, int32_t xOffset, int32_t yOffset) {
    Vertex<N> v{};
    for (int k = 0; k < N; ++k)
        v.value[k] = p[k];
    v.x = int64_t(p[N]) + xOffset;
    v.y = int64_t(p[N + 1]) + yOffset;
    return v;
}

// Writes one pixel of the interpolated colour: an index at 8 bits or less
// (the index-table entry above), an RGB colour through the dithered pixel at
// 8 bits or less (the context's packed layout above).
template <int N> void writePixel(GdlDeviceContext& s, int32_t x, int32_t y, const int64_t* value) {
    if constexpr (N == 1) {
        const uint32_t c = uint32_t(value[0] >> 16) & 0xFF;
        s.packedColor = s.mode.bitsPerPixel <= 8 ? c : GDL_colorToPixel(&s, int32_t(c));
        s.v.putPixel(x, y);
    } else {
        uint32_t v[3];
        for (int k = 0; k < 3; ++k)
            v[k] = uint32_t(value[k] >> 16) & 0xFF;
        if (s.mode.bitsPerPixel <= 8) {
            s.attr.color = v[0] << 16 | v[1] << 8 | v[2];
            s.v.putDitheredPixel(x, y);
        } else {
            const GdlPixelFormat& f = s.format;
            s.packedColor = ((v[0] >> f.redAdjust) & f.redMask) << f.redPosition |
                            ((v[1] >> f.greenAdjust) & f.greenMask) << f.greenPosition |
                            ((v[2] >> f.blueAdjust) & f.blueMask) << f.bluePosition;
            s.v.putPixel(x, y);
        }
    }
}

// One edge of a chain: x and the values at the current row and their steps.
template <int N> struct Edge {
    int64_t x, xStep;
    int64_t value[N], step[N];
    int64_t endY;
};

// Height of the edge from `a` to `b`: -1 upward, 0 flat, else 1 with the
// steps per row (a height of at most one row takes the differences whole).
template <int N> int32_t setUp(Edge<N>& e, const Vertex<N>& a, const Vertex<N>& b) {
    const int64_t height = b.y - a.y;
    if (height < 0) return -1;
    if (height == 0) return 0;
    auto step = [height](int64_t diff) {
        return height > 0x10000 ? int64_t(perUnit(diff, height)) : diff;
    };
    e.x = a.x;
    e.xStep = step(b.x - a.x);
    for (int k = 0; k < N; ++k) {
        e.value[k] = a.value[k];
        e.step[k] = step(b.value[k] - a.value[k]);
    }
    e.endY = b.y;
    return 1;
}

// The rows of a band between the left and right edges.
template <int N> void band(Edge<N>& l, Edge<N>& r, int32_t y, int32_t rows) {
    GdlDeviceContext& s = S();
    const GdlRect& c = s.clipDevice;
    for (int32_t i = 0; i < rows; ++i, ++y) {
        if (y >= c.top && y < c.bottom) {
            int32_t xl = nearest(l.x), xr = nearest(r.x);
            const int64_t* from = l.value;
            const int64_t* to = r.value;
            if (xr < xl) {
                std::swap(xl, xr);
                std::swap(from, to);
            }
            const int64_t w = int64_t(xr) - xl + 1;
            int64_t step[N], value[N];
            const int32_t first = std::max(xl, c.left), last = std::min(xr, c.right);
            for (int k = 0; k < N; ++k) {
                step[k] = w >= 2 ? perUnit(to[k] - from[k], w << 16) : to[k] - from[k];
                value[k] = from[k] + step[k] * (int64_t(first) - xl);
            }
            for (int32_t x = first; x < last; ++x) {
                writePixel<N>(s, x, y, value);
                for (int k = 0; k < N; ++k)
                    value[k] += step[k];
            }
        }
        l.x += l.xStep;
        r.x += r.xStep;
        for (int k = 0; k < N; ++k) {
            l.value[k] += l.step[k];
            r.value[k] += r.step[k];
        }
    }
}

// Steps `i` to the chain's next edge of positive height; false at a
// negative one (the sentinel) or past the last vertex.
template <int N> bool nextEdge(Edge<N>& e, const Vertex<N>* chain, int32_t& i, int32_t count) {
    for (; i < count; ++i) {
        const int32_t h = setUp(e, chain[i], chain[i + 1]);
        if (h < 0) return false;
        if (h > 0) return true;
    }
    return false;
}

// Chains A (top, middle, bottom) and B (top, bottom, middle), each ending
// in a sentinel whose y is -1.
template <int N> void walk(const Vertex<N>* a, const Vertex<N>* b) {
    GdlDeviceContext& s = S();
    const uint32_t savedColor = s.packedColor, savedTrue = s.attr.color;
    Edge<N> left{}, right{};
    int32_t i = 0, j = 0;
    if (!nextEdge(left, a, i, 2) || !nextEdge(right, b, j, 2)) return;
    int64_t current = a[i].y;
    int32_t y = nearest(current);
    for (;;) {
        const int64_t end = std::min(left.endY, right.endY);
        const int32_t rows = nearest(end) - nearest(current);
        band(left, right, y, rows);
        y += rows;
        current = end;
        if (left.endY == end && (++i, !nextEdge(left, a, i, 2))) break;
        if (right.endY == end && (++j, !nextEdge(right, b, j, 2))) break;
    }
    s.packedColor = savedColor;
    s.attr.color = savedTrue;
}

template <int N>
void triangle(const int32_t* p, const int32_t* q, const int32_t* r, int32_t xOffset,
              int32_t yOffset) {
    Vertex<N> v[3] = {readVertex<N>(p, xOffset, yOffset), readVertex<N>(q, xOffset, yOffset),
                      readVertex<N>(r, xOffset, yOffset)};
    // Three compare-exchanges; ties keep the given order.
    if (v[2].y < v[1].y) std::swap(v[1], v[2]);
    if (v[1].y < v[0].y) std::swap(v[0], v[1]);
    if (v[2].y < v[1].y) std::swap(v[1], v[2]);
    Vertex<N> sentinel{};
    sentinel.y = -0x10000;
    const Vertex<N> a[4] = {v[0], v[1], v[2], sentinel};
    const Vertex<N> b[4] = {v[0], v[2], v[1], sentinel};
    walk<N>(a, b);
}

// The shaded line by the midpoint rule started at the first end's pixel
// centre. Callers pass lines inside the clip rectangle, but a pixel outside
// it is skipped all the same: the entry is reached from outside the library.
template <int N>
void shadedLine(const int64_t* from, const int64_t* to, int32_t x1, int32_t y1, int32_t x2,
                int32_t y2) {
    GdlDeviceContext& s = S();
    if (x2 < x1) {
        std::swap(x1, x2);
        std::swap(y1, y2);
        std::swap(from, to);
    }
    const int64_t dx = int64_t(x2) - x1, dy = std::llabs(int64_t(y2) - y1);
    const int32_t sign = y2 >= y1 ? 1 : -1;
    const bool xMajor = dy <= dx;
    const int64_t major = xMajor ? dx : dy, minor = xMajor ? dy : dx;
    const int64_t E = 2 * minor, NE = 2 * minor - 2 * major;
    int64_t d = 2 * minor - major;
    int32_t x = nearest(x1), y = nearest(y1);
    const int64_t cx = ((int64_t(x1) + 0x8000) & ~int64_t(0xFFFF)) - x1;
    const int64_t cy = (((int64_t(y1) + 0x8000) & ~int64_t(0xFFFF)) - y1) * sign;
    auto mul = [](int64_t a, int64_t b) { return (a * b + 0x8000) >> 16; };
    d += xMajor ? mul(E, cx) - mul(2 * major, cy) : mul(E, cy) - mul(2 * major, cx);
    int64_t value[N], step[N];
    for (int k = 0; k < N; ++k) {
        value[k] = from[k];
        step[k] = perUnit(to[k] - from[k], major);
    }
    const uint32_t savedColor = s.packedColor, savedTrue = s.attr.color;
    const GdlRect& c = s.clipDevice;
    for (int64_t n = (major >> 16) + 1; n > 0; --n) {
        if (x >= c.left && x < c.right && y >= c.top && y < c.bottom) writePixel<N>(s, x, y, value);
        for (int k = 0; k < N; ++k)
            value[k] += step[k];
        if (xMajor)
            ++x;
        else
            y += sign;
        if (d > 0) {
            d += NE;
            if (xMajor)
                y += sign;
            else
                ++x;
        } else {
            d += E;
        }
    }
    s.packedColor = savedColor;
    s.attr.color = savedTrue;
}

} // namespace

void Shade_indexTriangle(const int32_t* a, const int32_t* b, const int32_t* c, int32_t xOffset,
                         int32_t yOffset) {
    triangle<1>(a, b, c, xOffset, yOffset);
}

void Shade_rgbTriangle(const int32_t* a, const int32_t* b, const int32_t* c, int32_t xOffset,
                       int32_t yOffset) {
    triangle<3>(a, b, c, xOffset, yOffset);
}

void Shade_indexQuad(const int32_t* a, const int32_t* b, const int32_t* c, const int32_t* d,
                     int32_t xOffset, int32_t yOffset) {
    triangle<1>(a, b, c, xOffset, yOffset);
    triangle<1>(a, c, d, xOffset, yOffset);
}

void Shade_rgbQuad(const int32_t* a, const int32_t* b, const int32_t* c, const int32_t* d,
                   int32_t xOffset, int32_t yOffset) {
    triangle<3>(a, b, c, xOffset, yOffset);
    triangle<3>(a, c, d, xOffset, yOffset);
}

void Shade_rgbLine(int32_t x1, int32_t y1, int32_t r1, int32_t g1, int32_t b1, int32_t x2,
                   int32_t y2, int32_t r2, int32_t g2, int32_t b2) {
    const int64_t from[3] = {r1, g1, b1}, to[3] = {r2, g2, b2};
    shadedLine<3>(from, to, x1, y1, x2, y2);
}

void Shade_indexLine(int32_t x1, int32_t y1, int32_t c1, int32_t x2, int32_t y2, int32_t c2) {
    const int64_t from[1] = {c1}, to[1] = {c2};
    shadedLine<1>(from, to, x1, y1, x2, y2);
}
