// The framed form: minimum sizes, the client inset, the keep and hollow
// rules of transparent forms, the frames of the six styles on the display,
// and the translucency pass.
#include "UiFixture.h"

#include "ui/TWinForm.h"

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
