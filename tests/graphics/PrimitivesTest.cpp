// Lines, rectangles, bevels, pixels and the line walker, checked against the
// geometry of the ideal shapes rather than against stored images.
#include <algorithm>
#include <cmath>
#include <vector>

#include "FixedPoint.h"
#include "Canvas.h"
#include "LineModel.h"
#include "gdl/support.h"

namespace {

using Pixels = std::set<std::pair<int, int>>;

// Checks drawn pixels against the line model; end points in pixels.
void checkLine(const Pixels& got, double x1, double y1, double x2, double y2) {
    auto fixed = [](double v) { return int32_t(std::lround(v * 65536)); };
    std::vector<std::pair<int32_t, int32_t>> pixels(got.begin(), got.end());
    EXPECT_EQ(linemodel::check(pixels, fixed(x1), fixed(y1), fixed(x2), fixed(y2)), "")
        << x1 << "," << y1 << " " << x2 << "," << y2;
}

using PrimitivesTest = CanvasTest;

TEST_F(PrimitivesTest, IntegerLinesInEveryOctant) {
    const int cx = 20, cy = 15;
    const int ends[][2] = {{12, 3},   {3, 12},  {-3, 12}, {-12, 3}, {-12, -3},
                           {-3, -12}, {3, -12}, {12, -3}, {10, 10}, {-10, 10},
                           {0, 9},    {9, 0},   {0, 0},   {1, 1},   {7, 2}};
    for (auto& e : ends) {
        clear();
        GDL_line(cx, cy, cx + e[0], cy + e[1]);
        Pixels forward = pixelsOf(1);
        SCOPED_TRACE(std::to_string(e[0]) + "," + std::to_string(e[1]));
        checkLine(forward, cx, cy, cx + e[0], cy + e[1]);
        EXPECT_TRUE(forward.count({cx, cy}));
        EXPECT_TRUE(forward.count({cx + e[0], cy + e[1]}));
        clear();
        GDL_line(cx + e[0], cy + e[1], cx, cy); // the other way round: the same pixels
        EXPECT_EQ(pixelsOf(1), forward);
    }
}

TEST_F(PrimitivesTest, SubPixelLinesStartAtTheRoundedPoint) {
    struct Case {
        double x1, y1, x2, y2;
    } cases[] = {{2.75, 3.25, 17.5, 9.0},
                 {5.4, 20.6, 9.2, 2.3},
                 {1.0, 1.49, 30.0, 4.51},
                 {33.3, 7.7, 4.2, 12.1}};
    auto fx = [](double v) { return int32_t(std::lround(v * 65536)); };
    for (const Case& c : cases) {
        clear();
        GDL_lineFX(fx(c.x1), fx(c.y1), fx(c.x2), fx(c.y2));
        SCOPED_TRACE(std::to_string(c.x1) + "," + std::to_string(c.y1));
        checkLine(pixelsOf(1), c.x1, c.y1, c.x2, c.y2);
        EXPECT_TRUE(pixelsOf(1).count({int(std::floor(c.x1 + 0.5)), int(std::floor(c.y1 + 0.5))}));
    }
}

TEST_F(PrimitivesTest, LineWalkerCountsPixels) {
    static std::vector<std::pair<int, int>> seen;
    seen.clear();
    GDL_lineCoord(0, 0, 3 << 16, 1 << 16, [](int32_t x, int32_t y) { seen.push_back({x, y}); });
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen.front(), std::make_pair(0, 0));
    EXPECT_EQ(seen.back(), std::make_pair(3, 1));
    seen.clear();
    GDL_lineCoord(5 << 16, 0, 5 << 16, 0, [](int32_t x, int32_t y) { seen.push_back({x, y}); });
    EXPECT_EQ(seen.size(), 1u);
}

// The walker against the line model, exact diagonals included; the primitive
// draws the walker's pixels through the render table.
TEST_F(PrimitivesTest, LineWalkerMatchesTheLineModel) {
    static std::vector<std::pair<int32_t, int32_t>> seen;
    Lcg rng{3};
    for (int n = 0; n < 400; ++n) {
        int32_t x1 = rng.fx(0, kW - 1), y1 = rng.fx(0, kH - 1);
        int32_t x2 = rng.fx(0, kW - 1), y2 = rng.fx(0, kH - 1);
        if (n % 5 == 0) y2 = y1 + (x2 - x1); // exact diagonals
        seen.clear();
        GDL_lineCoord(x1, y1, x2, y2, [](int32_t x, int32_t y) { seen.push_back({x, y}); });
        ASSERT_EQ(linemodel::check(seen, x1, y1, x2, y2), "") << n;
        clear();
        GDL_lineFX(x1, y1, x2, y2);
        // (Horizontal lines take the span path; lines leaving the surface are clipped.)
        if (y1 != y2 && y2 >= 0 && y2 < (kH - 1) * 65536) {
            EXPECT_EQ(pixelsOf(1), Pixels(seen.begin(), seen.end())) << n;
        }
    }
}

TEST_F(PrimitivesTest, ClippedLinesStayInsideAndFollowTheLine) {
    GDL_setClipRectCurrent(10, 8, 30, 20);
    const int lines[][4] = {{0, 0, 39, 29}, {39, 0, 0, 29}, {15, -50, 25, 80}, {-100, 14, 200, 15}};
    for (auto& l : lines) {
        clear();
        GDL_line(l[0], l[1], l[2], l[3]);
        Pixels got = pixelsOf(1);
        EXPECT_FALSE(got.empty());
        for (auto [x, y] : got) {
            EXPECT_TRUE(x >= 10 && x < 30 && y >= 8 && y < 20) << x << "," << y;
            double dx = l[2] - l[0], dy = l[3] - l[1];
            double dist = std::fabs(dy * (x - l[0]) - dx * (y - l[1])) / std::hypot(dx, dy);
            EXPECT_LE(dist, 1.0) << x << "," << y;
        }
    }
    clear();
    GDL_line(0, 0, 5, 29); // wholly left of the clip
    EXPECT_EQ(count(1), 0);
}

TEST_F(PrimitivesTest, ClipLineMovesEndPointsToTheBorders) {
    const int32_t F = 65536;
    struct Case {
        int32_t x1, y1, x2, y2, accepted, cx1, cy1, cx2, cy2;
    } cases[] = {
        {-10 * F, 5 * F, 50 * F, 5 * F, 1, 0, 5 * F, 39 * F, 5 * F}, // right border is right - 1.0
        {5 * F, -10 * F, 5 * F, 50 * F, 1, 5 * F, 0, 5 * F,
         29 * F},                                          // bottom border is bottom - 1.0
        {-10 * F, -10 * F, -1 * F, 20 * F, 0, 0, 0, 0, 0}, // wholly left
        {2 * F, 3 * F, 7 * F, 9 * F, 1, 2 * F, 3 * F, 7 * F, 9 * F}, // wholly inside: unchanged
        {0, 0, 80 * F, 60 * F, 1, 0, 0, 2534058, 29 * F}, // bottom first: x = 80 * 29 / 60
    };
    for (const Case& c : cases) {
        int32_t x1 = c.x1, y1 = c.y1, x2 = c.x2, y2 = c.y2;
        EXPECT_EQ(GDL_clipLine(&x1, &y1, &x2, &y2, 0, 0, 40 * F, 30 * F), c.accepted);
        if (!c.accepted) continue;
        EXPECT_EQ(x1, c.cx1);
        EXPECT_EQ(y1, c.cy1);
        EXPECT_EQ(x2, c.cx2);
        EXPECT_EQ(y2, c.cy2);
    }
}

TEST_F(PrimitivesTest, WithClippingOffDrawingStaysOnTheSurface) {
    GDL_setClipMode(dc, 0);
    GDL_line(-20, 5, 100, 5);
    GDL_line(-20, -20, 100, 100);
    GDL_fillRect(-5, -5, 100, 3);
    GDL_setPenSize(3, 3);
    GDL_line(30, 28, 60, 28);
    EXPECT_EQ(at(0, 5), 1u);
    EXPECT_EQ(at(kW - 1, 5), 1u);
    EXPECT_EQ(at(kW - 1, 2), 1u);
    // The fixture checks that nothing was written off the surface.
}

TEST_F(PrimitivesTest, HorizontalLineWithAWidePen) {
    GDL_setPenSize(2, 3);
    GDL_line(4, 6, 10, 6);
    Pixels got = pixelsOf(1);
    EXPECT_EQ(got.size(), 2u * (10 - 4 + 3));
    for (auto [x, y] : got) {
        EXPECT_TRUE(y == 6 || y == 7);
        EXPECT_TRUE(x >= 4 && x < 13);
    }
}

TEST_F(PrimitivesTest, XorLinesUndoThemselves) {
    GDL_setWriteMode(3);
    GDL_setColor(5);
    GDL_line(2, 3, 31, 17);
    EXPECT_GT(count(5), 0);
    GDL_line(31, 17, 2, 3);
    EXPECT_EQ(count(0), kW * kH);
}

TEST_F(PrimitivesTest, StyledLinesFollowTheStyleAcrossLines) {
    GDL_setPenStyle(1);
    GDL_setLineStyle(0x00FF); // eight on, eight off, bit 0 first
    GDL_line(0, 0, 19, 0);
    for (int x = 0; x < 20; ++x)
        EXPECT_EQ(at(x, 0), (x % 16) < 8 ? 1u : 0u) << x;
    EXPECT_EQ(GDL_stateBlock.attr.lineStylePos, 20u);
    GDL_line(0, 2, 11, 2); // continues at position 20: four off, then on
    for (int x = 0; x < 12; ++x)
        EXPECT_EQ(at(x, 2), (x + 20) % 16 < 8 ? 1u : 0u) << x;
    GDL_setLineStylePos(0);
    GDL_setLineStyle(0x5555);
    GDL_line(0, 5, 0, 14); // vertical, every other pixel
    for (int y = 5; y <= 14; ++y)
        EXPECT_EQ(at(0, y), (y - 5) % 2 == 0 ? 1u : 0u) << y;
}

TEST_F(PrimitivesTest, OutlineRectangles) {
    GDL_rect(3, 3, 6, 6); // 3 x 3: the eight border pixels
    Pixels got = pixelsOf(1);
    EXPECT_EQ(got.size(), 8u);
    EXPECT_FALSE(got.count({4, 4}));
    clear();
    GDL_rect(10, 10, 12, 12); // 2 x 2: all four pixels
    EXPECT_EQ(pixelsOf(1), (Pixels{{10, 10}, {11, 10}, {10, 11}, {11, 11}}));
    clear();
    GDL_rect(10, 10, 11, 20); // one column wide: nothing
    GDL_rect(10, 10, 20, 11);
    EXPECT_EQ(count(1), 0);
    GDL_rect(1, 2, 11, 9); // 10 x 7 outline
    got = pixelsOf(1);
    EXPECT_EQ(got.size(), size_t(2 * 10 + 2 * 5));
    for (auto [x, y] : got)
        EXPECT_TRUE(x == 1 || x == 10 || y == 2 || y == 8);
}

// An outline meets each of its pixels once, so XOR draws the same frame as
// replace, down to the 2 x 2 outline of four pixels and frames two rows high.
TEST_F(PrimitivesTest, OutlinesTouchEachPixelOnce) {
    for (int w = 2; w <= 5; ++w)
        for (int h = 2; h <= 5; ++h) {
            Pixels want;
            for (int y = 10; y < 10 + h; ++y)
                for (int x = 10; x < 10 + w; ++x)
                    if (x == 10 || y == 10 || x == 9 + w || y == 9 + h) want.insert({x, y});
            for (int mode : {0, 3}) {
                clear();
                GDL_setWriteMode(mode);
                GDL_rect(10, 10, 10 + w, 10 + h);
                EXPECT_EQ(pixelsOf(1), want) << w << "x" << h << " mode " << mode;
            }
        }
}

TEST_F(PrimitivesTest, FilledRectanglesAreHalfOpenAndClipped) {
    GDL_fillRect(2, 3, 7, 5);
    EXPECT_EQ(count(1), 10);
    EXPECT_EQ(at(6, 4), 1u);
    EXPECT_EQ(at(7, 4), 0u);
    GDL_fillRect(5, 5, 5, 9); // empty
    GDL_fillRect(9, 9, 3, 3); // inverted: empty
    EXPECT_EQ(count(1), 10);
    GDL_setClipRectCurrent(20, 20, 25, 22);
    GDL_fillRect(0, 0, 100, 100);
    EXPECT_EQ(count(1), 10 + 10);
}

TEST_F(PrimitivesTest, Bevels) {
    GDL_setBevelColors(7, 8);
    GDL_drawBevel(2, 2, 12, 10, 0, 2); // sunken: dark top-left, light bottom-right
    EXPECT_EQ(at(2, 2), 8u);
    EXPECT_EQ(at(10, 3), 8u); // second top row reaches right - 1 - 1
    EXPECT_EQ(at(11, 2), 8u); // first top row reaches the corner
    EXPECT_EQ(at(11, 9), 7u);
    EXPECT_EQ(at(3, 8), 8u); // the second left column runs down to bottom - 2
    EXPECT_EQ(at(4, 8), 7u);
    EXPECT_EQ(at(5, 5), 0u);
    EXPECT_EQ(GDL_stateBlock.attr.color, 1u); // colour restored
    clear();
    GDL_drawBevel(2, 2, 12, 10, 1, 1); // raised
    EXPECT_EQ(at(2, 2), 7u);
    EXPECT_EQ(at(11, 9), 8u);
    clear();
    GDL_drawBevel(2, 2, 12, 10, 0, 0);
    GDL_drawBevel(2, 2, 12, 10, 1, 0);
    EXPECT_EQ(count(0), kW * kH);      // width 0: nothing
    GDL_drawBevel(2, 2, 12, 10, 2, 0); // etched, whatever the width
    EXPECT_EQ(at(3, 3), 7u);
    EXPECT_EQ(at(11, 9), 7u);
    EXPECT_EQ(at(2, 2), 8u);
    EXPECT_EQ(at(10, 8), 8u);
}

// Every bevel line is horizontal or vertical, so the frame is known pixel
// for pixel from its rule: a sunken frame (style 0) draws its top rows and
// left columns in the dark colour and then its right columns and bottom rows
// in the light one, a raised frame (1) the other way round, any other style
// two outlines, light one pixel down and right of the dark one.
TEST_F(PrimitivesTest, BevelsMatchTheirRulePixelForPixel) {
    struct Case {
        int l, t, r, b, style, width;
    } cases[] = {{2, 2, 12, 10, 0, 1}, {2, 2, 12, 10, 0, 3}, {5, 4, 30, 25, 1, 2},
                 {3, 3, 9, 8, 1, 4},   {1, 1, 4, 4, 0, 2},   {2, 2, 12, 10, 2, 5},
                 {6, 7, 20, 15, 7, 0}, {4, 4, 6, 6, 3, 1},   {4, 4, 5, 9, 0, 1}};
    const uint32_t light = 7, dark = 8;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.style) + "/" + std::to_string(c.width) + " at " +
                     std::to_string(c.l) + "," + std::to_string(c.t));
        std::vector<uint32_t> want(size_t(kW * kH), 0);
        auto hline = [&](int x1, int x2, int y, uint32_t v) {
            for (int x = std::min(x1, x2); x <= std::max(x1, x2); ++x)
                want[size_t(y * kW + x)] = v;
        };
        auto vline = [&](int x, int y1, int y2, uint32_t v) {
            for (int y = std::min(y1, y2); y <= std::max(y1, y2); ++y)
                want[size_t(y * kW + x)] = v;
        };
        auto outline = [&](int l, int t, int r, int b, uint32_t v) {
            if (b <= t + 1 || r <= l + 1) return;
            hline(l, r - 1, t, v);
            hline(l, r - 1, b - 1, v);
            vline(l, t + 1, b - 2, v);
            vline(r - 1, t + 1, b - 2, v);
        };
        if (c.b > c.t + 1 && c.r > c.l + 1) {
            if (c.style == 0 || c.style == 1) {
                uint32_t first = c.style == 0 ? dark : light, second = c.style == 0 ? light : dark;
                for (int i = 0; i < c.width; ++i) {
                    hline(c.l, c.r - 1 - i, c.t + i, first);
                    vline(c.l + i, c.t, c.b - 1 - i, first);
                }
                for (int i = 0; i < c.width; ++i) {
                    vline(c.r - 1 - i, c.t + 1 + i, c.b - 1, second);
                    hline(c.l + 1 + i, c.r - 1, c.b - 1 - i, second);
                }
            } else {
                outline(c.l + 1, c.t + 1, c.r, c.b, light);
                outline(c.l, c.t, c.r - 1, c.b - 1, dark);
            }
        }
        clear();
        GDL_setBevelColors(light, dark);
        GDL_drawBevel(c.l, c.t, c.r, c.b, c.style, c.width);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                EXPECT_EQ(at(x, y), want[size_t(y * kW + x)]) << x << "," << y;
        EXPECT_EQ(GDL_stateBlock.attr.color, 1u);
    }
}

// Primitives take viewport coordinates and stop at the viewport's edges.
TEST_F(PrimitivesTest, PrimitivesDrawThroughTheViewport) {
    GDL_setViewportCurrent(10, 5, 30, 20); // 20 x 15 at (10, 5)
    GDL_line(0, 0, 100, 0);
    GDL_line(2, 2, 2, 100);
    GDL_fillRect(-5, 13, 3, 40);
    GDL_putPixel(19, 14);
    GDL_putPixel(20, 14); // one past the viewport: clipped
    Pixels want;
    for (int x = 10; x < 30; ++x)
        want.insert({x, 5});
    for (int y = 7; y < 20; ++y)
        want.insert({12, y});
    for (int y = 18; y < 20; ++y)
        for (int x = 10; x < 13; ++x)
            want.insert({x, y});
    want.insert({29, 19});
    EXPECT_EQ(pixelsOf(1), want);
    EXPECT_EQ(GDL_getPixel(2, 2), 1u);
    EXPECT_EQ(GDL_getPixel(3, 2), 0u);
    EXPECT_EQ(GDL_getPixel(20, 0), 0xFFFFFFFFu);
}

TEST_F(PrimitivesTest, PixelsAndTheClip) {
    GDL_putPixel(5, 6);
    EXPECT_EQ(GDL_getPixel(5, 6), 1u);
    GDL_setClipRectCurrent(0, 0, 4, 4);
    EXPECT_EQ(GDL_getPixel(5, 6), 0xFFFFFFFFu);
    GDL_putPixel(7, 7); // outside: not drawn
    EXPECT_EQ(at(7, 7), 0u);
    GDL_setClipMode(dc, 0);
    EXPECT_EQ(GDL_getPixel(5, 6), 1u);
    EXPECT_EQ(GDL_getPixel(kW, 0), 0xFFFFFFFFu); // off the surface, clip or not
    GDL_putPixelDevice(-1, 0);
    GDL_putPixelDevice(3, 3);
    EXPECT_EQ(at(3, 3), 1u);
}

} // namespace
