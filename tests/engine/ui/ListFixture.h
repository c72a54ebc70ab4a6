// Shared set-up of the list and input control tests: injected mouse and keys
// routed through the tree as the modal loop would, a counter of the events a
// control posts to its own handlers, and a picture source of fixed sizes.
#pragma once

#include "UiFixture.h"

#include "media/resources/TPicture.h"
#include "platform/Clock.h"
#include "platform/Host.h"

#include <map>
#include <string>
#include <vector>

namespace uitest {

// Counts the events of the listed types that reach a table, with the virtual
// time of each.
struct Heard : TObject {
    int Note(TObject*, TEvent* e) {
        ++count[e->type];
        times[e->type].push_back(platform::ClockNow());
        return 0;
    }
    void Listen(THandlerTable& table, std::initializer_list<int32_t> types) {
        for (int32_t t : types)
            table.Add<Heard, &Heard::Note>(t, this);
    }
    std::map<int32_t, int> count;
    std::map<int32_t, std::vector<uint32_t>> times;
};

// A picture source whose pictures have the sizes given and no image.
struct SizedPicture : TPicture {
    int32_t width = 16, height = 16;
    int Lock(int32_t, int32_t) override { return 0; }
    int Unlock() override { return 1; }
    int32_t GetWidthOf(int32_t, int32_t) override { return width; }
    int32_t GetWidth() override { return width; }
    int32_t GetHeightOf(int32_t, int32_t) override { return height; }
    int32_t GetHeight() override { return height; }
};

// A picture source that counts the images asked of it (it has none).
struct CountingPicture : SizedPicture {
    int Lock(int32_t, int32_t) override {
        ++locks;
        return 0;
    }
    int locks = 0;
};

// The texts of a string list's items in order (any list with Rewind and a
// GetNext of texts).
template <class List> std::vector<std::string> ListedTexts(List& list) {
    std::vector<std::string> out;
    list.Rewind(1);
    const char* text;
    uintptr_t data;
    while (list.GetNext(&text, &data))
        out.push_back(text);
    return out;
}

class InputTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        TEventMgr::Global().InitQueue(display.GetWindow());
    }
    // Takes every pending event and routes it as the modal loop does.
    std::vector<TEvent> Route() {
        std::vector<TEvent> out;
        for (int guard = 0; guard < 400; ++guard) {
            TEvent e;
            TEventMgr::Global().Translate(&e);
            if (e.type == 0) break;
            if (e.type == evPaint) {
                Frame();
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
    // A key word (scan code * 256 + character) pressed and released with the
    // modifiers given, routed as the focus container does: first pass, then
    // the second when nobody consumed it. Whether the press was consumed.
    bool Press(uint16_t word, uint32_t modifiers = 0) {
        bool consumed = false;
        for (int32_t type : {int32_t(evKeyDown), int32_t(evKeyUp)}) {
            TEvent e;
            e.SetType(type);
            e.data[TControl::kwKey] = word;
            e.data[TControl::kwCount] = 1;
            e.record.modifiers = modifiers;
            e.passState = TControl::psFirst;
            root.HandleEvent(nullptr, &e);
            if (e.passState != TControl::psConsumed) {
                e.passState = TControl::psSecond;
                root.HandleEvent(nullptr, &e);
            }
            if (type == evKeyDown) consumed = e.passState == TControl::psConsumed;
        }
        return consumed;
    }
    // A typed character: a scan code with the character.
    bool Type(uint8_t c, uint32_t modifiers = 0) { return Press(uint16_t(0x1E00 | c), modifiers); }
    void Tick(int32_t ms) {
        TEvent e;
        e.SetType(evTick);
        e.data[0] = ms;
        root.HandleEvent(nullptr, &e);
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
