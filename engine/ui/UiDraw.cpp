#include "ui/UiDraw.h"

#include "media/resources/TDrawAttr.h"
#include "ui/TText.h"

namespace {

// Bevel styles of the canvas: raised draws the top and left edges in the
// fore colour.
constexpr int32_t kSunken = 0, kRaised = 1;

// Patterned lines go through the styled-line path; solid ones honour the pen.
TDrawAttr LineAttr(int32_t pen, uint16_t pattern) {
    TDrawAttr attr;
    attr.SetLineStyle(pattern == kSolidLine ? 0 : 1, pattern);
    attr.SetPenSize(pen, pen);
    return attr;
}

} // namespace

void DrawDottedFrame(TCanvas& canvas, const TRectArea& rect) {
    canvas.SetForeColor(TColor::Default(12));
    TDrawAttr attr = LineAttr(1, kDottedLine);
    canvas.SetDrawAttr(&attr);
    canvas.FrameRect(rect);
    canvas.SetDrawAttr(nullptr);
}

TRectArea DrawButtonFace(TCanvas& canvas, const TRectArea& rect, bool pressed) {
    const int32_t style = pressed ? kSunken : kRaised;
    canvas.SetForeColor(TColor::Default(pressed ? 27 : 26));
    canvas.FillRect(rect);
    canvas.SetForeColor(TColor::Default(10));
    canvas.SetBackColor(TColor::Default(11));
    canvas.DrawBevel(rect, style, 1);
    const TRectArea inner = DeflateRect(rect, 1);
    if (inner.right > inner.left) {
        canvas.SetForeColor(TColor::Default(8));
        canvas.SetBackColor(TColor::Default(10));
        canvas.DrawBevel(inner, style, 1);
    }
    return inner;
}

void DrawPenLine(TCanvas& canvas, int32_t pen, uint16_t pattern, int32_t x1, int32_t y1, int32_t x2,
                 int32_t y2) {
    TDrawAttr attr = LineAttr(pen, pattern);
    canvas.SetDrawAttr(&attr);
    canvas.Line(x1, y1, x2, y2);
    canvas.SetDrawAttr(nullptr);
}
