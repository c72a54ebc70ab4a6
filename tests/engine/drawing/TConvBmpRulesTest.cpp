// Error diffusion into a palette checked against a second reading of its
// rules: one row of carried sums per channel, the nearest-colour cache
// filled as the pixels meet it.
#include "drawing/TConvBmp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace {

TPalCache& Cache() {
    static TPalCache cache;
    return cache;
}

// The cache as the pixels fill it.
struct Mapper {
    std::vector<GdlPaletteEntry> pal;
    std::vector<uint8_t> cells = std::vector<uint8_t>(32768, 0);
    int Map(int r, int g, int b) {
        const int cell = ((r >> 3) * 32 + (g >> 3)) * 32 + (b >> 3);
        if (cells[size_t(cell)]) return cells[size_t(cell)];
        int best = 0, bestD = 1 << 30;
        for (size_t i = 0; i < pal.size(); ++i) {
            const int d =
                std::abs(pal[i].red - r) + std::abs(pal[i].green - g) + std::abs(pal[i].blue - b);
            if (d < bestD) {
                bestD = d;
                best = int(i);
            }
            if (d == 0) break;
        }
        cells[size_t(cell)] = uint8_t(best);
        return best;
    }
};

int Clamp255(int v) {
    return v < 0 ? 0 : v > 255 ? 255 : v;
}

// Floyd-Steinberg with carried sums; `rgb` gives a source pixel's channels.
template <class Rgb>
std::vector<uint8_t> Diffuse(Mapper& m, int w, int h, bool serpentine, Rgb rgb) {
    std::vector<uint8_t> out(size_t(w) * h);
    std::vector<int> below[3], next[3];
    for (int c = 0; c < 3; ++c)
        below[c].assign(size_t(w) + 2, 0);
    for (int y = 0; y < h; ++y) {
        for (int c = 0; c < 3; ++c)
            next[c].assign(size_t(w) + 2, 0);
        const bool back = serpentine && (y & 1);
        const int step = back ? -1 : 1;
        int err[3] = {0, 0, 0};
        for (int k = 0; k < w; ++k) {
            const int x = back ? w - 1 - k : k;
            int src[3];
            rgb(x, y, src);
            int want[3];
            for (int c = 0; c < 3; ++c)
                want[c] = src[c] + ((below[c][size_t(x + 1)] + 7 * err[c] + 8) >> 4);
            const int idx = m.Map(Clamp255(want[0]), Clamp255(want[1]), Clamp255(want[2]));
            out[size_t(y) * w + x] = uint8_t(idx);
            const int got[3] = {m.pal[size_t(idx)].red, m.pal[size_t(idx)].green,
                                m.pal[size_t(idx)].blue};
            for (int c = 0; c < 3; ++c) {
                err[c] = want[c] - got[c];
                next[c][size_t(x + 1 - step)] += 3 * err[c];
                next[c][size_t(x + 1)] += 5 * err[c];
                next[c][size_t(x + 1 + step)] += err[c];
            }
        }
        for (int c = 0; c < 3; ++c)
            below[c] = next[c];
    }
    return out;
}

class ConvRules : public ::testing::Test {
protected:
    void SetUp() override {
        TConvBmp::SetCacheSource([] { return &Cache(); });
    }
    void TearDown() override { TConvBmp::SetCacheSource(nullptr); }
    std::mt19937 rng{4242};
    void Palette(Mapper& m, int n) {
        m.pal.resize(size_t(n));
        for (auto& e : m.pal)
            e = {uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), 0};
        if (n > 3) m.pal[3] = m.pal[1]; // equal distances: the first wins
        TPalCache& c = Cache();
        std::memset(&c, 0, sizeof(c));
        c.count = n;
        std::copy(m.pal.begin(), m.pal.end(), c.entries);
    }
};

TEST_F(ConvRules, DiffusionOfEveryDepthFollowsTheCarriedSums) {
    for (int bits : {4, 8, 16, 24, 32})
        for (int n = 0; n < 6; ++n) {
            Mapper m;
            Palette(m, 1 + int(rng() % 40));
            const int w = 1 + int(rng() % 23), h = 1 + int(rng() % 9);
            const int bytes = bits == 4 ? (w + 1) / 2 : w * bits / 8;
            std::vector<uint8_t> px(size_t(bytes) * h);
            for (auto& b : px)
                b = uint8_t(rng());
            std::vector<GdlPaletteEntry> spal(bits <= 8 ? size_t(1) << bits : 0);
            for (auto& e : spal)
                e = {uint8_t(rng()), uint8_t(rng()), uint8_t(rng()), 0};
            GdlPixelFormat f565 = GDL_pixelFormat565;
            GdlBitmap src{w,
                          h,
                          bits,
                          bytes,
                          px.data(),
                          bits <= 8 ? spal.data() : nullptr,
                          bits == 16 ? &f565 : nullptr};
            std::vector<uint8_t> outPx(size_t(w) * h, 0xEE);
            GdlBitmap dst{w, h, 8, w, outPx.data(), nullptr, nullptr};
            auto rgb = [&](int x, int y, int c[3]) {
                const uint8_t* row = px.data() + size_t(y) * bytes;
                if (bits <= 8) {
                    // 4-bit bytes hold the first pixel in the high nibble.
                    const int i = bits == 8 ? row[x] : (x & 1 ? row[x / 2] & 15 : row[x / 2] >> 4);
                    c[0] = spal[size_t(i)].red, c[1] = spal[size_t(i)].green,
                    c[2] = spal[size_t(i)].blue;
                } else if (bits == 16) {
                    const int p = row[2 * x] | row[2 * x + 1] << 8;
                    c[0] = (p >> 11) << 3, c[1] = ((p >> 5) & 63) << 2, c[2] = (p & 31) << 3;
                } else {
                    const uint8_t* q = row + x * (bits / 8);
                    c[0] = q[2], c[1] = q[1], c[2] = q[0];
                }
            };
            const std::vector<uint8_t> expect = Diffuse(m, w, h, bits != 4, rgb);
            switch (bits) {
                case 4: TConvBmp_4to8(&dst, &src); break;
                case 8: TConvBmp_8to8(&dst, &src); break;
                case 16: TConvBmp_16to8(&dst, &src); break;
                case 24: TConvBmp_24to8(&dst, &src); break;
                default: TConvBmp_32to8(&dst, &src); break;
            }
            ASSERT_EQ(outPx, expect) << bits << " bits " << w << "x" << h;
        }
}

} // namespace
