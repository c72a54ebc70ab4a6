// The timer component's counting of tick events.

#include "foundation/TDeleteQueue.h"
#include "foundation/TTimer.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

struct Counting : TTimer {
    Counting() { Add<Counting, &Counting::Heard>(evTick, this); }
    int Heard(TObject* sender, TEvent*) {
        EXPECT_EQ(sender, this);
        ++heard;
        return 1;
    }
    void OnTimer(TEvent*) override { ++fired; }
    int fired = 0, heard = 0;
};

bool Tick(TTimer& t, int ms) {
    TEvent e;
    e.SetType(evTick);
    e.data[0] = ms;
    return t.HandleEvent(nullptr, &e);
}

TEST(Timer, TicksFireAsOftenAsTheIntervalPassed) {
    struct Case {
        const char* name;
        float interval;
        std::vector<int> ticks;
        int fired;
        float elapsed;
    };
    const Case cases[] = {
        {"18 ticks of 55 ms", 1000.0f, std::vector<int>(18, 55), 0, 990.0f},
        {"the 19th fires", 1000.0f, std::vector<int>(19, 55), 1, 45.0f},
        {"equality waits", 1000.0f, {1000}, 0, 1000.0f},
        {"and the next tick fires", 1000.0f, {1000, 1}, 1, 1.0f},
        {"a late tick catches up", 1000.0f, {3500}, 3, 500.0f},
        {"interval 0 counts milliseconds", 0.0f, {5}, 5, 0.0f},
        {"interval 1 likewise", 1.0f, {5}, 4, 1.0f},
        {"interval 0.5 steps by one", 0.5f, {3}, 3, 0.0f},
        {"a short interval", 40.0f, {55, 55}, 2, 30.0f},
    };
    for (const Case& c : cases) {
        Counting t;
        t.SetInterval(c.interval);
        for (int ms : c.ticks)
            EXPECT_FALSE(Tick(t, ms)) << c.name; // never consumed
        EXPECT_EQ(t.fired, c.fired) << c.name;
        EXPECT_EQ(t.heard, c.fired) << c.name;
        EXPECT_FLOAT_EQ(t.GetElapsed(), c.elapsed) << c.name;
    }
}

TEST(Timer, OnlyAChangedIntervalRestartsTheCount) {
    Counting t;
    Tick(t, 500);
    t.SetInterval(1000.0f);
    EXPECT_FLOAT_EQ(t.GetElapsed(), 500.0f);
    t.SetInterval(2000.0f);
    EXPECT_FLOAT_EQ(t.GetElapsed(), 0.0f);
    EXPECT_FLOAT_EQ(t.GetInterval(), 2000.0f);
}

TEST(Timer, DisabledTimersKeepTheirCountAndOtherEventsPass) {
    Counting t;
    Tick(t, 600);
    t.SetEnabled(false);
    Tick(t, 5000);
    EXPECT_EQ(t.fired, 0);
    EXPECT_FLOAT_EQ(t.GetElapsed(), 600.0f);
    t.SetEnabled(true);
    Tick(t, 500);
    EXPECT_EQ(t.fired, 1);
    // Other types reach neither children nor handlers.
    TTimer child;
    child.SetParent(&t);
    TEvent command;
    command.SetType(evCommand);
    t.Add<Counting, &Counting::Heard>(evCommand, &t);
    EXPECT_FALSE(t.HandleEvent(nullptr, &command));
    EXPECT_EQ(t.heard, 1);
    EXPECT_FALSE(t.HandleEvent(nullptr, nullptr));
    child.Detach();
}

} // namespace

// The timer component checked for its handlers, its other events and ticks
// far beyond what a float counts in steps of its interval.
namespace {

struct Recorder : TTimer {
    int fired = 0;
    std::vector<TObject*> senders;
    void OnTimer(TEvent*) override { ++fired; }
    static int OnTick(void* target, TObject* sender, TEvent*) {
        static_cast<Recorder*>(target)->senders.push_back(sender);
        return 1; // handled: the tick still goes on to other timers
    }
};

TEvent Tick(int32_t ms) {
    TEvent e;
    e.SetType(evTick);
    e.data[0] = ms;
    return e;
}

TEST(TimerCheck, EachFiringRunsTheTimersOwnHandlersWithTheTimerAsSender) {
    Recorder t;
    EXPECT_FLOAT_EQ(t.GetInterval(), 1000.0f);
    EXPECT_FLOAT_EQ(t.GetElapsed(), 0.0f);
    t.Add(evTick, &t, &Recorder::OnTick, 0);
    t.SetInterval(100.0f);
    TEvent tick = Tick(350);
    EXPECT_FALSE(t.HandleEvent(nullptr, &tick)); // never consumed
    EXPECT_EQ(t.fired, 3);
    EXPECT_EQ(t.senders, (std::vector<TObject*>(3, &t)));
    EXPECT_FLOAT_EQ(t.GetElapsed(), 50.0f);
    TEvent other;
    other.SetType(evMouseMove);
    EXPECT_FALSE(t.HandleEvent(nullptr, &other));
    EXPECT_EQ(t.fired, 3);
    EXPECT_FALSE(t.HandleEvent(nullptr, nullptr));
    // Disabled, it keeps its count and resumes from it.
    t.SetFlags(TComp::kEnabled, false);
    tick = Tick(100);
    t.HandleEvent(nullptr, &tick);
    EXPECT_FLOAT_EQ(t.GetElapsed(), 50.0f);
    t.SetFlags(TComp::kEnabled, true);
    tick = Tick(60);
    t.HandleEvent(nullptr, &tick);
    EXPECT_EQ(t.fired, 4);
    EXPECT_FLOAT_EQ(t.GetElapsed(), 10.0f);
}

// Past 2^24 a float no longer moves by 1: a long tick (hours of a stalled
// clock) with a small interval once counted forever.
TEST(TimerCheck, ALongTickWithASmallIntervalFiresItsCountAndEnds) {
    struct Case {
        float interval;
        int32_t ms;
        int fired;
        float left;
    } cases[] = {
        {0.0f, 16777220, 16777220, 0.0f},
        {1.0f, 16777220, 16777219, 1.0f},
    };
    for (const Case& c : cases) {
        Recorder t;
        t.SetInterval(c.interval);
        TEvent tick = Tick(c.ms);
        t.HandleEvent(nullptr, &tick);
        EXPECT_EQ(t.fired, c.fired) << c.interval;
        EXPECT_FLOAT_EQ(t.GetElapsed(), c.left) << c.interval;
    }
}

// A handler that takes its timer out of use ends the tick's catch-up there:
// the firings still due go with a deleted timer, and wait in a disabled one.
TEST(TimerCheck, AFiringThatTakesTheTimerOutOfUseIsItsLastInThatTick) {
    struct Handler : TNamedObj {
        int Run(TObject*, TEvent*) {
            if (action) action();
            return 1;
        }
        std::function<void()> action;
    };
    struct Case {
        const char* name;
        std::function<void(Recorder&)> action;
        int fired;
        float elapsed;
    };
    const Case cases[] = {
        {"left in use", [](Recorder&) {}, 3, 50.0f},
        {"disabled", [](Recorder& t) { t.SetFlags(TComp::kEnabled, false); }, 1, 250.0f},
        {"detached", [](Recorder& t) { t.Detach(); }, 1, 250.0f},
        {"queued for deletion", [](Recorder& t) { DeleteLater(&t); }, 1, 250.0f},
        {"detached and queued",
         [](Recorder& t) {
             t.Detach();
             DeleteLater(&t);
         },
         1, 250.0f},
    };
    for (const Case& c : cases) {
        TComp parent;
        auto* t = new Recorder;
        t->SetInterval(100.0f);
        t->SetParent(&parent);
        Handler handler;
        handler.action = [&] { c.action(*t); };
        t->Add<Handler, &Handler::Run>(evTick, &handler);
        TEvent tick = Tick(350);
        t->HandleEvent(nullptr, &tick);
        EXPECT_EQ(t->fired, c.fired) << c.name;
        EXPECT_FLOAT_EQ(t->GetElapsed(), c.elapsed) << c.name;
        if (!(t->Flags() & TComp::kEnabled)) {
            // Enabled again, the next tick fires what was left.
            handler.action = nullptr;
            t->SetFlags(TComp::kEnabled, true);
            tick = Tick(0);
            t->HandleEvent(nullptr, &tick);
            EXPECT_EQ(t->fired, 3) << c.name;
        }
        DeleteLater(t);
        DrainDeleteLater();
    }
}

} // namespace
