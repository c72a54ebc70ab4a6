// The library's binding to the full-screen support library: switched off by
// GDL_NO_FSDIRECT or Windows NT, absent without the module, a missing name
// fatal and named; entering and leaving its full-screen mode, the mouse in
// mode pixels, and a switch the application refuses.
#include "gdl/driver.h"
#include "gdl/fsdirect.h"
#include "gdl/mouse.h"
#include "gdl/windows.h"
#include "platform/Adapter.h"
#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/Module.h"
#include "platform/User.h"
#include "platform/Vga.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace {

class FsDirectBinding : public ::testing::Test {
protected:
    void SetUp() override {
        platform::UseHost(platform::HostKind::Memory);
        platform::ClockUseVirtual(true);
        ASSERT_TRUE(platform::UseAdapter("vga"));
        GDL_resetLibrary();
    }
    void TearDown() override {
        unsetenv("GDL_NO_FSDIRECT");
        GDL_restoreDesktopMode();
        GDL_resetLibrary();
    }
};

TEST_F(FsDirectBinding, SwitchedOffByTheEnvironmentOrNt) {
    struct Case {
        const char* env;
        bool nt, module, available;
    };
    const Case cases[] = {{nullptr, false, true, true},  {"1", false, true, false},
                          {"0", false, true, true},      {"", false, true, true},
                          {"x", false, true, true},      {nullptr, true, true, false},
                          {nullptr, false, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.env ? c.env : "(unset)");
        GDL_resetLibrary();
        if (c.env)
            setenv("GDL_NO_FSDIRECT", c.env, 1);
        else
            unsetenv("GDL_NO_FSDIRECT");
        platform::SetSimulatedVersion(c.nt ? platform::kVersionWindowsNT4
                                           : platform::kVersionWindows95);
        platform::SetModuleAbsent("FSDIR_32.DLL", !c.module);
        GDL_initWindows();
        EXPECT_EQ(GDL_fsDirectAvailable(), c.available);
        EXPECT_EQ(GDL_fsDirect() != nullptr, c.available);
        EXPECT_EQ(GDL_biosSelector() != 0, c.available);
        EXPECT_EQ(PMI_getByte(GDL_biosSelector(), 0x49), c.available ? 0x03 : 0x00);
    }
    platform::SetSimulatedVersion(platform::kVersionWindows95);
    platform::SetModuleAbsent("FSDIR_32.DLL", false);
}

void recordBox(const char* text, const char* caption, uint32_t style) {
    std::fprintf(stderr, "[%s|%s|%u]", caption, text, style);
}

TEST_F(FsDirectBinding, AMissingNameIsFatalAndNamed) {
    platform::SetSymbolAbsent("FSDIR_32.DLL", "_PMI_setCRTStart", true);
    GDL_setFatalBoxHook(recordBox);
    EXPECT_EXIT(GDL_initWindows(), ::testing::ExitedWithCode(1),
                "\\[GDL Fatal Error!\\|GetProcAddress\\(\"_PMI_setCRTStart\"\\) failed!\\|48\\]");
    GDL_setFatalBoxHook(nullptr);
}

TEST_F(FsDirectBinding, FullScreenAtTheModeSizeWithTheMouseInModePixels) {
    GDL_initWindows();
    GDL_startFSDirect(320, 240);
    HWND w = GDL_getFullScreenWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w, platform::FsDirectWindow());
    EXPECT_EQ(GDL_fullScreenKind(), GDL_FS_FSDIRECT);
    RECT r{};
    GetClientRect(w, &r);
    EXPECT_EQ(r.right, 320);
    EXPECT_EQ(r.bottom, 240);
    // The library's mouse follows FSDirect's reports, unscaled.
    GDL_fsDirect()->setMouseCallback(GDL_mouseMoved);
    SendMessageA(w, WM_MOUSEMOVE, 0, MAKELPARAM(319, 7));
    int32_t x = 0, y = 0;
    GDL_getMousePos(&x, &y);
    EXPECT_EQ(x, 319);
    EXPECT_EQ(y, 7);
    GDL_setMousePos(100, 200);
    GDL_getMousePos(&x, &y);
    EXPECT_EQ(x, 100);
    EXPECT_EQ(y, 200);
    // A second mode changes the window's size.
    GDL_startFSDirect(640, 480);
    GetClientRect(GDL_getFullScreenWindow(), &r);
    EXPECT_EQ(r.right, 640);
    GDL_restoreDesktopMode();
    EXPECT_EQ(platform::FsDirectWindow(), nullptr);
    EXPECT_EQ(GDL_fullScreenKind(), GDL_FS_NONE);
    EXPECT_FALSE(platform::VgaShowing());
}

int32_t g_answer = 1;
int32_t answer(GdlDeviceContext*, int32_t) {
    return g_answer;
}

TEST_F(FsDirectBinding, ASwitchTheApplicationRefusesStays) {
    GDL_initWindows();
    GDL_setSuspendAppCallback(answer);
    GDL_startFSDirect(320, 200);
    g_answer = 0;
    EXPECT_FALSE(platform::FsDirectSwitchAway());
    EXPECT_TRUE(platform::VgaShowing());
    g_answer = 1;
    EXPECT_TRUE(platform::FsDirectSwitchAway());
    EXPECT_FALSE(platform::VgaShowing());
    platform::FsDirectSwitchBack();
    EXPECT_TRUE(platform::VgaShowing());
    GDL_setSuspendAppCallback(nullptr);
}

} // namespace
