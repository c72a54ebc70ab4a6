// The focus container and the modal loop, driven by input injected on the
// memory host and by ticks, on virtual time: what each step routes where,
// the key passes, focus walks, closing keys and the ways a loop ends.

#include "AppUi.h"
#include "RouteEvents.h"
#include "UiEvents.h"
#include "foundation/TKeys.h"
#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/User.h"
#include "ui/TCaptionBarBase.h"
#include "ui/TStatusBarBase.h"
#include "ui/TWinApp.h"

#include <cstring>
#include <memory>
#include <string>
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
    void Key(KeyCode key, std::vector<KeyCode> held = {}) { uitest::InjectStroke(key, held); }
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
    request.target = TEvent::WordOf(&plain);
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

// The focus container checked rule by rule: its built state, Show, where a
// modal step routes each event type, the idle wait, the key passes and keys,
// the focus requests, the targeted event, the window fields and bars, the
// window state and the drag handlers.
namespace {
namespace focuscheck {

using uitest::AppUiTest;
using uitest::KeyChild;
using uitest::TakeQueued;
using uitest::Word;

// Who got which event, with which sender; routing stops at the probe for the
// types it is told to hold.
struct Seen {
    int32_t type;
    const void* sender;
    uintptr_t extra;
};

struct ProbeApp : TWinApp {
    bool HandleEvent(TObject* sender, TEvent* event) override {
        if (event) seen.push_back({event->type, sender, event->extra});
        if (event && hold) return false;
        return TWinApp::HandleEvent(sender, event);
    }
    int Count(int32_t type) const {
        int n = 0;
        for (const Seen& s : seen)
            n += s.type == type;
        return n;
    }
    std::vector<Seen> seen;
    bool hold = false;
};

struct ProbeForm : TFocusCtl {
    bool HandleEvent(TObject* sender, TEvent* event) override {
        if (event) seen.push_back({event->type, sender, event->extra});
        if (event && hold) return false;
        return TFocusCtl::HandleEvent(sender, event);
    }
    void OnKeyDown(TEvent* e) override {
        ownKeys += char('0' + e->passState);
        TFocusCtl::OnKeyDown(e);
    }
    void OnFocusGained() override { hooks.push_back(+1); }
    void OnFocusLost() override { hooks.push_back(-1); }
    int Note(TObject* sender, TEvent* e) {
        notes.push_back({e->type, sender, 0});
        return 0;
    }
    std::vector<Seen> seen;
    std::string ownKeys;
    std::vector<int> hooks;
    std::vector<Seen> notes;
    bool hold = false;
};

struct ProbeCaption : TCaptionBarBase {
    void SetText(const char* t) override { text = t ? t : ""; }
    std::string text;
};

struct ProbeStatus : TStatusBarBase {
    void SetText(const char* t) override { text = t ? t : ""; }
    std::string text;
};

class FocusCheck : public AppUiTest<ProbeApp> {
protected:
    // A shown, enabled form under the application.
    void Place(ProbeForm& form) {
        form.SetRect(100, 100, 200, 150);
        form.TControl::Show(static_cast<TControl*>(&app));
        form.SetVisible(true);
        form.SetEnabled(true);
    }
    static TEvent Request(const TNamedObj* target, int32_t mode, int32_t kind, int32_t done = 0) {
        TEvent r;
        r.SetType(evFocus);
        r.target = Word(target);
        r.data[TControl::fwMode] = mode;
        r.data[TControl::fwKind] = kind;
        r.data[TControl::fwDone] = done;
        return r;
    }
};

// A new container is frameless, closed and unfocused: its bars stay hidden,
// a request for its focus and a key go past it, and no result stands yet.
// Shown, it asks for the focus and takes it.
TEST_F(FocusCheck, ANewContainerIsBareAndClosedUntilShown) {
    ProbeForm fresh;
    fresh.SetRect(100, 100, 200, 150);
    fresh.TControl::Show(static_cast<TControl*>(&app));
    ProbeCaption caption;
    ProbeStatus status;
    caption.SetVisible(true);
    status.SetVisible(true);
    fresh.SetCaptionBar(&caption);
    fresh.SetStatusBar(&status);
    fresh.Update();
    EXPECT_FALSE(caption.IsVisible());
    EXPECT_FALSE(status.IsVisible());
    TEvent request = Request(&fresh, TControl::fmThis, 1);
    fresh.HandleEvent(nullptr, &request);
    EXPECT_FALSE(fresh.IsFocused());
    TEvent key = uitest::KeyEvent(evKeyDown, 'a', 0, TControl::psFirst);
    EXPECT_FALSE(fresh.HandleEvent(nullptr, &key));
    EXPECT_TRUE(fresh.ownKeys.empty());
    EXPECT_EQ(fresh.GetModalResult(), 0);
    fresh.Show();
    testsupport::RoutePending(app);
    EXPECT_TRUE(fresh.IsFocused());
    EXPECT_TRUE(fresh.IsVisible());
    fresh.SetCaptionBar(nullptr);
    fresh.SetStatusBar(nullptr);
    fresh.Detach();
}

TEST_F(FocusCheck, ShowAsksForTheFocusOrComesToTheFrontThenPostsFrameAndShown) {
    ProbeForm back, front;
    Place(back);
    Place(front); // newest: at the front
    back.SetVisible(false);
    back.SetEnabled(false);
    Drain();
    EXPECT_GT(back.Show(), 0);
    EXPECT_TRUE(back.IsVisible());
    EXPECT_TRUE(back.IsEnabled());
    std::vector<TEvent> queued = TakeQueued();
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_EQ(queued[0].type, evFocus);
    EXPECT_EQ(queued[0].target, Word(&back));
    EXPECT_EQ(queued[0].data[TControl::fwMode], TControl::fmThis);
    EXPECT_EQ(queued[0].data[TControl::fwKind], 1);
    std::vector<TEvent> posted;
    for (TEvent e; TEventMgr::Global().Translate(&e), e.type != 0;)
        posted.push_back(e);
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].type, evPaint);
    EXPECT_EQ(posted[1].type, evShown);
    EXPECT_EQ(posted[1].target, Word(&back));
    // Not focusable: no request, brought to the front instead.
    auto frontmost = [&] {
        TComp* first = nullptr;
        app.WalkChildren(true, [&](TComp* c) { return (first = c), true; });
        return first;
    };
    EXPECT_EQ(frontmost(), &front);
    back.SetStyle(TControl::stDefault);
    back.Show();
    EXPECT_TRUE(TakeQueued().empty());
    EXPECT_EQ(frontmost(), &back);
}

// Where one modal step sends each type, and as whose event.
TEST_F(FocusCheck, ModalStepRoutesEachType) {
    ProbeForm modal;
    Place(modal);
    modal.hold = true;
    app.hold = true;
    struct Case {
        int32_t type;
        bool toApp;
    };
    const Case cases[] = {
        {evFocus, true},       {evQuit, true},     {evQueryEnd, true}, {evCloseRequest, true},
        {evCommand, false},    {evRadio, false},   {evUser24, false},  {evHidden, false},
        {evMouseEnter, false}, {evKeyDown, false}, {evLeftUp, false},  {evRegion, false},
    };
    for (const Case& c : cases) {
        app.seen.clear();
        modal.seen.clear();
        TEvent e;
        e.SetType(c.type);
        e.target = Word(&modal);
        TEventMgr::Global().QueueCopy(&e);
        EXPECT_TRUE(modal.ModalStep()) << c.type;
        const std::vector<Seen>& got = c.toApp ? app.seen : modal.seen;
        const std::vector<Seen>& other = c.toApp ? modal.seen : app.seen;
        ASSERT_EQ(got.size(), 1u) << c.type;
        EXPECT_EQ(got[0].type, c.type);
        EXPECT_EQ(got[0].sender, &modal) << c.type; // the modal control sends it
        EXPECT_TRUE(other.empty()) << c.type;
    }
}

TEST_F(FocusCheck, MovesCarryTheModalControlAndOnlyRealOnesMoveTheCursor) {
    ProbeForm modal;
    Place(modal);
    app.hold = true;
    TCursDev::Global().SetPos(1, 1);
    struct Case {
        int32_t x, y;
        bool synthetic;
        int32_t cursorX;
    };
    const Case cases[] = {{33, 44, true, 1}, {55, 66, false, 55}};
    for (const Case& c : cases) {
        app.seen.clear();
        TEvent move;
        move.SetType(evMouseMove);
        move.record.x = c.x;
        move.record.y = c.y;
        move.data[TControl::mwSynthetic] = c.synthetic;
        TEventMgr::Global().QueueCopy(&move);
        modal.ModalStep();
        ASSERT_EQ(app.seen.size(), 1u);
        EXPECT_EQ(app.seen[0].extra, Word(&modal));
        EXPECT_EQ(app.seen[0].sender, &modal);
        EXPECT_EQ(TCursDev::Global().GetPos().x, c.cursorX) << c.synthetic;
    }
}

TEST_F(FocusCheck, AFrameDropsTheOtherQueuedFrames) {
    app.hold = true;
    for (int i = 0; i < 3; ++i) {
        TEvent frame;
        frame.SetType(evPaint);
        TEventMgr::Global().Post(&frame);
    }
    EXPECT_TRUE(app.ModalStep());
    EXPECT_EQ(app.Count(evPaint), 1);
    EXPECT_FALSE(app.ModalStep());
}

// While an error box waits, ticks still give frames and moves but do not
// reach the tree.
TEST_F(FocusCheck, NoTicksReachTheApplicationWhileAnErrorBoxIsOpen) {
    struct BoxApp : ProbeApp {
        bool AskUser(const char*) override {
            depthSeen = ErrorDialogDepth();
            TEventMgr::Global().PostTick();
            while (ModalStep()) {
            }
            return false;
        }
        int32_t depthSeen = 0;
    };
    BoxApp boxApp;
    boxApp.SetPaths((dir.Path() / "adv").c_str());
    TGraphic::SetApplication(&boxApp);
    boxApp.hold = true;
    boxApp.OnError("ERROR: test");
    EXPECT_EQ(boxApp.depthSeen, 1);
    EXPECT_EQ(boxApp.Count(evTick), 0);
    EXPECT_EQ(boxApp.Count(evPaint), 1);
    EXPECT_EQ(boxApp.Count(evMouseMove), 1);
    // With no box open the tick reaches the application first.
    boxApp.seen.clear();
    TEventMgr::Global().PostTick();
    while (boxApp.ModalStep()) {
    }
    ASSERT_EQ(boxApp.seen.size(), 3u);
    EXPECT_EQ(boxApp.seen[0].type, evTick);
    TGraphic::SetApplication(&app);
}

// A step without an event waits for window input on the virtual clock: at
// most 10 ms without a tick, up to the tick with one.
TEST_F(FocusCheck, AnIdleStepWaitsForTheNextTickOrTenMilliseconds) {
    app.hold = true;
    uint32_t start = platform::ClockNow();
    EXPECT_FALSE(app.ModalStep());
    EXPECT_EQ(platform::ClockNow() - start, 10u);
    TEventMgr::Global().SetTimer(30);
    start = platform::ClockNow();
    int steps = 0;
    while (app.Count(evTick) == 0 && steps < 10) {
        app.ModalStep();
        ++steps;
    }
    EXPECT_EQ(app.Count(evTick), 1);
    EXPECT_LE(platform::ClockNow() - start, 30u);
    TEventMgr::Global().SetTimer(0);
}

// The passes of a key through a focused container with two children: the
// front child may answer in the first pass.
TEST_F(FocusCheck, KeyPassesByEntryStateAndChildAnswers) {
    struct Case {
        const char* what;
        int32_t entry;
        bool focused;
        int32_t frontAnswer;
        bool result;
        const char *front, *back, *own;
    };
    const std::vector<Case> cases = {
        {"nobody takes it", 1, true, 0, false, "12", "12", "3"},
        {"front child takes it", 1, true, 3, false, "12", "2", "3"},
        {"front child consumes", 1, true, 4, true, "1", "", ""},
        {"entering taken", 3, true, 0, false, "2", "2", "3"},
        {"parent's second pass", 2, true, 0, false, "", "", ""},
        {"already consumed", 4, true, 0, false, "", "", ""},
        {"not focused", 1, false, 0, false, "", "", ""},
    };
    for (const Case& c : cases) {
        ProbeForm form;
        Place(form);
        form.Add<ProbeForm, &ProbeForm::Note>(evKeyDown, &form);
        KeyChild back, front;
        back.TControl::Show(&form);
        front.TControl::Show(&form);
        if (c.focused) form.SetFocus(true);
        front.answer = c.frontAnswer;
        TEvent key;
        key.SetType(evKeyDown);
        key.data[TControl::kwKey] = 0x1E61;
        key.passState = c.entry;
        EXPECT_EQ(form.HandleEvent(nullptr, &key), c.result) << c.what;
        EXPECT_EQ(front.passes, c.front) << c.what;
        EXPECT_EQ(back.passes, c.back) << c.what;
        EXPECT_EQ(form.ownKeys, c.own) << c.what;
        // The handler table follows the container's own hook.
        EXPECT_EQ(form.notes.size(), std::strlen(c.own)) << c.what;
        back.Detach();
        front.Detach();
        form.Detach();
    }
}

// The container's own keys; the library's modifiers: Shift 0x10, Ctrl 0x20,
// Alt 0x40, tested with the masks 0x18, 0xA0 and 0x140.
TEST_F(FocusCheck, TabAndAltF4OnTheContainer) {
    struct Case {
        const char* what;
        intptr_t key;
        uint32_t modifiers;
        bool focusable, focused;
        bool consumed;
        int32_t queuedMode; // -1: no request queued
        bool closed;
    };
    const Case cases[] = {
        {"plain Tab", kKeyTab, 0, true, true, true, -1, false},
        {"Ctrl+Tab", kKeyTab, 0x20, true, true, true, TControl::fmNext, false},
        {"Alt+Tab", kKeyTab, 0x40, true, true, true, TControl::fmNext, false},
        {"Shift+Ctrl+Tab", kKeyTab, 0x30, true, true, true, TControl::fmPrevious, false},
        {"Ctrl+Tab unfocused", kKeyTab, 0x20, true, false, true, TControl::fmThis, false},
        {"Tab, high bits", 0x70F09, 0x20, true, true, true, TControl::fmNext, false},
        {"Tab not focusable", kKeyTab, 0x20, false, false, false, -1, false},
        {"Alt+F4", kKeyF4, 0x40, true, true, true, TControl::fmPrevious, true},
        {"Alt+F4 unfocused", kKeyF4, 0x40, true, false, false, -1, false},
        {"F4", kKeyF4, 0, true, true, false, -1, false},
        {"Ctrl+F4", kKeyF4, 0x20, true, true, false, -1, false},
    };
    for (const Case& c : cases) {
        ProbeForm form;
        Place(form);
        if (!c.focusable) form.SetStyle(TControl::stDefault);
        if (c.focused) form.SetFocus(true);
        TakeQueued();
        TEvent key;
        key.SetType(evKeyDown);
        key.data[TControl::kwKey] = c.key;
        key.record.modifiers = c.modifiers;
        key.passState = TControl::psTaken;
        form.OnKeyDown(&key);
        EXPECT_EQ(key.passState == TControl::psConsumed, c.consumed) << c.what;
        std::vector<TEvent> queued = TakeQueued();
        if (c.queuedMode < 0) {
            EXPECT_TRUE(queued.empty()) << c.what;
        } else {
            ASSERT_FALSE(queued.empty()) << c.what;
            EXPECT_EQ(queued[0].type, evFocus) << c.what;
            EXPECT_EQ(queued[0].target, Word(&form)) << c.what;
            EXPECT_EQ(queued[0].data[TControl::fwMode], c.queuedMode) << c.what;
            EXPECT_EQ(queued[0].data[TControl::fwKind], 1) << c.what;
        }
        EXPECT_EQ(!form.IsVisible() && !form.IsEnabled(), c.closed) << c.what;
        // The key's release: the same keys are consumed and nothing happens.
        if (c.closed) {
            form.Detach();
            Place(form);
            form.SetFocus(true);
            TakeQueued();
        }
        {
            key.passState = TControl::psTaken;
            key.SetType(evKeyUp);
            key.data[TControl::kwKey] = c.key;
            form.OnKeyUp(&key);
            EXPECT_EQ(key.passState == TControl::psConsumed, c.consumed) << c.what << " up";
            EXPECT_TRUE(TakeQueued().empty()) << c.what << " up";
            EXPECT_TRUE(form.IsVisible()) << c.what << " up";
        }
        form.Detach();
    }
}

// Focus requests offered straight to a container with no children.
TEST_F(FocusCheck, FocusRequestsOfferedToAContainer) {
    ProbeForm other;
    struct Case {
        const char* what;
        bool targetSelf, nullTarget;
        int32_t mode, kind, done;
        bool focusedBefore, focusable, shown;
        bool result, focusedAfter;
        int32_t modeAfter, doneAfter;
        bool retargeted;
    };
    const Case cases[] = {
        {"null target", false, true, 3, 1, 0, true, true, true, false, true, 3, 0, false},
        {"done for another", false, false, 3, 1, 1, true, true, true, false, false, 3, 1, false},
        {"done, kind 2", false, false, 3, 2, 1, true, true, true, false, true, 3, 1, false},
        {"done for itself", true, false, 3, 1, 1, true, true, true, false, true, 3, 1, false},
        {"search", false, false, 2, 0, 0, false, true, true, true, true, 3, 1, true},
        {"search, kind 2", false, false, 2, 2, 0, false, true, true, false, false, 2, 0, false},
        {"search, hidden", false, false, 2, 1, 0, false, true, false, false, false, 2, 0, false},
        {"search, not focusable", false, false, 2, 1, 0, false, false, true, false, false, 2, 0,
         false},
        {"this", true, false, 3, 1, 0, false, true, true, true, true, 3, 1, false},
        {"this, not focusable", true, false, 3, 0, 0, false, false, true, true, false, 3, 0, false},
        {"this, hidden", true, false, 3, 0, 0, false, true, false, true, false, 3, 0, false},
        {"this, kind 2", true, false, 3, 2, 0, false, true, true, false, false, 3, 0, false},
        {"next from itself", true, false, 0, 1, 0, true, true, true, false, true, 2, 0, false},
        {"previous from itself", true, false, 1, 1, 0, true, true, true, false, true, 2, 0, false},
        {"mode 5 for itself", true, false, 5, 1, 0, true, true, true, false, true, 5, 0, false},
        {"for another, hidden", false, false, 3, 1, 0, true, true, false, false, true, 3, 0, false},
        {"for another, nobody", false, false, 3, 1, 0, true, true, true, false, false, 3, 0, false},
    };
    for (const Case& c : cases) {
        ProbeForm form;
        Place(form);
        if (c.focusedBefore) form.SetFocus(true);
        if (!c.focusable) form.SetStyle(TControl::stDefault);
        if (!c.shown) form.SetVisible(false);
        TEvent r =
            Request(c.targetSelf ? static_cast<TNamedObj*>(&form) : &other, c.mode, c.kind, c.done);
        if (c.nullTarget) r.target = 0;
        EXPECT_EQ(form.HandleEvent(nullptr, &r), c.result) << c.what;
        EXPECT_EQ(form.IsFocused(), c.focusedAfter) << c.what;
        EXPECT_EQ(r.data[TControl::fwMode], c.modeAfter) << c.what;
        EXPECT_EQ(r.data[TControl::fwDone], c.doneAfter) << c.what;
        EXPECT_EQ(r.target == Word(&form), c.retargeted || c.targetSelf) << c.what;
        form.Detach();
    }
}

// "Next after the front form": the search passes the end of the list and
// wraps round to the form before it; the parent takes the focus along.
TEST_F(FocusCheck, ANextRequestWrapsToTheFirstContainer) {
    ProbeForm parent, first, second;
    Place(parent);
    for (ProbeForm* f : {&second, &first}) {
        f->TControl::Show(&parent);
        f->SetVisible(true);
        f->SetEnabled(true);
    }
    TEvent r = Request(&second, TControl::fmNext, 1);
    r.data[TControl::fwDirection] = 1;
    // From the front: `first` sees a request for another, `second` turns it
    // into a search at the end of the list, the second walk gives it to `first`.
    EXPECT_TRUE(parent.HandleEvent(nullptr, &r));
    EXPECT_TRUE(first.IsFocused());
    EXPECT_FALSE(second.IsFocused());
    EXPECT_TRUE(parent.IsFocused());
    EXPECT_EQ(r.target, Word(&parent));
    EXPECT_EQ(r.data[TControl::fwMode], TControl::fmThis);
    EXPECT_EQ(r.data[TControl::fwKind], 1);
    EXPECT_EQ(r.data[TControl::fwDone], 1);
    // The others drop their focus when the done request comes round again.
    TEvent back = Request(&first, TControl::fmPrevious, 0);
    back.data[TControl::fwDirection] = 1;
    second.SetFocus(true);
    EXPECT_TRUE(parent.HandleEvent(nullptr, &back));
    EXPECT_EQ(int(first.IsFocused()) + int(second.IsFocused()), 1);
}

TEST_F(FocusCheck, SetFocusNotifiesAndComesToTheFront) {
    ProbeForm back, front;
    Place(back);
    Place(front);
    back.Add<ProbeForm, &ProbeForm::Note>(TControl::evFocusGained, &back);
    back.Add<ProbeForm, &ProbeForm::Note>(TControl::evFocusLost, &back);
    back.Invalidate(false);
    back.SetFocus(true);
    EXPECT_TRUE(back.IsFocused());
    EXPECT_EQ(back.hooks, std::vector<int>{1});
    ASSERT_EQ(back.notes.size(), 1u);
    EXPECT_EQ(back.notes[0].type, TControl::evFocusGained);
    EXPECT_EQ(back.notes[0].sender, &back);
    EXPECT_TRUE(back.IsDirty());
    TComp* first = nullptr;
    app.WalkChildren(true, [&](TComp* c) { return (first = c), true; });
    EXPECT_EQ(first, &back);
    // Unchanged: nothing told. Lost: hook and event 33.
    back.SetFocus(true);
    EXPECT_EQ(back.notes.size(), 1u);
    back.SetFocus(false);
    EXPECT_EQ(back.hooks, (std::vector<int>{1, -1}));
    ASSERT_EQ(back.notes.size(), 2u);
    EXPECT_EQ(back.notes[1].type, TControl::evFocusLost);
    // Without the focusable bit the focus is refused.
    back.SetStyle(TControl::stDefault);
    back.SetFocus(true);
    EXPECT_FALSE(back.IsFocused());
    back.Detach();
    front.Detach();
}

TEST_F(FocusCheck, TargetedEventsGoToTheTargetsSubtree) {
    ProbeForm form;
    Place(form);
    KeyChild a, b;
    a.TControl::Show(&form);
    b.TControl::Show(&form);
    struct Case {
        const char* what;
        uintptr_t target;
        int32_t pass;
        bool bTakes;
        bool result;
        size_t aSeen, bSeen;
        int32_t passAfter;
    };
    const Case cases[] = {
        {"passed already", Word(&form), 3, false, false, 0, 0, 3},
        {"null target", 0, 0, false, false, 0, 0, 0},
        {"to itself", Word(&form), 0, false, true, 1, 1, 4},
        {"to a child, taken by the front one", Word(&b), 0, true, true, 0, 1, 0},
        {"to a child, nobody takes it", Word(&a), 0, false, false, 1, 1, 0},
    };
    for (const Case& c : cases) {
        a.passes.clear();
        b.passes.clear();
        b.take = c.bTakes;
        TEvent e;
        e.SetType(evRadio);
        e.target = c.target;
        e.passState = c.pass;
        EXPECT_EQ(form.HandleEvent(nullptr, &e), c.result) << c.what;
        EXPECT_EQ(a.passes.size(), c.aSeen) << c.what;
        EXPECT_EQ(b.passes.size(), c.bSeen) << c.what;
        EXPECT_EQ(e.passState, c.passAfter) << c.what;
        if (c.target == Word(&form) && c.result) {
            EXPECT_EQ(a.passes[0], '3');
        }
    }
    a.Detach();
    b.Detach();
    form.Detach();
}

TEST_F(FocusCheck, CloseAndHideLeaveTheFocusAndEndInvisible) {
    struct Case {
        bool close;
        bool focused;
        bool enabledAfter;
    };
    const Case cases[] = {{true, true, false}, {false, true, true}, {true, false, false}};
    for (const Case& c : cases) {
        ProbeForm form;
        Place(form);
        if (c.focused) form.SetFocus(true);
        TakeQueued();
        if (c.close)
            form.Close();
        else
            form.Hide();
        EXPECT_FALSE(form.IsVisible()) << c.close;
        EXPECT_EQ(form.IsEnabled(), c.enabledAfter) << c.close;
        std::vector<TEvent> queued = TakeQueued();
        ASSERT_EQ(queued.size(), c.focused ? 1u : 0u) << c.close;
        if (c.focused) {
            EXPECT_EQ(queued[0].target, Word(&form));
            EXPECT_EQ(queued[0].data[TControl::fwMode], TControl::fmPrevious);
            EXPECT_EQ(queued[0].data[TControl::fwKind], 1);
        }
        form.Detach();
    }
}

// A close request (19) disables the container and is not taken.
TEST_F(FocusCheck, ACloseRequestDisablesTheContainer) {
    ProbeForm form;
    Place(form);
    TEvent quit;
    quit.SetType(evQuit);
    EXPECT_FALSE(form.HandleEvent(nullptr, &quit));
    EXPECT_FALSE(form.IsEnabled());
    EXPECT_FALSE(form.HandleEvent(nullptr, nullptr));
    form.Detach();
}

// A result left from an earlier loop does not end the next one; an error
// answered with stop ends it with 3.
TEST_F(FocusCheck, ShowModalStartsWithNoResultAndEndsOnAStopAnswer) {
    struct Stopper : ProbeApp {
        bool AskUser(const char*) override {
            ++asked;
            return true;
        }
        int asked = 0;
    } stopper;
    stopper.SetPaths((dir.Path() / "adv").c_str());
    TGraphic::SetApplication(&stopper);
    TError::SetCallback(&stopper, [](void* owner, const char* text) -> int {
        return static_cast<TWinApp*>(owner)->OnError(text) ? 1 : 0;
    });
    ProbeForm form;
    Place(form);
    form.SetFocus(true);
    form.EndModal(5);
    struct Raiser {
        int OnTick(TObject*, TEvent*) {
            TError::Raise(9, nullptr, nullptr, "Test", 1);
            return 0;
        }
    } raiser;
    form.Add<Raiser, &Raiser::OnTick>(evKeyDown, &raiser);
    platform::InjectKey(platform::KeyCode::A, true);
    platform::InjectKey(platform::KeyCode::A, false);
    EXPECT_EQ(form.ShowModal(), TFocusCtl::kNoResult);
    EXPECT_EQ(stopper.asked, 1);
    EXPECT_FALSE(form.IsVisible());
    TError::SetCallback(nullptr, nullptr);
    TGraphic::SetApplication(&app);
    form.Detach();
}

// The layout hook shows the bars that the frame style has and pushes the
// form's state into them.
TEST_F(FocusCheck, UpdateShowsTheBarsOfTheStyle) {
    struct Case {
        int32_t style, state;
        bool caption, status;
        int32_t grip;
    };
    const Case cases[] = {
        {0, 0, false, false, 0}, {1, 0, false, false, 0}, {2, 0, false, false, 0},
        {3, 0, true, false, 0},  {4, 0, true, true, 0},   {5, 0, true, true, 1},
        {5, 1, true, true, 0},   {6, 0, false, false, 0},
    };
    for (const Case& c : cases) {
        ProbeForm form;
        Place(form);
        ProbeCaption caption;
        ProbeStatus status;
        form.SetCaptionBar(&caption);
        form.SetStatusBar(&status);
        form.SetTitle("Title");
        form.SetStatusText("Ready");
        form.SetCaptionButtons(21);
        form.SetFocus(true);
        form.SetFrameStyle(c.style);
        if (c.state) form.SetWindowState(c.state);
        caption.text.clear();
        status.text.clear();
        form.Update();
        EXPECT_EQ(caption.IsVisible(), c.caption) << c.style;
        EXPECT_EQ(caption.IsEnabled(), c.caption) << c.style;
        EXPECT_EQ(status.IsVisible(), c.status) << c.style;
        EXPECT_EQ(status.IsEnabled(), c.status) << c.style;
        EXPECT_EQ(status.GetSizeGrip(), c.grip) << c.style << "/" << c.state;
        EXPECT_EQ(caption.text, c.caption ? "Title" : "") << c.style;
        EXPECT_EQ(status.text, c.status ? "Ready" : "") << c.style;
        if (c.caption) {
            EXPECT_EQ(caption.GetButtons(), 21u);
            EXPECT_EQ(caption.GetActive(), 1);
        }
        form.SetCaptionBar(nullptr);
        form.SetStatusBar(nullptr);
        form.Detach();
    }
}

// Setters of the window fields: changes invalidate, texts and buttons go
// straight to the bars that exist.
TEST_F(FocusCheck, WindowFieldSetters) {
    TFocusCtl form;
    ProbeCaption caption;
    ProbeStatus status;
    form.Invalidate(false);
    form.SetFrameStyle(0);
    EXPECT_FALSE(form.IsDirty());
    form.SetFrameStyle(4);
    EXPECT_TRUE(form.IsDirty());
    form.Invalidate(false);
    form.SetCaptionBar(&caption);
    EXPECT_TRUE(form.IsDirty());
    form.Invalidate(false);
    form.SetStatusBar(&status);
    EXPECT_TRUE(form.IsDirty());
    form.SetTitle("Hello");
    form.SetStatusText("World");
    form.SetCaptionButtons(17);
    EXPECT_EQ(caption.text, "Hello");
    EXPECT_EQ(status.text, "World");
    EXPECT_EQ(caption.GetButtons(), 17u);
    EXPECT_EQ(std::string(form.GetTitle().c_str()), "Hello");
    EXPECT_EQ(form.GetCaptionButtons(), 17u);
}

TEST_F(FocusCheck, WindowStatesSaveAndRestore) {
    TFocusCtl form;
    form.SetExtent({0, 0, 640, 480});
    TRectArea r;
    form.SetRect(10, 20, 100, 50);
    // Another state keeps the geometry but saves the rectangle.
    form.SetWindowState(2);
    EXPECT_EQ(form.GetBounds(r), (TRectArea{10, 20, 110, 70}));
    EXPECT_EQ(form.GetSavedRect(), (TRectArea{10, 20, 110, 70}));
    // Leaving it for maximized saves nothing new.
    form.SetWindowState(1);
    EXPECT_EQ(form.GetBounds(r), (TRectArea{0, 0, 640, 480}));
    EXPECT_EQ(form.GetSavedRect(), (TRectArea{10, 20, 110, 70}));
    form.Invalidate(false);
    form.SetWindowState(1); // unchanged: nothing
    EXPECT_FALSE(form.IsDirty());
    form.SetWindowState(0);
    EXPECT_TRUE(form.IsDirty());
    EXPECT_EQ(form.GetBounds(r), (TRectArea{10, 20, 110, 70}));
    EXPECT_EQ(form.GetWindowState(), 0);
}

TEST_F(FocusCheck, DragHandlers) {
    struct Case {
        int32_t dx, dy;
        int32_t width, height; // after a size drag from 100 x 50
    };
    const Case cases[] = {
        {5, 7, 105, 57},
        {-99, -49, 1, 1},
        {-100, -50, 100, 50},
        {-150, 3, 100, 53},
    };
    for (const Case& c : cases) {
        TFocusCtl form;
        form.SetRect(10, 10, 100, 50);
        TEvent move;
        move.SetType(evMouseMove);
        move.data[TControl::mwDx] = c.dx;
        move.data[TControl::mwDy] = c.dy;
        EXPECT_EQ(form.OnDragSize(nullptr, &move), 0);
        EXPECT_EQ(form.GetWidth(), c.width) << c.dx;
        EXPECT_EQ(form.GetHeight(), c.height) << c.dy;
        EXPECT_EQ(form.OnDragMove(nullptr, &move), 0);
        EXPECT_EQ(form.GetX(), 10 + c.dx);
        EXPECT_EQ(form.GetY(), 10 + c.dy);
    }
    // Other events move nothing and are not taken.
    TFocusCtl form;
    form.SetRect(10, 10, 100, 50);
    TEvent click;
    click.SetType(evLeftDown);
    click.data[TControl::mwDx] = 5;
    EXPECT_EQ(form.OnDragMove(nullptr, &click), 0);
    EXPECT_EQ(form.OnDragSize(nullptr, &click), 0);
    EXPECT_EQ(form.GetX(), 10);
    EXPECT_EQ(form.GetWidth(), 100);
}

} // namespace focuscheck
} // namespace
