// The sprite canvas and span effects checked against per-pixel references:
// sprites written byte by byte (long runs, rows at odd addresses), targets
// with padded rows, clips across every edge, recorded spans, effects per channel.
#include "CheckBytes.h"

#include "RlaMemoryStream.h"
#include "RoomGlobals.h"
#include "SpriteCanvas16.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

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
