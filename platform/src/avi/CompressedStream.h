// A video stream compressed on the fly: each frame of the source is decoded
// and handed to libavcodec's Microsoft Video 1 ("MSVC", 5:5:5 in) or Cinepak
// ("CVID", 24 bits in) encoder. Neither has a quality control; the quality
// goes into the stream header only.
#pragma once

#include "AviInternal.h"

struct AVCodecContext;
struct AVFrame;
struct AVPacket;

namespace platform::avi {

class CompressedStream : public AviStreamObject {
public:
    ~CompressedStream() override;
    // AVIERR_NOCOMPRESSOR for an unknown handler or a size not a multiple of 4.
    static HRESULT Make(AviStreamObject& source, const AVICOMPRESSOPTIONS& options,
                        AviStreamObject** out);

    HRESULT Read(LONG start, LONG samples, void* buffer, LONG size, LONG* bytes,
                 LONG* samplesRead) override;
    bool IsKey(LONG pos) override;

private:
    explicit CompressedStream(AviStreamObject& source) : source_(source) { source_.AddRef(); }
    HRESULT OpenEncoder();
    // Compresses frames up to `pos` (from the start when it lies behind).
    HRESULT EncodeUpTo(long pos);
    bool FillFrame(const uint8_t* dib);

    AviStreamObject& source_;
    AviFrameGetter* getter_ = nullptr;
    bool cinepak_ = false;
    int keyEvery_ = 0;
    int width_ = 0, height_ = 0;
    AVCodecContext* codec_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    long next_ = 0;
    long have_ = -1; // the frame whose chunk is in chunk_
    std::vector<uint8_t> chunk_;
    bool key_ = false;
};

} // namespace platform::avi
