// The random source: seeded once from the multimedia clock, drawing from the
// graphics library's one generator with the whole 32-bit bound.
#include "gdl/support.h"
#include "media/devices/TRandom.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>

namespace {

TEST(TRandom, SeedsFromTheClockOnceAndDrawsBelowTheBound) {
    platform::ClockUseVirtual(true, 4321);
    TRandom random;
    const uint32_t bounds[] = {6, 1, 70000, 0xFFFFFFFFu, 3};
    std::vector<uint32_t> got;
    for (uint32_t b : bounds)
        got.push_back(random.Next(b));
    GDL_srand(4321);
    for (size_t i = 0; i < got.size(); ++i)
        EXPECT_EQ(got[i], GDL_randomBelow(bounds[i])) << "draw " << i;
    EXPECT_EQ(got[1], 0u);
    // Far above 65535: the bound is not cut to 16 bits.
    EXPECT_GT(got[3], 0xFFFFu);
    platform::ClockUseVirtual(false);
}

TEST(TRandom, EachInstanceSeedsTheOneGeneratorOnItsFirstDraw) {
    platform::ClockUseVirtual(true, 100);
    TRandom first, second;
    first.Next(10);
    platform::ClockAdvance(50);
    const uint32_t a = first.Next(1000);  // no reseeding
    const uint32_t b = second.Next(1000); // reseeds at 150
    GDL_srand(100);
    GDL_randomBelow(10);
    EXPECT_EQ(a, GDL_randomBelow(1000));
    GDL_srand(150);
    EXPECT_EQ(b, GDL_randomBelow(1000));
    platform::ClockUseVirtual(false);
}

TEST(TRandom, BoundZeroAnswersZeroAndDrawsNothing) {
    platform::ClockUseVirtual(true, 7);
    TRandom random;
    EXPECT_EQ(random.Next(0), 0u);
    EXPECT_TRUE(random.IsSeeded());
    const uint64_t state = GDL_randomState();
    EXPECT_EQ(random.Next(0), 0u);
    EXPECT_EQ(GDL_randomState(), state);
    platform::ClockUseVirtual(false);
}

} // namespace
