// Wave files and sound albums: format reading, chunk walking with the byte
// scan as fallback, PCM and IMA ADPCM streaming, refused files.
#include "ErrorProbe.h"
#include "TempDir.h"
#include "WavWriter.h"
#include "foundation/TError.h"
#include "media/sound/TWave.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// An IMA ADPCM decoder written from the published algorithm, independent of
// the engine's: whole file in, interleaved samples out.
std::vector<int16_t> ReferenceDecode(const Bytes& data, int channels, int align, size_t frames) {
    static const int kIndex[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};
    const int kSteps[89] = {
        7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
        25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
        88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
        307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
        1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
        3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
        12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
    std::vector<int16_t> out;
    for (size_t b = 0; b * align < data.size() && out.size() < frames * channels; ++b) {
        const uint8_t* block = data.data() + b * align;
        const size_t bytes = std::min<size_t>(align, data.size() - b * align);
        int pred[2], index[2];
        std::vector<std::vector<int16_t>> ch(channels);
        for (int c = 0; c < channels; ++c) {
            pred[c] = int16_t(block[4 * c] | block[4 * c + 1] << 8);
            index[c] = block[4 * c + 2];
            ch[c].push_back(int16_t(pred[c]));
        }
        for (size_t at = 4 * channels; at + 4 * channels <= bytes; at += 4 * channels)
            for (int c = 0; c < channels; ++c)
                for (int k = 0; k < 8; ++k) {
                    const int code = (block[at + 4 * c + k / 2] >> (4 * (k & 1))) & 15;
                    const int step = kSteps[index[c]];
                    int diff = step >> 3;
                    if (code & 4) diff += step;
                    if (code & 2) diff += step >> 1;
                    if (code & 1) diff += step >> 2;
                    pred[c] = std::clamp(code & 8 ? pred[c] - diff : pred[c] + diff, -32768, 32767);
                    index[c] = std::clamp(index[c] + kIndex[code], 0, 88);
                    ch[c].push_back(int16_t(pred[c]));
                }
        for (size_t i = 0; i < ch[0].size(); ++i)
            for (int c = 0; c < channels; ++c)
                out.push_back(ch[c][i]);
    }
    out.resize(frames * channels);
    return out;
}

std::vector<int16_t> Tone(size_t frames, int channels) {
    std::vector<int16_t> s;
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            s.push_back(int16_t(12000 * std::sin(0.05 * double(i) * (c + 1)) + 3000 * c));
    return s;
}

Bytes DataOf(const Bytes& wav) {
    // The "data" body of a file made by the writer (it ends the file).
    for (size_t i = 12; i + 8 <= wav.size();) {
        const uint32_t size = wav[i + 4] | wav[i + 5] << 8 | wav[i + 6] << 16 | wav[i + 7] << 24;
        if (std::memcmp(&wav[i], "data", 4) == 0)
            return Bytes(wav.begin() + i + 8, wav.begin() + i + 8 + size);
        i += 8 + size + (size & 1);
    }
    return {};
}

class WaveTest : public ::testing::Test {
protected:
    std::string Put(const std::string& name, const Bytes& bytes) { return dir.Write(name, bytes); }

    std::vector<int16_t> Stream16(TWave& w, int64_t position, int64_t count) {
        EXPECT_TRUE(w.Stream(position, count));
        auto* p = static_cast<const int16_t*>(w.GetData());
        return p ? std::vector<int16_t>(p, p + count) : std::vector<int16_t>{};
    }

    testsupport::TempDir dir;
};

TEST_F(WaveTest, PcmFormatsReportTheirLengthAndStreamAcrossTheEnd) {
    struct Case {
        uint16_t channels, bits;
    } cases[] = {{1, 8}, {2, 8}, {1, 16}, {2, 16}};
    for (const Case& c : cases) {
        Bytes data(40 * c.channels * c.bits / 8);
        for (size_t i = 0; i < data.size(); ++i)
            data[i] = uint8_t(i * 3 + 1);
        TWave w;
        w.SetPath(Put("p.wav", tools::PcmWav(c.channels, 11025, c.bits, data)).c_str());
        ASSERT_TRUE(w.Open());
        const int64_t length = int64_t(data.size()) / (c.bits / 8);
        EXPECT_EQ(w.GetLength(), length);
        EXPECT_EQ(w.GetRate(), 11025u);
        EXPECT_EQ(w.GetChannels(), c.channels);
        EXPECT_EQ(w.GetBits(), c.bits);
        const int bytes = c.bits / 8;
        ASSERT_TRUE(w.Stream(length - 2, 5));
        auto* got = static_cast<const uint8_t*>(w.GetData());
        Bytes expect(data.end() - 2 * bytes, data.end());
        expect.insert(expect.end(), data.begin(), data.begin() + 3 * bytes);
        EXPECT_EQ(Bytes(got, got + 5 * bytes), expect) << c.channels << "x" << c.bits;
        w.Close();
    }
}

TEST_F(WaveTest, RepeatedRequestIsReadOnce) {
    TWave w;
    const std::string path = Put("r.wav", tools::PcmWav(1, 22050, 8, Bytes(100, 0x40)));
    w.SetPath(path.c_str());
    ASSERT_TRUE(w.Open());
    ASSERT_TRUE(w.Stream(10, 20));
    // A mark in the transfer buffer survives the same request: nothing is read.
    void* first = w.GetData();
    static_cast<uint8_t*>(first)[0] = 0x99;
    ASSERT_TRUE(w.Stream(10, 20));
    EXPECT_EQ(static_cast<uint8_t*>(w.GetData())[0], 0x99);
    ASSERT_TRUE(w.Stream(11, 20));
    EXPECT_EQ(static_cast<uint8_t*>(w.GetData())[0], 0x40);
}

TEST_F(WaveTest, AdpcmMatchesAnIndependentDecoderAtEveryKindOfStart) {
    for (int channels : {1, 2})
        for (int align : {256, 512, 1024, 2048}) {
            const uint16_t a = uint16_t(align * channels / (channels == 2 ? 2 : 1));
            const size_t frames = 3 * ((a / channels - 4) * 2 + 1) + 77; // partial last block
            const Bytes wav = tools::ImaWav(uint16_t(channels), 22050, a, Tone(frames, channels));
            const std::vector<int16_t> ref = ReferenceDecode(DataOf(wav), channels, a, frames);
            TWave w;
            w.SetPath(Put("a.wav", wav).c_str());
            ASSERT_TRUE(w.Open());
            ASSERT_EQ(w.GetLength(), int64_t(frames * channels));
            const int64_t spb = ((a / channels - 4) * 2 + 1) * channels;
            const int64_t starts[] = {0, spb, spb + channels, spb + 10 * channels,
                                      3 * spb + 4 * channels};
            for (int64_t start : starts) {
                const int64_t count = std::min<int64_t>(spb + 6, int64_t(ref.size()) - start);
                EXPECT_EQ(Stream16(w, start, count),
                          std::vector<int16_t>(ref.begin() + start, ref.begin() + start + count))
                    << channels << " channels, align " << a << ", start " << start;
            }
            w.Close();
        }
}

TEST_F(WaveTest, ChunksAreWalkedPastJunkListsAndLeadingBytes) {
    Bytes data = {1, 2, 3, 4, 5, 6};
    Bytes wav = tools::PcmWav(1, 22050, 8, data);
    // JUNK before "fmt ", and a LIST whose text holds "data".
    Bytes junk = {'J', 'U', 'N', 'K', 3, 0, 0, 0, 'x', 'y', 'z', 0};
    Bytes list = {'L', 'I', 'S', 'T', 8, 0, 0, 0, 'd', 'a', 't', 'a', 9, 9, 9, 9};
    Bytes body(wav.begin() + 12, wav.end());
    const size_t fmtEnd = 8 + 16;
    Bytes mixed(wav.begin(), wav.begin() + 12);
    mixed.insert(mixed.end(), junk.begin(), junk.end());
    mixed.insert(mixed.end(), body.begin(), body.begin() + fmtEnd);
    mixed.insert(mixed.end(), list.begin(), list.end());
    mixed.insert(mixed.end(), body.begin() + fmtEnd, body.end());
    Bytes lead = {'x', 'R', 'I', 'F', 0, 0};
    mixed.insert(mixed.begin(), lead.begin(), lead.end());
    TWave w;
    w.SetPath(Put("m.wav", mixed).c_str());
    ASSERT_TRUE(w.Open());
    EXPECT_EQ(w.GetLength(), 6);
    ASSERT_TRUE(w.Stream(0, 6));
    auto* got = static_cast<const uint8_t*>(w.GetData());
    EXPECT_EQ(Bytes(got, got + 6), data);
    EXPECT_EQ(TError::ErrorsPending(), false);
}

TEST_F(WaveTest, RefusedFilesReportTheirMessages) {
    Bytes pcm = tools::PcmWav(1, 22050, 8, Bytes(8, 0x80));
    auto patched = [&](size_t at, std::vector<uint8_t> bytes) {
        Bytes b = pcm;
        std::copy(bytes.begin(), bytes.end(), b.begin() + at);
        return b;
    };
    Bytes noFact = tools::ImaWav(1, 22050, 256, Tone(600, 1));
    std::memcpy(&noFact[12 + 8 + 20], "junk", 4);
    Bytes bigFact = tools::ImaWav(1, 22050, 256, Tone(600, 1));
    bigFact[12 + 8 + 20 + 8] = 0xFF, bigFact[12 + 8 + 20 + 9] = 0xFF;
    Bytes shortFmt = pcm;
    shortFmt[16] = 12; // "fmt " of 12 bytes: the rest of the header is not read
    struct Case {
        const char* what;
        Bytes file;
        const char* message;
    } cases[] = {
        {"no RIFF", Bytes(30, 'x'), "Cannot find chunk <RIFF> in file."},
        {"not WAVE", patched(8, {'A', 'V', 'I', ' '}), "File is not a valid wave file."},
        {"no fmt", patched(12, {'f', 'm', 'x', ' '}), "Cannot find subchunk <fmt> in file."},
        {"no data", patched(36, {'d', 'a', 't', 'x'}), "Cannot find subchunk <data> in file."},
        {"tag 3", patched(20, {3, 0}), "Only wave files with PCM or ADPCM format are supported."},
        {"24 bits", patched(34, {24, 0}),
         "Only wave files with PCM or ADPCM format are supported."},
        {"0 channels", patched(22, {0, 0}),
         "Only wave files with PCM or ADPCM format are supported."},
        {"rate 0", patched(24, {0, 0, 0, 0}),
         "Only wave files with PCM or ADPCM format are supported."},
        {"no fact", noFact, "Cannot find subchunk <fact> in file."},
        {"fact too big", bigFact, "File is not a valid wave file."},
        {"short fmt", shortFmt, "Only wave files with PCM or ADPCM format are supported."},
    };
    for (const Case& c : cases) {
        TError::ClearLists();
        TWave w;
        w.SetPath(Put("bad.wav", c.file).c_str());
        EXPECT_FALSE(w.Open()) << c.what;
        EXPECT_EQ(w.GetLength(), 0) << c.what;
        EXPECT_FALSE(w.Stream(0, 4)) << c.what;
        TError::CommitPending();
        ASSERT_NE(NewestError(), nullptr) << c.what;
        EXPECT_EQ(NewestError()->code, 53) << c.what;
        EXPECT_STREQ(NewestError()->message.c_str(), c.message) << c.what;
        w.Close();
    }
}

// A file cut inside its data plays what it holds, never silence beyond it:
// the length counts whole frames in the file, and ADPCM the frames of the
// blocks (the last one cut short) that are there.
TEST_F(WaveTest, AWaveCutInsideItsDataPlaysWhatIsThere) {
    Bytes wav = tools::PcmWav(1, 22050, 8, Bytes(10, 0x70));
    wav[40] = 100; // the data chunk claims 100 bytes
    TWave w;
    w.SetPath(Put("t.wav", wav).c_str());
    ASSERT_TRUE(w.Open());
    EXPECT_EQ(w.GetLength(), 10);
    ASSERT_TRUE(w.Stream(0, 15)); // repeats from the start, as a whole sound does
    EXPECT_EQ(Bytes(static_cast<uint8_t*>(w.GetData()), static_cast<uint8_t*>(w.GetData()) + 15),
              Bytes(15, 0x70));
    w.Close();

    const std::vector<int16_t> tone = Tone(1000, 2);
    Bytes stereo = tools::PcmWav16(2, 22050, tone);
    stereo.resize(stereo.size() - 1001); // cut inside a frame
    TWave s;
    s.SetPath(Put("s.wav", stereo).c_str());
    ASSERT_TRUE(s.Open());
    EXPECT_EQ(s.GetLength(), 2000 - 502); // whole frames only
    EXPECT_EQ(Stream16(s, 0, 1498), std::vector<int16_t>(tone.begin(), tone.begin() + 1498));
    s.Close();

    const std::vector<int16_t> mono = Tone(3000, 1);
    Bytes ima = tools::ImaWav(1, 22050, 256, mono);
    const size_t cut = DataOf(ima).size() - 2 * 256 - 100; // inside the third block from the end
    ima.resize(ima.size() - 2 * 256 - 100);
    TWave a;
    a.SetPath(Put("a.wav", ima).c_str());
    ASSERT_TRUE(a.Open());
    const int64_t rest = int64_t(cut % 256);
    const int64_t frames = int64_t(cut / 256) * 505 + (rest >= 4 ? (rest - 4) * 2 + 1 : 0);
    ASSERT_GT(rest, 4);
    EXPECT_EQ(a.GetLength(), frames);
    const Bytes packed(DataOf(tools::ImaWav(1, 22050, 256, mono)));
    const auto ref = ReferenceDecode(packed, 1, 256, size_t(frames));
    EXPECT_EQ(Stream16(a, 0, frames), ref);
    a.Close();
    TError::CommitPending();
    EXPECT_EQ(NewestError(), nullptr);
}

TEST_F(WaveTest, ExtensionsChooseThePart) {
    TWave none, other;
    none.SetPath(Put("noext", Bytes(4)).c_str());
    EXPECT_EQ(none.GetKind(), TWave::kNone);
    TError::CommitPending();
    ASSERT_NE(NewestError(), nullptr);
    EXPECT_EQ(NewestError()->code, 50);
    other.SetPath(Put("x.mp3", Bytes(4)).c_str());
    EXPECT_EQ(other.GetKind(), TWave::kNone);
    TError::CommitPending();
    EXPECT_EQ(NewestError()->code, 49);
}

TEST_F(WaveTest, AlbumsOfVersion300AndAnother) {
    std::vector<int16_t> tone = Tone(1500, 1);
    Bytes pcm = {10, 20, 30, 40, 50, 60};
    tools::SdaAlbum pcmAlbum{300, 1, 1, 11025, 8, {{tools::SdaPcmSound(pcm)}, {}}};
    pcmAlbum.entries[1] = {tools::SdaPcmSound({1, 2}), tools::SdaPcmSound({7, 8, 9})};
    TWave w;
    w.SetPath(Put("s.sda", tools::WriteSda(pcmAlbum)).c_str());
    w.Album().SetEntry(1);
    w.Album().SetSound(1);
    ASSERT_TRUE(w.Open());
    EXPECT_EQ(w.GetLength(), 3);
    EXPECT_EQ(w.GetRate(), 11025u);
    ASSERT_TRUE(w.Stream(0, 3));
    EXPECT_EQ(Bytes(static_cast<uint8_t*>(w.GetData()), static_cast<uint8_t*>(w.GetData()) + 3),
              (Bytes{7, 8, 9}));
    w.Close();

    tools::SdaAlbum ima{300, 17, 1, 22050, 4, {{tools::SdaImaSound(1, tone)}}};
    TWave a;
    a.SetPath(Put("i.sda", tools::WriteSda(ima)).c_str());
    ASSERT_TRUE(a.Open());
    EXPECT_EQ(a.GetLength(), 1500);
    EXPECT_EQ(a.GetBits(), 16);
    const Bytes packed = tools::ImaEncode(1, 512, tone, nullptr);
    const auto ref = ReferenceDecode(packed, 1, 512, 1500);
    EXPECT_EQ(Stream16(a, 1000, 400), std::vector<int16_t>(ref.begin() + 1000, ref.begin() + 1400));
    a.Close();

    pcmAlbum.version = 299;
    TWave old;
    old.SetPath(Put("o.sda", tools::WriteSda(pcmAlbum)).c_str());
    EXPECT_TRUE(old.Open()); // data offset 255
    EXPECT_EQ(old.GetLength(), 0);
    EXPECT_FALSE(old.Stream(0, 4));
    old.Close();

    TWave negative;
    negative.SetPath(Put("n.sda", tools::WriteSda(ima)).c_str());
    negative.Album().SetEntry(-1);
    EXPECT_FALSE(negative.Open());
    negative.Close();
}

} // namespace
