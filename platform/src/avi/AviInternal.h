// The objects behind the AVIFile handles: files being read or written,
// their streams, compressed streams and the byte sources they read from.
#pragma once

#include "platform/Vfw.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace platform::avi {

constexpr DWORD kTypeVideo = streamtypeVIDEO;
constexpr DWORD kTypeAudio = streamtypeAUDIO;
constexpr WORD kWavePcm = 1;

// Random access to the bytes of a file (or of memory, for fuzzing).
class Source {
public:
    virtual ~Source() = default;
    virtual uint64_t Size() const = 0;
    virtual bool ReadAt(uint64_t offset, void* out, size_t count) = 0;
};

class FileSource : public Source {
public:
    explicit FileSource(FILE* file);
    ~FileSource() override;
    uint64_t Size() const override { return size_; }
    bool ReadAt(uint64_t offset, void* out, size_t count) override;

private:
    FILE* file_;
    uint64_t size_ = 0;
};

class MemorySource : public Source {
public:
    MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint64_t Size() const override { return size_; }
    bool ReadAt(uint64_t offset, void* out, size_t count) override;

private:
    const uint8_t* data_;
    size_t size_;
};

// One stored chunk of a stream: where its data starts, its size, its index flags.
struct Chunk {
    uint64_t offset = 0;
    uint32_t size = 0;
    uint32_t flags = 0;
};

struct StreamHeaders {
    AVISTREAMINFOA info = {};
    std::vector<uint8_t> format;
    std::vector<Chunk> chunks;
    bool truncated = false; // the index names chunks past the end of the file
};

struct FileHeaders {
    DWORD microSecPerFrame = 0;
    DWORD maxBytesPerSec = 0;
    DWORD flags = 0;
    DWORD totalFrames = 0;
    DWORD streams = 0;
    DWORD suggestedBufferSize = 0;
    DWORD width = 0;
    DWORD height = 0;
    std::vector<StreamHeaders> list;
};

// Reads the RIFF headers and the chunk index (idx1, or a walk through the
// movi list when there is none). AVIERR_OK, AVIERR_FILEREAD (cut short in the
// headers) or AVIERR_BADFORMAT.
HRESULT ReadHeaders(Source& source, FileHeaders& out);

// Little helpers for format blocks.
inline uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    if (at + 4 > b.size()) return 0;
    return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) |
           (uint32_t(b[at + 3]) << 24);
}
inline uint16_t Le16(const std::vector<uint8_t>& b, size_t at) {
    if (at + 2 > b.size()) return 0;
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}
inline void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

// Handlers compare without regard to case ("cvid" is "CVID").
inline DWORD UpperFourCC(DWORD fourcc) {
    DWORD out = 0;
    for (int i = 0; i < 4; ++i) {
        uint8_t c = static_cast<uint8_t>(fourcc >> (8 * i));
        if (c >= 'a' && c <= 'z') c = static_cast<uint8_t>(c - 32);
        out |= DWORD(c) << (8 * i);
    }
    return out;
}

// Frames are at most 32767 pixels each way (a height may be negative: top-down).
inline bool SizeAllowed(int32_t width, int32_t height) {
    return width > 0 && width <= 32767 && height != 0 && height >= -32767 && height <= 32767;
}

// A 16-bit PCM WAVEFORMATEX of 18 bytes.
std::vector<uint8_t> PcmFormat(int channels, int rate, int bits);

// --- Objects behind the handles -------------------------------------------------

class Decoder;

} // namespace platform::avi

struct AviFileObject;

// A stream of any kind. Counted references; the stream keeps its file alive.
struct AviStreamObject {
    AviStreamObject() = default;
    AviStreamObject(const AviStreamObject&) = delete;
    AviStreamObject& operator=(const AviStreamObject&) = delete;
    virtual ~AviStreamObject() = default;

    // A free-standing stream (a compressed one) is deleted with its last
    // reference; a file's streams live as long as their file, and each of
    // their references holds the file.
    ULONG refs = 1;
    virtual ULONG AddRef() { return ++refs; }
    virtual ULONG Release() {
        const ULONG left = --refs;
        if (!left) delete this;
        return left;
    }
    AVISTREAMINFOA info = {};
    std::vector<uint8_t> format;

    virtual HRESULT Read(LONG start, LONG samples, void* buffer, LONG size, LONG* bytes,
                         LONG* samplesRead) = 0;
    // Whether the sample at `pos` stands alone (a key frame).
    virtual bool IsKey(LONG pos) = 0;
    virtual HRESULT SetFormat(LONG, const void*, LONG) { return AVIERR_READONLY; }
    virtual HRESULT Write(LONG, LONG, const void*, LONG, DWORD, LONG*, LONG*) {
        return AVIERR_READONLY;
    }
    // A new decoder for the frame getter (the caller owns it); null when the
    // stream has none.
    virtual platform::avi::Decoder* OpenDecoder() { return nullptr; }
};

struct AviFileObject {
    AviFileObject() = default;
    AviFileObject(const AviFileObject&) = delete;
    AviFileObject& operator=(const AviFileObject&) = delete;
    virtual ~AviFileObject() = default;

    ULONG refs = 1;
    virtual void Info(AVIFILEINFOA& out) = 0;
    virtual HRESULT GetStream(PAVISTREAM* stream, DWORD type, LONG index) = 0;
    virtual HRESULT CreateStream(PAVISTREAM*, const AVISTREAMINFOA&) { return AVIERR_READONLY; }
};

namespace platform::avi {

void AddRef(AviFileObject* file);
void Release(AviFileObject* file);

// A stream owned by its file.
class FileStream : public AviStreamObject {
public:
    explicit FileStream(AviFileObject* file) : file_(file) { refs = 0; }
    ULONG AddRef() override {
        avi::AddRef(file_);
        return ++refs;
    }
    ULONG Release() override {
        if (!refs) return 0; // released more often than referenced
        const ULONG left = --refs;
        avi::Release(file_); // may delete the file and this stream with it
        return left;
    }

protected:
    AviFileObject* file_;
};

// Opens a file for reading or creates one for writing.
HRESULT OpenReader(const std::string& hostPath, PAVIFILE* out);
HRESULT OpenWriter(const std::string& hostPath, PAVIFILE* out);

// The largest file the writer makes (AVI 1.0: 1 GB).
uint64_t WriteLimit();

// FFmpeg's messages go to OutputDebugStringA, errors only.
void RouteFfmpegLog();

} // namespace platform::avi
