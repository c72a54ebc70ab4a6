// A RIFF WAVE file: PCM (8 or 16 bits, any channels) or IMA ADPCM (4 bits,
// one or two channels). Its header is parsed at the first open; lengths and
// positions count samples over all channels (ADPCM: decoded 16-bit samples).
#pragma once

#include "media/sound/TRiffFile.h"

#include <cstdint>

// What a wave or album part knows of one sound's data.
struct TWaveInfo {
    int64_t length = 0; // samples
    uint32_t rate = 0;
    uint16_t channels = 0;
    uint16_t bits = 0;      // of the decoded samples: 16 for ADPCM
    uint16_t adpcmBits = 0; // 4 for ADPCM
    uint16_t formatTag = 0; // 1 PCM, 17 IMA ADPCM
    int64_t dataOffset = 0; // 0: not parsed
    int64_t dataBytes = 0;
    int32_t blockAlign = 0; // ADPCM bytes per block, all channels
};

class TCustWav : public TRiffFile {
public:
    static constexpr uint16_t kPcm = 1;
    static constexpr uint16_t kImaAdpcm = 17;

    TCustWav();
    explicit TCustWav(const char* name);

    int Open() override;
    int Close() override;
    int64_t GetLength();
    uint32_t GetRate();
    uint16_t GetChannels();
    uint16_t GetBits();
    const TWaveInfo& Info() const { return info_; }
    // Only while open: the data start, or 0 when the file is refused.
    int64_t ParseHeader();

private:
    template <class T> T Query(T TWaveInfo::*field);
    bool ReadFormat(const Chunk& fmt, uint32_t* factFrames, const Chunk& fact);
    bool CheckFormat(uint32_t factFrames);
    void KeepDataInFile();
    void Fail(const char* message, int32_t line);

    TWaveInfo info_;
    int32_t openCount_ = 0;
};
