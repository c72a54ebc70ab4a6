// The map screen and its commands: the map centred over the world, the
// locations the scripts make by number, and what a click on a location, the
// back button or the right button does.
#include "GameTestFixture.h"

#include "MapView.h"
#include "ScriptRefs.h"
#include "TInventoryView.h"

#include "foundation/TDeleteQueue.h"
#include "foundation/TEvent.h"

namespace gametest {
namespace {

class MapViewTest : public GameTest {
protected:
    void StartMap() {
        fixture.mainScript = "Game = {} Map = {} Here = {} There = {}"
                             " function main() end";
        Start();
    }
    static MapView& Map() { return App().World()->Map(); }
    static void Click(TListForm& control) {
        TEvent command;
        command.SetType(evCommand);
        control.Dispatch(&control, &command);
    }
};

TEST_F(MapViewTest, TheMapIsCentredAndHiddenUntilShown) {
    StartMap();
    MapView& map = Map();
    EXPECT_EQ(MapView::Instance(), &map);
    TRectArea bounds;
    map.GetBounds(bounds);
    EXPECT_EQ(bounds.left, 60);
    EXPECT_EQ(bounds.top, 10);
    EXPECT_EQ(bounds.right - bounds.left, 680);
    EXPECT_EQ(bounds.bottom - bounds.top, 580);
    // The back button stands on the map, where a click reaches it.
    TRectArea back;
    map.BackButton().GetBounds(back);
    EXPECT_GE(back.left, 0);
    EXPECT_GE(back.top, 0);
    EXPECT_LE(back.right, bounds.right - bounds.left);
    EXPECT_LE(back.bottom, bounds.bottom - bounds.top);
    EXPECT_FALSE(map.IsVisible());
    EXPECT_EQ(App().World()->DoShow(), 0);
    EXPECT_TRUE(map.IsVisible());
    // The back button and the right button only hide it.
    Click(map.BackButton());
    EXPECT_FALSE(map.IsVisible());
    App().World()->DoShow();
    TEvent right;
    right.SetType(evRightDown);
    map.Dispatch(&map, &right);
    EXPECT_FALSE(map.IsVisible());
    EXPECT_TRUE(Boxes().empty());
    Stop();
}

TEST_F(MapViewTest, EntriesTakeTheirPlaceByNumberWithinBounds) {
    StartMap();
    MapView& map = Map();
    ASSERT_TRUE(Run("Engine.CreateMapEntry(Here, 'Hall', 5, 10, 20)"));
    EXPECT_EQ(map.EntryCount(), 6);
    for (int32_t i = 0; i < 5; ++i)
        EXPECT_EQ(map.GetEntry(i), nullptr) << i;
    ASSERT_NE(map.GetEntry(5), nullptr);
    EXPECT_EQ(map.GetEntry(-1), nullptr);
    EXPECT_EQ(map.GetEntry(6), nullptr);
    // Numbers outside 0 to 255 make nothing and leave the table.
    for (const char* index : {"256", "-1", "4294967295", "1e12"}) {
        ASSERT_TRUE(Run(std::string("Engine.CreateMapEntry(Here, 'Hall', ") + index + ", 0, 0)"));
        EXPECT_EQ(map.EntryCount(), 6) << index;
    }
    ASSERT_TRUE(Run("Engine.CreateMapEntry(Here, 'Hall', 255, 0, 0)"));
    EXPECT_EQ(map.EntryCount(), 256);
    Stop();
}

TEST_F(MapViewTest, EntryFlagsAndCommandsSwitchTheEntries) {
    StartMap();
    MapView& map = Map();
    ASSERT_TRUE(Run("Engine.CreateMapEntry(Here, 'Hall', 0, 10, 20)"
                    "Engine.CreateMapEntry(Here, 'Hall', 1, 10, 20, nil)"
                    "Engine.CreateMapEntry(Here, 'Hall', 2, 10, 20, 1, nil)"
                    "Engine.CreateMapEntry(Here, 'Hall', 7, 10, 20, 0, 0)"));
    struct Expect {
        int32_t index;
        bool shown, enabled;
    } expects[] = {{0, true, true}, {1, false, true}, {2, true, false}, {7, true, true}};
    for (const Expect& e : expects) {
        TMapEntry* entry = map.GetEntry(e.index);
        ASSERT_NE(entry, nullptr) << e.index;
        EXPECT_EQ(entry->GetParent() == &map, e.shown) << e.index;
        EXPECT_EQ(entry->IsEnabled(), e.enabled) << e.index;
    }
    TMapEntry& first = *map.GetEntry(0);
    TRectArea bounds;
    first.GetBounds(bounds);
    EXPECT_EQ(bounds.left, 10);
    EXPECT_EQ(bounds.top, 20);
    EXPECT_EQ(bounds.right - bounds.left, 40);
    EXPECT_NE(first.GetStyleRecords().GetRecord(1).source, nullptr);
    // Numbers past the four pictures show none.
    EXPECT_EQ(map.GetEntry(7)->GetStyleRecords().GetRecord(1).source, nullptr);
    ASSERT_TRUE(Run("Engine.SetMapEntryVisible(0, 0) Engine.SetMapEntryEnabled(0, 0)"
                    "Engine.SetMapEntryVisible(1, 1) Engine.SetMapEntryVisible(99, 1)"
                    "Engine.SetMapEntryEnabled(-1, 1)"));
    EXPECT_EQ(first.GetParent(), nullptr);
    EXPECT_FALSE(first.IsEnabled());
    EXPECT_EQ(map.GetEntry(1)->GetParent(), &map);
    ASSERT_TRUE(Run("Engine.DisableMap()"));
    EXPECT_FALSE(map.IsEnabled());
    ASSERT_TRUE(Run("Engine.EnableMap()"));
    EXPECT_TRUE(map.IsEnabled());
    Stop();
}

// The map is hidden before DoMapAction runs, so a handler that shows it
// again (as the F2 key would) leaves it shown.
TEST_F(MapViewTest, ALocationClickHidesTheMapThenCallsTheScripts) {
    StartMap();
    App().World()->MainState()->RegisterGlobalFunction(
        [] {
            if (GameWorld* world = App().World()) world->DoShow();
        },
        "ShowMap");
    ASSERT_TRUE(Run("function Game.DoMapAction(v) Error(tostring(v == There)) end "
                    "Engine.CreateMapEntry(There, 'Hall', 3, 10, 20)"));
    GameWorld& world = *App().World();
    world.DoShow();
    Click(*Map().GetEntry(3));
    EXPECT_EQ(Boxes(), std::vector<std::string>{"1"});
    EXPECT_FALSE(world.MapVisible());
    ASSERT_TRUE(Run("function Game.DoMapAction(v) ShowMap() end"));
    world.DoShow();
    Click(*Map().GetEntry(3));
    EXPECT_TRUE(world.MapVisible());
    Stop();
}

// DoMapAction may make the clicked location again at its own number: the
// old entry is hidden, its click finishes, and it goes with Clear.
TEST_F(MapViewTest, AnEntryReplacedFromItsOwnClickIsKeptUntilClear) {
    StartMap();
    ASSERT_TRUE(Run("function Game.DoMapAction(v)"
                    "  Engine.CreateMapEntry(There, 'Hall', 2, 30, 40) end "
                    "Engine.CreateMapEntry(Here, 'Hall', 2, 10, 20)"));
    MapView& map = Map();
    TMapEntry* old = map.GetEntry(2);
    const TRef<TMapEntry> oldRef(old);
    Click(*old);
    TMapEntry* now = map.GetEntry(2);
    ASSERT_NE(now, nullptr);
    EXPECT_NE(now, old);
    ASSERT_NE(oldRef.Get(), nullptr);
    EXPECT_EQ(old->GetParent(), nullptr);
    map.Clear();
    DrainDeleteLater();
    EXPECT_EQ(oldRef.Get(), nullptr);
    EXPECT_EQ(map.EntryCount(), 0);
    Stop();
}

void NewGameNow() {
    App().OpenMenu();
    App().NewGame();
}

// A new game chosen from a script: the old map's entries go after the new
// game has made references of its own, and release none of them.
TEST_F(MapViewTest, TheOldGamesEntriesLeaveTheNextGamesReferences) {
    fixture.mainScript = "Game = {} Map = {} function main() end";
    Start();
    App().World()->MainState()->RegisterGlobalFunction(&NewGameNow, "NewGameNow");
    ASSERT_TRUE(Run("local i = 0 while i < 4 do"
                    "  Engine.CreateMapEntry({}, 'Hall', i, 0, 0) i = i + 1 end "
                    "NewGameNow()"));
    ASSERT_TRUE(Run("Items = {} local i = 1 while i <= 4 do"
                    "  Items[i] = {} Engine.AddInventoryItem(Items[i], 'key', i) i = i + 1 end"));
    RunTicks(5); // the old world and its entries go between two steps
    TInventoryView& view = App().World()->InventoryView();
    LuaStateScope scope(App().World()->MainState()->State());
    for (int32_t i = 0; i < 4; ++i)
        EXPECT_NE(ScriptGetRef(view.SlotAt(i)->scriptRef), LUA_NOOBJECT) << i;
    Stop();
}

// The fixture game as its program writes it: a key in the inventory, two
// places on the map, and credits that end by themselves.
TEST_F(MapViewTest, TheFullFixtureGameHasAnItemAMapAndCredits) {
    WriteDevOptions("[DEBUG]\r\nShowIntro=0\r\n");
    fixture.mainScript = tools::FullMainScript();
    tools::AddDefaultCredits(fixture);
    Start();
    GameWorld& world = *App().World();
    ASSERT_NE(world.InventoryView().SlotAt(0), nullptr);
    EXPECT_EQ(world.InventoryView().SlotAt(0)->id, 1);
    EXPECT_EQ(Map().EntryCount(), 2);
    EXPECT_STREQ(Map().GetEntry(1)->GetHint().c_str(), "The garden");
    EXPECT_EQ(world.DoShow(), 0);
    EXPECT_TRUE(world.MapVisible());
    ASSERT_TRUE(Run("Engine.QuitGame()"));
    const DWORD start = timeGetTime();
    RunTicks(400);
    EXPECT_FALSE(App().IsEnabled());
    // Half a second to the quit, the wait, then 501 steps of 20 ms: the
    // first line, 200 pixels down, passes the content's 300 pixels.
    EXPECT_GE(timeGetTime() - start, 11000u);
    EXPECT_TRUE(Boxes().empty());
    Stop();
}

} // namespace
} // namespace gametest
