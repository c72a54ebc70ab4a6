#include "foundation/TCache.h"
#include "foundation/TError.h"
#include "foundation/TNamedObj.h"
#include "foundation/TObject.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

int heapCalls = 0;

void* FailingHeap(size_t) {
    ++heapCalls;
    return nullptr;
}

// The heap is "full" as long as the cache holds file bytes.
void* FullWhileCached(size_t size) {
    ++heapCalls;
    return TCache::Global().TotalBytes() > 0 ? nullptr : std::malloc(size);
}

class Allocator : public testing::Test {
protected:
    void SetUp() override { heapCalls = 0; }
    void TearDown() override { EngineSetHeapForTests(nullptr); }
};

TEST_F(Allocator, ZeroBytesYieldNullWithoutTouchingTheHeap) {
    EngineSetHeapForTests(FailingHeap);
    EXPECT_EQ(TObject::operator new(0), nullptr);
    EXPECT_EQ(TObject::operator new[](0), nullptr);
    EXPECT_EQ(heapCalls, 0);
    TObject* none = nullptr;
    delete none; // deleting null does nothing
}

TEST_F(Allocator, ExhaustionTriesOnceMoreAndThenYieldsNull) {
    EngineSetHeapForTests(FailingHeap);
    TNamedObj* obj = new TNamedObj();
    EXPECT_EQ(obj, nullptr);
    EXPECT_EQ(heapCalls, 2); // the cache is not started: nothing to free, one retry
}

TEST_F(Allocator, ExhaustionAsksTheCacheToMakeRoomAndRetries) {
    testsupport::TempDir dir;
    std::string path = dir.Write("data.bin", std::string(4096, 'x'));
    TCache& cache = TCache::Global();
    cache.Start();
    int32_t slot = cache.LoadRange(path.c_str(), 0, 0, 0, 2, TCache::kNoHandle);
    ASSERT_NE(slot, TCache::kNoHandle);
    ASSERT_EQ(cache.TotalBytes(), 4096);

    EngineSetHeapForTests(FullWhileCached);
    TNamedObj* obj = new TNamedObj();
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(cache.TotalBytes(), 0); // the mode-2 entry made room
    EXPECT_EQ(cache.GetData(slot), nullptr);
    delete obj;
}

TEST(NamedObj, SerialsRiseByOneAndFlagsStartDirtyAndEnabled) {
    TNamedObj a, b;
    EXPECT_EQ(b.Serial(), a.Serial() + 1);
    EXPECT_EQ(a.Flags(), 5u);
    EXPECT_EQ(a.Name().c_str(), nullptr); // no buffer until named
    EXPECT_TRUE(a.IsDirty());
    EXPECT_EQ(a.Update(), 4u);
    EXPECT_FALSE(a.IsDirty());
    EXPECT_EQ(a.Invalidate(true), 5u);
    EXPECT_EQ(a.SetEnabled(false), 1u);
    EXPECT_EQ(a.SetEnabled(true), 5u);
    EXPECT_EQ(a.Invalidate(false), 4u);
}

// One root whatever the path: both bases lead to the same TObject, and
// deleting through it runs the whole destructor chain.
// (A virtual named base takes the plain deletion, as the resources do.)
struct Left : virtual TNamedObj {
    using TObject::operator delete;
    using TObject::operator new;
};
struct Right : virtual TNamedObj {
    using TObject::operator delete;
    using TObject::operator new;
};
struct Both : Left, Right {
    using TObject::operator delete;
    using TObject::operator new;
    explicit Both(bool* gone) : gone(gone) {}
    ~Both() override { *gone = true; }
    bool* gone;
};

TEST(NamedObj, VirtualRootIsSharedAndDeletesThroughIt) {
    bool gone = false;
    Both* both = new Both(&gone);
    ASSERT_NE(both, nullptr);
    TObject* viaLeft = static_cast<Left*>(both);
    TObject* viaRight = static_cast<Right*>(both);
    EXPECT_EQ(viaLeft, viaRight);
    delete viaLeft;
    EXPECT_TRUE(gone);
}

} // namespace
