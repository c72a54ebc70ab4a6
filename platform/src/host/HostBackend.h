// The small interface each host fills in. The semantic layer calls it; the
// host calls back only through the Inject* functions of Host.h.
#pragma once

#include "platform/Host.h"
#include "platform/User.h"

#include <cstdint>
#include <vector>

namespace platform {

namespace user {
struct Window;
}
struct CursorImage;
struct DisplayMode;

constexpr int kBoxByPolicy = -1;
constexpr int kBoxNotShown = -2;

class HostBackend {
public:
    virtual ~HostBackend() = default;
    virtual HostKind Kind() const = 0;
    // Native windows follow the layer's windows (top-level ones only).
    virtual void WindowCreated(user::Window& w) = 0;
    virtual void WindowDestroyed(user::Window& w) = 0;
    virtual void WindowChanged(user::Window& w) = 0;
    // The window's presented frame (Window::presented) changed.
    virtual void Present(user::Window& w) = 0;
    // Delivers the input that arrived since the last call.
    virtual void Pump() = 0;
    // Sleeps up to `ms` until the host has input to pump or Interrupt is
    // called (from any thread). A host whose input arrives through the
    // layer's own queue returns at once.
    virtual void WaitForInput(uint32_t ms) { (void)ms; }
    virtual void Interrupt() {}
    // The shape to show, or null for no cursor.
    virtual void ShowCursorImage(const CursorImage* image) = 0;
    virtual void WarpMouse(user::Window* w, int clientX, int clientY) = 0;
    // A real box's answer; kBoxByPolicy where this host shows no boxes (the
    // policy answers), kBoxNotShown when it tried and failed.
    virtual int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) = 0;
    virtual void Beep() = 0;
    // The desktop's own mode and the modes it offers.
    virtual void DesktopModes(DisplayMode* desktop, std::vector<DisplayMode>* modes) = 0;
};

// The host in use, started on first use.
HostBackend& Host();
// True when the calling thread may pump the host (the thread that started it).
bool IsHostThread();

// The buttons of a message box type, left to right (IDOK...).
std::vector<int> BoxButtons(UINT type);
// A button's label ("Abort" for IDABORT...).
const char* BoxButtonName(int id);

HostBackend* CreateMemoryHost();
// Null when SDL cannot start or finds no display, with the reason in `failure`.
HostBackend* CreateSdlHost(std::string* failure);

} // namespace platform
