// A wave resource in the folder "Waves": a RIFF WAVE file ("wav") or a sound
// album ("sda"), chosen by extension. It answers the sound's format and
// length and streams any stretch of samples into a transfer buffer as PCM,
// decoding IMA ADPCM on the way.
#pragma once

#include "foundation/TResource.h"
#include "media/sound/TCustWav.h"
#include "media/sound/TSndAlbum.h"

#include <cstdint>

class TWave : public TResource {
public:
    enum Kind { kNone = 0, kAlbum = 1, kWav = 2 };

    TWave();
    explicit TWave(const char* name);
    ~TWave() override;

    uint32_t Update() override;
    int Open() override;
    int Close() override;
    int64_t GetLength();
    uint32_t GetRate();
    uint16_t GetChannels();
    uint16_t GetBits();
    // Fills the transfer buffer with `count` samples from `position` (taken
    // modulo the length: the sound repeats). False on a read or format error.
    bool Stream(int64_t position, int64_t count, int flag = 0);
    void* GetData() const { return transfer_; }
    void FreeTransfer();
    int GetKind() { return (Update(), kind_); }
    TSndAlbum& Album() { return album_; }

private:
    const TWaveInfo* OpenInfo();
    bool Usable(const TWaveInfo& info) const;
    bool Reserve(int64_t bytes);
    bool StreamPcm(const TWaveInfo& info, int64_t position, int64_t count);
    bool StreamAdpcm(const TWaveInfo& info, int64_t position, int64_t count);
    bool DecodeBlock(const TWaveInfo& info, int64_t block, int64_t* frames);
    TRiffFile& RiffPart();
    void ReadFailed(int32_t line);

    int kind_ = kNone;
    TCustWav wav_;
    TSndAlbum album_;
    uint8_t* transfer_ = nullptr;
    int64_t transferBytes_ = 0;
    int64_t lastPosition_ = -1;
    int64_t lastCount_ = 0;
    uint8_t* blockBytes_ = nullptr; // one ADPCM block, packed and decoded
    int64_t blockCapacity_ = 0;
    int64_t decodedBlock_ = -1;
    int32_t nesting_ = 0;
};
