// A second look at framed forms and their bars on the memory host, with
// every coordinate worked out by hand: frames of the styles, client insets
// and minimum sizes, the caption bar with its 21 x 21 buttons, their faces
// and symbols (shifted while pressed, grey while disabled), the status bar
// and the grip's ridges, grip dragging, translucency, failed allocations of
// the top strip, the caption buttons and the grip, picture buttons hit
// anywhere by style, and the focus of a child form when the application's
// own loop starts.
#include "ErrorProbe.h"
#include "FakePicture.h"
#include "InputUi.h"
#include "TextFonts.h"
#include "ui/TCaptionButton.h"
#include "ui/TListForm.h"
#include "ui/TPanel.h"
#include "ui/TSizeGrip.h"
#include "ui/TWinApp.h"
#include "ui/TWinForm.h"
#include "ui/TWinStB.h"
#include "ui/TWinSysB.h"

namespace {

using platform::KeyCode;

// A 200 x 100 form at (40, 40) with border 2: its client area is inset by
// 2 + 4, so the bars span x 46 to 234. The caption bar (46, 46, 234, 71) has
// the client (4, 2, 186, 23); buttons of 21 x 21 stand from its right.
constexpr int32_t kBarX = 46, kBarY = 46;
constexpr int32_t kCloseX = kBarX + 165, kMaxX = kBarX + 144, kAlphaX = kBarX + 123;
constexpr int32_t kButtonY = kBarY + 2;
// The status bar (46, 114, 234, 134) with the client (4, 2, 186, 18); the
// grip is 16 x 16 at its client's right.
constexpr int32_t kStatusY = 114, kGripX = kBarX + 170, kGripY = kStatusY + 2;

class FormCheck : public uitest::InputUiTest {
protected:
    void OpenForm(int32_t style, uint32_t buttons = 21) {
        form.SetFont(fonts.pixel.get());
        form.SetFrameStyle(style);
        form.SetCaptionButtons(buttons);
        form.SetTitle("ab");
        form.SetStatusText("ab");
        form.SetRect(40, 40, 200, 100);
        form.Open(&root);
        form.Show();
        Route();
        Frame();
    }
    void TearDown() override {
        form.Close();
        InputUiTest::TearDown();
    }
    uint16_t Px(uint8_t r, uint8_t g, uint8_t b) { return PixelOf(TColor(r, g, b)); }
    uint16_t Black() { return Px(0, 0, 0); }
    uint16_t Gray() { return Px(128, 128, 128); }
    uint16_t Silver() { return Px(192, 192, 192); }
    uint16_t White() { return Px(255, 255, 255); }
    uint16_t Navy() { return Px(0, 0, 128); }
    struct Spot {
        int32_t x, y;
        uint16_t colour;
    };
    void ExpectSpots(int32_t ox, int32_t oy, std::initializer_list<Spot> spots) {
        for (const Spot& s : spots)
            EXPECT_EQ(At(ox + s.x, oy + s.y), s.colour) << s.x << "," << s.y;
    }
    uitest::TextFonts fonts;
    TWinForm form;
};

TEST_F(FormCheck, FramesOfTheStyles) {
    const uint16_t k = Black(), g = Gray(), s = Silver(), w = White();
    const struct {
        int32_t style;
        std::initializer_list<Spot> spots;
    } cases[] = {
        {0, {{0, 0, s}, {59, 39, s}, {30, 20, s}}},
        {1, {{0, 0, k}, {59, 39, k}, {30, 0, k}, {59, 20, k}, {1, 1, s}}},
        {2,
         {{30, 0, g},
          {0, 20, g},
          {59, 20, k},
          {30, 39, k}, // outer: raised
          {30, 1, w},
          {30, 2, w},
          {30, 3, s},
          {1, 20, w},
          {2, 20, w},
          {3, 20, s},
          {58, 20, g},
          {57, 20, g},
          {56, 20, s},
          {30, 38, g},
          {30, 37, g},
          {30, 36, s}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.style);
        TWinForm f;
        f.SetFrameStyle(c.style);
        f.SetRect(300, 200, 60, 40);
        f.Open(&root);
        f.Show();
        Route();
        Frame();
        ExpectSpots(300, 200, c.spots);
        f.Close();
        Frame();
    }
    // A transparent single-line form shows only its line.
    TWinForm keyed;
    keyed.SetFrameStyle(1);
    keyed.SetTransparent(1);
    keyed.SetRect(300, 200, 60, 40);
    keyed.Open(&root);
    keyed.Show();
    Route();
    Frame();
    EXPECT_EQ(At(300, 200), k);
    EXPECT_EQ(At(330, 220), PixelOf(root.GetColor()));
    keyed.Close();
}

TEST_F(FormCheck, ClientInsetsAndMinimumSizes) {
    const struct {
        int32_t style;
        TRectArea client;
        int32_t minWidth, minHeight;
    } cases[] = {
        // b = 2, c = 25, s = 20, three buttons.
        {0, {2, 2, 58, 38}, 4, 4},     {1, {3, 3, 57, 37}, 6, 6},     {2, {6, 6, 54, 34}, 12, 12},
        {3, {6, 6, 106, 34}, 112, 39}, {4, {6, 6, 106, 55}, 112, 61}, {5, {6, 6, 106, 55}, 112, 61},
        {6, {2, 2, 58, 38}, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.style);
        TWinForm f;
        f.SetFrameStyle(c.style);
        f.SetCaptionButtons(21);
        f.SetRect(0, 0, 60, 40); // the layout raises it to the minimum size
        TRectArea r;
        f.GetClientRect(r);
        EXPECT_EQ(r, c.client);
        f.SetRect(0, 0, 1, 1);
        f.Update();
        EXPECT_EQ(f.GetWidth(), std::max(1, c.minWidth));
        EXPECT_EQ(f.GetHeight(), std::max(1, c.minHeight));
        f.SetRect(0, 0, 500, 400);
        f.Update();
        EXPECT_EQ(f.GetWidth(), 500); // never lowered
        EXPECT_EQ(f.GetHeight(), 400);
    }
    TWinForm wide;
    wide.SetFrameStyle(4);
    wide.SetCaptionButtons(5);
    wide.SetBorderWidth(5);
    wide.SetRect(0, 0, 1, 1);
    wide.Update();
    EXPECT_EQ(wide.GetWidth(), 10 + 8 + 25 + 50);
    EXPECT_EQ(wide.GetHeight(), 10 + 8 + 20 + 25 + 10);
}

TEST_F(FormCheck, CaptionBarAndTheFacesOfItsButtons) {
    OpenForm(3);
    TWinSysB* bar = form.GetWinCaptionBar();
    ASSERT_NE(bar, nullptr);
    const uint16_t k = Black(), g = Gray(), s = Silver(), w = White(), n = Navy();
    // The bar: dark top and left edges, light bottom and right ones.
    ExpectSpots(kBarX, kBarY,
                {{54, 4, n},
                 {0, 0, k},
                 {0, 14, k},
                 {0, 24, k},
                 {186, 0, k},
                 {187, 0, w},
                 {54, 24, w},
                 {187, 14, w}});
    // The title "ab" from the client's left, centred: rows 8 to 15.
    ExpectSpots(kBarX, kBarY, {{4, 8, w}, {4, 7, n}, {3, 10, n}, {7, 10, n}, {8, 10, w}});
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
        ExpectSpots(b.x, kButtonY, {{0, 0, g}, {20, 20, k}, {1, 1, w}, {19, 19, g}, {2, 2, s}});
    }
    form.SetFocus(false);
    Frame();
    ExpectSpots(kBarX, kBarY, {{54, 4, g}, {4, 8, w}}); // grey, the title still white
    // Held down, a face turns sunken.
    MoveTo(kCloseX + 10, kButtonY + 10);
    Mouse(true, kCloseX + 10, kButtonY + 10);
    Frame();
    ExpectSpots(kCloseX, kButtonY, {{0, 0, k}, {20, 20, g}, {1, 1, g}, {19, 19, w}});
    MoveTo(100, 300); // off the button: released without a command
    Mouse(false, 100, 300);
    EXPECT_TRUE(form.IsVisible());
}

TEST_F(FormCheck, TheSymbolsOfTheButtons) {
    OpenForm(3);
    TWinSysB* bar = form.GetWinCaptionBar();
    const uint16_t k = Black(), s = Silver(), w = White();
    // Each symbol lies in the face inset by 4: (4, 4, 17, 17).
    ExpectSpots(kCloseX, kButtonY,
                {{5, 5, k},
                 {14, 14, k},
                 {5, 14, k},
                 {14, 5, k},
                 {9, 9, k},
                 {9, 5, s},
                 {5, 9, s},
                 {12, 16, s}});
    ExpectSpots(
        kMaxX, kButtonY,
        {{10, 5, k}, {10, 6, k}, {10, 7, s}, {4, 12, k}, {10, 16, k}, {16, 12, k}, {17, 12, s}});
    ExpectSpots(kAlphaX, kButtonY, {{8, 9, k}, {12, 9, k}, {10, 13, k}, {10, 5, k}});
    int dots = 0;
    for (int32_t y = 7; y < 16; ++y)
        dots += At(kAlphaX + 4, kButtonY + y) == k;
    EXPECT_GT(dots, 0);
    EXPECT_LT(dots, 9); // a dotted side while up

    // Down: two windows; a solid white box with solid sides.
    bar->GetMaximizeButton()->SetState(1);
    bar->GetTranslucencyButton()->SetState(1);
    Frame();
    ExpectSpots(kMaxX, kButtonY,
                {{8, 8, k},
                 {4, 14, k},
                 {10, 16, k},
                 {13, 12, k},
                 {11, 4, k},
                 {7, 6, k},
                 {16, 8, k},
                 {15, 13, k},
                 {10, 12, s},
                 {10, 6, s},
                 {14, 10, s}});
    ExpectSpots(kAlphaX, kButtonY, {{10, 10, w}, {8, 12, w}, {16, 10, k}, {10, 11, w}});
    for (int32_t y = 7; y < 16; ++y)
        EXPECT_EQ(At(kAlphaX + 4, kButtonY + y), k) << y;

    // Pressed, the symbol moves one pixel right and down.
    MoveTo(kCloseX + 10, kButtonY + 10);
    Mouse(true, kCloseX + 10, kButtonY + 10);
    Frame();
    ExpectSpots(kCloseX, kButtonY, {{6, 6, k}, {15, 15, k}, {6, 15, k}, {5, 5, s}});
    MoveTo(100, 300);
    Mouse(false, 100, 300);
    // Disabled, it is grey.
    bar->GetCloseButton()->SetEnabled(false);
    Frame();
    ExpectSpots(kCloseX, kButtonY, {{5, 5, Gray()}, {14, 14, Gray()}});
}

TEST_F(FormCheck, TheButtonsWordBuildsShowsAndHides) {
    OpenForm(3, 4);
    TWinSysB* bar = form.GetWinCaptionBar();
    EXPECT_EQ(bar->GetCloseButton(), nullptr);
    EXPECT_EQ(bar->GetTranslucencyButton(), nullptr);
    ASSERT_NE(bar->GetMaximizeButton(), nullptr);
    TRectArea r;
    bar->GetMaximizeButton()->GetScreenRect(r);
    EXPECT_EQ(r, (TRectArea{kCloseX, kButtonY, kCloseX + 21, kButtonY + 21}));
    form.Close();

    OpenForm(3, 2 | 8 | 32);
    bar = form.GetWinCaptionBar();
    EXPECT_EQ(bar->GetCloseButton(), nullptr);
    EXPECT_EQ(bar->GetMaximizeButton(), nullptr);
    EXPECT_EQ(bar->GetTranslucencyButton(), nullptr);
    form.Close();

    OpenForm(3, 21);
    bar = form.GetWinCaptionBar();
    TCaptionButton* alpha = bar->GetTranslucencyButton();
    form.SetCaptionButtons(5);
    Frame();
    EXPECT_EQ(bar->GetTranslucencyButton(), alpha); // kept
    EXPECT_FALSE(alpha->IsVisible());
    EXPECT_FALSE(alpha->IsEnabled());
    form.SetCaptionButtons(21);
    Frame();
    EXPECT_TRUE(alpha->IsVisible());
    EXPECT_TRUE(alpha->IsEnabled());
    // Escape reaches the close button through its cancel flag.
    Key(KeyCode::Escape);
    EXPECT_FALSE(form.IsVisible());
}

TEST_F(FormCheck, StatusBarTextAndGrip) {
    OpenForm(4);
    TWinStB* status = form.GetWinStatusBar();
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->GetGrip(), nullptr); // style 4 has none
    const uint16_t g = Gray(), s = Silver(), w = White();
    // Sunken: dark top and left, light bottom and right.
    ExpectSpots(
        kBarX, kStatusY,
        {{0, 0, g}, {0, 19, g}, {54, 19, w}, {187, 6, w}, {187, 0, w}, {186, 0, g}, {54, 10, s}});
    // "ab" 4 pixels in, centred in the client (2 to 18): rows 6 to 13 (the
    // pixel font's glyphs are white pictures).
    ExpectSpots(kBarX, kStatusY, {{4, 6, w}, {4, 5, s}, {3, 8, s}, {7, 8, s}, {8, 8, w}});
    form.Close();

    OpenForm(5);
    status = form.GetWinStatusBar();
    ASSERT_NE(status->GetGrip(), nullptr);
    TRectArea r;
    status->GetGrip()->GetScreenRect(r);
    EXPECT_EQ(r, (TRectArea{kGripX, kGripY, kGripX + 16, kGripY + 16}));
    // Ridges on x + y = 30, 26, 22 and 18: white on the line, the 2 x 2 grey
    // pen below and right of it, silver between.
    ExpectSpots(kGripX, kGripY,
                {{15, 15, w},
                 {13, 13, w},
                 {11, 11, w},
                 {9, 9, w},
                 {12, 11, g},
                 {12, 12, g},
                 {10, 9, g},
                 {12, 13, s},
                 {9, 8, s},
                 {8, 8, s},
                 {1, 1, s}});
    // Dragging the grip sizes the form.
    MoveTo(kGripX + 8, kGripY + 8);
    Mouse(true, kGripX + 8, kGripY + 8);
    MoveTo(kGripX + 38, kGripY + 28);
    Mouse(false, kGripX + 38, kGripY + 28);
    EXPECT_EQ(form.GetWidth(), 230);
    EXPECT_EQ(form.GetHeight(), 120);

    TWinStB narrow;
    narrow.SetRect(0, 0, 4, 20);
    narrow.GetClientRect(r);
    EXPECT_EQ(r, (TRectArea{2, 0, 0, 0}));
}

TEST_F(FormCheck, TranslucencyMixesTheFormWithWhatLiesBehind) {
    OpenForm(3);
    TCaptionButton* button = form.GetWinCaptionBar()->GetTranslucencyButton();
    const uint16_t silver = Silver();
    EXPECT_EQ(At(100, 100), silver);
    Click(kAlphaX + 10, kButtonY + 10);
    Frame();
    EXPECT_EQ(form.GetAlpha(), 240);
    EXPECT_EQ(form.GetSecondAlpha(), 255);
    EXPECT_EQ(button->GetState(), 1);
    const uint16_t mixed = At(100, 100);
    EXPECT_NE(mixed, silver);
    EXPECT_NE(mixed, PixelOf(root.GetColor()));
    Click(kAlphaX + 10, kButtonY + 10);
    Frame();
    EXPECT_EQ(form.GetAlpha(), 255);
    EXPECT_EQ(form.GetSecondAlpha(), 240);
    EXPECT_EQ(button->GetState(), 0);
    EXPECT_EQ(At(100, 100), silver);
}

TEST_F(FormCheck, FailedAllocationsLeaveWorkingBars) {
    const struct {
        size_t size;
        int32_t style;
        uint32_t buttons;
        const char* source;
        int32_t line;
    } cases[] = {
        {sizeof(TPanel), 3, 1, "Source\\TWinForm", 83},
        {sizeof(TCloseButton), 3, 21, "Source\\TWinSysB", 317},
        {sizeof(TMaximizeButton), 3, 20, "Source\\TWinSysB", 329},
        {sizeof(TTranslucencyButton), 3, 16, "Source\\TWinSysB", 341},
        {sizeof(TSizeGrip), 5, 1, "Source\\TWinStB", 137},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        TError::ClearLists();
        // The heap is asked once, then once more by the file cache as it
        // makes room, then once more.
        RefuseNextBlocks(c.size, 3);
        TWinForm f;
        f.SetFrameStyle(c.style);
        f.SetCaptionButtons(c.buttons);
        f.SetRect(10, 10, 300, 150);
        f.Open(&root);
        EngineSetHeapForTests(nullptr);
        TErrorRec* e = NewestError();
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->code, 9);
        EXPECT_EQ(e->line, c.line);
        EXPECT_STREQ(e->source.c_str(), c.source);
        f.Show();
        Route();
        Frame();
        EXPECT_TRUE(f.IsVisible());
        ASSERT_NE(f.GetWinCaptionBar(), nullptr);
        // The buttons after a failed one are built as usual.
        if (c.line == 329) {
            EXPECT_NE(f.GetWinCaptionBar()->GetTranslucencyButton(), nullptr);
        }
        if (c.line == 317) {
            EXPECT_NE(f.GetWinCaptionBar()->GetMaximizeButton(), nullptr);
        }
        f.Close();
    }
}

TEST_F(FormCheck, APictureButtonIsHitAnywhereByStyleOrWhenOpaque) {
    uitest::FakePicture picture(20, 20, uitest::k565Red);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            picture.Set(x, y, uitest::k565Green);
    const struct {
        uint32_t clearBits;
        int32_t transparent;
        int corner; // commands from a click on the keyed corner
    } cases[] = {{0, 1, 1}, {32, 0, 1}, {32, 1, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.clearBits + c.transparent);
        struct Button : TListForm {
            int Heard(TObject*, TEvent*) { return ++commands, 1; }
            int commands = 0;
        } button;
        button.Add<Button, &Button::Heard>(evCommand, &button);
        button.SetColor(TColor(0, 255, 0));
        button.GetStyleRecords().SetRecord1(&picture, 0, 0);
        button.SetPos(400, 300);
        button.SetTransparent(c.transparent);
        button.TControl::SetStyle(button.GetStyle() & ~c.clearBits);
        button.Show(&root);
        Frame();
        Click(402, 302);
        EXPECT_EQ(button.commands, c.corner);
        Click(450, 350); // outside
        EXPECT_EQ(button.commands, c.corner);
        button.Hide();
        Frame();
    }
}

TEST_F(FormCheck, LooksByState) {
    uitest::FakePicture normal(20, 20, uitest::k565Red), pressed(20, 20, uitest::k565Blue),
        disabled(20, 20, uitest::k565White), hot(20, 20, uitest::k565Red),
        pressedHot(20, 20, uitest::k565Blue);
    TListForm button;
    button.GetStyleRecords().SetRecord1(&normal, 0, 0);
    button.GetStyleRecords().SetRecord2(&pressed, 0, 0);
    button.GetStyleRecords().SetRecord3(&disabled, 0, 0);
    button.GetStyleRecords().SetRecord4(&hot, 0, 0);
    button.GetStyleRecords().SetRecord5(&pressedHot, 0, 0);
    button.SetPos(400, 300);
    button.Show(&root);
    Frame();
    EXPECT_EQ(button.GetLook().source, &normal);
    MoveTo(410, 310);
    Frame();
    EXPECT_EQ(button.GetLook().source, &hot);
    Mouse(true, 410, 310);
    Frame();
    EXPECT_EQ(button.GetLook().source, &pressedHot);
    EXPECT_EQ(At(410, 310), PixelOf(TColor(0, 0, 255)));
    Mouse(false, 410, 310);
    MoveTo(100, 100);
    Frame();
    EXPECT_EQ(button.GetLook().source, &normal);
    button.SetEnabled(false);
    Frame();
    EXPECT_EQ(button.GetLook().source, &disabled);
    EXPECT_EQ(At(410, 310), 0xFFFF);
    button.Hide();
}

// The application's own focus request, queued when its loop starts, is
// handed to every child marked done, so a form shown before the loop gives
// up its focus; shown once the loop runs, it keeps it.
TEST_F(FormCheck, TheApplicationsStartTakesTheFocusFromAFormShownBefore) {
    TWinApp app;
    app.SetRect(0, 0, kWidth, kHeight);
    TGraphic::SetApplication(&app);
    TWinForm child;
    child.SetRect(10, 10, 100, 80);
    child.Open(&app);
    child.Show();
    app.Show();
    app.ModalStep(); // the form's request comes first
    EXPECT_TRUE(child.IsFocused());
    while (app.ModalStep()) {
    }
    EXPECT_FALSE(child.IsFocused());
    child.Show();
    while (app.ModalStep()) {
    }
    EXPECT_TRUE(child.IsFocused());
    child.Close();
    app.TControl::Hide();
    TGraphic::SetApplication(&root);
}

} // namespace
