// Runs playwav headless: what it records is the wave, halved by the mixer, on
// both channels; a looping wave is recorded twice over.
#include "TempDir.h"
#include "ToolProgram.h"
#include "WavWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::string Playwav() {
    std::filesystem::path self = std::filesystem::canonical("/proc/self/exe");
    return (self.parent_path().parent_path().parent_path() / "tools" / "playwav" / "playwav")
        .string();
}

int RunPlaywav(const std::string& args) {
    const int status = std::system((Playwav() + " " + args + " >/dev/null 2>&1").c_str());
    return (status >> 8) & 0xFF;
}

// The 16-bit stereo samples of a canonical WAVE file from the start of sound.
std::vector<int16_t> Recorded(const std::vector<uint8_t>& wav) {
    std::vector<int16_t> s;
    for (size_t i = 44; i + 1 < wav.size(); i += 2)
        s.push_back(int16_t(wav[i] | wav[i + 1] << 8));
    auto first = std::find_if(s.begin(), s.end(), [](int16_t v) { return v != 0; });
    return std::vector<int16_t>(first, s.end());
}

TEST(Playwav, RecordsTheWaveOnceOrLooping) {
    testsupport::TempDir dir;
    std::vector<int16_t> tone(4410);
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] = int16_t(500 + (i * 631) % 20000);
    const std::string in = dir.Write("t.wav", tools::PcmWav16(1, 22050, tone));
    for (bool loop : {false, true}) {
        const std::string out = dir.File(loop ? "loop.wav" : "once.wav");
        ASSERT_EQ(RunPlaywav(in + (loop ? " --loop" : "") + " --record " + out), 0);
        const std::vector<uint8_t> wav = testsupport::TempDir::Read(out);
        ASSERT_GT(wav.size(), 44u);
        EXPECT_EQ(wav[22], 2); // stereo
        const std::vector<int16_t> rec = Recorded(wav);
        const size_t passes = loop ? 2 : 1;
        ASSERT_GE(rec.size(), 2 * tone.size() * passes) << loop;
        for (size_t k = 0; k < tone.size() * passes; ++k) {
            ASSERT_EQ(rec[2 * k], tone[k % tone.size()] >> 1) << loop << " " << k;
            ASSERT_EQ(rec[2 * k + 1], tone[k % tone.size()] >> 1) << loop << " " << k;
        }
        if (!loop) {
            EXPECT_TRUE(std::all_of(rec.begin() + 2 * tone.size(), rec.end(),
                                    [](int16_t v) { return v == 0; }));
        }
    }
    EXPECT_EQ(RunPlaywav(dir.File("missing.wav") + " --record " + dir.File("x.wav")), 1);
    EXPECT_EQ(RunPlaywav("--bogus"), 2);
}

// Without --record the sound is for the ear: with no audio device the
// program fails with SDL's reason instead of playing into the recorder.
TEST(Playwav, WithoutAnAudioDeviceItSaysWhy) {
    testsupport::TempDir dir;
    const std::string in =
        dir.Write("t.wav", tools::PcmWav16(1, 22050, std::vector<int16_t>(2205)));
    const struct {
        std::string env, args;
        int status;
        const char* said;
    } cases[] = {
        {"SDL_AUDIODRIVER=nonesuch", in, 1,
         "playwav: no audio device could be opened (SDL: Audio target 'nonesuch' not available)"},
        {"SDL_AUDIODRIVER=nonesuch", in + " --record " + dir.File("r.wav"), 0, ""},
        {"SDL_AUDIODRIVER=dummy", in, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.env + " " + c.args);
        std::string out;
        EXPECT_EQ(testsupport::RunTool("env " + c.env + " " + Playwav() + " " + c.args, &out),
                  c.status);
        EXPECT_NE(out.find(c.said), std::string::npos) << out;
    }
}

// A wave cut inside its data (5 s declared, half a second there) plays the
// half second it holds, then stops: no seconds of silence for the rest.
TEST(Playwav, ATruncatedWavePlaysWhatIsThere) {
    testsupport::TempDir dir;
    std::vector<int16_t> tone(5 * 22050);
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] = int16_t(500 + (i * 631) % 20000);
    std::vector<uint8_t> wav = tools::PcmWav16(1, 22050, tone);
    wav.resize(44 + 22050); // 11025 samples
    const std::string in = dir.Write("half.wav", wav);
    const std::string out = dir.File("half-rec.wav");
    ASSERT_EQ(RunPlaywav(in + " --record " + out), 0);
    const std::vector<int16_t> rec = Recorded(testsupport::TempDir::Read(out));
    ASSERT_GE(rec.size(), 2u * 11025);
    for (size_t k = 0; k < 11025; ++k)
        ASSERT_EQ(rec[2 * k], tone[k] >> 1) << k;
    // What follows is the player's own second of playing out, not 4.5 s more.
    EXPECT_LT(rec.size() - 2 * 11025, 2u * 22050 * 2);
}

// A sound that cannot be read ends the program with the engine's report of
// why (error 53 and its message, or the missing file), not a bare "cannot
// read", and without playing anything.
TEST(Playwav, ASoundThatCannotBeReadIsReportedWithTheEnginesReason) {
    testsupport::TempDir dir;
    tools::SdaAlbum album;
    album.entries = {{tools::SdaPcmSound(std::vector<uint8_t>(4410, 0x10)),
                      tools::SdaPcmSound(std::vector<uint8_t>(2205, 0x20))}};
    const std::string sda = dir.Write("album.sda", tools::WriteSda(album));
    const struct {
        std::string file;
        const char* said;
    } cases[] = {
        {sda + ":0:2", "error 53"},
        {sda + ":0:2", "The selected sound lies outside the album file."},
        {dir.File("missing.wav"), "missing.wav"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        std::string out;
        EXPECT_EQ(
            testsupport::RunTool(Playwav() + " " + c.file + " --record " + dir.File("r.wav"), &out),
            1);
        EXPECT_NE(out.find(c.said), std::string::npos) << out;
        EXPECT_EQ(out.find("ms\n"), std::string::npos) << out; // nothing was played
    }
}

} // namespace
