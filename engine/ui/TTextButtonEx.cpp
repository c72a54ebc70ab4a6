#include "ui/TTextButtonEx.h"

#include "ui/UiDraw.h"

TTextButtonEx::TTextButtonEx() {
    SetTransparent(0);
}

TTextButtonEx::~TTextButtonEx() = default;

uint32_t TTextButtonEx::Update() {
    if (!(flags_ & kDirty)) return flags_;
    TClickCtl::Update();
    Recolor(); // the face is always painted: no hollow flag
    return flags_;
}

TRectArea& TTextButtonEx::GetClientRect(TRectArea& rect) {
    TTextButton::GetClientRect(rect);
    if (IsPressed()) rect = {rect.left + 1, rect.top + 1, rect.right + 1, rect.bottom + 1};
    return rect;
}

void TTextButtonEx::Draw() {
    TCanvas& canvas = GetCanvas();
    TRectArea r;
    TRectComp::GetClientRect(r);
    const TRectArea inner = DrawButtonFace(canvas, r, IsPressed());
    if (IsFocused()) DrawDottedFrame(canvas, DeflateRect(inner, 2));
}
