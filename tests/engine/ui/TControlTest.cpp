// Controls driven by input injected on the memory host and turned into engine
// events by the event manager: hover, presses, keys, focus requests, commands
// and property changes.
#include "UiFixture.h"

#include "media/resources/TCursorRes.h"
#include "media/resources/TFontRes.h"
#include "platform/Host.h"

namespace {

using platform::KeyCode;
using platform::MouseButton;
using uitest::Box;
using uitest::TakeQueued;
using uitest::UiTest;

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

class Control : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        TEventMgr::Global().InitQueue(display.GetWindow());
        Route();
    }
    // Routes every pending event through the tree as the modal loop would:
    // keys in a first pass for the focused control, then in a second pass.
    // Returns the events after routing.
    std::vector<TEvent> Route() {
        std::vector<TEvent> out;
        for (int guard = 0; guard < 200; ++guard) {
            TEvent e;
            TEventMgr::Global().Translate(&e);
            if (e.type == 0) break;
            if (e.type == evPaint) {
                Frame(); // the application fills a frame's rectangles
                out.push_back(e);
                continue;
            }
            root.HandleEvent(nullptr, &e);
            if ((e.type == evKeyDown || e.type == evKeyUp) && e.passState != 4) {
                e.passState = 2;
                root.HandleEvent(nullptr, &e);
            }
            out.push_back(e);
        }
        return out;
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
    EXPECT_EQ(routed[0].target, reinterpret_cast<uintptr_t>(&p));
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
        TEvent down, up;
        std::vector<TEvent> queued;
        ASSERT_EQ(TEventMgr::Global().Translate(&down), 1);
        root.HandleEvent(nullptr, &down);
        if (down.passState != 4) {
            down.passState = 2;
            root.HandleEvent(nullptr, &down);
        }
        queued = TakeQueued();
        ASSERT_EQ(TEventMgr::Global().Translate(&up), 1);
        up.passState = 2;
        root.HandleEvent(nullptr, &up);
        EXPECT_EQ(down.passState == 4, c.consumed) << c.mode;
        EXPECT_EQ(up.passState == 4, c.consumed) << c.mode;
        ASSERT_EQ(queued.size(), c.consumed ? 1u : 0u);
        if (c.consumed) {
            EXPECT_EQ(queued[0].type, evFocus);
            EXPECT_EQ(queued[0].target, reinterpret_cast<uintptr_t>(&p));
            EXPECT_EQ(queued[0].data[TControl::fwKind], 2);
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
        move.extra = reinterpret_cast<uintptr_t>(&owner);
        root.HandleEvent(nullptr, &move);
        EXPECT_EQ(move.extra, reinterpret_cast<uintptr_t>(&owner));
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
    command.target = reinterpret_cast<uintptr_t>(&p);
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
