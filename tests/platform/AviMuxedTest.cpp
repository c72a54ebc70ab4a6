// Films written by FFmpeg's own AVI muxer and encoders, read through AVIFile
// and compared with FFmpeg's decoding of the same file.
#include "AviPeer.h"

#include "TempDir.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
}

using namespace avitest;

namespace {

// Windows' values, which callers compare results and flags against.
static_assert(AVIERR_UNSUPPORTED == HRESULT(0x80044065u) && AVIERR_MEMORY == HRESULT(0x80044067u) &&
              AVIERR_FILEREAD == HRESULT(0x8004406Du) && AVIERR_FILEWRITE == HRESULT(0x8004406Eu) &&
              AVIERR_NOCOMPRESSOR == HRESULT(0x80044071u) &&
              AVIERR_USERABORT == HRESULT(0x800440C6u));
static_assert(REGDB_E_CLASSNOTREG == HRESULT(0x80040154u));
static_assert(streamtypeVIDEO == 0x73646976u && streamtypeAUDIO == 0x73647561u);
static_assert(AVIIF_KEYFRAME == 0x10 && AVICOMPRESSF_VALID == 8 &&
              (OF_CREATE | OF_WRITE) == 0x1001);

struct Film {
    AVCodecID codec;
    AVPixelFormat pixels;
    int width, height;
};

// Frames of the pattern encoded by `codec` and muxed by libavformat.
bool MuxFilm(const std::string& path, const Film& film, int frames) {
    const AVCodec* codec = avcodec_find_encoder(film.codec);
    if (!codec) return false;
    AVFormatContext* out = nullptr;
    if (avformat_alloc_output_context2(&out, nullptr, "avi", path.c_str()) < 0) return false;
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    ctx->width = film.width;
    ctx->height = film.height;
    ctx->pix_fmt = film.pixels;
    ctx->time_base = {1, 10};
    ctx->gop_size = 3;
    ctx->thread_count = 1;
    ctx->color_range = AVCOL_RANGE_JPEG;
    bool ok = avcodec_open2(ctx, codec, nullptr) >= 0;
    AVStream* st = ok ? avformat_new_stream(out, nullptr) : nullptr;
    ok = st && avcodec_parameters_from_context(st->codecpar, ctx) >= 0;
    if (ok) st->time_base = ctx->time_base;
    ok = ok && avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0 &&
         avformat_write_header(out, nullptr) >= 0;
    AVFrame* rgb = av_frame_alloc();
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    SwsContext* sws =
        sws_getContext(film.width, film.height, AV_PIX_FMT_BGR0, film.width, film.height,
                       film.pixels, SWS_POINT, nullptr, nullptr, nullptr);
    auto drain = [&] {
        while (avcodec_receive_packet(ctx, packet) == 0) {
            av_packet_rescale_ts(packet, ctx->time_base, st->time_base);
            packet->stream_index = st->index;
            av_interleaved_write_frame(out, packet);
        }
    };
    for (int f = 0; ok && f < frames; ++f) {
        rgb->format = AV_PIX_FMT_BGR0, rgb->width = film.width, rgb->height = film.height;
        frame->format = film.pixels, frame->width = film.width, frame->height = film.height;
        ok = av_frame_get_buffer(rgb, 0) >= 0 && av_frame_get_buffer(frame, 0) >= 0;
        for (int y = 0; ok && y < film.height; ++y)
            for (int x = 0; x < film.width; ++x) {
                const uint32_t c = Pattern(x, y, f);
                std::memcpy(rgb->data[0] + y * rgb->linesize[0] + 4 * x, &c, 4);
            }
        if (ok)
            sws_scale(sws, rgb->data, rgb->linesize, 0, film.height, frame->data, frame->linesize);
        frame->pts = f;
        ok = ok && avcodec_send_frame(ctx, frame) >= 0;
        drain();
        av_frame_unref(rgb);
        av_frame_unref(frame);
    }
    avcodec_send_frame(ctx, nullptr);
    drain();
    ok = ok && av_write_trailer(out) >= 0;
    sws_freeContext(sws);
    av_packet_free(&packet);
    av_frame_free(&frame);
    av_frame_free(&rgb);
    avcodec_free_context(&ctx);
    avio_closep(&out->pb);
    avformat_free_context(out);
    return ok;
}

// A colour as stored at 5:5:5 and widened back.
uint32_t To555(uint32_t c) {
    auto level = [&](int shift) {
        const uint32_t v = (c >> (shift + 3)) & 31;
        return ((v << 3) | (v >> 2)) << shift;
    };
    return level(16) | level(8) | level(0);
}

// Raw films and YUV decoders' pictures. The latter go through libswscale,
// whose vector paths write whole blocks past a row's end: widths that are no
// multiple of 16 showed wrong pixels or overran the getter's buffer.
TEST(AviMuxed, FilmsOfEveryWidthMatchFfmpeg) {
    const Film films[] = {
        {AV_CODEC_ID_MJPEG, AV_PIX_FMT_YUVJ420P, 36, 20},
        {AV_CODEC_ID_MJPEG, AV_PIX_FMT_YUVJ422P, 40, 20},
        {AV_CODEC_ID_MJPEG, AV_PIX_FMT_YUVJ420P, 35, 21},
        {AV_CODEC_ID_MPEG4, AV_PIX_FMT_YUV420P, 40, 24},
        {AV_CODEC_ID_FFVHUFF, AV_PIX_FMT_YUV422P, 24, 8},
        // The muxer stores raw RGB top-down (a negative height).
        {AV_CODEC_ID_RAWVIDEO, AV_PIX_FMT_BGR24, 33, 17},
        {AV_CODEC_ID_RAWVIDEO, AV_PIX_FMT_RGB555LE, 31, 9},
    };
    constexpr int kFrames = 5;
    testsupport::TempDir dir;
    for (const Film& film : films) {
        const std::string what = std::string(avcodec_get_name(film.codec)) + " " +
                                 std::to_string(film.width) + "x" + std::to_string(film.height);
        const std::string path = dir.File("muxed.avi");
        ASSERT_TRUE(MuxFilm(path, film, kFrames)) << what;
        PeerVideo peer;
        ASSERT_TRUE(PeerDecode(path, 0, peer)) << what;
        ASSERT_EQ(peer.frames.size(), size_t(kFrames)) << what;

        PAVIFILE file = nullptr;
        ASSERT_EQ(AVIFileOpenA(&file, path.c_str(), OF_READ, nullptr), AVIERR_OK) << what;
        PAVISTREAM stream = nullptr;
        ASSERT_EQ(AVIFileGetStream(file, &stream, streamtypeVIDEO, 0), AVIERR_OK);
        BITMAPINFOHEADER top24 = {40, film.width, -film.height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        for (BITMAPINFOHEADER* wanted : {static_cast<BITMAPINFOHEADER*>(nullptr), &top24}) {
            PGETFRAME getter = AVIStreamGetFrameOpen(stream, wanted);
            ASSERT_NE(getter, nullptr) << what;
            // Backwards too, so that seeking is exercised.
            for (int f : {0, 1, 2, 3, 4, 2, 0}) {
                const auto* dib = static_cast<const uint8_t*>(AVIStreamGetFrame(getter, f));
                ASSERT_NE(dib, nullptr) << what << " frame " << f;
                const bool depth16 = dib[14] == 16; // the stream's own 16 bits
                int wrong = 0;
                for (int y = 0; y < film.height; ++y)
                    for (int x = 0; x < film.width; ++x) {
                        const uint32_t want = peer.frames[f][size_t(y) * film.width + x];
                        wrong += DibColor(dib, x, y) != (depth16 ? To555(want) : want);
                    }
                EXPECT_EQ(wrong, 0) << what << " frame " << f;
            }
            AVIStreamGetFrameClose(getter);
        }
        AVIStreamRelease(stream);
        AVIFileRelease(file);
    }
}

} // namespace
