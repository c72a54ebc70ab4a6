// The size grip in the status bar's right corner: a click control that only
// draws four diagonal ridges; the form registers the handler that resizes it.
#pragma once

#include "ui/TClickCtl.h"

class TSizeGrip : public TClickCtl {
public:
    TSizeGrip();
    ~TSizeGrip() override;

    void Draw() override;
};
