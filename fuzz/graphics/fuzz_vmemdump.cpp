// A saved video-memory file as vmemdump reads it: the first bytes choose the
// page (size, depth, pitch, offset) and a palette text, the rest is the file.
#include <cstdint>
#include <string>
#include <vector>

#include "VideoMemoryPage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 12) return 0;
    tools::VideoPageLayout l;
    l.width = int32_t(data[0] | (data[1] & 0x3F) << 8);
    l.height = int32_t(data[2] | (data[3] & 0x3F) << 8);
    static const int32_t kBits[] = {8, 15, 16, 24, 32, 4, 0};
    l.bits = kBits[data[4] % 7];
    l.pitch = int64_t(data[5] | data[6] << 8) - 2;
    l.offset = int64_t(data[7] | data[8] << 8 | data[9] << 16) - 16;
    const size_t paletteBytes = data[10] % 64;
    std::string error;
    std::vector<GdlPaletteEntry> palette;
    const size_t at = 11;
    const size_t take = paletteBytes < size - at ? paletteBytes : size - at;
    tools::ReadPaletteText(std::string(reinterpret_cast<const char*>(data + at), take), &palette,
                           &error);
    const std::vector<uint8_t> memory(data + at + take, data + size);
    tools::RgbPicture picture;
    if (tools::VideoMemoryPage(memory, l, palette, &picture, &error))
        (void)tools::WritePam(picture);
    return 0;
}
