#include "foundation/TLzw16Codec.h"

namespace {

struct Lzw16Codes {
    static constexpr size_t kReadBlock = 2048; // 1024 code words
    static constexpr uint32_t kTableSize = 65536;

    bool Next(lzw::Input& input, uint32_t& code) {
        if (input.end - input.in < 2 && (!input.Refill() || input.end - input.in < 2)) return false;
        code = static_cast<uint32_t>(input.in[0]) | (static_cast<uint32_t>(input.in[1]) << 8);
        input.in += 2;
        return true;
    }
    void Reset() {}
    void Grown(uint32_t& next) {
        if (next == 65535) next = lzw::kFirstFree;
    }
};

} // namespace

TLzw16Codec::~TLzw16Codec() {
    buffers_.Free();
}

int TLzw16Codec::Decode(const uint8_t* packed, int32_t packedSize, uint8_t* out,
                        int32_t* capacity) {
    return lzw::DecodeMemory<Lzw16Codes>(buffers_, packed, packedSize, out, capacity);
}

int TLzw16Codec::DecodeStream(FILE* stream, uint8_t* out, int32_t* capacity) {
    return lzw::DecodeStream<Lzw16Codes>(buffers_, stream, out, capacity);
}
