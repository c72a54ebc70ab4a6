// The full-screen DIB drivers (FDIB8.DRV to FDIB32.DRV): the desktop's
// display settings changed to the mode, a topmost window over the screen,
// and drawing done in memory contexts that GDI blits copy into the window.
// The display context itself has no surface. The same full-screen start
// serves the OpenGL driver.
#pragma once

#include <cstdint>

#include "gdl/dc.h"
#include "gdl/driver.h"

const GdlDriverHeader* FDIB_header(int32_t bits); // 8, 16 (and 15), 24, 32
int32_t FDIB_detect(int32_t driverIndex, int32_t wantedType, int32_t* driver,
                    int32_t* suggestedMode, GDLModeEntry* modeTable);
// The DIB add-mode: a mode whose size and depth are among the settings the
// test found gets one page and no flags.
void FDIB_addMode(GDLModeEntry* table, int32_t mode, int32_t driverIndex, GdlModeRecord* record);
int32_t FDIB8_init(GdlDeviceContext* dc, int32_t driverNumber, int32_t mode, HWND window, int32_t x,
                   int32_t y, int32_t pages, int32_t reserved, int32_t refresh);
int32_t FDIB16_init(GdlDeviceContext* dc, int32_t driverNumber, int32_t mode, HWND window,
                    int32_t x, int32_t y, int32_t pages, int32_t reserved, int32_t refresh);
int32_t FDIB24_init(GdlDeviceContext* dc, int32_t driverNumber, int32_t mode, HWND window,
                    int32_t x, int32_t y, int32_t pages, int32_t reserved, int32_t refresh);
int32_t FDIB32_init(GdlDeviceContext* dc, int32_t driverNumber, int32_t mode, HWND window,
                    int32_t x, int32_t y, int32_t pages, int32_t reserved, int32_t refresh);

// Variant 0 for the DIB drivers, 1 for OpenGL: the window, the display
// settings and the context's pixel format from the window's HDC. 1 or 0.
int32_t GDL_startFullScreenDisplay(GdlDeviceContext* dc, int32_t variant);
int32_t FDIB_startFullScreen(GdlDeviceContext* dc);
// Changes the display settings to the context's size and depth (15 asked
// as 16) and marks the screen saver running. 1 or 0.
int32_t FDIB_setDisplayMode(GdlDeviceContext* dc);
// The screen saver back; with `restoreMode` (and the DIB variant) the
// desktop's settings too.
void FDIB_restoreSystemState(int32_t restoreMode);
// The exit entry of the shared state: run when the last display context goes.
void FDIB_exit();
// The settings the test stored this run (width, height, bits; a 16-bit one
// with the run's 16-bit depth), for tests and the demo.
int32_t FDIB_settingCount();
bool FDIB_setting(int32_t index, int32_t* width, int32_t* height, int32_t* bits);

// The HDC of any context: its own Windows DC, or for a full-screen hardware
// context (kind 0) a shadow memory DC of its size and format, made once.
HDC GDL_getWinDCForDC(GdlDeviceContext* dc);
