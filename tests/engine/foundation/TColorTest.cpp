// Colour records on palette and direct-colour device contexts.
#include <gtest/gtest.h>

#include <cstring>

#include "foundation/TColor.h"
#include "gdl/dc.h"

namespace {

// Only the fields a colour reads: the maximum colour, the format, the palette.
struct Device {
    GdlDeviceContext dc{};
    GdlPaletteEntry palette[256]{};
    explicit Device(uint32_t maxColor, const GdlPixelFormat* format = nullptr) {
        dc.mode.maxColor = maxColor;
        if (format) dc.format = *format;
        dc.palette = palette;
    }
    void set(int i, uint8_t r, uint8_t g, uint8_t b) { palette[i] = {b, g, r, 0}; }
};

TEST(TColor, ConstructionAndCopies) {
    TColor c(10, 20, 30);
    EXPECT_EQ(c.Value(), 0x0A141Eu);
    EXPECT_EQ(c.CachedIndex(), 0);
    EXPECT_EQ(c.CachedDistance(), 32767);
    TColor d(c);
    EXPECT_EQ(d.Value(), c.Value());
    EXPECT_EQ(c.GetPixel(nullptr), 0u);
}

TEST(TColor, DirectColourPacksWithTheFormat) {
    Device d565(65535, &GDL_pixelFormat565);
    TColor white(255, 255, 255);
    EXPECT_EQ(white.GetPixel(&d565.dc), 0xFFFFu);
    TColor c(0x12, 0x34, 0x56);
    Device dBgr(16777215, &GDL_pixelFormatBGR);
    EXPECT_EQ(c.GetPixel(&dBgr.dc), 0x563412u);
    EXPECT_EQ(c.CachedDistance(), 32767); // the cache is not touched
}

TEST(TColor, PaletteSearchCachesAndRevalidates) {
    Device d(255);
    for (int i = 0; i < 256; ++i)
        d.set(i, uint8_t(i), 0, 0);
    TColor c(100, 3, 0);
    EXPECT_EQ(c.GetPixel(&d.dc), 100u);
    EXPECT_EQ(c.CachedIndex(), 100);
    EXPECT_EQ(c.CachedDistance(), 3);
    // A changed entry elsewhere leaves the cached answer valid.
    d.set(50, 100, 3, 0);
    EXPECT_EQ(c.GetPixel(&d.dc), 100u);
    // Changing the cached entry makes the next call search again.
    d.set(100, 0, 0, 0);
    EXPECT_EQ(c.GetPixel(&d.dc), 50u);
    EXPECT_EQ(c.CachedDistance(), 0);
    // SetRGB keeps the cache words; the next call checks them.
    c.SetRGB(7, 0, 0);
    EXPECT_EQ(c.GetPixel(&d.dc), 7u);
}

TEST(TColor, FirstOfEqualDistancesAndNeverTheLastEntry) {
    Device d(255);
    d.set(3, 10, 0, 0);
    d.set(9, 30, 0, 0);
    for (int i = 0; i < 256; ++i)
        if (i != 3 && i != 9) d.set(i, 200, 200, 200);
    TColor mid(20, 0, 0);
    EXPECT_EQ(mid.GetPixel(&d.dc), 3u);
    d.set(255, 77, 77, 77);
    TColor exact(77, 77, 77);
    EXPECT_NE(exact.GetPixel(&d.dc), 255u);
    // A 16-colour device searches entries 0..14.
    Device d4(15);
    d4.set(15, 1, 2, 3);
    d4.set(14, 9, 9, 9);
    TColor e(1, 2, 3);
    EXPECT_EQ(e.GetPixel(&d4.dc), 0u); // entries 0..13 are 6 away (0 first), 14 is 21
}

TEST(TColor, AltColour) {
    Device direct(65535, &GDL_pixelFormat565);
    TColor a(10, 20, 30);
    // The lowest bit each channel keeps at 5:6:5 is inverted, so the pixel
    // differs; without a device, bit 0.
    TColor alt = a.GetAltColor(&direct.dc);
    EXPECT_EQ(alt.Value(), TColor(10 ^ 8, 20 ^ 4, 30 ^ 8).Value());
    EXPECT_NE(alt.GetPixel(&direct.dc), a.GetPixel(&direct.dc));
    EXPECT_EQ(TColor(11, 21, 31).GetAltColor(nullptr).Value(), a.Value());

    Device d(255);
    for (int i = 0; i < 256; ++i)
        d.set(i, 0, 0, 0);
    d.set(0, 100, 100, 100);
    d.set(1, 100, 100, 100); // looks the same as entry 0
    d.set(2, 120, 100, 100);
    TColor c(100, 100, 100);
    TColor other = c.GetAltColor(&d.dc);
    EXPECT_EQ(other.Value(), TColor(120, 100, 100).Value());
    EXPECT_EQ(other.CachedDistance(), 32767);
}

TEST(TColor, DefaultTables) {
    EXPECT_EQ(TColor::Standard(19).Value(), 0xFFFFFFu);
    EXPECT_EQ(TColor::Standard(9).Value(), 0xA6CAF0u); // pale blue
    struct Case {
        int index;
        uint32_t value;
    } cases[] = {{0, 0},        {2, 0x800080},  {3, 0xC0C0C0},  {4, 0x000080}, {6, 0x808080},
                 {7, 0xFFFFFF}, {31, 0xFF0000}, {48, 0xFFFBF0}, {49, 0x00FF00}};
    for (const Case& c : cases)
        EXPECT_EQ(TColor::Default(c.index).Value(), c.value) << c.index;
    EXPECT_EQ(TColor::Default(50).Value(), 0u);
}

} // namespace
