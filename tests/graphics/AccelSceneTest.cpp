// The library's scene on the ACCEL drivers at every depth, with the
// accelerator drawing what it offers and the software renderers the rest:
// after the accelerator is idle, video memory equals a memory context of the
// same format row by row, and the scan-out (without the cursor overlay)
// equals it through the same palette. With and without the direct-access
// pair and the hardware clip, with one and two pages. Lines of every kind,
// bitmap text and the mouse cursor likewise, with and without the stippled
// line's and the 1-bit image's entries.
#include "GdlScene.h"
#include "LinkedDrivers.h"
#include "MemoryDesktop.h"
#include "PixelCheck.h"
#include "SeededFont.h"
#include "TempDir.h"
#include "VbeafWriter.h"

#include "gdl/blit.h"
#include "gdl/draw.h"
#include "gdl/font.h"
#include "gdl/text.h"
#include "gdl/vbeaf.h"
#include "platform/Adapter.h"
#include "platform/Vbeaf.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

namespace vb = platform::vbeaf;

struct Case {
    int32_t bits;
    int32_t pages;
    bool direct; // the enable and disable direct-access entries
    bool clip;   // the hardware clip entry
};

// The library on a memory desktop with the working folder a folder of its
// own (where the driver file is written).
template <typename Param> class AccelFolder : public ::testing::TestWithParam<Param> {
protected:
    void SetUp() override {
        testsupport::UseMemoryDesktopWithRegistryIn(folder_.Path(), 32);
        was_ = std::filesystem::current_path();
        std::filesystem::current_path(folder_.Path());
    }
    void TearDown() override {
        GDL_exit();
        platform::VbeafShowCursorOverlay(true);
        std::filesystem::current_path(was_);
    }
    // The screen of `pages` in 640 x 480 at `bits` through a driver of
    // `options` on the accelerator card, and a memory context of its format
    // (null when either cannot be made).
    GdlDeviceContext* Open(const tools::VbeafOptions& options, int32_t bits, int32_t pages,
                           GdlDeviceContext** memory) {
        if (!platform::UseAdapter("accel")) return nullptr;
        folder_.Write("VBEAF.DRV", tools::WriteVbeaf(options));
        testsupport::RegisterLinkedDrivers({"ACCEL"});
        int32_t driver = GDL_TYPE_ACCEL_SVGA, mode = testsupport::ModeOf(640, 480, bits);
        if (!GDL_init(&driver, &mode, ".")) return nullptr;
        EXPECT_STREQ(GDL_modeDriverName(mode), ACCEL_header(bits)->driverName);
        GdlDeviceContext* screen = GDL_createDisplayDCPages(pages);
        if (!screen) return nullptr;
        platform::VbeafShowCursorOverlay(false);
        GdlPixelFormat format = GDL_liveDC(screen)->format;
        *memory = GDL_createMemoryDC(640, 480, bits, bits > 8 ? &format : nullptr);
        return *memory ? screen : nullptr;
    }
    testsupport::TempDir folder_;
    std::filesystem::path was_;
};

class AccelScene : public AccelFolder<Case> {};

TEST_P(AccelScene, EveryPageMatchesAMemoryContext) {
    const Case c = GetParam();
    tools::VbeafOptions o;
    if (!c.direct) o.absent = {vb::kEnableDirect, vb::kDisableDirect};
    if (!c.clip) o.absent.push_back(vb::kSetClipRect);
    GdlDeviceContext* memory = nullptr;
    GdlDeviceContext* screen = Open(o, c.bits, c.pages, &memory);
    ASSERT_NE(screen, nullptr);
    ASSERT_TRUE(GDL_liveDC(screen)->flags & 0x80) << "accelerated";
    const std::string stem = ::testing::TempDir() + "accel-" + std::to_string(c.bits) + "-" +
                             std::to_string(c.direct) + std::to_string(c.clip);
    for (int32_t page = 0; page < c.pages; ++page) {
        SCOPED_TRACE(page);
        GDL_setActivePage(screen, page);
        platform::VbeafClearCallLog();
        tools::DrawGdlScene(screen, page);
        tools::DrawGdlScene(memory, page);
        size_t drawn = 0;
        for (const platform::VbeafCall& call : platform::VbeafCallLog())
            drawn += call.slot >= vb::kDrawScan ? 1 : 0;
        EXPECT_GT(drawn, 20u) << "the accelerator drew its part";
        ACCEL_waitIdle();
        EXPECT_EQ(platform::VbeafQueuedOperations(), 0u);
        EXPECT_TRUE(testsupport::ActivePageMatches(screen, GDL_liveDC(memory), stem));
        GDL_setVisualPage(screen, page, 1);
        EXPECT_TRUE(testsupport::ScanOutMatches(GDL_liveDC(memory), stem));
    }
    GDL_destroyDisplayDC(screen);
}

// Seeded lines with sub-pixel ends, far past the surface too: styled ones of
// many patterns and positions (continued from line to line, set anew, and
// after a software line), solid ones, in replace and exclusive-or, before
// and after a clip.
void drawLines(GdlDeviceContext* dc, uint32_t colourMask) {
    std::mt19937 r(11);
    const auto at = [&](int lo, int hi) {
        return int32_t(lo * 65536 + int32_t(r() % uint32_t((hi - lo) * 65536)));
    };
    static const uint32_t kStyles[] = {0x0F0F, 0x0001, 0x8000, 0x0000, 0xFFFF,
                                       0x0005, 0x00F0, 0x3FFC, 0x1248, 0xF000};
    for (int i = 0; i < 400; ++i) {
        if (i % 7 == 0) GDL_setLineStyle(kStyles[i / 7 % 10]);
        if (i % 11 == 0) GDL_setLineStylePos(r() % 40);
        if (i == 200) GDL_setClipRect(dc, 50, 40, 500, 400);
        GDL_setWriteMode(i % 4 == 0 ? 3 : 0);
        GDL_setPenStyle(i % 5 == 4 ? 0 : 1);
        GDL_setColor(uint32_t(r()) & colourMask);
        if (i % 9 == 0) { // vertical, horizontal, a point; whole ends at ties
            const int32_t x = at(-5, 645), y = at(-5, 485), k = int32_t(r() % 30) - 15;
            GDL_lineFX(x, y, x, at(-5, 485));
            GDL_lineFX(x, y, at(-5, 645), y);
            GDL_lineFX(x, y, x + 0x4000, y + 0x2000);
            GDL_line(x >> 16, y >> 16, (x >> 16) + 2 * k, (y >> 16) + k);
            GDL_line(x >> 16, y >> 16, (x >> 16) - k, (y >> 16) + 2 * k);
        }
        GDL_lineFX(at(-30, 670), at(-30, 510), at(-30, 670), at(-30, 510));
        if (i % 3 == 0) GDL_lineFX(at(0, 640), at(0, 480), at(0, 640), at(0, 480));
    }
    GDL_setClipRect(dc, 0, 0, 640, 480);
    GDL_setWriteMode(0);
    GDL_setPenStyle(0);
}

// Text in the four directions, cut by a clip, replaced and exclusive-or'd.
void drawText(GdlDeviceContext* dc, const GdlFont* font, uint32_t colour) {
    ASSERT_TRUE(GDL_useFont(font));
    GDL_setClipRect(dc, 20, 20, 600, 460);
    GDL_setColor(colour);
    for (int32_t direction = 0; direction < 4; ++direction) {
        GDL_setTextDirection(direction);
        GDL_setWriteMode(direction % 2 ? 3 : 0);
        GDL_drawStrAt(300, 240, "ABCDEFAB xyz");
        GDL_drawStrAt(15, 18 + direction * 120, "FEDCBA");
        GDL_drawStrAt(590, 455, "ABCABC");
    }
    GDL_setTextDirection(2);
    GDL_setWriteMode(0);
}

// The mouse cursor over a clip it ignores, past the screen's edges; the
// clip, write mode and colour it was drawn under then cut and mix a fill.
void drawCursors(GdlDeviceContext* dc, uint32_t colour) {
    uint8_t andMask[128], xorMask[128];
    for (int i = 0; i < 128; ++i) {
        andMask[i] = uint8_t(i % 4 == 0 ? 0xF0 : 0x3C + i);
        xorMask[i] = uint8_t(i * 37);
    }
    GDL_setClipRect(dc, 100, 100, 300, 300);
    GDL_setWriteMode(2);
    GDL_setColor(colour);
    GdlDeviceContext* live = GDL_liveDC(dc);
    static const int32_t kPlaces[4][2] = {{90, 90}, {620, 470}, {-10, -5}, {200, 200}};
    for (const auto& p : kPlaces)
        live->v.drawCursorImage(live, p[0], p[1], 4, 32, andMask, xorMask, colour ^ 0x5A5A5A5Au);
    GDL_fillRect(0, 0, 640, 480);
    GDL_setWriteMode(0);
    GDL_setClipRect(dc, 0, 0, 640, 480);
}

struct PrimitiveCase {
    int32_t bits;
    bool stipple;   // the stippled line's entries
    bool monoImage; // the 1-bit image entry (else the image field says so)
    bool direct;
};

class AccelPrimitives : public AccelFolder<PrimitiveCase> {};

TEST_P(AccelPrimitives, LinesTextAndCursorMatchAMemoryContext) {
    const PrimitiveCase c = GetParam();
    tools::VbeafOptions o;
    if (!c.direct) o.absent = {vb::kEnableDirect, vb::kDisableDirect};
    if (!c.stipple)
        o.absent.insert(o.absent.end(), std::begin(tools::kStippleEntries),
                        std::end(tools::kStippleEntries));
    if (!c.monoImage) o.absent.push_back(vb::kPutMonoImage), o.monoImageField = 0x10;
    GdlDeviceContext* memory = nullptr;
    GdlDeviceContext* screen = Open(o, c.bits, 1, &memory);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ((GDL_liveDC(screen)->flags & 0x20) != 0, c.stipple);
    const testsupport::SeededFont font;
    const uint32_t mask = c.bits >= 32 ? 0xFFFFFFFFu : (1u << c.bits) - 1;
    platform::VbeafClearCallLog();
    for (GdlDeviceContext* dc : {screen, memory}) {
        GDL_selectCurrentDC(dc);
        GDL_setDefaultAttributes(dc);
        GDL_setColor(0);
        GDL_clearDevice();
        drawLines(dc, mask);
        drawText(dc, &font.font, 0x3C3C3C3Cu & mask);
        drawCursors(dc, 0x66666666u & mask);
    }
    size_t stippled = 0, images = 0;
    GDL_selectCurrentDC(screen);
    ACCEL_waitIdle();
    for (const platform::VbeafCall& call : platform::VbeafCallLog()) {
        stippled += call.slot == vb::kDrawStippleLine;
        images += call.slot == vb::kPutMonoImage;
    }
    EXPECT_EQ(stippled > 100, c.stipple);
    EXPECT_EQ(images > 20, c.monoImage);
    const std::string stem = ::testing::TempDir() + "accel-prims-" + std::to_string(c.bits);
    EXPECT_TRUE(testsupport::ActivePageMatches(screen, GDL_liveDC(memory), stem));
    GDL_destroyDisplayDC(screen);
}

INSTANTIATE_TEST_SUITE_P(Depths, AccelScene,
                         ::testing::Values(Case{8, 1, true, true}, Case{8, 2, false, false},
                                           Case{15, 1, true, false}, Case{16, 2, true, true},
                                           Case{16, 1, false, true}, Case{24, 1, true, true},
                                           Case{32, 2, false, true}, Case{32, 1, true, false}));

INSTANTIATE_TEST_SUITE_P(
    Entries, AccelPrimitives,
    ::testing::Values(PrimitiveCase{8, true, true, true}, PrimitiveCase{8, false, false, false},
                      PrimitiveCase{15, true, false, true}, PrimitiveCase{16, true, true, false},
                      PrimitiveCase{24, false, true, true}, PrimitiveCase{32, true, true, true}));

} // namespace
