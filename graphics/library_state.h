// Everything the library keeps between calls, in one object: the state block
// of the current context, the context lists, the driver table, the shared
// states of the drivers, the hooks, the event ring, the mouse, the Windows
// layer and the thread check. Each topic is a plain record whose member
// initialisers are its start values, so the object is built before any code
// runs and `reset` returns every topic to them.
#pragma once

#include <cfenv>
#include <cstddef>
#include <cstdint>

#include "gdl/bitmap.h"
#include "gdl/dc.h"
#include "gdl/driver.h"
#include "gdl/event.h"
#include "gdl/event_ring.h"
#include "gdl/fsdirect.h"
#include "gdl/memory.h"
#include "gdl/modetiming.h"
#include "gdl/mouse.h"
#include "gdl/opengl.h"
#include "gdl/result.h"
#include "gdl/support.h"
#include "gdl/thread.h"
#include "gdl/windows.h"
#include "platform/Kernel.h"
#include "platform/DirectDraw.h"
#include "platform/Module.h"

namespace gdl_internal {

// The allocator and file routines the hooks start with and fall back to.
void* defaultAlloc(size_t size);
void defaultFree(void* block);
void* fileOpen(const char* path, const char* mode);
int fileClose(void* stream);
int fileSeek(void* stream, long offset, int origin);
long fileTell(void* stream);
size_t fileRead(void* buffer, size_t size, size_t count, void* stream);
size_t fileWrite(const void* buffer, size_t size, size_t count, void* stream);

// The four context lists, the current context and the drivers that memory
// and windowed contexts are made with.
struct ContextState {
    GdlList* lists[4] = {};
    GdlDeviceContext* current = nullptr;
    const GdlDriverHeader* memoryHeaders[6] = {};
    const GdlDriverHeader* windowedHeader = nullptr;
};

// Start-up: the driver table, the mode table, the start-up flags and what the
// common start-up allocates.
struct StartupState {
    struct Driver {
        int32_t registered = 0;
        const GdlDriverHeader* header = nullptr;
    };
    Driver drivers[GDL_DRIVER_COUNT] = {};
    GDLModeEntry modes[GDL_MODE_COUNT] = {};
    int32_t currentMode = -1;
    int32_t selectedDriverType = 0;
    char directory[260] = {};
    bool started = false;       // GDL_init succeeded
    bool commonStarted = false; // the common start-up ran
    bool fpuSaved = false;
    std::fenv_t fpu{};
    uint8_t* scratch = nullptr;
    GdlPool pools[3] = {};
    void* poolHeads[3] = {};
    GdlFatalBoxFunc fatalBox = nullptr;
    bool exiting = false;
    char modeName[64] = {};       // the text GDL_modeName returns
    char modeDriverName[14] = {}; // the text GDL_modeDriverName returns

    constexpr StartupState() {
        for (auto& m : modes)
            m = {GDL_NO_DRIVER, 0, 0};
    }
};

// Blits: the wrapper through which drivers' context-to-context entries read a
// bitmap, the palette check, and the two growing row buffers of the converters.
struct BlitState {
    struct RowBuffer {
        uint8_t* data = nullptr;
        size_t size = 0;
    };
    GdlDeviceContext wrapper{};
    int32_t paletteCheck = 1;
    RowBuffer rows[2] = {};
};

// The event ring of 100 records, the window and timer it is bound to and the
// scale of full-screen mouse positions.
struct EventRing : GdlEventRing<GDL_EVENT_SLOTS> {
    HWND window = nullptr;
    uint32_t ticks = 0;
    // The running tick timer: without a window the system picks the timer's
    // id, so it is kept to be killed again.
    HWND timerWindow = nullptr;
    UINT_PTR timerId = 0;
    int desktopW = 0, desktopH = 0, modeW = 0, modeH = 0;
};

struct MouseState {
    GdlDeviceContext* dc = nullptr;
    uint8_t record[GDL_CURSOR_RECORD_SIZE] = {};
    int32_t showCount = -1;
    int32_t savedCount = -1;
    int32_t x = 0, y = 0;       // as last given
    int32_t devX = 0, devY = 0; // plus the context's device offset
    GdlRect box{0, 0, 32, 32};
    uint32_t color = 15;
    void** buffers = nullptr;
    int32_t bufferCount = 0;
};

// The Windows layer: the system's version, the windowed part, the
// application's callbacks and the full-screen mode.
struct WindowsLayerState {
    bool versionRead = false;
    bool windowsNT = false;
    bool win32s = false;
    bool windowedStarted = false;
    int32_t blitMethod = 0;
    HMODULE wingModule = nullptr;
    GdlWinG wing{};
    GdlSuspendAppFunc suspendCallback = nullptr;
    HINSTANCE instance = nullptr;
    WNDPROC eventProc = nullptr;
    // Full screen.
    int32_t kind = GDL_FS_NONE;
    HWND window = nullptr;
    int32_t modeWidth = 0, modeHeight = 0;
    int32_t desktopWidth = 0, desktopHeight = 0;
    int32_t lastX = -1, lastY = -1;
    // AutoRun: the value as it was before the bit was set, and whether the
    // bit is ours to take back.
    bool autoRunHeld = false;
    DWORD autoRunOriginal = 0;
    // Switching away and back: the application handed the screen back, a
    // suspend waits for the restore, the restore and surface-lost paths are
    // not re-entered.
    bool handedBack = false;
    bool waiting = false;
    bool restoreGuard = true;
    bool lostGuard = true;
    bool classRegistered = false; // "GDLDirectDrawWindow"
    // The application's main window, kept out of the way in full screen.
    HWND mainWindow = nullptr;
    // An application window made the full-screen window: what to put back.
    HWND appWindow = nullptr;
    WNDPROC appProc = nullptr;
    LONG appStyle = 0, appExStyle = 0;
    RECT appRect{};
    bool filterInstalled = false; // the key filter on the full-screen window
    WNDPROC filteredProc = nullptr;
    bool mouseLost = false; // the mouse went with a lost surface (not a suspend)
    GdlFullScreenHooks hooks{};
    // The full-screen support library: bound once, its table, the BIOS
    // selector, and the context that was current when FSDirect suspended.
    bool fsdBound = false, fsdAvailable = false, fsdSuspended = false;
    HMODULE fsdModule = nullptr;
    GdlFsDirect fsd{};
    uint16_t biosSelector = 0;
    GdlDeviceContext* fsdCurrent = nullptr;
};

// One mode DirectDraw enumerated: size, pitch, capabilities, depth and the
// class of its pixel format.
struct DirectDrawMode {
    int32_t width, height, pitch, bits, format;
    uint32_t caps;
};

// The DirectDraw family: the object the Windows layer made, its
// capabilities and modes, the run-time mode records, and the surfaces of the
// mode set with the lock nesting count and the vector the wrappers call.
struct DirectDrawState {
    HMODULE module = nullptr;
    IDirectDraw* object = nullptr;
    IDirectDraw2* dd = nullptr;
    DDCAPS caps{};
    uint32_t videoMemory = 0;
    int32_t depth16 = 15; // the 16-bit depth the last enumeration found
    DirectDrawMode modes[70] = {};
    int32_t modeCount = 0;
    bool enumerated = false;
    GdlModeRecord records[GDL_MODE_COUNT] = {};
    GdlDriverState* states[4] = {}; // DDRAW8, 16, 24, 32
    int32_t width = 0, height = 0;
    bool displayOnly = false;
    IDirectDrawSurface* primary = nullptr;
    IDirectDrawSurface* pages[8] = {};
    uint8_t* addresses[8] = {};
    int32_t surfaceCount = 0, pageCount = 0;
    IDirectDrawSurface* drawing = nullptr;
    IDirectDrawSurface* offscreen = nullptr;
    IDirectDrawPalette* palette = nullptr;
    DDSURFACEDESC desc{};
    DDBLTFX fx{};
    int32_t lockCount = -1;
    GdlRenderVector saved{};
};

// The windowed GDI driver: its shared state, palette mode and the identity
// palette it hands out.
struct WindowedDriverState {
    GdlDriverState* shared = nullptr;
    int32_t paletteMode = 0;
    GdlPaletteEntry identity[256] = {};
};

// The full-screen DIB family and the full-screen start it shares with the
// OpenGL driver: the display settings found once a run, the shared states,
// the variant of the start, the display-change flag (-1 while a DIB display
// mode is in force) and the screen-saver value the mode set replaced.
struct DibState {
    struct Setting {
        int32_t width, height, bits;
    };
    Setting settings[70] = {};
    int32_t settingCount = 0;
    bool listed = false;
    GdlDriverState* states[4] = {}; // FDIB8, 16, 24, 32
    GdlModeRecord records[GDL_MODE_COUNT] = {};
    int32_t variant = 0; // 0 DIB, 1 OpenGL
    int32_t displayChange = 0;
    UINT screenSaver = 0;
};

// The OpenGL driver: the driver library's handles and entries (none in this
// program), the hardware answer kept for the run (-1 untested), the mode
// setting, the driver kind, the shared state, the run-time mode records and
// the vector the locked wrappers call.
struct OpenGlState {
    HMODULE libraries[2] = {};
    GdlGlEntries entries{};
    bool loaded = false;
    int32_t hardware = -1;
    int32_t modeSetting = 0;
    int32_t driverKind = 0;
    GdlDriverState* state = nullptr;
    GdlModeRecord records[GDL_MODE_COUNT] = {};
    GdlRenderVector saved{};
};

// The ACCEL family: the vector its wrappers call and the clip rectangle the
// accelerator holds (sent again when the drawing context's differs).
struct AccelFamilyState {
    GdlRenderVector saved{};
    int32_t clip[4] = {};
    bool clipSent = false;
    // The line stipple and its position the accelerator holds (-1: unknown).
    int64_t stipple = -1, stipplePosition = -1;
    bool locked = false; // the wrappers enable direct access (else they wait)
};

struct ThreadCheckState {
#ifdef NDEBUG
    bool on = false;
#else
    bool on = true;
#endif
    // A mark of the library's thread (null until the check is turned on or,
    // in a debug build, until the first checked call).
    const void* owner = nullptr;
    GdlThreadViolationFunc onViolation = nullptr;
};

struct LibraryState {
    GdlDeviceContext stateBlock{};
    ContextState contexts;
    StartupState startup;
    GdlDriverState* packedStates[6] = {}; // one per packed-pixel family
    WindowedDriverState windowed;
    BlitState blits;
    int32_t result = GDL_OK;
    GdlAllocFunc alloc = defaultAlloc;
    GdlFreeFunc release = defaultFree;
    GdlFileHooks fileHooks = {fileOpen, fileClose, fileSeek, fileTell, fileRead, fileWrite};
    uint64_t random = 0;
    GdlCursor arrow{}; // the arrow handed out when a cursor file can't be read
    bool noStaticColors = false;
    EventRing events;
    MouseState mouse;
    WindowsLayerState layer;
    DirectDrawState ddraw;
    DibState dib;
    OpenGlState gl;
    AccelFamilyState accel;
    VbeState vbe{255, nullptr, 0, 0, 0, {}};
    ThreadCheckState thread;

    // Shuts the library down (GDL_exit), frees what outlives it and returns
    // every topic to its start value.
    void reset();
};

extern constinit LibraryState g_library;

inline LibraryState& state() {
    return g_library;
}

// The state block at an entry point: reached from the library's own thread
// only (the default argument names the caller).
inline GdlDeviceContext& S(const char* entry = __builtin_FUNCTION());
// The state block in the routines below the entry points, unchecked.
inline GdlDeviceContext& block() {
    return g_library.stateBlock;
}

} // namespace gdl_internal

// The check at the library's entry points: a call from a thread other than
// the library's is reported at once.
inline void GDL_checkThread(const char* entry) {
    if (gdl_internal::g_library.thread.on) GDL_checkThreadSlow(entry);
}

inline GdlDeviceContext& gdl_internal::S(const char* entry) {
    GDL_checkThread(entry);
    return g_library.stateBlock;
}

namespace gdl_internal {

// A coordinate moved by the viewport origin. Callers may pass any 32-bit value;
// the sum is held within +-2^30, far beyond any surface (at most 32767 wide),
// so a far-off shape stays far off instead of wrapping round onto the surface.
inline int32_t OffsetCoord(int32_t v, int32_t offset) {
    const int64_t sum = int64_t(v) + offset;
    constexpr int64_t kFar = int64_t(1) << 30;
    return int32_t(sum < -kFar ? -kFar : sum > kFar ? kFar : sum);
}

} // namespace gdl_internal
