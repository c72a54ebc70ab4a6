// The scripts' commands on actors: walks and their end actions, speed,
// animation lists and script animations, walk sounds and looking at a point,
// over the fixture's room with a square of way lines laid in C++.
#include "ElementTestFixture.h"

#include "foundation/TDeleteQueue.h"

#include <set>

namespace gametest {
namespace {

class ActorCommands : public ElementTest {
protected:
    // The player at (3, 0, 4) with an idle and a walking animation, on a
    // square of way lines from (3, 0, 4) to (7, 0, 9).
    void StartWithPlayer(const std::string& more = "") {
        StartIn("A = Engine.ShowActor(T, 'p', 0) "
                "Engine.ActorAddAnim(A, 0, {{0}}) Engine.ActorAddAnim(A, 2, {{1}}) "
                "Engine.SetObjectPosition(A, 3, 0, 4) " +
                more);
        LayFloor();
        actor = Actor("A");
        ASSERT_NE(actor, nullptr);
    }
    static void LayFloor() {
        WayGraph& graph = Room().GetWayGraph();
        graph.AddLine({3, 0, 4}, {7, 0, 4});
        graph.AddLine({7, 0, 4}, {7, 0, 9});
        graph.AddLine({7, 0, 9}, {3, 0, 9});
        graph.AddLine({3, 0, 9}, {3, 0, 4});
    }
    // The groups the actor shows over its six facing sectors.
    std::set<int32_t> GroupsOverSectors() const {
        std::set<int32_t> groups;
        for (int32_t angle = 0; angle < 360; angle += 60) {
            actor->SetFacing(angle);
            if (actor->CurrentEntry()) groups.insert(actor->CurrentEntry()->group);
        }
        return groups;
    }

    TActor* actor = nullptr;
};

TEST_F(ActorCommands, AWalkWithoutARouteEndsAtOnceAndKeepsTheWalkUnderWay) {
    StartWithPlayer();
    ASSERT_TRUE(Run("Engine.ActorWalkTo(A, 7, 0, 9, function() Arrived = 1 end)"));
    ASSERT_NE(actor->GetWalker(), nullptr);
    const int32_t held = actor->walkEndAction;
    EXPECT_NE(held, -1);
    WalkPath* walk = actor->GetWalker();
    // Both points nearest one way point: no route.
    ASSERT_TRUE(Run("Engine.ActorWalkTo(A, 3.1, 0, 4, function() Now = 1 end)"));
    EXPECT_EQ(Value("Now"), 1);
    EXPECT_EQ(actor->GetWalker(), walk);
    EXPECT_EQ(actor->walkEndAction, held);
    // A nil end action is not called and not held.
    EXPECT_TRUE(Run("Engine.ActorWalkTo(A, 3.1, 0, 4, nil) Engine.ActorWalkTo(A, 3.1, 0, 4)"));
    EXPECT_EQ(actor->walkEndAction, held);
    EXPECT_EQ(Text("Arrived"), "nil");
    RunTicks(400);
    EXPECT_EQ(Value("Arrived"), 1);
    EXPECT_EQ(actor->GetWalker(), nullptr);
    EXPECT_EQ(actor->GetPosition()->x, 7.0f);
    EXPECT_EQ(actor->GetPosition()->z, 9.0f);
    EXPECT_EQ(actor->walkEndAction, -1);
    Stop();
}

TEST_F(ActorCommands, TheSamePointTwiceRunsAndANewEndActionReplacesTheOld) {
    StartWithPlayer();
    ASSERT_TRUE(Run("Engine.ActorWalkTo(A, 7, 0, 9, function() First = 1 end)"));
    EXPECT_EQ(actor->GetState(), TActor::asWalking);
    ASSERT_TRUE(Run("Engine.ActorWalkTo(A, 7, 0, 9, function() Second = 1 end)"));
    EXPECT_EQ(actor->GetState(), TActor::asRunning);
    RunTicks(400);
    EXPECT_EQ(Text("First"), "nil");
    EXPECT_EQ(Value("Second"), 1);
    // Without an end action a found route holds none.
    ASSERT_TRUE(Run("Engine.ActorWalkTo(A, 3, 0, 4, print) Engine.ActorWalkTo(A, 3, 0, 9)"));
    EXPECT_NE(actor->GetWalker(), nullptr);
    EXPECT_EQ(actor->walkEndAction, -1);
    Stop();
}

// A conversation stops the player where it stands: its walk (on a way graph
// the script laid) is cancelled, it stands idle rather than walking on the
// spot, and the walk's end action never runs.
TEST_F(ActorCommands, ADialogCancelsThePlayersWalk) {
    StartIn("A = Engine.ShowActor(T, 'p', 0) "
            "Engine.ActorAddAnim(A, 0, {{0}}) Engine.ActorAddAnim(A, 2, {{1}}) "
            "Engine.SetObjectPosition(A, 3, 0, 4) Path.Reset() "
            "Path.AddLine(3, 0, 4, 7, 0, 4) Path.AddLine(7, 0, 4, 7, 0, 9)");
    actor = Actor("A");
    ASSERT_NE(actor, nullptr);
    Room().SetPlayerActor(0);
    ASSERT_TRUE(Run("Engine.ActorWalkTo(A, 7, 0, 9, function() Arrived = 1 end)"));
    ASSERT_EQ(actor->GetState(), TActor::asWalking);
    ASSERT_NE(actor->GetWalker(), nullptr);
    RunTicks(2);
    const float x = actor->GetPosition()->x, z = actor->GetPosition()->z;
    ASSERT_TRUE(Run("Dialog.Do('chat')"));
    EXPECT_TRUE(App().World()->Dialogs().Running());
    EXPECT_EQ(actor->GetWalker(), nullptr);
    EXPECT_EQ(actor->GetState(), TActor::asIdle);
    RunTicks(400);
    EXPECT_EQ(Text("Arrived"), "nil");
    EXPECT_EQ(actor->GetPosition()->x, x);
    EXPECT_EQ(actor->GetPosition()->z, z);
    Stop();
}

TEST_F(ActorCommands, AWalkPathStartsOnlyFromRest) {
    StartWithPlayer();
    ASSERT_TRUE(Run("Engine.ActorWalkPath(A, 7, 0, 4, 7, 0, 9)"));
    WalkPath* walk = actor->GetWalker();
    ASSERT_NE(walk, nullptr);
    EXPECT_EQ(walk->FirstPoint()->x, 7.0f);
    EXPECT_EQ(walk->LastPoint()->z, 9.0f);
    ASSERT_TRUE(Run("Engine.ActorWalkPath(A, 3, 0, 9, 3, 0, 4)"));
    EXPECT_EQ(actor->GetWalker(), walk);
    ASSERT_TRUE(Run("Engine.ActorCancelWalk(A)"));
    EXPECT_EQ(actor->GetWalker(), nullptr);
    EXPECT_EQ(actor->GetState(), TActor::asIdle);
    ASSERT_TRUE(Run("Engine.ActorWalkPath(A, 3, 0, 9, 3, 0, 4)"));
    EXPECT_NE(actor->GetWalker(), nullptr);
    Stop();
}

TEST_F(ActorCommands, AnimationListsFillTheSectorsTheyName) {
    StartWithPlayer("Engine.ActorClearAnim(A, 0)");
    EXPECT_EQ(actor->ListCount(0), 0);
    // Only a table whose element 1 is a table fills its sector.
    ASSERT_TRUE(Run("Engine.ActorAddAnim(A, 0, {{5, 120}}, 7, {}, {6}, 'x')"));
    EXPECT_EQ(actor->ListCount(0), 1);
    EXPECT_EQ(GroupsOverSectors(), std::set<int32_t>{5});
    EXPECT_EQ(actor->CurrentEntry()->interval, 120);
    ASSERT_TRUE(Run("Engine.ActorAddAnim(A, 4, {{1}}) Engine.ActorAddAnim(A, -1, {{1}})"));
    for (int32_t list = 1; list < 4; ++list)
        EXPECT_EQ(actor->ListCount(list), list == 2 ? 1 : 0) << list;

    // A script animation's directions are keyed from 0.
    ASSERT_TRUE(Run("Engine.PlayActorAnim(A, {[0] = {3}, [1] = {4, 300}, [6] = {9}}, "
                    "function() Done = 1 end)"));
    EXPECT_EQ(actor->GetState(), TActor::asScript);
    EXPECT_EQ(GroupsOverSectors(), (std::set<int32_t>{3, 4}));
    actor->SetFacing(120); // sector 1 shows its own entry
    EXPECT_EQ(actor->CurrentEntry()->group, 4);
    EXPECT_EQ(actor->CurrentEntry()->interval, 300);
    const int32_t held = actor->animEndAction;
    EXPECT_NE(held, -1);
    ASSERT_TRUE(Run("Engine.PlayActorAnim(A, {[0] = {3}})"));
    EXPECT_EQ(actor->animEndAction, -1);
    Stop();
}

TEST_F(ActorCommands, SpeedSoundsAndLooking) {
    StartWithPlayer();
    ASSERT_TRUE(Run("Engine.ActorSetSpeed(A, 0.5)"));
    EXPECT_EQ(actor->speed, 0.5f);
    ASSERT_TRUE(Run("Engine.ActorAddWalkSound(A, 'step1') Engine.ActorAddWalkSound(A, 'step2') "
                    "Engine.ActorAddWalkSound(A)"));
    EXPECT_EQ(actor->WalkSoundCount(), 2);
    ASSERT_TRUE(Run("Engine.ActorClearWalkSound(A)"));
    EXPECT_EQ(actor->WalkSoundCount(), 0);
    // Looking at a point turns the actor and marks it; the actor alone ends it.
    const int32_t facing = actor->GetFacing();
    ASSERT_TRUE(Run("Engine.ActorLookAt(A, 9, 0, 4)"));
    EXPECT_TRUE(actor->GetElementFlags() & TRoomElement::efLookAt);
    EXPECT_NE(actor->GetFacing(), facing);
    ASSERT_TRUE(Run("Engine.ActorLookAt(A)"));
    EXPECT_FALSE(actor->GetElementFlags() & TRoomElement::efLookAt);
    Stop();
}

// End actions may hide the actor or end the world they run in; handles of
// gone actors then reach nothing.
TEST_F(ActorCommands, EndActionsMayRemoveTheActorOrTheWorld) {
    StartWithPlayer();
    GameWorld* first = App().World();
    App().World()->MainState()->RegisterGlobalFunction(
        [] {
            App().OpenMenu();
            App().NewGame();
        },
        "NewGameNow");
    ASSERT_TRUE(Run("Engine.ActorWalkTo(A, 3.1, 0, 4, function() Engine.HideActor(A) end) "
                    "Engine.ActorWalkTo(A, 7, 0, 9) Engine.ActorLookAt(A, 1, 1, 1)"));
    EXPECT_EQ(Handle("A"), nullptr);
    DrainDeleteLater();
    ASSERT_TRUE(Run("B = Engine.ShowActor({}, 'b', 0) Engine.ActorAddAnim(B, 2, {{1}}) "
                    "Engine.SetObjectPosition(B, 3, 0, 4)"));
    ASSERT_TRUE(Run("Engine.ActorWalkTo(B, 7, 0, 4, function() NewGameNow() "
                    "Engine.ActorWalkTo(B, 3, 0, 4) end)"));
    RunTicks(300);
    EXPECT_NE(App().World(), first);
    EXPECT_NE(App().World(), nullptr);
    Stop();
}

// The fixture's own story: its lamps run their modes and a click on the room
// walks the player to the nearest way point.
TEST_F(ActorCommands, TheFixturesPlayerWalksWhereTheRoomIsClicked) {
    Start();
    TRoom& room = Room();
    // The same square as the story lays, whether or not its lines are in.
    room.GetWayGraph().Reset();
    LayFloor();
    actor = room.FindActor(0);
    ASSERT_NE(actor, nullptr);
    EXPECT_EQ(room.GetPlayerActor(), 0);
    TEvent click;
    click.SetType(evLeftUp);
    click.record.x = 790; // nearest to the corner (7, 0, 4)
    click.record.y = 590;
    room.OnRoomClick(nullptr, &click);
    EXPECT_NE(actor->GetWalker(), nullptr);
    RunTicks(200);
    EXPECT_EQ(actor->GetWalker(), nullptr);
    EXPECT_EQ(actor->GetPosition()->x, 7.0f);
    EXPECT_EQ(actor->GetPosition()->z, 4.0f);
    const int32_t modes[5] = {0, 1, 4, 4, 4};
    for (int32_t mode = 0; mode < 5; ++mode)
        EXPECT_EQ(Value("Engine.GetObjectAnimMode(Lamps[" + std::to_string(mode) + "])"),
                  modes[mode])
            << mode;
    Stop();
}

} // namespace
} // namespace gametest
