// Fuzzes whole AVI files: open, every stream's information and format, the
// first frames decoded in three layouts, and the sound read.
#include "platform/Vfw.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr LONG kFramesTried = 12;
// Frames larger than this are skipped here only to stay within the
// fuzzer's memory limit; the layer itself takes up to 32767 x 32767.
constexpr int64_t kMaxPixels = 1 << 20;

void Decode(PAVISTREAM stream, const std::vector<uint8_t>& format) {
    if (format.size() < 12) return;
    int32_t width, height;
    std::memcpy(&width, &format[4], 4);
    std::memcpy(&height, &format[8], 4);
    if (int64_t(width) * (height < 0 ? -int64_t(height) : height) > kMaxPixels) return;
    BITMAPINFOHEADER rgb24 = {40, width, height < 0 ? height : -height, 1, 24, BI_RGB, 0, 0, 0,
                              0,  0};
    // The 5:6:5 layout the display asks for: the header, then its three masks.
    struct {
        BITMAPINFOHEADER header;
        uint32_t masks[3];
    } rgb565 = {{40, width, rgb24.biHeight, 1, 16, BI_BITFIELDS, 0, 0, 0, 0, 0},
                {0xF800, 0x07E0, 0x001F}};
    for (BITMAPINFOHEADER* wanted :
         {static_cast<BITMAPINFOHEADER*>(nullptr), &rgb24, &rgb565.header}) {
        PGETFRAME getter = AVIStreamGetFrameOpen(stream, wanted);
        if (!getter) continue;
        const LONG start = AVIStreamStart(stream);
        for (LONG i = 0; i < kFramesTried; ++i)
            AVIStreamGetFrame(getter, start + (i * 7) % kFramesTried);
        AVIStreamGetFrameClose(getter);
    }
}

void Read(PAVISTREAM stream) {
    std::vector<uint8_t> buffer(1 << 16);
    const LONG start = AVIStreamStart(stream);
    for (LONG i = 0; i < 4; ++i) {
        LONG bytes = 0, samples = 0;
        AVIStreamRead(stream, start + i * 100, 100, buffer.data(), LONG(buffer.size()), &bytes,
                      &samples);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/fuzz_avi_" + std::to_string(getpid()) + ".avi";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    PAVIFILE file = nullptr;
    if (AVIFileOpenA(&file, path.c_str(), OF_READ, nullptr) == AVIERR_OK) {
        AVIFILEINFOA info;
        AVIFileInfoA(file, &info, sizeof info);
        PAVISTREAM stream = nullptr;
        for (LONG n = 0; n < 10 && AVIFileGetStream(file, &stream, 0, n) == AVIERR_OK; ++n) {
            AVISTREAMINFOA si;
            AVIStreamInfoA(stream, &si, sizeof si);
            LONG formatSize = 0;
            AVIStreamReadFormat(stream, 0, nullptr, &formatSize);
            std::vector<uint8_t> format(static_cast<size_t>(formatSize));
            AVIStreamReadFormat(stream, 0, format.data(), &formatSize);
            if (si.fccType == streamtypeVIDEO) Decode(stream, format);
            Read(stream);
            AVIStreamRelease(stream);
        }
        AVIFileRelease(file);
    }
    std::remove(path.c_str());
    return 0;
}
