// The alpha blitter: an image mixed with a uniform alpha over the frame being
// composed, resampled by nearest-neighbour rules when its size differs from
// the drawn area.
#include "drawing/BlendPixel.h"
#include "drawing/BlitCore.h"
#include "drawing/TAlphaTables.h"
#include "drawing/TCanvasBlit.h"

#include <type_traits>

namespace {

using namespace blitcore;
using pixfmt::Px15;
using pixfmt::Px16;
using pixfmt::Px24;
using pixfmt::Px32;

struct TAlphaJob : TBlitJob {
    const uint8_t* first; // the alpha tables' rows of the alpha
    const uint8_t* second;
};

template <class S, class D> class TAlphaMember {
    // Image and destination of different pixel sizes (but 24 over 32) are
    // resampled straight into the destination's layout.
    static constexpr bool kConvert =
        S::kBytes != D::kBytes && !(S::kDepth == 24 && D::kDepth == 32);
    using M = std::conditional_t<kConvert, D, S>;

public:
    static void Run(const TAlphaJob& job) {
        const float xStep = static_cast<float>(job.srcWidth) / static_cast<float>(job.width);
        if (job.srcWidth == job.width && job.srcHeight == job.height)
            SameSize<S>(job, job.src, job.srcPitch);
        else if (job.srcWidth > job.width && job.srcHeight > job.height)
            Reduce(job);
        else if (job.srcWidth > job.width ||
                 (job.srcHeight > job.height && static_cast<int32_t>(1.0f / xStep) >= 2))
            Sampled(job, 0); // one direction shrinks, the other grows: one by one
        else
            Resampled(job);
    }

private:
    static uint8_t* DstAt(const TAlphaJob& job, int32_t row) {
        return job.dst + static_cast<intptr_t>(job.dstY + row) * job.dstPitch +
               static_cast<intptr_t>(job.dstX + job.clip.col0) * D::kBytes;
    }
    static const uint8_t* BgAt(const TAlphaJob& job, int32_t row) {
        return job.bg.surface + static_cast<intptr_t>(job.y + row) * job.bg.pitch +
               static_cast<intptr_t>(job.x + job.clip.col0) * D::kBytes;
    }
    template <class I>
    static void Put(const TAlphaJob& job, uint8_t* out, const uint8_t* bg, int32_t i, uint32_t p) {
        D::Store(out + i * D::kBytes,
                 pixfmt::BlendPixel<I, D>(job.first, job.second, p, D::Load(bg + i * D::kBytes)));
    }

    // Image pixel (col, row) for target pixel (col, row).
    template <class I>
    static void SameSize(const TAlphaJob& job, const uint8_t* img, int32_t imgPitch) {
        const TClip& c = job.clip;
        for (int32_t row = c.row0; row < c.row0 + c.rows; ++row) {
            const uint8_t* in = img + static_cast<intptr_t>(row) * imgPitch +
                                static_cast<intptr_t>(c.col0) * I::kBytes;
            uint8_t* out = DstAt(job, row);
            const uint8_t* bg = BgAt(job, row);
            for (int32_t i = 0; i < c.cols; ++i)
                Put<I>(job, out, bg, i, I::Load(in + i * I::kBytes));
        }
    }

    static int32_t RunThreshold() { return S::kBytes == 4 ? 12 : (S::kBytes == 3 ? 6 : 4); }

    static void Reduce(const TAlphaJob& job) {
        const int32_t n = job.srcWidth / (job.srcWidth - job.width);
        const bool runs =
            n * S::kBytes > RunThreshold() && job.srcHeight / (job.srcHeight - job.height) > 2;
        Sampled(job, runs ? n : 0);
    }

    // The float walk in both directions; with a run length, whole runs of it
    // copy consecutive image pixels from where the walk stands.
    static void Sampled(const TAlphaJob& job, int32_t run) {
        const TClip& c = job.clip;
        const float xStep = static_cast<float>(job.srcWidth) / static_cast<float>(job.width);
        const float yStep = static_cast<float>(job.srcHeight) / static_cast<float>(job.height);
        const int32_t lastCol = job.srcWidth - 1;
        float yPos = static_cast<float>(c.row0) * yStep;
        for (int32_t row = c.row0; row < c.row0 + c.rows; ++row, yPos += yStep) {
            const uint8_t* in =
                job.src +
                static_cast<intptr_t>(Clamp(Round(yPos), 0, job.srcHeight - 1)) * job.srcPitch;
            uint8_t* out = DstAt(job, row);
            const uint8_t* bg = BgAt(job, row);
            float xPos = static_cast<float>(c.col0) * xStep;
            int32_t i = 0;
            if (run > 0)
                for (int32_t k = c.cols / run; k > 0; --k) {
                    const int32_t col = Round(xPos);
                    for (int32_t m = 0; m < run; ++m, ++i)
                        Put<S>(job, out, bg, i,
                               S::Load(in + Clamp(col + m, 0, lastCol) * S::kBytes));
                    xPos += static_cast<float>(run) * xStep;
                }
            for (; i < c.cols; ++i, xPos += xStep)
                Put<S>(job, out, bg, i, S::Load(in + Clamp(Round(xPos), 0, lastCol) * S::kBytes));
        }
    }

    // Enlargements: the image scaled to the whole drawn size first.
    static void Resampled(const TAlphaJob& job) {
        blitcore::TScaledBuffer buf;
        if (!blitcore::AllocScaled(job, M::kBytes, buf)) return;
        blitcore::TScaler<float, S, M>(job.src, job.srcPitch, job.srcWidth, job.srcHeight,
                                       job.width, job.height, TScaleRule::Alpha)
            .Build(buf.pixels, buf.pitch, buf.columns);
        SameSize<M>(job, buf.pixels, buf.pitch);
        TCanvasBlit::FreeBuffer(buf.pixels);
    }
};

struct TAlphaPair {
    int32_t srcDepth, dstDepth;
    void (*run)(const TAlphaJob&);
    int32_t line; // reported when the resampling buffer cannot be had
};

constexpr TAlphaPair kPairs[] = {
    {32, 32, &TAlphaMember<Px32, Px32>::Run, 3602}, {32, 24, &TAlphaMember<Px32, Px24>::Run, 3803},
    {32, 16, &TAlphaMember<Px32, Px16>::Run, 4004}, {32, 15, &TAlphaMember<Px32, Px15>::Run, 4207},
    {24, 32, &TAlphaMember<Px24, Px32>::Run, 4421}, {24, 24, &TAlphaMember<Px24, Px24>::Run, 4621},
    {24, 16, &TAlphaMember<Px24, Px16>::Run, 4823}, {24, 15, &TAlphaMember<Px24, Px15>::Run, 5025},
    {16, 15, &TAlphaMember<Px16, Px15>::Run, 5238}, {16, 16, &TAlphaMember<Px16, Px16>::Run, 5439},
    {16, 24, &TAlphaMember<Px16, Px24>::Run, 5641}, {16, 32, &TAlphaMember<Px16, Px32>::Run, 5842},
    {15, 15, &TAlphaMember<Px15, Px15>::Run, 6055}, {15, 16, &TAlphaMember<Px15, Px16>::Run, 6257},
    {15, 24, &TAlphaMember<Px15, Px24>::Run, 6458}, {15, 32, &TAlphaMember<Px15, Px32>::Run, 6660},
};

} // namespace

void TCanvasBlit::Blit(uint8_t* dst, const uint8_t* src, int32_t srcPitch, int32_t srcWidth,
                       int32_t srcHeight, int32_t srcDepth, int32_t dstPitch, int32_t dstWidth,
                       int32_t dstHeight, int32_t width, int32_t height, int32_t dstDepth,
                       int32_t bgX, int32_t bgY, int32_t dstX, int32_t dstY, int32_t alpha) {
    GdlDeviceContext* main = MainContext();
    TAlphaJob job{};
    if (alpha < 0 || alpha > 255 ||
        !PrepareJob(job, main, dst, src, srcPitch, srcWidth, srcHeight, dstPitch, dstWidth,
                    dstHeight, width, height, bgX, bgY, dstX, dstY))
        return;
    TPixelAccess access(main);
    // The background is read in the destination's layout.
    if (job.bg.depth != dstDepth) return;
    for (const TAlphaPair& pair : kPairs) {
        if (pair.srcDepth != srcDepth || pair.dstDepth != dstDepth) continue;
        const TAlphaTables& tables = TAlphaTables::Get();
        job.first = tables.First(static_cast<uint32_t>(alpha));
        job.second = tables.Second(static_cast<uint32_t>(alpha));
        job.line = pair.line;
        pair.run(job);
        return;
    }
}
