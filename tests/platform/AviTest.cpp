// AVI files through the writer and back: every depth, both row orders, odd
// widths, several streams in any order; the same files read by FFmpeg; the
// files we refuse.
#include "AviPeer.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

using namespace avitest;

namespace {

struct Case {
    int bits, width, height;
    bool topDown;
};

const Case kCases[] = {
    {1, 13, 7, false}, {4, 9, 5, true},    {8, 17, 6, false}, {8, 16, 4, true}, {16, 11, 5, false},
    {24, 7, 9, true},  {24, 10, 3, false}, {32, 5, 4, false}, {32, 6, 2, true}, {16, 3, 3, true},
};

constexpr int kFrames = 3;

// Writes `frames` frames of the pattern, raw, as the only stream.
std::string WriteFilm(const testsupport::TempDir& dir, const Case& c,
                      const char* name = "film.avi") {
    const std::string path = dir.File(name);
    PAVIFILE file = nullptr;
    EXPECT_EQ(AVIFileOpenA(&file, path.c_str(), OF_CREATE | OF_WRITE, nullptr), AVIERR_OK);
    PAVISTREAM stream = nullptr;
    AVISTREAMINFOA info = VideoInfo(c.width, c.height);
    EXPECT_EQ(AVIFileCreateStreamA(file, &stream, &info), AVIERR_OK);
    std::vector<uint8_t> format =
        DibFormat(c.width, c.height, c.bits, c.topDown, c.bits <= 8 ? 1 << c.bits : 0);
    EXPECT_EQ(AVIStreamSetFormat(stream, 0, format.data(), LONG(format.size())), AVIERR_OK);
    for (int f = 0; f < kFrames; ++f) {
        std::vector<uint8_t> pixels = DibPixels(c.width, c.height, c.bits, c.topDown, f);
        EXPECT_EQ(AVIStreamWrite(stream, f, 1, pixels.data(), LONG(pixels.size()), AVIIF_KEYFRAME,
                                 nullptr, nullptr),
                  AVIERR_OK);
    }
    AVIStreamRelease(stream);
    AVIFileRelease(file);
    return path;
}

void ExpectFrame(const uint8_t* dib, const Case& c, int frame, int storedBits, int tolerance) {
    ASSERT_NE(dib, nullptr);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) {
            const uint32_t want = Stored(x, y, frame, storedBits), got = DibColor(dib, x, y);
            for (int shift = 0; shift < 24; shift += 8)
                ASSERT_NEAR(int((want >> shift) & 0xFF), int((got >> shift) & 0xFF), tolerance)
                    << "bits " << c.bits << " frame " << frame << " at " << x << "," << y;
        }
}

TEST(Avi, RecordSizesAreWindows) {
    EXPECT_EQ(sizeof(AVIFILEINFOA), 108u);
    EXPECT_EQ(sizeof(AVISTREAMINFOA), 140u);
    EXPECT_EQ(AVIERR_BADFORMAT, HRESULT(0x80044066u));
    EXPECT_EQ(AVIERR_FILEOPEN, HRESULT(0x8004406Fu));
}

TEST(Avi, RoundTripsEveryDepthAndRowOrder) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.bits << " bits " << c.width << "x" << c.height
                                        << (c.topDown ? " top-down" : " bottom-up"));
        testsupport::TempDir dir;
        const std::string path = WriteFilm(dir, c);
        PAVIFILE file = nullptr;
        ASSERT_EQ(AVIFileOpenA(&file, path.c_str(), OF_READ, nullptr), AVIERR_OK);
        AVIFILEINFOA fi;
        ASSERT_EQ(AVIFileInfoA(file, &fi, sizeof fi), AVIERR_OK);
        EXPECT_EQ(fi.dwStreams, 1u);
        EXPECT_EQ(fi.dwWidth, DWORD(c.width));
        EXPECT_EQ(fi.dwLength, DWORD(kFrames));
        PAVISTREAM stream = nullptr;
        ASSERT_EQ(AVIFileGetStream(file, &stream, streamtypeVIDEO, 0), AVIERR_OK);
        AVISTREAMINFOA si;
        AVIStreamInfoA(stream, &si, sizeof si);
        EXPECT_EQ(si.dwRate, 15u);
        EXPECT_EQ(AVIStreamLength(stream), kFrames);
        // The format block and each chunk come back exactly as written.
        const std::vector<uint8_t> format =
            DibFormat(c.width, c.height, c.bits, c.topDown, c.bits <= 8 ? 1 << c.bits : 0);
        LONG size = 0;
        AVIStreamReadFormat(stream, 0, nullptr, &size);
        ASSERT_EQ(size_t(size), format.size());
        std::vector<uint8_t> read(size);
        AVIStreamReadFormat(stream, 0, read.data(), &size);
        EXPECT_EQ(read, format);
        for (int f = 0; f < kFrames; ++f) {
            const std::vector<uint8_t> pixels = DibPixels(c.width, c.height, c.bits, c.topDown, f);
            std::vector<uint8_t> chunk(pixels.size());
            LONG bytes = 0;
            ASSERT_EQ(
                AVIStreamRead(stream, f, 1, chunk.data(), LONG(chunk.size()), &bytes, nullptr),
                AVIERR_OK);
            EXPECT_EQ(chunk, pixels);
        }
        // Decoded: the stream's own depth, 5:6:5 and 24 bits top-down.
        PGETFRAME own = AVIStreamGetFrameOpen(stream, nullptr);
        ASSERT_NE(own, nullptr);
        for (int f : {0, 2, 1, 1})
            ExpectFrame(static_cast<uint8_t*>(AVIStreamGetFrame(own, f)), c, f, c.bits, 0);
        AVIStreamGetFrameClose(own);
        struct {
            BITMAPINFOHEADER h;
            DWORD masks[3];
        } wanted = {{40, c.width, -c.height, 1, 16, BI_BITFIELDS, 0, 0, 0, 0, 0},
                    {0xF800, 0x07E0, 0x001F}};
        PGETFRAME rgb565 = AVIStreamGetFrameOpen(stream, &wanted.h);
        ASSERT_NE(rgb565, nullptr);
        ExpectFrame(static_cast<uint8_t*>(AVIStreamGetFrame(rgb565, 1)), c, 1, c.bits, 8);
        AVIStreamGetFrameClose(rgb565);
        BITMAPINFOHEADER rgb24 = {40, c.width, -c.height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        PGETFRAME getter24 = AVIStreamGetFrameOpen(stream, &rgb24);
        ExpectFrame(static_cast<uint8_t*>(AVIStreamGetFrame(getter24, 2)), c, 2, c.bits, 0);
        EXPECT_EQ(AVIStreamGetFrame(getter24, kFrames), nullptr);
        AVIStreamGetFrameClose(getter24);
        AVIStreamRelease(stream);
        AVIFileRelease(file);

        // FFmpeg reads the same file the same way.
        PeerVideo peer;
        ASSERT_TRUE(PeerDecode(path, 0, peer));
        ASSERT_EQ(peer.frames.size(), size_t(kFrames));
        for (int f = 0; f < kFrames; ++f)
            for (int y = 0; y < c.height; ++y)
                for (int x = 0; x < c.width; ++x) {
                    const uint32_t want = Stored(x, y, f, c.bits),
                                   got = peer.frames[f][y * c.width + x];
                    for (int shift = 0; shift < 24; shift += 8)
                        ASSERT_NEAR(int((want >> shift) & 0xFF), int((got >> shift) & 0xFF), 8)
                            << "peer, frame " << f << " at " << x << "," << y;
                }
    }
}

TEST(Avi, StreamsInAnyOrderAndCreatedAfterData) {
    testsupport::TempDir dir;
    const std::string path = dir.File("mixed.avi");
    PAVIFILE file = nullptr;
    ASSERT_EQ(AVIFileOpenA(&file, path.c_str(), OF_CREATE | OF_WRITE, nullptr), AVIERR_OK);
    // Audio first, with data before any video stream exists.
    PAVISTREAM audio = nullptr, first = nullptr, second = nullptr;
    AVISTREAMINFOA ai = AudioInfo(8000, 2);
    ASSERT_EQ(AVIFileCreateStreamA(file, &audio, &ai), AVIERR_OK);
    std::vector<uint8_t> wave = PcmFormat(1, 8000, 16);
    ASSERT_EQ(AVIStreamSetFormat(audio, 0, wave.data(), LONG(wave.size())), AVIERR_OK);
    std::vector<uint8_t> pcm(4000);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = uint8_t(i * 7 + i / 3);
    ASSERT_EQ(AVIStreamWrite(audio, 0, 1000, pcm.data(), 2000, AVIIF_KEYFRAME, nullptr, nullptr),
              AVIERR_OK);
    const Case a{24, 8, 4, false}, b{8, 6, 6, true};
    AVISTREAMINFOA vi = VideoInfo(a.width, a.height);
    ASSERT_EQ(AVIFileCreateStreamA(file, &first, &vi), AVIERR_OK);
    std::vector<uint8_t> fa = DibFormat(a.width, a.height, 24, false);
    AVIStreamSetFormat(first, 0, fa.data(), LONG(fa.size()));
    for (int f = 0; f < 2; ++f) {
        auto p = DibPixels(a.width, a.height, 24, false, f);
        ASSERT_EQ(
            AVIStreamWrite(first, f, 1, p.data(), LONG(p.size()), AVIIF_KEYFRAME, nullptr, nullptr),
            AVIERR_OK);
    }
    vi = VideoInfo(b.width, b.height, 5);
    ASSERT_EQ(AVIFileCreateStreamA(file, &second, &vi), AVIERR_OK);
    std::vector<uint8_t> fb = DibFormat(b.width, b.height, 8, true, 256);
    AVIStreamSetFormat(second, 0, fb.data(), LONG(fb.size()));
    for (int f = 0; f < 3; ++f) {
        auto p = DibPixels(b.width, b.height, 8, true, f);
        ASSERT_EQ(AVIStreamWrite(second, f, 1, p.data(), LONG(p.size()), AVIIF_KEYFRAME, nullptr,
                                 nullptr),
                  AVIERR_OK);
    }
    ASSERT_EQ(AVIStreamWrite(audio, 1000, 1000, pcm.data() + 2000, 2000, AVIIF_KEYFRAME, nullptr,
                             nullptr),
              AVIERR_OK);
    AVIStreamRelease(audio);
    AVIStreamRelease(first);
    AVIStreamRelease(second);
    AVIFileRelease(file);

    ASSERT_EQ(AVIFileOpenA(&file, path.c_str(), OF_READ, nullptr), AVIERR_OK);
    PAVISTREAM s[3] = {};
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(AVIFileGetStream(file, &s[i], 0, i), AVIERR_OK);
    PAVISTREAM none = nullptr;
    EXPECT_NE(AVIFileGetStream(file, &none, 0, 3), AVIERR_OK);
    AVISTREAMINFOA info;
    AVIStreamInfoA(s[0], &info, sizeof info);
    EXPECT_EQ(info.fccType, DWORD(streamtypeAUDIO));
    EXPECT_EQ(AVIStreamLength(s[0]), 2000);
    std::vector<uint8_t> back(4000);
    LONG bytes = 0, samples = 0;
    ASSERT_EQ(AVIStreamRead(s[0], 500, 1500, back.data(), 4000, &bytes, &samples), AVIERR_OK);
    EXPECT_EQ(samples, 1500);
    EXPECT_TRUE(std::equal(back.begin(), back.begin() + 3000, pcm.begin() + 1000));
    EXPECT_EQ(AVIStreamLength(s[1]), 2);
    EXPECT_EQ(AVIStreamLength(s[2]), 3);
    PAVISTREAM secondVideo = nullptr;
    ASSERT_EQ(AVIFileGetStream(file, &secondVideo, streamtypeVIDEO, 1), AVIERR_OK);
    EXPECT_EQ(secondVideo, s[2]);
    PGETFRAME g = AVIStreamGetFrameOpen(s[2], nullptr);
    ExpectFrame(static_cast<uint8_t*>(AVIStreamGetFrame(g, 2)), b, 2, 8, 0);
    AVIStreamGetFrameClose(g);
    for (PAVISTREAM x : {s[0], s[1], s[2], secondVideo})
        AVIStreamRelease(x);
    AVIFileRelease(file);

    PeerVideo peer;
    ASSERT_TRUE(PeerDecode(path, 1, peer));
    ASSERT_EQ(peer.frames.size(), 3u);
    EXPECT_EQ(peer.frames[2][5], Stored(5, 0, 2, 8));
}

TEST(Avi, ManyStreamsOutgrowTheHeaderRoom) {
    // Eight palette streams need more header room than is kept in front of
    // the data, written one after another so the data has to move.
    testsupport::TempDir dir;
    const std::string path = dir.File("many.avi");
    const Case c{8, 6, 4, false};
    PAVIFILE file = nullptr;
    ASSERT_EQ(AVIFileOpenA(&file, path.c_str(), OF_CREATE | OF_WRITE, nullptr), AVIERR_OK);
    auto format = DibFormat(c.width, c.height, 8, false, 256);
    for (int n = 0; n < 8; ++n) {
        PAVISTREAM stream = nullptr;
        AVISTREAMINFOA vi = VideoInfo(c.width, c.height);
        ASSERT_EQ(AVIFileCreateStreamA(file, &stream, &vi), AVIERR_OK);
        AVIStreamSetFormat(stream, 0, format.data(), LONG(format.size()));
        auto p = DibPixels(c.width, c.height, 8, false, n);
        AVIStreamWrite(stream, 0, 1, p.data(), LONG(p.size()), AVIIF_KEYFRAME, nullptr, nullptr);
        AVIStreamRelease(stream);
    }
    AVIFileRelease(file);
    ASSERT_EQ(AVIFileOpenA(&file, path.c_str(), OF_READ, nullptr), AVIERR_OK);
    for (int n = 0; n < 8; ++n) {
        PAVISTREAM stream = nullptr;
        ASSERT_EQ(AVIFileGetStream(file, &stream, streamtypeVIDEO, n), AVIERR_OK);
        PGETFRAME g = AVIStreamGetFrameOpen(stream, nullptr);
        ExpectFrame(static_cast<uint8_t*>(AVIStreamGetFrame(g, 0)), c, n, 8, 0);
        AVIStreamGetFrameClose(g);
        AVIStreamRelease(stream);
    }
    AVIFileRelease(file);
    PeerVideo peer;
    ASSERT_TRUE(PeerDecode(path, 7, peer));
    ASSERT_EQ(peer.frames.size(), 1u);
    EXPECT_EQ(peer.frames[0][3], Stored(3, 0, 7, 8));
}

TEST(Avi, DroppedFrameRepeatsThePreviousOne) {
    testsupport::TempDir dir;
    const Case c{24, 4, 4, false};
    const std::string path = dir.File("gap.avi");
    PAVIFILE file = nullptr;
    ASSERT_EQ(AVIFileOpenA(&file, path.c_str(), OF_CREATE | OF_WRITE, nullptr), AVIERR_OK);
    PAVISTREAM stream = nullptr;
    AVISTREAMINFOA vi = VideoInfo(4, 4);
    AVIFileCreateStreamA(file, &stream, &vi);
    auto format = DibFormat(4, 4, 24, false);
    AVIStreamSetFormat(stream, 0, format.data(), LONG(format.size()));
    auto f0 = DibPixels(4, 4, 24, false, 0), f2 = DibPixels(4, 4, 24, false, 2);
    AVIStreamWrite(stream, 0, 1, f0.data(), LONG(f0.size()), AVIIF_KEYFRAME, nullptr, nullptr);
    AVIStreamWrite(stream, 2, 1, f2.data(), LONG(f2.size()), AVIIF_KEYFRAME, nullptr, nullptr);
    AVIStreamRelease(stream);
    AVIFileRelease(file);

    ASSERT_EQ(AVIFileOpenA(&file, path.c_str(), OF_READ, nullptr), AVIERR_OK);
    AVIFileGetStream(file, &stream, streamtypeVIDEO, 0);
    EXPECT_EQ(AVIStreamLength(stream), 3);
    std::vector<uint8_t> chunk(f0.size());
    LONG bytes = 0;
    ASSERT_EQ(AVIStreamRead(stream, 1, 1, chunk.data(), LONG(chunk.size()), &bytes, nullptr),
              AVIERR_OK);
    EXPECT_EQ(chunk, f0);
    PGETFRAME g = AVIStreamGetFrameOpen(stream, nullptr);
    ExpectFrame(static_cast<uint8_t*>(AVIStreamGetFrame(g, 1)), c, 0, 24, 0);
    ExpectFrame(static_cast<uint8_t*>(AVIStreamGetFrame(g, 2)), c, 2, 24, 0);
    AVIStreamGetFrameClose(g);
    AVIStreamRelease(stream);
    AVIFileRelease(file);
}

TEST(Avi, RefusesWhatIsNoFilm) {
    testsupport::TempDir dir;
    const std::string good = WriteFilm(dir, {24, 8, 8, false});
    const std::vector<unsigned char> film = testsupport::TempDir::Read(good);
    std::vector<unsigned char> wave = {'R', 'I', 'F', 'F', 28,  0,   0,  0, 'W', 'A',
                                       'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0,   0};
    wave.resize(36, 1);
    std::vector<unsigned char> unknown = film;
    // The compression field of the stream's format: a codec nobody knows.
    for (size_t i = 0; i + 4 < unknown.size(); ++i)
        if (std::memcmp(&unknown[i], "strf", 4) == 0) {
            std::memcpy(&unknown[i + 8 + 16], "ZZZZ", 4);
            break;
        }
    struct {
        const char* name;
        std::vector<unsigned char> bytes;
        HRESULT result;
    } cases[] = {
        {"empty.avi", {}, AVIERR_FILEREAD},
        {"short.avi", std::vector<unsigned char>(film.begin(), film.begin() + 100),
         AVIERR_FILEREAD},
        {"wave.avi", wave, AVIERR_BADFORMAT},
        {"unknown.avi", unknown, AVIERR_BADFORMAT},
        {"film.wav", film, REGDB_E_CLASSNOTREG},
    };
    for (const auto& c : cases) {
        const std::string path = dir.Write(c.name, c.bytes);
        PAVIFILE file = reinterpret_cast<PAVIFILE>(1);
        EXPECT_EQ(AVIFileOpenA(&file, path.c_str(), OF_READ, nullptr), c.result) << c.name;
        EXPECT_EQ(file, nullptr);
    }
    PAVIFILE file = nullptr;
    EXPECT_EQ(AVIFileOpenA(&file, dir.File("missing.avi").c_str(), OF_READ, nullptr),
              AVIERR_FILEOPEN);
    // Case does not matter in the extension.
    const std::string upper = dir.Write("FILM.AVI", film);
    ASSERT_EQ(AVIFileOpenA(&file, upper.c_str(), OF_READ, nullptr), AVIERR_OK);
    AVIFileRelease(file);
}

TEST(Avi, FileCutInsideTheFramesOpens) {
    testsupport::TempDir dir;
    const Case c{24, 8, 8, false};
    const std::vector<unsigned char> film = testsupport::TempDir::Read(WriteFilm(dir, c));
    const std::string path =
        dir.Write("cut.avi", std::vector<unsigned char>(film.begin(), film.end() - 300));
    PAVIFILE file = nullptr;
    ASSERT_EQ(AVIFileOpenA(&file, path.c_str(), OF_READ, nullptr), AVIERR_OK);
    PAVISTREAM stream = nullptr;
    ASSERT_EQ(AVIFileGetStream(file, &stream, streamtypeVIDEO, 0), AVIERR_OK);
    PGETFRAME g = AVIStreamGetFrameOpen(stream, nullptr);
    ASSERT_NE(g, nullptr);
    ExpectFrame(static_cast<uint8_t*>(AVIStreamGetFrame(g, 0)), c, 0, 24, 0);
    EXPECT_EQ(AVIStreamGetFrame(g, 2), nullptr);
    std::vector<uint8_t> chunk(8 * 8 * 3);
    EXPECT_EQ(AVIStreamRead(stream, 2, 1, chunk.data(), LONG(chunk.size()), nullptr, nullptr),
              AVIERR_FILEREAD);
    AVIStreamGetFrameClose(g);
    AVIStreamRelease(stream);
    AVIFileRelease(file);
}

TEST(Avi, IndexNamingChunksPastTheEndReadsNothing) {
    testsupport::TempDir dir;
    const Case c{24, 8, 8, false};
    std::vector<unsigned char> film = testsupport::TempDir::Read(WriteFilm(dir, c));
    // The last index entry claims a chunk of nearly 2 GB.
    const uint32_t huge = 0x7FFFFFF0;
    std::memcpy(&film[film.size() - 4], &huge, 4);
    const std::string path = dir.Write("huge.avi", film);
    PAVIFILE file = nullptr;
    ASSERT_EQ(AVIFileOpenA(&file, path.c_str(), OF_READ, nullptr), AVIERR_OK);
    PAVISTREAM stream = nullptr;
    ASSERT_EQ(AVIFileGetStream(file, &stream, streamtypeVIDEO, 0), AVIERR_OK);
    PGETFRAME g = AVIStreamGetFrameOpen(stream, nullptr);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(AVIStreamGetFrame(g, kFrames - 1), nullptr);
    ExpectFrame(static_cast<uint8_t*>(AVIStreamGetFrame(g, 1)), c, 1, 24, 0);
    LONG bytes = -1;
    EXPECT_EQ(AVIStreamRead(stream, kFrames - 1, 1, nullptr, 0, &bytes, nullptr), AVIERR_FILEREAD);
    EXPECT_EQ(bytes, 0);
    AVIStreamGetFrameClose(g);
    AVIStreamRelease(stream);
    AVIFileRelease(file);
}

TEST(Avi, WriterStopsAtItsLimitAndLeavesAValidFile) {
    testsupport::TempDir dir;
    platform::SetAviWriteLimitForTests(12000);
    const std::string path = dir.File("limit.avi");
    PAVIFILE file = nullptr;
    ASSERT_EQ(AVIFileOpenA(&file, path.c_str(), OF_CREATE | OF_WRITE, nullptr), AVIERR_OK);
    PAVISTREAM stream = nullptr;
    AVISTREAMINFOA vi = VideoInfo(16, 16);
    AVIFileCreateStreamA(file, &stream, &vi);
    auto format = DibFormat(16, 16, 24, false);
    AVIStreamSetFormat(stream, 0, format.data(), LONG(format.size()));
    int written = 0;
    HRESULT last = AVIERR_OK;
    for (int f = 0; f < 20 && last == AVIERR_OK; ++f) {
        auto p = DibPixels(16, 16, 24, false, f);
        last = AVIStreamWrite(stream, f, 1, p.data(), LONG(p.size()), AVIIF_KEYFRAME, nullptr,
                              nullptr);
        if (last == AVIERR_OK) ++written;
    }
    EXPECT_EQ(last, AVIERR_FILEWRITE);
    EXPECT_GT(written, 0);
    AVIStreamRelease(stream);
    AVIFileRelease(file);
    platform::SetAviWriteLimitForTests(0);
    EXPECT_LE(std::filesystem::file_size(path), 12000u);

    ASSERT_EQ(AVIFileOpenA(&file, path.c_str(), OF_READ, nullptr), AVIERR_OK);
    AVIFileGetStream(file, &stream, streamtypeVIDEO, 0);
    EXPECT_EQ(AVIStreamLength(stream), written);
    PGETFRAME g = AVIStreamGetFrameOpen(stream, nullptr);
    ExpectFrame(static_cast<uint8_t*>(AVIStreamGetFrame(g, written - 1)), {24, 16, 16, false},
                written - 1, 24, 0);
    AVIStreamGetFrameClose(g);
    AVIStreamRelease(stream);
    AVIFileRelease(file);
}

TEST(Avi, WriterRefusesOversizedFrames) {
    testsupport::TempDir dir;
    PAVIFILE file = nullptr;
    ASSERT_EQ(AVIFileOpenA(&file, dir.File("big.avi").c_str(), OF_CREATE | OF_WRITE, nullptr),
              AVIERR_OK);
    PAVISTREAM stream = nullptr;
    AVISTREAMINFOA vi = VideoInfo(40000, 2);
    AVIFileCreateStreamA(file, &stream, &vi);
    auto format = DibFormat(40000, 2, 24, false);
    EXPECT_EQ(AVIStreamSetFormat(stream, 0, format.data(), LONG(format.size())), AVIERR_BADFORMAT);
    AVIStreamRelease(stream);
    AVIFileRelease(file);
}

} // namespace

namespace {

// IMA ADPCM blocks of a tone, made by libavcodec's encoder, with their
// WAVEFORMATEX (the encoder's extra data appended).
bool EncodeAdpcm(int rate, std::vector<uint8_t>& format, std::vector<std::vector<uint8_t>>& blocks,
                 int& samples) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_ADPCM_IMA_WAV);
    if (!codec) return false;
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    ctx->sample_rate = rate;
    ctx->sample_fmt = AV_SAMPLE_FMT_S16P;
    av_channel_layout_default(&ctx->ch_layout, 1);
    ctx->bit_rate = 0;
    if (avcodec_open2(ctx, codec, nullptr) < 0) return false;
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    samples = 0;
    for (int b = 0; b < 4; ++b) {
        frame->nb_samples = ctx->frame_size;
        frame->format = ctx->sample_fmt;
        av_channel_layout_copy(&frame->ch_layout, &ctx->ch_layout);
        av_frame_get_buffer(frame, 0);
        int16_t* s = reinterpret_cast<int16_t*>(frame->data[0]);
        for (int i = 0; i < ctx->frame_size; ++i, ++samples)
            s[i] = int16_t(8000 * std::sin(samples * 0.05));
        avcodec_send_frame(ctx, frame);
        av_frame_unref(frame);
        while (avcodec_receive_packet(ctx, packet) == 0) {
            blocks.emplace_back(packet->data, packet->data + packet->size);
            av_packet_unref(packet);
        }
    }
    format = PcmFormat(1, rate, 4);
    format[0] = 0x11; // WAVE_FORMAT_IMA_ADPCM
    format[12] = uint8_t(ctx->block_align), format[13] = uint8_t(ctx->block_align >> 8);
    format[8] = format[9] = format[10] = format[11] = 0;
    format[16] = uint8_t(ctx->extradata_size);
    format.insert(format.end(), ctx->extradata, ctx->extradata + ctx->extradata_size);
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&ctx);
    return true;
}

TEST(Avi, CompressedAudioIsDescribedAsItsPcm) {
    std::vector<uint8_t> format;
    std::vector<std::vector<uint8_t>> blocks;
    int samples = 0;
    ASSERT_TRUE(EncodeAdpcm(11025, format, blocks, samples));
    testsupport::TempDir dir;
    const std::string path = dir.File("adpcm.avi");
    PAVIFILE file = nullptr;
    ASSERT_EQ(AVIFileOpenA(&file, path.c_str(), OF_CREATE | OF_WRITE, nullptr), AVIERR_OK);
    PAVISTREAM audio = nullptr;
    AVISTREAMINFOA ai = AudioInfo(11025, format[12] | (format[13] << 8));
    AVIFileCreateStreamA(file, &audio, &ai);
    ASSERT_EQ(AVIStreamSetFormat(audio, 0, format.data(), LONG(format.size())), AVIERR_OK);
    LONG at = 0;
    for (auto& b : blocks) {
        ASSERT_EQ(AVIStreamWrite(audio, at, 1, b.data(), LONG(b.size()), AVIIF_KEYFRAME, nullptr,
                                 nullptr),
                  AVIERR_OK);
        ++at;
    }
    AVIStreamRelease(audio);
    AVIFileRelease(file);

    ASSERT_EQ(AVIFileOpenA(&file, path.c_str(), OF_READ, nullptr), AVIERR_OK);
    ASSERT_EQ(AVIFileGetStream(file, &audio, streamtypeAUDIO, 0), AVIERR_OK);
    std::vector<uint8_t> pcmFormat(18);
    LONG size = 18;
    AVIStreamReadFormat(audio, 0, pcmFormat.data(), &size);
    EXPECT_EQ(size, 18);
    EXPECT_EQ(pcmFormat, PcmFormat(1, 11025, 16));
    AVISTREAMINFOA info;
    AVIStreamInfoA(audio, &info, sizeof info);
    EXPECT_EQ(info.dwSampleSize, 2u);
    EXPECT_EQ(AVIStreamLength(audio), samples);
    std::vector<int16_t> pcm(samples);
    LONG bytes = 0;
    ASSERT_EQ(AVIStreamRead(audio, 0, samples, pcm.data(), samples * 2, &bytes, nullptr),
              AVIERR_OK);
    EXPECT_EQ(bytes, samples * 2);
    for (int i = 100; i < samples; i += 97)
        EXPECT_NEAR(pcm[i], 8000 * std::sin(i * 0.05), 600) << i;
    AVIStreamRelease(audio);
    AVIFileRelease(file);
}

} // namespace
