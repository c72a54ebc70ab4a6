// Palette files from arbitrary bytes, found by name through a resource index
// as the game finds them: loaded twice, released twice.
#include "../foundation/FuzzFile.h"
#include "foundation/TCache.h"
#include "foundation/TError.h"
#include "foundation/TFileCtl.h"
#include "media/resources/TPalette.h"
#include "ui/TEngine.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// A resource index beside the fuzz file whose key "pal" names it.
void WriteIndex(const std::string& file) {
    std::filesystem::path path(file);
    std::string index = (path.parent_path() / (path.stem().string() + ".ini")).string();
    std::ofstream(index, std::ios::binary | std::ios::trunc)
        << "[Main]\r\nPath=.\r\n[Palette]\r\npal=" << path.filename().string() << "\r\n";
    TFileCtl::SetRootPath(path.parent_path().string().c_str());
    TFileCtl::SetProfile(index.c_str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TEngine engine; // every input starts from a fresh engine
    // An odd first byte pads the file to a full palette and a little more, so
    // that short runs reach the table too.
    std::vector<uint8_t> bytes(data, data + size);
    if (size > 0 && (data[0] & 1)) bytes.resize(std::max<size_t>(size, 768 + data[0] / 64));
    const char* path = WriteFuzzFile(".pal", bytes.data(), bytes.size());
    static bool indexed = [path] {
        WriteIndex(path);
        return true;
    }();
    (void)indexed;
    // The file's bytes come through the handle cache: a fresh one per input,
    // so that no entry of the last input's file stands for this one.
    TCache::Global().Start();
    TPalette palette("pal");
    if (palette.Load() && palette.Load()) {
        const GdlPaletteEntry* table = palette.GetEntries();
        volatile uint32_t sum = 0;
        for (int i = 0; i < 256; ++i)
            sum = sum + table[i].red + table[i].green + table[i].blue + table[i].reserved;
    }
    palette.Release();
    palette.Release();
    TCache::Global().Stop();
    return 0;
}
