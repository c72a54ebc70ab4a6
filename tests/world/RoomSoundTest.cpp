// Room sounds on the recording sound device: one per name, finished ones
// stopped on the room's tick, loops kept.

#include "CheckBytes.h"
#include "RoomFixture.h"
#include "SoundEngine.h"
#include "TActor.h"
#include "TFadeForm.h"
#include "TRoomSound.h"
#include "WavWriter.h"
#include "foundation/TEventMgr.h"
#include "media/sound/TSndDev.h"
#include "platform/Clock.h"
#include "ui/TWinApp.h"

#include <cmath>

namespace {

class RoomSoundTest : public roomtest::RoomSoundFixture {
protected:
    void SetUp() override {
        RoomSoundFixture::SetUp();
        dir.Write("res/short.wav", tools::PcmWav(1, 22050, 8, std::vector<uint8_t>(2205, 200)));
        dir.Write("res/long.wav", tools::PcmWav(1, 22050, 8, std::vector<uint8_t>(22050, 90)));
    }
    static constexpr const char* kWaves =
        "[Waves]\r\nstep=short.wav\r\ndrip=short.wav\r\nwind=long.wav\r\nmusA=long.wav\r\n";
};

TEST_F(RoomSoundTest, OneSoundPerNameFinishedOnesStopAndLoopsStay) {
    WriteIndex(kWaves);
    MakeRoom();
    room->EnterRoom("a", nullptr);
    room->PlaySound("drip", false);
    room->PlaySound("drip", false);
    room->PlaySound("wind", true);
    room->PlaySound("step", false);
    ASSERT_EQ(room->PlayingSoundCount(), 3);
    room->StopSound("nothing");
    room->StopSound("step");
    EXPECT_EQ(room->PlayingSoundCount(), 2);
    EXPECT_EQ(room->StoppedSoundCount(), 1);
    // The short drip (0.1 s) ends; the looping wind plays on.
    for (int i = 0; i < 30; ++i) {
        platform::ClockAdvance(100);
        for (int32_t k = 0; k < room->PlayingSoundCount(); ++k)
            Tick(room->PlayingSoundAt(k)->Sound(), 100);
        Tick(room->TickTimer(), 101);
    }
    ASSERT_EQ(room->PlayingSoundCount(), 1);
    EXPECT_STREQ(room->PlayingSoundAt(0)->SoundName(), "wind");
    EXPECT_EQ(room->StoppedSoundCount(), 2);
    room->EnterRoom("b", nullptr);
    EXPECT_EQ(room->PlayingSoundCount(), 0);
    EXPECT_EQ(room->StoppedSoundCount(), 1);
}

} // namespace

// The sky, the room's sounds and the fade checked against their rules: the
// sky's wrap and scroll, sounds by name with finished ones retired on the
// room's tick, music by name, and the fade's levels and input lock on virtual
// time.
namespace {

using roomtest::RoomTest;
using Lines = std::vector<std::string>;

// --- Sky ---------------------------------------------------------------------------

class SkyCheck : public RoomTest {
protected:
    void SetUp() override {
        RoomTest::SetUp();
        // Group 0: columns numbered by their x; group 1 absent.
        check::Grid g{800, 350, std::vector<int32_t>(800 * 350)};
        for (int32_t y = 0; y < 350; ++y)
            for (int32_t x = 0; x < 800; ++x)
                g.px[size_t(y) * 800 + x] = x + 1;
        check::ContainerBytes file;
        file.Add(0, 0x00010001, check::SpriteRecord(g));
        dir.Write("res/int/all/pictures/Global/LocItem.rla", file.Finish());
        MakeRoom();
    }
    // The sky drawn alone into a surface of its size.
    void Draw(Surface16& out) {
        out.Fill(0xFFFF);
        SpriteCanvas16& canvas = room->GetSpriteCanvas();
        canvas.SetTarget(&out, {0, 0, 800, 350});
        room->GetSky().DrawLayer(room->GetCamera(), canvas, 0, 0);
        canvas.SetTarget(nullptr, {0, 0, 0, 0});
    }
};

TEST_F(SkyCheck, ASkyStartsBlackAndTakesOnlyExistingPictures) {
    TSkyLayer fresh;
    for (int32_t y = 0; y < 350; y += 3)
        for (int32_t x = 0; x < 800; x += 7)
            ASSERT_EQ(fresh.GetSurface().Pixel(x, y), 0);
    EXPECT_EQ(fresh.GetType(), 4);
    EXPECT_FALSE(fresh.HitTest(0, 0));
    TSkyLayer& sky = room->GetSky();
    EXPECT_EQ(sky.GetSurface().Pixel(5, 5), 6); // picture 0 set by the room
    sky.SetImage(1);
    EXPECT_EQ(sky.GetSurface().Pixel(5, 5), 6);
    EXPECT_EQ(room->ElementCount(), 0);
}

TEST_F(SkyCheck, PhaseWrapsAfter2667TicksAndStandsAtSpeedZero) {
    TSkyLayer& sky = room->GetSky();
    EXPECT_FLOAT_EQ(sky.GetWrapLimit(), 800.0f / 0.3f);
    for (int i = 0; i < 2666; ++i)
        sky.Tick();
    EXPECT_EQ(sky.GetPhase(), 2666.0f);
    sky.Tick();
    EXPECT_EQ(sky.GetPhase(), 0.0f);
    sky.Tick();
    EXPECT_EQ(sky.GetPhase(), 1.0f);
    sky.SetSpeed(0.0f, 1.0f);
    EXPECT_EQ(sky.GetPhase(), 0.0f);
    EXPECT_TRUE(std::isinf(sky.GetWrapLimit()));
    for (int i = 0; i < 3000; ++i)
        sky.Tick();
    EXPECT_EQ(sky.GetPhase(), 3000.0f);
    Surface16 still(800, 350);
    Draw(still);
    EXPECT_EQ(still.Pixel(0, 0), 1);
    EXPECT_EQ(still.Pixel(799, 349), 800);
    // The room's skipped ticks do not move it.
    sky.SetSpeed(1.0f, 1.0f);
    game.menuOpen = true;
    room->OnTick(nullptr, nullptr);
    game.menuOpen = false;
    EXPECT_EQ(sky.GetPhase(), 0.0f);
    room->OnTick(nullptr, nullptr);
    EXPECT_EQ(sky.GetPhase(), 1.0f);
}

TEST_F(SkyCheck, ThePictureMovesRightByTopSpeedTimesPhaseWithoutASeam) {
    TSkyLayer& sky = room->GetSky();
    struct Case {
        float top, bottom;
        int32_t ticks, offset;
    };
    const Case cases[] = {{0.3f, 0.3f, 10, 3},
                          {0.3f, 5.0f, 10, 3},
                          {2.5f, 0.0f, 3, 7},
                          {7.0f, 7.0f, 100, 700},
                          {9.0f, 1.0f, 100, 99}};
    for (const Case& c : cases) {
        sky.SetSpeed(c.top, c.bottom);
        for (int32_t i = 0; i < c.ticks; ++i)
            sky.Tick();
        Surface16 s(800, 350);
        Draw(s);
        int32_t wrong = 0;
        for (int32_t y = 0; y < 350; y += 49)
            for (int32_t x = 0; x < 800; ++x)
                wrong += s.Pixel(x, y) != ((x - c.offset + 800) % 800) + 1;
        EXPECT_EQ(wrong, 0) << c.top << " " << c.ticks;
    }
}

// --- Sounds and music ---------------------------------------------------------------

class SoundCheck : public roomtest::RoomSoundFixture {
protected:
    void SetUp() override {
        RoomSoundFixture::SetUp();
        dir.Write("res/tick.wav", tools::PcmWav(1, 22050, 8, std::vector<uint8_t>(1103, 180)));
        dir.Write("res/hum.wav", tools::PcmWav(1, 22050, 8, std::vector<uint8_t>(44100, 70)));
        WriteIndex("[Waves]\r\nclick=tick.wav\r\nknock=tick.wav\r\nrain=hum.wav\r\n"
                   "tuneA=hum.wav\r\ntuneB=hum.wav\r\n");
        MakeRoom();
        room->EnterRoom("r", nullptr);
    }
    // `ms` of virtual time with the sounds' own timers and one room tick.
    void Run(int32_t ms) {
        for (int32_t t = 0; t < ms; t += 100) {
            platform::ClockAdvance(100);
            for (int32_t k = 0; k < room->PlayingSoundCount(); ++k)
                Tick(room->PlayingSoundAt(k)->Sound(), 100);
            Tick(room->TickTimer(), 101);
        }
    }
    std::vector<std::string> Playing() {
        std::vector<std::string> out;
        for (int32_t k = 0; k < room->PlayingSoundCount(); ++k)
            out.push_back(room->PlayingSoundAt(k)->SoundName());
        return out;
    }
};

TEST_F(SoundCheck, OneSoundPerNameStoppedByNameAndRetiredWhenDone) {
    room->PlaySound("click", false);
    room->PlaySound("click", true);
    room->PlaySound("rain", true);
    room->PlaySound("knock", false);
    EXPECT_EQ(Playing(), (Lines{"click", "rain", "knock"}));
    EXPECT_EQ(room->ElementCount(), 0); // sounds are not drawn elements
    EXPECT_EQ(room->PlayingSoundAt(0)->GetType(), 3);
    EXPECT_FALSE(room->PlayingSoundAt(0)->HitTest(0, 0));
    EXPECT_EQ(room->PlayingSoundAt(0)->Sound().Audio().GetVolume(), 80u);

    room->SetSoundVolume(0);
    for (int32_t k = 0; k < room->PlayingSoundCount(); ++k)
        EXPECT_EQ(room->PlayingSoundAt(k)->Sound().Audio().GetVolume(), 0u);
    room->SetSoundVolume(80);

    room->StopSound("thunder");
    EXPECT_EQ(room->PlayingSoundCount(), 3);
    room->StopSound("knock");
    EXPECT_EQ(Playing(), (Lines{"click", "rain"}));
    EXPECT_EQ(room->StoppedSoundCount(), 1);

    // Skipped ticks retire nothing; the next running one retires the short
    // click (0.05 s) and keeps the looping rain.
    game.menuOpen = true;
    Run(500);
    game.menuOpen = false;
    EXPECT_EQ(room->PlayingSoundCount(), 2);
    Run(1500);
    EXPECT_EQ(Playing(), (Lines{"rain"}));
    EXPECT_EQ(room->StoppedSoundCount(), 2);
    Run(3000);
    EXPECT_EQ(Playing(), (Lines{"rain"}));
    // A name that ended plays again.
    room->PlaySound("click", false);
    EXPECT_EQ(Playing(), (Lines{"rain", "click"}));

    // Entering deletes the stopped ones and stops every playing one.
    room->EnterRoom("s", nullptr);
    EXPECT_EQ(room->PlayingSoundCount(), 0);
    EXPECT_EQ(room->StoppedSoundCount(), 2);
}

TEST_F(SoundCheck, MusicPlaysOnUnderItsNameAndChangesWithIt) {
    room->EnterRoom("a", "tuneA");
    EXPECT_STREQ(room->MusicWave().GetName(), "tuneA");
    EXPECT_TRUE(room->Music().IsPlaying());
    EXPECT_EQ(room->Music().Audio().GetVolume(), 90u);
    Run(300);
    room->EnterRoom("b", "tuneA");
    EXPECT_TRUE(room->Music().IsPlaying());
    room->EnterRoom("c", "tuneB");
    EXPECT_STREQ(room->MusicWave().GetName(), "tuneB");
    EXPECT_TRUE(room->Music().IsPlaying());
    room->EnterRoom("d", "");
    EXPECT_STREQ(room->MusicWave().GetName(), "");
}

// --- Fade --------------------------------------------------------------------------

struct LevelProbe : TObject {
    int Record(TObject*, TEvent*) {
        levels.push_back(TDispDev::Global().GetAdjustLevel());
        return 0;
    }
    std::vector<int32_t> levels;
};

using FadeCheck = roomtest::RoomFadeFixture;

TEST_F(FadeCheck, AFullFadeStepsEveryLevelBetweenItsEndsInAboutThreeQuartersOfASecond) {
    struct Case {
        int32_t from, to;
    };
    for (const Case& c : {Case{256, 0}, Case{0, 256}, Case{300, 290}}) {
        TFadeForm form;
        form.SetUp();
        LevelProbe probe;
        form.Fader().Add<LevelProbe, &LevelProbe::Record>(evNone, &probe);
        const uint32_t start = platform::ClockNow();
        EXPECT_EQ(form.Run(c.from, c.to, 350.0f), 1);
        const uint32_t took = platform::ClockNow() - start;
        form.Close();
        std::vector<int32_t> expected;
        const int32_t step = c.from > c.to ? -1 : 1;
        for (int32_t v = c.from + step; v != c.to; v += step)
            expected.push_back(v);
        EXPECT_EQ(probe.levels, expected) << c.from << " to " << c.to;
        EXPECT_EQ(display.GetAdjustLevel(), c.to - step);
        if (c.from == 256) {
            // 256 levels at 350 a second; the clock is the modal loop's.
            EXPECT_GE(took, 650u);
            EXPECT_LE(took, 800u);
        }
    }
}

TEST_F(FadeCheck, FadeOutStopsAnimationsAndLocksEverythingUntilTheFadeIn) {
    MakeRoom();
    room->EnterRoom("hall", nullptr);
    auto* actor = static_cast<TActor*>(room->CreateElement(TRoomElement::tyActor, "a", 0));
    actor->AnimTimer().SetFlags(TComp::kEnabled, true);
    TRoomElement* zone = room->CreateElement(TRoomElement::tyZone, "z", 0);
    zone->scriptRef = 4;
    room->FadeRoom(0);
    EXPECT_EQ(InputLocked(), 1);
    EXPECT_EQ(display.GetAdjustLevel(), 1);
    EXPECT_FALSE(actor->AnimTimer().Flags() & TComp::kEnabled);
    game.log.clear();
    Release(*zone, evLeftUp);
    Release(*room, evRightUp);
    room->OnSecond(nullptr, nullptr);
    const uint32_t ticks = room->Ticks();
    room->OnTick(nullptr, nullptr);
    EXPECT_EQ(room->Ticks(), ticks);
    EXPECT_TRUE(game.log.empty());
    room->FadeRoom(1);
    EXPECT_EQ(InputLocked(), 0);
    EXPECT_EQ(display.GetAdjustLevel(), 256);
    Release(*zone, evLeftUp);
    EXPECT_EQ(game.log, (Lines{"DoAction 4 -1"}));
}

} // namespace
