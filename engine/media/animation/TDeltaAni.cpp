#include "media/animation/TDeltaAni.h"

#include "foundation/TError.h"
#include "media/animation/TDeltaCodec.h"
#include "platform/ByteStream.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const char kSource[] = "Source\\TDeltaAni";
// The largest frame buffer the player takes: 256 MiB (8192 x 8192 at 32 bits).
constexpr int64_t kMaxFrameBytes = int64_t{256} << 20;

int32_t BytesPerPixel(int32_t bits) {
    return (bits + 1) / 8; // 15 counts as 2
}

bool ValidBits(int32_t bits) {
    return bits == 8 || bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

bool ValidSide(int32_t side) {
    return side >= 1 && side <= TDeltaAni::kMaxSide;
}

} // namespace

TDeltaAni::TDeltaAni() = default;

TDeltaAni::~TDeltaAni() {
    if (file_) TDeltaAni::Close();
    FreeBuffers();
}

int32_t TDeltaAni::RowBytes() const {
    return width_ * BytesPerPixel(bits_);
}

void TDeltaAni::Corrupt(int32_t line) {
    TError::Raise(55, nullptr, fileName_.c_str(), kSource, line);
}

bool TDeltaAni::ParseTrailer(const uint8_t* bytes, Trailer* out) {
    platform::ByteReader r(bytes, kTrailerSize);
    uint32_t words[12];
    for (uint32_t& w : words)
        w = r.U32();
    std::memcpy(&out->format, words, sizeof out->format);
    uint32_t rate = r.U32();
    std::memcpy(&out->rate, &rate, 4);
    out->width = r.S32();
    out->height = r.S32();
    out->bits = r.S32();
    out->count = r.S32();
    return r.Ok() && ValidSide(out->width) && ValidSide(out->height) && ValidBits(out->bits) &&
           out->count >= 0;
}

void TDeltaAni::TakeTrailer(const Trailer& t) {
    width_ = t.width;
    height_ = t.height;
    bits_ = t.bits;
    count_ = t.count;
    rate_ = t.rate;
    format_ = t.format;
}

void TDeltaAni::ReadHeader() {
    if (file_ || loadCount_ > 0) return;
    const char* path = GetPath();
    if (!path || !*path) return;
    TFile probe(path);
    if (!probe.Exists()) return;
    int32_t size = probe.GetSize();
    uint8_t bytes[kTrailerSize];
    Trailer t;
    if (size < kTrailerSize || !probe.Open(TFile::kRead)) return;
    bool ok = probe.Seek(size - kTrailerSize, SEEK_SET) == 0 &&
              probe.Read(bytes, kTrailerSize) == kTrailerSize && ParseTrailer(bytes, &t);
    probe.Close();
    if (!ok) return;
    TakeTrailer(t);
}

int TDeltaAni::Open(int32_t mode) {
    if (loadCount_ != 0 || file_ || (mode != 1 && mode != 2)) return 0;
    const char* path = GetPath();
    if (!path || !*path) return 0;
    file_ = new TFile(path);
    if (!file_) {
        TError::Raise(9, nullptr, path, kSource, 104);
        return 0;
    }
    bool ok = file_->Open(mode == 1 ? TFile::kRead : TFile::kWrite) != 0;
    if (ok && mode == 1) ok = OpenRead();
    if (!ok) {
        if (file_->IsOpen()) file_->Close();
        delete file_;
        file_ = nullptr;
        FreeBuffers();
        return 0;
    }
    if (mode == 2) {
        count_ = 0;
        width_ = height_ = bits_ = 0;
    }
    current_ = 0;
    framePos_ = 0;
    loadCount_ = 1;
    openMode_ = mode;
    SetMode(mode);
    data_ = mode == 1 ? &record_ : nullptr;
    return 1;
}

bool TDeltaAni::OpenRead() {
    int32_t size = file_->GetSize();
    uint8_t bytes[kTrailerSize];
    Trailer t;
    if (size < kTrailerSize || file_->Seek(size - kTrailerSize, SEEK_SET) != 0 ||
        file_->Read(bytes, kTrailerSize) != kTrailerSize || !ParseTrailer(bytes, &t)) {
        Corrupt(130);
        return false;
    }
    TakeTrailer(t);
    dataEnd_ = size - kTrailerSize;
    if (file_->Seek(0, SEEK_SET) != 0 || !Allocate(true)) return false;
    encodedSize_ = 0;
    Describe();
    return true;
}

// The frame buffer (rows of the picture's bytes), the previous frame (rows
// of whole words, padded with zeros) and the encoded-row buffer, all sized
// in 64 bits before anything is taken.
bool TDeltaAni::Allocate(bool forReading) {
    FreeBuffers();
    const int64_t rowBytes = RowBytes();
    words_ = static_cast<int32_t>(TDeltaCodec::RowWords(rowBytes));
    const int64_t previousBytes = int64_t{words_} * 4 * height_;
    rowsCapacity_ = previousBytes + int64_t{8} * height_;
    // A trailer may claim 32767 x 32767 pixels of 32 bits: three buffers of
    // 4 GiB each, which a small file could make the player take and clear.
    // Frames past this size are refused as the allocations they would be.
    if (previousBytes > kMaxFrameBytes) {
        TError::Raise(9, nullptr, fileName_.c_str(), kSource, 163);
        return false;
    }
    if (forReading) frame_ = static_cast<uint8_t*>(EngineAlloc(size_t(rowBytes * height_)));
    previous_ = static_cast<uint32_t*>(EngineAlloc(size_t(previousBytes)));
    rows_ = static_cast<uint8_t*>(EngineAlloc(size_t(rowsCapacity_)));
    if ((forReading && !frame_) || !previous_ || !rows_) {
        TError::Raise(9, nullptr, fileName_.c_str(), kSource, 163);
        FreeBuffers();
        return false;
    }
    if (frame_) std::memset(frame_, 0, size_t(rowBytes * height_));
    std::memset(previous_, 0, size_t(previousBytes));
    std::memset(rows_, 0, size_t(rowsCapacity_));
    return true;
}

void TDeltaAni::FreeBuffers() {
    EngineFree(frame_);
    EngineFree(previous_);
    EngineFree(rows_);
    frame_ = nullptr;
    previous_ = nullptr;
    rows_ = nullptr;
    rowsCapacity_ = 0;
}

void TDeltaAni::Describe() {
    record_.width = width_;
    record_.height = height_;
    record_.bitsPerPixel = bits_;
    record_.bytesPerLine = RowBytes();
    record_.surface = frame_;
    record_.palette = nullptr;
    record_.pixelFormat = &format_;
}

int TDeltaAni::Close() {
    if (loadCount_ <= 0 && !file_) return 0;
    if (--loadCount_ < 0) loadCount_ = 0;
    if (file_) {
        if (openMode_ == 2) {
            std::vector<uint8_t> trailer;
            platform::ByteWriter w(trailer);
            uint32_t words[12];
            std::memcpy(words, &format_, sizeof words);
            for (uint32_t word : words)
                w.U32(word);
            uint32_t rate;
            std::memcpy(&rate, &rate_, 4);
            w.U32(rate);
            w.S32(width_);
            w.S32(height_);
            w.S32(bits_);
            w.S32(count_);
            file_->Write(trailer.data(), static_cast<int32_t>(trailer.size()));
        }
        file_->Close();
        delete file_; // the object only: the file stays
        file_ = nullptr;
    }
    FreeBuffers();
    current_ = 0;
    openMode_ = 0;
    ClearMode();
    data_ = nullptr;
    record_.surface = nullptr;
    return 1;
}

int TDeltaAni::ReadFrame(int32_t index) {
    if (openMode_ != 1 || !file_) return 0;
    if (index == 0) {
        current_ = 0;
        framePos_ = 0;
        file_->Seek(0, SEEK_SET);
        std::memset(previous_, 0, size_t(int64_t{words_} * 4 * height_));
    }
    if (current_ >= count_) return 0;
    uint8_t head[4];
    uint32_t n = 0;
    const int64_t left = dataEnd_ - framePos_ - 4;
    bool ok = left >= 0 && file_->Read(head, 4) == 4;
    if (ok) n = platform::ByteReader(head, 4).U32();
    ok = ok && n <= rowsCapacity_ && n <= left &&
         file_->Read(rows_, static_cast<int32_t>(n)) == static_cast<int32_t>(n) &&
         TDeltaCodec::CheckFrame(rows_, n, height_, words_);
    if (!ok) {
        file_->Seek(static_cast<int32_t>(framePos_), SEEK_SET);
        Corrupt(236);
        return 0;
    }
    encodedSize_ = n;
    TDeltaCodec::ApplyFrame(rows_, height_, words_, previous_, frame_, size_t(RowBytes()));
    framePos_ += 4 + n;
    ++current_;
    return 1;
}

bool TDeltaAni::SameSize(const GdlBitmap& p) const {
    return p.width == width_ && p.height == height_ &&
           BytesPerPixel(p.bitsPerPixel) == BytesPerPixel(bits_);
}

bool TDeltaAni::TakeSize(const GdlBitmap& p) {
    if (!ValidSide(p.width) || !ValidSide(p.height) || !ValidBits(p.bitsPerPixel)) return false;
    if (previous_ && SameSize(p)) {
        bits_ = p.bitsPerPixel;
    } else {
        width_ = p.width;
        height_ = p.height;
        bits_ = p.bitsPerPixel;
        if (!Allocate(false)) return false;
    }
    if (p.pixelFormat) format_ = *p.pixelFormat;
    return true;
}

int TDeltaAni::WriteFrame(int32_t index) {
    const GdlBitmap* p = static_cast<const GdlBitmap*>(data_);
    if (openMode_ != 2 || !file_ || !p || !p->surface) return 0;
    const bool full = index == 0 || count_ == 0;
    if (count_ == 0 ? !TakeSize(*p) : !SameSize(*p)) return 0;
    const int32_t rowBytes = RowBytes();
    if (p->bytesPerLine < rowBytes) return 0;
    auto* out = reinterpret_cast<uint32_t*>(rows_);
    size_t words = 0;
    for (int32_t y = 0; y < height_; ++y)
        words += TDeltaCodec::EncodeRow(p->surface + size_t(y) * size_t(p->bytesPerLine), rowBytes,
                                        previous_ + size_t(y) * size_t(words_), words_, full,
                                        out + words);
    const uint32_t n = static_cast<uint32_t>(words * 4);
    uint8_t head[4] = {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
    if (file_->Write(head, 4) != 4 ||
        file_->Write(rows_, static_cast<int32_t>(n)) != static_cast<int32_t>(n))
        return 0;
    encodedSize_ = n;
    ++count_;
    return 1;
}
