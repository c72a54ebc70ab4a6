// The pixel comparison every hardware back end is checked with: a page of
// the adapter's video memory against a memory context drawn the same way,
// row by row, and what the adapter shows against that context seen through
// the scan-out's own palette and layout. A mismatch writes both pictures as
// PNG files and names them.
#pragma once

#include "gdl/dc.h"
#include "platform/Adapter.h"
#include "platform/Host.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace testsupport {

// An 8-bit channel from a masked field, its high bits repeated into the low ones.
inline uint32_t WidenField(uint32_t value, uint32_t mask) {
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1))
        ++shift;
    int width = 0;
    while ((mask >> (shift + width)) & 1)
        ++width;
    const uint32_t v = (value & mask) >> shift;
    if (width >= 8) return (v >> (width - 8)) & 0xFF;
    uint32_t out = 0;
    for (int at = 8 - width; at > -width; at -= width)
        out |= at >= 0 ? v << at : v >> -at;
    return out & 0xFF;
}

// The memory context as the scan-out would show it.
inline platform::Frame SeenThrough(const platform::ScanOut& s, const GdlDeviceContext* memory) {
    platform::Frame f;
    f.width = int(memory->mode.maxX) + 1;
    f.height = int(memory->mode.maxY) + 1;
    const int bytes = s.bits / 8;
    for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x) {
            uint32_t v = 0;
            std::memcpy(&v,
                        memory->surface + size_t(y) * memory->mode.bytesPerLine + size_t(x) * bytes,
                        size_t(bytes));
            if (s.bits == 8) {
                const PALETTEENTRY& e = s.palette[v & 0xFF];
                f.pixels.push_back(uint32_t(e.peRed) << 16 | uint32_t(e.peGreen) << 8 | e.peBlue);
            } else {
                f.pixels.push_back(WidenField(v, s.masks[0]) << 16 |
                                   WidenField(v, s.masks[1]) << 8 | WidenField(v, s.masks[2]));
            }
        }
    return f;
}

inline ::testing::AssertionResult Mismatch(const std::string& what, int row,
                                           const platform::Frame& have, const platform::Frame& want,
                                           const std::string& stem) {
    const std::string a = stem + "-have.png", b = stem + "-want.png";
    platform::WriteFramePng(have, a.c_str());
    platform::WriteFramePng(want, b.c_str());
    return ::testing::AssertionFailure()
           << what << " differs from row " << row << "; see " << a << " and " << b;
}

// The page at `page` (rows `pitch` apart) equals the memory context's rows.
inline ::testing::AssertionResult PageMatches(const uint8_t* page, int pitch,
                                              const GdlDeviceContext* memory,
                                              const platform::ScanOut& layout,
                                              const std::string& stem) {
    const int rowBytes = (int(memory->mode.maxX) + 1) * ((layout.bits + 7) / 8);
    for (int y = 0; y <= int(memory->mode.maxY); ++y)
        if (std::memcmp(page + size_t(y) * size_t(pitch),
                        memory->surface + size_t(y) * memory->mode.bytesPerLine,
                        size_t(rowBytes)) != 0) {
            platform::ScanOut seen = layout;
            seen.pitch = pitch;
            platform::Frame have;
            GdlDeviceContext copy = *memory;
            copy.surface = const_cast<uint8_t*>(page);
            copy.mode.bytesPerLine = uint32_t(pitch);
            return Mismatch("video memory", y, SeenThrough(seen, &copy), SeenThrough(seen, memory),
                            stem);
        }
    return ::testing::AssertionSuccess();
}

// The screen's active page, as it lies in the adapter's video memory, equals
// the memory context's rows.
inline ::testing::AssertionResult ActivePageMatches(GdlDeviceContext* screen,
                                                    const GdlDeviceContext* memory,
                                                    const std::string& stem) {
    const GdlDeviceContext* live = GDL_liveDC(screen);
    const platform::VideoMemoryView video = platform::AdapterVideoMemory();
    return PageMatches(video.base + live->frameStart, int(live->mode.bytesPerLine), memory,
                       platform::AdapterScanOut(), stem);
}

// What the adapter shows equals the memory context through its palette and layout.
inline ::testing::AssertionResult ScanOutMatches(const GdlDeviceContext* memory,
                                                 const std::string& stem) {
    const platform::ScanOut s = platform::AdapterScanOut();
    const platform::Frame have = platform::AdapterScanOutFrame();
    const platform::Frame want = SeenThrough(s, memory);
    if (have.width != want.width || have.height != want.height)
        return ::testing::AssertionFailure()
               << "scan-out of " << have.width << " x " << have.height << ", context of "
               << want.width << " x " << want.height;
    for (int y = 0; y < have.height; ++y)
        if (std::memcmp(&have.pixels[size_t(y) * have.width], &want.pixels[size_t(y) * want.width],
                        size_t(have.width) * 4) != 0)
            return Mismatch("the scan-out", y, have, want, stem);
    return ::testing::AssertionSuccess();
}

} // namespace testsupport
