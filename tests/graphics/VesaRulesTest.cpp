// The VESA BIOS's answers as callers of the standard read them: the status
// word of each function in the state it is called in (004Fh success, 014Fh
// failure, 034Fh invalid in the mode, AX untouched for a function the
// version lacks), the window of a 16-colour mode, the VBE mode set leaving
// the DAC at 6 bits; and the drivers' mode set again after a suspension.
#include "LinkedDrivers.h"
#include "MemoryDesktop.h"
#include "TempDir.h"

#include "gdl/draw.h"
#include "gdl/vbe.h"
#include "platform/Adapter.h"
#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/Vbe.h"
#include "platform/Vga.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using namespace platform;

class VesaRules : public ::testing::Test {
protected:
    void Use(const char* card) {
        UseHost(HostKind::Memory);
        ClockUseVirtual(true);
        ASSERT_TRUE(UseAdapter(card)) << card;
    }
    static RealModeRegs Call(uint32_t ax, uint32_t bx = 0, uint32_t cx = 0, uint32_t dx = 0) {
        RealModeRegs r{};
        r.eax = ax, r.ebx = bx, r.ecx = cx, r.edx = dx;
        r.es = kVesaBufferSegment;
        RealModeInterrupt(0x10, &r);
        return r;
    }
    static uint32_t Ax(uint32_t ax, uint32_t bx = 0, uint32_t cx = 0, uint32_t dx = 0) {
        return Call(ax, bx, cx, dx).eax & 0xFFFF;
    }
};

TEST_F(VesaRules, StatusWordsByFunctionAndState) {
    struct Case {
        const char* card;
        uint16_t mode; // set first (0: none)
        uint32_t ax, bx, cx, dx;
        uint32_t want;
        const char* what;
    };
    const Case cases[] = {
        {"vbe20", 0, 0x4F01, 0, 0x1FF, 0, 0x014F, "information on an unknown mode"},
        {"vbe20", 0, 0x4F01, 0, 0x013, 0, 0x014F, "information on a VGA mode"},
        {"vbe20", 0, 0x4F02, 0x1FF, 0, 0, 0x014F, "set of an unknown mode"},
        {"vbe20", 0, 0x4F02, 0x0901, 0, 0, 0x014F, "a CRTC block before 3.0"},
        {"vbe20", 0, 0x4F05, 0, 0, 0, 0x014F, "window without a mode"},
        {"vbe20", 0x101, 0x4F05, 0, 0, 0xFFFF, 0x014F, "window past video memory"},
        {"vbe20", 0x4101, 0x4F05, 0, 0, 0, 0x034F, "window in a linear mode"},
        {"vbe20", 0x101, 0x4F06, 0x03, 0, 0, 0x004F, "maximum scan line"},
        {"vbe20", 0x101, 0x4F06, 0x07, 0, 0, 0x014F, "unknown scan-line subfunction"},
        {"vbe20", 0x101, 0x4F07, 0x02, 0, 0, 0x014F, "scheduled start before 3.0"},
        {"vbe30", 0x101, 0x4F07, 0x02, 0, 0, 0x004F, "scheduled start on 3.0"},
        {"vbe20", 0x101, 0x4F07, 0x00, 0, 0xFFFF, 0x014F, "start past video memory"},
        {"vbe20", 0x101, 0x4F08, 0x01, 0, 0, 0x004F, "DAC width read"},
        {"vbe20", 0x101, 0x4F09, 0x00, 2, 255, 0x014F, "palette past its 256 entries"},
        {"vbe20", 0x101, 0x4F09, 0x02, 1, 0, 0x014F, "secondary palette"},
        {"vbe12", 0, 0x4F0A, 0, 0, 0, 0x4F0A, "protected-mode table before 2.0"},
        {"vbe20", 0, 0x4F0B, 0, 0, 0, 0x4F0B, "pixel clock before 3.0"},
        {"vbe30", 0, 0x4F0C, 0, 0, 0, 0x4F0C, "a function past 4F0Bh"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.card) + ": " + c.what);
        Use(c.card);
        if (c.mode) {
            ASSERT_EQ(Ax(0x4F02, c.mode), 0x004Fu);
        }
        EXPECT_EQ(Ax(c.ax, c.bx, c.cx, c.dx), c.want);
    }
}

// A 16-colour mode is a windowed one (WinAAttributes 7, no linear
// framebuffer): its one 64 KB bank is window position 0, which a caller of
// 4F05h may set and read like any other mode's.
TEST_F(VesaRules, SixteenColourModeAnswersForItsWindow) {
    for (const char* card : {"vbe12", "vbe20", "vbe30"}) {
        SCOPED_TRACE(card);
        Use(card);
        ASSERT_EQ(Ax(0x4F02, 0x102), 0x004Fu);
        EXPECT_EQ(Ax(0x4F05, 0, 0, 0), 0x004Fu);
        const RealModeRegs get = Call(0x4F05, 0x0100);
        EXPECT_EQ(get.eax & 0xFFFF, 0x004Fu);
        EXPECT_EQ(get.edx & 0xFFFF, 0u);
        // The planes hold no second bank.
        EXPECT_EQ(Ax(0x4F05, 0, 0, 0x40), 0x014Fu);
    }
}

TEST_F(VesaRules, ModeSetLeavesTheDacAtSixBits) {
    Use("vbe30");
    ASSERT_EQ(Ax(0x4F02, 0x101), 0x004Fu);
    ASSERT_EQ(Ax(0x4F08, 0x0800), 0x004Fu);
    EXPECT_EQ((Call(0x4F08, 0x01).ebx >> 8) & 0xFF, 8u);
    ASSERT_EQ(Ax(0x4F02, 0x103), 0x004Fu);
    EXPECT_EQ((Call(0x4F08, 0x01).ebx >> 8) & 0xFF, 6u);
}

class VesaRestore : public ::testing::Test {
protected:
    void SetUp() override { testsupport::UseMemoryDesktopWithRegistryIn(folder_.Path(), 32); }
    void TearDown() override {
        GDL_exit();
        unsetenv("XDG_CONFIG_HOME");
    }
    bool Start(const char* card, int32_t width, int32_t height, int32_t bits) {
        GDL_exit();
        if (!platform::UseAdapter(card)) return false;
        testsupport::RegisterLinkedDrivers();
        int32_t driver = -1, mode = testsupport::ModeOf(width, height, bits);
        return mode >= 0 && GDL_init(&driver, &mode, ".");
    }
    testsupport::TempDir folder_;
};

// After a suspension the mode comes back with the context's own size, pages
// and virtual screen; the context's maximum x and y are the virtual screen's
// by then, which must not make the mode look no smaller than it.
TEST_F(VesaRestore, ModeComesBackWithItsVirtualScreenAndPages) {
    struct Case {
        const char* card;
        int32_t width, height, bits, pages, virtualWidth, virtualHeight;
    };
    const Case cases[] = {
        {"vbe20", 640, 480, 8, 2, -1, -1},
        {"vbe20", 640, 480, 8, 1, 1024, 768},
        {"vbe30", 800, 600, 16, 1, 1024, 768},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.card) + " " + std::to_string(c.virtualWidth));
        ASSERT_TRUE(Start(c.card, c.width, c.height, c.bits));
        GdlDeviceContext* dc = GDL_createDisplayDC(c.virtualWidth, c.virtualHeight, c.pages, 0, 0);
        ASSERT_NE(dc, nullptr);
        GdlDeviceContext* live = GDL_liveDC(dc);
        const GdlModeRecord before = live->mode;
        const uint16_t number = platform::VbeCurrentMode();
        platform::RealModeRegs r{};
        r.eax = 0x0003;
        platform::RealModeInterrupt(0x10, &r); // the suspension's text mode
        ASSERT_EQ(platform::VbeCurrentMode(), 0);
        EXPECT_TRUE(VBE_restoreMode(live));
        EXPECT_EQ(platform::VbeCurrentMode(), number);
        EXPECT_EQ(live->mode.maxX, before.maxX);
        EXPECT_EQ(live->mode.maxY, before.maxY);
        EXPECT_EQ(live->mode.maxPage, before.maxPage);
        EXPECT_EQ(live->mode.bytesPerLine, before.bytesPerLine);
        GDL_destroyDisplayDC(dc);
    }
}

} // namespace
