// Swap files read plainly, through the handle cache, as buffers, and packed.
#include "foundation/TCache.h"
#include "foundation/TError.h"
#include "foundation/TSwpFile.h"

#include "CtfFixture.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

std::string LastMessage() {
    TListNode* n = TError::ShownList().Head();
    return n ? static_cast<TErrorRec*>(n->item)->message.c_str() : "";
}

class TSwpFileTest : public ::testing::Test {
protected:
    void TearDown() override { EngineSetHeapForTests(nullptr); }
    testsupport::TempDir dir;
};

TEST_F(TSwpFileTest, PlainAndCachedReadTheSame) {
    std::string path = dir.Write("a.bin", std::string("0123456789"));
    for (bool cached : {false, true}) {
        if (cached) TCache::Global().Start();
        TSwpFile f(path.c_str());
        ASSERT_EQ(f.Open(1), 1);
        EXPECT_EQ(f.CacheSlot() != TCache::kNoHandle, cached);
        EXPECT_EQ(f.GetSize(), 10);
        char buf[16] = {};
        EXPECT_EQ(f.Read(buf, 4), 4);
        EXPECT_EQ(std::string(buf, 4), "0123");
        f.Seek(8, SEEK_SET);
        EXPECT_EQ(f.Read(buf, 16), 2);
        EXPECT_EQ(std::string(buf, 2), "89");
        EXPECT_EQ(f.Read(buf, 16), 0); // at the end
        EXPECT_EQ(f.Close(), 0);
        EXPECT_FALSE(f.IsOpened());
        if (cached) {
            int32_t slot = TCache::Global().Find(path.c_str(), 0, 0, TCache::kNoHandle);
            ASSERT_NE(slot, TCache::kNoHandle);
            EXPECT_EQ(TCache::Global().Entry(slot)->lock, 0);
        }
    }
    EXPECT_TRUE(ctffixture::ErrorCodes().empty());
}

TEST_F(TSwpFileTest, OpenWithoutLoadFallsBackToTheFile) {
    std::string path = dir.Write("b.bin", std::string("abc"));
    TCache::Global().Start();
    TSwpFile f(path.c_str());
    ASSERT_EQ(f.Open(0), 1);
    EXPECT_EQ(f.CacheSlot(), TCache::kNoHandle);
    char buf[3];
    EXPECT_EQ(f.Read(buf, 3), 3);
    f.Close();
    // Once it is in the cache, Open(0) finds it there. A reload holds it at
    // the lower eviction priority until it is handed back.
    ASSERT_EQ(f.Reload(0), 1);
    EXPECT_EQ(TCache::Global().Entry(f.CacheSlot())->mode, 1);
    ASSERT_EQ(f.Open(0), 1);
    EXPECT_NE(f.CacheSlot(), TCache::kNoHandle);
    EXPECT_EQ(f.Read(buf, 3), 3);
    f.Close();
    f.Reload(0);
    f.MarkCacheEntry();
    EXPECT_EQ(TCache::Global().Entry(f.CacheSlot())->mode, 2);
}

TEST_F(TSwpFileTest, BufferCloseRules) {
    std::string path = dir.Write("c.bin", std::string("hello world"));
    TCache::Global().Start();
    TCache::Global().SetEnabled(false); // buffers work without the on-bit
    TSwpFile f(path.c_str());
    uint8_t* at = f.OpenBuffer(6, 5);
    ASSERT_NE(at, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(at), 5), "world");
    EXPECT_EQ(f.Close(), -1);
    EXPECT_EQ(ctffixture::ErrorCodes(), std::vector<int32_t>{59});
    EXPECT_EQ(LastMessage(), "Wrong method to close swap file.");
    EXPECT_TRUE(f.IsOpened());
    EXPECT_EQ(f.CloseBuffer(), 0);
    EXPECT_FALSE(f.IsOpened());
    TCache::Global().SetEnabled(true);
    ASSERT_EQ(f.Open(1), 1);
    EXPECT_EQ(f.CloseBuffer(), -1);
    EXPECT_EQ(f.Close(), 0);
}

TEST_F(TSwpFileTest, MisuseIsReported) {
    std::string path = dir.Write("d.bin", std::string("x"));
    char buf[4];
    int32_t room = 4;
    struct {
        const char* name;
        int (*misuse)(TSwpFile&, char*, int32_t*);
        int32_t code;
        const char* message;
    } cases[] = {
        {"", [](TSwpFile& f, char*, int32_t*) { return f.Open(1); }, 56, "Missing file name."},
        {path.c_str(), [](TSwpFile& f, char*, int32_t*) { return f.Open(1) + f.Open(1) - 1; }, 56,
         "Swap file has already been opened."},
        {path.c_str(), [](TSwpFile& f, char* b, int32_t*) { return f.Read(b, 1) + 1; }, 57,
         "Swap file has not been opened."},
        {path.c_str(), [](TSwpFile& f, char*, int32_t*) { return f.Open(1) + f.Read(nullptr, 1); },
         57, "Missing destination memory."},
        {path.c_str(), [](TSwpFile& f, char* b, int32_t* r) { return f.ReadPacked(b, 1, r, 2); },
         60, "Swap file has not been opened."},
    };
    for (const auto& c : cases) {
        TError::ClearLists();
        TSwpFile f(c.name);
        EXPECT_EQ(c.misuse(f, buf, &room), 0) << c.message;
        EXPECT_EQ(ctffixture::ErrorCodes(), std::vector<int32_t>{c.code}) << c.message;
        EXPECT_EQ(LastMessage(), c.message);
    }
}

TEST_F(TSwpFileTest, ReadPackedBothMethodsPlainAndCached) {
    const std::string text = "The packed text of a swap file.";
    struct {
        int32_t method;
        std::vector<uint8_t> stream;
    } methods[] = {{2, ctffixture::Literals(text, false)}, {3, ctffixture::Literals(text, true)}};
    for (const auto& m : methods) {
        std::vector<uint8_t> file(4 + m.stream.size());
        std::copy(m.stream.begin(), m.stream.end(), file.begin() + 4);
        std::copy_n("HDR!", 4, file.begin());
        std::string path = dir.Write("p" + std::to_string(m.method) + ".bin", file);
        for (bool cached : {false, true}) {
            if (cached) TCache::Global().Start();
            TSwpFile f(path.c_str());
            ASSERT_EQ(f.Open(1), 1);
            f.Seek(4, SEEK_SET);
            char out[64] = {};
            int32_t room = 0;
            EXPECT_EQ(f.ReadPacked(out, f.GetSize() - 4, &room, m.method), 1);
            // Nothing was read: the next call still decodes the whole text.
            room = sizeof out;
            EXPECT_EQ(f.ReadPacked(out, f.GetSize() - 4, &room, m.method), 1);
            EXPECT_EQ(std::string(out, static_cast<size_t>(room)), text)
                << "method " << m.method << " cached " << cached;
            f.Close();
            TCache::Global().Stop();
        }
    }
    EXPECT_TRUE(ctffixture::ErrorCodes().empty());
}

TEST_F(TSwpFileTest, FailedDecoderIsReportedByMethod) {
    // Without memory for a dictionary the decoder gives up.
    std::string path = dir.Write("e.bin", ctffixture::Literals("abc", false));
    EngineSetHeapForTests([](size_t size) { return size >= 40000 ? nullptr : std::malloc(size); });
    for (int32_t method : {2, 3}) {
        TError::ClearLists();
        TSwpFile f(path.c_str());
        ASSERT_EQ(f.Open(1), 1);
        char out[16];
        int32_t room = sizeof out;
        EXPECT_EQ(f.ReadPacked(out, f.GetSize(), &room, method), 0);
        EXPECT_EQ(ctffixture::ErrorCodes(), std::vector<int32_t>{method == 2 ? 61 : 62});
        f.Close();
    }
}

} // namespace

// Random buffer requests, some of their blocks kept open so later requests
// meet blocks of every range: whatever pointer comes back, the bytes asked
// for lie inside its block and are the file's bytes.
TEST_F(TSwpFileTest, RandomBufferRequestsStayInsideTheirBlocks) {
    std::string content;
    for (int i = 0; i < 100; ++i)
        content += static_cast<char>(i + 1);
    std::string path = dir.Write("pages.bin", content);
    TCache::Global().Start();
    std::mt19937 rng(124);
    auto pick = [&](int32_t lo, int32_t hi) {
        return std::uniform_int_distribution<int32_t>(lo, hi)(rng);
    };
    std::vector<std::unique_ptr<TSwpFile>> kept;
    for (int round = 0; round < 400; ++round) {
        const int32_t offset = pick(0, 99);
        const int32_t count = pick(-60, 100 - offset);
        auto file = std::make_unique<TSwpFile>(path.c_str());
        const uint8_t* at = file->OpenBuffer(offset, count);
        ASSERT_NE(at, nullptr) << offset << "," << count;
        const int32_t want = count < 1 ? 100 - offset : count;
        const TCacheEntry* e = TCache::Global().Entry(file->CacheSlot());
        const uint8_t* block = static_cast<const uint8_t*>(e->data);
        ASSERT_GE(at, block) << offset << "," << count;
        ASSERT_LE(at + want, block + e->size) << offset << "," << count;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(at), size_t(want)),
                  content.substr(size_t(offset), size_t(want)));
        if (pick(0, 3) == 0 && kept.size() < 20)
            kept.push_back(std::move(file));
        else
            file->CloseBuffer();
        if (pick(0, 9) == 0) {
            for (auto& k : kept)
                k->CloseBuffer();
            kept.clear();
        }
    }
    for (auto& k : kept)
        k->CloseBuffer();
    EXPECT_TRUE(ctffixture::ErrorCodes().empty());
}

// Albums hand offsets and sizes from their files to OpenBuffer; a block of
// the cache serves a later request only when it holds all of it.
TEST_F(TSwpFileTest, CachedBlocksServeOnlyWhatTheyHold) {
    std::string content;
    for (int i = 0; i < 100; ++i)
        content += static_cast<char>(i);
    std::string path = dir.Write("album.bin", content);
    TCache::Global().Start();
    TSwpFile head(path.c_str());
    ASSERT_NE(head.OpenBuffer(0, 10), nullptr); // stays open: its block stays

    TSwpFile whole(path.c_str());
    ASSERT_EQ(whole.Open(1), 1);
    std::string read(100, '\0');
    EXPECT_EQ(whole.GetSize(), 100);
    EXPECT_EQ(whole.Read(read.data(), 100), 100);
    EXPECT_EQ(read, content);
    whole.Close();

    struct {
        int32_t offset, count;
    } requests[] = {{5, 0}, {50, -45}, {95, 5}, {99, -1}};
    for (const auto& r : requests) {
        TSwpFile part(path.c_str());
        const uint8_t* at = part.OpenBuffer(r.offset, r.count);
        ASSERT_NE(at, nullptr) << r.offset;
        const TCacheEntry* e = TCache::Global().Entry(part.CacheSlot());
        const uint8_t* block = static_cast<const uint8_t*>(e->data);
        EXPECT_GE(at, block);
        EXPECT_LT(at, block + e->size);
        EXPECT_EQ(e->offset + e->size, 100); // to the end, as asked
        EXPECT_EQ(*at, r.offset);
        part.CloseBuffer();
    }
    head.CloseBuffer();
    EXPECT_TRUE(ctffixture::ErrorCodes().empty());
}

// Offsets and sizes taken from a corrupt header can lie anywhere in the
// 32-bit range: the cached position stays where reads find nothing, and
// ranges near the top of the range neither match nor wrap around.
TEST_F(TSwpFileTest, HostileOffsetsReadNothing) {
    std::string path = dir.Write("h.bin", std::string("0123456789"));
    TCache::Global().Start();
    TSwpFile f(path.c_str());
    ASSERT_EQ(f.Open(1), 1);
    char buf[4];
    struct {
        int32_t first, then;
        int whence;
    } seeks[] = {
        {INT32_MAX, INT32_MAX, SEEK_SET},
        {INT32_MIN, INT32_MIN, SEEK_SET},
        {INT32_MAX, 0, SEEK_END},
        {INT32_MIN, 0, SEEK_END},
    };
    for (const auto& s : seeks) {
        f.Seek(s.first, s.whence);
        f.Seek(s.then, SEEK_CUR);
        EXPECT_EQ(f.Read(buf, 4), 0) << s.first;
        int32_t capacity = 4;
        EXPECT_EQ(f.ReadPacked(buf, 4, &capacity, 2), 1);
        EXPECT_EQ(capacity, 0);
    }
    f.Seek(2, SEEK_SET);
    EXPECT_EQ(f.Read(buf, 2), 2); // back in range
    EXPECT_EQ(std::string(buf, 2), "23");
    f.Close();

    TCache& cache = TCache::Global();
    EXPECT_EQ(cache.Find(path.c_str(), INT32_MAX - 1, INT32_MAX, TCache::kNoHandle),
              TCache::kNoHandle);
    EXPECT_EQ(cache.LoadRange(path.c_str(), INT32_MIN, 0, 0, 2, TCache::kNoHandle),
              TCache::kNoHandle);
    TSwpFile buffer(path.c_str());
    EXPECT_EQ(buffer.OpenBuffer(INT32_MAX, INT32_MAX), nullptr); // no 2 GB block for it
    EXPECT_EQ(buffer.OpenBuffer(8, 3), nullptr);                 // one byte past the end
    // The second pair repeats the first and replaces it.
    EXPECT_EQ(ctffixture::ErrorCodes(), (std::vector<int32_t>{102, 4, 56}));
    EXPECT_EQ(cache.TotalBytes(), 10);
}
