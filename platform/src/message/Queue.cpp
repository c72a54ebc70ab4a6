// The thread message queue. Posted messages are read before input (keys and
// mouse), each in arrival order; WM_QUIT comes when no posted message matches,
// ahead of input; WM_PAINT and WM_TIMER are made only when no waiting message
// matches, in that order. Before a mouse message is handed out its window
// gets WM_SETCURSOR, as Windows does while reading input.
#include "../kernel/OutOfMemory.h"
#include "../host/HostBackend.h"
#include "../window/UserState.h"
#include "platform/Clock.h"
#include "platform/Kernel.h"

#include <algorithm>
#include <atomic>
#include <chrono>

using namespace platform::user;

namespace {

bool InRange(UINT msg, UINT lo, UINT hi) {
    return (lo == 0 && hi == 0) || (msg >= lo && msg <= hi);
}

bool IsMouseMessage(UINT msg) {
    return msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST;
}

// A window filter also takes the messages of the window's children. Call
// with the state lock held.
bool MatchesWindow(HWND msgWindow, HWND filter) {
    if (!filter) return true;
    if (filter == reinterpret_cast<HWND>(-1)) return msgWindow == nullptr;
    for (WindowPtr w = FindLocked(msgWindow); w; w = FindLocked(w->parent)) {
        if (w->handle == filter) return true;
        if (!(w->style & WS_CHILD)) break;
    }
    return msgWindow == filter;
}

// Key and button state as of the message read (GetKeyState).
void ApplyToKeyState(const QueuedMessage& m) {
    BYTE* keys = State().syncKeys;
    auto press = [&](int vk, bool down, bool repeat) {
        if (down) {
            if (!repeat) keys[vk] ^= 0x01;
            keys[vk] |= 0x80;
        } else {
            keys[vk] &= static_cast<BYTE>(~0x80);
        }
    };
    UINT msg = m.msg.message;
    bool repeat = (m.msg.lParam & (1 << 30)) != 0;
    switch (msg) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYUP: {
            bool down = msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN;
            press(static_cast<int>(m.msg.wParam & 0xff), down, down && repeat);
            if (m.sideKey) {
                // The generic key stays down while the other side is.
                press(m.sideKey, down, down && repeat);
                int vk = static_cast<int>(m.msg.wParam & 0xff);
                BYTE sides = keys[m.sideKey] | keys[m.sideKey ^ 1];
                keys[vk] = static_cast<BYTE>((keys[vk] & ~0x80) | (sides & 0x80));
            }
            break;
        }
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: press(VK_LBUTTON, true, false); break;
        case WM_LBUTTONUP: press(VK_LBUTTON, false, false); break;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK: press(VK_RBUTTON, true, false); break;
        case WM_RBUTTONUP: press(VK_RBUTTON, false, false); break;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK: press(VK_MBUTTON, true, false); break;
        case WM_MBUTTONUP: press(VK_MBUTTON, false, false); break;
        default: break;
    }
}

// Runs the messages other threads sent to this thread's windows.
void RunSentMessages() {
    auto& st = State();
    for (;;) {
        SentMessage* sent = nullptr;
        {
            std::lock_guard<std::mutex> lock(st.mutex);
            auto q = QueueLocked(std::this_thread::get_id());
            if (q->sent.empty()) return;
            sent = q->sent.front();
            q->sent.pop_front();
        }
        LRESULT result = 0;
        if (WindowPtr w = Find(sent->hwnd))
            result = CallWindowProcA(w->proc, sent->hwnd, sent->msg, sent->wParam, sent->lParam);
        std::lock_guard<std::mutex> lock(st.mutex);
        sent->result = result;
        sent->done = true;
        Wake(st);
    }
}

// WM_PAINT for the first window of this thread that needs painting.
bool TakePaint(HWND filter, MSG* out) {
    std::lock_guard<std::mutex> lock(State().mutex);
    for (auto& [id, w] : State().windows) {
        if (w->destroyed || w->thread != std::this_thread::get_id()) continue;
        if (!w->updatePending || !w->visible || w->minimized) continue;
        if (filter && filter != w->handle) continue;
        *out = MSG{w->handle, WM_PAINT, 0, 0, platform::ClockNow(), CursorPos()};
        return true;
    }
    return false;
}

} // namespace

BOOL PeekMessageA(LPMSG out, HWND hwnd, UINT lo, UINT hi, UINT remove) {
    return platform::OrOutOfMemory<BOOL>(FALSE, [&]() -> BOOL {
        if (!out) return FALSE;
        platform::Host(); // the thread reading messages owns the host unless another does
        if (platform::IsHostThread()) {
            platform::Host().Pump();
            FlushPresentation();
        }
        RunSentMessages();
        auto& st = State();
        bool take = (remove & PM_REMOVE) != 0;
        for (;;) {
            std::unique_lock<std::mutex> lock(st.mutex);
            auto q = QueueLocked(std::this_thread::get_id());
            auto first = [&](bool input) {
                auto it = q->messages.begin();
                for (; it != q->messages.end(); ++it)
                    if (it->input == input && MatchesWindow(it->msg.hwnd, hwnd) &&
                        InRange(it->msg.message, lo, hi))
                        break;
                return it;
            };
            // Posted messages first, then WM_QUIT, then input.
            auto it = first(false);
            if (it == q->messages.end()) {
                if (q->quitPending && InRange(WM_QUIT, lo, hi)) {
                    *out = MSG{nullptr,
                               WM_QUIT,
                               static_cast<WPARAM>(q->quitCode),
                               0,
                               platform::ClockNow(),
                               CursorPos()};
                    if (take) q->quitPending = false;
                    return TRUE;
                }
                it = first(true);
            }
            if (it == q->messages.end()) break;
            if (IsMouseMessage(it->msg.message) && !it->setCursorSent && it->msg.hwnd) {
                it->setCursorSent = true;
                HWND target = it->msg.hwnd;
                UINT message = it->msg.message;
                lock.unlock();
                SendMessageA(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target),
                             MAKELPARAM(HTCLIENT, message));
                continue; // the queue may have changed meanwhile
            }
            *out = it->msg;
            if (take) {
                ApplyToKeyState(*it);
                q->lastTime = static_cast<LONG>(out->time);
                q->lastPos = static_cast<DWORD>(MAKELONG(out->pt.x, out->pt.y));
                if (out->message == WM_KEYDOWN || out->message == WM_SYSKEYDOWN) {
                    q->lastKey = *out;
                    q->lastKeyText = it->text;
                }
                q->messages.erase(it);
            }
            return TRUE;
        }
        if (InRange(WM_PAINT, lo, hi) && TakePaint(hwnd, out)) return TRUE;
        if (InRange(WM_TIMER, lo, hi) && TakeDueTimer(hwnd, take, out)) return TRUE;
        return FALSE;
    });
}

std::atomic<uint64_t> waitRounds{0};

namespace {

// A real display delivers input only when the host is pumped, so the thread
// that owns it looks again this often; everything else wakes the wait.
constexpr int32_t kHostPollMs = 5;
// Virtual time moves on another thread without a wake: look again soon.
constexpr int32_t kVirtualPollMs = 1;
// A bound on any wait, so a missed wake costs a delay, never a hang.
constexpr int32_t kLongestWaitMs = 1000;

uint64_t Changes() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().changes;
}

// Waits until the state changed since `seen`, this thread's next timer of
// `filter` falls due, or the host wants pumping.
void WaitForMessage(HWND filter, uint64_t seen) {
    if (platform::ClockIsVirtual() && platform::ClockIsOwnerThread()) {
        Sleep(1); // the clock moves only while its owner waits, as in Sleep
        return;
    }
    int32_t limit = kLongestWaitMs;
    if (platform::ClockIsVirtual())
        limit = kVirtualPollMs;
    else if (platform::IsHostThread() && platform::CurrentHost() == platform::HostKind::Sdl)
        limit = kHostPollMs;
    auto& st = State();
    std::unique_lock<std::mutex> lock(st.mutex);
    int32_t due = NextTimerDueLocked(filter);
    if (due >= 0 && due < limit) limit = due;
    if (limit == 0) return;
    st.wake.wait_for(lock, std::chrono::milliseconds(limit), [&] { return st.changes != seen; });
}

} // namespace

uint64_t platform::MessageWaitRounds() {
    return waitRounds.load();
}

BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT lo, UINT hi) {
    return platform::OrOutOfMemory<BOOL>(-1, [&]() -> BOOL {
        if (!msg) return -1;
        for (;;) {
            uint64_t seen = Changes(); // before the look: what comes during it ends the wait
            if (PeekMessageA(msg, hwnd, lo, hi, PM_REMOVE))
                return msg->message == WM_QUIT ? FALSE : TRUE;
            ++waitRounds;
            WaitForMessage(hwnd, seen);
        }
    });
}

namespace {

// Something to read: a message, a paint or a due timer. Pumps the host and
// runs sent messages on the way, as a look into the queue does.
bool SomethingWaiting() {
    MSG msg;
    return PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) != FALSE;
}

DWORD WaitOnVirtualTime(DWORD ms) {
    for (DWORD waited = 0;; ++waited) {
        if (SomethingWaiting()) return WAIT_OBJECT_0;
        if (waited >= ms) return WAIT_TIMEOUT;
        Sleep(1); // timers due on the way fire, and may post
    }
}

// Sleeps in the host until it has input or Wake interrupts it.
void SleepInHost(uint64_t seen, uint32_t ms) {
    auto& st = State();
    platform::HostBackend& host = platform::Host();
    {
        std::lock_guard<std::mutex> lock(st.mutex);
        if (st.changes != seen) return;
        st.sleepingHost = &host;
    }
    host.WaitForInput(ms);
    std::lock_guard<std::mutex> lock(st.mutex);
    st.sleepingHost = nullptr;
}

void SleepOnQueue(uint64_t seen, uint32_t ms) {
    auto& st = State();
    std::unique_lock<std::mutex> lock(st.mutex);
    int32_t due = NextTimerDueLocked(nullptr);
    if (due >= 0 && static_cast<uint32_t>(due) < ms) ms = static_cast<uint32_t>(due);
    st.wake.wait_for(lock, std::chrono::milliseconds(ms), [&] { return st.changes != seen; });
}

DWORD WaitOnRealTime(DWORD ms) {
    const uint32_t start = platform::ClockNow();
    for (;;) {
        uint64_t seen = Changes(); // before the look: what comes during it ends the wait
        if (SomethingWaiting()) return WAIT_OBJECT_0;
        const uint32_t waited = platform::ClockNow() - start;
        if (ms != INFINITE && waited >= ms) return WAIT_TIMEOUT;
        const uint32_t left = ms == INFINITE ? static_cast<uint32_t>(kLongestWaitMs) : ms - waited;
        if (platform::IsHostThread() && platform::CurrentHost() == platform::HostKind::Sdl)
            SleepInHost(seen, left);
        else
            SleepOnQueue(seen, std::min<uint32_t>(left, kLongestWaitMs));
    }
}

} // namespace

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE*, BOOL, DWORD ms, DWORD) {
    return platform::OrOutOfMemory<DWORD>(WAIT_FAILED, [&]() -> DWORD {
        if (count != 0) return WAIT_FAILED;
        if (platform::ClockIsVirtual()) {
            if (platform::ClockIsOwnerThread()) return WaitOnVirtualTime(ms);
            if (SomethingWaiting()) return WAIT_OBJECT_0;
            std::this_thread::yield();
            return WAIT_TIMEOUT;
        }
        return WaitOnRealTime(ms);
    });
}

BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return platform::OrOutOfMemory<BOOL>(FALSE, [&]() -> BOOL {
        auto& st = State();
        std::lock_guard<std::mutex> lock(st.mutex);
        if (!hwnd) {
            auto q = QueueLocked(std::this_thread::get_id());
            QueuedMessage m;
            m.msg = MSG{nullptr, msg, wParam, lParam, platform::ClockNow(), CursorPos()};
            m.seq = st.nextSeq++;
            q->messages.push_back(std::move(m));
            Wake(st);
            return TRUE;
        }
        WindowPtr w = FindLocked(hwnd);
        if (!w) return FALSE;
        return PostLocked(w, msg, wParam, lParam, false) ? TRUE : FALSE;
    });
}

LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return platform::OrOutOfMemory<LRESULT>(0, [&]() -> LRESULT {
        auto& st = State();
        std::unique_lock<std::mutex> lock(st.mutex);
        WindowPtr w = FindLocked(hwnd);
        if (!w) return 0;
        if (w->thread == std::this_thread::get_id()) {
            WNDPROC proc = w->proc;
            lock.unlock();
            return proc ? proc(hwnd, msg, wParam, lParam) : 0;
        }
        // Another thread's window: its thread runs the procedure the next time it
        // reads its queue, and this thread waits for the answer.
        SentMessage sent{hwnd, msg, wParam, lParam};
        QueueLocked(w->thread)->sent.push_back(&sent);
        Wake(st);
        auto own = QueueLocked(std::this_thread::get_id());
        for (;;) {
            st.wake.wait(lock,
                         [&] { return sent.done || !FindLocked(hwnd) || !own->sent.empty(); });
            if (sent.done || !FindLocked(hwnd)) break;
            // Messages sent to this thread meanwhile run now, so two threads
            // sending to each other do not wait forever.
            lock.unlock();
            RunSentMessages();
            lock.lock();
        }
        if (!sent.done) {
            auto q = QueueLocked(w->thread);
            for (auto it = q->sent.begin(); it != q->sent.end(); ++it)
                if (*it == &sent) {
                    q->sent.erase(it);
                    break;
                }
        }
        return sent.result;
    });
}

void PostQuitMessage(int exitCode) {
    std::lock_guard<std::mutex> lock(State().mutex);
    auto q = QueueLocked(std::this_thread::get_id());
    q->quitPending = true;
    q->quitCode = exitCode;
    Wake(State());
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg) return 0;
    if (msg->message == WM_TIMER && msg->lParam) {
        auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        proc(msg->hwnd, WM_TIMER, msg->wParam, timeGetTime());
        return 0;
    }
    if (!msg->hwnd) return 0;
    WindowPtr w = Find(msg->hwnd);
    if (!w || !w->proc) return 0;
    return w->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LONG GetMessageTime() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return QueueLocked(std::this_thread::get_id())->lastTime;
}
