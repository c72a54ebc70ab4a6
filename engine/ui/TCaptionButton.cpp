#include "ui/TCaptionButton.h"

#include "media/resources/TDrawAttr.h"
#include "ui/TText.h"
#include "ui/UiDraw.h"

namespace {

// A 50 % checker: the translucency symbol's hatch while it is up.
const uint8_t kChecker[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};

// The outline of a window symbol: a thick top edge and thin left, bottom
// and right edges from (left, top) to (right, bottom) inclusive.
void WindowOutline(TCanvas& canvas, int32_t left, int32_t top, int32_t right, int32_t bottom,
                   uint16_t sides) {
    DrawPenLine(canvas, 2, kSolidLine, left, top, right - 1, top);
    DrawPenLine(canvas, 1, sides, left, top, left, bottom);
    DrawPenLine(canvas, 1, sides, left, bottom, right, bottom);
    DrawPenLine(canvas, 1, sides, right, bottom, right, top);
}

} // namespace

TCaptionButton::TCaptionButton() = default;

TCaptionButton::~TCaptionButton() = default;

void TCaptionButton::SetState(int32_t state) {
    if (down_ == state) return;
    down_ = state;
    SetRedraw(true);
}

TRectArea& TCaptionButton::GetClientRect(TRectArea& rect) {
    TSysBtn::GetClientRect(rect);
    rect = DeflateRect(rect, 4);
    if (IsPressed()) rect = {rect.left + 1, rect.top + 1, rect.right + 1, rect.bottom + 1};
    return rect;
}

void TCaptionButton::Draw() {
    TSysBtn::Draw();
    TRectArea r;
    GetClientRect(r);
    GetCanvas().SetForeColor(TColor::Default(IsEnabled() ? 28 : 30));
    DrawGlyph(r);
    GetCanvas().SetDrawAttr(nullptr);
}

void TCloseButton::DrawGlyph(const TRectArea& r) {
    TCanvas& canvas = GetCanvas();
    DrawPenLine(canvas, 2, kSolidLine, r.left + 1, r.top + 1, r.right - 3, r.bottom - 3);
    DrawPenLine(canvas, 2, kSolidLine, r.left + 1, r.bottom - 3, r.right - 3, r.top + 1);
}

void TMaximizeButton::DrawGlyph(const TRectArea& r) {
    TCanvas& canvas = GetCanvas();
    if (!GetState()) {
        WindowOutline(canvas, r.left, r.top + 1, r.right - 1, r.bottom - 1, kSolidLine);
        return;
    }
    const int32_t cx = (r.left + r.right) >> 1, cy = (r.top + r.bottom) >> 1;
    // The front window, then the back one showing above and right of it.
    WindowOutline(canvas, r.left, cy - 2, cx + 3, r.bottom - 1, kSolidLine);
    DrawPenLine(canvas, 2, kSolidLine, cx - 3, r.top, r.right - 2, r.top);
    DrawPenLine(canvas, 1, kSolidLine, cx - 3, r.top, cx - 3, cy - 2);
    DrawPenLine(canvas, 1, kSolidLine, r.right - 1, cy + 3, cx + 3, cy + 3);
    DrawPenLine(canvas, 1, kSolidLine, r.right - 1, cy + 3, r.right - 1, r.top);
}

void TTranslucencyButton::DrawGlyph(const TRectArea& r) {
    TCanvas& canvas = GetCanvas();
    const TColor glyph = canvas.GetForeColor();
    const bool down = GetState() != 0;
    TDrawAttr fill;
    if (!down) {
        fill.SetFillStyle(TDrawAttr::kMono2);
        fill.SetMonoPattern(kChecker);
    }
    canvas.SetForeColor(TColor::Default(15));
    canvas.SetDrawAttr(&fill);
    canvas.FillRect(r.left, r.top + 1, r.right - 1, r.bottom - 1);
    canvas.SetDrawAttr(nullptr);
    canvas.SetForeColor(glyph);
    WindowOutline(canvas, r.left, r.top + 1, r.right - 1, r.bottom - 1,
                  down ? kSolidLine : kDottedLine);
    if (down) return;
    const int32_t mid = (r.left + r.right - 1) / 2;
    DrawPenLine(canvas, 1, kSolidLine, r.left + 4, r.top + 5, r.right - 5, r.top + 5);
    DrawPenLine(canvas, 1, kSolidLine, mid, r.top + 5, mid, r.bottom - 4);
}
