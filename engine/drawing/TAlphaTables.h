// The two blend tables of the alpha blitter, indexed [alpha][channel]:
// first = (c * a) >> 8 and second = (c * (255 - a)) >> 8. Entries never pass
// 254, so they are bytes (64 KB a table). Built on first use and kept for the
// process, so a blit never meets them absent.
#pragma once

#include <cstdint>

class TAlphaTables {
public:
    static const TAlphaTables& Get();
    // The rows of one alpha.
    const uint8_t* First(uint32_t alpha) const { return first_[alpha]; }
    const uint8_t* Second(uint32_t alpha) const { return second_[alpha]; }

private:
    TAlphaTables();
    uint8_t first_[256][256];
    uint8_t second_[256][256];
};
