// A ring of source samples in a sound's own format, written by its owner and
// read by a sound processor. Positions are absolute sample counts; sample i
// lives at index i modulo the length. read <= write <= read + length.
#pragma once

#include "media/sound/SoundFormat.h"

#include <cstdint>

class TSoundBuffer {
public:
    TSoundBuffer() = default;
    ~TSoundBuffer();
    TSoundBuffer(const TSoundBuffer&) = delete;
    TSoundBuffer& operator=(const TSoundBuffer&) = delete;

    // Counts a reference first; only the first allocates.
    bool Alloc(int64_t length, uint32_t bits, uint32_t channels, uint32_t rate);
    void Release();
    int64_t GetFreeSpace() const;
    int64_t GetWritePosition() const { return write_; }
    int64_t GetReadPosition() const { return read_; }
    void SetPosition(int64_t p) { read_ = write_ = p; }
    int64_t Write(const void* source, int64_t count);
    bool GetReadBlock(int64_t position, TSoundBlock* block) const;
    void SetReadPosition(int64_t p);

    bool HasData() const { return data_ != nullptr; }
    int64_t GetLength() const { return length_; }
    uint32_t GetRate() const { return rate_; }
    uint16_t GetChannels() const { return channels_; }
    uint16_t GetBits() const { return bits_; }

private:
    int BytesPerSample() const { return bits_ == 8 ? 1 : 2; }

    uint8_t* data_ = nullptr;
    int64_t read_ = 0;
    int64_t write_ = 0;
    int32_t references_ = 0;
    int64_t length_ = 131072;
    uint32_t rate_ = 22050;
    uint16_t channels_ = 2;
    uint16_t bits_ = 16;
};
