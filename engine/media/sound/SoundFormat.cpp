#include "media/sound/SoundFormat.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

constexpr TSoundFormat kFormats[] = {
    {2, 22050, 16, 128, 1},
    {1, 22050, 16, 64, 2},
    {1, 22050, 8, 16, 4},
    {1, 11025, 8, 1, 8},
};

inline int16_t Clamp16(int64_t v) {
    return static_cast<int16_t>(std::clamp<int64_t>(v, -32768, 32767));
}

inline uint8_t Clamp8(int64_t v) {
    return static_cast<uint8_t>(std::clamp<int64_t>(v, -128, 127) ^ 0x80);
}

// Device samples are little-endian; on a little-endian host a plain store,
// which lets the conversion loops vectorise.
inline void Put16(uint8_t* out, int16_t v) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, &v, 2);
    } else {
        const auto u = static_cast<uint16_t>(v);
        out[0] = static_cast<uint8_t>(u);
        out[1] = static_cast<uint8_t>(u >> 8);
    }
}

} // namespace

const TSoundFormat& ChooseSoundFormat(uint32_t formats) {
    if (formats & 0x80) return kFormats[0];
    if (formats & 0x40) return kFormats[1];
    if (formats & 0x10) return kFormats[2];
    return kFormats[3];
}

WAVEFORMATEX PcmFormat(const TSoundFormat& f) {
    const WORD align = static_cast<WORD>(f.bits / 8 * f.channels);
    return WAVEFORMATEX{WAVE_FORMAT_PCM, f.channels, f.rate, align * f.rate, align, f.bits, 0};
}

size_t ConvertMix(int32_t code, const int32_t* acc, size_t count, uint8_t* out) {
    switch (code) {
        case 128:
            for (size_t i = 0; i < count; ++i)
                Put16(out + 2 * i, Clamp16(acc[i]));
            return count * 2;
        case 64:
            count /= 2;
            for (size_t f = 0; f < count; ++f)
                Put16(out + 2 * f, Clamp16((int64_t{acc[2 * f]} + acc[2 * f + 1]) >> 1));
            return count * 2;
        case 16:
            count /= 2;
            for (size_t f = 0; f < count; ++f)
                out[f] = Clamp8((int64_t{acc[2 * f]} + acc[2 * f + 1]) >> 9);
            return count;
        default: // 1: one byte from the first frame of every two
            count /= 4;
            for (size_t p = 0; p < count; ++p)
                out[p] = Clamp8((int64_t{acc[4 * p]} + acc[4 * p + 1]) >> 10);
            return count;
    }
}
