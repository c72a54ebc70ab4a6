// The frame getter: decoded pictures as packed DIBs in the layout asked for.
// RGB layouts are converted by the layer's own DIB row conversions (exact,
// no dithering); libswscale turns only the decoders' YUV into RGB first.
#include "Decoder.h"
#include "FrameGetter.h"
#include "Reader.h"

#include "../gdi/GdiInternal.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <cstdint>
#include <cstring>

namespace platform::avi {
namespace {

bool ValidDepth(int bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

bool ValidMasks(const uint32_t masks[3], int bits) {
    uint32_t seen = 0;
    for (int i = 0; i < 3; ++i) {
        uint32_t m = masks[i];
        if (!m || (seen & m) || (bits == 16 && (m >> 16))) return false;
        seen |= m;
        while (!(m & 1u))
            m >>= 1;
        if (m & (m + 1)) return false;
    }
    return true;
}

// 32-bit masks (red, green, blue) of libavutil's packed four-byte layouts,
// read as little-endian words.
bool MasksOf32(AVPixelFormat f, uint32_t masks[3]) {
    switch (f) {
        case AV_PIX_FMT_BGRA:
        case AV_PIX_FMT_BGR0: masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF; return true;
        case AV_PIX_FMT_RGBA:
        case AV_PIX_FMT_RGB0: masks[0] = 0xFF, masks[1] = 0xFF00, masks[2] = 0xFF0000; return true;
        case AV_PIX_FMT_ARGB:
        case AV_PIX_FMT_0RGB:
            masks[0] = 0xFF00, masks[1] = 0xFF0000, masks[2] = 0xFF000000u;
            return true;
        case AV_PIX_FMT_ABGR:
        case AV_PIX_FMT_0BGR:
            masks[0] = 0xFF000000u, masks[1] = 0xFF0000, masks[2] = 0xFF00;
            return true;
        default: return false;
    }
}

} // namespace
} // namespace platform::avi

using namespace platform::avi;
using platform::gdi::Surface;
namespace gdi = platform::gdi;

AviFrameGetter::AviFrameGetter(AviStreamObject& stream, std::unique_ptr<Decoder> decoder)
    : stream_(stream), decoder_(std::move(decoder)) {
    stream_.AddRef();
}

bool AviFrameGetter::Setup(const BITMAPINFOHEADER* wanted) {
    const std::vector<uint8_t>& f = stream_.format;
    const int32_t width = static_cast<int32_t>(Le32(f, 4));
    const int32_t storedHeight = static_cast<int32_t>(Le32(f, 8));
    const int32_t height = storedHeight < 0 ? -storedHeight : storedHeight;
    width_ = width;
    height_ = height;
    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    DWORD compression = BI_RGB;
    if (!wanted) {
        // The stream's own depth, bottom-up.
        bits_ = Le16(f, 14);
        if (!ValidDepth(bits_)) bits_ = bits_ < 8 ? 8 : 24;
        topDown_ = false;
    } else {
        bits_ = wanted->biBitCount;
        topDown_ = wanted->biHeight < 0;
        const int32_t h = wanted->biHeight < 0 ? -wanted->biHeight : wanted->biHeight;
        if (!ValidDepth(bits_) || (wanted->biWidth && wanted->biWidth != width) ||
            (h && h != height))
            return false;
        compression = wanted->biCompression;
        if (compression == BI_BITFIELDS) {
            if (bits_ != 16 && bits_ != 32) return false;
            std::memcpy(masks, wanted + 1, sizeof masks);
            if (!ValidMasks(masks, bits_)) return false;
        } else if (compression != BI_RGB) {
            return false;
        }
    }
    if (compression == BI_RGB) gdi::DefaultMasks(bits_, masks);
    std::memcpy(masks_, masks, sizeof masks);
    stride_ = gdi::DibStride(width_, bits_);
    colorCount_ = bits_ <= 8 ? 1 << bits_ : 0;
    StreamColors();
    const size_t maskBytes = compression == BI_BITFIELDS ? 12 : 0;
    pixelsAt_ = 40 + maskBytes + 4 * size_t(colorCount_);
    dib_.assign(pixelsAt_ + size_t(stride_) * height_, 0);
    BITMAPINFOHEADER h = {};
    h.biSize = 40;
    h.biWidth = width_;
    h.biHeight = topDown_ ? -height_ : height_;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bits_);
    h.biCompression = compression;
    h.biSizeImage = static_cast<DWORD>(stride_) * height_;
    h.biClrUsed = static_cast<DWORD>(colorCount_);
    std::memcpy(dib_.data(), &h, sizeof h);
    if (maskBytes) std::memcpy(dib_.data() + 40, masks, maskBytes);
    WriteColors();
    return true;
}

// The colour table of an indexed output starts as the stream's own.
void AviFrameGetter::StreamColors() {
    colors_.assign(colorCount_, RGBQUAD{0, 0, 0, 0});
    const std::vector<uint8_t>& f = stream_.format;
    const uint32_t header = Le32(f, 0);
    if (header < 40 || header > f.size()) return;
    const size_t n = std::min<size_t>(colors_.size(), (f.size() - header) / 4);
    for (size_t i = 0; i < n; ++i) {
        const uint32_t c = Le32(f, header + 4 * i);
        colors_[i] = {static_cast<BYTE>(c), static_cast<BYTE>(c >> 8), static_cast<BYTE>(c >> 16),
                      0};
    }
}

void AviFrameGetter::WriteColors() {
    if (colorCount_)
        std::memcpy(dib_.data() + pixelsAt_ - 4 * colorCount_, colors_.data(), 4 * colorCount_);
}

// Describes one row of a decoded picture as a DIB surface; YUV and other
// layouts the DIB rows cannot name go through libswscale into 32-bit RGB.
bool AviFrameGetter::SourceRows(const AVFrame& frame) {
    const AVPixelFormat fmt = static_cast<AVPixelFormat>(frame.format);
    Surface& s = source_;
    s = Surface{};
    s.width = width_;
    s.height = 1;
    s.topDown = true;
    sourceIndexed_ = false;
    uint32_t masks[3];
    switch (fmt) {
        case AV_PIX_FMT_PAL8:
            s.bpp = 8;
            sourceColors_.resize(256);
            for (int i = 0; i < 256; ++i) {
                uint32_t c;
                std::memcpy(&c, frame.data[1] + 4 * i, 4);
                sourceColors_[i] = {static_cast<BYTE>(c), static_cast<BYTE>(c >> 8),
                                    static_cast<BYTE>(c >> 16), 0};
            }
            sourceIndexed_ = true;
            break;
        case AV_PIX_FMT_GRAY8:
            s.bpp = 8;
            sourceColors_.resize(256);
            for (int i = 0; i < 256; ++i)
                sourceColors_[i] = {BYTE(i), BYTE(i), BYTE(i), 0};
            break;
        case AV_PIX_FMT_MONOWHITE:
        case AV_PIX_FMT_MONOBLACK: {
            s.bpp = 1;
            const BYTE zero = fmt == AV_PIX_FMT_MONOWHITE ? 255 : 0;
            sourceColors_ = {{zero, zero, zero, 0},
                             {BYTE(255 - zero), BYTE(255 - zero), BYTE(255 - zero), 0}};
            break;
        }
        case AV_PIX_FMT_RGB555LE:
            s.bpp = 16, s.masks[0] = 0x7C00, s.masks[1] = 0x3E0, s.masks[2] = 0x1F;
            break;
        case AV_PIX_FMT_RGB565LE:
            s.bpp = 16, s.masks[0] = 0xF800, s.masks[1] = 0x7E0, s.masks[2] = 0x1F;
            break;
        case AV_PIX_FMT_BGR555LE:
            s.bpp = 16, s.masks[0] = 0x1F, s.masks[1] = 0x3E0, s.masks[2] = 0x7C00;
            break;
        case AV_PIX_FMT_BGR565LE:
            s.bpp = 16, s.masks[0] = 0x1F, s.masks[1] = 0x7E0, s.masks[2] = 0xF800;
            break;
        case AV_PIX_FMT_BGR24: s.bpp = 24; break;
        default:
            if (MasksOf32(fmt, masks)) {
                s.bpp = 32;
                std::memcpy(s.masks, masks, sizeof masks);
                break;
            }
            return ScaleToRgb(frame);
    }
    s.colors = sourceColors_.data();
    s.colorCount = static_cast<int>(sourceColors_.size());
    rowBase_ = frame.data[0];
    rowStride_ = frame.linesize[0];
    s.stride = rowStride_ < 0 ? -rowStride_ : rowStride_;
    return true;
}

bool AviFrameGetter::ScaleToRgb(const AVFrame& frame) {
    scaler_ = sws_getCachedContext(scaler_, width_, height_,
                                   static_cast<AVPixelFormat>(frame.format), width_, height_,
                                   AV_PIX_FMT_BGR0, SWS_POINT, nullptr, nullptr, nullptr);
    if (!scaler_) return false;
    // libswscale's vector paths write whole blocks of pixels past the row's
    // end and want aligned rows: rows of a multiple of 16 pixels, aligned to
    // 64 bytes, and a spare row after the last.
    constexpr size_t kAlign = 64;
    const int stride = (width_ + 15) / 16 * 16 * 4;
    scaled_.resize(size_t(stride) * (height_ + 1) + kAlign);
    const size_t skew = reinterpret_cast<uintptr_t>(scaled_.data()) % kAlign;
    uint8_t* base = scaled_.data() + (skew ? kAlign - skew : 0);
    uint8_t* planes[4] = {base, nullptr, nullptr, nullptr};
    int strides[4] = {stride, 0, 0, 0};
    if (sws_scale(scaler_, frame.data, frame.linesize, 0, height_, planes, strides) != height_)
        return false;
    source_.bpp = 32;
    gdi::DefaultMasks(32, source_.masks);
    rowBase_ = base;
    rowStride_ = stride;
    source_.stride = stride;
    return true;
}

bool AviFrameGetter::Convert(const AVFrame& frame) {
    if (frame.width != width_ || frame.height != height_) return false;
    if (!SourceRows(frame)) return false;
    // An indexed output of an indexed picture keeps its indexes and colours.
    const bool indexes = sourceIndexed_ && bits_ <= 8;
    if (indexes) {
        for (int i = 0; i < colorCount_; ++i)
            colors_[i] = sourceColors_[i];
        WriteColors();
    }
    Surface target;
    target.bits = dib_.data() + pixelsAt_;
    target.width = width_;
    target.height = height_;
    target.stride = stride_;
    target.bpp = bits_;
    target.topDown = topDown_;
    std::memcpy(target.masks, masks_, sizeof masks_);
    target.colors = colors_.data();
    target.colorCount = colorCount_;
    std::vector<uint32_t> row(width_);
    gdi::NearestCache nearest;
    for (int y = 0; y < height_; ++y) {
        Surface line = source_;
        line.bits = const_cast<uint8_t*>(rowBase_) + static_cast<ptrdiff_t>(y) * rowStride_;
        if (indexes) {
            gdi::ReadIndexRow(line, 0, 0, width_, row.data());
            bool fits = true;
            for (uint32_t v : row)
                fits = fits && static_cast<int>(v) < colorCount_;
            if (fits) {
                gdi::WriteIndexRow(target, y, 0, width_, row.data());
                continue;
            }
        }
        gdi::ReadRow(line, 0, 0, width_, row.data());
        gdi::WriteRow(target, y, 0, width_, row.data(), nearest);
    }
    return true;
}

AviFrameGetter::~AviFrameGetter() {
    sws_freeContext(scaler_);
    decoder_.reset();
    stream_.Release();
}

void* AviFrameGetter::Get(LONG pos) {
    const long index = static_cast<long>(pos) - static_cast<long>(stream_.info.dwStart);
    if (index < 0) return nullptr;
    ReadStream& rs = static_cast<ReadStream&>(stream_);
    if (index >= static_cast<long>(rs.Chunks().size())) return nullptr;
    const long filled = rs.Filled(index);
    if (filled < 0) return nullptr;
    if (filled == shown_) return dib_.data();
    const AVFrame* frame = decoder_->Decode(filled);
    if (!frame || !Convert(*frame)) return nullptr;
    shown_ = filled;
    return dib_.data();
}
