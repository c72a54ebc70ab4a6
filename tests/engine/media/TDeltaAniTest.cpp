// Delta animations: every depth and width through the writer and back, the
// sizes of unchanged and all-changed frames, rewinding, the trailer, and the
// files a reader must refuse without reading out of bounds.

#include "CheckFixtures.h"
#include "ErrorProbe.h"
#include "TempDir.h"
#include "foundation/TError.h"
#include "media/animation/TDeltaAni.h"
#include "media/animation/TDeltaCodec.h"
#include "media/animation/TMetaAni.h"
#include "platform/ByteStream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

const GdlPixelFormat kFormat565 = {31, 63, 31, 0, 11, 3, 5, 2, 0, 3, 0, 0};
const GdlPixelFormat kFormat555 = {31, 31, 31, 1, 10, 3, 5, 3, 0, 3, 15, 7};
const GdlPixelFormat kFormat888 = {255, 255, 255, 0, 16, 0, 8, 0, 0, 0, 0, 0};

// A picture in rows of width x bytes per pixel, with a gap behind each row
// that must never reach the file.
struct Picture {
    int32_t width, height, bits, pitch;
    std::vector<uint8_t> bytes;
    GdlPixelFormat format;
    GdlBitmap Record() { return {width, height, bits, pitch, bytes.data(), nullptr, &format}; }
    int32_t RowBytes() const { return width * ((bits + 1) / 8); }
};

Picture MakePicture(int32_t width, int32_t height, int32_t bits, const GdlPixelFormat& format,
                    int frame) {
    Picture p{width, height, bits, 0, {}, format};
    p.pitch = p.RowBytes() + 3;
    p.bytes.assign(size_t(p.pitch) * height, 0xEE);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t i = 0; i < p.RowBytes(); ++i)
            // Frame 1 changes the odd rows only; frame 2 repeats frame 1.
            p.bytes[size_t(y) * p.pitch + i] =
                static_cast<uint8_t>(i * 7 + y * 13 + ((frame >= 1 && (y & 1)) ? 100 : 0) + 1);
    return p;
}

std::vector<uint8_t> Rows(const GdlBitmap& b) {
    std::vector<uint8_t> out;
    const int32_t rowBytes = b.width * ((b.bitsPerPixel + 1) / 8);
    for (int32_t y = 0; y < b.height; ++y)
        out.insert(out.end(), b.surface + size_t(y) * b.bytesPerLine,
                   b.surface + size_t(y) * b.bytesPerLine + rowBytes);
    return out;
}

std::vector<uint8_t> Rows(Picture& p) {
    GdlBitmap b = p.Record();
    return Rows(b);
}

// The byte count of each frame of a file, walking from its start.
std::vector<uint32_t> FrameSizes(const std::vector<uint8_t>& file) {
    std::vector<uint32_t> sizes;
    platform::ByteReader r(file.data(), file.size() - TDeltaAni::kTrailerSize);
    while (!r.AtEnd()) {
        uint32_t n = r.U32();
        if (!r.Skip(n)) break;
        sizes.push_back(n);
    }
    return sizes;
}

std::vector<uint8_t> Words(std::initializer_list<uint32_t> words) {
    std::vector<uint8_t> out;
    platform::ByteWriter w(out);
    for (uint32_t v : words)
        w.U32(v);
    return out;
}

class TDeltaAniTest : public ::testing::Test {
protected:
    std::string Record(std::vector<Picture>& frames, float rate = 12.5f,
                       const std::string& name = "film.dla") {
        std::string path = dir.File(name);
        TDeltaAni ani;
        ani.SetPath(path.c_str());
        EXPECT_EQ(ani.Open(2), 1);
        ani.SetRate(rate);
        for (size_t i = 0; i < frames.size(); ++i) {
            GdlBitmap b = frames[i].Record();
            ani.SetPixelFormat(&b);
            EXPECT_EQ(ani.WriteFrame(int32_t(i)), 1);
        }
        EXPECT_EQ(ani.Close(), 1);
        return path;
    }
    int32_t LastCode() {
        TErrorRec* e = NewestError();
        return e ? e->code : 0;
    }

    testsupport::TempDir dir;
};

struct Depth {
    int32_t bits;
    const GdlPixelFormat* format;
};

TEST_F(TDeltaAniTest, EveryDepthAndWidthRoundTrips) {
    const Depth depths[] = {{8, &kFormat888},  {16, &kFormat565}, {16, &kFormat555},
                            {15, &kFormat555}, {24, &kFormat888}, {32, &kFormat888}};
    for (const Depth& d : depths)
        for (int32_t width = 1; width <= 33; ++width) {
            SCOPED_TRACE(std::to_string(d.bits) + " bits, width " + std::to_string(width));
            std::vector<Picture> frames;
            for (int f = 0; f < 3; ++f)
                frames.push_back(MakePicture(width, 4, d.bits, *d.format, f));
            std::string path = Record(frames);
            TDeltaAni ani;
            ani.SetPath(path.c_str());
            ASSERT_EQ(ani.Open(1), 1);
            EXPECT_EQ(ani.GetFrameCount(), 3);
            for (int f = 0; f < 3; ++f) {
                ASSERT_EQ(ani.ReadFrame(f), 1);
                GdlBitmap* b = ani.GetPixelFormat();
                ASSERT_NE(b, nullptr);
                EXPECT_EQ(b->bitsPerPixel, d.bits);
                EXPECT_EQ(b->bytesPerLine, frames[f].RowBytes());
                EXPECT_EQ(std::memcmp(b->pixelFormat, d.format, sizeof(GdlPixelFormat)), 0);
                ASSERT_EQ(Rows(*b), Rows(frames[f])) << "frame " << f;
            }
            EXPECT_EQ(ani.ReadFrame(3), 0);
        }
}

TEST_F(TDeltaAniTest, FrameSizesTrailerAndRewind) {
    const int32_t width = 10, height = 6; // 20 bytes a row at 16 bits: 5 words
    std::vector<Picture> frames;
    for (int f = 0; f < 3; ++f)
        frames.push_back(MakePicture(width, height, 16, kFormat565, f));
    frames.push_back(MakePicture(width, height, 16, kFormat565, 0));
    for (uint8_t& b : frames[3].bytes)
        b = static_cast<uint8_t>(~b); // every word changed
    TDeltaAni writer;
    std::string path = dir.File("sizes.dla");
    writer.SetPath(path.c_str());
    ASSERT_EQ(writer.Open(2), 1);
    writer.SetRate(5.0f);
    for (size_t i = 0; i < frames.size(); ++i) {
        GdlBitmap b = frames[i].Record();
        writer.SetPixelFormat(&b);
        ASSERT_EQ(writer.WriteFrame(int32_t(i)), 1);
    }
    writer.SetRate(7.5f);
    ASSERT_EQ(writer.Close(), 1);
    ASSERT_TRUE(std::filesystem::exists(path)); // closing keeps the file

    std::vector<uint8_t> file = testsupport::TempDir::Read(path);
    const uint32_t full = height * (5 + 2) * 4;
    EXPECT_EQ(FrameSizes(file),
              (std::vector<uint32_t>{full, full - 4 * 5 * 3 + 4 * 0, 8 * height, full}));
    // The all-changed frame: one run word of 5 changed words per row.
    platform::ByteReader r(file);
    r.Seek(4 + full + 4 + FrameSizes(file)[1] + 4 + 8 * height + 4);
    EXPECT_EQ(r.U32(), 5u << 16);
    platform::ByteReader trailer(file.data() + file.size() - 68, 68);
    trailer.Skip(48);
    uint32_t rateBits = trailer.U32();
    float rate;
    std::memcpy(&rate, &rateBits, 4);
    EXPECT_EQ(rate, 7.5f);
    EXPECT_EQ(trailer.S32(), width);
    EXPECT_EQ(trailer.S32(), height);
    EXPECT_EQ(trailer.S32(), 16);
    EXPECT_EQ(trailer.S32(), 4);

    TDeltaAni ani;
    ani.SetPath(path.c_str());
    ASSERT_EQ(ani.Open(1), 1);
    EXPECT_EQ(ani.GetRate(), 7.5f);
    for (int f = 0; f < 3; ++f)
        ASSERT_EQ(ani.ReadFrame(f), 1);
    ASSERT_EQ(ani.ReadFrame(0), 1);
    EXPECT_EQ(Rows(*ani.GetPixelFormat()), Rows(frames[0]));
    ASSERT_EQ(ani.ReadFrame(1), 1);
    EXPECT_EQ(Rows(*ani.GetPixelFormat()), Rows(frames[1]));
}

TEST_F(TDeltaAniTest, OpensAreCountedOnlyWhenTheySucceed) {
    std::string path = dir.File("late.dla");
    TDeltaAni ani;
    ani.SetPath(path.c_str());
    EXPECT_EQ(ani.Open(1), 0); // not there yet
    EXPECT_EQ(ani.LoadCount(), 0);
    std::vector<Picture> frames = {MakePicture(4, 2, 8, kFormat888, 0)};
    Record(frames, 10.0f, "late.dla");
    ASSERT_EQ(ani.Open(1), 1);
    EXPECT_EQ(ani.Open(1), 0); // only the first open
    EXPECT_EQ(ani.LoadCount(), 1);
    ani.Close();
    EXPECT_EQ(ani.LoadCount(), 0);
    EXPECT_EQ(ani.GetMode(), 0);
}

TEST_F(TDeltaAniTest, TheFirstFrameSetsTheSize) {
    TDeltaAni ani;
    std::string path = dir.File("sized.dla");
    ani.SetPath(path.c_str());
    ASSERT_EQ(ani.Open(2), 1);
    Picture a = MakePicture(6, 3, 8, kFormat888, 0), b = MakePicture(7, 3, 8, kFormat888, 0);
    GdlBitmap ra = a.Record(), rb = b.Record();
    ani.SetPixelFormat(&ra);
    EXPECT_EQ(ani.WriteFrame(4), 1); // whatever its index
    ani.SetPixelFormat(&rb);
    EXPECT_EQ(ani.WriteFrame(5), 0);
    EXPECT_EQ(ani.WriteFrame(0), 0);
    ani.SetPixelFormat(&ra);
    EXPECT_EQ(ani.WriteFrame(6), 1);
    ani.Close();
    TDeltaAni reader;
    reader.SetPath(path.c_str());
    ASSERT_EQ(reader.Open(1), 1);
    EXPECT_EQ(reader.GetWidth(), 6);
    EXPECT_EQ(reader.GetFrameCount(), 2);
}

// Files written with whole words a row, cut down: the last pixels of a row
// that does not fill its last word were never stored, but the rest decodes.
TEST_F(TDeltaAniTest, OlderFilesWithRowsCutDownStillDecode) {
    std::vector<uint8_t> file;
    platform::ByteWriter w(file);
    const int32_t width = 5, height = 2; // 8 bits: one whole word, one byte lost
    w.U32(height * 12);
    for (int32_t y = 0; y < height; ++y) {
        w.U32(1u << 16);
        w.U32(0x04030201u + uint32_t(y));
        w.U32(0);
    }
    w.Zeros(48);
    w.U32(0x41200000); // 10.0f
    w.S32(width);
    w.S32(height);
    w.S32(8);
    w.S32(1);
    std::string path = dir.Write("old.dla", file);
    TDeltaAni ani;
    ani.SetPath(path.c_str());
    ASSERT_EQ(ani.Open(1), 1);
    ASSERT_EQ(ani.ReadFrame(0), 1);
    EXPECT_EQ(Rows(*ani.GetPixelFormat()), (std::vector<uint8_t>{1, 2, 3, 4, 0, 2, 2, 3, 4, 0}));
}

// A first frame that skips words relies on a cleared previous frame, also
// when it is read again after a rewind.
TEST_F(TDeltaAniTest, RewindingClearsThePreviousFrame) {
    std::vector<uint8_t> file = Words({12, 1u << 16 | 1, 0xAABBCCDD, 0, 16, 2u << 16, 1, 2, 0});
    platform::ByteWriter w(file);
    w.Zeros(52);
    w.S32(8);
    w.S32(1);
    w.S32(8);
    w.S32(2);
    TDeltaAni ani;
    const std::string path = dir.Write("skips.dla", file);
    ani.SetPath(path.c_str());
    ASSERT_EQ(ani.Open(1), 1);
    const std::vector<uint8_t> first = {0, 0, 0, 0, 0xDD, 0xCC, 0xBB, 0xAA};
    ASSERT_EQ(ani.ReadFrame(0), 1);
    EXPECT_EQ(Rows(*ani.GetPixelFormat()), first);
    ASSERT_EQ(ani.ReadFrame(1), 1);
    EXPECT_EQ(Rows(*ani.GetPixelFormat()), (std::vector<uint8_t>{1, 0, 0, 0, 2, 0, 0, 0}));
    ASSERT_EQ(ani.ReadFrame(0), 1);
    EXPECT_EQ(Rows(*ani.GetPixelFormat()), first);
}

struct Hostile {
    const char* name;
    std::vector<uint8_t> bytes;
    bool opens; // else the open is refused
};

std::vector<uint8_t> WithTrailer(std::vector<uint8_t> frames, int32_t width, int32_t height,
                                 int32_t bits, int32_t count) {
    platform::ByteWriter w(frames);
    w.Zeros(52);
    w.S32(width);
    w.S32(height);
    w.S32(bits);
    w.S32(count);
    return frames;
}

TEST_F(TDeltaAniTest, HostileFilesAreRefused) {
    // 4 x 2 at 8 bits: one word a row.
    const Hostile cases[] = {
        {"under 68 bytes", std::vector<uint8_t>(67, 0), false},
        {"2^30 x 2^30", WithTrailer({}, 1 << 30, 1 << 30, 32, 1), false},
        {"no width", WithTrailer({}, 0, 2, 8, 1), false},
        {"12 bits", WithTrailer({}, 4, 2, 12, 1), false},
        {"negative count", WithTrailer({}, 4, 2, 8, -1), false},
        {"run past the row", WithTrailer(Words({16, 2u << 16, 1, 2, 0, 0}), 4, 2, 8, 1), true},
        {"skip past the row", WithTrailer(Words({12, 2, 0, 0}), 4, 2, 8, 1), true},
        {"changed words past the frame", WithTrailer(Words({8, 0, 9u << 16}), 4, 2, 8, 1), true},
        {"rows missing", WithTrailer(Words({8, 1u << 16, 7}), 4, 2, 8, 1), true},
        {"byte count 0x7FFFFFF0", WithTrailer(Words({0x7FFFFFF0, 0, 0}), 4, 2, 8, 1), true},
        {"count past the file", WithTrailer(Words({16, 0, 0}), 4, 2, 8, 1), true},
        {"more frames than stored", WithTrailer(Words({8, 0, 0}), 4, 2, 8, 2), true},
    };
    for (const Hostile& c : cases) {
        SCOPED_TRACE(c.name);
        TError::ClearLists();
        std::string path = dir.Write(std::string(c.name) + ".dla", c.bytes);
        TDeltaAni ani;
        ani.SetPath(path.c_str());
        if (!c.opens) {
            EXPECT_EQ(ani.Open(1), 0);
            EXPECT_EQ(LastCode(), 55);
            EXPECT_EQ(ani.LoadCount(), 0);
            continue;
        }
        ASSERT_EQ(ani.Open(1), 1);
        GdlBitmap* b = ani.GetPixelFormat();
        ASSERT_NE(b, nullptr);
        std::vector<uint8_t> before = Rows(*b);
        int read = 0;
        while (read < 2 && ani.ReadFrame(read))
            ++read;
        EXPECT_LT(read, ani.GetFrameCount());
        EXPECT_EQ(LastCode(), 55);
        ASSERT_NE(NewestError(), nullptr);
        EXPECT_STREQ(NewestError()->object.c_str(), path.c_str());
        if (read == 0) {
            EXPECT_EQ(Rows(*ani.GetPixelFormat()), before);
        }
    }
}

TEST(TDeltaCodec, ChecksBeforeApplying) {
    // A row of 3 words whose second run reaches one word past the row.
    std::vector<uint8_t> rows = Words({1u << 16, 5, 1u << 16 | 1, 6, 0});
    EXPECT_TRUE(TDeltaCodec::CheckFrame(rows.data(), rows.size(), 1, 3));
    EXPECT_FALSE(TDeltaCodec::CheckFrame(rows.data(), rows.size(), 1, 2));
    EXPECT_FALSE(TDeltaCodec::CheckFrame(rows.data(), rows.size() - 4, 1, 3));
    uint32_t previous[3] = {9, 9, 9};
    TDeltaCodec::ApplyFrame(rows.data(), 1, 3, previous);
    EXPECT_EQ(previous[0], 5u);
    EXPECT_EQ(previous[1], 9u);
    EXPECT_EQ(previous[2], 6u);
}

} // namespace

// Delta animations checked against the format itself: whole files compared
// with a plain model of the row encoding, files laid out byte by byte and
// read back, the trailer, the open and close rules and the files a reader
// must refuse.
namespace {
namespace deltacheck {

using check::Bytes;

void Word(Bytes& b, uint32_t v) {
    check::Put32(b, b.size(), v);
}

uint32_t At32(const Bytes& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

int32_t CellBytes(int32_t bits) {
    return bits == 15 ? 2 : bits / 8;
}

// The 48-byte block of the trailer: any bytes travel unchanged.
GdlPixelFormat OddBlock() {
    GdlPixelFormat f;
    uint8_t bytes[48];
    for (int i = 0; i < 48; ++i)
        bytes[i] = uint8_t(0x30 + i * 5);
    std::memcpy(&f, bytes, 48);
    return f;
}

Bytes Trailer(const GdlPixelFormat& block, float rate, int32_t width, int32_t height, int32_t bits,
              int32_t count) {
    Bytes b(48);
    std::memcpy(b.data(), &block, 48);
    uint32_t r;
    std::memcpy(&r, &rate, 4);
    Word(b, r);
    Word(b, uint32_t(width));
    Word(b, uint32_t(height));
    Word(b, uint32_t(bits));
    Word(b, uint32_t(count));
    return b;
}

// One row as whole 32-bit words, the last one padded with zero bytes.
Bytes Padded(const uint8_t* row, int32_t rowBytes) {
    Bytes b(row, row + rowBytes);
    b.resize((b.size() + 3) / 4 * 4, 0);
    return b;
}

// The row encoding as the format describes it, kept plain: runs of
// unchanged then changed words, a run word before each, a 0 word last.
Bytes EncodeRow(Bytes& previous, const Bytes& current, bool full) {
    const size_t words = current.size() / 4;
    Bytes out;
    auto same = [&](size_t i) { return std::memcmp(&previous[4 * i], &current[4 * i], 4) == 0; };
    if (full) {
        Word(out, uint32_t(words) << 16);
        out.insert(out.end(), current.begin(), current.end());
    } else {
        size_t pos = 0;
        do {
            const size_t slot = out.size();
            Word(out, 0);
            uint32_t skipped = 0, changed = 0;
            for (; pos < words && same(pos); ++pos)
                ++skipped;
            for (; pos < words && !same(pos); ++pos, ++changed)
                out.insert(out.end(), &current[4 * pos], &current[4 * pos] + 4);
            check::Put32(out, slot, changed << 16 | skipped);
        } while (pos < words);
    }
    Word(out, 0);
    previous = current;
    return out;
}

// A picture with a junk gap behind every row.
struct Picture {
    int32_t width, height, bits, pitch;
    Bytes bytes;
    GdlPixelFormat block;
    GdlBitmap Record() { return {width, height, bits, pitch, bytes.data(), nullptr, &block}; }
    int32_t RowBytes() const { return width * CellBytes(bits); }
    const uint8_t* Row(int32_t y) const { return bytes.data() + size_t(y) * pitch; }
};

// Frame `f` of a sequence: frame 1 repeats frame 0, the others change a
// scattering of bytes, frame 4 every byte.
Picture Frame(int32_t width, int32_t height, int32_t bits, int f) {
    Picture p{width, height, bits, 0, {}, OddBlock()};
    p.pitch = p.RowBytes() + 5;
    p.bytes.assign(size_t(p.pitch) * height, 0xEE);
    const int shown = f == 1 ? 0 : f;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t i = 0; i < p.RowBytes(); ++i) {
            const bool touched = shown == 4 || (shown > 0 && (i * 7 + y * 3 + shown) % 5 == 0);
            p.bytes[size_t(y) * p.pitch + i] =
                uint8_t(i * 11 + y * 17 + 1 + (touched ? 40 * shown : 0));
        }
    return p;
}

Bytes PictureRows(const GdlBitmap& b, int32_t rowBytes) {
    Bytes out;
    for (int32_t y = 0; y < b.height; ++y)
        out.insert(out.end(), b.surface + size_t(y) * b.bytesPerLine,
                   b.surface + size_t(y) * b.bytesPerLine + rowBytes);
    return out;
}

class DeltaCheckTest : public check::MediaFixture {
protected:
    int32_t LastCode() {
        TErrorRec* e = NewestError();
        return e ? e->code : 0;
    }
    testsupport::TempDir dir;
};

// The whole file, byte for byte: a byte count and the encoded rows per frame,
// the first frame all-changed, the padding of a row that ends inside a word
// zero, the caller's row gap never stored, and the trailer.
TEST_F(DeltaCheckTest, WrittenFilesMatchTheFormatByteForByte) {
    const int32_t depths[] = {8, 15, 16, 24, 32};
    for (int32_t bits : depths)
        for (int32_t width : {1, 2, 3, 5, 7, 13}) {
            SCOPED_TRACE(std::to_string(bits) + " bits, width " + std::to_string(width));
            const int32_t height = 3;
            std::vector<Picture> frames;
            for (int f = 0; f < 5; ++f)
                frames.push_back(Frame(width, height, bits, f));
            const std::string path =
                dir.File("w" + std::to_string(bits) + "_" + std::to_string(width) + ".dla");
            TDeltaAni ani;
            ani.SetPath(path.c_str());
            ASSERT_EQ(ani.Open(2), 1);
            ani.SetRate(3.0f);
            Bytes expected;
            std::vector<Bytes> previous(height);
            for (size_t f = 0; f < frames.size(); ++f) {
                GdlBitmap record = frames[f].Record();
                ani.SetPixelFormat(&record);
                ASSERT_EQ(ani.WriteFrame(int32_t(f)), 1);
                Bytes rows;
                for (int32_t y = 0; y < height; ++y) {
                    if (f == 0)
                        previous[y].assign(Padded(frames[f].Row(y), frames[f].RowBytes()).size(),
                                           0);
                    const Bytes enc = EncodeRow(
                        previous[y], Padded(frames[f].Row(y), frames[f].RowBytes()), f == 0);
                    rows.insert(rows.end(), enc.begin(), enc.end());
                }
                Word(expected, uint32_t(rows.size()));
                expected.insert(expected.end(), rows.begin(), rows.end());
            }
            ani.SetRate(6.25f);
            EXPECT_EQ(ani.GetFrameCount(), 5);
            ASSERT_EQ(ani.Close(), 1);
            const Bytes trailer = Trailer(OddBlock(), 6.25f, width, height, bits, 5);
            expected.insert(expected.end(), trailer.begin(), trailer.end());
            EXPECT_EQ(testsupport::TempDir::Read(path), expected);
        }
}

// The sizes the format promises: an unchanged frame is 8 bytes a row, an
// all-changed one a run word, the row and a 0 word; a later WriteFrame(0)
// stores a full frame again.
TEST_F(DeltaCheckTest, UnchangedAllChangedAndRepeatedFullFrames) {
    const int32_t width = 6, height = 4, bits = 32; // 6 words a row
    Picture a = Frame(width, height, bits, 0), b = Frame(width, height, bits, 4);
    const std::string path = dir.File("sizes.dla");
    TDeltaAni ani;
    ani.SetPath(path.c_str());
    ASSERT_EQ(ani.Open(2), 1);
    const std::pair<Picture*, int32_t> writes[] = {{&a, 0}, {&a, 1}, {&b, 2}, {&b, 0}};
    for (auto [picture, index] : writes) {
        GdlBitmap r = picture->Record();
        ani.SetPixelFormat(&r);
        ASSERT_EQ(ani.WriteFrame(index), 1);
    }
    ani.Close();
    const Bytes file = testsupport::TempDir::Read(path);
    const uint32_t full = height * (6 + 2) * 4;
    size_t at = 0;
    for (uint32_t size : {full, uint32_t(8 * height), full, full}) {
        ASSERT_LT(at + 4, file.size());
        EXPECT_EQ(At32(file, at), size);
        at += 4 + At32(file, at);
    }
    // The unchanged frame: (0 << 16 | 6) and 0 per row; the last frame repeats
    // the one before but is stored whole.
    const size_t second = 4 + full + 4;
    EXPECT_EQ(At32(file, second), 6u);
    EXPECT_EQ(At32(file, second + 4), 0u);
    EXPECT_EQ(At32(file, at - full), 6u << 16);
    EXPECT_EQ(at + 68, file.size());
}

// A file laid out by hand: 3 pixels of 16 bits a row (6 bytes, two words
// with padding), a first frame that skips words, later ones that skip and
// change; read through the delta part and through the animation resource.
TEST_F(DeltaCheckTest, HandMadeFilesDecode) {
    Bytes file;
    const uint32_t frames[][9] = {
        // row 0: skip 1, 1 changed; row 1: 2 changed
        {7 * 4, 1u << 16 | 1, 0x0000BBAA, 0, 2u << 16, 0x44332211, 0x00006655, 0},
        // row 0: 1 changed, then the unchanged rest; row 1 unchanged
        {6 * 4, 1u << 16, 0x0D0C0B0A, 1, 0, 2, 0},
    };
    for (const auto& f : frames) {
        const size_t words = f[0] / 4;
        for (size_t i = 0; i <= words; ++i)
            Word(file, f[i]);
    }
    const Bytes trailer = Trailer(OddBlock(), 2.5f, 3, 2, 16, 2);
    file.insert(file.end(), trailer.begin(), trailer.end());
    const std::string path = dir.Write("hand.dla", file);
    const Bytes first = {0, 0, 0, 0, 0xAA, 0xBB, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    const Bytes second = {0x0A, 0x0B, 0x0C, 0x0D, 0xAA, 0xBB, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66};

    TDeltaAni ani;
    ani.SetPath(path.c_str());
    ASSERT_EQ(ani.Open(1), 1);
    EXPECT_EQ(ani.GetWidth(), 3);
    EXPECT_EQ(ani.GetHeight(), 2);
    EXPECT_EQ(ani.GetFrameCount(), 2);
    EXPECT_EQ(ani.GetRate(), 2.5f);
    GdlBitmap* b = ani.GetPixelFormat();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->width, 3);
    EXPECT_EQ(b->height, 2);
    EXPECT_EQ(b->bitsPerPixel, 16);
    EXPECT_EQ(b->bytesPerLine, 6);
    EXPECT_EQ(b->palette, nullptr);
    const GdlPixelFormat block = OddBlock();
    ASSERT_NE(b->pixelFormat, nullptr);
    EXPECT_EQ(std::memcmp(b->pixelFormat, &block, 48), 0);
    ASSERT_EQ(ani.ReadFrame(0), 1);
    EXPECT_EQ(PictureRows(*ani.GetPixelFormat(), 6), first);
    ASSERT_EQ(ani.ReadFrame(9), 1); // any index but 0 reads the next frame
    EXPECT_EQ(PictureRows(*ani.GetPixelFormat(), 6), second);
    EXPECT_EQ(ani.ReadFrame(2), 0); // past the count
    ASSERT_EQ(ani.ReadFrame(0), 1);
    EXPECT_EQ(PictureRows(*ani.GetPixelFormat(), 6), first);
    EXPECT_EQ(ani.WriteFrame(1), 0); // reading only
    ani.Close();
    EXPECT_EQ(ani.GetPixelFormat(), nullptr);

    // The resource knows size, count and rate before it is opened.
    TMetaAni meta;
    meta.SetPath(path.c_str());
    EXPECT_EQ(meta.GetKind(), TMetaAni::kDelta);
    EXPECT_EQ(meta.GetWidth(0), 3);
    EXPECT_EQ(meta.GetHeight(0), 2);
    EXPECT_EQ(meta.GetFrameCount(0), 2);
    EXPECT_EQ(meta.GetRate(0), 2.5);
    EXPECT_TRUE(meta.IsValid());
    EXPECT_FALSE(meta.HasAudio());
    EXPECT_EQ(meta.GetAudioRate(), 0);
    ASSERT_EQ(meta.Open(1), 1);
    ASSERT_EQ(meta.ReadFrame(0, 0), 1);
    ASSERT_EQ(meta.ReadFrame(1, 0), 1);
    EXPECT_EQ(PictureRows(*meta.GetPixelFormat(), 6), second);
    meta.Close();
}

// A rate of 0 in the trailer plays at the base's 10 frames a second.
TEST_F(DeltaCheckTest, NoRateMeansTenFramesASecond) {
    Bytes file;
    for (uint32_t w : {12u, 1u << 16, 0x01020304u, 0u})
        Word(file, w);
    const Bytes trailer = Trailer(OddBlock(), 0.0f, 4, 1, 8, 1);
    file.insert(file.end(), trailer.begin(), trailer.end());
    TMetaAni meta;
    meta.SetPath(dir.Write("still.dla", file).c_str());
    EXPECT_EQ(meta.GetRate(0), 10.0);
}

TEST_F(DeltaCheckTest, OpenAndCloseRules) {
    TDeltaAni none;
    EXPECT_EQ(none.Open(1), 0); // no path
    EXPECT_EQ(none.Close(), 0); // not open

    const std::string path = dir.File("rules.dla");
    TDeltaAni ani;
    ani.SetPath(path.c_str());
    EXPECT_EQ(ani.Open(1), 0); // not there
    EXPECT_EQ(ani.LoadCount(), 0);
    ASSERT_EQ(ani.Open(2), 1);
    EXPECT_EQ(ani.GetMode(), 2);
    EXPECT_EQ(ani.GetFrameCount(), 0);
    EXPECT_EQ(ani.Open(2), 0); // only the first open
    EXPECT_EQ(ani.LoadCount(), 1);
    EXPECT_EQ(ani.ReadFrame(0), 0); // writing only
    EXPECT_EQ(ani.GetPixelFormat(), nullptr);
    Picture p = Frame(4, 2, 8, 0);
    GdlBitmap r = p.Record();
    ani.SetPixelFormat(&r);
    ASSERT_EQ(ani.WriteFrame(0), 1);
    ASSERT_EQ(ani.Close(), 1);
    EXPECT_EQ(ani.GetMode(), 0);
    EXPECT_EQ(ani.LoadCount(), 0);
    EXPECT_EQ(ani.Close(), 0);
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(std::filesystem::file_size(path), 4u + 12 * 2 + 68);
    ASSERT_EQ(ani.Open(1), 1); // the same object reads it back
    EXPECT_EQ(ani.GetMode(), 1);
    ASSERT_EQ(ani.ReadFrame(0), 1);
    EXPECT_EQ(PictureRows(*ani.GetPixelFormat(), 4), PictureRows(r, 4));
    ani.Close();
}

struct Refused {
    const char* name;
    Bytes bytes;
};

Bytes Join(Bytes frames, const Bytes& trailer) {
    frames.insert(frames.end(), trailer.begin(), trailer.end());
    return frames;
}

Bytes Words(std::initializer_list<uint32_t> words) {
    Bytes b;
    for (uint32_t w : words)
        Word(b, w);
    return b;
}

// Trailers no frame can come from are refused at the open with error 55,
// the path as the report's object, and nothing counted.
TEST_F(DeltaCheckTest, ImpossibleTrailersAreRefused) {
    const GdlPixelFormat f = OddBlock();
    const Refused cases[] = {
        {"67 bytes", Bytes(67, 1)},
        {"width 32768", Trailer(f, 1, 32768, 1, 8, 0)},
        {"height 0", Trailer(f, 1, 4, 0, 8, 0)},
        {"negative height", Trailer(f, 1, 4, -2, 8, 0)},
        {"bits 0", Trailer(f, 1, 4, 1, 0, 0)},
        {"bits 4", Trailer(f, 1, 4, 1, 4, 0)},
        {"bits 64", Trailer(f, 1, 4, 1, 64, 0)},
        {"2^30 square", Trailer(f, 1, 1 << 30, 1 << 30, 32, 1)},
    };
    for (const Refused& c : cases) {
        SCOPED_TRACE(c.name);
        TError::ClearLists();
        const std::string path = dir.Write(std::string(c.name) + ".dla", c.bytes);
        TDeltaAni ani;
        ani.SetPath(path.c_str());
        EXPECT_EQ(ani.Open(1), 0);
        EXPECT_EQ(ani.LoadCount(), 0);
        EXPECT_EQ(ani.GetMode(), 0);
        ASSERT_NE(NewestError(), nullptr);
        EXPECT_EQ(NewestError()->code, 55);
        EXPECT_STREQ(TError::Lookup(55), "Corrupted file!");
        EXPECT_STREQ(NewestError()->object.c_str(), path.c_str());
    }
    // The largest picture the format allows still opens.
    TDeltaAni edge;
    edge.SetPath(dir.Write("edge.dla", Trailer(f, 1, 32767, 1, 32, 0)).c_str());
    EXPECT_EQ(edge.Open(1), 1);
    EXPECT_EQ(edge.ReadFrame(0), 0); // no frames
    edge.Close();
    // Allowed by the format but not taken: 32767 x 32767 at 32 bits would be
    // three buffers of 4 GiB for a 68-byte file. Refused as out of memory.
    TError::ClearLists();
    TDeltaAni huge;
    huge.SetPath(dir.Write("huge.dla", Trailer(f, 1, 32767, 32767, 32, 1)).c_str());
    EXPECT_EQ(huge.Open(1), 0);
    EXPECT_EQ(huge.LoadCount(), 0);
    ASSERT_NE(NewestError(), nullptr);
    EXPECT_EQ(NewestError()->code, 9);
}

// A bad frame after a good one: ReadFrame answers 0 with error 55 and the
// picture stays the good frame's.
TEST_F(DeltaCheckTest, BadFramesLeaveThePictureAlone) {
    // 8 x 2 pixels at 8 bits: two words a row.
    const Bytes good =
        Words({2 * 16, 2u << 16, 0x04030201, 0x08070605, 0, 2u << 16, 0x0C0B0A09, 0x100F0E0D, 0});
    const GdlPixelFormat f = OddBlock();
    const Refused cases[] = {
        {"changed past the row", Words({20, 3u << 16, 1, 2, 3, 0})},
        {"skip past the row", Words({12, 3, 0, 0})},
        {"skip and change past the row", Words({16, 2u << 16 | 1, 5, 6, 0})},
        {"run past the frame's bytes", Words({8, 0, 2u << 16})},
        {"second row missing", Words({4, 0})},
        {"largest skip", Words({8, 0xFFFF, 0})},
        {"largest change", Words({8, 0xFFFFu << 16, 0})},
        {"count 0xFFFFFFFF", Words({0xFFFFFFFF, 0, 0})},
        {"count past the file", Words({64, 0, 0})},
        {"no byte count", Bytes{1, 2}},
    };
    for (const Refused& c : cases) {
        SCOPED_TRACE(c.name);
        TError::ClearLists();
        Bytes file = Join(good, c.bytes);
        file = Join(file, Trailer(f, 1, 8, 2, 8, 2));
        const std::string path = dir.Write(std::string(c.name) + ".dla", file);
        TDeltaAni ani;
        ani.SetPath(path.c_str());
        ASSERT_EQ(ani.Open(1), 1);
        ASSERT_EQ(ani.ReadFrame(0), 1);
        const Bytes before = PictureRows(*ani.GetPixelFormat(), 8);
        EXPECT_EQ(before, Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
        EXPECT_EQ(ani.ReadFrame(1), 0);
        ASSERT_NE(NewestError(), nullptr);
        EXPECT_EQ(NewestError()->code, 55);
        EXPECT_STREQ(NewestError()->object.c_str(), path.c_str());
        EXPECT_EQ(PictureRows(*ani.GetPixelFormat(), 8), before);
        // Still playable from the start.
        ASSERT_EQ(ani.ReadFrame(0), 1);
        EXPECT_EQ(PictureRows(*ani.GetPixelFormat(), 8), before);
        ani.Close();
    }
}

// The first frame written fixes the size, whatever its index; a picture of
// another size is refused later, one of the same size and 15 instead of 16
// bits is taken.
TEST_F(DeltaCheckTest, TheFirstFrameFixesTheSize) {
    const std::string path = dir.File("size.dla");
    TDeltaAni ani;
    ani.SetPath(path.c_str());
    ASSERT_EQ(ani.Open(2), 1);
    Picture first = Frame(5, 3, 16, 0), wider = Frame(6, 3, 16, 0), taller = Frame(5, 4, 16, 0),
            deeper = Frame(5, 3, 32, 0);
    GdlBitmap r = first.Record();
    ani.SetPixelFormat(&r);
    ASSERT_EQ(ani.WriteFrame(7), 1);
    for (Picture* p : {&wider, &taller, &deeper}) {
        GdlBitmap other = p->Record();
        ani.SetPixelFormat(&other);
        EXPECT_EQ(ani.WriteFrame(8), 0);
        EXPECT_EQ(ani.WriteFrame(0), 0);
    }
    EXPECT_EQ(ani.GetFrameCount(), 1);
    ani.SetPixelFormat(nullptr);
    EXPECT_EQ(ani.WriteFrame(8), 0); // no picture
    ani.Close();
    TDeltaAni reader;
    reader.SetPath(path.c_str());
    ASSERT_EQ(reader.Open(1), 1);
    EXPECT_EQ(reader.GetWidth(), 5);
    EXPECT_EQ(reader.GetHeight(), 3);
    EXPECT_EQ(reader.GetFrameCount(), 1);
    ASSERT_EQ(reader.ReadFrame(0), 1);
    EXPECT_EQ(PictureRows(*reader.GetPixelFormat(), 10), PictureRows(r, 10));
    reader.Close();
}

} // namespace deltacheck
} // namespace
