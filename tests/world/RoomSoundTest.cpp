// Room sounds on the recording sound device: one per name, finished ones
// stopped on the room's tick, loops kept.
#include "RoomFixture.h"

#include "SoundEngine.h"
#include "TRoomSound.h"
#include "WavWriter.h"

#include "media/sound/TSndDev.h"

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
