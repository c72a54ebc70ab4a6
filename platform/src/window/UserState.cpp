#include "UserState.h"

#include "../host/HostBackend.h"

#include "platform/Clock.h"

#include <cctype>

namespace platform::user {

UserState& State() {
    static UserState* state = new UserState; // outlives every static that may post at exit
    return *state;
}

void Wake(UserState& st) {
    ++st.changes;
    st.wake.notify_all();
    if (st.sleepingHost) st.sleepingHost->Interrupt();
}

std::atomic<int64_t> cachedCursorPos{0};

POINT CursorPos() {
    int64_t packed = cachedCursorPos.load(std::memory_order_acquire);
    return POINT{static_cast<LONG>(static_cast<int32_t>(packed >> 32)),
                 static_cast<LONG>(static_cast<int32_t>(packed & 0xffffffff))};
}

void SetCachedCursorPos(POINT p) {
    int64_t packed = (static_cast<int64_t>(p.x) << 32) | static_cast<uint32_t>(p.y);
    cachedCursorPos.store(packed, std::memory_order_release);
}

std::string Lower(const char* s) {
    std::string out;
    for (; s && *s; ++s)
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(*s)));
    return out;
}

WindowPtr FindLocked(HWND hwnd) {
    auto& st = State();
    auto it = st.windows.find(reinterpret_cast<uintptr_t>(hwnd));
    if (it == st.windows.end() || it->second->destroyed) return nullptr;
    return it->second;
}

WindowPtr Find(HWND hwnd) {
    std::lock_guard<std::mutex> lock(State().mutex);
    return FindLocked(hwnd);
}

std::shared_ptr<ThreadQueue> QueueLocked(std::thread::id thread) {
    auto& q = State().queues[thread];
    if (!q) q = std::make_shared<ThreadQueue>();
    return q;
}

RECT FrameInsets(DWORD style, bool menu) {
    // Classic metrics: a sizing frame of 4, a dialog frame of 3, a thin
    // border of 1, a caption of 19 (bar and its line), a menu bar of 19.
    int frame = 0;
    if (style & WS_THICKFRAME)
        frame = 4;
    else if (style & WS_DLGFRAME)
        frame = 3;
    else if (style & WS_BORDER)
        frame = 1;
    int caption = ((style & WS_CAPTION) == WS_CAPTION) ? 19 : 0;
    if (menu && !(style & WS_CHILD)) caption += 19;
    return RECT{frame, frame + caption, frame, frame};
}

RECT ClientRectScreen(const Window& w) {
    RECT in = FrameInsets(w.style, false);
    RECT r{w.rect.left + in.left, w.rect.top + in.top, w.rect.right - in.right,
           w.rect.bottom - in.bottom};
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

POINT ClientOrigin(const WindowPtr& w) {
    RECT c = ClientRectScreen(*w);
    POINT p{c.left, c.top};
    if (w->style & WS_CHILD) {
        if (WindowPtr parent = FindLocked(w->parent)) {
            POINT o = ClientOrigin(parent);
            p.x += o.x;
            p.y += o.y;
        }
    }
    return p;
}

bool PostLocked(const WindowPtr& w, UINT msg, WPARAM wParam, LPARAM lParam, bool front) {
    auto& st = State();
    auto q = QueueLocked(w->thread);
    QueuedMessage m;
    POINT pt = CursorPos();
    m.msg = MSG{w->handle, msg, wParam, lParam, ClockNow(), pt};
    m.seq = st.nextSeq++;
    if (front)
        q->messages.push_front(std::move(m));
    else
        q->messages.push_back(std::move(m));
    Wake(st);
    return true;
}

void PostInput(const WindowPtr& w, UINT msg, WPARAM wParam, LPARAM lParam, BYTE sideKey) {
    auto q = QueueLocked(w->thread);
    QueuedMessage m;
    m.msg = MSG{w->handle, msg, wParam, lParam, ClockNow(), CursorPos()};
    m.sideKey = sideKey;
    m.input = true;
    m.seq = State().nextSeq++;
    q->messages.push_back(std::move(m));
    Wake(State());
}

LRESULT Send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return SendMessageA(hwnd, msg, wParam, lParam);
}

} // namespace platform::user
