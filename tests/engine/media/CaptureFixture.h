// What the capture suites share: a display on the memory host, a capture
// timer aimed at it and at an animation in the test's folder, and ticks of
// virtual time handed to the timer.
#pragma once

#include "MemoryDesktop.h"
#include "foundation/TError.h"
#include "gdl/dc.h"
#include "media/animation/TCapture.h"
#include "media/animation/TMetaAni.h"
#include "media/devices/TDirtyRects.h"
#include "media/devices/TDispDev.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace check {

class CaptureFixture : public ::testing::Test {
protected:
    void TearDown() override {
        display.Close();
        display.ReleaseLibrary();
        TDirtyRects::ClearTracking();
    }

    // A window of `width` x `height` drawing in `depth` bits on a desktop of
    // `desktop` bits.
    void OpenDisplay(int32_t width, int32_t height, int32_t depth, int desktop) {
        testsupport::UseMemoryDesktop(desktop);
        display.SetClassName("CaptureTest");
        display.SetDriverFlags(0x600);
        display.SetMode(width, height, depth);
        ASSERT_TRUE(display.Open());
    }

    GdlDeviceContext* Context() { return GDL_liveDC(display.GetDrawContext()); }

    // Points the capture at the display and at `ani`, which records into
    // `name` of the test's folder; returns the file's path.
    std::string Prepare(TMetaAni& ani, const std::string& name, float interval) {
        const std::string path = dir.File(name);
        ani.SetPath(path.c_str());
        capture.SetDisplay(&display);
        capture.SetAnimation(&ani);
        capture.SetInterval(interval);
        return path;
    }

    void Tick(int ms) {
        TEvent e;
        e.SetType(evTick);
        e.data[0] = ms;
        capture.HandleEvent(nullptr, &e);
    }

    testsupport::TempDir dir;
    TDispDev display;
    TCapture capture;
};

} // namespace check
