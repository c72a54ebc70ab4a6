// Rules of the accelerated back end's later entries checked against the
// running code: the stippled line (its three entries, the pixels it draws
// beside the library's dotted line), the accelerator's 1-bit image beside
// the software one, the mouse cursor at the screen's edges, stroked text
// through the accelerated line, the nesting of the direct-access bracket,
// the mode set again after a suspension, the stereo sync lines, and the
// support library's selectors over many starts on a VESA card.
#include "AccelStart.h"
#include "DriverFolder.h"
#include "LinkedDrivers.h"
#include "SeededFont.h"
#include "TextTestFonts.h"
#include "VbeafCalls.h"
#include "VbeafWriter.h"

#include "gdl/blit.h"
#include "gdl/ddraw.h"
#include "gdl/defaultdraw.h"
#include "gdl/draw.h"
#include "gdl/fsdirect.h"
#include "gdl/mouse.h"
#include "gdl/pixelformat.h"
#include "gdl/text.h"
#include "gdl/vbe.h"
#include "gdl/vbeaf.h"
#include "platform/Adapter.h"
#include "platform/Vbe.h"
#include "platform/Vbeaf.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

namespace vb = platform::vbeaf;
using Bytes = std::vector<uint8_t>;

class AccelRules2 : public testsupport::DriverFolderTest {
protected:
    // The library on the accelerated card with a driver of `options`, in
    // the mode of `bits` at 640 x 480, and its display context.
    GdlDeviceContext* Start(int32_t bits, const tools::VbeafOptions& options = {},
                            int32_t pages = 1) {
        GDL_resetLibrary();
        if (!testsupport::StartAccelLibrary(dir_, bits, options)) return nullptr;
        GdlDeviceContext* dc = GDL_createDisplayDCPages(pages);
        platform::VbeafClearCallLog();
        return dc;
    }
    // Video memory from the active page's start, `rows` lines of it, once
    // the accelerator has finished.
    static Bytes Rows(GdlDeviceContext* dc, uint32_t rows) {
        ACCEL_waitIdle();
        const GdlDeviceContext* live = GDL_liveDC(dc);
        const uint8_t* at = platform::AdapterVideoMemory().base + live->frameStart;
        return Bytes(at, at + size_t(rows) * live->mode.bytesPerLine);
    }
    // What `draw` leaves on the first 100 rows of a screen of `bits` whose
    // driver lacks the entries `absent`.
    Bytes Drawn(int32_t bits, std::vector<uint32_t> absent,
                const std::function<void(GdlDeviceContext*)>& draw) {
        tools::VbeafOptions o;
        o.absent = std::move(absent);
        GdlDeviceContext* dc = Start(bits, o);
        if (!dc) return {};
        draw(dc);
        Bytes out = Rows(dc, 100);
        GDL_resetLibrary();
        return out;
    }
    static size_t Count(uint32_t slot) { return testsupport::VbeafCallCount(slot); }
};

const std::vector<uint32_t> kNoStipple(std::begin(tools::kStippleEntries),
                                       std::end(tools::kStippleEntries));

// Any one of the stipple, its count and the stippled line missing: no flag
// 20h, and styled lines, the style and its position stay with the library.
TEST_F(AccelRules2, StippledLineNeedsAllThreeEntries) {
    for (uint32_t missing :
         {0u, tools::kStippleEntries[0], tools::kStippleEntries[1], tools::kStippleEntries[2]}) {
        SCOPED_TRACE(missing);
        tools::VbeafOptions o;
        if (missing) o.absent = {missing};
        GdlDeviceContext* dc = Start(16, o);
        ASSERT_NE(dc, nullptr);
        EXPECT_EQ((GDL_liveDC(dc)->flags & 0x20) != 0, missing == 0);
        GDL_setPenStyle(1);
        GDL_setLineStyle(0x00FF);
        GDL_setLineStylePos(3);
        GDL_line(0, 0, 30, 0);
        const size_t driverCalls = Count(vb::kDrawStippleLine) + Count(vb::kSetLineStipple) +
                                   Count(vb::kSetLineStippleCount);
        EXPECT_EQ(driverCalls > 0, missing == 0);
        EXPECT_EQ(GDL_liveDC(dc)->attr.lineStylePos, 3u + 31);
    }
}

// The accelerator's dotted lines are the library's, pixel for pixel, at each
// depth: styles with clear high bits, positions past 16, lines in every
// direction with sub-pixel ends, one pattern continued over several lines,
// a software line of another write mode in between, and a clip.
TEST_F(AccelRules2, StyledLinesDrawAsTheLibrarys) {
    const struct {
        uint32_t style, position;
    } styles[] = {{0x0F0F, 0}, {0x0005, 1}, {0x8001, 14}, {0x0300, 21}, {0xFFFF, 5}, {0, 0}};
    size_t stippled = 0;
    std::vector<uint32_t> positions;
    const auto draw = [&](GdlDeviceContext* dc) {
        GDL_setColor(GDL_liveDC(dc)->mode.bitsPerPixel > 8 ? 0x00A0B0C0 : 9);
        GDL_setPenStyle(1);
        int32_t y = 2;
        for (const auto& s : styles) {
            GDL_setLineStyle(int32_t(s.style));
            GDL_setLineStylePos(s.position);
            GDL_line(3, y, 60, y);
            GDL_line(70, y, 62, y + 9); // drawn right to left
            GDL_line(80, y + 9, 83, y); // steep, upwards
            GDL_lineFX((90 << 16) + 0x8000, (y << 16) + 0x4000, (140 << 16) + 0x2000,
                       ((y + 7) << 16) + 0xC000);
            GDL_setWriteMode(3);
            GDL_line(150, y, 170, y + 3);
            GDL_setWriteMode(0);
            GDL_line(175, y, 230, y + 5);
            positions.push_back(GDL_liveDC(dc)->attr.lineStylePos);
            y += 12;
        }
        GDL_setClipRect(dc, 10, 80, 50, 90);
        GDL_line(0, 78, 60, 95);
        EXPECT_NE(GDL_liveDC(dc)->attr.lineStylePos, 0u);
        stippled = Count(vb::kDrawStippleLine);
    };
    for (int32_t bits : {8, 16, 24, 32}) {
        SCOPED_TRACE(bits);
        positions.clear();
        const Bytes accelerated = Drawn(bits, {}, draw);
        EXPECT_EQ(stippled, 31u);
        const std::vector<uint32_t> movedOn = positions;
        positions.clear();
        const Bytes software = Drawn(bits, kNoStipple, draw);
        EXPECT_EQ(movedOn, positions);
        ASSERT_FALSE(accelerated.empty());
        EXPECT_EQ(accelerated, software);
    }
}

// The accelerator's 1-bit image sets what the library's routine sets: each
// write mode, each fill style, the clip on and off, images
// hanging over every edge of the screen, and bitmap text.
TEST_F(AccelRules2, MonoImagesDrawAsTheLibrarys) {
    uint8_t bits[3 * 12];
    for (int i = 0; i < 36; ++i)
        bits[i] = uint8_t(0x5B * i + 0x31);
    size_t images = 0;
    const testsupport::SeededFont font;
    const auto draw = [&](GdlDeviceContext* dc) {
        const bool deep = GDL_liveDC(dc)->mode.bitsPerPixel > 8;
        GDL_setColor(deep ? 0x00336699 : 0x33);
        GDL_fillRect(0, 0, 640, 100);
        GDL_setColor(deep ? 0x00C0FFEE : 0xC5);
        GDL_setBackColor(deep ? 0x00102030 : 0x12);
        for (int32_t mode = 0; mode < 4; ++mode) {
            GDL_setWriteMode(mode);
            GDL_drawMonoImage(dc, 4 + 30 * mode, 2, 3, 12, bits);
        }
        GDL_setWriteMode(0);
        for (int32_t style = 1; style < 4; ++style) {
            GDL_setFillStyle(style);
            GDL_drawMonoImage(dc, 130 + 30 * style, 20, 3, 12, bits);
        }
        GDL_setFillStyle(0);
        GDL_setClipRect(dc, 165, 5, 180, 10);
        GDL_drawMonoImage(dc, 160, 2, 3, 12, bits);
        GDL_setClipMode(dc, 0);
        GDL_drawMonoImage(dc, 200, 2, 3, 12, bits);
        GDL_drawMonoImage(dc, -9, 20, 3, 12, bits);
        GDL_drawMonoImage(dc, 630, 40, 3, 12, bits); // past the right edge
        GDL_drawMonoImage(dc, 300, -5, 3, 12, bits);
        GDL_setClipMode(dc, 1);
        GDL_setClipRect(dc, 0, 0, 640, 90);
        GDL_drawMonoImage(dc, 400, 85, 3, 12, bits);
        images = Count(vb::kPutMonoImage);
        // Bitmap text through whatever draws the images, cut by the clip.
        ASSERT_TRUE(GDL_useFont(&font.font));
        GDL_drawStrAt(10, 60, "ABCDEF");
        GDL_drawStrAt(590, 84, "FEDCBA");
    };
    for (int32_t depth : {8, 16, 24, 32}) {
        SCOPED_TRACE(depth);
        const Bytes accelerated = Drawn(depth, {}, draw);
        EXPECT_EQ(images, 12u) << "all but the opaque pattern's";
        const Bytes software = Drawn(depth, {vb::kPutMonoImage}, draw);
        ASSERT_FALSE(accelerated.empty());
        EXPECT_EQ(accelerated, software);
    }
}

// The cursor draw opens the clip to the screen, not past it: a cursor over
// the right and bottom edges leaves the next row's start and the memory
// after the last row (the second page) alone; one over the top-left corner
// draws only its visible part.
TEST_F(AccelRules2, CursorStaysOnTheScreen) {
    GdlDeviceContext* dc = Start(8, {}, 2);
    ASSERT_NE(dc, nullptr);
    GdlDeviceContext* live = GDL_liveDC(dc);
    ASSERT_EQ(live->mode.maxPage, 1u);
    const uint32_t pitch = live->mode.bytesPerLine;
    uint8_t andMask[128], xorMask[128];
    std::fill(std::begin(andMask), std::end(andMask), 0xFF);
    std::fill(std::begin(xorMask), std::end(xorMask), 0xFF);
    GDL_setColor(4);
    GDL_fillRect(0, 0, 640, 480);
    GDL_setClipRect(dc, 200, 200, 300, 300);
    const Bytes before = Rows(dc, 2 * 480);
    live->v.drawCursorImage(live, 624, 470, 4, 32, andMask, xorMask, 7);
    live->v.drawCursorImage(live, -20, -25, 4, 32, andMask, xorMask, 7);
    const Bytes after = Rows(dc, 2 * 480);
    EXPECT_EQ(after[470 * pitch + 639], 7);
    EXPECT_EQ(after[479 * pitch + 624], 7);
    EXPECT_EQ(after[471 * pitch + 0], 4) << "wrapped into the next row";
    EXPECT_EQ(after[6 * pitch + 0], 7);
    EXPECT_EQ(after[6 * pitch + 12], 4);
    for (size_t at = 480 * size_t(pitch); at < after.size(); ++at)
        ASSERT_EQ(after[at], before[at]) << "past the screen at " << at;
    EXPECT_EQ(GDL_liveDC(dc)->clipDevice.left, 200);
}

// Stroked text goes through the accelerated line with no bracket of its own
// and lands where the library's line puts it, in the screen and over its
// edge.
TEST_F(AccelRules2, StrokedTextThroughTheAcceleratedLine) {
    TestFont font;
    font.font.fontType = GDL_FONT_STROKED;
    font.font.fontHeight = 9;
    font.font.ascent = 6;
    font.font.descent = -2;
    font.font.maxWidth = 10;
    font.addStrokes('T', 7,
                    {DRV_makeStroke(0, 0, true), DRV_makeStroke(5, 0, false),
                     DRV_makeStroke(2, 0, true), DRV_makeStroke(2, 6, false),
                     DRV_makeStroke(6, 3, false)});
    size_t lines = 0, brackets = 0;
    const auto draw = [&](GdlDeviceContext* dc) {
        GDL_setColor(GDL_liveDC(dc)->mode.bitsPerPixel > 8 ? 0x00FF00FF : 200);
        ASSERT_TRUE(GDL_useFont(&font.font));
        platform::VbeafClearCallLog();
        GDL_drawStrAt(20, 30, "TTT");
        GDL_drawStrAt(634, 50, "TT");
        GDL_drawStrAt(-3, 2, "T");
        lines = Count(vb::kDrawLine);
        brackets = Count(vb::kEnableDirect);
    };
    for (int32_t bits : {8, 32}) {
        SCOPED_TRACE(bits);
        const Bytes accelerated = Drawn(bits, {}, draw);
        EXPECT_GT(lines, 0u);
        EXPECT_EQ(brackets, 0u);
        const Bytes software = Drawn(bits, {vb::kDrawLine}, draw);
        ASSERT_FALSE(accelerated.empty());
        EXPECT_EQ(accelerated, software);
    }
}

// The direct-access bracket nests: a wrapped routine that calls other
// wrapped ones, and several inside a caller's bracket, enable access once
// and disable it once; an end with no begin calls nothing and leaves the
// count where it was. Without the access pair every begin waits.
TEST_F(AccelRules2, DirectAccessNests) {
    GdlDeviceContext* dc = Start(16);
    ASSERT_NE(dc, nullptr);
    GDL_ellipse(10, 10, 60, 40); // the wrapped outline through the wrapped pixel
    EXPECT_EQ(Count(vb::kEnableDirect), 1u);
    EXPECT_EQ(Count(vb::kDisableDirect), 1u);
    platform::VbeafClearCallLog();
    GDL_beginPixelAccess();
    GDL_setFillStyle(1); // opaque pattern rows in software
    GDL_fillEllipse(10, 10, 60, 40);
    GDL_setFillStyle(0);
    GDL_putPixel(1, 1);
    GDL_setLineStyle(0x0F0F);
    GDL_setPenStyle(1);
    GDL_line(0, 50, 40, 50);
    GDL_endPixelAccess();
    EXPECT_EQ(Count(vb::kEnableDirect), 1u);
    EXPECT_EQ(Count(vb::kDisableDirect), 1u);
    EXPECT_EQ(DDRAW_lockCount(), -1);
    // A wrapped routine's value comes back inside a bracket and outside.
    GDL_setColor(0x1234);
    GDL_putPixel(7, 7);
    EXPECT_EQ(GDL_getPixel(7, 7), 0x1234u);
    GDL_beginPixelAccess();
    EXPECT_EQ(GDL_getPixel(7, 7), 0x1234u);
    GDL_endPixelAccess();
    platform::VbeafClearCallLog();
    ACCEL_endAccess();
    EXPECT_EQ(Count(vb::kDisableDirect), 0u);
    EXPECT_EQ(DDRAW_lockCount(), -1);
    GDL_putPixel(2, 2);
    EXPECT_EQ(Count(vb::kEnableDirect), 1u);
    EXPECT_EQ(DDRAW_lockCount(), -1);

    tools::VbeafOptions plain;
    plain.absent = {vb::kEnableDirect, vb::kDisableDirect};
    dc = Start(16, plain);
    ASSERT_NE(dc, nullptr);
    ACCEL_beginAccess();
    EXPECT_EQ(Count(vb::kWaitIdle), 1u);
    ACCEL_beginAccess();
    EXPECT_EQ(Count(vb::kWaitIdle), 2u);
    ACCEL_endAccess();
    ACCEL_endAccess();
    ACCEL_endAccess();
    EXPECT_EQ(Count(vb::kWaitIdle), 2u) << "an end calls nothing";
    EXPECT_EQ(DDRAW_lockCount(), -1);
}

// A mode set again after a suspension starts the accelerator afresh: the
// write mode the context still has is told to it again, so a fill in
// exclusive or stays one.
TEST_F(AccelRules2, WriteModeSurvivesASuspension) {
    GdlDeviceContext* dc = Start(8);
    ASSERT_NE(dc, nullptr);
    GdlDeviceContext* live = GDL_liveDC(dc);
    GDL_setWriteMode(3);
    GDL_setColor(6);
    platform::RealModeRegs text{};
    text.eax = 0x0003;
    platform::RealModeInterrupt(0x10, &text);
    platform::VbeafClearCallLog();
    ASSERT_TRUE(ACCEL_restoreMode(live));
    GDL_fillRect(10, 10, 20, 20);
    GDL_fillRect(10, 10, 20, 20);
    EXPECT_EQ(Count(vb::kDrawRect), 2u);
    EXPECT_EQ(Rows(dc, 20)[15 * GDL_liveDC(dc)->mode.bytesPerLine + 15], 0) << "twice: gone";
}

// A whole suspension through the support library's handler: the screen
// comes back with its pages, its write mode in the accelerator and the
// hardware cursor's colour and place as the library had them.
TEST_F(AccelRules2, ScreenComesBackWholeAfterASuspension) {
    GdlDeviceContext* dc = Start(8, {}, 2);
    ASSERT_NE(dc, nullptr);
    uint8_t record[GDL_CURSOR_RECORD_SIZE]{};
    record[0] = 0x80;
    GDL_setMouseDC(dc);
    GDL_setMouseCursor(record);
    GDL_setMouseColor(12);
    GDL_mouseMoved(30, 40);
    GDL_showMouse();
    GDL_setActivePage(dc, 1);
    GDL_setVisualPage(dc, 1, 0);
    GDL_setWriteMode(3);
    GDL_setColor(6);
    ASSERT_EQ(GDL_fsDirectSuspendHandler(1), 1);
    platform::VbeafClearCallLog();
    ASSERT_EQ(GDL_fsDirectSuspendHandler(2), 1);
    EXPECT_EQ(testsupport::VbeafCalls(vb::kSetMode).size(), 1u);
    EXPECT_EQ(testsupport::VbeafCalls(vb::kSetVisibleBuffer).back()[0], 1);
    EXPECT_EQ(testsupport::VbeafCalls(vb::kSetCursorColor).back(),
              (std::vector<int64_t>{12, 0, 0}));
    EXPECT_TRUE(platform::VbeafCursor().shown);
    EXPECT_EQ(platform::VbeafCursor().x, 30);
    GDL_fillRect(10, 10, 20, 20);
    GDL_fillRect(10, 10, 20, 20);
    const GdlDeviceContext* live = GDL_liveDC(dc);
    EXPECT_EQ(live->frameStart, int32_t(live->mode.pageSize)) << "drawing on page 1";
    EXPECT_EQ(Rows(dc, 20)[15 * live->mode.bytesPerLine + 15], 0) << "exclusive or, twice";
    GDL_hideMouse();
    GDL_setMouseDC(nullptr);
}

// A suspension sets the same mode word again (pages, refresh) and keeps
// the text mode saved by the first mode set, the refresh and the rendering.
TEST_F(AccelRules2, SuspensionKeepsTheModeWordAndTheTextMode) {
    GDL_resetLibrary();
    ASSERT_TRUE(testsupport::StartAccelLibrary(dir_, 16, {}));
    platform::VbeafClearCallLog();
    GdlDeviceContext* dc = GDL_createDisplayDC(-1, -1, 2, 0, 75);
    ASSERT_NE(dc, nullptr);
    GdlDeviceContext* live = GDL_liveDC(dc);
    auto* st = static_cast<VbeDriverState*>(live->driverState);
    ASSERT_EQ(testsupport::VbeafCalls(vb::kSetMode).size(), 1u);
    const int64_t word = testsupport::VbeafCalls(vb::kSetMode)[0][0];
    EXPECT_EQ(word & 0x2800, 0x2800) << "pages and refresh";
    const int32_t savedMode = st->savedMode, savedLines = st->savedLines, refresh = st->refresh;
    const uint32_t flags = live->flags;
    const auto fill = live->v.tables[0].fillRect;
    platform::RealModeRegs text{};
    text.eax = 0x0003;
    platform::RealModeInterrupt(0x10, &text);
    platform::VbeafClearCallLog();
    ASSERT_TRUE(ACCEL_restoreMode(live));
    ASSERT_EQ(testsupport::VbeafCalls(vb::kSetMode).size(), 1u);
    EXPECT_EQ(testsupport::VbeafCalls(vb::kSetMode)[0][0], word);
    EXPECT_EQ(st->savedMode, savedMode);
    EXPECT_EQ(st->savedLines, savedLines);
    EXPECT_EQ(st->refresh, refresh);
    EXPECT_EQ(live->flags, flags);
    EXPECT_EQ(live->v.tables[0].fillRect, fill);
    EXPECT_EQ(st->stereoOn, 0);
}

// Stereo sync lines at 24 and 32 bits: the packed blue on the first quarter
// of the left eye's last line and three quarters of the right eye's. A
// visible page outside the pages draws nothing and calls nothing.
TEST_F(AccelRules2, StereoSyncLinesAtTheWideDepths) {
    for (int32_t bits : {24, 32}) {
        SCOPED_TRACE(bits);
        GDL_resetLibrary();
        ASSERT_TRUE(platform::UseAdapter("accel"));
        tools::VbeafOptions o;
        o.memoryKB = 8192; // two pages of two eyes at 32 bits
        o.modes = {{0x112, 640, 480, uint8_t(bits), 4, 0x1 | 0x8 | 0x10 | 0x40 | 0x800}};
        ASSERT_TRUE(testsupport::StartAccelLibrary(dir_, bits, o));
        GdlDeviceContext* dc = GDL_createDisplayDC(-1, -1, 2, 1, 0);
        ASSERT_NE(dc, nullptr);
        GdlDeviceContext* live = GDL_liveDC(dc);
        auto* st = static_cast<VbeDriverState*>(live->driverState);
        st->startStereo(live);
        for (int32_t page : {-1, 2}) {
            platform::VbeafClearCallLog();
            GDL_setVisualPage(dc, page, 0);
            EXPECT_TRUE(platform::VbeafCallLog().empty()) << page;
        }
        const uint32_t blue = GDL_packColor(&live->format, 0, 0, 255);
        const uint32_t bytes = uint32_t(bits) / 8;
        ACCEL_waitIdle();
        const uint8_t* video = platform::AdapterVideoMemory().base;
        for (uint32_t eye = 0; eye < 2; ++eye) {
            SCOPED_TRACE(eye);
            const uint8_t* row =
                video + size_t(live->mode.pageSize) * eye + 479 * live->mode.bytesPerLine;
            auto at = [&](uint32_t x) {
                uint32_t v = 0;
                for (uint32_t b = 0; b < bytes; ++b)
                    v |= uint32_t(row[x * bytes + b]) << (8 * b);
                return v;
            };
            const uint32_t lit = eye ? 480 : 160;
            EXPECT_EQ(at(0), blue);
            EXPECT_EQ(at(lit - 1), blue);
            EXPECT_EQ(at(lit), 0u);
            EXPECT_EQ(at(639), 0u);
        }
        GDL_destroyDisplayDC(dc);
    }
}

// The VESA module gives its selectors back at each exit on a plain VESA
// card too: the three hundredth start works as the first.
TEST_F(AccelRules2, ManyStartsOnAVesaCard) {
    ASSERT_TRUE(platform::UseAdapter("vbe20"));
    for (int i = 0; i < 300; ++i) {
        testsupport::RegisterLinkedDrivers({"LINEAR"});
        int32_t driver = -1, mode = testsupport::ModeOf(640, 480, 16);
        ASSERT_TRUE(GDL_init(&driver, &mode, ".")) << i;
        ASSERT_NE(GDL_createDisplayDCPages(1), nullptr) << i;
        GDL_exit();
    }
}

} // namespace
