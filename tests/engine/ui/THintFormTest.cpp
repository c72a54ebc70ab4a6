// The hint window under scripted pointer moves, its 250 ms delay timer fed
// with ticks: shown after five firings, at once within the grace period,
// cancelled when the pointer leaves early, placed above and left of the
// pointer near the bottom-right corner, 6 x 6 for an empty text.

#include "InputUi.h"
#include "TextFonts.h"
#include "ui/THintForm.h"
#include "ui/TWinApp.h"

#include <memory>

namespace {

struct HintedBox : uitest::Box {
    HintedBox(int32_t x, int32_t y, const char* hint) {
        TControl::SetStyle(stTrackHover);
        SetRect(x, y, 40, 40);
        SetHint(hint);
    }
};

class Hints : public uitest::InputUiTest {
protected:
    void SetUp() override {
        uitest::InputUiTest::SetUp();
        hint.SetFont(fonts.pixel.get());
        hint.Open(&root);
        TWinApp::SetHintWindow(&hint);
        first.Show(&root);
        second.Show(&root);
        corner.Show(&root);
        Frame();
    }
    void TearDown() override {
        TWinApp::SetHintWindow(nullptr);
        first.Hide();
        second.Hide();
        corner.Hide();
        hint.Close();
        uitest::InputUiTest::TearDown();
    }
    // Timer firings: ticks routed from the root, each a little longer than
    // the interval (the timer fires only once it is passed).
    void Fire(int n) {
        for (int i = 0; i < n; ++i) {
            TEvent tick;
            tick.SetType(evTick);
            tick.data[0] = 251;
            root.HandleEvent(nullptr, &tick);
            Route();
        }
        Frame();
    }
    uitest::TextFonts fonts;
    THintForm hint;
    HintedBox first{100, 100, "ab"}, second{150, 100, "abc"}, corner{600, 440, "ab"};
};

TEST_F(Hints, ShownAfterFiveFiringsThenAtOnceWithinTheGracePeriod) {
    MoveTo(120, 120);
    EXPECT_EQ(hint.GetOwner(), &first);
    Fire(4);
    EXPECT_FALSE(hint.IsVisible());
    Fire(1);
    EXPECT_TRUE(hint.IsVisible());
    EXPECT_STREQ(hint.GetLabel().GetText(), "ab");
    MoveTo(170, 120); // the next control: the first hint goes, the second comes
    EXPECT_TRUE(hint.IsVisible());
    EXPECT_EQ(hint.GetOwner(), &second);
    EXPECT_STREQ(hint.GetLabel().GetText(), "abc");
    Frame();
    EXPECT_EQ(hint.GetWidth(), 12 + 6);
    EXPECT_EQ(hint.GetHeight(), 8 + 6);
    MoveTo(300, 300);
    EXPECT_FALSE(hint.IsVisible());
    EXPECT_EQ(hint.GetOwner(), nullptr);
    Fire(5); // the grace period runs out
    EXPECT_FALSE(hint.IsRecent());
    EXPECT_EQ(hint.GetTimer().Flags() & TComp::kEnabled, 0u);
    MoveTo(120, 120);
    Fire(4);
    EXPECT_FALSE(hint.IsVisible());
}

TEST_F(Hints, LeavingEarlyShowsNothing) {
    MoveTo(120, 120);
    Fire(3);
    MoveTo(300, 300);
    EXPECT_EQ(hint.GetStep(), 0);
    Fire(5);
    EXPECT_FALSE(hint.IsVisible());
}

TEST_F(Hints, PlacedAboveAndLeftNearTheBottomRightCorner) {
    MoveTo(630, 470);
    Fire(5);
    ASSERT_TRUE(hint.IsVisible());
    TRectArea r;
    hint.GetScreenRect(r);
    EXPECT_EQ(r, (TRectArea{630 - 14, 470 - 14, 630, 470}));
    MoveTo(120, 120);
    Frame();
    hint.GetScreenRect(r);
    EXPECT_EQ(r, (TRectArea{120, 152, 134, 166})); // 32 below the pointer
}

// A control deleted while its hint is due takes the hint with it.
TEST_F(Hints, AControlDeletedDuringTheDelayLeavesNoHint) {
    auto doomed = std::make_unique<HintedBox>(300, 300, "gone");
    doomed->Show(&root);
    Frame();
    MoveTo(320, 320);
    ASSERT_EQ(hint.GetOwner(), doomed.get());
    Fire(2);
    doomed.reset();
    EXPECT_EQ(hint.GetOwner(), nullptr);
    Fire(5);
    EXPECT_FALSE(hint.IsVisible());
}

// Opened again, or closed and opened again, the window still waits five
// firings.
TEST_F(Hints, OpeningTwiceKeepsTheDelay) {
    for (bool closeFirst : {false, true}) {
        if (closeFirst) hint.Close();
        hint.Open(&root);
        MoveTo(120, 120);
        Fire(4);
        EXPECT_FALSE(hint.IsVisible()) << closeFirst;
        Fire(1);
        EXPECT_TRUE(hint.IsVisible()) << closeFirst;
        MoveTo(300, 300);
        Fire(5);
    }
}

TEST_F(Hints, AnEmptyTextGivesASixBySixWindow) {
    hint.SetText("");
    hint.SetAnchor(50, 50);
    hint.TFocusCtl::Show();
    Route();
    Frame();
    EXPECT_EQ(hint.GetWidth(), 6);
    EXPECT_EQ(hint.GetHeight(), 6);
}

} // namespace

// A second look at the hint window, by ticks of exactly 250 ms (a firing
// needs more than the interval): the delay, the grace period, the owner
// cleared by hiding or disabling the control, no window for an empty hint,
// and the placement at the edges of the parent's area, computed by hand for
// a 14 x 14 window ("ab": 8 x 8 and 6 of margin).
namespace {

struct Hinted : uitest::Box {
    Hinted(int32_t x, int32_t y, const char* hint) {
        TControl::SetStyle(stTrackHover);
        SetRect(x, y, 40, 40);
        SetHint(hint);
    }
};

class HintCheck : public uitest::InputUiTest {
protected:
    void SetUp() override {
        InputUiTest::SetUp();
        hint.SetFont(fonts.pixel.get());
        hint.Open(&root);
        TWinApp::SetHintWindow(&hint);
        for (Hinted* c : {&first, &empty})
            c->Show(&root);
        Frame();
    }
    void TearDown() override {
        TWinApp::SetHintWindow(nullptr);
        for (Hinted* c : {&first, &empty})
            c->Hide();
        hint.Close();
        InputUiTest::TearDown();
    }
    void Ticks(int n) {
        for (int i = 0; i < n; ++i) {
            TEvent tick;
            tick.SetType(evTick);
            tick.data[0] = 250;
            root.HandleEvent(nullptr, &tick);
        }
        Frame();
    }
    uitest::TextFonts fonts;
    THintForm hint;
    Hinted first{100, 100, "ab"}, empty{200, 100, ""};
};

TEST_F(HintCheck, DelayAndGraceCountFirings) {
    EXPECT_EQ(hint.GetTimer().GetInterval(), 250.0f);
    EXPECT_EQ(hint.GetTimer().GetParent(), &root); // under the parent, not the window
    MoveTo(110, 110);
    Ticks(5); // 1250 ms: four firings, as 250 alone does not fire
    EXPECT_FALSE(hint.IsVisible());
    Ticks(1);
    EXPECT_TRUE(hint.IsVisible());
    EXPECT_TRUE(hint.IsRecent());
    // Hidden: the grace period counts down; within it a hint comes at once.
    MoveTo(300, 300);
    EXPECT_FALSE(hint.IsVisible());
    EXPECT_EQ(hint.GetStep(), -1);
    // The timer kept the 250 ms left over from the delay, so every tick fires.
    Ticks(4); // four firings of five
    EXPECT_TRUE(hint.IsRecent());
    MoveTo(110, 110);
    EXPECT_TRUE(hint.IsVisible());
    // Hiding the owner clears the owner and hides the window.
    first.Hide();
    EXPECT_FALSE(hint.IsVisible());
    EXPECT_EQ(hint.GetOwner(), nullptr);
    Ticks(6); // the grace period runs out
    EXPECT_FALSE(hint.IsRecent());
    EXPECT_EQ(hint.GetStep(), 0);
    first.Show(&root);
    Frame();
    MoveTo(300, 300);
    MoveTo(110, 110);
    Ticks(6);
    EXPECT_TRUE(hint.IsVisible());
    first.SetEnabled(false); // disabling the owner does the same
    EXPECT_FALSE(hint.IsVisible());
    EXPECT_EQ(hint.GetOwner(), nullptr);
    first.SetEnabled(true);
}

TEST_F(HintCheck, AnEmptyHintShowsNothing) {
    MoveTo(210, 110);
    EXPECT_EQ(hint.GetOwner(), nullptr);
    EXPECT_EQ(hint.GetStep(), 0);
    Ticks(8);
    EXPECT_FALSE(hint.IsVisible());
}

TEST_F(HintCheck, PlacedInsideTheParentsArea) {
    hint.SetText("ab");
    const struct {
        int32_t x, y;
        TPoint at;
    } cases[] = {
        {100, 100, {100, 132}}, // 32 below
        {626, 100, {626, 132}}, // 626 + 14 = 640 still fits
        {627, 100, {613, 132}}, // left of the pointer
        {100, 434, {100, 466}}, // 434 + 32 + 14 = 480 still fits
        {100, 435, {100, 421}}, // above the pointer
        {639, 479, {625, 465}},
    };
    hint.TFocusCtl::Show();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        hint.SetAnchor(c.x, c.y);
        Frame();
        TRectArea r;
        hint.GetScreenRect(r);
        EXPECT_EQ(r, (TRectArea{c.at.x, c.at.y, c.at.x + 14, c.at.y + 14}));
    }
    // Two lines measured without wrapping: 12 + 6 wide, 16 + 6 high; the
    // label on the cream back colour inside the black line.
    hint.SetText("ab\nabc");
    hint.SetAnchor(100, 100);
    Frame();
    EXPECT_EQ(hint.GetWidth(), 18);
    EXPECT_EQ(hint.GetHeight(), 22);
    EXPECT_EQ(At(100, 132), PixelOf(TColor(0, 0, 0)));
    EXPECT_EQ(At(101, 133), PixelOf(TColor(255, 251, 240)));
}

} // namespace
