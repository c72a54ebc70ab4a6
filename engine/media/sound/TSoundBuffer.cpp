#include "media/sound/TSoundBuffer.h"

#include "media/sound/SoundMemory.h"

#include <algorithm>
#include <cstring>

TSoundBuffer::~TSoundBuffer() {
    SoundFree(data_);
}

bool TSoundBuffer::Alloc(int64_t length, uint32_t bits, uint32_t channels, uint32_t rate) {
    if (++references_ > 1) return true;
    channels &= 0xFFFF;
    if (length <= 0 || bits == 0 || channels == 0 || rate == 0 || data_) return false;
    if (bits != 8 && bits != 16) return false; // a processor renders only these
    length -= length % channels;
    if (length == 0) return false;
    data_ = static_cast<uint8_t*>(SoundAlloc(static_cast<size_t>(length) * (bits == 8 ? 1 : 2)));
    if (!data_) return false;
    length_ = length;
    bits_ = static_cast<uint16_t>(bits);
    channels_ = static_cast<uint16_t>(channels);
    rate_ = rate;
    read_ = write_ = 0;
    return true;
}

void TSoundBuffer::Release() {
    if (references_-- == 1) {
        SoundFree(data_);
        data_ = nullptr;
    }
    references_ = std::max(references_, 0);
}

int64_t TSoundBuffer::GetFreeSpace() const {
    if (!data_ || read_ > write_) return 0;
    const int64_t used = write_ - read_;
    return used <= length_ ? length_ - used : 0;
}

int64_t TSoundBuffer::Write(const void* source, int64_t count) {
    if (count <= 0 || !source || !data_ || write_ < read_ || write_ - read_ > length_) return 0;
    count = std::min(count, GetFreeSpace());
    const int bytes = BytesPerSample();
    const auto* from = static_cast<const uint8_t*>(source);
    int64_t left = count;
    while (left > 0) {
        const int64_t index = write_ % length_;
        const int64_t run = std::min(left, length_ - index);
        std::memcpy(data_ + index * bytes, from, static_cast<size_t>(run * bytes));
        from += run * bytes;
        write_ += run;
        left -= run;
    }
    return count;
}

bool TSoundBuffer::GetReadBlock(int64_t position, TSoundBlock* block) const {
    if (!data_ || !block || position < 0 || position >= write_) return false;
    const int64_t index = position % length_;
    const int64_t count = std::min(write_ - position, length_ - index);
    *block = TSoundBlock{channels_, rate_, bits_, count, data_ + index * BytesPerSample()};
    return true;
}

void TSoundBuffer::SetReadPosition(int64_t p) {
    read_ = p;
    write_ = std::max(write_, p);
    if (write_ - p > length_) write_ = p + length_;
}
