// TranslateMessage: a key-down makes the character it types, posted so that
// it is the next message read. Text a host typed with the key wins; without
// it the layer's own US layout decides.
#include "../window/UserState.h"

namespace {

using namespace platform::user;

struct Oem {
    BYTE vk;
    char plain, shifted, control;
};

constexpr Oem kOem[] = {
    {VK_OEM_MINUS, '-', '_', 0x1F}, {VK_OEM_PLUS, '=', '+', 0},  {VK_OEM_4, '[', '{', 0x1B},
    {VK_OEM_6, ']', '}', 0x1D},     {VK_OEM_5, '\\', '|', 0x1C}, {VK_OEM_1, ';', ':', 0},
    {VK_OEM_7, '\'', '"', 0},       {VK_OEM_3, '`', '~', 0},     {VK_OEM_COMMA, ',', '<', 0},
    {VK_OEM_PERIOD, '.', '>', 0},   {VK_OEM_2, '/', '?', 0},     {VK_OEM_102, '\\', '|', 0x1C},
    {VK_SPACE, ' ', ' ', ' '},      {VK_TAB, '\t', '\t', 0},     {VK_ESCAPE, 0x1B, 0x1B, 0x1B},
    {VK_RETURN, '\r', '\r', '\n'},  {VK_BACK, 0x08, 0x08, 0x7F}, {VK_MULTIPLY, '*', '*', 0},
    {VK_ADD, '+', '+', 0},          {VK_SUBTRACT, '-', '-', 0},  {VK_DECIMAL, '.', '.', 0},
    {VK_DIVIDE, '/', '/', 0},
};

// The character of a key on a US keyboard; 0 for none.
int LayoutChar(int vk, bool shift, bool caps, bool ctrl, bool alt) {
    if (ctrl && alt) return 0; // AltGr has nothing on a US keyboard
    if (vk >= 'A' && vk <= 'Z') {
        if (ctrl) return vk - 'A' + 1;
        return (shift != caps) ? vk : vk - 'A' + 'a';
    }
    if (vk >= '0' && vk <= '9') {
        if (ctrl) return 0;
        static const char kShifted[] = ")!@#$%^&*(";
        return shift ? kShifted[vk - '0'] : vk;
    }
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return ctrl ? 0 : '0' + (vk - VK_NUMPAD0);
    for (const Oem& o : kOem)
        if (o.vk == vk)
            return static_cast<unsigned char>(ctrl ? o.control : (shift ? o.shifted : o.plain));
    return 0;
}

} // namespace

BOOL TranslateMessage(const MSG* msg) {
    if (!msg) return FALSE;
    UINT m = msg->message;
    if (m == WM_KEYUP || m == WM_SYSKEYUP) return TRUE;
    if (m != WM_KEYDOWN && m != WM_SYSKEYDOWN) return FALSE;
    auto& st = State();
    std::lock_guard<std::mutex> lock(st.mutex);
    WindowPtr w = FindLocked(msg->hwnd);
    if (!w) return TRUE;
    auto q = QueueLocked(w->thread);
    std::string chars;
    const MSG& k = q->lastKey;
    if (!q->lastKeyText.empty() && k.hwnd == msg->hwnd && k.message == m &&
        k.wParam == msg->wParam && k.lParam == msg->lParam && k.time == msg->time) {
        chars = q->lastKeyText;
    } else {
        const BYTE* keys = st.syncKeys;
        int c = LayoutChar(static_cast<int>(msg->wParam), (keys[VK_SHIFT] & 0x80) != 0,
                           (keys[VK_CAPITAL] & 0x01) != 0, (keys[VK_CONTROL] & 0x80) != 0,
                           (msg->lParam & (1 << 29)) != 0);
        if (c) chars += static_cast<char>(c);
    }
    UINT charMsg = (m == WM_SYSKEYDOWN) ? WM_SYSCHAR : WM_CHAR;
    // Ahead of everything else, in typing order.
    for (auto it = chars.rbegin(); it != chars.rend(); ++it)
        PostLocked(w, charMsg, static_cast<unsigned char>(*it), msg->lParam, true);
    return TRUE;
}
