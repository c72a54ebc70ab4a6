// The BMP reader: uncompressed Windows bitmaps of 1, 4, 8, 16, 24 and 32 bits,
// bit-field masks choosing the layout of the deeper ones.
#include "bitmap_internal.h"

#include "gdl/memory.h"
#include "gdl/result.h"

#include "platform/ByteStream.h"

#include <cstring>

using namespace gdl_files;

namespace {

constexpr uint32_t kBitFields = 3;

int32_t Refuse() {
    GDL_setResult(GDL_INVALID_BITMAP);
    return 0;
}

// Palette bytes a header without a colours-used count implies.
uint32_t DefaultPaletteBytes(uint32_t bits) {
    switch (bits) {
        case 1: return 8;
        case 4: return 64;
        case 8: return 1024;
        default: return 48;
    }
}

const GdlPixelFormat* FormatFor(int32_t* bits, bool bitFields, uint32_t redMask,
                                uint32_t greenMask) {
    switch (*bits) {
        case 16:
            if (bitFields && greenMask == 0x7E0) return &GDL_pixelFormat565;
            *bits = 15;
            return &GDL_pixelFormat555;
        case 24: return (bitFields && redMask == 0xFF) ? &GDL_pixelFormatBGR : &GDL_pixelFormatRGB;
        case 32:
            if (!bitFields || redMask == 0xFF0000) return &GDL_pixelFormatARGB;
            if (redMask == 0xFF) return &GDL_pixelFormatABGR;
            if (redMask == 0xFF00) return &GDL_pixelFormatBGRA;
            return &GDL_pixelFormatRGBA;
        default: return nullptr;
    }
}

} // namespace

int32_t GDL_checkBitmapHeaders(uint8_t fileHeader[14], uint8_t infoHeader[40], void* stream,
                               long offset) {
    if (!SeekTo(stream, offset) || !ReadExact(stream, fileHeader, 14)) return Refuse();
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M') return Refuse();
    if (!ReadExact(stream, infoHeader, 40)) return Refuse();
    // Only the low bytes of size, planes, compression and bit count are looked at.
    if (infoHeader[0] != 40 || infoHeader[12] != 1) return Refuse();
    // Run-length compressed images of 8 bits or fewer are not read.
    if (infoHeader[16] != 0 && infoHeader[14] < 9) return Refuse();
    return 1;
}

int32_t GDL_readBitmapHeaders(GdlBitmapHeaderInfo* info, void* stream, long offset,
                              int32_t loadPalette) {
    uint8_t fileHeader[14];
    uint8_t infoHeader[40];
    if (!GDL_checkBitmapHeaders(fileHeader, infoHeader, stream, offset)) return 0;

    platform::ByteReader r(infoHeader, sizeof infoHeader);
    r.Skip(4);
    const int32_t width = r.S32();
    const int32_t height = r.S32();
    r.Skip(2);
    const uint32_t bits = r.U16();
    const uint32_t compression = r.U32();
    r.Skip(12);
    const uint32_t colorsUsed = r.U32();

    std::memset(info, 0, sizeof *info);
    bool bitFields = false;
    uint32_t masks[3] = {0, 0, 0};
    if (bits < 9) {
        // The record keeps at most 256 entries.
        if (colorsUsed > 256) return Refuse();
        const uint32_t bytes = colorsUsed ? colorsUsed * 4 : DefaultPaletteBytes(bits);
        if (loadPalette) {
            uint8_t raw[1024];
            if (!ReadExact(stream, raw, bytes)) return Refuse();
            info->paletteEntries = static_cast<int32_t>(bytes / 4);
            std::memcpy(info->palette, raw, bytes / 4 * 4);
        } else if (GDL_fileHooks.seek(stream, static_cast<long>(bytes), 1) != 0) {
            return Refuse();
        }
    } else if (compression == kBitFields) {
        uint8_t raw[12];
        if (!ReadExact(stream, raw, sizeof raw)) return Refuse();
        platform::ByteReader m(raw, sizeof raw);
        for (uint32_t& mask : masks)
            mask = m.U32();
        bitFields = true;
    }

    uint64_t rowBytes = 0;
    switch (bits) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32: rowBytes = (static_cast<uint64_t>(width > 0 ? width : 0) * bits + 7) / 8; break;
        default: return Refuse();
    }
    rowBytes = (rowBytes + 3) & ~uint64_t{3};
    if (width <= 0 || height == 0 || height == INT32_MIN || rowBytes > INT32_MAX) return Refuse();

    GdlBitmap& head = info->head;
    head.width = width;
    head.height = height; // the sign still tells the row order
    head.bitsPerPixel = static_cast<int32_t>(bits);
    head.bytesPerLine = static_cast<int32_t>(rowBytes);
    if (const GdlPixelFormat* format =
            FormatFor(&head.bitsPerPixel, bitFields, masks[0], masks[1])) {
        info->hasFormat = true;
        info->format = *format;
    }
    // Room for every index the depth can hold, so a short palette is never
    // read past its end.
    if (loadPalette && bits <= 8) {
        int32_t slots = 1 << bits;
        info->paletteSlots = info->paletteEntries > slots ? info->paletteEntries : slots;
    }
    return 1;
}

GdlBitmap* GDL_readBitmap(void* stream, long offset, int32_t /*size*/, int32_t loadPalette) {
    GDL_setResult(GDL_OK);
    GdlBitmapHeaderInfo info;
    if (!GDL_readBitmapHeaders(&info, stream, offset, loadPalette)) return nullptr;

    GdlBitmap head = info.head;
    const bool topDown = head.height < 0;
    if (topDown) head.height = -head.height;
    const uint64_t rowsBytes = static_cast<uint64_t>(head.height) * head.bytesPerLine;
    // The rows start right behind the palette or masks; a file too short for
    // them is refused before anything is allocated.
    if (rowsBytes > static_cast<uint64_t>(BytesLeft(stream))) {
        GDL_setResult(GDL_INVALID_BITMAP);
        return nullptr;
    }

    GdlBitmap* bitmap = NewBitmapRecord(head, static_cast<size_t>(info.paletteSlots),
                                        info.hasFormat ? &info.format : nullptr);
    if (!bitmap) return nullptr;
    if (bitmap->palette) std::memcpy(bitmap->palette, info.palette, info.paletteEntries * 4u);

    const size_t stride = static_cast<size_t>(head.bytesPerLine);
    for (int32_t i = 0; i < head.height; ++i) {
        const int32_t row = topDown ? i : head.height - 1 - i;
        uint8_t* dest = bitmap->surface + static_cast<size_t>(row) * stride;
        if (!ReadExact(stream, dest, stride)) {
            GDL_free(bitmap);
            GDL_setResult(GDL_INVALID_BITMAP);
            return nullptr;
        }
    }
    return bitmap;
}

GdlBitmap* GDL_loadBitmap(const char* name, int32_t loadPalette) {
    GDL_setResult(GDL_OK);
    void* stream = GDL_openFile(GDL_BITMAPS_FOLDER, name, "rb");
    if (!stream) {
        GDL_setResult(GDL_BITMAP_NOT_FOUND);
        return nullptr;
    }
    GdlBitmap* bitmap = GDL_readBitmap(stream, 0, GDL_fileLength(stream), loadPalette);
    return CloseAndReturn(stream, bitmap);
}

void* GDL_openBitmapFile(uint8_t fileHeader[14], uint8_t infoHeader[40], const char* name) {
    void* stream = GDL_openFile(GDL_BITMAPS_FOLDER, name, "rb");
    if (!stream) {
        GDL_setResult(GDL_BITMAP_NOT_FOUND);
        return nullptr;
    }
    if (!GDL_checkBitmapHeaders(fileHeader, infoHeader, stream, 0)) {
        GDL_fileHooks.close(stream);
        return nullptr;
    }
    return stream;
}

int32_t GDL_isBitmapFile(const char* name) {
    GDL_setResult(GDL_OK);
    uint8_t fileHeader[14];
    uint8_t infoHeader[40];
    void* stream = GDL_openBitmapFile(fileHeader, infoHeader, name);
    if (!stream) return 0;
    GDL_fileHooks.close(stream);
    return 1;
}
