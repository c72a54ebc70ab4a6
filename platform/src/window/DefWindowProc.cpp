// The default window procedure: what a window gets for the messages its own
// procedure passes on.
#include "UserState.h"

using namespace platform::user;

namespace {

bool FocusWithin(HWND hwnd) {
    HWND f = GetFocus();
    while (f) {
        if (f == hwnd) return true;
        WindowPtr w = Find(f);
        if (!w || !(w->style & WS_CHILD)) return false;
        f = w->parent;
    }
    return false;
}

LRESULT SystemCommand(HWND hwnd, WPARAM command) {
    auto& st = State();
    switch (command & 0xFFF0) {
        case SC_CLOSE: Send(hwnd, WM_CLOSE, 0, 0); break;
        case SC_MINIMIZE: ShowWindow(hwnd, SW_MINIMIZE); break;
        case SC_MAXIMIZE: ShowWindow(hwnd, SW_MAXIMIZE); break;
        case SC_RESTORE: ShowWindow(hwnd, SW_RESTORE); break;
        case SC_SCREENSAVE: {
            std::lock_guard<std::mutex> lock(st.mutex);
            ++st.screenSaverStarts;
            break;
        }
        case SC_MONITORPOWER: {
            std::lock_guard<std::mutex> lock(st.mutex);
            ++st.monitorPowerChanges;
            break;
        }
        default: break;
    }
    return 0;
}

} // namespace

LRESULT DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_NCCREATE:
        case WM_NCACTIVATE:
        case WM_QUERYENDSESSION: return TRUE;
        case WM_CLOSE: DestroyWindow(hwnd); return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam) && !FocusWithin(hwnd))
                SetFocus(hwnd);
            return 0;
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT) {
                WindowPtr w = Find(hwnd);
                if (w && w->cls->cursor) {
                    SetCursor(w->cls->cursor);
                    return TRUE;
                }
                return FALSE;
            }
            SetCursor(LoadCursorA(nullptr, IDC_ARROW));
            return FALSE;
        case WM_PAINT: ValidateRect(hwnd, nullptr); return 0;
        case WM_SYSCOMMAND: return SystemCommand(hwnd, wParam);
        case WM_SYSKEYDOWN:
            // Alt+F4 asks the window to close.
            if (wParam == VK_F4 && (lParam & (1 << 29))) Send(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
            return 0;
        case WM_MOUSEACTIVATE: return MA_ACTIVATE;
        case WM_NCHITTEST: return HTCLIENT;
        default: return 0;
    }
}
