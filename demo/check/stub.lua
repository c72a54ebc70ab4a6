-- A stand-in for the game's script commands, for checking the demo's
-- scripts with the stand-alone interpreter: every command the game offers
-- exists here, records its call on standard output ("CALL", the name, then
-- the arguments, tab-separated) and answers something plausible; a name the
-- game does not offer stops the run with "UNKNOWN". Lua 3.2, like the game.

-- The game's vocabulary, table by table. A name after "=" marks the empty
-- function: it exists and does nothing in the game.
StubVocabulary = {
  Engine = { "Random", "EnableNightVision", "DisableNightVision", "SetObjectBrightness",
    "SetObjectSelectable", "SetObjectDepth", "SetObjectPosition", "SetLayerCursor",
    "StartObjectEffect", "StopObjectEffect", "GetObjectPosition", "LayerSetFlags",
    "LayerResetFlags", "SetRoomCursor", "SetRoomImage", "SetPlayerActor", "ShowZone",
    "HideZone", "SetZoneRect", "ShowObject", "HideObject", "SetObjectImage", "GetObjectImage",
    "GetObjectImageCount", "SetObjectAnim", "GetObjectAnim", "SetObjectAnimMode",
    "GetObjectAnimMode", "ActorWalkPath", "ActorWalkTo", "ActorSetSpeed", "ActorCancelWalk",
    "ActorAddAnim", "ActorClearAnim", "PlayActorAnim", "ActorClearWalkSound",
    "ActorAddWalkSound", "ActorLookAt", "=EnableTaskbar", "=DisableTaskbar", "=ShowTaskbar",
    "EnableMap", "DisableMap", "CreateMapEntry", "SetMapEntryEnabled", "SetMapEntryVisible",
    "AddInventoryItem", "RemInventoryItem", "InventoryShow", "InventoryHide",
    "LocationSetBlocked", "GameMenuShow", "GetDialogText", "QuitApp", "QuitGame", "EnterRoom",
    "FadeRoom", "ShowActor", "HideActor", "PlaySound", "StopSound", "SetObjectAnimEndAction" },
  Dialog = { "Do", "Get", "=Done", "GetText", "StatementPlayed", "PhrasePlayed",
    "=ActivatePhrase", "=DeactivatePhrase", "=LastPlayed" },
  Camera = { "SetPosition", "SetRotation", "SetDistance", "SetBaseScale", "SetOriginalDistance",
    "SetScaleAdjust" },
  Path = { "AddNode", "RemNode", "AddNodeNeighbor", "RemNodeNeighbor", "AddLine", "FindNode",
    "Reset", "GetCost" },
  Sky = { "SetImage", "SetSpeed" },
  Sound = { "Play", "=Stop" },
  Music = { "Play", "Stop", "SetVolume" },
  Cursor = { "Create" },
  Debug = { "WriteString", "WriteLabel" },
  SaveGame = { "WriteBool", "ReadBool", "WriteNumber", "ReadNumber", "WriteFloat", "ReadFloat",
    "WriteString", "ReadString" }
}

StubPending = {}   -- end actions waiting to be called, oldest first
StubPendingCount = 0
StubShown = {}     -- script objects handed to ShowObject, ShowZone, ShowActor
StubShownCount = 0
StubDialogs = {}   -- dialogs declared by dialogs.scr, by name
StubDialogList = {}
StubDialogCount = 0
StubSaved = {}     -- values written through SaveGame, read back in order
StubSavedCount = 0
StubReadAt = 0
StubHandles = 0
StubState = {}     -- per handle: image, mode, group

function StubText(v)
  local t = type(v)
  if t == "number" then return tostring(v) end
  if t == "string" then return "\"" .. v end
  return t
end

function StubRecord(name, args)
  local line = "CALL\t" .. name
  local i = 1
  while i <= args.n do
    line = line .. "\t" .. StubText(args[i])
    i = i + 1
  end
  print(line)
end

function StubLater(action)
  if type(action) == "function" then
    StubPendingCount = StubPendingCount + 1
    StubPending[StubPendingCount] = action
  end
end

-- Calls the waiting end actions, at most `limit` of them (walks that end
-- by starting the next walk never run dry).
function StubRunPending(limit)
  local at = 1
  while at <= StubPendingCount and at <= limit do
    local action = StubPending[at]
    StubPending[at] = nil
    action()
    at = at + 1
  end
  StubPending = {}
  StubPendingCount = 0
end

function StubHandle(object)
  StubHandles = StubHandles + 1
  local handle = { stubHandle = StubHandles }
  StubState[StubHandles] = { image = 0, mode = 4, group = -1 }
  if type(object) == "table" then
    StubShownCount = StubShownCount + 1
    StubShown[StubShownCount] = object
  end
  return handle
end

function StubStateOf(handle)
  if type(handle) == "table" and handle.stubHandle then
    return StubState[handle.stubHandle]
  end
  return { image = -1, mode = 4, group = -1 }
end

-- What a command answers, by name; commands not listed answer nothing.
StubAnswers = {}
StubAnswers["Engine.Random"] = function(a) return a[1] end
StubAnswers["Engine.ShowObject"] = function(a) return StubHandle(a[1]) end
StubAnswers["Engine.ShowZone"] = function(a) return StubHandle(a[1]) end
StubAnswers["Engine.ShowActor"] = function(a) return StubHandle(a[1]) end
StubAnswers["Engine.GetObjectPosition"] = function(a) return 5, 0, 5 end
StubAnswers["Engine.GetObjectImage"] = function(a) return StubStateOf(a[1]).image end
StubAnswers["Engine.GetObjectImageCount"] = function(a) return 5 end
StubAnswers["Engine.GetObjectAnim"] = function(a) return StubStateOf(a[1]).group end
StubAnswers["Engine.GetObjectAnimMode"] = function(a) return StubStateOf(a[1]).mode end
StubAnswers["Engine.SetObjectImage"] = function(a) StubStateOf(a[1]).image = a[2] end
StubAnswers["Engine.SetObjectAnimMode"] = function(a) StubStateOf(a[1]).mode = a[2] end
StubAnswers["Engine.SetObjectAnim"] = function(a)
  if type(a[2]) == "table" then StubStateOf(a[1]).group = a[2][1] end
  StubLater(a[6])
end
StubAnswers["Engine.SetObjectAnimEndAction"] = function(a) StubLater(a[2]) end
StubAnswers["Engine.ActorWalkTo"] = function(a) StubLater(a[5]) end
StubAnswers["Engine.PlayActorAnim"] = function(a) StubLater(a[3]) end
StubAnswers["Engine.GetDialogText"] = function(a) return "text of " .. a[1] end
StubAnswers["Dialog.GetText"] = StubAnswers["Engine.GetDialogText"]
StubAnswers["Dialog.Get"] = function(a) return StubDialogList[a[1] + 1] end
StubAnswers["Dialog.StatementPlayed"] = function(a) return 1 end
StubAnswers["Dialog.PhrasePlayed"] = function(a) return 1 end
StubAnswers["Dialog.Do"] = function(a)
  if not StubDialogs[a[1]] then
    print("UNDECLARED\t" .. StubText(a[1]))
    error("Dialog.Do of a dialog that dialogs.scr does not declare")
  end
  StubLater(a[3])
end
StubAnswers["Path.GetCost"] = function(a) return 1 end
StubAnswers["SaveGame.WriteBool"] = function(a)
  StubSavedCount = StubSavedCount + 1
  StubSaved[StubSavedCount] = a[1]
end
StubAnswers["SaveGame.WriteNumber"] = StubAnswers["SaveGame.WriteBool"]
StubAnswers["SaveGame.WriteFloat"] = StubAnswers["SaveGame.WriteBool"]
StubAnswers["SaveGame.WriteString"] = StubAnswers["SaveGame.WriteBool"]
StubAnswers["SaveGame.ReadBool"] = function(a)
  StubReadAt = StubReadAt + 1
  return StubSaved[StubReadAt]
end
StubAnswers["SaveGame.ReadNumber"] = StubAnswers["SaveGame.ReadBool"]
StubAnswers["SaveGame.ReadFloat"] = StubAnswers["SaveGame.ReadBool"]
StubAnswers["SaveGame.ReadString"] = StubAnswers["SaveGame.ReadBool"]

function StubCommand(name)
  return function(...)
    StubRecord(%name, arg)
    local answer = StubAnswers[%name]
    if answer then return answer(arg) end
  end
end

-- A name that the game does not offer stops the script, as it would in the
-- game (calling nil), but says which name it was.
StubTag = newtag()
StubTableNames = {}
settagmethod(StubTag, "index", function(t, name)
  print("UNKNOWN\t" .. StubTableNames[t] .. "." .. name)
  error("the game has no command " .. StubTableNames[t] .. "." .. name)
end)

-- Reading a global that was never set is almost always a misspelt name
-- (the game would go on with nil): the check stops there.
function StubRefuseUnsetGlobals()
  settagmethod(tag(nil), "getglobal", function(name)
    print("UNSET\t" .. name)
    error("the global " .. name .. " was never set")
  end)
end

-- The main state's tables; the dialog state has other globals (below).
function StubInstallCommands()
  local table = next(StubVocabulary, nil)
  while table do
    local t = {}
    StubTableNames[t] = table
    local names = StubVocabulary[table]
    local i = 1
    while names[i] do
      local name = names[i]
      if strsub(name, 1, 1) == "=" then name = strsub(name, 2) end
      t[name] = StubCommand(table .. "." .. name)
      i = i + 1
    end
    settag(t, StubTag)
    setglobal(table, t)
    table = next(StubVocabulary, table)
  end
  SnapLayers = function() end
end

-- include(name) runs base folder\int\all\scripts\name.
function include(name)
  print("CALL\tinclude\t" .. StubText(name))
  return dofile(StubScripts .. gsub(name, "\\", "/"))
end

-- The dialog state's two functions, which declare the dialogs.
function StubInstallDeclarations()
  Dialog = function(name)
    StubDialogs[name] = 1
    StubDialogCount = StubDialogCount + 1
    StubDialogList[StubDialogCount] = name
    print("DIALOG\t" .. StubText(name))
  end
  Statement = function(...)
    local i = 3
    while i + 3 <= arg.n do
      print("PHRASE\t" .. StubText(arg[i]) .. "\t" .. StubText(arg[2]))
      i = i + 4
    end
  end
end
