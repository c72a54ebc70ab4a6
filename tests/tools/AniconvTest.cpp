// Runs aniconv on animations of every kind and the anirec harness headless:
// the frames and audio written match what went in, and both recordings of
// the harness match what it drew.
#include "foundation/TError.h"
#include "media/animation/TMetaAni.h"

#include "AlbumWriter.h"
#include "TempDir.h"
#include "ToolProgram.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::string Program(const char* name) {
    std::filesystem::path self = std::filesystem::canonical("/proc/self/exe");
    return (self.parent_path().parent_path().parent_path() / "tools" / name / name).string();
}

int RunProgram(const char* program, const std::string& args, const std::string& log) {
    const int status = std::system((Program(program) + " " + args + " >" + log + " 2>&1").c_str());
    return (status >> 8) & 0xFF;
}

// The header and the pixel bytes of a PAM file.
struct Pam {
    std::string header;
    std::vector<uint8_t> data;
};

Pam ReadPam(const std::string& path) {
    const std::vector<uint8_t> bytes = testsupport::TempDir::Read(path);
    const std::string text(bytes.begin(), bytes.end());
    const size_t end = text.find("ENDHDR\n");
    if (end == std::string::npos) return {};
    return {text.substr(0, end + 7), {bytes.begin() + long(end + 7), bytes.end()}};
}

class Aniconv : public ::testing::Test {
protected:
    std::string Out(const std::string& name) {
        std::filesystem::create_directories(dir.File(name));
        return dir.File(name);
    }
    testsupport::TempDir dir;
};

TEST_F(Aniconv, AlbumClipsThroughThePalette) {
    tools::AlbumPlan plan;
    plan.palette = {10, 20, 30, 40, 50, 60};
    plan.entries = {{4, 1, {std::vector<uint8_t>(4, 0)}, 0},
                    {4, 1, {{0, 1, 1, 0}, {1, 1, 1, 1}}, 0}};
    const std::string in = dir.Write("strip.alb", tools::WriteAlbum(plan, nullptr));
    // Options may come before or after the files.
    ASSERT_EQ(RunProgram("aniconv", in + " " + Out("a") + " --clip 1", dir.File("log")), 0);
    const Pam first = ReadPam(dir.File("a/0000.pam"));
    EXPECT_EQ(first.header, "P7\nWIDTH 4\nHEIGHT 1\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n");
    EXPECT_EQ(first.data, (std::vector<uint8_t>{10, 20, 30, 40, 50, 60, 40, 50, 60, 10, 20, 30}));
    EXPECT_TRUE(std::filesystem::exists(dir.File("a/0001.pam")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("a/0002.pam")));
}

TEST_F(Aniconv, DeltaFramesWithoutAPaletteAreGreyIndexes) {
    const std::string in = dir.File("grey.dla");
    {
        TMetaAni ani;
        ani.SetPath(in.c_str());
        ASSERT_EQ(ani.Open(2), 1);
        std::vector<uint8_t> pixels = {0, 128, 255, 7};
        static GdlPixelFormat format = {255, 255, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        GdlBitmap b{2, 2, 8, 2, pixels.data(), nullptr, &format};
        ani.SetPixelFormat(&b);
        ASSERT_EQ(ani.WriteFrame(0), 1);
        ani.Close();
    }
    ASSERT_EQ(RunProgram("aniconv", "--raw " + in + " " + Out("g"), dir.File("log")), 0);
    EXPECT_EQ(ReadPam(dir.File("g/0000.pam")).data,
              (std::vector<uint8_t>{0, 0, 0, 128, 128, 128, 255, 255, 255, 7, 7, 7}));
}

TEST_F(Aniconv, FilmAudioAsCanonicalWaveOrBareBytes) {
    const std::string in = dir.File("talk.avi");
    std::vector<uint8_t> pcm(64);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = uint8_t(i * 3);
    {
        TMetaAni ani;
        ani.SetPath(in.c_str());
        ASSERT_EQ(ani.Open(2), 1);
        ani.SetAudioChannels(1);
        ani.SetAudioRate(11025);
        ani.SetAudioBits(16);
        ani.SetAudioData(pcm.data());
        ASSERT_EQ(ani.WriteAudio(0, int32_t(pcm.size())), 1);
        std::vector<uint8_t> pixels = {0, 0, 255, 0, 255, 0}; // blue, green
        static GdlPixelFormat format = {255, 255, 255, 0, 16, 0, 8, 0, 0, 0, 0, 0};
        GdlBitmap b{2, 1, 24, 6, pixels.data(), nullptr, &format};
        ani.SetPixelFormat(&b);
        ASSERT_EQ(ani.WriteFrame(0), 1);
        ani.Close();
    }
    ASSERT_EQ(RunProgram("aniconv", in + " " + Out("w"), dir.File("log")), 0);
    EXPECT_EQ(ReadPam(dir.File("w/0000.pam")).data, (std::vector<uint8_t>{255, 0, 0, 0, 255, 0}));
    const std::vector<uint8_t> wav = testsupport::TempDir::Read(dir.File("w/audio.wav"));
    ASSERT_EQ(wav.size(), 44 + pcm.size());
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
    EXPECT_EQ(wav[22], 1);                    // channels
    EXPECT_EQ(wav[24] | wav[25] << 8, 11025); // rate
    EXPECT_EQ(std::vector<uint8_t>(wav.begin() + 44, wav.end()), pcm);
    ASSERT_EQ(RunProgram("aniconv", "--raw " + in + " " + Out("r"), dir.File("log")), 0);
    EXPECT_EQ(testsupport::TempDir::Read(dir.File("r/audio.raw")), pcm);
}

TEST_F(Aniconv, RefusesWhatItCannotRead) {
    const std::string in = dir.Write("broken.dla", std::vector<uint8_t>(10, 0));
    EXPECT_EQ(RunProgram("aniconv", in + " " + Out("x"), dir.File("log")), 1);
    const std::vector<uint8_t> log = testsupport::TempDir::Read(dir.File("log"));
    EXPECT_NE(std::string(log.begin(), log.end()).find("error 55"), std::string::npos);
    EXPECT_EQ(RunProgram("aniconv", "--clip", dir.File("log")), 2);
}

// Nothing written is a failure with the engine's report, never "frames 0"
// and success.
TEST_F(Aniconv, NoFramesIsAFailure) {
    tools::AlbumPlan plan;
    plan.palette = {10, 20, 30};
    plan.entries = {{4, 1, {std::vector<uint8_t>(4, 0)}, 0}};
    const std::string album = dir.Write("one.alb", tools::WriteAlbum(plan, nullptr));
    const struct {
        std::string args, said;
    } cases[] = {
        {dir.File("missing.alb"), "error 2: That file does not exist."},
        {"--clip 99 " + album, album + ": clip 99 out of 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        EXPECT_EQ(RunProgram("aniconv", c.args + " " + Out("n"), dir.File("log")), 1);
        const std::string log = testsupport::ReadTextFile(dir.File("log"));
        EXPECT_NE(log.find(c.said), std::string::npos) << log;
        EXPECT_EQ(log.find("frames 0"), std::string::npos) << log;
    }
}

// The harness records one second headless; both recordings hold what it
// drew (the film in 5:5:5, so green may lose its lowest bits).
TEST_F(Aniconv, TheCaptureHarnessRecordsWhatItDrew) {
    const std::string rec = Out("rec");
    ASSERT_EQ(RunProgram("anirec", "--memory --seconds 1 " + rec, dir.File("log")), 0);
    ASSERT_EQ(RunProgram("aniconv", rec + "/capture.dla " + Out("dla"), dir.File("log")), 0);
    ASSERT_EQ(RunProgram("aniconv", rec + "/capture.avi " + Out("avi"), dir.File("log")), 0);
    int frames = 0;
    for (; std::filesystem::exists(rec + "/drawn/" + std::to_string(10000 + frames).substr(1) +
                                   ".pam");
         ++frames) {
        const std::string name = "/" + std::to_string(10000 + frames).substr(1) + ".pam";
        SCOPED_TRACE(name);
        const Pam drawn = ReadPam(rec + "/drawn" + name), delta = ReadPam(dir.File("dla") + name),
                  film = ReadPam(dir.File("avi") + name);
        ASSERT_FALSE(drawn.data.empty());
        EXPECT_EQ(delta.header, drawn.header);
        EXPECT_EQ(delta.data, drawn.data);
        EXPECT_EQ(film.header, drawn.header);
        ASSERT_EQ(film.data.size(), drawn.data.size());
        for (size_t i = 0; i < drawn.data.size(); ++i)
            ASSERT_NEAR(film.data[i], drawn.data[i], 4) << "byte " << i;
    }
    EXPECT_GE(frames, 9);
    EXPECT_FALSE(std::filesystem::exists(dir.File("dla") + "/" +
                                         std::to_string(10000 + frames).substr(1) + ".pam"));
}

} // namespace
