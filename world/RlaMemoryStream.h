// An RLA stream over bytes in memory (tests, fuzzing, tools that build a
// container before writing it out). Writing past the end extends the bytes.
#pragma once

#include "RlaStream.h"

#include <cstdint>
#include <vector>

class RlaMemoryStream : public RlaStream {
public:
    RlaMemoryStream() = default;
    explicit RlaMemoryStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    RlaMemoryStream(const void* data, size_t size);

    const std::vector<uint8_t>& Bytes() const { return bytes_; }

    void Close() override;
    uint32_t Read(void* buffer, uint32_t count) override;
    uint32_t Write(const void* buffer, uint32_t count) override;
    int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }
    int64_t Tell() override { return static_cast<int64_t>(position_); }
    bool Seek(int64_t position) override;

private:
    std::vector<uint8_t> bytes_;
    size_t position_ = 0;
};
