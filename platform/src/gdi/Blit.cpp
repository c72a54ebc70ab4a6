// BitBlt and StretchBlt between memory and window DCs in any pixel layout.
#include "../kernel/OutOfMemory.h"
#include "GdiInternal.h"

#include <algorithm>
#include <cstring>

namespace platform::gdi {
namespace {

enum class Rop { Copy, Paint, And, Invert, NotCopy, DstInvert, Black, White };

struct RopInfo {
    DWORD code;
    Rop op;
    bool usesSource;
    bool usesDest;
};

constexpr RopInfo kRops[] = {
    {SRCCOPY, Rop::Copy, true, false},       {SRCPAINT, Rop::Paint, true, true},
    {SRCAND, Rop::And, true, true},          {SRCINVERT, Rop::Invert, true, true},
    {NOTSRCCOPY, Rop::NotCopy, true, false}, {DSTINVERT, Rop::DstInvert, false, true},
    {BLACKNESS, Rop::Black, false, false},   {WHITENESS, Rop::White, false, false},
};

const RopInfo* FindRop(DWORD code) {
    for (const RopInfo& r : kRops)
        if (r.code == code) return &r;
    return nullptr;
}

uint32_t Apply(Rop op, uint32_t s, uint32_t d) {
    switch (op) {
        case Rop::Copy: return s;
        case Rop::Paint: return s | d;
        case Rop::And: return s & d;
        case Rop::Invert: return s ^ d;
        case Rop::NotCopy: return ~s & 0xFFFFFF;
        case Rop::DstInvert: return ~d & 0xFFFFFF;
        case Rop::Black: return 0;
        case Rop::White: return 0xFFFFFF;
    }
    return s;
}

// Source position of destination offset i when `dn` pixels show `sn`:
// the centre of each destination pixel is sampled.
inline int Sample(int i, int sn, int dn) {
    return static_cast<int>((int64_t(2 * i + 1) * sn) / (int64_t(2) * dn));
}

bool Blit(HDC destHandle, int x, int y, int w, int h, HDC sourceHandle, int sx, int sy, int sw,
          int sh, DWORD code) {
    State& state = GetState();
    std::lock_guard guard(state.lock);
    const RopInfo* rop = FindRop(code);
    Dc* dest = AsDc(destHandle);
    if (!rop || !dest) return false;
    Dc* source = rop->usesSource ? AsDc(sourceHandle) : nullptr;
    if (rop->usesSource && !source) return false;

    // A negative extent on either side mirrors; bring both to positive form.
    bool mirrorX = false, mirrorY = false;
    if (w < 0) {
        x += w;
        w = -w;
        mirrorX = !mirrorX;
    }
    if (h < 0) {
        y += h;
        h = -h;
        mirrorY = !mirrorY;
    }
    if (sw < 0) {
        sx += sw;
        sw = -sw;
        mirrorX = !mirrorX;
    }
    if (sh < 0) {
        sy += sh;
        sh = -sh;
        mirrorY = !mirrorY;
    }
    if (w == 0 || h == 0 || (rop->usesSource && (sw == 0 || sh == 0))) return true;

    DcPixels to(dest);
    if (!to.Ok()) return dest->dcKind == DcKind::Screen; // the screen shows nothing of ours
    const Surface& d = to.Get();
    // A source DC on the same window locks the same pixels again; locks nest.
    DcPixels from(source);
    if (rop->usesSource && !from.Ok()) return false;
    Surface s = from.Get();

    const int x0 = std::max(x, 0), x1 = std::min(x + w, d.width);
    const int y0 = std::max(y, 0), y1 = std::min(y + h, d.height);
    if (x0 >= x1 || y0 >= y1) return true;

    // A monochrome bitmap that is not a DIB section has no colours of its
    // own: drawn onto colour, its 0 bits take the destination's text colour
    // and its 1 bits the back colour.
    RGBQUAD monoColors[2];
    if (rop->usesSource && s.bpp == 1 && d.bpp != 1 && source->bitmap &&
        !source->bitmap->dibSection) {
        const COLORREF c[2] = {dest->textColor, dest->bkColor};
        for (int i = 0; i < 2; ++i)
            monoColors[i] = {BYTE(c[i] >> 16), BYTE(c[i] >> 8), BYTE(c[i]), 0};
        s.colors = monoColors;
        s.colorCount = 2;
    }
    // Colour onto one bit: what matches the source's back colour becomes the
    // destination's back colour, everything else the other entry.
    const bool toMono = rop->usesSource && d.bpp == 1 && s.bpp != 1;
    const uint32_t sourceBack = toMono ? RgbOf(source->bkColor) : 0;
    NearestCache cache;
    const uint32_t monoBack = toMono ? cache.Index(d, RgbOf(source->bkColor)) : 0;

    const bool plain = rop->usesSource && sw == w && sh == h && !mirrorX && !mirrorY;
    // The same pixels on both sides: walk rows away from the overlap.
    const bool samePixels = rop->usesSource && s.bits == d.bits;
    const bool upward = samePixels && y > sy;
    // Raster operations on indexed pixels combine indexes, as a palette
    // device does; the source is first brought to the destination's indexes.
    const bool indexed = d.bpp <= 8;
    const uint32_t indexMask = indexed ? (1u << d.bpp) - 1 : 0xFFFFFFu;
    const bool rawIndexes = indexed && s.bpp <= 8 && SameLayout(s, d);

    std::vector<uint32_t> srcRow(rop->usesSource ? static_cast<size_t>(s.width) : 0);
    std::vector<uint32_t> out(static_cast<size_t>(x1 - x0));
    std::vector<uint32_t> dstRow(rop->usesDest ? out.size() : 0);
    std::vector<int> column(out.size());
    for (int i = x0; i < x1; ++i) {
        int j = plain ? i - x : Sample(i - x, sw, w);
        if (mirrorX) j = sw - 1 - j;
        column[i - x0] = sx + j;
    }
    const bool fastCopy = plain && rop->op == Rop::Copy && SameLayout(s, d) && d.bpp >= 8;

    for (int step = 0; step < y1 - y0; ++step) {
        const int row = upward ? y1 - 1 - step : y0 + step;
        if (!rop->usesSource) {
            if (rop->usesDest) {
                if (indexed)
                    ReadIndexRow(d, row, x0, x1 - x0, dstRow.data());
                else
                    ReadRow(d, row, x0, x1 - x0, dstRow.data());
            }
            for (size_t k = 0; k < out.size(); ++k) {
                out[k] = Apply(rop->op, 0, rop->usesDest ? dstRow[k] : 0);
                if (indexed) out[k] &= indexMask;
            }
            if (indexed)
                WriteIndexRow(d, row, x0, x1 - x0, out.data());
            else
                WriteRow(d, row, x0, x1 - x0, out.data(), cache);
            continue;
        }
        int j = plain ? row - y : Sample(row - y, sh, h);
        if (mirrorY) j = sh - 1 - j;
        const int srcY = sy + j;
        if (srcY < 0 || srcY >= s.height) continue;

        // Columns whose source lies outside the source bitmap stay untouched.
        int k = 0;
        const int n = x1 - x0;
        while (k < n) {
            while (k < n && (column[k] < 0 || column[k] >= s.width))
                ++k;
            int end = k;
            while (end < n && column[end] >= 0 && column[end] < s.width)
                ++end;
            if (k == end) break;
            if (fastCopy) {
                const int bytes = d.bpp / 8;
                std::memmove(d.Row(row) + size_t(x0 + k) * bytes,
                             s.Row(srcY) + size_t(column[k]) * bytes, size_t(end - k) * bytes);
                k = end;
                continue;
            }
            // Only the source columns this run samples.
            const int lo = std::min(column[k], column[end - 1]);
            const int hi = std::max(column[k], column[end - 1]) + 1;
            if (indexed) {
                if (rawIndexes) {
                    ReadIndexRow(s, srcY, lo, hi - lo, srcRow.data() + lo);
                } else {
                    ReadRow(s, srcY, lo, hi - lo, srcRow.data() + lo);
                    for (int c = lo; c < hi; ++c) {
                        const uint32_t rgb = srcRow[c];
                        srcRow[c] = toMono ? (rgb == sourceBack ? monoBack : monoBack ^ 1u)
                                           : cache.Index(d, rgb);
                    }
                }
                if (rop->usesDest) ReadIndexRow(d, row, x0 + k, end - k, dstRow.data() + k);
                for (int c = k; c < end; ++c)
                    out[c] = Apply(rop->op, srcRow[column[c]], rop->usesDest ? dstRow[c] : 0) &
                             indexMask;
                WriteIndexRow(d, row, x0 + k, end - k, out.data() + k);
                k = end;
                continue;
            }
            ReadRow(s, srcY, lo, hi - lo, srcRow.data() + lo);
            if (plain && rop->op == Rop::Copy) {
                WriteRow(d, row, x0 + k, end - k, srcRow.data() + lo, cache);
                k = end;
                continue;
            }
            if (rop->usesDest) ReadRow(d, row, x0 + k, end - k, dstRow.data() + k);
            for (int c = k; c < end; ++c)
                out[c] = Apply(rop->op, srcRow[column[c]], rop->usesDest ? dstRow[c] : 0);
            WriteRow(d, row, x0 + k, end - k, out.data() + k, cache);
            k = end;
        }
    }
    to.Touch(x0, y0, x1, y1);
    return true;
}

} // namespace
} // namespace platform::gdi

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
            DWORD rop) {
    return platform::OrOutOfMemory<BOOL>(FALSE, [&]() -> BOOL {
        return platform::gdi::Blit(dest, x, y, width, height, source, sourceX, sourceY, width,
                                   height, rop)
                   ? TRUE
                   : FALSE;
    });
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                int sourceWidth, int sourceHeight, DWORD rop) {
    return platform::OrOutOfMemory<BOOL>(FALSE, [&]() -> BOOL {
        return platform::gdi::Blit(dest, x, y, width, height, source, sourceX, sourceY, sourceWidth,
                                   sourceHeight, rop)
                   ? TRUE
                   : FALSE;
    });
}

int SetStretchBltMode(HDC handle, int mode) {
    using namespace platform::gdi;
    std::lock_guard guard(GetState().lock);
    Dc* dc = AsDc(handle);
    if (!dc || mode < BLACKONWHITE || mode > HALFTONE) return 0;
    const int old = dc->stretchMode;
    dc->stretchMode = mode;
    return old;
}

int GetStretchBltMode(HDC handle) {
    using namespace platform::gdi;
    std::lock_guard guard(GetState().lock);
    Dc* dc = AsDc(handle);
    return dc ? dc->stretchMode : 0;
}
