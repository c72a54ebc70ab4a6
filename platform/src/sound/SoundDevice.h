// The one sound device behind waveOut and DirectSound: who holds it, its sink,
// its pump, the recording, and the settings tests change.
//
// The pump is a 10 ms multimedia timer, so it runs on the one timer thread
// and never beside the mixer's tick. It is the only reader of the data that
// plays (waveOut headers, DirectSound buffers): the mixer may rewrite queued
// data that has not been handed on, and reading it on the same thread keeps
// that free of races. Every entry point takes the device lock; whatever
// detaches data from the pump (reset, close, stop, release) does so under it,
// so the pump never touches memory its owner has let go.
#pragma once

#include "platform/Sound.h"
#include "Sink.h"

#include <array>
#include <memory>
#include <string>
#include <mutex>

namespace platform::sound {

// What plays on the device: the waveOut queue or the DirectSound buffers.
class Source {
public:
    virtual ~Source() = default;
    // Whether data waits to be played; `arrival` (may be null) tells when it
    // was written or started.
    virtual bool Pending(uint32_t* arrival) = 0;
    // Copies up to `bytes` of what plays next into `out`; `stream` is the
    // device's byte position of out[0]. Returns the bytes copied.
    virtual size_t Fill(uint8_t* out, size_t bytes, uint64_t stream) = 0;
    // The device has played the stream up to byte `played`.
    virtual void Played(uint64_t played) = 0;
};

enum class Owner { None, WaveOut, DirectSound };

class Device {
public:
    static Device& Get();

    std::mutex& Mutex() { return mutex_; }

    // --- with the lock held ---
    // Claims the device for one user; false while another holds it.
    bool Claim(Owner owner);
    void Unclaim();
    bool IsRunning() const { return sink_ != nullptr; }
    // Opens the sink in `format` and attaches the pump to `source`.
    void Start(const WAVEFORMATEX& format, Source* source);
    // Detaches the pump and closes the sink.
    void Stop();
    // The source has nothing more to play for now (reset, stop): drops what
    // the sink still queues; a gap before the next data is no underrun.
    void Idle();
    const WAVEFORMATEX& Format() const { return format_; }
    uint64_t Handed() const { return handed_; }
    uint64_t Queued() { return sink_ ? sink_->Queued() : 0; }
    bool ThroughSdl() const { return sink_ && sink_->IsSdl(); }
    // Why the last open that tried SDL audio fell back to the recording sink.
    const std::string& SdlFailure() const { return sdlFailure_; }
    // A failure switch: the result to fail with, or 0.
    uint32_t Failure(SoundCall call) const { return failures_[static_cast<size_t>(call)]; }
    UINT DeviceCount() const { return deviceCount_; }
    DWORD WaveOutFormats() const { return formats_; }
    const DSCAPS& Caps() const { return caps_; }

    // --- test hooks (take the lock) ---
    void SetFailure(SoundCall call, uint32_t result);
    void SetDeviceCount(UINT count);
    void SetFormats(DWORD formats);
    void SetCaps(const DSCAPS& caps);
    void SetSinkChoice(SoundSinkChoice choice);
    void SetRecording(bool on);
    SoundRecording Recording();
    void Reset();

private:
    Device();
    static void CALLBACK PumpTick(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR);
    void Pump();
    void Hand(const uint8_t* data, size_t bytes);
    void HandSilence(uint64_t bytes);

    std::mutex mutex_;
    Owner owner_ = Owner::None;
    std::unique_ptr<Sink> sink_;
    Source* source_ = nullptr;
    UINT timer_ = 0;
    WAVEFORMATEX format_{};
    uint64_t handed_ = 0;
    bool dry_ = true;        // the source ran out; the next data may follow a gap
    bool playedAny_ = false; // data played since the open or the last idle
    std::array<uint8_t, 4096> chunk_{};

    bool recordingOn_ = false;
    SoundRecording recording_;

    std::array<uint32_t, static_cast<size_t>(SoundCall::Count)> failures_{};
    UINT deviceCount_ = 1;
    DWORD formats_ = 0;
    DSCAPS caps_{};
    SoundSinkChoice sinkChoice_ = SoundSinkChoice::Auto;
    std::string sdlFailure_;
};

// The byte that sounds as silence in a format.
inline uint8_t SilenceByte(const WAVEFORMATEX& format) {
    return format.wBitsPerSample == 8 ? 0x80 : 0x00;
}

// PCM with 8 or 16 bits, 1 or 2 channels, a sane rate and consistent block
// size and byte rate.
bool IsPlayableFormat(const WAVEFORMATEX* format);

} // namespace platform::sound
