// dispdemo's OpenGL run, on the graphics library alone (the display device
// never registers OPENGL.DRV): the driver registered by hand, a Mesa context
// of the mode's size handed to the library as its driver library, the scene
// drawn on the screen context (its 1-bit images and its text by Mesa, the
// rest has no GL path) and read back into the full-screen window each frame.
// F9 minimises the window; a second later it comes back and the library sets
// the display mode again.
#include "DemoOptions.h"
#include "GdlScene.h"
#include "Glyphs5x7.h"
#include "gdl/ddraw.h"
#include "gdl/draw.h"
#include "gdl/opengl.h"
#include "gdl/packed.h"
#include "gdl/windows.h"
#include "platform/Adapter.h"
#include "platform/Host.h"
#include "platform/Kernel.h"
#include "platform/OpenGL.h"
#include "platform/User.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

bool g_done = false;

void CALLBACK comeBack(HWND window, UINT, UINT_PTR id, DWORD) {
    KillTimer(window, id);
    ShowWindow(window, SW_RESTORE);
    SetActiveWindow(window);
}

LRESULT CALLBACK events(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_KEYDOWN && wp == VK_F9) {
        std::printf("switching away for a second\n");
        ShowWindow(window, SW_MINIMIZE);
        SetTimer(window, 9, 1000, comeBack);
        return 0;
    }
    if (message == WM_CLOSE) {
        g_done = true;
        return 0;
    }
    return DefWindowProcA(window, message, wp, lp);
}

// The 5 x 7 glyphs as a proportional bitmap font of one byte a row.
struct DemoFont {
    GdlFont font{};
    std::vector<uint8_t> data;
    DemoFont() {
        for (auto& o : font.glyphOffset)
            o = 0xFFFF;
        font.fontType = 3;
        font.fontHeight = 7;
        font.ascent = 7;
        font.maxWidth = 6;
        for (const tools::Glyph5x7& g : tools::Glyphs5x7()) {
            const auto c = uint8_t(g.c);
            font.glyphOffset[c] = uint16_t(data.size());
            font.bitWidth[c] = 8;
            font.charWidth[c] = 6;
            data.insert(data.end(), g.rows, g.rows + 7);
        }
        font.glyphOffset[0] = font.glyphOffset[uint8_t(' ')];
        font.glyphData = data.data();
        font.glyphBytes = uint32_t(data.size());
    }
};

int32_t makeCurrent(HDC, void* context) {
    return platform::MakeGlContextCurrent(static_cast<platform::GlContext*>(context)) ? 1 : 0;
}

GdlGlEntries entriesOver(const platform::GlEntries& p) {
    GdlGlEntries e{};
    e.color3ub = p.color3ub;
    e.drawBuffer = p.drawBuffer;
    e.getIntegerv = p.getIntegerv;
    e.pixelStorei = p.pixelStorei;
    e.rasterPos2i = p.rasterPos2i;
    e.bitmap = p.bitmap;
    e.makeCurrent = makeCurrent;
    return e;
}

int32_t modeOf(const DemoOptions& o) {
    for (int32_t m = 11; m < GDL_MODE_COUNT; ++m) {
        int32_t w = 0, h = 0, b = 0;
        if (GDL_modeResolution(m, &w, &h, &b) && w == o.width && h == o.height && b == o.bits)
            return m;
    }
    return -1;
}

void pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

} // namespace

int RunOpenGl(const DemoOptions& o) {
    if (!platform::CurrentAdapter()) platform::UseAdapter("ddraw-4mb");
    // Mesa's formats are generic ones the hardware test turns down.
    if (!std::getenv("ADV_GL")) setenv("ADV_GL", "accelerated", 1);
    GDL_unregisterAllDrivers();
    PACK_registerDrivers();
    GDL_registerDriver("OPENGL.DRV", OPENGL_header());
    GDL_registerEventProc(events);
    int32_t driver = -1, mode = modeOf(o);
    if (mode < 0 || !GDL_init(&driver, &mode, ".")) {
        std::fprintf(stderr, "dispdemo: OpenGL does not show that mode (%s)\n",
                     platform::CurrentGlMode() == platform::GlMode::None ? "no Mesa"
                                                                         : "no hardware format");
        return 1;
    }
    GdlDeviceContext* screen = GDL_createDisplayDCPages(1);
    platform::GlContext* context = screen ? platform::CreateGlContext(o.width, o.height) : nullptr;
    if (!context) {
        std::fprintf(stderr, "dispdemo: the OpenGL display did not open\n");
        GDL_exit();
        return 1;
    }
    const GdlGlEntries entries = entriesOver(*platform::GlContextEntries());
    GDL_glUseLibrary(&entries, nullptr, nullptr);
    GDL_glSetContext(screen, context, 1);
    GDL_glMakeCurrent(screen);
    std::printf("driver %s type %d (%s) mode %d %s\n", GDL_modeDriverName(mode),
                GDL_selectedDriverType(), GDL_driverTypeName(GDL_selectedDriverType()), mode,
                GDL_modeName(mode));
    const DemoFont font;
    HWND window = GDL_getFullScreenWindow();
    const platform::GlEntries* gl = platform::GlContextEntries();
    for (long frame = 0; !g_done && (o.frames < 0 || frame < o.frames); ++frame) {
        pump();
        platform::MakeGlContextCurrent(context);
        gl->clear(0x4000);
        tools::DrawGdlScene(screen, int32_t(frame), &font.font);
        platform::ShowGlFrame(context, window);
        Sleep(16);
    }
    const platform::Frame last = platform::PresentedFrame(window);
    GDL_exit();
    platform::DestroyGlContext(context);
    if (!o.png.empty() && !platform::WriteFramePng(last, o.png.c_str())) {
        std::fprintf(stderr, "dispdemo: cannot write %s\n", o.png.c_str());
        return 1;
    }
    return 0;
}
