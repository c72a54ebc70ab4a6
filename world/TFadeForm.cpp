#include "TFadeForm.h"

TFadeForm::~TFadeForm() {
    fader_.Detach();
}

void TFadeForm::SetUp() {
    SetVisible(true);
    SetFrameStyle(0);
    SetTransparent(1);
    SetBorderWidth(0);
    // Opened in the application's form, whose ticks then reach the fader.
    Open(dynamic_cast<TControl*>(TGraphic::GetApplication()));
    fader_.SetNotify(1);
    fader_.Add<TFadeForm, &TFadeForm::OnFadeEnd>(evUser23, this);
    fader_.Attach(this);
}

void TFadeForm::Close() {
    fader_.Detach();
    TWinForm::Close();
}

int TFadeForm::OnFadeEnd(TObject*, TEvent*) {
    if (!fader_.IsRunning()) EndModal(1);
    return 1;
}

int32_t TFadeForm::Run(int32_t from, int32_t to, float rate) {
    fader_.SetRange(from, to);
    fader_.SetRate(rate);
    fader_.Start();
    // Without an application no tick would ever reach the fader: the steps
    // then run at once rather than waiting for ever.
    if (!TGraphic::GetApplication()) {
        while (fader_.IsRunning())
            fader_.Step(nullptr, nullptr);
        return 1;
    }
    return ShowModal();
}
