#include "RlaStdioStream.h"

#include "platform/File.h"

RlaStdioStream::~RlaStdioStream() {
    Close();
}

bool RlaStdioStream::Open(const char* path, const char* mode) {
    Close();
    if (path && mode) file_ = platform::OpenFile(path, mode);
    return file_ != nullptr;
}

void RlaStdioStream::Close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

uint32_t RlaStdioStream::Read(void* buffer, uint32_t count) {
    if (!file_ || count == 0) return 0;
    return std::fread(buffer, count, 1, file_) == 1 ? count : 0;
}

uint32_t RlaStdioStream::Write(const void* buffer, uint32_t count) {
    if (!file_ || count == 0) return 0;
    return std::fwrite(buffer, count, 1, file_) == 1 ? count : 0;
}

int64_t RlaStdioStream::Size() {
    if (!file_) return -1;
    const long here = std::ftell(file_);
    if (here < 0 || std::fseek(file_, 0, SEEK_END) != 0) return -1;
    const long size = std::ftell(file_);
    std::fseek(file_, here, SEEK_SET);
    return size;
}

int64_t RlaStdioStream::Tell() {
    return file_ ? std::ftell(file_) : -1;
}

bool RlaStdioStream::Seek(int64_t position) {
    return file_ && position >= 0 && std::fseek(file_, static_cast<long>(position), SEEK_SET) == 0;
}
