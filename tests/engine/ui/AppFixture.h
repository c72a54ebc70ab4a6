// Shared set-up of the application tests: the memory host at 16 bits, the
// display closed with no driver chosen, the program folder in a fresh
// temporary folder, and a configuration file written on demand.
#pragma once

#include "MemoryDesktop.h"
#include "TempDir.h"

#include "foundation/TError.h"
#include "foundation/TEventMgr.h"
#include "foundation/TFileCtl.h"
#include "media/devices/TDirtyRects.h"
#include "media/devices/TDispDev.h"
#include "media/devices/TDispHooks.h"
#include "media/sound/TSndDev.h"
#include "platform/Host.h"
#include "ui/TWinApp.h"

#include <gtest/gtest.h>

#include <string>

namespace uitest {

template <class App> class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::UseMemoryDesktop(16);
        DisplayHooks() = TDispHooks{};
        platform::ClearMessageBoxLog();
        platform::SetMessageBoxPolicy(platform::BoxPolicy::FirstButton);
        display.SetDriverFlags(0);
        display.SetMode(640, 480, 8);
        TGraphic::SetDefaultColorMapMode(4);
        TGraphic::SetDefaultAutoColorAdjust(1);
        TSndDev::Global().SetOutputFlags(0);
        app.SetPaths((dir.Path() / "adv").c_str());
    }
    void TearDown() override {
        if (app.IsStarted()) app.Stop();
        for (TEvent left; TEventMgr::Global().TakeObjectEvent(&left);) {
        }
        TEventMgr::Global().SetTimer(0);
        display.Close();
        display.ReleaseLibrary();
        TDirtyRects::ClearTracking();
        TDirtyRects::SetChanged(0);
        platform::SetMessageBoxPolicy(platform::BoxPolicy::FirstButton);
    }
    // The resource index names the configuration file "app.ini".
    void WriteConfig(const std::string& text) {
        dir.Write("resource.ini", "[Main]\nPath=.\n[Config]\nconfig=app.ini\n");
        dir.Write("app.ini", text);
        TFileCtl::ReadBasePath();
    }
    std::string ProtocolPath() { return app.GetProtocolPath().c_str(); }

    testsupport::TempDir dir;
    TDispDev& display = TDispDev::Global();
    App app;
};

} // namespace uitest
