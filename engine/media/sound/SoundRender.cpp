#include "media/sound/SoundRender.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sound_render {

namespace {

constexpr int64_t kRate = 22050;
constexpr int32_t kBlock = 256;
constexpr int64_t kMaxStep = 3;
// A block's output frames reach at most this many source frames.
constexpr int32_t kMaxSpan = kBlock * (kMaxStep + 1) + 1;

// Where output frame k of a block stands, relative to the block's first
// source frame: k whole steps plus the carries of the fraction. The per-frame
// walk keeps the fraction below one frame, so this is the frame it reaches.
int64_t Offset(int64_t k, int64_t step, int64_t rest, int64_t frac) {
    return k * step + (frac + k * rest) / kRate;
}

// Output frames of the next block: at most `wanted`, and only those whose
// source frame lies before `limit` (offsets only grow, so a search finds the
// first one past it).
int32_t BlockFrames(int32_t wanted, int64_t limit, int64_t step, int64_t rest, int64_t frac) {
    if (Offset(wanted - 1, step, rest, frac) < limit) return wanted;
    int32_t lo = 0, hi = wanted - 1; // offset(lo) < limit <= offset(hi)
    while (hi - lo > 1) {
        const int32_t mid = (lo + hi) / 2;
        (Offset(mid, step, rest, frac) < limit ? lo : hi) = mid;
    }
    return hi;
}

// The first offsets of a block and how a lane moves on by `lanes` frames:
// whole frames and the fraction it carries.
struct TLaneStart {
    int32_t where[8], part[8];
    int32_t whole, carry;
    TLaneStart(int32_t lanes, int64_t step, int64_t rest, int64_t frac) {
        for (int32_t j = 0; j < lanes; ++j) {
            where[j] = static_cast<int32_t>(Offset(j, step, rest, frac));
            part[j] = static_cast<int32_t>((frac + j * rest) % kRate);
        }
        whole = static_cast<int32_t>(lanes * step + lanes * rest / kRate);
        carry = static_cast<int32_t>(lanes * rest % kRate);
    }
};

// The offsets of `n` output frames (written up to the next multiple of 8) in
// eight lanes, each lane moving eight frames on: a chain per lane, so the
// lanes run side by side.
void OffsetsPortable(int32_t* out, int32_t n, int64_t step, int64_t rest, int64_t frac) {
    TLaneStart s(8, step, rest, frac);
    for (int32_t k = 0; k < n; k += 8)
        for (int32_t j = 0; j < 8; ++j) {
            out[k + j] = s.where[j];
            s.part[j] += s.carry;
            const int32_t over = s.part[j] >= kRate ? 1 : 0;
            s.part[j] -= over * static_cast<int32_t>(kRate);
            s.where[j] += s.whole + over;
        }
}

#if defined(__SSE2__)
// The same eight lanes in two registers; a lane past a whole frame of
// fraction compares as all ones, which both takes the frame off the
// fraction and adds it to the offset.
void OffsetsVector(int32_t* out, int32_t n, int64_t step, int64_t rest, int64_t frac) {
    const TLaneStart s(8, step, rest, frac);
    auto load = [](const int32_t* p) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    };
    __m128i where0 = load(s.where), where1 = load(s.where + 4);
    __m128i part0 = load(s.part), part1 = load(s.part + 4);
    const __m128i whole = _mm_set1_epi32(s.whole), carry = _mm_set1_epi32(s.carry);
    const __m128i rate = _mm_set1_epi32(static_cast<int32_t>(kRate));
    const __m128i below = _mm_set1_epi32(static_cast<int32_t>(kRate - 1));
    auto next = [&](__m128i& where, __m128i& part) {
        part = _mm_add_epi32(part, carry);
        const __m128i over = _mm_cmpgt_epi32(part, below);
        part = _mm_sub_epi32(part, _mm_and_si128(over, rate));
        where = _mm_sub_epi32(_mm_add_epi32(where, whole), over);
    };
    for (int32_t k = 0; k < n; k += 8) {
        _mm_store_si128(reinterpret_cast<__m128i*>(out + k), where0);
        _mm_store_si128(reinterpret_cast<__m128i*>(out + k + 4), where1);
        next(where0, part0);
        next(where1, part1);
    }
}
#endif

// The gain a sample is multiplied by in 128ths: 127 stands for the whole.
int32_t Effective(int32_t gain) {
    return gain == 127 ? 128 : gain;
}

inline uint32_t Packed(int16_t left, int16_t right) {
    return static_cast<uint16_t>(left) |
           (static_cast<uint32_t>(static_cast<uint16_t>(right)) << 16);
}

// One source frame (channels 0 and 1, the same for mono) to its stereo word.
inline uint32_t Panned(int32_t s0, int32_t s1, const TRenderRun& run) {
    return Packed(Saturate(Scaled(s1, run.gain[1][0]) + Scaled(s0, run.gain[0][0])),
                  Saturate(Scaled(s1, run.gain[1][1]) + Scaled(s0, run.gain[0][1])));
}

template <class Source> int32_t Read(const Source* p, int64_t i) {
    if constexpr (sizeof(Source) == 2)
        return Sample16(p, i);
    else
        return Sample8(p, i);
}

template <class Source>
void PanPortable(const Source* in, int channels, int32_t count, uint32_t* out,
                 const TRenderRun& run) {
    const int second = channels == 2 ? 1 : 0;
    for (int32_t i = 0; i < count; ++i)
        out[i] =
            Panned(Read(in, int64_t{i} * channels), Read(in, int64_t{i} * channels + second), run);
}

#if defined(__SSE2__)

// (s x gain) >> 7 for a gain of 0..128 in one high multiplication: gain x 512
// is the multiplier, taken as signed (less 65536) from 64 up, which the
// added sample gives back; 128 is the sample itself.
struct TGainLane {
    __m128i factor, keep;
    explicit TGainLane(int32_t gain) {
        const int32_t g = Effective(gain);
        const int32_t f = g == 128 ? 0 : (g < 64 ? g << 9 : (g << 9) - 65536);
        factor = _mm_set1_epi16(static_cast<int16_t>(f));
        keep = _mm_set1_epi16(g >= 64 ? -1 : 0);
    }
    __m128i operator()(__m128i s) const {
        return _mm_add_epi16(_mm_mulhi_epi16(s, factor), _mm_and_si128(s, keep));
    }
};

struct TPanLanes {
    TGainLane l0, l1, r0, r1;
    explicit TPanLanes(const TRenderRun& run)
        : l0(run.gain[0][0]), l1(run.gain[1][0]), r0(run.gain[0][1]), r1(run.gain[1][1]) {}
    // Eight frames of channels 0 and 1 to eight stereo words.
    void operator()(__m128i s0, __m128i s1, uint32_t* out) const {
        const __m128i left = _mm_adds_epi16(l1(s1), l0(s0));
        const __m128i right = _mm_adds_epi16(r1(s1), r0(s0));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi16(left, right));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4), _mm_unpackhi_epi16(left, right));
    }
};

// Channels 0 and 1 of eight frames as 16-bit samples.
inline void Load8(const int16_t* in, int channels, __m128i& s0, __m128i& s1) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    if (channels == 1) {
        s0 = s1 = a;
        return;
    }
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 8));
    s0 = _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(a, 16), 16),
                         _mm_srai_epi32(_mm_slli_epi32(b, 16), 16));
    s1 = _mm_packs_epi32(_mm_srai_epi32(a, 16), _mm_srai_epi32(b, 16));
}

// 8-bit samples are offset by 128 and take the high byte.
inline void Load8(const uint8_t* in, int channels, __m128i& s0, __m128i& s1) {
    const __m128i bias = _mm_set1_epi16(128);
    auto widen = [&](__m128i v) { return _mm_slli_epi16(_mm_sub_epi16(v, bias), 8); };
    if (channels == 1) {
        const __m128i a = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(in));
        s0 = s1 = widen(_mm_unpacklo_epi8(a, _mm_setzero_si128()));
        return;
    }
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    s0 = widen(_mm_and_si128(a, _mm_set1_epi16(0xFF)));
    s1 = widen(_mm_srli_epi16(a, 8));
}

template <class Source>
void PanVector(const Source* in, int channels, int32_t count, uint32_t* out,
               const TRenderRun& run) {
    const TPanLanes pan(run);
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        __m128i s0, s1;
        Load8(in + int64_t{i} * channels, channels, s0, s1);
        pan(s0, s1, out + i);
    }
    PanPortable(in + int64_t{i} * channels, channels, count - i, out + i, run);
}

#endif

template <bool Vector, class Source>
void Pan(const Source* in, int channels, int32_t count, uint32_t* out, const TRenderRun& run) {
#if defined(__SSE2__)
    if constexpr (Vector) return PanVector(in, channels, count, out, run);
#endif
    PanPortable(in, channels, count, out, run);
}

template <bool Vector>
void Offsets(int32_t* out, int32_t n, int64_t step, int64_t rest, int64_t frac) {
#if defined(__SSE2__)
    if constexpr (Vector) return OffsetsVector(out, n, step, rest, frac);
#endif
    OffsetsPortable(out, n, step, rest, frac);
}

// Any ratio: the offsets of a block, its source frames panned, then each
// output frame picks its word.
template <bool Vector, class Source>
int64_t Picked(const Source* source, int64_t frames, int channels, int16_t* dest,
               int64_t destFrames, TRenderRun& run) {
    const int64_t step = run.frequency / kRate, rest = run.frequency % kRate;
    int64_t frac = run.fraction, at = 0, out = 0;
    alignas(16) int32_t offsets[kBlock];
    alignas(16) uint32_t words[kMaxSpan];
    while (out < destFrames && at < frames) {
        const auto wanted = static_cast<int32_t>(std::min<int64_t>(kBlock, destFrames - out));
        const int32_t n = BlockFrames(wanted, frames - at, step, rest, frac);
        Offsets<Vector>(offsets, n, step, rest, frac);
        const int32_t span = offsets[n - 1] + 1;
        Pan<Vector>(source + at * channels, channels, span, words, run);
        for (int32_t k = 0; k < n; ++k)
            std::memcpy(dest + 2 * (out + k), &words[offsets[k]], 4);
        out += n;
        at += Offset(n, step, rest, frac);
        frac = (frac + n * rest) % kRate;
    }
    run.fraction = frac;
    run.consumed = at;
    return out;
}

// Each word written to `factor` output frames in a row; doubling, the
// common case, goes four words at a time.
template <bool Vector>
void Repeat(const uint32_t* words, int32_t count, int64_t factor, int16_t* dest) {
    int32_t i = 0;
#if defined(__SSE2__)
    if constexpr (Vector) {
        for (; factor == 2 && i + 4 <= count; i += 4) {
            const __m128i w = _mm_loadu_si128(reinterpret_cast<const __m128i*>(words + i));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dest + 4 * i), _mm_unpacklo_epi32(w, w));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dest + 4 * i + 8),
                             _mm_unpackhi_epi32(w, w));
        }
    }
#endif
    for (; i < count; ++i)
        for (int64_t r = 0; r < factor; ++r)
            std::memcpy(dest + 2 * (i * factor + r), &words[i], 4);
}

// A rate that divides the mix rate: every source frame lasts `factor`
// output frames, the first only for what the carried fraction leaves of
// them, so no offsets are needed.
template <bool Vector, class Source>
int64_t Repeated(const Source* source, int64_t frames, int channels, int16_t* dest,
                 int64_t destFrames, TRenderRun& run) {
    const int64_t rest = run.frequency, factor = kRate / rest, frac = run.fraction;
    const int64_t ahead = frac / rest; // output frames the first source frame has had
    const int64_t n = std::min(destFrames, factor - ahead + (frames - 1) * factor);
    alignas(16) uint32_t words[kBlock];
    Pan<Vector>(source, channels, 1, words, run);
    int64_t out = std::min(factor - ahead, n), at = 1;
    Repeat<false>(words, 1, out, dest);
    while (out < n) {
        const auto whole = static_cast<int32_t>(std::min<int64_t>(kBlock, (n - out) / factor));
        const int32_t count = whole > 0 ? whole : 1;
        Pan<Vector>(source + at * channels, channels, count, words, run);
        if (whole > 0)
            Repeat<Vector>(words, whole, factor, dest + 2 * out);
        else
            Repeat<false>(words, 1, n - out, dest + 2 * out);
        out = std::min(n, out + count * factor);
        at += count;
    }
    run.consumed = (ahead + n) / factor;
    run.fraction = (frac + n * rest) % kRate;
    return n;
}

// A whole multiple of the mix rate: output frame k is source frame
// k x step and the fraction never moves.
template <bool Vector, class Source>
int64_t Strided(const Source* source, int64_t frames, int channels, int16_t* dest,
                int64_t destFrames, TRenderRun& run) {
    const int64_t step = run.frequency / kRate;
    const int64_t n = std::min(destFrames, (frames + step - 1) / step);
    alignas(16) uint32_t words[kMaxSpan];
    for (int64_t out = 0; out < n; out += kBlock) {
        const auto m = static_cast<int32_t>(std::min<int64_t>(kBlock, n - out));
        Pan<Vector>(source + out * step * channels, channels,
                    static_cast<int32_t>((m - 1) * step + 1), words, run);
        if (step == 1) {
            std::memcpy(dest + 2 * out, words, 4 * static_cast<size_t>(m));
            continue;
        }
        for (int32_t k = 0; k < m; ++k)
            std::memcpy(dest + 2 * (out + k), &words[k * step], 4);
    }
    run.consumed = n * step;
    return n;
}

template <bool Vector, class Source>
int64_t Blocks(const Source* source, int64_t frames, int channels, int16_t* dest,
               int64_t destFrames, TRenderRun& run) {
    const int64_t step = run.frequency / kRate, rest = run.frequency % kRate;
    if (frames <= 0 || destFrames <= 0) {
        run.consumed = 0;
        return 0;
    }
    if (step == 0 && rest > 0 && kRate % rest == 0)
        return Repeated<Vector>(source, frames, channels, dest, destFrames, run);
    if (step > 0 && rest == 0)
        return Strided<Vector>(source, frames, channels, dest, destFrames, run);
    return Picked<Vector>(source, frames, channels, dest, destFrames, run);
}

} // namespace

bool BlockReady(const TRenderRun& run, int channels) {
    for (const auto& row : run.gain)
        for (int32_t g : row)
            if (g < 0 || g > 128) return false;
    return (channels == 1 || channels == 2) && run.fraction >= 0 && run.fraction < kRate &&
           run.frequency < (kMaxStep + 1) * kRate;
}

template <bool Vector>
int64_t RenderBlocks(const int16_t* source, int64_t frames, int channels, int16_t* dest,
                     int64_t destFrames, TRenderRun& run) {
    return Blocks<Vector>(source, frames, channels, dest, destFrames, run);
}
template <bool Vector>
int64_t RenderBlocks(const uint8_t* source, int64_t frames, int channels, int16_t* dest,
                     int64_t destFrames, TRenderRun& run) {
    return Blocks<Vector>(source, frames, channels, dest, destFrames, run);
}

template int64_t RenderBlocks<false>(const int16_t*, int64_t, int, int16_t*, int64_t, TRenderRun&);
template int64_t RenderBlocks<true>(const int16_t*, int64_t, int, int16_t*, int64_t, TRenderRun&);
template int64_t RenderBlocks<false>(const uint8_t*, int64_t, int, int16_t*, int64_t, TRenderRun&);
template int64_t RenderBlocks<true>(const uint8_t*, int64_t, int, int16_t*, int64_t, TRenderRun&);

} // namespace sound_render

int64_t RenderRun(const int16_t* source, int64_t frames, int channels, int16_t* dest,
                  int64_t destFrames, TRenderRun& run) {
    if (sound_render::BlockReady(run, channels))
        return sound_render::RenderBlocks<true>(source, frames, channels, dest, destFrames, run);
    return RenderRunFrames(source, frames, channels, dest, destFrames, run, sound_render::Sample16);
}

int64_t RenderRun(const uint8_t* source, int64_t frames, int channels, int16_t* dest,
                  int64_t destFrames, TRenderRun& run) {
    if (sound_render::BlockReady(run, channels))
        return sound_render::RenderBlocks<true>(source, frames, channels, dest, destFrames, run);
    return RenderRunFrames(source, frames, channels, dest, destFrames, run, sound_render::Sample8);
}
