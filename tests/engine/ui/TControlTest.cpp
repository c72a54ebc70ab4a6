// Controls driven by input injected on the memory host and turned into engine
// events by the event manager: hover, presses, keys, focus requests, commands
// and property changes.

#include "InputUi.h"
#include "UiEvents.h"
#include "foundation/TKeys.h"
#include "media/resources/TCursorRes.h"
#include "media/resources/TFontRes.h"
#include "platform/Host.h"
#include "foundation/TTimer.h"

namespace {

using platform::KeyCode;
using platform::MouseButton;
using uitest::Box;
using uitest::InputUiTest;
using uitest::TakeQueued;

// A box that counts its hooks and the events its own handlers hear.
struct Probe : Box {
    Probe() {
        for (int32_t type : {int32_t(evMouseEnter), int32_t(evMouseLeave), int32_t(evLeftDown),
                             int32_t(evLeftUp), int32_t(evMouseMove), int32_t(evCommand)})
            Add<Probe, &Probe::Heard>(type, this);
    }
    int Heard(TObject*, TEvent* e) {
        ++heard[e->type];
        return 0;
    }
    void OnLeftUp(TEvent*) override { ++upHooks; }
    void OnMouseMove(TEvent*) override { ++moveHooks; }
    int heard[40] = {};
    int upHooks = 0, moveHooks = 0;
};

class Control : public InputUiTest {
protected:
    void SetUp() override {
        InputUiTest::SetUp();
        Route();
    }
    HWND Window() { return display.GetWindow(); }
    void MoveTo(int x, int y) {
        platform::InjectMouseMove(Window(), x, y);
        Route();
    }
    void Button(bool down, int x, int y) {
        platform::InjectMouseButton(Window(), MouseButton::Left, down, x, y);
        Route();
    }
};

TEST_F(Control, OneHoverWinnerInFrontAndChildBeforeParent) {
    Probe back, front, child;
    back.SetStyle(TControl::stTrackHover);
    front.SetStyle(TControl::stTrackHover);
    child.SetStyle(TControl::stTrackHover);
    back.SetRect(0, 0, 200, 200);
    front.SetRect(100, 100, 200, 200);
    child.SetRect(10, 10, 20, 20); // (110, 110) to (130, 130) on the screen
    back.Show(&root);
    front.Show(&root);
    child.Show(&front);
    Frame();
    struct Step {
        int x, y;
        bool back, front, child;
    };
    const Step steps[] = {
        {50, 50, true, false, false},   {150, 150, false, true, false},
        {120, 120, false, false, true}, {150, 150, false, true, false},
        {50, 50, true, false, false},   {500, 400, false, false, false},
    };
    for (const Step& s : steps) {
        MoveTo(s.x, s.y);
        EXPECT_EQ(back.IsInside(), s.back) << s.x;
        EXPECT_EQ(front.IsInside(), s.front) << s.x;
        EXPECT_EQ(child.IsInside(), s.child) << s.x;
    }
    // Every enter had its leave.
    for (Probe* p : {&back, &front, &child})
        EXPECT_EQ(p->heard[evMouseEnter], p->heard[evMouseLeave]);
    EXPECT_EQ(back.heard[evMouseEnter], 2);
    EXPECT_EQ(front.heard[evMouseEnter], 2);
    child.Detach();
    front.Detach();
    back.Detach();
}

TEST_F(Control, AReleaseOutsideReachesTheHookButNotTheHandlers) {
    Probe p;
    p.SetStyle(TControl::stCountPresses | TControl::stHandleClicks);
    p.SetRect(100, 100, 50, 50);
    p.Show(&root);
    Frame();
    MoveTo(120, 120);
    Button(true, 120, 120);
    EXPECT_EQ(p.GetPresses(0), 1);
    MoveTo(300, 300); // a held press: the move reaches the hook outside too
    EXPECT_EQ(p.moveHooks, 1);
    Button(false, 300, 300);
    EXPECT_EQ(p.upHooks, 1);
    EXPECT_EQ(p.heard[evLeftUp], 0);
    EXPECT_EQ(p.GetPresses(0), 0);
    // Inside, the handlers hear it too; without a press no move is reported.
    MoveTo(120, 120);
    EXPECT_EQ(p.moveHooks, 1);
    Button(true, 120, 120);
    MoveTo(125, 125);
    EXPECT_EQ(p.moveHooks, 2);
    Button(false, 125, 125);
    EXPECT_EQ(p.upHooks, 2);
    EXPECT_EQ(p.heard[evLeftUp], 1);
    // A release that no press counted passes on.
    Button(false, 125, 125);
    EXPECT_EQ(p.upHooks, 2);
    p.Detach();
}

// A control whose release handler hides it (a menu opened over it) loses
// its counted press with the hiding; shown again, a press and release over
// its child are the child's alone.
TEST_F(Control, AReleaseThatHidesTheControlLeavesNoPressBehind) {
    struct Hiding : Probe {
        int Hide(TObject*, TEvent*) {
            SendHide();
            return 0;
        }
    } parent;
    Probe child;
    for (Probe* p : {static_cast<Probe*>(&parent), &child})
        p->SetStyle(TControl::stCountPresses | TControl::stHandleClicks);
    parent.Add<Hiding, &Hiding::Hide>(evLeftUp, &parent);
    parent.SetRect(100, 100, 100, 100);
    child.SetRect(50, 50, 20, 20);
    parent.Show(&root);
    child.Show(&parent);
    Frame();
    MoveTo(110, 110);
    Button(true, 110, 110);
    Button(false, 110, 110);
    EXPECT_EQ(parent.heard[evLeftUp], 1);
    EXPECT_EQ(parent.GetPresses(0), 0);
    parent.ShowNow();
    Frame();
    MoveTo(160, 160);
    Button(true, 160, 160);
    Button(false, 160, 160);
    EXPECT_EQ(child.heard[evLeftUp], 1);
    EXPECT_EQ(parent.heard[evLeftUp], 1) << "the child's release is not the parent's";
    EXPECT_EQ(parent.GetPresses(0), 0);
    child.Detach();
    parent.Detach();
}

TEST_F(Control, APressAsksForTheFocusAndTheRequestFocusesTheControl) {
    Probe p;
    p.SetStyle(TControl::stCountPresses | TControl::stFocusable);
    p.SetRect(100, 100, 50, 50);
    p.Show(&root);
    Frame();
    MoveTo(120, 120);
    platform::InjectMouseButton(Window(), MouseButton::Left, true, 120, 120);
    std::vector<TEvent> routed = Route();
    ASSERT_EQ(routed.size(), 2u);
    EXPECT_EQ(routed[0].type, evLeftDown);
    EXPECT_EQ(routed[0].target, TEvent::WordOf(&p));
    EXPECT_EQ(routed[1].type, evFocus);
    EXPECT_EQ(routed[1].data[TControl::fwMode], TControl::fmThis);
    EXPECT_TRUE(p.IsFocused());
    Button(false, 120, 120);
    p.Detach();
}

TEST_F(Control, AHeldButtonsRepeatsReachTheHandlersUncounted) {
    Probe p;
    p.SetStyle(TControl::stCountPresses | TControl::stHandleClicks | TControl::stFocusable);
    p.SetRect(100, 100, 50, 50);
    p.Show(&root);
    Frame();
    MoveTo(120, 120);
    Button(true, 120, 120);
    EXPECT_EQ(p.GetPresses(0), 1);
    platform::ClockAdvance(7); // the first repeat's delay
    std::vector<TEvent> routed = Route();
    ASSERT_EQ(routed.size(), 1u); // no focus request
    EXPECT_EQ(routed[0].type, evLeftDown);
    EXPECT_EQ(routed[0].data[TControl::mwPressClaim], 1);
    EXPECT_EQ(p.heard[evLeftDown], 2);
    EXPECT_EQ(p.GetPresses(0), 1);
    Button(false, 120, 120);
    EXPECT_EQ(p.GetPresses(0), 0);
    EXPECT_EQ(p.heard[evLeftUp], 1);
    static_assert(sizeof(TEvent::extra) == sizeof(void*), "the modal owner is an object");
    p.Detach();
}

TEST_F(Control, TabAsksForTheFocusWalk) {
    struct Case {
        bool focused;
        std::vector<KeyCode> held;
        bool consumed;
        int32_t mode;
    };
    const Case cases[] = {
        {false, {}, true, TControl::fmThis},
        {true, {}, true, TControl::fmNext},
        {true, {KeyCode::LeftShift}, true, TControl::fmPrevious},
        {true, {KeyCode::LeftAlt}, false, 0},
        {true, {KeyCode::LeftCtrl}, false, 0},
        {true, {KeyCode::RightCtrl}, false, 0},
    };
    Probe p;
    p.SetStyle(TControl::stFocusable);
    p.SetRect(0, 0, 10, 10);
    p.Show(&root);
    Frame();
    for (const Case& c : cases) {
        p.Focus(c.focused);
        for (KeyCode k : c.held)
            platform::InjectKey(k, true);
        Route();
        platform::InjectKey(KeyCode::Tab, true);
        platform::InjectKey(KeyCode::Tab, false);
        // Each key as the loop hands it to its container, the root.
        TEvent down, up;
        ASSERT_EQ(TEventMgr::Global().Translate(&down), 1);
        root.HandleEvent(&root, &down);
        const std::vector<TEvent> queued = TakeQueued();
        ASSERT_EQ(TEventMgr::Global().Translate(&up), 1);
        root.HandleEvent(&root, &up);
        // The control's own request, or with Alt or Ctrl none: the container
        // takes the key and asks for the next container instead.
        EXPECT_EQ(down.passState, TControl::psConsumed) << c.mode;
        ASSERT_EQ(queued.size(), 1u);
        EXPECT_EQ(queued[0].type, evFocus);
        const TComp* asking = c.consumed ? static_cast<TComp*>(&p) : &root;
        EXPECT_EQ(queued[0].target, TEvent::WordOf(asking));
        EXPECT_EQ(queued[0].data[TControl::fwKind], c.consumed ? 2 : 1);
        if (c.consumed) {
            EXPECT_EQ(queued[0].data[TControl::fwMode], c.mode);
        }
        for (KeyCode k : c.held)
            platform::InjectKey(k, false);
        Route();
    }
    p.Detach();
}

TEST_F(Control, DisabledControlsSwallowPressesOnlyWhenTheyTakeThem) {
    struct Case {
        uint32_t style;
        bool swallowed;
    };
    const Case cases[] = {
        {TControl::stDefault, false},
        {TControl::stCountPresses, true},
        {TControl::stHandleClicks, true},
        {TControl::stTrackHover, true},
        {TControl::stReportMoves | TControl::stFocusable, false},
    };
    Probe behind, front;
    behind.SetStyle(TControl::stCountPresses);
    behind.SetRect(0, 0, 200, 200);
    front.SetRect(50, 50, 50, 50);
    behind.Show(&root);
    front.Show(&root);
    Frame();
    MoveTo(60, 60);
    for (const Case& c : cases) {
        front.SetStyle(c.style);
        front.SetEnabled(false);
        Button(true, 60, 60);
        EXPECT_EQ(behind.GetPresses(0), c.swallowed ? 0 : 1) << c.style;
        Button(false, 60, 60);
        EXPECT_EQ(behind.GetPresses(0), 0);
    }
    front.Detach();
    behind.Detach();
}

TEST_F(Control, ASyntheticMoveChangesTheHoverButCallsNoMoveHook) {
    Probe p;
    p.SetStyle(TControl::stTrackHover | TControl::stReportMoves);
    p.SetRect(100, 100, 50, 50);
    p.Show(&root);
    Frame();
    MoveTo(110, 110);
    EXPECT_TRUE(p.IsInside());
    EXPECT_EQ(p.moveHooks, 1);
    p.SetPos(300, 300);
    Frame();
    TEvent synthetic;
    synthetic.SetType(evProperty);
    synthetic.data[0] = TControl::pcMove;
    TEventMgr::Global().QueueCopy(&synthetic);
    std::vector<TEvent> routed = Route();
    ASSERT_EQ(routed.size(), 1u);
    EXPECT_EQ(routed[0].type, evMouseMove);
    EXPECT_EQ(routed[0].data[TControl::mwSynthetic], 1);
    EXPECT_FALSE(p.IsInside());
    EXPECT_EQ(p.heard[evMouseLeave], 1);
    EXPECT_EQ(p.moveHooks, 1);
    p.Detach();
}

TEST_F(Control, OnlyTheModalOwnersSubtreeHearsMoves) {
    Probe owner, inner, outside;
    for (Probe* p : {&owner, &inner, &outside})
        p->SetStyle(TControl::stTrackHover | TControl::stReportMoves);
    owner.SetRect(0, 0, 200, 200);
    inner.SetRect(0, 0, 100, 100);
    outside.SetRect(300, 0, 100, 100);
    owner.Show(&root);
    inner.Show(&owner);
    outside.Show(&root);
    Frame();
    struct Step {
        int x;
        bool innerInside, outsideInside;
    };
    for (const Step& s : {Step{50, true, false}, Step{350, false, false}}) {
        TEvent move;
        move.SetType(evMouseMove);
        move.record.x = s.x;
        move.record.y = 50;
        move.extra = TEvent::WordOf(&owner);
        root.HandleEvent(nullptr, &move);
        EXPECT_EQ(move.extra, TEvent::WordOf(&owner));
        EXPECT_EQ(inner.IsInside(), s.innerInside) << s.x;
        EXPECT_EQ(outside.IsInside(), s.outsideInside) << s.x;
    }
    EXPECT_EQ(inner.moveHooks, 1);
    EXPECT_EQ(outside.moveHooks, 0);
    outside.Detach();
    inner.Detach();
    owner.Detach();
}

TEST_F(Control, CommandsReachTheirTargetUnlessItIsDisabled) {
    Probe p;
    p.SetRect(0, 0, 10, 10);
    p.Show(&root);
    TEvent command;
    command.SetType(evCommand);
    command.target = TEvent::WordOf(&p);
    EXPECT_TRUE(root.HandleEvent(nullptr, &command));
    EXPECT_EQ(p.heard[evCommand], 1);
    p.SetEnabled(false);
    EXPECT_TRUE(p.HandleEvent(&root, &command)); // swallowed without its hook
    EXPECT_EQ(p.heard[evCommand], 1);
    p.Detach();
}

TEST_F(Control, CursorAndFontFlowDownFromTheParent) {
    Probe parent, child;
    parent.Show(&root);
    child.Show(&parent);
    // Never loaded: the controls only keep them.
    TMetaCur cursorShape, otherShape;
    TFontRes fontRes;
    TMetaCur* cursor = &cursorShape;
    TFontRes* font = &fontRes;
    parent.SetCursor(cursor);
    parent.SetFont(font);
    std::vector<TEvent> routed = Route();
    ASSERT_EQ(routed.size(), 2u);
    EXPECT_EQ(routed[0].type, evProperty);
    EXPECT_EQ(routed[0].passState, 4);
    EXPECT_EQ(child.GetCursor(), cursor);
    EXPECT_EQ(child.GetFont(), font);
    child.SetCursor(nullptr); // set: no longer inherited
    Route();
    parent.SetCursor(&otherShape);
    Route();
    EXPECT_EQ(child.GetCursor(), nullptr);
    TCursDev::Global().SetCursorRes(nullptr, 0);
    child.Detach();
    parent.Detach();
}

} // namespace

// Rule by rule checks of the control: defaults and setters, hit testing,
// presses and releases by style, moves, key passes and Tab, commands, focus
// requests and the order of the focus walk, property changes, showing and
// hiding; and timers fed by ticks routed through the tree.
namespace {
namespace controlcheck {

using platform::KeyCode;
using uitest::Box;
using uitest::TakeQueued;
using uitest::UiTest;
using uitest::Word;

// A control that counts its hooks and what its own handlers hear.
struct Probe : Box {
    Probe() {
        for (int32_t type = 1; type < 40; ++type)
            Add<Probe, &Probe::Heard>(type, this);
    }
    int Heard(TObject*, TEvent* e) {
        ++heard[e->type];
        return 0;
    }
    void OnLeftDown(TEvent*) override { ++downs; }
    void OnLeftUp(TEvent*) override { ++ups; }
    void OnRightDown(TEvent*) override { ++rightDowns; }
    void OnMouseMove(TEvent*) override { ++moves; }
    void OnMouseEnter(TEvent*) override { ++enters; }
    void OnMouseLeave(TEvent*) override { ++leaves; }
    void OnCommand(TEvent*) override { ++commands; }
    void OnFocusGained() override { ++gained; }
    void OnFocusLost() override { ++lost; }
    void OnKeyDown(TEvent* e) override {
        ++keyDowns;
        if (consumeKeys) e->passState = 4;
        Box::OnKeyDown(e);
    }
    uint32_t Flags() const { return flags_; }
    void ClearFlags(uint32_t mask) { flags_ &= ~mask; }
    void SetPresses(int32_t n) { presses_[0] = presses_[1] = presses_[2] = n; }
    void SetInside(bool on) { inside_ = on; }
    int heard[40] = {};
    int downs = 0, ups = 0, rightDowns = 0, moves = 0, enters = 0, leaves = 0, commands = 0;
    int gained = 0, lost = 0, keyDowns = 0;
    bool consumeKeys = false;
};

TEvent Mouse(int32_t type, int32_t x, int32_t y) {
    return uitest::MouseEvent(type, x, y);
}

using uitest::KeyEvent;

class ControlCheck : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        TEventMgr::Global().InitQueue(display.GetWindow());
    }
    void Route() { testsupport::RoutePending(root); }
    // Lays the control out at a screen rectangle under the root.
    void Place(TControl& c, TRectArea r, TControl* parent = nullptr) {
        c.SetRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
        c.Show(parent ? parent : &root);
        Frame();
    }
    void Key(KeyCode key, std::vector<KeyCode> held = {}) {
        uitest::InjectStroke(key, held);
        Route();
    }
};

TEST_F(ControlCheck, ABuiltControlAndItsPlainSetters) {
    Probe c;
    EXPECT_EQ(c.GetStyle(), 32u);
    EXPECT_FALSE(c.IsFocused());
    EXPECT_EQ(c.GetCursor(), nullptr);
    EXPECT_EQ(c.GetFont(), nullptr);
    EXPECT_TRUE(c.GetHint() == "");
    for (int b = 0; b < 3; ++b)
        EXPECT_EQ(c.GetPresses(b), 0);
    EXPECT_FALSE(c.IsInside());
    EXPECT_FALSE(c.IsShown());
    // The style invalidates only when it changes.
    c.ClearFlags(TComp::kDirty | TComp::kRedraw);
    c.SetStyle(32);
    EXPECT_FALSE(c.IsDirty());
    c.SetStyle(TControl::stFocusable);
    EXPECT_TRUE(c.IsDirty());
    // SetVisible clears the pointer state and does not invalidate.
    c.ClearFlags(TComp::kDirty | TComp::kRedraw);
    c.SetPresses(2);
    c.SetInside(true);
    c.SetVisible(true); // unchanged: nothing
    EXPECT_EQ(c.GetPresses(0), 2);
    c.SetVisible(false);
    EXPECT_EQ(c.GetPresses(0), 0);
    EXPECT_FALSE(c.IsInside());
    EXPECT_FALSE(c.IsVisible());
    EXPECT_FALSE(c.IsDirty());
    // SetEnabled invalidates on a change only.
    c.SetEnabled(true);
    EXPECT_FALSE(c.IsDirty());
    c.SetEnabled(false);
    EXPECT_FALSE(c.IsEnabled());
    EXPECT_TRUE(c.IsDirty());
    c.SetHint("a hint");
    EXPECT_TRUE(c.GetHint() == "a hint");
}

TEST_F(ControlCheck, FocusIsHeldOnlyByFocusableControlsAndAnnouncedOnce) {
    Probe c;
    c.SetFocus(true); // style 32: not focusable
    EXPECT_FALSE(c.IsFocused());
    EXPECT_EQ(c.gained, 0);
    c.SetStyle(TControl::stFocusable);
    c.ClearFlags(TComp::kDirty | TComp::kRedraw);
    c.Focus(true);
    c.SetFocus(true);
    EXPECT_TRUE(c.IsFocused());
    EXPECT_EQ(c.gained, 1);
    EXPECT_EQ(c.heard[TControl::evFocusGained], 1);
    EXPECT_TRUE(c.IsDirty());
    c.SetFocus(false);
    c.SetFocus(false);
    EXPECT_EQ(c.lost, 1);
    EXPECT_EQ(c.heard[TControl::evFocusLost], 1);
    // Update drops the focus silently when the control may no longer hold it.
    struct Case {
        const char* name;
        void (*change)(Probe& c);
        bool focused;
    };
    const Case cases[] = {
        {"unchanged", [](Probe& c) { c.Invalidate(true); }, true},
        {"disabled", [](Probe& c) { c.SetEnabled(false); }, false},
        {"no longer focusable", [](Probe& c) { c.SetStyle(TControl::stCountPresses); }, false},
    };
    for (const Case& k : cases) {
        Probe p;
        p.SetStyle(TControl::stFocusable);
        p.SetFocus(true);
        k.change(p);
        p.Update();
        EXPECT_EQ(p.IsFocused(), k.focused) << k.name;
        EXPECT_EQ(p.lost, 0) << k.name;
        EXPECT_EQ(p.heard[TControl::evFocusLost], 0) << k.name;
    }
    // Update clears the counters of a control that does not count presses,
    // and of an invisible one the inside flag as well.
    Probe counting;
    counting.SetStyle(TControl::stCountPresses);
    counting.SetPresses(1);
    counting.SetInside(true);
    counting.Invalidate(true);
    counting.Update();
    EXPECT_EQ(counting.GetPresses(0), 1);
    counting.SetStyle(TControl::stHandleClicks);
    counting.Update();
    EXPECT_EQ(counting.GetPresses(0), 0);
    EXPECT_TRUE(counting.IsInside());
    counting.SetFlags(TComp::kVisible, false);
    counting.Invalidate(true);
    counting.Update();
    EXPECT_FALSE(counting.IsInside());
}

TEST_F(ControlCheck, HitTestNeedsBothTheScreenAndTheVisibleRectangle) {
    Probe parent, c;
    Place(parent, {100, 100, 200, 200});
    Place(c, {50, 50, 150, 150}, &parent); // on the screen (150, 150) to (250, 250)
    struct Case {
        int32_t x, y;
        bool hit;
    };
    const Case cases[] = {
        {150, 150, true},  {199, 199, true},  {200, 199, false}, // clipped by the parent
        {199, 200, false}, {149, 160, false}, {160, 149, false},
    };
    for (const Case& k : cases)
        EXPECT_EQ(c.HitTest(k.x, k.y), k.hit) << k.x << "," << k.y;
}

TEST_F(ControlCheck, PressesByStyleAndState) {
    struct Case {
        const char* name;
        uint32_t style;
        bool enabled, visible, pointer, claimed;
        int32_t x;
        bool taken;
        int hooks, presses, focusRequests;
    };
    using S = TControl::Style;
    const Case cases[] = {
        {"style 32 passes on", 32, true, true, true, false, 20, false, 0, 0, 0},
        {"reports moves: passes on", S::stReportMoves, true, true, true, false, 20, false, 0, 0, 0},
        {"focusable alone: passes on", S::stFocusable, true, true, true, false, 20, false, 0, 0, 0},
        {"count presses", S::stCountPresses, true, true, true, false, 20, true, 0, 1, 1},
        {"handle clicks", S::stHandleClicks, true, true, true, false, 20, true, 1, 0, 1},
        {"track hover takes presses", S::stTrackHover, true, true, true, false, 20, true, 0, 0, 1},
        {"claimed: not counted, no focus", S::stCountPresses | S::stHandleClicks, true, true, true,
         true, 20, true, 1, 0, 0},
        {"outside", S::stCountPresses, true, true, true, false, 80, false, 0, 0, 0},
        {"invisible", S::stCountPresses, true, false, true, false, 20, false, 0, 0, 0},
        {"pointer hidden", S::stCountPresses, true, true, false, false, 20, false, 0, 0, 0},
        {"disabled, style 0: passes on", 0, false, true, true, false, 20, false, 0, 0, 0},
        {"disabled, count: swallowed", S::stCountPresses, false, true, true, false, 20, true, 0, 0,
         0},
        {"disabled, clicks: swallowed", S::stHandleClicks, false, true, true, false, 20, true, 0, 0,
         0},
        {"disabled, hover: swallowed", S::stTrackHover, false, true, true, false, 20, true, 0, 0,
         0},
    };
    for (const Case& k : cases) {
        Probe c;
        c.SetStyle(k.style);
        Place(c, {10, 10, 50, 50});
        c.SetEnabled(k.enabled);
        c.SetFlags(TComp::kVisible, k.visible);
        TCursDev::Global().SetVisible(k.pointer);
        TakeQueued();
        TEvent down = Mouse(evLeftDown, k.x, 20);
        down.data[TControl::mwPressClaim] = k.claimed;
        EXPECT_EQ(c.HandleEvent(nullptr, &down), k.taken) << k.name;
        EXPECT_EQ(c.downs, k.hooks) << k.name;
        EXPECT_EQ(c.heard[evLeftDown], k.hooks) << k.name;
        EXPECT_EQ(c.GetPresses(0), k.presses) << k.name;
        EXPECT_EQ(down.target, k.focusRequests ? Word(&c) : 0u) << k.name;
        std::vector<TEvent> queued = TakeQueued();
        EXPECT_EQ(int(queued.size()), k.focusRequests) << k.name;
        for (const TEvent& q : queued) {
            EXPECT_EQ(q.type, evFocus);
            EXPECT_EQ(q.target, Word(&c));
            EXPECT_EQ(q.data[TControl::fwKind], 0);
            EXPECT_EQ(q.data[TControl::fwMode], TControl::fmThis);
        }
        TCursDev::Global().SetVisible(true);
    }
    // Each button has its own counter and hook; children are asked first.
    Probe parent, child;
    parent.SetStyle(TControl::stCountPresses | TControl::stHandleClicks);
    child.SetStyle(TControl::stCountPresses);
    Place(parent, {100, 100, 200, 200});
    Place(child, {0, 0, 50, 50}, &parent);
    TEvent right = Mouse(evRightDown, 150, 150);
    EXPECT_TRUE(parent.HandleEvent(nullptr, &right));
    EXPECT_EQ(parent.rightDowns, 1);
    EXPECT_EQ(parent.GetPresses(1), 1);
    EXPECT_EQ(parent.GetPresses(0), 0);
    TEvent onChild = Mouse(evLeftDown, 110, 110);
    EXPECT_TRUE(parent.HandleEvent(nullptr, &onChild));
    EXPECT_EQ(child.GetPresses(0), 1);
    EXPECT_EQ(parent.downs, 0);
    EXPECT_EQ(onChild.target, Word(&child));
    TakeQueued();
}

TEST_F(ControlCheck, ReleasesComeBackToTheCountingControl) {
    struct Case {
        const char* name;
        int32_t presses;
        bool enabled, visible, pointer;
        int32_t x;
        bool taken;
        int hooks, handlers;
        int32_t pressesAfter;
    };
    const Case cases[] = {
        {"inside", 1, true, true, true, 20, true, 1, 1, 0},
        {"outside: the hook, not the handlers", 1, true, true, true, 80, true, 1, 0, 0},
        {"two presses: one falls", 2, true, true, true, 20, true, 1, 1, 1},
        {"disabled: taken without hooks", 1, false, true, true, 20, true, 0, 0, 0},
        {"no press, disabled", 0, false, true, true, 20, false, 0, 0, 0},
        {"no press: passes on", 0, true, true, true, 20, false, 0, 0, 0},
        {"invisible: the count is dropped", 2, true, false, true, 20, false, 0, 0, 0},
        {"pointer hidden: likewise", 2, true, true, false, 20, false, 0, 0, 0},
    };
    for (const Case& k : cases) {
        Probe c;
        c.SetStyle(TControl::stCountPresses | TControl::stHandleClicks);
        Place(c, {10, 10, 50, 50});
        c.SetPresses(k.presses);
        c.SetEnabled(k.enabled);
        c.SetFlags(TComp::kVisible, k.visible);
        TCursDev::Global().SetVisible(k.pointer);
        TEvent up = Mouse(evLeftUp, k.x, 20);
        EXPECT_EQ(c.HandleEvent(nullptr, &up), k.taken) << k.name;
        EXPECT_EQ(c.ups, k.hooks) << k.name;
        EXPECT_EQ(c.heard[evLeftUp], k.handlers) << k.name;
        EXPECT_EQ(c.GetPresses(0), k.pressesAfter) << k.name;
        EXPECT_EQ(up.target, k.presses && k.visible && k.pointer ? Word(&c) : 0u) << k.name;
        TCursDev::Global().SetVisible(true);
    }
}

TEST_F(ControlCheck, MovesHoverReportAndLeaveTheModalOwnerWordAsTheyFoundIt) {
    Probe c;
    c.SetStyle(TControl::stTrackHover | TControl::stReportMoves);
    Place(c, {10, 10, 50, 50});
    TEvent move = Mouse(evMouseMove, 20, 20);
    EXPECT_FALSE(c.HandleEvent(nullptr, &move));
    EXPECT_TRUE(c.IsInside());
    EXPECT_EQ(move.data[TControl::mwHoverClaim], 1);
    EXPECT_EQ(c.enters, 1);
    EXPECT_EQ(c.heard[evMouseEnter], 1);
    EXPECT_EQ(c.heard[TControl::evHint], 1);
    EXPECT_EQ(c.moves, 1); // reports moves while inside
    // A move already claimed by a control in front makes this one leave.
    TEvent claimed = Mouse(evMouseMove, 20, 20);
    claimed.data[TControl::mwHoverClaim] = 1;
    c.HandleEvent(nullptr, &claimed);
    EXPECT_FALSE(c.IsInside());
    EXPECT_EQ(c.leaves, 1);
    EXPECT_EQ(c.heard[evMouseLeave], 1);
    EXPECT_EQ(c.moves, 1); // outside: no report
    // Under a modal loop of another control: no hover, no report; the word
    // is restored. Under its own loop the control behaves as without one.
    Probe other;
    TEvent modal = Mouse(evMouseMove, 20, 20);
    modal.extra = Word(&other);
    c.HandleEvent(nullptr, &modal);
    EXPECT_FALSE(c.IsInside());
    EXPECT_EQ(modal.extra, Word(&other));
    TEvent own = Mouse(evMouseMove, 20, 20);
    own.extra = Word(&c);
    c.HandleEvent(nullptr, &own);
    EXPECT_TRUE(c.IsInside());
    EXPECT_EQ(c.moves, 2);
    EXPECT_EQ(own.extra, Word(&c));
    // A synthetic move changes the hover and reports nothing.
    TEvent synthetic = Mouse(evMouseMove, 30, 30);
    synthetic.data[TControl::mwSynthetic] = 1;
    c.HandleEvent(nullptr, &synthetic);
    EXPECT_EQ(c.moves, 2);
    // A hidden pointer clears the hover and the counters, without a leave.
    c.SetPresses(1);
    TCursDev::Global().SetVisible(false);
    c.HandleEvent(nullptr, &move);
    TCursDev::Global().SetVisible(true);
    EXPECT_FALSE(c.IsInside());
    EXPECT_EQ(c.GetPresses(0), 0);
    EXPECT_EQ(c.leaves, 1);
    // The application object tracks the hover under any modal loop.
    root.SetStyle(TControl::stTrackHover);
    c.SetStyle(32);
    TEvent overRoot = Mouse(evMouseMove, 300, 300);
    overRoot.extra = Word(&other);
    root.HandleEvent(nullptr, &overRoot);
    EXPECT_TRUE(root.IsInside());
    EXPECT_EQ(overRoot.extra, Word(&other));
}

TEST_F(ControlCheck, KeyPasses) {
    struct Case {
        const char* name;
        int32_t pass;
        bool focused, consume, enabled;
        bool taken;
        int32_t passAfter;
        int hooks;
        bool targeted;
    };
    const Case cases[] = {
        {"first pass, not focused", 1, false, false, true, false, 1, 0, false},
        {"first pass, focused", 1, true, false, true, false, 3, 1, true},
        {"first pass, focused, consumed", 1, true, true, true, true, 4, 1, true},
        {"second pass", 2, false, false, true, false, 2, 1, false},
        {"second pass, consumed", 2, false, true, true, true, 4, 1, true},
        {"taken already", 3, true, true, true, false, 3, 0, false},
        {"disabled", 2, false, true, false, false, 2, 0, false},
    };
    for (const Case& k : cases) {
        Probe c;
        c.SetStyle(TControl::stFocusable);
        Place(c, {0, 0, 10, 10});
        c.SetFocus(k.focused);
        c.consumeKeys = k.consume;
        c.SetEnabled(k.enabled);
        TEvent key = KeyEvent(evKeyDown, 0x1E61, 0, k.pass);
        EXPECT_EQ(c.HandleEvent(nullptr, &key), k.taken) << k.name;
        EXPECT_EQ(key.passState, k.passAfter) << k.name;
        EXPECT_EQ(c.keyDowns, k.hooks) << k.name;
        EXPECT_EQ(c.heard[evKeyDown], k.hooks) << k.name;
        EXPECT_EQ(key.target, k.targeted ? Word(&c) : 0u) << k.name;
    }
    // Children first: a child that takes the key stops the asking; one that
    // consumes it ends the routing with true.
    Probe parent, taker, behind;
    parent.SetStyle(TControl::stFocusable);
    Place(parent, {0, 0, 100, 100});
    Place(behind, {0, 0, 10, 10}, &parent);
    Place(taker, {0, 0, 10, 10}, &parent); // in front
    taker.SetStyle(TControl::stFocusable);
    taker.SetFocus(true);
    TEvent first = KeyEvent(evKeyDown, 0x1E61, 0, 1);
    EXPECT_FALSE(parent.HandleEvent(nullptr, &first));
    EXPECT_EQ(first.passState, 3);
    EXPECT_EQ(parent.keyDowns, 0);
    EXPECT_EQ(behind.keyDowns, 0);
    taker.consumeKeys = true;
    TEvent second = KeyEvent(evKeyDown, 0x1E61, 0, 2);
    EXPECT_TRUE(parent.HandleEvent(nullptr, &second));
    EXPECT_EQ(behind.keyDowns, 0);
    EXPECT_EQ(parent.keyDowns, 0);
}

TEST_F(ControlCheck, TabConsumedAndTheRequestItQueues) {
    struct Case {
        const char* name;
        uint32_t style, modifiers;
        bool focused;
        bool consumed;
        int32_t mode;
    };
    using S = TControl::Style;
    const Case cases[] = {
        {"not focused: this one", S::stFocusable, 0, false, true, TControl::fmThis},
        {"focused: next", S::stFocusable, 0, true, true, TControl::fmNext},
        {"shift 0x08", S::stFocusable, 0x08, true, true, TControl::fmPrevious},
        {"shift 0x10", S::stFocusable, 0x10, true, true, TControl::fmPrevious},
        {"library alt 0x40", S::stFocusable, 0x40, true, false, 0},
        {"alt 0x100", S::stFocusable, 0x100, true, false, 0},
        {"library ctrl 0x20", S::stFocusable, 0x20, true, false, 0},
        {"ctrl 0x80", S::stFocusable, 0x80, true, false, 0},
        {"not focusable", S::stCountPresses, 0, false, false, 0},
    };
    for (const Case& k : cases) {
        Probe c;
        c.SetStyle(k.style);
        c.SetFocus(k.focused);
        TakeQueued();
        TEvent down = KeyEvent(evKeyDown, kKeyTab, k.modifiers, 2);
        c.TControl::OnKeyDown(&down);
        EXPECT_EQ(down.passState == 4, k.consumed) << k.name;
        std::vector<TEvent> queued = TakeQueued();
        ASSERT_EQ(queued.size(), k.consumed ? 1u : 0u) << k.name;
        if (k.consumed) {
            EXPECT_EQ(queued[0].type, evFocus) << k.name;
            EXPECT_EQ(queued[0].target, Word(&c)) << k.name;
            EXPECT_EQ(queued[0].data[TControl::fwKind], 2) << k.name;
            EXPECT_EQ(queued[0].data[TControl::fwMode], k.mode) << k.name;
        }
        // The release is consumed under the same conditions, queueing nothing.
        TEvent up = KeyEvent(evKeyUp, kKeyTab, k.modifiers, 2, 0);
        c.TControl::OnKeyUp(&up);
        EXPECT_EQ(up.passState == 4, k.consumed) << k.name;
        EXPECT_TRUE(TakeQueued().empty()) << k.name;
    }
}

TEST_F(ControlCheck, Commands) {
    Probe parent, c, other;
    Place(parent, {0, 0, 100, 100});
    Place(c, {0, 0, 10, 10}, &parent);
    struct Case {
        const char* name;
        const TNamedObj* target;
        bool enabled, visible;
        bool taken;
        int hooks;
    };
    const Case cases[] = {
        {"addressed", &c, true, true, true, 1},
        {"for nobody", nullptr, true, true, false, 0},
        {"for another", &other, true, true, false, 0},
        {"disabled target swallows it", &c, false, true, true, 0},
        {"disabled, another target", &other, false, true, false, 0},
        {"invisible", &c, true, false, false, 0},
    };
    for (const Case& k : cases) {
        c.commands = 0;
        c.heard[evCommand] = 0;
        c.SetEnabled(k.enabled);
        c.SetFlags(TComp::kVisible, k.visible);
        TEvent command;
        command.SetType(evCommand);
        command.target = Word(k.target);
        EXPECT_EQ(parent.HandleEvent(nullptr, &command), k.taken) << k.name;
        EXPECT_EQ(c.commands, k.hooks) << k.name;
        EXPECT_EQ(c.heard[evCommand], k.hooks) << k.name;
        c.SetEnabled(true);
        c.SetFlags(TComp::kVisible, true);
    }
}

TEST_F(ControlCheck, FocusRequestsRuleByRule) {
    struct Case {
        const char* name;
        bool enabled, focusable, focusedBefore;
        int target; // 0 none, 1 this control, 2 another
        intptr_t done, mode, kind;
        bool taken, focused;
        intptr_t doneAfter, modeAfter;
    };
    const Case cases[] = {
        {"searching: taken", true, true, false, 2, 0, 2, 2, true, true, 1, 3},
        {"searching, kind 1: passes", true, true, false, 2, 0, 2, 1, false, false, 0, 2},
        {"searching, not focusable", true, false, false, 2, 0, 2, 0, false, false, 0, 2},
        {"this one: taken", true, true, false, 1, 0, 3, 0, true, true, 1, 3},
        {"this one, not focusable: answered", true, false, false, 1, 0, 3, 0, true, false, 0, 3},
        {"this one, kind 1: refused", true, true, false, 1, 0, 3, 1, false, false, 0, 3},
        {"next from here: searching on", true, true, true, 1, 0, 0, 2, false, true, 0, 2},
        {"previous from here", true, true, true, 1, 0, 1, 2, false, true, 0, 2},
        {"done elsewhere: focus dropped", true, true, true, 2, 1, 3, 2, false, false, 1, 3},
        {"done elsewhere, kind 1: kept", true, true, true, 2, 1, 3, 1, false, true, 1, 3},
        {"no target", true, true, true, 0, 1, 3, 0, false, true, 1, 3},
        {"disabled, searching", false, true, false, 2, 0, 2, 0, false, false, 0, 2},
        {"disabled target: searching on", false, true, false, 1, 0, 0, 2, false, false, 0, 2},
        {"disabled target, kind 1", false, true, false, 1, 0, 1, 1, false, false, 0, 1},
    };
    Probe another;
    for (const Case& k : cases) {
        Probe c;
        c.SetStyle(TControl::stFocusable);
        c.SetFocus(k.focusedBefore);
        if (!k.focusable) c.SetStyle(TControl::stCountPresses);
        c.SetEnabled(k.enabled);
        TEvent request;
        request.SetType(evFocus);
        request.target = k.target == 1 ? Word(&c) : k.target == 2 ? Word(&another) : 0;
        request.data[TControl::fwDone] = k.done;
        request.data[TControl::fwMode] = k.mode;
        request.data[TControl::fwKind] = k.kind;
        EXPECT_EQ(c.HandleEvent(nullptr, &request), k.taken) << k.name;
        EXPECT_EQ(c.IsFocused(), k.focused) << k.name;
        EXPECT_EQ(request.data[TControl::fwDone], k.doneAfter) << k.name;
        EXPECT_EQ(request.data[TControl::fwMode], k.modeAfter) << k.name;
    }
}

// Tab moves the focus in the order the controls were shown, Shift+Tab back;
// the event manager gives a request for the previous control the walk from
// the front of the child list and one for the next the walk from the back.
TEST_F(ControlCheck, TheFocusWalkFollowsTheOrderOfShowing) {
    // As a focus container does, the parent offers a request that a child
    // took once more to every child, so that the others drop their focus.
    struct Container : Probe {
        bool HandleEvent(TObject* sender, TEvent* event) override {
            const bool taken = Probe::HandleEvent(sender, event);
            if (taken && event->type == evFocus && event->data[TControl::fwDone])
                WalkChildren(true, [&](TComp* child) {
                    child->HandleEvent(this, event);
                    return false;
                });
            return taken;
        }
    };
    Container container;
    Place(container, {0, 0, 100, 100});
    Probe first, second, third;
    for (Probe* p : {&first, &second, &third}) {
        p->SetStyle(TControl::stFocusable);
        Place(*p, {0, 0, 10, 10}, &container);
    }
    first.SetFocus(true);
    struct Step {
        std::vector<KeyCode> held;
        const Probe* focused;
    };
    const Step steps[] = {
        {{}, &second},
        {{}, &third},
        {{KeyCode::LeftShift}, &second},
        {{KeyCode::RightShift}, &first},
        {{}, &second},
    };
    for (const Step& s : steps) {
        Key(KeyCode::Tab, s.held);
        for (const Probe* p : {&first, &second, &third})
            EXPECT_EQ(p->IsFocused(), p == s.focused);
    }
    // The direction word as the event manager hands requests out.
    for (int32_t mode : {0, 1, 2, 3}) {
        TEvent request;
        request.SetType(evFocus);
        request.data[TControl::fwMode] = mode;
        request.data[TControl::fwDone] = 1;
        TEventMgr::Global().QueueCopy(&request);
        TEvent out;
        ASSERT_TRUE(TEventMgr::Global().TakeObjectEvent(&out));
        EXPECT_EQ(out.data[TControl::fwDirection], mode == 1 ? 1 : 0) << mode;
        EXPECT_EQ(out.data[TControl::fwDone], 0) << mode;
    }
}

TEST_F(ControlCheck, CursorAndFontChangesAreQueuedAndFlowDown) {
    Probe c;
    TakeQueued();
    // Never loaded: the controls only keep them.
    TMetaCur cursorShape;
    TFontRes fontRes;
    TMetaCur* cursor = &cursorShape;
    TFontRes* font = &fontRes;
    c.SetCursor(nullptr); // unchanged: nothing queued, inheritance still ends
    EXPECT_TRUE(TakeQueued().empty());
    c.SetCursor(cursor);
    std::vector<TEvent> queued = TakeQueued();
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_EQ(queued[0].type, evProperty);
    EXPECT_EQ(queued[0].data[0], TControl::pcCursor);
    EXPECT_EQ(queued[0].target, Word(&c));
    // A font is queued even when it is the same one.
    c.SetFont(nullptr);
    c.SetFont(nullptr);
    queued = TakeQueued();
    ASSERT_EQ(queued.size(), 2u);
    EXPECT_EQ(queued[1].data[0], TControl::pcFont);
    c.SetInheritFont(0);
    EXPECT_TRUE(TakeQueued().empty());
    c.SetInheritFont(1);
    queued = TakeQueued();
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_EQ(queued[0].data[0], TControl::pcFont);

    // Down the tree: shown children that inherit take the parent's values.
    Probe parent, inherits, own;
    Place(parent, {0, 0, 100, 100});
    Place(inherits, {0, 0, 10, 10}, &parent);
    Place(own, {0, 0, 10, 10}, &parent);
    own.SetCursor(nullptr);
    own.SetFont(nullptr);
    parent.SetCursor(cursor);
    parent.SetFont(font);
    TakeQueued();
    EXPECT_EQ(inherits.GetCursor(), nullptr);
    TEvent change;
    change.SetType(evProperty);
    change.data[0] = TControl::pcCursor;
    change.target = Word(&parent);
    EXPECT_TRUE(root.HandleEvent(nullptr, &change));
    EXPECT_EQ(change.passState, 4);
    EXPECT_EQ(inherits.GetCursor(), cursor);
    EXPECT_EQ(inherits.GetFont(), nullptr); // only what changed
    EXPECT_EQ(own.GetCursor(), nullptr);
    change.SetType(evProperty);
    change.data[0] = TControl::pcFont;
    change.target = Word(&parent);
    root.HandleEvent(nullptr, &change);
    EXPECT_EQ(inherits.GetFont(), font);
    EXPECT_EQ(own.GetFont(), nullptr);
    // Sub-code 2 is no property change for a control.
    change.SetType(evProperty);
    change.data[0] = TControl::pcMove;
    change.target = Word(&parent);
    EXPECT_FALSE(parent.HandleEvent(nullptr, &change));
    // A control shown under a parent takes its values at once.
    Probe late;
    late.Show(&parent);
    EXPECT_EQ(late.GetCursor(), cursor);
    EXPECT_EQ(late.GetFont(), font);
    EXPECT_TRUE(late.IsShown());
    late.Hide();
    EXPECT_FALSE(late.IsShown());
    EXPECT_EQ(late.GetParent(), nullptr);
}

TEST_F(ControlCheck, ShowHideDismissAndTheirPointerState) {
    Probe c;
    c.SetStyle(TControl::stFocusable | TControl::stTrackHover);
    c.SetPresses(1);
    c.SetInside(true);
    Place(c, {10, 10, 50, 50});
    EXPECT_EQ(c.GetPresses(0), 0); // Show clears the pointer state
    EXPECT_FALSE(c.IsInside());
    // Hide drops the focus with its announcement.
    c.SetFocus(true);
    c.Hide();
    EXPECT_FALSE(c.IsFocused());
    EXPECT_EQ(c.lost, 1);
    EXPECT_FALSE(c.IsShown());
    // Dismiss hands a held focus on and hides the control.
    Place(c, {10, 10, 50, 50});
    c.SetFocus(true);
    TakeQueued();
    c.Dismiss();
    std::vector<TEvent> queued = TakeQueued();
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_EQ(queued[0].type, evFocus);
    EXPECT_EQ(queued[0].data[TControl::fwKind], 2);
    EXPECT_EQ(queued[0].data[TControl::fwMode], TControl::fmNext);
    EXPECT_FALSE(c.IsVisible());
    c.SetFocus(false);
    c.SetFlags(TComp::kVisible, true);
    c.Dismiss();
    EXPECT_TRUE(TakeQueued().empty());
    // A hide or close in the subtree of a hovered control makes it leave and
    // clears its counters.
    for (int32_t type : {int32_t(evHidden), int32_t(evCloseRequest)}) {
        Probe parent, child;
        child.SetStyle(TControl::stTrackHover | TControl::stCountPresses);
        Place(parent, {0, 0, 100, 100});
        Place(child, {0, 0, 10, 10}, &parent);
        child.SetInside(true);
        child.SetPresses(1);
        TEvent e;
        e.SetType(type);
        e.target = Word(&parent);
        parent.HandleEvent(nullptr, &e);
        EXPECT_EQ(child.leaves, 1) << type;
        EXPECT_EQ(child.heard[evMouseLeave], 1) << type;
        EXPECT_FALSE(child.IsInside()) << type;
        EXPECT_EQ(child.GetPresses(0), 0) << type;
    }
}

// A tick is never consumed: every enabled timer in the tree sees it.
TEST_F(ControlCheck, TicksReachEveryEnabledTimerOfTheTree) {
    struct Counting : TTimer {
        void OnTimer(TEvent*) override { ++fired; }
        int fired = 0;
    };
    Probe enabledParent, disabledParent, invisibleParent;
    Place(enabledParent, {0, 0, 10, 10});
    Place(disabledParent, {0, 0, 10, 10});
    Place(invisibleParent, {0, 0, 10, 10});
    disabledParent.SetEnabled(false);
    invisibleParent.SetFlags(TComp::kVisible, false);
    Counting a, b, underDisabled, underInvisible, stopped;
    for (Counting* t : {&a, &b, &underDisabled, &underInvisible, &stopped})
        t->SetInterval(100.0f);
    a.SetParent(&enabledParent);
    b.SetParent(&enabledParent);
    stopped.SetParent(&enabledParent);
    stopped.SetEnabled(false);
    underDisabled.SetParent(&disabledParent);
    underInvisible.SetParent(&invisibleParent);
    TEvent tick;
    tick.SetType(evTick);
    tick.data[0] = 250;
    EXPECT_FALSE(root.HandleEvent(nullptr, &tick));
    EXPECT_EQ(a.fired, 2);
    EXPECT_EQ(b.fired, 2);
    EXPECT_EQ(underInvisible.fired, 2); // a tick needs enabled, not visible
    EXPECT_EQ(underDisabled.fired, 0);
    EXPECT_EQ(stopped.fired, 0);
    EXPECT_FLOAT_EQ(stopped.GetElapsed(), 0.0f);
    EXPECT_FLOAT_EQ(a.GetElapsed(), 50.0f);
}

} // namespace controlcheck
} // namespace
