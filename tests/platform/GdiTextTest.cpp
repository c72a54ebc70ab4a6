// Text output through FreeType into DIB pixels, measuring, and the font list.
#include "platform/Gdi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A 32-bit top-down DIB in a memory DC, filled with one colour.
class Canvas {
public:
    Canvas(int width, int height, uint32_t fill) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader = {40, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        pixels_ = static_cast<uint32_t*>(bits);
        dc_ = CreateCompatibleDC(nullptr);
        old_ = SelectObject(dc_, bitmap_);
        for (int i = 0; i < width * height; ++i)
            pixels_[i] = fill;
    }
    ~Canvas() {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
        DeleteObject(bitmap_);
    }
    HDC dc() const { return dc_; }
    uint32_t At(int x, int y) const { return pixels_[y * width_ + x] & 0xFFFFFF; }
    int Count(uint32_t rgb) const {
        int n = 0;
        for (int i = 0; i < width_ * height_; ++i)
            n += (pixels_[i] & 0xFFFFFF) == rgb;
        return n;
    }
    // Columns that hold `rgb` anywhere: first and one past the last.
    std::pair<int, int> Columns(uint32_t rgb) const {
        int first = width_, last = -1;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (At(x, y) == rgb) first = std::min(first, x), last = std::max(last, x);
        return {first, last + 1};
    }

private:
    int width_, height_;
    HBITMAP bitmap_;
    uint32_t* pixels_;
    HDC dc_;
    HGDIOBJ old_;
};

HFONT Arial(int height, int weight = FW_NORMAL) {
    return CreateFontA(height, 0, 0, 0, weight, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, VARIABLE_PITCH,
                       "Arial");
}

TEST(GdiText, TextOutDrawsGlyphsInTheTextColour) {
    Canvas c(200, 40, 0x000000);
    HFONT font = Arial(-20);
    HGDIOBJ old = SelectObject(c.dc(), font);
    EXPECT_EQ(SetTextColor(c.dc(), RGB(255, 255, 0)), 0u);
    SetBkMode(c.dc(), TRANSPARENT);
    ASSERT_TRUE(TextOutA(c.dc(), 10, 5, "Hello", 5));
    EXPECT_GT(c.Count(0xFFFF00), 40);
    // Only ink and the untouched background: mono glyphs, no smoothing.
    EXPECT_EQ(c.Count(0xFFFF00) + c.Count(0x000000), 200 * 40);
    SIZE extent{};
    ASSERT_TRUE(GetTextExtentPoint32A(c.dc(), "Hello", 5, &extent));
    const auto [first, end] = c.Columns(0xFFFF00);
    EXPECT_GE(first, 10);
    EXPECT_LE(end, 10 + extent.cx + 1);
    EXPECT_GT(end - first, extent.cx / 2);
    TEXTMETRICA tm{};
    ASSERT_TRUE(GetTextMetricsA(c.dc(), &tm));
    EXPECT_EQ(extent.cy, tm.tmHeight);
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 20); // a negative height is the em height
    SelectObject(c.dc(), old);
    DeleteObject(font);
}

TEST(GdiText, OpaqueModeFillsTheCellWithTheBackColour) {
    Canvas c(120, 40, 0x000000);
    SelectObject(c.dc(), GetStockObject(ANSI_VAR_FONT));
    SetTextColor(c.dc(), RGB(255, 255, 255));
    SetBkColor(c.dc(), RGB(0, 0, 255));
    EXPECT_EQ(GetBkMode(c.dc()), OPAQUE); // the default
    SIZE extent{};
    ASSERT_TRUE(GetTextExtentPoint32A(c.dc(), "Ab", 2, &extent));
    ASSERT_TRUE(TextOutA(c.dc(), 3, 4, "Ab", 2));
    EXPECT_EQ(c.Count(0x0000FF) + c.Count(0xFFFFFF), extent.cx * extent.cy);
    EXPECT_EQ(c.At(3, 4), 0x0000FFu);
    EXPECT_EQ(c.At(2, 4), 0x000000u);
    EXPECT_EQ(c.At(3 + extent.cx, 4), 0x000000u);
}

TEST(GdiText, CellHeightsAndWeights) {
    Canvas c(10, 10, 0);
    for (int h : {8, 13, 16, 24, 40}) {
        HFONT font = Arial(h);
        SelectObject(c.dc(), font);
        TEXTMETRICA tm{};
        ASSERT_TRUE(GetTextMetricsA(c.dc(), &tm));
        EXPECT_EQ(tm.tmHeight, h); // a positive height is the whole cell
        EXPECT_TRUE(tm.tmPitchAndFamily & TMPF_TRUETYPE);
        SelectObject(c.dc(), GetStockObject(SYSTEM_FONT));
        DeleteObject(font);
    }
    // Bold text is wider; a fixed-pitch face gives every character one width.
    HFONT regular = Arial(-16), bold = Arial(-16, FW_BOLD);
    HFONT mono = CreateFontA(-16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, FIXED_PITCH, "Courier New");
    SIZE r{}, b{}, i{}, m{};
    SelectObject(c.dc(), regular);
    GetTextExtentPoint32A(c.dc(), "rtrt", 4, &r);
    SelectObject(c.dc(), bold);
    GetTextExtentPoint32A(c.dc(), "rtrt", 4, &b);
    SelectObject(c.dc(), mono);
    GetTextExtentPoint32A(c.dc(), "iiii", 4, &i);
    GetTextExtentPoint32A(c.dc(), "MMMM", 4, &m);
    EXPECT_GT(b.cx, r.cx);
    EXPECT_EQ(i.cx, m.cx);
    SelectObject(c.dc(), GetStockObject(SYSTEM_FONT));
    for (HFONT f : {regular, bold, mono})
        EXPECT_TRUE(DeleteObject(f));
}

TEST(GdiText, Cp1252AndClipping) {
    Canvas c(60, 30, 0);
    SetBkMode(c.dc(), TRANSPARENT);
    SetTextColor(c.dc(), RGB(0, 255, 0));
    // The euro sign is 0x80 in cp1252; it has ink in the Liberation faces.
    ASSERT_TRUE(TextOutA(c.dc(), 5, 2, "\x80", 1));
    EXPECT_GT(c.Count(0x00FF00), 5);
    // Text reaching past every edge draws only what is inside.
    ASSERT_TRUE(TextOutA(c.dc(), -7, -9, "Mx\xE9Wg", 5));
    ASSERT_TRUE(TextOutA(c.dc(), 50, 25, "Mx\xE9Wg", 5));
    EXPECT_TRUE(TextOutA(c.dc(), 0, 0, "", 0));
    EXPECT_FALSE(TextOutA(c.dc(), 0, 0, nullptr, 3));
    EXPECT_FALSE(TextOutA(nullptr, 0, 0, "x", 1));
}

TEST(GdiText, TextColoursAreStoredPerDc) {
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SetTextColor(dc, RGB(1, 2, 3)), RGB(0, 0, 0));
    EXPECT_EQ(GetTextColor(dc), RGB(1, 2, 3));
    EXPECT_EQ(SetBkColor(dc, RGB(4, 5, 6)), RGB(255, 255, 255));
    EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
    EXPECT_EQ(SetBkMode(dc, 7), 0);
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    DeleteDC(dc);
    EXPECT_EQ(GetTextColor(dc), CLR_INVALID);
}

struct Seen {
    std::vector<std::string> faces;
    std::vector<std::string> styles;
    std::vector<DWORD> types;
    int stopAfter = -1;
};

int CALLBACK Collect(const LOGFONTA* lf, const TEXTMETRICA* tm, DWORD type, LPARAM data) {
    auto* seen = reinterpret_cast<Seen*>(data);
    const auto* elf = reinterpret_cast<const ENUMLOGFONTA*>(lf);
    const auto* ntm = reinterpret_cast<const NEWTEXTMETRICA*>(tm);
    seen->faces.push_back(lf->lfFaceName);
    seen->styles.push_back(reinterpret_cast<const char*>(elf->elfStyle));
    seen->types.push_back(type);
    EXPECT_EQ(ntm->tmHeight, ntm->tmAscent + ntm->tmDescent);
    if (seen->stopAfter >= 0 && int(seen->faces.size()) >= seen->stopAfter) return 0;
    return 1;
}

TEST(GdiText, FontFamiliesIncludeTheWindowsFaces) {
    HDC dc = GetDC(nullptr);
    Seen all;
    EXPECT_EQ(EnumFontFamiliesA(dc, nullptr, Collect, reinterpret_cast<LPARAM>(&all)), 1);
    for (const char* face : {"Arial", "Courier New", "Times New Roman"})
        EXPECT_NE(std::find(all.faces.begin(), all.faces.end(), face), all.faces.end()) << face;
    EXPECT_TRUE(std::is_sorted(all.faces.begin(), all.faces.end()));
    const size_t arialAt =
        size_t(std::find(all.faces.begin(), all.faces.end(), "Arial") - all.faces.begin());
    ASSERT_LT(arialAt, all.types.size());
    EXPECT_EQ(all.types[arialAt], DWORD(TRUETYPE_FONTTYPE));

    Seen arial;
    EnumFontFamiliesA(dc, "Arial", Collect, reinterpret_cast<LPARAM>(&arial));
    EXPECT_GE(arial.faces.size(), 2u); // regular, bold, italic...
    for (const std::string& f : arial.faces)
        EXPECT_EQ(f, "Arial");
    EXPECT_NE(std::find(arial.styles.begin(), arial.styles.end(), "Bold"), arial.styles.end());

    Seen first;
    first.stopAfter = 1;
    EXPECT_EQ(EnumFontFamiliesA(dc, nullptr, Collect, reinterpret_cast<LPARAM>(&first)), 0);
    EXPECT_EQ(first.faces.size(), 1u);

    Seen none;
    EXPECT_EQ(EnumFontFamiliesA(dc, "No Such Family 123", Collect, reinterpret_cast<LPARAM>(&none)),
              1);
    EXPECT_TRUE(none.faces.empty());
    ReleaseDC(nullptr, dc);
}

} // namespace
