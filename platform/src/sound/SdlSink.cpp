// The sink on a real audio device: SDL2 audio opened in the device format
// and fed with SDL_QueueAudio. The pump keeps a fixed lead queued (two
// device periods, at most 50 ms); what SDL still holds is what has not been
// played, so the play position is bytes handed on minus the queued size.
#include "Sink.h"

#include <SDL.h>

#include <dlfcn.h>

#include <algorithm>
#include <mutex>

namespace platform::sound {
namespace {

// The largest power of two of frames with two periods within 50 ms.
Uint16 PeriodFrames(DWORD rate) {
    Uint16 frames = 64;
    while (frames < 8192 && 2u * frames * 2 * 1000 <= rate * 50u)
        frames = static_cast<Uint16>(frames * 2);
    return frames;
}

class SdlSink final : public Sink {
public:
    SdlSink(SDL_AudioDeviceID device, uint64_t lead) : device_(device), lead_(lead) {}

    ~SdlSink() override {
        SDL_CloseAudioDevice(device_);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    uint64_t Queued() override { return SDL_GetQueuedAudioSize(device_); }
    uint64_t Overdue() override { return 0; } // SDL plays silence by itself
    uint64_t GapBefore(uint32_t, bool* starved) override {
        *starved = Queued() == 0;
        return 0;
    }
    uint64_t Lead() const override { return lead_; }
    void Hand(const uint8_t* data, size_t bytes) override {
        SDL_QueueAudio(device_, data, static_cast<Uint32>(bytes));
    }
    void Drop() override { SDL_ClearQueuedAudio(device_); }
    bool IsSdl() const override { return true; }

private:
    SDL_AudioDeviceID device_;
    uint64_t lead_;
};

// alsa-lib writes every step of a failed open to stderr, eight lines on a
// machine without a sound card; the reason SDL gives is all a player needs,
// and the program says it once in its own words.
void SilentAlsaReport(const char*, int, const char*, int, const char*, ...) {}

void QuietAlsa() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Kept open: the library keeps the handler as long as it is loaded,
        // and SDL opens the same one.
        void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
        if (!alsa) return;
        using Report = void (*)(const char*, int, const char*, int, const char*, ...);
        using SetReport = int (*)(Report);
        if (auto set = reinterpret_cast<SetReport>(dlsym(alsa, "snd_lib_error_set_handler")))
            set(&SilentAlsaReport);
    });
}

} // namespace

std::unique_ptr<Sink> OpenSdlSink(const WAVEFORMATEX& format, std::string* failure) {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    QuietAlsa();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        *failure = SDL_GetError();
        return nullptr;
    }
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(format.nSamplesPerSec);
    want.format = format.wBitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    want.channels = static_cast<Uint8>(format.nChannels);
    want.samples = PeriodFrames(format.nSamplesPerSec);
    SDL_AudioSpec have{};
    SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device == 0) {
        *failure = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return nullptr;
    }
    uint64_t frames = std::min<uint64_t>(2u * have.samples, format.nSamplesPerSec / 20);
    SDL_PauseAudioDevice(device, 0);
    return std::make_unique<SdlSink>(device, frames * format.nBlockAlign);
}

} // namespace platform::sound
