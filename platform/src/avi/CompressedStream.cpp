// Compressing a video stream with libavcodec.
#include "CompressedStream.h"

#include "FrameGetter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include <cstring>

namespace platform::avi {
namespace {

constexpr DWORD kMsvc = mmioFOURCC('M', 'S', 'V', 'C');
constexpr DWORD kCvid = mmioFOURCC('c', 'v', 'i', 'd');

} // namespace

CompressedStream::~CompressedStream() {
    delete getter_;
    av_packet_free(&packet_);
    av_frame_free(&frame_);
    avcodec_free_context(&codec_);
    source_.Release();
}

HRESULT CompressedStream::Make(AviStreamObject& source, const AVICOMPRESSOPTIONS& options,
                               AviStreamObject** out) {
    RouteFfmpegLog();
    const DWORD handler = UpperFourCC(options.fccHandler);
    const bool cinepak = handler == UpperFourCC(kCvid);
    if (source.info.fccType != kTypeVideo || (handler != kMsvc && !cinepak))
        return AVIERR_NOCOMPRESSOR;
    const int32_t width = static_cast<int32_t>(Le32(source.format, 4));
    int32_t height = static_cast<int32_t>(Le32(source.format, 8));
    if (height < 0) height = -height;
    if (!SizeAllowed(width, height) || width % 4 || height % 4) return AVIERR_NOCOMPRESSOR;
    std::unique_ptr<CompressedStream> s(new CompressedStream(source));
    s->cinepak_ = cinepak;
    s->width_ = width;
    s->height_ = height;
    s->keyEvery_ =
        (options.dwFlags & AVICOMPRESSF_KEYFRAMES) ? static_cast<int>(options.dwKeyFrameEvery) : 0;
    // The source is read as the encoder takes it, top row first.
    BITMAPINFOHEADER wanted = {};
    wanted.biSize = 40;
    wanted.biWidth = width;
    wanted.biHeight = -height;
    wanted.biPlanes = 1;
    wanted.biBitCount = cinepak ? 24 : 16;
    wanted.biCompression = BI_RGB;
    s->getter_ = AVIStreamGetFrameOpen(&source, &wanted);
    if (!s->getter_) return AVIERR_NOCOMPRESSOR;
    const HRESULT opened = s->OpenEncoder();
    if (opened != AVIERR_OK) return opened;
    s->info = source.info;
    s->info.fccHandler = cinepak ? kCvid : kMsvc;
    s->info.dwQuality = options.dwQuality;
    s->info.dwSuggestedBufferSize = 0;
    s->info.dwSampleSize = 0;
    s->format.assign(40, 0);
    Put32(s->format, 0, 40);
    Put32(s->format, 4, static_cast<uint32_t>(width));
    Put32(s->format, 8, static_cast<uint32_t>(height));
    Put16(s->format, 12, 1);
    Put16(s->format, 14, cinepak ? 24 : 16);
    Put32(s->format, 16, s->info.fccHandler);
    Put32(s->format, 20, static_cast<uint32_t>(width * height * (cinepak ? 3 : 2)));
    *out = s.release();
    return AVIERR_OK;
}

HRESULT CompressedStream::OpenEncoder() {
    avcodec_free_context(&codec_);
    const AVCodec* encoder =
        avcodec_find_encoder(cinepak_ ? AV_CODEC_ID_CINEPAK : AV_CODEC_ID_MSVIDEO1);
    if (!encoder) return AVIERR_NOCOMPRESSOR;
    codec_ = avcodec_alloc_context3(encoder);
    if (!frame_) frame_ = av_frame_alloc();
    if (!packet_) packet_ = av_packet_alloc();
    if (!codec_ || !frame_ || !packet_) return AVIERR_MEMORY;
    codec_->width = width_;
    codec_->height = height_;
    codec_->pix_fmt = cinepak_ ? AV_PIX_FMT_RGB24 : AV_PIX_FMT_RGB555LE;
    const DWORD scale = source_.info.dwScale ? source_.info.dwScale : 1;
    const DWORD rate = source_.info.dwRate ? source_.info.dwRate : 15;
    codec_->time_base = AVRational{static_cast<int>(scale), static_cast<int>(rate)};
    if (keyEvery_ > 0) codec_->gop_size = keyEvery_;
    codec_->thread_count = 1;
    if (avcodec_open2(codec_, encoder, nullptr) < 0) return AVIERR_COMPRESSOR;
    av_frame_unref(frame_);
    frame_->format = codec_->pix_fmt;
    frame_->width = width_;
    frame_->height = height_;
    if (av_frame_get_buffer(frame_, 0) < 0) return AVIERR_MEMORY;
    next_ = 0;
    have_ = -1;
    return AVIERR_OK;
}

bool CompressedStream::FillFrame(const uint8_t* dib) {
    if (av_frame_make_writable(frame_) < 0) return false;
    const int stride = platform::gdi::DibStride(width_, cinepak_ ? 24 : 16);
    const uint8_t* rows = dib + 40;
    for (int y = 0; y < height_; ++y) {
        const uint8_t* in = rows + size_t(y) * stride;
        uint8_t* out = frame_->data[0] + size_t(y) * frame_->linesize[0];
        if (!cinepak_) {
            std::memcpy(out, in, size_t(width_) * 2);
            continue;
        }
        for (int x = 0; x < width_; ++x, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }
    return true;
}

HRESULT CompressedStream::EncodeUpTo(long pos) {
    if (pos < next_) {
        const HRESULT reopened = OpenEncoder();
        if (reopened != AVIERR_OK) return reopened;
    }
    while (next_ <= pos) {
        const uint8_t* dib = static_cast<const uint8_t*>(
            AVIStreamGetFrame(getter_, static_cast<LONG>(next_ + source_.info.dwStart)));
        if (!dib || !FillFrame(dib)) return AVIERR_FILEREAD;
        frame_->pts = next_;
        if (avcodec_send_frame(codec_, frame_) < 0 || avcodec_receive_packet(codec_, packet_) < 0)
            return AVIERR_COMPRESSOR;
        chunk_.assign(packet_->data, packet_->data + packet_->size);
        key_ = (packet_->flags & AV_PKT_FLAG_KEY) != 0;
        av_packet_unref(packet_);
        have_ = next_++;
    }
    return AVIERR_OK;
}

HRESULT CompressedStream::Read(LONG start, LONG, void* buffer, LONG size, LONG* bytes,
                               LONG* samplesRead) {
    if (bytes) *bytes = 0;
    if (samplesRead) *samplesRead = 0;
    const long pos = static_cast<long>(start) - static_cast<long>(info.dwStart);
    if (pos < 0 || pos >= static_cast<long>(info.dwLength)) return AVIERR_NODATA;
    if (have_ != pos) {
        const HRESULT hr = EncodeUpTo(pos);
        if (hr != AVIERR_OK) return hr;
    }
    if (buffer) {
        if (static_cast<size_t>(size) < chunk_.size()) return AVIERR_BUFFERTOOSMALL;
        std::memcpy(buffer, chunk_.data(), chunk_.size());
    }
    if (bytes) *bytes = static_cast<LONG>(chunk_.size());
    if (samplesRead) *samplesRead = 1;
    return AVIERR_OK;
}

bool CompressedStream::IsKey(LONG pos) {
    const long p = static_cast<long>(pos) - static_cast<long>(info.dwStart);
    if (have_ != p && EncodeUpTo(p) != AVIERR_OK) return false;
    return key_;
}

} // namespace platform::avi
