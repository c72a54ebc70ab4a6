// Pixel values turned into 32-bit colours through a table of 256, a run at a
// time: the scan-out's inner loop. The portable loop looks each value up; the
// vector loop (processors with 512-bit byte permutes) looks up 64 values at
// once from the table kept as four byte planes. Both give the same colours.
#pragma once

#include <cstdint>

namespace platform::adapter {

struct ColourRunTable {
    uint32_t colour[256];
    // The table as byte planes (byte k of every colour), for the vector loop;
    // filled by Prepare.
    alignas(64) uint8_t plane[4][256];
    // Fills the planes from the colours; call after setting them.
    void Prepare();
};

// `n` values into `out` and, when `twin` is not null, into `twin` as well (a
// repeated scan line). The first takes the vector loop where the processor
// has it.
void ColourRun(const ColourRunTable& table, const uint8_t* values, int n, uint32_t* out,
               uint32_t* twin);
void ColourRunPortable(const ColourRunTable& table, const uint8_t* values, int n, uint32_t* out,
                       uint32_t* twin);
// False (and nothing written) where the processor lacks the vector loop.
bool ColourRunVector(const ColourRunTable& table, const uint8_t* values, int n, uint32_t* out,
                     uint32_t* twin);

} // namespace platform::adapter
