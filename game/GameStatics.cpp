#include "GameStatics.h"

#include "GameApp.h"

#include "foundation/TError.h"

GameStatics::GameStatics() : app(std::make_unique<GameApp>()) {}

GameStatics::~GameStatics() {
    app.reset();
    // The error handler outlives these texts.
    if (errorTexts.Table() && TError::GetTable() == errorTexts.Table())
        TError::SetTable(TError::GermanTable());
}

GameStatics& Statics() {
    return TEngine::Require("the game").Part<GameStatics>();
}

GameApp& App() {
    return *Statics().app;
}
