// Random bytes drive the display's drawing paths on the memory host:
// - a windowed display resized to any client size (empty, 1 x 1, widths that
//   are no multiple of 4), with random view options, brightness levels and
//   dirty rectangles, presented and painted;
// - the brightness copy between memory contexts of every depth it serves,
//   with rectangles and destinations past both contexts;
// - the software cursor of a full-screen mode moved near and past the edges
//   across page flips: hiding it must give back every pixel of the page.
#include "FuzzInput.h"
#include "FakeFullScreen.h"

#include "foundation/TError.h"
#include "gdl/blit.h"
#include "gdl/draw.h"
#include "gdl/mouse.h"
#include "gdl/packed.h"
#include "gdl/windows.h"
#include "media/devices/TDirtyRects.h"
#include "media/devices/TDispDev.h"
#include "media/devices/TImgAdj.h"
#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/Registry.h"
#include "platform/User.h"
#include "platform/WinG.h"
#include "ui/TEngine.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace fakefs = testsupport::fakefs;

namespace {

using Bytes = fuzzsupport::Input;

void start() {
    static bool started = false;
    if (started) return;
    started = true;
    // Full screen sets the AutoRun policy bit: keep the registry away from the user's.
    static char folder[] = "/tmp/fuzz_display.XXXXXX";
    if (mkdtemp(folder)) setenv("XDG_CONFIG_HOME", folder, 1);
}

void fillPattern(GdlDeviceContext* dc, Bytes& in) {
    GdlDeviceContext* previous = GDL_selectCurrentDC(dc);
    GDL_setBackColor(uint32_t(in.u16()) * 0x10001u);
    GDL_clearDevice();
    GDL_selectCurrentDC(previous);
}

// --- Windowed display: present and paint -------------------------------------------------

void windowed(Bytes& in) {
    platform::SetMemoryDesktop(1024, 768, 16);
    platform::SetDesktop16Layout555((in.u8() & 1) != 0);
    TDispDev display;
    display.SetClassName("FuzzDisplay");
    display.SetTitle("Fuzz");
    display.SetDriverFlags((in.u8() & 1) ? 0x600 : 0x200);
    const int32_t sizes[][2] = {{800, 600}, {33, 7}, {1, 1}, {0, 0}};
    const auto& size = sizes[in.u8() % 4];
    display.SetMode(size[0], size[1], 16);
    if (display.Open()) {
        for (int32_t round = 0; round < 6 && in.more(); ++round) {
            const int32_t w = in.u16() % 900, h = in.u16() % 700;
            SetWindowPos(display.GetWindow(), nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER);
            display.SetPaintFlags(in.u8() & 7);
            display.UpdateView();
            display.SetAdjustLevel(in.u16() % 600 - 40);
            if (GdlDeviceContext* dc = display.GetDrawContext()) fillPattern(dc, in);
            for (int32_t n = in.u8() % 6; n > 0; --n)
                TDirtyRects::AddDirtyArea(in.coord(1800), in.coord(1400), in.coord(1800),
                                          in.coord(1400));
            display.Present();
            UpdateWindow(display.GetWindow());
            TDirtyRects::SetChanged(0);
        }
    }
    display.Close();
    display.ReleaseLibrary();
    TDirtyRects::ClearTracking();
    TDirtyRects::SetChanged(0);
    platform::SetDesktop16Layout555(false);
}

// --- The brightness copy ----------------------------------------------------------------

void brightness(Bytes& in) {
    platform::SetMemoryDesktop(1024, 768, 16);
    if (!GDL_initWindowed(".")) return;
    PACK_registerDrivers();
    static const int32_t kDepths[] = {8, 15, 16, 24, 32};
    const int32_t depth = kDepths[in.u8() % 5];
    const bool sameFormat = (in.u8() & 3) != 0;
    const int32_t sw = in.u8() % 40, sh = in.u8() % 40, dw = in.u8() % 40, dh = in.u8() % 40;
    GdlDeviceContext* source = GDL_createMemoryDC(sw, sh, depth, nullptr);
    GdlDeviceContext* dest =
        GDL_createMemoryDC(dw, dh, sameFormat ? depth : (depth == 16 ? 15 : 16), nullptr);
    if (source && dest) {
        fillPattern(source, in);
        TImgAdj adjust;
        for (int32_t n = 0; n < 4 && in.more(); ++n) {
            adjust.SetLevel(in.u16() % 700 - 50);
            adjust.Blit(dest, source, in.coord(120), in.coord(120), in.coord(120), in.coord(120),
                        in.coord(120), in.coord(120));
        }
    }
    if (source) GDL_destroyDC(source);
    if (dest) GDL_destroyDC(dest);
    GDL_selectCurrentDC(nullptr);
    GDL_exit();
}

// --- The software cursor's save-under --------------------------------------------------

bool samePages(const std::vector<uint8_t>& before) {
    return std::memcmp(before.data(), fakefs::state()->memory, before.size()) == 0;
}

void cursor(Bytes& in) {
    static const int32_t kDepths[] = {8, 15, 16, 24, 32};
    const int32_t bits = kDepths[in.u8() % 5];
    const int32_t pages = 1 + (in.u8() & 1);
    fakefs::reset({{bits}, pages, false});
    GDL_unregisterAllDrivers();
    for (int32_t i = 0; i < 4; ++i)
        GDL_registerDriver(fakefs::kFiles[i], fakefs::headerOf(i));
    int32_t driver = -1, mode = TDispDev::FindMode(320, 200, bits);
    GdlDeviceContext* dc = nullptr;
    if (mode >= 0 && GDL_init(&driver, &mode, ".")) dc = GDL_createDisplayDCPages(pages);
    if (dc) {
        const size_t bytes = size_t(fakefs::state()->pageSize) * size_t(pages);
        for (size_t i = 0; i < bytes; ++i)
            fakefs::state()->memory[i] = uint8_t(i * 13 + 7);
        const std::vector<uint8_t> before(fakefs::state()->memory, fakefs::state()->memory + bytes);
        GDL_setMouseDC(dc);
        uint8_t record[GDL_CURSOR_RECORD_SIZE] = {};
        for (int32_t i = 0; i < 256; ++i)
            record[i] = in.u8();
        const int32_t hot[2] = {in.u8() % 40 - 4, in.u8() % 40 - 4};
        std::memcpy(record + 256, hot, sizeof(hot));
        GDL_setMouseCursor(record);
        GDL_showMouse();
        for (int32_t n = 0; n < 24 && in.more(); ++n) {
            const uint8_t op = in.u8();
            if (op < 200)
                GDL_mouseMoved(in.coord(420), in.coord(300));
            else if (op < 230 && pages == 2)
                GDL_setVisualPage(dc, 1 - GDL_getVisualPage(dc), 0);
            else if (op < 245)
                GDL_hideMouse(), GDL_showMouse();
            else
                GDL_setMouseCursor(record);
        }
        GDL_hideMouse();
        if (!samePages(before)) abort(); // the cursor left pixels behind
        GDL_setMouseDC(nullptr);
        GDL_destroyDC(dc);
    }
    GDL_exit();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    start();
    TEngine engine(platform::SessionOptions{.host = platform::HostKind::Memory,
                                            .virtualClockFrom =
                                                1000}); // every input starts from a fresh engine
    Bytes in{data, size};
    switch (in.u8() % 3) {
        case 0: windowed(in); break;
        case 1: brightness(in); break;
        default: cursor(in); break;
    }
    return 0;
}
