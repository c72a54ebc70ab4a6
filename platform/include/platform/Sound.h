// The sound device behind waveOut and DirectSound, seen from tests and tools:
// what it played, what it reports, and switches that make single calls fail.
#pragma once

#include "platform/DirectSound.h"
#include "platform/WaveOut.h"

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Every byte the device played since the last open, in the device format:
// what was handed on, with silence (0x80 for 8 bits, 0 for 16) where the
// device had already played past its data (an underrun: a gap between data).
// Kept only while recording is on (off by default, so a long session without
// an audio device does not grow without end).
struct SoundRecording {
    WAVEFORMATEX format{};
    std::vector<uint8_t> bytes;
    uint32_t underruns = 0;
};
void SetSoundRecording(bool on);
SoundRecording GetSoundRecording();
// A canonical PCM WAVE file of the recording. False when it cannot be written.
bool WriteSoundRecordingWav(const SoundRecording& recording, const char* path);

// Where the device plays: SDL audio when the SDL host runs and an audio device
// opens, else the recording sink on the layer's clock. Tests may insist on the
// recording sink or on SDL (which then falls back to the recording sink only
// when no audio device opens).
enum class SoundSinkChoice { Auto, Recording, Sdl };
void SetSoundSink(SoundSinkChoice choice);
// True while the open device plays through SDL audio.
bool SoundPlaysThroughSdl();
// SDL's reason why the last open that tried SDL audio fell back to the
// recording sink; empty when it played through SDL or did not try.
std::string SoundSdlFailure();

// What the device reports. Device count default: 1, or 0 with ADV_AUDIO=none.
void SetSoundDeviceCount(UINT count);
void SetWaveOutFormats(DWORD formats); // WAVEOUTCAPSA::dwFormats
void SetDirectSoundCaps(const DSCAPS& caps);
DSCAPS DefaultDirectSoundCaps();

// One switch per call: the call fails with `result` (MMRESULT or HRESULT)
// until the switch is set back to 0.
enum class SoundCall {
    WaveOutGetDevCaps,
    WaveOutOpen,
    WaveOutPrepareHeader,
    WaveOutUnprepareHeader,
    WaveOutWrite,
    WaveOutReset,
    WaveOutClose,
    DirectSoundEnumerate,
    DirectSoundCreate,
    SetCooperativeLevel,
    GetCaps,
    CreatePrimaryBuffer,
    CreateSecondaryBuffer,
    SetFormat,
    PlayPrimary,
    PlaySecondary,
    Stop,
    Lock,
    Unlock,
    SetCurrentPosition,
    GetCurrentPosition,
    Count
};
void SetSoundFailure(SoundCall call, uint32_t result);

} // namespace platform
