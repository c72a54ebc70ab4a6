// chord [OUTDIR]: plays a two-second C major chord through waveOut, then
// through DirectSound. On the SDL host it is heard, or it fails saying why no
// audio device opened; under the memory host (ADV_HOST=memory, or no display)
// it plays on the virtual clock and writes what the device played to
// OUTDIR/chord-waveout.wav and chord-dsound.wav.
#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/Kernel.h"
#include "platform/Module.h"
#include "platform/Sound.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr double kSeconds = 2.0;
constexpr int kHeaders = 4;

WAVEFORMATEX Pcm(WORD channels, DWORD rate, WORD bits) {
    WORD align = static_cast<WORD>(channels * bits / 8);
    return WAVEFORMATEX{WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
}

// C4, E4 and G4 with a short fade in and out, so it starts and ends softly.
std::vector<uint8_t> Chord(const WAVEFORMATEX& f, double seconds) {
    const double kPi = 3.14159265358979323846;
    const size_t frames = static_cast<size_t>(seconds * f.nSamplesPerSec);
    std::vector<uint8_t> out;
    out.reserve(frames * f.nBlockAlign);
    for (size_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / f.nSamplesPerSec;
        double fade = std::min({1.0, t / 0.05, (seconds - t) / 0.05});
        double v = 0;
        for (double hz : {261.63, 329.63, 392.00})
            v += std::sin(2 * kPi * hz * t);
        v *= 0.25 * fade;
        for (int c = 0; c < f.nChannels; ++c) {
            if (f.wBitsPerSample == 8) {
                out.push_back(static_cast<uint8_t>(std::lround(128 + 127 * v)));
            } else {
                auto s = static_cast<int16_t>(std::lround(32767 * v));
                out.push_back(static_cast<uint8_t>(s));
                out.push_back(static_cast<uint8_t>(s >> 8));
            }
        }
    }
    return out;
}

// 22.05 kHz 16-bit stereo when the device has it, else the plainest format.
WAVEFORMATEX ChooseFormat() {
    WAVEOUTCAPSA caps{};
    if (waveOutGetDevCapsA(0, &caps, sizeof caps) == MMSYSERR_NOERROR &&
        (caps.dwFormats & WAVE_FORMAT_2S16))
        return Pcm(2, 22050, 16);
    return Pcm(1, 11025, 8);
}

bool Done(WAVEHDR& h) {
    return (std::atomic_ref<DWORD>(h.dwFlags).load() & WHDR_DONE) != 0;
}

// On the desktop the chord is for the ear: played into the recording sink
// because no audio device opened, nobody hears it.
bool Audible(bool memoryHost) {
    if (memoryHost || platform::SoundPlaysThroughSdl()) return true;
    std::fprintf(stderr, "chord: no audio device could be opened (SDL: %s)\n",
                 platform::SoundSdlFailure().c_str());
    return false;
}

bool PlayWaveOut(const WAVEFORMATEX& f, bool memoryHost) {
    HWAVEOUT out = nullptr;
    if (MMRESULT r = waveOutOpen(&out, WAVE_MAPPER, &f, 0, 0, 0)) {
        std::fprintf(stderr, "chord: waveOutOpen failed (%u)\n", r);
        return false;
    }
    if (!Audible(memoryHost)) {
        waveOutClose(out);
        return false;
    }
    const std::vector<uint8_t> chord = Chord(f, kSeconds);
    std::vector<WAVEHDR> headers(kHeaders);
    const size_t part = chord.size() / kHeaders / f.nBlockAlign * f.nBlockAlign;
    bool ok = true;
    for (int k = 0; k < kHeaders && ok; ++k) {
        WAVEHDR& h = headers[k];
        h.lpData = const_cast<LPSTR>(reinterpret_cast<const char*>(chord.data() + k * part));
        h.dwBufferLength = static_cast<DWORD>(k + 1 < kHeaders ? part : chord.size() - k * part);
        ok = waveOutPrepareHeader(out, &h, sizeof h) == MMSYSERR_NOERROR &&
             waveOutWrite(out, &h, sizeof h) == MMSYSERR_NOERROR;
    }
    while (ok && !Done(headers.back()))
        Sleep(10);
    waveOutReset(out);
    for (WAVEHDR& h : headers)
        waveOutUnprepareHeader(out, &h, sizeof h);
    waveOutClose(out);
    if (!ok) std::fprintf(stderr, "chord: waveOut could not queue the chord\n");
    return ok;
}

// One looping secondary buffer holding the chord and a little silence; it
// stops once the play cursor has gone through the chord.
bool PlayDirectSound(IDirectSound* ds, const WAVEFORMATEX& f, bool memoryHost) {
    DSBUFFERDESC desc{sizeof desc, DSBCAPS_PRIMARYBUFFER, 0, 0, nullptr};
    IDirectSoundBuffer* primary = nullptr;
    IDirectSoundBuffer* secondary = nullptr;
    std::vector<uint8_t> chord = Chord(f, kSeconds);
    const size_t chordBytes = chord.size();
    chord.resize(chordBytes + f.nAvgBytesPerSec / 10, f.wBitsPerSample == 8 ? 0x80 : 0);
    WAVEFORMATEX format = f;
    bool ok = ds->SetCooperativeLevel(nullptr, DSSCL_PRIORITY) == DS_OK &&
              ds->CreateSoundBuffer(&desc, &primary, nullptr) == DS_OK &&
              primary->SetFormat(&f) == DS_OK;
    desc = DSBUFFERDESC{sizeof desc, DSBCAPS_STATIC | DSBCAPS_GETCURRENTPOSITION2,
                        static_cast<DWORD>(chord.size()), 0, &format};
    ok = ok && ds->CreateSoundBuffer(&desc, &secondary, nullptr) == DS_OK;
    LPVOID region = nullptr;
    DWORD bytes = 0;
    ok = ok &&
         secondary->Lock(0, 0, &region, &bytes, nullptr, nullptr, DSBLOCK_ENTIREBUFFER) == DS_OK;
    if (ok) {
        std::copy(chord.begin(), chord.begin() + bytes, static_cast<uint8_t*>(region));
        ok = secondary->Unlock(region, bytes, nullptr, 0) == DS_OK;
    }
    // The device opens at the first Play.
    ok = ok && primary->Play(0, 0, DSBPLAY_LOOPING) == DS_OK &&
         secondary->Play(0, 0, DSBPLAY_LOOPING) == DS_OK && Audible(memoryHost);
    uint64_t played = 0;
    DWORD last = 0;
    while (ok && played < chordBytes) {
        Sleep(10);
        DWORD cursor = 0;
        if (secondary->GetCurrentPosition(&cursor, nullptr) != DS_OK) break;
        played += cursor >= last ? cursor - last : chord.size() - last + cursor;
        last = cursor;
    }
    if (secondary) secondary->Stop(), secondary->Release();
    if (primary) primary->Stop(), primary->Release();
    if (!ok) std::fprintf(stderr, "chord: DirectSound did not play the chord\n");
    return ok;
}

bool PlayThroughDirectSound(const WAVEFORMATEX& f, bool memoryHost) {
    HMODULE dsound = LoadLibraryA("dsound.dll");
    using Create = HRESULT (*)(LPCGUID, LPDIRECTSOUND*, void*);
    auto create =
        dsound ? reinterpret_cast<Create>(GetProcAddress(dsound, "DirectSoundCreate")) : nullptr;
    IDirectSound* ds = nullptr;
    bool ok = create && create(nullptr, &ds, nullptr) == DS_OK;
    if (ok) {
        ok = PlayDirectSound(ds, f, memoryHost);
        ds->Release();
    } else {
        std::fprintf(stderr, "chord: DirectSound is not available\n");
    }
    if (dsound) FreeLibrary(dsound);
    return ok;
}

bool Save(bool memoryHost, const std::string& path) {
    if (!memoryHost) return true;
    if (!platform::WriteSoundRecordingWav(platform::GetSoundRecording(), path.c_str())) {
        std::fprintf(stderr, "chord: cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("wrote %s\n", path.c_str());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
        std::fprintf(stderr, "usage: chord [OUTDIR]\n"
                             "Plays a two-second chord through waveOut, then DirectSound. "
                             "Without a display\n(or with ADV_HOST=memory) writes what was "
                             "played to OUTDIR/chord-waveout.wav\nand OUTDIR/chord-dsound.wav.\n");
        return 2;
    }
    const std::string dir = argc == 2 ? std::string(argv[1]) + "/" : "";
    std::error_code made;
    if (!dir.empty()) std::filesystem::create_directories(dir, made);
    if (made) {
        std::fprintf(stderr, "chord: cannot make %s\n", argv[1]);
        return 1;
    }
    const bool memoryHost = platform::CurrentHost() == platform::HostKind::Memory;
    if (memoryHost) {
        platform::ClockUseVirtual(true); // Sleep now advances the clock
        platform::SetSoundRecording(true);
    }
    if (waveOutGetNumDevs() == 0) {
        std::fprintf(stderr, "chord: no sound device (ADV_AUDIO=none?)\n");
        return 1;
    }
    const WAVEFORMATEX f = ChooseFormat();
    std::printf("chord: %u Hz, %u bits, %u channel(s), %s\n", f.nSamplesPerSec, f.wBitsPerSample,
                f.nChannels, memoryHost ? "recorded on virtual time" : "through the audio device");
    std::printf("waveOut...\n");
    if (!PlayWaveOut(f, memoryHost) || !Save(memoryHost, dir + "chord-waveout.wav")) return 1;
    std::printf("DirectSound...\n");
    if (!PlayThroughDirectSound(f, memoryHost) || !Save(memoryHost, dir + "chord-dsound.wav"))
        return 1;
    return 0;
}
