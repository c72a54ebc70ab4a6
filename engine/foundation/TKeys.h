// The key words of the keys the engine recognises by name. A key event's word
// is the PC set-1 scan code x 256 + the character the key types (0 for keys
// that type none), so keys that type the same character stay apart: Enter
// and keypad Enter, Backspace and Ctrl+H.
#pragma once

#include <cstdint>

constexpr uint16_t kKeyEscape = 0x011B;
constexpr uint16_t kKeyBackspace = 0x0E08;
constexpr uint16_t kKeyTab = 0x0F09;
constexpr uint16_t kKeyCtrlTab = 0x0F00; // Tab with Ctrl types no character
constexpr uint16_t kKeyEnter = 0x1C0D;
constexpr uint16_t kKeyPadEnter = 0xE00D;
constexpr uint16_t kKeySpace = 0x3920;
constexpr uint16_t kKeyF1 = 0x3B00;
constexpr uint16_t kKeyF2 = 0x3C00;
constexpr uint16_t kKeyF4 = 0x3E00;
constexpr uint16_t kKeyF11 = 0x5700;
constexpr uint16_t kKeyF12 = 0x5800;
constexpr uint16_t kKeyHome = 0x4700;
constexpr uint16_t kKeyUp = 0x4800;
constexpr uint16_t kKeyPageUp = 0x4900;
constexpr uint16_t kKeyLeft = 0x4B00;
constexpr uint16_t kKeyRight = 0x4D00;
constexpr uint16_t kKeyEnd = 0x4F00;
constexpr uint16_t kKeyDown = 0x5000;
constexpr uint16_t kKeyPageDown = 0x5100;
constexpr uint16_t kKeyInsert = 0x5200;
constexpr uint16_t kKeyDelete = 0x5300;

// The scan code of a key word: keys told apart by their scan code alone.
constexpr uint8_t KeyScanOf(uint16_t key) {
    return static_cast<uint8_t>(key >> 8);
}
