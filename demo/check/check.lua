-- Runs the demo's scripts on the stand-in commands of stub.lua, the way the
-- game would: dialogs.scr in a state of its own, then main.scr and main(),
-- then every event on every element the scripts showed, saving and loading
-- on the way. Run from demo/:  ../build/lua/lua32 check/check.lua
-- It ends with "CHECK DONE"; a script error or an unknown command ends it
-- before, with exit code 1.

StubScripts = "scripts/"
dofile("check/stub.lua")
SysLoadGame = nil

function Fail(what)
  print("FAIL\t" .. what)
  exit(1)
end

-- The dialog state.
StubRefuseUnsetGlobals()
StubInstallDeclarations()
if not dofile(StubScripts .. "init/dialogs.scr") then Fail("init/dialogs.scr") end

-- The main state of a new game.
Dialog = nil
Statement = nil
StubInstallCommands()
if not dofile(StubScripts .. "main.scr") then Fail("main.scr") end
main()
StubRunPending(20)

-- Every event on every element shown so far, twice over, so that what one
-- click opens the next round finds.
function Explore()
  local round = 1
  while round <= 2 do
    local i = 1
    while i <= StubShownCount do
      local element = StubShown[i]
      Game.DoMouseEnter(element)
      Game.DoMouseLeave(element)
      Game.DoExamine(element)
      Game.DoAction(element)
      StubRunPending(20)
      Game.DoUseItem(element, Items.key)
      StubRunPending(20)
      i = i + 1
    end
    round = round + 1
  end
  Game.DoItemAction(Items.key)
  Game.DoRoomAction()
  Game.DoRoomExamine()
  if Map.DoShow() then Fail("Map.DoShow hides the map") end
  Game.DoMapAction(Places.shore)
  local tick = 0
  while tick < 65 do
    Game.DoTickAction()
    tick = tick + 1
  end
  Game.DoMapAction(Places.cabin)
  StubRunPending(20)
end

Explore()

-- Save, then load into a fresh main state as the game does.
SaveTheGame()
SysLoadGame = 1
StubInstallCommands()
if not dofile(StubScripts .. "main.scr") then Fail("main.scr for a loaded game") end
SysLoadGame = nil
SysInventoryAddItem(Items.key.id)
LoadGame()
StubRunPending(20)
Explore()

print("CHECK DONE")
