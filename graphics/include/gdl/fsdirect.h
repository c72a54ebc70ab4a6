// The library's binding to the full-screen support library "FSDIR_32.DLL":
// every function looked up by name once, the thunks the VGA and VESA back
// ends call, entering and leaving FSDirect's full-screen mode.
#pragma once

#include "platform/FsDirect.h"

#include <cstdint>

// The bound functions (all present once FSDirect is available).
struct GdlFsDirect {
    platform::FSD_startFullScreen_t startFullScreen;
    platform::FSD_changeResolution_t changeResolution;
    platform::FSD_restoreGDI_t restoreGDI;
    platform::FSD_setSuspendAppCallback_t setSuspendAppCallback;
    platform::FSD_getEvent_t getEvent;
    platform::FSD_peekEvent_t peekEvent;
    platform::FSD_postEvent_t postEvent;
    platform::FSD_flushEvent_t flushEvent;
    platform::FSD_haltEvent_t haltEvent;
    platform::FSD_setTimerTick_t setTimerTick;
    platform::FSD_isSafeMode_t isSafeMode;
    platform::FSD_doSuspendApp_t doSuspendApp;
    platform::FSD_registerEventProc_t registerEventProc;
    platform::FSD_registerFullScreenWindow_t registerFullScreenWindow;
    platform::FSD_setAppInstance_t setAppInstance;
    platform::FSD_getMousePos_t getMousePos;
    platform::FSD_setMousePos_t setMousePos;
    platform::FSD_setMouseCallback_t setMouseCallback;
    platform::PMI_getByte_t getByte;
    platform::PMI_getWord_t getWord;
    platform::PMI_getLong_t getLong;
    platform::PMI_setByte_t setByte;
    platform::PMI_setWord_t setWord;
    platform::PMI_setLong_t setLong;
    platform::PMI_memcpynf_t memcpynf;
    platform::PMI_memcpyfn_t memcpyfn;
    platform::PMI_getBIOSSelector_t getBIOSSelector;
    platform::PMI_createSelector_t createSelector;
    platform::PMI_freeSelector_t freeSelector;
    platform::PMI_mapPhysicalAddr_t mapPhysicalAddr;
    platform::PMI_mapRealPointer_t mapRealPointer;
    platform::PMI_allocRealSeg_t allocRealSeg;
    platform::PMI_freeRealSeg_t freeRealSeg;
    platform::PMI_callRealMode_t callRealMode;
    platform::PMI_int86_t int86;
    platform::PMI_int86x_t int86x;
    platform::PMI_availableMemory_t availableMemory;
    platform::FSD_int386_t int386;
    platform::VLF_available_t vlfAvailable;
    platform::VLF_init_t vlfInit;
    platform::VLF_exit_t vlfExit;
    platform::PMI_saveDS_t saveDS;
    platform::PMI_setBankA_t setBankA;
    platform::PMI_setBankAB_t setBankAB;
    platform::PMI_setCRTStart_t setCRTStart;
    platform::PMI_getRMvect_t getRMvect;
    platform::PMI_setRMvect_t setRMvect;
    platform::PMI_getA0000Pointer_t getA0000Pointer;
    platform::PMI_getVESABuf_t getVESABuf;
};

// Binds FSDirect once: unavailable when GDL_NO_FSDIRECT is a non-zero number,
// on Windows NT, or without the module; a missing function is fatal
// ("GetProcAddress(\"NAME\") failed!"). True when available.
bool GDL_bindFSDirect();
bool GDL_fsDirectAvailable();
// The bound table, or null while FSDirect is unavailable.
const GdlFsDirect* GDL_fsDirect();
// The selector of the BIOS data area (read once; 0 without FSDirect).
uint16_t GDL_biosSelector();

// Enter FSDirect's full-screen mode at the mode's size, and leave it.
void GDL_startFSDirect(int32_t width, int32_t height);
void GDL_restoreFSDirect();
// The handler FSDirect calls around an application switch.
int GDL_fsDirectSuspendHandler(int flag);

// Thunks: bind FSDirect, then call it (0, null or nothing without it).
uint8_t PMI_getByte(uint16_t selector, uint32_t offset);
uint16_t PMI_getWord(uint16_t selector, uint32_t offset);
void PMI_memcpynf(void* destination, uint16_t selector, uint32_t offset, uint32_t count);
void PMI_memcpyfn(uint16_t selector, uint32_t offset, const void* source, uint32_t count);
uint16_t PMI_createSelector(uint32_t base, uint32_t limit);
void* PMI_mapPhysicalAddr(uint32_t base, uint32_t limit);
void PMI_mapRealPointer(uint16_t* selector, uint32_t* offset, uint16_t segment,
                        uint16_t realOffset);
void PMI_callRealMode(uint16_t segment, uint16_t offset, platform::PmiRegs* regs,
                      platform::PmiSregs* sregs);
int PMI_int86(int interrupt, platform::PmiRegs* in, platform::PmiRegs* out);
int PMI_int86x(int interrupt, platform::PmiRegs* in, platform::PmiRegs* out,
               platform::PmiSregs* sregs);
int FSD_int386(int interrupt, platform::FsdRegs386* in, platform::FsdRegs386* out);
void* PMI_getVESABuf(uint32_t* length, uint16_t* selector, uint32_t* offset, uint16_t* segment,
                     uint16_t* realOffset);
