#include "ui/TSizeGrip.h"

#include "ui/UiDraw.h"

#include <initializer_list>

TSizeGrip::TSizeGrip() = default;

TSizeGrip::~TSizeGrip() = default;

void TSizeGrip::Draw() {
    TCanvas& canvas = GetCanvas();
    TRectArea r;
    TRectComp::GetClientRect(r);
    const int32_t w = r.right, h = r.bottom;
    canvas.SetForeColor(TColor::Default(14));
    canvas.FillRect(r);
    for (int32_t k : {2, 6, 10, 14}) {
        canvas.SetForeColor(TColor::Default(10));
        DrawPenLine(canvas, 2, kSolidLine, w, h - k, w - k, h);
        canvas.SetForeColor(TColor::Default(8));
        DrawPenLine(canvas, 1, kSolidLine, w, h - k, w - k, h);
    }
}
