#include "media/animation/TAviAni.h"

#include "foundation/TError.h"
#include "gdl/dc.h"
#include "media/devices/TDispDev.h"
#include "platform/ByteStream.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

const char kSource[] = "Source\\TAviAni";

// The rows of a DIB are padded to whole 32-bit words.
int64_t DibStride(int64_t width, int64_t bits) {
    return (width * bits + 31) / 32 * 4;
}

bool ValidDepth(int32_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

struct DibHeader {
    uint32_t size = 0;
    int32_t width = 0, height = 0;
    int32_t bits = 0;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
};

DibHeader ParseHeader(const uint8_t* bytes, size_t size) {
    platform::ByteReader r(bytes, size);
    DibHeader h;
    h.size = r.U32();
    h.width = r.S32();
    h.height = r.S32();
    r.U16();
    h.bits = r.U16();
    h.compression = r.U32();
    r.Skip(12);
    h.colorsUsed = r.U32();
    if (!r.Ok()) h.size = 0;
    return h;
}

// Colour-table entries behind the header (and its masks).
int64_t ColorCount(const DibHeader& h) {
    if (h.bits <= 8)
        return h.colorsUsed ? std::min<int64_t>(h.colorsUsed, 1 << h.bits) : 1 << h.bits;
    return h.colorsUsed;
}

int64_t MaskBytes(const DibHeader& h) {
    return h.compression == BI_BITFIELDS ? 12 : 0;
}

void Channel(uint32_t mask, uint32_t* field, int32_t* position, int32_t* adjust) {
    if (!mask) {
        *field = 0;
        *position = *adjust = 0;
        return;
    }
    const int32_t at = __builtin_ctz(mask);
    const int32_t width = __builtin_popcount(mask >> at);
    *field = width >= 32 ? 0xFFFFFFFFu : (1u << width) - 1;
    *position = at;
    *adjust = width >= 8 ? 0 : 8 - width;
}

GdlPixelFormat FormatOf(int32_t bits, const uint32_t* masks) {
    uint32_t m[3] = {0xFF0000, 0xFF00, 0xFF};
    if (masks)
        std::memcpy(m, masks, sizeof m);
    else if (bits == 16)
        m[0] = 0x7C00, m[1] = 0x3E0, m[2] = 0x1F;
    GdlPixelFormat f{};
    Channel(m[0], &f.redMask, &f.redPosition, &f.redAdjust);
    Channel(m[1], &f.greenMask, &f.greenPosition, &f.greenAdjust);
    Channel(m[2], &f.blueMask, &f.bluePosition, &f.blueAdjust);
    return f;
}

// What the display draws in: 5:6:5 for 15 and 16 bits, 24 bits, or the
// stream's own form (null).
struct Wanted {
    BITMAPINFOHEADER header;
    uint32_t masks[3];
};

const BITMAPINFOHEADER* DisplayWants(Wanted* w, int32_t width, int32_t height) {
    GdlDeviceContext* dc = TDispDev::Global().GetDrawContext();
    if (!dc) return nullptr;
    const int32_t depth = static_cast<int32_t>(GDL_liveDC(dc)->mode.bitsPerPixel);
    *w = {{40, width, -height, 1, 0, BI_RGB, 0, 0, 0, 0, 0}, {0xF800, 0x07E0, 0x001F}};
    if (depth == 15 || depth == 16) {
        w->header.biBitCount = 16;
        w->header.biCompression = BI_BITFIELDS;
        return &w->header;
    }
    if (depth == 24) {
        w->header.biBitCount = 24;
        return &w->header;
    }
    return nullptr;
}

const char* OpenMessage(HRESULT result) {
    switch (result) {
        case AVIERR_FILEREAD: return "A disk error occurred while reading the file.";
        case AVIERR_FILEOPEN: return "A disk error occurred while opening the file.";
        case AVIERR_MEMORY:
            return "The file could not be opened "
                   "because of insufficient memory.";
        case REGDB_E_CLASSNOTREG:
            return "According to the registry, the type of file "
                   "specified in AVIFileOpen does not have a "
                   "handler to process it.";
        case AVIERR_BADFORMAT:
            return "The file couldn't be read, "
                   "indicating a corrupt file or an unrecognized format.";
        default: return "";
    }
}

} // namespace

TAviAni::TAviAni() = default;

TAviAni::~TAviAni() {
    if (file_) {
        loadCount_ = 1;
        TAviAni::Close();
    }
    FreeAudio();
}

void TAviAni::ReportOpen(HRESULT result) {
    TError::Raise(44, OpenMessage(result), fileName_.c_str(), kSource, 120);
}

// --- Streams -------------------------------------------------------------------------

// Lists the streams of the open file, the audio ones apart, and chooses the
// video stream; reads the audio format and the video stream's numbers.
bool TAviAni::Inspect() {
    AVIFileInfoA(file_, &fileInfo_, sizeof fileInfo_);
    streamCount_ = audioCount_ = 0;
    video_ = -1;
    int32_t videos = 0;
    for (int32_t i = 0; i < kMaxStreams; ++i) {
        if (AVIFileGetStream(file_, &streams_[i], 0, i) != AVIERR_OK) break;
        streamCount_ = i + 1;
        AVIStreamInfoA(streams_[i], &streamInfo_[i], sizeof streamInfo_[i]);
        if (streamInfo_[i].fccType == streamtypeAUDIO) audioStreams_[audioCount_++] = i;
        if (streamInfo_[i].fccType == streamtypeVIDEO && videos++ <= videoOrdinal_) video_ = i;
    }
    if (streamCount_ == 0) return false;
    if (audioCount_ > 0) {
        PAVISTREAM a = streams_[audioStreams_[0]];
        LONG size = 0;
        AVIStreamReadFormat(a, 0, nullptr, &size);
        std::vector<uint8_t> f(static_cast<size_t>(std::max<LONG>(size, 0)));
        if (size > 0) AVIStreamReadFormat(a, 0, f.data(), &size);
        platform::ByteReader r(f);
        const int32_t tag = r.U16(), channels = r.U16(), rate = r.S32(), perSecond = r.S32();
        const int32_t align = r.U16(), bits = r.U16();
        channels_ = channels;
        sampleRate_ = rate;
        audioBits_ = bits;
        blockAlign_ = align;
        audioLength_ = AVIStreamLength(a);
        SetAudioFormat(tag, channels, rate, perSecond, align, bits);
    }
    if (video_ < 0) return false;
    const AVISTREAMINFOA& v = streamInfo_[video_];
    length_ = std::max<LONG>(AVIStreamLength(streams_[video_]), 0);
    first_ = static_cast<int32_t>(v.dwStart);
    rate_ = v.dwRate;
    scale_ = v.dwScale;
    return true;
}

void TAviAni::ReadHeader() {
    if (file_ || loadCount_ > 0) return;
    const char* path = GetPath();
    if (!path || !*path) return;
    width_ = height_ = length_ = 0;
    audioCount_ = 0;
    rate_ = scale_ = 0;
    if (AVIFileOpenA(&file_, path, OF_READ, nullptr) != AVIERR_OK) {
        file_ = nullptr;
        return;
    }
    if (Inspect()) {
        LONG size = 0;
        AVIStreamReadFormat(streams_[video_], 0, nullptr, &size);
        std::vector<uint8_t> f(static_cast<size_t>(std::max<LONG>(size, 0)));
        if (size > 0) AVIStreamReadFormat(streams_[video_], 0, f.data(), &size);
        const DibHeader h = ParseHeader(f.data(), f.size());
        if (h.size >= 40 && h.width > 0 && h.height != 0) {
            width_ = h.width;
            height_ = h.height < 0 ? -h.height : h.height;
        }
    }
    ReleaseAll();
}

void TAviAni::ReleaseAll() {
    if (getter_) AVIStreamGetFrameClose(getter_);
    getter_ = nullptr;
    for (PAVISTREAM& s : streams_)
        if (s) {
            AVIStreamRelease(s);
            s = nullptr;
        }
    if (videoOut_) AVIStreamRelease(videoOut_);
    if (audioOut_) AVIStreamRelease(audioOut_);
    videoOut_ = audioOut_ = nullptr;
    if (file_) AVIFileRelease(file_);
    file_ = nullptr;
    streamCount_ = 0;
}

// --- Opening and closing ---------------------------------------------------------------

int TAviAni::Open(int32_t mode) {
    if (loadCount_ > 0 || file_ || (mode != kReading && mode != kWriting)) return 0;
    const char* path = GetPath();
    if (!path || !*path) return 0;
    const UINT how = mode == kReading ? OF_READ : OF_CREATE | OF_WRITE;
    const HRESULT result = AVIFileOpenA(&file_, path, how, nullptr);
    if (result != AVIERR_OK) {
        file_ = nullptr;
        ReportOpen(result);
        return 0;
    }
    if (mode == kReading && !OpenRead()) {
        TAviAni::Close();
        return 0;
    }
    if (mode == kWriting) {
        writeRate_ = 15.0f;
        channels_ = 1;
        sampleRate_ = 22050;
        audioBits_ = 16;
        blockAlign_ = 2;
        framesWritten_ = 0;
        samplesWritten_ = 0;
        storedBits_ = 0;
    }
    loadCount_ = 1;
    SetMode(mode);
    data_ = mode == kReading ? &record_ : nullptr;
    return 1;
}

bool TAviAni::OpenRead() {
    if (!Inspect()) return false;
    LONG size = 0;
    AVIStreamReadFormat(streams_[video_], 0, nullptr, &size);
    std::vector<uint8_t> format(static_cast<size_t>(std::max<LONG>(size, 0)));
    if (size > 0) AVIStreamReadFormat(streams_[video_], 0, format.data(), &size);
    return SetupFrames(format);
}

bool TAviAni::SetupFrames(const std::vector<uint8_t>& format) {
    const DibHeader h = ParseHeader(format.data(), format.size());
    if (h.size < 40 || h.size > format.size() || h.width <= 0 || h.height == 0 ||
        h.height == INT32_MIN || !ValidDepth(h.bits)) {
        TError::Raise(45, nullptr, fileName_.c_str(), kSource, 262);
        return false;
    }
    width_ = h.width;
    height_ = h.height < 0 ? -h.height : h.height;
    topDown_ = h.height < 0;
    bits_ = h.bits;
    frameSize_ = DibStride(width_, bits_) * height_;
    const uint8_t* after = format.data() + h.size;
    const size_t afterBytes = format.size() - h.size;
    uint32_t masks[3] = {};
    const bool hasMasks = h.compression == BI_BITFIELDS && afterBytes >= 12;
    if (hasMasks) std::memcpy(masks, after, 12);
    if (bits_ <= 8) {
        palette_ = static_cast<GdlPaletteEntry*>(EngineAlloc(size_t{4} << bits_));
        if (!palette_) {
            TError::Raise(9, nullptr, fileName_.c_str(), kSource, 280);
            return false;
        }
        std::memset(palette_, 0, size_t{4} << bits_);
        const size_t table = static_cast<size_t>(MaskBytes(h));
        const size_t have = afterBytes > table ? (afterBytes - table) / 4 : 0;
        const size_t n = std::min<size_t>(have, static_cast<size_t>(ColorCount(h)));
        std::memcpy(palette_, after + table, n * 4);
    }
    const bool uncompressed = h.compression == BI_RGB || h.compression == BI_BITFIELDS;
    decompress_ = !(uncompressed && frameSize_ == streamInfo_[video_].dwSuggestedBufferSize);
    int32_t outBits = bits_;
    if (decompress_) {
        Wanted wanted;
        const BITMAPINFOHEADER* ask = DisplayWants(&wanted, width_, height_);
        getter_ = AVIStreamGetFrameOpen(streams_[video_], const_cast<BITMAPINFOHEADER*>(ask));
        if (!getter_) {
            TError::Raise(45, "no compression method available.", fileName_.c_str(), kSource, 295);
            return false;
        }
        if (ask) {
            outBits = ask->biBitCount;
            Describe(outBits, ask->biCompression == BI_BITFIELDS ? wanted.masks : nullptr);
        } else {
            Describe(outBits, hasMasks ? masks : nullptr);
        }
    } else {
        readBuffer_ = static_cast<uint8_t*>(EngineAlloc(size_t(frameSize_)));
        if (!readBuffer_) {
            TError::Raise(9, nullptr, fileName_.c_str(), kSource, 306);
            return false;
        }
        Describe(outBits, hasMasks ? masks : nullptr);
    }
    if (!output_) {
        TError::Raise(9, nullptr, fileName_.c_str(), kSource, 312);
        return false;
    }
    current_ = -1;
    return true;
}

// The record, its buffer and sizes describe the pixels delivered: `bits` per
// pixel in DIB rows, top row first.
void TAviAni::Describe(int32_t bits, const uint32_t* masks) {
    const int64_t stride = DibStride(width_, bits);
    const int64_t bytes = stride * height_;
    if (!output_ || bytes != outputSize_) {
        EngineFree(output_);
        output_ = static_cast<uint8_t*>(EngineAlloc(size_t(bytes)));
        outputSize_ = output_ ? bytes : 0;
        if (output_) std::memset(output_, 0, size_t(bytes));
    }
    format_ = FormatOf(bits, masks);
    record_.width = width_;
    record_.height = height_;
    record_.bitsPerPixel = bits;
    record_.bytesPerLine = static_cast<int32_t>(stride);
    record_.surface = output_;
    record_.palette = bits <= 8 ? palette_ : nullptr;
    record_.pixelFormat = &format_;
}

int TAviAni::Close() {
    if (loadCount_ <= 0 && !file_) return 0;
    if (--loadCount_ > 0) return 1;
    loadCount_ = 0;
    ReleaseAll();
    EngineFree(readBuffer_);
    EngineFree(output_);
    EngineFree(palette_);
    EngineFree(writeBuffer_);
    readBuffer_ = output_ = writeBuffer_ = nullptr;
    palette_ = nullptr;
    outputSize_ = 0;
    record_ = GdlBitmap{};
    current_ = -1;
    FreeAudio();
    ClearMode();
    data_ = nullptr;
    return 1;
}

// --- Reading ---------------------------------------------------------------------------

// Rows top first into the record: a top-down picture is used where it lies,
// a bottom-up one is turned over into the output buffer.
void TAviAni::PlaceRows(const uint8_t* pixels, bool topDown) {
    if (topDown) {
        record_.surface = const_cast<uint8_t*>(pixels);
        return;
    }
    const size_t stride = size_t(record_.bytesPerLine);
    for (int32_t y = 0; y < height_; ++y)
        std::memcpy(output_ + size_t(y) * stride, pixels + size_t(height_ - 1 - y) * stride,
                    stride);
    record_.surface = output_;
}

// A decompressed frame: the packed DIB says what it holds.
bool TAviAni::TakeDib(const uint8_t* dib) {
    const DibHeader h = ParseHeader(dib, 40);
    const int32_t height = h.height < 0 ? -h.height : h.height;
    if (h.size < 40 || h.width != width_ || height != height_ || !ValidDepth(h.bits)) return false;
    const uint8_t* after = dib + h.size;
    uint32_t masks[3];
    if (h.compression == BI_BITFIELDS) std::memcpy(masks, after, 12);
    if (h.bits != record_.bitsPerPixel || h.compression == BI_BITFIELDS)
        Describe(h.bits, h.compression == BI_BITFIELDS ? masks : nullptr);
    if (!output_) return false;
    const int64_t colors = ColorCount(h);
    if (h.bits <= 8 && palette_ && h.bits <= bits_)
        std::memcpy(palette_, after + MaskBytes(h),
                    size_t(std::min<int64_t>(colors, 1 << h.bits)) * 4);
    PlaceRows(after + MaskBytes(h) + 4 * colors, h.height < 0);
    return true;
}

int TAviAni::ReadFrame(int32_t index) {
    Update();
    if (!IsReading() || !file_) return 0;
    const int64_t frame = int64_t{index} + first_;
    if (frame == current_) return 1;
    if (index < 0 || frame >= int64_t{first_} + length_) return 0;
    if (decompress_) {
        const auto* dib = static_cast<const uint8_t*>(AVIStreamGetFrame(getter_, LONG(frame)));
        if (!dib || !TakeDib(dib)) return 0;
    } else {
        LONG bytes = 0;
        if (AVIStreamRead(streams_[video_], LONG(frame), 1, readBuffer_, LONG(frameSize_), &bytes,
                          nullptr) != AVIERR_OK)
            return 0;
        // An empty chunk repeats the frame before it.
        if (bytes > 0) {
            if (bytes < frameSize_) std::memset(readBuffer_ + bytes, 0, size_t(frameSize_ - bytes));
            PlaceRows(readBuffer_, topDown_);
        }
    }
    current_ = static_cast<int32_t>(frame);
    return 1;
}

int TAviAni::ReadAudio(int32_t start, int32_t count, int32_t stream) {
    if (!IsReading() || !file_ || stream < 0 || stream >= audioCount_ || blockAlign_ <= 0 ||
        start < 0 || count <= 0)
        return 0;
    FreeAudio();
    const LONG blocks = count / blockAlign_;
    const int64_t bytes = int64_t{blocks} * blockAlign_;
    if (blocks <= 0) return 0;
    audioBuffer_ = static_cast<uint8_t*>(EngineAlloc(size_t(bytes)));
    if (!audioBuffer_) {
        TError::Raise(9, nullptr, "aviWaveBuffer", kSource, 420);
        return 0;
    }
    audioData_ = audioBuffer_;
    LONG got = 0;
    const HRESULT result = AVIStreamRead(streams_[audioStreams_[stream]], start / blockAlign_,
                                         blocks, audioBuffer_, LONG(bytes), &got, nullptr);
    return result == AVIERR_OK && got == bytes;
}

void TAviAni::FreeAudio() {
    if (audioData_ == audioBuffer_) audioData_ = nullptr;
    EngineFree(audioBuffer_);
    audioBuffer_ = nullptr;
}

double TAviAni::GetRate() const {
    if (IsWriting()) return writeRate_;
    return scale_ ? double(rate_) / double(scale_) : 0.0;
}

void TAviAni::SetRate(float fps) {
    if (IsWriting()) writeRate_ = fps;
}

void TAviAni::SetAudioChannels(int32_t channels) {
    if (IsWriting()) channels_ = channels;
}

void TAviAni::SetAudioBits(int32_t bits) {
    if (IsWriting()) audioBits_ = bits;
}

void TAviAni::SetAudioRate(int32_t rate) {
    if (IsWriting()) sampleRate_ = rate;
}

// --- Writing ---------------------------------------------------------------------------

// The video stream of a recording: rate in thousandths of a frame a second,
// a DIB header and room for 256 colours, the picture's own where it has them.
bool TAviAni::CreateVideo(const GdlBitmap& p, int32_t bits) {
    width_ = p.width;
    height_ = p.height;
    storedBits_ = bits;
    frameSize_ = DibStride(width_, bits) * height_;
    AVISTREAMINFOA info{};
    info.fccType = streamtypeVIDEO;
    info.dwScale = 1000;
    info.dwRate = static_cast<DWORD>(std::lround(double(writeRate_) * 1000.0));
    info.dwSuggestedBufferSize = static_cast<DWORD>(frameSize_);
    info.rcFrame = {0, 0, width_, height_};
    std::vector<uint8_t> format;
    platform::ByteWriter w(format);
    w.U32(40);
    w.S32(width_);
    w.S32(height_);
    w.U16(1);
    w.U16(static_cast<uint16_t>(bits));
    w.U32(BI_RGB);
    w.U32(static_cast<uint32_t>(frameSize_));
    w.Zeros(16);
    const size_t table = format.size();
    w.Zeros(1024);
    if (bits <= 8 && p.palette) std::memcpy(format.data() + table, p.palette, size_t{4} << bits);
    writeBuffer_ = static_cast<uint8_t*>(EngineAlloc(size_t(frameSize_)));
    if (!writeBuffer_) {
        TError::Raise(9, nullptr, fileName_.c_str(), kSource, 487);
        return false;
    }
    std::memset(writeBuffer_, 0, size_t(frameSize_));
    if (AVIFileCreateStreamA(file_, &videoOut_, &info) != AVIERR_OK) {
        videoOut_ = nullptr;
        return false;
    }
    if (AVIStreamSetFormat(videoOut_, 0, format.data(), LONG(format.size())) == AVIERR_OK)
        return true;
    AVIStreamRelease(videoOut_);
    videoOut_ = nullptr;
    return false;
}

// Bottom-up DIB rows; 5:6:5 pixels are stored 5:5:5.
void TAviAni::CopyRowsForWriting(const GdlBitmap& p) {
    const size_t stride = size_t(DibStride(width_, storedBits_));
    const size_t rowBytes = size_t((int64_t{width_} * storedBits_ + 7) / 8);
    const bool from565 = storedBits_ == 16 && p.pixelFormat && p.pixelFormat->redPosition == 11;
    for (int32_t y = 0; y < height_; ++y) {
        const uint8_t* from = p.surface + size_t(y) * size_t(p.bytesPerLine);
        uint8_t* to = writeBuffer_ + size_t(height_ - 1 - y) * stride;
        if (!from565) {
            std::memcpy(to, from, rowBytes);
            continue;
        }
        for (int32_t x = 0; x < width_; ++x) {
            const uint16_t v = static_cast<uint16_t>(from[2 * x] | from[2 * x + 1] << 8);
            const uint16_t s = static_cast<uint16_t>(((v >> 1) & 0x7FE0) | (v & 0x1F));
            to[2 * x] = static_cast<uint8_t>(s);
            to[2 * x + 1] = static_cast<uint8_t>(s >> 8);
        }
    }
}

int TAviAni::WriteFrame(int32_t index) {
    Update();
    const auto* p = static_cast<const GdlBitmap*>(data_);
    if (!IsWriting() || !file_ || !p || !p->surface || p->width <= 0 || p->height <= 0) return 0;
    const int32_t bits = p->bitsPerPixel == 15 ? 16 : p->bitsPerPixel;
    if (!ValidDepth(bits)) return 0;
    if (!videoOut_) {
        if (!CreateVideo(*p, bits)) return 0;
    } else if (p->width != width_ || p->height != height_ || bits != storedBits_) {
        return 0;
    }
    if (p->bytesPerLine < (int64_t{width_} * bits + 7) / 8) return 0;
    CopyRowsForWriting(*p);
    if (AVIStreamWrite(videoOut_, index, 1, writeBuffer_, LONG(frameSize_), AVIIF_KEYFRAME, nullptr,
                       nullptr) != AVIERR_OK)
        return 0;
    ++framesWritten_;
    return 1;
}

bool TAviAni::CreateAudio() {
    blockAlign_ = audioBits_ * channels_ / 8;
    if (blockAlign_ <= 0 || sampleRate_ <= 0) return false;
    AVISTREAMINFOA info{};
    info.fccType = streamtypeAUDIO;
    info.dwScale = 1;
    info.dwRate = static_cast<DWORD>(sampleRate_);
    info.dwSampleSize = static_cast<DWORD>(blockAlign_);
    std::vector<uint8_t> format;
    platform::ByteWriter w(format);
    w.U16(1);
    w.U16(static_cast<uint16_t>(channels_));
    w.S32(sampleRate_);
    w.S32(blockAlign_ * sampleRate_);
    w.U16(static_cast<uint16_t>(blockAlign_));
    w.U16(static_cast<uint16_t>(audioBits_));
    w.U16(0);
    if (AVIFileCreateStreamA(file_, &audioOut_, &info) != AVIERR_OK) {
        audioOut_ = nullptr;
        return false;
    }
    if (AVIStreamSetFormat(audioOut_, 0, format.data(), LONG(format.size())) == AVIERR_OK)
        return true;
    AVIStreamRelease(audioOut_);
    audioOut_ = nullptr;
    return false;
}

int TAviAni::WriteAudio(int32_t start, int32_t count) {
    Update();
    if (!IsWriting() || !file_ || !audioData_ || start < 0 || count <= 0) return 0;
    if (!audioOut_ && !CreateAudio()) return 0;
    const LONG blocks = count / blockAlign_;
    if (blocks <= 0) return 0;
    if (AVIStreamWrite(audioOut_, start / blockAlign_, blocks, audioData_, blocks * blockAlign_, 0,
                       nullptr, nullptr) != AVIERR_OK)
        return 0;
    samplesWritten_ += blocks;
    return 1;
}

// --- Saving ----------------------------------------------------------------------------

void TAviAni::SetCompression(int32_t method, int32_t quality) {
    method_ = method;
    quality_ = quality;
}

int TAviAni::Save(int32_t stream) {
    if (file_ || loadCount_ > 0) return 0;
    const char* path = GetPath();
    if (!path || !*path) return 0;
    PAVIFILE source = nullptr;
    if (AVIFileOpenA(&source, path, OF_READ, nullptr) != AVIERR_OK) return 0;
    PAVISTREAM video = nullptr;
    if (AVIFileGetStream(source, &video, 0, stream) != AVIERR_OK) {
        AVIFileRelease(source);
        return 0;
    }
    AVICOMPRESSOPTIONS options{};
    AVICOMPRESSOPTIONS* chosen = &options;
    bool asked = false, ok = true;
    if (method_ == kVideo1 || method_ == kCinepak) {
        options.fccType = streamtypeVIDEO;
        options.fccHandler =
            method_ == kVideo1 ? mmioFOURCC('M', 'S', 'V', 'C') : mmioFOURCC('C', 'V', 'I', 'D');
        options.dwQuality = static_cast<DWORD>(quality_);
        options.dwFlags = AVICOMPRESSF_VALID;
    } else {
        ok = AVISaveOptions(nullptr, 7, 1, &video, &chosen) != FALSE;
        asked = ok;
    }
    PAVISTREAM compressed = nullptr;
    ok = ok && AVIMakeCompressedStream(&compressed, video, chosen, nullptr) == AVIERR_OK;
    // The file is written beside the recording and put in its place when
    // complete; it is not opened again.
    ok = ok && AVISaveVA(path, nullptr, nullptr, 1, &compressed, &chosen) == AVIERR_OK;
    if (compressed) AVIStreamRelease(compressed);
    AVIStreamRelease(video);
    AVIFileRelease(source);
    if (asked) AVISaveOptionsFree(1, &chosen);
    return ok ? 1 : 0;
}
