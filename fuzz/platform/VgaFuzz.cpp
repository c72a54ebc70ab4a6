// Fuzzes what the VGA, the video BIOS and the full-screen support library
// take from their callers: port writes and reads with any value, interrupt
// 10h with any registers (mode numbers included), selectors, offsets and
// counts, physical ranges, window sizes, and accesses through the window;
// then the scan-out works out a picture from whatever the registers hold.
// Nothing may read or write outside the adapter's memory.
#include "FuzzInput.h"
#include "platform/Adapter.h"
#include "platform/Clock.h"
#include "platform/FsDirect.h"
#include "platform/Host.h"
#include "platform/Module.h"
#include "platform/Vga.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

using Input = fuzzsupport::Input;

// Ports the chip answers on, and any other.
uint16_t port(Input& in) {
    static const uint16_t kPorts[] = {0x3C0, 0x3C1, 0x3C2, 0x3C4, 0x3C5, 0x3C6, 0x3C7,
                                      0x3C8, 0x3C9, 0x3CC, 0x3CE, 0x3CF, 0x3D4, 0x3D5,
                                      0x3DA, 0x3B4, 0x3B5, 0x3BA, 0x70,  0x71};
    const uint8_t pick = in.u8();
    return pick < 200 ? kPorts[pick % std::size(kPorts)] : in.u16();
}

template <typename F> F get(HMODULE m, const char* name) {
    return reinterpret_cast<F>(GetProcAddress(m, name));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::StartSession();
    // A fresh chip each run; one input in two on a card with a VESA BIOS,
    // whose functions (4Fxxh) and bank window then take the same abuse.
    static const char* const kCards[] = {"vga", "vga", "vbe12", "vbe20", "vbe30"};
    platform::UseAdapter(size ? kCards[data[0] % std::size(kCards)] : "vga");
    HMODULE fsd = LoadLibraryA("FSDIR_32.DLL");
    if (!fsd) return 0;
    auto getByte = get<platform::PMI_getByte_t>(fsd, "_PMI_getByte");
    auto setLong = get<platform::PMI_setLong_t>(fsd, "_PMI_setLong");
    auto copyOut = get<platform::PMI_memcpynf_t>(fsd, "_PMI_memcpynf");
    auto copyIn = get<platform::PMI_memcpyfn_t>(fsd, "_PMI_memcpyfn");
    auto create = get<platform::PMI_createSelector_t>(fsd, "_PMI_createSelector");
    auto map = get<platform::PMI_mapPhysicalAddr_t>(fsd, "_PMI_mapPhysicalAddr");
    auto int86 = get<platform::PMI_int86_t>(fsd, "_PMI_int86");
    auto start = get<platform::FSD_startFullScreen_t>(fsd, "_FSD_startFullScreen");
    auto change = get<platform::FSD_changeResolution_t>(fsd, "_FSD_changeResolution");
    auto restore = get<platform::FSD_restoreGDI_t>(fsd, "_FSD_restoreGDI");
    auto vectors = get<platform::PMI_setRMvect_t>(fsd, "__PMI_setRMvect");
    Input in{data, size};
    std::vector<uint8_t> buffer(4096);
    for (int steps = 0; in.more() && steps < 512; ++steps) {
        switch (in.u8() % 10) {
            case 0: platform::VgaOutPort(port(in), in.u8()); break;
            case 1: platform::VgaInPort(port(in)); break;
            case 2: {
                platform::PmiRegs r{in.u16(), in.u16(), in.u16(), in.u16(), 0, 0, 0}, out{};
                int86(0x10, &r, &out);
                break;
            }
            case 3: {
                const uint16_t sel = create(in.u32(), in.u32());
                getByte(sel, in.u32());
                setLong(uint16_t(in.u8() < 128 ? sel : in.u16()), in.u32(), in.u32());
                break;
            }
            case 4: {
                const uint16_t sel = create(in.u32() & 0xFFFFF, in.u16());
                const uint32_t count = in.u16() % buffer.size();
                copyOut(buffer.data(), sel, in.u32(), count);
                copyIn(sel, in.u32(), buffer.data(), count);
                break;
            }
            case 5: map(in.u32(), in.u32()); break;
            case 6: {
                uint8_t* window = platform::VgaWindow();
                const uint16_t offset = in.u16();
                if (in.u8() & 1)
                    platform::VgaLatchWrite(window + offset, in.u8());
                else
                    platform::VgaWriteDword(window + offset, in.u32());
                break;
            }
            case 7: {
                const int w = int16_t(in.u16()), h = int16_t(in.u16());
                if (in.u8() & 1)
                    start(nullptr, w, h);
                else
                    change(w, h);
                break;
            }
            case 8: vectors(int(in.u16()) - 128, in.u16(), in.u16()); break;
            default: restore(); break;
        }
    }
    platform::VgaFrame();
    platform::VgaPacked();
    restore();
    FreeLibrary(fsd);
    return 0;
}
