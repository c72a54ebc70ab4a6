// Actors checked against their rules: record layout, the direction fallback
// table, facings from angles and from walking, visibility and filtering by
// depth, walking and running, the script animation's end action, pauses,
// footsteps, talking and the geometry of the frame box.
#include "RoomFixture.h"

#include "CheckBytes.h"
#include "RlaMemoryStream.h"
#include "TActor.h"

#include <cstddef>

namespace {

using roomtest::RoomTest;
using Lines = std::vector<std::string>;

static_assert(offsetof(AnimEntry, group) == 0 && offsetof(AnimEntry, interval) == 4 &&
              offsetof(AnimEntry, pauseMin) == 8 && offsetof(AnimEntry, pauseMax) == 12 &&
              offsetof(AnimEntry, frame) == 16 && offsetof(AnimEntry, x) == 20 &&
              offsetof(AnimEntry, y) == 24 && offsetof(AnimEntry, scale) == 28);
static_assert(sizeof(AnimEntry) == 32 && sizeof(ActorAnimRecord) == 580 &&
              offsetof(ActorAnimRecord, entries) == 4);

// The entries tried per facing sector: s, s+1, s-1, s+2, s-2, s+3 (mod 6).
constexpr int32_t kRow[6][6] = {{0, 1, 5, 2, 4, 3}, {1, 2, 0, 3, 5, 4}, {2, 3, 1, 4, 0, 5},
                                {3, 4, 2, 5, 1, 0}, {4, 5, 3, 0, 2, 1}, {5, 0, 4, 1, 3, 2}};

check::Grid Block(int32_t w, int32_t h, int32_t colour) {
    return check::Grid{w, h, std::vector<int32_t>(size_t(w) * h, colour)};
}

// A record whose six sector entries all play `group`.
ActorAnimRecord AllSectors(int32_t group, int32_t pause = 100, float scale = 1.0f) {
    ActorAnimRecord r;
    for (int32_t k = 0; k < 6; ++k) {
        r.entries[k].group = group;
        r.entries[k].interval = 120;
        r.entries[k].pauseMin = r.entries[k].pauseMax = pause;
        r.entries[k].x = 10;
        r.entries[k].y = 40;
        r.entries[k].scale = scale;
    }
    return r;
}

WalkPath* Path(const Point3D& from, const Point3D& to) {
    auto* path = new WalkPath;
    path->AddPoint(from);
    path->AddPoint(to);
    return path;
}

class ActorCheck : public RoomTest {
protected:
    void SetUp() override {
        RoomTest::SetUp();
        MakeRoom();
        actor = static_cast<TActor*>(room->CreateElement(TRoomElement::tyActor, "Actor02", 0));
        actor->number = 2;
        actor->scriptRef = 12;
        // Group 0: four frames 20 x 50 at (-10, -40); group 1: two frames;
        // group 2: one frame.
        check::ContainerBytes file;
        for (int i = 0; i < 4; ++i)
            file.Add(0, 0x00010001, check::SpriteRecord(Block(20, 50, 0xF800), 0, -10, -40));
        for (int i = 0; i < 2; ++i)
            file.Add(1, 0x00010001, check::SpriteRecord(Block(20, 50, 0x001F), 0, -10, -40));
        file.Add(2, 0x00010001, check::SpriteRecord(Block(20, 50, 0x07FF), 0, -10, -40));
        auto* stream = new RlaMemoryStream(file.Finish());
        auto* pictures = new TRlaFile;
        ASSERT_TRUE(pictures->Open(stream));
        actor->SetPictures(pictures, stream);
    }
    void Step(int32_t n = 1) {
        for (int32_t i = 0; i < n; ++i)
            actor->Step(nullptr, nullptr);
    }
    int32_t Frame() const { return actor->CurrentEntry() ? actor->CurrentEntry()->frame : -9; }

    TActor* actor = nullptr;
};

TEST_F(ActorCheck, StartsIdleFacingFourWithDepthScaling) {
    EXPECT_EQ(actor->GetState(), 0);
    EXPECT_EQ(actor->GetFacing(), 4);
    EXPECT_EQ(actor->speed, 0.17f);
    EXPECT_EQ(actor->GetElementFlags() & 0x05u, 0x05u);
    EXPECT_EQ(actor->ShownGroup(), -1);
    EXPECT_EQ(actor->ShownFrame(), -1);
    EXPECT_EQ(actor->CurrentEntry(), nullptr);
    EXPECT_EQ(actor->animEndAction, -1);
    EXPECT_EQ(actor->walkEndAction, -1);
    EXPECT_EQ(actor->CachedType(), 1);
}

TEST_F(ActorCheck, EveryFallbackRowPicksTheFirstEntryWithAGroup) {
    for (int32_t s = 0; s < 6; ++s) {
        actor->SetFacing(60 + 60 * s);
        ASSERT_EQ(actor->GetFacing(), s);
        for (int32_t missing = 0; missing < 6; ++missing) {
            ActorAnimRecord r;
            for (int32_t k = 0; k < 6; ++k)
                r.entries[k].group = 100 + k;
            for (int32_t m = 0; m < missing; ++m)
                r.entries[kRow[s][m]].group = -1;
            actor->PlayAnim(r);
            ASSERT_NE(actor->CurrentEntry(), nullptr);
            EXPECT_EQ(actor->CurrentEntry()->group, 100 + kRow[s][missing])
                << "sector " << s << " missing " << missing;
        }
    }
    // No entry with a group: the display stops.
    actor->PlayAnim(ActorAnimRecord{});
    EXPECT_EQ(actor->CurrentEntry(), nullptr);
    EXPECT_EQ(actor->ShownGroup(), -1);
    EXPECT_EQ(actor->ShownFrame(), -1);
}

TEST_F(ActorCheck, FacingSectorsFromAngles) {
    struct Case {
        int32_t angle, sector;
    };
    const Case cases[] = {{60, 0},  {119, 0}, {120, 1}, {179, 1}, {180, 2}, {240, 3}, {300, 4},
                          {359, 4}, {0, 5},   {59, 5},  {360, 5}, {420, 0}, {-30, 4}, {-61, 3}};
    for (const Case& c : cases) {
        actor->SetFacing(c.angle);
        EXPECT_EQ(actor->GetFacing(), c.sector) << c.angle;
    }
}

TEST_F(ActorCheck, WalkingDirectionsFaceTheirSectorsWithACameraAtRest) {
    actor->AddAnim(TActor::alWalk, AllSectors(0));
    struct Case {
        Point3D from, to;
        int32_t sector;
    };
    // The camera stands at x 5 and looks along +z.
    const Case cases[] = {
        {{3, 0, 10}, {3, 0, 4}, 4}, {{7, 0, 10}, {7, 0, 4}, 5}, {{3, 0, 4}, {3, 0, 10}, 1},
        {{7, 0, 4}, {7, 0, 10}, 2}, {{2, 0, 6}, {8, 0, 6}, 0},  {{8, 0, 6}, {2, 0, 6}, 3},
    };
    for (const Case& c : cases) {
        actor->CancelWalk(1);
        actor->SetPosition(c.from);
        actor->WalkTo(Path(c.from, c.to));
        Step();
        EXPECT_EQ(actor->GetFacing(), c.sector)
            << c.from.x << "," << c.from.z << " -> " << c.to.x << "," << c.to.z;
    }
}

TEST_F(ActorCheck, HiddenUpToCameraDepthOneAndFilteredUpToScaleOne) {
    actor->PlayAnim(AllSectors(0));
    struct Case {
        float z;
        bool visible;
    };
    for (const Case& c : {Case{1.0f, false}, Case{0.5f, false}, Case{1.0001f, true}}) {
        actor->SetVisible(!c.visible);
        actor->SetPosition({5.0f, 0.0f, c.z});
        EXPECT_EQ(actor->IsVisible(), c.visible) << c.z;
    }
    // The depth scale is 1.0 at the camera's original distance, times the
    // base scale.
    struct Scale {
        float base;
        bool scaled;
    };
    for (const Scale& c : {Scale{1.0f, true}, Scale{1.01f, false}, Scale{0.5f, true}}) {
        room->GetCamera().SetBaseScale(c.base);
        actor->SetPosition({5.0f, 1.7f, 3.0f});
        actor->Update();
        EXPECT_EQ((actor->GetElementFlags() & 0x10u) != 0, c.scaled) << c.base;
    }
}

TEST_F(ActorCheck, GeometryFollowsTheAnchorTheFrameAndTheScale) {
    // Depth scale 1.0 at z 3 and an entry scale of 2: the frame box doubles
    // and the anchor lands on the projected point.
    actor->PlayAnim(AllSectors(0, 100, 2.0f));
    actor->SetPosition({6.0f, 1.7f, 3.0f});
    actor->Update();
    Point3D p{6.0f, 1.7f, 3.0f};
    room->GetCamera().Transform(p);
    room->GetCamera().Project(p);
    TRectArea r;
    actor->GetBounds(r);
    EXPECT_EQ(r.right - r.left, 40);
    EXPECT_EQ(r.bottom - r.top, 100);
    EXPECT_EQ(r.left, int32_t(p.x - float(int32_t((10 - -10) * 2.0f))));
    EXPECT_EQ(r.top, int32_t(p.y - float(int32_t((40 - -40) * 2.0f))));

    // Without depth scaling: anchor plus frame offset, unscaled.
    actor->SetElementFlags(actor->GetElementFlags() & ~0x04u);
    actor->Invalidate(true);
    actor->Update();
    actor->GetBounds(r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right - r.left, 20);
    EXPECT_EQ(actor->GetElementFlags() & 0x10u, 0u);

    // A frame that cannot be had: the 80 x 120 box.
    ActorAnimRecord missing = AllSectors(9);
    actor->PlayAnim(missing);
    actor->Invalidate(true);
    actor->Update();
    EXPECT_EQ(actor->FrameBox()[2] - actor->FrameBox()[0], 80);
    EXPECT_EQ(actor->FrameBox()[3] - actor->FrameBox()[1], 120);
}

TEST_F(ActorCheck, ASecondOrderToTheSameDestinationRuns) {
    actor->AddAnim(TActor::alWalk, AllSectors(0));
    actor->SetPosition({2.0f, 0.0f, 6.0f});
    actor->walkEndAction = 31;
    actor->WalkTo(Path({2, 0, 6}, {8, 0, 6}));
    EXPECT_EQ(actor->GetState(), TActor::asWalking);
    EXPECT_FLOAT_EQ(actor->GetWalker()->GetSpeed(), 0.17f);
    EXPECT_EQ(game.log, (Lines{"Unref 31"}));
    // Same end point from another start: running at 2.5 times the speed; the
    // run list is empty, so the walk animation plays on.
    actor->WalkTo(Path({3, 0, 6}, {8, 0, 6}));
    EXPECT_EQ(actor->GetState(), TActor::asRunning);
    EXPECT_FLOAT_EQ(actor->GetWalker()->GetSpeed(), 0.425f);
    EXPECT_EQ(actor->CurrentEntry()->group, 0);
    // Another destination walks again.
    actor->WalkTo(Path({3, 0, 6}, {8, 0, 7}));
    EXPECT_EQ(actor->GetState(), TActor::asWalking);
    EXPECT_FLOAT_EQ(actor->GetWalker()->GetSpeed(), 0.17f);
    actor->speed = 0.2f;
    actor->WalkTo(Path({3, 0, 6}, {8, 0, 7}));
    EXPECT_FLOAT_EQ(actor->GetWalker()->GetSpeed(), 0.5f);
}

TEST_F(ActorCheck, WalksEndSettleAndCancelAsTheirTableSays) {
    actor->AddAnim(TActor::alWalk, AllSectors(0));
    actor->SetPosition({5.0f, 0.0f, 6.0f});
    actor->WalkTo(Path({5, 0, 6}, {5.3f, 0, 6}));
    actor->walkEndAction = 32;
    for (int i = 0; i < 5 && actor->GetWalker(); ++i)
        Step();
    EXPECT_EQ(actor->GetWalker(), nullptr);
    EXPECT_EQ(actor->GetState(), TActor::asIdle);
    EXPECT_EQ(game.Lines("Call"), (Lines{"Call 32"}));
    EXPECT_NEAR(actor->GetPosition()->x, 5.3f, 1e-5f);

    struct Case {
        int32_t settle, speaker, state;
    };
    for (const Case& c : {Case{0, -1, 3}, Case{1, -1, 0}, Case{1, 2, 1}}) {
        game.speaker = c.speaker;
        actor->WalkTo(Path({5, 0, 6}, {9, 0, 6}));
        actor->walkEndAction = 33;
        game.log.clear();
        actor->CancelWalk(c.settle);
        EXPECT_EQ(actor->GetWalker(), nullptr);
        EXPECT_EQ(actor->GetState(), c.state) << c.settle << " " << c.speaker;
        EXPECT_EQ(game.log, (Lines{"Unref 33"}));
        game.speaker = -1;
        actor->SetTalkState(0);
    }
}

TEST_F(ActorCheck, ScriptAnimationFiresItsEndActionAtFrameNMinusTwoOnce) {
    // Four frames: fires when frame 2 shows; then the animation ends idle.
    actor->PlayAnim(AllSectors(0));
    actor->animEndAction = 90;
    Step();
    EXPECT_TRUE(game.Lines("Call").empty());
    Step();
    EXPECT_EQ(Frame(), 2);
    EXPECT_EQ(game.Lines("Call"), (Lines{"Call 90"}));
    Step(2);
    EXPECT_EQ(actor->GetState(), TActor::asIdle);
    EXPECT_EQ(game.Lines("Call").size(), 1u);

    // Two frames: fires on the wrap to frame 0.
    game.log.clear();
    actor->PlayAnim(AllSectors(1));
    actor->animEndAction = 91;
    Step();
    EXPECT_TRUE(game.log.empty());
    Step();
    EXPECT_EQ(Frame(), 0);
    EXPECT_EQ(game.Lines("Call"), (Lines{"Call 91"}));

    // One frame never shows n - 2: the next animation's own n - 2 fires it.
    game.log.clear();
    actor->AddAnim(TActor::alIdle, AllSectors(0));
    actor->PlayAnim(AllSectors(2));
    actor->animEndAction = 92;
    Step();
    EXPECT_EQ(actor->GetState(), TActor::asIdle);
    EXPECT_EQ(actor->CurrentEntry()->group, 0);
    EXPECT_TRUE(game.log.empty());
    Step(2);
    EXPECT_EQ(game.Lines("Call"), (Lines{"Call 92"}));
}

TEST_F(ActorCheck, PausesAfterTheLastFrameAtLeastAHundred) {
    struct Case {
        int32_t pause;
        float interval;
    };
    for (const Case& c : {Case{50, 100.0f}, Case{400, 400.0f}}) {
        actor->ClearAnim(TActor::alIdle);
        actor->SetTalkState(0);
        actor->AddAnim(TActor::alIdle, AllSectors(1, c.pause));
        actor->PlayAnim(AllSectors(1, c.pause));
        actor->SetTalkState(0);
        Step();
        EXPECT_EQ(actor->AnimTimer().GetInterval(), 120.0f);
        Step();
        EXPECT_EQ(Frame(), 0);
        EXPECT_EQ(actor->AnimTimer().GetInterval(), c.interval) << c.pause;
    }
}

TEST_F(ActorCheck, FootstepsEverySixthWalkingTickAndEveryThirdRunning) {
    actor->AddAnim(TActor::alWalk, AllSectors(0));
    actor->AddWalkSound("stepA");
    actor->AddWalkSound(nullptr);
    EXPECT_EQ(actor->WalkSoundCount(), 1);
    actor->SetPosition({5.0f, 0.0f, 6.0f});
    actor->speed = 0.001f;
    actor->WalkTo(Path({5, 0, 6}, {5, 0, 60}));
    struct Expect {
        int32_t counter;
        const char* a;
        const char* b;
    };
    const Expect walking[] = {{1, "", ""}, {2, "", ""},      {3, "", ""},     {4, "", ""},
                              {5, "", ""}, {0, "", "stepA"}, {1, "", "stepA"}};
    for (size_t i = 0; i < std::size(walking); ++i) {
        Step();
        EXPECT_EQ(actor->StepCounter(), walking[i].counter) << "walk tick " << i + 1;
        EXPECT_STREQ(actor->StepWave(0).GetName(), walking[i].a) << "walk tick " << i + 1;
        EXPECT_STREQ(actor->StepWave(1).GetName(), walking[i].b) << "walk tick " << i + 1;
    }
    actor->ClearWalkSounds();
    actor->AddWalkSound("stepR");
    actor->WalkTo(Path({5, 0, 6}, {5, 0, 60})); // the same end: running
    ASSERT_EQ(actor->GetState(), TActor::asRunning);
    const Expect running[] = {{2, "", "stepA"},
                              {3, "stepR", "stepA"},
                              {4, "stepR", "stepA"},
                              {5, "stepR", "stepA"},
                              {0, "stepR", "stepR"}};
    for (size_t i = 0; i < std::size(running); ++i) {
        Step();
        EXPECT_EQ(actor->StepCounter(), running[i].counter) << "run tick " << i + 1;
        EXPECT_STREQ(actor->StepWave(0).GetName(), running[i].a) << "run tick " << i + 1;
        EXPECT_STREQ(actor->StepWave(1).GetName(), running[i].b) << "run tick " << i + 1;
    }
    // Without names no counting at all.
    actor->ClearWalkSounds();
    Step(4);
    EXPECT_EQ(actor->StepCounter(), 0);
}

TEST_F(ActorCheck, TalkStateFollowsTheSpeakerAndNeverReplacesWalkOrScript) {
    actor->AddAnim(TActor::alIdle, AllSectors(0));
    actor->AddAnim(TActor::alTalk, AllSectors(1));
    EXPECT_EQ(actor->CurrentEntry()->group, 0);
    game.speaker = 2;
    actor->SetTalkState(0);
    EXPECT_EQ(actor->GetState(), TActor::asTalking);
    EXPECT_EQ(actor->CurrentEntry()->group, 1);
    game.speaker = 5;
    actor->SetTalkState(0);
    EXPECT_EQ(actor->GetState(), TActor::asIdle);
    EXPECT_EQ(actor->CurrentEntry()->group, 0);
    actor->SetTalkState(1);
    EXPECT_EQ(actor->GetState(), TActor::asTalking);

    actor->PlayAnim(AllSectors(2));
    actor->SetTalkState(1);
    EXPECT_EQ(actor->GetState(), TActor::asScript);
    actor->WalkTo(Path({5, 0, 6}, {5, 0, 9}));
    actor->SetTalkState(1);
    EXPECT_EQ(actor->GetState(), TActor::asWalking);

    // The room ends every talk: the speaker stays talking, others idle.
    actor->CancelWalk(0);
    game.speaker = -1;
    actor->SetTalkState(0);
    actor->SetTalkState(1);
    ASSERT_EQ(actor->GetState(), TActor::asTalking);
    TSound speech;
    actor->SetFlag(&speech);
    room->ResetActorsTalk();
    EXPECT_EQ(actor->GetState(), TActor::asIdle);
    EXPECT_EQ(actor->GetSpeech(), nullptr);
    game.speaker = 2;
    actor->SetTalkState(1);
    room->RefreshActorsTalk();
    EXPECT_EQ(actor->GetState(), TActor::asTalking);
}

TEST_F(ActorCheck, ListsOutOfRangeAndClearedListsLeaveThePlayingAnimation) {
    actor->AddAnim(4, AllSectors(0));
    actor->AddAnim(-1, AllSectors(0));
    for (int32_t list = 0; list < 4; ++list)
        EXPECT_EQ(actor->ListCount(list), 0);
    actor->AddAnim(TActor::alWalk, AllSectors(0));
    actor->WalkTo(Path({5, 0, 6}, {5, 0, 9}));
    AnimEntry* playing = actor->CurrentEntry();
    ASSERT_NE(playing, nullptr);
    actor->ClearAnim(TActor::alWalk);
    actor->ClearAnim(7);
    EXPECT_EQ(actor->ListCount(TActor::alWalk), 0);
    EXPECT_EQ(actor->CurrentEntry(), playing);
    Step(3); // the cleared record still plays safely
    EXPECT_EQ(actor->CurrentEntry()->group, 0);
    // Walk and run lists never re-choose when added to.
    actor->AddAnim(TActor::alRun, AllSectors(1));
    EXPECT_EQ(actor->CurrentEntry()->group, 0);
    // Looking at a point is ignored while walking.
    const int32_t facing = actor->GetFacing();
    actor->LookAt({-50.0f, 0.0f, 6.0f});
    EXPECT_EQ(actor->GetFacing(), facing);
    actor->StopAnimation();
    EXPECT_FALSE(actor->AnimTimer().Flags() & TComp::kEnabled);
}

} // namespace
