// The waveOut output: a ring of 32768 mix samples in the device format,
// played through eight rotating headers of 4096 mix samples each. Completed
// headers are found by their done flag on each position read; no callback.
#pragma once

#include "media/sound/TSoundOutput.h"
#include "platform/WaveOut.h"

#include <cstdint>

class TWaveOutOutput : public TSoundOutput {
public:
    static constexpr int64_t kRingSamples = 32768;
    static constexpr int64_t kHeaderSamples = 4096;
    static constexpr int kHeaders = 8;

    TWaveOutOutput();
    ~TWaveOutOutput() override;
    TWaveOutOutput(const TWaveOutOutput&) = delete;
    TWaveOutOutput& operator=(const TWaveOutOutput&) = delete;

    void SetDevice(UINT id) { deviceId_ = id; }
    bool IsAvailable() const;
    // Chooses the format and allocates the ring: 0, 2 (memory) or 4 (no format).
    int Init(HWND window);
    // 0, 2 (memory), 5 (device) or 6 (header preparation).
    int Open() override;
    void Close() override;
    void Release() override;
    // The play-ahead position in mix samples: three headers past the last
    // completed one.
    int64_t GetPosition() override;
    // Converts up to one ring of accumulators at `position` and submits the
    // headers they complete. The accumulators converted, or 0 when a header
    // write failed.
    int64_t Write(int64_t position, const int32_t* accumulators, int64_t count) override;

    bool IsOpen() const override { return open_; }
    const TSoundFormat& Format() const override { return format_; }

private:
    int PrepareHeaders();
    void FreeHeaders();
    void SubmitHeaders(bool* failed);

    UINT deviceId_ = 0;
    uint8_t* ring_ = nullptr;
    bool open_ = false;
    int64_t completed_ = 0;
    int64_t submitted_ = 0;
    int64_t target_ = 0;
    TSoundFormat format_;
    HWAVEOUT handle_ = nullptr;
    HWND window_ = nullptr;
    WAVEHDR* headers_[kHeaders] = {};
};
