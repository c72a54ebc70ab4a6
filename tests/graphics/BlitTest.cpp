// Blits, bitmap puts, pages and palettes through the library's front ends on
// packed memory contexts. Expected colours come from the pixel-format rules
// (unpack, pack, nearest palette entry, halftone), computed here per pixel.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "gdl/blit.h"
#include "gdl/dc.h"
#include "gdl/draw.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "gdl/result.h"
#include "PackedDepths.h"

namespace {

using namespace packedtest;

constexpr int32_t W = 24, H = 10;

// A palette unlike the default one, and a second that differs from it.
void makePalette(GdlPaletteEntry* p, uint8_t salt) {
    for (int32_t i = 0; i < 256; ++i)
        p[i] = {uint8_t(i * 7 + salt), uint8_t(255 - i), uint8_t(i * 3 + salt), 0};
}

class BlitTest : public ::testing::Test {
protected:
    void SetUp() override { PACK_registerDrivers(); }
    void TearDown() override {
        GDL_setPaletteCheck(1);
        GDL_selectCurrentDC(nullptr);
        GDL_destroyAllMemoryDCs();
    }
    GdlDeviceContext* make(const Depth& d, int32_t w = W, int32_t h = H) {
        GdlDeviceContext* dc = GDL_createMemoryDC(w, h, d.bits, d.format);
        EXPECT_NE(dc, nullptr);
        if (dc && d.bits == 8) {
            GdlPaletteEntry p[256];
            makePalette(p, 0);
            std::memcpy(dc->palette, p, sizeof(p));
        }
        return dc;
    }
};

TEST_F(BlitTest, EveryPairOfDepthsConvertsByTheFormatRules) {
    for (const Depth& from : kDepths)
        for (const Depth& to : kDepths) {
            GdlDeviceContext* src = make(from);
            GdlDeviceContext* dst = make(to);
            ASSERT_TRUE(src && dst);
            if (to.bits == 8) {
                GdlPaletteEntry p[256];
                makePalette(p, from.bits == 8 ? 5 : 0); // 8 to 8 must translate
                std::memcpy(dst->palette, p, sizeof(p));
            }
            for (int32_t y = 0; y < H; ++y)
                for (int32_t x = 0; x < W; ++x) {
                    uint8_t r = uint8_t(x * 37 + y * 11), g = uint8_t(x * 5 + 90),
                            b = uint8_t(y * 29 + x);
                    poke(src, x, y,
                         from.bits == 8 ? uint32_t(x * 7 + y * 3) & 0xFF
                                        : GDL_packColor(from.format, r, g, b));
                }
            GDL_bitBlt(dst, src, 2, 1, W - 1, H - 2, 3, 2, 0);
            for (int32_t y = 1; y < H - 2; ++y)
                for (int32_t x = 2; x < W - 1; ++x) {
                    uint32_t p = peek(src, x, y);
                    uint8_t r, g, b;
                    if (from.bits == 8) {
                        r = src->palette[p].red;
                        g = src->palette[p].green;
                        b = src->palette[p].blue;
                    } else {
                        GDL_unpackColor(from.format, p, &r, &g, &b);
                    }
                    const int32_t dx = x + 1, dy = y + 1;
                    uint32_t want;
                    if (to.bits != 8)
                        want = GDL_packColor(to.format, r, g, b);
                    else if (from.bits == 8)
                        want = uint32_t(GDL_nearestPaletteIndex(dst->palette, 256, r, g, b));
                    else
                        want = GDL_halftoneIndex(r, g, b, x - 2, dy);
                    ASSERT_EQ(peek(dst, dx, dy), want)
                        << from.name << " -> " << to.name << " at " << dx << "," << dy;
                }
            EXPECT_EQ(peek(dst, 0, 0), 0u) << "outside the rectangle";
            GDL_destroyDC(src);
            GDL_destroyDC(dst);
        }
}

// 32-bit xRGB to 5:6:5 and 5:5:5 goes eight pixels a step where it can:
// every width from one to past four steps, from an odd column, with noise
// in all 32 bits, gives each pixel its channels' top bits.
TEST_F(BlitTest, ThirtyTwoToSixteenBitsAtEveryWidth) {
    uint32_t seed = 7;
    for (const GdlPixelFormat* to : {&GDL_pixelFormat565, &GDL_pixelFormat555}) {
        const int32_t bits = to == &GDL_pixelFormat565 ? 16 : 15;
        for (int32_t w = 1; w <= 40; ++w) {
            GdlDeviceContext* src = GDL_createMemoryDC(w + 1, 2, 32, &GDL_pixelFormatARGB);
            GdlDeviceContext* dst = GDL_createMemoryDC(w + 1, 2, bits, to);
            ASSERT_TRUE(src && dst);
            for (int32_t y = 0; y < 2; ++y)
                for (int32_t x = 0; x <= w; ++x) {
                    seed = seed * 1664525u + 1013904223u;
                    poke(src, x, y, seed);
                }
            GDL_bitBlt(dst, src, 1, 0, w + 1, 2, 0, 0, 0);
            for (int32_t y = 0; y < 2; ++y)
                for (int32_t x = 0; x < w; ++x) {
                    uint8_t r, g, b;
                    GDL_unpackColor(&GDL_pixelFormatARGB, peek(src, x + 1, y), &r, &g, &b);
                    ASSERT_EQ(peek(dst, x, y), GDL_packColor(to, r, g, b))
                        << bits << " bits, width " << w << " at " << x << "," << y;
                }
            GDL_destroyDC(src);
            GDL_destroyDC(dst);
        }
    }
}

TEST_F(BlitTest, PaletteCheckChoosesTranslationOrCopy) {
    GdlDeviceContext* a = make(kDepths[0]);
    GdlDeviceContext* b = make(kDepths[0]);
    GdlPaletteEntry other[256];
    makePalette(other, 9);
    std::memcpy(b->palette, other, sizeof(other));
    for (int32_t x = 0; x < W; ++x)
        poke(a, x, 0, uint32_t(x * 10));
    GDL_bitBlt(b, a, 0, 0, W, 1, 0, 0, 0);
    for (int32_t x = 0; x < W; ++x) {
        const GdlPaletteEntry& e = a->palette[x * 10];
        EXPECT_EQ(peek(b, x, 0),
                  uint32_t(GDL_nearestPaletteIndex(b->palette, 256, e.red, e.green, e.blue)));
    }
    EXPECT_EQ(GDL_setPaletteCheck(0), 1);
    GDL_bitBlt(b, a, 0, 0, W, 1, 0, 1, 0);
    for (int32_t x = 0; x < W; ++x)
        EXPECT_EQ(peek(b, x, 1), uint32_t(x * 10));
}

TEST_F(BlitTest, BitmapsAreClippedToTheVisiblePart) {
    GdlDeviceContext* dc = make(kDepths[0], 20, 10);
    GDL_selectCurrentDC(dc);
    GDL_setClipRect(dc, 2, 2, 15, 8);
    GDL_setClipMode(dc, 1);
    GDL_setColor(0x42);
    GDL_selectCurrentDC(nullptr);
    std::vector<uint8_t> pixels(8 * 4);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = uint8_t(i + 1);
    GdlBitmap bmp{6, 4, 8, 8, pixels.data(), nullptr, nullptr};
    GDL_putBitmap(dc, 12, 6, &bmp, 0);
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 20; ++x) {
            bool inside = x >= 12 && x < 15 && y >= 6 && y < 8;
            EXPECT_EQ(peek(dc, x, y), inside ? uint32_t(pixels[size_t((y - 6) * 8 + x - 12)]) : 0u)
                << x << "," << y;
        }
    // A one-bit bitmap draws its set bits in the colour, clipped the same way.
    uint8_t bits[3 * 4] = {0xFF, 0xFF, 0, 0, 0x81, 0x81, 0, 0, 0xF0, 0x0F, 0, 0};
    GdlBitmap mono{16, 3, 1, 4, bits, nullptr, nullptr};
    std::memset(dc->surface, 0, size_t(dc->mode.bytesPerLine) * 10);
    GDL_putBitmap(dc, 0, 1, &mono, 0);
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 20; ++x) {
            int32_t r = y - 1, i = x;
            bool set = r >= 0 && r < 3 && i < 32 && (bits[r * 4 + i / 8] & (0x80 >> (i % 8)));
            bool inside = x >= 2 && x < 15 && y >= 2 && y < 8;
            EXPECT_EQ(peek(dc, x, y), set && inside ? 0x42u : 0u) << x << "," << y;
        }
}

TEST_F(BlitTest, StretchBitmapAtOneAndTwo) {
    GdlDeviceContext* dc = make(kDepths[2], 20, 10);
    std::vector<uint16_t> pixels(4 * 3);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = uint16_t(0x1111 * (i + 1));
    GdlBitmap bmp{4,
                  3,
                  16,
                  8,
                  reinterpret_cast<uint8_t*>(pixels.data()),
                  nullptr,
                  const_cast<GdlPixelFormat*>(&GDL_pixelFormat565)};
    GDL_stretchBitmap(dc, 1, 1, 5, 4, &bmp);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 4; ++x)
            EXPECT_EQ(peek(dc, 1 + x, 1 + y), pixels[size_t(y * 4 + x)]);
    GDL_stretchBitmap(dc, 8, 2, 16, 8, &bmp);
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 8; ++x)
            EXPECT_EQ(peek(dc, 8 + x, 2 + y), pixels[size_t((y / 2) * 4 + x / 2)]);
    EXPECT_EQ(peek(dc, 16, 2), 0u);
    // A one-bit bitmap cannot be stretched.
    uint8_t bits[4] = {};
    GdlBitmap mono{8, 1, 1, 4, bits, nullptr, nullptr};
    GDL_stretchBitmap(dc, 0, 0, 16, 2, &mono);
    EXPECT_EQ(GDL_lastResult(), GDL_INVALID_DEVICE_TYPE);
}

TEST_F(BlitTest, SelfBlitCopiesOverlapIntact) {
    GdlDeviceContext* dc = make(kDepths[5]);
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x)
            poke(dc, x, y, uint32_t(y * 100 + x));
    GDL_bitBlt(dc, dc, 2, 1, 12, 6, 5, 3, 0);
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 10; ++x)
            EXPECT_EQ(peek(dc, 5 + x, 3 + y), uint32_t((1 + y) * 100 + 2 + x));
    EXPECT_EQ(peek(dc, 4, 3), uint32_t(3 * 100 + 4));
}

TEST_F(BlitTest, TransparentBlitKeysSourceOrDestination) {
    GdlDeviceContext* a = make(kDepths[2]);
    GdlDeviceContext* b = make(kDepths[2]);
    const uint32_t key = 0xF81F;
    for (int32_t x = 0; x < W; ++x) {
        poke(a, x, 0, x % 3 == 0 ? key : uint32_t(0x100 + x));
        poke(b, x, 0, x % 2 == 0 ? key : 7u);
        poke(b, x, 1, x % 2 == 0 ? key : 7u);
    }
    GDL_transBlt(b, a, 0, 0, W, 1, 0, 0, key, 1);
    GDL_transBlt(b, a, 0, 0, W, 1, 0, 1, key, 0);
    for (int32_t x = 0; x < W; ++x) {
        uint32_t s = peek(a, x, 0), old = x % 2 == 0 ? key : 7u;
        EXPECT_EQ(peek(b, x, 0), s != key ? s : old);
        EXPECT_EQ(peek(b, x, 1), old == key ? s : old);
    }
    GDL_transBlt(b, make(kDepths[5]), 0, 0, 2, 2, 0, 0, 0, 1);
    EXPECT_EQ(GDL_lastResult(), GDL_INVALID_DEVICE_TYPE);
}

TEST_F(BlitTest, StretchBltClipsTheSourceAndFollowsTheScale) {
    GdlDeviceContext* src = make(kDepths[5], 8, 4);
    GdlDeviceContext* dst = make(kDepths[5], 20, 10);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 8; ++x)
            poke(src, x, y, uint32_t(0x10 * y + x + 1));
    // Source from x = -2: the two missing columns move the destination by four.
    GDL_stretchBlt(dst, src, -2, 0, 6, 2, 0, 0, 16, 4);
    for (int32_t x = 0; x < 4; ++x)
        EXPECT_EQ(peek(dst, x, 0), 0u);
    for (int32_t x = 4; x < 16; ++x)
        EXPECT_EQ(peek(dst, x, 1), uint32_t((x - 4) / 2 + 1)) << x;
    GDL_stretchBlt(dst, dst, 0, 0, 2, 2, 0, 0, 4, 4);
    EXPECT_EQ(GDL_lastResult(), GDL_INVALID_DEVICE_TYPE);
}

TEST_F(BlitTest, StretchedBlitsConvertEachPixel) {
    GdlDeviceContext* src32 = make(kDepths[5], 6, 3);
    GdlDeviceContext* src8 = make(kDepths[0], 6, 3);
    GdlDeviceContext* dst = make(kDepths[2], 20, 10);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 6; ++x) {
            poke(src32, x, y,
                 GDL_packColor(&GDL_pixelFormatARGB, uint32_t(x * 40), 200, uint32_t(y * 90)));
            poke(src8, x, y, uint32_t(x * 6 + y));
        }
    GDL_stretchBlt(dst, src32, 0, 0, 6, 3, 0, 0, 12, 6);
    GDL_stretchBlt(dst, src8, 0, 0, 6, 3, 0, 6, 18, 9); // 3 x 1
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 6; ++x) {
            uint8_t r, g, b;
            GDL_unpackColor(&GDL_pixelFormatARGB, peek(src32, x, y), &r, &g, &b);
            const uint32_t want = GDL_packColor(&GDL_pixelFormat565, r, g, b);
            EXPECT_EQ(peek(dst, 2 * x + 1, 2 * y + 1), want);
            const GdlPaletteEntry& e = src8->palette[x * 6 + y];
            const uint32_t want8 = GDL_packColor(&GDL_pixelFormat565, e.red, e.green, e.blue);
            for (int32_t k = 0; k < 3; ++k)
                EXPECT_EQ(peek(dst, 3 * x + k, 6 + y), want8) << x << "," << y;
        }
}

TEST_F(BlitTest, TransparentBitmapSkipsTheKey) {
    GdlDeviceContext* dc = make(kDepths[2], 8, 2);
    for (int32_t x = 0; x < 8; ++x)
        poke(dc, x, 0, 0x0101);
    uint16_t pixels[8] = {1, 0xF81F, 3, 0xF81F, 5, 6, 0xF81F, 8};
    GdlBitmap bmp{8,
                  1,
                  16,
                  16,
                  reinterpret_cast<uint8_t*>(pixels),
                  nullptr,
                  const_cast<GdlPixelFormat*>(&GDL_pixelFormat565)};
    GDL_putBitmapTransparent(dc, 0, 0, &bmp, 0xF81F, 1);
    for (int32_t x = 0; x < 8; ++x)
        EXPECT_EQ(peek(dc, x, 0), pixels[x] == 0xF81F ? 0x0101u : pixels[x]);
    GDL_putBitmapTransparentSection(dc, 2, 0, 5, 1, 4, 1, &bmp, 0, 0); // only where 0
    EXPECT_EQ(peek(dc, 3, 1), 0u);
    EXPECT_EQ(peek(dc, 4, 1), 3u);
    EXPECT_EQ(peek(dc, 6, 1), 5u);
    EXPECT_EQ(peek(dc, 7, 1), 0u);
}

TEST_F(BlitTest, BadInputIsRefusedWithoutDrawing) {
    GdlDeviceContext* dc = make(kDepths[0]);
    GDL_putBitmap(dc, 0, 0, nullptr, 0);
    EXPECT_EQ(GDL_lastResult(), GDL_INVALID_BITMAP);
    uint8_t px[4] = {1, 2, 3, 4};
    GdlBitmap shortRows{100, 1, 8, 4, px, nullptr, nullptr};
    GDL_putBitmap(dc, 0, 0, &shortRows, 0);
    EXPECT_EQ(GDL_lastResult(), GDL_INVALID_BITMAP);
    GDL_bitBlt(dc, nullptr, 0, 0, 1, 1, 0, 0, 0);
    EXPECT_EQ(GDL_lastResult(), GDL_INVALID_DC);
    // Rectangles far off either surface draw nothing.
    GdlDeviceContext* other = make(kDepths[0]);
    GDL_bitBlt(dc, other, -100000, -5, 100000, 500, 2000000000, 3, 0);
    EXPECT_EQ(GDL_lastResult(), GDL_OK);
}

int g_activeCalls = 0;

void fakeActive(GdlDeviceContext*, int32_t page) {
    ++g_activeCalls;
    (void)page;
}

GdlDriverState* g_fakeState = nullptr;

void fakeActiveState(GdlDeviceContext* dc, int32_t page) {
    fakeActive(dc, page);
    g_fakeState->activePage = page;
}

void fakeVisualState(GdlDeviceContext*, int32_t page, int32_t) {
    g_fakeState->visualPage = page;
}

TEST_F(BlitTest, PagesFlipThroughTheDriverState) {
    GdlDriverState state{};
    g_fakeState = &state;
    state.setActivePage = fakeActiveState;
    state.setVisualPage = fakeVisualState;
    state.visualPage = 1;
    state.displayStateWord = 77;
    GdlDeviceContext dc{};
    dc.type = GDL_DC_FULLSCREEN;
    dc.driverState = &state;
    dc.mode.maxPage = 0;
    EXPECT_FALSE(GDL_doubleBuffer(&dc));
    dc.mode.maxPage = 1;
    EXPECT_TRUE(GDL_doubleBuffer(&dc));
    EXPECT_EQ(GDL_getActivePage(&dc), 0);
    GDL_swapBuffers(&dc, 0);
    EXPECT_EQ(GDL_getActivePage(&dc), 1);
    EXPECT_EQ(GDL_getVisualPage(&dc), 0);
    EXPECT_EQ(GDL_getDisplayStateWord(&dc), 77);
    GdlDeviceContext* mem = make(kDepths[0]);
    EXPECT_EQ(GDL_getActivePage(mem), 0);
    EXPECT_FALSE(GDL_doubleBuffer(mem));
}

TEST_F(BlitTest, PaletteTablesByDepth) {
    GdlDeviceContext* four = make({4, nullptr, "4"});
    GdlDeviceContext* eight = make(kDepths[0]);
    GdlDeviceContext* sixteen = make(kDepths[2]);
    EXPECT_EQ(GDL_getPaletteSize(four), 16);
    EXPECT_EQ(GDL_getPaletteSize(eight), 256);
    EXPECT_EQ(GDL_getPaletteSize(sixteen), 256);
    GDL_setPaletteEntry(eight, 3, 10, 20, 30);
    EXPECT_EQ(eight->palette[3].red, 10);
    EXPECT_EQ(eight->palette[3].blue, 30);
    GDL_setPaletteEntry(sixteen, 3, 0xFF, 0x80, 0x08);
    uint32_t word;
    std::memcpy(&word, &sixteen->palette[3], 4);
    EXPECT_EQ(word, GDL_packColor(&GDL_pixelFormat565, 0xFF, 0x80, 0x08));
    GdlPaletteEntry in[256], out[256];
    makePalette(in, 1);
    GDL_setPalette(sixteen, in, 4, 10);
    GDL_getPalette(sixteen, out, 4, 10);
    for (int32_t i = 10; i < 14; ++i) {
        EXPECT_EQ(out[i].red, in[i].red & 0xF8);
        EXPECT_EQ(out[i].green, in[i].green & 0xFC);
        EXPECT_EQ(out[i].blue, in[i].blue & 0xF8);
    }
    // Remapping an 8-bit surface keeps each pixel's colour where the new
    // palette has it.
    GdlPaletteEntry reversed[256];
    for (int32_t i = 0; i < 256; ++i)
        reversed[i] = eight->palette[255 - i];
    poke(eight, 0, 0, 17);
    GDL_mapToPalette(eight, reversed);
    EXPECT_EQ(peek(eight, 0, 0), 255u - 17u);
}

TEST_F(BlitTest, BytesPerSpanByDepth) {
    struct Row {
        int32_t bits, x1, x2, bytes;
    };
    const Row rows[] = {{1, 3, 17, 3},  {4, 3, 8, 3},   {8, 3, 8, 5},
                        {15, 3, 8, 10}, {24, 3, 8, 15}, {32, 3, 8, 20}};
    for (const Row& r : rows) {
        GdlDeviceContext* dc = GDL_createMemoryDC(20, 2, r.bits, nullptr);
        ASSERT_NE(dc, nullptr);
        EXPECT_EQ(GDL_bytesPerSpan(dc, r.x1, r.x2), r.bytes) << r.bits;
    }
}

} // namespace
