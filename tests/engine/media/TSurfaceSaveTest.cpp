// The save-under routines of DirectDraw screen contexts, at every depth, into
// buffers of exactly the size their size entry gives (a row too short would
// show under the address sanitizer).
#include "LinkedDrivers.h"
#include "media/devices/TSurfaceSave.h"
#include "media/devices/TDispDev.h"

#include "MemoryDesktop.h"
#include "TempDir.h"

#include "gdl/blit.h"
#include "gdl/ddraw.h"
#include "gdl/draw.h"
#include "gdl/mouse.h"
#include "gdl/packed.h"
#include "platform/Adapter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

class SurfaceSave : public ::testing::TestWithParam<int32_t> {
protected:
    void SetUp() override { testsupport::UseMemoryDesktopWithRegistryIn(folder_.Path(), 32); }
    void TearDown() override {
        GDL_exit();
        unsetenv("XDG_CONFIG_HOME");
    }
    testsupport::TempDir folder_;
};

GdlDeviceContext* openScreen(int32_t bits) {
    if (!platform::UseAdapter(bits == 15 ? "ddraw-2mb-555" : "ddraw-4mb")) return nullptr;
    testsupport::RegisterLinkedDrivers();
    int32_t driver = -1, mode = -1;
    mode = testsupport::ModeOf(320, 240, bits);
    if (!GDL_init(&driver, &mode, ".")) return nullptr;
    GdlDeviceContext* dc = GDL_createDisplayDCPages(1);
    if (dc) InstallSurfaceSaveHooks(dc);
    return dc;
}

TEST_P(SurfaceSave, ARectangleGoesBackAsItWasSaved) {
    const int32_t bits = GetParam(), bpp = (bits + 1) / 8;
    GdlDeviceContext* dc = openScreen(bits);
    ASSERT_NE(dc, nullptr);
    GdlDeviceContext* live = GDL_liveDC(dc);
    EXPECT_EQ(live->v.saveRectSize, SaveSurfaceSize);
    // 33 x 33 at (5, 7): the rows and the 20-byte header, nothing more.
    const int32_t size = live->v.saveRectSize(live, 5, 7, 38, 40);
    ASSERT_EQ(size, 33 * bpp * 33 + 20);
    auto fill = [&](uint8_t seed) {
        GDL_beginPixelAccess();
        for (int32_t y = 7; y < 40; ++y)
            for (int32_t b = 0; b < 33 * bpp; ++b)
                live->surface[y * live->mode.bytesPerLine + 5 * bpp + b] =
                    uint8_t(seed + y * 7 + b);
        GDL_endPixelAccess();
    };
    fill(1);
    auto* buffer = new uint8_t[size_t(size)];
    EXPECT_EQ(SaveSurfaceRect(live, 5, 7, 38, 40, buffer), DD_OK);
    fill(99);
    EXPECT_EQ(RestoreSurfaceRect(live, buffer), DD_OK);
    for (int32_t y = 7; y < 40; ++y)
        for (int32_t b = 0; b < 33 * bpp; ++b)
            ASSERT_EQ(live->surface[y * live->mode.bytesPerLine + 5 * bpp + b],
                      uint8_t(1 + y * 7 + b));
    // A header that names another rectangle than a save could is not followed.
    int32_t wrong[4] = {-5, 7, 38, 40};
    std::memcpy(buffer, wrong, sizeof(wrong));
    EXPECT_EQ(RestoreSurfaceRect(live, buffer), DD_OK);
    delete[] buffer;
    // A context without a DirectDraw surface saves nothing.
    GdlDeviceContext* memory = GDL_createMemoryDC(8, 8, bits, nullptr);
    uint8_t small[64];
    EXPECT_EQ(SaveSurfaceRect(memory, 0, 0, 2, 2, small), 0);
}

INSTANTIATE_TEST_SUITE_P(Depths, SurfaceSave, ::testing::Values(8, 15, 16, 24, 32));

// The display installs the hooks after the library's cursor has sized its
// buffers; the cursor's saves must still fit them (the address sanitizer
// sees a header-sized overrun at 32 bits otherwise).
TEST_P(SurfaceSave, TheLibraryCursorSavesIntoBuffersOfTheHooksSize) {
    const int32_t bits = GetParam();
    ASSERT_TRUE(platform::UseAdapter(bits == 15 ? "ddraw-2mb-555" : "ddraw-4mb"));
    int32_t count = 0;
    const GdlLinkedDriver* linked = GDL_linkedDrivers(&count);
    TDispDev::SetLinkedDrivers(linked, count);
    TDispDev& display = TDispDev::Global();
    display.SetDriverFlags(TDispDev::fDirectDraw);
    display.SetMode(640, 480, bits);
    ASSERT_TRUE(display.Open());
    GdlDeviceContext* screen = display.GetScreenContext();
    ASSERT_EQ(GDL_getMouseDC(), screen);
    GDL_setMousePos(100, 100); // the whole 32 x 32 box on the screen
    GDL_showMouse();
    GDL_setMousePos(140, 120);
    GDL_hideMouse();
    display.Close();
    display.ReleaseLibrary();
    TDispDev::SetLinkedDrivers(nullptr, 0);
}

} // namespace
