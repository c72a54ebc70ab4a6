// Runs wavconv on files made by the writers: decoding a PCM wave, an IMA
// ADPCM wave and an album's sound back to the samples, and refusing a file.
#include "TempDir.h"
#include "WavWriter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

std::string Wavconv() {
    std::filesystem::path self = std::filesystem::canonical("/proc/self/exe");
    return (self.parent_path().parent_path().parent_path() / "tools" / "wavconv" / "wavconv")
        .string();
}

int RunWavconv(const std::string& args, const std::string& out) {
    const int status = std::system((Wavconv() + " " + args + " >" + out + " 2>&1").c_str());
    return (status >> 8) & 0xFF;
}

std::string Text(const std::string& path) {
    const Bytes b = testsupport::TempDir::Read(path);
    return std::string(b.begin(), b.end());
}

TEST(Wavconv, DecodesWavesAndAlbumSoundsAndMakesFixtures) {
    testsupport::TempDir dir;
    std::vector<int16_t> tone(3000);
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] = int16_t((i * 977) % 40000 - 20000);
    const Bytes pcm(reinterpret_cast<const uint8_t*>(tone.data()),
                    reinterpret_cast<const uint8_t*>(tone.data() + tone.size()));
    const std::string in = dir.Write("in.wav", tools::PcmWav16(1, 11025, tone));
    const std::string log = dir.File("log.txt");

    // PCM round trip, to bare samples and to a canonical WAVE file.
    ASSERT_EQ(RunWavconv("decode " + in + " " + dir.File("out.raw"), log), 0) << Text(log);
    EXPECT_EQ(Text(log), "channels 1 rate 11025 bits 16\n");
    EXPECT_EQ(testsupport::TempDir::Read(dir.File("out.raw")), pcm);
    ASSERT_EQ(RunWavconv("decode " + in + " " + dir.File("out.wav"), log), 0);
    EXPECT_EQ(testsupport::TempDir::Read(dir.File("out.wav")), tools::PcmWav(1, 11025, 16, pcm));

    // IMA ADPCM made by the tool decodes like the writer's own encoding.
    ASSERT_EQ(RunWavconv("ima " + in + " " + dir.File("ima.wav") + " 256", log), 0) << Text(log);
    EXPECT_EQ(testsupport::TempDir::Read(dir.File("ima.wav")), tools::ImaWav(1, 11025, 256, tone));
    ASSERT_EQ(RunWavconv("decode " + dir.File("ima.wav") + " " + dir.File("ima.raw"), log), 0);
    EXPECT_EQ(Text(log), "channels 1 rate 11025 bits 16\n");
    EXPECT_EQ(testsupport::TempDir::Read(dir.File("ima.raw")).size(), pcm.size());

    // An album of two sounds; the second is picked by entry and sound.
    const std::string eight =
        dir.Write("e.wav", tools::PcmWav(1, 11025, 16, Bytes(pcm.begin(), pcm.begin() + 100)));
    ASSERT_EQ(RunWavconv("sda " + dir.File("a.sda") + " " + eight + " " + in, log), 0) << Text(log);
    ASSERT_EQ(RunWavconv("decode " + dir.File("a.sda") + ":0:1 " + dir.File("a.raw"), log), 0)
        << Text(log);
    EXPECT_EQ(testsupport::TempDir::Read(dir.File("a.raw")), pcm);

    // A refused file reports the engine's message.
    const std::string bad = dir.Write("bad.wav", Bytes(40, 'x'));
    EXPECT_EQ(RunWavconv("decode " + bad + " " + dir.File("x.raw"), log), 1);
    EXPECT_NE(Text(log).find("Cannot find chunk <RIFF> in file."), std::string::npos) << Text(log);
    // A sound past the entry's sounds is refused, and the reason is given.
    EXPECT_EQ(RunWavconv("decode " + dir.File("a.sda") + ":0:2 " + dir.File("x.raw"), log), 1);
    EXPECT_NE(Text(log).find("The selected sound lies outside the album file."), std::string::npos)
        << Text(log);
    EXPECT_EQ(RunWavconv("nonsense", log), 2);
}

} // namespace
