#include "ui/TScrollBar.h"

#include "platform/Kernel.h"
#include "ui/TText.h"
#include "ui/UiDraw.h"
#include "ui/UiPaint.h"

#include <algorithm>

namespace {

// Default UI colours of the bar.
enum : int32_t {
    kLight = 8,
    kShadow = 10,
    kArrow = 22,
    kArrowOff = 23,
    kTrack = 21,
    kTrackDots = 24,
    kTrackHeld = 25,
};

const TColor& Ui(int32_t entry) {
    return TColor::Default(entry);
}

int32_t ClampTo(int64_t v, int32_t low, int32_t high) {
    return TGraphic::Clamp(int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)), low, high);
}

} // namespace

TScrollBar::TScrollBar() {
    SetStyle(stCountPresses | stHandleClicks | stTrackHover | stDefault);
    SetBorderWidth(1);
}

TScrollBar::~TScrollBar() = default;

// --- Values ----------------------------------------------------------------------------

int32_t TScrollBar::GetPosition() const {
    return Clamp(position_, minimum_, maximum_);
}

void TScrollBar::SetPosition(int32_t value) {
    if (value == position_) return;
    position_ = value;
    Invalidate(true);
}

void TScrollBar::SetMinimum(int32_t value) {
    if (value == minimum_) return;
    minimum_ = value;
    Invalidate(true);
}

void TScrollBar::SetMaximum(int32_t value) {
    if (value == maximum_) return;
    maximum_ = value;
    Invalidate(true);
}

void TScrollBar::SetRange(int32_t position, int32_t minimum, int32_t maximum) {
    SetPosition(position);
    SetMinimum(minimum);
    SetMaximum(maximum);
}

void TScrollBar::ClampPosition() {
    position_ = Clamp(position_, minimum_, maximum_);
}

void TScrollBar::OnChange(TEvent*) {}

void TScrollBar::ChangeTo(int32_t value) {
    value = Clamp(value, minimum_, maximum_);
    const bool changed = value != GetPosition();
    position_ = value;
    if (!changed) return;
    Invalidate(true);
    TEvent e;
    e.SetType(evChanged);
    OnChange(&e);
    Dispatch(this, &e);
}

void TScrollBar::Step(int32_t part) {
    const int64_t at = GetPosition();
    switch (part) {
        case ptFirst: ChangeTo(ClampTo(at - lineStep_, minimum_, maximum_)); break;
        case ptSecond: ChangeTo(ClampTo(at + lineStep_, minimum_, maximum_)); break;
        case ptTrackBefore: ChangeTo(ClampTo(at - pageStep_, minimum_, maximum_)); break;
        case ptTrackAfter: ChangeTo(ClampTo(at + pageStep_, minimum_, maximum_)); break;
        default: break;
    }
}

// --- Layout ----------------------------------------------------------------------------

uint32_t TScrollBar::Update() {
    if (!(flags_ & kDirty)) return flags_;
    TControl::Update();
    ClampPosition();
    horizontal_ = GetHeight() < GetWidth() ? 1 : 0;
    TRectArea client;
    const TRectArea inner = DeflateRect(GetClientRect(client), GetBorderWidth());
    const int32_t across = horizontal_ ? inner.bottom - inner.top : inner.right - inner.left;
    firstLength_ = secondLength_ = thumbLength_ = across;
    LayoutParts();
    return flags_;
}

int32_t TScrollBar::TrackStart() const {
    return horizontal_ ? firstRect_.right : firstRect_.bottom;
}

int32_t TScrollBar::SecondStart() const {
    return horizontal_ ? secondRect_.left : secondRect_.top;
}

void TScrollBar::LayoutParts() {
    TRectArea client;
    const TRectArea inner = DeflateRect(GetClientRect(client), GetBorderWidth());
    firstRect_ = secondRect_ = inner;
    if (horizontal_) {
        firstRect_.right = inner.left + firstLength_;
        secondRect_.left = inner.right - secondLength_;
    } else {
        firstRect_.bottom = inner.top + firstLength_;
        secondRect_.top = inner.bottom - secondLength_;
    }
    LayoutThumb();
}

void TScrollBar::LayoutThumb() {
    thumbRect_ = firstRect_;
    int32_t start = TrackStart(), end = SecondStart();
    if (maximum_ > minimum_) {
        // 64 bits: a wide range times the track's pixels overflows 32.
        const int64_t span = int64_t(SecondStart()) - thumbLength_ - TrackStart() - 1;
        start = int32_t(TrackStart() + span * (int64_t(GetPosition()) - minimum_) /
                                           (int64_t(maximum_) - minimum_));
        end = start + thumbLength_ + 1;
    }
    if (horizontal_) {
        thumbRect_.left = start;
        thumbRect_.right = end;
    } else {
        thumbRect_.top = start;
        thumbRect_.bottom = end;
    }
}

void TScrollBar::DragTo(TPoint own) {
    const int64_t trackStart = TrackStart();
    const int64_t last = int64_t(SecondStart()) - thumbLength_ - 1;
    int64_t c = Along(own) - (thumbLength_ - 1) / 2;
    c = std::max(trackStart, std::min(c, last));
    const int64_t divisor = std::max<int64_t>(last - trackStart, 1);
    const int64_t value =
        ((int64_t(maximum_) - minimum_) * (c - trackStart) * 2 / divisor + 1) / 2 + minimum_;
    ChangeTo(ClampTo(value, minimum_, maximum_));
}

int32_t TScrollBar::HitPart(int32_t x, int32_t y) {
    Update();
    const TPoint p = PointFromParent(TPoint(x, y));
    auto in = [&](const TRectArea& r) {
        return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
    };
    TRectArea client;
    if (!in(GetClientRect(client))) return ptNone;
    if (in(firstRect_)) return ptFirst;
    if (in(secondRect_)) return ptSecond;
    if (in(thumbRect_)) return ptThumb;
    const int32_t a = Along(p);
    const int32_t thumbStart = horizontal_ ? thumbRect_.left : thumbRect_.top;
    const int32_t thumbEnd = horizontal_ ? thumbRect_.right : thumbRect_.bottom;
    if (a >= TrackStart() && a < thumbStart) return ptTrackBefore;
    if (a >= thumbEnd && a < SecondStart()) return ptTrackAfter;
    return ptNone;
}

// --- Mouse -----------------------------------------------------------------------------

void TScrollBar::SetPressedFlag(int32_t on) {
    if (pressed_ == on) return;
    pressed_ = on;
    Invalidate(true);
}

void TScrollBar::OnLeftDown(TEvent* event) {
    if (IsInert()) return;
    const uint32_t now = timeGetTime();
    const int32_t x = event->record.x, y = event->record.y;
    if (!event->data[mwPressClaim]) {
        lastStepTime_ = now;
        pressedPart_ = HitPart(x, y);
        if (pressedPart_ == ptNone) return;
        Step(pressedPart_);
        SetPressedFlag(1);
        return;
    }
    // A held button's repeat: a step at most every repeat interval, and only
    // while the pointer is still over the part pressed.
    if (int64_t(uint32_t(now - lastStepTime_)) < repeatInterval_) return;
    lastStepTime_ = now;
    if (pressedPart_ != ptNone && pressed_ == 1 && HitPart(x, y) == pressedPart_)
        Step(pressedPart_);
}

void TScrollBar::OnMouseMove(TEvent* event) {
    if (IsInert()) return;
    const int32_t hit = HitPart(event->record.x, event->record.y);
    if (hit != hoverPart_) {
        hoverPart_ = hit;
        Invalidate(true);
    }
    if (pressedPart_ == ptThumb) {
        DragTo(PointFromParent(TPoint(event->record.x, event->record.y)));
        LayoutThumb();
    } else if (pressedPart_ != ptNone) {
        SetPressedFlag(hit == pressedPart_ ? 1 : 0);
    }
}

void TScrollBar::OnLeftUp(TEvent*) {
    pressedPart_ = ptNone;
    pressed_ = 0;
    Invalidate(true);
}

void TScrollBar::OnMouseEnter(TEvent* event) {
    hoverPart_ = HitPart(event->record.x, event->record.y);
    Invalidate(true);
}

void TScrollBar::OnMouseLeave(TEvent* event) {
    TControl::OnMouseLeave(event);
    hoverPart_ = ptNone;
    Invalidate(true);
}

void TScrollBar::OnHide(TEvent* event) {
    TControl::OnHide(event);
    pressed_ = 0;
    pressedPart_ = hoverPart_ = ptNone;
    Invalidate(true);
}

void TScrollBar::OnClose(TEvent* event) {
    TControl::OnClose(event);
    pressed_ = 0;
    pressedPart_ = hoverPart_ = ptNone;
    Invalidate(true);
}

// --- Drawing ---------------------------------------------------------------------------

void TScrollBar::Draw() {
    TCanvas& canvas = GetCanvas();
    TRectArea client;
    ui::Bevel(canvas, GetClientRect(client), Ui(kLight), Ui(kShadow), true, 1);
    DrawButton(firstRect_, ptFirst);
    DrawButton(secondRect_, ptSecond);
    DrawTrack();
}

void TScrollBar::DrawButton(const TRectArea& rect, int32_t part) {
    const bool down = PartDown(part);
    DrawChevron(DrawButtonFace(GetCanvas(), rect, down), part, down);
}

void TScrollBar::DrawChevron(const TRectArea& inner, int32_t part, bool down) {
    // The second button's glyph on a vertical bar, pointing down, as offsets
    // from the centre; the first button's is its mirror image (y to
    // 2 cy + 1 - y, so both cover the same rows), and a horizontal bar
    // exchanges x and y.
    static const int32_t lines[4][4] = {
        {-3, -1, 0, 2}, {1, 2, 4, -1}, {-2, -1, 0, 1}, {1, 1, 3, -1}};
    const int32_t grow = down ? 1 : 0;
    const int32_t cx = (inner.left + inner.right - 1) / 2 + grow;
    const int32_t cy = (inner.top + inner.bottom - 1) / 2 + grow;
    TCanvas& canvas = GetCanvas();
    canvas.SetForeColor(Ui(!IsInert() && IsEnabled() ? kArrow : kArrowOff));
    for (const auto& l : lines) {
        int32_t along1 = l[1], along2 = l[3];
        if (part == ptFirst) {
            along1 = 1 - along1;
            along2 = 1 - along2;
        }
        if (horizontal_)
            canvas.Line(cx + along1, cy + l[0], cx + along2, cy + l[2]);
        else
            canvas.Line(cx + l[0], cy + along1, cx + l[2], cy + along2);
    }
}

void TScrollBar::DrawTrack() {
    TCanvas& canvas = GetCanvas();
    if (IsInert()) {
        canvas.SetForeColor(Ui(kTrack));
        canvas.FillRect(thumbRect_);
        return;
    }
    TRectArea before = thumbRect_, after = thumbRect_;
    if (horizontal_) {
        before.left = TrackStart();
        before.right = thumbRect_.left;
        after.left = thumbRect_.right;
        after.right = SecondStart();
    } else {
        before.top = TrackStart();
        before.bottom = thumbRect_.top;
        after.top = thumbRect_.bottom;
        after.bottom = SecondStart();
    }
    ui::FillCheckered(canvas, before, Ui(kTrack),
                      Ui(PartDown(ptTrackBefore) ? kTrackHeld : kTrackDots));
    ui::FillCheckered(canvas, after, Ui(kTrack),
                      Ui(PartDown(ptTrackAfter) ? kTrackHeld : kTrackDots));
    DrawButtonFace(canvas, thumbRect_, PartDown(ptThumb));
}
