// The blend family and both blitters checked against a second, separately
// written reading of their rules (pixel channels by plain arithmetic, float
// walks step by step), beside the per-pixel model of the other suites.
#include "BlitFixture.h"

#include <cmath>

namespace {

using namespace blittest;

// --- A second model ---------------------------------------------------------------

int Px(int depth) {
    return depth == 15 ? 2 : depth / 8;
}

bool IsKey(int depth, uint32_t p) {
    if (depth == 15) return p == 0x03E0;
    if (depth == 16) return p == 0x07E0;
    if (depth == 24) return (p & 0xFFFFFF) == 0x00FF00;
    return p == 0x0000FF00;
}

struct Rgb {
    int r, g, b;    // channel values
    int rb, gb, bb; // their widths in bits
};

Rgb Split(int d, uint32_t p) {
    if (d == 15) return {int(p >> 10) & 31, int(p >> 5) & 31, int(p) & 31, 5, 5, 5};
    if (d == 16) return {int(p >> 11) & 31, int(p >> 5) & 63, int(p) & 31, 5, 6, 5};
    return {int(p >> 16) & 255, int(p >> 8) & 255, int(p) & 255, 8, 8, 8};
}

int Eight(int v, int bits) {
    return v << (8 - bits);
}
int First(int a, int c) {
    return c * a / 256;
}
int Second(int a, int c) {
    return c * (255 - a) / 256;
}
int Mix(int a, int s, int d) {
    return First(a, s) + Second(a, d);
}

uint32_t Blend(int sd, int dd, uint32_t s, uint32_t d, int a) {
    if (IsKey(sd, s)) return d;
    const Rgb i = Split(sd, s), b = Split(dd, d);
    const int r8 = Mix(a, Eight(i.r, i.rb), Eight(b.r, b.rb));
    const int g8 = Mix(a, Eight(i.g, i.gb), Eight(b.g, b.gb));
    if (dd >= 24)
        return uint32_t(r8) << 16 | uint32_t(g8) << 8 |
               uint32_t(Mix(a, i.b << (8 - i.bb), b.b << (8 - b.bb)));
    const int b5 = Mix(a, i.b >> (i.bb - 5), b.b >> (b.bb - 5));
    if (sd == 16 && dd == 16)
        return uint32_t(Mix(a, i.r, b.r)) << 11 | ((uint32_t(g8) << 3) & 0xFFE0) | uint32_t(b5);
    if (dd == 16) return ((uint32_t(r8) << 8) & 0xF800) | uint32_t(g8 >> 2) << 5 | uint32_t(b5);
    return ((uint32_t(r8) << 7) & 0x7C00) | uint32_t(g8 >> 3) << 5 | uint32_t(b5);
}

uint32_t Read(const model::Surface& s, int x, int y) {
    return s.Get(x, y);
}

// The five-tap smoothing of one pixel: taps above, below, left, centre, right.
int Sum8(int d, uint32_t p, int ch) {
    if (d == 15)
        return ch == 0 ? int(p >> 7) & 0xF8 : ch == 1 ? int(p >> 2) & 0xF8 : (int(p) & 31) << 3;
    if (d == 16)
        return ch == 0 ? int(p >> 8) & 0xF8 : ch == 1 ? int(p >> 3) & 0xFC : (int(p) & 31) << 3;
    return int(p >> (16 - 8 * ch)) & 255;
}
uint32_t Smooth(int sd, int dd, const uint32_t tap[5], const uint32_t under[5]) {
    int keyed = 0, sum[3] = {0, 0, 0};
    for (int t = 0; t < 5; ++t) {
        const bool k = IsKey(sd, tap[t]);
        keyed += k;
        for (int ch = 0; ch < 3; ++ch) {
            // 5:5:5 over 5:6:5 sums green at five bits: the background's
            // lowest green bit is dropped.
            const bool green5 = sd == 15 && dd == 16 && ch == 1;
            sum[ch] += !k       ? Sum8(sd, tap[t], ch)
                       : green5 ? int(under[t] >> 3) & 0xF8
                                : Sum8(dd, under[t], ch);
        }
    }
    if (keyed == 5) return under[3];
    int v[3];
    for (int ch = 0; ch < 3; ++ch)
        v[ch] = sum[ch] == 0 ? 0 : (sum[ch] >> 2) - (sum[ch] >> 4) + 16;
    if (dd == 15) return uint32_t(v[0] >> 3) << 10 | uint32_t(v[1] >> 3) << 5 | uint32_t(v[2] >> 3);
    if (dd == 16) return uint32_t(v[0] >> 3) << 11 | uint32_t(v[1] >> 2) << 5 | uint32_t(v[2] >> 3);
    return uint32_t(v[0]) << 16 | uint32_t(v[1]) << 8 | uint32_t(v[2]);
}

int Trunc(float acc) {
    return int(double(acc) + 0.5);
}

class BlitRules : public BlitTestBase {
protected:
    uint32_t RandPixel(int depth) {
        const uint32_t key = depth == 15 ? 0x03E0 : depth == 16 ? 0x07E0 : 0xFF00;
        if (Rand(0, 4) == 0) return key;
        const uint32_t v = rng();
        return depth <= 16   ? v & 0xFFFF
               : depth == 24 ? v & 0xFFFFFF
                             : (Rand(0, 3) ? v & 0xFFFFFF : v);
    }
    // A screen's pixels: 32-bit words with a clear top byte.
    void Screen(model::Surface& s) {
        for (int y = 0; y < s.h; ++y)
            for (int x = 0; x < s.w; ++x)
                s.Put(x, y, RandPixel(s.depth) & (s.depth == 32 ? 0xFFFFFF : ~0u));
    }
    void Random(model::Surface& s) {
        for (int y = 0; y < s.h; ++y)
            for (int x = 0; x < s.w; ++x)
                s.Put(x, y, RandPixel(s.depth));
    }
};

TEST_F(BlitRules, EveryPairOfDepthsFollowsTheChannelRules) {
    for (int sd : kDepths)
        for (int dd : kDepths)
            for (int n = 0; n < 1000; ++n) {
                const int a = n < 256 ? n : Rand(0, 255);
                const uint32_t s = RandPixel(sd), d = RandPixel(dd) & (dd == 32 ? 0xFFFFFF : ~0u);
                bool kept = false;
                ASSERT_EQ(BlendThroughBlit(sd, dd, s, d, a, &kept), Blend(sd, dd, s, d, a))
                    << sd << " over " << dd << " s " << std::hex << s << " d " << d << std::dec
                    << " a " << a;
                ASSERT_TRUE(kept) << sd << " over " << dd;
            }
}

// The alpha blitter, same size and both reduction walks, at every pair and
// at random places partly off the screen.
TEST_F(BlitRules, AlphaBlitSameSizeAndReductionWalks) {
    for (int sd : kDepths)
        for (int dd : kDepths)
            for (int n = 0; n < 30; ++n) {
                int sw = Rand(1, 40), sh = Rand(1, 30), width = sw, height = sh;
                if (n % 3 == 1) { // reduction, often close to 1 so that runs are taken
                    width = Rand(1, 30);
                    height = Rand(1, 20);
                    sw = width + Rand(1, n % 2 ? width : 3);
                    sh = height + Rand(1, n % 2 ? height : 3);
                } else if (n % 3 == 2) {
                    width = Rand(8, 30);
                    height = Rand(8, 20);
                    sw = width + 1;
                    sh = height + 1 + Rand(0, 2);
                }
                model::Image src(sw, sh, sd), dst(Rand(1, 50), Rand(1, 40), dd);
                Background bg(Rand(1, 60), Rand(1, 50), dd);
                Random(src);
                Random(dst);
                Screen(bg.image);
                const int x = Rand(-width, bg.image.w), y = Rand(-height, bg.image.h);
                const int dstX = Rand(0, dst.w), dstY = Rand(0, dst.h), alpha = Rand(0, 255);
                model::Image expect = dst;
                // The clipped rectangle in target coordinates.
                const int c0 = std::max({0, -x}), r0 = std::max({0, -y});
                const int c1 = std::min({width, bg.image.w - x, dst.w - dstX});
                const int r1 = std::min({height, bg.image.h - y, dst.h - dstY});
                const float xs = float(sw) / float(width), ys = float(sh) / float(height);
                const int bpp = Px(sd);
                const int thr = bpp == 4 ? 12 : bpp == 3 ? 6 : 4;
                const bool reduce = sw > width && sh > height;
                const int run = reduce && (sw / (sw - width)) * bpp > thr && sh / (sh - height) > 2
                                    ? sw / (sw - width)
                                    : 0;
                float yPos = float(r0) * ys;
                for (int r = r0; r < r1; ++r, yPos += ys) {
                    std::vector<int> cols;
                    float xPos = float(c0) * xs;
                    if (run)
                        for (int k = (c1 - c0) / run; k > 0; --k, xPos += float(run) * xs)
                            for (int m = 0; m < run; ++m)
                                cols.push_back(Trunc(xPos) + m);
                    while (int(cols.size()) < c1 - c0) {
                        cols.push_back(Trunc(xPos));
                        xPos += xs;
                    }
                    const int row = reduce ? Trunc(yPos) : r;
                    for (int c = c0; c < c1; ++c) {
                        const int col = reduce ? std::min(cols[size_t(c - c0)], sw - 1) : c;
                        expect.Put(
                            dstX + c, dstY + r,
                            Blend(sd, dd, Read(src, col, row), bg.image.Get(x + c, y + r), alpha));
                    }
                }
                TCanvasBlit::Blit(dst.px, src.px, src.pitch, sw, sh, sd, dst.pitch, dst.w, dst.h,
                                  width, height, dd, x, y, dstX, dstY, alpha);
                ASSERT_EQ(dst.store, expect.store)
                    << sd << " to " << dd << " " << sw << "x" << sh << " drawn " << width << "x"
                    << height << " at " << x << "," << y << " dst " << dstX << "," << dstY
                    << " run " << run;
            }
}

// The keyed blitter at its size and reduced in both directions (the float
// walk from the skipped part, and the runs of the faster column walk).
TEST_F(BlitRules, KeyedSameSizeAndReductionWalks) {
    for (int sd : kDepths)
        for (int dd : kDepths) {
            for (int n = 0; n < 30; ++n) {
                int sw = Rand(1, 40), sh = Rand(1, 30), width = sw, height = sh;
                if (n % 3 == 1) {
                    width = Rand(1, 30);
                    height = Rand(1, 20);
                    sw = width + Rand(1, width);
                    sh = height + Rand(1, height);
                } else if (n % 3 == 2) {
                    width = Rand(6, 40);
                    height = Rand(6, 20);
                    sw = width + 1 + Rand(0, width / 4);
                    sh = height + 1 + Rand(0, height / 4);
                }
                const bool whole = n % 10 == 2; // the target's right and bottom ends drawn
                if (whole) sw = 38, width = 31, sh = 20, height = 16;
                model::Image src(sw, sh, sd),
                    dst(whole ? 40 : Rand(1, 50), whole ? 20 : Rand(1, 40), dd);
                Background bg(whole ? 40 : Rand(1, 60), whole ? 20 : Rand(1, 50), dd);
                Random(src);
                Random(dst);
                Random(bg.image);
                const int x = whole ? Rand(-3, 3) : Rand(-width, bg.image.w);
                const int y = whole ? Rand(-3, 3) : Rand(-height, bg.image.h);
                const int dstX = whole ? 0 : Rand(0, dst.w), dstY = whole ? 0 : Rand(0, dst.h);
                model::Image expect = dst;
                const int c0 = std::max(0, -x), r0 = std::max(0, -y);
                const int c1 = std::min({width, bg.image.w - x, dst.w - dstX});
                const int r1 = std::min({height, bg.image.h - y, dst.h - dstY});
                const bool reduce = sw > width && sh > height;
                const float fx = float(sw) / float(width), fy = float(sh) / float(height);
                const int qx = reduce ? sw / (sw - width) : 0, qy = reduce ? sh / (sh - height) : 0;
                const bool b2 = reduce && qx >= (sd == 32 ? 4 : 3) && qy >= 3 &&
                                !(sd == 16 && dd == 15) && !(sd == 16 && dd == 16) &&
                                !(sd == 15 && dd == 15);
                // Picture columns of interior pixels 1 .. N-2.
                const int N = c1 - c0;
                std::vector<int> cols(size_t(std::max(N, 0)), 0);
                if (reduce && N > 2) {
                    float acc = float(c0 + 1) * fx;
                    int j = 1;
                    if (b2) {
                        const int e = N - 1 - ((N - 1) % qx);
                        while (j < e) {
                            const int c = Trunc(acc);
                            for (int m = 1; m <= qx - 1 && j + m - 1 <= N - 2; ++m)
                                cols[size_t(j + m - 1)] = c + m;
                            j += qx - 1;
                            acc += float(qx - 1) * fx;
                        }
                    }
                    for (; j <= N - 2; ++j, acc += fx)
                        cols[size_t(j)] = Trunc(acc);
                }
                float accY = float(r0 + 1) * fy;
                for (int r = r0; r < r1; ++r) {
                    const bool border = r == r0 || r == r1 - 1;
                    int row = r;
                    if (reduce && !border) {
                        row = Trunc(accY);
                        accY += fy;
                    }
                    for (int c = c0; c < c1; ++c) {
                        const int bx = x + c, by = y + r;
                        if (border || c == c0 || c == c1 - 1) {
                            expect.Put(dstX + c, dstY + r, bg.image.Get(bx, by));
                            continue;
                        }
                        const int col = reduce ? cols[size_t(c - c0)] : c;
                        auto pic = [&](int px, int py) {
                            return src.Get(std::clamp(px, 0, sw - 1), std::clamp(py, 0, sh - 1));
                        };
                        const uint32_t tap[5] = {pic(col, row - 1), pic(col, row + 1),
                                                 pic(col - 1, row), pic(col, row),
                                                 pic(col + 1, row)};
                        const uint32_t under[5] = {bg.image.Get(bx, by - 1),
                                                   bg.image.Get(bx, by + 1),
                                                   bg.image.Get(bx - 1, by), bg.image.Get(bx, by),
                                                   bg.image.Get(bx + 1, by)};
                        expect.Put(dstX + c, dstY + r, Smooth(sd, dd, tap, under));
                    }
                }
                TCanvasBlit::BlitKeyed(dst.px, src.px, src.pitch, sw, sh, sd, dst.pitch, dst.w,
                                       dst.h, width, height, dd, x, y, dstX, dstY);
                ASSERT_EQ(dst.store, expect.store)
                    << sd << " to " << dd << " " << sw << "x" << sh << " drawn " << width << "x"
                    << height << " at " << x << "," << y << " dst " << dstX << "," << dstY << " b2 "
                    << b2;
            }
        }
}

// A pixel moved into another layout: widening fills green's low bits, so a
// key stays a key; narrowing keeps the top bits.
uint32_t Convert(int from, int to, uint32_t p) {
    if (from == to) return p;
    uint32_t rgb = p & 0xFFFFFF;
    if (from == 15) rgb = ((p >> 10) & 31) << 19 | (((p >> 5) & 31) << 3 | 7) << 8 | (p & 31) << 3;
    if (from == 16) rgb = ((p >> 11) & 31) << 19 | (((p >> 5) & 63) << 2 | 3) << 8 | (p & 31) << 3;
    if (to >= 24) return rgb;
    const uint32_t r = rgb >> 16, g = (rgb >> 8) & 255, b = rgb & 255;
    if (to == 16) return (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
    return (r >> 3) << 10 | (g >> 3) << 5 | b >> 3;
}

// One sample `repeat` times, then once more when the walk, moved on by the
// repeats, rounds up. Acc is the walk's precision.
template <class Acc>
void Repeat(std::vector<int>& at, int n, Acc& acc, int repeat, float f, int v) {
    for (int k = 0; k < repeat && int(at.size()) < n; ++k)
        at.push_back(v);
    acc += Acc(repeat) * Acc(f);
    if (int(acc) < int(double(acc) + 0.5)) {
        if (int(at.size()) < n) at.push_back(v);
        acc += f;
    }
}

// The enlargement walk along an axis until n samples: each `repeat` times,
// or one by one for 0.
template <class Acc> void Walk(std::vector<int>& at, int n, Acc acc, int repeat, float f) {
    while (int(at.size()) < n) {
        const int c = int(double(acc) + 0.5);
        if (repeat == 0) {
            at.push_back(c);
            acc += f;
        } else {
            Repeat(at, n, acc, repeat, f, c);
        }
    }
}

// Picture indexes along one axis of the keyed blitter's resampling buffer.
// `repeat` is the factor of the enlargement walk, 0 for one by one, -1 for
// the runs of a near-equal size.
std::vector<int> KeyedAxis(int pic, int n, int repeat) {
    const float f = float(pic) / float(n);
    std::vector<int> at;
    double acc = 0.0;
    auto round = [](double a) { return int(a + 0.5); };
    if (repeat < 0) {
        const int q = n == pic ? n : n / (n - pic);
        if (q > 0)
            for (int k = n / q - 1; k > 0; --k) {
                for (int m = 0; m < q; ++m)
                    at.push_back(round(acc) + m);
                acc += double(q) * double(f);
            }
        repeat = 0;
    }
    Walk(at, n, acc, repeat, f);
    for (int& v : at)
        v = std::min(v, pic - 1);
    return at;
}

// Rows of the enlargement walk: each built row `repeat` times, once more when
// the walk rounds up, and the last built row to the end once the next
// repeats would reach it.
std::vector<int> KeyedRows(int pic, int n, int repeat) {
    if (repeat == 0) return KeyedAxis(pic, n, 0);
    const float f = float(pic) / float(n);
    std::vector<int> at;
    double acc = 0.0;
    while (int(at.size()) < n) {
        const int r = std::min(int(acc + 0.5), pic - 1);
        Repeat(at, n, acc, repeat, f, r);
        if (int(at.size()) + repeat >= n)
            while (int(at.size()) < n)
                at.push_back(r);
    }
    return at;
}

// One enlargement (or one-way reduction) of the keyed blitter against the
// second model; false after a mismatch.
class KeyedEnlarged : public BlitRules {
protected:
    void Check(int sd, int dd, int sw, int sh, int width, int height, int bgW, int bgH, int x,
               int y) {
        const int md = (sd == 16 && dd == 15) || (sd == 15 && dd == 16) ? sd : dd;
        model::Image src(sw, sh, sd), dst(bgW, bgH, dd);
        Background bg(bgW, bgH, dd);
        Random(src);
        Random(dst);
        Random(bg.image);
        const int dstX = Rand(0, dst.w), dstY = Rand(0, dst.h);
        const int kx = int(1.0f / (float(sw) / float(width)));
        const int ky = int(1.0f / (float(sh) / float(height)));
        const bool near = kx < 2 && ky < 2;
        const std::vector<int> cols = near ? KeyedAxis(sw, width, -1) : KeyedAxis(sw, width, kx);
        const std::vector<int> rows = near ? KeyedAxis(sh, height, 0) : KeyedRows(sh, height, ky);
        auto buf = [&](int c, int r) {
            return Convert(sd, md, src.Get(cols[size_t(c)], rows[size_t(r)]));
        };
        model::Image expect = dst;
        const int c0 = std::max(0, -x), r0 = std::max(0, -y);
        const int c1 = std::min({width, bg.image.w - x, dst.w - dstX});
        const int r1 = std::min({height, bg.image.h - y, dst.h - dstY});
        for (int r = r0; r < r1; ++r)
            for (int c = c0; c < c1; ++c) {
                const int bx = x + c, by = y + r;
                if (r == r0 || r == r1 - 1 || c == c0 || c == c1 - 1) {
                    expect.Put(dstX + c, dstY + r, bg.image.Get(bx, by));
                    continue;
                }
                const uint32_t tap[5] = {buf(c, r - 1), buf(c, r + 1), buf(c - 1, r), buf(c, r),
                                         buf(c + 1, r)};
                const uint32_t under[5] = {bg.image.Get(bx, by - 1), bg.image.Get(bx, by + 1),
                                           bg.image.Get(bx - 1, by), bg.image.Get(bx, by),
                                           bg.image.Get(bx + 1, by)};
                expect.Put(dstX + c, dstY + r, Smooth(md, dd, tap, under));
            }
        TCanvasBlit::BlitKeyed(dst.px, src.px, src.pitch, sw, sh, sd, dst.pitch, dst.w, dst.h,
                               width, height, dd, x, y, dstX, dstY);
        ASSERT_EQ(dst.store, expect.store)
            << sd << " to " << dd << " " << sw << "x" << sh << " drawn " << width << "x" << height
            << " at " << x << "," << y << " dst " << dstX << "," << dstY;
    }
};

TEST_F(KeyedEnlarged, RandomSizesResampleThenSmooth) {
    for (int sd : kDepths)
        for (int dd : kDepths) {
            for (int n = 0; n < 24; ++n) {
                const int sw = Rand(1, 20), sh = Rand(1, 16);
                int width = sw + Rand(0, sw - 1), height = sh + Rand(0, sh - 1); // near
                if (n % 3 == 1)
                    width = sw * Rand(2, 4) + Rand(0, 3), height = sh * Rand(1, 3) + Rand(0, 2);
                if (n % 3 == 2) width = std::max(1, sw - Rand(0, sw / 2)), height = sh * Rand(2, 4);
                if (width == sw && height == sh) ++width;
                const int bgW = Rand(1, 70), bgH = Rand(1, 60);
                Check(sd, dd, sw, sh, width, height, bgW, bgH, Rand(-width, bgW),
                      Rand(-height, bgH));
                if (HasFatalFailure()) return;
            }
        }
}

// Large factors, where a repeat count times the step lands just below a
// whole picture pixel (25 x 0.04f) and the walk adds one more.
TEST_F(KeyedEnlarged, LargeFactorsRepeatByTheDoubleWalk) {
    const int sizes[][4] = {{2, 2, 50, 50},   {3, 1, 75, 25}, {2, 5, 100, 12},
                            {4, 4, 100, 100}, {1, 3, 25, 75}, {7, 2, 70, 51}};
    for (const auto& z : sizes)
        for (int d : {16, 32}) {
            Check(d, d, z[0], z[1], z[2], z[3], z[2] + 2, z[3] + 2, 1, 1);
            if (HasFatalFailure()) return;
        }
}

// The alpha blitter's resampling of an enlargement along one axis, the walk
// stored as a float after every step.
std::vector<int> AlphaAxis(int pic, int n, bool runs, int repeat) {
    const float f = float(pic) / float(n);
    std::vector<int> at;
    float acc = 0.0f;
    if (runs) {
        const int q = n == pic ? n : n / (n - pic);
        for (int k = n / q; k > 0; --k, acc += float(q) * f)
            for (int m = 0; m < q; ++m)
                at.push_back(Trunc(acc) + m);
        for (int m = 0; int(at.size()) < n; ++m) // the rest from where the walk stands
            at.push_back(Trunc(acc) + m);
    }
    Walk(at, n, acc, repeat, f);
    for (int& v : at)
        v = std::min(v, pic - 1);
    return at;
}

std::vector<int> AlphaRows(int pic, int n, int repeat) {
    if (repeat == 0) return AlphaAxis(pic, n, false, 0);
    const float f = float(pic) / float(n);
    std::vector<int> at;
    float acc = 0.0f;
    while (int(at.size()) < n) {
        if (!at.empty() && n - int(at.size()) < repeat) {
            at.push_back(at.back());
            continue;
        }
        Repeat(at, n, acc, repeat, f, std::min(Trunc(acc), pic - 1));
    }
    return at;
}

TEST_F(BlitRules, AlphaEnlargementsAndMixedScaling) {
    for (int sd : kDepths)
        for (int dd : kDepths)
            for (int n = 0; n < 30; ++n) {
                const int sw = Rand(1, 20), sh = Rand(1, 16);
                int width = sw + Rand(0, sw - 1), height = sh + Rand(0, sh - 1);
                if (n % 3 == 1)
                    width = sw * Rand(2, 4) + Rand(0, 3), height = sh * Rand(1, 3) + Rand(0, 2);
                if (n % 3 == 2) {
                    if (n % 2)
                        width = std::max(1, sw - Rand(1, sw)), height = sh * Rand(1, 3);
                    else
                        width = sw * Rand(2, 3), height = std::max(1, sh - Rand(1, sh));
                }
                if (width == sw && height == sh) ++width;
                model::Image src(sw, sh, sd), dst(Rand(1, 60), Rand(1, 50), dd);
                Background bg(Rand(1, 70), Rand(1, 60), dd);
                Random(src);
                Random(dst);
                Screen(bg.image);
                const int x = Rand(-width, bg.image.w), y = Rand(-height, bg.image.h);
                const int dstX = Rand(0, dst.w), dstY = Rand(0, dst.h), alpha = Rand(0, 255);
                const int c0 = std::max(0, -x), r0 = std::max(0, -y);
                const int c1 = std::min({width, bg.image.w - x, dst.w - dstX});
                const int r1 = std::min({height, bg.image.h - y, dst.h - dstY});
                const float xs = float(sw) / float(width), ys = float(sh) / float(height);
                const int fx = int(1.0f / xs), fy = int(1.0f / ys);
                const bool mixed = sw > width || (sh > height && fx >= 2);
                const bool convert = Px(sd) != Px(dd) && !(sd == 24 && dd == 32);
                const int md = convert ? dd : sd;
                std::vector<int> cols, rows;
                if (mixed) { // the general rule of a reduction, from the drawn part
                    float a = float(c0) * xs;
                    cols.assign(size_t(width), 0);
                    for (int c = c0; c < width; ++c, a += xs)
                        cols[size_t(c)] = std::min(Trunc(a), sw - 1);
                    float b = float(r0) * ys;
                    rows.assign(size_t(height), 0);
                    for (int r = r0; r < height; ++r, b += ys)
                        rows[size_t(r)] = std::min(Trunc(b), sh - 1);
                } else if (fx < 2 && fy < 2) {
                    cols = AlphaAxis(sw, width, true, 0);
                    rows = AlphaAxis(sh, height, false, 0);
                } else {
                    cols = AlphaAxis(sw, width, false, fx);
                    rows = AlphaRows(sh, height, fy);
                }
                model::Image expect = dst;
                for (int r = r0; r < r1; ++r)
                    for (int c = c0; c < c1; ++c) {
                        const uint32_t p = src.Get(cols[size_t(c)], rows[size_t(r)]);
                        const uint32_t under = bg.image.Get(x + c, y + r);
                        expect.Put(dstX + c, dstY + r,
                                   mixed ? Blend(sd, dd, p, under, alpha)
                                         : Blend(md, dd, Convert(sd, md, p), under, alpha));
                    }
                TCanvasBlit::Blit(dst.px, src.px, src.pitch, sw, sh, sd, dst.pitch, dst.w, dst.h,
                                  width, height, dd, x, y, dstX, dstY, alpha);
                ASSERT_EQ(dst.store, expect.store)
                    << sd << " to " << dd << " " << sw << "x" << sh << " drawn " << width << "x"
                    << height << " at " << x << "," << y << " dst " << dstX << "," << dstY;
            }
}

} // namespace
