// Reading back what a window presented, and writing it out for inspection.
#include "../adapter/AdapterInternal.h"
#include "../window/UserState.h"
#include "HostBackend.h"
#include "platform/ByteStream.h"

#include <algorithm>
#include <cstdio>

namespace platform {
namespace {

bool WriteFile(const char* path, const std::vector<uint8_t>& bytes) {
    if (!path) return false;
    std::FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

uint32_t Crc32(const uint8_t* data, size_t size) {
    static uint32_t table[256];
    static bool ready = false;
    if (!ready) {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        ready = true;
    }
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i)
        c = table[(c ^ data[i]) & 0xff] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void Chunk(ByteWriter& w, const char* type, const std::vector<uint8_t>& data) {
    w.U32BE(static_cast<uint32_t>(data.size()));
    std::vector<uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    w.Bytes(typed.data(), typed.size());
    w.U32BE(Crc32(typed.data(), typed.size()));
}

} // namespace

Frame PresentedFrame(HWND window) {
    // A monitor shows video memory as it stands: the adapter's window first
    // takes what its scan-out shows now.
    adapter::RefreshScanOutWindow(window);
    if (IsHostThread()) user::FlushPresentation();
    Frame f;
    user::WindowPtr w = user::Find(window);
    if (!w) return f;
    std::lock_guard<std::recursive_mutex> lock(w->pixelLock);
    f.width = w->presentedWidth;
    f.height = w->presentedHeight;
    f.pixels = w->presented;
    return f;
}

bool WriteFrameBmp(const Frame& frame, const char* path) {
    if (frame.width <= 0 || frame.height <= 0) return false;
    uint32_t rowBytes = (static_cast<uint32_t>(frame.width) * 3 + 3) & ~3u;
    uint32_t imageBytes = rowBytes * static_cast<uint32_t>(frame.height);
    std::vector<uint8_t> bytes;
    ByteWriter w(bytes);
    w.Text("BM");
    w.U32(14 + 40 + imageBytes);
    w.U32(0);
    w.U32(14 + 40);
    w.U32(40);
    w.S32(frame.width);
    w.S32(frame.height); // bottom-up
    w.U16(1);
    w.U16(24);
    w.U32(0);
    w.U32(imageBytes);
    w.S32(2835);
    w.S32(2835);
    w.U32(0);
    w.U32(0);
    for (int y = frame.height - 1; y >= 0; --y) {
        for (int x = 0; x < frame.width; ++x) {
            uint32_t p = frame.pixels[static_cast<size_t>(y) * frame.width + x];
            w.U8(static_cast<uint8_t>(p));
            w.U8(static_cast<uint8_t>(p >> 8));
            w.U8(static_cast<uint8_t>(p >> 16));
        }
        w.Zeros(rowBytes - static_cast<uint32_t>(frame.width) * 3);
    }
    return WriteFile(path, bytes);
}

bool WriteFramePng(const Frame& frame, const char* path) {
    if (frame.width <= 0 || frame.height <= 0) return false;
    // Scan lines with filter 0, in a zlib stream of stored blocks.
    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(frame.height) * (frame.width * 3 + 1));
    for (int y = 0; y < frame.height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < frame.width; ++x) {
            uint32_t p = frame.pixels[static_cast<size_t>(y) * frame.width + x];
            raw.push_back(static_cast<uint8_t>(p >> 16));
            raw.push_back(static_cast<uint8_t>(p >> 8));
            raw.push_back(static_cast<uint8_t>(p));
        }
    }
    std::vector<uint8_t> z;
    ByteWriter zw(z);
    zw.U8(0x78);
    zw.U8(0x01);
    size_t pos = 0;
    do {
        size_t n = std::min<size_t>(raw.size() - pos, 65535);
        zw.U8(pos + n == raw.size() ? 1 : 0);
        zw.U16(static_cast<uint16_t>(n));
        zw.U16(static_cast<uint16_t>(~n));
        zw.Bytes(raw.data() + pos, n);
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    zw.U32BE((b << 16) | a);

    std::vector<uint8_t> bytes;
    ByteWriter w(bytes);
    const uint8_t signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    w.Bytes(signature, 8);
    std::vector<uint8_t> ihdr;
    ByteWriter hw(ihdr);
    hw.U32BE(static_cast<uint32_t>(frame.width));
    hw.U32BE(static_cast<uint32_t>(frame.height));
    hw.U8(8); // bits per channel
    hw.U8(2); // RGB
    hw.U8(0);
    hw.U8(0);
    hw.U8(0);
    Chunk(w, "IHDR", ihdr);
    Chunk(w, "IDAT", z);
    Chunk(w, "IEND", {});
    return WriteFile(path, bytes);
}

} // namespace platform
