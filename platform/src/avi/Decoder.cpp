// Decoding a stream's video chunks with libavcodec.
#include "Decoder.h"

#include "Reader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
}

#include <algorithm>
#include <cstring>

namespace platform::avi {

// Decoders that are late by more frames than this are given up on.
constexpr long kMaxDelay = 16;

Decoder::~Decoder() {
    av_frame_free(&result_);
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&codec_);
}

std::unique_ptr<Decoder> Decoder::Open(ReadStream& stream, const AVCodecParameters* par) {
    const AVCodec* found = avcodec_find_decoder(par->codec_id);
    if (!found) return nullptr;
    std::unique_ptr<Decoder> d(new Decoder(stream));
    d->codec_ = avcodec_alloc_context3(found);
    d->packet_ = av_packet_alloc();
    d->frame_ = av_frame_alloc();
    d->result_ = av_frame_alloc();
    if (!d->codec_ || !d->packet_ || !d->frame_ || !d->result_) return nullptr;
    if (avcodec_parameters_to_context(d->codec_, par) < 0) return nullptr;
    d->codec_->thread_count = 1;
    if (avcodec_open2(d->codec_, found, nullptr) < 0) return nullptr;
    const AVCodecDescriptor* desc = avcodec_descriptor_get(par->codec_id);
    d->intraOnly_ = desc && (desc->props & AV_CODEC_PROP_INTRA_ONLY);
    // The colour table of the stream's format, handed to palette decoders.
    const std::vector<uint8_t>& f = stream.format;
    const int bits = Le16(f, 14);
    const uint32_t header = Le32(f, 0);
    if (bits <= 8 && header >= 40 && header <= f.size()) {
        const size_t room = (f.size() - header) / 4;
        const size_t used = Le32(f, 32) ? Le32(f, 32) : size_t(1) << bits;
        const size_t n = std::min(std::min(room, used), size_t(256));
        for (size_t i = 0; i < n; ++i)
            d->palette_.push_back(0xFF000000u | (Le32(f, header + 4 * i) & 0xFFFFFFu));
    }
    return d;
}

long Decoder::KeyBefore(long index) const {
    if (intraOnly_) return index;
    const std::vector<Chunk>& chunks = stream_.Chunks();
    for (long i = index; i >= 0; --i)
        if (chunks[i].size && (chunks[i].flags & AVIIF_KEYFRAME)) return i;
    return 0; // no key frame known: from the start
}

void Decoder::Restart(long from) {
    avcodec_flush_buffers(codec_);
    sendPalette_ = true;
    next_ = from;
    current_ = -1;
}

bool Decoder::Send(long index) {
    const Chunk& c = stream_.Chunks()[index];
    if (!c.size) return true; // a dropped frame: nothing to decode
    if (!stream_.ReadChunk(static_cast<size_t>(index), bytes_)) return false;
    if (av_new_packet(packet_, static_cast<int>(bytes_.size())) < 0) return false;
    std::memcpy(packet_->data, bytes_.data(), bytes_.size());
    packet_->pts = packet_->dts = index;
    if (c.flags & AVIIF_KEYFRAME) packet_->flags |= AV_PKT_FLAG_KEY;
    if (sendPalette_ && !palette_.empty()) {
        uint8_t* side = av_packet_new_side_data(packet_, AV_PKT_DATA_PALETTE, AVPALETTE_SIZE);
        if (side) {
            std::memset(side, 0, AVPALETTE_SIZE);
            std::memcpy(side, palette_.data(), palette_.size() * 4);
        }
        sendPalette_ = false;
    }
    // A damaged chunk is passed over; the picture before it stays.
    avcodec_send_packet(codec_, packet_);
    av_packet_unref(packet_);
    return true;
}

bool Decoder::Receive(long target) {
    bool found = false;
    while (avcodec_receive_frame(codec_, frame_) == 0) {
        const int64_t pts = frame_->best_effort_timestamp != AV_NOPTS_VALUE
                                ? frame_->best_effort_timestamp
                                : frame_->pts;
        if (!found && pts >= target) {
            av_frame_unref(result_);
            av_frame_move_ref(result_, frame_);
            found = true;
        }
        av_frame_unref(frame_);
    }
    return found;
}

const AVFrame* Decoder::Decode(long target) {
    const long count = static_cast<long>(stream_.Chunks().size());
    if (target < 0 || target >= count) return nullptr;
    if (target == current_) return result_;
    const long key = KeyBefore(target);
    if (!(current_ >= 0 && target > current_ && key <= current_ && next_ == current_ + 1))
        Restart(key);
    for (long i = next_; i < count && i <= target + kMaxDelay; ++i) {
        if (!Send(i)) break;
        next_ = i + 1;
        if (Receive(target)) {
            current_ = target;
            return result_;
        }
    }
    // Out of chunks: whatever the decoder still holds.
    avcodec_send_packet(codec_, nullptr);
    const bool found = Receive(target);
    Restart(0);
    if (!found) return nullptr;
    return result_;
}

} // namespace platform::avi
