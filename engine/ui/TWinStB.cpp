#include "ui/TWinStB.h"

#include "foundation/TError.h"
#include "ui/TSizeGrip.h"

namespace {

const char kSource[] = "Source\\TWinStB";

} // namespace

void DrawBarStrip(TCanvas& canvas, int32_t width, int32_t height, int32_t fill, int32_t topLeft,
                  int32_t bottomRight) {
    const int32_t w = width, h = height;
    canvas.SetForeColor(TColor::Default(fill));
    canvas.FillRect(1, 1, w - 1, h - 1);
    canvas.SetForeColor(TColor::Default(topLeft));
    canvas.Line(0, 0, w - 2, 0);
    canvas.Line(0, 0, 0, h - 1);
    canvas.SetForeColor(TColor::Default(bottomRight));
    canvas.Line(1, h - 1, w - 1, h - 1);
    canvas.Line(w - 1, 0, w - 1, h - 2);
}

void SetUpBarLabel(TLabel& label, const char* text) {
    label.TRectComp::SetAlign(TRectComp::alFill);
    label.SetAlign(TText::taLeft);
    label.SetVertAlign(TText::taCentre);
    label.SetTransparent(1);
    label.SetText(text);
}

TWinStB::TWinStB() {
    SetDrawMode(dmDocked);
    SetUpBarLabel(label_, "");
}

TWinStB::~TWinStB() {
    delete grip_;
}

void TWinStB::Show(TControl* parent) {
    TControl::Show(parent);
    if (GetSizeGrip()) {
        grip_ = new TSizeGrip;
        if (!grip_) {
            TError::Raise(9, nullptr, nullptr, kSource, 137);
        } else {
            grip_->TControl::SetStyle(35);
            grip_->SetAlign(alRight);
            grip_->SetDrawMode(dmDocked);
            grip_->Show(this);
        }
    }
    label_.Show(this);
}

void TWinStB::Hide() {
    if (grip_) {
        grip_->Hide();
        delete grip_;
        grip_ = nullptr;
    }
    label_.Hide();
    TControl::Hide();
}

uint32_t TWinStB::Update() {
    if (!(flags_ & kDirty)) return flags_;
    TControl::Update();
    if (!grip_) return flags_;
    if (GetSizeGrip()) {
        grip_->SetVisible(true);
        grip_->SetEnabled(true);
        TRectArea r;
        GetClientRect(r);
        // A square as high as the text area.
        grip_->SetHeight(r.bottom - r.top);
        grip_->SetWidth(r.bottom - r.top);
    } else {
        grip_->SetVisible(false);
        grip_->SetEnabled(false);
    }
    return flags_;
}

TRectArea& TWinStB::GetClientRect(TRectArea& rect) {
    TStatusBarBase::GetClientRect(rect);
    rect = DeflateRect(rect, 2);
    rect.left += 2; // the text starts 4 pixels in
    return rect;
}

void TWinStB::Draw() {
    DrawBarStrip(GetCanvas(), GetWidth(), GetHeight(), 14, 10, 8);
}
