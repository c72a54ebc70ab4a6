// Actors: direction fallbacks and facings, visibility and filtering by depth,
// running, the script animation's end action, footsteps and talking.
#include "RoomFixture.h"

#include "RlaMemoryStream.h"
#include "TActor.h"

#include <limits>

namespace {

using roomtest::RoomTest;
using roomtest::Solid;

ActorAnimRecord RecordWith(std::initializer_list<int32_t> entries, int32_t group = 0) {
    ActorAnimRecord r;
    for (int32_t k : entries) {
        r.entries[k].group = group;
        r.entries[k].interval = 100;
        r.entries[k].pauseMin = r.entries[k].pauseMax = 100;
    }
    return r;
}

WalkPath* PathOf(const Point3D& from, const Point3D& to) {
    auto* path = new WalkPath;
    path->AddPoint(from);
    path->AddPoint(to);
    return path;
}

class ActorTest : public RoomTest {
protected:
    void SetUp() override {
        RoomTest::SetUp();
        MakeRoom();
        actor = static_cast<TActor*>(room->CreateElement(TRoomElement::tyActor, "a", 0));
        actor->number = 2;
        // Group 0: four frames; group 1: two frames.
        tools::RlaWriter writer;
        for (int i = 0; i < 4; ++i)
            writer.AddSprite(0, Solid(20, 30, 200, 40, 40), -10, -30);
        for (int i = 0; i < 2; ++i)
            writer.AddSprite(1, Solid(20, 30, 40, 40, 200), -10, -30);
        auto* stream = new RlaMemoryStream(writer.Finish());
        auto* pictures = new TRlaFile;
        ASSERT_TRUE(pictures->Open(stream));
        actor->SetPictures(pictures, stream);
    }
    // Ticks of the animation timer that each fire it once.
    void Steps(int32_t n) {
        for (int32_t i = 0; i < n; ++i)
            Tick(actor->AnimTimer(), 101);
    }
    // The entry index of the running animation in `record`'s storage.
    int32_t PlayingEntry() const {
        for (int32_t k = 0; k < 6; ++k)
            if (actor->CurrentEntry() && actor->CurrentEntry()->group == 100 + k) return k;
        return -1;
    }

    TActor* actor = nullptr;
};

TEST_F(ActorTest, DirectionsFallBackInTheTableOrder) {
    for (int32_t sector = 0; sector < 6; ++sector)
        for (int32_t p = 0; p < 6; ++p) {
            // Only the entries from position p of the row have an animation.
            ActorAnimRecord r;
            for (int32_t q = p; q < 6; ++q) {
                const int32_t k = TActor::kFallback[sector][q];
                r.entries[k].group = 100 + k;
                r.entries[k].interval = 100;
            }
            actor->SetFacing(60 + 60 * sector);
            ASSERT_EQ(actor->GetFacing(), sector);
            actor->PlayAnim(r);
            EXPECT_EQ(PlayingEntry(), TActor::kFallback[sector][p]) << sector << "/" << p;
        }
    EXPECT_EQ((std::vector<int32_t>(TActor::kFallback[4], TActor::kFallback[4] + 6)),
              (std::vector<int32_t>{4, 5, 3, 0, 2, 1}));
    // No entry with a group: nothing is shown.
    actor->PlayAnim(ActorAnimRecord{});
    EXPECT_EQ(actor->CurrentEntry(), nullptr);
    EXPECT_EQ(actor->ShownGroup(), -1);
}

TEST_F(ActorTest, WalkingDirectionsGiveTheFacingsOfACameraAtRest) {
    struct Case {
        float x, dx, dz;
        int32_t sector;
    };
    const Case cases[] = {
        {3.0f, 0.0f, -1.0f, 4}, {7.0f, 0.0f, -1.0f, 5}, {3.0f, 0.0f, 1.0f, 1},
        {7.0f, 0.0f, 1.0f, 2},  {5.0f, 1.0f, 0.0f, 0},  {5.0f, -1.0f, 0.0f, 3},
    };
    for (const Case& c : cases) {
        const Point3D from{c.x, 0.0f, 8.0f};
        actor->CancelWalk(1);
        actor->SetPosition(from);
        actor->WalkTo(PathOf(from, {c.x + 2 * c.dx, 0.0f, 8.0f + 2 * c.dz}));
        actor->FollowWalker();
        EXPECT_EQ(actor->GetFacing(), c.sector) << c.x << " " << c.dx << " " << c.dz;
    }
}

TEST_F(ActorTest, HiddenAtDepthOneAndFilteredOnlyUpToScaleOne) {
    actor->SetPosition({5.0f, 1.7f, 1.0f});
    EXPECT_FALSE(actor->IsVisible());
    actor->SetPosition({5.0f, 1.7f, 1.0001f});
    EXPECT_TRUE(actor->IsVisible());

    actor->AddAnim(TActor::alIdle, RecordWith({0, 1, 2, 3, 4, 5}));
    // At the camera's reference distance the depth scale is exactly 1.0.
    struct Case {
        float baseScale;
        bool scaled;
        int32_t height;
    };
    for (const Case& c : {Case{1.0f, true, 30}, Case{1.01f, false, 30}, Case{0.5f, true, 15}}) {
        room->GetCamera().SetBaseScale(c.baseScale);
        actor->SetPosition({5.0f, 1.7f, 3.0f});
        actor->Update();
        EXPECT_EQ((actor->GetElementFlags() & TRoomElement::efScaled) != 0, c.scaled)
            << c.baseScale;
        EXPECT_EQ(actor->GetHeight(), c.height) << c.baseScale;
    }
    // The anchor lands on the projected point: 10 across and 30 down at scale 0.5.
    EXPECT_EQ(actor->GetX(), 400 - 0 - 5);
}

// Scales and anchors from scripts and far places ask for rectangles beyond
// the 32-bit range: the layout settles on one held in range, a frame drawn
// from it stays on the display, and a scale that is no number draws the
// frame at its own size.
TEST_F(ActorTest, ExtremeScalesAnchorsAndPlacesSettleInRange) {
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    constexpr float kInf = std::numeric_limits<float>::infinity();
    struct Case {
        const char* name;
        float scale;
        int32_t anchor;
        float x;
        bool depthScaling, ownSize;
    };
    const Case cases[] = {
        {"infinite scale", kInf, 0, 5.0f, true, true},
        {"negative infinite scale", -kInf, 0, 5.0f, true, true},
        {"NaN scale", std::numeric_limits<float>::quiet_NaN(), 0, 5.0f, true, true},
        {"huge scale", 1e30f, 0, 5.0f, true, false},
        {"negative scale", -2.0f, 0, 5.0f, true, false},
        {"lowest anchor", 1.0f, kMin, 5.0f, true, false},
        {"highest anchor", 1.0f, kMax, 5.0f, true, false},
        {"lowest anchor unscaled", 1.0f, kMin, 5.0f, false, false},
        {"highest anchor unscaled", 1.0f, kMax, 5.0f, false, false},
        {"far to the side", 1.0f, 0, 1e30f, true, false},
    };
    TRectArea own;
    actor->PlayAnim(RecordWith({0, 1, 2, 3, 4, 5}));
    actor->SetPosition({5.0f, 1.7f, 3.0f});
    actor->Update();
    actor->GetBounds(own);
    const uint32_t flags = actor->GetElementFlags();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ActorAnimRecord r = RecordWith({0, 1, 2, 3, 4, 5});
        for (AnimEntry& e : r.entries) {
            e.scale = c.scale;
            e.x = e.y = c.anchor;
        }
        actor->SetElementFlags(c.depthScaling ? flags : flags & ~TRoomElement::efDepthScaling);
        actor->PlayAnim(r);
        actor->SetPosition({c.x, 1.7f, 3.0f});
        actor->Invalidate(true);
        actor->Update();
        TRectArea first, again;
        actor->GetBounds(first);
        if (c.ownSize) {
            EXPECT_EQ((std::vector<int32_t>{first.left, first.top, first.right, first.bottom}),
                      (std::vector<int32_t>{own.left, own.top, own.right, own.bottom}));
        }
        // Asked again for the same, the actor rests.
        actor->Invalidate(true);
        actor->Update();
        actor->GetBounds(again);
        EXPECT_EQ(again.left, first.left);
        EXPECT_EQ(again.right, first.right);
        // Drawn by the plain stretch and, where scaled down, filtered.
        for (int32_t filtering : {0, 1}) {
            game.filtering = filtering;
            actor->Invalidate(true);
            Frame();
        }
    }
}

TEST_F(ActorTest, ASecondOrderToTheSameEndRuns) {
    actor->AddAnim(TActor::alWalk, RecordWith({0, 1, 2, 3, 4, 5}));
    const Point3D from{5.0f, 0.0f, 8.0f};
    actor->SetPosition(from);
    actor->walkEndAction = 70;
    actor->WalkTo(PathOf(from, {5.0f, 0.0f, 20.0f}));
    EXPECT_EQ(actor->GetState(), TActor::asWalking);
    EXPECT_FLOAT_EQ(actor->GetWalker()->GetSpeed(), 0.17f);
    EXPECT_EQ(game.log, (std::vector<std::string>{"Unref 70"}));
    actor->WalkTo(PathOf(from, {5.0f, 0.0f, 20.0f}));
    EXPECT_EQ(actor->GetState(), TActor::asRunning);
    EXPECT_FLOAT_EQ(actor->GetWalker()->GetSpeed(), 0.425f);
    // An empty run list runs with the walk animations.
    EXPECT_NE(actor->CurrentEntry(), nullptr);
    actor->WalkTo(PathOf(from, {5.0f, 0.0f, 30.0f}));
    EXPECT_EQ(actor->GetState(), TActor::asWalking);
    // Arrival settles the actor and calls the walk end action once.
    actor->walkEndAction = 71;
    actor->SetPosition({5.0f, 0.0f, 29.9f});
    actor->WalkTo(PathOf({5.0f, 0.0f, 29.9f}, {5.0f, 0.0f, 30.0f}));
    actor->walkEndAction = 72;
    game.log.clear();
    Steps(3);
    EXPECT_EQ(actor->GetWalker(), nullptr);
    EXPECT_EQ(actor->GetState(), TActor::asIdle);
    EXPECT_EQ(game.log, (std::vector<std::string>{"Call 72"}));
}

TEST_F(ActorTest, ScriptAnimationEndActionFiresAtFrameNMinusTwo) {
    struct Case {
        int32_t group, frames;
        std::vector<int32_t> shown; // frame after each step
        int32_t firesAtStep;
    };
    for (const Case& c : {Case{0, 4, {1, 2, 3, 0}, 2}, Case{1, 2, {1, 0, 1}, 2}}) {
        actor->PlayAnim(RecordWith({0, 1, 2, 3, 4, 5}, c.group));
        actor->animEndAction = 60;
        game.log.clear();
        std::vector<int32_t> shown;
        int32_t firedAt = -1;
        for (int32_t step = 1; step <= int32_t(c.shown.size()); ++step) {
            Steps(1);
            shown.push_back(actor->ShownFrame());
            if (firedAt < 0 && !game.log.empty()) firedAt = step;
        }
        EXPECT_EQ(shown, c.shown) << c.frames;
        EXPECT_EQ(firedAt, c.firesAtStep) << c.frames;
        EXPECT_EQ(game.log, (std::vector<std::string>{"Call 60"})) << c.frames;
        EXPECT_EQ(actor->GetState(), TActor::asIdle);
    }
}

TEST_F(ActorTest, FootstepsEverySixthTickWalkingAndThirdRunning) {
    actor->AddAnim(TActor::alWalk, RecordWith({0, 1, 2, 3, 4, 5}));
    actor->AddWalkSound("step");
    const Point3D from{5.0f, 0.0f, 8.0f};
    for (bool run : {false, true}) {
        actor->SetPosition(from);
        actor->CancelWalk(1);
        actor->WalkTo(PathOf(from, {5.0f, 0.0f, 500.0f}));
        if (run) actor->WalkTo(PathOf(from, {5.0f, 0.0f, 500.0f}));
        std::vector<int32_t> steps;
        for (int32_t tick = 1; tick <= 12; ++tick) {
            actor->StepWave(0).SetName("");
            actor->StepWave(1).SetName("");
            Steps(1);
            if (*actor->StepWave(0).GetName() || *actor->StepWave(1).GetName())
                steps.push_back(tick);
        }
        EXPECT_EQ(steps, run ? (std::vector<int32_t>{3, 6, 9, 12}) : (std::vector<int32_t>{6, 12}));
    }
}

TEST_F(ActorTest, TheSpeakerTalksAndOthersIdle) {
    actor->AddAnim(TActor::alTalk, RecordWith({0, 1, 2, 3, 4, 5}, 1));
    actor->AddAnim(TActor::alIdle, RecordWith({0, 1, 2, 3, 4, 5}, 0));
    game.speaker = 2;
    actor->SetTalkState(0);
    EXPECT_EQ(actor->GetState(), TActor::asTalking);
    EXPECT_EQ(actor->ShownGroup(), 1);
    game.speaker = 5;
    room->RefreshActorsTalk();
    EXPECT_EQ(actor->GetState(), TActor::asIdle);
    EXPECT_EQ(actor->ShownGroup(), 0);
    // Talking never replaces a walk.
    actor->WalkTo(PathOf({5, 0, 8}, {5, 0, 9}));
    actor->SetTalkState(1);
    EXPECT_EQ(actor->GetState(), TActor::asWalking);
    // Lists: 4 and above do nothing; clearing a list leaves the animation running.
    actor->CancelWalk(1);
    actor->AddAnim(4, RecordWith({0}));
    actor->ClearAnim(TActor::alIdle);
    EXPECT_EQ(actor->ListCount(TActor::alIdle), 0);
    EXPECT_EQ(actor->ShownGroup(), 0);
    Steps(3);
    EXPECT_NE(actor->CurrentEntry(), nullptr);
    // The dialog's speech sound is kept for the speaker's mouth.
    TSound speech;
    actor->SetFlag(&speech);
    EXPECT_EQ(actor->GetSpeech(), &speech);
    room->ResetActorsTalk();
    EXPECT_EQ(actor->GetSpeech(), nullptr);
}

} // namespace
