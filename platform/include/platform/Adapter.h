// The simulated display adapter: one video memory, one beam and one scan-out
// that every full-screen face of the layer (DirectDraw today) drives. What
// the scan-out shows is written into the full-screen window, so the host
// presents it like any window. An adapter is chosen by name (built-in
// personalities) or given whole by a test; without one there is no
// "ddraw.dll" and the display settings are the host's own.
#pragma once

#include "platform/Gdi.h"
#include "platform/Host.h"
#include "platform/Types.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// A display mode the adapter can show. Masks are zero at 8 bits (palette).
struct AdapterMode {
    int width = 0;
    int height = 0;
    int bits = 0; // bits a pixel takes in memory: 8, 16, 24 or 32
    uint32_t red = 0, green = 0, blue = 0;
    uint32_t surfaceCaps = 0; // DirectDraw surface caps of the mode (DDSCAPS_MODEX ...)
    // As a display setting: listed, but every change to it (tested or not)
    // fails; or it passes a test and fails when set.
    bool refused = false;
    bool failsWhenSet = false;
};

// The VGA an adapter carries, as its BIOS reports it: a colour VGA (active
// display code 8), a monochrome VGA (code 7), an EGA (no display combination
// function) or none (no VGA ports, no video BIOS).
enum class AdapterVga : uint8_t { Colour, Mono, Ega, None };

// A VBE mode as the BIOS's table holds it. Channel fields are size and
// position pairs (red, green, blue, reserved), zero at 4 and 8 bits.
struct AdapterVbeMode {
    uint16_t number = 0;
    int width = 0, height = 0;
    int bits = 0;      // 4, 8, 15, 16, 24 or 32 (15: 16 bits in memory)
    uint8_t model = 4; // MemoryModel: 3 planar, 4 packed pixel, 6 direct colour
    uint8_t fields[8]{};
    uint16_t attributes = 0; // ModeAttributes bits 8 to 12 the mode adds
};

// The VESA BIOS an adapter carries (version 0: none).
struct AdapterVbe {
    uint16_t version = 0; // BCD: 0102h, 0200h, 0300h
    std::string oem, vendor, product, revision;
    bool vendorPointer = true;    // false: a 2.0 block whose vendor pointer is null
    uint32_t capabilities = 0;    // bit 0 8-bit DAC, 3 stereo sync, 4 EVC stereo
    int granularityKB = 64;       // 4, 16 or 64
    bool windowPair = false;      // window A reads, window B writes
    bool linear = true;           // a linear framebuffer (2.0 and later)
    bool pmMarker = false;        // the protected-mode table's FBADFBADh marker
    bool pmMemoryList = false;    // the table lists a memory area
    std::vector<uint32_t> clocks; // pixel clocks (Hz) the card can make
    std::vector<AdapterVbeMode> modes;
};

// The VBE/AF accelerator an adapter carries (id 0: none): its register area
// in the physical address space, and the \\.\GDLHELP device, which holds a
// driver image already loaded (the caller's; see platform/Vbeaf.h).
struct AdapterAccel {
    uint32_t id = 0;
    uint32_t registerAddress = 0xFEB00000u;
    uint32_t registerLength = 0x10000;
    bool helper = false;
    std::vector<uint8_t> helperImage;
};

// Everything that tells one adapter from another, as data. Later faces add
// their fields here.
struct AdapterPersonality {
    std::string name;
    uint32_t videoMemory = 0; // bytes
    int pitchAlign = 8;       // rows start at multiples of this many bytes
    // DirectDraw.
    uint32_t ddCaps = 0;   // DDCAPS.dwCaps
    uint32_t ckeyCaps = 0; // DDCAPS.dwCKeyCaps
    uint32_t palCaps = 0;  // DDCAPS.dwPalCaps
    // Modes: the DirectDraw modes, and the display settings unless `settings`
    // lists those apart (in their order, repeats and refusals included). A
    // setting's masks are the desktop's layout while it is in force.
    std::vector<AdapterMode> modes;
    std::vector<AdapterMode> settings;
    // The VGA face and what the full-screen support library reports.
    AdapterVga vga = AdapterVga::Colour;
    bool safeMode = false;     // the system runs in safe mode
    bool linearWindow = false; // a virtual linear framebuffer is there
    AdapterVbe vbe;
    AdapterAccel accel;
};

// Chooses a built-in personality by name; null or "" chooses none. False for
// an unknown name (nothing changes). Without a choice in a session the
// environment's ADV_ADAPTER names one.
bool UseAdapter(const char* name);
// A personality of the caller's own.
void UseAdapter(const AdapterPersonality& personality);
// The chosen personality, or null.
const AdapterPersonality* CurrentAdapter();
std::vector<std::string> AdapterNames();

// The video memory: one page-aligned block of the personality's size.
struct VideoMemoryView {
    uint8_t* base = nullptr;
    size_t size = 0;
};
VideoMemoryView AdapterVideoMemory();
// While on, video memory is readable only: a face opens it for writing while
// one of its surfaces is locked. A stray write outside a lock faults.
void SetAdapterWriteProtect(bool on);

// What the adapter shows: the registers every face sets.
struct ScanOut {
    bool enabled = false;
    int width = 0, height = 0;
    int pitch = 0;       // bytes
    int bits = 0;        // 8, 16, 24, 32
    uint32_t masks[3]{}; // red, green, blue (zero at 8 bits)
    uint32_t start = 0;  // offset of the top row in video memory
    PALETTEENTRY palette[256]{};
    HWND window = nullptr; // where it is shown
};
ScanOut AdapterScanOut();
// The scan-out as 0x00RRGGBB, top row first (what the window is given).
Frame AdapterScanOutFrame();
// Vertical retraces waited for so far.
uint32_t AdapterRetraceWaits();
// The last video-memory offset GDI's Escape 42 was given (-1 none).
int64_t AdapterEscapeOffset();

} // namespace platform
