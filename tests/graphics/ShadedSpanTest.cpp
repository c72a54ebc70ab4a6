// Depth-tested and shaded trapezoids against their rules, the depth tables,
// the edge set-up with carried values and the plane gradients.
#include <algorithm>
#include <utility>
#include <vector>

#include "DrawTestRows.h"
#include "gdl/draw.h"
#include "gdl/pixelformat.h"

namespace {

constexpr int kW = 24, kH = 16;

class ShadedSpan : public DrawTest {
protected:
    GdlDeviceContext* dc = nullptr;
    std::vector<int16_t> cells16, table16;
    std::vector<int32_t> cells32, table32;

    void open(int bits, const GdlPixelFormat* format = nullptr) {
        dc = make(kW, kH, bits, format);
        GDL_selectCurrentDC(dc);
        GDL_setColor(bits > 8 ? 0x123456 : 7);
    }
    // A z-buffer the test owns, handed to the current context as one the
    // context does not own (so destroying the context leaves it alone).
    void bind(int bits, int32_t start) {
        GdlDeviceContext& s = GDL_stateBlock;
        if (bits == 16) {
            cells16.assign(kW * kH, int16_t(start));
            table16.assign(kW, 0);
            s.zBuffer = cells16.data();
            s.zSlope = table16.data();
        } else {
            cells32.assign(kW * kH, start);
            table32.assign(kW, 0);
            s.zBuffer = cells32.data();
            s.zSlope = table32.data();
        }
        s.zDepth = bits;
        s.zWidth = kW;
        s.flags |= GDL_FLAG_ZBUFFER | GDL_FLAG_NOT_OWNED;
    }
    // A rectangle of rows from `row`, columns [xl, xr).
    GdlShadeWalker& walker(int row, int count, int xl, int xr) {
        GdlShadeWalker& w = GDL_stateBlock.walker;
        w = GdlShadeWalker{};
        w.edge = {row, count, xl * 65536, xr * 65536, 0, 0};
        return w;
    }
};

TEST_F(ShadedSpan, DepthTestDrawsOnlyNearerPixels) {
    for (int bits : {16, 32}) {
        open(8);
        bind(bits, 0);
        // Stored depths: column 5 holds 10, column 6 holds 11, the rest 0.
        auto cell = [&](int x, int y) -> int32_t {
            return bits == 16 ? cells16[size_t(y * kW + x)] : cells32[size_t(y * kW + x)];
        };
        auto setCell = [&](int x, int y, int32_t v) {
            if (bits == 16)
                cells16[size_t(y * kW + x)] = int16_t(v);
            else
                cells32[size_t(y * kW + x)] = v;
        };
        setCell(5, 2, 10);
        setCell(6, 2, 11);
        GdlShadeWalker& w = walker(2, 1, 3, 9);
        // A flat depth of 10 (the 16-bit cells hold depth >> 15).
        w.depth = bits == 16 ? (10 << 15) : 10;
        (bits == 16 ? DRV_depthTrapezoid16 : DRV_depthTrapezoid32)(&w.edge);
        for (int x = 0; x < kW; ++x) {
            bool drawn = x >= 3 && x < 9 && x != 5 && x != 6; // equal and farther stay
            EXPECT_EQ(at(dc, x, 2), drawn ? 7u : 0u) << bits << " x " << x;
            EXPECT_EQ(cell(x, 2), drawn ? 10 : (x == 6 ? 11 : (x == 5 ? 10 : 0)));
        }
        EXPECT_EQ(w.edge.row, 3);
        GDL_selectCurrentDC(nullptr);
        GDL_destroyDC(dc);
    }
}

TEST_F(ShadedSpan, DepthTableSlopesAndRowSteps) {
    open(8);
    bind(32, 0);
    GdlShadeWalker& w = walker(0, 3, 0, 8);
    w.depthStepX = 100;
    w.depth = 1000;
    w.depthStepRow = -1000; // the second row lies at depth 0 + slope
    DRV_fillDepthRow32(2, 0, 8);
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(table32[size_t(x)], (x - 2) * 100);
    // Stored 1050 everywhere on row 0: only x - 2 >= 1 (depth 1100 and on) pass.
    for (int x = 0; x < kW; ++x)
        cells32[size_t(x)] = 1050;
    DRV_depthTrapezoid32(&w.edge);
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(at(dc, x, 0), x >= 3 ? 7u : 0u) << x;
        EXPECT_EQ(at(dc, x, 1), x >= 3 ? 7u : 0u) << x; // 0 + (x - 2) * 100 > 0
        EXPECT_EQ(at(dc, x, 2), 0u) << x;               // -1000 + ... never above 0
    }
    EXPECT_EQ(w.depth, 1000 - 3 * 1000);
}

// Two planes through 16-bit cells: a flat one at 100, then one rising 10 a
// pixel and 5 a row from 40 over it. The second shows exactly where its depth
// (table entry + row base, both kept >> 15) is above 100; cells follow.
TEST_F(ShadedSpan, SixteenBitPlanesKeepTheNearerOne) {
    open(8);
    bind(16, INT16_MIN);
    GdlShadeWalker& a = walker(0, 8, 0, 16);
    a.depth = 100 << 15;
    DRV_fillDepthRow16(0, 0, kW);
    DRV_depthTrapezoid16(&a.edge);
    GDL_setColor(9);
    GdlShadeWalker& b = walker(0, 8, 2, 14);
    b.depthStepX = 10 << 15;
    b.depth = 40 << 15;
    b.depthStepRow = 5 << 15;
    DRV_fillDepthRow16(0, 0, kW);
    DRV_depthTrapezoid16(&b.edge);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const bool inA = y < 8 && x < 16, inB = y < 8 && x >= 2 && x < 14;
            const int depthB = 10 * x + 40 + 5 * y;
            const bool bWins = inB && depthB > 100;
            EXPECT_EQ(at(dc, x, y), bWins ? 9u : (inA ? 7u : 0u)) << x << "," << y;
            EXPECT_EQ(cells16[size_t(y * kW + x)], bWins ? depthB : (inA ? 100 : INT16_MIN))
                << x << "," << y;
        }
}

TEST_F(ShadedSpan, DepthRowTablesByCellSize) {
    open(8);
    std::vector<uint8_t> bytes(3 * kW, 0xAA);
    GdlDeviceContext& st = GDL_stateBlock;
    st.walker.depthStepX = 0x12345;
    int16_t t16[kW] = {};
    st.zSlope = t16;
    st.zWidth = kW;
    DRV_fillDepthRow16(1, 2, 6);
    for (int x = 0; x < kW; ++x)
        EXPECT_EQ(t16[x], (x >= 2 && x < 6) ? int16_t(((x - 1) * 0x12345) >> 15) : 0);
    st.zSlope = bytes.data();
    DRV_fillDepthRow24(0, 3, 5);
    for (int x = 3; x < 5; ++x) {
        int32_t v = x * 0x12345;
        EXPECT_EQ(bytes[size_t(3 * x)], uint8_t(v >> 7));
        EXPECT_EQ(bytes[size_t(3 * x + 1)], uint8_t(v >> 15));
        EXPECT_EQ(bytes[size_t(3 * x + 2)], uint8_t(v >> 23));
    }
    EXPECT_EQ(bytes[0], 0xAA);
    EXPECT_EQ(bytes[3 * 5], 0xAA);
    // Columns beyond the table are left alone.
    st.zWidth = 4;
    t16[5] = 99;
    DRV_fillDepthRow16(0, 0, kW);
    EXPECT_EQ(t16[5], 99);
}

TEST_F(ShadedSpan, RgbShadingInterpolatesAcrossTheRow) {
    open(32, &GDL_pixelFormatARGB);
    bind(32, INT32_MIN);
    // Row 1: red 0 -> 200 over 9 pixels (x 2 .. 10), blue 90 -> 0; row 2 one pixel.
    GdlShadeWalker& w = walker(1, 1, 2, 11);
    w.leftRed = 0;
    w.rightRed = 200 << 16;
    w.leftBlue = 90 << 16;
    w.rightBlue = 0;
    w.leftGreen = w.rightGreen = 40 << 16;
    DRV_shadedDepthTrapezoid32(&w.edge);
    for (int x = 2; x < 11; ++x) {
        int64_t n = x - 2;
        uint32_t r = uint32_t(((int64_t(200 << 16) / 10) * n) >> 16);
        uint32_t b = uint32_t(((90 << 16) + (int64_t(-(90 << 16)) / 10) * n) >> 16);
        EXPECT_EQ(at(dc, x, 1), r << 16 | 40u << 8 | b) << x;
    }
    EXPECT_EQ(at(dc, 11, 1), 0u);
    // Edges given right to left are ordered with their colours.
    GdlShadeWalker& v = walker(3, 1, 6, 4);
    v.leftRed = 10 << 16;
    v.rightRed = 30 << 16;
    DRV_shadedDepthTrapezoid32(&v.edge);
    EXPECT_EQ(at(dc, 4, 3) >> 16, 30u);
    // A row one pixel wide takes the left colour.
    GdlShadeWalker& one = walker(2, 1, 5, 6);
    one.leftRed = 77 << 16;
    one.rightRed = 250 << 16;
    DRV_shadedDepthTrapezoid32(&one.edge);
    EXPECT_EQ(at(dc, 5, 2), 77u << 16);
    EXPECT_EQ(GDL_stateBlock.packedColor, 0x123456u);
}

// Fractional and crossed edges, per-row steps of edges and colours, and the
// clip, against the rule worked out here row by row: edges to the nearest
// pixel and ordered with their colours, columns [left, right) within the clip,
// per-pixel steps the difference over (right - left + 1) (the difference
// itself for a row at most one pixel wide).
TEST_F(ShadedSpan, ShadedRowsFollowSteppedEdgesWithinTheClip) {
    struct Case {
        GdlEdgeWalker edge;
        int32_t red[2], green[2], blue[2]; // left, right (whole values)
        int32_t redStep[2], blueStep[2];   // per row, left and right
        GdlRect clip;
    } cases[] = {
        {{2, 5, 0x18000, 0x67D70, 0x7FFF, 0x14000},
         {0, 200},
         {50, 50},
         {255, 0},
         {10, -7},
         {-5, 3},
         {0, 0, kW, kH}},
        {{2, 5, 0x18000, 0x67D70, 0x7FFF, 0x14000},
         {0, 200},
         {50, 50},
         {255, 0},
         {10, -7},
         {-5, 3},
         {3, 3, 8, 5}},
        // Given right to left, and crossing over on the way down.
        {{1, 6, 0xA8000, 0x46666, -0x10000, 0x8000},
         {250, 20},
         {0, 90},
         {1, 2},
         {0, 0},
         {0, 0},
         {0, 0, kW, kH}},
    };
    for (const Case& c : cases) {
        open(32, &GDL_pixelFormatARGB);
        bind(32, INT32_MIN);
        GdlDeviceContext& st = GDL_stateBlock;
        st.clipDevice = c.clip;
        GdlShadeWalker& w = st.walker;
        w = GdlShadeWalker{};
        w.edge = c.edge;
        w.leftRed = c.red[0] << 16;
        w.rightRed = c.red[1] << 16;
        w.leftGreen = c.green[0] << 16;
        w.rightGreen = c.green[1] << 16;
        w.leftBlue = c.blue[0] << 16;
        w.rightBlue = c.blue[1] << 16;
        w.leftRedStep = c.redStep[0] << 16;
        w.rightRedStep = c.redStep[1] << 16;
        w.leftBlueStep = c.blueStep[0] << 16;
        w.rightBlueStep = c.blueStep[1] << 16;
        DRV_shadedDepthTrapezoid32(&w.edge);

        std::vector<uint32_t> expect(size_t(kW * kH), 0);
        for (int i = 0; i < c.edge.count; ++i) {
            const int row = c.edge.row + i;
            if (row < c.clip.top || row >= c.clip.bottom) continue;
            int64_t l[3] = {int64_t(c.red[0] + i * c.redStep[0]) << 16, int64_t(c.green[0]) << 16,
                            int64_t(c.blue[0] + i * c.blueStep[0]) << 16};
            int64_t r[3] = {int64_t(c.red[1] + i * c.redStep[1]) << 16, int64_t(c.green[1]) << 16,
                            int64_t(c.blue[1] + i * c.blueStep[1]) << 16};
            int64_t xl = (int64_t(c.edge.leftX) + int64_t(i) * c.edge.leftStep + 0x8000) >> 16;
            int64_t xr = (int64_t(c.edge.rightX) + int64_t(i) * c.edge.rightStep + 0x8000) >> 16;
            if (xl > xr) {
                std::swap(xl, xr);
                std::swap(l, r);
            }
            for (int64_t x = std::max<int64_t>(xl, c.clip.left);
                 x < std::min<int64_t>(xr, c.clip.right); ++x) {
                uint32_t v = 0;
                for (int k = 0; k < 3; ++k) {
                    int64_t step = xr - xl <= 1 ? r[k] - l[k] : (r[k] - l[k]) / (xr - xl + 1);
                    v = v << 8 | uint32_t(((l[k] + step * (x - xl)) >> 16) & 0xFF);
                }
                expect[size_t(row * kW + x)] = v;
            }
        }
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                ASSERT_EQ(at(dc, x, y), expect[size_t(y * kW + x)])
                    << x << "," << y << " clip " << c.clip.left;
        EXPECT_EQ(w.edge.row, c.edge.row + c.edge.count);
        EXPECT_EQ(w.leftRed, (c.red[0] + c.edge.count * c.redStep[0]) << 16);
        GDL_selectCurrentDC(nullptr);
        GDL_destroyDC(dc);
    }
}

TEST_F(ShadedSpan, RgbShadingDithersOnIndexedContexts) {
    open(8);
    bind(16, INT16_MIN);
    GdlShadeWalker& w = walker(4, 2, 0, 8);
    w.leftRed = w.rightRed = 100 << 16;
    w.leftGreen = w.rightGreen = 150 << 16;
    w.leftBlue = w.rightBlue = 200 << 16;
    DRV_shadedDepthTrapezoid16(&w.edge);
    for (int y = 4; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(at(dc, x, y), GDL_halftoneIndex(100, 150, 200, x, y)) << x << "," << y;
}

TEST_F(ShadedSpan, IndexShadingRunsFromLeftToRightIndex) {
    open(8);
    bind(32, INT32_MIN);
    GdlShadeWalker& w = walker(0, 2, 0, 10);
    w.leftIndex = 10 << 16;
    w.rightIndex = 20 << 16;
    w.leftIndexStep = 1 << 16; // the second row runs 11 -> 20
    DRV_shadedIndexTrapezoid32(&w.edge);
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(at(dc, x, 0), uint32_t(10 + x)) << x;
        EXPECT_EQ(at(dc, x, 1), uint32_t(11 + (9 * x) / 10)) << x;
    }
}

TEST_F(ShadedSpan, FillersKeepToTheClipAndTheBuffer) {
    open(8);
    bind(16, INT16_MIN);
    GDL_setClipRectCurrent(3, 2, 10, 6);
    GdlShadeWalker& w = walker(0, 10, -5, 30);
    DRV_depthTrapezoid16(&w.edge);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            ASSERT_EQ(at(dc, x, y), (x >= 3 && x < 10 && y >= 2 && y < 6) ? 7u : 0u);
    // Without a bound buffer nothing is drawn.
    GDL_stateBlock.zBuffer = nullptr;
    GdlShadeWalker& v = walker(0, 1, 0, 5);
    GDL_setClipRectCurrent(0, 0, kW, kH);
    DRV_depthTrapezoid32(&v.edge);
    EXPECT_EQ(at(dc, 0, 0), 0u);
}

TEST(ShadedEdges, EdgeSetupCarriesValues) {
    struct Case {
        int32_t a[4], b[4];
        int32_t result, xStep, v1Step, v2Step;
    } cases[] = {
        {{0, 0, 0, 0}, {10 << 16, 4 << 16, 40 << 16, -8 << 16}, 1, 10 << 14, 10 << 16, -2 << 16},
        {{0, 0, 5, 5}, {3 << 16, 0x8000, 9, 1}, 1, 3 << 16, 4, -4}, // under a row: the difference
        {{0, 5, 0, 0}, {7, 5, 1, 1}, 0, -1, -1, -1},
        {{0, 9, 0, 0}, {7, 5, 1, 1}, -1, -1, -1, -1},
    };
    for (const Case& c : cases) {
        int32_t xs = -1, v1 = -1, v2 = -1;
        EXPECT_EQ(Poly_edgeSetup3(c.a, c.b, &xs, &v1, &v2), c.result);
        EXPECT_EQ(xs, c.xStep);
        EXPECT_EQ(v1, c.v1Step);
        EXPECT_EQ(v2, c.v2Step);
        int32_t xs2 = -1, w = -1;
        EXPECT_EQ(Poly_edgeSetup2(c.a, c.b, &xs2, &w), c.result);
        EXPECT_EQ(xs2, c.xStep);
        EXPECT_EQ(w, c.v1Step);
    }
}

TEST(ShadedEdges, GradientsOfAPlane) {
    // depth = 3 x + 5 y (pixels), in depth units.
    auto v = [](int x, int y) { return std::vector<int32_t>{x << 16, y << 16, 3 * x + 5 * y}; };
    auto a = v(1, 1), b = v(9, 2), c = v(4, 7);
    GdlTriGradients g{};
    Tri_computeGradients(a.data(), b.data(), c.data(), &g);
    EXPECT_EQ(g.area2, (int64_t(8) * 6 - int64_t(3) * 1) << 32);
    EXPECT_EQ(g.orientation, 1);
    EXPECT_EQ(g.depthPerX, 3);
    EXPECT_EQ(g.depthPerY, 5);
    Tri_computeGradients(a.data(), c.data(), b.data(), &g);
    EXPECT_EQ(g.orientation, -1);
    EXPECT_EQ(g.depthPerX, 3);
    EXPECT_EQ(g.depthPerY, 5);
    auto d = v(17, 3); // on the line through a and b
    Tri_computeGradients(a.data(), b.data(), d.data(), &g);
    EXPECT_EQ(g.orientation, 0);
    EXPECT_EQ(g.depthPerX, 0);
}

} // namespace
