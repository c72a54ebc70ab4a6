#include "BlitSprite16.h"

#include "drawing/KeyedSmoother.h"

namespace {

using keyed::TKeyedPair;
using pixfmt::Px15;
using pixfmt::Px16;
using pixfmt::Px24;
using pixfmt::Px32;

// Five keyed taps leave the output's own key colour.
struct TShowKey {
    template <class D> static uint32_t AllKeyed(uint32_t /*background*/) { return D::kKey; }
};

template <class S, class D> constexpr auto kRun = &keyed::TKeyedSmoother<S, D, TShowKey>::Run;

constexpr TKeyedPair kPairs[] = {
    {16, 15, kRun<Px16, Px15>, 0, 1633}, {16, 16, kRun<Px16, Px16>, 0, 1891},
    {16, 24, kRun<Px16, Px24>, 3, 2143}, {16, 32, kRun<Px16, Px32>, 3, 2403},
    {15, 15, kRun<Px15, Px15>, 0, 2665}, {15, 16, kRun<Px15, Px16>, 3, 2911},
    {15, 24, kRun<Px15, Px24>, 3, 3163}, {15, 32, kRun<Px15, Px32>, 3, 3423},
};

} // namespace

void BlitSprite16(uint8_t* dst, const uint8_t* src, int32_t srcPitch, int32_t srcWidth,
                  int32_t srcHeight, int32_t srcDepth, int32_t dstPitch, int32_t dstWidth,
                  int32_t dstHeight, int32_t width, int32_t height, int32_t dstDepth, int32_t x,
                  int32_t y, int32_t dstX, int32_t dstY) {
    keyed::BlitPairs(kPairs, "Int\\All\\Source\\RoomActor", dst, src, srcPitch, srcWidth, srcHeight,
                     srcDepth, dstPitch, dstWidth, dstHeight, width, height, dstDepth, x, y, dstX,
                     dstY);
}
