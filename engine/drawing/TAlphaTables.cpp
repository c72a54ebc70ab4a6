#include "drawing/TAlphaTables.h"

const TAlphaTables& TAlphaTables::Get() {
    static const TAlphaTables tables;
    return tables;
}

TAlphaTables::TAlphaTables() {
    for (uint32_t a = 0; a < 256; ++a)
        for (uint32_t c = 0; c < 256; ++c) {
            first_[a][c] = static_cast<uint8_t>((c * a) >> 8);
            second_[a][c] = static_cast<uint8_t>((c * (255 - a)) >> 8);
        }
}
