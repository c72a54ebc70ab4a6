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

void ChoiceButton::UseFont(int32_t nth) {
    TMetaFnt* font = Resources().Font("fntDialog", nth);
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
