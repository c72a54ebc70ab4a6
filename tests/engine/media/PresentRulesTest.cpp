// Presenting dirty rectangles part by part: whatever set of rectangles a frame
// marks (two far apart, more than the window keeps apart, overlapping,
// touching, reaching past the screen), the window shows what a full present
// of the same pixels shows, at the plain level and through a brightness level.
#include "MemoryDesktop.h"
#include "gdl/dc.h"
#include "media/devices/TDirtyRects.h"
#include "media/devices/TDispDev.h"
#include "media/devices/TDispHooks.h"
#include "platform/Host.h"
#include "platform/User.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

constexpr int32_t W = 800, H = 600;

class PresentRules : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::UseMemoryDesktop();
        DisplayHooks() = TDispHooks{};
        display.SetClassName("PresentRules");
        display.SetTitle("Present Rules");
        display.SetDriverFlags(0x600);
        display.SetMode(W, H, 16);
    }
    void TearDown() override {
        display.Close();
        display.ReleaseLibrary();
        DisplayHooks() = TDispHooks{};
        TDirtyRects::ClearTracking();
        TDirtyRects::SetChanged(0);
    }
    std::vector<uint32_t> Frame(const std::vector<TRectArea>& dirty) {
        for (const TRectArea& r : dirty)
            TDirtyRects::AddDirtyRect(r);
        display.Present();
        UpdateWindow(display.GetWindow());
        TDirtyRects::SetChanged(0);
        return platform::PresentedFrame(display.GetWindow()).pixels;
    }
    // New noise inside the rectangles (cut to the screen) only.
    void Scribble(const std::vector<TRectArea>& rects, uint32_t seed) {
        GdlDeviceContext* d = GDL_liveDC(display.GetDrawContext());
        for (const TRectArea& r : rects)
            for (int32_t y = std::max(r.top, 0); y < std::min(r.bottom, H); ++y)
                for (int32_t x = std::max(r.left, 0); x < std::min(r.right, W); ++x) {
                    seed = seed * 1664525u + 1013904223u;
                    const auto v = uint16_t(seed >> 16);
                    std::memcpy(d->surface + y * int32_t(d->mode.bytesPerLine) + 2 * x, &v, 2);
                }
    }
    TDispDev display;
};

TEST_F(PresentRules, DirtyPartsShowWhatAFullPresentShows) {
    ASSERT_TRUE(display.Open());
    const std::vector<TRectArea> screen{{0, 0, W, H}};
    std::vector<TRectArea> many;
    for (int32_t i = 0; i < 12; ++i)
        many.push_back({67 * i, 45 * i + 3, 67 * i + 9 + i, 45 * i + 20});
    const std::vector<std::vector<TRectArea>> sets = {
        {{0, 0, 64, 64}, {W - 64, H - 64, W, H}},                               // opposite corners
        {{W - 64, 0, W, 64}, {0, H - 64, 64, H}},                               // the other two
        many,                                                                   // past the capacity
        {{10, 10, 50, 50}, {40, 40, 90, 70}, {90, 10, 130, 50}},                // overlap, touch
        {{-20, -20, 30, 30}, {W - 7, H - 9, W + 40, H + 40}, {5, 300, 6, 301}}, // past the edges
    };
    for (int32_t level : {256, 128}) {
        display.SetAdjustLevel(level);
        uint32_t seed = 1;
        Scribble(screen, seed++);
        Frame(screen);
        for (const auto& set : sets) {
            Scribble(set, seed++);
            const std::vector<uint32_t> parts = Frame(set);
            const std::vector<uint32_t> full = Frame(screen);
            ASSERT_EQ(parts.size(), size_t(W) * H);
            size_t bad = 0;
            for (size_t i = 0; i < parts.size(); ++i)
                bad += parts[i] != full[i];
            EXPECT_EQ(bad, 0u) << "level " << level << ", set of " << set.size();
        }
    }
}

} // namespace
