// Drivers as the library sees them: the static driver header with its detect
// and init entries, the 80-byte mode record, the 87-entry available-mode table,
// the reference-counted state shared by the contexts of one driver family, and
// the library's start-up, registration, detection and mode queries.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Types.h"

struct GdlDeviceContext;

enum : int32_t {
    GDL_DRIVER_COUNT = 35,
    GDL_MODE_COUNT = 87,     // modes 0..86
    GDL_MODE_DESKTOP = 86,   // pseudo-mode: leave full screen
    GDL_NO_DRIVER = 255,     // mode entry: no driver serves the mode
    GDL_SCRATCH_SIZE = 32768 // bytes of the shared scratch buffer
};

// Driver indexes (positions in the driver table).
enum GdlDriverIndex : int32_t {
    GDL_PACK1 = 0,
    GDL_PACK4,
    GDL_PACK8,
    GDL_PACK16,
    GDL_PACK24,
    GDL_PACK32,
    GDL_VGA4,
    GDL_VGAX,
    GDL_VGA8,
    GDL_SVGA4,
    GDL_SVGA8,
    GDL_SVGA16,
    GDL_SVGA24,
    GDL_SVGA32,
    GDL_FDIB8,
    GDL_FDIB16,
    GDL_FDIB24,
    GDL_FDIB32,
    GDL_LINEAR8,
    GDL_LINEAR16,
    GDL_LINEAR24,
    GDL_LINEAR32,
    GDL_ACCEL8,
    GDL_ACCEL16,
    GDL_ACCEL24,
    GDL_ACCEL32,
    GDL_DDRAW8,
    GDL_DDRAW16,
    GDL_DDRAW24,
    GDL_DDRAW32,
    GDL_OPENGL,
    GDL_FSOGL8,
    GDL_FSOGL16,
    GDL_FSOGL24,
    GDL_FSOGL32,
};

// Driver types (the header's type byte).
enum GdlDriverType : int32_t {
    GDL_TYPE_NONE = 0,
    GDL_TYPE_VGA = 1,
    GDL_TYPE_FDIB = 2,
    GDL_TYPE_VBE = 3,
    GDL_TYPE_SVGA = 4,
    GDL_TYPE_ACCEL_SVGA = 5,
    GDL_TYPE_DDRAW = 6,
    GDL_TYPE_ACCEL_DDRAW = 7,
    GDL_TYPE_3D_DDRAW = 8,
    GDL_TYPE_OPENGL_ICD = 9,
    GDL_TYPE_OPENGL_MINI = 10,
    GDL_TYPE_OPENGL = 11,
};

// The 80-byte mode description a driver's init copies into a context.
struct GdlModeRecord {
    uint32_t maxX;         // width - 1
    uint32_t maxY;         // height - 1
    uint32_t bitsPerPixel; // 1, 4, 8, 15, 16, 24, 32
    uint32_t planes;       // 1; 4 for the 16-colour planar modes
    uint32_t maxColor;     // highest pixel value
    uint32_t maxPage;      // pages - 1
    uint32_t bytesPerLine; // 0 until set
    uint32_t aspectRatio;  // x 1000
    uint32_t pageSize;     // bytes
    uint32_t modeNumber;   // hardware mode-set code
    uint32_t modeFlags;    // hardware mode parameter / flags word
    uint32_t redSize;
    uint32_t redPosition;
    uint32_t greenSize;
    uint32_t greenPosition;
    uint32_t blueSize;
    uint32_t bluePosition;
    uint32_t alphaSize;
    uint32_t alphaPosition;
    uint32_t reserved;
};
static_assert(sizeof(GdlModeRecord) == 80, "twenty 32-bit words");

// One entry of the available-mode table. Held in memory only, so its flags
// word keeps its natural alignment.
struct GDLModeEntry {
    uint8_t driver; // driver index, GDL_NO_DRIVER when none
    uint8_t pages;  // maxPage + 1
    uint32_t flags; // 1 linear, 0x400 hardware blits, 0x800 single page only
};

// detect(driver index, wanted type, detected type in/out, suggested mode
// in/out, mode table) -> non-zero when the hardware is present and the type not
// above the wanted one; it then fills its modes into the table.
typedef int32_t (*GdlDetectFunc)(int32_t driverIndex, int32_t wantedType, int32_t* driver,
                                 int32_t* suggestedMode, GDLModeEntry* modeTable);
// init(context, selected driver type, mode, window, virtual width, virtual
// height, pages, flag, refresh) -> non-zero on success.
typedef int32_t (*GdlInitFunc)(GdlDeviceContext* dc, int32_t driverType, int32_t mode, HWND window,
                               int32_t virtualWidth, int32_t virtualHeight, int32_t pages,
                               int32_t flag, int32_t refresh);

// The static header block of a built-in driver. It holds entry points, so the
// compiler lays it out; the text fields keep their sizes.
struct GdlDriverHeader {
    char signature[18];   // "RedeDuduv Driver:" and its zero
    char fileName[13];    // zero-padded, equal to the table name
    char driverName[13];  // zero-padded, shown by GDL_modeDriverName
    char banner[95];      // free text, never read
    uint8_t majorVersion; // 2
    uint8_t minorVersion; // 0
    uint8_t driverType;   // GdlDriverType
    GdlDetectFunc detect; // null for drivers that are never detected
    GdlInitFunc init;
    const GdlModeRecord* modes; // mode record templates, ascending mode order
    int32_t modeCount;
};

extern const char GDL_driverSignature[18]; // "RedeDuduv Driver:"

typedef void (*GdlDriverDestroyFunc)(GdlDeviceContext* dc);
typedef void (*GdlDriverVoidFunc)();
typedef void (*GdlDriverPageFunc)(GdlDeviceContext* dc, int32_t page);
typedef void (*GdlDriverVisualPageFunc)(GdlDeviceContext* dc, int32_t page, int32_t waitRetrace);
typedef void (*GdlDriverWaitFunc)(GdlDeviceContext* dc);
typedef void (*GdlHwCursorImageFunc)(const void* cursorRecord);
typedef void (*GdlHwCursorMoveFunc)(int32_t x, int32_t y);
typedef void (*GdlHwCursorShowFunc)(int32_t show);
typedef void (*GdlHwCursorColorFunc)(GdlDeviceContext* dc, uint32_t pixel);
// Makes `dc`, a copy of the display context, an off-screen context: 1, or 0
// with the result code set.
typedef int32_t (*GdlCreateOffscreenFunc)(GdlDeviceContext* dc);

// State shared by the contexts of one driver family (allocated zeroed by the
// family's first init, reference counted). Families with more state derive
// from it. The packed-pixel drivers use only the destroy entry and the count.
struct GdlDriverState {
    GdlDriverDestroyFunc destroy; // releases what a context holds; drops its reference
    int32_t refCount;
    HWND window;
    int32_t driverNumber;
    int32_t mode;
    int32_t paletteEntriesPerCall;
    int32_t dac8Bit;
    int32_t activePage;
    int32_t visualPage;
    int32_t displayStateWord; // read by GDL_getDisplayStateWord
    int32_t stereoFlags;
    int32_t vbeWords[3];
    GdlDriverVoidFunc restore; // back to the desktop or text mode (last display context)
    GdlDriverVoidFunc reset;   // set the graphics mode again after a switch back
    GdlDriverPageFunc setActivePage;
    GdlDriverVisualPageFunc setVisualPage;
    GdlDriverWaitFunc waitRetrace;
    int32_t hardwareCursor; // non-zero when the driver draws the mouse cursor
    GdlHwCursorImageFunc setCursorImage;
    GdlHwCursorMoveFunc moveCursor;
    GdlHwCursorShowFunc showCursor;
    GdlHwCursorColorFunc setCursorColor;
    GdlCreateOffscreenFunc createOffscreen;
};

// --- Start-up and shutdown -------------------------------------------------

// Starts the library, detects the registered drivers and, unless *mode is -1,
// changes into *mode. A second call without GDL_exit is fatal.
bool GDL_init(int32_t* driver, int32_t* mode, const char* libraryDirectory);
void GDL_exit();
// GDL_exit, then every piece of the library's state (driver table, hooks,
// result code, event ring, mouse, thread check) back to its start value: for a
// restart from scratch and for tests.
void GDL_resetLibrary();
bool GDL_isStarted();

bool GDL_changeDisplayMode(int32_t mode);
int32_t GDL_currentMode();
int32_t GDL_selectedDriverType();
const char* GDL_libraryDirectory();
// The 32768-byte scratch buffer shared by the renderers (null before start-up).
uint8_t* GDL_scratchBuffer();

// Fatal conditions: shuts the library down, shows a message box with the text
// and the caption "GDL Fatal Error!", ends the process with exit code 1.
[[noreturn]] void GDL_fatalError(const char* message);
[[noreturn]] void GDL_fatalScratchTooSmall();
// The box of a fatal error goes through this hook (text, caption, style 48);
// null shows it on the platform's message box.
typedef void (*GdlFatalBoxFunc)(const char* text, const char* caption, uint32_t style);
void GDL_setFatalBoxHook(GdlFatalBoxFunc hook);

// --- Drivers and modes -----------------------------------------------------

int32_t GDL_registerDriver(const char* name, const GdlDriverHeader* header);
void GDL_unregisterAllDrivers();
// Registers the six packed-pixel memory drivers (once their headers exist).
void GDL_registerAllMemDrivers();
void GDL_detectDrivers(int32_t* driver, int32_t* mode);

const char* GDL_driverTableName(int32_t index);
// Registered header of a table entry, or null.
const GdlDriverHeader* GDL_driverHeader(int32_t index);
const GDLModeEntry* GDL_modeTable();
int32_t GDL_modePageCount(int32_t mode);
bool GDL_modeResolution(int32_t mode, int32_t* width, int32_t* height, int32_t* bits);
const char* GDL_modeDriverName(int32_t mode);
// "640 x 480 SVGA 64k color" style name of a mode; "Invalid graphics mode" outside 0..85.
const char* GDL_modeName(int32_t mode);
const char* GDL_driverTypeName(int32_t type);

int32_t GDL_getTicksPerSecond();
void GDL_beep();
