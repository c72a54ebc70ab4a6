// The caption bar's three buttons: the caption button face with a symbol
// drawn inside it. The symbols sit in the client rectangle, which is the
// face inset by 4 and moved one pixel down and right while pressed. The
// maximize and translucency buttons keep a down state that the form sets.
#pragma once

#include "ui/TSysBtn.h"

#include <cstdint>

class TCaptionButton : public TSysBtn {
public:
    TCaptionButton();
    ~TCaptionButton() override;

    TRectArea& GetClientRect(TRectArea& rect) override;
    void Draw() override;

    // The down state of the symbol; a change redraws the button.
    void SetState(int32_t state);
    int32_t GetState() const { return down_; }

protected:
    // Draws the symbol into the client rectangle in the glyph colour (set
    // as the canvas's fore colour).
    virtual void DrawGlyph(const TRectArea& r) = 0;

private:
    int32_t down_ = 0;
};

class TCloseButton : public TCaptionButton {
protected:
    void DrawGlyph(const TRectArea& r) override;
};

class TMaximizeButton : public TCaptionButton {
protected:
    void DrawGlyph(const TRectArea& r) override;
};

class TTranslucencyButton : public TCaptionButton {
protected:
    void DrawGlyph(const TRectArea& r) override;
};
