// Animated room objects: the five modes with their pauses and end actions,
// the rectangle of a frame and pixel-exact hits.

#include "CheckBytes.h"
#include "RlaMemoryStream.h"
#include "RoomFixture.h"
#include "TAnimObject.h"

namespace {

using roomtest::RoomTest;
using roomtest::Solid;

class AnimObjectTest : public RoomTest {
protected:
    void SetUp() override {
        RoomTest::SetUp();
        MakeRoom();
        tools::RlaWriter writer;
        for (int i = 0; i < 5; ++i)
            writer.AddSprite(0, Solid(61, 10, uint8_t(40 * i), 0, 0, 3), 7, 9);
        stream = std::make_unique<RlaMemoryStream>(writer.Finish());
        ASSERT_TRUE(pictures.Open(stream.get()));
        object = static_cast<TAnimObject*>(room->CreateElement(TRoomElement::tyObject, "o", 0));
        object->scriptRef = 8;
        object->SetSource(&pictures);
        AnimEntry* e = object->MakeEntry();
        e->group = 0;
        e->interval = 100;
        e->pauseMin = e->pauseMax = 100;
        e->x = 100;
        e->y = 50;
    }
    void TearDown() override {
        room.reset();
        pictures.Close();
        RoomTest::TearDown();
    }
    // Frames shown after each of `steps` ticks of 100 ms.
    std::vector<int32_t> Run(int32_t steps) {
        std::vector<int32_t> frames;
        for (int32_t i = 0; i < steps; ++i) {
            Tick(object->Timer(), 101); // a firing needs more than the interval
            frames.push_back(object->GetEntry()->frame);
        }
        return frames;
    }

    std::unique_ptr<RlaMemoryStream> stream;
    TRlaFile pictures;
    TAnimObject* object = nullptr;
};

TEST_F(AnimObjectTest, ModesStepFramesAndEndOnce) {
    struct Case {
        int32_t mode, start;
        std::vector<int32_t> frames;
        int32_t modeAfter;
        std::vector<std::string> script;
    };
    const Case cases[] = {
        {2, 3, {4, 4, 4}, 4, {"Set 8 AnimMode=4", "Set 8 AnimImage=4", "Call 31"}},
        {3, 1, {0, 0, 0}, 4, {"Set 8 AnimMode=4", "Set 8 AnimImage=0", "Call 31"}},
        {0, 3, {4, 0, 1, 2, 3, 4, 0}, 0, {"Call 31"}},
        {1, 1, {0, 4, 3}, 1, {"Call 31"}},
        {4, 2, {2, 2}, 4, {}},
    };
    for (const Case& c : cases) {
        object->SetAnimMode(c.mode == 0 ? 4 : 0);
        object->SetAnimMode(c.mode);
        object->Timer().SetFlags(TComp::kEnabled, true);
        object->GetEntry()->frame = c.start;
        object->endAction = 31;
        game.log.clear();
        EXPECT_EQ(Run(int32_t(c.frames.size())), c.frames) << "mode " << c.mode;
        EXPECT_EQ(object->GetAnimMode(), c.modeAfter) << "mode " << c.mode;
        EXPECT_EQ(game.log, c.script) << "mode " << c.mode;
        Game().Unref(object->endAction);
    }
}

TEST_F(AnimObjectTest, PausesAfterACycleAndFreezesWhileTheMenuIsOpen) {
    object->GetEntry()->pauseMin = object->GetEntry()->pauseMax = 700;
    object->Timer().SetFlags(TComp::kEnabled, true);
    object->GetEntry()->frame = 4;
    EXPECT_EQ(Run(1), std::vector<int32_t>{0});
    EXPECT_EQ(object->Timer().GetInterval(), 700.0f);
    EXPECT_EQ(Run(6), std::vector<int32_t>(6, 0));
    EXPECT_EQ(Run(1), std::vector<int32_t>{1});
    EXPECT_EQ(object->Timer().GetInterval(), 100.0f);
    game.menuOpen = true;
    EXPECT_EQ(Run(3), std::vector<int32_t>(3, 1));
}

TEST_F(AnimObjectTest, RectangleOfTheFrameAndPixelExactHits) {
    object->SetImage(0, 0);
    TRectArea bounds;
    object->GetBounds(bounds);
    // 61 pixels wide gives 64; placed at the entry's offset plus the frame's.
    EXPECT_EQ(bounds.left, 107);
    EXPECT_EQ(bounds.top, 59);
    EXPECT_EQ(bounds.right - bounds.left, 64);
    EXPECT_EQ(bounds.bottom - bounds.top, 10);
    EXPECT_EQ(object->GetImageCount(), 5);
    struct Hit {
        int32_t x, y;
        bool hit;
    };
    // The top three rows are transparent; the frame is 61 wide.
    for (const Hit& h :
         {Hit{107, 62, true}, Hit{167, 68, true}, Hit{107, 61, false}, Hit{168, 65, false},
          Hit{106, 65, false}, Hit{120, 68, true}, Hit{120, 69, false}})
        EXPECT_EQ(object->HitTest(h.x, h.y), h.hit) << h.x << "," << h.y;
    object->SetElementFlags(0);
    EXPECT_FALSE(object->HitTest(107, 62));
}

} // namespace

// Animated objects checked against their rules: the five modes with their
// pauses, the script fields of a one-shot end, the end action called once,
// the rectangle from the frame, the menu freeze, and the end-action command.
namespace {

using roomtest::RoomTest;
using Lines = std::vector<std::string>;

check::Grid Block(int32_t w, int32_t h, int32_t colour) {
    return check::Grid{w, h, std::vector<int32_t>(size_t(w) * h, colour)};
}

class ObjectCheck : public RoomTest {
protected:
    void SetUp() override {
        RoomTest::SetUp();
        MakeRoom();
        // Group 0: five frames 61 x 7 at (3, 4); group 1: three frames.
        check::ContainerBytes file;
        for (int i = 0; i < 5; ++i)
            file.Add(0, 0x00010001, check::SpriteRecord(Block(61, 7, 0x001F), 0, 3, 4));
        for (int i = 0; i < 3; ++i)
            file.Add(1, 0x00010001, check::SpriteRecord(Block(4, 4, 0xF800)));
        stream = std::make_unique<RlaMemoryStream>(file.Finish());
        ASSERT_TRUE(pictures.Open(stream.get()));
        object = static_cast<TAnimObject*>(room->CreateElement(TRoomElement::tyObject, "o", 0));
        object->scriptRef = 21;
        object->SetSource(&pictures);
    }
    void TearDown() override {
        room.reset();
        pictures.Close();
        RoomTest::TearDown();
    }
    // Fills the entry as the script command does and starts the mode.
    void Animate(int32_t group, int32_t frame, int32_t mode, int32_t pauseMin = 500,
                 int32_t pauseMax = 500) {
        AnimEntry* e = object->MakeEntry();
        e->group = group;
        e->frame = frame;
        e->interval = 150;
        e->pauseMin = pauseMin;
        e->pauseMax = pauseMax;
        object->SetAnimMode(mode);
        object->Timer().SetFlags(TComp::kEnabled, mode != TAnimObject::amStopped);
        object->SetImage(group, frame);
    }
    void Step() { object->AnimStep(nullptr, nullptr); }
    float Interval() { return object->Timer().GetInterval(); }

    std::unique_ptr<RlaMemoryStream> stream;
    TRlaFile pictures;
    TAnimObject* object = nullptr;
};

TEST_F(ObjectCheck, ModesStepTheirFramesAndPauseAtTheirEnds) {
    struct Case {
        const char* name;
        int32_t mode, start;
        std::vector<int32_t> frames; // after each step
        std::vector<bool> pause;     // whether the step ended a cycle
        int32_t modeAfter;
    };
    const Case cases[] = {
        {"loop", 0, 3, {4, 0, 1}, {false, true, false}, 0},
        {"loop back", 1, 1, {0, 4, 3}, {false, true, false}, 1},
        {"once", 2, 3, {4, 4, 4}, {false, true, false}, 4},
        {"once back", 3, 1, {0, 0, 0}, {false, true, false}, 4},
        {"stopped", 4, 2, {2, 2}, {false, false}, 4},
    };
    for (const Case& c : cases) {
        object->SetAnimMode(4);
        Animate(0, c.start, c.mode);
        object->Timer().SetInterval(1.0f);
        for (size_t i = 0; i < c.frames.size(); ++i) {
            Step();
            EXPECT_EQ(object->GetEntry()->frame, c.frames[i]) << c.name << " step " << i;
            // After a stop nothing changes the interval any more.
            if (c.mode == 4 || (c.modeAfter == 4 && i > 1)) continue;
            EXPECT_EQ(Interval(), c.pause[i] ? 500.0f : 150.0f) << c.name << " step " << i;
        }
        EXPECT_EQ(object->GetAnimMode(), c.modeAfter) << c.name;
    }
}

TEST_F(ObjectCheck, OneShotWritesItsScriptFieldsAndCallsTheEndActionOnce) {
    for (int32_t mode : {2, 3}) {
        game.log.clear();
        object->SetAnimMode(4);
        Animate(0, mode == 2 ? 3 : 1, mode);
        object->endAction = 70;
        Step();
        EXPECT_TRUE(game.log.empty()) << mode;
        Step();
        const std::string image = mode == 2 ? "4" : "0";
        EXPECT_EQ(game.log, (Lines{"Set 21 AnimMode=4", "Set 21 AnimImage=" + image, "Call 70"}))
            << mode;
        EXPECT_EQ(object->endAction, -1);
        // The timer stays on; further steps do nothing.
        EXPECT_TRUE(object->Timer().Flags() & TComp::kEnabled);
        game.log.clear();
        Step();
        EXPECT_TRUE(game.log.empty());
    }
}

TEST_F(ObjectCheck, LoopingCallsItsEndActionOnTheFirstWrapOnlyWithRandomPause) {
    WorldSeed(1); // first number 41
    Animate(1, 1, 0, 200, 300);
    object->endAction = 71;
    Step();
    EXPECT_TRUE(game.log.empty());
    Step(); // wraps: 3 frames
    EXPECT_EQ(object->GetEntry()->frame, 0);
    EXPECT_EQ(game.log, (Lines{"Call 71"}));
    EXPECT_EQ(Interval(), 241.0f);
    for (int i = 0; i < 3; ++i)
        Step();
    EXPECT_EQ(game.Lines("Call").size(), 1u);
    EXPECT_TRUE(game.Lines("Set").empty()); // loops write no script fields
}

TEST_F(ObjectCheck, ModeSwitchesTheTimerAndTheMenuFreezesSteps) {
    Animate(0, 0, 0);
    object->SetAnimMode(4);
    EXPECT_FALSE(object->Timer().Flags() & TComp::kEnabled);
    object->SetAnimMode(1);
    EXPECT_TRUE(object->Timer().Flags() & TComp::kEnabled);
    object->Timer().SetFlags(TComp::kEnabled, false);
    object->SetAnimMode(1); // the same mode: untouched
    EXPECT_FALSE(object->Timer().Flags() & TComp::kEnabled);

    object->SetAnimMode(0);
    game.menuOpen = true;
    for (int i = 0; i < 7; ++i)
        Step();
    EXPECT_EQ(object->GetEntry()->frame, 0);
    game.menuOpen = false;
    Step();
    EXPECT_EQ(object->GetEntry()->frame, 1);
    // Steps through the timer itself.
    Tick(object->Timer(), 151);
    EXPECT_EQ(object->GetEntry()->frame, 2);
}

TEST_F(ObjectCheck, RectangleComesFromTheFrameWithWidthRaisedToFour) {
    AnimEntry* e = object->MakeEntry();
    e->group = 0;
    e->x = 100;
    e->y = 200;
    object->SetImage(0, 0);
    TRectArea r;
    object->GetBounds(r);
    EXPECT_EQ(r.left, 103);
    EXPECT_EQ(r.top, 204);
    EXPECT_EQ(r.right - r.left, 64);
    EXPECT_EQ(r.bottom - r.top, 7);
    // The same pair again does nothing, even after the entry moved.
    e->x = 0;
    object->SetImage(0, 0);
    object->GetBounds(r);
    EXPECT_EQ(r.left, 103);
    // Another group: 4 wide stays 4.
    e->group = 1;
    object->SetImage(1, 0);
    object->GetBounds(r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right - r.left, 4);
    EXPECT_EQ(object->GetImageCount(), 3);
    e->group = 7;
    EXPECT_EQ(object->GetImageCount(), 0);
    object->SetSource(nullptr);
    EXPECT_EQ(object->GetImageCount(), 0);
    TAnimObject bare;
    EXPECT_EQ(bare.GetImageCount(), 0);
    EXPECT_EQ(bare.GetEntry(), nullptr);
}

TEST_F(ObjectCheck, EndActionCommandReleasesTheOldAndKeepsOnlyFunctions) {
    object->endAction = 50;
    room->SetObjectAnimEndAction(object, 51);
    EXPECT_EQ(game.log, (Lines{"Unref 50"}));
    EXPECT_EQ(object->endAction, 51);
    game.log.clear();
    room->SetObjectAnimEndAction(object, -1); // not a function
    EXPECT_EQ(game.log, (Lines{"Unref 51"}));
    EXPECT_EQ(object->endAction, -1);
    room->SetObjectAnimEndAction(nullptr, 52);
    EXPECT_EQ(object->endAction, -1);
    // An object holding an end action makes the room busy.
    object->endAction = 53;
    EXPECT_TRUE(room->IsBusy());
}

} // namespace
