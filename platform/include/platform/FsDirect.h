// "FSDIR_32.DLL", the full-screen support library, as a simulated module over
// the adapter: real-mode interrupts into the video BIOS, selectors over
// real-mode and physical memory, views of video memory, FSDirect's own
// full-screen window at the mode's size with its mouse and event queue, and
// the application-switch callback. Callers reach it only by name through
// LoadLibraryA and GetProcAddress; this header gives the shapes of the
// exports.
#pragma once

#include "platform/Types.h"
#include "platform/User.h"

#include <cstddef>
#include <cstdint>

namespace platform {

// Register blocks: 32-bit words on every host.
struct PmiRegs {
    uint32_t ax, bx, cx, dx, si, di, cflag;
};
struct PmiSregs {
    uint32_t es, cs, ss, ds;
};
struct FsdRegs386 {
    uint32_t eax, ebx, ecx, edx, esi, edi, cflag;
};

// Called with 1 before an application switch (0 refuses it) and with 2 on
// the way back.
typedef int (*FsdSuspendFunc)(int flag);
typedef void (*FsdMouseFunc)(int x, int y);

// The shapes of the 49 exports, by name.
typedef HWND (*FSD_startFullScreen_t)(HWND mainWindow, int width, int height);
typedef int (*FSD_changeResolution_t)(int width, int height);
typedef void (*FSD_restoreGDI_t)();
typedef void (*FSD_setSuspendAppCallback_t)(FsdSuspendFunc callback);
typedef int (*FSD_getEvent_t)(MSG* msg);
typedef int (*FSD_peekEvent_t)(MSG* msg);
typedef int (*FSD_postEvent_t)(UINT message, WPARAM wParam, LPARAM lParam);
typedef void (*FSD_flushEvent_t)();
typedef int (*FSD_haltEvent_t)(MSG* msg);
typedef void (*FSD_setTimerTick_t)(int ticksPerSecond);
typedef int (*FSD_isSafeMode_t)();
typedef int (*FSD_doSuspendApp_t)(int flag);
typedef void (*FSD_registerEventProc_t)(WNDPROC proc);
typedef void (*FSD_registerFullScreenWindow_t)(HWND window);
typedef void (*FSD_setAppInstance_t)(HINSTANCE instance);
typedef void (*FSD_getMousePos_t)(int* x, int* y);
typedef void (*FSD_setMousePos_t)(int x, int y);
typedef void (*FSD_setMouseCallback_t)(FsdMouseFunc callback);
typedef uint8_t (*PMI_getByte_t)(uint16_t selector, uint32_t offset);
typedef uint16_t (*PMI_getWord_t)(uint16_t selector, uint32_t offset);
typedef uint32_t (*PMI_getLong_t)(uint16_t selector, uint32_t offset);
typedef void (*PMI_setByte_t)(uint16_t selector, uint32_t offset, uint8_t value);
typedef void (*PMI_setWord_t)(uint16_t selector, uint32_t offset, uint16_t value);
typedef void (*PMI_setLong_t)(uint16_t selector, uint32_t offset, uint32_t value);
typedef void (*PMI_memcpynf_t)(void* destination, uint16_t selector, uint32_t offset,
                               uint32_t count);
typedef void (*PMI_memcpyfn_t)(uint16_t selector, uint32_t offset, const void* source,
                               uint32_t count);
typedef uint16_t (*PMI_getBIOSSelector_t)();
typedef uint16_t (*PMI_createSelector_t)(uint32_t base, uint32_t limit);
typedef void (*PMI_freeSelector_t)(uint16_t selector);
typedef void* (*PMI_mapPhysicalAddr_t)(uint32_t base, uint32_t limit);
typedef void (*PMI_mapRealPointer_t)(uint16_t* selector, uint32_t* offset, uint16_t segment,
                                     uint16_t realOffset);
typedef void* (*PMI_allocRealSeg_t)(uint32_t size, uint16_t* selector, uint32_t* offset,
                                    uint16_t* segment, uint16_t* realOffset);
typedef void (*PMI_freeRealSeg_t)(void* memory);
typedef void (*PMI_callRealMode_t)(uint16_t segment, uint16_t offset, PmiRegs* regs,
                                   PmiSregs* sregs);
typedef int (*PMI_int86_t)(int interrupt, PmiRegs* in, PmiRegs* out);
typedef int (*PMI_int86x_t)(int interrupt, PmiRegs* in, PmiRegs* out, PmiSregs* sregs);
typedef void (*PMI_availableMemory_t)(uint32_t* physical, uint32_t* total);
typedef int (*FSD_int386_t)(int interrupt, FsdRegs386* in, FsdRegs386* out);
typedef int (*VLF_available_t)();
typedef void* (*VLF_init_t)(uint32_t windowAddress, uint32_t windowKB, uint32_t bankRoutineSize,
                            const void* bankRoutine);
typedef void (*VLF_exit_t)();
typedef void (*PMI_saveDS_t)();
typedef void (*PMI_setBankA_t)(int bank);
typedef void (*PMI_setBankAB_t)(int bank);
typedef void (*PMI_setCRTStart_t)(int x, int y, int waitVRT);
typedef void (*PMI_getRMvect_t)(int interrupt, uint16_t* segment, uint16_t* offset);
typedef void (*PMI_setRMvect_t)(int interrupt, uint16_t segment, uint16_t offset);
typedef void* (*PMI_getA0000Pointer_t)();
typedef void* (*PMI_getVESABuf_t)(uint32_t* length, uint16_t* selector, uint32_t* offset,
                                  uint16_t* segment, uint16_t* realOffset);

// Export table of the module (registered with the built-in modules).
struct ModuleExport;
const ModuleExport* FsDirectExports(size_t* count);

// Where the adapter's video memory lies in the physical address space.
constexpr uint32_t kLinearFrameBuffer = 0xE0000000u;

// Test hooks: an application switch away (false when the callback refused
// it) and the way back; accesses refused so far (outside a selector, an
// unknown selector, a bad size).
bool FsDirectSwitchAway();
void FsDirectSwitchBack();
uint32_t FsDirectRefusals();
// FSDirect's full-screen window (null while none).
HWND FsDirectWindow();

} // namespace platform
