// Text buttons, caption button faces and panels under injected input on the
// memory host: hot keys from mnemonics, text colours by state, the 3-D face
// with its shifted label, a face too small for its inset, panels that paint
// only when opaque and group their radio buttons.
#include "InputUi.h"
#include "TextFonts.h"
#include "ui/TPanel.h"
#include "ui/TSysBtn.h"
#include "ui/TTextButtonEx.h"

namespace {

using platform::KeyCode;

template <class Base> struct Counting : Base {
    Counting() { this->template Add<Counting, &Counting::Heard>(evCommand, this); }
    int Heard(TObject*, TEvent*) {
        ++commands;
        return 1;
    }
    int commands = 0;
};

class Widgets : public uitest::InputUiTest {
protected:
    uitest::TextFonts fonts;
};

TEST_F(Widgets, AltAndTheMnemonicTriggerATextButton) {
    Counting<TTextButton> button;
    button.SetFont(fonts.pixel.get());
    button.SetRect(10, 10, 80, 30);
    button.SetText("&Cancel");
    button.Show(&root);
    Frame();
    Key(KeyCode::C, {KeyCode::LeftAlt});
    EXPECT_EQ(button.commands, 1);
    Key(KeyCode::C);
    EXPECT_EQ(button.commands, 1); // the character alone is not the hot key
    button.SetText("Cancel");
    Frame();
    Key(KeyCode::C, {KeyCode::LeftAlt});
    EXPECT_EQ(button.commands, 1);
    button.Hide();
}

TEST_F(Widgets, TheLabelIsColouredByTheButtonsState) {
    TTextButton button;
    const TColor normal(0, 0, 200), hot(200, 0, 0), pressed(0, 200, 0);
    button.SetNormalColor(normal);
    button.SetHotColor(hot);
    button.SetPressedColor(pressed);
    button.SetRect(10, 10, 80, 30);
    button.Show(&root);
    Frame();
    auto text = [&] { return button.GetLabel().GetTextColor().Value(); };
    EXPECT_EQ(text(), normal.Value());
    MoveTo(50, 25);
    EXPECT_EQ(text(), hot.Value());
    Mouse(true, 50, 25);
    EXPECT_EQ(text(), pressed.Value());
    MoveTo(50, 200); // held but off: no longer pressed; the press took the focus
    EXPECT_EQ(text(), TColor::Default(29).Value());
    Mouse(false, 50, 200);
    button.SetEnabled(false);
    Frame();
    EXPECT_EQ(text(), TColor(128, 128, 128).Value());
    button.Hide();
}

TEST_F(Widgets, APressedFaceTurnsSunkenAndShiftsItsText) {
    TTextButtonEx button;
    button.SetFont(fonts.pixel.get());
    button.SetRect(100, 100, 40, 20);
    button.SetText("a");
    button.Show(&root);
    Frame();
    const uint16_t white = PixelOf(TColor(255, 255, 255)), gray = PixelOf(TColor(128, 128, 128)),
                   black = PixelOf(TColor(0, 0, 0));
    const struct {
        bool pressed;
        uint16_t outerTopLeft, innerTopLeft, outerBottomRight;
        int32_t glyphX, glyphY; // the 'a': client (4, 4, 36, 16), centred
    } cases[] = {
        {false, gray, white, black, 118, 106},
        {true, black, gray, gray, 119, 107},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pressed);
        MoveTo(120, 110);
        Mouse(c.pressed, 120, 110);
        Frame();
        EXPECT_EQ(At(100, 100), c.outerTopLeft);
        EXPECT_EQ(At(101, 101), c.innerTopLeft);
        EXPECT_EQ(At(139, 119), c.outerBottomRight);
        EXPECT_EQ(At(c.glyphX, c.glyphY), 0xFFFF);
        EXPECT_EQ(At(c.glyphX - 1, c.glyphY), PixelOf(TColor(192, 192, 192)));
        EXPECT_EQ(At(c.glyphX, c.glyphY - 1), PixelOf(TColor(192, 192, 192)));
    }
    Mouse(false, 120, 110);
    button.Hide();
}

TEST_F(Widgets, AFaceTooSmallForItsInsetDrawsOnlyTheOuterBevel) {
    TSysBtn tiny, normal;
    tiny.SetRect(300, 300, 2, 2);
    normal.SetRect(320, 300, 6, 6);
    tiny.Show(&root);
    normal.Show(&root);
    Frame();
    const uint16_t white = PixelOf(TColor(255, 255, 255));
    for (int y = 300; y < 302; ++y)
        for (int x = 300; x < 302; ++x)
            EXPECT_NE(At(x, y), white) << x << "," << y;
    EXPECT_EQ(At(321, 301), white); // the inner bevel of the larger face
    tiny.Hide();
    normal.Hide();
}

TEST_F(Widgets, APanelPaintsOnlyOnceOpaqueAndGroupsItsRadioButtons) {
    TPanel panel;
    panel.SetRect(200, 200, 100, 60);
    panel.Show(&root);
    Frame();
    EXPECT_EQ(At(250, 230), PixelOf(root.GetColor()));
    panel.SetTransparent(0);
    Frame();
    EXPECT_EQ(At(250, 230), PixelOf(TColor(192, 192, 192)));
    panel.SetColor(TColor(0, 120, 0));
    Frame();
    EXPECT_EQ(At(250, 230), PixelOf(TColor(0, 120, 0)));

    Counting<TClickCtl> radios[2];
    for (int i = 0; i < 2; ++i) {
        radios[i].SetMode(TClickCtl::mdRadio);
        radios[i].SetRect(10 + 40 * i, 10, 30, 30);
        radios[i].Show(&panel);
    }
    Frame();
    Click(225, 225);
    EXPECT_EQ(radios[0].GetChecked(), 1u);
    Click(265, 225);
    EXPECT_EQ(radios[1].GetChecked(), 1u);
    EXPECT_EQ(radios[0].GetChecked(), 0u);
    for (auto& r : radios)
        r.Hide();
    panel.Hide();
}

} // namespace
