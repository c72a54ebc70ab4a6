// The BIOS's own protected-mode routines (SetWindow, SetDisplayStart,
// SetPrimaryPalette) and the bank routine built from them serve only the
// BIOS whose OEM string begins with "Quorvanta VESA VBE", compared exactly;
// every other BIOS, and one too old for a protected-mode interface, is
// called through interrupt 10h, with the same pixels and colours.
#include "LinkedDrivers.h"
#include "MemoryDesktop.h"
#include "TempDir.h"
#include "VbeCards.h"

#include "gdl/blit.h"
#include "gdl/draw.h"
#include "gdl/modetiming.h"
#include "gdl/vbe.h"
#include "platform/Adapter.h"
#include "platform/Vbe.h"
#include "platform/Vga.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The calls the bank and palette routines make, by the way they go.
std::vector<uint16_t> g_int10;
size_t g_pmWindow = 0, g_pmPalette = 0;
VbeServices g_bios{};
void recordInt10(VbeRegs* r) {
    g_int10.push_back(uint16_t(r->eax));
    g_bios.int10(r);
}
void recordPmWindow(VbeRegs* r) {
    ++g_pmWindow;
    g_bios.pmSetWindow(r);
}
void recordPmPalette(VbeRegs* r, const void* entries) {
    ++g_pmPalette;
    g_bios.pmSetPalette(r, entries);
}
size_t callsOf(uint16_t function) {
    size_t n = 0;
    for (uint16_t ax : g_int10)
        n += ax == function;
    return n;
}

class VbeBiosTrust : public ::testing::Test {
protected:
    void SetUp() override { testsupport::UseMemoryDesktopWithRegistryIn(folder_.Path(), 32); }
    void TearDown() override {
        GDL_exit();
        unsetenv("XDG_CONFIG_HOME");
    }
    // The banked card with the support library's virtual framebuffer, its
    // OEM string and version replaced, from VBE 2.0 on every mode
    // VGA-incompatible (so the palette goes through the BIOS).
    static void UseCard(const char* oem, uint16_t version) {
        testsupport::UseVbeCard("vbe20-vlf", version >= 0x0200);
        platform::AdapterPersonality p = *platform::CurrentAdapter();
        p.vbe.oem = oem;
        p.vbe.version = version;
        platform::UseAdapter(p);
    }
    static int32_t Init(std::initializer_list<const char*> families) {
        testsupport::RegisterLinkedDrivers(families);
        int32_t driver = -1, mode = testsupport::ModeOf(640, 480, 8);
        return GDL_init(&driver, &mode, ".") ? mode : -1;
    }
    testsupport::TempDir folder_;
};

TEST_F(VbeBiosTrust, ProtectedModeRoutinesOnlyForTheNamedBios) {
    const struct {
        const char* oem;
        uint16_t version;
        bool trusted;
    } cases[] = {
        {"Quorvanta VESA VBE 2.0 Virtual Framebuffer", 0x0200, true},
        {"Quorvanta VESA VBE", 0x0200, true},
        {"Quorvanta VESA VBE", 0x0300, true},
        {"Quorvanta VESA VB", 0x0200, false},
        {"quorvanta VESA VBE 2.0", 0x0200, false},
        {" Quorvanta VESA VBE 2.0", 0x0200, false},
        {"Quorvanta Accel VBE 3.0 BIOS", 0x0200, false},
        {"Meridian SuperVGA BIOS 2.0", 0x0200, false},
        {"Quorvanta VESA VBE 1.2", 0x0102, false}, // no protected-mode interface
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.oem) + " " + std::to_string(c.version));
        // The virtual framebuffer is offered only with the bank routine made
        // from the trusted BIOS's SetWindow: then the linear driver owns the mode.
        UseCard(c.oem, c.version);
        const int32_t mode = Init({"SVGA", "LINEAR"});
        ASSERT_GE(mode, 0);
        EXPECT_STREQ(GDL_modeDriverName(mode), c.trusted ? "LINEAR8.DRV" : "SVGA8.DRV");
        GDL_exit();

        UseCard(c.oem, c.version);
        ASSERT_GE(Init({"SVGA"}), 0);
        GdlDeviceContext* dc = GDL_createDisplayDCPages(1);
        ASSERT_NE(dc, nullptr);
        const VbeServices& s = Vbe_state().services;
        EXPECT_EQ(s.pmSetWindow != nullptr, c.trusted);
        EXPECT_EQ(s.pmSetDisplayStart != nullptr, c.trusted);
        EXPECT_EQ(s.pmSetPalette != nullptr, c.trusted);
        g_bios = s;
        g_int10.clear();
        g_pmWindow = g_pmPalette = 0;
        VbeServices& installed = Vbe_state().services;
        installed.int10 = recordInt10;
        if (s.pmSetWindow) installed.pmSetWindow = recordPmWindow;
        if (s.pmSetPalette) installed.pmSetPalette = recordPmPalette;
        // Pixels in two banks and a palette load, through whichever way.
        GDL_selectCurrentDC(dc);
        for (int32_t y : {0, 200, 1, 201}) {
            GDL_setColor(uint32_t(10 + y % 7));
            GDL_putPixel(3, y);
        }
        GDL_setPaletteEntry(dc, 40, 0, 128, 252);
        GDL_realizePalette(dc, 1, 40, 0);
        Vbe_state().services = g_bios;
        EXPECT_EQ(callsOf(0x4F05) > 0, !c.trusted) << "bank switches through interrupt 10h";
        EXPECT_EQ(g_pmWindow > 0, c.trusted) << "bank switches through the BIOS's routine";
        EXPECT_EQ(g_pmPalette, c.trusted ? 1u : 0u) << "the palette through the BIOS's routine";
        platform::VbeFlushWindow();
        const uint8_t* video = platform::AdapterVideoMemory().base;
        const uint32_t pitch = GDL_liveDC(dc)->mode.bytesPerLine;
        for (int32_t y : {0, 200, 1, 201})
            EXPECT_EQ(video[size_t(y) * pitch + 3], 10 + y % 7) << "row " << y;
        uint8_t rgb[3];
        platform::VgaDacEntry(40, rgb);
        const int shift = GDL_liveDC(dc)->driverState->dac8Bit ? 0 : 2;
        EXPECT_EQ(rgb[1], 128 >> shift);
        EXPECT_EQ(rgb[2], 252 >> shift);
        GDL_exit();
    }
}

} // namespace
