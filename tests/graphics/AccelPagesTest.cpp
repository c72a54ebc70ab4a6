// The ACCEL drivers' pages over a suspension and in stereo: the mode set
// again with the context's own size, pages and virtual screen, stereo
// restarted when it was on; the stereo glasses' sync lines in each eye's
// page and the order of the waits before the visible buffer changes.
#include "DriverFolder.h"
#include "LinkedDrivers.h"
#include "VbeafWriter.h"

#include "gdl/blit.h"
#include "gdl/draw.h"
#include "gdl/pixelformat.h"
#include "gdl/vbe.h"
#include "gdl/vbeaf.h"
#include "platform/Adapter.h"
#include "platform/Vbe.h"
#include "platform/Vbeaf.h"
#include "platform/Vga.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

namespace vb = platform::vbeaf;
using Args = std::vector<int64_t>;

// Linear, multi-buffered, accelerated, hardware cursor.
constexpr uint16_t kPlain = 0x1 | 0x8 | 0x10 | 0x40;
constexpr uint16_t kStereo = 0x800, kTriple = 0x400;

class AccelPages : public testsupport::DriverFolderTest {
protected:
    // The library on the accelerator with one 640 x 480 mode of `bits` and
    // `attributes` (4 buffers), and a display context of the arguments.
    GdlDeviceContext* Start(int32_t bits, uint16_t attributes, int32_t virtualWidth,
                            int32_t virtualHeight, int32_t pages, int32_t stereo) {
        if (!platform::UseAdapter("accel")) return nullptr;
        tools::VbeafOptions o;
        o.modes = {{0x110, 640, 480, uint8_t(bits), 4, attributes}};
        dir_.Write("VBEAF.DRV", tools::WriteVbeaf(o));
        testsupport::RegisterLinkedDrivers({"ACCEL"});
        int32_t driver = GDL_TYPE_ACCEL_SVGA, mode = testsupport::ModeOf(640, 480, bits);
        if (mode < 0 || !GDL_init(&driver, &mode, ".")) return nullptr;
        GdlDeviceContext* dc = GDL_createDisplayDC(virtualWidth, virtualHeight, pages, stereo, 0);
        platform::VbeafClearCallLog();
        return dc;
    }
    static VbeDriverState* State(GdlDeviceContext* live) {
        return static_cast<VbeDriverState*>(live->driverState);
    }
    static std::vector<Args> Calls(uint32_t slot) {
        std::vector<Args> out;
        for (const platform::VbeafCall& c : platform::VbeafCallLog())
            if (c.slot == slot) out.push_back(c.args);
        return out;
    }
    // The slots called since the log was cleared, in order.
    static std::vector<uint32_t> Order() {
        std::vector<uint32_t> out;
        for (const platform::VbeafCall& c : platform::VbeafCallLog())
            out.push_back(c.slot);
        return out;
    }
    static void TextMode() {
        platform::RealModeRegs r{};
        r.eax = 0x0003;
        platform::RealModeInterrupt(0x10, &r);
    }
};

// After a suspension the mode comes back with the context's own size,
// pages and virtual screen (the context's maximum x and y are the virtual
// screen's by then); stereo comes back on when it was on.
TEST_F(AccelPages, ModeComesBackAfterASuspension) {
    struct Case {
        int32_t virtualWidth, virtualHeight, pages, stereo;
    };
    const Case cases[] = {
        {-1, -1, 2, 0},
        {1024, 768, 1, 0},
        {800, 600, 2, 0},
        {-1, -1, 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.virtualWidth * 100 + c.pages * 10 + c.stereo);
        GdlDeviceContext* dc = Start(16, kPlain | (c.stereo ? kStereo : 0), c.virtualWidth,
                                     c.virtualHeight, c.pages, c.stereo);
        ASSERT_NE(dc, nullptr);
        GdlDeviceContext* live = GDL_liveDC(dc);
        if (c.stereo) State(live)->startStereo(live);
        const GdlModeRecord before = live->mode;
        const uint16_t number = platform::VbeCurrentMode();
        TextMode();
        ASSERT_EQ(platform::VbeCurrentMode(), 0);
        platform::VbeafClearCallLog();
        ASSERT_TRUE(ACCEL_restoreMode(live));
        EXPECT_EQ(platform::VbeCurrentMode(), number);
        // Size, pages and layout as before: maximum x and y, maximum page,
        // bytes per line, page size.
        auto layout = [](const GdlModeRecord& m) {
            return std::vector<uint32_t>{m.maxX, m.maxY, m.maxPage, m.bytesPerLine, m.pageSize};
        };
        EXPECT_EQ(layout(live->mode), layout(before));
        const std::vector<Args> sets = Calls(vb::kSetMode);
        ASSERT_EQ(sets.size(), 1u);
        EXPECT_EQ(sets[0][1], c.virtualWidth);
        EXPECT_EQ(sets[0][2], c.virtualHeight);
        EXPECT_EQ(sets[0][4], c.pages);
        EXPECT_EQ(sets[0][0] & 0x400, c.stereo ? 0x400 : 0);
        EXPECT_EQ(State(live)->stereoOn, c.stereo);
        EXPECT_EQ(Calls(vb::kEnableStereo),
                  c.stereo ? std::vector<Args>{{1}} : std::vector<Args>{});
        if (c.pages > 1) {
            // The second page lies a whole (virtual) page behind the first,
            // in stereo behind the first's two eyes.
            GDL_setActivePage(dc, 1);
            EXPECT_EQ(GDL_liveDC(dc)->surface,
                      live->frameBase + before.pageSize * (c.stereo ? 2 : 1));
        }
        GDL_destroyDisplayDC(dc);
        GDL_resetLibrary();
    }
}

// A mode whose buffers video memory cannot hold is refused, or single
// buffered when its pages do not fit: no drawing page lies past the end of
// memory. 640 x 480 x 16 is 600 KB a page.
TEST_F(AccelPages, BuffersPastVideoMemoryAreNoMode) {
    struct Case {
        uint32_t memoryKB;
        int32_t pages, stereo;
        bool made;
        int32_t maxPage;
    };
    const Case cases[] = {{1200, 2, 0, true, 1},
                          {1199, 2, 0, true, 0},
                          {1200, 1, 1, true, 0},
                          {1200, 2, 1, false, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.memoryKB * 100 + uint32_t(c.pages * 10 + c.stereo));
        ASSERT_TRUE(platform::UseAdapter("accel"));
        tools::VbeafOptions o;
        o.memoryKB = c.memoryKB;
        o.modes = {{0x110, 640, 480, 16, 4, uint16_t(kPlain | kStereo)}};
        dir_.Write("VBEAF.DRV", tools::WriteVbeaf(o));
        testsupport::RegisterLinkedDrivers({"ACCEL"});
        int32_t driver = GDL_TYPE_ACCEL_SVGA, mode = testsupport::ModeOf(640, 480, 16);
        ASSERT_TRUE(GDL_init(&driver, &mode, "."));
        GdlDeviceContext* dc = GDL_createDisplayDC(-1, -1, c.pages, c.stereo, 0);
        EXPECT_EQ(dc != nullptr, c.made);
        // A mode that holds fewer pages than asked for offers them single
        // buffered: every buffer it draws on lies inside memory.
        if (dc) {
            const GdlModeRecord& m = GDL_liveDC(dc)->mode;
            EXPECT_LE(uint64_t(m.maxPage + 1) * (c.stereo ? 2 : 1) * m.pageSize,
                      uint64_t(c.memoryKB) * 1024);
            EXPECT_EQ(m.maxPage, uint32_t(c.maxPage));
        }
        GDL_resetLibrary();
    }
}

// Stereo switched off before the suspension stays off after it.
TEST_F(AccelPages, StereoStoppedStaysStoppedAfterASuspension) {
    GdlDeviceContext* dc = Start(16, kPlain | kStereo, -1, -1, 1, 1);
    ASSERT_NE(dc, nullptr);
    GdlDeviceContext* live = GDL_liveDC(dc);
    State(live)->startStereo(live);
    State(live)->stopStereo(live);
    TextMode();
    platform::VbeafClearCallLog();
    ASSERT_TRUE(ACCEL_restoreMode(live));
    EXPECT_EQ(State(live)->stereoOn, 0);
    EXPECT_TRUE(Calls(vb::kEnableStereo).empty());
}

// Stereo on: each eye's page gets the glasses' sync code on its last scan
// line where the driver keeps that eye, over what the accelerator drew
// there; drawing goes on in the active page.
TEST_F(AccelPages, StereoSyncLinesInEachEyesPage) {
    for (const int32_t bits : {8, 16}) {
        SCOPED_TRACE(bits);
        GdlDeviceContext* dc = Start(bits, kPlain | kStereo, -1, -1, 2, 1);
        ASSERT_NE(dc, nullptr);
        GdlDeviceContext* live = GDL_liveDC(dc);
        const uint32_t blue = bits == 8 ? 255 : GDL_packColor(&live->format, 0, 0, 255);
        const int bytes = bits / 8;
        GDL_setActivePage(dc, 1);
        GDL_setColor(0x55);
        GDL_fillRect(0, 470, 640, 480); // queued in the accelerator, page 1's left eye
        State(live)->startStereo(live);
        GDL_setVisualPage(dc, 1, 0);
        // Buffers in pairs: page p's left eye is buffer 2p, its right 2p + 1.
        const uint8_t* video = platform::AdapterVideoMemory().base;
        for (int buffer = 0; buffer < 4; ++buffer) {
            const uint8_t* row = video + size_t(live->mode.pageSize) * size_t(buffer) +
                                 479 * live->mode.bytesPerLine;
            auto at = [&](int x) {
                uint32_t v = 0;
                for (int b = 0; b < bytes; ++b)
                    v |= uint32_t(row[x * bytes + b]) << (8 * b);
                return v;
            };
            SCOPED_TRACE(buffer);
            const bool right = buffer & 1;
            EXPECT_EQ(at(0), blue);
            EXPECT_EQ(at(159), blue);
            EXPECT_EQ(at(160), right ? blue : 0);
            EXPECT_EQ(at(479), right ? blue : 0);
            EXPECT_EQ(at(480), 0u);
            EXPECT_EQ(at(639), 0u);
        }
        if (bits == 8) {
            const std::vector<Args> palette = Calls(vb::kSetPalette);
            ASSERT_FALSE(palette.empty());
            EXPECT_EQ(palette.back(), (Args{1, 1, 255, 0})) << "index 255 made blue";
            uint8_t rgb[3];
            platform::VgaDacEntry(255, rgb);
            EXPECT_EQ(rgb[0] | rgb[1] << 8 | rgb[2] << 16, 63 << 16) << "blue in the 6-bit DAC";
        }
        EXPECT_EQ(ACCEL_field(vb::kActiveOffset), 2 * live->mode.pageSize)
            << "the driver draws in the active page again";
        GDL_destroyDisplayDC(dc);
        GDL_resetLibrary();
    }
}

// The waits before the visible buffer changes: two pages always wait for
// the retrace; hardware triple buffering without a wait polls the display
// start status first. In stereo the sync lines come before both.
TEST_F(AccelPages, VisiblePageWaitsThenChanges) {
    struct Case {
        uint16_t attributes;
        int32_t pages, wait, stereo;
        bool polls;
        int64_t waited;
    };
    const Case cases[] = {
        {kPlain, 2, 0, 0, false, 1},
        {kPlain | kTriple, 2, 0, 0, false, 1},
        {kPlain | kTriple, 3, 0, 0, true, 0},
        {kPlain | kTriple, 3, 1, 0, false, 1},
        {kPlain, 3, 0, 0, false, 0},
        {kPlain | kTriple | kStereo, 2, 0, 1, false, 1},
        {kPlain | kTriple | kStereo, 3, 0, 1, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attributes * 1000 + c.pages * 100 + c.wait * 10 + c.stereo);
        GdlDeviceContext* dc = Start(16, c.attributes, -1, -1, c.pages, c.stereo);
        ASSERT_NE(dc, nullptr);
        GdlDeviceContext* live = GDL_liveDC(dc);
        if (c.stereo) State(live)->startStereo(live);
        platform::VbeafClearCallLog();
        GDL_setVisualPage(dc, 1, c.wait);
        const std::vector<uint32_t> order = Order();
        ASSERT_FALSE(order.empty());
        EXPECT_EQ(order.back(), vb::kSetVisibleBuffer);
        EXPECT_EQ(Calls(vb::kSetVisibleBuffer), (std::vector<Args>{{1, c.waited}}));
        const std::vector<uint32_t> polls(c.polls ? 1 : 0, vb::kDisplayStartStatus);
        std::vector<uint32_t> expected;
        if (c.stereo)
            expected = {vb::kSetActiveBuffer, vb::kSetActiveBuffer, vb::kSetActiveBuffer,
                        vb::kEnableDirect, vb::kDisableDirect};
        expected.insert(expected.end(), polls.begin(), polls.end());
        expected.push_back(vb::kSetVisibleBuffer);
        EXPECT_EQ(order, expected);
        if (c.stereo) {
            EXPECT_EQ(Calls(vb::kSetActiveBuffer), (std::vector<Args>{{1}, {0x8001}, {0}}));
        }
        GDL_destroyDisplayDC(dc);
        GDL_resetLibrary();
    }
}

} // namespace
