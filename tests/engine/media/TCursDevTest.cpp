// The cursor device's pixel moves and its thread: conversions pair by pair,
// the key only on the cursor image, the save-under around presenting, and
// one thread that is joined when the multi-threaded cursor goes off.
#include "foundation/TError.h"
#include "media/devices/TCursDev.h"
#include "media/devices/TCursorBlit.h"
#include "media/devices/TDirtyRects.h"
#include "media/devices/TDispDev.h"
#include "media/devices/TDispHooks.h"
#include "platform/User.h"

#include "MemoryDesktop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace {

struct Rgb {
    uint8_t r, g, b;
};

// Per-pixel references of each layout.
void Put(int depth, uint8_t* p, Rgb c) {
    uint32_t v = depth == 15 ? ((c.r >> 3) << 10) | ((c.g >> 3) << 5) | (c.b >> 3)
                             : ((c.r >> 3) << 11) | ((c.g >> 2) << 5) | (c.b >> 3);
    if (depth <= 16) {
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
    } else {
        p[0] = c.b;
        p[1] = c.g;
        p[2] = c.r;
    }
}
Rgb Get(int depth, const uint8_t* p) {
    uint32_t v = p[0] | p[1] << 8;
    if (depth == 15)
        return {static_cast<uint8_t>(((v >> 10) & 31) << 3),
                static_cast<uint8_t>(((v >> 5) & 31) << 3), static_cast<uint8_t>((v & 31) << 3)};
    if (depth == 16)
        return {static_cast<uint8_t>(((v >> 11) & 31) << 3),
                static_cast<uint8_t>(((v >> 5) & 63) << 2), static_cast<uint8_t>((v & 31) << 3)};
    return {p[2], p[1], p[0]};
}
int Bytes(int depth) {
    return depth == 15 ? 2 : depth / 8;
}

TEST(ConvertBlitTest, EveryPairMatchesPerPixelConversion) {
    const int depths[] = {15, 16, 24, 32};
    for (int from : depths)
        for (int to : depths) {
            SCOPED_TRACE(std::to_string(from) + " -> " + std::to_string(to));
            std::vector<uint8_t> src(4 * 3 * Bytes(from)), dst(4 * 3 * Bytes(to), 0);
            for (int i = 0; i < 12; ++i)
                Put(from, &src[i * Bytes(from)],
                    {static_cast<uint8_t>(i * 21), static_cast<uint8_t>(255 - i * 9),
                     static_cast<uint8_t>(i * 13 + 7)});
            TBlitSurface s{src.data(), 4 * Bytes(from), 4, 3, from};
            TBlitSurface d{dst.data(), 4 * Bytes(to), 4, 3, to};
            ConvertBlit(d, s, 4, 3, 0, 0, false);
            for (int i = 0; i < 12; ++i) {
                std::vector<uint8_t> want(4, 0);
                Put(to, want.data(), Get(from, &src[i * Bytes(from)]));
                EXPECT_EQ(std::memcmp(&dst[i * Bytes(to)], want.data(), to == 32 ? 3 : Bytes(to)),
                          0)
                    << i;
            }
        }
}

TEST(ConvertBlitTest, KeyOnlyWhenAskedAndClippedAtTheEdges) {
    uint8_t green[3] = {0, 255, 0}, red[3] = {0, 0, 255};
    std::vector<uint8_t> src(2 * 2 * 3);
    std::memcpy(&src[0], green, 3);
    for (int i = 1; i < 4; ++i)
        std::memcpy(&src[i * 3], red, 3);
    TBlitSurface s{src.data(), 6, 2, 2, 24};
    std::vector<uint8_t> dst(2 * 2 * 3, 9);
    TBlitSurface d{dst.data(), 6, 2, 2, 24};
    ConvertBlit(d, s, 2, 2, 0, 0, true);
    EXPECT_EQ(dst[1], 9); // keyed: the green pixel was not written
    ConvertBlit(d, s, 2, 2, 0, 0, false);
    EXPECT_EQ(dst[1], 255); // a restored green background is written
    std::fill(dst.begin(), dst.end(), 9);
    ConvertBlit(d, s, 2, 2, -1, -1, false); // only the last source pixel lands, at (0, 0)
    EXPECT_EQ(dst[2], 255);
    EXPECT_EQ(dst[3], 9);
}

TEST(ExpandMonoCursorTest, DrawnBitsAreWhiteOrBlackTheRestKey) {
    uint8_t bits[256] = {};
    bits[0] = 0x80;   // colour 1 at (0, 0)
    bits[128] = 0xC0; // (0, 0) and (1, 0) drawn
    uint8_t out[3072];
    const uint8_t key[3] = {0, 255, 0}, white[3] = {255, 255, 255}, black[3] = {0, 0, 0};
    ExpandMonoCursor(out, bits, key, white, black);
    EXPECT_EQ(std::memcmp(out, white, 3), 0);
    EXPECT_EQ(std::memcmp(out + 3, black, 3), 0);
    EXPECT_EQ(std::memcmp(out + 6, key, 3), 0);
}

// Pictures of palette indexes become blue, green, red pixels: the first
// pixel of a byte in its highest bits, each row from its own start (rows
// padded past their pixels), through the palette's first three bytes, or
// as a grey level without a palette; other depths are refused.
TEST(ExpandIndexedImageTest, IndexesInByteOrderThroughThePaletteOrAsGreys) {
    std::vector<uint8_t> palette(256 * 4);
    for (int i = 0; i < 256; ++i) {
        palette[4 * size_t(i)] = uint8_t(i);
        palette[4 * size_t(i) + 1] = uint8_t(255 - i);
        palette[4 * size_t(i) + 2] = uint8_t(i / 2);
        palette[4 * size_t(i) + 3] = 0xEE; // never copied
    }
    struct Case {
        int32_t depth;
        std::vector<uint8_t> rows; // two rows of 4 bytes each
        std::vector<int> indexes;  // three pixels a row
    };
    const Case cases[] = {
        {1, {0xA0, 0, 0, 0, 0x40, 0, 0, 0}, {1, 0, 1, 0, 1, 0}},
        {4, {0x3C, 0x90, 0, 0, 0x0F, 0xF0, 0, 0}, {3, 12, 9, 0, 15, 15}},
        {8, {7, 200, 255, 0, 0, 1, 128, 0}, {7, 200, 255, 0, 1, 128}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.depth);
        for (bool withPalette : {true, false}) {
            std::vector<uint8_t> out(2 * 3 * 3, 0x55);
            ASSERT_TRUE(ExpandIndexedImage(out.data(), c.rows.data(), 4, 3, 2, c.depth,
                                           withPalette ? palette.data() : nullptr));
            for (size_t p = 0; p < 6; ++p) {
                const int index = c.indexes[p];
                const int grey = index * 255 / ((1 << c.depth) - 1);
                const uint8_t want[3] = {uint8_t(withPalette ? index : grey),
                                         uint8_t(withPalette ? 255 - index : grey),
                                         uint8_t(withPalette ? index / 2 : grey)};
                EXPECT_EQ(std::memcmp(out.data() + 3 * p, want, 3), 0) << p << " " << withPalette;
            }
        }
    }
    uint8_t out[3] = {};
    const uint8_t row[4] = {};
    for (int32_t depth : {2, 15, 16, 24})
        EXPECT_FALSE(ExpandIndexedImage(out, row, 4, 1, 1, depth, palette.data())) << depth;
}

GdlDeviceContext Context(std::vector<uint8_t>& pixels, int w, int h, int depth) {
    GdlDeviceContext dc{};
    dc.surface = pixels.data();
    dc.mode.maxX = w - 1;
    dc.mode.maxY = h - 1;
    dc.mode.bitsPerPixel = depth;
    dc.mode.bytesPerLine = w * Bytes(depth);
    return dc;
}

TEST(TCursDevTest, DrawDibAndRestoreLeaveNoTraceAndReleaseTheLock) {
    TCursDev device;
    device.SetMTCursor(1); // no Update runs: no thread
    std::vector<uint8_t> pixels(64 * 48 * 3);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = i % 3 == 1 ? 255 : 0; // pure green everywhere
    std::vector<uint8_t> before = pixels;
    GdlDeviceContext dc = Context(pixels, 64, 48, 24);
    for (int frame = 0; frame < 3; ++frame) {
        device.DrawDIB(&dc);
        device.Restore(&dc);
    }
    EXPECT_EQ(pixels, before);
    EXPECT_FALSE(device.ThreadRunning());
}

TEST(TCursDevTest, EnablingTwiceStartsOneThreadAndDisablingJoinsIt) {
    TCursDev device;
    device.SetSleepTime(1);
    device.SetMTCursor(1);
    device.Update();
    EXPECT_TRUE(device.ThreadRunning());
    device.SetMTCursor(1);
    device.Update();
    EXPECT_TRUE(device.ThreadRunning());
    device.SetMTCursor(0);
    device.Update();
    EXPECT_FALSE(device.ThreadRunning());
}

TEST(TCursDevTest, HidingMarksAnUpdateOnce) {
    TCursDev device;
    device.Update();
    device.SetVisible(false);
    EXPECT_FALSE(device.IsVisible());
    EXPECT_NE(device.DeviceFlags() & TCursDev::dVisibilityChanged, 0u);
}

// The thread draws into the window while the main thread resizes it (the
// display rebuilds its contexts) and then closes the display: the display
// holds the cursor lock around both and hands the device its new contexts,
// so the thread never draws through a freed one. On real time; asserts only
// that it ends with the thread joined and no display left to draw into.
TEST(TCursDevTest, ThreadDrawsWhileTheDisplayIsRebuiltAndClosed) {
    testsupport::UseMemoryDesktop(24);
    TError::ClearLists();
    DisplayHooks() = TDispHooks{};
    TDispDev& display = TDispDev::Global();
    display.SetClassName("CursorThread");
    display.SetDriverFlags(0x600);
    display.SetMode(64, 48, 24);
    ASSERT_TRUE(display.Open());
    TCursDev device;
    ASSERT_EQ(device.Open(nullptr), 1);
    device.SetSleepTime(1);
    device.SetMTCursor(1);
    device.Update();
    ASSERT_TRUE(device.ThreadRunning());
    POINT origin{0, 0};
    ClientToScreen(display.GetWindow(), &origin);
    for (int i = 0; i < 20; ++i) {
        SetCursorPos(origin.x + i * 3, origin.y + i * 2);
        const int size = i % 2 ? 80 : 60;
        SetWindowPos(display.GetWindow(), nullptr, 0, 0, size, size, SWP_NOMOVE | SWP_NOZORDER);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    display.Close();
    device.SetMTCursor(0);
    device.Update();
    EXPECT_FALSE(device.ThreadRunning());
    EXPECT_EQ(device.GetDisplay().dc, nullptr);
    device.Close();
    display.ReleaseLibrary();
    TDirtyRects::ClearTracking();
    TDirtyRects::SetChanged(0);
    TError::ClearLists();
}

} // namespace
