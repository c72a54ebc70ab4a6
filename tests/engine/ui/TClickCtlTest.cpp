// Push, toggle and radio controls under injected mouse and keys, their
// commands and looks, and the style record's filling of unset records.

#include "InputUi.h"
#include "UiEvents.h"
#include "foundation/TKeys.h"
#include "platform/Host.h"
#include "ui/TClickCtl.h"
#include "ui/TStyle.h"

namespace {

using platform::KeyCode;
using platform::MouseButton;
using uitest::InputUiTest;

struct Button : TClickCtl {
    Button() { Add<Button, &Button::Heard>(evCommand, this); }
    int Heard(TObject*, TEvent* e) {
        ++commands;
        lastModifiers = uint32_t(e->record.modifiers);
        return 1;
    }
    int commands = 0;
    uint32_t lastModifiers = 0;
};

// The parent of a radio group: as the target of a radio event it hands the
// event to all its children inside its subtree.
struct Group : TControl {
    bool HandleEvent(TObject* sender, TEvent* event) override {
        if (!event || event->type != evRadio || !event->Targets(this))
            return TControl::HandleEvent(sender, event);
        event->passState = 3;
        WalkChildren(true, [&](TComp* child) {
            child->HandleEvent(this, event);
            return false;
        });
        event->passState = 4;
        return true;
    }
};

class ClickCtl : public InputUiTest {
protected:
    void SetUp() override {
        InputUiTest::SetUp();
        group.SetRect(0, 0, 400, 100);
        group.Show(&root);
        for (int i = 0; i < 3; ++i) {
            buttons[i].SetRect(10 + 100 * i, 10, 80, 30);
            buttons[i].Show(&group);
        }
        Frame();
        Route();
    }
    void TearDown() override {
        for (Button& b : buttons)
            b.Hide();
        group.Hide();
        InputUiTest::TearDown();
    }
    // The centre of button i on the screen.
    int X(int i) { return 50 + 100 * i; }
    // The buttons' row unless told otherwise.
    void MoveTo(int x, int y = 25) { InputUiTest::MoveTo(x, y); }
    void Mouse(bool down, int x, int y = 25) { InputUiTest::Mouse(down, x, y); }
    Group group;
    Button buttons[3];
};

TEST_F(ClickCtl, APushButtonCommandsOnTheReleaseInside) {
    Button& b = buttons[0];
    MoveTo(X(0));
    EXPECT_EQ(b.GetState(), TClickCtl::stHot);
    Mouse(true, X(0));
    EXPECT_EQ(b.GetState(), TClickCtl::stHot | TClickCtl::stPressed);
    EXPECT_EQ(b.commands, 0);
    Mouse(false, X(0));
    EXPECT_EQ(b.commands, 1);
    EXPECT_EQ(b.GetState(), TClickCtl::stHot);
}

TEST_F(ClickCtl, LeavingWithTheButtonHeldCancelsAndComingBackPressesAgain) {
    Button& b = buttons[0];
    MoveTo(X(0));
    Mouse(true, X(0));
    MoveTo(X(0), 300);
    EXPECT_EQ(b.GetState(), 0u);
    MoveTo(X(0));
    EXPECT_EQ(b.GetState(), TClickCtl::stHot | TClickCtl::stPressed);
    MoveTo(X(0), 300);
    Mouse(false, X(0), 300);
    EXPECT_EQ(b.commands, 0);
}

TEST_F(ClickCtl, AToggleFlipsOnEachClick) {
    Button& b = buttons[1];
    b.SetMode(TClickCtl::mdToggle);
    MoveTo(X(1));
    for (uint32_t expected : {1u, 0u, 1u}) {
        Mouse(true, X(1));
        Mouse(false, X(1));
        EXPECT_EQ(b.GetChecked(), expected);
        EXPECT_EQ((b.GetState() & TClickCtl::stPressed) != 0, expected == 1);
    }
    EXPECT_EQ(b.commands, 3);
}

TEST_F(ClickCtl, RadioButtonsAnswerOnThePressAndUncheckTheirSiblings) {
    for (Button& b : buttons)
        b.SetMode(TClickCtl::mdRadio);
    buttons[2].SetEnabled(false);
    buttons[2].SetChecked(1);
    Route();
    buttons[0].SetChecked(1);
    Route();
    // The disabled sibling keeps its check.
    EXPECT_EQ(buttons[2].GetChecked(), 1u);
    MoveTo(X(1));
    Mouse(true, X(1));
    EXPECT_EQ(buttons[1].commands, 1);
    EXPECT_EQ(buttons[1].GetChecked(), 1u);
    EXPECT_EQ(buttons[0].GetChecked(), 0u);
    EXPECT_EQ(buttons[0].GetState() & TClickCtl::stPressed, 0u);
    Mouse(false, X(1));
    EXPECT_EQ(buttons[1].commands, 1);
    EXPECT_EQ(buttons[2].GetChecked(), 1u);
}

TEST_F(ClickCtl, ShowingACheckedRadioButtonUnchecksTheOthers) {
    for (Button& b : buttons)
        b.SetMode(TClickCtl::mdRadio);
    buttons[0].SetChecked(1);
    Route();
    Button late;
    late.SetMode(TClickCtl::mdRadio);
    late.SetChecked(1); // no parent yet: no group event
    Route();
    EXPECT_EQ(buttons[0].GetChecked(), 1u);
    late.Show(&group);
    Route();
    EXPECT_EQ(buttons[0].GetChecked(), 0u);
    EXPECT_EQ(late.GetChecked(), 1u);
    late.Hide();
}

TEST_F(ClickCtl, EscapeEnterAndHotKeysTrigger) {
    struct Case {
        const char* name;
        uint32_t mode;
        void (*setUp)(Button& b);
        KeyCode key;
        std::vector<KeyCode> held;
        int commands;
    };
    auto cancel = [](Button& b) { b.SetCancel(1); };
    auto defaults = [](Button& b) { b.SetDefault(1); };
    auto hotKey = [](Button& b) { b.SetHotKey('h'); };
    auto nothing = [](Button&) {};
    const Case cases[] = {
        {"escape on a cancel button", TClickCtl::mdPush, cancel, KeyCode::Escape, {}, 1},
        {"escape without cancel", TClickCtl::mdPush, nothing, KeyCode::Escape, {}, 0},
        {"escape on a cancel radio", TClickCtl::mdRadio, cancel, KeyCode::Escape, {}, 0},
        {"enter on the default", TClickCtl::mdPush, defaults, KeyCode::Return, {}, 1},
        {"keypad enter on the default", TClickCtl::mdPush, defaults, KeyCode::KpEnter, {}, 1},
        {"enter elsewhere", TClickCtl::mdPush, nothing, KeyCode::Return, {}, 0},
        {"unfocused default toggle", TClickCtl::mdToggle, defaults, KeyCode::Return, {}, 0},
        {"alt and the hot key", TClickCtl::mdPush, hotKey, KeyCode::H, {KeyCode::LeftAlt}, 1},
        {"the hot key alone", TClickCtl::mdPush, hotKey, KeyCode::H, {}, 0},
        {"ctrl and the hot key", TClickCtl::mdPush, hotKey, KeyCode::H, {KeyCode::LeftCtrl}, 0},
        {"alt and the hot key on a toggle",
         TClickCtl::mdToggle,
         hotKey,
         KeyCode::H,
         {KeyCode::LeftAlt},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Button b;
        b.SetMode(c.mode);
        b.SetRect(10, 60, 20, 20);
        b.Show(&group);
        c.setUp(b);
        Route();
        Key(c.key, c.held);
        EXPECT_EQ(b.commands, c.commands);
        if (c.mode == TClickCtl::mdToggle) {
            EXPECT_EQ(b.GetChecked(), uint32_t(c.commands));
        }
        b.Hide();
        Route();
    }
}

TEST_F(ClickCtl, ConsumedKeysAndTheirReleases) {
    Button& b = buttons[0];
    b.SetCancel(1);
    b.SetHotKey('h');
    struct Case {
        KeyCode key;
        std::vector<KeyCode> held;
        bool consumed;
    };
    const Case cases[] = {
        {KeyCode::Return, {}, false}, // neither default nor focused yet
        {KeyCode::Escape, {}, true},  // focuses the button
        {KeyCode::Return, {}, true},  {KeyCode::H, {KeyCode::LeftAlt}, true},
        {KeyCode::H, {}, false},
    };
    for (const Case& c : cases) {
        for (KeyCode k : c.held)
            platform::InjectKey(k, true);
        Route();
        platform::InjectKey(c.key, true);
        platform::InjectKey(c.key, false);
        std::vector<TEvent> routed = Route();
        int keys = 0;
        for (const TEvent& e : routed)
            if (e.type == evKeyDown || e.type == evKeyUp) {
                ++keys;
                EXPECT_EQ(e.passState == 4, c.consumed) << int(c.key) << " " << e.type;
            }
        EXPECT_EQ(keys, 2);
        for (KeyCode k : c.held)
            platform::InjectKey(k, false);
        Route();
    }
}

TEST_F(ClickCtl, AHeldKeyTriggersOnlyOnTheFreshPress) {
    Button& b = buttons[0];
    b.SetDefault(1);
    platform::InjectKey(KeyCode::Return, true);
    platform::InjectKey(KeyCode::Return, true, true);
    platform::InjectKey(KeyCode::Return, true, true);
    platform::InjectKey(KeyCode::Return, false);
    Route();
    EXPECT_EQ(b.commands, 1);
}

TEST(Style, ApplyFillsUnsetRecords) {
    auto* p1 = reinterpret_cast<TPicture*>(0x100);
    auto* p2 = reinterpret_cast<TPicture*>(0x200);
    auto* p4 = reinterpret_cast<TPicture*>(0x400);
    auto* p5 = reinterpret_cast<TPicture*>(0x500);
    struct Case {
        TPicture* in[5];
        TPicture* out[5];
    };
    const Case cases[] = {
        {{p1, nullptr, nullptr, nullptr, nullptr}, {p1, p1, p1, p1, p1}},
        // Record 2 is filled before record 1 is: it stays unset.
        {{nullptr, nullptr, nullptr, p4, nullptr}, {p4, nullptr, p4, p4, p4}},
        {{p1, nullptr, nullptr, nullptr, p5}, {p1, p5, p1, p1, p5}},
        {{p1, p2, nullptr, nullptr, nullptr}, {p1, p2, p1, p1, p2}},
        {{nullptr, nullptr, nullptr, nullptr, nullptr}, {}},
    };
    for (const Case& c : cases) {
        TStyle style;
        style.SetAll(1);
        using Setter = void (TStyle::*)(TPicture*, int32_t, int32_t);
        const Setter setters[] = {&TStyle::SetRecord1, &TStyle::SetRecord2, &TStyle::SetRecord3,
                                  &TStyle::SetRecord4, &TStyle::SetRecord5};
        for (int i = 0; i < 5; ++i)
            if (c.in[i]) (style.*setters[i])(c.in[i], i + 10, i);
        EXPECT_TRUE(style.IsChanged());
        style.Apply();
        EXPECT_FALSE(style.IsChanged());
        for (int i = 0; i < 5; ++i) {
            const TStyleRec r = style.GetRecord(i + 1);
            EXPECT_EQ(r.source, c.out[i]) << i;
            if (r.source) {
                EXPECT_EQ(r.enable, 1u);
            }
        }
        EXPECT_EQ(style.GetRecord(6).source, nullptr);
        EXPECT_EQ(style.GetRecord(6).enable, 1u);
    }
}

TEST(Style, SettersMarkOnlyRealChanges) {
    TStyle style;
    style.Apply();
    EXPECT_FALSE(style.IsChanged());
    style.SetColor(style.GetColor());
    style.SetAll(0);
    EXPECT_FALSE(style.IsChanged());
    style.SetColor(TColor(1, 2, 3));
    EXPECT_TRUE(style.IsChanged());
    EXPECT_EQ(style.GetRecord(3).color.Green(), 2);
    style.Apply();
    auto* p = reinterpret_cast<TPicture*>(0x100);
    style.SetRecord2(p, 4, 5);
    EXPECT_TRUE(style.IsChanged());
    style.Apply();
    style.SetRecord2(p, 4, 5);
    EXPECT_FALSE(style.IsChanged());
    const TStyleRec r = style.GetRecord(2);
    EXPECT_EQ(r.index, 4);
    EXPECT_EQ(r.variant, 5);
    EXPECT_EQ(r.color.Red(), 1);
}

} // namespace

// Rule by rule checks of the click control and the style record: defaults,
// the checked state by mode, radio group events, presses, releases, the
// pointer entering and leaving, Escape, Enter and hot keys down and up, and
// the filling of unset style records.
namespace {

using platform::KeyCode;
using uitest::TakeQueued;
using uitest::UiTest;
using uitest::Word;

struct Click : TClickCtl {
    uint32_t Flags() const { return flags_; }
    void ClearFlags(uint32_t mask) { flags_ &= ~mask; }
    void SetState(uint32_t s) {
        // Only through the rules: press for the pressed bit, enter for hot.
        if (s & stPressed) {
            TEvent down;
            down.SetType(evLeftDown);
            OnLeftDown(&down);
        }
        if (s & stHot) {
            TEvent enter;
            enter.SetType(evMouseEnter);
            OnMouseEnter(&enter);
        }
    }
    void SetPressCount(int32_t n) { presses_[0] = n; }
    uint32_t RawFocused() const { return focused_; }
};

// What a click control queued, in a few words.
struct Queued {
    int commands = 0, radios = 0, frames = 0, focusRequests = 0;
    uintptr_t commandModifiers = 0;
    uintptr_t radioTarget = 0;
    intptr_t radioNamed = 0;
};

Queued TakeSummary() {
    Queued q;
    for (const TEvent& e : TakeQueued()) {
        if (e.type == evCommand) {
            ++q.commands;
            q.commandModifiers = e.record.modifiers;
        } else if (e.type == evRadio) {
            ++q.radios;
            q.radioTarget = e.target;
            q.radioNamed = e.data[0];
        } else if (e.type == evPaint) {
            ++q.frames;
        } else if (e.type == evFocus) {
            ++q.focusRequests;
            EXPECT_EQ(e.data[TControl::fwKind], 0);
            EXPECT_EQ(e.data[TControl::fwMode], TControl::fmThis);
        }
    }
    return q;
}

// A key as the second pass offers it to every control.
TEvent KeyEvent(int32_t type, uint16_t key, uint32_t modifiers, intptr_t count) {
    return uitest::KeyEvent(type, key, modifiers, 2, count);
}

class ClickCheck : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        TEventMgr::Global().InitQueue(display.GetWindow());
        parent.SetRect(0, 0, 400, 100);
        parent.Show(&root);
    }
    void TearDown() override {
        parent.Hide();
        UiTest::TearDown();
    }
    void Route() { testsupport::RoutePending(root); }
    // Shows the control under the parent in a mode and checked state, with
    // its look settled and nothing left queued.
    void ShowSettled(Click& c, uint32_t mode, uint32_t checked) {
        c.Show(&parent);
        c.SetMode(mode);
        c.SetChecked(checked);
        c.Update();
        TakeQueued();
    }
    TControl parent;
};

// A new click control is an unchecked push button: a press and a release
// command once and leave it up and unchecked. With no cancel, default or hot
// key, Escape, Enter and Alt+0xFF (the low byte of the "none" hot key) pass
// it by.
TEST_F(ClickCheck, ABuiltClickControlIsAnUncheckedPushButton) {
    Click c;
    c.Show(&parent);
    c.Update();
    TakeQueued();
    for (int round = 0; round < 2; ++round) {
        TEvent down, up;
        down.SetType(evLeftDown);
        up.SetType(evLeftUp);
        c.OnLeftDown(&down);
        c.OnLeftUp(&up);
        EXPECT_EQ(TakeSummary().commands, 1) << round;
        EXPECT_EQ(c.GetChecked(), 0u) << round;
        EXPECT_EQ(c.GetState() & TClickCtl::stPressed, 0u) << round;
    }
    for (uint16_t key : {kKeyEscape, kKeyEnter, uint16_t(0x00FF)}) {
        TEvent e = KeyEvent(evKeyDown, key, 0x40, 1);
        c.OnKeyDown(&e);
        EXPECT_NE(e.passState, 4) << key;
    }
    c.Hide();
}

TEST_F(ClickCheck, SetCheckedByMode) {
    struct Case {
        const char* name;
        uint32_t mode, from, to;
        uint32_t state;
        int radios, commands;
        bool dirty;
    };
    const Case cases[] = {
        {"radio checked", TClickCtl::mdRadio, 0, 1, TClickCtl::stPressed, 1, 1, true},
        {"radio unchecked", TClickCtl::mdRadio, 1, 0, 0, 0, 0, true},
        {"toggle checked", TClickCtl::mdToggle, 0, 1, TClickCtl::stPressed, 0, 0, true},
        {"toggle unchecked", TClickCtl::mdToggle, 1, 0, 0, 0, 0, true},
        {"push checked: the look stays", TClickCtl::mdPush, 0, 1, 0, 0, 0, true},
        {"unchanged", TClickCtl::mdToggle, 1, 1, TClickCtl::stPressed, 0, 0, false},
    };
    for (const Case& k : cases) {
        Click c;
        ShowSettled(c, k.mode, k.from);
        c.ClearFlags(TComp::kDirty | TComp::kRedraw);
        c.SetChecked(k.to);
        EXPECT_EQ(c.GetChecked(), k.to) << k.name;
        EXPECT_EQ(c.GetState(), k.state) << k.name;
        EXPECT_EQ(c.IsDirty(), k.dirty) << k.name;
        Queued q = TakeSummary();
        EXPECT_EQ(q.radios, k.radios) << k.name;
        EXPECT_EQ(q.commands, k.commands) << k.name;
        if (q.radios) {
            EXPECT_EQ(q.radioTarget, Word(&parent)) << k.name;
            EXPECT_EQ(q.radioNamed, intptr_t(Word(&c))) << k.name;
        }
        EXPECT_EQ(q.commandModifiers, 0u) << k.name;
        c.Hide();
    }
    // Without a parent a radio control checks itself without a group event.
    Click lone;
    lone.SetMode(TClickCtl::mdRadio);
    lone.SetChecked(1);
    Queued q = TakeSummary();
    EXPECT_EQ(q.radios, 0);
    EXPECT_EQ(q.commands, 1);
}

TEST_F(ClickCheck, RadioGroupEvents) {
    Click named, other, toggle;
    for (Click* c : {&named, &other, &toggle})
        c->Show(&parent);
    named.SetMode(TClickCtl::mdRadio);
    other.SetMode(TClickCtl::mdRadio);
    toggle.SetMode(TClickCtl::mdToggle);
    other.SetChecked(1);
    toggle.SetChecked(1);
    TakeQueued();
    auto group = [&](int32_t state, const TNamedObj* target) {
        TEvent e;
        e.SetType(evRadio);
        e.target = Word(target);
        e.data[0] = intptr_t(Word(&named));
        e.passState = state;
        return e;
    };
    // Outside the target's subtree, or without a target: refused.
    TEvent e = group(0, &parent);
    EXPECT_FALSE(other.HandleEvent(nullptr, &e));
    e = group(3, nullptr);
    EXPECT_FALSE(other.HandleEvent(nullptr, &e));
    EXPECT_EQ(other.GetChecked(), 1u);
    // A disabled or invisible radio control keeps its state.
    other.SetEnabled(false);
    e = group(3, &parent);
    EXPECT_FALSE(other.HandleEvent(nullptr, &e));
    EXPECT_EQ(other.GetChecked(), 1u);
    other.SetEnabled(true);
    other.SetVisible(false);
    EXPECT_FALSE(other.HandleEvent(nullptr, &e));
    EXPECT_EQ(other.GetChecked(), 1u);
    other.SetVisible(true);
    // A control of another mode answers and changes nothing.
    EXPECT_TRUE(toggle.HandleEvent(nullptr, &e));
    EXPECT_EQ(toggle.GetChecked(), 1u);
    EXPECT_EQ(toggle.GetState(), uint32_t(TClickCtl::stPressed));
    // The named control is checked and pressed, the others are released.
    EXPECT_TRUE(named.HandleEvent(nullptr, &e));
    EXPECT_TRUE(other.HandleEvent(nullptr, &e));
    EXPECT_EQ(named.GetChecked(), 1u);
    EXPECT_EQ(named.GetState(), uint32_t(TClickCtl::stPressed));
    EXPECT_EQ(other.GetChecked(), 0u);
    EXPECT_EQ(other.GetState(), 0u);
    // Nothing of it is queued: the group event answers silently.
    EXPECT_TRUE(TakeQueued().empty());
    for (Click* c : {&named, &other, &toggle})
        c->Hide();
}

TEST_F(ClickCheck, PressesAndReleasesByMode) {
    struct Case {
        const char* name;
        uint32_t mode, checked;
        bool claimed;
        uint32_t stateAfterDown;
        int radiosDown, framesDown, commandsDown;
        uint32_t stateAfterUp, checkedAfterUp;
        int framesUp, commandsUp;
    };
    const uint32_t P = TClickCtl::stPressed;
    const Case cases[] = {
        {"push", TClickCtl::mdPush, 0, false, P, 0, 1, 0, 0, 0, 1, 1},
        {"toggle on", TClickCtl::mdToggle, 0, false, P, 0, 1, 0, P, 1, 1, 1},
        // Checked, it is drawn down already: the press changes nothing and
        // the release unchecks it.
        {"toggle off", TClickCtl::mdToggle, 1, false, P, 0, 0, 0, 0, 0, 1, 1},
        {"radio answers on the press", TClickCtl::mdRadio, 0, false, 0, 1, 1, 1, 0, 0, 0, 0},
        {"a claimed press does nothing", TClickCtl::mdPush, 0, true, 0, 0, 0, 0, 0, 0, 0, 0},
    };
    for (const Case& k : cases) {
        Click c;
        ShowSettled(c, k.mode, k.checked);
        TEvent down;
        down.SetType(evLeftDown);
        down.record.modifiers = 0x18;
        down.data[TControl::mwPressClaim] = k.claimed;
        c.OnLeftDown(&down);
        EXPECT_EQ(c.GetState(), k.stateAfterDown) << k.name;
        Queued q = TakeSummary();
        EXPECT_EQ(q.radios, k.radiosDown) << k.name;
        EXPECT_EQ(q.frames, k.framesDown) << k.name;
        EXPECT_EQ(q.commands, k.commandsDown) << k.name;
        if (q.commands) {
            EXPECT_EQ(q.commandModifiers, 0x18u) << k.name;
        }
        TEvent up;
        up.SetType(evLeftUp);
        up.record.modifiers = 0x20;
        c.OnLeftUp(&up);
        EXPECT_EQ(c.GetState(), k.stateAfterUp) << k.name;
        EXPECT_EQ(c.GetChecked(), k.checkedAfterUp) << k.name;
        q = TakeSummary();
        EXPECT_EQ(q.frames, k.framesUp) << k.name;
        EXPECT_EQ(q.commands, k.commandsUp) << k.name;
        if (q.commands) {
            EXPECT_EQ(q.commandModifiers, 0x20u) << k.name;
        }
        c.Hide();
    }
    // A pressed control ignores a second press.
    Click c;
    c.SetState(TClickCtl::stPressed);
    TakeQueued();
    TEvent down;
    down.SetType(evLeftDown);
    c.OnLeftDown(&down);
    EXPECT_TRUE(TakeQueued().empty());
}

TEST_F(ClickCheck, EnteringAndLeavingChangeTheLook) {
    struct Case {
        const char* name;
        uint32_t mode, before;
        int32_t leftPresses;
        bool enter;
        uint32_t after;
        bool dirty;
    };
    const uint32_t P = TClickCtl::stPressed, H = TClickCtl::stHot;
    const Case cases[] = {
        {"enter", TClickCtl::mdPush, 0, 0, true, H, true},
        {"enter with the button held", TClickCtl::mdPush, 0, 1, true, P | H, true},
        {"enter a radio with the button held", TClickCtl::mdRadio, 0, 1, true, H, true},
        {"leave pressed", TClickCtl::mdPush, P | H, 1, false, 0, true},
        {"leave hot", TClickCtl::mdPush, H, 0, false, 0, true},
        {"leave idle: nothing", TClickCtl::mdPush, 0, 0, false, 0, false},
        {"leave a radio: only hot goes", TClickCtl::mdRadio, H, 0, false, 0, true},
    };
    for (const Case& k : cases) {
        Click c;
        c.SetMode(k.mode);
        c.SetPressCount(k.leftPresses);
        c.SetState(k.before);
        c.ClearFlags(TComp::kDirty | TComp::kRedraw);
        TEvent e;
        e.SetType(k.enter ? evMouseEnter : evMouseLeave);
        if (k.enter)
            c.OnMouseEnter(&e);
        else
            c.OnMouseLeave(&e);
        EXPECT_EQ(c.GetState(), k.after) << k.name;
        // The look is settled at once: Update ran, so only the redraw stays.
        EXPECT_EQ((c.Flags() & TComp::kRedraw) != 0, k.dirty) << k.name;
        EXPECT_EQ(c.Flags() & TComp::kDirty, 0u) << k.name;
    }
}

TEST_F(ClickCheck, KeysDown) {
    struct Case {
        const char* name;
        uint32_t mode, checked, cancel, isDefault;
        bool focused;
        uint16_t key;
        uint32_t modifiers;
        intptr_t count;
        bool consumed;
        int radios, commands, focusRequests;
        uint32_t checkedAfter;
    };
    const uint32_t Push = TClickCtl::mdPush, Radio = TClickCtl::mdRadio,
                   Toggle = TClickCtl::mdToggle;
    const uint16_t AltH = 0x2368;
    const Case cases[] = {
        {"escape, cancel push", Push, 0, 1, 0, false, kKeyEscape, 0, 1, true, 0, 1, 1, 0},
        {"escape, cancel push, held", Push, 0, 1, 0, false, kKeyEscape, 0, 2, true, 0, 0, 0, 0},
        {"escape, cancel radio", Radio, 0, 1, 0, false, kKeyEscape, 0, 1, true, 0, 0, 0, 0},
        {"escape, cancel toggle", Toggle, 0, 1, 0, false, kKeyEscape, 0, 1, true, 0, 0, 0, 0},
        {"escape without cancel", Push, 0, 0, 0, true, kKeyEscape, 0, 1, false, 0, 0, 0, 0},
        {"enter, default push", Push, 0, 0, 1, false, kKeyEnter, 0, 1, true, 0, 1, 1, 0},
        {"keypad enter, default push", Push, 0, 0, 1, false, kKeyPadEnter, 0, 1, true, 0, 1, 1, 0},
        {"enter, focused push", Push, 0, 0, 0, true, kKeyEnter, 0, 1, true, 0, 1, 1, 0},
        {"enter, neither", Push, 0, 0, 0, false, kKeyEnter, 0, 1, false, 0, 0, 0, 0},
        {"enter, default toggle unfocused", Toggle, 0, 0, 1, false, kKeyEnter, 0, 1, true, 0, 0, 0,
         0},
        {"enter, focused toggle", Toggle, 0, 0, 0, true, kKeyEnter, 0, 1, true, 0, 1, 1, 1},
        {"enter, focused radio", Radio, 0, 0, 0, true, kKeyEnter, 0, 1, true, 1, 1, 1, 0},
        {"enter, focused checked radio", Radio, 1, 0, 0, true, kKeyEnter, 0, 1, true, 0, 1, 1, 1},
        {"enter, repeat", Push, 0, 0, 1, false, kKeyEnter, 0, 3, true, 0, 0, 0, 0},
        {"alt+h", Push, 0, 0, 0, false, AltH, 0x40, 1, true, 0, 1, 1, 0},
        {"alt+h, 0x100", Push, 0, 0, 0, false, AltH, 0x100, 1, true, 0, 1, 1, 0},
        {"alt+h toggle", Toggle, 0, 0, 0, false, AltH, 0x40, 1, true, 0, 1, 1, 1},
        {"alt+h radio", Radio, 0, 0, 0, false, AltH, 0x40, 1, true, 1, 1, 1, 0},
        {"alt+h, held", Push, 0, 0, 0, false, AltH, 0x40, 2, true, 0, 0, 0, 0},
        {"h alone", Push, 0, 0, 0, false, AltH, 0, 1, false, 0, 0, 0, 0},
        {"ctrl+h", Push, 0, 0, 0, false, AltH, 0x20, 1, false, 0, 0, 0, 0},
        {"alt+other", Push, 0, 0, 0, false, 0x2467, 0x40, 1, false, 0, 0, 0, 0},
    };
    for (const Case& k : cases) {
        Click c;
        c.Show(&parent);
        c.SetMode(k.mode);
        c.SetChecked(k.checked);
        c.SetCancel(k.cancel);
        c.SetDefault(k.isDefault);
        c.SetHotKey('h');
        c.SetFocus(k.focused);
        TakeQueued();
        TEvent e = KeyEvent(evKeyDown, k.key, k.modifiers, k.count);
        c.OnKeyDown(&e);
        EXPECT_EQ(e.passState == 4, k.consumed) << k.name;
        Queued q = TakeSummary();
        EXPECT_EQ(q.radios, k.radios) << k.name;
        EXPECT_EQ(q.commands, k.commands) << k.name;
        EXPECT_EQ(q.focusRequests, k.focusRequests) << k.name;
        if (q.commands) {
            EXPECT_EQ(q.commandModifiers, k.modifiers) << k.name;
        }
        EXPECT_EQ(c.GetChecked(), k.checkedAfter) << k.name;
        c.Hide();
    }
    // The hot key compares by its low byte; 0 and "none" never match.
    struct Hot {
        uint16_t hotKey, key;
        bool consumed;
    };
    for (const Hot& h : {Hot{0x4168, 0x2368, true}, Hot{0x0000, 0x0300, false},
                         Hot{0xFFFF, 0x00FF, false}, Hot{0x00FF, 0x00FF, true}}) {
        Click c;
        c.SetHotKey(h.hotKey);
        TEvent e = KeyEvent(evKeyDown, h.key, 0x40, 1);
        c.OnKeyDown(&e);
        EXPECT_EQ(e.passState == 4, h.consumed) << h.hotKey;
        TEvent up = KeyEvent(evKeyUp, h.key, 0x40, 0);
        c.OnKeyUp(&up);
        EXPECT_EQ(up.passState == 4, h.consumed) << h.hotKey;
    }
    TakeQueued();
}

TEST_F(ClickCheck, KeysUp) {
    struct Case {
        const char* name;
        uint32_t cancel, isDefault;
        bool focused;
        uint16_t key;
        uint32_t modifiers;
        bool consumed;
    };
    const Case cases[] = {
        {"escape, cancel", 1, 0, false, kKeyEscape, 0, true},
        {"escape", 0, 0, false, kKeyEscape, 0, false},
        {"enter, default", 0, 1, false, kKeyEnter, 0, true},
        {"keypad enter, focused", 0, 0, true, kKeyPadEnter, 0, true},
        {"enter", 0, 0, false, kKeyEnter, 0, false},
        {"alt+h", 0, 0, false, 0x2368, 0x140, true},
        {"h", 0, 0, false, 0x2368, 0, false},
        {"tab goes to the control's rule", 0, 0, true, kKeyTab, 0, true},
    };
    for (const Case& k : cases) {
        Click c;
        c.SetCancel(k.cancel);
        c.SetDefault(k.isDefault);
        c.SetHotKey('h');
        c.SetFocus(k.focused);
        TakeQueued();
        TEvent e = KeyEvent(evKeyUp, k.key, k.modifiers, 0);
        c.OnKeyUp(&e);
        EXPECT_EQ(e.passState == 4, k.consumed) << k.name;
        EXPECT_TRUE(TakeQueued().empty()) << k.name;
    }
}

// Keys as the platform delivers them: the library's Alt bit and the keypad
// Enter's key word both reach the rules.
TEST_F(ClickCheck, InjectedKeypadEnterAndAltHotKey) {
    struct Command : TClickCtl {
        Command() { Add<Command, &Command::Heard>(evCommand, this); }
        int Heard(TObject*, TEvent*) { return ++commands, 1; }
        int commands = 0;
    };
    Command defaults, hot;
    defaults.SetRect(0, 0, 10, 10);
    hot.SetRect(20, 0, 10, 10);
    defaults.Show(&parent);
    hot.Show(&parent);
    defaults.SetDefault(1);
    hot.SetHotKey('k');
    Frame();
    Route();
    auto press = [&](KeyCode key, std::vector<KeyCode> held) {
        uitest::InjectStroke(key, held);
        Route();
    };
    press(KeyCode::KpEnter, {});
    EXPECT_EQ(defaults.commands, 1);
    press(KeyCode::Return, {});
    EXPECT_EQ(defaults.commands, 2);
    press(KeyCode::K, {});
    EXPECT_EQ(hot.commands, 0);
    press(KeyCode::K, {KeyCode::LeftAlt});
    EXPECT_EQ(hot.commands, 1);
    press(KeyCode::K, {KeyCode::RightAlt});
    EXPECT_EQ(hot.commands, 2);
    press(KeyCode::K, {KeyCode::LeftCtrl});
    EXPECT_EQ(hot.commands, 2);
    defaults.Hide();
    hot.Hide();
}

TEST_F(ClickCheck, UpdateShowAndHideSettleTheLook) {
    struct Case {
        const char* name;
        uint32_t mode, checked;
        bool enabled;
        uint32_t state;
    };
    const uint32_t P = TClickCtl::stPressed;
    const Case cases[] = {
        {"checked toggle", TClickCtl::mdToggle, 1, true, P},
        {"checked radio", TClickCtl::mdRadio, 1, true, P},
        {"checked push", TClickCtl::mdPush, 1, true, TClickCtl::stHot},
        {"disabled", TClickCtl::mdToggle, 1, false, 0},
    };
    for (const Case& k : cases) {
        Click c;
        c.SetMode(k.mode);
        c.SetChecked(k.checked);
        c.SetState(TClickCtl::stHot);
        c.SetEnabled(k.enabled);
        c.Invalidate(true);
        c.Update();
        EXPECT_EQ(c.GetState() & ~uint32_t(TClickCtl::stHot), k.state & ~uint32_t(TClickCtl::stHot))
            << k.name;
        if (!k.enabled) {
            EXPECT_EQ(c.GetState(), 0u) << k.name;
        }
    }
    // Update does nothing while the control is clean.
    Click clean;
    clean.SetMode(TClickCtl::mdToggle);
    clean.SetChecked(1);
    clean.SetEnabled(false);
    clean.ClearFlags(TComp::kDirty);
    clean.Update();
    EXPECT_EQ(clean.GetState(), uint32_t(P));
    // Showing a checked radio control under a parent queues its group event;
    // hiding clears the look.
    TakeQueued();
    Click radio;
    radio.SetMode(TClickCtl::mdRadio);
    radio.SetChecked(1);
    TakeQueued();
    radio.Show(&parent);
    Queued q = TakeSummary();
    EXPECT_EQ(q.radios, 1);
    EXPECT_EQ(q.radioTarget, Word(&parent));
    radio.Hide();
    EXPECT_EQ(radio.GetState(), 0u);
    Click unchecked;
    unchecked.SetMode(TClickCtl::mdRadio);
    unchecked.Show(&parent);
    EXPECT_EQ(TakeSummary().radios, 0);
    unchecked.Hide();
}

TEST(StyleCheck, ABuiltStyleAndItsSetters) {
    TStyle s;
    EXPECT_TRUE(s.IsChanged());
    EXPECT_EQ(s.GetEnabled(), 0u);
    for (int n = 1; n <= 6; ++n) {
        const TStyleRec r = s.GetRecord(n);
        EXPECT_EQ(r.source, nullptr) << n;
        EXPECT_EQ(r.enable, n == 6 ? 1u : 0u) << n;
    }
    // SetAll: the first five enable words, and the master word.
    s.SetChanged(false);
    s.SetAll(0);
    EXPECT_FALSE(s.IsChanged());
    s.SetAll(3);
    EXPECT_TRUE(s.IsChanged());
    EXPECT_EQ(s.GetEnabled(), 3u);
    for (int n = 1; n <= 6; ++n)
        EXPECT_EQ(s.GetRecord(n).enable, n == 6 ? 1u : 3u) << n;
    // SetColor: every record's colour; a change of the style's colour only
    // marks the style changed.
    s.SetChanged(false);
    s.SetColor(TColor(1, 2, 3));
    EXPECT_TRUE(s.IsChanged());
    for (int n = 1; n <= 6; ++n)
        EXPECT_EQ(s.GetRecord(n).color.Green(), 2) << n;
    s.SetChanged(false);
    s.SetColor(TColor(1, 2, 3));
    EXPECT_FALSE(s.IsChanged());
    // A record takes the master word and the colour; the same record again
    // changes nothing.
    auto* picture = reinterpret_cast<TPicture*>(0x40);
    s.SetRecord3(picture, 7, 2);
    EXPECT_TRUE(s.IsChanged());
    const TStyleRec r = s.GetRecord(3);
    EXPECT_EQ(r.source, picture);
    EXPECT_EQ(r.index, 7);
    EXPECT_EQ(r.variant, 2);
    EXPECT_EQ(r.enable, 3u);
    EXPECT_EQ(r.color.Red(), 1);
    s.SetChanged(false);
    s.SetRecord3(picture, 7, 2);
    EXPECT_FALSE(s.IsChanged());
    s.SetRecord3(picture, 7, 3);
    EXPECT_TRUE(s.IsChanged());
    EXPECT_EQ(s.GetRecord(0).source, nullptr);
    EXPECT_EQ(s.GetRecord(7).source, nullptr);
}

TEST(StyleCheck, ApplyFillsUnsetRecordsInItsOrder) {
    auto* p1 = reinterpret_cast<TPicture*>(0x11);
    auto* p2 = reinterpret_cast<TPicture*>(0x22);
    auto* p3 = reinterpret_cast<TPicture*>(0x33);
    auto* p4 = reinterpret_cast<TPicture*>(0x44);
    auto* p5 = reinterpret_cast<TPicture*>(0x55);
    struct Case {
        const char* name;
        TPicture* set[5];    // the sources given to records 1 to 5
        TPicture* filled[5]; // their sources after Apply
    };
    const Case cases[] = {
        {"only record 1", {p1, 0, 0, 0, 0}, {p1, p1, p1, p1, p1}},
        {"record 2 from record 5", {p1, 0, 0, 0, p5}, {p1, p5, p1, p1, p5}},
        {"record 1 from record 4", {0, 0, 0, p4, 0}, {p4, 0, p4, p4, p4}},
        {"record 5 from record 2", {p1, p2, 0, 0, 0}, {p1, p2, p1, p1, p2}},
        {"record 5 from record 4", {0, 0, 0, p4, p5}, {p4, p5, p4, p4, p5}},
        {"all set: nothing", {p1, p2, p3, p4, p5}, {p1, p2, p3, p4, p5}},
        {"none set", {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}},
    };
    for (const Case& k : cases) {
        TStyle s;
        void (TStyle::*setters[5])(TPicture*, int32_t, int32_t) = {
            &TStyle::SetRecord1, &TStyle::SetRecord2, &TStyle::SetRecord3, &TStyle::SetRecord4,
            &TStyle::SetRecord5};
        for (int i = 0; i < 5; ++i)
            if (k.set[i]) (s.*setters[i])(k.set[i], i + 10, i + 20);
        s.Apply();
        EXPECT_FALSE(s.IsChanged()) << k.name;
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(s.GetRecord(i + 1).source, k.filled[i]) << k.name << " record " << i + 1;
        EXPECT_EQ(s.GetRecord(6).source, nullptr) << k.name;
    }
    // A copy takes every word of its source record; an unchanged style is
    // not filled again.
    TStyle s;
    s.SetAll(5);
    s.SetColor(TColor(9, 8, 7));
    s.SetRecord1(p1, 3, 4);
    s.Apply();
    const TStyleRec r = s.GetRecord(3);
    EXPECT_EQ(r.index, 3);
    EXPECT_EQ(r.variant, 4);
    EXPECT_EQ(r.enable, 5u);
    EXPECT_EQ(r.color.Blue(), 7);
    s.SetRecord2(p2, 1, 1);
    s.SetChanged(false);
    s.SetRecord5(nullptr, 0, 0); // unset again, but the style was marked clean
    s.SetChanged(false);
    s.Apply();
    EXPECT_EQ(s.GetRecord(5).source, nullptr);
}

} // namespace
