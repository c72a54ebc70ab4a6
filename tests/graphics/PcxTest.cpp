#include "PcxWriter.h"
#include "TempDir.h"

#include "gdl/bitmap.h"
#include "gdl/memory.h"
#include "gdl/result.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

namespace {

struct BitmapDeleter {
    void operator()(GdlBitmap* b) const { GDL_free(b); }
};
using BitmapPtr = std::unique_ptr<GdlBitmap, BitmapDeleter>;

std::vector<tools::Rgb> Palette(size_t n) {
    std::vector<tools::Rgb> p(n);
    for (size_t i = 0; i < n; ++i)
        p[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(i ^ 0x55),
                static_cast<uint8_t>(200 - i)};
    return p;
}

// Scan lines with runs and single bytes, values of every range (including
// bytes of 0xC0 and above, which need a run byte of their own).
tools::PcxImage MakePcx(int w, int h, int bitsPerPlane, int planes) {
    tools::PcxImage im;
    im.width = w;
    im.height = h;
    im.bitsPerPlane = bitsPerPlane;
    im.planes = planes;
    const size_t lineBytes = static_cast<size_t>(tools::PcxBytesPerPlaneLine(im)) * planes;
    for (size_t i = 0; i < lineBytes * h; ++i)
        im.scanlines.push_back(static_cast<uint8_t>((i / 3) % 4 == 0 ? 0xC7 : i * 29));
    im.headerPalette = Palette(16);
    if (bitsPerPlane * planes == 8) im.tailPalette = Palette(256);
    return im;
}

class PcxReader : public ::testing::Test {
protected:
    void SetUp() override { GDL_lastResult(); }
    BitmapPtr Load(const std::vector<uint8_t>& file, int32_t loadPalette = 1) {
        return BitmapPtr(GDL_loadPCX(dir.Write("p.pcx", file).c_str(), loadPalette));
    }
    testsupport::TempDir dir;
};

TEST_F(PcxReader, RoundTripsEveryDepthWithItsPalette) {
    struct Case {
        int bitsPerPlane, planes, entries;
        bool acrossLines;
    } cases[] = {{1, 1, 2, false},   {4, 1, 16, false}, {1, 4, 16, false},
                 {8, 1, 256, false}, {8, 3, 0, false},  {8, 1, 256, true},
                 {1, 4, 16, true},   {2, 1, 0, false},  {8, 4, 0, false}};
    for (const Case& c : cases)
        for (int32_t flag : {1, 0}) {
            SCOPED_TRACE(testing::Message()
                         << c.bitsPerPlane << " bits x " << c.planes << " planes, across lines "
                         << c.acrossLines << ", flag " << flag);
            tools::PcxImage im = MakePcx(21, 6, c.bitsPerPlane, c.planes);
            im.runsAcrossLines = c.acrossLines;
            BitmapPtr bm = Load(tools::WritePcx(im), flag);
            ASSERT_TRUE(bm) << GDL_lastResult();
            const int32_t lineBytes = tools::PcxBytesPerPlaneLine(im) * c.planes;
            EXPECT_EQ(bm->width, 21);
            EXPECT_EQ(bm->height, 6);
            EXPECT_EQ(bm->bitsPerPixel, c.bitsPerPlane * c.planes);
            EXPECT_EQ(bm->bytesPerLine, lineBytes);
            EXPECT_EQ(bm->pixelFormat, nullptr);
            EXPECT_EQ(0, std::memcmp(bm->surface, im.scanlines.data(), im.scanlines.size()));
            if (flag && c.entries) {
                ASSERT_NE(bm->palette, nullptr);
                const std::vector<tools::Rgb>& src =
                    c.entries == 256 ? im.tailPalette : im.headerPalette;
                for (int i = 0; i < c.entries; ++i) {
                    EXPECT_EQ(bm->palette[i].red, src[i].r);
                    EXPECT_EQ(bm->palette[i].green, src[i].g);
                    EXPECT_EQ(bm->palette[i].blue, src[i].b);
                    EXPECT_EQ(bm->palette[i].reserved, 0);
                }
            } else {
                EXPECT_EQ(bm->palette, nullptr);
            }
        }
}

TEST_F(PcxReader, EightBitTailMarkerMattersOnlyWithThePaletteFlag) {
    tools::PcxImage im = MakePcx(8, 4, 8, 1);
    im.tailMarker = 11;
    const std::vector<uint8_t> file = tools::WritePcx(im);
    EXPECT_FALSE(Load(file, 1));
    EXPECT_EQ(GDL_lastResult(), GDL_INVALID_BITMAP);
    BitmapPtr bm = Load(file, 0);
    ASSERT_TRUE(bm);
    EXPECT_EQ(bm->palette, nullptr);
    EXPECT_EQ(0, std::memcmp(bm->surface, im.scanlines.data(), im.scanlines.size()));
}

TEST_F(PcxReader, MonochromeWithTwoEqualHeaderColoursLoadsBlackAndWhite) {
    // Writers often leave the header palette of a 1-bit picture zeroed.
    for (const std::vector<tools::Rgb>& header :
         {std::vector<tools::Rgb>{}, std::vector<tools::Rgb>(16, tools::Rgb{9, 9, 9})}) {
        tools::PcxImage im = MakePcx(13, 3, 1, 1);
        im.headerPalette = header;
        BitmapPtr bm = Load(tools::WritePcx(im), 1);
        ASSERT_TRUE(bm);
        ASSERT_NE(bm->palette, nullptr);
        EXPECT_EQ(bm->palette[0].red | bm->palette[0].green | bm->palette[0].blue, 0);
        EXPECT_EQ(bm->palette[1].red & bm->palette[1].green & bm->palette[1].blue, 255);
        EXPECT_EQ(0, std::memcmp(bm->surface, im.scanlines.data(), im.scanlines.size()));
    }
}

TEST_F(PcxReader, RunBytesAndRunsOverTheRowEnd) {
    tools::PcxImage im;
    im.width = 4;
    im.height = 2;
    im.bitsPerPlane = 8;
    im.bytesPerPlaneLine = 4;
    std::vector<uint8_t> file = tools::WritePcx(im);
    file.resize(128);
    // 0xC5 0x07: five bytes of 7, the fifth starting the second row; then 9, 9, 0xC1.
    for (uint8_t b : {0xC5, 0x07, 0x09, 0x09, 0xC1, 0xC1})
        file.push_back(b);
    BitmapPtr bm = Load(file, 0);
    ASSERT_TRUE(bm);
    const uint8_t expect[8] = {7, 7, 7, 7, 7, 9, 9, 0xC1};
    EXPECT_EQ(0, std::memcmp(bm->surface, expect, 8));
}

TEST_F(PcxReader, RefusesCorruptPictures) {
    const std::vector<uint8_t> good = tools::WritePcx(MakePcx(16, 8, 8, 1));
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> spoil;
    } cases[] = {
        {"manufacturer", [](auto& f) { f[0] = 11; }},
        {"version 6", [](auto& f) { f[1] = 6; }},
        {"version -1", [](auto& f) { f[1] = 0xFF; }},
        {"encoding 0", [](auto& f) { f[2] = 0; }},
        {"bits per plane 3", [](auto& f) { f[3] = 3; }},
        {"no planes", [](auto& f) { f[65] = 0; }},
        {"five planes", [](auto& f) { f[65] = 5; }},
        {"line too short", [](auto& f) { f[66] = 8; }},
        {"x max below x min", [](auto& f) { f[4] = 20, f[8] = 5; }},
        {"y max below y min", [](auto& f) { f[6] = 20, f[10] = 5; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> file = good;
        c.spoil(file);
        EXPECT_FALSE(Load(file, 0));
        EXPECT_EQ(GDL_lastResult(), GDL_INVALID_BITMAP);
    }
    // A file that ends before its last row, a header cut short, and a picture
    // far larger than its data could ever hold.
    tools::PcxImage noTail = MakePcx(16, 8, 8, 1);
    noTail.tailPalette.clear();
    std::vector<uint8_t> cut = tools::WritePcx(noTail);
    cut.resize(cut.size() - 3);
    std::vector<uint8_t> header = good;
    header.resize(100);
    std::vector<uint8_t> huge = good;
    huge[8] = huge[10] = huge[11] = 0xFF;
    huge[9] = 0x7F;
    huge[66] = huge[67] = 0xFF;
    for (const auto* file : {&cut, &header, &huge}) {
        EXPECT_FALSE(Load(*file, 0));
        EXPECT_EQ(GDL_lastResult(), GDL_INVALID_BITMAP);
    }
}

TEST_F(PcxReader, IsPcxFileAndMissingFiles) {
    const std::string path = dir.Write("ok.pcx", tools::WritePcx(MakePcx(4, 4, 8, 1)));
    EXPECT_EQ(GDL_isPCXFile(path.c_str()), 1);
    EXPECT_EQ(GDL_lastResult(), GDL_OK);
    std::vector<uint8_t> bad = tools::WritePcx(MakePcx(4, 4, 8, 1));
    bad[2] = 0;
    EXPECT_EQ(GDL_isPCXFile(dir.Write("bad.pcx", bad).c_str()), 0);
    EXPECT_EQ(GDL_lastResult(), GDL_INVALID_BITMAP);
    EXPECT_EQ(GDL_isPCXFile(dir.File("none.pcx").c_str()), 0);
    EXPECT_EQ(GDL_lastResult(), GDL_BITMAP_NOT_FOUND);
    EXPECT_FALSE(GDL_loadPCX(dir.File("none.pcx").c_str(), 1));
    EXPECT_EQ(GDL_lastResult(), GDL_BITMAP_NOT_FOUND);
}

} // namespace
