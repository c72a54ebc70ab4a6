// What an idle room repaints: the display's marked rectangles frame by frame
// while the sky drifts, an object animates and an actor rests on an idle
// animation of like pictures, and that the frame painted so stays the one a
// whole repaint gives.
#include "RoomFixture.h"

#include "TActor.h"
#include "TAnimObject.h"
#include "TSkyLayer.h"
#include "WorldFixtures.h"

#include <vector>

namespace {

using roomtest::RoomTest;
using worldtest::Pattern;

bool Inside(const TRectArea& r, const TRectArea& outer) {
    return r.left >= outer.left && r.top >= outer.top && r.right <= outer.right &&
           r.bottom <= outer.bottom;
}

int64_t Area(const std::vector<TRectArea>& rects) {
    int64_t area = 0;
    for (const TRectArea& r : rects)
        area += int64_t{r.right - r.left} * (r.bottom - r.top);
    return area;
}

class RoomIdleTest : public RoomTest {
protected:
    void SetUp() override {
        RoomTest::SetUp();
        const auto opaque = [](int32_t, int32_t) { return false; };
        tools::RlaWriter skyFile, backFile, objectFile, actorFile;
        skyFile.AddSprite(0, Pattern(800, 350, 1, opaque));
        // Transparent above row 200: the sky shows there.
        backFile.AddSprite(0, Pattern(800, 600, 2, [](int32_t, int32_t y) { return y < 200; }));
        // The lamp: two different pictures.
        objectFile.AddSprite(0, Pattern(40, 64, 3, opaque));
        objectFile.AddSprite(0, Pattern(40, 64, 4, opaque));
        // Group 0: an idle animation of two like pictures; group 1: two
        // different ones.
        const tools::RgbaImage resting = Pattern(20, 30, 5, opaque);
        actorFile.AddSprite(0, resting, -10, -30);
        actorFile.AddSprite(0, resting, -10, -30);
        actorFile.AddSprite(1, resting, -10, -30);
        actorFile.AddSprite(1, Pattern(20, 30, 6, opaque), -10, -30);
        WriteRla("int/all/pictures/Global/LocItem.rla", skyFile);
        WriteRla("test/back.rla", backFile);
        WriteRla("test/obj.rla", objectFile);
        WriteRla("int/all/pictures/global/ActAni03.RLA", actorFile);
        WriteIndex("[Pictures]\r\nrlatestBack=test\\back.rla\r\nrlatestObjAni=test\\obj.rla\r\n");
        MakeRoom();
        room->EnterRoom("test", nullptr);
        room->GetSky().SetImage(0);
        room->GetSky().SetSpeed(0.3f, 0.3f);
        lamp = static_cast<TAnimObject*>(room->CreateElement(TRoomElement::tyObject, "lamp", 0));
        lamp->SetSource(&room->Objects());
        AnimEntry* e = lamp->MakeEntry();
        e->group = 0;
        e->x = 130;
        e->y = 400;
        lamp->SetImage(0, 0);
        lamp->SetPosition({5.0f, 0.0f, 10.0f});
        lamp->Timer().SetInterval(100.0f);
        lamp->Timer().SetFlags(TComp::kEnabled, true);
        actor = room->ShowActor(9, 3);
        ASSERT_NE(actor, nullptr);
        actor->SetPosition({5.0f, 1.7f, 3.0f});
        TDirtyRects::SetTracking(true);
        Marked(); // the first frame paints everything
    }

    void Rest(int32_t group) {
        ActorAnimRecord r;
        for (AnimEntry& entry : r.entries)
            entry.group = group;
        actor->ClearAnim(TActor::alIdle);
        actor->AddAnim(TActor::alIdle, r);
        actor->ChooseAnimation();
        Marked();
    }

    // One frame: what its layout marked on the display, then painted.
    std::vector<TRectArea> Marked() {
        Phase(TGraphic::phLayout);
        std::vector<TRectArea> marked;
        TDirtyRects::BeginDirtyRects({0, 0, 800, 600});
        TRectArea r;
        while (TDirtyRects::NextDirtyRect(&r))
            marked.push_back(r);
        Phase(TGraphic::phFlush);
        Phase(TGraphic::phPaint);
        TDirtyRects::SetChanged(0);
        return marked;
    }

    std::vector<uint16_t> Pixels() {
        std::vector<uint16_t> out;
        for (int32_t y = 0; y < 600; ++y)
            for (int32_t x = 0; x < 800; ++x)
                out.push_back(At(x, y));
        return out;
    }

    // The frame as the idle frames left it equals a whole repaint.
    void ExpectSameAsWholeRepaint() {
        const std::vector<uint16_t> kept = Pixels();
        room->Refresh();
        Marked();
        EXPECT_TRUE(kept == Pixels());
    }

    TAnimObject* lamp = nullptr;
    TActor* actor = nullptr;
};

// The sky is drawn at whole pixels: a tick that leaves it where it was marks
// nothing; one that moves it marks the sky's rectangle alone.
TEST_F(RoomIdleTest, TheSkyRepaintsOnlyTicksThatMoveItByAPixel) {
    Rest(0);
    TSkyLayer& sky = room->GetSky();
    int32_t moves = 0, rests = 0;
    for (int32_t tick = 0; tick < 12; ++tick) {
        const int32_t before = sky.Offset();
        Tick(room->TickTimer());
        const std::vector<TRectArea> marked = Marked();
        if (sky.Offset() == before) {
            ++rests;
            EXPECT_TRUE(marked.empty()) << "tick " << tick;
        } else {
            ++moves;
            ASSERT_FALSE(marked.empty()) << "tick " << tick;
            for (const TRectArea& r : marked)
                EXPECT_TRUE(Inside(r, {0, 0, 800, 350})) << "tick " << tick;
        }
    }
    EXPECT_GT(moves, 2);
    EXPECT_GT(rests, 2);
    ExpectSameAsWholeRepaint();
}

// A still room whose lamp animates repaints the lamp alone: the actor's idle
// animation of like pictures goes round (restarting its group each time)
// without marking it.
TEST_F(RoomIdleTest, AnAnimatedLampIsAllAnIdleRoomRepaints) {
    Rest(0);
    TRectArea lampRect;
    lamp->GetScreenRect(lampRect);
    int64_t lampArea = 0;
    for (int32_t step = 0; step < 8; ++step) {
        Tick(actor->AnimTimer(), 101);
        Tick(lamp->Timer(), 101);
        const std::vector<TRectArea> marked = Marked();
        for (const TRectArea& r : marked)
            EXPECT_TRUE(Inside(r, lampRect)) << "step " << step;
        lampArea += Area(marked);
    }
    EXPECT_GT(lampArea, 0);
    ExpectSameAsWholeRepaint();
}

// Different pictures still repaint the actor, each step.
TEST_F(RoomIdleTest, AnActorWhosePicturesDifferRepaintsEachStep) {
    Rest(1);
    TRectArea actorRect;
    actor->GetScreenRect(actorRect);
    for (int32_t step = 0; step < 4; ++step) {
        Tick(actor->AnimTimer(), 101);
        const std::vector<TRectArea> marked = Marked();
        ASSERT_FALSE(marked.empty()) << "step " << step;
        for (const TRectArea& r : marked)
            EXPECT_TRUE(Inside(r, actorRect)) << "step " << step;
    }
    ExpectSameAsWholeRepaint();
}

} // namespace
