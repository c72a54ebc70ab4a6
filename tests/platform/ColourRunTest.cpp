// The scan-out's colour loop: the vector loop (where the processor has it)
// gives the portable loop's colours for every value, run length and
// alignment, into one line or two.
#include "../../platform/src/adapter/ColourRun.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using platform::adapter::ColourRunPortable;
using platform::adapter::ColourRunTable;
using platform::adapter::ColourRunVector;

TEST(ColourRunTest, VectorAndPortableLoopsAgree) {
    ColourRunTable table{};
    uint32_t seed = 7;
    for (uint32_t& c : table.colour) { // all four bytes of a colour vary
        seed = seed * 1664525u + 1013904223u;
        c = seed;
    }
    table.Prepare();
    std::vector<uint8_t> values(1024);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = uint8_t(i * 97 + (i >> 8)); // every value, in scattered order
    const struct {
        int offset, length;
    } runs[] = {{0, 0}, {0, 1}, {0, 63}, {0, 64}, {0, 65}, {3, 320}, {1, 640}, {5, 1019}};
    for (const auto& run : runs)
        for (bool twin : {false, true}) {
            std::vector<uint32_t> a(1100, 0xDEADBEEF), b(1100, 0xDEADBEEF);
            std::vector<uint32_t> a2(1100, 0xDEADBEEF), b2(1100, 0xDEADBEEF);
            ColourRunPortable(table, values.data() + run.offset, run.length, a.data() + 1,
                              twin ? a2.data() + 1 : nullptr);
            if (!ColourRunVector(table, values.data() + run.offset, run.length, b.data() + 1,
                                 twin ? b2.data() + 1 : nullptr))
                GTEST_SKIP() << "no vector loop on this processor";
            EXPECT_EQ(a, b) << "offset " << run.offset << ", length " << run.length;
            EXPECT_EQ(a2, b2) << "offset " << run.offset << ", length " << run.length;
        }
    // The portable loop is the table itself.
    std::vector<uint32_t> out(256);
    std::vector<uint8_t> all(256);
    for (int i = 0; i < 256; ++i)
        all[size_t(i)] = uint8_t(255 - i);
    ColourRunPortable(table, all.data(), 256, out.data(), nullptr);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(out[size_t(i)], table.colour[255 - i]);
}

} // namespace
