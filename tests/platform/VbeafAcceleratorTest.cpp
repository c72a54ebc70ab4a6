// The simulated VBE/AF accelerator and its helper device: only our stubs and
// entry handles run, drawing waits in the queue until something looks at
// video memory, the pixel rules of rectangles, clips, mixes and blits, the
// hardware cursor as an overlay of the scan-out, and \\.\GDLHELP's codes.
#include "VbeafWriter.h"

#include "platform/Adapter.h"
#include "platform/Clock.h"
#include "platform/DeviceIo.h"
#include "platform/Host.h"
#include "platform/Thread.h"
#include "platform/Vbe.h"
#include "platform/Vbeaf.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using namespace platform;
namespace vb = platform::vbeaf;

uint32_t get32(const std::vector<uint8_t>& image, uint32_t at) {
    return uint32_t(image[at]) | uint32_t(image[at + 1]) << 8 | uint32_t(image[at + 2]) << 16 |
           uint32_t(image[at + 3]) << 24;
}

class Accelerator : public ::testing::Test {
protected:
    void SetUp() override {
        UseHost(HostKind::Memory);
        ClockUseVirtual(true);
        ASSERT_TRUE(UseAdapter("accel"));
    }
    // The writer's driver, initialised, in 640 x 480 x 8 (mode 100h, linear).
    // Another mode of 640 pixels a line: `bytes` a pixel.
    void Start(const tools::VbeafOptions& o = {}, intptr_t mode = 0x4100, int bytes = 1) {
        image_ = tools::WriteVbeaf(o);
        ASSERT_EQ(VbeafCallCode(image_.data(), image_.size(), get32(image_, vb::kInitEntry)), 0u);
        int32_t bytesPerLine = 0;
        ASSERT_EQ(Call(vb::kSetMode, {mode, -1, -1, intptr_t(&bytesPerLine), 1, 0}), 0);
        ASSERT_EQ(bytesPerLine, 640 * bytes);
        video_ = AdapterVideoMemory().base;
        VbeafClearCallLog();
    }
    int64_t Call(uint32_t slot, std::initializer_list<intptr_t> args) {
        return VbeafCallEntry(image_.data(), image_.size(), slot, args);
    }
    // Pixel (x, y) as video memory holds it now (nothing flushed).
    uint8_t At(int x, int y) const { return video_[size_t(y) * 640 + size_t(x)]; }
    std::vector<uint8_t> image_;
    uint8_t* video_ = nullptr;
};

TEST_F(Accelerator, OnlyOurStubsAndHandlesRun) {
    tools::VbeafOptions o;
    o.absent = {vb::kEnableDirect, vb::kDisableDirect};
    image_ = tools::WriteVbeaf(o);
    const uint32_t init = get32(image_, vb::kInitEntry);
    // Before initialisation no entry answers.
    EXPECT_EQ(Call(vb::kWaitIdle, {}), -1);
    std::vector<uint8_t> foreign = image_;
    foreign[init] = 0x55;
    EXPECT_NE(VbeafCallCode(foreign.data(), foreign.size(), init), 0u);
    EXPECT_NE(VbeafCallCode(image_.data(), image_.size(), uint32_t(image_.size())), 0u);
    EXPECT_NE(VbeafCallCode(image_.data(), init + 5, init), 0u) << "a stub cut short";
    tools::VbeafOptions other;
    other.accelerator = 0x1234;
    std::vector<uint8_t> theirs = tools::WriteVbeaf(other);
    EXPECT_NE(VbeafCallCode(theirs.data(), theirs.size(), init), 0u);
    ASSERT_EQ(VbeafCallCode(image_.data(), image_.size(), init), 0u);
    EXPECT_EQ(get32(image_, vb::kEnableDirect), 0u) << "not offered, not filled";
    EXPECT_NE(get32(image_, vb::kWaitIdle), vb::kEntryWanted);
    EXPECT_EQ(Call(vb::kWaitIdle, {}), 0);
    EXPECT_EQ(Call(vb::kEnableDirect, {}), -1);
    // Another card has no accelerator: the same driver is refused.
    ASSERT_TRUE(UseAdapter("vbe30"));
    image_ = tools::WriteVbeaf({});
    EXPECT_NE(VbeafCallCode(image_.data(), image_.size(), init), 0u);
}

TEST_F(Accelerator, DrawingWaitsUntilIdleAndKeepsThePixelRules) {
    Start();
    // A rectangle is half-open: x 10 to 29, y 20 to 24.
    EXPECT_EQ(Call(vb::kDrawRect, {5, 10, 20, 20, 5}), 0);
    EXPECT_EQ(VbeafQueuedOperations(), 1u);
    EXPECT_EQ(At(10, 20), 0) << "not drawn before wait-idle";
    Call(vb::kWaitIdle, {});
    EXPECT_EQ(VbeafQueuedOperations(), 0u);
    for (int y = 19; y <= 25; ++y)
        for (int x = 9; x <= 30; ++x)
            EXPECT_EQ(At(x, y), x >= 10 && x < 30 && y >= 20 && y < 25 ? 5 : 0) << x << "," << y;
    // The clip rectangle is inclusive; XOR mixes.
    Call(vb::kSetClipRect, {0, 0, 11, 21});
    Call(vb::kSetMix, {3, 4});
    Call(vb::kDrawRect, {3, 0, 0, 100, 100});
    // An overlapping blit reads what was there before it wrote.
    Call(vb::kSetClipRect, {0, 0, 639, 479});
    Call(vb::kBitBlt, {10, 20, 3, 1, 11, 30, 0});
    Call(vb::kEnableDirect, {});
    EXPECT_EQ(At(11, 21), 5 ^ 3);
    EXPECT_EQ(At(12, 21), 5);
    EXPECT_EQ(At(11, 30), 5 ^ 3);
    EXPECT_EQ(At(13, 30), 5);
    EXPECT_EQ(At(14, 30), 0);
    Call(vb::kDisableDirect, {});
    const std::vector<VbeafCall> log = VbeafCallLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log[0].slot, vb::kDrawRect);
    EXPECT_EQ(log[0].args, (std::vector<int64_t>{5, 10, 20, 20, 5}));
}

TEST_F(Accelerator, FullWidthBlitsOverTheirOwnRowsReadWhatWasThere) {
    Start();
    // Rows of whole lines overlap their source one line down, then one up.
    auto fill = [&] {
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 640; ++x)
                video_[size_t(y) * 640 + size_t(x)] = uint8_t(y * 16 + x % 13);
    };
    fill();
    Call(vb::kBitBlt, {0, 0, 640, 10, 0, 1, 0});
    Call(vb::kWaitIdle, {});
    for (int y = 1; y <= 10; ++y)
        for (int x : {0, 7, 639})
            EXPECT_EQ(At(x, y), uint8_t((y - 1) * 16 + x % 13)) << "down: " << x << "," << y;
    EXPECT_EQ(At(5, 11), uint8_t(11 * 16 + 5));
    fill();
    Call(vb::kBitBlt, {0, 1, 640, 10, 0, 0, 0});
    Call(vb::kWaitIdle, {});
    for (int y = 0; y < 10; ++y)
        for (int x : {0, 7, 639})
            EXPECT_EQ(At(x, y), uint8_t((y + 1) * 16 + x % 13)) << "up: " << x << "," << y;
    EXPECT_EQ(At(5, 10), uint8_t(10 * 16 + 5));
}

TEST_F(Accelerator, ReadingVideoMemoryOrTheScanOutDrawsTheQueue) {
    Start();
    Call(vb::kDrawScan, {7, 3, 9, 2}); // x 2 to 8 on line 3
    EXPECT_EQ(AdapterScanOutFrame().width, 640);
    EXPECT_EQ(At(2, 3), 7);
    EXPECT_EQ(At(8, 3), 7);
    EXPECT_EQ(At(9, 3), 0);
    Call(vb::kSrcTransBlt, {2, 3, 8, 1, 100, 100, 0, 7}); // every pixel the key
    Call(vb::kDstTransBlt, {2, 3, 8, 1, 100, 101, 0, 0}); // every destination the key
    EXPECT_NE(AdapterVideoMemory().base, nullptr);
    EXPECT_EQ(At(100, 100), 0);
    EXPECT_EQ(At(100, 101), 7);
    EXPECT_EQ(At(107, 101), 0) << "the source's own zero copied";
}

// A stipple is read from bit 0 up, from the bit of its position (or bit 0
// when nothing set lies there or above), and starts again at bit 0 once no
// set bit is left above; each stippled line moves the position on by its
// pixels, a solid line leaves it. The two further primitives draw nothing.
TEST_F(Accelerator, StippledLinesFollowTheirPatternFromLineToLine) {
    Start();
    Call(vb::kSetLineStipple, {0x0005});
    Call(vb::kSetLineStippleCount, {1});
    Call(vb::kDrawStippleLine, {4, 0, 2 << 16, 4 << 16, 2 << 16});       // bits 1, 2, 0, 1, 2
    Call(vb::kDrawLine, {9, 0, 3 << 16, 0, 3 << 16});                    // one solid pixel
    Call(vb::kDrawStippleLine, {4, 5 << 16, 2 << 16, 7 << 16, 2 << 16}); // from 6: bits 0, 1, 2
    Call(vb::kSetLineStippleCount, {18});                                // bit 2
    Call(vb::kDrawStippleLine, {6, 0, 4 << 16, 0, 6 << 16});             // downwards: 2, 0, 1
    Call(vb::kDrawExtra5, {7, 0, 0, 10, 10});
    Call(vb::kDrawExtra6, {7, 0, 0, 10, 10, 1});
    Call(vb::kWaitIdle, {});
    const std::vector<int> row2 = {At(0, 2), At(1, 2), At(2, 2), At(3, 2),
                                   At(4, 2), At(5, 2), At(6, 2), At(7, 2)};
    EXPECT_EQ(row2, (std::vector<int>{0, 4, 4, 0, 4, 4, 0, 4}));
    EXPECT_EQ(At(0, 3), 9);
    EXPECT_EQ((std::vector<int>{At(0, 4), At(0, 5), At(0, 6)}), (std::vector<int>{6, 6, 0}));
    EXPECT_EQ(At(1, 1), 0) << "the further primitives are recorded only";
}

// Solid rows at every start and width: each pixel whole, in its place, the
// pixels beside and the rows around untouched, whatever the row's alignment.
TEST_F(Accelerator, SolidRectanglesAtEveryAlignmentAndDepth) {
    struct Case {
        intptr_t mode;
        int bytes;
        uint32_t colour;
    };
    const Case cases[] = {{0x4106, 2, 0xA1B2},     {0x4106, 2, 0x3434}, // one byte repeated
                          {0x4109, 3, 0xA1B2C3},   {0x410C, 4, 0xA1B2C3D4},
                          {0x410C, 4, 0x5A5A5A5A}, {0x4100, 1, 0x77}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        Start({}, c.mode, c.bytes);
        const uint8_t* video = AdapterVideoMemory().base;
        const size_t pitch = 640 * size_t(c.bytes);
        std::memset(AdapterVideoMemory().base, 0, pitch * 100);
        for (int x = 0; x < 5; ++x)
            for (int w = 0; w < 10; ++w)
                Call(vb::kDrawRect, {intptr_t(c.colour), x, 1 + 2 * (x * 10 + w), w, 1});
        Call(vb::kWaitIdle, {});
        for (int y = 0; y < 100; ++y)
            for (int px = 0; px < 16; ++px) {
                const int x = (y - 1) / 2 / 10, w = (y - 1) / 2 % 10;
                const bool in = y % 2 == 1 && px >= x && px < x + w;
                uint32_t pixel = 0;
                std::memcpy(&pixel, video + size_t(y) * pitch + size_t(px * c.bytes),
                            size_t(c.bytes));
                ASSERT_EQ(pixel, in ? c.colour : 0u) << px << "," << y;
            }
    }
}

// A long run keeps its latest calls, oldest first, in a log of fixed size.
TEST_F(Accelerator, TheCallLogKeepsTheLatestCallsInOrder) {
    Start();
    constexpr int kCalls = 70000;
    for (int i = 0; i < kCalls; ++i)
        Call(vb::kSetLineStippleCount, {i});
    std::vector<VbeafCall> log = VbeafCallLog();
    ASSERT_EQ(log.size(), 65536u);
    EXPECT_EQ(log.front().args, (std::vector<int64_t>{kCalls - 65536}));
    EXPECT_EQ(log.back().args, (std::vector<int64_t>{kCalls - 1}));
    EXPECT_EQ(log[1000].args[0], log[999].args[0] + 1);
    VbeafClearCallLog();
    Call(vb::kDrawRect, {5, 10, 20, 20, 5});
    log = VbeafCallLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].args, (std::vector<int64_t>{5, 10, 20, 20, 5}));
}

TEST_F(Accelerator, TheCursorIsAnOverlayOfTheScanOutNeverInMemory) {
    Start();
    std::vector<AfPalette> palette(256, AfPalette{0, 0, 0, 0});
    palette[9] = {0, 0, 255, 0};
    Call(vb::kSetPalette, {intptr_t(palette.data()), 256, 0, 0});
    AfCursor shape{};
    for (int row = 0; row < 32; ++row)
        shape.andMask[row] = 0xFFFFFFFFu;
    shape.andMask[0] = 0x3FFFFFFFu; // two pixels of the cursor's colour
    shape.xorMask[0] = 0xC0000000u;
    shape.hotX = 1;
    Call(vb::kSetCursor, {intptr_t(&shape)});
    // At 8 bits the colour is an index, passed as red.
    Call(vb::kSetCursorColor, {9, 0, 0});
    Call(vb::kSetCursorPos, {50, 60});
    Call(vb::kShowCursor, {1});
    const Frame shown = AdapterScanOutFrame();
    EXPECT_EQ(shown.pixels[60 * 640 + 49], 0xFF0000u) << "the palette's entry 9";
    EXPECT_EQ(shown.pixels[60 * 640 + 50], 0xFF0000u);
    EXPECT_EQ(shown.pixels[60 * 640 + 51], 0u);
    EXPECT_EQ(At(49, 60), 0);
    VbeafShowCursorOverlay(false);
    EXPECT_EQ(AdapterScanOutFrame().pixels[60 * 640 + 49], 0u);
    const VbeafCursorState c = VbeafCursor();
    EXPECT_TRUE(c.shown);
    EXPECT_EQ(c.x, 50);
    EXPECT_EQ(c.red, 9u);
}

TEST_F(Accelerator, HelperDeviceAnswersItsFourCodesUntilClosed) {
    EXPECT_EQ(CreateFileA("\\\\.\\GDLHELP", 0, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE,
                          nullptr),
              INVALID_HANDLE_VALUE)
        << "no helper on this card";
    AdapterPersonality p = *CurrentAdapter();
    p.accel.helper = true;
    p.accel.helperImage = tools::WriteVbeaf({});
    UseAdapter(p);
    EXPECT_EQ(
        CreateFileA("\\\\.\\OTHER", 0, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr),
        INVALID_HANDLE_VALUE);
    HANDLE h = CreateFileA("\\\\.\\gdlhelp", 0, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE,
                           nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    uint32_t out[2]{};
    DWORD got = 0;
    ASSERT_TRUE(DeviceIoControl(h, kGdlHelpVersion, nullptr, 0, out, 4, &got, nullptr));
    EXPECT_EQ(out[0], 0x100u);
    EXPECT_FALSE(DeviceIoControl(h, kGdlHelpDriver, nullptr, 0, out, 4, &got, nullptr))
        << "8 bytes of output asked";
    ASSERT_TRUE(DeviceIoControl(h, kGdlHelpDriver, out, 4, out, 8, &got, nullptr));
    const auto* image = static_cast<const uint8_t*>(VbeafAddressOf(out[0]));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(out[1], p.accel.helperImage.size());
    EXPECT_EQ(std::memcmp(image, "VBEAF.DRV", 10), 0);
    // The leading word is ignored; pointers travel as handles.
    int32_t bytesPerLine = 0;
    const uint32_t in[7] = {
        0xDEADBEEF, 0x4100, 0xFFFFFFFF, 0xFFFFFFFF, VbeafHandleOf(&bytesPerLine), 1, 0};
    uint32_t result = 99;
    ASSERT_TRUE(DeviceIoControl(h, kGdlHelpSetMode, in, sizeof in, &result, 4, &got, nullptr));
    EXPECT_EQ(result, 0u);
    EXPECT_EQ(bytesPerLine, 640);
    EXPECT_NE(VbeCurrentMode(), 0);
    EXPECT_FALSE(DeviceIoControl(h, kGdlHelpSetMode, in, 20, &result, 4, &got, nullptr))
        << "input cut short";
    const uint32_t zero = 0;
    EXPECT_TRUE(DeviceIoControl(h, kGdlHelpTextMode, &zero, 4, nullptr, 0, &got, nullptr));
    EXPECT_EQ(VbeCurrentMode(), 0);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(DeviceIoControl(h, kGdlHelpVersion, nullptr, 0, out, 4, &got, nullptr));
    EXPECT_EQ(OpenDeviceCount(), 0);
}

} // namespace
