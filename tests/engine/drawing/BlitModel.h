// An independent per-pixel model of the two software blitters, written
// straight from their rules: formats by depth at run time, one target pixel
// at a time, sampling lists built as the rules describe them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace model {

inline int Bytes(int depth) {
    return depth == 15 ? 2 : depth / 8;
}

struct Surface {
    uint8_t* px;
    int pitch, w, h, depth;
    uint32_t Get(int x, int y) const {
        const uint8_t* p = px + static_cast<intptr_t>(y) * pitch + x * Bytes(depth);
        uint32_t v = 0;
        for (int i = 0; i < Bytes(depth); ++i)
            v |= uint32_t(p[i]) << (8 * i);
        return v;
    }
    void Put(int x, int y, uint32_t v) const {
        uint8_t* p = px + static_cast<intptr_t>(y) * pitch + x * Bytes(depth);
        for (int i = 0; i < Bytes(depth); ++i)
            p[i] = uint8_t(v >> (8 * i));
    }
};

// A surface owning its pixels.
struct Image : Surface {
    std::vector<uint8_t> store;
    Image(int w_, int h_, int depth_) : Surface{nullptr, w_ * Bytes(depth_), w_, h_, depth_} {
        store.assign(static_cast<size_t>(pitch) * h_, 0);
        px = store.data();
    }
    Image(const Image& o) : Surface(o), store(o.store) { px = store.data(); }
    Image& operator=(const Image& o) {
        Surface::operator=(o);
        store = o.store;
        px = store.data();
        return *this;
    }
};

inline bool Key(int depth, uint32_t p) {
    switch (depth) {
        case 15: return p == 0x03E0;
        case 16: return p == 0x07E0;
        default: return p == 0x00FF00; // 24 bits load with a zero top byte
    }
}

// Channels in 8-bit scale, low bits clear.
inline uint32_t R8(int d, uint32_t p) {
    return d == 15 ? ((p >> 10) & 31) << 3 : d == 16 ? ((p >> 11) & 31) << 3 : (p >> 16) & 255;
}
inline uint32_t G8(int d, uint32_t p) {
    return d == 15 ? ((p >> 5) & 31) << 3 : d == 16 ? ((p >> 5) & 63) << 2 : (p >> 8) & 255;
}
inline uint32_t B8(int d, uint32_t p) {
    return d <= 16 ? (p & 31) << 3 : p & 255;
}
inline uint32_t R5(int d, uint32_t p) {
    return R8(d, p) >> 3;
}
inline uint32_t B5(int d, uint32_t p) {
    return B8(d, p) >> 3;
}

// Widening fills green's low bits; narrowing keeps the top bits.
inline uint32_t ToRgb(int d, uint32_t p) {
    if (d == 15) return R8(d, p) << 16 | (G8(d, p) + 7) << 8 | B8(d, p);
    if (d == 16) return R8(d, p) << 16 | (G8(d, p) + 3) << 8 | B8(d, p);
    return p & 0xFFFFFF;
}
inline uint32_t FromRgb(int d, uint32_t rgb) {
    const uint32_t r = (rgb >> 16) & 255, g = (rgb >> 8) & 255, b = rgb & 255;
    if (d == 15) return (r >> 3) << 10 | (g >> 3) << 5 | b >> 3;
    if (d == 16) return (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
    return rgb & 0xFFFFFF;
}
inline uint32_t ConvertPx(int from, int to, uint32_t p) {
    return from == to ? p : FromRgb(to, ToRgb(from, p));
}

inline uint32_t First(uint32_t a, uint32_t c) {
    return (c * a) >> 8;
}
inline uint32_t Second(uint32_t a, uint32_t c) {
    return (c * (255 - a)) >> 8;
}

inline uint32_t Blend(int sd, int dd, uint32_t s, uint32_t d, uint32_t a) {
    if (Key(sd, s)) return d;
    auto mix = [&](uint32_t sc, uint32_t dc) { return First(a, sc) + Second(a, dc); };
    if (dd >= 24)
        return mix(R8(sd, s), R8(dd, d)) << 16 | mix(G8(sd, s), G8(dd, d)) << 8 |
               mix(B8(sd, s), B8(dd, d));
    const uint32_t blue = mix(B5(sd, s), B5(dd, d));
    const uint32_t green = mix(G8(sd, s), G8(dd, d));
    if (sd == 16 && dd == 16)
        return mix(R5(sd, s), R5(dd, d)) << 11 | ((green << 3) & 0xFFE0) | blue;
    const uint32_t red = mix(R8(sd, s), R8(dd, d));
    if (dd == 16) return ((red << 8) & 0xF800) | (green >> 2) << 5 | blue;
    return ((red << 7) & 0x7C00) | (green >> 3) << 5 | blue;
}

inline int Round(double v) {
    return static_cast<int>(v + 0.5);
}
inline int Clip(int v, int lo, int hi) {
    return std::max(lo, std::min(v, hi));
}

// The target range drawn: on the background and in the destination.
struct Range {
    int c0, c1, r0, r1;
    bool Empty() const { return c1 <= c0 || r1 <= r0; }
};
inline Range Drawn(int width, int height, int x, int y, const Surface& bg, int dstX, int dstY,
                   const Surface& dst) {
    return {std::max({0, -x, -dstX}), std::min({width, bg.w - x, dst.w - dstX}),
            std::max({0, -y, -dstY}), std::min({height, bg.h - y, dst.h - dstY})};
}

// The scaled picture of an enlargement, built as the rules say. `keyed`
// selects the keyed blitter's variant (double positions, runs but the last,
// the end of the rows) over the alpha blitter's.
inline Image Scaled(const Surface& src, int width, int height, int mid, bool keyed) {
    Image out(width, height, mid);
    const float xs = float(src.w) / float(width), ys = float(src.h) / float(height);
    const int kx = int(1.0f / xs), ky = int(1.0f / ys);
    auto pix = [&](int c, int r) {
        return ConvertPx(src.depth, mid, src.Get(Clip(c, 0, src.w - 1), Clip(r, 0, src.h - 1)));
    };
    double dy = 0, dx = 0;
    float fy = 0, fxp = 0;
    auto ypos = [&]() { return keyed ? dy : double(fy); };
    auto xpos = [&]() { return keyed ? dx : double(fxp); };
    auto addY = [&](float step) { keyed ? (void)(dy += step) : (void)(fy += step); };
    auto addX = [&](float step) { keyed ? (void)(dx += step) : (void)(fxp += step); };
    if (kx < 2 && ky < 2) {
        const int n = width == src.w ? width : width / (width - src.w);
        for (int i = 0; i < height; ++i) {
            const int r = Round(ypos());
            addY(ys);
            dx = 0;
            fxp = 0;
            int x = 0;
            if (!keyed) {
                for (int k = 0; k < width / n; ++k) {
                    const int c = Round(xpos());
                    for (int m = 0; m < n; ++m)
                        out.Put(x++, i, pix(c + m, r));
                    addX(float(n) * xs);
                }
                const int c = Round(xpos());
                for (int m = 0; m < width % n; ++m)
                    out.Put(x++, i, pix(c + m, r));
                continue;
            }
            if (n > 0)
                for (int k = 0; k < width / n - 1; ++k) {
                    const int c = Round(xpos());
                    for (int m = 0; m < n; ++m)
                        out.Put(x++, i, pix(c + m, r));
                    addX(float(n) * xs);
                }
            for (; x < width; ++x) {
                out.Put(x, i, pix(Round(xpos()), r));
                addX(xs);
            }
        }
        return out;
    }
    int rows = 0, last = 0;
    auto copyRow = [&](int to) {
        for (int x = 0; x < width; ++x)
            out.Put(x, to, out.Get(x, last));
    };
    while (rows < height) {
        const int r = Round(ypos());
        dx = 0;
        fxp = 0;
        int x = 0;
        while (x < width) {
            const uint32_t p = pix(Round(xpos()), r);
            if (kx == 0) {
                out.Put(x++, rows, p);
                addX(xs);
                continue;
            }
            for (int k = 0; k < kx && x < width; ++k)
                out.Put(x++, rows, p);
            addX(float(kx) * xs);
            if (int(xpos()) < Round(xpos())) {
                if (x < width) out.Put(x++, rows, p);
                addX(xs);
            }
        }
        last = rows++;
        if (ky == 0) {
            addY(ys);
            continue;
        }
        for (int k = 1; k < ky && rows < height; ++k)
            copyRow(rows++);
        addY(float(ky) * ys);
        if (int(ypos()) < Round(ypos())) {
            if (rows < height) copyRow(rows++);
            addY(ys);
        }
        if (keyed ? rows + ky >= height : height - rows < ky)
            while (rows < height)
                copyRow(rows++);
    }
    return out;
}

// The alpha blitter: every drawn pixel mixes its image sample with the
// background under it.
inline void AlphaBlit(const Surface& dst, const Surface& src, const Surface& bg, int width,
                      int height, int x, int y, int dstX, int dstY, int alpha) {
    const Range d = Drawn(width, height, x, y, bg, dstX, dstY, dst);
    if (d.Empty() || alpha < 0 || alpha > 255 || bg.depth != dst.depth) return;
    const float xs = float(src.w) / float(width), ys = float(src.h) / float(height);
    const bool same = src.w == width && src.h == height;
    const bool reduce = src.w > width && src.h > height;
    const bool mixed =
        !same && !reduce && (src.w > width || (src.h > height && int(1.0f / xs) >= 2));
    std::vector<int> colOf(width, 0), rowOf(height, 0);
    Image scaled(1, 1, src.depth);
    int imgDepth = src.depth;
    if (same) {
        for (int i = 0; i < width; ++i)
            colOf[i] = i;
        for (int j = 0; j < height; ++j)
            rowOf[j] = j;
    } else if (reduce || mixed) {
        const int n = reduce ? src.w / (src.w - width) : 0;
        const int limit = Bytes(src.depth) == 4 ? 12 : Bytes(src.depth) == 3 ? 6 : 4;
        const bool runs = reduce && n * Bytes(src.depth) > limit && src.h / (src.h - height) > 2;
        float yp = float(d.r0) * ys;
        for (int j = d.r0; j < d.r1; ++j, yp += ys)
            rowOf[j] = Clip(Round(yp), 0, src.h - 1);
        float xp = float(d.c0) * xs;
        int i = d.c0;
        if (runs)
            for (int k = 0; k < (d.c1 - d.c0) / n; ++k) {
                const int c = Round(xp);
                for (int m = 0; m < n; ++m)
                    colOf[i++] = Clip(c + m, 0, src.w - 1);
                xp += float(n) * xs;
            }
        for (; i < d.c1; ++i, xp += xs)
            colOf[i] = Clip(Round(xp), 0, src.w - 1);
    } else {
        const bool convert =
            Bytes(src.depth) != Bytes(dst.depth) && !(src.depth == 24 && dst.depth == 32);
        imgDepth = convert ? dst.depth : src.depth;
        scaled = Scaled(src, width, height, imgDepth, false);
        for (int i = 0; i < width; ++i)
            colOf[i] = i;
        for (int j = 0; j < height; ++j)
            rowOf[j] = j;
    }
    const Surface& img = same || reduce || mixed ? src : static_cast<const Surface&>(scaled);
    for (int j = d.r0; j < d.r1; ++j)
        for (int i = d.c0; i < d.c1; ++i)
            dst.Put(dstX + i, dstY + j,
                    Blend(imgDepth, dst.depth, img.Get(colOf[i], rowOf[j]), bg.Get(x + i, y + j),
                          uint32_t(alpha)));
}

// The keyed blitter: outer rows and columns of the drawn area show the
// background, every other pixel is the five-tap filter.
inline void KeyedBlit(const Surface& dst, const Surface& src, const Surface& bg, int width,
                      int height, int x, int y, int dstX, int dstY) {
    const Range d = Drawn(width, height, x, y, bg, dstX, dstY, dst);
    if (d.Empty() || bg.depth != dst.depth) return;
    const int n = d.c1 - d.c0, rows = d.r1 - d.r0;
    const bool same = src.w == width && src.h == height;
    const bool reduce = src.w > width && src.h > height;
    std::vector<int> colOf(width, 0), rowOf(height, 0);
    Image scaled(1, 1, src.depth);
    if (reduce) {
        const float fx = float(src.w) / float(width), fy = float(src.h) / float(height);
        const int qx = src.w / (src.w - width), qy = src.h / (src.h - height);
        const int limit = src.depth == 32 ? 4 : 3;
        const bool never =
            (src.depth == 16 && dst.depth <= 16) || (src.depth == 15 && dst.depth == 15);
        const bool b2 = !never && qx >= limit && qy >= 3;
        float acc = float(d.r0 + 1) * fy;
        for (int j = 1; j < rows - 1; ++j, acc += fy)
            rowOf[d.r0 + j] = Round(acc);
        acc = float(d.c0 + 1) * fx;
        int j = 1;
        if (b2) {
            const int end = n - 1 - (n - 1) % qx;
            while (j < end) {
                const int c = Round(acc);
                for (int k = 0; k < qx - 1 && j + k <= n - 2; ++k)
                    colOf[d.c0 + j + k] = c + 1 + k;
                j += qx - 1;
                acc += float(qx - 1) * fx;
            }
        }
        for (; j <= n - 2; ++j, acc += fx)
            colOf[d.c0 + j] = Round(acc);
        for (int& c : colOf)
            c = Clip(c, 1, src.w - 2);
        for (int& r : rowOf)
            r = Clip(r, 1, src.h - 2);
    } else {
        for (int i = 0; i < width; ++i)
            colOf[i] = i;
        for (int r = 0; r < height; ++r)
            rowOf[r] = r;
        if (!same) {
            const int mid = Bytes(src.depth) == 2 && Bytes(dst.depth) == 2 ? src.depth : dst.depth;
            scaled = Scaled(src, width, height, mid, true);
        }
    }
    const Surface& pic = same || reduce ? src : static_cast<const Surface&>(scaled);
    const int sd = pic.depth, dd = dst.depth;
    for (int j = d.r0; j < d.r1; ++j)
        for (int i = d.c0; i < d.c1; ++i) {
            const uint32_t back = bg.Get(x + i, y + j);
            if (j == d.r0 || j == d.r1 - 1 || i == d.c0 || i == d.c1 - 1) {
                dst.Put(dstX + i, dstY + j, back);
                continue;
            }
            const int pc = colOf[i], pr = rowOf[j];
            const int taps[5][4] = {{pc, pr - 1, i, j - 1},
                                    {pc, pr + 1, i, j + 1},
                                    {pc - 1, pr, i - 1, j},
                                    {pc, pr, i, j},
                                    {pc + 1, pr, i + 1, j}};
            uint32_t sr = 0, sg = 0, sb = 0;
            int keyedTaps = 0;
            for (const auto& t : taps) {
                const uint32_t p = pic.Get(t[0], t[1]);
                if (Key(sd, p)) {
                    const uint32_t q = bg.Get(x + t[2], y + t[3]);
                    ++keyedTaps;
                    sr += R8(dd, q);
                    sg += (sd == 15 && dd == 16) ? ((q >> 6) & 31) << 3 : G8(dd, q);
                    sb += B8(dd, q);
                } else {
                    sr += R8(sd, p);
                    sg += G8(sd, p);
                    sb += B8(sd, p);
                }
            }
            if (keyedTaps == 5) {
                dst.Put(dstX + i, dstY + j, back);
                continue;
            }
            auto level = [](uint32_t s) { return s == 0 ? 0 : (s >> 2) - (s >> 4) + 16; };
            const uint32_t r = level(sr), g = level(sg), b = level(sb);
            uint32_t out;
            if (dd == 15)
                out = (r >> 3) << 10 | (g >> 3) << 5 | b >> 3;
            else if (dd == 16)
                out = (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
            else
                out = r << 16 | g << 8 | b;
            dst.Put(dstX + i, dstY + j, out);
        }
}

} // namespace model
