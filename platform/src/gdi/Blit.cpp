// BitBlt and StretchBlt between memory and window DCs in any pixel layout.
#include "../kernel/OutOfMemory.h"
#include "BlitRows.h"
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

// Extents made positive; a negative one on either side mirrors.
struct Extent {
    int x, y, w, h, sx, sy, sw, sh;
    bool mirrorX = false, mirrorY = false;

    void Normalise() {
        Flip(x, w, mirrorX);
        Flip(y, h, mirrorY);
        Flip(sx, sw, mirrorX);
        Flip(sy, sh, mirrorY);
    }
    static void Flip(int& at, int& size, bool& mirror) {
        if (size >= 0) return;
        at += size;
        size = -size;
        mirror = !mirror;
    }
};

// Rows of one call, kept between calls so a blit of a known size allocates
// nothing. Each thread has its own.
struct RowBuffers {
    std::vector<uint32_t> source, out, dest;
    std::vector<int> column;
};

RowBuffers& Buffers() {
    thread_local RowBuffers buffers;
    return buffers;
}

// Everything the row kernels need, worked out once per call.
struct BlitJob {
    const RopInfo* rop;
    const Surface& d;
    Surface s;
    Extent e;
    int x0, x1, y0, y1;
    bool plain = false;      // no stretch, no mirror: source columns follow one to one
    bool upward = false;     // same pixels, source above: walk rows bottom up
    bool indexed = false;    // raster operations combine indexes
    bool rawIndexes = false; // source indexes are the destination's
    bool toMono = false;
    bool fastCopy = false;
    uint32_t indexMask = 0xFFFFFFu;
    uint32_t sourceBack = 0, monoBack = 0;
    NearestCache cache;
    RowBuffers& rows;

    BlitJob(const RopInfo* r, const Surface& dest, const Surface& source, const Extent& extent)
        : rop(r), d(dest), s(source), e(extent), rows(Buffers()) {}

    int Columns() const { return x1 - x0; }
    bool SourceColumn(int k) const { return rows.column[k] >= 0 && rows.column[k] < s.width; }
};

// A row of an operation without a source (DSTINVERT, BLACKNESS, WHITENESS).
void FillRow(BlitJob& job, int row) {
    RowBuffers& b = job.rows;
    const int n = job.Columns();
    const bool usesDest = job.rop->usesDest;
    if (usesDest) {
        if (job.indexed)
            ReadIndexRow(job.d, row, job.x0, n, b.dest.data());
        else
            ReadRow(job.d, row, job.x0, n, b.dest.data());
    }
    for (int k = 0; k < n; ++k) {
        b.out[k] = Apply(job.rop->op, 0, usesDest ? b.dest[k] : 0);
        if (job.indexed) b.out[k] &= job.indexMask;
    }
    if (job.indexed)
        WriteIndexRow(job.d, row, job.x0, n, b.out.data());
    else
        WriteRow(job.d, row, job.x0, n, b.out.data(), job.cache);
}

// Columns [k, end) of a row onto an indexed destination: the source is first
// brought to the destination's indexes (or to one bit by its back colour).
void IndexedRun(BlitJob& job, int row, int srcY, int k, int end, int lo, int hi) {
    RowBuffers& b = job.rows;
    if (job.rawIndexes) {
        ReadIndexRow(job.s, srcY, lo, hi - lo, b.source.data() + lo);
    } else {
        ReadRow(job.s, srcY, lo, hi - lo, b.source.data() + lo);
        for (int c = lo; c < hi; ++c) {
            const uint32_t rgb = b.source[c];
            b.source[c] = job.toMono ? (rgb == job.sourceBack ? job.monoBack : job.monoBack ^ 1u)
                                     : job.cache.Index(job.d, rgb);
        }
    }
    const bool usesDest = job.rop->usesDest;
    if (usesDest) ReadIndexRow(job.d, row, job.x0 + k, end - k, b.dest.data() + k);
    for (int c = k; c < end; ++c)
        b.out[c] =
            Apply(job.rop->op, b.source[b.column[c]], usesDest ? b.dest[c] : 0) & job.indexMask;
    WriteIndexRow(job.d, row, job.x0 + k, end - k, b.out.data() + k);
}

// Columns [k, end) of a row onto a colour destination.
void ColourRun(BlitJob& job, int row, int srcY, int k, int end, int lo, int hi) {
    RowBuffers& b = job.rows;
    ReadRow(job.s, srcY, lo, hi - lo, b.source.data() + lo);
    if (job.plain && job.rop->op == Rop::Copy) {
        WriteRow(job.d, row, job.x0 + k, end - k, b.source.data() + lo, job.cache);
        return;
    }
    const bool usesDest = job.rop->usesDest;
    if (usesDest) ReadRow(job.d, row, job.x0 + k, end - k, b.dest.data() + k);
    for (int c = k; c < end; ++c)
        b.out[c] = Apply(job.rop->op, b.source[b.column[c]], usesDest ? b.dest[c] : 0);
    WriteRow(job.d, row, job.x0 + k, end - k, b.out.data() + k, job.cache);
}

// A row with a source: runs of columns whose source lies inside the source
// bitmap; the columns between them stay untouched.
void SourceRow(BlitJob& job, int row) {
    const Extent& e = job.e;
    int j = job.plain ? row - e.y : Sample(row - e.y, e.sh, e.h);
    if (e.mirrorY) j = e.sh - 1 - j;
    const int srcY = e.sy + j;
    if (srcY < 0 || srcY >= job.s.height) return;
    const std::vector<int>& column = job.rows.column;
    const int n = job.Columns();
    for (int k = 0; k < n;) {
        while (k < n && !job.SourceColumn(k))
            ++k;
        int end = k;
        while (end < n && job.SourceColumn(end))
            ++end;
        if (k == end) break;
        if (job.fastCopy) {
            const int bytes = job.d.bpp / 8;
            std::memmove(job.d.Row(row) + size_t(job.x0 + k) * bytes,
                         job.s.Row(srcY) + size_t(column[k]) * bytes, size_t(end - k) * bytes);
        } else {
            // Only the source columns this run samples.
            const int lo = std::min(column[k], column[end - 1]);
            const int hi = std::max(column[k], column[end - 1]) + 1;
            if (job.indexed)
                IndexedRun(job, row, srcY, k, end, lo, hi);
            else
                ColourRun(job, row, srcY, k, end, lo, hi);
        }
        k = end;
    }
}

// The colours and modes of one call, and the column map shared by its rows.
void Prepare(BlitJob& job, Dc* dest, Dc* source, RGBQUAD monoColors[2]) {
    const Extent& e = job.e;
    const Surface& d = job.d;
    Surface& s = job.s;
    const bool usesSource = job.rop->usesSource;
    // A monochrome bitmap that is not a DIB section has no colours of its
    // own: drawn onto colour, its 0 bits take the destination's text colour
    // and its 1 bits the back colour.
    if (usesSource && s.bpp == 1 && d.bpp != 1 && source->bitmap && !source->bitmap->dibSection) {
        const COLORREF c[2] = {dest->textColor, dest->bkColor};
        for (int i = 0; i < 2; ++i)
            monoColors[i] = {BYTE(c[i] >> 16), BYTE(c[i] >> 8), BYTE(c[i]), 0};
        s.colors = monoColors;
        s.colorCount = 2;
    }
    // Colour onto one bit: what matches the source's back colour becomes the
    // destination's back colour, everything else the other entry.
    job.toMono = usesSource && d.bpp == 1 && s.bpp != 1;
    if (job.toMono) {
        job.sourceBack = RgbOf(source->bkColor);
        job.monoBack = job.cache.Index(d, job.sourceBack);
    }
    job.plain = usesSource && e.sw == e.w && e.sh == e.h && !e.mirrorX && !e.mirrorY;
    // The same pixels on both sides: walk rows away from the overlap.
    job.upward = usesSource && s.bits == d.bits && e.y > e.sy;
    // Raster operations on indexed pixels combine indexes, as a palette
    // device does; the source is first brought to the destination's indexes.
    job.indexed = d.bpp <= 8;
    job.indexMask = job.indexed ? (1u << d.bpp) - 1 : 0xFFFFFFu;
    job.rawIndexes = job.indexed && s.bpp <= 8 && SameLayout(s, d);
    job.fastCopy = job.plain && job.rop->op == Rop::Copy && SameLayout(s, d) && d.bpp >= 8;

    RowBuffers& b = job.rows;
    const size_t n = static_cast<size_t>(job.Columns());
    b.source.resize(usesSource ? static_cast<size_t>(s.width) : 0);
    b.out.resize(n);
    b.dest.resize(job.rop->usesDest ? n : 0);
    b.column.resize(n);
    for (int i = job.x0; i < job.x1; ++i) {
        int j = job.plain ? i - e.x : Sample(i - e.x, e.sw, e.w);
        if (e.mirrorX) j = e.sw - 1 - j;
        b.column[i - job.x0] = e.sx + j;
    }
}

bool Blit(HDC destHandle, HDC sourceHandle, Extent e, DWORD code) {
    State& state = GetState();
    std::lock_guard guard(state.lock);
    const RopInfo* rop = FindRop(code);
    Dc* dest = AsDc(destHandle);
    if (!rop || !dest) return false;
    Dc* source = rop->usesSource ? AsDc(sourceHandle) : nullptr;
    if (rop->usesSource && !source) return false;
    e.Normalise();
    if (e.w == 0 || e.h == 0 || (rop->usesSource && (e.sw == 0 || e.sh == 0))) return true;

    DcPixels to(dest);
    if (!to.Ok()) return dest->dcKind == DcKind::Screen; // the screen shows nothing of ours
    const Surface& d = to.Get();
    // A source DC on the same window locks the same pixels again; locks nest.
    DcPixels from(source);
    if (rop->usesSource && !from.Ok()) return false;

    BlitJob job(rop, d, from.Get(), e);
    job.x0 = std::max(e.x, 0);
    job.x1 = std::min(e.x + e.w, d.width);
    job.y0 = std::max(e.y, 0);
    job.y1 = std::min(e.y + e.h, d.height);
    if (job.x0 >= job.x1 || job.y0 >= job.y1) return true;
    RGBQUAD monoColors[2];
    Prepare(job, dest, source, monoColors);
    // The paint path of windows: whole rows converted at once.
    if (job.plain && rop->op == Rop::Copy && !SameLayout(job.s, d) &&
        CopyRowsToXrgb(job.s, e.sx + job.x0 - e.x, e.sy + job.y0 - e.y, d, job.x0, job.y0,
                       job.Columns(), job.y1 - job.y0)) {
        to.Touch(job.x0, job.y0, job.x1, job.y1);
        return true;
    }

    for (int step = 0; step < job.y1 - job.y0; ++step) {
        const int row = job.upward ? job.y1 - 1 - step : job.y0 + step;
        if (rop->usesSource)
            SourceRow(job, row);
        else
            FillRow(job, row);
    }
    to.Touch(job.x0, job.y0, job.x1, job.y1);
    return true;
}

} // namespace
} // namespace platform::gdi

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
            DWORD rop) {
    return platform::OrOutOfMemory<BOOL>(FALSE, [&]() -> BOOL {
        return platform::gdi::Blit(dest, source,
                                   {x, y, width, height, sourceX, sourceY, width, height}, rop)
                   ? TRUE
                   : FALSE;
    });
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                int sourceWidth, int sourceHeight, DWORD rop) {
    return platform::OrOutOfMemory<BOOL>(FALSE, [&]() -> BOOL {
        return platform::gdi::Blit(
                   dest, source, {x, y, width, height, sourceX, sourceY, sourceWidth, sourceHeight},
                   rop)
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
