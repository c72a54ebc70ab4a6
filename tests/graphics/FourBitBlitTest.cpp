// Every way pixels go into and out of a 4-bit packed context: the context
// keeps its even pixel in the low four bits, while bitmaps and memory rows
// carry it in the high four bits. Each path moves an asymmetric pattern (so a
// swapped pair of pixels shows) and is checked against reference pixels
// computed here from the conversion rules. Conversions into 1-bit contexts
// are refused with the library's result code.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gdl/bitmap.h"
#include "gdl/blit.h"
#include "gdl/dc.h"
#include "gdl/draw.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "gdl/result.h"
#include "PackedDepths.h"

namespace {

constexpr int32_t W = 16, H = 6;
// The source rectangle; it starts on an odd pixel, and the destination x
// runs over both parities.
constexpr int32_t L = 3, T = 1, R = 12, B = 4;

struct End {
    int32_t bits;
    const GdlPixelFormat* format;
    const char* name;
};
const End kFour{4, nullptr, "4"};
const End kOthers[] = {
    {8, nullptr, "8"},
    {16, &GDL_pixelFormat565, "16"},
    {32, &GDL_pixelFormatARGB, "32"},
};

// Sixteen colours, all apart, and a 256-entry palette that holds none of them.
GdlPaletteEntry fourColour(int32_t i) {
    return {uint8_t(i * 73 + 5), uint8_t(255 - i * 15), uint8_t(i * 16 + 8), 0};
}
GdlPaletteEntry eightColour(int32_t i) {
    return {uint8_t(i * 3 + 1), uint8_t(i * 11 + 2), uint8_t(255 - i), 0};
}

// A pattern whose neighbours always differ.
uint32_t pattern(int32_t x, int32_t y) {
    return uint32_t(x * 5 + y * 3 + 1) & 15;
}

// Pixels straight from a context's bytes: 4 bits in the packed layout,
// 1 bit most significant first, wider cells little-endian.
uint32_t pixelAt(const GdlDeviceContext* dc, int32_t x, int32_t y) {
    const uint8_t* row = dc->surface + y * int32_t(dc->mode.bytesPerLine);
    switch (dc->mode.bitsPerPixel) {
        case 4: return (row[x / 2] >> (x % 2 ? 4 : 0)) & 15;
        case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
        default: return packedtest::peek(dc, x, y);
    }
}

void setPixelAt(GdlDeviceContext* dc, int32_t x, int32_t y, uint32_t v) {
    if (dc->mode.bitsPerPixel != 4) return packedtest::poke(dc, x, y, v);
    uint8_t& b = dc->surface[y * int32_t(dc->mode.bytesPerLine) + x / 2];
    b = x % 2 ? uint8_t((b & 0x0F) | v << 4) : uint8_t((b & 0xF0) | v);
}

// A row-form 4-bit image: the even pixel in the high four bits.
uint32_t rowFormAt(const std::vector<uint8_t>& rows, int32_t pitch, int32_t x, int32_t y) {
    const uint8_t b = rows[size_t(y * pitch + x / 2)];
    return x % 2 ? b & 15u : uint32_t(b >> 4);
}

class FourBitBlitTest : public ::testing::Test {
protected:
    GdlPaletteEntry four_[16];
    GdlPaletteEntry eight_[256];

    void SetUp() override {
        PACK_registerDrivers();
        for (int32_t i = 0; i < 16; ++i)
            four_[i] = fourColour(i);
        for (int32_t i = 0; i < 256; ++i)
            eight_[i] = eightColour(i);
        GDL_lastResult();
    }
    void TearDown() override {
        GDL_selectCurrentDC(nullptr);
        GDL_destroyAllMemoryDCs();
    }

    GdlDeviceContext* make(const End& e, int32_t w = W, int32_t h = H) {
        GdlDeviceContext* dc = GDL_createMemoryDC(w, h, e.bits, e.format);
        EXPECT_NE(dc, nullptr);
        if (dc && e.bits == 4) GDL_setPalette(dc, four_, 16, 0);
        if (dc && e.bits == 8) GDL_setPalette(dc, eight_, 256, 0);
        return dc;
    }

    // Source pixel value at (x, y) for a side: the pattern at 4 bits, an
    // index at 8, a packed colour above.
    uint32_t sourceValue(const End& e, int32_t x, int32_t y) const {
        const uint32_t p = pattern(x, y);
        if (e.bits == 4) return p;
        if (e.bits == 8) return p * 13 + 7;
        return GDL_packColor(e.format, p * 16 + 3, 255 - p * 9, p * 5 + x);
    }
    void colourOf(const End& e, uint32_t v, uint8_t* r, uint8_t* g, uint8_t* b) const {
        if (e.bits <= 8) {
            const GdlPaletteEntry& p = e.bits == 4 ? four_[v] : eight_[v];
            *r = p.red, *g = p.green, *b = p.blue;
        } else {
            GDL_unpackColor(e.format, v, r, g, b);
        }
    }
    // What the conversion rules make of a source value at its place in the
    // converted row (`pos`) on destination row `y`.
    uint32_t expected(const End& from, const End& to, uint32_t v, int32_t pos, int32_t y) const {
        if (from.bits == 4 && to.bits == 4) return v; // same palette: a copy
        uint8_t r, g, b;
        colourOf(from, v, &r, &g, &b);
        if (to.bits == 4) {
            if (from.bits <= 8) return uint32_t(GDL_nearestPaletteIndex(four_, 16, r, g, b));
            const GdlPaletteEntry& d = GDL_defaultPalette()[GDL_halftoneIndex(r, g, b, pos, y)];
            return uint32_t(GDL_nearestPaletteIndex(four_, 16, d.red, d.green, d.blue));
        }
        if (to.bits == 8) return uint32_t(GDL_nearestPaletteIndex(eight_, 256, r, g, b));
        return GDL_packColor(to.format, r, g, b);
    }

    void fill(GdlDeviceContext* dc, const End& e) {
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x)
                setPixelAt(dc, x, y, sourceValue(e, x, y));
    }

    // The rectangle (L, T)-(R, B) of `from` arrived at (dx, dy) of `dst`,
    // and nothing else changed from 0.
    void check(const GdlDeviceContext* dst, const End& from, const End& to, int32_t dx, int32_t dy,
               const std::string& path) {
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x) {
                const int32_t sx = L + x - dx, sy = T + y - dy;
                const bool inside = sx >= L && sx < R && sy >= T && sy < B;
                const uint32_t want =
                    inside ? expected(from, to, sourceValue(from, sx, sy), x - dx, y) : 0u;
                ASSERT_EQ(pixelAt(dst, x, y), want) << path << " at " << x << "," << y;
            }
    }

    // A row-form bitmap of a side's source values.
    GdlBitmap bitmapOf(const End& e, std::vector<uint8_t>& store) {
        const int32_t pitch = (W * e.bits / 8 + 3) & ~3;
        store.assign(size_t(pitch * H), 0);
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x) {
                const uint32_t v = sourceValue(e, x, y);
                uint8_t* row = &store[size_t(y * pitch)];
                if (e.bits == 4)
                    row[x / 2] |= uint8_t(x % 2 ? v : v << 4);
                else
                    for (int32_t k = 0; k < e.bits / 8; ++k)
                        row[x * e.bits / 8 + k] = uint8_t(v >> (8 * k));
            }
        GdlPaletteEntry* palette = e.bits == 4 ? four_ : e.bits == 8 ? eight_ : nullptr;
        return {W, H, e.bits, pitch, store.data(), palette, const_cast<GdlPixelFormat*>(e.format)};
    }
};

// Each path of a context-to-context blit and of a bitmap put, with a 4-bit
// context on one end and every other depth (or 4 bits) on the other.
TEST_F(FourBitBlitTest, EveryPathAgreesOnThePixelOrder) {
    std::vector<std::pair<End, End>> pairs = {{kFour, kFour}};
    for (const End& e : kOthers) {
        pairs.push_back({kFour, e});
        pairs.push_back({e, kFour});
    }
    for (auto [from, to] : pairs)
        for (int32_t dx : {2, 5}) {
            const std::string name =
                std::string(from.name) + "->" + to.name + " dx " + std::to_string(dx);
            GdlDeviceContext* src = make(from);
            GdlDeviceContext* dst = make(to);
            ASSERT_TRUE(src && dst);
            fill(src, from);
            GDL_bitBlt(dst, src, L, T, R, B, dx, 1, 0);
            EXPECT_EQ(GDL_lastResult(), 0);
            check(dst, from, to, dx, 1, "blit " + name);

            // The same pixels as a bitmap.
            GdlDeviceContext* onto = make(to);
            std::vector<uint8_t> store;
            GdlBitmap bmp = bitmapOf(from, store);
            GDL_setClipRect(onto, dx, 1, dx + (R - L), 1 + (B - T));
            GDL_setClipMode(onto, 1);
            GDL_putBitmap(onto, dx - L, 1 - T, &bmp, 0);
            check(onto, from, to, dx, 1, "bitmap " + name);
            GDL_selectCurrentDC(nullptr);
            GDL_destroyAllMemoryDCs();
        }
}

// Stretches take only sources of 8 bits and more; into a 4-bit context they
// arrive through its rows.
TEST_F(FourBitBlitTest, StretchesIntoFourBits) {
    const End& from = kOthers[0];
    GdlDeviceContext* src = make(from);
    GdlDeviceContext* dst = make(kFour, 2 * W, 2 * H);
    ASSERT_TRUE(src && dst);
    fill(src, from);
    GDL_stretchBlt(dst, src, 0, 0, 4, 2, 0, 0, 8, 4);
    std::vector<uint8_t> store;
    GdlBitmap bmp = bitmapOf(from, store);
    bmp.width = 4; // its first 4 x 2 pixels, doubled
    bmp.height = 2;
    GDL_stretchBitmap(dst, 10, 0, 18, 4, &bmp);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 8; ++x) {
            const uint32_t want = expected(from, kFour, sourceValue(from, x / 2, y / 2), 0, 0);
            EXPECT_EQ(pixelAt(dst, x, y), want) << "blit " << x << "," << y;
            EXPECT_EQ(pixelAt(dst, 10 + x, y), want) << "bitmap " << x << "," << y;
        }
    // A 4-bit source cannot be stretched through the front end; the
    // converting blit entry still reads one in its own layout.
    GDL_stretchBlt(src, dst, 0, 0, 4, 2, 0, 0, 8, 4);
    EXPECT_EQ(GDL_lastResult(), GDL_INVALID_DEVICE_TYPE);
    GdlDeviceContext* four = make(kFour);
    ASSERT_NE(four, nullptr);
    fill(four, kFour);
    GDL_selectCurrentDC(src);
    GdlDeviceContext* s = &GDL_stateBlock;
    s->v.stretchBlit(s, four, L, T, L + 7, B, 0, 0, 0x20000, 0x10000, nullptr, 1, 0, 0); // 14 wide
    for (int32_t y = T; y < B; ++y)
        for (int32_t x = L; x < L + 7; ++x)
            for (int32_t k = 0; k < 2; ++k)
                EXPECT_EQ(pixelAt(s, 2 * (x - L) + k, y - T),
                          expected(kFour, from, pattern(x, y), 0, 0))
                    << x << "," << y;
}

// What a 4-bit context hands out as rows is in row form: the copy to
// memory, the save-under buffer, and a copy into a 4-bit context from a
// context that is not a memory one.
TEST_F(FourBitBlitTest, RowsTakenOutAreInRowForm) {
    GdlDeviceContext* dc = make(kFour);
    ASSERT_NE(dc, nullptr);
    fill(dc, kFour);
    GDL_selectCurrentDC(dc);
    GdlDeviceContext* s = &GDL_stateBlock;
    const int32_t pitch = 8;
    std::vector<uint8_t> memory(size_t(pitch * H), 0);
    s->v.copyToMemory(L, T, R, B, 1, 0, 0, memory.data(), pitch);
    for (int32_t y = T; y < B; ++y)
        for (int32_t x = L; x < R; ++x)
            EXPECT_EQ(rowFormAt(memory, pitch, 1 + x - L, y - T), pattern(x, y)) << x << "," << y;

    // Save-under rows cover whole bytes, from the one holding L.
    std::vector<uint8_t> saved(size_t(s->v.saveRectSize(s, L, T, R, B)));
    s->v.saveRect(s, L, T, R, B, saved.data());
    const int32_t rowBytes = (R - 1) / 2 - L / 2 + 1;
    const std::vector<uint8_t> rows(saved.begin() + 18, saved.end());
    for (int32_t y = T; y < B; ++y)
        for (int32_t x = L; x < R; ++x)
            EXPECT_EQ(rowFormAt(rows, rowBytes, x - L / 2 * 2, y - T), pattern(x, y));
    std::memset(s->surface, 0, size_t(s->mode.bytesPerLine) * H);
    s->v.restoreRect(s, saved.data());
    for (int32_t y = T; y < B; ++y)
        for (int32_t x = L; x < R; ++x)
            EXPECT_EQ(pixelAt(s, x, y), pattern(x, y));
    GDL_selectCurrentDC(nullptr);

    // An off-screen context of another 4-bit layout copies into memory
    // through its own device-to-memory entry, which writes row form.
    fill(dc, kFour);
    dc->type = GDL_DC_OFFSCREEN;
    dc->v.getPixel = [](int32_t, int32_t) { return 0u; };
    GdlDeviceContext* dst = make(kFour);
    ASSERT_NE(dst, nullptr);
    GDL_bitBlt(dst, dc, L, T, R, B, 2, 1, 0);
    check(dst, kFour, kFour, 2, 1, "off-screen to memory");
    dc->type = GDL_DC_MEMORY;
}

// No conversion into one bit per pixel is defined: the put and the blit
// say so and draw nothing; a one-bit source is refused by the blit.
TEST_F(FourBitBlitTest, OneBitDestinationsAreRefused) {
    const End kOne{1, nullptr, "1"};
    for (const End& from : {kFour, kOthers[0], kOthers[1], kOthers[2]}) {
        GdlDeviceContext* src = make(from);
        GdlDeviceContext* one = make(kOne);
        ASSERT_TRUE(src && one);
        fill(src, from);
        GDL_bitBlt(one, src, L, T, R, B, 0, 0, 0);
        EXPECT_EQ(GDL_lastResult(), GDL_INVALID_DEVICE_TYPE) << from.name;
        std::vector<uint8_t> store;
        GdlBitmap bmp = bitmapOf(from, store);
        GDL_putBitmap(one, 0, 0, &bmp, 0);
        EXPECT_EQ(GDL_lastResult(), GDL_INVALID_DEVICE_TYPE) << from.name;
        for (int32_t y = 0; y < H; ++y)
            for (int32_t x = 0; x < W; ++x)
                ASSERT_EQ(pixelAt(one, x, y), 0u) << from.name;
        GDL_bitBlt(src, one, 0, 0, 4, 4, 0, 0, 0);
        EXPECT_EQ(GDL_lastResult(), GDL_INVALID_DEVICE_TYPE) << from.name;
        GDL_destroyAllMemoryDCs();
    }
}

} // namespace
