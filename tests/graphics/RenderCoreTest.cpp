// Render core: patterned spans, span lists, trapezoids, polygons and
// ellipses, checked against the ideal shapes.
#include <algorithm>
#include <cmath>
#include <vector>

#include "FixedPoint.h"
#include "Canvas.h"

namespace {

using Pixels = std::set<std::pair<int, int>>;
using RenderCoreTest = CanvasTest;

TEST_F(RenderCoreTest, ScanLinePatterns) {
    uint8_t mono[8] = {0xA5, 0, 0, 0xFF, 0, 0, 0, 0};
    GDL_setMonoPattern(mono);
    GDL_setBackColor(2);
    GDL_setFillStyle(1);    // opaque
    DRV_scanLine(8, 0, 16); // row 8 uses pattern row 0
    for (int x = 0; x < 16; ++x)
        EXPECT_EQ(at(x, 8), (0xA5 & (0x80 >> (x & 7))) ? 1u : 2u) << x;
    EXPECT_EQ(GDL_stateBlock.packedColor, 1u); // the colour is set again afterwards
    GDL_setFillStyle(2);                       // transparent
    DRV_scanLine(16, 16, 0);                   // ends exchanged; row 16 uses pattern row 0 again
    for (int x = 0; x < 16; ++x)
        EXPECT_EQ(at(x, 16), (0xA5 & (0x80 >> (x & 7))) ? 1u : 0u) << x;
    uint32_t colors[64];
    for (int i = 0; i < 64; ++i)
        colors[i] = uint32_t(100 + i);
    GDL_setColorPattern(colors);
    GDL_setFillStyle(3);
    DRV_scanLine(10, 3, 12);
    for (int x = 3; x < 12; ++x)
        EXPECT_EQ(at(x, 10), uint32_t(100 + (x & 7) + 8 * 2)) << x;
    EXPECT_EQ(at(12, 10), 0u);
    EXPECT_EQ(GDL_stateBlock.packedColor, 1u);
    DRV_scanLine(11, 5, 5);            // empty
    GDL_stateBlock.attr.fillStyle = 7; // unknown style draws nothing
    DRV_scanLine(12, 0, 10);
    for (int x = 0; x < kW; ++x) {
        EXPECT_EQ(at(x, 11), 0u);
        EXPECT_EQ(at(x, 12), 0u);
    }
}

TEST_F(RenderCoreTest, PatternsAreAnchoredToTheDevice) {
    uint8_t mono[8] = {0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80};
    GDL_setMonoPattern(mono);
    GDL_setFillStyle(2);
    GDL_setViewportCurrent(3, 0, kW, kH);
    GDL_fillRect(0, 0, 20, 2);
    // Columns 0, 8, 16 of the device, whatever the viewport.
    EXPECT_EQ(pixelsOf(1), (Pixels{{8, 0}, {16, 0}, {8, 1}, {16, 1}}));
}

TEST_F(RenderCoreTest, TrapezoidWalksItsEdgesAndClips) {
    GDL_setClipRectCurrent(0, 2, 30, 6);
    // Rows 0..7 from x 4.0..8.0, the left edge moving +0.5 and the right +1.0 a row.
    GdlEdgeWalker w{0, 8, 4 << 16, 8 << 16, 0x8000, 0x10000};
    DRV_trapezoid(&w);
    EXPECT_EQ(w.row, 8); // the row after the last is stored back
    EXPECT_EQ(w.leftX, 8 << 16);
    Pixels expected;
    for (int row = 2; row < 6; ++row) {
        int xl = int(std::floor(4.0 + 0.5 * row + 0.5)), xr = 8 + row;
        for (int x = xl; x < xr; ++x)
            expected.insert({x, row});
    }
    EXPECT_EQ(pixelsOf(1), expected);
}

TEST_F(RenderCoreTest, SpanListsAreClippedInPlace) {
    GDL_setClipRectCurrent(5, 4, 20, 8);
    GdlSpan16 list[8] = {
        {0, 30},  {0, 30}, {10, 12}, {0, 3},  // row 2, 3 dropped; row 5: left of clip
        {25, 30}, {18, 2}, {7, 7},   {6, 9}}; // row 6 right of clip; reversed; empty; row 9 cut
    GDL_drawSpans(2, 8, list);
    EXPECT_EQ(list[2].x1, 10);
    EXPECT_EQ(list[3].x1, 0);
    EXPECT_EQ(list[3].x2, 0);
    EXPECT_EQ(list[4].x2, 0);
    EXPECT_EQ(list[5].x1, 5);
    EXPECT_EQ(list[5].x2, 18);
    Pixels expected;
    for (int x = 10; x < 12; ++x)
        expected.insert({x, 4});
    for (int x = 5; x < 18; ++x)
        expected.insert({x, 7});
    EXPECT_EQ(pixelsOf(1), expected);
    GDL_drawSpans(40, 2, list); // below the clip: nothing
    GDL_drawSpans(0, 2, list);  // wholly above: nothing
    EXPECT_EQ(pixelsOf(1), expected);
}

TEST_F(RenderCoreTest, RegionsAreDrawnAtAnOffset) {
    GdlSpan16 a[2] = {{0, 2}, {4, 5}};
    GdlSpan16 b[1] = {{1, 3}};
    GdlRegionRow second{1, 1, b, nullptr};
    GdlRegionRow first{0, 2, a, &second};
    GDL_stateBlock.v.current.region(10, 20, &first);
    EXPECT_EQ(pixelsOf(1), (Pixels{{10, 20}, {11, 20}, {14, 20}, {11, 21}, {12, 21}}));
    GDL_stateBlock.v.current.region(38, 29, &first); // reaches off the surface: clipped
}

// --- Polygons ------------------------------------------------------------------------

struct P {
    int32_t x, y;
};
P fxp(double x, double y) {
    return {int32_t(std::lround(x * 65536)), int32_t(std::lround(y * 65536))};
}

// Distance from a point to the segment a-b.
double segDist(double px, double py, double ax, double ay, double bx, double by) {
    double dx = bx - ax, dy = by - ay;
    double t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy);
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

// Even-odd inside test at a point.
bool insideEvenOdd(const std::vector<std::pair<double, double>>& v, double x, double y) {
    bool in = false;
    for (size_t i = 0, j = v.size() - 1; i < v.size(); j = i++) {
        auto [xi, yi] = v[i];
        auto [xj, yj] = v[j];
        if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
    }
    return in;
}

// Pixels whose top-left corner point is well inside must be filled; pixels
// well outside must not (the filler samples rows at whole coordinates).
void checkPolygon(const CanvasTest& t, const std::vector<std::pair<double, double>>& v) {
    for (int y = 0; y < CanvasTest::kH; ++y)
        for (int x = 0; x < CanvasTest::kW; ++x) {
            double near = 1e9;
            for (size_t i = 0, j = v.size() - 1; i < v.size(); j = i++)
                near =
                    std::min(near, segDist(x, y, v[j].first, v[j].second, v[i].first, v[i].second));
            if (near < 1.5) continue;
            bool in = insideEvenOdd(v, x, y);
            EXPECT_EQ(t.at(x, y) != 0, in) << x << "," << y;
        }
}

class PolygonTest : public CanvasTest {};

TEST_F(PolygonTest, RectangleFillsItsHalfOpenArea) {
    P rect[4] = {fxp(2, 3), fxp(12, 3), fxp(12, 8), fxp(2, 8)};
    GDL_fillPolygon(4, rect, sizeof(P));
    Pixels expected;
    for (int y = 3; y < 8; ++y)
        for (int x = 2; x < 12; ++x)
            expected.insert({x, y});
    EXPECT_EQ(pixelsOf(1), expected);
    clear();
    GDL_fillConvexPolygon(4, rect, sizeof(P));
    EXPECT_EQ(pixelsOf(1), expected);
}

TEST_F(PolygonTest, StarLeavesItsCentreEmpty) {
    std::vector<std::pair<double, double>> star;
    std::vector<P> pts;
    for (int i = 0; i < 5; ++i) {
        double a = -M_PI / 2 + i * 4 * M_PI / 5; // every second point of a pentagon
        double x = 20 + 13 * std::cos(a), y = 15 + 13 * std::sin(a);
        star.push_back({std::round(x), std::round(y)});
        pts.push_back(fxp(std::round(x), std::round(y)));
    }
    GDL_fillPolygon(5, pts.data(), sizeof(P));
    EXPECT_EQ(at(20, 15), 0u);
    EXPECT_GT(count(1), 100);
    checkPolygon(*this, star);
}

TEST_F(PolygonTest, TrianglesMatchTheirGeometry) {
    const double tris[][6] = {{3, 2, 30, 9, 11, 27}, {35, 1, 36, 28, 2, 15}, {5, 5, 25, 5, 15, 25}};
    for (auto& t : tris) {
        clear();
        P v[3] = {fxp(t[0], t[1]), fxp(t[2], t[3]), fxp(t[4], t[5])};
        GDL_fillConvexPolygon(3, v, sizeof(P));
        checkPolygon(*this, {{t[0], t[1]}, {t[2], t[3]}, {t[4], t[5]}});
        Pixels convex = pixelsOf(1);
        clear();
        GDL_fillPolygon(3, v, sizeof(P));
        checkPolygon(*this, {{t[0], t[1]}, {t[2], t[3]}, {t[4], t[5]}});
        int32_t a[2] = {v[0].x, v[0].y}, b[2] = {v[1].x, v[1].y}, c[2] = {v[2].x, v[2].y};
        clear();
        GDL_stateBlock.v.triangle(a, b, c, 0, 0);
        EXPECT_EQ(pixelsOf(1), convex);
    }
}

TEST_F(PolygonTest, FlatTopTriangleIsOneTrapezoid) {
    int32_t a[2] = {5 << 16, 5 << 16}, b[2] = {25 << 16, 5 << 16}, c[2] = {15 << 16, 25 << 16};
    GDL_stateBlock.v.triangle(a, b, c, 0, 0);
    EXPECT_EQ(testdrv::counters().trapezoids, 1);
    testdrv::counters() = {};
    int32_t d[2] = {15 << 16, 2 << 16};
    GDL_stateBlock.v.quad(d, b, c, a, 0, 0);
    EXPECT_GE(testdrv::counters().trapezoids, 2);
}

TEST_F(PolygonTest, DegeneratePolygonsDrawNothing) {
    P two[2] = {fxp(1, 1), fxp(20, 20)};
    GDL_fillPolygon(2, two, sizeof(P));
    GDL_fillConvexPolygon(2, two, sizeof(P));
    P flat[3] = {fxp(1, 5), fxp(20, 5), fxp(9, 5)};
    GDL_fillPolygon(3, flat, sizeof(P));
    GDL_fillConvexPolygon(3, flat, sizeof(P));
    EXPECT_EQ(count(1), 0);
}

TEST_F(PolygonTest, PolygonsReachingOffTheSurfaceAreClipped) {
    P big[4] = {fxp(-50, -40), fxp(90, -30), fxp(80, 70), fxp(-60, 60)};
    GDL_fillPolygon(4, big, sizeof(P));
    EXPECT_EQ(count(1), kW * kH);
    clear();
    GDL_fillConvexPolygon(4, big, sizeof(P));
    EXPECT_EQ(count(1), kW * kH);
    clear();
    GDL_setViewportCurrent(10, 10, 20, 20);
    GDL_fillConvexPolygon(4, big, sizeof(P));
    EXPECT_EQ(count(1), 100);
}

TEST_F(PolygonTest, LogicalWriteModeTakesTheGenericPath) {
    GDL_setWriteMode(3);
    int32_t a[2] = {5 << 16, 5 << 16}, b[2] = {25 << 16, 5 << 16}, c[2] = {15 << 16, 25 << 16};
    GDL_stateBlock.v.triangle(a, b, c, 0, 0);
    EXPECT_EQ(testdrv::counters().trapezoids, 0);
    EXPECT_EQ(GDL_stateBlock.genericTrapezoid, 1);
    EXPECT_GT(count(1), 0);
}

// --- Exact polygon rules ------------------------------------------------------------

int64_t ceilDiv(int64_t a, int64_t b) { // b > 0
    return a >= 0 ? (a + b - 1) / b : -((-a) / b);
}

// The even-odd rule on the integer grid: vertices go to the nearest pixel,
// an edge of dy rows is crossed on rows top .. top + dy - 1 at
// x0 + ceil(k * dx / dy), and each row fills between the 1st and 2nd, 3rd and
// 4th ... crossing, right ends excluded.
Pixels evenOddReference(const std::vector<P>& v) {
    struct Edge {
        int64_t x0, top, dx, dy;
    };
    std::vector<Edge> edges;
    auto round = [](int32_t c) { return (int64_t(c) + 0x8000) >> 16; };
    for (size_t i = 0; i < v.size(); ++i) {
        const P& a = v[i];
        const P& b = v[(i + 1) % v.size()];
        int64_t x1 = round(a.x), y1 = round(a.y), x2 = round(b.x), y2 = round(b.y);
        if (y1 == y2) continue;
        if (y1 > y2) std::swap(x1, x2), std::swap(y1, y2);
        edges.push_back({x1, y1, x2 - x1, y2 - y1});
    }
    Pixels out;
    for (int y = 0; y < CanvasTest::kH; ++y) {
        std::vector<int64_t> xs;
        for (const Edge& e : edges)
            if (y >= e.top && y < e.top + e.dy)
                xs.push_back(e.x0 + ceilDiv((y - e.top) * e.dx, e.dy));
        std::sort(xs.begin(), xs.end());
        for (size_t i = 0; i + 1 < xs.size(); i += 2)
            for (int64_t x = xs[i]; x < xs[i + 1]; ++x)
                out.insert({int(x), y});
    }
    return out;
}

TEST_F(PolygonTest, EvenOddFillFollowsTheEdgeStepping) {
    Lcg rng{7};
    for (int shape = 0; shape < 60; ++shape) {
        std::vector<P> v(3 + rng.next() % 7);
        for (P& p : v)
            p = {rng.fx(0, kW - 1), rng.fx(0, kH - 1)};
        clear();
        GDL_fillPolygon(int32_t(v.size()), v.data(), sizeof(P));
        EXPECT_EQ(pixelsOf(1), evenOddReference(v)) << "shape " << shape;
    }
}

// The convex walker: two chains from the topmost vertex (the first on ties),
// one in order and one reversed, each ending where it turns upwards. Rows run
// from the rounded start y; every piece between two vertex heights is a
// trapezoid of round(yEnd) - round(y) rows whose edges start at the segment's
// 16.16 start x and move by the segment's step each row; a pixel row covers
// [round(left x), round(right x)).
Pixels convexReference(const std::vector<P>& pts) {
    const size_t n = pts.size();
    size_t top = 0;
    for (size_t i = 1; i < n; ++i)
        if (pts[i].y < pts[top].y) top = i;
    std::vector<P> chain[2];
    for (size_t i = 0; i <= n; ++i) {
        chain[0].push_back(pts[(top + i) % n]);
        chain[1].push_back(pts[(top + n - i % n) % n]);
    }
    size_t at[2] = {0, 0};
    int64_t step[2] = {0, 0};
    // Moves a chain to its next descending segment; false at its end.
    auto next = [&](int c) {
        for (; at[c] + 1 < chain[c].size(); ++at[c]) {
            int64_t dy = int64_t(chain[c][at[c] + 1].y) - chain[c][at[c]].y;
            int64_t dx = int64_t(chain[c][at[c] + 1].x) - chain[c][at[c]].x;
            if (dy < 0) return false;
            if (dy == 0) continue;
            step[c] = dy <= 0x10000 ? dx : dx * 65536 / dy;
            return true;
        }
        return false;
    };
    auto round = [](int64_t c) { return (c + 0x8000) >> 16; };
    Pixels out;
    if (!next(0) || !next(1)) return out;
    int64_t x[2] = {chain[0][at[0]].x, chain[1][at[1]].x};
    int64_t y = chain[0][at[0]].y;
    int64_t row = round(y);
    for (;;) {
        int64_t yEnd = std::min(chain[0][at[0] + 1].y, chain[1][at[1] + 1].y);
        for (int64_t r = row; r < round(yEnd); ++r) {
            int64_t a = round(x[0]), b = round(x[1]);
            for (int64_t px = std::min(a, b); px < std::max(a, b); ++px)
                out.insert({int(px), int(r)});
            x[0] += step[0];
            x[1] += step[1];
        }
        row = std::max(row, round(yEnd));
        for (int c = 0; c < 2; ++c)
            if (chain[c][at[c] + 1].y == yEnd) {
                ++at[c];
                if (!next(c)) return out;
                x[c] = chain[c][at[c]].x;
            }
        y = yEnd;
    }
}

TEST_F(PolygonTest, ConvexFillFollowsTheChainWalk) {
    Lcg rng{11};
    for (int shape = 0; shape < 60; ++shape) {
        // Points on an ellipse in angular order make a convex polygon.
        size_t n = 3 + rng.next() % 6;
        double cx = 12 + rng.next() % 16, cy = 10 + rng.next() % 10;
        double rx = 3 + rng.next() % 9, ry = 3 + rng.next() % 8;
        std::vector<double> angles(n);
        for (double& a : angles)
            a = (rng.next() % 36000) * M_PI / 18000;
        std::sort(angles.begin(), angles.end());
        if (shape % 2) std::reverse(angles.begin(), angles.end());
        std::vector<P> v;
        for (double a : angles)
            v.push_back(fxp(cx + rx * std::cos(a), cy + ry * std::sin(a)));
        clear();
        GDL_fillConvexPolygon(int32_t(n), v.data(), sizeof(P));
        EXPECT_EQ(pixelsOf(1), convexReference(v)) << "shape " << shape;
        if (n == 3) {
            int32_t a[2] = {v[0].x, v[0].y}, b[2] = {v[1].x, v[1].y}, c[2] = {v[2].x, v[2].y};
            clear();
            GDL_stateBlock.v.triangle(a, b, c, 0, 0);
            EXPECT_EQ(pixelsOf(1), convexReference(v)) << "triangle " << shape;
        }
    }
}

// --- Ellipses ------------------------------------------------------------------------

struct Box {
    int l, t, r, b;
};

double ellipseMiss(const Box& e, double x, double y) {
    double a = (e.r - e.l) / 2.0, b = (e.b - e.t) / 2.0;
    double cx = (e.l + e.r) / 2.0, cy = (e.t + e.b) / 2.0;
    // Distance to the curve, sampled.
    double best = 1e9;
    for (int i = 0; i < 2000; ++i) {
        double th = i * 2 * M_PI / 2000;
        best = std::min(best, std::hypot(x - (cx + a * std::cos(th)), y - (cy + b * std::sin(th))));
    }
    return best;
}

bool connected8(const Pixels& p) {
    if (p.empty()) return true;
    Pixels seen{*p.begin()};
    std::vector<std::pair<int, int>> todo{*p.begin()};
    while (!todo.empty()) {
        auto [x, y] = todo.back();
        todo.pop_back();
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (p.count({x + dx, y + dy}) && seen.insert({x + dx, y + dy}).second)
                    todo.push_back({x + dx, y + dy});
    }
    return seen.size() == p.size();
}

const Box kBoxes[] = {{5, 5, 30, 20}, {10, 2, 14, 27}, {2, 10, 37, 13}, {8, 8, 9, 9},
                      {3, 4, 20, 4},  {15, 3, 15, 25}, {6, 6, 11, 11}};

TEST_F(RenderCoreTest, EllipseOutlines) {
    for (const Box& e : kBoxes) {
        SCOPED_TRACE(std::to_string(e.l) + "," + std::to_string(e.t) + "," + std::to_string(e.r) +
                     "," + std::to_string(e.b));
        clear();
        GDL_ellipse(e.l, e.t, e.r, e.b);
        Pixels got = pixelsOf(1);
        int minX = 99, maxX = -1, minY = 99, maxY = -1;
        for (auto [x, y] : got) {
            minX = std::min(minX, x);
            maxX = std::max(maxX, x);
            minY = std::min(minY, y);
            maxY = std::max(maxY, y);
            EXPECT_TRUE(got.count({e.l + e.r - x, y})) << "mirror in x " << x << "," << y;
            EXPECT_TRUE(got.count({x, e.t + e.b - y})) << "mirror in y " << x << "," << y;
            EXPECT_LE(ellipseMiss(e, x, y), 1.0) << x << "," << y;
        }
        EXPECT_EQ(minX, e.l);
        EXPECT_EQ(maxX, e.r);
        EXPECT_EQ(minY, e.t);
        EXPECT_EQ(maxY, e.b);
        EXPECT_TRUE(connected8(got));
    }
}

TEST_F(RenderCoreTest, FilledEllipsesMatchTheirOutline) {
    for (const Box& e : kBoxes) {
        SCOPED_TRACE(std::to_string(e.l) + "," + std::to_string(e.t));
        clear();
        GDL_ellipse(e.l, e.t, e.r, e.b);
        Pixels outline = pixelsOf(1);
        clear();
        GDL_fillEllipse(e.l, e.t, e.r, e.b);
        Pixels filled = pixelsOf(1);
        for (int y = e.t; y <= e.b; ++y) {
            int lo = 99, hi = -1, n = 0;
            for (auto [x, yy] : outline)
                if (yy == y) lo = std::min(lo, x), hi = std::max(hi, x);
            for (auto [x, yy] : filled)
                if (yy == y) ++n;
            ASSERT_GE(hi, lo) << y;
            EXPECT_EQ(n, hi - lo + 1) << y; // one span from outline to outline
            EXPECT_TRUE(filled.count({lo, y}) && filled.count({hi, y})) << y;
        }
        EXPECT_EQ(filled.size() >= outline.size(), true);
    }
}

TEST_F(RenderCoreTest, EllipsesAreClipped) {
    GDL_setClipRectCurrent(10, 10, 20, 20);
    GDL_fillEllipse(0, 0, 39, 29);
    GDL_ellipse(-10, -10, 60, 50);
    for (auto [x, y] : pixelsOf(1))
        EXPECT_TRUE(x >= 10 && x < 20 && y >= 10 && y < 20);
    EXPECT_EQ(count(1), 100);
    GDL_setClipMode(dc, 0);
    GDL_fillEllipse(-30, -30, 80, 80); // off the surface on every side
}

TEST_F(RenderCoreTest, WideOutlineIsARing) {
    GDL_setPenSize(3, 3);
    GDL_ellipse(4, 4, 34, 26);
    Pixels ring = pixelsOf(1);
    EXPECT_EQ(at(19, 15), 0u); // the hole
    for (auto [x, y] : ring) {
        EXPECT_TRUE(x >= 4 && x <= 34 && y >= 4 && y <= 26);
        EXPECT_TRUE(ring.count({38 - x, y}));
        EXPECT_TRUE(ring.count({x, 30 - y}));
    }
    EXPECT_TRUE(ring.count({4, 15}) && ring.count({6, 15}) && !ring.count({8, 15}));
    EXPECT_TRUE(ring.count({19, 4}) && ring.count({19, 6}) && !ring.count({19, 8}));
}

TEST_F(RenderCoreTest, ArcPointsAndQuadrants) {
    int32_t x1, y1, x2, y2;
    DRV_arcPoint(10, 6, -90, &x1, &y1);
    DRV_arcPoint(10, 6, 270, &x2, &y2);
    EXPECT_EQ(x1, x2);
    EXPECT_EQ(y1, y2);
    EXPECT_EQ(x1, 0);
    EXPECT_EQ(y1, 6); // downwards
    DRV_arcPoint(10, 6, 0, &x1, &y1);
    EXPECT_EQ(x1, 10);
    EXPECT_EQ(y1, 0);
    DRV_arcPoint(10, 6, 180, &x1, &y1);
    EXPECT_EQ(x1, -10);
    DRV_arcPoint(10, 6, 90, &x1, &y1);
    EXPECT_EQ(y1, -6);
    DRV_arcPoint(10000, 10000, 45, &x1, &y1);
    EXPECT_EQ(x1, 7071);
    EXPECT_EQ(y1, -7071);
}

// An angle's point from the quarter-wave table of 10000 x cos to the nearest
// integer, products divided by 10000 (toward zero), y pointing down.
// Shapes meet every pixel once: drawn with XOR on a clear surface they leave
// exactly the pixels they leave in replace mode, for boxes of even and odd
// width and height, flat ones included.
TEST_F(RenderCoreTest, EllipsesTouchEachPixelOnce) {
    const Box boxes[] = {{5, 5, 30, 20}, {5, 5, 31, 21},  {10, 2, 14, 27}, {10, 2, 15, 26},
                         {3, 4, 20, 4},  {15, 3, 15, 25}, {8, 8, 9, 9},    {6, 6, 12, 12}};
    using Draw = void (*)(const Box&);
    const Draw shapes[] = {
        [](const Box& e) { GDL_ellipse(e.l, e.t, e.r, e.b); },
        [](const Box& e) { GDL_fillEllipse(e.l, e.t, e.r, e.b); },
        [](const Box& e) { GDL_ellipseArc(e.l, e.t, e.r, e.b, 30, 300); },
        [](const Box& e) { GDL_fillEllipseArc(e.l, e.t, e.r, e.b, 30, 300); },
        [](const Box& e) {
            GDL_setPenSize(2, 2);
            GDL_ellipse(e.l, e.t, e.r, e.b);
            GDL_setPenSize(1, 1);
        },
    };
    for (size_t k = 0; k < std::size(shapes); ++k)
        for (const Box& e : boxes) {
            clear();
            GDL_setWriteMode(0);
            shapes[k](e);
            Pixels replaced = pixelsOf(1);
            clear();
            GDL_setWriteMode(3);
            shapes[k](e);
            EXPECT_EQ(pixelsOf(1), replaced)
                << "shape " << k << " box " << e.l << "," << e.t << "," << e.r << "," << e.b;
        }
}

TEST_F(RenderCoreTest, ArcPointsOfEveryAngle) {
    const int radii[][2] = {{10, 6}, {157, 93}, {10000, 10000}, {1, 1}, {0, 7}};
    for (auto& r : radii)
        for (int angle = -360; angle < 720; ++angle) {
            int a = ((angle % 360) + 360) % 360;
            long c = std::lround(10000 * std::cos(a * M_PI / 180));
            long s = std::lround(10000 * std::sin(a * M_PI / 180));
            int32_t x, y;
            DRV_arcPoint(r[0], r[1], angle, &x, &y);
            EXPECT_EQ(x, int32_t(r[0] * c / 10000)) << angle;
            EXPECT_EQ(y, -int32_t(r[1] * s / 10000)) << angle;
        }
}

TEST_F(RenderCoreTest, ArcOutlineDrawsPartOfTheEllipse) {
    const Box e{5, 5, 35, 25};
    GDL_ellipse(e.l, e.t, e.r, e.b);
    Pixels full = pixelsOf(1);
    clear();
    GDL_ellipseArc(e.l, e.t, e.r, e.b, 0, 90); // upper right quarter
    Pixels arc = pixelsOf(1);
    EXPECT_FALSE(arc.empty());
    for (auto p : arc) {
        EXPECT_TRUE(full.count(p));
        EXPECT_TRUE(p.first >= 20 && p.second <= 15) << p.first << "," << p.second;
    }
    int32_t c[6];
    GDL_getArcCoords(c);
    EXPECT_EQ(c[0], 20);
    EXPECT_EQ(c[1], 15);
    EXPECT_TRUE(arc.count({c[2], c[3]}) && arc.count({c[4], c[5]}));
    EXPECT_EQ(c[2], 35); // the drawn pixel at the start target (35, 15)
    EXPECT_EQ(c[5], 5);  // and at the end target (20, 5)
    clear();
    GDL_ellipseArc(e.l, e.t, e.r, e.b, 80, 10); // same quadrant, start above end: whole
    EXPECT_EQ(pixelsOf(1), full);
    clear();
    GDL_ellipseArc(e.l, e.t, e.r, e.b, 90, 270); // left half
    for (auto [x, y] : pixelsOf(1))
        EXPECT_LE(x, 20);
}

TEST_F(RenderCoreTest, FilledSectors) {
    const Box e{5, 5, 35, 25};
    GDL_fillEllipseArc(e.l, e.t, e.r, e.b, 0, 90);
    Pixels sector = pixelsOf(1);
    for (auto [x, y] : sector)
        EXPECT_TRUE(x >= 20 && y <= 15) << x << "," << y;
    EXPECT_TRUE(sector.count({25, 10}));
    EXPECT_GT(sector.size(), 90u);
    int32_t c[6];
    GDL_getArcCoords(c);
    EXPECT_EQ((std::vector<int32_t>(c, c + 6)), (std::vector<int32_t>{20, 15, 35, 15, 20, 5}));
    clear();
    GDL_fillEllipseArc(e.l, e.t, e.r, e.b, 45, 315); // everything but a wedge to the right
    EXPECT_EQ(at(33, 15), 0u);
    EXPECT_EQ(at(10, 15), 1u);
    EXPECT_EQ(at(20, 7), 1u);
    EXPECT_EQ(at(20, 23), 1u);
    // Viewport coordinates in, viewport coordinates out.
    GDL_setViewportCurrent(2, 3, kW, kH);
    GDL_fillEllipseArc(0, 0, 10, 10, 0, 180);
    GDL_getArcCoords(c);
    EXPECT_EQ(c[0], 5);
    EXPECT_EQ(c[1], 5);
}

} // namespace
