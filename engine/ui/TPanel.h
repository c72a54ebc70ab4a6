// A plain rectangular control that others are shown under: painted as a
// rectangle of one colour once it is made opaque, nothing at all while it is
// transparent (as built). It groups the radio click controls inside it.
#pragma once

#include "foundation/TColor.h"
#include "ui/TControl.h"

class TPanel : public TControl {
public:
    TPanel();
    ~TPanel() override;

    bool HandleEvent(TObject* sender, TEvent* event) override;
    void Draw() override;

    // The colour is the canvas's fore colour.
    void SetColor(TColor color);
    TColor GetColor() { return GetCanvas().GetForeColor(); }
    // A transparent panel is hollow as well.
    void SetTransparent(int32_t flag);

private:
    // A radio group event: the group's members clear themselves.
    bool RadioGroup(TEvent* event);
};
