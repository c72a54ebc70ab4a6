// The full-screen DIB drivers over the adapter's display settings: the
// settings test once a run and the add-mode, the mode set with the layout the
// setting carries, switching away and back, leaving once, a refused change,
// the desktop depth of every layout, and the scene blitted from a memory
// context into the window at 8, 15, 16 and 32 bits.
#include "LinkedDrivers.h"
#include "GdlScene.h"
#include "MemoryDesktop.h"
#include "PixelCheck.h"
#include "TempDir.h"

#include "gdl/blit.h"
#include "gdl/ddraw.h"
#include "gdl/draw.h"
#include "gdl/fdib.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "gdl/render.h"
#include "gdl/result.h"
#include "gdl/windc.h"
#include "gdl/windows.h"
#include "platform/Adapter.h"
#include "platform/Host.h"
#include "platform/User.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Masks {
    uint32_t red, green, blue;
};
constexpr Masks kNone{0, 0, 0}, k555{0x7C00, 0x03E0, 0x1F}, k565{0xF800, 0x07E0, 0x1F},
    kRgb{0xFF0000, 0xFF00, 0xFF}, kBgr{0xFF, 0xFF00, 0xFF0000},
    kRgba{0xFF000000u, 0xFF0000, 0xFF00}, kBgra{0xFF00, 0xFF0000, 0xFF000000u};

platform::AdapterMode setting(int w, int h, int bits, Masks m = kNone, bool refused = false) {
    platform::AdapterMode s{w, h, bits, m.red, m.green, m.blue, 0};
    s.refused = refused;
    return s;
}

// An adapter whose display settings are `settings` (its DirectDraw modes too).
platform::AdapterPersonality adapterWith(std::vector<platform::AdapterMode> settings) {
    platform::AdapterPersonality p;
    p.name = "settings";
    p.videoMemory = 8u << 20;
    p.modes = settings;
    p.settings = std::move(settings);
    return p;
}

void pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

class FullScreenDib : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::UseMemoryDesktopWithRegistryIn(folder_.Path(), 32);
        GDL_resetLibrary(); // a run of its own: the settings are tested again
    }
    void TearDown() override {
        GDL_setSuspendAppCallback(nullptr);
        GDL_exit();
        unsetenv("XDG_CONFIG_HOME");
    }

    // The library started with the DIB drivers (and DirectDraw's when asked).
    static bool Start(int32_t mode, bool directDraw = false) {
        if (directDraw)
            testsupport::RegisterLinkedDrivers({"FDIB", "DDRAW"});
        else
            testsupport::RegisterLinkedDrivers({"FDIB"});
        int32_t driver = -1;
        return GDL_init(&driver, &mode, ".");
    }

    testsupport::TempDir folder_;
};

TEST_F(FullScreenDib, DetectKeepsEachAcceptedWideSettingOnce) {
    struct Stored {
        int32_t width, height, bits;
    };
    struct Case {
        const char* name;
        std::vector<platform::AdapterMode> settings;
        std::vector<Stored> stored;
    };
    std::vector<platform::AdapterMode> many;
    for (int i = 0; i < 80; ++i)
        many.push_back(setting(640 + i, 480, 32, kRgb));
    const Case cases[] = {
        {"narrow, repeated, refused",
         {setting(512, 384, 16, k565), setting(640, 480, 16, k565), setting(640, 480, 16, k565),
          setting(800, 600, 32, kRgb, true), setting(800, 600, 8), setting(1024, 768, 32, kRgb)},
         {{640, 480, 15}, {800, 600, 8}, {1024, 768, 32}}},
        {"none", {setting(320, 200, 8)}, {}},
        {"more than seventy", many, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GDL_resetLibrary(); // a new run: the settings are tested again
        platform::UseAdapter(adapterWith(c.settings));
        ASSERT_TRUE(Start(-1)); // the test succeeds even with nothing stored
        if (c.settings.size() == 80) {
            EXPECT_EQ(FDIB_settingCount(), 70);
            continue;
        }
        ASSERT_EQ(FDIB_settingCount(), int32_t(c.stored.size()));
        for (int32_t i = 0; i < FDIB_settingCount(); ++i) {
            Stored s{};
            FDIB_setting(i, &s.width, &s.height, &s.bits);
            EXPECT_EQ(s.width, c.stored[size_t(i)].width);
            EXPECT_EQ(s.bits, c.stored[size_t(i)].bits);
        }
    }
    // The last list that was a table: what the add-mode made of it.
    GDL_resetLibrary();
    platform::UseAdapter(adapterWith(cases[0].settings));
    ASSERT_TRUE(Start(-1));
    const GDLModeEntry* t = GDL_modeTable();
    EXPECT_EQ(t[testsupport::ModeOf(640, 480, 15)].driver, GDL_FDIB16);
    EXPECT_EQ(t[testsupport::ModeOf(640, 480, 15)].pages, 1);
    EXPECT_EQ(t[testsupport::ModeOf(640, 480, 15)].flags, 0u);
    EXPECT_EQ(t[testsupport::ModeOf(640, 480, 16)].driver, GDL_NO_DRIVER);
    EXPECT_EQ(t[testsupport::ModeOf(800, 600, 8)].driver, GDL_FDIB8);
    EXPECT_EQ(t[testsupport::ModeOf(800, 600, 32)].driver, GDL_NO_DRIVER); // refused
    EXPECT_EQ(t[testsupport::ModeOf(1024, 768, 32)].driver, GDL_FDIB32);
    EXPECT_EQ(GDL_selectedDriverType(), GDL_TYPE_FDIB);
}

TEST_F(FullScreenDib, SixteenBitSettingsStayFifteenForTheRun) {
    ASSERT_TRUE(platform::UseAdapter("ddraw-4mb")); // 5:6:5
    ASSERT_TRUE(Start(-1, true));
    const int32_t m15 = testsupport::ModeOf(640, 480, 15), m16 = testsupport::ModeOf(640, 480, 16);
    EXPECT_EQ(GDL_modeTable()[m15].driver, GDL_FDIB16);
    EXPECT_EQ(GDL_modeTable()[m16].driver, GDL_DDRAW16);
    GDL_exit(); // DirectDraw's enumeration has now seen 5:6:5
    ASSERT_TRUE(Start(m15, true));
    EXPECT_EQ(GDL_modeTable()[m15].driver, GDL_FDIB16);
    // The 15-bit mode asks for 16 bits; the context reports the desktop's.
    GdlDeviceContext* screen = GDL_createDisplayDCPages(1);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(GDL_getBitsPerPixel(screen), 16);
    EXPECT_EQ(GDL_liveDC(screen)->mode.maxColor, 65535u);
}

TEST_F(FullScreenDib, AHardwareContextGetsOneShadowDcOfItsOwnSize) {
    ASSERT_TRUE(platform::UseAdapter("ddraw-4mb"));
    ASSERT_TRUE(Start(testsupport::ModeOf(640, 480, 16), true));
    GdlDeviceContext* screen = GDL_createDisplayDCPages(1);
    ASSERT_NE(screen, nullptr);
    ASSERT_EQ(GDL_liveDC(screen)->type, GDL_DC_FULLSCREEN);
    HDC shadow = GDL_getWinDCForDC(screen);
    ASSERT_NE(shadow, nullptr);
    EXPECT_EQ(GDL_getWinDCForDC(screen), shadow); // made once
    // Its bitmap is the context's size: a blit of the whole of it fits.
    GdlDeviceContext* memory = GDL_createMemoryDC(640, 480, 16, &GDL_liveDC(screen)->format);
    ASSERT_NE(memory, nullptr);
    EXPECT_TRUE(BitBlt(shadow, 0, 0, 640, 480, GDL_getWinDC(memory), 0, 0, SRCCOPY));
    EXPECT_EQ(GDL_getWinDCForDC(memory), GDL_getWinDC(memory));
    GDL_destroyDC(screen); // the shadow and its bitmap go with it
}

// What GDI draws into the shadow DC is in the mode's own layout, blue first
// or red first, so it can go to the mode's memory unchanged.
TEST_F(FullScreenDib, TheShadowDcDrawsInTheModesLayout) {
    struct Case {
        const char* adapter;
        int32_t bits;
    };
    const Case cases[] = {{"ddraw-8mb-3d", 24},
                          {"ddraw-8mb-3d", 32},
                          {"ddraw-4mb", 24},
                          {"ddraw-4mb", 32},
                          {"ddraw-4mb", 16}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.adapter) + " " + std::to_string(c.bits));
        GDL_resetLibrary();
        ASSERT_TRUE(platform::UseAdapter(c.adapter));
        ASSERT_TRUE(Start(testsupport::ModeOf(640, 480, c.bits), true));
        GdlDeviceContext* screen = GDL_createDisplayDCPages(1);
        ASSERT_NE(screen, nullptr);
        GdlDeviceContext* d = GDL_liveDC(screen);
        ASSERT_EQ(d->type, GDL_DC_FULLSCREEN);
        HDC shadow = GDL_getWinDCForDC(screen);
        ASSERT_NE(shadow, nullptr);
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        const RECT one{1, 0, 2, 1};
        FillRect(shadow, &one, red);
        DeleteObject(red);
        DIBSECTION section{};
        ASSERT_EQ(GetObjectA(d->bitmap, sizeof(section), &section), int(sizeof(section)));
        const auto* row = static_cast<const uint8_t*>(section.dsBm.bmBits); // top row first
        const int bytes = c.bits / 8;
        uint32_t v = 0;
        for (int k = 0; k < bytes; ++k)
            v |= uint32_t(row[bytes + k]) << (8 * k);
        const GdlPixelFormat& f = d->format;
        EXPECT_EQ((v >> f.redPosition) & f.redMask, f.redMask) << std::hex << v;
        EXPECT_EQ((v >> f.greenPosition) & f.greenMask, 0u) << std::hex << v;
        EXPECT_EQ((v >> f.bluePosition) & f.blueMask, 0u) << std::hex << v;
        GDL_exit();
    }
}

// A red-first 24-bit memory context shows GDI the colours it was drawn in.
TEST_F(FullScreenDib, ARedFirstMemoryContextReadsBackThroughGdi) {
    GDL_initWindowed(".");
    PACK_registerDrivers();
    for (const GdlPixelFormat* f : {&GDL_pixelFormatBGR, &GDL_pixelFormatRGB}) {
        GdlDeviceContext* memory = GDL_createMemoryDC(4, 2, 24, f);
        ASSERT_NE(memory, nullptr);
        GDL_selectCurrentDC(memory);
        GDL_setColor(GDL_packColor(f, 255, 0, 0));
        GDL_fillRect(0, 0, 4, 2);
        // Read back as GDI sees it: 0x00RRGGBB.
        BITMAPINFOHEADER header{sizeof(BITMAPINFOHEADER), 4, -2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        uint32_t seen[8] = {};
        ASSERT_EQ(GetDIBits(GDL_getWinDC(memory), GDL_liveDC(memory)->bitmap, 0, 2, seen,
                            reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS),
                  2);
        EXPECT_EQ(seen[6] & 0xFFFFFF, 0xFF0000u) << f->redPosition;
        GDL_destroyDC(memory);
    }
}

int g_width[3];
int32_t recordWidth(GdlDeviceContext*, int32_t flag) {
    g_width[flag] = GetSystemMetrics(SM_CXSCREEN);
    return 2; // answered at once: no waiting inside the switch
}

UINT screenSaverRunning() {
    UINT on = 0;
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &on, 0);
    return on;
}

TEST_F(FullScreenDib, ModeSetSwitchingAndLeavingOnce) {
    struct Case {
        Masks layout;
        int32_t bits;
    };
    for (const Case& c : {Case{k555, 15}, Case{k565, 16}}) {
        SCOPED_TRACE(c.bits);
        GDL_resetLibrary();
        platform::UseAdapter(adapterWith({setting(800, 600, 16, c.layout)}));
        ASSERT_TRUE(Start(testsupport::ModeOf(800, 600, 15)));
        GdlDeviceContext* screen = GDL_createDisplayDCPages(1);
        ASSERT_NE(screen, nullptr);
        GdlDeviceContext* d = GDL_liveDC(screen);
        EXPECT_EQ(d->type, GDL_DC_FULLSCREEN_DIB);
        EXPECT_EQ(GDL_getBitsPerPixel(screen), c.bits);
        EXPECT_EQ(d->surface, nullptr);
        EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
        EXPECT_EQ(GDL_fullScreenKind(), GDL_FS_DIB);
        EXPECT_EQ(screenSaverRunning(), 1u);
        HWND w = GDL_getFullScreenWindow();
        ASSERT_TRUE(IsWindow(w));
        EXPECT_EQ(FDIB_getWinDC(d), d->winDC);
        EXPECT_EQ(GDL_getWinDCForDC(screen), d->winDC);

        // Away: the desktop's settings back; return: the mode before drawing.
        GDL_setSuspendAppCallback(recordWidth);
        ShowWindow(w, SW_MINIMIZE);
        pump();
        EXPECT_EQ(g_width[1], 800);
        EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
        EXPECT_EQ(screenSaverRunning(), 0u);
        ShowWindow(w, SW_RESTORE);
        SetActiveWindow(w);
        pump();
        EXPECT_EQ(g_width[2], 800);
        EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);

        const platform::DisplaySettingsCalls before = platform::DisplaySettingsCallCount();
        GDL_destroyDC(screen);
        GDL_exit();
        const platform::DisplaySettingsCalls after = platform::DisplaySettingsCallCount();
        EXPECT_EQ(after.restores - before.restores, 1);
        EXPECT_EQ(after.changes, before.changes);
        EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
        EXPECT_EQ(screenSaverRunning(), 0u);
        EXPECT_FALSE(IsWindow(w));
    }
}

TEST_F(FullScreenDib, ARefusedChangeFailsTheInitAndTakesTheWindow) {
    // The setting tests well; setting it fails.
    platform::AdapterMode s = setting(800, 600, 32, kRgb);
    s.failsWhenSet = true;
    platform::UseAdapter(adapterWith({s}));
    ASSERT_TRUE(Start(testsupport::ModeOf(800, 600, 32)));
    const int windows = platform::LiveWindowCount();
    EXPECT_EQ(GDL_createDisplayDCPages(1), nullptr);
    EXPECT_EQ(GDL_lastResult(), GDL_MODE_NOT_SUPPORTED);
    EXPECT_EQ(platform::LiveWindowCount(), windows);
    EXPECT_FALSE(GDL_isFullScreenActive());
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
}

// A refused change leaves the program's own windows as they were: the main
// window shown and usable again, an offered full-screen window given back.
TEST_F(FullScreenDib, ARefusedChangeGivesTheProgramsWindowsBack) {
    platform::AdapterMode s = setting(800, 600, 32, kRgb);
    s.failsWhenSet = true;
    platform::UseAdapter(adapterWith({s}));
    ASSERT_TRUE(Start(testsupport::ModeOf(800, 600, 32)));
    auto window = [](const char* name) {
        return CreateWindowExA(0, "GDLDirectDrawWindow", name, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                               0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    };
    HWND main = window("main"), own = window("own");
    GDL_registerMainWindow(main);
    GDL_registerAppWindow(own);
    EXPECT_EQ(GDL_createDisplayDCPages(1), nullptr);
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_TRUE(IsWindowEnabled(main));
    ASSERT_TRUE(IsWindow(own));
    EXPECT_TRUE(IsWindowVisible(own));
    EXPECT_EQ(GetWindowLongA(own, GWL_STYLE) & LONG(WS_POPUP), 0);
    EXPECT_FALSE(GDL_isFullScreenActive());
    GDL_registerMainWindow(nullptr);
    GDL_registerAppWindow(nullptr);
    DestroyWindow(own);
    DestroyWindow(main);
}

TEST_F(FullScreenDib, DesktopDepthAndFormatFollowTheLayout) {
    struct Case {
        int bits;
        Masks layout;
        int32_t depth;
        uint32_t red;
        int32_t format;
    };
    const Case cases[] = {
        {16, k555, 15, 0x7C00, GDL_PF_555},       {16, k565, 16, 0xF800, GDL_PF_565},
        {24, kRgb, 24, 0xFF0000, GDL_PF_RGB},     {24, kBgr, 24, 0xFF, GDL_PF_BGR},
        {32, kRgb, 32, 0xFF0000, GDL_PF_ARGB},    {32, kBgr, 32, 0xFF, GDL_PF_ABGR},
        {32, kRgba, 32, 0xFF000000, GDL_PF_RGBA}, {32, kBgra, 32, 0xFF00, GDL_PF_BGRA},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " red " + std::to_string(c.red));
        platform::UseAdapter(adapterWith({setting(640, 480, c.bits, c.layout)}));
        DEVMODEA m{};
        m.dmSize = sizeof(m);
        m.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
        m.dmBitsPerPel = DWORD(c.bits);
        m.dmPelsWidth = 640;
        m.dmPelsHeight = 480;
        ASSERT_EQ(ChangeDisplaySettingsA(&m, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
        HDC screen = GetDC(nullptr);
        uint32_t red = 0;
        EXPECT_EQ(GDL_getDesktopDepth(screen, &red), c.depth);
        EXPECT_EQ(red, c.red);
        GdlDeviceContext dc{};
        GDL_pixelFormatFromHDC(&dc, screen);
        EXPECT_EQ(std::memcmp(&dc.format, GDL_standardPixelFormat(c.format), sizeof(dc.format)), 0);
        ReleaseDC(nullptr, screen);
        ChangeDisplaySettingsA(nullptr, CDS_FULLSCREEN);
    }
}

// --- The scene through the window ------------------------------------------------

struct SceneCase {
    int bits; // of the setting
    Masks layout;
    int32_t modeBits;
};

class FullScreenDibScene : public FullScreenDib, public ::testing::WithParamInterface<SceneCase> {};

TEST_P(FullScreenDibScene, PresentedFrameIsTheMemoryContextThroughTheDesktop) {
    const SceneCase c = GetParam();
    platform::UseAdapter(adapterWith({setting(640, 480, c.bits, c.layout)}));
    ASSERT_TRUE(Start(testsupport::ModeOf(640, 480, c.modeBits)));
    GdlDeviceContext* screen = GDL_createDisplayDCPages(1);
    ASSERT_NE(screen, nullptr);
    const int32_t bits = GDL_getBitsPerPixel(screen);
    GdlPixelFormat format = GDL_liveDC(screen)->format;
    GdlDeviceContext* memory = GDL_createMemoryDC(640, 480, bits, bits > 8 ? &format : nullptr);
    ASSERT_NE(memory, nullptr);
    if (bits == 8) {
        // One palette for both: the system's static colours at the ends.
        GdlPaletteEntry palette[256];
        std::memcpy(palette, GDL_getStaticSystemColors(), sizeof(palette));
        for (int i = 10; i < 246; ++i)
            palette[i] = {uint8_t(i * 3), uint8_t(255 - i), uint8_t(i), 0};
        GDL_setPalette(screen, palette, 256, 0);
        GDL_realizePalette(screen, 256, 0, 0);
        DRV_realizePalette(memory, palette, 256, 0, 0); // into its DIB's colour table
    }
    tools::DrawGdlScene(memory, 0);
    GDL_bitBlt(screen, memory, 0, 0, 640, 480, 0, 0, 0);

    platform::ScanOut seen{};
    seen.bits = bits == 15 ? 16 : bits;
    seen.masks[0] = c.layout.red;
    seen.masks[1] = c.layout.green;
    seen.masks[2] = c.layout.blue;
    HDC desktop = GetDC(nullptr);
    GetSystemPaletteEntries(desktop, 0, 256, seen.palette);
    ReleaseDC(nullptr, desktop);
    const platform::Frame have = platform::PresentedFrame(GDL_getFullScreenWindow());
    const platform::Frame want = testsupport::SeenThrough(seen, GDL_liveDC(memory));
    ASSERT_EQ(have.width, want.width);
    ASSERT_EQ(have.height, want.height);
    for (int y = 0; y < have.height; ++y)
        if (std::memcmp(&have.pixels[size_t(y * have.width)], &want.pixels[size_t(y * want.width)],
                        size_t(have.width) * 4) != 0) {
            ADD_FAILURE() << testsupport::Mismatch("the window", y, have, want,
                                                   ::testing::TempDir() + "fdib-" +
                                                       std::to_string(c.modeBits))
                                 .message();
            break;
        }
}

INSTANTIATE_TEST_SUITE_P(Depths, FullScreenDibScene,
                         ::testing::Values(SceneCase{8, kNone, 8}, SceneCase{16, k555, 15},
                                           SceneCase{16, k565, 15}, SceneCase{32, kBgr, 32}));

} // namespace
