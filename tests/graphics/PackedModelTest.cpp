// Randomized comparisons of the packed renderers against a tiny per-pixel
// model written here from the drawing rules: spans in every table and fill
// style, rectangles, span lists, trapezoids, monochrome images under random
// clip rectangles, stretch blits at odd ratios and keyed blits, at every byte
// depth and layout, and the sub-byte depths' pixels and spans. Seeds are
// fixed, so every run draws the same cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>
#include <cstring>
#include <vector>

#include "FixedPoint.h"
#include "gdl/blit.h"
#include "gdl/dc.h"
#include "gdl/draw.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "gdl/render.h"
#include "LineModel.h"
#include "PackedDepths.h"

namespace {

using namespace packedtest;

constexpr int32_t W = 72, H = 40;

struct Rng {
    uint32_t s;
    uint32_t next() {
        s = s * 1664525u + 1013904223u;
        return s >> 8;
    }
    int32_t in(int32_t lo, int32_t hi) { // lo..hi-1
        return lo + int32_t(next() % uint32_t(hi - lo));
    }
};

uint32_t combine(uint32_t d, uint32_t v, int32_t op) {
    switch (op) {
        case 0: return v;
        case 2: return d | v;
        case 3: return d ^ v;
        default: return d & v; // every other mode acts as AND
    }
}

int32_t repeatOf(int32_t scale, int32_t i) {
    return int32_t(((int64_t(scale) * (i + 1) + 0x8000) >> 16) -
                   ((int64_t(scale) * i + 0x8000) >> 16));
}

// The byte depths plus the two 32-bit layouts the shared list leaves out.
const Depth kModelDepths[] = {
    {8, nullptr, "8"},
    {15, &GDL_pixelFormat555, "15"},
    {16, &GDL_pixelFormat565, "16"},
    {24, &GDL_pixelFormatRGB, "24rgb"},
    {24, &GDL_pixelFormatBGR, "24bgr"},
    {32, &GDL_pixelFormatARGB, "32xrgb"},
    {32, &GDL_pixelFormatABGR, "32xbgr"},
    {32, &GDL_pixelFormatRGBA, "32rgbx"},
    {32, &GDL_pixelFormatBGRA, "32bgrx"},
};

class PackedModelTest : public ::testing::TestWithParam<Depth> {
protected:
    void SetUp() override {
        PACK_registerDrivers();
        dc_ = GDL_createMemoryDC(W, H, GetParam().bits, GetParam().format);
        ASSERT_NE(dc_, nullptr);
        src_ = GDL_createMemoryDC(W, H, GetParam().bits, GetParam().format);
        ASSERT_NE(src_, nullptr);
        GDL_selectCurrentDC(dc_);
        s = &GDL_stateBlock;
        const int32_t b = bytesOf(GetParam().bits) * 8;
        mask = b >= 32 ? 0xFFFFFFFFu : (1u << b) - 1;
    }
    void TearDown() override {
        GDL_selectCurrentDC(nullptr);
        GDL_destroyDC(src_);
        GDL_destroyDC(dc_);
    }

    // Fills a surface with random cells, but draws them from a small set so
    // that keys and scans find matches.
    void scramble(GdlDeviceContext* dc, Rng& rng) {
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x)
                poke(dc, x, y,
                     (rng.next() % 4 == 0 ? 0x00A1B2C3u : rng.next() * 2654435761u) & mask);
    }
    std::vector<uint32_t> snap(const GdlDeviceContext* dc) {
        std::vector<uint32_t> img(size_t(W * H));
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x)
                img[size_t(y * W + x)] = peek(dc, x, y);
        return img;
    }
    // The first differing pixel, for a readable failure.
    static std::string firstDiff(const std::vector<uint32_t>& got,
                                 const std::vector<uint32_t>& want) {
        for (size_t i = 0; i < got.size(); ++i)
            if (got[i] != want[i])
                return "at (" + std::to_string(i % W) + ", " + std::to_string(i / W) + "): got " +
                       std::to_string(got[i]) + " want " + std::to_string(want[i]);
        return "";
    }

    GdlDeviceContext* dc_ = nullptr;
    GdlDeviceContext* src_ = nullptr;
    GdlDeviceContext* s = nullptr;
    uint32_t mask = 0;
};

// The pixel a span of `table` gives at (x, y) over `d`.
uint32_t spanModel(const GdlDeviceContext* s, int32_t table, uint32_t d, int32_t x, int32_t y,
                   uint32_t mask) {
    const uint32_t fore = s->packedColor & mask, back = s->packedBackColor & mask;
    const int32_t op = table % 4 == 0 ? 0 : int32_t(s->attr.writeMode);
    if (table % 4 == 3 || (table % 4 == 2 && s->attr.fillStyle == 3))
        return s->attr.colorPattern[(y & 7) * 8 + (x & 7)] & mask;
    if (table % 4 == 2) {
        bool bit = (s->attr.monoPattern[y & 7] >> (7 - (x & 7))) & 1;
        if (bit) return combine(d, fore, op) & mask;
        return s->attr.fillStyle == 1 ? combine(d, back, op) & mask : d;
    }
    return combine(d, fore, op) & mask;
}

TEST_P(PackedModelTest, SpansAndRectanglesMatchTheModelInEveryTable) {
    Rng rng{0x5EED0001u + uint32_t(GetParam().bits)};
    scramble(s, rng);
    std::vector<uint32_t> model = snap(s);
    uint8_t mono[8];
    uint32_t colors[64];
    for (int32_t round = 0; round < 400; ++round) {
        const int32_t table = rng.in(0, 8);
        s->v.setColor(rng.next() * 0x9E3779B9u);
        s->v.setBackColor(rng.next() * 0x85EBCA6Bu);
        // Table 0 is only ever chosen in replace mode; 5 stands for "other".
        const int32_t modes[] = {0, 1, 2, 3, 5};
        s->v.setWriteMode(table % 4 == 0 ? 0 : modes[rng.in(0, 5)]);
        for (uint8_t& b : mono)
            b = uint8_t(rng.next());
        for (uint32_t& c : colors)
            c = rng.next() * 0xC2B2AE35u & mask;
        s->v.setMonoPattern(mono);
        s->v.setColorPattern(colors);
        s->v.setFillStyle(table % 4 == 2 ? rng.in(1, 4) : table % 4 == 3 ? 3 : 0);
        const GdlRenderTable& t = s->v.tables[table];
        int32_t x1 = rng.in(0, W + 1), x2 = rng.in(0, W + 1);
        if (rng.next() % 3 == 0) x2 = std::min(W, x1 + rng.in(0, 9)); // short spans
        if (rng.next() % 2 == 0) {
            const int32_t y = rng.in(0, H);
            t.span(y, x1, x2);
            for (int32_t x = std::min(x1, x2); x < std::max(x1, x2); ++x) {
                uint32_t& m = model[size_t(y * W + x)];
                m = spanModel(s, table, m, x, y, mask);
            }
        } else {
            const int32_t top = rng.in(0, H), bottom = rng.in(top, H + 1);
            const int32_t left = std::min(x1, x2), right = std::max(x1, x2);
            t.fillRect(left, top, right, bottom);
            for (int32_t y = top; y < bottom; ++y)
                for (int32_t x = left; x < right; ++x) {
                    uint32_t& m = model[size_t(y * W + x)];
                    m = spanModel(s, table, m, x, y, mask);
                }
        }
        std::vector<uint32_t> got = snap(s);
        ASSERT_EQ(got, model) << "round " << round << " table " << table << " mode "
                              << s->attr.writeMode << " style " << s->attr.fillStyle << " "
                              << firstDiff(got, model);
    }
}

TEST_P(PackedModelTest, SpanListsAndTrapezoidsMatchTheModel) {
    Rng rng{0x5EED0002u + uint32_t(GetParam().bits)};
    scramble(s, rng);
    std::vector<uint32_t> model = snap(s);
    s->v.setWriteMode(0);
    for (int32_t round = 0; round < 150; ++round) {
        s->v.setColor(rng.next() * 0x9E3779B9u);
        const uint32_t c = s->packedColor & mask;
        auto fill = [&](int32_t y, int32_t a, int32_t b) {
            for (int32_t x = std::min(a, b); x < std::max(a, b); ++x)
                model[size_t(y * W + x)] = c;
        };
        const int32_t first = rng.in(0, H), count = rng.in(0, H - first + 1);
        if (round % 2 == 0) {
            std::vector<GdlSpan16> list(size_t(count) + 1);
            for (int32_t i = 0; i < count; ++i) {
                list[size_t(i)] = {int16_t(rng.in(0, W + 1)), int16_t(rng.in(0, W + 1))};
                fill(first + i, list[size_t(i)].x1, list[size_t(i)].x2);
            }
            s->v.tables[0].spanList(first, count, list.data());
        } else {
            // Edges start anywhere on the surface, with fractional positions
            // and steps chosen so they stay inside for every row; they may
            // cross, and the smaller x is then the left end.
            GdlEdgeWalker w{first, count, 0, 0, 0, 0};
            const int32_t span = std::max(1, count);
            const int32_t a0 = rng.in(0, W * 65536 - 0x8000), a1 = rng.in(0, W * 65536 - 0x8000);
            const int32_t b0 = rng.in(0, W * 65536 - 0x8000), b1 = rng.in(0, W * 65536 - 0x8000);
            w.leftX = a0;
            w.rightX = b0;
            w.leftStep = (a1 - a0) / span;
            w.rightStep = (b1 - b0) / span;
            int32_t l = w.leftX, r = w.rightX;
            for (int32_t i = 0; i < count; ++i, l += w.leftStep, r += w.rightStep)
                fill(first + i, roundFx(l), roundFx(r));
            const GdlEdgeWalker before = w;
            s->v.tables[0].trapezoid(&w);
            if (count == 0) {
                EXPECT_EQ(std::memcmp(&w, &before, sizeof w), 0);
            } else {
                EXPECT_EQ(w.row, first + count);
                EXPECT_EQ(w.leftX, l);
                EXPECT_EQ(w.rightX, r);
            }
        }
        std::vector<uint32_t> got = snap(s);
        ASSERT_EQ(got, model) << "round " << round << " " << firstDiff(got, model);
    }
}

TEST_P(PackedModelTest, MonoImagesClipToRandomRectangles) {
    Rng rng{0x5EED0003u + uint32_t(GetParam().bits)};
    scramble(s, rng);
    std::vector<uint32_t> model = snap(s);
    for (int32_t round = 0; round < 300; ++round) {
        const int32_t modes[] = {0, 0, 1, 2, 3};
        const int32_t op = modes[rng.in(0, 5)];
        s->v.setWriteMode(op);
        s->v.setColor(rng.next() * 0x9E3779B9u);
        GdlRect clip;
        clip.left = rng.in(0, W);
        clip.right = rng.in(clip.left, W + 1);
        clip.top = rng.in(0, H);
        clip.bottom = rng.in(clip.top, H + 1);
        if (round % 4 == 0) clip = {0, 0, W, H};
        s->clipDevice = clip;
        const int32_t bpr = rng.in(1, 5), rows = rng.in(1, 12);
        // Positions reach past every edge of the surface.
        const int32_t x = rng.in(-40, W + 8), y = rng.in(-14, H + 4);
        std::vector<uint8_t> bits(size_t(bpr * rows));
        for (uint8_t& b : bits)
            b = uint8_t(rng.next());
        s->v.putMonoImage(s, x, y, bpr, rows, bits.data());
        const uint32_t c = s->packedColor & mask;
        for (int32_t r = 0; r < rows; ++r)
            for (int32_t i = 0; i < 8 * bpr; ++i) {
                const int32_t px = x + i, py = y + r;
                if (px < clip.left || px >= clip.right || py < clip.top || py >= clip.bottom)
                    continue;
                if (!((bits[size_t(r * bpr + i / 8)] >> (7 - i % 8)) & 1)) continue;
                uint32_t& m = model[size_t(py * W + px)];
                m = combine(m, c, op) & mask;
            }
        std::vector<uint32_t> got = snap(s);
        ASSERT_EQ(got, model) << "round " << round << " at " << x << "," << y << " " << bpr << "x"
                              << rows << " op " << op << " " << firstDiff(got, model);
    }
}

TEST_P(PackedModelTest, StretchBlitsTakeTheSourcePixelOfTheRepeatTable) {
    Rng rng{0x5EED0004u + uint32_t(GetParam().bits)};
    scramble(src_, rng);
    const std::vector<uint32_t> source = snap(src_);
    const int32_t scales[] = {0x8000, 0x10000, 0x20000, 0x18000, 0xC000, 0x30000, 0x5555, 0x1AAAA};
    for (int32_t round = 0; round < 60; ++round) {
        scramble(s, rng);
        std::vector<uint32_t> model = snap(s);
        const int32_t xs = round < 16 ? scales[round % 8] : rng.in(0x2000, 0x40000);
        const int32_t ys = round < 16 ? scales[(round / 2) % 8] : rng.in(0x2000, 0x40000);
        const int32_t left = rng.in(0, 20), top = rng.in(0, 10);
        const int32_t n = rng.in(1, 17), m = rng.in(1, 10);
        const int32_t dx = rng.in(0, 8), dy = rng.in(0, 8);
        // The destination must hold every output column; rows past the
        // bottom of the destination are cut.
        s->v.stretchBlit(s, src_, left, top, left + n, top + m, dx, dy, xs, ys, nullptr, 1, 0, 0);
        int32_t y = dy;
        for (int32_t j = 0; j < m; ++j)
            for (int32_t k = 0; k < repeatOf(ys, j); ++k, ++y) {
                if (y >= H) continue;
                int32_t x = dx;
                for (int32_t i = 0; i < n; ++i)
                    for (int32_t q = 0; q < repeatOf(xs, i); ++q, ++x)
                        model[size_t(y * W + x)] = source[size_t((top + j) * W + left + i)];
            }
        std::vector<uint32_t> got = snap(s);
        ASSERT_EQ(got, model) << "round " << round << " scales " << xs << " " << ys << " "
                              << firstDiff(got, model);
    }
}

// One-pixel lines against the line model. Replace and XOR draw onto zero, so
// a pixel drawn twice would show.
TEST_P(PackedModelTest, LinesStayWithinHalfAPixelOfTheIdealLine) {
    Rng rng{0x5EED0006u + uint32_t(GetParam().bits)};
    s->v.setColor(0x00C0FFEEu);
    const uint32_t c = s->packedColor & mask;
    for (int32_t round = 0; round < 300; ++round) {
        std::memset(s->surface, 0, size_t(s->mode.bytesPerLine) * H);
        const int32_t op = round % 2 == 0 ? 0 : 3;
        s->v.setWriteMode(op);
        int32_t x1 = rng.in(0x8000, (W - 1) * 65536), x2 = rng.in(0x8000, (W - 1) * 65536);
        int32_t y1 = rng.in(0x8000, (H - 1) * 65536), y2 = rng.in(0x8000, (H - 1) * 65536);
        if (round % 10 == 0) x2 = x1; // vertical
        if (x2 < x1) {
            std::swap(x1, x2);
            std::swap(y1, y2);
        }
        s->v.tables[op == 0 ? 0 : 1].line(x1, y1, x2, y2);
        std::vector<std::pair<int32_t, int32_t>> drawn;
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x) {
                const uint32_t p = peek(s, x, y);
                if (p == 0) continue;
                ASSERT_EQ(p, c);
                drawn.push_back({x, y});
            }
        const std::string where = "round " + std::to_string(round) + " (" + std::to_string(x1) +
                                  "," + std::to_string(y1) + ")-(" + std::to_string(x2) + "," +
                                  std::to_string(y2) + ")";
        ASSERT_EQ(linemodel::check(drawn, x1, y1, x2, y2, true), "") << where;
    }
}

TEST_P(PackedModelTest, KeyedBlitsAndRowsMatchTheModel) {
    Rng rng{0x5EED0005u + uint32_t(GetParam().bits)};
    const uint32_t key = 0x00A1B2C3u & mask;
    for (int32_t round = 0; round < 60; ++round) {
        scramble(src_, rng);
        scramble(s, rng);
        const std::vector<uint32_t> source = snap(src_);
        std::vector<uint32_t> model = snap(s);
        const int32_t left = rng.in(0, W), right = rng.in(left, W + 1);
        const int32_t top = rng.in(0, H), bottom = rng.in(top, std::min(H, top + 6) + 1);
        const int32_t dx = rng.in(0, W - (right - left) + 1);
        const int32_t dy = rng.in(0, H - (bottom - top) + 1);
        const bool srcKey = round % 2 == 0;
        (srcKey ? s->v.srcTransparentBlt : s->v.dstTransparentBlt)(s, src_, left, top, right,
                                                                   bottom, dx, dy, 0, key);
        for (int32_t j = top; j < bottom; ++j)
            for (int32_t i = left; i < right; ++i) {
                const uint32_t v = source[size_t(j * W + i)];
                uint32_t& m = model[size_t((dy + j - top) * W + dx + i - left)];
                if (srcKey ? v != key : m == key) m = v;
            }
        std::vector<uint32_t> got = snap(s);
        ASSERT_EQ(got, model) << "round " << round << (srcKey ? " src" : " dst") << " key "
                              << firstDiff(got, model);
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, PackedModelTest, ::testing::ValuesIn(kModelDepths),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Sub-byte depths ---------------------------------------------------------------

struct SubByte {
    int32_t bits;
    uint32_t (*get)(const uint8_t* row, int32_t x);
};

uint32_t get1(const uint8_t* row, int32_t x) {
    return (row[x / 8] >> (7 - x % 8)) & 1;
}
uint32_t get4(const uint8_t* row, int32_t x) {
    return (row[x / 2] >> (4 * (x % 2))) & 0x0F;
}

// Pixels, spans (through every table and fill style the depth serves) and
// rectangles at 4 and 1 bits, against the layout read straight from the bytes.
TEST(PackedSubByteModelTest, PixelsAndSpansMatchTheModel) {
    PACK_registerDrivers();
    for (const SubByte& d : {SubByte{1, get1}, SubByte{4, get4}}) {
        GdlDeviceContext* dc = GDL_createMemoryDC(W, H, d.bits, nullptr);
        ASSERT_NE(dc, nullptr);
        GDL_selectCurrentDC(dc);
        GdlDeviceContext* s = &GDL_stateBlock;
        const uint32_t mask = (1u << d.bits) - 1;
        const int32_t pitch = int32_t(s->mode.bytesPerLine);
        Rng rng{0x5EED0010u + uint32_t(d.bits)};
        for (int32_t i = 0; i < pitch * H; ++i)
            s->surface[i] = uint8_t(rng.next());
        std::vector<uint32_t> model(size_t(W * H));
        auto read = [&](std::vector<uint32_t>& img) {
            for (int32_t y = 0; y < H; ++y)
                for (int32_t x = 0; x < W; ++x)
                    img[size_t(y * W + x)] = d.get(s->surface + y * pitch, x);
        };
        read(model);
        std::vector<uint32_t> got(model.size());
        uint8_t mono[8];
        uint32_t colors[64];
        for (int32_t round = 0; round < 300; ++round) {
            const int32_t table = rng.in(0, 4);
            s->v.setColor(rng.next());
            s->v.setBackColor(rng.next());
            const int32_t modes[] = {0, 1, 2, 3, 6};
            const int32_t op = table == 0 ? 0 : modes[rng.in(0, 5)];
            s->v.setWriteMode(op);
            for (uint8_t& b : mono)
                b = uint8_t(rng.next());
            for (uint32_t& c : colors)
                c = rng.next() & mask;
            s->v.setMonoPattern(mono);
            s->v.setColorPattern(colors);
            s->v.setFillStyle(table == 2 ? rng.in(1, 3) : table == 3 ? 3 : 0);
            const uint32_t fore = s->packedColor & mask, back = s->packedBackColor & mask;
            auto at = [&](int32_t x, int32_t y) -> uint32_t& { return model[size_t(y * W + x)]; };
            auto paint = [&](int32_t x, int32_t y) {
                uint32_t& m = at(x, y);
                if (table == 3) {
                    // PACK1's own span ignores the write mode for the colour
                    // pattern; at 4 bits the render core's span puts each
                    // pattern pixel with it.
                    const uint32_t c = colors[(y & 7) * 8 + (x & 7)];
                    m = d.bits == 1 ? c : combine(m, c, op) & mask;
                } else if (table == 2) {
                    if ((mono[y & 7] >> (7 - (x & 7))) & 1)
                        m = combine(m, fore, op) & mask;
                    else if (s->attr.fillStyle == 1)
                        m = combine(m, back, op) & mask;
                } else {
                    m = combine(m, fore, op) & mask;
                }
            };
            const int32_t y = rng.in(0, H), x1 = rng.in(0, W + 1), x2 = rng.in(0, W + 1);
            switch (rng.in(0, 3)) {
                case 0:
                    if (x1 < W) {
                        s->v.putPixel(x1, y);
                        uint32_t& m = at(x1, y);
                        m = combine(m, fore, op) & mask;
                        read(got);
                        ASSERT_EQ(s->v.getPixel(x1, y), m);
                    }
                    break;
                case 1:
                    s->v.tables[table].span(y, x1, x2);
                    for (int32_t x = std::min(x1, x2); x < std::max(x1, x2); ++x)
                        paint(x, y);
                    break;
                default: {
                    const int32_t bottom = rng.in(y, H + 1);
                    s->v.tables[table].fillRect(std::min(x1, x2), y, std::max(x1, x2), bottom);
                    for (int32_t r = y; r < bottom; ++r)
                        for (int32_t x = std::min(x1, x2); x < std::max(x1, x2); ++x)
                            paint(x, r);
                }
            }
            read(got);
            ASSERT_EQ(got, model) << d.bits << " bits, round " << round << " table " << table
                                  << " op " << op << " style " << s->attr.fillStyle;
        }
        GDL_selectCurrentDC(nullptr);
        GDL_destroyDC(dc);
    }
}

// The ordered-dither matrix of the halftone cube, written out here.
TEST(PackedSubByteModelTest, ColourMapSpansDitherByTheMatrix) {
    static const uint8_t kMatrix[8][8] = {
        {0, 38, 9, 47, 2, 40, 11, 50},  {25, 12, 35, 22, 27, 15, 37, 24},
        {6, 44, 3, 41, 8, 47, 5, 43},   {31, 19, 28, 15, 34, 21, 31, 18},
        {1, 39, 11, 49, 0, 39, 10, 48}, {27, 14, 36, 23, 26, 13, 35, 23},
        {7, 46, 4, 43, 7, 45, 3, 42},   {33, 20, 30, 17, 32, 19, 29, 16},
    };
    PACK_registerDrivers();
    GdlDeviceContext* dc = GDL_createMemoryDC(16, 16, 8, nullptr);
    ASSERT_NE(dc, nullptr);
    GDL_selectCurrentDC(dc);
    GdlDeviceContext* s = &GDL_stateBlock;
    // Components chosen so every pixel's level depends on its threshold.
    const uint32_t r = 51 * 2 + 20, g = 51 * 3 + 40, b = 51 + 9;
    s->v.setColor(r << 16 | g << 8 | b);
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x) {
            const uint32_t t = kMatrix[y][x];
            auto level = [t](uint32_t v) { return v / 51 + (v % 51 > t ? 1u : 0u); };
            s->v.putDitheredPixel(x, y);
            EXPECT_EQ(s->surface[y * int32_t(s->mode.bytesPerLine) + x],
                      20 + level(r) + 6 * level(g) + 36 * level(b))
                << x << "," << y;
        }
    GDL_selectCurrentDC(nullptr);
    GDL_destroyDC(dc);
}

} // namespace

// --- Converting blits between direct-colour depths ------------------------------------

namespace conv {
namespace {

// Field positions and widths written out per layout: red, green, blue.
struct Layout {
    Depth depth;
    int32_t pos[3];
    int32_t width[3];
};

const Layout kLayouts[] = {
    {{15, &GDL_pixelFormat555, "15"}, {10, 5, 0}, {5, 5, 5}},
    {{16, &GDL_pixelFormat565, "16"}, {11, 5, 0}, {5, 6, 5}},
    {{24, &GDL_pixelFormatRGB, "24rgb"}, {16, 8, 0}, {8, 8, 8}},
    {{24, &GDL_pixelFormatBGR, "24bgr"}, {0, 8, 16}, {8, 8, 8}},
    {{32, &GDL_pixelFormatARGB, "32xrgb"}, {16, 8, 0}, {8, 8, 8}},
    {{32, &GDL_pixelFormatABGR, "32xbgr"}, {0, 8, 16}, {8, 8, 8}},
    {{32, &GDL_pixelFormatRGBA, "32rgbx"}, {24, 16, 8}, {8, 8, 8}},
    {{32, &GDL_pixelFormatBGRA, "32bgrx"}, {8, 16, 24}, {8, 8, 8}},
};

// A channel is widened to 8 bits by shifting its top bit to bit 7 (the low
// bits stay 0) and narrowed by keeping its top bits.
uint32_t convert(const Layout& from, const Layout& to, uint32_t pixel) {
    uint32_t out = 0;
    for (int32_t c = 0; c < 3; ++c) {
        uint32_t v = (pixel >> from.pos[c]) & ((1u << from.width[c]) - 1);
        v <<= 8 - from.width[c];
        out |= (v >> (8 - to.width[c])) << to.pos[c];
    }
    return out;
}

} // namespace
} // namespace conv

// Row-doubled, zoomed and stretched blits between every pair of direct-colour
// layouts give each destination pixel the converted source pixel the repeat
// rule picks.
TEST(PackedConvertModelTest, DoubledZoomedAndStretchedBlitsConvertEveryPair) {
    using conv::kLayouts;
    PACK_registerDrivers();
    Rng rng{0x5EED0020u};
    // At 8 bits the halftone cube: each channel's level is that of its value
    // or one above, by the dither threshold (whose placement is free). The
    // 15- and 16-bit sources have converters of their own and are left out.
    std::vector<conv::Layout> targets(std::begin(kLayouts), std::end(kLayouts));
    targets.push_back({{8, nullptr, "8"}, {16, 8, 0}, {8, 8, 8}});
    for (const conv::Layout& from : kLayouts)
        for (const conv::Layout& to : targets) {
            if (to.depth.bits == 8 && from.depth.bits < 24) continue;
            GdlDeviceContext* src = GDL_createMemoryDC(W, H, from.depth.bits, from.depth.format);
            GdlDeviceContext* dst = GDL_createMemoryDC(W, H, to.depth.bits, to.depth.format);
            ASSERT_TRUE(src && dst);
            GDL_selectCurrentDC(dst);
            // No bits outside the colour fields (bit 15 of 5:5:5, the reserved
            // byte of 32 bits), which only a same-format copy would keep.
            const uint32_t srcMask = from.depth.bits == 15 ? 0x7FFFu
                                     : from.depth.bits == 16
                                         ? 0xFFFFu
                                         : 0xFFFFFFu
                                               << (from.pos[0] == 24 || from.pos[2] == 24 ? 8 : 0);
            for (int32_t y = 0; y < H; ++y)
                for (int32_t x = 0; x < W; ++x)
                    poke(src, x, y, (rng.next() * 2654435761u) & srcMask);
            for (int32_t kind = 0; kind < 3; ++kind) {
                std::memset(dst->surface, 0, size_t(dst->mode.bytesPerLine) * H);
                const int32_t left = rng.in(0, 10), top = rng.in(0, 6);
                const int32_t n = rng.in(1, 13), m = rng.in(1, 6);
                int32_t xs = 0x10000, ys = 0x20000;
                if (kind == 0)
                    dst->v.blitRowDoubled(dst, src, left, top, left + n, top + m, 3, 2, nullptr, 1);
                if (kind == 1) {
                    xs = 0x20000;
                    dst->v.blitZoom2(dst, src, left, top, left + n, top + m, 3, 2, nullptr, 1);
                }
                if (kind == 2) {
                    xs = rng.in(0x4000, 0x30000);
                    ys = rng.in(0x4000, 0x30000);
                    dst->v.stretchBlit(dst, src, left, top, left + n, top + m, 3, 2, xs, ys,
                                       nullptr, 1, 0, 0);
                }
                std::vector<uint32_t> want(size_t(W * H), 0);
                std::vector<uint8_t> drawn(size_t(W * H), 0);
                int32_t y = 2;
                for (int32_t j = 0; j < m; ++j)
                    for (int32_t k = 0; k < repeatOf(ys, j); ++k, ++y) {
                        int32_t x = 3;
                        for (int32_t i = 0; i < n; ++i)
                            for (int32_t q = 0; q < repeatOf(xs, i); ++q, ++x) {
                                want[size_t(y * W + x)] =
                                    conv::convert(from, to, peek(src, left + i, top + j));
                                drawn[size_t(y * W + x)] = 1;
                            }
                    }
                for (int32_t yy = 0; yy < H; ++yy)
                    for (int32_t xx = 0; xx < W; ++xx) {
                        const size_t at = size_t(yy * W + xx);
                        if (to.depth.bits == 8 && drawn[at]) {
                            const uint32_t i = peek(dst, xx, yy) - 20;
                            const uint32_t level[3] = {i % 6, i / 6 % 6, i / 36};
                            for (int32_t c = 0; c < 3; ++c) {
                                const uint32_t v = (want[at] >> to.pos[c]) & 0xFF;
                                ASSERT_TRUE(level[c] == v / 51 || level[c] == v / 51 + 1)
                                    << from.depth.name << " -> 8 kind " << kind << " at " << xx
                                    << "," << yy << " channel " << c;
                            }
                            continue;
                        }
                        ASSERT_EQ(peek(dst, xx, yy), want[at])
                            << from.depth.name << " -> " << to.depth.name << " kind " << kind
                            << " at " << xx << "," << yy << " scales " << xs << " " << ys;
                    }
            }
            GDL_selectCurrentDC(nullptr);
            GDL_destroyDC(src);
            GDL_destroyDC(dst);
        }
}

// Shaded lines and trapezoids pack the integer parts of red, green and blue
// for the context's layout: the top bits of each channel at its field. The
// gradients here step by whole channel values, so every pixel's channels are
// known exactly; at 8 bits each level is that of the value or one above
// (the dither threshold decides which).
TEST(PackedConvertModelTest, ShadedLinesAndTrapezoidsPackTheirChannels) {
    PACK_registerDrivers();
    std::vector<conv::Layout> layouts(std::begin(conv::kLayouts), std::end(conv::kLayouts));
    layouts.push_back({{8, nullptr, "8"}, {0, 0, 0}, {8, 8, 8}});
    for (const conv::Layout& to : layouts) {
        GdlDeviceContext* dc = GDL_createMemoryDC(W, H, to.depth.bits, to.depth.format);
        ASSERT_NE(dc, nullptr);
        GDL_selectCurrentDC(dc);
        GdlDeviceContext* s = &GDL_stateBlock;
        const conv::Layout full{{32, nullptr, ""}, {16, 8, 0}, {8, 8, 8}};
        auto check = [&](int32_t x, int32_t y, uint32_t r, uint32_t g, uint32_t b) {
            const uint32_t got = peek(s, x, y);
            if (to.depth.bits == 8) {
                const uint32_t rgb[3] = {r, g, b};
                uint32_t i = got - 20, level[3] = {i % 6, i / 6 % 6, i / 36};
                for (int32_t c = 0; c < 3; ++c)
                    ASSERT_TRUE(level[c] == rgb[c] / 51 || level[c] == rgb[c] / 51 + 1)
                        << "8 bits at " << x << "," << y << " channel " << c << " index " << got;
            } else {
                ASSERT_EQ(got, conv::convert(full, to, r << 16 | g << 8 | b))
                    << to.depth.name << " at " << x << "," << y;
            }
        };
        // Red 8, green 12 and blue -10 a pixel over x = 2 .. 23.
        s->v.rgbLine(fx(2), fx(3), 0, 0, 210 << 16, fx(23), fx(3), 168 << 16, 252 << 16, 0);
        for (int32_t k = 0; k <= 21; ++k)
            check(2 + k, 3, uint32_t(8 * k), uint32_t(12 * k), uint32_t(210 - 10 * k));
        // Two rows of 11 pixels from x = 4: red 0 .. 192 is 16 a pixel (the
        // step is the difference over the pixels plus one).
        GdlShadeWalker w{};
        w.edge = {6, 2, fx(4), fx(15), 0, 0};
        w.leftRed = 0;
        w.rightRed = 192 << 16;
        w.leftGreen = w.rightGreen = 0x5A << 16;
        w.leftBlue = 240 << 16;
        w.rightBlue = 0;
        s->v.rgbTrapezoid(&w.edge);
        for (int32_t y = 6; y < 8; ++y)
            for (int32_t k = 0; k < 11; ++k)
                check(4 + k, y, uint32_t(16 * k), 0x5A, uint32_t(240 - 20 * k));
        EXPECT_EQ(peek(s, 15, 6), 0u);
        EXPECT_EQ(w.edge.row, 8);
        GDL_selectCurrentDC(nullptr);
        GDL_destroyDC(dc);
    }
}

// The translating image put between every pair of direct-colour layouts
// repacks each channel by the format rules; parts off the destination's
// left and top edges are cut, with the source moved by the same amounts.
TEST(PackedConvertModelTest, TranslatedImagesRepackEveryPair) {
    using conv::kLayouts;
    PACK_registerDrivers();
    Rng rng{0x5EED0030u};
    constexpr int32_t IW = 20, IH = 6;
    for (const conv::Layout& from : kLayouts)
        for (const conv::Layout& to : kLayouts) {
            GdlDeviceContext* dst = GDL_createMemoryDC(W, H, to.depth.bits, to.depth.format);
            ASSERT_NE(dst, nullptr);
            GDL_selectCurrentDC(dst);
            const int32_t n = bytesOf(from.depth.bits), bpl = IW * n + 4;
            std::vector<uint8_t> img(size_t(bpl * IH));
            for (uint8_t& b : img)
                b = uint8_t(rng.next());
            auto cell = [&](int32_t x, int32_t y) {
                uint32_t v = 0;
                for (int32_t i = 0; i < n; ++i)
                    v |= uint32_t(img[size_t(y * bpl + x * n + i)]) << (8 * i);
                return v;
            };
            for (const int32_t destX : {5, -3}) {
                std::memset(dst->surface, 0, size_t(dst->mode.bytesPerLine) * H);
                const int32_t destY = destX < 0 ? -1 : 2;
                dst->v.translateImage(dst, 2, 1, 14, 5, destX, destY, 0, img.data(), bpl,
                                      from.depth.bits, nullptr, from.depth.format, nullptr);
                for (int32_t y = 0; y < H; ++y)
                    for (int32_t x = 0; x < W; ++x) {
                        const int32_t sx = x - destX + 2, sy = y - destY + 1;
                        const bool inside = sx >= 2 && sx < 14 && sy >= 1 && sy < 5;
                        ASSERT_EQ(peek(dst, x, y),
                                  inside ? conv::convert(from, to, cell(sx, sy)) : 0u)
                            << from.depth.name << " -> " << to.depth.name << " at " << x << "," << y
                            << " placed at " << destX;
                    }
            }
            GDL_selectCurrentDC(nullptr);
            GDL_destroyDC(dst);
        }
}

// A save-under rectangle at the last column and row of a surface whose
// width is no multiple of the widening stays within the surface (the
// sanitizers watch the bytes) and restores what was there.
TEST(PackedSaveUnderModelTest, WideningAtTheSurfaceEdgeStaysInside) {
    PACK_registerDrivers();
    Rng rng{0x5EED0040u};
    for (const Depth& d : kModelDepths) {
        constexpr int32_t OW = 37, OH = 5;
        GdlDeviceContext* dc = GDL_createMemoryDC(OW, OH, d.bits, d.format);
        ASSERT_NE(dc, nullptr);
        GDL_selectCurrentDC(dc);
        const int32_t pitch = int32_t(dc->mode.bytesPerLine);
        std::vector<uint8_t> before(size_t(pitch * OH));
        for (uint8_t& b : before)
            b = uint8_t(rng.next());
        std::memcpy(dc->surface, before.data(), before.size());
        std::vector<uint8_t> buffer(size_t(dc->v.saveRectSize(dc, 33, 2, OW, OH)));
        dc->v.saveRect(dc, 33, 2, OW, OH, buffer.data());
        for (int32_t i = 0; i < pitch * OH; ++i)
            dc->surface[i] = uint8_t(~before[size_t(i)]);
        dc->v.restoreRect(dc, buffer.data());
        for (int32_t y = 2; y < OH; ++y)
            for (int32_t x = 33; x < OW; ++x)
                ASSERT_EQ(peek(dc, x, y),
                          [&] {
                              uint32_t v = 0;
                              for (int32_t i = 0; i < bytesOf(d.bits); ++i)
                                  v |= uint32_t(before[size_t(y * pitch + x * bytesOf(d.bits) + i)])
                                       << (8 * i);
                              return v;
                          }())
                    << d.name << " at " << x << "," << y;
        GDL_selectCurrentDC(nullptr);
        GDL_destroyDC(dc);
    }
}

// Index ramps at 8 bits, where the index-to-pixel table is the index itself:
// a line steps the index by its difference over the major length, a
// trapezoid row by its difference over the edges' distance (not over the
// pixel count, as the RGB rows do); both edges' indexes step per row.
TEST(PackedConvertModelTest, IndexRampsStepByTheirRules) {
    PACK_registerDrivers();
    GdlDeviceContext* dc = GDL_createMemoryDC(W, H, 8, nullptr);
    ASSERT_NE(dc, nullptr);
    GDL_selectCurrentDC(dc);
    GdlDeviceContext* s = &GDL_stateBlock;
    s->v.rampLine(fx(3), fx(2), 10 << 16, fx(23), fx(2), 70 << 16); // 3 a pixel
    for (int32_t k = 0; k <= 20; ++k)
        ASSERT_EQ(peek(s, 3 + k, 2), uint32_t(10 + 3 * k)) << k;
    GdlShadeWalker w{};
    w.edge = {5, 2, fx(4), fx(15), 0, 0};
    w.leftIndex = 40 << 16;
    w.rightIndex = 62 << 16; // 22 over 11 columns: 2 a pixel
    w.leftIndexStep = 1 << 16;
    w.rightIndexStep = 1 << 16;
    s->v.rampTrapezoid(&w.edge);
    for (int32_t k = 0; k < 11; ++k) {
        ASSERT_EQ(peek(s, 4 + k, 5), uint32_t(40 + 2 * k)) << k;
        ASSERT_EQ(peek(s, 4 + k, 6), uint32_t(41 + 2 * k)) << k;
    }
    EXPECT_EQ(peek(s, 15, 5), 0u);
    EXPECT_EQ(w.leftIndex, 42 << 16);
    EXPECT_EQ(w.rightIndex, 64 << 16);
    GDL_selectCurrentDC(nullptr);
    GDL_destroyDC(dc);
}

// A stretched blit at a whole-number scale cut by the destination's edges
// shows, inside, the same pixels as the whole blit would: a cut through a
// repeated source pixel keeps its visible part in place, on every side.
TEST(PackedStretchClipTest, CutStretchesKeepTheirPixelsInPlace) {
    PACK_registerDrivers();
    GdlDeviceContext* src = GDL_createMemoryDC(8, 4, 32, &GDL_pixelFormatARGB);
    GdlDeviceContext* dst = GDL_createMemoryDC(20, 12, 32, &GDL_pixelFormatARGB);
    ASSERT_TRUE(src && dst);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 8; ++x)
            poke(src, x, y, uint32_t(0x10 * y + x + 1));
    struct Case {
        int32_t dl, dt, dr, db; // destination rectangle, partly above and left of the surface
    };
    // Whole-number scales; the cuts fall inside repeated pixels on every side.
    const Case cases[] = {{-3, -1, 13, 7}, {-1, -3, 15, 5},  {-5, 0, 19, 4},
                          {5, 9, 21, 17},  {-4, -2, 20, 10}, {7, -5, 31, 7}};
    for (const Case& c : cases) {
        std::memset(dst->surface, 0, size_t(dst->mode.bytesPerLine) * 12);
        GDL_stretchBlt(dst, src, 0, 0, 8, 4, c.dl, c.dt, c.dr, c.db);
        const int32_t xs = ((c.dr - c.dl) << 16) / 8, ys = ((c.db - c.dt) << 16) / 4;
        for (int32_t y = 0; y < 12; ++y)
            for (int32_t x = 0; x < 20; ++x) {
                uint32_t want = 0;
                if (x >= c.dl && x < c.dr && y >= c.dt && y < c.db) {
                    // The source pixel whose repeat run covers this column / row.
                    int32_t i = 0, j = 0;
                    while (((int64_t(xs) * (i + 1) + 0x8000) >> 16) <= x - c.dl)
                        ++i;
                    while (((int64_t(ys) * (j + 1) + 0x8000) >> 16) <= y - c.dt)
                        ++j;
                    want = uint32_t(0x10 * j + i + 1);
                }
                ASSERT_EQ(peek(dst, x, y), want)
                    << "rect " << c.dl << "," << c.dt << " at " << x << "," << y;
            }
    }
    GDL_destroyDC(src);
    GDL_destroyDC(dst);
}

// Plain and keyed blits between two contexts of one format, each with its
// own random clip rectangle: a source pixel is copied only when it lies in
// the source's clip rectangle and its destination in the destination's.
TEST_P(PackedModelTest, BlitsClipToBothSurfaces) {
    Rng rng{0x5EED0007u + uint32_t(GetParam().bits)};
    const uint32_t key = 0x00A1B2C3u & mask;
    for (int32_t round = 0; round < 80; ++round) {
        scramble(src_, rng);
        scramble(s, rng);
        const std::vector<uint32_t> source = snap(src_);
        std::vector<uint32_t> model = snap(s);
        GdlRect sc, dc;
        for (GdlRect* r : {&sc, &dc}) {
            r->left = rng.in(0, W - 1);
            r->right = rng.in(r->left + 1, W + 1);
            r->top = rng.in(0, H - 1);
            r->bottom = rng.in(r->top + 1, H + 1);
        }
        GDL_setClipRect(src_, sc.left, sc.top, sc.right, sc.bottom);
        GDL_setClipRect(dc_, dc.left, dc.top, dc.right, dc.bottom);
        const int32_t left = rng.in(-10, W), right = rng.in(left, W + 10);
        const int32_t top = rng.in(-10, H), bottom = rng.in(top, H + 10);
        const int32_t x = rng.in(-20, W), y = rng.in(-20, H);
        const bool keyed = round % 2 == 1;
        if (keyed)
            GDL_transBlt(dc_, src_, left, top, right, bottom, x, y, key, 1);
        else
            GDL_bitBlt(dc_, src_, left, top, right, bottom, x, y, 0);
        for (int32_t j = top; j < bottom; ++j)
            for (int32_t i = left; i < right; ++i) {
                const int32_t dx = x + i - left, dy = y + j - top;
                if (i < sc.left || i >= sc.right || j < sc.top || j >= sc.bottom) continue;
                if (dx < dc.left || dx >= dc.right || dy < dc.top || dy >= dc.bottom) continue;
                const uint32_t v = source[size_t(j * W + i)];
                if (!keyed || v != key) model[size_t(dy * W + dx)] = v;
            }
        std::vector<uint32_t> got = snap(s);
        ASSERT_EQ(got, model) << "round " << round << (keyed ? " keyed " : " plain ")
                              << firstDiff(got, model);
    }
}

// Colour-map mode (render table 8) belongs to the 8-bit driver: there its
// span, rectangle and trapezoid write dithered cube indexes; at every other
// depth the span stays the empty routine, so spans and rectangle fills draw
// nothing, while the table's line still draws.
TEST_P(PackedModelTest, ColourMapTableDrawsOnlyAtEightBits) {
    Rng rng{0x5EED0008u};
    scramble(s, rng);
    const std::vector<uint32_t> before = snap(s);
    GDL_setColorMapMode(1);
    s->v.setColor(0x00FFFFFF);
    ASSERT_EQ(s->v.current.span, s->v.tables[8].span);
    s->v.current.span(3, 2, 30);
    s->v.current.fillRect(4, 5, 20, 9); // one call of the current span a row
    GdlEdgeWalker w{10, 3, fx(2), fx(12), 0, 0};
    s->v.current.trapezoid(&w);
    GDL_setColorMapMode(0);
    const std::vector<uint32_t> got = snap(s);
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x) {
            const bool inside = (y == 3 && x >= 2 && x < 30) ||
                                (y >= 5 && y < 9 && x >= 4 && x < 20) ||
                                (y >= 10 && y < 13 && x >= 2 && x < 12);
            const uint32_t want = GetParam().bits == 8 && inside ? 235u : before[size_t(y * W + x)];
            if (GetParam().bits != 8 && y >= 10 && y < 13) continue; // the core's trapezoid
            ASSERT_EQ(got[size_t(y * W + x)], want) << x << "," << y;
        }
}
