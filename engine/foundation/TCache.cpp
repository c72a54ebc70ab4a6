#include "foundation/TCache.h"

#include "foundation/TError.h"
#include "foundation/TFile.h"
#include "foundation/TServices.h"
#include "platform/Clock.h"
#include "platform/File.h"

#include <cerrno>
#include <climits>
#include <new>

namespace {

const char kSource[] = "Source\\TCache";

int32_t Hash(const char* name) {
    uint32_t sum = 0;
    for (int i = 0; i < 255 && name[i]; ++i)
        sum += static_cast<unsigned char>(name[i]);
    return static_cast<int32_t>(sum & 0x1FF);
}

// Ages rather than stamps, so the comparison survives the clock wrapping.
uint32_t Age(const TCacheEntry& e) {
    return platform::ClockNow() - e.lastUse;
}

// Ranges come from file headers too, so their ends are summed wide.
int64_t End(int32_t offset, int32_t size) {
    return size > 0 ? int64_t{offset} + size : INT64_MAX;
}

} // namespace

TCache& TCache::Global() {
    return RequireService(Services().cache, "cache");
}

TCache::TCache() {
    // The entries are one plain array: 512 bufferless names, nothing that
    // allocates while the allocator may be asking for room.
    static_assert(sizeof(TCacheEntry) < 128);
    entries_ = new (std::nothrow) TCacheEntry[kSlots];
}

TCache::~TCache() {
    Stop();
    delete[] entries_;
}

void TCache::Clear(TCacheEntry& e) {
    if (e.name.c_str()) e.name = "";
    e.data = nullptr;
    e.offset = e.size = e.fileSize = 0;
    e.lock = 0;
    e.mode = 2;
    e.lastUse = platform::ClockNow();
    e.loader = nullptr;
    e.unloader = nullptr;
}

void TCache::Start() {
    if (started_ || !entries_) return;
    started_ = 1;
    for (int32_t i = 0; i < kSlots; ++i)
        Clear(entries_[i]);
    totalBytes_ = inUse_ = 0;
}

void TCache::Stop() {
    if (!started_) return;
    for (int32_t i = 0; i < kSlots; ++i)
        Unload(i);
    started_ = 0;
}

const TCacheEntry* TCache::Entry(int32_t slot) const {
    if (!entries_ || slot < 0 || slot >= kSlots) return nullptr;
    return &entries_[slot];
}

TCacheEntry* TCache::Entry(int32_t slot) {
    if (!entries_ || slot < 0 || slot >= kSlots) return nullptr;
    return &entries_[slot];
}

void* TCache::GetData(int32_t slot) {
    if (!entries_ || slot < 0 || slot >= kSlots) return nullptr;
    return entries_[slot].data;
}

void TCache::AddRef(int32_t slot, int up) {
    if (!entries_ || slot < 0 || slot >= kSlots) return;
    TCacheEntry& e = entries_[slot];
    if (up) {
        ++e.lock;
        e.lastUse = platform::ClockNow();
    } else {
        --e.lock;
    }
}

int32_t TCache::Find(const char* name, int32_t offset, int32_t size, int32_t hint,
                     TCacheLoader loader) {
    if (!name || !started_) return kNoHandle;
    // A loader's record and a file's bytes share names but not meaning; a
    // hit must hold the whole request, so every pointer into it stays inside.
    auto matches = [&](const TCacheEntry& e) {
        if (!e.data || e.loader != loader || e.name != name) return false;
        if (loader) return true;
        int64_t end = int64_t{e.offset} + e.size;
        if (offset < e.offset) return false;
        if (size < 1) return end >= e.fileSize && offset < end;
        return int64_t{offset} + size <= end;
    };
    int32_t found = kNoHandle;
    if (hint >= 0 && hint < kSlots && matches(entries_[hint])) found = hint;
    for (int32_t i = 0, s = Hash(name); found == kNoHandle && i < probeLimit_; ++i) {
        if (matches(entries_[s])) found = s;
        s = (s + 1) % kSlots;
    }
    if (found != kNoHandle) entries_[found].lastUse = platform::ClockNow();
    return found;
}

void TCache::DropOverlapping(const char* name, int32_t offset, int32_t size, int32_t mode,
                             TCacheLoader loader) {
    // Only an entry of the same kind is replaced by the new one: a record and
    // the file's bytes serve different readers.
    int64_t newEnd = End(offset, size);
    for (int32_t i = 0, s = Hash(name); i < probeLimit_; ++i, s = (s + 1) % kSlots) {
        TCacheEntry& e = entries_[s];
        if (!e.data || e.lock > 0 || e.mode < mode || e.loader != loader || e.name != name)
            continue;
        if (e.offset < newEnd && offset < End(e.offset, e.size)) Unload(s);
    }
}

int32_t TCache::FindSlot(const char* name) {
    int32_t oldest = kNoHandle;
    int32_t taken = kNoHandle;
    int32_t probed = 0;
    for (int32_t s = Hash(name); probed < kSlots; s = (s + 1) % kSlots) {
        ++probed;
        const TCacheEntry& e = entries_[s];
        if (!e.data) {
            taken = s;
            break;
        }
        if (e.mode >= 1 && e.lock <= 0 && (oldest == kNoHandle || Age(e) > Age(entries_[oldest])))
            oldest = s;
        if (probed >= probeLimit_ && oldest != kNoHandle) break;
    }
    if (taken == kNoHandle && oldest != kNoHandle) {
        Unload(oldest);
        taken = oldest;
    }
    // Find probes only this far, so the limit must reach every slot handed out.
    if (taken != kNoHandle && probed > probeLimit_) probeLimit_ = probed;
    return taken;
}

int32_t TCache::Create(const char* name, int32_t offset, int32_t size, int32_t fileSize,
                       int32_t mode) {
    if (!name || !started_) return kNoHandle;
    DropOverlapping(name, offset, size, mode, nullptr);
    int32_t slot = FindSlot(name);
    if (slot == kNoHandle) {
        TError::Raise(101, "No handle available.", name, kSource, 493);
        return kNoHandle;
    }
    void* data = size > 0 ? EngineAlloc(static_cast<size_t>(size)) : nullptr;
    if (!data) {
        TError::Raise(101, "Not enough memory available.", name, kSource, 500);
        return kNoHandle;
    }
    TCacheEntry& e = entries_[slot];
    e.data = data;
    e.lock = 0;
    e.lastUse = platform::ClockNow();
    e.mode = mode;
    e.offset = offset;
    e.size = size;
    e.fileSize = fileSize;
    e.name = name;
    e.loader = nullptr;
    e.unloader = nullptr;
    totalBytes_ += size;
    if (++inUse_ > highWater_) highWater_ = inUse_;
    MakeRoom(heapReserve_, 1, slot);
    return slot;
}

int32_t TCache::LoadRange(const char* name, int32_t offset, int32_t size, int force, int32_t mode,
                          int32_t hint) {
    if (!force) {
        int32_t hit = Find(name, offset, size, hint);
        if (hit != kNoHandle) return hit;
    }
    if (!name || !started_) return kNoHandle;
    TFile file(name);
    if (!file.Open(TFile::kRead)) return kNoHandle;
    int32_t fileSize = file.GetSize();
    if (size < 1) size = offset < 0 ? 0 : fileSize - offset;
    if (fileSize < 1) {
        TError::Raise(103, nullptr, name, kSource, 638);
        return kNoHandle;
    }
    if (size < 1 || offset < 0) {
        TError::Raise(102, nullptr, name, kSource, 641);
        return kNoHandle;
    }
    errno = 0;
    if (int64_t{offset} + size > fileSize) {
        // The read would come up short: say so before allocating a range that
        // a corrupt header may have made gigabytes long.
        TError::Raise(4, platform::ErrorText(errno).c_str(), name, kSource, 656);
        return kNoHandle;
    }
    int32_t slot = Create(name, offset, size, fileSize, mode);
    if (slot == kNoHandle) return kNoHandle;
    file.Seek(offset, SEEK_SET);
    if (file.Read(entries_[slot].data, size) != size) {
        std::string text = platform::ErrorText(errno);
        TError::Raise(4, text.c_str(), name, kSource, 656);
        Unload(slot);
        return kNoHandle;
    }
    return slot;
}

int32_t TCache::Load(const char* name, TCacheLoader loader, TCacheUnloader unloader, int force,
                     int32_t mode, int32_t hint) {
    if (!force) {
        int32_t hit = Find(name, 0, 0, hint, loader && unloader ? loader : nullptr);
        if (hit != kNoHandle) return hit;
    }
    if (!loader || !unloader) return LoadRange(name, 0, 0, force, mode, hint);
    if (!name || !started_) return kNoHandle;
    DropOverlapping(name, 0, 0, mode, loader);
    int32_t slot = FindSlot(name);
    if (slot == kNoHandle) {
        TError::Raise(101, "No handle available.", name, kSource, 705);
        return kNoHandle;
    }
    TCacheEntry& e = entries_[slot];
    e.data = nullptr;
    e.lock = 0;
    e.lastUse = platform::ClockNow();
    e.mode = mode;
    e.offset = e.size = e.fileSize = 0;
    e.name = name;
    e.loader = loader;
    e.unloader = unloader;
    void* data = loader(name);
    if (!data) {
        // Nothing was counted for this slot yet, so clearing it is all there is.
        Clear(e);
        return kNoHandle;
    }
    e.data = data;
    if (++inUse_ > highWater_) highWater_ = inUse_;
    MakeRoom(heapReserve_, 1, slot);
    return slot;
}

void TCache::Unload(int32_t slot) {
    if (!started_ || slot < 0 || slot >= kSlots) return;
    TCacheEntry& e = entries_[slot];
    if (e.data) {
        if (e.unloader)
            e.unloader(e.data);
        else
            EngineFree(e.data);
        totalBytes_ -= e.size;
        --inUse_;
    }
    Clear(e);
}

int32_t TCache::Oldest(int32_t exclude, bool (*pick)(const TCacheEntry&, int32_t, int32_t),
                       int32_t mode, int32_t bytes) {
    int32_t oldest = kNoHandle;
    for (int32_t s = 0; s < kSlots; ++s) {
        const TCacheEntry& e = entries_[s];
        if (s == exclude || !e.data || e.lock > 0 || !pick(e, mode, bytes)) continue;
        if (oldest == kNoHandle || Age(e) > Age(entries_[oldest])) oldest = s;
    }
    return oldest;
}

int TCache::MakeRoom(int32_t bytes, int32_t mode, int32_t exclude) {
    if (!started_ || mode < 1 || bytes < 1) return 0;
    int evictions = 0;

    using Pick = bool (*)(const TCacheEntry&, int32_t, int32_t);
    const Pick overLimit[] = {
        [](const TCacheEntry& e, int32_t m, int32_t) { return e.size >= 1 && e.mode > m; },
        [](const TCacheEntry& e, int32_t m, int32_t) { return e.size >= 1 && e.mode == m; },
    };
    while (totalBytes_ > byteLimit_ && evictions < kSlots) {
        int32_t slot = kNoHandle;
        for (Pick pick : overLimit)
            if (slot == kNoHandle) slot = Oldest(exclude, pick, mode, bytes);
        if (slot == kNoHandle) break;
        Unload(slot);
        ++evictions;
    }

    // Higher modes before equal ones; within a mode, blocks big enough alone
    // before smaller ones.
    const Pick forHeap[] = {
        [](const TCacheEntry& e, int32_t m, int32_t b) { return e.mode > m && e.size >= b; },
        [](const TCacheEntry& e, int32_t m, int32_t b) { return e.mode > m && e.size < b; },
        [](const TCacheEntry& e, int32_t m, int32_t b) { return e.mode == m && e.size >= b; },
        [](const TCacheEntry& e, int32_t m, int32_t b) { return e.mode == m && e.size < b; },
    };
    for (;;) {
        if (void* trial = EngineHeapTry(static_cast<size_t>(bytes))) {
            EngineFree(trial);
            break;
        }
        int32_t slot = kNoHandle;
        if (evictions < kSlots)
            for (Pick pick : forHeap)
                if (slot == kNoHandle) slot = Oldest(exclude, pick, mode, bytes);
        if (slot == kNoHandle) return 0;
        Unload(slot);
        ++evictions;
    }
    return totalBytes_ <= byteLimit_;
}
