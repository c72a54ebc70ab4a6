// The brightness-level copy the display presents through: the channel
// values of a few levels, 15/16-bit pixels, what is copied plainly, the
// fourth byte at 32 bits and rectangles reaching past both contexts.
#include "WindowedLibrary.h"
#include "media/devices/TImgAdj.h"

#include "gdl/blit.h"
#include "gdl/draw.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "gdl/windows.h"
#include "platform/Host.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class ImageAdjust : public testsupport::WindowedLibraryTest {
protected:
    static GdlDeviceContext* Make(int32_t w, int32_t h, int32_t bits, const GdlPixelFormat* format,
                                  uint32_t fill) {
        GdlDeviceContext* dc = GDL_createMemoryDC(w, h, bits, format);
        if (!dc) return nullptr;
        GdlDeviceContext* d = GDL_liveDC(dc);
        const int32_t n = bits == 15 ? 2 : bits / 8;
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                std::memcpy(d->surface + int64_t(y) * d->mode.bytesPerLine + x * n, &fill,
                            size_t(n));
        return dc;
    }
    static uint32_t At(GdlDeviceContext* dc, int32_t x, int32_t y) {
        GdlDeviceContext* d = GDL_liveDC(dc);
        const int32_t bits = int32_t(d->mode.bitsPerPixel), n = bits == 15 ? 2 : bits / 8;
        uint32_t v = 0;
        std::memcpy(&v, d->surface + int64_t(y) * d->mode.bytesPerLine + x * n, size_t(n));
        return v;
    }

    TImgAdj adjust;
};

TEST_F(ImageAdjust, ChannelValuesOfTheLevels) {
    struct Case {
        int32_t level;
        uint8_t in, out;
    };
    const Case cases[] = {{128, 200, 100}, {384, 0, 127}, {384, 255, 255}, {0, 77, 0},
                          {0, 255, 0},     {512, 0, 255}, {512, 13, 255},  {64, 255, 63}};
    for (const Case& c : cases) {
        const uint32_t pixel = 0xAA000000u | uint32_t(c.in) * 0x010101u;
        GdlDeviceContext* source = Make(4, 2, 32, &GDL_pixelFormatARGB, pixel);
        GdlDeviceContext* dest = Make(4, 2, 32, &GDL_pixelFormatARGB, 0x55000000u);
        ASSERT_TRUE(source && dest);
        adjust.SetLevel(c.level);
        adjust.Blit(dest, source, 0, 0, 4, 2, 0, 0);
        // The three channels through the level, the fourth byte as it was.
        EXPECT_EQ(At(dest, 3, 1), 0x55000000u | uint32_t(c.out) * 0x010101u) << c.level;
        GDL_destroyDC(source);
        GDL_destroyDC(dest);
    }
}

TEST_F(ImageAdjust, SixteenBitPixelsGoThroughOneTable) {
    GdlDeviceContext* source = Make(8, 8, 16, &GDL_pixelFormat565, 0xFFFF);
    GdlDeviceContext* dest = Make(8, 8, 16, &GDL_pixelFormat565, 0);
    GdlDeviceContext* other = Make(8, 8, 15, &GDL_pixelFormat555, 0);
    ASSERT_TRUE(source && dest && other);
    adjust.SetLevel(128);
    adjust.Blit(dest, source, 0, 0, 8, 8, 0, 0);
    EXPECT_EQ(At(dest, 7, 7), 0x7BEFu);
    EXPECT_TRUE(adjust.TablesValid());
    // Depths and formats that differ copy through the library, unchanged by the level.
    adjust.Blit(other, source, 0, 0, 8, 8, 0, 0);
    EXPECT_EQ(At(other, 7, 7), 0x7FFFu);
    // Level 256 copies plainly and leaves the tables for the next change.
    adjust.SetLevel(256);
    adjust.Blit(dest, source, 0, 0, 8, 8, 0, 0);
    EXPECT_EQ(At(dest, 0, 0), 0xFFFFu);
}

TEST_F(ImageAdjust, RectanglesPastBothContextsAreClipped) {
    GdlDeviceContext* source = Make(7, 5, 16, &GDL_pixelFormat565, 0xFFFF);
    GdlDeviceContext* dest = Make(9, 3, 16, &GDL_pixelFormat565, 0);
    ASSERT_TRUE(source && dest);
    adjust.SetLevel(128);
    // Widened past the source's right edge and placed past the destination's.
    adjust.Blit(dest, source, 4, 0, 12, 5, 5, 0);
    EXPECT_EQ(At(dest, 5, 0), 0x7BEFu);
    EXPECT_EQ(At(dest, 7, 2), 0x7BEFu);
    EXPECT_EQ(At(dest, 8, 2), 0u); // beyond the source's columns
    EXPECT_EQ(At(dest, 4, 0), 0u);
    // Starting before the source: the destination moves along.
    adjust.Blit(dest, source, -3, -2, 2, 2, -1, 0);
    EXPECT_EQ(At(dest, 2, 2), 0x7BEFu);
    EXPECT_EQ(At(dest, 3, 2), 0x7BEFu);
    EXPECT_EQ(At(dest, 1, 2), 0u);
    EXPECT_EQ(At(dest, 4, 2), 0u);
    EXPECT_EQ(At(dest, 2, 1), 0u);
}

} // namespace
