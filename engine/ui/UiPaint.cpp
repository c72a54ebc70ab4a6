#include "ui/UiPaint.h"

#include "media/resources/TDrawAttr.h"
#include "media/resources/TPicture.h"
#include "ui/TImage.h"
#include "ui/TRectComp.h"
#include "ui/UiDraw.h"

namespace ui {

void Bevel(TCanvas& canvas, const TRectArea& rect, const TColor& first, const TColor& second,
           bool sunken, int32_t width) {
    // The library's style 1 puts the fore colour on the top and left edges,
    // style 0 the back colour.
    canvas.SetForeColor(first);
    canvas.SetBackColor(second);
    canvas.DrawBevel(rect, sunken ? 0 : 1, width);
}

void FillCheckered(TCanvas& canvas, const TRectArea& rect, const TColor& first,
                   const TColor& second) {
    // An opaque mono pattern: set bits in the fore colour, clear ones in the
    // back colour.
    static const uint8_t checker[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
    TDrawAttr attr;
    attr.SetFillStyle(TDrawAttr::kMono1);
    attr.SetMonoPattern(checker);
    canvas.SetForeColor(first);
    canvas.SetBackColor(second);
    canvas.SetDrawAttr(&attr);
    canvas.FillRect(rect);
    canvas.SetDrawAttr(nullptr);
}

void DottedFrame(TCanvas& canvas, const TRectArea& rect, const TColor& color) {
    TDrawAttr attr;
    attr.SetLineStyle(1, kDottedLine);
    canvas.SetForeColor(color);
    canvas.SetDrawAttr(&attr);
    canvas.FrameRect(rect);
    canvas.SetDrawAttr(nullptr);
}

namespace {

bool ClipsOnScreen(const TCanvas& canvas) {
    return canvas.GetBuffered() != TCanvas::kBuffered && canvas.HasOwner();
}

} // namespace

TRectArea GetOwnClip(TCanvas& canvas) {
    TRectArea clip;
    canvas.GetClipRect(&clip);
    return ClipsOnScreen(canvas) ? canvas.ScreenToOwner(clip) : clip;
}

void SetOwnClip(TCanvas& canvas, const TRectArea& rect) {
    canvas.SetClipRect(ClipsOnScreen(canvas) ? canvas.OwnerToScreen(rect) : rect);
}

const GdlBitmap* LockImage(TPicture* picture, int32_t index, int32_t variant) {
    if (!picture || !picture->Lock(index, variant)) return nullptr;
    const GdlBitmap* image = TImage::LockedBitmap(picture);
    if (!image) picture->Unlock();
    return image;
}

void ReleaseImage(TPicture* picture) {
    if (picture) picture->Unlock();
}

} // namespace ui
