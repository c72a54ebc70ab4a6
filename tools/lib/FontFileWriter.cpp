#include "FontFileWriter.h"

#include "platform/ByteStream.h"

#include <algorithm>
#include <cstring>

namespace tools {

NativeFont MakeBitmapFont(const std::string& name, int16_t fontHeight, int16_t ascent,
                          const std::array<NativeGlyph, 256>& glyphs, bool fixedWidth) {
    NativeFont font;
    font.name = name;
    font.fontType = fixedWidth ? 2 : 3;
    font.fontHeight = fontHeight;
    font.ascent = ascent;
    font.descent = static_cast<int16_t>(ascent - fontHeight);
    for (size_t c = 0; c < 256; ++c) {
        const NativeGlyph& g = glyphs[c];
        if (g.rows.empty()) {
            font.glyphOffset[c] = 0xFFFF;
            continue;
        }
        const size_t rowBytes = (static_cast<size_t>(g.width) + 7) / 8;
        font.charWidth[c] = static_cast<uint8_t>(g.width);
        font.bitWidth[c] = static_cast<uint8_t>(rowBytes * 8);
        font.glyphOffset[c] = static_cast<uint16_t>(font.glyphData.size());
        std::vector<uint8_t> rows = g.rows;
        rows.resize(rowBytes * static_cast<size_t>(fontHeight), 0);
        font.glyphData.insert(font.glyphData.end(), rows.begin(), rows.end());
        font.maxWidth = std::max<int16_t>(font.maxWidth, static_cast<int16_t>(g.width));
    }
    font.cellWidth = font.maxWidth;
    return font;
}

std::vector<uint8_t> WriteFontFile(const NativeFont& font) {
    std::vector<uint8_t> out;
    platform::ByteWriter w(out);
    static const char kSignature[] = "RedeDuduv Font File:";
    w.Bytes(kSignature, sizeof kSignature); // with its zero byte
    w.Bytes(font.name.data(), std::min<size_t>(font.name.size(), 57));
    w.Zeros(256 - out.size());

    for (int16_t v : {font.fontType, font.maxWidth, font.lastMetric, font.cellWidth,
                      font.fontHeight, font.ascent, font.descent, font.leading})
        w.S16(v);
    w.Bytes(font.charWidth.data(), 256);
    for (uint16_t off : font.glyphOffset)
        w.U16(off);
    w.Bytes(font.bitWidth.data(), 256);
    w.Bytes(font.spare.data(), 256);
    w.Bytes(font.glyphData.data(), font.glyphData.size());
    return out;
}

} // namespace tools
