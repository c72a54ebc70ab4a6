#include "ui/TControl.h"

#include "media/resources/TCursorRes.h"
#include "media/resources/TFontRes.h"

#include "foundation/TDeleteQueue.h"
#include "foundation/TEventMgr.h"
#include "foundation/TKeys.h"
#include "media/devices/TCursDev.h"
#include "ui/THintForm.h"

TControl::TControl() = default;

// A control that dies while its hint is due or shown takes the hint with it:
// the window would otherwise show a gone control's text.
TControl::~TControl() {
    DropHint();
}

// --- Helpers -------------------------------------------------------------------------

TControl* TControl::ParentControl() const {
    return dynamic_cast<TControl*>(GetParent());
}

bool TControl::PointerShown() const {
    return TCursDev::Global().IsVisible();
}

void TControl::ClearPointerState() {
    presses_[0] = presses_[1] = presses_[2] = 0;
    inside_ = 0;
}

void TControl::QueueToSelf(TEvent& event) {
    event.target = TEvent::WordOf(this);
    TEventMgr::Global().QueueCopy(&event);
}

void TControl::QueueFocusRequest(int32_t kind, int32_t mode) {
    TEvent request;
    request.SetType(evFocus);
    request.data[fwMode] = mode;
    request.data[fwKind] = kind;
    QueueToSelf(request);
}

void TControl::QueueProperty(int32_t subCode) {
    TEvent change;
    change.SetType(evProperty);
    change.data[0] = subCode;
    QueueToSelf(change);
}

void TControl::InheritCursor() {
    TControl* parent = ParentControl();
    if (!parent || parent->cursor_ == cursor_) return;
    cursor_ = parent->cursor_;
    Invalidate(true);
}

void TControl::InheritFont() {
    TControl* parent = ParentControl();
    if (!parent || parent->font_ == font_) return;
    font_ = parent->font_;
    Invalidate(true);
}

void TControl::ShowCursorIfInside() {
    if (inside_) TCursDev::Global().SetCursorRes(cursor_.Get(), 0);
}

void TControl::Leave(TEvent* event) {
    if (!inside_) return;
    inside_ = 0;
    TEvent leave(*event);
    leave.type = evMouseLeave;
    OnMouseLeave(&leave);
    Dispatch(this, &leave);
}

// --- Control interface ---------------------------------------------------------------

uint32_t TControl::Update() {
    if (!(flags_ & kDirty)) return flags_;
    TGraphic::Update();
    if (!IsEnabled() || !(style_ & stFocusable)) focused_ = 0;
    if (!(style_ & stCountPresses) || !IsVisible()) presses_[0] = presses_[1] = presses_[2] = 0;
    if (!IsVisible()) inside_ = 0;
    if (IsShown()) {
        if (inheritCursor_) InheritCursor();
        ShowCursorIfInside();
        if (inheritFont_) InheritFont();
    }
    return flags_;
}

uint32_t TControl::SetEnabled(bool on) {
    if (IsEnabled() == on) return flags_;
    SetFlags(kEnabled, on);
    if (!on) DropHint();
    Invalidate(true);
    return flags_;
}

void TControl::SetFocus(bool on) {
    if (ChangeFocus(on)) Invalidate(true);
}

bool TControl::ChangeFocus(bool on) {
    const uint32_t focus = on && (style_ & stFocusable) ? 1 : 0;
    if (focus == focused_) return false;
    focused_ = focus;
    TEvent note;
    if (focus) {
        OnFocusGained();
        note.SetType(evFocusGained);
    } else {
        OnFocusLost();
        note.SetType(evFocusLost);
    }
    Dispatch(this, &note);
    return true;
}

bool TControl::HitTest(int32_t x, int32_t y) {
    TRectArea screen, visible;
    GetScreenRect(screen);
    GetVisibleRect(visible);
    return x >= screen.left && x < screen.right && y >= screen.top && y < screen.bottom &&
           x >= visible.left && x < visible.right && y >= visible.top && y < visible.bottom;
}

void TControl::OnHide(TEvent*) {
    ClearPointerState();
}

void TControl::OnClose(TEvent* event) {
    ClearPointerState();
    TGraphic::OnClose(event);
}

void TControl::OnLeftDown(TEvent*) {}
void TControl::OnLeftUp(TEvent*) {}
void TControl::OnRightDown(TEvent*) {}
void TControl::OnRightUp(TEvent*) {}
void TControl::OnMiddleDown(TEvent*) {}
void TControl::OnMiddleUp(TEvent*) {}
void TControl::OnMouseMove(TEvent*) {}
void TControl::OnMouseEnter(TEvent*) {}
void TControl::OnMouseLeave(TEvent*) {
    DropHint();
}
void TControl::OnCommand(TEvent*) {}
void TControl::OnFocusGained() {}
void TControl::OnFocusLost() {}
void TControl::ShowHint(TEvent* event) {
    THintForm* hint = THintForm::Current();
    if (!event || !hint || hint_ == "" || !hint_.c_str()) return;
    hint->SetAnchor(event->record.x, event->record.y);
    hint->SetOwner(this);
    hint->SetText(hint_.c_str());
    hint->Show(); // after the window's own delay
}

void TControl::DropHint() {
    THintForm* hint = THintForm::Current();
    if (!hint || !hint->IsOwnedBy(this)) return;
    hint->SetOwner(nullptr);
    hint->Hide();
}

void TControl::OnKeyDown(TEvent* event) {
    const uint32_t modifiers = uint32_t(event->record.modifiers);
    if (event->KeyCode() != kKeyTab || !(style_ & stFocusable) || (modifiers & kAltMask) ||
        (modifiers & kCtrlMask))
        return;
    event->passState = psConsumed;
    const int32_t mode = !focused_ ? fmThis : (modifiers & kShiftMask) ? fmPrevious : fmNext;
    QueueFocusRequest(2, mode);
}

void TControl::OnKeyUp(TEvent* event) {
    const uint32_t modifiers = uint32_t(event->record.modifiers);
    if (event->KeyCode() == kKeyTab && (style_ & stFocusable) && !(modifiers & kAltMask) &&
        !(modifiers & kCtrlMask))
        event->passState = psConsumed;
}

// --- Routing -------------------------------------------------------------------------

bool TControl::HandleEvent(TObject* sender, TEvent* event) {
    if (!event) return false;
    // The control's own hooks run here, outside any handler table: a loop
    // one of them runs frees nothing this routing still walks.
    TDeleteLaterHold hold;
    switch (event->type) {
        case evMouseMove: return MouseMove(event);
        case evLeftDown: return ButtonDown(0, event);
        case evRightDown: return ButtonDown(1, event);
        case evMiddleDown: return ButtonDown(2, event);
        case evLeftUp: return ButtonUp(0, event);
        case evRightUp: return ButtonUp(1, event);
        case evMiddleUp: return ButtonUp(2, event);
        case evKeyDown:
        case evKeyUp: return Key(event);
        case evCommand: return Command(event);
        case evFocus: return FocusRequest(event);
        case evProperty:
            if (event->data[0] == pcSystem) return TGraphic::HandleEvent(sender, event);
            return PropertyChange(event);
        case evHidden:
        case evCloseRequest: return HideOrClose(sender, event);
        default: return TGraphic::HandleEvent(sender, event);
    }
}

void TControl::ButtonDownHook(int32_t button, TEvent* event) {
    if (button == 0)
        OnLeftDown(event);
    else if (button == 1)
        OnRightDown(event);
    else
        OnMiddleDown(event);
}

void TControl::ButtonUpHook(int32_t button, TEvent* event) {
    if (button == 0)
        OnLeftUp(event);
    else if (button == 1)
        OnRightUp(event);
    else
        OnMiddleUp(event);
}

bool TControl::ButtonDown(int32_t button, TEvent* event) {
    if (!IsVisible() || !PointerShown() || !HitTest(event->record.x, event->record.y)) return false;
    // A disabled control that takes presses swallows them.
    if (!IsEnabled()) return TakesPresses();
    if (WalkChildren(true, [&](TComp* child) { return child->HandleEvent(this, event); }))
        return true;
    if (style_ & stHandleClicks) {
        ButtonDownHook(button, event);
        Dispatch(this, event);
    }
    if (!event->data[mwPressClaim]) {
        if (style_ & stCountPresses) ++presses_[button];
        if (TakesPresses()) {
            QueueFocusRequest(0, fmThis);
            event->target = TEvent::WordOf(this);
        }
    }
    return TakesPresses();
}

bool TControl::ButtonUp(int32_t button, TEvent* event) {
    if (!IsVisible() || !PointerShown()) {
        presses_[button] = 0;
        return false;
    }
    if (presses_[button] == 0) {
        if (!IsEnabled()) return false;
        return WalkChildren(true, [&](TComp* child) { return child->HandleEvent(this, event); });
    }
    // The release of a counted press comes back here wherever the pointer
    // is; the own handlers only hear it inside.
    if (IsEnabled() && (style_ & stHandleClicks)) {
        ButtonUpHook(button, event);
        if (HitTest(event->record.x, event->record.y)) Dispatch(this, event);
    }
    if (TakesPresses()) event->target = TEvent::WordOf(this);
    // A handler that hid the control (a menu opened over it) has cleared
    // its presses already: the count must not go below none, or the next
    // release over one of its children would count as its own.
    if (presses_[button] > 0) --presses_[button];
    return true;
}

bool TControl::MouseMove(TEvent* event) {
    if (!IsVisible() || !IsEnabled() || !PointerShown()) {
        ClearPointerState();
        return false;
    }
    // Inside the modal owner's subtree the move counts as if no modal loop ran.
    const uintptr_t modalOwner = event->extra;
    if (event->extra == TEvent::WordOf(this)) event->extra = 0;
    if (WalkChildren(true, [&](TComp* child) { return child->HandleEvent(this, event); })) {
        event->extra = modalOwner;
        return true;
    }
    if (style_ & stTrackHover) TrackHover(event);
    if (!event->data[mwSynthetic] && !event->extra) {
        const bool pressed = presses_[0] > 0 || presses_[1] > 0 || presses_[2] > 0;
        if (pressed || ((style_ & stReportMoves) && inside_)) {
            OnMouseMove(event);
            Dispatch(this, event);
        }
    }
    event->extra = modalOwner;
    return false;
}

void TControl::TrackHover(TEvent* event) {
    const bool claims = !event->data[mwHoverClaim] && (!event->extra || this == GetApplication()) &&
                        HitTest(event->record.x, event->record.y);
    if (!claims) {
        Leave(event);
        return;
    }
    event->data[mwHoverClaim] = 1;
    TCursDev::Global().SetCursorRes(cursor_.Get(), 0);
    if (inside_) return;
    inside_ = 1;
    TEvent enter(*event);
    enter.type = evMouseEnter;
    OnMouseEnter(&enter);
    Dispatch(this, &enter);
    TEvent hint(*event);
    hint.type = evHint;
    ShowHint(&hint);
    Dispatch(this, &hint);
}

bool TControl::Key(TEvent* event) {
    if (!IsVisible() || !IsEnabled()) return false;
    if (event->passState == psFirst || event->passState == psSecond) {
        bool consumed = false;
        WalkChildren(true, [&](TComp* child) {
            child->HandleEvent(this, event);
            consumed = event->passState == psConsumed;
            return consumed || event->passState == psTaken;
        });
        if (consumed) return true;
    }
    auto hook = [&] {
        if (event->type == evKeyDown)
            OnKeyDown(event);
        else
            OnKeyUp(event);
        Dispatch(this, event);
    };
    if (event->passState == psSecond) {
        hook();
        if (event->passState != psConsumed) return false;
        event->target = TEvent::WordOf(this);
        return true;
    }
    if (event->passState == psFirst) {
        if (!focused_) return false;
        event->passState = psTaken;
        event->target = TEvent::WordOf(this);
        hook();
        return event->passState == psConsumed;
    }
    return false;
}

bool TControl::Command(TEvent* event) {
    if (!IsEnabled()) return event->Targets(this);
    if (!IsVisible()) return false;
    if (event->Targets(this)) {
        OnCommand(event);
        Dispatch(this, event);
        return true;
    }
    if (!event->target) return false;
    return WalkChildren(true, [&](TComp* child) { return child->HandleEvent(this, event); });
}

bool TControl::FocusRequest(TEvent* event) {
    intptr_t* d = event->data;
    const bool changesFocus = d[fwKind] == 0 || d[fwKind] == 2;
    const bool isTarget = event->Targets(this);
    const bool focusable = (style_ & stFocusable) != 0;
    if (!IsVisible() || !IsEnabled()) {
        if (d[fwMode] == fmWalk) return false;
        if (event->target && !isTarget) {
            if (d[fwDone] && changesFocus) SetFocus(false);
        } else if (isTarget && changesFocus && (d[fwMode] == fmNext || d[fwMode] == fmPrevious)) {
            // The request passes to the next control of the walk.
            d[fwMode] = fmWalk;
        }
        return false;
    }
    if (!event->target) return false;
    if (d[fwMode] == fmWalk && changesFocus && focusable) {
        SetFocus(true);
        d[fwDone] = 1;
        d[fwMode] = fmThis;
        event->target = TEvent::WordOf(this);
        return true;
    }
    if (isTarget) {
        if (!changesFocus) return false;
        if (d[fwMode] == fmThis && !d[fwDone]) {
            if (focusable) {
                SetFocus(true);
                d[fwDone] = 1;
            }
            return true;
        }
        if (d[fwMode] == fmNext || d[fwMode] == fmPrevious) d[fwMode] = fmWalk;
    } else if (d[fwDone] && changesFocus) {
        SetFocus(false);
    }
    return WalkChildren(d[fwDirection] == 1,
                        [&](TComp* child) { return child->HandleEvent(this, event); });
}

bool TControl::PropertyChange(TEvent* event) {
    if (event->data[0] == pcMove) return false;
    const bool isTarget = event->Targets(this);
    if (isTarget) event->passState = 3;
    if (event->passState == 3 && IsShown()) {
        if (event->data[0] == pcCursor && inheritCursor_) {
            InheritCursor();
            ShowCursorIfInside();
        } else if (event->data[0] == pcFont && inheritFont_) {
            InheritFont();
        }
    }
    WalkChildren(true, [&](TComp* child) {
        child->HandleEvent(this, event);
        return false;
    });
    if (isTarget) event->passState = 4;
    return event->passState != 0;
}

bool TControl::HideOrClose(TObject* sender, TEvent* event) {
    if ((event->passState == 3 || event->Targets(this)) && (style_ & stTrackHover)) Leave(event);
    return TGraphic::HandleEvent(sender, event);
}

// --- Tree ----------------------------------------------------------------------------

void TControl::Show(TControl* parent) {
    ClearPointerState();
    Attach(parent);
    flags_ |= kShown;
    if (!parent) return;
    if (inheritCursor_) InheritCursor();
    if (inheritFont_) InheritFont();
}

void TControl::Hide() {
    SetFocus(false);
    inside_ = 0;
    Detach();
    flags_ &= ~kShown;
    DropHint();
}

void TControl::SetVisible(bool on) {
    if (IsVisible() == on) return;
    ClearPointerState();
    SetFlags(kVisible, on);
}

void TControl::Dismiss() {
    if (focused_) QueueFocusRequest(2, fmNext);
    SendHide();
}

// --- Properties ----------------------------------------------------------------------

void TControl::SetStyle(uint32_t style) {
    if (style == style_) return;
    style_ = style;
    Invalidate(true);
}

void TControl::SetCursor(TMetaCur* cursor) {
    if (!cursor_.Is(cursor)) {
        cursor_ = TRef<TMetaCur>(cursor);
        QueueProperty(pcCursor);
        Invalidate(true);
    }
    inheritCursor_ = 0;
    ShowCursorIfInside();
}

void TControl::SetFont(TFontRes* font) {
    inheritFont_ = 0;
    font_ = TRef<TFontRes>(font);
    QueueProperty(pcFont);
    Invalidate(true);
}

void TControl::SetInheritFont(uint32_t flag) {
    if (flag == inheritFont_) return;
    inheritFont_ = flag;
    if (flag) QueueProperty(pcFont);
}

void TControl::SetHint(const char* text) {
    hint_ = text;
}
