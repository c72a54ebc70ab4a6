#include "foundation/TLzwCodec.h"

namespace {

struct LzwCodes {
    static constexpr size_t kReadBlock = 1024;
    static constexpr uint32_t kTableSize = 4096;
    static constexpr uint32_t kMaxWidth = 12;

    uint64_t bits = 0;
    uint32_t count = 0;
    uint32_t width = 9;
    uint32_t mask = 511;

    bool Next(lzw::Input& input, uint32_t& code) {
        while (count < width) {
            if (input.end - input.in >= 8) {
                // Eight bytes at once; bytes beyond the counted ones are read
                // again next time and land on the same bits.
                uint64_t word = 0;
                for (int i = 7; i >= 0; --i)
                    word = (word << 8) | input.in[i];
                bits |= word << count;
                input.in += (63 - count) >> 3;
                count |= 56;
            } else {
                if (input.in == input.end && !input.Refill()) return false;
                bits |= static_cast<uint64_t>(*input.in++) << count;
                count += 8;
            }
        }
        code = static_cast<uint32_t>(bits) & mask;
        bits >>= width;
        count -= width;
        return true;
    }
    void Reset() {
        width = 9;
        mask = 511;
    }
    // The width grows when the next code reaches the mask, so codes 511, 1023
    // and 2047 are already read wider; at 4095 the dictionary starts over
    // without a clear code, its old entries left to be overwritten.
    void Grown(uint32_t& next) {
        if (next != mask) return;
        if (width < kMaxWidth) {
            ++width;
            mask = mask * 2 + 1;
        } else {
            next = lzw::kFirstFree;
            Reset();
        }
    }
};

} // namespace

TLzwCodec::~TLzwCodec() {
    buffers_.Free();
}

int TLzwCodec::Decode(const uint8_t* packed, int32_t packedSize, uint8_t* out, int32_t* capacity) {
    return lzw::DecodeMemory<LzwCodes>(buffers_, packed, packedSize, out, capacity);
}

int TLzwCodec::DecodeStream(FILE* stream, uint8_t* out, int32_t* capacity) {
    return lzw::DecodeStream<LzwCodes>(buffers_, stream, out, capacity);
}
