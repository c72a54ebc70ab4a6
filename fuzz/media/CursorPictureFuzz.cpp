// Any bytes as a picture cursor (BMP, PCX, ICO or album), drawn by the cursor
// thread's step into a window of every depth: pictures of palette indexes
// at 1, 4 and 8 bits are expanded before the converting copy, and neither
// may read outside the reader's record nor write outside the saved area.
#include "foundation/TError.h"
#include "media/devices/TCursDev.h"
#include "media/resources/TCursorRes.h"
#include "platform/Clock.h"
#include "platform/Gdi.h"
#include "platform/Host.h"
#include "platform/User.h"
#include "ui/TEngine.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace {

constexpr const char* kExtensions[] = {".bmp", ".pcx", ".ico", ".alb"};
constexpr int32_t kDepths[] = {15, 16, 24, 32};

// One file per extension for this process, rewritten for every input.
const char* WriteCursorFile(int kind, const uint8_t* data, size_t size) {
    static const std::string stem = [] {
        std::random_device seed;
        return (std::filesystem::temp_directory_path() /
                ("adv_fuzz_cursor_" + std::to_string(seed())))
            .string();
    }();
    static std::string path;
    path = stem + kExtensions[kind];
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return path.c_str();
}

struct Window {
    HWND window = nullptr;
    HDC dc = nullptr;
};

Window& TheWindow() {
    static Window w = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "CursorPictureFuzz";
        RegisterClassA(&wc);
        Window made;
        made.window = CreateWindowExA(0, "CursorPictureFuzz", "", WS_POPUP | WS_VISIBLE, 0, 0, 64,
                                      48, nullptr, nullptr, nullptr, nullptr);
        made.dc = made.window ? GetDC(made.window) : nullptr;
        return made;
    }();
    return w;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One engine for the run: the window stays from input to input.
    static TEngine engine(
        platform::SessionOptions{.host = platform::HostKind::Memory, .virtualClockFrom = 1000});
    if (size < 3) return 0;
    const Window& w = TheWindow();
    if (!w.dc) return 0;
    const int kind = data[0] % 4;
    const int32_t depth = kDepths[(data[0] >> 2) % 4];
    const int32_t x = int32_t(data[1] % 80) - 10, y = int32_t(data[2] % 64) - 10;
    {
        TMetaCur cursor;
        cursor.SetPath(WriteCursorFile(kind, data + 3, size - 3));
        cursor.SetHotSpot(TPoint(data[1] & 7, data[2] & 7));
        TCursDev device;
        if (device.Open(nullptr) == 1) {
            device.SetCursorRes(&cursor, 0);
            device.Update(); // loads the cursor on this thread
            device.SetMTCursor(1);
            device.SetDisplay({w.window, w.dc, 64, 48, depth, 0});
            SetCursorPos(x, y);
            device.Poll();
            SetCursorPos(60 - x, 44 - y); // moved: the saved area goes back
            device.Poll();
            device.Close();
        }
    }
    TError::ClearLists();
    return 0;
}
