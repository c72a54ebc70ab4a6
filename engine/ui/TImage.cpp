#include "ui/TImage.h"

#include "drawing/BlitCore.h"
#include "foundation/TResource.h"
#include "gdl/bitmap.h"
#include "media/resources/TPicture.h"

#include <algorithm>

TImage::TImage() : fillColor_(TColor::Default(14)) {
    SetTransparent(0);
    SetColor(TColor::Default(49));
}

TImage::~TImage() = default;

void TImage::SetSource(TPicture* source) {
    if (source_ == source) return;
    source_ = source;
    Invalidate(true);
}

void TImage::SetIndex(int32_t index) {
    if (index_ == index) return;
    index_ = index;
    Invalidate(true);
}

void TImage::SetSubIndex(int32_t subIndex) {
    if (subIndex_ == subIndex) return;
    subIndex_ = subIndex;
    Invalidate(true);
}

const GdlBitmap* TImage::LockedBitmap(TPicture* source) {
    auto* resource = dynamic_cast<TResource*>(source);
    return resource ? static_cast<const GdlBitmap*>(resource->GetData()) : nullptr;
}

uint32_t TImage::Update() {
    if (!(flags_ & kDirty)) return flags_;
    TGraphic::Update();
    if (GetAutoSize()) {
        AdjustWidth(source_ ? source_->GetWidthOf(index_, subIndex_) : 0);
        AdjustHeight(source_ ? source_->GetHeightOf(index_, subIndex_) : 0);
    }
    SetHollow(source_ ? 0 : 1);
    return flags_;
}

TImage::Way TImage::ChooseWay() const {
    const int32_t f = GetFitFlags();
    auto has = [f](int32_t bits) { return (f & bits) == bits; };
    if (!IsTransparent()) return kLibrary;
    if (has(fitKeyed | fitAspect | fitSmooth | fitAlpha)) return kKeyedTranslucent;
    if (has(fitAlpha | fitAspect)) return kAlpha;
    if (has(fitKeyed | fitAspect | fitSmooth)) return kKeyed;
    return kLibrary;
}

void TImage::Draw() {
    if (!source_) return;
    if (source_->Lock(index_, subIndex_)) {
        const GdlBitmap* picture = LockedBitmap(source_);
        if (picture) DrawPicture(*picture);
    }
    source_->Unlock(); // also after a refused lock
}

void TImage::DrawPicture(const GdlBitmap& picture) {
    TCanvas& canvas = GetCanvas();
    TRectArea r{0, 0, std::max(0, picture.width), std::max(0, picture.height)};
    FitRect(r);
    const int32_t fitW = r.right - r.left, fitH = r.bottom - r.top;
    const Way way = ChooseWay();
    canvas.SetKeep(way == kLibrary ? (IsTransparent() ? 1 : 0) : way == kKeyedTranslucent ? 0 : 1);
    if (fitW < GetWidth() || fitH < GetHeight()) {
        canvas.SetBackColor(fillColor_);
        canvas.Clear();
    }
    if (way == kLibrary) {
        canvas.SetColor3(GetColor());
        canvas.SetAutoAdjust(uint32_t(GetAutoColorAdjust()));
        canvas.SetMapMode(uint32_t(GetColorMapMode()));
        if (GetFitFlags() & fitScale)
            canvas.StretchImage(r.left, r.top, fitW, fitH, &picture);
        else
            canvas.PutImage(r.left, r.top, &picture);
        return;
    }
    blitcore::TBackground dc;
    if (!blitcore::ReadBackground(canvas.GetDevice(), dc)) return;
    // The blitters blend with the screen behind the graphic's place.
    const TPoint at = ParentToScreen(TPoint(GetX(), GetY()));
    if (way == kAlpha) {
        TCanvas::Blit(dc.surface, picture.surface, picture.bytesPerLine, picture.width,
                      picture.height, picture.bitsPerPixel, dc.pitch, dc.width, dc.height, fitW,
                      fitH, dc.depth, at.x, at.y, 0, 0, GetAlpha());
        return;
    }
    TCanvas::BlitKeyed(dc.surface, picture.surface, picture.bytesPerLine, picture.width,
                       picture.height, picture.bitsPerPixel, dc.pitch, dc.width, dc.height, fitW,
                       fitH, dc.depth, at.x, at.y, 0, 0);
    if (way == kKeyedTranslucent) {
        canvas.SetKeep(1);
        TCanvas::Blit(dc.surface, dc.surface, dc.pitch, dc.width, dc.height, dc.depth, dc.pitch,
                      dc.width, dc.height, dc.width, dc.height, dc.depth, at.x, at.y, 0, 0,
                      GetAlpha());
    }
}
