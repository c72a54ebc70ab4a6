// Entering rooms: their picture files by key, actors' pictures by number,
// music and room sounds on the recording sound device, and the sky's clock.
#include "RoomFixture.h"

#include "SoundEngine.h"
#include "TActor.h"
#include "TRoomSound.h"
#include "WavWriter.h"

#include "media/sound/TSndDev.h"

namespace {

using roomtest::Solid;

std::vector<uint8_t> OneGroupRla(int32_t frames, int32_t groups = 1) {
    tools::RlaWriter writer;
    for (int32_t g = 0; g < groups; ++g)
        for (int32_t i = 0; i < frames; ++i)
            writer.AddSprite(uint32_t(g), Solid(8, 4, 200, 10, 10));
    return writer.Finish();
}

class RoomLoadTest : public roomtest::RoomSoundFixture {
protected:
    void SetUp() override {
        RoomSoundFixture::SetUp();
        dir.Write("res/short.wav", tools::PcmWav(1, 22050, 8, std::vector<uint8_t>(2205, 200)));
        dir.Write("res/long.wav", tools::PcmWav(1, 22050, 8, std::vector<uint8_t>(22050, 90)));
    }
    static constexpr const char* kWaves =
        "[Waves]\r\nstep=short.wav\r\ndrip=short.wav\r\nwind=long.wav\r\nmusA=long.wav\r\n";
};

TEST_F(RoomLoadTest, MissingKeysLeaveTheirContainersEmptyAndEntriesReopen) {
    dir.Write("res/hallBack.rla", OneGroupRla(2));
    dir.Write("res/hallObj.rla", OneGroupRla(3));
    WriteIndex("[Pictures]\r\nrlahallBack=hallBack.rla\r\nrlahallLocItem=\r\n"
               "rlakitchenBack=hallBack.rla\r\nrlakitchenObjAni=hallObj.rla\r\n");
    MakeRoom();
    room->EnterRoom("hall", nullptr);
    EXPECT_EQ(room->Background().FrameCount(0), 2);
    EXPECT_EQ(room->Objects().GroupCount(), 0);
    EXPECT_EQ(room->Objects().GetFrame(0, 0), nullptr);
    EXPECT_EQ(room->LocalItems().GroupCount(), 0);

    room->EnterRoom("kitchen", nullptr);
    EXPECT_EQ(room->Objects().FrameCount(0), 3);
    // A second entry reads the files again.
    dir.Write("res/hallObj.rla", OneGroupRla(4, 2));
    room->EnterRoom("kitchen", nullptr);
    EXPECT_EQ(room->Objects().GroupCount(), 2);
    EXPECT_EQ(room->Objects().FrameCount(1), 4);
    EXPECT_TRUE(room->TickTimer().Flags() & TComp::kEnabled);
}

TEST_F(RoomLoadTest, ActorsTakeTheirPicturesByNumberUnderAnyLongFolder) {
    // A picture folder longer than any fixed path buffer.
    std::string folder = "pics";
    for (int i = 0; i < 8; ++i)
        folder += "/" + std::string(60, char('a' + i));
    dir.Write(folder + "/global/ActAni07.RLA", OneGroupRla(2));
    dir.Write(folder + "/global/ActAni123.RLA", OneGroupRla(1));
    WriteIndex("PathPicture=" + (dir.Path() / folder).string() + "/\r\n");
    MakeRoom();
    struct Case {
        int32_t number;
        const char* name;
        bool found;
    };
    for (const Case& c :
         {Case{7, "Actor07", true}, Case{123, "Actor123", true}, Case{9, "Actor09", false}}) {
        const int32_t before = room->ElementCount();
        TActor* actor = room->ShowActor(40 + c.number, c.number);
        EXPECT_EQ(actor != nullptr, c.found) << c.name;
        ASSERT_EQ(room->ElementCount(), before + 1);
        TActor* made = room->FindActor(c.number);
        ASSERT_NE(made, nullptr);
        EXPECT_STREQ(made->GetName().c_str(), c.name);
        EXPECT_EQ(made->number, c.number);
        EXPECT_EQ(made->GetSource() != nullptr, c.found) << c.name;
    }
    TActor* seven = room->FindActor(7);
    ASSERT_NE(seven, nullptr);
    EXPECT_EQ(seven->GetSource()->FrameCount(0), 2);
    room->HideActor(seven);
    EXPECT_EQ(room->FindActor(7), nullptr);
}

TEST_F(RoomLoadTest, MusicGoesOnUnderItsNameAndFadesWithoutOne) {
    WriteIndex(kWaves);
    MakeRoom();
    room->EnterRoom("a", "musA");
    EXPECT_STREQ(room->MusicWave().GetName(), "musA");
    EXPECT_TRUE(room->Music().IsPlaying());
    TAudio* audio = &room->Music().Audio();
    const bool started = room->Music().IsStarted();
    room->EnterRoom("b", "musA");
    EXPECT_TRUE(room->Music().IsPlaying());
    EXPECT_EQ(&room->Music().Audio(), audio);
    EXPECT_EQ(room->Music().IsStarted(), started);
    room->EnterRoom("c", nullptr);
    EXPECT_STREQ(room->MusicWave().GetName(), "");
}

TEST_F(RoomLoadTest, SkyStartsBlackAndWrapsAfter2667Ticks) {
    MakeRoom();
    TSkyLayer& sky = room->GetSky();
    for (int32_t y = 0; y < TSkyLayer::kHeight; y += 7)
        for (int32_t x = 0; x < TSkyLayer::kWidth; x += 13)
            ASSERT_EQ(sky.GetSurface().Pixel(x, y), 0);
    for (int i = 0; i < 2666; ++i)
        sky.Tick();
    EXPECT_EQ(sky.GetPhase(), 2666.0f);
    sky.Tick();
    EXPECT_EQ(sky.GetPhase(), 0.0f);
    sky.SetSpeed(0.0f, 0.5f);
    for (int i = 0; i < 5000; ++i)
        sky.Tick();
    EXPECT_EQ(sky.GetPhase(), 5000.0f);
}

} // namespace
