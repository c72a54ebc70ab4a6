#include "ChoiceButton.h"

#include "GameStatics.h"

#include "media/resources/TMetaFnt.h"

ChoiceButton::ChoiceButton() {
    SetStyle(7);
    SetRect(0, 0, kWidth, kHeight);
    SetTransparent(1);
    SetColor(TColor(0, 255, 0));
    SetCursor(Resources().Cursor("curHand"));
    SetAlign(0);
    SetVertAlign(1);
    SetNormalColor(TColor(255, 255, 0));
    SetHotColor(TColor(255, 0, 0));
    SetPressedColor(TColor(255, 0, 0));
    UseFont(0);
}

namespace {
// Whether the font has letters to draw: a pixel font's sub-font that its
// file lacks has none (height 0), while the first one has.
bool Draws(TMetaFnt* font) {
    return font && font->GetTextHeight('A') > 0;
}
} // namespace

void ChoiceButton::UseFont(int32_t nth) {
    TMetaFnt* font = Resources().Font("fntDialog", nth);
    // A dialog font without its second sub-font would make the line under
    // the pointer vanish: it keeps the first one (and the hover colour).
    if (nth != 0 && !Draws(font) && Draws(Resources().Font("fntDialog", 0)))
        font = Resources().Font("fntDialog", 0);
    SetFont(font);
    GetLabel().SetFont(font);
}

void ChoiceButton::OnMouseEnter(TEvent* event) {
    UseFont(1);
    TTextButton::OnMouseEnter(event);
}

void ChoiceButton::OnMouseLeave(TEvent* event) {
    UseFont(0);
    TTextButton::OnMouseLeave(event);
}
