#include "ScriptCommands.h"

#include "DialogManager.h"
#include "ElementCommands.h"
#include "GameStatics.h"
#include "LuaScript.h"
#include "SaveGameCommands.h"
#include "WorldCommands.h"

#include <iterator>

void EmptyCommand() {}

namespace {

// Every name the scripts of the main state find, in the order it is
// registered (a null table: a global function). Names that share an
// operation share a function.
constexpr ScriptCommand kCommands[] = {
    {"Debug", "WriteString", &DebugWriteString},
    {"Debug", "WriteLabel", &DebugWriteLabel},
    {"Engine", "GetDialogText", &DialogGetText},
    {nullptr, "SnapLayers", &EmptyCommand},
    {"Engine", "Random", &EngineRandom},
    {"Engine", "EnableNightVision", &EngineEnableNightVision},
    {"Engine", "DisableNightVision", &EngineDisableNightVision},
    {"Engine", "SetObjectBrightness", &EngineSetObjectBrightness},
    {"Engine", "SetObjectSelectable", &EngineSetObjectSelectable},
    {"Engine", "SetObjectDepth", &EngineSetObjectDepth},
    {"Engine", "SetObjectPosition", &EngineSetObjectPosition},
    {"Engine", "SetLayerCursor", &EngineSetLayerCursor},
    {"Engine", "StartObjectEffect", &EngineStartObjectEffect},
    {"Engine", "StopObjectEffect", &EngineStopObjectEffect},
    {"Engine", "GetObjectPosition", &EngineGetObjectPosition},
    {"Engine", "LayerSetFlags", &EngineLayerSetFlags},
    {"Engine", "LayerResetFlags", &EngineLayerResetFlags},
    {"Engine", "SetRoomCursor", &EngineSetRoomCursor},
    {"Engine", "SetRoomImage", &EngineSetRoomImage},
    {"Engine", "SetPlayerActor", &EngineSetPlayerActor},
    {"Engine", "ShowZone", &EngineShowZone},
    {"Engine", "HideZone", &EngineHideZone},
    {"Engine", "SetZoneRect", &EngineSetZoneRect},
    {"Engine", "ShowObject", &EngineShowObject},
    {"Engine", "HideObject", &EngineHideObject},
    {"Engine", "SetObjectImage", &EngineSetObjectImage},
    {"Engine", "GetObjectImage", &EngineGetObjectImage},
    {"Engine", "GetObjectImageCount", &EngineGetObjectImageCount},
    {"Engine", "SetObjectAnim", &EngineSetObjectAnim},
    {"Engine", "GetObjectAnim", &EngineGetObjectAnim},
    {"Engine", "SetObjectAnimMode", &EngineSetObjectAnimMode},
    {"Engine", "GetObjectAnimMode", &EngineGetObjectAnimMode},
    {"Engine", "ActorWalkPath", &EngineActorWalkPath},
    {"Engine", "ActorWalkTo", &EngineActorWalkTo},
    {"Engine", "ActorSetSpeed", &EngineActorSetSpeed},
    {"Engine", "ActorCancelWalk", &EngineActorCancelWalk},
    {"Engine", "ActorAddAnim", &EngineActorAddAnim},
    {"Engine", "ActorClearAnim", &EngineActorClearAnim},
    {"Engine", "PlayActorAnim", &EnginePlayActorAnim},
    {"Engine", "ActorClearWalkSound", &EngineActorClearWalkSound},
    {"Engine", "ActorAddWalkSound", &EngineActorAddWalkSound},
    {"Engine", "ActorLookAt", &EngineActorLookAt},
    {"Engine", "EnableTaskbar", &EmptyCommand},
    {"Engine", "DisableTaskbar", &EmptyCommand},
    {"Engine", "ShowTaskbar", &EmptyCommand},
    {"Engine", "EnableMap", &EngineEnableMap},
    {"Engine", "DisableMap", &EngineDisableMap},
    {"Engine", "CreateMapEntry", &EngineCreateMapEntry},
    {"Engine", "SetMapEntryEnabled", &EngineSetMapEntryEnabled},
    {"Engine", "SetMapEntryVisible", &EngineSetMapEntryVisible},
    {"Engine", "AddInventoryItem", &EngineAddInventoryItem},
    {"Engine", "RemInventoryItem", &EngineRemInventoryItem},
    {"Engine", "InventoryShow", &EngineInventoryShow},
    {"Engine", "InventoryHide", &EngineInventoryHide},
    {"Engine", "LocationSetBlocked", &EngineLocationSetBlocked},
    {"Engine", "GameMenuShow", &EngineGameMenuShow},
    {"Dialog", "Do", &DialogDo},
    {"Dialog", "Get", &DialogGet},
    {"Dialog", "Done", &EmptyCommand},
    {"Dialog", "GetText", &DialogGetText},
    {"Dialog", "StatementPlayed", &DialogStatementPlayed},
    {"Dialog", "PhrasePlayed", &DialogPhrasePlayed},
    {"Dialog", "ActivatePhrase", &EmptyCommand},
    {"Dialog", "DeactivatePhrase", &EmptyCommand},
    {"Dialog", "LastPlayed", &EmptyCommand},
    {"Camera", "SetPosition", &CameraSetPosition},
    {"Camera", "SetRotation", &CameraSetRotation},
    {"Camera", "SetDistance", &CameraSetDistance},
    {"Camera", "SetBaseScale", &CameraSetBaseScale},
    {"Camera", "SetOriginalDistance", &CameraSetOriginalDistance},
    {"Camera", "SetScaleAdjust", &CameraSetScaleAdjust},
    {"Path", "AddNode", &PathAddNode},
    {"Path", "RemNode", &PathRemNode},
    {"Path", "AddNodeNeighbor", &PathNodeNeighbor},
    {"Path", "RemNodeNeighbor", &PathNodeNeighbor},
    {"Path", "AddLine", &PathAddLine},
    {"Path", "FindNode", &PathFindNode},
    {"Path", "Reset", &PathReset},
    {"Path", "GetCost", &PathGetCost},
    {"Sky", "SetImage", &SkySetImage},
    {"Sky", "SetSpeed", &SkySetSpeed},
    {"Sound", "Play", &SoundPlay},
    {"Sound", "Stop", &EmptyCommand},
    {"Music", "Play", &MusicPlay},
    {"Music", "Stop", &MusicStop},
    {"Music", "SetVolume", &MusicSetVolume},
    {"Cursor", "Create", &CursorCreate},
    {nullptr, "include", &LuaScript::Include},
    {"Engine", "QuitApp", &EngineQuitApp},
    {"Engine", "QuitGame", &EngineQuitGame},
    {"Engine", "EnterRoom", &EngineEnterRoom},
    {"Engine", "FadeRoom", &EngineFadeRoom},
    {"Engine", "ShowActor", &EngineShowActor},
    {"Engine", "HideActor", &EngineHideActor},
    {"Engine", "PlaySound", &EnginePlaySound},
    {"Engine", "StopSound", &EngineStopSound},
    {"Engine", "SetObjectAnimEndAction", &EngineSetObjectAnimEndAction},
    {"SaveGame", "WriteBool", &SaveGameWriteNumber},
    {"SaveGame", "ReadBool", &SaveGameReadBool},
    {"SaveGame", "WriteNumber", &SaveGameWriteNumber},
    {"SaveGame", "ReadNumber", &SaveGameReadNumber},
    {"SaveGame", "WriteFloat", &SaveGameWriteFloat},
    {"SaveGame", "ReadFloat", &SaveGameReadFloat},
    {"SaveGame", "WriteString", &SaveGameWriteString},
    {"SaveGame", "ReadString", &SaveGameReadString},
};

constexpr ScriptCommand kDialogCommands[] = {
    {nullptr, "Dialog", &DialogData},
    {nullptr, "Statement", &StatementData},
    {nullptr, "include", &LuaScript::Include},
};

void Register(LuaScript& script, std::span<const ScriptCommand> commands) {
    for (const ScriptCommand& c : commands) {
        if (c.table)
            script.RegisterTableFunction(c.table, c.function, c.name);
        else
            script.RegisterGlobalFunction(c.function, c.name);
    }
}

} // namespace

std::span<const ScriptCommand> ScriptCommands() {
    return {kCommands, std::size(kCommands)};
}

std::span<const ScriptCommand> DialogStateCommands() {
    return {kDialogCommands, std::size(kDialogCommands)};
}

void RegisterScriptCommands(LuaScript& main) {
    Statics().commands = main.IsOpen() ? &main : nullptr;
    Register(main, ScriptCommands());
}

void RegisterDialogCommands(LuaScript& dialog) {
    Register(dialog, DialogStateCommands());
}
