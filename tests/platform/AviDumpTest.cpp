// Runs the avidump program on a film made by the writer and checks its text,
// its PAM frames (top row first) and its WAV.
#include "AviPeer.h"

#include "TempDir.h"
#include "WavWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace avitest;

namespace {

// avidump is built at build/tools/avidump/avidump.
std::string Avidump() {
    std::filesystem::path self = std::filesystem::canonical("/proc/self/exe");
    return (self.parent_path().parent_path().parent_path() / "tools" / "avidump" / "avidump")
        .string();
}

std::string RunAvidump(const std::string& args, int* status) {
    const std::string command = Avidump() + " " + args;
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char buffer[512];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe))
        out += buffer;
    const int code = pipe ? pclose(pipe) : -1;
    *status = (code >> 8) & 0xFF;
    return out;
}

TEST(AviDump, PrintsStreamsAndWritesFramesAndSound) {
    testsupport::TempDir dir;
    const std::string path = dir.File("film.avi");
    const int width = 5, height = 3;
    PAVIFILE file = nullptr;
    ASSERT_EQ(AVIFileOpenA(&file, path.c_str(), OF_CREATE | OF_WRITE, nullptr), AVIERR_OK);
    PAVISTREAM video = nullptr, audio = nullptr;
    AVISTREAMINFOA vi = VideoInfo(width, height);
    AVIFileCreateStreamA(file, &video, &vi);
    auto format = DibFormat(width, height, 8, false, 256);
    AVIStreamSetFormat(video, 0, format.data(), LONG(format.size()));
    for (int f = 0; f < 2; ++f) {
        auto p = DibPixels(width, height, 8, false, f);
        AVIStreamWrite(video, f, 1, p.data(), LONG(p.size()), AVIIF_KEYFRAME, nullptr, nullptr);
    }
    AVISTREAMINFOA ai = AudioInfo(11025, 4);
    AVIFileCreateStreamA(file, &audio, &ai);
    auto wave = PcmFormat(2, 11025, 16);
    AVIStreamSetFormat(audio, 0, wave.data(), LONG(wave.size()));
    std::vector<uint8_t> pcm(400);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = uint8_t(i * 13);
    AVIStreamWrite(audio, 0, 100, pcm.data(), 400, AVIIF_KEYFRAME, nullptr, nullptr);
    AVIStreamRelease(video);
    AVIStreamRelease(audio);
    AVIFileRelease(file);

    const std::string out = dir.File("out");
    std::filesystem::create_directories(out);
    int status = -1;
    const std::string text = RunAvidump(path + " " + out, &status);
    EXPECT_EQ(status, 0) << text;
    EXPECT_NE(text.find("file: type AVI streams 2 size 5x3 length 2"), std::string::npos) << text;
    EXPECT_NE(text.find("stream 0: type vids"), std::string::npos) << text;
    EXPECT_NE(text.find("video: 5x3 bits 8"), std::string::npos) << text;
    EXPECT_NE(text.find("audio: tag 1 channels 2 rate 11025 bits 16 block 4"), std::string::npos);

    for (int f = 0; f < 2; ++f) {
        char name[32];
        std::snprintf(name, sizeof name, "/stream00-%05d.pam", f);
        const auto pam = testsupport::TempDir::Read(out + name);
        const std::string header =
            "P7\nWIDTH 5\nHEIGHT 3\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n";
        ASSERT_EQ(pam.size(), header.size() + width * height * 3);
        EXPECT_EQ(std::string(pam.begin(), pam.begin() + header.size()), header);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const uint8_t* p = pam.data() + header.size() + 3 * (y * width + x);
                EXPECT_EQ((uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2],
                          Stored(x, y, f, 8));
            }
    }
    // The canonical file the tools' WAV writer makes of the stream's samples.
    EXPECT_EQ(testsupport::TempDir::Read(out + "/stream01.wav"), tools::PcmWav(2, 11025, 16, pcm));

    RunAvidump(dir.File("missing.avi") + " 2>/dev/null", &status);
    EXPECT_EQ(status, 1);
}

} // namespace
