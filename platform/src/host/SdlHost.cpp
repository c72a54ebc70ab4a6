// The SDL2 host: one SDL window per top-level window, input turned into the
// same Inject* calls the tests use, frames shown through the window surface.
#include "../cursor/Cursor.h"
#include "../input/Cp1252.h"
#include "../window/UserState.h"
#include "../window/WindowSurface.h"
#include "HostBackend.h"

#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <tuple>
#include <map>
#include <set>
#include <string>

namespace platform {
namespace {

SDL_Surface* ImageSurface(const CursorImage& img) {
    return SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(img.argb.data()), img.width,
                                              img.height, 32, img.width * 4,
                                              SDL_PIXELFORMAT_ARGB8888);
}

class SdlHost final : public HostBackend {
public:
    ~SdlHost() override {
        for (auto& [img, cursor] : cursors_)
            SDL_FreeCursor(cursor);
    }

    HostKind Kind() const override { return HostKind::Sdl; }

    void WindowCreated(user::Window& w) override {
        Uint32 flags = SDL_WINDOW_HIDDEN;
        if ((w.style & WS_CAPTION) != WS_CAPTION) flags |= SDL_WINDOW_BORDERLESS;
        if (w.style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
        RECT c = ClientRect(w);
        std::string title = input::Cp1252ToUtf8(w.title.c_str());
        SDL_Window* win =
            SDL_CreateWindow(title.c_str(), c.left, c.top, std::max<int>(1, c.right - c.left),
                             std::max<int>(1, c.bottom - c.top), flags);
        if (!win) return; // the window still works, it is just not shown
        w.hostData = win;
        windows_[SDL_GetWindowID(win)] = w.handle;
        if (w.cls->icon) {
            if (const CursorImage* icon = IconImage(w.cls->icon)) {
                if (SDL_Surface* s = ImageSurface(*icon)) {
                    SDL_SetWindowIcon(win, s);
                    SDL_FreeSurface(s);
                }
            }
        }
    }

    void WindowDestroyed(user::Window& w) override {
        auto* win = static_cast<SDL_Window*>(w.hostData);
        if (!win) return;
        windows_.erase(SDL_GetWindowID(win));
        SDL_DestroyWindow(win);
        w.hostData = nullptr;
    }

    void WindowChanged(user::Window& w) override {
        auto* win = static_cast<SDL_Window*>(w.hostData);
        if (!win || !IsHostThread()) return;
        SDL_SetWindowTitle(win, input::Cp1252ToUtf8(w.title.c_str()).c_str());
        SDL_SetWindowBordered(win, (w.style & WS_CAPTION) == WS_CAPTION ? SDL_TRUE : SDL_FALSE);
        RECT c = ClientRect(w);
        int cw = std::max<int>(1, c.right - c.left), ch = std::max<int>(1, c.bottom - c.top);
        int sw, sh, sx, sy;
        SDL_GetWindowSize(win, &sw, &sh);
        if (sw != cw || sh != ch) SDL_SetWindowSize(win, cw, ch);
        SDL_GetWindowPosition(win, &sx, &sy);
        if (sx != c.left || sy != c.top) SDL_SetWindowPosition(win, c.left, c.top);
        bool shown = (SDL_GetWindowFlags(win) & SDL_WINDOW_SHOWN) != 0;
        if (w.visible && !shown) SDL_ShowWindow(win);
        if (!w.visible && shown) SDL_HideWindow(win);
        bool minimized = (SDL_GetWindowFlags(win) & SDL_WINDOW_MINIMIZED) != 0;
        if (w.visible && w.minimized && !minimized) SDL_MinimizeWindow(win);
        if (w.visible && !w.minimized && minimized) SDL_RestoreWindow(win);
    }

    void Present(user::Window& w) override {
        auto* win = static_cast<SDL_Window*>(w.hostData);
        if (!win || w.presented.empty()) return;
        SDL_Surface* target = SDL_GetWindowSurface(win);
        if (!target) return;
        SDL_Surface* frame = SDL_CreateRGBSurfaceWithFormatFrom(
            w.presented.data(), w.presentedWidth, w.presentedHeight, 32, w.presentedWidth * 4,
            SDL_PIXELFORMAT_RGB888);
        if (!frame) return;
        // Only the parts that changed, where the window shows the frame at
        // its size; everything when it is scaled or was uncovered.
        const user::RectList& parts = w.shownParts;
        if (frame->w == target->w && frame->h == target->h && !parts.Empty()) {
            SDL_Rect rects[user::RectList::kCapacity];
            for (int i = 0; i < parts.Count(); ++i) {
                const RECT& r = parts[i];
                rects[i] = SDL_Rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
                SDL_Rect to = rects[i];
                SDL_BlitSurface(frame, &rects[i], target, &to);
            }
            SDL_FreeSurface(frame);
            SDL_UpdateWindowSurfaceRects(win, rects, parts.Count());
            return;
        }
        if (frame->w == target->w && frame->h == target->h)
            SDL_BlitSurface(frame, nullptr, target, nullptr);
        else
            SDL_BlitScaled(frame, nullptr, target, nullptr);
        SDL_FreeSurface(frame);
        SDL_UpdateWindowSurface(win);
    }

    void Pump() override {
        SDL_Event e;
        bool lost = false, gained = false;
        HWND gainedWindow = nullptr;
        while (SDL_PollEvent(&e)) {
            switch (e.type) {
                case SDL_MOUSEMOTION:
                    InjectMouseMove(WindowOf(e.motion.windowID), e.motion.x, e.motion.y);
                    break;
                case SDL_MOUSEBUTTONDOWN:
                case SDL_MOUSEBUTTONUP: {
                    MouseButton b = e.button.button == SDL_BUTTON_RIGHT    ? MouseButton::Right
                                    : e.button.button == SDL_BUTTON_MIDDLE ? MouseButton::Middle
                                                                           : MouseButton::Left;
                    if (e.button.button > SDL_BUTTON_RIGHT) break;
                    InjectMouseButton(WindowOf(e.button.windowID), b, e.type == SDL_MOUSEBUTTONDOWN,
                                      e.button.x, e.button.y);
                    break;
                }
                case SDL_MOUSEWHEEL: InjectMouseWheel(WindowOf(e.wheel.windowID), e.wheel.y); break;
                case SDL_KEYDOWN:
                case SDL_KEYUP:
                    // The lock keys' own presses toggle the layer's state;
                    // any other key brings it in line with the desktop's.
                    if (e.key.keysym.scancode != SDL_SCANCODE_NUMLOCKCLEAR &&
                        e.key.keysym.scancode != SDL_SCANCODE_CAPSLOCK)
                        InjectLockState((e.key.keysym.mod & KMOD_NUM) != 0,
                                        (e.key.keysym.mod & KMOD_CAPS) != 0);
                    InjectKey(static_cast<KeyCode>(e.key.keysym.scancode), e.type == SDL_KEYDOWN,
                              e.key.repeat != 0);
                    break;
                case SDL_TEXTINPUT: InjectText(e.text.text); break;
                case SDL_WINDOWEVENT: Window(e.window, &lost, &gained, &gainedWindow); break;
                default: break; // SDL_QUIT: closing goes through the windows' close buttons
            }
        }
        if (gained && gainedWindow) {
            if (user::Find(gainedWindow)) user::ActivateWindow(gainedWindow, WA_ACTIVE);
        } else if (lost) {
            InjectAppSwitch(true);
        }
        ApplyCursorToHost(); // shapes set from other threads arrive here
    }

    void WaitForInput(uint32_t ms) override {
        SDL_WaitEventTimeout(nullptr, static_cast<int>(std::min<uint32_t>(ms, INT32_MAX)));
    }

    // Pushing any event ends the wait; Pump passes over it.
    void Interrupt() override {
        SDL_Event e{};
        e.type = SDL_USEREVENT;
        SDL_PushEvent(&e);
    }

    void ShowCursorImage(const CursorImage* image) override {
        if (!image) {
            SDL_ShowCursor(SDL_DISABLE);
            return;
        }
        SDL_Cursor*& cursor = cursors_[image];
        if (!cursor) cursor = MakeCursor(*image);
        if (cursor) SDL_SetCursor(cursor);
        SDL_ShowCursor(SDL_ENABLE);
    }

    void WarpMouse(user::Window* w, int x, int y) override {
        if (w && w->hostData) SDL_WarpMouseInWindow(static_cast<SDL_Window*>(w->hostData), x, y);
    }

    int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) override {
        const char* driver = SDL_GetCurrentVideoDriver();
        if (!driver || !std::strcmp(driver, "dummy") || !std::strcmp(driver, "offscreen"))
            return kBoxByPolicy;
        std::vector<int> ids = BoxButtons(type);
        std::vector<SDL_MessageBoxButtonData> buttons;
        int def = static_cast<int>((type & MB_DEFMASK) >> 8);
        for (size_t i = 0; i < ids.size(); ++i) {
            Uint32 flags = 0;
            if (static_cast<int>(i) == (def < static_cast<int>(ids.size()) ? def : 0))
                flags |= SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
            // Escape answers Cancel, or OK in a box with OK alone.
            if (ids[i] == IDCANCEL || ids.size() == 1)
                flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
            buttons.push_back(SDL_MessageBoxButtonData{flags, ids[i], BoxButtonName(ids[i])});
        }
        Uint32 kind = SDL_MESSAGEBOX_INFORMATION;
        switch (type & MB_ICONMASK) {
            case MB_ICONHAND: kind = SDL_MESSAGEBOX_ERROR; break;
            case MB_ICONEXCLAMATION: kind = SDL_MESSAGEBOX_WARNING; break;
            default: break;
        }
        std::string utfText = input::Cp1252ToUtf8(text), utfCaption = input::Cp1252ToUtf8(caption);
        user::WindowPtr w = user::Find(owner);
        SDL_MessageBoxData data{kind | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT,
                                w ? static_cast<SDL_Window*>(w->hostData) : nullptr,
                                utfCaption.c_str(),
                                utfText.c_str(),
                                static_cast<int>(buttons.size()),
                                buttons.data(),
                                nullptr};
        int pressed = -1;
        if (SDL_ShowMessageBox(&data, &pressed) != 0) {
            // An X server without core fonts, for one: the box must not
            // vanish without a word.
            std::fprintf(stderr, "SDL could not show a message box: %s\n", SDL_GetError());
            return kBoxNotShown;
        }
        if (pressed < 0) {
            // Closed without a button: Cancel where there is one, as on Windows.
            for (int id : ids)
                if (id == IDCANCEL) return IDCANCEL;
            return ids.front();
        }
        return pressed;
    }

    void Beep() override {}

    void DesktopModes(DisplayMode* desktop, std::vector<DisplayMode>* modes) override {
        SDL_DisplayMode d;
        DisplayMode own{1024, 768, 32, 60};
        if (SDL_GetDesktopDisplayMode(0, &d) == 0) own = Convert(d);
        if (desktop) *desktop = own;
        if (!modes) return;
        std::set<std::tuple<int, int, int, int>> seen;
        int n = SDL_GetNumDisplayModes(0);
        for (int i = 0; i < n; ++i) {
            SDL_DisplayMode m;
            if (SDL_GetDisplayMode(0, i, &m) != 0) continue;
            DisplayMode c = Convert(m);
            if (seen.insert({c.width, c.height, c.bitsPerPixel, c.frequency}).second)
                modes->push_back(c);
        }
        // The game's own depths at its own sizes are always offered: the
        // window shows any of them.
        static const int kSizes[][2] = {{640, 480}, {800, 600}};
        for (const auto& s : kSizes)
            for (int bpp : {8, 16, 24, 32})
                if (seen.insert({s[0], s[1], bpp, own.frequency}).second)
                    modes->push_back(DisplayMode{s[0], s[1], bpp, own.frequency});
        if (seen.insert({own.width, own.height, own.bitsPerPixel, own.frequency}).second)
            modes->push_back(own);
    }

private:
    static RECT ClientRect(const user::Window& w) { return user::ClientRectScreen(w); }

    static DisplayMode Convert(const SDL_DisplayMode& m) {
        int bpp = static_cast<int>(SDL_BITSPERPIXEL(m.format));
        if (bpp == 24 && SDL_BYTESPERPIXEL(m.format) == 4) bpp = 32;
        return DisplayMode{m.w, m.h, bpp, m.refresh_rate ? m.refresh_rate : 60};
    }

    HWND WindowOf(Uint32 id) const {
        auto it = windows_.find(id);
        return it == windows_.end() ? nullptr : it->second;
    }

    void Window(const SDL_WindowEvent& e, bool* lost, bool* gained, HWND* gainedWindow) {
        HWND hwnd = WindowOf(e.windowID);
        if (!hwnd) return;
        user::WindowPtr w = user::Find(hwnd);
        if (!w) return;
        switch (e.event) {
            case SDL_WINDOWEVENT_CLOSE: InjectCloseButton(hwnd); break;
            case SDL_WINDOWEVENT_FOCUS_GAINED:
                *gained = true;
                *gainedWindow = hwnd;
                break;
            case SDL_WINDOWEVENT_FOCUS_LOST: *lost = true; break;
            case SDL_WINDOWEVENT_EXPOSED: {
                // Uncovered: all of the last frame again.
                std::lock_guard<std::recursive_mutex> lock(w->pixelLock);
                w->shownParts.Clear();
                Present(*w);
                break;
            }
            case SDL_WINDOWEVENT_SIZE_CHANGED: {
                RECT c = ClientRect(*w);
                if (e.data1 != c.right - c.left || e.data2 != c.bottom - c.top) {
                    RECT in = user::FrameInsets(w->style, false);
                    SetWindowPos(hwnd, nullptr, 0, 0, e.data1 + in.left + in.right,
                                 e.data2 + in.top + in.bottom,
                                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
                }
                break;
            }
            case SDL_WINDOWEVENT_MOVED: {
                RECT c = ClientRect(*w);
                if (e.data1 != c.left || e.data2 != c.top) {
                    RECT in = user::FrameInsets(w->style, false);
                    SetWindowPos(hwnd, nullptr, e.data1 - in.left, e.data2 - in.top, 0, 0,
                                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                }
                break;
            }
            case SDL_WINDOWEVENT_MINIMIZED:
                if (!w->minimized) ShowWindow(hwnd, SW_MINIMIZE);
                break;
            case SDL_WINDOWEVENT_RESTORED:
                if (w->minimized) ShowWindow(hwnd, SW_RESTORE);
                break;
            default: break;
        }
    }

    static SDL_Cursor* MakeCursor(const CursorImage& img) {
        static const std::map<int, SDL_SystemCursor> kSystem = {
            {32512, SDL_SYSTEM_CURSOR_ARROW},    {32513, SDL_SYSTEM_CURSOR_IBEAM},
            {32514, SDL_SYSTEM_CURSOR_WAIT},     {32515, SDL_SYSTEM_CURSOR_CROSSHAIR},
            {32642, SDL_SYSTEM_CURSOR_SIZENWSE}, {32643, SDL_SYSTEM_CURSOR_SIZENESW},
            {32644, SDL_SYSTEM_CURSOR_SIZEWE},   {32645, SDL_SYSTEM_CURSOR_SIZENS},
            {32646, SDL_SYSTEM_CURSOR_SIZEALL},  {32648, SDL_SYSTEM_CURSOR_NO},
            {32649, SDL_SYSTEM_CURSOR_HAND},     {32650, SDL_SYSTEM_CURSOR_WAITARROW}};
        if (img.systemId) {
            auto it = kSystem.find(img.systemId);
            if (it != kSystem.end())
                if (SDL_Cursor* c = SDL_CreateSystemCursor(it->second)) return c;
        }
        SDL_Surface* s = ImageSurface(img);
        if (!s) return nullptr;
        SDL_Cursor* c = SDL_CreateColorCursor(s, img.hotX, img.hotY);
        SDL_FreeSurface(s);
        return c;
    }

    std::map<Uint32, HWND> windows_;
    std::map<const CursorImage*, SDL_Cursor*> cursors_;
};

} // namespace

HostBackend* CreateSdlHost(std::string* failure) {
    // Without a display SDL settles on its offscreen driver: a window that
    // nobody sees or closes. A screenless driver runs only when named.
    const char* named = std::getenv("SDL_VIDEODRIVER");
    const bool chosen = named && *named;
    if (!chosen && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        *failure = "no display (DISPLAY and WAYLAND_DISPLAY are not set)";
        return nullptr;
    }
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The window surface is the system's own framebuffer, which sends only
    // the rectangles a present names. SDL may otherwise put it on a renderer
    // texture, which draws and swaps the whole window each present: with a
    // software GL (llvmpipe, as under Xvfb or without a GPU driver) that is
    // most of an idle game's processor time. SDL_FRAMEBUFFER_ACCELERATION in
    // the environment still decides.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        *failure = std::string("no display (") + SDL_GetError() + ")";
        return nullptr;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!chosen && driver && (!std::strcmp(driver, "offscreen") || !std::strcmp(driver, "dummy"))) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        *failure = std::string("no display (SDL offers only its ") + driver + " driver)";
        return nullptr;
    }
    failure->clear();
    return new SdlHost;
}

} // namespace platform

// SDL's desktop probe, when no display answers, leaves a block inside libdbus
// that only the process's end gives back, and fontconfig keeps what it reads
// on first use for the rest of the process. The leak checker of the
// sanitizer builds is told so here, in every program that can start SDL.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\nleak:libfontconfig.so\n";
}
#endif
#endif
