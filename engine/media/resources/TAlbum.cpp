#include "media/resources/TAlbum.h"

#include "foundation/TError.h"
#include "media/resources/TRleCodec.h"
#include "platform/ByteStream.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

const char kSource[] = "Source\\TAlbum";

uint32_t U32At(const uint8_t* at) {
    return platform::ByteReader(at, 4).U32();
}
uint16_t U16At(const uint8_t* at) {
    return platform::ByteReader(at, 2).U16();
}

// The pixel-format record of each depth: masks, then position and adjust of
// red, green, blue and alpha.
const GdlPixelFormat kFormat8 = {255, 255, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0};
const GdlPixelFormat kFormat16 = {31, 63, 31, 0, 11, 3, 5, 2, 0, 3, 0, 0};
const GdlPixelFormat kFormat24 = {255, 255, 255, 0, 16, 0, 8, 0, 0, 0, 0, 0};

} // namespace

TAlbum::TAlbum() {
    folder_ = "Pictures";
}

TAlbum::TAlbum(const char* name) : TResource(name) {
    folder_ = "Pictures";
}

TAlbum::~TAlbum() {
    TAlbum::FreePicture();
    if (loadCount_ > 0) {
        loadCount_ = 1;
        TAlbum::Close();
    }
    FreeTables();
}

int32_t TAlbum::EntryCount() const {
    return directory_ ? U16At(header_ + 2) : 0;
}

const uint8_t* TAlbum::EntryRecord(int32_t entry) const {
    if (!directory_ || entry < 0 || entry >= EntryCount()) return nullptr;
    return directory_ + static_cast<size_t>(entry) * kEntrySize;
}

void TAlbum::Corrupt(int32_t line) {
    TError::Raise(51, nullptr, fileName_.c_str(), kSource, line);
}

void TAlbum::FreeTables() {
    EngineFree(directory_);
    EngineFree(palette_);
    EngineFree(offsets_);
    directory_ = nullptr;
    palette_ = nullptr;
    offsets_ = nullptr;
    offsetCount_ = 0;
}

uint32_t TAlbum::Update() {
    return static_cast<uint32_t>(TAlbum::Load());
}

int TAlbum::Load() {
    if (!IsDirty() || InUse() || IsOpened()) return albumFlags_ & kLoaded;
    UpdatePicture();
    FreeTables();
    albumFlags_ &= ~kLoaded;
    if (fileName_ == "") return 0; // nothing named: nothing to read
    if (TSwpFile::Open(0)) {
        fileSize_ = GetSize();
        if (Read(header_, kHeaderSize) == kHeaderSize && ReadTables()) albumFlags_ |= kLoaded;
        if (TSwpFile::Close() == -1) albumFlags_ &= ~kLoaded;
    }
    if (!(albumFlags_ & kLoaded)) FreeTables();
    return albumFlags_ & kLoaded;
}

// Header checks, directory, palette and frame-offset table; the swap file is
// open. False leaves the album not loaded.
bool TAlbum::ReadTables() {
    if (header_[4] == 0) header_[4] = 8;
    if (U16At(header_) <= 100) {
        TError::Raise(48, "Version 1.0 or lower not supported.", fileName_.c_str(), kSource, 121);
        return false;
    }
    int32_t entries = U16At(header_ + 2), bits = header_[4];
    if (entries <= 0 || (bits != 8 && bits != 16 && bits != 24)) {
        Corrupt(127);
        return false;
    }
    int32_t bytes = entries * kEntrySize;
    directory_ = static_cast<uint8_t*>(EngineAlloc(static_cast<size_t>(bytes)));
    if (!directory_) {
        TError::Raise(9, nullptr, fileName_.c_str(), kSource, 133);
        return false;
    }
    if (Read(directory_, bytes) != bytes) return false;
    dataStart_ = kHeaderSize + bytes;
    if (!CheckEntries()) return false;
    int32_t paletteSize = U16At(header_ + 10);
    if (paletteSize > 0 && !ReadPalette(static_cast<int32_t>(U32At(header_ + 6)), paletteSize))
        return false;
    if (header_[5] != 0) {
        int32_t tableBytes = U16At(header_ + 16);
        offsets_ = static_cast<uint8_t*>(EngineAlloc(static_cast<size_t>(tableBytes)));
        if (tableBytes > 0 && !offsets_) {
            TError::Raise(9, nullptr, fileName_.c_str(), kSource, 160);
            return false;
        }
        Seek(static_cast<int32_t>(U32At(header_ + 12)), SEEK_SET);
        if (tableBytes > 0 && Read(offsets_, tableBytes) != tableBytes) return false;
        offsetCount_ = tableBytes / 4;
    }
    format_ = bits == 8 ? kFormat8 : bits == 16 ? kFormat16 : kFormat24;
    return true;
}

int64_t TAlbum::RowSpan(const uint8_t* record) const {
    int64_t width = U16At(record + 2), height = U16At(record + 4);
    int64_t pixel = (BitsPerPixel() + 1) / 8;
    if (height == 0) return 0;
    return (height - 1) * pixel * (width & ~int64_t{3}) + pixel * width;
}

// Every entry's frame must hold its rows; a smaller one would let the
// decoders' output fall short of what drawing reads.
bool TAlbum::CheckEntries() {
    int64_t pixel = (BitsPerPixel() + 1) / 8;
    for (int32_t e = 0; e < EntryCount(); ++e) {
        const uint8_t* r = EntryRecord(e);
        int64_t stride = pixel * (U16At(r + 2) & ~3);
        int64_t frameBytes = U32At(r + 6);
        if (frameBytes < stride * U16At(r + 4) || frameBytes > INT32_MAX - kSlack) {
            Corrupt(152);
            return false;
        }
    }
    return true;
}

bool TAlbum::ReadPalette(int32_t offset, int32_t size) {
    uint8_t* bytes = static_cast<uint8_t*>(EngineAlloc(static_cast<size_t>(size)));
    if (!bytes) {
        TError::Raise(9, nullptr, fileName_.c_str(), kSource, 146);
        return false;
    }
    Seek(offset, SEEK_SET);
    bool ok = Read(bytes, size) == size;
    palette_ = static_cast<GdlPaletteEntry*>(EngineAlloc(256 * sizeof(GdlPaletteEntry)));
    if (ok && !palette_) {
        TError::Raise(9, nullptr, fileName_.c_str(), kSource, 151);
        ok = false;
    }
    if (ok) {
        // Entries the file does not fill are black.
        std::memset(palette_, 0, 256 * sizeof(GdlPaletteEntry));
        for (int32_t i = 0; i < std::min(size / 3, 256); ++i)
            palette_[i] = {bytes[3 * i + 2], bytes[3 * i + 1], bytes[3 * i], 0};
    }
    EngineFree(bytes);
    return ok;
}

int TAlbum::Open() {
    Update();
    if (++loadCount_ == 1 && (albumFlags_ & kLoaded) && !image_ && !IsOpened())
        image_ = OpenBuffer(0, 0);
    return image_ != nullptr;
}

int TAlbum::Close() {
    if (--loadCount_ > 0) return 1;
    loadCount_ = 0;
    if (image_) {
        TAlbum::FreePicture(); // a frame may point into the image
        CloseBuffer();
        image_ = nullptr;
    }
    return 1;
}

bool TAlbum::IsLoaded() {
    if (*GetPath() == '\0') return false;
    Update();
    return (albumFlags_ & kLoaded) != 0;
}

int32_t TAlbum::GetFrameCount(int32_t entry) {
    Update();
    const uint8_t* r = (albumFlags_ & kLoaded) ? EntryRecord(entry) : nullptr;
    return r ? U16At(r) : 0;
}

int32_t TAlbum::GetWidthOf(int32_t, int32_t entry) {
    Update();
    const uint8_t* r = (albumFlags_ & kLoaded) ? EntryRecord(entry) : nullptr;
    return r ? U16At(r + 2) : 0;
}

int32_t TAlbum::GetHeightOf(int32_t, int32_t entry) {
    Update();
    const uint8_t* r = (albumFlags_ & kLoaded) ? EntryRecord(entry) : nullptr;
    return r ? U16At(r + 4) : 0;
}

int32_t TAlbum::GetWidth() {
    return picture_.surface ? picture_.width : GetWidthOf(0, 0);
}

int32_t TAlbum::GetHeight() {
    return picture_.surface ? picture_.height : GetHeightOf(0, 0);
}

uint8_t* TAlbum::NewFrame(int64_t bytes) {
    auto* block = static_cast<uint8_t*>(EngineAlloc(static_cast<size_t>(bytes + kSlack)));
    if (!block) {
        TError::Raise(9, nullptr, fileName_.c_str(), kSource, 236);
        return nullptr;
    }
    std::memset(block, 0, static_cast<size_t>(bytes + kSlack));
    return block;
}

int TAlbum::ReadPicture(int32_t frame, int32_t entry) {
    Update();
    if (!(albumFlags_ & kLoaded) || (albumFlags_ & kFrameHeld)) return 0;
    const uint8_t* r = EntryRecord(entry);
    if (!r || frame < 0 || frame >= U16At(r)) return 0;
    uint8_t* pixels = header_[5] == 0 ? ReadStored(frame, entry) : ReadPacked(frame, entry);
    if (!pixels) return 0;
    int32_t bits = BitsPerPixel();
    picture_.width = U16At(r + 2);
    picture_.height = U16At(r + 4);
    picture_.bitsPerPixel = bits;
    picture_.bytesPerLine = ((bits + 1) / 8) * (picture_.width & ~3);
    picture_.surface = pixels;
    picture_.palette = palette_;
    picture_.pixelFormat = &format_;
    data_ = &picture_;
    return 1;
}

uint8_t* TAlbum::ReadStored(int32_t frame, int32_t entry) {
    const uint8_t* r = EntryRecord(entry);
    int64_t frameBytes = U32At(r + 6);
    int64_t offset = dataStart_;
    for (int32_t e = 0; e < entry; ++e)
        offset += U32At(EntryRecord(e) + 10);
    offset += frame * frameBytes;
    if (offset + frameBytes > fileSize_) {
        Corrupt(262);
        return nullptr;
    }
    int64_t need = std::max(frameBytes, RowSpan(r));
    const uint8_t* source = nullptr;
    if (image_) {
        if (offset + need <= fileSize_) return frame_ = image_ + offset; // nothing to free
        source = image_ + offset;
    } else if (frameBytes > 0) {
        uint8_t* buffer =
            OpenBuffer(static_cast<int32_t>(offset), static_cast<int32_t>(frameBytes));
        if (!buffer) return nullptr;
        if (need <= frameBytes) {
            frame_ = buffer;
            frameIsBuffer_ = true;
            albumFlags_ |= kFrameHeld;
            return frame_;
        }
        source = buffer;
    }
    // Rows that a reader of the full width would run past: copy into a block
    // with room behind it.
    uint8_t* copy = NewFrame(frameBytes);
    if (copy && frameBytes > 0) std::memcpy(copy, source, static_cast<size_t>(frameBytes));
    if (!image_ && frameBytes > 0) CloseBuffer();
    if (!copy) return nullptr;
    frame_ = copy;
    frameIsBuffer_ = false;
    albumFlags_ |= kFrameHeld;
    return frame_;
}

uint8_t* TAlbum::ReadPacked(int32_t frame, int32_t entry) {
    const uint8_t* r = EntryRecord(entry);
    int64_t index = int64_t{U32At(r + 15)} + frame;
    if (index + 1 >= offsetCount_) {
        Corrupt(290);
        return nullptr;
    }
    uint32_t start = U32At(offsets_ + index * 4), end = U32At(offsets_ + index * 4 + 4);
    if (start > end || end > static_cast<uint32_t>(fileSize_) || header_[5] > 3) {
        Corrupt(295);
        return nullptr;
    }
    int32_t frameBytes = static_cast<int32_t>(U32At(r + 6));
    uint8_t* buffer = NewFrame(frameBytes);
    if (!buffer) return nullptr;
    frame_ = buffer;
    frameIsBuffer_ = false;
    albumFlags_ |= kFrameHeld;
    int32_t count = static_cast<int32_t>(end - start);
    bool ok = true;
    if (header_[5] == 1) {
        bool opened = image_ || TSwpFile::Open(1);
        if (opened) {
            Seek(static_cast<int32_t>(start), SEEK_SET);
            int32_t capacity = frameBytes;
            ok = TSwpFile::ReadPacked(buffer, count, &capacity, kMethodLzw) != 0;
            if (!image_) TSwpFile::Close();
        }
        ok = ok && opened;
    } else if (count > 0) {
        const uint8_t* packed =
            image_ ? image_ + start : OpenBuffer(static_cast<int32_t>(start), count);
        ok = packed && DecodeFrame(packed, count, r, buffer, frameBytes);
        if (packed && !image_) CloseBuffer();
    }
    if (!ok) {
        TAlbum::FreePicture();
        return nullptr;
    }
    return buffer;
}

bool TAlbum::DecodeFrame(const uint8_t* packed, int32_t count, const uint8_t* r, uint8_t* out,
                         int32_t capacity) {
    TRleCodec codec;
    int32_t bits = BitsPerPixel(), rows = U16At(r + 4);
    int ok = 1;
    if (header_[5] == 2) {
        // Skip-fill has no 24-bit form: such a frame stays zeroed.
        if (bits == 8) ok = codec.DecodeRows8(packed, out, rows, r[22], count, capacity);
        if (bits == 16)
            ok = codec.DecodeRows16(packed, out, rows, r[19], r[20], r[21], count, capacity);
    } else {
        ok = bits == 8    ? codec.Decode8(packed, out, count, capacity)
             : bits == 16 ? codec.Decode16(packed, out, count, capacity)
                          : codec.Decode24(packed, out, count, capacity);
    }
    if (!ok) Corrupt(330);
    return ok != 0;
}

void TAlbum::FreePicture() {
    if (albumFlags_ & kFrameHeld) {
        albumFlags_ &= ~kFrameHeld;
        if (frameIsBuffer_)
            CloseBuffer();
        else
            EngineFree(frame_);
    }
    frame_ = nullptr;
    frameIsBuffer_ = false;
    data_ = nullptr;
    picture_.width = picture_.height = 0;
    picture_.surface = nullptr;
}
