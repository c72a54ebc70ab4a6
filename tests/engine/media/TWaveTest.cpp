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

// One channel of an IMA ADPCM decoder written from the published algorithm,
// independent of the engine's.
struct ImaChannel {
    int pred, index;
    int16_t Next(int code) {
        static const int kIndex[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};
        static const int kStep[89] = {
            7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,
            23,    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,
            73,    80,    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,
            230,   253,   279,   307,   337,   371,   408,   449,   494,   544,   598,   658,
            724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
            2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,
            7132,  7845,  8630,  9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350,
            22385, 24623, 27086, 29794, 32767};
        const int step = kStep[index];
        int diff = step >> 3;
        if (code & 4) diff += step;
        if (code & 2) diff += step >> 1;
        if (code & 1) diff += step >> 2;
        pred = std::clamp(code & 8 ? pred - diff : pred + diff, -32768, 32767);
        index = std::clamp(index + kIndex[code], 0, 88);
        return int16_t(pred);
    }
};

// The reference decoder: blocks of `align` bytes, each channel's 4-byte
// header, then its codes over 4-byte groups (a mono block's last codes need
// not fill a group); interleaved samples out.
std::vector<int16_t> Decode(const Bytes& data, int channels, int align) {
    std::vector<int16_t> out;
    for (size_t start = 0; start + 4 * channels <= data.size(); start += align) {
        const size_t end = std::min(data.size(), start + align);
        std::vector<std::vector<int16_t>> ch(channels);
        for (int c = 0; c < channels; ++c) {
            const uint8_t* h = &data[start + 4 * c];
            ImaChannel state{int16_t(h[0] | h[1] << 8), std::min<int>(h[2], 88)};
            ch[c].push_back(int16_t(state.pred));
            auto codes = [&](size_t from, size_t to) {
                for (size_t i = from; i < to; ++i)
                    for (int k = 0; k < 2; ++k)
                        ch[c].push_back(state.Next(k ? data[i] >> 4 : data[i] & 15));
            };
            size_t g = start + 4 * channels + 4 * c;
            for (; g + 4 <= end; g += 4 * channels)
                codes(g, g + 4);
            if (channels == 1) codes(g, end);
        }
        for (size_t i = 0; i < ch[0].size(); ++i)
            for (int c = 0; c < channels; ++c)
                out.push_back(ch[c][i]);
    }
    return out;
}

// The first `frames` frames the reference decodes (zeros past its end).
std::vector<int16_t> ReferenceDecode(const Bytes& data, int channels, int align, size_t frames) {
    std::vector<int16_t> out = Decode(data, channels, align);
    out.resize(frames * size_t(channels));
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

// Wave files and sound albums checked against files built here byte by byte
// from the RIFF, IMA ADPCM and album layouts, decoded by a decoder of the
// test's own.
namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

void Append(Bytes& b, const Bytes& more) {
    b.insert(b.end(), more.begin(), more.end());
}

// A chunk: id, size (or `claimed` when given), body, pad byte for odd sizes.
Bytes Chunk(const char* id, const Bytes& body, int64_t claimed = -1) {
    Bytes b(id, id + 4);
    Put32(b, uint32_t(claimed >= 0 ? claimed : int64_t(body.size())));
    Append(b, body);
    if (body.size() & 1) b.push_back(0);
    return b;
}

Bytes Riff(const std::vector<Bytes>& chunks, const char* form = "WAVE") {
    Bytes body(form, form + 4);
    for (const Bytes& c : chunks)
        Append(body, c);
    return Chunk("RIFF", body);
}

Bytes Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t align, uint16_t bits,
          bool extended = false) {
    Bytes b;
    Put16(b, tag);
    Put16(b, channels);
    Put32(b, rate);
    Put32(b, rate * align);
    Put16(b, align);
    Put16(b, bits);
    if (extended) { // the two extra words of IMA ADPCM headers
        Put16(b, 2);
        Put16(b, uint16_t((align / channels - 4) * 2 + 1));
    }
    return Chunk("fmt ", b);
}

Bytes Fact(uint32_t frames) {
    Bytes b;
    Put32(b, frames);
    return Chunk("fact", b);
}

// Deterministic noise: any bytes are valid ADPCM codes.
Bytes Noise(size_t n, uint32_t seed) {
    Bytes b(n);
    for (uint8_t& v : b) {
        seed = seed * 1103515245u + 12345u;
        v = uint8_t(seed >> 16);
    }
    return b;
}

// ADPCM data of `blocks` blocks of `align` bytes plus `tail` bytes, headers
// with varied first samples and step indices (some past 88).
Bytes AdpcmData(int channels, int align, int blocks, int tail) {
    Bytes data = Noise(size_t(align) * blocks + tail, 7u * align + channels);
    for (int k = 0; k <= blocks; ++k) {
        const size_t at = size_t(k) * align;
        for (int c = 0; c < channels && at + 4 * c + 4 <= data.size(); ++c) {
            const int16_t first = int16_t(-20000 + 9000 * k + 700 * c);
            data[at + 4 * c] = uint8_t(first);
            data[at + 4 * c + 1] = uint8_t(uint16_t(first) >> 8);
            data[at + 4 * c + 2] = uint8_t((k * 23 + c * 40) % 100); // 88..99 clamp
            data[at + 4 * c + 3] = 0;
        }
    }
    return data;
}

class WaveCheckTest : public ::testing::Test {
protected:
    std::string Put(const std::string& name, const Bytes& bytes) { return dir.Write(name, bytes); }

    static std::vector<int16_t> Samples16(TWave& w, int64_t position, int64_t count) {
        if (!w.Stream(position, count)) return {};
        auto* p = static_cast<const int16_t*>(w.GetData());
        return std::vector<int16_t>(p, p + count);
    }
    static Bytes Samples8(TWave& w, int64_t position, int64_t count) {
        if (!w.Stream(position, count)) return {};
        auto* p = static_cast<const uint8_t*>(w.GetData());
        return Bytes(p, p + count);
    }

    testsupport::TempDir dir;
};

TEST_F(WaveCheckTest, AdpcmOfEveryAlignAndLayoutDecodesAsPublished) {
    struct Case {
        int channels, align, blocks, tail;
    } cases[] = {
        {1, 256, 3, 100}, {1, 512, 2, 37},  {1, 1024, 2, 0},  {1, 2048, 1, 9},
        {2, 512, 3, 72},  {2, 1024, 2, 40}, {2, 2048, 1, 17}, {2, 4096, 1, 520},
    };
    for (const Case& c : cases) {
        const Bytes data = AdpcmData(c.channels, c.align, c.blocks, c.tail);
        const std::vector<int16_t> ref = Decode(data, c.channels, c.align);
        const auto frames = uint32_t(ref.size() / c.channels);
        const Bytes file = Riff({Fmt(17, uint16_t(c.channels), 22050, uint16_t(c.align), 4, true),
                                 Fact(frames), Chunk("data", data)});
        TWave w;
        w.SetPath(Put("a.wav", file).c_str());
        ASSERT_TRUE(w.Open()) << c.align;
        ASSERT_EQ(w.GetLength(), int64_t(ref.size())) << c.align;
        EXPECT_EQ(w.GetBits(), 16);
        const int64_t perBlock = ((c.align / c.channels - 4) * 2 + 1) * c.channels;
        const int64_t len = int64_t(ref.size());
        const int64_t starts[] = {0,
                                  c.channels,
                                  5 * c.channels,
                                  perBlock,
                                  perBlock - c.channels,
                                  perBlock + 3 * c.channels,
                                  len - 2 * c.channels};
        for (int64_t s : starts) {
            // A stretch running past the end continues at the start.
            const int64_t count = std::min<int64_t>(perBlock + 10, len) & ~int64_t(1);
            std::vector<int16_t> expect;
            for (int64_t i = 0; i < count; ++i)
                expect.push_back(ref[size_t((s + i) % len)]);
            EXPECT_EQ(Samples16(w, s, count), expect)
                << c.channels << " ch, align " << c.align << ", from " << s;
        }
        w.Close();
    }
}

TEST_F(WaveCheckTest, ChunkLayoutsThatReadTheSame) {
    const Bytes pcm = {10, 20, 30, 40, 50, 60, 70};
    const Bytes fmt = Fmt(1, 1, 11025, 1, 8);
    Bytes lead(4094, 'R'); // "RIFF" straddles the scan's first window
    Append(lead, Riff({fmt, Chunk("data", pcm)}));
    Bytes shortRiff = Riff({fmt, Chunk("data", pcm)});
    shortRiff[4] = 4; // a RIFF size that ends before the chunks
    Bytes badSize = Riff({fmt, Chunk("JUNK", Bytes(5, 1), 0x7FFFFFF0), Chunk("data", pcm)});
    struct Case {
        const char* what;
        Bytes file;
    } cases[] = {
        {"data before fmt", Riff({Chunk("data", pcm), fmt})},
        {"odd LIST holding data",
         Riff({Chunk("LIST", {'d', 'a', 't', 'a', 3, 0, 0, 0, 1}), fmt, Chunk("data", pcm)})},
        {"fmt of 18 bytes",
         Riff({Chunk("fmt ", {1, 0, 1, 0, 0x11, 0x2B, 0, 0, 0x11, 0x2B, 0, 0, 1, 0, 8, 0, 0, 0}),
               Chunk("data", pcm)})},
        {"two data chunks", Riff({fmt, Chunk("data", pcm), Chunk("data", {1, 2})})},
        {"leading bytes", lead},
        {"short RIFF size", shortRiff},
        {"sizes that do not add up", badSize},
    };
    for (const Case& c : cases) {
        TError::ClearLists();
        TWave w;
        w.SetPath(Put("c.wav", c.file).c_str());
        ASSERT_TRUE(w.Open()) << c.what;
        EXPECT_EQ(w.GetLength(), 7) << c.what;
        EXPECT_EQ(w.GetRate(), 11025u) << c.what;
        EXPECT_EQ(Samples8(w, 0, 7), pcm) << c.what;
        TError::CommitPending();
        EXPECT_EQ(NewestError(), nullptr) << c.what;
        w.Close();
    }
}

TEST_F(WaveCheckTest, FormatsAndLengths) {
    struct Case {
        Bytes fmt;
        Bytes data;
        int64_t length;
        uint16_t channels, bits;
    } cases[] = {
        {Fmt(1, 1, 8000, 1, 8), Bytes(9), 9, 1, 8},
        {Fmt(1, 2, 8000, 4, 16), Bytes(13), 6, 2, 16}, // an odd byte is no sample
        {Fmt(1, 6, 8000, 12, 16), Bytes(24), 12, 6, 16},
        {Fmt(1, 3, 8000, 3, 8), Bytes(9), 9, 3, 8},
    };
    for (const Case& c : cases) {
        TWave w;
        w.SetPath(Put("f.wav", Riff({c.fmt, Chunk("data", c.data)})).c_str());
        // Asked while closed: the file is opened for the answer and closed again.
        EXPECT_EQ(w.GetLength(), c.length);
        EXPECT_EQ(w.GetChannels(), c.channels);
        EXPECT_EQ(w.GetBits(), c.bits);
        EXPECT_EQ(w.GetRate(), 8000u);
        EXPECT_FALSE(w.Stream(0, 2)); // not open
        ASSERT_TRUE(w.Open());
        EXPECT_TRUE(w.Stream(0, 0)); // nothing asked: success
        EXPECT_TRUE(w.Stream(0, 2));
        w.Close();
    }
}

TEST_F(WaveCheckTest, RefusedFilesAndTheirReports) {
    const Bytes data = Chunk("data", Bytes(600, 0x11));
    const Bytes ima = Fmt(17, 1, 22050, 256, 4, true);
    Bytes tinyFmt = Riff({Chunk("fmt ", {1, 0, 1, 0, 0x22, 0x56, 0, 0}), data});
    struct Case {
        const char* what;
        Bytes file;
        const char* message;
    } cases[] = {
        {"form AVI", Riff({Fmt(1, 1, 8000, 1, 8), data}, "AVI "), "File is not a valid wave file."},
        {"no fmt", Riff({data}), "Cannot find subchunk <fmt> in file."},
        {"no data", Riff({Fmt(1, 1, 8000, 1, 8)}), "Cannot find subchunk <data> in file."},
        {"fmt of 8 bytes", tinyFmt, "Only wave files with PCM or ADPCM format are supported."},
        {"ADPCM of 3 bits", Riff({Fmt(17, 1, 22050, 256, 3, true), Fact(10), data}),
         "Only wave files with PCM or ADPCM format are supported."},
        {"ADPCM of 3 channels", Riff({Fmt(17, 3, 22050, 768, 4), Fact(10), data}),
         "Only wave files with PCM or ADPCM format are supported."},
        {"ADPCM without fact", Riff({ima, data}), "Cannot find subchunk <fact> in file."},
        {"fact past the data", Riff({ima, Fact(2000), data}), "File is not a valid wave file."},
        {"PCM of 12 bits", Riff({Fmt(1, 1, 8000, 2, 12), data}),
         "Only wave files with PCM or ADPCM format are supported."},
        {"format 2", Riff({Fmt(2, 1, 8000, 256, 4), data}),
         "Only wave files with PCM or ADPCM format are supported."},
    };
    for (const Case& c : cases) {
        TError::ClearLists();
        TWave w;
        w.SetPath(Put("bad.wav", c.file).c_str());
        EXPECT_FALSE(w.Open()) << c.what;
        EXPECT_FALSE(w.Stream(0, 4)) << c.what;
        TError::CommitPending();
        TErrorRec* e = NewestError();
        ASSERT_NE(e, nullptr) << c.what;
        EXPECT_EQ(e->code, 53) << c.what;
        EXPECT_STREQ(e->message.c_str(), c.message) << c.what;
        EXPECT_STREQ(e->source.c_str(), "Source\\TCustWav") << c.what;
        w.Close();
    }
    // An ADPCM file whose fact fits its data exactly reads.
    const int64_t fits = 2 * 505 + (88 - 4) * 2 + 1; // two blocks and a tail of 88 bytes
    TWave ok;
    ok.SetPath(Put("ok.wav", Riff({ima, Fact(uint32_t(fits)), data})).c_str());
    EXPECT_TRUE(ok.Open());
    EXPECT_EQ(ok.GetLength(), fits);
    ok.Close();
}

TEST_F(WaveCheckTest, ExtensionsAndTheirReports) {
    const Bytes file = Riff({Fmt(1, 1, 8000, 1, 8), Chunk("data", Bytes(4, 1))});
    TWave upper;
    upper.SetPath(Put("UP.WAV", file).c_str());
    EXPECT_EQ(upper.GetKind(), TWave::kWav);
    EXPECT_EQ(upper.GetLength(), 4);
    struct Case {
        const char* name;
        int32_t code;
        const char* message;
    } cases[] = {{"plain", 50, "Missing file extension."},
                 {"x.wave", 49, "Invalid file extension."}};
    for (const Case& c : cases) {
        TError::ClearLists();
        TWave w;
        const std::string path = Put(c.name, file);
        w.SetPath(path.c_str());
        EXPECT_EQ(w.GetKind(), TWave::kNone);
        EXPECT_FALSE(w.Open());
        TError::CommitPending();
        TErrorRec* e = NewestError();
        ASSERT_NE(e, nullptr) << c.name;
        EXPECT_EQ(e->code, c.code);
        EXPECT_STREQ(e->message.c_str(), c.message);
        EXPECT_STREQ(e->source.c_str(), "Source\\TWave");
        EXPECT_NE(std::string(e->object.c_str()).find(c.name), std::string::npos);
    }
}

// A sound album: 255-byte header, 64-byte entries from 255, sound tables of
// absolute offsets, each sound two values and its data.
struct Album {
    uint16_t version = 300, tableBase = 0, tag = 1, channels = 1, bits = 8;
    uint32_t rate = 11025;
    struct Sound {
        uint32_t first, second;
        Bytes data;
    };
    std::vector<std::vector<Sound>> entries;

    Bytes Write() const {
        Bytes b(255, 0);
        b[0] = uint8_t(version), b[1] = uint8_t(version >> 8);
        b[2] = uint8_t(tableBase), b[3] = uint8_t(tableBase >> 8);
        b[16] = uint8_t(tag), b[18] = uint8_t(channels);
        for (int i = 0; i < 4; ++i)
            b[20 + i] = uint8_t(rate >> (8 * i));
        b[30] = uint8_t(bits);
        const size_t tables = 255 + 64 * entries.size();
        b.resize(tables, 0);
        size_t tableAt = tables, soundAt = tables;
        for (const auto& e : entries)
            soundAt += (tableBase * 16 + e.size()) * 4;
        for (size_t k = 0; k < entries.size(); ++k) {
            const uint32_t rel = uint32_t(tableAt - 255);
            for (int i = 0; i < 4; ++i)
                b[255 + 64 * k + 6 + i] = uint8_t(rel >> (8 * i));
            b.resize(tableAt + (tableBase * 16 + entries[k].size()) * 4, 0xEE);
            for (size_t s = 0; s < entries[k].size(); ++s) {
                const size_t slot = tableAt + (tableBase * 16 + s) * 4;
                for (int i = 0; i < 4; ++i)
                    b[slot + i] = uint8_t(soundAt >> (8 * i));
                soundAt += 8 + entries[k][s].data.size();
            }
            tableAt = b.size();
        }
        for (const auto& e : entries)
            for (const Sound& s : e) {
                Put32(b, s.first);
                Put32(b, s.second);
                Append(b, s.data);
            }
        return b;
    }
};

TEST_F(WaveCheckTest, AlbumsPickTheirSoundsByEntryAndNumber) {
    Album pcm8;
    pcm8.tableBase = 1; // the table of each entry starts 16 slots in
    pcm8.entries = {{{3, 3, {1, 2, 3}}}, {{2, 2, {4, 5}}, {4, 4, {6, 7, 8, 9}}}};
    TWave w;
    w.SetPath(Put("p.sda", pcm8.Write()).c_str());
    w.Album().SetEntry(1);
    w.Album().SetSound(1);
    EXPECT_EQ(w.GetLength(), 4); // closed: read for the answer
    EXPECT_EQ(w.GetRate(), 11025u);
    ASSERT_TRUE(w.Open());
    EXPECT_EQ(Samples8(w, 1, 5), (Bytes{7, 8, 9, 6, 7}));
    w.Close();
    w.Album().SetEntry(0);
    w.Album().SetSound(0);
    EXPECT_EQ(w.GetLength(), 3);

    Album pcm16;
    pcm16.bits = 16;
    pcm16.channels = 2;
    pcm16.entries = {{{8, 8, {1, 0, 2, 0, 3, 0, 4, 0}}}};
    TWave s;
    s.SetPath(Put("s.sda", pcm16.Write()).c_str());
    ASSERT_TRUE(s.Open());
    EXPECT_EQ(s.GetLength(), 4); // bytes halved
    EXPECT_EQ(s.GetChannels(), 2);
    EXPECT_EQ(Samples16(s, 2, 2), (std::vector<int16_t>{3, 4}));
    s.Close();

    // ADPCM: packed bytes first, decoded bytes second; blocks of 512 per channel.
    for (int channels : {1, 2}) {
        const Bytes data = AdpcmData(channels, 512 * channels, 2, 200 * channels);
        const std::vector<int16_t> ref = Decode(data, channels, 512 * channels);
        Album ima;
        ima.tag = 17, ima.bits = 4, ima.channels = uint16_t(channels), ima.rate = 22050;
        ima.entries = {{{uint32_t(data.size()), uint32_t(ref.size() * 2), data}}};
        TWave a;
        a.SetPath(Put("i.sda", ima.Write()).c_str());
        ASSERT_TRUE(a.Open());
        ASSERT_EQ(a.GetLength(), int64_t(ref.size()));
        EXPECT_EQ(a.GetBits(), 16);
        const int64_t from = 1017 * channels - 4;
        EXPECT_EQ(Samples16(a, from, 300),
                  std::vector<int16_t>(ref.begin() + from, ref.begin() + from + 300))
            << channels;
        a.Close();
    }
}

TEST_F(WaveCheckTest, HostileAlbumsAreRefusedOrReadErrors) {
    Album other;
    other.version = 299;
    other.entries = {{{3, 3, {1, 2, 3}}}};
    TWave o;
    o.SetPath(Put("o.sda", other.Write()).c_str());
    EXPECT_TRUE(o.Open()); // opens at 255, but with no length nothing streams
    EXPECT_EQ(o.GetLength(), 0);
    EXPECT_FALSE(o.Stream(0, 2));
    o.Close();

    // Every selection whose tables do not lead to a sound inside the file is
    // refused with a report, never believed (a length past the file played
    // as gigabytes of silence).
    Album big;
    big.entries = {{{5000, 5000, {1, 2, 3}}}}; // claims more than the file holds
    Album ima;
    ima.tag = 17, ima.bits = 4, ima.channels = 1;
    ima.entries = {{{100, 4000, Noise(100, 3)}}}; // decoded length past the packed data
    // Two sounds: sound 2 reads the first sound's byte count as its offset,
    // which lands in the first sound's data, all 0xFF: a length of 4 GB.
    Album past;
    past.entries = {{{1000, 1000, Bytes(1000, 0xFF)}, {2, 2, {1, 2}}}};
    Album farOffset;
    farOffset.entries = {{{3, 3, {1, 2, 3}}}, {}};
    struct Case {
        const char* what;
        const Album& album;
        int32_t entry, sound;
    } cases[] = {
        {"length past the file", big, 0, 0},  {"decoded past the data", ima, 0, 0},
        {"sound past the entry", past, 0, 2}, {"entry past the table", farOffset, 1000, 0},
        {"negative sound", farOffset, 0, -3}, {"slot past the file", farOffset, 1, 5},
    };
    int n = 0;
    for (const Case& c : cases) {
        TError::ClearLists();
        TWave w;
        const std::string path = Put("h" + std::to_string(n++) + ".sda", c.album.Write());
        w.SetPath(path.c_str());
        w.Album().SetEntry(c.entry);
        w.Album().SetSound(c.sound);
        EXPECT_FALSE(w.Open()) << c.what;
        EXPECT_EQ(w.GetLength(), 0) << c.what;
        EXPECT_FALSE(w.Stream(0, 2)) << c.what;
        w.Close();
        TError::CommitPending();
        TErrorRec* e = NewestError();
        ASSERT_NE(e, nullptr) << c.what;
        EXPECT_EQ(e->code, 53) << c.what;
        EXPECT_STREQ(e->message.c_str(), "The selected sound lies outside the album file.");
        EXPECT_EQ(std::string(e->object.c_str()), path) << c.what;
    }
    // The sounds that are there still play.
    TWave w;
    w.SetPath(Put("p.sda", past.Write()).c_str());
    w.Album().SetSound(1);
    ASSERT_TRUE(w.Open());
    EXPECT_EQ(Samples8(w, 0, 2), (Bytes{1, 2}));
    w.Close();
}

} // namespace
