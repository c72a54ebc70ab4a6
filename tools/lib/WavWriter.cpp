#include "WavWriter.h"

#include "platform/ByteStream.h"

#include <algorithm>

namespace tools {

namespace {

constexpr int kIndexTable[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};
constexpr int kStepTable[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

struct Encoder {
    int predicted = 0;
    int index = 0;

    // Picks the code nearest to `sample` and follows the decoder's update.
    uint8_t Encode(int sample) {
        const int step = kStepTable[index];
        int diff = sample - predicted;
        uint8_t code = 0;
        if (diff < 0) {
            code = 8;
            diff = -diff;
        }
        int delta = step >> 3;
        if (diff >= step) {
            code |= 4;
            diff -= step;
            delta += step;
        }
        if (diff >= step >> 1) {
            code |= 2;
            diff -= step >> 1;
            delta += step >> 1;
        }
        if (diff >= step >> 2) {
            code |= 1;
            delta += step >> 2;
        }
        predicted = std::clamp(code & 8 ? predicted - delta : predicted + delta, -32768, 32767);
        index = std::clamp(index + kIndexTable[code], 0, 88);
        return code;
    }
};

void Chunk(platform::ByteWriter& w, const char* id, const std::vector<uint8_t>& body) {
    w.Bytes(id, 4);
    w.U32(static_cast<uint32_t>(body.size()));
    w.Bytes(body.data(), body.size());
    if (body.size() & 1) w.U8(0);
}

std::vector<uint8_t> Riff(const std::vector<std::pair<const char*, std::vector<uint8_t>>>& chunks) {
    std::vector<uint8_t> bodyOut;
    platform::ByteWriter body(bodyOut);
    body.Bytes("WAVE", 4);
    for (const auto& [id, bytes] : chunks)
        Chunk(body, id, bytes);
    std::vector<uint8_t> wOut;
    platform::ByteWriter w(wOut);
    w.Bytes("RIFF", 4);
    w.U32(static_cast<uint32_t>(bodyOut.size()));
    w.Bytes(bodyOut.data(), bodyOut.size());
    return wOut;
}

std::vector<uint8_t> Format(uint16_t tag, uint16_t channels, uint32_t rate, uint32_t perSecond,
                            uint16_t align, uint16_t bits, bool extended) {
    std::vector<uint8_t> wOut;
    platform::ByteWriter w(wOut);
    w.U16(tag);
    w.U16(channels);
    w.U32(rate);
    w.U32(perSecond);
    w.U16(align);
    w.U16(bits);
    if (extended) {
        w.U16(2);
        w.U16(static_cast<uint16_t>((align / channels - 4) * 2 + 1));
    }
    return wOut;
}

} // namespace

std::vector<uint8_t> PcmWav(uint16_t channels, uint32_t rate, uint16_t bits,
                            const std::vector<uint8_t>& data) {
    const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    return Riff(
        {{"fmt ", Format(1, channels, rate, rate * align, align, bits, false)}, {"data", data}});
}

std::vector<uint8_t> PcmWav16(uint16_t channels, uint32_t rate,
                              const std::vector<int16_t>& samples) {
    std::vector<uint8_t> wOut;
    platform::ByteWriter w(wOut);
    for (int16_t s : samples)
        w.S16(s);
    return PcmWav(channels, rate, 16, wOut);
}

std::vector<uint8_t> ImaEncode(uint16_t channels, uint16_t blockAlign,
                               const std::vector<int16_t>& samples, uint32_t* frames) {
    const size_t c = channels, total = samples.size() / c;
    const size_t perChannel = blockAlign / c;
    const size_t perBlock = (perChannel - 4) * 2 + 1;
    Encoder enc[2];
    std::vector<uint8_t> wOut;
    platform::ByteWriter w(wOut);
    for (size_t first = 0; first < total; first += perBlock) {
        const size_t n = std::min(perBlock, total - first);
        for (size_t ch = 0; ch < c; ++ch) {
            enc[ch].predicted = samples[first * c + ch];
            w.S16(samples[first * c + ch]);
            w.U8(static_cast<uint8_t>(enc[ch].index));
            w.U8(0);
        }
        // Codes in groups of 8 per channel; a partial group is padded.
        for (size_t g = 1; g < n; g += 8)
            for (size_t ch = 0; ch < c; ++ch)
                for (size_t k = 0; k < 8; k += 2) {
                    uint8_t byte = 0;
                    for (size_t half = 0; half < 2; ++half) {
                        const size_t i = g + k + half;
                        const int s = i < n ? samples[(first + i) * c + ch] : enc[ch].predicted;
                        byte |= static_cast<uint8_t>(enc[ch].Encode(s) << (4 * half));
                    }
                    w.U8(byte);
                }
    }
    if (frames) *frames = static_cast<uint32_t>(total);
    return wOut;
}

std::vector<uint8_t> ImaWav(uint16_t channels, uint32_t rate, uint16_t blockAlign,
                            const std::vector<int16_t>& samples) {
    uint32_t frames = 0;
    std::vector<uint8_t> data = ImaEncode(channels, blockAlign, samples, &frames);
    std::vector<uint8_t> factOut;
    platform::ByteWriter fact(factOut);
    fact.U32(frames);
    const uint32_t perBlock = (blockAlign / channels - 4) * 2 + 1;
    return Riff(
        {{"fmt ", Format(17, channels, rate, rate * blockAlign / perBlock, blockAlign, 4, true)},
         {"fact", factOut},
         {"data", data}});
}

SdaSound SdaPcmSound(const std::vector<uint8_t>& bytes) {
    const auto n = static_cast<uint32_t>(bytes.size());
    return SdaSound{bytes, n, n};
}

SdaSound SdaImaSound(uint16_t channels, const std::vector<int16_t>& samples) {
    std::vector<uint8_t> packed =
        ImaEncode(channels, static_cast<uint16_t>(512 * channels), samples, nullptr);
    const auto n = static_cast<uint32_t>(packed.size());
    return SdaSound{packed, n, static_cast<uint32_t>(samples.size() / channels * channels * 2)};
}

std::vector<uint8_t> WriteSda(const SdaAlbum& album) {
    constexpr uint32_t kHeader = 255, kEntry = 64;
    std::vector<uint8_t> out(kHeader + kEntry * album.entries.size(), 0);
    auto put16 = [&](size_t at, uint16_t v) {
        out[at] = static_cast<uint8_t>(v);
        out[at + 1] = static_cast<uint8_t>(v >> 8);
    };
    auto put32 = [&](size_t at, uint32_t v) {
        put16(at, static_cast<uint16_t>(v));
        put16(at + 2, static_cast<uint16_t>(v >> 16));
    };
    put16(0, album.version);
    put16(16, album.formatTag);
    put16(18, album.channels);
    put32(20, album.rate);
    put16(30, album.bits);
    for (size_t e = 0; e < album.entries.size(); ++e) {
        const size_t table = out.size();
        put32(kHeader + e * kEntry + 6, static_cast<uint32_t>(table - kHeader));
        out.resize(table + 4 * album.entries[e].size(), 0);
        for (size_t s = 0; s < album.entries[e].size(); ++s) {
            const SdaSound& sound = album.entries[e][s];
            const size_t at = out.size();
            put32(table + 4 * s, static_cast<uint32_t>(at));
            out.resize(at + 8 + sound.data.size(), 0);
            put32(at, sound.first);
            put32(at + 4, sound.second);
            std::copy(sound.data.begin(), sound.data.end(), out.begin() + at + 8);
        }
    }
    return out;
}

} // namespace tools
