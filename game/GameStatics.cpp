#include "GameStatics.h"

#include "GameApp.h"

#include "foundation/TError.h"

#include "WorldState.h"

namespace {
// The statics while they go: the engine has already let go of them, and
// what their members' destructors ask for must still be them.
GameStatics* g_going = nullptr;
TEngine* g_goingEngine = nullptr;

// The world's state, built before the statics so that it outlives them.
TEngine& WithWorldState() {
    World();
    return TEngine::Require("the game");
}
} // namespace

GameStatics::GameStatics() : engine(&WithWorldState()), app(std::make_unique<GameApp>()) {}

GameStatics::~GameStatics() {
    GameStatics* outer = g_going;
    TEngine* outerEngine = g_goingEngine;
    g_going = this;
    g_goingEngine = engine;
    app.reset();
    // The error handler outlives these texts.
    if (errorTexts.Table() && TError::GetTable() == errorTexts.Table())
        TError::SetTable(TError::GermanTable());
    g_going = outer;
    g_goingEngine = outerEngine;
}

GameStatics& Statics() {
    TEngine& engine = TEngine::Require("the game");
    if (g_going && g_goingEngine == &engine) return *g_going;
    return engine.Part<GameStatics>();
}

GameApp& App() {
    return *Statics().app;
}
