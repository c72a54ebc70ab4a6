// The cursor device on the memory host: cursor resources' sizes and hot
// spots, the Windows cursor chosen by the flags, region events to the
// receiver or the queue, the cursor in the presented frame without the
// thread, and a poll of the thread's step drawing into a window and putting
// it back exactly.

#include "BmpWriter.h"
#include "ErrorProbe.h"
#include "HeadlessWindow.h"
#include "IconWriter.h"
#include "TempDir.h"
#include "foundation/TCache.h"
#include "foundation/TComp.h"
#include "foundation/TError.h"
#include "foundation/TEvent.h"
#include "foundation/TEventMgr.h"
#include "foundation/TFileCtl.h"
#include "gdl/draw.h"
#include "gdl/pixelformat.h"
#include "media/devices/TCursDev.h"
#include "media/devices/TCursorBlit.h"
#include "media/resources/TCursorRes.h"
#include "media/devices/TDirtyRects.h"
#include "media/devices/TDispDev.h"
#include "media/devices/TDispHooks.h"
#include "platform/Gdi.h"
#include "platform/Host.h"
#include "platform/Module.h"
#include "platform/Thread.h"
#include "platform/User.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
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

// The threaded mode with the test as the thread: the mode is switched on and
// the update it asks for taken as done, so that no later Update (Move and
// Draw call it) starts the real thread. Its polls, paced by the wall clock,
// would race the test's own steps and move the cursor under them.
void PolledByTheTest(TCursDev& device) {
    device.SetMTCursor(1);
    device.Invalidate(false);
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
    // The drawing context presented whole, as the window then shows it.
    static platform::Frame PresentWhole() {
        TDispDev& display = TDispDev::Global();
        TDirtyRects::AddDirtyRect(TRectArea{0, 0, 64, 48});
        display.Present();
        UpdateWindow(display.GetWindow());
        return platform::PresentedFrame(display.GetWindow());
    }
    // A black drawing context, for the next cursor to start from.
    static void ClearDrawing(GdlDeviceContext* dc) {
        GdlDeviceContext* previous = GDL_selectCurrentDC(dc);
        GDL_clearDevice();
        GDL_selectCurrentDC(previous);
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

// The keep setting (on by default) makes a picture cursor's key colour show
// the frame under it; off, the key colour is drawn like any other.
TEST_F(CursorTest, PresentedFrameShowsTheCursorAtPositionMinusHotSpot) {
    ASSERT_TRUE(OpenDisplay());
    TDispDev& display = TDispDev::Global();
    GdlDeviceContext* dc = display.GetDrawContext();
    ASSERT_NE(dc, nullptr);
    for (int depth : kCursorDepths)
        for (int32_t keep : {1, 0}) {
            SCOPED_TRACE(testing::Message() << depth << " bits, keep " << keep);
            const std::string name = "arrow" + std::to_string(depth) + ".bmp";
            TMetaCur cur;
            cur.SetPath(dir.Write(name, CursorPicture(6, 4, depth)).c_str());
            cur.SetHotSpot(TPoint(2, 1));
            TCursDev device;
            ASSERT_EQ(device.Open(nullptr), 1);
            device.SetKeep(keep);
            device.SetCursorRes(&cur, 0);
            device.SetPos(20, 10);
            device.Move();
            device.Draw();
            platform::Frame frame = PresentWhole();
            ASSERT_EQ(frame.width, 64);
            auto at = [&](int x, int y) { return frame.pixels[static_cast<size_t>(y) * 64 + x]; };
            uint32_t background = at(0, 0);
            EXPECT_EQ(at(18, 9), keep ? background : kGreen); // the key pixel
            EXPECT_EQ(at(19, 9), kRed);
            EXPECT_EQ(at(23, 12), kBlue); // last pixel of the 6 x 4 picture
            EXPECT_EQ(at(24, 12), background);
            EXPECT_EQ(at(18, 13), background);
            device.Close();
            ClearDrawing(dc); // the next picture starts from a frame without this one
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
        PolledByTheTest(device);
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
    PolledByTheTest(device);
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
    EXPECT_FALSE(device.ThreadRunning());
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

// Cursors checked against their rules: the converting copy's cuts and
// resampling, the monochrome expansion's bit order, the cursor resource's
// kinds and reports, and the cursor device's reports and save-under.
namespace {

using Bytes = std::vector<uint8_t>;

// --- the converting copy --------------------------------------------------

// A 24-bit surface whose pixel (x, y) is blue x, green y, red 7.
Bytes Numbered(int32_t w, int32_t h) {
    Bytes b(static_cast<size_t>(w) * h * 3);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* p = &b[(static_cast<size_t>(y) * w + x) * 3];
            p[0] = static_cast<uint8_t>(x);
            p[1] = static_cast<uint8_t>(y);
            p[2] = 7;
        }
    return b;
}

TEST(ConvertBlitCheckTest, CutsAtEveryEdge) {
    struct Case {
        int32_t x, y;
        // destination pixel -> source pixel it must hold (or -1: untouched)
        int32_t dx, dy, sx, sy;
    };
    const Case cases[] = {
        {-1, -2, 0, 0, 1, 2}, // the source's first column and two rows skipped
        {-1, -2, 1, 0, 2, 2},  {-1, -2, 2, 0, -1, -1},
        {2, 3, 2, 3, 0, 0},    {2, 3, 3, 3, 1, 0}, // cut at the right edge
        {2, 3, 3, 4, -1, -1},                      // below the destination's extent: nothing
        {-3, 0, 0, 0, -1, -1},                     // entirely left of it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y) + " pixel " +
                     std::to_string(c.dx) + "," + std::to_string(c.dy));
        // One row more than the destination declares, to see it stays.
        Bytes src = Numbered(3, 3), dst(4 * 5 * 3, 0xCC);
        TBlitSurface s{src.data(), 9, 3, 3, 24}, d{dst.data(), 12, 4, 4, 24};
        ConvertBlit(d, s, 3, 3, c.x, c.y, false);
        const uint8_t* p = &dst[(c.dy * 4 + c.dx) * 3];
        if (c.sx < 0) {
            EXPECT_EQ(p[0], 0xCC);
            EXPECT_EQ(p[2], 0xCC);
        } else {
            EXPECT_EQ(p[0], c.sx);
            EXPECT_EQ(p[1], c.sy);
            EXPECT_EQ(p[2], 7);
        }
    }
    Bytes src = Numbered(3, 3), dst(12, 0);
    TBlitSurface s{src.data(), 9, 3, 3, 24};
    ConvertBlit({nullptr, 12, 4, 1, 24}, s, 3, 3, 0, 0, false); // nothing happens
    ConvertBlit({dst.data(), 12, 4, 1, 24}, {nullptr, 9, 3, 3, 24}, 3, 3, 0, 0, false);
    EXPECT_EQ(dst, Bytes(12, 0));
}

TEST(ConvertBlitCheckTest, ResamplesToTheCopySizeByNearestPixel) {
    // 4 x 2 source to a 2 x 1 copy: steps 2 and 2, positions 0 and 2.5 -> 2.
    Bytes src = Numbered(4, 2), dst(2 * 3, 0);
    ConvertBlit({dst.data(), 6, 2, 1, 24}, {src.data(), 12, 4, 2, 24}, 2, 1, 0, 0, false);
    EXPECT_EQ(dst[0], 0);
    EXPECT_EQ(dst[3], 2);
    // 3 x 1 to 5 x 1: step 0.6, positions 0, 1.1, 1.7, 2.3, 2.9 -> 0 1 1 2 2 (+0.5 each)
    Bytes wide(5 * 3, 0), three = Numbered(3, 1);
    ConvertBlit({wide.data(), 15, 5, 1, 24}, {three.data(), 9, 3, 1, 24}, 5, 1, 0, 0, false);
    const uint8_t want[5] = {0, 1, 1, 2, 2};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(wide[i * 3], want[i]) << i;
}

TEST(ConvertBlitCheckTest, KeyAndTheFourthByte) {
    // 24-bit key pixels are skipped when keyed; 32-bit ones never are; a
    // 32-bit destination keeps its fourth byte.
    const uint8_t key24[3] = {0, 255, 0}, other24[3] = {1, 255, 0};
    for (bool keyed : {false, true}) {
        Bytes src(6), dst(8, 0x77);
        std::memcpy(&src[0], key24, 3);
        std::memcpy(&src[3], other24, 3);
        ConvertBlit({dst.data(), 8, 2, 1, 32}, {src.data(), 6, 2, 1, 24}, 2, 1, 0, 0, keyed);
        EXPECT_EQ(dst[1], keyed ? 0x77 : 255);
        EXPECT_EQ(dst[3], 0x77);
        EXPECT_EQ(dst[4], 1);
        EXPECT_EQ(dst[7], 0x77);
        const uint8_t green32[4] = {0, 255, 0, 9};
        Bytes out(3, 0x11);
        ConvertBlit({out.data(), 3, 1, 1, 24}, {const_cast<uint8_t*>(green32), 4, 1, 1, 32}, 1, 1,
                    0, 0, keyed);
        EXPECT_EQ(out, (Bytes{0, 255, 0}));
    }
    // 16 <-> 15 between words: the lowest green bit goes, and comes back as 0.
    const uint8_t p16[2] = {0xFF, 0xFF}; // white 5:6:5
    uint8_t p15[2] = {0, 0};
    ConvertBlit({p15, 2, 1, 1, 15}, {const_cast<uint8_t*>(p16), 2, 1, 1, 16}, 1, 1, 0, 0, true);
    EXPECT_EQ(p15[0] | p15[1] << 8, 0x7FFF);
    uint8_t back[2] = {0, 0};
    ConvertBlit({back, 2, 1, 1, 16}, {p15, 2, 1, 1, 15}, 1, 1, 0, 0, true);
    EXPECT_EQ(back[0] | back[1] << 8, 0xFFDF);
}

TEST(ExpandMonoCursorCheckTest, PlanesBitOrderAndColours) {
    Bytes bits(256, 0);
    // Row 0: pixel 0 drawn white, pixel 1 drawn black, pixel 2 not drawn
    // but with its colour bit; row 1, pixel 8: drawn white.
    bits[0] = 0x80 | 0x20;
    bits[128] = 0x80 | 0x40;
    bits[4 + 1] = 0x80;
    bits[128 + 4 + 1] = 0x80;
    const uint8_t key[3] = {0, 255, 0}, first[3] = {10, 20, 30}, second[3] = {40, 50, 60};
    Bytes out(3072, 0xAA);
    ExpandMonoCursor(out.data(), bits.data(), key, first, second);
    auto at = [&](int x, int y) {
        return Bytes(&out[(y * 32 + x) * 3], &out[(y * 32 + x) * 3 + 3]);
    };
    EXPECT_EQ(at(0, 0), Bytes(first, first + 3));
    EXPECT_EQ(at(1, 0), Bytes(second, second + 3));
    EXPECT_EQ(at(2, 0), Bytes(key, key + 3));
    EXPECT_EQ(at(8, 1), Bytes(first, first + 3));
    EXPECT_EQ(at(0, 1), Bytes(key, key + 3));
    EXPECT_EQ(at(31, 31), Bytes(key, key + 3));
}

// --- cursor resources -----------------------------------------------------

// The device's fixture with a 5 x 3 red picture and a monochrome cursor
// whose hot spot is (4, 6).
class CursorCheckTest : public CursorTest {
protected:
    void SetUp() override {
        CursorTest::SetUp();
        tools::BmpImage bmp{5, 3, 24, Bytes(5 * 3 * 3, 0), {}};
        for (size_t i = 0; i < bmp.pixels.size(); i += 3)
            bmp.pixels[i + 2] = 200; // red
        picture = dir.Write("p.bmp", tools::WriteBmp(bmp));
        tools::IconImage image;
        image.bitCount = 1;
        image.palette = {{0, 0, 0}, {255, 255, 255}};
        image.pixels.assign(32 * 4, 0xFF);
        image.andMask.assign(32 * 4, 0x00);
        image.hotX = 4;
        image.hotY = 6;
        cur = dir.Write("c.CUR", tools::WriteCur({image}));
    }
    std::string cur;
};

TEST_F(CursorCheckTest, KindsByExtensionAndTheirReports) {
    struct Case {
        std::string path;
        TCursorRes::Type type;
        int loads;
        int32_t code;
        const char* source;
    };
    const Case cases[] = {
        {cur, TCursorRes::kSystem, 1, 0, nullptr},
        {dir.File("gone.cur"), TCursorRes::kSystem, 0, 18, "Source\\TWinCur"},
        {dir.Write("junk.cur", Bytes(64, 0x21)), TCursorRes::kSystem, 0, 18, "Source\\TWinCur"},
        {picture, TCursorRes::kPicture, 1, 0, nullptr},
        {dir.File("x.tga"), TCursorRes::kPicture, 0, 49, "Source\\TMetaImg"},
        {dir.File("bare"), TCursorRes::kNoCursor, 0, 50, "Source\\TMetaCur"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        TError::ClearLists();
        TMetaCur cursor;
        EXPECT_STREQ(cursor.GetFolder(), "Cursors");
        cursor.SetPath(c.path.c_str());
        EXPECT_EQ(cursor.Load(), c.loads);
        EXPECT_EQ(cursor.GetType(), c.type);
        EXPECT_EQ(cursor.GetHandle(), nullptr);
        EXPECT_EQ(cursor.GetCursorRecord() != nullptr, c.loads && c.type == TCursorRes::kSystem);
        EXPECT_EQ(cursor.GetPictureRecord() != nullptr, c.loads && c.type == TCursorRes::kPicture);
        EXPECT_EQ(cursor.GetCursorWidth(), c.type == TCursorRes::kSystem ? 32 : c.loads ? 5 : 0);
        cursor.Release();
        EXPECT_EQ(cursor.LoadCount(), 0);
        TErrorRec* e = NewestError();
        ASSERT_EQ(e ? e->code : 0, c.code);
        if (e) {
            EXPECT_EQ(std::string(e->object.c_str()), c.path);
            EXPECT_STREQ(e->source.c_str(), c.source);
        }
    }
}

TEST_F(CursorCheckTest, HotSpotsOfEachKind) {
    TMetaCur pic;
    pic.SetPath(picture.c_str());
    pic.SetHotSpot(TPoint(3, 2));
    EXPECT_EQ(pic.GetHotSpot().x, 0); // nothing loaded
    ASSERT_EQ(pic.Lock(0, 0), 1);
    EXPECT_EQ(pic.GetHotSpot().x, 3);
    EXPECT_EQ(pic.GetHotSpot().y, 2);
    pic.Unlock();

    TMetaCur sys;
    sys.SetPath(cur.c_str());
    sys.SetHotSpot(TPoint(9, 9)); // kept as its own until loaded
    ASSERT_EQ(sys.Load(), 1);
    EXPECT_EQ(sys.GetHotSpot().x, 4); // the file's
    EXPECT_EQ(sys.GetHotSpot().y, 6);
    sys.SetHotSpot(TPoint(1, 2));
    EXPECT_EQ(sys.GetCursorRecord()->hotX, 1);
    sys.Release();
    EXPECT_EQ(sys.GetHotSpot().x, 0);
}

TEST_F(CursorCheckTest, ProgramCursorsByName) {
    TFileCtl::SetRootPath(dir.Path().string().c_str());
    TFileCtl::SetProfile(dir.Write("resource.ini", "[Main]\r\nPath=.\r\n[Cursors]\r\n"
                                                   "CURARROW=c.CUR\r\ncurNone=c.CUR\r\n")
                             .c_str());
    HINSTANCE module = platform::ProgramInstance();
    TMetaCur arrow("CURARROW");
    ASSERT_EQ(arrow.LoadModule(module), 1); // the name, not the file
    EXPECT_EQ(arrow.GetType(), TCursorRes::kSystem);
    ASSERT_NE(arrow.GetHandle(), nullptr);
    EXPECT_EQ(GetCursor(), arrow.GetHandle()); // set at once
    EXPECT_EQ(arrow.GetCursorRecord(), nullptr);
    EXPECT_EQ(arrow.GetCursorWidth(), 32);
    arrow.Release();
    EXPECT_EQ(arrow.GetHandle(), nullptr);

    TMetaCur none("curNone");
    EXPECT_EQ(none.LoadModule(module), 0);
    none.Release();
    ASSERT_NE(NewestError(), nullptr);
    EXPECT_EQ(NewestError()->code, 20);
    EXPECT_STREQ(NewestError()->message.c_str(), "-");
    EXPECT_STREQ(NewestError()->object.c_str(), "curNone");
    EXPECT_STREQ(NewestError()->source.c_str(), "Source\\TWinCur");
    TFileCtl::SetProfile("");
}

// --- the cursor device ------------------------------------------------------

bool Same(const TRectArea& a, const TRectArea& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(CursorCheckTest, DeviceDefaultsAndSetters) {
    TCursDev device;
    EXPECT_TRUE(device.IsVisible());
    EXPECT_EQ(device.DeviceFlags(), TCursDev::dOldReported | TCursDev::dVisibilityChanged);
    EXPECT_EQ(device.GetMTCursor(), 0);
    EXPECT_TRUE(device.IsDirty());
    TMetaCur a, b;
    device.SetCursorRes(&a, 0);
    device.SetCursorRes(&b, 1);
    EXPECT_EQ(device.GetCursorRes(0), &a);
    EXPECT_EQ(device.GetCursorRes(1), &b);
    EXPECT_EQ(device.GetCursorRes(2), &b); // the override wins
    device.SetCursorRes(nullptr, 1);
    EXPECT_EQ(device.GetCursorRes(2), &a);
    device.Invalidate(false);
    device.SetKeyColor(0x00FF00, 0, 0); // the key it has
    device.SetKeep(1);
    EXPECT_FALSE(device.IsDirty());
    device.SetKeyColor(0xFF00FF, 0, 0);
    EXPECT_TRUE(device.IsDirty());
    device.Invalidate(false);
    device.SetKeep(0);
    EXPECT_TRUE(device.IsDirty());
    device.SetCursorRes(nullptr, 0);
}

TEST_F(CursorCheckTest, ReportsOfMovingAndHiding) {
    ASSERT_TRUE(OpenDisplay());
    TMetaCur pic;
    pic.SetPath(picture.c_str());
    pic.SetHotSpot(TPoint(1, 1));
    TCursDev device;
    Recorder r;
    ASSERT_EQ(device.Open(&r), 1);
    device.SetCursorRes(&pic, 0);
    device.SetPos(10, 10);
    device.Move();
    ASSERT_EQ(r.rects.size(), 1u); // first shown: the new place
    EXPECT_TRUE(Same(r.rects[0], {9, 9, 14, 12}));
    device.Draw();
    device.Move();
    EXPECT_EQ(r.rects.size(), 1u); // drawn, not moved, nothing new
    device.SetPos(20, 5);
    device.Move();
    ASSERT_EQ(r.rects.size(), 3u); // old and new
    EXPECT_TRUE(Same(r.rects[1], {9, 9, 14, 12}));
    EXPECT_TRUE(Same(r.rects[2], {19, 4, 24, 7}));
    device.Draw();
    device.SetVisible(false);
    for (int i = 0; i < 3; ++i) {
        device.Move();
        device.Draw();
    }
    ASSERT_EQ(r.rects.size(), 4u); // the last rectangle, once
    EXPECT_TRUE(Same(r.rects[3], {19, 4, 24, 7}));
    device.Close();
}

// The save-under around presenting: a cursor partly above and left of the
// surface draws only what shows and puts exactly that back.
TEST_F(CursorCheckTest, SaveUnderAtTheSurfacesCorner) {
    TMetaCur pic;
    pic.SetPath(picture.c_str());
    pic.SetHotSpot(TPoint(3, 2));
    TCursDev device;
    device.Open(nullptr);
    device.SetCursorRes(&pic, 0);
    device.Update(); // loads the cursor, no thread
    PolledByTheTest(device);
    for (int depth : {15, 16, 24, 32}) {
        SCOPED_TRACE(depth);
        int32_t bpp = depth == 15 ? 2 : depth / 8;
        Bytes pixels(static_cast<size_t>(8) * 6 * bpp);
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = static_cast<uint8_t>(i * 13 + 1);
        Bytes before = pixels;
        GdlDeviceContext dc{};
        dc.surface = pixels.data();
        dc.mode.maxX = 7;
        dc.mode.maxY = 5;
        dc.mode.bitsPerPixel = depth;
        dc.mode.bytesPerLine = 8 * bpp;
        device.SetPos(1, 0); // rectangle (-2, -2) to (3, 1)
        device.Move();
        device.DrawDIB(&dc);
        // (0, 0) shows picture pixel (2, 2); (3, 0) and (0, 1) are outside it.
        EXPECT_NE(std::memcmp(&pixels[0], &before[0], bpp), 0);
        EXPECT_EQ(std::memcmp(&pixels[3 * bpp], &before[3 * bpp], bpp), 0);
        EXPECT_EQ(std::memcmp(&pixels[8 * bpp], &before[8 * bpp], bpp), 0);
        device.Restore(&dc);
        EXPECT_EQ(pixels, before);
    }
    EXPECT_FALSE(device.ThreadRunning());
    device.Close();
}

} // namespace
