// AVI films through the platform's AVIFile calls: played frame by frame (raw
// reads of uncompressed streams, decompression into the display's depth
// otherwise) with their audio, and recorded frame by frame by the screen
// capture; a closed recording can be saved again compressed.
#pragma once

#include "gdl/pixelformat.h"
#include "media/animation/TAniRes.h"
#include "platform/Vfw.h"

#include <cstdint>
#include <vector>

class TAviAni : public virtual TAniRes {
public:
    static constexpr int32_t kMaxStreams = 10;
    enum Compression : int32_t { kAsk = 0, kVideo1 = 1, kCinepak = 2 };

    TAviAni();
    ~TAviAni() override;

    using TResource::Open;
    // 1 reads, 2 creates; only the first open counts, a refused one changes
    // nothing.
    int Open(int32_t mode);
    int Close() override;

    // Decodes frame `index` (from the stream's first frame) into the record.
    int ReadFrame(int32_t index);
    // Reads `count` bytes of audio from byte `start` (whole blocks) of the
    // `stream`-th audio stream into the base's audio data.
    int ReadAudio(int32_t start, int32_t count, int32_t stream);
    void FreeAudio();
    // Appends the base's picture as frame `index`.
    int WriteFrame(int32_t index);
    // Appends `count` bytes (whole blocks) of the base's audio data from byte
    // `start`.
    int WriteAudio(int32_t start, int32_t count);

    int32_t GetWidth() const { return width_; }
    int32_t GetHeight() const { return height_; }
    int32_t GetFrameCount() const { return length_; }
    double GetRate() const;
    void SetRate(float fps);

    int32_t GetAudioChannels() const { return channels_; }
    int32_t GetAudioBits() const { return audioBits_; }
    int32_t GetAudioRate() const { return sampleRate_; }
    void SetAudioChannels(int32_t channels);
    void SetAudioBits(int32_t bits);
    void SetAudioRate(int32_t rate);
    // In bytes.
    int64_t GetAudioLength() const { return int64_t{audioLength_} * blockAlign_; }
    bool HasAudio() const { return audioCount_ > 0; }
    // Which video stream to play: the n-th (0 = the first).
    void SetVideoOrdinal(int32_t n) { videoOrdinal_ = n; }

    void SetCompression(int32_t method, int32_t quality);
    // Recompresses stream `stream` of the closed recording into the same file.
    int Save(int32_t stream);

    // Size, length, rate and audio of the file at the resource's path, read
    // without reporting anything (a recording target may not exist yet).
    void ReadHeader();
    bool IsOpenAvi() const { return file_ != nullptr; }
    bool ReadsRaw() const { return !decompress_; }

protected:
    bool Inspect();
    bool OpenRead();
    bool SetupFrames(const std::vector<uint8_t>& format);
    void Describe(int32_t bits, const uint32_t* masks);
    bool TakeDib(const uint8_t* dib);
    void PlaceRows(const uint8_t* pixels, bool topDown);
    bool CreateVideo(const GdlBitmap& picture, int32_t bits);
    void CopyRowsForWriting(const GdlBitmap& picture);
    bool CreateAudio();
    void ReleaseAll();
    void ReportOpen(HRESULT result);

    PAVIFILE file_ = nullptr;
    AVIFILEINFOA fileInfo_{};
    PAVISTREAM streams_[kMaxStreams] = {};
    AVISTREAMINFOA streamInfo_[kMaxStreams] = {};
    int32_t streamCount_ = 0;
    int32_t audioCount_ = 0;
    int32_t audioStreams_[kMaxStreams] = {};
    int32_t video_ = -1;
    int32_t videoOrdinal_ = 0;

    int32_t length_ = 0, first_ = 0;
    uint32_t rate_ = 0, scale_ = 0;
    int32_t width_ = 0, height_ = 0;
    int32_t bits_ = 0;
    bool topDown_ = false;
    int64_t frameSize_ = 0;
    GdlPaletteEntry* palette_ = nullptr;
    bool decompress_ = false;
    PGETFRAME getter_ = nullptr;
    GdlBitmap record_{};
    GdlPixelFormat format_{};
    uint8_t* readBuffer_ = nullptr;
    uint8_t* output_ = nullptr;
    int64_t outputSize_ = 0;
    int32_t current_ = -1;

    int32_t channels_ = 0, sampleRate_ = 0, audioBits_ = 0, blockAlign_ = 0;
    int32_t audioLength_ = 0;
    uint8_t* audioBuffer_ = nullptr;

    float writeRate_ = 15.0f;
    PAVISTREAM videoOut_ = nullptr, audioOut_ = nullptr;
    int32_t framesWritten_ = 0;
    int64_t samplesWritten_ = 0;
    int32_t storedBits_ = 0;
    uint8_t* writeBuffer_ = nullptr;

    int32_t method_ = kAsk, quality_ = 0;
};
