// Copies of 16, 32 and 8-bit pixels into 32-bit surfaces, the paint path of
// windows: every 5:6:5 and 5:5:5 value must come out as the general path
// reads it, rows of any width and position, and clipped rectangles too.
#include "platform/Gdi.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

namespace {

struct Dib {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    uint8_t* bits = nullptr;
    int stride = 0;
};

// With masks, or (8 bits) a colour table in the header.
Dib makeDib(int width, int height, int bpp, const uint32_t* masks,
            const RGBQUAD* colors = nullptr) {
    struct {
        BITMAPINFOHEADER header;
        uint32_t extra[256];
    } info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = -height;
    info.header.biPlanes = 1;
    info.header.biBitCount = WORD(bpp);
    info.header.biCompression = masks ? BI_BITFIELDS : BI_RGB;
    if (masks) std::memcpy(info.extra, masks, 3 * sizeof(uint32_t));
    if (colors) std::memcpy(info.extra, colors, sizeof(info.extra));
    Dib d;
    void* bits = nullptr;
    d.bitmap = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                &bits, nullptr, 0);
    d.bits = static_cast<uint8_t*>(bits);
    d.dc = CreateCompatibleDC(nullptr);
    SelectObject(d.dc, d.bitmap);
    d.stride = ((width * bpp + 31) / 32) * 4;
    return d;
}

void freeDib(Dib& d) {
    DeleteDC(d.dc);
    DeleteObject(d.bitmap);
}

uint32_t at32(const Dib& d, int x, int y) {
    uint32_t v;
    std::memcpy(&v, d.bits + size_t(y) * size_t(d.stride) + size_t(x) * 4, 4);
    return v;
}

// The source's pixels as 0x00RRGGBB, converted by GetDIBits (the general path).
std::vector<uint32_t> readBack(const Dib& d, int width, int height) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = -height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    std::vector<uint32_t> out(size_t(width) * size_t(height));
    GetDIBits(d.dc, d.bitmap, 0, UINT(height), out.data(), reinterpret_cast<BITMAPINFO*>(&header),
              DIB_RGB_COLORS);
    for (uint32_t& v : out)
        v &= 0xFFFFFF;
    return out;
}

TEST(BlitRows, EverySixteenBitValueWidensAsTheGeneralPathReadsIt) {
    const uint32_t k565[3] = {0xF800, 0x07E0, 0x001F}, k555[3] = {0x7C00, 0x03E0, 0x001F};
    for (const uint32_t* masks : {k565, k555}) {
        Dib source = makeDib(256, 256, 16, masks);
        Dib dest = makeDib(256, 256, 32, nullptr);
        for (int i = 0; i < 65536; ++i) {
            const uint16_t v = uint16_t(i);
            std::memcpy(source.bits + size_t(i) * 2, &v, 2);
        }
        ASSERT_TRUE(BitBlt(dest.dc, 0, 0, 256, 256, source.dc, 0, 0, SRCCOPY));
        const std::vector<uint32_t> expected = readBack(source, 256, 256);
        for (int i = 0; i < 65536; ++i)
            ASSERT_EQ(at32(dest, i % 256, i / 256), expected[size_t(i)])
                << std::hex << masks[0] << " " << i;
        freeDib(source);
        freeDib(dest);
    }
}

TEST(BlitRows, EveryIndexReadsItsColourAsTheGeneralPathReadsIt) {
    RGBQUAD colors[256];
    for (int i = 0; i < 256; ++i)
        colors[i] = {BYTE(i), BYTE(255 - i), BYTE(i * 7), 0};
    Dib source = makeDib(256, 3, 8, nullptr, colors);
    ASSERT_NE(source.bits, nullptr);
    Dib dest = makeDib(256, 3, 32, nullptr);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 256; ++x)
            source.bits[size_t(y) * size_t(source.stride) + size_t(x)] = uint8_t(x + y);
    ASSERT_TRUE(BitBlt(dest.dc, 0, 0, 256, 3, source.dc, 0, 0, SRCCOPY));
    const std::vector<uint32_t> expected = readBack(source, 256, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 256; ++x)
            ASSERT_EQ(at32(dest, x, y), expected[size_t(y * 256 + x)]) << x << "," << y;
    freeDib(source);
    freeDib(dest);
}

// Frames large enough to go two pixels at a time, each after a change of
// the colour table (and back), at an odd width and an odd place: every pixel
// as the general path reads it with the table of that moment.
TEST(BlitRows, LargeIndexedFramesFollowEveryColourTable) {
    constexpr int W = 515, H = 256;
    RGBQUAD a[256], b[256];
    for (int i = 0; i < 256; ++i) {
        a[i] = {BYTE(i), BYTE(255 - i), BYTE(i * 7), 0};
        b[i] = {BYTE(i * 3), BYTE(i ^ 0x5A), BYTE(200 - i), 0};
    }
    Dib source = makeDib(W, H, 8, nullptr, a);
    ASSERT_NE(source.bits, nullptr);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            source.bits[size_t(y) * size_t(source.stride) + size_t(x)] = uint8_t(x * 7 + y * 13);
    Dib dest = makeDib(W + 2, H, 32, nullptr);
    for (const RGBQUAD* table : {a, b, a}) {
        ASSERT_EQ(SetDIBColorTable(source.dc, 0, 256, table), 256u);
        ASSERT_TRUE(BitBlt(dest.dc, 1, 0, W, H, source.dc, 0, 0, SRCCOPY));
        const std::vector<uint32_t> expected = readBack(source, W, H);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                ASSERT_EQ(at32(dest, x + 1, y), expected[size_t(y) * W + size_t(x)])
                    << (table == a ? "a " : "b ") << x << "," << y;
    }
    freeDib(source);
    freeDib(dest);
}

TEST(BlitRows, OddWidthsPositionsAndClippedRectangles) {
    const uint32_t k565[3] = {0xF800, 0x07E0, 0x001F};
    Dib source = makeDib(40, 20, 16, k565);
    Dib dest = makeDib(30, 16, 32, nullptr);
    for (int i = 0; i < 40 * 20; ++i) {
        const uint16_t v = uint16_t(i * 2654435761u >> 7);
        std::memcpy(source.bits + size_t(i) * 2, &v, 2);
    }
    const std::vector<uint32_t> expected = readBack(source, 40, 20);
    struct Case {
        int x, y, w, h, sx, sy;
    };
    const Case cases[] = {{3, 2, 13, 5, 1, 4},
                          {0, 0, 30, 16, 0, 0},
                          {25, 10, 20, 20, 5, 3},
                          {-4, -2, 9, 7, 0, 0},
                          {2, 1, 7, 3, 35, 18}};
    for (const Case& c : cases) {
        std::memset(dest.bits, 0xAB, size_t(dest.stride) * 16);
        ASSERT_TRUE(BitBlt(dest.dc, c.x, c.y, c.w, c.h, source.dc, c.sx, c.sy, SRCCOPY));
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 30; ++x) {
                const int sx = c.sx + x - c.x, sy = c.sy + y - c.y;
                const bool inside = x >= c.x && x < c.x + c.w && y >= c.y && y < c.y + c.h &&
                                    sx < 40 && sy < 20 && sx >= 0 && sy >= 0;
                ASSERT_EQ(at32(dest, x, y), inside ? expected[size_t(sy * 40 + sx)] : 0xABABABABu)
                    << c.x << "," << c.y << " at " << x << "," << y;
            }
    }
    freeDib(source);
    freeDib(dest);
}

// Random raster operations, rectangles partly off the destination and copies
// within one surface, at 32 and 24 bits, against a per-pixel model that reads
// the source as it was before the call.
TEST(BlitRows, RandomRasterOperationsMatchAPerPixelModel) {
    struct Op {
        DWORD rop;
        uint32_t (*apply)(uint32_t s, uint32_t d);
    };
    static const Op ops[] = {
        {SRCCOPY, [](uint32_t s, uint32_t) { return s; }},
        {SRCPAINT, [](uint32_t s, uint32_t d) { return s | d; }},
        {SRCAND, [](uint32_t s, uint32_t d) { return s & d; }},
        {SRCINVERT, [](uint32_t s, uint32_t d) { return s ^ d; }},
        {NOTSRCCOPY, [](uint32_t s, uint32_t) { return ~s; }},
        {DSTINVERT, [](uint32_t, uint32_t d) { return ~d; }},
        {BLACKNESS, [](uint32_t, uint32_t) { return 0u; }},
        {WHITENESS, [](uint32_t, uint32_t) { return 0xFFFFFFu; }},
    };
    constexpr int W = 23, H = 13;
    uint32_t seed = 17;
    auto next = [&](int n) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 8) % uint32_t(n));
    };
    for (int bpp : {32, 24}) {
        Dib a = makeDib(W, H, bpp, nullptr), b = makeDib(W, H, bpp, nullptr);
        const int cell = bpp / 8;
        auto get = [&](const Dib& d, int x, int y) {
            uint32_t v = 0;
            std::memcpy(&v, d.bits + size_t(y) * size_t(d.stride) + size_t(x * cell), 3);
            return v;
        };
        for (int round = 0; round < 300; ++round) {
            for (Dib* d : {&a, &b})
                for (int i = 0; i < d->stride * H; ++i)
                    d->bits[i] = uint8_t(next(256));
            const Op& op = ops[next(8)];
            Dib& dest = a;
            const Dib& src = next(3) == 0 ? a : b;
            const int w = 1 + next(W), h = 1 + next(H);
            const int sx = next(W - w + 1), sy = next(H - h + 1);
            const int x = next(W + 8) - 6, y = next(H + 6) - 4;
            std::vector<uint32_t> before(W * H), source(W * H);
            for (int j = 0; j < H; ++j)
                for (int i = 0; i < W; ++i) {
                    before[size_t(j * W + i)] = get(dest, i, j);
                    source[size_t(j * W + i)] = get(src, i, j);
                }
            ASSERT_TRUE(BitBlt(dest.dc, x, y, w, h, src.dc, sx, sy, op.rop));
            for (int j = 0; j < H; ++j)
                for (int i = 0; i < W; ++i) {
                    const uint32_t d = before[size_t(j * W + i)];
                    const bool inside = i >= x && i < x + w && j >= y && j < y + h;
                    const uint32_t s = inside ? source[size_t((sy + j - y) * W + sx + i - x)] : 0;
                    const uint32_t want = inside ? op.apply(s, d) & 0xFFFFFF : d;
                    ASSERT_EQ(get(dest, i, j), want)
                        << bpp << " bits, round " << round << ", rop " << std::hex << op.rop
                        << std::dec << " (" << x << "," << y << "," << w << "," << h << ") from ("
                        << sx << "," << sy << ")" << (&src == &a ? " same surface" : "") << " at "
                        << i << "," << j;
                }
        }
        freeDib(a);
        freeDib(b);
    }
}

} // namespace

// Two threads copying large frames at once, each with its own colour table
// and from an odd source column: each gets its own colours, never the
// other thread's table.
TEST(BlitRows, ThreadsCopyingWithDifferentColourTablesKeepTheirOwn) {
    constexpr int W = 517, H = 260;
    RGBQUAD tables[2][256];
    for (int i = 0; i < 256; ++i) {
        tables[0][i] = {BYTE(i), BYTE(255 - i), BYTE(i * 7), 0};
        tables[1][i] = {BYTE(i * 3), BYTE(i ^ 0x5A), BYTE(200 - i), 0};
    }
    Dib sources[2], dests[2];
    std::vector<uint32_t> expected[2];
    for (int t = 0; t < 2; ++t) {
        sources[t] = makeDib(W, H, 8, nullptr, tables[t]);
        ASSERT_NE(sources[t].bits, nullptr);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                sources[t].bits[size_t(y) * size_t(sources[t].stride) + size_t(x)] =
                    uint8_t(x * 5 + y * 11);
        dests[t] = makeDib(W, H, 32, nullptr);
        expected[t] = readBack(sources[t], W, H);
    }
    bool copied[2] = {};
    auto copy = [&](int t) {
        bool ok = true;
        for (int k = 0; k < 20; ++k)
            ok = BitBlt(dests[t].dc, 0, 0, W - 1, H, sources[t].dc, 1, 0, SRCCOPY) && ok;
        copied[t] = ok;
    };
    std::thread other(copy, 1);
    copy(0);
    other.join();
    for (int t = 0; t < 2; ++t) {
        EXPECT_TRUE(copied[t]);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x + 1 < W; ++x)
                ASSERT_EQ(at32(dests[t], x, y), expected[t][size_t(y) * W + size_t(x) + 1])
                    << t << ": " << x << "," << y;
        freeDib(sources[t]);
        freeDib(dests[t]);
    }
}
