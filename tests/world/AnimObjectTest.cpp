// Animated room objects: the five modes with their pauses and end actions,
// the rectangle of a frame and pixel-exact hits.
#include "RoomFixture.h"

#include "RlaMemoryStream.h"
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
