// Writes VBE/AF driver files ("VBEAF.DRV") for the simulated accelerator,
// with every field the loader and the ACCEL drivers read, and prints one as
// text (the canonical form for independent fixtures).
#pragma once

#include "platform/Vbeaf.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tools {

struct VbeafOptions {
    uint16_t version = 0x200; // BCD
    uint32_t memoryKB = 4096;
    uint32_t attributes = 0x10; // 10h acceleration, 4000h and 8000h stereo connectors
    bool linear = true;         // a linear framebuffer at the adapter's address
    bool bankRoutine = true;
    uint32_t bankAddress = 0xA0000;
    uint32_t bankSizeKB = 64;
    uint32_t registerAddress[4]{}; // 0: none
    uint32_t registerLength[4]{};
    uint32_t monoImageField = 0; // non-null: the driver draws 1-bit images
    uint32_t accelerator = platform::vbeaf::kSimulatedAccelerator;
    // Entries the driver does not offer (slots); the rest are offered.
    std::vector<uint32_t> absent;
    // Empty: the default list (DefaultVbeafModes).
    std::vector<platform::vbeaf::ModeRecord> modes;
};

// The stippled line's entries: a driver without them leaves styled lines to
// the library's software routine.
inline constexpr uint32_t kStippleEntries[] = {platform::vbeaf::kSetLineStipple,
                                               platform::vbeaf::kSetLineStippleCount,
                                               platform::vbeaf::kDrawStippleLine};

// 640 x 480, 800 x 600 and 1024 x 768 at 8, 15, 16, 24 and 32 bits, linear,
// accelerated, with a hardware cursor and as many pages (up to 4) as fit.
std::vector<platform::vbeaf::ModeRecord> DefaultVbeafModes(uint32_t memoryKB);

std::vector<uint8_t> WriteVbeaf(const VbeafOptions& options);

// Every field as text, one a line; false (with what could be read and the
// reason) for an image that does not hold together.
bool DumpVbeaf(const std::vector<uint8_t>& image, std::string* text);

} // namespace tools
