// Blit rules a Windows caller can observe: raster operations on indexed
// pixels combine indexes, monochrome bitmaps without a colour table take the
// DC's text and back colours, and colour turns into one bit by the source's
// back colour.
#include "platform/Gdi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

struct Section {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    uint8_t* bits = nullptr;
    int stride = 0;

    // A top-down DIB section with the given colour table, selected into its own DC.
    Section(int width, int height, int bpp, const std::vector<RGBQUAD>& table) {
        std::vector<uint8_t> raw(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
        auto* info = reinterpret_cast<BITMAPINFO*>(raw.data());
        info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info->bmiHeader.biWidth = width;
        info->bmiHeader.biHeight = -height;
        info->bmiHeader.biPlanes = 1;
        info->bmiHeader.biBitCount = static_cast<WORD>(bpp);
        info->bmiHeader.biCompression = BI_RGB;
        if (!table.empty())
            std::memcpy(raw.data() + sizeof(BITMAPINFOHEADER), table.data(),
                        table.size() * sizeof(RGBQUAD));
        void* p = nullptr;
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(dc, info, DIB_RGB_COLORS, &p, nullptr, 0);
        bits = static_cast<uint8_t*>(p);
        stride = ((width * bpp + 31) / 32) * 4;
        old = SelectObject(dc, bitmap);
    }
    ~Section() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    uint32_t Pixel32(int x, int y) const {
        const uint8_t* at = bits + y * stride + 4 * x;
        return (uint32_t(at[2]) << 16) | (uint32_t(at[1]) << 8) | at[0];
    }
    void SetPixel32(int x, int y, uint32_t rgb) {
        uint8_t* at = bits + y * stride + 4 * x;
        at[0] = BYTE(rgb);
        at[1] = BYTE(rgb >> 8);
        at[2] = BYTE(rgb >> 16);
    }
    int Bit(int x, int y) const { return (bits[y * stride + x / 8] >> (7 - x % 8)) & 1; }
};

// Every index a colour of its own, so that the nearest colour of an index is
// that index and a colour-wise operation would show.
std::vector<RGBQUAD> DistinctTable(int count) {
    std::vector<RGBQUAD> t(count);
    for (int i = 0; i < count; ++i)
        t[i] = {BYTE(i), BYTE(255 - i), BYTE((i * 37) & 0xFF), 0};
    return t;
}

const std::vector<RGBQUAD> kBlackWhite = {{0, 0, 0, 0}, {255, 255, 255, 0}};

TEST(GdiBlitRules, RasterOperationsOnIndexedPixelsCombineIndexes) {
    struct Case {
        DWORD rop;
        uint32_t (*expect)(uint32_t s, uint32_t d, uint32_t mask);
    };
    const Case cases[] = {
        {SRCCOPY, [](uint32_t s, uint32_t, uint32_t) { return s; }},
        {SRCAND, [](uint32_t s, uint32_t d, uint32_t) { return s & d; }},
        {SRCPAINT, [](uint32_t s, uint32_t d, uint32_t) { return s | d; }},
        {SRCINVERT, [](uint32_t s, uint32_t d, uint32_t) { return s ^ d; }},
        {NOTSRCCOPY, [](uint32_t s, uint32_t, uint32_t m) { return ~s & m; }},
        {DSTINVERT, [](uint32_t, uint32_t d, uint32_t m) { return ~d & m; }},
        {BLACKNESS, [](uint32_t, uint32_t, uint32_t) { return 0u; }},
        {WHITENESS, [](uint32_t, uint32_t, uint32_t m) { return m; }},
    };
    struct Depth {
        int bpp;
        uint32_t source, dest;
    };
    for (const Depth depth : {Depth{8, 0x5A, 0x3C}, Depth{4, 0x6, 0xC}}) {
        const uint32_t mask = (1u << depth.bpp) - 1;
        const auto table = DistinctTable(1 << depth.bpp);
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << depth.bpp << " bits, rop " << std::hex << c.rop);
            Section from(2, 1, depth.bpp, table), to(2, 1, depth.bpp, table);
            // Both pixels of each bitmap hold the same index.
            const uint32_t repeat = depth.bpp == 8 ? 1 : 0x11;
            std::memset(from.bits, int(depth.source * repeat), 2);
            std::memset(to.bits, int(depth.dest * repeat), 2);
            ASSERT_TRUE(BitBlt(to.dc, 0, 0, 1, 1, from.dc, 0, 0, c.rop));
            const uint32_t got = depth.bpp == 8 ? to.bits[0] : to.bits[0] >> 4;
            EXPECT_EQ(got, c.expect(depth.source, depth.dest, mask));
            const uint32_t untouched = depth.bpp == 8 ? to.bits[1] : to.bits[0] & 0xF;
            EXPECT_EQ(untouched, depth.dest);
        }
    }
}

TEST(GdiBlitRules, SourceTakesTheDestinationIndexesBeforeTheOperation) {
    // A 32-bit source ANDed onto an 8-bit mask: the source colour becomes the
    // index of its nearest entry, and the indexes are combined.
    const auto table = DistinctTable(256);
    Section from(1, 1, 32, {}), to(1, 1, 8, table);
    const RGBQUAD& e = table[0xF0];
    from.SetPixel32(0, 0, (uint32_t(e.rgbRed) << 16) | (uint32_t(e.rgbGreen) << 8) | e.rgbBlue);
    to.bits[0] = 0x3C;
    ASSERT_TRUE(BitBlt(to.dc, 0, 0, 1, 1, from.dc, 0, 0, SRCAND));
    EXPECT_EQ(to.bits[0], 0xF0 & 0x3C);
}

TEST(GdiBlitRules, MonochromeBitmapTakesTextAndBackColours) {
    // A compatible bitmap of a fresh memory DC is monochrome and has no
    // colour table of its own.
    HDC monoDc = CreateCompatibleDC(nullptr);
    HBITMAP mono = CreateCompatibleBitmap(monoDc, 2, 1);
    ASSERT_NE(mono, nullptr);
    HGDIOBJ old = SelectObject(monoDc, mono);
    ASSERT_TRUE(BitBlt(monoDc, 0, 0, 1, 1, nullptr, 0, 0, BLACKNESS));
    ASSERT_TRUE(BitBlt(monoDc, 1, 0, 1, 1, nullptr, 0, 0, WHITENESS));

    Section to(2, 1, 32, {});
    SetTextColor(to.dc, RGB(255, 0, 0));
    SetBkColor(to.dc, RGB(0, 0, 255));
    ASSERT_TRUE(BitBlt(to.dc, 0, 0, 2, 1, monoDc, 0, 0, SRCCOPY));
    EXPECT_EQ(to.Pixel32(0, 0), 0xFF0000u); // 0 bits: text colour
    EXPECT_EQ(to.Pixel32(1, 0), 0x0000FFu); // 1 bits: back colour

    // A one-bit DIB section keeps its own colours.
    Section dib(2, 1, 1, {{0, 255, 0, 0}, {0, 255, 255, 0}});
    dib.bits[0] = 0x40; // pixel 0 is index 0, pixel 1 index 1
    ASSERT_TRUE(BitBlt(to.dc, 0, 0, 2, 1, dib.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(to.Pixel32(0, 0), 0x00FF00u);
    EXPECT_EQ(to.Pixel32(1, 0), 0xFFFF00u);

    SelectObject(monoDc, old);
    DeleteObject(mono);
    DeleteDC(monoDc);
}

TEST(GdiBlitRules, ColourBecomesOneBitByTheSourceBackColour) {
    // Pixels equal to the source DC's back colour turn white; every other
    // colour, however light, turns black.
    Section from(4, 1, 32, {});
    const uint32_t colours[4] = {0x808080, 0xFFFFFF, 0x000000, 0xFEFEFE};
    for (int x = 0; x < 4; ++x)
        from.SetPixel32(x, 0, colours[x]);
    SetBkColor(from.dc, RGB(128, 128, 128));

    Section dib(4, 1, 1, kBlackWhite);
    ASSERT_TRUE(BitBlt(dib.dc, 0, 0, 4, 1, from.dc, 0, 0, SRCCOPY));
    const int expect[4] = {1, 0, 0, 0};
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(dib.Bit(x, 0), expect[x]) << x;

    // The same onto a monochrome compatible bitmap, read back in black and white.
    HDC monoDc = CreateCompatibleDC(nullptr);
    HBITMAP mono = CreateCompatibleBitmap(monoDc, 4, 1);
    HGDIOBJ old = SelectObject(monoDc, mono);
    ASSERT_TRUE(BitBlt(monoDc, 0, 0, 4, 1, from.dc, 0, 0, SRCCOPY));
    Section back(4, 1, 32, {});
    SetTextColor(back.dc, RGB(0, 0, 0));
    SetBkColor(back.dc, RGB(255, 255, 255));
    ASSERT_TRUE(BitBlt(back.dc, 0, 0, 4, 1, monoDc, 0, 0, SRCCOPY));
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(back.Pixel32(x, 0), expect[x] ? 0xFFFFFFu : 0u) << x;
    SelectObject(monoDc, old);
    DeleteObject(mono);
    DeleteDC(monoDc);
}

TEST(GdiBlitRules, OnlyDibSectionsHaveAColourTable) {
    // A bitmap compatible with an 8-bit DIB is 8 bits deep but a device
    // bitmap: its colours cannot be read or set as a DIB colour table.
    Section dib(2, 2, 8, DistinctTable(256));
    HBITMAP device = CreateCompatibleBitmap(dib.dc, 2, 2);
    ASSERT_NE(device, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, device);
    RGBQUAD colour = {1, 2, 3, 0};
    EXPECT_EQ(SetDIBColorTable(dc, 0, 1, &colour), 0u);
    EXPECT_EQ(GetDIBColorTable(dc, 0, 1, &colour), 0u);
    EXPECT_EQ(SetDIBColorTable(dib.dc, 0, 1, &colour), 1u);
    SelectObject(dc, old);
    DeleteObject(device);
    DeleteDC(dc);
}

} // namespace
