// Delta animations: every depth and width through the writer and back, the
// sizes of unchanged and all-changed frames, rewinding, the trailer, and the
// files a reader must refuse without reading out of bounds.
#include "foundation/TError.h"
#include "media/animation/TDeltaAni.h"
#include "media/animation/TDeltaCodec.h"
#include "platform/ByteStream.h"

#include "ErrorProbe.h"
#include "TempDir.h"

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
