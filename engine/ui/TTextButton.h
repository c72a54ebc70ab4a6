// A push button whose face is a label: the label fills the button's client
// area and takes its text colour from the button's state (normal, pointer
// over, pressed, focused, disabled); the button itself paints only a dotted
// focus frame. The label's mnemonic is the button's Alt hot key.
#pragma once

#include "foundation/TColor.h"
#include "ui/TClickCtl.h"
#include "ui/TLabel.h"

#include <cstdint>

class TTextButton : public TClickCtl {
public:
    TTextButton();
    ~TTextButton() override;

    uint32_t Update() override;
    TRectArea& GetClientRect(TRectArea& rect) override;
    void Draw() override;

    void Show(TControl* parent);
    void Hide();
    void SetText(const char* text);
    const char* GetText() const { return label_.GetText(); }
    void SetNormalColor(TColor color);
    TColor GetNormalColor() const { return normal_; }
    void SetHotColor(TColor color);
    TColor GetHotColor() const { return hot_; }
    void SetPressedColor(TColor color);
    TColor GetPressedColor() const { return pressed_; }
    void SetVertAlign(int32_t align) { label_.SetVertAlign(align); }
    void SetAlign(int32_t align) { label_.SetAlign(align); }
    TLabel& GetLabel() { return label_; }
    // The label's text colour by the state, and the hot key by its mnemonic.
    void Recolor();

protected:
    bool IsPressed() const { return (GetState() & stPressed) != 0; }

private:
    void SetColorField(TColor& field, TColor color);

    TLabel label_;
    TColor normal_;
    TColor key_;
    TColor hot_;
    TColor pressed_;
    TColor focus_;
    TColor disabled_;
};
