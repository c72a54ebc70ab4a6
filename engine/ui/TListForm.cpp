#include "ui/TListForm.h"

#include "media/resources/TPicture.h"
#include "ui/TImage.h"

TListForm::TListForm() {
    SetTransparent(0);
    styles_.SetAll(0);
}

TListForm::~TListForm() = default;

void TListForm::SetColor(TColor color) {
    TGraphic::SetColor(color);
    styles_.SetColor(color);
}

bool TListForm::IsDirty() {
    return TClickCtl::IsDirty() || styles_.IsChanged();
}

bool TListForm::SameLook(const TStyleRec& a, const TStyleRec& b) {
    return a.source == b.source && a.index == b.index && a.variant == b.variant &&
           a.enable == b.enable && a.color.Red() == b.color.Red() &&
           a.color.Green() == b.color.Green() && a.color.Blue() == b.color.Blue();
}

TStyleRec TListForm::LookOfState() const {
    int32_t n = 3; // disabled
    if (IsEnabled()) {
        const uint32_t state = GetState();
        const bool pressed = (state & stPressed) != 0, hot = (state & stHot) != 0;
        n = pressed && hot ? 5 : pressed ? 2 : hot ? 4 : 1;
    }
    return styles_.GetRecord(n);
}

uint32_t TListForm::Update() {
    if (!TClickCtl::IsDirty() && !styles_.IsChanged()) return flags_;
    styles_.Apply();
    TClickCtl::Update();
    TCanvas& canvas = GetCanvas();
    canvas.SetKeep(IsTransparent() ? 1 : 0);
    canvas.SetColor3(GetColor());
    canvas.SetForeColor(GetColor());
    const TStyleRec look = LookOfState();
    if (!SameLook(look, look_)) {
        look_ = look;
        SetRedraw(true);
    }
    if (GetAutoSize()) {
        AdjustWidth(look_.source ? look_.source->GetWidthOf(look_.index, look_.variant) : 0);
        AdjustHeight(look_.source ? look_.source->GetHeightOf(look_.index, look_.variant) : 0);
    }
    return flags_;
}

void TListForm::Draw() {
    TCanvas& canvas = GetCanvas();
    canvas.SetAutoAdjust(uint32_t(GetAutoColorAdjust()));
    canvas.SetMapMode(uint32_t(GetColorMapMode()));
    TPicture* source = look_.source;
    if (!source) return;
    if (IsTransparent() && (source->GetWidthOf(look_.index, look_.variant) < GetWidth() ||
                            source->GetHeightOf(look_.index, look_.variant) < GetHeight()))
        canvas.FillRect(0, 0, GetWidth(), GetHeight());
    if (source->Lock(look_.index, look_.variant)) {
        if (const GdlBitmap* picture = TImage::LockedBitmap(source)) canvas.PutImage(0, 0, picture);
    }
    source->Unlock();
    const TStyleRec focus = styles_.GetRecord(6);
    if (!IsFocused() || !focus.source) return;
    if (focus.source->Lock(focus.index, focus.variant)) {
        if (const GdlBitmap* picture = TImage::LockedBitmap(focus.source))
            canvas.PutImageTransparent(0, 0, picture);
    }
    focus.source->Unlock();
}

bool TListForm::HitTest(int32_t x, int32_t y) {
    TRectArea area, visible;
    GetScreenRect(area);
    GetVisibleRect(visible);
    if (!IntersectRect(area, visible)) return false;
    if (x < area.left || x >= area.right || y < area.top || y >= area.bottom) return false;
    if ((GetStyle() & stDefault) || !IsTransparent()) return true;
    TCanvas& canvas = GetCanvas();
    if (!canvas.HasDevice()) return false;
    const TPoint p = PointFromParent(TPoint(x, y));
    canvas.Select();
    const bool hit = !canvas.IsPixel(p, GetColor());
    canvas.Deselect();
    return hit;
}
