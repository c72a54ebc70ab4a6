// Encoders of the engine's LZW (9-12 bit codes) and LZW16 (16-bit codes)
// streams, the formats TLzwCodec and TLzw16Codec read. The encoder keeps a
// model of the decoder's dictionary so that every code is written at the
// width the decoder will read it with, across width changes, silent restarts
// and clear codes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tools {

// What an encoding run produced, so that tests can show each case was made.
struct LzwStats {
    uint32_t codes = 0;
    uint32_t clears = 0;
    uint32_t widthChanges = 0; // LZW only
    uint32_t restarts = 0;     // silent dictionary restarts
    uint32_t unknownCodes = 0; // codes the decoder does not know yet (KwKwK)
};

struct LzwOptions {
    bool leadingClear = true;  // start with a clear code
    uint32_t clearEvery = 0;   // write a clear code after this many codes (0: never)
    LzwStats* stats = nullptr; // filled when given
};

std::vector<uint8_t> EncodeLzw(const uint8_t* data, size_t size, const LzwOptions& options = {});
std::vector<uint8_t> EncodeLzw16(const uint8_t* data, size_t size, const LzwOptions& options = {});

inline std::vector<uint8_t> EncodeLzw(const std::vector<uint8_t>& data,
                                      const LzwOptions& options = {}) {
    return EncodeLzw(data.data(), data.size(), options);
}
inline std::vector<uint8_t> EncodeLzw16(const std::vector<uint8_t>& data,
                                        const LzwOptions& options = {}) {
    return EncodeLzw16(data.data(), data.size(), options);
}

// Packs codes of the given widths least significant bit first, the last byte
// padded with zero bits: for hand-made streams in tests.
class LzwBitWriter {
public:
    void Put(uint32_t code, uint32_t width);
    std::vector<uint8_t> Finish();

private:
    std::vector<uint8_t> out_;
    uint64_t bits_ = 0;
    uint32_t count_ = 0;
};

} // namespace tools
