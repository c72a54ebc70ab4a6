// Shapes whose working lists do not fit the scratch buffer, and a conversion
// the library does not have, fail the call with a result code and draw
// nothing; the program goes on.
#include <cstdint>
#include <vector>

#include "FixedPoint.h"
#include "Canvas.h"
#include "gdl/blit.h"
#include "gdl/draw.h"
#include "gdl/pixelformat.h"
#include "gdl/support.h"

namespace {

using OversizeShapes = CanvasTest;

// A polygon of `n` points along a zigzag inside the canvas.
std::vector<int32_t> zigzag(int32_t n) {
    std::vector<int32_t> p;
    for (int32_t i = 0; i < n; ++i) {
        p.push_back(fx(i % 30));
        p.push_back(fx(i % 2 ? 5 : 25));
    }
    return p;
}

TEST_F(OversizeShapes, FailWithAResultCodeAndDrawNothing) {
    struct Case {
        const char* what;
        void (*draw)();
    };
    static const Case cases[] = {
        {"filled pie 4100 rows", [] { GDL_fillEllipseArc(0, 0, 20, 4100, 0, 90); }},
        {"filled ellipse 16400 rows", [] { GDL_fillEllipse(0, 0, 20, 16400); }},
        {"wide ellipse 40000 rows",
         [] {
             GDL_setPenSize(2, 2);
             GDL_ellipse(0, 0, 20, 40000);
         }},
        {"polygon of 1000 points",
         [] {
             auto p = zigzag(1000);
             GDL_fillPolygon(1000, p.data(), 8);
         }},
        {"ellipse outline beyond the 16.16 range", [] { GDL_ellipse(0, 0, 40000, 20); }},
        {"arc beyond the 16.16 range", [] { GDL_ellipseArc(-40000, 0, 20, 20, 0, 90); }},
        {"convex polygon of 2000 points",
         [] {
             auto p = zigzag(2000);
             GDL_fillConvexPolygon(2000, p.data(), 8);
         }},
    };
    for (const Case& c : cases) {
        clear();
        GDL_lastResult();
        c.draw();
        EXPECT_EQ(GDL_lastResult(), GDL_GENERAL_ERROR) << c.what;
        EXPECT_EQ(count(1), 0) << c.what;
        GDL_setPenSize(1, 1);
    }
    // Within the buffer they draw.
    GDL_fillEllipse(0, 0, 20, 20);
    EXPECT_EQ(GDL_lastResult(), GDL_OK);
    EXPECT_GT(count(1), 0);
}

// 4-bit pixels onto a 4-bit surface with another palette have no translation.
TEST(FourBitTranslation, FailsWithAResultCode) {
    testdrv::restartWithMemoryDrivers();
    GdlDeviceContext* dc = GDL_createMemoryDC(4, 4, 4, nullptr);
    ASSERT_NE(dc, nullptr);
    GdlPaletteEntry palette[16] = {};
    palette[1] = {1, 2, 3, 0};
    uint8_t img[8] = {0x11, 0x11, 0, 0, 0x11, 0x11, 0, 0};
    GDL_translateImage(dc, 0, 0, 2, 2, 0, 0, 0, img, 4, 4, palette, nullptr);
    EXPECT_EQ(GDL_lastResult(), GDL_INVALID_DEVICE_TYPE);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(testdrv::readPixel(dc, x, y), 0u);
    GDL_exit();
}

// Coordinates at the ends of the 32-bit range, moved by a viewport origin,
// neither overflow (the undefined-behaviour sanitizer would stop here) nor
// wrap round onto the surface.
TEST_F(OversizeShapes, CoordinatesAtTheEndsOfTheRangeStayOffTheSurface) {
    constexpr int32_t kMax = INT32_MAX, kMin = INT32_MIN;
    static uint8_t mono[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    static const GdlBitmap monoBitmap{8, 4, 1, 1, mono, nullptr, nullptr};
    for (int32_t origin : {8, -8}) {
        clear();
        GDL_setViewport(dc, origin > 0 ? origin : 0, origin > 0 ? origin : 0, kW, kH);
        GDL_setClipRect(dc, kMin, kMin, kMax, kMax);
        GDL_setColor(1);
        GDL_fillRect(kMax - 4, kMax - 4, kMax, kMax);
        GDL_fillRect(kMin, kMin, kMin + 4, kMin + 4);
        GDL_drawBevel(kMax - 8, kMax - 8, kMax, kMax, 0, kMax);
        GDL_drawBevel(kMin, kMin, kMin + 8, kMin + 8, 1, 3);
        GDL_putBitmap(dc, kMax - 2, kMax - 2, &monoBitmap, 0);
        GDL_putBitmap(dc, kMin, kMin, &monoBitmap, 0);
        GDL_drawMonoImage(dc, kMax - 2, kMax - 2, 1, 4, mono);
        GDL_drawMonoImage(dc, kMin, kMin, 1, 4, mono);
        EXPECT_EQ(GDL_getPixelNoAccess(kMax, kMax), 0xFFFFFFFFu);
        EXPECT_EQ(GDL_getPixelNoAccess(kMin, kMin), 0xFFFFFFFFu);
        EXPECT_EQ(count(1), 0) << origin;
    }
    GDL_exit();
}

} // namespace
