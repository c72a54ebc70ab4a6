#include "ui/TWinSysB.h"

#include "foundation/TError.h"
#include "ui/TCaptionButton.h"
#include "ui/TWinStB.h"

namespace {

const char kSource[] = "Source\\TWinSysB";

} // namespace

TWinSysB::TWinSysB() {
    SetDrawMode(dmDocked);
    TControl::SetStyle(35);
    SetUpBarLabel(label_, "Caption");
}

TWinSysB::~TWinSysB() {
    delete close_;
    delete translucency_;
    delete maximize_;
}

TCaptionButton* TWinSysB::Build(TCaptionButton* button, int32_t line) {
    if (!button) {
        TError::Raise(9, nullptr, nullptr, kSource, line);
        return nullptr;
    }
    button->TControl::SetStyle(39);
    button->SetAlign(alRight);
    button->SetDrawMode(dmDocked);
    button->Show(this);
    return button;
}

void TWinSysB::Show(TControl* parent) {
    TControl::Show(parent);
    const uint32_t buttons = GetButtons();
    if (buttons & cbClose) {
        close_ = Build(new TCloseButton, 317);
        if (close_) close_->SetCancel(1); // Escape closes
    }
    if (buttons & cbMaximize) maximize_ = Build(new TMaximizeButton, 329);
    if (buttons & cbTranslucent) translucency_ = Build(new TTranslucencyButton, 341);
    label_.Show(this);
}

void TWinSysB::Drop(TCaptionButton*& button) {
    if (!button) return;
    button->Hide();
    delete button;
    button = nullptr;
}

void TWinSysB::Hide() {
    Drop(translucency_);
    Drop(close_);
    Drop(maximize_);
    label_.Hide();
    TControl::Hide();
}

void TWinSysB::Follow(TCaptionButton* button, uint32_t bit, int32_t size) {
    if (!button) return;
    const bool on = (GetButtons() & bit) != 0;
    button->SetVisible(on);
    button->SetEnabled(on);
    if (!on) return;
    button->SetHeight(size);
    button->SetWidth(size);
}

uint32_t TWinSysB::Update() {
    if (!(flags_ & kDirty)) return flags_;
    TControl::Update();
    TRectArea r;
    GetClientRect(r);
    const int32_t size = r.bottom - r.top;
    Follow(close_, cbClose, size);
    Follow(maximize_, cbMaximize, size);
    Follow(translucency_, cbTranslucent, size);
    label_.SetTextColor(TColor::Default(GetActive() ? 18 : 19));
    return flags_;
}

TRectArea& TWinSysB::GetClientRect(TRectArea& rect) {
    TCaptionBarBase::GetClientRect(rect);
    rect = DeflateRect(rect, 2);
    rect.left += 2;
    return rect;
}

void TWinSysB::Draw() {
    DrawBarStrip(GetCanvas(), GetWidth(), GetHeight(), GetActive() ? 16 : 17, 11, 8);
}
