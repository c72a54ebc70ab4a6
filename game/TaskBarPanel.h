// One of the task bar's two button panels at the bottom corners of the game
// screen: a background picture under two picture buttons. It stays hidden
// until the world shows it (the pointer entered its strip along the bottom
// edge) and has the world hide it again as soon as the pointer moves
// outside it.
#pragma once

#include "ui/TImage.h"
#include "ui/TListForm.h"
#include "ui/TPanel.h"

class TaskBarPanel : public TPanel {
public:
    struct Place {
        int32_t x, y, w, h;
    };

    bool HandleEvent(TObject* sender, TEvent* event) override;

    TListForm& Button(int32_t n) { return n == 0 ? first_ : second_; }
    TImage& Background() { return background_; }

protected:
    // Invisible at `x`, 543 (108 x 57) with `backgroundKey` over the whole
    // panel; the buttons get their rectangles, are keyed and shown.
    void Build(int32_t x, const char* backgroundKey, const Place& first, const Place& second);
    // Shown under `parent`, still invisible.
    void Finish(TControl* parent);
    // Asks the world to dismiss this panel and show its strip.
    virtual void HideThroughWorld() = 0;

    TImage background_;
    TListForm first_;
    TListForm second_;
};
