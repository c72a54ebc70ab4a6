// Polygon fillers: the even-odd edge-list filler for any polygon and the
// trapezoid walker for convex ones (triangles and quadrilaterals included).
#include <algorithm>
#include <cstring>

#include "gdl/thread.h"
#include "gdl/draw.h"
#include "gdl/render.h"
#include "gdl/result.h"
#include "gdl/support.h"

namespace {

// The state block, reached from the library's own thread only (the default
// argument names the caller).
GdlDeviceContext& S(const char* entry = __builtin_FUNCTION()) {
    GDL_checkThread(entry);
    return GDL_stateBlock;
}

struct Vertex {
    int32_t x, y;
};

Vertex vertexAt(const void* vertices, int32_t stride, int32_t i) {
    Vertex v;
    const uint8_t* p = static_cast<const uint8_t*>(vertices) + int64_t(i) * stride;
    std::memcpy(&v.x, p, 4);
    std::memcpy(&v.y, p + 4, 4);
    return v;
}

inline int32_t roundOff(int32_t v, int32_t offset) {
    return int32_t((int64_t(v) + offset + 0x8000) >> 16);
}

// One edge of the general filler (36 bytes, as kept in the scratch buffer).
struct Edge {
    int32_t next;
    int32_t x;
    int32_t top;
    int32_t whole;
    int32_t direction;
    int32_t error;
    int32_t increment;
    int32_t decrement;
    int32_t remaining;
};
static_assert(sizeof(Edge) == 36, "edge record");

// A polygon whose working lists do not fit the buffer fails the call rather
// than the program.
bool fitsScratch(int64_t bytes) {
    if (bytes <= GDL_SCRATCH_SIZE) return true;
    GDL_setResult(GDL_GENERAL_ERROR);
    return false;
}

} // namespace

void DRV_polygon(int32_t count, const void* vertices, int32_t stride, int32_t xOffset,
                 int32_t yOffset) {
    if (count < 3 || !vertices) return;
    if (!fitsScratch(int64_t(count) * int64_t(sizeof(Edge)))) return;
    GdlDeviceContext& s = S();
    GdlSpanFunc span = s.genericTrapezoid ? DRV_clippedSpan : s.v.current.span;
    Edge* edges = reinterpret_cast<Edge*>(GDL_scratchBuffer());
    int32_t n = 0;
    int32_t global = -1; // sorted by top row, then x
    for (int32_t i = 0; i < count; ++i) {
        Vertex a = vertexAt(vertices, stride, i);
        Vertex b = vertexAt(vertices, stride, (i + 1) % count);
        int32_t x1 = roundOff(a.x, xOffset), y1 = roundOff(a.y, yOffset);
        int32_t x2 = roundOff(b.x, xOffset), y2 = roundOff(b.y, yOffset);
        if (y1 == y2) continue;
        if (y1 > y2) {
            std::swap(x1, x2);
            std::swap(y1, y2);
        }
        int32_t dy = y2 - y1, dx = x2 - x1, adx = dx < 0 ? -dx : dx;
        Edge e;
        e.x = x1;
        e.top = y1;
        e.direction = dx >= 1 ? 1 : -1;
        e.error = dx < 0 ? 1 - dy : 0;
        if (dy < adx) {
            e.whole = (adx / dy) * e.direction;
            e.increment = adx % dy;
        } else {
            e.whole = 0;
            e.increment = adx;
        }
        e.decrement = dy;
        e.remaining = dy;
        int32_t* link = &global;
        while (*link >= 0) {
            const Edge& o = edges[*link];
            if (o.top > e.top || (o.top == e.top && o.x >= e.x)) break;
            link = &edges[*link].next;
        }
        e.next = *link;
        edges[n] = e;
        *link = n++;
    }
    if (global < 0) return;
    int32_t active = -1;
    int32_t row = edges[global].top;
    while (global >= 0 || active >= 0) {
        while (global >= 0 && edges[global].top == row) {
            int32_t e = global;
            global = edges[e].next;
            int32_t* link = &active;
            while (*link >= 0 && edges[*link].x < edges[e].x)
                link = &edges[*link].next;
            edges[e].next = *link;
            *link = e;
        }
        for (int32_t e = active; e >= 0 && edges[e].next >= 0; e = edges[edges[e].next].next)
            span(row, edges[e].x, edges[edges[e].next].x);
        int32_t* link = &active;
        while (*link >= 0) {
            Edge& e = edges[*link];
            if (--e.remaining == 0) {
                *link = e.next;
                continue;
            }
            e.x += e.whole;
            e.error += e.increment;
            if (e.error > 0) {
                e.x += e.direction;
                e.error -= e.decrement;
            }
            link = &e.next;
        }
        // Exchange sort of the active list by x.
        for (bool swapped = true; swapped;) {
            swapped = false;
            for (int32_t* l = &active; *l >= 0 && edges[*l].next >= 0; l = &edges[*l].next) {
                int32_t a = *l, b = edges[a].next;
                if (edges[a].x > edges[b].x) {
                    edges[a].next = edges[b].next;
                    edges[b].next = a;
                    *l = b;
                    swapped = true;
                }
            }
        }
        ++row;
        if (active < 0 && global >= 0) row = edges[global].top;
    }
}

// --- Convex fill ---------------------------------------------------------------------

namespace {

// Segment set-up: -1 when the chain turns upwards (its end), 0 for a flat
// segment, 1 with the 16.16 x step per row otherwise.
int32_t edgeSetup(const Vertex& a, const Vertex& b, int32_t* step) {
    int64_t dy = int64_t(b.y) - a.y;
    if (dy < 0) return -1;
    if (dy == 0) return 0;
    int64_t dx = int64_t(b.x) - a.x;
    int64_t st = dy <= 0x10000 ? dx : dx * 65536 / dy;
    *step = int32_t(std::clamp<int64_t>(st, INT32_MIN, INT32_MAX));
    return 1;
}

struct Chain {
    const Vertex* points; // start, then the walk, closed by the start again
    int32_t length;
    int32_t index; // segment index: points[index] -> points[index + 1]
    int32_t step;

    // Moves to the next descending segment; false when the chain ends.
    bool advance() {
        while (index + 1 < length) {
            int32_t r = edgeSetup(points[index], points[index + 1], &step);
            if (r < 0) return false;
            if (r > 0) return true;
            ++index;
        }
        return false;
    }
    const Vertex& start() const { return points[index]; }
    const Vertex& end() const { return points[index + 1]; }
};

// Edge x far outside the surface wraps as 32-bit values do; the clip cuts
// what results.
int32_t wrapAdd(int32_t a, int32_t b) {
    return int32_t(uint32_t(a) + uint32_t(b));
}

int32_t roundRow(int64_t y) {
    return int32_t((y + 0x8000) >> 16);
}

void walkConvex(const Vertex* forward, const Vertex* backward, int32_t length, int32_t xOffset,
                int32_t yOffset) {
    GdlDeviceContext& s = S();
    if (s.attr.writeMode != 0) s.genericTrapezoid = 1;
    GdlTrapezoidFunc trapezoid = s.genericTrapezoid ? DRV_trapezoid : s.v.current.trapezoid;
    Chain left{forward, length, 0, 0}, right{backward, length, 0, 0};
    if (!left.advance() || !right.advance()) return;
    GdlEdgeWalker& w = s.walker.edge;
    int64_t y = int64_t(left.start().y) + yOffset;
    w.leftX = wrapAdd(left.start().x, xOffset);
    w.rightX = wrapAdd(right.start().x, xOffset);
    w.row = roundRow(y);
    for (int guard = 0; guard < 2 * length + 2; ++guard) {
        int64_t yEnd = std::min(left.end().y, right.end().y) + int64_t(yOffset);
        w.count = roundRow(yEnd) - roundRow(y);
        w.leftStep = left.step;
        w.rightStep = right.step;
        if (w.count > 0) trapezoid(&w);
        w.row = roundRow(yEnd);
        bool leftDone = left.end().y + int64_t(yOffset) == yEnd;
        bool rightDone = right.end().y + int64_t(yOffset) == yEnd;
        if (leftDone) {
            ++left.index;
            if (!left.advance()) return;
            w.leftX = wrapAdd(left.start().x, xOffset);
        }
        if (rightDone) {
            ++right.index;
            if (!right.advance()) return;
            w.rightX = wrapAdd(right.start().x, xOffset);
        }
        y = yEnd;
    }
}

// Builds the two chains from the topmost vertex (first on ties), once in
// order and once in reverse, each closed by the start vertex, and walks them.
void walkFromPoints(const Vertex* points, int32_t count, Vertex* forward, int32_t xOffset,
                    int32_t yOffset) {
    int32_t top = 0;
    for (int32_t i = 1; i < count; ++i)
        if (points[i].y < points[top].y) top = i;
    Vertex* backward = forward + count + 1;
    for (int32_t i = 0; i <= count; ++i) {
        forward[i] = points[(top + i) % count];
        backward[i] = points[(top - i % count + count) % count];
    }
    walkConvex(forward, backward, count + 1, xOffset, yOffset);
}

bool fitsVertices(int64_t vertices) {
    return fitsScratch(vertices * int64_t(sizeof(Vertex)));
}

} // namespace

void DRV_convexPolygon(int32_t count, const void* vertices, int32_t stride, int32_t xOffset,
                       int32_t yOffset) {
    if (count < 3 || !vertices) return;
    if (!fitsVertices(3 * int64_t(count) + 2)) return;
    // Two chains, then the caller's vertices copied behind them.
    Vertex* forward = reinterpret_cast<Vertex*>(GDL_scratchBuffer());
    Vertex* copy = forward + 2 * (count + 1);
    for (int32_t i = 0; i < count; ++i)
        copy[i] = vertexAt(vertices, stride, i);
    walkFromPoints(copy, count, forward, xOffset, yOffset);
}

namespace {
void convexFromPoints(const Vertex* points, int32_t count, int32_t xOffset, int32_t yOffset) {
    walkFromPoints(points, count, reinterpret_cast<Vertex*>(GDL_scratchBuffer()), xOffset, yOffset);
}
} // namespace

void DRV_triangle(const int32_t* a, const int32_t* b, const int32_t* c, int32_t xOffset,
                  int32_t yOffset) {
    Vertex v[3] = {{a[0], a[1]}, {b[0], b[1]}, {c[0], c[1]}};
    convexFromPoints(v, 3, xOffset, yOffset);
}

void DRV_quad(const int32_t* a, const int32_t* b, const int32_t* c, const int32_t* d,
              int32_t xOffset, int32_t yOffset) {
    Vertex v[4] = {{a[0], a[1]}, {b[0], b[1]}, {c[0], c[1]}, {d[0], d[1]}};
    convexFromPoints(v, 4, xOffset, yOffset);
}

// --- Public fills --------------------------------------------------------------------

namespace {

// A polygon reaching outside the clip rectangle takes the clipped span path
// for the call, so the driver's fast span never writes off the surface.
template <typename Fill>
void fillClipped(int32_t count, const void* vertices, int32_t stride, Fill fill) {
    GdlDeviceContext& s = S();
    if (count < 3 || !vertices) return;
    int32_t ox = s.viewportFixed.left, oy = s.viewportFixed.top;
    int64_t minX = INT64_MAX, minY = INT64_MAX, maxX = INT64_MIN, maxY = INT64_MIN;
    for (int32_t i = 0; i < count; ++i) {
        Vertex v = vertexAt(vertices, stride, i);
        int64_t x = (int64_t(v.x) + ox + 0x8000) >> 16, y = (int64_t(v.y) + oy + 0x8000) >> 16;
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    }
    const GdlRect& c = s.clipDevice;
    bool inside = minX >= c.left && maxX <= c.right && minY >= c.top && maxY <= c.bottom;
    int32_t saved = s.genericTrapezoid;
    if (!inside) s.genericTrapezoid = 1;
    fill(count, vertices, stride, ox, oy);
    // A logical write mode keeps the flag the convex walker set.
    if (!inside && s.attr.writeMode == 0) s.genericTrapezoid = saved;
}

} // namespace

void GDL_fillPolygon(int32_t count, const void* vertices, int32_t stride) {
    fillClipped(count, vertices, stride, S().v.polygon);
}

void GDL_fillConvexPolygon(int32_t count, const void* vertices, int32_t stride) {
    fillClipped(count, vertices, stride, S().v.convexPolygon);
}
