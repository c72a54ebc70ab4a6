// The text button with a classic three-dimensional face: filled, a two-step
// bevel raised when released and sunken while pressed, the label shifted one
// pixel down and right while pressed, the focus frame inside the bevel.
#pragma once

#include "ui/TTextButton.h"

class TTextButtonEx : public TTextButton {
public:
    TTextButtonEx();
    ~TTextButtonEx() override;

    uint32_t Update() override;
    TRectArea& GetClientRect(TRectArea& rect) override;
    void Draw() override;
};
