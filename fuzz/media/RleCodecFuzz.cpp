// The album decoders straight from arbitrary bytes: the first bytes choose
// the decoder, the rows, the fill and the room of the frame; the rest is the
// packed data. The frame is a block of exactly that room, so that a write
// past it shows.
#include "media/resources/TRleCodec.h"
#include "ui/TEngine.h"

#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TEngine engine; // every input starts from a fresh engine
    if (size < 4) return 0;
    const int which = data[0] % 5;
    const int32_t rows = data[1] % 16;
    const int32_t room = data[2] | (data[3] & 0x0F) << 8;
    const uint8_t* packed = data + 4;
    const int32_t count = static_cast<int32_t>(size - 4);
    std::vector<uint8_t> frame(static_cast<size_t>(room) + 1);
    uint8_t* out = frame.data();
    TRleCodec codec;
    switch (which) {
        case 0: codec.Decode8(packed, out, count, room); break;
        case 1: codec.Decode16(packed, out, count, room); break;
        case 2: codec.Decode24(packed, out, count, room); break;
        case 3: codec.DecodeRows8(packed, out, rows, data[1], count, room); break;
        default: codec.DecodeRows16(packed, out, rows, data[1], data[2], data[3], count, room);
    }
    // The byte behind the room is never written.
    if (frame[static_cast<size_t>(room)] != 0) __builtin_trap();
    return 0;
}
