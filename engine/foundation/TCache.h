// The engine's one cache of file data: up to 512 named memory blocks (handles),
// each a byte range of a file read into memory or an object a caller's loader
// built. Entries are found again by name and range, locked while in use, and
// evicted by priority (higher mode first; mode 0 never by a slot search) and
// age when the cache outgrows its limits or the heap runs dry. Handle 512
// means "none".
#pragma once

#include "foundation/TNamedObj.h"
#include "foundation/TString.h"

#include <cstdint>

using TCacheLoader = void* (*)(const char* name);
using TCacheUnloader = void (*)(void* data);

struct TCacheEntry {
    int32_t offset = 0;
    int32_t size = 0;     // 0 for loader entries
    int32_t fileSize = 0; // of the whole file when it was read
    uint32_t lastUse = 0; // monotonic milliseconds
    int32_t mode = 2;
    void* data = nullptr; // null: empty slot
    TString name{0};
    int32_t lock = 0;
    TCacheLoader loader = nullptr;
    TCacheUnloader unloader = nullptr;
};

class TCache : public TNamedObj {
public:
    static constexpr int32_t kSlots = 512;
    static constexpr int32_t kNoHandle = 512;

    // The current engine's cache (ui/TEngine.h builds it).
    static TCache& Global();

    TCache();
    ~TCache() override;

    void Start();
    void Stop();
    bool IsStarted() const { return started_ != 0; }
    // Started and enabled (flag bit 2): swap files use it only then.
    bool IsOn() const { return started_ && (flags_ & kEnabled); }

    void* GetData(int32_t slot);
    void AddRef(int32_t slot, int up);
    // An entry of `name` holding the request: with no loader, file bytes
    // covering [offset, offset + size), or from `offset` to the end of the
    // file when size is 0 or below; with a loader, a record that loader built.
    int32_t Find(const char* name, int32_t offset, int32_t size, int32_t hint,
                 TCacheLoader loader = nullptr);
    int32_t Create(const char* name, int32_t offset, int32_t size, int32_t fileSize, int32_t mode);
    int32_t LoadRange(const char* name, int32_t offset, int32_t size, int force, int32_t mode,
                      int32_t hint);
    int32_t Load(const char* name, TCacheLoader loader, TCacheUnloader unloader, int force,
                 int32_t mode, int32_t hint);
    void Unload(int32_t slot);
    int MakeRoom(int32_t bytes, int32_t mode, int32_t exclude);

    // The entry of a slot (null outside 0..511); swap files re-prioritise
    // their entries through it.
    const TCacheEntry* Entry(int32_t slot) const;
    TCacheEntry* Entry(int32_t slot);
    int64_t TotalBytes() const { return totalBytes_; }
    int32_t InUse() const { return inUse_; }
    int32_t HighWater() const { return highWater_; }
    int32_t ByteLimit() const { return byteLimit_; }
    void SetByteLimit(int32_t bytes) { byteLimit_ = bytes; }
    void SetHeapReserve(int32_t bytes) { heapReserve_ = bytes; }

private:
    void Clear(TCacheEntry& entry);
    int32_t FindSlot(const char* name);
    void DropOverlapping(const char* name, int32_t offset, int32_t size, int32_t mode,
                         TCacheLoader loader);
    int32_t Oldest(int32_t exclude, bool (*pick)(const TCacheEntry&, int32_t, int32_t),
                   int32_t mode, int32_t bytes);

    int32_t heapReserve_ = 0x100000;
    int32_t byteLimit_ = 0x4000000;
    TCacheEntry* entries_;
    int64_t totalBytes_ = 0; // locked entries may together pass 2 GB
    int32_t inUse_ = 0;
    int32_t highWater_ = 0;
    int32_t started_ = 0;
    int32_t probeLimit_ = 10;
};
