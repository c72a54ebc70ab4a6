// Host selection, the desktop's display modes and the user state a session resets.
#include "../adapter/AdapterInternal.h"
#include "../cursor/Cursor.h"
#include "../window/UserState.h"
#include "../window/WindowSurface.h"
#include "HostBackend.h"
#include "SessionParts.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace platform {

namespace {

struct HostSlot {
    std::mutex mutex;
    std::unique_ptr<HostBackend> host;
    std::thread::id thread;
    // Display mode chosen through SetDisplayMode; width 0 = the desktop's own.
    DisplayMode chosen{};
    // Why the host is not SDL: the environment's choice, or SDL's failure.
    std::string failure;
};

HostSlot& Slot() {
    static HostSlot* slot = new HostSlot; // windows may outlive every static
    return *slot;
}

// Why the environment asks for the memory host; empty when SDL is to be tried.
std::string MemoryHostReason() {
    const char* choice = std::getenv("ADV_HOST");
    if (choice && std::strcmp(choice, "memory") == 0) return "ADV_HOST=memory";
    if (choice && std::strcmp(choice, "sdl") == 0) return "";
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (driver && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0))
        return std::string("SDL_VIDEODRIVER=") + driver;
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        return "no display (DISPLAY and WAYLAND_DISPLAY are not set)";
    return "";
}

HostBackend& StartLocked(HostSlot& s) {
    if (!s.host) {
        s.failure = MemoryHostReason();
        HostBackend* h = s.failure.empty() ? CreateSdlHost(&s.failure) : nullptr;
        s.host.reset(h ? h : CreateMemoryHost());
        s.thread = std::this_thread::get_id();
    }
    return *s.host;
}

} // namespace

HostBackend& Host() {
    HostSlot& s = Slot();
    std::lock_guard<std::mutex> lock(s.mutex);
    return StartLocked(s);
}

bool IsHostThread() {
    // Asking never starts the host: the thread that first uses it (the one
    // making windows and reading messages) owns it.
    HostSlot& s = Slot();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.host && s.thread == std::this_thread::get_id();
}

bool UseHost(HostKind kind) {
    HostSlot& s = Slot();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.host && s.host->Kind() == kind) return true;
    {
        std::lock_guard<std::mutex> users(user::State().mutex);
        for (auto& [id, w] : user::State().windows)
            if (!w->destroyed) return false; // windows keep the host they were made on
    }
    HostBackend* h = kind == HostKind::Sdl ? CreateSdlHost(&s.failure) : CreateMemoryHost();
    if (!h) return false;
    s.host.reset(h);
    s.thread = std::this_thread::get_id();
    return true;
}

std::string NoDesktopReason() {
    HostSlot& s = Slot();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.failure;
}

HostKind CurrentHost() {
    return Host().Kind();
}

// --- desktop modes -----------------------------------------------------------

namespace {

void Modes(DisplayMode* desktop, std::vector<DisplayMode>* modes) {
    Host().DesktopModes(desktop, modes);
    // A simulated adapter's settings are the ones the desktop offers.
    AdapterDisplayModes(modes);
    HostSlot& s = Slot();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.chosen.width > 0 && desktop) *desktop = s.chosen;
}

bool Matches(const DisplayMode& want, const DisplayMode& have) {
    return !have.refused && !have.failsWhenSet && want.width == have.width &&
           want.height == have.height &&
           (!want.bitsPerPixel || want.bitsPerPixel == have.bitsPerPixel) &&
           (!want.frequency || want.frequency == have.frequency);
}

} // namespace

int DisplayModeCount() {
    std::vector<DisplayMode> modes;
    Modes(nullptr, &modes);
    return static_cast<int>(modes.size());
}

bool GetDisplayModeAt(int index, DisplayMode* out) {
    std::vector<DisplayMode> modes;
    Modes(nullptr, &modes);
    if (!out || index < 0 || index >= static_cast<int>(modes.size())) return false;
    *out = modes[static_cast<size_t>(index)];
    return true;
}

void GetCurrentDisplayMode(DisplayMode* out) {
    if (!out) return;
    Modes(out, nullptr);
}

bool SetDisplayMode(const DisplayMode& mode) {
    std::vector<DisplayMode> modes;
    Modes(nullptr, &modes);
    for (const DisplayMode& m : modes)
        if (Matches(mode, m)) {
            HostSlot& s = Slot();
            std::lock_guard<std::mutex> lock(s.mutex);
            s.chosen = m;
            return true;
        }
    return false;
}

void RestoreDisplayMode() {
    HostSlot& s = Slot();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.chosen = DisplayMode{};
}

// --- state for tests ----------------------------------------------------------

int LiveWindowCount() {
    auto& st = user::State();
    std::lock_guard<std::mutex> lock(st.mutex);
    return static_cast<int>(
        std::count_if(st.windows.begin(), st.windows.end(),
                      [](const auto& entry) { return !entry.second->destroyed; }));
}

int RegisteredClassCount() {
    auto& st = user::State();
    std::lock_guard<std::mutex> lock(st.mutex);
    return static_cast<int>(st.classes.size());
}

void ResetUserState() {
    std::vector<HWND> windows;
    {
        std::lock_guard<std::mutex> lock(user::State().mutex);
        for (auto& [id, w] : user::State().windows)
            if (!w->destroyed && !(w->style & WS_CHILD) && w->thread == std::this_thread::get_id())
                windows.push_back(w->handle);
    }
    for (HWND h : windows)
        DestroyWindow(h);
    {
        auto& st = user::State();
        std::lock_guard<std::mutex> lock(st.mutex);
        st.classes.clear();
        st.timers.clear();
        st.queues.erase(std::this_thread::get_id());
        st.focus = st.active = st.capture = st.lastActive = st.lastDownWindow = nullptr;
        st.appActive = false;
        std::memset(st.syncKeys, 0, sizeof st.syncKeys);
        std::memset(st.asyncKeys, 0, sizeof st.asyncKeys);
        std::memset(st.asyncPressed, 0, sizeof st.asyncPressed);
        st.altAlone = false;
        st.syncKeys[VK_NUMLOCK] = st.asyncKeys[VK_NUMLOCK] = 0x01;
        st.screenSaverStarts = st.monitorPowerChanges = 0;
        st.cascade = 0;
    }
    ResetCursorState();
    RestoreDisplayMode();
    SetMessageBoxPolicy(BoxPolicy::FirstButton);
    ScriptMessageBoxAnswers({});
    ClearMessageBoxLog();
}

} // namespace platform

int GetSystemMetrics(int index) {
    platform::DisplayMode mode{};
    platform::GetCurrentDisplayMode(&mode);
    switch (index) {
        case SM_CXSCREEN:
        case SM_CXFULLSCREEN:
        case SM_CXMAXIMIZED: return mode.width;
        case SM_CYSCREEN: return mode.height;
        case SM_CYFULLSCREEN: return mode.height - 19;
        case SM_CYMAXIMIZED: return mode.height;
        case SM_CXVSCROLL:
        case SM_CYHSCROLL: return 16;
        case SM_CYCAPTION:
        case SM_CYMENU: return 19;
        case SM_CXBORDER:
        case SM_CYBORDER: return 1;
        case SM_CXDLGFRAME:
        case SM_CYDLGFRAME: return 3;
        case SM_CXFRAME:
        case SM_CYFRAME: return 4;
        case SM_CXICON:
        case SM_CYICON:
        case SM_CXCURSOR:
        case SM_CYCURSOR: return 32;
        case SM_MOUSEPRESENT: return 1;
        case SM_CXMIN: return 112;
        case SM_CYMIN: return 27;
        case SM_CXDOUBLECLK:
        case SM_CYDOUBLECLK: return 4;
        case SM_CMOUSEBUTTONS: return 3;
        default: return 0;
    }
}
