// Where input comes from and where pixels go. The semantic layer (User.h and
// the GDI) runs over one of two hosts: the SDL2 host (real windows) or the
// memory host (headless: tests inject input through the same path the SDL
// host uses and read back what windows presented). Also the test hooks for
// what a Linux desktop never sends.
#pragma once

#include "platform/Types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

enum class HostKind { Memory, Sdl };

// Chooses the host before the first window exists. Without a choice the
// environment decides: ADV_HOST=memory|sdl, else the memory host when
// SDL_VIDEODRIVER is "dummy" or no display is set, else SDL (falling back to
// memory when SDL cannot start). False when SDL was asked for and failed.
bool UseHost(HostKind kind);
HostKind CurrentHost();
// Why the program has no desktop, in words for the user: the environment's
// choice ("ADV_HOST=memory") or why SDL could not start ("no display (...)",
// with SDL's reason); empty while the SDL host runs or before a host was
// chosen. SDL runs a screenless driver (dummy, offscreen) only when
// SDL_VIDEODRIVER names it.
std::string NoDesktopReason();

// Keys are named by their USB HID usage, the numbering SDL's scancodes use.
enum class KeyCode : uint16_t {
    A = 4,
    B,
    C,
    D,
    E,
    F,
    G,
    H,
    I,
    J,
    K,
    L,
    M,
    N,
    O,
    P,
    Q,
    R,
    S,
    T,
    U,
    V,
    W,
    X,
    Y,
    Z,
    Digit1 = 30,
    Digit2,
    Digit3,
    Digit4,
    Digit5,
    Digit6,
    Digit7,
    Digit8,
    Digit9,
    Digit0,
    Return = 40,
    Escape,
    Backspace,
    Tab,
    Space,
    Minus,
    Equals,
    LeftBracket,
    RightBracket,
    Backslash,
    NonUsHash,
    Semicolon,
    Apostrophe,
    Grave,
    Comma,
    Period,
    Slash,
    CapsLock,
    F1 = 58,
    F2,
    F3,
    F4,
    F5,
    F6,
    F7,
    F8,
    F9,
    F10,
    F11,
    F12,
    PrintScreen = 70,
    ScrollLock,
    Pause,
    Insert,
    Home,
    PageUp,
    Delete,
    End,
    PageDown,
    Right,
    Left,
    Down,
    Up,
    NumLock,
    KpDivide = 84,
    KpMultiply,
    KpMinus,
    KpPlus,
    KpEnter,
    Kp1,
    Kp2,
    Kp3,
    Kp4,
    Kp5,
    Kp6,
    Kp7,
    Kp8,
    Kp9,
    Kp0,
    KpPeriod,
    NonUsBackslash,
    Application,
    LeftCtrl = 224,
    LeftShift,
    LeftAlt,
    LeftGui,
    RightCtrl,
    RightShift,
    RightAlt,
    RightGui,
};

enum class MouseButton { Left, Right, Middle };

// Raw input, as a host delivers it. Positions are client coordinates of the
// window the event happened in (the SDL convention). Safe to call from the
// thread that owns the windows; the messages are stamped with the layer's
// clock at delivery.
void InjectMouseMove(HWND window, int x, int y);
void InjectMouseButton(HWND window, MouseButton button, bool down, int x, int y);
void InjectMouseWheel(HWND window, int delta);
// `repeat` marks the keyboard's auto-repeat of a held key.
void InjectKey(KeyCode key, bool down, bool repeat = false);
// The toggles of Num Lock and Caps Lock as the host knows them (set before
// the program ran, or changed while another program had the keyboard). Num
// Lock starts on; while it is off the keypad digits are cursor keys.
void InjectLockState(bool numLock, bool capsLock);
// Characters typed by the key just delivered (UTF-8, as a host reads them);
// characters outside cp1252 are dropped. Replaces the layer's own US layout
// for that key's WM_CHAR.
void InjectText(const char* utf8);
// The window's close button.
void InjectCloseButton(HWND window);
// Application switch: the desktop takes the activation away (true) or hands
// it back to the window that had it (false).
void InjectAppSwitch(bool away);

// Log-off query: WM_QUERYENDSESSION to every top-level window; when all agree,
// WM_ENDSESSION(TRUE) follows and the result is true.
bool InjectQueryEndSession();
// A system command (SC_SCREENSAVE, SC_MONITORPOWER...) sent to the foreground
// window, as the desktop would. Returns the window procedure's result.
LRESULT InjectSystemCommand(UINT command, LPARAM lParam = 0);
// How often the default window procedure let the screen saver start or the
// monitor power change since the last reset.
int ScreenSaverStarts();
int MonitorPowerChanges();
void ResetSystemCommandCounts();
// How often GetMessageA found nothing and waited, in this process: a wait
// ends when something arrives, so a quiet queue costs a few rounds, not one
// per millisecond.
uint64_t MessageWaitRounds();

// The last frame a window presented, 0x00RRGGBB, top row first; empty for a
// window that never presented. Flushes pending presentation first.
struct Frame {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};
Frame PresentedFrame(HWND window);
// Writes a frame for inspection: 24-bit BMP, or PNG (stored, uncompressed
// deflate). False when the file cannot be written.
bool WriteFrameBmp(const Frame& frame, const char* path);
bool WriteFramePng(const Frame& frame, const char* path);

// Message boxes under the memory host (and SDL's screenless drivers) are
// answered by a policy. Under SDL, a box that cannot be shown (SDL fails, or
// another thread than the windows' asks) is written to stderr and answered
// Ignore where it has that button, else its default button: never Abort.
// Every box is logged.
enum class BoxPolicy { FirstButton, DefaultButton, Scripted };
struct BoxRecord {
    HWND owner;
    std::string text;
    std::string caption;
    UINT type;
    int answer;
};
void SetMessageBoxPolicy(BoxPolicy policy);
// Scripted answers (IDOK, IDRETRY...), used in order; when they run out, or an
// answer is not a button of the box, the first button answers.
void ScriptMessageBoxAnswers(const std::vector<int>& answers);
std::vector<BoxRecord> MessageBoxLog();
void ClearMessageBoxLog();
// The system's texts (boxes, reports) are Windows-1252 bytes: the same text
// in UTF-8, for a terminal.
std::string TextToUtf8(const char* text);
int MessageBeepCount();

// Memory host desktop (also what SDL reports when it knows no better).
void SetMemoryDesktop(int width, int height, int bitsPerPixel);

// What the window layer holds, for tests that check a close gives back
// what an open took: windows not yet destroyed and registered classes.
int LiveWindowCount();
int RegisteredClassCount();

} // namespace platform
