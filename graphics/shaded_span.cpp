// Trapezoid fillers that interpolate colour across each row and test a depth
// buffer, with the edge and plane set-up the triangle routines feed them from.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "gdl/draw.h"
#include "gdl/shading.h"
#include "library_state.h"

namespace {

int32_t clamp32(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

int32_t roundFx(int32_t v) {
    return int32_t((int64_t(v) + 0x8000) >> 16);
}

// Per-row step of a value over an edge of dy (16.16) rows: the plain
// difference for an edge at most one row high, else the 16.16 quotient.
int32_t rowStep(int32_t from, int32_t to, int32_t dy) {
    int64_t diff = int64_t(to) - from;
    if (dy <= 0x10000) return clamp32(diff);
    return clamp32(diff * 65536 / dy);
}

int32_t edgeDirection(const int32_t* a, const int32_t* b) {
    int64_t dy = int64_t(b[1]) - a[1];
    return dy < 0 ? -1 : (dy == 0 ? 0 : 1);
}

} // namespace

int32_t Poly_edgeSetup2(const int32_t* a, const int32_t* b, int32_t* xStep, int32_t* vStep) {
    int32_t r = edgeDirection(a, b);
    if (r <= 0) return r;
    int32_t dy = b[1] - a[1];
    *xStep = rowStep(a[0], b[0], dy);
    *vStep = rowStep(a[2], b[2], dy);
    return 1;
}

int32_t Poly_edgeSetup3(const int32_t* a, const int32_t* b, int32_t* xStep, int32_t* v1Step,
                        int32_t* v2Step) {
    int32_t r = edgeDirection(a, b);
    if (r <= 0) return r;
    int32_t dy = b[1] - a[1];
    *xStep = rowStep(a[0], b[0], dy);
    *v1Step = rowStep(a[2], b[2], dy);
    *v2Step = rowStep(a[3], b[3], dy);
    return 1;
}

void Tri_computeGradients(const int32_t* a, const int32_t* b, const int32_t* c,
                          GdlTriGradients* out) {
    const int64_t e1x = int64_t(b[0]) - a[0], e1y = int64_t(b[1]) - a[1];
    const int64_t e2x = int64_t(c[0]) - a[0], e2y = int64_t(c[1]) - a[1];
    const int64_t dz1 = int64_t(b[2]) - a[2], dz2 = int64_t(c[2]) - a[2];
    out->area2 = e1x * e2y - e2x * e1y;
    out->orientation = out->area2 > 0 ? 1 : (out->area2 < 0 ? -1 : 0);
    out->depthPerX = out->depthPerY = 0;
    if (out->area2 == 0) return;
    // The plane's slopes; x and y are 16.16, so a whole pixel is 65536 units.
    const double area = double(out->area2);
    double perX = (double(dz1) * double(e2y) - double(dz2) * double(e1y)) * 65536.0 / area;
    double perY = (double(dz2) * double(e1x) - double(dz1) * double(e2x)) * 65536.0 / area;
    out->depthPerX = clamp32(int64_t(std::clamp(perX, -2147483648.0, 2147483647.0)));
    out->depthPerY = clamp32(int64_t(std::clamp(perY, -2147483648.0, 2147483647.0)));
}

namespace {

// Table entries [first, end) for device columns [firstX, endX) that the
// depth-slope table holds (one entry per column from the bounds' left).
bool tableRange(int32_t& firstX, int32_t& endX, int32_t& first) {
    const GdlDeviceContext& s = gdl_internal::block();
    if (!s.zSlope) return false;
    first = s.bounds.left;
    firstX = std::max(firstX, first);
    endX = std::min(endX, first + s.zWidth);
    return firstX < endX;
}

int32_t depthAt(int32_t x0, int32_t x) {
    return int32_t(uint32_t(int64_t(x) - x0) * uint32_t(gdl_internal::block().walker.depthStepX));
}

} // namespace

void DRV_fillDepthRow16(int32_t x0, int32_t firstX, int32_t endX) {
    int32_t first;
    if (!tableRange(firstX, endX, first)) return;
    int16_t* t = static_cast<int16_t*>(gdl_internal::block().zSlope);
    for (int32_t x = firstX; x < endX; ++x)
        t[x - first] = int16_t(depthAt(x0, x) >> 15);
}

void DRV_fillDepthRow32(int32_t x0, int32_t firstX, int32_t endX) {
    int32_t first;
    if (!tableRange(firstX, endX, first)) return;
    int32_t* t = static_cast<int32_t*>(gdl_internal::block().zSlope);
    for (int32_t x = firstX; x < endX; ++x)
        t[x - first] = depthAt(x0, x);
}

// Three bytes an entry; the table must then have room for 3 bytes a column.
void DRV_fillDepthRow24(int32_t x0, int32_t firstX, int32_t endX) {
    int32_t first;
    if (!tableRange(firstX, endX, first)) return;
    uint8_t* t = static_cast<uint8_t*>(gdl_internal::block().zSlope);
    for (int32_t x = firstX; x < endX; ++x) {
        int32_t v = depthAt(x0, x);
        const size_t i = 3 * size_t(x - first);
        t[i] = uint8_t(v >> 7);
        t[i + 1] = uint8_t(v >> 15);
        t[i + 2] = uint8_t(v >> 23);
    }
}

namespace {

enum class Shade { Flat, Rgb, Index };

struct Channel {
    int32_t left, right;
};

// One filler for every form: the cell width (void: no depth test) and the
// shading are parameters.
template <typename Cell, Shade kShade> void shadedTrapezoid(GdlEdgeWalker* edge) {
    constexpr bool kDepth = !std::is_void_v<Cell>;
    using Z = std::conditional_t<kDepth, Cell, int32_t>;
    GdlShadeWalker* w = reinterpret_cast<GdlShadeWalker*>(edge);
    GdlDeviceContext& s = gdl_internal::block();
    const GdlRect& c = s.clipDevice;
    const bool deep = s.mode.bitsPerPixel > 8;
    GdlPutPixelFunc put = s.v.putPixel;
    if (kShade == Shade::Flat && s.attr.colorMapMode == 1) put = s.v.putDitheredPixel;
    if (kShade == Shade::Rgb && !deep) put = s.v.putDitheredPixel;
    const uint32_t savedColor = s.packedColor, savedTrueColor = s.attr.color;
    const GdlPixelFormat& f = s.format;
    const int32_t originX = s.bounds.left, originY = s.bounds.top;
    const Z* table = static_cast<const Z*>(s.zSlope);
    Z* cells = static_cast<Z*>(s.zBuffer);
    const bool usable =
        !kDepth || (cells && table && int32_t(sizeof(Z) * 8) == s.zDepth && s.zWidth > 0);
    const int32_t zRows = s.bounds.bottom - originY;

    s.v.beginAccess();
    for (int32_t i = 0; i < edge->count; ++i) {
        const int32_t row = edge->row;
        const int32_t zRow = row - originY;
        if (usable && row >= c.top && row < c.bottom && zRow >= 0 && zRow < zRows) {
            int32_t xl = roundFx(edge->leftX), xr = roundFx(edge->rightX);
            Channel ch[3] = {{w->leftRed, w->rightRed},
                             {w->leftGreen, w->rightGreen},
                             {w->leftBlue, w->rightBlue}};
            Channel index{w->leftIndex, w->rightIndex};
            if (xl > xr) {
                std::swap(xl, xr);
                for (Channel& k : ch)
                    std::swap(k.left, k.right);
                std::swap(index.left, index.right);
            }
            const int32_t span = xr - xl;
            int64_t step[3] = {0, 0, 0};
            int64_t indexStep = 0;
            for (int k = 0; k < 3; ++k) {
                int64_t diff = int64_t(ch[k].right) - ch[k].left;
                step[k] = span <= 1 ? diff : diff / (int64_t(span) + 1);
            }
            if (span > 0) indexStep = (int64_t(index.right) - index.left) / span;
            int32_t from = std::max(xl, c.left), to = std::min(xr, c.right);
            if (kDepth) {
                from = std::max(from, originX);
                to = std::min(to, originX + s.zWidth);
            }
            const int32_t base = sizeof(Z) == 2 ? (w->depth >> 15) : w->depth;
            Z* zr = kDepth ? cells + size_t(zRow) * size_t(s.zWidth) : nullptr;
            for (int32_t x = from; x < to; ++x) {
                if constexpr (kDepth) {
                    const int32_t d = int32_t(int64_t(table[x - originX]) + base);
                    Z& cell = zr[x - originX];
                    if (!(d > int32_t(cell))) continue;
                    cell = Z(d);
                }
                const int64_t n = x - xl;
                if (kShade == Shade::Rgb) {
                    uint32_t v[3];
                    for (int k = 0; k < 3; ++k)
                        v[k] = uint32_t(((int64_t(ch[k].left) + step[k] * n) >> 16) & 0xFF);
                    if (deep)
                        s.packedColor = ((v[0] >> f.redAdjust) & f.redMask) << f.redPosition |
                                        ((v[1] >> f.greenAdjust) & f.greenMask) << f.greenPosition |
                                        ((v[2] >> f.blueAdjust) & f.blueMask) << f.bluePosition;
                    else // the dithered writer takes the true colour (either field)
                        s.attr.color = s.packedColor = v[0] << 16 | v[1] << 8 | v[2];
                } else if (kShade == Shade::Index) {
                    int32_t idx = int32_t((int64_t(index.left) + indexStep * n) >> 16);
                    s.packedColor = GDL_colorToPixel(&s, std::clamp(idx, 0, 255));
                }
                put(x, row);
            }
        }
        // Far-off edges saturate rather than wrap.
        auto step = [](int32_t& v, int32_t by) { v = clamp32(int64_t(v) + by); };
        step(edge->leftX, edge->leftStep);
        step(edge->rightX, edge->rightStep);
        edge->row += 1;
        step(w->depth, w->depthStepRow);
        step(w->leftIndex, w->leftIndexStep);
        step(w->rightIndex, w->rightIndexStep);
        step(w->leftRed, w->leftRedStep);
        step(w->leftGreen, w->leftGreenStep);
        step(w->leftBlue, w->leftBlueStep);
        step(w->rightRed, w->rightRedStep);
        step(w->rightGreen, w->rightGreenStep);
        step(w->rightBlue, w->rightBlueStep);
    }
    s.v.endAccess();
    s.packedColor = savedColor;
    s.attr.color = savedTrueColor;
}

} // namespace

void DRV_depthTrapezoid16(GdlEdgeWalker* walker) {
    shadedTrapezoid<int16_t, Shade::Flat>(walker);
}
void DRV_depthTrapezoid32(GdlEdgeWalker* walker) {
    shadedTrapezoid<int32_t, Shade::Flat>(walker);
}
void DRV_shadedDepthTrapezoid16(GdlEdgeWalker* walker) {
    shadedTrapezoid<int16_t, Shade::Rgb>(walker);
}
void DRV_shadedDepthTrapezoid32(GdlEdgeWalker* walker) {
    shadedTrapezoid<int32_t, Shade::Rgb>(walker);
}
void DRV_shadedIndexTrapezoid16(GdlEdgeWalker* walker) {
    shadedTrapezoid<int16_t, Shade::Index>(walker);
}
void DRV_shadedIndexTrapezoid32(GdlEdgeWalker* walker) {
    shadedTrapezoid<int32_t, Shade::Index>(walker);
}
void DRV_rampTrapezoid(GdlEdgeWalker* walker) {
    shadedTrapezoid<void, Shade::Index>(walker);
}
void DRV_rgbTrapezoid(GdlEdgeWalker* walker) {
    shadedTrapezoid<void, Shade::Rgb>(walker);
}
