// Ordinary drawing stays inside the clip rectangle and the surface: lines
// whose end points lie in the last half pixel before an edge, wide pens with
// clipping off, span lists under an empty clip, and viewports that the 16.16
// coordinates cannot hold. The packed renderers draw into a caller's surface
// framed by guard rows, so a stray write shows as a changed guard byte.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "FixedPoint.h"
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

} // namespace
