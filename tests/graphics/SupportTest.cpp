// Fixed point, the random generator, context lists, pools and the allocator.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "gdl/memory.h"
#include "gdl/support.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/lsan_interface.h>
#define ADV_LEAK_CHECK 1
#endif
#endif

namespace {

TEST(FixedPoint, MultiplyRoundsAndKeepsSign) {
    struct Case {
        int32_t a, b, expected;
    } cases[] = {
        {0x8000, 0x8000, 0x4000},
        {-0x8000, 0x8000, -0x4000},
        {0x10000, 0x10000, 0x10000},
        {3 * 65536, -2 * 65536, -6 * 65536},
        {1, 0x8000, 1},  // 0.5 of the last bit rounds up
        {-1, 0x8000, 0}, // -0.5 rounds up to 0
        {0x7FFF0000, 0x20000,
         int32_t(0xFFFE0000)}, // the product overflows 32 bits; the low word is kept
        {int32_t(0x80000000), 0x10000, int32_t(0x80000000)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GDL_fixMul(c.a, c.b), c.expected) << c.a << " " << c.b;
}

TEST(FixedPoint, DivideTruncatesTowardZero) {
    struct Case {
        int32_t a, b, expected;
    } cases[] = {
        {3 * 65536, 2 * 65536, 0x18000},
        {-3 * 65536, 2 * 65536, -0x18000},
        {1, 3, 21845},                     // 65536 / 3 = 21845.33
        {-1, 3, -21845},                   // toward zero, not down
        {0x40000000, 0x40000000, 0x10000}, // needs the 64-bit dividend
        {5, 0, 0},                         // no trap on a zero divisor
    };
    for (const Case& c : cases)
        EXPECT_EQ(GDL_fixDiv(c.a, c.b), c.expected) << c.a << " " << c.b;
    // The remainder supplies the twelve low bits below the shifted quotient.
    EXPECT_EQ(GDL_fixDiv4_28(1, 3), 0x55555555);
    EXPECT_EQ(GDL_fixDiv4_28(1, 5), 0x33333333);
    EXPECT_EQ(GDL_mulDiv(0x40000000, 8, 16), 0x20000000);
    EXPECT_EQ(GDL_mulDiv(-7, 3, 2), -10);
    EXPECT_EQ(GDL_crossSign(1, 2, 3, 6), 1);          // 2*3 - 1*6 = 0
    EXPECT_EQ(GDL_crossSign(1, 2, 3, 7), 0);          // 6 - 7 < 0
    EXPECT_EQ(GDL_crossSign(0x40000000, 1, 0, 4), 0); // 64-bit product
}

TEST(Random, FollowsItsRecurrence) {
    GDL_srand(1);
    EXPECT_EQ(GDL_randomNext(), 0x4E35u);
    EXPECT_EQ(uint32_t(GDL_randomState()), 1u);
    // An independent evaluation of the recurrence for a few more steps.
    uint64_t state = 12345;
    GDL_srand(12345);
    for (int i = 0; i < 5; ++i) {
        uint32_t lo = uint32_t(state), hi = uint32_t(state >> 32);
        uint64_t next = uint64_t(hi) * 0x4E35u;
        next += uint64_t(uint32_t(lo * 0x4E35u + hi * 0x15A4u)) << 32;
        state = next + 1;
        EXPECT_EQ(GDL_randomNext(), uint32_t(state >> 32));
    }
    GDL_srand(1);
    EXPECT_EQ(GDL_random(0x10007), 0x4E35u % 7); // n taken as 16 bits
    GDL_srand(1);
    EXPECT_EQ(GDL_randomBelow(0x10007), 0x4E35u % 0x10007);
    EXPECT_EQ(GDL_random(0), 0u);
}

TEST(Lists, InsertFindAndDelete) {
    GdlList* list = GDL_listCreate();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(GDL_listFirst(list), nullptr);
    auto* a = static_cast<int*>(GDL_listNewNode(sizeof(int)));
    auto* b = static_cast<int*>(GDL_listNewNode(sizeof(int)));
    ASSERT_TRUE(a && b);
    EXPECT_EQ(*a, 0); // zeroed
    GDL_listInsertAfter(list, a, list->head);
    GDL_listInsertAfter(list, b, a);
    EXPECT_EQ(list->count, 2);
    EXPECT_EQ(GDL_listFirst(list), a);
    EXPECT_EQ(GDL_listNext(list, a), b);
    EXPECT_EQ(GDL_listNext(list, b), nullptr);
    EXPECT_EQ(GDL_listFindPrevious(list, a), list->head);
    EXPECT_EQ(GDL_listFindPrevious(list, b), a);
    int stranger = 0;
    EXPECT_EQ(GDL_listFindPrevious(list, &stranger), nullptr);
    EXPECT_EQ(GDL_listDeleteNext(list, list->head), a);
    EXPECT_EQ(list->count, 1);
    EXPECT_EQ(GDL_listFirst(list), b);
    GDL_listFreeNode(a);
    GDL_listDestroy(list, GDL_listFreeNode);
}

// A live list, empty or not, is reachable in every block: its sentinels
// included (a pointer one past a block would not count as a reference).
TEST(Lists, ALiveListIsNoLeak) {
#ifdef ADV_LEAK_CHECK
    static GdlList* empty = GDL_listCreate();
    static GdlList* full = GDL_listCreate();
    ASSERT_TRUE(empty && full);
    GDL_listInsertAfter(full, GDL_listNewNode(8), full->head);
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0);
    GDL_listDestroy(empty, GDL_listFreeNode);
    GDL_listDestroy(full, GDL_listFreeNode);
#else
    GTEST_SKIP() << "needs the leak checker of the sanitizer build";
#endif
}

TEST(Pools, ChainCoversEveryItem) {
    GdlPool pool;
    GDL_poolCreate(&pool, 500, 6);
    EXPECT_EQ(pool.blockCount, 1);
    int count = 0;
    for (void* item = GDL_poolChain(&pool); item; ++count)
        std::memcpy(&item, item, sizeof(item));
    EXPECT_EQ(count, 500);
    GDL_poolDestroy(&pool);
    EXPECT_EQ(pool.firstBlock, nullptr);
}

int g_allocs = 0;
void* countingAlloc(size_t size) {
    ++g_allocs;
    return std::malloc(size);
}
void* failingAlloc(size_t) {
    return nullptr;
}

TEST(Allocator, HooksAndCallocOverflow) {
    GDL_setMemoryFuncs(countingAlloc, nullptr);
    void* p = GDL_malloc(16);
    EXPECT_EQ(g_allocs, 1);
    GDL_free(p);
    GDL_setMemoryFuncs(failingAlloc, nullptr);
    EXPECT_EQ(GDL_calloc(4, 4), nullptr);
    GDL_resetMemoryFuncs();
    EXPECT_EQ(GDL_calloc(SIZE_MAX / 2, 4), nullptr); // count x size would wrap
    auto* z = static_cast<uint8_t*>(GDL_calloc(3, 5));
    ASSERT_NE(z, nullptr);
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(z[i], 0);
    GDL_free(z);
    GDL_free(nullptr);
}

TEST(Fill, CellFills) {
    uint8_t buf[19] = {};
    GDL_memset16(buf + 1, 0xA1B2, 3);
    EXPECT_EQ(buf[1], 0xB2);
    EXPECT_EQ(buf[6], 0xA1);
    EXPECT_EQ(buf[7], 0);
    GDL_memset32(buf + 7, 0x01020304, 2);
    EXPECT_EQ(buf[7], 4);
    EXPECT_EQ(buf[14], 1);
    GDL_memset(buf, 0xEE, 1);
    EXPECT_EQ(buf[0], 0xEE);
    uint8_t dst[5];
    GDL_memcpyAlignSrc(dst, buf + 1, 5);
    EXPECT_EQ(std::memcmp(dst, buf + 1, 5), 0);
}

} // namespace
