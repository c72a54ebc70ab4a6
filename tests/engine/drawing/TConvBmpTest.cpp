// Depth conversion: the nearest-colour cache, error diffusion against a
// model kept in whole-image error planes, the widening conversions, and what
// each refuses.
#include "ErrorProbe.h"
#include "drawing/TConvBmp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace {

TPalCache& Cache() {
    static TPalCache cache;
    return cache;
}

void SetPalette(const std::vector<GdlPaletteEntry>& entries) {
    TPalCache& c = Cache();
    std::memset(&c, 0, sizeof(c));
    c.count = int32_t(entries.size());
    std::copy(entries.begin(), entries.end(), c.entries);
}

// A bitmap record over its own pixels.
struct Bitmap {
    Bitmap(int w, int h, int bits) {
        const int bytes = bits == 4 ? (w + 1) / 2 : w * (bits == 15 ? 16 : bits) / 8;
        pixels.assign(size_t(bytes) * h, 0);
        record = {w, h, bits, bytes, pixels.data(), nullptr, nullptr};
        if (bits <= 8) {
            palette.assign(size_t(1) << bits, GdlPaletteEntry{0, 0, 0, 0});
            record.palette = palette.data();
        } else if (bits <= 16) {
            format = bits == 15 ? GDL_pixelFormat555 : GDL_pixelFormat565;
            record.pixelFormat = &format;
        }
    }
    uint8_t* Row(int y) { return pixels.data() + size_t(y) * record.bytesPerLine; }
    std::vector<uint8_t> pixels;
    std::vector<GdlPaletteEntry> palette;
    GdlPixelFormat format{};
    GdlBitmap record;
};

class ConvTest : public ::testing::Test {
protected:
    void SetUp() override {
        TConvBmp::SetCacheSource([] { return &Cache(); });
    }
    void TearDown() override {
        TConvBmp::SetCacheSource(nullptr);
        EngineSetHeapForTests(nullptr);
    }
    std::mt19937 rng{777};
    uint8_t Byte() { return uint8_t(rng()); }
    std::vector<GdlPaletteEntry> RandomPalette(int n) {
        std::vector<GdlPaletteEntry> p(n);
        for (auto& e : p)
            e = {Byte(), Byte(), Byte(), 0};
        return p;
    }
};

TEST_F(ConvTest, MapTableFirstOfEqualsAndNeverCachesIndexZero) {
    SetPalette({{0, 0, 0, 0}, {10, 0, 0, 0}, {0, 0, 10, 0}, {0, 10, 0, 0}});
    // (r 5, g 0, b 5) is 10 away from entries 0, 1 and 2: the first wins.
    EXPECT_EQ(TConvBmp::MapTable(&Cache(), 5, 0, 5), 0);
    EXPECT_EQ(Cache().cells[(0 * 32 + 0) * 32 + 0], 0);   // searched again next time
    EXPECT_EQ(TConvBmp::MapTable(&Cache(), 0, 0, 12), 1); // blue 10 is entry 1
    EXPECT_EQ(Cache().cells[1], 1);
    Cache().entries[1] = {200, 200, 200, 0}; // the cell answers without a search
    EXPECT_EQ(TConvBmp::MapTable(&Cache(), 0, 0, 12), 1);
    SetPalette({});
    EXPECT_EQ(TConvBmp::MapTable(&Cache(), 100, 100, 100), 0);
}

// Floyd-Steinberg as the rules say, with a full error plane per channel.
void ModelDiffuse(const std::vector<int>& r, const std::vector<int>& g, const std::vector<int>& b,
                  int w, int h, bool serpentine, std::vector<uint8_t>& out) {
    TPalCache copy = Cache();
    std::vector<int> below[3];
    for (auto& v : below)
        v.assign(size_t(w + 2) * (h + 1), 0);
    const std::vector<int>* src[3] = {&r, &g, &b};
    out.assign(size_t(w) * h, 0);
    for (int y = 0; y < h; ++y) {
        const bool back = serpentine && y % 2 == 1;
        int prev[3] = {0, 0, 0};
        for (int n = 0; n < w; ++n) {
            const int x = back ? w - 1 - n : n;
            int want[3];
            for (int c = 0; c < 3; ++c)
                want[c] =
                    (*src[c])[y * w + x] + ((below[c][y * (w + 2) + x + 1] + 7 * prev[c] + 8) >> 4);
            auto clamp = [](int v) { return uint32_t(v < 0 ? 0 : v > 255 ? 255 : v); };
            const uint8_t i =
                TConvBmp::MapTable(&copy, clamp(want[0]), clamp(want[1]), clamp(want[2]));
            out[y * w + x] = i;
            const int got[3] = {copy.entries[i].red, copy.entries[i].green, copy.entries[i].blue};
            for (int c = 0; c < 3; ++c) {
                const int e = want[c] - got[c];
                prev[c] = e;
                const int ahead = back ? -1 : 1;
                below[c][(y + 1) * (w + 2) + x + 1 - ahead] += 3 * e;
                below[c][(y + 1) * (w + 2) + x + 1] += 5 * e;
                below[c][(y + 1) * (w + 2) + x + 1 + ahead] += e;
            }
        }
    }
}

TEST_F(ConvTest, DiffusionMatchesTheModelForEverySource) {
    using Fn = void (*)(GdlBitmap*, const GdlBitmap*);
    struct Member {
        Fn fn;
        int bits;
        bool serpentine;
    };
    const Member members[] = {{&TConvBmp_4to8, 4, false},  {&TConvBmp_8to8, 8, true},
                              {&TConvBmp_16to8, 16, true}, {&TConvBmp_16to8, 15, true},
                              {&TConvBmp_24to8, 24, true}, {&TConvBmp_32to8, 32, true}};
    for (const Member& m : members)
        for (int round = 0; round < 6; ++round) {
            SetPalette(RandomPalette(int(rng() % 40) + 1));
            const int w = int(rng() % 17) + 1, h = int(rng() % 9) + 1;
            Bitmap src(w, h, m.bits), dst(w, h, 8);
            for (auto& e : src.palette)
                e = {Byte(), Byte(), Byte(), 0};
            for (auto& p : src.pixels)
                p = Byte();
            std::vector<int> r(w * h), g(w * h), b(w * h);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const uint8_t* row = src.Row(y);
                    int i = y * w + x;
                    if (m.bits <= 8) {
                        const int index =
                            m.bits == 8 ? row[x] : (x % 2 ? row[x / 2] & 15 : row[x / 2] >> 4);
                        r[i] = src.palette[index].red, g[i] = src.palette[index].green,
                        b[i] = src.palette[index].blue;
                    } else if (m.bits <= 16) {
                        const int v = row[2 * x] | row[2 * x + 1] << 8;
                        const bool five = m.bits == 15;
                        r[i] = (v >> (five ? 10 : 11) & 31) << 3;
                        g[i] = five ? (v >> 5 & 31) << 3 : (v >> 5 & 63) << 2;
                        b[i] = (v & 31) << 3;
                    } else {
                        const uint8_t* p = row + x * m.bits / 8;
                        r[i] = p[2], g[i] = p[1], b[i] = p[0];
                    }
                }
            std::vector<uint8_t> expect;
            ModelDiffuse(r, g, b, w, h, m.serpentine, expect);
            m.fn(&dst.record, &src.record);
            ASSERT_EQ(dst.pixels, expect) << m.bits << " bits, " << w << "x" << h;
        }
}

TEST_F(ConvTest, SerpentineRowsSpreadBackwards) {
    SetPalette({{0, 0, 0, 0}, {255, 255, 255, 0}});
    Bitmap src(5, 2, 24), dst(5, 2, 8);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 5; ++x)
            std::memset(src.Row(y) + 3 * x, 100, 3);
    TConvBmp_24to8(&dst.record, &src.record);
    // Row 0 left to right: wanted 100, 144, 51, 122, 153.
    const std::vector<uint8_t> first(dst.pixels.begin(), dst.pixels.begin() + 5);
    EXPECT_EQ(first, (std::vector<uint8_t>{0, 1, 0, 0, 1}));
    std::vector<uint8_t> expect;
    std::vector<int> grey(10, 100);
    ModelDiffuse(grey, grey, grey, 5, 2, true, expect);
    EXPECT_EQ(dst.pixels, expect);
    std::vector<uint8_t> forward;
    ModelDiffuse(grey, grey, grey, 5, 2, false, forward);
    EXPECT_NE(forward, expect); // the direction shows
}

TEST_F(ConvTest, FourBitSourcesReadTheHighNibbleFirst) {
    SetPalette({{0, 0, 0, 0}, {0, 0, 10, 0}, {0, 0, 200, 0}});
    Bitmap src(2, 1, 4), dst(2, 1, 8);
    src.palette[1] = {0, 0, 10, 0};
    src.palette[2] = {0, 0, 200, 0};
    src.pixels[0] = 0x21;
    TConvBmp_4to8(&dst.record, &src.record);
    EXPECT_EQ(dst.pixels[0], 2);
}

TEST_F(ConvTest, CommonAreaAndRefusals) {
    SetPalette({{0, 0, 0, 0}, {255, 255, 255, 0}});
    Bitmap wide(6, 2, 24), narrow(3, 2, 8);
    std::memset(wide.pixels.data(), 255, wide.pixels.size());
    TConvBmp_24to8Nearest(&narrow.record, &wide.record); // only three columns
    EXPECT_EQ(narrow.pixels, std::vector<uint8_t>(6, 1));

    Bitmap eight(3, 2, 8), out(3, 2, 8);
    eight.pixels.assign(eight.pixels.size(), 1);
    out.pixels.assign(out.pixels.size(), 7);
    TConvBmp_16to8(&out.record, &eight.record); // wrong source depth
    TConvBmp_16to8Nearest(&out.record, &eight.record);
    TConvBmp_8to8(&out.record, nullptr);
    TConvBmp::SetCacheSource(nullptr);
    TConvBmp_8to8(&out.record, &eight.record); // no colour cache
    EXPECT_EQ(out.pixels, std::vector<uint8_t>(6, 7));
}

TEST_F(ConvTest, WideningToTwentyFourBits) {
    Bitmap s16(2, 1, 16), s32(2, 1, 32), d(2, 1, 24);
    const uint16_t px[2] = {0xF800, 0x07FF};
    std::memcpy(s16.pixels.data(), px, 4);
    TConvBmp_16to24(&d.record, &s16.record);
    EXPECT_EQ(d.pixels, (std::vector<uint8_t>{0, 0, 248, 248, 252, 0}));
    const uint32_t wide[2] = {0xAA123456, 0x00FF00};
    std::memcpy(s32.pixels.data(), wide, 8);
    TConvBmp_32to24(&d.record, &s32.record);
    EXPECT_EQ(d.pixels, (std::vector<uint8_t>{0x56, 0x34, 0x12, 0, 0xFF, 0}));
}

TEST_F(ConvTest, ErrorBufferFailureReportsTheMembersLine) {
    SetPalette({{0, 0, 0, 0}, {255, 255, 255, 0}});
    struct Case {
        void (*fn)(GdlBitmap*, const GdlBitmap*);
        int bits, line;
    };
    const Case cases[] = {{&TConvBmp_4to8, 4, 468},
                          {&TConvBmp_8to8, 8, 619},
                          {&TConvBmp_16to8, 16, 780},
                          {&TConvBmp_24to8, 24, 932},
                          {&TConvBmp_32to8, 32, 1086}};
    for (const Case& c : cases) {
        TError::ClearLists();
        Bitmap src(37, 2, c.bits), dst(37, 2, 8);
        dst.pixels.assign(dst.pixels.size(), 9);
        RefuseNextBlocks(6 * (37 + 2) * sizeof(int32_t), 2);
        c.fn(&dst.record, &src.record);
        EngineSetHeapForTests(nullptr);
        EXPECT_EQ(dst.pixels, std::vector<uint8_t>(dst.pixels.size(), 9));
        ASSERT_NE(NewestError(), nullptr);
        EXPECT_EQ(NewestError()->code, 9);
        EXPECT_STREQ(NewestError()->source.c_str(), "Source\\TConvBmp");
        EXPECT_EQ(NewestError()->line, c.line);
    }
    TError::ClearLists();
}

} // namespace
