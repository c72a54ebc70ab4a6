// The engine's random source for scripts: draws from the graphics library's
// one generator, which it seeds from the multimedia clock on its first use.
#pragma once

#include "foundation/TObject.h"

#include <cstdint>

class TRandom : public TObject {
public:
    TRandom() = default;

    // A number from 0 to bound - 1; 0 for a bound of 0. The bound is taken
    // whole (32 bits), so ranges above 65535 keep their top.
    uint32_t Next(uint32_t bound);
    bool IsSeeded() const { return seeded_ != 0; }

private:
    int32_t seeded_ = 0;
};
