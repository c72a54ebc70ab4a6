// The frameless, transparent form a fade runs in: shown modally, so that the
// script waits for the fade's end while frames go on being drawn.
#pragma once

#include "TRoomFader.h"

#include "ui/TWinForm.h"

class TFadeForm : public TWinForm {
public:
    TFadeForm() = default;
    ~TFadeForm() override;

    // Visible, frameless, transparent, opened in the application's form; the
    // fader's end ends the modal loop with result 1.
    void SetUp();
    void Close();
    // Sets the range and rate, starts the fader and runs the modal loop
    // until the fade ends.
    int32_t Run(int32_t from, int32_t to, float rate);
    TRoomFader& Fader() { return fader_; }

private:
    int OnFadeEnd(TObject* sender, TEvent* event);

    TRoomFader fader_;
};
