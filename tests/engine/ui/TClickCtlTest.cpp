// Push, toggle and radio controls under injected mouse and keys, their
// commands and looks, and the style record's filling of unset records.
#include "UiFixture.h"

#include "platform/Host.h"
#include "ui/TClickCtl.h"
#include "ui/TStyle.h"

namespace {

using platform::KeyCode;
using platform::MouseButton;
using uitest::UiTest;

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
        if (!event || event->type != evRadio || event->target != reinterpret_cast<uintptr_t>(this))
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

class ClickCtl : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        TEventMgr::Global().InitQueue(display.GetWindow());
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
        UiTest::TearDown();
    }
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
    // The centre of button i on the screen.
    int X(int i) { return 50 + 100 * i; }
    void MoveTo(int x, int y = 25) {
        platform::InjectMouseMove(display.GetWindow(), x, y);
        Route();
    }
    void Mouse(bool down, int x, int y = 25) {
        platform::InjectMouseButton(display.GetWindow(), MouseButton::Left, down, x, y);
        Route();
    }
    void Key(KeyCode key, std::vector<KeyCode> held = {}) {
        for (KeyCode k : held)
            platform::InjectKey(k, true);
        platform::InjectKey(key, true);
        platform::InjectKey(key, false);
        for (KeyCode k : held)
            platform::InjectKey(k, false);
        Route();
    }
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
