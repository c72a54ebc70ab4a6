// The fast sprite blitter against a per-pixel model of its own: run-length
// records written here run by run (not by the world's encoder), every run
// length the format holds, at every 32-byte alignment of the target and cut
// by each clip edge, in the wide and the baseline build.

#include "SpriteCanvas16.h"
#include "WorldFixtures.h"

#include "platform/ByteStream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using worldtest::kBuilds;
using worldtest::LoadSprite;
using worldtest::Pixels;
using worldtest::SpriteRecord;
using worldtest::TBuild;

constexpr uint16_t kBackground = 0xA5A5;

struct Run {
    int32_t skip, count;
};

// Row r holds a run of r pixels (0-255) after a skip that varies with r, so
// the source words fall at odd and even places, then a short closing run.
struct Sprite {
    std::vector<std::vector<Run>> rows;
    int32_t width = 0;

    Sprite() {
        for (int32_t r = 0; r < 256; ++r) {
            std::vector<Run> row;
            const int32_t lead = 1 + r % 7;
            row.push_back({lead, r});
            row.push_back({1 + r % 3, 3});
            int32_t w = 0;
            for (const Run& run : row)
                w += run.skip + run.count;
            width = std::max(width, w);
            rows.push_back(row);
        }
    }
    static uint16_t PixelAt(int32_t row, int32_t column) {
        return static_cast<uint16_t>(row * 601 + column * 37 + 1);
    }
    // The record's data: a row-offset word a row, then each row's run words
    // and pixels, ended by a zero word.
    std::vector<uint8_t> Data() const {
        std::vector<uint8_t> body;
        platform::ByteWriter out(body);
        std::vector<uint32_t> starts;
        const auto table = static_cast<uint32_t>(4 * rows.size());
        for (size_t r = 0; r < rows.size(); ++r) {
            starts.push_back(table + static_cast<uint32_t>(body.size()) - 4 * uint32_t(r));
            int32_t column = 0;
            for (const Run& run : rows[r]) {
                out.U16(static_cast<uint16_t>(run.skip | (run.count << 8)));
                column += run.skip;
                for (int32_t i = 0; i < run.count; ++i)
                    out.U16(PixelAt(int32_t(r), column + i));
                column += run.count;
            }
            out.U16(0);
        }
        std::vector<uint8_t> data;
        platform::ByteWriter head(data);
        for (uint32_t s : starts)
            head.U32(s);
        data.insert(data.end(), body.begin(), body.end());
        return data;
    }
};

// What drawing the sprite at (x, y) under `clip` must leave in the target.
std::vector<uint16_t> Model(const Sprite& sprite, int32_t x, int32_t y, const ClipRect& clip,
                            int32_t w, int32_t h) {
    std::vector<uint16_t> out(size_t(w) * h, kBackground);
    for (size_t r = 0; r < sprite.rows.size(); ++r) {
        int32_t column = 0;
        for (const Run& run : sprite.rows[r]) {
            column += run.skip;
            for (int32_t i = 0; i < run.count; ++i) {
                const int32_t tx = x + column + i, ty = y + int32_t(r);
                if (tx >= clip.left && tx < clip.right && ty >= clip.top && ty < clip.bottom)
                    out[size_t(ty) * w + tx] = Sprite::PixelAt(int32_t(r), column + i);
            }
            column += run.count;
        }
    }
    return out;
}

TEST(SpeedPaths, EveryRunLengthAtEveryAlignmentAndClipEqualsTheModel) {
    const Sprite model;
    const std::vector<uint8_t> data = model.Data();
    const auto sprite = LoadSprite(
        SpriteRecord(uint32_t(data.size()), model.width, int32_t(model.rows.size()), data));
    ASSERT_NE(sprite, nullptr);
    constexpr int32_t W = 300, H = 264;
    Surface16 target(W, H);
    SpriteCanvas16 canvas(4);
    struct Case {
        int32_t x, y;
        ClipRect clip;
    };
    std::vector<Case> cases;
    for (int32_t x = 0; x < 16; ++x) // every place of a 32-byte move
        cases.push_back({x, 3, {0, 0, W, H}});
    for (int32_t cut : {1, 2, 5, 17, 33, 64, 127, 200, 255}) {
        cases.push_back({5, 2, {5 + cut, 0, W, H}});                      // left
        cases.push_back({5, 2, {0, 0, 5 + cut, H}});                      // right
        cases.push_back({5, 2, {5 + cut, 0, 5 + cut + 40, H}});           // both
        cases.push_back({5, 2, {0, 2 + cut, W, H}});                      // top
        cases.push_back({5, 2, {0, 0, W, 2 + cut}});                      // bottom
        cases.push_back({-cut, -cut, {0, 0, W, H}});                      // off the top left
        cases.push_back({W - cut, H - cut, {0, 0, W, H}});                // off the bottom right
        cases.push_back({7 + cut % 16, 1, {9 + cut, 0, 9 + 2 * cut, H}}); // odd cut widths
    }
    for (bool wide : kBuilds) {
        const TBuild build(wide);
        for (const Case& c : cases) {
            target.Fill(kBackground);
            canvas.SetTarget(&target, c.clip);
            canvas.DrawRle(sprite.get(), c.x, c.y);
            ClipRect cut = c.clip;
            cut.left = std::max(cut.left, 0);
            cut.top = std::max(cut.top, 0);
            cut.right = std::min(cut.right, W);
            cut.bottom = std::min(cut.bottom, H);
            ASSERT_EQ(Pixels(target), Model(model, c.x, c.y, cut, W, H))
                << "at " << c.x << "," << c.y << " clip " << c.clip.left << "," << c.clip.top << ","
                << c.clip.right << "," << c.clip.bottom << " wide " << wide;
        }
    }
}

} // namespace
