// Pixel formats, the default palette, halftone dither, nearest colours and
// image translation between depths.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "TestDriver.h"
#include "gdl/dc.h"
#include "gdl/pixelformat.h"

namespace {

struct FormatCase {
    const GdlPixelFormat* format;
    uint32_t (*pack)(uint32_t r, uint32_t g, uint32_t b); // written out by hand
    uint32_t white;
};

const FormatCase kFormats[] = {
    {&GDL_pixelFormat555,
     [](uint32_t r, uint32_t g, uint32_t b) { return (r >> 3) << 10 | (g >> 3) << 5 | b >> 3; },
     0x7FFF},
    {&GDL_pixelFormat565,
     [](uint32_t r, uint32_t g, uint32_t b) { return (r >> 3) << 11 | (g >> 2) << 5 | b >> 3; },
     0xFFFF},
    {&GDL_pixelFormatRGB, [](uint32_t r, uint32_t g, uint32_t b) { return r << 16 | g << 8 | b; },
     0xFFFFFF},
    {&GDL_pixelFormatBGR, [](uint32_t r, uint32_t g, uint32_t b) { return b << 16 | g << 8 | r; },
     0xFFFFFF},
    {&GDL_pixelFormatARGB, [](uint32_t r, uint32_t g, uint32_t b) { return r << 16 | g << 8 | b; },
     0xFFFFFF},
    {&GDL_pixelFormatABGR, [](uint32_t r, uint32_t g, uint32_t b) { return b << 16 | g << 8 | r; },
     0xFFFFFF},
    {&GDL_pixelFormatRGBA,
     [](uint32_t r, uint32_t g, uint32_t b) { return r << 24 | g << 16 | b << 8; }, 0xFFFFFF00},
    {&GDL_pixelFormatBGRA,
     [](uint32_t r, uint32_t g, uint32_t b) { return b << 24 | g << 16 | r << 8; }, 0xFFFFFF00},
};

TEST(PixelFormat, EveryStandardFormatPacksAndUnpacksExactly) {
    for (size_t f = 0; f < std::size(kFormats); ++f) {
        const FormatCase& c = kFormats[f];
        EXPECT_EQ(GDL_standardPixelFormat(int32_t(f)), c.format);
        EXPECT_EQ(GDL_packColor(c.format, 255, 255, 255), c.white) << f;
        for (uint32_t v = 0; v < 256; v += 3) {
            uint32_t r = v, g = (v * 7) & 0xFF, b = 255 - v;
            uint32_t pixel = GDL_packColor(c.format, r, g, b);
            ASSERT_EQ(pixel, c.pack(r, g, b)) << f << " " << v;
            uint8_t ur, ug, ub;
            GDL_unpackColor(c.format, pixel, &ur, &ug, &ub);
            uint32_t keepR = 0xFFu << c.format->redAdjust & 0xFF;
            uint32_t keepG = 0xFFu << c.format->greenAdjust & 0xFF;
            uint32_t keepB = 0xFFu << c.format->blueAdjust & 0xFF;
            EXPECT_EQ(ur, r & keepR);
            EXPECT_EQ(ug, g & keepG);
            EXPECT_EQ(ub, b & keepB);
        }
    }
    EXPECT_EQ(GDL_standardPixelFormat(8), nullptr);
    EXPECT_EQ(GDL_packColorAlpha(&GDL_pixelFormat555, 0, 0, 0, 255), 0x8000u);
    EXPECT_EQ(GDL_packColorAlpha(&GDL_pixelFormatRGBA, 1, 2, 3, 4), 0x01020304u);
    EXPECT_EQ(GDL_packColorAlpha(&GDL_pixelFormat565, 0, 0, 0, 255), 0u);
    uint8_t r, g, b, a;
    GDL_unpackColorAlpha(&GDL_pixelFormatARGB, 0x80112233, &r, &g, &b, &a);
    EXPECT_EQ(a, 0x80);
    EXPECT_EQ(r, 0x11);
}

TEST(PixelFormat, FieldsGiveTheFormat) {
    GdlPixelFormat f;
    GDL_formatFromFields(&f, 5, 11, 6, 5, 5, 0, 0, 0);
    EXPECT_EQ(std::memcmp(&f, &GDL_pixelFormat565, sizeof(f)), 0);
    GDL_formatFromFields(&f, 8, 24, 8, 16, 8, 8, 8, 0);
    EXPECT_EQ(std::memcmp(&f, &GDL_pixelFormatRGBA, sizeof(f)), 0);
}

TEST(PixelFormat, DefaultPalette) {
    GdlPaletteEntry p[256];
    GDL_getDefaultPalette(p);
    auto rgb = [&](int i) {
        return std::vector<int>{p[i].red, p[i].green, p[i].blue, p[i].reserved};
    };
    using V = std::vector<int>;
    EXPECT_EQ(rgb(0), (V{0, 0, 0, 0}));
    EXPECT_EQ(rgb(6), (V{168, 84, 0, 0}));
    EXPECT_EQ(rgb(15), (V{252, 252, 252, 0}));
    EXPECT_EQ(rgb(17), (V{20, 20, 20, 0}));
    EXPECT_EQ(rgb(20), (V{0, 0, 0, 0}));
    EXPECT_EQ(rgb(20 + 1 + 6 * 2 + 36 * 3), (V{51, 102, 153, 0}));
    EXPECT_EQ(rgb(235), (V{255, 255, 255, 0}));
    EXPECT_EQ(rgb(51), (V{0, 255, 0, 0})); // 20 + 1 + 30 would be (51, 255, 0)
    EXPECT_EQ(rgb(86), (V{0, 255, 0, 0}));
    EXPECT_EQ(rgb(201), (V{0, 0, 255, 0}));
    EXPECT_EQ(rgb(206), (V{0, 0, 255, 0}));
    EXPECT_EQ(rgb(236), (V{64, 64, 44, 0}));
    EXPECT_EQ(rgb(247), (V{44, 48, 64, 0}));
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(rgb(248 + i), rgb(8 + i));
}

TEST(PixelFormat, HalftoneIndex) {
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(GDL_halftoneIndex(255, 255, 255, x, y), 235);
            EXPECT_EQ(GDL_halftoneIndex(0, 0, 0, x, y), 20);
            EXPECT_EQ(GDL_halftoneIndex(51, 51, 51, x, y), 20 + 1 + 6 + 36);
            int expected = GDL_ditherMatrix[y][x] < 50 ? 21 : 20;
            EXPECT_EQ(GDL_halftoneIndex(50, 0, 0, x, y), expected);
        }
    EXPECT_EQ(GDL_ditherMatrix[0][7], 50); // the one position where 50 stays at level 0
    EXPECT_EQ(GDL_halftoneIndex(50, 0, 0, 7, 0), 20);
    EXPECT_EQ(GDL_halftoneIndex(50, 0, 0, 15, 8), 20); // positions wrap every 8
}

// Every entry of the default palette from its rule: sixteen standard
// colours, four greys, the 6 x 6 x 6 cube at 20 with its four exceptions,
// twelve tints, and 248-255 repeating 8-15.
TEST(PixelFormat, DefaultPaletteEntryByEntry) {
    const int standard[16][3] = {{0, 0, 0},     {0, 0, 168},    {0, 168, 0},    {0, 168, 168},
                                 {168, 0, 0},   {168, 0, 168},  {168, 84, 0},   {168, 168, 168},
                                 {84, 84, 84},  {84, 84, 252},  {84, 252, 84},  {84, 252, 252},
                                 {252, 84, 84}, {252, 84, 252}, {252, 252, 84}, {252, 252, 252}};
    const int tints[12][3] = {{64, 64, 44}, {60, 64, 44}, {52, 64, 44}, {48, 64, 44},
                              {44, 64, 44}, {44, 64, 48}, {44, 64, 52}, {44, 64, 60},
                              {44, 64, 64}, {44, 60, 64}, {44, 52, 64}, {44, 48, 64}};
    const int greys[4] = {0, 20, 32, 44};
    GdlPaletteEntry p[256];
    GDL_getDefaultPalette(p);
    for (int i = 0; i < 256; ++i) {
        int r, g, b;
        if (i < 16) {
            r = standard[i][0], g = standard[i][1], b = standard[i][2];
        } else if (i < 20) {
            r = g = b = greys[i - 16];
        } else if (i < 236) {
            int k = i - 20;
            r = 51 * (k % 6), g = 51 * (k / 6 % 6), b = 51 * (k / 36);
            if (i == 51 || i == 86) r = 0, g = 255, b = 0;
            if (i == 201 || i == 206) r = 0, g = 0, b = 255;
        } else if (i < 248) {
            r = tints[i - 236][0], g = tints[i - 236][1], b = tints[i - 236][2];
        } else {
            r = standard[i - 240][0], g = standard[i - 240][1], b = standard[i - 240][2];
        }
        EXPECT_EQ((std::vector<int>{p[i].red, p[i].green, p[i].blue, p[i].reserved}),
                  (std::vector<int>{r, g, b, 0}))
            << i;
    }
}

// The halftone level of every channel value at every place of the 8 x 8
// matrix. The matrix is read with the row from y and the column from x, the
// one orientation the library uses for all its ordered dithering.
TEST(PixelFormat, HalftoneLevelsFollowTheMatrix) {
    const int m[8][8] = {{0, 38, 9, 47, 2, 40, 11, 50},  {25, 12, 35, 22, 27, 15, 37, 24},
                         {6, 44, 3, 41, 8, 47, 5, 43},   {31, 19, 28, 15, 34, 21, 31, 18},
                         {1, 39, 11, 49, 0, 39, 10, 48}, {27, 14, 36, 23, 26, 13, 35, 23},
                         {7, 46, 4, 43, 7, 45, 3, 42},   {33, 20, 30, 17, 32, 19, 29, 16}};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(int(GDL_ditherMatrix[y][x]), m[y][x]);
            for (int c = 0; c < 256; ++c) {
                int level = c / 51 + (c % 51 > m[y][x] ? 1 : 0);
                int other = 255 - c;
                int levelOther = other / 51 + (other % 51 > m[y][x] ? 1 : 0);
                ASSERT_EQ(int(GDL_halftoneIndex(uint32_t(c), uint32_t(other), 0, x + 8, y + 16)),
                          20 + level + 6 * levelOther)
                    << c << " at " << x << "," << y;
                ASSERT_EQ(int(GDL_halftoneIndex(0, 0, uint32_t(c), x, y)), 20 + 36 * level);
            }
        }
}

TEST(PixelFormat, NearestEntryFirstMinimumWins) {
    GdlPaletteEntry p[4] = {{0, 0, 10, 0}, {0, 0, 30, 0}, {0, 0, 30, 0}, {0, 0, 20, 0}};
    EXPECT_EQ(GDL_nearestPaletteIndex(p, 4, 25, 0, 0), 1); // 1 and 3 are both 5 away
    EXPECT_EQ(GDL_nearestPaletteIndex(p, 4, 30, 0, 0), 1);
    EXPECT_EQ(GDL_nearestPaletteIndex(p, 1, 30, 0, 0), 0);
}

// --- Translation into a context ------------------------------------------------------

class TranslateTest : public ::testing::Test {
protected:
    void SetUp() override {
        GDL_exit();
        GDL_unregisterAllDrivers();
        testdrv::registerMemoryDrivers();
    }
    void TearDown() override { GDL_exit(); }
};

struct Rgb {
    uint8_t r, g, b;
};

// Source image: 5 x 2 pixels of known colours, in its own layout.
struct Source {
    int bits;
    std::vector<uint8_t> bytes;
    int32_t bpl;
    std::vector<Rgb> colors; // per pixel
    std::vector<int> index;  // palette index per pixel
    const GdlPixelFormat* format = nullptr;
};

const GdlPaletteEntry* sourcePalette() {
    static GdlPaletteEntry p[256];
    for (int i = 0; i < 256; ++i)
        p[i] = {uint8_t(255 - i), uint8_t(i * 3), uint8_t(i * 7), 0};
    return p;
}

Source makeSource(int bits) {
    Source s;
    s.bits = bits;
    int w = 5, h = 2;
    int cell = bits == 4 ? 0 : (bits == 15 ? 2 : bits / 8);
    s.bpl = bits == 4 ? 4 : w * cell + 1; // odd row sizes on purpose
    s.bytes.assign(size_t(s.bpl) * h, 0);
    s.format = bits == 15   ? &GDL_pixelFormat555
               : bits == 16 ? &GDL_pixelFormat565
               : bits == 24 ? &GDL_pixelFormatBGR
                            : &GDL_pixelFormatABGR;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int i = y * w + x;
            if (bits <= 8) {
                int idx = bits == 4 ? (i * 3) & 15 : (i * 37) & 255;
                s.index.push_back(idx);
                const GdlPaletteEntry& e = sourcePalette()[idx];
                s.colors.push_back({e.red, e.green, e.blue});
                if (bits == 4) {
                    uint8_t& byte = s.bytes[size_t(y) * s.bpl + x / 2];
                    byte = uint8_t(x & 1 ? (byte & 0xF0) | idx : (byte & 0x0F) | idx << 4);
                } else {
                    s.bytes[size_t(y) * s.bpl + x] = uint8_t(idx);
                }
            } else {
                Rgb c{uint8_t(40 * x + 7), uint8_t(200 - 30 * y), uint8_t(13 * i)};
                uint32_t v = GDL_packColor(s.format, c.r, c.g, c.b);
                uint8_t ur, ug, ub;
                GDL_unpackColor(s.format, v, &ur, &ug, &ub);
                s.colors.push_back({ur, ug, ub});
                for (int k = 0; k < cell; ++k)
                    s.bytes[size_t(y) * s.bpl + x * cell + k] = uint8_t(v >> (8 * k));
            }
        }
    return s;
}

TEST_F(TranslateTest, EveryPairOfDepths) {
    const int depths[] = {4, 8, 15, 16, 24, 32};
    for (int sbits : depths)
        for (int dbits : depths) {
            if (sbits == 4 && dbits == 4) continue;
            SCOPED_TRACE(std::to_string(sbits) + " -> " + std::to_string(dbits));
            Source src = makeSource(sbits);
            GdlDeviceContext* dc = GDL_createMemoryDC(9, 5, dbits, nullptr);
            ASSERT_NE(dc, nullptr);
            GDL_getDefaultPalette(dc->palette);
            // Rectangle x 1..4, y 0..1 placed at (3, 2).
            GDL_translateImage(dc, 1, 0, 5, 2, 3, 2, 0, src.bytes.data(), src.bpl, sbits,
                               sourcePalette(), src.format);
            const GdlPaletteEntry* dp = dc->palette;
            for (int y = 0; y < 2; ++y)
                for (int x = 1; x < 5; ++x) {
                    int i = y * 5 + x;
                    Rgb c = src.colors[size_t(i)];
                    uint32_t got = testdrv::readPixel(dc, 3 + x - 1, 2 + y);
                    uint32_t want;
                    if (dbits == 4 || dbits == 8) {
                        if (sbits <= 8) {
                            want = uint32_t(
                                GDL_nearestPaletteIndex(dp, dbits == 4 ? 16 : 256, c.r, c.g, c.b));
                        } else {
                            uint8_t h = GDL_halftoneIndex(c.r, c.g, c.b, x - 1, 2 + y);
                            want = dbits == 8 ? h
                                              : uint32_t(GDL_nearestPaletteIndex(
                                                    dp, 16, dp[h].red, dp[h].green, dp[h].blue));
                        }
                    } else {
                        want = GDL_packColor(&dc->format, c.r, c.g, c.b);
                    }
                    EXPECT_EQ(got, want) << x << "," << y;
                }
            // Nothing outside the rectangle was touched.
            EXPECT_EQ(testdrv::readPixel(dc, 2, 2), 0u);
            EXPECT_EQ(testdrv::readPixel(dc, 7, 3), 0u);
            EXPECT_EQ(testdrv::readPixel(dc, 3, 4), 0u);
            GDL_destroyDC(dc);
        }
}

TEST_F(TranslateTest, SamePaletteIsIdentityAndNoPaletteDrawsNothing) {
    GdlDeviceContext* dc = GDL_createMemoryDC(16, 16, 8, nullptr);
    ASSERT_NE(dc, nullptr);
    std::memcpy(dc->palette, sourcePalette(), 1024);
    std::vector<uint8_t> img(256);
    for (int i = 0; i < 256; ++i)
        img[size_t(i)] = uint8_t(i);
    GDL_translateImage(dc, 0, 0, 16, 16, 0, 0, 0, img.data(), 16, 8, sourcePalette(), nullptr);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(testdrv::readPixel(dc, i % 16, i / 16), uint32_t(i));
    GdlDeviceContext* other = GDL_createMemoryDC(16, 16, 8, nullptr);
    GDL_translateImage(other, 0, 0, 16, 16, 0, 0, 0, img.data(), 16, 8, nullptr, nullptr);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(testdrv::readPixel(other, i % 16, i / 16), 0u);
}

TEST_F(TranslateTest, RectanglesReachingOffTheContextAreCut) {
    GdlDeviceContext* dc = GDL_createMemoryDC(4, 4, 32, nullptr);
    std::vector<uint8_t> img(10 * 10 * 4, 0xFF);
    GDL_translateImage(dc, 0, 0, 10, 10, 2, -3, 0, img.data(), 40, 32, nullptr, nullptr);
    EXPECT_EQ(testdrv::offSurfaceWrites(), 0);
    EXPECT_EQ(testdrv::readPixel(dc, 3, 0), 0xFFFFFFu);
    EXPECT_EQ(testdrv::readPixel(dc, 1, 0), 0u);
}

} // namespace

namespace {

std::vector<std::pair<int, int>> g_bands;
void readBand(GdlDeviceContext*, int32_t, int32_t top, int32_t, int32_t bottom, uint8_t* buffer) {
    g_bands.push_back({top, bottom});
    buffer[0] = uint8_t(top);
}
void writeBand(GdlDeviceContext*, int32_t, int32_t y, const uint8_t* buffer, intptr_t extra) {
    EXPECT_EQ(extra, 42);
    EXPECT_EQ(buffer[0], uint8_t(y - 100)); // destination rows follow the source rows
}

TEST(ConvertInBands, BandsFitTheScratchBufferInBothDirections) {
    // 8000 bytes a row: (32768 - 16) / 8000 = 4 rows a band.
    g_bands.clear();
    DRV_convertInBands(nullptr, 0, 0, 10, 10, 0, 100, 1, 8000, 42, readBand, writeBand);
    EXPECT_EQ(g_bands, (std::vector<std::pair<int, int>>{{0, 4}, {4, 8}, {8, 10}}));
    g_bands.clear();
    DRV_convertInBands(nullptr, 0, 0, 10, 10, 0, 100, 0, 8000, 42, readBand, writeBand);
    EXPECT_EQ(g_bands, (std::vector<std::pair<int, int>>{{6, 10}, {2, 6}, {0, 2}}));
    g_bands.clear();
    DRV_convertInBands(nullptr, 0, 0, 10, 10, 0, 100, 1, 40000, 42, readBand, writeBand);
    EXPECT_TRUE(g_bands.empty());
    GDL_exit();
}

} // namespace
