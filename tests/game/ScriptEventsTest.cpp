// Events to the scripts and the room's commands as the scripts call them.
#include "GameTestFixture.h"

#include "ElementHandle.h"
#include "ScriptCommands.h"
#include "ScriptEvents.h"
#include "ScriptRefs.h"

#include "RoomGlobals.h"
#include "TActor.h"
#include "TRoom.h"
#include "TRoomSound.h"

#include "foundation/TDeleteQueue.h"

namespace gametest {
namespace {

TEST_F(GameTest, TheTickReachesTheScriptOnlyWhileNoMenuIsOpen) {
    fixture.mainScript = "Game = {} function Game.DoTickAction() Error('tick') end\n"
                         "function main() end\n";
    Start();
    GameWorld& world = *App().World();
    const struct {
        int menus;
        size_t delivered;
    } cases[] = {{0, 1}, {1, 0}, {2, 0}, {1, 0}, {0, 1}};
    for (const auto& c : cases) {
        while (App().MenuCount() < c.menus)
            App().OpenMenu();
        while (App().MenuCount() > c.menus)
            App().CloseMenu();
        platform::ClearMessageBoxLog();
        world.DoTickAction();
        EXPECT_EQ(Boxes("tick").size(), c.delivered) << c.menus << " menus";
    }
    Stop();
}

TEST_F(GameTest, AnEventAnswersWhetherItReturnedSomethingNotNil) {
    Start();
    const struct {
        const char* script;
        int32_t result;
    } cases[] = {
        {"Game.DoItemAction = nil", 0},
        {"function Game.DoItemAction() end", 0},
        {"function Game.DoItemAction() return nil end", 0},
        {"function Game.DoItemAction() return nil, 1 end", 0},
        {"function Game.DoItemAction() return 0 end", 1},
        {"function Game.DoItemAction() return 'x' end", 1},
        {"Game.DoItemAction = 5", 0},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Run(c.script));
        EXPECT_EQ(ScriptCallGameEvent("Game", "DoItemAction", -1, -1), c.result) << c.script;
    }
    Stop();
}

TEST_F(GameTest, AReleasedReferencePassesNoArgument) {
    Start();
    ASSERT_TRUE(Run("A = {} B = {}\n"
                    "function Game.DoUseItem(a, b)\n"
                    "  Error(tostring(a == A) .. ' ' .. tostring(a == B) .. ' ' .. type(b))\n"
                    "end\n"));
    int32_t a = -1, b = -1;
    {
        LuaStateScope scope(App().World()->MainState()->State());
        ScriptRef(a, lua_getglobal("A"));
        ScriptRef(b, lua_getglobal("B"));
    }
    ScriptCallGameEvent("Game", "DoUseItem", a, b);
    const int32_t stale = a;
    ScriptUnref(a);
    ScriptCallGameEvent("Game", "DoUseItem", stale, b);
    ScriptCallGameEvent("Game", "DoUseItem", -1, -1);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"1 nil table", "nil 1 nil", "nil nil nil"}));
    ScriptUnref(b);
    Stop();
}

TEST_F(GameTest, AMissingEventTableIsReportedOncePerGame) {
    fixture.mainScript = "function main() end\n";
    Start();
    for (int i = 0; i < 3; ++i) {
        App().World()->DoTickAction();
        EXPECT_EQ(App().World()->DoShow(), 0);
    }
    EXPECT_EQ(Boxes("The scripts define no table Game").size(), 1u);
    EXPECT_EQ(Boxes("The scripts define no table Map").size(), 1u);
    App().OpenMenu();
    App().NewGame();
    App().World()->DoTickAction();
    EXPECT_EQ(Boxes("The scripts define no table Game").size(), 2u);
    Stop();
}

TEST_F(GameTest, MapDoShowAnswersForTheMap) {
    fixture.mainScript = "Game = {} Map = {} function main() end\n";
    Start();
    GameWorld& world = *App().World();
    EXPECT_EQ(world.DoShow(), 0);
    EXPECT_TRUE(world.MapVisible());
    world.HideMap();
    ASSERT_TRUE(Run("function Map.DoShow() Error('map') return 1 end"));
    EXPECT_EQ(world.DoShow(), 1);
    EXPECT_FALSE(world.MapVisible());
    EXPECT_EQ(Boxes("map").size(), 1u);
    Stop();
}

// A map entry's value reaches Game.DoMapAction while the interpreter holds
// it; a released reference or none calls nothing.
TEST_F(GameTest, AMapActionPassesTheEntrysValue) {
    fixture.mainScript = "Game = {} V = {}\n"
                         "function Game.DoMapAction(v) Error(tostring(v == V)) end\n"
                         "function main() end\n";
    Start();
    GameWorld& world = *App().World();
    int32_t ref = -1;
    {
        LuaStateScope scope(world.MainState()->State());
        ScriptRef(ref, lua_getglobal("V"));
    }
    world.DoMapAction(ref);
    const int32_t stale = ref;
    ScriptUnref(ref);
    world.DoMapAction(stale);
    world.DoMapAction(-1);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"1"});
    Stop();
}

// The room's commands, each as a script calls it, and what the room holds
// afterwards.
TEST_F(GameTest, RoomCommandsActOnTheCurrentRoom) {
    fixture.mainScript = "Game = {} P = {} function main() Engine.EnterRoom('Hall') end\n";
    Start();
    TRoom& room = App().World()->RoomView();
    ASSERT_EQ(CurrentRoom(), &room);
    const struct {
        const char* script;
        const char* box; // what the script reports; null: nothing
        int actors;      // actors in the room afterwards
        int sounds;      // sounds playing afterwards
    } cases[] = {
        {"Error(type(Engine.ShowActor(P, 'x', 0)))", "userdata", 1, 0},
        {"local h = Engine.ShowActor(P, 'x', 7) Error(type(h))", "nil", 2, 0},
        {"Engine.HideActor(nil) Engine.HideActor() Engine.HideActor(5)", nullptr, 2, 0},
        {"Engine.PlaySound('step') Engine.PlaySound('step', 1)", nullptr, 2, 1},
        {"Engine.PlaySound('drip', nil)", nullptr, 2, 2},
        {"Engine.StopSound('step') Engine.StopSound('none')", nullptr, 2, 1},
        {"Engine.SetObjectAnimEndAction(nil, function() end)", nullptr, 2, 1},
        {"Engine.EnterRoom('Hall', nil) Error(type(Engine.ShowActor(P, 'x', 0.9999)))", "userdata",
         3, 0},
    };
    for (const auto& c : cases) {
        platform::ClearMessageBoxLog();
        ASSERT_TRUE(Run(c.script)) << c.script;
        if (c.box) {
            EXPECT_EQ(Boxes(), std::vector<std::string>{c.box}) << c.script;
        }
        int actors = 0;
        for (int32_t i = 0; i < room.ElementCount(); ++i)
            actors += dynamic_cast<TActor*>(room.ElementAt(i)) != nullptr;
        EXPECT_EQ(actors, c.actors) << c.script;
        EXPECT_EQ(room.PlayingSoundCount(), c.sounds) << c.script;
    }
    // 0.9999 is truncated: a second actor 0, no actor 1.
    EXPECT_EQ(room.FindActor(1), nullptr);
    EXPECT_STREQ(room.GetName().c_str(), "Hall");
    Stop();
}

// A handle names its element by serial: once the element is hidden and gone
// (and another may stand at its address), the handle does nothing.
TEST_F(GameTest, AStaleHandleDoesNothing) {
    fixture.mainScript = "Game = {} P = {} function main() Engine.EnterRoom('Hall') end\n";
    Start();
    TRoom& room = App().World()->RoomView();
    ASSERT_TRUE(Run("Old = Engine.ShowActor(P, 'x', 0) Engine.HideActor(Old)"));
    DrainDeleteLater();
    ASSERT_TRUE(Run("New = Engine.ShowActor(P, 'x', 0)"));
    ASSERT_NE(room.FindActor(0), nullptr);
    ASSERT_TRUE(Run("Engine.HideActor(Old) Engine.SetObjectAnimEndAction(Old, print)"));
    EXPECT_NE(room.FindActor(0), nullptr);
    ASSERT_TRUE(Run("Engine.HideActor(New)"));
    EXPECT_EQ(room.FindActor(0), nullptr);
    Stop();
}

// Only the current game's main state drives the room.
TEST_F(GameTest, ACommandFromAnotherStateDoesNothing) {
    Start();
    LuaScript other;
    other.RegisterTableFunction("Engine", &EngineEnterRoom, "EnterRoom");
    ASSERT_TRUE(other.RunString("Engine.EnterRoom('Elsewhere')"));
    EXPECT_STREQ(CurrentRoom()->GetName().c_str(), "Hall");
    Stop();
}

} // namespace
} // namespace gametest
