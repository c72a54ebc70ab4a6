// The UI tests with injected input: the event manager bound to the display
// window, and every pending event routed as the program's modal loop routes
// it, with the root as the application and the outermost container.
#pragma once

#include "RouteEvents.h"
#include "UiEvents.h"
#include "UiFixture.h"
#include "platform/Host.h"

#include <vector>

namespace uitest {

class InputUiTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        TEventMgr::Global().InitQueue(display.GetWindow());
    }
    // The events as routed, frames included.
    std::vector<TEvent> Route() { return testsupport::RoutePending(root); }
    void MoveTo(int x, int y) {
        platform::InjectMouseMove(display.GetWindow(), x, y);
        Route();
    }
    void Mouse(bool down, int x, int y) {
        platform::InjectMouseButton(display.GetWindow(), platform::MouseButton::Left, down, x, y);
        Route();
    }
    void Click(int x, int y) {
        MoveTo(x, y);
        Mouse(true, x, y);
        Mouse(false, x, y);
    }
    void Key(platform::KeyCode key, std::vector<platform::KeyCode> held = {}) {
        InjectStroke(key, held);
        Route();
    }
    // A key word (scan code * 256 + character) pressed and released with the
    // modifiers given, through the loop; whether the press was consumed.
    bool Press(uint16_t word, uint32_t modifiers = 0) {
        bool consumed = false;
        for (int32_t type : {int32_t(evKeyDown), int32_t(evKeyUp)}) {
            TEvent e = KeyEvent(type, word, modifiers, TControl::psFirst);
            TEventMgr::Global().QueueCopy(&e);
            for (const TEvent& routed : Route())
                if (routed.type == evKeyDown) consumed = routed.passState == TControl::psConsumed;
        }
        return consumed;
    }
    // A typed character: a scan code with the character.
    bool Type(uint8_t c, uint32_t modifiers = 0) { return Press(uint16_t(0x1E00 | c), modifiers); }
    // A tick of `ms` handed to the tree directly.
    void Tick(int32_t ms) {
        TEvent e;
        e.SetType(evTick);
        e.data[0] = ms;
        root.HandleEvent(nullptr, &e);
    }
};

} // namespace uitest
