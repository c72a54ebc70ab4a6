// Video memory kept across the full-screen period in safe mode: written to a
// temporary file (TEMP, TMP, then c:\) through mode 101h before the mode set,
// and read back the same way on the way to text mode. A file shorter than
// video memory gives back what it holds and goes all the same.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "gdl/fsdirect.h"
#include "gdl/pixelformat.h"
#include "gdl/vbe.h"
#include "gdl/vga.h"
#include "platform/File.h"

namespace {

struct Saved {
    std::string file; // empty: none
    int32_t modeWord = 0;
};

Saved& saved() {
    static Saved s;
    return s;
}

constexpr uint32_t kHalf = 0x8000;

// Mode 101h over the memory, the palette black so nothing flickers.
bool enterCopyMode(int32_t modeWord, VbeModeInfo* info) {
    if (!VBE_setVideoMode(modeWord, nullptr) || !VBE_getModeInfo(0x101, info)) return false;
    GdlPaletteEntry black[256]{};
    if (info->modeAttributes & 0x20)
        VBE_setPalette(0, 256, black, false);
    else
        VGA_setPaletteDAC(black, 256, 0, 256, 0);
    return true;
}

// Calls `move` with each piece of video memory in order: the linear view
// whole, or each 64 KB bank through the window in two halves.
template <typename Move> void eachPiece(const VbeModeInfo& info, int32_t modeWord, Move move) {
    const uint64_t total = uint64_t(VBE_videoMemoryKB()) * 1024;
    if (modeWord & 0x4000) {
        auto* base = static_cast<uint8_t*>(VBE_getLinearPointer(&info));
        if (base) move(base, total);
        return;
    }
    auto* window = static_cast<uint8_t*>(PMI_mapPhysicalAddr(0xA0000, 0xFFFF));
    if (!window) return;
    int shift = 0;
    for (uint32_t g = info.winGranularity ? info.winGranularity : 64; g < 64; g <<= 1)
        ++shift;
    for (uint64_t bank = 0; bank * 0x10000 < total; ++bank) {
        VBE_setBank(0, int32_t(bank << shift));
        if (info.winAAttributes != 7) VBE_setBank(1, int32_t(bank << shift));
        if (!move(window, kHalf) || !move(window + kHalf, kHalf)) return;
    }
}

std::string folder() {
    for (const char* name : {"TEMP", "TMP"})
        if (const char* v = std::getenv(name); v && *v) return v;
    return "c:\\";
}

} // namespace

void VBE_saveVideoMemory(int32_t mode) {
    Saved& s = saved();
    const GdlFsDirect* f = GDL_fsDirect();
    if (!s.file.empty() || !f || !f->isSafeMode()) return;
    s.modeWord = 0x8101 | (mode & 0x4000);
    VbeModeInfo info{};
    if (!enterCopyMode(s.modeWord, &info)) return;
    const std::string name = platform::TempFileName(folder().c_str());
    FILE* out = name.empty() ? nullptr : platform::OpenFile(name.c_str(), "wb");
    if (!out) return;
    bool whole = true;
    eachPiece(info, s.modeWord, [&](const uint8_t* at, uint64_t n) {
        whole = std::fwrite(at, 1, size_t(n), out) == size_t(n);
        return whole;
    });
    if (std::fclose(out) != 0) whole = false;
    if (whole)
        s.file = name;
    else
        platform::RemoveFile(name.c_str());
}

void VBE_restoreVideoMemory() {
    Saved& s = saved();
    if (s.file.empty()) return;
    VbeModeInfo info{};
    FILE* in =
        enterCopyMode(s.modeWord, &info) ? platform::OpenFile(s.file.c_str(), "rb") : nullptr;
    if (in) {
        // What the file holds goes back; a short file stops there.
        eachPiece(info, s.modeWord, [&](uint8_t* at, uint64_t n) {
            return std::fread(at, 1, size_t(n), in) == size_t(n);
        });
        std::fclose(in);
    }
    platform::RemoveFile(s.file.c_str());
    s = Saved{};
}

const char* VBE_videoMemoryFile() {
    return saved().file.empty() ? nullptr : saved().file.c_str();
}
