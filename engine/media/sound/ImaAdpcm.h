// IMA ADPCM as stored in WAVE format 17: blocks that start with a 4-byte
// header per channel (first sample, step index, a reserved byte), then 4-bit
// codes, low nibble first; stereo interleaves 4-byte groups of each channel.
#pragma once

#include <cstddef>
#include <cstdint>

struct TImaChannel {
    int32_t sample = 0;
    int32_t index = 0;
};

// The published update: the new sample (and index) after one 4-bit code.
int16_t ImaDecodeCode(TImaChannel& channel, uint32_t code);

// Sample frames one block of `bytes` bytes holds (0 when it is too short for
// its headers). A full block of b bytes per channel holds (b - 4) x 2 + 1.
int64_t ImaFramesInBlock(size_t bytes, int channels);
// Sample frames `bytes` of data in blocks of `blockAlign` bytes hold, the last
// block perhaps cut short.
int64_t ImaFramesInData(int64_t bytes, int64_t blockAlign, int channels);

// Decodes one block into interleaved 16-bit samples (at most `maxFrames`
// frames); returns the frames decoded.
int64_t ImaDecodeBlock(const uint8_t* block, size_t bytes, int channels, int16_t* out,
                       int64_t maxFrames);
