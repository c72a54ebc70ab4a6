// The OpenGL display driver: the hardware test over "opengl32.dll", the
// desktop-depth filter of its modes, the init on the DIB drivers' full-screen
// start, the colour and 1-bit image entries through GL, the draw-buffer hook,
// the pixel-unpack state, the library's make-current paths and the unload.
#include <algorithm>
#include <cstring>

#include "ddraw_state.h"
#include "gdl/blit.h"
#include "gdl/defaultdraw.h"
#include "gdl/ddraw.h"
#include "gdl/fdib.h"
#include "gdl/memory.h"
#include "gdl/opengl.h"
#include "gdl/render.h"
#include "gdl/windc.h"
#include "gdl/windows.h"
#include "platform/OpenGL.h"
#include "startup_internal.h"

namespace {

gdl_internal::OpenGlState& gl() {
    return gdl_internal::state().gl;
}

constexpr uint32_t kFront = 1028, kBack = 1029;
constexpr uint32_t kUnpackFirst = 3312; // swap bytes .. alignment: 3312 to 3317

// What an OpenGL context keeps besides the record.
struct GlDc {
    void* context;
    int32_t pixelFormat;
    int32_t front, back;
    uint32_t drawBuffer;
    int32_t saved; // the unpack state below is held
    int32_t unpack[6];
};

GlDc* glDc(GdlDeviceContext* dc) {
    return dc ? static_cast<GlDc*>(dc->driverData) : nullptr;
}

GdlDriverHeader makeHeader() {
    GdlDriverHeader h{};
    std::memcpy(h.signature, GDL_driverSignature, sizeof(h.signature));
    std::strncpy(h.fileName, "OPENGL.DRV", sizeof(h.fileName) - 1);
    std::strncpy(h.driverName, "OPENGL.DRV", sizeof(h.driverName) - 1);
    std::strncpy(h.banner, "OpenGL driver\r\nVersion 2.0", sizeof(h.banner) - 1);
    h.majorVersion = 2;
    h.driverType = GDL_TYPE_OPENGL_ICD;
    h.detect = OPENGL_detect;
    h.init = OPENGL_init;
    h.modes = DRV_modeRecord(11);
    h.modeCount = 75;
    return h;
}

const GdlDriverHeader g_header = makeHeader();

uint8_t channel(uint32_t color, uint32_t mask, int32_t position, int32_t adjust) {
    return uint8_t(((color >> position) & mask) << adjust);
}

void setColor(uint32_t color) {
    GdlDeviceContext& s = gdl_internal::block();
    s.attr.color = color;
    s.packedColor = color;
    const GdlGlEntries* e = GDL_glEntries();
    if (!e || !e->color3ub) return;
    const GdlPixelFormat& f = s.format;
    e->color3ub(channel(color, f.redMask, f.redPosition, f.redAdjust),
                channel(color, f.greenMask, f.greenPosition, f.greenAdjust),
                channel(color, f.blueMask, f.bluePosition, f.blueAdjust));
}

void setBackColor(uint32_t color) {
    gdl_internal::block().attr.backColor = color;
    gdl_internal::block().packedBackColor = color;
}

// The 1-bit image cut to the clip (whole bytes skipped, edge bits masked) and
// drawn in bands that fit the scratch buffer, each from its own raster
// position: a position left of or above the window would draw nothing.
void monoImage(GdlDeviceContext* dc, int32_t x, int32_t y, int32_t bytesPerLine, int32_t height,
               const uint8_t* bits) {
    const GdlGlEntries* e = GDL_glEntries();
    uint8_t* scratch = GDL_scratchBuffer();
    if (!e || !e->rasterPos2i || !e->bitmap || !scratch || !bits || bytesPerLine <= 0 ||
        height <= 0)
        return;
    const GdlRect c = dc->clipDevice;
    const int64_t x0 = std::max<int64_t>(x, c.left), y0 = std::max<int64_t>(y, c.top);
    const int64_t x1 = std::min<int64_t>(int64_t(x) + int64_t(bytesPerLine) * 8, c.right);
    const int64_t y1 = std::min<int64_t>(int64_t(y) + height, c.bottom);
    if (x0 >= x1 || y0 >= y1) return;
    const int32_t firstByte = int32_t((x0 - x) / 8), lastByte = int32_t((x1 - 1 - x) / 8);
    const int32_t bytes = lastByte - firstByte + 1;
    const int64_t xs = int64_t(x) + int64_t(firstByte) * 8;
    const uint8_t left = uint8_t(0xFF >> (x0 - xs));
    const uint8_t right = uint8_t(0xFF << (7 - (x1 - 1 - x) % 8));
    const int32_t band = std::max(1, GDL_SCRATCH_SIZE / bytes);
    // The raster position stays on the window; the origin moves the bitmap back.
    const int32_t rasterX = int32_t(std::max<int64_t>(xs, 0));
    const float xOrigin = float(rasterX - xs);
    GlDc* g = glDc(dc);
    const bool here = g && !g->saved;
    if (here) GDL_glSavePixelStore(dc);
    for (int64_t r0 = y0; r0 < y1; r0 += band) {
        const int32_t rows = int32_t(std::min<int64_t>(band, y1 - r0));
        DRV_monoRowsForGl(bits, bytesPerLine, int32_t(r0 - y), rows, firstByte, bytes, left, right,
                          scratch);
        e->rasterPos2i(rasterX, int32_t(r0) + rows - 1);
        e->bitmap(bytes * 8, rows, xOrigin, 0, 0, 0, scratch);
    }
    if (here) GDL_glRestorePixelStore(dc);
}

// Bitmap-font text: the unpack state saved once around all its glyphs.
void drawString(int32_t x, int32_t y, const char* text) {
    GdlDeviceContext& s = gdl_internal::block();
    GlDc* g = glDc(&s);
    const bool here = g && !g->saved;
    if (here) GDL_glSavePixelStore(&s);
    DRV_drawString(x, y, text);
    if (here) GDL_glRestorePixelStore(&s);
}

void noRows(GdlDeviceContext*, GdlDeviceContext*, int32_t, int32_t, int32_t, int32_t, int32_t,
            int32_t, const GdlPaletteEntry*, int32_t) {}

void keepActivePage(GdlDeviceContext* dc, int32_t page) {
    if (dc && dc->driverState) dc->driverState->activePage = page;
}

void destroyState(GdlDeviceContext* dc) {
    OPENGL_destroy(dc);
}

void hooks() {
    GDL_setFullScreenHooks({[] { FDIB_restoreSystemState(1); },
                            [] {
                                GdlList* list = gdl_internal::state().contexts.lists[0];
                                auto* dc = list
                                               ? static_cast<GdlDeviceContext*>(GDL_listFirst(list))
                                               : nullptr;
                                if (dc && gdl_internal::state().dib.displayChange == -1)
                                    FDIB_setDisplayMode(GDL_liveDC(dc));
                            },
                            GDL_glSuspendHook});
}

} // namespace

// --- The library's table --------------------------------------------------------------

void GDL_glUseLibrary(const GdlGlEntries* entries, HMODULE first, HMODULE second) {
    gdl_internal::OpenGlState& g = gl();
    g.entries = entries ? *entries : GdlGlEntries{};
    g.loaded = entries != nullptr;
    g.libraries[0] = first;
    g.libraries[1] = second;
}

const GdlGlEntries* GDL_glEntries() {
    return gl().loaded ? &gl().entries : nullptr;
}

HMODULE GDL_glLibrary(int32_t which) {
    return which == 0 || which == 1 ? gl().libraries[which] : nullptr;
}

void GDL_glUnloadLibraries() {
    gdl_internal::OpenGlState& g = gl();
    if (!g.libraries[0]) return;
    FreeLibrary(g.libraries[0]);
    if (g.libraries[1]) FreeLibrary(g.libraries[1]);
    g.libraries[0] = g.libraries[1] = nullptr;
    g.entries = GdlGlEntries{};
    g.loaded = false;
    _putenv("__GL_OVERRIDE_DISPATCH=0");
}

void GDL_setOpenGLMode(int32_t mode) {
    gl().modeSetting = mode;
}
int32_t GDL_openGLMode() {
    return gl().modeSetting;
}
void GDL_setOpenGLDriverKind(int32_t kind) {
    gl().driverKind = kind;
}

// --- Detection --------------------------------------------------------------------------

const GdlDriverHeader* OPENGL_header() {
    return &g_header;
}

int32_t GDL_glDetectHardware() {
    gdl_internal::OpenGlState& g = gl();
    if (g.modeSetting != 0) return 0;
    if (g.hardware != -1) return g.hardware;
    gdl_internal::restoreFpuState();
    int32_t result = 0;
    if (HMODULE m = LoadLibraryA("opengl32.dll")) {
        auto describe = reinterpret_cast<decltype(&wglDescribePixelFormat)>(
            GetProcAddress(m, "wglDescribePixelFormat"));
        HDC screen = GetDC(nullptr);
        const int count = describe ? describe(screen, 0, 0, nullptr) : 0;
        for (int i = 1; i <= count && !result; ++i) {
            PIXELFORMATDESCRIPTOR d{};
            if (!describe(screen, i, sizeof(d), &d)) continue;
            // A driver's format, or a generic one with acceleration.
            result =
                bool(d.dwFlags & PFD_GENERIC_FORMAT) == bool(d.dwFlags & PFD_GENERIC_ACCELERATED);
        }
        ReleaseDC(nullptr, screen);
        FreeLibrary(m);
    }
    gdl_internal::restoreFpuState();
    g.hardware = result;
    return result;
}

int32_t OPENGL_checkHardware() {
    // Its modes are offered as DirectDraw's: no DirectDraw object, no driver.
    if (!GDL_initWindows() || !gdl_internal::ddraw().dd) return 0;
    DDRAW_enumerateModes();
    const int32_t setting = gl().modeSetting;
    if (setting != 0 && setting != 1) return 0;
    return GDL_glDetectHardware();
}

void GDL_checkDesktopDepth(GDLModeEntry* table, int32_t mode, int32_t driverIndex,
                           GdlModeRecord* record) {
    const int32_t bits = int32_t(record->bitsPerPixel);
    if (bits <= 8) return;
    if (!GDL_isWindowsNT() && !GDL_isWin32s()) {
        HDC screen = GetDC(nullptr);
        const int32_t desktop = GDL_getDesktopDepth(screen, nullptr);
        ReleaseDC(nullptr, screen);
        if (desktop != bits) return;
    }
    DDRAW_addMode(table, mode, driverIndex, record, false);
}

int32_t OPENGL_detect(int32_t driverIndex, int32_t wantedType, int32_t* driver,
                      int32_t* suggestedMode, GDLModeEntry* modeTable) {
    (void)suggestedMode;
    if (wantedType < GDL_TYPE_OPENGL_ICD || !OPENGL_checkHardware()) return 0;
    if (*driver < GDL_TYPE_OPENGL_ICD) *driver = GDL_TYPE_OPENGL_ICD;
    for (int32_t m = 11; m <= 85; ++m) {
        gl().records[m] = *DRV_modeRecord(m);
        GDL_checkDesktopDepth(modeTable, m, driverIndex, &gl().records[m]);
    }
    return 1;
}

// --- Init and destroy ---------------------------------------------------------------------

int32_t OPENGL_startFullScreen(GdlDeviceContext* dc) {
    return GDL_startFullScreenDisplay(dc, 1);
}

int32_t OPENGL_init(GdlDeviceContext* dc, int32_t driverNumber, int32_t mode, HWND window, int32_t,
                    int32_t, int32_t, int32_t reserved, int32_t) {
    if (reserved != 0 || mode < 11 || mode > 85) return 0;
    dc->mode = gl().records[mode].bitsPerPixel ? gl().records[mode] : *DRV_modeRecord(mode);
    if (!DRV_attachDisplay(dc, &gl().state, destroyState,
                           {window, driverNumber, mode, GDL_DC_OPENGL, FDIB_exit}))
        return 0;
    dc->driverState->setActivePage = keepActivePage;
    auto* g = static_cast<GlDc*>(GDL_calloc(1, sizeof(GlDc)));
    if (!g) return 0;
    // Pages 0 and 1 are the front and back buffers (GL keeps the back one).
    g->back = 1;
    g->drawBuffer = dc->mode.maxPage > 0 ? kBack : kFront;
    dc->driverData = g;
    dc->v.getWinDC = FDIB_getWinDC;
    dc->v.defaultPalette = GDL_getStaticSystemColors;
    dc->v.realizePalette = GDL_realizeIdentityPalette;
    hooks();
    if (!OPENGL_startFullScreen(dc)) return 0;
    OPENGL_setupVectors(dc);
    return 1;
}

void OPENGL_destroy(GdlDeviceContext* dc) {
    if (!(dc->flags & GDL_FLAG_NOT_OWNED)) {
        GDL_free(dc->driverData);
        dc->driverData = nullptr;
    }
    DRV_detachState(dc, &gl().state);
    if (dc->winPalette) DeleteObject(dc->winPalette);
    dc->winPalette = nullptr;
    if (dc->winDC) ReleaseDC(dc->window, dc->winDC);
    dc->winDC = nullptr;
}

void OPENGL_setupVectors(GdlDeviceContext* dc) {
    DRV_setGenericRenderersOnWindow(dc);
    dc->v.setColor = setColor;
    dc->v.setBackColor = setBackColor;
    dc->v.putMonoImage = monoImage;
    dc->v.drawString = drawString;
    dc->v.blitRowDoubled = noRows;
    dc->v.blitZoom2 = noRows;
}

// --- Contexts -----------------------------------------------------------------------------

void GDL_glSetContext(GdlDeviceContext* dc, void* context, int32_t pixelFormat) {
    if (GlDc* g = glDc(GDL_liveDC(dc))) {
        g->context = context;
        g->pixelFormat = pixelFormat;
    }
}

void GDL_glMakeCurrent(GdlDeviceContext* dc) {
    const GdlGlEntries* e = GDL_glEntries();
    if (!e) return;
    GdlDeviceContext* d = dc ? GDL_liveDC(dc) : nullptr;
    GlDc* g = glDc(d);
    const int32_t kind = gl().driverKind;
    if (kind == 3) {
        if (e->makeCurrentDC) e->makeCurrentDC(dc);
        return;
    }
    if (kind == 2) {
        if (!dc || !g) return;
        GDL_selectCurrentDC(dc);
        if (e->makeCurrentFrames)
            e->makeCurrentFrames(g->context, g->pixelFormat, GDL_liveDC(dc)->frameBase, nullptr);
        GDL_glDrawBufferHook(g->drawBuffer);
        return;
    }
    if (e->makeCurrent)
        e->makeCurrent(dc ? GDL_getWinDCForDC(dc) : nullptr, g ? g->context : nullptr);
    GDL_selectCurrentDC(nullptr);
    if (d && d->type == GDL_DC_WINDOWED) OPENGL_setupVectors(d);
}

int32_t GDL_glDrawBuffer(GdlDeviceContext* dc) {
    GlDc* g = glDc(GDL_liveDC(dc));
    return g ? int32_t(g->drawBuffer) : 0;
}

void GDL_glDrawBufferHook(uint32_t buffer) {
    GdlDeviceContext* dc = GDL_currentDC();
    GlDc* g = glDc(dc ? GDL_liveDC(dc) : nullptr);
    if (g && buffer >= 1024 && buffer <= 1031) {
        // Front left, front right, back left, back right, front, back, left
        // and right: the page (-1: the one drawn to now) and the eye.
        static constexpr struct {
            int8_t back;
            bool right;
        } kBuffers[8] = {{0, false}, {0, true},  {1, false},  {1, true},
                         {0, false}, {1, false}, {-1, false}, {-1, true}};
        const auto& b = kBuffers[buffer - 1024];
        const bool back = b.back < 0 ? g->drawBuffer == kBack : b.back == 1;
        GDL_setActivePage(dc, (back ? g->back : g->front) | (b.right ? 0x8000 : 0));
        // Kept as the page it names, whichever eye: begin access asks by it.
        g->drawBuffer = back ? kBack : kFront;
    }
    if (const GdlGlEntries* e = GDL_glEntries(); e && e->drawBuffer) e->drawBuffer(buffer);
}

void GDL_glSavePixelStore(GdlDeviceContext* dc) {
    const GdlGlEntries* e = GDL_glEntries();
    GlDc* g = glDc(dc);
    if (!e || !g || !e->getIntegerv || !e->pixelStorei) return;
    static const int32_t kPlain[6] = {0, 0, 0, 0, 0, 1};
    for (uint32_t i = 0; i < 6; ++i) {
        e->getIntegerv(kUnpackFirst + i, &g->unpack[i]);
        e->pixelStorei(kUnpackFirst + i, kPlain[i]); // rows of whole bytes, first bit left
    }
    g->saved = 1;
}

void GDL_glRestorePixelStore(GdlDeviceContext* dc) {
    const GdlGlEntries* e = GDL_glEntries();
    GlDc* g = glDc(dc);
    if (!e || !g || !g->saved || !e->pixelStorei) return;
    for (uint32_t i = 0; i < 6; ++i)
        e->pixelStorei(kUnpackFirst + i, g->unpack[i]);
    g->saved = 0;
}

void GL_beginDirectAccess() {
    const GdlGlEntries* e = GDL_glEntries();
    GdlDeviceContext* dc = GDL_currentDC();
    GlDc* g = glDc(dc ? &gdl_internal::block() : nullptr);
    if (!e || !e->beginAccess) return;
    uint8_t* base = e->beginAccess(g && g->drawBuffer == kFront ? 0 : 1);
    if (dc) gdl_internal::block().frameBase = base;
}

void GL_endDirectAccess() {
    if (const GdlGlEntries* e = GDL_glEntries(); e && e->endAccess) e->endAccess();
}

void GDL_glSuspendHook(int32_t flag) {
    GdlList* list = gdl_internal::state().contexts.lists[0];
    auto* dc = list ? static_cast<GdlDeviceContext*>(GDL_listFirst(list)) : nullptr;
    const GdlGlEntries* e = GDL_glEntries();
    if (!dc || !e || !e->suspend || !GDL_isDeviceKind3(dc)) return;
    e->suspend(flag == 1 ? 0 : 1);
}

// --- The 1-bit row converter --------------------------------------------------------------

void DRV_monoRowsForGl(const uint8_t* bits, int32_t bytesPerLine, int32_t firstRow, int32_t rows,
                       int32_t firstByte, int32_t bytes, uint8_t leftMask, uint8_t rightMask,
                       uint8_t* out) {
    for (int32_t r = 0; r < rows; ++r) {
        const uint8_t* from =
            bits + size_t(firstRow + rows - 1 - r) * size_t(bytesPerLine) + size_t(firstByte);
        uint8_t* to = out + size_t(r) * size_t(bytes);
        std::memcpy(to, from, size_t(bytes));
        to[0] &= leftMask;
        to[bytes - 1] &= rightMask;
    }
}
