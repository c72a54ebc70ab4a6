// VESAVBE against a BIOS whose blocks are fuzz bytes: the controller block
// (its far pointers reach fuzz bytes in the ROM), the mode information and
// the protected-mode table with its length. Detection, every listed mode,
// page sizes, the table's entries, memory list and the bank routine built
// from it must stay inside what the BIOS handed over.
#include "FuzzInput.h"
#include <cstdint>
#include <cstring>
#include <vector>

#include "gdl/driver.h"
#include "gdl/fsdirect.h"
#include "gdl/vesavbe.h"
#include "gdl/windows.h"
#include "platform/Adapter.h"
#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/Kernel.h"
#include "platform/Vbe.h"

namespace {

struct Bios {
    std::vector<uint8_t> controller, mode, table, rom;
};
Bios g_bios;
// The support library's refusals of accesses outside memory are expected
// here: counted, not printed.
size_t g_refusals = 0;

void answer(platform::RealModeRegs* r, uint8_t* real) {
    const uint32_t es = uint32_t(r->es) << 4, di = r->edi & 0xFFFF;
    if (!g_bios.rom.empty()) std::memcpy(real + 0xC0000, g_bios.rom.data(), g_bios.rom.size());
    switch (r->eax & 0xFF) {
        case 0x00: std::memcpy(real + es + di, g_bios.controller.data(), 512); break;
        case 0x01: std::memcpy(real + es + di, g_bios.mode.data(), 256); break;
        case 0x0A:
            if (!g_bios.table.empty())
                std::memcpy(real + 0xD0000, g_bios.table.data(), g_bios.table.size());
            r->es = 0xD000;
            r->edi = 0;
            r->ecx = uint32_t(g_bios.table.size());
            break;
        default: r->eax = 0x014F; return;
    }
    r->eax = 0x004F;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::StartSession();
    platform::SetDebugOutputHook([](const char*) { ++g_refusals; });
    GDL_resetLibrary();
    if (!platform::UseAdapter("vbe20")) return 0;
    GDL_initWindows();
    fuzzsupport::Input in{data, size};
    g_bios.controller = in.take(512);
    std::memcpy(g_bios.controller.data(), "VESA", 4);
    g_bios.mode = in.take(256);
    const std::vector<uint8_t> length = in.take(2);
    g_bios.table = in.take(std::min<size_t>(length[0] | length[1] << 8, 0x8000));
    g_bios.rom = in.take(std::min<size_t>(in.left(), 0x10000));
    platform::SetVbeBiosHook(answer);

    VbeControllerInfo info{};
    if (VBE_detect(&info)) {
        int n = 0;
        for (const uint16_t* m = info.modes; *m != 0xFFFF && n < 64; ++m, ++n) {
            VbeModeInfo mode{};
            if (VBE_getModeInfo(*m, &mode)) (void)VBE_getPageSize(&mode);
        }
        VBE_getPMInfo();
        (void)VBE_getSetBank(), (void)VBE_getSetDisplayStart(), (void)VBE_getSetPalette();
        int32_t routineSize = 0;
        const uint8_t* code = nullptr;
        if (VBE_getBankFunc32(&routineSize, &code, 2))
            (void)platform::VbeIsBankRoutine(code, size_t(routineSize));
    }
    platform::SetVbeBiosHook(nullptr);
    GDL_resetLibrary();
    return 0;
}
