// The icon reader: the first (and only) image of a Windows icon file with 2,
// 16 or 256 colours, its AND mask stored inverted.
#include "bitmap_internal.h"

#include "gdl/memory.h"
#include "gdl/result.h"

#include "platform/ByteStream.h"

#include <cstring>

using namespace gdl_files;

namespace {

int32_t Refuse() {
    GDL_setResult(GDL_INVALID_ICON);
    return 0;
}

GdlIcon* RefuseIcon() {
    GDL_setResult(GDL_INVALID_ICON);
    return nullptr;
}

} // namespace

int32_t GDL_checkIconHeader(uint8_t directory[22], uint8_t imageHeader[40], void* stream,
                            long offset) {
    if (!SeekTo(stream, offset) || !ReadExact(stream, directory, 22)) return Refuse();
    // One image of type 1 (icon); the image must follow the directory, its
    // offset field is not used.
    if (directory[0] || directory[1] || directory[2] != 1 || directory[3] || directory[4] != 1)
        return Refuse();
    if (!ReadExact(stream, imageHeader, 40)) return Refuse();
    if (imageHeader[0] != 40 || imageHeader[12] != 1 || imageHeader[16] != 0) return Refuse();
    return 1;
}

GdlIcon* GDL_readIcon(const uint8_t directory[22], const uint8_t imageHeader[40], void* stream,
                      long offset, int32_t loadPalette) {
    GDL_setResult(GDL_OK);
    platform::ByteReader header(imageHeader, 40);
    header.Skip(14);
    const uint32_t bits = header.U16();

    uint32_t colors = directory[8];
    if (colors == 0) colors = bits == 1 ? 2 : bits == 4 ? 16 : bits == 8 ? 256 : 0;
    const int32_t width = directory[6];
    const int32_t height = directory[7];
    int32_t rowBytes = 0;
    switch (colors) {
        case 2: rowBytes = (width + 7) / 8; break;
        case 16: rowBytes = (width + 1) / 2; break;
        case 256: rowBytes = width; break;
        default: return RefuseIcon();
    }
    // The rows are laid out by the colour count and read by the bit count: the
    // two must agree or a reader of the record would run past its rows.
    if (colors != (1u << (bits < 9 ? bits : 0))) return RefuseIcon();

    const int32_t bytesPerLine = (rowBytes + 3) & ~3;
    const int32_t andBytes = (width + 7) / 8;
    const int32_t andPadding = ((andBytes + 3) & ~3) - andBytes;
    const uint32_t paletteBytes = colors * 4;

    if (!SeekTo(stream, offset + 22 + 40)) return RefuseIcon();
    const int64_t needed = static_cast<int64_t>(paletteBytes) +
                           int64_t{height} * (bytesPerLine + andBytes + andPadding);
    if (needed > BytesLeft(stream)) return RefuseIcon();

    const size_t keptPalette = loadPalette ? paletteBytes : 0;
    const size_t total =
        sizeof(GdlIcon) + static_cast<size_t>(andBytes + bytesPerLine) * height + keptPalette;
    auto* block = static_cast<uint8_t*>(GDL_malloc(total));
    if (!block) {
        GDL_setResult(GDL_NO_MEMORY);
        return nullptr;
    }
    auto* icon = reinterpret_cast<GdlIcon*>(block);
    icon->andBytesPerLine = andBytes;
    icon->andMask = block + sizeof(GdlIcon);
    uint8_t* after = icon->andMask + static_cast<size_t>(andBytes) * height;
    icon->image.width = width;
    icon->image.height = height;
    icon->image.bitsPerPixel = static_cast<int32_t>(bits);
    icon->image.bytesPerLine = bytesPerLine;
    icon->image.palette = loadPalette ? reinterpret_cast<GdlPaletteEntry*>(after) : nullptr;
    icon->image.surface = after + keptPalette;
    icon->image.pixelFormat = nullptr;

    bool ok = true;
    if (loadPalette)
        ok = ReadExact(stream, icon->image.palette, paletteBytes);
    else
        ok = GDL_fileHooks.seek(stream, static_cast<long>(paletteBytes), 1) == 0;

    // Both images are stored bottom-up.
    for (int32_t i = height - 1; ok && i >= 0; --i)
        ok = ReadExact(stream, icon->image.surface + static_cast<size_t>(i) * bytesPerLine,
                       static_cast<size_t>(bytesPerLine));
    for (int32_t i = height - 1; ok && i >= 0; --i) {
        uint8_t* row = icon->andMask + static_cast<size_t>(i) * andBytes;
        ok = ReadExact(stream, row, static_cast<size_t>(andBytes)) &&
             GDL_fileHooks.seek(stream, andPadding, 1) == 0;
        for (int32_t x = 0; x < andBytes; ++x)
            row[x] = static_cast<uint8_t>(~row[x]);
    }
    if (!ok) {
        GDL_free(block);
        return RefuseIcon();
    }
    return icon;
}

void* GDL_openIconFile(uint8_t directory[22], uint8_t imageHeader[40], const char* name) {
    void* stream = GDL_openFile(GDL_ICONS_FOLDER, name, "rb");
    if (!stream) {
        GDL_setResult(GDL_ICON_NOT_FOUND);
        return nullptr;
    }
    if (!GDL_checkIconHeader(directory, imageHeader, stream, 0)) {
        GDL_fileHooks.close(stream);
        return nullptr;
    }
    return stream;
}

GdlIcon* GDL_loadIcon(const char* name, int32_t loadPalette) {
    GDL_setResult(GDL_OK);
    uint8_t directory[22];
    uint8_t imageHeader[40];
    void* stream = GDL_openIconFile(directory, imageHeader, name);
    if (!stream) return nullptr;
    return CloseAndReturn(stream, GDL_readIcon(directory, imageHeader, stream, 0, loadPalette));
}

int32_t GDL_isIconFile(const char* name) {
    GDL_setResult(GDL_OK);
    uint8_t directory[22];
    uint8_t imageHeader[40];
    void* stream = GDL_openIconFile(directory, imageHeader, name);
    if (!stream) return 0;
    GDL_fileHooks.close(stream);
    return 1;
}

void GDL_freeIcon(GdlIcon* icon) {
    if (icon) GDL_free(icon);
}
