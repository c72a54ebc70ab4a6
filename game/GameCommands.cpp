// The commands that end the program: each enables a quit timer whose first
// tick retires the world, shows the credits and closes the application.
#include "GameApp.h"
#include "GameStatics.h"
#include "GameWorld.h"
#include "ScriptCommands.h"
#include "ScriptRefs.h"

void EngineQuitApp() {
    if (!FromMainState()) return;
    if (GameWorld* world = App().World()) world->StartQuitTimer();
}

void EngineQuitGame() {
    if (FromMainState()) App().StartQuitTimer();
}
