#include "media/devices/TRandom.h"

#include "gdl/support.h"
#include "platform/Kernel.h"

uint32_t TRandom::Next(uint32_t bound) {
    if (!seeded_) {
        seeded_ = 1;
        GDL_srand(timeGetTime());
    }
    return bound ? GDL_randomBelow(bound) : 0;
}
