// A full-screen display driver for tests: its "video memory" is one or two
// pages in plain memory at the depths a test chooses, it opens a popup window
// the size of the mode and tells the library's Windows layer that full
// screen is on. Registered as the four full-screen DIB driver files through
// the display's table of linked-in drivers. Pages, flips, the pixels of each
// page and the hardware cursor calls can all be read back.
#pragma once

#include "gdl/blit.h"
#include "gdl/dc.h"
#include "gdl/driver.h"
#include "gdl/memory.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "gdl/result.h"
#include "gdl/windc.h"
#include "gdl/windows.h"
#include "platform/User.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace testsupport::fakefs {

struct Config {
    std::vector<int32_t> depths{16}; // depths the "adapter" offers
    int32_t pages = 1;               // pages each mode has (1 or 2)
    bool hardwareCursor = false;
};

struct Record {
    int32_t flips = 0;
    int32_t hwShows = 0, hwHides = 0, hwMoves = 0, hwImages = 0;
    int32_t hwX = -1, hwY = -1;
    int32_t inits = 0, restores = 0;
};

inline Config& config() {
    static Config c;
    return c;
}
inline Record& record() {
    static Record r;
    return r;
}

struct State : GdlDriverState {
    uint8_t* memory;
    int32_t pageSize;
};
inline State*& state() {
    static State* s = nullptr;
    return s;
}

// Depths of the file a table index names: "FDIB16.DRV" gives 15 and 16.
inline bool fileOffers(int32_t index, int32_t bits) {
    const char* name = GDL_driverTableName(index);
    if (!name) return false;
    const int32_t family = bits == 15 ? 16 : bits;
    char expected[16];
    std::snprintf(expected, sizeof(expected), "FDIB%d.DRV", family);
    return std::strcmp(name, expected) == 0;
}

inline bool offered(int32_t bits) {
    for (int32_t d : config().depths)
        if (d == bits) return true;
    return false;
}

inline int32_t detect(int32_t index, int32_t wanted, int32_t* driver, int32_t* suggested,
                      GDLModeEntry* table) {
    if (wanted < GDL_TYPE_FDIB) return 0;
    bool any = false;
    for (int32_t m = 0; m < GDL_MODE_COUNT; ++m) {
        int32_t w = 0, h = 0, bits = 0;
        if (!GDL_modeResolution(m, &w, &h, &bits) || !offered(bits) || !fileOffers(index, bits))
            continue;
        table[m] = {uint8_t(index), uint8_t(config().pages), 1};
        any = true;
        if (*suggested == -1) *suggested = m;
    }
    if (any && *driver < GDL_TYPE_FDIB) *driver = GDL_TYPE_FDIB;
    return any ? 1 : 0;
}

inline int32_t bytesOf(int32_t bits) {
    return bits == 15 ? 2 : bits / 8;
}

// --- Pages ---------------------------------------------------------------------------

inline void setActivePage(GdlDeviceContext* dc, int32_t page) {
    State* s = state();
    s->activePage = page;
    dc->surface = s->memory + int64_t(page) * s->pageSize;
    dc->frameBase = dc->surface;
}
inline void setVisualPage(GdlDeviceContext*, int32_t page, int32_t) {
    state()->visualPage = page;
    ++record().flips;
}

inline uint32_t pixelOf(int32_t page, int32_t x, int32_t y, int32_t bits, int32_t bytesPerLine) {
    const uint8_t* p = state()->memory + int64_t(page) * state()->pageSize +
                       int64_t(y) * bytesPerLine + int64_t(x) * bytesOf(bits);
    uint32_t v = 0;
    std::memcpy(&v, p, size_t(bytesOf(bits)));
    return v;
}

// --- Save under: left, top, right, bottom, then the rows ---------------------------------

inline int32_t saveSize(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right,
                        int32_t bottom) {
    return 16 + (right - left) * (bottom - top) * bytesOf(int32_t(dc->mode.bitsPerPixel));
}
inline void saveRect(GdlDeviceContext* dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                     void* buffer) {
    const int32_t head[4] = {left, top, right, bottom};
    auto* out = static_cast<uint8_t*>(buffer);
    std::memcpy(out, head, 16);
    out += 16;
    const int32_t n = (right - left) * bytesOf(int32_t(dc->mode.bitsPerPixel));
    for (int32_t y = top; y < bottom; ++y, out += n)
        std::memcpy(out,
                    dc->surface + int64_t(y) * dc->mode.bytesPerLine +
                        int64_t(left) * bytesOf(int32_t(dc->mode.bitsPerPixel)),
                    size_t(n));
}
inline void restoreRect(GdlDeviceContext* dc, const void* buffer) {
    int32_t head[4];
    const auto* in = static_cast<const uint8_t*>(buffer);
    std::memcpy(head, in, 16);
    in += 16;
    const int32_t n = (head[2] - head[0]) * bytesOf(int32_t(dc->mode.bitsPerPixel));
    for (int32_t y = head[1]; y < head[3]; ++y, in += n)
        std::memcpy(dc->surface + int64_t(y) * dc->mode.bytesPerLine +
                        int64_t(head[0]) * bytesOf(int32_t(dc->mode.bitsPerPixel)),
                    in, size_t(n));
}

// --- Hardware cursor -------------------------------------------------------------------

inline void hwImage(const void*) {
    ++record().hwImages;
}
inline void hwMove(int32_t x, int32_t y) {
    ++record().hwMoves;
    record().hwX = x;
    record().hwY = y;
}
inline void hwShow(int32_t show) {
    ++(show ? record().hwShows : record().hwHides);
}
inline void hwColor(GdlDeviceContext*, uint32_t) {}

// --- Window and life --------------------------------------------------------------------

inline LRESULT CALLBACK windowProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC proc = GDL_getEventProc();
    return proc ? proc(w, message, wParam, lParam) : DefWindowProcA(w, message, wParam, lParam);
}

inline HWND openWindow(int32_t width, int32_t height) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = windowProc;
    wc.lpszClassName = "FakeFullScreen";
    RegisterClassA(&wc); // fails harmlessly when already there
    HWND w = CreateWindowExA(0, "FakeFullScreen", "", WS_POPUP | WS_VISIBLE, 0, 0, width, height,
                             nullptr, nullptr, nullptr, nullptr);
    SetActiveWindow(w);
    return w;
}

inline void restoreDesktop() {
    ++record().restores;
    GDL_restoreDesktopMode();
}

inline void destroy(GdlDeviceContext* dc) {
    State* s = state();
    if (s && s->refCount == 1) {
        GDL_free(s->memory);
        s->memory = nullptr;
    }
    DRV_detachState(dc, reinterpret_cast<GdlDriverState**>(&state()));
}

inline void fillMode(GdlDeviceContext* dc, int32_t width, int32_t height, int32_t bits,
                     int32_t pages) {
    dc->mode = GdlModeRecord{};
    dc->mode.maxX = uint32_t(width - 1);
    dc->mode.maxY = uint32_t(height - 1);
    dc->mode.bitsPerPixel = uint32_t(bits);
    dc->mode.planes = 1;
    dc->mode.maxColor = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
    dc->mode.maxPage = uint32_t(pages - 1);
    dc->mode.bytesPerLine = uint32_t(width * bytesOf(bits));
    dc->mode.aspectRatio = 1000;
    dc->mode.pageSize = dc->mode.bytesPerLine * uint32_t(height);
    dc->format = bits == 15   ? GDL_pixelFormat555
                 : bits == 16 ? GDL_pixelFormat565
                 : bits == 24 ? GDL_pixelFormatRGB
                              : GDL_pixelFormatARGB;
}

inline void installVectors(GdlDeviceContext* dc, int32_t bits) {
    switch (bits) {
        case 8: PACK8_setupVectors(dc); break;
        case 24: PACK24_setupVectors(dc); break;
        case 32: PACK32_setupVectors(dc); break;
        default: PACK16_setupVectors(dc); break;
    }
    dc->packedDriver = 1;
    dc->v.saveRectSize = saveSize;
    dc->v.saveRect = saveRect;
    dc->v.restoreRect = restoreRect;
}

inline int32_t init(GdlDeviceContext* dc, int32_t, int32_t mode, HWND, int32_t, int32_t,
                    int32_t pages, int32_t, int32_t) {
    int32_t width = 0, height = 0, bits = 0;
    if (!GDL_modeResolution(mode, &width, &height, &bits)) return 0;
    const bool first = state() == nullptr;
    if (!DRV_attachState(dc, reinterpret_cast<GdlDriverState**>(&state()), sizeof(State), destroy))
        return 0;
    State* s = state();
    pages = pages >= 2 && config().pages >= 2 ? 2 : 1;
    fillMode(dc, width, height, bits, pages);
    if (first) {
        s->pageSize = int32_t(dc->mode.pageSize);
        s->memory = static_cast<uint8_t*>(GDL_calloc(2, size_t(s->pageSize)));
        s->setActivePage = setActivePage;
        s->setVisualPage = setVisualPage;
        s->restore = restoreDesktop;
        s->hardwareCursor = config().hardwareCursor;
        s->setCursorImage = hwImage;
        s->moveCursor = hwMove;
        s->showCursor = hwShow;
        s->setCursorColor = hwColor;
        HWND w = openWindow(width, height);
        GDL_setFullScreenState(GDL_FS_DIB, w, width, height);
    }
    ++record().inits;
    dc->type = GDL_DC_FULLSCREEN;
    dc->flags |= 2; // linear access
    installVectors(dc, bits);
    setActivePage(dc, s->activePage);
    return 1;
}

inline GdlDriverHeader header(const char* file) {
    GdlDriverHeader h{};
    std::memcpy(h.signature, GDL_driverSignature, sizeof(h.signature));
    std::strncpy(h.fileName, file, sizeof(h.fileName) - 1);
    std::strncpy(h.driverName, file, sizeof(h.driverName) - 1);
    h.majorVersion = 2;
    h.driverType = GDL_TYPE_FDIB;
    h.detect = detect;
    h.init = init;
    return h;
}

// The driver files, for the display's table of linked-in drivers.
inline const char* const kFiles[4] = {"FDIB8.DRV", "FDIB16.DRV", "FDIB24.DRV", "FDIB32.DRV"};
inline const GdlDriverHeader* headerOf(int32_t i) {
    static const GdlDriverHeader headers[4] = {header(kFiles[0]), header(kFiles[1]),
                                               header(kFiles[2]), header(kFiles[3])};
    return &headers[i];
}

inline void reset(const Config& c) {
    config() = c;
    record() = Record{};
}

} // namespace testsupport::fakefs
