#include "ui/TWinForm.h"

#include "drawing/BlitCore.h"
#include "foundation/Saturate.h"
#include "foundation/TColor.h"

#include <bit>
#include <iterator>

namespace {

// The frame of each style: how far it insets the client area, what it adds
// to twice the border width in both directions, and the bars and
// border-high strips that the minimum size leaves room for.
struct TFrameStyle {
    int32_t inset;
    int32_t frame;
    bool caption;
    bool status;
    int32_t strips;
};

constexpr TFrameStyle kFrameStyles[] = {
    {0, 0, false, false, 0}, // none, fill only
    {1, 2, false, false, 0}, // single line
    {4, 8, false, false, 0}, // double bevel
    {4, 8, true, false, 1},  // with a caption bar
    {4, 8, true, true, 2},   // and a status bar
    {4, 8, true, true, 2},   // and a size grip
};

const TFrameStyle* FrameStyleOf(int32_t style) {
    if (style < 0 || style >= int32_t(std::size(kFrameStyles))) return nullptr;
    return &kFrameStyles[style];
}

// Default UI colours of the frame.
constexpr int32_t kFill = 14, kLine = 11, kOuterLight = 10, kOuterDark = 11, kInnerLight = 8,
                  kInnerDark = 10;

TRectArea Inset(const TRectArea& r, int32_t by) {
    TRectArea inset{r.left + by, r.top + by, r.right - by, r.bottom - by};
    if (inset.right <= inset.left || inset.bottom <= inset.top) return {0, 0, 0, 0};
    return inset;
}

} // namespace

TWinForm::TWinForm() {
    SetFrameStyle(1);
    SetCaptionButtons(1);
    SetBorderWidth(2);
}

TWinForm::~TWinForm() {
    CloseBars();
}

int32_t TWinForm::ClientInset(int32_t frameStyle) {
    const TFrameStyle* frame = FrameStyleOf(frameStyle);
    return frame ? frame->inset : 0;
}

int32_t TWinForm::MinimumWidth() const {
    const TFrameStyle* frame = FrameStyleOf(frameStyle_);
    if (!frame) return 0;
    // In 64 bits: a border or bar near the limits holds the minimum at the
    // largest size instead of wrapping it round to a negative one.
    int64_t width = 2 * int64_t{GetBorderWidth()} + frame->frame;
    // Every set bit of the buttons word counts one caption-height button.
    if (frame->caption) width += int64_t{captionHeight_} * (1 + std::popcount(captionButtons_));
    return Saturate32(width);
}

int32_t TWinForm::MinimumHeight() const {
    const TFrameStyle* frame = FrameStyleOf(frameStyle_);
    if (!frame) return 0;
    const int64_t border = GetBorderWidth();
    return Saturate32(2 * border + frame->frame + (frame->caption ? captionHeight_ : 0) +
                      (frame->status ? statusHeight_ : 0) + frame->strips * border);
}

uint32_t TWinForm::Update() {
    if (!(flags_ & kDirty)) return flags_;
    TFocusCtl::Update();
    UpdateKeepAndHollow();
    UpdateStrips();
    const int32_t minHeight = MinimumHeight(), minWidth = MinimumWidth();
    if (GetHeight() < minHeight) AdjustHeight(minHeight);
    if (GetWidth() < minWidth) AdjustWidth(minWidth);
    return flags_;
}

void TWinForm::UpdateKeepAndHollow() {
    TCanvas& canvas = GetCanvas();
    // A transparent form without a bevelled frame is copied with its fill
    // colour as the key, so only its line (style 1) or nothing (style 0)
    // covers what lies behind it.
    const bool keyed = IsTransparent() && (frameStyle_ == 0 || frameStyle_ == 1);
    if (keyed) {
        canvas.SetKeep(1);
        canvas.SetColor3(TColor::Default(kFill));
    } else {
        canvas.SetKeep(0);
    }
    SetHollow(keyed && frameStyle_ == 0 ? 1 : 0);
}

TRectArea& TWinForm::GetClientRect(TRectArea& rect) {
    TFocusCtl::GetClientRect(rect);
    rect = Inset(rect, ClientInset(frameStyle_));
    return rect;
}

void TWinForm::Draw() {
    Update();
    TRectArea r;
    TRectComp::GetClientRect(r);
    DrawFrame(r);
    if (GetAlpha() >= 0 && GetAlpha() < 255) BlendWithBackground();
}

void TWinForm::DrawFrame(TRectArea r) {
    if (!FrameStyleOf(frameStyle_)) return;
    TCanvas& canvas = GetCanvas();
    canvas.SetForeColor(TColor::Default(kFill));
    canvas.FillRect(r);
    if (frameStyle_ == 0) return;
    if (frameStyle_ == 1) {
        canvas.SetForeColor(TColor::Default(kLine));
        canvas.FrameRect(r);
        return;
    }
    canvas.SetForeColor(TColor::Default(kOuterLight));
    canvas.SetBackColor(TColor::Default(kOuterDark));
    canvas.DrawBevel(r, 1, 1);
    canvas.SetForeColor(TColor::Default(kInnerLight));
    canvas.SetBackColor(TColor::Default(kInnerDark));
    canvas.DrawBevel(Inset(r, 1), 1, 2);
}

void TWinForm::BlendWithBackground() {
    TCanvas& canvas = GetCanvas();
    canvas.SetKeep(1);
    blitcore::TBackground surface;
    if (!blitcore::ReadBackground(canvas.GetDevice(), surface)) return;
    const TPoint at = ParentToScreen(TPoint(GetX(), GetY()));
    // The form's canvas mixed in place with the screen behind it.
    TCanvas::Blit(surface.surface, surface.surface, surface.pitch, surface.width, surface.height,
                  surface.depth, surface.pitch, surface.width, surface.height, surface.width,
                  surface.height, surface.depth, at.x, at.y, 0, 0, GetAlpha());
}

void TWinForm::Open(TControl* parent) {
    TControl::Show(parent);
    OpenBars();
}

void TWinForm::Close() {
    CloseBars();
    TControl::Hide();
}
