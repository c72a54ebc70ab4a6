// The UI tests with injected input: the event manager bound to the display
// window, and events taken from it and routed from the root as the modal
// loop would (keys a second time when the first pass leaves them).
#pragma once

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
    std::vector<TEvent> Route() {
        std::vector<TEvent> out;
        for (int guard = 0; guard < 400; ++guard) {
            TEvent e;
            TEventMgr::Global().Translate(&e);
            if (e.type == 0) break;
            if (e.type == evPaint) {
                Frame();
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
        for (platform::KeyCode k : held)
            platform::InjectKey(k, true);
        platform::InjectKey(key, true);
        platform::InjectKey(key, false);
        for (platform::KeyCode k : held)
            platform::InjectKey(k, false);
        Route();
    }
};

} // namespace uitest
