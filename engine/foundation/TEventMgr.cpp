#include "foundation/TEventMgr.h"

#include "foundation/TError.h"
#include "foundation/TServices.h"
#include "platform/MMSystem.h"
#include "platform/User.h"

#include <algorithm>
#include <cstring>

namespace {

struct Held {
    explicit Held(CRITICAL_SECTION& l) : lock(l) { EnterCriticalSection(&lock); }
    ~Held() { LeaveCriticalSection(&lock); }
    CRITICAL_SECTION& lock;
};

GDLEvent ClearedRecord() {
    GDLEvent r;
    std::memset(&r, 0, sizeof r);
    r.next = r.prev = -1;
    return r;
}

// The engine's codes for the messages that end the program.
uint32_t OwnCode(UINT message) {
    if (message == WM_QUIT) return ecQuit;
    if (message == WM_QUERYENDSESSION) return ecQueryEnd;
    return 0;
}

void OnTick(void* target, uintptr_t) {
    static_cast<TEventMgr*>(target)->PostTick();
}

intptr_t KeyWord(uintptr_t message) {
    uintptr_t code = message & 0xFFFF;
    // The key code, then its character byte and its scan-code byte again.
    return static_cast<intptr_t>(code | (code & 0xFF) << 16 | ((code >> 8) & 0xFF) << 24);
}

} // namespace

TEventMgr& TEventMgr::Global() {
    return RequireService(Services().events, "event manager");
}

TEventMgr::TEventMgr() {
    InitializeCriticalSection(&lock_);
}

TEventMgr::~TEventMgr() {
    tickTimer_.Start(0, 0, 0, nullptr, nullptr);
    DeleteCriticalSection(&lock_);
    while (TListNode* n = objectEvents_.Head()) {
        TEvent* e = static_cast<TEvent*>(n->item);
        objectEvents_.Remove(e);
        delete e;
    }
}

void TEventMgr::InitQueue(HWND window) {
    Held queue(lock_);
    ring_.Reset();
    window_ = window;
    ready_ = 1;
}

int32_t TEventMgr::Enqueue(const GDLEvent* record) {
    Held queue(lock_);
    if (enqueueBusy_) return -1;
    enqueueBusy_ = 1;
    const int32_t slot = ring_.Push(*record);
    enqueueBusy_ = 0;
    return slot;
}

int TEventMgr::PumpMessages() {
    GdlPumpRules rules;
    rules.peekWindow = rules.clientWindow = window_;
    rules.ownCode = &OwnCode;
    ring_.Pump(rules, [this](const GDLEvent& record) { return Enqueue(&record); });
    return 1;
}

int TEventMgr::Fetch(GDLEvent* record, uint32_t mask) {
    if (!window_) return GDL_getEvent(record, mask);
    Held queue(lock_);
    PumpMessages();
    record->what = 0;
    if (!ring_.Take(mask, record)) return 0;
    record->next = record->prev = -1;
    return 1;
}

int TEventMgr::PostTick() {
    Held queue(lock_);
    if (tickPosting_) return 1;
    tickPosting_ = 1;
    GDLEvent record = ClearedRecord();
    record.what = GDL_TIMER;
    record.when = timeGetTime();
    Enqueue(&record);
    tickPosting_ = 0;
    // Wakes a reader waiting for window input.
    if (window_) PostMessageA(window_, WM_NULL, 0, 0);
    return 1;
}

// The clock's 32-bit milliseconds wrap after 49.7 days: a tick just past
// the wrap is a few milliseconds on, not four billion back. A clock that
// really went back (set anew) counts the distance, as before.
int32_t TEventMgr::TickElapsed(uint32_t when) const {
    const uint32_t forward = when - lastTickTime_;
    return static_cast<int32_t>(forward <= 0x7FFFFFFFu ? forward : lastTickTime_ - when);
}

bool TEventMgr::RepeatsHeldButton() const {
    return repeatInterval_ > 0 && (TEvent::TypeToMask(held_.type) & GDL_MOUSEDOWN);
}

uint32_t TEventMgr::NextRepeat() const {
    return pressTime_ + static_cast<uint32_t>(repeatInterval_) +
           (firstRepeat_ ? static_cast<uint32_t>(firstDelay_) : 0);
}

uint32_t TEventMgr::IdleWaitMs() const {
    uint32_t wait = timerMs_ > 0 ? static_cast<uint32_t>(timerMs_) : kIdleWaitMs;
    if (RepeatsHeldButton()) {
        const int32_t left = static_cast<int32_t>(NextRepeat() - timeGetTime());
        wait = left <= 0 ? 0 : std::min(wait, static_cast<uint32_t>(left));
    }
    return wait;
}

void TEventMgr::SetTimer(int32_t ms) {
    timerMs_ = ms;
    if (!window_) {
        uint32_t ticks = 0;
        if (ms > 0) {
            // The library's tick is 54.925 ms.
            ticks = static_cast<uint32_t>(ms * 0.01820664542558034);
            if (ticks == 0) {
                ticks = 1;
                timerMs_ = 55;
            }
        } else {
            timerMs_ = 0;
        }
        GDL_setTimerTick(ticks);
    } else if (GetWindowsKind() != 1) {
        tickTimer_.Start(static_cast<uint32_t>(timerMs_ > 0 ? timerMs_ : 0), 0, 0, this, &OnTick);
    } else {
        KillTimer(window_, 1);
        SetLastError(0);
        if (timerMs_ != 0 && !::SetTimer(window_, 1, static_cast<UINT>(timerMs_), nullptr) &&
            GetLastError() == ERROR_NOT_ENOUGH_MEMORY)
            TError::Raise(9, nullptr, nullptr, "Source\\TEvent", 0);
    }
}

int TEventMgr::QueueCopy(const TEvent* event) {
    TEvent* copy = new TEvent(*event);
    if (!copy || !objectEvents_.InsertFromEnd(copy)) {
        delete copy;
        TError::Raise(9, nullptr, nullptr, "Source\\TEvent", 404);
        return 0;
    }
    return 1;
}

void TEventMgr::AppendCopy(const TEvent& event, int32_t type) {
    TEvent copy(event);
    copy.type = type;
    QueueCopy(&copy);
}

int TEventMgr::Post(const TEvent* event) {
    if (!ready_ || !event) return 0;
    int32_t type = event->type;
    if (type == evMouseEnter || type == evMouseLeave) return QueueCopy(event);
    const TEventRoute* route = TEvent::RouteOfType(type);
    // A record of no code matches no fetch mask: it would hold its slot for
    // good and, repeated, fill the queue. Such types are refused.
    if (!route || route->mask == 0) return 0;
    GDLEvent record = ClearedRecord();
    record.what = route->mask;
    record.which = event->record.which;
    record.message = event->record.message;
    record.modifiers = event->record.modifiers;
    switch (route->carry) {
        case TEventCarry::Record: break;
        case TEventCarry::TargetOut:
        case TEventCarry::Target: record.message = event->target; break;
        case TEventCarry::TargetWord:
            record.message = event->target;
            record.modifiers = static_cast<uintptr_t>(event->data[0]);
            break;
        case TEventCarry::Focus:
            record.which = static_cast<uint32_t>(event->data[2]);
            record.message = event->target;
            record.modifiers = static_cast<uintptr_t>(event->data[1]);
            break;
    }
    if (!window_) return GDL_postEvent(record.which, record.what, record.message, record.modifiers);
    Held queue(lock_);
    if (ring_.count >= kSlots) return 0;
    record.when = timeGetTime();
    return Enqueue(&record) >= 0;
}

void TEventMgr::AsPropertyMove(TEvent* event) {
    // A property change with sub-code 2 stands for a mouse move where the
    // mouse already is.
    event->type = evMouseMove;
    event->record.x = lastPos_.x;
    event->record.y = lastPos_.y;
    event->record.modifiers = buttons_;
    for (int i = 0; i < 5; ++i)
        event->data[i] = 0;
    event->data[5] = 1;
}

int TEventMgr::TakeObjectEvent(TEvent* event) {
    event->SetType(0);
    TListNode* first = objectEvents_.Head();
    if (!first) return 0;
    TEvent* copy = static_cast<TEvent*>(first->item);
    *event = *copy;
    objectEvents_.Remove(copy);
    delete copy;
    switch (event->type) {
        case evLeftDown:
        case evRightDown:
            held_ = *event;
            pressTime_ = timeGetTime();
            break;
        case evLeftUp:
        case evRightUp:
            held_.type = 0;
            firstRepeat_ = 1;
            break;
        case evFocus:
            event->data[0] = 0;
            event->data[3] = event->data[1] == 1;
            break;
        case evProperty:
            if (event->data[0] == 2) AsPropertyMove(event);
            break;
        default: break;
    }
    return 1;
}

void TEventMgr::DiffButtons(TEvent* event, uint32_t modifiers, bool presses) {
    bool rightNow = modifiers & GDL_RIGHTBUT, rightBefore = buttons_ & GDL_RIGHTBUT;
    bool leftNow = modifiers & GDL_LEFTBUT, leftBefore = buttons_ & GDL_LEFTBUT;
    if (presses && rightNow && !rightBefore) AppendCopy(*event, evRightDown);
    if (presses && leftNow && !leftBefore) AppendCopy(*event, evLeftDown);
    if (!rightNow && rightBefore) AppendCopy(*event, evRightUp);
    if (!leftNow && leftBefore) AppendCopy(*event, evLeftUp);
}

void TEventMgr::FromEngineCode(TEvent* event, const GDLEvent& record) {
    const TEventRoute* route = TEvent::RouteOfCode(record.what);
    if (!route) return; // any other code leaves type 0
    event->SetType(route->type);
    switch (route->carry) {
        case TEventCarry::Record:
        case TEventCarry::TargetOut: break;
        case TEventCarry::Target: event->target = record.message; break;
        case TEventCarry::TargetWord:
            event->target = record.message;
            event->data[0] = static_cast<intptr_t>(record.modifiers);
            // A property change with sub-code 2 is a move where the mouse is.
            if (route->type == evProperty && record.modifiers == 2) AsPropertyMove(event);
            break;
        case TEventCarry::Focus:
            event->target = record.message;
            event->data[0] = 0;
            event->data[1] = static_cast<intptr_t>(record.modifiers);
            event->data[2] = record.which;
            event->data[3] = record.modifiers == 1;
            break;
    }
}

int TEventMgr::Translate(TEvent* event) {
    if (!ready_ || !event) return 0;
    if (TakeObjectEvent(event)) return 1;
    event->SetType(0);
    for (;;) {
        if (event->type != 0) return 1;
        bool checkPass = false;
        GDLEvent record = ClearedRecord();
        if (repeatCheck_) {
            // A tick came last time: a held button may be due for a repeat.
            repeatCheck_ = 0;
            checkPass = true;
        } else {
            Fetch(&record, 0xFFFF);
        }
        event->record = record;
        uint32_t modifiers = static_cast<uint32_t>(record.modifiers);
        switch (record.what) {
            case 0: {
                uint32_t now = timeGetTime();
                if (RepeatsHeldButton() && static_cast<int32_t>(now - NextRepeat()) >= 0) {
                    *event = held_;
                    event->record.x = lastPos_.x;
                    event->record.y = lastPos_.y;
                    event->record.when = now;
                    event->data[2] = 0;
                    event->data[3] = 1;
                    event->data[4] = event->data[5] = 0;
                    pressTime_ = now;
                    firstRepeat_ = 0;
                }
                break;
            }
            case GDL_KEYDOWN:
            case GDL_KEYREPEAT:
            case GDL_KEYUP: {
                event->SetType(record.what == GDL_KEYUP ? evKeyUp : evKeyDown);
                event->data[0] = KeyWord(record.message);
                uint32_t count = static_cast<uint32_t>(record.message >> 16) & 0x7FFF;
                if (record.what == GDL_KEYDOWN) count = 1;
                if (record.what == GDL_KEYREPEAT && count < 2) count = 2;
                event->data[1] = count;
                event->passState = 1;
                break;
            }
            case GDL_MOUSEDOWN:
            case GDL_MOUSEUP:
                event->record.x = lastPos_.x;
                event->record.y = lastPos_.y;
                std::memset(event->data, 0, sizeof event->data);
                event->data[2] = (modifiers >> 15) & 1;
                DiffButtons(event, modifiers, record.what == GDL_MOUSEDOWN);
                buttons_ = modifiers;
                TakeObjectEvent(event);
                break;
            case GDL_MOUSEMOVE: {
                event->SetType(evMouseMove);
                int32_t before = objectEvents_.Count();
                DiffButtons(event, modifiers, false);
                event->data[0] = record.x - lastPos_.x;
                event->data[1] = record.y - lastPos_.y;
                buttons_ = modifiers;
                lastPos_ = TPoint(record.x, record.y);
                if (objectEvents_.Count() > before) {
                    // The release comes first, then the move.
                    QueueCopy(event);
                    TakeObjectEvent(event);
                }
                break;
            }
            case GDL_TIMER:
                event->SetType(evTick);
                event->data[0] = lastTickTime_ == 0 ? timerMs_ : TickElapsed(record.when);
                lastTickTime_ = record.when;
                event->data[1] = tickCount_++;
                repeatCheck_ = 1;
                break;
            default: FromEngineCode(event, record); break;
        }
        if (!checkPass) return 1;
    }
}

void TEventMgr::FlushType(int32_t type) {
    for (TListNode* n = objectEvents_.Head(); n;) {
        TListNode* next = n->next;
        TEvent* e = static_cast<TEvent*>(n->item);
        if (e->type == type) {
            objectEvents_.Remove(e);
            delete e;
        }
        n = next;
    }
    if (!ready_) return;
    uint32_t mask = TEvent::TypeToMask(type);
    if (!window_) {
        GDL_flushEvents(mask);
        return;
    }
    GDLEvent record;
    while (Fetch(&record, mask)) {
    }
}
