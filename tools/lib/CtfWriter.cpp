#include "CtfWriter.h"

#include "platform/ByteStream.h"

namespace tools {

std::vector<uint8_t> WriteCtf(const std::string& text, CtfPacking packing,
                              const LzwOptions& options) {
    std::vector<uint8_t> out;
    platform::ByteWriter writer(out);
    writer.U8(static_cast<uint8_t>(packing));
    writer.U32(static_cast<uint32_t>(text.size()));
    writer.Zeros(58);
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(text.data());
    switch (packing) {
        case CtfPacking::Stored: writer.Text(text); break;
        case CtfPacking::Lzw: {
            std::vector<uint8_t> packed = EncodeLzw(bytes, text.size(), options);
            writer.Bytes(packed.data(), packed.size());
            break;
        }
        case CtfPacking::Lzw16: {
            std::vector<uint8_t> packed = EncodeLzw16(bytes, text.size(), options);
            writer.Bytes(packed.data(), packed.size());
            break;
        }
    }
    return out;
}

} // namespace tools
