// The run-length decoders of picture albums. Each decoder is bounded by the
// packed bytes it is given and by the room of the destination: data that
// would run past either is corrupt, and the decoder answers 0 (1 on
// success). A count below 1 decodes nothing and succeeds.
#pragma once

#include "foundation/TObject.h"

#include <cstdint>

class TRleCodec : public TObject {
public:
    // Control byte b: with bit 7, (b & 127) copies of the next byte; else the
    // next b bytes as they stand.
    int Decode8(const uint8_t* source, uint8_t* destination, int32_t count, int32_t capacity);
    // The same over 16-bit words, with bit 15 of the control word.
    int Decode16(const uint8_t* source, uint8_t* destination, int32_t count, int32_t capacity);
    // Control byte as Decode8, runs and literals of 3-byte pixels.
    int Decode24(const uint8_t* source, uint8_t* destination, int32_t count, int32_t capacity);
    // Rows behind a table of one 32-bit word per row (skipped): per row,
    // 16-bit words until a 0 word, low byte a run of fill values, high byte
    // the number of literal values behind the word.
    int DecodeRows8(const uint8_t* source, uint8_t* destination, int32_t rows, uint8_t fill,
                    int32_t count, int32_t capacity);
    int DecodeRows16(const uint8_t* source, uint8_t* destination, int32_t rows, uint8_t c1,
                     uint8_t c2, uint8_t c3, int32_t count, int32_t capacity);

    // The 16-bit fill value of three components, as skip-fill albums store it.
    static uint16_t FillPixel16(uint8_t c1, uint8_t c2, uint8_t c3) {
        return static_cast<uint16_t>((c1 * 1024) | ((c2 / 4) * 32) | (c3 / 8));
    }
};
