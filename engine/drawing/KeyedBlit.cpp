// The keyed blitter's entry: checks, clipping and the format pairs.
#include "drawing/KeyedSmoother.h"
#include "drawing/TCanvasBlit.h"

#include <atomic>

namespace {

using namespace blitcore;
using keyed::TKeyedJob;
using keyed::TKeyedPair;
using keyed::TKeyedSmoother;
using pixfmt::Px15;
using pixfmt::Px16;
using pixfmt::Px24;
using pixfmt::Px32;

constexpr TKeyedPair kPairs[] = {
    {32, 32, &TKeyedSmoother<Px32, Px32>::Run, 4, 7051},
    {32, 24, &TKeyedSmoother<Px32, Px24>::Run, 4, 7303},
    {32, 16, &TKeyedSmoother<Px32, Px16>::Run, 4, 7547},
    {32, 15, &TKeyedSmoother<Px32, Px15>::Run, 4, 7791},
    {24, 32, &TKeyedSmoother<Px24, Px32>::Run, 3, 8058},
    {24, 24, &TKeyedSmoother<Px24, Px24>::Run, 3, 8309},
    {24, 16, &TKeyedSmoother<Px24, Px16>::Run, 3, 8553},
    {24, 15, &TKeyedSmoother<Px24, Px15>::Run, 3, 8797},
    {16, 15, &TKeyedSmoother<Px16, Px15>::Run, 0, 9057},
    {16, 16, &TKeyedSmoother<Px16, Px16>::Run, 0, 9315},
    {16, 24, &TKeyedSmoother<Px16, Px24>::Run, 3, 9567},
    {16, 32, &TKeyedSmoother<Px16, Px32>::Run, 3, 9827},
    {15, 15, &TKeyedSmoother<Px15, Px15>::Run, 0, 10089},
    {15, 16, &TKeyedSmoother<Px15, Px16>::Run, 3, 10335},
    {15, 24, &TKeyedSmoother<Px15, Px24>::Run, 3, 10587},
    {15, 32, &TKeyedSmoother<Px15, Px32>::Run, 3, 10847},
};

std::atomic<bool>& Wide() {
#if ADV_KEYED_WIDE
    static std::atomic<bool> wide{__builtin_cpu_supports("avx2") != 0};
#else
    static std::atomic<bool> wide{false};
#endif
    return wide;
}

} // namespace

bool keyed::WideCode() {
    return Wide().load(std::memory_order_relaxed);
}

// Only where the processor can run it.
void keyed::SetWideCode(bool on) {
#if ADV_KEYED_WIDE
    Wide().store(on && __builtin_cpu_supports("avx2"), std::memory_order_relaxed);
#else
    (void)on;
#endif
}

void keyed::BlitPairs(std::span<const TKeyedPair> pairs, const char* source, uint8_t* dst,
                      const uint8_t* src, int32_t srcPitch, int32_t srcWidth, int32_t srcHeight,
                      int32_t srcDepth, int32_t dstPitch, int32_t dstWidth, int32_t dstHeight,
                      int32_t width, int32_t height, int32_t dstDepth, int32_t x, int32_t y,
                      int32_t dstX, int32_t dstY) {
    GdlDeviceContext* main = TCanvasBlit::MainContext();
    TKeyedJob job{};
    if (!PrepareJob(job, main, dst, src, srcPitch, srcWidth, srcHeight, dstPitch, dstWidth,
                    dstHeight, width, height, x, y, dstX, dstY))
        return;
    TPixelAccess access(main);
    // The background is read in the destination's layout.
    if (job.bg.depth != dstDepth) return;
    for (const TKeyedPair& pair : pairs) {
        if (pair.srcDepth != srcDepth || pair.dstDepth != dstDepth) continue;
        job.b2Threshold = pair.b2Threshold;
        job.source = source;
        job.line = pair.line;
        pair.run(job);
        return;
    }
}

void TCanvasBlit::BlitKeyed(uint8_t* dst, const uint8_t* src, int32_t srcPitch, int32_t srcWidth,
                            int32_t srcHeight, int32_t srcDepth, int32_t dstPitch, int32_t dstWidth,
                            int32_t dstHeight, int32_t width, int32_t height, int32_t dstDepth,
                            int32_t x, int32_t y, int32_t dstX, int32_t dstY) {
    keyed::BlitPairs(kPairs, "Source\\TCanvas", dst, src, srcPitch, srcWidth, srcHeight, srcDepth,
                     dstPitch, dstWidth, dstHeight, width, height, dstDepth, x, y, dstX, dstY);
}
