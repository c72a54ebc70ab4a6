// The base of a framed form's status bar: a control with a size-grip flag and
// the text operations the bar's label fills in.
#pragma once

#include "ui/TControl.h"

#include <cstdint>

class TStatusBarBase : public TControl {
public:
    TStatusBarBase() = default;

    // A changed flag marks the bar dirty, so its next layout shows or hides
    // the grip.
    virtual void SetSizeGrip(int32_t flag);
    virtual int32_t GetSizeGrip() const { return sizeGrip_; }
    virtual void SetText(const char* text);
    virtual const char* GetText() const { return ""; }

private:
    int32_t sizeGrip_ = 0;
};
