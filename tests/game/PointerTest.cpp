// The pointer as the player sees it in a window: the game's cursors are read
// from files, which the window system cannot show, so the game draws them
// into its frame where the pointer is, and a pointer that moves leaves no
// trace behind.
#include "GameFixture.h"
#include "ReplayGame.h"
#include "TempDir.h"

#include "ui/TEngine.h"

#include <gtest/gtest.h>

namespace {

// The fixture's cursor: a white block of 8 x 12 pixels at its hot spot.
constexpr int kCursorW = 8, kCursorH = 12;
constexpr uint32_t kWhite = 0xFFFFFF;

struct Place {
    int x, y;
};

uint32_t PixelAt(const platform::Frame& frame, int x, int y) {
    return frame.pixels[size_t(y) * size_t(frame.width) + size_t(x)] & 0xFFFFFF;
}

// The game screen's 800 x 600 lie in the middle of the window.
Place ScreenToFrame(const platform::Frame& frame, Place p) {
    return {p.x + (frame.width - 800) / 2, p.y + (frame.height - 600) / 2};
}

bool CursorAt(const platform::Frame& frame, Place screen) {
    const Place at = ScreenToFrame(frame, screen);
    for (int y = 0; y < kCursorH; ++y)
        for (int x = 0; x < kCursorW; ++x)
            if (PixelAt(frame, at.x + x, at.y + y) != kWhite) return false;
    return true;
}

bool Inside(int x, int y, Place corner, int size) {
    return x >= corner.x && x < corner.x + size && y >= corner.y && y < corner.y + size;
}

TEST(Pointer, IsDrawnWhereThePointerIsAndLeavesNoTrail) {
    TEngine engine;
    testsupport::TempDir dir;
    std::string error;
    tools::GameFixture fixture;
    fixture.mainScript = tools::DefaultMainScript();
    ASSERT_TRUE(tools::WriteGameFixture(dir.File("game"), fixture, &error)) << error;
    // The menu: a still screen, so only the pointer changes the frame; first
    // over the New button, then beside the buttons.
    std::vector<testsupport::ReplayStep> steps;
    ASSERT_TRUE(testsupport::ParseReplay("500 move 200 150\n"
                                         "1000 check first\n"
                                         "1200 move 420 330\n"
                                         "1700 check second\n",
                                         &steps, &error))
        << error;
    const auto run = testsupport::ReplayGame(steps, dir.File("game"), true, 0);
    ASSERT_EQ(run.checkpoints.size(), 2u) << run.failure;
    const platform::Frame& first = run.checkpoints[0].picture;
    const platform::Frame& second = run.checkpoints[1].picture;
    ASSERT_EQ(first.width, second.width);
    ASSERT_EQ(first.height, second.height);

    EXPECT_TRUE(CursorAt(first, {200, 150}));
    EXPECT_FALSE(CursorAt(second, {200, 150}));
    EXPECT_TRUE(CursorAt(second, {420, 330}));
    // Everything else is the same picture: no trail of the first place.
    const Place a = ScreenToFrame(first, {200, 150}), b = ScreenToFrame(first, {420, 330});
    int elsewhere = 0;
    for (int y = 0; y < first.height; ++y)
        for (int x = 0; x < first.width; ++x)
            if (PixelAt(first, x, y) != PixelAt(second, x, y) && !Inside(x, y, a, 32) &&
                !Inside(x, y, b, 32))
                ++elsewhere;
    EXPECT_EQ(elsewhere, 0);
    // The state names the shape: the hand over the menu's New, the arrow
    // beside the buttons (the fixture's cursors share one picture).
    EXPECT_NE(run.checkpoints[0].state.find("cursor=curHand"), std::string::npos)
        << run.checkpoints[0].state;
    EXPECT_NE(run.checkpoints[1].state.find("cursor=curArrow"), std::string::npos)
        << run.checkpoints[1].state;
}

} // namespace
