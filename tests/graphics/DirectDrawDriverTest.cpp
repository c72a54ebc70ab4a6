// The DirectDraw drivers on the simulated adapter: detection and add-mode,
// the mode set with its flip chain and failure boxes, pages that keep their
// memory through flips, the palette, the off-screen context, the lock
// wrappers, and lost surfaces recovered at every retry point.
#include "LinkedDrivers.h"
#include "MemoryDesktop.h"
#include "TempDir.h"

#include "gdl/blit.h"
#include "gdl/ddraw.h"
#include "gdl/draw.h"
#include "gdl/memory.h"
#include "gdl/packed.h"
#include "gdl/result.h"
#include "gdl/windows.h"
#include "platform/Adapter.h"
#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/MMSystem.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

namespace {

class DirectDrawDriver : public ::testing::Test {
protected:
    void SetUp() override { testsupport::UseMemoryDesktopWithRegistryIn(folder_.Path(), 32); }
    void TearDown() override {
        platform::SetAdapterWriteProtect(false);
        GDL_setSuspendAppCallback(nullptr);
        GDL_exit();
        unsetenv("XDG_CONFIG_HOME");
    }

    // The library started on an adapter with the DirectDraw drivers (and
    // `extra`, registered first) and `mode` chosen.
    // A null adapter keeps the one chosen.
    bool Start(const char* adapter, int32_t mode, const GdlLinkedDriver* extra = nullptr) {
        if (adapter && !platform::UseAdapter(adapter)) return false;
        GDL_unregisterAllDrivers();
        PACK_registerDrivers();
        if (extra) GDL_registerDriver(extra->fileName, extra->header);
        testsupport::RegisterLinkedDrivers({"DDRAW"}, false); // the DirectDraw family alone
        int32_t driver = -1;
        return GDL_init(&driver, &mode, ".");
    }

    GdlDeviceContext* Screen(const char* adapter, int32_t w, int32_t h, int32_t bits,
                             int32_t pages) {
        if (!Start(adapter, testsupport::ModeOf(w, h, bits))) return nullptr;
        return GDL_createDisplayDCPages(pages);
    }

    testsupport::TempDir folder_;
};

// A banked family that claims every 16-bit mode before DirectDraw detects.
int32_t claimAll(int32_t index, int32_t, int32_t* driver, int32_t*, GDLModeEntry* table) {
    for (int32_t m = 41; m <= 55; ++m)
        table[m] = {uint8_t(index), 1, 0};
    if (*driver < GDL_TYPE_VBE) *driver = GDL_TYPE_VBE;
    return 1;
}
int32_t noInit(GdlDeviceContext*, int32_t, int32_t, HWND, int32_t, int32_t, int32_t, int32_t,
               int32_t) {
    return 0;
}
GdlDriverHeader bankedHeader() {
    GdlDriverHeader h{};
    std::memcpy(h.signature, GDL_driverSignature, sizeof(h.signature));
    std::strcpy(h.fileName, "SVGA16.DRV");
    std::strcpy(h.driverName, "SVGA16.DRV");
    h.majorVersion = 2;
    h.driverType = GDL_TYPE_VBE;
    h.detect = claimAll;
    h.init = noInit;
    return h;
}

TEST_F(DirectDrawDriver, DetectionOwnsTheEnumeratedModesWithTheirPages) {
    const GdlDriverHeader banked = bankedHeader();
    const GdlLinkedDriver extra{"SVGA16.DRV", &banked};
    ASSERT_TRUE(Start("ddraw-4mb", testsupport::ModeOf(640, 480, 16), &extra));
    const GDLModeEntry* t = GDL_modeTable();
    const GDLModeEntry& m = t[testsupport::ModeOf(640, 480, 16)];
    EXPECT_EQ(m.driver, GDL_DDRAW16); // DirectDraw comes later in the table and wins
    // 4 MB less 8192 over pages of 640 x 480 x 2 rounded to 64 KB (655360).
    EXPECT_EQ(m.pages, 6);
    EXPECT_EQ(m.flags, 0x401u);
    EXPECT_EQ(t[testsupport::ModeOf(640, 480, 15)].driver, GDL_NO_DRIVER);   // a 5:6:5 card
    EXPECT_EQ(t[testsupport::ModeOf(1280, 1024, 32)].driver, GDL_NO_DRIVER); // beyond its memory
    EXPECT_EQ(GDL_selectedDriverType(), GDL_TYPE_ACCEL_DDRAW);
    EXPECT_EQ(DDRAW_header(16)->driverType, GDL_TYPE_ACCEL_DDRAW);
}

TEST_F(DirectDrawDriver, WantedTypesBelowDirectDrawSkipIt) {
    ASSERT_TRUE(platform::UseAdapter("ddraw-4mb"));
    GDLModeEntry table[GDL_MODE_COUNT];
    for (GDLModeEntry& e : table)
        e = {GDL_NO_DRIVER, 0, 0};
    GDL_initWindowed(".");
    GDL_registerDriver("DDRAW16.DRV", DDRAW_header(16));
    int32_t driver = 0, suggested = -1;
    EXPECT_EQ(DDRAW_detect(GDL_DDRAW16, GDL_TYPE_VBE, &driver, &suggested, table), 0);
    EXPECT_EQ(DDRAW_detect(GDL_DDRAW16, 255, &driver, &suggested, table), 1);
    EXPECT_EQ(table[testsupport::ModeOf(800, 600, 16)].driver, GDL_DDRAW16);
}

TEST_F(DirectDrawDriver, APageIsTheWholeHeightAndPagesAreCapped) {
    // Rows 64 KB apart: 200 of them are 200 units, not the 199 of maxY.
    platform::AdapterPersonality p;
    p.name = "rows-apart";
    p.videoMemory = 399 * 65536 + 8192;
    p.pitchAlign = 65536;
    p.ddCaps = DDCAPS_BLT;
    p.modes = {{320, 200, 8, 0, 0, 0, 0}};
    platform::UseAdapter(p);
    GDL_initWindowed(".");
    GDL_initWindows();
    GDLModeEntry table[GDL_MODE_COUNT];
    for (GDLModeEntry& e : table)
        e = {GDL_NO_DRIVER, 0, 0};
    int32_t driver = 0, suggested = -1;
    GDL_registerDriver("DDRAW8.DRV", DDRAW_header(8));
    ASSERT_EQ(DDRAW_detect(GDL_DDRAW8, 255, &driver, &suggested, table), 1);
    EXPECT_EQ(table[11].pages, 1); // two would overrun video memory

    // Add-mode with and without the page flag, on a roomy record.
    GdlModeRecord r = *DRV_modeRecord(11);
    p.videoMemory = 64u << 20;
    p.pitchAlign = 8;
    GDL_exit();
    platform::UseAdapter(p);
    GDL_initWindowed(".");
    GDL_initWindows();
    DDRAW_detect(GDL_DDRAW8, 255, &driver, &suggested, table);
    DDRAW_addMode(table, 11, GDL_DDRAW8, &r, true);
    EXPECT_EQ(table[11].pages, 8); // at most eight, however much memory
    EXPECT_EQ(table[11].flags, 0x401u);
    DDRAW_addMode(table, 11, GDL_DDRAW8, &r, false);
    EXPECT_EQ(table[11].pages, 1);
    EXPECT_EQ(table[11].flags, 0x800u);
}

TEST_F(DirectDrawDriver, FlipsKeepEachPageOnItsMemory) {
    GdlDeviceContext* dc = Screen("ddraw-4mb", 640, 480, 16, 3);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GDL_maxPage(dc), 2);
    EXPECT_NE(GDL_getPrimarySurface(dc), nullptr);
    const uint8_t* page0 = GDL_liveDC(dc)->surface;
    GDL_setVisualPage(dc, 2, 0);
    GDL_setVisualPage(dc, 0, 0);
    GDL_setActivePage(dc, 0);
    EXPECT_EQ(GDL_liveDC(dc)->surface, page0);
    GDL_setActivePage(dc, 2);
    const uint8_t* page2 = GDL_liveDC(dc)->surface;
    GDL_setVisualPage(dc, 1, 0);
    GDL_setActivePage(dc, 2);
    EXPECT_EQ(GDL_liveDC(dc)->surface, page2);
    EXPECT_EQ(DDRAW_lockCount(), -1);
}

TEST_F(DirectDrawDriver, DrawingIsLockedAndShown) {
    GdlDeviceContext* dc = Screen("ddraw-4mb", 320, 200, 32, 1);
    ASSERT_NE(dc, nullptr);
    platform::SetAdapterWriteProtect(true); // a write outside a lock would fault
    GDL_selectCurrentDC(dc);
    GDL_setColor(0x00FF00);
    GDL_line(0, 0, 9, 0);
    EXPECT_EQ(DDRAW_lockCount(), -1);
    GDL_beginPixelAccess();
    GDL_beginPixelAccess();
    EXPECT_EQ(DDRAW_lockCount(), 1);
    GDL_fillRect(0, 5, 4, 7);
    GDL_endPixelAccess();
    GDL_endPixelAccess();
    GDL_endPixelAccess(); // unbalanced: ignored, not an unlock of a later lock
    EXPECT_EQ(DDRAW_lockCount(), -1);
    GDL_beginPixelAccess();
    EXPECT_EQ(DDRAW_lockCount(), 0);
    EXPECT_EQ(GDL_getPixel(9, 0), 0x00FF00u); // a wrapped routine's value, nested
    GDL_endPixelAccess();
    EXPECT_EQ(GDL_getPixel(3, 5), 0x00FF00u); // and outermost, after the unlock
    EXPECT_EQ(DDRAW_lockCount(), -1);
    platform::Frame f = platform::AdapterScanOutFrame();
    ASSERT_EQ(f.width, 320);
    EXPECT_EQ(f.pixels[9], 0x00FF00u);
    EXPECT_EQ(f.pixels[5 * 320 + 3], 0x00FF00u);
    EXPECT_EQ(platform::PresentedFrame(GDL_getFullScreenWindow()).pixels[9], 0x00FF00u);
}

TEST_F(DirectDrawDriver, TheWrappersCoverTheRenderingMembers) {
    EXPECT_EQ(DRV_lockedCallCount(), 159);
}

TEST_F(DirectDrawDriver, PaletteEntriesGoToTheirOwnPlaces) {
    GdlDeviceContext* dc = Screen("ddraw-4mb", 320, 200, 8, 1);
    ASSERT_NE(dc, nullptr);
    for (int32_t i = 16; i < 32; ++i)
        GDL_setPaletteEntry(dc, i, uint8_t(i), 0, 0);
    GDL_realizePalette(dc, 16, 16, 0);
    const platform::ScanOut s = platform::AdapterScanOut();
    EXPECT_EQ(s.palette[16].peRed, 16);
    EXPECT_EQ(s.palette[31].peRed, 31);
    EXPECT_NE(s.palette[32].peRed, 32);
    GDL_realizePalette(dc, 100, 250, 0); // runs past the end: cut at 256
    GDL_realizePalette(dc, 5, 300, 0);
}

// Access is banked on a bank-switched card and linear on the others, as
// the context and GDL_surfaceAccess tell it, at every depth the card has.
TEST_F(DirectDrawDriver, AccessKindFollowsTheCardsBankSwitching) {
    const struct {
        const char* card;
        int32_t bits;
        int32_t access;
    } cases[] = {{"ddraw-1mb-banked", 8, 1},
                 {"ddraw-1mb-banked", 16, 1},
                 {"ddraw-4mb", 8, 2},
                 {"ddraw-4mb", 32, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.card) + " " + std::to_string(c.bits));
        GdlDeviceContext* dc = Screen(c.card, 320, 200, c.bits, 1);
        ASSERT_NE(dc, nullptr);
        EXPECT_EQ(GDL_surfaceAccess(dc), c.access);
        EXPECT_EQ(int32_t(GDL_liveDC(dc)->flags & GDL_ACCESS_MASK), c.access);
        GDL_exit();
    }
}

TEST_F(DirectDrawDriver, WaitingForTheRetraceWaits) {
    GdlDeviceContext* dc = Screen("ddraw-4mb", 320, 200, 16, 2);
    ASSERT_NE(dc, nullptr);
    const uint32_t before = platform::AdapterRetraceWaits();
    GDL_liveDC(dc)->driverState->waitRetrace(GDL_liveDC(dc));
    EXPECT_EQ(platform::AdapterRetraceWaits(), before + 1);
}

TEST_F(DirectDrawDriver, OffscreenContextsNeedBlitsAndFreeMemory) {
    GdlDeviceContext* dc = Screen("ddraw-4mb", 640, 480, 16, 2);
    ASSERT_NE(dc, nullptr);
    GdlDeviceContext* off = GDL_createOffscreenDC(dc);
    ASSERT_NE(off, nullptr);
    const int32_t rows = int32_t(GDL_liveDC(off)->mode.maxY) + 1;
    EXPECT_GT(rows, 0);
    EXPECT_LT(rows, (4 << 20) / 1280 - 2 * 480 + 1); // shrunk to what is free
    EXPECT_EQ(GDL_createOffscreenDC(dc), nullptr);
    EXPECT_EQ(GDL_lastResult(), GDL_NO_OFFSCREEN_MEMORY);
    // Video memory to video memory.
    GDL_selectCurrentDC(off);
    GDL_setColor(0xFFFF);
    GDL_fillRect(0, 0, 8, 8);
    GDL_bitBlt(dc, off, 0, 0, 8, 8, 100, 100, 0);
    EXPECT_EQ(platform::AdapterScanOutFrame().pixels.size(), 640u * 480u);
    GDL_destroyDC(off);
    off = GDL_createOffscreenDC(dc); // its memory came back
    EXPECT_NE(off, nullptr);
    GDL_exit();

    dc = Screen("ddraw-2mb-555", 320, 200, 15, 1);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GDL_createOffscreenDC(dc), nullptr);
    EXPECT_EQ(GDL_lastResult(), GDL_NO_HW_BITBLT);
    GDL_exit();

    // Two pages fill the card: not a row is left, and none is asked for.
    platform::AdapterPersonality full;
    full.name = "two-pages";
    full.videoMemory = 2 * 128000 + 8192 + 100;
    full.ddCaps = DDCAPS_BLT;
    full.modes = {{320, 200, 16, 0xF800, 0x07E0, 0x001F, 0}};
    platform::UseAdapter(full);
    ASSERT_TRUE(Start(nullptr, testsupport::ModeOf(320, 200, 16)));
    dc = GDL_createDisplayDCPages(2);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GDL_createOffscreenDC(dc), nullptr);
    EXPECT_EQ(GDL_lastResult(), GDL_NO_OFFSCREEN_MEMORY);
}

// Keyed copies from an off-screen context onto the display go through the
// card's keyed blits when it has them, with the same pixels as the software.
int g_keyedCalls = 0;
GdlTransparentBltFunc g_cardKeyed = nullptr;
void countKeyed(GdlDeviceContext* d, GdlDeviceContext* s, int32_t l, int32_t t, int32_t r,
                int32_t b, int32_t x, int32_t y, int32_t op, uint32_t key) {
    ++g_keyedCalls;
    g_cardKeyed(d, s, l, t, r, b, x, y, op, key);
}

TEST_F(DirectDrawDriver, KeyedCopiesFromOffscreenUseTheCardsKeyedBlit) {
    for (const int32_t sourceKey : {1, 0}) {
        GdlDeviceContext* dc = Screen("ddraw-4mb", 640, 480, 16, 1);
        ASSERT_NE(dc, nullptr);
        GdlDeviceContext* off = GDL_createOffscreenDC(dc);
        ASSERT_NE(off, nullptr);
        GdlTransparentBltFunc& member = sourceKey ? GDL_liveDC(off)->v.offscreenSrcKeyBlt
                                                  : GDL_liveDC(off)->v.offscreenDstKeyBlt;
        g_cardKeyed = member;
        member = countKeyed;
        g_keyedCalls = 0;
        // Source: left half the key (1), right half 0x07E0. Display: 0x001F,
        // its first column the key.
        GDL_selectCurrentDC(off);
        GDL_setColor(1);
        GDL_fillRect(0, 0, 4, 4);
        GDL_setColor(0x07E0);
        GDL_fillRect(2, 0, 4, 4);
        GDL_selectCurrentDC(dc);
        GDL_setColor(0x001F);
        GDL_fillRect(0, 0, 8, 8);
        GDL_setColor(1);
        GDL_fillRect(10, 10, 11, 14);
        GDL_transBlt(dc, off, 0, 0, 4, 4, 10, 10, 1, sourceKey);
        EXPECT_EQ(g_keyedCalls, 1) << sourceKey;
        GDL_selectCurrentDC(dc);
        if (sourceKey) { // key pixels of the source are skipped
            EXPECT_EQ(GDL_getPixel(10, 10), 1u);
            EXPECT_EQ(GDL_getPixel(11, 10), 0u);
            EXPECT_EQ(GDL_getPixel(12, 10), 0x07E0u);
        } else { // only key pixels of the display are replaced
            EXPECT_EQ(GDL_getPixel(10, 10), 1u);
            EXPECT_EQ(GDL_getPixel(11, 10), 0u);
            EXPECT_EQ(GDL_getPixel(12, 10), 0u);
        }
        GDL_exit();
    }
}

TEST_F(DirectDrawDriver, TooManyPagesFailWithTheBoxOrAreRefused) {
    ASSERT_TRUE(Start("ddraw-4mb", testsupport::ModeOf(640, 480, 16)));
    platform::ClearMessageBoxLog();
    EXPECT_EQ(GDL_createDisplayDCPages(9), nullptr); // the page tables hold eight
    EXPECT_TRUE(platform::MessageBoxLog().empty());
    EXPECT_EQ(GDL_createDisplayDCPages(8), nullptr); // more than video memory holds
    ASSERT_EQ(platform::MessageBoxLog().size(), 1u);
    EXPECT_EQ(platform::MessageBoxLog()[0].caption, "GDL DirectDraw failure");
    EXPECT_EQ(platform::MessageBoxLog()[0].text, "CreateSurface failed (DDERR_OUTOFVIDEOMEMORY)!");
    EXPECT_NE(GDL_createDisplayDCPages(2), nullptr); // and a fitting request still works
}

TEST_F(DirectDrawDriver, AModeWithoutPagesDrawsNothing) {
    ASSERT_TRUE(Start("ddraw-4mb", testsupport::ModeOf(640, 480, 16)));
    GdlDeviceContext* dc = GDL_createDisplayDCPages(-1);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GDL_getPrimarySurface(dc), nullptr);
    GDL_selectCurrentDC(dc);
    GDL_setColor(1);
    GDL_fillRect(0, 0, 100, 100);
    GDL_line(0, 0, 50, 50);
    EXPECT_EQ(platform::AdapterScanOut().enabled, false);
}

TEST_F(DirectDrawDriver, ErrorNamesAreThePublishedOnes) {
    struct Case {
        HRESULT code;
        const char* name;
    };
    const Case cases[] = {{DDERR_SURFACELOST, "DDERR_SURFACELOST"},
                          {DDERR_OUTOFVIDEOMEMORY, "DDERR_OUTOFVIDEOMEMORY"},
                          {DDERR_INVALIDPARAMS, "DDERR_INVALIDPARAMS"},
                          {MAKE_DDHRESULT(680), "DDERR_NOTPAGELOCKED"},
                          {MAKE_DDHRESULT(5), "DDERR_ALREADYINITIALIZED"},
                          {MAKE_DDHRESULT(6), "Unknown error code"},
                          {0x12345678, "Unknown error code"}};
    for (const Case& c : cases)
        EXPECT_STREQ(DDRAW_errorName(c.code), c.name);
}

// The codes as the interface publishes them: facility 876h with the severity
// bit, and the general ones of the system's own facilities.
TEST_F(DirectDrawDriver, ErrorCodesAreTheInterfacesNumbers) {
    struct Case {
        uint32_t code;
        const char* name;
    };
    const Case cases[] = {
        {0x887601C2u, "DDERR_SURFACELOST"},   {0x8876017Cu, "DDERR_OUTOFVIDEOMEMORY"},
        {0x887601AEu, "DDERR_SURFACEBUSY"},   {0x8876021Cu, "DDERR_WASSTILLDRAWING"},
        {0x88760082u, "DDERR_INVALIDOBJECT"}, {0x80004005u, "DDERR_GENERIC"},
        {0x80004001u, "DDERR_UNSUPPORTED"},   {0x8007000Eu, "DDERR_OUTOFMEMORY"},
        {0x80070057u, "DDERR_INVALIDPARAMS"}, {0x800401F0u, "DDERR_NOTINITIALIZED"},
        {0x087601C2u, "Unknown error code"}}; // no severity bit
    for (const Case& c : cases)
        EXPECT_STREQ(DDRAW_errorName(HRESULT(c.code)), c.name) << std::hex << c.code;
}

// The application's main window steps aside while the mode is set and comes
// back with the desktop; a window it offers as the full-screen window is
// used as that, and stays usable.
TEST_F(DirectDrawDriver, TheMainWindowStepsAsideAndComesBack) {
    ASSERT_TRUE(Start("ddraw-4mb", testsupport::ModeOf(640, 480, 16)));
    HWND main = CreateWindowExA(0, "GDLDirectDrawWindow", "main", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    GDL_registerMainWindow(main);
    GdlDeviceContext* dc = GDL_createDisplayDCPages(1);
    ASSERT_NE(dc, nullptr);
    HWND full = GDL_getFullScreenWindow();
    EXPECT_NE(full, main);
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_FALSE(IsWindowEnabled(main));
    EXPECT_TRUE(IsWindowEnabled(full));
    GDL_destroyDC(dc);
    GDL_restoreDesktopMode();
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_FALSE(IsWindow(full));
    GDL_registerMainWindow(nullptr);

    HWND own = CreateWindowExA(0, "GDLDirectDrawWindow", "own", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                               0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    GDL_registerAppWindow(own);
    dc = GDL_createDisplayDCPages(1);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GDL_getFullScreenWindow(), own);
    EXPECT_TRUE(IsWindowEnabled(own));
    EXPECT_TRUE(IsWindowVisible(own));
    GDL_destroyDC(dc);
    GDL_restoreDesktopMode();
    EXPECT_TRUE(IsWindow(own)); // given back, not destroyed
    GDL_registerAppWindow(nullptr);
    DestroyWindow(own);
    DestroyWindow(main);
}

// --- Switching away ------------------------------------------------------------------------

std::vector<int32_t> g_calls;
int32_t recordCallback(GdlDeviceContext*, int32_t flag) {
    g_calls.push_back(flag);
    return 1;
}
void CALLBACK switchBack(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    platform::InjectAppSwitch(false);
}

// A mode set that fails after the window was made (CreateSurface, here)
// leaves as the desktop restore does: the library's own window goes, an
// offered one is given back as it was, and the main window comes back.
TEST_F(DirectDrawDriver, AFailedModeSetGivesTheProgramsWindowsBack) {
    ASSERT_TRUE(Start("ddraw-4mb", testsupport::ModeOf(640, 480, 16)));
    auto window = [](const char* name) {
        return CreateWindowExA(0, "GDLDirectDrawWindow", name, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                               0, 200, 100, nullptr, nullptr, nullptr, nullptr);
    };
    HWND main = window("main");
    GDL_registerMainWindow(main);
    for (const bool offered : {false, true}) {
        SCOPED_TRACE(offered ? "an offered window" : "the library's window");
        HWND own = offered ? window("own") : nullptr;
        GDL_registerAppWindow(own);
        platform::ClearMessageBoxLog();
        EXPECT_EQ(GDL_createDisplayDCPages(8), nullptr); // more than video memory holds
        EXPECT_EQ(platform::MessageBoxLog().size(), 1u);
        EXPECT_TRUE(IsWindowVisible(main));
        EXPECT_TRUE(IsWindowEnabled(main));
        EXPECT_FALSE(GDL_isFullScreenActive());
        EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
        if (offered) {
            ASSERT_TRUE(IsWindow(own));
            EXPECT_TRUE(IsWindowVisible(own));
            EXPECT_EQ(GetWindowLongA(own, GWL_STYLE) & LONG(WS_POPUP), 0);
            GDL_registerAppWindow(nullptr);
            DestroyWindow(own);
        }
        // And the next request still sets the mode.
        GdlDeviceContext* dc = GDL_createDisplayDCPages(1);
        ASSERT_NE(dc, nullptr);
        EXPECT_FALSE(IsWindowVisible(main));
        GDL_destroyDC(dc);
        GDL_restoreDesktopMode();
    }
    GDL_registerMainWindow(nullptr);
    DestroyWindow(main);
}

TEST_F(DirectDrawDriver, ALostSurfaceRecoversAtEveryRetryPoint) {
    struct Point {
        const char* name;
        std::function<void(GdlDeviceContext*)> act;
    };
    const Point points[] = {
        {"lock", [](GdlDeviceContext*) { GDL_putPixel(1, 1); }},
        {"flip", [](GdlDeviceContext* dc) { GDL_setVisualPage(dc, 1 - GDL_getVisualPage(dc), 0); }},
        {"fill", [](GdlDeviceContext*) { GDL_fillRect(0, 0, 10, 10); }},
        {"blit", [](GdlDeviceContext* dc) { GDL_bitBlt(dc, dc, 0, 0, 10, 10, 20, 20, 0); }},
        {"page", [](GdlDeviceContext* dc) { GDL_setActivePage(dc, 1); }},
    };
    GdlDeviceContext* dc = Screen("ddraw-4mb", 320, 200, 16, 2);
    ASSERT_NE(dc, nullptr);
    GDL_selectCurrentDC(dc);
    GDL_setSuspendAppCallback(recordCallback);
    for (const Point& p : points) {
        SCOPED_TRACE(p.name);
        g_calls.clear();
        platform::InjectAppSwitch(true);
        timeSetEvent(500, 0, switchBack, 0, TIME_ONESHOT);
        const uint32_t start = platform::ClockNow();
        p.act(dc);
        EXPECT_GE(platform::ClockNow() - start, 500u); // waited for the return
        EXPECT_EQ(GDL_getPrimarySurface(dc)->IsLost(), DD_OK);
        ASSERT_GE(g_calls.size(), 2u);
        EXPECT_EQ(g_calls.front(), 1);
        EXPECT_EQ(g_calls.back(), 2);
        EXPECT_EQ(DDRAW_lockCount(), -1);
    }
}

int32_t g_answer = 1;
int32_t answerCallback(GdlDeviceContext*, int32_t flag) {
    g_calls.push_back(flag);
    return flag == 1 ? g_answer : 1;
}

TEST_F(DirectDrawDriver, SwitchKeysAskTheApplicationInTheDibKind) {
    GDL_initWindowed(".");
    platform::UseAdapter("ddraw-4mb");
    ASSERT_TRUE(GDL_initWindows()); // registers the class
    HWND w = CreateWindowExA(0, "GDLDirectDrawWindow", "", WS_POPUP | WS_VISIBLE, 0, 0, 320, 200,
                             nullptr, nullptr, nullptr, nullptr);
    SetActiveWindow(w);
    GDL_setFullScreenState(GDL_FS_DIB, w, 320, 200);
    GDL_setSuspendAppCallback(answerCallback);
    const LPARAM altTab = LPARAM(0x20000000);
    struct Case {
        int32_t answer;
        bool minimised;
        LRESULT result;
    };
    for (const Case c : {Case{0, false, 0}, Case{1, true, 0}, Case{2, true, 0}}) {
        SCOPED_TRACE(c.answer);
        g_answer = c.answer;
        g_calls.clear();
        ShowWindow(w, SW_RESTORE);
        SetActiveWindow(w);
        EXPECT_EQ(GDL_fullScreenWindowProc(w, WM_SYSKEYDOWN, VK_TAB, altTab), c.result);
        EXPECT_EQ(IsIconic(w) != FALSE, c.minimised);
        if (c.answer == 2) {
            // The minimised window asks for a suspend; answered 2 it returns at once.
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
            EXPECT_GE(g_calls.size(), 2u);
        }
    }
    // Alt+Enter reaches the application; other system keys are swallowed.
    EXPECT_EQ(GDL_fullScreenWindowProc(w, WM_SYSCHAR, 'x', 0), 0);
    EXPECT_EQ(GDL_fullScreenWindowProc(w, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    GDL_setFullScreenState(GDL_FS_NONE, nullptr, 0, 0);
    DestroyWindow(w);
}

} // namespace
