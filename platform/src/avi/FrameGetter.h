// The object behind PGETFRAME.
#pragma once

#include "../gdi/GdiInternal.h"
#include "AviInternal.h"

#include <vector>

struct AVFrame;
struct SwsContext;

namespace platform::avi {
class Decoder;
}

struct AviFrameGetter {
public:
    AviFrameGetter(AviStreamObject& stream, std::unique_ptr<platform::avi::Decoder> decoder);
    ~AviFrameGetter();
    AviFrameGetter(const AviFrameGetter&) = delete;
    AviFrameGetter& operator=(const AviFrameGetter&) = delete;

    // Chooses the output layout; false when it cannot be made.
    bool Setup(const BITMAPINFOHEADER* wanted);
    void* Get(LONG pos);

private:
    void StreamColors();
    void WriteColors();
    bool SourceRows(const AVFrame& frame);
    bool ScaleToRgb(const AVFrame& frame);
    bool Convert(const AVFrame& frame);

    AviStreamObject& stream_;
    std::unique_ptr<platform::avi::Decoder> decoder_;
    int width_ = 0, height_ = 0, bits_ = 0, stride_ = 0, colorCount_ = 0;
    bool topDown_ = false;
    uint32_t masks_[3] = {};
    size_t pixelsAt_ = 0;
    std::vector<uint8_t> dib_;
    std::vector<RGBQUAD> colors_;
    long shown_ = -1;
    // The decoded picture, row by row.
    platform::gdi::Surface source_;
    std::vector<RGBQUAD> sourceColors_;
    bool sourceIndexed_ = false;
    const uint8_t* rowBase_ = nullptr;
    int rowStride_ = 0;
    std::vector<uint8_t> scaled_;
    SwsContext* scaler_ = nullptr;
};

namespace platform::avi {
using FrameGetter = AviFrameGetter;
}
