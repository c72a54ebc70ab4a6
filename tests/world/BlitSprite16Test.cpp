// The actor sprite blitter against a per-pixel reference written here from
// the smoothing rules (one target pixel at a time, sampling positions walked
// step by step), on its eight layout pairs and every resampling path, with
// the rule that five keyed taps give the output's key colour; its refusals
// and its buffer report.

#include "../engine/drawing/BlitFixture.h"
#include "BlitSprite16.h"
#include "ErrorProbe.h"
#include "WorldFixtures.h"
#include "drawing/KeyedSmoother.h"
#include "drawing/TCanvasBlit.h"
#include "gdl/dc.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace {

using worldtest::kBuilds;
using worldtest::TBuild;

// --- Pixels by depth -------------------------------------------------------------

int BytesOf(int depth) {
    return depth == 15 ? 2 : depth / 8;
}

struct Image {
    int w, h, depth, pitch;
    std::vector<uint8_t> px;
    Image(int w_, int h_, int depth_)
        : w(w_), h(h_), depth(depth_), pitch(w_ * BytesOf(depth_)),
          px(static_cast<size_t>(pitch) * h_) {}
    uint32_t Get(int x, int y) const {
        uint32_t v = 0;
        for (int i = 0; i < BytesOf(depth); ++i)
            v |= uint32_t(px[size_t(y) * pitch + size_t(x) * BytesOf(depth) + i]) << (8 * i);
        return v;
    }
    void Put(int x, int y, uint32_t v) {
        for (int i = 0; i < BytesOf(depth); ++i)
            px[size_t(y) * pitch + size_t(x) * BytesOf(depth) + i] = uint8_t(v >> (8 * i));
    }
};

uint32_t KeyOf(int depth) {
    return depth == 15 ? 0x03E0 : depth == 16 ? 0x07E0 : 0x00FF00;
}

// Red, green, blue of a pixel in 8-bit scale with the low bits clear.
struct Channels {
    uint32_t r, g, b;
};
Channels Split(int depth, uint32_t p) {
    if (depth == 15) return {((p >> 10) & 31) << 3, ((p >> 5) & 31) << 3, (p & 31) << 3};
    if (depth == 16) return {((p >> 11) & 31) << 3, ((p >> 5) & 63) << 2, (p & 31) << 3};
    return {(p >> 16) & 255, (p >> 8) & 255, p & 255};
}

// Into the resampling buffer's layout: widening fills green's low bits (three
// for 5:5:5, two for 5:6:5), so a key stays a key.
uint32_t Widen(int from, int to, uint32_t p) {
    if (from == to || to <= 16) return p;
    const Channels c = Split(from, p);
    return c.r << 16 | (c.g | (from == 15 ? 7 : 3)) << 8 | c.b;
}

// --- The reference ---------------------------------------------------------------

int Nearest(double position) {
    return static_cast<int>(position + 0.5);
}

// Picture columns (or rows) of an enlargement's buffer, `n` of them from a
// picture of `pic`: near the same size in runs of q consecutive pixels (all
// runs but the last) then one by one; from twofold on each sample `k` times
// and once more where the walk rounds up. Positions in double precision.
std::vector<int> BufferAxis(int pic, int n, bool runs, bool rows) {
    const float f = float(pic) / float(n);
    const int k = int(1.0f / f);
    std::vector<int> at;
    double pos = 0;
    if (runs) {
        const int q = n == pic ? n : n / (n - pic);
        if (q > 0 && !rows)
            for (int run = 0; run < n / q - 1; ++run, pos += double(q) * double(f))
                for (int m = 0; m < q; ++m)
                    at.push_back(Nearest(pos) + m);
        for (; int(at.size()) < n; pos += f)
            at.push_back(Nearest(pos));
    } else {
        while (int(at.size()) < n) {
            const int v = Nearest(pos);
            if (k == 0) { // a reduced direction: one by one
                at.push_back(v);
                pos += f;
                continue;
            }
            for (int m = 0; m < k && int(at.size()) < n; ++m)
                at.push_back(v);
            pos += double(k) * double(f);
            if (int(pos) < Nearest(pos)) {
                if (int(at.size()) < n) at.push_back(v);
                pos += f;
            }
            // Rows: once the next repeats reach the end, the last row fills it.
            if (rows && int(at.size()) + k >= n)
                while (int(at.size()) < n)
                    at.push_back(v);
        }
    }
    for (int& v : at)
        v = std::min(v, pic - 1);
    return at;
}

// Picture columns of a reduction's interior pixels 1 .. count - 2 of a clipped
// width `count` starting at target column c0; runs of qx - 1 consecutive
// columns while the scale is close to 1 (`qx` 0: one by one). Positions in
// single precision.
std::vector<int> ReducedColumns(int pic, int width, int c0, int count, int qx) {
    const float f = float(pic) / float(width);
    std::vector<int> at(size_t(std::max(count, 1)), 0);
    float pos = float(c0 + 1) * f;
    int j = 1;
    if (qx > 0) {
        const int end = count - 1 - (count - 1) % qx;
        while (j < end) {
            const int c = Nearest(pos);
            for (int m = 0; m < qx - 1 && j + m <= count - 2; ++m)
                at[size_t(j + m)] = c + 1 + m;
            j += qx - 1;
            pos += float(qx - 1) * f;
        }
    }
    for (; j <= count - 2; ++j, pos += f)
        at[size_t(j)] = Nearest(pos);
    for (int& v : at)
        v = std::min(v, pic - 1);
    return at;
}

int Level(uint32_t sum) {
    return sum == 0 ? 0 : int((sum >> 2) - (sum >> 4) + 16);
}

// How many interior pixels had five keyed taps, and how many a mix.
struct Tally {
    int keyed = 0, mixed = 0;
};

// The five-tap filter over picture pixels of layout `pd` into layout `dd`.
uint32_t Filter(int pd, int dd, const uint32_t taps[5], const uint32_t under[5], Tally& tally) {
    uint32_t r = 0, g = 0, b = 0;
    int keyed = 0;
    for (int t = 0; t < 5; ++t) {
        const bool key = taps[t] == KeyOf(pd);
        keyed += key;
        const Channels c = Split(key ? dd : pd, key ? under[t] : taps[t]);
        r += c.r;
        b += c.b;
        // 5:5:5 over 5:6:5 sums green at five bits.
        g += key && pd == 15 && dd == 16 ? c.g & 0xF8 : c.g;
    }
    ++(keyed == 5 ? tally.keyed : tally.mixed);
    if (keyed == 5) return KeyOf(dd);
    const uint32_t lr = uint32_t(Level(r)), lg = uint32_t(Level(g)), lb = uint32_t(Level(b));
    if (dd == 15) return (lr >> 3) << 10 | (lg >> 3) << 5 | lb >> 3;
    if (dd == 16) return (lr >> 3) << 11 | (lg >> 2) << 5 | lb >> 3;
    return lr << 16 | lg << 8 | lb;
}

// What the blitter must leave in `dst`.
void Reference(Image& dst, const Image& src, const Image& bg, int width, int height, int x, int y,
               int dstX, int dstY, Tally& tally) {
    const int c0 = std::max({0, -x, -dstX}), c1 = std::min({width, bg.w - x, dst.w - dstX});
    const int r0 = std::max({0, -y, -dstY}), r1 = std::min({height, bg.h - y, dst.h - dstY});
    if (c1 <= c0 || r1 <= r0) return;
    const int sd = src.depth, dd = dst.depth;
    const bool same = src.w == width && src.h == height;
    const bool reduced = src.w > width && src.h > height;
    // The picture the filter reads and the picture pixel under each target pixel.
    const int pd = same || reduced ? sd : BytesOf(dd) == 2 ? sd : dd;
    Image pic(width, height, pd);
    std::vector<int> cols(static_cast<size_t>(width)), rows(static_cast<size_t>(height));
    if (same || reduced) {
        pic = src;
        for (int c = 0; c < width; ++c)
            cols[size_t(c)] = c;
        for (int r = 0; r < height; ++r)
            rows[size_t(r)] = r;
    }
    if (reduced) {
        const int qx = src.w / (src.w - width), qy = src.h / (src.h - height);
        const bool runs = !(sd == 16 && dd <= 16) && !(sd == 15 && dd == 15) && qx >= 3 && qy >= 3;
        const std::vector<int> walk = ReducedColumns(src.w, width, c0, c1 - c0, runs ? qx : 0);
        for (int c = c0; c < c1; ++c)
            cols[size_t(c)] = walk[size_t(c - c0)];
        const float fy = float(src.h) / float(height);
        float pos = float(r0 + 1) * fy;
        for (int r = r0 + 1; r < r1 - 1; ++r, pos += fy)
            rows[size_t(r)] = std::min(Nearest(pos), src.h - 1);
    } else if (!same) {
        const float fx = float(src.w) / float(width), fy = float(src.h) / float(height);
        const bool runs = int(1.0f / fx) < 2 && int(1.0f / fy) < 2;
        const std::vector<int> bx = BufferAxis(src.w, width, runs, false);
        const std::vector<int> by = BufferAxis(src.h, height, runs, true);
        for (int r = 0; r < height; ++r)
            for (int c = 0; c < width; ++c)
                pic.Put(c, r, Widen(sd, pd, src.Get(bx[size_t(c)], by[size_t(r)])));
        for (int c = 0; c < width; ++c)
            cols[size_t(c)] = c;
        for (int r = 0; r < height; ++r)
            rows[size_t(r)] = r;
    }
    auto tap = [&](int c, int r) {
        return pic.Get(std::clamp(c, 0, pic.w - 1), std::clamp(r, 0, pic.h - 1));
    };
    for (int r = r0; r < r1; ++r)
        for (int c = c0; c < c1; ++c) {
            const int bx = x + c, by = y + r;
            if (r == r0 || r == r1 - 1 || c == c0 || c == c1 - 1) {
                dst.Put(dstX + c, dstY + r, bg.Get(bx, by));
                continue;
            }
            const int pc = cols[size_t(c)], pr = rows[size_t(r)];
            const uint32_t taps[5] = {tap(pc, pr - 1), tap(pc, pr + 1), tap(pc - 1, pr),
                                      tap(pc, pr), tap(pc + 1, pr)};
            const uint32_t under[5] = {bg.Get(bx, by - 1), bg.Get(bx, by + 1), bg.Get(bx - 1, by),
                                       bg.Get(bx, by), bg.Get(bx + 1, by)};
            dst.Put(dstX + c, dstY + r, Filter(pd, dd, taps, under, tally));
        }
}

// --- Fixture ---------------------------------------------------------------------

using blittest::FormatOf;

GdlDeviceContext*& Room() {
    static GdlDeviceContext* dc = nullptr;
    return dc;
}

// The room behind the actor: the display context the blitter reads.
struct RoomPicture {
    Image image;
    RoomPicture(int w, int h, int depth) : image(w, h, depth) {
        Room() = GDL_createMemoryDCEx(w, h, depth, FormatOf(depth), image.pitch, image.px.data(),
                                      nullptr);
    }
    ~RoomPicture() {
        GDL_selectCurrentDC(nullptr);
        GDL_destroyDC(Room());
        Room() = nullptr;
    }
};

struct Pair {
    int src, dst, line;
};
constexpr Pair kPairs[] = {{16, 15, 1633}, {16, 16, 1891}, {16, 24, 2143}, {15, 15, 2665},
                           {16, 32, 2403}, {15, 16, 2911}, {15, 24, 3163}, {15, 32, 3423}};

enum class Path { Same, Halved, NearlySame, Grown, Doubled, OneWay };
constexpr Path kPaths[] = {Path::Same,  Path::Halved,  Path::NearlySame,
                           Path::Grown, Path::Doubled, Path::OneWay};

class BlitSprite16Test : public ::testing::Test {
protected:
    void SetUp() override {
        PACK_registerDrivers();
        TCanvasBlit::SetContextSource([] { return Room(); });
    }
    void TearDown() override {
        TCanvasBlit::SetContextSource(nullptr);
        TCanvasBlit::SetBufferHeap(nullptr, nullptr);
    }
    std::mt19937 rng{2024};
    int Rand(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

    // Random pixels, keyed at about the given rate in blocks of 2 x 2 and
    // here and there alone, so that some targets see five keyed taps and
    // others a mix.
    void Fill(Image& im, int keyPercent) {
        const uint32_t mask = im.depth <= 16 ? 0xFFFF : 0xFFFFFF;
        std::vector<int> blocks(size_t((im.w / 2 + 1) * (im.h / 2 + 1)));
        for (int& b : blocks)
            b = Rand(0, 99) < keyPercent;
        for (int y = 0; y < im.h; ++y)
            for (int x = 0; x < im.w; ++x) {
                const bool key = blocks[size_t(y / 2 * (im.w / 2 + 1) + x / 2)] || Rand(0, 9) == 0;
                im.Put(x, y, key ? KeyOf(im.depth) : uint32_t(rng()) & mask);
            }
    }

    // Frame and target sizes of one path.
    struct Sizes {
        int sw, sh, w, h;
    };
    Sizes SizesOf(Path path) {
        switch (path) {
            case Path::Same: {
                const int w = Rand(1, 40), h = Rand(1, 30);
                return {w, h, w, h};
            }
            case Path::Halved: {
                const int w = Rand(2, 25), h = Rand(2, 20);
                return {2 * w + Rand(0, w), 2 * h + Rand(0, h), w, h};
            }
            case Path::NearlySame: { // runs of 2 or more columns where the pair has them
                const int w = Rand(9, 60), h = Rand(9, 40);
                return {w + Rand(1, w / 2), h + Rand(1, h / 2), w, h};
            }
            case Path::Grown: {
                const int sw = Rand(2, 30), sh = Rand(2, 24);
                return {sw, sh, sw + Rand(1, sw - 1), sh + Rand(0, sh - 1)};
            }
            case Path::Doubled: {
                const int sw = Rand(1, 12), sh = Rand(1, 10);
                return {sw, sh, 2 * sw + Rand(0, 2 * sw), 2 * sh + Rand(0, sh)};
            }
            case Path::OneWay: // reduced one way, enlarged the other
            default: {
                const int sw = Rand(6, 30), sh = Rand(2, 12);
                const Sizes z{sw, sh, sw - Rand(1, sw / 2), sh * Rand(1, 3) + Rand(1, 3)};
                return Rand(0, 1) ? z : Sizes{z.sh, z.sw, z.h, z.w};
            }
        }
    }
};

// Exact sizes: the sanitizer build shows that nothing outside the frame, the
// canvas and the room is touched.
TEST_F(BlitSprite16Test, EveryPairAndPathMatchesTheReference) {
    Tally tally;
    for (bool wide : kBuilds)
        for (const Pair& pair : kPairs)
            for (Path path : kPaths)
                for (int n = 0; n < 10; ++n) {
                    const auto [sw, sh, w, h] = SizesOf(path);
                    Image src(sw, sh, pair.src), dst(Rand(1, 70), Rand(1, 60), pair.dst);
                    Fill(src, Rand(20, 70));
                    Fill(dst, 10);
                    const bool whole = n % 3 == 0;
                    const TBuild build(wide);
                    RoomPicture room(whole ? w + Rand(0, 4) : Rand(1, 80),
                                     whole ? h + Rand(0, 4) : Rand(1, 70), pair.dst);
                    Fill(room.image, 10);
                    const int x = whole ? Rand(0, 1) : Rand(-w, room.image.w);
                    const int y = whole ? Rand(0, 1) : Rand(-h, room.image.h);
                    const int dstX = whole ? 0 : Rand(-w / 2, dst.w),
                              dstY = whole ? 0 : Rand(-h, dst.h);
                    if (whole) dst = Image(w + 1, h + 1, pair.dst);
                    Image expect = dst;
                    Reference(expect, src, room.image, w, h, x, y, dstX, dstY, tally);
                    BlitSprite16(dst.px.data(), src.px.data(), src.pitch, sw, sh, pair.src,
                                 dst.pitch, dst.w, dst.h, w, h, pair.dst, x, y, dstX, dstY);
                    ASSERT_EQ(dst.px, expect.px)
                        << (wide ? "wide" : "baseline") << " build, " << pair.src << " to "
                        << pair.dst << " path " << int(path) << " frame " << sw << "x" << sh
                        << " drawn " << w << "x" << h << " at " << x << "," << y << " canvas "
                        << dstX << "," << dstY << " room " << room.image.w << "x" << room.image.h;
                }
    // Both kinds of interior pixel occur often.
    EXPECT_GT(tally.keyed, 2000);
    EXPECT_GT(tally.mixed, 2000);
}

// A fully keyed frame: the interior in the output key colour, the outer rows
// and columns the room. Through a 24 or 32-bit buffer a 5:5:5 or 5:6:5 key
// must still read as a key.
TEST_F(BlitSprite16Test, KeyedFrameLeavesKeyInsideAndRoomAround) {
    for (const Pair& pair : kPairs)
        for (int w : {8, 6, 17}) { // same size, reduced, enlarged
            Image src(8, 7, pair.src), dst(20, 20, pair.dst);
            for (int y = 0; y < 7; ++y)
                for (int x = 0; x < 8; ++x)
                    src.Put(x, y, KeyOf(pair.src));
            RoomPicture room(30, 30, pair.dst);
            Fill(room.image, 0);
            BlitSprite16(dst.px.data(), src.px.data(), src.pitch, 8, 7, pair.src, dst.pitch, 20, 20,
                         w, w - 1, pair.dst, 5, 6, 2, 3);
            for (int y = 0; y < w - 1; ++y)
                for (int x = 0; x < w; ++x) {
                    const bool border = x == 0 || y == 0 || x == w - 1 || y == w - 2;
                    ASSERT_EQ(dst.Get(2 + x, 3 + y),
                              border ? room.image.Get(5 + x, 6 + y) : KeyOf(pair.dst))
                        << pair.src << " to " << pair.dst << " width " << w << " at " << x << ","
                        << y;
                }
        }
}

// A pure red pixel among keys over black keeps red 7 of 31 (3/16 of it plus
// 16 in 8-bit scale), and so do the four pixels whose taps reach it; the
// diagonal ones see five keys.
TEST_F(BlitSprite16Test, LoneOpaquePixelBlendsWithTheRoom) {
    Image src(5, 5, 16), dst(5, 5, 16);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            src.Put(x, y, 0x07E0);
    src.Put(2, 2, 0xF800);
    RoomPicture room(5, 5, 16); // black
    BlitSprite16(dst.px.data(), src.px.data(), src.pitch, 5, 5, 16, dst.pitch, 5, 5, 5, 5, 16, 0, 0,
                 0, 0);
    for (const auto& [x, y] : {std::pair{2, 2}, {1, 2}, {3, 2}, {2, 1}, {2, 3}})
        EXPECT_EQ(dst.Get(x, y), 7u << 11) << x << "," << y; // one red tap each
    EXPECT_EQ(dst.Get(1, 1), 0x07E0u);                       // five keyed taps
    EXPECT_EQ(dst.Get(0, 2), 0u);                            // border: the room
}

TEST_F(BlitSprite16Test, OtherDepthsDrawNothing) {
    struct Case {
        int src, dst, room;
    };
    const Case cases[] = {{24, 16, 16}, {32, 16, 16}, {24, 32, 32}, {32, 32, 32},
                          {8, 16, 16},  {16, 8, 8},   {16, 16, 32}, {15, 24, 16}};
    for (const Case& c : cases) {
        Image src(6, 6, c.src == 8 ? 16 : c.src), dst(8, 8, c.dst == 8 ? 16 : c.dst);
        Fill(src, 20);
        Fill(dst, 20);
        const Image before = dst;
        RoomPicture room(8, 8, c.room == 8 ? 16 : c.room);
        for (int size : {6, 4, 8}) // every path
            BlitSprite16(dst.px.data(), src.px.data(), src.pitch, 6, 6, c.src, dst.pitch, 8, 8,
                         size, size, c.dst, 0, 0, 0, 0);
        EXPECT_EQ(dst.px, before.px) << c.src << " to " << c.dst << " over " << c.room;
    }
}

TEST_F(BlitSprite16Test, BufferFailureReportsTheActorsSourceAndThePairsLine) {
    TCanvasBlit::SetBufferHeap([](size_t) -> void* { return nullptr; }, [](void*) {});
    for (const Pair& pair : kPairs) {
        Image src(4, 4, pair.src), dst(8, 8, pair.dst);
        Fill(src, 20);
        Fill(dst, 20);
        const Image before = dst;
        RoomPicture room(8, 8, pair.dst);
        TError::ClearLists();
        BlitSprite16(dst.px.data(), src.px.data(), src.pitch, 4, 4, pair.src, dst.pitch, 8, 8, 8, 8,
                     pair.dst, 0, 0, 0, 0);
        EXPECT_EQ(dst.px, before.px);
        ASSERT_NE(NewestError(), nullptr);
        EXPECT_EQ(NewestError()->code, 9);
        EXPECT_STREQ(NewestError()->source.c_str(), "Int\\All\\Source\\RoomActor");
        EXPECT_EQ(NewestError()->line, pair.line) << pair.src << " to " << pair.dst;
        EXPECT_TRUE(GDL_isCurrentDC(Room()));
    }
}

} // namespace

// A second look at the actor sprite blitter, against a model of its rules
// written out pixel by pixel:
// - eight format pairs (5:5:5 and 5:6:5 frames onto 15, 16, 24 and 32-bit
//   canvases); any other frame or canvas depth draws nothing;
// - the path by size: same size (A), a reduction both ways (B, with the run
//   walk B2 for pairs that have it when qx >= 3 and qy >= 3), everything else
//   through a resampling buffer (C1 near the same size, C2 from twofold on);
// - sampling positions: B in single precision from (skip + 1) x f, C in a
//   double accumulator from 0, each rounded by adding 0.5 and truncating;
// - the five-tap filter: a keyed tap takes the room pixel at its place, five
//   keyed taps give the canvas's key colour, channels summed in 8-bit scale
//   and mapped by (S >> 2) - (S >> 4) + 16;
// - the outer rows and columns of the drawn area show the room;
// - clipping to the room, to the canvas's width and height, and at negative
//   places, sampling as if the whole target were drawn;
// - the resampling buffer's failure: error 9 from the actor's source with
//   the pair's line, nothing drawn.
namespace {
namespace blitcheck {

// --- Pixel planes ----------------------------------------------------------------

int Bpp(int depth) {
    return depth == 15 ? 2 : depth / 8;
}

struct Plane {
    int w = 0, h = 0, depth = 16, pitch = 0;
    std::vector<uint8_t> bytes;
    Plane() = default;
    Plane(int w_, int h_, int depth_, int pad = 0)
        : w(w_), h(h_), depth(depth_), pitch(w_ * Bpp(depth_) + pad),
          bytes(size_t(pitch) * size_t(std::max(h_, 1))) {}
    uint32_t Get(int x, int y) const {
        uint32_t v = 0;
        for (int i = 0; i < Bpp(depth); ++i)
            v |= uint32_t(bytes[size_t(y) * pitch + size_t(x) * Bpp(depth) + i]) << (8 * i);
        return v;
    }
    void Put(int x, int y, uint32_t v) {
        for (int i = 0; i < Bpp(depth); ++i)
            bytes[size_t(y) * pitch + size_t(x) * Bpp(depth) + i] = uint8_t(v >> (8 * i));
    }
};

// --- The rules as a model -----------------------------------------------------------

struct Rgb {
    uint32_t r, g, b;
};

bool IsKeyed(int depth, uint32_t p) {
    switch (depth) {
        case 15: return p == 0x03E0;
        case 16: return p == 0x07E0;
        case 24: return (p & 0xFFFFFF) == 0x00FF00;
        default: return p == 0x00FF00; // the whole word: a top byte is no key
    }
}

uint32_t KeyOf(int depth) {
    return depth == 15 ? 0x03E0 : depth == 16 ? 0x07E0 : 0x00FF00;
}

// A tap in 8-bit scale, low bits clear.
Rgb Channels(int depth, uint32_t p) {
    if (depth == 15) return {(p >> 7) & 0xF8, (p >> 2) & 0xF8, (p & 0x1F) << 3};
    if (depth == 16) return {(p >> 8) & 0xF8, (p >> 3) & 0xFC, (p & 0x1F) << 3};
    return {(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF};
}

uint32_t Level(uint32_t s) {
    return s == 0 ? 0 : (s >> 2) - (s >> 4) + 16;
}

uint32_t Pack(int depth, Rgb c) {
    if (depth == 15) return (c.r >> 3) << 10 | (c.g >> 3) << 5 | c.b >> 3;
    if (depth == 16) return (c.r >> 3) << 11 | (c.g >> 2) << 5 | c.b >> 3;
    return c.r << 16 | c.g << 8 | c.b;
}

// Five taps of a picture (or buffer) of depth `tapDepth` over five room
// pixels of the canvas's depth, in the order above, below, left, centre,
// right.
uint32_t Smooth(int tapDepth, int outDepth, const uint32_t (&taps)[5], const uint32_t (&room)[5]) {
    Rgb sum{0, 0, 0};
    int keyed = 0;
    for (int t = 0; t < 5; ++t) {
        Rgb c;
        if (IsKeyed(tapDepth, taps[t])) {
            ++keyed;
            c = Channels(outDepth, room[t]);
            // 5:5:5 over 5:6:5 sums green at five bits.
            if (tapDepth == 15 && outDepth == 16) c.g &= 0xF8;
        } else {
            c = Channels(tapDepth, taps[t]);
        }
        sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
    }
    if (keyed == 5) return KeyOf(outDepth);
    return Pack(outDepth, {Level(sum.r), Level(sum.g), Level(sum.b)});
}

// The resampling buffer's layout and the conversion into it: 2-byte pairs
// keep the frame's pixels, wider canvases take 8-bit channels with green's
// low bits filled, so a key stays a key.
int BufferDepth(int src, int dst) {
    return dst <= 16 ? src : dst;
}
uint32_t IntoBuffer(int src, int dst, uint32_t p) {
    if (dst <= 16) return p;
    const Rgb c = Channels(src, p);
    return c.r << 16 | (c.g | (src == 15 ? 7u : 3u)) << 8 | c.b;
}

int RunWalkThreshold(int src, int dst) {
    const bool never = (src == 16 && dst <= 16) || (src == 15 && dst == 15);
    return never ? 0 : 3;
}

template <class A> int Nearest(A acc) {
    return int(double(acc) + 0.5);
}

// Picture columns under interior pixels 1 .. n - 2 of a reduction's clipped
// width n that starts at target column c0. `runs`: qx for the run walk, 0
// for one by one.
std::vector<int> ReductionColumns(int pic, int target, int c0, int n, int runs) {
    const float f = float(pic) / float(target);
    std::vector<int> at(size_t(std::max(n, 0)), -1);
    float acc = float(c0 + 1) * f;
    int j = 1;
    if (runs > 0) {
        const int end = n - 1 - (n - 1) % runs;
        while (j < end) {
            const int c = Nearest(acc);
            for (int m = 0; m < runs - 1 && j + m <= n - 2; ++m)
                at[size_t(j + m)] = c + 1 + m;
            j += runs - 1;
            acc += float(runs - 1) * f;
        }
    }
    for (; j <= n - 2; ++j, acc += f)
        at[size_t(j)] = Nearest(acc);
    return at;
}

// Picture columns (or rows) of the resampling buffer, `target` of them.
// Near the same size (k < 2 both ways) columns come in runs of q consecutive
// pixels, all but the last run, then one by one, and rows one by one. From
// twofold on each sample is taken k times and once more where the walk rounds
// up; once k more rows would reach the end, the last built row fills the
// rest. A reduced direction (k = 0) is sampled one by one.
std::vector<int> BufferAxis(int pic, int target, bool nearSame, bool rows) {
    const float f = float(pic) / float(target);
    const int k = int(1.0f / f);
    std::vector<int> at;
    double acc = 0.0;
    auto full = [&] { return int(at.size()) >= target; };
    if (nearSame && !rows) {
        const int q = target == pic ? target : target / (target - pic);
        for (int run = 0; q > 0 && run < target / q - 1; ++run, acc += double(q) * double(f))
            for (int m = 0; m < q; ++m)
                at.push_back(Nearest(acc) + m);
    } else if (!nearSame && k > 0) {
        while (!full()) {
            const int c = Nearest(acc);
            for (int m = 0; m < k && !full(); ++m)
                at.push_back(c);
            acc += double(k) * double(f);
            if (int(acc) < Nearest(acc)) {
                if (!full()) at.push_back(c);
                acc += f;
            }
            if (rows && int(at.size()) + k >= target)
                while (!full())
                    at.push_back(c);
        }
    }
    for (; !full(); acc += f)
        at.push_back(Nearest(acc));
    return at;
}

struct Blit {
    int srcDepth, dstDepth;
    int width, height; // target size
    int x, y;          // place on the room
    int dstX, dstY;
    int dstWidth, dstHeight; // the canvas as the call gives it
};

enum class Path { A, B, B2, C1, C2 };

Path PathOf(const Blit& b, const Plane& pic) {
    if (pic.w == b.width && pic.h == b.height) return Path::A;
    if (pic.w > b.width && pic.h > b.height) {
        const int qx = pic.w / (pic.w - b.width), qy = pic.h / (pic.h - b.height);
        const int t = RunWalkThreshold(b.srcDepth, b.dstDepth);
        return t > 0 && qx >= t && qy >= 3 ? Path::B2 : Path::B;
    }
    const float fx = float(pic.w) / float(b.width), fy = float(pic.h) / float(b.height);
    return int(1.0f / fx) < 2 && int(1.0f / fy) < 2 ? Path::C1 : Path::C2;
}

// What the canvas holds after the blit.
Plane Expected(const Blit& b, const Plane& pic, const Plane& room, Plane canvas) {
    const int c0 = std::max({0, -b.x, -b.dstX});
    const int c1 = std::min({b.width, room.w - b.x, b.dstWidth - b.dstX});
    const int r0 = std::max({0, -b.y, -b.dstY});
    const int r1 = std::min({b.height, room.h - b.y, b.dstHeight - b.dstY});
    if (c1 <= c0 || r1 <= r0) return canvas;
    const int n = c1 - c0, rows = r1 - r0;
    const Path path = PathOf(b, pic);

    // Where the taps come from: the frame itself (A, B) or the buffer (C).
    Plane taps = pic;
    std::vector<int> colAt(size_t(b.width)), rowAt(size_t(b.height));
    for (int i = 0; i < b.width; ++i)
        colAt[size_t(i)] = i;
    for (int i = 0; i < b.height; ++i)
        rowAt[size_t(i)] = i;
    if (path == Path::B || path == Path::B2) {
        const int runs = path == Path::B2 ? pic.w / (pic.w - b.width) : 0;
        const std::vector<int> cols = ReductionColumns(pic.w, b.width, c0, n, runs);
        const float fy = float(pic.h) / float(b.height);
        float acc = float(r0 + 1) * fy;
        for (int j = 1; j <= n - 2; ++j)
            colAt[size_t(c0 + j)] = cols[size_t(j)];
        for (int i = 1; i <= rows - 2; ++i, acc += fy)
            rowAt[size_t(r0 + i)] = Nearest(acc);
    } else if (path == Path::C1 || path == Path::C2) {
        const bool nearSame = path == Path::C1;
        const std::vector<int> cols = BufferAxis(pic.w, b.width, nearSame, false);
        const std::vector<int> rws = BufferAxis(pic.h, b.height, nearSame, true);
        taps = Plane(b.width, b.height, BufferDepth(b.srcDepth, b.dstDepth));
        for (int r = 0; r < b.height; ++r)
            for (int c = 0; c < b.width; ++c)
                taps.Put(c, r,
                         IntoBuffer(b.srcDepth, b.dstDepth,
                                    pic.Get(std::min(cols[size_t(c)], pic.w - 1),
                                            std::min(rws[size_t(r)], pic.h - 1))));
    }
    // A run may end on the frame's last column; its taps stay inside.
    auto tap = [&](int c, int r) {
        return taps.Get(std::clamp(c, 0, taps.w - 1), std::clamp(r, 0, taps.h - 1));
    };

    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < n; ++j) {
            const int tc = c0 + j, tr = r0 + i;
            const int rx = b.x + tc, ry = b.y + tr;
            uint32_t out;
            if (i == 0 || i == rows - 1 || j == 0 || j == n - 1) {
                out = room.Get(rx, ry);
            } else {
                const int pc = colAt[size_t(tc)], pr = rowAt[size_t(tr)];
                const uint32_t t[5] = {tap(pc, pr - 1), tap(pc, pr + 1), tap(pc - 1, pr),
                                       tap(pc, pr), tap(pc + 1, pr)};
                const uint32_t under[5] = {room.Get(rx, ry - 1), room.Get(rx, ry + 1),
                                           room.Get(rx - 1, ry), room.Get(rx, ry),
                                           room.Get(rx + 1, ry)};
                out = Smooth(taps.depth, b.dstDepth, t, under);
            }
            canvas.Put(b.dstX + tc, b.dstY + tr, out);
        }
    return canvas;
}

// --- Fixture ------------------------------------------------------------------------

using blittest::FormatOf;
using blittest::MainSlot;

// The room behind the actor, as the display's context the blitter reads.
class Room {
public:
    explicit Room(Plane& plane) {
        MainSlot() = GDL_createMemoryDCEx(plane.w, plane.h, plane.depth, FormatOf(plane.depth),
                                          plane.pitch, plane.bytes.data(), nullptr);
    }
    ~Room() {
        GDL_selectCurrentDC(nullptr);
        GDL_destroyDC(MainSlot());
        MainSlot() = nullptr;
    }
    Room(const Room&) = delete;
    Room& operator=(const Room&) = delete;
};

struct Pair {
    int src, dst, line;
};
constexpr Pair kPairs[] = {{16, 15, 1633}, {16, 16, 1891}, {16, 24, 2143}, {16, 32, 2403},
                           {15, 15, 2665}, {15, 16, 2911}, {15, 24, 3163}, {15, 32, 3423}};

class SpriteBlitCheck : public blittest::BlitTestBase {
protected:
    void TearDown() override { BlitTestBase::TearDown(); }

    uint32_t Next() { return rng(); }

    // A frame: keyed in 3 x 3 blocks and here and there alone; 5:5:5 frames
    // also carry pixels with bit 15 set, among them 0x83E0, and 0x07E0.
    Plane Frame(int w, int h, int depth) {
        Plane p(w, h, depth, int(Next() % 3) * 2);
        const int bw = w / 3 + 1;
        std::vector<bool> block(size_t(bw * (h / 3 + 1)));
        for (size_t i = 0; i < block.size(); ++i)
            block[i] = Next() % 3 == 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint32_t v = Next() & 0xFFFF;
                if (depth == 15 && Next() % 16 == 0) v = Next() % 2 ? 0x83E0 : 0x07E0;
                if (block[size_t(y / 3 * bw + x / 3)] || Next() % 8 == 0) v = KeyOf(depth);
                p.Put(x, y, v);
            }
        return p;
    }
    // Room and canvas: any bytes, including 32-bit top bytes and key colours.
    Plane Noise(int w, int h, int depth, int pad = 0) {
        Plane p(w, h, depth, pad);
        for (uint8_t& b : p.bytes)
            b = uint8_t(Next());
        for (int k = 0; k < w * h / 10; ++k)
            p.Put(int(Next() % uint32_t(w)), int(Next() % uint32_t(h)), KeyOf(depth));
        return p;
    }

    static void Run(const Blit& b, const Plane& pic, Plane& canvas) {
        BlitSprite16(canvas.bytes.data(), pic.bytes.data(), pic.pitch, pic.w, pic.h, b.srcDepth,
                     canvas.pitch, b.dstWidth, b.dstHeight, b.width, b.height, b.dstDepth, b.x, b.y,
                     b.dstX, b.dstY);
    }

    // Blits and compares the whole canvas block, the bytes beyond the given
    // canvas size included; returns the first differing pixel's message.
    ::testing::AssertionResult Check(const Blit& b, const Plane& pic, Plane& room, Plane canvas) {
        const Plane want = Expected(b, pic, room, canvas);
        {
            Room context(room);
            Run(b, pic, canvas);
        }
        for (int y = 0; y < canvas.h; ++y)
            for (int x = 0; x < canvas.w; ++x)
                if (canvas.Get(x, y) != want.Get(x, y))
                    return ::testing::AssertionFailure()
                           << "pixel (" << x << ", " << y << "): " << std::hex << canvas.Get(x, y)
                           << " instead of " << want.Get(x, y);
        if (canvas.bytes != want.bytes)
            return ::testing::AssertionFailure() << "bytes past the rows' pixels changed";
        return ::testing::AssertionSuccess();
    }
};

// --- Checks -------------------------------------------------------------------------

struct Scale {
    int picW, picH, width, height;
    Path path; // on pairs that walk runs
};
constexpr Scale kScales[] = {
    {23, 19, 23, 19, Path::A},
    {300, 6, 300, 6, Path::A},  // wider than a strip of the row loops
    {40, 36, 20, 18, Path::B},  // half size: qx = 2
    {40, 33, 36, 30, Path::B2}, // qx = 10, qy = 11
    {41, 30, 36, 16, Path::B},  // qx = 8 but qy = 2
    {100, 40, 30, 12, Path::B}, // columns too far apart to gather eight from one window
    {600, 9, 540, 8, Path::B2}, // runs across strips
    {33, 31, 30, 28, Path::B2}, // qx = 11: runs end on the last columns
    {20, 17, 26, 21, Path::C1}, // slightly larger
    {30, 20, 24, 26, Path::C1}, // narrower but taller
    {20, 30, 20, 24, Path::C1}, // reduced one way only
    {150, 5, 310, 9, Path::C2}, // wider than a strip
    {12, 10, 24, 20, Path::C2}, // exactly doubled
    {10, 8, 25, 21, Path::C2},  // 2.5 times
    {7, 6, 22, 19, Path::C2},   // about three times
    {30, 8, 20, 20, Path::C2},  // narrower but more than twice as tall
    {8, 30, 20, 20, Path::C2},  // more than twice as wide but lower
    {8, 18, 20, 20, Path::C2},  // twice as wide, a little taller
    // Scales where the accumulators' precision shows: B's single-precision
    // rows, C1's double walk, C2's double steps of k x f.
    {17, 14, 6, 12, Path::B},
    {17, 10, 24, 12, Path::C1},
    {6, 9, 46, 69, Path::C2},
    // Targets too small for an interior.
    {9, 7, 2, 1, Path::B},
    {3, 2, 1, 5, Path::C2},
};

TEST_F(SpriteBlitCheck, EveryPairPathAndPlacementFollowsTheRules) {
    for (bool wide : kBuilds)
        for (const Pair& pair : kPairs)
            for (const Scale& s : kScales) {
                const Plane pic = Frame(s.picW, s.picH, pair.src);
                const int w = s.width, h = s.height;
                const Blit base{pair.src, pair.dst, w, h, 5, 3, 0, 0, w, h};
                const bool runs = RunWalkThreshold(pair.src, pair.dst) > 0;
                ASSERT_EQ(PathOf(base, pic), s.path == Path::B2 && !runs ? Path::B : s.path);
                struct Place {
                    const char* what;
                    int x, y, dstX, dstY, dstWidth, dstHeight;
                };
                const Place places[] = {
                    {"inside", 5, 3, 0, 0, w, h},
                    {"off the top left", -7, -5, 0, 0, w, h},
                    {"past the room's right and bottom", 12 + 6, 10 + 4, 0, 0, w, h},
                    {"canvas narrower and lower", 4, 2, 3, 2, w - 4, h - 3},
                    {"before the canvas", 3, 4, -3, -2, w, h},
                    {"one column of the room's corner", w + 11, h + 8, 0, 0, w, h},
                    {"off the room", w + 13, 2, 0, 0, w, h},
                };
                const TBuild build(wide);
                for (const Place& p : places) {
                    Plane room = Noise(w + 12, h + 10, pair.dst);
                    const Plane canvas = Noise(w + 2, h + 2, pair.dst, 2);
                    Blit b = base;
                    b.x = p.x, b.y = p.y, b.dstX = p.dstX, b.dstY = p.dstY;
                    b.dstWidth = p.dstWidth, b.dstHeight = p.dstHeight;
                    EXPECT_TRUE(Check(b, pic, room, canvas))
                        << (wide ? "wide" : "baseline") << " build, " << pair.src << " to "
                        << pair.dst << ", " << s.picW << " x " << s.picH << " to " << w << " x "
                        << h << ", " << p.what;
                }
            }
}

// The fixtures tell the walks apart: the run walk picks other columns than
// the one-by-one walk, and the buffer's runs other columns than sampling.
TEST_F(SpriteBlitCheck, TheScalesSeparateTheWalks) {
    EXPECT_NE(ReductionColumns(40, 36, 0, 36, 10), ReductionColumns(40, 36, 0, 36, 0));
    EXPECT_NE(ReductionColumns(33, 30, 0, 30, 11), ReductionColumns(33, 30, 0, 30, 0));
    std::vector<int> oneByOne;
    for (double acc = 0; oneByOne.size() < 26; acc += double(20.0f / 26.0f))
        oneByOne.push_back(Nearest(acc));
    EXPECT_NE(BufferAxis(20, 26, true, false), oneByOne);
    // Exactly doubled: the last two rows repeat the next-to-last picture row.
    const std::vector<int> rows = BufferAxis(10, 20, false, true);
    EXPECT_EQ(rows, (std::vector<int>{0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 8, 8}));
}

// A uniform opaque area comes out lifted at low levels: 5-bit channels 1 and
// 2 become 3, 4 becomes 5, 8 becomes 9, 16 becomes 17, 24 to 31 stay;
// 6-bit channels 1 become 5, 16 becomes 19, 32 becomes 34, 62 and 63 stay.
TEST_F(SpriteBlitCheck, UniformAreasFollowTheLevelTable) {
    struct Case {
        uint32_t in5, out5, in6, out6;
    };
    const Case cases[] = {{0, 0, 0, 0},     {1, 3, 1, 5},     {2, 3, 16, 19},
                          {4, 5, 32, 34},   {8, 9, 62, 62},   {16, 17, 63, 63},
                          {24, 24, 63, 63}, {30, 30, 62, 62}, {31, 31, 62, 62}};
    for (const Case& c : cases) {
        Plane pic(6, 6, 16), room(6, 6, 16), canvas(6, 6, 16);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 6; ++x)
                pic.Put(x, y, c.in5 << 11 | c.in6 << 5 | c.in5);
        {
            Room context(room);
            Run({16, 16, 6, 6, 0, 0, 0, 0, 6, 6}, pic, canvas);
        }
        EXPECT_EQ(canvas.Get(2, 3), c.out5 << 11 | c.out6 << 5 | c.out5) << c.in5 << ", " << c.in6;
    }
}

// Red 31 between four keyed taps over a black room: S = 248, 62 - 15 + 16 =
// 63, red 7; on a 24-bit canvas the 8-bit 63.
TEST_F(SpriteBlitCheck, LoneOpaquePixelMixesWithTheRoom) {
    for (int dst : {16, 24, 15, 32}) {
        Plane pic(5, 5, 16), room(5, 5, dst), canvas(5, 5, dst);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 5; ++x)
                pic.Put(x, y, 0x07E0);
        pic.Put(2, 2, 0xF800);
        {
            Room context(room);
            Run({16, dst, 5, 5, 0, 0, 0, 0, 5, 5}, pic, canvas);
        }
        EXPECT_EQ(canvas.Get(2, 2), Pack(dst, {63, 0, 0})) << dst;
        EXPECT_EQ(canvas.Get(1, 2), Pack(dst, {Level(248), 0, 0})) << dst; // one tap opaque
        EXPECT_EQ(canvas.Get(1, 1), KeyOf(dst)) << dst;
    }
}

// A frame of nothing but the key: the canvas's key inside, the room around,
// on every pair and path (a 5:5:5 key widened into a 24 or 32-bit buffer is
// still a key).
TEST_F(SpriteBlitCheck, KeyedFrameLeavesTheCanvasKeyInsideAndTheRoomAround) {
    for (const Pair& pair : kPairs)
        for (const int size : {12, 8, 11, 17, 30}) {
            Plane pic(12, 12, pair.src);
            for (int y = 0; y < 12; ++y)
                for (int x = 0; x < 12; ++x)
                    pic.Put(x, y, KeyOf(pair.src));
            Plane room = Noise(40, 40, pair.dst);
            Plane canvas = Noise(size, size, pair.dst);
            {
                Room context(room);
                Run({pair.src, pair.dst, size, size, 2, 3, 0, 0, size, size}, pic, canvas);
            }
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x) {
                    const bool border = x == 0 || y == 0 || x == size - 1 || y == size - 1;
                    ASSERT_EQ(canvas.Get(x, y), border ? room.Get(x + 2, y + 3) : KeyOf(pair.dst))
                        << pair.src << " to " << pair.dst << " at " << size << ": " << x << ", "
                        << y;
                }
        }
}

TEST_F(SpriteBlitCheck, OtherDepthsAndMissingSurfacesDrawNothing) {
    struct Case {
        const char* what;
        int src, dst, room;
        bool context = true, dstPixels = true, srcPixels = true;
        int width = 10, picSize = 8;
    };
    const Case cases[] = {
        {"24-bit frame", 24, 16, 16},
        {"32-bit frame", 32, 32, 32},
        {"24-bit frame on 24", 24, 24, 24},
        {"8-bit frame", 8, 16, 16},
        {"no depth", 0, 16, 16},
        {"8-bit canvas", 16, 8, 8},
        {"room of another depth", 16, 16, 32},
        {"room of 16 under 15", 15, 15, 16},
        {"no room", 16, 16, 16, false},
        {"no canvas pixels", 16, 16, 16, true, false},
        {"no frame pixels", 16, 16, 16, true, true, false},
        {"empty target", 16, 16, 16, true, true, true, 0},
        {"empty frame", 16, 16, 16, true, true, true, 10, 0},
    };
    for (const Case& c : cases)
        for (const int size : {8, 6, 12}) { // every path
            const int srcBytes = c.src == 0 || c.src == 8 ? 16 : c.src;
            const int dstBytes = c.dst == 8 ? 16 : c.dst;
            Plane pic = Frame(std::max(c.picSize, 1), std::max(c.picSize, 1), srcBytes);
            Plane room = Noise(16, 16, c.room == 8 ? 16 : c.room);
            Plane canvas = Noise(14, 14, dstBytes);
            const std::vector<uint8_t> before = canvas.bytes;
            GdlDeviceContext* dc = nullptr;
            {
                Room context(room);
                if (!c.context) std::swap(dc, MainSlot());
                GDL_selectCurrentDC(nullptr);
                const int width = c.width == 10 ? size : c.width;
                BlitSprite16(c.dstPixels ? canvas.bytes.data() : nullptr,
                             c.srcPixels ? pic.bytes.data() : nullptr, pic.pitch, c.picSize,
                             c.picSize, c.src, canvas.pitch, 14, 14, width, size, c.dst, 1, 1, 0,
                             0);
                if (!c.context) std::swap(dc, MainSlot());
                // A depth the blitter does not draw still leaves the room current.
                if (c.dstPixels && c.srcPixels && c.width > 0 && c.picSize > 0 && c.context) {
                    EXPECT_TRUE(GDL_isCurrentDC(MainSlot())) << c.what;
                }
            }
            EXPECT_EQ(canvas.bytes, before) << c.what << " at " << size;
        }
}

// The buffer of path C cannot be had: the report names the actor's source and
// the pair's line, nothing is drawn and the room's context stays current.
// Paths A and B need no buffer and draw as usual.
TEST_F(SpriteBlitCheck, BufferFailureReportsThePairAndSparesTheOtherPaths) {
    TCanvasBlit::SetBufferHeap([](size_t) -> void* { return nullptr; }, [](void*) {});
    for (const Pair& pair : kPairs) {
        const Plane pic = Frame(10, 10, pair.src);
        for (const int size : {14, 10, 8}) {
            Plane room = Noise(20, 20, pair.dst);
            Plane canvas = Noise(size, size, pair.dst);
            TError::ClearLists();
            const Blit b{pair.src, pair.dst, size, size, 1, 2, 0, 0, size, size};
            if (size == 14) {
                const std::vector<uint8_t> before = canvas.bytes;
                {
                    Room context(room);
                    Run(b, pic, canvas);
                    EXPECT_TRUE(GDL_isCurrentDC(MainSlot()));
                }
                EXPECT_EQ(canvas.bytes, before);
                ASSERT_NE(NewestError(), nullptr);
                EXPECT_EQ(NewestError()->code, 9);
                EXPECT_STREQ(NewestError()->source.c_str(), "Int\\All\\Source\\RoomActor");
                EXPECT_EQ(NewestError()->line, pair.line) << pair.src << " to " << pair.dst;
                EXPECT_STREQ(NewestError()->message.c_str(), "-");
                EXPECT_STREQ(NewestError()->object.c_str(), "-");
            } else {
                EXPECT_TRUE(Check(b, pic, room, canvas)) << pair.src << " to " << pair.dst;
                EXPECT_EQ(NewestError(), nullptr);
            }
        }
    }
}

} // namespace blitcheck
} // namespace
