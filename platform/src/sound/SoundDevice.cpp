#include "SoundDevice.h"

#include "../host/SessionParts.h"

#include "platform/Host.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace platform::sound {
namespace {

constexpr UINT kPumpPeriodMs = 10;

UINT DeviceCountFromEnvironment() {
    const char* audio = std::getenv("ADV_AUDIO");
    return audio && std::strcmp(audio, "none") == 0 ? 0 : 1;
}

std::unique_ptr<Sink> OpenSink(SoundSinkChoice choice, const WAVEFORMATEX& format,
                               std::string* sdlFailure) {
    sdlFailure->clear();
    bool sdl = choice == SoundSinkChoice::Sdl ||
               (choice == SoundSinkChoice::Auto && CurrentHost() == HostKind::Sdl);
    if (sdl)
        if (auto sink = OpenSdlSink(format, sdlFailure)) return sink;
    return OpenRecordingSink(format);
}

} // namespace

bool IsPlayableFormat(const WAVEFORMATEX* f) {
    if (!f || f->wFormatTag != WAVE_FORMAT_PCM) return false;
    if (f->nChannels < 1 || f->nChannels > 2) return false;
    if (f->wBitsPerSample != 8 && f->wBitsPerSample != 16) return false;
    if (f->nSamplesPerSec < 100 || f->nSamplesPerSec > 100000) return false;
    return f->nBlockAlign == f->nChannels * f->wBitsPerSample / 8 &&
           f->nAvgBytesPerSec == f->nBlockAlign * f->nSamplesPerSec;
}

Device& Device::Get() {
    static Device* device = new Device; // the pump may fire after statics are gone
    return *device;
}

Device::Device() {
    Reset();
}

bool Device::Claim(Owner owner) {
    if (owner_ != Owner::None) return false;
    owner_ = owner;
    return true;
}

void Device::Unclaim() {
    Stop();
    owner_ = Owner::None;
}

void Device::Start(const WAVEFORMATEX& format, Source* source) {
    Stop();
    format_ = format;
    sink_ = OpenSink(sinkChoice_, format, &sdlFailure_);
    source_ = source;
    handed_ = 0;
    dry_ = true;
    playedAny_ = false;
    recording_ = SoundRecording{};
    recording_.format = format;
    timer_ = timeSetEvent(kPumpPeriodMs, 0, &Device::PumpTick, 0, TIME_PERIODIC);
}

void Device::Stop() {
    if (timer_) timeKillEvent(timer_);
    timer_ = 0;
    sink_.reset();
    source_ = nullptr;
}

void Device::Idle() {
    if (sink_) sink_->Drop();
    dry_ = true;
    playedAny_ = false;
}

void CALLBACK Device::PumpTick(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    Device& d = Get();
    std::lock_guard<std::mutex> lock(d.mutex_);
    d.Pump();
}

// Hands on what is due plus the lead. Data that comes after the device ran
// dry is placed at its arrival: the silence before it goes into the stream
// (on the recording sink), and the gap counts as an underrun unless the
// device had been idle.
void Device::Pump() {
    if (!sink_ || !source_) return; // detached: closed after this tick was due
    if (dry_) {
        uint32_t arrival = 0;
        if (!source_->Pending(&arrival)) {
            source_->Played(handed_ - std::min(handed_, sink_->Queued())); // the lead plays out
            return;
        }
        bool starved = false;
        HandSilence(sink_->GapBefore(arrival, &starved));
        if (starved && playedAny_) ++recording_.underruns;
        dry_ = false;
    }
    uint64_t queued = sink_->Queued();
    uint64_t want = sink_->Overdue() + (sink_->Lead() > queued ? sink_->Lead() - queued : 0);
    want -= want % std::max<uint64_t>(1, format_.nBlockAlign);
    while (want > 0) {
        size_t n = source_->Fill(chunk_.data(), std::min<uint64_t>(want, chunk_.size()), handed_);
        if (n == 0) break;
        Hand(chunk_.data(), n);
        want -= n;
        playedAny_ = true;
    }
    if (!source_->Pending(nullptr)) dry_ = true;
    source_->Played(handed_ - std::min(handed_, sink_->Queued()));
}

void Device::Hand(const uint8_t* data, size_t bytes) {
    sink_->Hand(data, bytes);
    handed_ += bytes;
    if (recordingOn_) recording_.bytes.insert(recording_.bytes.end(), data, data + bytes);
}

void Device::HandSilence(uint64_t bytes) {
    std::array<uint8_t, 4096> silence;
    silence.fill(SilenceByte(format_));
    while (bytes > 0) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(bytes, silence.size()));
        Hand(silence.data(), n);
        bytes -= n;
    }
}

// --- test hooks ----------------------------------------------------------------

void Device::SetFailure(SoundCall call, uint32_t result) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (call < SoundCall::Count) failures_[static_cast<size_t>(call)] = result;
}

void Device::SetDeviceCount(UINT count) {
    std::lock_guard<std::mutex> lock(mutex_);
    deviceCount_ = count;
}

void Device::SetFormats(DWORD formats) {
    std::lock_guard<std::mutex> lock(mutex_);
    formats_ = formats;
}

void Device::SetCaps(const DSCAPS& caps) {
    std::lock_guard<std::mutex> lock(mutex_);
    caps_ = caps;
}

void Device::SetSinkChoice(SoundSinkChoice choice) {
    std::lock_guard<std::mutex> lock(mutex_);
    sinkChoice_ = choice;
}

void Device::SetRecording(bool on) {
    std::lock_guard<std::mutex> lock(mutex_);
    recordingOn_ = on;
}

SoundRecording Device::Recording() {
    std::lock_guard<std::mutex> lock(mutex_);
    return recording_;
}

void Device::Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    failures_.fill(0);
    deviceCount_ = DeviceCountFromEnvironment();
    formats_ = 0xFFF; // every standard rate, mono and stereo, 8 and 16 bits
    caps_ = DefaultDirectSoundCaps();
    sinkChoice_ = SoundSinkChoice::Auto;
    recordingOn_ = false;
    recording_ = SoundRecording{};
    sdlFailure_.clear();
}

} // namespace platform::sound

namespace platform {

void SetSoundRecording(bool on) {
    sound::Device::Get().SetRecording(on);
}
SoundRecording GetSoundRecording() {
    return sound::Device::Get().Recording();
}
void SetSoundSink(SoundSinkChoice choice) {
    sound::Device::Get().SetSinkChoice(choice);
}
bool SoundPlaysThroughSdl() {
    sound::Device& d = sound::Device::Get();
    std::lock_guard<std::mutex> lock(d.Mutex());
    return d.ThroughSdl();
}
std::string SoundSdlFailure() {
    sound::Device& d = sound::Device::Get();
    std::lock_guard<std::mutex> lock(d.Mutex());
    return d.SdlFailure();
}
void SetSoundDeviceCount(UINT count) {
    sound::Device::Get().SetDeviceCount(count);
}
void SetWaveOutFormats(DWORD formats) {
    sound::Device::Get().SetFormats(formats);
}
void SetDirectSoundCaps(const DSCAPS& caps) {
    sound::Device::Get().SetCaps(caps);
}
void SetSoundFailure(SoundCall call, uint32_t result) {
    sound::Device::Get().SetFailure(call, result);
}
void ResetSoundDevice() {
    sound::Device& device = sound::Device::Get();
    device.Unclaim();
    device.Reset();
}

DSCAPS DefaultDirectSoundCaps() {
    DSCAPS caps{};
    caps.dwSize = sizeof caps;
    caps.dwFlags = DSCAPS_PRIMARYMONO | DSCAPS_PRIMARYSTEREO | DSCAPS_PRIMARY8BIT |
                   DSCAPS_PRIMARY16BIT | DSCAPS_CONTINUOUSRATE | DSCAPS_EMULDRIVER |
                   DSCAPS_SECONDARYMONO | DSCAPS_SECONDARYSTEREO | DSCAPS_SECONDARY8BIT |
                   DSCAPS_SECONDARY16BIT;
    caps.dwMinSecondarySampleRate = 100;
    caps.dwMaxSecondarySampleRate = 100000;
    caps.dwPrimaryBuffers = 1;
    return caps;
}

} // namespace platform
