#include "ui/TTextButton.h"

#include "ui/UiDraw.h"

TTextButton::TTextButton()
    : normal_(TColor::Default(28)), key_(TColor::Default(49)), hot_(TColor::Default(31)),
      pressed_(TColor::Default(32)), focus_(TColor::Default(29)), disabled_(TColor::Default(30)) {
    SetBorderWidth(0);
    SetTransparent(1);
    label_.SetInheritFont(1);
    label_.TRectComp::SetAlign(alFill);
    label_.SetVertAlign(TText::taCentre);
    label_.SetAlign(TText::taCentre);
    // The label takes no input: clicks, hover and focus go to the button.
    label_.TControl::SetStyle(0);
}

TTextButton::~TTextButton() = default;

void TTextButton::Show(TControl* parent) {
    TClickCtl::Show(parent);
    label_.TControl::Show(this);
}

void TTextButton::Hide() {
    label_.TControl::Hide();
    TClickCtl::Hide();
}

void TTextButton::SetText(const char* text) {
    label_.SetText(text);
    SetDirty(true);
}

void TTextButton::SetColorField(TColor& field, TColor color) {
    if (field.Red() == color.Red() && field.Green() == color.Green() &&
        field.Blue() == color.Blue())
        return;
    field = color;
    SetDirty(true);
}

void TTextButton::SetNormalColor(TColor color) {
    SetColorField(normal_, color);
}

void TTextButton::SetHotColor(TColor color) {
    SetColorField(hot_, color);
}

void TTextButton::SetPressedColor(TColor color) {
    SetColorField(pressed_, color);
}

void TTextButton::Recolor() {
    const uint32_t state = GetState();
    const TColor* color = &normal_;
    if (!IsEnabled())
        color = &disabled_;
    else if (state & stHot)
        color = (state & stPressed) ? &pressed_ : &hot_;
    else if (IsFocused())
        color = &focus_;
    label_.SetTextColor(*color);
    SetHotKey(label_.GetMnemonic());
}

uint32_t TTextButton::Update() {
    if (!(flags_ & kDirty)) return flags_;
    TClickCtl::Update();
    Recolor();
    // The button paints only while it shows the focus frame.
    SetHollow(IsEnabled() && IsFocused() ? 0 : 1);
    return flags_;
}

TRectArea& TTextButton::GetClientRect(TRectArea& rect) {
    TClickCtl::GetClientRect(rect);
    rect = DeflateRect(rect, 4);
    return rect;
}

void TTextButton::Draw() {
    if (!IsFocused()) return;
    TCanvas& canvas = GetCanvas();
    canvas.SetBackColor(key_);
    canvas.Clear();
    TRectArea client;
    TRectComp::GetClientRect(client);
    DrawDottedFrame(canvas, DeflateRect(client, 2));
    canvas.SetColor3(key_);
    canvas.SetKeep(IsTransparent() ? 1 : 0);
}
