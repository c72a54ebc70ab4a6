// Framed forms with their bars on the memory host: caption bars active and
// inactive with their 21 x 21 buttons and symbols, the status bar with its
// grip, the caption buttons' handlers (translucency, maximize and restore,
// close), dragging, bars that cannot be allocated, and picture buttons.

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

#include <optional>
#include <vector>

namespace {

using uitest::FakePicture;

// Screen places of a framed form's bars, worked out from its rectangle: the
// client is inset by the border (2) and the frame (4); the caption bar, 25
// high, and the status bar, 20 high, span the client's width, each with a
// client inset by 4 at the left, 2 at the top and 2 at the right. The 21 x 21
// buttons stand from the caption client's right: close, maximize,
// translucency; the 16 x 16 grip at the status client's right.
struct BarPlaces {
    int32_t barX, barY, closeX, maxX, alphaX, buttonY, statusY, gripX, gripY;
};

constexpr BarPlaces PlacesOf(int32_t x, int32_t y, int32_t width, int32_t height) {
    const int32_t inset = 2 + 4, barX = x + inset, barY = y + inset;
    const int32_t clientRight = width - 2 * inset - 2, closeX = barX + clientRight - 21;
    const int32_t statusY = y + height - inset - 20;
    return {barX,        barY,     closeX,  closeX - 21,
            closeX - 42, barY + 2, statusY, barX + clientRight - 16,
            statusY + 2};
}

// A framed form of the given place over the root, opened and shown, with the
// colours its bars are drawn in and a check of spots from an origin.
class FormsTest : public uitest::InputUiTest {
protected:
    void OpenForm(int32_t style, uint32_t buttons, TRectArea place, const char* text) {
        form.SetFrameStyle(style);
        form.SetCaptionButtons(buttons);
        form.SetTitle(text);
        form.SetRect(place.left, place.top, place.right - place.left, place.bottom - place.top);
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
    // Made by the suites that draw text; it outlives the form that uses it.
    std::optional<uitest::TextFonts> fonts;
    TWinForm form;
};

// A 300 x 200 style-5 form at (50, 50): the caption bar (56, 56, 344, 81),
// the status bar (56, 224, 344, 244).
constexpr BarPlaces kPlaces = PlacesOf(50, 50, 300, 200);
constexpr int32_t kCloseX = kPlaces.closeX, kMaxX = kPlaces.maxX, kAlphaX = kPlaces.alphaX;
constexpr int32_t kButtonY = kPlaces.buttonY, kGripX = kPlaces.gripX, kGripY = kPlaces.gripY;
static_assert(kCloseX == 56 + 265 && kGripY == 224 + 2);

class Forms : public FormsTest {
protected:
    void OpenForm(int32_t style = 5, uint32_t buttons = 21) {
        FormsTest::OpenForm(style, buttons, {50, 50, 350, 250}, "");
    }
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

// A form of the program's own that listens to its status bar. Deleting it
// closes its bars from the form's base destructor, after the program's part
// of the form is gone: its handler must not run on what is left.
TEST_F(Forms, AFormBeingDeletedIsNotCalledByItsBarsAsTheyClose) {
    struct Listening : TWinForm {
        int BarGone(TObject*, TEvent*) {
            ++*calls;
            heard.push_back(1);
            return 0;
        }
        int* calls = nullptr;
        std::vector<int> heard = std::vector<int>(4);
    };
    int calls = 0;
    auto* listening = new Listening;
    listening->calls = &calls;
    listening->SetFrameStyle(5);
    listening->SetRect(60, 60, 200, 150);
    listening->Open(&root);
    listening->Show();
    Route();
    ASSERT_NE(listening->GetWinStatusBar(), nullptr);
    listening->GetWinStatusBar()->Add<Listening, &Listening::BarGone>(evDetached, listening);
    TWinStB* bar = listening->GetWinStatusBar();
    bar->Hide(); // while the form lives, it hears its bar go
    EXPECT_EQ(calls, 1);
    bar->Show(listening);
    delete listening;
    EXPECT_EQ(calls, 1);
    Route();
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

// A second look at framed forms and their bars on the memory host, with
// every coordinate worked out by hand: frames of the styles, client insets
// and minimum sizes, the caption bar with its 21 x 21 buttons, their faces
// and symbols (shifted while pressed, grey while disabled), the status bar
// and the grip's ridges, grip dragging, translucency, failed allocations of
// the top strip, the caption buttons and the grip, picture buttons hit
// anywhere by style, and the focus of a child form when the application's
// own loop starts.
namespace {
namespace barscheck {

using platform::KeyCode;

// A 200 x 100 form at (40, 40): the bars span x 46 to 234, the caption bar
// (46, 46, 234, 71), the status bar (46, 114, 234, 134).
constexpr BarPlaces kPlaces = PlacesOf(40, 40, 200, 100);
constexpr int32_t kBarX = kPlaces.barX, kBarY = kPlaces.barY;
constexpr int32_t kCloseX = kPlaces.closeX, kMaxX = kPlaces.maxX, kAlphaX = kPlaces.alphaX;
constexpr int32_t kButtonY = kPlaces.buttonY, kStatusY = kPlaces.statusY;
constexpr int32_t kGripX = kPlaces.gripX, kGripY = kPlaces.gripY;
static_assert(kCloseX == kBarX + 165 && kStatusY == 114 && kGripX == kBarX + 170);

class FormCheck : public FormsTest {
protected:
    void OpenForm(int32_t style, uint32_t buttons = 21) {
        fonts.emplace();
        form.SetFont(fonts->pixel.get());
        form.SetStatusText("ab");
        FormsTest::OpenForm(style, buttons, {40, 40, 240, 140}, "ab");
    }
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

} // namespace barscheck
} // namespace
