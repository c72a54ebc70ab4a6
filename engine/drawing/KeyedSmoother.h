// The keyed blitter with edge smoothing, as one template over the picture's
// and the destination's layouts and a policy for pixels whose five taps are
// all keyed. Every interior pixel of the drawn area is a five-tap filter of
// the picture where a keyed tap takes the background pixel at its place; the
// area's outer rows and columns show the background.
//
// At the same size each strip of a row first turns every tap into its
// effective channels (key -> background) once, then sums the taps
// branch-free, which the compiler can vectorise. A reduction gathers the
// sampled picture pixels into rows first and filters them in one pass.
#pragma once

#include "drawing/BlitCore.h"
#include "drawing/PixelFormats.h"
#include "drawing/ShuffleGather.h"
#include "drawing/TCanvasBlit.h"

#include <algorithm>
#include <span>
#include <type_traits>

namespace keyed {

using blitcore::Clamp;
using blitcore::Round;

// The usual policy: a pixel with five keyed taps shows the background. A
// policy gives the output pixel of five keyed taps in the destination's
// layout D.
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

// One (picture, destination) layout pair of a keyed blitter: its smoother,
// the threshold of its faster column walk and the line of its buffer report.
struct TKeyedPair {
    int32_t srcDepth, dstDepth;
    void (*run)(const TKeyedJob&);
    int32_t b2Threshold;
    int32_t line;
};

// A keyed blitter's entry, common to all: checks, clipping against the
// background and the destination, pixel access on the background's context,
// then the pair of the two depths; a pair not in the table draws nothing.
// `source` names the buffer report.
void BlitPairs(std::span<const TKeyedPair> pairs, const char* source, uint8_t* dst,
               const uint8_t* src, int32_t srcPitch, int32_t srcWidth, int32_t srcHeight,
               int32_t srcDepth, int32_t dstPitch, int32_t dstWidth, int32_t dstHeight,
               int32_t width, int32_t height, int32_t dstDepth, int32_t x, int32_t y, int32_t dstX,
               int32_t dstY);

// Whether the smoothers (and the sprite canvas's run copy) run their AVX2
// build: the same code compiled for wider vectors, taken where the processor
// has them (the same pixels, in fewer steps). Tests turn it off to check the
// baseline build as well.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define ADV_KEYED_WIDE 1
#else
#define ADV_KEYED_WIDE 0
#endif
bool WideCode();
void SetWideCode(bool on);

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
#if ADV_KEYED_WIDE
        if (WideCode()) {
            RunWide(job);
            return;
        }
#endif
        Paths(job);
    }

private:
#if ADV_KEYED_WIDE
    // The same code built for AVX2, every call inside it inlined.
    __attribute__((target("avx2"), flatten)) static void RunWide(const TKeyedJob& job) {
        Paths(job);
    }
#endif

    static void Paths(const TKeyedJob& job) {
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
    struct TChannels {
        uint16_t r, g, b, k;
    };
    template <class I> static TChannels Channels(uint32_t pixel, uint32_t back) {
        using P = std::conditional_t<I::kShort, uint16_t, uint32_t>;
        using Q = std::conditional_t<D::kShort, uint16_t, uint32_t>;
        const P p = static_cast<P>(pixel);
        const Q q = static_cast<Q>(back);
        const bool key = p == static_cast<P>(I::kKey);
        if constexpr (I::kDepth == D::kDepth) { // one layout: pick the pixel, then split it
            const P e = key ? static_cast<P>(q) : p;
            return {static_cast<uint16_t>(I::R8(e)), static_cast<uint16_t>(I::G8(e)),
                    static_cast<uint16_t>(I::B8(e)), key};
        }
        return {static_cast<uint16_t>(key ? static_cast<Q>(D::R8(q)) : static_cast<P>(I::R8(p))),
                static_cast<uint16_t>(key ? static_cast<Q>(TTapReads<I, D>::BgG8(q))
                                          : static_cast<P>(I::G8(p))),
                static_cast<uint16_t>(key ? static_cast<Q>(D::B8(q)) : static_cast<P>(I::B8(p))),
                key};
    }
    template <class I> static void Tap(TTapRow& out, int32_t i, uint32_t pixel, uint32_t back) {
        const TChannels c = Channels<I>(pixel, back);
        out.r[i] = c.r;
        out.g[i] = c.g;
        out.b[i] = c.b;
        out.k[i] = c.k;
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

    using Word = std::conditional_t<D::kShort, uint16_t, uint32_t>;

    // One output pixel from the sums of five taps.
    static Word Filtered(uint16_t keyed, uint16_t red, uint16_t green, uint16_t blue, Word back) {
        const Word mixed = Pack<Word>(Level(red), Level(green), Level(blue));
        const Word kept = static_cast<Word>(Policy::template AllKeyed<D>(back));
        return keyed == 5 ? kept : mixed;
    }

    // row[i] = pixel(i) for i < n in whole blocks of a fixed width, which
    // become vector code with no scalar tail: a last partial block is done
    // as the block that ends at n, the pixels it repeats coming out the same.
    static constexpr int32_t kBlock = 16;
    template <class F> static void Blocks(Word* __restrict row, int32_t n, F pixel) {
        if (n < kBlock) {
            for (int32_t i = 0; i < n; ++i)
                row[i] = pixel(i);
            return;
        }
        for (int32_t at = 0; at < n; at += kBlock) {
            at = std::min(at, n - kBlock);
            for (int32_t k = 0; k < kBlock; ++k)
                row[at + k] = pixel(at + k);
        }
    }

    static void StoreRow(uint8_t* out, const Word* row, int32_t n) {
        if constexpr (D::kBytes == sizeof(Word))
            std::memcpy(out, row, static_cast<size_t>(n) * sizeof(Word));
        else
            for (int32_t i = 0; i < n; ++i)
                D::Store(out + i * D::kBytes, row[i]);
    }

    // The filter along a strip: sums into a local row first, so the loop
    // owns what it writes and vectorises, then stores the row.
    static void Smooth(const TTaps& u, const TTaps& d, const TTaps& l, const TTaps& c,
                       const TTaps& r, const uint8_t* bg, uint8_t* out, int32_t n) {
        Word row[kStrip];
        Blocks(row, n, [&](int32_t i) {
            return Filtered(static_cast<uint16_t>(u.k[i] + d.k[i] + l.k[i] + c.k[i] + r.k[i]),
                            static_cast<uint16_t>(u.r[i] + d.r[i] + l.r[i] + c.r[i] + r.r[i]),
                            static_cast<uint16_t>(u.g[i] + d.g[i] + l.g[i] + c.g[i] + r.g[i]),
                            static_cast<uint16_t>(u.b[i] + d.b[i] + l.b[i] + c.b[i] + r.b[i]),
                            static_cast<Word>(D::Load(bg + i * D::kBytes)));
        });
        StoreRow(out, row, n);
    }

    // The filter straight from five rows of picture pixels (above, below,
    // left, centre, right) and the background under each, for taps that are
    // used once: a reduction's gathered rows.
    struct TFiveRows {
        const uint8_t* pic[5];
        const uint8_t* bg[5];
    };
    static void SmoothOnce(const TFiveRows& in, uint8_t* out, int32_t n) {
        if constexpr (S::kDepth == D::kDepth && S::kShort) {
            SmoothFields(in, out, n);
            return;
        }
        Word row[kStrip];
        Blocks(row, n, [&](int32_t i) {
            uint16_t keyed = 0, red = 0, green = 0, blue = 0;
#pragma GCC unroll 5
            for (int t = 0; t < 5; ++t) {
                const TChannels c = Channels<S>(S::Load(in.pic[t] + i * S::kBytes),
                                                D::Load(in.bg[t] + i * D::kBytes));
                keyed = static_cast<uint16_t>(keyed + c.k);
                red = static_cast<uint16_t>(red + c.r);
                green = static_cast<uint16_t>(green + c.g);
                blue = static_cast<uint16_t>(blue + c.b);
            }
            return Filtered(keyed, red, green, blue,
                            static_cast<Word>(D::Load(in.bg[3] + i * D::kBytes)));
        });
        StoreRow(out, row, n);
    }

    // SmoothOnce for a picture in the destination's 2-byte layout: each
    // channel's fields are summed where they lie (one operation a tap) and
    // brought to 8-bit scale once, which gives the same sums since the
    // fields' low bits are clear in that scale.
    static void SmoothFields(const TFiveRows& in, uint8_t* out, int32_t n) {
        constexpr uint16_t kGreen = static_cast<uint16_t>((0xFF >> D::kGreenDrop) << 5);
        Word row[kStrip];
        Blocks(row, n, [&](int32_t i) {
            uint16_t keyed = 0, red = 0, green = 0, blue = 0;
#pragma GCC unroll 5
            for (int t = 0; t < 5; ++t) {
                const auto p = static_cast<uint16_t>(S::Load(in.pic[t] + i * S::kBytes));
                const auto q = static_cast<uint16_t>(D::Load(in.bg[t] + i * D::kBytes));
                const bool key = p == static_cast<uint16_t>(S::kKey);
                const uint16_t e = key ? q : p;
                keyed = static_cast<uint16_t>(keyed + key);
                red = static_cast<uint16_t>(red + ((e >> D::kRedAt) & 0x1F));
                green = static_cast<uint16_t>(green + (e & kGreen));
                blue = static_cast<uint16_t>(blue + (e & 0x1F));
            }
            return Filtered(keyed, static_cast<uint16_t>(red << 3),
                            static_cast<uint16_t>(green >> (5 - D::kGreenDrop)),
                            static_cast<uint16_t>(blue << 3),
                            static_cast<Word>(D::Load(in.bg[3] + i * D::kBytes)));
        });
        StoreRow(out, row, n);
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

    // The picture pixels of one row at the sampled columns of a strip, and
    // at their left and right neighbours once the row is a centre row.
    // Consecutive target rows share picture rows, so each is gathered once.
    struct TGatheredRow {
        int32_t row = -1;
        bool sides = false;
        uint8_t left[kStrip * S::kBytes];
        uint8_t mid[kStrip * S::kBytes];
        uint8_t right[kStrip * S::kBytes];
    };

    // Byte offsets of a strip's sampled columns and of their neighbours,
    // kept inside the picture. Where a neighbour is the next or the previous
    // sampled column, as along a run of consecutive columns, its pixel is
    // taken from the gathered centres; the others are listed.
    // The wide build gathers 2-byte pixels by byte shuffles where it can.
    struct TColumnOffsets {
        intptr_t at[kStrip], lo[kStrip], hi[kStrip];
        int32_t n;
        int32_t leftOwn[kStrip], rightOwn[kStrip]; // pixels whose neighbour is not sampled
        int32_t leftOwnCount, rightOwnCount;
        bool shuffled;
        TShuffleGroup atGroups[kShuffleGroups], loGroups[kShuffleGroups], hiGroups[kShuffleGroups];

        void Set(TColumnWalk& walk, int32_t count, int32_t srcWidth) {
            n = count;
            for (int32_t j = 0; j < n; ++j) {
                const int32_t col = walk.Next();
                at[j] = static_cast<intptr_t>(col) * S::kBytes;
                lo[j] = col > 0 ? at[j] - S::kBytes : at[j];
                hi[j] = col < srcWidth - 1 ? at[j] + S::kBytes : at[j];
            }
            leftOwnCount = rightOwnCount = 0;
            for (int32_t j = 0; j < n; ++j) {
                if (j == 0 || lo[j] != at[j - 1]) leftOwn[leftOwnCount++] = j;
                if (j == n - 1 || hi[j] != at[j + 1]) rightOwn[rightOwnCount++] = j;
            }
            const int32_t rowBytes = srcWidth * S::kBytes;
            shuffled = S::kBytes == 2 && WideCode() && PlanShuffle(at, n, rowBytes, atGroups) &&
                       PlanShuffle(lo, n, rowBytes, loGroups) &&
                       PlanShuffle(hi, n, rowBytes, hiGroups);
        }
    };

    class TRowCache {
    public:
        TRowCache(const TKeyedJob& job, const TColumnOffsets& cols) : job_(job), cols_(cols) {}
        void Clear() {
            for (TGatheredRow& slot : slots_)
                slot.row = -1;
        }
        // Picture row `row` clamped to the picture, its sides gathered on request.
        const TGatheredRow& Get(int32_t row, bool sides) {
            row = Clamp(row, 0, job_.srcHeight - 1);
            TGatheredRow& slot = slots_[row & 3];
            const uint8_t* in = job_.src + static_cast<intptr_t>(row) * job_.srcPitch;
            if (slot.row != row) {
                slot.row = row;
                slot.sides = false;
                Gather(slot.mid, in, cols_.at);
            }
            if (sides && !slot.sides) {
                slot.sides = true;
                Sides(slot, in);
            }
            return slot;
        }

    private:
        // Pixels at the listed byte offsets (the list and the counts in
        // locals: stores through bytes would make the compiler reload them).
        static void Gather(uint8_t* __restrict out, const uint8_t* __restrict in,
                           const intptr_t* __restrict at, int32_t n) {
            for (int32_t j = 0; j < n; ++j)
                std::memcpy(out + j * S::kBytes, in + at[j], S::kBytes);
        }
        static void GatherListed(uint8_t* __restrict out, const uint8_t* __restrict in,
                                 const intptr_t* __restrict at, const int32_t* __restrict which,
                                 int32_t count) {
            for (int32_t i = 0; i < count; ++i) {
                const int32_t j = which[i];
                std::memcpy(out + j * S::kBytes, in + at[j], S::kBytes);
            }
        }
        void Gather(uint8_t* out, const uint8_t* in, const intptr_t* at) const {
            if (cols_.shuffled)
                GatherShuffled(out, in, cols_.atGroups, cols_.n);
            else
                Gather(out, in, at, cols_.n);
        }

        // Left and right neighbours: the centres moved by one, then the
        // neighbours that are not sampled columns.
        void Sides(TGatheredRow& slot, const uint8_t* __restrict in) const {
            if (cols_.shuffled) {
                GatherShuffled(slot.left, in, cols_.loGroups, cols_.n);
                GatherShuffled(slot.right, in, cols_.hiGroups, cols_.n);
                return;
            }
            const size_t moved = static_cast<size_t>(cols_.n - 1) * S::kBytes;
            std::memcpy(slot.left + S::kBytes, slot.mid, moved);
            std::memcpy(slot.right, slot.mid + S::kBytes, moved);
            GatherListed(slot.left, in, cols_.lo, cols_.leftOwn, cols_.leftOwnCount);
            GatherListed(slot.right, in, cols_.hi, cols_.rightOwn, cols_.rightOwnCount);
        }

        const TKeyedJob& job_;
        const TColumnOffsets& cols_;
        TGatheredRow slots_[4]; // rows row - 1 .. row + 1 never share a slot
    };

    // Sampled rows and columns: the taps of each target pixel are gathered
    // into rows first, so that turning them into effective channels runs
    // over contiguous pixels as at the same size.
    static void Reduced(const TKeyedJob& job) {
        const blitcore::TClip& c = job.clip;
        if (c.cols < 3 || c.rows < 3) return;
        const float fx = static_cast<float>(job.srcWidth) / static_cast<float>(job.width);
        const float fy = static_cast<float>(job.srcHeight) / static_cast<float>(job.height);
        const int32_t qx = job.srcWidth / (job.srcWidth - job.width);
        const int32_t qy = job.srcHeight / (job.srcHeight - job.height);
        const bool runs = job.b2Threshold > 0 && qx >= job.b2Threshold && qy >= 3;
        TColumnWalk walk(job, fx, runs ? qx : 0);
        TColumnOffsets cols;
        TRowCache cache(job, cols);
        for (int32_t a = 1; a < c.cols - 1; a += kStrip) {
            cols.Set(walk, std::min(kStrip, c.cols - 1 - a), job.srcWidth);
            cache.Clear();
            float accY = static_cast<float>(c.row0 + 1) * fy;
            for (int32_t r = 1; r < c.rows - 1; ++r, accY += fy) {
                const int32_t row = Clamp(Round(accY), 0, job.srcHeight - 1);
                const uint8_t* bgMid = BgAt(job, r, a);
                const TGatheredRow& centre = cache.Get(row, true);
                const TFiveRows taps{{cache.Get(row - 1, false).mid, cache.Get(row + 1, false).mid,
                                      centre.left, centre.mid, centre.right},
                                     {BgAt(job, r - 1, a), BgAt(job, r + 1, a), bgMid - D::kBytes,
                                      bgMid, bgMid + D::kBytes}};
                SmoothOnce(taps, DstAt(job, r, a), cols.n);
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
