// The keyboard as a Windows program sees it: virtual keys and set-1 scan
// codes of every key a PC keyboard has, the lParam bits of key and character
// messages, which keys are system keys, and the characters TranslateMessage
// makes on a US layout.
#include "MessageRecorder.h"

using namespace testing_user;
using platform::KeyCode;

namespace {

class KeyRules : public UserTest {
protected:
    HWND w = nullptr;
    void SetUp() override {
        UserTest::SetUp();
        w = Make(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
        ASSERT_NE(w, nullptr);
        Pump();
        Log().clear();
    }
    // Presses (true) and releases (false) keys in order and returns every
    // key and character message read.
    std::vector<MSG> Type(std::initializer_list<std::pair<KeyCode, bool>> strokes) {
        for (auto [key, down] : strokes)
            platform::InjectKey(key, down);
        std::vector<MSG> keys;
        for (const MSG& m : Pump())
            if (m.message >= WM_KEYFIRST && m.message <= WM_KEYLAST) keys.push_back(m);
        return keys;
    }
};

constexpr LPARAM kExtended = LPARAM{1} << 24;
constexpr LPARAM kContext = LPARAM{1} << 29;
constexpr LPARAM kPrevious = LPARAM{1} << 30;
constexpr LPARAM kTransition = LPARAM{1} << 31;

// Every key of the layer's table against the virtual key and set-1 scan code
// Windows reports for it (keypad digits as with Num Lock on).
TEST_F(KeyRules, EveryKeyHasItsVirtualKeyScanCodeAndExtendedBit) {
    struct Case {
        KeyCode key;
        int vk, scan;
        bool extended;
    } cases[] = {
        {KeyCode::A, 'A', 0x1E, false},
        {KeyCode::B, 'B', 0x30, false},
        {KeyCode::C, 'C', 0x2E, false},
        {KeyCode::D, 'D', 0x20, false},
        {KeyCode::E, 'E', 0x12, false},
        {KeyCode::F, 'F', 0x21, false},
        {KeyCode::G, 'G', 0x22, false},
        {KeyCode::H, 'H', 0x23, false},
        {KeyCode::I, 'I', 0x17, false},
        {KeyCode::J, 'J', 0x24, false},
        {KeyCode::K, 'K', 0x25, false},
        {KeyCode::L, 'L', 0x26, false},
        {KeyCode::M, 'M', 0x32, false},
        {KeyCode::N, 'N', 0x31, false},
        {KeyCode::O, 'O', 0x18, false},
        {KeyCode::P, 'P', 0x19, false},
        {KeyCode::Q, 'Q', 0x10, false},
        {KeyCode::R, 'R', 0x13, false},
        {KeyCode::S, 'S', 0x1F, false},
        {KeyCode::T, 'T', 0x14, false},
        {KeyCode::U, 'U', 0x16, false},
        {KeyCode::V, 'V', 0x2F, false},
        {KeyCode::W, 'W', 0x11, false},
        {KeyCode::X, 'X', 0x2D, false},
        {KeyCode::Y, 'Y', 0x15, false},
        {KeyCode::Z, 'Z', 0x2C, false},
        {KeyCode::Digit1, '1', 0x02, false},
        {KeyCode::Digit2, '2', 0x03, false},
        {KeyCode::Digit3, '3', 0x04, false},
        {KeyCode::Digit4, '4', 0x05, false},
        {KeyCode::Digit5, '5', 0x06, false},
        {KeyCode::Digit6, '6', 0x07, false},
        {KeyCode::Digit7, '7', 0x08, false},
        {KeyCode::Digit8, '8', 0x09, false},
        {KeyCode::Digit9, '9', 0x0A, false},
        {KeyCode::Digit0, '0', 0x0B, false},
        {KeyCode::Return, VK_RETURN, 0x1C, false},
        {KeyCode::Escape, VK_ESCAPE, 0x01, false},
        {KeyCode::Backspace, VK_BACK, 0x0E, false},
        {KeyCode::Tab, VK_TAB, 0x0F, false},
        {KeyCode::Space, VK_SPACE, 0x39, false},
        {KeyCode::Minus, VK_OEM_MINUS, 0x0C, false},
        {KeyCode::Equals, VK_OEM_PLUS, 0x0D, false},
        {KeyCode::LeftBracket, VK_OEM_4, 0x1A, false},
        {KeyCode::RightBracket, VK_OEM_6, 0x1B, false},
        {KeyCode::Backslash, VK_OEM_5, 0x2B, false},
        {KeyCode::NonUsHash, VK_OEM_5, 0x2B, false},
        {KeyCode::Semicolon, VK_OEM_1, 0x27, false},
        {KeyCode::Apostrophe, VK_OEM_7, 0x28, false},
        {KeyCode::Grave, VK_OEM_3, 0x29, false},
        {KeyCode::Comma, VK_OEM_COMMA, 0x33, false},
        {KeyCode::Period, VK_OEM_PERIOD, 0x34, false},
        {KeyCode::Slash, VK_OEM_2, 0x35, false},
        {KeyCode::F1, VK_F1, 0x3B, false},
        {KeyCode::F2, VK_F2, 0x3C, false},
        {KeyCode::F3, VK_F3, 0x3D, false},
        {KeyCode::F4, VK_F4, 0x3E, false},
        {KeyCode::F5, VK_F5, 0x3F, false},
        {KeyCode::F6, VK_F6, 0x40, false},
        {KeyCode::F7, VK_F7, 0x41, false},
        {KeyCode::F8, VK_F8, 0x42, false},
        {KeyCode::F9, VK_F9, 0x43, false},
        {KeyCode::F11, VK_F11, 0x57, false},
        {KeyCode::F12, VK_F12, 0x58, false},
        {KeyCode::ScrollLock, VK_SCROLL, 0x46, false},
        {KeyCode::Pause, VK_PAUSE, 0x45, false},
        {KeyCode::Insert, VK_INSERT, 0x52, true},
        {KeyCode::Home, VK_HOME, 0x47, true},
        {KeyCode::PageUp, VK_PRIOR, 0x49, true},
        {KeyCode::Delete, VK_DELETE, 0x53, true},
        {KeyCode::End, VK_END, 0x4F, true},
        {KeyCode::PageDown, VK_NEXT, 0x51, true},
        {KeyCode::Right, VK_RIGHT, 0x4D, true},
        {KeyCode::Left, VK_LEFT, 0x4B, true},
        {KeyCode::Down, VK_DOWN, 0x50, true},
        {KeyCode::Up, VK_UP, 0x48, true},
        {KeyCode::KpDivide, VK_DIVIDE, 0x35, true},
        {KeyCode::KpMultiply, VK_MULTIPLY, 0x37, false},
        {KeyCode::KpMinus, VK_SUBTRACT, 0x4A, false},
        {KeyCode::KpPlus, VK_ADD, 0x4E, false},
        {KeyCode::KpEnter, VK_RETURN, 0x1C, true},
        {KeyCode::Kp1, VK_NUMPAD1, 0x4F, false},
        {KeyCode::Kp2, VK_NUMPAD2, 0x50, false},
        {KeyCode::Kp3, VK_NUMPAD3, 0x51, false},
        {KeyCode::Kp4, VK_NUMPAD4, 0x4B, false},
        {KeyCode::Kp5, VK_NUMPAD5, 0x4C, false},
        {KeyCode::Kp6, VK_NUMPAD6, 0x4D, false},
        {KeyCode::Kp7, VK_NUMPAD7, 0x47, false},
        {KeyCode::Kp8, VK_NUMPAD8, 0x48, false},
        {KeyCode::Kp9, VK_NUMPAD9, 0x49, false},
        {KeyCode::Kp0, VK_NUMPAD0, 0x52, false},
        {KeyCode::KpPeriod, VK_DECIMAL, 0x53, false},
        {KeyCode::NonUsBackslash, VK_OEM_102, 0x56, false},
        {KeyCode::Application, VK_APPS, 0x5D, true},
        {KeyCode::LeftCtrl, VK_CONTROL, 0x1D, false},
        {KeyCode::RightCtrl, VK_CONTROL, 0x1D, true},
        {KeyCode::LeftShift, VK_SHIFT, 0x2A, false},
        {KeyCode::RightShift, VK_SHIFT, 0x36, false},
        {KeyCode::LeftGui, VK_LWIN, 0x5B, true},
        {KeyCode::RightGui, VK_RWIN, 0x5C, true},
    };
    for (const Case& c : cases) {
        std::vector<MSG> got = Type({{c.key, true}, {c.key, false}});
        ASSERT_GE(got.size(), 2u) << static_cast<int>(c.key);
        const MSG& down = got.front();
        const MSG& up = got.back();
        LPARAM bits = (LPARAM{c.scan} << 16) | (c.extended ? kExtended : 0) | 1;
        EXPECT_EQ(down.message, static_cast<UINT>(WM_KEYDOWN)) << static_cast<int>(c.key);
        EXPECT_EQ(down.wParam, static_cast<WPARAM>(c.vk)) << static_cast<int>(c.key);
        EXPECT_EQ(down.lParam, bits) << static_cast<int>(c.key);
        EXPECT_EQ(up.message, static_cast<UINT>(WM_KEYUP)) << static_cast<int>(c.key);
        EXPECT_EQ(up.wParam, static_cast<WPARAM>(c.vk)) << static_cast<int>(c.key);
        EXPECT_EQ(up.lParam, bits | kPrevious | kTransition) << static_cast<int>(c.key);
    }
}

// Which key messages a stroke makes, with the context bit (Alt held).
TEST_F(KeyRules, AltAndF10MakeSystemKeysAsWindowsDoes) {
    struct Step {
        UINT msg;
        WPARAM vk;
        bool context;
    };
    struct Case {
        const char* what;
        std::vector<std::pair<KeyCode, bool>> strokes;
        std::vector<Step> expected;
    } cases[] = {
        {"Alt alone",
         {{KeyCode::LeftAlt, true}, {KeyCode::LeftAlt, false}},
         {{WM_SYSKEYDOWN, VK_MENU, true}, {WM_SYSKEYUP, VK_MENU, false}}},
        {"Alt+X: the Alt release after a combination is an ordinary key-up",
         {{KeyCode::LeftAlt, true},
          {KeyCode::X, true},
          {KeyCode::X, false},
          {KeyCode::LeftAlt, false}},
         {{WM_SYSKEYDOWN, VK_MENU, true},
          {WM_SYSKEYDOWN, 'X', true},
          {WM_SYSCHAR, 'x', true},
          {WM_SYSKEYUP, 'X', true},
          {WM_KEYUP, VK_MENU, false}}},
        {"Alt released before the key",
         {{KeyCode::RightAlt, true},
          {KeyCode::X, true},
          {KeyCode::RightAlt, false},
          {KeyCode::X, false}},
         {{WM_SYSKEYDOWN, VK_MENU, true},
          {WM_SYSKEYDOWN, 'X', true},
          {WM_SYSCHAR, 'x', true},
          {WM_KEYUP, VK_MENU, false},
          {WM_KEYUP, 'X', false}}},
        {"F10 alone",
         {{KeyCode::F10, true}, {KeyCode::F10, false}},
         {{WM_SYSKEYDOWN, VK_F10, false}, {WM_SYSKEYUP, VK_F10, false}}},
        {"Ctrl+Alt+X (AltGr) is an ordinary key with Alt's context bit",
         {{KeyCode::LeftCtrl, true},
          {KeyCode::LeftAlt, true},
          {KeyCode::X, true},
          {KeyCode::X, false},
          {KeyCode::LeftAlt, false},
          {KeyCode::LeftCtrl, false}},
         {{WM_KEYDOWN, VK_CONTROL, false},
          {WM_KEYDOWN, VK_MENU, true},
          {WM_KEYDOWN, 'X', true},
          {WM_KEYUP, 'X', true},
          {WM_KEYUP, VK_MENU, false},
          {WM_KEYUP, VK_CONTROL, false}}},
    };
    for (const Case& c : cases) {
        for (auto [key, down] : c.strokes)
            platform::InjectKey(key, down);
        std::vector<MSG> got;
        for (const MSG& m : Pump())
            if (m.message >= WM_KEYFIRST && m.message <= WM_KEYLAST) got.push_back(m);
        ASSERT_EQ(got.size(), c.expected.size()) << c.what;
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].message, c.expected[i].msg) << c.what << " #" << i;
            EXPECT_EQ(got[i].wParam, c.expected[i].vk) << c.what << " #" << i;
            EXPECT_EQ((got[i].lParam & kContext) != 0, c.expected[i].context)
                << c.what << " #" << i;
        }
    }
}

// The character TranslateMessage makes for a key with modifiers held, on a
// US layout; -1 for none.
TEST_F(KeyRules, TranslateMessageTypesTheUsLayout) {
    struct Case {
        KeyCode key;
        bool shift, ctrl, caps;
        int ch;
    } cases[] = {
        {KeyCode::A, false, false, false, 'a'},
        {KeyCode::A, true, false, false, 'A'},
        {KeyCode::A, false, false, true, 'A'},
        {KeyCode::A, true, false, true, 'a'},
        {KeyCode::A, false, true, false, 0x01},
        {KeyCode::Z, true, true, false, 0x1A},
        {KeyCode::C, false, true, true, 0x03},
        {KeyCode::Digit1, false, false, true, '1'},
        {KeyCode::Digit1, true, false, false, '!'},
        {KeyCode::Digit1, false, true, false, -1},
        {KeyCode::Digit2, true, true, false, 0x00},
        {KeyCode::Digit6, true, true, false, 0x1E},
        {KeyCode::Digit6, false, true, false, -1},
        {KeyCode::Minus, false, true, false, -1},
        {KeyCode::Minus, true, true, false, 0x1F},
        {KeyCode::LeftBracket, false, true, false, 0x1B},
        {KeyCode::Backslash, false, true, false, 0x1C},
        {KeyCode::RightBracket, false, true, false, 0x1D},
        {KeyCode::Return, false, false, false, '\r'},
        {KeyCode::Return, false, true, false, '\n'},
        {KeyCode::KpEnter, false, false, false, '\r'},
        {KeyCode::Backspace, false, false, false, 0x08},
        {KeyCode::Backspace, false, true, false, 0x7F},
        {KeyCode::Escape, false, false, false, 0x1B},
        {KeyCode::Tab, false, true, false, -1},
        {KeyCode::Space, false, true, false, ' '},
        {KeyCode::Grave, true, false, false, '~'},
        {KeyCode::Apostrophe, true, false, false, '"'},
        {KeyCode::Kp7, false, false, false, '7'},
        {KeyCode::KpMultiply, false, false, false, '*'},
        {KeyCode::F1, false, false, false, -1},
        {KeyCode::Left, false, false, false, -1},
        {KeyCode::Delete, false, false, false, -1},
    };
    bool capsOn = false;
    for (const Case& c : cases) {
        if (c.caps != capsOn) {
            Type({{KeyCode::CapsLock, true}, {KeyCode::CapsLock, false}});
            capsOn = c.caps;
        }
        ASSERT_EQ(GetKeyState(VK_CAPITAL) & 1, capsOn ? 1 : 0);
        if (c.shift) platform::InjectKey(KeyCode::LeftShift, true);
        if (c.ctrl) platform::InjectKey(KeyCode::RightCtrl, true);
        platform::InjectKey(c.key, true);
        platform::InjectKey(c.key, false);
        if (c.ctrl) platform::InjectKey(KeyCode::RightCtrl, false);
        if (c.shift) platform::InjectKey(KeyCode::LeftShift, false);
        int ch = -1;
        int chars = 0;
        LPARAM keyLParam = 0, charLParam = 0;
        for (const MSG& m : Pump()) {
            if (m.message == WM_KEYDOWN && m.wParam != VK_SHIFT && m.wParam != VK_CONTROL)
                keyLParam = m.lParam;
            if (m.message == WM_CHAR) {
                ch = static_cast<int>(m.wParam);
                charLParam = m.lParam;
                ++chars;
            }
        }
        EXPECT_EQ(ch, c.ch) << static_cast<int>(c.key) << " shift " << c.shift << " ctrl " << c.ctrl
                            << " caps " << c.caps;
        EXPECT_LE(chars, 1);
        // A character carries the lParam of the key that typed it.
        if (chars) {
            EXPECT_EQ(charLParam, keyLParam) << static_cast<int>(c.key);
        }
    }
}

// Text the host typed wins, except that Ctrl combinations type control codes.
TEST_F(KeyRules, HostTextGivesWayToControlCodes) {
    platform::InjectKey(KeyCode::Q, true);
    platform::InjectText("\xC3\xA9"); // a layout where that key types e acute
    platform::InjectKey(KeyCode::Q, false);
    std::vector<MSG> got = Type({});
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[1].wParam, 0xE9u);
    // Text without a key arrives as characters of its own: cp1252 bytes, and
    // nothing for characters outside the code page or over-long forms.
    const struct {
        const char* utf8;
        std::vector<WPARAM> bytes;
    } texts[] = {
        {"\xE2\x82\xAC", {0x80}},
        {"\xC3\xA9x", {0xE9, 'x'}},
        {"\xE4\xB8\x80", {}},
        {"\xC0\x80", {}},
        {"\xC1\x81", {}},
        {"\xE0\x80\x81", {}},
        {"\xC5\x93\xE2\x80\x94", {0x9C, 0x97}},
    };
    for (const auto& t : texts) {
        platform::InjectText(t.utf8);
        std::vector<WPARAM> bytes;
        for (const MSG& m : Type({}))
            bytes.push_back(m.wParam);
        EXPECT_EQ(bytes, t.bytes) << t.utf8;
    }
    Type({});
    platform::InjectKey(KeyCode::LeftCtrl, true);
    platform::InjectKey(KeyCode::Q, true);
    platform::InjectText("q");
    got = Type({{KeyCode::Q, false}, {KeyCode::LeftCtrl, false}});
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[2].message, static_cast<UINT>(WM_CHAR));
    EXPECT_EQ(got[2].wParam, 0x11u);
}

// Auto-repeat: the previous-state bit, a count for repeats not read yet, and
// the toggle bit of the lock keys on presses only.
TEST_F(KeyRules, RepeatsAndToggleBits) {
    platform::InjectKey(KeyCode::Down, true);
    platform::InjectKey(KeyCode::Down, true, true);
    platform::InjectKey(KeyCode::Down, true, true);
    platform::InjectKey(KeyCode::Down, false);
    std::vector<MSG> got = Type({});
    ASSERT_EQ(got.size(), 3u);
    const LPARAM bits = (LPARAM{0x50} << 16) | kExtended;
    EXPECT_EQ(got[0].lParam, bits | 1);
    EXPECT_EQ(got[1].lParam, bits | kPrevious | 2);
    EXPECT_EQ(got[2].lParam, bits | kPrevious | kTransition | 1);

    struct Lock {
        KeyCode key;
        int vk;
    } locks[] = {{KeyCode::CapsLock, VK_CAPITAL}, {KeyCode::ScrollLock, VK_SCROLL}};
    for (const Lock& l : locks) {
        int before = GetKeyState(l.vk) & 1;
        platform::InjectKey(l.key, true);
        platform::InjectKey(l.key, true, true);
        Type({});
        EXPECT_LT(GetKeyState(l.vk), 0);
        EXPECT_EQ(GetKeyState(l.vk) & 1, before ^ 1) << "a repeat toggles nothing";
        Type({{l.key, false}});
        EXPECT_EQ(GetKeyState(l.vk), before ^ 1);
    }
}

// With Num Lock off the keypad digits are cursor keys: the same scan code
// without the extended bit, and no character. The host may set the locks.
TEST_F(KeyRules, NumLockDecidesWhatTheKeypadIs) {
    EXPECT_EQ(GetKeyState(VK_NUMLOCK) & 1, 1); // on, as a PC starts
    Type({{KeyCode::NumLock, true}, {KeyCode::NumLock, false}});
    EXPECT_EQ(GetKeyState(VK_NUMLOCK) & 1, 0);
    const struct {
        KeyCode key;
        int vk, scan;
    } cases[] = {
        {KeyCode::Kp8, VK_UP, 0x48},     {KeyCode::Kp5, VK_CLEAR, 0x4C},
        {KeyCode::Kp0, VK_INSERT, 0x52}, {KeyCode::KpPeriod, VK_DELETE, 0x53},
        {KeyCode::Kp1, VK_END, 0x4F},    {KeyCode::Kp9, VK_PRIOR, 0x49},
    };
    for (const auto& c : cases) {
        std::vector<MSG> got = Type({{c.key, true}, {c.key, false}});
        ASSERT_EQ(got.size(), 2u) << static_cast<int>(c.key); // no character
        EXPECT_EQ(got[0].wParam, static_cast<WPARAM>(c.vk));
        EXPECT_EQ(got[0].lParam, (LPARAM{c.scan} << 16) | 1);
        EXPECT_EQ(got[1].wParam, static_cast<WPARAM>(c.vk));
    }
    platform::InjectLockState(true, true);
    EXPECT_EQ(GetKeyState(VK_NUMLOCK) & 1, 1);
    EXPECT_EQ(GetKeyState(VK_CAPITAL) & 1, 1);
    std::vector<MSG> got = Type({{KeyCode::Kp8, true}, {KeyCode::Kp8, false}});
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].wParam, static_cast<WPARAM>(VK_NUMPAD8));
    EXPECT_EQ(got[1].message, static_cast<UINT>(WM_CHAR));
    EXPECT_EQ(got[1].wParam, static_cast<WPARAM>('8'));
    got = Type({{KeyCode::Q, true}, {KeyCode::Q, false}});
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[1].wParam, static_cast<WPARAM>('Q')); // Caps Lock is on
}

// Shift held on both sides: releasing one leaves the generic key down.
TEST_F(KeyRules, GenericModifierStaysDownWhileEitherSideIs) {
    Type({{KeyCode::LeftShift, true}, {KeyCode::RightShift, true}, {KeyCode::LeftShift, false}});
    EXPECT_LT(GetKeyState(VK_SHIFT), 0);
    EXPECT_LT(GetKeyState(VK_RSHIFT), 0);
    EXPECT_GE(GetKeyState(VK_LSHIFT), 0);
    Type({{KeyCode::RightShift, false}});
    EXPECT_GE(GetKeyState(VK_SHIFT), 0);
}

} // namespace
