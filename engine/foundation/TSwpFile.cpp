#include "foundation/TSwpFile.h"

#include "foundation/TError.h"
#include "foundation/TLzw16Codec.h"
#include "foundation/TLzwCodec.h"
#include "platform/Clock.h"
#include "platform/File.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace {

const char kSource[] = "Source\\TSwpFile";

// The entry in use is this file's to re-rank and to stamp.
TCacheEntry* EntryOf(int32_t slot) {
    return TCache::Global().Entry(slot);
}

} // namespace

TSwpFile::TSwpFile() = default;
TSwpFile::TSwpFile(const char* name) : TFile(name) {}

TSwpFile::~TSwpFile() {
    if (open_) CloseAny();
}

void TSwpFile::Fail(int32_t code, const char* message, int32_t line) {
    TError::Raise(code, message, fileName_.c_str(), kSource, line);
}

int TSwpFile::Open(int load) {
    Update();
    if (fileName_ == "" || !fileName_.c_str()) {
        TError::Raise(56, "Missing file name.", nullptr, kSource, 65);
        return 0;
    }
    if (open_) {
        Fail(56, "Swap file has already been opened.", 68);
        return 0;
    }
    position_ = positionEnd_ = 0;
    readPos_ = 0;
    TCache& cache = TCache::Global();
    if (cache.IsOn()) {
        int32_t slot = load ? cache.LoadRange(fileName_.c_str(), 0, 0, 0, 2, cacheSlot_)
                            : cache.Find(fileName_.c_str(), 0, 0, cacheSlot_);
        if (slot >= 0 && slot < TCache::kSlots) {
            cacheSlot_ = slot;
            open_ = 1;
            mode_ = kRead;
            size_ = cache.Entry(slot)->fileSize;
            cache.AddRef(slot, 1);
            return 1;
        }
    }
    if (!TFile::Open(kRead)) return 0;
    open_ = 1;
    cacheSlot_ = TCache::kNoHandle;
    size_ = TFile::GetSize();
    return 1;
}

int TSwpFile::CloseAny() {
    open_ = 0;
    readPos_ = 0;
    if (Cached()) TCache::Global().AddRef(cacheSlot_, 0);
    cacheSlot_ = TCache::kNoHandle;
    return TFile::Close();
}

int TSwpFile::Close() {
    if (!open_) return 0;
    if (!(mode_ & (kRead | kWrite))) {
        Fail(59, "Wrong method to close swap file.", 174);
        return -1;
    }
    return CloseAny();
}

uint8_t* TSwpFile::OpenBuffer(int32_t offset, int32_t count) {
    Update();
    if (fileName_ == "" || !fileName_.c_str()) {
        TError::Raise(56, "Missing file name.", nullptr, kSource, 206);
        return nullptr;
    }
    if (open_) {
        Fail(56, "Swap file has already been opened.", 209);
        return nullptr;
    }
    TCache& cache = TCache::Global();
    int32_t slot = cache.LoadRange(fileName_.c_str(), offset, count, 0, 2, cacheSlot_);
    if (slot < 0 || slot >= TCache::kSlots) {
        Fail(56, "Not enough memory available or no handle available.", 230);
        return nullptr;
    }
    TCacheEntry* entry = EntryOf(slot);
    entry->lastUse = platform::ClockNow();
    cacheSlot_ = slot;
    open_ = 1;
    mode_ = kBuffer;
    readPos_ = offset;
    size_ = entry->fileSize;
    cache.AddRef(slot, 1);
    return static_cast<uint8_t*>(entry->data) + (offset - entry->offset);
}

int TSwpFile::CloseBuffer() {
    if (!open_) return 0;
    if (!(mode_ & kBuffer)) {
        Fail(59, "Wrong method to close swap file.", 247);
        return -1;
    }
    return CloseAny();
}

int32_t TSwpFile::CachedBytes(int32_t count, const uint8_t** at) {
    TCacheEntry* entry = EntryOf(cacheSlot_);
    if (!entry || !entry->data) return 0;
    entry->lastUse = platform::ClockNow(); // in use: the last to be evicted
    if (readPos_ < entry->offset) return 0;
    int64_t left = static_cast<int64_t>(size_) - readPos_;
    int64_t held = static_cast<int64_t>(entry->offset) + entry->size - readPos_;
    if (held < left) left = held;
    if (count < left) left = count;
    if (left < 1) return 0;
    *at = static_cast<const uint8_t*>(entry->data) + (readPos_ - entry->offset);
    return static_cast<int32_t>(left);
}

int32_t TSwpFile::Read(void* destination, int32_t count) {
    if (!open_) {
        Fail(57, "Swap file has not been opened.", 273);
        return -1;
    }
    if (!(mode_ & kRead)) {
        Fail(57, "Swap file has not been opened for reading.", 276);
        return -1;
    }
    if (!destination) {
        Fail(57, "Missing destination memory.", 279);
        return -1;
    }
    if (Cached()) {
        const uint8_t* at = nullptr;
        int32_t n = CachedBytes(count, &at);
        if (n < 1) return 0;
        std::memcpy(destination, at, static_cast<size_t>(n));
        readPos_ += n;
        return n;
    }
    if (stream_) return TFile::Read(destination, count);
    Fail(57, "Invalid file handle.", 299);
    return -1;
}

int32_t TSwpFile::Seek(int32_t offset, int whence) {
    if (!open_) return 0;
    if (!Cached()) return TFile::Seek(offset, whence);
    position_ = positionEnd_ = 0;
    // Offsets may come from corrupt headers: a position beyond the 32-bit
    // range is held at its edge, where every read finds nothing.
    auto clamp = [](int64_t at) {
        return static_cast<int32_t>(at < INT32_MIN ? INT32_MIN : at > INT32_MAX ? INT32_MAX : at);
    };
    switch (whence) {
        case SEEK_SET: readPos_ = offset; return offset;
        case SEEK_CUR:
            readPos_ = clamp(int64_t{readPos_} + offset);
            return offset; // callers have only ever used the result of SEEK_SET and SEEK_END
        case SEEK_END: readPos_ = clamp(int64_t{size_} + offset); return readPos_;
        default: return 0;
    }
}

int TSwpFile::ReadPacked(void* destination, int32_t count, int32_t* capacity, int32_t method) {
    if (!open_) {
        Fail(60, "Swap file has not been opened.", 470);
        return 0;
    }
    if (!(mode_ & (kRead | kBuffer))) {
        Fail(60, "Swap file has not been opened for reading.", 478);
        return 0;
    }
    if (!destination || !capacity) {
        Fail(60, "Missing destination memory.", 481);
        return 0;
    }
    if (*capacity <= 0) return 1;
    uint8_t* out = static_cast<uint8_t*>(destination);
    bool lzw = method == kMethodLzw;
    if (method != kMethodLzw && method != kMethodLzw16) {
        *capacity = 0; // no decoder: nothing written
        return 1;
    }
    if (Cached()) {
        const uint8_t* at = nullptr;
        int32_t n = CachedBytes(count, &at);
        if (n < 1) {
            *capacity = 0;
            return 1;
        }
        int ok = lzw ? TLzwCodec().Decode(at, n, out, capacity)
                     : TLzw16Codec().Decode(at, n, out, capacity);
        if (!ok) {
            Fail(lzw ? 61 : 62, nullptr, lzw ? 500 : 508);
            return 0;
        }
        readPos_ += n;
        return 1;
    }
    if (!stream_) {
        Fail(60, "Invalid file handle.", 515);
        return 0;
    }
    int ok = lzw ? TLzwCodec().DecodeStream(stream_, out, capacity)
                 : TLzw16Codec().DecodeStream(stream_, out, capacity);
    if (!ok) {
        Fail(lzw ? 61 : 62, nullptr, lzw ? 521 : 526);
        return 0;
    }
    if (std::ferror(stream_)) {
        std::string text = platform::ErrorText(errno);
        Fail(4, text.c_str(), 533);
        return 0;
    }
    return 1;
}

int TSwpFile::Reload(int force) {
    Update();
    TCache& cache = TCache::Global();
    if (fileName_ == "" || !fileName_.c_str() || !cache.IsOn()) return 0;
    int32_t slot = loader_ && unloader_
                       ? cache.Load(fileName_.c_str(), loader_, unloader_, force, 1, cacheSlot_)
                       : cache.LoadRange(fileName_.c_str(), 0, 0, force, 1, cacheSlot_);
    cacheSlot_ = slot;
    return Cached();
}

void TSwpFile::MarkCacheEntry() {
    // Hands a preloaded entry back to normal priority.
    if (Cached()) EntryOf(cacheSlot_)->mode = 2;
}
