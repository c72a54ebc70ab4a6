// The packed-pixel renderers at 8, 16, 24 and 32 bits: one template over the
// number of bytes a pixel takes. The depths differ only in how a pixel is
// loaded and stored, how a colour is replicated for block stores and how the
// save-under rectangle is widened; everything else is shared here.
//
// Entries without a context argument work on the state block (the current
// context). Coordinates are device coordinates, already clipped by the front
// ends; only putMonoImage clips for itself.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

#include "gdl/dc.h"
#include "gdl/defaultdraw.h"
#include "gdl/draw.h"
#include "gdl/memory.h"
#include "gdl/render.h"
#include "gdl/shading.h"
#include "line_walker.h"

// Pixels are moved as little-endian words with plain loads and stores.
static_assert(std::endian::native == std::endian::little, "packed pixels assume little endian");

namespace gdl_packed {

inline GdlDeviceContext& S() {
    return GDL_stateBlock;
}

inline int32_t roundFx(int32_t v) {
    return int32_t((int64_t(v) + 0x8000) >> 16);
}

// --- Pixel cells -----------------------------------------------------------------

template <int N> struct Cell;
template <> struct Cell<1> {
    static constexpr uint32_t kMask = 0xFF;
    static uint32_t load(const uint8_t* p) { return *p; }
    static void store(uint8_t* p, uint32_t v) { *p = uint8_t(v); }
};
template <> struct Cell<2> {
    static constexpr uint32_t kMask = 0xFFFF;
    static uint32_t load(const uint8_t* p) {
        uint16_t v;
        std::memcpy(&v, p, 2);
        return v;
    }
    static void store(uint8_t* p, uint32_t v) {
        uint16_t w = uint16_t(v);
        std::memcpy(p, &w, 2);
    }
};
template <> struct Cell<3> {
    static constexpr uint32_t kMask = 0xFFFFFF;
    static uint32_t load(const uint8_t* p) {
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
    }
    static void store(uint8_t* p, uint32_t v) {
        p[0] = uint8_t(v);
        p[1] = uint8_t(v >> 8);
        p[2] = uint8_t(v >> 16);
    }
};
template <> struct Cell<4> {
    static constexpr uint32_t kMask = 0xFFFFFFFF;
    static uint32_t load(const uint8_t* p) {
        uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
    static void store(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }
};

inline uint32_t load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline void store32(uint8_t* p, uint32_t v) {
    std::memcpy(p, &v, 4);
}

// A copy that may overlap; the common case of apart blocks takes memcpy.
inline void moveBytes(uint8_t* out, const uint8_t* in, size_t bytes) {
    if (out + bytes <= in || in + bytes <= out)
        std::memcpy(out, in, bytes);
    else
        std::memmove(out, in, bytes);
}

// --- Write modes ---------------------------------------------------------------------

// Any mode other than replace, OR and XOR acts as AND.
template <int Op> inline uint32_t apply(uint32_t d, uint32_t v) {
    if constexpr (Op == 0) return v;
    if constexpr (Op == 2) return d | v;
    if constexpr (Op == 3) return d ^ v;
    if constexpr (Op == 1) return d & v;
}

// Calls f with the write mode as a compile-time constant, so that each inner
// loop is specialised per mode and the mode is read once per call.
template <class F> inline void withOp(int32_t op, F&& f) {
    switch (op) {
        case 0: f(std::integral_constant<int, 0>{}); break;
        case 2: f(std::integral_constant<int, 2>{}); break;
        case 3: f(std::integral_constant<int, 3>{}); break;
        default: f(std::integral_constant<int, 1>{}); break;
    }
}

// --- Row conversion (render_packed_convert.cpp) ------------------------------------

// Turns rows of a source context (or wrapped bitmap) into pixels of the
// destination's depth and layout. Built once per blit, so palette look-ups are
// made once; `identical` says the source indexes may be copied as they are.
class RowConverter {
public:
    RowConverter(const GdlDeviceContext* dest, const GdlDeviceContext* src,
                 const GdlPaletteEntry* palette, int32_t identical);
    // Pointer to pixels x1 .. x2 - 1 of source row y in the destination's
    // format: straight into the source when no conversion is needed, else a
    // converted copy (null when no buffer could be had).
    const uint8_t* row(int32_t y, int32_t x1, int32_t x2);
    bool direct() const { return direct_; }

private:
    const GdlDeviceContext* src_;
    int32_t srcBits_;
    int32_t dstBits_;
    int32_t dstBytes_;
    bool direct_;
    bool srcIndexed_;
    const GdlPixelFormat* srcFormat_;
    const GdlPixelFormat* dstFormat_;
    uint32_t table_[256];
};

// One of two buffers of at least `bytes` bytes that live between calls (null
// when short): slot 0 holds repeat tables, slot 1 converted rows.
uint8_t* rowBuffer(int slot, size_t bytes);
// True when two contexts store pixels alike (depth and red/green/blue places).
bool sameLayout(const GdlDeviceContext* a, const GdlDeviceContext* b);
// The standard layout of a direct-colour depth (5:5:5, 5:6:5, red at 16).
const GdlPixelFormat* standardFormatOf(int32_t bits);

// The loops of the 32-bit xRGB to 5:6:5 (or 5:5:5) conversion, which the
// converting blits take from the widest the processor has down to the
// portable one; each gives the portable loop's pixels. One of them on `n`
// pixels: the pixels it did (the vector loops stop short of a whole step; 0
// where the processor lacks the loop).
enum class XrgbLoop { kPortable, kSse2, kAvx2 };
int32_t xrgbTo16Run(uint8_t* dst, const uint8_t* src, int32_t n, bool fiveFiveFive, XrgbLoop loop);
// The context's layout, or the standard one of its depth when it has none.
const GdlPixelFormat* formatOf(const GdlDeviceContext* dc);

// Pixels per stored cell of a depth (15 bits are stored in 16).
inline int32_t cellBytes(int32_t bits) {
    return bits == 15 ? 2 : (bits + 7) / 8;
}

// Repeat count of item i for a 16.16 scale: how many output cells it covers.
inline int32_t repeatOf(int32_t scale, int32_t i) {
    int64_t a = (int64_t(scale) * (i + 1) + 0x8000) >> 16;
    int64_t b = (int64_t(scale) * i + 0x8000) >> 16;
    return int32_t(a - b);
}

// The translating image put with a fast path for direct-colour sources onto
// direct-colour contexts; other cases go to the library's shared routine.
void translateImage(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                    int32_t destX, int32_t destY, int32_t op, const void* surface,
                    int32_t bytesPerLine, int32_t bits, const GdlPaletteEntry* palette,
                    const GdlPixelFormat* format, GdlDeviceContext* source = nullptr);

// Colour-map mode and the dithered pixel of the 8-bit driver.
void pack8DitheredPixel(int32_t x, int32_t y);
void pack8DitheredSpan(int32_t y, int32_t x1, int32_t x2);
void pack8DitheredTrapezoid(GdlEdgeWalker* w);
void pack8DitheredLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2);

// Save-under shared by every depth: the header is row bytes (16 bits), rows
// (16 bits), the byte offset of the first saved byte from the surface (32
// bits), then left, top, right, bottom (16 bits each) and a zero word.
constexpr int32_t kSaveHeader = 18;
void writeSaveHeader(uint8_t* buffer, int32_t rowBytes, int32_t rows, uint32_t offset, int32_t left,
                     int32_t top, int32_t right, int32_t bottom);
void readSaveHeader(const uint8_t* buffer, int32_t* rowBytes, int32_t* rows, uint32_t* offset);

// --- Keyed 16-bit runs ------------------------------------------------------------------

// Portable: four pixels at once in a 64-bit word. Lanes equal to the key are
// zero after the XOR; the carry trick sets bit 15 of every other lane, which
// then spreads over the lane. Returns the pixels done (a multiple of 8).
template <bool SrcKey>
inline int32_t keyRun16Portable(uint8_t* d, const uint8_t* s, int32_t n, uint16_t key) {
    const uint64_t k = uint64_t(key) * 0x0001000100010001ull;
    const uint64_t low = 0x7FFF7FFF7FFF7FFFull, high = 0x8000800080008000ull;
    int32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        for (int half = 0; half < 2; ++half) {
            uint64_t sv, dv;
            std::memcpy(&sv, s + 2 * i + 8 * half, 8);
            std::memcpy(&dv, d + 2 * i + 8 * half, 8);
            const uint64_t x = (SrcKey ? sv : dv) ^ k;
            const uint64_t top = (((x & low) + low) | x) & high;
            const uint64_t differs = (top - (top >> 15)) | top; // lanes unlike the key
            const uint64_t take = SrcKey ? differs : ~differs;
            const uint64_t out = (sv & take) | (dv & ~take);
            std::memcpy(d + 2 * i + 8 * half, &out, 8);
        }
    }
    return i;
}

// The same with the compiler's 128-bit vectors where it has them (sixteen
// pixels a step); it gives the portable path's pixels, only faster. Returns
// the pixels done (a multiple of 16, 0 without vectors).
template <bool SrcKey>
inline int32_t keyRun16Vector(uint8_t* d, const uint8_t* s, int32_t n, uint16_t key) {
#if defined(__GNUC__)
    typedef uint16_t V __attribute__((vector_size(16)));
    const V k = {key, key, key, key, key, key, key, key};
    int32_t i = 0;
    for (; i + 16 <= n; i += 16) {
        for (int half = 0; half < 2; ++half) {
            V sv, dv;
            std::memcpy(&sv, s + 2 * i + 16 * half, 16);
            std::memcpy(&dv, d + 2 * i + 16 * half, 16);
            const V take = SrcKey ? V(sv != k) : V(dv == k);
            const V out = (sv & take) | (dv & ~take);
            std::memcpy(d + 2 * i + 16 * half, &out, 16);
        }
    }
    return i;
#else
    (void)d, (void)s, (void)n, (void)key;
    return 0;
#endif
}

// --- The renderer --------------------------------------------------------------------

template <int N> struct Packed {
    using C = Cell<N>;
    // Saved rectangles are widened to whole 32-bit words of the row.
    static constexpr int32_t kAlign = N == 4 ? 1 : (N == 2 ? 2 : 4);

    static uint8_t* at(const GdlDeviceContext& d, int32_t x, int32_t y) {
        return d.surface + int64_t(y) * int32_t(d.mode.bytesPerLine) + int64_t(x) * N;
    }

    // The packed colour: the pixel repeated over a 32-bit word where it fits.
    static uint32_t replicate(uint32_t c) {
        if constexpr (N == 1) return (c & 0xFF) * 0x01010101u;
        if constexpr (N == 2) return (c & 0xFFFF) * 0x00010001u;
        return c;
    }
    static void setColor(uint32_t color) {
        S().attr.color = color;
        S().packedColor = replicate(color);
    }
    static void setBackColor(uint32_t color) {
        S().attr.backColor = color;
        S().packedBackColor = replicate(color);
    }

    // Block store of one colour over n pixels.
    static void fill(uint8_t* p, int32_t n, uint32_t packed) {
        if constexpr (N == 1) {
            std::memset(p, int(packed & 0xFF), size_t(n));
        } else if constexpr (N == 2) {
            if (n > 0 && (reinterpret_cast<uintptr_t>(p) & 2)) {
                C::store(p, packed);
                p += 2;
                --n;
            }
            uint8_t* end = p + (size_t(n) & ~size_t(1)) * 2;
            for (; p < end; p += 4)
                store32(p, packed);
            if (n & 1) C::store(p, packed);
        } else if constexpr (N == 3) {
            uint8_t pattern[12];
            for (int i = 0; i < 4; ++i)
                C::store(pattern + 3 * i, packed);
            int32_t i = 0;
            for (; i + 4 <= n; i += 4)
                std::memcpy(p + 3 * i, pattern, 12);
            for (; i < n; ++i)
                C::store(p + 3 * i, packed);
        } else {
            for (int32_t i = 0; i < n; ++i)
                store32(p + 4 * i, packed);
        }
    }

    template <int Op> static void combineRun(uint8_t* p, int32_t n, uint32_t v) {
        if constexpr (Op == 0) {
            fill(p, n, v);
        } else {
            for (int32_t i = 0; i < n; ++i, p += N)
                C::store(p, apply<Op>(C::load(p), v));
        }
    }

    // --- Pixels and rows ---------------------------------------------------------------

    static uint32_t getPixel(int32_t x, int32_t y) { return C::load(at(S(), x, y)); }

    static void putPixel(int32_t x, int32_t y) {
        GdlDeviceContext& s = S();
        uint8_t* p = at(s, x, y);
        uint32_t v = s.packedColor & C::kMask;
        withOp(s.attr.writeMode,
               [&](auto op) { C::store(p, apply<decltype(op)::value>(C::load(p), v)); });
    }

    // getRow combines the pixels into the buffer, putRow the buffer into the
    // pixels; both are one cell copy with the operation.
    static void getRow(GdlDeviceContext* dc, int32_t y, int32_t x1, int32_t x2, void* dest, int32_t,
                       int32_t op) {
        if (x2 > x1) copyCells(static_cast<uint8_t*>(dest), at(*dc, x1, y), x2 - x1, op);
    }

    static void putRow(GdlDeviceContext* dc, int32_t y, int32_t x1, int32_t x2, const void* src,
                       int32_t, int32_t op) {
        if (x2 > x1) copyCells(at(*dc, x1, y), static_cast<const uint8_t*>(src), x2 - x1, op);
    }

    static void doubleRow(uint8_t* p, const uint8_t* in, int32_t count) {
        if constexpr (N == 2) {
            for (int32_t i = 0; i < count; ++i)
                store32(p + 4 * i, (C::load(in + 2 * i)) * 0x00010001u);
        } else {
            for (int32_t i = 0; i < count; ++i) {
                uint32_t v = C::load(in + i * N);
                C::store(p + 2 * i * N, v);
                C::store(p + (2 * i + 1) * N, v);
            }
        }
    }

    static void putRowDoubled(GdlDeviceContext* dc, int32_t y, int32_t x, int32_t count,
                              const void* src) {
        if (count <= 0) return;
        doubleRow(at(*dc, x, y), static_cast<const uint8_t*>(src), count);
    }

    static void stretchRow(uint8_t* p, const uint8_t* in, int32_t count, const uint32_t* repeats) {
        for (int32_t i = 0; i < count; ++i) {
            uint32_t v = C::load(in + i * N);
            for (uint32_t k = repeats[i]; k > 0; --k, p += N)
                C::store(p, v);
        }
    }

    static void putRowStretched(GdlDeviceContext* dc, int32_t y, int32_t x, int32_t count,
                                const void* src, const uint32_t* repeats) {
        if (count <= 0) return;
        stretchRow(at(*dc, x, y), static_cast<const uint8_t*>(src), count, repeats);
    }

    template <bool SrcKey>
    static void keyRow(uint8_t* d, const uint8_t* s, int32_t n, uint32_t key) {
        int32_t i = 0;
        if constexpr (N == 2) {
            i = keyRun16Vector<SrcKey>(d, s, n, uint16_t(key));
            i += keyRun16Portable<SrcKey>(d + 2 * i, s + 2 * i, n - i, uint16_t(key));
        } else {
            const uint32_t k = key & C::kMask;
            for (; i + 8 <= n; i += 8) {
                for (int j = 0; j < 8; ++j) {
                    uint32_t v = C::load(s + (i + j) * N);
                    if (SrcKey ? v != k : C::load(d + (i + j) * N) == k)
                        C::store(d + (i + j) * N, v);
                }
            }
        }
        const uint32_t k = key & C::kMask;
        for (; i < n; ++i) {
            uint32_t v = C::load(s + i * N);
            if (SrcKey ? v != k : C::load(d + i * N) == k) C::store(d + i * N, v);
        }
    }

    static void putRowSrcKey(GdlDeviceContext* dc, int32_t y, int32_t x1, int32_t x2,
                             const void* src, uint32_t key) {
        if (x2 <= x1) return;
        keyRow<true>(at(*dc, x1, y), static_cast<const uint8_t*>(src), x2 - x1, key);
    }
    static void putRowDstKey(GdlDeviceContext* dc, int32_t y, int32_t x1, int32_t x2,
                             const void* src, uint32_t key) {
        if (x2 <= x1) return;
        keyRow<false>(at(*dc, x1, y), static_cast<const uint8_t*>(src), x2 - x1, key);
    }

    // --- Spans and fills -----------------------------------------------------------------

    static bool order(int32_t& x1, int32_t& x2) {
        if (x1 > x2) std::swap(x1, x2);
        return x1 < x2;
    }

    static void spanReplace(int32_t y, int32_t x1, int32_t x2) {
        if (!order(x1, x2)) return;
        fill(at(S(), x1, y), x2 - x1, S().packedColor);
    }

    static void spanLogical(int32_t y, int32_t x1, int32_t x2) {
        if (!order(x1, x2)) return;
        GdlDeviceContext& s = S();
        uint8_t* p = at(s, x1, y);
        // Replace goes through the block store, which needs the colour
        // replicated over the word; the logical modes combine single cells.
        const int32_t mode = s.attr.writeMode;
        const uint32_t v = mode == 0 ? s.packedColor : s.packedColor & C::kMask;
        withOp(mode, [&](auto op) { combineRun<decltype(op)::value>(p, x2 - x1, v); });
    }

    static void spanColorPattern(int32_t y, int32_t x1, int32_t x2) {
        if (!order(x1, x2)) return;
        GdlDeviceContext& s = S();
        const uint32_t* row = s.attr.colorPattern + 8 * (y & 7);
        uint8_t* p = at(s, x1, y);
        for (int32_t x = x1; x < x2; ++x, p += N)
            C::store(p, row[x & 7]);
    }

    // One-bit pattern aligned to device x: opaque (style 1) writes the back
    // colour at 0 bits, transparent (style 2) leaves them alone.
    static void spanMonoPattern(int32_t y, int32_t x1, int32_t x2) {
        GdlDeviceContext& s = S();
        if (s.attr.fillStyle == 3) {
            spanColorPattern(y, x1, x2);
            return;
        }
        if (!order(x1, x2)) return;
        const uint8_t bits = s.attr.monoPattern[y & 7];
        const bool opaque = s.attr.fillStyle == 1;
        const uint32_t fore = s.packedColor & C::kMask, back = s.packedBackColor & C::kMask;
        uint8_t* p = at(s, x1, y);
        withOp(s.attr.writeMode, [&](auto o) {
            constexpr int Op = decltype(o)::value;
            uint8_t* q = p;
            for (int32_t x = x1; x < x2; ++x, q += N) {
                if (bits & (0x80 >> (x & 7)))
                    C::store(q, apply<Op>(C::load(q), fore));
                else if (opaque)
                    C::store(q, apply<Op>(C::load(q), back));
            }
        });
    }

    static void fillRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
        if (right <= left || bottom <= top) return;
        GdlDeviceContext& s = S();
        uint8_t* p = at(s, left, top);
        const int32_t pitch = int32_t(s.mode.bytesPerLine);
        for (int32_t y = top; y < bottom; ++y, p += pitch)
            fill(p, right - left, s.packedColor);
    }

    static void spanList(int32_t firstRow, int32_t count, const GdlSpan16* list) {
        for (int32_t i = 0; i < count; ++i)
            spanReplace(firstRow + i, list[i].x1, list[i].x2);
    }

    template <void (*Span)(int32_t, int32_t, int32_t)> static void trapezoidWith(GdlEdgeWalker* w) {
        int32_t left = w->leftX, right = w->rightX;
        for (int32_t i = 0; i < w->count; ++i) {
            Span(w->row + i, roundFx(left), roundFx(right));
            // Wraps as 32-bit values do (edges far outside the surface).
            left = int32_t(uint32_t(left) + uint32_t(w->leftStep));
            right = int32_t(uint32_t(right) + uint32_t(w->rightStep));
        }
        if (w->count > 0) {
            w->row += w->count;
            w->leftX = left;
            w->rightX = right;
        }
    }
    static void trapezoid(GdlEdgeWalker* w) { trapezoidWith<spanReplace>(w); }

    // --- Lines -------------------------------------------------------------------------

    // One-pixel line with both ends; `tie` makes the minor step also at a
    // decision value of exactly 0 (the logical-mode line).
    template <class Plot>
    static void walkLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, bool tie, Plot&& plot) {
        gdl_internal::walkFixedLine(x1, y1, x2, y2, {tie, true}, plot);
    }

    static void line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
        GdlDeviceContext& s = S();
        const uint32_t v = s.packedColor & C::kMask;
        const int32_t pitch = int32_t(s.mode.bytesPerLine);
        uint8_t* base = s.surface;
        withOp(s.attr.writeMode, [&](auto o) {
            constexpr int Op = decltype(o)::value;
            walkLine(x1, y1, x2, y2, Op != 0, [&](int32_t x, int32_t y) {
                uint8_t* p = base + int64_t(y) * pitch + int64_t(x) * N;
                C::store(p, apply<Op>(C::load(p), v));
            });
        });
    }

    // Dotted line in the packed colour, replace: the k-th pixel is drawn when
    // the current style bit is set. Bits are used from the phase upwards and
    // the style starts again at bit 0 once no set bit is left above.
    static void styledLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
        GdlDeviceContext& s = S();
        const uint32_t style = s.attr.lineStyle & 0xFFFF;
        const uint32_t v = s.packedColor & C::kMask;
        uint32_t bit = s.attr.lineStylePos & 15;
        if ((style >> bit) == 0) bit = 0;
        uint32_t pixels = 0;
        walkLine(x1, y1, x2, y2, false, [&](int32_t x, int32_t y) {
            ++pixels;
            if (style == 0) return;
            if ((style >> bit) & 1) C::store(at(s, x, y), v);
            bit = (style >> (bit + 1)) == 0 ? 0 : bit + 1;
        });
        s.attr.lineStylePos += pixels;
    }

    // --- Monochrome images -------------------------------------------------------------

    static void putMonoImage(GdlDeviceContext* dc, int32_t x, int32_t y, int32_t bytesPerLine,
                             int32_t rows, const uint8_t* bits) {
        if (!dc || !bits || bytesPerLine <= 0 || rows <= 0) return;
        const GdlRect& c = dc->clipDevice;
        const int64_t right = int64_t(x) + 8 * int64_t(bytesPerLine), bottom = int64_t(y) + rows;
        const int32_t mode = dc->attr.writeMode;
        const uint32_t v = dc->packedColor & C::kMask;
        const int32_t pitch = int32_t(dc->mode.bytesPerLine);
        if (x >= c.left && y >= c.top && right < c.right && bottom < c.bottom && mode == 0) {
            // Wholly inside: no clipping at all.
            for (int32_t r = 0; r < rows; ++r) {
                const uint8_t* src = bits + int64_t(r) * bytesPerLine;
                uint8_t* p = at(*dc, x, y + r);
                for (int32_t b = 0; b < bytesPerLine; ++b, p += 8 * N)
                    for (int32_t k = 0; k < 8; ++k)
                        if (src[b] & (0x80 >> k)) C::store(p + k * N, v);
            }
            return;
        }
        const int64_t x0 = std::max<int64_t>(x, c.left), x1 = std::min<int64_t>(right, c.right);
        const int64_t y0 = std::max<int64_t>(y, c.top), y1 = std::min<int64_t>(bottom, c.bottom);
        if (x0 >= x1 || y0 >= y1) return;
        withOp(mode, [&](auto o) {
            constexpr int Op = decltype(o)::value;
            for (int64_t row = y0; row < y1; ++row) {
                const uint8_t* src = bits + (row - y) * bytesPerLine;
                uint8_t* p = dc->surface + row * pitch;
                for (int64_t px = x0; px < x1; ++px) {
                    int64_t i = px - x;
                    if (src[i >> 3] & (0x80 >> (i & 7))) {
                        uint8_t* q = p + px * N;
                        C::store(q, apply<Op>(C::load(q), v));
                    }
                }
            }
        });
    }

    // --- Memory images -----------------------------------------------------------------

    static void copyToMemory(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t memX,
                             int32_t memY, int32_t op, void* memory, int32_t bytesPerLine) {
        if (right <= left || bottom <= top || !memory) return;
        GdlDeviceContext& s = S();
        auto* base = static_cast<uint8_t*>(memory);
        if (wholeRows(s, left, right, memX, bytesPerLine)) {
            copyCells(base + int64_t(memY) * bytesPerLine, at(s, 0, top),
                      (bottom - top) * (right - left), op);
            return;
        }
        for (int32_t r = 0; r < bottom - top; ++r) {
            uint8_t* out = base + int64_t(memY + r) * bytesPerLine + int64_t(memX) * N;
            const uint8_t* in = at(s, left, top + r);
            copyCells(out, in, right - left, op);
        }
    }

    static void copyFromMemory(int32_t left, int32_t top, int32_t right, int32_t bottom,
                               int32_t destX, int32_t destY, int32_t op, const void* memory,
                               int32_t bytesPerLine, GdlDeviceContext* = nullptr) {
        if (right <= left || bottom <= top || !memory) return;
        GdlDeviceContext& s = S();
        const auto* base = static_cast<const uint8_t*>(memory);
        if (wholeRows(s, left, right, destX, bytesPerLine)) {
            copyCells(at(s, 0, destY), base + int64_t(top) * bytesPerLine,
                      (bottom - top) * (right - left), op);
            return;
        }
        for (int32_t r = 0; r < bottom - top; ++r) {
            const uint8_t* in = base + int64_t(top + r) * bytesPerLine + int64_t(left) * N;
            copyCells(at(s, destX, destY + r), in, right - left, op);
        }
    }

    // Rows that fill both images edge to edge with no gaps are one block.
    static bool wholeRows(const GdlDeviceContext& s, int32_t left, int32_t right, int32_t memX,
                          int32_t bytesPerLine) {
        const int32_t rowBytes = (right - left) * N;
        return left == 0 && memX == 0 && int32_t(s.mode.bytesPerLine) == rowBytes &&
               bytesPerLine == rowBytes;
    }

    static void copyCells(uint8_t* out, const uint8_t* in, int32_t n, int32_t op) {
        withOp(op, [&](auto o) {
            constexpr int Op = decltype(o)::value;
            if constexpr (Op == 0) {
                moveBytes(out, in, size_t(n) * N);
            } else {
                for (int32_t i = 0; i < n; ++i)
                    C::store(out + i * N, apply<Op>(C::load(out + i * N), C::load(in + i * N)));
            }
        });
    }

    // A rectangle moved within the current context; rows run in the order that
    // keeps an overlapping source intact.
    static void copyWithin(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t destX,
                           int32_t destY, int32_t op, int32_t) {
        if (right <= left || bottom <= top) return;
        GdlDeviceContext& s = S();
        const int32_t rows = bottom - top, n = right - left;
        const bool upward = destY > top; // later rows first
        const bool backward = destX > left && destY == top && op != 0;
        for (int32_t i = 0; i < rows; ++i) {
            int32_t r = upward ? rows - 1 - i : i;
            uint8_t* out = at(s, destX, destY + r);
            const uint8_t* in = at(s, left, top + r);
            if (!backward) {
                copyCells(out, in, n, op);
            } else {
                withOp(op, [&](auto o) {
                    constexpr int Op = decltype(o)::value;
                    for (int32_t k = n - 1; k >= 0; --k)
                        C::store(out + k * N, apply<Op>(C::load(out + k * N), C::load(in + k * N)));
                });
            }
        }
    }

    // --- Save-under ---------------------------------------------------------------------

    static void widen(int32_t& left, int32_t& right) {
        left = left / kAlign * kAlign;
        right = (right + kAlign - 1) / kAlign * kAlign;
    }

    static int32_t saveRectSize(GdlDeviceContext*, int32_t left, int32_t top, int32_t right,
                                int32_t bottom) {
        widen(left, right);
        return (right - left) * N * (bottom - top) + kSaveHeader;
    }

    static void saveRect(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right,
                         int32_t bottom, void* buffer) {
        const int32_t l0 = left, r0 = right;
        widen(left, right);
        // A row widened past the surface's last column keeps within its bytes.
        right = std::min(right, dc->bounds.right);
        const int32_t rowBytes = std::max(0, right - left) * N, rows = std::max(0, bottom - top);
        auto* out = static_cast<uint8_t*>(buffer);
        const uint32_t offset = uint32_t(int64_t(top) * int32_t(dc->mode.bytesPerLine) + left * N);
        writeSaveHeader(out, rowBytes, rows, offset, l0, top, r0, bottom);
        out += kSaveHeader;
        for (int32_t r = 0; r < rows; ++r, out += rowBytes)
            std::memcpy(out, at(*dc, left, top + r), size_t(rowBytes));
    }

    static void restoreRect(GdlDeviceContext* dc, const void* buffer) {
        const auto* in = static_cast<const uint8_t*>(buffer);
        int32_t rowBytes, rows;
        uint32_t offset;
        readSaveHeader(in, &rowBytes, &rows, &offset);
        in += kSaveHeader;
        uint8_t* p = dc->surface + offset;
        for (int32_t r = 0; r < rows; ++r, in += rowBytes, p += dc->mode.bytesPerLine)
            std::memcpy(p, in, size_t(rowBytes));
    }

    // --- Blits between contexts ------------------------------------------------------------

    // Each source row twice, same width.
    static void blitRowDoubled(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left,
                               int32_t top, int32_t right, int32_t bottom, int32_t destX,
                               int32_t destY, const GdlPaletteEntry* palette, int32_t identical) {
        if (right <= left || bottom <= top) return;
        // Sub-byte sources have no row converter here; the render core's
        // converting blit reads them in their own layout.
        if (src->mode.bitsPerPixel < 8)
            return DRV_stretch1x2(dest, src, left, top, right, bottom, destX, destY, palette,
                                  identical);
        RowConverter conv(dest, src, palette, identical);
        const size_t bytes = size_t(right - left) * N;
        for (int32_t j = top; j < bottom; ++j) {
            const uint8_t* in = conv.row(j, left, right);
            if (!in) return;
            int32_t y = destY + 2 * (j - top);
            std::memcpy(at(*dest, destX, y), in, bytes);
            std::memcpy(at(*dest, destX, y + 1), in, bytes);
        }
    }

    // Each source pixel becomes a 2 x 2 block.
    static void blitZoom2(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left, int32_t top,
                          int32_t right, int32_t bottom, int32_t destX, int32_t destY,
                          const GdlPaletteEntry* palette, int32_t identical) {
        if (right <= left || bottom <= top) return;
        if (src->mode.bitsPerPixel < 8)
            return DRV_stretch2x2(dest, src, left, top, right, bottom, destX, destY, palette,
                                  identical);
        RowConverter conv(dest, src, palette, identical);
        const int32_t n = right - left;
        for (int32_t j = top; j < bottom; ++j) {
            const uint8_t* in = conv.row(j, left, right);
            if (!in) return;
            int32_t y = destY + 2 * (j - top);
            uint8_t* first = at(*dest, destX, y);
            doubleRow(first, in, n);
            std::memcpy(at(*dest, destX, y + 1), first, size_t(2 * n) * N);
        }
    }

    // One stretched row: output cell o is the source cell at byte offset
    // from[o]. Cells of 2 and 4 bytes are gathered eight bytes at a time and
    // stored at once (on little-endian processors, where the first cell is
    // the low bytes), which keeps the loads of a group independent.
    static void stretchRow(uint8_t* out, const uint8_t* in, const uint32_t* from, int32_t width) {
        int32_t o = 0;
        if constexpr (std::endian::native == std::endian::little && N == 2) {
            for (; o + 4 <= width; o += 4) {
                const uint64_t word = uint64_t(C::load(in + from[o])) |
                                      uint64_t(C::load(in + from[o + 1])) << 16 |
                                      uint64_t(C::load(in + from[o + 2])) << 32 |
                                      uint64_t(C::load(in + from[o + 3])) << 48;
                std::memcpy(out + o * N, &word, 8);
            }
        } else if constexpr (std::endian::native == std::endian::little && N == 4) {
            for (; o + 2 <= width; o += 2) {
                const uint64_t word =
                    uint64_t(C::load(in + from[o])) | uint64_t(C::load(in + from[o + 1])) << 32;
                std::memcpy(out + o * N, &word, 8);
            }
        }
        for (; o < width; ++o)
            C::store(out + o * N, C::load(in + from[o]));
    }

    static void stretchBlit(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left,
                            int32_t top, int32_t right, int32_t bottom, int32_t destX,
                            int32_t destY, int32_t xScale, int32_t yScale,
                            const GdlPaletteEntry* palette, int32_t identical, int32_t xPhase,
                            int32_t yPhase) {
        if (right <= left || bottom <= top) return;
        if (src->mode.bitsPerPixel < 8)
            return DRV_convertBlt(dest, src, left, top, right, bottom, destX, destY, xScale, yScale,
                                  palette, identical, xPhase, yPhase);
        const int32_t n = right - left;
        int32_t width = 0;
        for (int32_t i = 0; i < n; ++i)
            width += std::max(0, repeatOf(xScale, i + xPhase));
        // The source column of each output column, made once for every
        // output row: a row is then one load and one store a pixel, with no
        // branch on the repeat counts (a reduction's pattern of ones and
        // zeros is one the processor mispredicts).
        auto* from = reinterpret_cast<uint32_t*>(rowBuffer(0, size_t(width) * 4 + 4));
        if (!from) return;
        for (int32_t i = 0, o = 0; i < n; ++i)
            for (int32_t k = repeatOf(xScale, i + xPhase); k > 0; --k)
                from[o++] = uint32_t(i * N); // the byte offset in the source row
        RowConverter conv(dest, src, palette, identical);
        int32_t y = destY;
        const int32_t maxY = dest->bounds.bottom;
        for (int32_t j = 0; j < bottom - top && y < maxY; ++j) {
            // The row position is kept as a signed 16-bit value.
            int32_t count = int16_t(repeatOf(yScale, j + yPhase));
            if (count <= 0) continue;
            const uint8_t* in = conv.row(top + j, left, right);
            if (!in) return;
            uint8_t* first = at(*dest, destX, y);
            stretchRow(first, in, from, width);
            for (int32_t k = 1; k < count && y + k < maxY; ++k)
                std::memcpy(at(*dest, destX, y + k), first, size_t(width) * N);
            y += count;
        }
    }

    template <bool SrcKey>
    static void transparent(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left,
                            int32_t top, int32_t right, int32_t bottom, int32_t destX,
                            int32_t destY, int32_t, uint32_t key) {
        if (right <= left || bottom <= top) return;
        for (int32_t j = top; j < bottom; ++j)
            keyRow<SrcKey>(at(*dest, destX, destY + (j - top)), at(*src, left, j), right - left,
                           key);
    }

    // --- Row scans ------------------------------------------------------------------------

    template <bool Equal> static int32_t scanRight(int32_t x, int32_t y, uint32_t color) {
        GdlDeviceContext& s = S();
        const int32_t last = int32_t(s.mode.maxX);
        const uint32_t c = color & C::kMask;
        const uint8_t* p = at(s, x, y);
        for (; x <= last; ++x, p += N)
            if ((C::load(p) == c) == Equal) return x;
        return last + 1;
    }
    template <bool Equal> static int32_t scanLeft(int32_t x, int32_t y, uint32_t color) {
        GdlDeviceContext& s = S();
        const uint32_t c = color & C::kMask;
        for (; x >= 0; --x)
            if ((C::load(at(s, x, y)) == c) == Equal) return x;
        return -1;
    }

    static void noSpan(int32_t, int32_t, int32_t) {}

    // --- Vector ---------------------------------------------------------------------------

    // Fills the render vector in the order of groups; later stores overwrite
    // earlier ones in the nine tables.
    static void setup(GdlDeviceContext* dc) {
        GdlRenderVector& v = dc->v;
        DRV_setGenericRenderers(dc);
        DRV_setDefaultBlits(dc); // the cursor image and what is not overridden below
        dc->flags |= 2;
        dc->packedDriver = 1;
        v.setColor = setColor;
        v.setBackColor = setBackColor;
        v.getPixel = getPixel;
        v.putPixel = putPixel;
        v.getRow = getRow;
        v.putRow = putRow;
        // Patterned and wide lines (tables 2 to 7) are the render core's,
        // made of spans; the driver's own line serves tables 0, 1 and 8.
        v.tables[0].line = line;
        v.tables[1].line = line;
        v.tables[8].line = line;
        GdlSpanFunc spans[4] = {spanReplace, spanLogical, spanMonoPattern, spanColorPattern};
        for (int t = 0; t < 8; ++t)
            v.tables[t].span = spans[t & 3];
        // Colour-map spans exist only at 8 bits; elsewhere they draw nothing.
        v.tables[8].span = noSpan;
        DRV_setRenderSlot2(dc, DRV_genericFillRect);
        v.tables[0].fillRect = fillRect;
        DRV_setRenderSlot3(dc, DRV_spanList);
        v.tables[0].spanList = spanList;
        DRV_setRenderSlot4(dc, DRV_trapezoid);
        v.tables[0].trapezoid = trapezoid;
        v.putMonoImage = putMonoImage;
        v.copyToMemory = copyToMemory;
        v.copyFromMemory = copyFromMemory;
        v.saveRectSize = saveRectSize;
        v.saveRect = saveRect;
        v.restoreRect = restoreRect;
        v.putRowDoubled = putRowDoubled;
        v.putRowStretched = putRowStretched;
        v.blitRowDoubled = blitRowDoubled;
        v.blitZoom2 = blitZoom2;
        v.stretchBlit = stretchBlit;
        v.styledLine = styledLine;
        v.putRowSrcKey = putRowSrcKey;
        v.putRowDstKey = putRowDstKey;
        v.translateImage = translateImage;
        v.srcTransparentBlt = transparent<true>;
        v.dstTransparentBlt = transparent<false>;
        v.copyWithin = copyWithin;
        v.scanRightTo = scanRight<true>;
        v.scanLeftTo = scanLeft<true>;
        v.scanRightWhile = scanRight<false>;
        v.scanLeftWhile = scanLeft<false>;
        DRV_setShadingEntries(dc);
    }
};

} // namespace gdl_packed
