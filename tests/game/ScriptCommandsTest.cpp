// The scripts' vocabulary after a new game: every name a function, shared
// names one function, the empty ones the empty function, and the tables
// ordinary script tables.
#include "GameTestFixture.h"

#include "ScriptCommands.h"

#include <set>

namespace gametest {
namespace {

// Every name a new game offers, as the scripts write them, in the order they
// are registered.
const char* const kNames[] = {"Debug.WriteString",
                              "Debug.WriteLabel",
                              "Engine.GetDialogText",
                              "SnapLayers",
                              "Engine.Random",
                              "Engine.EnableNightVision",
                              "Engine.DisableNightVision",
                              "Engine.SetObjectBrightness",
                              "Engine.SetObjectSelectable",
                              "Engine.SetObjectDepth",
                              "Engine.SetObjectPosition",
                              "Engine.SetLayerCursor",
                              "Engine.StartObjectEffect",
                              "Engine.StopObjectEffect",
                              "Engine.GetObjectPosition",
                              "Engine.LayerSetFlags",
                              "Engine.LayerResetFlags",
                              "Engine.SetRoomCursor",
                              "Engine.SetRoomImage",
                              "Engine.SetPlayerActor",
                              "Engine.ShowZone",
                              "Engine.HideZone",
                              "Engine.SetZoneRect",
                              "Engine.ShowObject",
                              "Engine.HideObject",
                              "Engine.SetObjectImage",
                              "Engine.GetObjectImage",
                              "Engine.GetObjectImageCount",
                              "Engine.SetObjectAnim",
                              "Engine.GetObjectAnim",
                              "Engine.SetObjectAnimMode",
                              "Engine.GetObjectAnimMode",
                              "Engine.ActorWalkPath",
                              "Engine.ActorWalkTo",
                              "Engine.ActorSetSpeed",
                              "Engine.ActorCancelWalk",
                              "Engine.ActorAddAnim",
                              "Engine.ActorClearAnim",
                              "Engine.PlayActorAnim",
                              "Engine.ActorClearWalkSound",
                              "Engine.ActorAddWalkSound",
                              "Engine.ActorLookAt",
                              "Engine.EnableTaskbar",
                              "Engine.DisableTaskbar",
                              "Engine.ShowTaskbar",
                              "Engine.EnableMap",
                              "Engine.DisableMap",
                              "Engine.CreateMapEntry",
                              "Engine.SetMapEntryEnabled",
                              "Engine.SetMapEntryVisible",
                              "Engine.AddInventoryItem",
                              "Engine.RemInventoryItem",
                              "Engine.InventoryShow",
                              "Engine.InventoryHide",
                              "Engine.LocationSetBlocked",
                              "Engine.GameMenuShow",
                              "Dialog.Do",
                              "Dialog.Get",
                              "Dialog.Done",
                              "Dialog.GetText",
                              "Dialog.StatementPlayed",
                              "Dialog.PhrasePlayed",
                              "Dialog.ActivatePhrase",
                              "Dialog.DeactivatePhrase",
                              "Dialog.LastPlayed",
                              "Camera.SetPosition",
                              "Camera.SetRotation",
                              "Camera.SetDistance",
                              "Camera.SetBaseScale",
                              "Camera.SetOriginalDistance",
                              "Camera.SetScaleAdjust",
                              "Path.AddNode",
                              "Path.RemNode",
                              "Path.AddNodeNeighbor",
                              "Path.RemNodeNeighbor",
                              "Path.AddLine",
                              "Path.FindNode",
                              "Path.Reset",
                              "Path.GetCost",
                              "Sky.SetImage",
                              "Sky.SetSpeed",
                              "Sound.Play",
                              "Sound.Stop",
                              "Music.Play",
                              "Music.Stop",
                              "Music.SetVolume",
                              "Cursor.Create",
                              "include",
                              "Engine.QuitApp",
                              "Engine.QuitGame",
                              "Engine.EnterRoom",
                              "Engine.FadeRoom",
                              "Engine.ShowActor",
                              "Engine.HideActor",
                              "Engine.PlaySound",
                              "Engine.StopSound",
                              "Engine.SetObjectAnimEndAction",
                              "SaveGame.WriteBool",
                              "SaveGame.ReadBool",
                              "SaveGame.WriteNumber",
                              "SaveGame.ReadNumber",
                              "SaveGame.WriteFloat",
                              "SaveGame.ReadFloat",
                              "SaveGame.WriteString",
                              "SaveGame.ReadString"};

// The host function a script name is bound to, or null.
lua_CFunction Bound(const std::string& name) {
    LuaStateScope scope(App().World()->MainState()->State());
    lua_beginblock();
    const size_t dot = name.find('.');
    lua_Object value = lua_getglobal(name.substr(0, dot).c_str());
    if (dot != std::string::npos && lua_istable(value)) {
        lua_pushobject(value);
        lua_pushstring(name.substr(dot + 1).c_str());
        value = lua_gettable();
    }
    const lua_CFunction f = lua_iscfunction(value) ? lua_getcfunction(value) : nullptr;
    lua_endblock();
    return f;
}

TEST_F(GameTest, EveryNameOfTheVocabularyIsAFunctionAfterANewGame) {
    Start();
    for (const char* name : kNames)
        EXPECT_NE(Bound(name), nullptr) << name;
    // The vocabulary lists each name once, and no name beyond these.
    std::set<std::string> listed;
    for (const ScriptCommand& c : ScriptCommands())
        EXPECT_TRUE(
            listed.insert(std::string(c.table ? c.table : "") + (c.table ? "." : "") + c.name)
                .second)
            << c.name;
    EXPECT_EQ(listed.size(), std::size(kNames));
    // The one list registers them in this order.
    ASSERT_EQ(ScriptCommands().size(), std::size(kNames));
    for (size_t i = 0; i < std::size(kNames); ++i) {
        const ScriptCommand& c = ScriptCommands()[i];
        EXPECT_EQ(std::string(c.table ? c.table : "") + (c.table ? "." : "") + c.name, kNames[i])
            << i;
    }
    Stop();
}

TEST_F(GameTest, SharedNamesAreOneFunctionAndEmptyNamesTheEmptyOne) {
    Start();
    EXPECT_EQ(Bound("Engine.GetDialogText"), Bound("Dialog.GetText"));
    EXPECT_EQ(Bound("Path.AddNodeNeighbor"), Bound("Path.RemNodeNeighbor"));
    EXPECT_EQ(Bound("SaveGame.WriteBool"), Bound("SaveGame.WriteNumber"));
    EXPECT_NE(Bound("SaveGame.WriteBool"), Bound("SaveGame.WriteFloat"));
    for (const char* name : {"Engine.EnableTaskbar", "Engine.DisableTaskbar", "Engine.ShowTaskbar",
                             "Dialog.Done", "Dialog.ActivatePhrase", "Dialog.DeactivatePhrase",
                             "Dialog.LastPlayed", "Sound.Stop", "SnapLayers"})
        EXPECT_EQ(Bound(name), &EmptyCommand) << name;
    // They take any arguments and change nothing.
    EXPECT_TRUE(Run("Engine.ShowTaskbar(1, 'x', {}) SnapLayers(nil, 2)"));
    Stop();
}

TEST_F(GameTest, AScriptsOwnFunctionsInEngineStay) {
    fixture.mainScript = "Game = {}\n"
                         "function Engine.Foo() return 'foo' end\n"
                         "function main() end\n";
    Start();
    ASSERT_TRUE(Run("Engine.Bar = function() return 'bar' end"));
    EXPECT_TRUE(Run("if Engine.Foo() ~= 'foo' or Engine.Bar() ~= 'bar' then Error('lost') end"));
    EXPECT_NE(Bound("Engine.EnterRoom"), nullptr);
    EXPECT_TRUE(Boxes("lost").empty());
    Stop();
}

} // namespace
} // namespace gametest
