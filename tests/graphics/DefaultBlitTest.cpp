// The default transparent, overlapping, stretching and converting blits, the
// copies to and from memory, and the pixel scans, on memory contexts of the
// test driver; expectations are worked out pixel by pixel from the rules.
#include <vector>

#include "DrawTestRows.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"

namespace {

class DefaultBlit : public DrawTest {
protected:
    // A pattern with zeros among the values.
    static uint32_t source(int x, int y) {
        return uint32_t((x * 7 + y * 13) % 5 == 0 ? 0 : x + 16 * y + 1);
    }
    void fill(GdlDeviceContext* dc, int w, int h, uint32_t (*f)(int, int)) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                set(dc, x, y, f(x, y));
    }
    void fillWith(GdlDeviceContext* dc, int w, int h, uint32_t v) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                set(dc, x, y, v);
    }
};

TEST_F(DefaultBlit, TransparentBlitsSkipOrReplaceByKey) {
    for (bool sourceKey : {true, false}) {
        GdlDeviceContext* src = make(12, 10, 8);
        GdlDeviceContext* dst = make(16, 12, 8);
        fill(src, 12, 10, source);
        // The destination holds 7 with a few pixels equal to the key 0.
        fillWith(dst, 16, 12, 7);
        set(dst, 5, 4, 0);
        set(dst, 6, 5, 0);
        auto blt = sourceKey ? DRV_srcTransBlt : DRV_dstTransBlt;
        blt(dst, src, 2, 1, 10, 8, 3, 2, 0, 0);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 16; ++x) {
                bool inside = x >= 3 && x < 11 && y >= 2 && y < 9;
                uint32_t before = (x == 5 && y == 4) || (x == 6 && y == 5) ? 0 : 7;
                uint32_t expect = before;
                if (inside) {
                    uint32_t s = source(x - 3 + 2, y - 2 + 1);
                    if (sourceKey)
                        expect = s == 0 ? before : s;
                    else
                        expect = before == 0 ? s : before;
                }
                ASSERT_EQ(at(dst, x, y), expect) << sourceKey << " " << x << "," << y;
            }
        GDL_destroyDC(src);
        GDL_destroyDC(dst);
    }
}

TEST_F(DefaultBlit, CopyWithinHandlesOverlapInBothDirections) {
    struct Case {
        int dx, dy, downward;
    } cases[] = {{2, 1, 0}, {-1, -2, 1}, {3, 0, 1}, {-2, 0, 0}};
    for (const Case& c : cases) {
        GdlDeviceContext* dc = make(20, 16, 16);
        GDL_selectCurrentDC(dc);
        auto value = [](int x, int y) { return uint32_t(1000 + x + 100 * y); };
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 20; ++x)
                set(dc, x, y, value(x, y));
        const int l = 4, t = 4, r = 14, b = 11;
        DRV_copyWithin(l, t, r, b, l + c.dx, t + c.dy, 0, c.downward);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 20; ++x) {
                int sx = x - c.dx, sy = y - c.dy;
                bool moved = sx >= l && sx < r && sy >= t && sy < b;
                ASSERT_EQ(at(dc, x, y), moved ? value(sx, sy) : value(x, y))
                    << c.dx << "," << c.dy << " at " << x << "," << y;
            }
        GDL_selectCurrentDC(nullptr);
        GDL_destroyDC(dc);
    }
}

// Rows wider than the scratch buffer holds (32-bit pixels, 9000 a row) are
// copied in pieces; overlapping shifts either way still move every pixel once.
TEST_F(DefaultBlit, CopyWithinRowsLongerThanTheScratchBuffer) {
    constexpr int kWide = 9000, kRows = 3;
    for (int dx : {10, -10, 8200, -8200}) {
        GdlDeviceContext* dc = make(kWide, kRows, 32);
        GDL_selectCurrentDC(dc);
        auto value = [](int x, int y) { return uint32_t(x * 4 + y + 1); };
        for (int y = 0; y < kRows; ++y)
            for (int x = 0; x < kWide; ++x)
                set(dc, x, y, value(x, y));
        const int l = dx > 0 ? 0 : -dx, r = dx > 0 ? kWide - dx : kWide;
        DRV_copyWithin(l, 1, r, 2, l + dx, 1, 0, 1);
        for (int y = 0; y < kRows; ++y)
            for (int x = 0; x < kWide; ++x) {
                const int sx = x - dx;
                const bool moved = y == 1 && sx >= l && sx < r;
                ASSERT_EQ(at(dc, x, y), moved ? value(sx, y) : value(x, y))
                    << dx << " at " << x << "," << y;
            }
        GDL_selectCurrentDC(nullptr);
        GDL_destroyDC(dc);
    }
}

TEST_F(DefaultBlit, ImagesGoToAndFromMemoryWithOffsetsAndOperation) {
    GdlDeviceContext* dc = make(16, 10, 32);
    GDL_selectCurrentDC(dc);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 16; ++x)
            set(dc, x, y, uint32_t(0x10000 * y + x));
    const int bpl = 40; // ten 32-bit pixels
    std::vector<uint8_t> mem(size_t(bpl) * 8, 0);
    DRV_getImage(3, 2, 9, 6, 2, 1, 0, mem.data(), bpl);
    auto memPixel = [&](int x, int y) { return rows::load(dc, mem.data() + y * bpl, x); };
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x) {
            bool in = x >= 2 && x < 8 && y >= 1 && y < 5;
            ASSERT_EQ(memPixel(x, y), in ? uint32_t(0x10000 * (y + 1) + (x + 1)) : 0u);
        }
    // Back with XOR at another place: the memory rectangle (2, 1)-(8, 5).
    DRV_putImage(2, 1, 8, 5, 9, 5, 3, mem.data(), bpl);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 16; ++x) {
            uint32_t v = uint32_t(0x10000 * y + x);
            if (x >= 9 && x < 15 && y >= 5 && y < 9) v ^= memPixel(x - 9 + 2, y - 5 + 1);
            ASSERT_EQ(at(dc, x, y), v);
        }
}

TEST_F(DefaultBlit, StretchesOfTheSameFormatRepeatRows) {
    GdlDeviceContext* src = make(6, 4, 16, &GDL_pixelFormat565);
    GdlDeviceContext* dst = make(16, 12, 16, &GDL_pixelFormat565);
    auto v = [](int x, int y) { return uint32_t(0x0841 * (x + 1) + 0x1000 * y); };
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            set(src, x, y, v(x, y));
    DRV_stretch1x2(dst, src, 1, 1, 5, 3, 2, 3, nullptr, 1);
    for (int y = 3; y < 7; ++y)
        for (int x = 2; x < 6; ++x)
            ASSERT_EQ(at(dst, x, y), v(x - 2 + 1, (y - 3) / 2 + 1));
    EXPECT_EQ(at(dst, 6, 3), 0u);
    EXPECT_EQ(at(dst, 2, 7), 0u);
    DRV_stretch2x2(dst, src, 0, 0, 3, 2, 8, 6, nullptr, 1);
    for (int y = 6; y < 10; ++y)
        for (int x = 8; x < 14; ++x)
            ASSERT_EQ(at(dst, x, y), v((x - 8) / 2, (y - 6) / 2));
    EXPECT_EQ(at(dst, 14, 6), 0u);
}

TEST_F(DefaultBlit, StretchBetweenFormatsConverts) {
    GdlDeviceContext* src = make(4, 2, 16, &GDL_pixelFormat565);
    GdlDeviceContext* dst = make(8, 4, 16, &GDL_pixelFormat555);
    const uint32_t colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {128, 64, 200}};
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 2; ++y)
            set(src, x, y,
                GDL_packColor(&GDL_pixelFormat565, colours[x][0], colours[x][1], colours[x][2]));
    DRV_stretch2x2(dst, src, 0, 0, 4, 2, 0, 0, nullptr, 1);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) {
            uint8_t r, g, b;
            GDL_unpackColor(&GDL_pixelFormat565, at(src, x / 2, y / 2), &r, &g, &b);
            ASSERT_EQ(at(dst, x, y), GDL_packColor(&GDL_pixelFormat555, r, g, b));
        }
}

TEST_F(DefaultBlit, IndexedStretchTranslatesThroughTheNearestColour) {
    GdlDeviceContext* src = make(4, 2, 8);
    GdlDeviceContext* dst = make(4, 4, 8);
    GdlDeviceContext* s = GDL_liveDC(src);
    GdlDeviceContext* d = GDL_liveDC(dst);
    for (int i = 0; i < 256; ++i) {
        s->palette[i] = {uint8_t(i), uint8_t(i), uint8_t(i), 0};
        d->palette[i] = {uint8_t(255 - i), uint8_t(255 - i), uint8_t(255 - i), 0};
    }
    s->palette[5] = {10, 10, 200, 0}; // blue, green, red
    d->palette[40] = {12, 9, 198, 0};
    d->palette[41] = {12, 9, 198, 0}; // equal distance: the first wins
    set(src, 0, 0, 5);
    set(src, 1, 0, 3); // grey 3 -> destination 252
    DRV_stretch1x2(dst, src, 0, 0, 2, 1, 0, 0, nullptr, 1);
    EXPECT_EQ(at(dst, 0, 0), 40u);
    EXPECT_EQ(at(dst, 0, 1), 40u);
    EXPECT_EQ(at(dst, 1, 0), 252u);
    // With the palette check off the indexes go across unchanged.
    GDL_setPaletteCheck(0);
    DRV_stretch1x2(dst, src, 0, 0, 2, 1, 2, 0, nullptr, 1);
    EXPECT_EQ(at(dst, 2, 0), 5u);
    EXPECT_EQ(at(dst, 3, 1), 3u);
    // A clear translate flag converts through the palette the caller gives.
    GdlPaletteEntry given[256] = {};
    given[5] = {255, 255, 255, 0}; // white -> destination index 0
    DRV_stretch1x2(dst, src, 0, 0, 1, 1, 0, 2, given, 0);
    EXPECT_EQ(at(dst, 0, 2), 0u);
    EXPECT_EQ(at(dst, 0, 3), 0u);
}

// Destination column X takes the source column i with pos(i) <= X < pos(i + 1),
// pos(i) = (i * scale + 0x8000) >> 16.
int sourceOf(int X, int32_t scale, int width) {
    for (int i = 0; i < width; ++i)
        if (X >= ((int64_t(i) * scale + 0x8000) >> 16) &&
            X < ((int64_t(i + 1) * scale + 0x8000) >> 16))
            return i;
    return -1;
}

TEST_F(DefaultBlit, ConvertingBlitScalesByRepeatCounts) {
    struct Case {
        int32_t xs, ys;
        int bits;
    } cases[] = {
        {0x8000, 0x8000, 32}, {0x18000, 0x20000, 32}, {0x18000, 0x8000, 8}, {0x30000, 0x10000, 24}};
    for (const Case& c : cases) {
        GdlDeviceContext* src = make(10, 6, c.bits);
        GdlDeviceContext* dst = make(40, 16, c.bits);
        auto v = [&](int x, int y) {
            return uint32_t(x + 16 * y + 1) & (c.bits == 8 ? 0xFF : ~0u);
        };
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 10; ++x)
                set(src, x, y, v(x, y));
        DRV_convertBlt(dst, src, 1, 1, 9, 5, 2, 1, c.xs, c.ys, nullptr, 1);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 40; ++x) {
                int i = x >= 2 ? sourceOf(x - 2, c.xs, 8) : -1;
                int j = y >= 1 ? sourceOf(y - 1, c.ys, 4) : -1;
                uint32_t expect = (i < 0 || j < 0) ? 0 : v(i + 1, j + 1);
                ASSERT_EQ(at(dst, x, y), expect) << c.xs << " " << x << "," << y;
            }
        GDL_destroyDC(src);
        GDL_destroyDC(dst);
    }
}

TEST_F(DefaultBlit, ConvertingBlitBetweenDepths) {
    GdlDeviceContext* src8 = make(4, 1, 8);
    GdlDeviceContext* dst32 = make(4, 1, 32, &GDL_pixelFormatARGB);
    GdlDeviceContext* dst16 = make(4, 1, 16, &GDL_pixelFormat565);
    GDL_liveDC(src8)->palette[9] = {30, 20, 10, 0};
    set(src8, 0, 0, 9);
    DRV_convertBlt(dst32, src8, 0, 0, 1, 1, 1, 0, 0x10000, 0x10000, nullptr, 1);
    EXPECT_EQ(at(dst32, 1, 0), 0x000A141Eu);
    // A caller's palette replaces the context's.
    GdlPaletteEntry given[256] = {};
    given[9] = {1, 2, 3, 0};
    DRV_convertBlt(dst32, src8, 0, 0, 1, 1, 2, 0, 0x10000, 0x10000, given, 0);
    EXPECT_EQ(at(dst32, 2, 0), 0x00030201u);
    set(dst32, 0, 0, 0x00F08040);
    DRV_convertBlt(dst16, dst32, 0, 0, 1, 1, 0, 0, 0x10000, 0x10000, nullptr, 1);
    EXPECT_EQ(at(dst16, 0, 0), GDL_packColor(&GDL_pixelFormat565, 0xF0, 0x80, 0x40));
}

// The translation table takes the least sum of channel differences, not the
// least squared distance: (130, 100, 100) is 30 away from grey 100 and wins
// over (112, 112, 112), 36 away (though nearer by squares); equal sums keep
// the first entry.
TEST_F(DefaultBlit, TranslationTableUsesTheSumOfChannelDifferences) {
    GdlDeviceContext* src = make(3, 1, 8);
    GdlDeviceContext* dst = make(3, 1, 8);
    GdlDeviceContext* d = GDL_liveDC(dst);
    for (int i = 0; i < 256; ++i)
        d->palette[i] = GdlPaletteEntry{};
    auto entry = [](int r, int g, int b) {
        GdlPaletteEntry e{};
        e.red = uint8_t(r);
        e.green = uint8_t(g);
        e.blue = uint8_t(b);
        return e;
    };
    d->palette[3] = entry(112, 112, 112);
    d->palette[7] = entry(130, 100, 100);
    d->palette[9] = entry(60, 60, 60);  // 120 from grey 100
    d->palette[10] = entry(20, 20, 20); // 60 from grey 40
    d->palette[11] = entry(40, 40, 80); // 0 + 0 + 40, first of the two at 40
    d->palette[12] = entry(80, 40, 40); // 40 + 0 + 0
    GdlPaletteEntry given[256] = {};
    given[1] = entry(100, 100, 100);
    given[2] = entry(40, 40, 40);
    given[4] = entry(40, 40, 60);
    set(src, 0, 0, 1);
    set(src, 1, 0, 2);
    set(src, 2, 0, 4);
    DRV_convertBlt(dst, src, 0, 0, 3, 1, 0, 0, 0x10000, 0x10000, given, 0);
    EXPECT_EQ(at(dst, 0, 0), 7u);
    EXPECT_EQ(at(dst, 1, 0), 11u); // 11 and 12 both 40 away: the first
    EXPECT_EQ(at(dst, 2, 0), 11u); // 20 away
    GDL_destroyDC(src);
    GDL_destroyDC(dst);
}

TEST_F(DefaultBlit, ScansFindTheColourOrTheEndOfItsRun) {
    GdlDeviceContext* dc = make(12, 3, 8);
    GDL_selectCurrentDC(dc);
    const uint8_t row[12] = {1, 1, 2, 2, 2, 3, 1, 1, 1, 4, 4, 1};
    for (int x = 0; x < 12; ++x)
        set(dc, x, 1, row[x]);
    struct Case {
        GdlScanFunc f;
        int32_t x;
        uint32_t colour;
        int32_t expect;
    } cases[] = {
        {DRV_scanRightTo, 0, 2, 2},
        {DRV_scanRightTo, 3, 2, 3},
        {DRV_scanRightTo, 0, 9, 12},
        {DRV_scanLeftTo, 11, 3, 5},
        {DRV_scanLeftTo, 4, 9, -1},
        {DRV_scanLeftTo, 5, 3, 5},
        {DRV_scanRightWhile, 2, 2, 5},
        {DRV_scanRightWhile, 11, 1, 12},
        {DRV_scanRightWhile, 0, 7, 0},
        {DRV_scanLeftWhile, 8, 1, 5},
        {DRV_scanLeftWhile, 1, 1, -1},
        // Starts and rows off the surface read nothing outside it.
        {DRV_scanRightTo, 40, 1, 12},
        {DRV_scanLeftTo, -3, 1, -1},
        {DRV_scanLeftTo, 30, 4, 10},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.f(c.x, 1, c.colour), c.expect) << c.x << " " << c.colour;
    EXPECT_EQ(DRV_scanRightTo(0, 7, 0), 12);
    EXPECT_EQ(DRV_scanLeftTo(5, -1, 0), -1);
}

} // namespace

namespace {

// The same routines through the row entries of the library's packed drivers.
TEST(DefaultBlitOnPackedDrivers, RowEntriesAgree) {
    GDL_exit();
    GDL_unregisterAllDrivers();
    PACK_registerDrivers();
    GdlDeviceContext* src = GDL_createMemoryDC(4, 2, 16, &GDL_pixelFormat565);
    GdlDeviceContext* dst = GDL_createMemoryDC(12, 6, 16, &GDL_pixelFormat565);
    GdlDeviceContext* wide = GDL_createMemoryDC(8, 4, 32, &GDL_pixelFormatARGB);
    ASSERT_TRUE(src && dst && wide);
    auto px = [](GdlDeviceContext* dc, int x, int y) {
        return testdrv::readPixel(GDL_liveDC(dc), x, y);
    };
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            testdrv::writePixel(src, x, y,
                                x == 1 && y == 0 ? 0 : uint32_t(0x1000 * y + 0x41 * (x + 1)));
    // Same format, 1.5 across: repeat counts 2, 1, 2, 1 through the stretched row put.
    DRV_convertBlt(dst, src, 0, 0, 4, 2, 1, 1, 0x18000, 0x10000, nullptr, 1);
    const int from[6] = {0, 0, 1, 2, 2, 3};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(px(dst, 1 + x, 1 + y), px(src, from[x], y)) << x << "," << y;
    // Converted to 32 bits and doubled both ways.
    DRV_stretch2x2(wide, src, 0, 0, 4, 2, 0, 0, nullptr, 1);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) {
            uint8_t r, g, b;
            GDL_unpackColor(&GDL_pixelFormat565, px(src, x / 2, y / 2), &r, &g, &b);
            EXPECT_EQ(px(wide, x, y), GDL_packColor(&GDL_pixelFormatARGB, r, g, b));
        }
    // Source key 0: the hole at (1, 0) keeps what was there.
    testdrv::writePixel(dst, 9, 4, 0x7777);
    DRV_srcTransBlt(dst, src, 0, 0, 4, 2, 8, 4, 0, 0);
    EXPECT_EQ(px(dst, 9, 4), 0x7777u);
    EXPECT_EQ(px(dst, 8, 4), px(src, 0, 0));
    EXPECT_EQ(px(dst, 11, 5), px(src, 3, 1));
    GDL_exit();
}

} // namespace
