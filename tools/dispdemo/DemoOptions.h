// What dispdemo was asked for on its command line.
#pragma once

#include <cstdint>
#include <string>

struct DemoOptions {
    long frames = -1; // -1: until closed
    bool close = false;
    std::string png;
    bool ddraw = false;           // full screen on the simulated adapter
    std::string driver = "ddraw"; // ddraw, vga or vgax
    int32_t width = 640, height = 480, bits = 16;
    int32_t pages = 2;
};

// The full-screen run (DirectDraw or VGA drivers): the library's scene on the
// screen context with flips, the library's cursor, a palette cycle at 8
// bits, F9 to switch away and back. The exit code.
int RunDirectDraw(const DemoOptions& options);
