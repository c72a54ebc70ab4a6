#include "foundation/TCache.h"
#include "foundation/TError.h"

#include "TempDir.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

TErrorRec* Newest() {
    TListNode* head = TError::ShownList().Head();
    return head ? static_cast<TErrorRec*>(head->item) : nullptr;
}

class Cache : public testing::Test {
protected:
    void SetUp() override {
        platform::ClockUseVirtual(true, 1000);
        cache = std::make_unique<TCache>();
        cache->Start();
    }
    void TearDown() override {
        cache.reset();
        platform::ClockUseVirtual(false);
    }
    std::string File(const std::string& name, size_t size) {
        return dir.Write(name, std::string(size, 'd'));
    }
    int32_t LoadNext(const std::string& path, int32_t mode = 2) {
        platform::ClockAdvance(1); // distinct ages
        return cache->LoadRange(path.c_str(), 0, 0, 0, mode, TCache::kNoHandle);
    }

    testsupport::TempDir dir;
    std::unique_ptr<TCache> cache;
};

TEST_F(Cache, RangesAreFoundAgain) {
    std::string path = dir.Write("data.bin", "0123456789");
    int32_t whole = cache->LoadRange(path.c_str(), 0, 0, 0, 2, TCache::kNoHandle);
    ASSERT_NE(whole, TCache::kNoHandle);
    EXPECT_EQ(std::memcmp(cache->GetData(whole), "0123456789", 10), 0);
    EXPECT_EQ(cache->Find(path.c_str(), 7, 0, TCache::kNoHandle), whole); // any offset
    EXPECT_EQ(cache->Find(path.c_str(), 2, 8, TCache::kNoHandle), whole);
    EXPECT_EQ(cache->Find(path.c_str(), 2, 9, TCache::kNoHandle), TCache::kNoHandle);
    EXPECT_EQ(cache->Find("other", 0, 0, TCache::kNoHandle), TCache::kNoHandle);
    EXPECT_EQ(cache->Find(nullptr, 0, 0, TCache::kNoHandle), TCache::kNoHandle);
    EXPECT_EQ(cache->LoadRange(path.c_str(), 0, 0, 0, 2, TCache::kNoHandle), whole); // a hit

    // A forced reload of an overlapping range replaces the entry.
    int32_t part = cache->LoadRange(path.c_str(), 4, 3, 1, 2, TCache::kNoHandle);
    ASSERT_NE(part, TCache::kNoHandle);
    EXPECT_EQ(std::memcmp(cache->GetData(part), "456", 3), 0);
    EXPECT_EQ(cache->InUse(), 1);
    EXPECT_EQ(cache->TotalBytes(), 3);
    EXPECT_EQ(cache->Entry(part)->fileSize, 10);
    EXPECT_EQ(cache->GetData(-1), nullptr);
    EXPECT_EQ(cache->GetData(512), nullptr);
}

TEST_F(Cache, BadRangesAndFilesAreReported) {
    std::string empty = dir.Write("empty.bin", "");
    std::string ten = dir.Write("ten.bin", "0123456789");
    struct Case {
        std::string name;
        int32_t offset, size;
        int code;
        int line;
    } cases[] = {
        {empty, 0, 0, 103, 638},
        {ten, 10, 0, 102, 641},
        {ten, 8, 5, 4, 656},
        {dir.File("missing.bin"), 0, 0, 2, 95},
    };
    for (const Case& c : cases) {
        TError::ClearLists();
        EXPECT_EQ(cache->LoadRange(c.name.c_str(), c.offset, c.size, 0, 2, TCache::kNoHandle),
                  TCache::kNoHandle);
        ASSERT_NE(Newest(), nullptr);
        EXPECT_EQ(Newest()->code, c.code) << c.name;
        EXPECT_EQ(Newest()->line, c.line) << c.name;
        EXPECT_STREQ(Newest()->object.c_str(), c.name.c_str());
    }
    EXPECT_EQ(cache->InUse(), 0);
    EXPECT_EQ(cache->TotalBytes(), 0);
}

TEST_F(Cache, AllHandlesLockedRefusesTheNextFile) {
    for (int i = 0; i < TCache::kSlots; ++i) {
        std::string path = File("f" + std::to_string(i), 4);
        int32_t slot = LoadNext(path);
        ASSERT_NE(slot, TCache::kNoHandle) << i;
        cache->AddRef(slot, 1);
    }
    EXPECT_EQ(cache->InUse(), 512);
    std::string extra = File("extra", 4);
    EXPECT_EQ(LoadNext(extra), TCache::kNoHandle);
    ASSERT_NE(Newest(), nullptr);
    EXPECT_EQ(Newest()->code, 101);
    EXPECT_STREQ(Newest()->message.c_str(), "No handle available.");
    EXPECT_EQ(cache->HighWater(), 512);

    // Every file is still found although most lie far from their hash slot.
    for (int i = 0; i < TCache::kSlots; i += 37)
        EXPECT_NE(cache->Find(dir.File("f" + std::to_string(i)).c_str(), 0, 0, TCache::kNoHandle),
                  TCache::kNoHandle)
            << i;
}

TEST_F(Cache, OverTheByteLimitTheOldestOfTheHighestModeGoesFirst) {
    cache->SetByteLimit(4000);
    int32_t keep0 = LoadNext(File("mode0", 1000), 0);
    int32_t old2 = LoadNext(File("old2", 1000), 2);
    int32_t locked3 = LoadNext(File("locked3", 1000), 3);
    cache->AddRef(locked3, 1);
    int32_t old1 = LoadNext(File("old1", 1000), 1);
    EXPECT_EQ(cache->TotalBytes(), 4000);
    int32_t young2 = LoadNext(File("young2", 1000), 2);
    // 5000 bytes: the new entry's MakeRoom (mode 1) evicts the oldest mode-2
    // entry; the locked mode-3 one stays.
    EXPECT_EQ(cache->TotalBytes(), 4000);
    EXPECT_EQ(cache->GetData(old2), nullptr);
    for (int32_t slot : {keep0, locked3, old1, young2})
        EXPECT_NE(cache->GetData(slot), nullptr);

    cache->SetByteLimit(1500);
    EXPECT_EQ(cache->MakeRoom(16, 1, TCache::kNoHandle), 0); // only mode 0 and a lock left
    EXPECT_EQ(cache->GetData(young2), nullptr);
    EXPECT_EQ(cache->GetData(old1), nullptr);
    EXPECT_NE(cache->GetData(keep0), nullptr);
    EXPECT_NE(cache->GetData(locked3), nullptr);
    EXPECT_EQ(cache->MakeRoom(0, 1, TCache::kNoHandle), 0);
}

TCache* heapCache = nullptr;
int32_t heapCapacity = 0;
// A heap whose room is what the cache does not hold.
void* TightHeap(size_t size) {
    int64_t room = heapCapacity - heapCache->TotalBytes();
    return static_cast<int64_t>(size) > room ? nullptr : std::malloc(size);
}

TEST_F(Cache, HeapShortageEvictsByModeThenSizeThenAge) {
    struct Scenario {
        int32_t bytes;
        bool smallGone, bigGone, mode1Gone;
    } scenarios[] = {
        {500, false, true, false}, // a mode-2 entry big enough alone goes first
        {900, true, true, false},  // none is: the oldest mode-2 entries go in turn
        {1200, true, true, true},  // then mode 1
    };
    heapCache = cache.get();
    for (const Scenario& s : scenarios) {
        cache->Stop();
        cache->Start();
        int32_t small2 = LoadNext(File("small2", 100), 2);
        int32_t big2 = LoadNext(File("big2", 800), 2);
        int32_t big1 = LoadNext(File("big1", 900), 1);
        heapCapacity = cache->TotalBytes();
        EngineSetHeapForTests(TightHeap);
        EXPECT_EQ(cache->MakeRoom(s.bytes, 1, TCache::kNoHandle), 1) << s.bytes;
        EngineSetHeapForTests(nullptr);
        EXPECT_EQ(cache->GetData(small2) == nullptr, s.smallGone) << s.bytes;
        EXPECT_EQ(cache->GetData(big2) == nullptr, s.bigGone) << s.bytes;
        EXPECT_EQ(cache->GetData(big1) == nullptr, s.mode1Gone) << s.bytes;
    }
    // Nothing left to evict: 0.
    heapCapacity = 0;
    EngineSetHeapForTests(TightHeap);
    EXPECT_EQ(cache->MakeRoom(4000, 1, TCache::kNoHandle), 0);
    EngineSetHeapForTests(nullptr);
}

int loads = 0;
int unloads = 0;
void* Loader(const char* name) {
    ++loads;
    return std::strcmp(name, "bad") == 0 ? nullptr : std::malloc(8);
}
void Unloader(void* data) {
    ++unloads;
    std::free(data);
}
void* OtherLoader(const char*) {
    return nullptr;
}

TEST_F(Cache, LoaderEntriesAreSharedAndReleasedThroughTheUnloader) {
    loads = unloads = 0;
    int32_t slot = cache->Load("picture", Loader, Unloader, 0, 2, TCache::kNoHandle);
    ASSERT_NE(slot, TCache::kNoHandle);
    EXPECT_EQ(cache->Load("picture", Loader, Unloader, 0, 2, TCache::kNoHandle), slot);
    EXPECT_EQ(cache->Find("picture", 0, 0, slot, Loader), slot);
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(cache->InUse(), 1);
    EXPECT_EQ(cache->TotalBytes(), 0);

    EXPECT_EQ(cache->Load("bad", Loader, Unloader, 0, 2, TCache::kNoHandle), TCache::kNoHandle);
    EXPECT_EQ(cache->InUse(), 1); // a failed load leaves no count behind

    int32_t again = cache->Load("picture", Loader, Unloader, 1, 2, TCache::kNoHandle);
    EXPECT_NE(again, TCache::kNoHandle);
    EXPECT_EQ(unloads, 1); // the forced load replaced the old entry
    cache->Stop();
    EXPECT_EQ(unloads, 2);
    EXPECT_EQ(cache->Load("picture", Loader, Unloader, 0, 2, TCache::kNoHandle), TCache::kNoHandle);
}

// A request to the end of the file (size 0 or below) is held only by an entry
// that reaches the end; every hit holds the whole range asked for.
TEST_F(Cache, RangeHitsHoldTheWholeRequest) {
    std::string path = File("hundred.bin", 100);
    int32_t head = cache->LoadRange(path.c_str(), 0, 10, 0, 2, TCache::kNoHandle);
    ASSERT_NE(head, TCache::kNoHandle);
    cache->AddRef(head, 1); // held, so the loads below cannot replace it
    struct Case {
        int32_t offset, size;
        bool hit;
    } cases[] = {
        {0, 10, true}, {3, 7, true},     {9, 1, true},  {0, 0, false},
        {5, 0, false}, {50, -45, false}, {9, 2, false}, {10, 1, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(cache->Find(path.c_str(), c.offset, c.size, TCache::kNoHandle) == head, c.hit)
            << c.offset << "," << c.size;

    // The misses load what was asked for.
    int32_t tail = cache->LoadRange(path.c_str(), 50, -45, 0, 2, TCache::kNoHandle);
    ASSERT_NE(tail, head);
    const TCacheEntry* e = cache->Entry(tail);
    EXPECT_EQ(e->offset, 50);
    EXPECT_EQ(e->offset + e->size, 100);
    EXPECT_EQ(cache->Find(path.c_str(), 60, 0, TCache::kNoHandle), tail);
    EXPECT_EQ(cache->Find(path.c_str(), 99, -1, TCache::kNoHandle), tail);
    EXPECT_EQ(cache->Find(path.c_str(), 100, 0, TCache::kNoHandle), TCache::kNoHandle);
    EXPECT_EQ(cache->Find(path.c_str(), -1, 0, TCache::kNoHandle), TCache::kNoHandle);
    cache->AddRef(head, 0);
}

// A loader's record and a file's bytes of the same name are different things:
// each kind finds only its own entries, and a loader only its own records.
TEST_F(Cache, LoaderAndByteEntriesAreToldApart) {
    std::string path = File("pic.bmp", 8);
    int32_t bytes = cache->LoadRange(path.c_str(), 0, 0, 0, 2, TCache::kNoHandle);
    ASSERT_NE(bytes, TCache::kNoHandle);
    loads = 0;
    int32_t record = cache->Load(path.c_str(), Loader, Unloader, 0, 2, bytes);
    ASSERT_NE(record, TCache::kNoHandle);
    EXPECT_NE(record, bytes);
    EXPECT_EQ(loads, 1);                       // the byte entry was not taken for the record
    EXPECT_NE(cache->GetData(bytes), nullptr); // and was not dropped for it

    EXPECT_EQ(cache->Find(path.c_str(), 0, 0, record), bytes);
    EXPECT_EQ(cache->Find(path.c_str(), 0, 0, bytes, Loader), record);
    EXPECT_EQ(cache->Find(path.c_str(), 0, 0, record, OtherLoader), TCache::kNoHandle);
    EXPECT_EQ(cache->LoadRange(path.c_str(), 0, 0, 0, 2, record), bytes);
    EXPECT_EQ(cache->Load(path.c_str(), Loader, Unloader, 0, 2, bytes), record);
    EXPECT_EQ(cache->Load(path.c_str(), nullptr, nullptr, 0, 2, record), bytes);
    EXPECT_EQ(loads, 1);
}

TEST_F(Cache, AgedEntriesAreReusedWhenTheProbeFindsNoFreeSlot) {
    // Crowded probes reuse the oldest evictable entry among those probed
    // rather than searching on for a free slot; mode 0 is never taken.
    for (int i = 0; i < TCache::kSlots; ++i)
        ASSERT_NE(LoadNext(File("f" + std::to_string(i), 2), i == 0 ? 0 : 2), TCache::kNoHandle);
    EXPECT_LT(cache->InUse(), 512);
    std::string extra = File("extra", 2);
    int32_t slot = LoadNext(extra);
    ASSERT_NE(slot, TCache::kNoHandle);
    EXPECT_NE(cache->Find(dir.File("f0").c_str(), 0, 0, TCache::kNoHandle), TCache::kNoHandle);
    EXPECT_EQ(cache->Find(extra.c_str(), 0, 0, TCache::kNoHandle), slot);
}

} // namespace
