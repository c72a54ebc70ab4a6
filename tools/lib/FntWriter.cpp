#include "FntWriter.h"

#include "platform/ByteStream.h"

#include <algorithm>

namespace tools {

std::vector<uint8_t> WriteFnt(const FntFont& font) {
    const size_t count = font.glyphs.size();
    const size_t height = font.pixHeight;
    const size_t tableOffset = 118;
    const size_t bitsOffset = tableOffset + 4 * (count + 1);

    // Column-major glyph bits: all rows of the first 8-pixel column, then the next.
    std::vector<uint8_t> bits;
    std::vector<size_t> offsets;
    int widest = 0;
    for (const FntGlyph& g : font.glyphs) {
        const size_t columns = (static_cast<size_t>(g.width) + 7) / 8;
        offsets.push_back(bitsOffset + bits.size());
        for (size_t c = 0; c < columns; ++c)
            for (size_t r = 0; r < height; ++r) {
                const size_t at = r * columns + c;
                bits.push_back(at < g.rows.size() ? g.rows[at] : 0);
            }
        widest = std::max(widest, g.width);
    }
    offsets.push_back(bitsOffset + bits.size());
    const size_t faceOffset = bitsOffset + bits.size();
    const size_t fileSize = faceOffset + font.faceName.size() + 1;
    const uint8_t lastChar = static_cast<uint8_t>(font.firstChar + (count ? count - 1 : 0));

    std::vector<uint8_t> out;
    platform::ByteWriter w(out);
    w.U16(font.version);
    w.U32(static_cast<uint32_t>(fileSize));
    std::string copyright = "test font";
    copyright.resize(60, '\0');
    w.Text(copyright);
    w.U16(font.type);
    w.U16(static_cast<uint16_t>(height * 3 / 4)); // points
    w.U16(96);
    w.U16(96);
    w.U16(font.ascent);
    w.U16(0); // internal leading
    w.U16(font.externalLeading);
    w.U8(0); // italic
    w.U8(0); // underline
    w.U8(0); // strike-out
    w.U16(400);
    w.U8(0); // character set
    w.U16(font.pixWidth);
    w.U16(font.pixHeight);
    w.U8(font.pixWidth ? 0 : 1); // pitch and family
    w.U16(static_cast<uint16_t>(font.pixWidth ? font.pixWidth : widest));
    w.U16(static_cast<uint16_t>(font.maxWidth >= 0 ? font.maxWidth : widest));
    w.U8(font.firstChar);
    w.U8(lastChar);
    w.U8(font.defaultChar);
    w.U8(0);  // break character
    w.U16(0); // width bytes (unused by 2.x readers)
    w.U32(0); // device name
    w.U32(static_cast<uint32_t>(faceOffset));
    w.U32(0); // bits pointer
    w.U32(static_cast<uint32_t>(bitsOffset));
    w.U8(0);

    for (size_t i = 0; i <= count; ++i) {
        w.U16(static_cast<uint16_t>(i < count ? font.glyphs[i].width : 0));
        w.U16(static_cast<uint16_t>(offsets[i]));
    }
    w.Bytes(bits.data(), bits.size());
    w.Text(font.faceName);
    w.U8(0);
    return out;
}

} // namespace tools
