// Screen capture on the memory host: the display's drawing context recorded
// into delta animations and AVI films at the timer's rate, through pauses,
// resizes and padded rows.

#include "CaptureFixture.h"
#include "platform/User.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

class TCaptureTest : public check::CaptureFixture {
protected:
    // Fills every row's pixel bytes with a pattern of `seed`; the padding
    // behind a row gets a value no pixel has.
    void Paint(int seed) {
        GdlDeviceContext* dc = Context();
        const int32_t rowBytes = (int32_t(dc->mode.maxX) + 1) * ((dc->mode.bitsPerPixel + 1) / 8);
        for (uint32_t y = 0; y <= dc->mode.maxY; ++y) {
            uint8_t* row = dc->surface + size_t(y) * dc->mode.bytesPerLine;
            for (uint32_t i = 0; i < dc->mode.bytesPerLine; ++i)
                row[i] = int32_t(i) < rowBytes ? uint8_t(i * 3 + y * 5 + seed * 11) : 0xEE;
        }
    }

    std::vector<uint8_t> Rows() {
        GdlDeviceContext* dc = Context();
        const int32_t rowBytes = (int32_t(dc->mode.maxX) + 1) * ((dc->mode.bitsPerPixel + 1) / 8);
        std::vector<uint8_t> out;
        for (uint32_t y = 0; y <= dc->mode.maxY; ++y) {
            const uint8_t* row = dc->surface + size_t(y) * dc->mode.bytesPerLine;
            out.insert(out.end(), row, row + rowBytes);
        }
        return out;
    }

    // Every frame of a recording, as rows of pixel bytes.
    std::vector<std::vector<uint8_t>> Frames(const std::string& path) {
        TMetaAni ani;
        ani.SetPath(path.c_str());
        std::vector<std::vector<uint8_t>> out;
        if (!ani.Open(1)) return out;
        for (int32_t i = 0; ani.ReadFrame(i, 0); ++i) {
            const GdlBitmap* b = ani.GetPixelFormat();
            const int32_t rowBytes = b->width * ((b->bitsPerPixel + 1) / 8);
            std::vector<uint8_t> rows;
            for (int32_t y = 0; y < b->height; ++y)
                rows.insert(rows.end(), b->surface + size_t(y) * b->bytesPerLine,
                            b->surface + size_t(y) * b->bytesPerLine + rowBytes);
            out.push_back(rows);
        }
        return out;
    }
};

TEST_F(TCaptureTest, RecordsAFrameEachIntervalAtItsRate) {
    OpenDisplay(32, 8, 16, 16);
    TMetaAni ani;
    const std::string path = Prepare(ani, "cap.dla", 100.0f);
    Paint(0);
    std::vector<std::vector<uint8_t>> drawn = {Rows()};
    ASSERT_TRUE(capture.StartRecording());
    EXPECT_TRUE(capture.IsRunning());
    EXPECT_EQ(ani.GetRate(0), 10.0);
    EXPECT_EQ(capture.FrameNumber(), 1);
    for (int i = 1; i <= 3; ++i) {
        Paint(i);
        drawn.push_back(Rows());
        Tick(i == 1 ? 101 : 100);
    }
    EXPECT_EQ(capture.FrameNumber(), 4);
    capture.Pause();
    Paint(9);
    Tick(500); // paused: nothing
    capture.Resume();
    Paint(4);
    drawn.push_back(Rows());
    Tick(101);
    EXPECT_EQ(capture.FrameNumber(), 5);
    capture.StopRecording();
    EXPECT_FALSE(capture.IsRunning());
    EXPECT_EQ(capture.FrameDescription().pixelFormat, nullptr);
    EXPECT_EQ(ani.LoadCount(), 0);
    EXPECT_EQ(Frames(path), drawn);
}

TEST_F(TCaptureTest, AZeroIntervalIsAThousandFramesASecond) {
    OpenDisplay(8, 4, 16, 16);
    TMetaAni ani;
    Prepare(ani, "fast.dla", 0.0f);
    ASSERT_TRUE(capture.StartRecording());
    EXPECT_EQ(ani.GetRate(0), 1000.0);
    capture.StopRecording();
}

TEST_F(TCaptureTest, FifteenBitsAreRecordedAsSixteen) {
    OpenDisplay(12, 4, 15, 16);
    ASSERT_EQ(Context()->mode.bitsPerPixel, 15u);
    for (const char* name : {"cap15.dla", "cap15.avi"}) {
        SCOPED_TRACE(name);
        TMetaAni ani;
        const std::string path = Prepare(ani, name, 1000.0f);
        Paint(3);
        for (size_t i = 1; i < Context()->mode.bytesPerLine * 4; i += 2)
            Context()->surface[i] &= 0x7F; // 5:5:5 cells
        std::vector<uint8_t> drawn = Rows();
        ASSERT_TRUE(capture.StartRecording());
        EXPECT_EQ(capture.RecordedDepth(), 16);
        EXPECT_EQ(capture.FrameDescription().bitsPerPixel, 16);
        capture.StopRecording();
        TMetaAni back;
        back.SetPath(path.c_str());
        ASSERT_EQ(back.Open(1), 1);
        ASSERT_EQ(back.ReadFrame(0, 0), 1);
        EXPECT_EQ(back.GetPixelFormat()->bitsPerPixel, 16);
        EXPECT_EQ(back.GetPixelFormat()->pixelFormat->redPosition, 10);
        back.Close();
        EXPECT_EQ(Frames(path), (std::vector<std::vector<uint8_t>>{drawn}));
    }
}

TEST_F(TCaptureTest, AResizeDropsFramesUntilTheSizeReturns) {
    OpenDisplay(40, 30, 16, 16);
    HWND w = display.GetWindow();
    RECT outer{};
    GetWindowRect(w, &outer);
    TMetaAni ani;
    const std::string path = Prepare(ani, "resize.dla", 100.0f);
    Paint(1);
    std::vector<std::vector<uint8_t>> drawn = {Rows()};
    ASSERT_TRUE(capture.StartRecording());
    SetWindowPos(w, nullptr, 0, 0, 60, 50, SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_NE(Context()->mode.maxX + 1, 40u);
    Paint(2);
    Tick(101);
    Tick(100);
    EXPECT_EQ(capture.FrameNumber(), 1);
    SetWindowPos(w, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_EQ(Context()->mode.maxX + 1, 40u);
    Paint(3); // the rebuilt context's own pixels
    drawn.push_back(Rows());
    Tick(100);
    EXPECT_EQ(capture.FrameNumber(), 2);
    capture.StopRecording();
    EXPECT_EQ(Frames(path), drawn);
}

TEST_F(TCaptureTest, PaddedRowsOfAnOddWidthAreNotSkewed) {
    OpenDisplay(13, 5, 24, 32);
    ASSERT_EQ(Context()->mode.bitsPerPixel, 24u);
    ASSERT_GT(Context()->mode.bytesPerLine, 13u * 3);
    for (const char* name : {"odd.dla", "odd.avi"}) {
        SCOPED_TRACE(name);
        TMetaAni ani;
        const std::string path = Prepare(ani, name, 50.0f);
        Paint(5);
        std::vector<std::vector<uint8_t>> drawn = {Rows()};
        ASSERT_TRUE(capture.StartRecording());
        Paint(6);
        drawn.push_back(Rows());
        Tick(51);
        capture.StopRecording();
        EXPECT_EQ(Frames(path), drawn);
    }
}

TEST_F(TCaptureTest, AStartThatCannotWriteChangesNothing) {
    OpenDisplay(128, 96, 16, 16);
    TMetaAni ani;
    capture.SetInterval(100.0f);
    EXPECT_FALSE(capture.StartRecording()); // no display, no animation
    capture.SetDisplay(&display);
    EXPECT_FALSE(capture.StartRecording());
    // A device that takes no bytes: the first frame cannot be written.
    const std::string full = dir.File("full.dla");
    std::filesystem::create_symlink("/dev/full", full);
    ani.SetPath(full.c_str());
    capture.SetAnimation(&ani);
    EXPECT_FALSE(capture.StartRecording());
    EXPECT_FALSE(capture.IsRunning());
    EXPECT_EQ(ani.LoadCount(), 0);
    EXPECT_EQ(capture.FrameDescription().pixelFormat, nullptr);
    Tick(1000);
    EXPECT_EQ(capture.FrameNumber(), 0);
    // A recording still starts once a writable file is given.
    ani.SetPath(dir.File("later.dla").c_str());
    EXPECT_TRUE(capture.StartRecording());
    capture.StopRecording();
}

} // namespace

// Screen capture checked on the memory host and virtual ticks: the rate for
// each interval and the depth as the files' own trailers and headers store
// them, the frame description taken from the drawing context, ticks summed
// past the interval, the palette of an 8-bit display, refused starts, closing.
namespace {

using Bytes = std::vector<uint8_t>;

uint32_t Get(const Bytes& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

// Trailer fields of a delta animation: rate, width, height, bits, count.
struct Trailer {
    float rate;
    uint32_t width, height, bits, count;
    Bytes block;
};

Trailer ReadTrailer(const Bytes& file) {
    const size_t t = file.size() - 68;
    Trailer r{};
    const uint32_t rate = Get(file, t + 48);
    std::memcpy(&r.rate, &rate, 4);
    r.width = Get(file, t + 52);
    r.height = Get(file, t + 56);
    r.bits = Get(file, t + 60);
    r.count = Get(file, t + 64);
    r.block.assign(file.begin() + long(t), file.begin() + long(t) + 48);
    return r;
}

using CaptureCheckTest = check::CaptureFixture;

struct RateCase {
    float interval;
    float rate;
};

// The rate is 1000 / the interval (an interval under 1 ms counts as 1);
// the trailer stores it with the viewport's size and the depth, 15 as 16,
// and the context's pixel format.
TEST_F(CaptureCheckTest, RateSizeAndDepthAsStored) {
    OpenDisplay(20, 6, 15, 16);
    const RateCase cases[] = {{100.0f, 10.0f}, {40.0f, 25.0f},  {7.0f, 1000.0f / 7.0f},
                              {0.0f, 1000.0f}, {0.5f, 1000.0f}, {2000.0f, 0.5f}};
    for (const RateCase& c : cases) {
        SCOPED_TRACE(c.interval);
        TMetaAni ani;
        const std::string path =
            Prepare(ani, "rate" + std::to_string(int(c.interval * 10)) + ".dla", c.interval);
        ASSERT_TRUE(capture.StartRecording());
        EXPECT_EQ(capture.RecordedWidth(), 20);
        EXPECT_EQ(capture.RecordedHeight(), 6);
        EXPECT_EQ(capture.RecordedDepth(), 16);
        const GdlBitmap& d = capture.FrameDescription();
        EXPECT_EQ(d.bitsPerPixel, 16);
        EXPECT_EQ(d.bytesPerLine, int32_t(Context()->mode.bytesPerLine));
        EXPECT_EQ(d.surface, Context()->surface);
        EXPECT_EQ(d.palette, nullptr);
        ASSERT_NE(d.pixelFormat, nullptr);
        EXPECT_NE(d.pixelFormat, &Context()->format); // a copy of its own
        EXPECT_EQ(std::memcmp(d.pixelFormat, &Context()->format, 48), 0);
        capture.StopRecording();
        const Trailer t = ReadTrailer(testsupport::TempDir::Read(path));
        EXPECT_FLOAT_EQ(t.rate, c.rate);
        EXPECT_EQ(t.width, 20u);
        EXPECT_EQ(t.height, 6u);
        EXPECT_EQ(t.bits, 16u);
        EXPECT_EQ(t.count, 1u);
        EXPECT_EQ(std::memcmp(t.block.data(), &Context()->format, 48), 0);
    }
}

// Ticks add up past the interval; each firing writes the next frame; the
// numbering survives a pause, and a paused recording keeps its file open.
TEST_F(CaptureCheckTest, TicksAddUpToFrames) {
    OpenDisplay(8, 4, 16, 16);
    TMetaAni ani;
    const std::string path = Prepare(ani, "ticks.dla", 100.0f);
    ASSERT_TRUE(capture.StartRecording());
    EXPECT_TRUE(capture.IsRunning());
    EXPECT_EQ(capture.FrameNumber(), 1);
    Tick(60);
    EXPECT_EQ(capture.FrameNumber(), 1);
    Tick(60); // 120: one firing, 20 left over
    EXPECT_EQ(capture.FrameNumber(), 2);
    Tick(80); // 100: equal does not fire
    EXPECT_EQ(capture.FrameNumber(), 2);
    Tick(1);
    EXPECT_EQ(capture.FrameNumber(), 3);
    capture.Pause();
    EXPECT_FALSE(capture.IsRunning());
    EXPECT_EQ(ani.LoadCount(), 1);
    Tick(300);
    EXPECT_EQ(capture.FrameNumber(), 3);
    EXPECT_EQ(ani.LoadCount(), 1); // still open
    capture.Resume();
    EXPECT_TRUE(capture.IsRunning());
    Tick(100);
    EXPECT_EQ(capture.FrameNumber(), 4);
    capture.StopRecording();
    EXPECT_FALSE(capture.IsRunning());
    EXPECT_EQ(ani.LoadCount(), 0);
    Tick(500); // stopped: nothing
    EXPECT_EQ(ReadTrailer(testsupport::TempDir::Read(path)).count, 4u);
}

// An 8-bit display hands its palette over: an AVI recording carries it.
TEST_F(CaptureCheckTest, EightBitDisplaysGiveTheirPalette) {
    OpenDisplay(8, 4, 8, 8);
    ASSERT_EQ(Context()->mode.bitsPerPixel, 8u);
    TMetaAni ani;
    const std::string path = Prepare(ani, "eight.avi", 100.0f);
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 8; ++x)
            Context()->surface[y * Context()->mode.bytesPerLine + x] = uint8_t(y * 8 + x);
    ASSERT_TRUE(capture.StartRecording());
    ASSERT_NE(capture.FrameDescription().palette, nullptr);
    const GdlPaletteEntry* palette = display.GetPalette();
    capture.StopRecording();
    TMetaAni back;
    back.SetPath(path.c_str());
    ASSERT_EQ(back.Open(1), 1);
    ASSERT_EQ(back.ReadFrame(0, 0), 1);
    const GdlBitmap* b = back.GetPixelFormat();
    EXPECT_EQ(b->bitsPerPixel, 8);
    ASSERT_NE(b->palette, nullptr);
    EXPECT_EQ(std::memcmp(b->palette, palette, 1024), 0);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 8; ++x)
            EXPECT_EQ(b->surface[y * b->bytesPerLine + x], uint8_t(y * 8 + x));
    back.Close();
}

// A start refused because the animation is open already changes nothing;
// Close stops the timer and leaves the parent.
TEST_F(CaptureCheckTest, RefusedStartsAndClose) {
    OpenDisplay(8, 4, 16, 16);
    TMetaAni ani;
    Prepare(ani, "busy.dla", 100.0f);
    ASSERT_EQ(ani.Open(2), 1);
    EXPECT_FALSE(capture.StartRecording());
    EXPECT_FALSE(capture.IsRunning());
    EXPECT_EQ(capture.FrameNumber(), 0);
    EXPECT_EQ(capture.FrameDescription().pixelFormat, nullptr);
    EXPECT_EQ(ani.LoadCount(), 1);
    ani.Close();
    TMetaAni unnamed; // the capture's own animation, no file yet
    capture.SetAnimation(&unnamed);
    EXPECT_FALSE(capture.StartRecording());
    capture.SetAnimation(&ani);
    ASSERT_TRUE(capture.StartRecording());
    TComp parent;
    capture.SetParent(&parent);
    capture.Close();
    EXPECT_EQ(capture.GetParent(), nullptr);
    const int32_t frames = capture.FrameNumber();
    Tick(1000);
    EXPECT_EQ(capture.FrameNumber(), frames);
    capture.StopRecording();
}

} // namespace
