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

#include <memory>
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

// A second look at the animation player with small silent films written
// through the animation resource: the timer for slow and fast rates, two
// ticks a frame, a range that loops, a frame limit, the animation kept while
// playing, a start without an animation, and the size and hollowness that
// follow the film and the state. Expectations are counted by hand.
namespace {

std::string WriteSilentFilm(const std::string& path, float fps, int32_t frames) {
    TMetaAni ani;
    ani.SetPath(path.c_str());
    EXPECT_EQ(ani.Open(2), 1);
    ani.SetRate(fps);
    static const GdlPixelFormat k888 = {255, 255, 255, 0, 16, 0, 8, 0, 0, 0, 0, 0};
    std::vector<uint8_t> pixels(12 * 7 * 3, 0x80);
    GdlBitmap b{12, 7, 24, 36, pixels.data(), nullptr, const_cast<GdlPixelFormat*>(&k888)};
    ani.SetPixelFormat(&b);
    for (int32_t i = 0; i < frames; ++i)
        EXPECT_EQ(ani.WriteFrame(i), 1);
    ani.Close();
    return path;
}

class PlayerCheck : public uitest::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        TCache::Global().Start();
    }
    void TearDown() override { UiTest::TearDown(); }
    TMetaAni& Film(float fps, int32_t frames) {
        films.push_back(std::make_unique<TMetaAni>());
        const std::string name = "c" + std::to_string(films.size()) + ".avi";
        films.back()->SetPath(WriteSilentFilm(dir.File(name), fps, frames).c_str());
        return *films.back();
    }
    // Frames after each of n ticks of the timer's interval and a bit, each
    // followed by a frame as in the main loop.
    std::vector<int32_t> Ticks(Player& p, int n) {
        std::vector<int32_t> frames;
        for (int i = 0; i < n; ++i) {
            TEvent tick;
            tick.SetType(evTick);
            tick.data[0] = int32_t(p.GetTimer().GetInterval()) + 1;
            root.HandleEvent(nullptr, &tick);
            Frame();
            frames.push_back(p.GetCurrentFrame());
        }
        return frames;
    }
    testsupport::TempDir dir;
    std::vector<std::unique_ptr<TMetaAni>> films;
};

TEST_F(PlayerCheck, TheTimerForSlowAndFastRates) {
    const struct {
        float filmFps, rate;
        float interval;
        int32_t ticks;
    } cases[] = {
        {3.0f, 0.0f, 1000.0f / 3.0f / 3.0f, 3}, // n = trunc(10 / 3)
        {10.0f, 0.0f, 100.0f, 1},
        {7.0f, 0.0f, 1000.0f / 7.0f, 1}, // trunc(10 / 7) = 1
        {25.0f, 50.0f, 20.0f, 1},        // the field wins over the film
        {25.0f, -1.0f, 40.0f, 1},        // not above 0: the film's own
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filmFps * 100 + c.rate);
        Player p;
        p.SetAnimation(&Film(c.filmFps, 2));
        p.SetFrameRate(c.rate);
        p.Update();
        EXPECT_FLOAT_EQ(p.GetTimer().GetInterval(), c.interval);
        EXPECT_EQ(p.GetTicksPerFrame(), c.ticks);
    }
    Player none;
    none.Update();
    EXPECT_FLOAT_EQ(none.GetTimer().GetInterval(), 100.0f); // 10 frames a second
    EXPECT_EQ(none.GetTicksPerFrame(), 1);
}

TEST_F(PlayerCheck, StepsOfRangesLimitsAndSlowFilms) {
    const struct {
        float fps;
        int32_t frames, first, last, limit;
        uint32_t flags;
        std::vector<int32_t> seen, notices;
    } cases[] = {
        // Two ticks a frame; the layout after the start's first tick sets
        // the countdown once more, so the first step takes a tick longer.
        {5.0f, 4, -1, -1, -1, 0, {0, 0, 1, 1, 2}, {0, 4, 4}},
        {25.0f, 5, 1, 3, -1, 1, {2, 1, 2, 1}, {0, 4, 4, 4, 4}}, // loops inside 1 to 3
        {25.0f, 5, -1, -1, 2, 0, {1, 2, 2, 2}, {0, 4, 5}},      // stops after two steps
        {25.0f, 5, 3, -1, -1, 0, {4, 4, 4}, {0, 4, 5}},         // from 3 to the end
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fps * 100 + c.first * 10 + c.limit);
        Player p;
        p.Attach(&root);
        p.SetAnimation(&Film(c.fps, c.frames));
        p.SetRange(c.first, c.last);
        p.SetFrameLimit(c.limit);
        p.SetFlags(c.flags);
        p.Play();
        EXPECT_EQ(Ticks(p, int(c.seen.size())), c.seen);
        EXPECT_EQ(p.notices, c.notices);
        p.Stop();
        EXPECT_EQ(p.notices.back(), 1);
        p.Detach();
    }
}

TEST_F(PlayerCheck, StateSizeAndTheAnimationWhilePlaying) {
    Player p;
    p.Attach(&root);
    p.SetAutoSize(1);
    TMetaAni& film = Film(25.0f, 3);
    TMetaAni& other = Film(25.0f, 3);
    p.SetAnimation(&film);
    p.Update();
    EXPECT_EQ(p.GetWidth(), 12);
    EXPECT_EQ(p.GetHeight(), 7);
    EXPECT_EQ(p.IsHollow(), 1); // stopped: paints nothing
    p.Play();
    p.Update();
    EXPECT_EQ(p.IsHollow(), 0);
    p.SetAnimation(&other);
    EXPECT_EQ(p.GetAnimation(), &film); // kept while playing
    p.Stop();
    p.SetAnimation(nullptr);
    p.Update();
    EXPECT_EQ(p.GetWidth(), 0);
    EXPECT_EQ(p.IsHollow(), 1);
    // Without an animation the start is still told and the timer runs.
    p.notices.clear();
    p.Play();
    EXPECT_EQ(p.notices, (std::vector<int32_t>{0}));
    EXPECT_NE(p.GetTimer().Flags() & TComp::kEnabled, 0u);
    p.Detach();
    EXPECT_EQ(p.GetTimer().Flags() & TComp::kEnabled, 0u);
}

} // namespace
