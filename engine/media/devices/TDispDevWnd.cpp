// The display's two window procedures: the framed main window's and the one
// the library's full-screen window forwards to.
#include "foundation/TError.h"
#include "foundation/TEvent.h"
#include "foundation/TEventMgr.h"
#include "gdl/blit.h"
#include "gdl/result.h"
#include "gdl/windows.h"
#include "media/devices/TDispDev.h"
#include "media/devices/TDispHooks.h"

namespace {

bool appRunning() {
    return DisplayHooks().appRunning && DisplayHooks().appRunning();
}

void postClose() {
    TEvent event;
    event.SetType(evQuit);
    TEventMgr::Global().Post(&event);
}

// Hands a log-off query to the application; true when it still runs.
bool queryEnd() {
    TEvent event;
    event.SetType(evQueryEnd);
    if (DisplayHooks().appActivation) DisplayHooks().appActivation(&event);
    return appRunning();
}

void soundFocus(int32_t state) {
    if (DisplayHooks().soundFocus) DisplayHooks().soundFocus(state);
}

bool isScreenSave(WPARAM wParam) {
    return (wParam & 0xFFF0) == SC_SCREENSAVE;
}

} // namespace

bool TDispDev::RealizeWindowPalette() {
    if (!screenDC_ || GDL_liveDC(screenDC_)->type != GDL_DC_WINDOWED) return false;
    // A window built while inactive has no Windows palette yet: the first
    // realisation while active makes it from the context's palette.
    bool built = false;
    if (!GDL_liveDC(screenDC_)->winPalette) {
        GDL_realizePalette(screenDC_, paletteCount_, 0, 0);
        built = GDL_liveDC(screenDC_)->winPalette != nullptr;
    }
    HDC dc = GetDC(window_);
    const int32_t changed = GDL_selectPaletteInto(screenDC_, dc);
    ReleaseDC(window_, dc);
    if (changed <= 0 && !built) return false;
    InvalidateRect(window_, nullptr, TRUE);
    return true;
}

LRESULT CALLBACK TDispDev::TWndProc_Main(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TDispDev* display = Active();
    switch (message) {
        case WM_DESTROY: PostQuitMessage(0); return 0;
        case WM_SIZE:
            if (display && display->window_ == window && display->screenDC_) {
                TCursorHold hold(display);
                GDL_resizeWindowedDC(display->screenDC_);
                const int32_t error = GDL_lastResult();
                if (error != GDL_OK)
                    TError::Raise(21, GDL_errorText(error), nullptr, "Source\\TDispDev", __LINE__);
                display->BuildWindowedContexts();
            } else if (display && !display->window_ && (display->state_ & 4)) {
                display->window_ = window;
                display->BuildWindowedContexts();
            }
            break;
        case WM_SETFOCUS: soundFocus(2); break;
        case WM_KILLFOCUS: soundFocus(1); break;
        case WM_PAINT:
            if (display) display->Paint(window);
            return 0;
        case WM_CLOSE:
            if (appRunning()) {
                postClose();
                return 0;
            }
            break;
        case WM_QUERYENDSESSION:
            if (appRunning() && queryEnd()) return 0;
            break;
        case WM_SETCURSOR:
            if (HIWORD(lParam) != 0 && LOWORD(lParam) == HTCLIENT) {
                if (DisplayHooks().cursorSetWinCursor) DisplayHooks().cursorSetWinCursor();
                return 0;
            }
            break;
        case WM_COMMAND: return 0;
        case WM_SYSCOMMAND:
            if (isScreenSave(wParam)) return 0;
            break;
        case WM_PALETTECHANGED:
            if (reinterpret_cast<HWND>(wParam) == window) break;
            [[fallthrough]];
        case WM_QUERYNEWPALETTE: return display && display->RealizeWindowPalette() ? 1 : 0;
        default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK TDispDev::TWndProc_FullScreen(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    TDispDev* display = Active();
    switch (message) {
        case WM_DESTROY: PostQuitMessage(0); return 0;
        case WM_KILLFOCUS:
            if (appRunning() && display && (display->effective_ & fFullscreenDIB))
                ShowWindow(window, SW_MINIMIZE);
            break;
        case WM_PAINT:
            if (display) display->Paint(window);
            break;
        case WM_CLOSE:
            if (appRunning()) {
                postClose();
                ShowWindow(window, SW_MAXIMIZE);
            }
            return 0;
        case WM_QUERYENDSESSION:
            if (appRunning()) {
                ShowWindow(window, SW_MAXIMIZE);
                if (queryEnd()) return 0;
            }
            break;
        case WM_COMMAND: return 0;
        case WM_SYSCOMMAND:
            if (isScreenSave(wParam)) return 0;
            break;
        default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
