// Picture albums: every packing and depth through the writer and back, the
// checks that keep a corrupt album from reading out of bounds, and the
// run-length decoders' bounds.
#include "foundation/TCache.h"
#include "foundation/TError.h"
#include "media/resources/TAlbum.h"
#include "media/resources/TRleCodec.h"

#include "AlbumWriter.h"
#include "ErrorProbe.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Pattern(size_t bytes, uint32_t seed) {
    // Runs and literals both, so every packer takes both paths.
    std::vector<uint8_t> out(bytes);
    for (size_t i = 0; i < bytes; ++i)
        out[i] = (i / 7) % 3 == 0 ? 0 : static_cast<uint8_t>(i * 31 + seed);
    return out;
}

tools::AlbumPlan Plan(uint8_t bits, uint8_t packing) {
    tools::AlbumPlan s;
    s.bitsPerPixel = bits;
    s.packing = packing;
    s.palette = {255, 0, 0, 0, 255, 0, 0, 0, 255};
    int32_t bpp = tools::AlbumBytesPerPixel(bits);
    tools::AlbumEntry a{8, 3, {}, 0};
    a.frames = {Pattern(8 * 3 * bpp, 1), Pattern(8 * 3 * bpp, 2)};
    tools::AlbumEntry b{12, 5, {}, 0};
    b.frames = {Pattern(12 * 5 * bpp, 3)};
    s.entries = {a, b};
    return s;
}

class TAlbumTest : public ::testing::Test {
protected:
    void SetUp() override { TCache::Global().Start(); }
    std::string Write(const std::vector<uint8_t>& bytes) {
        return dir.Write("a" + std::to_string(++serial) + ".alb", bytes);
    }
    int32_t LastCode() {
        TErrorRec* e = NewestError();
        return e ? e->code : 0;
    }
    testsupport::TempDir dir;
    int serial = 0;
};

struct Case {
    uint8_t bits;
    uint8_t packing;
};

TEST_F(TAlbumTest, EveryPackingAndDepthRoundTrips) {
    const Case cases[] = {{8, 0}, {16, 0}, {24, 0}, {8, 1},  {16, 1}, {24, 1},
                          {8, 2}, {16, 2}, {8, 3},  {16, 3}, {24, 3}};
    for (const Case& c : cases) {
        for (bool image : {false, true}) {
            SCOPED_TRACE(std::to_string(c.bits) + " bits, packing " + std::to_string(c.packing) +
                         (image ? ", memory image" : ""));
            tools::AlbumPlan plan = Plan(c.bits, c.packing);
            std::string error;
            std::vector<uint8_t> file = tools::WriteAlbum(plan, &error);
            ASSERT_EQ(error, "");
            TAlbum album;
            album.SetPath(Write(file).c_str());
            ASSERT_TRUE(album.IsLoaded());
            if (image) {
                EXPECT_EQ(album.Open(), 1);
            }
            for (int32_t e = 0; e < 2; ++e)
                for (int32_t f = 0; f < album.GetFrameCount(e); ++f) {
                    ASSERT_EQ(album.ReadPicture(f, e), 1);
                    const GdlBitmap& p = album.Picture();
                    const auto& want = plan.entries[e].frames[f];
                    EXPECT_EQ(p.width, plan.entries[e].width);
                    EXPECT_EQ(p.bitsPerPixel, c.bits);
                    EXPECT_EQ(p.bytesPerLine, plan.entries[e].width * (c.bits / 8));
                    EXPECT_EQ(std::memcmp(p.surface, want.data(), want.size()), 0);
                    EXPECT_EQ(album.GetData(), &album.Picture());
                    album.FreePicture();
                    EXPECT_EQ(album.GetData(), nullptr);
                }
            if (image) album.Close();
            EXPECT_EQ(LastCode(), 0);
        }
    }
}

TEST_F(TAlbumTest, PaletteFormatAndEntrySizes) {
    tools::AlbumPlan plan = Plan(16, 0);
    plan.palette.assign(300, 7); // 100 colours
    TAlbum album;
    album.SetPath(Write(tools::WriteAlbum(plan, nullptr)).c_str());
    ASSERT_TRUE(album.IsLoaded());
    EXPECT_EQ(album.PaletteTable()[99].red, 7);
    EXPECT_EQ(album.PaletteTable()[100].red, 0);
    EXPECT_EQ(album.GetWidthOf(99, 1), 12); // the frame does not matter
    EXPECT_EQ(album.GetHeightOf(0, 2), 0);
    EXPECT_EQ(album.GetWidth(), 8); // no frame held: entry 0
    ASSERT_EQ(album.ReadPicture(0, 1), 1);
    EXPECT_EQ(album.GetWidth(), 12);
    const GdlPixelFormat& f = *album.Picture().pixelFormat;
    EXPECT_EQ(f.greenMask, 63u);
    EXPECT_EQ(f.redPosition, 11);
    album.FreePicture();

    plan.palette.assign(900, 9); // 256 colours and the rest ignored
    TAlbum big;
    big.SetPath(Write(tools::WriteAlbum(plan, nullptr)).c_str());
    ASSERT_TRUE(big.IsLoaded());
    EXPECT_EQ(big.PaletteTable()[255].blue, 9);
}

TEST_F(TAlbumTest, OneFrameAtATimeAndIndexesInRange) {
    TAlbum album;
    album.SetPath(Write(tools::WriteAlbum(Plan(8, 3), nullptr)).c_str());
    EXPECT_EQ(album.ReadPicture(2, 0), 0); // entry 0 has frames 0 and 1
    EXPECT_EQ(album.ReadPicture(0, 2), 0);
    EXPECT_EQ(album.ReadPicture(-1, 0), 0);
    ASSERT_EQ(album.ReadPicture(0, 0), 1);
    EXPECT_EQ(album.ReadPicture(1, 0), 0); // a frame is held
    album.FreePicture();
    EXPECT_EQ(album.ReadPicture(1, 0), 1);
    EXPECT_EQ(LastCode(), 0);
}

TEST_F(TAlbumTest, StoredFramesPointIntoTheMemoryImage) {
    TAlbum album;
    album.SetPath(Write(tools::WriteAlbum(Plan(8, 0), nullptr)).c_str());
    ASSERT_EQ(album.Open(), 1);
    ASSERT_EQ(album.ReadPicture(1, 0), 1);
    const uint8_t* image = album.MemoryImage();
    EXPECT_EQ(album.Picture().surface, image + 255 + 2 * 64 + 24);
    EXPECT_EQ(album.AlbumFlags() & TAlbum::kFrameHeld, 0u);
    album.FreePicture();
    EXPECT_EQ(album.Picture().surface, nullptr);
    album.Close();
    EXPECT_EQ(album.MemoryImage(), nullptr);
}

TEST_F(TAlbumTest, VersionAndDepthAreChecked) {
    std::vector<uint8_t> file = tools::WriteAlbum(Plan(8, 0), nullptr);
    file[0] = 100;
    file[1] = 0;
    TAlbum old;
    old.SetPath(Write(file).c_str());
    EXPECT_FALSE(old.IsLoaded());
    EXPECT_EQ(LastCode(), 48);

    for (auto patch : {std::pair<int, uint8_t>{4, 32}, {2, 0}}) {
        TError::ClearLists();
        file = tools::WriteAlbum(Plan(8, 0), nullptr);
        file[patch.first] = patch.second;
        if (patch.first == 2) file[3] = 0;
        TAlbum bad;
        bad.SetPath(Write(file).c_str());
        EXPECT_FALSE(bad.IsLoaded());
        EXPECT_EQ(LastCode(), 51);
    }
}

// Damage that would make a reader leave the file or the frame: each is
// corrupt (51) and gives no frame.
TEST_F(TAlbumTest, CorruptFramesAreRefused) {
    struct Damage {
        const char* what;
        uint8_t packing;
        int32_t frame, entry;
        void (*apply)(std::vector<uint8_t>&);
    };
    const Damage damages[] = {
        {"run past the frame", 3, 0, 0,
         [](std::vector<uint8_t>& f) {
             size_t at = 255 + 2 * 64;
             f[at] = 0x80 | 127; // 127 copies into a 24-byte frame
         }},
        {"frame-offset table too short", 3, 1, 0,
         [](std::vector<uint8_t>& f) {
             f[16] = 8; // two offsets: frame 1 of entry 0 has no closing one
             f[17] = 0;
         }},
        {"offsets that fall", 3, 0, 0,
         [](std::vector<uint8_t>& f) {
             uint32_t table = f[12] | f[13] << 8 | f[14] << 16;
             f[table + 4] = 0; // the second offset before the first
             f[table + 5] = 0;
         }},
        {"stored frame beyond the file", 0, 4, 1, [](std::vector<uint8_t>& f) { f[255 + 64] = 5; }},
        {"frame size below its rows", 0, 0, 0, [](std::vector<uint8_t>& f) { f[255 + 6] = 4; }},
        {"skip-fill row past the frame", 2, 0, 0,
         [](std::vector<uint8_t>& f) {
             size_t words = 255 + 2 * 64 + 3 * 4; // behind the row table
             f[words] = 200;                      // 200 fill bytes
         }},
    };
    for (const Damage& d : damages) {
        SCOPED_TRACE(d.what);
        TError::ClearLists();
        std::vector<uint8_t> file = tools::WriteAlbum(Plan(8, d.packing), nullptr);
        d.apply(file);
        TAlbum album;
        album.SetPath(Write(file).c_str());
        if (album.IsLoaded()) {
            EXPECT_EQ(album.ReadPicture(d.frame, d.entry), 0);
            EXPECT_EQ(album.GetData(), nullptr);
        }
        EXPECT_EQ(LastCode(), 51);
    }
}

TEST_F(TAlbumTest, SkipFillAt24BitsGivesAZeroedFrame) {
    // No writer makes this form; build it from a 16-bit one.
    std::vector<uint8_t> file = tools::WriteAlbum(Plan(16, 2), nullptr);
    file[4] = 24;
    for (int e = 0; e < 2; ++e) {
        uint8_t* r = &file[255 + 64 * e];
        uint32_t bytes = (r[2] | r[3] << 8) * (r[4] | r[5] << 8) * 3;
        r[6] = static_cast<uint8_t>(bytes);
        r[7] = static_cast<uint8_t>(bytes >> 8);
    }
    TAlbum album;
    album.SetPath(Write(file).c_str());
    ASSERT_EQ(album.ReadPicture(0, 1), 1);
    const GdlBitmap& p = album.Picture();
    std::vector<uint8_t> zero(12 * 5 * 3, 0);
    EXPECT_EQ(std::memcmp(p.surface, zero.data(), zero.size()), 0);
}

TEST_F(TAlbumTest, WriterRefusesWidthsThatAreNotMultiplesOfFour) {
    tools::AlbumPlan plan = Plan(8, 0);
    plan.entries[0].width = 6;
    plan.entries[0].frames = {std::vector<uint8_t>(18), std::vector<uint8_t>(18)};
    std::string error;
    EXPECT_TRUE(tools::WriteAlbum(plan, &error).empty());
    EXPECT_NE(error.find("multiple of 4"), std::string::npos);
}

TEST_F(TAlbumTest, ForeignOddWidthStaysInsideTheFrame) {
    // A 6-pixel-wide stored frame: rows of 4 pixels, 6 x 3 bytes long in
    // the directory; a reader of 6 pixels on the last row stays in memory
    // the album owns (checked by the sanitizer build).
    tools::AlbumPlan plan = Plan(24, 0);
    plan.entries.resize(1);
    plan.entries[0] = {4, 3, {Pattern(4 * 3 * 3, 5)}, 0};
    std::vector<uint8_t> file = tools::WriteAlbum(plan, nullptr);
    file[255 + 2] = 6; // width 6, frame stays 36 bytes (4-pixel rows)
    file.erase(file.begin() + 255 + 64 + 36, file.end());
    file[6] = file[7] = file[8] = file[9] = file[10] = file[11] = 0; // no palette
    for (bool image : {false, true}) {
        TAlbum album;
        album.SetPath(Write(file).c_str());
        if (image) album.Open();
        ASSERT_EQ(album.ReadPicture(0, 0), 1);
        const GdlBitmap& p = album.Picture();
        EXPECT_EQ(p.bytesPerLine, 12);
        uint32_t sum = 0;
        const uint8_t* last = p.surface + 2 * p.bytesPerLine;
        for (int i = 0; i < 6 * 3; ++i)
            sum += last[i];
        EXPECT_GE(sum, 0u);
        album.FreePicture();
        if (image) album.Close();
    }
}

TEST(TRleCodecTest, DecodersStopAtBothEnds) {
    TRleCodec codec;
    uint8_t out[4] = {};
    const uint8_t run[] = {0x85, 7};         // 5 copies into 4 bytes
    const uint8_t literal[] = {3, 1, 2};     // 3 literals, 2 given
    const uint8_t runNoValue[] = {0x82};     // run without its value
    const uint8_t ok[] = {0x82, 9, 2, 1, 2}; // 9 9 1 2
    EXPECT_EQ(codec.Decode8(run, out, 2, 4), 0);
    EXPECT_EQ(codec.Decode8(literal, out, 3, 4), 0);
    EXPECT_EQ(codec.Decode8(runNoValue, out, 1, 4), 0);
    ASSERT_EQ(codec.Decode8(ok, out, 5, 4), 1);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 4), (std::vector<uint8_t>{9, 9, 1, 2}));
    const uint8_t words[] = {0x02, 0x80, 0x34, 0x12}; // 2 x 0x1234
    uint8_t out16[4] = {};
    ASSERT_EQ(codec.Decode16(words, out16, 4, 4), 1);
    EXPECT_EQ(out16[2], 0x34);
    EXPECT_EQ(codec.Decode16(words, out16, 4, 2), 0);
    EXPECT_EQ(TRleCodec::FillPixel16(0, 255, 0), 0x07E0);
}

TEST(TRleCodecTest, FillComponentsRebuildEveryPixel) {
    for (uint32_t p = 0; p < 0x10000; p += 97) {
        auto c = tools::FillComponents(static_cast<uint16_t>(p));
        EXPECT_EQ(TRleCodec::FillPixel16(c[0], c[1], c[2]), p);
    }
}

} // namespace
