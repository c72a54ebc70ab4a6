// Compressed audio of a film, decoded once to interleaved 16-bit PCM.
#include "Reader.h"

#include "platform/Kernel.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>

namespace platform::avi {
namespace {

int16_t FromFloat(double v) {
    v = std::clamp(v, -1.0, 1.0);
    return static_cast<int16_t>(std::lrint(v * 32767.0));
}

// One sample of any of libavcodec's sample formats as 16 bits.
int16_t SampleAt(const AVFrame& f, int channel, int i, int channels) {
    const AVSampleFormat fmt = static_cast<AVSampleFormat>(f.format);
    const bool planar = av_sample_fmt_is_planar(fmt);
    const int at = planar ? i : i * channels + channel;
    const uint8_t* data = f.extended_data[planar ? channel : 0];
    switch (av_get_packed_sample_fmt(fmt)) {
        case AV_SAMPLE_FMT_U8: return static_cast<int16_t>((data[at] - 128) << 8);
        case AV_SAMPLE_FMT_S16: return reinterpret_cast<const int16_t*>(data)[at];
        case AV_SAMPLE_FMT_S32:
            return static_cast<int16_t>(reinterpret_cast<const int32_t*>(data)[at] >> 16);
        case AV_SAMPLE_FMT_S64:
            return static_cast<int16_t>(reinterpret_cast<const int64_t*>(data)[at] >> 48);
        case AV_SAMPLE_FMT_FLT: return FromFloat(reinterpret_cast<const float*>(data)[at]);
        case AV_SAMPLE_FMT_DBL: return FromFloat(reinterpret_cast<const double*>(data)[at]);
        default: return 0;
    }
}

void Append(const AVFrame& f, int channels, std::vector<uint8_t>& pcm) {
    const size_t at = pcm.size();
    pcm.resize(at + size_t(f.nb_samples) * channels * 2);
    uint8_t* out = pcm.data() + at;
    for (int i = 0; i < f.nb_samples; ++i)
        for (int c = 0; c < channels; ++c) {
            const uint16_t v = static_cast<uint16_t>(SampleAt(f, c, i, channels));
            *out++ = static_cast<uint8_t>(v);
            *out++ = static_cast<uint8_t>(v >> 8);
        }
}

struct Resources {
    AVCodecContext* codec = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    ~Resources() {
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
    }
};

// Takes every frame the decoder has ready; false when its output changes
// shape (a stream we cannot describe with one format).
bool Drain(Resources& r, int& channels, int& rate, std::vector<uint8_t>& pcm) {
    while (avcodec_receive_frame(r.codec, r.frame) == 0) {
        const int ch = r.frame->ch_layout.nb_channels;
        if (!channels) {
            channels = ch;
            rate = r.frame->sample_rate;
        }
        if (ch != channels || r.frame->sample_rate != rate) return false;
        Append(*r.frame, channels, pcm);
        av_frame_unref(r.frame);
    }
    return true;
}

} // namespace

bool DecodeAudio(AVFormatContext* format, int streamIndex, std::vector<uint8_t>& pcm, int& channels,
                 int& rate) {
    const AVCodecParameters* par = format->streams[streamIndex]->codecpar;
    const AVCodec* decoder = avcodec_find_decoder(par->codec_id);
    if (!decoder) return false;
    Resources r;
    r.codec = avcodec_alloc_context3(decoder);
    r.packet = av_packet_alloc();
    r.frame = av_frame_alloc();
    if (!r.codec || !r.packet || !r.frame) return false;
    if (avcodec_parameters_to_context(r.codec, par) < 0) return false;
    r.codec->thread_count = 1;
    if (avcodec_open2(r.codec, decoder, nullptr) < 0) return false;
    for (unsigned i = 0; i < format->nb_streams; ++i)
        format->streams[i]->discard =
            static_cast<int>(i) == streamIndex ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    channels = 0;
    rate = 0;
    while (av_read_frame(format, r.packet) >= 0) {
        if (r.packet->stream_index == streamIndex) {
            // A damaged packet is skipped, as a player would.
            avcodec_send_packet(r.codec, r.packet);
            if (!Drain(r, channels, rate, pcm)) return false;
        }
        av_packet_unref(r.packet);
    }
    avcodec_send_packet(r.codec, nullptr);
    if (!Drain(r, channels, rate, pcm)) return false;
    for (unsigned i = 0; i < format->nb_streams; ++i)
        format->streams[i]->discard = AVDISCARD_DEFAULT;
    if (!channels) {
        channels = std::max(1, par->ch_layout.nb_channels);
        rate = std::max(1, par->sample_rate);
    }
    return channels > 0 && channels <= 8 && rate > 0;
}

namespace {

void LogToDebugOutput(void*, int level, const char* format, va_list args) {
    if (level > AV_LOG_ERROR) return;
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    OutputDebugStringA(text);
}

} // namespace

void RouteFfmpegLog() {
    static std::once_flag once;
    std::call_once(once, [] {
        av_log_set_level(AV_LOG_ERROR);
        av_log_set_callback(LogToDebugOutput);
    });
}

} // namespace platform::avi
