#include "ui/TPanel.h"

TPanel::TPanel() {
    SetBorderWidth(0);
    GetCanvas().SetForeColor(TColor::Default(14));
    if (!IsTransparent()) {
        TGraphic::SetTransparent(1);
        SetHollow(1);
        Invalidate(true);
    }
}

TPanel::~TPanel() = default;

void TPanel::SetColor(TColor color) {
    const TColor& fore = GetCanvas().GetForeColor();
    if (fore.Red() == color.Red() && fore.Green() == color.Green() && fore.Blue() == color.Blue())
        return;
    GetCanvas().SetForeColor(color);
    Invalidate(true);
}

void TPanel::SetTransparent(int32_t flag) {
    if ((IsTransparent() != 0) == (flag != 0)) return;
    TGraphic::SetTransparent(flag);
    SetHollow(flag);
    Invalidate(true);
}

bool TPanel::HandleEvent(TObject* sender, TEvent* event) {
    if (!event) return false;
    if (event->type == evRadio) return RadioGroup(event);
    return TControl::HandleEvent(sender, event);
}

bool TPanel::RadioGroup(TEvent* event) {
    if (event->passState != 0) return false;
    if (!event->Targets(this)) {
        if (!event->target) return false;
        return WalkChildren(true, [&](TComp* child) { return child->HandleEvent(this, event); });
    }
    event->passState = psTaken;
    WalkChildren(true, [&](TComp* child) {
        child->HandleEvent(this, event);
        return false;
    });
    event->passState = psConsumed;
    return true;
}

void TPanel::Draw() {
    TRectArea r;
    TRectComp::GetClientRect(r);
    GetCanvas().FillRect(r);
}
