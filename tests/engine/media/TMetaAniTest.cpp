// The animation resource: the kind by extension, album animations, and AVI
// films made by the platform's writer read through it (raw in every depth and
// row order, decompressed into what the display wants, saved compressed),
// recorded through it, with their audio.

#include "AlbumWriter.h"
#include "CheckFixtures.h"
#include "ErrorProbe.h"
#include "MemoryDesktop.h"
#include "TempDir.h"
#include "foundation/TCache.h"
#include "foundation/TError.h"
#include "media/animation/TAviAni.h"
#include "media/devices/TDispDev.h"
#include "media/animation/TMetaAni.h"
#include "platform/ByteStream.h"
#include "platform/Vfw.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
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

// AVI animations checked on films laid out by a small RIFF writer of the
// test's own (every depth and row order, rates and start frames, PCM audio)
// and on recordings whose headers and chunks the test reads back byte by
// byte; open failures and their texts; decompression into what the display
// wants; saving compressed.
namespace {
namespace avicheck {

using check::Bytes;

uint32_t Fourcc(const char* s) {
    return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
           uint32_t(uint8_t(s[3])) << 24;
}

void Put(Bytes& b, uint32_t v) {
    check::Put32(b, b.size(), v);
}
void Put2(Bytes& b, uint32_t v) {
    check::Put16(b, b.size(), v);
}
void Tag(Bytes& b, const char* s) {
    Put(b, Fourcc(s));
}
uint32_t Get(const Bytes& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}
uint32_t Get2(const Bytes& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8;
}

Bytes Chunk(const char* id, const Bytes& body) {
    Bytes b;
    Tag(b, id);
    Put(b, uint32_t(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    if (b.size() & 1) b.push_back(0);
    return b;
}

Bytes List(const char* type, const Bytes& body) {
    Bytes inner;
    Tag(inner, type);
    inner.insert(inner.end(), body.begin(), body.end());
    return Chunk("LIST", inner);
}

int32_t Stride(int32_t width, int32_t bits) {
    return (width * bits + 31) / 32 * 4;
}

// A film to lay out: raw video rows as stored, optionally PCM audio.
struct Film {
    int32_t width = 4, height = 3, bits = 24;
    bool topDown = false;
    uint32_t scale = 1, rate = 10, start = 0;
    int32_t suggested = -1;    // -1: the frame size
    Bytes palette;             // RGBQUAD entries
    std::vector<Bytes> frames; // rows as stored
    uint16_t channels = 0, audioBits = 16;
    uint32_t sampleRate = 11025;
    Bytes audio;
};

Bytes StreamHeader(const char* type, uint32_t handler, uint32_t scale, uint32_t rate,
                   uint32_t start, uint32_t length, uint32_t suggested, uint32_t sampleSize,
                   int32_t width, int32_t height) {
    Bytes h;
    Tag(h, type);
    Put(h, handler);
    Put(h, 0);
    Put(h, 0);
    Put(h, 0);
    Put(h, scale);
    Put(h, rate);
    Put(h, start);
    Put(h, length);
    Put(h, suggested);
    Put(h, 0xFFFFFFFF);
    Put(h, sampleSize);
    Put2(h, 0);
    Put2(h, 0);
    Put2(h, uint32_t(width));
    Put2(h, uint32_t(height));
    return h;
}

Bytes WriteAvi(const Film& f) {
    const uint32_t frameSize = uint32_t(Stride(f.width, f.bits) * f.height);
    Bytes avih;
    for (uint32_t v :
         {uint32_t(1000000ull * f.scale / f.rate), 0u, 0u, 0x10u, uint32_t(f.frames.size()), 0u,
          f.channels ? 2u : 1u, frameSize, uint32_t(f.width), uint32_t(f.height), 0u, 0u, 0u, 0u})
        Put(avih, v);
    Bytes bih;
    for (uint32_t v : {40u, uint32_t(f.width), uint32_t(f.topDown ? -f.height : f.height)})
        Put(bih, v);
    Put2(bih, 1);
    Put2(bih, uint32_t(f.bits));
    for (uint32_t v : {0u, 0u, 0u, 0u, uint32_t(f.palette.size() / 4), 0u}) // image size 0
        Put(bih, v);
    bih.insert(bih.end(), f.palette.begin(), f.palette.end());
    Bytes strl =
        Chunk("strh", StreamHeader("vids", 0, f.scale, f.rate, f.start, uint32_t(f.frames.size()),
                                   f.suggested < 0 ? frameSize : uint32_t(f.suggested), 0, f.width,
                                   f.height));
    const Bytes strf = Chunk("strf", bih);
    strl.insert(strl.end(), strf.begin(), strf.end());
    Bytes hdrl = Chunk("avih", avih);
    const Bytes videoList = List("strl", strl);
    hdrl.insert(hdrl.end(), videoList.begin(), videoList.end());
    const uint32_t align = f.channels * f.audioBits / 8;
    if (f.channels) {
        Bytes wfx;
        Put2(wfx, 1);
        Put2(wfx, f.channels);
        Put(wfx, f.sampleRate);
        Put(wfx, f.sampleRate * align);
        Put2(wfx, align);
        Put2(wfx, f.audioBits);
        Bytes a = Chunk("strh", StreamHeader("auds", 0, align, f.sampleRate * align, 0,
                                             uint32_t(f.audio.size() / align),
                                             uint32_t(f.audio.size()), align, 0, 0));
        const Bytes af = Chunk("strf", wfx);
        a.insert(a.end(), af.begin(), af.end());
        const Bytes audioList = List("strl", a);
        hdrl.insert(hdrl.end(), audioList.begin(), audioList.end());
    }
    Bytes movi, idx;
    auto add = [&](const char* id, const Bytes& body, uint32_t flags) {
        Tag(idx, id);
        Put(idx, flags);
        Put(idx, uint32_t(movi.size() + 4));
        Put(idx, uint32_t(body.size()));
        const Bytes c = Chunk(id, body);
        movi.insert(movi.end(), c.begin(), c.end());
    };
    if (f.channels) add("01wb", f.audio, 0x10);
    for (const Bytes& frame : f.frames)
        add("00db", frame, 0x10);
    Bytes riff;
    Tag(riff, "AVI ");
    for (const Bytes& part : {List("hdrl", hdrl), List("movi", movi), Chunk("idx1", idx)})
        riff.insert(riff.end(), part.begin(), part.end());
    return Chunk("RIFF", riff);
}

// Rows top row first, DIB strides, the unused bits of a row's last byte 0.
Bytes Logical(int32_t width, int32_t height, int32_t bits, int frame) {
    const int32_t stride = Stride(width, bits), used = (width * bits + 7) / 8;
    Bytes rows(size_t(stride) * height, 0);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t i = 0; i < used; ++i)
            rows[size_t(y) * stride + i] = uint8_t(i * 37 + y * 11 + frame * 71 + 5);
    if ((width * bits) % 8)
        for (int32_t y = 0; y < height; ++y)
            rows[size_t(y) * stride + used - 1] &= uint8_t(0xFF00 >> ((width * bits) % 8));
    return rows;
}

Bytes Stored(const Bytes& logical, int32_t stride, int32_t height, bool topDown) {
    if (topDown) return logical;
    Bytes out(logical.size());
    for (int32_t y = 0; y < height; ++y)
        std::memcpy(&out[size_t(y) * stride], &logical[size_t(height - 1 - y) * stride], stride);
    return out;
}

Bytes Palette(int32_t bits) {
    Bytes p;
    for (int i = 0; bits <= 8 && i < (1 << bits); ++i)
        for (int c : {i * 3 + 1, 255 - i, i * 7 + 2, 0})
            p.push_back(uint8_t(c));
    return p;
}

Film RawFilm(int32_t width, int32_t height, int32_t bits, bool topDown, int frames) {
    Film f;
    f.width = width;
    f.height = height;
    f.bits = bits;
    f.topDown = topDown;
    f.palette = Palette(bits);
    for (int i = 0; i < frames; ++i)
        f.frames.push_back(
            Stored(Logical(width, height, bits, i), Stride(width, bits), height, topDown));
    return f;
}

Bytes Delivered(const GdlBitmap& b) {
    return {b.surface, b.surface + size_t(b.bytesPerLine) * b.height};
}

// The chunks of a RIFF file in order, lists opened, by id.
struct ChunkAt {
    uint32_t id;
    size_t at, size;
};

void Walk(const Bytes& file, size_t from, size_t to, std::vector<ChunkAt>* out) {
    while (from + 8 <= to) {
        const uint32_t id = Get(file, from), size = Get(file, from + 4);
        if (id == Fourcc("LIST") || id == Fourcc("RIFF"))
            Walk(file, from + 12, std::min(to, from + 8 + size), out);
        else
            out->push_back({id, from + 8, size});
        from += 8 + size + (size & 1);
    }
}

std::vector<ChunkAt> Chunks(const Bytes& file, const char* id) {
    std::vector<ChunkAt> all, match;
    Walk(file, 0, file.size(), &all);
    for (const ChunkAt& c : all)
        if (c.id == Fourcc(id)) match.push_back(c);
    return match;
}

class AviAniCheckTest : public check::MediaFixture {
protected:
    void TearDown() override {
        if (displayOpen) {
            TDispDev::Global().Close();
            TDispDev::Global().ReleaseLibrary();
        }
        check::MediaFixture::TearDown();
    }
    void OpenDisplay(int32_t depth) {
        testsupport::UseMemoryDesktop(depth == 24 ? 24 : depth == 8 ? 8 : 16);
        TDispDev& display = TDispDev::Global();
        display.SetClassName("AviCheck");
        display.SetDriverFlags(0x600);
        display.SetMode(64, 48, depth);
        ASSERT_TRUE(display.Open());
        displayOpen = true;
    }
    std::string Film(const std::string& name, const Film& f) {
        return dir.Write(name, WriteAvi(f));
    }

    testsupport::TempDir dir;
    bool displayOpen = false;
};

// Raw frames of every depth in both row orders come top row first, in DIB
// rows, with the stream's palette and the pixel format of their depth.
TEST_F(AviAniCheckTest, RawFilmsOfEveryDepthAndRowOrder) {
    for (int32_t bits : {1, 4, 8, 16, 24, 32})
        for (bool topDown : {false, true})
            for (int32_t width : {3, 5}) {
                SCOPED_TRACE(std::to_string(bits) + " bits, width " + std::to_string(width) +
                             (topDown ? ", top-down" : ", bottom-up"));
                const int32_t height = 3;
                const std::string path = Film("raw" + std::to_string(bits) + (topDown ? "t" : "b") +
                                                  std::to_string(width) + ".avi",
                                              RawFilm(width, height, bits, topDown, 2));
                TMetaAni ani;
                ani.SetPath(path.c_str());
                ASSERT_EQ(ani.Open(1), 1);
                EXPECT_TRUE(ani.ReadsRaw());
                EXPECT_EQ(ani.GetWidth(0), width);
                EXPECT_EQ(ani.GetHeight(0), height);
                EXPECT_EQ(ani.GetFrameCount(0), 2);
                for (int i : {1, 0}) {
                    ASSERT_EQ(ani.ReadFrame(i, 0), 1);
                    const GdlBitmap* b = ani.GetPixelFormat();
                    ASSERT_NE(b, nullptr);
                    EXPECT_EQ(b->width, width);
                    EXPECT_EQ(b->height, height);
                    EXPECT_EQ(b->bitsPerPixel, bits);
                    EXPECT_EQ(b->bytesPerLine, Stride(width, bits));
                    EXPECT_EQ(Delivered(*b), Logical(width, height, bits, i)) << "frame " << i;
                    if (bits <= 8) {
                        ASSERT_NE(b->palette, nullptr);
                        EXPECT_EQ(std::memcmp(b->palette, Palette(bits).data(), 4u << bits), 0);
                    }
                    ASSERT_NE(b->pixelFormat, nullptr);
                    if (bits == 16) {
                        EXPECT_EQ(b->pixelFormat->redPosition, 10);
                        EXPECT_EQ(b->pixelFormat->greenPosition, 5);
                        EXPECT_EQ(b->pixelFormat->greenMask, 31u);
                    } else if (bits >= 8) {
                        EXPECT_EQ(b->pixelFormat->redPosition, 16);
                        EXPECT_EQ(b->pixelFormat->greenPosition, 8);
                        EXPECT_EQ(b->pixelFormat->bluePosition, 0);
                        EXPECT_EQ(b->pixelFormat->redMask, 255u);
                    }
                }
                ani.Close();
                EXPECT_EQ(ani.GetPixelFormat(), nullptr);
            }
}

// The rate is rate / scale; frames count from the stream's start; the current
// frame answers at once without being read again; frames outside the stream
// answer 0.
TEST_F(AviAniCheckTest, RateStartAndTheCurrentFrame) {
    avicheck::Film f = RawFilm(4, 2, 8, false, 3);
    f.scale = 1001;
    f.rate = 30000;
    f.start = 2;
    TMetaAni ani;
    ani.SetPath(Film("start.avi", f).c_str());
    EXPECT_DOUBLE_EQ(ani.GetRate(0), 30000.0 / 1001.0); // from the header, before the open
    ASSERT_EQ(ani.Open(1), 1);
    EXPECT_DOUBLE_EQ(ani.GetRate(0), 30000.0 / 1001.0);
    EXPECT_EQ(ani.GetFrameCount(0), 3);
    ASSERT_EQ(ani.ReadFrame(1, 0), 1);
    GdlBitmap* b = ani.GetPixelFormat();
    EXPECT_EQ(Delivered(*b), Logical(4, 2, 8, 1));
    std::memset(b->surface, 0x5A, size_t(b->bytesPerLine) * b->height);
    ASSERT_EQ(ani.ReadFrame(1, 0), 1);
    EXPECT_EQ(Delivered(*ani.GetPixelFormat()), Bytes(8, 0x5A)); // not read again
    ASSERT_EQ(ani.ReadFrame(2, 0), 1);
    EXPECT_EQ(Delivered(*ani.GetPixelFormat()), Logical(4, 2, 8, 2));
    ASSERT_EQ(ani.ReadFrame(0, 0), 1);
    EXPECT_EQ(Delivered(*ani.GetPixelFormat()), Logical(4, 2, 8, 0));
    EXPECT_EQ(ani.ReadFrame(3, 0), 0);
    EXPECT_EQ(ani.ReadFrame(-1, 0), 0);
    EXPECT_EQ(ani.WriteFrame(0), 0); // reading only
    ani.Close();
}

struct Wanted {
    int32_t depth;  // the display's
    int32_t bits;   // delivered
    int32_t redAt;  // red position of the record
    uint32_t green; // its green mask
};

uint32_t Pixel(const Bytes& rows, int32_t stride, int32_t x, int32_t y, int32_t bytes) {
    uint32_t v = 0;
    for (int32_t i = 0; i < bytes; ++i)
        v |= uint32_t(rows[size_t(y) * stride + x * bytes + i]) << (8 * i);
    return v;
}

// A raw film whose frame size is not the suggested buffer size is decoded,
// into 5:6:5 for a 15 or 16-bit display, 24 bits for a 24-bit one, and the
// film's own depth otherwise; the record says what it holds.
TEST_F(AviAniCheckTest, DecodedIntoWhatTheDisplayWants) {
    const Wanted cases[] = {
        {16, 16, 11, 63}, {15, 16, 11, 63}, {24, 24, 16, 255}, {8, 32, 16, 255}};
    for (const Wanted& c : cases) {
        SCOPED_TRACE("display of " + std::to_string(c.depth) + " bits");
        OpenDisplay(c.depth);
        avicheck::Film f = RawFilm(5, 3, 32, false, 2);
        f.suggested = 4096;
        TMetaAni ani;
        ani.SetPath(Film("wanted" + std::to_string(c.depth) + ".avi", f).c_str());
        ASSERT_EQ(ani.Open(1), 1);
        EXPECT_FALSE(ani.ReadsRaw());
        ASSERT_EQ(ani.ReadFrame(1, 0), 1);
        const GdlBitmap* b = ani.GetPixelFormat();
        EXPECT_EQ(b->bitsPerPixel, c.bits);
        EXPECT_EQ(b->bytesPerLine, Stride(5, c.bits));
        EXPECT_EQ(b->pixelFormat->redPosition, c.redAt);
        EXPECT_EQ(b->pixelFormat->greenMask, c.green);
        const Bytes source = Logical(5, 3, 32, 1), got = Delivered(*b);
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 5; ++x) {
                const uint32_t p = Pixel(source, Stride(5, 32), x, y, 4);
                const uint32_t r = p >> 16 & 255, g = p >> 8 & 255, bl = p & 255;
                const uint32_t want =
                    c.bits == 16 ? (r >> 3) << 11 | (g >> 2) << 5 | bl >> 3 : r << 16 | g << 8 | bl;
                EXPECT_EQ(Pixel(got, b->bytesPerLine, x, y, c.bits / 8) & 0xFFFFFF, want)
                    << x << "," << y;
            }
        ani.Close();
        TDispDev::Global().Close();
        TDispDev::Global().ReleaseLibrary();
        displayOpen = false;
    }
}

// Audio in bytes: the six format values, the length in bytes, reads of whole
// blocks from a byte offset, the stream index checked.
TEST_F(AviAniCheckTest, AudioIsReadInBytes) {
    avicheck::Film f = RawFilm(2, 2, 24, false, 1);
    f.channels = 2;
    f.audioBits = 16;
    f.sampleRate = 11025;
    for (int i = 0; i < 40; ++i)
        f.audio.push_back(uint8_t(i * 3 + 1));
    TMetaAni ani;
    ani.SetPath(Film("sound.avi", f).c_str());
    ASSERT_EQ(ani.Open(1), 1);
    EXPECT_TRUE(ani.HasAudio());
    EXPECT_EQ(ani.GetAudioChannels(), 2);
    EXPECT_EQ(ani.GetAudioBits(), 16);
    EXPECT_EQ(ani.GetAudioRate(), 11025);
    EXPECT_EQ(ani.GetAudioLength(), 40);
    int32_t v[6];
    ani.GetAudioFormat(&v[0], &v[1], &v[2], &v[3], &v[4], &v[5]);
    EXPECT_EQ(std::vector<int32_t>(v, v + 6), (std::vector<int32_t>{1, 2, 11025, 44100, 4, 16}));
    ani.SetAudioRate(8000); // writing only
    EXPECT_EQ(ani.GetAudioRate(), 11025);
    ASSERT_EQ(ani.ReadAudio(8, 10, 0), 1); // two whole blocks from block 2
    ASSERT_NE(ani.GetAudioData(), nullptr);
    EXPECT_EQ(Bytes(ani.GetAudioData(), ani.GetAudioData() + 8),
              Bytes(f.audio.begin() + 8, f.audio.begin() + 16));
    ASSERT_EQ(ani.ReadAudio(0, 40, 0), 1);
    EXPECT_EQ(Bytes(ani.GetAudioData(), ani.GetAudioData() + 40), f.audio);
    EXPECT_EQ(ani.ReadAudio(0, 8, 1), 0);   // no second audio stream
    EXPECT_EQ(ani.ReadAudio(32, 16, 0), 0); // past the end
    EXPECT_EQ(ani.ReadAudio(0, 3, 0), 0);   // not one block
    ani.FreeAudio();
    EXPECT_EQ(ani.GetAudioData(), nullptr);
    ani.Close();

    TMetaAni silent;
    silent.SetPath(Film("silent.avi", RawFilm(2, 2, 24, false, 1)).c_str());
    ASSERT_EQ(silent.Open(1), 1);
    EXPECT_FALSE(silent.HasAudio());
    EXPECT_EQ(silent.GetAudioLength(), 0);
    EXPECT_EQ(silent.ReadAudio(0, 4, 0), 0);
    silent.Close();
}

struct OpenFailure {
    const char* name;
    Bytes bytes; // empty: no file
    const char* text;
};

// A file that cannot be opened: error 44 with the platform's reason, the path
// as object, nothing counted, so the same object opens the file once it is
// good; a header read of a missing file says nothing.
TEST_F(AviAniCheckTest, OpenFailuresAreReportedAndNotCounted) {
    Bytes truncated = WriteAvi(RawFilm(4, 4, 24, false, 3));
    truncated.resize(100);
    const OpenFailure cases[] = {
        {"missing.avi", {}, "A disk error occurred while opening the file."},
        {"garbage.avi", Bytes(300, 0x41),
         "The file couldn't be read, indicating a corrupt file or an unrecognized format."},
        {"cut.avi", truncated, nullptr},
        {"film.mov", WriteAvi(RawFilm(4, 4, 24, false, 1)),
         "According to the registry, the type of file specified in AVIFileOpen does not have "
         "a handler to process it."},
    };
    for (const OpenFailure& c : cases) {
        SCOPED_TRACE(c.name);
        TError::ClearLists();
        const std::string path = c.bytes.empty() ? dir.File(c.name) : dir.Write(c.name, c.bytes);
        TAviAni ani;
        ani.SetPath(path.c_str());
        EXPECT_EQ(ani.Open(1), 0);
        EXPECT_EQ(ani.LoadCount(), 0);
        EXPECT_EQ(ani.GetMode(), 0);
        ASSERT_NE(NewestError(), nullptr);
        EXPECT_EQ(NewestError()->code, 44);
        if (c.text) {
            EXPECT_STREQ(NewestError()->message.c_str(), c.text);
        }
        EXPECT_STREQ(NewestError()->object.c_str(), path.c_str());
    }
    // Frames cut off the end of a film answer 0.
    Bytes cut = WriteAvi(RawFilm(4, 4, 24, false, 3));
    cut.resize(cut.size() * 3 / 4);
    TMetaAni shortened;
    shortened.SetPath(dir.Write("short.avi", cut).c_str());
    if (shortened.Open(1)) {
        EXPECT_EQ(shortened.ReadFrame(0, 0), 1);
        EXPECT_EQ(Delivered(*shortened.GetPixelFormat()), Logical(4, 4, 24, 0));
        EXPECT_EQ(shortened.ReadFrame(2, 0), 0);
        shortened.Close();
    }
    TError::ClearLists();
    TMetaAni late;
    const std::string path = dir.File("late.avi");
    late.SetPath(path.c_str());
    EXPECT_EQ(late.GetKind(), TMetaAni::kAvi);
    EXPECT_EQ(late.GetWidth(0), 0);
    EXPECT_EQ(late.GetFrameCount(0), 0);
    EXPECT_FALSE(late.IsValid());
    EXPECT_EQ(NewestError(), nullptr); // the header read is silent
    EXPECT_EQ(late.Open(1), 0);
    dir.Write("late.avi", WriteAvi(RawFilm(4, 2, 24, false, 1)));
    ASSERT_EQ(late.Open(1), 1);
    EXPECT_TRUE(late.IsValid());
    EXPECT_EQ(late.Open(1), 0); // only the first open
    EXPECT_EQ(late.LoadCount(), 1);
    late.Close();
    EXPECT_EQ(late.LoadCount(), 0);
    EXPECT_EQ(late.GetMode(), 0);
}

struct RateCase {
    float fps;
    uint32_t rate; // over a scale of 1000
};

// What a recording stores, read back from the file's own bytes: the video
// header (scale 1000, the rate in thousandths), a 1064-byte format with the
// picture's palette, rows bottom-up with 5:6:5 stored as 5:5:5, key frames;
// the audio header and whole blocks of audio.
TEST_F(AviAniCheckTest, RecordingsStoreWhatTheHeadersSay) {
    const RateCase rates[] = {{0.0f, 15000}, {6.67f, 6670}, {0.5f, 500}, {29.97f, 29970}};
    static GdlPixelFormat k565 = {31, 63, 31, 0, 11, 3, 5, 2, 0, 3, 0, 0};
    for (const RateCase& rc : rates) {
        SCOPED_TRACE(rc.fps);
        const std::string path = dir.File("rec" + std::to_string(rc.rate) + ".avi");
        TMetaAni ani;
        ani.SetPath(path.c_str());
        ASSERT_EQ(ani.Open(2), 1);
        EXPECT_EQ(ani.GetRate(0), 15.0);
        if (rc.fps > 0) ani.SetRate(rc.fps);
        // 3 x 2 pixels of 5:6:5 with a gap behind each row.
        Bytes pixels = {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0xEE, 0xEE,
                        0xFF, 0xFF, 0x21, 0x08, 0x41, 0x00, 0xEE, 0xEE};
        GdlBitmap picture{3, 2, 16, 8, pixels.data(), nullptr, &k565};
        ani.SetPixelFormat(&picture);
        ASSERT_EQ(ani.WriteFrame(0), 1);
        ASSERT_EQ(ani.WriteFrame(1), 1);
        GdlBitmap other{4, 2, 16, 8, pixels.data(), nullptr, &k565};
        ani.SetPixelFormat(&other);
        EXPECT_EQ(ani.WriteFrame(2), 0);   // another size
        EXPECT_EQ(ani.ReadFrame(0, 0), 0); // writing only
        Bytes sound = {1, 2, 3, 4, 5, 6, 7};
        ani.SetAudioData(sound.data());
        ASSERT_EQ(ani.WriteAudio(0, 7), 1); // three whole blocks
        ASSERT_EQ(ani.Close(), 1);

        const Bytes file = testsupport::TempDir::Read(path);
        const std::vector<ChunkAt> strh = Chunks(file, "strh"), strf = Chunks(file, "strf");
        ASSERT_EQ(strh.size(), 2u);
        ASSERT_EQ(strf.size(), 2u);
        EXPECT_EQ(Get(file, strh[0].at), Fourcc("vids"));
        EXPECT_EQ(Get(file, strh[0].at + 20), 1000u); // scale
        EXPECT_EQ(Get(file, strh[0].at + 24), rc.rate);
        EXPECT_EQ(Get(file, strh[0].at + 32), 2u); // length
        EXPECT_EQ(strf[0].size, 1064u);
        const size_t bih = strf[0].at;
        EXPECT_EQ(Get(file, bih), 40u);
        EXPECT_EQ(Get(file, bih + 4), 3u);
        EXPECT_EQ(Get(file, bih + 8), 2u); // positive: bottom-up
        EXPECT_EQ(Get2(file, bih + 12), 1u);
        EXPECT_EQ(Get2(file, bih + 14), 16u);
        EXPECT_EQ(Get(file, bih + 16), 0u);  // BI_RGB
        EXPECT_EQ(Get(file, bih + 20), 16u); // padded rows of 8 bytes
        const std::vector<ChunkAt> frames = Chunks(file, "00db");
        ASSERT_EQ(frames.size(), 2u);
        ASSERT_EQ(frames[0].size, 16u);
        // Bottom row first; (p >> 1) & 0x7FE0 | p & 0x1F; padding zero.
        const Bytes stored(file.begin() + long(frames[0].at),
                           file.begin() + long(frames[0].at) + 16);
        EXPECT_EQ(stored, (Bytes{0xFF, 0x7F, 0x01, 0x04, 0x21, 0x00, 0, 0, 0x00, 0x7C, 0xE0, 0x03,
                                 0x1F, 0x00, 0, 0}));
        const std::vector<ChunkAt> index = Chunks(file, "idx1");
        ASSERT_EQ(index.size(), 1u);
        for (size_t e = 0; e < index[0].size / 16; ++e)
            if (Get(file, index[0].at + 16 * e) == Fourcc("00db")) {
                EXPECT_EQ(Get(file, index[0].at + 16 * e + 4) & 0x10, 0x10u);
            }
        // Audio: the default format, 22050 Hz mono 16 bits.
        EXPECT_EQ(Get(file, strh[1].at), Fourcc("auds"));
        EXPECT_EQ(Get(file, strh[1].at + 20), 1u);
        EXPECT_EQ(Get(file, strh[1].at + 24), 22050u);
        EXPECT_EQ(Get(file, strh[1].at + 44), 2u); // sample size
        EXPECT_EQ(strf[1].size, 18u);
        const size_t w = strf[1].at;
        EXPECT_EQ(std::vector<uint32_t>({Get2(file, w), Get2(file, w + 2), Get(file, w + 4),
                                         Get(file, w + 8), Get2(file, w + 12), Get2(file, w + 14),
                                         Get2(file, w + 16)}),
                  (std::vector<uint32_t>{1, 1, 22050, 44100, 2, 16, 0}));
        const std::vector<ChunkAt> audio = Chunks(file, "01wb");
        ASSERT_EQ(audio.size(), 1u);
        EXPECT_EQ(audio[0].size, 6u);
        EXPECT_EQ(Bytes(file.begin() + long(audio[0].at), file.begin() + long(audio[0].at) + 6),
                  Bytes(sound.begin(), sound.begin() + 6));
    }
}

// An 8-bit recording keeps the picture's 256 colours; a 15-bit one is stored
// as 16 bits unchanged; the audio format set while writing is the stream's.
TEST_F(AviAniCheckTest, PalettesFifteenBitsAndTheAudioFormatSet) {
    Bytes colours = Palette(8);
    Bytes indexes = {0, 1, 2, 3, 250, 251, 252, 255};
    GdlBitmap eight{
        4, 2, 8, 4, indexes.data(), reinterpret_cast<GdlPaletteEntry*>(colours.data()), nullptr};
    const std::string path = dir.File("eight.avi");
    TMetaAni ani;
    ani.SetPath(path.c_str());
    ASSERT_EQ(ani.Open(2), 1);
    ani.SetPixelFormat(&eight);
    ani.SetAudioChannels(2);
    ani.SetAudioBits(8);
    ani.SetAudioRate(8000);
    ASSERT_EQ(ani.WriteFrame(0), 1);
    Bytes sound(10, 0x80);
    ani.SetAudioData(sound.data());
    ASSERT_EQ(ani.WriteAudio(0, 10), 1);
    ani.Close();
    Bytes file = testsupport::TempDir::Read(path);
    const std::vector<ChunkAt> strf = Chunks(file, "strf");
    ASSERT_EQ(strf.size(), 2u);
    EXPECT_EQ(Bytes(file.begin() + long(strf[0].at) + 40, file.begin() + long(strf[0].at) + 1064),
              colours);
    const size_t w = strf[1].at;
    EXPECT_EQ(std::vector<uint32_t>({Get2(file, w + 2), Get(file, w + 4), Get(file, w + 8),
                                     Get2(file, w + 12), Get2(file, w + 14)}),
              (std::vector<uint32_t>{2, 8000, 16000, 2, 8}));

    TMetaAni reader;
    reader.SetPath(path.c_str());
    ASSERT_EQ(reader.Open(1), 1);
    ASSERT_EQ(reader.ReadFrame(0, 0), 1);
    const GdlBitmap* b = reader.GetPixelFormat();
    EXPECT_EQ(Delivered(*b), indexes);
    EXPECT_EQ(std::memcmp(b->palette, colours.data(), 1024), 0);
    EXPECT_EQ(reader.GetAudioLength(), 10);
    reader.Close();

    Bytes fifteen = {0x00, 0x7C, 0x1F, 0x00};
    GdlBitmap p15{2, 1, 15, 4, fifteen.data(), nullptr, nullptr};
    const std::string path15 = dir.File("fifteen.avi");
    TMetaAni ani15;
    ani15.SetPath(path15.c_str());
    ASSERT_EQ(ani15.Open(2), 1);
    ani15.SetPixelFormat(&p15);
    ASSERT_EQ(ani15.WriteFrame(0), 1);
    ani15.Close();
    file = testsupport::TempDir::Read(path15);
    EXPECT_EQ(Get2(file, Chunks(file, "strf")[0].at + 14), 16u);
    const ChunkAt frame = Chunks(file, "00db")[0];
    EXPECT_EQ(Bytes(file.begin() + long(frame.at), file.begin() + long(frame.at) + 4), fifteen);
}

// Saving a closed recording again compressed: Microsoft Video 1 or Cinepak
// as chosen, the file left closed; without a choice (cancel) or while open,
// nothing is saved.
TEST_F(AviAniCheckTest, SavingCompressed) {
    static GdlPixelFormat k565 = {31, 63, 31, 0, 11, 3, 5, 2, 0, 3, 0, 0};
    for (auto [method, handler] : {std::pair{1, "MSVC"}, std::pair{2, "CVID"}}) {
        SCOPED_TRACE(handler);
        const std::string path = dir.File(std::string(handler) + ".avi");
        TMetaAni ani;
        ani.SetPath(path.c_str());
        ASSERT_EQ(ani.Open(2), 1);
        Bytes pixels(16 * 8 * 2);
        for (size_t i = 0; i < pixels.size(); i += 2)
            pixels[i + 1] = 0xF8; // red
        GdlBitmap b{16, 8, 16, 32, pixels.data(), nullptr, &k565};
        ani.SetPixelFormat(&b);
        ASSERT_EQ(ani.WriteFrame(0), 1);
        ani.SetCompression(method, 7500);
        EXPECT_EQ(ani.Save(0), 0); // still open
        ani.Close();
        ASSERT_EQ(ani.Save(0), 1);
        EXPECT_FALSE(ani.IsOpenAvi());
        const Bytes file = testsupport::TempDir::Read(path);
        const std::vector<ChunkAt> strh = Chunks(file, "strh"), strf = Chunks(file, "strf");
        ASSERT_EQ(strh.size(), 1u);
        // Four-character codes compare without regard to case.
        EXPECT_EQ(Get(file, strh[0].at + 4) | 0x20202020, Fourcc(handler) | 0x20202020);
        EXPECT_EQ(Get(file, strf[0].at + 16) | 0x20202020, Fourcc(handler) | 0x20202020);
        TMetaAni reader;
        reader.SetPath(path.c_str());
        ASSERT_EQ(reader.Open(1), 1);
        EXPECT_EQ(reader.GetFrameCount(0), 1);
        ASSERT_EQ(reader.ReadFrame(0, 0), 1);
        reader.Close();
    }
    platform::SetAviSaveOptionsChoice("");
    TMetaAni ask;
    const std::string path = dir.File("ask.avi");
    dir.Write("ask.avi", WriteAvi(RawFilm(4, 2, 24, false, 1)));
    ask.SetPath(path.c_str());
    ask.SetCompression(0, 0);
    EXPECT_EQ(ask.Save(0), 0);
    platform::SetAviSaveOptionsChoice(nullptr);
}

} // namespace avicheck
} // namespace

// The animation resource checked through its one interface: the kind by
// extension and its reports, album animations (reading only, counted opens,
// clips, the base's rate), the base's mode-guarded picture and audio, and a
// renamed resource choosing its kind again.
namespace {

class MetaAniCheckTest : public check::MediaFixture {
protected:
    // Two clips: 4 x 2 with three frames, 8 x 3 with one.
    std::string Album(const std::string& name) {
        tools::AlbumPlan plan;
        plan.entries = {{4, 2, {check::Bytes(8, 1), check::Bytes(8, 2), check::Bytes(8, 3)}, 0},
                        {8, 3, {check::Bytes(24, 9)}, 0}};
        return dir.Write(name, tools::WriteAlbum(plan, nullptr));
    }
    testsupport::TempDir dir;
};

struct KindCase {
    const char* name;
    TMetaAni::Kind kind;
    int32_t code;
    const char* message;
};

TEST_F(MetaAniCheckTest, KindByExtensionAndItsReports) {
    Album("clip.ALB");
    const KindCase cases[] = {
        {"film.AVI", TMetaAni::kAvi, 0, nullptr},
        {"rec.DlA", TMetaAni::kDelta, 0, nullptr},
        {"clip.ALB", TMetaAni::kAlbum, 0, nullptr},
        {"clip.alba", TMetaAni::kNone, 49, "Invalid file extension."},
        {"film.", TMetaAni::kNone, 49, "Invalid file extension."},
        {"film.avi.bak", TMetaAni::kNone, 49, "Invalid file extension."},
        {"v1.2/film", TMetaAni::kNone, 50, "Missing file extension."},
        {"film", TMetaAni::kNone, 50, "Missing file extension."},
    };
    for (const KindCase& c : cases) {
        SCOPED_TRACE(c.name);
        TError::ClearLists();
        const std::string path = dir.File(c.name);
        TMetaAni ani(nullptr);
        ani.SetPath(path.c_str());
        EXPECT_EQ(ani.GetKind(), c.kind);
        TErrorRec* e = NewestError();
        if (!c.code) {
            EXPECT_EQ(e, nullptr);
            continue;
        }
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->code, c.code);
        EXPECT_STREQ(e->message.c_str(), c.message);
        EXPECT_STREQ(e->object.c_str(), path.c_str());
        EXPECT_STREQ(e->source.c_str(), "Source\\TMetaAni");
        // Kind 0 answers 0 everywhere.
        EXPECT_EQ(ani.Open(1), 0);
        EXPECT_EQ(ani.ReadFrame(0, 0), 0);
        EXPECT_EQ(ani.WriteFrame(0), 0);
        EXPECT_EQ(ani.GetWidth(0), 0);
        EXPECT_EQ(ani.GetFrameCount(0), 0);
        EXPECT_FALSE(ani.IsValid());
    }
}

// Albums play only: a write open fails and changes nothing, a read open then
// works; later opens must give the first open's mode; the last close clears
// the mode; clips are the album's entries; the rate is the base's 10.0.
TEST_F(MetaAniCheckTest, AlbumAnimations) {
    TMetaAni ani;
    ani.SetPath(Album("strip.alb").c_str());
    EXPECT_EQ(ani.GetKind(), TMetaAni::kAlbum);
    EXPECT_TRUE(ani.IsValid());
    EXPECT_EQ(ani.Open(2), 0);
    EXPECT_EQ(ani.GetMode(), 0);
    EXPECT_EQ(ani.GetPixelFormat(), nullptr);
    EXPECT_EQ(ani.Open(1), 1);
    EXPECT_EQ(ani.GetMode(), 1);
    EXPECT_EQ(ani.Open(3), 0); // another mode
    EXPECT_EQ(ani.Open(1), 1);
    EXPECT_DOUBLE_EQ(ani.GetRate(0), 10.0);
    EXPECT_EQ(ani.GetFrameCount(0), 3);
    EXPECT_EQ(ani.GetFrameCount(1), 1);
    EXPECT_EQ(ani.GetWidth(1), 8);
    EXPECT_EQ(ani.GetHeight(1), 3);
    EXPECT_EQ(ani.GetWidth(0), 4);
    ASSERT_EQ(ani.ReadFrame(2, 0), 1);
    const GdlBitmap* b = ani.GetPixelFormat();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->width, 4);
    EXPECT_EQ(b->height, 2);
    EXPECT_EQ(b->surface[0], 3);
    ani.FreeFrame();
    ASSERT_EQ(ani.ReadFrame(0, 1), 1);
    EXPECT_EQ(ani.GetPixelFormat()->width, 8);
    EXPECT_EQ(ani.GetPixelFormat()->surface[0], 9);
    ani.FreeFrame();
    EXPECT_EQ(ani.WriteFrame(0), 0);
    EXPECT_EQ(ani.ReadAudio(0, 4, 0), 0);
    EXPECT_FALSE(ani.HasAudio());
    EXPECT_EQ(ani.GetAudioLength(), 0);
    ani.Close();
    EXPECT_EQ(ani.GetMode(), 1); // one open left
    ani.Close();
    EXPECT_EQ(ani.GetMode(), 0);
    EXPECT_EQ(ani.ReadFrame(0, 0), 0); // closed
}

// The base answers its picture only while reading, takes one only while
// writing, and keeps the six audio values as one group.
TEST_F(MetaAniCheckTest, TheBaseGuardsByMode) {
    TMetaAni ani;
    EXPECT_STREQ(ani.GetFolder(), "Animations");
    EXPECT_FALSE(ani.HasPath());
    GdlBitmap picture{};
    uint8_t sound[4] = {};
    ani.SetPixelFormat(&picture); // not writing: ignored
    ani.SetAudioData(sound);
    EXPECT_EQ(ani.GetPixelFormat(), nullptr);
    EXPECT_EQ(ani.GetAudioData(), nullptr);
    ani.SetAudioFormat(1, 2, 22050, 88200, 4, 16);
    int32_t v[6] = {};
    ani.GetAudioFormat(&v[0], &v[1], &v[2], &v[3], &v[4], &v[5]);
    EXPECT_EQ(std::vector<int32_t>(v, v + 6), (std::vector<int32_t>{1, 2, 22050, 88200, 4, 16}));
    ani.SetUserWord(77);
    EXPECT_EQ(ani.GetUserWord(), 77);
    EXPECT_EQ(ani.SetMode(1), 0);
    EXPECT_EQ(ani.GetAudioData(), sound);
    ani.ClearMode();
    EXPECT_EQ(ani.GetMode(), 0);
}

// A new name chooses the kind again on next use.
TEST_F(MetaAniCheckTest, ANewNameChoosesAgain) {
    TMetaAni ani;
    ani.SetPath(dir.File("a.dla").c_str());
    EXPECT_EQ(ani.GetKind(), TMetaAni::kDelta);
    ani.SetPath(Album("b.alb").c_str());
    EXPECT_EQ(ani.GetKind(), TMetaAni::kAlbum);
    EXPECT_EQ(ani.GetFrameCount(0), 3);
    ani.SetPath(dir.File("c.avi").c_str());
    EXPECT_EQ(ani.GetKind(), TMetaAni::kAvi);
    EXPECT_TRUE(ani.HasPath());
}

} // namespace
