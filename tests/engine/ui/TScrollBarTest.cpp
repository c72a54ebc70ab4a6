// Scroll bars under injected input: steps of the arrows and the track, a
// press that leaves and comes back, the held button's repeats on virtual time,
// dragging the thumb, inert bars, and the looks of the picture bar.
#include "ListFixture.h"

#include "ui/TScrollBar.h"
#include "ui/TStyleScrollBar.h"

namespace {

using uitest::Heard;
using uitest::InputTest;

// A vertical bar of 20 x 200 at (100, 50): border 1, so its parts start 2
// pixels in; the arrows are 16 long and the track runs from 18 to 182.
class ScrollBar : public InputTest {
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
    static constexpr int kX = 110, kFirstY = 60, kSecondY = 240, kBeforeY = 80, kAfterY = 220;
    TScrollBar bar;
    Heard heard;
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
