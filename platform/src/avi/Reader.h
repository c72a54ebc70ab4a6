// A file opened for reading and its streams.
#pragma once

#include "AviInternal.h"

struct AVCodecParameters;
struct AVFormatContext;

namespace platform::avi {

class ReadFile;

class ReadStream : public FileStream {
public:
    ReadStream(ReadFile* file, StreamHeaders headers, AVCodecParameters* codec);
    ~ReadStream() override;

    HRESULT Read(LONG start, LONG samples, void* buffer, LONG size, LONG* bytes,
                 LONG* samplesRead) override;
    bool IsKey(LONG pos) override;
    Decoder* OpenDecoder() override;

    // Chunk access for the decoder.
    const std::vector<Chunk>& Chunks() const { return chunks_; }
    bool ReadChunk(size_t index, std::vector<uint8_t>& out);
    // The last non-empty chunk at or before `index`; -1 when none.
    long Filled(long index) const;
    // Compressed audio becomes 16-bit PCM held in memory.
    void UsePcm(std::vector<uint8_t> pcm, int channels, int rate);

private:
    HRESULT ReadVideo(LONG start, void* buffer, LONG size, LONG* bytes, LONG* samplesRead);
    HRESULT ReadAudio(LONG start, LONG samples, void* buffer, LONG size, LONG* bytes,
                      LONG* samplesRead);
    bool CopyBytes(uint64_t from, uint64_t count, uint8_t* out);

    ReadFile* reader_;
    std::vector<Chunk> chunks_;
    std::vector<uint64_t> chunkStarts_; // audio: bytes before each chunk
    uint64_t audioBytes_ = 0;
    AVCodecParameters* codec_;
    std::vector<uint8_t> pcm_;
    bool usePcm_ = false;
    DWORD blockAlign_ = 1;
};

class ReadFile : public AviFileObject {
public:
    explicit ReadFile(std::unique_ptr<Source> source) : source_(std::move(source)) {}
    ~ReadFile() override;

    HRESULT Open(const std::string& hostPath);
    void Info(AVIFILEINFOA& out) override;
    HRESULT GetStream(PAVISTREAM* stream, DWORD type, LONG index) override;
    Source& Bytes() { return *source_; }

private:
    HRESULT MapStreams(FileHeaders& headers);

    std::unique_ptr<Source> source_;
    FileHeaders headers_;
    AVFormatContext* format_ = nullptr;
    std::vector<std::unique_ptr<ReadStream>> streams_;
};

// Decodes a compressed audio stream of the demuxer to interleaved 16-bit PCM.
bool DecodeAudio(AVFormatContext* format, int streamIndex, std::vector<uint8_t>& pcm, int& channels,
                 int& rate);

} // namespace platform::avi
