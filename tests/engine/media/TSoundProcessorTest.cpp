// Envelopes, pan and the rendering of sound processors.
#include "SoundEngine.h"
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
