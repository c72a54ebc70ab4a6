// The animation resource: the kind by extension, album animations, and AVI
// films made by the platform's writer read through it (raw in every depth and
// row order, decompressed into what the display wants, saved compressed),
// recorded through it, with their audio.
#include "MemoryDesktop.h"
#include "foundation/TCache.h"
#include "foundation/TError.h"
#include "media/animation/TMetaAni.h"
#include "media/devices/TDispDev.h"
#include "platform/ByteStream.h"
#include "platform/Vfw.h"

#include "AlbumWriter.h"
#include "ErrorProbe.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int32_t Stride(int32_t width, int32_t bits) {
    return (width * bits + 31) / 32 * 4;
}

// Rows of a frame, top row first, each padded to its DIB stride with zeros.
std::vector<uint8_t> Logical(int32_t width, int32_t height, int32_t bits, int frame) {
    const int32_t stride = Stride(width, bits), used = (width * bits + 7) / 8;
    std::vector<uint8_t> rows(size_t(stride) * height, 0);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t i = 0; i < used; ++i)
            rows[size_t(y) * stride + i] = static_cast<uint8_t>(i * 7 + y * 13 + frame * 29 + 1);
    // Bits of a partly used last byte stay zero, as a DIB writer leaves them.
    if ((width * bits) % 8)
        for (int32_t y = 0; y < height; ++y)
            rows[size_t(y) * stride + used - 1] &=
                static_cast<uint8_t>(0xFF00 >> ((width * bits) % 8));
    return rows;
}

std::vector<uint8_t> Flip(const std::vector<uint8_t>& rows, int32_t stride, int32_t height) {
    std::vector<uint8_t> out(rows.size());
    for (int32_t y = 0; y < height; ++y)
        std::memcpy(out.data() + size_t(y) * stride, rows.data() + size_t(height - 1 - y) * stride,
                    size_t(stride));
    return out;
}

GdlPaletteEntry TableEntry(int i) {
    return {uint8_t(i * 29), uint8_t(255 - i * 7), uint8_t(i * 53), 0};
}

struct Film {
    int32_t width, height, bits;
    bool topDown;
    int32_t frames = 3;
    int32_t extra = 0; // bytes added to frame 1's chunk
};

// An uncompressed film through the platform's own writer.
std::string WriteFilm(const std::string& path, const Film& f) {
    PAVIFILE file = nullptr;
    EXPECT_EQ(AVIFileOpenA(&file, path.c_str(), OF_CREATE | OF_WRITE, nullptr), AVIERR_OK);
    AVISTREAMINFOA info{};
    info.fccType = streamtypeVIDEO;
    info.dwScale = 1;
    info.dwRate = 10;
    info.rcFrame = {0, 0, f.width, f.height};
    PAVISTREAM stream = nullptr;
    EXPECT_EQ(AVIFileCreateStreamA(file, &stream, &info), AVIERR_OK);
    std::vector<uint8_t> format;
    platform::ByteWriter w(format);
    const int32_t stride = Stride(f.width, f.bits);
    w.U32(40);
    w.S32(f.width);
    w.S32(f.topDown ? -f.height : f.height);
    w.U16(1);
    w.U16(uint16_t(f.bits));
    w.U32(BI_RGB);
    w.U32(0); // an image size of 0 is allowed for raw frames
    w.Zeros(16);
    for (int i = 0; f.bits <= 8 && i < (1 << f.bits); ++i) {
        const GdlPaletteEntry e = TableEntry(i);
        w.Bytes(&e, 4);
    }
    EXPECT_EQ(AVIStreamSetFormat(stream, 0, format.data(), LONG(format.size())), AVIERR_OK);
    for (int32_t i = 0; i < f.frames; ++i) {
        std::vector<uint8_t> rows = Logical(f.width, f.height, f.bits, i);
        if (!f.topDown) rows = Flip(rows, stride, f.height);
        if (i == 1) rows.resize(rows.size() + size_t(f.extra), 0);
        EXPECT_EQ(AVIStreamWrite(stream, i, 1, rows.data(), LONG(rows.size()), AVIIF_KEYFRAME,
                                 nullptr, nullptr),
                  AVIERR_OK);
    }
    AVIStreamRelease(stream);
    AVIFileRelease(file);
    return path;
}

std::vector<uint8_t> Delivered(const GdlBitmap& b) {
    return {b.surface, b.surface + size_t(b.bytesPerLine) * b.height};
}

class TMetaAniTest : public ::testing::Test {
protected:
    void SetUp() override { TCache::Global().Start(); }
    int32_t LastCode() {
        TErrorRec* e = NewestError();
        return e ? e->code : 0;
    }
    testsupport::TempDir dir;
};

TEST_F(TMetaAniTest, KindByExtension) {
    tools::AlbumPlan plan;
    plan.entries = {{4, 2, {std::vector<uint8_t>(8, 3)}, 0}};
    const struct {
        std::string name;
        TMetaAni::Kind kind;
        int32_t code;
    } cases[] = {
        {"intro.AVI", TMetaAni::kAvi, 0},       {"cap.Dla", TMetaAni::kDelta, 0},
        {"strip.alb", TMetaAni::kAlbum, 0},     {"clip.mpg", TMetaAni::kNone, 49},
        {"some.dir/clip", TMetaAni::kNone, 50},
    };
    dir.Write("strip.alb", tools::WriteAlbum(plan, nullptr));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TError::ClearLists();
        TMetaAni ani;
        ani.SetPath(dir.File(c.name).c_str());
        EXPECT_EQ(ani.GetKind(), c.kind);
        // A film or delta animation that is not there yet is a recording
        // target: nothing is reported until it is opened for reading.
        EXPECT_EQ(LastCode(), c.code);
        if (c.kind == TMetaAni::kNone) {
            EXPECT_EQ(ani.Open(1), 0);
            EXPECT_EQ(ani.GetFrameCount(0), 0);
            EXPECT_EQ(ani.GetRate(0), 10.0);
        }
    }
    TMetaAni missing;
    missing.SetPath(dir.File("gone.avi").c_str());
    EXPECT_EQ(missing.Open(1), 0);
    EXPECT_EQ(LastCode(), 44);
    EXPECT_EQ(missing.LoadCount(), 0);
}

TEST_F(TMetaAniTest, AlbumAnimationsReadOnly) {
    tools::AlbumPlan plan;
    plan.entries = {{4, 2, {std::vector<uint8_t>(8, 3), std::vector<uint8_t>(8, 4)}, 0},
                    {8, 3, {std::vector<uint8_t>(24, 5)}, 0}};
    const std::string path = dir.Write("strip.alb", tools::WriteAlbum(plan, nullptr));
    TMetaAni ani;
    ani.SetPath(path.c_str());
    EXPECT_EQ(ani.Open(2), 0); // writing is refused and changes nothing
    EXPECT_EQ(ani.LoadCount(), 0);
    EXPECT_EQ(ani.GetMode(), 0);
    ASSERT_EQ(ani.Open(1), 1);
    EXPECT_EQ(ani.Open(2), 0); // later opens must read too
    EXPECT_EQ(ani.Open(1), 1);
    EXPECT_TRUE(ani.IsValid());
    EXPECT_EQ(ani.GetRate(0), 10.0);
    EXPECT_EQ(ani.GetFrameCount(0), 2);
    EXPECT_EQ(ani.GetFrameCount(1), 1);
    EXPECT_EQ(ani.GetWidth(1), 8);
    EXPECT_EQ(ani.GetHeight(1), 3);
    ASSERT_EQ(ani.ReadFrame(1, 0), 1);
    GdlBitmap* b = ani.GetPixelFormat();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->width, 4);
    EXPECT_EQ(b->surface[0], 4);
    ani.FreeFrame();
    EXPECT_EQ(ani.GetPixelFormat(), nullptr);
    EXPECT_EQ(ani.WriteFrame(0), 0);
    EXPECT_EQ(ani.ReadAudio(0, 4, 0), 0);
    ani.Close();
    EXPECT_EQ(ani.GetMode(), 1);
    ani.Close();
    EXPECT_EQ(ani.GetMode(), 0);
    EXPECT_EQ(ani.ReadFrame(0, 0), 0);
}

TEST_F(TMetaAniTest, RawFilmsInEveryDepthAndRowOrderComeTopRowFirst) {
    const Film films[] = {{13, 5, 1, false},  {9, 4, 4, true},    {17, 6, 8, false},
                          {16, 4, 8, true},   {11, 5, 16, false}, {7, 9, 24, true},
                          {10, 3, 24, false}, {5, 4, 32, false},  {6, 2, 32, true}};
    for (const Film& f : films) {
        SCOPED_TRACE(std::to_string(f.bits) + " bits " + (f.topDown ? "top-down" : "bottom-up"));
        const std::string path = WriteFilm(dir.File("raw.avi"), f);
        TMetaAni ani;
        ani.SetPath(path.c_str());
        EXPECT_EQ(ani.GetWidth(0), f.width); // from the header, before opening
        EXPECT_EQ(ani.GetFrameCount(0), f.frames);
        ASSERT_EQ(ani.Open(1), 1);
        EXPECT_TRUE(ani.ReadsRaw());
        EXPECT_EQ(ani.GetRate(0), 10.0);
        EXPECT_FALSE(ani.HasAudio());
        for (int32_t i : {0, 2, 1}) {
            ASSERT_EQ(ani.ReadFrame(i, 0), 1);
            const GdlBitmap* b = ani.GetPixelFormat();
            ASSERT_NE(b, nullptr);
            EXPECT_EQ(b->bitsPerPixel, f.bits);
            EXPECT_EQ(b->bytesPerLine, Stride(f.width, f.bits));
            EXPECT_EQ(b->pixelFormat->redPosition, f.bits == 16 ? 10 : 16);
            ASSERT_EQ(Delivered(*b), Logical(f.width, f.height, f.bits, i)) << "frame " << i;
            for (int e = 0; f.bits <= 8 && e < (1 << f.bits); ++e) {
                const GdlPaletteEntry want = TableEntry(e);
                ASSERT_EQ(std::memcmp(&b->palette[e], &want, 4), 0) << "entry " << e;
            }
        }
        EXPECT_EQ(ani.ReadFrame(3, 0), 0);
        ani.Close();
    }
}

TEST_F(TMetaAniTest, TheCurrentFrameIsNotReadAgain) {
    const Film f{8, 4, 8, false};
    TMetaAni ani;
    ani.SetPath(WriteFilm(dir.File("again.avi"), f).c_str());
    ASSERT_EQ(ani.Open(1), 1);
    ASSERT_EQ(ani.ReadFrame(1, 0), 1);
    GdlBitmap* b = ani.GetPixelFormat();
    b->surface[0] = 0xAB; // marks the delivered picture
    ASSERT_EQ(ani.ReadFrame(1, 0), 1);
    EXPECT_EQ(b->surface[0], 0xAB);
    ASSERT_EQ(ani.ReadFrame(2, 0), 1);
    ASSERT_EQ(ani.ReadFrame(1, 0), 1);
    EXPECT_EQ(Delivered(*ani.GetPixelFormat()), Logical(8, 4, 8, 1));
}

// A raw stream whose chunks are not all one frame is decompressed, into
// 5:6:5 when the display draws in 16 bits.
TEST_F(TMetaAniTest, DecompressedIntoWhatTheDisplayWants) {
    testsupport::UseMemoryDesktop(16);
    TDispDev& display = TDispDev::Global();
    display.SetClassName("AniTest");
    display.SetDriverFlags(0x600);
    display.SetMode(64, 48, 16);
    ASSERT_TRUE(display.Open());
    const Film f{9, 5, 24, false, 2, 16};
    TMetaAni ani;
    ani.SetPath(WriteFilm(dir.File("565.avi"), f).c_str());
    ASSERT_EQ(ani.Open(1), 1);
    EXPECT_FALSE(ani.ReadsRaw());
    ASSERT_EQ(ani.ReadFrame(1, 0), 1);
    const GdlBitmap* b = ani.GetPixelFormat();
    EXPECT_EQ(b->bitsPerPixel, 16);
    EXPECT_EQ(b->bytesPerLine, Stride(9, 16));
    EXPECT_EQ(b->pixelFormat->redPosition, 11);
    EXPECT_EQ(b->pixelFormat->greenMask, 63u);
    const std::vector<uint8_t> rgb = Logical(9, 5, 24, 1);
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 9; ++x) {
            const uint8_t* p = rgb.data() + size_t(y) * Stride(9, 24) + 3 * x;
            const uint16_t want = uint16_t((p[2] >> 3) << 11 | (p[1] >> 2) << 5 | (p[0] >> 3));
            const uint8_t* q = b->surface + size_t(y) * b->bytesPerLine + 2 * x;
            ASSERT_EQ(uint16_t(q[0] | q[1] << 8), want) << x << "," << y;
        }
    ani.Close();
    display.Close();
    display.ReleaseLibrary();
}

// Writes `frames` flat 16-bit 5:6:5 frames through the animation.
std::string Record565(const std::string& path, int32_t width, int32_t height, int frames,
                      float rate) {
    static const GdlPixelFormat k565 = {31, 63, 31, 0, 11, 3, 5, 2, 0, 3, 0, 0};
    TMetaAni ani;
    ani.SetPath(path.c_str());
    EXPECT_EQ(ani.Open(2), 1);
    ani.SetRate(rate);
    std::vector<uint8_t> pixels(size_t(width) * height * 2);
    GdlBitmap b{
        width, height, 16, width * 2, pixels.data(), nullptr, const_cast<GdlPixelFormat*>(&k565)};
    ani.SetPixelFormat(&b);
    for (int i = 0; i < frames; ++i) {
        const uint16_t v = uint16_t(i == 0 ? 0xF800 : i == 1 ? 0x07E0 : 0x001F | 0x0020);
        for (size_t p = 0; p < pixels.size(); p += 2) {
            pixels[p] = uint8_t(v);
            pixels[p + 1] = uint8_t(v >> 8);
        }
        EXPECT_EQ(ani.WriteFrame(i), 1);
    }
    EXPECT_EQ(ani.Close(), 1);
    return path;
}

TEST_F(TMetaAniTest, Recorded565IsStored555AtTheRateGiven) {
    const std::string path = Record565(dir.File("rec.avi"), 6, 3, 3, 6.67f);
    TMetaAni ani;
    ani.SetPath(path.c_str());
    ASSERT_EQ(ani.Open(1), 1);
    EXPECT_NEAR(ani.GetRate(0), 6.67, 1e-9);
    EXPECT_EQ(ani.GetFrameCount(0), 3);
    const uint16_t stored[] = {0x7C00, 0x03E0, 0x001F};
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(ani.ReadFrame(i, 0), 1);
        const GdlBitmap* b = ani.GetPixelFormat();
        EXPECT_EQ(b->pixelFormat->redPosition, 10);
        EXPECT_EQ(uint16_t(b->surface[0] | b->surface[1] << 8), stored[i]);
        EXPECT_EQ(uint16_t(b->surface[2 * 5 + 2 * b->bytesPerLine] |
                           b->surface[2 * 5 + 2 * b->bytesPerLine + 1] << 8),
                  stored[i]);
    }
    const std::string slow = Record565(dir.File("slow.avi"), 4, 2, 1, 0.5f);
    TMetaAni s;
    s.SetPath(slow.c_str());
    EXPECT_EQ(s.GetRate(0), 0.5);
}

TEST_F(TMetaAniTest, SavedCompressedWithVideo1AndCinepak) {
    for (int32_t method : {1, 2}) {
        SCOPED_TRACE(method == 1 ? "MSVC" : "CVID");
        const std::string path = Record565(dir.File("saved.avi"), 16, 8, 3, 10.0f);
        TMetaAni ani;
        ani.SetPath(path.c_str());
        ani.SetCompression(method, 7500);
        ASSERT_EQ(ani.Save(0), 1);
        EXPECT_EQ(ani.LoadCount(), 0); // not opened again
        ASSERT_EQ(ani.Open(1), 1);
        EXPECT_FALSE(ani.ReadsRaw());
        EXPECT_EQ(ani.GetFrameCount(0), 3);
        const uint32_t want[] = {0xFF0000, 0x00FF00, 0x0000FF};
        for (int i = 0; i < 3; ++i) {
            ASSERT_EQ(ani.ReadFrame(i, 0), 1);
            const GdlBitmap* b = ani.GetPixelFormat();
            ASSERT_EQ(b->width, 16);
            const uint8_t* p =
                b->surface + size_t(4) * b->bytesPerLine + 8 * ((b->bitsPerPixel + 7) / 8);
            uint32_t cell = 0;
            std::memcpy(&cell, p, size_t((b->bitsPerPixel + 7) / 8));
            const GdlPixelFormat& f = *b->pixelFormat;
            const int r = int((cell >> f.redPosition) & f.redMask) << f.redAdjust;
            const int g = int((cell >> f.greenPosition) & f.greenMask) << f.greenAdjust;
            const int bl = int((cell >> f.bluePosition) & f.blueMask) << f.blueAdjust;
            EXPECT_NEAR(r, int(want[i] >> 16), 40);
            EXPECT_NEAR(g, int((want[i] >> 8) & 0xFF), 40);
            EXPECT_NEAR(bl, int(want[i] & 0xFF), 40);
        }
        ani.Close();
    }
}

TEST_F(TMetaAniTest, AudioIsCountedInBytesAndReadInWholeBlocks) {
    const std::string path = dir.File("sound.avi");
    {
        TMetaAni ani;
        ani.SetPath(path.c_str());
        ASSERT_EQ(ani.Open(2), 1);
        ani.SetAudioChannels(2);
        ani.SetAudioBits(16);
        ani.SetAudioRate(8000);
        std::vector<uint8_t> pcm(402);
        for (size_t i = 0; i < pcm.size(); ++i)
            pcm[i] = uint8_t(i);
        ani.SetAudioData(pcm.data());
        EXPECT_EQ(ani.WriteAudio(0, 402), 1); // 100 blocks of 4; 2 bytes left over
        static const GdlPixelFormat k888 = {255, 255, 255, 0, 16, 0, 8, 0, 0, 0, 0, 0};
        std::vector<uint8_t> pixels(4 * 2 * 3, 9);
        GdlBitmap b{4, 2, 24, 12, pixels.data(), nullptr, const_cast<GdlPixelFormat*>(&k888)};
        ani.SetPixelFormat(&b);
        EXPECT_EQ(ani.WriteFrame(0), 1);
        ani.Close();
    }
    TMetaAni ani;
    ani.SetPath(path.c_str());
    ASSERT_EQ(ani.Open(1), 1);
    ASSERT_TRUE(ani.HasAudio());
    EXPECT_EQ(ani.GetAudioLength(), 400);
    EXPECT_EQ(ani.GetAudioChannels(), 2);
    EXPECT_EQ(ani.GetAudioBits(), 16);
    EXPECT_EQ(ani.GetAudioRate(), 8000);
    int32_t tag = 0, align = 0, perSecond = 0;
    ani.GetAudioFormat(&tag, nullptr, nullptr, &perSecond, &align, nullptr);
    EXPECT_EQ(tag, 1);
    EXPECT_EQ(align, 4);
    EXPECT_EQ(perSecond, 32000);
    ASSERT_EQ(ani.ReadAudio(6, 10, 0), 1); // block 1 on, two whole blocks
    const uint8_t* data = ani.GetAudioData();
    ASSERT_NE(data, nullptr);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(data[i], 4 + i);
    EXPECT_EQ(ani.ReadAudio(0, 8, 1), 0);   // no second audio stream
    EXPECT_EQ(ani.ReadAudio(396, 8, 0), 0); // past the end
    ani.FreeAudio();
    EXPECT_EQ(ani.GetAudioData(), nullptr);
}

} // namespace
