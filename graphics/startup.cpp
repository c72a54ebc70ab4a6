// Library start-up and shutdown, the driver table with its registration, the
// detection that fills the mode table, display-mode changes and the fatal path.
#include <cfenv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gdl/dc.h"
#include "gdl/driver.h"
#include "gdl/memory.h"
#include "gdl/opengl.h"
#include "gdl/result.h"
#include "gdl/support.h"
#include "gdl/windows.h"
#include "platform/User.h"
#include "library_state.h"
#include "startup_internal.h"

const char GDL_driverSignature[18] = "RedeDuduv Driver:";

namespace {

const char* const kDriverNames[GDL_DRIVER_COUNT] = {
    "PACK1.DRV",   "PACK4.DRV",    "PACK8.DRV",    "PACK16.DRV",   "PACK24.DRV",  "PACK32.DRV",
    "VGA4.DRV",    "VGAX.DRV",     "VGA8.DRV",     "SVGA4.DRV",    "SVGA8.DRV",   "SVGA16.DRV",
    "SVGA24.DRV",  "SVGA32.DRV",   "FDIB8.DRV",    "FDIB16.DRV",   "FDIB24.DRV",  "FDIB32.DRV",
    "LINEAR8.DRV", "LINEAR16.DRV", "LINEAR24.DRV", "LINEAR32.DRV", "ACCEL8.DRV",  "ACCEL16.DRV",
    "ACCEL24.DRV", "ACCEL32.DRV",  "DDRAW8.DRV",   "DDRAW16.DRV",  "DDRAW24.DRV", "DDRAW32.DRV",
    "OPENGL.DRV",  "FSOGL8.DRV",   "FSOGL16.DRV",  "FSOGL24.DRV",  "FSOGL32.DRV",
};

using Library = gdl_internal::StartupState;

Library& lib() {
    return gdl_internal::state().startup;
}

// Compares a zero-padded fixed field with a name.
bool fieldEquals(const char* field, size_t size, const char* name) {
    size_t n = std::strlen(name);
    if (n >= size) return false;
    if (std::memcmp(field, name, n) != 0) return false;
    return field[n] == '\0';
}

bool commonStartup(const char* directory) {
    Library& l = lib();
    if (l.commonStarted) return true;
    GDL_setResult(GDL_OK);
    if (!l.fpuSaved) {
        std::fegetenv(&l.fpu);
        l.fpuSaved = true;
    }
    GDL_exit();
    l.scratch = static_cast<uint8_t*>(GDL_malloc(GDL_SCRATCH_SIZE));
    if (!l.scratch) GDL_fatalError("Not enough memory to allocate scratch buffer!\n");
    static const int32_t kPoolShapes[3][2] = {{500, 6}, {500, 10}, {100, 20}};
    for (int i = 0; i < 3; ++i) {
        GDL_poolCreate(&l.pools[i], kPoolShapes[i][0], kPoolShapes[i][1]);
        l.poolHeads[i] = GDL_poolChain(&l.pools[i]);
    }
    std::memset(l.directory, 0, sizeof(l.directory));
    if (directory) std::strncpy(l.directory, directory, sizeof(l.directory) - 1);
    l.commonStarted = true;
    GDL_initWindowedPart();
    return true;
}

void defaultFatalBox(const char* text, const char* caption, uint32_t style) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    MessageBoxA(nullptr, text, caption, style);
}

} // namespace

namespace gdl_internal {

void setSelectedDriverType(int32_t type) {
    lib().selectedDriverType = type;
}

void restoreFpuState() {
    if (lib().fpuSaved) std::fesetenv(&lib().fpu);
}

const GdlDriverHeader* memoryDriverHeader(int32_t bits) {
    int32_t index;
    switch (bits) {
        case 1: index = GDL_PACK1; break;
        case 4: index = GDL_PACK4; break;
        case 8: index = GDL_PACK8; break;
        case 15:
        case 16: index = GDL_PACK16; break;
        case 24: index = GDL_PACK24; break;
        case 32: index = GDL_PACK32; break;
        default: return nullptr;
    }
    return GDL_driverHeader(index);
}

bool runCommonStartup(const char* directory) {
    return commonStartup(directory);
}

} // namespace gdl_internal

// --- Start-up and shutdown ---------------------------------------------------

bool GDL_init(int32_t* driver, int32_t* mode, const char* libraryDirectory) {
    Library& l = lib();
    if (l.started) GDL_fatalError("Nested call to GDL_init!");
    if (!driver || !mode) {
        GDL_setResult(GDL_INVALID_DRIVER);
        return false;
    }
    if (!commonStartup(libraryDirectory)) return false;
    GDL_detectDrivers(driver, mode);
    if (*driver == 0) {
        GDL_setResult(GDL_NOT_DETECTED);
        return false;
    }
    l.selectedDriverType = *driver;
    if (*mode != -1 && !GDL_changeDisplayMode(*mode)) return false;
    l.started = true;
    return true;
}

void GDL_exit() {
    Library& l = lib();
    if (l.exiting) return;
    l.exiting = true;
    GDL_selectCurrentDC(nullptr);
    GDL_destroyAllMemoryDCs();
    GDL_destroyAllWindowedDCs();
    GDL_destroyAllOffscreenDCs();
    GDL_destroyAllDisplayDCs();
    gdl_internal::windowsLayerExit();
    GDL_glUnloadLibraries();
    for (int i = 0; i < 3; ++i) {
        GDL_poolDestroy(&l.pools[i]);
        l.poolHeads[i] = nullptr;
    }
    GDL_free(l.scratch);
    l.scratch = nullptr;
    l.started = false;
    l.commonStarted = false;
    l.currentMode = -1;
    l.exiting = false;
}

bool GDL_isStarted() {
    return lib().started;
}
int32_t GDL_currentMode() {
    return lib().currentMode;
}
int32_t GDL_selectedDriverType() {
    return lib().selectedDriverType;
}
const char* GDL_libraryDirectory() {
    return lib().directory;
}
// Drawing into memory contexts may begin before GDL_init; the buffer is then
// made on first use and freed by GDL_exit like the one of start-up.
uint8_t* GDL_scratchBuffer() {
    Library& l = lib();
    if (!l.scratch) {
        l.scratch = static_cast<uint8_t*>(GDL_malloc(GDL_SCRATCH_SIZE));
        if (!l.scratch) GDL_fatalError("Not enough memory to allocate scratch buffer!\n");
    }
    return l.scratch;
}

void GDL_setFatalBoxHook(GdlFatalBoxFunc hook) {
    lib().fatalBox = hook;
}

void GDL_fatalError(const char* message) {
    GDL_exit();
    GdlFatalBoxFunc box = lib().fatalBox ? lib().fatalBox : defaultFatalBox;
    box(message ? message : "", "GDL Fatal Error!", MB_ICONEXCLAMATION);
    std::exit(1);
}

void GDL_fatalScratchTooSmall() {
    GDL_fatalError("Scratch buffer too small for rendering operation!\n");
}

// --- Drivers -------------------------------------------------------------------

int32_t GDL_registerDriver(const char* name, const GdlDriverHeader* header) {
    Library& l = lib();
    GDL_setResult(GDL_INVALID_DRIVER_NAME);
    int32_t index = -1;
    for (int32_t i = 0; name && i < GDL_DRIVER_COUNT; ++i) {
        if (std::strcmp(kDriverNames[i], name) == 0) {
            index = i;
            break;
        }
    }
    if (index < 0) return GDL_INVALID_DRIVER_NAME;
    GDL_setResult(GDL_OK);
    if (!header || std::memcmp(header->signature, GDL_driverSignature, 18) != 0 ||
        !fieldEquals(header->fileName, sizeof(header->fileName), kDriverNames[index])) {
        GDL_setResult(GDL_DRIVER_CORRUPTED);
        return GDL_DRIVER_CORRUPTED;
    }
    if (header->majorVersion != 2 || header->minorVersion != 0) {
        GDL_setResult(GDL_INVALID_VERSION);
        return GDL_INVALID_VERSION;
    }
    l.drivers[index].registered = 1;
    l.drivers[index].header = header;
    return GDL_OK;
}

void GDL_unregisterAllDrivers() {
    for (auto& d : lib().drivers) {
        d.registered = 0;
        d.header = nullptr;
    }
}

const char* GDL_driverTableName(int32_t index) {
    if (index < 0 || index >= GDL_DRIVER_COUNT) return nullptr;
    return kDriverNames[index];
}

const GdlDriverHeader* GDL_driverHeader(int32_t index) {
    if (index < 0 || index >= GDL_DRIVER_COUNT) return nullptr;
    const Library::Driver& d = lib().drivers[index];
    return d.registered ? d.header : nullptr;
}

void GDL_detectDrivers(int32_t* driver, int32_t* mode) {
    Library& l = lib();
    for (auto& m : l.modes)
        m = {GDL_NO_DRIVER, 0, 0};
    int32_t wanted = (*driver == -1) ? 255 : *driver;
    int32_t suggested = -1;
    bool found = false;
    for (int32_t i = 0; i < GDL_DRIVER_COUNT; ++i) {
        const GdlDriverHeader* h = GDL_driverHeader(i);
        if (!h || !h->detect) continue;
        if (h->detect(i, wanted, driver, &suggested, l.modes)) found = true;
    }
    if (!found) {
        *driver = 0;
        return;
    }
    if (*mode == -1) *mode = suggested;
}

bool GDL_changeDisplayMode(int32_t mode) {
    Library& l = lib();
    GDL_setResult(GDL_OK);
    if (mode == GDL_MODE_DESKTOP) {
        GDL_restoreDesktopMode();
        return true;
    }
    if (mode >= 0 && mode < GDL_MODE_DESKTOP && l.modes[mode].driver != GDL_NO_DRIVER) {
        l.currentMode = mode;
        GDL_selectCurrentDC(nullptr);
        GDL_destroyAllOffscreenDCs();
        GDL_destroyAllDisplayDCs();
        return true;
    }
    GDL_setResult(GDL_INVALID_MODE);
    return false;
}

const GDLModeEntry* GDL_modeTable() {
    return lib().modes;
}

int32_t GDL_modePageCount(int32_t mode) {
    if (mode < 0 || mode >= GDL_MODE_COUNT) return -1;
    return lib().modes[mode].pages;
}

const char* GDL_modeDriverName(int32_t mode) {
    char* name = lib().modeDriverName;
    if (mode < 0 || mode >= GDL_MODE_COUNT) return "Invalid graphics mode";
    int32_t driver = lib().modes[mode].driver;
    const GdlDriverHeader* h = GDL_driverHeader(driver);
    if (!h) return "Invalid graphics mode";
    std::memcpy(name, h->driverName, 13);
    name[13] = '\0';
    return name;
}

int32_t GDL_getTicksPerSecond() {
    return 1000;
}

// The simple system beep, whatever the caller wanted.
void GDL_beep() {
    MessageBeep(0xFFFFFFFFu);
}
