// One mixing pass of 32 looping voices (16384 accumulators and the clamping
// conversion) beside SDL_MixAudioFormat mixing the same voices at volume 64
// into 16 bits; rendering 16384 frames from an 11025 Hz mono buffer with pan
// beside libswresample converting the same to 22050 Hz stereo. Our renderer
// picks the nearest earlier sample, so its like-for-like peers are swr with
// its cheapest filter (one tap, no phase steps) and a plain loop doing the
// same work: at exactly half the output rate each source sample is panned
// once, with our gain rule, and written twice (its bytes are checked against
// ours before the timing). The plain loop that pans every output frame and
// takes gain 127 as 127/128 gives other samples and stays as a yardstick, as
// does swr's default band-limited filter. The ratios (the peer's time over
// ours) close the run.
#include "../RatioReporter.h"
#include "media/sound/SoundFormat.h"
#include "media/sound/SoundRender.h"
#include "media/sound/TEnvelope.h"
#include "media/sound/TMixer.h"
#include "ui/TEngine.h"

#include <SDL.h>
#include <benchmark/benchmark.h>
extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kRuns = 5;
constexpr int kVoices = 32;
constexpr int kRing = 32768;
constexpr int kFrames = 16384;

std::vector<int16_t> Noise(size_t n, uint32_t seed) {
    std::vector<int16_t> v(n);
    for (int16_t& s : v) {
        seed = seed * 1664525u + 1013904223u;
        s = static_cast<int16_t>(seed >> 16);
    }
    return v;
}

void BM_MixerPass(benchmark::State& state) {
    TMixer mixer;
    mixer.SetFlags(1);
    mixer.Init(nullptr);
    for (int v = 0; v < kVoices; ++v) {
        const int voice = mixer.AllocVoice(kRing);
        TSoundBlock b;
        const auto noise = Noise(kRing, v + 1);
        for (int64_t w = 0; mixer.GetVoiceBlock(voice, w, kRing, &b) && b.count > 0; w += b.count)
            std::copy_n(noise.begin() + w, b.count, static_cast<int16_t*>(b.data));
        mixer.SetVoiceLoop(voice, true);
        mixer.StartVoice(voice);
    }
    std::vector<uint8_t> out(TMixer::kMixSamples * 2);
    for (auto _ : state) {
        mixer.MixVoices();
        ConvertMix(128, mixer.Accumulators(), TMixer::kMixSamples, out.data());
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_MixerPass)->Repetitions(kRuns);

void BM_SdlMixAudioFormat(benchmark::State& state) {
    std::vector<std::vector<int16_t>> voices;
    for (int v = 0; v < kVoices; ++v)
        voices.push_back(Noise(TMixer::kMixSamples, v + 1));
    std::vector<int16_t> out(TMixer::kMixSamples);
    for (auto _ : state) {
        std::fill(out.begin(), out.end(), 0);
        for (const auto& v : voices)
            SDL_MixAudioFormat(reinterpret_cast<Uint8*>(out.data()),
                               reinterpret_cast<const Uint8*>(v.data()), AUDIO_S16LSB,
                               static_cast<Uint32>(out.size() * 2), 64);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_SdlMixAudioFormat)->Repetitions(kRuns);

// An 11025 Hz mono buffer panned by 40 into 16384 stereo frames.
struct PanRun {
    std::vector<int16_t> source = Noise(kFrames / 2 + 8, 7);
    std::vector<int16_t> out = std::vector<int16_t>(kFrames * 2);
    TEnvelope envelope;
    PanRun() {
        envelope.SetPan(40);
        envelope.Start(0);
    }
};

void BM_Render16(benchmark::State& state) {
    PanRun p;
    auto& [source, out, envelope] = p;
    for (auto _ : state) {
        TRenderRun run{};
        for (int s = 0; s < 2; ++s)
            for (int o = 0; o < 2; ++o)
                run.gain[s][o] = envelope.Gain(s, o, 0);
        run.frequency = 11025;
        // The renderer writes every output frame, as the peers do: no
        // clearing first, which would be work the peers are not timed for.
        RenderRun(source.data(), int64_t(source.size()), 1, out.data(), kFrames, run);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_Render16)->Repetitions(kRuns);

// swr's conversion of the same buffer; `nearest` asks for its cheapest
// filter, which picks one sample as ours does.
void SwrConvert(benchmark::State& state, bool nearest) {
    const auto source = Noise(kFrames / 2 + 8, 7);
    std::vector<int16_t> out(kFrames * 2 + 64);
    SwrContext* swr = nullptr;
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO, mono = AV_CHANNEL_LAYOUT_MONO;
    swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_S16, 22050, &mono, AV_SAMPLE_FMT_S16, 11025, 0,
                        nullptr);
    if (nearest) {
        av_opt_set_int(swr, "filter_size", 1, 0);
        av_opt_set_int(swr, "phase_shift", 0, 0);
    }
    swr_init(swr);
    for (auto _ : state) {
        uint8_t* o[1] = {reinterpret_cast<uint8_t*>(out.data())};
        const uint8_t* i[1] = {reinterpret_cast<const uint8_t*>(source.data())};
        swr_convert(swr, o, kFrames + 32, i, kFrames / 2);
        benchmark::DoNotOptimize(out.data());
    }
    swr_free(&swr);
}

void BM_SwrConvert(benchmark::State& state) {
    SwrConvert(state, false);
}
BENCHMARK(BM_SwrConvert)->Repetitions(kRuns);

void BM_SwrNearest(benchmark::State& state) {
    SwrConvert(state, true);
}
BENCHMARK(BM_SwrNearest)->Repetitions(kRuns);

// The renderer's output for the run, once: what the plain peer must match.
std::vector<int16_t> OursOnce(PanRun& p) {
    TRenderRun run{};
    for (int s = 0; s < 2; ++s)
        for (int o = 0; o < 2; ++o)
            run.gain[s][o] = p.envelope.Gain(s, o, 0);
    run.frequency = 11025;
    RenderRun(p.source.data(), int64_t(p.source.size()), 1, p.out.data(), kFrames, run);
    return p.out;
}

// The same work written plainly: the output runs at exactly twice the source
// rate, so each source sample is panned once, clamped per side and written to
// two output frames. Our gain rule (127 passes the sample as it is, any other
// gain scales it by gain / 128) is a multiplier of 128 for 127, which keeps
// the loop free of branches; the buffers are declared apart so that the
// compiler may vectorise it.
void PlainTwice(const int16_t* __restrict source, int16_t* __restrict out,
                const int32_t gain[2][2]) {
    auto multiplier = [](int32_t g) { return g == 127 ? 128 : g; };
    const int32_t l0 = multiplier(gain[0][0]), l1 = multiplier(gain[1][0]);
    const int32_t r0 = multiplier(gain[0][1]), r1 = multiplier(gain[1][1]);
    for (int i = 0; i < kFrames / 2; ++i) {
        const int32_t s = source[i];
        const auto left = int16_t(std::clamp(((s * l1) >> 7) + ((s * l0) >> 7), -32768, 32767));
        const auto right = int16_t(std::clamp(((s * r1) >> 7) + ((s * r0) >> 7), -32768, 32767));
        out[4 * i] = out[4 * i + 2] = left;
        out[4 * i + 1] = out[4 * i + 3] = right;
    }
}

void PlainTwice(PanRun& p) {
    int32_t gain[2][2];
    for (int s = 0; s < 2; ++s)
        for (int o = 0; o < 2; ++o)
            gain[s][o] = p.envelope.Gain(s, o, 0);
    PlainTwice(p.source.data(), p.out.data(), gain);
}

void BM_PlainTwice(benchmark::State& state) {
    PanRun p;
    const std::vector<int16_t> ours = OursOnce(p);
    std::fill(p.out.begin(), p.out.end(), 0);
    PlainTwice(p);
    if (p.out != ours) return state.SkipWithError("the plain loop's samples differ from ours");
    for (auto _ : state) {
        PlainTwice(p);
        benchmark::DoNotOptimize(p.out.data());
    }
}
BENCHMARK(BM_PlainTwice)->Repetitions(kRuns);

// A yardstick doing other work: a 16.16 position picks the sample for every
// output frame, which is panned there (gain 127 taken as 127/128) and clamped.
void BM_PlainNearest(benchmark::State& state) {
    PanRun p;
    auto& [source, out, envelope] = p;
    for (auto _ : state) {
        const int32_t left = envelope.Gain(0, 0, 0), right = envelope.Gain(1, 1, 0);
        uint32_t position = 0;
        const uint32_t step = (11025u << 16) / 22050u;
        for (int k = 0; k < kFrames; ++k, position += step) {
            const int32_t s = source[position >> 16];
            out[2 * k] = int16_t(std::clamp((s * left) >> 7, -32768, 32767));
            out[2 * k + 1] = int16_t(std::clamp((s * right) >> 7, -32768, 32767));
        }
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_PlainNearest)->Repetitions(kRuns);

} // namespace

int main(int argc, char** argv) {
    TEngine engine; // the engine's services for the run
    return RunWithRatios(
        argc, argv,
        {{"BM_MixerPass", "BM_SdlMixAudioFormat", "like for like"},
         {"BM_Render16", "BM_SwrNearest", "like for like"},
         {"BM_Render16", "BM_PlainTwice", "like for like"},
         {"BM_Render16", "BM_PlainNearest", "yardstick: pans every frame, gain 127 as 127/128"},
         {"BM_Render16", "BM_SwrConvert", "yardstick: a band-limited filter"}});
}
