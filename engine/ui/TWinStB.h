// The status bar of a framed form: a sunken grey strip with one line of text
// at its left and, when its size-grip flag is set as it is shown, a size
// grip in its right corner.
#pragma once

#include "ui/TLabel.h"
#include "ui/TStatusBarBase.h"

class TSizeGrip;

class TWinStB : public TStatusBarBase {
public:
    TWinStB();
    ~TWinStB() override;

    uint32_t Update() override;
    TRectArea& GetClientRect(TRectArea& rect) override;
    void Draw() override;
    void SetText(const char* text) override { label_.SetText(text); }
    const char* GetText() const override { return label_.GetText(); }

    void Show(TControl* parent);
    void Hide();
    TSizeGrip* GetGrip() const { return grip_; }
    TLabel& GetLabel() { return label_; }

private:
    TLabel label_;
    TSizeGrip* grip_ = nullptr;
};

// The bars' text: filling the bar's client area, left and vertically centred,
// transparent.
void SetUpBarLabel(TLabel& label, const char* text);
// The sunken or raised strip of the bars: a fill inside a one-pixel edge,
// the top and left edges in `topLeft`, the bottom and right in `bottomRight`
// (entries of the default UI colour table).
void DrawBarStrip(TCanvas& canvas, int32_t width, int32_t height, int32_t fill, int32_t topLeft,
                  int32_t bottomRight);
