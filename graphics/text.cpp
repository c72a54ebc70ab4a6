// Text settings, measuring and drawing of the current context. Stroked fonts
// are drawn here stroke by stroke; bitmap fonts go to the bitmap-string routine.
#include "gdl/text.h"

#include <algorithm>
#include <string>

#include "gdl/defaultdraw.h"
#include "gdl/draw.h"
#include "gdl/result.h"

namespace {

GdlTextSettings& T() {
    return GDL_stateBlock.attr.text;
}

const GdlFont* currentFont() {
    return T().font;
}

bool isStroked(const GdlFont* f) {
    return f && f->fontType == GDL_FONT_STROKED;
}

bool isBitmap(const GdlFont* f) {
    return f && (f->fontType == GDL_FONT_FIXED || f->fontType == GDL_FONT_PROPORTIONAL);
}

// A zero divisor would trap; it scales by the multiplier alone.
int32_t scale(int32_t v, int32_t multiplier, int32_t divisor) {
    int64_t r = int64_t(v) * multiplier;
    if (divisor != 0) r /= divisor;
    return int32_t(std::clamp<int64_t>(r, INT32_MIN, INT32_MAX));
}

int32_t scaleX(int32_t v) {
    return scale(v, T().xMultiplier, T().xDivisor);
}

int32_t scaleY(int32_t v) {
    return scale(v, T().yMultiplier, T().yDivisor);
}

uint8_t glyphIndex(const GdlFont* f, uint8_t c) {
    return f->glyphOffset[c] == 0xFFFF ? 0 : c;
}

// Scaled vertical and horizontal measures of a stroked font (unscaled for
// bitmap fonts, whose callers use only A, D and the height).
struct Measures {
    int32_t ascent, descent, below, lastMetric, maxWidth, height;
};

Measures measuresOf(const GdlFont* f) {
    Measures m{};
    if (isStroked(f)) {
        m.ascent = scaleY(f->ascent);
        m.descent = scaleY(f->descent);
        m.below = scaleY(f->fontHeight + f->descent - 1);
        m.height = scaleY(f->fontHeight);
        m.lastMetric = scaleX(f->lastMetric);
        m.maxWidth = scaleX(f->maxWidth);
    } else {
        m.ascent = f->ascent;
        m.descent = f->descent;
        m.below = f->fontHeight + f->descent - 1;
        m.height = f->fontHeight;
        m.lastMetric = f->lastMetric;
        m.maxWidth = f->maxWidth;
    }
    return m;
}

// The stroke run of `c`, turned for the direction, copied out of the font
// (which is never written) and ended by a zero word. Runs are read only as far
// as the font's data goes.
constexpr int32_t kMaxStrokes = 1023;

void strokeRun(const GdlFont* f, uint8_t c, int32_t direction, uint16_t* out) {
    int32_t n = 0;
    uint32_t offset = f->glyphOffset[glyphIndex(f, c)];
    if (offset != 0xFFFF && f->glyphData) {
        for (uint64_t at = offset; at + 2 <= f->glyphBytes && n < kMaxStrokes; at += 2) {
            uint16_t w = uint16_t(f->glyphData[at] | f->glyphData[at + 1] << 8);
            if (!(w & 1)) break;
            int32_t x = DRV_strokeX(w), y = DRV_strokeY(w);
            int32_t tx = x, ty = y;
            switch (direction) {
                case 0:
                    tx = -x;
                    ty = -y;
                    break;
                case 3:
                    tx = y;
                    ty = -x;
                    break;
                case 1:
                    tx = -y;
                    ty = x;
                    break;
                default: break;
            }
            out[n++] = DRV_makeStroke(tx, ty, DRV_strokeMoveOnly(w));
        }
    }
    out[n] = 0;
}

// Whether every point of a run, with the pen, lies inside `clip`.
bool strokesWithin(int32_t x, int32_t y, const uint16_t* run, int32_t xm, int32_t ym, int32_t xd,
                   int32_t yd, const GdlRect& clip, int32_t p, int32_t q) {
    int64_t left = x, right = x, top = y, bottom = y; // the first line starts at the origin
    for (; *run & 1; ++run) {
        int64_t px = int64_t(x) + scale(DRV_strokeX(*run), xm, xd);
        int64_t py = int64_t(y) - scale(DRV_strokeY(*run), ym, yd);
        left = std::min(left, px);
        right = std::max(right, px);
        top = std::min(top, py);
        bottom = std::max(bottom, py);
    }
    return left >= clip.left && right + p <= clip.right && top >= clip.top &&
           bottom + q <= clip.bottom;
}

void drawStroked(int32_t x, int32_t y, const char* text) {
    GdlDeviceContext& s = GDL_stateBlock;
    const GdlAttributes& a = s.attr;
    const GdlTextSettings& t = a.text;
    const GdlFont* f = t.font;
    const int32_t dir = t.direction;
    if (dir < 0 || dir > 3) return;
    const Measures m = measuresOf(f);
    const int32_t A = m.ascent, D = m.descent, H = m.below, K = m.lastMetric, W = m.maxWidth;
    const bool fast = a.fillStyle == 0 && a.penHeight == 0 && a.penWidth == 0;

    int32_t d = 0;
    switch (t.vertJustify) {
        case 0: d = A; break;
        case 1: d = (D + A + 1) / 2; break;
        case 2: d = D; break;
        default: break;
    }
    switch (dir) {
        case 2: y += d; break;
        case 0: y -= d; break;
        case 1: x += d; break;
        case 3: x -= d; break;
    }
    int32_t w = GDL_textWidth(text);
    int32_t back = t.horizJustify == 2 ? w : (t.horizJustify == 1 ? w / 2 : 0);
    switch (dir) {
        case 2: x -= back; break;
        case 0: x += back; break;
        case 3: y -= back; break;
        case 1: y += back; break;
    }
    const bool across = dir == 1 || dir == 3;
    const int32_t xm = across ? t.yMultiplier : t.xMultiplier;
    const int32_t ym = across ? t.xMultiplier : t.yMultiplier;
    const int32_t xd = across ? t.yDivisor : t.xDivisor;
    const int32_t yd = across ? t.xDivisor : t.yDivisor;
    const int32_t p = a.penWidth + 1, q = a.penHeight + 1;
    uint16_t run[kMaxStrokes + 1];
    for (const uint8_t* c = reinterpret_cast<const uint8_t*>(text); *c; ++c) {
        strokeRun(f, *c, dir, run);
        if (fast) {
            GdlRect box{};
            switch (dir) {
                case 2: box = {x + K, y - H, x + W + p, y - D + q}; break;
                case 0: box = {x - W, y + D, x - K + p, y + H + q}; break;
                case 3: box = {x + D, y + K, x + H + p, y + W + q}; break;
                case 1: box = {x - H, y - W, x - D + p, y - K + q}; break;
            }
            const GdlRect& clip = s.clipDevice;
            bool inside = box.left >= clip.left && box.right <= clip.right && box.top >= clip.top &&
                          box.bottom <= clip.bottom;
            bool outside = box.right <= clip.left || box.left >= clip.right ||
                           box.bottom <= clip.top || box.top >= clip.bottom;
            // The box comes from the font's metrics; strokes that a damaged font
            // draws beyond it must not reach the unclipped routine.
            if (inside && !strokesWithin(x, y, run, xm, ym, xd, yd, clip, p, q)) inside = false;
            if (inside)
                (s.v.strokeGlyph ? s.v.strokeGlyph : DRV_strokeGlyph)(x, y, run, xm, ym, xd, yd);
            else if (!outside)
                GDL_drawClippedStrokes(x, y, run, xm, ym, xd, yd);
        } else {
            GDL_drawClippedStrokes(x, y, run, xm, ym, xd, yd);
        }
        int32_t advance = GDL_charWidth(*c);
        switch (dir) {
            case 2: x += advance; break;
            case 0: x -= advance; break;
            case 3: y += advance; break;
            case 1: y -= advance; break;
        }
    }
}

} // namespace

void GDL_drawClippedStrokes(int32_t x, int32_t y, const uint16_t* list, int32_t xMultiplier,
                            int32_t yMultiplier, int32_t xDivisor, int32_t yDivisor) {
    if (!list) return;
    const GdlRect& vp = GDL_stateBlock.attr.viewport;
    const int32_t ox = x - vp.left, oy = y - vp.top;
    int32_t px = 0, py = 0;
    for (; *list & 1; ++list) {
        int32_t nx = scale(DRV_strokeX(*list), xMultiplier, xDivisor);
        int32_t ny = scale(DRV_strokeY(*list), yMultiplier, yDivisor);
        if (!DRV_strokeMoveOnly(*list)) GDL_line(ox + px, oy - py, ox + nx, oy - ny);
        px = nx;
        py = ny;
    }
}

void GDL_setTextSettings(const GdlTextSettings* settings) {
    if (!settings) return;
    GdlTextSettings copy = *settings;
    const GdlFont* previous = T().font;
    T() = copy;
    // A font the selection refuses does not stay in the settings.
    if (!GDL_useFont(copy.font)) T().font = previous;
    T().direction = copy.direction;
}

bool GDL_useFont(const GdlFont* font) {
    GDL_setResult(GDL_OK);
    if (!font) return true;
    if (font->fontType < 0 || font->fontType > 3) {
        GDL_setResult(GDL_INVALID_FONT);
        return false;
    }
    T().font = font;
    T().direction = GDL_TEXT_LEFT_TO_RIGHT;
    return true;
}

void GDL_setTextDirection(int32_t direction) {
    T().direction = direction;
}

const GdlFont* GDL_getFont() {
    return currentFont();
}

int32_t GDL_textHeight() {
    const GdlFont* f = currentFont();
    if (!f) return 0;
    int32_t h = f->ascent - f->descent + f->leading + 1;
    if (isStroked(f)) return scaleY(h);
    return isBitmap(f) ? h : 0;
}

int32_t GDL_charWidth(uint8_t c) {
    const GdlFont* f = currentFont();
    if (!f) return 0;
    switch (f->fontType) {
        case GDL_FONT_STROKED: return scaleX(f->charWidth[glyphIndex(f, c)]) + T().spacing;
        case GDL_FONT_FIXED: return f->cellWidth;
        case GDL_FONT_PROPORTIONAL: return f->charWidth[glyphIndex(f, c)] + T().spacing;
        default: return 0;
    }
}

int32_t GDL_textWidth(const char* text) {
    const GdlFont* f = currentFont();
    if (!f || !text) return 0;
    if (f->fontType == GDL_FONT_FIXED) {
        int64_t w = int64_t(std::char_traits<char>::length(text)) * f->cellWidth;
        return int32_t(std::clamp<int64_t>(w, INT32_MIN, INT32_MAX));
    }
    if (f->fontType != GDL_FONT_STROKED && f->fontType != GDL_FONT_PROPORTIONAL) return 0;
    int32_t w = 0;
    for (const uint8_t* c = reinterpret_cast<const uint8_t*>(text); *c; ++c)
        w += GDL_charWidth(*c);
    return w;
}

void GDL_fontMetrics(GdlFontMetrics* out) {
    if (!out) return;
    *out = {};
    const GdlFont* f = currentFont();
    if (isStroked(f)) {
        int32_t w = scaleX(f->maxWidth);
        *out = {w,
                w,
                scaleY(f->fontHeight),
                scaleY(f->ascent),
                scaleY(f->descent),
                scaleY(f->leading),
                scaleX(f->lastMetric)};
    } else if (isBitmap(f)) {
        *out = {f->maxWidth, f->cellWidth, f->fontHeight, f->ascent,
                f->descent,  f->leading,   f->lastMetric};
    }
}

void GDL_underlineLocation(int32_t* x, int32_t* y, const char* text) {
    const GdlFont* f = currentFont();
    if (!x || !y || !f || !(isStroked(f) || isBitmap(f))) return;
    const GdlTextSettings& t = T();
    const Measures m = measuresOf(f);
    int32_t w = GDL_textWidth(text);
    int32_t h = t.horizJustify == 1 ? w / 2 : (t.horizJustify == 2 ? w : 0);
    int32_t v = 1;
    switch (t.vertJustify) {
        case 0: v = m.ascent + 1; break;
        case 1: v = (m.ascent + m.descent + 1) / 2 + 1; break;
        case 2: v = m.descent + 1; break;
        default: break;
    }
    int32_t u = v + std::max(1, m.height / 10);
    switch (t.direction) {
        case 0:
            *x += h;
            *y -= u;
            break;
        case 1:
            *x += u;
            *y += h;
            break;
        case 2:
            *x -= h;
            *y += u;
            break;
        case 3:
            *x -= u;
            *y -= h;
            break;
        default: break;
    }
}

void GDL_drawStrAt(int32_t x, int32_t y, const char* text) {
    const GdlFont* f = currentFont();
    if (!f || !text) return;
    const GdlRect& vp = GDL_stateBlock.attr.viewport;
    // A place beyond 32 bits is off every surface; it stays at the limit.
    auto device = [](int32_t v, int32_t offset) {
        return int32_t(std::clamp<int64_t>(int64_t(v) + offset, INT32_MIN, INT32_MAX));
    };
    x = device(x, vp.left);
    y = device(y, vp.top);
    if (isStroked(f))
        drawStroked(x, y, text);
    else if (isBitmap(f))
        (GDL_stateBlock.v.drawString ? GDL_stateBlock.v.drawString : DRV_drawString)(x, y, text);
}
