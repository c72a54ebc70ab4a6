// The state behind User.h: window classes, windows, the thread queues, focus
// and activation, key and mouse state. One mutex guards all of it; it is
// never held while a window procedure runs, so procedures may call anything.
#pragma once

#include "RectList.h"
#include "platform/User.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace platform {
class HostBackend;
}

namespace platform::user {

struct WindowClass {
    std::string name;
    ATOM atom = 0;
    UINT style = 0;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
};

struct Window {
    HWND handle = nullptr;
    std::shared_ptr<WindowClass> cls;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    std::string title;
    HWND parent = nullptr;
    HINSTANCE instance = nullptr;
    HMENU menu = nullptr;
    LONG_PTR userData = 0;
    std::thread::id thread;
    // Window rectangle: screen coordinates for top-level windows, parent
    // client coordinates for children.
    RECT rect{};
    RECT restoreRect{};
    bool visible = false;
    bool minimized = false;
    bool maximized = false;
    bool destroyed = false;
    bool topmost = false;
    bool enabled = true;
    // Paint state.
    bool updatePending = false;
    bool erasepending = false;
    RECT update{};
    // The parts of `update` as they were invalidated; `update` bounds them
    // unless it was set whole elsewhere.
    RectList updateParts;
    // Client-area pixels and what the host showed last.
    std::recursive_mutex pixelLock;
    std::vector<uint32_t> pixels;
    int pixelWidth = 0;
    int pixelHeight = 0;
    bool presentPending = false;
    RectList presentParts; // the changed parts, each presented on its own
    RectList shownParts;   // what the host shows of `presented` next; empty: all
    std::vector<uint32_t> presented;
    int presentedWidth = 0;
    int presentedHeight = 0;
    void* hostData = nullptr;
    // Single-instance publication (see FindWindow.cpp).
    int publishFd = -1;
    std::string publishPath;
};
using WindowPtr = std::shared_ptr<Window>;

// A message in a thread's queue, with what the layer needs to remember.
struct QueuedMessage {
    MSG msg{};
    uint64_t seq = 0;
    bool setCursorSent = false;
    // Key messages: the side-specific key (VK_LSHIFT...) whose state changes
    // when the message is read.
    BYTE sideKey = 0;
    // Input from the host (keys, mouse): read only after the posted messages.
    bool input = false;
    // Text a host typed with this key-down (cp1252), used by TranslateMessage.
    std::string text;
};

struct SentMessage {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result = 0;
    bool done = false;
};

struct WindowTimer {
    HWND hwnd;
    UINT_PTR id;
    UINT elapse;
    TIMERPROC proc;
    uint32_t due;
    std::thread::id thread;
};

struct ThreadQueue {
    std::deque<QueuedMessage> messages;
    std::deque<SentMessage*> sent;
    bool quitPending = false;
    int quitCode = 0;
    LONG lastTime = 0;
    DWORD lastPos = 0;
    // The key-down last read, with the text a host gave it.
    MSG lastKey{};
    std::string lastKeyText;
};

struct UserState {
    std::mutex mutex;
    std::condition_variable wake;
    uint64_t changes = 0; // counts Wake calls: a reader's wait ends when it moves
    // The host a reader sleeps in (MsgWaitForMultipleObjects), which Wake
    // interrupts; null while nobody does.
    platform::HostBackend* sleepingHost = nullptr;
    std::map<std::string, std::shared_ptr<WindowClass>> classes; // lower-case names
    std::map<uintptr_t, WindowPtr> windows;
    uintptr_t nextHandle = 0x10010;
    uint64_t nextSeq = 1;
    std::map<std::thread::id, std::shared_ptr<ThreadQueue>> queues;
    std::vector<WindowTimer> timers;
    UINT_PTR nextThreadTimerId = 0x7000;
    // Focus and activation (the layer keeps one set: the windows belong to
    // one user-interface thread in this system).
    HWND focus = nullptr;
    HWND active = nullptr;
    HWND capture = nullptr;
    HWND lastActive = nullptr; // handed the activation back after a switch
    bool appActive = false;
    int cascade = 0;
    // Keyboard: the state as of the last message read, and as of now.
    BYTE syncKeys[256]{};
    BYTE asyncKeys[256]{};
    BYTE asyncPressed[256]{};
    // Alt went down and no other key since: only then is its release a
    // system key (a tap of Alt alone is the one that opens a menu).
    bool altAlone = false;
    // Double clicks.
    HWND lastDownWindow = nullptr;
    UINT lastDownMessage = 0;
    uint32_t lastDownTime = 0;
    POINT lastDownPoint{};
    // Screen saver and monitor power requests the default procedure let pass.
    int screenSaverStarts = 0;
    int monitorPowerChanges = 0;
};

UserState& State();

// The screen position of the pointer, cached for other threads.
extern std::atomic<int64_t> cachedCursorPos;
POINT CursorPos();
void SetCachedCursorPos(POINT p);

// Tells waiting readers that something may have arrived; mutex held.
void Wake(UserState& st);

// Lookups; call with the mutex held.
WindowPtr FindLocked(HWND hwnd);
std::shared_ptr<ThreadQueue> QueueLocked(std::thread::id thread);

// Without the mutex.
WindowPtr Find(HWND hwnd);
LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Geometry: the border the style adds around the client area.
RECT FrameInsets(DWORD style, bool menu);
RECT ClientRectScreen(const Window& w); // client area in screen coordinates
POINT ClientOrigin(const WindowPtr& w);

// Posts an input message to the queue of the window's thread, stamped now.
void PostInput(const WindowPtr& w, UINT msg, WPARAM wParam, LPARAM lParam, BYTE sideKey);
// Posts to a window's thread queue; with `front` it goes ahead of the rest.
bool PostLocked(const WindowPtr& w, UINT msg, WPARAM wParam, LPARAM lParam, bool front);

// Activation and focus (Activation.cpp).
void ActivateWindow(HWND hwnd, int how);
void DeactivateApp();
void WindowGoingAway(HWND hwnd);

// Window contents follow the client size.
void ResizePixels(Window& w);

// Pending presentation goes to the host (on the user-interface thread).
void FlushPresentation();

// Single-instance publication (FindWindow.cpp).
void PublishWindow(Window& w);
void UnpublishWindow(Window& w);

// Window timers due on this thread (WindowTimer.cpp).
bool TakeDueTimer(HWND filter, bool remove, MSG* out);
// Milliseconds until this thread's next timer is due (0 when one is), -1
// with none; mutex held.
int32_t NextTimerDueLocked(HWND filter);
void KillWindowTimers(HWND hwnd);

std::string Lower(const char* s);

} // namespace platform::user
