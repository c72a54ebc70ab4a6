// The one table from host key codes (USB HID usages, as SDL numbers its
// scancodes) to Windows virtual keys and PC set-1 scan codes.
#pragma once

#include <cstdint>

namespace platform::input {

struct KeyInfo {
    uint8_t vk;     // 0: the key is not known
    uint8_t scan;   // set-1 make code
    bool extended;  // the E0-prefixed keys (lParam bit 24)
    uint8_t sideVk; // VK_LSHIFT... for the modifier keys, else 0
    uint8_t navVk;  // keypad keys: the key they are while Num Lock is off
};

KeyInfo LookupKey(unsigned hidUsage);

} // namespace platform::input
