// The focus container and the modal loop, driven by input injected on the
// memory host and by ticks, on virtual time: what each step routes where,
// the key passes, focus walks, closing keys and the ways a loop ends.
#include "UiFixture.h"

#include "foundation/TKeys.h"
#include "platform/Clock.h"
#include "platform/Host.h"
#include "ui/TWinApp.h"

#include <memory>
#include <vector>

namespace {

using platform::KeyCode;
using uitest::TakeQueued;
using uitest::UiTest;

// The application, counting the events that reach it by type.
struct ProbeApp : TWinApp {
    bool HandleEvent(TObject* sender, TEvent* event) override {
        if (event) {
            seen.push_back(event->type);
            if (event->type == evMouseMove) synthetic.push_back(event->data[mwSynthetic] != 0);
        }
        return TWinApp::HandleEvent(sender, event);
    }
    int Count(int32_t type) const { return int(std::count(seen.begin(), seen.end(), type)); }
    std::vector<int32_t> seen;
    std::vector<bool> synthetic;
};

// A control that records the pass state its key hook sees; it can consume.
struct KeyProbe : TControl {
    KeyProbe() { SetStyle(stFocusable | stDefault); }
    void OnKeyDown(TEvent* e) override {
        passes.push_back(e->passState);
        if (consume) e->passState = psConsumed;
    }
    std::vector<int32_t> passes;
    bool consume = false;
};

struct Focusable : TControl {
    Focusable() { SetStyle(stFocusable | stDefault); }
};

struct ProbeForm : TWinForm {
    void OnKeyDown(TEvent* e) override {
        passes.push_back(e->passState);
        TWinForm::OnKeyDown(e);
    }
    std::vector<int32_t> passes;
};

class Modal : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        TEventMgr::Global().InitQueue(display.GetWindow());
        TGraphic::SetApplication(&app);
        app.Open(nullptr);
    }
    void TearDown() override {
        TEventMgr::Global().SetTimer(0);
        TakeQueued();
        FlushQueue();
        UiTest::TearDown();
    }
    static void FlushQueue() {
        TEvent e;
        for (int guard = 0; guard < 2000; ++guard) {
            TEventMgr::Global().Translate(&e);
            if (e.type == 0) break;
        }
    }
    // Runs the loop of `modal` until a step finds nothing to do.
    void Settle(TFocusCtl& modal) {
        for (int guard = 0; guard < 500 && modal.ModalStep(); ++guard) {
        }
    }
    void Key(KeyCode key, std::initializer_list<KeyCode> held = {}) {
        for (KeyCode k : held)
            platform::InjectKey(k, true);
        platform::InjectKey(key, true);
        platform::InjectKey(key, false);
        for (KeyCode k : held)
            platform::InjectKey(k, false);
    }
    // A modal form over the application, shown and settled.
    void ShowForm(TFocusCtl& form) {
        form.SetRect(100, 100, 200, 150);
        form.Show(static_cast<TControl*>(&app));
        form.Show();
        Settle(form);
    }
    ProbeApp app;
};

TEST_F(Modal, TenTicksGiveOnePaint) {
    app.Show();
    Settle(app);
    app.seen.clear();
    for (int i = 0; i < 10; ++i)
        TEventMgr::Global().PostTick();
    Settle(app);
    EXPECT_EQ(app.Count(evTick), 10);
    EXPECT_EQ(app.Count(evPaint), 1);
    EXPECT_EQ(app.Count(evMouseMove), 10);
}

TEST_F(Modal, ATickGivesAFrameAndASyntheticMove) {
    app.Show();
    Settle(app);
    app.seen.clear();
    app.synthetic.clear();
    TEventMgr::Global().SetTimer(50);
    // The idle wait moves the virtual clock to the tick.
    for (int guard = 0; guard < 20 && app.Count(evTick) == 0; ++guard)
        app.ModalStep();
    TEventMgr::Global().SetTimer(0);
    Settle(app);
    EXPECT_EQ(app.seen, (std::vector<int32_t>{evTick, evPaint, evMouseMove}));
    EXPECT_EQ(app.synthetic, std::vector<bool>{true});
}

TEST_F(Modal, ARealMoveIsMarkedWithTheModalControl) {
    struct Mover : TControl {
        void OnMouseMove(TEvent*) override { ++moves; }
        int moves = 0;
    } outside;
    outside.SetStyle(TControl::stReportMoves | TControl::stTrackHover);
    outside.SetRect(0, 0, 50, 50);
    outside.Show(static_cast<TControl*>(&app));
    app.Show();
    Settle(app);
    ProbeForm form;
    ShowForm(form);
    platform::InjectMouseMove(display.GetWindow(), 10, 10);
    Settle(form);
    // Outside the modal form's subtree neither hover nor move hooks.
    EXPECT_FALSE(outside.IsInside());
    EXPECT_EQ(outside.moves, 0);
    EXPECT_EQ(TCursDev::Global().GetPos().x, 10);
}

TEST_F(Modal, KeysPassTheFocusedControlThenEveryControlThenTheContainer) {
    app.Show();
    Settle(app);
    ProbeForm form;
    KeyProbe focused, other;
    focused.SetRect(0, 0, 20, 20);
    other.SetRect(30, 0, 20, 20);
    ShowForm(form);
    focused.Show(&form);
    other.Show(&form);
    focused.SetFocus(true);
    ASSERT_TRUE(form.IsFocused());

    Key(KeyCode::A);
    Settle(form);
    EXPECT_EQ(focused.passes, (std::vector<int32_t>{3, 2}));
    EXPECT_EQ(other.passes, (std::vector<int32_t>{2}));
    EXPECT_EQ(form.passes, (std::vector<int32_t>{3}));

    // A key the focused control consumes goes nowhere else.
    focused.passes.clear();
    other.passes.clear();
    form.passes.clear();
    focused.consume = true;
    Key(KeyCode::B);
    Settle(form);
    EXPECT_EQ(focused.passes, (std::vector<int32_t>{3}));
    EXPECT_TRUE(other.passes.empty());
    EXPECT_TRUE(form.passes.empty());
}

TEST_F(Modal, TabWalksTheControlsAndWrapsAround) {
    app.Show();
    Settle(app);
    ProbeForm form;
    Focusable a, b, c;
    ShowForm(form);
    int x = 0;
    for (Focusable* p : {&a, &b, &c}) {
        p->SetRect(x, 0, 20, 20);
        x += 30;
        p->Show(&form);
    }
    c.SetFocus(true);
    struct Step {
        std::initializer_list<KeyCode> held;
        Focusable* focused;
    };
    const Step steps[] = {
        {{}, &a},                   // past the last, back to the first
        {{}, &b},                   //
        {{KeyCode::LeftShift}, &a}, // back
        {{KeyCode::LeftShift}, &c}, // before the first, round to the last
        {{KeyCode::LeftShift}, &b}, //
    };
    for (const Step& s : steps) {
        Key(KeyCode::Tab, s.held);
        Settle(form);
        for (Focusable* p : {&a, &b, &c})
            EXPECT_EQ(p->IsFocused(), p == s.focused) << (p == &a ? "a" : p == &b ? "b" : "c");
        EXPECT_TRUE(form.IsFocused());
    }
}

TEST_F(Modal, CtrlTabAsksForTheNextContainerAndPlainTabOnlyConsumes) {
    ProbeForm form;
    form.SetRect(0, 0, 100, 100);
    form.Show(static_cast<TControl*>(&app));
    form.SetVisible(true);
    form.SetEnabled(true);
    form.SetFocus(true);
    TakeQueued();
    struct Case {
        uint32_t modifiers;
        bool queued;
        int32_t mode;
    };
    const Case cases[] = {
        {0, false, 0},
        {0xA0, true, TControl::fmNext},
        {0xA0 | 0x18, true, TControl::fmPrevious},
        {0x140, true, TControl::fmNext},
    };
    for (const Case& c : cases) {
        TEvent tab;
        tab.SetType(evKeyDown);
        tab.data[TControl::kwKey] = kKeyTab;
        tab.record.modifiers = c.modifiers;
        form.OnKeyDown(&tab);
        EXPECT_EQ(tab.passState, TControl::psConsumed);
        std::vector<TEvent> queued = TakeQueued();
        ASSERT_EQ(queued.size(), c.queued ? 1u : 0u) << c.modifiers;
        if (!c.queued) continue;
        EXPECT_EQ(queued[0].type, evFocus);
        EXPECT_EQ(queued[0].data[TControl::fwKind], 1);
        EXPECT_EQ(queued[0].data[TControl::fwMode], c.mode);
    }
}

// Tab with Ctrl from the keyboard (no character) switches forms as Tab with
// Alt (which types one) does, and Shift takes the way back.
TEST_F(Modal, CtrlOrAltTabFromTheKeyboardSwitchesForms) {
    app.Show();
    Settle(app);
    ProbeForm a, b;
    ShowForm(a);
    ShowForm(b);
    ASSERT_TRUE(b.IsFocused());
    struct Step {
        std::initializer_list<KeyCode> held;
        ProbeForm* focused;
    };
    const Step steps[] = {
        {{KeyCode::LeftCtrl}, &a},
        {{KeyCode::LeftCtrl}, &b},
        {{KeyCode::LeftAlt}, &a},
        {{KeyCode::LeftCtrl, KeyCode::LeftShift}, &b},
    };
    for (const Step& s : steps) {
        Key(KeyCode::Tab, s.held);
        Settle(app);
        EXPECT_EQ(a.IsFocused(), s.focused == &a);
        EXPECT_EQ(b.IsFocused(), s.focused == &b);
    }
}

// A page run modally over a form hands the focus back to the form when it
// ends, also when its caller takes it out of the tree right after its loop.
TEST_F(Modal, FocusReturnsToTheFormBelowAModalPage) {
    struct Page : TWinForm {
        bool HandleEvent(TObject* sender, TEvent* event) override {
            if (event && event->type == evShown) EndModal(7);
            return TWinForm::HandleEvent(sender, event);
        }
    };
    app.Show();
    Settle(app);
    for (bool detach : {false, true}) {
        ProbeForm form;
        ShowForm(form);
        ASSERT_TRUE(form.IsFocused());
        Page page;
        page.SetRect(120, 120, 100, 100);
        page.Show(static_cast<TControl*>(&app));
        EXPECT_EQ(page.ShowModal(), 7);
        EXPECT_FALSE(form.IsFocused());
        if (detach) page.Detach();
        Settle(app);
        EXPECT_TRUE(form.IsFocused()) << detach;
        if (!detach) {
            EXPECT_FALSE(page.IsFocused());
        }
    }
}

TEST_F(Modal, AltF4ClosesTheFocusedFormAndEndsItsLoop) {
    app.Show();
    Settle(app);
    ProbeForm form;
    form.SetRect(100, 100, 200, 150);
    form.Show(static_cast<TControl*>(&app));
    Key(KeyCode::F4, {KeyCode::LeftAlt});
    EXPECT_EQ(form.ShowModal(), TFocusCtl::kNoResult);
    EXPECT_FALSE(form.IsVisible());
    EXPECT_FALSE(form.IsEnabled());
}

TEST_F(Modal, EndModalEndsTheLoopWithItsResultButZeroGoesOn) {
    app.Show();
    Settle(app);
    struct Ender : TWinForm {
        int OnTick(TObject*, TEvent*) {
            ++ticks;
            EndModal(ticks == 1 ? 0 : 7);
            return 0;
        }
        int ticks = 0;
    } form;
    form.Add<Ender, &Ender::OnTick>(evTick, &form);
    form.SetRect(100, 100, 200, 150);
    form.Show(static_cast<TControl*>(&app));
    // Ticks reach the tree through the application.
    TEventMgr::Global().SetTimer(20);
    EXPECT_EQ(form.ShowModal(), 7);
    EXPECT_EQ(form.ticks, 2);
    EXPECT_FALSE(form.IsVisible());
}

TEST_F(Modal, AHandlerHidingItsContainerEndsTheLoop) {
    app.Show();
    Settle(app);
    struct Hider : TWinForm {
        int OnTick(TObject*, TEvent*) {
            Hide();
            return 0;
        }
    } form;
    form.Add<Hider, &Hider::OnTick>(evTick, &form);
    form.SetRect(100, 100, 200, 150);
    form.Show(static_cast<TControl*>(&app));
    TEventMgr::Global().SetTimer(20);
    EXPECT_EQ(form.ShowModal(), TFocusCtl::kNoResult);
    EXPECT_FALSE(form.IsVisible());
}

TEST_F(Modal, ACloseRequestDisablesTheApplicationAndEndsTheMainLoop) {
    platform::InjectCloseButton(display.GetWindow());
    EXPECT_EQ(app.ShowModal(), TFocusCtl::kNoResult);
    EXPECT_FALSE(app.IsEnabled());
    EXPECT_GE(app.Count(evQuit), 1);
}

// Closing the application closes its forms; a form's close handler that
// deletes itself and a sibling the walk has not reached yet leaves the walk
// on its feet.
TEST_F(Modal, ACloseHandlerDeletingFormsMidWalk) {
    struct Doomed : TWinForm {
        int Closing(TObject*, TEvent*) {
            ++*closes;
            if (victim) delete victim->release();
            delete self->release();
            return 0;
        }
        std::unique_ptr<Doomed>* self = nullptr;
        std::unique_ptr<Doomed>* victim = nullptr;
        int* closes = nullptr;
    };
    int closes = 0;
    std::unique_ptr<Doomed> first(new Doomed), second(new Doomed);
    KeyProbe survivor;
    for (auto* f : {&first, &second}) {
        (*f)->self = f;
        (*f)->closes = &closes;
        (*f)->SetRect(10, 10, 100, 100);
        (*f)->Show(static_cast<TControl*>(&app));
        (*f)->Add<Doomed, &Doomed::Closing>(evCloseRequest, f->get());
    }
    survivor.Show(&app);
    // The walk goes from the front: `second` first, and it takes `first` along.
    second->victim = &first;
    app.Show();
    Settle(app);
    app.TFocusCtl::Close(); // as the main loop ends
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(first);
    EXPECT_FALSE(second);
    EXPECT_EQ(app.ChildCount(), 1);
}

TEST_F(Modal, ASearchThatFindsNobodyDropsTheContainersFocus) {
    ProbeForm form;
    KeyProbe plain;
    plain.SetStyle(TControl::stDefault); // not focusable
    form.SetRect(0, 0, 100, 100);
    form.Show(static_cast<TControl*>(&app));
    plain.Show(&form);
    form.SetVisible(true);
    form.SetEnabled(true);
    form.SetFocus(true);
    TEvent request;
    request.SetType(evFocus);
    // "Next after `plain`" turns into a search that finds nobody twice over.
    request.target = reinterpret_cast<uintptr_t>(&plain);
    request.data[TControl::fwMode] = TControl::fmNext;
    request.data[TControl::fwKind] = 0;
    EXPECT_FALSE(form.HandleEvent(nullptr, &request));
    EXPECT_FALSE(form.IsFocused());
}

TEST_F(Modal, WindowStateKeepsTheRectangleToRestore) {
    TFocusCtl form;
    form.SetExtent({0, 0, 640, 480});
    struct Case {
        TRectArea before;
        TRectArea restored;
    };
    const Case cases[] = {
        {{10, 20, 110, 70}, {10, 20, 110, 70}},
        {{10, 20, 10, 70}, {0, 0, 640, 480}}, // zero width: nothing to restore
    };
    for (const Case& c : cases) {
        form.SetRect(c.before.left, c.before.top, c.before.right - c.before.left,
                     c.before.bottom - c.before.top);
        form.SetWindowState(TFocusCtl::wsMaximized);
        TRectArea r;
        EXPECT_EQ(form.GetBounds(r), (TRectArea{0, 0, 640, 480}));
        // A drag while maximized is taken and moves nothing.
        TEvent drag;
        drag.SetType(evMouseMove);
        drag.data[TControl::mwDx] = 5;
        EXPECT_EQ(form.OnDragMove(nullptr, &drag), 1);
        form.SetWindowState(TFocusCtl::wsNormal);
        EXPECT_EQ(form.GetBounds(r), c.restored);
        EXPECT_EQ(form.OnDragMove(nullptr, &drag), 0);
        EXPECT_EQ(form.GetBounds(r).left, c.restored.left + 5);
    }
}

} // namespace
