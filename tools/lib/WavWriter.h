// Writes the engine's sound files: canonical PCM WAVE files, IMA ADPCM WAVE
// files (format 17, any block align, with a "fact" chunk) and sound albums of
// version 300.
#pragma once

#include <cstdint>
#include <vector>

namespace tools {

// A RIFF WAVE file with "fmt " (16 bytes) and "data"; 8-bit data is unsigned,
// 16-bit little-endian.
std::vector<uint8_t> PcmWav(uint16_t channels, uint32_t rate, uint16_t bits,
                            const std::vector<uint8_t>& data);
std::vector<uint8_t> PcmWav16(uint16_t channels, uint32_t rate,
                              const std::vector<int16_t>& samples);

// IMA ADPCM blocks of `blockAlign` bytes (all channels) for interleaved
// samples; the last block holds only what is left. `frames` gets the frame
// count a "fact" chunk states.
std::vector<uint8_t> ImaEncode(uint16_t channels, uint16_t blockAlign,
                               const std::vector<int16_t>& samples, uint32_t* frames);
// A WAVE file of format 17: "fmt " of 20 bytes, "fact", "data".
std::vector<uint8_t> ImaWav(uint16_t channels, uint32_t rate, uint16_t blockAlign,
                            const std::vector<int16_t>& samples);

// One sound of an album: its bytes and the two values in front of them
// (PCM: the byte count twice; ADPCM: packed, then decoded bytes).
struct SdaSound {
    std::vector<uint8_t> data;
    uint32_t first = 0;
    uint32_t second = 0;
};
SdaSound SdaPcmSound(const std::vector<uint8_t>& bytes);
// ADPCM in the albums' 512-byte blocks per channel.
SdaSound SdaImaSound(uint16_t channels, const std::vector<int16_t>& samples);

struct SdaAlbum {
    uint16_t version = 300;
    uint16_t formatTag = 1;
    uint16_t channels = 1;
    uint32_t rate = 22050;
    uint16_t bits = 16;
    std::vector<std::vector<SdaSound>> entries;
};
std::vector<uint8_t> WriteSda(const SdaAlbum& album);

} // namespace tools
