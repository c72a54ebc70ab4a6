#include "ui/TStyleScrollBar.h"

#include "media/resources/TPicture.h"
#include "ui/UiPaint.h"

TStyleScrollBar::TStyleScrollBar() {
    SetStyle(stCountPresses | stHandleClicks | stTrackHover | stReportMoves | stDefault);
    SetBorderWidth(0);
}

TStyleScrollBar::~TStyleScrollBar() = default;

void TStyleScrollBar::SetStyleOf(TStyle*& field, TStyle* style) {
    if (field == style) return;
    field = style;
    Invalidate(true);
}

void TStyleScrollBar::SetFirstButtonStyle(TStyle* style) {
    SetStyleOf(styles_[0], style);
}

void TStyleScrollBar::SetSecondButtonStyle(TStyle* style) {
    SetStyleOf(styles_[1], style);
}

void TStyleScrollBar::SetThumbStyle(TStyle* style) {
    SetStyleOf(styles_[2], style);
}

void TStyleScrollBar::SetTrack(TPicture* source, int32_t index1, int32_t index2) {
    if (track_ == source && trackIndex1_ == index1 && trackIndex2_ == index2) return;
    track_ = source;
    trackIndex1_ = index1;
    trackIndex2_ = index2;
    Invalidate(true);
}

int32_t TStyleScrollBar::ChooseLook(int32_t part, bool disabled) const {
    if (disabled) return lkDisabled;
    const bool over = hoverPart_ == part;
    if (pressedPart_ == part && pressed_ == 1) return over ? lkPressedHover : lkPressed;
    if (over && (pressedPart_ == ptNone || pressedPart_ == part)) return lkHover;
    return lkNormal;
}

void TStyleScrollBar::TakeLook(int32_t slot, TStyle* style, int32_t state) {
    lookState_[slot] = style ? state : 0;
    if (!style) {
        looks_[slot] = TStyleRec{};
        return;
    }
    style->Apply();
    looks_[slot] = style->GetRecord(state);
}

int32_t TStyleScrollBar::LookLength(int32_t slot) const {
    const TStyleRec& look = looks_[slot];
    if (!look.source) return 0;
    return horizontal_ ? look.source->GetWidthOf(look.index, look.variant)
                       : look.source->GetHeightOf(look.index, look.variant);
}

uint32_t TStyleScrollBar::Update() {
    if (!(flags_ & kDirty)) return flags_;
    TControl::Update();
    ClampPosition();
    if (autoSize_ && track_) {
        AdjustWidth(track_->GetWidthOf(trackIndex1_, trackIndex2_));
        AdjustHeight(track_->GetHeightOf(trackIndex1_, trackIndex2_));
    }
    horizontal_ = GetHeight() < GetWidth() ? 1 : 0;
    const bool inert = IsInert();
    const bool off = inert || !IsEnabled();
    TakeLook(0, styles_[0], ChooseLook(ptFirst, off || position_ == minimum_));
    TakeLook(1, styles_[1], ChooseLook(ptSecond, off || position_ == maximum_));
    if (inert)
        TakeLook(2, nullptr, 0);
    else
        TakeLook(2, styles_[2], ChooseLook(ptThumb, false));
    firstLength_ = LookLength(0);
    secondLength_ = LookLength(1);
    thumbLength_ = inert ? 0 : LookLength(2);
    LayoutParts();
    return flags_;
}

void TStyleScrollBar::DrawPart(int32_t slot, const TRectArea& rect) {
    TStyle* style = styles_[slot];
    const TStyleRec& look = looks_[slot];
    if (!style || !look.source) return;
    const GdlBitmap* image = ui::LockImage(look.source, look.index, look.variant);
    if (!image) return;
    TCanvas& canvas = GetCanvas();
    if (style->GetEnabled()) {
        canvas.SetKeep(1);
        canvas.SetColor3(style->GetColor());
        canvas.PutImageTransparent(rect.left, rect.top, image);
    } else {
        canvas.PutImage(rect.left, rect.top, image);
    }
    ui::ReleaseImage(look.source);
}

void TStyleScrollBar::Draw() {
    TCanvas& canvas = GetCanvas();
    canvas.SetAutoAdjust(uint32_t(GetAutoColorAdjust()));
    canvas.SetMapMode(uint32_t(GetColorMapMode()));
    canvas.SetBackColor(GetColor());
    if (const GdlBitmap* image = ui::LockImage(track_, trackIndex1_, trackIndex2_)) {
        canvas.PutImage(0, 0, image);
        ui::ReleaseImage(track_);
    }
    DrawPart(0, firstRect_);
    DrawPart(1, secondRect_);
    if (!IsInert()) DrawPart(2, thumbRect_);
}
