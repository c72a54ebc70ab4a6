#include "ui/TClickCtl.h"

#include "foundation/TEventMgr.h"

TClickCtl::TClickCtl() {
    SetBorderWidth(0);
    style_ = stCountPresses | stHandleClicks | stTrackHover | stFocusable | stDefault;
}

TClickCtl::~TClickCtl() = default;

// --- Queued events -------------------------------------------------------------------

void TClickCtl::QueueRadioGroup() {
    TComp* parent = GetParent();
    if (!parent) return;
    TEvent group;
    group.SetType(evRadio);
    group.target = TEvent::WordOf(parent);
    group.data[0] = static_cast<intptr_t>(TEvent::WordOf(this));
    TEventMgr::Global().QueueCopy(&group);
}

void TClickCtl::QueueFrame() {
    TEvent frame;
    frame.SetType(evPaint);
    TEventMgr::Global().QueueCopy(&frame);
}

void TClickCtl::QueueCommand(uintptr_t modifiers) {
    TEvent command;
    command.SetType(evCommand);
    command.record.modifiers = modifiers;
    QueueToSelf(command);
}

void TClickCtl::SetStateBits(uint32_t bits, bool on) {
    state_ = on ? (state_ | bits) : (state_ & ~bits);
}

// --- Tree and state ------------------------------------------------------------------

void TClickCtl::Show(TControl* parent) {
    TControl::Show(parent);
    if (parent && mode_ == mdRadio && checked_) QueueRadioGroup();
}

void TClickCtl::Hide() {
    state_ = 0;
    TControl::Hide();
}

void TClickCtl::SetChecked(uint32_t flag) {
    if (flag == checked_) return;
    checked_ = flag;
    Invalidate(true);
    if (mode_ == mdRadio && checked_) {
        SetStateBits(stPressed, true);
        QueueRadioGroup();
        QueueCommand(0);
    } else if (mode_ == mdRadio || mode_ == mdToggle) {
        SetStateBits(stPressed, checked_ != 0);
    }
}

uint32_t TClickCtl::Update() {
    if (!(flags_ & kDirty)) return flags_;
    TControl::Update();
    if (!IsEnabled())
        state_ = 0;
    else if ((mode_ == mdRadio || mode_ == mdToggle) && checked_)
        SetStateBits(stPressed, true);
    return flags_;
}

bool TClickCtl::HandleEvent(TObject* sender, TEvent* event) {
    if (event && event->type == evRadio) return RadioGroup(event);
    return TControl::HandleEvent(sender, event);
}

bool TClickCtl::RadioGroup(TEvent* event) {
    if (!event->target || !IsEnabled() || !IsVisible() || event->passState != 3) return false;
    if (mode_ != mdRadio) return true;
    const bool named = event->data[0] == static_cast<intptr_t>(TEvent::WordOf(this));
    if ((checked_ != 0) != named) {
        checked_ = named;
        Invalidate(true);
    }
    if (((state_ & stPressed) != 0) != named) {
        SetStateBits(stPressed, named);
        Invalidate(true);
    }
    return true;
}

// --- Mouse ---------------------------------------------------------------------------

void TClickCtl::OnLeftDown(TEvent* event) {
    if (event->data[mwPressClaim] || (state_ & stPressed)) return;
    if (mode_ == mdRadio) {
        // A radio button answers on the press.
        QueueRadioGroup();
        QueueFrame();
        QueueCommand(event->record.modifiers);
        return;
    }
    SetStateBits(stPressed, true);
    Invalidate(true);
    QueueFrame();
}

void TClickCtl::OnLeftUp(TEvent* event) {
    if (mode_ == mdRadio || !(state_ & stPressed)) return;
    if (mode_ == mdToggle) {
        SetChecked(!checked_);
    } else {
        SetStateBits(stPressed, false);
        Invalidate(true);
    }
    QueueFrame();
    QueueCommand(event->record.modifiers);
}

void TClickCtl::OnMouseEnter(TEvent*) {
    // Back inside with the button still held: the button goes down again.
    if (mode_ != mdRadio && presses_[0] > 0 && !(state_ & stPressed))
        SetStateBits(stPressed | stHot, true);
    else
        SetStateBits(stHot, true);
    Invalidate(true);
    Update();
}

void TClickCtl::OnMouseLeave(TEvent* event) {
    TControl::OnMouseLeave(event);
    const uint32_t before = state_;
    if (mode_ == mdRadio)
        SetStateBits(stHot, false);
    else if (state_ & stPressed)
        SetStateBits(stPressed | stHot, false);
    else
        SetStateBits(stHot, false);
    if (state_ == before) return;
    Invalidate(true);
    Update();
}

// --- Keys ----------------------------------------------------------------------------

bool TClickCtl::IsHotKey(const TEvent* event) {
    Update();
    // 0xFFFF is no hot key, not the character 0xFF.
    const uint8_t character = event->KeyChar();
    return hotKey_ != kNoHotKey && character != 0 && character == (hotKey_ & 0xFF) &&
           (uint32_t(event->record.modifiers) & kAltMask);
}

void TClickCtl::Trigger(TEvent* event) {
    if (mode_ == mdRadio && !checked_) QueueRadioGroup();
    if (mode_ == mdToggle) SetChecked(!checked_);
    QueueFocusRequest(0, fmThis);
    QueueCommand(event->record.modifiers);
}

void TClickCtl::OnKeyDown(TEvent* event) {
    const uint16_t key = event->KeyCode();
    if (key == kKeyEscape) {
        if (!cancel_) return TControl::OnKeyDown(event);
        event->passState = psConsumed;
        if (!IsKeyFreshPress(event) || mode_ != mdPush) return;
        QueueFocusRequest(0, fmThis);
        QueueCommand(event->record.modifiers);
        return;
    }
    if (IsEnter(key)) {
        if (!default_ && !focused_) return TControl::OnKeyDown(event);
        event->passState = psConsumed;
        if (!IsKeyFreshPress(event) || (mode_ != mdPush && !focused_)) return;
        Trigger(event);
        return;
    }
    if (!IsHotKey(event)) return TControl::OnKeyDown(event);
    event->passState = psConsumed;
    if (IsKeyFreshPress(event)) Trigger(event);
}

void TClickCtl::OnKeyUp(TEvent* event) {
    const uint16_t key = event->KeyCode();
    const bool consumed = key == kKeyEscape ? cancel_ != 0
                          : IsEnter(key)    ? default_ || focused_
                                            : IsHotKey(event);
    if (consumed)
        event->passState = psConsumed;
    else
        TControl::OnKeyUp(event);
}
