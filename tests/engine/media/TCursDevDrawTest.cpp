// The cursor device on the memory host: cursor resources' sizes and hot
// spots, the Windows cursor chosen by the flags, region events to the
// receiver or the queue, the cursor in the presented frame without the
// thread, and a poll of the thread's step drawing into a window and putting
// it back exactly.
#include "foundation/TCache.h"
#include "foundation/TComp.h"
#include "foundation/TError.h"
#include "foundation/TEvent.h"
#include "foundation/TEventMgr.h"
#include "gdl/draw.h"
#include "gdl/pixelformat.h"
#include "media/devices/TCursDev.h"
#include "media/devices/TDirtyRects.h"
#include "media/devices/TDispDev.h"
#include "media/devices/TDispHooks.h"
#include "media/resources/TCursorRes.h"
#include "platform/Gdi.h"
#include "platform/Host.h"
#include "platform/Thread.h"
#include "platform/User.h"

#include "BmpWriter.h"
#include "HeadlessWindow.h"
#include "IconWriter.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kGreen = 0x00FF00, kRed = 0xFF0000, kBlue = 0x0000FF;

// A picture cursor: red, with a key-green top-left pixel and a blue
// bottom-right one; at 8 bits and below the colours are palette indexes.
std::vector<uint8_t> CursorPicture(int32_t w, int32_t h, int bitCount = 24) {
    tools::BmpImage image;
    image.width = w;
    image.height = h;
    image.bitCount = bitCount;
    if (bitCount <= 8) image.palette = {{0, 255, 0}, {255, 0, 0}, {0, 0, 255}};
    std::vector<uint8_t> row;
    for (int32_t y = 0; y < h; ++y) {
        row.assign(tools::BmpRowBytes(w, bitCount), 0);
        for (int32_t x = 0; x < w; ++x) {
            const int index = x == 0 && y == 0 ? 0 : x == w - 1 && y == h - 1 ? 2 : 1;
            const uint32_t c = index == 0 ? kGreen : index == 2 ? kBlue : kRed;
            if (bitCount == 24) {
                row[3 * size_t(x)] = static_cast<uint8_t>(c);
                row[3 * size_t(x) + 1] = static_cast<uint8_t>(c >> 8);
                row[3 * size_t(x) + 2] = static_cast<uint8_t>(c >> 16);
            } else {
                const int perByte = 8 / bitCount;
                const int shift = 8 - bitCount * (x % perByte + 1);
                row[size_t(x / perByte)] |= static_cast<uint8_t>(index << shift);
            }
        }
        image.pixels.insert(image.pixels.end(), row.begin(), row.end());
    }
    return tools::WriteBmp(image);
}

// Picture cursors of every depth a picture may have show the same.
constexpr int kCursorDepths[] = {24, 8, 4};

class Recorder : public TComp {
public:
    bool HandleEvent(TObject*, TEvent* event) override {
        if (event->type == evRegion)
            rects.push_back(
                {static_cast<int32_t>(event->data[0]), static_cast<int32_t>(event->data[1]),
                 static_cast<int32_t>(event->data[2]), static_cast<int32_t>(event->data[3])});
        return true;
    }
    std::vector<TRectArea> rects;
};

class CursorTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::StartHeadless(1000);
        platform::SetMemoryDesktop(640, 480, 24);
        TCache::Global().Start();
        picture = dir.Write("arrow.bmp", CursorPicture(6, 4));
    }
    void TearDown() override {
        TDispDev::Global().Close();
        TDispDev::Global().ReleaseLibrary();
        TDirtyRects::ClearTracking();
        TDirtyRects::SetChanged(0);
    }
    bool OpenDisplay() {
        TDispDev& d = TDispDev::Global();
        d.SetClassName("CursorTest");
        d.SetTitle("Cursor Test");
        d.SetDriverFlags(0x600);
        d.SetMode(64, 48, 24);
        return d.Open();
    }
    testsupport::TempDir dir;
    std::string picture;
};

TEST_F(CursorTest, ResourceSizesAndHotSpots) {
    TMetaCur pic;
    pic.SetPath(picture.c_str());
    EXPECT_EQ(pic.GetCursorWidth(), 0); // not loaded
    pic.SetHotSpot(TPoint(2, 1));
    ASSERT_EQ(pic.Load(), 1);
    EXPECT_EQ(pic.GetType(), TCursorRes::kPicture);
    EXPECT_EQ(pic.GetCursorWidth(), 6);
    EXPECT_EQ(pic.GetCursorHeight(), 4);
    EXPECT_EQ(pic.GetHotSpot().x, 2);
    EXPECT_EQ(pic.GetHotSpot().y, 1);
    pic.Release();

    tools::IconImage image;
    image.bitCount = 1;
    image.palette = {{0, 0, 0}, {255, 255, 255}};
    image.pixels.assign(32 * 4, 0x0F);
    image.andMask.assign(32 * 4, 0xF0);
    image.hotX = 3;
    image.hotY = 5;
    TMetaCur sys;
    sys.SetPath(dir.Write("hand.CUR", tools::WriteCur({image})).c_str());
    ASSERT_EQ(sys.Load(), 1);
    EXPECT_EQ(sys.GetType(), TCursorRes::kSystem);
    EXPECT_EQ(sys.GetCursorWidth(), 32);
    EXPECT_EQ(sys.GetCursorHeight(), 32);
    EXPECT_EQ(sys.GetHotSpot().x, 3);
    sys.SetHotSpot(TPoint(7, 8)); // changes the library's record itself
    ASSERT_NE(sys.GetCursorRecord(), nullptr);
    EXPECT_EQ(sys.GetCursorRecord()->hotX, 7);
    EXPECT_EQ(sys.GetCursorRecord()->hotY, 8);
    sys.Release();
}

TEST_F(CursorTest, RegionEventsGoToTheReceiverElseTheQueue) {
    TMetaCur cur;
    cur.SetPath(picture.c_str());
    cur.SetHotSpot(TPoint(1, 2));
    for (bool withReceiver : {false, true}) {
        SCOPED_TRACE(withReceiver);
        TCursDev device;
        Recorder receiver;
        ASSERT_EQ(device.Open(withReceiver ? &receiver : nullptr), 1);
        device.SetCursorRes(&cur, 0);
        device.SetPos(10, 20);
        int32_t queued = TEventMgr::Global().ObjectEvents();
        device.Move();
        TRectArea want{9, 18, 15, 22};
        if (withReceiver) {
            ASSERT_EQ(receiver.rects.size(), 1u);
            EXPECT_EQ(receiver.rects[0].left, want.left);
            EXPECT_EQ(receiver.rects[0].top, want.top);
            EXPECT_EQ(receiver.rects[0].right, want.right);
            EXPECT_EQ(receiver.rects[0].bottom, want.bottom);
            EXPECT_EQ(TEventMgr::Global().ObjectEvents(), queued);
        } else {
            ASSERT_EQ(TEventMgr::Global().ObjectEvents(), queued + 1);
            TEvent e;
            ASSERT_TRUE(TEventMgr::Global().TakeObjectEvent(&e));
            EXPECT_EQ(e.type, evRegion);
            EXPECT_EQ(e.data[0], want.left);
            EXPECT_EQ(e.data[3], want.bottom);
        }
        device.Close();
    }
}

TEST_F(CursorTest, WindowsCursorByFlags) {
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    TMetaCur cur;
    cur.SetPath(picture.c_str());
    // Not framed: no Windows cursor without a loaded one.
    {
        TCursDev device;
        device.Open(nullptr);
        EXPECT_EQ(device.SetWinCursor(), nullptr);
    }
    ASSERT_TRUE(OpenDisplay());
    const struct {
        int32_t mt;
        bool visible;
        bool loaded;
        HCURSOR want;
    } cases[] = {
        {0, true, false, arrow}, {0, false, false, nullptr}, {0, true, true, nullptr},
        {1, true, false, arrow}, {1, false, false, nullptr}, {1, true, true, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.mt) + std::to_string(c.visible) + std::to_string(c.loaded));
        TCursDev device;
        device.Open(nullptr);
        if (c.loaded) device.SetCursorRes(&cur, 0);
        device.Update(); // loads the cursor; no thread: the bit is set after
        device.SetMTCursor(c.mt);
        device.SetVisible(c.visible);
        EXPECT_EQ(device.SetWinCursor(), c.want);
        EXPECT_EQ(GetCursor(), c.want);
        device.Close();
    }
}

TEST_F(CursorTest, PresentedFrameShowsTheCursorAtPositionMinusHotSpot) {
    ASSERT_TRUE(OpenDisplay());
    TDispDev& display = TDispDev::Global();
    GdlDeviceContext* dc = display.GetDrawContext();
    ASSERT_NE(dc, nullptr);
    for (int depth : kCursorDepths) {
        SCOPED_TRACE(depth);
        const std::string name = "arrow" + std::to_string(depth) + ".bmp";
        TMetaCur cur;
        cur.SetPath(dir.Write(name, CursorPicture(6, 4, depth)).c_str());
        cur.SetHotSpot(TPoint(2, 1));
        TCursDev device;
        ASSERT_EQ(device.Open(nullptr), 1);
        device.SetCursorRes(&cur, 0);
        device.SetPos(20, 10);
        device.Move();
        device.Draw();
        TDirtyRects::AddDirtyRect(TRectArea{0, 0, 64, 48});
        display.Present();
        UpdateWindow(display.GetWindow());
        platform::Frame frame = platform::PresentedFrame(display.GetWindow());
        ASSERT_EQ(frame.width, 64);
        auto at = [&](int x, int y) { return frame.pixels[static_cast<size_t>(y) * 64 + x]; };
        uint32_t background = at(0, 0);
        EXPECT_EQ(at(18, 9), background); // the key pixel is transparent
        EXPECT_EQ(at(19, 9), kRed);
        EXPECT_EQ(at(23, 12), kBlue); // last pixel of the 6 x 4 picture
        EXPECT_EQ(at(24, 12), background);
        EXPECT_EQ(at(18, 13), background);
        device.Close();
        // The next picture starts from a frame without this one.
        GdlDeviceContext* previous = GDL_selectCurrentDC(dc);
        GDL_clearDevice();
        GDL_selectCurrentDC(previous);
    }
}

TEST_F(CursorTest, PollDrawsIntoTheWindowAndPutsItBackExactly) {
    HWND window = testsupport::OpenHeadlessWindow(
        {.className = "PollTest", .width = 64, .height = 48, .virtualFromMs = 1000});
    ASSERT_NE(window, nullptr);
    platform::SetMemoryDesktop(640, 480, 24);
    HDC wdc = GetDC(window);
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    RECT all{0, 0, 64, 48};
    FillRect(wdc, &all, green);
    DeleteObject(green);
    platform::PresentWindowRect(window, &all);
    platform::Frame before = platform::PresentedFrame(window);
    ASSERT_EQ(before.width, 64);

    for (int depth : kCursorDepths) {
        SCOPED_TRACE(depth);
        const std::string name = "poll" + std::to_string(depth) + ".bmp";
        TMetaCur cur;
        cur.SetPath(dir.Write(name, CursorPicture(6, 4, depth)).c_str());
        TCursDev device;
        ASSERT_EQ(device.Open(nullptr), 1);
        device.SetCursorRes(&cur, 0);
        device.Update(); // loads the cursor on this thread
        device.SetMTCursor(1);
        device.SetDisplay({window, wdc, 64, 48, 24, 0});
        SetCursorPos(10, 10);
        device.Poll();
        platform::Frame drawn = platform::PresentedFrame(window);
        EXPECT_EQ(drawn.pixels[10 * 64 + 10], kGreen); // key pixel: background shows
        EXPECT_EQ(drawn.pixels[10 * 64 + 11], kRed);
        EXPECT_EQ(drawn.pixels[13 * 64 + 15], kBlue);
        SetCursorPos(40, 30);
        device.Poll();
        platform::Frame moved = platform::PresentedFrame(window);
        EXPECT_EQ(moved.pixels[10 * 64 + 11], kGreen); // put back
        EXPECT_EQ(moved.pixels[30 * 64 + 41], kRed);
        SetCursorPos(300, 300); // off the window: everything put back
        device.Poll();
        EXPECT_EQ(platform::PresentedFrame(window).pixels, before.pixels);
        EXPECT_FALSE(device.ThreadRunning());
        device.Close();
    }
    ReleaseDC(window, wdc);
}

// The threaded cursor over a pure green frame: polls draw it into the window,
// presenting draws it into the frame and takes it out again, and neither
// leaves a trail, the green under it included.
TEST_F(CursorTest, ThreadedCursorAroundPresentingLeavesNoTrail) {
    ASSERT_TRUE(OpenDisplay());
    TDispDev& display = TDispDev::Global();
    HWND window = display.GetWindow();
    GdlDeviceContext* dc = display.GetDrawContext();
    GdlDeviceContext* previous = GDL_selectCurrentDC(dc);
    GDL_setBackColor(GDL_packColor(&GDL_liveDC(dc)->format, 0, 255, 0));
    GDL_clearDevice();
    GDL_selectCurrentDC(previous);
    const std::vector<uint8_t> clean(dc->surface, dc->surface + 48 * dc->mode.bytesPerLine);
    auto present = [&](const TRectArea& dirty) {
        TDirtyRects::AddDirtyRect(dirty);
        display.Present();
        UpdateWindow(window);
        TDirtyRects::SetChanged(0);
        return platform::PresentedFrame(window);
    };
    const TRectArea all{0, 0, 64, 48};
    ASSERT_EQ(present(all).pixels, std::vector<uint32_t>(64 * 48, kGreen));

    TMetaCur cur;
    cur.SetPath(picture.c_str());
    TCursDev device;
    ASSERT_EQ(device.Open(nullptr), 1); // takes the display's hooks and contexts
    EXPECT_EQ(device.GetDisplay().window, window);
    device.SetCursorRes(&cur, 0);
    device.Update();
    device.SetMTCursor(1); // no Update after it: no thread, the test polls
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    // Non-green pixels of a frame and where the first of them is.
    auto cursorIn = [](const platform::Frame& f, int32_t* x, int32_t* y) {
        int32_t count = 0;
        for (int32_t i = 64 * 48 - 1; i >= 0; --i)
            if (f.pixels[size_t(i)] != kGreen) {
                ++count;
                *x = i % 64;
                *y = i / 64;
            }
        return count;
    };
    // The 6 x 4 picture shows 23 pixels: its first is key green. A step
    // either polls, or moves the cursor on the main thread and presents the
    // dirty rectangle (one that misses where the cursor was before).
    const TRectArea none{0, 0, 0, 0}, around{16, 0, 32, 12};
    const struct {
        const char* step;
        int32_t x, y;
        TRectArea dirty;
    } steps[] = {{"poll", 10, 10, none},       {"present", 10, 10, all},
                 {"poll again", 40, 30, none}, {"present moved", 20, 5, around},
                 {"poll after", 30, 20, none}, {"present after", 30, 20, all}};
    for (const auto& s : steps) {
        SCOPED_TRACE(s.step);
        SetCursorPos(origin.x + s.x, origin.y + s.y);
        const bool poll = s.dirty.right == 0;
        if (poll) {
            device.Poll();
        } else {
            device.SetPos(origin.x + s.x, origin.y + s.y);
            device.Move();
        }
        platform::Frame frame = poll ? platform::PresentedFrame(window) : present(s.dirty);
        int32_t x = -1, y = -1;
        EXPECT_EQ(cursorIn(frame, &x, &y), 23);
        EXPECT_EQ(x, s.x + 1);
        EXPECT_EQ(y, s.y);
        EXPECT_EQ(frame.pixels[size_t(s.y + 3) * 64 + s.x + 5], kBlue);
        // What was presented came from a frame that is clean again.
        EXPECT_TRUE(std::equal(clean.begin(), clean.end(), dc->surface));
    }
    device.SetVisible(false);
    present(all);
    EXPECT_EQ(platform::PresentedFrame(window).pixels, std::vector<uint32_t>(64 * 48, kGreen));
    device.Close();
    EXPECT_EQ(DisplayHooks().cursorDrawDIB, nullptr);
}

// The display hands the cursor device its contexts whenever it rebuilds
// them, and none once it is closed; its window's set-cursor message reaches
// the device.
TEST_F(CursorTest, TheDisplayKeepsTheCursorsViewOfItCurrent) {
    ASSERT_TRUE(OpenDisplay());
    TDispDev& display = TDispDev::Global();
    TCursDev device;
    ASSERT_EQ(device.Open(nullptr), 1);
    EXPECT_EQ(device.GetDisplay().dc, GDL_getWinDC(display.GetScreenContext()));
    EXPECT_EQ(device.GetDisplay().width, 64);
    EXPECT_EQ(device.GetDisplay().depth, 24);
    EXPECT_EQ(device.GetDisplay().flags, display.GetFlags());
    RECT frame{0, 0, 100, 70};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    SetWindowPos(display.GetWindow(), nullptr, 0, 0, frame.right - frame.left,
                 frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(device.GetDisplay().width, 100);
    EXPECT_EQ(device.GetDisplay().height, 70);
    // The window's set-cursor message reaches the device: visible, framed
    // and nothing loaded gives the arrow.
    SetCursor(nullptr);
    HWND window = display.GetWindow();
    SendMessageA(window, WM_SETCURSOR, WPARAM(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW));
    display.Close();
    EXPECT_EQ(device.GetDisplay().dc, nullptr);
    EXPECT_EQ(device.GetDisplay().window, nullptr);
    device.Close();
}

} // namespace
