// Palettes, the simulated system palette, display settings and device
// capabilities.
#include "platform/Gdi.h"
#include "platform/Host.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct PaletteBlock {
    WORD version = 0x300;
    WORD count = 256;
    PALETTEENTRY entries[256];
};

HPALETTE MakePalette(BYTE flags, BYTE redBase = 0) {
    PaletteBlock p;
    for (int i = 0; i < 256; ++i)
        p.entries[i] = {BYTE(redBase + i), BYTE(255 - i), BYTE(i / 2), flags};
    return CreatePalette(reinterpret_cast<LOGPALETTE*>(&p));
}

DEVMODEA Mode(DWORD width, DWORD height, DWORD bits) {
    DEVMODEA m{};
    m.dmSize = sizeof m;
    m.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_BITSPERPEL;
    m.dmPelsWidth = width;
    m.dmPelsHeight = height;
    m.dmBitsPerPel = bits;
    return m;
}

class GdiPalette : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetMemoryDesktop(1024, 768, 32);
        ChangeDisplaySettingsA(nullptr, 0);
        screen_ = GetDC(nullptr);
    }
    void TearDown() override {
        SetSystemPaletteUse(screen_, SYSPAL_STATIC);
        ChangeDisplaySettingsA(nullptr, 0);
        ReleaseDC(nullptr, screen_);
    }
    HDC screen_ = nullptr;
};

TEST_F(GdiPalette, TrueColourDesktopHasNoPaletteToRealise) {
    EXPECT_EQ(GetDeviceCaps(screen_, BITSPIXEL), 32);
    EXPECT_EQ(GetDeviceCaps(screen_, HORZRES), 1024);
    EXPECT_EQ(GetDeviceCaps(screen_, VERTRES), 768);
    EXPECT_FALSE(GetDeviceCaps(screen_, RASTERCAPS) & RC_PALETTE);
    EXPECT_EQ(GetDeviceCaps(screen_, SIZEPALETTE), 0);
    EXPECT_EQ(GetDeviceCaps(screen_, ASPECTY), 36);
    HPALETTE pal = MakePalette(PC_NOCOLLAPSE);
    HPALETTE old = SelectPalette(screen_, pal, FALSE);
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(RealizePalette(screen_), 0u);
    EXPECT_EQ(SetSystemPaletteUse(screen_, SYSPAL_NOSTATIC), UINT(SYSPAL_ERROR));
    EXPECT_EQ(SelectPalette(screen_, old, FALSE), pal);
    EXPECT_TRUE(DeleteObject(pal));
}

TEST_F(GdiPalette, SystemPaletteKeepsTheStaticColours) {
    PALETTEENTRY sys[256];
    ASSERT_EQ(GetSystemPaletteEntries(screen_, 0, 256, sys), 256u);
    EXPECT_EQ(GetSystemPaletteEntries(screen_, 0, 0, nullptr), 256u);
    EXPECT_EQ(sys[0].peRed + sys[0].peGreen + sys[0].peBlue, 0);
    EXPECT_EQ(sys[255].peRed & sys[255].peGreen & sys[255].peBlue, 255);
    EXPECT_EQ(sys[249].peRed, 255); // red
    EXPECT_EQ(sys[249].peGreen, 0);
    EXPECT_EQ(sys[7].peRed, 192); // light grey
    EXPECT_EQ(GetSystemPaletteEntries(screen_, 250, 100, sys), 6u);
}

TEST_F(GdiPalette, EightBitDesktopRealisesIntoTheSystemPalette) {
    DEVMODEA m = Mode(800, 600, 8);
    ASSERT_EQ(ChangeDisplaySettingsA(&m, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(GetDeviceCaps(screen_, BITSPIXEL), 8);
    EXPECT_TRUE(GetDeviceCaps(screen_, RASTERCAPS) & RC_PALETTE);
    EXPECT_EQ(GetDeviceCaps(screen_, SIZEPALETTE), 256);

    HPALETTE pal = MakePalette(PC_RESERVED);
    HPALETTE old = SelectPalette(screen_, pal, FALSE);
    // Static colours stay: only entries 10 to 245 change.
    EXPECT_EQ(RealizePalette(screen_), 236u);
    EXPECT_EQ(RealizePalette(screen_), 0u); // nothing left to change
    PALETTEENTRY sys[256];
    GetSystemPaletteEntries(screen_, 0, 256, sys);
    EXPECT_EQ(sys[100].peRed, 100);
    EXPECT_EQ(sys[100].peGreen, 155);
    EXPECT_EQ(sys[5].peRed, 128); // dark magenta, static

    // Without statics all but black and white follow the palette.
    EXPECT_EQ(SetSystemPaletteUse(screen_, SYSPAL_NOSTATIC), UINT(SYSPAL_STATIC));
    EXPECT_EQ(GetSystemPaletteUse(screen_), UINT(SYSPAL_NOSTATIC));
    EXPECT_EQ(RealizePalette(screen_), 18u);
    GetSystemPaletteEntries(screen_, 0, 256, sys);
    EXPECT_EQ(sys[5].peRed, 5);
    EXPECT_EQ(sys[0].peGreen, 0);

    // Animation changes reserved entries and, for the realised palette, the
    // system palette at once.
    const PALETTEENTRY bright[2] = {{1, 2, 3, 0}, {4, 5, 6, 0}};
    EXPECT_TRUE(AnimatePalette(pal, 50, 2, bright));
    GetSystemPaletteEntries(screen_, 50, 2, sys);
    EXPECT_EQ(sys[1].peBlue, 6);
    PALETTEENTRY back[2];
    EXPECT_EQ(GetPaletteEntries(pal, 50, 2, back), 2u);
    EXPECT_EQ(back[0].peRed, 1);

    // Back to static: the twenty colours return.
    EXPECT_EQ(SetSystemPaletteUse(screen_, SYSPAL_STATIC), UINT(SYSPAL_NOSTATIC));
    GetSystemPaletteEntries(screen_, 5, 1, sys);
    EXPECT_EQ(sys[0].peRed, 128);

    // A background palette never takes system entries.
    HPALETTE other = MakePalette(0, 7);
    SelectPalette(screen_, other, TRUE);
    EXPECT_EQ(RealizePalette(screen_), 0u);
    SelectPalette(screen_, old, FALSE);
    EXPECT_TRUE(DeleteObject(pal));
    EXPECT_TRUE(DeleteObject(other));
}

TEST_F(GdiPalette, AnimationOnlyTouchesReservedEntries) {
    HPALETTE pal = MakePalette(0);
    const PALETTEENTRY e = {9, 9, 9, 0};
    EXPECT_TRUE(AnimatePalette(pal, 3, 1, &e));
    PALETTEENTRY got{};
    GetPaletteEntries(pal, 3, 1, &got);
    EXPECT_EQ(got.peRed, 3);
    EXPECT_EQ(SetPaletteEntries(pal, 3, 1, &e), 1u);
    GetPaletteEntries(pal, 3, 1, &got);
    EXPECT_EQ(got.peRed, 9);
    WORD count = 0;
    EXPECT_EQ(GetObjectA(pal, sizeof count, &count), 2);
    EXPECT_EQ(count, 256);
    EXPECT_TRUE(UnrealizeObject(pal));
    EXPECT_TRUE(DeleteObject(pal));

    PaletteBlock bad;
    bad.version = 0x200;
    EXPECT_EQ(CreatePalette(reinterpret_cast<LOGPALETTE*>(&bad)), nullptr);
    EXPECT_EQ(CreatePalette(nullptr), nullptr);
}

TEST_F(GdiPalette, DisplaySettings) {
    DEVMODEA current{};
    current.dmSize = sizeof current;
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &current));
    EXPECT_EQ(current.dmPelsWidth, 1024u);
    EXPECT_EQ(current.dmBitsPerPel, 32u);
    EXPECT_EQ(current.dmSize, sizeof(DEVMODEA));

    std::vector<DEVMODEA> all;
    DEVMODEA m{};
    for (DWORD i = 0; EnumDisplaySettingsA(nullptr, i, &m); ++i)
        all.push_back(m);
    ASSERT_FALSE(all.empty());
    bool has800x600x16 = false;
    for (const DEVMODEA& d : all)
        has800x600x16 |= d.dmPelsWidth == 800 && d.dmPelsHeight == 600 && d.dmBitsPerPel == 16;
    EXPECT_TRUE(has800x600x16);

    struct Case {
        DWORD width, height, bits, flags;
        LONG result;
    };
    const Case cases[] = {
        {800, 600, 16, CDS_TEST, DISP_CHANGE_SUCCESSFUL},
        {801, 600, 16, CDS_FULLSCREEN, DISP_CHANGE_BADMODE},
        {800, 600, 15, CDS_FULLSCREEN, DISP_CHANGE_BADMODE}, // 15 bits are asked for as 16
        {800, 600, 16, 0x100, DISP_CHANGE_BADFLAGS},
    };
    for (const Case& c : cases) {
        DEVMODEA want = Mode(c.width, c.height, c.bits);
        EXPECT_EQ(ChangeDisplaySettingsA(&want, c.flags), c.result) << c.width << " " << c.bits;
    }
    EXPECT_EQ(GetDeviceCaps(screen_, HORZRES), 1024); // a test changes nothing

    DEVMODEA want = Mode(800, 600, 16);
    ASSERT_EQ(ChangeDisplaySettingsA(&want, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(GetDeviceCaps(screen_, HORZRES), 800);
    EXPECT_EQ(GetDeviceCaps(screen_, BITSPIXEL), 16);
    // A 16-bit desktop is 5:6:5, which is what the depth probe reports.
    HBITMAP probe = CreateCompatibleBitmap(screen_, 1, 1);
    struct {
        BITMAPINFOHEADER h;
        DWORD masks[3];
    } info = {{40, 1, 1, 1, 16, BI_BITFIELDS, 0, 0, 0, 0, 0}, {}};
    ASSERT_NE(GetDIBits(screen_, probe, 0, 1, nullptr, reinterpret_cast<BITMAPINFO*>(&info),
                        DIB_RGB_COLORS),
              0);
    EXPECT_EQ(info.masks[0], 0xF800u);
    DeleteObject(probe);
    EXPECT_EQ(ChangeDisplaySettingsA(nullptr, 0), DISP_CHANGE_SUCCESSFUL);
    EXPECT_EQ(GetDeviceCaps(screen_, HORZRES), 1024);

    DEVMODEA registry{};
    ASSERT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_REGISTRY_SETTINGS, &registry));
    EXPECT_EQ(registry.dmPelsWidth, 1024u);
    EXPECT_FALSE(EnumDisplaySettingsA("\\\\.\\DISPLAY2", 0, &m));
}

TEST_F(GdiPalette, EscapeAcceptsTheSurfaceCodes) {
    const DWORD address = 0x1234;
    EXPECT_EQ(Escape(screen_, 42, 4, reinterpret_cast<LPCSTR>(&address), nullptr), 1);
    std::vector<char> pal(1024);
    EXPECT_EQ(Escape(screen_, 43, 1024, pal.data(), nullptr), 1);
    EXPECT_EQ(Escape(screen_, 99, 0, nullptr, nullptr), 0);
}

} // namespace
