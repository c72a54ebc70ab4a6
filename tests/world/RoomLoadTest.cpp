// Entering rooms: their picture files by key, actors' pictures by number,
// music and room sounds on the recording sound device, and the sky's clock.

#include "CheckBytes.h"
#include "ErrorProbe.h"
#include "RoomFixture.h"
#include "SoundEngine.h"
#include "TActor.h"
#include "TAnimObject.h"
#include "TRoomSound.h"
#include "WavWriter.h"
#include "media/sound/TSndDev.h"

#include <cstdio>

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

// Room loading and the room commands checked against their rules: picture
// keys, reopening on entry, the picture-file stream, actors' names and files
// by number, the entry's resets and cursor, and a headless frame of a small
// room written byte by byte, composed here far to near.
namespace {

using roomtest::RoomTest;
using Lines = std::vector<std::string>;

constexpr uint32_t kSprite = 0x00010001;

check::Grid Filled(int32_t w, int32_t h, int32_t (*pixel)(int32_t, int32_t)) {
    check::Grid g{w, h, std::vector<int32_t>(size_t(w) * h)};
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            g.px[size_t(y) * w + x] = pixel(x, y);
    return g;
}

// `groups` groups of `frames` frames of 4 x 2 pixels of colour `c`.
check::Bytes Container(int32_t groups, int32_t frames, int32_t c = 0x1234) {
    check::ContainerBytes file;
    for (int32_t g = 0; g < groups; ++g)
        for (int32_t i = 0; i < frames; ++i)
            file.Add(uint32_t(g), kSprite,
                     check::SpriteRecord(check::Grid{4, 2, std::vector<int32_t>(8, c)}));
    return file.Finish();
}

// Records the cursors the room asks for.
class CursorGame : public roomtest::FakeGame {
public:
    TMetaCur* NamedCursor(const char* name) override {
        cursors.push_back(name);
        return nullptr;
    }
    std::vector<std::string> cursors;
};

class LoadCheck : public RoomTest {
protected:
    void SetUp() override {
        RoomTest::SetUp();
        SetGameServices(&cursorGame);
    }
    void Write(const std::string& name, const check::Bytes& bytes) {
        dir.Write("res/" + name, bytes);
    }
    CursorGame cursorGame;
};

TEST_F(LoadCheck, KeysNameTheThreeContainersAndMissingOnesStayEmpty) {
    Write("b.rla", Container(1, 2));
    Write("o.rla", Container(2, 3));
    Write("l.rla", Container(3, 1));
    struct Case {
        const char* room;
        int32_t back, objects, local;
    };
    WriteIndex("[Pictures]\r\nrlafullBack=b.rla\r\nrlafullObjAni=o.rla\r\nrlafullLocItem=l.rla\r\n"
               "rlabareBack=b.rla\r\nrlabareObjAni=\r\n"
               "rlalostBack=none.rla\r\nrlalostObjAni=o.rla\r\n");
    MakeRoom();
    const Case cases[] = {
        {"full", 1, 2, 3}, {"bare", 1, 0, 0}, {"lost", 0, 2, 0}, {"none", 0, 0, 0}};
    for (const Case& c : cases) {
        TError::ClearLists();
        room->EnterRoom(c.room, nullptr);
        // A key naming a file that is not there is reported with the path;
        // a missing or empty key is no fault.
        const TErrorRec* report = NewestError();
        EXPECT_EQ(report != nullptr, std::string(c.room) == "lost") << c.room;
        if (report) {
            EXPECT_EQ(report->code, 2);
            EXPECT_NE(std::string(report->object.c_str()).find("none.rla"), std::string::npos);
        }
        EXPECT_EQ(room->Background().GroupCount(), c.back) << c.room;
        EXPECT_EQ(room->Objects().GroupCount(), c.objects) << c.room;
        EXPECT_EQ(room->LocalItems().GroupCount(), c.local) << c.room;
        EXPECT_STREQ(room->GetName().c_str(), c.room);
        EXPECT_EQ(room->LocalItems().GetFrame(0, 0) != nullptr, c.local > 0) << c.room;
    }
}

TEST_F(LoadCheck, EnteringAgainReopensTheFilesAndResetsTheRoom) {
    Write("b.rla", Container(1, 2));
    WriteIndex("[Pictures]\r\nrlahallBack=b.rla\r\nrlahallObjAni=b.rla\r\n");
    MakeRoom();
    room->EnterRoom("hall", nullptr);
    EXPECT_EQ(room->Background().FrameCount(0), 2);
    room->SetImage(1);
    room->GetWayGraph().AddLine({0, 0, 5}, {1, 0, 5});
    room->GetSky().Tick();
    room->TickTimer().SetFlags(TComp::kEnabled, false);
    // A file changed on disk is read afresh at the next entry.
    Write("b.rla", Container(2, 5));
    room->EnterRoom("hall", nullptr);
    EXPECT_EQ(room->Background().GroupCount(), 2);
    EXPECT_EQ(room->Background().FrameCount(1), 5);
    EXPECT_EQ(room->Objects().FrameCount(1), 5);
    EXPECT_EQ(room->GetImage(), 0);
    EXPECT_EQ(room->GetWayGraph().NodeCount(), 0);
    EXPECT_EQ(room->GetSky().GetPhase(), 0.0f);
    EXPECT_TRUE(room->TickTimer().Flags() & TComp::kEnabled);
    EXPECT_TRUE(room->SecondTimer().Flags() & TComp::kEnabled);
    // Elements stay: removing them is the scripts' business.
    room->CreateElement(TRoomElement::tyObject, "o", 0);
    room->EnterRoom("other", nullptr);
    EXPECT_EQ(room->ElementCount(), 1);
    EXPECT_EQ(room->Background().GroupCount(), 0);
}

TEST_F(LoadCheck, RoomCursorFollowsTheRoomsActionField) {
    MakeRoom();
    cursorGame.tablesWithField.insert("exit.RoomAction");
    for (const char* name : {"exit", "plain"}) {
        cursorGame.cursors.clear();
        room->EnterRoom(name, nullptr);
        EXPECT_EQ(cursorGame.cursors,
                  (Lines{std::string(name) == "exit" ? "curExitArrow" : "curArrow"}));
    }
    cursorGame.cursors.clear();
    room->CreateElement(TRoomElement::tyZone, "z", 0);
    EXPECT_EQ(cursorGame.cursors, (Lines{"curHand"}));
}

TEST_F(LoadCheck, ActorsAreNamedAndReadByTheirNumber) {
    Write("int/all/pictures/global/ActAni07.RLA", Container(1, 2));
    Write("int/all/pictures/global/ActAni123.RLA", Container(1, 3));
    MakeRoom();
    struct Case {
        int32_t number;
        const char* name;
        int32_t frames; // -1: no file
    };
    const Case cases[] = {{7, "Actor07", 2}, {123, "Actor123", 3}, {8, "Actor08", -1}};
    for (const Case& c : cases) {
        OrderDirty() = 0;
        TActor* actor = room->ShowActor(60 + c.number, c.number);
        TActor* made = room->FindActor(c.number);
        ASSERT_NE(made, nullptr) << c.name;
        EXPECT_STREQ(made->GetName().c_str(), c.name);
        EXPECT_EQ(made->scriptRef, 60 + c.number);
        if (c.frames < 0) {
            EXPECT_EQ(actor, nullptr);
            EXPECT_EQ(made->GetSource(), nullptr);
            continue;
        }
        EXPECT_EQ(actor, made);
        EXPECT_EQ(OrderDirty(), 1);
        ASSERT_NE(made->GetSource(), nullptr);
        EXPECT_EQ(made->GetSource()->FrameCount(0), c.frames);
    }
    // A picture folder of its own.
    Write("pics/global/ActAni05.RLA", Container(1, 4));
    WriteIndex("PathPicture=" + (dir.Path() / "res" / "pics").string() + "\r\n");
    TActor* five = room->ShowActor(1, 5);
    ASSERT_NE(five, nullptr);
    EXPECT_EQ(five->GetSource()->FrameCount(0), 4);
    const TRef<TRoomElement> handle(five);
    room->HideActor(five);
    room->HideActor(nullptr);
    EXPECT_EQ(room->FindActor(5), nullptr);
    EXPECT_TRUE(IsQueuedForDeletion(five));
    EXPECT_TRUE(room->HasElement(handle));
    EXPECT_FALSE(room->HasElement(TRef<TRoomElement>()));
    DrainDeleteLater();
    EXPECT_FALSE(room->HasElement(handle));
}

TEST_F(LoadCheck, PictureStreamReadsWholeBlocksAndKeepsItsPlace) {
    const std::string path = dir.Write("s.bin", std::vector<unsigned char>{1, 2, 3, 4, 5, 6, 7});
    RlaStdioStream s;
    EXPECT_FALSE(s.Open(nullptr, "rb"));
    EXPECT_FALSE(s.Open((path + ".missing").c_str(), "rb"));
    ASSERT_TRUE(s.Open(path.c_str(), "rb"));
    uint8_t buffer[8] = {};
    EXPECT_EQ(s.Read(buffer, 3), 3);
    EXPECT_EQ(s.Tell(), 3);
    EXPECT_EQ(s.Size(), 7);
    EXPECT_EQ(s.Tell(), 3);
    EXPECT_EQ(s.Read(buffer, 5), 0); // a short block counts as nothing
    EXPECT_TRUE(s.Seek(6));
    EXPECT_EQ(s.Read(buffer, 1), 1);
    EXPECT_EQ(buffer[0], 7);
    // Reopening closes the first file first; closing twice is harmless.
    ASSERT_TRUE(s.Open(path.c_str(), "rb"));
    EXPECT_EQ(s.Tell(), 0);
    s.Close();
    s.Close();
    EXPECT_EQ(s.Read(buffer, 1), 0);
}

// --- A frame of a small room --------------------------------------------------------

int32_t SkyPixel(int32_t x, int32_t y) {
    return (x * 37 + y) & 0xF7DF;
}
int32_t BackPixel(int32_t x, int32_t y) {
    // The top 250 rows transparent: the sky shows through.
    return y < 250 ? -1 : ((x * 5 + y * 11) & 0xFFFF) | 1;
}
int32_t FarPixel(int32_t x, int32_t y) {
    return (x + y) % 5 == 0 ? -1 : 0xF800 + x;
}
int32_t NearPixel(int32_t x, int32_t y) {
    return x == 4 ? -1 : 0x001F + y * 64;
}
int32_t ActorPixel(int32_t x, int32_t y) {
    return x < 2 ? -1 : 0x8410 + x + y;
}

class FrameCheck : public RoomTest {
protected:
    void SetUp() override {
        RoomTest::SetUp();
        sky = Filled(800, 350, SkyPixel);
        back = Filled(800, 600, BackPixel);
        farObject = Filled(30, 20, FarPixel);
        nearObject = Filled(12, 10, NearPixel);
        actorFrame = Filled(16, 24, ActorPixel);
        auto one = [](const check::Grid& g, int32_t x, int32_t y) {
            check::ContainerBytes file;
            file.Add(0, kSprite, check::SpriteRecord(g, 0, x, y));
            return file.Finish();
        };
        check::ContainerBytes objects;
        objects.Add(0, kSprite, check::SpriteRecord(farObject, 0, 2, 3));
        objects.Add(1, kSprite, check::SpriteRecord(nearObject, 0, 0, 0));
        dir.Write("res/int/all/pictures/Global/LocItem.rla", one(sky, 0, 0));
        dir.Write("res/int/all/pictures/global/ActAni04.RLA", one(actorFrame, -8, -24));
        dir.Write("res/r/back.rla", one(back, 0, 0));
        dir.Write("res/r/obj.rla", objects.Finish());
        WriteIndex("[Pictures]\r\nrlaroomBack=r\\back.rla\r\nrlaroomObjAni=r\\obj.rla\r\n");
        MakeRoom();
        room->EnterRoom("room", nullptr);
        room->GetSky().SetImage(0);
    }
    TAnimObject* Object(int32_t group, int32_t x, int32_t y, float z) {
        auto* o = static_cast<TAnimObject*>(room->CreateElement(TRoomElement::tyObject, "o", 0));
        o->SetSource(&room->Objects());
        AnimEntry* e = o->MakeEntry();
        e->group = group;
        e->x = x;
        e->y = y;
        o->SetImage(group, 0);
        o->SetPosition({5.0f, 0.0f, z});
        return o;
    }
    void Put(std::vector<int32_t>& ref, const check::Grid& g, int32_t left, int32_t top) {
        for (int32_t y = 0; y < g.height; ++y)
            for (int32_t x = 0; x < g.width; ++x) {
                const int32_t sx = left + x, sy = top + y;
                if (g.At(x, y) >= 0 && sx >= 0 && sx < 800 && sy >= 0 && sy < 600)
                    ref[size_t(sy) * 800 + sx] = g.At(x, y);
            }
    }
    int32_t Differences(const std::vector<int32_t>& ref) {
        int32_t n = 0;
        for (int32_t y = 0; y < 600; ++y)
            for (int32_t x = 0; x < 800; ++x)
                if (At(x, y) != ref[size_t(y) * 800 + x]) ++n;
        return n;
    }
    check::Grid sky, back, farObject, nearObject, actorFrame;
};

TEST_F(FrameCheck, AFrameIsTheLayersFarToNearWithTheSkyScrolled) {
    // The near object is made first, so creation does not decide the order.
    Object(1, 310, 410, 4.0f);
    Object(0, 300, 400, 9.0f);
    TActor* actor = room->ShowActor(9, 4);
    ASSERT_NE(actor, nullptr);
    ActorAnimRecord r;
    for (AnimEntry& e : r.entries)
        e.group = 0;
    actor->AddAnim(TActor::alIdle, r);
    actor->SetPosition({5.0f, 1.7f, 3.0f}); // depth scale 1.0, anchor on (400, 300)
    // 40 ticks at 0.3 pixels: the sky moved 12 pixels right.
    for (int i = 0; i < 40; ++i)
        room->OnTick(nullptr, nullptr);
    Frame();

    std::vector<int32_t> ref(800 * 600, 0);
    for (int32_t y = 0; y < 350; ++y)
        for (int32_t x = 0; x < 800; ++x)
            ref[size_t(y) * 800 + x] = sky.At((x - 12 + 800) % 800, y);
    Put(ref, back, 0, 0);
    Put(ref, farObject, 302, 403);
    Put(ref, nearObject, 310, 410);
    Put(ref, actorFrame, 392, 276);
    EXPECT_EQ(Differences(ref), 0);
}

} // namespace
