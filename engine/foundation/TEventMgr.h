// The engine's event manager: a queue of 1024 input records filled from the
// application window's messages and from posted engine events, turned into
// TEvent objects one at a time for the user-interface framework. The queue
// is the graphics library's event ring under a lock, since the tick arrives
// from the timer thread; without a window the manager forwards to the
// library's own ring.
#pragma once

#include "foundation/TEvent.h"
#include "foundation/TList.h"
#include "foundation/TMMTimer.h"
#include "foundation/TNamedObj.h"
#include "foundation/TPoint.h"
#include "gdl/event.h"
#include "gdl/event_ring.h"
#include "platform/Kernel.h"
#include "platform/Types.h"

#include <atomic>
#include <cstdint>

class TEventMgr : public TNamedObj {
public:
    static constexpr int kSlots = 1024;

    // The current engine's manager (ui/TEngine.h builds it).
    static TEventMgr& Global();

    TEventMgr();
    ~TEventMgr() override;

    void InitQueue(HWND window);
    // The frame tick in ms (0 stops it).
    void SetTimer(int32_t ms);
    // Queues an engine event; 1 queued, 0 refused (not ready or full).
    int Post(const TEvent* event);
    // Appends a copy to the object events, which come before queued records.
    int QueueCopy(const TEvent* event);
    // Delivers the next event; its type is 0 when there was none.
    int Translate(TEvent* event);
    void FlushType(int32_t type);
    // How long a reader that found nothing may wait for window input: until
    // the held button's next repeat (made only while Translate runs), at most
    // one tick period (the tick's post wakes the wait), kIdleWaitMs without a
    // tick.
    static constexpr uint32_t kIdleWaitMs = 10;
    uint32_t IdleWaitMs() const;

    // The steps of Translate, open for the window procedures and the tests.
    int Fetch(GDLEvent* record, uint32_t mask);
    int PumpMessages();
    int PostTick();
    int TakeObjectEvent(TEvent* event);

    int32_t Count() const { return ring_.count; }
    int32_t TimerMs() const { return timerMs_; }
    bool Ready() const { return ready_ != 0; }
    HWND Window() const { return window_; }
    const TPoint& LastPos() const { return lastPos_; }
    int32_t ObjectEvents() const { return objectEvents_.Count(); }
    const TMMTimer& TickTimer() const { return tickTimer_; }

private:
    // Appends a record under the queue lock; the slot it took, or -1 when
    // full (the record is dropped).
    int32_t Enqueue(const GDLEvent* record);
    void AppendCopy(const TEvent& event, int32_t type);
    void DiffButtons(TEvent* event, uint32_t modifiers, bool presses);
    void AsPropertyMove(TEvent* event);
    // An engine event read back from its record (a code of the route table).
    void FromEngineCode(TEvent* event, const GDLEvent& record);
    bool RepeatsHeldButton() const;
    uint32_t NextRepeat() const;
    // Milliseconds from the previous tick to `when`.
    int32_t TickElapsed(uint32_t when) const;

    HWND window_ = nullptr;
    int32_t repeatInterval_ = 1;
    int32_t firstDelay_ = 6;
    // Changed only under the queue lock, but its count is read without it
    // by Count(), while the tick timer's thread may be adding a record.
    GdlEventRing<kSlots, std::atomic<int32_t>> ring_;
    int32_t timerMs_ = 0;
    uint32_t lastTickTime_ = 0;
    int32_t tickCount_ = 0;
    uint32_t buttons_ = 0;
    TPoint lastPos_;
    TEvent held_;
    int32_t firstRepeat_ = 1;
    uint32_t pressTime_ = 0;
    int32_t repeatCheck_ = 0;
    int32_t ready_ = 0;
    TList objectEvents_;
    TMMTimer tickTimer_;
    CRITICAL_SECTION lock_;
    int32_t enqueueBusy_ = 0;
    int32_t tickPosting_ = 0;
};
