// The actor sprite blitter against a per-pixel reference written here from
// the smoothing rules (one target pixel at a time, sampling positions walked
// step by step), on its eight layout pairs and every resampling path, with
// the rule that five keyed taps give the output's key colour; its refusals
// and its buffer report.
#include "BlitSprite16.h"

#include "ErrorProbe.h"
#include "drawing/TCanvasBlit.h"
#include "gdl/dc.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

namespace {

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

const GdlPixelFormat* FormatOf(int depth) {
    switch (depth) {
        case 15: return &GDL_pixelFormat555;
        case 16: return &GDL_pixelFormat565;
        case 24: return &GDL_pixelFormatRGB;
        default: return &GDL_pixelFormatARGB;
    }
}

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
    for (const Pair& pair : kPairs)
        for (Path path : kPaths)
            for (int n = 0; n < 10; ++n) {
                const auto [sw, sh, w, h] = SizesOf(path);
                Image src(sw, sh, pair.src), dst(Rand(1, 70), Rand(1, 60), pair.dst);
                Fill(src, Rand(20, 70));
                Fill(dst, 10);
                const bool whole = n % 3 == 0;
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
                BlitSprite16(dst.px.data(), src.px.data(), src.pitch, sw, sh, pair.src, dst.pitch,
                             dst.w, dst.h, w, h, pair.dst, x, y, dstX, dstY);
                ASSERT_EQ(dst.px, expect.px)
                    << pair.src << " to " << pair.dst << " path " << int(path) << " frame " << sw
                    << "x" << sh << " drawn " << w << "x" << h << " at " << x << "," << y
                    << " canvas " << dstX << "," << dstY << " room " << room.image.w << "x"
                    << room.image.h;
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
