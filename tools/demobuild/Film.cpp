// The intro film: a full-screen night on the coast, the lighthouse's beam
// sweeping over sky and sea while the title comes up, with a sound track.
// 8-bit frames packed run-length (RLE8, lossless: no decoder can change a
// pixel) and PCM sound, written through the platform's AVIFile writer.
#include "Builder.h"
#include "Canvas.h"
#include "platform/ByteStream.h"
#include "platform/Vfw.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace demo {

namespace {

constexpr int32_t kW = 800, kH = 600, kFrames = 65, kRate = 10, kAudioRate = 11025;
constexpr uint32_t kRle8 = 1; // BI_RLE8
constexpr int32_t kHorizon = 380;

// The palette's ranges: each a ramp of one kind of pixel.
enum : int32_t {
    kSky = 0,      // 48 rows' shades, top to horizon
    kSkyLit = 48,  // the same in the beam
    kSea = 96,     // 32 shades, horizon to bottom
    kSeaLit = 128, // the same where the moon glitters
    kCliff = 160,  // cliff, its edge
    kTower = 162,  // tower, its shade, stripe, gallery, lamp, roof
    kMoon = 168,
    kTitle = 176, // 32 steps from the night to the title's ink
    kStar = 208,  // 4 brightnesses
    kSkyLevels = 48,
    kSeaLevels = 32,
    kTitleLevels = 32,
};

Colour SkyShade(int32_t level) { // 0 top .. 47 horizon
    const Colour top{8, 10, 32}, dusk{60, 44, 88}, glow{190, 110, 90};
    return level < 32 ? Mix(top, dusk, level * 8) : Mix(dusk, glow, (level - 32) * 16);
}

Colour SeaShade(int32_t level) { // 0 horizon .. 31 bottom
    return Mix(Colour{50, 58, 100}, Colour{6, 12, 30}, level * 8);
}

std::vector<uint8_t> Palette() {
    std::vector<Colour> c(256, Colour{0, 0, 0});
    const Colour beam{250, 240, 190}, glitter{240, 220, 160};
    for (int32_t i = 0; i < kSkyLevels; ++i) {
        c[size_t(kSky + i)] = SkyShade(i);
        c[size_t(kSkyLit + i)] = Mix(SkyShade(i), beam, 80);
    }
    for (int32_t i = 0; i < kSeaLevels; ++i) {
        c[size_t(kSea + i)] = SeaShade(i);
        c[size_t(kSeaLit + i)] = Mix(SeaShade(i), glitter, 80 - i * 2);
    }
    const Colour fixed[] = {{18, 20, 26},  {44, 46, 56}, {215, 215, 205}, {140, 140, 140},
                            {170, 40, 40}, {30, 30, 34}, {255, 240, 170}, {70, 24, 24}};
    for (size_t i = 0; i < std::size(fixed); ++i)
        c[size_t(kCliff) + i] = fixed[i];
    c[kMoon] = Colour{240, 236, 214};
    for (int32_t i = 0; i < kTitleLevels; ++i)
        c[size_t(kTitle + i)] =
            Mix(SkyShade(2), Colour{250, 240, 200}, i * 256 / (kTitleLevels - 1));
    for (int32_t i = 0; i < 4; ++i)
        c[size_t(kStar + i)] = Mix(SkyShade(4), Colour{255, 255, 240}, 100 + i * 50);
    std::vector<uint8_t> p; // blue, green, red, 0
    for (const Colour& k : c)
        p.insert(p.end(), {k.b, k.g, k.r, 0});
    return p;
}

using Frame = std::vector<uint8_t>; // kW x kH indexes, top row first

void Row(Frame& f, int32_t y, int32_t x0, int32_t x1, int32_t index) {
    if (y < 0 || y >= kH) return;
    x0 = std::max(x0, 0);
    x1 = std::min(x1, kW);
    for (int32_t x = x0; x < x1; ++x)
        f[size_t(y * kW + x)] = uint8_t(index);
}

// The beam turns once in four seconds; seen from the side it reaches out
// left or right by the cosine of its turn and widens with the distance.
void Beam(Frame& f, int32_t n, int32_t lampX, int32_t lampY) {
    const int32_t cosine = Sine(uint32_t(n * 65536 / 40 + 16384));
    const int32_t reach = std::abs(cosine) * 760 / 32767;
    for (int32_t d = 0; d < reach; ++d) {
        const int32_t x = cosine < 0 ? lampX - d : lampX + d;
        const int32_t half = 6 + d * 70 / 760;
        for (int32_t y = lampY - half; y <= lampY + half && y < kHorizon; ++y)
            if (x >= 0 && x < kW && y >= 0) {
                uint8_t& p = f[size_t(y * kW + x)];
                if (p < kSkyLit) p = uint8_t(p + kSkyLit);
            }
    }
}

// The cliff at the right, the lighthouse on it.
void Coast(Frame& f) {
    for (int32_t x = 480; x < kW; ++x) {
        const int32_t top = x < 600 ? kHorizon + 20 - (x - 480) * 70 / 120 : 330;
        for (int32_t y = top; y < kH; ++y)
            f[size_t(y * kW + x)] = uint8_t(y < top + 3 ? kCliff + 1 : kCliff);
    }
    const int32_t cx = 640;
    for (int32_t y = 200; y < 332; ++y) {
        const int32_t half = 16 + (y - 200) * 10 / 132;
        const bool stripe = (y >= 236 && y < 256) || (y >= 286 && y < 306);
        Row(f, y, cx - half, cx + half - 6, stripe ? kTower + 2 : kTower);
        Row(f, y, cx + half - 6, cx + half, stripe ? kTower + 2 : kTower + 1);
    }
    for (int32_t y = 192; y < 200; ++y)
        Row(f, y, cx - 24, cx + 24, kTower + 3);
    for (int32_t y = 170; y < 192; ++y)
        Row(f, y, cx - 13, cx + 13, kTower + 4);
    for (int32_t y = 150; y < 170; ++y) {
        const int32_t half = (y - 150) * 18 / 20;
        Row(f, y, cx - half, cx + half, kTower + 5);
    }
}

void Title(Frame& f, const Canvas& mask, int32_t top, int32_t level) {
    if (level <= 0) return;
    const int32_t left = (kW - mask.Width()) / 2;
    for (int32_t y = 0; y < mask.Height(); ++y)
        for (int32_t x = 0; x < mask.Width(); ++x)
            if (mask.At(x, y).a) f[size_t((top + y) * kW + left + x)] = uint8_t(kTitle + level);
}

Canvas TextMask(const std::string& text, int32_t scale) {
    Canvas c(Canvas::TextWidth(text, scale), 7 * scale);
    c.Text(0, 0, text, scale, Colour{255, 255, 255});
    return c;
}

Frame Picture(int32_t n) {
    Frame f(size_t(kW * kH));
    for (int32_t y = 0; y < kHorizon; ++y)
        Row(f, y, 0, kW, kSky + y * (kSkyLevels - 1) / (kHorizon - 1));
    Rng stars(77);
    for (int32_t i = 0; i < 90; ++i) {
        const int32_t x = stars.Below(kW), y = stars.Below(kHorizon - 120);
        const int32_t glow = (int32_t(stars.Below(4)) + n / 3 + i) % 4;
        Row(f, y, x, x + 2, kStar + glow);
        Row(f, y + 1, x, x + 2, kStar + glow);
    }
    const int32_t moonX = 130, moonY = 215;
    for (int32_t dy = -26; dy <= 26; ++dy) {
        const int32_t half = ISqrt(26 * 26 - dy * dy);
        Row(f, moonY + dy, moonX - half, moonX + half + 1, kMoon);
    }
    for (int32_t y = kHorizon; y < kH; ++y) {
        const int32_t level = (y - kHorizon) * (kSeaLevels - 1) / (kH - kHorizon - 1);
        const int32_t glitter = 24 + (y - kHorizon) / 3;
        for (int32_t block = 0; block < kW / 16; ++block) {
            const int32_t x = block * 16;
            const int32_t wave = Sine(uint32_t(block * 5200 + y * 1700 + n * 2600));
            const int32_t shade = std::clamp(level - (wave > 16000 ? 5 : 0), 0, kSeaLevels - 1);
            const bool lit = wave > 0 && x + 16 > moonX - glitter && x < moonX + glitter;
            Row(f, y, x, x + 16, (lit ? kSeaLit : kSea) + shade);
        }
    }
    Beam(f, n, 640, 181);
    Coast(f);
    static const Canvas title = TextMask("KEEPER'S NIGHT", 7);
    static const Canvas subtitle = TextMask("A NIGHT ON THE COAST", 3);
    Title(f, title, 250 - 190, std::clamp((n - 8) * 2, 0, kTitleLevels - 1));
    Title(f, subtitle, 250 - 120, std::clamp((n - 24) * 2, 0, kTitleLevels - 1));
    return f;
}

// RLE8: runs of one index (count, index) from the bottom row up, each row
// ended by 0 0, the last by 0 1 (the end of the picture).
std::vector<uint8_t> Rle8(const Frame& f) {
    std::vector<uint8_t> out;
    for (int32_t y = kH - 1; y >= 0; --y) {
        const uint8_t* row = f.data() + size_t(y * kW);
        for (int32_t x = 0; x < kW;) {
            int32_t run = 1;
            while (x + run < kW && run < 255 && row[x + run] == row[x])
                ++run;
            out.push_back(uint8_t(run));
            out.push_back(row[x]);
            x += run;
        }
        out.push_back(0);
        out.push_back(y == 0 ? 1 : 0);
    }
    return out;
}

std::vector<uint8_t> VideoFormat() {
    std::vector<uint8_t> f;
    platform::ByteWriter w(f);
    w.U32(40);
    w.S32(kW);
    w.S32(kH);
    w.U16(1);
    w.U16(8);
    w.U32(kRle8);
    w.U32(0); // packed: each frame has its own size
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

// The sea's hush under a slow rising chord, the length of the film.
std::vector<uint8_t> Track() {
    std::vector<uint8_t> out;
    platform::ByteWriter w(out);
    const int32_t n = kAudioRate * kFrames / kRate;
    uint32_t a = 0, b = 0, c = 0;
    Rng rng(5);
    int32_t low = 0;
    for (int32_t i = 0; i < n; ++i) {
        a += uint32_t(220 * 65536 / kAudioRate + i / 900);
        b += uint32_t(330 * 65536 / kAudioRate + i / 900);
        c += uint32_t(440 * 65536 / kAudioRate + i / 700);
        const int64_t env = std::min<int64_t>(std::min<int64_t>(i, n - i) * 6 * 256 / n, 256);
        const int32_t swell = 24 + (Sine(uint32_t(int64_t(i) * 3 * 65536 / n)) + 32767) / 1600;
        low += (rng.Spread(20000) - low) * swell / 512;
        const int64_t chord = (int64_t(Sine(a)) + Sine(b) + Sine(c) / 2) / 5;
        w.S16(int16_t((chord + low / 3) * env / 256));
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
            std::vector<uint8_t> packed = Rle8(Picture(i));
            ok = AVIStreamWrite(video, i, 1, packed.data(), LONG(packed.size()), AVIIF_KEYFRAME,
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
