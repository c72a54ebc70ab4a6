// DIB sections at every depth and blits between them. Pixels are written and
// read back by the test's own encoder, so the layer's conversions are checked
// against an independent reading of each layout.
#include "platform/Gdi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Format {
    const char* name;
    int bpp;
    uint32_t masks[3]; // zero: BI_RGB
};

const Format kFormats[] = {
    {"1", 1, {0, 0, 0}},
    {"4", 4, {0, 0, 0}},
    {"8", 8, {0, 0, 0}},
    {"16-555", 16, {0, 0, 0}},
    {"16-565", 16, {0xF800, 0x07E0, 0x001F}},
    {"24", 24, {0, 0, 0}},
    {"32", 32, {0, 0, 0}},
    {"32-rgb", 32, {0x0000FF, 0x00FF00, 0xFF0000}},
    {"24-rgb", 24, {0x0000FF, 0x00FF00, 0xFF0000}}, // red in the first byte
};

constexpr uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF, kRed = 0xFF0000, kBlue = 0x0000FF;

// Colour tables that hold the four test colours among others.
std::vector<RGBQUAD> TableFor(int bpp) {
    std::vector<RGBQUAD> t(1u << bpp);
    for (size_t i = 0; i < t.size(); ++i)
        t[i] = {BYTE(i * 7), BYTE(i * 3 + 1), BYTE(100), 0};
    auto set = [&](size_t i, uint32_t rgb) {
        if (i < t.size()) t[i] = {BYTE(rgb), BYTE(rgb >> 8), BYTE(rgb >> 16), 0};
    };
    set(0, kBlack);
    set(1, kWhite);
    set(3, kRed);
    set(12, kBlue);
    if (bpp == 8) {
        set(200, kRed);
        set(3, 0x123456);
    }
    return t;
}

// A DIB section with its layout, as the test sees it.
struct Dib {
    Format f;
    int width = 0, height = 0;
    bool topDown = false;
    HBITMAP bitmap = nullptr;
    uint8_t* bits = nullptr;
    std::vector<RGBQUAD> table;

    int Stride() const { return ((width * f.bpp + 31) / 32) * 4; }
    uint8_t* Row(int y) const { return bits + size_t(topDown ? y : height - 1 - y) * Stride(); }

    uint32_t Get(int x, int y) const {
        const uint8_t* r = Row(y);
        switch (f.bpp) {
            case 1: return Index((r[x / 8] >> (7 - x % 8)) & 1);
            case 4: return Index(x % 2 ? r[x / 2] & 15 : r[x / 2] >> 4);
            case 8: return Index(r[x]);
            case 16: return Unpack(r[2 * x] | (r[2 * x + 1] << 8));
            case 24: {
                const int red = f.masks[0] == 0xFF ? 0 : 2;
                return (r[3 * x + red] << 16) | (r[3 * x + 1] << 8) | r[3 * x + 2 - red];
            }
            default: return Unpack(r[4 * x] | (r[4 * x + 1] << 8) | (r[4 * x + 2] << 16));
        }
    }
    void Put(int x, int y, uint32_t rgb) {
        uint8_t* r = Row(y);
        switch (f.bpp) {
            case 1: {
                const uint8_t bit = uint8_t(0x80 >> (x % 8));
                r[x / 8] = IndexOf(rgb) ? r[x / 8] | bit : r[x / 8] & ~bit;
                break;
            }
            case 4:
                r[x / 2] = x % 2 ? (r[x / 2] & 0xF0) | IndexOf(rgb)
                                 : (r[x / 2] & 0x0F) | IndexOf(rgb) << 4;
                break;
            case 8: r[x] = uint8_t(IndexOf(rgb)); break;
            case 16: {
                const uint32_t v = Pack(rgb);
                r[2 * x] = uint8_t(v);
                r[2 * x + 1] = uint8_t(v >> 8);
                break;
            }
            case 24: {
                const int red = f.masks[0] == 0xFF ? 0 : 2;
                r[3 * x + 2 - red] = uint8_t(rgb);
                r[3 * x + 1] = uint8_t(rgb >> 8);
                r[3 * x + red] = uint8_t(rgb >> 16);
                break;
            }
            default: {
                const uint32_t v = Pack(rgb);
                std::memcpy(r + 4 * x, &v, 4);
            }
        }
    }

private:
    uint32_t Index(uint32_t i) const {
        const RGBQUAD& q = table[i];
        return (q.rgbRed << 16) | (q.rgbGreen << 8) | q.rgbBlue;
    }
    int IndexOf(uint32_t rgb) const {
        for (size_t i = 0; i < table.size(); ++i)
            if (Index(uint32_t(i)) == rgb) return int(i);
        ADD_FAILURE() << "colour not in table";
        return 0;
    }
    void Masks(uint32_t m[3]) const {
        if (f.masks[0])
            std::memcpy(m, f.masks, 12);
        else if (f.bpp == 16)
            m[0] = 0x7C00, m[1] = 0x03E0, m[2] = 0x1F;
        else
            m[0] = 0xFF0000, m[1] = 0xFF00, m[2] = 0xFF;
    }
    // Only full and empty channels are used, so no rounding is involved.
    uint32_t Pack(uint32_t rgb) const {
        uint32_t m[3];
        Masks(m);
        return ((rgb >> 16) & 0xFF ? m[0] : 0) | ((rgb >> 8) & 0xFF ? m[1] : 0) |
               (rgb & 0xFF ? m[2] : 0);
    }
    uint32_t Unpack(uint32_t v) const {
        uint32_t m[3];
        Masks(m);
        auto level = [](uint32_t part, uint32_t mask) -> uint32_t {
            return part == mask ? 0xFF : part == 0 ? 0 : 0x80;
        };
        return (level(v & m[0], m[0]) << 16) | (level(v & m[1], m[1]) << 8) | level(v & m[2], m[2]);
    }
};

// BITMAPINFO with room for masks and a full colour table.
struct Info {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};

Dib MakeDib(const Format& f, int width, int height, bool topDown, HDC dc = nullptr) {
    Dib d;
    d.f = f;
    d.width = width;
    d.height = height;
    d.topDown = topDown;
    Info info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = topDown ? -height : height;
    info.header.biPlanes = 1;
    info.header.biBitCount = WORD(f.bpp);
    info.header.biCompression = f.masks[0] ? BI_BITFIELDS : BI_RGB;
    if (f.masks[0]) std::memcpy(info.colors, f.masks, 12);
    if (f.bpp <= 8) {
        d.table = TableFor(f.bpp);
        std::memcpy(info.colors, d.table.data(), d.table.size() * sizeof(RGBQUAD));
    }
    void* bits = nullptr;
    d.bitmap = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits,
                                nullptr, 0);
    d.bits = static_cast<uint8_t*>(bits);
    return d;
}

// A memory DC holding a DIB, released at the end of the test.
struct Selected {
    HDC dc;
    HGDIOBJ old;
    explicit Selected(const Dib& d)
        : dc(CreateCompatibleDC(nullptr)), old(SelectObject(dc, d.bitmap)) {}
    ~Selected() {
        SelectObject(dc, old);
        DeleteDC(dc);
    }
};

TEST(GdiDib, EveryDepthHasTheDibLayout) {
    for (const Format& f : kFormats) {
        for (bool topDown : {false, true}) {
            SCOPED_TRACE(std::string(f.name) + (topDown ? " top-down" : " bottom-up"));
            Dib d = MakeDib(f, 13, 5, topDown);
            ASSERT_NE(d.bitmap, nullptr);
            ASSERT_NE(d.bits, nullptr);
            // Zeroed memory, rows padded to 32 bits.
            for (int i = 0; i < d.Stride() * 5; ++i)
                ASSERT_EQ(d.bits[i], 0);
            DIBSECTION ds{};
            ASSERT_EQ(GetObjectA(d.bitmap, sizeof ds, &ds), int(sizeof ds));
            EXPECT_EQ(ds.dsBm.bmWidth, 13);
            EXPECT_EQ(ds.dsBm.bmHeight, 5);
            EXPECT_EQ(ds.dsBm.bmWidthBytes, d.Stride());
            EXPECT_EQ(ds.dsBm.bmBitsPixel, f.bpp);
            EXPECT_EQ(ds.dsBm.bmBits, d.bits);
            EXPECT_EQ(ds.dsBmih.biHeight, topDown ? -5 : 5);
            if (f.masks[0]) {
                EXPECT_EQ(ds.dsBitfields[0], f.masks[0]);
            }
            BITMAP bm{};
            EXPECT_EQ(GetObjectA(d.bitmap, sizeof bm, &bm), int(sizeof bm));
            EXPECT_TRUE(DeleteObject(d.bitmap));
        }
    }
}

TEST(GdiDib, RefusesHeadersItCannotHonour) {
    struct Case {
        const char* what;
        LONG width, height;
        WORD bpp, planes;
        DWORD compression;
        uint32_t masks[3];
    };
    const Case cases[] = {
        {"zero width", 0, 4, 8, 1, BI_RGB, {}},
        {"zero height", 4, 0, 8, 1, BI_RGB, {}},
        {"depth 7", 4, 4, 7, 1, BI_RGB, {}},
        {"two planes", 4, 4, 8, 2, BI_RGB, {}},
        {"run-length", 4, 4, 8, 1, BI_RLE8, {}},
        {"bit fields on 8 bits", 4, 4, 8, 1, BI_BITFIELDS, {1, 2, 4}},
        {"empty mask", 4, 4, 16, 1, BI_BITFIELDS, {0xF800, 0, 0x1F}},
        {"overlapping masks", 4, 4, 16, 1, BI_BITFIELDS, {0xF800, 0x0FE0, 0x1F}},
        {"holey mask", 4, 4, 32, 1, BI_BITFIELDS, {0xFF0F00, 0xF0, 0xF}},
        {"huge", 0x7FFFFFFF, 0x7FFFFFFF, 32, 1, BI_RGB, {}},
        {"header size", 4, 4, 8, 1, BI_RGB, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Info info{};
        const DWORD size = std::strcmp(c.what, "header size") == 0 ? 0x10000000 : 40;
        info.header = {size, c.width, c.height, c.planes, c.bpp, c.compression, 0, 0, 0, 0, 0};
        std::memcpy(info.colors, c.masks, 12);
        void* bits = reinterpret_cast<void*>(1);
        EXPECT_EQ(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                   &bits, nullptr, 0),
                  nullptr);
        EXPECT_EQ(bits, nullptr);
    }
    EXPECT_EQ(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
}

TEST(GdiDib, FifteenBitsAreStoredAsSixteen) {
    // The cursor's save-under route names its depth 15 with 5:5:5 masks.
    struct {
        BITMAPINFOHEADER h;
        DWORD masks[3];
    } info = {{40, 3, 2, 1, 15, BI_BITFIELDS, 0, 20000, 20000, 0, 0}, {0x7C00, 0x3E0, 0x1F}};
    void* bits = nullptr;
    HBITMAP bm = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                  &bits, nullptr, 0);
    ASSERT_NE(bm, nullptr);
    BITMAP b{};
    GetObjectA(bm, sizeof b, &b);
    EXPECT_EQ(b.bmBitsPixel, 16);
    EXPECT_EQ(b.bmWidthBytes, 8);
    DeleteObject(bm);
}

// Every pair of layouts: the four colours each can hold survive the copy.
TEST(GdiDib, BitBltConvertsBetweenEveryPairOfLayouts) {
    for (const Format& from : kFormats) {
        for (const Format& to : kFormats) {
            SCOPED_TRACE(std::string(from.name) + " -> " + to.name);
            const bool mono = from.bpp == 1 || to.bpp == 1;
            const uint32_t colors[4] = {kBlack, kWhite, mono ? kBlack : kRed,
                                        mono ? kWhite : kBlue};
            Dib src = MakeDib(from, 5, 3, false);
            Dib dst = MakeDib(to, 5, 3, true);
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 5; ++x)
                    src.Put(x, y, colors[(x + y) % 4]);
            {
                Selected s(src), d(dst);
                ASSERT_TRUE(BitBlt(d.dc, 0, 0, 5, 3, s.dc, 0, 0, SRCCOPY));
            }
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 5; ++x)
                    ASSERT_EQ(dst.Get(x, y), colors[(x + y) % 4]) << x << "," << y;
            DeleteObject(src.bitmap);
            DeleteObject(dst.bitmap);
        }
    }
}

TEST(GdiDib, ChannelsNarrowAndWidenByTheirHighBits) {
    Dib rgb24 = MakeDib(kFormats[5], 2, 1, true);
    Dib rgb565 = MakeDib(kFormats[4], 2, 1, true);
    Dib rgb555 = MakeDib(kFormats[3], 2, 1, true);
    rgb24.bits[0] = 0x00, rgb24.bits[1] = 0x80, rgb24.bits[2] = 0xFF; // (255, 128, 0)
    Selected a(rgb24), b(rgb565), c(rgb555);
    ASSERT_TRUE(BitBlt(b.dc, 0, 0, 1, 1, a.dc, 0, 0, SRCCOPY));
    ASSERT_TRUE(BitBlt(c.dc, 0, 0, 1, 1, a.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(rgb565.bits[0] | rgb565.bits[1] << 8, 0xFC00);
    EXPECT_EQ(rgb555.bits[0] | rgb555.bits[1] << 8, 0x7E00);
    // Back to 24 bits: full channels stay full, half ones repeat their bits.
    ASSERT_TRUE(BitBlt(a.dc, 1, 0, 1, 1, b.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(rgb24.bits[3], 0x00);
    EXPECT_EQ(rgb24.bits[4], 0x82);
    EXPECT_EQ(rgb24.bits[5], 0xFF);
}

TEST(GdiDib, PalettedTargetsTakeTheNearestColour) {
    Dib src = MakeDib(kFormats[6], 2, 1, true);
    Dib dst = MakeDib(kFormats[2], 2, 1, true);
    const uint8_t near[8] = {0x0A, 0x0A, 0xF0, 0,  // closest to red, at 200 in the 8-bit table
                             0x10, 0x10, 0x10, 0}; // closest to black
    std::memcpy(src.bits, near, sizeof near);
    Selected s(src), d(dst);
    ASSERT_TRUE(BitBlt(d.dc, 0, 0, 2, 1, s.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(dst.bits[0], 200);
    EXPECT_EQ(dst.bits[1], 0);
}

TEST(GdiDib, BlitsAreClippedToBothBitmaps) {
    Dib src = MakeDib(kFormats[6], 4, 4, true);
    Dib dst = MakeDib(kFormats[6], 4, 4, true);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            src.Put(x, y, kWhite);
    Selected s(src), d(dst);
    // Partly outside the target on the top left, partly outside the source.
    ASSERT_TRUE(BitBlt(d.dc, -1, -1, 4, 4, s.dc, 0, 0, SRCCOPY));
    ASSERT_TRUE(BitBlt(d.dc, 3, 3, 4, 4, s.dc, 2, 2, SRCCOPY));
    const char* expect[4] = {"WWW.", "WWW.", "WWW.", "...W"};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(dst.Get(x, y), expect[y][x] == 'W' ? kWhite : kBlack) << x << "," << y;
}

TEST(GdiDib, OverlappingCopyWithinOneBitmap) {
    Dib d = MakeDib(kFormats[2], 4, 4, false);
    const uint32_t rows[4] = {kBlack, kWhite, kBlue, 0x123456};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            d.Put(x, y, rows[y]);
    Selected s(d);
    ASSERT_TRUE(BitBlt(s.dc, 0, 1, 4, 3, s.dc, 0, 0, SRCCOPY)); // scroll down one row
    for (int y = 1; y < 4; ++y)
        EXPECT_EQ(d.Get(2, y), rows[y - 1]) << y;
}

TEST(GdiDib, RasterOperations) {
    struct Case {
        DWORD rop;
        uint32_t expect;
    };
    // Source 0x00FF00 onto target 0x0000FF in each operation.
    const Case cases[] = {
        {SRCCOPY, 0x00FF00},    {SRCPAINT, 0x00FFFF},  {SRCAND, 0x000000}, {SRCINVERT, 0x00FFFF},
        {NOTSRCCOPY, 0xFF00FF}, {DSTINVERT, 0xFFFF00}, {BLACKNESS, 0},     {WHITENESS, 0xFFFFFF},
    };
    for (const Case& c : cases) {
        Dib src = MakeDib(kFormats[6], 1, 1, true);
        Dib dst = MakeDib(kFormats[6], 1, 1, true);
        src.Put(0, 0, 0x00FF00);
        dst.Put(0, 0, 0x0000FF);
        Selected s(src), d(dst);
        ASSERT_TRUE(BitBlt(d.dc, 0, 0, 1, 1, s.dc, 0, 0, c.rop));
        EXPECT_EQ(dst.Get(0, 0), c.expect) << std::hex << c.rop;
    }
    Dib dst = MakeDib(kFormats[6], 1, 1, true);
    Selected d(dst);
    EXPECT_FALSE(BitBlt(d.dc, 0, 0, 1, 1, d.dc, 0, 0, 0x00F00021)); // patterns: no brush blits
    EXPECT_FALSE(BitBlt(d.dc, 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
}

TEST(GdiDib, StretchSamplesPixelCentresAndMirrors) {
    Dib src = MakeDib(kFormats[6], 3, 1, true);
    const uint32_t a = kRed, b = kWhite, c = kBlue;
    src.Put(0, 0, a), src.Put(1, 0, b), src.Put(2, 0, c);
    struct Case {
        int x, width, height;
        std::vector<uint32_t> row;
    };
    const Case cases[] = {
        {0, 6, 2, {a, a, b, b, c, c}},
        {0, 5, 1, {a, a, b, c, c}},
        {0, 2, 1, {a, c}},
        {3, -3, 1, {c, b, a}}, // a negative width mirrors
    };
    for (const Case& k : cases) {
        Dib dst = MakeDib(kFormats[5], 6, 2, false);
        Selected s(src), d(dst);
        ASSERT_TRUE(StretchBlt(d.dc, k.x, 0, k.width, k.height, s.dc, 0, 0, 3, 1, SRCCOPY));
        for (size_t i = 0; i < k.row.size(); ++i)
            EXPECT_EQ(dst.Get(int(i) + (k.width < 0 ? 0 : k.x), 0), k.row[i])
                << k.width << " " << i;
        if (k.height == 2) {
            EXPECT_EQ(dst.Get(5, 1), c);
        }
    }
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SetStretchBltMode(dc, COLORONCOLOR), BLACKONWHITE);
    EXPECT_EQ(GetStretchBltMode(dc), COLORONCOLOR);
    DeleteDC(dc);
}

TEST(GdiDib, ColourTablesAndPaletteIndexes) {
    Dib d = MakeDib(kFormats[2], 2, 1, true);
    Selected s(d);
    const RGBQUAD green = {0, 255, 0, 0};
    EXPECT_EQ(SetDIBColorTable(s.dc, 255, 4, &green), 1u); // clipped at the end of the table
    RGBQUAD back{};
    EXPECT_EQ(GetDIBColorTable(s.dc, 255, 1, &back), 1u);
    EXPECT_EQ(back.rgbGreen, 255);
    d.bits[0] = 255;
    // The changed table is what blits read.
    Dib out = MakeDib(kFormats[6], 1, 1, true);
    Selected o(out);
    ASSERT_TRUE(BitBlt(o.dc, 0, 0, 1, 1, s.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(out.Get(0, 0), 0x00FF00u);
    EXPECT_EQ(SetDIBColorTable(o.dc, 0, 1, &green), 0u); // no table at 32 bits

    // DIB_PAL_COLORS: the table indexes the DC's palette.
    struct {
        WORD version, count;
        PALETTEENTRY entries[2];
    } lp = {0x300, 2, {{10, 20, 30, 0}, {40, 50, 60, 0}}};
    HPALETTE pal = CreatePalette(reinterpret_cast<LOGPALETTE*>(&lp));
    HDC dc = CreateCompatibleDC(nullptr);
    SelectPalette(dc, pal, FALSE);
    struct {
        BITMAPINFOHEADER h;
        WORD idx[2];
    } info = {{40, 1, 1, 1, 1, BI_RGB, 0, 0, 0, 0, 0}, {1, 0}};
    void* bits = nullptr;
    HBITMAP bm = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_PAL_COLORS, &bits,
                                  nullptr, 0);
    ASSERT_NE(bm, nullptr);
    HGDIOBJ old = SelectObject(dc, bm);
    RGBQUAD first{};
    ASSERT_EQ(GetDIBColorTable(dc, 0, 1, &first), 1u);
    EXPECT_EQ(first.rgbRed, 40);
    EXPECT_EQ(first.rgbBlue, 60);
    SelectObject(dc, old);
    SelectPalette(dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
    DeleteObject(bm);
    DeleteObject(pal);
    DeleteDC(dc);
}

TEST(GdiDib, SelectionRules) {
    Dib d = MakeDib(kFormats[6], 2, 2, true);
    HDC a = CreateCompatibleDC(nullptr);
    HDC b = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetObjectType(a), DWORD(OBJ_MEMDC));
    HGDIOBJ mono = SelectObject(a, d.bitmap);
    ASSERT_NE(mono, nullptr);
    BITMAP bm{};
    GetObjectA(mono, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 1); // a new memory DC holds a 1 x 1 monochrome bitmap
    EXPECT_EQ(bm.bmBitsPixel, 1);
    EXPECT_EQ(SelectObject(b, d.bitmap), nullptr); // one DC at a time
    EXPECT_FALSE(DeleteObject(d.bitmap));          // still selected
    // A compatible bitmap of a DC still holding its monochrome bitmap is monochrome.
    HBITMAP compat = CreateCompatibleBitmap(b, 3, 3);
    GetObjectA(compat, sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    DeleteObject(compat);
    SelectObject(a, mono);
    EXPECT_TRUE(DeleteObject(d.bitmap));
    EXPECT_EQ(GetObjectType(d.bitmap), 0u); // stale handles are refused, not followed
    EXPECT_EQ(SelectObject(a, d.bitmap), nullptr);
    EXPECT_TRUE(DeleteDC(a));
    EXPECT_TRUE(DeleteDC(b));
    EXPECT_FALSE(DeleteDC(a));
}

TEST(GdiDib, GetDIBitsDescribesAndConverts) {
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    // The desktop-depth probe: a compatible bitmap asked for its bit fields.
    HBITMAP probe = CreateCompatibleBitmap(screen, 1, 1);
    Info info{};
    info.header.biSize = 40;
    info.header.biWidth = 1;
    info.header.biHeight = 1;
    info.header.biPlanes = 1;
    info.header.biBitCount = WORD(GetDeviceCaps(screen, BITSPIXEL));
    info.header.biCompression = BI_BITFIELDS;
    ASSERT_NE(GetDIBits(screen, probe, 0, 1, nullptr, reinterpret_cast<BITMAPINFO*>(&info),
                        DIB_RGB_COLORS),
              0);
    uint32_t red = 0;
    std::memcpy(&red, info.colors, 4);
    EXPECT_EQ(red, 0xFF0000u); // a true-colour desktop
    DeleteObject(probe);

    // Scan lines of a bottom-up target count from the bottom.
    Dib src = MakeDib(kFormats[4], 2, 3, true);
    const uint32_t rows[3] = {kRed, kWhite, kBlue};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 2; ++x)
            src.Put(x, y, rows[y]);
    Info want{};
    want.header = {40, 2, 3, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<uint8_t> out(8 * 3, 0xEE);
    ASSERT_EQ(GetDIBits(screen, src.bitmap, 0, 2, out.data(), reinterpret_cast<BITMAPINFO*>(&want),
                        DIB_RGB_COLORS),
              2);
    EXPECT_EQ(out[2], 0x00); // line 0 is the bottom row: blue
    EXPECT_EQ(out[0], 0xFF);
    EXPECT_EQ(out[8 + 2], 0xFF); // line 1: white
    EXPECT_EQ(out[16], 0xEE);    // not asked for
    ReleaseDC(nullptr, screen);
    DeleteObject(src.bitmap);
}

// Asked for its masks, a 24-bit bitmap answers with its own byte order:
// red first where it was made so, the desktop's order otherwise.
TEST(GdiDib, TwentyFourBitMasksTellTheByteOrder) {
    HDC screen = GetDC(nullptr);
    for (const Format& f : {kFormats[5], kFormats[8]}) {
        SCOPED_TRACE(f.name);
        Dib d = MakeDib(f, 2, 2, true);
        ASSERT_NE(d.bitmap, nullptr);
        Info info{};
        info.header = {40, 2, 2, 1, 24, BI_BITFIELDS, 0, 0, 0, 0, 0};
        ASSERT_NE(GetDIBits(screen, d.bitmap, 0, 2, nullptr, reinterpret_cast<BITMAPINFO*>(&info),
                            DIB_RGB_COLORS),
                  0);
        uint32_t masks[3];
        std::memcpy(masks, info.colors, sizeof masks);
        EXPECT_EQ(masks[0], f.masks[0] ? f.masks[0] : 0xFF0000u);
        EXPECT_EQ(masks[1], 0xFF00u);
        EXPECT_EQ(masks[2], f.masks[0] ? f.masks[2] : 0xFFu);
        DeleteObject(d.bitmap);
    }
    ReleaseDC(nullptr, screen);
}

TEST(GdiDib, FillRectWithBrushes) {
    Dib d = MakeDib(kFormats[1], 4, 2, false);
    Selected s(d);
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 255));
    RECT r = {1, 0, 3, 2};
    EXPECT_TRUE(FillRect(s.dc, &r, brush));
    RECT all = {-5, -5, 50, 50};
    EXPECT_TRUE(FillRect(s.dc, &all, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))));
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(d.Get(x, 1), x == 1 || x == 2 ? kBlue : kBlack) << x;
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH))); // stock objects stay
    EXPECT_EQ(GetObjectType(GetStockObject(BLACK_BRUSH)), DWORD(OBJ_BRUSH));
}

TEST(GdiDib, ThreadsShareOneSource) {
    // The cursor thread copies from the display's DC while the main thread
    // creates, draws and deletes objects of its own.
    Dib shared = MakeDib(kFormats[6], 32, 32, true);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            shared.Put(x, y, (x + y) % 2 ? kWhite : kRed);
    Selected source(shared);
    auto work = [&](const Format& f) {
        for (int i = 0; i < 200; ++i) {
            Dib mine = MakeDib(f, 16, 16, i % 2 == 0);
            HDC dc = CreateCompatibleDC(source.dc);
            HGDIOBJ old = SelectObject(dc, mine.bitmap);
            EXPECT_TRUE(BitBlt(dc, 0, 0, 16, 16, source.dc, i % 16, 0, SRCCOPY));
            EXPECT_TRUE(StretchBlt(dc, 0, 0, 16, 16, source.dc, 0, 0, 32, 32, SRCCOPY));
            SelectObject(dc, old);
            DeleteDC(dc);
            DeleteObject(mine.bitmap);
        }
    };
    std::thread other(work, kFormats[4]);
    work(kFormats[2]);
    other.join();
}

} // namespace
