// The framed form's bars and strips: built by Open for the frame style of
// that moment, shown or hidden by later layouts, deleted by Close; and the
// caption buttons' handlers.
#include "foundation/TError.h"
#include "ui/TCaptionButton.h"
#include "ui/TPanel.h"
#include "ui/TSizeGrip.h"
#include "ui/TWinForm.h"
#include "ui/TWinStB.h"
#include "ui/TWinSysB.h"

namespace {

const char kSource[] = "Source\\TWinForm";

template <class T> void DeleteStrip(T*& strip) {
    if (!strip) return;
    strip->Hide();
    delete strip;
    strip = nullptr;
}

} // namespace

// A form opened again keeps the bars it has and builds only those its style
// now asks for and it lacks; building them twice would lose the first set.
void TWinForm::OpenBars() {
    if (frameStyle_ >= 3 && frameStyle_ <= 5) {
        if (!winCaption_) OpenCaptionBar();
        if (!topStrip_) topStrip_ = OpenStrip(alTop, 83);
    }
    if (frameStyle_ == 4 || frameStyle_ == 5) {
        if (!winStatus_) OpenStatusBar();
        if (!bottomStrip_) bottomStrip_ = OpenStrip(alBottom, 117);
    }
}

TPanel* TWinForm::OpenStrip(int32_t align, int32_t line) {
    TPanel* strip = new TPanel;
    if (!strip) {
        TError::Raise(9, nullptr, nullptr, kSource, line);
        return nullptr;
    }
    strip->SetAlign(align);
    strip->SetHeight(GetBorderWidth());
    strip->SetDrawMode(dmDocked);
    strip->Show(this);
    return strip;
}

void TWinForm::OpenCaptionBar() {
    winCaption_ = new TWinSysB;
    if (!winCaption_) {
        TError::Raise(9, nullptr, nullptr, kSource, 52);
    } else {
        SetCaptionBar(winCaption_);
        winCaption_->SetAlign(alTop);
        winCaption_->SetHeight(captionHeight_);
        winCaption_->SetButtons(captionButtons_);
        winCaption_->SetActive(IsFocused() ? 1 : 0);
        winCaption_->SetText(title_.c_str());
        winCaption_->Show(this);
        if (TCaptionButton* b = winCaption_->GetCloseButton())
            b->Add<TWinForm, &TWinForm::OnCloseButton>(evCommand, this);
        if (TCaptionButton* b = winCaption_->GetMaximizeButton())
            b->Add<TWinForm, &TWinForm::OnMaximizeButton>(evCommand, this);
        if (TCaptionButton* b = winCaption_->GetTranslucencyButton())
            b->Add<TWinForm, &TWinForm::OnTranslucencyButton>(evCommand, this);
        winCaption_->Add<TFocusCtl, &TFocusCtl::OnDragMove>(evMouseMove, this);
    }
}

void TWinForm::OpenStatusBar() {
    winStatus_ = new TWinStB;
    if (!winStatus_) {
        TError::Raise(9, nullptr, nullptr, kSource, 96);
    } else {
        SetStatusBar(winStatus_);
        winStatus_->SetAlign(alBottom);
        winStatus_->SetHeight(statusHeight_);
        winStatus_->SetText(statusText_.c_str());
        winStatus_->SetSizeGrip(frameStyle_ == 5 ? 1 : 0);
        winStatus_->Show(this);
        if (TSizeGrip* grip = winStatus_->GetGrip())
            grip->Add<TFocusCtl, &TFocusCtl::OnDragSize>(evMouseMove, this);
    }
}

void TWinForm::CloseBars() {
    DeleteStrip(bottomStrip_);
    if (winStatus_) {
        winStatus_->Hide();
        delete winStatus_;
        winStatus_ = nullptr;
        SetStatusBar(nullptr);
    }
    DeleteStrip(topStrip_);
    if (winCaption_) {
        winCaption_->Hide();
        delete winCaption_;
        winCaption_ = nullptr;
        SetCaptionBar(nullptr);
    }
}

void TWinForm::UpdateStrips() {
    const int32_t border = GetBorderWidth();
    auto follow = [border](TPanel* strip, bool on) {
        if (!strip) return;
        strip->SetVisible(on);
        if (on) strip->SetHeight(border);
    };
    follow(topStrip_, frameStyle_ >= 3 && frameStyle_ <= 5);
    follow(bottomStrip_, frameStyle_ == 4 || frameStyle_ == 5);
}

int TWinForm::OnCloseButton(TObject*, TEvent*) {
    // The container's close: disabled and hidden; the bars stay until the
    // owner closes the form, outside this handler.
    TFocusCtl::Close();
    return 0;
}

int TWinForm::OnMaximizeButton(TObject*, TEvent*) {
    TCaptionButton* button = winCaption_ ? winCaption_->GetMaximizeButton() : nullptr;
    if (!button) return 0;
    const bool down = button->GetState() != 0;
    SetWindowState(down ? wsNormal : wsMaximized);
    button->SetState(down ? 0 : 1);
    return 0;
}

int TWinForm::OnTranslucencyButton(TObject*, TEvent*) {
    const int32_t alpha = GetAlpha();
    SetAlpha(GetSecondAlpha());
    SetSecondAlpha(alpha);
    TCaptionButton* button = winCaption_ ? winCaption_->GetTranslucencyButton() : nullptr;
    if (button) button->SetState(GetAlpha() != 255 ? 1 : 0);
    return 0;
}
