// The read side of every resource file: a TFile that, while the handle cache
// is on, reads from a cache entry holding the whole file (or a byte range of
// it) instead of from disk, and that unpacks LZW (method 2) and LZW16
// (method 3) data.
#pragma once

#include "foundation/TCache.h"
#include "foundation/TFile.h"

#include <cstdint>

class TSwpFile : public TFile {
public:
    static constexpr int32_t kMethodLzw = 2;
    static constexpr int32_t kMethodLzw16 = 3;
    static constexpr uint32_t kBuffer = 8; // mode word after OpenBuffer

    TSwpFile();
    explicit TSwpFile(const char* name);
    ~TSwpFile() override;

    int32_t GetSize() const { return size_; }
    int Open(int load);
    int Close();
    // The file's bytes from `offset` in memory (through the cache), or null.
    uint8_t* OpenBuffer(int32_t offset, int32_t count);
    int CloseBuffer();
    int32_t Read(void* destination, int32_t count);
    int32_t Seek(int32_t offset, int whence);
    // Decodes `count` packed bytes at the read position into `destination`;
    // `*capacity` holds the room and receives the bytes written. 1 or 0.
    int ReadPacked(void* destination, int32_t count, int32_t* capacity, int32_t method);
    // Puts the file into the cache at reload priority; 1 when it is there.
    int Reload(int force);
    void MarkCacheEntry();

    bool IsOpened() const { return open_ != 0; }
    int32_t CacheSlot() const { return cacheSlot_; }
    int32_t ReadPosition() const { return readPos_; }
    void SetLoader(TCacheLoader loader, TCacheUnloader unloader) {
        loader_ = loader;
        unloader_ = unloader;
    }

protected:
    // The loader whose records stand for this file in the cache; null when
    // the file is cached as its bytes.
    TCacheLoader RecordLoader() const { return loader_ && unloader_ ? loader_ : nullptr; }
    bool Cached() const { return cacheSlot_ >= 0 && cacheSlot_ < TCache::kSlots; }
    int CloseAny();
    void Fail(int32_t code, const char* message, int32_t line);
    // Bytes of the cache entry that can be read at the read position, cut to
    // `count`; the entry may hold only part of the file.
    int32_t CachedBytes(int32_t count, const uint8_t** at);

    int32_t open_ = 0;
    int32_t size_ = 0;
    TCacheLoader loader_ = nullptr;
    TCacheUnloader unloader_ = nullptr;
    int32_t cacheSlot_ = TCache::kNoHandle;
    int32_t readPos_ = 0;
};
