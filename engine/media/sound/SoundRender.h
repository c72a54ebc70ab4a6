// The inner loop of a sound processor: resamples a run of source frames into
// stereo 16-bit mix frames with a 2 x 2 gain matrix (0..127), adding with
// saturation into a cleared destination.
#pragma once

#include <algorithm>
#include <cstdint>

struct TRenderRun {
    int32_t gain[2][2]; // [source channel][output channel]
    uint32_t frequency; // source frames per 22050 output frames
    int64_t fraction;   // in 1/22050 of a source frame, carried between runs
    int64_t consumed;   // source frames used by the run
};

namespace sound_render {

inline int32_t Scaled(int32_t sample, int32_t gain) {
    return gain == 127 ? sample : (sample * gain) >> 7;
}

inline int16_t Saturate(int32_t v) {
    return static_cast<int16_t>(std::clamp(v, -32768, 32767));
}

inline int32_t Sample16(const int16_t* p, int64_t i) {
    return p[i];
}

inline int32_t Sample8(const uint8_t* p, int64_t i) {
    return (int32_t{p[i]} - 128) * 256;
}

} // namespace sound_render

// Renders until the source run (`frames` frames of `channels` channels) or the
// destination (`destFrames` frames) ends; returns the frames written and
// leaves the fraction and the source frames consumed in `run`. One frame at a
// time: the model the block renderers below must match sample for sample.
template <class Source, class Read>
int64_t RenderRunFrames(const Source* source, int64_t frames, int channels, int16_t* dest,
                        int64_t destFrames, TRenderRun& run, Read read) {
    using namespace sound_render;
    const int c = channels;
    const int32_t g00 = run.gain[0][0], g10 = run.gain[1][0];
    const int32_t g01 = run.gain[0][1], g11 = run.gain[1][1];
    const int left0 = 0, left1 = 1 % c;
    const int64_t step = run.frequency / 22050, rest = run.frequency % 22050;
    int64_t frac = run.fraction, at = 0, out = 0;
    while (out < destFrames && at < frames) {
        const int64_t base = at * c;
        const int32_t s0 = read(source, base + left0), s1 = read(source, base + left1);
        dest[2 * out] = Saturate(Scaled(s1, g10) + Scaled(s0, g00));
        dest[2 * out + 1] = Saturate(Scaled(s1, g11) + Scaled(s0, g01));
        ++out;
        at += step;
        frac += rest;
        if (frac >= 22050) {
            frac -= 22050;
            ++at;
        }
    }
    run.fraction = frac;
    run.consumed = at;
    return out;
}

namespace sound_render {

// Whether the block renderers take a run: one or two channels, gains within
// 0..128, a carried fraction below one frame and a frequency below four
// times the mix rate. Anything else renders frame by frame.
bool BlockReady(const TRenderRun& run, int channels);

// The block renderers: indices of a block of output frames first, each
// source frame panned once into a packed stereo word, then the words picked
// per output frame. `Vector` pans eight frames at a time with SSE2 where the
// processor has it; both give the frames of RenderRunFrames exactly. The run
// must be BlockReady.
template <bool Vector>
int64_t RenderBlocks(const int16_t* source, int64_t frames, int channels, int16_t* dest,
                     int64_t destFrames, TRenderRun& run);
template <bool Vector>
int64_t RenderBlocks(const uint8_t* source, int64_t frames, int channels, int16_t* dest,
                     int64_t destFrames, TRenderRun& run);

} // namespace sound_render

// The renderer of 16-bit and 8-bit sources: blocks where the run allows,
// frame by frame otherwise.
int64_t RenderRun(const int16_t* source, int64_t frames, int channels, int16_t* dest,
                  int64_t destFrames, TRenderRun& run);
int64_t RenderRun(const uint8_t* source, int64_t frames, int channels, int16_t* dest,
                  int64_t destFrames, TRenderRun& run);
