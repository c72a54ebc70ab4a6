// Decoder of the engine's LZW streams: codes of 9 to 12 bits packed least
// significant bit first, clear code 256, first free code 258. The width grows
// one code early (10-bit codes start as soon as the next code is 511), and a
// full dictionary restarts silently at 258 with 9 bits.
//
// Both forms decode into `out`; `*capacity` holds the room on entry and the
// bytes written on return. Result 1, or 0 for null pointers, missing memory
// or a corrupt stream whose prefix chains run in a circle. Any other corrupt
// input decodes as far as the rules reach.
#pragma once

#include "foundation/LzwCore.h"
#include "foundation/TObject.h"

#include <cstdint>
#include <cstdio>

class TLzwCodec : public TObject {
public:
    TLzwCodec() = default;
    ~TLzwCodec() override;
    TLzwCodec(const TLzwCodec&) = delete;
    TLzwCodec& operator=(const TLzwCodec&) = delete;

    // `packedSize` bytes at `packed`. A packed size or room of 0 or less
    // writes nothing and returns 1.
    int Decode(const uint8_t* packed, int32_t packedSize, uint8_t* out, int32_t* capacity);
    // From the stream's current position to its end, or until `out` is full.
    int DecodeStream(FILE* stream, uint8_t* out, int32_t* capacity);

private:
    lzw::Buffers buffers_;
};
