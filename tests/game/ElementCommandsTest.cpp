// The scripts' commands on the room's objects, zones and layers, the room's
// picture and player, and the sky, run in the game's main state over the
// fixture's room.
#include "ElementTestFixture.h"

#include "SpanEffect.h"
#include "TSkyLayer.h"

#include "foundation/TDeleteQueue.h"

namespace gametest {
namespace {

using ObjectCommands = ElementTest;

TEST_F(ObjectCommands, ShowObjectBindsTheTableAndChoosesThePictures) {
    StartIn("O = Engine.ShowObject(T, 'Vase', 3) "
            "L = Engine.ShowObject({LocalItem = 1}, 'Key', 0) "
            "N = Engine.ShowObject({LocalItem = nil}, 'Cup', 0)");
    TAnimObject* vase = Object("O");
    ASSERT_NE(vase, nullptr);
    EXPECT_STREQ(vase->GetName().c_str(), "Vase");
    EXPECT_EQ(vase->GetDepthWord(), 3);
    EXPECT_EQ(vase->GetSource(), &Room().Objects());
    ASSERT_NE(Object("L"), nullptr);
    EXPECT_EQ(Object("L")->GetSource(), &Room().LocalItems());
    EXPECT_EQ(Object("N")->GetSource(), &Room().Objects());
    // The element's script value is the table it was shown with.
    EXPECT_TRUE(Run("Game.DoAction = function(e) if e ~= T then Error('wrong table') end end"));
    Game().CallGameEvent("DoAction", vase->scriptRef, -1);
    EXPECT_TRUE(Boxes("wrong table").empty());
    // A local item draws from the room's local pictures.
    ASSERT_TRUE(Run("Engine.SetObjectAnim(L, {0})"));
    EXPECT_EQ(Object("L")->GetWidth(), 16);
    ASSERT_TRUE(Run("Engine.HideObject(O)"));
    EXPECT_EQ(Handle("O"), nullptr);
    EXPECT_TRUE(IsQueuedForDeletion(vase));
    Stop();
}

TEST_F(ObjectCommands, AnAnimationListIsReadFromItsTable) {
    StartIn("O = Engine.ShowObject(T, 'Lamp', 1)");
    TAnimObject* lamp = Object("O");
    ASSERT_NE(lamp, nullptr);
    // Without a list there is no frame to set or read.
    ASSERT_TRUE(Run("Engine.SetObjectImage(O, 2)"));
    EXPECT_EQ(lamp->GetEntry(), nullptr);
    EXPECT_EQ(Value("Engine.GetObjectImage(O)"), -1);
    EXPECT_EQ(Value("Engine.GetObjectAnim(O)"), -1);
    EXPECT_EQ(Value("Engine.GetObjectImageCount(O)"), 0);

    ASSERT_TRUE(Run("Engine.SetObjectAnim(O, {1, 50, 300, 900, 77, 10, 20, 200})"));
    const AnimEntry* e = lamp->GetEntry();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->group, 1);
    EXPECT_EQ(e->interval, 100); // 50 ms is too fast: 100
    EXPECT_EQ(lamp->Timer().GetInterval(), 100.0f);
    EXPECT_EQ(e->pauseMin, 300);
    EXPECT_EQ(e->pauseMax, 900);
    EXPECT_EQ(e->frame, 0);
    EXPECT_EQ(e->x, 10);
    EXPECT_EQ(e->y, 20);
    EXPECT_EQ(e->scale, 0.5f);
    EXPECT_EQ(Value("Engine.GetObjectAnim(O)"), 1);
    EXPECT_EQ(Value("Engine.GetObjectImageCount(O)"), 4);
    ASSERT_TRUE(Run("Engine.SetObjectImage(O, 2.9)"));
    EXPECT_EQ(Value("Engine.GetObjectImage(O)"), 2);

    // Key 8 is a speed in percent; one the sprites cannot draw gives 1.0, and
    // keys 6 to 8 change nothing when absent.
    const struct {
        const char* table;
        float scale;
        int32_t x;
    } cases[] = {
        {"{1, 100, 0, 0, nil, 5, 0, 400}", 0.25f, 5},
        {"{1, 100, 0, 0, nil, nil, 0, 0}", 1.0f, 5},
        {"{1, 100, 0, 0, nil, nil, nil, -50}", 1.0f, 5},
        {"{1, 100, 0, 0, nil, 7, 0, 'x'}", 1.0f, 7},
        {"{1, 100, 0, 0, nil, 7, 0, 1e-300}", 1.0f, 7},
        {"{1, 100, 0, 0, nil, 7, 0, '50'}", 2.0f, 7},
        {"{1, 100}", 2.0f, 7},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Run(std::string("Engine.SetObjectAnim(O, ") + c.table + ")"));
        EXPECT_EQ(e->scale, c.scale) << c.table;
        EXPECT_EQ(e->x, c.x) << c.table;
        EXPECT_EQ(e->frame, 0) << c.table;
    }
    // Not a table: the list stays as it was.
    ASSERT_TRUE(Run("Engine.SetObjectAnim(O, 5) Engine.SetObjectAnim(O)"));
    EXPECT_EQ(e->group, 1);
    Stop();
}

TEST_F(ObjectCommands, AnObjectRunsItsModesOnTheTimer) {
    StartIn("O = Engine.ShowObject(T, 'Lamp', 1) Ends = 0 "
            "Engine.SetObjectAnim(O, {1, 50}, nil, nil, nil, function() Ends = Ends + 1 end)");
    TAnimObject* lamp = Object("O");
    ASSERT_NE(lamp, nullptr);
    ASSERT_TRUE(Run("Engine.SetObjectAnimMode(O, 2)"));
    EXPECT_EQ(Value("Engine.GetObjectAnimMode(O)"), 2);
    // 100 ms a frame: after 150 ms one step.
    RunTicks(3);
    EXPECT_EQ(Value("Engine.GetObjectImage(O)"), 1);
    RunTicks(20);
    // Once forward ends on the last frame, stopped, and says so in the table.
    EXPECT_EQ(Value("Engine.GetObjectAnimMode(O)"), 4);
    EXPECT_EQ(Value("Engine.GetObjectImage(O)"), 3);
    EXPECT_EQ(Value("T.AnimMode"), 4);
    EXPECT_EQ(Value("T.AnimImage"), 3);
    EXPECT_EQ(Value("Ends"), 1);
    // Backward once from the last frame ends on frame 0.
    ASSERT_TRUE(Run("Engine.SetObjectAnimMode(O, 3)"));
    RunTicks(20);
    EXPECT_EQ(Value("T.AnimImage"), 0);
    EXPECT_EQ(Value("Ends"), 1); // the end action was called once, then let go
    EXPECT_EQ(Text("Engine.GetObjectAnimMode(nil)"), "nil");
    Stop();
}

TEST_F(ObjectCommands, SelectableIsClearedOnlyByNil) {
    StartIn("O = Engine.ShowObject(T, 'Lamp', 1)");
    TRoomElement* lamp = Handle("O");
    ASSERT_NE(lamp, nullptr);
    const struct {
        const char* call;
        bool selectable;
    } cases[] = {
        {"Engine.SetObjectSelectable(O, nil)", false},
        {"Engine.SetObjectSelectable(O)", true},
        {"Engine.SetObjectSelectable(O, nil)", false},
        {"Engine.SetObjectSelectable(O, 0)", true},
        {"Engine.SetObjectSelectable(O, nil)", false},
        {"Engine.SetObjectSelectable(O, 'no')", true},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Run(c.call));
        EXPECT_EQ((lamp->GetElementFlags() & TRoomElement::efSelectable) != 0, c.selectable)
            << c.call;
    }
    Stop();
}

TEST_F(ObjectCommands, PositionDepthAndFlagsActOnAnyElement) {
    StartIn("O = Engine.ShowObject(T, 'Lamp', 1) A = Engine.ShowActor({}, 'a', 0)");
    ASSERT_NE(Handle("O"), nullptr);
    ASSERT_NE(Actor("A"), nullptr);
    for (const char* name : {"O", "A"}) {
        const std::string h = name;
        TRoomElement* e = Handle(name);
        ASSERT_TRUE(Run("Engine.SetObjectPosition(" + h + ", 4.5, 1.25, 6)"));
        EXPECT_EQ(e->GetPosition()->x, 4.5f) << name;
        EXPECT_EQ(e->GetPosition()->y, 1.25f) << name;
        EXPECT_EQ(e->GetPosition()->z, 6.0f) << name;
        ASSERT_TRUE(Run("X, Y, Z = Engine.GetObjectPosition(" + h + ")"));
        EXPECT_EQ(Text("X .. ' ' .. Y .. ' ' .. Z"), "4.5 1.25 6") << name;
        ASSERT_TRUE(Run("Engine.SetObjectDepth(" + h + ", 7.8)"));
        EXPECT_EQ(e->GetDepthWord(), 7) << name;
        const uint32_t before = e->GetElementFlags();
        ASSERT_TRUE(Run("Engine.LayerSetFlags(" + h + ", 64 + 2)"));
        EXPECT_EQ(e->GetElementFlags(), before | 66u) << name;
        ASSERT_TRUE(Run("Engine.LayerResetFlags(" + h + ", 2 + 1)"));
        EXPECT_EQ(e->GetElementFlags(), (before | 66u) & ~3u) << name;
    }
    // No element: nothing pushed, nothing changed.
    EXPECT_EQ(Text("Engine.GetObjectPosition(nil)"), "nil");
    EXPECT_TRUE(Run("Engine.SetObjectPosition(5, 1, 2, 3) Engine.LayerSetFlags({}, 1)"));
    Stop();
}

TEST_F(ObjectCommands, OnlyKindOneStartsAnEffect) {
    StartIn("O = Engine.ShowObject(T, 'Lamp', 1)");
    TRoomElement* lamp = Handle("O");
    ASSERT_NE(lamp, nullptr);
    ASSERT_TRUE(Run("Engine.StartObjectEffect(O, 2, 30)"));
    EXPECT_EQ(lamp->GetEffect(), nullptr);
    ASSERT_TRUE(Run("Engine.StartObjectEffect(O, 1, 30)"));
    auto* pulse = dynamic_cast<SpanEffectPulse*>(lamp->GetEffect());
    ASSERT_NE(pulse, nullptr);
    EXPECT_EQ(pulse->phase, 30);
    EXPECT_EQ(lamp->GetEffectParameter(), 30);
    ASSERT_TRUE(Run("Engine.StartObjectEffect(O, 1, 90)"));
    ASSERT_NE(dynamic_cast<SpanEffectPulse*>(lamp->GetEffect()), nullptr);
    EXPECT_EQ(static_cast<SpanEffectPulse*>(lamp->GetEffect())->phase, 90);
    ASSERT_TRUE(Run("Engine.StopObjectEffect(O)"));
    EXPECT_EQ(lamp->GetEffect(), nullptr);
    Stop();
}

// An actor, a zone or a gone element handed to the commands of animated
// objects changes nothing: none of them is taken for an object.
TEST_F(ObjectCommands, AnimationCommandsIgnoreOtherElementsAndGoneOnes) {
    StartIn("A = Engine.ShowActor({}, 'a', 0) Z = Engine.ShowZone({}, 'Door') "
            "G = Engine.ShowObject({}, 'Gone', 0) Engine.HideObject(G)");
    TActor* actor = Actor("A");
    ASSERT_NE(actor, nullptr);
    ASSERT_NE(Handle("Z"), nullptr);
    EXPECT_EQ(Handle("G"), nullptr);
    DrainDeleteLater();
    const int32_t count = Room().ElementCount();
    for (const char* h : {"A", "Z", "G"}) {
        const std::string calls =
            std::string("Engine.SetObjectAnim(H, {3, 100}, nil, nil, nil, print) "
                        "Engine.SetObjectImage(H, 2) Engine.SetObjectAnimMode(H, 2) "
                        "Engine.SetObjectAnimEndAction(H, print) ");
        ASSERT_TRUE(Run(std::string("H = ") + h + " " + calls));
        EXPECT_EQ(Value("Engine.GetObjectImage(H)"), -1) << h;
        EXPECT_EQ(Value("Engine.GetObjectAnim(H)"), -1) << h;
        EXPECT_EQ(Value("Engine.GetObjectImageCount(H)"), 0) << h;
        EXPECT_EQ(Text("Engine.GetObjectAnimMode(H)"), "nil") << h;
        ASSERT_TRUE(Run("Engine.SetObjectPosition(H, 1, 2, 3) Engine.StartObjectEffect(H, 1, 4) "
                        "Engine.HideObject(H)"));
    }
    EXPECT_EQ(actor->CurrentEntry(), nullptr);
    EXPECT_EQ(actor->animEndAction, -1);
    // The actor and the zone were hidden; nothing else changed.
    EXPECT_EQ(Room().ElementCount(), count - 2);
    Stop();
}

TEST_F(ObjectCommands, AnEndActionMayEndTheWorldItRunsIn) {
    StartIn("O = Engine.ShowObject(T, 'Lamp', 1) "
            "Engine.SetObjectAnim(O, {1, 100}, nil, nil, nil, function() "
            "Engine.HideObject(O) NewGameNow() Engine.SetObjectImage(O, 1) end) "
            "Engine.SetObjectAnimMode(O, 2)");
    App().World()->MainState()->RegisterGlobalFunction(
        [] {
            App().OpenMenu();
            App().NewGame();
        },
        "NewGameNow");
    GameWorld* first = App().World();
    RunTicks(30);
    EXPECT_NE(App().World(), first);
    EXPECT_NE(App().World(), nullptr);
    Stop();
}

// The notes of missing arguments name them in the order they are read: a
// point z, y, x, a rectangle height first.
TEST_F(ObjectCommands, MissingArgumentsAreNotedInReadingOrder) {
    StartIn("O = Engine.ShowObject(T, 'Lamp', 1) Z = Engine.ShowZone(T, 'Door') "
            "A = Engine.ShowActor(T, 'a', 0)");
    const struct {
        const char* call;
        std::vector<int> missing;
    } cases[] = {
        {"Engine.SetObjectPosition(O)", {4, 3, 2}},      {"Engine.SetObjectPosition(O, 1)", {4, 3}},
        {"Engine.SetZoneRect(Z, 1)", {5, 4, 3}},         {"Engine.ActorWalkTo(A)", {4, 3, 2}},
        {"Engine.ActorWalkPath(A, 1, 2, 3)", {7, 6, 5}}, {"Engine.ActorLookAt(A)", {}},
        {"Engine.SetObjectSelectable(O)", {}},           {"Engine.PlayActorAnim(A)", {2}},
    };
    for (const auto& c : cases) {
        Notes().clear();
        ASSERT_TRUE(Run(c.call));
        EXPECT_EQ(Notes(), MissingNotes(c.missing)) << c.call;
    }
    Stop();
}

using ZoneCommands = ElementTest;

TEST_F(ZoneCommands, AZoneIsShownPlacedAndHidden) {
    StartIn("Z = Engine.ShowZone(T, 'Door') O = Engine.ShowObject({}, 'Lamp', 0)");
    auto* zone = dynamic_cast<TRoomZone*>(Handle("Z"));
    ASSERT_NE(zone, nullptr);
    EXPECT_STREQ(zone->GetName().c_str(), "Door");
    EXPECT_EQ(zone->GetDepthWord(), 0);
    ASSERT_TRUE(Run("Engine.SetZoneRect(Z, 100, 200, 50, 40.7)"));
    EXPECT_EQ(zone->GetX(), 100);
    EXPECT_EQ(zone->GetY(), 200);
    EXPECT_EQ(zone->GetWidth(), 50);
    EXPECT_EQ(zone->GetHeight(), 40);
    // Only a zone takes a rectangle.
    const int32_t width = Handle("O")->GetWidth();
    ASSERT_TRUE(Run("Engine.SetZoneRect(O, 1, 2, 300, 400)"));
    EXPECT_EQ(Handle("O")->GetWidth(), width);
    ASSERT_TRUE(Run("Engine.HideZone(Z)"));
    EXPECT_EQ(Handle("Z"), nullptr);
    Stop();
}

using RoomCommands = ElementTest;

TEST_F(RoomCommands, RoomImagePlayerAndSky) {
    StartIn();
    ASSERT_TRUE(Run("Engine.SetRoomImage(2)"));
    EXPECT_EQ(Room().GetImage(), 2);
    ASSERT_TRUE(Run("Engine.SetPlayerActor(3)"));
    EXPECT_EQ(Room().GetPlayerActor(), 3);
    ASSERT_TRUE(Run("Engine.SetPlayerActor()"));
    EXPECT_EQ(Room().GetPlayerActor(), -1);
    TSkyLayer& sky = Room().GetSky();
    ASSERT_TRUE(Run("Sky.SetImage(-1)"));
    EXPECT_FALSE(sky.IsVisible());
    ASSERT_TRUE(Run("Sky.SetImage(0)"));
    EXPECT_TRUE(sky.IsVisible());
    ASSERT_TRUE(Run("Sky.SetSpeed(0.5, 0.25)"));
    EXPECT_EQ(sky.GetTopSpeed(), 0.5f);
    Stop();
}

} // namespace
} // namespace gametest
