// Bitmaps onto contexts and rectangles between contexts: clipping, the
// same-format test and the choice of the driver entry that copies. The
// entries that work on the state block need their context current, so each
// operation makes the context it draws into current for its duration.
#include <algorithm>
#include <cstring>
#include <memory>

#include "library_state.h"
#include "gdl/blit.h"
#include "gdl/draw.h"
#include "gdl/memory.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "gdl/result.h"
#include "gdl/support.h"
#include "render_packed.h"

namespace {

gdl_internal::BlitState& blits() {
    return gdl_internal::state().blits;
}

// Makes a context current for one operation and puts the previous one back.
class Current {
public:
    explicit Current(GdlDeviceContext* dc) : previous_(GDL_currentDC()) { GDL_selectCurrentDC(dc); }
    ~Current() { GDL_selectCurrentDC(previous_); }
    Current(const Current&) = delete;
    Current& operator=(const Current&) = delete;

private:
    GdlDeviceContext* previous_;
};

using gdl_internal::S;

struct Area {
    int64_t l, t, r, b;
};

// Where a context may be drawn or read: its device clip rectangle when
// clipping is on, and never beyond its surface either way.
Area areaOf(const GdlDeviceContext* d) {
    Area a{d->bounds.left, d->bounds.top, d->bounds.right, d->bounds.bottom};
    if (d->attr.clipOn) {
        a.l = std::max<int64_t>(a.l, d->clipDevice.left);
        a.t = std::max<int64_t>(a.t, d->clipDevice.top);
        a.r = std::min<int64_t>(a.r, d->clipDevice.right);
        a.b = std::min<int64_t>(a.b, d->clipDevice.bottom);
    }
    return a;
}

// A source rectangle and its destination point, device coordinates of each.
struct Copy {
    int64_t l, t, r, b, x, y;
    // Cuts the source to `src` (moving the point) and then the destination
    // to `dst` (moving the source); false when nothing is left.
    bool cut(const Area& src, const Area& dst) {
        if (l < src.l) x += src.l - l, l = src.l;
        if (t < src.t) y += src.t - t, t = src.t;
        r = std::min(r, src.r);
        b = std::min(b, src.b);
        if (l >= r || t >= b) return false;
        if (x < dst.l) l += dst.l - x, x = dst.l;
        if (y < dst.t) t += dst.t - y, y = dst.t;
        r = std::min(r, l + (dst.r - x));
        b = std::min(b, t + (dst.b - y));
        return l < r && t < b;
    }
    int32_t L() const { return int32_t(l); }
    int32_t T() const { return int32_t(t); }
    int32_t R() const { return int32_t(r); }
    int32_t B() const { return int32_t(b); }
    int32_t X() const { return int32_t(x); }
    int32_t Y() const { return int32_t(y); }
};

const GdlPixelFormat* formatOrDefault(const GdlPixelFormat* f, int32_t bits) {
    if (f && (f->redMask | f->greenMask | f->blueMask)) return f;
    return gdl_packed::standardFormatOf(bits);
}

// Equal depths, and equal palettes (first `entries`) or equal channel places.
bool sameFormat(const GdlDeviceContext* dst, int32_t bits, const GdlPaletteEntry* palette,
                const GdlPixelFormat* format, int32_t entries) {
    if (int32_t(dst->mode.bitsPerPixel) != bits) return false;
    if (bits <= 8) {
        if (!blits().paletteCheck || !palette || entries <= 0) return true;
        return dst->palette && std::memcmp(dst->palette, palette, size_t(entries) * 4) == 0;
    }
    const GdlPixelFormat* a = formatOrDefault(&dst->format, bits);
    const GdlPixelFormat* b = formatOrDefault(format, bits);
    return a->redPosition == b->redPosition && a->greenPosition == b->greenPosition &&
           a->bluePosition == b->bluePosition;
}

int32_t colorsOf(const GdlDeviceContext* d) {
    return int32_t(std::min<uint32_t>(d->mode.maxColor, 255) + 1);
}

bool validBitmap(const GdlBitmap* b) {
    if (!b || !b->surface || b->width <= 0 || b->height <= 0) return false;
    const int32_t bits = b->bitsPerPixel == 15 ? 16 : b->bitsPerPixel;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    return int64_t(b->bytesPerLine) * 8 >= int64_t(b->width) * bits;
}

bool checkBitmap(GdlDeviceContext* dc, const GdlBitmap* bitmap) {
    if (!dc) {
        GDL_setResult(GDL_INVALID_DC);
        return false;
    }
    if (!validBitmap(bitmap)) {
        GDL_setResult(GDL_INVALID_BITMAP);
        return false;
    }
    return true;
}

GdlDeviceContext* wrap(const GdlBitmap* b) {
    blits().wrapper = GdlDeviceContext{};
    blits().wrapper.type = GDL_DC_MEMORY;
    blits().wrapper.surface = b->surface;
    blits().wrapper.mode.bytesPerLine = uint32_t(b->bytesPerLine);
    blits().wrapper.mode.bitsPerPixel = uint32_t(b->bitsPerPixel);
    blits().wrapper.mode.maxX = uint32_t(b->width - 1);
    blits().wrapper.mode.maxY = uint32_t(b->height - 1);
    blits().wrapper.mode.maxColor =
        b->bitsPerPixel >= 32 ? 0xFFFFFFFFu : (1u << b->bitsPerPixel) - 1;
    blits().wrapper.bounds = {0, 0, b->width, b->height};
    blits().wrapper.palette = b->palette;
    if (b->pixelFormat) blits().wrapper.format = *b->pixelFormat;
    return &blits().wrapper;
}

// A banked window shows 64 KB of video memory at a time and planar memory
// holds no rows at all, so a full-screen source that is not linear cannot be
// read in place: its driver's own device-to-memory entry reads the pixels,
// and copies that read a source in place read those rows instead.
bool readsInPlace(const GdlDeviceContext* d) {
    return d->type != GDL_DC_FULLSCREEN || (d->flags & GDL_ACCESS_MASK) == 2;
}

// Rows of a source read through its driver, as a bitmap of its format.
struct StagedRows {
    GdlBitmap bitmap{};
    GdlPixelFormat format{};
    std::unique_ptr<uint8_t, void (*)(void*)> rows{nullptr, GDL_free};

    // Reads the copy's source rectangle of `src` (device coordinates), whose
    // top-left corner becomes the bitmap's origin; false, with the result
    // set, when out of memory.
    bool read(GdlDeviceContext* src, const Copy& c) {
        Current cur(src);
        GdlDeviceContext& s = S();
        const int32_t w = c.R() - c.L(), h = c.B() - c.T();
        const int32_t bits = int32_t(s.mode.bitsPerPixel);
        const int64_t pitch =
            ((bits == 4 ? (int64_t(w) + 1) / 2 : int64_t(w) * ((bits + 7) / 8)) + 3) & ~int64_t(3);
        rows.reset(static_cast<uint8_t*>(GDL_malloc(size_t(pitch) * size_t(h))));
        if (!rows) {
            GDL_setResult(GDL_NO_MEMORY);
            return false;
        }
        s.v.copyToMemory(c.L(), c.T(), c.R(), c.B(), 0, 0, 0, rows.get(), int32_t(pitch));
        format = s.format;
        bitmap = {w, h, bits, int32_t(pitch), rows.get(), s.palette, &format};
        return true;
    }
};

// 16.16 factor of a destination size over a source size; exact at 1 and 2;
// 0 for a factor that 16.16 cannot hold.
int32_t scaleOf(int64_t dst, int64_t src) {
    if (dst == src) return 0x10000;
    if (dst == 2 * src) return 0x20000;
    const int64_t scale = (dst << 16) / src;
    return scale > INT32_MAX ? 0 : int32_t(scale);
}

// Source pixels that cover `n` destination pixels at a scale.
int64_t sourceSpan(int64_t n, int32_t scale) {
    return (n << 16) / scale;
}

// Destination pixels of `n` source pixels at a scale (as the repeat table sums).
int64_t destSpan(int64_t n, int32_t scale) {
    return (n * scale + 0x8000) >> 16;
}

// Palettes of two 8-bit formats differ while the check is on.
int32_t identicalPalettes(const GdlDeviceContext* dst, int32_t srcBits,
                          const GdlPaletteEntry* palette) {
    if (!blits().paletteCheck || !palette || srcBits != 8 || dst->mode.bitsPerPixel != 8) return 1;
    return dst->palette && std::memcmp(dst->palette, palette, 1024) == 0 ? 1 : 0;
}

// The three stretch entries of the current context, by their scales; the
// general one starts the repeat pattern of its scale at source pixel `xPhase`
// and row `yPhase` of the whole stretch.
void stretchInto(GdlDeviceContext* src, const Copy& c, int32_t xs, int32_t ys, int32_t xPhase,
                 int32_t yPhase, const GdlPaletteEntry* palette, int32_t identical) {
    GdlDeviceContext& s = S();
    if (ys == 0x20000 && xs == 0x10000)
        s.v.blitRowDoubled(&s, src, c.L(), c.T(), c.R(), c.B(), c.X(), c.Y(), palette, identical);
    else if (ys == 0x20000 && xs == 0x20000)
        s.v.blitZoom2(&s, src, c.L(), c.T(), c.R(), c.B(), c.X(), c.Y(), palette, identical);
    else
        s.v.stretchBlit(&s, src, c.L(), c.T(), c.R(), c.B(), c.X(), c.Y(), xs, ys, palette,
                        identical, xPhase, yPhase);
}

// One axis of a cut stretched copy: source pixels [s0, s1) (from the source
// origin) drawn from destination `d` at `scale`, the pattern from `phase`.
struct StretchPiece {
    int64_t s0, s1, d;
    int32_t scale, phase;
};

// Splits the visible destination run [lo, hi) of a stretch that starts at
// `origin` into at most three pieces, so that every visible pixel shows the
// source pixel of the whole stretch: source pixel i covers the destination
// pixels from destSpan(i) to destSpan(i + 1). A source pixel cut by an edge
// is drawn apart at the scale of its visible width; the whole pixels between
// keep the scale and its repeat pattern from their place in the stretch.
int32_t stretchPieces(int64_t origin, int64_t lo, int64_t hi, int32_t scale, int64_t count,
                      StretchPiece* out) {
    const int64_t off = lo - origin, end = hi - origin;
    // The first source pixel that reaches past `off`.
    int64_t i = std::clamp<int64_t>(sourceSpan(off, scale), 0, count);
    while (i > 0 && destSpan(i, scale) > off)
        --i;
    while (i < count && destSpan(i + 1, scale) <= off)
        ++i;
    int32_t n = 0;
    int64_t d = off;
    if (i < count && destSpan(i, scale) < off) {
        const int64_t part = std::min(destSpan(i + 1, scale), end) - off;
        out[n++] = {i, i + 1, lo, int32_t(part << 16), 0};
        ++i;
        d += part;
    }
    // The whole pixels that end by `end`.
    int64_t j = std::clamp<int64_t>(sourceSpan(end, scale) + 1, i, count);
    while (j > i && destSpan(j, scale) > end)
        --j;
    if (j > i) {
        out[n++] = {i, j, origin + d, scale, int32_t(i)};
        d = destSpan(j, scale);
        i = j;
    }
    if (d < end && i < count) out[n++] = {i, i + 1, origin + d, int32_t((end - d) << 16), 0};
    return n;
}

// Draws a stretched copy of the source from (c.l, c.t) up to (srcRight,
// srcBottom) into the destination rectangle (dl, dt, dw x dh), cut to the
// current context's area.
void stretchCut(GdlDeviceContext* src, const Copy& c, int64_t dl, int64_t dt, int64_t dw,
                int64_t dh, int32_t xs, int32_t ys, int64_t srcRight, int64_t srcBottom,
                const GdlPaletteEntry* palette, int32_t identical) {
    const Area a = areaOf(&S());
    const int64_t l = std::max(dl, a.l), t = std::max(dt, a.t);
    const int64_t r = std::min(dl + dw, a.r), b = std::min(dt + dh, a.b);
    if (l >= r || t >= b) return;
    StretchPiece px[3], py[3];
    const int32_t nx = stretchPieces(dl, l, r, xs, srcRight - c.l, px);
    const int32_t ny = stretchPieces(dt, t, b, ys, srcBottom - c.t, py);
    for (int32_t j = 0; j < ny; ++j)
        for (int32_t i = 0; i < nx; ++i) {
            const Copy piece{c.l + px[i].s0, c.t + py[j].s0, c.l + px[i].s1,
                             c.t + py[j].s1, px[i].d,        py[j].d};
            stretchInto(src, piece, px[i].scale, py[j].scale, px[i].phase, py[j].phase, palette,
                        identical);
        }
}

// A PACK4 context's bytes are not rows in row form, which is all the
// memory-to-device and converting entries read and the device-to-memory
// entry writes. Its rows go over a piece at a time through a buffer of our
// own in row form (the conversions use the scratch buffer themselves).
constexpr int32_t kPieceBytes = 2048;
constexpr int32_t kPiecePixels = 2 * kPieceBytes - 1; // room for an odd first pixel

// A PACK4 source onto the current context: its memory-to-device entry with
// the same format, else its converting entry.
void putFromFourBit(const GdlDeviceContext* src, const Copy& c, int32_t op, bool same) {
    GdlDeviceContext& s = S();
    const int32_t pitch = int32_t(src->mode.bytesPerLine);
    uint8_t row[kPieceBytes];
    for (int64_t y = c.t; y < c.b; ++y)
        for (int64_t x0 = c.l; x0 < c.r; x0 += kPiecePixels) {
            const int32_t first = int32_t(x0 & 1);
            const int32_t n = int32_t(std::min<int64_t>(c.r - x0, kPiecePixels));
            const int32_t bytes = (first + n + 1) / 2;
            PACK4_swapNibbles(row, src->surface + y * pitch + x0 / 2, size_t(bytes));
            const int32_t dx = int32_t(c.x + (x0 - c.l)), dy = int32_t(c.y + (y - c.t));
            if (same)
                s.v.copyFromMemory(first, 0, first + n, 1, dx, dy, op, row, bytes, nullptr);
            else
                s.v.translateImage(&s, first, 0, first + n, 1, dx, dy, op, row, bytes, 4,
                                   src->palette, &src->format, nullptr);
        }
}

// The current context's device-to-memory entry into a PACK4 destination:
// the destination's bytes go out in row form, take the pixels (combined by
// the write mode) and come back in its own layout.
void getIntoFourBit(GdlDeviceContext* dest, const Copy& c, int32_t op) {
    GdlDeviceContext& s = S();
    const int32_t pitch = int32_t(dest->mode.bytesPerLine);
    uint8_t row[kPieceBytes];
    for (int64_t y = c.t; y < c.b; ++y)
        for (int64_t x0 = c.l; x0 < c.r; x0 += kPiecePixels) {
            const int64_t dx = c.x + (x0 - c.l);
            const int32_t first = int32_t(dx & 1);
            const int32_t n = int32_t(std::min<int64_t>(c.r - x0, kPiecePixels));
            const int32_t bytes = (first + n + 1) / 2;
            uint8_t* at = dest->surface + (c.y + (y - c.t)) * pitch + dx / 2;
            PACK4_swapNibbles(row, at, size_t(bytes));
            s.v.copyToMemory(int32_t(x0), int32_t(y), int32_t(x0) + n, int32_t(y) + 1, first, 0, op,
                             row, bytes);
            PACK4_swapNibbles(at, row, size_t(bytes));
        }
}

} // namespace

int32_t GDL_setPaletteCheck(int32_t on) {
    GDL_checkThread(__func__);
    int32_t previous = blits().paletteCheck;
    blits().paletteCheck = on ? 1 : 0;
    return previous;
}

int32_t GDL_getPaletteCheck() {
    GDL_checkThread(__func__);
    return blits().paletteCheck;
}

// --- Bitmaps ---------------------------------------------------------------------

void GDL_drawMonoImage(GdlDeviceContext* dc, int32_t x, int32_t y, int32_t bytesPerLine,
                       int32_t height, const uint8_t* bits) {
    GDL_checkThread(__func__);
    if (!dc || !bits || bytesPerLine <= 0 || height <= 0) return;
    Current cur(dc);
    GdlDeviceContext& s = S();
    s.v.putMonoImage(&s, gdl_internal::OffsetCoord(x, s.attr.viewport.left),
                     gdl_internal::OffsetCoord(y, s.attr.viewport.top), bytesPerLine, height, bits);
}

void GDL_putBitmap(GdlDeviceContext* dc, int32_t x, int32_t y, const GdlBitmap* bitmap,
                   int32_t writeMode) {
    GDL_checkThread(__func__);
    if (!checkBitmap(dc, bitmap)) return;
    Current cur(dc);
    GdlDeviceContext& s = S();
    const int32_t vl = s.attr.viewport.left, vt = s.attr.viewport.top;
    if (bitmap->bitsPerPixel == 1) {
        const int32_t previous = s.attr.writeMode;
        s.v.setWriteMode(writeMode);
        s.v.putMonoImage(&s, gdl_internal::OffsetCoord(x, vl), gdl_internal::OffsetCoord(y, vt),
                         bitmap->bytesPerLine, bitmap->height, bitmap->surface);
        s.v.setWriteMode(previous);
        return;
    }
    Copy c{0, 0, bitmap->width, bitmap->height, int64_t(x) + vl, int64_t(y) + vt};
    if (!c.cut({0, 0, bitmap->width, bitmap->height}, areaOf(&s))) return;
    const int32_t entries = std::min(1 << std::min(bitmap->bitsPerPixel, 8), colorsOf(&s));
    if (sameFormat(&s, bitmap->bitsPerPixel, bitmap->palette, bitmap->pixelFormat, entries))
        s.v.copyFromMemory(c.L(), c.T(), c.R(), c.B(), c.X(), c.Y(), writeMode, bitmap->surface,
                           bitmap->bytesPerLine, nullptr);
    else
        s.v.translateImage(&s, c.L(), c.T(), c.R(), c.B(), c.X(), c.Y(), writeMode, bitmap->surface,
                           bitmap->bytesPerLine, bitmap->bitsPerPixel, bitmap->palette,
                           bitmap->pixelFormat, nullptr);
}

void GDL_putBitmapTransparentSection(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right,
                                     int32_t bottom, int32_t x, int32_t y, const GdlBitmap* bitmap,
                                     uint32_t key, int32_t sourceKey) {
    GDL_checkThread(__func__);
    if (!checkBitmap(dc, bitmap)) return;
    if (bitmap->bitsPerPixel < 8 ||
        uint32_t(bitmap->bitsPerPixel) != GDL_liveDC(dc)->mode.bitsPerPixel) {
        GDL_setResult(GDL_INVALID_DEVICE_TYPE);
        return;
    }
    Current cur(dc);
    GdlDeviceContext& s = S();
    Copy c{left,
           top,
           right,
           bottom,
           int64_t(x) + s.attr.viewport.left,
           int64_t(y) + s.attr.viewport.top};
    if (!c.cut({0, 0, bitmap->width, bitmap->height}, areaOf(&s))) return;
    GdlTransparentBltFunc entry = sourceKey ? s.v.srcTransparentBlt : s.v.dstTransparentBlt;
    entry(&s, wrap(bitmap), c.L(), c.T(), c.R(), c.B(), c.X(), c.Y(), 0, key);
}

void GDL_putBitmapTransparent(GdlDeviceContext* dc, int32_t x, int32_t y, const GdlBitmap* bitmap,
                              uint32_t key, int32_t sourceKey) {
    GDL_checkThread(__func__);
    if (!checkBitmap(dc, bitmap)) return;
    GDL_putBitmapTransparentSection(dc, 0, 0, bitmap->width, bitmap->height, x, y, bitmap, key,
                                    sourceKey);
}

void GDL_stretchBitmap(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right,
                       int32_t bottom, const GdlBitmap* bitmap) {
    GDL_checkThread(__func__);
    if (!checkBitmap(dc, bitmap)) return;
    if (bitmap->bitsPerPixel < 8) {
        GDL_setResult(GDL_INVALID_DEVICE_TYPE);
        return;
    }
    if (right <= left || bottom <= top) return;
    const int32_t xs = scaleOf(int64_t(right) - left, bitmap->width);
    const int32_t ys = scaleOf(int64_t(bottom) - top, bitmap->height);
    if (xs == 0x10000 && ys == 0x10000) {
        GDL_putBitmap(dc, left, top, bitmap, 0);
        return;
    }
    if (xs <= 0 || ys <= 0) return;
    Current cur(dc);
    GdlDeviceContext& s = S();
    stretchCut(wrap(bitmap), Copy{0, 0, 0, 0, 0, 0}, int64_t(left) + s.attr.viewport.left,
               int64_t(top) + s.attr.viewport.top, int64_t(right) - left, int64_t(bottom) - top, xs,
               ys, bitmap->width, bitmap->height, bitmap->palette,
               identicalPalettes(&s, bitmap->bitsPerPixel, bitmap->palette));
}

// --- Between contexts ----------------------------------------------------------------

namespace {

// The off-screen context's own entry copies onto the display (video memory
// to video memory), inside the display's clip.
void offscreenToDisplay(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left, int32_t top,
                        int32_t right, int32_t bottom, int32_t x, int32_t y, int32_t writeMode) {
    GdlDeviceContext* d = GDL_liveDC(dest);
    GdlDeviceContext* sc = GDL_liveDC(src);
    Copy c{int64_t(left) + sc->attr.viewport.left,  int64_t(top) + sc->attr.viewport.top,
           int64_t(right) + sc->attr.viewport.left, int64_t(bottom) + sc->attr.viewport.top,
           int64_t(x) + d->attr.viewport.left,      int64_t(y) + d->attr.viewport.top};
    if (!c.cut(areaOf(sc), areaOf(d))) return;
    sc->v.offscreenBlt(d, sc, c.L(), c.T(), c.R(), c.B(), c.X(), c.Y(), writeMode);
}

// The card's keyed copy from an off-screen context onto the display, when the
// card keys that way (flag 800h: source key, 1000h: destination key); false
// leaves the copy to the software keyed blit.
bool offscreenKeyedToDisplay(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left,
                             int32_t top, int32_t right, int32_t bottom, int32_t x, int32_t y,
                             uint32_t key, int32_t sourceKey) {
    GdlDeviceContext* d = GDL_liveDC(dest);
    GdlDeviceContext* sc = GDL_liveDC(src);
    if (sc->type != GDL_DC_OFFSCREEN || d->type > GDL_DC_OPENGL_DRIVER) return false;
    if (!(sc->flags & (sourceKey ? 0x800u : 0x1000u))) return false;
    Copy c{int64_t(left) + sc->attr.viewport.left,  int64_t(top) + sc->attr.viewport.top,
           int64_t(right) + sc->attr.viewport.left, int64_t(bottom) + sc->attr.viewport.top,
           int64_t(x) + d->attr.viewport.left,      int64_t(y) + d->attr.viewport.top};
    if (!c.cut(areaOf(sc), areaOf(d))) return true;
    GdlTransparentBltFunc entry = sourceKey ? sc->v.offscreenSrcKeyBlt : sc->v.offscreenDstKeyBlt;
    entry(d, sc, c.L(), c.T(), c.R(), c.B(), c.X(), c.Y(), 0, key);
    return true;
}

} // namespace

void GDL_bitBlt(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left, int32_t top,
                int32_t right, int32_t bottom, int32_t x, int32_t y, int32_t writeMode) {
    GDL_checkThread(__func__);
    if (!dest || !src) {
        GDL_setResult(GDL_INVALID_DC);
        return;
    }
    if (GDL_liveDC(src)->mode.bitsPerPixel == 1) {
        GDL_setResult(GDL_INVALID_DEVICE_TYPE);
        return;
    }
    if (dest == src) {
        Current cur(dest);
        GdlDeviceContext& s = S();
        const int32_t vl = s.attr.viewport.left, vt = s.attr.viewport.top;
        Copy c{int64_t(left) + vl,   int64_t(top) + vt, int64_t(right) + vl,
               int64_t(bottom) + vt, int64_t(x) + vl,   int64_t(y) + vt};
        if (!c.cut(areaOf(&s), areaOf(&s))) return;
        s.v.copyWithin(c.L(), c.T(), c.R(), c.B(), c.X(), c.Y(), writeMode, c.y <= c.t);
        return;
    }
    if (GDL_liveDC(src)->type == GDL_DC_OFFSCREEN &&
        GDL_liveDC(dest)->type <= GDL_DC_OPENGL_DRIVER) {
        offscreenToDisplay(dest, src, left, top, right, bottom, x, y, writeMode);
        return;
    }
    const bool fromMemory = GDL_liveDC(src)->type == GDL_DC_MEMORY;
    if (!fromMemory && GDL_liveDC(dest)->type != GDL_DC_MEMORY) {
        GDL_setResult(GDL_INVALID_DEVICE_TYPE);
        return;
    }
    // Device to memory runs on the source; everything else on the destination.
    GdlDeviceContext* target = fromMemory ? dest : src;
    Current cur(target);
    GdlDeviceContext* d = fromMemory ? &S() : dest;
    GdlDeviceContext* sc = fromMemory ? src : &S();
    Copy c{int64_t(left) + sc->attr.viewport.left,  int64_t(top) + sc->attr.viewport.top,
           int64_t(right) + sc->attr.viewport.left, int64_t(bottom) + sc->attr.viewport.top,
           int64_t(x) + d->attr.viewport.left,      int64_t(y) + d->attr.viewport.top};
    if (!c.cut(areaOf(sc), areaOf(d))) return;
    const int32_t bits = int32_t(sc->mode.bitsPerPixel);
    const bool same =
        sameFormat(d, bits, sc->palette, &sc->format, std::min(colorsOf(sc), colorsOf(d)));
    if (PACK4_isContext(sc)) {
        // Onto the destination, which must be current; the source's record
        // is then its own.
        Current inner(dest);
        putFromFourBit(src, c, writeMode, same);
        return;
    }
    if (same && !fromMemory) {
        if (PACK4_isContext(d))
            getIntoFourBit(d, c, writeMode);
        else
            S().v.copyToMemory(c.L(), c.T(), c.R(), c.B(), c.X(), c.Y(), writeMode, d->surface,
                               int32_t(d->mode.bytesPerLine));
        return;
    }
    if (!fromMemory) {
        StagedRows staged;
        if (!readsInPlace(sc)) {
            if (!staged.read(src, c)) return;
            c = {0, 0, c.r - c.l, c.b - c.t, c.x, c.y};
        }
        // The conversion runs on the destination, which must be current.
        Current inner(dest);
        GdlDeviceContext& s = S();
        if (staged.rows)
            s.v.translateImage(&s, c.L(), c.T(), c.R(), c.B(), c.X(), c.Y(), writeMode,
                               staged.bitmap.surface, staged.bitmap.bytesPerLine, bits,
                               src->palette, &src->format, wrap(&staged.bitmap));
        else
            s.v.translateImage(&s, c.L(), c.T(), c.R(), c.B(), c.X(), c.Y(), writeMode,
                               src->surface, int32_t(src->mode.bytesPerLine), bits, src->palette,
                               &src->format, src);
        return;
    }
    GdlDeviceContext& s = S();
    if (same)
        s.v.copyFromMemory(c.L(), c.T(), c.R(), c.B(), c.X(), c.Y(), writeMode, src->surface,
                           int32_t(src->mode.bytesPerLine), src);
    else
        s.v.translateImage(&s, c.L(), c.T(), c.R(), c.B(), c.X(), c.Y(), writeMode, src->surface,
                           int32_t(src->mode.bytesPerLine), bits, src->palette, &src->format, src);
}

void GDL_stretchBlt(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left, int32_t top,
                    int32_t right, int32_t bottom, int32_t destLeft, int32_t destTop,
                    int32_t destRight, int32_t destBottom) {
    GDL_checkThread(__func__);
    if (!dest || !src) {
        GDL_setResult(GDL_INVALID_DC);
        return;
    }
    if (dest == src || GDL_liveDC(src)->mode.bitsPerPixel < 8) {
        GDL_setResult(GDL_INVALID_DEVICE_TYPE);
        return;
    }
    if (right <= left || bottom <= top || destRight <= destLeft || destBottom <= destTop) return;
    const int32_t xs = scaleOf(int64_t(destRight) - destLeft, int64_t(right) - left);
    const int32_t ys = scaleOf(int64_t(destBottom) - destTop, int64_t(bottom) - top);
    if (xs == 0x10000 && ys == 0x10000) {
        GDL_bitBlt(dest, src, left, top, right, bottom, destLeft, destTop, 0);
        return;
    }
    if (xs <= 0 || ys <= 0) return;
    Current cur(dest);
    GdlDeviceContext& s = S();
    // The source is cut first; the destination moves by the scaled amounts.
    const Area sa = areaOf(src);
    int64_t l = int64_t(left) + src->attr.viewport.left, t = int64_t(top) + src->attr.viewport.top;
    int64_t r = int64_t(right) + src->attr.viewport.left;
    int64_t b = int64_t(bottom) + src->attr.viewport.top;
    int64_t dl = int64_t(destLeft) + s.attr.viewport.left;
    int64_t dt = int64_t(destTop) + s.attr.viewport.top;
    if (l < sa.l) dl += destSpan(sa.l - l, xs), l = sa.l;
    if (t < sa.t) dt += destSpan(sa.t - t, ys), t = sa.t;
    r = std::min(r, sa.r);
    b = std::min(b, sa.b);
    if (l >= r || t >= b) return;
    const int32_t identical = identicalPalettes(&s, int32_t(src->mode.bitsPerPixel), src->palette);
    Copy c{l, t, r, b, 0, 0};
    StagedRows staged;
    if (!readsInPlace(src)) {
        if (!staged.read(src, c)) return;
        src = wrap(&staged.bitmap);
        c = {0, 0, r - l, b - t, 0, 0};
    }
    stretchCut(src, c, dl, dt, destSpan(r - l, xs), destSpan(b - t, ys), xs, ys, c.r, c.b,
               src->palette, identical);
}

void GDL_transBlt(GdlDeviceContext* dest, GdlDeviceContext* src, int32_t left, int32_t top,
                  int32_t right, int32_t bottom, int32_t x, int32_t y, uint32_t key,
                  int32_t sourceKey) {
    GDL_checkThread(__func__);
    if (!dest || !src) {
        GDL_setResult(GDL_INVALID_DC);
        return;
    }
    const uint32_t srcBits = GDL_liveDC(src)->mode.bitsPerPixel;
    if (dest == src || srcBits < 8 || srcBits != GDL_liveDC(dest)->mode.bitsPerPixel) {
        GDL_setResult(GDL_INVALID_DEVICE_TYPE);
        return;
    }
    if (offscreenKeyedToDisplay(dest, src, left, top, right, bottom, x, y, key, sourceKey)) return;
    Current cur(dest);
    GdlDeviceContext& s = S();
    Copy c{int64_t(left) + src->attr.viewport.left,  int64_t(top) + src->attr.viewport.top,
           int64_t(right) + src->attr.viewport.left, int64_t(bottom) + src->attr.viewport.top,
           int64_t(x) + s.attr.viewport.left,        int64_t(y) + s.attr.viewport.top};
    if (!c.cut(areaOf(src), areaOf(&s))) return;
    StagedRows staged;
    if (!readsInPlace(src)) {
        if (!staged.read(src, c)) return;
        src = wrap(&staged.bitmap);
        c = {0, 0, c.r - c.l, c.b - c.t, c.x, c.y};
    }
    GdlTransparentBltFunc entry = sourceKey ? s.v.srcTransparentBlt : s.v.dstTransparentBlt;
    entry(&s, src, c.L(), c.T(), c.R(), c.B(), c.X(), c.Y(), 0, key);
}

int32_t GDL_bytesPerSpan(const GdlDeviceContext* dc, int32_t x1, int32_t x2) {
    GDL_checkThread(__func__);
    if (!dc) return 0;
    const GdlDeviceContext* d = GDL_liveDC(const_cast<GdlDeviceContext*>(dc));
    const int32_t bits = int32_t(d->mode.bitsPerPixel);
    if (bits == 1) return (x2 - 1) / 8 - x1 / 8 + 1;
    if (bits == 4 && d->mode.planes == 4) return ((x2 - 1) / 8 - x1 / 8) * 4 + 4;
    if (bits == 4) return (x2 - 1) / 2 - x1 / 2 + 1;
    return ((bits + 7) / 8) * (x2 - x1);
}
