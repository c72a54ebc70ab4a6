// Room sounds on the recording sound device: one per name, finished ones
// stopped on the room's tick, loops kept. (A process of its own: the mixer's
// virtual-time timer is fresh only in the first test of a process.)
#include "RoomFixture.h"

#include "SoundEngine.h"
#include "TRoomSound.h"
#include "WavWriter.h"

#include "media/TSndDev.h"

namespace {

using roomtest::RoomTest;

class RoomSoundTest : public RoomTest {
protected:
    void SetUp() override {
        RoomTest::SetUp();
        platform::ResetSoundForTests();
        platform::SetSoundDeviceCount(1);
        platform::SetSoundSink(platform::SoundSinkChoice::Recording);
        platform::SetSoundRecording(true);
        platform::ClockUseVirtual(true, 1000);
        TSndDev::Global().SetOutputFlags(1);
        TSndDev::Global().Attach(nullptr);
        TSndDev::Global().SetEnabled(true);
        dir.Write("res/short.wav", tools::PcmWav(1, 22050, 8, std::vector<uint8_t>(2205, 200)));
        dir.Write("res/long.wav", tools::PcmWav(1, 22050, 8, std::vector<uint8_t>(22050, 90)));
    }
    void TearDown() override {
        room.reset();
        TSndDev::Global().SetEnabled(false);
        TSndDev::Global().Detach();
        platform::ResetSoundForTests();
        platform::ClockUseVirtual(false);
        RoomTest::TearDown();
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
