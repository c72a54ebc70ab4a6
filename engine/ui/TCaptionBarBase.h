// The base of a framed form's caption bar: a control with the form's active
// state, the word of caption buttons to build, and the text operations the
// bar's label fills in.
#pragma once

#include "ui/TControl.h"

#include <cstdint>

class TCaptionBarBase : public TControl {
public:
    // Bits of the caption-buttons word; other bits build nothing.
    enum Buttons : uint32_t { cbClose = 1, cbMaximize = 4, cbTranslucent = 16 };

    TCaptionBarBase() = default;

    // The bar is drawn in another colour while its form is active.
    virtual void SetActive(int32_t flag);
    virtual int32_t GetActive() const { return active_; }
    // A changed word marks the bar dirty, so its next layout shows or hides
    // the buttons.
    virtual void SetButtons(uint32_t buttons);
    virtual uint32_t GetButtons() const { return buttons_; }
    virtual void SetText(const char* text);
    virtual const char* GetText() const { return ""; }

private:
    int32_t active_ = 0;
    uint32_t buttons_ = 0;
};
