#include "foundation/TFile.h"

#include "foundation/TError.h"
#include "platform/File.h"

#include <cerrno>
#include <cstdarg>
#include <string>

namespace {

const char kSource[] = "Source\\TFile";

const char* ModeString(uint32_t mode) {
    bool text = (mode & TFile::kText) != 0;
    if (mode & TFile::kAppend) return text ? "at" : "ab";
    if (mode & TFile::kWrite) return text ? "wt" : "wb";
    return text ? "rt" : "rb";
}

} // namespace

TFile::TFile() : fileName_("") {}

TFile::TFile(const char* name) : fileName_(name ? name : "") {}

TFile::~TFile() {
    Close();
}

void TFile::Report(int32_t code, const char* message, int32_t line) {
    TError::Raise(code, message, fileName_.c_str(), kSource, line);
}

void TFile::ReportRuntime(int32_t code, int errorNumber, int32_t line) {
    std::string text = platform::ErrorText(errorNumber);
    Report(code, text.c_str(), line);
}

int TFile::Open(uint32_t mode) {
    Update();
    if (fileName_ == "" || !fileName_.c_str()) {
        TError::Raise(3, "Missing file name.", nullptr, kSource, 58);
        return 0;
    }
    if (stream_) {
        Report(3, "File has already been opened.", 61);
        return 0;
    }
    position_ = positionEnd_ = 0;
    errno = 0;
    stream_ = platform::OpenFile(fileName_.c_str(), ModeString(mode));
    if (!stream_) {
        int e = errno;
        if (mode & kAppend)
            ReportRuntime(3, e, 77);
        else if (mode & kWrite)
            ReportRuntime(3, e, 86);
        else
            ReportRuntime(2, e, 95);
        return 0;
    }
    mode_ = mode;
    return 1;
}

int TFile::Close() {
    int result = 0;
    if (stream_) {
        errno = 0;
        result = std::fclose(stream_);
        stream_ = nullptr;
        if (result != 0) ReportRuntime(6, errno, 119);
    }
    EngineFree(buffer_);
    buffer_ = nullptr;
    position_ = positionEnd_ = 0;
    mode_ = 0;
    return result;
}

int32_t TFile::Read(void* destination, int32_t count) {
    if (!stream_) return Report(4, "File has not been opened.", 141), -1;
    if (mode_ & kWrite) return Report(4, "File has not been opened for reading.", 144), -1;
    if (!destination) return Report(4, "Missing destination memory.", 147), -1;
    if (count <= 0) return 0;
    errno = 0;
    size_t got = std::fread(destination, 1, static_cast<size_t>(count), stream_);
    if (std::ferror(stream_)) {
        int e = errno;
        // Clear the sticky indicator so the next transfer is judged on its own.
        std::clearerr(stream_);
        ReportRuntime(4, e, 155);
        return -1;
    }
    return static_cast<int32_t>(got);
}

int32_t TFile::Write(const void* source, int32_t count) {
    if (!stream_) return Report(5, "File has not been opened.", 170), -1;
    if (!(mode_ & (kWrite | kAppend)))
        return Report(5, "File has not been opened for writing.", 174), -1;
    if (!source) return Report(5, "Missing source data.", 177), -1;
    if (count <= 0) return 0;
    errno = 0;
    size_t put = std::fwrite(source, 1, static_cast<size_t>(count), stream_);
    if (std::ferror(stream_)) {
        int e = errno;
        std::clearerr(stream_);
        ReportRuntime(5, e, 186);
        return -1;
    }
    return static_cast<int32_t>(put);
}

int32_t TFile::Printf(const char* format, ...) {
    if (!stream_) return Report(5, "File has not been opened.", 307), -1;
    if (!(mode_ & (kWrite | kAppend)))
        return Report(5, "File has not been opened for writing.", 311), -1;
    if (!format) return Report(5, "Missing string format.", 315), -1;
    errno = 0;
    va_list args;
    va_start(args, format);
    int written = std::vfprintf(stream_, format, args);
    va_end(args);
    if (written < 0 || std::ferror(stream_)) {
        int e = errno;
        std::clearerr(stream_);
        ReportRuntime(5, e, 326);
        return -1;
    }
    return written;
}

int32_t TFile::Seek(int32_t offset, int origin) {
    if (!stream_) return 0;
    position_ = positionEnd_ = 0;
    return std::fseek(stream_, offset, origin);
}

int32_t TFile::GetSize() {
    bool openedHere = false;
    if (!stream_) {
        if (!Open(kRead)) return 0;
        openedHere = true;
    }
    long at = std::ftell(stream_);
    std::fseek(stream_, 0, SEEK_END);
    long size = std::ftell(stream_);
    std::fseek(stream_, at < 0 ? 0 : at, SEEK_SET);
    if (openedHere) Close();
    if (size < 0) return 0;
    return size > 0x7fffffff ? 0x7fffffff : static_cast<int32_t>(size);
}

int TFile::Exists() {
    Update();
    if (stream_) return 1;
    if (fileName_ == "" || !fileName_.c_str()) return 0;
    FILE* probe = platform::OpenFile(fileName_.c_str(), "rb");
    if (!probe) return 0;
    std::fclose(probe);
    return 1;
}
