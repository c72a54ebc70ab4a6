#include "ui/THintForm.h"

#include "foundation/TServices.h"
#include "ui/TWinApp.h"

THintForm::THintForm() {
    TControl::SetStyle(stDefault); // not focusable
    SetFrameStyle(1);
    SetCaptionButtons(0);
    SetBorderWidth(0);
    SetDepth(-1); // before every sibling of depth 0 or more
    timer_.SetInterval(kInterval);
}

THintForm::~THintForm() {
    timer_.Detach();
    // The application must not keep a window that is gone.
    if (Services().hintWindow.Is(this)) TWinApp::SetHintWindow(nullptr);
}

THintForm* THintForm::Current() {
    return dynamic_cast<THintForm*>(TWinApp::GetHintWindow());
}

void THintForm::Open(TControl* parent) {
    owner_.Reset();
    TWinForm::Open(parent);
    label_.TRectComp::SetAlign(alFill);
    label_.SetVertAlign(TText::taCentre);
    label_.SetAlign(TText::taCentre);
    label_.SetTransparent(0);
    label_.SetBackColor(TColor::Default(48));
    label_.SetTextColor(TColor::Default(47));
    label_.Show(this);
    timer_.SetParent(parent);
    timer_.SetEnabled(false);
    // Once only: a window opened again (or closed and reopened) would count
    // every firing twice and show its hints early.
    if (!timer_.Has(evTick, this)) timer_.Add<THintForm, &THintForm::OnTick>(evTick, this);
}

void THintForm::Close() {
    timer_.Detach();
    label_.Hide();
    TWinForm::Close();
}

void THintForm::SetText(const char* text) {
    label_.SetText(text);
    Invalidate(true);
}

void THintForm::SetAnchor(int32_t x, int32_t y) {
    anchor_ = TPoint(x, y);
    Invalidate(true);
}

void THintForm::Show() {
    if (IsVisible()) return;
    if (recent_) {
        step_ = 0;
        counter_ = kFirings;
        timer_.SetEnabled(false);
        TFocusCtl::Show();
        return;
    }
    step_ = 1;
    counter_ = 0;
    timer_.SetEnabled(true);
}

void THintForm::Hide() {
    if (IsVisible()) {
        TFocusCtl::Hide();
        step_ = -1;
        counter_ = kFirings;
        timer_.SetEnabled(true);
    } else if (step_ == 1) {
        step_ = 0;
        counter_ = 0;
        timer_.SetEnabled(false);
    }
}

int THintForm::OnTick(TObject*, TEvent*) {
    if (step_ == 0) return 0;
    counter_ += step_;
    if (counter_ >= kFirings) {
        recent_ = true;
        step_ = 0;
        TFocusCtl::Show();
    }
    if (counter_ <= 0) {
        recent_ = false;
        step_ = 0;
        timer_.SetEnabled(false);
    }
    return 0;
}

// Runs in the layout pass, where the visible rectangle is still the
// parent's visible client area for a full-area form.
uint32_t THintForm::Update() {
    if (!(flags_ & kDirty)) return flags_;
    TWinForm::Update();
    // Measured without limit, then sized to the text with a 3-pixel margin.
    label_.SetRect(0, 0, 65535, 65535);
    const int32_t height = label_.GetTextHeight() + 6;
    const int32_t width = label_.GetTextWidth() + 6;
    AdjustHeight(height);
    AdjustWidth(width);
    label_.TRectComp::SetAlign(alFill);
    TPoint p(anchor_.x + offset_.x, anchor_.y + offset_.y);
    TRectArea bounds;
    GetVisibleRect(bounds);
    if (p.y + height > bounds.bottom) p.y = anchor_.y - height;
    if (p.x + width > bounds.right) p.x = anchor_.x - width;
    SetPos(ScreenToParent(p));
    return flags_;
}
