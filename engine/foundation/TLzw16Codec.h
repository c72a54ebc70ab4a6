// Decoder of the engine's LZW16 streams: every code one 16-bit little-endian
// word (a trailing odd byte is ignored), clear code 256, first free code 258;
// after entry 65534 the next entry goes to 258 again, nothing cleared.
// Same forms and results as TLzwCodec.
#pragma once

#include "foundation/LzwCore.h"
#include "foundation/TObject.h"

#include <cstdint>
#include <cstdio>

class TLzw16Codec : public TObject {
public:
    TLzw16Codec() = default;
    ~TLzw16Codec() override;
    TLzw16Codec(const TLzw16Codec&) = delete;
    TLzw16Codec& operator=(const TLzw16Codec&) = delete;

    int Decode(const uint8_t* packed, int32_t packedSize, uint8_t* out, int32_t* capacity);
    int DecodeStream(FILE* stream, uint8_t* out, int32_t* capacity);

private:
    lzw::Buffers buffers_;
};
