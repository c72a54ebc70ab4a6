// The windowed driver and the library's Windows layer on the memory host: the
// AutoRun policy bit, windowed contexts on 8, 15 and 16-bit desktops, the
// identity palette, stretches, and the WinG path of Win32s-class systems.
#include "MemoryDesktop.h"
#include "gdl/blit.h"
#include "gdl/draw.h"
#include "gdl/driver.h"
#include "gdl/packed.h"
#include "gdl/result.h"
#include "gdl/windc.h"
#include "gdl/windows.h"
#include "platform/Clock.h"
#include "platform/Session.h"
#include "platform/Host.h"
#include "platform/Module.h"
#include "platform/Registry.h"
#include "platform/User.h"
#include "platform/WinG.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

namespace {

const char* kExplorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

class Windowed : public ::testing::Test {
protected:
    void SetUp() override { testsupport::UseMemoryDesktopWithRegistryIn(folder_.Path()); }
    void TearDown() override {
        GDL_exit();
        platform::SetDesktop16Layout555(false);
        platform::SetSimulatedVersion(platform::kVersionWindows95);
        unsetenv("XDG_CONFIG_HOME");
    }

    // A visible popup whose client area is exactly width x height, made active.
    HWND OpenWindow(int width, int height) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "WindowedDriverTest";
        RegisterClassA(&wc);
        HWND w = CreateWindowExA(0, "WindowedDriverTest", "", WS_POPUP | WS_VISIBLE, 0, 0, width,
                                 height, nullptr, nullptr, nullptr, nullptr);
        SetActiveWindow(w);
        return w;
    }

    GdlDeviceContext* Start(HWND window) {
        if (!GDL_initWindowed(".")) return nullptr;
        PACK_registerDrivers();
        return GDL_createWindowedDC(window);
    }

    testsupport::TempDir folder_;
};

// --- AutoRun ---------------------------------------------------------------------

std::optional<DWORD> readAutoRun() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kExplorer, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD value = 0, type = 0, size = sizeof(value);
    const LONG r = RegQueryValueExA(key, "NoDriveTypeAutoRun", nullptr, &type,
                                    reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (r != ERROR_SUCCESS || size != sizeof(DWORD)) return std::nullopt;
    return value;
}

void writeAutoRun(std::optional<DWORD> value, DWORD bytes = 4) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kExplorer, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    if (!value) RegDeleteValueA(key, "NoDriveTypeAutoRun");
    if (value)
        RegSetValueExA(key, "NoDriveTypeAutoRun", 0, bytes == 4 ? REG_DWORD : REG_BINARY,
                       reinterpret_cast<const BYTE*>(&*value), bytes);
    RegCloseKey(key);
}

TEST_F(Windowed, AutoRunBitPutsBackExactlyWhatWasRead) {
    struct Case {
        std::optional<DWORD> before;
        DWORD bytes;
        std::optional<DWORD> whileSet, after;
    };
    const Case cases[] = {
        {0x91, 4, 0xB1, 0x91},                         // the bit is ours: taken back
        {0xB5, 4, 0xB5, 0xB5},                         // the user's own bit stays
        {std::nullopt, 4, std::nullopt, std::nullopt}, // nothing to read: nothing written
        {0x0091, 2, std::nullopt, std::nullopt},       // unreadable as a number: left alone
    };
    for (const Case& c : cases) {
        // Each case a program run that finds no registry file.
        std::filesystem::remove(platform::RegistryFilePath());
        platform::Session run({.host = platform::HostKind::Memory, .virtualClockFrom = 1000});
        writeAutoRun(c.before, c.bytes);
        GDL_setAutoRunBit(true);
        EXPECT_EQ(readAutoRun(), c.whileSet) << std::hex << c.before.value_or(0);
        // A second set keeps the value read first, not the one it wrote.
        GDL_setAutoRunBit(true);
        GDL_setAutoRunBit(false);
        EXPECT_EQ(readAutoRun(), c.after) << std::hex << c.before.value_or(0);
        // A clear with nothing held writes nothing.
        writeAutoRun(0x12345);
        GDL_setAutoRunBit(false);
        EXPECT_EQ(readAutoRun(), 0x12345u);
    }
}

TEST_F(Windowed, WindowedStartNeverTouchesTheRegistry) {
    writeAutoRun(0x91);
    HWND w = OpenWindow(64, 48);
    ASSERT_NE(Start(w), nullptr);
    GDL_restoreDesktopMode();
    GDL_exit();
    EXPECT_EQ(readAutoRun(), 0x91u);
    EXPECT_TRUE(IsWindow(w));
}

// --- Contexts -----------------------------------------------------------------------

TEST_F(Windowed, ContextFollowsTheDesktopAndTheClientArea) {
    struct Case {
        int desktopBits;
        bool layout555;
        uint32_t bits, maxColor;
    };
    const Case cases[] = {{16, false, 16, 65535},
                          {16, true, 15, 32767},
                          {32, false, 32, 0xFFFFFFFF},
                          {8, false, 8, 255}};
    for (const Case& c : cases) {
        platform::Session run({.host = platform::HostKind::Memory,
                               .virtualClockFrom = 1000}); // no window of the last case
        platform::SetMemoryDesktop(1024, 768, c.desktopBits);
        platform::SetDesktop16Layout555(c.layout555);
        GdlDeviceContext* dc = Start(OpenWindow(641, 481));
        ASSERT_NE(dc, nullptr);
        GdlDeviceContext* d = GDL_liveDC(dc);
        EXPECT_EQ(d->type, GDL_DC_WINDOWED);
        EXPECT_EQ(d->mode.bitsPerPixel, c.bits) << c.desktopBits << c.layout555;
        EXPECT_EQ(d->mode.maxColor, c.maxColor) << c.desktopBits << c.layout555;
        EXPECT_EQ(d->mode.maxX, 640u);
        EXPECT_EQ(d->mode.maxY, 480u);
        if (c.layout555) {
            EXPECT_EQ(d->format.greenMask, 0x1Fu);
        }
        GDL_exit();
    }
}

// Counts the lit pixels of row `y` of what the window shows.
int litPixels(HWND window, int y) {
    platform::Frame f = platform::PresentedFrame(window);
    int n = 0;
    for (int x = 0; x < f.width; ++x)
        n += f.pixels[size_t(y * f.width + x)] != 0;
    return n;
}

TEST_F(Windowed, StretchRoundsTheDestinationToTheNearestPixel) {
    HWND w = OpenWindow(64, 16);
    GdlDeviceContext* screen = Start(w);
    ASSERT_NE(screen, nullptr);
    GdlDeviceContext* source = GDL_createMemoryDC(3, 1, 16, nullptr);
    ASSERT_NE(source, nullptr);
    GdlDeviceContext* previous = GDL_selectCurrentDC(source);
    GDL_setBackColor(0xFFFF);
    GDL_clearDevice();
    GDL_selectCurrentDC(previous);
    struct Case {
        int32_t ratio, lit;
    };
    for (const Case& c : {Case{0x10000, 3}, Case{0x20000, 6}, Case{0x18000, 5}}) {
        HDC hdc = GetDC(w);
        const RECT all{0, 0, 64, 16};
        FillRect(hdc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        ReleaseDC(w, hdc);
        EXPECT_TRUE(WINDC_stretchBlt(screen, source, 0, 0, 3, 1, 0, 0, c.ratio, 0x10000));
        EXPECT_EQ(litPixels(w, 0), c.lit) << std::hex << c.ratio;
    }
    GDL_destroyDC(source);
}

// --- Identity palette -----------------------------------------------------------------

std::unique_ptr<GdlPaletteEntry[]> greyRamp() {
    // Heap-allocated at exactly 256 entries, so a read past them is caught.
    std::unique_ptr<GdlPaletteEntry[]> p(new GdlPaletteEntry[256]);
    for (int i = 0; i < 256; ++i)
        p[size_t(i)] = {uint8_t(i), uint8_t(255 - i), uint8_t(i / 2), 0};
    return p;
}

PALETTEENTRY entryOf(HPALETTE palette, int index) {
    PALETTEENTRY e{};
    GetPaletteEntries(palette, UINT(index), 1, &e);
    return e;
}

TEST_F(Windowed, IdentityPaletteKeepsTheStaticsAndForcesTheEnds) {
    platform::SetMemoryDesktop(1024, 768, 8);
    HWND w = OpenWindow(32, 32);
    GdlDeviceContext* dc = Start(w);
    ASSERT_NE(dc, nullptr);
    auto palette = greyRamp();
    GDL_realizeIdentityPalette(dc, palette.get(), 256, 0, 0);
    HPALETTE wp = GDL_liveDC(dc)->winPalette;
    ASSERT_NE(wp, nullptr);
    PALETTEENTRY system[256];
    HDC screen = GetDC(nullptr);
    GetSystemPaletteEntries(screen, 0, 256, system);
    ReleaseDC(nullptr, screen);
    const PALETTEENTRY black = entryOf(wp, 0), white = entryOf(wp, 255);
    EXPECT_EQ(black.peRed | black.peGreen | black.peBlue, 0);
    EXPECT_EQ(white.peRed & white.peGreen & white.peBlue, 255);
    for (int i : {1, 9, 246, 254}) {
        const PALETTEENTRY e = entryOf(wp, i);
        EXPECT_EQ(e.peRed, system[i].peRed) << i;
        EXPECT_EQ(e.peGreen, system[i].peGreen) << i;
        EXPECT_EQ(e.peBlue, system[i].peBlue) << i;
    }
    const PALETTEENTRY mid = entryOf(wp, 100);
    EXPECT_EQ(mid.peRed, palette[100].red);
    EXPECT_EQ(mid.peBlue, palette[100].blue);
}

TEST_F(Windowed, AnimationStopsAtTheLastEntry) {
    platform::SetMemoryDesktop(1024, 768, 8);
    HWND w = OpenWindow(32, 32);
    GdlDeviceContext* dc = Start(w);
    ASSERT_NE(dc, nullptr);
    auto palette = greyRamp();
    GDL_realizeIdentityPalette(dc, palette.get(), 256, 0, 0); // builds the Windows palette
    HPALETTE wp = GDL_liveDC(dc)->winPalette;
    palette[240] = {1, 2, 3, 0};
    GDL_realizeIdentityPalette(dc, palette.get(), 100, 200, 0); // animates 200..255 only
    EXPECT_EQ(GDL_liveDC(dc)->winPalette, wp);
    EXPECT_EQ(entryOf(wp, 240).peRed, 3);
    EXPECT_EQ(entryOf(wp, 255).peRed, 255);
}

TEST_F(Windowed, InactiveRealisationChangesNothingUntilActiveAgain) {
    platform::SetMemoryDesktop(1024, 768, 8);
    HWND w = OpenWindow(32, 32);
    HWND other = CreateWindowExA(0, "WindowedDriverTest", "", WS_POPUP | WS_VISIBLE, 40, 0, 8, 8,
                                 nullptr, nullptr, nullptr, nullptr);
    GdlDeviceContext* dc = Start(w);
    ASSERT_NE(dc, nullptr);
    auto palette = greyRamp();
    GDL_realizeIdentityPalette(dc, palette.get(), 256, 0, 0);
    HPALETTE first = GDL_liveDC(dc)->winPalette;
    SetActiveWindow(other);
    palette[100] = {9, 9, 9, 0};
    GDL_realizeIdentityPalette(dc, palette.get(), 256, 0, 0);
    EXPECT_EQ(GDL_liveDC(dc)->winPalette, first);
    EXPECT_NE(entryOf(first, 100).peRed, 9);
    SetActiveWindow(w);
    GDL_realizeIdentityPalette(dc, palette.get(), 256, 0, 0); // rebuilt, not animated
    ASSERT_NE(GDL_liveDC(dc)->winPalette, nullptr);
    EXPECT_EQ(entryOf(GDL_liveDC(dc)->winPalette, 100).peRed, 9);
}

// --- WinG -------------------------------------------------------------------------------

TEST_F(Windowed, Win32sBlitsThroughWinGWithABorrowedDC) {
    platform::SetSimulatedVersion(platform::kVersionWin32s);
    HWND w = OpenWindow(16, 4);
    GdlDeviceContext* screen = Start(w);
    ASSERT_NE(screen, nullptr);
    EXPECT_TRUE(GDL_isWin32s());
    EXPECT_EQ(GDL_blitMethod(), 1);
    EXPECT_EQ(GDL_liveDC(screen)->winDC, nullptr); // not kept between blits
    GdlDeviceContext* source = GDL_createMemoryDC(4, 1, 16, nullptr);
    ASSERT_NE(source, nullptr);
    GdlDeviceContext* previous = GDL_selectCurrentDC(source);
    GDL_setBackColor(0xFFFF);
    GDL_clearDevice();
    GDL_selectCurrentDC(previous);
    EXPECT_TRUE(WINDC_bitBlt(screen, 0, 0, 4, 1, 2, 0, source));
    EXPECT_EQ(litPixels(w, 0), 4);
    GDL_destroyDC(source);
}

TEST_F(Windowed, Win32sRealisesThePaletteThroughABorrowedDC) {
    platform::SetSimulatedVersion(platform::kVersionWin32s);
    platform::SetMemoryDesktop(1024, 768, 8);
    GdlDeviceContext* dc = Start(OpenWindow(32, 32));
    ASSERT_NE(dc, nullptr);
    auto palette = greyRamp();
    GDL_realizeIdentityPalette(dc, palette.get(), 256, 0, 0);
    ASSERT_NE(GDL_liveDC(dc)->winPalette, nullptr);
    PALETTEENTRY e{};
    HDC screen = GetDC(nullptr);
    GetSystemPaletteEntries(screen, 100, 1, &e);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(e.peRed, palette[100].red);
    EXPECT_EQ(e.peBlue, palette[100].blue);
}

void recordBox(const char* text, const char* caption, uint32_t style) {
    std::fprintf(stderr, "[%s|%s|%u]", caption, text, style);
}

TEST_F(Windowed, Win32sWithoutWinGIsFatal) {
    platform::SetSimulatedVersion(platform::kVersionWin32s);
    platform::SetModuleAbsent("wing32.dll", true);
    GDL_setFatalBoxHook(recordBox);
    EXPECT_EXIT(GDL_initWindowed("."), ::testing::ExitedWithCode(1),
                "\\[GDL Fatal Error!\\|Cannot load WinG. This application requires WinG to be "
                "loaded!\\|48\\]");
    GDL_setFatalBoxHook(nullptr);
}

} // namespace
