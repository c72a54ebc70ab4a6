// The banked render set of the SVGA drivers at 8, 16, 24 and 32 bits: video
// memory seen through one 64 KB window whose bank is moved by
// Vbe_switchBank. One template over the bytes a pixel takes; the depths
// differ in how a colour is stored and in the pixels that straddle the
// window end, which only 24 bits have (65536 is no multiple of 3).
//
// A place in video memory is a 32-bit value, bank << 16 | window offset, so
// that moving right or down carries into the bank as the hardware's 16-bit
// offset would. Every access goes through the window at its offset (masked to
// 64 KB) and a run of bytes is cut at the window end, so nothing outside the
// window's 64 KB is ever touched, whatever the arguments.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "gdl/dc.h"
#include "gdl/defaultdraw.h"
#include "gdl/modetiming.h"
#include "gdl/render.h"
#include "line_walker.h"
#include "render_packed.h"

namespace gdl_banked {

using gdl_packed::apply;
using gdl_packed::Cell;
using gdl_packed::withOp;

inline GdlDeviceContext& S() {
    return GDL_stateBlock;
}

// Selects the bank of a place unless it is the current one.
inline void selectBank(uint32_t place) {
    const uint8_t bank = uint8_t(place >> 16);
    if (Vbe_state().currentBank != bank) Vbe_switchBank(bank);
}

constexpr uint32_t kWindow = 0x10000;

// Block store of a colour replicated over 32-bit words: a 16-bit store to
// reach a 4-byte boundary, then words, a last 16-bit store; the widest
// stores the processor has (svga_render.cpp).
void fillWords(uint8_t* q, uint32_t bytes, uint32_t packed);

// The save area's header: row bytes (16 bits), rows (16 bits), the window
// offset of the first saved byte (32 bits), its bank (16 bits), then zeros to
// the packed drivers' 18 bytes.
constexpr int32_t kSaveHeader = 18;

template <int N> struct Banked {
    using C = Cell<N>;
    static constexpr int32_t kAlign = N == 4 ? 1 : (N == 2 ? 2 : 4);
    static constexpr uint32_t kMask = C::kMask;

    // --- Places ----------------------------------------------------------------------

    // The place of the active page's first byte: its first bank and the
    // window offset of the context's surface.
    static uint32_t origin(const GdlDeviceContext& d) {
        const uint32_t low = d.frameBase && d.surface >= d.frameBase
                                 ? uint32_t(d.surface - d.frameBase) & 0xFFFF
                                 : 0;
        return (uint32_t(d.firstBank & 0xFF) << 16) + low;
    }
    // Rows are bytes per line apart (a 16-bit quantity); a negative x lies
    // below the row start.
    static uint32_t place(const GdlDeviceContext& d, int32_t x, int32_t y) {
        const uint32_t pitch = d.mode.bytesPerLine & 0xFFFF;
        return origin(d) + uint32_t(y) * pitch + uint32_t(x) * uint32_t(N);
    }
    static uint8_t* at(const GdlDeviceContext& d, uint32_t p) { return d.frameBase + (p & 0xFFFF); }
    static uint32_t pixelsPerLine(const GdlDeviceContext& d) {
        return (d.mode.bytesPerLine & 0xFFFF) / N;
    }

    // --- Pixels ------------------------------------------------------------------------

    // A pixel whose bytes all lie in the window is one access; one that
    // straddles its end is taken byte by byte, each in its own bank.
    static uint32_t load(const GdlDeviceContext& d, uint32_t p) {
        if ((p & 0xFFFF) <= kWindow - N) {
            selectBank(p);
            return C::load(at(d, p));
        }
        uint32_t v = 0;
        for (int i = 0; i < N; ++i) {
            selectBank(p + i);
            v |= uint32_t(*at(d, p + i)) << (8 * i);
        }
        return v;
    }

    // Write modes are bitwise, so combining byte by byte is combining the pixel.
    template <int Op> static void store(const GdlDeviceContext& d, uint32_t p, uint32_t v) {
        if ((p & 0xFFFF) <= kWindow - N) {
            selectBank(p);
            uint8_t* q = at(d, p);
            C::store(q, apply<Op>(C::load(q), v));
            return;
        }
        for (int i = 0; i < N; ++i) {
            selectBank(p + i);
            uint8_t* q = at(d, p + i);
            *q = uint8_t(apply<Op>(*q, (v >> (8 * i)) & 0xFF));
        }
    }

    // --- Runs of bytes -----------------------------------------------------------------

    // Hands each piece of a run of bytes that lies in one bank to
    // f(window pointer, bytes, bytes before it), with that bank selected. A
    // run that ends exactly at the window end leaves the next bank selected,
    // where the next row goes on.
    template <class F>
    static void pieces(const GdlDeviceContext& d, uint32_t p, uint32_t bytes, F&& f) {
        if (!d.frameBase || bytes == 0) return;
        uint32_t done = 0;
        while (done < bytes) {
            const uint32_t off = (p + done) & 0xFFFF;
            const uint32_t n = std::min(bytes - done, kWindow - off);
            selectBank(p + done);
            f(d.frameBase + off, n, done);
            done += n;
        }
        if (((p + bytes) & 0xFFFF) == 0) selectBank(p + bytes);
    }

    // The colour's bytes repeated from byte `phase` of a pixel on.
    template <int Op>
    static void patternBytes(uint8_t* q, uint32_t n, const uint8_t* colour, uint32_t phase) {
        if constexpr (Op == 0 && N == 3) {
            uint8_t run[24];
            for (int i = 0; i < 24; ++i)
                run[i] = colour[i % 3];
            const uint8_t* from = run + phase;
            uint32_t i = 0;
            for (; i + 12 <= n; i += 12)
                std::memcpy(q + i, from, 12);
            for (; i < n; ++i)
                q[i] = from[i % 12];
        } else {
            uint32_t k = phase;
            for (uint32_t i = 0; i < n; ++i) {
                q[i] = uint8_t(apply<Op>(q[i], colour[k]));
                k = k + 1 == uint32_t(N) ? 0 : k + 1;
            }
        }
    }

    // n pixels of one colour from place p: block stores where pixels lie
    // whole in a piece, the colour's bytes in turn where one straddles.
    template <int Op>
    static void fillRun(const GdlDeviceContext& d, uint32_t p, int64_t n, uint32_t colour) {
        if (n <= 0) return;
        uint8_t bytes[4];
        for (int i = 0; i < 4; ++i)
            bytes[i] = uint8_t(colour >> (8 * i));
        const uint32_t packed = gdl_packed::Packed<N>::replicate(colour);
        pieces(d, p, uint32_t(n * N), [&](uint8_t* q, uint32_t len, uint32_t before) {
            if constexpr (Op == 0 && N != 3) {
                if (len % N == 0 && before % N == 0) {
                    if constexpr (N == 1)
                        std::memset(q, int(packed & 0xFF), len);
                    else
                        fillWords(q, len, packed);
                    return;
                }
            }
            patternBytes<Op>(q, len, bytes, before % N);
        });
    }

    // Bytes between the window and memory, with a write mode combining into
    // the destination (bitwise, so byte by byte is pixel by pixel).
    template <int Op> static void combineBytes(uint8_t* out, const uint8_t* in, uint32_t n) {
        if constexpr (Op == 0) {
            std::memcpy(out, in, n);
        } else {
            for (uint32_t i = 0; i < n; ++i)
                out[i] = uint8_t(apply<Op>(out[i], in[i]));
        }
    }
    static void toWindow(const GdlDeviceContext& d, uint32_t p, const uint8_t* in, uint32_t n,
                         int32_t op) {
        withOp(op, [&](auto o) {
            pieces(d, p, n, [&](uint8_t* q, uint32_t len, uint32_t before) {
                combineBytes<decltype(o)::value>(q, in + before, len);
            });
        });
    }
    static void fromWindow(const GdlDeviceContext& d, uint32_t p, uint8_t* out, uint32_t n,
                           int32_t op) {
        withOp(op, [&](auto o) {
            pieces(d, p, n, [&](uint8_t* q, uint32_t len, uint32_t before) {
                combineBytes<decltype(o)::value>(out + before, q, len);
            });
        });
    }

    // --- Attributes --------------------------------------------------------------------

    static void setColor(uint32_t color) {
        S().attr.color = color;
        S().packedColor = gdl_packed::Packed<N>::replicate(color);
    }
    static void setBackColor(uint32_t color) {
        S().attr.backColor = color;
        S().packedBackColor = gdl_packed::Packed<N>::replicate(color);
    }

    // --- Pixels, spans, rectangles -------------------------------------------------------

    static uint32_t getPixel(int32_t x, int32_t y) { return load(S(), place(S(), x, y)); }

    static void putPixel(int32_t x, int32_t y) {
        GdlDeviceContext& s = S();
        const uint32_t p = place(s, x, y), v = s.packedColor & kMask;
        withOp(s.attr.writeMode, [&](auto o) { store<decltype(o)::value>(s, p, v); });
    }

    // x1 .. x2 - 1 of row y (the ends exchanged when x2 < x1), in the fill
    // style: solid, the opaque or transparent one-bit pattern anchored to
    // device x, or the colour pattern through the library's generic span.
    static void span(int32_t y, int32_t x1, int32_t x2) {
        if (x1 == x2) return;
        if (x2 < x1) std::swap(x1, x2);
        GdlDeviceContext& s = S();
        const int32_t style = s.attr.fillStyle;
        if (style != 0 && style != 1 && style != 2) {
            DRV_scanLine(y, x1, x2);
            return;
        }
        const uint32_t fore = s.packedColor & kMask, back = s.packedBackColor & kMask;
        uint32_t p = place(s, x1, y);
        withOp(s.attr.writeMode, [&](auto o) {
            constexpr int Op = decltype(o)::value;
            if (style == 0) {
                fillRun<Op>(s, p, int64_t(x2) - x1, fore);
                return;
            }
            const uint8_t bits = s.attr.monoPattern[y & 7];
            for (int32_t x = x1; x < x2; ++x, p += N) {
                if (bits & (0x80 >> (x & 7)))
                    store<Op>(s, p, fore);
                else if (style == 1)
                    store<Op>(s, p, back);
            }
        });
    }

    static bool solidReplace(const GdlDeviceContext& s) {
        return s.attr.writeMode == 0 && s.attr.fillStyle == 0;
    }

    static void fillRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
        if (right <= left || bottom <= top) return;
        GdlDeviceContext& s = S();
        if (!solidReplace(s)) {
            for (int32_t y = top; y < bottom; ++y)
                s.v.current.span(y, left, right);
            return;
        }
        const uint32_t colour = s.packedColor & kMask;
        const uint32_t pitch = s.mode.bytesPerLine & 0xFFFF;
        const uint32_t bytes = uint32_t(int64_t(right - left) * N);
        uint32_t p = place(s, left, top);
        const VbeState& bank = Vbe_state();
        uint8_t* const window = s.frameBase;
        const uint32_t packed = gdl_packed::Packed<N>::replicate(colour);
        for (int32_t y = top; y < bottom; ++y, p += pitch) {
            // A row before the window end in the bank selected: one block store.
            if constexpr (N != 3) {
                if ((p & 0xFFFF) + bytes < kWindow && bank.currentBank == uint8_t(p >> 16) &&
                    (p & (N - 1)) == 0) {
                    fillWords(window + (p & 0xFFFF), bytes, packed);
                    continue;
                }
            }
            fillRun<0>(s, p, int64_t(right) - left, colour);
        }
    }

    // The x pairs are unsigned 16-bit values.
    static void spanList(int32_t firstRow, int32_t count, const GdlSpan16* list) {
        if (!list) return;
        GdlDeviceContext& s = S();
        const bool solid = solidReplace(s);
        const uint32_t colour = s.packedColor & kMask;
        for (int32_t i = 0; i < count; ++i) {
            int32_t a = uint16_t(list[i].x1), b = uint16_t(list[i].x2);
            if (a == b) continue;
            if (a > b) std::swap(a, b);
            if (solid)
                fillRun<0>(s, place(s, a, firstRow + i), b - a, colour);
            else
                s.v.current.span(firstRow + i, a, b);
        }
    }

    // One-pixel line: 16.16 ends, x1 <= x2; a tie steps along the major axis
    // only; a vertical line covers the rows of its rounded ends.
    static void line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
        GdlDeviceContext& s = S();
        const uint32_t v = s.packedColor & kMask;
        withOp(s.attr.writeMode, [&](auto o) {
            gdl_internal::walkFixedLine(x1, y1, x2, y2, {false, true}, [&](int32_t x, int32_t y) {
                store<decltype(o)::value>(s, place(s, x, y), v);
            });
        });
    }

    // 1 bits in the colour with the write mode, clipped to the device clip
    // rectangle; rows skipped above it are counted in full width.
    static void putMonoImage(GdlDeviceContext* dc, int32_t x, int32_t y, int32_t bytesPerRow,
                             int32_t rows, const uint8_t* bits) {
        if (!dc || !bits || bytesPerRow <= 0 || rows <= 0) return;
        const GdlRect& c = dc->clipDevice;
        const int64_t x0 = std::max<int64_t>(x, c.left);
        const int64_t x1 = std::min<int64_t>(int64_t(x) + 8 * int64_t(bytesPerRow), c.right);
        const int64_t y0 = std::max<int64_t>(y, c.top);
        const int64_t y1 = std::min<int64_t>(int64_t(y) + rows, c.bottom);
        if (x0 >= x1 || y0 >= y1) return;
        const uint32_t v = dc->packedColor & kMask;
        const uint32_t pitch = dc->mode.bytesPerLine & 0xFFFF;
        withOp(dc->attr.writeMode, [&](auto o) {
            constexpr int Op = decltype(o)::value;
            uint32_t row = place(*dc, int32_t(x0), int32_t(y0));
            for (int64_t r = y0; r < y1; ++r, row += pitch) {
                const uint8_t* src = bits + (r - y) * int64_t(bytesPerRow);
                uint32_t p = row;
                for (int64_t px = x0; px < x1; ++px, p += N) {
                    const int64_t i = px - x;
                    if (src[i >> 3] & (0x80 >> (i & 7))) store<Op>(*dc, p, v);
                }
            }
        });
    }

    // --- Rows ----------------------------------------------------------------------------

    static void getRow(GdlDeviceContext* dc, int32_t y, int32_t x1, int32_t x2, void* dest, int32_t,
                       int32_t op) {
        if (!dc || !dest || x2 <= x1) return;
        fromWindow(*dc, place(*dc, x1, y), static_cast<uint8_t*>(dest),
                   uint32_t(int64_t(x2 - x1) * N), op);
    }

    static void putRow(GdlDeviceContext* dc, int32_t y, int32_t x1, int32_t x2, const void* src,
                       int32_t, int32_t op) {
        if (!dc || !src || x2 <= x1) return;
        toWindow(*dc, place(*dc, x1, y), static_cast<const uint8_t*>(src),
                 uint32_t(int64_t(x2 - x1) * N), op);
    }

    // Rows made in a buffer a chunk at a time, then put as one run each.
    static constexpr int32_t kChunk = 1024; // pixels

    static void putRowDoubled(GdlDeviceContext* dc, int32_t y, int32_t x, int32_t count,
                              const void* src) {
        if (!dc || !src || count <= 0) return;
        const auto* in = static_cast<const uint8_t*>(src);
        uint8_t buffer[kChunk * N];
        uint32_t p = place(*dc, x, y);
        for (int32_t i = 0; i < count; i += kChunk / 2) {
            const int32_t n = std::min(kChunk / 2, count - i);
            for (int32_t k = 0; k < n; ++k) {
                const uint32_t v = C::load(in + int64_t(i + k) * N);
                C::store(buffer + 2 * k * N, v);
                C::store(buffer + (2 * k + 1) * N, v);
            }
            toWindow(*dc, p, buffer, uint32_t(2 * n * N), 0);
            p += uint32_t(2 * n * N);
        }
    }

    // Source pixel i repeat[i] times (the count's low 16 bits), never past the
    // end of the row.
    static void putRowStretched(GdlDeviceContext* dc, int32_t y, int32_t x, int32_t count,
                                const void* src, const uint32_t* repeats) {
        if (!dc || !src || !repeats || count <= 0) return;
        const auto* in = static_cast<const uint8_t*>(src);
        int64_t room = int64_t(pixelsPerLine(*dc)) - x;
        uint8_t buffer[kChunk * N];
        int32_t held = 0;
        uint32_t p = place(*dc, x, y);
        auto flush = [&] {
            toWindow(*dc, p, buffer, uint32_t(held * N), 0);
            p += uint32_t(held * N);
            held = 0;
        };
        for (int32_t i = 0; i < count && room > 0; ++i) {
            const uint32_t v = C::load(in + int64_t(i) * N);
            for (uint32_t k = repeats[i] & 0xFFFF; k > 0 && room > 0; --k, --room) {
                C::store(buffer + held * N, v);
                if (++held == kChunk) flush();
            }
        }
        if (held) flush();
    }

    template <bool SrcKey>
    static void keyRow(GdlDeviceContext* dc, int32_t y, int32_t x1, int32_t x2, const void* src,
                       uint32_t key) {
        if (!dc || !src || x2 <= x1) return;
        const auto* in = static_cast<const uint8_t*>(src);
        const int64_t n = int64_t(x2) - x1;
        uint32_t p = place(*dc, x1, y);
        if ((p & 0xFFFF) + n * N <= kWindow) {
            // Within one bank: the packed drivers' keyed loop.
            selectBank(p);
            gdl_packed::Packed<N>::template keyRow<SrcKey>(at(*dc, p), in, int32_t(n), key);
            return;
        }
        const uint32_t k = key & kMask;
        for (int64_t i = 0; i < n; ++i, p += N) {
            const uint32_t v = C::load(in + i * N);
            if (SrcKey ? v != k : load(*dc, p) == k) store<0>(*dc, p, v);
        }
    }

    // Memory rows onto the screen; a write mode other than replace goes
    // through the library's row-by-row put.
    static void putImage(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t destX,
                         int32_t destY, int32_t op, const void* memory, int32_t bytesPerLine,
                         GdlDeviceContext* source) {
        if (op != 0) {
            DRV_putImage(left, top, right, bottom, destX, destY, op, memory, bytesPerLine, source);
            return;
        }
        if (right <= left || bottom <= top || !memory) return;
        GdlDeviceContext& s = S();
        const auto* base = static_cast<const uint8_t*>(memory);
        const uint32_t pitch = s.mode.bytesPerLine & 0xFFFF;
        const uint32_t bytes = uint32_t(int64_t(right - left) * N);
        uint32_t p = place(s, destX, destY);
        const VbeState& bank = Vbe_state();
        uint8_t* const window = s.frameBase;
        const uint8_t* in = base + int64_t(top) * bytesPerLine + int64_t(left) * N;
        // Every row before the window end in the bank selected: row copies
        // with no tests between them, or one copy when the rows of both
        // sides follow each other without a gap.
        const uint64_t span = uint64_t(bottom - top - 1) * pitch + bytes;
        if ((p & 0xFFFF) + span < kWindow && bank.currentBank == uint8_t(p >> 16)) {
            uint8_t* q = window + (p & 0xFFFF);
            if (bytes == pitch && int64_t(bytesPerLine) == int64_t(bytes)) {
                std::memcpy(q, in, size_t(span));
                return;
            }
            for (int32_t y = top; y < bottom; ++y, q += pitch, in += bytesPerLine)
                std::memcpy(q, in, bytes);
            return;
        }
        for (int32_t y = top; y < bottom; ++y, p += pitch, in += bytesPerLine) {
            // A row before the window end in the bank selected: one copy.
            if ((p & 0xFFFF) + bytes < kWindow && bank.currentBank == uint8_t(p >> 16)) {
                std::memcpy(window + (p & 0xFFFF), in, bytes);
                continue;
            }
            pieces(s, p, bytes, [&](uint8_t* q, uint32_t len, uint32_t before) {
                std::memcpy(q, in + before, len);
            });
        }
    }

    // --- Save-under ------------------------------------------------------------------------

    static void widen(int32_t& left, int32_t& right) {
        left = left >= 0 ? left / kAlign * kAlign : 0;
        right = (right + kAlign - 1) / kAlign * kAlign;
    }

    static int32_t saveRectSize(GdlDeviceContext*, int32_t left, int32_t top, int32_t right,
                                int32_t bottom) {
        widen(left, right);
        return std::max(0, right - left) * N * std::max(0, bottom - top) + kSaveHeader;
    }

    static void saveRect(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right,
                         int32_t bottom, void* buffer) {
        if (!dc || !buffer) return;
        widen(left, right);
        // A row widened past the last column keeps to the row's pixels.
        right = std::min(right, dc->bounds.right);
        const uint32_t rowBytes = uint32_t(std::max(0, right - left) * N) & 0xFFFF;
        const uint32_t rows = uint32_t(std::max(0, bottom - top)) & 0xFFFF;
        auto* out = static_cast<uint8_t*>(buffer);
        const uint32_t first = place(*dc, left, top);
        std::memset(out, 0, kSaveHeader);
        const uint32_t fields[4] = {rowBytes, rows, first & 0xFFFF, (first >> 16) & 0xFF};
        const int widths[4] = {2, 2, 4, 2};
        for (int f = 0, at = 0; f < 4; at += widths[f], ++f)
            for (int b = 0; b < widths[f]; ++b)
                out[at + b] = uint8_t(fields[f] >> (8 * b));
        out += kSaveHeader;
        const uint32_t pitch = dc->mode.bytesPerLine & 0xFFFF;
        for (uint32_t r = 0; r < rows; ++r, out += rowBytes)
            fromWindow(*dc, first + r * pitch, out, rowBytes, 0);
    }

    // Back to the saved bank (always switched) and window offset.
    static void restoreRect(GdlDeviceContext* dc, const void* buffer) {
        if (!dc || !buffer) return;
        const auto* in = static_cast<const uint8_t*>(buffer);
        const uint32_t rowBytes = uint32_t(in[0] | in[1] << 8), rows = uint32_t(in[2] | in[3] << 8);
        const uint32_t offset = uint32_t(in[4] | in[5] << 8);
        const uint32_t bank = in[8];
        Vbe_switchBank(int32_t(bank));
        const uint32_t first = bank << 16 | offset;
        in += kSaveHeader;
        const uint32_t pitch = dc->mode.bytesPerLine & 0xFFFF;
        for (uint32_t r = 0; r < rows; ++r, in += rowBytes)
            toWindow(*dc, first + r * pitch, in, rowBytes, 0);
    }

    // --- Scans -------------------------------------------------------------------------------

    // Right: x up to the end of the row in memory, else pixels per line.
    template <bool Equal> static int32_t scanRight(int32_t x, int32_t y, uint32_t color) {
        GdlDeviceContext& s = S();
        const int32_t end = int32_t(pixelsPerLine(s));
        const uint32_t c = color & kMask;
        uint32_t p = place(s, x, y);
        for (; x < end; ++x, p += N)
            if ((load(s, p) == c) == Equal) return x;
        return end;
    }
    // Left: x down to 0, else -1.
    template <bool Equal> static int32_t scanLeft(int32_t x, int32_t y, uint32_t color) {
        GdlDeviceContext& s = S();
        const uint32_t c = color & kMask;
        uint32_t p = place(s, x, y);
        for (; x >= 0; --x, p -= N)
            if ((load(s, p) == c) == Equal) return x;
        return -1;
    }
};

} // namespace gdl_banked
