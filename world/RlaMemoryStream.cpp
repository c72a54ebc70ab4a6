#include "RlaMemoryStream.h"

#include <cstring>

RlaMemoryStream::RlaMemoryStream(const void* data, size_t size)
    : bytes_(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size) {}

void RlaMemoryStream::Close() {
    position_ = 0;
}

uint32_t RlaMemoryStream::Read(void* buffer, uint32_t count) {
    if (count == 0 || position_ > bytes_.size() || count > bytes_.size() - position_) return 0;
    std::memcpy(buffer, bytes_.data() + position_, count);
    position_ += count;
    return count;
}

uint32_t RlaMemoryStream::Write(const void* buffer, uint32_t count) {
    if (count == 0) return 0;
    if (position_ + count > bytes_.size()) bytes_.resize(position_ + count);
    std::memcpy(bytes_.data() + position_, buffer, count);
    position_ += count;
    return count;
}

bool RlaMemoryStream::Seek(int64_t position) {
    if (position < 0 || static_cast<uint64_t>(position) > bytes_.size()) return false;
    position_ = static_cast<size_t>(position);
    return true;
}
