#include "KeyTable.h"

#include "platform/User.h"

#include <array>

namespace platform::input {
namespace {

struct Entry {
    uint16_t usage;
    KeyInfo info;
};

// Only the keys a PC keyboard of the period has; anything else is unknown.
// The keypad digits and point are cursor keys while Num Lock is off: same
// scan code, not extended, no character.
constexpr Entry kKeys[] = {
    {4, {'A', 0x1E, false, 0, 0}},
    {5, {'B', 0x30, false, 0, 0}},
    {6, {'C', 0x2E, false, 0, 0}},
    {7, {'D', 0x20, false, 0, 0}},
    {8, {'E', 0x12, false, 0, 0}},
    {9, {'F', 0x21, false, 0, 0}},
    {10, {'G', 0x22, false, 0, 0}},
    {11, {'H', 0x23, false, 0, 0}},
    {12, {'I', 0x17, false, 0, 0}},
    {13, {'J', 0x24, false, 0, 0}},
    {14, {'K', 0x25, false, 0, 0}},
    {15, {'L', 0x26, false, 0, 0}},
    {16, {'M', 0x32, false, 0, 0}},
    {17, {'N', 0x31, false, 0, 0}},
    {18, {'O', 0x18, false, 0, 0}},
    {19, {'P', 0x19, false, 0, 0}},
    {20, {'Q', 0x10, false, 0, 0}},
    {21, {'R', 0x13, false, 0, 0}},
    {22, {'S', 0x1F, false, 0, 0}},
    {23, {'T', 0x14, false, 0, 0}},
    {24, {'U', 0x16, false, 0, 0}},
    {25, {'V', 0x2F, false, 0, 0}},
    {26, {'W', 0x11, false, 0, 0}},
    {27, {'X', 0x2D, false, 0, 0}},
    {28, {'Y', 0x15, false, 0, 0}},
    {29, {'Z', 0x2C, false, 0, 0}},
    {30, {'1', 0x02, false, 0, 0}},
    {31, {'2', 0x03, false, 0, 0}},
    {32, {'3', 0x04, false, 0, 0}},
    {33, {'4', 0x05, false, 0, 0}},
    {34, {'5', 0x06, false, 0, 0}},
    {35, {'6', 0x07, false, 0, 0}},
    {36, {'7', 0x08, false, 0, 0}},
    {37, {'8', 0x09, false, 0, 0}},
    {38, {'9', 0x0A, false, 0, 0}},
    {39, {'0', 0x0B, false, 0, 0}},
    {40, {VK_RETURN, 0x1C, false, 0, 0}},
    {41, {VK_ESCAPE, 0x01, false, 0, 0}},
    {42, {VK_BACK, 0x0E, false, 0, 0}},
    {43, {VK_TAB, 0x0F, false, 0, 0}},
    {44, {VK_SPACE, 0x39, false, 0, 0}},
    {45, {VK_OEM_MINUS, 0x0C, false, 0, 0}},
    {46, {VK_OEM_PLUS, 0x0D, false, 0, 0}},
    {47, {VK_OEM_4, 0x1A, false, 0, 0}},
    {48, {VK_OEM_6, 0x1B, false, 0, 0}},
    {49, {VK_OEM_5, 0x2B, false, 0, 0}},
    {50, {VK_OEM_5, 0x2B, false, 0, 0}},
    {51, {VK_OEM_1, 0x27, false, 0, 0}},
    {52, {VK_OEM_7, 0x28, false, 0, 0}},
    {53, {VK_OEM_3, 0x29, false, 0, 0}},
    {54, {VK_OEM_COMMA, 0x33, false, 0, 0}},
    {55, {VK_OEM_PERIOD, 0x34, false, 0, 0}},
    {56, {VK_OEM_2, 0x35, false, 0, 0}},
    {57, {VK_CAPITAL, 0x3A, false, 0, 0}},
    {58, {VK_F1, 0x3B, false, 0, 0}},
    {59, {VK_F2, 0x3C, false, 0, 0}},
    {60, {VK_F3, 0x3D, false, 0, 0}},
    {61, {VK_F4, 0x3E, false, 0, 0}},
    {62, {VK_F5, 0x3F, false, 0, 0}},
    {63, {VK_F6, 0x40, false, 0, 0}},
    {64, {VK_F7, 0x41, false, 0, 0}},
    {65, {VK_F8, 0x42, false, 0, 0}},
    {66, {VK_F9, 0x43, false, 0, 0}},
    {67, {VK_F10, 0x44, false, 0, 0}},
    {68, {VK_F11, 0x57, false, 0, 0}},
    {69, {VK_F12, 0x58, false, 0, 0}},
    {70, {VK_SNAPSHOT, 0x37, true, 0, 0}},
    {71, {VK_SCROLL, 0x46, false, 0, 0}},
    {72, {VK_PAUSE, 0x45, false, 0, 0}},
    {73, {VK_INSERT, 0x52, true, 0, 0}},
    {74, {VK_HOME, 0x47, true, 0, 0}},
    {75, {VK_PRIOR, 0x49, true, 0, 0}},
    {76, {VK_DELETE, 0x53, true, 0, 0}},
    {77, {VK_END, 0x4F, true, 0, 0}},
    {78, {VK_NEXT, 0x51, true, 0, 0}},
    {79, {VK_RIGHT, 0x4D, true, 0, 0}},
    {80, {VK_LEFT, 0x4B, true, 0, 0}},
    {81, {VK_DOWN, 0x50, true, 0, 0}},
    {82, {VK_UP, 0x48, true, 0, 0}},
    {83, {VK_NUMLOCK, 0x45, true, 0, 0}},
    {84, {VK_DIVIDE, 0x35, true, 0, 0}},
    {85, {VK_MULTIPLY, 0x37, false, 0, 0}},
    {86, {VK_SUBTRACT, 0x4A, false, 0, 0}},
    {87, {VK_ADD, 0x4E, false, 0, 0}},
    {88, {VK_RETURN, 0x1C, true, 0, 0}},
    {89, {VK_NUMPAD1, 0x4F, false, 0, VK_END}},
    {90, {VK_NUMPAD2, 0x50, false, 0, VK_DOWN}},
    {91, {VK_NUMPAD3, 0x51, false, 0, VK_NEXT}},
    {92, {VK_NUMPAD4, 0x4B, false, 0, VK_LEFT}},
    {93, {VK_NUMPAD5, 0x4C, false, 0, VK_CLEAR}},
    {94, {VK_NUMPAD6, 0x4D, false, 0, VK_RIGHT}},
    {95, {VK_NUMPAD7, 0x47, false, 0, VK_HOME}},
    {96, {VK_NUMPAD8, 0x48, false, 0, VK_UP}},
    {97, {VK_NUMPAD9, 0x49, false, 0, VK_PRIOR}},
    {98, {VK_NUMPAD0, 0x52, false, 0, VK_INSERT}},
    {99, {VK_DECIMAL, 0x53, false, 0, VK_DELETE}},
    {100, {VK_OEM_102, 0x56, false, 0, 0}},
    {101, {VK_APPS, 0x5D, true, 0, 0}},
    {224, {VK_CONTROL, 0x1D, false, VK_LCONTROL, 0}},
    {225, {VK_SHIFT, 0x2A, false, VK_LSHIFT, 0}},
    {226, {VK_MENU, 0x38, false, VK_LMENU, 0}},
    {227, {VK_LWIN, 0x5B, true, 0, 0}},
    {228, {VK_CONTROL, 0x1D, true, VK_RCONTROL, 0}},
    {229, {VK_SHIFT, 0x36, false, VK_RSHIFT, 0}},
    {230, {VK_MENU, 0x38, true, VK_RMENU, 0}},
    {231, {VK_RWIN, 0x5C, true, 0, 0}},
};

std::array<KeyInfo, 256> BuildTable() {
    std::array<KeyInfo, 256> table{};
    for (const Entry& e : kKeys)
        table[e.usage] = e.info;
    return table;
}

} // namespace

KeyInfo LookupKey(unsigned hidUsage) {
    static const std::array<KeyInfo, 256> table = BuildTable();
    return hidUsage < table.size() ? table[hidUsage] : KeyInfo{};
}

} // namespace platform::input
