// Scroll bars under injected input: steps of the arrows and the track, a
// press that leaves and comes back, the held button's repeats on virtual time,
// dragging the thumb, inert bars, and the looks of the picture bar.

#include "ListFixture.h"
#include "ui/TScrollBar.h"
#include "ui/TStyleScrollBar.h"

#include <climits>

namespace {

using uitest::Heard;
using uitest::InputTest;

// A vertical bar of 20 x 200 at (100, 50): border 1, so its parts start 2
// pixels in; the arrows are 16 long and the track runs from 18 to 182.
template <class Bar> class BarTest : public InputTest {
protected:
    void SetUp() override {
        InputTest::SetUp();
        bar.SetRect(100, 50, 20, 200);
        bar.Show(&root);
        heard.Listen(bar, {evUser24});
        Frame();
    }
    void TearDown() override {
        bar.Hide();
        InputTest::TearDown();
    }
    int Changes() { return heard.count[evUser24]; }
    Bar bar;
    Heard heard;
};

class ScrollBar : public BarTest<TScrollBar> {
protected:
    static constexpr int kX = 110, kFirstY = 60, kSecondY = 240, kBeforeY = 80, kAfterY = 220;
};

TEST_F(ScrollBar, DefaultsStepByOneAndPostOneEventPerChange) {
    EXPECT_EQ(bar.GetPosition(), 150);
    EXPECT_TRUE(!bar.IsHorizontal());
    struct Case {
        int y;
        int32_t expected;
    } cases[] = {{kFirstY, 149}, {kSecondY, 150}, {kBeforeY, 149}, {kAfterY, 150}};
    int changes = 0;
    for (const Case& c : cases) {
        Click(kX, c.y);
        EXPECT_EQ(bar.GetPosition(), c.expected) << c.y;
        EXPECT_EQ(Changes(), ++changes) << c.y;
        EXPECT_EQ(bar.GetPressedPart(), TScrollBar::ptNone);
    }
    // At the end no change and no event.
    bar.SetPosition(200);
    Frame();
    Click(kX, kSecondY);
    EXPECT_EQ(bar.GetPosition(), 200);
    EXPECT_EQ(Changes(), changes);
}

TEST_F(ScrollBar, APressLeftAndReleasedOutsideStepsOnce) {
    MoveTo(kX, kFirstY);
    Mouse(true, kX, kFirstY);
    EXPECT_TRUE(bar.IsPressed());
    MoveTo(kX + 100, kFirstY);
    EXPECT_FALSE(bar.IsPressed());
    MoveTo(kX, kFirstY);
    EXPECT_TRUE(bar.IsPressed());
    MoveTo(kX + 100, 300);
    Mouse(false, kX + 100, 300);
    EXPECT_EQ(bar.GetPosition(), 149);
    EXPECT_EQ(Changes(), 1);
    EXPECT_FALSE(bar.IsPressed());
    EXPECT_EQ(bar.GetPressedPart(), TScrollBar::ptNone);
}

TEST_F(ScrollBar, HeldArrowRepeatsNoFasterThanTheInterval) {
    MoveTo(kX, kSecondY);
    const uint32_t start = platform::ClockNow();
    Mouse(true, kX, kSecondY);
    for (int i = 0; i < 31; ++i) { // 310 ms of repeats, one every 10 ms
        platform::ClockAdvance(10);
        Route();
    }
    Mouse(false, kX, kSecondY);
    ASSERT_EQ(heard.times[evUser24].size(), 3u);
    EXPECT_EQ(heard.times[evUser24][0], start);
    EXPECT_EQ(heard.times[evUser24][1], start + 150);
    EXPECT_EQ(heard.times[evUser24][2], start + 300);
    EXPECT_EQ(bar.GetPosition(), 153);

    // Repeats while the pointer is off the arrow do not step.
    MoveTo(kX, kSecondY);
    Mouse(true, kX, kSecondY);
    MoveTo(kX + 100, kSecondY);
    for (int i = 0; i < 31; ++i) {
        platform::ClockAdvance(10);
        Route();
    }
    Mouse(false, kX + 100, kSecondY);
    EXPECT_EQ(bar.GetPosition(), 154);
}

TEST_F(ScrollBar, DraggingTheThumbToTheFarEndGivesExactlyTheMaximum) {
    struct Case {
        int32_t minimum, maximum;
    } cases[] = {{100, 200}, {0, 7}, {-2000000000, 2000000000}};
    for (const Case& c : cases) {
        bar.SetRange(c.minimum, c.minimum, c.maximum);
        Frame();
        const TRectArea thumb = bar.ThumbRect();
        const int y = 50 + (thumb.top + thumb.bottom) / 2;
        MoveTo(kX, y);
        Mouse(true, kX, y);
        const int before = Changes();
        MoveTo(kX, 400);
        EXPECT_EQ(bar.GetPosition(), c.maximum) << c.maximum;
        EXPECT_EQ(Changes(), before + 1);
        MoveTo(kX, 401); // still at the end: nothing new
        EXPECT_EQ(Changes(), before + 1);
        MoveTo(kX, 50 + 100); // about the middle of the track
        const int64_t mid = (int64_t(c.minimum) + c.maximum) / 2;
        EXPECT_NEAR(double(bar.GetPosition()), double(mid),
                    (double(c.maximum) - c.minimum) / 10 + 1);
        MoveTo(kX, 0);
        EXPECT_EQ(bar.GetPosition(), c.minimum);
        Mouse(false, kX, 0);
    }
}

TEST_F(ScrollBar, AnInertBarTakesNoInputAndDrawsNoThumb) {
    bar.SetMaximum(100); // equal to the minimum
    Frame();
    for (int y : {kFirstY, kSecondY, kBeforeY, 150})
        Click(kX, y);
    EXPECT_EQ(Changes(), 0);
    EXPECT_FALSE(bar.IsPressed());
    // The whole track is plain silver, without a thumb's face or frame.
    const uint16_t silver = PixelOf(TColor::Default(21));
    for (int y = 50 + 18; y < 50 + 182; y += 7)
        for (int x = 102; x < 118; x += 3)
            ASSERT_EQ(At(x, y), silver) << x << "," << y;
}

TEST_F(ScrollBar, TheTrackIsCheckeredAndTheArrowsMirrorEachOther) {
    const uint16_t silver = PixelOf(TColor::Default(21));
    const uint16_t gray = PixelOf(TColor::Default(24));
    EXPECT_EQ(At(104, 50 + 30), At(105, 50 + 31));
    EXPECT_NE(At(104, 50 + 30), At(105, 50 + 30));
    EXPECT_TRUE(At(104, 80) == silver || At(104, 80) == gray);
    // The two chevrons cover the same rows, one upside down.
    const uint16_t arrow = PixelOf(TColor::Default(22));
    auto rows = [&](int top) {
        std::vector<std::vector<bool>> r;
        for (int y = top + 2; y < top + 14; ++y) { // inside the two bevels
            std::vector<bool> row;
            for (int x = 104; x < 116; ++x)
                row.push_back(At(x, y) == arrow);
            r.push_back(row);
        }
        return r;
    };
    std::vector<std::vector<bool>> up = rows(52), down = rows(50 + 182);
    std::reverse(down.begin(), down.end());
    EXPECT_EQ(up, down);
    int set = 0;
    for (const auto& row : up)
        set += int(std::count(row.begin(), row.end(), true));
    EXPECT_GT(set, 8);
}

class StyleBar : public InputTest {
protected:
    void SetUp() override {
        InputTest::SetUp();
        for (TStyle* s : {&first, &second, &thumb})
            for (int r = 0; r < 5; ++r) {
                // Looks of 20 x 10, the thumb 20 x 30.
                TPicture* p = s == &thumb ? &thumbPicture : &arrowPicture;
                if (r == 0) s->SetRecord1(p, 1, 0);
                if (r == 1) s->SetRecord2(p, 2, 0);
                if (r == 2) s->SetRecord3(p, 3, 0);
                if (r == 3) s->SetRecord4(p, 4, 0);
                if (r == 4) s->SetRecord5(p, 5, 0);
            }
        arrowPicture.width = 20;
        arrowPicture.height = 10;
        thumbPicture.width = 20;
        thumbPicture.height = 30;
        trackPicture.width = 20;
        trackPicture.height = 150;
        bar.SetFirstButtonStyle(&first);
        bar.SetSecondButtonStyle(&second);
        bar.SetThumbStyle(&thumb);
        bar.SetTrack(&trackPicture, 0, 7);
        bar.SetPos(300, 100);
        bar.Show(&root);
        heard.Listen(bar, {evUser24});
        Frame();
    }
    void TearDown() override {
        bar.Hide();
        InputTest::TearDown();
    }
    std::vector<int32_t> Looks() {
        bar.Update();
        return {bar.GetLookOf(TScrollBar::ptFirst), bar.GetLookOf(TScrollBar::ptSecond),
                bar.GetLookOf(TScrollBar::ptThumb)};
    }
    TStyle first, second, thumb;
    uitest::SizedPicture arrowPicture, thumbPicture, trackPicture;
    TStyleScrollBar bar;
    Heard heard;
};

TEST_F(StyleBar, SizesItselfAndItsPartsFromThePictures) {
    EXPECT_EQ(bar.GetWidth(), 20);
    EXPECT_EQ(bar.GetHeight(), 150);
    EXPECT_EQ(bar.FirstButtonRect(), (TRectArea{0, 0, 20, 10}));
    EXPECT_EQ(bar.SecondButtonRect(), (TRectArea{0, 140, 20, 150}));
    EXPECT_EQ(bar.ThumbRect().bottom - bar.ThumbRect().top, 31);
}

TEST_F(StyleBar, LooksFollowTheRangeThePressAndThePointer) {
    using V = std::vector<int32_t>;
    EXPECT_EQ(Looks(), (V{1, 1, 1}));
    bar.SetPosition(100); // at the minimum
    EXPECT_EQ(Looks(), (V{3, 1, 1}));
    bar.SetPosition(200);
    EXPECT_EQ(Looks(), (V{1, 3, 1}));
    bar.SetMaximum(100); // inert: both arrows disabled, no thumb
    EXPECT_EQ(Looks(), (V{3, 3, 0}));
    bar.SetRange(150, 100, 200);
    bar.SetEnabled(false);
    EXPECT_EQ(Looks(), (V{3, 3, 1}));
    bar.SetEnabled(true);
    Frame();
    MoveTo(310, 105); // over the first arrow
    EXPECT_EQ(Looks(), (V{4, 1, 1}));
    Mouse(true, 310, 105);
    EXPECT_EQ(Looks(), (V{5, 1, 1}));
    MoveTo(310, 245); // over the second, the first still held: neither lit
    EXPECT_EQ(Looks(), (V{1, 1, 1}));
    Mouse(false, 310, 245);
    EXPECT_EQ(Looks(), (V{1, 4, 1}));
    EXPECT_EQ(heard.count[evUser24], 1);
}

} // namespace

// Scroll bars checked rule by rule: defaults, the layout of buttons and thumb
// with its integer arithmetic, the thumb drag's nearest value (wide ranges
// included), hit parts, the events of changes, the repeat gate of held
// presses on virtual time, inert bars, the arrows' glyphs and the picture
// bar's parts.
namespace {

using uitest::Heard;
using uitest::InputTest;

// Records the order of the hook and the handlers.
struct HookedBar : TScrollBar {
    void OnChange(TEvent* e) override { order.push_back(e->type * 10 + 1); }
    int Listened(TObject*, TEvent* e) {
        order.push_back(e->type * 10 + 2);
        return 0;
    }
    std::vector<int> order;
};

// A vertical bar 20 x 200 at (100, 50): client (1, 1, 19, 199), its parts
// inset once more by the border: buttons 16 long, track from 18 to 182.
class ScrollCheck : public BarTest<HookedBar> {
protected:
    void SetUp() override {
        BarTest::SetUp();
        bar.Add<HookedBar, &HookedBar::Listened>(evUser24, &bar);
    }
    // A press (or a held button's repeat) straight to the bar, own coordinates.
    void Press(int32_t x, int32_t y, bool repeat) {
        TEvent e;
        e.SetType(evLeftDown);
        e.record.x = 100 + x;
        e.record.y = 50 + y;
        e.data[TControl::mwPressClaim] = repeat ? 1 : 0;
        bar.OnLeftDown(&e);
    }
    void Release() {
        TEvent e;
        e.SetType(evLeftUp);
        bar.OnLeftUp(&e);
    }
    void Move(int32_t x, int32_t y) {
        TEvent e;
        e.SetType(evMouseMove);
        e.record.x = 100 + x;
        e.record.y = 50 + y;
        bar.OnMouseMove(&e);
    }
};

// Counts the moves a bar is told of.
template <class Bar> struct MoveCounter : Bar {
    void OnMouseMove(TEvent* event) override {
        ++moves;
        Bar::OnMouseMove(event);
    }
    int moves = 0;
};

// The fixture's bar steps from its defaults elsewhere; here a new plain bar
// hears moves only while pressed, and a new styled bar, which lights its
// parts under the pointer, hears them whenever the pointer is over it.
TEST_F(ScrollCheck, OnlyTheStyledBarHearsMovesWithoutAPress) {
    MoveCounter<TScrollBar> plain;
    MoveCounter<TStyleScrollBar> styled;
    plain.SetRect(300, 50, 20, 200);
    styled.SetRect(400, 50, 20, 200);
    plain.Show(&root);
    styled.Show(&root);
    Frame();
    for (int y : {100, 120, 140}) {
        MoveTo(310, y);
        MoveTo(410, y);
    }
    EXPECT_EQ(plain.moves, 0);
    EXPECT_GE(styled.moves, 2);
    MoveTo(310, 100);
    Mouse(true, 310, 100);
    MoveTo(310, 120);
    EXPECT_GE(plain.moves, 1);
    Mouse(false, 310, 120);
    plain.Hide();
    styled.Hide();
}

TEST_F(ScrollCheck, PositionIsStoredUnclampedAndReadClamped) {
    bar.SetPosition(500);
    EXPECT_EQ(bar.GetPosition(), 200);
    bar.SetMaximum(600);
    EXPECT_EQ(bar.GetPosition(), 500); // nothing was lost before a layout
    bar.SetPosition(-5);
    EXPECT_EQ(bar.GetPosition(), 100);
    bar.SetRange(120, 110, 130);
    EXPECT_EQ(bar.GetPosition(), 120);
    EXPECT_EQ(Changes(), 0); // setters post no event
}

TEST_F(ScrollCheck, LayoutOfButtonsAndThumbBothWays) {
    // Thumb start = 18 + (182 - 16 - 18 - 1) * (position - min) / (max - min).
    struct Case {
        int32_t position, minimum, maximum, start;
    } cases[] = {
        {150, 100, 200, 18 + 147 * 50 / 100},
        {100, 100, 200, 18},
        {200, 100, 200, 165},
        {1, 0, 3, 18 + 147 / 3},
        {0, INT32_MIN, INT32_MAX, 18 + 73}, // 147 * 2^31 / (2^32 - 1) in 64 bits
        {INT32_MAX, INT32_MIN, INT32_MAX, 165},
    };
    for (const Case& c : cases) {
        bar.SetRange(c.position, c.minimum, c.maximum);
        bar.Update();
        EXPECT_EQ(bar.FirstButtonRect(), (TRectArea{2, 2, 18, 18}));
        EXPECT_EQ(bar.SecondButtonRect(), (TRectArea{2, 182, 18, 198}));
        EXPECT_EQ(bar.ThumbRect(), (TRectArea{2, c.start, 18, c.start + 17})) << c.position;
    }
    // An inert bar's thumb spans the whole track.
    bar.SetRange(100, 100, 100);
    bar.Update();
    EXPECT_EQ(bar.ThumbRect(), (TRectArea{2, 18, 18, 182}));
    // Wider than tall: horizontal, lengths from the height.
    bar.SetRange(150, 100, 200);
    bar.SetRect(100, 50, 200, 20);
    bar.Update();
    EXPECT_TRUE(bar.IsHorizontal());
    EXPECT_EQ(bar.FirstButtonRect(), (TRectArea{2, 2, 18, 18}));
    EXPECT_EQ(bar.SecondButtonRect(), (TRectArea{182, 2, 198, 18}));
    EXPECT_EQ(bar.ThumbRect(), (TRectArea{91, 2, 108, 18}));
    bar.SetRect(100, 50, 20, 20); // square: vertical
    bar.Update();
    EXPECT_FALSE(bar.IsHorizontal());
}

TEST_F(ScrollCheck, HitPartsAlongTheBar) {
    bar.Update(); // thumb 91 to 108
    struct Case {
        int32_t x, y, part;
    } cases[] = {
        {10, 5, TScrollBar::ptFirst},        {10, 190, TScrollBar::ptSecond},
        {10, 50, TScrollBar::ptTrackBefore}, {10, 95, TScrollBar::ptThumb},
        {10, 150, TScrollBar::ptTrackAfter}, {0, 50, TScrollBar::ptNone}, // the outer border
        {10, 199, TScrollBar::ptNone},       {25, 50, TScrollBar::ptNone},
        {1, 50, TScrollBar::ptTrackBefore}, // inside the client, beside the parts
    };
    for (const Case& c : cases)
        EXPECT_EQ(bar.HitPart(100 + c.x, 50 + c.y), c.part) << c.x << "," << c.y;
}

TEST_F(ScrollCheck, StepsOfArrowsAndTrackWithTheirClamps) {
    bar.SetPageStep(25);
    bar.SetLineStep(3);
    bar.Update();
    struct Case {
        int32_t y, expected;
    } cases[] = {{5, 147}, {190, 150}, {50, 125}, {50, 100}, {5, 100}, {190, 103}};
    int changes = 0;
    for (const Case& c : cases) {
        const int32_t before = bar.GetPosition();
        Press(10, c.y, false);
        Release();
        bar.Update();
        EXPECT_EQ(bar.GetPosition(), c.expected) << c.y;
        if (c.expected != before) ++changes;
        EXPECT_EQ(Changes(), changes) << c.y;
    }
    // The hook sees each event 24 before the handlers do.
    ASSERT_GE(bar.order.size(), 2u);
    EXPECT_EQ(bar.order[0], 241);
    EXPECT_EQ(bar.order[1], 242);
    // The thumb steps nothing, but is held.
    const TRectArea thumb = bar.ThumbRect();
    Press(10, (thumb.top + thumb.bottom) / 2, false);
    EXPECT_EQ(bar.GetPressedPart(), TScrollBar::ptThumb);
    EXPECT_TRUE(bar.IsPressed());
    EXPECT_EQ(Changes(), changes);
}

TEST_F(ScrollCheck, DraggingGivesTheNearestValue) {
    bar.Update();
    Press(10, 95, false); // on the thumb
    // c = y - 7 clamped to [18, 165]; value = (100 (c - 18) 2 / 147 + 1) / 2 + 100.
    struct Case {
        int32_t y, value;
    } cases[] = {{0, 100},  {25, 100},  {26, 101},  {27, 101}, {28, 102},
                 {98, 150}, {171, 199}, {172, 200}, {400, 200}};
    for (const Case& c : cases) {
        Move(10, c.y);
        EXPECT_EQ(bar.GetPosition(), c.value) << c.y;
    }
    // Each change one event; a move that keeps the value none.
    const int changes = Changes();
    Move(10, 500);
    EXPECT_EQ(Changes(), changes);
    Release();
    EXPECT_EQ(bar.GetPressedPart(), TScrollBar::ptNone);
    // The full 32-bit range lands exactly on its ends.
    bar.SetRange(0, INT32_MIN, INT32_MAX);
    bar.Update();
    Press(10, 95, false);
    Move(10, 172);
    EXPECT_EQ(bar.GetPosition(), INT32_MAX);
    Move(10, 25);
    EXPECT_EQ(bar.GetPosition(), INT32_MIN);
    Release();
}

TEST_F(ScrollCheck, HeldRepeatsStepOnlyAfterTheIntervalSinceTheLastStep) {
    bar.Update();
    Press(10, 190, false);
    EXPECT_EQ(bar.GetPosition(), 151);
    struct Case {
        int32_t advance, position;
    } cases[] = {{149, 151}, {1, 152}, {1, 152}, {148, 152}, {1, 153}, {1000, 154}};
    for (const Case& c : cases) {
        platform::ClockAdvance(uint32_t(c.advance));
        Press(10, 190, true);
        EXPECT_EQ(bar.GetPosition(), c.position) << c.advance;
    }
    // Off the arrow the repeats still take the time but step nothing.
    Move(50, 190);
    EXPECT_FALSE(bar.IsPressed());
    platform::ClockAdvance(200);
    Press(50, 190, true);
    EXPECT_EQ(bar.GetPosition(), 154);
    Move(10, 190);
    platform::ClockAdvance(100); // only 100 since the repeat off the arrow
    Press(10, 190, true);
    EXPECT_EQ(bar.GetPosition(), 154);
    platform::ClockAdvance(50);
    Press(10, 190, true);
    EXPECT_EQ(bar.GetPosition(), 155);
    Release();
    // A repeat with nothing pressed steps nothing.
    platform::ClockAdvance(500);
    Press(10, 190, true);
    EXPECT_EQ(bar.GetPosition(), 155);
}

TEST_F(ScrollCheck, HoverHideAndInertBars) {
    Move(10, 5);
    EXPECT_EQ(bar.GetHoverPart(), TScrollBar::ptFirst);
    Press(10, 5, false);
    EXPECT_TRUE(bar.IsPressed());
    TEvent hidden;
    hidden.SetType(evHidden);
    hidden.target = TEvent::WordOf(&bar);
    bar.OnHide(&hidden);
    EXPECT_FALSE(bar.IsPressed());
    EXPECT_EQ(bar.GetPressedPart(), TScrollBar::ptNone);
    EXPECT_EQ(bar.GetHoverPart(), TScrollBar::ptNone);

    bar.SetRange(100, 100, 90); // maximum below the minimum: inert
    bar.Update();
    Move(10, 190);
    EXPECT_EQ(bar.GetHoverPart(), TScrollBar::ptNone); // moves ignored
    Press(10, 190, false);
    EXPECT_EQ(bar.GetPressedPart(), TScrollBar::ptNone);
    EXPECT_EQ(Changes(), 1);
}

// The arrows' glyphs point away from the track, in black on a live bar and
// in gray on a disabled one.
TEST_F(ScrollCheck, ChevronsPointOutwardsAndGrayWhenDisabled) {
    const uint16_t black = PixelOf(TColor::Default(22));
    auto count = [&](int x0, int y0, bool rows, int index) {
        int n = 0;
        for (int k = 2; k < 14; ++k) // inside both bevels
            n += At(rows ? x0 + k : x0 + index, rows ? y0 + index : y0 + k) == black;
        return n;
    };
    // Vertical: the up arrow's glyph grows downwards, the down arrow's upwards.
    auto widths = [&](int x0, int y0, bool rows) {
        std::vector<int> w;
        for (int i = 2; i < 14; ++i)
            if (int n = count(x0, y0, rows, i)) w.push_back(n);
        return w;
    };
    std::vector<int> up = widths(102, 52, true), down = widths(102, 232, true);
    ASSERT_GE(up.size(), 2u);
    EXPECT_LT(up.front(), up.back());
    EXPECT_GT(down.front(), down.back());
    bar.SetRect(100, 50, 200, 20);
    Frame();
    std::vector<int> left = widths(102, 52, false), right = widths(282, 52, false);
    ASSERT_GE(left.size(), 2u);
    EXPECT_LT(left.front(), left.back());
    EXPECT_GT(right.front(), right.back());
    bar.SetEnabled(false);
    Frame();
    EXPECT_TRUE(widths(102, 52, false).empty());
    const uint16_t gray = PixelOf(TColor::Default(23));
    int grayPixels = 0;
    for (int y = 54; y < 66; ++y)
        for (int x = 104; x < 116; ++x)
            grayPixels += At(x, y) == gray;
    EXPECT_GT(grayPixels, 4);
}

TEST_F(ScrollCheck, AHeldTrackStretchIsCheckeredInBlack) {
    const uint16_t held = PixelOf(TColor::Default(25)), silver = PixelOf(TColor::Default(21));
    auto heldPixels = [&] {
        int n = 0;
        for (int y = 50 + 120; y < 50 + 180; ++y)
            for (int x = 102; x < 118; ++x)
                n += At(x, y) == held;
        return n;
    };
    EXPECT_EQ(heldPixels(), 0);
    MoveTo(110, 50 + 150);
    Mouse(true, 110, 50 + 150);
    Frame();
    EXPECT_GT(heldPixels(), 100);
    EXPECT_EQ(At(104, 50 + 150) == held, At(105, 50 + 151) == held);
    EXPECT_NE(At(104, 50 + 150), At(105, 50 + 150));
    EXPECT_TRUE(At(104, 50 + 150) == silver || At(105, 50 + 150) == silver);
    Mouse(false, 110, 50 + 150);
    Frame();
    EXPECT_EQ(heldPixels(), 0);
}

class StyleCheck : public InputTest {
protected:
    void SetUp() override {
        InputTest::SetUp();
        arrow.width = 12;
        arrow.height = 8;
        thumbPicture.width = 12;
        thumbPicture.height = 20;
        track.width = 12;
        track.height = 100;
        for (TStyle* s : {&first, &second})
            s->SetRecord1(&arrow, 1, 0);
        thumb.SetRecord1(&thumbPicture, 1, 0);
        bar.SetFirstButtonStyle(&first);
        bar.SetSecondButtonStyle(&second);
        bar.SetThumbStyle(&thumb);
        bar.SetTrack(&track, 0, 7);
        bar.SetRect(10, 10, 50, 50);
        bar.Show(&root);
    }
    void TearDown() override {
        bar.Hide();
        InputTest::TearDown();
    }
    TStyle first, second, thumb;
    uitest::SizedPicture arrow, thumbPicture, track;
    TStyleScrollBar bar;
};

TEST_F(StyleCheck, PartsTakeTheirLengthsFromTheLooksAlongTheBar) {
    bar.Update();
    EXPECT_EQ(bar.GetWidth(), 12); // auto size from the track picture
    EXPECT_EQ(bar.GetHeight(), 100);
    EXPECT_EQ(bar.FirstButtonRect(), (TRectArea{0, 0, 12, 8}));
    EXPECT_EQ(bar.SecondButtonRect(), (TRectArea{0, 92, 12, 100}));
    // Thumb: 8 + (92 - 20 - 8 - 1) * 50 / 100 = 39, 21 long.
    EXPECT_EQ(bar.ThumbRect(), (TRectArea{0, 39, 12, 60}));
    // Horizontal track picture: lengths from the widths.
    track.width = 100;
    track.height = 12;
    bar.SetTrack(&track, 0, 8);
    bar.Update();
    EXPECT_TRUE(bar.IsHorizontal());
    EXPECT_EQ(bar.FirstButtonRect(), (TRectArea{0, 0, 12, 12}));
    EXPECT_EQ(bar.SecondButtonRect(), (TRectArea{88, 0, 100, 12}));
    // Without auto size the bar keeps its size; a part without a style has no length.
    bar.SetAutoSizeTrack(0);
    bar.SetSecondButtonStyle(nullptr);
    bar.SetRect(10, 10, 30, 200);
    bar.Update();
    EXPECT_EQ(bar.GetWidth(), 30);
    EXPECT_EQ(bar.GetHeight(), 200);
    EXPECT_EQ(bar.SecondButtonRect().bottom - bar.SecondButtonRect().top, 0);
    EXPECT_EQ(bar.GetLookOf(TScrollBar::ptSecond), 0);
}

} // namespace
