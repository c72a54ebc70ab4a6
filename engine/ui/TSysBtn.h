// The plain three-dimensional push-button face of the caption bar's buttons:
// a grey surface that looks pressed while the button is held down, with a
// dotted outline while it has the focus.
#pragma once

#include "ui/TClickCtl.h"

class TSysBtn : public TClickCtl {
public:
    TSysBtn();
    ~TSysBtn() override;

    void Draw() override;

protected:
    bool IsPressed() const { return (GetState() & stPressed) != 0; }
};
