// The JPEG reader against libjpeg itself: pictures encoded here, and every
// output mode compared with a plain libjpeg decode of the same bytes.
#include "JpegFixture.h"
#include "TempDir.h"

#include "gdl/bitmap.h"
#include "gdl/memory.h"
#include "gdl/result.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <algorithm>
#include <array>
#include <set>

#include <jpeglib.h>

namespace {

using testsupport::EncodeJpeg;

struct BitmapDeleter {
    void operator()(GdlBitmap* b) const { GDL_free(b); }
};
using BitmapPtr = std::unique_ptr<GdlBitmap, BitmapDeleter>;

struct Reference {
    std::vector<uint8_t> rows; // packed
    int components = 0;
    std::vector<std::array<uint8_t, 3>> colormap;
};

// Plain libjpeg decode with the settings the reader is meant to use.
Reference Decode(const std::vector<uint8_t>& file, int colours) {
    jpeg_decompress_struct d;
    jpeg_error_mgr err;
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, file.data(), file.size());
    jpeg_read_header(&d, TRUE);
    if (colours == -1) d.out_color_space = JCS_GRAYSCALE;
    if (colours > 0) {
        d.quantize_colors = TRUE;
        d.desired_number_of_colors = colours;
        d.two_pass_quantize = TRUE;
        d.dither_mode = JDITHER_FS;
    }
    jpeg_start_decompress(&d);
    Reference ref;
    ref.components = d.output_components;
    const size_t stride = static_cast<size_t>(d.output_width) * d.output_components;
    ref.rows.resize(stride * d.output_height);
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = ref.rows.data() + stride * d.output_scanline;
        jpeg_read_scanlines(&d, &row, 1);
    }
    if (colours > 0)
        for (int i = 0; i < d.actual_number_of_colors; ++i)
            ref.colormap.push_back({d.colormap[0][i], d.colormap[1][i], d.colormap[2][i]});
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return ref;
}

class JpegReader : public ::testing::Test {
protected:
    void SetUp() override { GDL_lastResult(); }
    BitmapPtr Load(const std::vector<uint8_t>& file, int32_t colours) {
        return BitmapPtr(GDL_loadJPEG(dir.Write("p.jpg", file).c_str(), colours));
    }
    testsupport::TempDir dir;
};

TEST_F(JpegReader, TrueColourCellsAreBlueGreenRedOfTheDecodedPixels) {
    for (bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        const std::vector<uint8_t> file = EncodeJpeg(37, 19, 3, JCS_RGB, progressive);
        BitmapPtr bm = Load(file, 0);
        ASSERT_TRUE(bm) << GDL_lastResult();
        EXPECT_EQ(GDL_lastResult(), GDL_OK);
        EXPECT_EQ(bm->width, 37);
        EXPECT_EQ(bm->height, 19);
        EXPECT_EQ(bm->bitsPerPixel, 24);
        EXPECT_EQ(bm->bytesPerLine, 3 * 37);
        EXPECT_EQ(bm->palette, nullptr);
        ASSERT_NE(bm->pixelFormat, nullptr);
        EXPECT_EQ(0, std::memcmp(bm->pixelFormat, &GDL_pixelFormatRGB, sizeof(GdlPixelFormat)));
        const Reference ref = Decode(file, 0);
        for (size_t i = 0; i < ref.rows.size(); i += 3) {
            ASSERT_EQ(bm->surface[i], ref.rows[i + 2]) << i;
            ASSERT_EQ(bm->surface[i + 1], ref.rows[i + 1]) << i;
            ASSERT_EQ(bm->surface[i + 2], ref.rows[i]) << i;
        }
        // The first pixel is near the red, green, blue put in (0, 0, 20).
        EXPECT_NEAR(bm->surface[0], 20, 12);
        EXPECT_NEAR(bm->surface[2], 0, 12);
    }
}

TEST_F(JpegReader, GreyOutputHasTheRampPalette) {
    struct Case {
        const char* what;
        int components;
        J_COLOR_SPACE space;
        int colours;
    } cases[] = {{"grey picture, colours 0", 1, JCS_GRAYSCALE, 0},
                 {"grey picture, colours 16", 1, JCS_GRAYSCALE, 16},
                 {"colour picture, colours -1", 3, JCS_RGB, -1},
                 {"colour picture, colours -7", 3, JCS_RGB, -7}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<uint8_t> file = EncodeJpeg(20, 11, c.components, c.space, false);
        BitmapPtr bm = Load(file, c.colours);
        ASSERT_TRUE(bm) << GDL_lastResult();
        EXPECT_EQ(bm->bitsPerPixel, 8);
        EXPECT_EQ(bm->bytesPerLine, 20);
        EXPECT_EQ(bm->pixelFormat, nullptr);
        ASSERT_NE(bm->palette, nullptr);
        for (int i = 0; i < 256; ++i) {
            EXPECT_EQ(bm->palette[i].red, i);
            EXPECT_EQ(bm->palette[i].green, i);
            EXPECT_EQ(bm->palette[i].blue, i);
            EXPECT_EQ(bm->palette[i].reserved, 0);
        }
        const Reference ref = Decode(file, -1);
        EXPECT_EQ(0, std::memcmp(bm->surface, ref.rows.data(), ref.rows.size()));
    }
}

TEST_F(JpegReader, QuantisedOutputUsesTheTwoPassFloydSteinbergPalette) {
    const std::vector<uint8_t> file = EncodeJpeg(40, 24, 3, JCS_RGB, false);
    for (int colours : {16, 64, 256, 1000}) {
        SCOPED_TRACE(colours);
        BitmapPtr bm = Load(file, colours);
        ASSERT_TRUE(bm) << GDL_lastResult();
        EXPECT_EQ(bm->bitsPerPixel, 8);
        const Reference ref = Decode(file, colours > 256 ? 256 : colours);
        ASSERT_LE(ref.colormap.size(), static_cast<size_t>(colours));
        EXPECT_EQ(0, std::memcmp(bm->surface, ref.rows.data(), ref.rows.size()));
        std::set<uint8_t> used(bm->surface, bm->surface + 40 * 24);
        EXPECT_LT(*used.rbegin(), ref.colormap.size());
        for (size_t i = 0; i < 256; ++i) {
            const GdlPaletteEntry& e = bm->palette[i];
            if (i < ref.colormap.size()) {
                EXPECT_EQ(e.red, ref.colormap[i][0]);
                EXPECT_EQ(e.green, ref.colormap[i][1]);
                EXPECT_EQ(e.blue, ref.colormap[i][2]);
            } else {
                EXPECT_EQ(e.red | e.green | e.blue | e.reserved, 0) << i;
            }
        }
    }
}

TEST_F(JpegReader, RefusesWhatLibjpegCannotDecode) {
    std::vector<uint8_t> sof = EncodeJpeg(8, 8, 3, JCS_RGB, false);
    // Patch the frame header to 60000 x 60000: a tiny file claiming gigabytes.
    for (size_t i = 0; i + 8 < sof.size(); ++i)
        if (sof[i] == 0xFF && sof[i + 1] == 0xC0) {
            sof[i + 5] = sof[i + 7] = 0xEA;
            sof[i + 6] = sof[i + 8] = 0x60;
            break;
        }
    std::vector<uint8_t> garbage(300, 0x5A);
    const std::vector<uint8_t> files[] = {
        EncodeJpeg(16, 16, 4, JCS_CMYK, false), {}, garbage, {0xFF, 0xD8}, sof};
    for (size_t i = 0; i < std::size(files); ++i) {
        SCOPED_TRACE(i);
        EXPECT_FALSE(Load(files[i], 0));
        EXPECT_EQ(GDL_lastResult(), GDL_INVALID_BITMAP);
    }
    EXPECT_FALSE(GDL_loadJPEG(dir.File("none.jpg").c_str(), 0));
    EXPECT_EQ(GDL_lastResult(), GDL_BITMAP_NOT_FOUND);
}

TEST_F(JpegReader, ATruncatedFileReadsAsEndingEarly) {
    std::vector<uint8_t> file = EncodeJpeg(64, 64, 3, JCS_RGB, false);
    file.resize(file.size() * 2 / 3);
    BitmapPtr bm = Load(file, 0);
    ASSERT_TRUE(bm);
    EXPECT_EQ(bm->width, 64);
    EXPECT_EQ(bm->height, 64);
}

TEST_F(JpegReader, ReadsAPictureInsideALargerFileAndLeavesTheStreamAtItsEnd) {
    const std::vector<uint8_t> jpeg = EncodeJpeg(9, 9, 1, JCS_GRAYSCALE, false);
    std::vector<uint8_t> file(50 + jpeg.size() + 30, 0x11);
    std::fill(file.begin(), file.begin() + 50, 0);
    std::copy(jpeg.begin(), jpeg.end(), file.begin() + 50);
    const std::string path = dir.Write("album.bin", file);
    void* stream = GDL_fileHooks.open(path.c_str(), "rb");
    ASSERT_NE(stream, nullptr);
    const long end = static_cast<long>(50 + jpeg.size());
    BitmapPtr bm(GDL_readJPEG(stream, 50, end, 0));
    EXPECT_TRUE(bm);
    EXPECT_EQ(GDL_fileHooks.tell(stream), end);
    GDL_fileHooks.close(stream);
}

TEST_F(JpegReader, FindBitmapFileOnlyLooksForTheName) {
    const std::string path = dir.Write("x.jpg", std::vector<uint8_t>{1, 2, 3});
    EXPECT_EQ(GDL_findBitmapFile(path.c_str()), 1);
    EXPECT_EQ(GDL_findBitmapFile(dir.File("y.jpg").c_str()), 0);
    EXPECT_EQ(GDL_lastResult(), GDL_OK);
}

} // namespace
