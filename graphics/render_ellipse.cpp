// Ellipse shapes of render slots 6 to 9: outline, ring of pen size, filled
// ellipse, arc outline and filled sector, all from one midpoint walk.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "gdl/thread.h"
#include "gdl/draw.h"
#include "gdl/render.h"
#include "gdl/result.h"
#include "gdl/support.h"

namespace {

// The state block, reached from the library's own thread only (the default
// argument names the caller).
GdlDeviceContext& S(const char* entry = __builtin_FUNCTION()) {
    GDL_checkThread(entry);
    return GDL_stateBlock;
}

// Box with its sizes: the ellipse touches columns left and right and rows top
// and bottom. The walk starts with both x at the centre (x2 - x1 = width & 1)
// and both y at the top and bottom rows, then moves them outwards and inwards.
struct Box {
    int32_t left, top, right, bottom, width, height;
};

Box normalise(const GdlRect* r) {
    Box b;
    b.left = std::min(r->left, r->right);
    b.right = std::max(r->left, r->right);
    b.top = std::min(r->top, r->bottom);
    b.bottom = std::max(r->top, r->bottom);
    b.width = b.right - b.left;
    b.height = b.bottom - b.top;
    return b;
}

// Midpoint walk of one quadrant from the top point (i = 0, j = 0) to the side
// point (i = width / 2, j = height / 2): each move takes the neighbour (right,
// down or diagonal) nearest the curve. `step(di, dj)` follows every move and
// once, with (0, 0), before the first.
template <typename Step> void walkEllipse(int32_t width, int32_t height, Step step) {
    const int32_t A = width / 2, B = height / 2;
    const double a = width / 2.0, b = height / 2.0;
    const double a2 = a * a, b2 = b * b, a2b2 = a2 * b2;
    const double ox = (width & 1) * 0.5;
    auto miss = [&](int32_t i, int32_t j) {
        double x = i + ox, y = b - j;
        return std::fabs(b2 * x * x + a2 * y * y - a2b2);
    };
    int32_t i = 0, j = 0;
    step(0, 0);
    while (i < A || j < B) {
        int32_t di = 1, dj = 1;
        if (i >= A)
            di = 0;
        else if (j >= B)
            dj = 0;
        else {
            double h = miss(i + 1, j), v = miss(i, j + 1), d = miss(i + 1, j + 1);
            if (d <= h && d <= v) {
            } else if (h <= v)
                dj = 0;
            else
                di = 0;
        }
        i += di;
        j += dj;
        step(di, dj);
    }
}

// Outermost column offset of each row of the upper half (rows 0 .. height / 2),
// written to `out`.
void rowExtents(int32_t width, int32_t height, int32_t* out) {
    int32_t i = 0, j = 0;
    out[0] = 0;
    walkEllipse(width, height, [&](int32_t di, int32_t dj) {
        i += di;
        j += dj;
        out[j] = i;
    });
}

GdlPutPixelFunc outlineWriter(int32_t patterned) {
    GdlDeviceContext& s = S();
    if (patterned) return s.v.putPatternPixel;
    return s.attr.colorMapMode == 1 ? s.v.putDitheredPixel : s.v.putPixel;
}

// Outline pixels are tested against the device clip one by one: an ellipse
// cannot be cut before it reaches the renderer.
void plotClipped(GdlPutPixelFunc writer, int32_t x, int32_t y) {
    const GdlRect& c = S().clipDevice;
    if (x >= c.left && x < c.right && y >= c.top && y < c.bottom) writer(x, y);
}

// Walks the outline of a box, handing every plotted pixel to `plot`.
template <typename Plot> void walkOutline(const Box& b, Plot plot) {
    int32_t lx = b.left + b.width / 2, rx = b.right - b.width / 2;
    int32_t ty = b.top, by = b.bottom;
    walkEllipse(b.width, b.height, [&](int32_t dx, int32_t dy) {
        lx -= dx;
        rx += dx;
        ty += dy;
        by -= dy;
        // Both x start on the centre column of an even-width box, and a
        // logical write mode must not meet any pixel twice.
        plot(lx, ty);
        if (rx != lx) plot(rx, ty);
        if (ty != by) {
            plot(lx, by);
            if (rx != lx) plot(rx, by);
        }
    });
}

// A shape whose rows do not fit the buffer fails the call (null) rather than
// the program.
int32_t* scratchInts(int64_t bytesNeeded) {
    if (bytesNeeded > GDL_SCRATCH_SIZE) {
        GDL_setResult(GDL_GENERAL_ERROR);
        return nullptr;
    }
    return reinterpret_cast<int32_t*>(GDL_scratchBuffer());
}

// Quarter-wave table: 10000 x cos(theta) for theta = 0..90 degrees.
const int16_t* cosTable() {
    static int16_t table[91];
    static bool built = false;
    if (!built) {
        for (int t = 0; t <= 90; ++t)
            table[t] = int16_t(std::lround(10000.0 * std::cos(t * 3.14159265358979323846 / 180.0)));
        built = true;
    }
    return table;
}

int32_t normaliseAngle(int32_t angle) {
    angle %= 360;
    return angle < 0 ? angle + 360 : angle;
}

void cosSin(int32_t angle, int32_t* c, int32_t* s) {
    const int16_t* t = cosTable();
    angle = normaliseAngle(angle);
    int32_t q = angle / 90, r = angle % 90;
    switch (q) {
        case 0:
            *c = t[r];
            *s = t[90 - r];
            break;
        case 1:
            *c = -t[90 - r];
            *s = t[r];
            break;
        case 2:
            *c = -t[r];
            *s = -t[90 - r];
            break;
        default:
            *c = t[90 - r];
            *s = -t[r];
            break;
    }
}

// Which pixels an arc from `start` to `end` degrees (counter-clockwise) keeps.
struct Sector {
    bool full;
    double sx, sy, ex, ey; // target directions, y upwards
    bool wide;             // sweep above 180 degrees

    Sector(const Box& b, int32_t start, int32_t end) {
        start = normaliseAngle(start);
        end = normaliseAngle(end);
        full = (start / 90 == end / 90) && start >= end;
        int32_t c, s;
        cosSin(start, &c, &s);
        sx = b.width / 2.0 * c;
        sy = b.height / 2.0 * s;
        cosSin(end, &c, &s);
        ex = b.width / 2.0 * c;
        ey = b.height / 2.0 * s;
        wide = (end - start + 360) % 360 > 180;
    }
    bool contains(double px, double py) const {
        if (full) return true;
        auto cross = [](double ax, double ay, double bx, double by) { return ax * by - ay * bx; };
        if (!wide) return cross(sx, sy, px, py) >= 0 && cross(px, py, ex, ey) >= 0;
        return !(cross(ex, ey, px, py) > 0 && cross(px, py, sx, sy) > 0);
    }
};

void storeArcCoords(const Box& b, int32_t sx, int32_t sy, int32_t ex, int32_t ey) {
    GdlDeviceContext& s = S();
    int32_t ox = s.attr.viewport.left + s.attr.viewportOriginX;
    int32_t oy = s.attr.viewport.top + s.attr.viewportOriginY;
    int32_t coords[6] = {
        b.left + b.width / 2 - ox, b.top + b.height / 2 - oy, sx - ox, sy - oy, ex - ox, ey - oy};
    std::memcpy(s.arcCoords, coords, sizeof(coords));
}

} // namespace

void DRV_arcPoint(int32_t a, int32_t b, int32_t angle, int32_t* x, int32_t* y) {
    int32_t c, s;
    cosSin(angle, &c, &s);
    *x = int32_t(int64_t(a) * c / 10000);
    *y = -int32_t(int64_t(b) * s / 10000);
}

void DRV_ellipse(const GdlRect* box, int32_t patterned) {
    Box b = normalise(box);
    GdlDeviceContext& s = S();
    const GdlPutPixelFunc writer = outlineWriter(patterned);
    s.v.beginAccess();
    walkOutline(b, [writer](int32_t x, int32_t y) { plotClipped(writer, x, y); });
    s.v.endAccess();
}

void DRV_fillEllipse(const GdlRect* box, int32_t clip) {
    Box b = normalise(box);
    int32_t* ext = scratchInts(int64_t((b.height + 3) / 2) * 4);
    if (!ext) return;
    rowExtents(b.width, b.height, ext);
    GdlSpanFunc span = clip ? DRV_clippedSpan : S().v.current.span;
    int32_t lx = b.left + b.width / 2, rx = b.right - b.width / 2, half = b.height / 2;
    for (int32_t j = 0; j <= half; ++j)
        span(b.top + j, lx - ext[j], rx + ext[j] + 1);
    // The middle row of an even-height box belongs to both halves; it is drawn
    // once, so a logical write mode leaves no gap there.
    for (int32_t j = 0; b.bottom - j > b.top + half; ++j)
        span(b.bottom - j, lx - ext[j], rx + ext[j] + 1);
}

void DRV_wideEllipse(const GdlRect* box, int32_t clip) {
    Box b = normalise(box);
    GdlDeviceContext& s = S();
    int32_t pw = s.attr.penWidth + 1, ph = s.attr.penHeight + 1;
    if (pw < 1) pw = 1;
    if (ph < 1) ph = 1;
    int64_t need = (int64_t(b.width) + b.height + 1) / 2 + std::max(pw, ph);
    int32_t* outer = scratchInts(std::max<int64_t>(need * 8, (int64_t(b.height) + 4) * 4));
    if (!outer) return;
    int32_t half = b.height / 2;
    rowExtents(b.width, b.height, outer);
    Box in{b.left + pw,   b.top + ph,       b.right - pw,
           b.bottom - ph, b.width - 2 * pw, b.height - 2 * ph};
    bool hole = in.width >= 0 && in.height >= 0;
    int32_t* inner = outer + half + 1;
    if (hole) rowExtents(in.width, in.height, inner);
    GdlSpanFunc span = clip ? DRV_clippedSpan : s.v.current.span;
    int32_t olx = b.left + b.width / 2, orx = b.right - b.width / 2;
    int32_t ilx = in.left + in.width / 2, irx = in.right - in.width / 2;
    for (int pass = 0; pass < 2; ++pass) {
        for (int32_t j = 0; j <= half; ++j) {
            int32_t y = pass == 0 ? b.top + j : b.bottom - j;
            if (pass == 1 && y <= b.top + half) break; // the middle row once only
            int32_t k = j - ph;
            int32_t oL = olx - outer[j], oR = orx + outer[j] + 1;
            if (hole && k >= 0 && k <= in.height / 2) {
                int32_t iL = ilx - inner[k], iR = irx + inner[k] + 1;
                span(y, oL, iL);
                span(y, iR, oR);
            } else {
                span(y, oL, oR);
            }
        }
    }
}

void DRV_ellipseArc(const GdlRect* box, int32_t startAngle, int32_t endAngle, int32_t patterned) {
    Box b = normalise(box);
    GdlDeviceContext& s = S();
    Sector sector(b, startAngle, endAngle);
    double cx = (b.left + b.right) / 2.0, cy = (b.top + b.bottom) / 2.0;
    const GdlPutPixelFunc writer = outlineWriter(patterned);
    // The arc's end points are the drawn pixels nearest the two targets.
    double bestS = 1e300, bestE = 1e300;
    int32_t sx = 0, sy = 0, ex = 0, ey = 0;
    bool any = false;
    s.v.beginAccess();
    walkOutline(b, [&](int32_t x, int32_t y) {
        double px = x - cx, py = cy - y;
        if (!sector.contains(px, py)) return;
        plotClipped(writer, x, y);
        any = true;
        double ds = (px - sector.sx / 10000) * (px - sector.sx / 10000) +
                    (py - sector.sy / 10000) * (py - sector.sy / 10000);
        double de = (px - sector.ex / 10000) * (px - sector.ex / 10000) +
                    (py - sector.ey / 10000) * (py - sector.ey / 10000);
        if (ds < bestS) {
            bestS = ds;
            sx = x;
            sy = y;
        }
        if (de < bestE) {
            bestE = de;
            ex = x;
            ey = y;
        }
    });
    s.v.endAccess();
    if (any) storeArcCoords(b, sx, sy, ex, ey);
}

void DRV_fillEllipseArc(const GdlRect* box, int32_t startAngle, int32_t endAngle, int32_t clip) {
    Box b = normalise(box);
    GdlDeviceContext& s = S();
    if (!scratchInts((int64_t(b.height) + 1) * 8)) return;
    int32_t* ext = scratchInts((int64_t(b.height) + 3) / 2 * 4);
    rowExtents(b.width, b.height, ext);
    Sector sector(b, startAngle, endAngle);
    double cx = (b.left + b.right) / 2.0, cy = (b.top + b.bottom) / 2.0;
    GdlSpanFunc span = clip ? DRV_clippedSpan : s.v.current.span;
    int32_t lx = b.left + b.width / 2, rx = b.right - b.width / 2, half = b.height / 2;
    for (int32_t y = b.top; y <= b.bottom; ++y) {
        int32_t j = y - b.top <= half ? y - b.top : b.bottom - y;
        int32_t x1 = lx - ext[j], x2 = rx + ext[j];
        // A row meets a sector in at most two runs.
        int32_t runStart = 0;
        bool inRun = false;
        for (int32_t x = x1; x <= x2 + 1; ++x) {
            bool in = x <= x2 && sector.contains(x - cx, cy - y);
            if (in && !inRun) runStart = x;
            if (!in && inRun) span(y, runStart, x);
            inRun = in;
        }
    }
    int32_t a = b.width / 2, h = b.height / 2, px, py, qx, qy;
    DRV_arcPoint(a, h, startAngle, &px, &py);
    DRV_arcPoint(a, h, endAngle, &qx, &qy);
    int32_t ccx = b.left + a, ccy = b.top + h;
    storeArcCoords(b, ccx + px, ccy + py, ccx + qx, ccy + qy);
}

void DRV_getArcCoords(int32_t* coords) {
    if (coords) std::memcpy(coords, S().arcCoords, sizeof(S().arcCoords));
}

// --- Public shapes -------------------------------------------------------------------

namespace {

// The box in device coordinates. The shapes walk every row and column of
// their box, which must lie in the 16.16 range as the viewport does; a box
// beyond it fails the call.
bool deviceBox(int32_t left, int32_t top, int32_t right, int32_t bottom, GdlRect* out) {
    const GdlAttributes& a = S().attr;
    const int64_t v[4] = {int64_t(left) + a.viewport.left, int64_t(top) + a.viewport.top,
                          int64_t(right) + a.viewport.left, int64_t(bottom) + a.viewport.top};
    for (int64_t c : v)
        if (c < -32767 || c > 32767) {
            GDL_setResult(GDL_GENERAL_ERROR);
            return false;
        }
    *out = {int32_t(v[0]), int32_t(v[1]), int32_t(v[2]), int32_t(v[3])};
    return true;
}

// Spans of a box wholly inside the clip go straight to the driver.
int32_t needsClip(const GdlRect& r) {
    const GdlRect& c = S().clipDevice;
    Box b = normalise(&r);
    return !(b.left >= c.left && b.right < c.right && b.top >= c.top && b.bottom < c.bottom);
}

bool wideTable() {
    return S().renderTable >= 4 && S().renderTable < 8;
}
int32_t patterned() {
    return S().renderTable == 2 || S().renderTable == 3;
}

} // namespace

void GDL_ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    GdlRect r;
    if (!deviceBox(left, top, right, bottom, &r)) return;
    S().v.current.ellipse(&r, wideTable() ? needsClip(r) : patterned());
}

void GDL_fillEllipse(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    GdlRect r;
    if (!deviceBox(left, top, right, bottom, &r)) return;
    S().v.current.fillEllipse(&r, needsClip(r));
}

void GDL_ellipseArc(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t start,
                    int32_t end) {
    GdlRect r;
    if (!deviceBox(left, top, right, bottom, &r)) return;
    S().v.current.ellipseArc(&r, start, end, patterned());
}

void GDL_fillEllipseArc(int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t start,
                        int32_t end) {
    GdlRect r;
    if (!deviceBox(left, top, right, bottom, &r)) return;
    S().v.current.fillEllipseArc(&r, start, end, needsClip(r));
}

void GDL_getArcCoords(int32_t* coords) {
    S().v.getArcCoords(coords);
}
