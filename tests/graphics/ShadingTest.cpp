// The packed drivers' shading and depth entries and the render-vector wiring
// of their setups, at every byte depth: the z-buffer maker, depth-tested and
// shaded lines, triangles and quadrilaterals (checked against planes and
// barycentric colours computed here), patterned and wide-pen lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "FixedPoint.h"
#include "gdl/blit.h"
#include "gdl/dc.h"
#include "gdl/defaultdraw.h"
#include "gdl/draw.h"
#include "gdl/memory.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "gdl/render.h"
#include "gdl/shading.h"
#include "PackedDepths.h"

namespace {

using namespace packedtest;

constexpr int32_t W = 40, H = 24;
// Far away in both cell sizes (a 16-bit cell keeps depth >> 15).
constexpr uint32_t kFar = uint32_t(-(1 << 30));

// Channels of a surface pixel, from the layout's own fields; at 8 bits the
// cube index of the halftone renderer (levels of 51).
struct Rgb {
    int32_t r, g, b;
};
Rgb channelsOf(const GdlDeviceContext* dc, uint32_t p) {
    if (dc->mode.bitsPerPixel == 8) {
        int32_t i = int32_t(p) - 20;
        return {51 * (i % 6), 51 * (i / 6 % 6), 51 * (i / 36)};
    }
    const GdlPixelFormat& f = dc->format;
    auto ch = [&](int32_t pos, int32_t mask, int32_t adjust) {
        return int32_t(((p >> pos) & uint32_t(mask)) << adjust);
    };
    return {ch(f.redPosition, f.redMask, f.redAdjust),
            ch(f.greenPosition, f.greenMask, f.greenAdjust),
            ch(f.bluePosition, f.blueMask, f.blueAdjust)};
}

// How far a channel may stray from the exact value at this depth.
int32_t toleranceOf(const GdlDeviceContext* dc) {
    if (dc->mode.bitsPerPixel == 8) return 51 + 3;
    return (1 << std::max(dc->format.redAdjust, dc->format.greenAdjust)) + 3;
}

// Barycentric weights of the pixel centre (x, y) in the triangle (pixels).
struct Tri {
    double x[3], y[3];
    bool weights(double px, double py, double w[3]) const {
        double d = (y[1] - y[2]) * (x[0] - x[2]) + (x[2] - x[1]) * (y[0] - y[2]);
        if (d == 0) return false;
        w[0] = ((y[1] - y[2]) * (px - x[2]) + (x[2] - x[1]) * (py - y[2])) / d;
        w[1] = ((y[2] - y[0]) * (px - x[2]) + (x[0] - x[2]) * (py - y[2])) / d;
        w[2] = 1 - w[0] - w[1];
        return true;
    }
    // Inside by at least `margin` pixels (roughly) from every edge, or outside by it.
    int32_t where(double px, double py, double margin) const {
        double w[3];
        if (!weights(px, py, w)) return 0;
        double minW = std::min({w[0], w[1], w[2]});
        double scale = 0;
        for (int i = 0; i < 3; ++i)
            scale = std::max(scale, std::hypot(x[i] - x[(i + 1) % 3], y[i] - y[(i + 1) % 3]));
        double m = margin / scale * 2;
        return minW > m ? 1 : (minW < -m ? -1 : 0);
    }
};

class Shading : public ::testing::TestWithParam<Depth> {
protected:
    void SetUp() override {
        PACK_registerDrivers();
        dc_ = GDL_createMemoryDC(W, H, GetParam().bits, GetParam().format);
        ASSERT_NE(dc_, nullptr);
        GDL_selectCurrentDC(dc_);
        s = &GDL_stateBlock;
    }
    void TearDown() override {
        GDL_selectCurrentDC(nullptr);
        GDL_destroyAllMemoryDCs();
    }
    uint32_t colourA() const { return 0x00123456u & maskOf(); }
    uint32_t colourB() const { return 0x00654321u & maskOf(); }
    uint32_t maskOf() const {
        int32_t b = bytesOf(GetParam().bits) * 8;
        return b >= 32 ? 0xFFFFFFFFu : (1u << b) - 1;
    }
    void clearSurface() {
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x)
                poke(s, x, y, 0);
    }
    GdlDeviceContext* dc_ = nullptr;
    GdlDeviceContext* s = nullptr;
};

TEST_P(Shading, SetupInstallsEveryEntry) {
    const GdlRenderVector& v = s->v;
    EXPECT_EQ(v.drawCursorImage, DRV_drawCursor);
    for (int t = 2; t < 8; ++t)
        EXPECT_EQ(v.tables[t].line, DRV_wideLine) << t;
    EXPECT_NE(v.tables[0].line, DRV_wideLine);
    EXPECT_NE(v.tables[0].line, DRV_genericLine); // the driver's own line
    EXPECT_EQ(v.makeZBuffer, DRV_makeZBuffer);
    EXPECT_EQ(v.rampLine, DRV_rampLine);
    EXPECT_EQ(v.rgbLine, DRV_rgbLine);
    EXPECT_EQ(v.rampTrapezoid, DRV_rampTrapezoid);
    EXPECT_EQ(v.rgbTrapezoid, DRV_rgbTrapezoid);
    EXPECT_EQ(v.rampTriangle, DRV_rampTriangle);
    EXPECT_EQ(v.rgbQuad, DRV_rgbQuad);
    EXPECT_EQ(v.z16.zClear, DRV_zClear16);
    EXPECT_EQ(v.z32.zClear, DRV_zClear32);
    EXPECT_EQ(v.z16.zTrapezoid, DRV_depthTrapezoid16);
    EXPECT_EQ(v.z32.zRgbTrapezoid, DRV_shadedDepthTrapezoid32);
    EXPECT_EQ(v.z16.zRampTrapezoid, DRV_shadedIndexTrapezoid16);
    EXPECT_EQ(v.z32.zTriangle, DRV_zTriangle);
    // The active set is filled by the z-buffer maker, not by the setup.
    EXPECT_NE(v.zActive.zTrapezoid, DRV_depthTrapezoid16);
    EXPECT_NE(v.zActive.zTrapezoid, DRV_depthTrapezoid32);
}

TEST_P(Shading, ZBufferIsMadeOnceOwnedAndSized) {
    static size_t lastSize = 0;
    GDL_setMemoryFuncs(
        [](size_t n) -> void* {
            lastSize = n;
            return std::malloc(n);
        },
        [](void* p) { std::free(p); });
    for (int32_t depth : {16, 32}) {
        GdlDeviceContext* dc = GDL_createMemoryDC(W, H, GetParam().bits, GetParam().format);
        ASSERT_NE(dc, nullptr);
        EXPECT_EQ(dc->v.makeZBuffer(dc, 24), 0);
        EXPECT_EQ(dc->zBuffer, nullptr);
        lastSize = 0;
        ASSERT_EQ(dc->v.makeZBuffer(dc, depth), 1);
        const size_t cell = size_t(depth / 8);
        EXPECT_EQ(lastSize, size_t(W) * (H + 1) * cell); // one more row: the slope table
        EXPECT_EQ(dc->zDepth, depth);
        EXPECT_EQ(dc->zWidth, W);
        EXPECT_EQ(dc->zSlope, static_cast<uint8_t*>(dc->zBuffer) + size_t(W) * H * cell);
        EXPECT_EQ(dc->flags & (GDL_FLAG_ZBUFFER | GDL_FLAG_NOT_OWNED), uint32_t(GDL_FLAG_ZBUFFER));
        EXPECT_EQ(dc->v.zActive.zTrapezoid,
                  depth == 16 ? DRV_depthTrapezoid16 : DRV_depthTrapezoid32);
        void* first = dc->zBuffer;
        EXPECT_EQ(dc->v.makeZBuffer(dc, depth), 1); // already there
        EXPECT_EQ(dc->v.makeZBuffer(dc, 48 - depth), 0);
        EXPECT_EQ(dc->zBuffer, first);
        EXPECT_EQ(dc->zDepth, depth);
        GDL_destroyDC(dc); // frees it (a leak would fail the sanitizer build)
    }
    GDL_resetMemoryFuncs();
    // Made through the state block of the current context: record and copy agree.
    ASSERT_EQ(s->v.makeZBuffer(s, 32), 1);
    EXPECT_NE(s->zBuffer, nullptr);
    EXPECT_EQ(dc_->zBuffer, s->zBuffer);
    EXPECT_EQ(dc_->v.zActive.zClear, DRV_zClear32);
}

TEST(ShadingDrivers, ZBufferNeedsBytePixelsAndDirectAccess) {
    PACK_registerDrivers();
    for (int32_t bits : {1, 4}) {
        GdlDeviceContext* dc = GDL_createMemoryDC(8, 8, bits, nullptr);
        ASSERT_NE(dc, nullptr);
        EXPECT_EQ(dc->v.makeZBuffer, DRV_makeZBuffer);
        EXPECT_EQ(dc->v.drawCursorImage, DRV_drawCursor);
        EXPECT_EQ(dc->v.tables[6].line, DRV_wideLine);
        EXPECT_EQ(dc->v.makeZBuffer(dc, 16), 0);
        GDL_destroyDC(dc);
    }
    GdlDeviceContext* dc = GDL_createMemoryDC(8, 8, 8, nullptr);
    ASSERT_NE(dc, nullptr);
    dc->flags &= ~GDL_ACCESS_MASK;
    EXPECT_EQ(dc->v.makeZBuffer(dc, 16), 0);
    GDL_destroyDC(dc);
}

TEST(ShadingDrivers, ZBufferOwnershipFollowsTheFlag) {
    PACK_registerDrivers();
    // Over a caller's surface the context owns no memory; a z-buffer it makes
    // is its own all the same and goes with it, the surface stays.
    std::vector<uint8_t> surface(16 * 4, 0x5A);
    GdlDeviceContext* dc =
        GDL_createMemoryDCEx(8, 4, 16, &GDL_pixelFormat565, 16, surface.data(), nullptr);
    ASSERT_NE(dc, nullptr);
    EXPECT_NE(dc->flags & GDL_FLAG_NOT_OWNED, 0u);
    ASSERT_EQ(dc->v.makeZBuffer(dc, 32), 1);
    EXPECT_EQ(dc->flags & GDL_FLAG_NOT_OWNED, 0u);
    EXPECT_TRUE(GDL_destroyDC(dc));
    EXPECT_EQ(surface[0], 0x5A);
    // A z-buffer handed in by the caller (not owned) survives the context.
    std::vector<int32_t> cells(8 * 5, 7);
    dc = GDL_createMemoryDC(8, 4, 32, nullptr);
    ASSERT_NE(dc, nullptr);
    dc->zBuffer = cells.data();
    dc->zDepth = 32;
    dc->zWidth = 8;
    dc->zSlope = cells.data() + 32;
    dc->flags |= GDL_FLAG_ZBUFFER | GDL_FLAG_NOT_OWNED;
    EXPECT_TRUE(GDL_destroyDC(dc));
    cells[0] += 1; // still ours: a freed block would trip the sanitizer
    EXPECT_EQ(cells[0], 8);
}

// A flat plane at depth 20 over the whole surface, then a plane rising by 2
// per column: it wins from column 11 on; at column 10 the depths are equal
// and the first stays.
TEST_P(Shading, DepthTestedQuadsKeepTheNearerPlane) {
    for (int32_t depth : {16, 32}) {
        clearSurface();
        if (s->zBuffer) {
            GDL_selectCurrentDC(nullptr);
            DRV_freeZBuffer(dc_);
            GDL_selectCurrentDC(dc_);
        }
        ASSERT_EQ(s->v.makeZBuffer(s, depth), 1);
        s->v.zActive.zClear(0, 0, W, H, kFar);
        const int32_t flat[4][3] = {
            {0, 0, fx(20)}, {fx(W), 0, fx(20)}, {fx(W), fx(H), fx(20)}, {0, fx(H), fx(20)}};
        s->v.setColor(colourA());
        s->v.zActive.zQuad(flat[0], flat[1], flat[2], flat[3], 0, 0, 0);
        const int32_t ramp[4][3] = {
            {0, 0, 0}, {fx(W), 0, fx(2 * W)}, {fx(W), fx(H), fx(2 * W)}, {0, fx(H), 0}};
        s->v.setColor(colourB());
        s->v.zActive.zQuad(ramp[0], ramp[1], ramp[2], ramp[3], 0, 0, 0);
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x)
                ASSERT_EQ(peek(s, x, y), x <= 10 ? colourA() : colourB())
                    << "z" << depth << " at " << x << "," << y;
        // Equal depth is not drawn; the flat plane again changes nothing.
        s->v.setColor(0);
        s->v.zActive.zQuad(flat[0], flat[1], flat[2], flat[3], 0, 0, 0);
        EXPECT_EQ(peek(s, 3, 3), colourA());
        EXPECT_EQ(peek(s, 30, 3), colourB());
        // The offsets move the vertices (and the depth): a nearer copy wins everywhere.
        s->v.zActive.zQuad(flat[0], flat[1], flat[2], flat[3], 0, 0, fx(100));
        EXPECT_EQ(peek(s, 3, 3), 0u);
        EXPECT_EQ(peek(s, 30, 20), 0u);
    }
}

TEST_P(Shading, DepthTestOnlyWhereAsked) {
    ASSERT_EQ(s->v.makeZBuffer(s, 16), 1);
    s->v.zActive.zClear(0, 0, W, H, uint32_t(fx(1000)));
    const int32_t a[5] = {255 << 16, 0, 0, fx(2), fx(2)}, b[5] = {255 << 16, 0, 0, fx(30), fx(4)},
                  c[5] = {255 << 16, 0, 0, fx(8), fx(20)};
    const int32_t za[6] = {255 << 16, 0, 0, fx(2), fx(2), 0};
    const int32_t zb[6] = {255 << 16, 0, 0, fx(30), fx(4), 0};
    const int32_t zc[6] = {255 << 16, 0, 0, fx(8), fx(20), 0};
    s->v.zActive.zRgbTriangle(za, zb, zc, 0, 0, 0); // behind everything: nothing
    EXPECT_EQ(peek(s, 10, 8), 0u);
    s->v.rgbTriangle(a, b, c, 0, 0); // no depth test
    EXPECT_GE(channelsOf(s, peek(s, 10, 8)).r, 255 - toleranceOf(s));
}

// The exact colour at a point: the barycentric mix of the corner colours.
Rgb mixAt(const Tri& t, const Rgb col[3], double x, double y) {
    double w[3];
    t.weights(x, y, w);
    double r = 0, g = 0, b = 0;
    for (int i = 0; i < 3; ++i) {
        r += w[i] * col[i].r;
        g += w[i] * col[i].g;
        b += w[i] * col[i].b;
    }
    return {int32_t(std::lround(r)), int32_t(std::lround(g)), int32_t(std::lround(b))};
}

// Inside the triangle the colours are the barycentric mix within the
// depth's precision plus the row rule's own error (a row's step is its
// difference over its pixels plus one, and it starts at the first whole
// pixel): one and a half steps along x. Outside nothing is drawn.
void checkTriangle(const GdlDeviceContext* dc, const Tri& t, const Rgb col[3], int32_t tol,
                   bool outsideEmpty = true) {
    const Rgb o = mixAt(t, col, 0, 0), dx = mixAt(t, col, 1, 0);
    const int32_t slack =
        int32_t(1.5 * std::max({std::abs(dx.r - o.r), std::abs(dx.g - o.g), std::abs(dx.b - o.b)}));
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x) {
            const int32_t side = t.where(x, y, 1.5);
            const uint32_t p = peek(dc, x, y);
            if (side < 0 && outsideEmpty) {
                ASSERT_EQ(p, 0u) << x << "," << y;
            } else if (side > 0) {
                const Rgb want = mixAt(t, col, x, y), got = channelsOf(dc, p);
                ASSERT_NEAR(got.r, want.r, tol + slack) << x << "," << y;
                ASSERT_NEAR(got.g, want.g, tol + slack) << x << "," << y;
                ASSERT_NEAR(got.b, want.b, tol + slack) << x << "," << y;
            }
        }
}

TEST_P(Shading, RgbTrianglesBlendTheirCorners) {
    const Rgb col[3] = {{250, 0, 0}, {0, 250, 0}, {0, 0, 250}};
    const Tri t{{2.25, 36.5, 10}, {1, 4.75, 22}};
    int32_t v[3][5];
    for (int i = 0; i < 3; ++i) {
        v[i][0] = col[i].r << 16;
        v[i][1] = col[i].g << 16;
        v[i][2] = col[i].b << 16;
        v[i][3] = int32_t(t.x[i] * 65536);
        v[i][4] = int32_t(t.y[i] * 65536);
    }
    s->v.rgbTriangle(v[0], v[2], v[1], 0, 0); // any vertex order
    checkTriangle(s, t, col, toleranceOf(s));
    // The depth-tested form over an empty buffer draws the same pixels.
    GdlDeviceContext* other = GDL_createMemoryDC(W, H, GetParam().bits, GetParam().format);
    ASSERT_NE(other, nullptr);
    GDL_selectCurrentDC(other);
    ASSERT_EQ(s->v.makeZBuffer(s, 32), 1);
    s->v.zActive.zClear(0, 0, W, H, kFar);
    int32_t z[3][6];
    for (int i = 0; i < 3; ++i) {
        std::copy(v[i], v[i] + 5, z[i]);
        z[i][5] = fx(5);
    }
    s->v.zActive.zRgbTriangle(z[1], z[0], z[2], 0, 0, 0);
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x)
            ASSERT_EQ(peek(s, x, y), peek(dc_, x, y)) << x << "," << y;
}

TEST_P(Shading, RgbQuadsAreTwoTriangles) {
    // Corners a, b, c, d; the triangles (a, b, c) and (a, c, d).
    const Rgb col[4] = {{0, 0, 0}, {240, 0, 0}, {240, 240, 0}, {0, 240, 240}};
    const double xs[4] = {1, 38, 38, 1}, ys[4] = {1, 1, 22, 22};
    int32_t v[4][5];
    for (int i = 0; i < 4; ++i) {
        v[i][0] = col[i].r << 16;
        v[i][1] = col[i].g << 16;
        v[i][2] = col[i].b << 16;
        v[i][3] = int32_t(xs[i] * 65536);
        v[i][4] = int32_t(ys[i] * 65536);
    }
    s->v.rgbQuad(v[0], v[1], v[2], v[3], 0, 0);
    const int idx[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (auto& tri : idx) {
        Tri t{{xs[tri[0]], xs[tri[1]], xs[tri[2]]}, {ys[tri[0]], ys[tri[1]], ys[tri[2]]}};
        Rgb c[3] = {col[tri[0]], col[tri[1]], col[tri[2]]};
        // Outside one half lies the other.
        checkTriangle(s, t, c, toleranceOf(s), false);
    }
}

// Index ramps go through the index-to-pixel table (the palette words above
// 8 bits, the index itself at 8).
TEST_P(Shading, RampTrianglesStepTheIndex) {
    for (int32_t i = 0; i < 256; ++i)
        GDL_setPaletteEntry(dc_, i, uint8_t(i), uint8_t(255 - i), uint8_t(i / 2));
    const Tri t{{1, 38, 1}, {1, 1, 22}};
    const int32_t c[3] = {10, 200, 100};
    int32_t v[3][3];
    for (int i = 0; i < 3; ++i) {
        v[i][0] = c[i] << 16;
        v[i][1] = int32_t(t.x[i] * 65536);
        v[i][2] = int32_t(t.y[i] * 65536);
    }
    s->v.rampTriangle(v[0], v[1], v[2], 0, 0);
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x) {
            if (t.where(x, y, 1.5) <= 0) continue;
            double w[3];
            t.weights(x, y, w);
            const int32_t want = int32_t(std::floor(w[0] * c[0] + w[1] * c[1] + w[2] * c[2]));
            const uint32_t p = peek(s, x, y);
            bool near = false;
            for (int32_t k = want - 2; k <= want + 2; ++k)
                near = near || p == (GDL_colorToPixel(s, k) & maskOf());
            ASSERT_TRUE(near) << x << "," << y << " want index " << want << " got " << p;
        }
}

TEST_P(Shading, ShadedAndDepthTestedLines) {
    // Red 0 -> 240 over x 0 .. 30: 8 a pixel.
    s->v.rgbLine(0, fx(2), 0, 0, 0, fx(30), fx(2), 240 << 16, 0, 0);
    for (int32_t x = 0; x <= 30; ++x)
        ASSERT_NEAR(channelsOf(s, peek(s, x, 2)).r, 8 * x, toleranceOf(s)) << x;
    EXPECT_EQ(peek(s, 31, 2), 0u);
    // Depths 0 -> 200 over x 0 .. 20 against a buffer at 100: nearer from x 11;
    // at x 10 the depths are equal and the pixel stays.
    for (int32_t depth : {16, 32}) {
        GDL_selectCurrentDC(nullptr);
        DRV_freeZBuffer(dc_);
        GDL_selectCurrentDC(dc_);
        ASSERT_EQ(s->v.makeZBuffer(s, depth), 1);
        s->v.zActive.zClear(0, 0, W, H, uint32_t(fx(100)));
        const int32_t row = depth == 16 ? 5 : 6;
        s->v.setColor(colourA());
        s->v.zActive.zLine(0, fx(row), 0, fx(20), fx(row), fx(200));
        for (int32_t x = 0; x <= 21; ++x)
            EXPECT_EQ(peek(s, x, row), (x >= 11 && x <= 20) ? colourA() : 0u)
                << "z" << depth << " x " << x;
        // The same line again: every depth is now equal, nothing is drawn.
        s->v.setColor(colourB());
        s->v.zActive.zLine(0, fx(row), 0, fx(20), fx(row), fx(200));
        EXPECT_EQ(peek(s, 15, row), colourA());
    }
    // The line keeps the write mode of the context.
    EXPECT_EQ(s->attr.writeMode, 0);
}

// Polygons are cut to the clip rectangle row by row, however far their
// corners lie (no overflow, nothing outside the surface).
TEST_P(Shading, FarVerticesAreClipped) {
    GDL_setClipRectCurrent(4, 3, 20, 10);
    const int32_t a[5] = {0, 255 << 16, 0, INT32_MIN, INT32_MIN},
                  b[5] = {0, 255 << 16, 0, INT32_MAX, fx(5)},
                  c[5] = {0, 255 << 16, 0, 0, INT32_MAX};
    s->v.rgbTriangle(a, b, c, 0, 0);
    ASSERT_EQ(s->v.makeZBuffer(s, 16), 1);
    const int32_t za[4] = {INT32_MIN, INT32_MIN, 0}, zb[4] = {INT32_MAX, INT32_MAX, 0},
                  zc[4] = {0, INT32_MAX, INT32_MAX};
    s->v.zActive.zQuad(za, zb, zc, za, INT32_MAX, INT32_MAX, INT32_MAX);
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x)
            if (x < 4 || x >= 20 || y < 3 || y >= 10) {
                ASSERT_EQ(peek(s, x, y), 0u) << x << "," << y;
            }
    EXPECT_NE(peek(s, 10, 6), 0u);
}

TEST(ShadingDrivers, EightBitColourMapDepthFillDithers) {
    PACK_registerDrivers();
    GdlDeviceContext* dc = GDL_createMemoryDC(16, 8, 8, nullptr);
    ASSERT_NE(dc, nullptr);
    GDL_selectCurrentDC(dc);
    GdlDeviceContext* s = &GDL_stateBlock;
    ASSERT_EQ(s->v.makeZBuffer(s, 16), 1);
    s->v.zActive.zClear(0, 0, 16, 8, kFar);
    GDL_setColorMapMode(1);
    s->v.setColor(0x00FFFFFF);
    const int32_t a[3] = {0, 0, 0}, b[3] = {fx(16), 0, 0}, c[3] = {fx(16), fx(8), 0},
                  d[3] = {0, fx(8), 0};
    s->v.zActive.zQuad(a, b, c, d, 0, 0, 0);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 16; ++x)
            ASSERT_EQ(s->surface[y * int32_t(s->mode.bytesPerLine) + x], 235) << x << "," << y;
    // RGB shading at 8 bits dithers each pixel to the cube.
    GDL_setColorMapMode(0);
    s->v.rgbLine(0, fx(3), 51 << 16, 51 << 16, 51 << 16, fx(15), fx(3), 51 << 16, 51 << 16,
                 51 << 16);
    for (int32_t x = 0; x < 16; ++x)
        EXPECT_EQ(s->surface[3 * int32_t(s->mode.bytesPerLine) + x], 20 + 1 + 6 + 36) << x;
    GDL_selectCurrentDC(nullptr);
    GDL_destroyDC(dc);
}

// The sweep of a pen of 3 rows by 2 columns whose top-left corner follows
// the one-pixel line.
TEST_P(Shading, WidePenLinesSweepThePen) {
    s->v.setColor(colourA());
    GDL_setPenSize(3, 2);
    GDL_line(2, 1, 14, 7);
    static std::vector<std::pair<int32_t, int32_t>> centre;
    centre.clear();
    GDL_lineCoord(fx(2), fx(1), fx(14), fx(7), [](int32_t x, int32_t y) {
        centre.push_back({x, y});
    });
    ASSERT_EQ(centre.size(), 13u);
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x) {
            bool in = false;
            for (auto [cx, cy] : centre)
                in = in || (x >= cx && x < cx + 2 && y >= cy && y < cy + 3);
            ASSERT_EQ(peek(s, x, y), in ? colourA() : 0u) << x << "," << y;
        }
}

// A one-pixel line in a one-bit pattern draws only where the pattern is set
// (transparent) or the back colour elsewhere (opaque).
TEST_P(Shading, PatternedLinesFollowThePattern) {
    const uint8_t pattern[8] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
    s->v.setColor(colourA());
    s->v.setBackColor(colourB());
    GDL_setMonoPattern(pattern);
    GDL_setFillStyle(2);
    GDL_line(0, 0, 15, 15);
    GDL_setFillStyle(1);
    GDL_line(0, 2, 15, 17);
    for (int32_t i = 0; i < 16; ++i) {
        EXPECT_EQ(peek(s, i, i), i % 2 == 0 ? colourA() : 0u) << i;
        EXPECT_EQ(peek(s, i, i + 2), i % 2 == 0 ? colourA() : colourB()) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, Shading, ::testing::ValuesIn(kDepths),
                         [](const ::testing::TestParamInfo<Depth>& info) {
                             return std::string(info.param.name);
                         });

TEST(PaletteCheck, ReadsWithoutChanging) {
    const int32_t was = GDL_setPaletteCheck(0);
    EXPECT_EQ(GDL_getPaletteCheck(), 0);
    EXPECT_EQ(GDL_getPaletteCheck(), 0);
    GDL_setPaletteCheck(7);
    EXPECT_EQ(GDL_getPaletteCheck(), 1);
    GDL_setPaletteCheck(was);
}

} // namespace
