#include "TRoomFader.h"

#include "media/devices/TDispDev.h"

TRoomFader::TRoomFader() {
    const int32_t level = TDispDev::Global().GetAdjustLevel();
    level_ = from_ = to_ = level;
}

TRoomFader::~TRoomFader() {
    timer_.Detach();
}

void TRoomFader::SetRange(int32_t from, int32_t to) {
    if (from < 0 || from > kMaxLevel || to < 0 || to > kMaxLevel) return;
    from_ = from;
    to_ = to;
}

void TRoomFader::SetRate(float rate) {
    if (rate == rate_) return;
    if (rate >= 0.0f) {
        rate_ = rate;
        timer_.SetInterval(1000.0f / rate);
    } else {
        rate_ = 0.0f;
    }
    SetDirty(true);
}

void TRoomFader::Attach(TGraphic* parent) {
    TGraphic::Attach(parent);
    timer_.SetFlags(kEnabled, false);
    timer_.Add<TRoomFader, &TRoomFader::Step>(evTick, this);
    timer_.SetParent(this);
}

void TRoomFader::Detach() {
    timer_.SetFlags(kEnabled, false);
    timer_.Detach();
    TGraphic::Detach();
    running_ = 0;
}

void TRoomFader::Notify(int32_t type) {
    TEvent event;
    event.SetType(type);
    event.target = TEvent::WordOf(this);
    Dispatch(this, &event);
}

void TRoomFader::Start() {
    if (running_) return;
    running_ = 1;
    if (notify_) Notify(evUser23);
    TDispDev::Global().SetAdjustLevel(from_);
    level_ = from_;
    direction_ = from_ - to_ > 0 ? 1 : 0;
    timer_.SetFlags(kEnabled, true);
    SetFlags(kVisible | kEnabled, true);
    Invalidate(true);
}

int TRoomFader::Step(TObject*, TEvent*) {
    if (!running_) return 1;
    const int32_t next = direction_ ? level_ - 1 : level_ + 1;
    bool ended = false;
    if (next != to_ && next >= 0 && next <= kMaxLevel) {
        level_ = next;
        TDispDev::Global().SetAdjustLevel(next);
    } else {
        // The target itself is left to the caller.
        timer_.SetFlags(kEnabled, false);
        running_ = 0;
        ended = true;
    }
    Invalidate(true);
    if (ended)
        Notify(evUser23);
    else if (notify_)
        Notify(evNone);
    return 1;
}
