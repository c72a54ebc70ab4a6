// Render core: patterned spans, span lists, trapezoids, polygons and
// ellipses, checked against the ideal shapes.
#include <cmath>
#include <vector>

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
