// The scripts' vocabulary: the one list of the script tables' names and the
// host function behind each, in the order they are registered into a new
// main state, and the dialog state's three globals.
#pragma once

#include "lua.h"

#include <span>

class LuaScript;

struct ScriptCommand {
    const char* table; // null: a global function
    const char* name;
    lua_CFunction function;
};

std::span<const ScriptCommand> ScriptCommands();
std::span<const ScriptCommand> DialogStateCommands();

// Makes `main` the state the commands act on and registers every command.
void RegisterScriptCommands(LuaScript& main);
// Dialog, Statement and include into the dialog state.
void RegisterDialogCommands(LuaScript& dialog);

// The function of the names that exist and do nothing.
void EmptyCommand();

// --- The commands with bodies (GameCommands.cpp, RoomScriptCommands.cpp) ---
void EngineQuitApp();
void EngineQuitGame();
void EngineEnterRoom();
void EngineFadeRoom();
void EngineShowActor();
void EngineHideActor();
void EnginePlaySound();
void EngineStopSound();
void EngineSetObjectAnimEndAction();
// DialogCommands.cpp
void DialogGetText();
void DialogDo();
void DialogGet();
void DialogStatementPlayed();
void DialogPhrasePlayed();
