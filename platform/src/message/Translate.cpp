// TranslateMessage: a key-down makes the character it types, posted so that
// it is the next message read. Text a host typed with the key wins; without
// it the layer's own US layout decides.
#include "../window/UserState.h"

namespace {

using namespace platform::user;

constexpr int kNone = -1;

// A key's characters plain, with Shift, with Ctrl and with Ctrl+Shift, as the
// US layout has them; kNone where it types nothing.
struct Layout {
    BYTE vk;
    int plain, shifted, control, controlShifted;
};

constexpr Layout kKeys[] = {
    {'1', '1', '!', kNone, kNone},           {'2', '2', '@', kNone, 0x00},
    {'3', '3', '#', kNone, kNone},           {'4', '4', '$', kNone, kNone},
    {'5', '5', '%', kNone, kNone},           {'6', '6', '^', kNone, 0x1E},
    {'7', '7', '&', kNone, kNone},           {'8', '8', '*', kNone, kNone},
    {'9', '9', '(', kNone, kNone},           {'0', '0', ')', kNone, kNone},
    {VK_OEM_MINUS, '-', '_', kNone, 0x1F},   {VK_OEM_PLUS, '=', '+', kNone, kNone},
    {VK_OEM_4, '[', '{', 0x1B, kNone},       {VK_OEM_6, ']', '}', 0x1D, kNone},
    {VK_OEM_5, '\\', '|', 0x1C, kNone},      {VK_OEM_102, '\\', '|', 0x1C, kNone},
    {VK_OEM_1, ';', ':', kNone, kNone},      {VK_OEM_7, '\'', '"', kNone, kNone},
    {VK_OEM_3, '`', '~', kNone, kNone},      {VK_OEM_COMMA, ',', '<', kNone, kNone},
    {VK_OEM_PERIOD, '.', '>', kNone, kNone}, {VK_OEM_2, '/', '?', kNone, kNone},
    {VK_SPACE, ' ', ' ', ' ', kNone},        {VK_TAB, '\t', '\t', kNone, kNone},
    {VK_ESCAPE, 0x1B, 0x1B, 0x1B, kNone},    {VK_RETURN, '\r', '\r', '\n', kNone},
    {VK_BACK, 0x08, 0x08, 0x7F, kNone},      {VK_CANCEL, 0x03, 0x03, 0x03, kNone},
    {VK_MULTIPLY, '*', '*', kNone, kNone},   {VK_ADD, '+', '+', kNone, kNone},
    {VK_SUBTRACT, '-', '-', kNone, kNone},   {VK_DECIMAL, '.', '.', kNone, kNone},
    {VK_DIVIDE, '/', '/', kNone, kNone},
};

// The character of a key on a US keyboard; kNone for none.
int LayoutChar(int vk, bool shift, bool caps, bool ctrl, bool alt) {
    if (ctrl && alt) return kNone; // AltGr has nothing on a US keyboard
    if (vk >= 'A' && vk <= 'Z') {
        if (ctrl) return vk - 'A' + 1;
        return (shift != caps) ? vk : vk - 'A' + 'a';
    }
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return ctrl ? kNone : '0' + (vk - VK_NUMPAD0);
    for (const Layout& k : kKeys)
        if (k.vk == vk)
            return ctrl ? (shift ? k.controlShifted : k.control) : (shift ? k.shifted : k.plain);
    return kNone;
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
    const BYTE* keys = st.syncKeys;
    bool ctrl = (keys[VK_CONTROL] & 0x80) != 0, alt = (msg->lParam & (1 << 29)) != 0;
    // Ctrl combinations type control codes whatever text the host saw.
    bool hostText = !(ctrl && !alt);
    if (hostText && !q->lastKeyText.empty() && k.hwnd == msg->hwnd && k.message == m &&
        k.wParam == msg->wParam && k.lParam == msg->lParam && k.time == msg->time) {
        chars = q->lastKeyText;
    } else {
        int c = LayoutChar(static_cast<int>(msg->wParam), (keys[VK_SHIFT] & 0x80) != 0,
                           (keys[VK_CAPITAL] & 0x01) != 0, ctrl, alt);
        if (c != kNone) chars += static_cast<char>(c);
    }
    UINT charMsg = (m == WM_SYSKEYDOWN) ? WM_SYSCHAR : WM_CHAR;
    // Ahead of everything else, in typing order.
    for (auto it = chars.rbegin(); it != chars.rend(); ++it)
        PostLocked(w, charMsg, static_cast<unsigned char>(*it), msg->lParam, true);
    return TRUE;
}
