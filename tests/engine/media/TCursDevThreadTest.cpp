// The cursor device outlives what it is given: its receiver and its shapes
// are deleted while it keeps running, on the main thread alone and with the
// cursor thread drawing beside it (on real time, for ThreadSanitizer).
#include "foundation/TCache.h"
#include "foundation/TComp.h"
#include "foundation/TError.h"
#include "foundation/TEventMgr.h"
#include "foundation/TRef.h"
#include "media/devices/TCursDev.h"
#include "media/devices/TDirtyRects.h"
#include "media/devices/TDispDev.h"
#include "media/devices/TDispHooks.h"
#include "media/resources/TCursorRes.h"
#include "platform/User.h"

#include "BmpWriter.h"
#include "IconWriter.h"
#include "MemoryDesktop.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace {

// Counts the region events the device hands it.
struct Receiver : TComp {
    bool HandleEvent(TObject*, TEvent* event) override {
        regions += event && event->type == evRegion;
        return false;
    }
    int regions = 0;
};

class CursDevLifetime : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::UseMemoryDesktop(24);
        DisplayHooks() = TDispHooks{};
        TCache::Global().Start();
        tools::BmpImage bmp{6, 5, 24, std::vector<uint8_t>(6 * 5 * 3, 200), {}};
        picture = dir.Write("p.bmp", tools::WriteBmp(bmp));
        tools::IconImage image;
        image.bitCount = 1;
        image.palette = {{0, 0, 0}, {255, 255, 255}};
        image.pixels.assign(32 * 4, 0xFF);
        image.andMask.assign(32 * 4, 0x00);
        cur = dir.Write("c.CUR", tools::WriteCur({image}));
        display.SetClassName("CursorLifetime");
        display.SetDriverFlags(0x600);
        display.SetMode(64, 48, 24);
        ASSERT_TRUE(display.Open());
    }
    void TearDown() override {
        display.Close();
        display.ReleaseLibrary();
        TDirtyRects::ClearTracking();
        TDirtyRects::SetChanged(0);
        for (TEvent e; TEventMgr::Global().TakeObjectEvent(&e);) {
        }
    }
    // A loaded shape: the picture or the Windows cursor.
    TMetaCur* NewShape(bool picture_) {
        auto* shape = new TMetaCur;
        shape->SetPath((picture_ ? picture : cur).c_str());
        EXPECT_EQ(shape->Load(), 1);
        return shape;
    }

    testsupport::TempDir dir;
    std::string picture, cur;
    TDispDev& display = TDispDev::Global();
};

TEST_F(CursDevLifetime, TheDeviceOutlivesItsApplicationAndItsShape) {
    for (bool picture_ : {true, false}) {
        TCursDev device;
        auto* receiver = new Receiver;
        ASSERT_EQ(device.Open(receiver), 1);
        TMetaCur* shape = NewShape(picture_);
        device.SetCursorRes(shape, 0);
        device.SetPos(10, 10);
        device.Move();
        device.Draw();
        device.SetPos(12, 12);
        device.Move();
        EXPECT_EQ(device.GetCursorRes(2), shape);
        delete receiver;
        delete shape;
        // Everything the device does afterwards finds them gone.
        EXPECT_EQ(device.GetCursorRes(0), nullptr);
        EXPECT_EQ(device.GetCursorRes(2), nullptr);
        device.SetPos(20, 20);
        device.Move();
        device.Draw();
        device.SetWinCursor();
        device.Invalidate(true);
        device.Update();
        device.Close();
    }
}

// The cursor thread draws the shape while the main thread swaps and deletes
// shapes and resolves references to them; its lookups of references made on
// the main thread run beside the deletions.
TEST_F(CursDevLifetime, TheThreadDrawsWhileTheMainThreadDeletesShapes) {
    TCursDev device;
    ASSERT_EQ(device.Open(nullptr), 1);
    device.SetSleepTime(1);
    device.SetMTCursor(1);
    device.Update();
    ASSERT_TRUE(device.ThreadRunning());

    std::mutex lock;
    TRef<TMetaCur> shared; // made on the main thread, copied by the reader
    std::atomic<bool> stop{false};
    std::atomic<int> lookups{0}, gone{0};
    std::thread reader([&] {
        while (!stop) {
            TRef<TMetaCur> copy;
            {
                std::lock_guard<std::mutex> g(lock);
                copy = shared;
            }
            ++lookups;
            gone += copy.IsSet() && !copy.Get();
        }
    });
    POINT origin{0, 0};
    ClientToScreen(display.GetWindow(), &origin);
    for (int i = 0; i < 40; ++i) {
        TMetaCur* shape = NewShape(i % 2 == 0);
        {
            std::lock_guard<std::mutex> g(lock);
            shared = TRef<TMetaCur>(shape);
        }
        device.SetCursorRes(shape, 0);
        device.Update();
        SetCursorPos(origin.x + i % 30, origin.y + i % 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        delete shape;
        device.Update();
    }
    stop = true;
    reader.join();
    EXPECT_GT(lookups.load(), 0);
    device.SetMTCursor(0);
    device.Update();
    EXPECT_FALSE(device.ThreadRunning());
    device.Close();
}

// The application goes while the thread draws: the main thread goes on
// moving, drawing and swapping shapes for the device, which reports its
// regions to the application until it is gone and to the queue after.
TEST_F(CursDevLifetime, TheThreadDrawsWhileTheApplicationAndItsShapeGo) {
    TCursDev device;
    auto* receiver = new Receiver;
    ASSERT_EQ(device.Open(receiver), 1);
    device.SetSleepTime(1);
    device.SetMTCursor(1);
    device.Update();
    ASSERT_TRUE(device.ThreadRunning());
    POINT origin{0, 0};
    ClientToScreen(display.GetWindow(), &origin);
    TMetaCur* shape = NewShape(true);
    for (int i = 0; i < 30; ++i) {
        device.SetCursorRes(shape, 0);
        SetCursorPos(origin.x + i % 30, origin.y + i % 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        device.Move();
        device.Draw();
        if (i == 10) {
            delete receiver;
            delete shape; // the shape set last goes with the application
            shape = NewShape(false);
        }
        device.Update();
    }
    device.SetMTCursor(0);
    device.Update();
    device.SetPos(5, 5);
    device.Move();
    device.Draw();
    device.Close();
    delete shape;
}

} // namespace
