// Envelopes, pan and the rendering of sound processors.

#include "SoundEngine.h"
#include "media/sound/TEnvelope.h"
#include "media/sound/TMixer.h"
#include "media/sound/TSoundBuffer.h"
#include "media/sound/TSoundProcessor.h"

#include <vector>

namespace {

TEST(Envelope, PanTable) {
    struct Case {
        uint32_t pan;
        int32_t left, right;
    } cases[] = {{0, 127, 0},    {63, 127, 125}, {64, 127, 127},
                 {65, 124, 127}, {127, 0, 127},  {500, 0, 127}};
    for (const Case& c : cases) {
        TEnvelope e;
        e.SetPan(c.pan);
        EXPECT_EQ(e.MatrixEntry(0, 0), c.left) << c.pan;
        EXPECT_EQ(e.MatrixEntry(1, 1), c.right) << c.pan;
        EXPECT_EQ(e.MatrixEntry(0, 1), 0);
    }
}

TEST(Envelope, Level) {
    TEnvelope e;
    e.SetAttack(100);
    e.SetSustain(90);
    e.Start(0);
    EXPECT_EQ(e.Level(50), 63);
    EXPECT_EQ(e.Level(100), 90); // decay 0 jumps to the sustain level
    e.Release(200);
    EXPECT_EQ(e.Level(200), 0); // release 0 ends at once
    EXPECT_TRUE(e.IsFinished(200));
    TEnvelope d;
    d.SetDecay(100);
    d.SetSustain(27);
    d.SetRelease(100);
    d.Start(0);
    EXPECT_EQ(d.Level(50), 77);
    d.Release(100);
    EXPECT_EQ(d.Level(150), 14);
    EXPECT_FALSE(d.IsFinished(150));
    EXPECT_TRUE(d.IsFinished(200));
}

class ProcessorTest : public SoundEngineTest {
protected:
    void SetUp() override {
        SoundEngineTest::SetUp();
        mixer.SetFlags(1);
        ASSERT_EQ(mixer.Init(nullptr), 0);
        processor.AttachMixer(&mixer);
    }
    void TearDown() override {
        processor.Stop();
        SoundEngineTest::TearDown();
    }
    // Plays a buffer holding `samples` and returns the first `frames` mix
    // frames of the voice ring it rendered (silence follows the data).
    template <class T>
    std::vector<int16_t> Render(const std::vector<T>& samples, uint16_t channels, uint32_t freq,
                                int64_t frames) {
        buffer.Alloc(1024, sizeof(T) * 8, channels, freq);
        buffer.Write(samples.data(), int64_t(samples.size()));
        processor.AttachBuffer(&buffer);
        processor.SetFrequency(freq);
        EXPECT_TRUE(processor.Play());
        TSoundBlock block;
        EXPECT_TRUE(mixer.GetVoiceBlock(processor.GetVoice(), 0, frames * 2, &block));
        auto* ring = static_cast<const int16_t*>(block.data);
        return std::vector<int16_t>(ring, ring + frames * 2);
    }

    TMixer mixer;
    TSoundBuffer buffer;
    TSoundProcessor processor;
};

TEST_F(ProcessorTest, HalfRateRepeatsEachFrameAndMonoFeedsBothChannels) {
    const auto out = Render<int16_t>({100, 200, 300}, 1, 11025, 6);
    EXPECT_EQ(out,
              (std::vector<int16_t>{100, 100, 100, 100, 200, 200, 200, 200, 300, 300, 300, 300}));
}

TEST_F(ProcessorTest, DoubleRateSkipsEverySecondFrame) {
    const auto out = Render<int16_t>({1, -1, 2, -2, 3, -3, 4, -4}, 2, 44100, 2);
    EXPECT_EQ(out, (std::vector<int16_t>{1, -1, 3, -3}));
}

TEST_F(ProcessorTest, EightBitSamplesAndPan) {
    processor.SetPan(0);
    const auto out = Render<uint8_t>({128, 129, 0, 255}, 1, 22050, 4);
    EXPECT_EQ(out, (std::vector<int16_t>{0, 0, 256, 0, -32768, 0, 32512, 0}));
}

TEST_F(ProcessorTest, StopPositionMidBlockEndsThere) {
    processor.SetStopPosition(3);
    const auto out = Render<int16_t>({5, 6, 7, 8, 9}, 1, 22050, 5);
    EXPECT_EQ(out, (std::vector<int16_t>{5, 5, 6, 6, 7, 7, 0, 0, 0, 0}));
}

TEST_F(ProcessorTest, RenderingSaturates) {
    processor.SetPan(64);
    const auto out = Render<int16_t>({32767, -32768}, 2, 22050, 1);
    EXPECT_EQ(out, (std::vector<int16_t>{32767, -32768}));
}

} // namespace

// Sound buffers, envelopes and processors checked against models of the ring,
// the gains and the resampling, with the processor driven by mixer passes on
// virtual time.
namespace {

TEST(SoundBufferCheck, AllocCountsReferencesAndRefusesEmptyFormats) {
    struct Case {
        int64_t length;
        uint32_t bits, channels, rate;
        bool ok;
        int64_t kept;
    } cases[] = {
        {7, 16, 2, 22050, true, 6},   {9, 8, 3, 8000, true, 9},
        {0, 16, 1, 22050, false, 0},  {10, 0, 1, 22050, false, 0},
        {10, 16, 0, 22050, false, 0}, {10, 16, 0x10000, 22050, false, 0},
        {10, 16, 1, 0, false, 0},
    };
    for (const Case& c : cases) {
        TSoundBuffer b;
        EXPECT_EQ(b.Alloc(c.length, c.bits, c.channels, c.rate), c.ok) << c.length;
        EXPECT_EQ(b.HasData(), c.ok);
        if (c.ok) {
            EXPECT_EQ(b.GetLength(), c.kept);
        }
        // A later reference changes nothing and succeeds.
        EXPECT_TRUE(b.Alloc(99, 8, 1, 1));
        EXPECT_EQ(b.HasData(), c.ok);
        b.Release();
        EXPECT_EQ(b.HasData(), c.ok); // one reference left
        b.Release();
        EXPECT_FALSE(b.HasData());
    }
}

TEST(SoundBufferCheck, WritesWrapAndReadBlocksStopAtTheRingEnd) {
    TSoundBuffer b;
    ASSERT_TRUE(b.Alloc(10, 16, 1, 22050));
    const int16_t data[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    EXPECT_EQ(b.GetFreeSpace(), 10);
    b.SetPosition(6);
    EXPECT_EQ(b.Write(data, 12), 10); // cut to the free space
    EXPECT_EQ(b.GetWritePosition(), 16);
    EXPECT_EQ(b.GetFreeSpace(), 0);
    EXPECT_EQ(b.Write(data, 1), 0);
    TSoundBlock blk;
    ASSERT_TRUE(b.GetReadBlock(6, &blk));
    EXPECT_EQ(blk.count, 4); // indices 6..9, then the ring wraps
    EXPECT_EQ(static_cast<int16_t*>(blk.data)[0], 1);
    ASSERT_TRUE(b.GetReadBlock(10, &blk));
    EXPECT_EQ(blk.count, 6);
    EXPECT_EQ(static_cast<int16_t*>(blk.data)[0], 5);
    EXPECT_FALSE(b.GetReadBlock(16, &blk));
    b.SetReadPosition(12);
    EXPECT_EQ(b.GetFreeSpace(), 6);
    b.SetReadPosition(40); // past the data: nothing to read, all free
    EXPECT_EQ(b.GetWritePosition(), 40);
    EXPECT_EQ(b.GetFreeSpace(), 10);
    b.SetPosition(100);
    b.SetReadPosition(80); // behind: the write stays within one ring
    EXPECT_EQ(b.GetWritePosition(), 90);
    EXPECT_EQ(b.Write(nullptr, 3), 0);
    b.Release();
}

TEST(EnvelopeCheck, GainsAreLevelTimesPanTimesVolume) {
    TEnvelope e;
    e.SetVolume(300); // cut to 127
    EXPECT_EQ(e.GetVolume(), 127u);
    e.SetVolume(100);
    e.SetPan(40);
    e.SetAttack(100);
    e.Start(1000);
    struct Case {
        int s, o;
        int64_t t;
        int32_t gain;
    } cases[] = {
        {0, 0, 999, 0},
        {0, 0, 1100, 100},
        {1, 1, 1100, 127 * 79 * 100 / 16129},
        {0, 1, 1100, 0},
        {1, 0, 1100, 0},
        {2, 0, 1100, 0},
        {0, 2, 1100, 0},
        {0, 0, 1050, 63 * 127 * 100 / 16129},
    };
    for (const Case& c : cases)
        EXPECT_EQ(e.Gain(c.s, c.o, c.t), c.gain) << c.s << c.o << " at " << c.t;
    e.SetRelease(400);
    EXPECT_FALSE(e.IsFinished(100000)); // never while running
    e.Release(1200);
    EXPECT_EQ(e.Level(1300), 127 - 127 * 100 / 400);
    EXPECT_FALSE(e.IsFinished(1599));
    EXPECT_TRUE(e.IsFinished(1600));
    EXPECT_EQ(e.Level(1600), 0);
}

class ProcessorCheckTest : public SoundEngineTest {
protected:
    void SetUp() override {
        SoundEngineTest::SetUp();
        mixer.SetFlags(1);
        ASSERT_EQ(mixer.Init(nullptr), 0);
        ASSERT_EQ(mixer.OpenOutput(), 0);
        mixer.Timer()->SetEnabled(false);
        processor.AttachMixer(&mixer);
    }
    void TearDown() override {
        processor.Stop();
        mixer.CloseOutput();
        SoundEngineTest::TearDown();
    }
    void Tick() { TMixer::TimerTick(reinterpret_cast<uintptr_t>(&mixer)); }
    // A 16-bit buffer of `frames` frames at `position`, attached and written.
    void Load(uint16_t channels, uint32_t rate, int64_t length, int64_t position,
              const std::vector<int16_t>& samples) {
        ASSERT_TRUE(buffer.Alloc(length, 16, channels, rate));
        processor.AttachBuffer(&buffer);
        buffer.SetPosition(position);
        processor.SetPosition(position);
        buffer.Write(samples.data(), int64_t(samples.size()));
        processor.SetFrequency(rate);
    }
    std::vector<int16_t> Ring(int64_t samples) {
        TSoundBlock b;
        EXPECT_TRUE(mixer.GetVoiceBlock(processor.GetVoice(), mixer.GetPlayed(processor.GetVoice()),
                                        samples, &b));
        auto* p = static_cast<const int16_t*>(b.data);
        return std::vector<int16_t>(p, p + samples);
    }

    TMixer mixer;
    TSoundBuffer buffer;
    TSoundProcessor processor;
};

// 16000 Hz stereo data across the buffer's ring end, volume 100 and pan 40:
// each output frame takes the current source frame, scaled by its gain; the
// source moves on whenever 22050ths of a frame add up.
TEST_F(ProcessorCheckTest, ResamplingWithGainsAcrossTheRingEnd) {
    std::vector<int16_t> samples;
    for (int i = 0; i < 40; ++i)
        samples.push_back(int16_t((i % 2 ? -1 : 1) * (1000 + 731 * i)));
    processor.SetVolume(100);
    processor.SetPan(40);
    Load(2, 16000, 64, 50, samples); // indices 50..63, then 0..25
    ASSERT_TRUE(processor.Play());
    const int32_t gl = 127 * 127 * 100 / 16129, gr = 127 * 79 * 100 / 16129;
    std::vector<int16_t> model;
    for (int64_t frac = 0, at = 0; at < 20;) {
        model.push_back(int16_t(samples[size_t(2 * at)] * gl >> 7));
        model.push_back(int16_t(samples[size_t(2 * at + 1)] * gr >> 7));
        for (frac += 16000; frac >= 22050; frac -= 22050)
            ++at;
    }
    const size_t n = model.size();
    model.resize(n + 8, 0); // silence after the data
    EXPECT_EQ(Ring(int64_t(model.size())), model);
}

TEST_F(ProcessorCheckTest, PassesMoveThePlayPositionByTheFrequency) {
    Load(2, 11025, 131072, 0, std::vector<int16_t>(60000, 500));
    processor.SetStopPosition(6000);
    ASSERT_TRUE(processor.Play());
    Tick(); // just started
    EXPECT_EQ(processor.GetPosition(), 0);
    platform::ClockAdvance(200);
    Tick(); // 8192 mix samples: 4096 frames at 11025 Hz are 2048 source frames
    EXPECT_EQ(processor.GetPosition(), 4096);
    EXPECT_EQ(buffer.GetReadPosition(), 4096);
    EXPECT_TRUE(processor.IsPlaying());
    platform::ClockAdvance(200);
    Tick(); // past the stop position: ends exactly there
    EXPECT_EQ(processor.GetPosition(), 6000);
    EXPECT_FALSE(processor.IsPlaying());
    EXPECT_EQ(processor.GetVoice(), -1);
}

TEST_F(ProcessorCheckTest, ReleaseEndsAtOnceOrAfterItsFade) {
    Load(1, 22050, 131072, 0, std::vector<int16_t>(100000, 1000));
    ASSERT_TRUE(processor.Play());
    EXPECT_FALSE(processor.Play()); // the voice already plays
    processor.Release();            // release time 0
    EXPECT_FALSE(processor.IsPlaying());
    EXPECT_EQ(processor.GetVoice(), -1);

    processor.AttachBuffer(&buffer);
    processor.SetRelease(300);
    ASSERT_TRUE(processor.Play());
    Tick();
    processor.Release();
    EXPECT_TRUE(processor.IsPlaying());
    for (int i = 0; i < 3; ++i) {
        platform::ClockAdvance(200);
        Tick();
    }
    EXPECT_FALSE(processor.IsPlaying()); // 3 x 185 ms played: the fade is over
}

TEST_F(ProcessorCheckTest, CommandsWithoutTheirPrerequisitesDoNothing) {
    TSoundProcessor lone;
    EXPECT_EQ(lone.GetPosition(), 0);
    EXPECT_FALSE(lone.Play());
    EXPECT_FALSE(lone.IsPlaying());
    EXPECT_EQ(lone.GetLevel(), 0);
    lone.SetFrequency(11025); // no mixer: ignored
    EXPECT_EQ(lone.GetFrequency(), 22050u);
    EXPECT_EQ(TSoundProcessor::Refill(0), 0);
    processor.SetFrequency(0);
    EXPECT_EQ(processor.GetFrequency(), 22050u);
    processor.SetFrequency(30000);
    EXPECT_EQ(processor.GetFrequency(), 30000u);
    EXPECT_FALSE(processor.Play()); // no buffer
}

} // namespace
