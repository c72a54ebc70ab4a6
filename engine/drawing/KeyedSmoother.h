// The keyed blitter with edge smoothing, as one template over the picture's
// and the destination's layouts and a policy for pixels whose five taps are
// all keyed. Every interior pixel of the drawn area is a five-tap filter of
// the picture where a keyed tap takes the background pixel at its place; the
// area's outer rows and columns show the background.
//
// Each strip of a row first turns every tap into its effective channels
// (key -> background) once, then sums the taps branch-free, which the
// compiler can vectorise.
#pragma once

#include "drawing/BlitCore.h"
#include "drawing/PixelFormats.h"
#include "drawing/TCanvasBlit.h"

#include <algorithm>
#include <type_traits>

namespace keyed {

using blitcore::Clamp;
using blitcore::Round;

// The usual policy: a pixel with five keyed taps shows the background.
struct TShowBackground {
    template <class D> static uint32_t AllKeyed(uint32_t background) { return background; }
};

// How the filter reads a background tap's green: 5:5:5 pictures over 5:6:5
// sum green at five bits, so the background's lowest green bit is dropped.
template <class S, class D> struct TTapReads {
    static uint32_t BgG8(uint32_t p) { return D::G8(p); }
};
template <> struct TTapReads<pixfmt::Px15, pixfmt::Px16> {
    static uint32_t BgG8(uint32_t p) { return (p >> 3) & 0xF8; }
};

// The sum of five taps in 8-bit scale (at most 1275) to one channel: 3/16
// each, plus 16. Sixteen bits hold it, which doubles the vector lanes.
inline uint16_t Level(uint16_t s) {
    return s == 0 ? 0 : static_cast<uint16_t>((s >> 2) - (s >> 4) + 16);
}

struct TKeyedJob : blitcore::TBlitJob {
    int32_t b2Threshold; // 0: the pair never walks columns in runs
};

constexpr int32_t kStrip = 256;

// Effective channels of one tap along a strip.
struct TTapRow {
    uint16_t r[kStrip + 2];
    uint16_t g[kStrip + 2];
    uint16_t b[kStrip + 2];
    uint16_t k[kStrip + 2]; // 1 where the picture is keyed
};

struct TTaps {
    const uint16_t* r;
    const uint16_t* g;
    const uint16_t* b;
    const uint16_t* k;
    TTaps(const TTapRow& row, int32_t at)
        : r(row.r + at), g(row.g + at), b(row.b + at), k(row.k + at) {}
};

template <class S, class D, class Policy = TShowBackground> class TKeyedSmoother {
    // Pairs of 2-byte layouts resample in the picture's layout, the others
    // straight into the destination's.
    using M = std::conditional_t<S::kShort && D::kShort, S, D>;

public:
    static void Run(const TKeyedJob& job) {
        if (job.srcWidth == job.width && job.srcHeight == job.height) {
            Borders(job);
            SameSize<S>(job, job.src, job.srcPitch);
        } else if (job.srcWidth > job.width && job.srcHeight > job.height) {
            Borders(job);
            Reduced(job);
        } else {
            Resampled(job);
        }
    }

private:
    static uint8_t* DstAt(const TKeyedJob& job, int32_t row, int32_t col) {
        return job.dst + static_cast<intptr_t>(job.dstY + job.clip.row0 + row) * job.dstPitch +
               static_cast<intptr_t>(job.dstX + job.clip.col0 + col) * D::kBytes;
    }
    static const uint8_t* BgAt(const TKeyedJob& job, int32_t row, int32_t col) {
        return job.bg.surface + static_cast<intptr_t>(job.y + job.clip.row0 + row) * job.bg.pitch +
               static_cast<intptr_t>(job.x + job.clip.col0 + col) * D::kBytes;
    }

    // The outer rows and columns of the clipped area show the background.
    static void Borders(const TKeyedJob& job) {
        const int32_t n = job.clip.cols, rows = job.clip.rows;
        for (int32_t row = 0; row < rows; ++row) {
            if (row == 0 || row == rows - 1) {
                std::memmove(DstAt(job, row, 0), BgAt(job, row, 0),
                             static_cast<size_t>(n) * D::kBytes);
                continue;
            }
            std::memmove(DstAt(job, row, 0), BgAt(job, row, 0), D::kBytes);
            std::memmove(DstAt(job, row, n - 1), BgAt(job, row, n - 1), D::kBytes);
        }
    }

    // A tap's effective channels: the background's where the picture is
    // keyed. 2-byte layouts stay in 16-bit lanes.
    template <class I> static void Tap(TTapRow& out, int32_t i, uint32_t pixel, uint32_t back) {
        using P = std::conditional_t<I::kShort, uint16_t, uint32_t>;
        using Q = std::conditional_t<D::kShort, uint16_t, uint32_t>;
        const P p = static_cast<P>(pixel);
        const Q q = static_cast<Q>(back);
        const bool key = p == static_cast<P>(I::kKey);
        if constexpr (I::kDepth == D::kDepth) { // one layout: pick the pixel, then split it
            const P e = key ? static_cast<P>(q) : p;
            out.r[i] = static_cast<uint16_t>(I::R8(e));
            out.g[i] = static_cast<uint16_t>(I::G8(e));
            out.b[i] = static_cast<uint16_t>(I::B8(e));
            out.k[i] = key;
            return;
        }
        out.r[i] = static_cast<uint16_t>(key ? static_cast<Q>(D::R8(q)) : static_cast<P>(I::R8(p)));
        out.g[i] = static_cast<uint16_t>(key ? static_cast<Q>(TTapReads<I, D>::BgG8(q))
                                             : static_cast<P>(I::G8(p)));
        out.b[i] = static_cast<uint16_t>(key ? static_cast<Q>(D::B8(q)) : static_cast<P>(I::B8(p)));
        out.k[i] = key;
    }

    template <class I>
    static void Effective(TTapRow& out, const uint8_t* __restrict img, const uint8_t* __restrict bg,
                          int32_t n) {
        for (int32_t i = 0; i < n; ++i)
            Tap<I>(out, i, I::Load(img + i * I::kBytes), D::Load(bg + i * D::kBytes));
    }

    // 8-bit-scale levels to an output pixel; 2-byte layouts pack in 16-bit
    // lanes.
    template <class Word> static Word Pack(uint16_t r, uint16_t g, uint16_t b) {
        if constexpr (D::kShort) {
            const Word red = static_cast<Word>(static_cast<Word>(r >> 3) << D::kRedAt);
            const Word green = static_cast<Word>(static_cast<Word>(g >> D::kGreenDrop) << 5);
            return static_cast<Word>(red | green | static_cast<Word>(b >> 3));
        } else {
            return D::Pack8(r, g, b);
        }
    }

    // The filter along a strip: sums into a local row first, so the loop
    // owns what it writes and vectorises, then stores the row.
    static void Smooth(const TTaps& u, const TTaps& d, const TTaps& l, const TTaps& c,
                       const TTaps& r, const uint8_t* bg, uint8_t* out, int32_t n) {
        using Word = std::conditional_t<D::kShort, uint16_t, uint32_t>;
        Word row[kStrip];
        for (int32_t i = 0; i < n; ++i) {
            const uint16_t keyed =
                static_cast<uint16_t>(u.k[i] + d.k[i] + l.k[i] + c.k[i] + r.k[i]);
            const uint16_t red =
                Level(static_cast<uint16_t>(u.r[i] + d.r[i] + l.r[i] + c.r[i] + r.r[i]));
            const uint16_t green =
                Level(static_cast<uint16_t>(u.g[i] + d.g[i] + l.g[i] + c.g[i] + r.g[i]));
            const uint16_t blue =
                Level(static_cast<uint16_t>(u.b[i] + d.b[i] + l.b[i] + c.b[i] + r.b[i]));
            const Word back = static_cast<Word>(D::Load(bg + i * D::kBytes));
            const Word mixed = Pack<Word>(red, green, blue);
            const Word kept = static_cast<Word>(Policy::template AllKeyed<D>(back));
            row[i] = keyed == 5 ? kept : mixed;
        }
        if constexpr (D::kBytes == sizeof(Word))
            std::memcpy(out, row, static_cast<size_t>(n) * sizeof(Word));
        else
            for (int32_t i = 0; i < n; ++i)
                D::Store(out + i * D::kBytes, row[i]);
    }

    // Picture pixel (col, row) under target pixel (col, row): rows of
    // effective taps roll down the strip.
    template <class I>
    static void SameSize(const TKeyedJob& job, const uint8_t* img, int32_t imgPitch) {
        const blitcore::TClip& c = job.clip;
        if (c.cols < 3 || c.rows < 3) return;
        auto fill = [&](TTapRow& row, int32_t r, int32_t a, int32_t len) {
            const uint8_t* in = img + static_cast<intptr_t>(c.row0 + r) * imgPitch +
                                static_cast<intptr_t>(c.col0 + a - 1) * I::kBytes;
            Effective<I>(row, in, BgAt(job, r, a - 1), len + 2);
        };
        TTapRow rows[3];
        for (int32_t a = 1; a < c.cols - 1; a += kStrip) {
            const int32_t len = std::min(kStrip, c.cols - 1 - a);
            fill(rows[0], 0, a, len);
            fill(rows[1], 1, a, len);
            for (int32_t r = 1; r < c.rows - 1; ++r) {
                TTapRow& up = rows[(r - 1) % 3];
                TTapRow& mid = rows[r % 3];
                TTapRow& down = rows[(r + 1) % 3];
                fill(down, r + 1, a, len);
                Smooth(TTaps(up, 1), TTaps(down, 1), TTaps(mid, 0), TTaps(mid, 1), TTaps(mid, 2),
                       BgAt(job, r, a), DstAt(job, r, a), len);
            }
        }
    }

    // The column walk of a reduction: one by one, or in runs of consecutive
    // picture columns while the scale is close to 1. A run may end on the
    // picture's last column; its taps are kept inside the picture.
    class TColumnWalk {
    public:
        TColumnWalk(const TKeyedJob& job, float fx, int32_t qx)
            : fx_(fx), acc_(static_cast<float>(job.clip.col0 + 1) * fx), qx_(qx),
              end_(qx > 0 ? job.clip.cols - 1 - (job.clip.cols - 1) % qx : 0),
              last_(job.srcWidth - 1) {}
        int32_t Next() {
            if (left_ == 0 && qx_ > 0 && j_ < end_) {
                runCol_ = Round(acc_) + 1;
                left_ = qx_ - 1;
                acc_ += static_cast<float>(qx_ - 1) * fx_;
            }
            int32_t col;
            if (left_ > 0) {
                col = runCol_++;
                --left_;
            } else {
                col = Round(acc_);
                acc_ += fx_;
            }
            ++j_;
            return Clamp(col, 0, last_);
        }

    private:
        float fx_, acc_;
        int32_t qx_, end_, last_;
        int32_t j_ = 1, left_ = 0, runCol_ = 0;
    };

    static void Reduced(const TKeyedJob& job) {
        const blitcore::TClip& c = job.clip;
        if (c.cols < 3 || c.rows < 3) return;
        const float fx = static_cast<float>(job.srcWidth) / static_cast<float>(job.width);
        const float fy = static_cast<float>(job.srcHeight) / static_cast<float>(job.height);
        const int32_t qx = job.srcWidth / (job.srcWidth - job.width);
        const int32_t qy = job.srcHeight / (job.srcHeight - job.height);
        const bool runs = job.b2Threshold > 0 && qx >= job.b2Threshold && qy >= 3;
        TColumnWalk walk(job, fx, runs ? qx : 0);
        int32_t cols[kStrip];
        TTapRow above, below, left, mid, right;
        for (int32_t a = 1; a < c.cols - 1; a += kStrip) {
            const int32_t len = std::min(kStrip, c.cols - 1 - a);
            for (int32_t j = 0; j < len; ++j)
                cols[j] = walk.Next();
            float accY = static_cast<float>(c.row0 + 1) * fy;
            for (int32_t r = 1; r < c.rows - 1; ++r, accY += fy) {
                const intptr_t pitch = job.srcPitch;
                const int32_t row = Clamp(Round(accY), 0, job.srcHeight - 1);
                const uint8_t* in = job.src + row * pitch;
                const intptr_t up = row > 0 ? pitch : 0;
                const intptr_t down = row < job.srcHeight - 1 ? pitch : 0;
                const uint8_t* bgUp = BgAt(job, r - 1, a);
                const uint8_t* bgMid = BgAt(job, r, a);
                const uint8_t* bgDown = BgAt(job, r + 1, a);
                for (int32_t j = 0; j < len; ++j) {
                    const uint8_t* p = in + cols[j] * S::kBytes;
                    const intptr_t lo = cols[j] > 0 ? S::kBytes : 0;
                    const intptr_t hi = cols[j] < job.srcWidth - 1 ? S::kBytes : 0;
                    const intptr_t o = j * D::kBytes;
                    Tap<S>(above, j, S::Load(p - up), D::Load(bgUp + o));
                    Tap<S>(below, j, S::Load(p + down), D::Load(bgDown + o));
                    Tap<S>(left, j, S::Load(p - lo), D::Load(bgMid + o - D::kBytes));
                    Tap<S>(mid, j, S::Load(p), D::Load(bgMid + o));
                    Tap<S>(right, j, S::Load(p + hi), D::Load(bgMid + o + D::kBytes));
                }
                Smooth(TTaps(above, 0), TTaps(below, 0), TTaps(left, 0), TTaps(mid, 0),
                       TTaps(right, 0), bgMid, DstAt(job, r, a), len);
            }
        }
    }

    // Enlargements and one-way reductions: the picture scaled to the whole
    // target first, then smoothed as at the same size.
    static void Resampled(const TKeyedJob& job) {
        blitcore::TScaledBuffer buf;
        if (!blitcore::AllocScaled(job, M::kBytes, buf)) return;
        blitcore::TScaler<double, S, M>(job.src, job.srcPitch, job.srcWidth, job.srcHeight,
                                        job.width, job.height, blitcore::TScaleRule::Keyed)
            .Build(buf.pixels, buf.pitch, buf.columns);
        Borders(job);
        SameSize<M>(job, buf.pixels, buf.pitch);
        TCanvasBlit::FreeBuffer(buf.pixels);
    }
};

} // namespace keyed
