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
