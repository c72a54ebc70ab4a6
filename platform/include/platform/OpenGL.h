// OpenGL: the simulated "opengl32.dll", whose wglDescribePixelFormat answers
// from the configurations of Mesa's surfaceless EGL platform, and real GL
// contexts over EGL pbuffers for the few entries a driver library would hand
// the graphics library. Mesa is opened at run time; without it (or with
// ADV_GL=none) there is no "opengl32.dll" and no context.
//
// ADV_GL chooses what the pixel formats claim: "generic" (the default, as
// Mesa's software renderers are: a generic format, not accelerated),
// "accelerated" (a generic format with hardware acceleration) or "none".
#pragma once

#include "platform/Host.h"
#include "platform/Types.h"

#include <cstdint>

// The 40-byte pixel-format descriptor. It holds no pointer.
struct PIXELFORMATDESCRIPTOR {
    WORD nSize;
    WORD nVersion;
    DWORD dwFlags;
    BYTE iPixelType;
    BYTE cColorBits;
    BYTE cRedBits, cRedShift, cGreenBits, cGreenShift, cBlueBits, cBlueShift;
    BYTE cAlphaBits, cAlphaShift;
    BYTE cAccumBits, cAccumRedBits, cAccumGreenBits, cAccumBlueBits, cAccumAlphaBits;
    BYTE cDepthBits, cStencilBits, cAuxBuffers;
    BYTE iLayerType;
    BYTE bReserved;
    DWORD dwLayerMask, dwVisibleMask, dwDamageMask;
};
static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40, "the Windows record");

enum : DWORD {
    PFD_DOUBLEBUFFER = 0x1,
    PFD_DRAW_TO_WINDOW = 0x4,
    PFD_DRAW_TO_BITMAP = 0x8,
    PFD_SUPPORT_OPENGL = 0x20,
    PFD_GENERIC_FORMAT = 0x40,
    PFD_GENERIC_ACCELERATED = 0x1000,
};

// Index 1 up to the count describes one format into `out` (`bytes` at least
// 40); any index answers the count (0 without formats or for a bad index).
int WINAPI wglDescribePixelFormat(HDC dc, int index, UINT bytes, PIXELFORMATDESCRIPTOR* out);

namespace platform {

enum class GlMode { None, Generic, Accelerated };
// What ADV_GL asks for, and whether Mesa answered (None when it did not).
GlMode CurrentGlMode();

// A GL context with a pbuffer of its own size (desktop GL, compatibility
// profile), projected so that (x, y) is the top-left corner of pixel (x, y).
struct GlContext;
GlContext* CreateGlContext(int width, int height);
void DestroyGlContext(GlContext* context);
// Makes the context current on this thread (null: none). False on failure.
bool MakeGlContextCurrent(GlContext* context);

// The entries over the current context, as GL names them.
struct GlEntries {
    void (*color3ub)(uint8_t red, uint8_t green, uint8_t blue);
    void (*drawBuffer)(uint32_t buffer);
    void (*getIntegerv)(uint32_t name, int32_t* value);
    void (*pixelStorei)(uint32_t name, int32_t value);
    void (*rasterPos2i)(int32_t x, int32_t y);
    void (*bitmap)(int32_t width, int32_t height, float xOrigin, float yOrigin, float xMove,
                   float yMove, const uint8_t* bits);
    void (*clearColor)(float red, float green, float blue, float alpha);
    void (*clear)(uint32_t mask);
    void (*finish)();
};
// Null until a context was made.
const GlEntries* GlContextEntries();

// The context's frame as 0x00RRGGBB, top row first (glReadPixels).
Frame ReadGlFrame(GlContext* context);
// The frame written into the window's client area (and presented).
bool ShowGlFrame(GlContext* context, HWND window);

} // namespace platform

// The C library's environment, as Windows programs set it.
int _putenv(const char* assignment);
