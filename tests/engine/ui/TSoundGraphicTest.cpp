// The animation player with small films written through the animation
// resource (24-bit frames, optionally a 16-bit mono PCM track): its timer
// by the frame rate, the sound's speed following a changed rate, the frame
// notices with and without loop, an empty range, and pictures held back by
// a sound that does not play on (virtual time stands still).
#include "TempDir.h"
#include "UiFixture.h"
#include "foundation/TCache.h"
#include "media/animation/TMetaAni.h"
#include "media/sound/TSndDev.h"
#include "media/sound/TSoundProcessor.h"
#include "platform/Clock.h"
#include "platform/Sound.h"
#include "ui/TSoundGraphic.h"

#include <string>
#include <vector>

namespace {

struct FilmPlan {
    float fps;
    int32_t frames;
    int32_t soundRate; // 0: no sound track
};

std::string WriteFilm(const std::string& path, const FilmPlan& plan) {
    TMetaAni ani;
    ani.SetPath(path.c_str());
    EXPECT_EQ(ani.Open(2), 1);
    ani.SetRate(plan.fps);
    std::vector<uint8_t> pcm;
    if (plan.soundRate) {
        ani.SetAudioChannels(1);
        ani.SetAudioBits(16);
        ani.SetAudioRate(plan.soundRate);
        // A tenth of a second of sound a frame.
        pcm.assign(size_t(plan.soundRate / 10 * 2 * plan.frames), 0);
        ani.SetAudioData(pcm.data());
        EXPECT_EQ(ani.WriteAudio(0, int32_t(pcm.size())), 1);
    }
    static const GdlPixelFormat k888 = {255, 255, 255, 0, 16, 0, 8, 0, 0, 0, 0, 0};
    std::vector<uint8_t> pixels(8 * 6 * 3, 0x40);
    GdlBitmap b{8, 6, 24, 24, pixels.data(), nullptr, const_cast<GdlPixelFormat*>(&k888)};
    ani.SetPixelFormat(&b);
    for (int32_t i = 0; i < plan.frames; ++i)
        EXPECT_EQ(ani.WriteFrame(i), 1);
    ani.Close();
    return path;
}

struct Player : TSoundGraphic {
    Player() {
        SetNotify(1);
        Add<Player, &Player::Heard>(evAnimation, this);
    }
    int Heard(TObject*, TEvent* e) {
        notices.push_back(int32_t(e->data[0]));
        return 1;
    }
    std::vector<int32_t> notices;
};

class SoundGraphic : public uitest::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        platform::SetSoundDeviceCount(1);
        platform::SetSoundSink(platform::SoundSinkChoice::Recording);
        platform::SetSoundRecording(true);
        platform::ClockUseVirtual(true, 1000);
        TSndDev::Global().SetOutputFlags(1);
        ASSERT_EQ(TSndDev::Global().Attach(nullptr), 1);
        TSndDev::Global().SetEnabled(true);
        TCache::Global().Start();
    }
    void TearDown() override {
        TSndDev::Global().SetEnabled(false);
        TSndDev::Global().Detach();
        platform::ClockUseVirtual(false);
        UiTest::TearDown();
    }
    TMetaAni& Film(const FilmPlan& plan) {
        films.push_back(std::make_unique<TMetaAni>());
        films.back()->SetPath(
            WriteFilm(dir.File("f" + std::to_string(films.size()) + ".avi"), plan).c_str());
        return *films.back();
    }
    // Ticks through the tree, each a little longer than the player's interval.
    void Tick(Player& p, int n) {
        for (int i = 0; i < n; ++i) {
            TEvent tick;
            tick.SetType(evTick);
            tick.data[0] = int32_t(p.GetTimer().GetInterval()) + 1;
            root.HandleEvent(nullptr, &tick);
        }
    }
    testsupport::TempDir dir;
    std::vector<std::unique_ptr<TMetaAni>> films;
};

TEST_F(SoundGraphic, TheTimerFollowsTheFrameRate) {
    const struct {
        float filmFps, rate;
        float interval;
        int32_t ticks;
    } cases[] = {{25.0f, 0.0f, 40.0f, 1},
                 {25.0f, 5.0f, 100.0f, 2},
                 {5.0f, 0.0f, 100.0f, 2},
                 {25.0f, 12.5f, 80.0f, 1},
                 {25.0f, 2.5f, 100.0f, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rate);
        Player p;
        p.SetAnimation(&Film({c.filmFps, 2, 0}));
        p.SetFrameRate(c.rate);
        p.Update();
        EXPECT_FLOAT_EQ(p.GetTimer().GetInterval(), c.interval);
        EXPECT_EQ(p.GetTicksPerFrame(), c.ticks);
    }
}

TEST_F(SoundGraphic, HalfTheRateHalvesTheSoundsFrequency) {
    Player p;
    p.Attach(&root);
    p.SetAnimation(&Film({25.0f, 4, 22050}));
    p.SetFrameRate(12.5f);
    p.Play();
    ASSERT_TRUE(p.IsSoundOn());
    EXPECT_EQ(p.GetBytesPerFrame(), 22050 / 10 * 2);
    p.Update();
    ASSERT_NE(p.GetAudio().Processor(), nullptr);
    EXPECT_EQ(p.GetAudio().Processor()->GetFrequency(), 11025u);
    p.Stop();
    EXPECT_FALSE(p.IsSoundOn());
    EXPECT_EQ(p.notices, (std::vector<int32_t>{0, 1}));
    p.Detach();
}

TEST_F(SoundGraphic, FramesStepWithAndWithoutLoop) {
    const struct {
        uint32_t flags;
        std::vector<int32_t> frames, notices;
    } cases[] = {
        {0, {1, 2, 2, 2, 2}, {0, 4, 4, 5}}, // the end is told once, the timer stops
        {TSoundGraphic::sgLoop, {1, 2, 0, 1, 2}, {0, 4, 4, 4, 4, 4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        Player p;
        p.Attach(&root);
        p.SetAnimation(&Film({25.0f, 3, 0}));
        p.SetFlags(c.flags);
        p.Play();
        std::vector<int32_t> frames;
        for (size_t i = 0; i < c.frames.size(); ++i) {
            Tick(p, 1);
            frames.push_back(p.GetCurrentFrame());
        }
        EXPECT_EQ(frames, c.frames);
        EXPECT_EQ(p.notices, c.notices);
        p.Stop();
        EXPECT_EQ(p.GetCurrentFrame(), 0);
        p.Detach();
    }
}

TEST_F(SoundGraphic, AnEmptyRangeStaysAtItsStartAndEndsOnce) {
    Player p;
    p.Attach(&root);
    p.SetAnimation(&Film({25.0f, 5, 0}));
    p.SetRange(3, 3);
    p.Play();
    Tick(p, 3);
    EXPECT_EQ(p.GetCurrentFrame(), 3);
    EXPECT_EQ(p.notices, (std::vector<int32_t>{0, 5}));
    p.Detach();
}

TEST_F(SoundGraphic, ALaggingSoundHoldsTheFrame) {
    Player p;
    p.Attach(&root);
    p.SetAnimation(&Film({10.0f, 6, 8000}));
    p.Play();
    ASSERT_TRUE(p.IsSoundOn());
    ASSERT_TRUE(p.GetAudio().IsPlaying());
    Tick(p, 4); // the sound stays at its start: one frame ahead at most
    EXPECT_EQ(p.GetCurrentFrame(), 1);
    EXPECT_EQ(p.GetFramesStepped(), 1);
    p.SetSoundSync(0);
    Tick(p, 2);
    EXPECT_EQ(p.GetCurrentFrame(), 3);
    p.Detach();
}

} // namespace
