// The OpenGL display driver (OPENGL.DRV): a full-screen window set up as the
// DIB drivers' is, whose 1-bit images and bitmap-font text are drawn by
// OpenGL calls. The display device never registers it and the program loads
// no OpenGL driver library, so its entry table stays empty; a caller that
// has GL entries (tests, the demo) hands them over with GDL_glUseLibrary.
#pragma once

#include <cstdint>

#include "gdl/dc.h"
#include "gdl/driver.h"

// The entries a driver library gives: the GL calls the back end makes and
// the library's own buffer-access, make-current and suspend entries.
struct GdlGlEntries {
    void (*color3ub)(uint8_t red, uint8_t green, uint8_t blue);
    void (*drawBuffer)(uint32_t buffer);
    void (*getIntegerv)(uint32_t name, int32_t* value);
    void (*pixelStorei)(uint32_t name, int32_t value);
    void (*rasterPos2i)(int32_t x, int32_t y);
    void (*bitmap)(int32_t width, int32_t height, float xOrigin, float yOrigin, float xMove,
                   float yMove, const uint8_t* bits);
    // Framebuffer address of the front (0) or back (1) buffer, and its end.
    uint8_t* (*beginAccess)(int32_t back);
    void (*endAccess)();
    // The context path: the window's HDC and the context word.
    int32_t (*makeCurrent)(HDC hdc, void* context);
    // Driver kind 3: the context itself; kind 2: the context and page addresses.
    int32_t (*makeCurrentDC)(GdlDeviceContext* dc);
    int32_t (*makeCurrentFrames)(void* context, int32_t pixelFormat, uint8_t* front, uint8_t* back);
    void (*suspend)(int32_t flag); // 0 switched away, 1 back
};

// Hands the library a driver library's entries and its two module handles
// (null: none); GDL_glUnloadLibraries frees the handles.
void GDL_glUseLibrary(const GdlGlEntries* entries, HMODULE first, HMODULE second);
const GdlGlEntries* GDL_glEntries(); // null while no library is loaded
HMODULE GDL_glLibrary(int32_t which);
// When the first handle is set: frees both libraries, forgets them and their
// entries, and puts "__GL_OVERRIDE_DISPATCH=0" into the environment.
void GDL_glUnloadLibraries();

// The OpenGL mode setting (0 lets the hardware test run) and the driver kind
// (2 framebuffer addresses, 3 a driver entry, else the context path).
void GDL_setOpenGLMode(int32_t mode);
int32_t GDL_openGLMode();
void GDL_setOpenGLDriverKind(int32_t kind);

const GdlDriverHeader* OPENGL_header();
int32_t OPENGL_detect(int32_t driverIndex, int32_t wantedType, int32_t* driver,
                      int32_t* suggestedMode, GDLModeEntry* modeTable);
// The Windows layer, DirectDraw (its modes enumerated), a mode setting of 0
// or 1 and a hardware pixel format.
int32_t OPENGL_checkHardware();
// Whether a pixel format of "opengl32.dll" is a driver's or an accelerated
// generic one: asked once a run (the answer kept), 0 unless the setting is 0.
int32_t GDL_glDetectHardware();
// Modes above 8 bits as single-page DirectDraw modes; on Windows 95 only
// those of the desktop's depth.
void GDL_checkDesktopDepth(GDLModeEntry* table, int32_t mode, int32_t driverIndex,
                           GdlModeRecord* record);
int32_t OPENGL_init(GdlDeviceContext* dc, int32_t driverNumber, int32_t mode, HWND window,
                    int32_t x, int32_t y, int32_t pages, int32_t reserved, int32_t refresh);
void OPENGL_destroy(GdlDeviceContext* dc);
void OPENGL_setupVectors(GdlDeviceContext* dc);
int32_t OPENGL_startFullScreen(GdlDeviceContext* dc);

// The context and pixel-format words of an OpenGL context (kind 2 or 6).
void GDL_glSetContext(GdlDeviceContext* dc, void* context, int32_t pixelFormat);
void GDL_glMakeCurrent(GdlDeviceContext* dc);
// In place of GL's draw-buffer call: selects the page (and eye) of `buffer`
// on the current context, keeps GL_FRONT or GL_BACK, and passes it on.
void GDL_glDrawBufferHook(uint32_t buffer);
int32_t GDL_glDrawBuffer(GdlDeviceContext* dc);
// The six pixel-unpack values, saved in the context and put back.
void GDL_glSavePixelStore(GdlDeviceContext* dc);
void GDL_glRestorePixelStore(GdlDeviceContext* dc);
void GL_beginDirectAccess();
void GL_endDirectAccess();
// Replaces the rendering members of `dc`'s vector by wrappers that call the
// saved routine between GL_beginDirectAccess and GL_endDirectAccess.
void GL_installLockedCalls(GdlDeviceContext* dc);
// The full-screen layer's OpenGL hook: the driver library's suspend entry for
// a display context of kind 3 (1 switching away, 2 back).
void GDL_glSuspendHook(int32_t flag);

// The library's 1-bit row converter: rows [firstRow, firstRow + rows) of an
// image, bytes [firstByte, firstByte + bytes) of each, into `out` bottom row
// first, the first byte of each row cut by `leftMask` and the last by
// `rightMask`, as GL's bitmap call takes them (byte aligned).
void DRV_monoRowsForGl(const uint8_t* bits, int32_t bytesPerLine, int32_t firstRow, int32_t rows,
                       int32_t firstByte, int32_t bytes, uint8_t leftMask, uint8_t rightMask,
                       uint8_t* out);
