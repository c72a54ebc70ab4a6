// Palette realisation on every 8-bit display driver of the simulated
// adapters: the library hands the driver its whole palette table and a first
// index, and the hardware entry of each index gets the table's entry of that
// same index, at the DAC's width, and no other entry changes. The DAC is as
// wide as the values the driver sends: 8 bits for a VBE/AF mode with the
// 8-bit DAC attribute, 6 otherwise, and 6 again in text mode. Switching
// stereo on sets entry 255 to blue and realises the whole table.
#include "AccelStart.h"
#include "DriverFolder.h"
#include "LinkedDrivers.h"
#include "VbeCards.h"
#include "VbeafWriter.h"

#include "gdl/blit.h"
#include "gdl/dc.h"
#include "gdl/draw.h"
#include "gdl/vbe.h"
#include "gdl/vbeaf.h"
#include "platform/Adapter.h"
#include "platform/FsDirect.h"
#include "platform/Vbe.h"
#include "platform/Vga.h"

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <string>

namespace {

using Rgb = std::array<uint8_t, 3>;

Rgb dac(int index) {
    Rgb e{};
    platform::VgaDacEntry(index, e.data());
    return e;
}

// Three colours per index, different for each generation of the palette.
Rgb colourOf(int index, int generation) {
    return {uint8_t(index * 7 + generation * 61), uint8_t(255 - index - generation * 13),
            uint8_t(index ^ (generation * 0x55))};
}

class PaletteRealisation : public testsupport::DriverFolderTest {
protected:
    // The library on `card` (a copy whose modes are all VGA-incompatible
    // when `incompatible`) with the drivers of `family` in `mode`.
    GdlDeviceContext* Open(const char* card, bool incompatible, const char* family, int32_t mode,
                           int32_t stereo = 0) {
        GDL_resetLibrary();
        if (!testsupport::UseVbeCard(card, incompatible)) return nullptr;
        testsupport::RegisterLinkedDrivers({family});
        int32_t driver = -1;
        if (!GDL_init(&driver, &mode, ".")) return nullptr;
        return GDL_createDisplayDC(-1, -1, 1, stereo, 0);
    }
    GdlDeviceContext* OpenAccel(uint16_t attributes) {
        GDL_resetLibrary();
        tools::VbeafOptions o;
        o.modes = {{0x101, 640, 480, 8, 2, attributes}};
        if (!testsupport::StartAccelLibrary(dir_, 8, o)) return nullptr;
        return GDL_createDisplayDCPages(1);
    }
};

// Sets the table to generation `g` from `from` to `to` (exclusive) without
// realising it.
void setTable(GdlDeviceContext* dc, int from, int to, int g) {
    for (int i = from; i < to; ++i) {
        const Rgb c = colourOf(i, g);
        GDL_setPaletteEntry(dc, i, c[0], c[1], c[2]);
    }
}

TEST_F(PaletteRealisation, EachEntryGoesToItsOwnIndexOnEveryDriver) {
    const int32_t vbe8 = testsupport::ModeOf(640, 480, 8);
    struct Case {
        const char* name;
        const char* card;
        bool incompatible;
        const char* family;
        int32_t mode;
        uint16_t accelAttributes; // non-zero: the VBE/AF driver's mode instead
        int dacBits;
    };
    const Case cases[] = {
        {"VGA 320x200", "vga", false, "VGA8", 6, 0, 6},
        {"mode X", "vga", false, "VGAX", 7, 0, 6},
        {"banked, VGA DAC, 6 bits", "vbe12", false, "SVGA", vbe8, 0, 6},
        {"banked, VGA DAC, 8 bits", "vbe30", false, "SVGA", vbe8, 0, 8},
        {"linear, VGA DAC", "vbe30", false, "LINEAR", vbe8, 0, 8},
        {"banked, BIOS palette call", "vbe20", true, "SVGA", vbe8, 0, 8},
        {"banked, protected-mode palette routine", "vbe20-vlf", true, "SVGA", vbe8, 0, 8},
        {"linear, BIOS palette call", "vbe30", true, "LINEAR", vbe8, 0, 8},
        {"accelerated, 8-bit DAC attribute", "accel", false, "ACCEL", 0, 0xD9, 8},
        {"accelerated, 6-bit DAC", "accel", false, "ACCEL", 0, 0x59, 6},
    };
    for (const Case& c : cases) {
        for (const int32_t wait : {0, 1}) {
            SCOPED_TRACE(std::string(c.name) + (wait ? ", waiting" : ""));
            GdlDeviceContext* dc = c.accelAttributes
                                       ? OpenAccel(c.accelAttributes)
                                       : Open(c.card, c.incompatible, c.family, c.mode);
            ASSERT_NE(dc, nullptr);
            ASSERT_EQ(GDL_liveDC(dc)->driverState->dac8Bit != 0, c.dacBits == 8);
            const int shift = c.dacBits == 8 ? 0 : 2;
            auto expectDac = [&](int index, int generation) {
                Rgb want = colourOf(index, generation);
                for (uint8_t& v : want)
                    v = uint8_t(v >> shift);
                EXPECT_EQ(dac(index), want) << "entry " << index << " generation " << generation;
            };
            setTable(dc, 0, 256, 1);
            GDL_realizePalette(dc, 256, 0, wait);
            for (int i = 0; i < 256; ++i)
                expectDac(i, 1);
            // A new table, of which only 16 to 31 are realised.
            setTable(dc, 0, 256, 2);
            GDL_realizePalette(dc, 16, 16, wait);
            for (int i = 0; i < 256; ++i)
                expectDac(i, i >= 16 && i < 32 ? 2 : 1);
            // A range past the last entry stops at it.
            setTable(dc, 0, 256, 3);
            GDL_realizePalette(dc, 20, 250, wait);
            for (int i = 0; i < 256; ++i)
                expectDac(i, i >= 250 ? 3 : i >= 16 && i < 32 ? 2 : 1);
            GDL_resetLibrary();
        }
    }
}

// The accelerator's DAC takes the width of the mode's attribute at each mode
// set, keeping its colours; back in text mode the DAC is 6 bits wide.
TEST_F(PaletteRealisation, AcceleratorDacFollowsEachModeAndTextModeIsSixBits) {
    auto dacWidth = [] {
        platform::RealModeRegs r{};
        r.eax = 0x4F08, r.ebx = 0x0001;
        platform::RealModeInterrupt(0x10, &r);
        return (r.eax & 0xFFFF) == 0x004F ? int((r.ebx >> 8) & 0xFF) : -1;
    };
    for (const uint16_t attributes : {uint16_t(0xD9), uint16_t(0x59)}) {
        SCOPED_TRACE(attributes);
        GdlDeviceContext* dc = OpenAccel(attributes);
        ASSERT_NE(dc, nullptr);
        EXPECT_EQ(dacWidth(), attributes & 0x80 ? 8 : 6);
        GDL_setPaletteEntry(dc, 40, 0xFC, 0x80, 0x04);
        GDL_realizePalette(dc, 1, 40, 0);
        const int shift = attributes & 0x80 ? 0 : 2;
        EXPECT_EQ(dac(40),
                  (Rgb{uint8_t(0xFC >> shift), uint8_t(0x80 >> shift), uint8_t(0x04 >> shift)}));
        GDL_destroyDisplayDC(dc);
        EXPECT_EQ(platform::VbeCurrentMode(), 0);
        EXPECT_EQ(dacWidth(), 6) << "text mode";
        GDL_resetLibrary();
    }
}

// Stereo on a card that sends the sync code through the picture (no
// external connector): index 255 becomes blue in the context's table and the
// whole table is realised, so entries set but not yet realised show too.
TEST_F(PaletteRealisation, StereoOnSetsBlueAndRealisesTheWholeTable) {
    platform::UseAdapter("vbe30");
    platform::AdapterPersonality p = *platform::CurrentAdapter();
    p.vbe.capabilities = 0x01; // a switchable DAC, no stereo connectors
    platform::UseAdapter(p);
    testsupport::RegisterLinkedDrivers({"SVGA"});
    int32_t driver = -1, mode = testsupport::ModeOf(640, 480, 8);
    ASSERT_TRUE(GDL_init(&driver, &mode, "."));
    GdlDeviceContext* dc = GDL_createDisplayDC(-1, -1, 1, 1, 0);
    ASSERT_NE(dc, nullptr);
    GdlDeviceContext* live = GDL_liveDC(dc);
    EXPECT_EQ(static_cast<VbeDriverState*>(live->driverState)->stereoFlags, 6u)
        << "hardware stereo with dual display start, no external sync";
    EXPECT_EQ(live->driverState->dac8Bit, 0) << "stereo keeps the DAC narrow";
    GDL_setPaletteEntry(dc, 7, 200, 100, 40); // not realised
    VBE_startStereo(live);
    EXPECT_EQ(dac(7), (Rgb{50, 25, 10}));
    EXPECT_EQ(dac(255), (Rgb{0, 0, 63}));
    GdlPaletteEntry table[256];
    GDL_getPalette(dc, table, 256, 0);
    EXPECT_EQ(table[255].blue, 255);
    EXPECT_EQ(table[255].red | table[255].green, 0);
    VBE_stopStereo(live);
}

} // namespace
