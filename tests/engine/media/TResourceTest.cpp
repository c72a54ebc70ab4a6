// The resource base: path resolution through the index, the load count, and
// loading through the handle cache or a loader.
#include "foundation/TCache.h"
#include "foundation/TError.h"
#include "foundation/TFileCtl.h"
#include "foundation/TResource.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// A resource of its own folder, with a loader that counts its calls.
int loads = 0;
int unloads = 0;

void* CountingLoader(const char* path) {
    ++loads;
    return std::strlen(path) ? new std::string(path) : nullptr;
}
void CountingUnloader(void* data) {
    ++unloads;
    delete static_cast<std::string*>(data);
}

class Picture : public TResource {
public:
    explicit Picture(const char* name = nullptr) : TResource(name) {
        folder_ = "Pictures";
        SetLoader(CountingLoader, CountingUnloader);
    }
    bool Stale() { return IsDirty(); }
};

class TResourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        loads = unloads = 0;
        TFileCtl::SetRootPath("C:\\Game");
        Use("[Main]\r\nPath=Data\r\n[Pictures]\r\ncurArrow=arrow.cur\r\nroom=r1.bmp\r\n");
    }
    void TearDown() override { TFileCtl::SetProfile(""); }
    void Use(const std::string& index) {
        TFileCtl::SetProfile(dir.Write("index" + std::to_string(++serial) + ".ini", index).c_str());
    }
    testsupport::TempDir dir;
    int serial = 0;
};

TEST_F(TResourceTest, NameResolvesThroughTheIndex) {
    Picture p("curArrow");
    EXPECT_TRUE(p.Stale());
    EXPECT_STREQ(p.GetPath(), "C:\\Game\\Data\\arrow.cur");
    EXPECT_FALSE(p.Stale());
    p.SetName("curArrow"); // the same name: still resolved
    EXPECT_FALSE(p.Stale());
    p.SetName("room");
    EXPECT_TRUE(p.Stale());
    EXPECT_STREQ(p.GetPath(), "C:\\Game\\Data\\r1.bmp");
}

// A name that no longer resolves (a missing key, an index that cannot be
// read) leaves no file behind: the old one would load the wrong picture.
TEST_F(TResourceTest, UnresolvedNameKeepsNoOldFile) {
    Picture renamed("room");
    EXPECT_STREQ(renamed.GetPath(), "C:\\Game\\Data\\r1.bmp");
    renamed.SetName("nothing");
    EXPECT_STREQ(renamed.GetPath(), "");
    EXPECT_EQ(renamed.Load(), 0);
    renamed.Release();

    Picture moved("room");
    EXPECT_STREQ(moved.GetPath(), "C:\\Game\\Data\\r1.bmp");
    TFileCtl::SetProfile(dir.File("missing.ini").c_str());
    EXPECT_STREQ(moved.GetPath(), "");
    EXPECT_EQ(loads, 0);
}

TEST_F(TResourceTest, IndexChangeWaitsForTheLastRelease) {
    Picture p("room");
    ASSERT_EQ(p.Load(), 1);
    ASSERT_EQ(p.Load(), 1);
    EXPECT_EQ(loads, 1);
    std::string first = *static_cast<std::string*>(p.GetData());
    Use("[Main]\r\nPath=Other\r\n[Pictures]\r\nroom=r2.bmp\r\n");
    EXPECT_STREQ(p.GetPath(), "C:\\Game\\Data\\r1.bmp"); // loaded: unchanged
    p.Release();
    EXPECT_TRUE(p.HasData());
    p.Release();
    EXPECT_FALSE(p.HasData());
    EXPECT_EQ(unloads, 1);
    ASSERT_EQ(p.Load(), 1);
    EXPECT_EQ(*static_cast<std::string*>(p.GetData()), "C:\\Game\\Other\\r2.bmp");
    p.Release();
    EXPECT_EQ(first, "C:\\Game\\Data\\r1.bmp");
}

TEST_F(TResourceTest, ExplicitPathDropsTheNameAndStays) {
    Picture p("room");
    p.SetPath("capture.dla");
    EXPECT_STREQ(p.GetName(), "");
    Use("[Pictures]\r\nroom=x.bmp\r\n");
    EXPECT_STREQ(p.GetPath(), "capture.dla");
}

TEST_F(TResourceTest, ForceReleaseFreesAtOnce) {
    Picture p("room");
    for (int i = 0; i < 3; ++i)
        p.Load();
    p.ForceRelease();
    EXPECT_FALSE(p.HasData());
    EXPECT_EQ(p.LoadCount(), 0);
    EXPECT_EQ(unloads, 1);
}

TEST_F(TResourceTest, MissingKeyFailsButCountsTheLoad) {
    Picture p("nothing");
    EXPECT_EQ(p.Load(), 0);
    EXPECT_EQ(p.LoadCount(), 1);
    EXPECT_STREQ(p.GetPath(), "");
    p.Release();
    EXPECT_EQ(p.LoadCount(), 0);
    ASSERT_NE(TError::ShownList().Head(), nullptr);
    EXPECT_EQ(static_cast<TErrorRec*>(TError::ShownList().Head()->item)->code, 13);
}

TEST_F(TResourceTest, CacheHoldsTheDataUnlessNotCacheable) {
    std::string file = dir.Write("pic.bmp", std::string("BMdata"));
    TCache::Global().Start();
    {
        Picture p;
        p.SetPath(file.c_str());
        ASSERT_EQ(p.Load(), 1);
        EXPECT_EQ(loads, 1); // the cache called the loader
        int32_t slot = p.CacheSlot();
        ASSERT_NE(slot, TCache::kNoHandle);
        EXPECT_EQ(TCache::Global().Entry(slot)->lock, 1);
        p.Release();
        EXPECT_EQ(TCache::Global().Entry(slot)->lock, 0);
        EXPECT_EQ(unloads, 0); // still cached
    }
    {
        Picture q;
        q.SetPath(dir.Write("other.bmp", std::string("BM")).c_str());
        q.SetCacheable(0); // not in the cache yet: the loader runs
        ASSERT_EQ(q.Load(), 1);
        EXPECT_EQ(q.CacheSlot(), TCache::kNoHandle);
        EXPECT_EQ(loads, 2);
        q.Release();
        EXPECT_EQ(unloads, 1);
    }
}

// The same file cached as bytes (by a reader of the raw file) is not a
// loaded record: the resource still goes through its loader.
TEST_F(TResourceTest, CachedFileBytesAreNotALoadedRecord) {
    std::string file = dir.Write("raw.bmp", std::string("BMraw"));
    TCache::Global().Start();
    ASSERT_NE(TCache::Global().LoadRange(file.c_str(), 0, 0, 0, 2, TCache::kNoHandle),
              TCache::kNoHandle);
    for (int cacheable : {0, 1}) {
        Picture p;
        p.SetPath(file.c_str());
        p.SetCacheable(cacheable);
        ASSERT_EQ(p.Load(), 1);
        ASSERT_NE(p.GetData(), nullptr);
        EXPECT_EQ(*static_cast<std::string*>(p.GetData()), file) << cacheable;
        p.Release();
    }
    EXPECT_EQ(loads, 2);
}

} // namespace
