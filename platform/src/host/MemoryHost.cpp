// The headless host: no display at all. Input comes from the Inject* calls,
// frames stay in the windows, boxes are answered by the policy.
#include "../window/WindowSurface.h"
#include "HostBackend.h"
#include "SessionParts.h"

#include <mutex>

namespace platform {
namespace {

struct MemoryDesktop {
    std::mutex mutex;
    DisplayMode mode{1024, 768, 32, 60};
};

MemoryDesktop& Desktop() {
    static MemoryDesktop* desktop = new MemoryDesktop;
    return *desktop;
}

class MemoryHost final : public HostBackend {
public:
    HostKind Kind() const override { return HostKind::Memory; }
    void WindowCreated(user::Window&) override {}
    void WindowDestroyed(user::Window&) override {}
    void WindowChanged(user::Window&) override {}
    void Present(user::Window&) override {}
    void Pump() override {}
    void ShowCursorImage(const CursorImage*) override {}
    void WarpMouse(user::Window*, int, int) override {}
    int ShowMessageBox(HWND, const char*, const char*, UINT) override { return kBoxByPolicy; }
    void Beep() override {}
    void DesktopModes(DisplayMode* desktop, std::vector<DisplayMode>* modes) override {
        DisplayMode d;
        {
            std::lock_guard<std::mutex> lock(Desktop().mutex);
            d = Desktop().mode;
        }
        if (desktop) *desktop = d;
        if (!modes) return;
        static const int kSizes[][2] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 1024}};
        static const int kDepths[] = {8, 16, 24, 32};
        bool listed = false;
        for (const auto& s : kSizes)
            for (int bpp : kDepths) {
                modes->push_back(DisplayMode{s[0], s[1], bpp, 60});
                listed = listed || (s[0] == d.width && s[1] == d.height && bpp == d.bitsPerPixel);
            }
        if (!listed) modes->push_back(d);
    }
};

} // namespace

HostBackend* CreateMemoryHost() {
    return new MemoryHost;
}

void ResetMemoryDesktop() {
    std::lock_guard<std::mutex> lock(Desktop().mutex);
    Desktop().mode = MemoryDesktop{}.mode;
}

void SetMemoryDesktop(int width, int height, int bitsPerPixel) {
    std::lock_guard<std::mutex> lock(Desktop().mutex);
    Desktop().mode = DisplayMode{width, height, bitsPerPixel, 60};
}

} // namespace platform
