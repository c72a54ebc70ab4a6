// Picture albums: every packing and depth through the writer and back, the
// checks that keep a corrupt album from reading out of bounds, and the
// run-length decoders' bounds.

#include "AlbumWriter.h"
#include "CheckFixtures.h"
#include "ErrorProbe.h"
#include "LzwEncoder.h"
#include "TempDir.h"
#include "foundation/TCache.h"
#include "foundation/TError.h"
#include "media/resources/TAlbum.h"
#include "media/resources/TMetaImg.h"
#include "media/resources/TRleCodec.h"

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

// Albums checked against fixtures laid out byte by byte here (not by the
// album writer): the decoders' forms, header and directory fields, where
// stored and packed frames are found, the picture record, and the reports
// of damaged files.
namespace {

using check::Bytes;
using check::Put16;
using check::Put32;

struct Dir {
    uint16_t frames, width, height;
    uint32_t frameBytes, entryBytes;
    uint32_t first = 0;
    uint8_t c1 = 0, c2 = 0, c3 = 0, fill = 0, kerning = 0;
};

// Header and directory of an album; the caller appends palette, table and
// pixels and patches the offsets.
Bytes Alb(uint16_t version, uint8_t bits, uint8_t packing, const std::vector<Dir>& dir) {
    Bytes b(255 + 64 * dir.size(), 0);
    Put16(b, 0, version);
    Put16(b, 2, static_cast<uint32_t>(dir.size()));
    b[4] = bits;
    b[5] = packing;
    for (size_t e = 0; e < dir.size(); ++e) {
        size_t r = 255 + 64 * e;
        Put16(b, r, dir[e].frames);
        Put16(b, r + 2, dir[e].width);
        Put16(b, r + 4, dir[e].height);
        Put32(b, r + 6, dir[e].frameBytes);
        Put32(b, r + 10, dir[e].entryBytes);
        b[r + 14] = dir[e].kerning;
        Put32(b, r + 15, dir[e].first);
        b[r + 19] = dir[e].c1;
        b[r + 20] = dir[e].c2;
        b[r + 21] = dir[e].c3;
        b[r + 22] = dir[e].fill;
    }
    return b;
}

void Append(Bytes& b, const Bytes& more) {
    b.insert(b.end(), more.begin(), more.end());
}

// Places a palette of R, G, B triples at the end.
void AddPalette(Bytes& b, const Bytes& rgb) {
    Put32(b, 6, static_cast<uint32_t>(b.size()));
    Put16(b, 10, static_cast<uint32_t>(rgb.size()));
    Append(b, rgb);
}

// Appends packed frames and, behind them, the frame-offset table with its
// closing offset.
void AddPacked(Bytes& b, const std::vector<Bytes>& frames) {
    std::vector<uint32_t> offsets;
    for (const Bytes& f : frames) {
        offsets.push_back(static_cast<uint32_t>(b.size()));
        Append(b, f);
    }
    offsets.push_back(static_cast<uint32_t>(b.size()));
    Put32(b, 12, static_cast<uint32_t>(b.size()));
    Put16(b, 16, static_cast<uint32_t>(offsets.size() * 4));
    for (uint32_t o : offsets)
        Put32(b, b.size(), o);
}

Bytes Seq(size_t n, uint8_t from) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = static_cast<uint8_t>(from + i);
    return b;
}

Bytes Surface(const TAlbum& a, size_t n) {
    const uint8_t* s = a.Picture().surface;
    return s ? Bytes(s, s + n) : Bytes{};
}

class AlbumCheckTest : public check::MediaFixture {
protected:
    std::string Write(const Bytes& b, const char* ext = ".alb") {
        return dir.Write("c" + std::to_string(++serial) + ext, b);
    }
    testsupport::TempDir dir;
    int serial = 0;
};

// --- the run-length codec ------------------------------------------------

TEST(RleCodecCheckTest, EachDecoderReadsItsForm) {
    TRleCodec codec;
    struct Case {
        const char* what;
        int kind; // 8, 16, 24: Decode*, 1 and 2: DecodeRows8 and DecodeRows16
        Bytes packed;
        Bytes want;
    };
    const Case cases[] = {
        {"8: run then literals", 8, {0x83, 7, 0x02, 1, 2}, {7, 7, 7, 1, 2}},
        {"8: empty run and literal", 8, {0x80, 9, 0x00, 0x01, 5}, {5}},
        {"16: run then literals",
         16,
         {0x02, 0x80, 0x34, 0x12, 0x01, 0x00, 0xCD, 0xAB},
         {0x34, 0x12, 0x34, 0x12, 0xCD, 0xAB}},
        {"16: an odd last byte is ignored", 16, {0x01, 0x00, 0x11, 0x22, 0x99}, {0x11, 0x22}},
        {"24: run then literals", 24, {0x82, 1, 2, 3, 0x01, 4, 5, 6}, {1, 2, 3, 1, 2, 3, 4, 5, 6}},
        // Two rows behind a table of two words: fill 2, literal 1; literals 3.
        {"rows8",
         1,
         {0, 0, 0, 0, 0, 0, 0, 0, 0x02, 0x01, 9, 0, 0, 0x00, 0x03, 4, 5, 6, 0, 0},
         {0xEE, 0xEE, 9, 4, 5, 6}},
        {"rows16", 2, {0, 0, 0, 0, 0x01, 0x01, 0x34, 0x12, 0, 0}, {0xE0, 0x07, 0x34, 0x12}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes out(c.want.size() + 4, 0xAA);
        int32_t n = static_cast<int32_t>(c.packed.size()),
                room = static_cast<int32_t>(c.want.size());
        int ok = c.kind == 8    ? codec.Decode8(c.packed.data(), out.data(), n, room)
                 : c.kind == 16 ? codec.Decode16(c.packed.data(), out.data(), n, room)
                 : c.kind == 24 ? codec.Decode24(c.packed.data(), out.data(), n, room)
                 : c.kind == 1
                     ? codec.DecodeRows8(c.packed.data(), out.data(), 2, 0xEE, n, room)
                     : codec.DecodeRows16(c.packed.data(), out.data(), 1, 0, 255, 0, n, room);
        EXPECT_EQ(ok, 1);
        EXPECT_EQ(Bytes(out.begin(), out.begin() + room), c.want);
        EXPECT_EQ(out[room], 0xAA) << "wrote past the frame";
    }
    uint8_t untouched = 0x55;
    EXPECT_EQ(codec.Decode8(nullptr, &untouched, 0, 1), 1); // nothing to decode
    EXPECT_EQ(codec.Decode16(nullptr, &untouched, 1, 1), 1);
    EXPECT_EQ(untouched, 0x55);
}

TEST(RleCodecCheckTest, FillPixelOfTheThreeComponents) {
    struct Case {
        uint8_t c1, c2, c3;
        uint16_t want;
    };
    // The first component is shifted by 10 and cut to 16 bits, not masked to 5.
    const Case cases[] = {{0, 255, 0, 0x07E0}, {31, 0, 0, 0x7C00}, {255, 0, 0, 0xFC00},
                          {0, 0, 255, 0x001F}, {1, 4, 8, 0x0421},  {255, 255, 255, 0xFFFF}};
    for (const Case& c : cases)
        EXPECT_EQ(TRleCodec::FillPixel16(c.c1, c.c2, c.c3), c.want) << int(c.c1);
}

TEST(RleCodecCheckTest, DataRunningPastEitherEndIsRefused) {
    TRleCodec codec;
    uint8_t out[8] = {};
    struct Case {
        const char* what;
        int kind;
        Bytes packed;
        int32_t room;
    };
    const Case cases[] = {
        {"24: run past the frame", 24, {0x83, 1, 2, 3}, 8},
        {"24: literal pixel cut short", 24, {0x01, 1, 2}, 8},
        {"16: run without its pixel", 16, {0x02, 0x80}, 8},
        {"16: literals past the data", 16, {0x03, 0x00, 1, 2}, 8},
        {"rows8: row without its end word", 1, {0, 0, 0, 0, 0x02, 0x00}, 8},
        {"rows8: row table longer than the data", 1, {0, 0}, 8},
        {"rows8: literal past the data", 1, {0, 0, 0, 0, 0x00, 0x04, 1, 2}, 8},
        {"rows16: fill past the frame", 2, {0, 0, 0, 0, 0x05, 0x00, 0, 0}, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int32_t n = static_cast<int32_t>(c.packed.size());
        int ok = c.kind == 16   ? codec.Decode16(c.packed.data(), out, n, c.room)
                 : c.kind == 24 ? codec.Decode24(c.packed.data(), out, n, c.room)
                 : c.kind == 1  ? codec.DecodeRows8(c.packed.data(), out, 1, 0, n, c.room)
                                : codec.DecodeRows16(c.packed.data(), out, 1, 0, 0, 0, n, c.room);
        EXPECT_EQ(ok, 0);
    }
}

// --- header, directory and tables ---------------------------------------------

TEST_F(AlbumCheckTest, HeaderChecksAndTheirReports) {
    struct Case {
        const char* what;
        uint16_t version, entries;
        uint8_t bits;
        int32_t code; // 0: loads
        const char* message;
    };
    const Case cases[] = {
        {"version 100", 100, 1, 8, 48, "Version 1.0 or lower not supported."},
        {"version 101", 101, 1, 8, 0, nullptr},
        {"no entries", 200, 0, 8, 51, nullptr},
        {"32 bits", 200, 1, 32, 51, nullptr},
        {"depth 0 counts as 8", 200, 1, 0, 0, nullptr},
        {"16 bits", 200, 1, 16, 0, nullptr},
        {"24 bits", 200, 1, 24, 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TError::ClearLists();
        Bytes b = Alb(c.version, c.bits, 0, {{1, 4, 1, 12, 12}});
        Put16(b, 2, c.entries);
        Append(b, Bytes(12, 1));
        std::string path = Write(b);
        TAlbum a;
        a.SetPath(path.c_str());
        EXPECT_EQ(a.IsLoaded(), c.code == 0);
        TErrorRec* e = NewestError();
        ASSERT_EQ(e ? e->code : 0, c.code);
        if (!e) {
            EXPECT_EQ(a.BitsPerPixel(), c.bits ? c.bits : 8);
            continue;
        }
        EXPECT_STREQ(e->message.c_str(), c.message ? c.message : "-");
        EXPECT_EQ(std::string(e->object.c_str()), path);
        EXPECT_STREQ(e->source.c_str(), "Source\\TAlbum");
    }
}

TEST_F(AlbumCheckTest, ShortTablesLeaveTheAlbumUnloadedWithoutAReport) {
    // One 8-bit stored entry, a palette of two colours and (packed) a table.
    Bytes whole = Alb(200, 8, 3, {{1, 4, 1, 4, 0}});
    AddPacked(whole, {{0x84, 3}});
    AddPalette(whole, {1, 2, 3, 4, 5, 6});
    struct Case {
        const char* what;
        size_t keep;
    };
    const Case cases[] = {
        {"header", 200},
        {"directory", 255 + 40},
        {"palette", whole.size() - 2},
        {"frame-offset table", 255 + 64 + 2 + 5},
    };
    {
        TAlbum a;
        a.SetPath(Write(whole).c_str());
        ASSERT_TRUE(a.IsLoaded());
    }
    // The palette lies last; the table is placed before it for the last case.
    Bytes tableLast = Alb(200, 8, 3, {{1, 4, 1, 4, 0}});
    AddPalette(tableLast, {1, 2, 3});
    AddPacked(tableLast, {{0x84, 3}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TError::ClearLists();
        const Bytes& from = std::string(c.what) == "frame-offset table" ? tableLast : whole;
        size_t keep = std::string(c.what) == "frame-offset table" ? from.size() - 2 : c.keep;
        TAlbum a;
        a.SetPath(Write(Bytes(from.begin(), from.begin() + static_cast<long>(keep))).c_str());
        EXPECT_FALSE(a.IsLoaded());
        EXPECT_EQ(a.GetWidthOf(0, 0), 0);
        EXPECT_EQ(a.GetFrameCount(0), 0);
        EXPECT_EQ(NewestError(), nullptr);
    }
}

TEST_F(AlbumCheckTest, PaletteTableAndPixelFormatByDepth) {
    struct Case {
        uint8_t bits;
        GdlPixelFormat format;
    };
    const Case cases[] = {{8, {255, 255, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
                          {16, {31, 63, 31, 0, 11, 3, 5, 2, 0, 3, 0, 0}},
                          {24, {255, 255, 255, 0, 16, 0, 8, 0, 0, 0, 0, 0}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.bits));
        int32_t px = (c.bits + 1) / 8;
        Bytes b = Alb(200, c.bits, 0, {{1, 4, 1, uint32_t(4 * px), uint32_t(4 * px)}});
        Append(b, Bytes(4 * px, 0));
        Bytes rgb = Seq(301, 1); // 100 colours, a stray byte
        AddPalette(b, rgb);
        TAlbum a;
        a.SetPath(Write(b).c_str());
        ASSERT_EQ(a.ReadPicture(0, 0), 1);
        const GdlBitmap& p = a.Picture();
        // The album sets palette and format whatever the depth.
        ASSERT_EQ(p.palette, a.PaletteTable());
        ASSERT_NE(p.pixelFormat, nullptr);
        EXPECT_EQ(std::memcmp(p.pixelFormat, &c.format, sizeof c.format), 0);
        const GdlPaletteEntry& e = p.palette[99];
        EXPECT_EQ(e.blue, uint8_t(1 + 3 * 99 + 2));
        EXPECT_EQ(e.green, uint8_t(1 + 3 * 99 + 1));
        EXPECT_EQ(e.red, uint8_t(1 + 3 * 99));
        EXPECT_EQ(p.palette[100].red, 0);
        EXPECT_EQ(p.palette[0].blue, 3);
        a.FreePicture();
    }
}

// --- where frames are found ------------------------------------------------

TEST_F(AlbumCheckTest, StoredFramesFollowTheEntriesFields) {
    // 16 bits; entry 0 declares 40 bytes for its two 16-byte frames, so entry
    // 1 begins 8 bytes behind them.
    Bytes b = Alb(200, 16, 0, {{2, 4, 2, 16, 40}, {3, 8, 1, 16, 48}});
    Append(b, Seq(40, 0));
    Append(b, Seq(48, 100));
    for (bool image : {false, true}) {
        SCOPED_TRACE(image ? "memory image" : "file");
        TAlbum a;
        a.SetPath(Write(b).c_str());
        if (image) {
            ASSERT_EQ(a.Open(), 1);
        }
        ASSERT_EQ(a.ReadPicture(2, 1), 1);
        EXPECT_EQ(Surface(a, 16), Seq(16, 132));
        EXPECT_EQ(a.Picture().bytesPerLine, 16);
        EXPECT_EQ(a.Picture().width, 8);
        EXPECT_EQ(a.Picture().height, 1);
        EXPECT_EQ(a.Picture().bitsPerPixel, 16);
        EXPECT_EQ(a.GetData(), &a.Picture());
        if (image) {
            EXPECT_EQ(a.Picture().surface, a.MemoryImage() + 255 + 128 + 40 + 32);
            EXPECT_EQ(a.AlbumFlags() & TAlbum::kFrameHeld, 0u);
        } else {
            EXPECT_NE(a.AlbumFlags() & TAlbum::kFrameHeld, 0u);
        }
        EXPECT_EQ(a.GetWidth(), 8);
        a.FreePicture();
        EXPECT_EQ(a.GetData(), nullptr);
        EXPECT_EQ(a.Picture().surface, nullptr);
        EXPECT_EQ(a.Picture().width, 0);
        EXPECT_EQ(a.GetWidth(), 4); // no frame: entry 0
        EXPECT_EQ(a.GetHeight(), 2);
        ASSERT_EQ(a.ReadPicture(1, 0), 1);
        EXPECT_EQ(Surface(a, 16), Seq(16, 16));
        a.FreePicture();
        if (image) {
            a.Close();
            EXPECT_EQ(a.MemoryImage(), nullptr);
        }
    }
}

TEST_F(AlbumCheckTest, BytesPerLineTakeTheWidthDownToAMultipleOfFour) {
    struct Case {
        uint8_t bits;
        uint16_t width;
        int32_t stride;
    };
    const Case cases[] = {{8, 5, 4}, {8, 8, 8}, {16, 7, 8}, {24, 4, 12}, {24, 3, 0}, {24, 9, 24}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " bits, width " + std::to_string(c.width));
        uint32_t bytes = static_cast<uint32_t>(c.stride * 2);
        Bytes b = Alb(200, c.bits, 0, {{1, c.width, 2, bytes, bytes}});
        Append(b, Seq(bytes, 1));
        for (bool image : {false, true}) {
            TAlbum a;
            a.SetPath(Write(b).c_str());
            if (image) a.Open();
            ASSERT_EQ(a.ReadPicture(0, 0), 1);
            const GdlBitmap& p = a.Picture();
            EXPECT_EQ(p.bytesPerLine, c.stride);
            // A reader of `width` pixels on the last row stays in memory the
            // album owns (the sanitizer build checks it).
            int32_t px = (c.bits + 1) / 8, sum = 0;
            for (int32_t i = 0; i < c.width * px; ++i)
                sum += p.surface[p.bytesPerLine + i];
            EXPECT_GE(sum, 0);
            a.FreePicture();
        }
    }
}

TEST_F(AlbumCheckTest, PackedFramesFollowTheOffsetTable) {
    // Entry 1's first frame sits at index 1 of the table; index 0 is entry 0.
    struct Case {
        const char* what;
        uint8_t bits, packing;
        Dir entry;
        Bytes packed, want;
    };
    const Case cases[] = {
        {"rle 8", 8, 3, {1, 4, 1, 4, 0}, {0x82, 7, 0x02, 1, 2}, {7, 7, 1, 2}},
        {"rle 16",
         16,
         3,
         {1, 4, 1, 8, 0},
         {0x04, 0x80, 0x22, 0x11},
         {0x22, 0x11, 0x22, 0x11, 0x22, 0x11, 0x22, 0x11}},
        {"rle 24", 24, 3, {1, 4, 1, 12, 0}, {0x84, 1, 2, 3}, {1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3}},
        {"skip-fill 8",
         8,
         2,
         {1, 4, 1, 4, 0, 0, 0, 0, 0, 0x5A},
         {0, 0, 0, 0, 0x02, 0x02, 8, 9, 0, 0},
         {0x5A, 0x5A, 8, 9}},
        {"skip-fill 16",
         16,
         2,
         {1, 4, 1, 8, 0, 0, 255, 0, 0},
         {0, 0, 0, 0, 0x03, 0x01, 0x34, 0x12, 0, 0},
         {0x00, 0xFC, 0x00, 0xFC, 0x00, 0xFC, 0x34, 0x12}},
        {"skip-fill 24: zeroed",
         24,
         2,
         {1, 4, 1, 12, 0},
         {0, 0, 0, 0, 0x04, 0x00, 0, 0},
         Bytes(12, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Dir second = c.entry;
        second.first = 1;
        Bytes b = Alb(200, c.bits, c.packing, {{1, 4, 1, c.entry.frameBytes, 0}, second});
        Bytes other(1, 0); // entry 0: one empty-ish frame
        other = c.bits == 8    ? Bytes{0x84, 0}
                : c.bits == 16 ? Bytes{0x04, 0x80, 0, 0}
                               : Bytes{0x84, 0, 0, 0};
        if (c.packing == 2) other = Bytes{0, 0, 0, 0, uint8_t(4), 0, 0, 0};
        AddPacked(b, {other, c.packed});
        for (bool image : {false, true}) {
            TAlbum a;
            a.SetPath(Write(b).c_str());
            if (image) a.Open();
            ASSERT_EQ(a.ReadPicture(0, 1), 1);
            EXPECT_EQ(Surface(a, c.want.size()), c.want);
            EXPECT_NE(a.AlbumFlags() & TAlbum::kFrameHeld, 0u);
            a.FreePicture();
        }
        EXPECT_EQ(NewestError(), nullptr);
    }
}

TEST_F(AlbumCheckTest, LzwFramesThroughTheSwapFile) {
    Bytes pixels = Seq(24, 3);
    Bytes b = Alb(200, 8, 1, {{2, 8, 3, 24, 0}});
    AddPacked(b, {tools::EncodeLzw(pixels.data(), 24), tools::EncodeLzw(Bytes(24, 9).data(), 24)});
    for (bool image : {false, true}) {
        TAlbum a;
        a.SetPath(Write(b).c_str());
        if (image) a.Open();
        ASSERT_EQ(a.ReadPicture(0, 0), 1);
        EXPECT_EQ(Surface(a, 24), pixels);
        a.FreePicture();
        ASSERT_EQ(a.ReadPicture(1, 0), 1);
        EXPECT_EQ(Surface(a, 24), Bytes(24, 9));
        a.FreePicture();
        if (image) a.Close();
    }
}

// --- damage ---------------------------------------------------------------

TEST_F(AlbumCheckTest, DamagedFramesAreCorruptAndGiveNoFrame) {
    struct Case {
        const char* what;
        uint8_t packing;
        Bytes (*make)();
        int32_t frame;
        bool loads;
    };
    const Case cases[] = {
        {"closing offset missing", 3,
         [] {
             Bytes b = Alb(200, 8, 3, {{2, 4, 1, 4, 0}});
             AddPacked(b, {{0x84, 1}, {0x84, 2}});
             Put16(b, 16, 8); // only two offsets: frame 1 has no end
             return b;
         },
         1, true},
        {"offset past the end of the file", 3,
         [] {
             Bytes b = Alb(200, 8, 3, {{1, 4, 1, 4, 0}});
             AddPacked(b, {{0x84, 1}});
             Put32(b, b.size() - 4, 100000);
             return b;
         },
         0, true},
        {"first index past the table", 3,
         [] {
             Bytes b = Alb(200, 8, 3, {{1, 4, 1, 4, 0, 0x7FFFFFFF}});
             AddPacked(b, {{0x84, 1}});
             return b;
         },
         0, true},
        {"stored frame past the end", 0,
         [] {
             Bytes b = Alb(200, 8, 0, {{2, 4, 1, 4, 8}});
             Append(b, Bytes(6, 1));
             return b;
         },
         1, true},
        {"frame smaller than its rows", 0,
         [] {
             Bytes b = Alb(200, 16, 0, {{1, 4, 2, 15, 15}});
             Append(b, Bytes(16, 1));
             return b;
         },
         0, false},
        {"skip-fill row past the frame", 2,
         [] {
             Bytes b = Alb(200, 8, 2, {{1, 4, 1, 4, 0}});
             AddPacked(b, {{0, 0, 0, 0, 0x05, 0x00, 0, 0}});
             return b;
         },
         0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TError::ClearLists();
        TAlbum a;
        a.SetPath(Write(c.make()).c_str());
        ASSERT_EQ(a.IsLoaded(), c.loads);
        if (c.loads) {
            EXPECT_EQ(a.ReadPicture(c.frame, 0), 0);
            EXPECT_EQ(a.GetData(), nullptr);
            EXPECT_EQ(a.AlbumFlags() & TAlbum::kFrameHeld, 0u);
        }
        TErrorRec* e = NewestError();
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->code, 51);
        EXPECT_STREQ(e->source.c_str(), "Source\\TAlbum");
    }
}

TEST_F(AlbumCheckTest, IndexesOutOfRangeAnswerZeroWithoutAReport) {
    Bytes b = Alb(200, 8, 0, {{2, 4, 1, 4, 8}});
    Append(b, Bytes(8, 1));
    TAlbum a;
    a.SetPath(Write(b).c_str());
    const std::pair<int32_t, int32_t> bad[] = {{2, 0}, {-1, 0}, {0, 1}, {0, -1}};
    for (auto [frame, entry] : bad)
        EXPECT_EQ(a.ReadPicture(frame, entry), 0) << frame << "," << entry;
    EXPECT_EQ(a.GetFrameCount(0), 2);
    EXPECT_EQ(a.GetFrameCount(1), 0);
    EXPECT_EQ(a.GetHeightOf(0, -1), 0);
    ASSERT_EQ(a.ReadPicture(1, 0), 1);
    EXPECT_EQ(a.ReadPicture(0, 0), 0); // one frame at a time
    a.FreePicture();
    EXPECT_EQ(NewestError(), nullptr);
    TAlbum none;
    EXPECT_FALSE(none.IsLoaded());
    EXPECT_EQ(none.GetWidth(), 0);
}

// A picture in use keeps its album's tables: renaming the picture while a
// frame is locked takes effect once it is unlocked.
TEST_F(AlbumCheckTest, RenamingWhileAFrameIsLockedKeepsTheTables) {
    Bytes first = Alb(200, 8, 3, {{1, 4, 1, 4, 0}});
    AddPalette(first, {10, 20, 30});
    AddPacked(first, {{0x84, 1}});
    Bytes second = Alb(200, 8, 3, {{1, 8, 2, 16, 0}});
    AddPalette(second, {40, 50, 60});
    AddPacked(second, {{0x90, 2}});
    TMetaImg pic;
    pic.SetPath(Write(first).c_str());
    ASSERT_EQ(pic.Lock(0, 0), 1);
    const GdlBitmap* held = static_cast<const GdlBitmap*>(pic.GetData());
    pic.SetPath(Write(second).c_str());
    EXPECT_EQ(pic.GetWidth(), 4);
    EXPECT_EQ(held->palette[0].red, 10); // still the first album's table
    EXPECT_EQ(held->palette, pic.PaletteTable());
    pic.Unlock();
    EXPECT_EQ(pic.GetWidth(), 8);
    ASSERT_EQ(pic.Lock(0, 0), 1);
    EXPECT_EQ(static_cast<const GdlBitmap*>(pic.GetData())->palette[0].red, 40);
    pic.Unlock();
}

} // namespace
