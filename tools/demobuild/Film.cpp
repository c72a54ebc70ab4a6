// The intro film: 8-bit frames stored uncompressed (so no decoder can change
// a pixel) and a PCM sound track, written through the platform's AVIFile
// writer.
#include "Builder.h"
#include "Canvas.h"
#include "platform/ByteStream.h"
#include "platform/Vfw.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace demo {

namespace {

constexpr int32_t kW = 160, kH = 120, kFrames = 20, kRate = 10, kAudioRate = 11025;

// A sunrise over the sea: a fixed palette of 256 blues, yellows and greys.
uint8_t Pixel(int32_t frame, int32_t x, int32_t y) {
    const int32_t horizon = 80;
    const int32_t sunY = 100 - frame * 3, dx = x - 80, dy = y - sunY;
    if (y < horizon && dx * dx + dy * dy < 144) return 200 + uint8_t(frame);
    if (y < horizon) return uint8_t(y * 100 / horizon + frame * 2);
    const int32_t wave = Sine(uint32_t(x * 2000 + frame * 6000)) / 8192;
    return uint8_t(128 + ((y - horizon + wave) & 31) + (dx * dx < (y - horizon) * 20 ? 32 : 0));
}

std::vector<uint8_t> Palette() {
    std::vector<uint8_t> p; // blue, green, red, 0
    for (int32_t i = 0; i < 256; ++i) {
        Colour c;
        if (i < 128)
            c = Mix(Colour{20, 20, 60}, Colour{240, 150, 90}, i * 2);
        else if (i < 200)
            c = Mix(Colour{10, 40, 90}, Colour{200, 170, 120}, (i - 128) * 3);
        else
            c = Mix(Colour{255, 220, 120}, Colour{255, 255, 220}, (i - 200) * 4);
        p.insert(p.end(), {c.b, c.g, c.r, 0});
    }
    return p;
}

std::vector<uint8_t> VideoFormat() {
    std::vector<uint8_t> f;
    platform::ByteWriter w(f);
    w.U32(40);
    w.S32(kW);
    w.S32(kH);
    w.U16(1);
    w.U16(8);
    w.U32(0); // BI_RGB
    w.U32(uint32_t(kW * kH));
    w.Zeros(8);
    w.U32(256);
    w.U32(0);
    const std::vector<uint8_t> p = Palette();
    w.Bytes(p.data(), p.size());
    return f;
}

std::vector<uint8_t> AudioFormat() {
    std::vector<uint8_t> f;
    platform::ByteWriter w(f);
    w.U16(1);
    w.U16(1);
    w.U32(kAudioRate);
    w.U32(kAudioRate * 2);
    w.U16(2);
    w.U16(16);
    w.U16(0);
    return f;
}

// Rows bottom-up, as an upright DIB stores them.
std::vector<uint8_t> Frame(int32_t n) {
    std::vector<uint8_t> rows(size_t(kW * kH));
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x)
            rows[size_t((kH - 1 - y) * kW + x)] = Pixel(n, x, y);
    return rows;
}

// A rising chord, the length of the film.
std::vector<uint8_t> Track() {
    std::vector<uint8_t> out;
    platform::ByteWriter w(out);
    const int32_t n = kAudioRate * kFrames / kRate;
    uint32_t a = 0, b = 0;
    for (int32_t i = 0; i < n; ++i) {
        a += uint32_t(220 * 65536 / kAudioRate + i / 400);
        b += uint32_t(330 * 65536 / kAudioRate + i / 400);
        const int64_t env = std::min<int64_t>(i, n - i) * 4 * 256 / n;
        w.S16(int16_t((Sine(a) + Sine(b)) / 4 * std::min<int64_t>(env, 256) / 256));
    }
    return out;
}

bool Write(const std::string& path) {
    AVIFileInit();
    PAVIFILE file = nullptr;
    bool ok = AVIFileOpenA(&file, path.c_str(), OF_CREATE | OF_WRITE, nullptr) == AVIERR_OK;
    PAVISTREAM video = nullptr, audio = nullptr;
    if (ok) {
        AVISTREAMINFOA v{};
        v.fccType = streamtypeVIDEO;
        v.dwScale = 1;
        v.dwRate = kRate;
        v.rcFrame = {0, 0, kW, kH};
        std::vector<uint8_t> format = VideoFormat();
        ok = AVIFileCreateStreamA(file, &video, &v) == AVIERR_OK &&
             AVIStreamSetFormat(video, 0, format.data(), LONG(format.size())) == AVIERR_OK;
        for (int32_t i = 0; ok && i < kFrames; ++i) {
            std::vector<uint8_t> rows = Frame(i);
            ok = AVIStreamWrite(video, i, 1, rows.data(), LONG(rows.size()), AVIIF_KEYFRAME,
                                nullptr, nullptr) == AVIERR_OK;
        }
    }
    if (ok) {
        AVISTREAMINFOA s{};
        s.fccType = streamtypeAUDIO;
        s.dwScale = 1;
        s.dwRate = kAudioRate;
        s.dwSampleSize = 2;
        std::vector<uint8_t> format = AudioFormat(), track = Track();
        ok = AVIFileCreateStreamA(file, &audio, &s) == AVIERR_OK &&
             AVIStreamSetFormat(audio, 0, format.data(), LONG(format.size())) == AVIERR_OK &&
             AVIStreamWrite(audio, 0, LONG(track.size() / 2), track.data(), LONG(track.size()), 0,
                            nullptr, nullptr) == AVIERR_OK;
    }
    if (audio) AVIStreamRelease(audio);
    if (video) AVIStreamRelease(video);
    if (file) AVIFileRelease(file);
    AVIFileExit();
    return ok;
}

} // namespace

bool GenerateFilm(Builder& b, const Asset& a) {
    const std::string path = b.OutPath(a.path);
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    if (!Write(path)) return b.Fail(a, "the AVI writer refused the film");
    // Read back, so the tree's list holds it like every other file.
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    return !bytes.empty() ? b.Emit(a, bytes) : b.Fail(a, "the film is empty");
}

} // namespace demo
