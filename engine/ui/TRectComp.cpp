#include "ui/TRectComp.h"

#include "foundation/Saturate.h"

namespace {

bool SameRect(const TRectArea& a, const TRectArea& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

} // namespace

void TRectComp::SetEdge(int32_t& edge, int32_t value) {
    if (edge == value) return;
    edge = value;
    Invalidate(true);
}

void TRectComp::ClearAlign() {
    if (align_ == alNone) return;
    align_ = alNone;
    Invalidate(true);
}

void TRectComp::ClearAutoSize() {
    if (!autoSize_) return;
    autoSize_ = 0;
    Invalidate(true);
}

void TRectComp::ApplyAlign() {
    const int32_t w = Extent(bounds_.left, bounds_.right);
    const int32_t h = Extent(bounds_.top, bounds_.bottom);
    const TRectArea& e = extent_;
    // The kept side's size, then the edges the extent gives.
    switch (align_) {
        case alTop:
            SetEdge(bounds_.bottom, SatAdd(e.top, h));
            SetEdge(bounds_.left, e.left);
            SetEdge(bounds_.top, e.top);
            SetEdge(bounds_.right, e.right);
            break;
        case alBottom:
            SetEdge(bounds_.top, SatSub(e.bottom, h));
            SetEdge(bounds_.left, e.left);
            SetEdge(bounds_.right, e.right);
            SetEdge(bounds_.bottom, e.bottom);
            break;
        case alLeft:
            SetEdge(bounds_.right, SatAdd(e.left, w));
            SetEdge(bounds_.left, e.left);
            SetEdge(bounds_.top, e.top);
            SetEdge(bounds_.bottom, e.bottom);
            break;
        case alRight:
            SetEdge(bounds_.left, SatSub(e.right, w));
            SetEdge(bounds_.top, e.top);
            SetEdge(bounds_.right, e.right);
            SetEdge(bounds_.bottom, e.bottom);
            break;
        case alFill:
            SetEdge(bounds_.left, e.left);
            SetEdge(bounds_.top, e.top);
            SetEdge(bounds_.right, e.right);
            SetEdge(bounds_.bottom, e.bottom);
            break;
        default: return;
    }
    if (bounds_.right < bounds_.left) SetEdge(bounds_.right, bounds_.left);
    if (bounds_.bottom < bounds_.top) SetEdge(bounds_.bottom, bounds_.top);
}

uint32_t TRectComp::Update() {
    if (!(flags_ & kDirty)) return flags_;
    TComp::Update();
    // Edges the alignment changes invalidate again, so the change is seen.
    ApplyAlign();
    return flags_;
}

TRectArea& TRectComp::GetClientRect(TRectArea& rect) {
    Update();
    rect = {0, 0, Extent(bounds_.left, bounds_.right), Extent(bounds_.top, bounds_.bottom)};
    return rect;
}

void TRectComp::SetX(int32_t x) {
    ClearAlign();
    SetEdge(bounds_.left, x);
}

void TRectComp::SetY(int32_t y) {
    ClearAlign();
    SetEdge(bounds_.top, y);
}

int32_t TRectComp::GetX() {
    Update();
    return bounds_.left;
}

int32_t TRectComp::GetY() {
    Update();
    return bounds_.top;
}

void TRectComp::AdjustWidth(int32_t w) {
    if (Extent(bounds_.left, bounds_.right) != w) SetEdge(bounds_.right, SatAdd(bounds_.left, w));
}

void TRectComp::AdjustHeight(int32_t h) {
    if (Extent(bounds_.top, bounds_.bottom) != h) SetEdge(bounds_.bottom, SatAdd(bounds_.top, h));
}

void TRectComp::SetWidth(int32_t w) {
    ClearAutoSize();
    AdjustWidth(w);
}

void TRectComp::SetHeight(int32_t h) {
    ClearAutoSize();
    AdjustHeight(h);
}

int32_t TRectComp::GetWidth() {
    Update();
    return Extent(bounds_.left, bounds_.right);
}

int32_t TRectComp::GetHeight() {
    Update();
    return Extent(bounds_.top, bounds_.bottom);
}

void TRectComp::SetRect(int32_t x, int32_t y, int32_t w, int32_t h) {
    ClearAlign();
    ClearAutoSize();
    Update();
    // Compared as stored: a size cut at the end of the range, or a negative
    // one, asked for again is no change, so a layout that repeats it settles.
    const TRectArea wanted{x, y, SatAdd(x, w), SatAdd(y, h)};
    if (SameRect(wanted, bounds_)) return;
    bounds_ = wanted;
    Invalidate(true);
}

void TRectComp::SetPos(int32_t x, int32_t y) {
    ClearAlign();
    Update();
    if (x == bounds_.left && y == bounds_.top) return;
    // A move is seen by the next layout pass; it does not invalidate.
    bounds_ = {x, y, Saturate32(int64_t{x} + bounds_.right - bounds_.left),
               Saturate32(int64_t{y} + bounds_.bottom - bounds_.top)};
}

void TRectComp::GetPosSize(int32_t& x, int32_t& y, int32_t& w, int32_t& h) {
    Update();
    x = bounds_.left;
    y = bounds_.top;
    w = Extent(bounds_.left, bounds_.right);
    h = Extent(bounds_.top, bounds_.bottom);
}

TRectArea& TRectComp::GetBounds(TRectArea& rect) {
    Update();
    rect = bounds_;
    return rect;
}

void TRectComp::SetBottom(int32_t b) {
    SetEdge(bounds_.bottom, b);
}

void TRectComp::SetAlign(int32_t mode) {
    if (mode != alNone) ClearAutoSize();
    if (align_ == mode) return;
    align_ = mode;
    Invalidate(true);
}

void TRectComp::SetAutoSize(uint32_t flag) {
    if (flag) ClearAlign();
    if (autoSize_ == flag) return;
    autoSize_ = flag;
    Invalidate(true);
}

void TRectComp::SetExtent(const TRectArea& rect) {
    if (SameRect(rect, extent_)) return;
    extent_ = rect;
    Invalidate(true);
}

TRectArea& TRectComp::GetExtent(TRectArea& rect) const {
    rect = extent_;
    return rect;
}

TRectArea& TRectComp::GetVisibleRect(TRectArea& rect) const {
    rect = visible_;
    return rect;
}

void TRectComp::SetVisibleRect(const TRectArea& rect) {
    if (rect.left == visible_.left && rect.top == visible_.top && rect.right == visible_.right &&
        rect.bottom == visible_.bottom)
        return;
    visible_ = rect;
    // The region walks' indexes of child lists keep each child's visible rectangle.
    NoteTreeChange();
}

TRectArea& TRectComp::GetScreenRect(TRectArea& rect) const {
    rect = screen_;
    return rect;
}

TPoint TRectComp::PointToParent(TPoint p) const {
    return TPoint(SatAdd(p.x, screen_.left), SatAdd(p.y, screen_.top));
}

TRectArea TRectComp::RectToParent(TRectArea r) const {
    return {SatAdd(r.left, screen_.left), SatAdd(r.top, screen_.top), SatAdd(r.right, screen_.left),
            SatAdd(r.bottom, screen_.top)};
}

TPoint TRectComp::PointFromParent(TPoint p) const {
    return TPoint(SatSub(p.x, screen_.left), SatSub(p.y, screen_.top));
}

TRectArea TRectComp::RectFromParent(TRectArea r) const {
    return {SatSub(r.left, screen_.left), SatSub(r.top, screen_.top), SatSub(r.right, screen_.left),
            SatSub(r.bottom, screen_.top)};
}

TPoint TRectComp::ScreenToParent(TPoint p) const {
    auto* parent = dynamic_cast<TRectComp*>(GetParent());
    if (!parent) return TPoint(0, 0);
    TRectArea client;
    parent->GetClientRect(client);
    return TPoint(Saturate32(int64_t{p.x} - parent->screen_.left - client.left),
                  Saturate32(int64_t{p.y} - parent->screen_.top - client.top));
}

TPoint TRectComp::ParentToScreen(TPoint p) const {
    auto* parent = dynamic_cast<TRectComp*>(GetParent());
    if (!parent) return TPoint(0, 0);
    TRectArea client;
    parent->GetClientRect(client);
    return TPoint(Saturate32(int64_t{p.x} + parent->screen_.left + client.left),
                  Saturate32(int64_t{p.y} + parent->screen_.top + client.top));
}
