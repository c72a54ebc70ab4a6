// The framed form: minimum sizes, the client inset, the keep and hollow
// rules of transparent forms, the frames of the six styles on the display,
// and the translucency pass.

#include "UiFixture.h"
#include "ui/TCaptionBarBase.h"
#include "ui/TStatusBarBase.h"
#include "ui/TWinForm.h"

#include <string>

namespace {

using uitest::UiTest;

// Minimum sizes with border 2, caption 25, status 20 and buttons 1 + 4.
TEST(WinForm, UpdateRaisesTheSizeToTheStylesMinimum) {
    struct Case {
        int32_t style;
        int32_t width, height;
    };
    const Case cases[] = {
        {0, 4, 4},   {1, 6, 6},   {2, 12, 12}, {3, 87, 39},
        {4, 87, 61}, {5, 87, 61}, {7, 1, 1}, // an unknown style has no minimum
    };
    for (const Case& c : cases) {
        TWinForm form;
        form.SetCaptionButtons(5);
        form.SetFrameStyle(c.style);
        form.SetRect(0, 0, 1, 1);
        EXPECT_EQ(form.GetWidth(), c.width) << c.style;
        EXPECT_EQ(form.GetHeight(), c.height) << c.style;
    }
    // Never lowered: the width stays when it is already larger.
    TWinForm form;
    form.SetCaptionButtons(5);
    form.SetFrameStyle(4);
    form.SetRect(0, 0, 100, 30);
    EXPECT_EQ(form.GetWidth(), 100);
    EXPECT_EQ(form.GetHeight(), 61);
}

TEST(WinForm, ClientRectIsInsetByBorderAndFrame) {
    struct Case {
        int32_t style;
        TRectArea client;
    };
    const Case cases[] = {
        {0, {2, 2, 98, 78}}, {1, {3, 3, 97, 77}}, {2, {6, 6, 94, 74}},
        {5, {6, 6, 94, 74}}, {9, {2, 2, 98, 78}},
    };
    for (const Case& c : cases) {
        TWinForm form;
        form.SetFrameStyle(c.style);
        form.SetRect(0, 0, 100, 80);
        TRectArea r;
        EXPECT_EQ(form.GetClientRect(r), c.client) << c.style;
    }
    TWinForm tiny;
    tiny.SetFrameStyle(2);
    tiny.SetRect(0, 0, 12, 12);
    TRectArea r;
    EXPECT_EQ(tiny.GetClientRect(r), (TRectArea{0, 0, 0, 0}));
}

TEST(WinForm, TransparentFormsKeepTheirCanvasKeyedAndStyleZeroIsHollow) {
    struct Case {
        int32_t transparent;
        int32_t style;
        uint32_t keep;
        int32_t hollow;
    };
    const Case cases[] = {
        {1, 0, 1, 1}, {1, 1, 1, 0}, {1, 2, 0, 0}, {1, 4, 0, 0}, {0, 0, 0, 0}, {0, 1, 0, 0},
    };
    for (const Case& c : cases) {
        TWinForm form;
        form.SetTransparent(c.transparent);
        form.SetFrameStyle(c.style);
        form.Update();
        EXPECT_EQ(form.GetCanvas().GetKeep(), c.keep) << c.transparent << c.style;
        EXPECT_EQ(form.IsHollow(), c.hollow) << c.transparent << c.style;
        if (c.keep) {
            EXPECT_EQ(form.GetCanvas().GetColor3().Value(), 0xC0C0C0u);
        }
    }
}

class WinFormPaint : public UiTest {
protected:
    // A form of the style at (100, 100, 100 x 80) over the root, painted.
    void PaintForm(TWinForm& form, int32_t style) {
        form.SetFrameStyle(style);
        form.SetRect(100, 100, 100, 80);
        form.SetVisible(true);
        form.Attach(&root);
        Frame();
    }
    uint16_t Entry(int32_t index) { return PixelOf(TColor::Default(index)); }
};

TEST_F(WinFormPaint, FramesOfTheStyles) {
    struct Case {
        int32_t style;
        int32_t corner; // the colour entry at the top left
        int32_t inner;  // at (2, 2): inside the frame lines
    };
    const Case cases[] = {{0, 14, 14}, {1, 11, 14}};
    for (const Case& c : cases) {
        TWinForm form;
        PaintForm(form, c.style);
        EXPECT_EQ(At(100, 100), Entry(c.corner)) << c.style;
        EXPECT_EQ(At(199, 179), Entry(c.corner)) << c.style;
        EXPECT_EQ(At(102, 102), Entry(c.inner)) << c.style;
        EXPECT_EQ(At(150, 140), Entry(14)) << c.style;
        form.Detach();
    }
    // Bevelled styles: two bevels, darker outside, the fill in the middle.
    for (int32_t style : {2, 3, 4, 5}) {
        TWinForm form;
        PaintForm(form, style);
        const uint16_t outer[] = {At(100, 100), At(199, 179)};
        const uint16_t inner[] = {At(101, 101), At(198, 178)};
        EXPECT_NE(outer[0], outer[1]) << style;
        EXPECT_NE(inner[0], inner[1]) << style;
        for (uint16_t px : outer)
            EXPECT_TRUE(px == Entry(10) || px == Entry(11)) << style;
        for (uint16_t px : inner)
            EXPECT_TRUE(px == Entry(8) || px == Entry(10)) << style;
        EXPECT_EQ(At(150, 140), Entry(14)) << style;
        form.Detach();
    }
}

TEST_F(WinFormPaint, ATranslucentFormMixesWithWhatLiesBehind) {
    TWinForm form;
    form.SetAlpha(128);
    PaintForm(form, 0);
    const uint16_t back = PixelOf(root.GetColor()), fill = Entry(14);
    const uint16_t mixed = At(150, 140);
    EXPECT_NE(mixed, back);
    EXPECT_NE(mixed, fill);
    // Each channel lies between the two.
    auto between = [](int v, int a, int b) { return v >= std::min(a, b) && v <= std::max(a, b); };
    EXPECT_TRUE(between(mixed >> 11, back >> 11, fill >> 11));
    EXPECT_TRUE(between((mixed >> 5) & 63, (back >> 5) & 63, (fill >> 5) & 63));
    EXPECT_TRUE(between(mixed & 31, back & 31, fill & 31));
    EXPECT_EQ(form.GetCanvas().GetKeep(), 1u);
    // Outside the form the root is untouched.
    EXPECT_EQ(At(50, 50), back);
    form.Detach();
}

} // namespace

// The framed form and the two bar bases checked rule by rule: built state,
// minimum sizes, keep and hollow rules, client insets, the exact frame of
// each style on the display, the translucency pass at its screen position,
// opening and closing, and the bars' flag setters.
namespace {

using uitest::UiTest;

TEST(FormCheck, BuiltState) {
    TWinForm f;
    struct Rule {
        const char* what;
        int64_t got, want;
    };
    const Rule rules[] = {
        {"caption height", f.GetCaptionHeight(), 25},
        {"status height", f.GetStatusHeight(), 20},
        {"frame style", f.GetFrameStyle(), 1},
        {"caption buttons", f.GetCaptionButtons(), 1},
        {"border width", f.GetBorderWidth(), 2},
        {"caption bar", f.GetCaptionBar() != nullptr, 0},
        {"status bar", f.GetStatusBar() != nullptr, 0},
        {"enabled", f.IsEnabled(), 0},
        {"visible", f.IsVisible(), 0},
        {"alpha", f.GetAlpha(), 255},
        {"second alpha", f.GetSecondAlpha(), 240},
        {"style", f.GetStyle(), 55},
        {"draw mode", f.GetDrawMode(), 2},
        {"transparent", f.IsTransparent(), 0},
    };
    for (const Rule& rule : rules)
        EXPECT_EQ(rule.got, rule.want) << rule.what;
}

// Border 3, caption 25, status 20; every set bit of the buttons word counts
// one caption-height width, whatever button it stands for.
TEST(FormCheck, MinimumSizesOfEachStyle) {
    struct Case {
        int32_t style;
        uint32_t buttons;
        int32_t width, height;
    };
    const Case cases[] = {
        {0, 1, 6, 6},
        {1, 1, 8, 8},
        {2, 21, 14, 14},
        {3, 0, 6 + 8 + 25, 6 + 8 + 25 + 3},
        {3, 21, 6 + 8 + 25 + 3 * 25, 42},
        {4, 0x80000003u, 6 + 8 + 25 + 3 * 25, 6 + 8 + 20 + 25 + 6},
        {5, 0xFF, 6 + 8 + 25 + 8 * 25, 65},
        {6, 1, 1, 1},
        {-1, 1, 1, 1},
    };
    for (const Case& c : cases) {
        TWinForm form;
        form.SetBorderWidth(3);
        form.SetCaptionButtons(c.buttons);
        form.SetFrameStyle(c.style);
        form.SetRect(0, 0, 1, 1);
        form.Update();
        EXPECT_EQ(form.GetWidth(), c.width) << c.style << "/" << c.buttons;
        EXPECT_EQ(form.GetHeight(), c.height) << c.style << "/" << c.buttons;
        // A larger form keeps its size.
        form.SetRect(0, 0, 500, 400);
        form.Update();
        EXPECT_EQ(form.GetWidth(), 500) << c.style;
        EXPECT_EQ(form.GetHeight(), 400) << c.style;
    }
}

TEST(FormCheck, KeepAndHollowFollowTransparencyAndStyle) {
    struct Case {
        int32_t transparent, style;
        uint32_t keep;
        int32_t hollow;
    };
    const Case cases[] = {
        {1, 0, 1, 1}, {1, 1, 1, 0}, {1, 2, 0, 0}, {1, 3, 0, 0}, {1, 5, 0, 0},
        {1, 7, 0, 0}, {0, 0, 0, 0}, {0, 1, 0, 0}, {0, 2, 0, 0},
    };
    for (const Case& c : cases) {
        // From a keyed, hollow form, so that each rule must also clear.
        TWinForm form;
        form.SetTransparent(1);
        form.SetFrameStyle(0);
        form.Update();
        ASSERT_EQ(form.IsHollow(), 1);
        form.SetTransparent(c.transparent);
        form.SetFrameStyle(c.style);
        form.Invalidate(true);
        form.Update();
        EXPECT_EQ(form.GetCanvas().GetKeep(), c.keep) << c.transparent << "/" << c.style;
        EXPECT_EQ(form.IsHollow(), c.hollow) << c.transparent << "/" << c.style;
        if (c.keep) {
            EXPECT_EQ(form.GetCanvas().GetColor3().Value(), TColor::Default(14).Value());
        }
    }
}

TEST(FormCheck, ClientInsetsOfEachStyle) {
    struct Case {
        int32_t style, border;
        TRectArea client;
    };
    const Case cases[] = {
        {0, 0, {0, 0, 100, 80}}, {1, 0, {1, 1, 99, 79}},   {2, 0, {4, 4, 96, 76}},
        {3, 0, {4, 4, 96, 76}},  {4, 1, {5, 5, 95, 75}},   {5, 0, {4, 4, 96, 76}},
        {6, 0, {0, 0, 100, 80}}, {-2, 0, {0, 0, 100, 80}},
    };
    for (const Case& c : cases) {
        TWinForm form;
        form.SetBorderWidth(c.border);
        form.SetFrameStyle(c.style);
        form.SetRect(0, 0, 100, 80);
        TRectArea r;
        EXPECT_EQ(form.GetClientRect(r), c.client) << c.style;
    }
    // An inset that leaves nothing gives the empty rectangle.
    TWinForm thin;
    thin.SetBorderWidth(0);
    thin.SetFrameStyle(2);
    thin.SetRect(0, 0, 8, 8); // the minimum: exactly the two insets
    TRectArea r;
    EXPECT_EQ(thin.GetClientRect(r), (TRectArea{0, 0, 0, 0}));
}

class FormPaintCheck : public UiTest {
protected:
    void PaintForm(TWinForm& form, int32_t style, TComp* parent) {
        form.SetFrameStyle(style);
        form.SetRect(100, 100, 100, 80);
        form.SetVisible(true);
        form.Attach(parent);
        Frame();
    }
    uint16_t Entry(int32_t index) { return PixelOf(TColor::Default(index)); }
    // 5:6:5 pixels at most one step apart in each channel.
    static bool Near(uint16_t a, uint16_t b) {
        auto close = [](int x, int y) { return x - y <= 1 && y - x <= 1; };
        return close(a >> 11, b >> 11) && close((a >> 5) & 63, (b >> 5) & 63) &&
               close(a & 31, b & 31);
    }
};

// The frames pixel by pixel, in form coordinates of a 100 x 80 form: the
// outer bevel (entry 10 top and left, 11 bottom and right), the inner bevel
// of width 2 (entry 8 top and left, 10 bottom and right), the fill 14.
TEST_F(FormPaintCheck, FramePixelsOfEachStyle) {
    struct Probe {
        int32_t x, y, entry;
    };
    const std::vector<Probe> single = {
        {0, 0, 11}, {99, 0, 11}, {0, 79, 11}, {99, 79, 11}, {50, 0, 11}, {1, 1, 14}, {50, 40, 14},
    };
    const std::vector<Probe> bevelled = {
        {0, 0, 10},   {50, 0, 10},  {0, 40, 10},  {99, 0, 10},  {0, 79, 10},
        {99, 79, 11}, {99, 40, 11}, {50, 79, 11}, {1, 1, 8},    {2, 2, 8},
        {50, 1, 8},   {1, 40, 8},   {98, 78, 10}, {97, 77, 10}, {98, 40, 10},
        {50, 77, 10}, {3, 3, 14},   {96, 76, 14}, {50, 40, 14},
    };
    const std::vector<Probe> fill = {{0, 0, 14}, {99, 79, 14}, {50, 40, 14}};
    struct Case {
        int32_t style;
        const std::vector<Probe>* probes;
    };
    const Case cases[] = {{0, &fill},     {1, &single},   {2, &bevelled},
                          {3, &bevelled}, {4, &bevelled}, {5, &bevelled}};
    for (const Case& c : cases) {
        TWinForm form;
        PaintForm(form, c.style, &root);
        for (const Probe& p : *c.probes)
            EXPECT_EQ(At(100 + p.x, 100 + p.y), Entry(p.entry))
                << "style " << c.style << " at " << p.x << "," << p.y;
        form.Detach();
        Frame();
    }
}

// Alpha 0 leaves what lies behind (the blend may lose one step per channel),
// 255 is the plain frame and forces no keep; in between the form mixes with
// the pixels behind its screen place.
TEST_F(FormPaintCheck, TranslucencyMixesAtTheFormsScreenPlace) {
    struct Case {
        int32_t alpha;
        bool showsBehind, showsFill;
        uint32_t keep;
    };
    const Case cases[] = {{0, true, false, 1}, {255, false, true, 0}, {254, false, false, 1}};
    for (const Case& c : cases) {
        TWinForm form;
        form.SetAlpha(c.alpha);
        PaintForm(form, 2, &root);
        const uint16_t behind = PixelOf(root.GetColor()), at = At(150, 140);
        EXPECT_EQ(Near(at, behind), c.showsBehind) << c.alpha;
        EXPECT_EQ(at == Entry(14), c.showsFill) << c.alpha;
        EXPECT_TRUE(Near(at, Entry(14)) || c.alpha < 128) << c.alpha;
        EXPECT_EQ(form.GetCanvas().GetKeep(), c.keep) << c.alpha;
        form.Detach();
        Frame();
    }
    // Nested: the form at (20, 20) inside a red box at (50, 50) lies at
    // (70, 70) on the screen and mixes with the red, not the root's blue.
    uitest::Box box(TColor(248, 0, 0));
    box.SetRect(50, 50, 300, 300);
    box.SetVisible(true);
    box.Attach(&root);
    TWinForm form;
    form.SetAlpha(128);
    form.SetFrameStyle(0);
    form.SetRect(20, 20, 60, 40);
    form.SetVisible(true);
    form.Attach(&box);
    Frame();
    const uint16_t mixed = At(90, 90);
    const int red = mixed >> 11, blue = mixed & 31;
    EXPECT_GE(red, 26) << std::hex << mixed; // (248 + 192) / 2 in five bits
    EXPECT_LE(blue, 13) << std::hex << mixed;
    form.Detach();
    box.Detach();
}

TEST_F(FormPaintCheck, OpenShowsUnderTheParentAndCloseDetaches) {
    TWinForm form;
    form.Open(&root);
    EXPECT_EQ(form.GetParent(), &root);
    EXPECT_TRUE(form.IsShown());
    form.Close();
    EXPECT_EQ(form.GetParent(), nullptr);
    EXPECT_FALSE(form.IsShown());
    // Open after Close works again.
    form.Open(&root);
    EXPECT_EQ(form.GetParent(), &root);
    form.Close();
}

// The bar bases: a changed grip flag or buttons word marks the bar dirty
// only; a changed active flag also asks for a redraw; the texts are empty.
template <class Bar> struct FlagsOf : Bar {
    uint32_t Flags() const { return this->flags_ & (TComp::kDirty | TComp::kRedraw); }
};

TEST(FormCheck, BarBasesStoreTheirFlags) {
    FlagsOf<TStatusBarBase> status;
    FlagsOf<TCaptionBarBase> caption;
    EXPECT_EQ(status.GetSizeGrip(), 0);
    EXPECT_EQ(caption.GetActive(), 0);
    EXPECT_EQ(caption.GetButtons(), 0u);
    status.SetText("x");
    caption.SetText("x");
    EXPECT_EQ(std::string(status.GetText()), "");
    EXPECT_EQ(std::string(caption.GetText()), "");
    struct Case {
        const char* what;
        int32_t which; // 0 grip, 1 active, 2 buttons
        int32_t value;
        uint32_t flags;
    };
    const Case cases[] = {
        {"grip unchanged", 0, 0, 0},
        {"grip set", 0, 1, TComp::kDirty},
        {"grip again", 0, 1, 0},
        {"active unchanged", 1, 0, 0},
        {"active set", 1, 1, TComp::kDirty | TComp::kRedraw},
        {"buttons unchanged", 2, 0, 0},
        {"buttons set", 2, 21, TComp::kDirty},
    };
    for (const Case& c : cases) {
        status.Invalidate(false);
        caption.Invalidate(false);
        uint32_t flags = 0;
        if (c.which == 0) {
            status.SetSizeGrip(c.value);
            flags = status.Flags();
        } else if (c.which == 1) {
            caption.SetActive(c.value);
            flags = caption.Flags();
        } else {
            caption.SetButtons(uint32_t(c.value));
            flags = caption.Flags();
        }
        EXPECT_EQ(flags, c.flags) << c.what;
    }
    EXPECT_EQ(status.GetSizeGrip(), 1);
    EXPECT_EQ(caption.GetActive(), 1);
    EXPECT_EQ(caption.GetButtons(), 21u);
}

} // namespace
