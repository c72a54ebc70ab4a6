// Test helper: a window class whose procedure records every message it gets
// before handing it to the default procedure, on virtual time and the
// memory host.
#pragma once

#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/User.h"

#include "HeadlessWindow.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace testing_user {

struct Seen {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

inline std::vector<Seen>& Log() {
    static std::vector<Seen> log;
    return log;
}

// Lets a test answer a message itself; return true when handled.
inline std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)>& Override() {
    static std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)> f;
    return f;
}

inline LRESULT CALLBACK RecordingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    Log().push_back(Seen{h, m, w, l});
    LRESULT r = 0;
    if (Override() && Override()(h, m, w, l, &r)) return r;
    return DefWindowProcA(h, m, w, l);
}

// The messages of the log, optionally only those in `keep`.
inline std::vector<UINT> Messages(const std::vector<UINT>& keep = {}) {
    std::vector<UINT> out;
    for (const Seen& s : Log()) {
        bool wanted = keep.empty();
        for (UINT k : keep)
            wanted = wanted || k == s.msg;
        if (wanted) out.push_back(s.msg);
    }
    return out;
}

class UserTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::StartHeadless(1000);
        Log().clear();
        Override() = nullptr;
        WNDCLASSA wc{};
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = RecordingProc;
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.lpszClassName = "Recorder";
        ASSERT_NE(RegisterClassA(&wc), 0);
    }
    void TearDown() override {
        Override() = nullptr;
        platform::ClockUseVirtual(false);
    }
    HWND Make(DWORD style = WS_OVERLAPPEDWINDOW, const char* caption = "Recorder test") {
        return CreateWindowExA(0, "Recorder", caption, style, 100, 50, 320 + 8, 240 + 27, nullptr,
                               nullptr, nullptr, nullptr);
    }
    // Reads and dispatches every message, as a message pump would.
    std::vector<MSG> Pump(HWND filter = nullptr) {
        std::vector<MSG> got;
        MSG m;
        while (PeekMessageA(&m, filter, 0, 0, PM_REMOVE)) {
            got.push_back(m);
            if (m.message == WM_QUIT) break;
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        return got;
    }
};

} // namespace testing_user
