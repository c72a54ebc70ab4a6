// Engine events made by hand for the user-interface tests.
#pragma once

#include "foundation/TEventMgr.h"
#include "platform/Host.h"
#include "ui/TControl.h"

#include <cstdint>
#include <vector>

namespace uitest {

// The word an event names an object by.
inline uintptr_t Word(const TNamedObj* p) {
    return TEvent::WordOf(p);
}

inline TEvent MouseEvent(int32_t type, int32_t x, int32_t y) {
    TEvent e;
    e.SetType(type);
    e.record.x = x;
    e.record.y = y;
    return e;
}

// A key event in a pass state; a repeat count of 1 is a fresh press.
inline TEvent KeyEvent(int32_t type, uint16_t key, uint32_t modifiers, int32_t pass,
                       intptr_t count = 1) {
    TEvent e;
    e.SetType(type);
    e.data[TControl::kwKey] = key;
    e.data[TControl::kwCount] = count;
    e.record.modifiers = modifiers;
    e.passState = pass;
    return e;
}

// Presses and releases a key with the given keys held around it.
inline void InjectStroke(platform::KeyCode key, const std::vector<platform::KeyCode>& held) {
    for (platform::KeyCode k : held)
        platform::InjectKey(k, true);
    platform::InjectKey(key, true);
    platform::InjectKey(key, false);
    for (platform::KeyCode k : held)
        platform::InjectKey(k, false);
}

} // namespace uitest
