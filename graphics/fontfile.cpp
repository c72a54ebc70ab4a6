// Readers of the library's own font file and of Windows 2.x raster fonts.
#include "gdl/font.h"

#include "bitmap_internal.h"

#include "gdl/memory.h"
#include "gdl/result.h"

#include "platform/ByteStream.h"

#include <cstring>

using namespace gdl_files;

namespace {

const char kSignature[] = "RedeDuduv Font File:";
constexpr size_t kSignatureBytes = 20;
constexpr int32_t kWinHeaderBytes = 118;

template <typename T> T* Fail(int32_t code) {
    GDL_setResult(code);
    return nullptr;
}

GdlFont* NewFont(size_t glyphBytes) {
    auto* block = static_cast<uint8_t*>(GDL_malloc(sizeof(GdlFont) + glyphBytes));
    if (!block) return Fail<GdlFont>(GDL_NO_DRIVER_MEMORY);
    auto* font = reinterpret_cast<GdlFont*>(block);
    std::memset(font, 0, sizeof(GdlFont));
    font->glyphData = block + sizeof(GdlFont);
    font->glyphBytes = static_cast<uint32_t>(glyphBytes);
    return font;
}

// Every present glyph of a bitmap font must lie inside the glyph data, so text
// output can draw any character without looking past the record.
bool GlyphsFit(const GdlFont& font) {
    if (font.fontHeight < 0) return false;
    if (font.fontType != 2 && font.fontType != 3) return true;
    for (size_t c = 0; c < 256; ++c) {
        if (font.glyphOffset[c] == 0xFFFF) continue;
        const uint64_t end =
            uint64_t{font.glyphOffset[c]} + uint64_t(font.fontHeight) * (font.bitWidth[c] / 8u);
        if (end > font.glyphBytes) return false;
    }
    return true;
}

} // namespace

int32_t GDL_checkFontHeader(uint8_t header[256], void* stream, long offset) {
    if (!SeekTo(stream, offset) || !ReadExact(stream, header, 256) ||
        std::memcmp(header, kSignature, kSignatureBytes) != 0 || header[kSignatureBytes] != 0) {
        GDL_setResult(GDL_FONT_CORRUPTED);
        return 0;
    }
    return 1;
}

int32_t GDL_checkWinFontHeader(uint8_t header[118], void* stream, long offset) {
    if (!SeekTo(stream, offset) || !ReadExact(stream, header, kWinHeaderBytes)) {
        GDL_setResult(GDL_FONT_CORRUPTED);
        return 0;
    }
    platform::ByteReader r(header, kWinHeaderBytes);
    const uint16_t version = r.U16();
    r.Seek(66);
    const uint16_t type = r.U16();
    if (type != 0) {
        GDL_setResult(GDL_FONT_CORRUPTED); // vector fonts are not read
        return 0;
    }
    if (version != 0x200) {
        GDL_setResult(GDL_WIN2X_FONTS_ONLY);
        return 0;
    }
    return 1;
}

bool GDL_transposeGlyph(uint8_t* glyph, int32_t rows, int32_t bytesPerRow) {
    if (bytesPerRow <= 1 || rows <= 0) return true;
    const size_t count = static_cast<size_t>(rows) * static_cast<size_t>(bytesPerRow);
    // Large glyphs get a heap buffer rather than ending the program.
    uint8_t local[512];
    uint8_t* copy = count <= sizeof local ? local : static_cast<uint8_t*>(GDL_malloc(count));
    if (!copy) return false;
    std::memcpy(copy, glyph, count);
    for (int32_t c = 0; c < bytesPerRow; ++c)
        for (int32_t r = 0; r < rows; ++r)
            glyph[static_cast<size_t>(r) * bytesPerRow + c] =
                copy[static_cast<size_t>(c) * rows + r];
    if (copy != local) GDL_free(copy);
    return true;
}

GdlFont* GDL_loadWinFont(void* stream, long offset) {
    GDL_setResult(GDL_OK);
    uint8_t header[kWinHeaderBytes];
    if (!GDL_checkWinFontHeader(header, stream, offset)) return nullptr;

    platform::ByteReader r(header, sizeof header);
    r.Seek(74);
    const int16_t ascent = r.S16();
    r.Seek(78);
    const int16_t externalLeading = r.S16();
    r.Seek(86);
    const uint16_t pixWidth = r.U16();
    const uint16_t pixHeight = r.U16();
    r.Seek(93);
    const uint16_t maxWidth = r.U16();
    const uint8_t first = r.U8();
    const uint8_t last = r.U8();
    const uint8_t defaultChar = r.U8();
    r.Seek(105);
    const uint32_t faceOffset = r.U32();
    r.Seek(113);
    const uint32_t bitsOffset = r.U32();

    // The glyph bits run up to the face name; both must lie inside the file.
    const int64_t fileBytes = int64_t{GDL_fileLength(stream)} - offset;
    if (last < first || faceOffset < bitsOffset || faceOffset > fileBytes ||
        pixHeight > INT16_MAX || maxWidth > INT16_MAX)
        return Fail<GdlFont>(GDL_FONT_CORRUPTED);
    const uint32_t glyphBytes = faceOffset - bitsOffset;

    // The character table: one entry per character plus the closing one that
    // gives the end of the last glyph, when the file has it.
    const size_t count = static_cast<size_t>(last - first + 1);
    uint8_t table[4 * 257];
    size_t entries = count + 1;
    if (!SeekTo(stream, offset + kWinHeaderBytes) || !ReadExact(stream, table, 4 * entries)) {
        entries = count;
        if (!SeekTo(stream, offset + kWinHeaderBytes) || !ReadExact(stream, table, 4 * entries))
            return Fail<GdlFont>(GDL_FONT_CORRUPTED);
    }

    GdlFont* font = NewFont(glyphBytes);
    if (!font) return nullptr;
    auto fail = [font]() {
        GDL_free(font);
        return Fail<GdlFont>(GDL_FONT_CORRUPTED);
    };

    if (!SeekTo(stream, offset + static_cast<long>(faceOffset))) return fail();
    GDL_fileHooks.read(font->name, 1, sizeof font->name - 1, stream);
    font->name[sizeof font->name - 1] = 0;

    font->fontType = pixWidth ? 2 : 3;
    font->cellWidth = static_cast<int16_t>(pixWidth ? pixWidth : maxWidth);
    font->fontHeight = static_cast<int16_t>(pixHeight);
    font->maxWidth = static_cast<int16_t>(maxWidth);
    font->lastMetric = 0;
    font->ascent = ascent;
    font->descent = static_cast<int16_t>(ascent - pixHeight);
    font->leading = externalLeading;

    if (!SeekTo(stream, offset + static_cast<long>(bitsOffset)) ||
        !ReadExact(stream, font->glyphData, glyphBytes))
        return fail();

    platform::ByteReader t(table, 4 * entries);
    uint32_t running = 0;
    for (int c = 0; c < 256; ++c) {
        if (c < first || c > last) {
            font->glyphOffset[c] = 0xFFFF;
            continue;
        }
        const size_t index = static_cast<size_t>(c - first);
        t.Seek(4 * index);
        const uint16_t width = t.U16();
        const uint16_t fileOffset = t.U16();
        const uint32_t bitWidth = (static_cast<uint32_t>(width & 0xFF) + 7) & ~7u;
        const uint32_t bytesPerRow = bitWidth / 8;
        // Row widths past 248 pixels do not fit the byte the record keeps.
        if (bitWidth > 248 || running > 0xFFFE ||
            uint64_t{running} + uint64_t{bytesPerRow} * pixHeight > glyphBytes)
            return fail();
        font->charWidth[c] = static_cast<uint8_t>(width);
        font->bitWidth[c] = static_cast<uint8_t>(bitWidth);
        font->glyphOffset[c] = static_cast<uint16_t>(running);
        font->spare[c] = 0;
        if (!GDL_transposeGlyph(font->glyphData + running, pixHeight,
                                static_cast<int32_t>(bytesPerRow))) {
            GDL_free(font);
            return Fail<GdlFont>(GDL_NO_DRIVER_MEMORY);
        }
        if (index + 1 < entries) {
            t.Seek(4 * (index + 1) + 2);
            const uint16_t next = t.U16();
            if (next < fileOffset) return fail();
            running += next - fileOffset;
        }
    }

    // Character 0 stands for every missing one: the default character, or the
    // first one when the default lies outside the font.
    int fallback = first + defaultChar;
    if (fallback > last) fallback = first;
    font->charWidth[0] = font->charWidth[fallback];
    font->bitWidth[0] = font->bitWidth[fallback];
    font->glyphOffset[0] = font->glyphOffset[fallback];
    font->spare[0] = font->spare[fallback];
    return font;
}

GdlFont* GDL_readFont(void* stream, long offset, int32_t size) {
    GDL_setResult(GDL_OK);
    uint8_t header[GDL_FONT_HEADER_BYTES];
    if (!GDL_checkFontHeader(header, stream, offset)) return GDL_loadWinFont(stream, offset);

    const int64_t available = int64_t{GDL_fileLength(stream)} - offset;
    if (size < 0 || size > available) size = static_cast<int32_t>(available);
    const int64_t body = int64_t{size} - GDL_FONT_HEADER_BYTES;
    if (body < GDL_FONT_FIELD_BYTES) return Fail<GdlFont>(GDL_FONT_CORRUPTED);

    auto* raw = static_cast<uint8_t*>(GDL_malloc(static_cast<size_t>(body)));
    if (!raw) return Fail<GdlFont>(GDL_NO_DRIVER_MEMORY);
    if (!ReadExact(stream, raw, static_cast<size_t>(body))) {
        GDL_free(raw);
        return Fail<GdlFont>(GDL_FONT_CORRUPTED);
    }
    GdlFont* font = NewFont(static_cast<size_t>(body - GDL_FONT_FIELD_BYTES));
    if (!font) {
        GDL_free(raw);
        return nullptr;
    }

    // The face name is cut to the 57 characters the record holds.
    std::memcpy(font->name, header + kSignatureBytes + 1, sizeof font->name - 1);
    font->name[sizeof font->name - 1] = 0;

    platform::ByteReader r(raw, static_cast<size_t>(body));
    for (int16_t* field : {&font->fontType, &font->maxWidth, &font->lastMetric, &font->cellWidth,
                           &font->fontHeight, &font->ascent, &font->descent, &font->leading})
        *field = r.S16();
    r.Bytes(font->charWidth, 256);
    for (uint16_t& off : font->glyphOffset)
        off = r.U16();
    r.Bytes(font->bitWidth, 256);
    r.Bytes(font->spare, 256);
    r.Bytes(font->glyphData, font->glyphBytes);
    GDL_free(raw);

    if (!r.Ok() || !GlyphsFit(*font)) {
        GDL_free(font);
        return Fail<GdlFont>(GDL_FONT_CORRUPTED);
    }
    return font;
}

void* GDL_openFontFile(uint8_t header[256], const char* name) {
    void* stream = GDL_openFile(GDL_FONTS_FOLDER, name, "rb");
    if (!stream) return Fail<void>(GDL_FONT_NOT_FOUND);
    if (!GDL_checkFontHeader(header, stream, 0)) {
        GDL_fileHooks.close(stream);
        return nullptr;
    }
    return stream;
}

void* GDL_openWinFontFile(uint8_t header[118], const char* name) {
    void* stream = GDL_openFile(GDL_FONTS_FOLDER, name, "rb");
    if (!stream) return Fail<void>(GDL_FONT_NOT_FOUND);
    if (!GDL_checkWinFontHeader(header, stream, 0)) {
        GDL_fileHooks.close(stream);
        return nullptr;
    }
    return stream;
}

int32_t GDL_isFontFile(const char* name) {
    GDL_setResult(GDL_OK);
    uint8_t header[GDL_FONT_HEADER_BYTES];
    void* stream = GDL_openFontFile(header, name);
    if (!stream) stream = GDL_openWinFontFile(header, name);
    if (!stream) return 0;
    GDL_fileHooks.close(stream);
    GDL_setResult(GDL_OK);
    return 1;
}

GdlFont* GDL_loadFont(const char* name) {
    GDL_setResult(GDL_OK);
    void* stream = GDL_openFile(GDL_FONTS_FOLDER, name, "rb");
    if (!stream) return Fail<GdlFont>(GDL_FONT_NOT_FOUND);
    return CloseAndReturn(stream, GDL_readFont(stream, 0, GDL_fileLength(stream)));
}
