#include "BmpWriter.h"
#include "TempDir.h"

#include "gdl/bitmap.h"
#include "gdl/memory.h"
#include "gdl/result.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

namespace {

struct BitmapDeleter {
    void operator()(GdlBitmap* b) const { GDL_free(b); }
};
using BitmapPtr = std::unique_ptr<GdlBitmap, BitmapDeleter>;

std::vector<uint8_t> Pattern(size_t count, int seed) {
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + seed * 13 + i / 5);
    return bytes;
}

std::vector<tools::Rgb> Palette(size_t count) {
    std::vector<tools::Rgb> p(count);
    for (size_t i = 0; i < count; ++i)
        p[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                static_cast<uint8_t>(i * 3)};
    return p;
}

tools::BmpImage Image(int32_t w, int32_t h, int bits, size_t paletteSize) {
    tools::BmpImage im;
    im.width = w;
    im.height = h;
    im.bitCount = bits;
    im.pixels = Pattern(tools::BmpRowBytes(w, bits) * static_cast<size_t>(h), bits);
    im.palette = Palette(paletteSize);
    return im;
}

// The row of the record against the source row (the record pads to 4 bytes).
void ExpectRows(const GdlBitmap& bm, const tools::BmpImage& im) {
    const size_t rowBytes = tools::BmpRowBytes(im.width, im.bitCount);
    ASSERT_EQ(bm.bytesPerLine, static_cast<int32_t>((rowBytes + 3) & ~size_t{3}));
    for (int32_t y = 0; y < im.height; ++y)
        ASSERT_EQ(0, std::memcmp(bm.surface + static_cast<size_t>(y) * bm.bytesPerLine,
                                 im.pixels.data() + static_cast<size_t>(y) * rowBytes, rowBytes))
            << "row " << y;
}

class BmpReader : public ::testing::Test {
protected:
    void SetUp() override { GDL_lastResult(); }
    BitmapPtr Load(const std::vector<uint8_t>& file, int32_t loadPalette = 1) {
        return BitmapPtr(GDL_loadBitmap(dir.Write("pic.bmp", file).c_str(), loadPalette));
    }
    testsupport::TempDir dir;
};

struct DepthCase {
    const char* what;
    int bits;
    bool bitFields;
    uint32_t redMask;
    uint32_t greenMask;
    int32_t expectBits;
    const GdlPixelFormat* expectFormat;
};

TEST_F(BmpReader, RoundTripsEveryDepthAndLayoutBothRowOrders) {
    const DepthCase cases[] = {
        {"1 bit", 1, false, 0, 0, 1, nullptr},
        {"4 bits", 4, false, 0, 0, 4, nullptr},
        {"8 bits", 8, false, 0, 0, 8, nullptr},
        {"16 bits plain is 5:5:5", 16, false, 0, 0, 15, &GDL_pixelFormat555},
        {"16 bits 5:5:5 masks", 16, true, 0x7C00, 0x3E0, 15, &GDL_pixelFormat555},
        {"16 bits 5:6:5 masks", 16, true, 0xF800, 0x7E0, 16, &GDL_pixelFormat565},
        {"24 bits plain", 24, false, 0, 0, 24, &GDL_pixelFormatRGB},
        {"24 bits red low", 24, true, 0xFF, 0xFF00, 24, &GDL_pixelFormatBGR},
        {"32 bits plain", 32, false, 0, 0, 32, &GDL_pixelFormatARGB},
        {"32 bits red 16", 32, true, 0xFF0000, 0xFF00, 32, &GDL_pixelFormatARGB},
        {"32 bits red 0", 32, true, 0xFF, 0xFF00, 32, &GDL_pixelFormatABGR},
        {"32 bits red 8", 32, true, 0xFF00, 0xFF0000, 32, &GDL_pixelFormatBGRA},
        {"32 bits red 24", 32, true, 0xFF000000, 0xFF0000, 32, &GDL_pixelFormatRGBA},
    };
    for (const DepthCase& c : cases)
        for (bool topDown : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (topDown ? " top-down" : " bottom-up"));
            const size_t paletteSize = c.bits <= 8 ? (size_t{1} << c.bits) : 0;
            tools::BmpImage im = Image(13, 5, c.bits, paletteSize);
            tools::BmpOptions opt;
            opt.topDown = topDown;
            opt.bitFields = c.bitFields;
            opt.masks = {c.redMask, c.greenMask, 0x1F};
            BitmapPtr bm = Load(tools::WriteBmp(im, opt));
            ASSERT_TRUE(bm) << GDL_lastResult();
            EXPECT_EQ(GDL_lastResult(), GDL_OK);
            EXPECT_EQ(bm->width, 13);
            EXPECT_EQ(bm->height, 5);
            EXPECT_EQ(bm->bitsPerPixel, c.expectBits);
            ExpectRows(*bm, im);
            if (c.expectFormat) {
                ASSERT_NE(bm->pixelFormat, nullptr);
                EXPECT_EQ(0, std::memcmp(bm->pixelFormat, c.expectFormat, sizeof(GdlPixelFormat)));
                EXPECT_EQ(bm->palette, nullptr);
            } else {
                ASSERT_NE(bm->palette, nullptr);
                EXPECT_EQ(bm->pixelFormat, nullptr);
                for (size_t i = 0; i < paletteSize; ++i) {
                    EXPECT_EQ(bm->palette[i].red, im.palette[i].r);
                    EXPECT_EQ(bm->palette[i].green, im.palette[i].g);
                    EXPECT_EQ(bm->palette[i].blue, im.palette[i].b);
                    EXPECT_EQ(bm->palette[i].reserved, 0);
                }
            }
        }
}

TEST_F(BmpReader, FourBitsWithoutColoursUsedGetSixteenEntriesOrNoPaletteAtAll) {
    tools::BmpImage im = Image(9, 3, 4, 16);
    tools::BmpOptions opt;
    opt.colorsUsed = 0;
    BitmapPtr with = Load(tools::WriteBmp(im, opt), 1);
    ASSERT_TRUE(with);
    ASSERT_NE(with->palette, nullptr);
    EXPECT_EQ(with->palette[15].red, im.palette[15].r);
    EXPECT_EQ(with->surface, reinterpret_cast<uint8_t*>(with->palette) + 16 * 4);

    BitmapPtr without = Load(tools::WriteBmp(im, opt), 0);
    ASSERT_TRUE(without);
    EXPECT_EQ(without->palette, nullptr);
    // No room for a palette in the block: the rows follow the fields.
    EXPECT_EQ(without->surface, reinterpret_cast<uint8_t*>(without.get()) + sizeof(GdlBitmap));
    ExpectRows(*without, im);
}

TEST_F(BmpReader, AShortPaletteStillLeavesRoomForEveryIndex) {
    tools::BmpImage im = Image(4, 2, 8, 3); // colours used 3
    BitmapPtr bm = Load(tools::WriteBmp(im));
    ASSERT_TRUE(bm);
    EXPECT_EQ(bm->palette[2].blue, im.palette[2].b);
    EXPECT_EQ(bm->palette[255].red, 0); // zeroed, inside the block
    EXPECT_EQ(bm->surface, reinterpret_cast<uint8_t*>(bm->palette) + 256 * 4);
    ExpectRows(*bm, im);
}

TEST_F(BmpReader, CompressionMattersOnlyForShallowImages) {
    tools::BmpOptions rle;
    rle.compression = 1;
    EXPECT_FALSE(Load(tools::WriteBmp(Image(4, 2, 8, 256), rle)));
    EXPECT_EQ(GDL_lastResult(), GDL_INVALID_BITMAP);

    tools::BmpImage deep = Image(4, 2, 24, 0);
    BitmapPtr bm = Load(tools::WriteBmp(deep, rle));
    ASSERT_TRUE(bm);
    ExpectRows(*bm, deep);
}

TEST_F(BmpReader, RowsStartBehindThePaletteNotAtTheDataOffset) {
    tools::BmpImage im = Image(4, 3, 8, 256);
    tools::BmpOptions opt;
    opt.gapAfterPalette = 4; // one padded row of zeros
    BitmapPtr bm = Load(tools::WriteBmp(im, opt));
    ASSERT_TRUE(bm);
    // The gap is read as the bottom row; every other row moves up by one.
    EXPECT_EQ(0, std::memcmp(bm->surface, im.pixels.data() + 4, 4));
    EXPECT_EQ(0, std::memcmp(bm->surface + 4, im.pixels.data() + 8, 4));
    const uint8_t zeros[4] = {};
    EXPECT_EQ(0, std::memcmp(bm->surface + 8, zeros, 4));
}

TEST_F(BmpReader, RefusesBadFilesWithInvalidBitmap) {
    const std::vector<uint8_t> good = tools::WriteBmp(Image(6, 4, 8, 256));
    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> spoil;
    } cases[] = {
        {"no BM", [](auto& f) { f[1] = 'A'; }},
        {"cut in the file header", [](auto& f) { f.resize(10); }},
        {"cut in the info header", [](auto& f) { f.resize(40); }},
        {"core header size 12", [](auto& f) { f[14] = 12; }},
        {"two planes", [](auto& f) { f[26] = 2; }},
        {"bit count 2", [](auto& f) { f[28] = 2; }},
        {"bit count 7", [](auto& f) { f[28] = 7; }},
        {"colours used 300", [](auto& f) { f[46] = 0x2C, f[47] = 1; }},
        {"negative width", [](auto& f) { f[21] = 0xFF; }},
        {"zero height", [](auto& f) { std::memset(&f[22], 0, 4); }},
        {"huge width", [](auto& f) { f[21] = 0x7F; }},
        {"huge height", [](auto& f) { f[25] = 0x40; }},
        {"cut in the palette", [](auto& f) { f.resize(54 + 500); }},
        {"cut in the rows", [](auto& f) { f.resize(f.size() - 1); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> file = good;
        c.spoil(file);
        EXPECT_FALSE(Load(file));
        EXPECT_EQ(GDL_lastResult(), GDL_INVALID_BITMAP);
    }
}

TEST_F(BmpReader, BitCountTwoIsRefusedAfterItsDefaultPalette) {
    tools::BmpImage im = Image(8, 2, 2, 0);
    im.pixels.clear();
    std::vector<uint8_t> file = tools::WriteBmp(im);
    file.resize(54 + 47); // one byte short of the 48-byte default palette
    for (int32_t flag : {0, 1}) {
        EXPECT_FALSE(Load(file, flag));
        EXPECT_EQ(GDL_lastResult(), GDL_INVALID_BITMAP);
    }
}

TEST_F(BmpReader, IsBitmapFileChecksOnlyTheHeaders) {
    std::vector<uint8_t> file = tools::WriteBmp(Image(6, 4, 24, 0));
    const std::string path = dir.Write("a.bmp", file);
    EXPECT_EQ(GDL_isBitmapFile(path.c_str()), 1);
    EXPECT_EQ(GDL_lastResult(), GDL_OK);

    file[0] = 'X';
    EXPECT_EQ(GDL_isBitmapFile(dir.Write("b.bmp", file).c_str()), 0);
    EXPECT_EQ(GDL_lastResult(), GDL_INVALID_BITMAP);

    EXPECT_EQ(GDL_isBitmapFile(dir.File("missing.bmp").c_str()), 0);
    EXPECT_EQ(GDL_lastResult(), GDL_BITMAP_NOT_FOUND);
    EXPECT_FALSE(GDL_loadBitmap(dir.File("missing.bmp").c_str(), 1));
    EXPECT_EQ(GDL_lastResult(), GDL_BITMAP_NOT_FOUND);
}

TEST_F(BmpReader, ReadsABitmapInsideALargerFile) {
    tools::BmpImage im = Image(5, 3, 8, 256);
    std::vector<uint8_t> file(100, 0xEE);
    std::vector<uint8_t> bmp = tools::WriteBmp(im);
    file.insert(file.end(), bmp.begin(), bmp.end());
    const std::string path = dir.Write("album.bin", file);
    void* stream = GDL_fileHooks.open(path.c_str(), "rb");
    ASSERT_NE(stream, nullptr);
    BitmapPtr bm(GDL_readBitmap(stream, 100, 0, 1));
    GDL_fileHooks.close(stream);
    ASSERT_TRUE(bm);
    ExpectRows(*bm, im);
}

TEST_F(BmpReader, FindsFilesUnderTheRootFolderAndItsBitmapsSubfolder) {
    const std::string path = dir.Write("BITMAPS/found.bmp", tools::WriteBmp(Image(2, 2, 24, 0)));
    ASSERT_EQ(setenv("GDL_ROOT", dir.Path().c_str(), 1), 0);
    char found[GDL_PATH_BUFFER];
    EXPECT_EQ(GDL_findFile(found, GDL_BITMAPS_FOLDER, "found.bmp", "rb"), 1);
    EXPECT_EQ(std::string(found), dir.Path().string() + "\\BITMAPS\\found.bmp");
    BitmapPtr bm(GDL_loadBitmap("found.bmp", 1));
    EXPECT_TRUE(bm);
    // Without a match the buffer is left holding the bare name.
    EXPECT_EQ(GDL_findFile(found, GDL_BITMAPS_FOLDER, "nothere.bmp", "rb"), 0);
    EXPECT_STREQ(found, "nothere.bmp");
    unsetenv("GDL_ROOT");
    EXPECT_FALSE(GDL_loadBitmap("found.bmp", 1));
    EXPECT_EQ(GDL_lastResult(), GDL_BITMAP_NOT_FOUND);
    (void)path;
}

// Counts opens and closes around the real hooks.
int gOpen = 0;
int gClose = 0;
GdlFileHooks gReal;
void* CountingOpen(const char* path, const char* mode) {
    void* s = gReal.open(path, mode);
    if (s) ++gOpen;
    return s;
}
int CountingClose(void* s) {
    ++gClose;
    return gReal.close(s);
}

TEST_F(BmpReader, NeverLeavesAStreamOpen) {
    gReal = GDL_fileHooks;
    GDL_fileHooks.open = CountingOpen;
    GDL_fileHooks.close = CountingClose;
    std::vector<uint8_t> good = tools::WriteBmp(Image(6, 4, 8, 256));
    std::vector<uint8_t> bad = good;
    bad[28] = 3;
    std::vector<uint8_t> cut = good;
    cut.resize(cut.size() - 5);
    for (const auto* file : {&good, &bad, &cut}) {
        const std::string path = dir.Write("c.bmp", *file);
        GDL_free(GDL_loadBitmap(path.c_str(), 1));
        GDL_isBitmapFile(path.c_str());
    }
    GDL_fileHooks = gReal;
    EXPECT_GT(gOpen, 0);
    EXPECT_EQ(gOpen, gClose);
}

} // namespace
