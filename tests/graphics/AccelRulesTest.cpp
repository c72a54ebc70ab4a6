// Rules of the accelerated back end checked one by one against the running
// code: the driver file's fields where the loader reads them, loads that
// fail after one that worked, the device path's failures, the mode set's
// mode word and pages, the device entries' waits and chunks, the access
// flag of each driver entry, the argument mappings of the blits from
// off-screen memory and of the hardware clip, and the off-screen context's
// bounds.
#include "AccelStart.h"
#include "DriverFolder.h"
#include "LinkedDrivers.h"
#include "VbeafCalls.h"
#include "VbeafWriter.h"

#include "gdl/blit.h"
#include "gdl/ddraw.h"
#include "gdl/draw.h"
#include "gdl/result.h"
#include "gdl/vbe.h"
#include "gdl/vbeaf.h"
#include "gdl/vga.h"
#include "gdl/windows.h"
#include "platform/Adapter.h"
#include "platform/Vbeaf.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace vb = platform::vbeaf;
using Args = std::vector<int64_t>;

uint32_t get32(const uint8_t* image, uint32_t at) {
    uint32_t v = 0;
    std::memcpy(&v, image + at, 4);
    return v;
}

class AccelRules : public testsupport::DriverFolderTest {
protected:
    void TearDown() override {
        GDL_resetLibrary();
        testsupport::DriverFolderTest::TearDown();
    }
    // The library on the accelerated card with a driver of `options`, in
    // the mode of `bits` at 640 x 480, and its display context.
    GdlDeviceContext* Start(int32_t bits, const tools::VbeafOptions& options = {},
                            int32_t pages = 1, int32_t stereo = 0) {
        GDL_resetLibrary();
        if (!testsupport::StartAccelLibrary(dir_, bits, options)) return nullptr;
        platform::VbeafClearCallLog();
        GdlDeviceContext* dc = GDL_createDisplayDC(-1, -1, pages, stereo, 0);
        return dc;
    }
    static std::vector<Args> Calls(uint32_t slot) { return testsupport::VbeafCalls(slot); }
    static size_t Count(uint32_t slot) { return testsupport::VbeafCallCount(slot); }
};

// One 640 x 480 x 16 mode with `pages` and `attributes`.
tools::VbeafOptions oneMode(uint8_t pages, uint16_t attributes) {
    tools::VbeafOptions o;
    o.modes = {{0x111, 640, 480, 16, pages, attributes}};
    return o;
}

// Each option lands in the field the loader reads, little-endian.
TEST_F(AccelRules, WriterPutsEachFieldAtItsOffset) {
    tools::VbeafOptions o;
    o.version = 0x102;
    o.memoryKB = 3072;
    o.attributes = 0xC010;
    o.bankAddress = 0xA8000;
    o.bankSizeKB = 32;
    o.registerAddress[2] = 0xFEC00000;
    o.registerLength[2] = 0x2000;
    o.monoImageField = 0x5A5A;
    const std::vector<uint8_t> image = tools::WriteVbeaf(o);
    ASSERT_GE(image.size(), size_t(vb::kHeaderSize));
    EXPECT_EQ(std::memcmp(image.data(), "VBEAF.DRV\0", 10), 0);
    const struct {
        uint32_t at, value;
    } fields[] = {
        {0x00C, 0x102},
        {0x0B8, 3072},
        {0x0BC, 0xC010},
        {0x0C0, 32},
        {0x0C4, 0xA8000},
        {0x0D8, 0},
        {0x0E0, 0xFEC00000},
        {0x0F0, 0x2000},
        {0x0E8, 0},
        {0x224, 0x5A5A},
        {0x18C, uint32_t(vb::kStubSize)},
    };
    for (const auto& f : fields)
        EXPECT_EQ(get32(image.data(), f.at), f.value) << std::hex << f.at;
    EXPECT_NE(get32(image.data(), 0x0CC), 0u) << "linear framebuffer address";
    EXPECT_NE(get32(image.data(), 0x0C8), 0u) << "its size";
    // The mode list: 16-bit numbers, ended by -1, inside the image.
    const uint32_t list = get32(image.data(), 0x0B4);
    ASSERT_LT(list, image.size());
    uint32_t n = 0;
    while (list + 2 * n + 1 < image.size() &&
           (image[list + 2 * n] | image[list + 2 * n + 1] << 8) != 0xFFFF)
        ++n;
    EXPECT_EQ(n, tools::DefaultVbeafModes(3072).size());
    // Without a linear framebuffer its address is 0.
    o.linear = false;
    EXPECT_EQ(get32(tools::WriteVbeaf(o).data(), 0x0CC), 0u);
}

// A load that fails after one that worked leaves no driver behind: the
// first image is gone, and nothing may still point at it.
TEST_F(AccelRules, FailedReloadLeavesNoDriver) {
    ASSERT_TRUE(platform::UseAdapter("accel"));
    GDL_initWindows();
    dir_.Write("VBEAF.DRV", tools::WriteVbeaf({}));
    ASSERT_NE(AF_loadDriver("."), nullptr);
    ASSERT_NE(ACCEL_driver(), nullptr);
    std::vector<uint8_t> corrupt = tools::WriteVbeaf({});
    corrupt[3] = 'X';
    dir_.Write("VBEAF.DRV", corrupt);
    EXPECT_EQ(AF_loadDriver("."), nullptr);
    EXPECT_EQ(AF_getStatus(), AF_STATUS_CORRUPT);
    EXPECT_EQ(ACCEL_driver(), nullptr);
    EXPECT_EQ(ACCEL_field(vb::kVersion), 0u);
    std::filesystem::remove(dir_.Path() / "VBEAF.DRV");
    EXPECT_EQ(AF_loadDriver("."), nullptr);
    EXPECT_EQ(AF_getStatus(), AF_STATUS_NOT_FOUND);
    EXPECT_EQ(ACCEL_driver(), nullptr);
}

// Physical mappings the file asks for: each inside the card or the load
// fails with status 6; an area of address 0 is skipped.
TEST_F(AccelRules, MappingsTheFileAsksFor) {
    struct Case {
        const char* what;
        uint32_t at, value; // field written over the writer's image
        int32_t status;
    };
    const Case cases[] = {
        {"as written", 0, 0, AF_STATUS_OK},
        {"linear framebuffer larger than the card", vb::kLinearSizeKB, 64 * 1024,
         AF_STATUS_NO_MAPPING},
        {"linear framebuffer of no size", vb::kLinearSizeKB, 0, AF_STATUS_NO_MAPPING},
        {"register area of no length", vb::kRegisterAddress, 0xFEB00000, AF_STATUS_NO_MAPPING},
        {"register length without an address", vb::kRegisterLength, 0x1000, AF_STATUS_OK},
        {"bank window in plain memory", vb::kBankAddress, 0x10000, AF_STATUS_OK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GDL_resetLibrary();
        ASSERT_TRUE(platform::UseAdapter("accel"));
        GDL_initWindows();
        std::vector<uint8_t> image = tools::WriteVbeaf({});
        if (c.at) std::memcpy(image.data() + c.at, &c.value, 4);
        dir_.Write("VBEAF.DRV", image);
        GdlVbeafDriver* d = AF_loadDriver(".");
        EXPECT_EQ(AF_getStatus(), c.status);
        EXPECT_EQ(d != nullptr, c.status == AF_STATUS_OK);
    }
}

// A driver that belongs to the device, called while no device answers: the
// mode set has failed, it has not succeeded.
TEST_F(AccelRules, DeviceThatDoesNotAnswerFailsTheModeSet) {
    ASSERT_TRUE(platform::UseAdapter("accel"));
    GDL_initWindows();
    std::vector<uint8_t> image = tools::WriteVbeaf({});
    GdlVbeafDriver d{image.data(), image.size(), false};
    int32_t bytesPerLine = 0;
    EXPECT_NE(AF_callDriver(&d, 0x4100, -1, -1, &bytesPerLine, 1, nullptr), 0);
}

// The device's image that does not hold together is no driver: the file
// search follows and finds the file's.
TEST_F(AccelRules, DeviceWithADamagedImageFallsBackToTheFile) {
    ASSERT_TRUE(platform::UseAdapter("accel"));
    platform::AdapterPersonality p = *platform::CurrentAdapter();
    p.accel.helper = true;
    p.accel.helperImage = tools::WriteVbeaf({});
    p.accel.helperImage.resize(0x100);
    platform::UseAdapter(p);
    GDL_initWindows();
    tools::VbeafOptions o;
    o.memoryKB = 2048;
    dir_.Write("VBEAF.DRV", tools::WriteVbeaf(o));
    GdlVbeafDriver* d = AF_loadDriver(".");
    ASSERT_NE(d, nullptr) << AF_getStatus();
    EXPECT_TRUE(d->direct);
    EXPECT_EQ(get32(d->image, vb::kMemoryKB), 2048u);
}

// Detection rewrites the drivers' type: 5 for an accelerating driver, 4
// for one without the acceleration attribute, and the display context's
// selected driver type follows it.
TEST_F(AccelRules, DetectionRewritesTheDriversType) {
    for (uint32_t attributes : {0x10u, 0x0u}) {
        SCOPED_TRACE(attributes);
        tools::VbeafOptions o;
        o.attributes = attributes;
        GdlDeviceContext* dc = Start(16, o);
        ASSERT_NE(dc, nullptr);
        const int32_t want = attributes ? GDL_TYPE_ACCEL_SVGA : GDL_TYPE_SVGA;
        EXPECT_EQ(ACCEL_header(16)->driverType, want);
        EXPECT_EQ(ACCEL_header(32)->driverType, want);
        EXPECT_EQ(GDL_selectedDriverType(), want);
    }
}

// Pages: more than one that the mode holds gives the maximum page and the
// multi-buffer bit in the mode word; otherwise one page. Stereo is the
// mode word's 400h, never twice the pages; the mode information is asked
// without 4000h and 400h.
TEST_F(AccelRules, ModeWordAndPagesOfTheModeSet) {
    struct Case {
        uint8_t modePages;
        uint16_t attributes;
        uint32_t driverAttributes;
        int32_t pages, stereo;
        bool ok;
        uint32_t maxPage;
        int64_t modeBits;    // 2000h and 400h of the mode word
        int32_t stereoFlags; // 2 hardware, 4 dual display start, 8 external sync
    };
    const Case cases[] = {
        {4, 0x59, 0x10, 2, 0, true, 1, 0x2000, 0},  {4, 0x59, 0x10, 4, 0, true, 3, 0x2000, 0},
        {2, 0x59, 0x10, 3, 0, true, 0, 0, 0},       {4, 0x59, 0x10, 1, 0, true, 0, 0, 0},
        {4, 0x859, 0x10, 2, 1, true, 1, 0x2400, 2}, {4, 0x859, 0x10, 1, 1, true, 0, 0x400, 2},
        {4, 0x1859, 0x10, 1, 1, true, 0, 0x400, 6}, {4, 0x859, 0x4010, 1, 1, true, 0, 0x400, 10},
        {4, 0x59, 0x10, 2, 1, false, 0, 0, 0}, // stereo the mode does not have
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.modePages) + " pages " + std::to_string(c.pages) +
                     (c.stereo ? " stereo" : ""));
        tools::VbeafOptions o = oneMode(c.modePages, c.attributes);
        o.attributes = c.driverAttributes;
        GdlDeviceContext* dc = Start(16, o, c.pages, c.stereo);
        if (!c.ok) {
            EXPECT_EQ(dc, nullptr);
            EXPECT_EQ(Count(vb::kSetMode), 0u);
            continue;
        }
        ASSERT_NE(dc, nullptr);
        EXPECT_EQ(GDL_liveDC(dc)->mode.maxPage, c.maxPage);
        EXPECT_EQ(static_cast<VbeDriverState*>(GDL_liveDC(dc)->driverState)->stereoFlags,
                  c.stereoFlags);
        const std::vector<Args> sets = Calls(vb::kSetMode);
        ASSERT_EQ(sets.size(), 1u);
        EXPECT_EQ(sets[0][0] & 0x2400, c.modeBits);
        EXPECT_EQ(sets[0][0] & 0x4000, 0x4000) << "linear";
        EXPECT_EQ(sets[0][1], -1);
        EXPECT_EQ(sets[0][2], -1);
        EXPECT_EQ(sets[0][4], int64_t(c.maxPage) + 1) << "buffers";
        const std::vector<Args> infos = Calls(vb::kGetModeInfo);
        ASSERT_FALSE(infos.empty());
        EXPECT_EQ(infos[0][0] & 0x4400, 0) << "asked without 4000h and 400h";
        EXPECT_EQ(infos[0][0] & 0x1FF, 0x111);
    }
}

// A refresh rate asked of a 2.0 driver: the CRTC block found through the
// closest-clock entry, and 800h in the mode word. A virtual screen: its
// size to the set-mode entry, the bytes per line it returns taken; one no
// larger than the mode fails. The mode set ends on page 0 for drawing and
// display.
TEST_F(AccelRules, RefreshVirtualScreenAndFirstPage) {
    GDL_resetLibrary();
    ASSERT_TRUE(platform::UseAdapter("accel"));
    dir_.Write("VBEAF.DRV", tools::WriteVbeaf(oneMode(2, 0x59)));
    testsupport::RegisterLinkedDrivers({"ACCEL"});
    int32_t driver = GDL_TYPE_ACCEL_SVGA, mode = testsupport::ModeOf(640, 480, 16);
    ASSERT_TRUE(GDL_init(&driver, &mode, "."));
    platform::VbeafClearCallLog();
    GdlDeviceContext* dc = GDL_createDisplayDC(-1, -1, 2, 0, 75);
    ASSERT_NE(dc, nullptr);
    std::vector<Args> sets = Calls(vb::kSetMode);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0][0] & 0x800, 0x800);
    EXPECT_EQ(sets[0][5], 1) << "the CRTC block";
    EXPECT_GE(Count(vb::kClosestClock), 1u);
    EXPECT_EQ(Calls(vb::kSetActiveBuffer).back(), (Args{0}));
    EXPECT_EQ(Calls(vb::kSetVisibleBuffer).back(), (Args{0, 1})) << "two pages wait";
    GDL_destroyDisplayDC(dc);

    platform::VbeafClearCallLog();
    dc = GDL_createDisplayDC(1024, 600, 1, 0, 0);
    ASSERT_NE(dc, nullptr);
    sets = Calls(vb::kSetMode);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0][1], 1024);
    EXPECT_EQ(sets[0][2], 600);
    EXPECT_EQ(sets[0][0] & 0x800, 0) << "no refresh asked";
    const GdlDeviceContext* live = GDL_liveDC(dc);
    EXPECT_EQ(live->mode.maxX, 1023u);
    EXPECT_EQ(live->mode.maxY, 599u);
    EXPECT_GE(live->mode.bytesPerLine, 2048u);
    GDL_destroyDisplayDC(dc);

    platform::VbeafClearCallLog();
    EXPECT_EQ(GDL_createDisplayDC(640, 600, 1, 0, 0), nullptr) << "as wide as the mode";
    EXPECT_EQ(Count(vb::kSetMode), 0u);
}

// A driver file whose mode claims more pages than the card's memory
// holds: the pages the context gets all lie inside video memory, and
// drawing on the last of them stays there.
TEST_F(AccelRules, PagesNeverPastVideoMemory) {
    tools::VbeafOptions o;
    o.modes = {{0x111, 640, 480, 32, 255, 0x59}};
    GdlDeviceContext* dc = Start(32, o, 20);
    if (!dc) return; // refused: nothing drawn
    const GdlDeviceContext* live = GDL_liveDC(dc);
    const platform::VideoMemoryView memory = platform::AdapterVideoMemory();
    const uint64_t pages = uint64_t(live->mode.maxPage) + 1;
    EXPECT_LE(pages * live->mode.pageSize, memory.size);
    GDL_setActivePage(dc, int32_t(live->mode.maxPage));
    GDL_setColor(0x123456);
    GDL_fillRect(0, 0, 640, 480);
    GDL_putPixel(639, 479);
    ACCEL_waitIdle();
    const GdlDeviceContext* after = GDL_liveDC(dc);
    EXPECT_LE(uint64_t(after->surface - memory.base) + after->mode.pageSize, memory.size);
    // Asked of the accelerator itself, a buffer past memory is refused and
    // drawing stays on the one it had.
    const uint32_t active = ACCEL_field(vb::kActiveOffset);
    EXPECT_EQ(ACCEL_call(vb::kSetActiveBuffer, {200}), -1);
    EXPECT_EQ(ACCEL_field(vb::kActiveOffset), active);
}

// A driver without a set-mode entry sets no mode: no context, and the
// library starts again cleanly on a driver that has one.
TEST_F(AccelRules, RefusedModeSetGivesNoContext) {
    tools::VbeafOptions o;
    o.absent = {vb::kSetMode};
    EXPECT_EQ(Start(16, o), nullptr);
    EXPECT_EQ(Count(vb::kSetMode), 0u) << "an entry not offered never runs";
    EXPECT_NE(Start(16), nullptr);
}

// The mode's attributes: 80h the 8-bit DAC, 40h with the driver's cursor
// entry the hardware cursor.
TEST_F(AccelRules, DacAndCursorFromTheModeAttributes) {
    struct Case {
        uint16_t attributes;
        bool cursorEntry;
        int32_t dac8, cursor;
    };
    const Case cases[] = {
        {0xD9, true, 1, 1}, {0x59, true, 0, 1}, {0x99, true, 1, 0}, {0xD9, false, 1, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attributes * 10 + c.cursorEntry);
        tools::VbeafOptions o = oneMode(1, c.attributes);
        if (!c.cursorEntry)
            o.absent = {vb::kSetCursor, vb::kSetCursorPos, vb::kSetCursorColor, vb::kShowCursor};
        GdlDeviceContext* dc = Start(16, o);
        ASSERT_NE(dc, nullptr);
        const GdlDriverState* s = GDL_liveDC(dc)->driverState;
        EXPECT_EQ(s->dac8Bit, c.dac8);
        EXPECT_EQ(s->hardwareCursor, c.cursor);
        EXPECT_EQ(s->setCursorImage != nullptr, c.cursor == 1);
    }
}

// The device entries' waits: a display start of wait 0 waits; the retrace
// wait selects the visible buffer again with wait; two pages always wait;
// triple buffering without wait asks the status first.
TEST_F(AccelRules, WaitsOfTheDeviceEntries) {
    GdlDeviceContext* dc = Start(16, oneMode(4, 0x59), 2);
    ASSERT_NE(dc, nullptr);
    GdlDeviceContext* live = GDL_liveDC(dc);
    platform::VbeafClearCallLog();
    ACCEL_setDisplayStart(live, 3, 4, 0);
    EXPECT_EQ(Calls(vb::kSetDisplayStart), (std::vector<Args>{{3, 4, 1}}));
    EXPECT_EQ(live->scrollX, 3);
    EXPECT_EQ(live->scrollY, 4);
    GDL_setVisualPage(dc, 1, 0);
    ACCEL_vSync(live);
    EXPECT_EQ(Calls(vb::kSetVisibleBuffer), (std::vector<Args>{{1, 1}, {1, 1}}));
    GDL_setVisualPage(dc, 2, 0); // past the maximum page: ignored
    GDL_setActivePage(dc, 0x8001);
    EXPECT_EQ(Calls(vb::kSetActiveBuffer), (std::vector<Args>{{0x8001}})) << "right eye";

    dc = Start(16, oneMode(4, 0x459), 3); // triple buffering
    ASSERT_NE(dc, nullptr);
    platform::VbeafClearCallLog();
    GDL_setVisualPage(dc, 2, 0);
    EXPECT_GE(Count(vb::kDisplayStartStatus), 1u);
    EXPECT_EQ(Calls(vb::kSetVisibleBuffer), (std::vector<Args>{{2, 0}}));
    ASSERT_FALSE(platform::VbeafCallLog().empty());
    EXPECT_EQ(platform::VbeafCallLog().back().slot, vb::kSetVisibleBuffer);
}

// Palette loads go in chunks of the state's entries per call when they
// wait, all at once otherwise, never past entry 255.
TEST_F(AccelRules, PaletteChunks) {
    GdlDeviceContext* dc = Start(8);
    ASSERT_NE(dc, nullptr);
    GdlDeviceContext* live = GDL_liveDC(dc);
    live->driverState->paletteEntriesPerCall = 100;
    GdlPaletteEntry entries[256]{};
    platform::VbeafClearCallLog();
    ACCEL_setPalette(live, entries, 256, 0, 1);
    EXPECT_EQ(Calls(vb::kSetPalette),
              (std::vector<Args>{{1, 100, 0, 1}, {1, 100, 100, 1}, {1, 56, 200, 1}}));
    platform::VbeafClearCallLog();
    ACCEL_setPalette(live, entries, 256, 0, 0);
    EXPECT_EQ(Calls(vb::kSetPalette), (std::vector<Args>{{1, 256, 0, 0}}));
    platform::VbeafClearCallLog();
    ACCEL_setPalette(live, entries, 120, 150, 1);
    EXPECT_EQ(Calls(vb::kSetPalette), (std::vector<Args>{{1, 100, 150, 1}, {1, 6, 250, 1}}));
    platform::VbeafClearCallLog();
    ACCEL_setPalette(live, entries, 5, -1, 1);
    EXPECT_EQ(Count(vb::kSetPalette), 0u);
}

// Each rendering entry of the driver sets its access flag; an absent entry
// leaves its flag clear and the others set.
TEST_F(AccelRules, AccessFlagOfEachDriverEntry) {
    const struct {
        uint32_t slot, flag;
    } entries[] = {
        {vb::kDrawLine, 0x10},           {vb::kDrawRect, 0x80},       {vb::kDrawPattRect, 0x100},
        {vb::kDrawColorPattRect, 0x200}, {vb::kBitBlt, 0x400},        {vb::kSrcTransBlt, 0x800},
        {vb::kDstTransBlt, 0x1000},      {vb::kPutMonoImage, 0x2000}, {vb::kSetClipRect, 0x4000}};
    uint32_t all = 0;
    for (const auto& e : entries)
        all |= e.flag;
    GdlDeviceContext* dc = Start(16);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GDL_liveDC(dc)->flags & all, all);
    for (const auto& e : entries) {
        SCOPED_TRACE(vb::EntryName(e.slot));
        tools::VbeafOptions o;
        o.absent = {e.slot};
        dc = Start(16, o);
        ASSERT_NE(dc, nullptr);
        EXPECT_EQ(GDL_liveDC(dc)->flags & all, all & ~e.flag);
    }
    // A mode without the acceleration attribute: none of them.
    dc = Start(16, oneMode(1, 0x49));
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GDL_liveDC(dc)->flags & all, 0u);
}

// The hardware clip: right and bottom inclusive; on an off-screen context
// moved to its rows of video memory.
TEST_F(AccelRules, HardwareClipIsInclusive) {
    GdlDeviceContext* dc = Start(16);
    ASSERT_NE(dc, nullptr);
    platform::VbeafClearCallLog();
    GDL_setClipRect(dc, 10, 20, 100, 200);
    GDL_fillRect(0, 0, 300, 300);
    const std::vector<Args> clips = Calls(vb::kSetClipRect);
    ASSERT_FALSE(clips.empty());
    EXPECT_EQ(clips.back(), (Args{10, 20, 99, 199}));
}

// The off-screen context over the driver's area: maximum x the driver's
// width field, maximum y bottom - top, one page, bounds one past them.
TEST_F(AccelRules, OffscreenContextTakesTheDriversArea) {
    GdlDeviceContext* dc = Start(16);
    ASSERT_NE(dc, nullptr);
    GdlDeviceContext* off = GDL_createOffscreenDC(dc);
    ASSERT_NE(off, nullptr) << GDL_lastResult();
    const GdlDeviceContext* o = GDL_liveDC(off);
    const uint32_t width = ACCEL_field(vb::kOffscreenWidth);
    const uint32_t rows = ACCEL_field(vb::kOffscreenBottom) - ACCEL_field(vb::kOffscreenTop);
    EXPECT_EQ(o->mode.maxX, width);
    EXPECT_EQ(o->mode.maxY, rows);
    EXPECT_EQ(o->mode.maxPage, 0u);
    EXPECT_EQ(o->bounds.left, 0);
    EXPECT_EQ(o->bounds.top, 0);
    EXPECT_EQ(o->bounds.right, int32_t(width) + 1);
    EXPECT_EQ(o->bounds.bottom, int32_t(rows) + 1);
    EXPECT_EQ(GDL_NO_HW_BITBLT, -29);
    EXPECT_EQ(GDL_NO_OFFSCREEN_MEMORY, -30);
}

// Copies from off-screen memory: through the driver's system-memory forms
// when it has them (the area's start and pitch, the destination cut by the
// clip and the source moved with it), else through the video-memory forms
// with the source's rows counted from the area's top line.
TEST_F(AccelRules, BlitsFromOffscreenMemory) {
    const struct {
        bool sys;
        int32_t keyMode; // 0 plain, 1 source key, 2 destination key
        uint32_t slot;
    } cases[] = {{true, 0, vb::kBitBltSys},      {true, 1, vb::kSrcTransBltSys},
                 {true, 2, vb::kDstTransBltSys}, {false, 0, vb::kBitBlt},
                 {false, 1, vb::kSrcTransBlt},   {false, 2, vb::kDstTransBlt}};
    for (const auto& c : cases) {
        SCOPED_TRACE(vb::EntryName(c.slot));
        tools::VbeafOptions o;
        if (!c.sys) o.absent = {vb::kBitBltSys, vb::kSrcTransBltSys, vb::kDstTransBltSys};
        GdlDeviceContext* dc = Start(16, o);
        ASSERT_NE(dc, nullptr);
        GdlDeviceContext* off = GDL_createOffscreenDC(dc);
        ASSERT_NE(off, nullptr);
        GDL_selectCurrentDC(dc);
        GDL_setClipRect(dc, 100, 100, 200, 200);
        GdlDeviceContext* d = GDL_liveDC(dc);
        GdlDeviceContext* s = GDL_liveDC(off);
        const auto copy = [&](int32_t l, int32_t t, int32_t r, int32_t b, int32_t x, int32_t y) {
            if (c.keyMode == 0)
                s->v.offscreenBlt(d, s, l, t, r, b, x, y, 0);
            else if (c.keyMode == 1)
                s->v.offscreenSrcKeyBlt(d, s, l, t, r, b, x, y, 0, 0x1F);
            else
                s->v.offscreenDstKeyBlt(d, s, l, t, r, b, x, y, 0, 0x1F);
        };
        platform::VbeafClearCallLog();
        // Cut on every side: (2, 3)-(202, 203) at (90, 80) keeps (12, 23)
        // to (112, 123) at (100, 100).
        copy(2, 3, 202, 203, 90, 80);
        copy(0, 0, 50, 50, 300, 300); // wholly outside the clip
        const std::vector<Args> calls = Calls(c.slot);
        ASSERT_EQ(calls.size(), 1u);
        Args want;
        const int64_t start = ACCEL_field(vb::kOffscreenStart);
        const int64_t top = ACCEL_field(vb::kOffscreenTop);
        if (c.sys)
            want = {start, int64_t(s->mode.bytesPerLine), 12, 23, 100, 100, 100, 100, 0};
        else
            want = {12, 23 + top, 100, 100, 100, 100, 0};
        if (c.keyMode) want.push_back(0x1F);
        EXPECT_EQ(calls[0], want);
        GDL_setClipMode(dc, 0);
        platform::VbeafClearCallLog();
        copy(0, 0, 10, 10, 630, 470); // clip off: as asked
        ASSERT_EQ(Count(c.slot), 1u);
        EXPECT_EQ(Calls(c.slot)[0][c.sys ? 6 : 4], 630);
    }
}

// Back to text mode: a monochrome start sets the equipment bits 4 and 5,
// the accelerator is idle before its text-mode entry.
TEST_F(AccelRules, TextModeAfterAMonochromeStart) {
    GdlDeviceContext* dc = Start(16);
    ASSERT_NE(dc, nullptr);
    GdlDeviceContext* live = GDL_liveDC(dc);
    static_cast<VbeDriverState*>(live->driverState)->savedMode = 7;
    VGA_setBiosByte(0x10, 0);
    platform::VbeafClearCallLog();
    ACCEL_restoreTextMode(live);
    EXPECT_EQ(VGA_biosByte(0x10) & 0x30, 0x30);
    const std::vector<platform::VbeafCall> log = platform::VbeafCallLog();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log.front().slot, vb::kWaitIdle);
    EXPECT_EQ(log.back().slot, vb::kRestoreTextMode);
}

} // namespace
