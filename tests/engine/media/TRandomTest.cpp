// The random source: seeded once from the multimedia clock, drawing from the
// graphics library's one generator with the whole 32-bit bound.

#include "gdl/support.h"
#include "media/devices/TRandom.h"
#include "platform/Clock.h"
#include "platform/Kernel.h"

#include <gtest/gtest.h>

#include <vector>

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

// The random source checked against the generator's own arithmetic: a
// 64-bit state multiplied by 0x15A44E35 in two 32-bit halves plus one, the
// new high word the value; seeded once per source from the multimedia clock.
namespace {

// The generator written out from its description.
struct Model {
    uint32_t hi = 0, lo = 0;
    explicit Model(uint32_t seed) : lo(seed) {}
    uint32_t Next() {
        const uint64_t mHi = 0x15A4, mLo = 0x4E35;
        const uint64_t state = uint64_t(hi) * mLo +
                               (uint64_t(uint32_t(uint64_t(lo) * mLo + uint64_t(hi) * mHi)) << 32) +
                               1;
        hi = uint32_t(state >> 32);
        lo = uint32_t(state);
        return hi;
    }
};

TEST(RandomCheck, TheGeneratorFollowsItsArithmetic) {
    GDL_srand(1);
    EXPECT_EQ(GDL_randomBelow(0xFFFFFFFFu), 0x4E35u);
    EXPECT_EQ(GDL_randomState() & 0xFFFFFFFFu, 1u);
    for (uint32_t seed : {0u, 1u, 4321u, 0xDEADBEEFu, 0xFFFFFFFFu}) {
        SCOPED_TRACE(seed);
        Model model(seed);
        GDL_srand(seed);
        for (int i = 0; i < 2000; ++i) {
            const uint32_t bound = i % 3 == 0 ? 0xFFFFFFFFu : i % 3 == 1 ? 70001u : 6u;
            const uint32_t want = model.Next() % bound;
            ASSERT_EQ(GDL_randomBelow(bound), want) << "draw " << i;
        }
        // The 16-bit form cuts its bound.
        const uint32_t v = model.Next();
        EXPECT_EQ(GDL_random(0x10005u), v % 5);
    }
}

struct Draw {
    int source;       // which of two sources draws
    uint32_t advance; // milliseconds of virtual time before the draw
    uint32_t bound;
};

// Each source seeds the one generator on its own first draw, from the clock
// at that moment; bounds above 65535 are used whole; a bound of 1 gives 0,
// one of 0 answers 0.
TEST(RandomCheck, SourcesSeedLazilyFromTheClock) {
    platform::ClockUseVirtual(true, 5000);
    const uint32_t start = timeGetTime();
    TRandom sources[2];
    EXPECT_FALSE(sources[0].IsSeeded());
    const Draw draws[] = {{0, 0, 100},          {0, 30, 1u << 20}, {1, 70, 1000},
                          {0, 10, 0xFFFFFFFFu}, {1, 10, 1},        {1, 0, 7}};
    Model model(0);
    uint32_t elapsed = 0;
    bool seeded[2] = {};
    for (const Draw& d : draws) {
        platform::ClockAdvance(d.advance);
        elapsed += d.advance;
        if (!seeded[d.source]) {
            model = Model(start + elapsed);
            seeded[d.source] = true;
        }
        const uint32_t want = model.Next() % d.bound;
        EXPECT_EQ(sources[d.source].Next(d.bound), want);
    }
    EXPECT_TRUE(sources[1].IsSeeded());
    EXPECT_EQ(sources[0].Next(0), 0u);
    platform::ClockUseVirtual(false);
}

} // namespace
