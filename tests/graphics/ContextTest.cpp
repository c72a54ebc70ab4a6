// Device contexts: creation, the current context and its state block,
// destruction, display contexts sharing their driver state.
#include <gtest/gtest.h>

#include "TestDriver.h"
#include "gdl/dc.h"
#include "gdl/draw.h"
#include "gdl/result.h"
#include "platform/Gdi.h"

namespace {

class ContextTest : public ::testing::Test {
protected:
    void SetUp() override {
        GDL_exit();
        GDL_unregisterAllDrivers();
        testdrv::registerMemoryDrivers();
        GDL_lastResult();
    }
    void TearDown() override {
        GDL_exit();
        GDL_unregisterAllDrivers();
        EXPECT_EQ(GDL_contextCount(3), 0);
        EXPECT_EQ(testdrv::familyState(), nullptr); // every reference dropped
    }
};

TEST_F(ContextTest, MemoryContextsAtEveryDepth) {
    for (int32_t bits : {1, 4, 8, 15, 16, 24, 32}) {
        GdlDeviceContext* dc = GDL_createMemoryDC(10, 7, bits, nullptr);
        ASSERT_NE(dc, nullptr) << bits;
        EXPECT_EQ(dc->type, GDL_DC_MEMORY);
        EXPECT_EQ(GDL_getBitsPerPixel(dc), bits);
        EXPECT_EQ(GDL_maxX(dc), 9);
        EXPECT_EQ(GDL_maxY(dc), 6);
        EXPECT_EQ(dc->bounds.right, 10);
        EXPECT_EQ(dc->bounds.bottom, 7);
        EXPECT_NE(dc->palette, nullptr);
        EXPECT_EQ(dc->palette[15].red, 0); // memory contexts get no default palette
        EXPECT_EQ(GDL_getClipMode(dc), 1);
        EXPECT_NE(dc->winDC, nullptr) << bits; // every depth gets a DIB section
        EXPECT_TRUE(GDL_destroyDC(dc));
    }
    // 15 bits uses the 16-bit driver; other depths are refused.
    GdlDeviceContext* dc15 = GDL_createMemoryDC(4, 4, 15, nullptr);
    ASSERT_NE(dc15, nullptr);
    EXPECT_EQ(GDL_liveDC(dc15)->format.redPosition, 10);
    GDL_destroyDC(dc15);
    EXPECT_EQ(GDL_createMemoryDC(4, 4, 12, nullptr), nullptr);
    EXPECT_EQ(GDL_lastResult(), GDL_INVALID_MODE);
    EXPECT_EQ(GDL_createMemoryDC(0, 4, 8, nullptr), nullptr);
    EXPECT_EQ(GDL_createMemoryDC(4, -1, 8, nullptr), nullptr);
}

TEST_F(ContextTest, MissingMemoryDriverIsReported) {
    GDL_unregisterAllDrivers();
    EXPECT_EQ(GDL_createMemoryDC(4, 4, 8, nullptr), nullptr);
    EXPECT_EQ(GDL_lastResult(), GDL_DRIVER_NOT_FOUND);
    EXPECT_EQ(GDL_contextCount(3), 0);
}

TEST_F(ContextTest, CallerSurfaceAndFormatAreKept) {
    uint8_t pixels[4 * 3 * 4] = {};
    GdlDeviceContext* dc =
        GDL_createMemoryDCEx(3, 4, 32, &GDL_pixelFormatBGRA, 16, pixels, nullptr);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(dc->surface, pixels);
    EXPECT_EQ(dc->mode.bytesPerLine, 16u);
    EXPECT_EQ(dc->format.redPosition, 8);
    GDL_selectCurrentDC(dc);
    GDL_setColor(0x11223344);
    GDL_putPixel(2, 1);
    uint32_t v;
    std::memcpy(&v, pixels + 16 + 8, 4);
    EXPECT_EQ(v, 0x11223344u);
    EXPECT_TRUE(GDL_destroyDC(dc)); // the caller's memory is not freed
}

TEST_F(ContextTest, MemorySurfacesAreDibSectionsGdiCanDrawOn) {
    GdlDeviceContext* dc = GDL_createMemoryDC(6, 5, 32, nullptr);
    ASSERT_NE(dc, nullptr);
    ASSERT_NE(dc->winDC, nullptr);
    ASSERT_NE(dc->bitmap, nullptr);
    EXPECT_EQ(dc->mode.bytesPerLine, 24u);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT r{1, 1, 3, 2};
    FillRect(dc->winDC, &r, red);
    DeleteObject(red);
    EXPECT_EQ(testdrv::readPixel(dc, 1, 1), 0xFF0000u); // red at 16 in the default format
    EXPECT_EQ(testdrv::readPixel(dc, 3, 1), 0u);
    EXPECT_TRUE(GDL_destroyDC(dc)); // section and Windows DC go with it

    // Rows that a DIB cannot have keep plain memory.
    GdlDeviceContext* odd = GDL_createMemoryDCEx(3, 3, 8, nullptr, 5, nullptr, nullptr);
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(odd->winDC, nullptr);
    EXPECT_NE(odd->surface, nullptr);
    EXPECT_TRUE(GDL_destroyDC(odd));
}

TEST_F(ContextTest, PaletteRealisationReachesTheSectionsColourTable) {
    GdlDeviceContext* dc = GDL_createMemoryDC(4, 4, 8, nullptr);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(DRV_getMemDC(dc), dc->winDC);
    // A whole palette and the first index: entry i goes to entry i.
    GdlPaletteEntry entries[256]{};
    entries[0] = {99, 99, 99, 0};
    entries[100] = {3, 2, 1, 0}, entries[101] = {6, 5, 4, 0}, entries[102] = {9, 8, 7, 0};
    entries[255] = {12, 11, 10, 0};
    DRV_realizePalette(dc, entries, 3, 100, 0);
    EXPECT_EQ(dc->palette[100].red, 1);
    EXPECT_EQ(dc->palette[101].red, 4);
    EXPECT_EQ(dc->palette[0].red, 0) << "entries outside the range stay";
    RGBQUAD q[3];
    ASSERT_EQ(GetDIBColorTable(dc->winDC, 100, 3, q), 3u);
    EXPECT_EQ(q[2].rgbRed, 7);
    EXPECT_EQ(q[2].rgbBlue, 9);
    DRV_realizePalette(dc, entries, 3, 255, 0); // cut at the end of the table
    EXPECT_EQ(dc->palette[255].red, 10);
    EXPECT_EQ(dc->palette[254].red, 0);
    DRV_deleteMemDC(dc); // the section's own DC stays with the surface
    EXPECT_NE(dc->winDC, nullptr);
    GDL_destroyDC(dc);
}

TEST_F(ContextTest, CallerBitmapGetsAWindowsDcAndStaysTheCallers) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 4;
    info.bmiHeader.biHeight = -4;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bitmap, nullptr);
    GdlDeviceContext* dc = GDL_createMemoryDCEx(4, 4, 32, nullptr, 16, bits, bitmap);
    ASSERT_NE(dc, nullptr);
    EXPECT_NE(dc->winDC, nullptr);
    EXPECT_EQ(dc->bitmap, bitmap);
    EXPECT_TRUE(GDL_destroyDC(dc));
    EXPECT_TRUE(DeleteObject(bitmap)); // no longer selected anywhere
}

TEST_F(ContextTest, SelectingKeepsRecordAndStateBlockInStep) {
    GdlDeviceContext* a = GDL_createMemoryDC(8, 8, 8, nullptr);
    GdlDeviceContext* b = GDL_createMemoryDC(8, 8, 8, nullptr);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(GDL_currentDC(), nullptr);
    EXPECT_EQ(GDL_selectCurrentDC(a), nullptr);
    EXPECT_TRUE(GDL_isCurrentDC(a));
    GDL_setColor(7);
    EXPECT_EQ(a->attr.color, 15u);        // the record waits until another context is current
    EXPECT_EQ(GDL_selectCurrentDC(a), a); // again: nothing copied
    EXPECT_EQ(a->attr.color, 15u);
    EXPECT_EQ(GDL_selectCurrentDC(b), a);
    EXPECT_EQ(a->attr.color, 7u);
    EXPECT_EQ(GDL_stateBlock.attr.color, 15u);
    EXPECT_EQ(GDL_selectCurrentDC(&GDL_stateBlock), b); // the block itself: no change
    GDL_setWriteMode(3);
    EXPECT_EQ(GDL_selectCurrentDC(nullptr), b);
    EXPECT_EQ(b->attr.writeMode, 3);
    EXPECT_EQ(GDL_currentDC(), nullptr);
    // Selecting re-applies write mode and fill style, so the table follows.
    GDL_selectCurrentDC(b);
    EXPECT_EQ(GDL_currentRenderTable(), 1);
    GDL_selectCurrentDC(a);
    EXPECT_EQ(GDL_currentRenderTable(), 0);
    GDL_destroyDC(a);
    GDL_destroyDC(b);
}

TEST_F(ContextTest, DestroyRules) {
    EXPECT_TRUE(GDL_destroyDC(nullptr));
    GdlDeviceContext* dc = GDL_createMemoryDC(4, 4, 8, nullptr);
    ASSERT_NE(dc, nullptr);
    GDL_selectCurrentDC(dc);
    EXPECT_EQ(GDL_contextCount(3), 1);
    EXPECT_TRUE(GDL_destroyDC(dc)); // current: made not current first
    EXPECT_EQ(GDL_currentDC(), nullptr);
    EXPECT_EQ(GDL_contextCount(3), 0);

    GdlDeviceContext stranger{};
    stranger.type = GDL_DC_MEMORY;
    EXPECT_FALSE(GDL_destroyDC(&stranger));
    EXPECT_EQ(GDL_lastResult(), GDL_INVALID_DC);
    stranger.type = 9;
    EXPECT_FALSE(GDL_destroyDC(&stranger));
    EXPECT_EQ(GDL_lastResult(), GDL_INVALID_DC);
}

TEST_F(ContextTest, ExitDestroysEveryContext) {
    for (int i = 0; i < 3; ++i)
        ASSERT_NE(GDL_createMemoryDC(4, 4, 32, nullptr), nullptr);
    EXPECT_EQ(GDL_contextCount(3), 3);
    EXPECT_EQ(testdrv::familyState()->refCount, 3);
    GDL_exit();
    EXPECT_EQ(GDL_contextCount(3), 0);
}

class DisplayTest : public ContextTest {
protected:
    void SetUp() override {
        ContextTest::SetUp();
        ASSERT_EQ(GDL_registerDriver("VGA8.DRV", &testdrv::displayHeader()), GDL_OK);
        int32_t driver = -1, mode = 71;
        ASSERT_TRUE(GDL_init(&driver, &mode, nullptr));
        testdrv::counters() = {};
    }
};

TEST_F(DisplayTest, DisplayContextsShareTheDriverState) {
    GdlDeviceContext* first = GDL_createDisplayDCPages(1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->type, GDL_DC_FULLSCREEN);
    EXPECT_TRUE(GDL_isCurrentDC(first));
    EXPECT_EQ(GDL_maxX(first), 319);
    // A 32-bit display context takes its colours from the default palette table.
    EXPECT_EQ(GDL_stateBlock.attr.color, 0x00FCFCFCu);
    EXPECT_EQ(GDL_stateBlock.attr.bevelDark, 0x00545454u);
    GdlDeviceContext* second = GDL_createDisplayDCPages(1);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->driverState, second->driverState);
    EXPECT_EQ(second->driverState->refCount, 2);
    EXPECT_NE(first->palette, second->palette);
    EXPECT_EQ(GDL_contextCount(0), 2);
    EXPECT_TRUE(GDL_destroyDC(first));
    EXPECT_EQ(testdrv::counters().restores, 0);
    EXPECT_EQ(second->driverState->refCount, 1);
    EXPECT_TRUE(GDL_destroyDC(second));
    EXPECT_EQ(testdrv::counters().restores, 1); // the last one restores the desktop
    EXPECT_EQ(GDL_contextCount(0), 0);
}

TEST_F(DisplayTest, ModeChangeDestroysDisplayContexts) {
    ASSERT_NE(GDL_createDisplayDCPages(1), nullptr);
    EXPECT_TRUE(GDL_changeDisplayMode(11));
    EXPECT_EQ(GDL_contextCount(0), 0);
    GdlDeviceContext* dc = GDL_createDisplayDCPages(1);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GDL_getBitsPerPixel(dc), 8);
    EXPECT_EQ(GDL_stateBlock.attr.color, 15u);
}

// The first display context runs the init of the mode's driver with that
// driver's own type, whatever type detection raised the caller's variable to.
TEST_F(ContextTest, DisplayInitGetsTheServingDriversType) {
    static int32_t seenType = -1;
    static GdlDriverHeader header = testdrv::makeHeader("SVGA8.DRV", 4, true);
    header.init = [](GdlDeviceContext* dc, int32_t type, int32_t mode, HWND window, int32_t w,
                     int32_t h, int32_t pages, int32_t flag, int32_t refresh) {
        seenType = type;
        return testdrv::init(dc, type, mode, window, w, h, pages, flag, refresh);
    };
    ASSERT_EQ(GDL_registerDriver("SVGA8.DRV", &header), GDL_OK);
    int32_t driver = -1, mode = 11;
    ASSERT_TRUE(GDL_init(&driver, &mode, nullptr));
    EXPECT_EQ(driver, 1); // what the test driver's detection reports
    ASSERT_NE(GDL_createDisplayDCPages(1), nullptr);
    EXPECT_EQ(seenType, 4);
    EXPECT_EQ(GDL_selectedDriverType(), 4);
}

TEST_F(DisplayTest, NoDriverForTheModeIsRefused) {
    GDL_exit();
    GDL_unregisterAllDrivers();
    EXPECT_EQ(GDL_createDisplayDCPages(1), nullptr);
    EXPECT_EQ(GDL_lastResult(), GDL_DRIVER_NOT_FOUND);
}

} // namespace
