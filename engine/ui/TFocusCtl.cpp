#include "ui/TFocusCtl.h"

#include "foundation/TDeleteQueue.h"
#include "foundation/TError.h"
#include "foundation/TEventMgr.h"
#include "foundation/TKeys.h"
#include "media/devices/TCursDev.h"
#include "ui/TCaptionBarBase.h"
#include "ui/TStatusBarBase.h"
#include "ui/TWinApp.h"

#include <algorithm>

namespace {

bool HasCaptionBar(int32_t style) {
    return style >= 3 && style <= 5;
}

bool HasStatusBar(int32_t style) {
    return style == 4 || style == 5;
}

void ShowBar(TControl* bar, bool on) {
    bar->SetVisible(on);
    bar->SetEnabled(on);
}

// Tab held with Ctrl types no character, so its key word is the bare scan
// code; with Alt (or alone) it types one. Both are the Tab of the rules.
bool IsTab(uint16_t key, uint32_t modifiers) {
    return key == kKeyTab || (key == kKeyCtrlTab && (modifiers & TControl::kCtrlMask));
}

} // namespace

TFocusCtl::TFocusCtl() {
    SetTransparent(0);
    SetAlpha(255);
    SetStyle(stCountPresses | stHandleClicks | stTrackHover | stFocusable | stDefault);
    SetDrawMode(dmFull);
    SetEnabled(false);
    SetVisible(false);
}

TFocusCtl::~TFocusCtl() = default;

// --- Layout --------------------------------------------------------------------------

uint32_t TFocusCtl::Update() {
    if (flags_ & kDirty) TControl::Update();
    UpdateBars();
    return flags_;
}

void TFocusCtl::UpdateBars() {
    if (TCaptionBarBase* caption = captionBar_.Get()) {
        const bool on = HasCaptionBar(frameStyle_);
        ShowBar(caption, on);
        if (on) {
            caption->SetButtons(captionButtons_);
            caption->SetActive(focused_ ? 1 : 0);
            caption->SetText(title_.c_str());
        }
    }
    if (TStatusBarBase* status = statusBar_.Get()) {
        const bool on = HasStatusBar(frameStyle_);
        ShowBar(status, on);
        if (on) status->SetText(statusText_.c_str());
        status->SetSizeGrip(frameStyle_ == 5 && windowState_ == wsNormal ? 1 : 0);
    }
}

// --- Showing and the modal loop --------------------------------------------------------

int TFocusCtl::Show() {
    if (style_ & stFocusable) {
        TEvent request;
        request.SetType(evFocus);
        request.target = TEvent::WordOf(this);
        request.data[fwMode] = fmThis;
        request.data[fwKind] = 1;
        TEventMgr::Global().QueueCopy(&request);
    } else {
        ToFront();
    }
    SetVisible(true);
    SetEnabled(true);
    TEvent frame;
    frame.SetType(evPaint);
    TEventMgr::Global().Post(&frame);
    TEvent shown;
    shown.SetType(evShown);
    shown.target = TEvent::WordOf(this);
    return TEventMgr::Global().Post(&shown);
}

int32_t TFocusCtl::ShowModal() {
    // Deleted from one of its own handlers, the control stays until its loop
    // is done with it.
    TDeleteLaterPin pin(this);
    modalResult_ = 0;
    Show();
    while (IsEnabled() && IsVisible() && modalResult_ == 0) {
        if (TError::Notify(0)) break;
        ModalStep();
    }
    Close();
    return modalResult_ ? modalResult_ : kNoResult;
}

void TFocusCtl::QueueOwnFocusRequest(int32_t mode) {
    QueueFocusRequest(1, mode);
}

void TFocusCtl::Close() {
    if (focused_) QueueOwnFocusRequest(fmPrevious);
    SendClose();
}

void TFocusCtl::Hide() {
    if (focused_) QueueOwnFocusRequest(fmPrevious);
    SendHide();
}

bool TFocusCtl::ModalStep() {
    if (RouteOne()) return true;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, TEventMgr::Global().IdleWaitMs(), QS_ALLINPUT);
    return false;
}

// Objects deleted from the step's handlers (DeleteLater) go once the
// outermost step has ended: nothing of theirs is on the stack any more.
bool TFocusCtl::RouteOne(TEvent* routed) {
    bool took;
    {
        TDeleteLaterHold hold;
        took = RouteOneEvent(routed);
    }
    DrainDeleteLater();
    return took;
}

bool TFocusCtl::RouteOneEvent(TEvent* routed) {
    TEventMgr& manager = TEventMgr::Global();
    TComp* app = GetApplication();
    TEvent event;
    manager.Translate(&event);
    switch (event.type) {
        case evNone: return false;
        case evMouseMove:
            if (!event.data[mwSynthetic] && !TCursDev::Global().ThreadRunning())
                TCursDev::Global().SetPos(event.record.x, event.record.y);
            event.extra = TEvent::WordOf(this);
            if (app) app->HandleEvent(this, &event);
            break;
        case evPaint:
            manager.FlushType(evPaint);
            if (app) app->HandleEvent(this, &event);
            break;
        case evTick: {
            // No ticks reach the tree while an error box waits for its answer.
            if (TWinApp::ErrorDialogDepth() <= 0 && app) app->HandleEvent(this, &event);
            TEvent follow(event);
            follow.SetType(evPaint);
            manager.Post(&follow);
            // Comes back as a move where the pointer is, so the hover follows
            // components that moved under it.
            follow.SetType(evProperty);
            follow.data[0] = pcMove;
            manager.Post(&follow);
            break;
        }
        case evFocus:
        case evQuit:
        case evQueryEnd:
        case evCloseRequest:
            if (app) app->HandleEvent(this, &event);
            break;
        default: HandleEvent(this, &event); break;
    }
    if (routed) *routed = event;
    return true;
}

// --- Routing -------------------------------------------------------------------------

bool TFocusCtl::HandleEvent(TObject* sender, TEvent* event) {
    if (!event) return false;
    switch (event->type) {
        case evKeyDown:
        case evKeyUp: return KeyPasses(event);
        case evFocus: return FocusRequest(event);
        case evQuit:
            SetEnabled(false);
            TGraphic::HandleEvent(sender, event);
            return false;
        case evRadio: return TargetedEvent(event);
        default: return TControl::HandleEvent(sender, event);
    }
}

bool TFocusCtl::OfferToChildren(TEvent* event, bool fromFront) {
    return WalkChildren(fromFront, [&](TComp* child) { return child->HandleEvent(this, event); });
}

void TFocusCtl::GiveToEveryChild(TEvent* event) {
    WalkChildren(true, [&](TComp* child) {
        child->HandleEvent(this, event);
        return false;
    });
}

bool TFocusCtl::KeyPasses(TEvent* event) {
    if (!IsVisible() || !IsEnabled() || !focused_) return false;
    if (event->passState == psFirst && OfferKeyToChildren(event, true)) return true;
    // Offered in its parent's second pass, a container does nothing.
    if (event->passState == psConsumed || event->passState == psSecond) return false;
    event->passState = psSecond;
    if (OfferKeyToChildren(event, false)) return true;
    return OwnKeyPass(event);
}

bool TFocusCtl::OfferKeyToChildren(TEvent* event, bool endOnTaken) {
    bool consumed = false;
    WalkChildren(true, [&](TComp* child) {
        child->HandleEvent(this, event);
        consumed = event->passState == psConsumed;
        return consumed || (endOnTaken && event->passState == psTaken);
    });
    return consumed;
}

bool TFocusCtl::OwnKeyPass(TEvent* event) {
    event->passState = psTaken;
    if (event->type == evKeyDown)
        OnKeyDown(event);
    else
        OnKeyUp(event);
    Dispatch(this, event);
    return event->passState == psConsumed;
}

bool TFocusCtl::FocusRequest(TEvent* event) {
    intptr_t* d = event->data;
    if (!event->target) return false;
    const bool isTarget = event->Targets(this);
    const bool accepted = IsContainerKind(d[fwKind]);
    const bool focusable = (style_ & stFocusable) != 0;
    if (d[fwDone]) {
        if (!isTarget && accepted) SetFocus(false);
        return false;
    }
    if (d[fwMode] == fmWalk) {
        if (!focusable || !accepted || !IsEnabled() || !IsVisible()) return false;
        SetFocus(true);
        d[fwDone] = 1;
        d[fwMode] = fmThis;
        event->target = TEvent::WordOf(this);
        return true;
    }
    if (isTarget) {
        if (!accepted) return false;
        if (d[fwMode] == fmThis) {
            if (focusable && IsVisible() && IsEnabled()) {
                SetFocus(true);
                d[fwDone] = 1;
            }
            return true;
        }
        // The next focusable container the request reaches takes it.
        if (d[fwMode] == fmNext || d[fwMode] == fmPrevious) d[fwMode] = fmWalk;
        return false;
    }
    if (!IsVisible() || !IsEnabled()) return false;
    return FocusFromChildren(event);
}

bool TFocusCtl::FocusFromChildren(TEvent* event) {
    intptr_t* d = event->data;
    const bool fromFront = d[fwDirection] == 1;
    bool took = OfferToChildren(event, fromFront);
    // A search that reached the end starts once more from the beginning.
    if (!took && d[fwMode] == fmWalk) took = OfferToChildren(event, fromFront);
    if (!took) {
        SetFocus(false);
        return false;
    }
    if (d[fwDone]) GiveToEveryChild(event);
    if (style_ & stFocusable) {
        SetFocus(true);
        d[fwDone] = 1;
        d[fwMode] = fmThis;
        d[fwKind] = 1;
        event->target = TEvent::WordOf(this);
    }
    return true;
}

bool TFocusCtl::TargetedEvent(TEvent* event) {
    if (event->passState != 0) return false;
    if (!event->Targets(this)) {
        if (!event->target) return false;
        return OfferToChildren(event, true);
    }
    event->passState = 3;
    GiveToEveryChild(event);
    event->passState = 4;
    return true;
}

void TFocusCtl::SetFocus(bool on) {
    if (ChangeFocus(on)) SetDirty(true);
    if (focused_) ToFront();
}

void TFocusCtl::OnKeyDown(TEvent* event) {
    const uint32_t modifiers = uint32_t(event->record.modifiers);
    const uint16_t key = event->KeyCode();
    if (IsTab(key, modifiers) && (style_ & stFocusable)) {
        event->passState = psConsumed;
        // Plain Tab moves between controls; with Alt or Ctrl between containers.
        if (!(modifiers & (kAltMask | kCtrlMask))) return;
        const int32_t mode = !focused_ ? fmThis : (modifiers & kShiftMask) ? fmPrevious : fmNext;
        QueueFocusRequest(1, mode);
        return;
    }
    if (key == kKeyF4 && (modifiers & kAltMask) && focused_) {
        event->passState = psConsumed;
        Close();
        return;
    }
    TControl::OnKeyDown(event);
}

void TFocusCtl::OnKeyUp(TEvent* event) {
    const uint32_t modifiers = uint32_t(event->record.modifiers);
    const uint16_t key = event->KeyCode();
    if ((IsTab(key, modifiers) && (style_ & stFocusable)) ||
        (key == kKeyF4 && (modifiers & kAltMask) && focused_)) {
        event->passState = psConsumed;
        return;
    }
    TControl::OnKeyUp(event);
}

// --- Window fields -------------------------------------------------------------------

void TFocusCtl::SetFrameStyle(int32_t style) {
    if (style == frameStyle_) return;
    frameStyle_ = style;
    Invalidate(true);
}

void TFocusCtl::SetCaptionButtons(uint32_t buttons) {
    captionButtons_ = buttons;
    if (TCaptionBarBase* caption = captionBar_.Get()) caption->SetButtons(buttons);
}

void TFocusCtl::SetCaptionBar(TCaptionBarBase* bar) {
    if (captionBar_.Is(bar)) return;
    captionBar_ = TRef<TCaptionBarBase>(bar);
    Invalidate(true);
}

void TFocusCtl::SetStatusBar(TStatusBarBase* bar) {
    if (statusBar_.Is(bar)) return;
    statusBar_ = TRef<TStatusBarBase>(bar);
    Invalidate(true);
}

void TFocusCtl::SetTitle(const char* text) {
    title_ = text;
    if (TCaptionBarBase* caption = captionBar_.Get()) caption->SetText(text);
}

void TFocusCtl::SetStatusText(const char* text) {
    statusText_ = text;
    if (TStatusBarBase* status = statusBar_.Get()) status->SetText(text);
}

void TFocusCtl::SetWindowState(int32_t state) {
    if (state == windowState_) return;
    if (windowState_ == wsNormal) {
        int32_t x, y, w, h;
        GetPosSize(x, y, w, h);
        saved_ = {x, y, x + std::max(w, 0), y + std::max(h, 0)};
    }
    if (state == wsMaximized) {
        TRectArea extent;
        GetExtent(extent);
        SetRect(extent.left, extent.top, extent.right - extent.left, extent.bottom - extent.top);
    } else if (state == wsNormal && saved_.right > saved_.left && saved_.bottom > saved_.top) {
        SetRect(saved_.left, saved_.top, saved_.right - saved_.left, saved_.bottom - saved_.top);
    }
    windowState_ = state;
    Invalidate(true);
}

int TFocusCtl::OnDragMove(TObject*, TEvent* event) {
    if (!event || event->type != evMouseMove) return 0;
    // A maximized container keeps its place; the move is taken.
    if (windowState_ != wsNormal) return 1;
    SetPos(GetX() + int32_t(event->data[mwDx]), GetY() + int32_t(event->data[mwDy]));
    return 0;
}

int TFocusCtl::OnDragSize(TObject*, TEvent* event) {
    if (!event || event->type != evMouseMove) return 0;
    const int32_t width = GetWidth() + int32_t(event->data[mwDx]);
    if (width > 0) SetWidth(width);
    const int32_t height = GetHeight() + int32_t(event->data[mwDy]);
    if (height >= 1) SetHeight(height);
    return 0;
}
