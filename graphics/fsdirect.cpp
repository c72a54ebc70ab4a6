// Binding the full-screen support library: its 49 functions by exact name,
// and the thunks that bind it before they call through.
#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include "gdl/driver.h"
#include "gdl/fsdirect.h"
#include "gdl/vbeaf.h"
#include "gdl/vesavbe.h"
#include "gdl/windows.h"
#include "library_state.h"
#include "startup_internal.h"
#include "platform/Module.h"
#include "platform/Vga.h"

namespace {

using Layer = gdl_internal::WindowsLayerState;

Layer& layer() {
    return gdl_internal::state().layer;
}

struct Binding {
    const char* name;
    size_t offset;
};

#define GDL_BIND(name, field)                                                                      \
    { name, offsetof(GdlFsDirect, field) }
const Binding kBindings[] = {
    GDL_BIND("_FSD_startFullScreen", startFullScreen),
    GDL_BIND("_FSD_changeResolution", changeResolution),
    GDL_BIND("_FSD_restoreGDI", restoreGDI),
    GDL_BIND("_FSD_setSuspendAppCallback", setSuspendAppCallback),
    GDL_BIND("_FSD_getEvent", getEvent),
    GDL_BIND("_FSD_peekEvent", peekEvent),
    GDL_BIND("_FSD_postEvent", postEvent),
    GDL_BIND("_FSD_flushEvent", flushEvent),
    GDL_BIND("_FSD_haltEvent", haltEvent),
    GDL_BIND("_FSD_setTimerTick", setTimerTick),
    GDL_BIND("_FSD_isSafeMode", isSafeMode),
    GDL_BIND("__FSD_doSuspendApp", doSuspendApp),
    GDL_BIND("_FSD_registerEventProc", registerEventProc),
    GDL_BIND("_FSD_registerFullScreenWindow", registerFullScreenWindow),
    GDL_BIND("_FSD_setAppInstance", setAppInstance),
    GDL_BIND("_FSD_getMousePos", getMousePos),
    GDL_BIND("_FSD_setMousePos", setMousePos),
    GDL_BIND("_FSD_setMouseCallback", setMouseCallback),
    GDL_BIND("_PMI_getByte", getByte),
    GDL_BIND("_PMI_getWord", getWord),
    GDL_BIND("_PMI_getLong", getLong),
    GDL_BIND("_PMI_setByte", setByte),
    GDL_BIND("_PMI_setWord", setWord),
    GDL_BIND("_PMI_setLong", setLong),
    GDL_BIND("_PMI_memcpynf", memcpynf),
    GDL_BIND("_PMI_memcpyfn", memcpyfn),
    GDL_BIND("_PMI_getBIOSSelector", getBIOSSelector),
    GDL_BIND("_PMI_createSelector", createSelector),
    GDL_BIND("_PMI_freeSelector", freeSelector),
    GDL_BIND("_PMI_mapPhysicalAddr", mapPhysicalAddr),
    GDL_BIND("_PMI_mapRealPointer", mapRealPointer),
    GDL_BIND("_PMI_allocRealSeg", allocRealSeg),
    GDL_BIND("_PMI_freeRealSeg", freeRealSeg),
    GDL_BIND("_PMI_callRealMode", callRealMode),
    GDL_BIND("_PMI_int86", int86),
    GDL_BIND("_PMI_int86x", int86x),
    GDL_BIND("_PMI_availableMemory", availableMemory),
    GDL_BIND("_FSD_int386", int386),
    GDL_BIND("_VLF_available", vlfAvailable),
    GDL_BIND("_VLF_init", vlfInit),
    GDL_BIND("_VLF_exit", vlfExit),
    GDL_BIND("_PMI_saveDS", saveDS),
    GDL_BIND("_PMI_setBankA", setBankA),
    GDL_BIND("_PMI_setBankAB", setBankAB),
    GDL_BIND("_PMI_setCRTStart", setCRTStart),
    GDL_BIND("__PMI_getRMvect", getRMvect),
    GDL_BIND("__PMI_setRMvect", setRMvect),
    GDL_BIND("_PMI_getA0000Pointer", getA0000Pointer),
    GDL_BIND("_PMI_getVESABuf", getVESABuf),
};
#undef GDL_BIND
static_assert(std::size(kBindings) * sizeof(void*) == sizeof(GdlFsDirect), "one name a field");

// GDL_NO_FSDIRECT set to a non-zero number turns FSDirect off.
bool switchedOff() {
    const char* v = std::getenv("GDL_NO_FSDIRECT");
    if (!v || !*v) return false;
    char* end = nullptr;
    const long n = std::strtol(v, &end, 0);
    return end != v && n != 0;
}

const GdlFsDirect* bound() {
    return GDL_bindFSDirect() ? &layer().fsd : nullptr;
}

} // namespace

bool GDL_bindFSDirect() {
    Layer& l = layer();
    if (l.fsdBound) return l.fsdAvailable;
    l.fsdBound = true;
    if (switchedOff() || GDL_isWindowsNT()) return false;
    HMODULE m = LoadLibraryA("FSDIR_32.DLL");
    if (!m) return false;
    for (const Binding& b : kBindings) {
        FARPROC proc = GetProcAddress(m, b.name);
        if (!proc) {
            FreeLibrary(m);
            char message[96];
            std::snprintf(message, sizeof(message), "GetProcAddress(\"%s\") failed!", b.name);
            GDL_fatalError(message);
        }
        *reinterpret_cast<FARPROC*>(reinterpret_cast<char*>(&l.fsd) + b.offset) = proc;
    }
    l.fsdModule = m;
    l.fsdAvailable = true;
    return true;
}

bool GDL_fsDirectAvailable() {
    return layer().fsdAvailable;
}

const GdlFsDirect* GDL_fsDirect() {
    return layer().fsdAvailable ? &layer().fsd : nullptr;
}

uint16_t GDL_biosSelector() {
    return layer().biosSelector;
}

namespace gdl_internal {

// Once FSDirect is there: its suspend handler, the BIOS selector, DS saved.
void startFsDirectPart() {
    Layer& l = layer();
    if (!GDL_bindFSDirect()) return;
    l.fsd.setSuspendAppCallback(GDL_fsDirectSuspendHandler);
    // A card without a video BIOS has no real-mode memory to lend: no VESA there.
    if (platform::RealModeMemory()) VBE_init();
    if (l.biosSelector) return;
    l.biosSelector = l.fsd.getBIOSSelector();
    l.fsd.saveDS();
}

void fsDirectExit() {
    Layer& l = layer();
    // Its selectors and mappings go with the support library.
    VBE_resetModule();
    AF_resetLoader();
    if (l.fsdModule) FreeLibrary(l.fsdModule);
    l.fsdModule = nullptr;
    l.fsd = GdlFsDirect{};
    l.fsdBound = l.fsdAvailable = l.fsdSuspended = false;
    l.biosSelector = 0;
}

} // namespace gdl_internal

uint8_t PMI_getByte(uint16_t selector, uint32_t offset) {
    const GdlFsDirect* f = bound();
    return f ? f->getByte(selector, offset) : 0;
}
uint16_t PMI_getWord(uint16_t selector, uint32_t offset) {
    const GdlFsDirect* f = bound();
    return f ? f->getWord(selector, offset) : 0;
}
void PMI_memcpynf(void* destination, uint16_t selector, uint32_t offset, uint32_t count) {
    if (const GdlFsDirect* f = bound()) f->memcpynf(destination, selector, offset, count);
}
void PMI_memcpyfn(uint16_t selector, uint32_t offset, const void* source, uint32_t count) {
    if (const GdlFsDirect* f = bound()) f->memcpyfn(selector, offset, source, count);
}
uint16_t PMI_createSelector(uint32_t base, uint32_t limit) {
    const GdlFsDirect* f = bound();
    return f ? f->createSelector(base, limit) : 0;
}
void* PMI_mapPhysicalAddr(uint32_t base, uint32_t limit) {
    const GdlFsDirect* f = bound();
    return f ? f->mapPhysicalAddr(base, limit) : nullptr;
}
void PMI_mapRealPointer(uint16_t* selector, uint32_t* offset, uint16_t segment,
                        uint16_t realOffset) {
    if (const GdlFsDirect* f = bound()) f->mapRealPointer(selector, offset, segment, realOffset);
}
void PMI_callRealMode(uint16_t segment, uint16_t offset, platform::PmiRegs* regs,
                      platform::PmiSregs* sregs) {
    if (const GdlFsDirect* f = bound()) f->callRealMode(segment, offset, regs, sregs);
}
int PMI_int86(int interrupt, platform::PmiRegs* in, platform::PmiRegs* out) {
    const GdlFsDirect* f = bound();
    return f ? f->int86(interrupt, in, out) : 0;
}
int PMI_int86x(int interrupt, platform::PmiRegs* in, platform::PmiRegs* out,
               platform::PmiSregs* sregs) {
    const GdlFsDirect* f = bound();
    return f ? f->int86x(interrupt, in, out, sregs) : 0;
}
int FSD_int386(int interrupt, platform::FsdRegs386* in, platform::FsdRegs386* out) {
    const GdlFsDirect* f = bound();
    return f ? f->int386(interrupt, in, out) : 0;
}
// Called straight through: the caller has bound FSDirect already.
void* PMI_getVESABuf(uint32_t* length, uint16_t* selector, uint32_t* offset, uint16_t* segment,
                     uint16_t* realOffset) {
    const GdlFsDirect* f = GDL_fsDirect();
    return f ? f->getVESABuf(length, selector, offset, segment, realOffset) : nullptr;
}
