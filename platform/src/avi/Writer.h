// A file being written: our own RIFF writer. Chunks go straight to the file
// after room kept for the headers; the headers, sizes and idx1 are written
// when the file is released, so a stream may be created after another
// stream's data.
#pragma once

#include "AviInternal.h"

namespace platform::avi {

class WriteFile;

class WriteStream : public FileStream {
public:
    WriteStream(WriteFile* file, int number, const AVISTREAMINFOA& given);

    HRESULT Read(LONG, LONG, void*, LONG, LONG*, LONG*) override { return AVIERR_UNSUPPORTED; }
    bool IsKey(LONG) override { return false; }
    HRESULT SetFormat(LONG pos, const void* format, LONG size) override;
    HRESULT Write(LONG start, LONG samples, const void* buffer, LONG size, DWORD flags,
                  LONG* samplesWritten, LONG* bytesWritten) override;

    DWORD largest = 0;
    uint64_t bytes = 0;

private:
    uint16_t ChunkKind() const;
    WriteFile* writer_;
    int number_;
};

class WriteFile : public AviFileObject {
public:
    WriteFile(FILE* file, std::string path) : file_(file), path_(std::move(path)) {}
    ~WriteFile() override;

    bool Begin();
    void Info(AVIFILEINFOA& out) override;
    HRESULT GetStream(PAVISTREAM* stream, DWORD type, LONG index) override;
    HRESULT CreateStream(PAVISTREAM* stream, const AVISTREAMINFOA& info) override;
    // Appends one chunk of stream `number` ("db", "dc", "wb" in `kind`).
    HRESULT Append(int number, uint16_t kind, const void* data, uint32_t size, DWORD flags);
    // Headers, sizes and index; false when the file could not be completed.
    bool Finish();

private:
    struct Entry {
        uint32_t ckid, flags, offset, size;
    };
    std::vector<uint8_t> Headers() const;
    bool PlaceHeaders(const std::vector<uint8_t>& headers);
    bool WriteAt(uint64_t at, const void* data, size_t size);
    void ReportIncomplete() const;

    FILE* file_;
    std::string path_;
    std::vector<std::unique_ptr<WriteStream>> streams_;
    std::vector<Entry> index_;
    uint64_t moviList_ = 0; // position of the movi "LIST"
    uint64_t end_ = 0;      // end of the chunks written so far
    bool finished_ = false;
};

} // namespace platform::avi
