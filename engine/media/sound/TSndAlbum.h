// A sound album ("sda"): several PCM or IMA ADPCM sounds in one file, picked
// by entry and sound number. The header is read again whenever the selection
// changed or the album was closed.
#pragma once

#include "media/sound/TCustWav.h"

#include <cstdint>

class TSndAlbum : public TRiffFile {
public:
    static constexpr int32_t kHeaderBytes = 255;
    static constexpr int32_t kEntryBytes = 64;
    static constexpr int32_t kVersion = 300;

    TSndAlbum();

    void SetEntry(int32_t entry);
    void SetSound(int32_t sound);
    int32_t GetEntry() const { return entry_; }
    int32_t GetSound() const { return sound_; }
    int Open() override;
    int Close() override;
    int64_t GetLength();
    uint32_t GetRate();
    uint16_t GetChannels();
    uint16_t GetBits();
    const TWaveInfo& Info() const { return info_; }

private:
    template <class T> T Query(T TWaveInfo::*field);
    // Reads the header of the selected sound; false when a read comes short.
    bool ReadHeader();
    bool ReadSound(int32_t tableBase, uint32_t tableOffset);
    // Reports error 53 and leaves no sound selected; false.
    bool Outside(int32_t line);

    int32_t sound_ = 0;
    int32_t entry_ = 0;
    int32_t openCount_ = 0;
    bool stale_ = true;
    TWaveInfo info_;
    int64_t secondValue_ = 0;
};
