// What dispdemo was asked for on its command line.
#pragma once

#include <cstdint>
#include <string>

struct DemoOptions {
    long frames = -1; // -1: until closed
    bool close = false;
    std::string png;
    bool ddraw = false;  // full screen on the adapter: DirectDraw or VGA drivers
    bool fdib = false;   // full screen through the DIB drivers (a display-settings change)
    bool opengl = false; // full screen through OpenGL, on the library alone
    std::string driver;  // the name given to --driver
    int32_t width = 640, height = 480, bits = 16;
    int32_t pages = 2;
    // A virtual screen this large, scrolled round under the mode (VESA drivers).
    int32_t virtualWidth = 0, virtualHeight = 0;
};

// The full-screen run (DirectDraw or VGA drivers): the library's scene on the
// screen context with flips, the library's cursor, a palette cycle at 8
// bits, F9 to switch away and back. The exit code.
int RunDirectDraw(const DemoOptions& options);
// The VESA drivers on the library alone with a virtual screen larger than
// the mode: the scene drawn on it with flips and the library's cursor, the
// display start scrolled round it, a line a frame of the page shown, the
// start and the bank switches.
int RunVesaVirtual(const DemoOptions& options);
// The same through the full-screen DIB drivers: the scene drawn in the
// display's memory context and blitted into the window each frame.
int RunFullScreenDib(const DemoOptions& options);
// The OpenGL driver on the library alone, its drawing done by Mesa.
int RunOpenGl(const DemoOptions& options);
