// Ordinary drawing stays inside the clip rectangle and the surface: lines
// whose end points lie in the last half pixel before an edge, wide pens with
// clipping off, span lists under an empty clip, and viewports that the 16.16
// coordinates cannot hold. The packed renderers draw into a caller's surface
// framed by guard rows, so a stray write shows as a changed guard byte.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "FixedPoint.h"
#include "gdl/bitmap.h"
#include "gdl/blit.h"
#include "gdl/dc.h"
#include "gdl/draw.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "gdl/result.h"
#include "PackedDepths.h"

namespace {

using namespace packedtest;

constexpr uint8_t kGuard = 0xA7;
constexpr int32_t kGuardRows = 2;

// A memory context over a surface with guard rows above and below.
class GuardedSurface {
public:
    GuardedSurface(int32_t w, int32_t h, int32_t bits, const GdlPixelFormat* format)
        : w_(w), h_(h), pitch_(((w * (bits == 15 ? 16 : bits) + 31) / 32) * 4),
          bytes_(size_t(pitch_) * size_t(h + 2 * kGuardRows), kGuard) {
        std::memset(surface(), 0, size_t(pitch_) * size_t(h));
        dc = GDL_createMemoryDCEx(w, h, bits, format, pitch_, surface(), nullptr);
        if (dc) {
            GDL_selectCurrentDC(dc);
            GDL_setColor(0xFFFFFFFFu);
        }
    }
    ~GuardedSurface() {
        GDL_selectCurrentDC(nullptr);
        if (dc) GDL_destroyDC(dc);
    }
    uint8_t* surface() { return bytes_.data() + size_t(pitch_) * kGuardRows; }
    // Bytes outside the rows of the surface, and padding bytes past each row.
    int strayBytes() const {
        int n = 0;
        const size_t rows = size_t(pitch_) * size_t(kGuardRows);
        for (size_t i = 0; i < rows; ++i)
            n += (bytes_[i] != kGuard) + (bytes_[bytes_.size() - 1 - i] != kGuard);
        return n;
    }
    // Pixels that changed outside the rectangle (device coordinates).
    int changedOutside(int32_t l, int32_t t, int32_t r, int32_t b) const {
        int n = 0;
        for (int32_t y = 0; y < h_; ++y)
            for (int32_t x = 0; x < w_; ++x)
                if ((x < l || x >= r || y < t || y >= b) && peek(&GDL_stateBlock, x, y) != 0) ++n;
        return n;
    }
    int changed() const { return changedOutside(0, 0, 0, 0); }
    GdlDeviceContext* dc = nullptr;

private:
    int32_t w_, h_, pitch_;
    std::vector<uint8_t> bytes_;
};

class DrawingBounds : public ::testing::TestWithParam<Depth> {
protected:
    void SetUp() override { PACK_registerDrivers(); }
    void TearDown() override { GDL_exit(); }
    const Depth& depth() const { return GetParam(); }
};

// Lines ending in the last half pixel before the right or bottom edge, with
// the default clip (the surface) and with a smaller one; plain, fixed-point,
// logical-mode and styled.
TEST_P(DrawingBounds, LinesStayInsideTheClipAndTheSurface) {
    struct Case {
        int32_t x1, y1, x2, y2; // 16.16
        GdlRect clip;           // right 0: the default clip
        int32_t penStyle, writeMode;
    };
    const Case cases[] = {
        {fx(36), 0, fx(37), fx(30), {0, 0, 0, 0}, 0, 0},
        {fx(19), 0, fx(20), fx(13), {0, 0, 20, 10}, 0, 0},
        {fx(19), 0, fx(20), fx(13), {0, 0, 20, 10}, 0, 3},
        {fx(19), 0, fx(20), fx(13), {0, 0, 20, 10}, 1, 0},
        {fx(36), 0, fx(37), fx(30), {0, 0, 0, 0}, 1, 0},
        {fx(10) + 0x9000, fx(2), fx(20) - 0x7000, fx(9) + 0xC000, {0, 0, 20, 10}, 0, 0},
        {fx(2), fx(9) + 0x9000, fx(30), fx(10) - 0x1000, {0, 0, 30, 10}, 0, 0},
        {fx(0) - 0x7000, fx(3), fx(36) + 0x7FFF, fx(22) + 0x7FFF, {0, 0, 0, 0}, 0, 0},
        {fx(36) + 0x7FFF, fx(1), fx(30), fx(22) + 0x7FFF, {0, 0, 0, 0}, 1, 0},
        {fx(5), fx(6) + 0x7FFF, fx(11) + 0x7FFF, fx(2), {3, 3, 11, 7}, 0, 3},
    };
    for (const Case& c : cases) {
        GuardedSurface g(37, 23, depth().bits, depth().format);
        ASSERT_NE(g.dc, nullptr);
        GdlRect clip = c.clip.right ? c.clip : GdlRect{0, 0, 37, 23};
        GDL_setClipRectCurrent(clip.left, clip.top, clip.right, clip.bottom);
        GDL_setPenStyle(c.penStyle);
        GDL_setLineStyle(0xFFFF);
        GDL_setWriteMode(c.writeMode);
        GDL_lineFX(c.x1, c.y1, c.x2, c.y2);
        GDL_lineFX(c.x2, c.y2, c.x1, c.y1);
        EXPECT_EQ(g.strayBytes(), 0) << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2;
        EXPECT_EQ(g.changedOutside(clip.left, clip.top, clip.right, clip.bottom), 0)
            << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2;
    }
    // The integer form of the first case.
    GuardedSurface g(37, 23, depth().bits, depth().format);
    GDL_line(36, 0, 37, 30);
    EXPECT_EQ(g.strayBytes(), 0);
    EXPECT_GT(g.changed(), 0);
}

// With clipping off the whole sweep of a wide pen is cut to the surface.
TEST_P(DrawingBounds, WidePensWithClippingOffStayOnTheSurface) {
    GuardedSurface g(37, 23, depth().bits, depth().format);
    ASSERT_NE(g.dc, nullptr);
    GDL_setClipMode(g.dc, 0);
    GDL_setPenSize(3, 3);
    GDL_line(30, 10, 36, 22);
    EXPECT_EQ(g.strayBytes(), 0);
    EXPECT_GT(g.changed(), 0);
    GDL_line(-2, -2, 5, 3);
    GDL_drawBevel(20, 10, 37, 23, 0, 2);
    GDL_drawBevel(0, 0, 37, 23, 2, 0);
    EXPECT_EQ(g.strayBytes(), 0);
}

// A clip rectangle right of the viewport is stored inverted; nothing may be
// drawn through it.
TEST_P(DrawingBounds, AnEmptyClipDrawsNothing) {
    GuardedSurface g(20, 10, depth().bits, depth().format);
    ASSERT_NE(g.dc, nullptr);
    GDL_setClipRectCurrent(30, 0, 40, 10);
    GdlSpan16 spans[3] = {{0, 40}, {40, 0}, {5, 25}};
    GDL_drawSpans(0, 3, spans);
    GDL_fillRect(0, 0, 40, 10);
    GDL_line(0, 0, 40, 9);
    GDL_setPenSize(2, 2);
    GDL_line(0, 0, 40, 9);
    EXPECT_EQ(g.strayBytes(), 0);
    EXPECT_EQ(g.changed(), 0);
}

// Random lines, rectangles, bevels and span lists under random viewports,
// clips (some of them empty), pens, styles and write modes: every pixel lands
// on the surface, and inside the device clip while clipping is on.
TEST_P(DrawingBounds, RandomDrawingStaysInsideTheClipAndTheSurface) {
    std::mt19937 rng(11);
    auto pick = [&](int32_t lo, int32_t hi) {
        return std::uniform_int_distribution<int32_t>(lo, hi)(rng);
    };
    for (int round = 0; round < 300; ++round) {
        GuardedSurface g(pick(1, 40), pick(1, 25), depth().bits, depth().format);
        ASSERT_NE(g.dc, nullptr);
        GDL_setViewportCurrent(pick(-5, 10), pick(-5, 10), pick(0, 45), pick(0, 30));
        GDL_setClipRectCurrent(pick(-5, 40), pick(-5, 30), pick(-5, 45), pick(-5, 30));
        const bool clipOn = pick(0, 3) != 0;
        if (!clipOn) GDL_setClipMode(g.dc, 0);
        GDL_setPenSize(pick(1, 4), pick(1, 4));
        GDL_setPenStyle(pick(0, 1));
        GDL_setLineStyle(uint32_t(pick(1, 0xFFFF)));
        GDL_setWriteMode(pick(0, 1) * 3);
        GDL_setFillStyle(pick(0, 1) * 3);
        const int32_t coord = 50 << 16;
        for (int i = 0; i < 4; ++i)
            GDL_lineFX(pick(-coord, coord), pick(-coord, coord), pick(-coord, coord),
                       pick(-coord, coord));
        GDL_fillRect(pick(-10, 50), pick(-10, 35), pick(-10, 50), pick(-10, 35));
        GDL_rect(pick(-10, 50), pick(-10, 35), pick(-10, 50), pick(-10, 35));
        GDL_drawBevel(pick(-10, 50), pick(-10, 35), pick(-10, 50), pick(-10, 35), pick(0, 2),
                      pick(0, 4));
        GdlSpan16 spans[6];
        for (GdlSpan16& s : spans)
            s = {int16_t(pick(-20, 60)), int16_t(pick(-20, 60))};
        GDL_drawSpans(pick(-8, 30), 6, spans);
        EXPECT_EQ(g.strayBytes(), 0) << "round " << round;
        const GdlRect& c = GDL_stateBlock.clipDevice;
        if (clipOn) {
            EXPECT_EQ(g.changedOutside(c.left, c.top, c.right, c.bottom), 0) << "round " << round;
        }
    }
}

// The shapes, pixels and copies under the same empty clip draw nothing.
TEST_P(DrawingBounds, AnEmptyClipDrawsNoShapeOrCopy) {
    GuardedSurface g(20, 10, depth().bits, depth().format);
    ASSERT_NE(g.dc, nullptr);
    std::vector<uint8_t> pixels(size_t(8 * 8 * 4), 0x5A);
    GdlPixelFormat format = depth().format ? *depth().format : GdlPixelFormat{};
    const GdlBitmap bitmap{8,
                           8,
                           depth().bits,
                           8 * bytesOf(depth().bits),
                           pixels.data(),
                           nullptr,
                           depth().format ? &format : nullptr};
    const uint8_t mono[16] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                              0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const int32_t triangle[6] = {fx(0), fx(0), fx(19), fx(2), fx(3), fx(9)};
    for (const GdlRect& clip : {GdlRect{30, 0, 40, 10}, GdlRect{0, 12, 20, 20}}) {
        GDL_setClipRectCurrent(clip.left, clip.top, clip.right, clip.bottom);
        GDL_fillEllipse(0, 0, 20, 10);
        GDL_ellipse(0, 0, 20, 10);
        GDL_ellipseArc(0, 0, 20, 10, 0, 270);
        GDL_fillEllipseArc(0, 0, 20, 10, 0, 270);
        GDL_fillPolygon(3, triangle, 8);
        GDL_fillConvexPolygon(3, triangle, 8);
        GDL_putPixel(5, 5);
        GDL_putBitmap(g.dc, 0, 0, &bitmap, 0);
        GDL_putBitmapTransparent(g.dc, 0, 0, &bitmap, 0, 1);
        GDL_stretchBitmap(g.dc, 0, 0, 20, 10, &bitmap);
        GDL_drawMonoImage(g.dc, 0, 0, 2, 8, mono);
        EXPECT_EQ(g.strayBytes(), 0);
        EXPECT_EQ(g.changed(), 0) << clip.left << "," << clip.top;
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, DrawingBounds, ::testing::ValuesIn(kDepths),
                         [](const auto& info) { return std::string(info.param.name); });

// Viewports whose corners do not fit the 16.16 values are refused, and the
// context keeps the viewport it had.
TEST(DrawingViewport, BeyondTheFixedPointRangeIsRefused) {
    PACK_registerDrivers();
    {
        GuardedSurface g(20, 10, 8, nullptr);
        ASSERT_NE(g.dc, nullptr);
        GDL_setViewportCurrent(2, 3, 12, 9);
        ASSERT_EQ(GDL_lastResult(), GDL_OK);
        const GdlRect before = GDL_stateBlock.attr.viewport;
        const GdlRect beforeClip = GDL_stateBlock.attr.clipRect;
        const GdlRect refused[] = {
            {40000, 0, 40010, 10}, {0, -40000, 10, 10}, {-32768, 0, 10, 10}, {0, 0, 10, 32768}};
        for (const GdlRect& r : refused) {
            GDL_setViewportCurrent(r.left, r.top, r.right, r.bottom);
            EXPECT_NE(GDL_lastResult(), GDL_OK);
            GDL_setViewport(g.dc, r.left, r.top, r.right, r.bottom);
            EXPECT_NE(GDL_lastResult(), GDL_OK);
            EXPECT_EQ(std::memcmp(&GDL_stateBlock.attr.viewport, &before, sizeof(before)), 0);
            EXPECT_EQ(std::memcmp(&GDL_stateBlock.attr.clipRect, &beforeClip, sizeof(before)), 0);
        }
        GDL_setViewportCurrent(-32767, 0, 32767, 10);
        EXPECT_EQ(GDL_lastResult(), GDL_OK);
        GDL_line(-40000, 0, 40000, 5);
        GDL_fillRect(-40000, 0, 40000, 5);
        EXPECT_EQ(g.strayBytes(), 0);
    }
    GDL_exit();
}

// The same refusal for a context that is not the current one: its record
// keeps its viewport and clip.
TEST(DrawingViewport, AnotherContextKeepsItsViewportWhenRefused) {
    PACK_registerDrivers();
    GdlDeviceContext* other = GDL_createMemoryDC(20, 10, 8, nullptr);
    GdlDeviceContext* current = GDL_createMemoryDC(20, 10, 8, nullptr);
    ASSERT_TRUE(other && current);
    GDL_selectCurrentDC(current);
    GDL_setViewport(other, 2, 3, 12, 9);
    const GdlRect viewport = other->attr.viewport, clip = other->clipDevice;
    GDL_setViewport(other, 0, 0, 40000, 10);
    EXPECT_NE(GDL_lastResult(), GDL_OK);
    EXPECT_EQ(std::memcmp(&other->attr.viewport, &viewport, sizeof(viewport)), 0);
    EXPECT_EQ(std::memcmp(&other->clipDevice, &clip, sizeof(clip)), 0);
    GDL_exit();
}

} // namespace
