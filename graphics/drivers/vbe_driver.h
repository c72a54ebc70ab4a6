// The drivers of the VBE families (LINEAR, SVGA): one header, detect and
// init per member, the members differing in their runs of modes, how a mode
// is registered and which vector set-up they run before the mode set.
#pragma once

#include <cstdint>
#include <cstring>

#include "gdl/dc.h"
#include "gdl/driver.h"
#include "gdl/vbe.h"

struct VbeDriverFamily {
    struct Member {
        const char* name;
        int32_t first, last; // the library's modes it serves
        void (*setup)(GdlDeviceContext* dc);
    };
    const Member* members;
    const char* banner;
    // Registers one mode: fills the record and the table's entry when the
    // BIOS offers it.
    void (*addMode)(GDLModeEntry* table, int32_t mode, int32_t driver, GdlModeRecord* record);
    // Run after the mode set succeeded (the 16-colour attribute reset); may be null.
    void (*afterModeSet)(GdlDeviceContext* dc);
    int32_t suggested;      // the mode proposed when none is yet; -1 none
    GdlDriverState** state; // the family's shared state
    GdlDriverDestroyFunc destroy;
    GdlDriverVoidFunc restore;  // back to text mode (the last display context)
    GdlDriverVoidFunc reset;    // the mode set again after a switch back
    GdlModeRecord* records;     // by library mode, 86 of them
    bool* registered;           // by library mode: this family registered it
    GdlDeviceContext** current; // the context of the last mode set
};

int32_t VBE_familyDetect(const VbeDriverFamily& f, int32_t member, int32_t index, int32_t wanted,
                         int32_t* driver, int32_t* suggested, GDLModeEntry* table);
int32_t VBE_familyInit(const VbeDriverFamily& f, int32_t member, GdlDeviceContext* dc,
                       int32_t driverNumber, int32_t mode, HWND window, int32_t x, int32_t y,
                       int32_t pages, int32_t stereo, int32_t refresh);
GdlDriverHeader VBE_familyHeaderBase(const VbeDriverFamily& f, int32_t member);

template <const VbeDriverFamily& F, int M> GdlDriverHeader VBE_familyHeader() {
    GdlDriverHeader h = VBE_familyHeaderBase(F, M);
    h.detect = [](int32_t index, int32_t wanted, int32_t* driver, int32_t* suggested,
                  GDLModeEntry* table) {
        return VBE_familyDetect(F, M, index, wanted, driver, suggested, table);
    };
    h.init = [](GdlDeviceContext* dc, int32_t driverNumber, int32_t mode, HWND window, int32_t x,
                int32_t y, int32_t pages, int32_t flag, int32_t refresh) {
        return VBE_familyInit(F, M, dc, driverNumber, mode, window, x, y, pages, flag, refresh);
    };
    return h;
}
