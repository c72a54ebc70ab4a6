// Video frames of a stream through libavcodec (one thread): the next frame
// decodes forward, any other starts again at the key frame before it.
#pragma once

#include "AviInternal.h"

#include <vector>

struct AVCodecContext;
struct AVCodecParameters;
struct AVFrame;
struct AVPacket;

namespace platform::avi {

class ReadStream;

class Decoder {
public:
    ~Decoder();
    static std::unique_ptr<Decoder> Open(ReadStream& stream, const AVCodecParameters* codec);

    // The picture of chunk `index` (a non-empty one); null when it cannot be
    // decoded. Valid until the next call.
    const AVFrame* Decode(long index);

private:
    explicit Decoder(ReadStream& stream) : stream_(stream) {}
    void Restart(long from);
    bool Send(long index);
    // True once the frame of `target` has come out.
    bool Receive(long target);
    long KeyBefore(long index) const;

    ReadStream& stream_;
    AVCodecContext* codec_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVFrame* result_ = nullptr;
    bool intraOnly_ = false;
    bool sendPalette_ = true;
    long next_ = 0;     // the next chunk to send
    long current_ = -1; // the chunk whose picture is in result_
    std::vector<uint8_t> bytes_;
    std::vector<uint32_t> palette_; // the stream's colours, for palette decoders
};

} // namespace platform::avi
