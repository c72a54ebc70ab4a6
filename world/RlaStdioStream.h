// An RLA stream over a buffered file, opened through the platform's file
// names so that '\\' and any letter case in resource paths work.
#pragma once

#include "RlaStream.h"

#include <cstdio>

class RlaStdioStream : public RlaStream {
public:
    RlaStdioStream() = default;
    ~RlaStdioStream() override;
    RlaStdioStream(const RlaStdioStream&) = delete;
    RlaStdioStream& operator=(const RlaStdioStream&) = delete;

    // Closes an open file first; true when a file is open afterwards. A null
    // path opens nothing.
    bool Open(const char* path, const char* mode);
    bool IsOpen() const { return file_ != nullptr; }

    void Close() override;
    uint32_t Read(void* buffer, uint32_t count) override;
    uint32_t Write(const void* buffer, uint32_t count) override;
    int64_t Size() override;
    int64_t Tell() override;
    bool Seek(int64_t position) override;

private:
    FILE* file_ = nullptr;
};
