// Framed forms with their bars on the memory host: caption bars active and
// inactive with their 21 x 21 buttons and symbols, the status bar with its
// grip, the caption buttons' handlers (translucency, maximize and restore,
// close), dragging, bars that cannot be allocated, and picture buttons.
#include "ErrorProbe.h"
#include "FakePicture.h"
#include "InputUi.h"
#include "ui/TCaptionButton.h"
#include "ui/TListForm.h"
#include "ui/TPanel.h"
#include "ui/TSizeGrip.h"
#include "ui/TWinForm.h"
#include "ui/TWinStB.h"
#include "ui/TWinSysB.h"

namespace {

using uitest::FakePicture;

// Screen places of a 300 x 200 style-5 form at (50, 50): client inset by the
// border (2) and the frame (4); the caption bar (56, 56, 344, 81) with its
// client (4, 2, 286, 23); the status bar (56, 224, 344, 244) with its client
// (4, 2, 286, 18).
constexpr int32_t kCloseX = 56 + 265, kMaxX = 56 + 244, kAlphaX = 56 + 223, kButtonY = 58;
constexpr int32_t kGripX = 56 + 270, kGripY = 224 + 2;

class Forms : public uitest::InputUiTest {
protected:
    void OpenForm(int32_t style = 5, uint32_t buttons = 21) {
        form.SetFrameStyle(style);
        form.SetCaptionButtons(buttons);
        form.SetTitle("");
        form.SetRect(50, 50, 300, 200);
        form.Open(&root);
        form.Show();
        Route();
        Frame();
    }
    void TearDown() override {
        form.Close();
        uitest::InputUiTest::TearDown();
    }
    uint16_t Black() { return PixelOf(TColor(0, 0, 0)); }
    uint16_t Silver() { return PixelOf(TColor(192, 192, 192)); }
    uint16_t White() { return PixelOf(TColor(255, 255, 255)); }
    TWinForm form;
};

TEST_F(Forms, CaptionBarActiveAndInactiveWithItsButtons) {
    OpenForm();
    TWinSysB* bar = form.GetWinCaptionBar();
    ASSERT_NE(bar, nullptr);
    const struct {
        TCaptionButton* button;
        int32_t x;
    } buttons[] = {{bar->GetCloseButton(), kCloseX},
                   {bar->GetMaximizeButton(), kMaxX},
                   {bar->GetTranslucencyButton(), kAlphaX}};
    for (const auto& b : buttons) {
        ASSERT_NE(b.button, nullptr);
        TRectArea r;
        b.button->GetScreenRect(r);
        EXPECT_EQ(r, (TRectArea{b.x, kButtonY, b.x + 21, kButtonY + 21}));
        EXPECT_EQ(At(b.x, kButtonY), PixelOf(TColor(128, 128, 128))); // raised face
        EXPECT_EQ(At(b.x + 1, kButtonY + 1), White());
    }
    EXPECT_EQ(bar->GetActive(), 1);
    EXPECT_EQ(At(100, 62), PixelOf(TColor(0, 0, 128)));
    EXPECT_EQ(At(56, 56), Black());  // dark top and left edges
    EXPECT_EQ(At(343, 80), White()); // light bottom and right edges
    form.SetFocus(false);
    Frame();
    EXPECT_EQ(bar->GetActive(), 0);
    EXPECT_EQ(At(100, 62), PixelOf(TColor(128, 128, 128)));

    // Symbols inside the face inset by 4: (4, 4, 17, 17) of each button.
    const struct {
        int32_t x, y;
        bool black;
    } closeCross[] = {{5, 5, true},  {9, 9, true},  {14, 5, true},
                      {5, 14, true}, {9, 5, false}, {5, 9, false}};
    for (const auto& p : closeCross)
        EXPECT_EQ(At(kCloseX + p.x, kButtonY + p.y) == Black(), p.black) << p.x << "," << p.y;
    // One window: a thick top edge on row 5 and thin sides.
    EXPECT_EQ(At(kMaxX + 8, kButtonY + 5), Black());
    EXPECT_EQ(At(kMaxX + 4, kButtonY + 12), Black());
    EXPECT_EQ(At(kMaxX + 8, kButtonY + 16), Black());
    EXPECT_EQ(At(kMaxX + 9, kButtonY + 4), Silver());
    // Translucency up: a hatched box with a solid T.
    EXPECT_EQ(At(kAlphaX + 10, kButtonY + 11), Black()); // the T's stem
    EXPECT_EQ(At(kAlphaX + 9, kButtonY + 9), Black());   // its bar
    int hatch = 0;
    for (int x = 5; x < 9; ++x)
        hatch += At(kAlphaX + x, kButtonY + 14) == White();
    EXPECT_EQ(hatch, 2);
}

TEST_F(Forms, StatusBarWithItsGripRidges) {
    OpenForm();
    TWinStB* status = form.GetWinStatusBar();
    ASSERT_NE(status, nullptr);
    ASSERT_NE(status->GetGrip(), nullptr);
    TRectArea r;
    status->GetGrip()->GetScreenRect(r);
    EXPECT_EQ(r, (TRectArea{kGripX, kGripY, kGripX + 16, kGripY + 16}));
    EXPECT_EQ(At(56, 224), PixelOf(TColor(128, 128, 128))); // sunken: dark top-left
    EXPECT_EQ(At(343, 243), White());
    EXPECT_EQ(At(100, 233), Silver());
    // Ridges from (16, 16 - k) to (16 - k, 16): white on the diagonal, grey
    // below and right of it.
    for (int32_t k : {6, 10, 14}) {
        const int32_t x = 16 - k / 2, y = 16 - k / 2;
        EXPECT_EQ(At(kGripX + x, kGripY + y), White()) << k;
        EXPECT_EQ(At(kGripX + x + 1, kGripY + y + 1), PixelOf(TColor(128, 128, 128))) << k;
    }
    EXPECT_EQ(At(kGripX + 2, kGripY + 2), Silver());
}

TEST_F(Forms, TheMinimumSizeFitsFrameAndBars) {
    form.SetFrameStyle(4);
    form.SetCaptionButtons(5);
    form.SetRect(10, 10, 100, 30);
    form.Update();
    EXPECT_EQ(form.GetWidth(), 100); // 2 * 2 + 8 + 25 + 2 * 25 = 87
    EXPECT_EQ(form.GetHeight(), 61); // 2 * 2 + 8 + 20 + 25 + 2 * 2
}

// A border near 2^30 holds the minimum size at the largest one instead of
// wrapping the sum round to a negative size that raises nothing.
TEST_F(Forms, AHugeBorderHoldsTheMinimumSizeInRange) {
    form.SetFrameStyle(5);
    form.SetCaptionButtons(21);
    form.SetBorderWidth(1 << 30);
    EXPECT_EQ(form.MinimumWidth(), INT32_MAX);
    EXPECT_EQ(form.MinimumHeight(), INT32_MAX);
    form.SetRect(10, 10, 100, 30);
    form.Update();
    TRectArea r;
    EXPECT_EQ(form.GetBounds(r), (TRectArea{10, 10, INT32_MAX, INT32_MAX}));
}

// Opening an open form keeps the bars it has and builds only what its style
// now adds: no second set over the first.
TEST_F(Forms, OpeningAnOpenFormKeepsItsBars) {
    OpenForm(3);
    TWinSysB* caption = form.GetWinCaptionBar();
    TPanel* top = form.GetTopStrip();
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(form.GetWinStatusBar(), nullptr);
    form.SetFrameStyle(5);
    form.Open(&root);
    EXPECT_EQ(form.GetWinCaptionBar(), caption);
    EXPECT_EQ(form.GetTopStrip(), top);
    TWinStB* status = form.GetWinStatusBar();
    ASSERT_NE(status, nullptr);
    form.Open(&root);
    EXPECT_EQ(form.GetWinStatusBar(), status);
    EXPECT_EQ(form.GetCaptionBar(), caption);
    Route();
    Frame();
    EXPECT_TRUE(status->IsVisible());
}

TEST_F(Forms, TranslucencySwapsTheAlphaAndTheButton) {
    OpenForm();
    TCaptionButton* button = form.GetWinCaptionBar()->GetTranslucencyButton();
    const struct { int32_t alpha, state; } steps[] = {{240, 1}, {255, 0}};
    for (const auto& s : steps) {
        Click(kAlphaX + 10, kButtonY + 10);
        EXPECT_EQ(form.GetAlpha(), s.alpha);
        EXPECT_EQ(button->GetState(), s.state);
    }
}

TEST_F(Forms, MaximizeSwallowsMovesAndRestoreBringsTheRectangleBack) {
    OpenForm();
    // Dragging the caption bar moves the form in the normal state.
    MoveTo(100, 62);
    Mouse(true, 100, 62);
    MoveTo(110, 67);
    Mouse(false, 110, 67);
    Frame();
    TRectArea before;
    form.GetBounds(before);
    EXPECT_EQ(before, (TRectArea{60, 55, 360, 255}));
    TCaptionButton* button = form.GetWinCaptionBar()->GetMaximizeButton();
    Click(kMaxX + 10 + 10, kButtonY + 5 + 10);
    Frame();
    EXPECT_EQ(form.GetWindowState(), 1);
    EXPECT_EQ(button->GetState(), 1);
    TRectArea maximized;
    form.GetBounds(maximized);
    EXPECT_EQ(maximized, (TRectArea{0, 0, kWidth, kHeight}));
    MoveTo(100, 10);
    Mouse(true, 100, 10);
    MoveTo(130, 40);
    Mouse(false, 130, 40);
    Frame();
    form.GetBounds(maximized);
    EXPECT_EQ(maximized, (TRectArea{0, 0, kWidth, kHeight})); // swallowed
    TRectArea r;
    button->GetScreenRect(r);
    Click(r.left + 10, r.top + 10);
    Frame();
    EXPECT_EQ(form.GetWindowState(), 0);
    EXPECT_EQ(button->GetState(), 0);
    TRectArea after;
    form.GetBounds(after);
    EXPECT_EQ(after, before);
}

TEST_F(Forms, TheCloseButtonClosesTheContainerAndCloseDeletesTheBars) {
    OpenForm();
    Click(kCloseX + 10, kButtonY + 10);
    EXPECT_FALSE(form.IsVisible());
    EXPECT_FALSE(form.IsEnabled());
    EXPECT_NE(form.GetWinCaptionBar(), nullptr); // kept until the owner closes
    form.Close();
    EXPECT_EQ(form.GetWinCaptionBar(), nullptr);
    EXPECT_EQ(form.GetCaptionBar(), nullptr);
    EXPECT_EQ(form.GetWinStatusBar(), nullptr);
    EXPECT_EQ(form.GetTopStrip(), nullptr);
    EXPECT_EQ(form.GetBottomStrip(), nullptr);
    form.Open(&root); // builds them again
    EXPECT_NE(form.GetWinCaptionBar(), nullptr);
}

TEST_F(Forms, BarsThatCannotBeAllocatedLeaveAWorkingForm) {
    const struct {
        size_t size;
        int blocks;
        int32_t line;
    } cases[] = {{sizeof(TWinSysB), 2, 52}, {sizeof(TWinStB), 2, 96}, {sizeof(TPanel), 4, 117}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        TError::ClearLists();
        RefuseNextBlocks(c.size, c.blocks);
        TWinForm f;
        f.SetFrameStyle(5);
        f.SetRect(10, 10, 200, 150);
        f.Open(&root);
        EngineSetHeapForTests(nullptr);
        TErrorRec* e = NewestError();
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->code, 9);
        EXPECT_EQ(e->line, c.line);
        EXPECT_STREQ(e->source.c_str(), "Source\\TWinForm");
        f.Show();
        Route();
        Frame();
        EXPECT_TRUE(f.IsVisible());
        EXPECT_EQ(At(20, 140), Silver()); // the form is painted
        f.Close();
    }
}

TEST_F(Forms, APictureButtonLooksByStateAndIsHitOnItsPicture) {
    // A 20 x 20 picture whose top-left 5 x 5 corner is the background colour.
    FakePicture normal(20, 20, uitest::k565Red), hot(20, 20, uitest::k565Blue);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x) {
            normal.Set(x, y, uitest::k565Green);
            hot.Set(x, y, uitest::k565Green);
        }
    struct Button : TListForm {
        int Heard(TObject*, TEvent*) { return ++commands, 1; }
        int commands = 0;
    } button;
    button.Add<Button, &Button::Heard>(evCommand, &button);
    button.SetColor(TColor(0, 255, 0));
    button.GetStyleRecords().SetRecord1(&normal, 0, 0);
    button.GetStyleRecords().SetRecord4(&hot, 0, 0);
    button.SetPos(400, 300);
    button.SetTransparent(1);
    button.TControl::SetStyle(button.GetStyle() & ~32u); // the pixel test
    button.Show(&root);
    Frame();
    EXPECT_EQ(button.GetWidth(), 20);
    EXPECT_EQ(At(410, 310), PixelOf(TColor(255, 0, 0)));
    EXPECT_EQ(At(401, 301), PixelOf(root.GetColor())); // keyed corner
    MoveTo(410, 310);
    Frame();
    EXPECT_EQ(button.GetLook().source, &hot);
    EXPECT_EQ(At(410, 310), PixelOf(TColor(0, 0, 255)));
    Click(402, 302); // the corner misses
    EXPECT_EQ(button.commands, 0);
    Click(410, 310);
    EXPECT_EQ(button.commands, 1);
    button.SetEnabled(false);
    Frame();
    EXPECT_EQ(button.GetLook().source, &normal); // record 3 filled from record 1
    button.Hide();
}

} // namespace
