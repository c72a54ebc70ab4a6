// Actors: direction fallbacks and facings, visibility and filtering by depth,
// running, the script animation's end action, footsteps and talking.

#include "CheckBytes.h"
#include "RlaMemoryStream.h"
#include "RoomFixture.h"
#include "TActor.h"

#include <cstddef>
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

// Actors checked against their rules: record layout, the direction fallback
// table, facings from angles and from walking, visibility and filtering by
// depth, walking and running, the script animation's end action, pauses,
// footsteps, talking and the geometry of the frame box.
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
