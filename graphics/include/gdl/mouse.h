// The library's mouse cursor: left to Windows in a window; in full screen a
// 32 x 32 software cursor drawn on the visible page with the pixels under it
// saved and restored, or the driver's hardware cursor.
#pragma once

#include <cstdint>

#include "gdl/dc.h"

enum : int32_t {
    GDL_CURSOR_RECORD_SIZE = 264, // two 32 x 32 masks and the hot spot
    GDL_CURSOR_SIZE = 32,
    GDL_CURSOR_SAVE_SIZE = 33, // the box a save buffer is sized for
};

void GDL_setMouseDC(GdlDeviceContext* dc);
GdlDeviceContext* GDL_getMouseDC();
int32_t GDL_mousePresent();
void GDL_showMouse();
void GDL_hideMouse();
void GDL_obscureMouse();
void GDL_setMousePos(int32_t x, int32_t y);
void GDL_getMousePos(int32_t* x, int32_t* y);
// `record`: 32 rows of the first mask (4 bytes a row), 32 of the second, then
// the hot spot x and y as two 32-bit words.
void GDL_setMouseCursor(const uint8_t* record);
void GDL_setMouseColor(uint32_t color);
void GDL_mouseMoved(int32_t x, int32_t y);
void GDL_mouseBeforePageFlip(int32_t page);
void GDL_mouseAfterPageFlip(int32_t page);
void GDL_mouseSuspend();
void GDL_mouseResume();
void GDL_mouseSurfaceLost();
void GDL_mouseSurfaceRestored();
// 0 shown, negative hidden that many times over.
int32_t GDL_mouseShowCount();
// True while a software cursor has its save buffers (false without any, or
// after their allocation failed).
bool GDL_mouseHasSoftwareCursor();
