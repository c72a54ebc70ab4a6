// dispdemo: the engine's display device in a window. Boxes move across an
// 800 x 600 16-bit frame; only the rectangles they leave and enter are
// presented. Every engine event is printed; the close button gives event 19,
// after which the display closes and the program ends.
//
//   dispdemo [--frames N] [--close] [--png FILE]
//   dispdemo --driver ddraw|vga|vgax|vga4|svga|linear|accel [--mode WxHxBITS] [--pages N]
//            [--frames N] [--png FILE]
//   dispdemo --driver svga|linear --virtual WxH [--mode WxHxBITS] [--pages N] [--frames N]
//            [--png FILE]
//   dispdemo --driver fdib|opengl [--mode WxHxBITS] [--frames N] [--png FILE]
//
// --frames N stops after N frames (--close then presses the close button),
// --png FILE writes the last frame presented; with --png the program runs on
// the memory host in virtual time, so the file is the same on every run.
// Without a display it runs so too, for 100 frames unless --frames says.
// --driver ddraw opens the display full screen on the simulated adapter
// (ADV_ADAPTER, or "ddraw-4mb") through the DirectDraw drivers instead;
// --driver linear through the VESA BIOS's linear framebuffer drivers
// (ADV_ADAPTER, or "vbe30"), printing the bank switches a frame; --driver
// svga through its banked drivers; --driver accel through the VBE/AF
// accelerated drivers on the simulated accelerator ("accel"), the scene
// drawn by its fills, lines and blits and the library's cursor as its
// hardware cursor, printing the accelerator's calls a frame (the driver file
// VBEAF.DRV from the current folder or VBEAF_PATH, else one made for it);
// with --virtual on a virtual screen of that size whose display start goes
// round it, a line a frame (page shown, start, bank switches);
// --driver fdib through the full-screen DIB drivers, which change the
// adapter's display settings and blit a memory context into the window;
// --driver opengl through the OpenGL driver on the library alone, Mesa
// drawing its images and text (ADV_GL=accelerated unless ADV_GL says).
#include "CommandLine.h"
#include "DemoOptions.h"
#include "DesktopHost.h"
#include "foundation/TEvent.h"
#include "foundation/TEventMgr.h"
#include "gdl/blit.h"
#include "gdl/draw.h"
#include "media/devices/TDirtyRects.h"
#include "media/devices/TDispDev.h"
#include "media/devices/TDispHooks.h"
#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/Kernel.h"
#include "platform/User.h"
#include "ui/TEngine.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// WxH, or WxHxBITS when `bits` is given.
bool parseSize(const char* text, int32_t* width, int32_t* height, int32_t* bits) {
    const std::string s = text;
    const size_t x1 = s.find('x'), x2 = s.find('x', x1 == std::string::npos ? 0 : x1 + 1);
    if (x1 == std::string::npos || (bits != nullptr) != (x2 != std::string::npos)) return false;
    int64_t w = 0, h = 0, b = 0;
    if (!tools::ParseNumber(s.substr(0, x1).c_str(), 1, 4096, &w) ||
        !tools::ParseNumber(s.substr(x1 + 1, x2 - x1 - 1).c_str(), 1, 4096, &h) ||
        (bits && !tools::ParseNumber(s.substr(x2 + 1).c_str(), 4, 32, &b)))
        return false;
    *width = int32_t(w);
    *height = int32_t(h);
    if (bits) *bits = int32_t(b);
    return true;
}

// A value the command line refuses is named with what it takes, before the
// usage.
constexpr const char* kTool = "dispdemo";

bool parse(int argc, char** argv, DemoOptions* o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--driver" && i + 1 < argc) {
            const std::string driver = argv[++i];
            o->driver = driver;
            o->ddraw = driver == "ddraw" || driver == "vga" || driver == "vgax" ||
                       driver == "vga4" || driver == "linear" || driver == "svga" ||
                       driver == "accel";
            o->fdib = driver == "fdib";
            o->opengl = driver == "opengl";
            if (!o->ddraw && !o->fdib && !o->opengl)
                return tools::RefuseValue(
                    kTool, a, "ddraw, vga, vgax, vga4, svga, linear, accel, fdib or opengl",
                    driver);
        } else if (a == "--mode" && i + 1 < argc) {
            if (!parseSize(argv[++i], &o->width, &o->height, &o->bits))
                return tools::RefuseValue(kTool, a, "WIDTHxHEIGHTxBITS (up to 4096x4096x32)",
                                          argv[i]);
        } else if (a == "--virtual" && i + 1 < argc) {
            if (!parseSize(argv[++i], &o->virtualWidth, &o->virtualHeight, nullptr))
                return tools::RefuseValue(kTool, a, "WIDTHxHEIGHT (up to 4096x4096)", argv[i]);
        } else if (a == "--pages" && i + 1 < argc) {
            int64_t pages = 0;
            if (!tools::ParseOptionNumber(kTool, "--pages", argv[++i], 1, 2, &pages)) return false;
            o->pages = int32_t(pages);
        } else if (a == "--frames" && i + 1 < argc) {
            int64_t frames = 0;
            if (!tools::ParseOptionNumber(kTool, "--frames", argv[++i], 0, INT32_MAX, &frames))
                return false;
            o->frames = long(frames);
        } else if (a == "--close") {
            o->close = true;
        } else if (a == "--png" && i + 1 < argc) {
            o->png = argv[++i];
        } else {
            const bool valued = a == "--driver" || a == "--mode" || a == "--virtual" ||
                                a == "--pages" || a == "--frames" || a == "--png";
            std::fprintf(stderr, valued ? "%s: %s needs a value\n" : "%s: no option %s\n", kTool,
                         tools::Printable(a).c_str());
            return false;
        }
    }
    // Only the VESA drivers scroll a virtual screen.
    if (o->virtualWidth == 0 || o->driver == "svga" || o->driver == "linear") return true;
    std::fprintf(stderr, "%s: --virtual takes --driver svga or linear\n", kTool);
    return false;
}

bool g_running = true;

// A box that bounces inside the frame.
struct Box {
    int32_t x, y, dx, dy, size;
    uint32_t pixel; // 5:6:5
};

constexpr int32_t kWidth = 800, kHeight = 600;

void fill(GdlDeviceContext* dc, const TRectArea& r, uint32_t pixel) {
    GdlDeviceContext* previous = GDL_selectCurrentDC(dc);
    GDL_setColor(pixel);
    GDL_fillRect(r.left, r.top, r.right, r.bottom);
    GDL_selectCurrentDC(previous);
}

void step(GdlDeviceContext* dc, Box* b) {
    const TRectArea old{b->x, b->y, b->x + b->size, b->y + b->size};
    fill(dc, old, 0);
    TDirtyRects::AddDirtyRect(old);
    if (b->x + b->dx < 0 || b->x + b->dx + b->size > kWidth) b->dx = -b->dx;
    if (b->y + b->dy < 0 || b->y + b->dy + b->size > kHeight) b->dy = -b->dy;
    b->x += b->dx;
    b->y += b->dy;
    const TRectArea now{b->x, b->y, b->x + b->size, b->y + b->size};
    fill(dc, now, b->pixel);
    TDirtyRects::AddDirtyRect(now);
}

// Prints the events waiting; false once the quit event came.
bool drainEvents() {
    TEvent event;
    while (TEventMgr::Global().Translate(&event) && event.type != evNone) {
        std::printf("event %d\n", event.type);
        if (event.type == evQuit) {
            g_running = false;
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    TEngine engine; // the engine's services, built first and gone last
    DemoOptions options;
    if (!parse(argc, argv, &options)) {
        std::fprintf(stderr, "usage: dispdemo [--frames N] [--close] [--png FILE]\n"
                             "       dispdemo --driver ddraw|vga|vgax|vga4|svga|linear|accel "
                             "[--mode WxHxBITS] [--pages 1|2] [--frames N] [--png FILE]\n"
                             "       dispdemo --driver svga|linear --virtual WxH [--mode WxHxBITS] "
                             "[--pages 1|2] [--frames N] [--png FILE]\n"
                             "       dispdemo --driver fdib|opengl [--mode WxHxBITS] "
                             "[--frames N] [--png FILE]\n");
        return 2;
    }
    if (!options.png.empty()) {
        platform::UseHost(platform::HostKind::Memory);
        platform::ClockUseVirtual(true, 0);
    } else if (!tools::OnDesktop("dispdemo", options.frames < 0 ? "running headless for 100 frames"
                                                                : "running headless")) {
        // Nobody could press the close button of a window nobody sees.
        if (options.frames < 0) options.frames = 100;
        platform::ClockUseVirtual(true, 0);
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    DisplayHooks().appRunning = [] { return g_running; };
    if (options.virtualWidth > 0) return RunVesaVirtual(options);
    if (options.ddraw) return RunDirectDraw(options);
    if (options.fdib) return RunFullScreenDib(options);
    if (options.opengl) return RunOpenGl(options);
    TDispDev& display = TDispDev::Global();
    display.SetClassName("DispDemo");
    display.SetTitle("dispdemo");
    display.SetDriverFlags(TDispDev::fWindowed | TDispDev::fDirtyRect);
    display.SetMode(kWidth, kHeight, 16);
    if (!display.Open()) {
        std::fprintf(stderr, "dispdemo: the display did not open\n");
        return 1;
    }
    HWND window = display.GetWindow();
    TEventMgr::Global().InitQueue(window);
    Box boxes[3] = {
        {40, 40, 7, 5, 60, 0xF800}, {400, 300, -5, 6, 90, 0x07E0}, {700, 100, -9, -4, 40, 0x001F}};
    platform::Frame last;
    for (long frame = 0; g_running; ++frame) {
        if (options.frames >= 0 && frame == options.frames) {
            if (!options.png.empty()) {
                UpdateWindow(window); // with no frame run yet, the opening black one
                last = platform::PresentedFrame(window);
            }
            if (!options.close) break;
            platform::InjectCloseButton(window);
        }
        if (!drainEvents()) break;
        if (options.frames < 0 || frame < options.frames) {
            for (Box& b : boxes)
                step(display.GetDrawContext(), &b);
            display.Present();
            UpdateWindow(window);
            TDirtyRects::SetChanged(0);
        }
        Sleep(16);
    }
    display.Close();
    display.ReleaseLibrary();
    if (!options.png.empty() && !platform::WriteFramePng(last, options.png.c_str())) {
        std::fprintf(stderr, "dispdemo: cannot write %s\n", options.png.c_str());
        return 1;
    }
    return 0;
}
