// The display opened full screen on the simulated adapter through the
// DirectDraw drivers, and the cursor thread drawing straight on the primary
// surface while the main thread draws through the lock wrappers (on real
// time, for ThreadSanitizer).
#include "foundation/TCache.h"
#include "media/devices/TCursDev.h"
#include "media/resources/TCursorRes.h"
#include "media/devices/TDispDev.h"
#include "media/devices/TDispHooks.h"
#include "media/devices/TSurfaceSave.h"
#include "platform/Adapter.h"
#include "platform/Clock.h"
#include "platform/User.h"

#include "gdl/ddraw.h"
#include "gdl/draw.h"

#include "BmpWriter.h"
#include "MemoryDesktop.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

class DirectDrawDisplay : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::UseMemoryDesktopWithRegistryIn(dir.Path(), 32);
        platform::ClockUseVirtual(false);
        DisplayHooks() = TDispHooks{};
        TCache::Global().Start();
        ASSERT_TRUE(platform::UseAdapter("ddraw-4mb"));
        int32_t count = 0;
        const GdlLinkedDriver* linked = GDL_linkedDrivers(&count);
        TDispDev::SetLinkedDrivers(linked, count);
        display.SetClassName("DirectDrawDisplay");
        display.SetDriverFlags(TDispDev::fDirectDraw);
        display.SetMode(320, 240, 16);
        ASSERT_TRUE(display.Open());
    }
    void TearDown() override {
        display.Close();
        display.ReleaseLibrary();
        TDispDev::SetLinkedDrivers(nullptr, 0);
        unsetenv("XDG_CONFIG_HOME");
    }
    uint16_t PrimaryPixel(int32_t x, int32_t y) {
        LPDIRECTDRAWSURFACE s = GDL_getPrimarySurface(display.GetScreenContext());
        DDSURFACEDESC d{};
        d.dwSize = sizeof(d);
        if (!s || s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr) != DD_OK) return 0;
        uint16_t v = 0;
        std::memcpy(&v, static_cast<uint8_t*>(d.lpSurface) + y * d.lPitch + x * 2, 2);
        s->Unlock(d.lpSurface);
        return v;
    }

    testsupport::TempDir dir;
    TDispDev& display = TDispDev::Global();
};

TEST_F(DirectDrawDisplay, OpensOnTheAdapterWithTheSurfaceSaveHooks) {
    EXPECT_TRUE(display.GetFlags() & TDispDev::fDirectDraw);
    GdlDeviceContext* screen = display.GetScreenContext();
    ASSERT_NE(GDL_getPrimarySurface(screen), nullptr);
    EXPECT_EQ(GDL_liveDC(screen)->v.saveRectSize, SaveSurfaceSize);
    EXPECT_TRUE(platform::AdapterScanOut().enabled);
}

TEST_F(DirectDrawDisplay, TheCursorThreadDrawsOnThePrimary) {
    tools::BmpImage bmp{6, 5, 24, std::vector<uint8_t>(6 * 5 * 3, 0xFF), {}};
    const std::string picture = dir.Write("p.bmp", tools::WriteBmp(bmp));
    auto* shape = new TMetaCur;
    shape->SetPath(picture.c_str());
    ASSERT_EQ(shape->Load(), 1);
    TCursDev device;
    ASSERT_EQ(device.Open(nullptr), 1);
    device.SetCursorRes(shape, 0);
    device.SetSleepTime(1);
    device.SetMTCursor(1);
    device.TakeDisplay(display);
    device.Update();
    ASSERT_TRUE(device.ThreadRunning());
    SetCursorPos(50, 60);
    // The main thread draws beside it, locking the same surface.
    GdlDeviceContext* screen = display.GetScreenContext();
    GdlDeviceContext* previous = GDL_selectCurrentDC(screen);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    bool drawn = false;
    for (int i = 0; !drawn && std::chrono::steady_clock::now() < deadline; ++i) {
        GDL_setColor(uint32_t(i & 0x1F));
        GDL_fillRect(200, 200, 220, 220);
        drawn = PrimaryPixel(52, 62) == 0xFFFF;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    GDL_selectCurrentDC(previous);
    EXPECT_TRUE(drawn);
    device.SetMTCursor(0);
    device.Update();
    EXPECT_FALSE(device.ThreadRunning());
    device.Close();
    delete shape;
}

} // namespace
