// Synthesised sound: chimes, steps, the sea, music and speech-like babble,
// all from the integer sine table and the seeded generator.
#include "Builder.h"
#include "FixedMath.h"
#include "Texts.h"
#include "WavWriter.h"

#include <algorithm>
#include <sstream>

namespace demo {

namespace {

int16_t Clip(int64_t v) {
    return int16_t(std::clamp<int64_t>(v, -32767, 32767));
}

// Phase step of a frequency given in hundredths of a hertz.
uint32_t Step(int64_t centiHz, int32_t rate) {
    return uint32_t(centiHz * 65536 / 100 / rate);
}

// Semitones from A4 (440 Hz) to hundredths of a hertz, by the twelfth root
// of two in fixed point.
int64_t NoteHz(int32_t semitones) {
    int64_t hz = 44000;
    const int64_t up = 105946, down = 94387; // 2^(1/12) and its inverse, x 100000
    for (; semitones > 0; --semitones)
        hz = hz * up / 100000;
    for (; semitones < 0; ++semitones)
        hz = hz * down / 100000;
    return hz;
}

std::vector<int16_t> Chime(int32_t rate, int32_t ms) {
    const int32_t n = rate * ms / 1000;
    std::vector<int16_t> s(static_cast<size_t>(n));
    uint32_t p1 = 0, p2 = 0;
    for (int32_t i = 0; i < n; ++i) {
        const int64_t env = int64_t(n - i) * 256 / n;
        p1 += Step(NoteHz(3), rate);
        p2 += Step(NoteHz(15), rate);
        s[size_t(i)] = Clip((Sine(p1) + Sine(p2) / 3) * env * env / 65536 / 2);
    }
    return s;
}

// Noise through a low-pass filter. A thud (`swells` 0) opens it a sixth
// and fades out; the sea's filter swells `swells` times over the sound, so a
// looped sea meets its own start.
std::vector<int16_t> Noise(int32_t rate, int32_t ms, uint32_t seed, int32_t swells) {
    const int32_t n = rate * ms / 1000;
    std::vector<int16_t> s(static_cast<size_t>(n));
    Rng rng(seed);
    int32_t low = 0;
    for (int32_t i = 0; i < n; ++i) {
        const int32_t opening =
            swells ? 20 + (Sine(uint32_t(int64_t(i) * swells * 65536 / n)) + 32767) / 1200 : 85;
        low += (rng.Spread(swells ? 24000 : 20000) - low) * opening / 512;
        s[size_t(i)] = Clip(swells ? low : int64_t(low) * (n - i) / n);
    }
    return s;
}

// Semitone offsets from A4 separated by commas, "-" a rest; each note lasts
// `beat` milliseconds with a soft attack and decay.
bool Music(int32_t rate, const std::string& notes, int32_t beat, std::vector<int16_t>* out) {
    std::istringstream in(notes);
    const int32_t per = rate * beat / 1000;
    for (std::string word; std::getline(in, word, ',');) {
        int32_t semis = 0;
        const bool rest = word == "-";
        if (!rest) {
            try {
                semis = std::stoi(word);
            } catch (...) {
                return false;
            }
        }
        uint32_t p = 0, q = 0;
        for (int32_t i = 0; i < per; ++i) {
            p += Step(NoteHz(semis), rate);
            q += Step(NoteHz(semis - 12), rate);
            const int64_t env = std::min<int64_t>(i * 8, int64_t(per - i) * 2) * 256 / per;
            const int64_t v =
                rest ? 0 : (Sine(p) * 2 + Sine(q)) * std::min<int64_t>(env, 256) / 256 / 4;
            out->push_back(Clip(v));
        }
    }
    return !out->empty();
}

// Babble: syllables of a voiced tone with two shifting formants.
std::vector<int16_t> Speech(int32_t rate, int32_t ms, uint32_t seed, int32_t pitch) {
    const int32_t n = rate * ms / 1000;
    std::vector<int16_t> s(static_cast<size_t>(n));
    Rng rng(seed);
    const int32_t syllable = rate / 6;
    int64_t f1 = 500, f2 = 1500;
    uint32_t p0 = 0, p1 = 0, p2 = 0;
    for (int32_t i = 0; i < n; ++i) {
        if (i % syllable == 0) {
            f1 = 300 + rng.Below(500);
            f2 = 1000 + rng.Below(1200);
        }
        const int32_t at = i % syllable;
        const int64_t env = Sine(uint32_t(at * 32768 / syllable)) / 128; // 0 .. 256
        p0 += Step(pitch * 100, rate);
        p1 += Step(f1 * 100, rate);
        p2 += Step(f2 * 100, rate);
        const int64_t voice = Sine(p0) / 2 + int64_t(Sine(p1)) * (Sine(p0) + 32767) / 98304 +
                              int64_t(Sine(p2)) * (Sine(p0) + 32767) / 196608;
        s[size_t(i)] = Clip(voice * env / 256);
    }
    return s;
}

// The game shows a spoken line for as long as its speech plays: a phrase's
// speech (`text=` names the sectioned text that holds its line, the section
// named after the file) lasts as long as the line takes to read, 50 ms a
// character and 1.5 s at least, and a breath more.
constexpr int32_t kBreathMs = 300;

bool ReadingTime(Builder& b, const Asset& a, int32_t* ms) {
    std::string utf8, latin1, error;
    if (!b.ReadSource(a, a.Get("text"), &utf8)) return false;
    std::vector<tools::TextSection> sections;
    if (!ToLatin1(utf8, &latin1) || !ParseSections(latin1, &sections, &error))
        return b.Fail(a, a.Get("text") + ": " + (error.empty() ? "not Latin-1" : error));
    const size_t slash = a.path.rfind('/'), dot = a.path.rfind('.');
    const std::string name = a.path.substr(slash + 1, dot - slash - 1);
    const tools::TextSection* line = FindSection(sections, name);
    if (!line) return b.Fail(a, a.Get("text") + " has no section [" + name + "]");
    *ms = std::max<int32_t>(*ms,
                            std::max<int32_t>(1500, 50 * int32_t(line->text.size())) + kBreathMs);
    return true;
}

} // namespace

bool GenerateWave(Builder& b, const Asset& a) {
    bool ok = true;
    const int32_t rate = a.Int("rate", 22050, &ok);
    int32_t ms = a.Int("ms", a.params.count("text") ? 0 : 1000, &ok);
    if (ok && a.params.count("text") && !ReadingTime(b, a, &ms)) return false;
    const uint32_t seed = uint32_t(a.Int("seed", 1, &ok));
    const int32_t pitch = a.Int("pitch", 120, &ok), beat = a.Int("beat", 250, &ok);
    if (!ok || rate < 8000 || rate > 44100 || ms < 10 || ms > 20000 || beat < 20)
        return b.Fail(a, "rate 8000 .. 44100, ms 10 .. 20000, seed, pitch and beat are numbers");
    const std::string kind = a.Get("kind");
    std::vector<int16_t> s;
    if (kind == "chime")
        s = Chime(rate, ms);
    else if (kind == "steps")
        s = Noise(rate, ms, seed, 0);
    else if (kind == "sea")
        s = Noise(rate, ms, seed, 2);
    else if (kind == "speech")
        s = Speech(rate, ms, seed, pitch);
    else if (kind == "music") {
        if (!Music(rate, a.Get("notes"), beat, &s))
            return b.Fail(a, "notes are semitones from A4 or \"-\"");
    } else {
        return b.Fail(a, "kind is chime, steps, sea, speech or music");
    }
    if (a.Get("ima") == "1") return b.Emit(a, tools::ImaWav(1, uint32_t(rate), 256, s));
    return b.Emit(a, tools::PcmWav16(1, uint32_t(rate), s));
}

} // namespace demo
