// playwav FILE [--loop] [--record OUT.wav]: plays a wave (FILE.wav, or
// FILE.sda:ENTRY:SOUND) through the engine's sound component on the audio
// device; without one it says why and fails. With --record it plays headless
// on virtual time and writes what the device played to OUT.wav; a looping
// wave is then recorded twice over.
#include "CommandLine.h"
#include "EngineReports.h"
#include "media/sound/TSndDev.h"
#include "media/sound/TSound.h"
#include "media/sound/TWave.h"
#include "platform/Clock.h"
#include "platform/Kernel.h"
#include "platform/Sound.h"
#include "ui/TEngine.h"

#include <cstdio>
#include <string>

namespace {

int Usage() {
    std::fprintf(stderr, "usage: playwav FILE [--loop] [--record OUT.wav]\n"
                         "FILE: a .wav file, or FILE.sda:ENTRY:SOUND\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    TEngine engine; // the engine's services, built first and gone last
    std::string file, record;
    bool loop = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--loop")
            loop = true;
        else if (a == "--record" && i + 1 < argc)
            record = argv[++i];
        else if (a[0] == '-' || !file.empty())
            return Usage();
        else
            file = a;
    }
    if (file.empty()) return Usage();
    tools::SoundSelection selection;
    std::string error;
    if (!tools::ParseSoundSelection(file, &selection, &error)) {
        std::fprintf(stderr, "playwav: %s: %s\n", file.c_str(), error.c_str());
        return 2;
    }
    file = selection.path;
    const int32_t entry = selection.entry, number = selection.sound;
    if (!record.empty()) {
        platform::ClockUseVirtual(true); // Sleep advances the clock
        platform::SetSoundSink(platform::SoundSinkChoice::Recording);
        platform::SetSoundRecording(true);
    } else {
        // Sound needs no display: the audio device is tried on any host.
        platform::SetSoundSink(platform::SoundSinkChoice::Sdl);
    }
    TWave wave;
    wave.SetPath(file.c_str());
    wave.Album().SetEntry(entry);
    wave.Album().SetSound(number);
    if (!wave.Open() || wave.GetLength() <= 0 || wave.GetRate() == 0) {
        // The engine's reports say why (a missing file, error 53 and its reason).
        std::fprintf(stderr, "playwav: cannot read %s\n", file.c_str());
        tools::PrintEngineReports();
        return 1;
    }
    const int64_t ms = wave.GetLength() / wave.GetChannels() * 1000 / wave.GetRate();
    std::printf("playwav: %u Hz, %u bits, %u channel(s), %lld ms\n", unsigned(wave.GetRate()),
                unsigned(wave.GetBits()), unsigned(wave.GetChannels()), (long long)ms);
    wave.Close();

    TSndDev& dev = TSndDev::Global();
    dev.SetOutputFlags(1);
    dev.Attach(nullptr);
    dev.SetEnabled(true);
    if (!dev.IsOutputOpen()) {
        std::fprintf(stderr, "playwav: no sound output\n");
        return 1;
    }
    if (record.empty() && !platform::SoundPlaysThroughSdl()) {
        // Played into the recording sink, nobody would hear it.
        std::fprintf(stderr,
                     "playwav: no audio device could be opened (SDL: %s); --record OUT.wav "
                     "plays it headless\n",
                     platform::SoundSdlFailure().c_str());
        dev.SetEnabled(false);
        dev.Detach();
        return 1;
    }
    TSound sound;
    sound.Attach(nullptr);
    sound.SetSelection(entry, number);
    sound.SetWave(&wave);
    sound.SetLoop(loop);
    sound.Play(0);
    TEvent tick;
    tick.SetType(evTick);
    tick.data[0] = 100;
    // A looping sound plays until interrupted, or twice over when recorded.
    const int64_t limit = loop && !record.empty() ? 2 * ms + 300 : -1;
    for (int64_t t = 0; sound.IsStarted() && (limit < 0 || t < limit); t += 100) {
        Sleep(100);
        sound.HandleEvent(nullptr, &tick);
    }
    // The mixer runs ahead of the device: let it play out what it holds.
    for (int t = 0; t < 10; ++t) {
        Sleep(100);
        sound.HandleEvent(nullptr, &tick);
    }
    sound.Detach();
    dev.SetEnabled(false);
    const platform::SoundRecording rec = platform::GetSoundRecording();
    dev.Detach();
    if (!record.empty() && !platform::WriteSoundRecordingWav(rec, record.c_str())) {
        std::fprintf(stderr, "playwav: cannot write %s\n", record.c_str());
        return 1;
    }
    return 0;
}
