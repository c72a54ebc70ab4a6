#include "BlitRows.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform::gdi {
namespace {

enum class Source { Rgb565, Rgb555, Xrgb, Indexed8, Other };

Source sourceKind(const Surface& s) {
    const uint32_t* m = s.masks;
    if (s.bpp == 16 && m[0] == 0xF800 && m[1] == 0x07E0 && m[2] == 0x001F) return Source::Rgb565;
    if (s.bpp == 16 && m[0] == 0x7C00 && m[1] == 0x03E0 && m[2] == 0x001F) return Source::Rgb555;
    if (s.bpp == 32 && m[0] == 0xFF0000 && m[1] == 0x00FF00 && m[2] == 0x0000FF)
        return Source::Xrgb;
    if (s.bpp == 8) return Source::Indexed8;
    return Source::Other;
}

bool isXrgb(const Surface& d) {
    return d.bpp == 32 && d.masks[0] == 0xFF0000 && d.masks[1] == 0x00FF00 &&
           d.masks[2] == 0x0000FF;
}

// Narrow channels widen by repeating their high bits (31 -> 255, 63 -> 255).
inline uint32_t wide565(uint32_t p) {
    const uint32_t r = (p >> 11) & 31, g = (p >> 5) & 63, b = p & 31;
    return ((r << 3 | r >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (b << 3 | b >> 2);
}
inline uint32_t wide555(uint32_t p) {
    const uint32_t r = (p >> 10) & 31, g = (p >> 5) & 31, b = p & 31;
    return ((r << 3 | r >> 2) << 16) | ((g << 3 | g >> 2) << 8) | (b << 3 | b >> 2);
}

#if defined(__SSE2__)
// Eight pixels: red, green and blue widened in 16-bit lanes, then green and
// blue interleaved with red into 32-bit lanes.
template <bool k565> inline void wide8(const uint8_t* in, uint8_t* out) {
    const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    const __m128i f8 = _mm_set1_epi16(0xF8), low3 = _mm_set1_epi16(7);
    __m128i r, g;
    if constexpr (k565) {
        r = _mm_or_si128(_mm_and_si128(_mm_srli_epi16(p, 8), f8), _mm_srli_epi16(p, 13));
        g = _mm_or_si128(_mm_and_si128(_mm_srli_epi16(p, 3), _mm_set1_epi16(0xFC)),
                         _mm_and_si128(_mm_srli_epi16(p, 9), _mm_set1_epi16(3)));
    } else {
        r = _mm_or_si128(_mm_and_si128(_mm_srli_epi16(p, 7), f8),
                         _mm_and_si128(_mm_srli_epi16(p, 12), low3));
        g = _mm_or_si128(_mm_and_si128(_mm_srli_epi16(p, 2), f8),
                         _mm_and_si128(_mm_srli_epi16(p, 7), low3));
    }
    const __m128i b = _mm_or_si128(_mm_and_si128(_mm_slli_epi16(p, 3), f8),
                                   _mm_and_si128(_mm_srli_epi16(p, 2), low3));
    const __m128i gb = _mm_or_si128(_mm_slli_epi16(g, 8), b);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi16(gb, r));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_unpackhi_epi16(gb, r));
}
#endif

template <bool k565> void wideRow(const uint8_t* in, uint8_t* out, int n) {
    int i = 0;
#if defined(__SSE2__)
    for (; i + 8 <= n; i += 8)
        wide8<k565>(in + 2 * i, out + 4 * i);
#endif
    for (; i < n; ++i) {
        uint16_t p;
        std::memcpy(&p, in + 2 * i, 2);
        const uint32_t v = k565 ? wide565(p) : wide555(p);
        std::memcpy(out + 4 * i, &v, 4);
    }
}

// The fourth byte of a 0x00RRGGBB pixel is written as 0.
void xrgbRow(const uint8_t* in, uint8_t* out, int n) {
    int i = 0;
#if defined(__SSE2__)
    const __m128i keep = _mm_set1_epi32(0x00FFFFFF);
    for (; i + 4 <= n; i += 4) {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 4 * i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i), _mm_and_si128(p, keep));
    }
#endif
    for (; i < n; ++i) {
        uint32_t v;
        std::memcpy(&v, in + 4 * i, 4);
        v &= 0xFFFFFF;
        std::memcpy(out + 4 * i, &v, 4);
    }
}

// Indexes through a table of 256 ready 0x00RRGGBB colours.
void indexedRow(const uint8_t* in, uint8_t* out, int n, const uint32_t* table) {
    uint32_t* to = reinterpret_cast<uint32_t*>(out);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        to[i] = table[in[i]];
        to[i + 1] = table[in[i + 1]];
        to[i + 2] = table[in[i + 2]];
        to[i + 3] = table[in[i + 3]];
    }
    for (; i < n; ++i)
        to[i] = table[in[i]];
}

// The colours of every pair of indexes, one lookup for two pixels: made
// for a colour table and kept while the next copy uses the same one (the
// frames of one palette). Per thread, as the adapter's scan-out copies too.
struct PairTable {
    uint32_t colors[256] = {};
    std::unique_ptr<uint64_t[]> pairs;
};

// Only where a frame is large enough to pay for the 65536 pairs.
constexpr int64_t kPairsFrom = 128 * 1024;

const uint64_t* pairsFor(const uint32_t* table) {
    if constexpr (std::endian::native != std::endian::little) return nullptr;
    thread_local PairTable cache;
    if (cache.pairs && std::memcmp(cache.colors, table, sizeof cache.colors) == 0)
        return cache.pairs.get();
    if (!cache.pairs) cache.pairs.reset(new (std::nothrow) uint64_t[65536]);
    if (!cache.pairs) return nullptr;
    std::memcpy(cache.colors, table, sizeof cache.colors);
    uint64_t* p = cache.pairs.get();
    for (int second = 0; second < 256; ++second)
        for (int first = 0; first < 256; ++first)
            *p++ = uint64_t(table[first]) | uint64_t(table[second]) << 32;
    return cache.pairs.get();
}

// Two indexes at a time (the first in the low byte, little-endian), each
// pair's colours stored at once.
void pairedRow(const uint8_t* in, uint8_t* out, int n, const uint64_t* pairs,
               const uint32_t* table) {
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        uint16_t p[4];
        std::memcpy(p, in + i, sizeof p);
        const uint64_t c[4] = {pairs[p[0]], pairs[p[1]], pairs[p[2]], pairs[p[3]]};
        std::memcpy(out + 4 * size_t(i), c, sizeof c);
    }
    for (; i < n; ++i) {
        const uint32_t c = table[in[i]];
        std::memcpy(out + 4 * size_t(i), &c, 4);
    }
}

} // namespace

bool CopyRowsToXrgb(const Surface& s, int sx, int sy, const Surface& d, int dx, int dy, int w,
                    int h) {
    if (!isXrgb(d) || w <= 0 || h <= 0) return false;
    if (sx < 0 || sy < 0 || sx + w > s.width || sy + h > s.height) return false;
    if (dx < 0 || dy < 0 || dx + w > d.width || dy + h > d.height) return false;
    const Source kind = sourceKind(s);
    if (kind == Source::Other) return false;
    // The same pixels on both sides would need the rows walked away from the
    // overlap; that is the general path's work.
    if (s.bits == d.bits) return false;
    uint32_t table[256];
    if (kind == Source::Indexed8)
        for (int i = 0; i < 256; ++i) {
            // As ReadRow reads them: an index past the colour table is black.
            const RGBQUAD* q = s.colors && i < s.colorCount ? &s.colors[i] : nullptr;
            table[i] =
                q ? (uint32_t(q->rgbRed) << 16) | (uint32_t(q->rgbGreen) << 8) | q->rgbBlue : 0;
        }
    const uint64_t* pairs =
        kind == Source::Indexed8 && int64_t(w) * h >= kPairsFrom ? pairsFor(table) : nullptr;
    for (int row = 0; row < h; ++row) {
        const uint8_t* in = s.Row(sy + row) + size_t(sx) * size_t(s.bpp / 8);
        uint8_t* out = d.Row(dy + row) + size_t(dx) * 4;
        switch (kind) {
            case Source::Rgb565: wideRow<true>(in, out, w); break;
            case Source::Rgb555: wideRow<false>(in, out, w); break;
            case Source::Indexed8:
                if (pairs)
                    pairedRow(in, out, w, pairs, table);
                else
                    indexedRow(in, out, w, table);
                break;
            default: xrgbRow(in, out, w); break;
        }
    }
    return true;
}

} // namespace platform::gdi
