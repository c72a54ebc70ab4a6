// A second look at the hint window, by ticks of exactly 250 ms (a firing
// needs more than the interval): the delay, the grace period, the owner
// cleared by hiding or disabling the control, no window for an empty hint,
// and the placement at the edges of the parent's area, computed by hand for
// a 14 x 14 window ("ab": 8 x 8 and 6 of margin).
#include "InputUi.h"
#include "TextFonts.h"
#include "ui/THintForm.h"
#include "ui/TWinApp.h"

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
