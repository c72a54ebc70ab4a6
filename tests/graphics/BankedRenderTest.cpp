// The banked render set at 8, 16, 24 and 32 bits against a per-pixel model
// that writes through a linear view of the same memory. The window is the
// test's own: 64 KB that a bank switch writes back into video memory and
// loads from it, so a write in the wrong bank lands where the card would put
// it. The page starts inside bank 1 and covers several banks; at 24 bits,
// rows of 2400 bytes put straddling pixels at window offsets FFFDh, FFFEh and
// FFFFh.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "LineModel.h"
#include "gdl/dc.h"
#include "gdl/modetiming.h"
#include "gdl/packed.h"
#include "gdl/render.h"
#include "gdl/vbe.h"

namespace {

constexpr uint32_t kWindow = 0x10000;
constexpr uint32_t kPageStart = 0x18000; // bank 1, window offset 8000h
constexpr int32_t W = 800;

struct Video {
    std::vector<uint8_t> memory;
    alignas(4096) uint8_t window[kWindow];
    int32_t loaded = -1;
    uint32_t switches = 0;

    void writeBack() {
        if (loaded < 0) return;
        const size_t at = size_t(loaded) * kWindow;
        const size_t n = at < memory.size() ? std::min<size_t>(kWindow, memory.size() - at) : 0;
        std::memcpy(memory.data() + at, window, n);
    }
    void load(int32_t bank) {
        writeBack();
        loaded = bank;
        const size_t at = size_t(bank) * kWindow;
        const size_t n = at < memory.size() ? std::min<size_t>(kWindow, memory.size() - at) : 0;
        std::memset(window, 0, kWindow);
        std::memcpy(window, memory.data() + at, n);
        ++switches;
    }
};

Video* g_video = nullptr;
void testBank(int32_t bank) {
    g_video->load(bank);
}

struct Rng {
    uint32_t s;
    uint32_t next() {
        s = s * 1664525u + 1013904223u;
        return s >> 8;
    }
    int32_t in(int32_t lo, int32_t hi) { return lo + int32_t(next() % uint32_t(hi - lo)); }
};

uint32_t combine(uint32_t d, uint32_t v, int32_t op) {
    switch (op) {
        case 0: return v;
        case 2: return d | v;
        case 3: return d ^ v;
        default: return d & v;
    }
}

class BankedRender : public ::testing::TestWithParam<int32_t> {
protected:
    void SetUp() override {
        bits_ = GetParam();
        n_ = bits_ == 15 ? 2 : bits_ / 8;
        mask_ = n_ == 4 ? 0xFFFFFFFFu : (1u << (8 * n_)) - 1;
        pitch_ = W * n_;
        h_ = int32_t(4 * kWindow / uint32_t(pitch_)) + 8;
        video_ = std::make_unique<Video>();
        video_->memory.assign(kPageStart + size_t(pitch_) * size_t(h_) + kWindow, 0);
        g_video = video_.get();
        model_.assign(size_t(pitch_) * size_t(h_), 0);
        PACK_registerDrivers();
        dc_ = GDL_createMemoryDCEx(W, h_, bits_, nullptr, pitch_, video_->window, nullptr);
        ASSERT_NE(dc_, nullptr);
        GDL_selectCurrentDC(dc_);
        s = &GDL_stateBlock;
        s->frameBase = video_->window;
        s->surface = video_->window + (kPageStart & 0xFFFF);
        s->firstBank = int32_t(kPageStart >> 16);
        switch (n_) {
            case 1: SVGA8_setupVectors(s); break;
            case 2: SVGA16_setupVectors(s); break;
            case 3: SVGA24_setupVectors(s); break;
            default: SVGA32_setupVectors(s); break;
        }
        saved_ = Vbe_state();
        Vbe_state().bankRoutine = testBank;
        Vbe_state().currentBank = 255;
        s->v.setWriteMode(0);
        s->v.setFillStyle(0);
    }
    void TearDown() override {
        Vbe_state() = saved_;
        GDL_selectCurrentDC(nullptr);
        if (dc_) GDL_destroyDC(dc_);
        g_video = nullptr;
    }

    uint32_t peek(int32_t x, int32_t y) const {
        const uint8_t* p = model_.data() + size_t(y) * size_t(pitch_) + size_t(x) * size_t(n_);
        uint32_t v = 0;
        for (int i = 0; i < n_; ++i)
            v |= uint32_t(p[i]) << (8 * i);
        return v;
    }
    void poke(int32_t x, int32_t y, uint32_t v) {
        uint8_t* p = model_.data() + size_t(y) * size_t(pitch_) + size_t(x) * size_t(n_);
        for (int i = 0; i < n_; ++i)
            p[i] = uint8_t(v >> (8 * i));
    }
    void modelPut(int32_t x, int32_t y, uint32_t v, int32_t op) {
        poke(x, y, combine(peek(x, y), v & mask_, op) & mask_);
    }
    // What a span in the current fill style and write mode does to a pixel.
    void modelSpanPixel(int32_t x, int32_t y) {
        const GdlAttributes& a = s->attr;
        const bool bit = (a.monoPattern[y & 7] >> (7 - (x & 7))) & 1;
        switch (a.fillStyle) {
            case 0: modelPut(x, y, s->packedColor, a.writeMode); break;
            case 1: modelPut(x, y, bit ? s->packedColor : s->packedBackColor, a.writeMode); break;
            case 2:
                if (bit) modelPut(x, y, s->packedColor, a.writeMode);
                break;
            default: modelPut(x, y, a.colorPattern[(x & 7) + 8 * (y & 7)], a.writeMode); break;
        }
    }
    // Video memory of the page, the window written back.
    std::vector<uint8_t> page() {
        video_->writeBack();
        return {video_->memory.begin() + kPageStart,
                video_->memory.begin() + kPageStart + ptrdiff_t(model_.size())};
    }
    std::string firstDiff() {
        const std::vector<uint8_t> got = page();
        for (size_t i = 0; i < got.size(); ++i)
            if (got[i] != model_[i])
                return "byte " + std::to_string(i) + " (x " +
                       std::to_string(int32_t(i % size_t(pitch_)) / n_) + ", y " +
                       std::to_string(i / size_t(pitch_)) + ", video offset " +
                       std::to_string(kPageStart + i) + ")";
        return {};
    }
    void scramble(Rng& rng) {
        for (uint8_t& b : model_)
            b = uint8_t(rng.next() % 5 == 0 ? 0xA5 : rng.next());
        std::memcpy(video_->memory.data() + kPageStart, model_.data(), model_.size());
        video_->loaded = -1;
        Vbe_state().currentBank = 255;
    }
    void randomAttributes(Rng& rng, bool anyStyle) {
        s->v.setColor(rng.next() * 0x9E3779B9u);
        s->v.setBackColor(rng.next() * 0x85EBCA6Bu);
        uint8_t mono[8];
        uint32_t colours[64];
        for (uint8_t& b : mono)
            b = uint8_t(rng.next());
        for (uint32_t& c : colours)
            c = rng.next() * 0xC2B2AE35u & mask_;
        s->v.setMonoPattern(mono);
        s->v.setColorPattern(colours);
        s->v.setWriteMode(rng.in(0, 4));
        s->v.setFillStyle(anyStyle ? rng.in(0, 4) : 0);
    }

    int32_t bits_ = 0, n_ = 0, pitch_ = 0, h_ = 0;
    uint32_t mask_ = 0;
    std::unique_ptr<Video> video_;
    std::vector<uint8_t> model_;
    GdlDeviceContext* dc_ = nullptr;
    GdlDeviceContext* s = nullptr;
    VbeState saved_{};
};

TEST_P(BankedRender, SpansRectanglesSpanListsAndPixelsMatchTheLinearModel) {
    Rng rng{0xBA4C0001u + uint32_t(bits_)};
    scramble(rng);
    for (int32_t round = 0; round < 300; ++round) {
        randomAttributes(rng, true);
        const int32_t kind = rng.in(0, 4);
        const int32_t y = rng.in(0, h_);
        int32_t x1 = rng.in(0, W + 1), x2 = rng.in(0, W + 1);
        if (kind == 0) {
            s->v.current.span(y, x1, x2);
            for (int32_t x = std::min(x1, x2); x < std::max(x1, x2); ++x)
                modelSpanPixel(x, y);
        } else if (kind == 1) {
            const int32_t bottom = std::min(h_, y + rng.in(0, 40));
            s->v.current.fillRect(std::min(x1, x2), y, std::max(x1, x2), bottom);
            for (int32_t r = y; r < bottom; ++r)
                for (int32_t x = std::min(x1, x2); x < std::max(x1, x2); ++x)
                    modelSpanPixel(x, r);
        } else if (kind == 2) {
            std::vector<GdlSpan16> list(size_t(std::min(30, h_ - y)));
            for (size_t i = 0; i < list.size(); ++i) {
                list[i] = {int16_t(rng.in(0, W + 1)), int16_t(rng.in(0, W + 1))};
                for (int32_t x = std::min(list[i].x1, list[i].x2);
                     x < std::max(list[i].x1, list[i].x2); ++x)
                    modelSpanPixel(x, y + int32_t(i));
            }
            s->v.current.spanList(y, int32_t(list.size()), list.data());
        } else {
            const int32_t x = rng.in(0, W);
            s->v.putPixel(x, y);
            modelPut(x, y, s->packedColor, s->attr.writeMode);
            ASSERT_EQ(s->v.getPixel(x, y), peek(x, y));
        }
        ASSERT_EQ(firstDiff(), "") << "round " << round << " kind " << kind << " mode "
                                   << s->attr.writeMode << " style " << s->attr.fillStyle;
    }
}

TEST_P(BankedRender, RowsImagesAndSaveAreasMatchTheLinearModel) {
    Rng rng{0xBA4C0002u + uint32_t(bits_)};
    scramble(rng);
    std::vector<uint8_t> src(size_t(W) * 4 * 4), got(size_t(W) * 4 * 4), want(got.size());
    for (int32_t round = 0; round < 300; ++round) {
        for (uint8_t& b : src)
            b = uint8_t(rng.next() % 4 == 0 ? 0xA5 : rng.next());
        const int32_t y = rng.in(0, h_), kind = rng.in(0, 7), op = rng.in(0, 4);
        const int32_t x1 = rng.in(0, W), x2 = rng.in(x1, W + 1);
        auto srcPixel = [&](int32_t i) {
            uint32_t v = 0;
            for (int b = 0; b < n_; ++b)
                v |= uint32_t(src[size_t(i * n_ + b)]) << (8 * b);
            return v;
        };
        if (kind == 0) {
            s->v.putRow(s, y, x1, x2, src.data(), 0, op);
            for (int32_t x = x1; x < x2; ++x)
                modelPut(x, y, srcPixel(x - x1), op);
        } else if (kind == 1) {
            got = want = src;
            s->v.getRow(s, y, x1, x2, got.data(), 0, op);
            for (int32_t x = x1; x < x2; ++x)
                for (int b = 0; b < n_; ++b) {
                    uint8_t& w = want[size_t((x - x1) * n_ + b)];
                    w = uint8_t(combine(w, peek(x, y) >> (8 * b) & 0xFF, op));
                }
            ASSERT_EQ(got, want) << "round " << round << " get row with mode " << op;
        } else if (kind == 2) {
            const int32_t count = std::min(rng.in(0, 300), (W - x1) / 2);
            s->v.putRowDoubled(s, y, x1, count, src.data());
            for (int32_t i = 0; i < 2 * count; ++i)
                poke(x1 + i, y, srcPixel(i / 2));
        } else if (kind == 3) {
            std::vector<uint32_t> repeats(200);
            int32_t x = x1;
            for (size_t i = 0; i < repeats.size(); ++i) {
                repeats[i] = rng.next() % 7 == 0 ? 0x10000u : uint32_t(rng.in(0, 4));
                for (uint32_t k = repeats[i] & 0xFFFF; k > 0 && x < W; --k)
                    poke(x++, y, srcPixel(int32_t(i)));
            }
            s->v.putRowStretched(s, y, x1, int32_t(repeats.size()), src.data(), repeats.data());
        } else if (kind == 4) {
            const bool srcKey = rng.next() % 2;
            const uint32_t key = srcKey ? srcPixel(rng.in(0, 8)) : peek(x1, y);
            (srcKey ? s->v.putRowSrcKey : s->v.putRowDstKey)(s, y, x1, x2, src.data(), key);
            for (int32_t x = x1; x < x2; ++x) {
                const uint32_t v = srcPixel(x - x1);
                if (srcKey ? v != key : peek(x, y) == key) poke(x, y, v);
            }
        } else if (kind == 5) {
            // Four source rows of W pixels: the rectangle x1 .. x2 of rows 1 to 3.
            const int32_t bottom = std::min(h_, y + 3);
            s->v.copyFromMemory(x1, 1, x2, 1 + bottom - y, 0, y, op, src.data(), W * n_, nullptr);
            for (int32_t r = y; r < bottom; ++r)
                for (int32_t x = x1; x < x2; ++x)
                    modelPut(x - x1, r, srcPixel((r - y + 1) * W + x), op);
        } else {
            const int32_t bottom = std::min(h_, y + rng.in(1, 40));
            std::vector<uint8_t> area(size_t(s->v.saveRectSize(s, x1, y, x2, bottom)));
            s->v.saveRect(s, x1, y, x2, bottom, area.data());
            s->v.setWriteMode(0);
            s->v.setFillStyle(0);
            s->v.setColor(rng.next());
            s->v.current.fillRect(0, y, W, bottom);
            s->v.restoreRect(s, area.data());
            // Whole words of the row around the rectangle come back as they were.
            const int32_t align = n_ == 4 ? 1 : n_ == 2 ? 2 : 4;
            const int32_t l = x1 / align * align, r = std::min(W, (x2 + align - 1) / align * align);
            for (int32_t row = y; row < bottom; ++row)
                for (int32_t x = 0; x < W; ++x)
                    if (x < l || x >= r) poke(x, row, s->packedColor & mask_);
        }
        ASSERT_EQ(firstDiff(), "") << "round " << round << " kind " << kind << " mode " << op;
    }
}

// Image puts of whole rows (one run of bytes on both sides) and of part
// rows, one to five rows started on every row of the page: within the bank
// the last put left selected, and across the window end.
TEST_P(BankedRender, ImagePutsFromEveryRowMatchTheLinearModel) {
    Rng rng{0xBA4C0003u + uint32_t(bits_)};
    scramble(rng);
    std::vector<uint8_t> src(size_t(pitch_) * 5);
    for (uint8_t& b : src)
        b = uint8_t(rng.next());
    for (int32_t y = 0; y < h_; ++y) {
        const int32_t rows = std::min(h_ - y, 1 + y % 5);
        const int32_t x1 = y % 2 ? 3 : 0, x2 = y % 2 ? W - 5 : W;
        s->v.copyFromMemory(x1, 0, x2, rows, x1, y, 0, src.data(), pitch_, nullptr);
        for (int32_t r = 0; r < rows; ++r)
            std::memcpy(model_.data() + size_t(y + r) * size_t(pitch_) + size_t(x1 * n_),
                        src.data() + size_t(r) * size_t(pitch_) + size_t(x1 * n_),
                        size_t((x2 - x1) * n_));
    }
    EXPECT_EQ(firstDiff(), "");
}

TEST_P(BankedRender, MonoImagesClipAndSkipWholeRowsOfWideImages) {
    Rng rng{0xBA4C0003u + uint32_t(bits_)};
    scramble(rng);
    for (int32_t round = 0; round < 120; ++round) {
        randomAttributes(rng, false);
        // Wide images too: rows skipped times bytes a row far beyond 8-bit factors.
        const int32_t bytes = round % 4 == 0 ? rng.in(40, 120) : rng.in(1, 6);
        const int32_t rows = round % 4 == 0 ? rng.in(h_ / 2, h_) : rng.in(1, 20);
        std::vector<uint8_t> image(size_t(bytes) * size_t(rows));
        for (uint8_t& b : image)
            b = uint8_t(rng.next());
        const int32_t x = rng.in(-20, W), y = rng.in(-rows, h_);
        GdlRect clip{rng.in(0, W / 2), rng.in(0, h_ / 2), rng.in(W / 2, W + 1),
                     rng.in(h_ / 2, h_ + 1)};
        if (round % 4 == 0) clip.top = std::max(clip.top, y + rows / 2); // many rows skipped
        s->clipDevice = clip;
        s->v.putMonoImage(s, x, y, bytes, rows, image.data());
        for (int32_t r = std::max(y, clip.top); r < std::min(y + rows, clip.bottom); ++r)
            for (int32_t px = std::max(x, clip.left); px < std::min(x + 8 * bytes, clip.right);
                 ++px) {
                const int32_t i = px - x;
                if (image[size_t((r - y) * bytes + i / 8)] & (0x80 >> (i & 7)))
                    modelPut(px, r, s->packedColor, s->attr.writeMode);
            }
        ASSERT_EQ(firstDiff(), "") << "round " << round << " at " << x << "," << y << " bytes "
                                   << bytes << " rows " << rows;
    }
}

TEST_P(BankedRender, LinesKeepTheirGeometryAcrossBanks) {
    s->v.setColor(0x5A5A5A5Au);
    s->v.setWriteMode(3);
    struct Line {
        double x1, y1, x2, y2;
        int32_t pixels; // 0: the model's count
        int32_t firstX;
    };
    const double bottom = h_ - 1;
    const Line lines[] = {
        {10.5, 3.25, 20.0, 3.25, 10, 11}, // starts at (11, 3)
        {10.4, 3.0, 20.6, 3.0, 11, 10},   // x = 10 .. 20, the end pixel 21 left out
        {33.0, 0.0, 33.0, bottom, h_, 33}, {0.0, 0.0, 799.0, bottom, 0, 0},
        {5.0, bottom, 700.0, 2.0, 0, 5},   {100.0, 1.0, 130.0, bottom, 0, 100},
    };
    for (const Line& l : lines) {
        const int32_t x1 = int32_t(l.x1 * 65536), y1 = int32_t(l.y1 * 65536);
        const int32_t x2 = int32_t(l.x2 * 65536), y2 = int32_t(l.y2 * 65536);
        s->v.tables[1].line(x1, y1, x2, y2);
        std::vector<std::pair<int32_t, int32_t>> drawn;
        const std::vector<uint8_t> mem = page();
        for (int32_t y = 0; y < h_; ++y)
            for (int32_t x = 0; x < W; ++x)
                if (mem[size_t(y * pitch_ + x * n_)] != 0) drawn.emplace_back(x, y);
        SCOPED_TRACE(std::to_string(l.x1) + "," + std::to_string(l.y1) + " to " +
                     std::to_string(l.x2) + "," + std::to_string(l.y2));
        EXPECT_EQ(linemodel::check(drawn, x1, y1, x2, y2, true), "");
        if (l.pixels) {
            EXPECT_EQ(int32_t(drawn.size()), l.pixels);
        }
        ASSERT_FALSE(drawn.empty());
        EXPECT_EQ(std::min_element(drawn.begin(), drawn.end())->first, l.firstX);
        s->v.tables[1].line(x1, y1, x2, y2); // XOR again: the page is clean
        EXPECT_EQ(page(), std::vector<uint8_t>(model_.size(), 0));
    }
    // AND keeps combining on both sides of a bank crossing.
    Rng rng{7};
    scramble(rng);
    s->v.setWriteMode(1);
    s->v.setColor(0x0F0F0F0Fu);
    s->v.tables[1].line(200 << 16, 0, 200 << 16, (h_ - 1) << 16);
    for (int32_t y = 0; y < h_; ++y)
        modelPut(200, y, 0x0F0F0F0Fu, 1);
    EXPECT_EQ(firstDiff(), "");
}

TEST_P(BankedRender, ARunEndingAtTheWindowEndLeavesTheNextBankSelected) {
    // The row through the end of bank 2: fill it up to the window end exactly.
    const uint32_t end = 3 * kWindow - kPageStart; // page offset of bank 3
    const int32_t y = int32_t((end - 1) / uint32_t(pitch_));
    const uint32_t rowStart = uint32_t(y) * uint32_t(pitch_);
    if ((end - rowStart) % uint32_t(n_) != 0) GTEST_SKIP() << "no pixel ends at the window end";
    const int32_t x2 = int32_t((end - rowStart) / uint32_t(n_));
    s->v.setColor(0x11223344u);
    s->v.current.span(y, 0, x2);
    EXPECT_EQ(Vbe_state().currentBank, 3);
    const uint32_t before = video_->switches;
    s->v.current.span(y + 1, 0, 1);
    EXPECT_EQ(video_->switches, before) << "the next row is drawn in the bank selected";
}

// Pixels whose bytes straddle a window end (24 bits: at FFFDh is whole,
// FFFEh and FFFFh straddle) are written and read whole, and a destination
// key compares all three bytes of them.
TEST_P(BankedRender, StraddlingPixelsAreReadWrittenAndKeyedWhole) {
    Rng rng{0xBA4C0004u + uint32_t(bits_)};
    scramble(rng);
    int32_t found = 0;
    for (int32_t y = 0; y < h_; ++y)
        for (int32_t x = 0; x < W; ++x) {
            const uint32_t at = (kPageStart + uint32_t(y * pitch_ + x * n_)) & 0xFFFF;
            if (at + uint32_t(n_) < kWindow - 1) continue;
            ++found;
            const uint32_t colour = (0xC0FFEEu + uint32_t(x)) & mask_;
            s->v.setWriteMode(0);
            s->v.setColor(colour);
            s->v.putPixel(x, y);
            modelPut(x, y, colour, 0);
            EXPECT_EQ(s->v.getPixel(x, y), colour) << x << "," << y;
            // The row under a key of that colour: the straddler takes the source.
            std::vector<uint8_t> src(size_t(W * n_), 0x3C);
            s->v.putRowDstKey(s, y, 0, W, src.data(), colour);
            for (int32_t k = 0; k < W; ++k)
                if (peek(k, y) == colour) poke(k, y, 0x3C3C3C3Cu & mask_);
            ASSERT_EQ(firstDiff(), "") << x << "," << y;
        }
    EXPECT_GT(found, 0);
}

TEST_P(BankedRender, ScansCrossBanksBothWays) {
    if (n_ == 3) GTEST_SKIP() << "24 bits take the library's scans";
    s->v.setColor(0);
    s->v.current.fillRect(0, 0, W, h_);
    // A row that crosses the end of bank 2, a marked pixel on each side.
    const uint32_t end = 3 * kWindow - kPageStart;
    const int32_t y = int32_t(end / uint32_t(pitch_));
    const int32_t cross = int32_t((end - uint32_t(y) * uint32_t(pitch_)) / uint32_t(n_));
    s->v.setColor(7);
    s->v.putPixel(std::max(0, cross - 5), y);
    s->v.putPixel(std::min(W - 1, cross + 5), y);
    EXPECT_EQ(s->v.scanRightTo(0, y, 7), std::max(0, cross - 5));
    EXPECT_EQ(s->v.scanRightTo(std::max(0, cross - 4), y, 7), std::min(W - 1, cross + 5));
    EXPECT_EQ(s->v.scanLeftTo(W - 1, y, 7), std::min(W - 1, cross + 5));
    EXPECT_EQ(s->v.scanLeftTo(std::min(W - 1, cross + 4), y, 7), std::max(0, cross - 5));
    EXPECT_EQ(s->v.scanRightTo(0, y + 1, 7), W) << "none: pixels per line";
    EXPECT_EQ(s->v.scanLeftTo(W - 1, y + 1, 7), -1);
    EXPECT_EQ(s->v.scanRightWhile(0, y, 0), std::max(0, cross - 5));
    EXPECT_EQ(s->v.scanLeftWhile(W - 1, y + 1, 0), -1);
}

INSTANTIATE_TEST_SUITE_P(Depths, BankedRender, ::testing::Values(8, 16, 24, 32),
                         [](const ::testing::TestParamInfo<int32_t>& i) {
                             return std::to_string(i.param);
                         });

} // namespace
