// Run-length sprites and the sprite canvas: drawing against a per-pixel
// reference, recorded spans, span effects, 5:5:5 loading, surfaces.

#include "CheckBytes.h"
#include "RlaMemoryStream.h"
#include "RoomGlobals.h"
#include "SpriteCanvas16.h"
#include "WorldFixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using worldtest::ImagePixel;
using worldtest::kBuilds;
using worldtest::Pixels;
using worldtest::RandomImage;
using worldtest::SpriteOf;
using worldtest::TBuild;

constexpr uint16_t kBackground = 0x1234;

// What drawing `im` at (x, y) with `clip` must leave in a w x h target.
std::vector<uint16_t> Reference(const tools::RgbaImage& im, bool allOpaque, int32_t x, int32_t y,
                                const ClipRect& clip, int32_t w, int32_t h) {
    std::vector<uint16_t> out(static_cast<size_t>(w) * h, kBackground);
    for (int32_t sy = 0; sy < im.height; ++sy)
        for (int32_t sx = 0; sx < im.width; ++sx) {
            const int32_t tx = x + sx, ty = y + sy;
            const int32_t p = ImagePixel(im, sx, sy);
            if ((p < 0 && !allOpaque) || tx < clip.left || tx >= clip.right || ty < clip.top ||
                ty >= clip.bottom || tx < 0 || ty < 0 || tx >= w || ty >= h)
                continue;
            out[static_cast<size_t>(ty) * w + tx] = p < 0 ? 0 : static_cast<uint16_t>(p);
        }
    return out;
}

// Random placements around and across every edge of random clips.
struct Placement {
    int32_t x, y;
    ClipRect clip;
};
Placement RandomPlacement(std::mt19937& rng, int32_t w, int32_t h, int32_t sw, int32_t sh) {
    std::uniform_int_distribution<int32_t> px(-sw - 2, w + 2), py(-sh - 2, h + 2);
    std::uniform_int_distribution<int32_t> cx(-5, w + 5), cy(-5, h + 5);
    int32_t l = cx(rng), r = cx(rng), t = cy(rng), b = cy(rng);
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    return {px(rng), py(rng), {l, t, r, b}};
}

// In both builds: the wide one copies runs over 32 pixels in wider moves.
TEST(SpriteCanvas16, DrawRleMatchesThePerPixelReference) {
    for (bool wide : kBuilds) {
        const TBuild build(wide);
        std::mt19937 rng(5);
        SpriteCanvas16 canvas(4);
        Surface16 target(64, 40);
        for (int trial = 0; trial < 400; ++trial) {
            const tools::RgbaImage im =
                RandomImage(rng, 1 + trial % 47, 1 + trial % 23, trial % 3 ? 8 : 300);
            const auto sprite = SpriteOf(im);
            ASSERT_NE(sprite, nullptr);
            const Placement at = RandomPlacement(rng, 64, 40, im.width, im.height);
            target.Fill(kBackground);
            canvas.SetTarget(&target, at.clip);
            canvas.DrawRle(sprite.get(), at.x, at.y);
            ASSERT_EQ(Pixels(target), Reference(im, false, at.x, at.y, at.clip, 64, 40))
                << "trial " << trial << " wide " << wide;
        }
    }
}

TEST(SpriteCanvas16, DrawSurfaceMatchesThePerPixelReference) {
    std::mt19937 rng(6);
    SpriteCanvas16 canvas(4);
    Surface16 target(50, 30);
    for (int trial = 0; trial < 200; ++trial) {
        tools::RgbaImage im = RandomImage(rng, 1 + trial % 31, 1 + trial % 17, 4);
        for (size_t i = 3; i < im.rgba.size(); i += 4)
            im.rgba[i] = 255;
        Surface16 source(im.width, im.height);
        for (int32_t y = 0; y < im.height; ++y)
            for (int32_t x = 0; x < im.width; ++x)
                source.SetPixel(x, y, static_cast<uint16_t>(ImagePixel(im, x, y)));
        const Placement at = RandomPlacement(rng, 50, 30, im.width, im.height);
        target.Fill(kBackground);
        canvas.SetTarget(&target, at.clip);
        canvas.DrawSurface(&source, at.x, at.y);
        ASSERT_EQ(Pixels(target), Reference(im, true, at.x, at.y, at.clip, 50, 30)) << trial;
    }
}

// Every run length the format holds, at odd and even columns, and rows longer
// than one run: the run copy moves whole blocks and must end on the run's
// last pixel.
TEST(SpriteCanvas16, EveryRunLengthIsCopiedExactly) {
    std::mt19937 rng(9);
    std::uniform_int_distribution<int32_t> byte(0, 255);
    tools::RgbaImage im;
    im.width = 600;
    im.height = 258;
    im.rgba.assign(static_cast<size_t>(im.width) * im.height * 4, 0);
    for (int32_t y = 0; y < im.height; ++y) {
        const int32_t first = y % 3, length = y < 255 ? y + 1 : im.width - first;
        for (int32_t x = first; x < first + length; ++x) {
            uint8_t* p = &im.rgba[(static_cast<size_t>(y) * im.width + x) * 4];
            p[0] = static_cast<uint8_t>(byte(rng));
            p[1] = static_cast<uint8_t>(byte(rng));
            p[2] = static_cast<uint8_t>(byte(rng));
            p[3] = 255;
        }
    }
    const auto sprite = SpriteOf(im);
    ASSERT_NE(sprite, nullptr);
    SpriteCanvas16 canvas(4);
    Surface16 target(603, 260);
    const ClipRect all{0, 0, 603, 260};
    for (bool wide : kBuilds)
        for (int32_t x : {0, 1, 3}) {
            const TBuild build(wide);
            target.Fill(kBackground);
            canvas.SetTarget(&target, all);
            canvas.DrawRle(sprite.get(), x, 1);
            ASSERT_EQ(Pixels(target), Reference(im, false, x, 1, all, 603, 260))
                << x << " wide " << wide;
        }
}

// An effect that paints every recorded pixel with its source value plus one,
// so the spans must cover exactly the pixels a copy would.
class MarkEffect : public SpanEffect {
public:
    void Apply(const SpanRecord* spans, uint32_t count) override {
        for (uint32_t s = 0; s < count; ++s)
            for (uint32_t i = 0; i < spans[s].count; ++i) {
                uint16_t p;
                std::memcpy(&p, spans[s].source + 2 * i, 2);
                std::memcpy(spans[s].dest + 2 * i, &p, 2);
                ++pixels;
            }
    }
    uint64_t pixels = 0;
};

TEST(SpriteCanvas16, RecordedSpansCoverTheDrawnPixelsAndGrowPastCapacity) {
    std::mt19937 rng(8);
    SpriteCanvas16 canvas(1); // far too small: the list grows
    Surface16 target(64, 40);
    MarkEffect mark;
    for (int trial = 0; trial < 200; ++trial) {
        const tools::RgbaImage im = RandomImage(rng, 1 + trial % 60, 1 + trial % 37, 5);
        const auto sprite = SpriteOf(im);
        const Placement at = RandomPlacement(rng, 64, 40, im.width, im.height);
        const auto expected = Reference(im, false, at.x, at.y, at.clip, 64, 40);
        uint64_t covered = 0;
        for (uint16_t p : expected)
            covered += p != kBackground;
        target.Fill(kBackground);
        canvas.SetTarget(&target, at.clip);
        canvas.SetEffect(&mark);
        mark.pixels = 0;
        canvas.DrawRle(sprite.get(), at.x, at.y);
        EXPECT_EQ(Pixels(target), std::vector<uint16_t>(64 * 40, kBackground));
        canvas.ApplyEffect();
        EXPECT_EQ(canvas.SpanCount(), 0u);
        ASSERT_EQ(Pixels(target), expected) << trial;
        EXPECT_GE(mark.pixels, covered); // equal unless a random colour is the background
        EXPECT_LE(mark.pixels, covered + 64 * 40);
    }
}

TEST(SpriteCanvas16, ClipIsCutToTheTarget) {
    // The actor's scratch clip can be wider than the surface.
    Surface16 target(8, 4);
    target.Fill(0);
    SpriteCanvas16 canvas(16);
    canvas.SetTarget(&target, {-100, -100, 800, 600});
    EXPECT_EQ(canvas.Clip().left, 0);
    EXPECT_EQ(canvas.Clip().right, 8);
    EXPECT_EQ(canvas.Clip().bottom, 4);
    SpanEffectKeyFill fill(0x07E0);
    canvas.SetEffect(&fill);
    canvas.FillRect(0, 0, 800, 600);
    EXPECT_EQ(canvas.SpanCount(), 4u);
    canvas.ApplyEffect();
    EXPECT_EQ(Pixels(target), std::vector<uint16_t>(32, 0x07E0));
    canvas.SetEffect(nullptr);
    canvas.FillRect(0, 0, 8, 4); // without an effect: nothing
    EXPECT_EQ(canvas.SpanCount(), 0u);
    canvas.SetTarget(nullptr, {0, 0, 8, 4});
    canvas.DrawSurface(&target, 0, 0); // no target: nothing, no crash
}

TEST(SpanEffects, BrightnessPerChannel) {
    struct Case {
        uint8_t is555;
        float level;
        uint16_t in, out;
    } cases[] = {
        {0, 0.5f, 0xFFFF, 0x7BEF}, {0, 1.0f, 0xABCD, 0xABCD}, {0, 0.0f, 0xFFFF, 0},
        {0, 2.0f, 0x1234, 0x1234}, {0, -1.0f, 0x1234, 0},     {1, 0.5f, 0x7FFF, 0x3DEF},
        {1, 1.0f, 0x7FFF, 0x7FFF}, {1, 0.0f, 0x7FFF, 0},
    };
    for (const Case& c : cases) {
        Display555() = c.is555;
        uint16_t src = c.in, dst = 0;
        const SpanRecord span{reinterpret_cast<uint8_t*>(&src), reinterpret_cast<uint8_t*>(&dst),
                              1};
        SpanEffectBrightness(c.level).Apply(&span, 1);
        EXPECT_EQ(dst, c.out) << c.level;
    }
    // Every 5:6:5 pixel at a few levels against a per-channel reference.
    Display555() = 0;
    for (int level : {1, 7, 16, 31}) {
        for (uint32_t p = 0; p < 0x10000; p += 7) {
            uint16_t src = static_cast<uint16_t>(p), dst = 0;
            const SpanRecord span{reinterpret_cast<uint8_t*>(&src),
                                  reinterpret_cast<uint8_t*>(&dst), 1};
            SpanEffectBrightness(level / 32.0f).Apply(&span, 1);
            const uint32_t r = (p >> 11) * level / 32, g = ((p >> 5) & 63) * level / 32,
                           b = (p & 31) * level / 32;
            ASSERT_EQ(dst, (r << 11) | (g << 5) | b) << p << " level " << level;
        }
    }
}

// Long spans go eight pixels at a time; every pixel value, in both layouts
// and at every level, comes out as a span of one pixel gives it. The span
// ends off the eight-pixel step, and a fill scales in place.
TEST(SpanEffects, BrightnessOfLongSpansAsOfSinglePixels) {
    std::vector<uint16_t> src(0x10000 + 5);
    for (size_t i = 0; i < src.size(); ++i)
        src[i] = static_cast<uint16_t>(i * 40503u);
    for (uint8_t is555 : {0, 1}) {
        Display555() = is555;
        for (int level = 0; level <= 32; ++level) {
            SpanEffectBrightness effect(level / 32.0f);
            std::vector<uint16_t> dst(src.size()), inPlace(src);
            const SpanRecord spans[] = {{reinterpret_cast<uint8_t*>(src.data()),
                                         reinterpret_cast<uint8_t*>(dst.data()),
                                         static_cast<uint32_t>(src.size())},
                                        {nullptr, reinterpret_cast<uint8_t*>(inPlace.data()),
                                         static_cast<uint32_t>(inPlace.size())}};
            effect.Apply(spans, 2);
            for (size_t i = 0; i < src.size(); ++i) {
                uint16_t one = 0;
                const SpanRecord span{reinterpret_cast<uint8_t*>(&src[i]),
                                      reinterpret_cast<uint8_t*>(&one), 1};
                effect.Apply(&span, 1);
                ASSERT_EQ(dst[i], one) << "pixel " << src[i] << " level " << level;
                ASSERT_EQ(inPlace[i], one) << "pixel " << src[i] << " level " << level;
            }
        }
    }
    Display555() = 0;
}

TEST(SpanEffects, PulseStepsItsPhaseFromTheLastSpanAndWraps) {
    for (uint8_t is555 : {0, 1}) {
        Display555() = is555;
        const uint16_t white = is555 ? 0x7FFF : 0xFFFF;
        uint16_t src[3] = {white, white, white}, dst[3] = {};
        SpanRecord spans[3];
        for (int i = 0; i < 3; ++i)
            spans[i] = {reinterpret_cast<uint8_t*>(&src[i]), reinterpret_cast<uint8_t*>(&dst[i]),
                        1};
        SpanEffectPulse pulse(126);
        pulse.Apply(spans, 3);
        // Last span q = 127, then 0, then 1.
        const uint32_t gMax = is555 ? 31 : 63, rShift = is555 ? 10 : 11;
        auto expect = [&](uint32_t q) {
            const uint32_t r = std::min(31u, 31 * q / 64), g = std::min(gMax, gMax * q / 256),
                           b = std::min(31u, 31 * q / 128);
            return static_cast<uint16_t>((r << rShift) | (g << 5) | b);
        };
        EXPECT_EQ(dst[2], expect(127));
        EXPECT_EQ(dst[1], expect(0));
        EXPECT_EQ(dst[0], expect(1));
        EXPECT_EQ(pulse.phase, 126);
    }
    Display555() = 0;
}

// Spans short and long (eight pixels at a time, then the rest).
TEST(SpanEffects, KeyFillFromAnOddPixel) {
    for (int32_t w : {6, 17}) {
        Surface16 target(20, 2);
        target.Fill(0);
        SpriteCanvas16 canvas(4);
        canvas.SetTarget(&target, {0, 0, 20, 2});
        SpanEffectKeyFill fill(0x03E0);
        canvas.SetEffect(&fill);
        canvas.FillRect(1, 1, w, 5);
        canvas.ApplyEffect();
        for (int32_t x = 0; x < 20; ++x) {
            EXPECT_EQ(target.Pixel(x, 0), 0);
            EXPECT_EQ(target.Pixel(x, 1), x >= 1 && x < 1 + w ? 0x03E0 : 0) << x;
        }
    }
}

TEST(RleSprite16, Loads555ByDroppingTheLowGreenBit) {
    const uint16_t cases[][2] = {{0xFFFF, 0x7FFF}, {0x07E0, 0x03E0}, {0x07C0, 0x03E0},
                                 {0x07C1, 0x03E1}, {0xF800, 0x7C00}, {0x001F, 0x001F},
                                 {0x0020, 0x0000}, {0x0040, 0x0020}};
    Display555() = 1;
    for (const auto& c : cases) {
        std::vector<uint8_t> data;
        platform::ByteWriter w(data);
        // Two rows sharing one run: each pixel is converted once.
        w.U32(8);
        w.U32(4);
        w.U16(0x0100);
        w.U16(c[0]);
        w.U16(0);
        auto sprite = worldtest::LoadSprite(worldtest::SpriteRecord(14, 1, 2, data));
        ASSERT_NE(sprite, nullptr);
        EXPECT_TRUE(sprite->Is555());
        EXPECT_EQ(LoadWord(sprite->RowRuns(0) + 2), c[1]) << std::hex << c[0];
        EXPECT_EQ(LoadWord(sprite->RowRuns(1) + 2), c[1]);
    }
    Display555() = 0;
}

TEST(RleSprite16, RecordWhoseConversionBreaksAnotherRowIsRefused) {
    // Row 1 reads row 0's pixel 0x0140 as its run word (skip 64, one pixel);
    // on a 5:5:5 display that pixel becomes 0x00A0, a skip past the width.
    std::vector<uint8_t> data;
    platform::ByteWriter w(data);
    for (uint32_t v : {8u, 6u})
        w.U32(v);
    for (uint16_t v : {0x0100, 0x0140, 0, 0})
        w.U16(v);
    const auto record = worldtest::SpriteRecord(16, 65, 2, data);
    EXPECT_NE(worldtest::LoadSprite(record), nullptr);
    Display555() = 1;
    EXPECT_EQ(worldtest::LoadSprite(record), nullptr);
    Display555() = 0;
}

TEST(RleSprite16, IsOpaqueAtRunEnds) {
    // Row 0: skip 2, 3 opaque, skip 0 with 0 pixels... then skip 1, 1 opaque.
    // Row 1: empty. Row 2: a run of n = 0 with skip 4, then 2 opaque.
    std::vector<uint8_t> data;
    platform::ByteWriter w(data);
    w.U32(12);
    w.U32(26 - 4);
    w.U32(28 - 8);
    for (uint16_t v : {0x0302, 1, 2, 3, 0x0101, 4, 0})
        w.U16(v);
    w.U16(0);
    w.U16(0x0004);
    w.U16(0x0200);
    w.U16(5);
    w.U16(6);
    w.U16(0);
    auto sprite = worldtest::LoadSprite(
        worldtest::SpriteRecord(static_cast<uint32_t>(data.size()), 7, 3, data));
    ASSERT_NE(sprite, nullptr);
    const bool row0[] = {false, false, true, true, true, false, true, false};
    for (int32_t x = 0; x < 8; ++x)
        EXPECT_EQ(sprite->IsOpaqueAt(x, 0), row0[x]) << x;
    for (int32_t x = 0; x < 7; ++x) {
        EXPECT_FALSE(sprite->IsOpaqueAt(x, 1));
        EXPECT_EQ(sprite->IsOpaqueAt(x, 2), x >= 4 && x < 6) << x;
    }
}

TEST(Surface16, FreesExactlyWhatItAllocated) {
    // Under the address sanitizer a wrong free or a leak fails this test.
    uint16_t mine[12] = {};
    Surface16 surface(10, 10);
    EXPECT_TRUE(surface.OwnsPixels());
    surface.Attach(3, 4, mine, 6);
    EXPECT_FALSE(surface.OwnsPixels());
    surface.Attach(2, 2, mine, 4); // the caller's buffer stays the caller's
    surface.SetPixel(1, 1, 0xBEEF);
    EXPECT_EQ(mine[3], 0xBEEF);
    Surface16 empty(0, 5);
    EXPECT_EQ(empty.pixels, nullptr);
}

} // namespace

// The sprite canvas and span effects checked against per-pixel references:
// sprites written byte by byte (long runs, rows at odd addresses), targets
// with padded rows, clips across every edge, recorded spans, effects per channel.
namespace {

constexpr int32_t kW = 50, kH = 30, kPad = 3; // target size, padding pixels per row
constexpr uint16_t kBack = 0xA5A5, kGuard = 0x5A5A;

std::unique_ptr<RleSprite16> Load(const check::Bytes& record) {
    RlaMemoryStream stream(record);
    auto sprite = std::make_unique<RleSprite16>();
    if (!sprite->Load(&stream, 1)) return nullptr;
    return sprite;
}

// A target of kW x kH pixels in a caller's buffer whose rows are padded and
// which has a guard row below; everything outside the surface holds kGuard.
struct Target {
    std::vector<uint16_t> buffer = std::vector<uint16_t>((kW + kPad) * (kH + 1), kGuard);
    Surface16 surface;
    Target() {
        surface.Attach(kW, kH, buffer.data(), 2 * (kW + kPad));
        surface.Fill(kBack);
    }
    // The whole buffer as drawing `ref` into the surface must leave it.
    std::vector<uint16_t> Expect(const std::vector<int32_t>& ref) const {
        std::vector<uint16_t> out(buffer.size(), kGuard);
        for (int32_t y = 0; y < kH; ++y)
            for (int32_t x = 0; x < kW; ++x) {
                const int32_t v = ref[static_cast<size_t>(y) * kW + x];
                out[static_cast<size_t>(y) * (kW + kPad) + x] =
                    v < 0 ? kBack : static_cast<uint16_t>(v);
            }
        return out;
    }
};

// What a picture drawn at (x, y) through `clip` puts on the kW x kH target
// (-1: untouched). `opaque` treats every pixel as opaque.
std::vector<int32_t> Reference(const check::Grid& g, int32_t x, int32_t y, const ClipRect& clip,
                               bool opaque) {
    std::vector<int32_t> out(kW * kH, -1);
    for (int32_t sy = 0; sy < g.height; ++sy)
        for (int32_t sx = 0; sx < g.width; ++sx) {
            const int64_t tx = int64_t{x} + sx, ty = int64_t{y} + sy;
            const int32_t v = g.At(sx, sy);
            if ((v < 0 && !opaque) || tx < std::max(clip.left, 0) || ty < std::max(clip.top, 0) ||
                tx >= std::min(clip.right, kW) || ty >= std::min(clip.bottom, kH))
                continue;
            out[static_cast<size_t>(ty * kW + tx)] = v;
        }
    return out;
}

// Clips across each edge of the target and of the sprite, and degenerate ones.
std::vector<ClipRect> Clips() {
    return {{0, 0, kW, kH},
            {-9, -9, kW + 9, kH + 9},
            {7, 0, kW, kH},
            {0, 5, kW, kH},
            {0, 0, 31, kH},
            {0, 0, kW, 17},
            {7, 5, 31, 17},
            {12, 12, 13, 13},
            {20, 10, 20, 25},
            {30, 10, 10, 25},
            {kW, 0, kW + 5, kH},
            {0, -5, kW, 0},
            {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}};
}

// Placements across every edge of the target.
std::vector<std::pair<int32_t, int32_t>> Placements(const check::Grid& g) {
    std::vector<std::pair<int32_t, int32_t>> out;
    for (int32_t x : {-g.width - 1, -g.width, -g.width + 1, -3, 0, 5, kW - g.width, kW - 4, kW - 1,
                      kW, INT32_MIN, INT32_MAX - 2})
        for (int32_t y : {-g.height, -g.height + 1, -2, 0, 4, kH - g.height, kH - 1, kH, INT32_MAX})
            out.push_back({x, y});
    return out;
}

// Copies each recorded span: drawing through it must equal drawing directly.
class CopyEffect : public SpanEffect {
public:
    void Apply(const SpanRecord* spans, uint32_t count) override {
        for (uint32_t s = 0; s < count; ++s) {
            pixels += spans[s].count;
            std::memcpy(spans[s].dest, spans[s].source, 2 * static_cast<size_t>(spans[s].count));
        }
    }
    uint64_t pixels = 0;
};

uint64_t Covered(const std::vector<int32_t>& ref) {
    uint64_t n = 0;
    for (int32_t v : ref)
        n += v >= 0;
    return n;
}

std::vector<check::Grid> Grids() {
    std::mt19937 rng(33);
    check::Grid longRuns{300, 3, std::vector<int32_t>(900, -1)};
    for (int32_t x = 0; x < 300; ++x) {
        longRuns.px[static_cast<size_t>(x)] = x >= 280 ? 0x1000 + x : -1;
        longRuns.px[300 + static_cast<size_t>(x)] = 0x2000 + x;
        longRuns.px[600 + static_cast<size_t>(x)] = x == 299 ? 0x7FFF : -1;
    }
    return {check::RandomGrid(rng, 23, 13, 5), check::RandomGrid(rng, 64, 40, 12),
            check::RandomGrid(rng, 1, 1, 1), longRuns, check::Grid{0, 0, {}}};
}

TEST(SpriteCheck, DrawRleCopiesOrRecordsExactlyTheVisibleOpaquePixels) {
    SpriteCanvas16 canvas(1);
    for (const check::Grid& g : Grids()) {
        // Rows at odd addresses: runs and pixels are read unaligned.
        const auto sprite = Load(check::SpriteRecord(g, 1, 1000, 1000));
        ASSERT_NE(sprite, nullptr);
        for (const ClipRect& clip : Clips())
            for (auto [x, y] : Placements(g)) {
                const std::vector<int32_t> ref = Reference(g, x, y, clip, false);
                Target direct;
                canvas.SetTarget(&direct.surface, clip);
                canvas.SetEffect(nullptr);
                canvas.DrawRle(sprite.get(), x, y);
                ASSERT_EQ(direct.buffer, direct.Expect(ref))
                    << g.width << "x" << g.height << " at " << x << "," << y << " clip "
                    << clip.left << "," << clip.top << "," << clip.right << "," << clip.bottom;
                ASSERT_EQ(canvas.SpanCount(), 0u);

                Target spans;
                CopyEffect copy;
                canvas.SetTarget(&spans.surface, clip);
                canvas.SetEffect(&copy);
                canvas.DrawRle(sprite.get(), x, y);
                ASSERT_EQ(spans.buffer, spans.Expect(std::vector<int32_t>(kW * kH, -1)));
                canvas.ApplyEffect();
                ASSERT_EQ(canvas.SpanCount(), 0u);
                ASSERT_EQ(copy.pixels, Covered(ref));
                ASSERT_EQ(spans.buffer, direct.buffer);
            }
    }
}

TEST(SpriteCheck, DrawSurfaceCopiesOrRecordsTheVisibleRectangle) {
    std::mt19937 rng(2);
    std::uniform_int_distribution<int32_t> pixel(0, 0xFFFF);
    SpriteCanvas16 canvas(0);
    for (auto [w, h] : {std::pair{17, 9}, {1, 1}, {70, 45}}) {
        // The source rows are padded as well.
        std::vector<uint16_t> source(static_cast<size_t>(w + 2) * h);
        check::Grid g{w, h, std::vector<int32_t>(static_cast<size_t>(w) * h)};
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                g.px[static_cast<size_t>(y) * w + x] =
                    source[static_cast<size_t>(y) * (w + 2) + x] =
                        static_cast<uint16_t>(pixel(rng));
        Surface16 picture;
        picture.Attach(w, h, source.data(), 2 * (w + 2));
        for (const ClipRect& clip : Clips())
            for (auto [x, y] : Placements(g)) {
                const std::vector<int32_t> ref = Reference(g, x, y, clip, true);
                Target direct, spans;
                canvas.SetTarget(&direct.surface, clip);
                canvas.SetEffect(nullptr);
                canvas.DrawSurface(&picture, x, y);
                ASSERT_EQ(direct.buffer, direct.Expect(ref)) << w << " at " << x << "," << y;
                CopyEffect copy;
                canvas.SetTarget(&spans.surface, clip);
                canvas.SetEffect(&copy);
                canvas.DrawSurface(&picture, x, y);
                canvas.ApplyEffect();
                ASSERT_EQ(copy.pixels, Covered(ref));
                ASSERT_EQ(spans.buffer, direct.buffer);
            }
    }
}

TEST(SpriteCheck, FillRectRecordsOneSourcelessSpanPerVisibleRow) {
    SpriteCanvas16 canvas(2);
    Target t;
    canvas.SetTarget(&t.surface, {5, 4, 40, 20});
    canvas.FillRect(0, 0, 10, 10); // no effect: nothing recorded, nothing written
    EXPECT_EQ(canvas.SpanCount(), 0u);
    SpanEffectKeyFill key(0x07E0);
    canvas.SetEffect(&key);
    canvas.FillRect(-3, 10, 12, 30);
    ASSERT_EQ(canvas.SpanCount(), 10u); // rows 10..19
    for (uint32_t i = 0; i < canvas.SpanCount(); ++i) {
        EXPECT_EQ(canvas.Spans()[i].source, nullptr);
        EXPECT_EQ(canvas.Spans()[i].count, 4u); // columns 5..8
        EXPECT_EQ(canvas.Spans()[i].dest, t.surface.PixelAddress(5, 10 + static_cast<int32_t>(i)));
    }
    canvas.ApplyEffect();
    check::Grid g{kW, kH, std::vector<int32_t>(kW * kH, -1)};
    for (int32_t y = 10; y < 20; ++y)
        for (int32_t x = 5; x < 9; ++x)
            g.px[static_cast<size_t>(y) * kW + x] = 0x07E0;
    EXPECT_EQ(t.buffer, t.Expect(g.px));
    for (auto r : {ClipRect{0, 0, 0, 5}, ClipRect{45, 0, 60, 5}})
        canvas.FillRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
    canvas.FillRect(0, 0, -4, 5);
    canvas.FillRect(0, 0, 5, INT32_MIN);
    EXPECT_EQ(canvas.SpanCount(), 0u);
    // Without a target nothing is drawn or recorded.
    canvas.SetTarget(nullptr, {0, 0, 10, 10});
    canvas.FillRect(0, 0, 5, 5);
    EXPECT_EQ(canvas.SpanCount(), 0u);
}

// Channel values of a pixel and back, for 5:6:5 or 5:5:5.
struct Channels {
    uint32_t r, g, b;
};
Channels Split(uint16_t p, bool is555) {
    return is555 ? Channels{p >> 10 & 31u, p >> 5 & 31u, p & 31u}
                 : Channels{p >> 11 & 31u, p >> 5 & 63u, p & 31u};
}
uint16_t Join(Channels c, bool is555) {
    return static_cast<uint16_t>(is555 ? c.r << 10 | c.g << 5 | c.b : c.r << 11 | c.g << 5 | c.b);
}

// Spans over a source row and a destination row of `n` pixels in `parts` pieces.
std::vector<SpanRecord> SpansOver(const std::vector<uint16_t>& src, std::vector<uint16_t>& dst,
                                  const std::vector<uint32_t>& parts) {
    std::vector<SpanRecord> spans;
    uint32_t at = 0;
    for (uint32_t n : parts) {
        spans.push_back({reinterpret_cast<const uint8_t*>(src.data() + at),
                         reinterpret_cast<uint8_t*>(dst.data() + at), n});
        at += n;
    }
    return spans;
}

TEST(SpriteCheck, BrightnessScalesEachChannelByItsLevel) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        float parameter;
        uint32_t level;
    } levels[] = {{0.5f, 16}, {1.0f, 32},    {0.99f, 31}, {2.0f, 32},  {-0.5f, 0},
                  {0.0f, 0},  {0.03125f, 1}, {0.031f, 0}, {1e30f, 32}, {nan, 0}};
    std::mt19937 rng(7);
    std::uniform_int_distribution<int32_t> pixel(0, 0xFFFF);
    for (uint8_t is555 : {0, 1}) {
        Display555() = is555;
        std::vector<uint16_t> src(300);
        for (uint16_t& p : src)
            p = static_cast<uint16_t>(pixel(rng) & (is555 ? 0x7FFF : 0xFFFF));
        src[0] = is555 ? 0x7FFF : 0xFFFF;
        for (const auto& l : levels) {
            std::vector<uint16_t> dst(src.size(), 0xDEAD);
            const std::vector<SpanRecord> spans = SpansOver(src, dst, {1, 120, 0, 179});
            SpanEffectBrightness effect(l.parameter);
            effect.Apply(spans.data(), static_cast<uint32_t>(spans.size()));
            for (size_t i = 0; i < src.size(); ++i) {
                Channels c = Split(src[i], is555);
                c = {c.r * l.level / 32, c.g * l.level / 32, c.b * l.level / 32};
                ASSERT_EQ(dst[i], Join(c, is555)) << l.parameter << " " << std::hex << src[i];
            }
        }
    }
    // The named case: half brightness of 5:6:5 white.
    Display555() = 0;
    std::vector<uint16_t> white{0xFFFF}, out{0};
    const auto one = SpansOver(white, out, {1});
    SpanEffectBrightness(0.5f).Apply(one.data(), 1);
    EXPECT_EQ(out[0], 0x7BEF);
}

TEST(SpriteCheck, PulseStepsItsPhaseBeforeEachSpanFromTheLast) {
    std::mt19937 rng(5);
    std::uniform_int_distribution<int32_t> pixel(0, 0xFFFF);
    for (uint8_t is555 : {0, 1})
        for (int32_t phase : {0, 60, 125, 127, 128, -1, -200}) {
            Display555() = is555;
            std::vector<uint16_t> src(40), dst(40, 0);
            for (uint16_t& p : src)
                p = static_cast<uint16_t>(pixel(rng) & (is555 ? 0x7FFF : 0xFFFF));
            const std::vector<uint32_t> parts = {3, 5, 1, 7, 2, 9, 4, 6, 3};
            const std::vector<SpanRecord> spans = SpansOver(src, dst, parts);
            SpanEffectPulse effect(phase);
            effect.Apply(spans.data(), static_cast<uint32_t>(spans.size()));
            EXPECT_EQ(effect.phase, phase);
            int32_t q = phase;
            size_t end = src.size();
            for (size_t s = parts.size(); s-- > 0;) {
                q = (q + 1) & 127;
                for (size_t i = end - parts[s]; i < end; ++i) {
                    const Channels c = Split(src[i], is555);
                    const uint32_t q32 = static_cast<uint32_t>(q);
                    const Channels want{std::min(31u, c.r * q32 / 64),
                                        std::min(is555 ? 31u : 63u, c.g * q32 / 256),
                                        std::min(31u, c.b * q32 / 128)};
                    ASSERT_EQ(dst[i], Join(want, is555)) << phase << " span " << s;
                }
                end -= parts[s];
            }
        }
    Display555() = 0;
}

TEST(SpriteCheck, KeyFillWritesTheColourOverEveryDestinationPixel) {
    std::vector<uint16_t> row(21, 0x1111);
    SpanRecord spans[] = {{nullptr, reinterpret_cast<uint8_t*>(&row[1]), 5},
                          {nullptr, reinterpret_cast<uint8_t*>(&row[8]), 1},
                          {nullptr, reinterpret_cast<uint8_t*>(&row[10]), 0},
                          {nullptr, reinterpret_cast<uint8_t*>(&row[12]), 8}};
    SpanEffectKeyFill(0x03E0).Apply(spans, 4);
    const std::string want = "-kkkkk--k---kkkkkkkk-";
    for (size_t i = 0; i < row.size(); ++i)
        EXPECT_EQ(row[i], want[i] == 'k' ? 0x03E0 : 0x1111) << i;
}

TEST(SpriteCheck, SurfacesFreeExactlyWhatTheyAllocated) {
    Surface16 own(4, 3);
    EXPECT_TRUE(own.OwnsPixels());
    EXPECT_EQ(own.pitch, 8);
    EXPECT_EQ(own.PixelAddress(3, 2), own.pixels + 2 * 8 + 6);
    std::vector<uint16_t> mine(6, 1);
    own.Attach(2, 3, mine.data(), 4); // the own buffer is freed (the leak check sees it)
    EXPECT_FALSE(own.OwnsPixels());
    EXPECT_EQ(own.pixels, reinterpret_cast<uint8_t*>(mine.data()));
    std::vector<uint16_t> other(6, 2);
    own.Attach(2, 3, other.data(), 4); // the caller's buffer stays the caller's
    own.Attach(0, 0, nullptr, 0);
    EXPECT_EQ(own.pixels, nullptr);
    EXPECT_EQ(mine[0], 1);
    for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {-1, 3}}) {
        Surface16 none(w, h);
        EXPECT_EQ(none.pixels, nullptr);
        EXPECT_EQ(none.width, 0);
        SpriteCanvas16 canvas(0);
        canvas.SetTarget(&none, {0, 0, 5, 5});
        canvas.DrawSurface(&own, 0, 0);
        EXPECT_EQ(canvas.SpanCount(), 0u);
    }
}

} // namespace
