// The VBE driver support: detection kept, page counts against what the mode
// offers (banked pages below 16 MB, a virtual screen's last page inside video
// memory), virtual screens, refresh rates through GTF with the card's clocks
// (against published GTF figures) and the CRTC block's polarity rules.
#include "LinkedDrivers.h"
#include "MemoryDesktop.h"
#include "TempDir.h"
#include "VbeCards.h"

#include "gdl/blit.h"
#include "gdl/ddraw.h"
#include "gdl/draw.h"
#include "gdl/modetiming.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "gdl/vbe.h"
#include "platform/Adapter.h"
#include "platform/File.h"
#include "platform/Vbe.h"
#include "platform/Vga.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

class VbeSupport : public ::testing::Test {
protected:
    void SetUp() override { testsupport::UseMemoryDesktopWithRegistryIn(folder_.Path(), 32); }
    void TearDown() override {
        platform::SetVbeBiosHook(nullptr);
        GDL_exit();
        unsetenv("XDG_CONFIG_HOME");
    }
    // The library started on `card` with every linked driver, in `mode`.
    // (null: the adapter chosen already).
    bool Start(const char* card, int32_t width, int32_t height, int32_t bits,
               std::initializer_list<const char*> families = {}) {
        GDL_exit();
        if (card && !platform::UseAdapter(card)) return false;
        testsupport::RegisterLinkedDrivers(families);
        int32_t driver = -1;
        mode_ = testsupport::ModeOf(width, height, bits);
        return mode_ >= 0 && GDL_init(&driver, &mode_, ".");
    }
    int32_t mode_ = -1;
    testsupport::TempDir folder_;
};

void failEverything(platform::RealModeRegs* r, uint8_t*) {
    r->eax = 0x014F;
}

TEST_F(VbeSupport, DetectionIsKept) {
    ASSERT_TRUE(Start("vbe20", 640, 480, 8));
    platform::SetVbeBiosHook(failEverything);
    int32_t type = 0;
    EXPECT_EQ(SVGA_detectVBE(&type), 1) << "the stored result, not the BIOS";
    EXPECT_EQ(type, 3);
}

TEST_F(VbeSupport, PagesAsOfferedAndAsVideoMemoryHolds) {
    struct Case {
        const char* card;
        int32_t width, height, bits, pages, virtualWidth, virtualHeight;
        int32_t maxPage; // -1: the context is refused
    };
    const Case cases[] = {
        {"vbe20", 640, 480, 8, 3, -1, -1, 2},
        {"vbe20-vlf", 800, 600, 16, 3, -1, -1, 0}, // two offered: single buffering
        {"vbe20-vlf", 800, 600, 16, 2, -1, -1, 1},
        {"vbe20", 640, 480, 8, 1, 640, 480, -1}, // a virtual screen no larger fails
        {"vbe20", 640, 480, 8, 1, 1024, 480, -1},
        // 4 MB / 1024 = 4096 lines: five whole screens of 768, pages 0 to 4.
        {"vbe20", 640, 480, 8, 1, 1024, 768, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.card) + " " + std::to_string(c.pages) + " pages " +
                     std::to_string(c.virtualWidth) + " x " + std::to_string(c.virtualHeight));
        ASSERT_TRUE(Start(c.card, c.width, c.height, c.bits));
        GdlDeviceContext* dc = GDL_createDisplayDC(c.virtualWidth, c.virtualHeight, c.pages, 0, 0);
        if (c.maxPage < 0) {
            EXPECT_EQ(dc, nullptr);
            continue;
        }
        ASSERT_NE(dc, nullptr);
        const GdlDeviceContext* live = GDL_liveDC(dc);
        EXPECT_EQ(GDL_maxPage(dc), c.maxPage);
        const uint64_t end = uint64_t(live->mode.maxPage + 1) * live->mode.pageSize;
        EXPECT_LE(end, platform::AdapterVideoMemory().size) << "the last page fits";
        if (c.virtualWidth > 0) {
            EXPECT_EQ(int32_t(live->mode.maxX) + 1, c.virtualWidth);
            GDL_setVisualPage(dc, c.maxPage, 0);
            SVGA_setDisplayStart(GDL_liveDC(dc), 16, 8, 0);
            EXPECT_EQ(platform::VbeDisplayStart(),
                      uint32_t(c.maxPage) * live->mode.pageSize + 8 * 1024 + 16);
        }
        GDL_destroyDisplayDC(dc);
    }
}

// Banked records keep their pages below the 16 MB an 8-bit bank reaches.
TEST_F(VbeSupport, BankedPagesEndBelowSixteenMegabytes) {
    ASSERT_TRUE(Start("vbe30-nvidia", 640, 480, 8));
    GdlModeRecord record = *DRV_modeRecord(mode_);
    VbeModeInfo info{};
    ASSERT_TRUE(VBE_fillModeRecord(&record, &info, false, nullptr));
    EXPECT_EQ(record.pageSize, 0x50000u);
    EXPECT_LE(uint64_t(record.maxPage + 1) * record.pageSize, uint64_t(16) << 20);
    EXPECT_EQ(record.maxPage, (16u << 20) / 0x50000u - 1);
    GdlModeRecord linear = *DRV_modeRecord(mode_);
    ASSERT_TRUE(VBE_fillModeRecord(&linear, &info, true, nullptr));
    EXPECT_GT(linear.maxPage, record.maxPage) << "the linear view reaches all 32 MB";
    // A GeForce's triple-buffer and stereo bits are not trusted; dual start is.
    EXPECT_EQ(linear.modeFlags & 0x73u, uint32_t(VBE_FLAG_LINEAR | VBE_FLAG_REFRESH) | 0x40u);
}

// GTF timings at the card's closest clocks: published figures for 640 x 480
// and 800 x 600 at 60, 75 and 85 Hz, and the polarities by size.
TEST_F(VbeSupport, CrtcBlocksFromGtf) {
    ASSERT_TRUE(Start("vbe30", 640, 480, 8));
    struct Case {
        int32_t width, height, refresh;
        uint16_t hSyncStart, hSyncEnd, hTotal, vSyncStart, vSyncEnd, vTotal;
        uint8_t flags;
    };
    const Case cases[] = {
        {640, 480, 60, 656, 720, 800, 481, 484, 497, 4},
        {640, 480, 75, 664, 728, 816, 481, 484, 502, 4},
        {640, 480, 85, 672, 736, 832, 481, 484, 505, 4},
        {800, 600, 60, 832, 912, 1024, 601, 604, 622, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) + " @ " +
                     std::to_string(c.refresh));
        GdlDeviceContext dc{};
        dc.mode.maxX = uint32_t(c.width - 1);
        dc.mode.maxY = uint32_t(c.height - 1);
        VbeCrtcInfo crtc{};
        ASSERT_TRUE(VBE_computeCRTCTimings(&dc, 0x101, c.refresh, false, &crtc,
                                           [](int32_t, uint32_t clock) { return int64_t(clock); }));
        EXPECT_EQ(crtc.hSyncStart, c.hSyncStart);
        EXPECT_EQ(crtc.hSyncEnd, c.hSyncEnd);
        EXPECT_EQ(crtc.hTotal, c.hTotal);
        EXPECT_EQ(crtc.vSyncStart, c.vSyncStart);
        EXPECT_EQ(crtc.vSyncEnd, c.vSyncEnd);
        EXPECT_EQ(crtc.vTotal, c.vTotal);
        EXPECT_EQ(crtc.flags, c.flags);
        EXPECT_NEAR(crtc.refreshRate, c.refresh * 100, 10);
    }
    struct Polarity {
        int32_t width, height;
        uint8_t flags;
    };
    for (const Polarity& p : {Polarity{640, 350, 8}, Polarity{640, 400, 4}, Polarity{320, 200, 4},
                              Polarity{512, 384, 4}, Polarity{640, 240, 12}}) {
        GdlDeviceContext dc{};
        dc.mode.maxX = uint32_t(p.width - 1);
        dc.mode.maxY = uint32_t(p.height - 1);
        VbeCrtcInfo crtc{};
        ASSERT_TRUE(VBE_computeCRTCTimings(&dc, 0x101, 70, false, &crtc,
                                           [](int32_t, uint32_t clock) { return int64_t(clock); }));
        EXPECT_EQ(crtc.flags, p.flags) << p.width << " x " << p.height;
    }
    // The card's own clocks: the closest of its 250 kHz steps, rate near 75.
    GdlDeviceContext dc{};
    dc.mode.maxX = 639, dc.mode.maxY = 479;
    VbeCrtcInfo crtc{};
    ASSERT_TRUE(VBE_computeCRTCTimings(&dc, 0x101, 75, false, &crtc, VBE_getClosestClock));
    EXPECT_EQ(crtc.pixelClock % 250000, 0u);
    EXPECT_NEAR(crtc.refreshRate, 7500, 30);
}

TEST_F(VbeSupport, RefreshBelowSixtyIsRaised) {
    ASSERT_TRUE(Start("vbe30", 640, 480, 16));
    GdlDeviceContext* dc = GDL_createDisplayDC(-1, -1, 1, 0, 50);
    ASSERT_NE(dc, nullptr);
    platform::VbeCrtcBlock crtc{};
    ASSERT_TRUE(platform::VbeLastCrtc(&crtc));
    EXPECT_NEAR(crtc.refresh, 6000, 30) << "as near as the card's 250 kHz clock steps come";
    GDL_destroyDisplayDC(dc);
    ASSERT_TRUE(Start("vbe20", 640, 480, 16));
    dc = GDL_createDisplayDC(-1, -1, 1, 0, 75);
    ASSERT_NE(dc, nullptr);
    EXPECT_FALSE(platform::VbeLastCrtc(&crtc)) << "no refresh control before 3.0";
}

// Stereo on a card that offers it: both eyes' pages, the hardware told, and
// the glasses' sync code on each eye's last scan line.
// On the linear framebuffer and through the bank window alike; drawing then
// goes on in the bank of the active page.
TEST_F(VbeSupport, StereoSyncLinesOnBothEyes) {
    for (const uint32_t access : {2u, 1u}) {
        SCOPED_TRACE(access);
        ASSERT_TRUE(Start("vbe30", 640, 480, 16, {access == 1 ? "SVGA" : "LINEAR"}));
        GdlDeviceContext* dc = GDL_createDisplayDC(-1, -1, 1, 1, 0);
        ASSERT_NE(dc, nullptr);
        GdlDeviceContext* live = GDL_liveDC(dc);
        ASSERT_EQ(live->flags & GDL_ACCESS_MASK, access);
        auto* st = static_cast<VbeDriverState*>(live->driverState);
        EXPECT_EQ(st->stereoFlags, 14) << "hardware stereo, dual display start, external sync";
        VBE_startStereo(live);
        EXPECT_TRUE(platform::VbeStereoOn());
        platform::VbeFlushWindow();
        const uint8_t* video = platform::AdapterVideoMemory().base;
        const uint16_t blue = uint16_t(GDL_packColor(&live->format, 0, 0, 255));
        for (int eye = 0; eye < 2; ++eye) {
            const uint8_t* row = video + size_t(live->mode.pageSize) * size_t(eye) +
                                 size_t(479) * live->mode.bytesPerLine;
            auto at = [&](int x) { return uint16_t(row[2 * x] | row[2 * x + 1] << 8); };
            EXPECT_EQ(at(0), blue) << eye;
            EXPECT_EQ(at(320), eye ? blue : 0) << eye;
            EXPECT_EQ(at(639), 0) << eye;
        }
        GDL_setColor(0x1234);
        GDL_putPixel(3, 0);
        platform::VbeFlushWindow();
        EXPECT_EQ(video[6] | video[7] << 8, 0x1234) << "on the left eye's page";
        VBE_stopStereo(live);
        EXPECT_FALSE(platform::VbeStereoOn());
        GDL_destroyDisplayDC(dc);
    }
    // A card without hardware stereo refuses a stereo context.
    ASSERT_TRUE(Start("vbe20", 640, 480, 16));
    EXPECT_EQ(GDL_createDisplayDC(-1, -1, 1, 1, 0), nullptr);
}

// At 8 bits the sync code's blue is palette entry 255: set in the context's
// palette and in the DAC (6-bit: stereo keeps the DAC narrow), the other
// entries as they were; through the bank window and the linear view alike.
TEST_F(VbeSupport, StereoSyncBlueAtEightBitsIsPaletteEntry255) {
    for (const char* family : {"SVGA", "LINEAR"}) {
        SCOPED_TRACE(family);
        ASSERT_TRUE(Start("vbe30", 640, 480, 8, {family}));
        GdlDeviceContext* dc = GDL_createDisplayDC(-1, -1, 1, 1, 0);
        ASSERT_NE(dc, nullptr);
        GdlDeviceContext* live = GDL_liveDC(dc);
        uint8_t before[3];
        platform::VgaDacEntry(254, before);
        VBE_startStereo(live);
        uint8_t rgb[3], after[3];
        platform::VgaDacEntry(255, rgb);
        platform::VgaDacEntry(254, after);
        EXPECT_EQ(rgb[0], 0);
        EXPECT_EQ(rgb[1], 0);
        EXPECT_EQ(rgb[2], 63);
        EXPECT_EQ(std::vector<uint8_t>(after, after + 3), std::vector<uint8_t>(before, before + 3));
        GdlPaletteEntry palette[256];
        GDL_getPalette(dc, palette, 256, 0);
        EXPECT_EQ(palette[255].blue, 255);
        EXPECT_EQ(palette[255].red, 0);
        platform::VbeFlushWindow();
        const uint8_t* row = platform::AdapterVideoMemory().base + 479 * live->mode.bytesPerLine;
        EXPECT_EQ(row[0], 255);
        EXPECT_EQ(row[639], 0);
        GDL_destroyDisplayDC(dc);
    }
}

// A palette load on a card whose modes are not VGA-compatible goes through
// the BIOS: each hardware entry takes the palette entry of its own index.
TEST_F(VbeSupport, PaletteThroughTheBiosKeepsEachEntrysPlace) {
    ASSERT_TRUE(testsupport::UseVbeCard("vbe20"));
    ASSERT_TRUE(Start(nullptr, 640, 480, 8, {"SVGA"}));
    GdlDeviceContext* dc = GDL_createDisplayDC(-1, -1, 1, 0, 0);
    ASSERT_NE(dc, nullptr);
    const bool wide = GDL_liveDC(dc)->driverState->dac8Bit != 0;
    uint8_t below[3];
    platform::VgaDacEntry(15, below);
    for (int32_t i = 16; i < 32; ++i)
        GDL_setPaletteEntry(dc, i, uint8_t(4 * i), 12, 200);
    GDL_realizePalette(dc, 16, 16, 0);
    for (int32_t i = 16; i < 32; ++i) {
        uint8_t rgb[3];
        platform::VgaDacEntry(i, rgb);
        EXPECT_EQ(rgb[0], wide ? 4 * i : i) << i;
        EXPECT_EQ(rgb[2], wide ? 200 : 50) << i;
    }
    uint8_t after[3];
    platform::VgaDacEntry(15, after);
    EXPECT_EQ(std::vector<uint8_t>(after, after + 3), std::vector<uint8_t>(below, below + 3));
}

// The BIOS's protected-mode SetWindow, SetDisplayStart and palette routines
// serve only the BIOS known for them; other BIOSes are called through
// interrupt 10h, whatever their version.
TEST_F(VbeSupport, ProtectedModeRoutinesOnlyOfTheTrustedBios) {
    const struct {
        const char* card;
        bool routines;
    } cases[] = {{"vbe20", false}, {"vbe30", false}, {"vbe20-vlf", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.card);
        ASSERT_TRUE(Start(c.card, 640, 480, 8, {"SVGA"}));
        GdlDeviceContext* dc = GDL_createDisplayDC(-1, -1, 1, 0, 0);
        ASSERT_NE(dc, nullptr);
        const VbeServices& services = Vbe_state().services;
        EXPECT_EQ(services.pmSetWindow != nullptr, c.routines);
        EXPECT_EQ(services.pmSetDisplayStart != nullptr, c.routines);
        EXPECT_EQ(services.pmSetPalette != nullptr, c.routines);
        // The bank still moves: a pixel in the second bank lands there.
        GDL_setColor(7);
        GDL_putPixel(0, 200);
        platform::VbeFlushWindow();
        EXPECT_EQ(platform::AdapterVideoMemory().base[200 * GDL_liveDC(dc)->mode.bytesPerLine], 7);
        GDL_destroyDisplayDC(dc);
    }
}

// Safe mode: video memory goes to a file in TEMP at the mode set and comes
// back at text mode; a file cut short gives back what it holds and goes too.
TEST_F(VbeSupport, VideoMemoryKeptAcrossASafeModeSwitch) {
    for (const uint32_t keep : {0u, 100000u}) {
        SCOPED_TRACE(keep);
        const std::string temp = folder_.File("temp");
        ASSERT_EQ(std::system(("mkdir -p " + temp).c_str()), 0);
        setenv("TEMP", temp.c_str(), 1);
        GDL_exit();
        platform::AdapterPersonality card = *[] {
            platform::UseAdapter("vbe20");
            return platform::CurrentAdapter();
        }();
        card.safeMode = true;
        platform::UseAdapter(card);
        uint8_t* video = platform::AdapterVideoMemory().base;
        const size_t size = platform::AdapterVideoMemory().size;
        for (size_t i = 0; i < size; ++i)
            video[i] = uint8_t(i * 7 + i / 65536);
        ASSERT_TRUE(Start(nullptr, 640, 480, 16));
        GdlDeviceContext* dc = GDL_createDisplayDC(-1, -1, 1, 0, 0);
        ASSERT_NE(dc, nullptr);
        ASSERT_NE(VBE_videoMemoryFile(), nullptr);
        const std::string file = VBE_videoMemoryFile();
        EXPECT_EQ(file.rfind(temp + "\\VM", 0), 0u) << file;
        EXPECT_EQ(platform::FileSize(file.c_str()), int64_t(size));
        if (keep) {
            const std::string host = platform::MapPath(file.c_str(), platform::PathUse::Read);
            ASSERT_EQ(truncate(host.c_str(), keep), 0);
        }
        GDL_setColor(0xFFFF);
        GDL_fillRect(0, 0, 640, 480);
        GDL_destroyDisplayDC(dc);
        EXPECT_FALSE(platform::FileExists(file.c_str()));
        EXPECT_EQ(VBE_videoMemoryFile(), nullptr);
        video = platform::AdapterVideoMemory().base;
        const size_t back = keep ? keep : size;
        size_t wrong = 0;
        for (size_t i = 0; i < back; ++i)
            wrong += video[i] != uint8_t(i * 7 + i / 65536);
        EXPECT_EQ(wrong, 0u);
        unsetenv("TEMP");
    }
}

} // namespace
