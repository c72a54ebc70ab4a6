#include "media/sound/ImaAdpcm.h"

#include <algorithm>

namespace {

constexpr int8_t kIndexTable[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

constexpr int16_t kStepTable[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

} // namespace

int16_t ImaDecodeCode(TImaChannel& ch, uint32_t code) {
    const int32_t step = kStepTable[ch.index];
    int32_t diff = step >> 3;
    if (code & 4) diff += step;
    if (code & 2) diff += step >> 1;
    if (code & 1) diff += step >> 2;
    ch.sample = std::clamp(code & 8 ? ch.sample - diff : ch.sample + diff, -32768, 32767);
    ch.index = std::clamp(ch.index + kIndexTable[code & 15], 0, 88);
    return static_cast<int16_t>(ch.sample);
}

int64_t ImaFramesInBlock(size_t bytes, int channels) {
    if (channels < 1 || bytes < size_t(4) * channels) return 0;
    const size_t body = bytes - size_t(4) * channels;
    if (channels == 1) return 1 + static_cast<int64_t>(body) * 2;
    return 1 + static_cast<int64_t>(body / (size_t(4) * channels)) * 8;
}

int64_t ImaFramesInData(int64_t bytes, int64_t blockAlign, int channels) {
    if (bytes <= 0 || blockAlign <= 0) return 0;
    return bytes / blockAlign * ImaFramesInBlock(static_cast<size_t>(blockAlign), channels) +
           ImaFramesInBlock(static_cast<size_t>(bytes % blockAlign), channels);
}

int64_t ImaDecodeBlock(const uint8_t* block, size_t bytes, int channels, int16_t* out,
                       int64_t maxFrames) {
    const int64_t frames = std::min(ImaFramesInBlock(bytes, channels), maxFrames);
    if (frames <= 0) return 0;
    TImaChannel state[2];
    for (int c = 0; c < channels; ++c) {
        const uint8_t* h = block + 4 * c;
        state[c].sample = static_cast<int16_t>(h[0] | h[1] << 8);
        state[c].index = std::min<int32_t>(h[2], 88);
        out[c] = static_cast<int16_t>(state[c].sample);
    }
    const uint8_t* body = block + 4 * channels;
    // Code k of channel c: group k / 8 of that channel, nibble k % 8.
    for (int64_t k = 0; k + 1 < frames; ++k) {
        const int64_t group = k / 8, nibble = k % 8;
        for (int c = 0; c < channels; ++c) {
            const uint8_t byte = body[(group * channels + c) * 4 + nibble / 2];
            const uint32_t code = nibble & 1 ? byte >> 4 : byte & 15;
            out[(k + 1) * channels + c] = ImaDecodeCode(state[c], code);
        }
    }
    return frames;
}
