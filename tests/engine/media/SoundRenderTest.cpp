// The block renderers against the frame-by-frame model: every output sample,
// the fraction and the source frames consumed, over rates, phases, gains,
// channel counts and run lengths, for 16-bit and 8-bit sources, in both the
// portable and the vector form.
#include "media/sound/SoundRender.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

struct Case {
    uint32_t frequency;
    int64_t fraction;
    int channels;
    int32_t gains[4];
    int64_t frames, destFrames;
};

// Rates below, at and above the mix rate, whole ratios (repeated or strided
// frames) and odd ones (offsets per frame); gains at the edges of the
// multiplier's ranges (0, 63, 64, 127, 128); runs that end on the source, on
// the destination, inside a block and past several.
const Case kCases[] = {
    {11025, 0, 1, {127, 0, 0, 81}, 8200, 16384},
    {11025, 11025, 1, {64, 63, 1, 127}, 5000, 700},
    {22050, 0, 2, {127, 127, 127, 127}, 3000, 3000},
    {22050, 100, 2, {0, 128, 128, 0}, 17, 9},
    {8000, 21999, 1, {100, 27, 45, 127}, 4000, 20000},
    {44100, 0, 2, {127, 0, 0, 127}, 9000, 5000},
    {44099, 22049, 1, {65, 66, 62, 61}, 1000, 800},
    {87999, 5, 2, {127, 64, 63, 1}, 3000, 900},
    {1, 0, 1, {127, 127, 0, 0}, 3, 1000},
    {32000, 7, 2, {90, 91, 92, 93}, 1, 1},
    {11025, 0, 2, {120, 7, 7, 120}, 20000, 257},
    {11025, 11025, 2, {127, 127, 3, 3}, 100, 1000},
    {7350, 14700, 1, {30, 70, 110, 127}, 999, 4000},
    {2205, 2204, 2, {127, 1, 1, 127}, 300, 2000},
};

template <class Source> std::vector<Source> Noise(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<Source> v(n);
    for (Source& s : v)
        s = static_cast<Source>(rng());
    // The extremes, where the sums saturate.
    for (size_t i = 0; i < n; i += 7)
        v[i] = i % 2 ? std::numeric_limits<Source>::max() : std::numeric_limits<Source>::min();
    return v;
}

TRenderRun RunOf(const Case& c) {
    TRenderRun run{};
    run.gain[0][0] = c.gains[0];
    run.gain[1][0] = c.gains[1];
    run.gain[0][1] = c.gains[2];
    run.gain[1][1] = c.gains[3];
    run.frequency = c.frequency;
    run.fraction = c.fraction;
    return run;
}

template <class Source>
using Renderer = int64_t (*)(const Source*, int64_t, int, int16_t*, int64_t, TRenderRun&);

template <class Source, class Read>
void ExpectSameAsModel(Read read, Renderer<Source> render, const char* form) {
    uint32_t seed = 1;
    for (const Case& c : kCases) {
        const auto source = Noise<Source>(size_t(c.frames * c.channels), seed++);
        std::vector<int16_t> want(size_t(2 * c.destFrames), 0), got(want);
        TRenderRun model = RunOf(c), block = RunOf(c);
        ASSERT_TRUE(sound_render::BlockReady(block, c.channels));
        const int64_t n = RenderRunFrames(source.data(), c.frames, c.channels, want.data(),
                                          c.destFrames, model, read);
        const int64_t m =
            render(source.data(), c.frames, c.channels, got.data(), c.destFrames, block);
        SCOPED_TRACE(testing::Message() << form << " at " << c.frequency << " Hz, fraction "
                                        << c.fraction << ", " << c.channels << " channels");
        EXPECT_EQ(m, n);
        EXPECT_EQ(block.fraction, model.fraction);
        EXPECT_EQ(block.consumed, model.consumed);
        EXPECT_EQ(got, want);
    }
}

TEST(SoundRender, BlocksGiveTheModelsFramesFor16BitSources) {
    using namespace sound_render;
    ExpectSameAsModel<int16_t>(Sample16, RenderBlocks<false>, "portable");
    ExpectSameAsModel<int16_t>(Sample16, RenderBlocks<true>, "vector");
    ExpectSameAsModel<int16_t>(Sample16, RenderRun, "entry");
}

TEST(SoundRender, BlocksGiveTheModelsFramesFor8BitSources) {
    using namespace sound_render;
    ExpectSameAsModel<uint8_t>(Sample8, RenderBlocks<false>, "portable");
    ExpectSameAsModel<uint8_t>(Sample8, RenderBlocks<true>, "vector");
}

// What the blocks do not take still renders, frame by frame: more channels,
// gains out of range, a fraction carried in from elsewhere, very high rates.
TEST(SoundRender, RunsTheBlocksRefuseRenderAsTheModel) {
    struct Refused {
        int channels;
        int32_t gain;
        int64_t fraction;
        uint32_t frequency;
    };
    const Refused kRefused[] = {
        {4, 127, 0, 22050},     {1, 200, 0, 22050},  {1, -3, 0, 22050},
        {2, 127, 22050, 11025}, {1, 127, -1, 11025}, {1, 127, 0, 88200},
    };
    for (const Refused& r : kRefused) {
        TRenderRun run{};
        run.gain[0][0] = run.gain[1][1] = r.gain;
        run.fraction = r.fraction;
        run.frequency = r.frequency;
        EXPECT_FALSE(sound_render::BlockReady(run, r.channels));
        const auto source = Noise<int16_t>(size_t(400 * r.channels), 9);
        std::vector<int16_t> want(200), got(200);
        TRenderRun model = run;
        const int64_t n = RenderRunFrames(source.data(), 400, r.channels, want.data(), 100, model,
                                          sound_render::Sample16);
        EXPECT_EQ(RenderRun(source.data(), 400, r.channels, got.data(), 100, run), n);
        EXPECT_EQ(run.fraction, model.fraction);
        EXPECT_EQ(run.consumed, model.consumed);
        EXPECT_EQ(got, want);
    }
}

} // namespace
