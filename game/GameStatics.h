// What the game keeps for the whole run: the developer options, the named
// resources, the language and the application, built on first use in this
// order and destroyed in the reverse one, with the pointers to the script
// states the commands and events use. It belongs to the current engine, so a
// test's fresh engine gets fresh ones and nothing outlives it.
#pragma once

#include "DevOptions.h"
#include "ErrorTexts.h"
#include "Language.h"
#include "NamedResources.h"

#include "media/devices/TRandom.h"
#include "ui/TEngine.h"

#include <memory>

class DialogManager;
class GameApp;
class LuaScript;
class MapView;
class TInventoryView;

struct GameStatics : TEnginePart {
    GameStatics();
    ~GameStatics() override;

    TEngine* engine;
    DevOptions devOptions;
    NamedResources resources;
    Language language;
    std::unique_ptr<GameApp> app;
    // The game's error texts, the error handler's table while the run lasts.
    ErrorTexts errorTexts;

    // The state that Dialog, Statement and the calls of globals use (the
    // dialog state while dialogs.scr runs, then the main one).
    LuaScript* script = nullptr;
    // The main state the commands, events and references act on; null while
    // no game runs.
    LuaScript* commands = nullptr;
    // The declared dialogs of the world in progress (its own), null without.
    DialogManager* dialogManager = nullptr;
    // The option DialogText: 1 shows the texts of spoken phrases.
    int32_t dialogText = 1;
    // Set while a retired world goes: its references die with its state and
    // must not reach the next world's.
    int32_t worldTeardown = 0;
    // The night-vision flag: cleared by each new world, saved with the game.
    int32_t nightVision = 0;
    // The one inventory window while it exists.
    TInventoryView* inventory = nullptr;
    // The one map screen while it exists.
    MapView* map = nullptr;
    // The scripts' random source (Engine.Random).
    TRandom random;
    // Where the host's notes (a missing parameter, a missing script) go
    // besides the debug output; tests listen here.
    void (*noteHook)(const char* text) = nullptr;
};

// The current engine's game statics.
GameStatics& Statics();
inline DevOptions& Options() {
    return Statics().devOptions;
}
inline NamedResources& Resources() {
    return Statics().resources;
}
GameApp& App();
