// The keyed 16-bit row loops: the vector path gives exactly the pixels of
// the portable one, for both key kinds and every run length.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "../../graphics/render_packed.h"

namespace {

template <bool SrcKey> void compare(uint32_t seed) {
    const uint16_t key = 0x1234;
    for (int32_t n = 0; n <= 70; ++n) {
        std::vector<uint16_t> src(size_t(n) + 1), a(size_t(n) + 1), b;
        for (int32_t i = 0; i <= n; ++i) {
            seed = seed * 1664525u + 1013904223u;
            src[size_t(i)] = (seed >> 29) == 0 ? key : uint16_t(seed >> 9);
            seed = seed * 1664525u + 1013904223u;
            a[size_t(i)] = (seed >> 29) < 2 ? key : uint16_t(seed >> 13);
        }
        b = a;
        std::vector<uint16_t> want = a;
        for (int32_t i = 0; i < n; ++i)
            if (SrcKey ? src[size_t(i)] != key : want[size_t(i)] == key)
                want[size_t(i)] = src[size_t(i)];
        auto* s = reinterpret_cast<const uint8_t*>(src.data());
        int32_t done =
            gdl_packed::keyRun16Vector<SrcKey>(reinterpret_cast<uint8_t*>(a.data()), s, n, key);
        EXPECT_EQ(done % 16, 0);
        int32_t portable =
            gdl_packed::keyRun16Portable<SrcKey>(reinterpret_cast<uint8_t*>(b.data()), s, n, key);
        EXPECT_EQ(portable, n / 8 * 8);
        for (int32_t i = 0; i < done; ++i)
            ASSERT_EQ(a[size_t(i)], want[size_t(i)]) << "vector " << n << " " << i;
        for (int32_t i = 0; i < portable; ++i)
            ASSERT_EQ(b[size_t(i)], want[size_t(i)]) << "portable " << n << " " << i;
        EXPECT_EQ(a[size_t(n)], want[size_t(n)]); // nothing written past the run
        EXPECT_EQ(b[size_t(n)], want[size_t(n)]);
    }
}

TEST(PackedKeyTest, VectorAndPortableRunsAgree) {
    compare<true>(7);
    compare<false>(8);
}

} // namespace
