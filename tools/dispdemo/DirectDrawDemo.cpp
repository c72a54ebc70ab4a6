// dispdemo's full-screen runs: the display opened on the simulated adapter
// through the DirectDraw drivers alone, the library's scene drawn on the
// screen context and flipped each frame, the library's cursor moving over it;
// or through the full-screen DIB drivers, the scene drawn in the display's
// memory context and blitted into the window. F9 switches away; a second
// later the program is switched back to, and the drivers restore their
// surfaces or set the display mode again.
#include "DemoOptions.h"
#include "GdlScene.h"
#include "foundation/TEvent.h"
#include "foundation/TEventMgr.h"
#include "gdl/blit.h"
#include "gdl/ddraw.h"
#include "gdl/draw.h"
#include "gdl/vbe.h"
#include "gdl/mouse.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "gdl/vga.h"
#include "gdl/windows.h"
#include "media/devices/TDispDev.h"
#include "platform/Adapter.h"
#include "platform/Host.h"
#include "platform/Kernel.h"
#include "platform/User.h"
#include "platform/Vbeaf.h"
#include "VbeafWriter.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

bool g_quit = false;

void CALLBACK switchBack(HWND window, UINT, UINT_PTR id, DWORD) {
    KillTimer(window, id);
    platform::InjectAppSwitch(false);
}

// Prints the events waiting and acts on F9 and on quitting.
void drainEvents(HWND window) {
    TEvent event;
    while (TEventMgr::Global().Translate(&event) && event.type != evNone) {
        std::printf("event %d\n", event.type);
        if (event.type == evQuit) g_quit = true;
        if (event.type == evKeyDown && (event.data[0] >> 8) == 0x43) { // F9
            std::printf("switching away for a second\n");
            platform::InjectAppSwitch(true);
            SetTimer(window, 9, 1000, switchBack);
        }
    }
}

// An arrow in both masks of the 32 x 32 record; its hot spot at the tip.
void setArrow() {
    uint8_t record[GDL_CURSOR_RECORD_SIZE] = {};
    for (int32_t row = 0; row < 24; ++row)
        for (int32_t col = 0; col <= row / 2; ++col) {
            const int32_t byte = row * 4 + col / 8, bit = 0x80 >> (col % 8);
            record[byte] |= uint8_t(bit);
            record[128 + byte] |= uint8_t(bit);
        }
    GDL_setMouseCursor(record);
    GDL_showMouse();
}

// At 8 bits the library's default colours, so the scene shows as drawn.
void showColours(GdlDeviceContext* screen) {
    GdlDeviceContext* d = GDL_liveDC(screen);
    if (d->mode.bitsPerPixel != 8 || !d->palette) return;
    std::memcpy(d->palette, GDL_defaultPalette(), 256 * sizeof(GdlPaletteEntry));
    GDL_realizePalette(screen, 256, 0, 0);
}

// The top sixteen entries turn round one place a frame.
void cyclePalette(GdlDeviceContext* screen) {
    GdlPaletteEntry* p = GDL_liveDC(screen)->palette;
    if (!p) return;
    const GdlPaletteEntry first = p[240];
    for (int i = 240; i < 255; ++i)
        p[i] = p[i + 1];
    p[255] = first;
    GDL_realizePalette(screen, 16, 240, 1); // on the retrace: no tearing
}

void describe(GdlDeviceContext* screen, int32_t mode) {
    const int32_t type = GDL_selectedDriverType();
    std::printf("driver %s type %d (%s) mode %d %s pages %d access 0x%x\n",
                GDL_modeDriverName(mode), type, GDL_driverTypeName(type), mode, GDL_modeName(mode),
                GDL_maxPage(screen) + 1, unsigned(GDL_liveDC(screen)->flags & 0x7FFFFFFFu));
}

// The display finds a mode by the library's size table, which names modes 7
// to 10 by other sizes than VGAX.DRV's records, the sizes the registers make:
// the record of the size asked for gives the mode's number.
int32_t setDisplayMode(TDispDev& display, const DemoOptions& o) {
    if (o.driver != "vgax") return display.SetMode(o.width, o.height, o.bits);
    const GdlDriverHeader* h = VGAX_header();
    for (int32_t i = 0; i < h->modeCount; ++i) {
        const GdlModeRecord& r = h->modes[i];
        if (int32_t(r.maxX) + 1 == o.width && int32_t(r.maxY) + 1 == o.height &&
            int32_t(r.bitsPerPixel) == o.bits)
            return display.SetModeNumber(7 + i);
    }
    return -1;
}

} // namespace

namespace {

// The accelerator's driver file: the one in the current folder or on
// VBEAF_PATH, else one for the simulated accelerator made in a temporary
// folder.
void provideVbeafDriver() {
    if (std::getenv("VBEAF_PATH") || std::filesystem::exists("VBEAF.DRV")) return;
    std::error_code error;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path(error) / "dispdemo-vbeaf";
    std::filesystem::create_directories(folder, error);
    const std::vector<uint8_t> image = tools::WriteVbeaf({});
    if (FILE* f = std::fopen((folder / "VBEAF.DRV").string().c_str(), "wb")) {
        std::fwrite(image.data(), 1, image.size(), f);
        std::fclose(f);
        setenv("VBEAF_PATH", folder.string().c_str(), 1);
    }
}

int runFullScreen(const DemoOptions& o, uint32_t flags) {
    const bool accel = o.driver == "accel";
    const bool vbe = o.driver == "linear" || o.driver == "svga" || accel;
    if (accel) provideVbeafDriver();
    // The VGA and VESA modes show in FSDirect's window, the library's full-screen one.
    const bool vga = o.driver == "vga" || o.driver == "vgax" || o.driver == "vga4" || vbe;
    if (!platform::CurrentAdapter())
        platform::UseAdapter(accel ? "accel" : vbe ? "vbe30" : vga ? "vga" : "ddraw-4mb");
    const uint32_t switches = VBE_bankSwitches();
    size_t calls = 0;
    int32_t count = 0;
    const GdlLinkedDriver* drivers = GDL_linkedDrivers(&count);
    TDispDev::SetLinkedDrivers(drivers, count);
    TDispDev& display = TDispDev::Global();
    display.SetClassName("DispDemo");
    display.SetTitle("dispdemo");
    display.SetDriverFlags(flags);
    const int32_t mode = setDisplayMode(display, o);
    if (mode < 0 || !display.Open()) {
        std::fprintf(stderr, "dispdemo: the display did not open on the adapter\n");
        TDispDev::SetLinkedDrivers(nullptr, 0);
        return 1;
    }
    GdlDeviceContext* screen = display.GetScreenContext();
    describe(screen, GDL_currentMode()); // the depth the display fell back to, if it did
    HWND window = display.GetWindow();
    TEventMgr::Global().InitQueue(window);
    setArrow();
    showColours(screen);
    const bool flips = GDL_maxPage(screen) > 0;
    platform::Frame last;
    for (long frame = 0; !g_quit && (o.frames < 0 || frame < o.frames); ++frame) {
        drainEvents(window);
        platform::VbeafClearCallLog();
        const int32_t shown = GDL_getVisualPage(screen);
        if (flips) GDL_setActivePage(screen, 1 - shown);
        if (GDL_liveDC(screen)->surface) {
            tools::DrawGdlScene(screen, int32_t(frame));
        } else {
            // A blit target: the scene is drawn in memory and copied in.
            GdlDeviceContext* draw = display.GetDrawContext();
            tools::DrawGdlScene(draw, int32_t(frame));
            GDL_bitBlt(screen, draw, 0, 0, o.width, o.height, 0, 0, 0);
        }
        if (flips)
            GDL_setVisualPage(screen, 1 - shown, 1);
        else if (vga)
            GDL_setVisualPage(screen, shown, 1); // one page: paced by the retrace
        GDL_setMousePos(int32_t(20 + frame * 3 % (o.width - 40)), o.height / 2);
        if (GDL_liveDC(screen)->mode.bitsPerPixel == 8) cyclePalette(screen);
        if (accel) {
            const size_t now = platform::VbeafCallLog().size();
            calls += now;
            if (o.frames < 0) std::printf("frame %ld accelerator calls %zu\n", frame, now);
        }
        Sleep(16);
    }
    if (accel && o.frames > 0)
        std::printf("accelerator calls per frame %.1f\n", double(calls) / double(o.frames));
    if (vbe && !accel && o.frames > 0)
        std::printf("bank switches per frame %.1f\n",
                    double(VBE_bankSwitches() - switches) / double(o.frames));
    if (!o.png.empty()) last = platform::PresentedFrame(vga ? GDL_getFullScreenWindow() : window);
    display.Close();
    display.ReleaseLibrary();
    TDispDev::SetLinkedDrivers(nullptr, 0);
    if (!o.png.empty() && !platform::WriteFramePng(last, o.png.c_str())) {
        std::fprintf(stderr, "dispdemo: cannot write %s\n", o.png.c_str());
        return 1;
    }
    return 0;
}

} // namespace

int RunDirectDraw(const DemoOptions& o) {
    const uint32_t family = o.driver == "vgax" ? uint32_t(TDispDev::fVGA | TDispDev::fVGAX)
                            : o.driver == "vga" || o.driver == "vga4" ? uint32_t(TDispDev::fVGA)
                            : o.driver == "linear" ? uint32_t(TDispDev::fVBE | TDispDev::fLinear)
                            : o.driver == "svga"   ? uint32_t(TDispDev::fVBE)
                            : o.driver == "accel"
                                ? uint32_t(TDispDev::fVBE | TDispDev::fLinear | TDispDev::fVBEAF)
                                : uint32_t(TDispDev::fDirectDraw);
    return runFullScreen(o, family | (o.pages >= 2 ? uint32_t(TDispDev::fDblBuf) : 0u));
}

int RunFullScreenDib(const DemoOptions& o) {
    return runFullScreen(o, TDispDev::fFullscreenDIB);
}

namespace {

// The library started with one VESA family's drivers alone, in the mode of
// the size and depth asked for; -1 when it does not start.
int32_t startVesa(const DemoOptions& o) {
    GDL_unregisterAllDrivers();
    PACK_registerDrivers();
    const char* family = o.driver == "svga" ? "SVGA" : "LINEAR";
    int32_t count = 0;
    const GdlLinkedDriver* linked = GDL_linkedDrivers(&count);
    for (int32_t i = 0; i < count; ++i)
        if (std::strncmp(linked[i].fileName, family, std::strlen(family)) == 0)
            GDL_registerDriver(linked[i].fileName, linked[i].header);
    for (int32_t m = 0; m < GDL_MODE_COUNT; ++m) {
        int32_t w = 0, h = 0, b = 0;
        if (!GDL_modeResolution(m, &w, &h, &b) || w != o.width || h != o.height || b != o.bits)
            continue;
        int32_t driver = -1, mode = m;
        return GDL_init(&driver, &mode, ".") ? mode : -1;
    }
    return -1;
}

// Goes to and fro between 0 and `range` by `speed` a frame.
int32_t toAndFro(long frame, int32_t speed, int32_t range) {
    if (range <= 0) return 0;
    const long at = frame * speed % (2L * range);
    return int32_t(at <= range ? at : 2L * range - at);
}

// The scene in the top left corner of the virtual screen, a frame round its
// edge and a diagonal across it, so that the scrolling shows.
void drawVirtual(GdlDeviceContext* screen, long frame, int32_t width, int32_t height) {
    tools::DrawGdlScene(screen, int32_t(frame));
    GDL_selectCurrentDC(screen);
    GDL_setColor(GDL_liveDC(screen)->mode.bitsPerPixel == 8 ? 15 : 0xFFFFFFFFu);
    GDL_rect(0, 0, width - 1, height - 1);
    GDL_line(0, 0, width - 1, height - 1);
}

} // namespace

int RunVesaVirtual(const DemoOptions& o) {
    if (!platform::CurrentAdapter()) platform::UseAdapter("vbe30");
    const int32_t mode = startVesa(o);
    GdlDeviceContext* screen = nullptr;
    for (int32_t pages = o.pages; mode >= 0 && !screen && pages >= 1; --pages)
        screen = GDL_createDisplayDC(o.virtualWidth, o.virtualHeight, pages, 0, -1);
    if (!screen) {
        std::fprintf(stderr, "dispdemo: no %dx%d virtual screen in that mode on the adapter\n",
                     o.virtualWidth, o.virtualHeight);
        GDL_exit();
        return 1;
    }
    describe(screen, mode);
    std::printf("virtual %d x %d\n", o.virtualWidth, o.virtualHeight);
    GDL_setMouseDC(screen);
    setArrow();
    showColours(screen);
    const bool flips = GDL_maxPage(screen) > 0;
    const uint32_t first = VBE_bankSwitches();
    for (long frame = 0; o.frames < 0 || frame < o.frames; ++frame) {
        const uint32_t before = VBE_bankSwitches();
        const int32_t shown = GDL_getVisualPage(screen);
        const int32_t page = flips ? 1 - shown : shown;
        GDL_setActivePage(screen, page);
        drawVirtual(screen, frame, o.virtualWidth, o.virtualHeight);
        const int32_t x = toAndFro(frame, 16, o.virtualWidth - o.width);
        const int32_t y = toAndFro(frame, 12, o.virtualHeight - o.height);
        SVGA_setDisplayStart(GDL_liveDC(screen), x, y, -1); // shown with the page
        GDL_setMousePos(x + int32_t(20 + frame * 3 % (o.width - 40)), y + o.height / 2);
        GDL_setVisualPage(screen, page, 1);
        std::printf("frame %ld page %d start %d,%d bank switches %u\n", frame, page, x, y,
                    VBE_bankSwitches() - before);
        Sleep(16);
    }
    if (o.frames > 0)
        std::printf("bank switches per frame %.1f\n",
                    double(VBE_bankSwitches() - first) / double(o.frames));
    const platform::Frame last = platform::PresentedFrame(GDL_getFullScreenWindow());
    GDL_destroyDisplayDC(screen);
    GDL_exit();
    if (!o.png.empty() && !platform::WriteFramePng(last, o.png.c_str())) {
        std::fprintf(stderr, "dispdemo: cannot write %s\n", o.png.c_str());
        return 1;
    }
    return 0;
}
