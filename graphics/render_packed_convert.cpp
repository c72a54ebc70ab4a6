// What the packed renderers share beyond the pixel template: source rows
// converted to a destination's format for the doubling and stretching blits,
// the translating image put with its direct-colour fast path, the buffers
// those use, the save-under header and the 8-bit colour-map routines.
#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "gdl/pixelformat.h"
#include "gdl/result.h"
#include "library_state.h"
#include "render_packed.h"

namespace gdl_packed {

namespace {

bool directBits(int32_t bits) {
    return bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

uint32_t loadCell(const uint8_t* p, int32_t bytes) {
    switch (bytes) {
        case 1: return Cell<1>::load(p);
        case 2: return Cell<2>::load(p);
        case 3: return Cell<3>::load(p);
        default: return Cell<4>::load(p);
    }
}

void storeCell(uint8_t* p, int32_t bytes, uint32_t v) {
    switch (bytes) {
        case 1: Cell<1>::store(p, v); break;
        case 2: Cell<2>::store(p, v); break;
        case 3: Cell<3>::store(p, v); break;
        default: Cell<4>::store(p, v); break;
    }
}

// One channel taken from one format to another, exactly as unpacking to
// eight bits and packing again would do: the source field moves by one net
// shift and a mask keeps the bits that survive both steps.
struct Channel {
    int32_t right, left;
    uint32_t mask;
    uint32_t map(uint32_t p) const { return ((p >> right) << left) & mask; }
};

// False when a format is not one whose fields the net shift can carry
// (masks not matching their adjustments, shifts out of range).
bool makeRepack(const GdlPixelFormat* s, const GdlPixelFormat* d, Channel out[3]) {
    const int32_t sp[3] = {s->redPosition, s->greenPosition, s->bluePosition};
    const int32_t sa[3] = {s->redAdjust, s->greenAdjust, s->blueAdjust};
    const uint32_t sm[3] = {s->redMask, s->greenMask, s->blueMask};
    const int32_t dp[3] = {d->redPosition, d->greenPosition, d->bluePosition};
    const int32_t da[3] = {d->redAdjust, d->greenAdjust, d->blueAdjust};
    const uint32_t dm[3] = {d->redMask, d->greenMask, d->blueMask};
    for (int i = 0; i < 3; ++i) {
        if (sa[i] < 0 || sa[i] > 8 || da[i] < 0 || da[i] > 8) return false;
        if (sm[i] != (0xFFu >> sa[i]) || dm[i] != (0xFFu >> da[i])) return false;
        if (sp[i] < 0 || sp[i] + 8 - sa[i] > 32 || dp[i] < 0 || dp[i] + 8 - da[i] > 32)
            return false;
        const int32_t net = dp[i] - sp[i] + sa[i] - da[i];
        const uint32_t field = ((sm[i] << sa[i]) >> da[i]) & dm[i];
        out[i] = {net < 0 ? -net : 0, net > 0 ? net : 0, field << dp[i]};
    }
    return true;
}

template <int S, int D>
void repackRows(uint8_t* dst, int32_t dstPitch, const uint8_t* src, int32_t srcPitch, int32_t n,
                int32_t rows, const Channel ch[3]) {
    const Channel r = ch[0], g = ch[1], b = ch[2];
    for (int32_t y = 0; y < rows; ++y, dst += dstPitch, src += srcPitch)
        for (int32_t i = 0; i < n; ++i) {
            uint32_t p = Cell<S>::load(src + i * S);
            Cell<D>::store(dst + i * D, r.map(p) | g.map(p) | b.map(p));
        }
}

template <int S>
void repackTo(int32_t dstBytes, uint8_t* dst, int32_t dstPitch, const uint8_t* src,
              int32_t srcPitch, int32_t n, int32_t rows, const Channel ch[3]) {
    switch (dstBytes) {
        case 2: repackRows<S, 2>(dst, dstPitch, src, srcPitch, n, rows, ch); break;
        case 3: repackRows<S, 3>(dst, dstPitch, src, srcPitch, n, rows, ch); break;
        default: repackRows<S, 4>(dst, dstPitch, src, srcPitch, n, rows, ch); break;
    }
}

// The game's own case, 32-bit xRGB to 5:6:5 or 5:5:5, one pixel.
template <int GreenBits, int RedAt> inline uint32_t xrgbTo16(uint32_t p) {
    return ((p >> (19 - RedAt)) & (0x1Fu << RedAt)) |
           ((p >> (11 - GreenBits)) & (((1u << GreenBits) - 1) << 5)) | ((p >> 3) & 0x1Fu);
}

template <int GreenBits, int RedAt>
int32_t xrgbTo16Portable(uint8_t* dst, const uint8_t* src, int32_t n) {
    for (int32_t i = 0; i < n; ++i)
        Cell<2>::store(dst + i * 2, xrgbTo16<GreenBits, RedAt>(Cell<4>::load(src + i * 4)));
    return n;
}

// The vector loops' way to the same pixels: red and blue, masked to the five
// bits they keep, meet in one multiply-add of 16-bit halves (blue times 4 or
// 8, red times 2^13), green is masked in place, and one shift right by
// `kShift` puts all three where the 16-bit pixel has them. The shift is done
// as a shift left and an arithmetic shift right by 16, so that the
// saturating pack keeps each pixel as it is.
template <int GreenBits> struct XrgbPack {
    static constexpr int kShift = GreenBits == 6 ? 5 : 6;
    static constexpr int32_t kMultipliers = int32_t(0x20000000u | (1u << (kShift - 3)));
    static constexpr int32_t kRedBlue = 0x00F800F8;
    static constexpr int32_t kGreen = GreenBits == 6 ? 0xFC00 : 0xF800;
};

// Eight pixels a step with SSE2. Returns the pixels done (a multiple of 8).
template <int GreenBits> int32_t xrgbTo16Sse2(uint8_t* dst, const uint8_t* src, int32_t n) {
#if defined(__SSE2__)
    using P = XrgbPack<GreenBits>;
    const __m128i redBlue = _mm_set1_epi32(P::kRedBlue), green = _mm_set1_epi32(P::kGreen);
    const __m128i multipliers = _mm_set1_epi32(P::kMultipliers);
    auto four = [&](const uint8_t* at) {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const __m128i v = _mm_or_si128(_mm_madd_epi16(_mm_and_si128(p, redBlue), multipliers),
                                       _mm_and_si128(p, green));
        return _mm_srai_epi32(_mm_slli_epi32(v, 16 - P::kShift), 16);
    };
    int32_t i = 0;
    for (; i + 8 <= n; i += 8)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 2 * i),
                         _mm_packs_epi32(four(src + 4 * i), four(src + 4 * i + 16)));
    return i;
#else
    (void)dst, (void)src, (void)n;
    return 0;
#endif
}

#if defined(__x86_64__) || defined(__i386__)
#define ADV_XRGB_AVX2 1

template <int GreenBits>
__attribute__((target("avx2"), always_inline)) inline __m256i xrgbEight(const uint8_t* at) {
    using P = XrgbPack<GreenBits>;
    const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    const __m256i v =
        _mm256_or_si256(_mm256_madd_epi16(_mm256_and_si256(p, _mm256_set1_epi32(P::kRedBlue)),
                                          _mm256_set1_epi32(P::kMultipliers)),
                        _mm256_and_si256(p, _mm256_set1_epi32(P::kGreen)));
    return _mm256_srai_epi32(_mm256_slli_epi32(v, 16 - P::kShift), 16);
}

// Sixteen pixels a step with AVX2 (the pack works within 128-bit halves,
// so its quarters are put back in order). Returns the pixels done.
template <int GreenBits>
__attribute__((target("avx2"))) int32_t xrgbTo16Avx2(uint8_t* dst, const uint8_t* src, int32_t n) {
    int32_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m256i packed = _mm256_packs_epi32(xrgbEight<GreenBits>(src + 4 * i),
                                                  xrgbEight<GreenBits>(src + 4 * i + 32));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + 2 * i),
                            _mm256_permute4x64_epi64(packed, 0xD8));
    }
    return i;
}

bool hasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2") != 0;
    return has;
}
#endif

// The widest loop the processor has, then the narrower ones for the rest.
template <int GreenBits, int RedAt> void xrgbTo16Row(uint8_t* dst, const uint8_t* src, int32_t n) {
    int32_t i = 0;
#if ADV_XRGB_AVX2
    if (hasAvx2()) i = xrgbTo16Avx2<GreenBits>(dst, src, n);
#endif
    i += xrgbTo16Sse2<GreenBits>(dst + 2 * i, src + 4 * i, n - i);
    xrgbTo16Portable<GreenBits, RedAt>(dst + 2 * i, src + 4 * i, n - i);
}

template <int GreenBits, int RedAt>
void repackXrgbTo16(uint8_t* dst, int32_t dstPitch, const uint8_t* src, int32_t srcPitch, int32_t n,
                    int32_t rows) {
    for (int32_t y = 0; y < rows; ++y, dst += dstPitch, src += srcPitch)
        xrgbTo16Row<GreenBits, RedAt>(dst, src, n);
}

bool isChannel(const Channel& c, int32_t right, uint32_t mask) {
    return c.right == right && c.left == 0 && c.mask == mask;
}

void repack(int32_t srcBytes, int32_t dstBytes, uint8_t* dst, int32_t dstPitch, const uint8_t* src,
            int32_t srcPitch, int32_t n, int32_t rows, const Channel ch[3]) {
    if (srcBytes == 4 && dstBytes == 2 && isChannel(ch[2], 3, 0x1F)) {
        if (isChannel(ch[0], 8, 0xF800) && isChannel(ch[1], 5, 0x07E0))
            return repackXrgbTo16<6, 11>(dst, dstPitch, src, srcPitch, n, rows);
        if (isChannel(ch[0], 9, 0x7C00) && isChannel(ch[1], 6, 0x03E0))
            return repackXrgbTo16<5, 10>(dst, dstPitch, src, srcPitch, n, rows);
    }
    switch (srcBytes) {
        case 2: repackTo<2>(dstBytes, dst, dstPitch, src, srcPitch, n, rows, ch); break;
        case 3: repackTo<3>(dstBytes, dst, dstPitch, src, srcPitch, n, rows, ch); break;
        default: repackTo<4>(dstBytes, dst, dstPitch, src, srcPitch, n, rows, ch); break;
    }
}

} // namespace

int32_t xrgbTo16Run(uint8_t* dst, const uint8_t* src, int32_t n, bool fiveFiveFive, XrgbLoop loop) {
    switch (loop) {
        case XrgbLoop::kPortable:
            return fiveFiveFive ? xrgbTo16Portable<5, 10>(dst, src, n)
                                : xrgbTo16Portable<6, 11>(dst, src, n);
        case XrgbLoop::kSse2:
            return fiveFiveFive ? xrgbTo16Sse2<5>(dst, src, n) : xrgbTo16Sse2<6>(dst, src, n);
        case XrgbLoop::kAvx2:
#if ADV_XRGB_AVX2
            if (!hasAvx2()) return 0;
            return fiveFiveFive ? xrgbTo16Avx2<5>(dst, src, n) : xrgbTo16Avx2<6>(dst, src, n);
#else
            return 0;
#endif
    }
    return 0;
}

const GdlPixelFormat* standardFormatOf(int32_t bits) {
    switch (bits) {
        case 15: return &GDL_pixelFormat555;
        case 16: return &GDL_pixelFormat565;
        case 24: return &GDL_pixelFormatRGB;
        default: return &GDL_pixelFormatARGB;
    }
}

const GdlPixelFormat* formatOf(const GdlDeviceContext* dc) {
    const GdlPixelFormat& f = dc->format;
    if (f.redMask | f.greenMask | f.blueMask) return &f;
    return standardFormatOf(int32_t(dc->mode.bitsPerPixel));
}

uint8_t* rowBuffer(int slot, size_t bytes) {
    gdl_internal::BlitState::RowBuffer& b = gdl_internal::state().blits.rows[slot & 1];
    if (bytes <= b.size) return b.data;
    auto* grown = static_cast<uint8_t*>(GDL_malloc(bytes));
    if (!grown) return nullptr;
    GDL_free(b.data);
    b.data = grown;
    b.size = bytes;
    return grown;
}

bool sameLayout(const GdlDeviceContext* a, const GdlDeviceContext* b) {
    if (a->mode.bitsPerPixel != b->mode.bitsPerPixel) return false;
    if (a->mode.bitsPerPixel <= 8) return true;
    const GdlPixelFormat *fa = formatOf(a), *fb = formatOf(b);
    return fa->redPosition == fb->redPosition && fa->greenPosition == fb->greenPosition &&
           fa->bluePosition == fb->bluePosition;
}

RowConverter::RowConverter(const GdlDeviceContext* dest, const GdlDeviceContext* src,
                           const GdlPaletteEntry* palette, int32_t identical)
    : src_(src), srcBits_(int32_t(src->mode.bitsPerPixel)),
      dstBits_(int32_t(dest->mode.bitsPerPixel)), dstBytes_(cellBytes(dstBits_)), direct_(false),
      srcIndexed_(srcBits_ <= 8), srcFormat_(formatOf(src)), dstFormat_(formatOf(dest)), table_() {
    direct_ = sameLayout(dest, src) && (srcBits_ > 8 || identical);
    if (direct_ || srcBits_ != 8) return;
    const GdlPaletteEntry* pal = palette ? palette : src->palette;
    const GdlPaletteEntry* dpal = dest->palette ? dest->palette : GDL_defaultPalette();
    for (int32_t i = 0; i < 256; ++i) {
        if (!pal) {
            table_[i] = uint32_t(i);
            continue;
        }
        const GdlPaletteEntry& e = pal[i];
        table_[i] = dstBits_ <= 8
                        ? uint32_t(GDL_nearestPaletteIndex(dpal, 256, e.red, e.green, e.blue))
                        : GDL_packColor(dstFormat_, e.red, e.green, e.blue);
    }
}

const uint8_t* RowConverter::row(int32_t y, int32_t x1, int32_t x2) {
    const int32_t srcBytes = cellBytes(srcBits_);
    const uint8_t* in =
        src_->surface + int64_t(y) * int32_t(src_->mode.bytesPerLine) + int64_t(x1) * srcBytes;
    if (direct_) return in;
    if (srcBits_ != 8 && !directBits(srcBits_)) return nullptr;
    const int32_t n = x2 - x1;
    uint8_t* out = rowBuffer(1, size_t(n) * 4 + 4);
    if (!out) return nullptr;
    for (int32_t i = 0; i < n; ++i) {
        uint32_t p = loadCell(in + i * srcBytes, srcBytes);
        uint32_t v;
        if (srcIndexed_) {
            v = table_[p & 0xFF];
        } else {
            uint8_t r, g, b;
            GDL_unpackColor(srcFormat_, p, &r, &g, &b);
            v = dstBits_ <= 8 ? GDL_halftoneIndex(r, g, b, i, y)
                              : GDL_packColor(dstFormat_, r, g, b);
        }
        storeCell(out + i * dstBytes_, dstBytes_, v);
    }
    return out;
}

void translateImage(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                    int32_t destX, int32_t destY, int32_t op, const void* surface,
                    int32_t bytesPerLine, int32_t bits, const GdlPaletteEntry* palette,
                    const GdlPixelFormat* format, GdlDeviceContext*) {
    if (!dc || !surface) return;
    GdlDeviceContext* d = GDL_liveDC(dc);
    const int32_t dbits = int32_t(d->mode.bitsPerPixel);
    Channel ch[3];
    if (op != 0 || !directBits(bits) || !directBits(dbits) ||
        !makeRepack(format ? format : standardFormatOf(bits), formatOf(d), ch)) {
        GDL_translateImage(dc, left, top, right, bottom, destX, destY, op, surface, bytesPerLine,
                           bits, palette, format);
        return;
    }
    // Rows and columns off the destination are not converted.
    if (destX < d->bounds.left) {
        left += d->bounds.left - destX;
        destX = d->bounds.left;
    }
    if (destY < d->bounds.top) {
        top += d->bounds.top - destY;
        destY = d->bounds.top;
    }
    right = int32_t(std::min<int64_t>(right, int64_t(left) + d->bounds.right - destX));
    bottom = int32_t(std::min<int64_t>(bottom, int64_t(top) + d->bounds.bottom - destY));
    if (left < 0 || top < 0 || left >= right || top >= bottom) return;
    const int32_t sb = cellBytes(bits), db = cellBytes(dbits);
    const int32_t pitch = int32_t(d->mode.bytesPerLine);
    const auto* src =
        static_cast<const uint8_t*>(surface) + int64_t(top) * bytesPerLine + int64_t(left) * sb;
    uint8_t* dst = d->surface + int64_t(destY) * pitch + int64_t(destX) * db;
    repack(sb, db, dst, pitch, src, bytesPerLine, right - left, bottom - top, ch);
}

// --- Save-under header --------------------------------------------------------------

void writeSaveHeader(uint8_t* b, int32_t rowBytes, int32_t rows, uint32_t offset, int32_t left,
                     int32_t top, int32_t right, int32_t bottom) {
    auto put16 = [&](int at, int32_t v) {
        b[at] = uint8_t(v);
        b[at + 1] = uint8_t(uint32_t(v) >> 8);
    };
    put16(0, rowBytes);
    put16(2, rows);
    for (int i = 0; i < 4; ++i)
        b[4 + i] = uint8_t(offset >> (8 * i));
    put16(8, left);
    put16(10, top);
    put16(12, right);
    put16(14, bottom);
    put16(16, 0);
}

void readSaveHeader(const uint8_t* b, int32_t* rowBytes, int32_t* rows, uint32_t* offset) {
    *rowBytes = int32_t(b[0] | b[1] << 8);
    *rows = int32_t(b[2] | b[3] << 8);
    *offset = uint32_t(b[4]) | uint32_t(b[5]) << 8 | uint32_t(b[6]) << 16 | uint32_t(b[7]) << 24;
}

// --- 8-bit colour-map mode --------------------------------------------------------------

// In colour-map mode the colour is a true colour 0x00RRGGBB, kept unchanged
// in the attributes; each pixel gets its dithered index in the colour cube.
namespace {
uint8_t halftoneOf(uint32_t color, int32_t x, int32_t y) {
    return GDL_halftoneIndex((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF, x, y);
}
} // namespace

void pack8DitheredPixel(int32_t x, int32_t y) {
    GdlDeviceContext& s = S();
    uint8_t* p = Packed<1>::at(s, x, y);
    uint32_t v = halftoneOf(s.attr.color, x, y);
    withOp(s.attr.writeMode, [&](auto op) { *p = uint8_t(apply<decltype(op)::value>(*p, v)); });
}

void pack8DitheredSpan(int32_t y, int32_t x1, int32_t x2) {
    if (!Packed<1>::order(x1, x2)) return;
    GdlDeviceContext& s = S();
    uint8_t* p = Packed<1>::at(s, x1, y);
    const uint32_t color = s.attr.color;
    for (int32_t x = x1; x < x2; ++x)
        *p++ = halftoneOf(color, x, y);
}

void pack8DitheredTrapezoid(GdlEdgeWalker* w) {
    Packed<1>::trapezoidWith<pack8DitheredSpan>(w);
}

void pack8DitheredLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    GdlDeviceContext& s = S();
    const uint32_t color = s.attr.color;
    Packed<1>::walkLine(x1, y1, x2, y2, s.attr.writeMode != 0, [&](int32_t x, int32_t y) {
        uint8_t* p = Packed<1>::at(s, x, y);
        uint32_t v = halftoneOf(color, x, y);
        withOp(s.attr.writeMode, [&](auto op) { *p = uint8_t(apply<decltype(op)::value>(*p, v)); });
    });
}

} // namespace gdl_packed
