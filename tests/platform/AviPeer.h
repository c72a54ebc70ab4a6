// Test helpers of the AVI suites: films written through our writer, frame
// patterns, and FFmpeg itself as the independent reader.
#pragma once

#include "platform/Vfw.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace avitest {

// A colour of the test pattern, 0xRRGGBB.
inline uint32_t Pattern(int x, int y, int frame) {
    return (uint32_t((x * 37 + frame * 50) & 0xFF) << 16) |
           (uint32_t((y * 23 + x * 3) & 0xFF) << 8) | uint32_t((x * y + frame * 90) & 0xFF);
}

inline std::vector<uint8_t> DibFormat(int width, int height, int bits, bool topDown, int colors = 0,
                                      DWORD compression = BI_RGB) {
    std::vector<uint8_t> f(40 + 4 * size_t(colors), 0);
    BITMAPINFOHEADER h = {};
    h.biSize = 40;
    h.biWidth = width;
    h.biHeight = topDown ? -height : height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bits);
    h.biCompression = compression;
    h.biSizeImage = static_cast<DWORD>(((width * bits + 31) / 32) * 4 * height);
    h.biClrUsed = static_cast<DWORD>(colors);
    std::memcpy(f.data(), &h, 40);
    for (int i = 0; i < colors; ++i) {
        // A colour table whose entries differ a lot: index i -> (i*53, 255-i*7, i*29).
        f[40 + 4 * i] = static_cast<uint8_t>(i * 29);
        f[41 + 4 * i] = static_cast<uint8_t>(255 - i * 7);
        f[42 + 4 * i] = static_cast<uint8_t>(i * 53);
    }
    return f;
}

inline uint32_t TableColor(int index) {
    return (uint32_t(uint8_t(index * 53)) << 16) | (uint32_t(uint8_t(255 - index * 7)) << 8) |
           uint8_t(index * 29);
}

// The colour a pixel of the pattern has once stored at `bits` bits (an index
// for palettes, 5:5:5 for 16 bits).
inline uint32_t Stored(int x, int y, int frame, int bits) {
    const uint32_t c = Pattern(x, y, frame);
    if (bits <= 8) return TableColor(static_cast<int>(c % (1u << bits)));
    if (bits == 16) {
        auto widen = [](uint32_t v) { return (v << 3) | (v >> 2); };
        return (widen((c >> 19) & 31) << 16) | (widen((c >> 11) & 31) << 8) | widen((c >> 3) & 31);
    }
    return c;
}

// One frame of the pattern in DIB rows of the given order.
inline std::vector<uint8_t> DibPixels(int width, int height, int bits, bool topDown, int frame) {
    const int stride = ((width * bits + 31) / 32) * 4;
    std::vector<uint8_t> p(size_t(stride) * height, 0);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = p.data() + size_t(topDown ? y : height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            const uint32_t c = Pattern(x, y, frame);
            switch (bits) {
                case 1:
                case 4:
                case 8: {
                    const uint32_t i = c % (1u << bits);
                    const int per = 8 / bits;
                    const int shift = 8 - bits * (x % per + 1);
                    row[x / per] = static_cast<uint8_t>(row[x / per] | (i << shift));
                    break;
                }
                case 16: {
                    const uint16_t v = static_cast<uint16_t>(
                        ((c >> 19) & 31) << 10 | ((c >> 11) & 31) << 5 | ((c >> 3) & 31));
                    row[2 * x] = static_cast<uint8_t>(v);
                    row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
                    break;
                }
                default: {
                    uint8_t* at = row + x * (bits / 8);
                    at[0] = static_cast<uint8_t>(c);
                    at[1] = static_cast<uint8_t>(c >> 8);
                    at[2] = static_cast<uint8_t>(c >> 16);
                }
            }
        }
    }
    return p;
}

inline AVISTREAMINFOA VideoInfo(int width, int height, DWORD rate = 15) {
    AVISTREAMINFOA i = {};
    i.fccType = streamtypeVIDEO;
    i.dwScale = 1;
    i.dwRate = rate;
    i.rcFrame = {0, 0, width, height};
    return i;
}

inline AVISTREAMINFOA AudioInfo(int rate, int align) {
    AVISTREAMINFOA i = {};
    i.fccType = streamtypeAUDIO;
    i.dwScale = 1;
    i.dwRate = static_cast<DWORD>(rate);
    i.dwSampleSize = static_cast<DWORD>(align);
    return i;
}

inline std::vector<uint8_t> PcmFormat(int channels, int rate, int bits) {
    std::vector<uint8_t> f(18, 0);
    const int align = channels * bits / 8;
    const uint32_t fields[] = {1, uint32_t(channels)};
    f[0] = static_cast<uint8_t>(fields[0]);
    f[2] = static_cast<uint8_t>(fields[1]);
    std::memcpy(&f[4], &rate, 4);
    const uint32_t perSecond = static_cast<uint32_t>(rate * align);
    std::memcpy(&f[8], &perSecond, 4);
    f[12] = static_cast<uint8_t>(align);
    f[14] = static_cast<uint8_t>(bits);
    return f;
}

// A colour of a packed DIB returned by the frame getter, at (x, y) counted
// from the top.
inline uint32_t DibColor(const uint8_t* dib, int x, int y) {
    BITMAPINFOHEADER h;
    std::memcpy(&h, dib, 40);
    const int height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    const int bits = h.biBitCount;
    const int colors = bits <= 8 ? (h.biClrUsed ? int(h.biClrUsed) : 1 << bits) : 0;
    uint32_t masks[3] = {0x7C00, 0x3E0, 0x1F};
    if (h.biCompression == BI_BITFIELDS) std::memcpy(masks, dib + 40, 12);
    const uint8_t* table = dib + 40 + (h.biCompression == BI_BITFIELDS ? 12 : 0);
    const uint8_t* pixels = table + 4 * colors;
    const int stride = ((h.biWidth * bits + 31) / 32) * 4;
    const uint8_t* row = pixels + size_t(h.biHeight < 0 ? y : height - 1 - y) * stride;
    auto entry = [&](int i) {
        return (uint32_t(table[4 * i + 2]) << 16) | (uint32_t(table[4 * i + 1]) << 8) |
               table[4 * i];
    };
    if (bits <= 8) {
        const int per = 8 / bits;
        const int shift = 8 - bits * (x % per + 1);
        return entry((row[x / per] >> shift) & ((1 << bits) - 1));
    }
    if (bits == 16) {
        const uint32_t v = row[2 * x] | (row[2 * x + 1] << 8);
        auto level = [&](uint32_t mask) {
            int shift = 0, width = 0;
            while (!((mask >> shift) & 1))
                ++shift;
            while ((mask >> (shift + width)) & 1)
                ++width;
            const uint32_t c = (v & mask) >> shift;
            uint32_t out = c << (8 - width);
            for (int filled = width; filled < 8; filled += width)
                out |= out >> width;
            return out & 0xFF;
        };
        return (level(masks[0]) << 16) | (level(masks[1]) << 8) | level(masks[2]);
    }
    const uint8_t* at = row + x * (bits / 8);
    return (uint32_t(at[2]) << 16) | (uint32_t(at[1]) << 8) | at[0];
}

// FFmpeg's own reading of a file: every frame of the n-th video stream as
// 0xRRGGBB pixels, top row first.
struct PeerVideo {
    int width = 0, height = 0;
    std::vector<std::vector<uint32_t>> frames;
};

inline bool PeerDecode(const std::string& path, int videoOrdinal, PeerVideo& out) {
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return false;
    int index = -1;
    for (unsigned i = 0, n = 0; i < format->nb_streams; ++i)
        if (format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
            int(n++) == videoOrdinal)
            index = static_cast<int>(i);
    bool ok = index >= 0;
    const AVCodec* codec =
        ok ? avcodec_find_decoder(format->streams[index]->codecpar->codec_id) : nullptr;
    AVCodecContext* ctx = codec ? avcodec_alloc_context3(codec) : nullptr;
    ok = ctx && avcodec_parameters_to_context(ctx, format->streams[index]->codecpar) >= 0 &&
         avcodec_open2(ctx, codec, nullptr) >= 0;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    SwsContext* sws = nullptr;
    auto take = [&]() {
        while (avcodec_receive_frame(ctx, frame) == 0) {
            out.width = frame->width;
            out.height = frame->height;
            sws = sws_getCachedContext(sws, frame->width, frame->height,
                                       AVPixelFormat(frame->format), frame->width, frame->height,
                                       AV_PIX_FMT_BGR0, SWS_POINT, nullptr, nullptr, nullptr);
            // libswscale writes whole blocks past a row's end: padded rows.
            const int padded = (frame->width + 15) / 16 * 16;
            std::vector<uint32_t> all(size_t(padded) * (frame->height + 1));
            uint8_t* planes[4] = {reinterpret_cast<uint8_t*>(all.data())};
            int strides[4] = {padded * 4};
            sws_scale(sws, frame->data, frame->linesize, 0, frame->height, planes, strides);
            std::vector<uint32_t> rgb;
            for (int y = 0; y < frame->height; ++y)
                for (int x = 0; x < frame->width; ++x)
                    rgb.push_back(all[size_t(y) * padded + x] & 0xFFFFFF);
            out.frames.push_back(std::move(rgb));
        }
    };
    while (ok && av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == index) {
            avcodec_send_packet(ctx, packet);
            take();
        }
        av_packet_unref(packet);
    }
    if (ok) {
        avcodec_send_packet(ctx, nullptr);
        take();
    }
    sws_freeContext(sws);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&ctx);
    avformat_close_input(&format);
    return ok;
}

} // namespace avitest
