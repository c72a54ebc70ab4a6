// Components deleted from inside their own handlers, through one step of the
// modal loop: each is queued (DeleteLater) by the handler and freed after the
// step, while the routing that called the handler still walks over it.
#include "AppUi.h"
#include "UiEvents.h"

#include "foundation/TDeleteQueue.h"
#include "foundation/TRef.h"
#include "foundation/TTimer.h"
#include "ui/TTextButton.h"
#include "ui/TWinApp.h"
#include "ui/TWinForm.h"

#include <functional>

namespace {

using namespace uitest;

// Calls `action` from a handler; the handler answers `answer`.
struct Action : TNamedObj {
    int Run(TObject*, TEvent*) {
        ++runs;
        if (action) action();
        return answer;
    }
    std::function<void()> action;
    int runs = 0;
    int answer = 0;
};

class DeleteLaterTest : public AppUiTest<TWinApp> {
protected:
    // A visible, enabled box under the application, taking clicks and hover.
    Box* NewBox() {
        auto* box = new Box;
        box->SetRect(10, 10, 50, 50);
        box->SetStyle(TControl::stCountPresses | TControl::stHandleClicks | TControl::stTrackHover);
        box->Show(&app);
        box->SetVisible(true);
        Layout();
        return box;
    }
    // The layout pass of a frame from the application: geometry for hits.
    void Layout() {
        TEvent e;
        e.SetType(evPaint);
        for (int32_t which = 0; which < 4; ++which)
            TGraphic::SetPaintRect(&e, which, {0, 0, kWidth, kHeight});
        TGraphic::SetPaintPhase(&e, TGraphic::phLayout);
        app.HandleEvent(nullptr, &e);
    }
    // Queues `e` alone and runs the application's loop until it is idle.
    void Step(TEvent e) {
        Drain();
        TEventMgr::Global().QueueCopy(&e);
        for (int guard = 0; guard < 20 && app.ModalStep(); ++guard) {
        }
    }

    Action handler;
};

// Press, release and enter handlers that hide and queue their own control.
TEST_F(DeleteLaterTest, AControlDeletedInItsOwnPressReleaseOrEnterHandler) {
    const int32_t types[] = {evLeftDown, evLeftUp, evMouseEnter};
    for (int32_t type : types) {
        Box* box = NewBox();
        const TRef<Box> ref(box);
        box->Add<Action, &Action::Run>(type, &handler);
        handler.runs = 0;
        handler.action = [box] {
            box->Hide();
            DeleteLater(box);
        };
        TCursDev::Global().SetPos(20, 20);
        if (type == evLeftUp) Step(MouseEvent(evLeftDown, 20, 20)); // counted press first
        Step(MouseEvent(type == evMouseEnter ? evMouseMove : type, 20, 20));
        EXPECT_EQ(handler.runs, 1) << type;
        EXPECT_EQ(ref.Get(), nullptr) << type; // freed after the step
    }
}

// A button's command handler deletes the form that holds it, and a form's
// own close handler deletes the form.
TEST_F(DeleteLaterTest, FormsDeletedFromTheirButtonsAndTheirOwnClose) {
    for (bool byButton : {true, false}) {
        auto* form = new TWinForm;
        form->SetRect(100, 100, 200, 150);
        form->Open(&app);
        form->TFocusCtl::Show();
        auto* button = new TTextButton;
        button->SetRect(10, 10, 60, 20);
        button->Show(form);
        button->SetVisible(true);
        Layout();
        const TRef<TWinForm> formRef(form);
        const TRef<TTextButton> buttonRef(button);
        handler.runs = 0;
        handler.action = [form, button, byButton] {
            if (byButton) form->TFocusCtl::Close(); // else it is closing already
            button->Hide();
            DeleteLater(form);
            DeleteLater(button);
        };
        TEvent e;
        if (byButton) {
            button->Add<Action, &Action::Run>(evCommand, &handler);
            e.SetType(evCommand);
            e.target = Word(button);
        } else {
            form->Add<Action, &Action::Run>(evCloseRequest, &handler);
            e.SetType(evCloseRequest);
            e.target = Word(form);
        }
        Step(e);
        EXPECT_EQ(handler.runs, 1) << byButton;
        EXPECT_EQ(formRef.Get(), nullptr) << byButton;
        EXPECT_EQ(buttonRef.Get(), nullptr) << byButton;
    }
}

// A tick long enough for several firings: the timer goes from its first
// firing and keeps counting down its catch-up until the step ends.
TEST_F(DeleteLaterTest, ATimerDeletedInItsOwnHandler) {
    auto* timer = new TTimer;
    timer->SetInterval(10.0f);
    timer->SetParent(&app);
    const TRef<TTimer> ref(timer);
    timer->Add<Action, &Action::Run>(evTick, &handler);
    handler.action = [timer] {
        timer->Detach();
        DeleteLater(timer);
    };
    TEvent tick;
    tick.SetType(evTick);
    tick.data[0] = 35;
    Step(tick);
    EXPECT_GE(handler.runs, 1);
    EXPECT_EQ(ref.Get(), nullptr);
}

// The handler's own object goes too, at once: it queues the timer and then
// deletes itself. The rest of the tick's catch-up finds the target gone and
// calls nothing; the timer is freed after the step.
TEST_F(DeleteLaterTest, ATimerWhoseTargetDeletesTheTimerAndItself) {
    struct Target : TNamedObj {
        int Run(TObject*, TEvent*) {
            ++*runs;
            timer->Detach();
            DeleteLater(timer);
            delete this; // touches nothing of itself after this line
            return 0;
        }
        TTimer* timer = nullptr;
        int* runs = nullptr;
    };
    auto* timer = new TTimer;
    timer->SetInterval(10.0f);
    timer->SetParent(&app);
    const TRef<TTimer> ref(timer);
    int runs = 0;
    auto* target = new Target;
    target->timer = timer;
    target->runs = &runs;
    timer->Add<Target, &Target::Run>(evTick, target);
    TEvent tick;
    tick.SetType(evTick);
    tick.data[0] = 35; // three firings due
    Step(tick);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(ref.Get(), nullptr);
}

// A step inside a handler (a nested modal loop) leaves what was queued
// before it alone, whether the handler runs in a step of the outer loop or
// its event was handed straight to the tree (no outer step at all); the
// next drain outside every handler frees it.
TEST_F(DeleteLaterTest, ANestedStepDoesNotFreeWhatTheOuterStepQueued) {
    for (bool direct : {false, true}) {
        Box* box = NewBox();
        const TRef<Box> ref(box);
        bool aliveAfterNested = false;
        box->Add<Action, &Action::Run>(evCommand, &handler);
        handler.action = [&] {
            box->Hide();
            DeleteLater(box);
            TEvent inner;
            inner.SetType(evUser24);
            TEventMgr::Global().QueueCopy(&inner);
            app.ModalStep();
            aliveAfterNested = ref.Get() != nullptr;
        };
        TEvent e;
        e.SetType(evCommand);
        e.target = Word(box);
        if (direct) {
            app.HandleEvent(&app, &e);
            EXPECT_NE(ref.Get(), nullptr);
            DrainDeleteLater();
        } else {
            Step(e);
        }
        EXPECT_TRUE(aliveAfterNested) << direct;
        EXPECT_EQ(ref.Get(), nullptr) << direct;
    }
}

} // namespace
